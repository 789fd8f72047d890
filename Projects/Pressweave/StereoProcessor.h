#pragma once
// Mid/side stereo width with an optional rotation. A StereoProcessor is a small
// value object: the render thread makes one on the stack per block, so it is
// never shared between threads.

namespace pressweave {

class StereoProcessor
{
public:
  StereoProcessor() noexcept = default;

  // w is the width factor (1 unchanged, 0 mono, 2 for 200 %), clamped to 0..4.
  // A NaN is refused and the width stays as it was.
  void setWidth(double w) noexcept;
  double getWidth() const noexcept { return mWidth; }
  double getAngle() const noexcept { return mAngle; } // radians

  // Whole-signal gain that keeps wide settings from getting louder: the width
  // limit / width above the limit (1.42), else 1.
  double getVolumeAdjustment() const noexcept;

  // Gain that compensates the rotation: 1 at 0 degrees, 1 / angle gain at 45,
  // back to 1 at 90 and beyond.
  double getAngleVolumeAdjustment() const noexcept;

  // Processes one sample pair; the result is in getOutputLeft/Right.
  void processStereo(double left, double right) noexcept;

  double getOutputLeft() const noexcept { return mOutputLeft; }
  double getOutputRight() const noexcept { return mOutputRight; }

private:
  double mOutputLeft = 0.0;
  double mOutputRight = 0.0;
  double mWidth = 1.0;
  double mAngle = 0.0; // radians
  double mMid = 0.0;
  double mSide = 0.0;
  double mVolumeAdjustment = 1.0;
  double mAngleVolumeAdjustment = 1.0;
  double mWidthLimit = 1.42;
  double mAngleGain = 1.42;
};

// The width stage over one block: inputs[0..1] to outputs[0..1], which may be
// the same buffers (in place). stereoWidthPercent is "Stereo Width" (0..200).
// Gives exactly the samples that StereoProcessor::processStereo gives one at a
// time, with the per-block terms computed once. Null lists or channels and
// nFrames < 1 do nothing. Render thread; no allocation.
void StereoProcess(const double* const* inputs, double* const* outputs, int nFrames, double stereoWidthPercent) noexcept;

} // namespace pressweave
