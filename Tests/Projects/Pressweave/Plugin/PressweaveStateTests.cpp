// The saved state: its byte layout, the round trip, and what damaged or odd
// states may and may not change.

#include "PressweaveTestRig.h"

#include <cstdint>
#include <cstring>
#include <limits>

using namespace pressweave;
using pw::test::TestPressweave;
using pw::test::ValuesOf;

namespace {

template <class T>
T ReadAt(const weft::IByteChunk& chunk, int pos)
{
  T value{};
  std::memcpy(&value, chunk.GetData() + pos, sizeof(T));
  return value;
}

void SetNonDefaults(Pressweave& plug)
{
  const double values[kNumParams] = {37.5, -12.3, 4.5, 12.0, 150.0, 2, -40.0, 1, 77.7, 180.0, 55.5, 6, 1, 2};
  for (int i = 0; i < kNumParams; ++i)
    plug.GetParam(i)->Set(values[i]);
}

// The state of an instance with every parameter away from its default and
// the given draw scale.
weft::IByteChunk SavedState(float scale)
{
  TestPressweave source;
  SetNonDefaults(source);
  weft::IByteChunk chunk;
  EXPECT_TRUE(source.SerializeState(chunk));
  std::memcpy(chunk.GetData() + 8, &scale, sizeof(scale));
  return chunk;
}

class PressweaveState : public ::testing::Test
{
protected:
  TestPressweave plug;
};

TEST_F(PressweaveState, TheDefaultStateIs124BytesLaidOutAsHeaderAndParameterBlock)
{
  weft::IByteChunk chunk;
  ASSERT_TRUE(plug.SerializeState(chunk));
  ASSERT_EQ(chunk.Size(), 124);
  const uint8_t header[12] = {0xE8, 0x03, 0x00, 0x00,  // int32 1000
                              0x90, 0x01, 0x00, 0x00,  // int32 400
                              0x00, 0x00, 0x80, 0x3F}; // float32 1.0
  EXPECT_EQ(std::memcmp(chunk.GetData(), header, sizeof(header)), 0);
  const double defaults[kNumParams] = {100, -60, 20, 0, 4, 0, 60, 0, 24, 100, 100, 3, 0, 0};
  for (int i = 0; i < kNumParams; ++i)
    EXPECT_EQ(ReadAt<double>(chunk, 12 + 8 * i), defaults[i]) << i;
}

TEST_F(PressweaveState, AStateAppendedToAChunkRestoresEveryParameterAndTheScaleFromItsStartPosition)
{
  TestPressweave source;
  SetNonDefaults(source);
  weft::IByteChunk chunk;
  const int32_t prefix = 7;
  chunk.Put(&prefix);
  ASSERT_TRUE(source.SerializeState(chunk));
  ASSERT_EQ(chunk.Size(), 128);
  const float scale = 1.5f;
  std::memcpy(chunk.GetData() + 4 + 8, &scale, sizeof(scale));

  EXPECT_EQ(plug.UnserializeState(chunk, 4), 128);
  EXPECT_EQ(ValuesOf(plug), ValuesOf(source));
  EXPECT_EQ(plug.GetStoredDrawScale(), 1.5f);
  weft::IByteChunk again; // the next save carries what was restored
  ASSERT_TRUE(plug.SerializeState(again));
  EXPECT_EQ(std::memcmp(again.GetData(), chunk.GetData() + 4, 124), 0);
}

TEST_F(PressweaveState, AShortChunkOrAStartOutsideTheChunkIsRefusedWithNothingChanged)
{
  const weft::IByteChunk full = SavedState(2.0f);
  const std::vector<double> before = ValuesOf(plug);
  for (int length : {0, 11, 12, 116, 123})
  {
    weft::IByteChunk cut;
    cut.PutBytes(full.GetData(), length);
    EXPECT_EQ(plug.UnserializeState(cut, 0), -1) << length << " bytes";
  }
  for (int start : {-1, 1, std::numeric_limits<int>::max()})
    EXPECT_EQ(plug.UnserializeState(full, start), -1) << "start " << start;
  EXPECT_EQ(ValuesOf(plug), before);
  EXPECT_EQ(plug.GetStoredDrawScale(), 1.0f);
}

TEST_F(PressweaveState, AScaleThatIsNotFiniteOrOutsideTheResizeLimitsKeepsTheCurrentOne)
{
  for (float limit : {0.5f, 4.0f, 2.5f})
  {
    ASSERT_EQ(plug.UnserializeState(SavedState(limit), 0), 124);
    EXPECT_EQ(plug.GetStoredDrawScale(), limit) << "the resize limits themselves are accepted";
  }
  for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 0.49f, 4.01f})
  {
    // The parameters still come back; only the scale is not taken over.
    EXPECT_EQ(plug.UnserializeState(SavedState(bad), 0), 124) << bad;
    EXPECT_EQ(plug.GetStoredDrawScale(), 2.5f) << bad;
  }
}

TEST_F(PressweaveState, StoredValuesAreConstrainedToTheParametersRanges)
{
  weft::IByteChunk chunk;
  ASSERT_TRUE(plug.SerializeState(chunk));
  const double ratio = 99.0, mode = 7.0;
  std::memcpy(chunk.GetData() + 12 + 8 * kRatio, &ratio, 8);
  std::memcpy(chunk.GetData() + 12 + 8 * kSidechainMode, &mode, 8);
  EXPECT_EQ(plug.UnserializeState(chunk, 0), 124);
  EXPECT_EQ(plug.GetParam(kRatio)->Value(), 36.0);
  EXPECT_EQ(plug.GetParam(kSidechainMode)->Value(), 2.0);
}

} // namespace
