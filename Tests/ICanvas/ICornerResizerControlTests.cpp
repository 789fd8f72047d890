#include "ICornerResizerControl.h"
#include "TestCanvas.h"

#include <gtest/gtest.h>

using namespace pwtest;

namespace {

const IColor kIdle(255, 1, 1, 1), kOver(255, 2, 2, 2), kDrag(255, 3, 3, 3);

struct Resizer : testing::Test
{
  TestGDelegate dlg;
  RecordingCanvas g{dlg};
  const IMouseMod mouse;

  IControl* Attach(EUIResizerMode mode)
  {
    g.AttachCornerResizer(mode, false, kIdle, kOver, kDrag, 20.0f);
    return g.GetCornerResizer();
  }
  // The triangle's fill as "<colour>:<three corners>".
  std::string Drawn(IControl* c)
  {
    g.log.clear();
    c->Draw(g);
    const Log pts = g.Only("MoveTo");
    const Log lines = g.Only("LineTo");
    const Log fill = g.Only("Fill");
    return fill.at(0).substr(4) + ":" + pts.at(0) + lines.at(0) + lines.at(1);
  }
  ECursor Cursor()
  {
    const ECursor current = g.SetMouseCursor(ECursor::ARROW);
    g.SetMouseCursor(current);
    return current;
  }
};

} // namespace

TEST_F(Resizer, SitsInTheCornerAtEveryScaleAndSize)
{
  ICornerResizerControl fresh(g.GetBounds(), 20.0f);
  EXPECT_EQ(Str(fresh.GetRECT()), "(981,381,999,399)") << "before the first rescale";

  IControl* c = Attach(EUIResizerMode::Scale);
  EXPECT_EQ(Str(c->GetRECT()), "(980,380,1000,400)");
  g.Resize(1000, 400, 2.0f);
  EXPECT_EQ(Str(c->GetRECT()), "(990,390,1000,400)") << "20 window units at scale 2";
  EXPECT_EQ(Str(c->GetTargetRECT()), "(990,390,1000,400)");
  g.Resize(800, 300, 1.0f);
  EXPECT_EQ(Str(c->GetRECT()), "(780,280,800,300)");
}

TEST_F(Resizer, SetsTheResizeCursorOnceAndRestoresThePreviousOne)
{
  IControl* c = Attach(EUIResizerMode::Scale);
  c->OnMouseOut();
  g.SetMouseCursor(ECursor::HAND);
  c->OnMouseOut();
  EXPECT_EQ(Cursor(), ECursor::HAND) << "leaving without entering keeps the cursor";

  c->OnMouseOver(990, 390, mouse);
  EXPECT_EQ(Cursor(), ECursor::SIZENWSE);
  c->OnMouseOver(991, 391, mouse);
  EXPECT_TRUE(c->GetMouseIsOver());
  c->OnMouseOut();
  EXPECT_EQ(Cursor(), ECursor::HAND) << "the first previous cursor is kept";
  EXPECT_FALSE(c->GetMouseIsOver());
}

TEST_F(Resizer, DrawsItsStateAndDragResizes)
{
  IControl* c = Attach(EUIResizerMode::Size);
  EXPECT_EQ(Drawn(c), Str(kIdle) + ":MoveTo(980,400)LineTo(1000,380)LineTo(1000,400)");
  c->OnMouseOver(990, 390, mouse);
  EXPECT_EQ(Drawn(c).substr(0, 11), Str(kOver));

  g.SetMouseDownPoint(990, 390);
  c->OnMouseDown(990, 390, mouse);
  c->OnMouseOut();
  EXPECT_TRUE(g.IsDragResizing());
  EXPECT_EQ(Drawn(c).substr(0, 11), Str(kDrag)) << "drag colour after the pointer left";
  g.OnDragResize(700.0f, 300.0f);
  g.EndDragResize();
  EXPECT_FALSE(g.IsDragResizing());
  EXPECT_EQ(g.Width(), 700);
  EXPECT_EQ(g.Height(), 300);
  EXPECT_EQ(Drawn(c), Str(kIdle) + ":MoveTo(680,300)LineTo(700,280)LineTo(700,300)");
}

TEST_F(Resizer, DoubleClickRestoresTheFirstSizeAtScaleOneInEitherMode)
{
  for (EUIResizerMode mode : {EUIResizerMode::Scale, EUIResizerMode::Size})
  {
    TestGDelegate d;
    RecordingCanvas canvas{d};
    canvas.AttachCornerResizer(mode);
    canvas.Resize(800, 300, 2.0f);
    canvas.GetCornerResizer()->OnMouseDblClick(0, 0, mouse);
    EXPECT_EQ(canvas.Width(), 1000);
    EXPECT_EQ(canvas.Height(), 400);
    EXPECT_EQ(canvas.GetDrawScale(), 1.0f);
  }
}

TEST_F(Resizer, ASecondResizerIsDiscardedAndTheFirstKeepsItsMode)
{
  IControl* c = Attach(EUIResizerMode::Size);
  Log events;
  g.AttachCornerResizer(new LogControl(events, "second", IRECT()), EUIResizerMode::Scale, true);
  EXPECT_EQ(g.GetCornerResizer(), c);
  EXPECT_EQ(g.GetResizerMode(), EUIResizerMode::Size);
  EXPECT_FALSE(g.GetLayoutOnResize());
  EXPECT_EQ(events, Log({"second.deleted"}));
}
