#include "LOOM_Base64.h"
#include "LOOM_ByteSwap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace
{
std::string Encode(const std::string& bytes)
{
  std::vector<char> out(4 * ((bytes.size() + 2) / 3) + 5, '#');
  loom_base64encode(reinterpret_cast<const unsigned char*>(bytes.data()), out.data(), static_cast<int>(bytes.size()));
  EXPECT_EQ(std::string(out.end() - 4, out.end()), "####") << "written past the terminator";
  return std::string(out.data());
}

std::string Decode(const char* text, int destSize)
{
  std::vector<unsigned char> out(static_cast<size_t>(std::max(destSize, 0)) + 1, 0xEE);
  const int n = loom_base64decode(text, out.data(), destSize);
  EXPECT_EQ(out[static_cast<size_t>(std::max(destSize, 0))], 0xEE) << "written past the destination";
  return std::string(reinterpret_cast<const char*>(out.data()), static_cast<size_t>(n));
}

TEST(LOOMBase64, StandardVectorsEncodeAndDecodeBothWays)
{
  // The last three rows show the last two digits, + and /, and the first, A.
  const std::pair<std::string, std::string> rows[] = {
    {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"}, {"\xFB\xEF\xBE", "++++"}, {"\xFF\xFF\xFF", "////"}, {std::string(3, '\0'), "AAAA"}};
  for (const auto& r : rows)
  {
    SCOPED_TRACE(r.second);
    EXPECT_EQ(Encode(r.first), r.second);
    EXPECT_EQ(Decode(r.second.c_str(), 16), r.first);
  }
  std::string every;
  for (int i = 0; i < 256; ++i)
    every += static_cast<char>(i);
  EXPECT_EQ(Encode(every).size(), 344u);
  EXPECT_EQ(Decode(Encode(every).c_str(), 256), every);
}

TEST(LOOMBase64Decode, StopsWhenTheDestinationIsFullOrAtTheFirstCharacterOutsideTheAlphabet)
{
  struct Row { const char* text; int destSize; std::string bytes; };
  const Row rows[] = {{"Zg", 16, "f"}, // unpadded
                      {"Zm9vYmFy", 2, "fo"}, {"Zm9vYmFy", 4, "foob"}, {"Zm9v", 0, ""}, {"Zm9v", -3, ""},
                      {"Zm9v\nYmFy", 16, "foo"}, {"Zm8=Zm9v", 16, "fo"}, {"Zm9v\xC3\xA9Zm9v", 16, "foo"},
                      {"!Zm9v", 16, ""}};
  for (const Row& r : rows)
    EXPECT_EQ(Decode(r.text, r.destSize), r.bytes) << testing::PrintToString(std::string(r.text)) << ", " << r.destSize;
}

TEST(LOOMByteSwap, ReadsAFileTagInBigEndianOrder)
{
  const unsigned char tag[4] = {'C', 'c', 'n', 'K'};
  std::uint32_t native = 0;
  std::memcpy(&native, tag, sizeof(native));
  EXPECT_EQ(LOOM_bswap_if_le(native), 0x43636E4Bu);
  EXPECT_EQ(LOOM_bswap_if_le(0x01020304u), 0x04030201u);
}
} // namespace
