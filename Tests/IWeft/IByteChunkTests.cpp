#include "IByteChunk.h"
#include "IWeftVersion.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
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

// ---------------------------------------------------------------------------
// Byte layout of appended values

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

TEST(IByteChunkPut, StringIsLengthThenBytesWithoutTerminator)
{
  IByteChunk chunk;
  EXPECT_EQ(chunk.PutStr("abc"), 7);
  EXPECT_EQ(BytesOf(chunk), (Bytes{0x03, 0x00, 0x00, 0x00, 'a', 'b', 'c'}));
}

TEST(IByteChunkPut, EmptyStringIsFourZeroBytes)
{
  IByteChunk chunk;
  EXPECT_EQ(chunk.PutStr(""), 4);
  EXPECT_EQ(BytesOf(chunk), (Bytes{0, 0, 0, 0}));
}

TEST(IByteChunkPut, NullStringIsWrittenAsEmpty)
{
  IByteChunk chunk;
  EXPECT_EQ(chunk.PutStr(nullptr), 4);
  EXPECT_EQ(BytesOf(chunk), (Bytes{0, 0, 0, 0}));
}

TEST(IByteChunkPut, PutChunkAppendsAllBytesOfTheOther)
{
  IByteChunk a = ChunkOf({1, 2, 3});
  const IByteChunk b = ChunkOf({4, 5});
  EXPECT_EQ(a.PutChunk(b), 5);
  EXPECT_EQ(BytesOf(a), (Bytes{1, 2, 3, 4, 5}));
  EXPECT_EQ(BytesOf(b), (Bytes{4, 5}));
}

TEST(IByteChunkPut, PutChunkOfItselfDoublesTheContents)
{
  IByteChunk a = ChunkOf({7, 8, 9});
  EXPECT_EQ(a.PutChunk(a), 6);
  EXPECT_EQ(BytesOf(a), (Bytes{7, 8, 9, 7, 8, 9}));
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
}

TEST(IByteChunkPut, PutStrOfTextInsideTheChunkSurvivesTheBufferMoving)
{
  Bytes text(3999, 'q');
  text.push_back('\0');
  IByteChunk chunk;
  FillToFirstAllocation(chunk, text);

  EXPECT_EQ(chunk.PutStr(reinterpret_cast<const char*>(chunk.GetData()) + 3990), 4000 + 4 + 9);
  LOOM_String s;
  EXPECT_EQ(chunk.GetStr(s, 4000), 4013);
  EXPECT_STREQ(s.Get(), "qqqqqqqqq");
}

TEST(IByteChunkPut, RefusedAppendsReturnMinusOneAndChangeNothing)
{
  IByteChunk chunk = ChunkOf({1, 2, 3});
  const uint8_t src[4] = {9, 9, 9, 9};
  EXPECT_EQ(chunk.PutBytes(src, -1), -1);
  EXPECT_EQ(chunk.PutBytes(nullptr, 4), -1);
  EXPECT_EQ(chunk.PutBytes(src, INT_MAX), -1); // the size would pass INT32_MAX
  EXPECT_EQ(BytesOf(chunk), (Bytes{1, 2, 3}));
}

TEST(IByteChunkPut, AppendThatCannotGrowReturnsMinusOneAndKeepsTheContents)
{
  // The buffer cannot hold an allocation this size (it would pass the int32
  // range), so growth fails before any source byte is read.
  IByteChunk chunk = ChunkOf({1, 2, 3});
  const uint8_t src[4] = {9, 9, 9, 9};
  EXPECT_EQ(chunk.PutBytes(src, 0x7FFFFFF0), -1);
  EXPECT_EQ(BytesOf(chunk), (Bytes{1, 2, 3}));
  EXPECT_EQ(chunk.PutBytes(src, 1), 4);
}

TEST(IByteChunkPut, EmptyAppendReturnsTheUnchangedSize)
{
  IByteChunk chunk = ChunkOf({1, 2});
  EXPECT_EQ(chunk.PutBytes(nullptr, 0), 2);
  IByteChunk empty;
  EXPECT_EQ(chunk.PutChunk(empty), 2);
}

// ---------------------------------------------------------------------------
// Bounded reads

TEST(IByteChunkGet, IntAtSizeMinusFourSucceedsAndAtSizeMinusThreeFails)
{
  const IByteChunk chunk = ChunkOf({0xAA, 0x01, 0x02, 0x03, 0x04, 0xBB});
  const int size = chunk.Size();
  int v = 12345;
  EXPECT_EQ(chunk.Get(&v, size - 3), -1);
  EXPECT_EQ(v, 12345);
  EXPECT_EQ(chunk.Get(&v, size - 4), size);
  EXPECT_EQ(v, static_cast<int>(0xBB040302));
}

TEST(IByteChunkGet, NegativeStartFailsAndLeavesTheValue)
{
  IByteChunk chunk;
  const double stored = 3.0;
  chunk.Put(&stored);
  double v = 42.0;
  EXPECT_EQ(chunk.Get(&v, -1), -1);
  EXPECT_EQ(v, 42.0);
  EXPECT_EQ(chunk.Get(&v, INT_MIN), -1);
  EXPECT_EQ(v, 42.0);
}

TEST(IByteChunkGet, AFailedReadMakesEveryLaterReadFail)
{
  IByteChunk chunk;
  const int a = 1;
  chunk.Put(&a);
  int x = 0, y = 7, z = 7;
  int pos = chunk.Get(&x, 0);
  pos = chunk.Get(&y, pos); // runs past the end
  pos = chunk.Get(&z, pos);
  EXPECT_EQ(pos, -1);
  EXPECT_EQ(x, 1);
  EXPECT_EQ(y, 7);
  EXPECT_EQ(z, 7);
}

TEST(IByteChunkGet, ByteCountsAreCheckedWithoutOverflow)
{
  const IByteChunk chunk = ChunkOf({1, 2, 3, 4});
  uint8_t buf[4] = {9, 9, 9, 9};
  EXPECT_EQ(chunk.GetBytes(buf, -1, 0), -1);
  EXPECT_EQ(chunk.GetBytes(buf, INT_MIN, 4), -1);
  EXPECT_EQ(chunk.GetBytes(buf, INT_MAX, 1), -1);
  EXPECT_EQ(chunk.GetBytes(buf, 1, INT_MAX), -1);
  EXPECT_EQ(chunk.GetBytes(buf, INT_MAX, INT_MAX), -1);
  EXPECT_EQ(Bytes(buf, buf + 4), (Bytes{9, 9, 9, 9}));
}

TEST(IByteChunkGet, ZeroBytesCanBeReadUpToTheEndButNotPastIt)
{
  const IByteChunk chunk = ChunkOf({1, 2});
  uint8_t b = 0;
  EXPECT_EQ(chunk.GetBytes(&b, 0, 2), 2);
  EXPECT_EQ(chunk.GetBytes(&b, 0, 3), -1);
  const IByteChunk empty;
  EXPECT_EQ(empty.GetBytes(&b, 0, 0), 0);
  EXPECT_EQ(empty.GetBytes(&b, 1, 0), -1);
}

TEST(IByteChunkGet, MixedSequenceRoundTrips)
{
  const int i = -123456;
  const unsigned int u = 0xCAFEF00Du;
  const float f = 0.15625f;
  const double d = -1.0 / 3.0;
  const bool b = true;
  IByteChunk chunk;
  chunk.Put(&i);
  chunk.Put(&u);
  chunk.PutStr("Pressweave");
  chunk.Put(&f);
  chunk.PutStr("");
  chunk.Put(&d);
  EXPECT_EQ(chunk.Put(&b), 4 + 4 + (4 + 10) + 4 + 4 + 8 + 1);

  int i2 = 0;
  unsigned int u2 = 0;
  float f2 = 0;
  double d2 = 0;
  bool b2 = false;
  LOOM_String s1, s2;
  s2.Set("not empty");
  int pos = chunk.Get(&i2, 0);
  pos = chunk.Get(&u2, pos);
  pos = chunk.GetStr(s1, pos);
  pos = chunk.Get(&f2, pos);
  pos = chunk.GetStr(s2, pos);
  pos = chunk.Get(&d2, pos);
  pos = chunk.Get(&b2, pos);
  EXPECT_EQ(pos, chunk.Size());
  EXPECT_EQ(i2, i);
  EXPECT_EQ(u2, u);
  EXPECT_STREQ(s1.Get(), "Pressweave");
  EXPECT_EQ(f2, f);
  EXPECT_STREQ(s2.Get(), "");
  EXPECT_EQ(d2, d);
  EXPECT_TRUE(b2);
}

TEST(IByteChunkGet, AnyNonZeroByteReadsAsTrue)
{
  const IByteChunk chunk = ChunkOf({0x00, 0x02, 0xFF});
  bool v = true;
  EXPECT_EQ(chunk.Get(&v, 0), 1);
  EXPECT_FALSE(v);
  EXPECT_EQ(chunk.Get(&v, 1), 2);
  EXPECT_TRUE(v);
  v = false;
  EXPECT_EQ(chunk.Get(&v, 2), 3);
  EXPECT_TRUE(v);
}

// ---------------------------------------------------------------------------
// String reads, including lengths from damaged or hostile data

class IByteChunkStr : public ::testing::Test
{
protected:
  void SetUp() override { text.Set("keep"); }
  LOOM_String text;
};

TEST_F(IByteChunkStr, EmptyStringReadsBackEmptyAfterTheLength)
{
  IByteChunk chunk;
  chunk.PutStr("");
  EXPECT_EQ(chunk.GetStr(text, 0), 4);
  EXPECT_EQ(text.GetLength(), 0);
}

TEST_F(IByteChunkStr, StringEndingExactlyAtTheEndIsRead)
{
  const IByteChunk chunk = ChunkOf(StrRecord(3, 3));
  EXPECT_EQ(chunk.GetStr(text, 0), 7);
  EXPECT_STREQ(text.Get(), "xxx");
}

TEST_F(IByteChunkStr, LengthPastTheEndKeepsTextAndMakesTheNextReadFail)
{
  IByteChunk chunk = ChunkOf(StrRecord(10, 3));
  const int pos = chunk.GetStr(text, 0);
  EXPECT_EQ(pos, 4 + 10);
  EXPECT_GT(pos, chunk.Size());
  EXPECT_STREQ(text.Get(), "keep");
  int v = 5;
  EXPECT_EQ(chunk.Get(&v, pos), -1);
  EXPECT_EQ(v, 5);
  uint8_t b = 0;
  EXPECT_EQ(chunk.GetBytes(&b, 0, pos), -1);
}

TEST_F(IByteChunkStr, HugeLengthNeverOverflowsThePosition)
{
  // 4 + 0x7FFFFFFF does not fit an int32: the read fails outright.
  IByteChunk chunk = ChunkOf(StrRecord(0x7FFFFFFF, 8));
  EXPECT_EQ(chunk.GetStr(text, 0), -1);
  EXPECT_STREQ(text.Get(), "keep");

  // An end of exactly INT32_MAX fits and is returned; the next read fails.
  chunk = ChunkOf(StrRecord(0x7FFFFFFB, 8));
  const int pos = chunk.GetStr(text, 0);
  EXPECT_EQ(pos, INT_MAX);
  EXPECT_STREQ(text.Get(), "keep");
  int v = 5;
  EXPECT_EQ(chunk.Get(&v, pos), -1);
}

TEST_F(IByteChunkStr, NegativeLengthFailsWithoutMovingBackwards)
{
  for (const int32_t len : {-1, -100, INT_MIN})
  {
    const IByteChunk chunk = ChunkOf(StrRecord(len, 8));
    EXPECT_EQ(chunk.GetStr(text, 0), -1) << "length " << len;
    EXPECT_STREQ(text.Get(), "keep");
  }
}

TEST_F(IByteChunkStr, TruncatedLengthFieldFails)
{
  const IByteChunk chunk = ChunkOf({3, 0, 0});
  EXPECT_EQ(chunk.GetStr(text, 0), -1);
  EXPECT_EQ(chunk.GetStr(text, -1), -1);
  EXPECT_STREQ(text.Get(), "keep");
}

TEST_F(IByteChunkStr, LongStringRoundTripsAtAnOffset)
{
  std::string longText;
  for (int i = 0; i < 300; ++i)
    longText += static_cast<char>('a' + i % 26);
  IByteChunk chunk;
  const bool flag = true;
  chunk.Put(&flag);
  chunk.PutStr(longText.c_str());
  EXPECT_EQ(chunk.GetStr(text, 1), 1 + 4 + 300);
  EXPECT_EQ(text.GetLength(), 300);
  EXPECT_EQ(std::string(text.Get()), longText);
}

TEST_F(IByteChunkStr, GetterReadsFromRawBytesWithTheSameRule)
{
  const Bytes ok = StrRecord(2, 2);
  EXPECT_EQ(IByteGetter::GetStr(ok.data(), static_cast<int>(ok.size()), text, 0), 6);
  EXPECT_STREQ(text.Get(), "xx");
  text.Set("keep");
  EXPECT_EQ(IByteGetter::GetStr(ok.data(), 5, text, 0), 6); // one text byte missing
  EXPECT_STREQ(text.Get(), "keep");
  EXPECT_EQ(IByteGetter::GetStr(nullptr, 0, text, 0), -1);
}

// ---------------------------------------------------------------------------
// Size control

TEST(IByteChunkResize, GrowingZeroesTheNewBytesAndReturnsTheOldSize)
{
  // Bytes 10-19 first hold 0xAB; shrinking keeps the allocation, so the
  // stale bytes are still there unless growth clears them.
  IByteChunk chunk = ChunkOf(Bytes(20, 0xAB));
  EXPECT_EQ(chunk.Resize(10), 20);
  EXPECT_EQ(chunk.Resize(20), 10);
  Bytes expected(20, 0);
  std::fill(expected.begin(), expected.begin() + 10, 0xAB);
  EXPECT_EQ(BytesOf(chunk), expected);
}

TEST(IByteChunkResize, NegativeSizeChangesNothing)
{
  IByteChunk chunk = ChunkOf({1, 2, 3});
  EXPECT_EQ(chunk.Resize(-5), 3);
  EXPECT_EQ(BytesOf(chunk), (Bytes{1, 2, 3}));
}

TEST(IByteChunkResize, GrowthThatCannotBeAllocatedKeepsTheContents)
{
  IByteChunk chunk = ChunkOf({1, 2, 3});
  EXPECT_EQ(chunk.Resize(0x7FFF0000), 3);
  EXPECT_EQ(BytesOf(chunk), (Bytes{1, 2, 3}));
}

TEST(IByteChunkResize, ClearEmptiesAndTheChunkCanBeRefilled)
{
  IByteChunk chunk = ChunkOf({1, 2, 3});
  chunk.Clear();
  EXPECT_EQ(chunk.Size(), 0);
  EXPECT_EQ(chunk.GetData(), nullptr);
  const int v = 0x11223344;
  EXPECT_EQ(chunk.Put(&v), 4);
  EXPECT_EQ(BytesOf(chunk), (Bytes{0x44, 0x33, 0x22, 0x11}));
}

TEST(IByteChunkResize, AssignmentCopiesTheBytes)
{
  const IByteChunk a = ChunkOf({5, 6, 7});
  IByteChunk b = ChunkOf({1});
  b = a;
  EXPECT_EQ(BytesOf(b), (Bytes{5, 6, 7}));
  EXPECT_NE(b.GetData(), a.GetData());
}

// ---------------------------------------------------------------------------
// Framework version header

TEST(IWeftVersionHeader, IsMagicThenVersionInHostOrder)
{
  IByteChunk chunk = ChunkOf({1, 2, 3});
  IByteChunk::InitChunkWithIWeftVer(chunk);
  EXPECT_EQ(BytesOf(chunk), (Bytes{0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00}));
}

TEST(IWeftVersionHeader, ReadingItAdvancesPastBothFields)
{
  IByteChunk chunk = ChunkOf({0xEE});
  IByteChunk header;
  IByteChunk::InitChunkWithIWeftVer(header);
  chunk.PutChunk(header);
  int pos = 1;
  EXPECT_EQ(IByteChunk::GetIWeftVerFromChunk(chunk, pos), 0x10000);
  EXPECT_EQ(pos, 9);
}

TEST(IWeftVersionHeader, AnyOtherLeadingIntGivesZeroAndKeepsThePosition)
{
  const IByteChunk chunk = ChunkOf({0x70, 0x66, 0x66, 0x74, 0x00, 0x00, 0x01, 0x00}); // byte-swapped magic
  int pos = 0;
  EXPECT_EQ(IByteChunk::GetIWeftVerFromChunk(chunk, pos), 0);
  EXPECT_EQ(pos, 0);
}

TEST(IWeftVersionHeader, MagicWithoutItsVersionGivesZeroAndKeepsThePosition)
{
  const IByteChunk chunk = ChunkOf({0x74, 0x66, 0x66, 0x70, 0x00, 0x00});
  int pos = 0;
  EXPECT_EQ(IByteChunk::GetIWeftVerFromChunk(chunk, pos), 0);
  EXPECT_EQ(pos, 0);
}

TEST(IWeftVersionHeader, FailedPositionStaysFailed)
{
  IByteChunk chunk;
  IByteChunk::InitChunkWithIWeftVer(chunk);
  int pos = -1;
  EXPECT_EQ(IByteChunk::GetIWeftVerFromChunk(chunk, pos), 0);
  EXPECT_EQ(pos, -1);
}

// ---------------------------------------------------------------------------
// Read-only view over external bytes

namespace {
struct OneChannelRecord
{
  int ctrlTag;
  int nChans;
  int chanOffset;
  float vals[2];
};
static_assert(sizeof(OneChannelRecord) == 20, "record layout");
} // namespace

TEST(IByteStreamRead, IntAtSizeMinusFourSucceedsAndAtSizeMinusThreeFails)
{
  const uint8_t bytes[6] = {0xAA, 0x01, 0x02, 0x03, 0x04, 0xBB};
  const IByteStream stream(bytes, 6);
  int v = 77;
  EXPECT_EQ(stream.Get(&v, 3), -1);
  EXPECT_EQ(v, 77);
  EXPECT_EQ(stream.Get(&v, 2), 6);
  EXPECT_EQ(v, static_cast<int>(0xBB040302));
  EXPECT_EQ(stream.Get(&v, -1), -1);
}

TEST(IByteStreamRead, ReadsARecordWholeOrNotAtAll)
{
  const OneChannelRecord src{3, 1, 0, {0.25f, -0.5f}};
  Bytes bytes(sizeof(src));
  std::memcpy(bytes.data(), &src, sizeof(src));

  OneChannelRecord dst{-1, -1, -1, {9.f, 9.f}};
  const IByteStream shortStream(bytes.data(), 19);
  EXPECT_EQ(shortStream.Get(&dst, 0), -1);
  EXPECT_EQ(dst.ctrlTag, -1);
  EXPECT_EQ(dst.vals[1], 9.f);

  const IByteStream stream(bytes.data(), 20);
  EXPECT_EQ(stream.Get(&dst, 0), 20);
  EXPECT_EQ(dst.ctrlTag, 3);
  EXPECT_EQ(dst.nChans, 1);
  EXPECT_EQ(dst.vals[0], 0.25f);
  EXPECT_EQ(dst.vals[1], -0.5f);
}

TEST(IByteStreamRead, NullOrNegativeSizeIsAnEmptyStream)
{
  const uint8_t bytes[4] = {1, 2, 3, 4};
  const IByteStream negative(bytes, -4);
  const IByteStream null(nullptr, 4);
  int v = 5;
  EXPECT_EQ(negative.Size(), 0);
  EXPECT_EQ(null.Size(), 0);
  EXPECT_EQ(negative.Get(&v, 0), -1);
  EXPECT_EQ(null.Get(&v, 0), -1);
  EXPECT_EQ(v, 5);
}

TEST(IByteStreamRead, HostileCountsFailWithoutTouchingTheBuffer)
{
  const uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  const IByteStream stream(bytes, 8);
  uint8_t buf[8] = {};
  EXPECT_EQ(stream.GetBytes(buf, 8, 1), -1);
  EXPECT_EQ(stream.GetBytes(buf, INT_MAX, 2), -1);
  EXPECT_EQ(stream.GetBytes(buf, 2, INT_MAX), -1);
  EXPECT_EQ(stream.GetBytes(buf, -3, 4), -1);
  EXPECT_EQ(Bytes(buf, buf + 8), Bytes(8, 0));
  EXPECT_EQ(stream.GetBytes(buf, 8, 0), 8);
  EXPECT_EQ(Bytes(buf, buf + 8), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
}
