#include "ControlsFixture.h"
#include "IVKnobControl.h"
#include "IVSliderControl.h"

#include <cmath>
#include <cstdio>

using namespace pwtest;

namespace {

struct Knob : Widgets
{
  const IRECT cell{222.25f, 244.0f, 311.5f, 396.0f};
  IVKnobControl* Make(bool editable, bool valueInWidget = false, float anchor = -135.0f, float track = 4.0f)
  {
    return Attach(new IVKnobControl(cell, 0, "ATTACK", style, editable, valueInWidget, -135.0f, 135.0f, anchor,
                                    EDirection::Vertical, 4.0, track));
  }
  // The distance of a logged point from (cx, cy).
  static double Dist(const std::string& e, double cx, double cy)
  {
    double x = 0, y = 0;
    std::sscanf(e.c_str() + e.find('('), "(%lf,%lf)", &x, &y);
    return std::hypot(x - cx, y - cy);
  }
};

} // namespace

TEST_F(Knob, LaysOutTheProductCellAndDrawsArcHandleAndPointer)
{
  IVKnobControl* k = Make(false);
  EXPECT_EQ(k->GetLabelBounds().T + k->GetLabelBounds().B * 1000, 244 + 256000);
  EXPECT_EQ(k->GetValueBounds().T + k->GetValueBounds().B * 1000, 256 + 268000);
  EXPECT_EQ(Str(k->GetWidgetBounds()), "(222.25,268,311.5,396)");
  EXPECT_EQ(k->GetRadius(), 42.625f);
  k->SetInnerPointerFrac(0.7f);
  k->SetOuterPointerFrac(0.9f);
  k->SetValue(0.5);
  Drawn(k);
  const Log arcs = g.Only("Arc"), shapes = Shapes(g.log);
  ASSERT_EQ(arcs.size(), 3u) << "indicator arc, handle face and frame";
  EXPECT_EQ(arcs[0], "Arc(266.875,332,42.625,-135,0)") << "0.5 between -135 and 135 is 0 degrees";
  EXPECT_NE(std::find(shapes.begin(), shapes.end(), "Stroke[255,0,0,0]4(224.25,289.375,309.5,374.625)"), shapes.end())
    << "4 wide, in kX1";
  EXPECT_NE(shapes[2].find("(228.25,293.375,305.5,370.625)"), std::string::npos) << shapes[2];
  const Log moves = g.Only("MoveTo"), lines = g.Only("LineTo");
  EXPECT_NEAR(Dist(moves.back(), 266.875, 332), 27.04, 0.01);
  EXPECT_NEAR(Dist(lines.back(), 266.875, 332), 34.76, 0.01);
}

TEST_F(Knob, AnchorAndTrackSizeShapeTheArc)
{
  IVKnobControl* k = Make(false);
  k->SetValue(0.0);
  Drawn(k);
  EXPECT_EQ(g.Only("Arc")[0], "Arc(266.875,332,42.625,-135,-135)") << "zero length at the anchor";
  IVKnobControl* fromTop = Make(false, false, 0.0f);
  fromTop->SetValue(0.25);
  Drawn(fromTop);
  EXPECT_EQ(g.Only("Arc")[0], "Arc(266.875,332,42.625,-67.5,0)") << "grows back towards the anchor";
  IVKnobControl* bare = Make(false, false, -135.0f, 0.0f);
  Drawn(bare);
  EXPECT_EQ(g.Only("Arc").size(), 2u) << "only the handle";
  EXPECT_EQ(bare->GetRadius(), 44.625f) << "half the shorter side";
}

TEST_F(Knob, DragsOverTheHalfWidthRectangleWithFineModifiers)
{
  IVKnobControl* k = Make(false);
  EXPECT_EQ(Str(k->GetKnobDragBounds()), "(222.25,309.688,311.5,354.312)");
  k->SetValue(0.0);
  k->OnMouseDown(266, 332, mouse);
  k->OnMouseDrag(266, 332, 0, -178.5f, mouse);
  EXPECT_DOUBLE_EQ(k->GetValue(), 1.0);
  k->OnMouseDrag(266, 332, 0, 89.25f, IMouseMod(true, false, true));
  EXPECT_NEAR(k->GetValue(), 0.95, 1e-9) << "Shift: ten times finer";
  k->OnMouseDrag(266, 332, 0, 89.25f, IMouseMod(true, false, false, true));
  EXPECT_NEAR(k->GetValue(), 0.90, 1e-9) << "Control too";
  k->OnMouseUp(266, 332, mouse);
  EXPECT_EQ(g.cursorLog, Log({"Cursor(1,1)", "Cursor(0,1)"}));
  EXPECT_EQ(dlg.log.back(), "FromUI(0,0.900000)") << "sent on release";
  IVKnobControl* wide = Attach(new IVKnobControl(IRECT(0, 0, 200, 100), 0, "", style.WithShowLabel(false)));
  wide->SetStyle(wide->GetStyle());
  EXPECT_EQ(wide->GetKnobDragBounds().W() * 1000 + wide->GetKnobDragBounds().H(), 44 * 1000 + 88.0f);
}

TEST_F(Knob, ValueStripPromptsOnlyWhenEditableAndDoubleClickResets)
{
  IVKnobControl* k = Make(true);
  const IRECT strip = k->GetValueBounds();
  g.OnMouseDown(At(strip.MW(), strip.MH()));
  EXPECT_EQ(g.Only("PlatformText").size(), 1u);
  EXPECT_TRUE(g.cursorLog.empty()) << "no drag";
  g.OnMouseUp(At(strip.MW(), strip.MH()));
  EXPECT_STREQ(k->GetValueStr(), "0.0 ms");
  IVKnobControl* fixed = Make(false);
  EXPECT_FALSE(fixed->IsHit(strip.MW(), strip.MH()));
  EXPECT_FALSE(fixed->IsHit(strip.MW(), 250)) << "the label strip";
  IVKnobControl* inside = Make(false, true);
  inside->OnMouseDown(266, 332, mouse);
  inside->OnMouseDrag(266, 332, 0, -35.7f, mouse);
  EXPECT_NEAR(inside->GetValue(), 0.2, 1e-6) << "value in the widget, not editable: drags";
  inside->OnMouseDblClick(1, 1, mouse);
  EXPECT_DOUBLE_EQ(inside->GetValue(), 0.1) << "the default, 10 of 100";
}

namespace {

struct Slider : Widgets
{
  IVSliderControl* Make(EDirection dir, const IRECT& r, int param = 0, EVShape shape = EVShape::Ellipse)
  {
    auto* s = Attach(new IVSliderControl(r, param, "WIDTH", style, false, dir, 4.0, 4.0f, 1.0f, true));
    if (shape != EVShape::Ellipse)
      s->SetStyle(style.WithDrawShadows(true)), s->SetTargetAndDrawRECTs(r);
    return s;
  }
};

} // namespace

TEST_F(Slider, DrawsTheProductSliderWithTheHandleInsideTheTrack)
{
  IVSliderControl* s = Make(EDirection::Horizontal, IRECT(877, 244, 998, 279.2f));
  EXPECT_EQ(Str(s->GetTrackBounds()), "(881,272.6,994,274.6)");
  s->SetValue(0.5);
  const Log d = Drawn(s);
  EXPECT_EQ(d[1].substr(d[1].find('(')), "(877,272.6,998,274.6)") << "whole track";
  EXPECT_EQ(d[2].substr(d[2].find('(')), "(877,272.6,941.5,274.6)") << "filled part";
  EXPECT_NE(d[5].find("(933.5,269.6,941.5,277.6)"), std::string::npos) << d[5];
}

TEST_F(Slider, HandleSitsOnTheTrackEndsAndShiftsOnlyWhenNotAnEllipse)
{
  IVSliderControl* v = Make(EDirection::Vertical, IRECT(0, 0, 40, 200));
  const IRECT t = v->GetTrackBounds();
  v->SetValue(0.0);
  EXPECT_NE(Drawn(v)[5].find(Str(IRECT(t.MW() - 4, t.B - 4, t.MW() + 4, t.B + 4))), std::string::npos);
  v->SetValue(1.0);
  EXPECT_NE(Drawn(v)[5].find(Str(IRECT(t.MW() - 4, t.T - 4, t.MW() + 4, t.T + 4))), std::string::npos);
  struct Square : IVSliderControl
  {
    Square(const IRECT& r, const IVStyle& s) : IVSliderControl(r, 0, "", s, false, EDirection::Horizontal, 4.0, 4.0f) { mShape = EVShape::Rectangle; }
  };
  for (bool square : {false, true})
  {
    IVSliderControl* h = square ? Attach(new Square(IRECT(0, 0, 200, 40), style.WithDrawShadows(true)))
                                : Attach(new IVSliderControl(IRECT(0, 0, 200, 40), 0, "", style.WithDrawShadows(true), false,
                                                             EDirection::Horizontal, 4.0, 4.0f));
    // The ellipse's face is the handle square around the track's middle
    // (y 32); the square's face is inset for frame and shadow from a
    // handle moved down by half the shadow offset (29.5 + 0.5).
    EXPECT_EQ(Drawn(h)[5], square ? "Fill[255,200,200,200](3.5,30,4.5,34)" : "Fill[255,200,200,200](0,28,8,36)");
  }
}

TEST_F(Slider, PressJumpsUnlessSteppedAndTheValueStripPrompts)
{
  IVSliderControl* s = Make(EDirection::Horizontal, IRECT(877, 244, 998, 279.2f));
  s->SetValue(0.0);
  s->OnMouseDown(937.5f, 273.6f, mouse);
  EXPECT_NEAR(s->GetValue(), 0.5, 0.001);
  IVSliderControl* stepped = Make(EDirection::Horizontal, IRECT(0, 0, 200, 60), 2);
  stepped->OnMouseDown(150, 50, mouse);
  EXPECT_EQ(stepped->GetValue(), 0.0) << "a stepped parameter does not jump";
}
