#include "TestCanvas.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pwtest;

namespace {

struct Scaling : testing::Test
{
  Log events;
  TestGDelegate dlg;
  RecordingCanvas g{dlg};
  LogControl* c = nullptr;

  void SetUp() override
  {
    c = new LogControl(events, "c", IRECT(0, 0, 10, 10));
    g.AttachControl(c);
    Clear();
  }
  void Clear()
  {
    events.clear();
    dlg.log.clear();
    g.log.clear();
    dlg.layouts = 0;
  }
  std::string Size() const
  {
    return std::to_string(g.Width()) + "x" + std::to_string(g.Height()) + "@" + std::to_string(g.GetDrawScale());
  }
};

} // namespace

TEST_F(Scaling, ResizeClampsTheScaleAndTheDelegateConstrainsTheSize)
{
  g.Resize(800, 600, 10.0f);
  EXPECT_EQ(Size(), "800x600@4.000000");
  g.Resize(100, 5000, 0.1f);
  EXPECT_EQ(Size(), "333x1200@0.500000");
  g.SetScaleConstraints(4.0f, 0.75f);
  EXPECT_EQ(g.GetMinScale(), 0.75f);
  EXPECT_EQ(g.GetMaxScale(), 4.0f);
  g.SetScaleConstraints(NAN, 2.0f);
  EXPECT_EQ(g.GetMaxScale(), 4.0f);
  g.Resize(1000, 400, 0.1f);
  EXPECT_EQ(Size(), "1000x400@0.750000");
  g.Resize(1000, 400, NAN);
  g.Resize(1000, 400, INFINITY);
  EXPECT_EQ(Size(), "1000x400@0.750000") << "a non-finite scale keeps the current one";
  EXPECT_EQ(g.WindowWidth(), 750);
  EXPECT_EQ(g.WindowHeight(), 300);
}

TEST_F(Scaling, AnEffectiveResizeTellsHostPlatformControlsAndLayoutInOrder)
{
  g.AttachCornerResizer(EUIResizerMode::Scale, true);
  g.SetCapturedControl(c);
  g.windowScale = 2.0f;
  Clear();
  g.Resize(800, 600, 1.5f, false);
  EXPECT_FALSE(g.ControlIsCaptured());
  EXPECT_EQ(dlg.log, Log{"EditorResizeFromUI(2400,1800,0)"});
  EXPECT_EQ(events, (Log{"c.OnResize"}));
  EXPECT_EQ(g.log, (Log{"PlatformResize(1)", "DrawResize"}));
  EXPECT_EQ(dlg.layouts, 1);
  // The resizer keeps 20 window units in the corner at the new scale.
  EXPECT_EQ(Str(g.GetCornerResizer()->GetRECT()), Str(IRECT(800 - 20 / 1.5f, 600 - 20 / 1.5f, 800, 600)));

  Clear();
  g.SetCapturedControl(c);
  g.Resize(800, 600, 1.5f);
  EXPECT_TRUE(dlg.log.empty() && events.empty() && g.log.empty());
  EXPECT_TRUE(g.ControlIsCaptured()) << "an unchanged size does nothing at all";
  EXPECT_EQ(dlg.layouts, 0);
}

TEST_F(Scaling, ScreenScaleChangesRescaleEveryControl)
{
  g.SetScreenScale(1.5f);
  EXPECT_EQ(g.GetScreenScale(), 1.5f);
  EXPECT_EQ(g.GetRoundedScreenScale(), 2);
  EXPECT_EQ(dlg.log, Log{"EditorResizeFromUI(1000,400,1)"});
  EXPECT_EQ(events, Log{"c.OnRescale"});
  EXPECT_EQ(g.log, (Log{"PlatformResize(1)", "DrawResize"}));
  EXPECT_TRUE(c->IsDirty());
}

TEST_F(Scaling, DragResizingFollowsThePointer)
{
  g.AttachCornerResizer(EUIResizerMode::Scale);
  g.SetMouseDownPoint(100, 50);
  g.StartDragResize();
  g.OnDragResize(200, 75);
  EXPECT_EQ(Size(), "1000x400@1.500000") << "the smaller of 2.0 and 1.5";
  Clear();
  g.EndDragResize();
  EXPECT_FALSE(g.IsDragResizing());
  EXPECT_EQ(events, Log{"c.OnRescale"});

  RecordingCanvas sized{dlg};
  sized.AttachCornerResizer(EUIResizerMode::Size);
  sized.StartDragResize();
  sized.OnDragResize(640.7f, 480.2f);
  EXPECT_EQ(sized.Width(), 640);
  EXPECT_EQ(sized.Height(), 480);
  EXPECT_EQ(sized.GetDrawScale(), 1.0f);
  sized.SetAllControlsClean();
  sized.EndDragResize();
  EXPECT_TRUE(sized.GetCornerResizer()->IsDirty());
}
