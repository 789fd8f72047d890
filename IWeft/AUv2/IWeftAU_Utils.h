#pragma once
// Small helpers of the Audio Unit binding: scoped CoreFoundation strings, a
// fixed-capacity list that the render thread may walk while the main thread
// appends to it, and the processor's direction of a scope.

#include "IWeftIOConfig.h"

#include <AudioToolbox/AUComponent.h>
#include <CoreFoundation/CoreFoundation.h>

#include <array>
#include <atomic>
#include <memory>

namespace weft {

// A CoreFoundation string made from null-terminated UTF-8, released at scope
// end. Get is null when cStr is null or not valid UTF-8. Main thread (it
// allocates).
class CFStrLocal
{
public:
  explicit CFStrLocal(const char* cStr)
  : mCFStr(cStr ? CFStringCreateWithCString(kCFAllocatorDefault, cStr, kCFStringEncodingUTF8) : nullptr)
  {}
  ~CFStrLocal()
  {
    if (mCFStr)
      CFRelease(mCFStr);
  }
  CFStrLocal(const CFStrLocal&) = delete;
  CFStrLocal& operator=(const CFStrLocal&) = delete;

  CFStringRef Get() const noexcept { return mCFStr; }

private:
  CFStringRef mCFStr;
};

// A UTF-8 copy of a CoreFoundation string, freed at scope end. The buffer
// holds 3 bytes per UTF-16 unit plus the terminator, so every string fits
// whole. Get is "" for a null string, a non-string or a failed conversion
// (then Converted is false). Main thread (it allocates).
class CStrLocal
{
public:
  explicit CStrLocal(CFStringRef cfStr)
  {
    if (!cfStr || CFGetTypeID(cfStr) != CFStringGetTypeID())
      return;
    const CFIndex maxBytes = CFStringGetMaximumSizeForEncoding(CFStringGetLength(cfStr), kCFStringEncodingUTF8);
    if (maxBytes < 0)
      return;
    const CFIndex bufSize = maxBytes + 1;
    mBuf.reset(new char[static_cast<size_t>(bufSize)]);
    mBuf[0] = '\0';
    mConverted = CFStringGetCString(cfStr, mBuf.get(), bufSize, kCFStringEncodingUTF8);
    if (!mConverted)
      mBuf[0] = '\0';
  }
  CStrLocal(const CStrLocal&) = delete;
  CStrLocal& operator=(const CStrLocal&) = delete;

  const char* Get() const noexcept { return mBuf ? mBuf.get() : ""; }
  bool Converted() const noexcept { return mConverted; }

private:
  std::unique_ptr<char[]> mBuf;
  bool mConverted = false;
};

// A list of plain records with a fixed capacity. The main thread appends and
// removes; another thread may walk [0, Size()) at any time. Storage never
// moves, and an appended record is complete before Size() counts it.
// Removal shifts the later records down: the host must not remove while it
// renders (a concurrent walk may then see a record twice or skip one).
template <class T, int kCapacity>
class IWeftAUFixedList
{
public:
  static constexpr int Capacity() noexcept { return kCapacity; }

  // Any thread.
  int Size() const noexcept { return mCount.load(std::memory_order_acquire); }
  // idx in [0, Size()).
  const T& Get(int idx) const noexcept { return mItems[static_cast<size_t>(idx)]; }

  // Main thread. False, and nothing stored, when the list is full.
  bool Add(const T& item) noexcept
  {
    const int n = mCount.load(std::memory_order_relaxed);
    if (n >= kCapacity)
      return false;
    mItems[static_cast<size_t>(n)] = item;
    mCount.store(n + 1, std::memory_order_release);
    return true;
  }

  // Main thread. An index outside [0, Size()) is ignored.
  void RemoveAt(int idx) noexcept
  {
    const int n = mCount.load(std::memory_order_relaxed);
    if (idx < 0 || idx >= n)
      return;
    for (int i = idx; i < n - 1; ++i)
      mItems[static_cast<size_t>(i)] = mItems[static_cast<size_t>(i + 1)];
    mCount.store(n - 1, std::memory_order_release);
  }

  // Main thread.
  void Clear() noexcept { mCount.store(0, std::memory_order_release); }

private:
  std::array<T, kCapacity> mItems{};
  std::atomic<int> mCount{0};
};

// The processor's direction of an input or output scope; false, and
// direction untouched, for any other scope.
inline bool ScopeToRoute(AudioUnitScope scope, ERoute& direction) noexcept
{
  if (scope == kAudioUnitScope_Input)
    direction = kInput;
  else if (scope == kAudioUnitScope_Output)
    direction = kOutput;
  else
    return false;
  return true;
}

} // namespace weft
