#include "IContainerBase.h"
#include "IFPSDisplayControl.h"
#include "TestCanvas.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace pwtest;

namespace {

// Rectangles whose 0.75-point padding lands on whole points.
IRECT Inner(float l, float t, float r, float b) { return IRECT(l, t, r, b).GetPadded(-0.75f); }

struct Cycle : testing::Test
{
  Log events;
  TestGDelegate dlg;
  RecordingCanvas g{dlg};

  LogControl* Attach(const char* name, const IRECT& r)
  {
    auto* c = new LogControl(events, name, r);
    g.AttachControl(c);
    return c;
  }
  std::vector<std::string> Regions(const IRECTList& rects)
  {
    std::vector<std::string> out;
    for (int i = 0; i < rects.Size(); ++i)
      out.push_back(Str(rects.Get(i)));
    return out;
  }
  // Ticks once after marking only the given controls dirty.
  IRECTList TickDirty(std::initializer_list<IControl*> dirty)
  {
    g.SetAllControlsClean();
    for (IControl* c : dirty)
      c->SetDirty(false);
    g.log.clear();
    events.clear();
    return g.Tick();
  }
};

} // namespace

TEST_F(Cycle, NothingDirtyMeansNoFrameAtAll)
{
  Attach("a", Inner(10, 10, 50, 50));
  g.Tick();
  g.log.clear();
  IRECTList rects;
  EXPECT_FALSE(g.IsDirty(rects));
  EXPECT_EQ(rects.Size(), 0);
  g.Draw(rects);
  EXPECT_TRUE(g.log.empty());
}

TEST_F(Cycle, DirtyRegionsAreMergedAsDocumented)
{
  LogControl* a = Attach("a", Inner(10, 10, 50, 50));
  LogControl* same = Attach("same", Inner(10, 10, 50, 50));
  LogControl* beside = Attach("beside", Inner(50, 10, 90, 50));
  LogControl* corner = Attach("corner", Inner(30, 30, 70, 70));

  EXPECT_EQ(Regions(TickDirty({a, same})), std::vector<std::string>{Str(IRECT(10, 10, 50, 50))});
  EXPECT_EQ(g.Only("BeginFrame").size(), 1u);
  EXPECT_EQ(events, (Log{"a.Draw", "same.Draw", "corner.Draw"})) << "every control meeting the region";

  EXPECT_EQ(Regions(TickDirty({a, beside})), std::vector<std::string>{Str(IRECT(10, 10, 90, 50))});

  // Equal areas: the later rectangle is cut into two pieces outside the
  // overlap.
  EXPECT_EQ(Regions(TickDirty({a, corner})), (std::vector<std::string>{Str(IRECT(10, 10, 50, 50)), Str(IRECT(30, 50, 70, 70)),
                                                                       Str(IRECT(50, 30, 70, 50))}));
}

TEST_F(Cycle, EachControlDrawsInAPreparedRegionAndCompletesIt)
{
  LogControl* a = Attach("a", Inner(10, 10, 50, 50));
  TickDirty({a});
  EXPECT_EQ(g.log, (Log{"BeginFrame", "Transform(1,0,0,1,0,0)", "Clear", "Clip(10,10,50,50)", "Clear",
                        "MoveTo(10.75,10.75)", "LineTo(49.25,10.75)", "LineTo(49.25,49.25)", "LineTo(10.75,49.25)",
                        "Close", "Fill[255,255,0,0]", "Complete(10,10,50,50)", "EndFrame"}));
}

TEST_F(Cycle, ChildrenAreClippedThroughTheirAncestors)
{
  auto* box = new IContainerBase(Inner(0, 0, 100, 100));
  g.AttachControl(box);
  auto* child = new LogControl(events, "child", IRECT(90, 90, 150, 150));
  box->AddChildControl(child);
  IRECTList rects = TickDirty({child});
  EXPECT_EQ(Regions(rects), std::vector<std::string>{Str(IRECT(37, 37, 99, 99))})
    << "clanked into the parent, one point inside its edge";
  EXPECT_EQ(g.Only("Clip"), (Log{"Clip(37,37,99,99)", "Clip(89,89,99,99)"}));

  auto* outside = new LogControl(events, "outside", IRECT(200, 200, 240, 240));
  box->AddChildControl(outside);
  g.log.clear();
  g.DrawControl(outside, IRECT(190, 190, 250, 250), 1.0f);
  EXPECT_TRUE(g.log.empty()) << "the parent does not meet the region";
}

TEST_F(Cycle, AHiddenBackgroundIsDrawnButNoOtherHiddenControl)
{
  LogControl* bg = Attach("bg", Inner(0, 0, 1000, 400));
  LogControl* a = Attach("a", Inner(10, 10, 50, 50));
  bg->Hide(true);
  a->Hide(true);
  TickDirty({bg, a});
  EXPECT_EQ(events, Log{"bg.Draw"});
}

TEST_F(Cycle, StrictDrawingRedrawsTheBoundingRectangleOnce)
{
  LogControl* a = Attach("a", Inner(10, 10, 20, 20));
  LogControl* b = Attach("b", Inner(500, 300, 510, 310));
  g.SetStrictDrawing(true);
  TickDirty({a, b});
  EXPECT_EQ(g.Only("Complete"), (Log{"Complete(10,10,20,20)", "Complete(500,300,510,310)"}));
  EXPECT_EQ(g.Only("Clip"), (Log{"Clip(10,10,20,20)", "Clip(500,300,510,310)"}));
  // Both controls were drawn in one region (10,10,510,310): one frame, and
  // a control between them is reached too.
  Attach("mid", Inner(200, 100, 210, 110));
  TickDirty({a, b});
  EXPECT_EQ(events, (Log{"a.Draw", "b.Draw", "mid.Draw"}));
}

TEST_F(Cycle, RegionsAreAlignedToWholePixelsOfTheBackingScale)
{
  LogControl* a = Attach("a", IRECT(10.1f, 10.1f, 20.1f, 20.1f));
  g.SetScreenScale(2.0f);
  IRECTList rects = TickDirty({a});
  EXPECT_EQ(Regions(rects), std::vector<std::string>{Str(IRECT(9, 9, 21, 21))});
  EXPECT_EQ(g.GetBackingPixelScale(), 2.0f);
}

TEST_F(Cycle, AnimationsRunBeforeCollectionAndTheFramesDisplayGetsFrameTimes)
{
  LogControl* a = Attach("a", Inner(10, 10, 50, 50));
  int steps = 0;
  a->SetAnimation([&steps](IControl*) { ++steps; }, 1000);
  TickDirty({});
  EXPECT_EQ(steps, 1);
  EXPECT_EQ(events, Log{"a.Draw"}) << "an animating control stays dirty";

  GetTimestamp();
  std::this_thread::sleep_for(std::chrono::milliseconds(3));
  g.ShowFPSDisplay(true);
  auto* fps = static_cast<IFPSDisplayControl*>(g.GetFPSDisplay());
  g.Tick();
  const float first = fps->GetSample(fps->GetWritePos());
  EXPECT_GE(first, 0.003f) << "measured from time 0";
  g.Tick();
  EXPECT_LT(fps->GetSample(fps->GetWritePos()), first);
  EXPECT_EQ(fps->GetWritePos(), 2);
}

TEST_F(Cycle, APanelBackgroundAttachedLastBecomesControlZeroAndIsDrawnFirst)
{
  Attach("a", Inner(10, 10, 50, 50));
  g.AttachPanelBackground(IPattern(COLOR_BLUE));
  ASSERT_EQ(g.NControls(), 2);
  EXPECT_EQ(Str(g.GetControl(0)->GetRECT()), Str(g.GetBounds()));
  EXPECT_EQ(g.GetControl(0)->GetTag(), kNoTag);
  EXPECT_TRUE(g.GetControl(0)->GetIgnoreMouse());
  g.log.clear();
  g.Tick();
  const Log fills = g.Only("Fill");
  EXPECT_EQ(fills, (Log{"Fill" + Str(COLOR_BLUE), "Fill" + Str(COLOR_RED)}));
}
