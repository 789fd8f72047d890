#include "IFontInfo.h"
#include "PlatformFont.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace weft::canvas;

namespace {

using Bytes = std::vector<unsigned char>;

const char* kRoboto = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";

Bytes ReadFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// The font fuzzer's seeds: a collection of faces "Light" and "Regular", and
// a font with Mac Roman names only.
Bytes Seed(const char* name) { return ReadFile(std::string(std::getenv("PW_SOURCE_DIR")) + "/Tests/Fuzz/Corpus/font/" + name); }

void Put32(Bytes& b, size_t at, uint32_t v)
{
  for (int i = 0; i < 4; i++)
    b.at(at + size_t(i)) = static_cast<unsigned char>(v >> (24 - 8 * i));
}

IFontInfo Info(const Bytes& b, uint32_t face = 0) { return IFontInfo(b.data(), static_cast<uint32_t>(b.size()), face); }

} // namespace

TEST(IFontInfo, RobotoRegularGivesItsNamesAndMetrics)
{
  const Bytes roboto = ReadFile(kRoboto);
  const IFontInfo info = Info(roboto);
  ASSERT_TRUE(info.IsValid());
  EXPECT_STREQ(info.GetFamily().Get(), "Roboto");
  EXPECT_STREQ(info.GetStyle().Get(), "Regular");
  EXPECT_EQ(info.GetUnitsPerEM(), 2048);
  EXPECT_EQ(info.GetAscender(), 1900);
  EXPECT_EQ(info.GetDescender(), -500);
  EXPECT_DOUBLE_EQ(info.GetHeightEMRatio(), 2048.0 / 2400.0);
  EXPECT_FALSE(Info(roboto, 1).IsValid()) << "a single font has face 0 only";
}

TEST(IFontInfo, CollectionsSelectTheirFacesByIndexAndStyle)
{
  const Bytes ttc = Seed("two-faces.ttc");
  EXPECT_STREQ(Info(ttc, 0).GetStyle().Get(), "Light");
  EXPECT_EQ(Info(ttc, 1).GetAscender(), 900);
  EXPECT_FALSE(Info(ttc, 2).IsValid());
  const int size = static_cast<int>(ttc.size());
  EXPECT_EQ(PlatformFont::GetFaceIdx(ttc.data(), size, "Regular"), 1);
  EXPECT_EQ(PlatformFont::GetFaceIdx(ttc.data(), size, "regular"), -1) << "style names match case-sensitively";
  EXPECT_EQ(PlatformFont::GetFaceIdx(ttc.data(), size, ""), 0);
}

TEST(IFontInfo, MacRomanNamesAreUsedWhenThereAreNoMicrosoftOnes)
{
  const IFontInfo info = Info(Seed("mac-names.ttf"));
  ASSERT_TRUE(info.IsValid());
  EXPECT_STREQ(info.GetFamily().Get(), "Old");
  EXPECT_STREQ(info.GetStyle().Get(), "Plain");
  EXPECT_EQ(info.GetHeightEMRatio(), 0.0) << "ascender equal to descender";
}

TEST(IFontInfo, TruncatedCopiesOfRobotoAreInvalidAndNeverReadPastTheirEnd)
{
  const Bytes roboto = ReadFile(kRoboto);
  ASSERT_FALSE(roboto.empty());
  // Every cut through the directory, head and hhea, many through the name
  // table (225236..225958), a few elsewhere.
  for (size_t n = 0; n < roboto.size(); n += n < 400 ? 1 : (n >= 225236 && n < 225958) ? 7 : 997)
  {
    // An exact-size copy, so the address sanitizer sees any overread.
    const Bytes cut(roboto.begin(), roboto.begin() + static_cast<long>(n));
    const IFontData data(cut.data(), static_cast<int>(n), 0);
    EXPECT_FALSE(data.IsValid()) << n;
    EXPECT_EQ(data.GetFamily().GetLength(), 0) << n;
  }
}

TEST(IFontInfo, HostileOffsetsAndCountsAreRefused)
{
  const Bytes good = Seed("two-faces.ttc");
  const struct { const char* what; size_t at; uint32_t value; } cases[] = {
    {"negative face count", 8, 0x80000000}, {"face offset past the end", 12, 0xFFFFFFF0},
    {"bad collection version", 4, 0x00030000}, {"table offset past the end", 20 + 12 + 8, 0xFFFFFFF0},
    {"table count past the directory", 20 + 4, 0xFFFF0000},
  };
  for (const auto& c : cases)
  {
    Bytes b = good;
    Put32(b, c.at, c.value);
    EXPECT_FALSE(Info(b, 0).IsValid()) << c.what;
  }
  EXPECT_FALSE(Info(Bytes(good.begin(), good.begin() + 14), 0).IsValid()) << "offset table cut short";
  Bytes strings = good;
  Put32(strings, 20 + 150 + 2, 0x0002FFFF); // name storage far beyond the data
  const IFontInfo info = Info(strings, 0);
  EXPECT_TRUE(info.IsValid());
  EXPECT_EQ(info.GetFamily().GetLength(), 0) << "a name that runs past the end is empty";
}

TEST(IFontData, OwnsItsBytesAndNeedsAFaceIndexOfZeroOrMore)
{
  EXPECT_FALSE(IFontData().IsValid());
  Bytes roboto = ReadFile(kRoboto);
  const IFontData data(roboto.data(), static_cast<int>(roboto.size()), 0);
  std::fill(roboto.begin(), roboto.end(), 0);
  ASSERT_TRUE(data.IsValid());
  EXPECT_EQ(std::memcmp(data.Get(), "\0\1\0\0", 4), 0) << "a copy, untouched by the caller's buffer";
  EXPECT_FALSE(IFontData(data.Get(), data.GetSize(), -1).IsValid());
}
