#include "ControlsFixture.h"
#include "IAboutBoxControl.h"
#include "IURLControl.h"
#include "IVLabelControl.h"
#include "IVPanelControl.h"

using namespace pwtest;

TEST_F(Widgets, LabelDrawsBackgroundShadowTextAndFrameInOrder)
{
  auto* l = Attach(new IVLabelControl(IRECT(0, 0, 100, 20), "hi", style.WithDrawShadows(true)));
  auto ordered = [&] { // paints and texts in order
    Log out = (Drawn(l), g.log);
    auto other = [](const std::string& e) { return e.rfind("Fill", 0) && e.rfind("Stroke", 0) && e.rfind("Text", 0); };
    out.erase(std::remove_if(out.begin(), out.end(), other), out.end());
    return out;
  };
  const std::string bg = "Fill" + Str(l->GetColor(kBG)), frame = "Stroke" + Str(l->GetColor(kFR)) + "1";
  EXPECT_EQ(ordered(), Log({bg, "Text(hi)(3,3,103,23)", "Text(hi)(0,0,100,20)", frame}));
  EXPECT_EQ(Str(g.textColors[0]) + Str(g.textColors[1]), Str(l->GetColor(kSH)) + Str(style.valueText.mFGColor));
  l->SetDisabled(true);
  EXPECT_EQ(ordered().size(), 3u) << "no shadow copy while disabled";
  l->SetStr("");
  EXPECT_EQ(ordered(), Log({bg, frame}));
}

TEST_F(Widgets, PanelRoundsEveryCornerAttachesOnceAndResizesOnlyWithChildren)
{
  int attaches = 0, resizes = 0;
  IRECT given;
  auto* p = new IVPanelControl(IRECT(0, 0, 200, 100), "Compressor", style.WithRoundness(0.5f));
  p->SetResizeFunc([&](IContainerBase*, const IRECT&) { ++resizes; });
  Attach(p);
  p->SetAttachFunc([&](IContainerBase* c, const IRECT& r) {
    ++attaches, given = r;
    c->AddChildControl(new IVLabelControl(r, "x", style));
  });
  p->OnAttached();
  EXPECT_EQ(Str(given), Str(p->GetWidgetBounds()));
  EXPECT_EQ(attaches * 10 + resizes, 10) << "no resize without children, nor after attaching";
  p->SetTargetAndDrawRECTs(IRECT(0, 0, 300, 100));
  EXPECT_EQ(resizes, 1);
  Drawn(p);
  int rounded = 0;
  double r = 0;
  for (const std::string& e : g.Only("Arc"))
    rounded += std::sscanf(e.c_str(), "Arc(%*f,%*f,%lf", &r) == 1 && r > 0;
  EXPECT_EQ(rounded, 8) << "four corners, face and frame";
}

struct About : Widgets
{
  IControl* below = Attach(new IVLabelControl(IRECT(0, 0, 50, 20), "below", style));
  IURLControl* link = nullptr;
  IAboutBoxControl* box = Attach(new IAboutBoxControl(
    IRECT(0, 0, 1000, 400), IPattern(COLOR_BLACK),
    [this](IContainerBase* c, const IRECT&) {
      c->AddChildControl(new IVLabelControl(IRECT(10, 10, 200, 30), "Pressweave", style));
      link = static_cast<IURLControl*>(c->AddChildControl(new IURLControl(IRECT(10, 40, 200, 60), "site", "x")));
    },
    nullptr, 200));
  About() { box->Hide(true); }
  std::string Weights() const { return std::to_string(box->GetBlend().mWeight + link->GetBlend().mWeight * 10); }
};

TEST_F(About, FadesInWithItsChildrenAndRedrawsEverythingAtTheEnd)
{
  box->Show();
  Advance(box, 100);
  EXPECT_EQ(Weights(), "5.500000");
  below->SetClean();
  Advance(box, 101);
  EXPECT_TRUE(Weights() == "11.000000" && below->IsDirty() && !box->GetAnimationFunction()) << "ended; all redrawn";
  box->Show();
  Advance(box, 0);
  EXPECT_EQ(Weights(), "0.000000") << "restarts from transparent";
}

TEST_F(About, ClicksAndEscapeDismissButLinksAndOtherKeysPass)
{
  box->Show();
  g.OnMouseDown(At(100, 50));
  EXPECT_TRUE(link->GetClicked() && !box->IsHidden()) << "the link took the click";
  EXPECT_FALSE(box->OnKeyDown(0, 0, weft::IKeyPress(" ", 32)) || box->IsHidden());
  EXPECT_TRUE(box->OnKeyDown(0, 0, weft::IKeyPress("", 27)) && box->IsHidden() && link->IsHidden());
  box->Show();
  g.OnMouseDown(At(500, 300));
  EXPECT_TRUE(box->IsHidden());
  box->Show();
  static_cast<IControl*>(box)->Hide(true);
  EXPECT_TRUE(link->IsHidden()) << "through the base pointer too";
}
