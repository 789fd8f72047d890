#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "IWeftStructs.h"

using weft::IKeyPress;
using weft::ITimeInfo;

TEST(StructDefaultsTest, TimeInfoIsAStoppedTransportAt120In4_4AndATupleNamesNoParameter)
{
  const ITimeInfo ti;
  EXPECT_DOUBLE_EQ(ti.mTempo, 120.0);
  for (double unknown : {ti.mSamplePos, ti.mPPQPos, ti.mLastBar, ti.mCycleStart, ti.mCycleEnd})
    EXPECT_DOUBLE_EQ(unknown, -1.0);
  EXPECT_EQ(ti.mNumerator, 4);
  EXPECT_EQ(ti.mDenominator, 4);
  EXPECT_FALSE(ti.mTransportIsRunning || ti.mTransportLoopEnabled);
  EXPECT_EQ(weft::ParamTuple().mIdx, -1);
}

TEST(ITimeInfoTest, SamplesPerBeatIsRateTimesSixtyOverAPositiveTempoAndOtherwiseZero)
{
  const struct
  {
    double tempo, rate, expected;
  } cases[] = {{120.0, 48000.0, 24000.0}, {120.0, 44100.0, 22050.0}, {90.0, 48000.0, 32000.0},
               {0.0, 48000.0, 0.0},       {-120.0, 48000.0, 0.0},
               {std::numeric_limits<double>::quiet_NaN(), 48000.0, 0.0}};
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.tempo);
    ITimeInfo ti;
    ti.mTempo = c.tempo;
    EXPECT_EQ(ti.GetSamplesPerBeat(c.rate), c.expected);
  }
}

TEST(IKeyPressTest, KeepsCodeAndFlagsInArgumentOrder)
{
  const IKeyPress key{"a", 65, true, false, true};
  EXPECT_EQ(key.mVK, 65);
  EXPECT_TRUE(key.mShift);
  EXPECT_FALSE(key.mControl);
  EXPECT_TRUE(key.mAlt);
  const IKeyPress plain{nullptr, 27};
  EXPECT_FALSE(plain.mShift || plain.mControl || plain.mAlt);
}

TEST(IKeyPressTest, TextKeepsAtMostFourBytesOfWholeCharactersAndZeroesTheRest)
{
  const struct { const char* text; const char* kept; } cases[] = {
    {"a", "a"},
    {nullptr, ""},
    {"", ""},
    {"\xF0\x9F\x8E\xB9", "\xF0\x9F\x8E\xB9"},      // U+1F3B9, four bytes
    {"abcdefgh", "abcd"},
    {"ab\xE2\x82\xAC", "ab"},                      // U+20AC would end after byte 5
    {"a\xF0\x9F\x8E\xB9", "a"},                    // U+1F3B9 would end after byte 5
    {"a\xE2\x82\xAC" "b", "a\xE2\x82\xAC"},        // U+20AC ends exactly at the limit
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.text ? c.text : "(null)");
    const IKeyPress key{c.text, 0};
    EXPECT_STREQ(key.mUTF8, c.kept);
    for (size_t i = std::strlen(c.kept); i < sizeof(key.mUTF8); ++i)
      EXPECT_EQ(key.mUTF8[i], '\0') << "byte " << i;
  }
}
