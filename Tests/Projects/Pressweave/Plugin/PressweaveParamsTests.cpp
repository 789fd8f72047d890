#include "PressweaveTestRig.h"

#include "config.h"

#include <atomic>
#include <string>
#include <thread>

using namespace pressweave;
using pw::test::TestPressweave;

namespace {

std::string Display(const weft::IParam& p)
{
  LOOM_String s;
  p.GetDisplay(s);
  return s.Get();
}

std::string DisplayOf(const weft::IParam& p, double value)
{
  LOOM_String s;
  p.GetDisplay(value, false, s);
  return s.Get();
}

struct DoubleParamSpec
{
  int idx;
  const char* name;
  double def, min, max, step;
  const char* label;
  const char* defaultDisplay; // shows the precision the step gives
};

const DoubleParamSpec kDoubleParams[] = {
  {kInputGain, "Input Gain", 100, 0, 100, 0.01, "%", "100.00"},
  {kThreshold, "Threshold", -60, -60, 0, 0.1, "dB", "-60.0"},
  {kRatio, "Ratio", 20, 1, 36, 0.1, "", "20.0"},
  {kAttack, "Attack", 0, 0, 100, 0.1, "ms", "0.0"},
  {kRelease, "Release", 4, 0, 350, 0.1, "ms", "4.0"},
  {kSidechainModeMix, "Sidechain Mode Mix", 60, -100, 100, 0.1, "%", "60.0"},
  {kPressweaveAmount, "Pressweave", 24, 0, 100, 0.1, "", "24.0"},
  {kStereoWidth, "Stereo Width", 100, 0, 200, 0.1, "%", "100.0"},
  {kDryWet, "Dry/Wet", 100, 0, 100, 0.1, "%", "100.0"},
};

} // namespace

class PressweaveParams : public ::testing::Test
{
protected:
  TestPressweave plug;
};

TEST_F(PressweaveParams, AFreshInstanceHasFourteenParameters)
{
  EXPECT_EQ(plug.NParams(), 14);
  EXPECT_EQ(kNumParams, 14);
}

TEST_F(PressweaveParams, DoubleParametersHaveTheirNamesRangesDefaultsStepsLabelsAndPrecision)
{
  for (const DoubleParamSpec& spec : kDoubleParams)
  {
    SCOPED_TRACE(spec.name);
    const weft::IParam& p = *plug.GetParam(spec.idx);
    EXPECT_STREQ(p.GetName(), spec.name);
    EXPECT_EQ(p.Type(), weft::IParam::kTypeDouble);
    EXPECT_EQ(p.Unit(), weft::IParam::kUnitCustom);
    EXPECT_DOUBLE_EQ(p.GetDefault(), spec.def);
    EXPECT_DOUBLE_EQ(p.Value(), spec.def);
    EXPECT_DOUBLE_EQ(p.GetMin(), spec.min);
    EXPECT_DOUBLE_EQ(p.GetMax(), spec.max);
    EXPECT_DOUBLE_EQ(p.GetStep(), spec.step);
    EXPECT_STREQ(p.GetCustomUnit(), spec.label);
    EXPECT_STREQ(p.GetGroup(), "");
    EXPECT_TRUE(p.GetCanAutomate());
    EXPECT_EQ(Display(p), spec.defaultDisplay);
  }
}

TEST_F(PressweaveParams, ThresholdUsesThePowerCurveOfExponentOneAndMapsLinearly)
{
  const weft::IParam& p = *plug.GetParam(kThreshold);
  EXPECT_EQ(p.GetShapeID(), 1);
  EXPECT_DOUBLE_EQ(p.GetShapeValue(), 1.0);
  EXPECT_DOUBLE_EQ(p.FromNormalized(0.5), -30.0);
  EXPECT_DOUBLE_EQ(p.FromNormalized(0.25), -45.0);
  EXPECT_DOUBLE_EQ(p.ToNormalized(-15.0), 0.75);
}

TEST_F(PressweaveParams, OtherDoublesAreLinear)
{
  for (int idx : {kInputGain, kRatio, kAttack, kRelease, kSidechainModeMix, kPressweaveAmount, kStereoWidth, kDryWet})
    EXPECT_EQ(plug.GetParam(idx)->GetShapeID(), 0) << idx;
}

TEST_F(PressweaveParams, RatioAndModeMixAcceptTheirWholeRangesAndNoMore)
{
  weft::IParam& ratio = *plug.GetParam(kRatio);
  ratio.Set(1.0);
  EXPECT_DOUBLE_EQ(ratio.Value(), 1.0);
  ratio.Set(36.0);
  EXPECT_DOUBLE_EQ(ratio.Value(), 36.0);
  ratio.Set(50.0);
  EXPECT_DOUBLE_EQ(ratio.Value(), 36.0);

  weft::IParam& mix = *plug.GetParam(kSidechainModeMix);
  mix.Set(-100.0);
  EXPECT_DOUBLE_EQ(mix.Value(), -100.0);
  mix.Set(100.0);
  EXPECT_DOUBLE_EQ(mix.Value(), 100.0);
  mix.Set(-150.0);
  EXPECT_DOUBLE_EQ(mix.Value(), -100.0);
}

TEST_F(PressweaveParams, EnumAndBoolParametersShowTheirTexts)
{
  const weft::IParam& mode = *plug.GetParam(kSidechainMode);
  EXPECT_STREQ(mode.GetName(), "Sidechain Mode");
  EXPECT_EQ(mode.Type(), weft::IParam::kTypeEnum);
  EXPECT_EQ(Display(mode), "Ringmod");
  EXPECT_EQ(DisplayOf(mode, 1), "Compressor");
  EXPECT_EQ(DisplayOf(mode, 2), "Combined");
  EXPECT_DOUBLE_EQ(mode.GetMax(), 2.0);

  const weft::IParam& sync = *plug.GetParam(kScopeSync);
  EXPECT_STREQ(sync.GetName(), "Scope Sync");
  EXPECT_EQ(sync.Type(), weft::IParam::kTypeEnum);
  EXPECT_DOUBLE_EQ(sync.Value(), 3.0);
  EXPECT_EQ(Display(sync), "1/2");
  const char* syncTexts[] = {"1/16", "1/8", "1/4", "1/2", "1/1", "2/1", "4/1"};
  ASSERT_EQ(sync.NDisplayTexts(), 7);
  for (int i = 0; i < 7; ++i)
    EXPECT_EQ(DisplayOf(sync, i), syncTexts[i]);

  const weft::IParam& view = *plug.GetParam(kViewMode);
  EXPECT_STREQ(view.GetName(), "View Mode");
  EXPECT_EQ(Display(view), "Simple");
  EXPECT_EQ(DisplayOf(view, 1), "Full");
  EXPECT_DOUBLE_EQ(view.GetMax(), 1.0);

  const weft::IParam& theme = *plug.GetParam(kScopeTheme);
  EXPECT_STREQ(theme.GetName(), "Scope Theme");
  EXPECT_EQ(Display(theme), "1");
  EXPECT_EQ(DisplayOf(theme, 3), "4");
  EXPECT_DOUBLE_EQ(theme.GetMax(), 3.0);

  const weft::IParam& on = *plug.GetParam(kPressweaveOn);
  EXPECT_STREQ(on.GetName(), "Pressweave on/off");
  EXPECT_EQ(on.Type(), weft::IParam::kTypeBool);
  EXPECT_FALSE(on.Bool());
  EXPECT_EQ(Display(on), "off");
  EXPECT_EQ(DisplayOf(on, 1), "on");
}

TEST(PressweaveConfig, MakeConfigDescribesTheProduct)
{
  const weft::Config c = MakeConfig(14, 1);
  EXPECT_EQ(c.nParams, 14);
  EXPECT_EQ(c.nPresets, 1);
  EXPECT_STREQ(c.channelIOStr, "1-1 1.1-1 1.2-1 1.2-2 2.1-1 2.1-2 2-2 2.2-2");
  EXPECT_STREQ(c.pluginName, "Pressweave");
  EXPECT_STREQ(c.productName, "Pressweave");
  EXPECT_STREQ(c.mfrName, "Corvantis x Lumidrake");
  EXPECT_EQ(c.vendorVersion, 0x10000);
  EXPECT_EQ(c.uniqueID, 0x56726B71); // 'Vrkq'
  EXPECT_EQ(c.mfrID, 0x4C6D646B);    // 'Lmdk'
  EXPECT_EQ(c.latency, 0);
  EXPECT_FALSE(c.plugDoesMidiIn || c.plugDoesMidiOut || c.plugDoesMPE || c.plugDoesChunks);
  EXPECT_EQ(c.plugType, 0);
  EXPECT_TRUE(c.plugHasUI);
  EXPECT_EQ(c.plugWidth, 1000);
  EXPECT_EQ(c.plugHeight, 400);
  EXPECT_FALSE(c.plugHostResize);
  EXPECT_EQ(c.plugMinWidth, 333);
  EXPECT_EQ(c.plugMaxWidth, 3000);
  EXPECT_EQ(c.plugMinHeight, 133);
  EXPECT_EQ(c.plugMaxHeight, 1200);
  EXPECT_STREQ(c.bundleID, "com.Corvantis x Lumidrake.audiounit.Pressweave");
  EXPECT_STREQ(c.appGroupID, kAppGroupID);
}

TEST_F(PressweaveParams, TheInstanceCarriesTheConfiguredIdentity)
{
  EXPECT_STREQ(plug.GetPluginName(), "Pressweave");
  EXPECT_STREQ(plug.GetMfrName(), "Corvantis x Lumidrake");
  EXPECT_EQ(plug.GetUniqueID(), 0x56726B71);
  EXPECT_EQ(plug.GetAPI(), weft::kAPIAUv2);
  EXPECT_EQ(plug.GetLatency(), 0);
  EXPECT_EQ(plug.MaxNChannels(weft::kInput), 4);
  EXPECT_EQ(plug.MaxNChannels(weft::kOutput), 2);
  EXPECT_EQ(plug.GetAUPluginType(), 0x61756678); // 'aufx'
}

class PressweaveScopeTheme : public ::testing::Test
{
protected:
  TestPressweave plug;
};

TEST_F(PressweaveScopeTheme, AThemeChangeIsAppliedAtTheNextIdleTick)
{
  plug.GetParam(kScopeTheme)->Set(2);
  plug.OnParamChange(kScopeTheme);
  EXPECT_EQ(plug.GetScopeTheme(), 0);
  plug.OnIdle();
  EXPECT_EQ(plug.GetScopeTheme(), 2);
}

TEST_F(PressweaveScopeTheme, OtherParametersDoNotTouchTheTheme)
{
  plug.GetParam(kScopeTheme)->Set(3);
  for (int idx = 0; idx < kNumParams; ++idx)
  {
    if (idx != kScopeTheme)
      plug.OnParamChange(idx);
  }
  plug.OnIdle();
  EXPECT_EQ(plug.GetScopeTheme(), 0);
}

TEST_F(PressweaveScopeTheme, AChangeFromAnotherThreadWaitsForTheMainThread)
{
  std::thread host([this] {
    plug.GetParam(kScopeTheme)->Set(1);
    plug.OnParamChange(kScopeTheme, weft::kHost, 0);
  });
  host.join();
  EXPECT_EQ(plug.GetScopeTheme(), 0);
  plug.OnIdle();
  EXPECT_EQ(plug.GetScopeTheme(), 1);
}

TEST_F(PressweaveScopeTheme, TheLatestOfSeveralChangesWins)
{
  for (int theme : {1, 3, 2})
  {
    plug.GetParam(kScopeTheme)->Set(theme);
    plug.OnParamChange(kScopeTheme);
  }
  plug.OnIdle();
  EXPECT_EQ(plug.GetScopeTheme(), 2);
}
