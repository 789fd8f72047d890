#include "ControlsFixture.h"
#include "IVButtonControl.h"
#include "IVSlideSwitchControl.h"
#include "IVToggleControl.h"

using namespace pwtest;

struct Buttons : Widgets
{
  const IVStyle plain = style.WithShowLabel(false);
  bool Pressed(IControl* c) // whether a drawing fills anything in kPR
  {
    const Log d = Drawn(c);
    return std::any_of(d.begin(), d.end(), [](const std::string& e) { return !e.rfind("Fill" + Str(DEFAULT_PRCOLOR), 0); });
  }
};

TEST_F(Buttons, ToggleShowsOnOnlyAboveHalfAndSwitchesStepThroughTheirStates)
{
  auto* t = Attach(new IVToggleControl(IRECT(0, 0, 60, 30), 0, "", plain, "OFF", "ON"));
  t->SetValue(0.5);
  EXPECT_FALSE(Pressed(t));
  EXPECT_EQ(g.Only("Text"), Log({"Text(OFF)" + Str(t->GetWidgetBounds())})) << "inside the button";
  t->SetValue(0.51);
  EXPECT_TRUE(Pressed(t));
  EXPECT_EQ(g.Only("Text").back().substr(0, 8), "Text(ON)");
  auto* s = Attach(new IVSwitchControl(IRECT(0, 0, 60, 30), nullptr, "", plain, 3));
  std::string seen;
  for (int i = 0; i < 4; ++i)
    s->OnMouseDown(30, 15, mouse), seen += std::to_string(s->GetValue()).substr(0, 3) + " ";
  EXPECT_EQ(seen, "0.5 1.0 0.0 0.5 ");
  auto* bound = Attach(new IVSwitchControl(IRECT(0, 40, 60, 90), 1, "", style));
  bound->OnMouseDown(30, 70, mouse);
  EXPECT_EQ(std::string(bound->GetLabelStr()) + bound->GetValueStr() + dlg.log.back(), "ModeMIDFromUI(1,0.500000)");
}

TEST_F(Buttons, ButtonIsPressedForItsSplashThenRunsItsEndActionOnce)
{
  int ends = 0;
  auto* b = Attach(new IVButtonControl(IRECT(0, 0, 60, 30), SplashClickActionFunc, "i", plain));
  b->SetAnimationEndActionFunction([&](IControl*) { ++ends; });
  g.OnMouseDown(At(30, 15));
  Advance(b, 99);
  EXPECT_EQ(std::make_pair(b->GetValue(), ends), std::make_pair(1.0, 0));
  EXPECT_TRUE(Pressed(b));
  Advance(b, 2), Advance(b, 50);
  EXPECT_EQ(std::make_pair(b->GetValue(), ends), std::make_pair(0.0, 1)) << "back to 0, ended once";
  auto* still = Attach(new IVButtonControl(IRECT(0, 40, 60, 70), [](IControl*) {}, "", plain));
  still->OnMouseDown(30, 55, mouse);
  Advance(still, 500);
  EXPECT_EQ(still->GetValue(), 1.0) << "no animation, no reset";
}

TEST_F(Buttons, SlideSwitchSlidesTowardsTheNextCellAndHidesItsTextMeanwhile)
{
  auto* s = Attach(new IVSlideSwitchControl(IRECT(0, 0, 90, 30), 1, "", plain.WithDrawFrame(false), true));
  auto cell = [&](int i) { return s->GetWidgetBounds().SubRect(EDirection::Horizontal, 3, i); };
  s->OnMouseDown(10, 10, mouse);
  EXPECT_EQ(Str(s->GetHandleBounds()), Str(cell(0))) << "kept while sliding";
  Advance(s, 50);
  EXPECT_EQ(Str(s->GetHandleBounds()), Str(IRECT::LinearInterpolateBetween(cell(0), cell(1), 0.5f)));
  EXPECT_EQ(Drawn(s).back().find("Text"), std::string::npos) << "no value text while sliding";
  Advance(s, 51);
  EXPECT_EQ(Drawn(s).back(), "Text(MID)" + Str(cell(1))) << "the value follows the handle";
  s->SetValue(1.0), s->SetDirty(false), s->OnMouseDown(10, 10, mouse);
  Advance(s, 101);
  EXPECT_EQ(Str(s->GetHandleBounds()) + std::to_string(s->GetValue()), Str(cell(0)) + "0.000000") << "wrapped";

  int ends = 0;
  auto* a = Attach(new IVSlideSwitchControl(IRECT(0, 0, 90, 30), [&](IControl*) { ++ends; }, "", plain, false,
                                            EDirection::Horizontal, 3, 2));
  EXPECT_EQ(Str(a->GetHandleBounds()) + std::to_string(a->GetValue()), 
            Str(a->GetWidgetBounds().SubRect(EDirection::Horizontal, 3, 2)) + "1.000000") << "normalised";
  a->OnMouseDown(10, 10, mouse);
  EXPECT_EQ(ends, 0);
  Advance(a, 101);
  EXPECT_EQ(ends, 1) << "told when the slide has finished";
  IVSlideSwitchControl over(IRECT(), nullptr, "", plain, false, EDirection::Horizontal, 2, 7);
  EXPECT_EQ(over.GetValue(), 1.0) << "clipped";
  IVSlideSwitchControl none(IRECT(), nullptr, "", plain, false, EDirection::Horizontal, 0, 0);
  none.SetTargetAndDrawRECTs(IRECT(0, 0, 40, 40));
  EXPECT_EQ(Str(none.GetHandleBounds()), Str(none.GetWidgetBounds())) << "no states: one cell, no division by 0";
}
