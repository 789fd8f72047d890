#include "BufferManager.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace pressweave {

BufferManager::BufferManager(int blockSize) noexcept
{
  for (auto& f : mFrames)
    f.store(0, std::memory_order_relaxed);
  Reset(blockSize);
}

bool BufferManager::Reset(int blockSize) noexcept
{
  if (blockSize < 0)
    blockSize = 0;
  if (blockSize == mBlockSize)
    return true;

  std::unique_ptr<double[]> fresh[kNumBuffers];
  if (blockSize > 0)
  {
    for (auto& b : fresh)
    {
      b.reset(new (std::nothrow) double[static_cast<size_t>(blockSize)]());
      if (!b)
        return false;
    }
  }

  for (int i = 0; i < kNumBuffers; ++i)
  {
    mBuffers[i] = std::move(fresh[i]);
    mFrames[i].store(0, std::memory_order_relaxed);
  }
  mBlockSize = blockSize;
  return true;
}

const double* BufferManager::GetBuffer(int index) const noexcept
{
  return ValidIndex(index) ? mBuffers[index].get() : nullptr;
}

void BufferManager::ClearBuffer(int index) noexcept
{
  if (index < 0 || index > 3 || !mBuffers[index])
    return;
  std::memset(mBuffers[index].get(), 0, static_cast<size_t>(mBlockSize) * sizeof(double));
}

void BufferManager::Write(int index, const double* src, int nFrames) noexcept
{
  if (!ValidIndex(index))
    return;
  double* dest = mBuffers[index].get();
  const int n = dest ? std::clamp(nFrames, 0, mBlockSize) : 0;
  if (n > 0)
  {
    if (src)
      std::memmove(dest, src, static_cast<size_t>(n) * sizeof(double));
    else
      std::memset(dest, 0, static_cast<size_t>(n) * sizeof(double));
  }
  mFrames[index].store(n, std::memory_order_release);
}

int BufferManager::GetFrameCount(int index) const noexcept
{
  return ValidIndex(index) ? mFrames[index].load(std::memory_order_acquire) : 0;
}

int BufferManager::GetPairFrameCount(int leftIndex, int rightIndex) const noexcept
{
  return std::min(GetFrameCount(leftIndex), GetFrameCount(rightIndex));
}

} // namespace pressweave
