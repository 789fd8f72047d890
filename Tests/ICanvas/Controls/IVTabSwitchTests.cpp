#include "ControlsFixture.h"
#include "IVRadioButtonControl.h"

using namespace pwtest;

struct Tabs : Widgets
{
  Tabs() { style.showValue = false; }
  IVTabSwitchControl* Make(int param, std::vector<const char*> labels, EVShape shape = EVShape::Rectangle,
                           EDirection dir = EDirection::Horizontal)
  {
    const IVStyle s = style.WithShowLabel(false).WithDrawFrame(false).WithRoundness(1.0f);
    return Attach(new IVTabSwitchControl(IRECT(0, 0, 300, 50), param, labels, "", s, shape, dir));
  }
  // Per paint, "|", after the rounded corners of its path, named by the
  // quarter each arc sweeps.
  std::string Corners(IControl* c)
  {
    Drawn(c);
    std::string out;
    double r = 0, a1 = 0;
    for (const std::string& e : g.log)
      if (std::sscanf(e.c_str(), "Arc(%*f,%*f,%lf,%lf", &r, &a1) == 2 && r > 0)
        out += a1 < 90 ? "TR" : a1 < 180 ? "BR" : a1 < 270 ? "BL" : "TL";
      else if (e.compare(0, 4, "Fill") == 0)
        out += "|";
    return out;
  }
};

TEST_F(Tabs, ButtonsSplitTheWidgetAndClicksSelectTheirState)
{
  IVTabSwitchControl* t = Make(1, {});
  EXPECT_EQ(Str(t->GetButtonRect(1)), "(100,0,200,50)");
  g.OnMouseDown(At(150, 25));
  EXPECT_EQ(t->GetValue(), 0.5);
  EXPECT_STREQ(t->GetSelectedLabelStr(), "MID") << "labels from the parameter";
  IVTabSwitchControl* four = Make(3, {"a", "b", "c", "d"});
  four->SetValueFromDelegate(0.4);
  EXPECT_STREQ(four->GetSelectedLabelStr(), "b");
  four->OnMouseOver(299, 10, mouse);
  EXPECT_EQ(four->GetMouseOverButton(), 3);
  four->OnMouseOut();
  EXPECT_EQ(four->GetMouseOverButton(), -1);
  IVTabSwitchControl* few = Make(1, {"only"});
  few->SetValue(1.0);
  EXPECT_STREQ(few->GetSelectedLabelStr(), "") << "the selected state has no label";
  IVTabSwitchControl single(IRECT(0, 0, 100, 20), nullptr, {"one"});
  single.SetTargetAndDrawRECTs(IRECT(0, 0, 100, 20));
  single.SetValue(1.0), single.OnMouseDown(50, 10, mouse);
  EXPECT_EQ(single.GetValue(), 0.0) << "one state: the first, not 0 / 0";
}

TEST_F(Tabs, StatesDrawDisabledStaySelectableAndRoundTheirPlaceInTheRow)
{
  IVTabSwitchControl* t = Make(1, {"a", "b", "c"});
  const Log enabled = Drawn(t);
  t->SetStateDisabled(1, true);
  const Log drawn = Drawn(t);
  EXPECT_TRUE(drawn[1] == enabled[1] && drawn[2] != enabled[2]) << "only state 1 darkened";
  t->OnMouseDown(150, 25, mouse);
  EXPECT_EQ(t->GetValue(), 0.5);
  t->SetDisabled(true);
  EXPECT_NE(Drawn(t)[1], enabled[1]) << "a disabled control draws every state disabled";
  const std::vector<const char*> three{"", "", ""};
  EXPECT_EQ(Corners(Make(1, three, EVShape::TopRounded)), "|TL||TR|");
  EXPECT_EQ(Corners(Make(1, three, EVShape::TopRounded, EDirection::Vertical)), "|TR||BR|");
  EXPECT_EQ(Corners(Make(1, three, EVShape::AllRounded)), "|TLTR|TLTR|TLTR|");
  EXPECT_EQ(Corners(Make(1, three, EVShape::AllRounded, EDirection::Vertical)), "|TRBR|TRBR|TRBR|");
}

TEST_F(Tabs, RadioButtonsSitInTheLeftColumnWithTheirTextsBeside)
{
  auto* mode = Attach(new IVRadioButtonControl(IRECT(129, 244, 218.25f, 396), 1, {}, "SIDECHAIN MODE", style,
                                               EVShape::AllRounded, EDirection::Vertical, 8.0f));
  const Log d = Drawn(mode);
  // 8 x 8 buttons centred at x 141 (faces inset by half the frame).
  EXPECT_EQ(d[1] + d[3] + d[5], "Fill[255,240,240,240](137.5,275.833,144.5,282.833)Fill[255,200,200,200]"
                                "(137.5,322.5,144.5,329.5)Fill[255,200,200,200](137.5,369.167,144.5,376.167)");
  EXPECT_EQ(d.back(), "Text(RINGMOD)(153,349.333,218.25,396)");
  EXPECT_EQ(Str(g.textColors[1]) + Str(g.textColors[2]), Str(mode->GetColor(kPR)) + Str(mode->GetColor(kX1)));
  EXPECT_EQ(mode->GetText().mAlign, EAlign::Near);
  g.OnMouseDown(At(200, 326));
  EXPECT_EQ(mode->GetValue(), 0.5) << "the text part selects too";
  mode->SetOnlyButtonsRespondToMouse(true);
  EXPECT_EQ(mode->GetButtonForPoint(200, 326) * 10 + mode->GetButtonForPoint(140, 326), -10 + 1);
  auto* theme = Attach(new IVRadioButtonControl(IRECT(2, 242, 123, 282), 3, {}, "SCOPE THEME", style,
                                                EVShape::AllRounded, EDirection::Horizontal, 8.0f));
  const Log t = Drawn(theme);
  EXPECT_EQ(t[1] + t[3] + t[5] + t[7], "Fill[255,240,240,240](10.5,264.5,17.5,271.5)Fill[255,200,200,200](40.75,264.5,"
                                       "47.75,271.5)Fill[255,200,200,200](71,264.5,78,271.5)Fill[255,200,200,200]"
                                       "(101.25,264.5,108.25,271.5)");
}
