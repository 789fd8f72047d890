#include "IBitmapBase.h"
#include "IButtonControlBase.h"
#include "IDirBrowseControlBase.h"
#include "IKnobControlBase.h"
#include "IParam.h"
#include "ISliderControlBase.h"
#include "ISwitchControlBase.h"
#include "TestCanvas.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace pwtest;

namespace {

double gNowMs = 0.0;

template <class Base>
struct Drawn : Base
{
  using Base::Base;
  void Draw(ICanvas&) override {}
};

struct BitmapControl : IControl, IBitmapBase
{
  BitmapControl(const IRECT& r, const IBitmap& b) : IControl(r), IBitmapBase(b) { AttachIControl(this); }
  void Draw(ICanvas& g) override { DrawBitmap(g); }
};

// Parameter 0 continuous, 1 an integer 0..4 (stepped).
struct Bases : testing::Test
{
  TestGDelegate dlg{2};
  RecordingCanvas g{dlg};
  const IMouseMod mouse, shift{false, false, true}, ctrl{false, false, false, true}, touch{true, false, false, false, false, 1};

  Bases()
  {
    dlg.GetParam(0)->InitDouble("a", 0.0, 0.0, 1.0, 0.001);
    dlg.GetParam(1)->InitInt("n", 0, 0, 4);
  }
  template <class T>
  T* Add(T* control)
  {
    return static_cast<T*>(g.AttachControl(control));
  }
};

} // namespace

TEST_F(Bases, KnobsFollowTheirGearingAndStepsAndNeverSendNaN)
{
  auto* knob = Add(new Drawn<IKnobControlBase>(IRECT(0, 0, 20, 100), 0, EDirection::Vertical, 4.0));
  knob->OnMouseDown(5, 50, mouse);
  knob->OnMouseDrag(5, 50, 0, -100, mouse);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.25);
  knob->OnMouseDrag(5, 50, 0, -100, shift);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.275);
  knob->OnMouseDrag(5, 50, 0, -1000, mouse); // held at the top
  knob->OnMouseDrag(5, 50, 0, 10, mouse);    // and back down at once
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.975);
  knob->OnMouseUp(5, 50, mouse);

  auto* stepped = Add(new Drawn<IKnobControlBase>(IRECT(0, 0, 20, 100), 1, EDirection::Vertical, 1.0));
  stepped->OnMouseDown(5, 50, mouse);
  const double expected[] = {0.0, 0.25, 0.25, 0.5}; // drag value 0.1, 0.2, 0.3, 0.4 under steps of 0.25
  for (double e : expected)
  {
    stepped->OnMouseDrag(5, 50, 0, -10, mouse);
    EXPECT_DOUBLE_EQ(stepped->GetValue(), e);
  }

  knob->SetValue(0.5);
  knob->OnMouseWheel(0, 0, mouse, 3);
  EXPECT_NEAR(knob->GetValue(), 0.53, 1e-12);
  knob->OnMouseWheel(0, 0, ctrl, 3);
  EXPECT_NEAR(knob->GetValue(), 0.533, 1e-12);
  stepped->OnMouseWheel(0, 0, mouse, -7);
  EXPECT_DOUBLE_EQ(stepped->GetValue(), 0.25);

  auto* flat = Add(new Drawn<IKnobControlBase>(IRECT(0, 50, 20, 50), 0));
  dlg.log.clear();
  flat->OnMouseDown(5, 50, mouse);
  flat->OnMouseDrag(5, 50, 0, -10, mouse);
  flat->OnMouseDrag(5, 50, 0, 0, mouse);
  flat->OnMouseWheel(0, 0, mouse, NAN);
  EXPECT_TRUE(dlg.log.empty());
}

TEST_F(Bases, SlidersJumpToClicksAndDragAbsolutelyOnlyForTouchesOrAVisibleCursor)
{
  auto* slider = Add(new Drawn<ISliderControlBase>(IRECT(0, 0, 10, 100), 0, EDirection::Vertical, 1.0));
  EXPECT_EQ(slider->GetTrackBounds(), IRECT(0, 0, 10, 100));
  slider->OnMouseDown(5, 50, mouse);
  EXPECT_DOUBLE_EQ(slider->GetValue(), 0.5);
  slider->OnMouseDrag(5, 90, 0, -20, mouse); // cursor hidden: relative
  EXPECT_DOUBLE_EQ(slider->GetValue(), 0.7);
  slider->OnMouseDrag(5, 90, 0, -20, touch);
  EXPECT_DOUBLE_EQ(slider->GetValue(), 0.1);
  slider->SetHideCursorOnDrag(false);
  slider->OnMouseDrag(5, 25, 0, 0, mouse);
  EXPECT_DOUBLE_EQ(slider->GetValue(), 0.75);

  auto* stepped = Add(new Drawn<ISliderControlBase>(IRECT(0, 0, 10, 100), 1, EDirection::Horizontal, 1.0));
  stepped->OnMouseDown(9, 50, mouse);
  EXPECT_DOUBLE_EQ(stepped->GetValue(), 0.0);

  auto* flat = Add(new Drawn<ISliderControlBase>(IRECT(0, 0, 0, 100), 0, EDirection::Horizontal, 1.0));
  dlg.log.clear();
  flat->OnMouseDown(0, 50, mouse);
  flat->OnMouseDrag(0, 50, 4, 0, mouse);
  EXPECT_TRUE(dlg.log.empty());
}

TEST_F(Bases, SwitchesAdvanceWrapAndSizeTheirStateFlagsToTheParameter)
{
  const struct
  {
    int states;
    double from, to;
  } cases[] = {{3, 1.0, 0.0}, {3, 0.5, 1.0}, {2, 0.3, 0.0}, {2, 0.0, 1.0}, {5, 0.75, 1.0}};
  for (const auto& c : cases)
  {
    auto* s = Add(new Drawn<ISwitchControlBase>(IRECT(0, 0, 10, 10), kNoParameter, nullptr, c.states));
    s->SetValue(c.from);
    s->OnMouseDown(1, 1, mouse);
    EXPECT_DOUBLE_EQ(s->GetValue(), c.to) << c.states << " states from " << c.from;
  }
  auto* four = Add(new Drawn<ISwitchControlBase>(IRECT(0, 0, 10, 10), kNoParameter, nullptr, 4));
  four->SetValue(0.5);
  EXPECT_EQ(four->GetSelectedIdx(), 2);

  auto* bound = Add(new Drawn<ISwitchControlBase>(IRECT(0, 0, 10, 10), 1, nullptr, 2));
  EXPECT_EQ(bound->GetNumStates(), 5);
  bound->SetStateDisabled(4, true);
  bound->SetStateDisabled(5, true);
  EXPECT_TRUE(bound->GetStateDisabled(4));
  EXPECT_FALSE(bound->GetStateDisabled(5));
  EXPECT_FALSE(bound->GetStateDisabled(-1));
  bound->SetAllStatesDisabled(true);
  EXPECT_TRUE(bound->GetStateDisabled(0));
}

TEST_F(Bases, ButtonsResetWhenTheirClickAnimationEnds)
{
  IControl::SetAnimationClock([] { return gNowMs; });
  auto* button = Add(new Drawn<IButtonControlBase>(IRECT(0, 0, 10, 10), DefaultClickActionFunc));
  button->OnMouseDown(1, 1, mouse);
  EXPECT_EQ(button->GetValue(), 1.0);
  gNowMs += 101.0;
  button->Animate();
  EXPECT_EQ(button->GetValue(), 0.0);
  IControl::SetAnimationClock(nullptr);

  auto* still = Add(new Drawn<IButtonControlBase>(IRECT(0, 0, 10, 10), EmptyClickActionFunc));
  still->OnMouseDown(1, 1, mouse);
  EXPECT_EQ(still->GetValue(), 1.0);
}

TEST_F(Bases, BitmapControlsDrawTheFrameOfTheirValueCentred)
{
  APIBitmap strip(1, 20, 200, 1.0f, 1.0f);
  auto* c = Add(new BitmapControl(IRECT(0, 0, 40, 40), IBitmap(&strip, 10, false, "s")));
  const std::pair<double, std::string> cases[] = {{0.0, "@0,0"}, {1.0, "@0,180"}, {0.5, "@0,100"}, {NAN, "@0,0"}};
  for (const auto& [v, src] : cases)
  {
    g.log.clear();
    c->SetValue(v);
    c->Draw(g);
    EXPECT_EQ(g.Only("Bitmap"), Log{"Bitmap(10,10,30,30)" + src}) << v;
  }
}

TEST_F(Bases, ContainersListDisableHideAndForgetTheirChildren)
{
  Log hidden;
  struct Child : Drawn<IControl>
  {
    Child(Log& l, const char* n) : Drawn<IControl>(IRECT(0, 0, 1, 1)), log(l), name(n) {}
    // records whether the container was hidden before this child
    void Hide(bool hide) override { log.push_back(name + (GetParent()->IsHidden() ? "+" : "-")), IControl::Hide(hide); }
    Log& log;
    std::string name;
  };
  auto* box = Add(new Drawn<IContainerBase>(IRECT(0, 0, 50, 50)));
  Child* a = static_cast<Child*>(box->AddChildControl(new Child(hidden, "a"), 7));
  box->AddChildControl(new Child(hidden, "b"));
  auto* dup = new Child(hidden, "dup");
  IControl* refused = nullptr;
  EXPECT_DEBUG_DEATH(refused = box->AddChildControl(dup, 7), "unique");
  delete dup;
  EXPECT_EQ(refused, nullptr);
  EXPECT_EQ(box->NChildren(), 2);
  EXPECT_EQ(box->GetChild(0), a);
  EXPECT_EQ(box->GetChild(2), nullptr);
  EXPECT_EQ(a->GetParent(), box);

  box->Hide(true);
  EXPECT_EQ(hidden, (Log{"a-", "b-"}));
  EXPECT_TRUE(box->IsHidden());
  box->SetDisabled(true);
  EXPECT_TRUE(a->IsDisabled());
  EXPECT_EQ(a->GetBlend().mWeight, 0.25f);

  g.RemoveControl(box);
  EXPECT_EQ(a->GetParent(), nullptr);
  EXPECT_EQ(g.GetControlWithTag(7), a);
}

TEST(DirBrowse, MenusListTheExtensionsFilesSortedWithFoldersAsSubmenus)
{
  namespace fs = std::filesystem;
  char tmpl[] = "/tmp/pw-dirbrowse-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const fs::path root(tmpl);
  for (const char* dir : {"sub", "empty", "dir.wav", "sub/deeper"})
    fs::create_directory(root / dir);
  for (const char* file : {"b.wav", "a.wav", "B.WAV", ".hidden.wav", "wav", "mywav", "sub/c.wav", "sub/deeper/d.txt"})
    std::fclose(std::fopen((root / file).c_str(), "w"));

  struct Browser : Drawn<IDirBrowseControlBase>
  {
    Browser(const char* ext, bool recursive)
    : Drawn<IDirBrowseControlBase>(IRECT(0, 0, 10, 10), ext, false, recursive)
    {}
  };
  Browser flat("wav", false);
  flat.AddPath(root.c_str(), "");
  flat.SetupMenu();
  IPopupMenu& top = flat.GetMainMenu();
  ASSERT_EQ(top.NItems(), 2);
  EXPECT_STREQ(top.GetItem(0)->GetText(), "a");
  EXPECT_STREQ(top.GetItem(1)->GetText(), "b");
  flat.SetSelectedFile((root / "b.wav").c_str());
  LOOM_String selected;
  flat.GetSelectedFile(selected);
  EXPECT_EQ(selected.Get(), (root / "b.wav").string());

  Browser deep("wav", true);
  deep.AddPath(root.c_str(), "one");
  deep.AddPath((root / "sub").c_str(), "two");
  deep.SetupMenu();
  IPopupMenu* one = deep.GetMainMenu().GetItem(0)->GetSubmenu();
  ASSERT_NE(one, nullptr);
  EXPECT_STREQ(deep.GetMainMenu().GetItem(1)->GetText(), "two");
  ASSERT_EQ(one->NItems(), 3); // a, b, sub; the empty folders are gone
  EXPECT_STREQ(one->GetItem(2)->GetText(), "sub");
  ASSERT_EQ(deep.NItems(), 4); // a, b, sub/c, then c of the second path
  deep.SetSelectedFile((root / "sub" / "c.wav").c_str());
  EXPECT_EQ(deep.GetSelectedItemIdx(), 2);
  deep.CheckSelectedItem();
  EXPECT_TRUE(deep.GetItem(2)->GetChecked());
  EXPECT_FALSE(deep.GetItem(3)->GetChecked());
  deep.ClearPathList();
  deep.GetSelectedFile(selected);
  EXPECT_STREQ(selected.Get(), "");

  fs::remove_all(root);
}

TEST(PopupMenu, SortedInsertionPutsEqualTextsFirstAndIndicesAreClamped)
{
  IPopupMenu menu;
  for (const char* text : {"beta", "Alpha", "alpha"})
    menu.AddItem(text, -2);
  menu.AddItem("end", 100);
  menu.AddItem("start", -5);
  const char* order[] = {"start", "alpha", "Alpha", "beta", "end"};
  ASSERT_EQ(menu.NItems(), 5);
  for (int i = 0; i < 5; ++i)
    EXPECT_STREQ(menu.GetItem(i)->GetText(), order[i]);
  EXPECT_EQ(menu.GetItem(5), nullptr);
}
