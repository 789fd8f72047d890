#include "../Drawing/VG/FontTestFonts.h"
#include "ICanvasMacView.h"
#include "IGEditorDelegate.h"
#include "IOverlayControlBases.h"
#include "MacHarness.h"
#include "MacTestFiles.h"
#include "VGMetal.h"

#include <AppKit/PWShimAppKit.h>
#include <CoreGraphics/PWShimCoreGraphics.h>
#include <CoreServices/CoreServices.h>
#include <Metal/PWShimMetal.h>
#import <QuartzCore/QuartzCore.h>

using namespace pwtest;
using namespace weft::canvas;

namespace {
constexpr char kID[] = "com.Corvantis x Lumidrake.audiounit.Pressweave";

struct Probe : IControl
{
  explicit Probe(const IRECT& r, const char* tip = "probe") : IControl(r) { SetTooltip(tip); }
  void Draw(ICanvas& g) override
  {
    g.FillRect(COLOR_RED, mRECT);
    g.DrawText(IText(40, COLOR_WHITE, "Roboto-Regular"), "Pw", mRECT);
    draws++;
  }
  void OnDrop(const char* path) override { drops.push_back({path}); }
  void OnDropMultiple(const std::vector<const char*>& paths) override { drops.emplace_back(paths.begin(), paths.end()); }
  void OnRescale() override { rescales++; }
  int draws = 0, rescales = 0;
  std::vector<std::vector<std::string>> drops;
};

struct Editor : weft::IGEditorDelegate
{
  Editor() : IGEditorDelegate(1)
  {
    SetMakeGraphicsFunc([this] {
      auto* g = new ICanvasMac(*this, 1000, 400, 60, 1.0f);
      g->SetBundleID(kID);
      return g;
    });
    SetLayoutFunc([this](ICanvas* g) {
      layouts++;
      fontLoaded = g->LoadFont("Roboto-Regular", "Roboto-Regular.ttf");
      g->EnableTooltips(true);
      g->AttachPanelBackground(IPattern(COLOR_GRAY));
      probe = static_cast<Probe*>(g->AttachControl(new Probe(IRECT(100, 100, 300, 200))));
      g->AttachControl(new Probe(IRECT(0, 0, 10, 10)))->Hide(true);
      g->AttachControl(new Probe(IRECT(20, 0, 30, 10), nullptr));
    });
  }
  void BeginInformHostOfParamChangeFromUI(int) override {}
  void EndInformHostOfParamChangeFromUI(int) override {}
  ICanvasMac* Mac() const { return static_cast<ICanvasMac*>(GetUI()); }
  NSView* View() const { return Mac() ? static_cast<NSView*>(Mac()->GetWindow()) : nil; }
  int layouts = 0;
  bool fontLoaded = false;
  Probe* probe = nullptr;
};

class MacEditor : public ::testing::Test
{
protected:
  MacEditor()
  {
    tree.Bundle(kID, "Pressweave.component");
    std::ifstream in(kRobotoPath, std::ios::binary);
    tree.File("Pressweave.component/Contents/Resources/Roboto-Regular.ttf", {std::istreambuf_iterator<char>(in), {}});
    PWShimAppKitSetMainScreen(NSMakeRect(0, 0, 1440, 900), 1.0);
    PWShimAppKitClearCalls();
    PWShimCGClearCursorCalls();
  }
  ~MacEditor() override
  {
    [host release];
    [pool release];
  }
  NSView* Parent() const { return [host contentView]; }
  static std::string CursorCalls()
  {
    char text[1024];
    PWShimCGCopyCursorCalls(text, sizeof(text));
    PWShimCGClearCursorCalls();
    return text;
  }
  static std::vector<std::string> Calls()
  {
    std::vector<std::string> lines;
    for (NSString* line in PWShimAppKitCalls())
      lines.push_back([line UTF8String]);
    PWShimAppKitClearCalls();
    return lines;
  }
  static void Finish(ICanvasMac* g)
  {
    id<MTLCommandBuffer> fence = [(id<MTLCommandQueue>)mvgCommandQueue((VGcontext*)g->GetDrawContext()) commandBuffer];
    [fence commit], [fence waitUntilCompleted];
  }

  TempTree tree;
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  NSWindow* host = PWShimAppKitMakeWindow(NSMakeRect(100, 200, 1200, 600), 1.0);
};

std::vector<int> Pixel(CAMetalLayer* layer, int x, int y)
{
  uint8_t p[4] = {};
  const int width = static_cast<int>(layer.drawableSize.width);
  [layer.pwPresentedTexture getBytes:p bytesPerRow:width * 4 fromRegion:MTLRegionMake2D(x, y, 1, 1) mipmapLevel:0];
  return {p[2], p[1], p[0]}; // BGRA on screen
}
} // namespace

TEST_F(MacEditor, OpensThroughTheDelegateAndDrawsOnTheViewsTimer)
{
  Editor e;
  NSView* view = [static_cast<NSView*>(e.OpenWindow(Parent())) retain];
  ASSERT_TRUE(view);
  EXPECT_TRUE(e.fontLoaded);
  EXPECT_EQ([view superview], Parent());
  auto* layer = (CAMetalLayer*)[view layer];
  EXPECT_EQ(layer.drawableSize.width, 1000);
  PWShimAppKitRunFor(10);
  EXPECT_EQ(e.probe->draws, 0) << "a 60 fps timer has not fired after 10 ms";
  PWShimAppKitRunFor(7);
  EXPECT_EQ(e.probe->draws, 1);
  Finish(e.Mac());
  EXPECT_EQ(layer.pwPresentCount, 1u);
  const std::string png = ::testing::TempDir() + "mac-editor.png";
  EXPECT_TRUE(PWMTLWriteTexturePNG(layer.pwPresentedTexture, png.c_str()));
  EXPECT_EQ(Pixel(layer, 110, 190), std::vector<int>({255, 0, 0})) << png;
  EXPECT_EQ(Pixel(layer, 50, 300), std::vector<int>({127, 127, 127})) << png;
  int ink = 0;
  for (int y = 110; y < 190; y++)
    for (int x = 110; x < 290; x++) ink += Pixel(layer, x, y)[1] > 200;
  EXPECT_GT(ink, 100) << "white text in the bundle font, " << png;
  PWShimAppKitRunFor(50);
  Finish(e.Mac());
  EXPECT_EQ(layer.pwPresentCount, 1u) << "clean ticks present nothing";

  void* second = e.OpenWindow(Parent());
  EXPECT_FALSE([view superview]);
  [view release];
  ASSERT_EQ([[Parent() subviews] count], 1u);
  EXPECT_EQ([[Parent() subviews] objectAtIndex:0], second);
  EXPECT_EQ(e.layouts, 2);
  e.CloseWindow();
  EXPECT_EQ([[Parent() subviews] count], 0u);
  EXPECT_FALSE(e.GetUI());
}

TEST_F(MacEditor, FollowsBackingScaleResizesAndConvertsCoordinates)
{
  Editor e;
  NSView* view = static_cast<NSView*>(e.OpenWindow(Parent()));
  ICanvasMac* g = e.Mac();
  auto* layer = (CAMetalLayer*)[view layer];
  const int rescales = e.probe->rescales;
  PWShimAppKitSetBackingScale(host, 2.0);
  PWShimAppKitSetBackingScale(host, 2.0);
  EXPECT_EQ(e.probe->rescales, rescales + 1) << "the screen scale changes once";
  EXPECT_EQ(g->GetScreenScale(), 2.0f);
  EXPECT_EQ(layer.drawableSize.width, 2000);
  EXPECT_EQ(layer.drawableSize.height, 800);

  g->Resize(1000, 400, 1.5f);
  EXPECT_EQ([view frame].size.width, 1500);
  EXPECT_EQ([view frame].size.height, 600);
  EXPECT_EQ(PWShimAppKitLastAnimationDuration(), 0.0);
  EXPECT_EQ(layer.drawableSize.width, 3000);
  const NSRect r = ToNSRect(g, IRECT(10.3f, 20.7f, 50.2f, 60.1f));
  EXPECT_EQ(std::vector<double>({r.origin.x, r.origin.y, r.size.width, r.size.height}),
            std::vector<double>({15, 31, 61, 60}));

  g->Resize(1000, 400, 2.0f); // view 2000 x 800, window at (100, 200)
  float x = 10, y = 20;
  g->PointToScreen(x, y);
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(120.0f, 960.0f));
  g->ScreenToPoint(x, y);
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(10.0f, 20.0f));
  PWShimAppKitSetMouseLocation(NSMakePoint(120, 960));
  g->GetMouseLocation(x = 0, y = 0);
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(10.0f, 20.0f));
}

TEST_F(MacEditor, HidesLocksAndWarpsTheCursor)
{
  Editor e;
  e.OpenWindow(Parent());
  ICanvasMac* g = e.Mac();
  g->Resize(1000, 400, 2.0f);
  PWShimCGSetMainDisplayPixelsHigh(1200);
  PWShimAppKitSetMouseLocation(NSMakePoint(120.4, 959.6)); // editor (10, 20)
  CursorCalls();
  g->HideMouseCursor(true, true);
  g->HideMouseCursor(true, false);
  EXPECT_EQ(CursorCalls(), "hide\n") << "hiding a hidden cursor changes nothing";
  float px = 0, py = 0;
  g->DoCursorLock(50, 60, px, py);
  EXPECT_EQ(std::make_pair(px, py), std::make_pair(10.0f, 20.0f)) << "locked: the position stays";
  EXPECT_EQ(CursorCalls(), "associate 0\nmove 120 240\nassociate 1\n");
  g->SetTabletInput(true);
  g->DoCursorLock(50, 60, px, py);
  g->MoveMouseCursor(1, 1);
  EXPECT_EQ(std::make_pair(px, py), std::make_pair(50.0f, 60.0f));
  EXPECT_EQ(CursorCalls(), "") << "tablets are never warped";
  g->SetTabletInput(false);
  g->DoCursorLock(10, 20, px, py);
  CursorCalls();
  g->HideMouseCursor(false);
  EXPECT_EQ(CursorCalls(), "associate 0\nmove 120 240\nassociate 1\nshow\n") << "shown back at the lock point";
  g->MoveMouseCursor(10, 20);
  EXPECT_EQ(CursorCalls(), "associate 0\nmove 120 240\nassociate 1\n");

  NSProcessInfo* process = [NSProcessInfo processInfo];
  NSString* name = [[process processName] retain];
  [process setProcessName:@"AUHostingServiceXPC"];
  g->HideMouseCursor(true);
  [process setProcessName:name];
  [name release];
  EXPECT_EQ(CursorCalls(), "") << "not in an XPC host";
}

TEST_F(MacEditor, ClipboardURLsRevealAndDragOut)
{
  Editor e;
  e.OpenWindow(Parent());
  ICanvasMac* g = e.Mac();
  LOOM_String text;
  EXPECT_TRUE(g->SetTextInClipboard("h\xC3\xA9llo"));
  EXPECT_TRUE(g->GetTextFromClipboard(text));
  EXPECT_STREQ(text.Get(), "h\xC3\xA9llo");
  EXPECT_TRUE(g->SetFilePathInClipboard("/tmp/a b.wav"));
  EXPECT_FALSE(g->GetTextFromClipboard(text));
  EXPECT_STREQ(text.Get(), "");
  EXPECT_STREQ([[[NSPasteboard generalPasteboard] stringForType:NSPasteboardTypeFileURL] UTF8String],
               "file:///tmp/a%20b.wav");

  EXPECT_TRUE(g->OpenURL("https://example.com/x"));
  EXPECT_TRUE(g->OpenURL("/tmp/notes.txt"));
  EXPECT_FALSE(g->OpenURL(""));
  EXPECT_FALSE(g->OpenURL(nullptr));
  PWShimAppKitSetWorkspaceAnswer(NO);
  EXPECT_FALSE(g->OpenURL("https://example.com/y"));
  PWShimAppKitSetWorkspaceAnswer(YES);
  EXPECT_EQ(Calls(), std::vector<std::string>({"openURL https://example.com/x", "openURL file:///tmp/notes.txt",
                                               "openURL https://example.com/y"}));

  LOOM_String file(tree.File("take.wav").c_str()), missing(tree.Path("none.wav").c_str()), empty;
  EXPECT_TRUE(g->RevealPathInExplorerOrFinder(file, true));
  EXPECT_TRUE(g->RevealPathInExplorerOrFinder(file, false));
  EXPECT_FALSE(g->RevealPathInExplorerOrFinder(missing, true));
  EXPECT_FALSE(g->RevealPathInExplorerOrFinder(empty, false));
  const std::string root = tree.root.string();
  EXPECT_EQ(Calls(), std::vector<std::string>({"openFile " + root, "select " + root + "/take.wav in " + root,
                                               "openFile " + root + "/take.wav"}));

  EXPECT_TRUE(g->InitiateExternalFileDragDrop("/tmp/a b.wav", IRECT(10.3f, 20.7f, 50.2f, 60.1f)));
  EXPECT_EQ(Calls(), std::vector<std::string>({"drag 1 file:///tmp/a%20b.wav at 10 20 41 41", "dragAnimates 1",
                                               "dragFormation 1"}));
  e.CloseWindow();
  ICanvasMac closed(e, 100, 100, 60, 1.0f);
  EXPECT_FALSE(closed.InitiateExternalFileDragDrop("/tmp/a b.wav", IRECT(0, 0, 10, 10)));
}

TEST_F(MacEditor, TooltipsDropsAndAppearance)
{
  Editor e;
  NSView* view = static_cast<NSView*>(e.OpenWindow(Parent()));
  ICanvasMac* g = e.Mac();
  NSArray* tips = PWShimAppKitToolTipRects(view);
  ASSERT_EQ([tips count], 1u) << "only visible controls with a tooltip and a target";
  EXPECT_TRUE(NSEqualRects([[tips objectAtIndex:0] rectValue], NSMakeRect(100, 100, 200, 100)));
  EXPECT_STREQ([[(id)view view:view stringForToolTip:0 point:NSMakePoint(0, 0) userData:nullptr] UTF8String], "");
  auto* menu = new StandInPopup();
  g->AttachPopupMenuControl(menu);
  menu->state = 1;
  g->UpdateTooltips();
  EXPECT_EQ([PWShimAppKitToolTipRects(view) count], 0u) << "none while a menu shows";
  menu->state = 0;

  g->Resize(1000, 400, 2.0f); // window (300, 500) is editor (150, 150)
  EXPECT_FALSE(PWShimAppKitDropFiles(view, nil, NSMakePoint(300, 500)));
  EXPECT_TRUE(PWShimAppKitDropFiles(view, [NSArray array], NSMakePoint(300, 500)));
  EXPECT_TRUE(PWShimAppKitDropFiles(view, [NSArray arrayWithObject:@"/a.wav"], NSMakePoint(300, 500)));
  NSArray* three = [NSArray arrayWithObjects:@"/1.wav", @"/2.wav", @"/3.wav", nil];
  EXPECT_TRUE(PWShimAppKitDropFiles(view, three, NSMakePoint(300, 500)));
  EXPECT_TRUE(PWShimAppKitDropFiles(view, three, NSMakePoint(10, 10))) << "editor (5, 395): no control there";
  EXPECT_EQ(e.probe->drops, std::vector<std::vector<std::string>>({{"/a.wav"}, {"/1.wav", "/2.wav", "/3.wav"}}));

  std::vector<EUIAppearance> seen;
  g->SetAppearanceChangedFunc([&](EUIAppearance a) { seen.push_back(a); });
  PWShimAppKitSetDarkAppearance(host, YES);
  EXPECT_EQ(g->GetUIAppearance(), EUIAppearance::Dark);
  PWShimAppKitSetDarkAppearance(host, NO);
  EXPECT_EQ(g->GetUIAppearance(), EUIAppearance::Light);
  EXPECT_EQ(seen, std::vector<EUIAppearance>({EUIAppearance::Dark, EUIAppearance::Light}));
}

TEST(MacVersion, UserOSVersionFromTheAppKitVersionOrGestalt)
{
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  struct Case { double appKit; SInt32 gestalt; bool fails; int version; };
  for (const Case& c : {Case{1404, 0x1090, false, 0x10B0}, Case{1266, 0x1090, false, 0x10A0},
                        Case{1265, 0x1090, false, 0x1090}, Case{1000, 0x1090, true, 0x1040}})
    EXPECT_EXIT(
      {
        NSAppKitVersionNumber = c.appKit;
        PWShimGestaltSetSystemVersion(c.gestalt, c.fails);
        std::exit(ICanvasMac::GetUserOSVersion() == c.version ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "")
      << c.appKit;
}

TEST_F(MacEditor, HostRemovalReopeningAndClosingWhileTheHostHoldsTheView)
{
  Editor e;
  NSView* view = static_cast<NSView*>(e.OpenWindow(Parent()));
  [view removeFromSuperview]; // the host removes the editor
  EXPECT_FALSE(e.GetUI()) << "the delegate closed the editor";
  EXPECT_GT(e.GetLastWidth(), 0);

  view = [static_cast<NSView*>(e.OpenWindow(Parent())) retain];
  EXPECT_EQ(e.layouts, 2);
  e.CloseWindow();
  EXPECT_FALSE([view superview]);
  PWShimAppKitSetBackingScale(host, 2.0);
  [view setFrameSize:NSMakeSize(10, 10)];
  PWShimAppKitRunFor(100);
  [Parent() addSubview:view];
  [view removeFromSuperview];
  EXPECT_FALSE(e.GetUI()) << "a view held after its editor closed does nothing";
  [view release];

  auto* owner = new Editor();
  owner->OpenWindow(Parent());
  delete owner; // the delegate goes with its editor open
  EXPECT_EQ([[Parent() subviews] count], 0u);
}
