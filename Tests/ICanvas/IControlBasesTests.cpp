#include "IBitmapBase.h"
#include "IDirBrowseControlBase.h"
#include "IKnobControlBase.h"
#include "IParam.h"
#include "ISliderControlBase.h"
#include "ISwitchControlBase.h"
#include "TestCanvas.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

using namespace pwtest;

namespace {

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
  const IMouseMod mouse, shift{false, false, true}, ctrl{false, false, false, true};
  const IMouseMod touch{true, false, false, false, false, 1};

  Bases() { dlg.GetParam(0)->InitDouble("a", 0.0, 0.0, 1.0, 0.001), dlg.GetParam(1)->InitInt("n", 0, 0, 4); }
  template <class T>
  T* Add(T* control) { return static_cast<T*>(g.AttachControl(control)); }
};

// "text" per item, "text[...]" for a submenu.
std::string Tree(const IPopupMenu& menu)
{
  std::string out;
  for (int i = 0; i < menu.NItems(); ++i)
  {
    out += std::string(i ? " " : "") + menu.GetItem(i)->GetText();
    if (const IPopupMenu* pSub = menu.GetItem(i)->GetSubmenu())
      out += "[" + Tree(*pSub) + "]";
  }
  return out;
}

} // namespace

TEST_F(Bases, KnobsFollowTheirGearingAndStepsAndNeverSendNaN)
{
  auto* knob = Add(new Drawn<IKnobControlBase>(IRECT(0, 0, 20, 100), 0, EDirection::Vertical, 4.0));
  auto* stepped = Add(new Drawn<IKnobControlBase>(IRECT(0, 0, 20, 100), 1, EDirection::Vertical, 1.0));
  knob->OnMouseDown(5, 50, mouse);
  stepped->OnMouseDown(5, 50, mouse);
  // up by the height at gearing 4, a tenth of that with Shift, held at the
  // top, back down at once; the stepped drag value runs 0.1 .. 0.4 beneath
  const struct { IControl* c; float dY; IMouseMod mod; double value; } drags[] = {
    {knob, -100, mouse, 0.25},  {knob, -100, shift, 0.275},  {knob, -1000, mouse, 1.0}, {knob, 10, mouse, 0.975},
    {stepped, -10, mouse, 0.0}, {stepped, -10, mouse, 0.25}, {stepped, -10, mouse, 0.25}, {stepped, -10, mouse, 0.5}};
  for (const auto& d : drags)
  {
    d.c->OnMouseDrag(5, 50, 0, d.dY, d.mod);
    EXPECT_DOUBLE_EQ(d.c->GetValue(), d.value) << d.dY;
  }
  knob->SetValue(0.5);
  knob->OnMouseWheel(0, 0, mouse, 3);
  knob->OnMouseWheel(0, 0, ctrl, 3);
  EXPECT_NEAR(knob->GetValue(), 0.533, 1e-12);
  stepped->OnMouseWheel(0, 0, mouse, -7);
  EXPECT_DOUBLE_EQ(stepped->GetValue(), 0.25);
  auto* flat = Add(new Drawn<IKnobControlBase>(IRECT(0, 50, 20, 50), 0));
  dlg.log.clear();
  flat->OnMouseDrag(5, 50, 0, -10, mouse);
  flat->OnMouseDrag(5, 50, 0, 0, mouse);
  flat->OnMouseWheel(0, 0, mouse, NAN);
  EXPECT_TRUE(dlg.log.empty());
}

TEST_F(Bases, SlidersJumpToClicksAndDragAbsolutelyOnlyForTouchesOrAVisibleCursor)
{
  auto* slider = Add(new Drawn<ISliderControlBase>(IRECT(0, 0, 10, 100), 0, EDirection::Vertical, 1.0));
  slider->OnMouseDown(5, 50, mouse);
  EXPECT_DOUBLE_EQ(slider->GetValue(), 0.5);
  slider->OnMouseDrag(5, 90, 0, -20, mouse); // cursor hidden: relative
  EXPECT_DOUBLE_EQ(slider->GetValue(), 0.7);
  slider->OnMouseDrag(5, 90, 0, -20, touch);
  EXPECT_DOUBLE_EQ(slider->GetValue(), 0.1);
  slider->SetHideCursorOnDrag(false);
  slider->OnMouseDrag(5, 25, 0, 0, mouse);
  EXPECT_DOUBLE_EQ(slider->GetValue(), 0.75);

  auto* flat = Add(new Drawn<ISliderControlBase>(IRECT(0, 0, 0, 100), 0, EDirection::Horizontal, 1.0));
  dlg.log.clear();
  flat->OnMouseDown(0, 50, mouse);
  flat->OnMouseDrag(0, 50, 4, 0, mouse);
  EXPECT_TRUE(dlg.log.empty());
}

TEST_F(Bases, SwitchesAdvanceWrapAndSizeTheirStateFlagsToTheParameter)
{
  const struct { int states; double from, to; int idxAtHalf; } cases[] = {
    {3, 1.0, 0.0, 1}, {3, 0.5, 1.0, 1}, {2, 0.3, 0.0, 1}, {4, 0.0, 1.0 / 3.0, 2}, {5, 0.75, 1.0, 2}};
  for (const auto& c : cases)
  {
    auto* s = Add(new Drawn<ISwitchControlBase>(IRECT(0, 0, 10, 10), kNoParameter, nullptr, c.states));
    s->SetValue(c.from);
    s->OnMouseDown(1, 1, mouse);
    EXPECT_DOUBLE_EQ(s->GetValue(), c.to) << c.states << " states from " << c.from;
    s->SetValue(0.5);
    EXPECT_EQ(s->GetSelectedIdx(), c.idxAtHalf); // 1.5 rounds up
  }
  auto* bound = Add(new Drawn<ISwitchControlBase>(IRECT(0, 0, 10, 10), 1, nullptr, 2));
  EXPECT_EQ(bound->GetNumStates(), 5);
  bound->SetStateDisabled(4, true);
  bound->SetStateDisabled(5, true);
  EXPECT_TRUE(bound->GetStateDisabled(4));
  EXPECT_FALSE(bound->GetStateDisabled(5));
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
  static Log hidden; // per child: was the container hidden before it?
  struct Child : Drawn<IControl>
  {
    Child() : Drawn<IControl>(IRECT(0, 0, 1, 1)) {}
    void Hide(bool hide) override { hidden.push_back(GetParent()->IsHidden() ? "+" : "-"), IControl::Hide(hide); }
  };
  auto* box = Add(new Drawn<IContainerBase>(IRECT(0, 0, 50, 50)));
  IControl* a = box->AddChildControl(new Child, 7);
  box->AddChildControl(new Child);
  auto* dup = new Child;
  IControl* refused = nullptr;
  EXPECT_DEBUG_DEATH(refused = box->AddChildControl(dup, 7), "unique");
  delete dup;
  EXPECT_EQ(refused, nullptr);
  EXPECT_EQ(box->NChildren(), 2);
  EXPECT_EQ(box->GetChild(0), a);
  EXPECT_EQ(a->GetParent(), box);
  box->Hide(true);
  EXPECT_EQ(hidden, (Log{"-", "-"}));
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
    explicit Browser(bool recursive) : Drawn<IDirBrowseControlBase>(IRECT(), "wav", false, recursive) {}
  };
  Browser flat(false), deep(true);
  flat.AddPath(root.c_str(), "");
  flat.SetupMenu();
  EXPECT_EQ(Tree(flat.GetMainMenu()), "a b");

  deep.AddPath(root.c_str(), "one");
  deep.AddPath((root / "sub").c_str(), "two");
  deep.SetupMenu();
  EXPECT_EQ(Tree(deep.GetMainMenu()), "one[a b sub[c]] two[c]"); // empty folders are dropped
  ASSERT_EQ(deep.NItems(), 4);
  deep.SetSelectedFile((root / "sub" / "c.wav").c_str());
  LOOM_String selected;
  deep.GetSelectedFile(selected);
  EXPECT_EQ(selected.Get(), (root / "sub" / "c.wav").string());
  EXPECT_EQ(deep.GetSelectedItemIdx(), 2);
  deep.CheckSelectedItem();
  EXPECT_TRUE(deep.GetItem(2)->GetChecked());
  EXPECT_FALSE(deep.GetItem(3)->GetChecked());
  deep.ClearPathList();
  deep.GetSelectedFile(selected);
  EXPECT_STREQ(selected.Get(), "");
  fs::remove_all(root);
}
