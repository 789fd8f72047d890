#include "LOOM_UTF8.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace
{
std::string Make(int code)
{
  char buf[8] = {};
  const int n = loom_utf8_makechar(code, buf, static_cast<int>(sizeof(buf)));
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

struct Parsed
{
  int length;
  int code;
};

// Parses bytes copied into a heap block of exactly their size plus the NUL, so
// a read past the terminator is caught by the address sanitizer.
Parsed Parse(const std::string& bytes)
{
  std::unique_ptr<char[]> text(new char[bytes.size() + 1]);
  std::memcpy(text.get(), bytes.data(), bytes.size());
  text[bytes.size()] = '\0';
  Parsed p{0, -12345};
  p.length = loom_utf8_parsechar(text.get(), &p.code);
  return p;
}

TEST(LOOMUTF8MakeChar, FormLengthGrowsAtEachBoundary)
{
  EXPECT_EQ(Make(0x41), "A");
  EXPECT_EQ(Make(0x7F), "\x7F");
  EXPECT_EQ(Make(0x80), "\xC2\x80");
  EXPECT_EQ(Make(0xE9), "\xC3\xA9");
  EXPECT_EQ(Make(0x7FF), "\xDF\xBF");
  EXPECT_EQ(Make(0x800), "\xE0\xA0\x80");
  EXPECT_EQ(Make(0x20AC), "\xE2\x82\xAC");
  EXPECT_EQ(Make(0xFFFF), "\xEF\xBF\xBF");
  EXPECT_EQ(Make(0x10000), "\xF0\x90\x80\x80");
  EXPECT_EQ(Make(0x1F600), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Make(0x1FFFFF), "\xF7\xBF\xBF\xBF");
}

TEST(LOOMUTF8MakeChar, CodesOutsideTheFourByteRangeAreRefused)
{
  char buf[8] = {'#', '#'};
  EXPECT_EQ(loom_utf8_makechar(-1, buf, 8), -1);
  EXPECT_EQ(loom_utf8_makechar(0x200000, buf, 8), -1);
  EXPECT_EQ(loom_utf8_makechar(0x7FFFFFFF, buf, 8), -1);
  EXPECT_EQ(buf[0], '#');
}

TEST(LOOMUTF8MakeChar, TooLittleRoomWritesNothing)
{
  char buf[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(loom_utf8_makechar(0x20AC, buf, 2), 0);
  EXPECT_EQ(loom_utf8_makechar(0x41, buf, 0), 0);
  EXPECT_EQ(std::string(buf, 4), "####");
  EXPECT_EQ(loom_utf8_makechar(0x20AC, buf, 3), 3);
}

TEST(LOOMUTF8MakeUTFChar, CharacterThatDoesNotFitWithItsTerminatorBecomesUnderscore)
{
  char buf[3] = {'#', '#', '#'};
  EXPECT_EQ(LOOM_MakeUTFChar(buf, 0x20AC, 3), 1);
  EXPECT_STREQ(buf, "_");
}

TEST(LOOMUTF8MakeUTFChar, CharacterThatFitsIsWrittenWithItsTerminator)
{
  char buf[5] = {'#', '#', '#', '#', '#'};
  EXPECT_EQ(LOOM_MakeUTFChar(buf, 0x20AC, 4), 3);
  EXPECT_STREQ(buf, "\xE2\x82\xAC");
  EXPECT_EQ(buf[4], '#');
  EXPECT_EQ(LOOM_MakeUTFChar(buf, 'x', 2), 1);
  EXPECT_STREQ(buf, "x");
}

TEST(LOOMUTF8MakeUTFChar, UnencodableCodeBecomesUnderscore)
{
  char buf[8];
  EXPECT_EQ(LOOM_MakeUTFChar(buf, 0x200000, 8), 1);
  EXPECT_STREQ(buf, "_");
}

TEST(LOOMUTF8MakeUTFChar, CodeOfZeroOrLessIsASingleNul)
{
  char buf[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(LOOM_MakeUTFChar(buf, 0, 4), 1);
  EXPECT_EQ(buf[0], '\0');
  EXPECT_EQ(buf[1], '\0');
  EXPECT_EQ(buf[2], '#');
  EXPECT_EQ(LOOM_MakeUTFChar(buf, -7, 2), 1);
  EXPECT_STREQ(buf, "");
}

TEST(LOOMUTF8MakeUTFChar, TinyDestinationsHoldAtMostTheTerminator)
{
  char buf[2] = {'#', '#'};
  EXPECT_EQ(LOOM_MakeUTFChar(buf, 'A', 1), 0);
  EXPECT_EQ(buf[0], '\0');
  EXPECT_EQ(buf[1], '#');
  buf[0] = '#';
  EXPECT_EQ(LOOM_MakeUTFChar(buf, 'A', 0), 0);
  EXPECT_EQ(LOOM_MakeUTFChar(buf, 'A', -1), 0);
  EXPECT_EQ(buf[0], '#');
}

struct ParseCase
{
  const char* bytes;
  int length;
  int code;
};

void ExpectParses(const ParseCase* cases, size_t count)
{
  for (size_t i = 0; i < count; ++i)
  {
    const Parsed p = Parse(cases[i].bytes);
    EXPECT_EQ(p.length, cases[i].length) << "case " << i;
    EXPECT_EQ(p.code, cases[i].code) << "case " << i;
  }
}

TEST(LOOMUTF8ParseChar, WellFormedCharactersDecodeToTheirCodePoints)
{
  const ParseCase cases[] = {
    {"", 1, 0},
    {"A", 1, 0x41},
    {"\xC3\xA9", 2, 0xE9},
    {"\xE0\xA0\x80", 3, 0x800}, // shortest 3-byte form
    {"\xE2\x82\xAC", 3, 0x20AC},
    {"\xF0\x90\x80\x80", 4, 0x10000}, // shortest 4-byte form
    {"\xF0\x9F\x98\x80", 4, 0x1F600},
  };
  ExpectParses(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(LOOMUTF8ParseChar, MalformedSequencesCountAsTheirFirstByte)
{
  const ParseCase cases[] = {
    {"\xC0\x80", 1, 0xC0},         // overlong 2-byte
    {"\xC1\xBF", 1, 0xC1},         // overlong 2-byte
    {"\xE0\x80\x80", 1, 0xE0},     // overlong 3-byte
    {"\xF0\x80\x80\x80", 1, 0xF0}, // overlong 4-byte
    {"\xA9\xA9", 1, 0xA9},         // stray continuation byte
    {"\xE2" "A" "\xAC", 1, 0xE2},   // continuation missing in the middle
  };
  ExpectParses(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(LOOMUTF8ParseChar, TruncatedSequencesStopAtTheTerminator)
{
  const ParseCase cases[] = {
    {"\xC3", 1, 0xC3},
    {"\xE2\x82", 1, 0xE2},
    {"\xF0\x9F\x98", 1, 0xF0},
    {"\xF8\x88\x80\x80", 1, 0xF8},
    {"\xFC\x84\x80\x80\x80", 1, 0xFC},
  };
  ExpectParses(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(LOOMUTF8ParseChar, FiveAndSixByteFormsDecodeAsUnderscore)
{
  const ParseCase cases[] = {
    {"\xF8\x88\x80\x80\x80", 5, '_'},
    {"\xFC\x84\x80\x80\x80\x80", 6, '_'},
  };
  ExpectParses(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(LOOMUTF8ParseChar, CodePointOutputIsOptional)
{
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
