#pragma once
// Byte order of the big-endian 32-bit fields in preset files (FXP/FXB).

#include <cstdint>

// Swaps the four bytes of v on a little-endian target and returns v unchanged
// on a big-endian one, so the result is always the big-endian reading of v.
constexpr std::uint32_t LOOM_bswap_if_le(std::uint32_t v) noexcept
{
#if defined(__BYTE_ORDER__) && defined(__ORDER_BIG_ENDIAN__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  return v;
#else
  return ((v & 0x000000FFu) << 24) | ((v & 0x0000FF00u) << 8) | ((v & 0x00FF0000u) >> 8) | ((v & 0xFF000000u) >> 24);
#endif
}
