#include "ControlRamp.h"

#include <algorithm>

namespace weft {

std::unique_ptr<ControlRampProcessor::Array> ControlRampProcessor::Create(ControlRamp* inputs)
{
  return std::unique_ptr<Array>(new Array{{ControlRampProcessor(inputs[0]), ControlRampProcessor(inputs[1]),
                                           ControlRampProcessor(inputs[2]), ControlRampProcessor(inputs[3]),
                                           ControlRampProcessor(inputs[4])}});
}

void ControlRampProcessor::SetTarget(double target, int startOffset, int glideSamples, int blockSize) noexcept
{
  (void)blockSize;
  const int length = std::max(glideSamples, 1);
  mTarget = target;
  mGlideSamples = mSamplesRemaining = length;
  mChangePerSample = (target - mRamp.mEndValue) / length;
  mStartOffset = std::max(startOffset, 0);
}

void ControlRampProcessor::Process(int blockSize) noexcept
{
  blockSize = std::max(blockSize, 1);
  mRamp.mStartValue = mRamp.mEndValue;
  if (mSamplesRemaining <= 0)
    return;

  if (mSamplesRemaining != mGlideSamples)
  {
    // The glide began in an earlier sub-block and runs from frame 0.
    mRamp.mStartSample = 0;
    if (mSamplesRemaining <= blockSize)
    {
      mRamp.mEndValue = mTarget;
      mRamp.mEndSample = mSamplesRemaining;
      mSamplesRemaining = 0;
    }
    else
    {
      mRamp.mEndValue = mRamp.mStartValue + mChangePerSample * blockSize;
      mRamp.mEndSample = blockSize;
      mSamplesRemaining -= blockSize;
    }
    return;
  }

  if (mStartOffset >= blockSize)
  {
    // Set at (or past) the end of this sub-block: it begins in a later one.
    // The ramp stays flat here and the offset moves along with the time.
    mRamp.mStartSample = 0;
    mRamp.mEndSample = 0;
    mStartOffset -= blockSize;
    return;
  }

  // First sub-block of the glide: it starts at the offset.
  mRamp.mStartSample = mStartOffset;
  if (mStartOffset + mSamplesRemaining <= blockSize)
  {
    mRamp.mEndValue = mTarget;
    mRamp.mEndSample = mStartOffset + mGlideSamples;
    mSamplesRemaining = 0;
  }
  else
  {
    const int n = std::clamp(blockSize - mStartOffset, 0, blockSize);
    mRamp.mEndValue = mRamp.mStartValue + mChangePerSample * n;
    mRamp.mEndSample = blockSize;
    mSamplesRemaining -= n;
  }
}

} // namespace weft
