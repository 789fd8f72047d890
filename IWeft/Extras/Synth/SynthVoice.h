#pragma once
// The voice interface a note-playing plug-in implements. The voice allocator
// owns the allocation state below and writes it directly; the voice reads
// its five control inputs while it renders.

#include "ControlRamp.h"

#include <cstdint>

namespace weft {

class SynthVoice
{
public:
  virtual ~SynthVoice() = default;

  // Audio thread, all of them.

  // Whether the voice still sounds; silent voices are not rendered.
  virtual bool IsBusy() const = 0;
  // Starts (or, with isRetrigger, restarts) the note at the given level.
  virtual void Trigger(double level, bool isRetrigger) = 0;
  // Enters the release phase.
  virtual void Release() = 0;
  // Adds (never overwrites) the voice's output for frames startIdx to
  // startIdx + nFrames - 1. The inputs' ramps count from startIdx.
  virtual void RenderAccumulating(double** inputs, double** outputs, int nInputs, int nOutputs, int startIdx,
                                  int nFrames) = 0;

  // Set-up time (before processing, off the audio thread).
  virtual void SetSampleRateAndBlockSize(double sampleRate, int blockSize)
  {
    (void)sampleRate;
    (void)blockSize;
  }

  virtual void SetProgramNumber(int program) { (void)program; }
  virtual void SetControl(int controllerNumber, float value)
  {
    (void)controllerNumber;
    (void)value;
  }

  ControlRamp mInputs[kNumVoiceInputs] = {};
  int64_t mLastTriggeredTime = 0; // sample time of the last start
  uint8_t mZone = 0;  // MPE zone: set by AddVoice, then the zone of the note it last started
  uint8_t mChannel = 0;
  uint8_t mKey = 255; // 255: holds no key
  double mGain = 0.0;
};

} // namespace weft
