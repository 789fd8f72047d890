#include "LOOM_UTF8.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>

namespace
{
TEST(LOOMUTF8MakeChar, FormLengthGrowsAtEachBoundary)
{
  const std::pair<int, std::string> rows[] = {
    {0x41, "A"},
    {0x7F, "\x7F"},
    {0x80, "\xC2\x80"},
    {0xE9, "\xC3\xA9"},
    {0x7FF, "\xDF\xBF"},
    {0x800, "\xE0\xA0\x80"},
    {0x20AC, "\xE2\x82\xAC"},
    {0xFFFF, "\xEF\xBF\xBF"},
    {0x10000, "\xF0\x90\x80\x80"},
    {0x1F600, "\xF0\x9F\x98\x80"},
    {0x1FFFFF, "\xF7\xBF\xBF\xBF"},
  };
  for (const auto& r : rows)
  {
    SCOPED_TRACE(r.first);
    char buf[8] = {};
    ASSERT_EQ(loom_utf8_makechar(r.first, buf, static_cast<int>(sizeof(buf))), static_cast<int>(r.second.size()));
    EXPECT_EQ(std::string(buf), r.second);
  }
}

TEST(LOOMUTF8MakeChar, OutOfRangeCodesAndTooLittleRoomWriteNothing)
{
  char buf[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(loom_utf8_makechar(-1, buf, 4), -1);
  EXPECT_EQ(loom_utf8_makechar(0x200000, buf, 4), -1);
  EXPECT_EQ(loom_utf8_makechar(0x7FFFFFFF, buf, 4), -1);
  EXPECT_EQ(loom_utf8_makechar(0x20AC, buf, 2), 0);
  EXPECT_EQ(loom_utf8_makechar(0x41, buf, 0), 0);
  EXPECT_EQ(std::string(buf, 4), "####");
  EXPECT_EQ(loom_utf8_makechar(0x20AC, buf, 3), 3);
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
    {'x', 2, 1, std::string("x\0####", 6)},
    {0x20AC, 3, 1, std::string("_\0####", 6)},   // does not fit with its NUL
    {0x200000, 6, 1, std::string("_\0####", 6)}, // cannot be encoded
    {0, 4, 1, std::string("\0\0####", 6)},
    {-7, 2, 1, std::string("\0\0####", 6)},
    {'A', 1, 0, std::string("\0#####", 6)},
    {'A', 0, 0, "######"},
    {'A', -1, 0, "######"},
  };
  for (const Row& r : rows)
  {
    SCOPED_TRACE(testing::Message() << "code " << r.code << ", size " << r.destSize);
    char buf[6] = {'#', '#', '#', '#', '#', '#'};
    EXPECT_EQ(LOOM_MakeUTFChar(buf, r.code, r.destSize), r.returned);
    EXPECT_EQ(std::string(buf, 6), r.written);
  }
}

TEST(LOOMUTF8ParseChar, DecodesWellFormedCharactersAndCountsMalformedOnesAsTheirFirstByte)
{
  struct Row { const char* bytes; int length, code; };
  const Row rows[] = {
    {"", 1, 0},
    {"A", 1, 0x41},
    {"\xC3\xA9", 2, 0xE9},
    {"\xE0\xA0\x80", 3, 0x800}, // shortest 3-byte form
    {"\xE2\x82\xAC", 3, 0x20AC},
    {"\xF0\x90\x80\x80", 4, 0x10000}, // shortest 4-byte form
    {"\xF0\x9F\x98\x80", 4, 0x1F600},
    {"\xC0\x80", 1, 0xC0},         // overlong 2-byte
    {"\xC1\xBF", 1, 0xC1},         // overlong 2-byte
    {"\xE0\x80\x80", 1, 0xE0},     // overlong 3-byte
    {"\xF0\x80\x80\x80", 1, 0xF0}, // overlong 4-byte
    {"\xA9\xA9", 1, 0xA9},         // stray continuation byte
    {"\xE2" "A" "\xAC", 1, 0xE2},  // continuation missing in the middle
    {"\xC3", 1, 0xC3},             // truncated by the terminator
    {"\xE2\x82", 1, 0xE2},
    {"\xF0\x9F\x98", 1, 0xF0},
    {"\xF8\x88\x80\x80", 1, 0xF8},
    {"\xFC\x84\x80\x80\x80", 1, 0xFC},
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

TEST(LOOMUTF8RoundTrip, EveryEncodableCodeDecodesToItself)
{
  char buf[5];
  for (int code = 1; code < 0x200000; ++code)
  {
    const int n = loom_utf8_makechar(code, buf, 4);
    ASSERT_GE(n, 1) << "code " << code;
    buf[n] = '\0';
    int decoded = -1;
    ASSERT_EQ(loom_utf8_parsechar(buf, &decoded), n) << "code " << code;
    ASSERT_EQ(decoded, code) << "code " << code;
  }
}
} // namespace
