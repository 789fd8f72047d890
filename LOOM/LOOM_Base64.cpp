#include "LOOM_Base64.h"

namespace
{
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// 6-bit value of an alphabet character, -1 for anything else.
int SextetOf(char c) noexcept
{
  if (c >= 'A' && c <= 'Z')
    return c - 'A';
  if (c >= 'a' && c <= 'z')
    return c - 'a' + 26;
  if (c >= '0' && c <= '9')
    return c - '0' + 52;
  if (c == '+')
    return 62;
  if (c == '/')
    return 63;
  return -1;
}
} // namespace

void loom_base64encode(const unsigned char* src, char* dest, int count) noexcept
{
  if (!dest)
    return;
  if (!src || count < 0)
    count = 0;

  while (count >= 3)
  {
    const unsigned int bits = static_cast<unsigned int>(src[0]) << 16 | static_cast<unsigned int>(src[1]) << 8 | src[2];
    dest[0] = kAlphabet[(bits >> 18) & 0x3F];
    dest[1] = kAlphabet[(bits >> 12) & 0x3F];
    dest[2] = kAlphabet[(bits >> 6) & 0x3F];
    dest[3] = kAlphabet[bits & 0x3F];
    src += 3;
    dest += 4;
    count -= 3;
  }

  if (count > 0)
  {
    const unsigned int bits = static_cast<unsigned int>(src[0]) << 16 | (count > 1 ? static_cast<unsigned int>(src[1]) << 8 : 0u);
    dest[0] = kAlphabet[(bits >> 18) & 0x3F];
    dest[1] = kAlphabet[(bits >> 12) & 0x3F];
    dest[2] = count > 1 ? kAlphabet[(bits >> 6) & 0x3F] : '=';
    dest[3] = '=';
    dest += 4;
  }
  *dest = '\0';
}

int loom_base64decode(const char* src, unsigned char* dest, int destSize) noexcept
{
  if (!src || !dest || destSize < 1)
    return 0;

  int written = 0;
  unsigned int accum = 0; // pending bits, the newest in the low end
  int accumBits = 0;
  while (written < destSize)
  {
    const int v = SextetOf(*src++);
    if (v < 0)
      break;
    accum = (accum << 6 | static_cast<unsigned int>(v)) & 0xFFFu; // never more than 12 bits pending
    accumBits += 6;
    if (accumBits >= 8)
    {
      accumBits -= 8;
      dest[written++] = static_cast<unsigned char>(accum >> accumBits);
    }
  }
  return written;
}
