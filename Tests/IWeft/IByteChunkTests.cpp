#include "IByteChunk.h"
#include "IWeftVersion.h"
#include "PluginTestUtils.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

using weft::IByteChunk;
using weft::IByteStream;
using pw::test::BytesOf;

namespace {

using Bytes = std::vector<uint8_t>;


IByteChunk ChunkOf(const Bytes& bytes)
{
  IByteChunk chunk;
  chunk.PutBytes(bytes.data(), static_cast<int>(bytes.size()));
  return chunk;
}

// A string record whose length field is len, followed by textBytes bytes 'x'.
Bytes StrRecord(int32_t len, int textBytes)
{
  Bytes b(sizeof(len) + static_cast<size_t>(textBytes), 'x');
  std::memcpy(b.data(), &len, sizeof(len));
  return b;
}

} // namespace

TEST(IByteChunkPut, ValuesAreTheirRawLittleEndianBytesAndStringsALengthThenTheText)
{
  const int i = -2;
  const float f = -2.5f; // 0xC0200000
  const double d = 1.5;  // 0x3FF8000000000000
  const bool t = true;
  IByteChunk chunk;
  chunk.Put(&i);
  chunk.Put(&f);
  chunk.Put(&d);
  EXPECT_EQ(chunk.Put(&t), 17);
  EXPECT_EQ(chunk.PutStr("ab"), 23);
  EXPECT_EQ(chunk.PutStr(nullptr), 27);
  EXPECT_EQ(BytesOf(chunk), (Bytes{0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x20, 0xC0, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F,
                                   0x01, 2, 0, 0, 0, 'a', 'b', 0, 0, 0, 0}));
}

TEST(IByteChunkPut, AppendingItsOwnBytesSurvivesTheBufferMoving)
{
  // 4000 bytes fill the first allocation exactly, so the next append moves
  // the buffer while the source still points into it.
  Bytes pattern(4000);
  for (size_t i = 0; i < pattern.size(); ++i)
    pattern[i] = static_cast<uint8_t>(i * 7);
  IByteChunk chunk;
  chunk.PutBytes(pattern.data(), 1);
  chunk.PutBytes(pattern.data() + 1, 3999);
  EXPECT_EQ(chunk.PutBytes(chunk.GetData() + 1000, 200), 4200);
  const Bytes all = BytesOf(chunk);
  EXPECT_EQ(Bytes(all.begin() + 4000, all.end()), Bytes(pattern.begin() + 1000, pattern.begin() + 1200));

  IByteChunk small = ChunkOf({1, 2});
  EXPECT_EQ(small.PutChunk(small), 4);
  EXPECT_EQ(BytesOf(small), (Bytes{1, 2, 1, 2}));
}

TEST(IByteChunkPut, RefusedAppendsReturnMinusOneAndKeepTheContents)
{
  IByteChunk chunk = ChunkOf({1, 2, 3});
  const uint8_t src[4] = {9, 9, 9, 9};
  EXPECT_EQ(chunk.PutBytes(src, -1), -1);
  EXPECT_EQ(chunk.PutBytes(nullptr, 4), -1);
  EXPECT_EQ(chunk.PutBytes(src, INT_MAX), -1);    // the size would pass INT32_MAX
  EXPECT_EQ(chunk.PutBytes(src, 0x7FFFFFF0), -1); // growth fails before any source byte is read
  EXPECT_EQ(BytesOf(chunk), (Bytes{1, 2, 3}));
}

TEST(IByteChunkGet, ReadsOutsideTheBytesFailAndLeaveTheValue)
{
  const IByteChunk chunk = ChunkOf({0xAA, 0x01, 0x02, 0x03, 0x04, 0xBB});
  int v = 12345;
  for (int start : {3, 6, -1, INT_MIN})
    EXPECT_EQ(chunk.Get(&v, start), -1) << start;
  EXPECT_EQ(v, 12345);
  EXPECT_EQ(chunk.Get(&v, 2), 6);
  EXPECT_EQ(v, static_cast<int>(0xBB040302));

  uint8_t buf[4] = {9, 9, 9, 9};
  const int refused[][2] = {{-1, 0}, {INT_MIN, 4}, {INT_MAX, 1}, {1, INT_MAX}, {INT_MAX, INT_MAX}, {0, 7}};
  for (const auto& r : refused)
    EXPECT_EQ(chunk.GetBytes(buf, r[0], r[1]), -1) << r[0] << " bytes at " << r[1];
  EXPECT_EQ(Bytes(buf, buf + 4), (Bytes{9, 9, 9, 9}));
}

TEST(IByteChunkStr, LengthsThatDoNotFitAreRefusedWithoutTouchingTheTextOrOverflowing)
{
  const struct { Bytes record; int start; int end; const char* text; } cases[] = { // end: the returned position
    {StrRecord(3, 3), 0, 7, "xxx"},                 // ends exactly at the end of the chunk
    {StrRecord(10, 3), 0, 14, "keep"},              // ends past the chunk: the next read fails
    {StrRecord(0x7FFFFFFB, 8), 0, INT_MAX, "keep"}, // an end of exactly INT32_MAX still fits
    {StrRecord(0x7FFFFFFF, 8), 0, -1, "keep"},      // 4 + 0x7FFFFFFF does not fit an int32
    {StrRecord(-100, 8), 0, -1, "keep"},
    {StrRecord(INT_MIN, 8), 0, -1, "keep"},
    {{3, 0, 0}, 0, -1, "keep"}, // truncated length field
    {StrRecord(3, 3), -1, -1, "keep"},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.end);
    const IByteChunk chunk = ChunkOf(c.record);
    LOOM_String text("keep");
    const int pos = chunk.GetStr(text, c.start);
    EXPECT_EQ(pos, c.end);
    EXPECT_STREQ(text.Get(), c.text);
    int v = 5;
    EXPECT_EQ(chunk.Get(&v, pos), -1) << "nothing is left to read";
  }
}

TEST(IByteChunkResize, GrowingZeroesTheNewBytesAndNegativeOrUnallocatableSizesKeepTheContents)
{
  // Shrinking keeps the allocation, so the stale 0xAB bytes are still there
  // unless growth clears them.
  IByteChunk chunk = ChunkOf(Bytes(20, 0xAB));
  EXPECT_EQ(chunk.Resize(10), 20);
  EXPECT_EQ(chunk.Resize(20), 10);
  EXPECT_EQ(chunk.Resize(-5), 20);
  EXPECT_EQ(chunk.Resize(0x7FFF0000), 20);
  Bytes expected(20, 0);
  std::fill(expected.begin(), expected.begin() + 10, 0xAB);
  EXPECT_EQ(BytesOf(chunk), expected);
}

TEST(IWeftVersionHeader, IsMagicThenVersionAndReadingAdvancesOnlyWhenBothArePresent)
{
  IByteChunk chunk = ChunkOf({1, 2, 3});
  IByteChunk::InitChunkWithIWeftVer(chunk);
  EXPECT_EQ(BytesOf(chunk), (Bytes{0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00}));

  const struct { Bytes bytes; int start; int version; int end; } cases[] = {
    {{0xEE, 0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00}, 1, 0x10000, 9},
    {{0x70, 0x66, 0x66, 0x74, 0x00, 0x00, 0x01, 0x00}, 0, 0, 0}, // byte-swapped magic
    {{0x74, 0x66, 0x66, 0x70, 0x00, 0x00}, 0, 0, 0},             // magic without its version
    {{0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00}, -1, 0, -1}, // a failed position stays failed
  };
  for (const auto& c : cases)
  {
    int pos = c.start;
    EXPECT_EQ(IByteChunk::GetIWeftVerFromChunk(ChunkOf(c.bytes), pos), c.version) << c.bytes.size();
    EXPECT_EQ(pos, c.end);
  }
}

TEST(IByteStreamRead, ReadsAValueWholeOrNotAtAllAndNullOrNegativeSizeIsEmpty)
{
  const int src[2] = {3, -5};
  int dst[2] = {-1, -1};
  EXPECT_EQ(IByteStream(src, 7).Get(&dst, 0), -1);
  EXPECT_EQ(dst[1], -1);
  EXPECT_EQ(IByteStream(src, 8).Get(&dst, 0), 8);
  EXPECT_EQ(dst[1], -5);
  for (const IByteStream& empty : {IByteStream(src, -4), IByteStream(nullptr, 4)})
    EXPECT_EQ(empty.Get(&dst, 0), -1);
}
