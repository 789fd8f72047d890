#pragma once
// Fixed-length ring of doubles that keeps the latest values pushed into it.
// Used on one thread only (the meters' analysis on the main thread); resize
// allocates, push and get do not.

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "LOOM_Assert.h"

namespace pressweave {

class RingBuffer
{
public:
  RingBuffer() noexcept = default;

  // Stores x at the write position; once full, the oldest value is dropped.
  // A ring of size 0 ignores the value.
  void push(double x) noexcept
  {
    LOOM_ASSERT_MSG(mSize > 0, "RingBuffer::push on a ring of size 0");
    if (mSize < 1)
      return;
    mData[mWrite] = x;
    if (mFull)
      mRead = (mRead + 1) % mSize;
    mWrite = (mWrite + 1) % mSize;
    mFull = mWrite == mRead;
  }

  // |x[0]| .. |x[n - 1]| pushed in order: the same contents and positions
  // as n calls of push, without a division per value.
  void pushMagnitudes(const double* x, int n) noexcept
  {
    LOOM_ASSERT_MSG(mSize > 0, "RingBuffer::pushMagnitudes on a ring of size 0");
    if (mSize < 1 || n < 1)
      return;
    // Pushes until the write position reaches the read position.
    const int room = mFull ? 0 : (mRead > mWrite ? mRead - mWrite : mRead + mSize - mWrite);
    // Only the last mSize values survive; they go where push would put them.
    const int first = n > mSize ? n - mSize : 0;
    int pos = static_cast<int>((mWrite + static_cast<long long>(first)) % mSize);
    for (int i = first; i < n;)
    {
      const int run = std::min(n - i, mSize - pos);
      for (int j = 0; j < run; ++j)
        mData[static_cast<size_t>(pos + j)] = std::fabs(x[i + j]);
      i += run;
      pos = pos + run == mSize ? 0 : pos + run;
    }
    mWrite = static_cast<int>((mWrite + static_cast<long long>(n)) % mSize);
    if (n >= room)
    {
      mFull = true;
      mRead = mWrite;
    }
  }

  // Element i counted from the read position (the oldest value once full),
  // wrapping; 0 for a ring of size 0.
  double get(int i) const noexcept
  {
    LOOM_ASSERT_MSG(mSize > 0, "RingBuffer::get on a ring of size 0");
    if (mSize < 1)
      return 0.0;
    const int idx = ((mRead + i) % mSize + mSize) % mSize;
    return mData[idx];
  }

  int size() const noexcept { return mSize; }
  bool full() const noexcept { return mFull; }

  // A new zero-filled ring of n values keeping the first min(size, n) values
  // read from the read position. n < 1 and an allocation failure are refused
  // (false) and leave the ring as it was.
  bool resize(int n) noexcept
  {
    if (n < 1)
      return false;
    std::unique_ptr<double[]> data(new (std::nothrow) double[static_cast<size_t>(n)]());
    if (!data)
      return false;
    const int kept = std::min(mSize, n);
    for (int i = 0; i < kept; ++i)
      data[static_cast<size_t>(i)] = get(i);
    mData = std::move(data);
    mSize = n;
    mWrite = kept % n;
    mRead = 0;
    mFull = false;
    return true;
  }

private:
  std::unique_ptr<double[]> mData;
  int mSize = 0;
  int mWrite = 0;
  int mRead = 0;
  bool mFull = false;
};

} // namespace pressweave
