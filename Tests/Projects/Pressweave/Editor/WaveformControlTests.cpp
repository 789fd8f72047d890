#include <cmath>
#include "EditorTestRig.h"
#include "WaveformControl.h"

using namespace pressweave;
using namespace pwtest;

struct ScopeTest : CanvasFixture
{
  WaveformProcessor proc;
  WaveformControl scope{IRECT(0, 0, 873, 240), COLOR_RED, COLOR_RED, COLOR_RED, &proc};

  void Host(double ppq, double window = 16, double tempo = 120, int num = 4, int den = 4, int block = 512,
            double rate = 44100)
  {
    weft::ITimeInfo info;
    info.mPPQPos = ppq, info.mTempo = tempo, info.mNumerator = num, info.mDenominator = den;
    proc.SetTransport(info, rate, block);
    proc.SetWindowLength(window);
    proc.UpdateBeatPosition();
    g.log.clear(), g.strokeOptions.clear();
    scope.Draw(g);
  }
  // The drawing lit exactly one beat cell, starting at x.
  void ExpectLitCell(float x) const
  {
    ASSERT_EQ(Count("Fill" + Str(scope.GetColorFill())), 1u);
    const std::string& rect = *(std::find(g.log.begin(), g.log.end(), "Fill" + Str(scope.GetColorFill())) - 5);
    float lx = 0, ly = 0;
    EXPECT_TRUE(std::sscanf(rect.c_str(), "MoveTo(%f,%f)", &lx, &ly) == 2 && std::fabs(lx - x) < 1e-3) << rect;
  }
};

TEST_F(ScopeTest, SmoothingAndOffset)
{
  const double in[4] = {0, 0, 1, 1}, expected[4] = {0, 0, 0.975, 1.17};
  double out[4];
  WaveformControl::AdaptiveSmoothingWithManualCompensation(in, out, 4, 0.5, 1.3);
  for (int i = 0; i < 4; ++i)
    EXPECT_NEAR(out[i], expected[i], 1e-12) << i;
  Host(0, 2);
  EXPECT_NEAR(scope.CalculateAdaptiveOffset(), -0.011610, 1e-6);
  const double bad[3][3] = {{0, 120, 2}, {44100, 0, 2}, {44100, 120, 0}}; // rate, tempo, window
  for (const auto& b : bad)
  {
    Host(0, b[2], b[1], 4, 4, 512, b[0]);
    EXPECT_EQ(scope.CalculateAdaptiveOffset(), 0.0);
  }
}

TEST_F(ScopeTest, LevelsAboveOneDrawAtFullHeightWith1002PointsAndRoundStroke)
{
  weft::ITimeInfo info;
  proc.SetWindowLength(1);
  for (int k = 0; k < WaveformControl::kNumPoints; ++k) // every slot at 2
    info.mPPQPos = (k + 0.5) / 1000, proc.SetTransport(info, 44100, 512), proc.UpdateBeatPosition(),
    proc.UpdateSamples(2, 2);
  Host(0.5 / 1000.0, 1, 120, 4, 4, 1 << 30); // a block far longer than the window
  const size_t start = std::find(g.log.begin(), g.log.end(), "MoveTo(0,240)") - g.log.begin();
  ASSERT_LT(start + 1003, g.log.size());
  for (size_t i = start + 1; i <= start + 1000; ++i)
    ASSERT_EQ(g.log[i].substr(g.log[i].find(',')), ",2.4)") << g.log[i];
  EXPECT_EQ(Log(&g.log[start + 1001], &g.log[start + 1003]), (Log{"LineTo(873,240)", "Close"}));
  EXPECT_TRUE(Has("LineTo(873,1)") && Has("LineTo(0,1)")); // the outline
  const Log strokes = g.Only("Stroke");
  ASSERT_EQ(strokes.size(), g.strokeOptions.size());
  for (size_t i = 0; i < strokes.size(); ++i) // only the two outlines are round
    EXPECT_EQ(g.strokeOptions[i].mCapOption == EStrokeCap::Round &&
                g.strokeOptions[i].mJoinOption == EStrokeJoin::Round,
              strokes[i].substr(strokes[i].size() - 4) == "]2.2") << strokes[i];
}

TEST_F(ScopeTest, BarsPagesAndBeatCells)
{
  Host(21.0); // 16 quarter notes; bar 6, beat 2
  for (float bar = 5, x = 5; bar <= 8; ++bar, x += 873.0f / 4)
    EXPECT_TRUE(Has("Text(" + std::to_string(int(bar)) + ")" + Str(IRECT(x, 5, x, 5)))) << bar;
  EXPECT_EQ(Count("Stroke" + Str(COLOR_LIGHT_GRAY.WithOpacity(0.3f)) + "1"), 15u);
  ExpectLitCell(873.0f / 4 + 873.0f / 16);
  Host(0.0, 1);
  ExpectLitCell(0.0f);
  EXPECT_EQ(Count("Stroke" + Str(COLOR_LIGHT_GRAY.WithOpacity(0.3f))), 0u); // one cell
  for (int beat = 0; beat < 4; ++beat)
  {
    Host(beat + 0.5, 2);
    SCOPED_TRACE(beat);
    ExpectLitCell((beat % 2) * 873.0f / 2);
  }
}

TEST_F(ScopeTest, ReadoutsSitInTheRightColumn)
{
  Host(65.5);
  EXPECT_TRUE(Has("MoveTo(804.8,67)") && Has("Arc(861,143,2,90,180)")); // box (804.8, 65, 863, 145)
  EXPECT_TRUE(Has("Text(120.0 BPM)(814.8,78.4615,814.8,78.4615)"));
  EXPECT_TRUE(Has("Text(Bar: 17)(814.8,96.9231,814.8,96.9231)") &&
              Has("Text(Beat: 2.5)(814.8,115.385,814.8,115.385)"));
  EXPECT_TRUE(Has("Text(00:32:750)(814.8,133.846,814.8,133.846)"));
}

TEST_F(ScopeTest, ThemesInputColourAndNoProcessor)
{
  scope.SetColorTheme(7);
  EXPECT_TRUE(scope.GetColorInput() == COLOR_GRAY && scope.GetColorOutput() == COLOR_LIGHT_GRAY &&
              scope.GetColorFill() == COLOR_LIGHT_GRAY.WithOpacity(0.1f));
  scope.SetColorInput(COLOR_DARK_GRAY);
  EXPECT_EQ(scope.GetColorInput(), COLOR_DARK_GRAY);
  scope.SetColorTheme(1);
  EXPECT_TRUE(scope.GetColorInput() == IColor::FromColorCode(0xA4E3F7) &&
              scope.GetColorFill() == scope.GetColorInput().WithOpacity(0.1f));

  WaveformControl empty(IRECT(0, 0, 873, 240), COLOR_RED, COLOR_RED, COLOR_RED, nullptr);
  empty.SetClean();
  empty.Draw(g);
  EXPECT_TRUE(g.log.empty() && !empty.IsDirty());
  scope.SetClean();
  Host(0);
  EXPECT_TRUE(scope.IsDirty());
}

TEST_F(ScopeTest, BadHostValuesDrawInBoundedTime)
{
  const struct { int num, den; double tempo, ppq, window; } cases[] = {
    {0, 4, 120, 21, 16}, {4, 0, 120, 21, 16}, {-3, -8, 120, 21, 0.5}, {4, 4, 0, 21, 16}, {4, 4, NAN, NAN, NAN},
    {4, 4, 120, 1e300, 16}, {4, 4, 120, -1e300, 1e300}, {4, 4, 1e-300, 5, 1e-300}};
  for (const auto& c : cases)
  {
    Host(c.ppq, c.window, c.tempo, c.num, c.den); // the width caps bars and cells
    EXPECT_LT(g.log.size(), 30000u) << c.num << "/" << c.den << " " << c.tempo << " " << c.ppq;
    EXPECT_EQ(Count("Text(00:00:000)"), c.tempo > 0 ? 0u : 1u);
  }
}

