#include "IByteChunk.h"

#include "IWeftVersion.h"

#include <climits>
#include <cstddef>
#include <cstring>

namespace weft {

int IByteGetter::GetBytes(const uint8_t* pData, int dataSize, void* pBuf, int n, int startPos) noexcept
{
  // 64-bit arithmetic: startPos and n may both come from untrusted data.
  if (startPos < 0 || n < 0 || static_cast<int64_t>(startPos) + n > dataSize)
    return -1;
  if (n > 0)
  {
    if (!pBuf)
      return -1;
    std::memcpy(pBuf, pData + startPos, static_cast<size_t>(n));
  }
  return startPos + n;
}

int IByteGetter::GetStr(const uint8_t* pData, int dataSize, LOOM_String& str, int startPos)
{
  int32_t len = 0;
  const int textPos = GetBytes(pData, dataSize, &len, static_cast<int>(sizeof(len)), startPos);
  // A negative length would move the position backwards, letting a damaged
  // chunk send its reader round in a loop.
  if (textPos < 0 || len < 0)
    return -1;

  const int64_t endPos = static_cast<int64_t>(textPos) + len;
  if (endPos > dataSize)
    return endPos > INT_MAX ? -1 : static_cast<int>(endPos);

  if (len == 0)
    str.Set("");
  else
    str.Set(reinterpret_cast<const char*>(pData + textPos), len);
  return static_cast<int>(endPos);
}

void IByteChunk::InitChunkWithIWeftVer(IByteChunk& chunk)
{
  chunk.Clear();
  const int magic = IWEFT_VERSION_MAGIC;
  const int version = IWEFT_VERSION;
  chunk.Put(&magic);
  chunk.Put(&version);
}

int IByteChunk::GetIWeftVerFromChunk(const IByteChunk& chunk, int& position)
{
  int magic = 0;
  int version = 0;
  int pos = chunk.Get(&magic, position);
  if (pos < 0 || magic != IWEFT_VERSION_MAGIC)
    return 0;
  // A header cut after its magic is not a header.
  pos = chunk.Get(&version, pos);
  if (pos < 0)
    return 0;
  position = pos;
  return version;
}

uint8_t* IByteChunk::GrowTo(int newSize, const uint8_t*& pSrc)
{
  // Growing may move the buffer; a source inside it is found again by offset.
  const uint8_t* own = GetData();
  const bool fromSelf = own && pSrc >= own && pSrc < own + Size();
  const std::ptrdiff_t offset = fromSelf ? pSrc - own : 0;

  uint8_t* p = mBytes.ResizeOK(newSize, false);
  if (p && fromSelf)
    pSrc = p + offset;
  return p;
}

int IByteChunk::PutBytes(const void* pBuf, int n)
{
  const int oldSize = Size();
  if (n < 0 || (n > 0 && !pBuf) || static_cast<int64_t>(oldSize) + n > INT_MAX)
    return -1;
  if (n == 0)
    return oldSize;

  const uint8_t* src = static_cast<const uint8_t*>(pBuf);
  uint8_t* dst = GrowTo(oldSize + n, src);
  if (!dst)
    return -1;
  std::memmove(dst + oldSize, src, static_cast<size_t>(n));
  return oldSize + n;
}

int IByteChunk::PutStr(const char* str)
{
  const size_t textLen = str ? std::strlen(str) : 0;
  const int oldSize = Size();
  if (static_cast<int64_t>(oldSize) + static_cast<int64_t>(sizeof(int32_t)) + static_cast<int64_t>(textLen) > INT_MAX)
    return -1;

  const int32_t len = static_cast<int32_t>(textLen);
  const int newSize = oldSize + static_cast<int>(sizeof(len)) + len;
  // One growth for length and text together, so a failure cannot leave a
  // length behind without its bytes.
  const uint8_t* src = reinterpret_cast<const uint8_t*>(str);
  uint8_t* dst = GrowTo(newSize, src);
  if (!dst)
    return -1;
  std::memcpy(dst + oldSize, &len, sizeof(len));
  if (len > 0)
    std::memmove(dst + oldSize + sizeof(len), src, static_cast<size_t>(len));
  return newSize;
}

int IByteChunk::PutChunk(const IByteChunk& other)
{
  return PutBytes(other.GetData(), other.Size());
}

int IByteChunk::Resize(int n)
{
  const int oldSize = Size();
  if (n < 0)
    return oldSize;
  uint8_t* p = mBytes.ResizeOK(n, false);
  if (p && n > oldSize)
    std::memset(p + oldSize, 0, static_cast<size_t>(n - oldSize));
  return oldSize;
}

} // namespace weft
