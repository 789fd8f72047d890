#include "BufferManager.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace pressweave {

BufferManager::BufferManager(int blockSize) noexcept
{
  Reset(blockSize);
}

bool BufferManager::Reset(int blockSize) noexcept
{
  if (blockSize < 0)
    blockSize = 0;
  if (blockSize == mBlockSize)
    return true;

  Bank fresh[kNumBanks];
  if (blockSize > 0)
  {
    for (Bank& bank : fresh)
    {
      for (auto& b : bank.buffers)
      {
        b.reset(new (std::nothrow) double[static_cast<size_t>(blockSize)]());
        if (!b)
          return false;
      }
    }
  }

  for (int i = 0; i < kNumBanks; ++i)
    mBanks[i] = std::move(fresh[i]);
  mWriteBank = 0;
  mReadBank = 1;
  mShared.store(2, std::memory_order_relaxed);
  mBlockSize = blockSize;
  return true;
}

void BufferManager::Write(int index, const double* src, int nFrames) noexcept
{
  if (!ValidIndex(index))
    return;
  Bank& bank = mBanks[mWriteBank];
  double* dest = bank.buffers[index].get();
  const int n = dest ? std::clamp(nFrames, 0, mBlockSize) : 0;
  if (n > 0)
  {
    if (src)
      std::memmove(dest, src, static_cast<size_t>(n) * sizeof(double));
    else
      std::memset(dest, 0, static_cast<size_t>(n) * sizeof(double));
  }
  bank.frames[index] = n;
}

const double* BufferManager::GetPendingBuffer(int index) const noexcept
{
  return ValidIndex(index) ? mBanks[mWriteBank].buffers[index].get() : nullptr;
}

int BufferManager::GetPendingFrameCount(int index) const noexcept
{
  return ValidIndex(index) ? mBanks[mWriteBank].frames[index] : 0;
}

void BufferManager::Publish() noexcept
{
  // Release: the bank's contents before it changes hands; acquire: the bank
  // taken back was last read by the main thread, whose reads must be over.
  const int previous = mShared.exchange(mWriteBank | kFresh, std::memory_order_acq_rel);
  mWriteBank = previous & ~kFresh;
}

bool BufferManager::Acquire() noexcept
{
  // Relaxed peek: nothing is read through it; the exchange below orders.
  if (!(mShared.load(std::memory_order_relaxed) & kFresh))
    return false;
  const int previous = mShared.exchange(mReadBank, std::memory_order_acq_rel);
  mReadBank = previous & ~kFresh;
  return true;
}

const double* BufferManager::GetBuffer(int index) const noexcept
{
  return ValidIndex(index) ? mBanks[mReadBank].buffers[index].get() : nullptr;
}

int BufferManager::GetFrameCount(int index) const noexcept
{
  return ValidIndex(index) ? mBanks[mReadBank].frames[index] : 0;
}

int BufferManager::GetPairFrameCount(int leftIndex, int rightIndex) const noexcept
{
  return std::min(GetFrameCount(leftIndex), GetFrameCount(rightIndex));
}

void BufferManager::ClearBuffer(int index) noexcept
{
  if (index < 0 || index > 3 || !mBanks[mReadBank].buffers[index])
    return;
  std::memset(mBanks[mReadBank].buffers[index].get(), 0, static_cast<size_t>(mBlockSize) * sizeof(double));
}

} // namespace pressweave
