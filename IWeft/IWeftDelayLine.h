#pragma once
// Multichannel delay line that delays each channel by the same whole number
// of samples; the processor's bypass uses it to keep the reported latency.
//
// Set-up (SetDelayTime) allocates and belongs to the main thread while the
// line is not in use; ProcessBlock never allocates.

#include "LOOM_HeapBuf.h"

#include <cstring>

namespace weft {

template <typename T>
class NChanDelayLine
{
public:
  NChanDelayLine(int nInChans, int nOutChans) noexcept
  : mNInChans(nInChans > 0 ? nInChans : 0)
  , mNOutChans(nOutChans > 0 ? nOutChans : 0)
  {}

  NChanDelayLine(const NChanDelayLine&) = delete;
  NChanDelayLine& operator=(const NChanDelayLine&) = delete;

  // Re-times the line to delaySamples and clears it. False when the delay is
  // negative, its buffer would exceed the int32 byte range or cannot be
  // allocated; the line is then left as it was.
  bool SetDelayTime(int delaySamples)
  {
    if (delaySamples < 0)
      return false;
    const long long count = static_cast<long long>(mNInChans) * delaySamples;
    if (count * static_cast<long long>(sizeof(T)) > 0x7FFFFFFFLL)
      return false;
    const int n = static_cast<int>(count);
    mBuffer.Resize(n);
    if (static_cast<int>(mBuffer.GetSize()) != n)
      return false;
    if (n > 0)
      std::memset(mBuffer.Get(), 0, static_cast<size_t>(n) * sizeof(T));
    mDTSamples = delaySamples;
    mWriteAddress = 0;
    return true;
  }

  int GetDelayTime() const noexcept { return mDTSamples; }
  int NInChans() const noexcept { return mNInChans; }
  int NOutChans() const noexcept { return mNOutChans; }

  // Delays every channel below both channel counts by the delay time; the
  // first delay samples out are zeros. inputs and outputs may be the same
  // buffers (each sample is read before it is written). Other output
  // channels are not touched.
  void ProcessBlock(T** inputs, T** outputs, int nFrames) noexcept
  {
    const int nChans = mNInChans < mNOutChans ? mNInChans : mNOutChans;
    if (nFrames <= 0 || nChans == 0)
      return;

    if (mDTSamples == 0)
    {
      for (int c = 0; c < nChans; ++c)
      {
        if (inputs[c] != outputs[c])
          std::memmove(outputs[c], inputs[c], static_cast<size_t>(nFrames) * sizeof(T));
      }
      return;
    }

    T* buffer = mBuffer.Get();
    for (int s = 0; s < nFrames; ++s)
    {
      for (int c = 0; c < nChans; ++c)
      {
        T& slot = buffer[c * mDTSamples + mWriteAddress];
        const T x = inputs[c][s];
        outputs[c][s] = slot;
        slot = x;
      }
      if (++mWriteAddress == mDTSamples)
        mWriteAddress = 0;
    }
  }

private:
  LOOM_TypedBuf<T> mBuffer{4096}; // channel-major: channel c at [c * delay, (c + 1) * delay)
  int mNInChans;
  int mNOutChans;
  int mWriteAddress = 0; // 0..delay-1
  int mDTSamples = 0;    // delay, samples
};

} // namespace weft
