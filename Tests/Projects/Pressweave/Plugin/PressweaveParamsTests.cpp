// The product's configuration and what its parameters do inside the plug-in:
// steps, shapes and display precision, and the scope theme's hand-over to
// the main thread. (Names, ranges, defaults,
// labels and value texts as a host sees them: PressweaveAUParamInfoTests.)

#include "PressweaveTestRig.h"

#include "config.h"

#include <string>
#include <thread>
#include <tuple>

using namespace pressweave;
using pw::test::TestPressweave;

namespace {

class PressweaveParams : public ::testing::Test
{
protected:
  TestPressweave plug;
};

TEST_F(PressweaveParams, DoubleParametersHaveTheirStepsShapesAndDisplayPrecision)
{
  struct Row { int idx; double step; const char* defaultDisplay; };
  const Row rows[] = {
    {kInputGain, 0.01, "100.00"}, {kThreshold, 0.1, "-60.0"},      {kRatio, 0.1, "20.0"},
    {kAttack, 0.1, "0.0"},        {kRelease, 0.1, "4.0"},          {kSidechainModeMix, 0.1, "60.0"},
    {kPressweaveAmount, 0.1, "24.0"}, {kStereoWidth, 0.1, "100.0"}, {kDryWet, 0.1, "100.0"},
  };
  for (const Row& row : rows)
  {
    const weft::IParam& p = *plug.GetParam(row.idx);
    LOOM_String display;
    p.GetDisplay(display);
    EXPECT_DOUBLE_EQ(p.GetStep(), row.step) << p.GetName();
    EXPECT_STREQ(display.Get(), row.defaultDisplay) << p.GetName();
    EXPECT_EQ(p.GetShapeID(), row.idx == kThreshold ? 1 : 0) << p.GetName();
  }
  // The threshold's power curve has exponent one: it maps linearly.
  EXPECT_DOUBLE_EQ(plug.GetParam(kThreshold)->FromNormalized(0.25), -45.0);
}

// The identity codes, version and editor size are checked where a host sees
// them (the class-info dictionary and the saved state).
TEST(PressweaveConfig, MakeConfigAndTheInstanceDescribeTheProduct)
{
  const weft::Config c = MakeConfig(14, 1);
  EXPECT_STREQ(c.channelIOStr, "1-1 1.1-1 1.2-1 1.2-2 2.1-1 2.1-2 2-2 2.2-2");
  EXPECT_STREQ(c.pluginName, "Pressweave");
  EXPECT_STREQ(c.mfrName, "Corvantis x Lumidrake");
  EXPECT_STREQ(c.bundleID, "com.Corvantis x Lumidrake.audiounit.Pressweave");
  EXPECT_FALSE(c.plugDoesMidiIn || c.plugDoesMidiOut || c.plugDoesMPE || c.plugDoesChunks || c.plugHostResize);
  EXPECT_EQ(std::make_tuple(c.plugMinWidth, c.plugMaxWidth, c.plugMinHeight, c.plugMaxHeight),
            std::make_tuple(333, 3000, 133, 1200));
  EXPECT_EQ(TestPressweave().MaxNChannels(weft::kInput), 4);
}

TEST_F(PressweaveParams, AThemeChangeIsAppliedAtTheNextIdleTickOnTheMainThreadAndTheLatestOneWins)
{
  std::thread host([this] {
    plug.GetParam(kScopeTheme)->Set(1);
    plug.OnParamChange(kScopeTheme, weft::kHost, 0);
  });
  host.join();
  EXPECT_EQ(plug.GetScopeTheme(), 0);
  plug.OnIdle();
  EXPECT_EQ(plug.GetScopeTheme(), 1);

  for (int theme : {3, 2})
  {
    plug.GetParam(kScopeTheme)->Set(theme);
    plug.OnParamChange(kScopeTheme);
  }
  plug.OnIdle();
  EXPECT_EQ(plug.GetScopeTheme(), 2);

  // Other parameters' changes do not apply a theme that was never announced.
  plug.GetParam(kScopeTheme)->Set(3);
  plug.OnParamChange(kScopeSync);
  plug.OnIdle();
  EXPECT_EQ(plug.GetScopeTheme(), 2);
}

} // namespace
