#include "TestCanvas.h"

#include "ICanvasLiveEdit.h"
#include "IContainerBase.h"
#include "IParam.h"

#include <gtest/gtest.h>

using namespace pwtest;
using weft::IKeyPress;

namespace {

// Parameters: 0 Gain, 1 Pan, 2 Mode (enum), 3 On (bool), 4 Steps (int with a display text). Controls: a
// background, a on 0 and 1, b on none; dlg.log holds the controls' events and the delegate's traffic.
struct Input : ::testing::Test
{
  TestGDelegate dlg{5};
  RecordingCanvas g{dlg};
  Log& log = dlg.log;
  InputControl *a = nullptr, *b = nullptr;

  Input()
  {
    dlg.GetParam(0)->InitDouble("Gain", 0.0, -10.0, 10.0, 0.1, "dB");
    dlg.GetParam(1)->InitDouble("Pan", 0.0, 0.0, 1.0, 0.01);
    dlg.GetParam(2)->InitEnum("Mode", 1, {"Ringmod", "Compressor", "Combined"});
    dlg.GetParam(3)->InitBool("On", false);
    dlg.GetParam(4)->InitInt("Steps", 2, 0, 4);
    dlg.GetParam(4)->SetDisplayText(2, "two");
    g.AttachControl(new InputControl(log, "bg", g.GetBounds()));
    a = Add("a", {0, 1}, IRECT(0, 0, 100, 100));
    b = Add("b", {kNoParameter}, IRECT(200, 0, 300, 100));
  }
  InputControl* Add(const char* name, std::initializer_list<int> params, const IRECT& r, bool showsLabel = false)
  {
    auto* c = new InputControl(log, name, r, params);
    c->SetFlags(false, true, showsLabel);
    g.AttachControl(c);
    if (c->GetParam(0))
      c->SetValueFromDelegate(c->GetParam(0)->GetNormalized(), 0);
    log.clear();
    return c;
  }
  void Click(float x, float y, IMouseMod mod = IMouseMod(true)) { g.OnMouseDown(At(x, y, mod)), g.OnMouseUp(At(x, y, mod)); }
};

TEST_F(Input, APressBeginsEveryBoundGestureAndItsReleaseEndsThemButARightClickSendsNone)
{
  g.OnMouseDown(At(50, 50));
  g.OnMouseDrag(At(60, 50, IMouseMod(true), 0, 0));
  g.OnMouseDrag(At(60, 55, IMouseMod(true), 0, 5));
  g.OnMouseUp(At(60, 55));
  EXPECT_EQ(log, (Log{"Begin(0)", "Begin(1)", "a.Down", "a.Drag", "a.Up", "End(0)", "End(1)"}))
    << "a drag sample without movement reaches nobody";
  log.clear(), a->contextItems = {"Copy", "Paste"}, g.menuChoice = 1;
  Click(50, 50, IMouseMod(false, true));
  g.OnMouseDown(At(250, 50, IMouseMod(false, true)));
  EXPECT_EQ(log, (Log{"a.Context(1)", "b.RightDown"})) << "a right click on a bound control opens its context menu";
  EXPECT_EQ(g.Only("PlatformMenu"), (Log{"PlatformMenu(,2)"}));
}

TEST_F(Input, TheSearchPrefersTheOverlaysInTheirOrder)
{
  g.ShowFPSDisplay(true); // (10,10)-(210,60)
  EXPECT_EQ(g.GetMouseControl(20, 20, false), g.GetFPSDisplay());
  g.AttachCornerResizer();
  EXPECT_EQ(g.GetMouseControl(990, 390, false), g.GetCornerResizer());
  g.AttachTextEntryControl<StandInTextEntry>();
  static_cast<StandInTextEntry*>(g.GetTextEntryControl())->open = true;
  EXPECT_EQ(g.GetMouseControl(990, 390, false), g.GetTextEntryControl());
  g.AttachPopupMenuControl<StandInPopup>();
  static_cast<StandInPopup*>(g.GetPopupMenuControl())->state = 2;
  EXPECT_EQ(g.GetMouseControl(990, 390, true), g.GetPopupMenuControl());
}

TEST_F(Input, ASecondTouchOnAHeldControlIsRefusedUnlessItWantsSeveral)
{
  g.OnMouseDown(At(50, 50, Touch(1))), g.OnMouseDown(At(60, 50, Touch(3)));
  g.EnableMultiTouch(true), log.clear();
  g.OnMouseDown(At(60, 50, Touch(2)));
  EXPECT_EQ(g.GetMouseControl(0, 0, false, false, 3), a) << "without multi-touch a second touch just captured";
  a->SetWantsMultiTouch();
  g.OnMouseDown(At(60, 50, Touch(2))), g.OnTouchCancelled(At(60, 50, Touch(2)));
  EXPECT_EQ(log, (Log{"Begin(0)", "Begin(1)", "a.Down", "a.Cancel"})) << "one Down: the refused touch got nothing; a cancel ends no gesture";
}

TEST_F(Input, HoverFollowsThePointerButNeverReachesTheBackground)
{
  g.ShowFPSDisplay(true);
  EXPECT_TRUE(g.OnMouseOver(20, 20, IMouseMod())) << "overlays are found with mouse-over disabled";
  EXPECT_FALSE(g.OnMouseOver(250, 50, IMouseMod())) << "list controls are not";
  g.EnableMouseOver(true);
  EXPECT_FALSE(g.OnMouseOver(500, 300, IMouseMod()));
  g.OnMouseOver(250, 50, IMouseMod());
  EXPECT_EQ(g.GetMouseOver(), 2);
  g.OnMouseDown(At(250, 50)), g.OnMouseUp(At(50, 80));
  g.OnMouseOut();
  EXPECT_EQ(log, (Log{"b.Over", "b.Down", "b.Up", "b.Out", "a.Over", "bg.Out", "a.Out", "b.Out"}));
}

TEST_F(Input, KeysGoToTheControlUnderThePointerThenTheComputerKeyboard)
{
  EXPECT_FALSE(g.OnKeyDown(500, 300, IKeyPress("q", 81))) << "no handler";
  a->takesKeys = true;
  EXPECT_TRUE(g.OnKeyDown(50, 50, IKeyPress("a", 'A')));
  Log midi;
  g.SetQwertyMidiKeyHandlerFunc([&](const weft::IMidiMsg& m) { midi.push_back(std::to_string(m.mData1)); });
  auto keys = [&](const char* downs, bool up = false) {
    for (const char* k = downs; *k; ++k)
      up ? g.OnKeyUp(500, 300, IKeyPress("", *k)) : g.OnKeyDown(500, 300, IKeyPress("", *k));
  };
  keys("AAXL"), keys("L", true);
  EXPECT_TRUE(g.OnKeyDown(500, 300, IKeyPress("1", '1')));
  keys("ZZZZZZZZW"), keys("W", true), keys("XX");
  EXPECT_EQ(log, (Log{"a.OnKeyDown", "Midi(144,48,127)", "Midi(128,48,0)", "Midi(144,74,127)", "Midi(128,74,0)",
                      "Midi(144,25,127)", "Midi(128,25,0)"}));
  EXPECT_EQ(midi, (Log{"48", "48", "74", "74", "25", "25"}));
}

TEST_F(Input, WheelDropsAndDoubleClicksReachTheControlUnderThePointer)
{
  EXPECT_TRUE(g.OnMouseWheel(50, 50, IMouseMod(), 1));
  g.OnDrop("/tmp/x.wav", 250, 50);
  b->SetFlags(true, false, false);
  g.OnMouseDblClick(50, 50, IMouseMod(true)), g.OnMouseDblClick(250, 50, IMouseMod(true));
  EXPECT_EQ(log, (Log{"a.Wheel", "b.Drop(/tmp/x.wav)", "a.Dbl", "b.Down"})) << "b takes a double click as a press";
}

TEST_F(Input, OnlyEnumsAndBoolsWithTextsGetMenusOthersATextEntrySeededWithTheirDisplay)
{
  g.PromptUserInput(*Add("mode", {2}, IRECT()), IRECT(), 0);
  const IPopupMenu& menu = g.GetPromptMenu();
  ASSERT_EQ(menu.NItems(), 3);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(menu.GetItem(i)->GetChecked(), i == 1) << i;
  EXPECT_EQ(log, Log{"mode.Menu(-2)"}) << "no choice reaches the control as no menu";
  Add("on", {3}, IRECT())->PromptUserInput(IRECT(), 0);
  Add("steps", {4}, IRECT())->PromptUserInput(IRECT(), 0);
  g.textSync = true, g.textReply = "2.5";
  Add("gain", {0}, IRECT(), true)->PromptUserInput(IRECT(), 0);
  EXPECT_EQ(g.Only("Platform"), (Log{"PlatformMenu(Mode,3)", "PlatformMenu(On,2)", "PlatformText(4,7,2)", "PlatformText(0,7,0.0 dB)"}));
  EXPECT_DOUBLE_EQ(dlg.GetParam(0)->Value(), 2.5) << "the typed text set the parameter through its control";
  g.textReply = "abc";
  g.CreateTextEntry(*b, DEFAULT_TEXT, IRECT(), "seed");
  EXPECT_EQ(log.back(), "b.Text(abc)") << "without a parameter the control gets the text";
}

TEST_F(Input, MenusOpenedByAPressEndItsGestureWhenTheyComplete)
{
  IPopupMenu menu("", {"x", "y", "z"});
  InputControl* mode = Add("mode", {2}, IRECT(400, 0, 500, 100));
  mode->menuOnDown = &menu;
  g.menuChoice = 2;
  Click(450, 50);
  EXPECT_EQ(log, (Log{"Begin(2)", "mode.Down", "mode.Menu(2)", "FromUI(2,1.000000)", "End(2)"}))
    << "a synchronous menu completes before the press returns; the release sends nothing";
  log.clear(), g.menuAsync = true, g.menuChoice = 0;
  Click(450, 50);
  EXPECT_EQ(log, (Log{"Begin(2)", "mode.Down"}));
  g.CompletePlatformMenu(), g.CompletePlatformMenu();
  EXPECT_EQ(log, (Log{"Begin(2)", "mode.Down", "mode.Menu(0)", "FromUI(2,0.000000)", "End(2)"}))
    << "a second completion finds no caller";
}

TEST_F(Input, AQueuedPlatformMenuRefusesTheNextRequestAndEndsUnansweredWhenItsControlGoes)
{
  g.menuAsync = true;
  InputControl *mode = Add("mode", {2}, IRECT(400, 0, 500, 100)), *on = Add("on", {3}, IRECT(600, 0, 700, 100));
  on->contextItems = {"ctx"};
  g.PromptUserInput(*mode, IRECT(), 0);
  g.PromptUserInput(*on, IRECT(), 0);
  g.PopupHostContextMenuForParam(on, 3, 650, 50);
  EXPECT_EQ(g.Only("PlatformMenu"), Log{"PlatformMenu(Mode,3)"}) << "refused while the first waits";
  EXPECT_EQ(std::string(g.GetPromptMenu().GetRootTitle()) + std::to_string(g.GetPromptMenu().NItems()), "Mode3")
    << "the queued menu keeps its items";
  log.clear();
  g.RemoveControl(mode);
  EXPECT_EQ(log, (Log{"mode.Menu(-2)", "mode.deleted"}));
  EXPECT_EQ(g.GetPendingPlatformMenu(), 0u) << "a platform layer will not show it; the next request may";
}

TEST_F(Input, BubblesFollowTheirTouches)
{
  a->SetTargetAndDrawRECTs(IRECT(0, 200, 50, 250));
  InputControl* ctrls[4] = {a, Add("b", {0}, IRECT(100, 200, 150, 250)), Add("c", {0}, IRECT(200, 200, 250, 250)),
                            Add("d", {0}, IRECT(300, 200, 350, 250))};
  g.AttachBubbleControl(new StandInBubble(1)), g.AttachBubbleControl(new StandInBubble(2));
  g.AttachBubbleControl(new StandInBubble(3));
  g.ShowBubbleControl(a, 0, 0, "v");
  g.EnableMultiTouch(true);
  for (uint64_t t = 1; t <= 4; ++t)
    g.OnMouseDown(At(100.0f * (t - 1) + 10, 210, Touch(t))), g.ShowBubbleControl(ctrls[t - 1], 0, 0, "v");
  g.ShowBubbleControl(ctrls[1], 0, 0, "w");
  ctrls[2]->SetActionFunction(ShowBubbleVerticalActionFunc);
  ctrls[2]->SetDirty(true);
  EXPECT_EQ(g.Only("Bubble"), (Log{"Bubble(1:v@0)", "Bubble(1:v@1)", "Bubble(2:v@2)", "Bubble(3:v@3)",
                                   "Bubble(1:v@4)", "Bubble(2:w@2)", "Bubble(3:0.0 dB@3)"}));
}

TEST_F(Input, BubbleActionsWithoutAParameterAreCallersErrorsAndShowNothing)
{
  g.AttachBubbleControl(new StandInBubble(1));
  b->SetActionFunction(ShowBubbleHorizontalActionFunc);
  EXPECT_DEBUG_DEATH(b->SetDirty(true), "ShowBubbleHorizontalActionFunc requires a parameter");
  b->SetActionFunction(ShowBubbleVerticalActionFunc);
  EXPECT_DEBUG_DEATH(b->SetDirty(true), "ShowBubbleVerticalActionFunc requires a parameter");
  EXPECT_TRUE(g.Only("Bubble").empty());
}

// --- Live edit

struct LiveEdit : Input
{
  ICanvasLiveEdit* le = nullptr;
  LiveEdit()
  {
    g.EnableLiveEdit(true);
    g.ForAllControlsFunc([&](IControl* c) { le = le ? le : dynamic_cast<ICanvasLiveEdit*>(c); });
    le->SetPlaceHolderFunc([this](const IRECT& r, const char* s) { return new InputControl(log, s, r); });
  }
};

TEST_F(LiveEdit, DragsSnapToTheGridResizesKeepOneCellAndTheBandSelects)
{
  a->SetTargetAndDrawRECTs(IRECT(33, 10, 73, 50));
  g.OnMouseDown(At(40, 20)), g.OnMouseDrag(At(44, 20, IMouseMod(true), 4, 0));
  EXPECT_EQ(Str(a->GetRECT()), "(40,10,80,50)") << "round(37 / 10) = 4";
  g.OnMouseUp(At(44, 20)), g.OnMouseDown(At(75, 45));
  g.OnMouseDrag(At(-200, -200, IMouseMod(true), -1, -1));
  EXPECT_EQ(Str(a->GetRECT()), "(40,10,50,20)");
  g.OnMouseUp(At(0, 0)), g.OnMouseDown(At(310, 110));
  g.OnMouseDrag(At(0, 0, IMouseMod(true), -1, -1));
  EXPECT_EQ(le->GetSelection(), (std::vector<IControl*>{a, b})) << "the band holds a and b whole";
  g.OnMouseUp(At(0, 0)), g.OnMouseDown(At(900, 300));
  EXPECT_FALSE(g.OnKeyDown(0, 0, IKeyPress("", 8))) << "nothing selected after a press on empty space";
}

TEST_F(LiveEdit, AltDragsAPlaceHolderAndDeletingAContainerFreesItsChildren)
{
  auto* box = static_cast<IContainerBase*>(g.AttachControl(new IContainerBase(IRECT(400, 0, 600, 200))));
  IControl* child = box->AddChildControl(new InputControl(log, "c", IRECT(410, 10, 450, 50)));
  g.OnMouseDown(At(420, 20, IMouseMod(true, false, false, false, true)));
  g.OnMouseDrag(At(520, 20, IMouseMod(true), 100, 0));
  ASSERT_EQ(g.NControls(), 6);
  EXPECT_EQ(Str(g.GetControl(5)->GetRECT()), "(500,0,700,200)") << "the new box moves, the clicked one stays";
  EXPECT_EQ(le->GetSelection(), std::vector<IControl*>{box});
  g.OnMouseUp(At(520, 20));
  EXPECT_TRUE(g.OnKeyDown(0, 0, IKeyPress("", 46)));
  EXPECT_EQ(g.NControls(), 5);
  EXPECT_EQ(child->GetParent(), nullptr);
}

} // namespace
