#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

#include "EditorTestRig.h"
#include "WaveformControl.h"

using namespace pressweave;
using namespace pwtest;

namespace {

struct ScopeTest : CanvasFixture
{
  WaveformProcessor proc;
  WaveformControl scope{IRECT(0, 0, 873, 240), COLOR_RED, COLOR_RED, COLOR_RED, &proc};

  void Host(double ppq, double tempo = 120.0, int num = 4, int den = 4, double window = 16.0, int block = 512,
            double rate = 44100.0)
  {
    weft::ITimeInfo info;
    info.mPPQPos = ppq;
    info.mTempo = tempo;
    info.mNumerator = num;
    info.mDenominator = den;
    proc.SetTransport(info, rate, block);
    proc.SetWindowLength(window);
    proc.UpdateBeatPosition();
  }
  void Redraw()
  {
    g.log.clear();
    scope.Draw(g);
  }
  // Whether the last drawing lit exactly one beat, with its line at x.
  void ExpectLitCell(float x) const
  {
    std::vector<float> xs;
    for (size_t i = 3; i < g.log.size(); ++i)
    {
      const std::string& e = g.log[i];
      float lx = 0, ly = 0;
      if (e.rfind("Stroke", 0) == 0 && e.substr(e.size() - 2) == "]2" &&
          std::sscanf(g.log[i - 2].c_str(), "MoveTo(%f,%f)", &lx, &ly) == 2)
        xs.push_back(lx);
    }
    ASSERT_EQ(xs.size(), 1u);
    EXPECT_NEAR(xs[0], x, 1e-3);
  }
};

TEST(WaveformControl, SmoothingPassesLargeStepsAndCompensates)
{
  const double in[4] = {0, 0, 1, 1};
  double out[4];
  WaveformControl::AdaptiveSmoothingWithManualCompensation(in, out, 4, 0.5, 1.3);
  const double expected[4] = {0, 0, 0.975, 1.17};
  for (int i = 0; i < 4; ++i)
    EXPECT_NEAR(out[i], expected[i], 1e-12) << i;
}

TEST_F(ScopeTest, OffsetIsOneBlockOfTheWindowAndZeroWithoutRateTempoOrWindow)
{
  Host(0, 120, 4, 4, 2.0, 512, 44100);
  EXPECT_NEAR(scope.CalculateAdaptiveOffset(), -0.011610, 1e-6);
  const double bad[3][3] = {{0, 120, 2}, {44100, 0, 2}, {44100, 120, 0}}; // rate, tempo, window
  for (const auto& b : bad)
  {
    Host(0, b[1], 4, 4, b[2], 512, b[0]);
    EXPECT_EQ(scope.CalculateAdaptiveOffset(), 0.0);
  }
}

TEST_F(ScopeTest, LevelsAboveOneDrawAtFullHeightWith1002PointsAndRoundStroke)
{
  for (int k = 0; k < WaveformControl::kNumPoints; ++k)
  {
    Host((k + 0.5) / 1000.0, 120, 4, 4, 1.0, 1 << 30); // a block far longer than the window
    proc.UpdateSamples(2.0, 2.0);
  }
  Redraw();
  ASSERT_EQ(Count("MoveTo(0,240)"), 4u);
  size_t start = 0;
  while (g.log[start] != "MoveTo(0,240)")
    ++start;
  for (size_t i = start + 1; i <= start + 1000; ++i)
  {
    EXPECT_EQ(g.log[i].substr(g.log[i].find(',')), ",2.4)") << g.log[i];
  }
  EXPECT_EQ(g.log[start + 1001], "LineTo(873,240)");
  EXPECT_EQ(g.log[start + 1002], "Close");
  EXPECT_EQ(g.log[start + 1003].substr(0, 4), "Fill");
  EXPECT_TRUE(Has("LineTo(873,1)"));
  EXPECT_TRUE(Has("LineTo(0,1)"));
  const Log strokes = g.Only("Stroke");
  ASSERT_EQ(strokes.size(), g.strokeOptions.size());
  for (size_t i = 0; i < strokes.size(); ++i)
  {
    const bool outline = strokes[i].substr(strokes[i].size() - 4) == "]2.2";
    EXPECT_EQ(g.strokeOptions[i].mCapOption == EStrokeCap::Round, outline) << strokes[i];
    EXPECT_EQ(g.strokeOptions[i].mJoinOption == EStrokeJoin::Round, outline) << strokes[i];
  }
  EXPECT_EQ(Count("Stroke" + Str(WaveformControl::AdjustLuminance(scope.GetColorOutput(), 1.0f)) + "2.2"), 1u);
}

TEST_F(ScopeTest, SixteenQuarterNotesShowThePageOfBarsHoldingTheCurrentBar)
{
  Host(21.0); // bar 6, beat 2
  Redraw();
  for (int bar = 5; bar <= 8; ++bar)
  {
    const float x = (bar - 5) * 873.0f / 4 + 5;
    char entry[64];
    std::snprintf(entry, sizeof(entry), "Text(%d)(%g,5,%g,5)", bar, x, x);
    EXPECT_TRUE(Has(entry)) << entry;
  }
  EXPECT_EQ(Count("Stroke" + Str(COLOR_LIGHT_GRAY.WithOpacity(0.3f)) + "1"), 15u);
  ExpectLitCell(873.0f / 4 + 873.0f / 16);
}

TEST_F(ScopeTest, WindowsShorterThanABarLightTheBeatsCellInTurn)
{
  Host(0.0, 120, 4, 4, 1.0);
  Redraw();
  ExpectLitCell(0.0f);
  EXPECT_EQ(Count("Stroke" + Str(COLOR_LIGHT_GRAY.WithOpacity(0.3f))), 0u);
  for (int beat = 0; beat < 4; ++beat)
  {
    Host(beat + 0.5, 120, 4, 4, 2.0);
    Redraw();
    SCOPED_TRACE(beat);
    ExpectLitCell((beat % 2) * 873.0f / 2);
  }
}

TEST_F(ScopeTest, ReadoutsSitInTheRightColumn)
{
  Host(65.5);
  Redraw();
  EXPECT_TRUE(Has("MoveTo(804.8,67)")); // the rounded box (804.8, 65, 863, 145)
  EXPECT_TRUE(Has("Arc(861,143,2,90,180)"));
  EXPECT_TRUE(Has("Text(120.0 BPM)(814.8,78.4615,814.8,78.4615)"));
  EXPECT_TRUE(Has("Text(Bar: 17)(814.8,96.9231,814.8,96.9231)"));
  EXPECT_TRUE(Has("Text(Beat: 2.5)(814.8,115.385,814.8,115.385)"));
  EXPECT_TRUE(Has("Text(00:32:750)(814.8,133.846,814.8,133.846)"));
}

TEST_F(ScopeTest, ThemesReplaceAllColoursAndUnknownThemesDrawAsThree)
{
  scope.SetColorTheme(3);
  const IColor three[3] = {scope.GetColorInput(), scope.GetColorOutput(), scope.GetColorFill()};
  EXPECT_EQ(three[0], COLOR_GRAY);
  scope.SetColorTheme(7);
  EXPECT_EQ(scope.GetColorInput(), three[0]);
  EXPECT_EQ(scope.GetColorOutput(), three[1]);
  EXPECT_EQ(scope.GetColorFill(), three[2]);
  scope.SetColorInput(COLOR_DARK_GRAY);
  EXPECT_EQ(scope.GetColorInput(), COLOR_DARK_GRAY);
  scope.SetColorTheme(1);
  EXPECT_EQ(scope.GetColorInput(), IColor::FromColorCode(0xA4E3F7));
  EXPECT_EQ(scope.GetColorFill(), scope.GetColorInput().WithOpacity(0.1f));
}

TEST_F(ScopeTest, WithoutAProcessorNothingIsDrawnAndTheControlStaysClean)
{
  WaveformControl empty(IRECT(0, 0, 873, 240), COLOR_RED, COLOR_RED, COLOR_RED, nullptr);
  empty.SetClean();
  empty.Draw(g);
  EXPECT_TRUE(g.log.empty());
  EXPECT_FALSE(empty.IsDirty());
  scope.SetClean();
  Redraw();
  EXPECT_TRUE(scope.IsDirty());
}

TEST_F(ScopeTest, BadHostValuesDrawInBoundedTime)
{
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct
  {
    int num, den;
    double tempo, ppq, window;
  } cases[] = {{0, 4, 120, 21, 16}, {4, 0, 120, 21, 16}, {-3, -8, 120, 21, 0.5}, {4, 4, 0, 21, 16},
               {4, 4, nan, nan, nan}, {4, 4, 120, 1e300, 16}, {4, 4, 120, -1e300, 1e300}, {4, 4, 1e-300, 5, 1e-300}};
  for (const auto& c : cases)
  {
    Host(c.ppq, c.tempo, c.num, c.den, c.window);
    const auto start = std::chrono::steady_clock::now();
    Redraw();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_LT(g.log.size(), 30000u) << c.num << "/" << c.den << " " << c.tempo << " " << c.ppq;
    if (!(c.tempo > 0))
    {
      EXPECT_EQ(Count("Text(00:00:000)"), 1u);
    }
  }
}

} // namespace
