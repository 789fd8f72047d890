// The product's configuration and what its parameters do inside the plug-in:
// steps, shapes and display precision, the ranges values are held to, and
// the scope theme's hand-over to the main thread. (Names, ranges, defaults,
// labels and value texts as a host sees them: PressweaveAUParamInfoTests.)

#include "PressweaveTestRig.h"

#include "config.h"

#include <string>
#include <thread>
#include <tuple>

using namespace pressweave;
using pw::test::TestPressweave;

namespace {

std::string Display(const weft::IParam& p)
{
  LOOM_String s;
  p.GetDisplay(s);
  return s.Get();
}

class PressweaveParams : public ::testing::Test
{
protected:
  TestPressweave plug;
};

TEST_F(PressweaveParams, DoubleParametersHaveTheirStepsShapesAndDisplayPrecision)
{
  struct Row
  {
    int idx;
    double step;
    int shapeID; // 0 linear, 1 power curve
    const char* defaultDisplay;
  };
  const Row rows[] = {
    {kInputGain, 0.01, 0, "100.00"},  {kThreshold, 0.1, 1, "-60.0"},       {kRatio, 0.1, 0, "20.0"},
    {kAttack, 0.1, 0, "0.0"},         {kRelease, 0.1, 0, "4.0"},           {kSidechainModeMix, 0.1, 0, "60.0"},
    {kPressweaveAmount, 0.1, 0, "24.0"}, {kStereoWidth, 0.1, 0, "100.0"}, {kDryWet, 0.1, 0, "100.0"},
  };
  EXPECT_EQ(plug.NParams(), kNumParams);
  for (const Row& row : rows)
  {
    const weft::IParam& p = *plug.GetParam(row.idx);
    SCOPED_TRACE(p.GetName());
    EXPECT_EQ(p.Type(), weft::IParam::kTypeDouble);
    EXPECT_EQ(p.Unit(), weft::IParam::kUnitCustom);
    EXPECT_DOUBLE_EQ(p.GetStep(), row.step);
    EXPECT_EQ(p.GetShapeID(), row.shapeID);
    EXPECT_STREQ(p.GetGroup(), "");
    EXPECT_TRUE(p.GetCanAutomate());
    EXPECT_EQ(Display(p), row.defaultDisplay);
  }

  // The threshold's power curve has exponent one: it maps linearly.
  const weft::IParam& threshold = *plug.GetParam(kThreshold);
  EXPECT_DOUBLE_EQ(threshold.GetShapeValue(), 1.0);
  EXPECT_DOUBLE_EQ(threshold.FromNormalized(0.5), -30.0);
  EXPECT_DOUBLE_EQ(threshold.FromNormalized(0.25), -45.0);
  EXPECT_DOUBLE_EQ(threshold.ToNormalized(-15.0), 0.75);
}

TEST_F(PressweaveParams, RatioAndModeMixAcceptTheirWholeRangesAndNoMore)
{
  // {parameter, value set, value held}
  const std::tuple<int, double, double> cases[] = {
    {kRatio, 1.0, 1.0},                  {kRatio, 36.0, 36.0},               {kRatio, 50.0, 36.0},
    {kSidechainModeMix, -100.0, -100.0}, {kSidechainModeMix, 100.0, 100.0}, {kSidechainModeMix, -150.0, -100.0}};
  for (const auto& [idx, set, held] : cases)
  {
    plug.GetParam(idx)->Set(set);
    EXPECT_DOUBLE_EQ(plug.GetParam(idx)->Value(), held) << plug.GetParam(idx)->GetName() << " set to " << set;
  }
}

// The identity codes, version and editor size are checked where a host sees
// them (the class-info dictionary and the saved state).
TEST(PressweaveConfig, MakeConfigAndTheInstanceDescribeTheProduct)
{
  const weft::Config c = MakeConfig(14, 1);
  EXPECT_EQ(std::make_pair(c.nParams, c.nPresets), std::make_pair(14, 1));
  EXPECT_STREQ(c.channelIOStr, "1-1 1.1-1 1.2-1 1.2-2 2.1-1 2.1-2 2-2 2.2-2");
  EXPECT_STREQ(c.pluginName, "Pressweave");
  EXPECT_STREQ(c.productName, "Pressweave");
  EXPECT_STREQ(c.mfrName, "Corvantis x Lumidrake");
  EXPECT_EQ(c.latency, 0);
  EXPECT_FALSE(c.plugDoesMidiIn || c.plugDoesMidiOut || c.plugDoesMPE || c.plugDoesChunks || c.plugHostResize);
  EXPECT_TRUE(c.plugHasUI);
  EXPECT_EQ(std::make_tuple(c.plugMinWidth, c.plugMaxWidth, c.plugMinHeight, c.plugMaxHeight),
            std::make_tuple(333, 3000, 133, 1200));
  EXPECT_STREQ(c.bundleID, "com.Corvantis x Lumidrake.audiounit.Pressweave");
  EXPECT_STREQ(c.appGroupID, kAppGroupID);

  TestPressweave plug;
  EXPECT_STREQ(plug.GetPluginName(), "Pressweave");
  EXPECT_EQ(plug.GetAPI(), weft::kAPIAUv2);
  EXPECT_EQ(std::make_pair(plug.MaxNChannels(weft::kInput), plug.MaxNChannels(weft::kOutput)), std::make_pair(4, 2));
  EXPECT_EQ(plug.GetAUPluginType(), 0x61756678); // 'aufx'
}

// --- The scope theme --------------------------------------------------------------

TEST_F(PressweaveParams, AThemeChangeIsAppliedAtTheNextIdleTickAndTheLatestOneWins)
{
  plug.GetParam(kScopeTheme)->Set(2);
  plug.OnParamChange(kScopeTheme);
  EXPECT_EQ(plug.GetScopeTheme(), 0);
  plug.OnIdle();
  EXPECT_EQ(plug.GetScopeTheme(), 2);

  for (int theme : {1, 3, 2})
  {
    plug.GetParam(kScopeTheme)->Set(theme);
    plug.OnParamChange(kScopeTheme);
  }
  plug.OnIdle();
  EXPECT_EQ(plug.GetScopeTheme(), 2);

  // Other parameters' changes do not apply a theme that was never announced.
  plug.GetParam(kScopeTheme)->Set(3);
  for (int idx = 0; idx < kNumParams; ++idx)
  {
    if (idx != kScopeTheme)
      plug.OnParamChange(idx);
  }
  plug.OnIdle();
  EXPECT_EQ(plug.GetScopeTheme(), 2);
}

TEST_F(PressweaveParams, AThemeChangeFromAnotherThreadWaitsForTheMainThread)
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

} // namespace
