#include "IByteChunk.h"
#include "IWeftVersion.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using weft::IByteChunk;
using weft::IByteGetter;
using weft::IByteStream;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes BytesOf(const IByteChunk& chunk)
{
  const uint8_t* p = chunk.GetData();
  return p ? Bytes(p, p + chunk.Size()) : Bytes();
}

// A chunk holding exactly the given bytes.
IByteChunk ChunkOf(const Bytes& bytes)
{
  IByteChunk chunk;
  chunk.PutBytes(bytes.data(), static_cast<int>(bytes.size()));
  return chunk;
}

// Fills an empty chunk with 4000 bytes so that its allocation is exactly
// full: the first one-byte append allocates 4000 bytes (granularity 4096).
void FillToFirstAllocation(IByteChunk& chunk, const Bytes& bytes4000)
{
  chunk.PutBytes(bytes4000.data(), 1);
  chunk.PutBytes(bytes4000.data() + 1, 3999);
}

// A string record whose length field is len, followed by textBytes bytes 'x'.
Bytes StrRecord(int32_t len, int textBytes)
{
  Bytes b(sizeof(len) + static_cast<size_t>(textBytes), 'x');
  std::memcpy(b.data(), &len, sizeof(len));
  return b;
}

} // namespace

// --- Byte layout of appended values

TEST(IByteChunkPut, EachTypeIsItsRawLittleEndianBytes)
{
  const int i = 0x01020304;
  const int neg = -2;
  const unsigned int u = 0xDEADBEEFu;
  const float f = -2.5f; // 0xC0200000
  const double d = 1.5;  // 0x3FF8000000000000
  const bool t = true;
  const bool no = false;
  IByteChunk chunk;
  EXPECT_EQ(chunk.Put(&i), 4);
  EXPECT_EQ(chunk.Put(&neg), 8);
  EXPECT_EQ(chunk.Put(&u), 12);
  EXPECT_EQ(chunk.Put(&f), 16);
  EXPECT_EQ(chunk.Put(&d), 24);
  EXPECT_EQ(chunk.Put(&t), 25);
  EXPECT_EQ(chunk.Put(&no), 26);
  EXPECT_EQ(BytesOf(chunk), (Bytes{0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0xEF, 0xBE, 0xAD, 0xDE, 0x00,
                                   0x00, 0x20, 0xC0, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F, 0x01, 0x00}));
}

TEST(IByteChunkPut, StringIsLengthThenBytesWithoutTerminatorAndNullIsEmpty)
{
  const struct
  {
    const char* text;
    Bytes bytes;
  } cases[] = {{"abc", {0x03, 0x00, 0x00, 0x00, 'a', 'b', 'c'}}, {"", {0, 0, 0, 0}}, {nullptr, {0, 0, 0, 0}}};
  for (const auto& c : cases)
  {
    IByteChunk chunk;
    EXPECT_EQ(chunk.PutStr(c.text), static_cast<int>(c.bytes.size()));
    EXPECT_EQ(BytesOf(chunk), c.bytes);
  }
}

TEST(IByteChunkPut, PutChunkAppendsAllBytesOfTheOtherOrOfItself)
{
  IByteChunk a = ChunkOf({1, 2, 3});
  const IByteChunk b = ChunkOf({4, 5});
  EXPECT_EQ(a.PutChunk(b), 5);
  EXPECT_EQ(a.PutChunk(IByteChunk()), 5);
  EXPECT_EQ(BytesOf(b), (Bytes{4, 5}));
  EXPECT_EQ(a.PutChunk(a), 10);
  EXPECT_EQ(BytesOf(a), (Bytes{1, 2, 3, 4, 5, 1, 2, 3, 4, 5}));
}

TEST(IByteChunkPut, AppendingFromItsOwnBytesSurvivesTheBufferMoving)
{
  // The next append must reallocate while the source still points into the
  // old bytes (AddressSanitizer's realloc always moves them).
  Bytes pattern(4000);
  for (size_t i = 0; i < pattern.size(); ++i)
    pattern[i] = static_cast<uint8_t>(i * 7);
  IByteChunk chunk;
  FillToFirstAllocation(chunk, pattern);
  EXPECT_EQ(chunk.PutBytes(chunk.GetData() + 1000, 200), 4200);
  const Bytes out = BytesOf(chunk);
  EXPECT_EQ(Bytes(out.begin() + 4000, out.end()), Bytes(pattern.begin() + 1000, pattern.begin() + 1200));

  Bytes text(3999, 'q');
  text.push_back('\0');
  IByteChunk strChunk;
  FillToFirstAllocation(strChunk, text);
  EXPECT_EQ(strChunk.PutStr(reinterpret_cast<const char*>(strChunk.GetData()) + 3990), 4000 + 4 + 9);
  LOOM_String s;
  EXPECT_EQ(strChunk.GetStr(s, 4000), 4013);
  EXPECT_STREQ(s.Get(), "qqqqqqqqq");
}

TEST(IByteChunkPut, RefusedAppendsReturnMinusOneAndKeepTheContents)
{
  IByteChunk chunk = ChunkOf({1, 2, 3});
  const uint8_t src[4] = {9, 9, 9, 9};
  EXPECT_EQ(chunk.PutBytes(src, -1), -1);
  EXPECT_EQ(chunk.PutBytes(nullptr, 4), -1);
  EXPECT_EQ(chunk.PutBytes(src, INT_MAX), -1);    // the size would pass INT32_MAX
  EXPECT_EQ(chunk.PutBytes(src, 0x7FFFFFF0), -1); // growth fails before any source byte is read
  EXPECT_EQ(chunk.PutBytes(nullptr, 0), 3);
  EXPECT_EQ(BytesOf(chunk), (Bytes{1, 2, 3}));
  EXPECT_EQ(chunk.PutBytes(src, 1), 4);
}

// --- Bounded reads

TEST(IByteChunkGet, ReadsPastTheEndOrFromANegativeStartFailAndLeaveTheValue)
{
  const IByteChunk chunk = ChunkOf({0xAA, 0x01, 0x02, 0x03, 0x04, 0xBB});
  int v = 12345;
  for (int start : {3, 6, -1, INT_MIN})
  {
    EXPECT_EQ(chunk.Get(&v, start), -1) << start;
    EXPECT_EQ(v, 12345);
  }
  EXPECT_EQ(chunk.Get(&v, 2), 6);
  EXPECT_EQ(v, static_cast<int>(0xBB040302));
}

TEST(IByteChunkGet, AFailedReadMakesEveryLaterReadFail)
{
  const IByteChunk chunk = ChunkOf({1, 0, 0, 0});
  int x = 0, y = 7, z = 7;
  int pos = chunk.Get(&x, 0);
  pos = chunk.Get(&y, pos); // runs past the end
  pos = chunk.Get(&z, pos);
  EXPECT_EQ(pos, -1);
  EXPECT_EQ(x, 1);
  EXPECT_EQ(y, 7);
  EXPECT_EQ(z, 7);
}

TEST(IByteChunkGet, ByteCountsAreCheckedWithoutOverflowAndZeroBytesReadUpToTheEnd)
{
  const IByteChunk chunk = ChunkOf({1, 2, 3, 4});
  uint8_t buf[4] = {9, 9, 9, 9};
  const int refused[][2] = {{-1, 0}, {INT_MIN, 4}, {INT_MAX, 1}, {1, INT_MAX}, {INT_MAX, INT_MAX}, {0, 5}};
  for (const auto& r : refused)
    EXPECT_EQ(chunk.GetBytes(buf, r[0], r[1]), -1) << r[0] << " bytes at " << r[1];
  EXPECT_EQ(Bytes(buf, buf + 4), (Bytes{9, 9, 9, 9}));
  EXPECT_EQ(chunk.GetBytes(buf, 0, 4), 4);
  EXPECT_EQ(IByteChunk().GetBytes(buf, 0, 0), 0);
  EXPECT_EQ(IByteChunk().GetBytes(buf, 1, 0), -1);
}

TEST(IByteChunkGet, MixedSequenceWithALongStringRoundTrips)
{
  const std::string longText = std::string(290, 'a') + "0123456789";
  const int i = -123456;
  const unsigned int u = 0xCAFEF00Du;
  const float f = 0.15625f;
  const double d = -1.0 / 3.0;
  const bool b = true;
  IByteChunk chunk;
  chunk.Put(&i);
  chunk.Put(&u);
  chunk.PutStr(longText.c_str());
  chunk.Put(&f);
  chunk.PutStr("");
  chunk.Put(&d);
  EXPECT_EQ(chunk.Put(&b), 4 + 4 + (4 + 300) + 4 + 4 + 8 + 1);

  int i2 = 0;
  unsigned int u2 = 0;
  float f2 = 0;
  double d2 = 0;
  bool b2 = false;
  LOOM_String s1, s2("not empty");
  int pos = chunk.Get(&i2, 0);
  pos = chunk.Get(&u2, pos);
  pos = chunk.GetStr(s1, pos);
  pos = chunk.Get(&f2, pos);
  pos = chunk.GetStr(s2, pos);
  pos = chunk.Get(&d2, pos);
  EXPECT_EQ(chunk.Get(&b2, pos), chunk.Size());
  EXPECT_EQ(std::vector<double>({double(i2), double(u2), f2, d2, double(b2)}),
            std::vector<double>({double(i), double(u), f, d, 1.0}));
  EXPECT_EQ(std::string(s1.Get()), longText);
  EXPECT_STREQ(s2.Get(), "");
}

TEST(IByteChunkGet, AnyNonZeroByteReadsAsTrue)
{
  const IByteChunk chunk = ChunkOf({0x00, 0x02, 0xFF});
  for (int pos = 0; pos < 3; ++pos)
  {
    bool v = pos == 0;
    EXPECT_EQ(chunk.Get(&v, pos), pos + 1);
    EXPECT_EQ(v, pos != 0) << pos;
  }
}

// --- String reads with lengths from damaged or hostile data

TEST(IByteChunkStr, LengthsThatDoNotFitAreRefusedWithoutTouchingTheTextOrOverflowing)
{
  const struct
  {
    Bytes record;
    int start;
    int end;          // the returned position
    const char* text; // the text afterwards
  } cases[] = {
    {StrRecord(3, 3), 0, 7, "xxx"},                 // ends exactly at the end of the chunk
    {StrRecord(10, 3), 0, 14, "keep"},              // ends past the chunk: the next read fails
    {StrRecord(0x7FFFFFFB, 8), 0, INT_MAX, "keep"}, // an end of exactly INT32_MAX still fits
    {StrRecord(0x7FFFFFFF, 8), 0, -1, "keep"},      // 4 + 0x7FFFFFFF does not fit an int32
    {StrRecord(-1, 8), 0, -1, "keep"},
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
    if (pos > chunk.Size())
    {
      EXPECT_EQ(chunk.Get(&v, pos), -1);
      EXPECT_EQ(chunk.GetBytes(&v, 0, pos), -1);
    }
  }
}

TEST(IByteChunkStr, GetterReadsFromRawBytesWithTheSameRule)
{
  const Bytes ok = StrRecord(2, 2);
  LOOM_String text;
  EXPECT_EQ(IByteGetter::GetStr(ok.data(), static_cast<int>(ok.size()), text, 0), 6);
  EXPECT_STREQ(text.Get(), "xx");
  text.Set("keep");
  EXPECT_EQ(IByteGetter::GetStr(ok.data(), 5, text, 0), 6); // one text byte missing
  EXPECT_STREQ(text.Get(), "keep");
  EXPECT_EQ(IByteGetter::GetStr(nullptr, 0, text, 0), -1);
}

// --- Size control

TEST(IByteChunkResize, GrowingZeroesTheNewBytesAndNegativeOrUnallocatableSizesKeepTheContents)
{
  // Bytes 10-19 first hold 0xAB; shrinking keeps the allocation, so the
  // stale bytes are still there unless growth clears them.
  IByteChunk chunk = ChunkOf(Bytes(20, 0xAB));
  EXPECT_EQ(chunk.Resize(10), 20);
  EXPECT_EQ(chunk.Resize(20), 10);
  EXPECT_EQ(chunk.Resize(-5), 20);
  EXPECT_EQ(chunk.Resize(0x7FFF0000), 20);
  Bytes expected(20, 0);
  std::fill(expected.begin(), expected.begin() + 10, 0xAB);
  EXPECT_EQ(BytesOf(chunk), expected);
}

TEST(IByteChunkResize, ClearedAndAssignedChunksHoldTheirOwnBytes)
{
  IByteChunk chunk = ChunkOf({1, 2, 3});
  chunk.Clear();
  EXPECT_EQ(chunk.Size(), 0);
  EXPECT_EQ(chunk.GetData(), nullptr);
  const int v = 0x11223344;
  EXPECT_EQ(chunk.Put(&v), 4);
  EXPECT_EQ(BytesOf(chunk), (Bytes{0x44, 0x33, 0x22, 0x11}));

  IByteChunk copy = ChunkOf({1});
  copy = chunk;
  EXPECT_EQ(BytesOf(copy), BytesOf(chunk));
  EXPECT_NE(copy.GetData(), chunk.GetData());
}

// --- Framework version header

TEST(IWeftVersionHeader, IsMagicThenVersionInHostOrder)
{
  IByteChunk chunk = ChunkOf({1, 2, 3});
  IByteChunk::InitChunkWithIWeftVer(chunk);
  EXPECT_EQ(BytesOf(chunk), (Bytes{0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00}));
}

TEST(IWeftVersionHeader, ReadingAdvancesPastBothFieldsOnlyWhenBothArePresent)
{
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

// --- Read-only view over external bytes

TEST(IByteStreamRead, ReadsInsideTheBytesOnlyAndNullOrNegativeSizeIsEmpty)
{
  const uint8_t bytes[6] = {0xAA, 0x01, 0x02, 0x03, 0x04, 0xBB};
  const IByteStream stream(bytes, 6);
  int v = 77;
  uint8_t buf[6] = {};
  const int refused[][2] = {{4, 3}, {4, -1}, {1, 6}, {INT_MAX, 2}, {2, INT_MAX}, {-3, 0}};
  for (const auto& r : refused)
    EXPECT_EQ(stream.GetBytes(buf, r[0], r[1]), -1) << r[0] << " bytes at " << r[1];
  EXPECT_EQ(stream.Get(&v, 3), -1);
  EXPECT_EQ(v, 77);
  EXPECT_EQ(Bytes(buf, buf + 6), Bytes(6, 0));
  EXPECT_EQ(stream.Get(&v, 2), 6);
  EXPECT_EQ(v, static_cast<int>(0xBB040302));
  EXPECT_EQ(stream.GetBytes(buf, 6, 0), 6);
  EXPECT_EQ(Bytes(buf, buf + 6), Bytes(bytes, bytes + 6));

  for (const IByteStream& empty : {IByteStream(bytes, -4), IByteStream(nullptr, 4)})
  {
    EXPECT_EQ(empty.Size(), 0);
    EXPECT_EQ(empty.Get(&v, 0), -1);
  }
}

TEST(IByteStreamRead, ReadsARecordWholeOrNotAtAll)
{
  struct OneChannelRecord
  {
    int ctrlTag;
    int nChans;
    int chanOffset;
    float vals[2];
  };
  static_assert(sizeof(OneChannelRecord) == 20, "record layout");
  const OneChannelRecord src{3, 1, 0, {0.25f, -0.5f}};
  OneChannelRecord dst{-1, -1, -1, {9.f, 9.f}};
  EXPECT_EQ(IByteStream(&src, 19).Get(&dst, 0), -1);
  EXPECT_EQ(dst.ctrlTag, -1);
  EXPECT_EQ(dst.vals[1], 9.f);
  EXPECT_EQ(IByteStream(&src, 20).Get(&dst, 0), 20);
  EXPECT_EQ(std::memcmp(&dst, &src, sizeof(src)), 0);
}
