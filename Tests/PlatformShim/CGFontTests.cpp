#include "../ICanvas/Drawing/VG/DamagedFonts.h"

#include <CoreGraphics/CGDataProvider.h>
#include <CoreGraphics/CGFont.h>

#include <gtest/gtest.h>

#include <algorithm>
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
  for (size_t size : {4, 5, 12, 40, 12 + 16 * 5})
    EXPECT_FALSE(MakesFont(cut(size))) << size << " bytes";
  EXPECT_FALSE(MakesFont(cut(12 + 16 * damaged::U16(roboto, 4) - 1))) << "directory one byte short";
  size_t neededEnd = 0;
  for (const char* tag : {"cmap", "head", "hhea", "hmtx", "glyf", "loca"})
  {
    const size_t r = damaged::Record(roboto, tag), end = damaged::U32(roboto, r + 8) + damaged::U32(roboto, r + 12);
    neededEnd = std::max(neededEnd, end);
    EXPECT_FALSE(MakesFont(cut(end - 1))) << "one byte short of " << tag;
    Bytes moved = roboto, renamed = roboto;
    damaged::Put32(moved, r + 8, uint32_t(moved.size()) - 2);
    EXPECT_FALSE(MakesFont(moved)) << tag << " two bytes from the end";
    damaged::Retag(renamed, tag, "xxxx");
    EXPECT_FALSE(MakesFont(renamed)) << "no " << tag;
  }
  EXPECT_TRUE(MakesFont(cut(neededEnd))) << "the last needed table ends the data";
  Bytes wrapped = roboto; // cmap's end is 2^32: 0 in 32 bits
  const size_t cmap = damaged::Record(wrapped, "cmap");
  damaged::Put32(wrapped, cmap + 8, 0xFFFFFFFF), damaged::Put32(wrapped, cmap + 12, 1);
  EXPECT_FALSE(MakesFont(wrapped)) << "cmap at 2^32 - 1";
  // Outlines: glyf with loca, or else CFF.
  auto retagged = [&](const char* from, const char* to) { Bytes b = roboto; damaged::Retag(b, from, to); return b; };
  EXPECT_TRUE(MakesFont(retagged("glyf", "CFF "))) << "CFF only";
  EXPECT_FALSE(MakesFont(retagged("loca", "CFF "))) << "glyf and CFF without loca";
  Bytes cffPast = retagged("glyf", "CFF ");
  damaged::Put32(cffPast, damaged::Record(cffPast, "CFF ") + 8, uint32_t(cffPast.size()) - 2);
  EXPECT_FALSE(MakesFont(cffPast)) << "CFF two bytes from the end";
  Bytes cmapLast = retagged("cmap", "xxxx");
  damaged::Retag(cmapLast, "post", "cmap");
  EXPECT_TRUE(MakesFont(cmapLast)) << "cmap the directory's last record";
  for (uint32_t version : {0x74727565u, 0x4F54544Fu, 0x74797031u, 0x31000000u, 0x00020000u})
  {
    Bytes b = roboto;
    damaged::Put32(b, 0, version);
    EXPECT_EQ(MakesFont(b), version != 0x00020000) << std::hex << version;
  }
}

TEST(CGFont, ACollectionMakesAFontOfItsFirstFaceOnlyWhenThatFaceIsInside)
{
  const Bytes whole = damaged::AsCollection(damaged::ReadFile(kRobotoPath));
  EXPECT_TRUE(MakesFont(whole));
  Bytes collection = whole;
  damaged::Put32(collection, 12, uint32_t(collection.size()) - 4); // the face past the end
  EXPECT_FALSE(MakesFont(collection));
  // Its directory as the data's last bytes: whole; one byte short of them: not.
  Bytes last = whole;
  last.insert(last.end(), whole.begin() + 16, whole.begin() + 16 + 12 + 16 * damaged::U16(whole, 16 + 4));
  damaged::Put32(last, 12, uint32_t(whole.size()));
  EXPECT_TRUE(MakesFont(last)) << "directory at the end";
  EXPECT_FALSE(MakesFont(Bytes(last.begin(), last.end() - 1))) << "directory one byte short";
  Bytes header = whole; // a face's version 5 bytes from the end, its table count past it
  damaged::Put32(header, whole.size() - 5, 0x00010000), damaged::Put32(header, 12, uint32_t(whole.size() - 5));
  EXPECT_FALSE(MakesFont(header)) << "face header past the end";
  Bytes none = whole;
  damaged::Put32(none, 8, 0);
  EXPECT_FALSE(MakesFont(none)) << "no faces";
  EXPECT_FALSE(MakesFont(Bytes(whole.begin(), whole.begin() + 15))) << "offset of the first face cut";
}

} // namespace
