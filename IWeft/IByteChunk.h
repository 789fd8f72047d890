#pragma once
// Flat byte buffers for saved state, presets, editor state and sender records.
//
// Values are stored as their raw bytes in host order (little-endian on every
// target), untagged and unpadded: int32, uint32 and float32 take 4 bytes,
// double 8, bool 1. A string is an int32 byte count n followed by the n bytes,
// without a terminating NUL.
//
// Every read takes a start position and returns the position after what it
// read, or -1. A read handed -1 fails again, so a sequence of reads can be
// checked once at its end. A failed read leaves its destination untouched.
// Sizes and positions are int32 byte counts; the data a reader is given may
// come from a file or a host, so every length in it is treated as hostile.
//
// Not thread-safe: a chunk or stream belongs to the thread that builds or
// reads it.

#include "LOOM_HeapBuf.h"
#include "LOOM_String.h"

#include <cstdint>
#include <type_traits>

namespace weft {

// The bounded read shared by IByteChunk and IByteStream.
class IByteGetter
{
public:
  // Copies n bytes at startPos of data[0..dataSize) into pBuf. Returns
  // startPos + n, or -1 (pBuf untouched) when startPos or n is negative, the
  // read runs past dataSize, or pBuf is null for n > 0.
  static int GetBytes(const uint8_t* pData, int dataSize, void* pBuf, int n, int startPos) noexcept;

  // Reads an int32 length n at startPos, then n text bytes. Returns the
  // position after the text:
  // - within the data: the text is set (empty for n == 0);
  // - past the data: the text is left alone and the position beyond the end
  //   is returned, so the next read fails; -1 when that position would not
  //   fit an int32;
  // - -1 when the length cannot be read or is negative (text left alone).
  static int GetStr(const uint8_t* pData, int dataSize, LOOM_String& str, int startPos);

  // Typed read of a plain record. A bool is read as one byte, any non-zero
  // byte being true, so hostile bytes never make an invalid bool.
  template <class T>
  static int Get(const uint8_t* pData, int dataSize, T* pVal, int startPos) noexcept
  {
    static_assert(std::is_trivially_copyable<T>::value, "only plain records are read as raw bytes");
    if constexpr (std::is_same<T, bool>::value)
    {
      uint8_t byte = 0;
      const int pos = GetBytes(pData, dataSize, &byte, 1, startPos);
      if (pos >= 0)
        *pVal = byte != 0;
      return pos;
    }
    else
    {
      return GetBytes(pData, dataSize, pVal, static_cast<int>(sizeof(T)), startPos);
    }
  }
};

// Growable, owning byte buffer written by appending and read by position.
class IByteChunk
{
public:
  IByteChunk() noexcept = default;
  // Copies the other's bytes; ends empty when they cannot be allocated.
  IByteChunk(const IByteChunk& other) { mBytes = other.mBytes; }
  IByteChunk& operator=(const IByteChunk&) = default;

  // Clears chunk and writes the framework version header: the int32 magic
  // IWEFT_VERSION_MAGIC, then the int32 IWEFT_VERSION.
  static void InitChunkWithIWeftVer(IByteChunk& chunk);

  // Reads the framework version header at position. When it is there, whole,
  // position moves past its 8 bytes and the version is returned; otherwise
  // the result is 0 and position is unchanged.
  static int GetIWeftVerFromChunk(const IByteChunk& chunk, int& position);

  // Appends n bytes from pBuf; pBuf may point into this chunk. Returns the new
  // size, or -1 with the chunk unchanged when n is negative, pBuf is null for
  // n > 0, the size would pass INT32_MAX or the buffer cannot grow.
  int PutBytes(const void* pBuf, int n);

  // Appends the sizeof(T) raw bytes of *pVal; result as PutBytes.
  template <class T>
  int Put(const T* pVal)
  {
    static_assert(std::is_trivially_copyable<T>::value, "only plain records are written as raw bytes");
    return PutBytes(pVal, static_cast<int>(sizeof(T)));
  }

  // Appends the int32 strlen of str and then its bytes, both or neither; a
  // null str is written as the empty string. Result as PutBytes.
  int PutStr(const char* str);

  // Appends all bytes of other (which may be this chunk); result as PutBytes.
  int PutChunk(const IByteChunk& other);

  int GetBytes(void* pBuf, int n, int startPos) const noexcept
  {
    return IByteGetter::GetBytes(GetData(), Size(), pBuf, n, startPos);
  }

  template <class T>
  int Get(T* pVal, int startPos) const noexcept
  {
    return IByteGetter::Get(GetData(), Size(), pVal, startPos);
  }

  int GetStr(LOOM_String& str, int startPos) const { return IByteGetter::GetStr(GetData(), Size(), str, startPos); }

  // Sets the size to n bytes; bytes added by growing are zero. Returns the
  // size before. A negative n, or growth that cannot be allocated, leaves the
  // chunk unchanged (Size() then differs from n).
  int Resize(int n);

  // Size 0; the allocation is kept for refilling.
  void Clear() { mBytes.Resize(0, false); }

  int Size() const noexcept { return static_cast<int>(mBytes.GetSize()); }

  // The first byte, or null while the chunk is empty.
  uint8_t* GetData() noexcept { return mBytes.Get(); }
  const uint8_t* GetData() const noexcept { return mBytes.Get(); }

private:
  // Resizes to newSize bytes (no shrinking of the allocation); when pSrc
  // pointed into the old bytes it is moved to the same offset in the new
  // ones. Null when the buffer cannot grow (nothing changed).
  uint8_t* GrowTo(int newSize, const uint8_t*& pSrc);

  static constexpr int kGranularity = 4096;

  LOOM_TypedBuf<uint8_t> mBytes{kGranularity};
};

// Read-only view of bytes the program does not own; they must outlive it.
class IByteStream
{
public:
  // A null pData or a negative size gives an empty stream.
  IByteStream(const void* pData, int size) noexcept
    : mData(size > 0 ? static_cast<const uint8_t*>(pData) : nullptr)
    , mSize(pData && size > 0 ? size : 0)
  {
  }

  int GetBytes(void* pBuf, int n, int startPos) const noexcept
  {
    return IByteGetter::GetBytes(mData, mSize, pBuf, n, startPos);
  }

  template <class T>
  int Get(T* pVal, int startPos) const noexcept
  {
    return IByteGetter::Get(mData, mSize, pVal, startPos);
  }

  int Size() const noexcept { return mSize; }
  const uint8_t* GetData() const noexcept { return mData; }

private:
  const uint8_t* mData;
  int mSize;
};

} // namespace weft
