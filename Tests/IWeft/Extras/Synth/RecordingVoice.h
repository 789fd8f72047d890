#pragma once
// A voice that records what the allocator asks of it and is busy from its
// trigger until its release.

#include "SynthVoice.h"

#include <string>
#include <vector>

namespace pw::test {

class RecordingVoice : public weft::SynthVoice
{
public:
  bool IsBusy() const override { return busy; }
  void Trigger(double level, bool isRetrigger) override
  {
    busy = true;
    log.push_back((isRetrigger ? "retrigger " : "trigger ") + std::to_string(level));
  }
  void Release() override
  {
    busy = false;
    log.push_back("release");
  }
  void RenderAccumulating(double**, double** outputs, int, int nOutputs, int startIdx, int nFrames) override
  {
    for (int c = 0; c < nOutputs; ++c)
      for (int s = startIdx; s < startIdx + nFrames; ++s)
        outputs[c][s] += 1.0;
  }
  void SetProgramNumber(int program) override { log.push_back("program " + std::to_string(program)); }
  void SetControl(int controller, float value) override
  {
    log.push_back("control " + std::to_string(controller) + " " + std::to_string(value));
  }

  bool busy = false;
  std::vector<std::string> log;
};

} // namespace pw::test
