#include "IContainerBase.h"
#include "ICornerResizerControl.h"
#include "IFPSDisplayControl.h"
#include "TestCanvas.h"

#include <gtest/gtest.h>

using namespace pwtest;

namespace {

struct Tree : testing::Test
{
  Log events; // outlives the controls, which log their deletion
  TestGDelegate dlg;
  RecordingCanvas g{dlg};

  LogControl* Make(const char* name, int paramIdx = kNoParameter, IRECT r = IRECT(10, 10, 50, 50))
  {
    return new LogControl(events, name, r, paramIdx);
  }
  std::vector<IControl*> AllControls()
  {
    std::vector<IControl*> all;
    g.ForAllControlsFunc([&](IControl* c) { all.push_back(c); });
    return all;
  }
};

} // namespace

TEST_F(Tree, AttachingGivesDelegateAndGroupThenListsAndTagsTheControl)
{
  LogControl* a = Make("a");
  EXPECT_EQ(g.AttachControl(a, 5, "knobs"), a);
  EXPECT_EQ(events, (Log{"a.OnInit", "a.OnResize", "a.OnRescale", "a.OnAttached"}));
  EXPECT_EQ(a->GetDelegate(), &dlg);
  EXPECT_EQ(a->GetUI(), &g);
  EXPECT_STREQ(a->GetGroup(), "knobs");
  EXPECT_EQ(a->GetTag(), 5);

  LogControl* dup = Make("dup");
#ifdef NDEBUG
  EXPECT_EQ(g.AttachControl(dup, 5), nullptr);
#else
  EXPECT_DEATH(g.AttachControl(dup, 5), "AttachControl failed: ctrl tags must be unique");
#endif
  EXPECT_EQ(g.GetControlWithTag(5), a);
  EXPECT_EQ(g.NControls(), 1);
  EXPECT_EQ(dup->GetUI(), nullptr);
  delete dup; // still the caller's

  LogControl* untagged = Make("untagged");
  g.AttachControl(untagged, -7);
  EXPECT_EQ(untagged->GetTag(), kNoTag);
  EXPECT_EQ(g.GetControl(1), untagged);
  EXPECT_EQ(g.GetControl(2), nullptr);
  EXPECT_EQ(g.GetControl(-1), nullptr);
  EXPECT_EQ(g.GetControlWithTag(9), nullptr);
}

TEST_F(Tree, FindingIteratingGroupingAndHidingFollowListOrder)
{
  LogControl* a = Make("a", 2);
  g.AttachControl(a, kNoTag, "g1");
  auto* b = new LogControl(events, "b", IRECT(0, 0, 5, 5), {1, 2});
  g.AttachControl(b, kNoTag, "g1");
  g.AttachControl(Make("c", 1), kNoTag, "g10");
  g.AttachControl(Make("d"));
  EXPECT_EQ(g.GetControlWithParamIdx(2), a);
  EXPECT_EQ(g.GetControlWithParamIdx(1), b);
  EXPECT_EQ(g.GetControlWithParamIdx(3), nullptr);

  std::vector<IControl*> seen;
  g.ForControlInGroup("g1", [&](IControl* c) { seen.push_back(c); });
  EXPECT_EQ(seen, (std::vector<IControl*>{a, b}));
  seen.clear();
  g.ForControlWithParam({1, 2}, [&](IControl* c) { seen.push_back(c); });
  EXPECT_EQ(seen, (std::vector<IControl*>{a, b, b, g.GetControl(2)}));

  g.HideControl(2, true);
  g.DisableControl(1, true);
  EXPECT_TRUE(a->IsHidden() && b->IsHidden());
  EXPECT_FALSE(g.GetControl(2)->IsHidden());
  EXPECT_TRUE(b->IsDisabled());
  EXPECT_EQ(b->GetBlend().mWeight, 0.25f);
  EXPECT_FALSE(g.GetControl(3)->IsDisabled());
}

TEST_F(Tree, AllControlsIterationVisitsTheListThenTheOverlaysInOrder)
{
  g.AttachControl(Make("a"));
  g.AttachCornerResizer(EUIResizerMode::Size, true);
  g.ShowFPSDisplay(true);
  const std::vector<IControl*> all = AllControls();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0], g.GetControl(0));
  EXPECT_EQ(all[1], g.GetFPSDisplay());
  EXPECT_EQ(all[2], g.GetCornerResizer());
  EXPECT_EQ(g.GetResizerMode(), EUIResizerMode::Size);
  EXPECT_TRUE(g.GetLayoutOnResize());

  // A second resizer is discarded, not attached.
  Log resizerLog;
  g.AttachCornerResizer(new LogControl(resizerLog, "r2", IRECT()), EUIResizerMode::Scale, false);
  EXPECT_EQ(resizerLog, Log{"r2.deleted"});
  EXPECT_EQ(g.GetResizerMode(), EUIResizerMode::Size);

  EXPECT_EQ(Str(g.GetFPSDisplay()->GetRECT()), Str(IRECT(10, 10, 210, 60)));
  g.ShowFPSDisplay(false);
  g.Resize(800, 300, 1.0f);
  g.ShowFPSDisplay(true);
  EXPECT_EQ(Str(g.GetFPSDisplay()->GetRECT()), Str(IRECT(10, 10, 210, 60))) << "bounds of the first showing";
}

TEST_F(Tree, UpdatePeersReachesOtherListControlsOnTheSameParameterOnly)
{
  LogControl* a = Make("a", 1);
  g.AttachControl(a);
  auto* b = new LogControl(events, "b", IRECT(0, 0, 5, 5), {3, 1});
  g.AttachControl(b);
  LogControl* unbound = Make("unbound");
  g.AttachControl(unbound);
  a->SetValue(0.7, 0);
  g.UpdatePeers(a, 0);
  EXPECT_EQ(b->GetValue(1), 0.7);
  EXPECT_EQ(b->GetValue(0), 0.0);
  EXPECT_EQ(unbound->GetValue(0), 0.0);

  // A control triggering a change sends its clipped value and moves its peers.
  a->SetValue(1.7, 0);
  a->SetDirty(true);
  EXPECT_EQ(a->GetValue(0), 1.0);
  EXPECT_EQ(b->GetValue(1), 1.0);
  EXPECT_EQ(dlg.log.back(), "FromUI(1,1.000000)");

  // An unbound caller reaches nobody.
  unbound->SetValue(0.3, 0);
  g.UpdatePeers(unbound, 0);
  EXPECT_EQ(b->GetValue(0), 0.0);
}

TEST_F(Tree, RemovingControlsLeavesNoReferenceBehind)
{
  for (const bool byTag : {false, true})
  {
    SCOPED_TRACE(byTag ? "by tag" : "by pointer");
    LogControl* c = Make("c");
    g.AttachControl(c, 3);
    g.SetCapturedControl(c);
    g.SetMouseOverControl(c);
    g.SetControlInTextEntry(c, 0);
    g.SetControlInPopupMenu(c, 0);
    EXPECT_EQ(g.GetMouseOver(), g.NControls() - 1);
    if (byTag)
      g.RemoveControlWithTag(3);
    else
      g.RemoveControl(c);
    EXPECT_EQ(events.back(), "c.deleted");
    EXPECT_FALSE(g.ControlIsCaptured());
    EXPECT_EQ(g.GetMouseOverControl(), nullptr);
    EXPECT_EQ(g.GetMouseOver(), -1);
    EXPECT_EQ(g.GetControlInTextEntry(), nullptr);
    EXPECT_EQ(g.GetControlInPopupMenu(), nullptr);
    EXPECT_EQ(g.GetControlWithTag(3), nullptr);
    EXPECT_EQ(g.NControls(), 0);
  }
  g.RemoveControl(-1);
  g.RemoveControlWithTag(42);
}

TEST_F(Tree, RemovingAContainerOrAChildKeepsTheTreeConsistent)
{
  auto* box = new IContainerBase(IRECT(0, 0, 100, 100));
  g.AttachControl(box);
  LogControl* c1 = Make("c1");
  LogControl* c2 = Make("c2");
  box->AddChildControl(c1, 1);
  box->AddChildControl(c2);
  EXPECT_EQ(c1->GetParent(), box);
  LogControl* refused = Make("refused");
#ifdef NDEBUG
  EXPECT_EQ(box->AddChildControl(refused, 1), nullptr);
#else
  EXPECT_DEATH(box->AddChildControl(refused, 1), "ctrl tags must be unique");
#endif
  EXPECT_EQ(refused->GetParent(), nullptr);
  EXPECT_EQ(box->NChildren(), 2);
  delete refused;

  g.RemoveControl(c1);
  EXPECT_EQ(box->NChildren(), 1);
  EXPECT_EQ(box->GetChild(0), c2);
  g.RemoveControl(box);
  EXPECT_EQ(c2->GetParent(), nullptr);
  EXPECT_EQ(g.NControls(), 1);
  g.Tick(); // the orphan draws without its parent
  EXPECT_EQ(events.back(), "c2.Draw");
}

TEST_F(Tree, RemoveControlsAndRemoveAllControlsCanRepeat)
{
  g.AttachControl(Make("a"), 1);
  g.AttachControl(Make("b"), 2);
  g.AttachCornerResizer();
  g.SetControlInTextEntry(g.GetControl(1), 0);
  g.RemoveControls(0);
  EXPECT_EQ(g.NControls(), 0);
  EXPECT_NE(g.GetCornerResizer(), nullptr) << "overlays stay";
  EXPECT_EQ(g.GetControlInTextEntry(), nullptr);
  EXPECT_EQ(g.GetControlWithTag(1), nullptr);

  g.AttachControl(Make("c"), 1);
  g.SetControlInPopupMenu(g.GetControl(0), 0);
  g.ShowFPSDisplay(true);
  g.RemoveAllControls();
  g.RemoveAllControls();
  EXPECT_EQ(g.NControls(), 0);
  EXPECT_EQ(g.GetCornerResizer(), nullptr);
  EXPECT_EQ(g.GetFPSDisplay(), nullptr);
  EXPECT_EQ(g.GetControlInPopupMenu(), nullptr);
  EXPECT_EQ(events.back(), "c.deleted");
}
