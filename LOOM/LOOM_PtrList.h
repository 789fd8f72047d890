#pragma once
// Ordered list of pointers. The list never owns its items by itself: its
// destructor frees only the pointer array. Items are deleted only by Delete,
// DeletePtr or Empty with the delete flag set, last to first for Empty.

#include "LOOM_Assert.h"
#include "LOOM_HeapBuf.h"

template <class T>
class LOOM_PtrList
{
public:
  explicit LOOM_PtrList(int granularity = 4096, int preallocCount = 0) : mHB(granularity)
  {
    if (preallocCount >= 1)
      mHB.Prealloc(preallocCount);
  }

  LOOM_PtrList(const LOOM_PtrList&) = delete;
  LOOM_PtrList& operator=(const LOOM_PtrList&) = delete;

  T** GetList() const noexcept { return mHB.Get(); }
  int GetSize() const noexcept { return static_cast<int>(mHB.GetSize()); }

  // Null when empty or when index is outside 0..size-1.
  T* Get(int index) const noexcept
  {
    T** list = GetList();
    if (list && static_cast<unsigned int>(index) < static_cast<unsigned int>(GetSize()))
      return list[index];
    return nullptr;
  }

  // Appends; returns item, or null when the allocation failed.
  T* Add(T* item)
  {
    T** p = mHB.Add(item);
    return p ? item : nullptr;
  }

  // index is clamped to 0..size. Returns item (also when the allocation failed).
  T* Insert(int index, T* item)
  {
    const int s = GetSize();
    LOOM_ASSERT_MSG(!(s < 0), "0 && !((s) < (0))");
    if (index < 0)
      index = 0;
    else if (index > s)
      index = s;
    mHB.Insert(item, index);
    return item;
  }

  int Find(const T* item) const noexcept
  {
    if (!item)
      return -1;
    T** list = GetList();
    const int n = GetSize();
    for (int i = 0; i < n; ++i)
    {
      if (list[i] == item)
        return i;
    }
    return -1;
  }

  int FindR(const T* item) const noexcept
  {
    if (!item)
      return -1;
    T** list = GetList();
    for (int i = GetSize() - 1; i >= 0; --i)
    {
      if (list[i] == item)
        return i;
    }
    return -1;
  }

  // Removes the slot at index; with wantDelete the item is deleted first,
  // through deleteFunc when given (called even for a null item).
  void Delete(int index, bool wantDelete = false, void (*deleteFunc)(void*) = nullptr)
  {
    T** list = GetList();
    const int size = GetSize();
    if (!list || index < 0 || index >= size)
      return;
    if (wantDelete)
    {
      T* item = list[index];
      if (deleteFunc)
        deleteFunc(const_cast<void*>(static_cast<const void*>(item)));
      else
        delete item;
      LOOM_ASSERT_MSG(size == GetSize(), "size == GetSize()");
    }
    mHB.Delete(index);
  }

  void DeletePtr(const T* item, bool wantDelete = false, void (*deleteFunc)(void*) = nullptr)
  {
    Delete(Find(item), wantDelete, deleteFunc);
  }

  // With wantDelete, deletes every item from the last to the first; always
  // ends with size 0 keeping the allocation.
  void Empty(bool wantDelete = false, void (*deleteFunc)(void*) = nullptr)
  {
    if (wantDelete)
    {
      for (int x = GetSize() - 1; x >= 0; --x)
      {
        T* item = GetList()[x];
        if (item)
        {
          if (deleteFunc)
            deleteFunc(const_cast<void*>(static_cast<const void*>(item)));
          else
            delete item;
        }
        LOOM_ASSERT_MSG(x == GetSize() - 1, "x == GetSize()-1");
        mHB.Resize(x, false);
      }
    }
    mHB.Resize(0, false);
  }

  // Binary search of a list kept sorted by compare(key, item) (negative,
  // zero or positive). Returns the matching index with *match set, or the
  // insertion point with *match cleared.
  template <class Key, class Compare>
  int LowerBound(const Key* key, bool* match, Compare compare) const
  {
    int low = 0;
    int high = GetSize();
    T** list = GetList();
    while (low != high)
    {
      const int mid = (low + high) / 2;
      const int c = compare(key, list[mid]);
      if (c > 0)
        low = mid + 1;
      else if (c < 0)
        high = mid;
      else
      {
        if (match)
          *match = true;
        return mid;
      }
    }
    if (match)
      *match = false;
    return low;
  }

  template <class Compare>
  T* InsertSorted(T* item, Compare compare)
  {
    bool match = false;
    return Insert(LowerBound(item, &match, compare), item);
  }

private:
  LOOM_TypedBuf<T*> mHB;
};
