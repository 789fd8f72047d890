#include "IPopupMenuControl.h"
#include "OverlayFixture.h"

using namespace pwtest;
using Panel = IPopupMenuControl::MenuPanel;

namespace {

// Items print five points per character and are ten high: the cell of
// "bbbb" is 20 + 2 x 5 + 10 + 8 = 48 wide.
struct Popup : Overlays
{
  Log& log = dlg.log;
  IPopupMenuControl* pm = (g.AttachPopupMenuControl<IPopupMenuControl>(text), static_cast<IPopupMenuControl*>(g.GetPopupMenuControl()));
  InputControl* caller = Caller("c", kNoParameter, IRECT(0, 0, 10, 10));

  void Open(IPopupMenu& m, const IRECT& anchor) { g.CreatePopupMenu(*caller, m, anchor), Advance(pm, 101); }
  const IRECT& Cell(int panel, int i) const { return *pm->GetPanel(panel)->mCellBounds[i]; }
  void Over(int panel, int i) { pm->OnMouseOver(Cell(panel, i).MW(), Cell(panel, i).MH(), IMouseMod()); }
  void Press(float x, float y) { g.OnMouseDown(At(x, y)), g.OnMouseUp(At(x, y)); }
  void Click(int panel, int i) { Over(panel, i), Press(Cell(panel, i).MW(), Cell(panel, i).MH()); }
  static IPopupMenu* Items(int n) { auto* m = new IPopupMenu(); while (n--) m->AddItem("x"); return m; }
  static std::string Kinds(const Log& shapes)
  {
    std::string out;
    for (const std::string& s : shapes)
      out += s.substr(0, s.find('(')) + " ";
    return out;
  }
};

// Runs `then` once it has logged its menu's answer.
struct Hooked : InputControl
{
  using InputControl::InputControl;
  void OnPopupMenuSelection(IPopupMenu* pMenu, int valIdx) override
  {
    InputControl::OnPopupMenuSelection(pMenu, valIdx);
    if (then)
      then(*this);
  }
  void (*then)(Hooked&) = nullptr;
  IPopupMenu again{"", {"z"}};
};

} // namespace

TEST_F(Popup, PanelsStackBreakIntoColumnsScrollOrMoveUp)
{
  IPopupMenu m("", {"aa", "bbbb", "c"});
  m.AddItem("-", -1, IPopupMenu::Item::kSeparator);
  float w = 0, h = 0;
  pm->GetPanelDimensions(m, w, h);
  EXPECT_EQ(w, 48.0f);
  EXPECT_EQ(h, 3 * 2.0f + 3 * 10.0f + 2.0f);

  std::unique_ptr<IPopupMenu> many(Items(13));
  pm->SetMaxBounds(IRECT(0, 0, 1000, 400)), pm->SetScrollIfTooBig(false), pm->SetMaxColumnItems(4);
  Panel columns(*pm, *many, 0, 0, -1);
  std::vector<float> lefts;
  for (int i : {0, 3, 4, 8, 12})
    lefts.push_back(columns.mCellBounds[i]->L);
  EXPECT_EQ(lefts, (std::vector<float>{5, 5, 40, 75, 110})) << "columns 33 wide, 2 apart";
  EXPECT_EQ(columns.mCellBounds[4]->T, 5.0f);

  pm->SetScrollIfTooBig(true);
  Panel movedUp(*pm, *many, 0, 200, -1);
  EXPECT_FALSE(movedUp.mScroller);
  EXPECT_EQ(movedUp.NCells(), 13);
  EXPECT_EQ(movedUp.mCellBounds[0]->T, 200 + 5 + 10 - 130.0f);

  pm->SetMaxBounds(IRECT(0, 0, 1000, 100)), pm->SetMaxColumnItems(0);
  Panel scroller(*pm, *many, 0, 50, -1);
  EXPECT_TRUE(scroller.mScroller);
  EXPECT_EQ(scroller.NCells(), 6) << "(95 - 15) / 12 rows";
  EXPECT_EQ(scroller.mCellBounds[0]->T, 15.0f);

  pm->SetMaxBounds(IRECT(0, 0, 1000, 20));
  Panel tiny(*pm, *many, 0, 0, -1);
  EXPECT_EQ(tiny.mScrollMaxRows, 1) << "never zero rows";
  EXPECT_EQ(tiny.NCells(), 1);
}

TEST_F(Popup, TheRootPanelPrefersBelowThenBesideOrAboveAndSubmenuMenusTakeTheRoomierSide)
{
  IPopupMenu m3("", {"aa", "bbbb", "c"});
  std::unique_ptr<IPopupMenu> m10(Items(10)); // 33 x 118
  IPopupMenu withSub("", {"aa"});
  withSub.AddItem("bbbb", new IPopupMenu("", {"x"}));
  struct { IPopupMenu* menu; IRECT anchor; int dir; IRECT target; } cases[] = {
    {&m3, IRECT(100, 100, 140, 120), 2, IRECT(96, 120, 154, 164)},
    {m10.get(), IRECT(950, 250, 990, 270), 3, IRECT(907, 152, 950, 280)},
    {&m3, IRECT(950, 380, 990, 395), 0, IRECT(932, 336, 990, 380)},
    {&withSub, IRECT(100, 300, 140, 320), 0, IRECT(96, 268, 154, 300)},
  };
  for (const auto& c : cases)
  {
    Open(*c.menu, c.anchor);
    EXPECT_EQ(pm->GetCalloutArrowDir(), c.dir) << Str(c.anchor);
    EXPECT_EQ(Str(pm->GetTargetRECT()), Str(c.target));
    Press(500, 5), Advance(pm, 101, 3);
  }
}

TEST_F(Popup, FadeInExpandFlickerFadeOutAndIdleOnTheClock)
{
  IPopupMenu m("", {"aa", "bbbb", "c"}), other("", {"zz"});
  std::string seq; // state, root weight, h when hidden
  auto step = [&](double ms) {
    Advance(pm, ms);
    seq += std::to_string(pm->GetState()) + (pm->NPanels() ? W(&pm->GetPanel(0)->mBlend) : "") + (pm->IsHidden() ? "h " : " ");
  };
  g.CreatePopupMenu(*caller, m, IRECT(100, 100, 140, 120));
  step(50);
  Press(Cell(0, 1).MW(), Cell(0, 1).MH()); // only the expanded menu takes the mouse
  step(51);
  pm->CreatePopupMenu(other, IRECT());
  EXPECT_EQ(pm->GetMenu(), &m) << "a request while open is ignored whole";
  Over(0, 1);
  EXPECT_EQ((Drawn(pm), g.Kind("Rect").size()), 1u) << "the hovered highlight";
  Click(0, 1);
  EXPECT_EQ(log, (Log{"c.Menu(1)"}));
  EXPECT_EQ(pm->GetState(), 4);
  EXPECT_EQ((Drawn(pm), g.Kind("Rect").size()), 0u) << "the flicker hides the chosen highlight";
  for (double ms : {101.0, 50.0, 51.0, 101.0})
    step(ms);
  EXPECT_EQ(seq, "1@0.475 2@0.95 3@0.95 3@0.475 6@0 0h ") << "shown until the idle ends";
  EXPECT_EQ(pm->GetActivePanel(), nullptr);
}

TEST_F(Popup, SubmenusOpenBesideTheirCellAreReusedAndHideWithTheirChildren)
{
  auto* sub = new IPopupMenu("", {"x", "y"});
  sub->AddItem("deep", new IPopupMenu("", {"z"}));
  IPopupMenu m("", {"aa"});
  m.AddItem("sub", sub);
  m.AddItem("plain");
  auto shown = [&] { std::string s; for (int i = 0; i < pm->NPanels(); ++i) s += pm->GetPanel(i)->mShouldDraw ? "1" : "0"; return s; };
  Open(m, IRECT(100, 100, 140, 120));
  Over(0, 1);
  ASSERT_EQ(pm->NPanels(), 2);
  EXPECT_EQ(Cell(1, 0).L, Cell(0, 1).R + 10) << "beside the cell, padded";
  std::string fade = std::to_string(pm->GetState());
  for (double ms : {100.0, 90.0, 11.0})
    Advance(pm, ms), fade += W(&pm->GetPanel(1)->mBlend) + std::to_string(pm->GetState());
  EXPECT_EQ(fade, "5@05@0.955@0.952") << "shown only at the end of its 200 ms";
  Over(0, 2);
  EXPECT_EQ(shown(), "10");
  Over(0, 1);
  EXPECT_EQ(shown(), "11") << "reused";
  Over(1, 2), Advance(pm, 201), Over(0, 2);
  EXPECT_EQ(shown(), "100") << "a grandchild hides with its parent";
  Over(0, 1), Advance(pm, 201);
  Click(1, 1);
  EXPECT_EQ(log, (Log{"c.Menu(1)"}));
  EXPECT_EQ(sub->GetChosenItemIdx(), 1);
  EXPECT_EQ(m.GetChosenItemIdx(), -1);
}

TEST_F(Popup, TitlesSeparatorsDisabledAndSubmenuItemsChooseNothing)
{
  IPopupMenu m;
  m.AddItem("title", -1, IPopupMenu::Item::kTitle);
  m.AddItem("-", -1, IPopupMenu::Item::kSeparator);
  m.AddItem("off", -1, IPopupMenu::Item::kDisabled);
  m.AddItem("sub", new IPopupMenu("", {"x"}));
  for (int i = 0; i < 4; ++i)
  {
    Open(m, IRECT(100, 100, 140, 120));
    Over(0, i), Advance(pm, 201), Click(0, i);
    EXPECT_EQ(m.GetChosenItemIdx(), -1) << i;
    Advance(pm, 101, 3);
  }
  EXPECT_EQ(log, Log(4, "c.Menu(-2)")) << "each still completes, as no choice";
}

TEST_F(Popup, AScrollerShowsArrowsScrollsOneItemPerHoverAndItsArrowsChooseNothing)
{
  std::unique_ptr<IPopupMenu> m(Items(20));
  pm->SetMaxBounds(IRECT(0, 0, 1000, 100));
  Open(*m, IRECT(100, 10, 140, 20));
  Panel* p = pm->GetPanel(0);
  ASSERT_EQ(p->NCells(), 6);
  auto arrows = [&] { // up or down, by where the apex lies
    std::string out;
    float y1 = 0, y3 = 0, x = 0;
    for (const std::string& t : (Drawn(pm), g.Kind("Tri")))
      std::sscanf(t.c_str(), "Tri(%f,%f,%*f,%*f)(%f,%f", &x, &y1, &x, &y3), out += y3 > y1 ? "down " : "up ";
    return out;
  };
  EXPECT_EQ(arrows(), "down ");
  for (int i = 0; i < 20; ++i)
    Over(0, 5); // one item per hover
  EXPECT_EQ(p->mScrollItemOffset, 14) << "stops at n - m";
  EXPECT_EQ(arrows(), "up ");
  for (int i = 0; i < 12; ++i)
    Over(0, 0);
  EXPECT_EQ(p->mScrollItemOffset, 2);
  EXPECT_EQ(arrows(), "up down ");
  Click(0, 5);
  EXPECT_EQ(log, (Log{"c.Menu(-2)"})) << "the arrow stands for no item";
}

TEST_F(Popup, EachPanelDrawsShadowBackgroundCellsTicksArrowsSeparatorsAndCallout)
{
  IPopupMenu m("", {"aa"});
  m.GetItem(0)->SetChecked(true);
  m.AddItem("sub", new IPopupMenu("", {"x"}));
  m.AddItem("-", -1, IPopupMenu::Item::kSeparator);
  m.AddItem("c");
  pm->SetCallout(true);
  Open(m, IRECT(100, 100, 140, 120));
  const Log shapes = Drawn(pm);
  EXPECT_EQ(Kinds(shapes), "Shadow RRect Text RRect Text Tri Rect Text Tri ");
  EXPECT_EQ(shapes[6].substr(shapes[6].find('[')), "[255,200,200,200]@0.25");
  EXPECT_EQ(shapes.back(), "Tri(116,128,124,128)(120,120,0,0)[255,255,255,255]@0.95") << "pointing up at the anchor";
  pm->GetPanel(0)->mBlend.mWeight = 0.9f;
  EXPECT_EQ(Kinds(Drawn(pm)), "Shadow RRect Text RRect Text Tri Text Tri ") << "no separator while fading";
}

TEST_F(Popup, RemovingTheControlWhoseMenuShowsClosesItAtOnceAsADismissal)
{
  IPopupMenu own("", {"a", "b"});
  auto open = [&](const char* name, void (*then)(Hooked&), bool press) {
    auto* c = static_cast<Hooked*>(g.AttachControl(new Hooked(log, name, IRECT(400, 0, 500, 100), 2)));
    c->then = then, c->menuOnDown = &own, log.clear();
    press ? Press(450, 50) : g.CreatePopupMenu(*c, own, IRECT(100, 100, 140, 120));
    Advance(pm, 101);
    return c;
  };
  g.RemoveControl(open("o", nullptr, true));
  EXPECT_EQ(log, (Log{"Begin(2)", "o.Down", "o.Menu(-2)", "End(2)", "o.deleted"})) << "no choice, the gesture ends";
  EXPECT_EQ(pm->GetState(), 0);
  EXPECT_TRUE(pm->IsHidden());
  EXPECT_EQ(pm->GetMenu(), nullptr);
  g.OnMouseOver(450, 50, IMouseMod()), g.OnMouseDown(At(450, 50)), g.Tick();

  Hooked* answered = open("p", nullptr, true);
  Click(0, 1);
  ASSERT_EQ(pm->GetState(), 4);
  log.clear(), g.RemoveControl(answered);
  EXPECT_EQ(log, Log{"p.deleted"}) << "already answered: closing only stops";
  EXPECT_EQ(pm->GetState(), 0);
  Advance(pm, 101, 4), g.Tick();

  g.RemoveControl(open("l", [](Hooked& c) { c.GetUI()->CreatePopupMenu(c, c.again, c.GetRECT()); }, false));
  EXPECT_EQ(pm->GetState(), 0) << "a control on its way out opens no menu";
  EXPECT_EQ(g.GetControlInPopupMenu(), nullptr);

  open("s", [](Hooked& c) { c.GetUI()->RemoveControl(&c); }, false), Click(0, 0);
  EXPECT_EQ(log, (Log{"s.Menu(0)", "s.deleted"}));
  EXPECT_EQ(pm->GetState(), 0) << "a choice that removes its control closes the menu at once";
}

TEST_F(Popup, AMenuThatGrowsWhileItShowsDrawsOnlyTheCellsItWasLaidOutWith)
{
  IPopupMenu empty;
  Open(empty, IRECT(100, 100, 140, 120));
  empty.AddItem("late"), empty.AddItem("later");
  EXPECT_EQ(Kinds(Drawn(pm)), "Shadow RRect ");
  IPopupMenu one("", {"a"});
  Press(500, 5), Advance(pm, 101, 3);
  Open(one, IRECT(100, 100, 140, 120));
  one.AddItem("b"), one.AddItem("c");
  EXPECT_EQ(Kinds(Drawn(pm)), "Shadow RRect Text ") << "no scroll arrow on a panel that does not scroll";
  Click(0, 0);
  EXPECT_EQ(log, (Log{"c.Menu(-2)", "c.Menu(0)"}));
}

TEST_F(Popup, AScrolledPanelChoosesTheItemItShows)
{
  std::unique_ptr<IPopupMenu> m(Items(20));
  pm->SetMaxBounds(IRECT(0, 0, 1000, 100));
  Open(*m, IRECT(100, 10, 140, 20));
  for (int i = 0; i < 7; ++i)
    Over(0, 5);
  ASSERT_EQ(pm->GetPanel(0)->mScrollItemOffset, 7);
  Click(0, 3);
  EXPECT_EQ(log, Log{"c.Menu(10)"}) << "offset 7, cell 3";
}
