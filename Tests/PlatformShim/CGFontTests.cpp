#include "../ICanvas/Drawing/VG/DamagedFonts.h"

#include <CoreGraphics/CGDataProvider.h>
#include <CoreGraphics/CGFont.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

using damaged::Bytes;

// Held in an allocation of exactly their size, so that a read past the
// bytes is a sanitizer report.
bool MakesFont(const Bytes& bytes)
{
  std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size()]);
  std::memcpy(exact.get(), bytes.data(), bytes.size());
  CGDataProviderRef provider = CGDataProviderCreateWithData(nullptr, exact.get(), bytes.size(), nullptr);
  CGFontRef font = CGFontCreateWithDataProvider(provider);
  CGDataProviderRelease(provider);
  CGFontRelease(font);
  return font != nullptr;
}

TEST(CGFont, OnlyBytesHoldingTheTableDirectoryAndEveryNeededTableMakeAGraphicsFont)
{
  const Bytes roboto = damaged::ReadFile(kRobotoPath);
  ASSERT_GT(roboto.size(), 1000u);
  EXPECT_TRUE(MakesFont(roboto));
  auto cut = [&](size_t size) { return Bytes(roboto.begin(), roboto.begin() + size); };
  for (size_t size : {4, 12, 40, 12 + 16 * 5})
    EXPECT_FALSE(MakesFont(cut(size))) << size << " bytes";
  for (const char* tag : {"cmap", "head", "hhea", "hmtx", "glyf", "loca"})
  {
    const size_t r = damaged::Record(roboto, tag);
    EXPECT_FALSE(MakesFont(cut(damaged::U32(roboto, r + 8) + damaged::U32(roboto, r + 12) - 1))) << "one byte short of " << tag;
  }
  Bytes moved = roboto, renamed = roboto;
  damaged::Put32(moved, damaged::Record(moved, "cmap") + 8, uint32_t(moved.size()) - 2);
  EXPECT_FALSE(MakesFont(moved)) << "cmap two bytes from the end";
  damaged::Retag(renamed, "hhea", "xxxx");
  EXPECT_FALSE(MakesFont(renamed)) << "no hhea";
}

TEST(CGFont, ACollectionMakesAFontOfItsFirstFaceOnlyWhenThatFaceIsInside)
{
  Bytes collection = damaged::AsCollection(damaged::ReadFile(kRobotoPath));
  EXPECT_TRUE(MakesFont(collection));
  damaged::Put32(collection, 12, uint32_t(collection.size()) - 4); // the face past the end
  EXPECT_FALSE(MakesFont(collection));
}

} // namespace
