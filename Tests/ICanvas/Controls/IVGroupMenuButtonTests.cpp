#include "ControlsFixture.h"
#include "IVButtonControl.h"
#include "IVGroupControl.h"
#include "IVLabelControl.h"
#include "IVMenuButtonControl.h"

using namespace pwtest;

TEST_F(Widgets, GroupFramesItsGroupWithALabelGapInOnePath)
{
  g.AttachControl(new IVLabelControl(IRECT(20, 30, 60, 50), "a", style), kNoTag, "g");
  g.AttachControl(new IVLabelControl(IRECT(50, 40, 120, 90), "b", style), kNoTag, "g");
  auto* grp = Attach(new IVGroupControl("Grp", "g", 5, 20, 5, 5, style.WithRoundness(0.5f).WithDrawShadows(true)));
  EXPECT_EQ(Str(grp->GetRECT()), "(15,10,125,95)") << "union (20,30,120,90) grown by the paddings";
  // Label 18 x 12 widened to 38; widget top raised by 6.5 to 15.5; radius 0.5 x 79.5 / 2.
  const float cr = 19.875f;
  EXPECT_FLOAT_EQ(grp->GetLabelBounds().L, 15 + 1 + 10 + cr);
  EXPECT_FLOAT_EQ(grp->GetLabelBounds().W(), 38);
  Drawn(grp);
  Log path;
  for (const std::string& e : g.log)
    if (e.rfind("MoveTo", 0) == 0 || e.rfind("Arc", 0) == 0 || e.rfind("LineTo", 0) == 0 || e.rfind("Stroke", 0) == 0)
      path.push_back(e.substr(0, std::min(e.find('('), e.find('['))) + (e[0] == 'A' ? e.substr(e.rfind(',')) : ""));
  EXPECT_EQ(path, Log({"MoveTo", "Arc,90)", "Arc,180)", "Arc,270)", "Arc,360)", "LineTo", "Stroke"}));
  EXPECT_EQ(g.Only("MoveTo")[0], "MoveTo(83.875,16)") << "gap's right edge, top + half the frame";
  EXPECT_EQ(g.Only("Stroke")[0].rfind("Stroke" + Str(grp->GetColor(kSH)), 0), 0u) << "shadows draw in kSH";

  auto* lone = Attach(new IVGroupControl("", "none", 1, 2, 3, 4, style));
  EXPECT_EQ(Str(lone->GetRECT()), "(-1,-2,3,4)") << "an unmatched name keeps only the paddings";
  Drawn(lone);
  EXPECT_EQ(g.Only("MoveTo")[0].substr(0, 9) + g.Only("LineTo")[0].substr(0, 9), "MoveTo(1,LineTo(1,")
    << "an empty label closes the frame at the middle";
  EXPECT_EQ(g.Only("Stroke")[0].rfind("Stroke" + Str(lone->GetColor(kFR)), 0), 0u);
}

struct MenuButton : Widgets
{
  IVMenuButtonControl* Make(int param)
  {
    auto* m = new IVMenuButtonControl(IRECT(0, 0, 100, 30), param, "Mode", style);
    m->SetStyle(style.WithDrawFrame(false));
    return Attach(m);
  }
};

TEST_F(MenuButton, ShowsDisplayTextFollowsHostAndOpensTheMenuAfterTheSplash)
{
  IVMenuButtonControl* m = Make(1);
  IVButtonControl* b = m->GetButton();
  ASSERT_NE(b, nullptr);
  EXPECT_FALSE(b->GetStyle().drawFrame) << "a style set before attaching reaches the button";
  EXPECT_EQ(b->GetStyle().valueText.mVAlign, EVAlign::Middle);
  EXPECT_STREQ(b->GetValueStr(), "STEREO");
  dlg.GetParam(1)->SetNormalized(0.5), m->SetValueFromDelegate(0.5);
  EXPECT_STREQ(b->GetValueStr(), "MID") << "the host's value";

  g.menuChoice = 2;
  g.OnMouseDown(At(50, 15)), g.OnMouseUp(At(50, 15));
  EXPECT_TRUE(g.Only("PlatformMenu").empty()) << "not before the splash ends";
  Advance(b, 101);
  EXPECT_EQ(g.Only("PlatformMenu").size(), 1u);
  EXPECT_STREQ(b->GetValueStr(), "RINGMOD");
  EXPECT_DOUBLE_EQ(m->GetValue(), 1.0);
  EXPECT_DOUBLE_EQ(dlg.GetParam(1)->Value(), 2.0);
}

TEST_F(MenuButton, WithoutAParameterShowsNoValueAndOpensNoMenu)
{
  IVMenuButtonControl* m = Make(kNoParameter);
  g.menuChoice = 1;
  g.OnMouseDown(At(50, 15));
  Advance(m->GetButton(), 101);
  m->SetValueFromDelegate(0.5);
  EXPECT_STREQ(m->GetButton()->GetValueStr(), "");
  EXPECT_TRUE(g.Only("PlatformMenu").empty());
}
