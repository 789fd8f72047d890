#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "IWeftStructs.h"

using weft::IKeyPress;
using weft::ITimeInfo;

TEST(ITimeInfoTest, DefaultsAreAStoppedTransportAt120In4_4AndSamplesPerBeatNeedAPositiveTempo)
{
  const ITimeInfo defaults;
  EXPECT_EQ(std::vector<double>({defaults.mTempo, defaults.mSamplePos, defaults.mPPQPos, defaults.mCycleEnd}),
            std::vector<double>({120.0, -1.0, -1.0, -1.0}));
  EXPECT_EQ(defaults.mNumerator * 10 + defaults.mDenominator, 44);
  EXPECT_FALSE(defaults.mTransportIsRunning || defaults.mTransportLoopEnabled);

  const double cases[][2] = {{120.0, 24000.0}, {90.0, 32000.0}, {0.0, 0.0}, {-120.0, 0.0},
                             {std::numeric_limits<double>::quiet_NaN(), 0.0}};
  for (const auto& c : cases)
  {
    ITimeInfo ti;
    ti.mTempo = c[0];
    EXPECT_EQ(ti.GetSamplesPerBeat(48000.0), c[1]) << c[0];
  }
}

TEST(IKeyPressTest, KeepsCodeAndFlagsAndAtMostFourBytesOfWholeCharactersZeroingTheRest)
{
  const IKeyPress key{"a", 65, true, false, true};
  EXPECT_EQ(key.mVK, 65);
  EXPECT_TRUE(key.mShift && !key.mControl && key.mAlt);

  const struct { const char* text; const char* kept; } cases[] = {
    {nullptr, ""},
    {"\xF0\x9F\x8E\xB9", "\xF0\x9F\x8E\xB9"},      // U+1F3B9, four bytes
    {"abcdefgh", "abcd"},
    {"ab\xE2\x82\xAC", "ab"},                      // U+20AC would end after byte 5
    {"a\xE2\x82\xAC" "b", "a\xE2\x82\xAC"},        // U+20AC ends exactly at the limit
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.text ? c.text : "(null)");
    const IKeyPress k{c.text, 0};
    EXPECT_STREQ(k.mUTF8, c.kept);
    for (size_t i = std::strlen(c.kept); i < sizeof(k.mUTF8); ++i)
      EXPECT_EQ(k.mUTF8[i], '\0') << "byte " << i;
  }
}
