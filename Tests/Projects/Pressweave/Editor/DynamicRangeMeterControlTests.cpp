#include <cmath>
#include "DynamicRangeMeterControl.h"
#include "EditorTestRig.h"

using namespace pressweave;
using namespace pwtest;

const IColor kHoldL(255, 1, 2, 3), kHoldR(255, 4, 5, 6), kBarL(255, 10, 20, 30), kBarR(255, 40, 50, 60);

struct MeterTest : CanvasFixture
{
  DynamicRangeMeter meter{44100.0, 1.0};
  const IRECT r{0, 0, 72, 288}; // 4 points per dB

  // Draws one part with peak, hold and RMS all at dB.
  template <class Part>
  void DrawAt(Part part, double dB)
  {
    DynamicRangeMeterProbe::Set(meter, dB, dB, dB);
    g.log.clear();
    (meter.*part)(g, r, kHoldL, kHoldR, kBarL, kBarR);
  }
  double Displayed(double momentary, double displayed)
  {
    DynamicRangeMeterProbe::SetLoudness(meter, momentary, displayed);
    return DrawAt(&DynamicRangeMeter::DrawLUFS, 0), meter.GetDisplayLoudness();
  }
};

TEST_F(MeterTest, PeaksAndHoldsChangeColourOnlyAboveZero)
{
  DrawAt(&DynamicRangeMeter::DrawPeaks, 0.0);
  EXPECT_EQ(g.Only("Stroke"), (Log{"Stroke" + Str(kBarL.WithOpacity(66.0f / 72)) + "2",
                                   "Stroke" + Str(kBarR.WithOpacity(66.0f / 72)) + "2"}));
  EXPECT_TRUE(Has("MoveTo(18,24)") && Has("LineTo(18,288)") && Has("MoveTo(54,24)"));
  DrawAt(&DynamicRangeMeter::DrawPeaks, 0.01);
  EXPECT_EQ(Count("Stroke" + Str(COLOR_RED.WithOpacity(66.01f / 72))), 2u);
  DrawAt(&DynamicRangeMeter::DrawPeaks, -66.0);
  EXPECT_EQ(Count("Stroke[0,10,20,30]"), 1u);

  DrawAt(&DynamicRangeMeter::DrawPeaksHold, 0.0);
  EXPECT_EQ(g.Only("Stroke"), (Log{"Stroke" + Str(kHoldL) + "2", "Stroke" + Str(kHoldR) + "2"}));
  EXPECT_TRUE(Has("MoveTo(1,24)") && Has("LineTo(35,24)") && Has("MoveTo(71,24)") && Has("LineTo(37,24)"));
  DrawAt(&DynamicRangeMeter::DrawPeaksHold, 0.01);
  EXPECT_EQ(Count("Stroke[255,255,255,0]2"), 2u);
}

TEST_F(MeterTest, RmsZonesLightFromThreeBelowZeroAndBarsClamp)
{
  const IColor zoneL = kBarL.WithContrast(0.25f), red = COLOR_RED.WithOpacity(0.2f);
  const struct { double rms; const char* barTop; size_t zones, reds; } cases[] = {
    {-6.0, "36", 0, 0}, {-5.9, "35.6", 1, 0}, {-2.0, "20", 1, 2}, {-200, "288", 0, 0}, {50, "0", 1, 2}};
  for (const auto& c : cases)
  {
    DrawAt(&DynamicRangeMeter::DrawRMS, c.rms);
    SCOPED_TRACE(c.rms);
    EXPECT_TRUE(Has(std::string("MoveTo(1,") + c.barTop + ")"));
    EXPECT_EQ(Count("Fill" + Str(zoneL)), c.zones);
    EXPECT_EQ(Count("Fill" + Str(red)), c.reds);
  }
  DrawAt(&DynamicRangeMeter::DrawRMS, -5.9);
  EXPECT_TRUE(Has("MoveTo(1,24)") && Has("LineTo(35,36)")); // the whole 0..-3 band
}

TEST_F(MeterTest, LoudnessColourFollowsItsZoneAndRisesFasterThanItFalls)
{
  const IColor teal = IColor::FromColorCode(0x06B2C4), off(64, 255, 0, 0);
  const struct { double lufs; IColor color; } cases[] = {
    {-14.0, COLOR_ORANGE}, {-14.1, teal}, {-6.0, COLOR_RED}, {6.0, COLOR_RED}, {-66.0, teal}, {-66.1, off}, {6.1, off}};
  for (const auto& c : cases)
  {
    EXPECT_EQ(Displayed(c.lufs, c.lufs), c.lufs);
    EXPECT_EQ(Count("Stroke" + Str(c.color) + "1") + Count("Fill" + Str(c.color)), 2u) << c.lufs;
  }
  EXPECT_NEAR(Displayed(-10.0, -60.0), -58.0, 1e-12);
  EXPECT_NEAR(Displayed(-60.0, -10.0), -10.5, 1e-12);
  EXPECT_EQ(Displayed(std::nan(""), -20.0), -20.0);
}

TEST_F(MeterTest, ControlDrawsTheLabelStripAndSetsTheLoudnessFlag)
{
  DynamicRangeMeterControl control(r, "INPUT", true, meter, kHoldL, kHoldR, kBarL, kBarR);
  DynamicRangeMeterControl quiet(r, nullptr, false, meter, kHoldL, kHoldR, kBarL, kBarR);
  DynamicRangeMeterProbe::SetLoudness(meter, -30, -30);
  control.Draw(g);
  EXPECT_TRUE(Has("Fill" + Str(COLOR_BLACK.WithOpacity(0.3f))) && Has("MoveTo(0,264)"));
  EXPECT_TRUE(Has("Text(INPUT)(36,278,36,278)") && Has("Text(-30.0 dB)(36,158,36,158)") &&
              Has("Text(LUFS-M)(36,172,36,172)") && meter.IsLoudnessEnabled() && control.IsDirty());
  g.log.clear();
  quiet.Draw(g);
  EXPECT_EQ(Count("Text") + Count("Fill" + Str(COLOR_BLACK.WithOpacity(0.3f))) + meter.IsLoudnessEnabled(), 0u);
}

// --- The second meter class

struct Meter2Test : MeterTest
{
  DynamicRangeMeter2 meter2;

  // The log of one part of the second meter with peak, hold and RMS at dB.
  template <class Part>
  Log Draw2(Part part, double dB)
  {
    DynamicRangeMeterProbe::Set(meter2, dB, dB, dB);
    g.log.clear();
    (meter2.*part)(g, r, kHoldL, kHoldR, kBarL, kBarR);
    return g.log;
  }
};

TEST_F(Meter2Test, PeaksAndHoldsAreTheFirstMetersOnItsOwnScale)
{
  for (double dB : {-120.0, -10.0, 7.0})
  {
    const Log peaks = Draw2(&DynamicRangeMeter2::DrawPeaks, dB), holds = Draw2(&DynamicRangeMeter2::DrawPeaksHold, dB);
    EXPECT_EQ(peaks, (DrawAt(&DynamicRangeMeter::DrawPeaks, dB), g.log)) << dB;
    EXPECT_EQ(holds, (DrawAt(&DynamicRangeMeter::DrawPeaksHold, dB), g.log)) << dB;
  }
  DynamicRangeMeterProbe::SetScale(meter2, 0.0, -72.0); // 0 dB at the top
  EXPECT_EQ(Draw2(&DynamicRangeMeter2::DrawPeaks, -36.0)[1], "MoveTo(18,144)");
  Draw2(&DynamicRangeMeter2::DrawPeaksHold, 1.0);
  EXPECT_EQ(Count("Stroke" + Str(kHoldL) + "2"), 1u) << "a hold off the top counts as the top, 0 dB";
}

TEST_F(Meter2Test, RmsIsUnclampedAndLightsItsZonesFromTheRmsAtMinusThreeAndAtZero)
{
  const std::string bar = "Fill" + Str(kBarL), zone = "Fill" + Str(kBarL.WithContrast(0.25f)),
                    red = "Fill" + Str(COLOR_RED.WithOpacity(0.2f));
  const struct { double rms; Log left; } cases[] = {
    {-3.1, {bar + "(1,36.4,35,288)"}},
    {-3.0, {bar + "(1,36,35,288)", zone + "(1,36,35,36)"}},
    {-0.5, {bar + "(1,26,35,288)", zone + "(1,26,35,36)"}},
    {0.0, {bar + "(1,24,35,288)", zone + "(1,24,35,36)", red + "(1,24,35,24)"}},
    {-200, {bar + "(1,288,35,824)"}},
    {50, {bar + "(1,-176,35,288)", zone + "(1,-176,35,36)", red + "(1,-176,35,24)"}}};
  for (const auto& c : cases)
  {
    const Log all = Shapes(Draw2(&DynamicRangeMeter2::DrawRMS, c.rms));
    EXPECT_EQ(Log(all.begin(), all.begin() + c.left.size()), c.left) << c.rms;
    EXPECT_EQ(all.size(), 2 * c.left.size()) << "the right half alike";
  }
}

TEST_F(Meter2Test, LoudnessDotsSmoothTheirValuesAndTakeTheirZoneColours)
{
  const double steady[3] = {-14.0, -14.1, -70.0};
  DynamicRangeMeterProbe::SetLoudness(meter2, steady, steady);
  Draw2(&DynamicRangeMeter2::DrawLUFS, 0);
  EXPECT_EQ(Shapes(g.log), (Log{"Fill" + Str(COLOR_ORANGE) + "(15,77,21,83)",
                                "Fill" + Str(IColor::FromColorCode(0x06B2C4)) + "(33,77.4,39,83.4)",
                                "Fill" + Str(IColor(64, 255, 0, 0)) + "(51,301,57,307)"}));
  EXPECT_EQ(g.Only("Text"), (Log{"Text(M: -14.0)(18,95,18,95)", "Text(S: -14.1)(36,95.4,36,95.4)",
                                 "Text(I: -70.0)(54,319,54,319)"}));

  const double next[3] = {-10.0, -60.0, std::nan("")}, previous[3] = {-60.0, -10.0, -20.0};
  DynamicRangeMeterProbe::SetLoudness(meter2, next, previous);
  Draw2(&DynamicRangeMeter2::DrawLUFS, 0);
  EXPECT_NEAR(meter2.GetDisplayLoudness(DynamicRangeMeter2::kMomentary), -55.0, 1e-12);
  EXPECT_NEAR(meter2.GetDisplayLoudness(DynamicRangeMeter2::kShortTerm), -15.0, 1e-12);
  EXPECT_EQ(meter2.GetDisplayLoudness(DynamicRangeMeter2::kIntegrated), -20.0) << "a NaN is skipped";
}
