#include "LOOM_Base64.h"
#include "LOOM_ByteSwap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace
{
std::string Encode(const std::string& bytes)
{
  std::vector<char> out(4 * ((bytes.size() + 2) / 3) + 1, '#');
  loom_base64encode(reinterpret_cast<const unsigned char*>(bytes.data()), out.data(), static_cast<int>(bytes.size()));
  return std::string(out.data());
}

std::string Decode(const char* text, int destSize)
{
  std::vector<unsigned char> out(static_cast<size_t>(destSize > 0 ? destSize : 1));
  const int n = loom_base64decode(text, out.data(), destSize);
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
}

TEST(LOOMBase64, EveryByteValueRoundTripsInFourCharactersPerThreeBytesPlusTheTerminator)
{
  std::string bytes;
  for (int i = 0; i < 256; ++i)
    bytes += static_cast<char>(i);
  for (size_t len = 0; len <= bytes.size(); len += len < 10 ? 1 : 37)
  {
    SCOPED_TRACE(len);
    const std::string part = bytes.substr(bytes.size() - len);
    const size_t needed = 4 * ((len + 2) / 3) + 1;
    std::vector<char> dest(needed + 4, '#');
    loom_base64encode(reinterpret_cast<const unsigned char*>(part.data()), dest.data(), static_cast<int>(len));
    EXPECT_EQ(std::strlen(dest.data()), needed - 1);
    EXPECT_EQ(std::string(dest.data() + needed, 4), "####");
    EXPECT_EQ(Decode(dest.data(), 300), part);
  }
}

TEST(LOOMBase64Decode, StopsWhenTheDestinationIsFullOrAtTheFirstCharacterOutsideTheAlphabet)
{
  struct Row { const char* text; int destSize; std::string bytes; };
  const Row rows[] = {{"Zg", 16, "f"}, // unpadded
                      {"Zm9vYmFy", 2, "fo"}, {"Zm9vYmFy", 4, "foob"}, {"Zm9v", 0, ""}, {"Zm9v", -3, ""},
                      {"Zm9v\nYmFy", 16, "foo"}, {"Zm9v YmFy", 16, "foo"}, {"Zm8=Zm9v", 16, "fo"},
                      {"Zm9v\xC3\xA9Zm9v", 16, "foo"}, {"!Zm9v", 16, ""}};
  for (const Row& r : rows)
  {
    SCOPED_TRACE(testing::Message() << testing::PrintToString(std::string(r.text)) << ", " << r.destSize);
    std::vector<unsigned char> dest(17, 0xEE);
    const int n = loom_base64decode(r.text, dest.data(), r.destSize);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(dest.data()), static_cast<size_t>(n)), r.bytes);
    EXPECT_EQ(dest[std::max(r.destSize, 0)], 0xEE);
  }
}

TEST(LOOMBase64Decode, AnyTextStaysInsideItsTerminatorAndTheDestination)
{
  std::mt19937 rng(20240611u);
  std::uniform_int_distribution<int> byte(1, 255);
  std::uniform_int_distribution<int> length(0, 64);
  const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (int trial = 0; trial < 2000; ++trial)
  {
    SCOPED_TRACE(trial);
    const size_t textLen = static_cast<size_t>(length(rng));
    // Mostly alphabet characters so decoding runs long, with foreign bytes mixed in.
    std::unique_ptr<char[]> text(new char[textLen + 1]);
    for (size_t i = 0; i < textLen; ++i)
      text[i] = byte(rng) % 8 ? alphabet[byte(rng) % 64] : static_cast<char>(byte(rng));
    text[textLen] = '\0';

    const int destSize = length(rng) / 4;
    std::unique_ptr<unsigned char[]> dest(new unsigned char[static_cast<size_t>(destSize) + 1]);
    dest[static_cast<size_t>(destSize)] = 0xEE;
    const int n = loom_base64decode(text.get(), dest.get(), destSize);
    ASSERT_GE(n, 0);
    ASSERT_LE(n, destSize);
    ASSERT_LE(static_cast<size_t>(n), textLen * 3 / 4);
    ASSERT_EQ(dest[static_cast<size_t>(destSize)], 0xEE);
  }
}

TEST(LOOMByteSwap, ReadsAFileTagInBigEndianOrder)
{
  const unsigned char tag[4] = {'C', 'c', 'n', 'K'};
  std::uint32_t native = 0;
  std::memcpy(&native, tag, sizeof(native));
  EXPECT_EQ(LOOM_bswap_if_le(native), 0x43636E4Bu);
  EXPECT_EQ(LOOM_bswap_if_le(0x01020304u), 0x04030201u);
  EXPECT_EQ(LOOM_bswap_if_le(LOOM_bswap_if_le(0xDEADBEEFu)), 0xDEADBEEFu);
}
} // namespace
