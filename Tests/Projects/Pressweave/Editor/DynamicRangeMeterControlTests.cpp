#include <cmath>

#include "DynamicRangeMeterControl.h"
#include "EditorTestRig.h"

using namespace pressweave;
using namespace pwtest;

namespace {

const IColor kHoldL(255, 1, 2, 3), kHoldR(255, 4, 5, 6), kBarL(255, 10, 20, 30), kBarR(255, 40, 50, 60);

struct MeterTest : CanvasFixture
{
  DynamicRangeMeter meter{44100.0, 1.0};
  const IRECT r{0, 0, 72, 288}; // 4 points per dB
  DynamicRangeMeterControl control{r, "INPUT", true, meter, kHoldL, kHoldR, kBarL, kBarR};

  // Draws one part with every value at the given dB.
  template <class Part>
  void DrawAt(Part part, double peak, double hold, double rms)
  {
    DynamicRangeMeterProbe::Set(meter, peak, hold, rms);
    g.log.clear();
    (meter.*part)(g, r, kHoldL, kHoldR, kBarL, kBarR);
  }
  double Displayed(double momentary, double displayed)
  {
    DynamicRangeMeterProbe::SetLoudness(meter, momentary, displayed);
    g.log.clear();
    meter.DrawLUFS(g, r, kHoldL, kHoldR, kBarL, kBarR);
    return meter.GetDisplayLoudness();
  }
};

TEST_F(MeterTest, PeaksTurnRedAboveZeroAndFadeOutTowardsTheBottom)
{
  DrawAt(&DynamicRangeMeter::DrawPeaks, 0.0, 0, 0);
  EXPECT_EQ(g.Only("Stroke"), (Log{"Stroke" + Str(kBarL.WithOpacity(66.0f / 72)) + "2",
                                   "Stroke" + Str(kBarR.WithOpacity(66.0f / 72)) + "2"}));
  EXPECT_TRUE(Has("MoveTo(18,24)") && Has("LineTo(18,288)") && Has("MoveTo(54,24)"));
  DrawAt(&DynamicRangeMeter::DrawPeaks, 0.01, 0, 0);
  EXPECT_EQ(Count("Stroke" + Str(COLOR_RED.WithOpacity(66.01f / 72))), 2u);
  DrawAt(&DynamicRangeMeter::DrawPeaks, -66.0, 0, 0);
  EXPECT_EQ(Count("Stroke[0,10,20,30]"), 1u);
}

TEST_F(MeterTest, HoldTurnsYellowOnlyAboveZero)
{
  DrawAt(&DynamicRangeMeter::DrawPeaksHold, 0, 0.0, 0);
  EXPECT_EQ(g.Only("Stroke"), (Log{"Stroke" + Str(kHoldL) + "2", "Stroke" + Str(kHoldR) + "2"}));
  EXPECT_TRUE(Has("MoveTo(1,24)") && Has("LineTo(35,24)") && Has("MoveTo(71,24)") && Has("LineTo(37,24)"));
  DrawAt(&DynamicRangeMeter::DrawPeaksHold, 0, 0.01, 0);
  EXPECT_EQ(Count("Stroke[255,255,255,0]2"), 2u);
}

TEST_F(MeterTest, RmsZonesLightFromThreeBelowZeroAndBarsClamp)
{
  const IColor zoneL = kBarL.WithContrast(0.25f), red = COLOR_RED.WithOpacity(0.2f);
  const struct
  {
    double rms;
    float barTop;
    size_t zones, reds;
  } cases[] = {{-6.0, 36, 0, 0}, {-5.9, 35.6f, 1, 0}, {-2.0, 20, 1, 1}, {-200, 288, 0, 0}, {50, 0, 1, 1}};
  for (const auto& c : cases)
  {
    DrawAt(&DynamicRangeMeter::DrawRMS, 0, 0, c.rms);
    SCOPED_TRACE(c.rms);
    char bar[64];
    std::snprintf(bar, sizeof(bar), "MoveTo(1,%g)", c.barTop);
    EXPECT_TRUE(Has(bar)) << bar;
    EXPECT_EQ(Count("Fill" + Str(zoneL)), c.zones);
    EXPECT_EQ(Count("Fill" + Str(red)), c.reds * 2);
  }
  DrawAt(&DynamicRangeMeter::DrawRMS, 0, 0, -5.9);
  EXPECT_TRUE(Has("MoveTo(1,24)") && Has("LineTo(35,36)")); // the whole 0..-3 band
}

TEST_F(MeterTest, LoudnessColourFollowsItsZone)
{
  const struct
  {
    double lufs;
    IColor color;
  } cases[] = {{-14.0, COLOR_ORANGE}, {-14.1, IColor::FromColorCode(0x06B2C4)}, {-6.0, COLOR_RED},
               {6.0, COLOR_RED},      {-66.0, IColor::FromColorCode(0x06B2C4)}, {-66.1, IColor(64, 255, 0, 0)},
               {6.1, IColor(64, 255, 0, 0)}};
  for (const auto& c : cases)
  {
    EXPECT_EQ(Displayed(c.lufs, c.lufs), c.lufs);
    EXPECT_EQ(Count("Stroke" + Str(c.color) + "1"), 1u) << c.lufs;
    EXPECT_EQ(Count("Fill" + Str(c.color)), 1u) << c.lufs;
  }
  Displayed(-30.0, -30.0);
  EXPECT_TRUE(Has("Text(-30.0 dB)(36,158,36,158)") && Has("Text(LUFS-M)(36,172,36,172)"));
}

TEST_F(MeterTest, LoudnessRisesFourAndFallsOnePercentPerFrame)
{
  EXPECT_NEAR(Displayed(-10.0, -60.0), -58.0, 1e-12);
  EXPECT_NEAR(Displayed(-60.0, -10.0), -10.5, 1e-12);
  EXPECT_EQ(Displayed(std::nan(""), -20.0), -20.0);
}

TEST_F(MeterTest, ControlDrawsTheLabelStripAndSetsTheLoudnessFlag)
{
  DynamicRangeMeterProbe::Set(meter, -20, -20, -20);
  control.Draw(g);
  EXPECT_TRUE(Has("Fill" + Str(COLOR_BLACK.WithOpacity(0.3f))) && Has("MoveTo(0,264)"));
  EXPECT_TRUE(Has("Text(INPUT)(36,278,36,278)"));
  EXPECT_EQ(Count("Text(LUFS-M)"), 1u);
  EXPECT_TRUE(meter.IsLoudnessEnabled());
  EXPECT_TRUE(control.IsDirty());

  DynamicRangeMeterControl quiet(r, nullptr, false, meter, kHoldL, kHoldR, kBarL, kBarR);
  g.log.clear();
  quiet.Draw(g);
  EXPECT_EQ(Count("Text"), 0u);
  EXPECT_EQ(Count("Fill" + Str(COLOR_BLACK.WithOpacity(0.3f))), 0u);
  EXPECT_FALSE(meter.IsLoudnessEnabled());
}

} // namespace
