#include <cmath>
#include <limits>
#include "EditorTestRig.h"
#include "GridDrawer.h"
#include "LogoControl.h"
#include "PressweaveColors.h"

using namespace pressweave;
using namespace pwtest;

const IColor kGridColors[4] = {EQ_panel, freqGrid, decibelGrid, gridText};

using GridTest = CanvasFixture;

TEST_F(GridTest, MeterScaleDrawsSeventeenLevelsAndLabelsAllButTheEnds)
{
  GridDrawer grid(IRECT(875, 0, 1000, 240), kGridColors, 10, 22000, -66, 6, true, true);
  grid.Draw(g);
  const float levels[] = {9, 6, 3, 0, -3, -6, -9, -12, -18, -24, -30, -36, -42, -48, -54, -60, -66};
  for (const float d : levels)
  {
    const float y = 240 - (d + 66) / 72 * 240;
    char line[64], label[64];
    std::snprintf(line, sizeof(line), "MoveTo(875,%g)", y);
    std::snprintf(label, sizeof(label), "Text(%.0f)(937.5,%g,937.5,%g)", d, y - 5, y - 5);
    EXPECT_TRUE(Has(line)) << line;
    EXPECT_EQ(Has(label), d != -66 && d != 6 && d != 9) << label;
  }
  EXPECT_EQ(Count("Stroke" + Str(decibelGrid) + "1") + Count("Text"), 17u + 14u);
  g.log.clear();
  grid.Draw(g); // then only the layer, until a rescale
  EXPECT_EQ(Count("Stroke") + Count("Bitmap(875,0,1000,240)"), 1u);
  g.Resize(1000, 400, 1.5f);
  grid.Draw(g);
  EXPECT_EQ(Count("Stroke" + Str(decibelGrid) + "1") + Count("Bitmap"), 17u + 2u);

  GridDrawer flat(IRECT(875, 0, 1000, 240), kGridColors, 10, 22000, 6, 6, false, true),
    flatFreq(IRECT(875, 0, 1000, 240), kGridColors, 10, 22000, 6, 6, false, false);
  g.log.clear();
  flat.Draw(g);
  EXPECT_TRUE(g.log.empty());
  flatFreq.Draw(g);
  EXPECT_EQ(Count("Stroke" + Str(decibelGrid)) + Count("Text(6 dB)"), 0u);
}

TEST(GridDrawer, FrequencyChoiceThinsToTheSpacingAndRefusesBadRanges)
{
  EXPECT_EQ(GridDrawer::GenerateDynamicFrequencies(10, 22000, 90, 30),
            (std::vector<float>{10, 200, 3000, 20000, 22000}));
  const float inf = std::numeric_limits<float>::infinity();
  const struct { float lo, hi; int width, spacing; } empty[] = {
    {10, 22000, 0, 30}, {100, 100, 90, 30}, {200, 100, 90, 30}, {0, 22000, 90, 30},
    {-5, 22000, 90, 30}, {10, inf, 90, 30}, {10, 22000, 90, 0}};
  for (const auto& c : empty)
    EXPECT_TRUE(GridDrawer::GenerateDynamicFrequencies(c.lo, c.hi, c.width, c.spacing).empty()) << c.lo << c.hi;
}

TEST_F(GridTest, FrequencyModeDropsLabelsCrossingTheEdges)
{
  GridDrawer grid(IRECT(0, 0, 600, 200), kGridColors, 10, 22000, -66, 6, false, false);
  grid.Draw(g);
  EXPECT_EQ(Count("Text(10)") + Count("Text(22k)"), 0u); // centred on the edges
  EXPECT_EQ(Count("Text(100)(") + Count("Text(-66 dB)(5,182,50,202)"), 2u);
}

TEST_F(GridTest, LogoFitsItsRectangleByTheShorterScale)
{
  LogoControl logo(IRECT(12, 303.48f, 113, 439.48f));
  logo.Draw(g);
  const float s = 101 / LogoControl::kDesignWidth;
  EXPECT_NEAR(s, 0.062236f, 1e-6f);
  char transform[96];
  std::snprintf(transform, sizeof(transform), "Transform(%g,0,0,%g,12,303.48)", s, s);
  EXPECT_EQ(Count(transform), 4u) << g.log[0];
  EXPECT_TRUE(Has("MoveTo(488,0)") && Has("LineTo(1252,0)")); // 42.37 to 89.92 on screen
  EXPECT_EQ(Count("Fill" + Str(COLOR_WHITE.WithOpacity(0.8f))), 4u);

  LogoControl wide(IRECT(0, 0, 400, 200));
  wide.Draw(g);
  EXPECT_EQ(Count("Transform(0.1998,0,0,0.1998,0,0)"), 4u); // 200 / 1001
}

