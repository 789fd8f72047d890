#include "LOOM_String.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace
{
const char kEmptyText[] = "";
// Handed out by the writable Get of a never-set string; reset to NUL each time.
char sEmptyWritable[1];

// Bytes of text before its NUL, at most maxLen when maxLen is positive; never
// reads past either limit.
int CountChars(const char* text, int maxLen) noexcept
{
  const size_t n = maxLen > 0 ? strnlen(text, static_cast<size_t>(maxLen)) : std::strlen(text);
  return n > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n);
}

// The editing core behind Set, Append and Insert: the t bytes at offset move
// up by n, the n bytes of src land at offset and a NUL follows at
// offset + n + t. src may point into the buffer itself. With offset, n and t
// all 0 the buffer becomes a lone NUL. Nothing changes for n below 1, a bad
// offset or a failed allocation.
void EditText(LOOM_HeapBuf& hb, int offset, const char* src, int n, int t)
{
  if (offset == 0 && n == 0 && t == 0)
  {
    if (char* p = static_cast<char*>(hb.ResizeOK(1, false)))
      p[0] = '\0';
    return;
  }

  const int oldSize = hb.GetSize();
  if (n < 1 || offset < 0 || t < 0 || static_cast<long long>(offset) + t > oldSize)
    return;
  const long long wanted = static_cast<long long>(offset) + n + t + 1;
  if (wanted > INT_MAX)
    return;
  const int newSize = static_cast<int>(wanted);

  char* buf = static_cast<char*>(hb.GetFast());
  const std::uintptr_t srcAddr = reinterpret_cast<std::uintptr_t>(src);
  const std::uintptr_t bufAddr = reinterpret_cast<std::uintptr_t>(buf);
  const bool srcInside = buf && srcAddr >= bufAddr && srcAddr < bufAddr + static_cast<std::uintptr_t>(oldSize);
  const std::uintptr_t srcIndex = srcAddr - bufAddr;

  if (newSize > oldSize)
  {
    if (!hb.ResizeOK(newSize, false))
      return;
    buf = static_cast<char*>(hb.GetFast());
    if (srcInside)
      src = buf + srcIndex;
  }

  // Place the source after the t bytes, then rotate it in front of them: one
  // memmove reads the whole source before anything else is overwritten, so
  // any overlap with the buffer is safe.
  std::memmove(buf + offset + t, src, static_cast<size_t>(n));
  std::rotate(buf + offset, buf + offset + t, buf + offset + t + n);
  buf[offset + n + t] = '\0';

  if (newSize < oldSize)
    hb.Resize(newSize, false);
}

// Set: the text (null reads as "") replaces the buffer's.
void SetText(LOOM_HeapBuf& hb, const char* text, int maxLen)
{
  if (!text)
    text = kEmptyText;
  EditText(hb, 0, text, CountChars(text, maxLen), 0);
}

// Append after the length bytes of text the buffer holds; an empty (or null)
// text only makes sure a never-set buffer holds its NUL.
void AppendText(LOOM_HeapBuf& hb, int length, const char* text, int maxLen)
{
  if (!text || !*text)
  {
    if (hb.GetSize() == 0)
      EditText(hb, 0, kEmptyText, 0, 0);
    return;
  }
  EditText(hb, length, text, CountChars(text, maxLen), 0);
}

// Sets the length in bytes (negative counts as 0) and writes its NUL; returns
// the buffer, or null when the allocation failed.
char* SetTextLength(LOOM_HeapBuf& hb, int length, bool resizeDown)
{
  if (length < 0)
    length = 0;
  if (length == INT_MAX)
    return nullptr;
  char* p = static_cast<char*>(hb.ResizeOK(length + 1, resizeDown));
  if (p)
    p[length] = '\0';
  return p;
}

// Formats at byte start, keeping at most maxLen characters (0 or less: the
// whole result). Nothing changes when the buffer cannot grow.
void FormatAt(LOOM_HeapBuf& hb, int start, int maxLen, const char* format, va_list args)
{
  if (!format)
    return;

  int m = maxLen;
  if (m <= 0)
  {
    va_list measure;
    va_copy(measure, args);
    m = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (m < 0)
      return;
  }
  if (m > INT_MAX - 1 - start)
    return;

  char* p = static_cast<char*>(hb.ResizeOK(start + m + 1, false));
  if (!p)
    return;
  int written = std::vsnprintf(p + start, static_cast<size_t>(m) + 1, format, args);
  if (written < 0)
    written = 0;
  else if (written > m)
    written = m;
  p[start + written] = '\0';
  hb.Resize(start + written + 1, false);
}
} // namespace

// ---- LOOM_String ----

LOOM_String::LOOM_String(const char* text, int maxLen)
{
  if (text)
    Set(text, maxLen);
}

LOOM_String::LOOM_String(const LOOM_String& other)
{
  Set(other.Get());
}

LOOM_String& LOOM_String::operator=(const LOOM_String& other)
{
  mHB = other.mHB;
  return *this;
}

char* LOOM_String::Get()
{
  if (mHB.GetSize() > 0)
    return static_cast<char*>(mHB.Get());
  sEmptyWritable[0] = '\0';
  return sEmptyWritable;
}

const char* LOOM_String::Get() const
{
  return mHB.GetSize() > 0 ? static_cast<const char*>(mHB.Get()) : kEmptyText;
}

int LOOM_String::GetLength() const noexcept
{
  const int size = mHB.GetSize();
  return size > 0 ? static_cast<int>(strnlen(static_cast<const char*>(mHB.Get()), static_cast<size_t>(size))) : 0;
}

void LOOM_String::Set(const char* text, int maxLen)
{
  SetText(mHB, text, maxLen);
}

void LOOM_String::Set(const LOOM_String* other, int maxLen)
{
  Set(other ? other->Get() : nullptr, maxLen);
}

void LOOM_String::Append(const char* text, int maxLen)
{
  AppendText(mHB, GetLength(), text, maxLen);
}

void LOOM_String::Insert(const char* text, int position, int maxLen)
{
  if (!text || !*text)
    return;
  const int length = GetLength();
  position = std::clamp(position, 0, length);
  EditText(mHB, position, text, CountChars(text, maxLen), length - position);
}

void LOOM_String::DeleteSub(int position, int count)
{
  const int size = mHB.GetSize();
  const int lastChar = size - 1; // index of the buffer's final NUL
  if (lastChar < 1 || position < 0 || position >= lastChar)
    return;
  count = std::min(count, lastChar - position);
  if (count < 1)
    return;
  char* p = static_cast<char*>(mHB.Get());
  std::memmove(p + position, p + position + count, static_cast<size_t>(size - position - count));
  mHB.Resize(size - count, false);
}

bool LOOM_String::SetLen(int length, bool resizeDown)
{
  return SetTextLength(mHB, length, resizeDown) != nullptr;
}

void LOOM_String::SetFormatted(int maxLen, const char* format, ...)
{
  va_list args;
  va_start(args, format);
  FormatAt(mHB, 0, maxLen, format, args);
  va_end(args);
}

void LOOM_String::AppendFormatted(int maxLen, const char* format, ...)
{
  va_list args;
  va_start(args, format);
  FormatAt(mHB, GetLength(), maxLen, format, args);
  va_end(args);
}

const char* LOOM_String::get_fileext() const
{
  const char* text = Get();
  const int length = GetLength();
  for (int i = length - 1; i >= 0; --i)
  {
    const char c = text[i];
    if (c == '.')
      return text + i;
    if (c == '/' || c == '\\')
      break;
  }
  return text + length;
}

bool LOOM_String::remove_fileext()
{
  const char* ext = get_fileext();
  if (*ext != '.')
    return false;
  return SetLen(static_cast<int>(ext - Get()), false);
}

// ---- LOOM_FastString ----

LOOM_FastString::LOOM_FastString(const char* text, int maxLen)
{
  if (text)
    Set(text, maxLen);
}

LOOM_FastString::LOOM_FastString(const LOOM_FastString& other)
{
  mHB = other.mHB;
}

LOOM_FastString& LOOM_FastString::operator=(const LOOM_FastString& other)
{
  mHB = other.mHB;
  return *this;
}

const char* LOOM_FastString::Get() const
{
  return mHB.GetSize() > 0 ? static_cast<const char*>(mHB.Get()) : kEmptyText;
}

int LOOM_FastString::GetLength() const noexcept
{
  const int size = mHB.GetSize();
  return size > 0 ? size - 1 : 0;
}

void LOOM_FastString::Set(const char* text, int maxLen)
{
  SetText(mHB, text, maxLen);
}

void LOOM_FastString::Append(const char* text, int maxLen)
{
  AppendText(mHB, GetLength(), text, maxLen);
}

bool LOOM_FastString::SetLen(int length, bool resizeDown, char fillChar)
{
  const int oldLength = GetLength();
  char* p = SetTextLength(mHB, length, resizeDown);
  if (!p)
    return false;
  if (length > oldLength)
    std::memset(p + oldLength, fillChar, static_cast<size_t>(length - oldLength));
  return true;
}
