#include "CFLeakCheckedTest.h"

#include <CoreFoundation/CoreFoundation.h>

#include <climits>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

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

} // namespace

using CFStringUnicode = CFLeakCheckedTest;

TEST_F(CFStringUnicode, LengthCountsUTF16CodeUnitsAndTheWorstCaseUTF8BufferHoldsEveryText)
{
  // 100 euro signs: 100 UTF-16 units but 300 bytes, the densest BMP text.
  std::string euros;
  for (int i = 0; i < 100; ++i)
    euros += "\xE2\x82\xAC";
  const std::pair<std::string, CFIndex> rows[] = {
    {"", 0}, {"abc", 3}, {"\xC3\xA9", 1}, {"\xF0\x9D\x84\x9E\xF0\x9D\x84\x9E", 4}, // U+1D11E: surrogate pairs
    {euros, 100}, {"a\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E" + euros, 105}};
  for (const auto& [text, utf16Length] : rows)
  {
    SCOPED_TRACE(utf16Length);
    CFOwned<CFStringRef> str(MakeString(text.c_str()));
    ASSERT_TRUE(str);
    EXPECT_EQ(CFStringGetLength(str.get()), utf16Length);
    EXPECT_EQ(CFStringGetMaximumSizeForEncoding(utf16Length, kCFStringEncodingUTF8), 3 * utf16Length);
    EXPECT_EQ(TextOf(str.get()), text);
  }
}

TEST_F(CFStringUnicode, GetCStringNeedsRoomForTheTerminatingZero)
{
  CFOwned<CFStringRef> str(MakeString("\xE2\x82\xAC" "1")); // 4 bytes of text
  char buffer[8];
  std::memset(buffer, 'Z', sizeof(buffer));
  EXPECT_FALSE(CFStringGetCString(str.get(), buffer, 4, kCFStringEncodingUTF8));
  EXPECT_EQ(buffer[0], '\0') << "a failed conversion leaves an empty string";
  EXPECT_TRUE(CFStringGetCString(str.get(), buffer, 5, kCFStringEncodingUTF8));
  EXPECT_STREQ(buffer, "\xE2\x82\xAC" "1");
}

TEST_F(CFStringUnicode, MalformedUTF8IsRefused)
{
  const char* malformed[] = {
    "\xC3",             // truncated two-byte sequence
    "\x80",             // lone continuation byte
    "\xC0\xAF",         // overlong '/'
    "\xE0\x80\xAF",     // overlong, three bytes
    "\xED\xA0\x80",     // surrogate U+D800
    "\xF4\x90\x80\x80", // above U+10FFFF
    "\xFF",
    "ok\xE2\x82",       // good text then a truncated euro sign
  };
  for (const char* text : malformed)
    EXPECT_EQ(MakeString(text), nullptr) << "bytes should be refused";
  EXPECT_EQ(CFStringCreateWithCString(kCFAllocatorDefault, nullptr, kCFStringEncodingUTF8), nullptr);
}

TEST_F(CFStringUnicode, ASCIIEncodingRefusesOtherCharacters)
{
  EXPECT_EQ(CFStringCreateWithCString(kCFAllocatorDefault, "caf\xC3\xA9", kCFStringEncodingASCII), nullptr);
  CFOwned<CFStringRef> ascii(CFStringCreateWithCString(kCFAllocatorDefault, "cafe", kCFStringEncodingASCII));
  CFOwned<CFStringRef> accented(MakeString("caf\xC3\xA9"));
  ASSERT_TRUE(ascii);

  char buffer[16];
  EXPECT_TRUE(CFStringGetCString(ascii.get(), buffer, sizeof(buffer), kCFStringEncodingASCII));
  EXPECT_STREQ(buffer, "cafe");
  EXPECT_FALSE(CFStringGetCString(accented.get(), buffer, sizeof(buffer), kCFStringEncodingASCII));
  EXPECT_STREQ(CFStringGetCStringPtr(ascii.get(), kCFStringEncodingASCII), "cafe");
  EXPECT_EQ(CFStringGetCStringPtr(accented.get(), kCFStringEncodingASCII), nullptr);
  EXPECT_STREQ(CFStringGetCStringPtr(accented.get(), kCFStringEncodingUTF8), "caf\xC3\xA9");
  EXPECT_EQ(CFStringGetMaximumSizeForEncoding(7, kCFStringEncodingASCII), 7);
}

TEST_F(CFStringUnicode, MaximumSizeRefusesImpossibleLengthsOrEncodings)
{
  EXPECT_EQ(CFStringGetMaximumSizeForEncoding(-1, kCFStringEncodingUTF8), kCFNotFound);
  EXPECT_EQ(CFStringGetMaximumSizeForEncoding(LONG_MAX / 2, kCFStringEncodingUTF8), kCFNotFound);
  EXPECT_EQ(CFStringGetMaximumSizeForEncoding(10, 0x12345678u), kCFNotFound);
}

class CFStringFormat : public CFLeakCheckedTest
{
protected:
  template <class... Args>
  std::string Format(CFStringRef format, Args... args)
  {
    CFOwned<CFStringRef> owned(CFStringCreateWithFormat(nullptr, nullptr, format, args...));
    return owned ? TextOf(owned.get()) : "<null>";
  }
};

TEST_F(CFStringFormat, ConversionsFollowPrintf)
{
  EXPECT_EQ(Format(CFSTR("%d|%i|%u"), -42, 7, 4000000000u), "-42|7|4000000000");
  EXPECT_EQ(Format(CFSTR("%x %X %o"), 255u, 0xABCu, 8u), "ff ABC 10");
  EXPECT_EQ(Format(CFSTR("%ld %lld"), LONG_MIN, -1LL), "-9223372036854775808 -1");
  EXPECT_EQ(Format(CFSTR("%hhd %hu"), 300, 70000), "44 4464");
  EXPECT_EQ(Format(CFSTR("[%5d][%-4d][%05d][%*d]"), 7, 7, -7, 3, 9), "[    7][7   ][-0007][  9]");
  EXPECT_EQ(Format(CFSTR("%.2f|%f|%.1fx"), 3.14159, 0.5, 2.0), "3.14|0.500000|2.0x");
  EXPECT_EQ(Format(CFSTR("%g %e"), 0.25, 1500.0), "0.25 1.500000e+03");
  EXPECT_EQ(Format(CFSTR("%.*f"), 1, 9.96), "10.0");
  EXPECT_EQ(Format(CFSTR("%s=%d%%"), "mix", 50), "mix=50%");
  EXPECT_EQ(Format(CFSTR("[%-4s][%.2s][%s]"), "ab", "xyz", static_cast<const char*>(nullptr)), "[ab  ][xy][(null)]");
  EXPECT_EQ(Format(CFSTR("%c%C"), 'A', 0x20AC), "A\xE2\x82\xAC");
}

TEST_F(CFStringFormat, ObjectConversionWritesDescriptionsAndTheResultKeepsUTF16Length)
{
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

TEST_F(CFStringFormat, RefusedFormatsAnswerNull)
{
  int written = 0;
  EXPECT_EQ(Format(CFSTR("%k"), 1), "<null>") << "unknown conversion";
  EXPECT_EQ(Format(CFSTR("%n"), &written), "<null>") << "%n writes memory";
  EXPECT_EQ(written, 0);
  EXPECT_EQ(Format(CFSTR("%1$d"), 1), "<null>") << "positional";
  EXPECT_EQ(Format(CFSTR("100%")), "<null>") << "dangling percent";
  EXPECT_EQ(Format(CFSTR("%ls"), L"wide"), "<null>") << "wide text";
  EXPECT_EQ(Format(CFSTR("%2000000d"), 1), "<null>") << "absurd width";
  EXPECT_EQ(Format(CFSTR("%s"), "\xC3"), "<null>") << "result not UTF-8";
  EXPECT_EQ(CFStringCreateWithFormat(nullptr, nullptr, nullptr, 1), nullptr);
  const int notAString = 1;
  CFOwned<CFNumberRef> number(CFNumberCreate(nullptr, kCFNumberIntType, &notAString));
  EXPECT_EQ(CFStringCreateWithFormat(nullptr, nullptr, reinterpret_cast<CFStringRef>(number.get())), nullptr);
}

using CFStringIdentity = CFLeakCheckedTest;

TEST_F(CFStringIdentity, CompareOrdersByCodePointAndEqualTextsAreEqualAndHashAlike)
{
  struct Row { const char *a, *b; CFStringCompareFlags flags; CFComparisonResult expected; };
  // A prefix orders first, 'A' (0x41) before 'a' (0x61), U+00E9 after U+007A.
  const Row rows[] = {{"abc", "abd", 0, kCFCompareLessThan},  {"abd", "abc", 0, kCFCompareGreaterThan},
                      {"ab", "abc", 0, kCFCompareLessThan},   {"ABC", "abc", 0, kCFCompareLessThan},
                      {"\xC3\xA9", "z", 0, kCFCompareGreaterThan},
                      {"ABC", "abc", kCFCompareCaseInsensitive, kCFCompareEqualTo}};
  for (const Row& r : rows)
  {
    CFOwned<CFStringRef> a(MakeString(r.a)), b(MakeString(r.b));
    EXPECT_EQ(CFStringCompare(a.get(), b.get(), r.flags), r.expected) << r.a << " vs " << r.b;
  }

  CFOwned<CFStringRef> a(MakeString("name \xE2\x82\xAC"));
  CFOwned<CFStringRef> b(MakeString("name \xE2\x82\xAC"));
  CFOwned<CFStringRef> c(MakeString("name"));
  ASSERT_NE(a.get(), b.get());
  EXPECT_EQ(CFStringCompare(a.get(), b.get(), 0), kCFCompareEqualTo);
  EXPECT_TRUE(CFEqual(a.get(), b.get()));
  EXPECT_EQ(CFHash(a.get()), CFHash(b.get()));
  EXPECT_FALSE(CFEqual(a.get(), c.get()));
  EXPECT_FALSE(CFEqual(a.get(), nullptr));
  EXPECT_FALSE(CFEqual(nullptr, nullptr));
}

TEST_F(CFStringIdentity, ConstantStringsAreSharedAndNeverFreed)
{
  const CFStringRef first = CFSTR("version");
  const CFStringRef second = CFSTR("version");
  EXPECT_EQ(first, second);
  CFRelease(first);
  CFRelease(first);
  EXPECT_EQ(CFStringGetLength(first), 7) << "releasing a constant string does nothing";
  EXPECT_GT(CFGetRetainCount(first), 1000000);
  CFOwned<CFStringRef> made(MakeString("version"));
  EXPECT_TRUE(CFEqual(first, made.get()));
  EXPECT_EQ(CFSTR("\xC3"), nullptr) << "a malformed literal gives no string";
}

TEST_F(CFStringIdentity, CopyAndDescriptionOfAStringShareIt)
{
  CFOwned<CFStringRef> original(MakeString("shared"));
  CFOwned<CFStringRef> copy(CFStringCreateCopy(nullptr, original.get()));
  CFOwned<CFStringRef> description(CFCopyDescription(original.get()));
  EXPECT_TRUE(CFEqual(copy.get(), original.get()));
  EXPECT_EQ(TextOf(description.get()), "shared");
  EXPECT_EQ(CFGetRetainCount(original.get()), 3) << "one reference each: original, copy, description";
  EXPECT_EQ(CFGetTypeID(original.get()), CFStringGetTypeID());
}

TEST_F(CFStringIdentity, OtherObjectsAreNotStrings)
{
  const double value = 1.5;
  CFOwned<CFNumberRef> number(CFNumberCreate(nullptr, kCFNumberDoubleType, &value));
  const auto notAString = reinterpret_cast<CFStringRef>(number.get());
  char buffer[8] = "xxxxxxx";
  EXPECT_EQ(CFStringGetLength(notAString), 0);
  EXPECT_EQ(CFStringGetLength(nullptr), 0);
  EXPECT_FALSE(CFStringGetCString(notAString, buffer, sizeof(buffer), kCFStringEncodingUTF8));
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(CFStringGetCStringPtr(notAString, kCFStringEncodingUTF8), nullptr);
  EXPECT_EQ(CFStringCreateCopy(nullptr, notAString), nullptr);
  EXPECT_EQ(CFStringCompare(notAString, CFSTR("a"), 0), kCFCompareLessThan);
  EXPECT_EQ(CFStringCompare(nullptr, notAString, 0), kCFCompareEqualTo);
  EXPECT_FALSE(CFEqual(notAString, CFSTR("1.5")));
  EXPECT_EQ(CFCopyDescription(nullptr), nullptr);
}
