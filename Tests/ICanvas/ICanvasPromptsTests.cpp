#include "TestCanvas.h"

#include "IParam.h"

#include <gtest/gtest.h>

using namespace pwtest;

namespace {

std::vector<IMouseInfo> At(float x, float y, uint64_t touch = 0)
{
  IMouseInfo info;
  info.x = x, info.y = y, info.ms = IMouseMod(true, false, false, false, false, touch);
  return {info};
}

struct Prompts : ::testing::Test
{
  TestGDelegate dlg{5};
  RecordingCanvas g{dlg};
  Log& log = dlg.log;
  InputControl* mode = nullptr;

  Prompts()
  {
    dlg.GetParam(0)->InitEnum("Mode", 1, {"Ringmod", "Compressor", "Combined"});
    dlg.GetParam(1)->InitBool("On", false, "sw");
    dlg.GetParam(2)->InitInt("Steps", 2, 0, 4);
    dlg.GetParam(2)->SetDisplayText(2, "two");
    dlg.GetParam(3)->InitDouble("Gain", 0.0, -10.0, 10.0, 0.1, "dB");
    mode = Add("mode", 0);
  }
  InputControl* Add(const char* name, int paramIdx)
  {
    auto* c = new InputControl(log, name, IRECT(0, 0, 100, 100), paramIdx);
    c->SetPromptable();
    g.AttachControl(c);
    c->SetValueFromDelegate(dlg.GetParam(paramIdx)->GetNormalized(), 0);
    log.clear();
    return c;
  }
};

TEST_F(Prompts, AnEnumGetsAMenuOfItsTextsWithTheCurrentOneChecked)
{
  g.PromptUserInput(*mode, IRECT(1, 2, 3, 4), 0);
  const IPopupMenu& menu = g.GetPromptMenu();
  ASSERT_EQ(menu.NItems(), 3);
  EXPECT_STREQ(menu.GetRootTitle(), "Mode");
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(menu.GetItem(i)->GetChecked(), i == 1) << i;
  EXPECT_STREQ(menu.GetItem(2)->GetText(), "Combined");
  EXPECT_EQ(log, Log{"mode.Menu(-2)"}) << "no choice reaches the control as no menu";
}

TEST_F(Prompts, OnlyEnumsAndBoolsWithTextsGetMenusOthersATextEntrySeededWithTheirDisplay)
{
  Add("on", 1)->PromptUserInput(IRECT(), 0);
  Add("steps", 2)->PromptUserInput(IRECT(), 0);
  g.textSync = true, g.textReply = "2.5";
  InputControl* gain = Add("gain", 3);
  gain->SetShowsLabel();
  gain->PromptUserInput(IRECT(), 0);
  EXPECT_EQ(g.Only("Platform"), (Log{"PlatformMenu(On,2)", "PlatformText(2,7,2)", "PlatformText(3,7,0.0 dB)"}));
  EXPECT_DOUBLE_EQ(dlg.GetParam(3)->Value(), 2.5) << "the typed text set the parameter through its control";
  EXPECT_EQ(g.GetControlInTextEntry(), nullptr);
}

TEST_F(Prompts, AMenuOpenedByAPressEndsItsGestureWhenItCompletes)
{
  IPopupMenu menu("", {"x", "y", "z"});
  mode->menuOnDown = &menu;
  g.menuChoice = 2;
  g.OnMouseDown(At(50, 50));
  g.OnMouseUp(At(50, 50));
  EXPECT_EQ(log, (Log{"Begin(0)", "mode.Down", "mode.Menu(2)", "FromUI(0,1.000000)", "End(0)"}))
    << "a synchronous menu completes before the press returns; the release sends nothing";

  log.clear(), g.menuAsync = true, g.menuChoice = 0;
  g.OnMouseDown(At(50, 50));
  g.OnMouseUp(At(50, 50));
  EXPECT_EQ(log, (Log{"Begin(0)", "mode.Down"}));
  g.CompletePlatformMenu();
  EXPECT_EQ(log, (Log{"Begin(0)", "mode.Down", "mode.Menu(0)", "FromUI(0,0.000000)", "End(0)"}));
  g.CompletePlatformMenu();
  EXPECT_EQ(log.size(), 5u) << "a second completion finds no caller";
}

TEST_F(Prompts, InWindowPresentersTakeOverAndRefuseASecondMenuWhileOneShows)
{
  g.AttachPopupMenuControl<StandInPopup>(DEFAULT_TEXT, IRECT(0, 0, 50, 50));
  auto* popup = static_cast<StandInPopup*>(g.GetPopupMenuControl());
  auto* entry = new StandInTextEntry();
  g.AttachTextEntryControl(entry);
  InputControl* gain = Add("gain", 3);

  g.PromptUserInput(*mode, IRECT(5, 5, 9, 9), 0);
  EXPECT_EQ(Str(popup->anchor), "(5,5,9,9)");
  IPopupMenu other("", {"o"});
  g.CreatePopupMenu(*gain, other, 0, 0);
  EXPECT_EQ(popup->menu, &g.GetPromptMenu());
  mode->contextItems = {"c"};
  g.PopupHostContextMenuForParam(0, 0, 0, 0);
  EXPECT_EQ(g.GetControlInPopupMenu(), mode) << "refused while the first menu shows";
  EXPECT_EQ(g.GetPromptMenu().NItems(), 3) << "the menu on show keeps its items";
  g.OnMouseDown(At(50, 50));
  EXPECT_EQ(popup->clicks, 1) << "an expanded popup takes every press";
  g.OnMouseUp(At(50, 50));
  popup->Choose(-1);
  EXPECT_EQ(log, Log{"mode.Menu(-2)"});

  gain->PromptUserInput(IRECT(), 0);
  EXPECT_EQ(entry->param, 3);
  EXPECT_EQ(entry->seed, "0.0");
  entry->Commit("-4");
  EXPECT_DOUBLE_EQ(dlg.GetParam(3)->Value(), -4.0);
  EXPECT_TRUE(g.Only("Platform").empty());
}

TEST_F(Prompts, BubblesFollowTheirTouches)
{
  InputControl* ctrls[4] = {mode, Add("b", 3), Add("c", 3), Add("d", 3)};
  for (int i = 0; i < 4; ++i)
    ctrls[i]->SetTargetAndDrawRECTs(IRECT::MakeXYWH(100.0f * i, 200, 50, 50));
  for (int n = 1; n <= 3; ++n)
    g.AttachBubbleControl(new StandInBubble(g.log, n));
  g.ShowBubbleControl(mode, 0, 0, "v");
  g.EnableMultiTouch(true);
  for (uint64_t t = 1; t <= 4; ++t)
    g.OnMouseDown(At(100.0f * (t - 1) + 10, 210, t));
  for (uint64_t t = 1; t <= 4; ++t)
    g.ShowBubbleControl(ctrls[t - 1], 0, 0, "v");
  g.ShowBubbleControl(ctrls[1], 0, 0, "w");
  ctrls[2]->SetActionFunction(ShowBubbleVerticalActionFunc);
  ctrls[2]->SetDirty(true);
  EXPECT_EQ(g.Only("Bubble"), (Log{"Bubble(1:v@0)", "Bubble(1:v@1)", "Bubble(2:v@2)", "Bubble(3:v@3)",
                                   "Bubble(1:v@4)", "Bubble(2:w@2)", "Bubble(3:0.0 dB@3)"}));
}

} // namespace
