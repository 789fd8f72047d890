#include "CFTestUtils.h"

#include <CoreFoundation/CoreFoundation.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

using pw::test::CFLeakCheckedTest;
using pw::test::CFOwned;

namespace {

CFStringRef MakeString(const char* utf8)
{
  return CFStringCreateWithCString(kCFAllocatorDefault, utf8, kCFStringEncodingUTF8);
}

// The UTF-8 text of str through a buffer of the documented worst-case size.
std::string TextOf(CFStringRef str)
{
  const CFIndex size = CFStringGetMaximumSizeForEncoding(CFStringGetLength(str), kCFStringEncodingUTF8) + 1;
  std::vector<char> buffer(static_cast<size_t>(size));
  if (!CFStringGetCString(str, buffer.data(), size, kCFStringEncodingUTF8))
    return "<conversion failed>";
  return buffer.data();
}

template <class... Args>
std::string Format(CFStringRef format, Args... args)
{
  CFOwned<CFStringRef> owned(CFStringCreateWithFormat(nullptr, nullptr, format, args...));
  return owned ? TextOf(owned.get()) : "<null>";
}

} // namespace

using CFStringTest = CFLeakCheckedTest;

TEST_F(CFStringTest, LengthCountsUTF16CodeUnitsAndTheWorstCaseUTF8BufferHoldsEveryText)
{
  // 100 euro signs: 100 UTF-16 units but 300 bytes, the densest BMP text.
  std::string euros;
  for (int i = 0; i < 100; ++i)
    euros += "\xE2\x82\xAC";
  const std::pair<std::string, CFIndex> rows[] = {
    {"", 0}, {"abc", 3}, {"\xF0\x9D\x84\x9E", 2}, // U+1D11E: a surrogate pair
    {"a\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E" + euros, 105}};
  for (const auto& [text, utf16Length] : rows)
  {
    SCOPED_TRACE(utf16Length);
    CFOwned<CFStringRef> str(MakeString(text.c_str()));
    ASSERT_TRUE(str);
    EXPECT_EQ(CFStringGetLength(str.get()), utf16Length);
    EXPECT_EQ(TextOf(str.get()), text);
  }
}

TEST_F(CFStringTest, GetCStringNeedsRoomForTheTerminatingZero)
{
  CFOwned<CFStringRef> str(MakeString("\xE2\x82\xAC" "1")); // 4 bytes of text
  char buffer[8] = "ZZZZZZZ";
  EXPECT_FALSE(CFStringGetCString(str.get(), buffer, 4, kCFStringEncodingUTF8));
  EXPECT_EQ(buffer[0], '\0') << "a failed conversion leaves an empty string";
  EXPECT_TRUE(CFStringGetCString(str.get(), buffer, 5, kCFStringEncodingUTF8));
  EXPECT_STREQ(buffer, "\xE2\x82\xAC" "1");
}

TEST_F(CFStringTest, MalformedUTF8IsRefused)
{
  // Truncated, lone continuation, overlong '/', surrogate, above U+10FFFF.
  for (const char* text : {"ok\xE2\x82", "\x80", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"})
    EXPECT_EQ(MakeString(text), nullptr) << "bytes should be refused";
}

TEST_F(CFStringTest, FormatFollowsPrintfAndWritesObjectsByTheirDescription)
{
  EXPECT_EQ(Format(CFSTR("%d|%u|%ld"), -42, 4000000000u, LONG_MIN), "-42|4000000000|-9223372036854775808");
  EXPECT_EQ(Format(CFSTR("[%5d][%-4d][%05d]"), 7, 7, -7), "[    7][7   ][-0007]");
  EXPECT_EQ(Format(CFSTR("%.2f %s=%d%%"), 3.14159, "mix", 50), "3.14 mix=50%");

  CFOwned<CFStringRef> name(MakeString("Warm \xE2\x82\xAC"));
  const int value = 12;
  CFOwned<CFNumberRef> number(CFNumberCreate(nullptr, kCFNumberIntType, &value));
  EXPECT_EQ(Format(CFSTR("AUPreset:\npreset number = %d\npreset name = %@"), 3, name.get()),
            "AUPreset:\npreset number = 3\npreset name = Warm \xE2\x82\xAC");
  EXPECT_EQ(Format(CFSTR("<%@|%@>"), number.get(), nullptr), "<12|(null)>");
  CFOwned<CFStringRef> clef(MakeString("\xF0\x9D\x84\x9E"));
  CFOwned<CFStringRef> result(CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%@%s"), clef.get(), "\xC3\xA9"));
  EXPECT_EQ(CFStringGetLength(result.get()), 3);
}

TEST_F(CFStringTest, FieldLengthsAboveTheLimitAreRefusedWrittenOrFromTheArguments)
{
  EXPECT_EQ(Format(CFSTR("[%*@]"), -3, CFSTR("a")), "[a  ]");
  EXPECT_EQ(Format(CFSTR("%*d"), 1000000, 1).size(), 1000000u);
  EXPECT_EQ(Format(CFSTR("%*@"), INT_MAX, CFSTR("a")), "<null>");
  EXPECT_EQ(Format(CFSTR("%*s"), INT_MIN, "a"), "<null>");
  EXPECT_EQ(Format(CFSTR("%.*f"), 1000001, 1.0), "<null>");
}

TEST_F(CFStringTest, CompareOrdersByCodePointAndEqualTextsAreEqual)
{
  CFOwned<CFStringRef> a(MakeString("name \xE2\x82\xAC")), b(MakeString("name \xE2\x82\xAC")), c(MakeString("name"));
  CFOwned<CFStringRef> upper(MakeString("Name"));
  ASSERT_NE(a.get(), b.get());
  EXPECT_EQ(CFStringCompare(a.get(), b.get(), 0), kCFCompareEqualTo);
  EXPECT_EQ(CFStringCompare(c.get(), a.get(), 0), kCFCompareLessThan) << "a prefix orders first";
  EXPECT_EQ(CFStringCompare(c.get(), upper.get(), 0), kCFCompareGreaterThan) << "'n' after 'N'";
  EXPECT_EQ(CFStringCompare(c.get(), upper.get(), kCFCompareCaseInsensitive), kCFCompareEqualTo);
  EXPECT_TRUE(CFEqual(a.get(), b.get()));
  EXPECT_EQ(CFHash(a.get()), CFHash(b.get()));
  EXPECT_FALSE(CFEqual(a.get(), c.get()));
}

TEST_F(CFStringTest, ConstantStringsAreSharedAndNeverFreedAndACopySharesTheString)
{
  const CFStringRef constant = CFSTR("version");
  EXPECT_EQ(constant, CFSTR("version"));
  CFRelease(constant);
  EXPECT_EQ(CFStringGetLength(constant), 7) << "releasing a constant string does nothing";

  CFOwned<CFStringRef> original(MakeString("version"));
  CFOwned<CFStringRef> copy(CFStringCreateCopy(nullptr, original.get()));
  EXPECT_TRUE(CFEqual(copy.get(), constant));
  EXPECT_EQ(CFGetRetainCount(original.get()), 2) << "one reference each: original and copy";
}
