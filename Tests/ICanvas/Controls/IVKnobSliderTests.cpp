#include "ControlsFixture.h"
#include "IVKnobControl.h"
#include "IVSliderControl.h"

using namespace pwtest;

struct Knob : Widgets
{
  IVKnobControl* Make(bool editable, bool valueInWidget = false, float anchor = -135.0f, float track = 4.0f)
  {
    return Attach(new IVKnobControl(IRECT(222.25f, 244, 311.5f, 396), 0, "ATTACK", style, editable, valueInWidget,
                                    -135.0f, 135.0f, anchor, EDirection::Vertical, 4.0, track));
  }
};

TEST_F(Knob, LaysOutTheProductCellAndDrawsArcHandleAndPointer)
{
  IVKnobControl* k = Make(false);
  EXPECT_EQ(Str(IRECT(0, k->GetLabelBounds().T, k->GetValueBounds().T, k->GetValueBounds().B)), "(0,244,256,268)");
  EXPECT_EQ(Str(k->GetWidgetBounds()), "(222.25,268,311.5,396)");
  k->SetInnerPointerFrac(0.7f), k->SetOuterPointerFrac(0.9f);
  k->SetValue(0.5);
  const Log shapes = Drawn(k);
  EXPECT_EQ(g.Only("Arc")[0], "Arc(266.875,332,42.625,-135,0)") << "0.5 between -135 and 135 is 0 degrees";
  EXPECT_EQ(shapes[1], "Stroke[255,0,0,0]4(224.25,289.375,309.5,374.625)") << "kX1, 4 wide";
  EXPECT_EQ(shapes[2], "Fill[255,200,200,200](228.25,293.375,305.5,370.625)") << "handle";
  EXPECT_EQ(g.Only("MoveTo").back() + g.Only("LineTo").back(), "MoveTo(266.875,304.962)LineTo(266.875,297.237)")
    << "up from the centre (y 332) by 27.04 to 34.76";

  k->SetValue(0.0);
  Drawn(k);
  EXPECT_EQ(g.Only("Arc")[0], "Arc(266.875,332,42.625,-135,-135)") << "zero length at the anchor";
  Make(false, false, 0.0f)->SetValue(0.25);
  Drawn(g.GetControl(g.NControls() - 1));
  EXPECT_EQ(g.Only("Arc")[0], "Arc(266.875,332,42.625,-67.5,0)") << "grows back towards the anchor";
  IVKnobControl* bare = Make(false, false, -135.0f, 0.0f);
  Drawn(bare);
  EXPECT_EQ(g.Only("Arc").size() * 100 + bare->GetRadius(), 244.625f) << "handle arcs only; half the shorter side";
}

TEST_F(Knob, DragsOverTheHalfWidthRectangleWithFineModifiers)
{
  IVKnobControl* k = Make(false);
  EXPECT_EQ(Str(k->GetKnobDragBounds()), "(222.25,309.688,311.5,354.312)");
  k->OnMouseDown(266, 332, mouse);
  k->OnMouseDrag(266, 332, 0, -178.5f, mouse);
  EXPECT_DOUBLE_EQ(k->GetValue(), 1.0);
  k->OnMouseDrag(266, 332, 0, 89.25f, IMouseMod(true, false, true));
  k->OnMouseDrag(266, 332, 0, 89.25f, IMouseMod(true, false, false, true));
  EXPECT_NEAR(k->GetValue(), 0.9, 1e-9) << "ten times finer with Shift or Control";
  k->OnMouseUp(266, 332, mouse);
  EXPECT_EQ(g.cursorLog, Log({"Cursor(1,1)", "Cursor(0,1)"}));
  EXPECT_EQ(dlg.log.back(), "FromUI(0,0.900000)") << "sent on release";
  auto* wide = Attach(new IVKnobControl(IRECT(0, 0, 200, 100), 0, "", style.WithShowLabel(false)));
  EXPECT_EQ(Str(wide->GetKnobDragBounds()), "(78,12,122,100)") << "H / 2 by H below the value";
}

TEST_F(Knob, ValueStripPromptsOnlyWhenEditableAndDoubleClickResets)
{
  IVKnobControl* k = Make(true);
  const IRECT strip = k->GetValueBounds();
  g.OnMouseDown(At(strip.MW(), strip.MH()));
  EXPECT_EQ(g.Only("PlatformText").size(), 1u) << "a prompt";
  EXPECT_EQ(g.cursorLog, Log{}) << "no drag";
  IVKnobControl* fixed = Make(false);
  EXPECT_FALSE(fixed->IsHit(strip.MW(), strip.MH()) || fixed->IsHit(strip.MW(), 250)) << "value and label strips";
  IVKnobControl* inside = Make(false, true);
  inside->SetValue(0.5);
  inside->OnMouseDown(266, 332, mouse);
  inside->OnMouseDrag(266, 332, 0, -17.85f, mouse);
  EXPECT_NEAR(inside->GetValue(), 0.6, 1e-6) << "value in the widget, not editable: a drag from the value";
  inside->OnMouseDblClick(1, 1, mouse);
  EXPECT_DOUBLE_EQ(inside->GetValue(), 0.1) << "the default, 10 of 100";
}

TEST_F(Knob, ItsValueTextFollowsTheParameterFromEitherSide)
{
  IVKnobControl* k = Make(true);
  EXPECT_STREQ(k->GetValueStr(), "10.0 ms") << "the default, on attaching";
  dlg.GetParam(0)->Set(25.0), k->SetValueFromDelegate(0.25);
  EXPECT_STREQ(k->GetValueStr(), "25.0 ms") << "from the host";
  k->OnMouseDown(266, 332, mouse), k->OnMouseDrag(266, 332, 0, -89.25f, mouse);
  EXPECT_STREQ(k->GetValueStr(), "75.0 ms") << "from a drag";
  Drawn(k);
  EXPECT_EQ(g.Only("Text").back().rfind("Text(75.0 ms)(", 0), 0u) << "and drawn";
}

TEST_F(Widgets, AnEditableSliderPromptsFromItsValueStripWithoutMoving)
{
  auto* s = Attach(new IVSliderControl(IRECT(877, 244, 998, 300), 0, "WIDTH", style, true));
  s->SetValue(0.25);
  const IRECT strip = s->GetValueBounds();
  ASSERT_FALSE(strip.Empty());
  g.OnMouseDown(At(strip.MW(), strip.MH()));
  EXPECT_EQ(g.Only("PlatformText"), Log{"PlatformText(0,7,10.0)"}) << "seeded with the parameter's display";
  EXPECT_DOUBLE_EQ(s->GetValue(), 0.25) << "no jump, no drag";
  EXPECT_EQ(g.cursorLog, Log{});
}

TEST_F(Widgets, SliderPlacesItsHandleOnTheTrackAndJumpsUnlessStepped)
{
  auto* s = Attach(new IVSliderControl(IRECT(877, 244, 998, 279.2f), 0, "WIDTH", style, false,
                                       EDirection::Horizontal, 4.0, 4.0f, 1.0f, true));
  EXPECT_EQ(Str(s->GetTrackBounds()), "(881,272.6,994,274.6)");
  s->SetValue(0.5);
  const Log d = Drawn(s);
  EXPECT_EQ(d[1] + d[2], "Fill[60,0,0,0](877,272.6,998,274.6)Fill[255,0,0,0](877,272.6,941.5,274.6)");
  EXPECT_EQ(d[4], "Fill[255,200,200,200](933.5,269.6,941.5,277.6)");
  s->SetValue(0.0);
  s->OnMouseDown(937.5f, 273.6f, mouse);
  EXPECT_NEAR(s->GetValue(), 0.5, 0.001);
  auto* v = Attach(new IVSliderControl(IRECT(0, 0, 40, 200), 2, "", style, false, EDirection::Vertical, 4.0, 4.0f));
  const IRECT t = v->GetTrackBounds();
  v->OnMouseDown(20, 10, mouse);
  EXPECT_EQ(v->GetValue(), 0.0) << "a stepped parameter does not jump";
  v->OnMouseUp(20, 10, mouse);
  for (float value : {0.0f, 1.0f})
  {
    v->SetValue(value);
    const float y = value ? t.T : t.B;
    EXPECT_EQ(Drawn(v)[4], "Fill[255,200,200,200]" + Str(IRECT(t.MW() - 4, y - 4, t.MW() + 4, y + 4)));
  }
  // With shadows the ellipse's face is the handle around the track's middle
  // (y 32); a square's is inset for frame and shadow from a handle moved
  // down by half the shadow offset (top 29.5 + 0.5).
  struct Square : IVSliderControl
  {
    Square(const IRECT& r, const IVStyle& s) : IVSliderControl(r, 0, "", s, false, EDirection::Horizontal, 4.0, 4.0f) { mShape = EVShape::Rectangle; }
  };
  IVSliderControl* round = Attach(new IVSliderControl(IRECT(0, 0, 200, 40), 0, "", style.WithDrawShadows(true),
                                                      false, EDirection::Horizontal, 4.0, 4.0f));
  EXPECT_EQ(Drawn(round)[5], "Fill[255,200,200,200](0,28,8,36)");
  EXPECT_EQ(Drawn(Attach(new Square(IRECT(0, 0, 200, 40), style.WithDrawShadows(true))))[5],
            "Fill[255,200,200,200](3.5,30,4.5,34)");
}

TEST_F(Widgets, ActionConstructorsRunTheActionAndKeepTheirSettings)
{
  Log acted;
  auto action = [&acted](IControl* c) { acted.push_back(dynamic_cast<IVectorBase*>(c)->GetLabelStr()); };
  auto* k = Attach(new IVKnobControl(IRECT(0, 0, 100, 100), action, "K", style, true));
  auto* s = Attach(new IVSliderControl(IRECT(0, 0, 40, 200), action, "S", style));
  k->OnMouseDown(50, 50, mouse), k->OnMouseDrag(50, 50, 0, -10, mouse);
  s->OnMouseDown(20, 100, mouse);
  EXPECT_EQ(acted, Log({"K", "S"}));
  EXPECT_EQ(k->GetParamIdx() + s->GetParamIdx(), 2 * kNoParameter);
  EXPECT_FALSE(k->IsPromptDisabled() || !s->IsPromptDisabled()) << "editable as asked";
}
