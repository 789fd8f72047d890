#include "MacHarness.h"

#include <memory>

using namespace pwtest;
using namespace weft::canvas;

namespace {
std::string Str(NSString* s)
{
  return s ? [s UTF8String] : "(nil)";
}
} // namespace

TEST_F(MacHarness, PopupMenusShowNumberedNativeItemsAndReturnTheChoice)
{
  IPopupMenu menu("root", 2);
  menu.AddItem("A");
  menu.AddItem("", -1, IPopupMenu::Item::kSeparator);
  menu.AddItem("T", -1, IPopupMenu::Item::kTitle);
  menu.AddItem("C", -1, IPopupMenu::Item::kChecked);
  menu.AddItem("D", -1, IPopupMenu::Item::kDisabled);
  auto* sub = new IPopupMenu("sub", {"x", "y"});
  menu.AddItem("S", sub);
  int ran = 0;
  sub->SetFunction([&ran](IPopupMenu*) { ran++; });
  ICanvasMac* g = editor.Mac();
  auto pop = [&](NSArray* answer, int chosen) {
    Calls();
    PWShimAppKitSetMenuAnswer(answer);
    menu.SetChosenItemIdx(chosen);
    g->CreatePopupMenu(*editor.recorder, menu, IRECT(10, 20, 110, 40));
    EXPECT_TRUE(Calls().empty()) << "the menu waits for the main queue";
    RunMainQueue();
    return Take().back();
  };
  EXPECT_EQ(pop(@[ @5, @1 ], -1), "menu 1 0 sub");
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(Calls(), std::vector<std::string>({"popup 6 positioning -1 at 10 44"})) << "4 points below";
  NSMenu* shown = PWShimAppKitLastMenu();
  const char* titles[] = {"01: A", "", "03: T", "04: C", "05: D", "06: S"};
  for (NSInteger i = 0; i < 6; i++)
  {
    NSMenuItem* item = [shown itemAtIndex:i];
    EXPECT_EQ(Str([item title]), titles[i]);
    EXPECT_EQ([item isSeparatorItem], i == 1);
    EXPECT_EQ([item indentationLevel], i == 2 ? 1 : 0);
    EXPECT_EQ([item state], i == 3 ? NSControlStateValueOn : NSControlStateValueOff);
    EXPECT_EQ([item isEnabled], i != 4);
  }
  EXPECT_EQ(Str([[[shown itemAtIndex:5] submenu] itemAtIndex:1].title), "y");

  EXPECT_EQ(pop(@[ @3 ], 0), "menu 3 0 root");
  EXPECT_EQ(Calls(), std::vector<std::string>({"popup 6 positioning 0 at 10 20"})) << "over the chosen item";
  EXPECT_EQ(pop(@[ @0 ], 99), "menu 0 0 root");
  EXPECT_EQ(Calls(), std::vector<std::string>({"popup 6 positioning -1 at 10 44"})) << "no such item: below";
  for (NSArray* none : {(NSArray*)nil, @[ @1 ], @[ @4 ], @[ @5 ], @[ @7 ]})
    EXPECT_EQ(pop(none, -1), "menu none");
  EXPECT_EQ(ran, 1);
}

TEST_F(MacHarness, APopupQueuedAcrossAnEditorCloseIsDropped)
{
  auto menu = std::make_unique<IPopupMenu>("root", std::initializer_list<const char*>{"a"});
  PWShimAppKitSetMenuAnswer(@[ @0 ]);
  editor.Mac()->CreatePopupMenu(*editor.recorder, *menu, IRECT(0, 0, 10, 10));
  editor.CloseWindow();
  menu.reset();
  RunMainQueue();
  EXPECT_TRUE(Calls().empty());
  view = static_cast<NSView*>(editor.OpenWindow([host contentView]));
}

namespace {

struct ContextOwner : Recorder
{
  ContextOwner(Log& log, std::vector<const char*> items) : Recorder(IRECT(0, 0, 10, 10), log), items(std::move(items)) {}
  void CreateContextMenu(IPopupMenu& menu) override
  {
    for (const char* str : items)
      menu.AddItem(str);
  }
  void OnContextSelection(int idx) override { log.push_back(std::string("context ") + std::to_string(idx) + " " + items[0]); }
  std::vector<const char*> items;
  IPopupMenu own{"own", {"x"}};
};

} // namespace

TEST_F(MacHarness, AMenuAskedForWhileOneIsQueuedIsRefusedAndTheQueuedOneShowsWhole)
{
  ICanvasMac* g = editor.Mac();
  auto* a = static_cast<ContextOwner*>(g->AttachControl(new ContextOwner(editor.log, {"a1", "a2"})));
  auto* b = static_cast<ContextOwner*>(g->AttachControl(new ContextOwner(editor.log, {"b1"})));
  PWShimAppKitSetMenuAnswer(@[ @1 ]);
  Calls(), Take();
  g->PopupHostContextMenuForParam(a, -1, 5, 5);
  g->PopupHostContextMenuForParam(b, -1, 5, 5);
  g->CreatePopupMenu(*b, b->own, IRECT(0, 0, 10, 10));
  RunMainQueue();
  EXPECT_EQ(Calls().size(), 1u) << "one menu shows";
  NSMenu* shown = PWShimAppKitLastMenu();
  ASSERT_EQ([shown numberOfItems], 2);
  EXPECT_EQ(Str([[shown itemAtIndex:0] title]), "a1") << "not cleared by the refused request";
  EXPECT_EQ(Take(), Log{"context 1 a1"});
  g->PopupHostContextMenuForParam(b, -1, 5, 5);
  RunMainQueue();
  EXPECT_EQ(Take(), Log{"context -1 b1"}) << "answered, the next request shows";
}

TEST_F(MacHarness, AQueuedMenuWhoseControlGoesNeverShowsAndEndsUnanswered)
{
  ICanvasMac* g = editor.Mac();
  auto* owner = static_cast<ContextOwner*>(g->AttachControl(new ContextOwner(editor.log, {"x"})));
  PWShimAppKitSetMenuAnswer(@[ @0 ]);
  Calls(), Take();
  g->CreatePopupMenu(*owner, owner->own, IRECT(0, 0, 10, 10));
  g->RemoveControl(owner);
  EXPECT_EQ(Take(), Log{"menu none"});
  EXPECT_EQ(g->GetPendingPlatformMenu(), 0u);
  RunMainQueue();
  EXPECT_TRUE(Calls().empty()) << "its menu went with it";

  IPopupMenu menu("root", {"a"});
  g->CreatePopupMenu(*editor.recorder, menu, IRECT(0, 0, 10, 10));
  g->CloseWindow();
  EXPECT_EQ(Take(), Log{"menu none"}) << "a closed window shows no queued menu";
  EXPECT_EQ(g->GetPendingPlatformMenu(), 0u);
}

TEST_F(MacHarness, ClosingTheWindowEndsAMenuShowingInItAsADismissal)
{
  ICanvasMac* g = editor.Mac();
  auto* popup = new StandInPopup();
  g->AttachPopupMenuControl(popup);
  IPopupMenu menu("root", {"a"});
  Take();
  g->CreatePopupMenu(*editor.recorder, menu, IRECT(0, 0, 10, 10));
  popup->state = 1;
  g->CloseWindow(); // the popup goes with the window's overlays
  EXPECT_EQ(Take(), Log{"menu none"}) << "the control hears the menu end";
  EXPECT_EQ(g->GetControlInPopupMenu(), nullptr);
}

TEST_F(MacHarness, TheTextFieldFiltersTypingByParameterAndCommits)
{
  ICanvasMac* g = editor.Mac();
  auto* steps = static_cast<Recorder*>(g->AttachControl(new Recorder(IRECT(0, 0, 1, 1), editor.log, 1)));
  auto* untyped = static_cast<Recorder*>(g->AttachControl(new Recorder(IRECT(0, 0, 1, 1), editor.log, 2)));
  struct Case
  {
    IControl* control;
    int length;
    NSString* typed;
    NSInteger taken;
  };
  const Case cases[] = {{steps, 7, @"1.5", 2},       {editor.knob, 7, @"1.5", 3}, {steps, 3, @"1234", 3},
                        {untyped, 7, @"12", 0},      {editor.recorder, 3, @"123456", 6}};
  for (const Case& c : cases)
  {
    if (auto* r = dynamic_cast<Recorder*>(c.control))
      r->SetEntryLength(c.length);
    g->CreateTextEntry(*c.control, IText(), IRECT(10, 10, 100, 30), "");
    EXPECT_EQ(PWShimAppKitType(host, c.typed), c.taken) << Str(c.typed);
    g->ForceEndUserEdit();
    EXPECT_FALSE(g->IsInPlatformTextEntry());
  }

  IText text(20);
  text.mAlign = EAlign::Far;
  g->CreateTextEntry(*editor.knob, text, IRECT(10, 10, 100, 30), "5");
  NSTextField* field = [[view subviews] lastObject];
  EXPECT_EQ([field alignment], NSTextAlignmentRight);
  EXPECT_FALSE([[field font] fontDescriptor]) << "never cached: the system font";
  EXPECT_EQ([[field font] pointSize], 20);
  EXPECT_EQ([[field currentEditor] insertionPointColor], [field textColor]);
  g->CreateTextEntry(*editor.recorder, IText(), IRECT(0, 0, 50, 50), "no");
  EXPECT_EQ([[view subviews] count], 1u) << "a second request is ignored";
  PWShimAppKitType(host, @"2");
  g->SetAllControlsClean();
  PWShimAppKitPressReturn(host);
  EXPECT_DOUBLE_EQ(editor.GetParam(0)->Value(), 52);
  EXPECT_TRUE(editor.knob->IsDirty());
  EXPECT_EQ([[view subviews] count], 0u);
  EXPECT_EQ([host firstResponder], view);
  EXPECT_FALSE(g->IsInPlatformTextEntry());

  g->CreateTextEntry(*editor.recorder, IText(), IRECT(0, 0, 50, 50), "ab");
  Take();
  [host makeFirstResponder:nil];
  EXPECT_EQ(Take(), Log({"text ab"})) << "losing focus commits";
}

TEST_F(MacHarness, DraggingAKnobReachesTheDelegateAsAGesture)
{
  editor.knob->SetValue(0.5);
  Mouse(PWShimMouseLeftDown, 750, 50);
  Mouse(PWShimMouseLeftDrag, 750, 40);
  Mouse(PWShimMouseLeftUp, 750, 40);
  EXPECT_EQ(Take(), Log({"begin 0", "value 0", "end 0"}));
  EXPECT_NEAR(editor.GetParam(0)->Value(), 52.5, 1e-9) << "10 points up a 100-point knob at gearing 4";
}

TEST_F(MacHarness, MessageBoxesMapTheirButtons)
{
  const EMsgBoxResult results[][3] = {{kOK, kOK, kOK},         {kOK, kCANCEL, kCANCEL},   {kCANCEL, kCANCEL, kCANCEL},
                                      {kYES, kNO, kCANCEL},     {kYES, kNO, kNO},          {kRETRY, kCANCEL, kCANCEL},
                                      {kCANCEL, kCANCEL, kCANCEL}};
  for (int kind = 0; kind <= 6; kind++)
  {
    for (int button = 0; button < 3; button++)
    {
      PWShimAppKitSetAlertAnswer(button);
      EMsgBoxResult completed = kNoResult;
      EXPECT_EQ(editor.Mac()->ShowMessageBox("Text", nullptr, static_cast<EMsgBoxType>(kind),
                                             [&](EMsgBoxResult r) { completed = r; }),
                results[kind][button])
        << kind << " " << button;
      EXPECT_EQ(completed, results[kind][button]);
    }
  }
  Calls();
  editor.Mac()->ShowMessageBox("Text", "Caption", kMB_YESNO);
  EXPECT_EQ(Calls(), std::vector<std::string>({"alert Caption | Text | Yes,No"}));
}

TEST_F(MacHarness, FilePromptsAnswerModalOrAsSheets)
{
  ICanvasMac* g = editor.Mac();
  PWShimAppKitSetPanelAnswer(@"/music/take/song.wav");
  LOOM_String file("old.wav"), path("/start");
  g->PromptForFile(file, path, EFileAction::Save, "wav aif");
  EXPECT_EQ(std::string(file.Get()) + "|" + path.Get(), "/music/take/song.wav|/music/take/");
  EXPECT_EQ(Calls(), std::vector<std::string>({"panel save modal dir /start name old.wav types wav,aif files 1 dirs 0 title "}));
  PWShimAppKitSetPanelAnswer(nil);
  g->PromptForFile(file, path, EFileAction::Open);
  EXPECT_EQ(std::string(file.Get()) + "|" + path.Get(), "|/music/take/") << "cancel keeps the path";

  PWShimAppKitSetPanelAnswer(@"/music/b.aif");
  std::vector<std::string> answers;
  auto collect = [&](const LOOM_String& f, const LOOM_String& p) { answers.push_back(std::string(f.Get()) + "|" + p.Get()); };
  file.Set("x");
  g->PromptForFile(file, path, EFileAction::Open, "", collect);
  EXPECT_TRUE(answers.empty()) << "a sheet ends when the main queue runs";
  EXPECT_STREQ(file.Get(), "");
  RunMainQueue();
  EXPECT_EQ(answers, std::vector<std::string>({"/music/b.aif|/music/"}));

  g->PromptForFile(file, path, EFileAction::Open, "", collect);
  editor.CloseWindow();
  RunMainQueue();
  EXPECT_EQ(answers.size(), 1u) << "a sheet answered after the editor closed reaches nobody";

  view = static_cast<NSView*>(editor.OpenWindow(nil)); // no window: no sheet
  editor.Mac()->PromptForFile(file, path, EFileAction::Open, "", collect);
  EXPECT_EQ(answers.size(), 2u) << "run modal, the completion still called";
  EXPECT_NE(Calls().back().find("panel open modal"), std::string::npos);
}

TEST_F(MacHarness, DirectoryPromptsStartOnTheDesktop)
{
  ICanvasMac* g = editor.Mac();
  LOOM_String dir;
  std::vector<std::string> answers;
  PWShimAppKitSetPanelAnswer(nil);
  g->PromptForDirectory(dir, [&](const LOOM_String& f, const LOOM_String& d) {
    answers.push_back(std::string(f.Get()) + "|" + d.Get());
  });
  EXPECT_STREQ(dir.Get(), "~/Desktop");
  RunMainQueue();
  EXPECT_EQ(answers, std::vector<std::string>({"|"}));
  const std::string call = Calls().at(0);
  EXPECT_NE(call.find("panel open sheet"), std::string::npos);
  EXPECT_NE(call.find("files 0 dirs 1 title Choose a Directory"), std::string::npos);
  PWShimAppKitSetPanelAnswer(@"/music/sets");
  g->PromptForDirectory(dir);
  EXPECT_STREQ(dir.Get(), "/music/sets/");
}

TEST_F(MacHarness, TheColourPanelCallsBackUntilTheEditorCloses)
{
  std::vector<IColor> picked;
  IColor start(255, 10, 20, 30);
  ASSERT_TRUE(editor.Mac()->PromptForColor(start, "", [&](const IColor& c) { picked.push_back(c); }));
  NSColorPanel* panel = [NSColorPanel sharedColorPanel];
  EXPECT_TRUE([panel isVisible]);
  EXPECT_EQ(FromNSColor([panel color]), start);
  PWShimAppKitChangeColor([NSColor colorWithDeviceRed:0.5 green:0.999 blue:0.2 alpha:1]);
  PWShimAppKitChangeColor([NSColor colorWithDeviceRed:0 green:0 blue:0 alpha:0.5]);
  EXPECT_EQ(picked, std::vector<IColor>({IColor(255, 127, 254, 51), IColor(127, 0, 0, 0)})) << "truncated";
  editor.CloseWindow();
  EXPECT_FALSE([panel target]);
  EXPECT_FALSE([panel isVisible]) << "closed with the editor, not left on screen detached";
  PWShimAppKitChangeColor([NSColor colorWithDeviceRed:1 green:1 blue:1 alpha:1]);
  EXPECT_EQ(picked.size(), 2u);
}

TEST_F(MacHarness, TheViewAnswersTheCurrentCoreGraphicsContextRewrappedFlipped)
{
  ICanvasView_vPressweave_au* editorView = (ICanvasView_vPressweave_au*)view;
  EXPECT_EQ([editorView getCGContextRef], nullptr) << "no graphics context is current";
  CGColorSpaceRef space = CGColorSpaceCreateDeviceRGB();
  CGContextRef bitmap = CGBitmapContextCreate(nullptr, 8, 8, 8, 0, space, kCGImageAlphaPremultipliedLast);
  [NSGraphicsContext setCurrentContext:[NSGraphicsContext graphicsContextWithCGContext:bitmap flipped:NO]];
  Calls();
  EXPECT_EQ([editorView getCGContextRef], bitmap);
  EXPECT_EQ(Calls(), std::vector<std::string>({"graphicsContext flipped 1"}));
  [NSGraphicsContext setCurrentContext:nil];
  CGContextRelease(bitmap);
  CGColorSpaceRelease(space);
}
