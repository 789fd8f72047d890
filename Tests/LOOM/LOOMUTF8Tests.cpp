#include "LOOM_UTF8.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>

namespace
{
TEST(LOOMUTF8MakeChar, FormLengthGrowsAtEachBoundaryAndTheFormDecodesBack)
{
  const std::pair<int, std::string> rows[] = {
    {0x7F, "\x7F"},         {0x80, "\xC2\x80"},         {0x7FF, "\xDF\xBF"},
    {0x800, "\xE0\xA0\x80"}, {0xFFFF, "\xEF\xBF\xBF"},   {0x10000, "\xF0\x90\x80\x80"},
    {0x1FFFFF, "\xF7\xBF\xBF\xBF"},
  };
  for (const auto& r : rows)
  {
    SCOPED_TRACE(r.first);
    char buf[8] = {};
    ASSERT_EQ(loom_utf8_makechar(r.first, buf, static_cast<int>(sizeof(buf))), static_cast<int>(r.second.size()));
    EXPECT_EQ(std::string(buf), r.second);
    int code = -1;
    EXPECT_EQ(loom_utf8_parsechar(buf, &code), static_cast<int>(r.second.size()));
    EXPECT_EQ(code, r.first);
  }
}

TEST(LOOMUTF8MakeChar, OutOfRangeCodesAndTooLittleRoomWriteNothing)
{
  char buf[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(loom_utf8_makechar(-1, buf, 4), -1);
  EXPECT_EQ(loom_utf8_makechar(0x200000, buf, 4), -1);
  EXPECT_EQ(loom_utf8_makechar(0x20AC, buf, 2), 0);
  EXPECT_EQ(loom_utf8_makechar(0x41, buf, 0), 0);
  EXPECT_EQ(std::string(buf, 4), "####");
}

TEST(LOOMUTF8MakeUTFChar, WritesTheCharacterAndItsTerminatorOrUnderscoreWithinTheDestination)
{
  struct Row
  {
    int code, destSize, returned;
    std::string written; // the whole 6-byte destination afterwards
  };
  const Row rows[] = {
    {0x20AC, 4, 3, std::string("\xE2\x82\xAC\0##", 6)},
    {0x20AC, 3, 1, std::string("_\0####", 6)},   // does not fit with its NUL
    {0x200000, 6, 1, std::string("_\0####", 6)}, // cannot be encoded
    {-7, 2, 1, std::string("\0\0####", 6)},
    {'A', 1, 0, std::string("\0#####", 6)},
    {'A', 0, 0, "######"},
  };
  for (const Row& r : rows)
  {
    SCOPED_TRACE(testing::Message() << "code " << r.code << ", size " << r.destSize);
    char buf[6] = {'#', '#', '#', '#', '#', '#'};
    EXPECT_EQ(LOOM_MakeUTFChar(buf, r.code, r.destSize), r.returned);
    EXPECT_EQ(std::string(buf, 6), r.written);
  }
}

TEST(LOOMUTF8ParseChar, CountsMalformedCharactersAsTheirFirstByte)
{
  struct Row { const char* bytes; int length, code; };
  const Row rows[] = {
    {"", 1, 0},
    {"\xC0\x80", 1, 0xC0},         // overlong 2-byte
    {"\xE0\x80\x80", 1, 0xE0},     // overlong 3-byte
    {"\xF0\x80\x80\x80", 1, 0xF0}, // overlong 4-byte
    {"\xA9\xA9", 1, 0xA9},         // stray continuation byte
    {"\xE2" "A" "\xAC", 1, 0xE2},  // continuation missing in the middle
    {"\xC3", 1, 0xC3},             // truncated by the terminator
    {"\xF0\x9F\x98", 1, 0xF0},
    {"\xF8\x88\x80\x80", 1, 0xF8},
    {"\xF8\x88\x80\x80\x80", 5, '_'}, // 5- and 6-byte forms
    {"\xFC\x84\x80\x80\x80\x80", 6, '_'},
  };
  for (const Row& r : rows)
  {
    SCOPED_TRACE(testing::PrintToString(std::string(r.bytes)));
    // A heap block of exactly the bytes and the NUL, so a read past the
    // terminator is caught by the address sanitizer.
    const size_t n = std::strlen(r.bytes);
    std::unique_ptr<char[]> text(new char[n + 1]);
    std::memcpy(text.get(), r.bytes, n + 1);
    int code = -12345;
    EXPECT_EQ(loom_utf8_parsechar(text.get(), &code), r.length);
    EXPECT_EQ(code, r.code);
  }
  EXPECT_EQ(loom_utf8_parsechar("\xE2\x82\xAC", nullptr), 3);
}
} // namespace
