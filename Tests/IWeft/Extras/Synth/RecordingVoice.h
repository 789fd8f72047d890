#pragma once
// A voice that records what the allocator and the frame ask of it. It is
// busy from its trigger until its release and adds 1 to every frame it
// renders.

#include "SynthVoice.h"

#include <string>
#include <vector>

namespace pw::test {

class RecordingVoice : public weft::SynthVoice
{
public:
  bool IsBusy() const override { return busy; }
  void Trigger(double level, bool retrigger) override { busy = true, Log(retrigger ? "retrigger " : "trigger ", level); }
  void Release() override { busy = false, log.push_back("release"); }
  void SetProgramNumber(int program) override { Log("program ", program); }
  void SetControl(int controller, float value) override { Log("control " + std::to_string(controller) + " ", value); }
  // Logs {start, frames, the gate ramp's start and end sample} of each call.
  void RenderAccumulating(double**, double** outputs, int, int nOutputs, int startIdx, int nFrames) override
  {
    blocks.push_back({startIdx, nFrames, mInputs[weft::kVoiceLevel].mStartSample, mInputs[weft::kVoiceLevel].mEndSample});
    for (int c = 0; c < nOutputs; ++c)
      for (int s = startIdx; s < startIdx + nFrames; ++s)
        outputs[c][s] += 1.0;
  }

  bool busy = false;
  std::vector<std::string> log;
  std::vector<std::vector<int>> blocks;

private:
  template <class T>
  void Log(const std::string& what, T value) { log.push_back(what + std::to_string(value)); }
};

} // namespace pw::test
