#include "IPopupMenuControl.h"
#include "ITextEntryControl.h"
#include "OverlayFixture.h"

using namespace pwtest;
using weft::IKeyPress;

namespace {

// Edits open over (100, 100, 300, 120); callers: plain (no parameter),
// steps (int) and gain (double).
struct Entry : Overlays
{
  Log& log = dlg.log;
  ITextEntryControl* te = (g.AttachTextEntryControl<ITextEntryControl>(), static_cast<ITextEntryControl*>(g.GetTextEntryControl()));
  InputControl *plain = Caller("plain", kNoParameter), *steps = Caller("steps", 1), *gain = Caller("gain", 0);

  void Edit(InputControl* c, const char* str, EAlign align = EAlign::Center)
  {
    IText t = text;
    t.mAlign = align;
    g.CreateTextEntry(*c, t, IRECT(100, 100, 300, 120), str, 0);
  }
  bool Key(const char* utf8, int vk, bool shift = false, bool ctrl = false) { return te->OnKeyDown(0, 0, IKeyPress(utf8, vk, shift, ctrl)); }
};

} // namespace

TEST_F(Entry, NumericParametersTakeDigitsSignsAndPointsOnlyForDoubles)
{
  struct { const char* text; int vk; bool shift, handled; } keys[] = {
    {"a", 'A', false, false}, {"+", 0xBB, true, true}, {"-", 0xBD, false, true}, {"5", 0x65, false, true},
    {"!", '1', true, false},  {".", 0xBE, false, false}, {"7", '7', false, true}};
  Edit(steps, "");
  for (const auto& k : keys)
    EXPECT_EQ(Key(k.text, k.vk, k.shift), k.handled) << k.text;
  EXPECT_EQ(te->GetStr(), "+-57");
  Edit(gain, "");
  EXPECT_TRUE(Key(".", 0xBE));
  Edit(plain, "");
  EXPECT_TRUE(Key("a", 'A')) << "no parameter, no filter";
  EXPECT_FALSE(Key(nullptr, 0x09)) << "Tab is not ours";
}

TEST_F(Entry, TheFirstKeyReplacesTheTextAndTheKeyTableMovesEditsAndUndoes)
{
  Edit(plain, "");
  EXPECT_TRUE(Key("z", 'Z', false, true)) << "undo with nothing to undo";
  EXPECT_TRUE(Key("Z", 'Z', true, true));
  Edit(plain, "hello");
  Key("x", 'X'), Key("y", 'Y'), Key("z", 'Z', false, true);
  EXPECT_EQ(te->GetStr(), "x") << "the first key replaced the text; then undo";
  Key("Z", 'Z', true, true);
  EXPECT_EQ(te->GetStr(), "xy");
  Key(nullptr, 0x24, false, true), Key("z", 'Z');
  EXPECT_EQ(te->GetStr(), "zxy") << "Control+Home";
  Key(nullptr, 0x23), Key(nullptr, 0x08), Key(nullptr, 0x25, true), Key(nullptr, 0x2E);
  EXPECT_EQ(te->GetStr(), "z") << "End, Backspace, Shift+Left, Delete";
}

TEST_F(Entry, SelectionCaretBlinkAndKernedWidths)
{
  Edit(plain, "abcd"); // centred: 20 wide from 190
  const std::string fg = Str(text.mTextEntryFGColor);
  EXPECT_EQ(Drawn(te), (Log{"Rect(100,100,300,120)" + Str(text.mTextEntryBGColor) + "@1", "Rect(190,106,210,114)" + fg + "@0.2",
                            "Text(abcd)(100,100,300,120)" + fg + "@1"}))
    << "no caret beside a selection";
  Key(nullptr, 0x23);
  EXPECT_EQ(Drawn(te).back(), "Rect(209,106,210,114)" + fg + "@1");
  Advance(te, 501);
  EXPECT_FALSE(te->GetDrawCursor());
  EXPECT_EQ(Drawn(te).size(), 2u);
  Advance(te, 500);
  EXPECT_TRUE(te->GetDrawCursor()) << "the next second starts shown";
  Edit(plain, "AV", EAlign::Near);
  Key(nullptr, 0x23);
  EXPECT_EQ(Drawn(te).back(), "Rect(108,106,109,114)" + fg + "@1") << "5 + (9 - 5)";
}

TEST_F(Entry, TheOneRowStartsAtZeroAndAnyOtherStartIsACallersError)
{
  Edit(plain, "abcd");
  StbTexteditRow row;
  te->Layout(&row, 0);
  EXPECT_EQ(row.num_chars, 4);
  EXPECT_FLOAT_EQ(row.x0, 190.0f);
  EXPECT_FLOAT_EQ(row.x1, 210.0f);
  EXPECT_DEBUG_DEATH(te->Layout(&row, 2), "start_i == 0");
#ifdef NDEBUG
  EXPECT_EQ(row.num_chars, 0) << "release builds answer an empty row";
#endif
}

TEST_F(Entry, ReturnAndAClickOutsideCommitEscapeSendsNothing)
{
  Edit(gain, "0.0");
  Key("-", 0xBD), Key("4", '4');
  EXPECT_TRUE(Key(nullptr, 0x0D));
  EXPECT_DOUBLE_EQ(dlg.GetParam(0)->Value(), -4.0);
  EXPECT_FALSE(te->EditInProgress());
  EXPECT_TRUE(te->GetRECT().Empty());
  Edit(plain, "x");
  EXPECT_TRUE(Key(nullptr, 0x1B));
  EXPECT_EQ(g.GetControlInTextEntry(), nullptr);
  Edit(plain, "y");
  g.OnMouseDown(At(5, 5)), g.OnMouseUp(At(5, 5));
  Log sent;
  std::copy_if(log.begin(), log.end(), std::back_inserter(sent), [](const std::string& e) { return e.find(".Text") != e.npos; });
  EXPECT_EQ(sent, Log{"plain.Text(y)"}) << "only the click outside sent text";
}

TEST_F(Entry, EmojiStayWholeAndAPasteStopsAtItsLineBreak)
{
  Edit(plain, "");
  EXPECT_TRUE(Key("\xF0\x9F\x98\x80", 0));
  EXPECT_EQ(te->GetUnits().size(), 2u);
  g.SetTextInClipboard("1\xF0\x9F\x98\x80\n34");
  Key("v", 'V', false, true);
  Key("a", 'A', false, true), Key("c", 'C', false, true);
  EXPECT_EQ(g.clipboard, "\xF0\x9F\x98\x80" "1\xF0\x9F\x98\x80");
  Key(nullptr, 0x23), Key(nullptr, 0x08);
  EXPECT_EQ(te->GetUnits().size(), 3u) << "Backspace takes the whole pair";
  Key(nullptr, 0x25), Key(nullptr, 0x25);
  EXPECT_EQ(te->GetEditState().cursor, 0) << "Left steps over the pair";
  Key(nullptr, 0x2E), Key(nullptr, 0x0D);
  EXPECT_EQ(log.back(), "plain.Text(1)");
  EXPECT_EQ(ITextEntryControl::ToUTF8(u"\xD800" "a"), "\xEF\xBF\xBD" "a") << "a lone surrogate keeps its unit";
  EXPECT_EQ(ITextEntryControl::ToUTF16("\xC0\xAF\xED\xA0\x80"), std::u16string(u"\uFFFD\uFFFD")) << "overlong, surrogate";
}

TEST_F(Entry, ARightClickOffersCutCopyPasteThroughTheInWindowMenu)
{
  g.AttachPopupMenuControl<IPopupMenuControl>(text);
  auto* pm = static_cast<IPopupMenuControl*>(g.GetPopupMenuControl());
  auto choose = [&](int item) {
    g.OnMouseDown(At(150, 110, IMouseMod(false, true))), g.OnMouseUp(At(150, 110, IMouseMod(false, true)));
    Advance(pm, 101);
    const IRECT r = *pm->GetPanel(0)->mCellBounds[item];
    pm->OnMouseOver(r.MW(), r.MH(), IMouseMod());
    g.OnMouseDown(At(r.MW(), r.MH())), g.OnMouseUp(At(r.MW(), r.MH()));
    Advance(pm, 101, 3);
  };
  Edit(plain, "ab");
  choose(0);
  EXPECT_EQ(pm->GetMenu()->GetItem(2)->GetText(), std::string("Paste"));
  EXPECT_EQ(te->GetStr(), "");
  EXPECT_EQ(g.clipboard, "ab");
  choose(2), choose(2);
  EXPECT_EQ(te->GetStr(), "abab");
  EXPECT_TRUE(te->EditInProgress()) << "the menu's clicks stay with the menu";
}

TEST_F(Entry, PromptsRunThroughTheInWindowPresentersAndAnOpenMenuKeepsItsCaller)
{
  g.AttachPopupMenuControl<IPopupMenuControl>(text);
  auto* pm = static_cast<IPopupMenuControl*>(g.GetPopupMenuControl());
  InputControl *mode = Caller("mode", 2), *other = Caller("other", 2);
  for (InputControl* c : {mode, other, gain})
    c->SetFlags(false, true, false);
  g.PromptUserInput(*mode, IRECT(400, 100, 440, 120), 0);
  Advance(pm, 101);
  g.PromptUserInput(*other, IRECT(), 0);
  EXPECT_EQ(g.GetControlInPopupMenu(), mode) << "refused while the first menu shows";
  EXPECT_EQ(g.GetPromptMenu().NItems(), 3) << "the menu on show keeps its items";
  const IRECT r = *pm->GetPanel(0)->mCellBounds[2];
  pm->OnMouseOver(r.MW(), r.MH(), IMouseMod());
  g.OnMouseDown(At(r.MW(), r.MH())), g.OnMouseUp(At(r.MW(), r.MH()));
  EXPECT_EQ(dlg.GetParam(2)->Int(), 2);
  EXPECT_EQ(g.Only("Platform"), Log{}) << "no platform menu or field";
  g.PromptUserInput(*gain, IRECT(), 0);
  EXPECT_EQ(te->GetStr(), "0.0");
  Key("3", '3'), Key(nullptr, 0x0D);
  EXPECT_DOUBLE_EQ(dlg.GetParam(0)->Value(), 3.0);
  Advance(pm, 101, 3);
  IPopupMenu menu("", {"x"});
  other->menuOnDown = &menu; // on top at (5, 305)
  log.clear(), g.OnMouseDown(At(5, 305));
  g.RemovePopupMenuControl();
  EXPECT_EQ(log, (Log{"Begin(2)", "other.Down", "other.Menu(-2)", "End(2)"})) << "a menu taken away unanswered still completes";
}

TEST_F(Entry, RemovingTheEntryWhileItsMenuShowsClosesTheMenuAtOnce)
{
  g.AttachPopupMenuControl<IPopupMenuControl>(text);
  auto* pm = static_cast<IPopupMenuControl*>(g.GetPopupMenuControl());
  for (double opened : {101.0, 30.0}) // expanded, still fading in
  {
    te = (g.AttachTextEntryControl<ITextEntryControl>(), static_cast<ITextEntryControl*>(g.GetTextEntryControl()));
    Edit(plain, "ab");
    g.OnMouseDown(At(150, 110, IMouseMod(false, true))), g.OnMouseUp(At(150, 110, IMouseMod(false, true)));
    Advance(pm, opened);
    ASSERT_NE(pm->GetState(), 0);
    g.RemoveTextEntryControl();
    EXPECT_EQ(pm->GetState(), 0) << opened;
    EXPECT_EQ(g.GetControlInPopupMenu(), nullptr);
    g.OnMouseOver(150, 110, IMouseMod()), Advance(pm, 101, 4), g.Tick();
  }
}
