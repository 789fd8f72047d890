#include "LOOM_UTF8.h"

namespace
{
bool IsContinuation(unsigned char c) noexcept { return (c & 0xC0) == 0x80; }
} // namespace

int loom_utf8_makechar(int code, char* dest, int room) noexcept
{
  if (code < 0 || code >= 0x200000)
    return -1;

  const int len = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
  if (!dest || room < len)
    return 0;

  static const unsigned char kLeadMark[5] = {0, 0x00, 0xC0, 0xE0, 0xF0};
  unsigned int c = static_cast<unsigned int>(code);
  for (int i = len - 1; i > 0; --i)
  {
    dest[i] = static_cast<char>(0x80 | (c & 0x3F));
    c >>= 6;
  }
  dest[0] = static_cast<char>(kLeadMark[len] | c);
  return len;
}

int LOOM_MakeUTFChar(char* dest, int code, int destSize) noexcept
{
  if (!dest || destSize < 1)
    return 0;
  if (destSize == 1)
  {
    dest[0] = '\0';
    return 0;
  }
  if (code <= 0)
  {
    dest[0] = '\0';
    dest[1] = '\0';
    return 1;
  }

  int len = loom_utf8_makechar(code, dest, destSize - 1);
  if (len < 1)
  {
    dest[0] = '_';
    len = 1;
  }
  dest[len] = '\0';
  return len;
}

int loom_utf8_parsechar(const char* text, int* codeOut) noexcept
{
  int dummy;
  int& code = codeOut ? *codeOut : dummy;

  const unsigned char* s = reinterpret_cast<const unsigned char*>(text ? text : "");
  const unsigned char c = s[0];
  code = c;

  // Each continuation test stops at the NUL (not a continuation byte), so the
  // tests below never run past the end of the text.
  if (c < 0x80 || !IsContinuation(s[1]))
    return 1;

  if (c < 0xC2)
    return 1; // stray continuation byte or overlong 2-byte lead

  if (c <= 0xDF)
  {
    code = ((c & 0x1F) << 6) | (s[1] & 0x3F);
    return 2;
  }

  if (c <= 0xEF)
  {
    if (!IsContinuation(s[2]) || (c == 0xE0 && !(s[1] & 0x20)))
      return 1;
    code = ((c & 0x0F) << 12) | ((s[1] & 0x3F) << 6) | (s[2] & 0x3F);
    return 3;
  }

  if (c <= 0xF7)
  {
    if (!IsContinuation(s[2]) || !IsContinuation(s[3]) || (c == 0xF0 && !(s[1] & 0x30)))
      return 1;
    code = ((c & 0x07) << 18) | ((s[1] & 0x3F) << 12) | ((s[2] & 0x3F) << 6) | (s[3] & 0x3F);
    return 4;
  }

  if (!IsContinuation(s[2]) || !IsContinuation(s[3]) || !IsContinuation(s[4]))
    return 1;
  if (c < 0xFC)
  {
    code = '_';
    return 5;
  }
  if (!IsContinuation(s[5]))
    return 1;
  code = '_';
  return 6;
}
