#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "IWeftStructs.h"

using weft::IKeyPress;
using weft::ITimeInfo;
using weft::ParamTuple;

TEST(ParamTupleTest, StoresIndexAndValueAndDefaultsToNoParameter)
{
  const ParamTuple t{13, -2.5};
  EXPECT_EQ(t.mIdx, 13);
  EXPECT_DOUBLE_EQ(t.mValue, -2.5);

  const ParamTuple none;
  EXPECT_EQ(none.mIdx, -1);
  EXPECT_DOUBLE_EQ(none.mValue, 0.0);
}

TEST(ITimeInfoTest, DefaultsDescribeAStoppedTransportAt120In4_4)
{
  const ITimeInfo ti;
  EXPECT_DOUBLE_EQ(ti.mTempo, 120.0);
  EXPECT_DOUBLE_EQ(ti.mSamplePos, -1.0);
  EXPECT_DOUBLE_EQ(ti.mPPQPos, -1.0);
  EXPECT_DOUBLE_EQ(ti.mLastBar, -1.0);
  EXPECT_DOUBLE_EQ(ti.mCycleStart, -1.0);
  EXPECT_DOUBLE_EQ(ti.mCycleEnd, -1.0);
  EXPECT_EQ(ti.mNumerator, 4);
  EXPECT_EQ(ti.mDenominator, 4);
  EXPECT_FALSE(ti.mTransportIsRunning);
  EXPECT_FALSE(ti.mTransportLoopEnabled);
}

TEST(ITimeInfoTest, SamplesPerBeatIsRateTimesSixtyOverTempo)
{
  ITimeInfo ti;
  EXPECT_DOUBLE_EQ(ti.GetSamplesPerBeat(48000.0), 24000.0);
  EXPECT_DOUBLE_EQ(ti.GetSamplesPerBeat(44100.0), 22050.0);
  ti.mTempo = 90.0;
  EXPECT_DOUBLE_EQ(ti.GetSamplesPerBeat(48000.0), 32000.0);
}

TEST(ITimeInfoTest, SamplesPerBeatIsZeroWithoutAPositiveTempo)
{
  ITimeInfo ti;
  ti.mTempo = 0.0;
  EXPECT_EQ(ti.GetSamplesPerBeat(48000.0), 0.0);
  ti.mTempo = -120.0;
  EXPECT_EQ(ti.GetSamplesPerBeat(48000.0), 0.0);
  ti.mTempo = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(ti.GetSamplesPerBeat(48000.0), 0.0);
}

class IKeyPressTest : public ::testing::Test
{
protected:
  // Every byte after the text up to the end of the field must be zero.
  static void ExpectZeroFrom(const IKeyPress& key, size_t from)
  {
    for (size_t i = from; i < sizeof(key.mUTF8); ++i)
      EXPECT_EQ(key.mUTF8[i], '\0') << "byte " << i;
  }
};

TEST_F(IKeyPressTest, StoresTextCodeAndFlagsInOrder)
{
  const IKeyPress key{"a", 65, true, false, true};
  EXPECT_STREQ(key.mUTF8, "a");
  ExpectZeroFrom(key, 1);
  EXPECT_EQ(key.mVK, 65);
  EXPECT_TRUE(key.mShift);
  EXPECT_FALSE(key.mControl);
  EXPECT_TRUE(key.mAlt);
}

TEST_F(IKeyPressTest, NullOrEmptyTextGivesAnEmptyField)
{
  const IKeyPress none{nullptr, 27};
  EXPECT_STREQ(none.mUTF8, "");
  ExpectZeroFrom(none, 0);
  EXPECT_EQ(none.mVK, 27);
  EXPECT_FALSE(none.mShift || none.mControl || none.mAlt);

  const IKeyPress empty{"", 13, false, true, false};
  ExpectZeroFrom(empty, 0);
  EXPECT_TRUE(empty.mControl);
}

TEST_F(IKeyPressTest, KeepsAFourByteCharacterWhole)
{
  const char* emoji = "\xF0\x9F\x8E\xB9"; // U+1F3B9, four bytes
  const IKeyPress key{emoji, 0};
  EXPECT_STREQ(key.mUTF8, emoji);
}

TEST_F(IKeyPressTest, LongAsciiTextIsCutAtFourBytesAndTerminated)
{
  const IKeyPress key{"abcdefgh", 0};
  EXPECT_STREQ(key.mUTF8, "abcd");
}

TEST_F(IKeyPressTest, CharacterCrossingTheLimitIsDroppedNotCut)
{
  // "ab" then U+20AC (three bytes): the euro sign would end after byte 5.
  const IKeyPress euro{"ab\xE2\x82\xAC", 0};
  EXPECT_STREQ(euro.mUTF8, "ab");
  ExpectZeroFrom(euro, 2);

  // "a" then U+1F3B9 (four bytes).
  const IKeyPress emoji{"a\xF0\x9F\x8E\xB9", 0};
  EXPECT_STREQ(emoji.mUTF8, "a");
  ExpectZeroFrom(emoji, 1);

  // A character ending exactly at the limit stays.
  const IKeyPress fits{"a\xE2\x82\xAC" "b", 0};
  EXPECT_STREQ(fits.mUTF8, "a\xE2\x82\xAC");
}
