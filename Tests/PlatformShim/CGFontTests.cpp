#include <CoreGraphics/CGDataProvider.h>
#include <CoreGraphics/CGFont.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace {

constexpr const char* kRoboto = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";

std::vector<uint8_t> ReadRoboto()
{
  std::ifstream file(kRoboto, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

void Put32(uint8_t* p, uint32_t v)
{
  p[0] = uint8_t(v >> 24), p[1] = uint8_t(v >> 16), p[2] = uint8_t(v >> 8), p[3] = uint8_t(v);
}

// Whether a graphics font is made of the first size bytes, held in an
// allocation of exactly that size so that a read past it is a sanitizer
// report.
bool MakesFont(const std::vector<uint8_t>& bytes, size_t size)
{
  std::unique_ptr<uint8_t[]> exact(new uint8_t[size]);
  std::memcpy(exact.get(), bytes.data(), size);
  CGDataProviderRef provider = CGDataProviderCreateWithData(nullptr, exact.get(), size, nullptr);
  EXPECT_NE(provider, nullptr);
  CGFontRef font = CGFontCreateWithDataProvider(provider);
  CGDataProviderRelease(provider);
  CGFontRelease(font);
  return font != nullptr;
}

uint8_t* TableRecord(std::vector<uint8_t>& font, uint32_t tag)
{
  const unsigned tables = font[4] << 8 | font[5];
  for (unsigned t = 0; t < tables; ++t)
  {
    uint8_t* record = font.data() + 12 + 16 * t;
    if ((uint32_t(record[0]) << 24 | record[1] << 16 | record[2] << 8 | record[3]) == tag)
      return record;
  }
  return nullptr;
}

TEST(CGFont, AWholeFontMakesAGraphicsFont)
{
  const std::vector<uint8_t> roboto = ReadRoboto();
  ASSERT_GT(roboto.size(), 1000u);
  EXPECT_TRUE(MakesFont(roboto, roboto.size()));
}

uint32_t TableEnd(std::vector<uint8_t>& font, uint32_t tag)
{
  const uint8_t* r = TableRecord(font, tag);
  return r ? (uint32_t(r[8]) << 24 | r[9] << 16 | r[10] << 8 | r[11]) +
               (uint32_t(r[12]) << 24 | r[13] << 16 | r[14] << 8 | r[15])
           : 0;
}

TEST(CGFont, BytesThatEndInsideTheTableDirectoryOrANeededTableMakeNoFont)
{
  std::vector<uint8_t> roboto = ReadRoboto();
  ASSERT_GT(roboto.size(), 1000u);
  for (size_t size : {size_t(4), size_t(12), size_t(40), size_t(12 + 16 * 5)})
    EXPECT_FALSE(MakesFont(roboto, size)) << size << " bytes";
  for (uint32_t tag : {0x636D6170u, 0x68656164u, 0x68686561u, 0x686D7478u, 0x676C7966u, 0x6C6F6361u})
  {
    const uint32_t end = TableEnd(roboto, tag);
    ASSERT_GT(end, 0u);
    ASSERT_LE(end, roboto.size());
    EXPECT_FALSE(MakesFont(roboto, end - 1)) << "cut one byte short of table " << std::hex << tag;
  }
}

TEST(CGFont, ATableListedPastTheEndOrAMissingOneMakesNoFont)
{
  std::vector<uint8_t> moved = ReadRoboto();
  ASSERT_GT(moved.size(), 1000u);
  uint8_t* cmap = TableRecord(moved, 0x636D6170);
  ASSERT_NE(cmap, nullptr);
  Put32(cmap + 8, uint32_t(moved.size()) - 2); // cmap's offset two bytes from the end
  EXPECT_FALSE(MakesFont(moved, moved.size()));

  std::vector<uint8_t> renamed = ReadRoboto();
  Put32(TableRecord(renamed, 0x68686561), 0x78787878); // hhea gone
  EXPECT_FALSE(MakesFont(renamed, renamed.size()));
}

TEST(CGFont, ACollectionMakesAFontOfItsFirstFaceOnlyWhenThatFaceIsInside)
{
  const std::vector<uint8_t> roboto = ReadRoboto();
  ASSERT_GT(roboto.size(), 1000u);
  // A collection header of one face, the face right after it; the face's
  // table offsets move by the header's 16 bytes.
  std::vector<uint8_t> collection(16);
  Put32(collection.data(), 0x74746366);
  Put32(collection.data() + 4, 0x00010000);
  Put32(collection.data() + 8, 1);
  Put32(collection.data() + 12, 16);
  collection.insert(collection.end(), roboto.begin(), roboto.end());
  const unsigned tables = roboto[4] << 8 | roboto[5];
  for (unsigned t = 0; t < tables; ++t)
  {
    uint8_t* offset = collection.data() + 16 + 12 + 16 * t + 8;
    Put32(offset, (uint32_t(offset[0]) << 24 | offset[1] << 16 | offset[2] << 8 | offset[3]) + 16);
  }
  EXPECT_TRUE(MakesFont(collection, collection.size()));

  Put32(collection.data() + 12, uint32_t(collection.size()) - 4); // the face past the end
  EXPECT_FALSE(MakesFont(collection, collection.size()));
}

} // namespace
