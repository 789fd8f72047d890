#include "ControlsFixture.h"
#include "IVButtonControl.h"
#include "IVSlideSwitchControl.h"
#include "IVToggleControl.h"

using namespace pwtest;

namespace {

struct Buttons : Widgets
{
  const IVStyle plain = style.WithShowLabel(false);
  // Whether a drawing of c fills anything in colour.
  bool Filled(IControl* c, const IColor& colour)
  {
    const std::string mark = "Fill" + Str(colour);
    for (const std::string& e : Drawn(c))
      if (e.compare(0, mark.size(), mark) == 0)
        return true;
    return false;
  }
};

} // namespace

TEST_F(Buttons, ToggleShowsOnOnlyAboveHalfAndSwitchesStepThroughTheirStates)
{
  auto* t = Attach(new IVToggleControl(IRECT(0, 0, 60, 30), 0, "", plain, "OFF", "ON"));
  EXPECT_EQ(Str(t->GetValueBounds()), Str(t->GetWidgetBounds())) << "the text sits in the button";
  t->SetValue(0.5);
  EXPECT_FALSE(Filled(t, t->GetColor(kPR)));
  EXPECT_EQ(g.Only("Text"), Log({"Text(OFF)" + Str(t->GetWidgetBounds())}));
  t->SetValue(0.51);
  EXPECT_TRUE(Filled(t, t->GetColor(kPR)));
  EXPECT_EQ(g.Only("Text").back().substr(0, 8), "Text(ON)");

  auto* s = Attach(new IVSwitchControl(IRECT(0, 0, 60, 30), nullptr, "", plain, 3));
  std::string seen;
  for (int i = 0; i < 4; ++i)
    s->OnMouseDown(30, 15, mouse), seen += std::to_string(s->GetValue()).substr(0, 3) + " ";
  EXPECT_EQ(seen, "0.5 1.0 0.0 0.5 ");
  auto* bound = Attach(new IVSwitchControl(IRECT(0, 40, 60, 90), 1, "", style));
  EXPECT_STREQ(bound->GetLabelStr(), "Mode");
  bound->OnMouseDown(30, 70, mouse);
  EXPECT_STREQ(bound->GetValueStr(), "MID");
  EXPECT_EQ(dlg.log.back(), "FromUI(1,0.500000)");
}

TEST_F(Buttons, ButtonIsPressedForItsSplashThenRunsItsEndActionOnce)
{
  int ends = 0;
  auto* b = Attach(new IVButtonControl(IRECT(0, 0, 60, 30), SplashClickActionFunc, "i", plain));
  b->SetAnimationEndActionFunction([&](IControl*) { ++ends; });
  g.OnMouseDown(At(30, 15));
  Advance(b, 99);
  EXPECT_EQ(std::make_pair(b->GetValue(), ends), std::make_pair(1.0, 0));
  EXPECT_TRUE(Filled(b, b->GetColor(kPR))) << "drawn pressed";
  Advance(b, 2);
  Advance(b, 50);
  EXPECT_EQ(std::make_pair(b->GetValue(), ends), std::make_pair(0.0, 1)) << "back to 0, ended once";
  auto* still = Attach(new IVButtonControl(IRECT(0, 40, 60, 70), [](IControl*) {}, "", plain));
  still->OnMouseDown(30, 55, mouse);
  Advance(still, 500);
  EXPECT_EQ(still->GetValue(), 1.0) << "no animation, no reset";
}

TEST_F(Buttons, SlideSwitchSlidesTowardsTheNextCellAndHidesItsTextMeanwhile)
{
  auto* s = Attach(new IVSlideSwitchControl(IRECT(0, 0, 90, 30), 1, "", plain.WithDrawFrame(false), true));
  const IRECT w = s->GetWidgetBounds();
  auto cell = [&](int i) { return Str(w.SubRect(EDirection::Horizontal, 3, i)); };
  EXPECT_EQ(Str(s->GetHandleBounds()), cell(0));
  s->OnMouseDown(10, 10, mouse);
  EXPECT_EQ(Str(s->GetHandleBounds()), cell(0)) << "kept while sliding";
  Advance(s, 50);
  EXPECT_EQ(Str(s->GetHandleBounds()), Str(IRECT::LinearInterpolateBetween(w.SubRect(EDirection::Horizontal, 3, 0),
                                                                          w.SubRect(EDirection::Horizontal, 3, 1), 0.5f)));
  EXPECT_TRUE(Drawn(s).back().find("Text") == std::string::npos) << "no value text while sliding";
  Advance(s, 51);
  EXPECT_EQ(Str(s->GetHandleBounds()) + Str(s->GetValueBounds()), cell(1) + cell(1));
  EXPECT_EQ(Drawn(s).back(), "Text(MID)" + cell(1));
  s->SetValue(1.0);
  s->SetDirty(false);
  s->OnMouseDown(10, 10, mouse);
  Advance(s, 101);
  EXPECT_EQ(s->GetValue(), 0.0);
  EXPECT_EQ(Str(s->GetHandleBounds()), cell(0)) << "wrapped from the last to the first";
}

TEST_F(Buttons, SlideSwitchActionFormStartsNormalisedAndReportsAtTheEnd)
{
  int ends = 0;
  auto* s = Attach(new IVSlideSwitchControl(IRECT(0, 0, 90, 30), [&](IControl*) { ++ends; }, "", plain, false,
                                            EDirection::Horizontal, 3, 2));
  EXPECT_EQ(s->GetValue(), 1.0);
  EXPECT_EQ(Str(s->GetHandleBounds()), Str(s->GetWidgetBounds().SubRect(EDirection::Horizontal, 3, 2)));
  s->OnMouseDown(10, 10, mouse);
  EXPECT_EQ(ends, 0);
  Advance(s, 101);
  EXPECT_EQ(ends, 1);
  auto* over = new IVSlideSwitchControl(IRECT(), nullptr, "", plain, false, EDirection::Horizontal, 2, 7);
  EXPECT_EQ(over->GetValue(), 1.0) << "clipped";
  delete over;
}
