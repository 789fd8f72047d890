#include "MacHarness.h"

#include <CoreGraphics/PWShimCoreGraphics.h>

#include <algorithm>

using namespace pwtest;
using namespace weft::canvas;

namespace {
constexpr NSEventModifierFlags kShift = NSEventModifierFlagShift, kCommand = NSEventModifierFlagCommand,
                               kControl = NSEventModifierFlagControl, kOption = NSEventModifierFlagOption;

std::string CursorCalls()
{
  char text[1024];
  PWShimCGCopyCursorCalls(text, sizeof(text));
  PWShimCGClearCursorCalls();
  return text;
}

std::string CurrentCursor()
{
  return [PWShimAppKitCursorName([NSCursor currentCursor]) UTF8String];
}
} // namespace

TEST(MacKeys, EveryKeyCodeMapsAsTheTableSays)
{
  const std::pair<int, int> table[] = {
    {51, 8},    {65, 110},  {67, 106},  {69, 107},  {71, 144},  {75, 111},  {76, 32781}, {78, 109}, {81, 108},
    {82, 96},   {83, 97},   {84, 98},   {85, 99},   {86, 100},  {87, 101},  {88, 102},   {89, 103}, {91, 104},
    {92, 105},  {96, 116},  {97, 117},  {98, 118},  {99, 114},  {100, 119}, {101, 120},  {103, 122}, {105, 124},
    {106, 127}, {107, 125}, {109, 121}, {111, 123}, {113, 126}, {114, 45},  {115, 36},   {116, 33}, {117, 46},
    {118, 115}, {119, 35},  {120, 113}, {121, 34},  {122, 112}, {123, 37},  {124, 39},   {125, 40}, {126, 38}};
  for (int code = -1; code < 300; code++)
  {
    const auto it = std::find_if(std::begin(table), std::end(table), [code](auto& e) { return e.first == code; });
    EXPECT_EQ(MacKeyCodeToVK(code), it == std::end(table) ? 0 : it->second) << code;
  }
}

TEST_F(MacHarness, KeysReachTheEditorAsVirtualKeysWithTheirText)
{
  struct Case
  {
    unsigned short code;
    NSString* chars;
    NSEventModifierFlags mods;
    const char* expected;
  };
  const Case cases[] = {
    {0, @"A", kShift, "key 65 0 'A'S"},           // a letter keeps Shift
    {43, @",", kShift, "key 0 0 ','"},            // punctuation: no code, no Shift
    {56, @"", kShift, "key 1080 0 ''S"},          // a bare modifier: code + 1024
    {76, @"\x03", 0, "key 32781 0 '\x03'"},       // keypad Enter, not Return
    {122, @"\uF704", 0, "key 112 0 '\xEF\x9C\x84'"}, // F1 by the table
    {50, @"\uF704", 0, "key 112 0 '\xEF\x9C\x84'"},  // F1 by the function-key range
    {0, @"a", kCommand | kOption, "key 65 0 'a'CA"}, // Command is control
    {0, @"a", kControl, "key 65 0 'a'"},          // Control is not passed on
    {48, @"\x19", kCommand, "key 9 0 '\x19'C"},   // back-tab with Command is tab
    {0, @"\u00e9", 0, "key 0 0 '\u00e9'"},        // isalnum is for ASCII only
  };
  for (const Case& c : cases)
  {
    PWShimAppKitKey(host, YES, c.code, c.chars, c.mods);
    const Log log = Take();
    ASSERT_EQ(log.size(), 1u) << c.expected;
    EXPECT_EQ(log[0], c.expected);
  }
  EXPECT_TRUE(Calls().empty());
  editor.recorder->takesKeys = false;
  PWShimAppKitKey(host, YES, 3, @"f", 0);
  PWShimAppKitKey(host, NO, 3, @"f", 0);
  EXPECT_EQ(Calls(), std::vector<std::string>({"unhandled keyDown 3", "unhandled keyUp 3"}));
}

TEST_F(MacHarness, ClicksArriveInEditorCoordinatesWithCountsAndModifiers)
{
  editor.Mac()->Resize(1000, 400, 1.5f);
  for (NSInteger clicks : {1, 2, 3, 4, 0})
  {
    Mouse(PWShimMouseLeftDown, 10.5, 20.25, clicks);
    Mouse(PWShimMouseLeftUp, 10.5, 20.25);
  }
  Mouse(PWShimMouseLeftDown, 30, 40, 1, kCommand | kShift);
  Mouse(PWShimMouseLeftUp, 30, 40, 1, kCommand | kShift);
  Mouse(PWShimMouseRightDown, 30, 40, 1, kControl | kOption);
  Mouse(PWShimMouseRightUp, 30, 40, 1, kControl | kOption);
  Log log = Take();
  log.erase(std::remove_if(log.begin(), log.end(), [](auto& l) { return l.rfind("up", 0) == 0 || l.rfind("over", 0) == 0; }),
            log.end());
  EXPECT_EQ(log, Log({"down 10.5 20.25 L", "dbl 10.5 20.25 L", "down 10.5 20.25 L", "dbl 10.5 20.25 L",
                      "down 10.5 20.25 L", "down 30 40 LRS", "down 30 40 RCA"}));
}

TEST_F(MacHarness, DragsCarryDeltasAndAMouseOutWaitsForTheRelease)
{
  Mouse(PWShimMouseMove, 50, 50);
  Mouse(PWShimMouseLeftDown, 50, 50);
  Mouse(PWShimMouseLeftDrag, 55, 47);
  Mouse(PWShimMouseLeftDrag, 1100, 40); // out of the editor, still captured
  Take();
  Mouse(PWShimMouseLeftUp, 1100, 40);
  Log log = Take();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "up 1100 40 L");
  EXPECT_EQ(log.back(), "out");

  Mouse(PWShimMouseMove, 50, 50);
  Mouse(PWShimMouseLeftDown, 50, 50);
  Mouse(PWShimMouseLeftDrag, 55, 47);
  Mouse(PWShimMouseLeftDrag, 58, 57);
  Mouse(PWShimMouseLeftUp, 58, 57);
  log = Take();
  EXPECT_EQ(std::count(log.begin(), log.end(), "out"), 0) << "re-entering cleared the deferred mouse-out";
  EXPECT_NE(std::find(log.begin(), log.end(), "drag 5 -3 L"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "drag 3 10 L"), log.end());
  Mouse(PWShimMouseMove, 1100, 40);
  EXPECT_EQ(Take(), Log({"out"}));
}

TEST_F(MacHarness, AnOpenTextFieldStopsDragsAndTheWheelClosesItFirst)
{
  ICanvasMac* g = editor.Mac();
  g->CreateTextEntry(*editor.recorder, IText(), IRECT(10, 10, 100, 30), "12");
  ASSERT_TRUE(g->IsInPlatformTextEntry());
  Mouse(PWShimMouseLeftDown, 200, 200);
  Mouse(PWShimMouseLeftDrag, 210, 200);
  Mouse(PWShimMouseRightDrag, 220, 200);
  Log log = Take();
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](auto& l) { return l.rfind("drag", 0) == 0; }), 0);
  Mouse(PWShimMouseLeftUp, 220, 200);
  PWShimAppKitMouseEx(view, 1.0, PWShimMouseWheel, 200, 200, 0, 0, NSEventSubtypeMouseEvent, -1.5);
  EXPECT_FALSE(g->IsInPlatformTextEntry());
  EXPECT_EQ([[view subviews] count], 0u);
  log = Take();
  EXPECT_EQ(log.back(), "wheel -1.5 0");
  EXPECT_EQ(std::count(log.begin(), log.end(), "text 12"), 0) << "closing by the wheel commits nothing";
}

TEST_F(MacHarness, ALockedHiddenCursorFreezesThePositionButATabletNeverWarps)
{
  ICanvasMac* g = editor.Mac();
  Mouse(PWShimMouseLeftDown, 50, 150); // on screen (150, 450)
  g->HideMouseCursor(true, true);
  CursorCalls();
  Mouse(PWShimMouseLeftDrag, 60, 170);
  Mouse(PWShimMouseLeftDrag, 70, 190);
  EXPECT_EQ(Take(), Log({"down 50 150 L", "drag 10 20 L", "drag 20 40 L"})) << "moves from the frozen lock point";
  EXPECT_EQ(CursorCalls(), "associate 0\nmove 150 450\nassociate 1\nassociate 0\nmove 150 450\nassociate 1\n");
  PWShimAppKitMouseEx(view, 1.0, PWShimMouseLeftDrag, 80, 190, 0, 0, NSEventSubtypeTabletPoint, 0);
  EXPECT_EQ(CursorCalls(), "") << "not even the first tablet event warps";
  EXPECT_EQ(Take(), Log({"drag 30 40 L"}));
  g->HideMouseCursor(false);
}

TEST_F(MacHarness, CursorShapesFollowWhatTheSystemOffers)
{
  const char* withPrivate[] = {"arrow", "IBeam", "busyButClickable", "crosshair", "windowResizeNorth",
                               "windowResizeNorthWestSouthEast", "windowResizeNorthEastSouthWest",
                               "windowResizeEastWest", "windowResizeNorthSouth", "arrow", "operationNotAllowed",
                               "pointingHand", "busyButClickable", "help"};
  const char* without[] = {"arrow", "IBeam", "arrow", "crosshair", "resizeUp", "arrow", "arrow", "resizeLeftRight",
                           "resizeUpDown", "arrow", "operationNotAllowed", "pointingHand", "arrow", "arrow"};
  for (BOOL offers : {YES, NO})
  {
    PWShimAppKitSetCursorOffersPrivate(offers);
    for (int shape = 0; shape <= 13; shape++)
    {
      editor.Mac()->SetMouseCursor(static_cast<ECursor>(shape));
      EXPECT_EQ(CurrentCursor(), (offers ? withPrivate : without)[shape]) << shape;
    }
  }
  PWShimAppKitSetCursorOffersPrivate(YES);
  PWShimAppKitSetHelpCursorShown(YES);
  editor.Mac()->SetMouseCursor(ECursor::HELP);
  EXPECT_TRUE([NSCursor helpCursorShown]);
  editor.Mac()->SetMouseCursor(ECursor::HAND);
  EXPECT_FALSE([NSCursor helpCursorShown]);
}

TEST_F(MacHarness, TheMoveCursorIsBuiltFromTheArtworkAtFourScales)
{
  NSString* artwork = @"/System/Library/Frameworks/ApplicationServices.framework/Versions/A/Frameworks/"
                      @"HIServices.framework/Versions/A/Resources/cursors/move/cursor.pdf";
  for (const auto& [size, reps] : std::vector<std::pair<double, NSUInteger>>{{0, 0}, {24, 4}, {0.4, 2}})
  {
    if (size > 0)
      PWShimAppKitRegisterImage(artwork, NSMakeSize(size, size));
    view = static_cast<NSView*>(editor.OpenWindow([host contentView]));
    editor.Mac()->SetMouseCursor(ECursor::SIZEALL);
    NSCursor* cursor = [NSCursor currentCursor];
    EXPECT_EQ(CurrentCursor(), reps ? "image" : "arrow") << size;
    // A scale whose bitmap has no pixels is skipped: 0.4 points make none at 1x and 2x.
    EXPECT_EQ([[[cursor image] representations] count], reps) << size;
    if (reps)
      EXPECT_EQ([[[[cursor image] representations] lastObject] pixelsWide], static_cast<NSInteger>(size * 4));
  }
}
