#include "ControlsFixture.h"
#include "IAboutBoxControl.h"
#include "IURLControl.h"
#include "IVLabelControl.h"
#include "IVPanelControl.h"

#include <cstdio>

using namespace pwtest;

namespace {

struct Panels : Widgets
{
  // Paints and texts in drawing order.
  Log Ordered(IControl* c)
  {
    Drawn(c);
    Log out;
    for (const std::string& e : g.log)
      if (e.compare(0, 4, "Fill") == 0 || e.compare(0, 6, "Stroke") == 0 || e.compare(0, 4, "Text") == 0)
        out.push_back(e);
    return out;
  }
};

} // namespace

TEST_F(Panels, LabelDrawsBackgroundShadowTextAndFrameInOrder)
{
  auto* l = Attach(new IVLabelControl(IRECT(0, 0, 100, 20), "hi", style.WithDrawShadows(true)));
  const std::string bg = "Fill" + Str(l->GetColor(kBG)), frame = "Stroke" + Str(l->GetColor(kFR)) + "1";
  EXPECT_EQ(Ordered(l), Log({bg, "Text(hi)(3,3,103,23)", "Text(hi)(0,0,100,20)", frame}));
  EXPECT_EQ(Str(g.textColors[0]) + Str(g.textColors[1]), Str(l->GetColor(kSH)) + Str(style.valueText.mFGColor));
  l->SetDisabled(true);
  EXPECT_EQ(Ordered(l).size(), 3u) << "no shadow copy while disabled";
  l->SetStr("");
  EXPECT_EQ(Ordered(l), Log({bg, frame}));
}

TEST_F(Panels, PanelRoundsEveryCornerAttachesOnceAndResizesOnlyWithChildren)
{
  int attaches = 0, resizes = 0;
  IRECT given;
  auto* p = new IVPanelControl(IRECT(0, 0, 200, 100), "Compressor", style.WithRoundness(0.5f));
  p->SetResizeFunc([&](IContainerBase*, const IRECT&) { ++resizes; });
  Attach(p);
  EXPECT_EQ(resizes, 0) << "no children";
  p->SetAttachFunc([&](IContainerBase* c, const IRECT& r) {
    ++attaches, given = r;
    c->AddChildControl(new IVLabelControl(r, "x", style));
  });
  p->OnAttached();
  EXPECT_EQ(Str(given), Str(p->GetWidgetBounds()));
  EXPECT_EQ(attaches * 10 + resizes, 10) << "attaching does not resize again";
  p->SetTargetAndDrawRECTs(IRECT(0, 0, 300, 100));
  EXPECT_EQ(resizes, 1);
  Drawn(p);
  int rounded = 0;
  for (const std::string& e : g.Only("Arc"))
  {
    double r = 0;
    rounded += std::sscanf(e.c_str(), "Arc(%*f,%*f,%lf", &r) == 1 && r > 0;
  }
  EXPECT_EQ(rounded, 8) << "four corners, face and frame";
  EXPECT_TRUE(p->GetIgnoreMouse());
}

namespace {

struct About : Panels
{
  IControl* below = nullptr;
  IURLControl* link = nullptr;
  IAboutBoxControl* box = nullptr;
  About()
  {
    below = Attach(new IVLabelControl(IRECT(0, 0, 50, 20), "below", style));
    box = Attach(new IAboutBoxControl(
      IRECT(0, 0, 1000, 400), IPattern(COLOR_BLACK),
      [this](IContainerBase* c, const IRECT&) {
        c->AddChildControl(new IVLabelControl(IRECT(10, 10, 200, 30), "Pressweave", style));
        link = static_cast<IURLControl*>(c->AddChildControl(new IURLControl(IRECT(10, 40, 200, 60), "site", "x")));
      },
      nullptr, 200));
    box->Hide(true);
  }
  std::string Weights() const
  {
    return std::to_string(box->GetBlend().mWeight).substr(0, 4) + std::to_string(link->GetBlend().mWeight).substr(0, 4);
  }
};

} // namespace

TEST_F(About, FadesInWithItsChildrenAndRedrawsEverythingAtTheEnd)
{
  box->Show();
  EXPECT_FALSE(link->IsHidden());
  Advance(box, 100);
  EXPECT_EQ(Weights(), "0.500.50");
  below->SetClean();
  Advance(box, 101);
  EXPECT_EQ(Weights(), "1.001.00");
  EXPECT_TRUE(below->IsDirty()) << "every control redrawn under the finished box";
  EXPECT_FALSE(box->GetAnimationFunction());
  box->Show();
  Advance(box, 0);
  EXPECT_EQ(Weights(), "0.000.00") << "restarts from transparent";
}

TEST_F(About, ClicksAndEscapeDismissButLinksAndOtherKeysPass)
{
  box->Show();
  g.OnMouseDown(At(100, 50));
  EXPECT_TRUE(link->GetClicked());
  EXPECT_FALSE(box->IsHidden()) << "the link took the click";
  EXPECT_FALSE(box->OnKeyDown(0, 0, weft::IKeyPress(" ", 32)));
  EXPECT_FALSE(box->IsHidden());
  EXPECT_TRUE(box->OnKeyDown(0, 0, weft::IKeyPress("", 27)));
  EXPECT_TRUE(box->IsHidden() && link->IsHidden());
  box->Show();
  g.OnMouseDown(At(500, 300));
  EXPECT_TRUE(box->IsHidden());
  box->Show();
  static_cast<IControl*>(box)->Hide(true);
  EXPECT_TRUE(link->IsHidden()) << "through the base pointer too";
}
