#pragma once
// Single-producer, single-consumer ring used for every cross-thread hand-over
// (parameter values, MIDI and SysEx, sender data).
//
// Threads: exactly one producer thread calls Push/PushFromArgs and exactly
// one consumer thread calls Pop, ElementsAvailable and GetDroppedCount, at a
// time. Neither side ever blocks, locks or allocates after construction, so
// either side may be the render thread.
//
// Capacity: a queue built for n holds at most n elements. The ring has n + 1
// slots because one slot always stays empty to tell "full" from "empty".
// A push onto a full queue drops the NEW element (the queue keeps what it
// has), returns false and counts the drop.
//
// Elements are copied bytewise in and out, so T must be a plain record. The
// copies are written as T's trivial copy rather than memcpy: the same bytes
// move, and ThreadSanitizer sees the accesses (it misses inlined memcpy).

#include "LOOM_HeapBuf.h"

#include <atomic>
#include <climits>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>

namespace weft {

template <class T>
class IWeftQueue
{
  static_assert(std::is_trivially_copyable<T>::value && std::is_trivially_copy_assignable<T>::value,
                "IWeftQueue elements are copied bytewise: T must be a plain record");
  static_assert(std::atomic<uint64_t>::is_always_lock_free, "IWeftQueue needs lock-free 64-bit atomics");

public:
  // Allocates the ring on the calling thread; the only allocation the queue
  // ever makes. A negative capacity counts as 0. When the ring cannot be
  // allocated the queue is unusable but safe: every push is dropped and
  // every pop finds it empty (Capacity() reports 0).
  explicit IWeftQueue(int capacity) noexcept
  : mBuf(kGranularityBytes)
  {
    const long long slots = (capacity < 0 ? 0LL : static_cast<long long>(capacity)) + 1;
    if (slots <= INT_MAX && mBuf.ResizeOK(static_cast<int>(slots)) && mBuf.GetSize() == static_cast<unsigned int>(slots))
      mSlots = static_cast<uint64_t>(slots);
  }

  IWeftQueue(const IWeftQueue&) = delete;
  IWeftQueue& operator=(const IWeftQueue&) = delete;

  // Producer only. Copies value into the queue; false (nothing stored, the
  // drop counted) when the queue is full.
  bool Push(const T& value) noexcept
  {
    T* slot = ClaimSlot();
    if (!slot)
      return false;
    ::new (static_cast<void*>(slot)) T(value);
    Publish();
    return true;
  }

  // Producer only. Builds the element in its slot from the constructor
  // arguments of T (or its members in order for an aggregate) instead of
  // copying a finished one; false (nothing built, the drop counted) when the
  // queue is full.
  template <class... Args>
  bool PushFromArgs(Args&&... args) noexcept
  {
    T* slot = ClaimSlot();
    if (!slot)
      return false;
    if constexpr (std::is_constructible<T, Args...>::value)
      ::new (static_cast<void*>(slot)) T(std::forward<Args>(args)...);
    else
      ::new (static_cast<void*>(slot)) T{std::forward<Args>(args)...};
    Publish();
    return true;
  }

  // Consumer only. Copies the oldest element into out; false (out untouched)
  // when the queue is empty.
  bool Pop(T& out) noexcept
  {
    // Relaxed: only the consumer ever stores the read index.
    const uint64_t r = mReadIndex.load(std::memory_order_relaxed);
    // Acquire: pairs with the producer's release store, so the slot's bytes
    // written before it are visible here.
    if (r == mWriteIndex.load(std::memory_order_acquire))
      return false;
    out = mBuf.GetFast()[r];
    // Release: the copy-out above completes before the producer may reuse
    // the slot (pairs with the acquire load in ClaimSlot).
    mReadIndex.store(Increment(r), std::memory_order_release);
    return true;
  }

  // Consumer side: elements waiting, 0 to Capacity(). Seen from the producer
  // it may over-count by what the consumer has popped meanwhile.
  int ElementsAvailable() const noexcept
  {
    // Acquire: elements counted here are fully written when popped.
    const uint64_t w = mWriteIndex.load(std::memory_order_acquire);
    // Relaxed: the consumer owns the read index.
    const uint64_t r = mReadIndex.load(std::memory_order_relaxed);
    return static_cast<int>(r <= w ? w - r : mSlots - r + w);
  }

  // Pushes refused because the queue was full, since construction. Any
  // thread may read it; the value may lag the producer slightly.
  uint64_t GetDroppedCount() const noexcept
  {
    // Relaxed: a statistic, it orders no other memory.
    return mDropped.load(std::memory_order_relaxed);
  }

  // Most elements the queue holds at once: the constructor's capacity, or 0
  // when the ring could not be allocated.
  int Capacity() const noexcept { return static_cast<int>(mSlots - 1); }

  // The ring position after index, in 0 to Capacity().
  uint64_t Increment(uint64_t index) const noexcept { return (index + 1) % mSlots; }

private:
  static constexpr int kGranularityBytes = 4096;

  // Producer only. The free slot at the write index, or null (drop counted)
  // when the queue is full.
  T* ClaimSlot() noexcept
  {
    // Relaxed: only the producer ever stores the write index.
    const uint64_t w = mWriteIndex.load(std::memory_order_relaxed);
    // Acquire: pairs with the consumer's release store, so its copy-out of
    // the slot we are about to overwrite has finished.
    if (Increment(w) == mReadIndex.load(std::memory_order_acquire))
    {
      // Relaxed: a statistic, it orders no other memory.
      mDropped.fetch_add(1, std::memory_order_relaxed);
      return nullptr;
    }
    return mBuf.GetFast() + w;
  }

  // Producer only. Hands the slot filled by ClaimSlot to the consumer.
  void Publish() noexcept
  {
    const uint64_t w = mWriteIndex.load(std::memory_order_relaxed);
    // Release: the slot's bytes are written before the consumer can see it.
    mWriteIndex.store(Increment(w), std::memory_order_release);
  }

  LOOM_TypedBuf<T> mBuf;                 // the ring: mSlots elements, fixed after construction
  std::atomic<uint64_t> mWriteIndex{0};  // written by the producer, read by both
  std::atomic<uint64_t> mReadIndex{0};   // written by the consumer, read by both
  std::atomic<uint64_t> mDropped{0};     // written by the producer, read by anyone
  uint64_t mSlots = 1;                   // ring size in elements; 1 means unusable (always full and empty)
};

} // namespace weft
