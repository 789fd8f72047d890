#pragma once
// Growable raw byte buffer and a typed array over it.
//
// Growth rule: a buffer grows by at least half its size or by its
// granularity, so appends are amortised constant. With a granularity of 4096
// or more, allocations are kept 96 bytes below a multiple of 4096. Nothing
// shrinks unless the caller passes resizeDown. An allocation failure never
// loses data: the old contents and size stay and the failure is reported
// (null from Get after a failed Resize, from ResizeOK, Add and Insert).
//
// Not thread-safe: one thread at a time, or under the owner's lock.

#include "LOOM_Assert.h"

#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

class LOOM_HeapBuf
{
public:
  explicit LOOM_HeapBuf(int granularity = 4096) noexcept : mGranularity(granularity) {}
  ~LOOM_HeapBuf() { std::free(mData); }

  LOOM_HeapBuf(const LOOM_HeapBuf&) = delete;
  // Takes other's memory; other is left empty (same granularity).
  LOOM_HeapBuf(LOOM_HeapBuf&& other) noexcept
  : mData(other.mData)
  , mAllocated(other.mAllocated)
  , mSize(other.mSize)
  , mGranularity(other.mGranularity)
  {
    other.mData = nullptr;
    other.mAllocated = 0;
    other.mSize = 0;
  }
  LOOM_HeapBuf& operator=(const LOOM_HeapBuf& other)
  {
    CopyFrom(&other, false);
    return *this;
  }

  // Null whenever the size is 0, even when memory is allocated.
  void* Get() const noexcept { return mSize ? mData : nullptr; }
  void* GetFast() const noexcept { return mData; }
  int GetSize() const noexcept { return mSize; }
  int GetAllocated() const noexcept { return mAllocated; }
  int GetGranularity() const noexcept { return mGranularity; }

  // Sets the logical size to newSize bytes (negative counts as 0), growing
  // the allocation when needed. Returns Get() afterwards; on an allocation
  // failure the buffer is as it was.
  void* Resize(int newSize, bool resizeDown = true)
  {
    if (newSize < 0)
      newSize = 0;

    if (newSize == mSize)
    {
      if (!resizeDown || newSize >= mAllocated / 2)
        return Get();
    }

    int shrinkThreshold = 0;
    if (resizeDown && newSize < mSize)
    {
      shrinkThreshold = mAllocated - 4 * mGranularity;
      if (shrinkThreshold > mAllocated / 2)
        shrinkThreshold = mAllocated / 2;
      if (shrinkThreshold < 1)
        shrinkThreshold = 1;
    }

    if (newSize > mAllocated || newSize < shrinkThreshold)
    {
      const long long wanted = AllocationFor(newSize);
      if (wanted > 0x7FFFFFFFLL)
        return Get(); // more than an int32 byte count can address
      const int newAlloc = static_cast<int>(wanted);
      if (newAlloc != mAllocated)
      {
        if (newAlloc == 0)
        {
          std::free(mData);
          mData = nullptr;
          mAllocated = 0;
          mSize = 0;
          return nullptr;
        }
        void* p = std::realloc(mData, static_cast<size_t>(newAlloc));
        if (!p)
        {
          p = std::malloc(static_cast<size_t>(newAlloc));
          if (!p)
            return Get();
          if (mData)
          {
            std::memcpy(p, mData, static_cast<size_t>(newSize < mSize ? newSize : mSize));
            std::free(mData);
          }
        }
        mData = p;
        mAllocated = newAlloc;
      }
    }
    mSize = newSize;
    return Get();
  }

  // Resize, then the data only when the size now equals the request.
  void* ResizeOK(int newSize, bool resizeDown = true)
  {
    void* p = Resize(newSize, resizeDown);
    return GetSize() == (newSize < 0 ? 0 : newSize) ? p : nullptr;
  }

  // Grows the allocation to hold bytes without changing the size.
  void Prealloc(int bytes)
  {
    LOOM_ASSERT_MSG(mSize < bytes, "0 && (m_size < sz)");
    if (bytes > mAllocated)
    {
      const int oldSize = mSize;
      Resize(bytes, false);
      mSize = oldSize;
    }
  }

  // exact: take the other's granularity and exactly its allocation size.
  // Otherwise: resize to the other's size and copy (emptied on failure).
  void CopyFrom(const LOOM_HeapBuf* other, bool exact = true)
  {
    if (other == this)
      return;
    if (exact)
    {
      std::free(mData);
      mData = nullptr;
      mAllocated = 0;
      mSize = 0;
      mGranularity = other->mGranularity;
      if (other->mData && other->mAllocated > 0)
      {
        if (void* p = std::malloc(static_cast<size_t>(other->mAllocated)))
        {
          mData = p;
          mAllocated = other->mAllocated;
          mSize = other->mSize;
          std::memcpy(mData, other->mData, static_cast<size_t>(mSize));
        }
      }
    }
    else
    {
      const int n = other->mSize;
      Resize(n, true);
      if (mSize != n)
      {
        Resize(0, true);
        return;
      }
      if (n)
        std::memcpy(mData, other->mData, static_cast<size_t>(n));
    }
  }

private:
  long long AllocationFor(int n) const noexcept
  {
    if (n <= 0)
      return 0;
    long long g = n / 2;
    if (g < mGranularity)
      g = mGranularity;
    if (mGranularity < 4096)
      return n + g;
    g &= ~4095LL;
    if (g < 4096)
      g = 4096;
    if (g > 4 * 1024 * 1024)
      g = 4 * 1024 * 1024;
    return ((n + g + 96) & ~4095LL) - 96;
  }

  void* mData = nullptr;
  int mAllocated = 0;
  int mSize = 0;
  int mGranularity;
};

// Typed array over LOOM_HeapBuf. Elements are raw bytes: no constructor or
// destructor of T ever runs, so T must be a plain record.
template <class T>
class LOOM_TypedBuf
{
  static_assert(std::is_trivially_copyable<T>::value, "LOOM_TypedBuf holds plain records only");

public:
  explicit LOOM_TypedBuf(int granularity = 4096) noexcept : mHB(granularity) {}

  LOOM_TypedBuf(const LOOM_TypedBuf&) = delete;
  // Takes other's memory; other is left empty.
  LOOM_TypedBuf(LOOM_TypedBuf&& other) noexcept : mHB(std::move(other.mHB)) {}
  LOOM_TypedBuf& operator=(const LOOM_TypedBuf& other)
  {
    mHB = other.mHB;
    return *this;
  }

  T* Get() const noexcept { return static_cast<T*>(mHB.Get()); }
  T* GetFast() const noexcept { return static_cast<T*>(mHB.GetFast()); }
  unsigned int GetSize() const noexcept { return static_cast<unsigned int>(mHB.GetSize()) / sizeof(T); }

  T* Resize(int count, bool resizeDown = true) { return static_cast<T*>(mHB.Resize(ByteCount(count), resizeDown)); }
  T* ResizeOK(int count, bool resizeDown = true) { return static_cast<T*>(mHB.ResizeOK(ByteCount(count), resizeDown)); }
  void Prealloc(int count) { mHB.Prealloc(ByteCount(count)); }

  // Appends value; null (nothing changed) when the allocation failed.
  T* Add(const T& value)
  {
    const T copy = value; // value may live in this array, which may move
    const int n = static_cast<int>(GetSize());
    T* p = ResizeOK(n + 1, false);
    if (!p)
      return nullptr;
    p[n] = copy;
    return p + n;
  }

  // Inserts value at index 0..size; null for other indices or on failure.
  T* Insert(const T& value, int index)
  {
    const int n = static_cast<int>(GetSize());
    if (index < 0 || index > n)
      return nullptr;
    const T copy = value; // value may live in this array, which moves below
    T* p = ResizeOK(n + 1, false);
    if (!p)
      return nullptr;
    std::memmove(p + index + 1, p + index, static_cast<size_t>(n - index) * sizeof(T));
    p[index] = copy;
    return p + index;
  }

  // Removes the element at index without releasing memory.
  void Delete(int index)
  {
    const int n = static_cast<int>(GetSize());
    if (index < 0 || index >= n)
      return;
    T* p = Get();
    std::memmove(p + index, p + index + 1, static_cast<size_t>(n - index - 1) * sizeof(T));
    Resize(n - 1, false);
  }

  int Find(const T& value) const
  {
    const int n = static_cast<int>(GetSize());
    const T* p = Get();
    for (int i = 0; i < n; ++i)
    {
      if (p[i] == value)
        return i;
    }
    return -1;
  }

private:
  // Counts whose byte size would overflow int32 saturate, so the resize
  // fails instead of wrapping to a small size.
  static int ByteCount(int count) noexcept
  {
    if (count <= 0)
      return 0;
    const long long bytes = static_cast<long long>(count) * static_cast<long long>(sizeof(T));
    return bytes > 0x7FFFFFFFLL ? 0x7FFFFFFF : static_cast<int>(bytes);
  }

  LOOM_HeapBuf mHB;
};
