#pragma once
// Bounded multi-producer, single-consumer ring for a hand-over that several
// threads feed at once (host parameter changes: the render thread's
// automation and the main thread). Same contract as IWeftQueue otherwise.
//
// Threads: any number of producers call Push concurrently; exactly one
// consumer calls Pop at a time. Nothing blocks, locks or allocates after
// construction. A producer that stalls between claiming and filling its slot
// holds back the elements after it (the consumer sees the queue empty up to
// that slot) but loses nothing.
//
// Capacity: a queue built for n holds exactly n elements; a push onto a full
// queue drops the NEW element, returns false and counts the drop.
//
// Each slot carries a sequence number: pos when free for the producer that
// claims position pos, pos + 1 once filled, pos + n after the consumer took
// it (free for position pos + n). Positions are 64-bit and never wrap.

#include "LOOM_HeapBuf.h"

#include <atomic>
#include <climits>
#include <cstdint>
#include <new>
#include <type_traits>

namespace weft {

template <class T>
class IWeftMultiProducerQueue
{
  static_assert(std::is_trivially_copyable<T>::value && std::is_trivially_copy_assignable<T>::value,
                "IWeftMultiProducerQueue elements are copied bytewise: T must be a plain record");

  struct Slot
  {
    std::atomic<uint64_t> sequence;
    T value;
  };

public:
  // Allocates the ring on the calling thread, its only allocation. When it
  // cannot be allocated the queue is unusable but safe: every push drops,
  // every pop finds it empty, Capacity() is 0.
  explicit IWeftMultiProducerQueue(int capacity) noexcept
  {
    if (capacity <= 0)
      return;
    mSlots = new (std::nothrow) Slot[static_cast<size_t>(capacity)];
    if (!mSlots)
      return;
    mSize = static_cast<uint64_t>(capacity);
    for (uint64_t i = 0; i < mSize; ++i)
      mSlots[i].sequence.store(i, std::memory_order_relaxed);
  }
  ~IWeftMultiProducerQueue() { delete[] mSlots; }

  IWeftMultiProducerQueue(const IWeftMultiProducerQueue&) = delete;
  IWeftMultiProducerQueue& operator=(const IWeftMultiProducerQueue&) = delete;

  // Any producer. Copies value in; false (nothing stored, the drop counted)
  // when the queue is full.
  bool Push(const T& value) noexcept
  {
    // Relaxed: the position is only a ticket; the slot's sequence orders data.
    uint64_t pos = mEnqueuePos.load(std::memory_order_relaxed);
    for (;;)
    {
      if (mSize == 0)
        break;
      Slot& slot = mSlots[pos % mSize];
      // Acquire: pairs with the consumer's release, so its copy-out is done.
      const uint64_t sequence = slot.sequence.load(std::memory_order_acquire);
      if (sequence == pos)
      {
        // Relaxed on success: the slot is ours alone until we publish it.
        if (mEnqueuePos.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed))
        {
          slot.value = value;
          // Release: the value is written before the consumer can see it.
          slot.sequence.store(pos + 1, std::memory_order_release);
          return true;
        }
      }
      else if (sequence < pos)
      {
        break; // the consumer has not freed this slot yet: full
      }
      else
      {
        pos = mEnqueuePos.load(std::memory_order_relaxed); // another producer took it
      }
    }
    // Relaxed: a statistic, it orders no other memory.
    mDropped.fetch_add(1, std::memory_order_relaxed);
    return false;
  }

  // Consumer only. Copies the oldest published element into out; false (out
  // untouched) when there is none.
  bool Pop(T& out) noexcept
  {
    if (mSize == 0)
      return false;
    // Relaxed: only the consumer stores the dequeue position.
    const uint64_t pos = mDequeuePos.load(std::memory_order_relaxed);
    Slot& slot = mSlots[pos % mSize];
    // Acquire: pairs with the producer's release, so the value is complete.
    if (slot.sequence.load(std::memory_order_acquire) != pos + 1)
      return false;
    out = slot.value;
    // Release: the copy-out completes before a producer reuses the slot.
    slot.sequence.store(pos + mSize, std::memory_order_release);
    mDequeuePos.store(pos + 1, std::memory_order_relaxed);
    return true;
  }

  // Elements claimed and not yet popped, 0 to Capacity(); a producer still
  // filling its slot is counted.
  int ElementsAvailable() const noexcept
  {
    // Relaxed: a count, it orders no memory.
    const uint64_t in = mEnqueuePos.load(std::memory_order_relaxed);
    const uint64_t out = mDequeuePos.load(std::memory_order_relaxed);
    return in > out ? static_cast<int>(in - out) : 0;
  }

  uint64_t GetDroppedCount() const noexcept { return mDropped.load(std::memory_order_relaxed); }
  int Capacity() const noexcept { return static_cast<int>(mSize); }

private:
  Slot* mSlots = nullptr;                // owned; mSize slots, fixed after construction
  uint64_t mSize = 0;
  std::atomic<uint64_t> mEnqueuePos{0};  // next position to claim, every producer
  std::atomic<uint64_t> mDequeuePos{0};  // next position to pop, the consumer (read by anyone)
  std::atomic<uint64_t> mDropped{0};     // pushes refused, every producer
};

} // namespace weft
