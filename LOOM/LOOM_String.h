#pragma once
// Growable NUL-terminated 8-bit text (UTF-8 is treated as bytes).
//
// LOOM_String keeps the text and its NUL in a LOOM_HeapBuf of granularity
// 128 and measures its length up to the first NUL. LOOM_FastString keeps its
// length in the buffer size instead (size - 1) and never measures it.
//
// Lengths, positions and counts are bytes. Wherever a maximum length is
// taken, 0 or less means the whole text. Text arguments may point into the
// string itself (Set, Append and Insert re-point them when the buffer moves),
// except the arguments of SetFormatted and AppendFormatted.
//
// Shortening never gives memory back unless resizeDown is asked for, so
// formatting repeatedly into the same string does not allocate. Allocation
// failures leave the string unchanged.
//
// Not thread-safe: one thread at a time.

#include "LOOM_HeapBuf.h"

class LOOM_String
{
public:
  explicit LOOM_String(const char* text = nullptr, int maxLen = 0);
  LOOM_String(const LOOM_String& other);
  LOOM_String& operator=(const LOOM_String& other);

  // Never null. A string that was never set returns a process-wide static
  // byte holding a NUL (writable) or a constant "" (read-only).
  char* Get();
  const char* Get() const;

  int GetLength() const noexcept;

  // A null text empties the string.
  void Set(const char* text, int maxLen = 0);
  void Set(const LOOM_String* other, int maxLen = 0);
  // A null or empty text changes nothing, except that a never-set string
  // becomes "".
  void Append(const char* text, int maxLen = 0);
  // position is clamped to 0..length. A null or empty text changes nothing.
  void Insert(const char* text, int position, int maxLen = 0);
  // Removes up to count bytes at position (0..length-1); otherwise nothing.
  void DeleteSub(int position, int count);
  // Sets the length (negative counts as 0) and writes its NUL; bytes added by
  // growing are left as they are. False when the allocation failed.
  bool SetLen(int length, bool resizeDown = false);

  // printf-style formatting, keeping at most maxLen characters of the result.
  // The arguments must not point into this string.
  void SetFormatted(int maxLen, const char* format, ...) __attribute__((format(printf, 3, 4)));
  void AppendFormatted(int maxLen, const char* format, ...) __attribute__((format(printf, 3, 4)));

  // The last "." of the final path component ("/" or "\" ends the backward
  // scan), or the terminating NUL when it has none.
  const char* get_fileext() const;
  // Cuts the text at that "."; false when the final path component has none.
  bool remove_fileext();

private:
  LOOM_HeapBuf mHB{128};
};

class LOOM_FastString
{
public:
  explicit LOOM_FastString(const char* text = nullptr, int maxLen = 0);
  LOOM_FastString(const LOOM_FastString& other);
  LOOM_FastString& operator=(const LOOM_FastString& other);

  // Never null: "" when nothing was ever set.
  const char* Get() const;
  // size - 1: bytes up to the buffer's final NUL, embedded NULs included.
  int GetLength() const noexcept;

  void Set(const char* text, int maxLen = 0);
  void Append(const char* text, int maxLen = 0);
  // Like LOOM_String::SetLen, but bytes between the old and the new length are
  // set to fillChar when growing.
  bool SetLen(int length, bool resizeDown = false, char fillChar = ' ');

private:
  LOOM_HeapBuf mHB{128};
};
