#include "IFontInfo.h"
#include "PlatformFont.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace weft::canvas;

namespace {

using Bytes = std::vector<unsigned char>;

const char* kRoboto = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";

Bytes ReadFile(const char* path)
{
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void Put16(Bytes& b, size_t at, uint32_t v)
{
  b[at] = static_cast<unsigned char>(v >> 8);
  b[at + 1] = static_cast<unsigned char>(v);
}

void Put32(Bytes& b, size_t at, uint32_t v)
{
  Put16(b, at, v >> 16);
  Put16(b, at + 2, v & 0xFFFF);
}

// One face with head, hhea and name tables whose offsets count from base.
// The names are Microsoft UTF-16BE records, or Mac Roman ones when mac.
Bytes MakeFace(size_t base, const char* family, const char* style, bool mac, int asc, int desc)
{
  const std::string names[2] = {family, style};
  const size_t head = 60, hhea = 114, name = 150, strings = name + 30;
  Bytes b(strings);
  Put32(b, 0, 0x00010000);
  Put16(b, 4, 3);
  const char* tags[3] = {"head", "hhea", "name"};
  const size_t offsets[3] = {head, hhea, name};
  for (int i = 0; i < 3; i++)
  {
    std::memcpy(&b[12 + 16 * i], tags[i], 4);
    Put32(b, 12 + 16 * i + 8, static_cast<uint32_t>(base + offsets[i]));
  }
  Put16(b, head + 18, 2048);
  Put16(b, head + 44, 1);
  Put16(b, hhea + 4, static_cast<uint16_t>(asc));
  Put16(b, hhea + 6, static_cast<uint16_t>(desc));
  Put16(b, name + 2, 2);
  Put16(b, name + 4, 30);
  size_t pos = 0;
  for (int i = 0; i < 2; i++)
  {
    const size_t rec = name + 6 + 12 * i;
    const uint32_t ids[4] = {mac ? 1u : 3u, mac ? 0u : 1u, mac ? 0u : 1033u, static_cast<uint32_t>(i + 1)};
    for (int k = 0; k < 4; k++)
      Put16(b, rec + 2 * k, ids[k]);
    for (char ch : names[i])
    {
      if (!mac)
        b.push_back(0);
      b.push_back(static_cast<unsigned char>(ch));
    }
    const size_t len = names[i].size() * (mac ? 1 : 2);
    Put16(b, rec + 8, static_cast<uint32_t>(len));
    Put16(b, rec + 10, static_cast<uint32_t>(pos));
    pos += len;
  }
  // Table lengths last, once the name strings are in place.
  const size_t lengths[3] = {54, 36, b.size() - name};
  for (int i = 0; i < 3; i++)
    Put32(b, 12 + 16 * i + 12, static_cast<uint32_t>(lengths[i]));
  return b;
}

Bytes MakeCollection()
{
  Bytes b(20);
  std::memcpy(b.data(), "ttcf", 4);
  Put32(b, 4, 0x00010000);
  Put32(b, 8, 2);
  Put32(b, 12, 20);
  const Bytes face0 = MakeFace(20, "Fam", "Light", false, 800, -200);
  Put32(b, 16, static_cast<uint32_t>(20 + face0.size()));
  const Bytes face1 = MakeFace(20 + face0.size(), "Fam", "Heavy", false, 900, -100);
  b.insert(b.end(), face0.begin(), face0.end());
  b.insert(b.end(), face1.begin(), face1.end());
  return b;
}

IFontInfo Info(const Bytes& b, uint32_t face = 0) { return IFontInfo(b.data(), static_cast<uint32_t>(b.size()), face); }

} // namespace

TEST(IFontInfo, RobotoRegularGivesItsNamesAndMetrics)
{
  const Bytes roboto = ReadFile(kRoboto);
  ASSERT_FALSE(roboto.empty());
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
  const Bytes ttc = MakeCollection();
  EXPECT_STREQ(Info(ttc, 0).GetStyle().Get(), "Light");
  EXPECT_STREQ(Info(ttc, 1).GetStyle().Get(), "Heavy");
  EXPECT_EQ(Info(ttc, 1).GetAscender(), 900);
  EXPECT_FALSE(Info(ttc, 2).IsValid());
  const int size = static_cast<int>(ttc.size());
  EXPECT_EQ(PlatformFont::GetFaceIdx(ttc.data(), size, "Heavy"), 1);
  EXPECT_EQ(PlatformFont::GetFaceIdx(ttc.data(), size, "heavy"), -1) << "style names match case-sensitively";
  EXPECT_EQ(PlatformFont::GetFaceIdx(ttc.data(), size, ""), 0);
}

TEST(IFontInfo, MacRomanNamesAreUsedWhenThereAreNoMicrosoftOnes)
{
  const Bytes mac = MakeFace(0, "Old", "Plain", true, 10, 10);
  const IFontInfo info = Info(mac);
  ASSERT_TRUE(info.IsValid());
  EXPECT_STREQ(info.GetFamily().Get(), "Old");
  EXPECT_STREQ(info.GetStyle().Get(), "Plain");
  EXPECT_EQ(info.GetMacStyle(), 1);
  EXPECT_EQ(info.GetHeightEMRatio(), 0.0) << "ascender equal to descender";
}

TEST(IFontInfo, TruncatedCopiesOfRobotoAreInvalidAndNeverReadPastTheirEnd)
{
  const Bytes roboto = ReadFile(kRoboto);
  ASSERT_FALSE(roboto.empty());
  std::vector<size_t> lengths;
  for (size_t n = 0; n < 400; n++)
    lengths.push_back(n); // directory, head and hhea
  for (size_t n = 225236; n < 225236 + 722; n += 7)
    lengths.push_back(n); // inside the name table
  lengths.push_back(roboto.size() - 1);
  for (size_t n : lengths)
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
  const Bytes good = MakeCollection();
  const struct
  {
    const char* what;
    size_t at;
    uint32_t value;
    bool wide;
  } cases[] = {
    {"negative face count", 8, 0x80000000, true},
    {"face offset past the end", 12, 0xFFFFFFF0, true},
    {"bad collection version", 4, 0x00030000, true},
    {"table offset past the end", 20 + 12 + 8, 0xFFFFFFF0, true},
    {"table count past the directory", 20 + 4, 0xFFFF, false},
  };
  for (const auto& c : cases)
  {
    Bytes b = good;
    c.wide ? Put32(b, c.at, c.value) : Put16(b, c.at, c.value);
    EXPECT_FALSE(Info(b, 0).IsValid()) << c.what;
  }
  EXPECT_FALSE(Info(Bytes(good.begin(), good.begin() + 14), 0).IsValid()) << "offset table cut short";
  Bytes strings = good;
  Put16(strings, 20 + 150 + 4, 0xFFFF); // name storage far beyond the data
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
  EXPECT_EQ(data.GetSize(), static_cast<int>(roboto.size()));
  EXPECT_EQ(std::memcmp(data.Get(), "\0\1\0\0", 4), 0) << "a copy, untouched by the caller's buffer";
  EXPECT_FALSE(IFontData(data.Get(), data.GetSize(), -1).IsValid());
}
