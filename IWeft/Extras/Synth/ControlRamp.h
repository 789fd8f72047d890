#pragma once
// A voice's control inputs over one sub-block, and the processor that glides
// one input towards a target across sub-blocks.

#include <array>
#include <memory>

namespace weft {

// One control input of one voice over one sub-block: a straight line from
// (mStartSample, mStartValue) to (mEndSample, mEndValue), holding the start
// value before it and the end value after it. Samples count frames from the
// start of the sub-block.
struct ControlRamp
{
  double mStartValue;
  double mEndValue;
  int mStartSample;
  int mEndSample;

  void Clear() noexcept { *this = ControlRamp{}; }
};

// The five control inputs of a voice, in this order.
enum EVoiceInput
{
  kVoiceLevel = 0, // gate: velocity while held, 0 when released
  kVoicePitch,     // octaves relative to A 440
  kVoicePitchBend, // octaves
  kVoicePressure,
  kVoiceTimbre,
  kNumVoiceInputs
};

// Drives one ramp towards a target. Audio thread only; never allocates.
class ControlRampProcessor
{
public:
  using Array = std::array<ControlRampProcessor, kNumVoiceInputs>;

  explicit ControlRampProcessor(ControlRamp& ramp) noexcept
  : mRamp(ramp)
  {}

  // Set-up time: five processors, bound to inputs[0] to inputs[4] in order.
  static std::unique_ptr<Array> Create(ControlRamp* inputs);

  // Starts a glide from the ramp's current end value to target, beginning
  // startOffset frames into the current sub-block (below 0 counts as 0; at or
  // past the sub-block's end it carries into the next one) and lasting
  // glideSamples frames (at least 1). blockSize is not used.
  void SetTarget(double target, int startOffset, int glideSamples, int blockSize) noexcept;

  // Writes the ramp for the next sub-block of blockSize frames (below 1
  // counts as 1).
  void Process(int blockSize) noexcept;

private:
  ControlRamp& mRamp;
  double mTarget = 0.0;
  double mChangePerSample = 0.0;
  int mGlideSamples = 0;
  int mSamplesRemaining = 0;
  int mStartOffset = 0;
};

} // namespace weft
