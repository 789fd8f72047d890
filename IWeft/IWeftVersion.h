#pragma once
// The framework's own version and the marker that tags it in saved files.

namespace weft {

// Framework version, packed major << 16 | minor << 8 | bugfix: 1.0.0.
inline constexpr int IWEFT_VERSION = 0x10000;

// The four characters "pfft" read as a big-endian int32. Written in host
// (little-endian) order, so a file shows the bytes 74 66 66 70.
inline constexpr int IWEFT_VERSION_MAGIC = 0x70666674;

} // namespace weft
