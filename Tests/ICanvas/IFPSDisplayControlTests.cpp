#include "IFPSDisplayControl.h"
#include "TestCanvas.h"

#include <gtest/gtest.h>

using namespace pwtest;

namespace {

// Graph area (12, 12, 208, 58): 196 wide, 46 high.
struct FPS : testing::Test
{
  TestGDelegate dlg;
  RecordingCanvas g{dlg};
  IFPSDisplayControl fps{IRECT(10, 10, 210, 60)};

  void Fill(float sample)
  {
    for (int i = 0; i < IFPSDisplayControl::kNumSamples; ++i)
      fps.Update(sample);
  }
  void Draw(IFPSDisplayControl& c)
  {
    g.log.clear();
    c.Draw(g);
  }
};

} // namespace

TEST_F(FPS, TheRingKeepsTheLastHundredSamplesAndBeginFrameFeedsIt)
{
  fps.Update(1.0f);
  fps.Update(2.0f);
  EXPECT_EQ(fps.GetWritePos(), 2);
  EXPECT_EQ(fps.GetSample(1), 1.0f);
  EXPECT_EQ(fps.GetSample(2), 2.0f);
  for (int i = 0; i < 98; ++i)
    fps.Update(3.0f);
  EXPECT_EQ(fps.GetWritePos(), 0);
  EXPECT_EQ(fps.GetSample(0), 3.0f) << "slot 0 is written on the wrap";
  EXPECT_EQ(fps.GetSample(1), 1.0f);

  g.ShowFPSDisplay(true);
  auto* shown = static_cast<IFPSDisplayControl*>(g.GetFPSDisplay());
  g.BeginFrame();
  g.BeginFrame();
  EXPECT_EQ(shown->GetWritePos(), 2);
  EXPECT_GE(shown->GetSample(2), 0.0f);
  EXPECT_TRUE(shown->IsDirty());
}

TEST_F(FPS, AClickCyclesTheDisplayStyleAndLeavesTheVectorStyle)
{
  const IMouseMod mouse;
  EXPECT_EQ(fps.GetColor(kBG), COLOR_WHITE);
  fps.OnMouseDown(0, 0, mouse);
  EXPECT_EQ(fps.GetDisplayStyle(), IFPSDisplayControl::kMilliseconds);
  fps.OnMouseDown(0, 0, mouse);
  EXPECT_EQ(fps.GetDisplayStyle(), IFPSDisplayControl::kPercentage);
  fps.OnMouseDown(0, 0, mouse);
  EXPECT_EQ(fps.GetDisplayStyle(), IFPSDisplayControl::kFPS);
  EXPECT_TRUE(fps.GetStyle().drawFrame);
}

TEST_F(FPS, DrawsPanelGraphAndReadingsOfTheHundredSlotAverage)
{
  Fill(0.01f); // 100 frames per second: above the 80 of full scale
  Draw(fps);
  const Log shapes = Shapes(g.log);
  ASSERT_EQ(shapes.size(), 3u);
  EXPECT_EQ(shapes[0], "Fill[255,255,255,255](10,10,210,60)");
  EXPECT_EQ(shapes[1], "Stroke[255,0,0,0]1(10,10,210,60)");
  EXPECT_EQ(shapes[2], "Fill[255,200,200,200](12,12,210,60)") << "graph in kFG";
  const Log lines = g.Only("LineTo");
  EXPECT_EQ(g.Only("MoveTo").back(), "MoveTo(12,58)");
  ASSERT_EQ(lines.size(), 6u + 101u) << "after the panel's fill and frame";
  EXPECT_EQ(lines[6], "LineTo(12,12)") << "clipped at full height";
  EXPECT_EQ(lines[105], "LineTo(208,12)");
  EXPECT_EQ(lines[106], "LineTo(210,60)") << "closed at the control's own corner";
  const std::string G = "(12,12,208,58)";
  EXPECT_EQ(g.Only("Text"), Log({"Text(Recording)" + G, "Text(Frame Time)" + G, "Text(100.00 FPS)" + G,
                                 "Text(10.00 ms)" + G}));

  fps.OnMouseDown(0, 0, IMouseMod());
  fps.Update(0.02f); // newest first, then oldest to second newest
  Draw(fps);
  const Log ms = g.Only("LineTo");
  EXPECT_EQ(ms[6], "LineTo(12,12)") << "20 ms plots at full height";
  EXPECT_EQ(ms[105], "LineTo(208,35)") << "10 ms at half height";
  EXPECT_EQ(g.Only("Text").back(), "Text(10.10 ms)" + G);

  fps.OnMouseDown(0, 0, IMouseMod());
  Draw(fps);
  EXPECT_EQ(g.Only("LineTo")[6], "LineTo(12,57.9908)") << "seconds plotted as percent stay at the bottom";
  EXPECT_EQ(g.Only("Text").back(), "Text(0.0 %)" + G);
}

TEST_F(FPS, OneIntervalReadsAHundredTimesTheRateAndAnEmptyLabelDrawsNothing)
{
  IFPSDisplayControl unnamed(IRECT(10, 10, 210, 60), IFPSDisplayControl::kFPS, "");
  unnamed.Update(0.02f);
  Draw(unnamed);
  EXPECT_EQ(g.Only("Text"), Log({"Text(Recording)(12,12,208,58)", "Text(5000.00 FPS)(12,12,208,58)",
                                 "Text(0.20 ms)(12,12,208,58)"}));
}
