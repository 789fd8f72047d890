#include "IButtonControlBase.h"
#include "IParam.h"
#include "IPopupMenu.h"
#include "TestCanvas.h"

#include <gtest/gtest.h>

using namespace pwtest;

namespace {

double gNowMs = 0.0;

struct Plain : IControl
{
  using IControl::IControl;
  void Draw(ICanvas&) override {}
};

// Parameters: 0 and 1 continuous 0..1 (default 0.25), 2 an enum of three.
struct Values : testing::Test
{
  TestGDelegate dlg{3};
  RecordingCanvas g{dlg};
  int actions = 0;

  Values()
  {
    for (int i : {0, 1})
      dlg.GetParam(i)->InitDouble("a", 0.25, 0.0, 1.0, 0.001);
    dlg.GetParam(2)->InitEnum("e", 0, {"x", "y", "z"});
    IControl::SetAnimationClock([] { return gNowMs; });
  }
  ~Values() override { IControl::SetAnimationClock(nullptr); }

  template <class P>
  Plain* Add(P params)
  {
    auto* c = new Plain(IRECT(0, 0, 10, 100), params, [this](IControl*) { ++actions; });
    return static_cast<Plain*>(g.AttachControl(c));
  }
};

} // namespace

TEST_F(Values, EachSentValueReachesItsOwnPeersButNoOverlayAndTheActionRunsOnce)
{
  Plain* a = Add(0);
  Plain* multi = Add(std::initializer_list<int>{1, 0});
  auto* overlay = new Plain(IRECT(0, 0, 5, 5), 0);
  g.AttachCornerResizer(overlay);
  multi->SetValue(0.3, 0);
  multi->SetValue(1.6, 1);
  multi->SetDirty(true, kNoValIdx);
  EXPECT_EQ(dlg.log, (Log{"FromUI(1,0.300000)", "FromUI(0,1.000000)"}));
  EXPECT_EQ(a->GetValue(), 1.0);
  EXPECT_EQ(overlay->GetValue(), 0.0);
  EXPECT_EQ(actions, 1);
  multi->SetDirty(false);
  EXPECT_EQ(actions, 1);

  // a value from the plug-in waits while the pointer holds the control, and
  // an unchanged one does not redraw
  g.SetCapturedControl(a);
  a->SetValueFromDelegate(0.4);
  EXPECT_EQ(a->GetValue(), 1.0);
  g.ReleaseMouseCapture();
  a->SetValueFromDelegate(0.4);
  a->SetClean();
  a->SetValueFromDelegate(0.4);
  EXPECT_FALSE(a->IsDirty());
  EXPECT_EQ(a->GetValue(), 0.4);
  EXPECT_EQ(dlg.log.size(), 2u);
}

TEST_F(Values, UserInputDefaultsAndMenuChoicesReachTheParameter)
{
  Plain* a = Add(0);
  a->SetValueFromUserInput(0.0);
  EXPECT_TRUE(dlg.log.empty());
  a->SetValueToDefault(5); // one value: any index means 0
  EXPECT_EQ(dlg.log, Log{"FromUI(0,0.250000)"});

  Plain* e = Add(2);
  e->DisablePrompt(false);
  IPopupMenu menu("", {"x", "y", "z"});
  e->OnPopupMenuSelection(&menu, 0); // closed without a choice
  EXPECT_EQ(e->GetValue(), 0.0);
  menu.SetChosenItemIdx(2);
  e->OnPopupMenuSelection(&menu, 0);
  EXPECT_EQ(dlg.log.back(), "FromUI(2,1.000000)");
}

TEST_F(Values, AnimationsRunOnTheInjectedClockUntilTheirDurationPassesAndButtonsThenReset)
{
  Plain* a = Add(kNoParameter);
  int ended = 0;
  a->SetAnimationEndActionFunction([&](IControl*) { ++ended; });
  EXPECT_EQ(a->GetAnimationProgress(), 0.0);
  gNowMs = 1000.0;
  DefaultClickActionFunc(a);
  a->SetClean();
  gNowMs = 1050.0;
  EXPECT_EQ(a->GetAnimationProgress(), 0.5);
  EXPECT_TRUE(a->IsDirty());
  gNowMs = 1100.0;
  a->Animate(); // progress exactly 1 is not yet past the end
  EXPECT_TRUE(a->GetAnimationFunction());
  gNowMs = 1100.5;
  a->Animate();
  EXPECT_FALSE(a->GetAnimationFunction());
  EXPECT_EQ(ended, 1);
  SplashClickActionFunc(a); // no vector mix-in: no splash to animate
  EXPECT_FALSE(a->GetAnimationFunction());

  struct Button : IButtonControlBase
  {
    Button() : IButtonControlBase(IRECT(), DefaultClickActionFunc) {}
    void Draw(ICanvas&) override {}
  };
  auto* button = static_cast<Button*>(g.AttachControl(new Button));
  button->OnMouseDown(1, 1, IMouseMod());
  EXPECT_EQ(button->GetValue(), 1.0);
  gNowMs += 101.0;
  button->Animate();
  EXPECT_EQ(button->GetValue(), 0.0); // reset when its click animation ends
}

TEST_F(Values, SnappingMapsTheTrackAndIgnoresATrackWithoutLength)
{
  Plain* a = Add(0);
  const IRECT track(0, 0, 10, 100);
  const std::pair<float, double> cases[] = {{0.0f, 1.0}, {100.0f, 0.0}, {-20.0f, 1.0}, {33.33f, 0.667}};
  for (const auto& [y, expected] : cases)
  {
    a->SnapToMouse(5, y, EDirection::Vertical, track);
    EXPECT_DOUBLE_EQ(a->GetValue(), expected) << y;
  }
  a->SnapToMouse(5, 0, EDirection::Horizontal, track, kNoValIdx, 0.2, 0.3);
  dlg.log.clear();
  a->SnapToMouse(5, 0, EDirection::Vertical, IRECT(0, 50, 10, 50));
  EXPECT_DOUBLE_EQ(a->GetValue(), 0.3);
  EXPECT_TRUE(dlg.log.empty());
}

TEST_F(Values, MovingAControlRedrawsEverythingUnlessItIsHidden)
{
  Plain* a = Add(kNoParameter);
  Plain* b = Add(kNoParameter);
  g.SetAllControlsClean();
  g.SetControlPosition(a, -5, 10);
  EXPECT_EQ(a->GetRECT(), IRECT(0, 10, 10, 110));
  EXPECT_TRUE(b->IsDirty());
  a->Hide(true);
  g.SetAllControlsClean();
  g.SetControlSize(a, 4, 4);
  g.SetControlBounds(nullptr, IRECT());
  EXPECT_EQ(a->GetRECT(), IRECT(0, 10, 4, 14));
  EXPECT_FALSE(b->IsDirty());
}
