#include "LOOM_Base64.h"
#include "LOOM_ByteSwap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
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

TEST(LOOMBase64Encode, MatchesTheStandardVectors)
{
  EXPECT_EQ(Encode(""), "");
  EXPECT_EQ(Encode("f"), "Zg==");
  EXPECT_EQ(Encode("fo"), "Zm8=");
  EXPECT_EQ(Encode("foo"), "Zm9v");
  EXPECT_EQ(Encode("foob"), "Zm9vYg==");
  EXPECT_EQ(Encode("fooba"), "Zm9vYmE=");
  EXPECT_EQ(Encode("foobar"), "Zm9vYmFy");
}

TEST(LOOMBase64Encode, UsesPlusAndSlashForTheLastTwoDigits)
{
  EXPECT_EQ(Encode(std::string("\xFB\xEF\xBE", 3)), "++++");
  EXPECT_EQ(Encode(std::string("\xFF\xFF\xFF", 3)), "////");
  EXPECT_EQ(Encode(std::string("\0\0\0", 3)), "AAAA");
}

TEST(LOOMBase64Encode, WritesExactlyFourCharactersPerThreeBytesPlusTheTerminator)
{
  for (int count = 0; count <= 10; ++count)
  {
    const std::vector<unsigned char> src(static_cast<size_t>(count), 0x5A);
    const size_t needed = 4 * ((static_cast<size_t>(count) + 2) / 3) + 1;
    std::vector<char> dest(needed + 4, '#');
    loom_base64encode(src.data(), dest.data(), count);
    EXPECT_EQ(std::strlen(dest.data()), needed - 1) << "count " << count;
    for (size_t i = needed; i < dest.size(); ++i)
      EXPECT_EQ(dest[i], '#') << "count " << count << " wrote past the end at " << i;
  }
}

TEST(LOOMBase64Decode, StandardVectorsDecodeToTheirBytes)
{
  EXPECT_EQ(Decode("Zg==", 16), "f");
  EXPECT_EQ(Decode("Zm8=", 16), "fo");
  EXPECT_EQ(Decode("Zm9v", 16), "foo");
  EXPECT_EQ(Decode("Zm9vYmE=", 16), "fooba");
  EXPECT_EQ(Decode("Zm9vYmFy", 16), "foobar");
  EXPECT_EQ(Decode("Zg", 16), "f");
}

TEST(LOOMBase64Decode, RoundTripsEveryByteValue)
{
  std::string bytes;
  for (int i = 0; i < 256; ++i)
    bytes += static_cast<char>(i);
  for (size_t len = 0; len <= bytes.size(); len += 37)
  {
    const std::string part = bytes.substr(bytes.size() - len);
    EXPECT_EQ(Decode(Encode(part).c_str(), 300), part) << "length " << len;
  }
}

TEST(LOOMBase64Decode, StopsWhenTheDestinationIsFull)
{
  EXPECT_EQ(Decode("Zm9vYmFy", 2), "fo");
  EXPECT_EQ(Decode("Zm9vYmFy", 4), "foob");
}

TEST(LOOMBase64Decode, DestinationBelowOneByteDecodesNothing)
{
  unsigned char dest[2] = {0xEE, 0xEE};
  EXPECT_EQ(loom_base64decode("Zm9v", dest, 0), 0);
  EXPECT_EQ(loom_base64decode("Zm9v", dest, -3), 0);
  EXPECT_EQ(dest[0], 0xEE);
}

TEST(LOOMBase64Decode, StopsAtTheFirstCharacterOutsideTheAlphabet)
{
  EXPECT_EQ(Decode("Zm9v\nYmFy", 16), "foo");
  EXPECT_EQ(Decode("Zm9v YmFy", 16), "foo");
  EXPECT_EQ(Decode("Zm8=Zm9v", 16), "fo");
  EXPECT_EQ(Decode("Zm9v\xC3\xA9Zm9v", 16), "foo");
  EXPECT_EQ(Decode("!Zm9v", 16), "");
  EXPECT_EQ(Decode("", 16), "");
}

TEST(LOOMBase64Decode, AnyTextStaysInsideItsTerminatorAndTheDestination)
{
  const unsigned seed = 20240611u;
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> byte(1, 255);
  std::uniform_int_distribution<int> length(0, 64);
  const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (int trial = 0; trial < 2000; ++trial)
  {
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
    ASSERT_GE(n, 0) << "seed " << seed << " trial " << trial;
    ASSERT_LE(n, destSize) << "seed " << seed << " trial " << trial;
    ASSERT_LE(static_cast<size_t>(n), textLen * 3 / 4) << "seed " << seed << " trial " << trial;
    ASSERT_EQ(dest[static_cast<size_t>(destSize)], 0xEE) << "seed " << seed << " trial " << trial;
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
