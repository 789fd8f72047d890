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

// Parameters: 0 and 3 continuous 0..1 (default 0.25), 1 integer 0..4,
// 2 an enum of three named values.
struct Values : testing::Test
{
  TestGDelegate dlg{4};
  RecordingCanvas g{dlg};
  int actions = 0;

  Values()
  {
    dlg.GetParam(0)->InitDouble("a", 0.25, 0.0, 1.0, 0.001);
    dlg.GetParam(1)->InitInt("n", 0, 0, 4);
    dlg.GetParam(2)->InitEnum("e", 0, {"x", "y", "z"});
    dlg.GetParam(3)->InitDouble("b", 0.25, 0.0, 1.0, 0.001);
    IControl::SetAnimationClock([] { return gNowMs; });
  }
  ~Values() override { IControl::SetAnimationClock(nullptr); }

  template <class P>
  Plain* Add(P params)
  {
    return static_cast<Plain*>(g.AttachControl(new Plain(IRECT(0, 0, 10, 100), params, [this](IControl*) { ++actions; })));
  }
};

} // namespace

TEST_F(Values, SendingClipsThenUpdatesEveryPeerButTheSenderAndOverlaysAndActsOnce)
{
  Plain* a = Add(0);
  Plain* b = Add(0);
  Plain* multi = Add(std::initializer_list<int>{3, 0});
  auto* overlay = new Plain(IRECT(0, 0, 5, 5), 0);
  g.AttachCornerResizer(overlay);

  a->SetValue(1.7);
  a->SetDirty(true);
  EXPECT_EQ(dlg.log, Log{"FromUI(0,1.000000)"});
  EXPECT_EQ(a->GetValue(), 1.0);
  EXPECT_EQ(b->GetValue(), 1.0);
  EXPECT_EQ(multi->GetValue(1), 1.0);
  EXPECT_EQ(overlay->GetValue(), 0.0);
  EXPECT_EQ(actions, 1);

  // every value of a multi-value control reaches the peers of its own parameter
  dlg.log.clear();
  multi->SetValue(0.3, 0);
  multi->SetValue(-0.6, 1);
  multi->SetDirty(true, kNoValIdx);
  EXPECT_EQ(dlg.log, (Log{"FromUI(3,0.300000)", "FromUI(0,0.000000)"}));
  EXPECT_EQ(b->GetValue(), 0.0);
  EXPECT_EQ(actions, 2);

  dlg.log.clear();
  a->SetValue(0.5);
  a->SetDirty(false);
  EXPECT_TRUE(dlg.log.empty());
  EXPECT_EQ(actions, 2);
}

TEST_F(Values, DelegateValuesWaitForTheCaptureAndRedrawOnlyOnChange)
{
  Plain* a = Add(0);
  g.SetCapturedControl(a);
  a->SetValueFromDelegate(0.4);
  EXPECT_EQ(a->GetValue(), 0.0);
  g.ReleaseMouseCapture();
  a->SetClean();
  a->SetValueFromDelegate(0.4);
  EXPECT_EQ(a->GetValue(), 0.4);
  EXPECT_TRUE(a->IsDirty());
  a->SetClean();
  a->SetValueFromDelegate(0.4);
  EXPECT_FALSE(a->IsDirty());
  EXPECT_TRUE(dlg.log.empty());
  EXPECT_EQ(actions, 0);
}

TEST_F(Values, UserInputDefaultsAndMenuChoicesReachTheParameter)
{
  Plain* a = Add(0);
  a->SetValueFromUserInput(0.0);
  EXPECT_TRUE(dlg.log.empty());
  a->SetValueToDefault(5); // one value: any index means 0
  EXPECT_EQ(dlg.log, Log{"FromUI(0,0.250000)"});

  Plain* e = Add(2);
  IPopupMenu menu("", {"x", "y", "z"});
  menu.SetChosenItemIdx(2);
  e->OnPopupMenuSelection(&menu, 0); // prompts still disabled
  EXPECT_EQ(e->GetValue(), 0.0);
  e->DisablePrompt(false);
  e->OnPopupMenuSelection(nullptr, 0);
  menu.SetChosenItemIdx(-1);
  e->OnPopupMenuSelection(&menu, 0);
  EXPECT_EQ(e->GetValue(), 0.0);
  menu.SetChosenItemIdx(2);
  e->OnPopupMenuSelection(&menu, 0);
  EXPECT_EQ(e->GetValue(), 1.0);
  EXPECT_EQ(dlg.log.back(), "FromUI(2,1.000000)");
}

TEST_F(Values, AnimationsRunOnTheInjectedClockUntilTheirDurationPasses)
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
  EXPECT_DOUBLE_EQ(a->GetValue(), 0.3);
  dlg.log.clear();
  a->SnapToMouse(5, 0, EDirection::Vertical, IRECT(0, 50, 10, 50));
  EXPECT_DOUBLE_EQ(a->GetValue(), 0.3);
  EXPECT_TRUE(dlg.log.empty());
}

TEST_F(Values, MovingAndSizingKeepTheTargetInsetAndClampNegatives)
{
  Plain* a = Add(kNoParameter);
  a->SetTargetRECT(IRECT(2, 2, 8, 98));
  a->SetPosition(-5, 10);
  EXPECT_EQ(a->GetRECT(), IRECT(0, 10, 10, 110));
  EXPECT_EQ(a->GetTargetRECT(), IRECT(2, 12, 8, 108));
  a->SetSize(-1, 5);
  EXPECT_EQ(a->GetTargetRECT(), IRECT(0, 10, 0, 15));
}
