#include "ICornerResizerControl.h"
#include "IFPSDisplayControl.h"
#include "TestCanvas.h"

#include <gtest/gtest.h>

using namespace pwtest;

namespace {

const IColor kIdle(255, 1, 1, 1), kOver(255, 2, 2, 2), kDrag(255, 3, 3, 3);

struct Overlays : testing::Test
{
  TestGDelegate dlg;
  RecordingCanvas g{dlg};
  const IMouseMod mouse;
  IFPSDisplayControl fps{IRECT(10, 10, 210, 60)}; // graph area (12, 12, 208, 58)

  IControl* Resizer(EUIResizerMode mode)
  {
    g.AttachCornerResizer(mode, false, kIdle, kOver, kDrag, 20.0f);
    return g.GetCornerResizer();
  }
  // The first paint with its box, then the first three path points.
  std::string Drawn(IControl* c)
  {
    g.log.clear();
    c->Draw(g);
    return Shapes(g.log).at(0) + g.log.at(1) + g.log.at(2) + g.log.at(3);
  }
  ECursor Cursor()
  {
    const ECursor current = g.SetMouseCursor();
    g.SetMouseCursor(current);
    return current;
  }
};

} // namespace

TEST_F(Overlays, ResizerSitsInTheCornerAtEveryScaleAndSize)
{
  EXPECT_EQ(Str(ICornerResizerControl(g.GetBounds(), 20.0f).GetRECT()), "(981,381,999,399)") << "before a rescale";
  IControl* c = Resizer(EUIResizerMode::Scale);
  EXPECT_EQ(Str(c->GetRECT()), "(980,380,1000,400)");
  g.Resize(800, 300, 2.0f);
  EXPECT_EQ(Str(c->GetRECT()) + Str(c->GetTargetRECT()), "(790,290,800,300)(790,290,800,300)") << "20 window units";
}

TEST_F(Overlays, ResizerSetsTheResizeCursorOnceAndRestoresThePreviousOne)
{
  IControl* c = Resizer(EUIResizerMode::Scale);
  g.SetMouseCursor(ECursor::HAND);
  c->OnMouseOut();
  EXPECT_EQ(Cursor(), ECursor::HAND) << "leaving without entering keeps the cursor";
  c->OnMouseOver(990, 390, mouse);
  EXPECT_EQ(Cursor(), ECursor::SIZENWSE);
  c->OnMouseOver(991, 391, mouse);
  c->OnMouseOut();
  EXPECT_EQ(Cursor(), ECursor::HAND) << "the first previous cursor is kept";
}

TEST_F(Overlays, ResizerShowsItsStateStartsTheDragAndDoubleClickRestoresTheFirstSize)
{
  IControl* c = Resizer(EUIResizerMode::Size);
  EXPECT_EQ(Drawn(c), "Fill" + Str(kIdle) + "(980,380,1000,400)MoveTo(980,400)LineTo(1000,380)LineTo(1000,400)");
  c->OnMouseOver(990, 390, mouse);
  EXPECT_EQ(Drawn(c).substr(0, 15), "Fill" + Str(kOver));
  c->OnMouseDown(990, 390, mouse);
  c->OnMouseOut();
  EXPECT_TRUE(g.IsDragResizing());
  EXPECT_EQ(Drawn(c).substr(0, 15), "Fill" + Str(kDrag)) << "drag colour after the pointer left";
  g.EndDragResize();
  g.Resize(800, 300, 2.0f);
  c->OnMouseDblClick(0, 0, mouse);
  EXPECT_EQ(std::to_string(g.Width()) + "x" + std::to_string(g.Height()) + "@" + std::to_string(g.GetDrawScale()),
            "1000x400@1.000000");
  EXPECT_EQ(Drawn(c).substr(0, 15), "Fill" + Str(kIdle));
}

TEST_F(Overlays, FPSClickCyclesTheDisplayStyle)
{
  for (auto style : {IFPSDisplayControl::kMilliseconds, IFPSDisplayControl::kPercentage, IFPSDisplayControl::kFPS})
  {
    fps.OnMouseDown(0, 0, mouse);
    EXPECT_EQ(fps.GetDisplayStyle(), style);
  }
}

TEST_F(Overlays, FPSDrawsPanelGraphAndReadingsOfTheHundredSlotAverage)
{
  for (int i = 0; i < IFPSDisplayControl::kNumSamples; ++i)
    fps.Update(0.01f); // 100 frames per second: above the 80 of full scale
  g.log.clear();
  fps.Draw(g);
  EXPECT_EQ(Shapes(g.log), Log({"Fill[255,255,255,255](10,10,210,60)", "Stroke[255,0,0,0]1(10,10,210,60)",
                                "Fill[255,200,200,200](12,12,210,60)"}));
  Log lines = g.Only("LineTo"); // six for the panel first
  EXPECT_EQ(g.Only("MoveTo").back() + lines.at(6) + lines.at(105) + lines.at(106),
            "MoveTo(12,58)LineTo(12,12)LineTo(208,12)LineTo(210,60)") << "clipped, closed at the control's corner";
  const std::string G = "(12,12,208,58)";
  EXPECT_EQ(g.Only("Text"), Log({"Text(Recording)" + G, "Text(Frame Time)" + G, "Text(100.00 FPS)" + G, "Text(10.00 ms)" + G}));

  fps.OnMouseDown(0, 0, mouse);
  fps.Update(0.02f); // newest first, then oldest to second newest
  g.log.clear();
  fps.Draw(g);
  lines = g.Only("LineTo");
  EXPECT_EQ(lines.at(6) + lines.at(105) + g.Only("Text").back(), "LineTo(12,12)LineTo(208,35)Text(10.10 ms)" + G);
  fps.OnMouseDown(0, 0, mouse);
  g.log.clear();
  fps.Draw(g);
  EXPECT_EQ(g.Only("LineTo").at(6) + g.Only("Text").back(), "LineTo(12,57.9908)Text(0.0 %)" + G) << "seconds as percent";

  IFPSDisplayControl unnamed(IRECT(10, 10, 210, 60), IFPSDisplayControl::kFPS, "");
  unnamed.Update(0.02f);
  g.log.clear();
  unnamed.Draw(g);
  EXPECT_EQ(g.Only("Text"), Log({"Text(Recording)" + G, "Text(5000.00 FPS)" + G, "Text(0.20 ms)" + G})) << "one interval";
}
