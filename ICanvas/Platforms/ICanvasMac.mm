#import "ICanvasMacView.h"

#include "IControl.h"
#include "IGEditorDelegate.h"
#include "PlatformPaths.h"

#include <CoreServices/CoreServices.h>
#include <QuartzCore/CABase.h>

#include <cmath>
#include <cstring>

namespace weft::canvas {
namespace {

ICanvasView_vPressweave_au* View(void* view)
{
  return static_cast<ICanvasView_vPressweave_au*>(view);
}

class ScopedPool
{
public:
  ScopedPool() : mPool([[NSAutoreleasePool alloc] init]) {}
  ~ScopedPool() { [mPool release]; }
  ScopedPool(const ScopedPool&) = delete;
  ScopedPool& operator=(const ScopedPool&) = delete;

private:
  NSAutoreleasePool* mPool;
};

// Animations run on Core Animation's clock, the one the frame timer's run
// loop keeps.
double MediaTimeMs()
{
  return CACurrentMediaTime() * 1000.0;
}

} // namespace

ICanvasMac::ICanvasMac(IGEditorDelegate& dlg, int w, int h, int fps, float scale)
: ICanvasVector(dlg, w, h, fps, scale)
{
  NSApplicationLoad();
  IControl::SetAnimationClock(MediaTimeMs);
  StaticStorage<CoreTextFontDescriptor>::Accessor(sFontDescriptorCache).Retain();
}

ICanvasMac::~ICanvasMac()
{
  StaticStorage<CoreTextFontDescriptor>::Accessor(sFontDescriptorCache).Release();
  CloseWindow();
}

int ICanvasMac::GetUserOSVersion()
{
  static const int version = [] {
    if (NSAppKitVersionNumber >= 1404)
      return 0x10B0;
    if (NSAppKitVersionNumber >= 1266)
      return 0x10A0;
    SInt32 answer = 0x1040;
    Gestalt(gestaltSystemVersion, &answer);
    return static_cast<int>(answer);
  }();
  return version;
}

float ICanvasMac::MeasureText(const IText& text, const char* str, IRECT& bounds) const
{
  return ICanvas::MeasureText(text, str, bounds);
}

void ICanvasMac::AttachPlatformView(const IRECT& r, void* pView)
{
  if (!mView || !pView)
    return;
  NSView* view = static_cast<NSView*>(pView);
  [view setFrame:ToNSRect(this, r)];
  [View(mView) addSubview:view];
}

void ICanvasMac::RemovePlatformView(void* pView)
{
  [static_cast<NSView*>(pView) removeFromSuperview];
}

void ICanvasMac::HidePlatformView(void* pView, bool hide)
{
  [static_cast<NSView*>(pView) setHidden:hide];
}

void ICanvasMac::GetMouseLocation(float& x, float& y) const
{
  const NSPoint location = [NSEvent mouseLocation];
  x = static_cast<float>(location.x);
  y = static_cast<float>(location.y);
  ScreenToPoint(x, y);
}

void ICanvasMac::ScreenToPoint(float& x, float& y) const
{
  if (!mView)
    return;
  ICanvasView_vPressweave_au* view = View(mView);
  NSWindow* window = [view window];
  const NSRect inWindow = window ? [window convertRectFromScreen:NSMakeRect(x, y, 0, 0)] : NSMakeRect(0, 0, 0, 0);
  const NSPoint point = [view convertPoint:inWindow.origin fromView:nil];
  x = static_cast<float>(point.x) / GetDrawScale();
  y = static_cast<float>(point.y) / GetDrawScale();
}

void ICanvasMac::PointToScreen(float& x, float& y) const
{
  if (!mView)
    return;
  ICanvasView_vPressweave_au* view = View(mView);
  const NSPoint inWindow = [view convertPoint:NSMakePoint(x * GetDrawScale(), y * GetDrawScale()) toView:nil];
  NSWindow* window = [view window];
  const NSRect onScreen =
    window ? [window convertRectToScreen:NSMakeRect(inWindow.x, inWindow.y, 0, 0)] : NSMakeRect(0, 0, 0, 0);
  x = static_cast<float>(onScreen.origin.x);
  y = static_cast<float>(onScreen.origin.y);
}

void ICanvasMac::HideMouseCursor(bool hide, bool lock)
{
  if (IsXPCAuHost() || hide == mCursorHidden)
    return;
  if (hide)
  {
    mCursorHidden = true;
    StoreCursorPosition();
    CGDisplayHideCursor(CGMainDisplayID());
    mCursorLock = lock;
  }
  else
  {
    // Back to the lock point while still hidden and locked, then shown.
    float x = mCursorX, y = mCursorY;
    DoCursorLock(mCursorX, mCursorY, x, y);
    mCursorHidden = false;
    CGDisplayShowCursor(CGMainDisplayID());
    mCursorLock = false;
  }
}

void ICanvasMac::StoreCursorPosition()
{
  const NSPoint location = [NSEvent mouseLocation];
  mCursorLockX = std::round(location.x);
  mCursorLockY = std::round(location.y);
  mCursorX = static_cast<float>(mCursorLockX);
  mCursorY = static_cast<float>(mCursorLockY);
  ScreenToPoint(mCursorX, mCursorY);
}

void ICanvasMac::DoCursorLock(float x, float y, float& prevX, float& prevY)
{
  if (mCursorHidden && mCursorLock && !mTabletInput)
  {
    RepositionCursor(mCursorLockX, mCursorLockY);
    prevX = mCursorX;
    prevY = mCursorY;
  }
  else
  {
    mCursorX = prevX = x;
    mCursorY = prevY = y;
  }
}

void ICanvasMac::RepositionCursor(double x, double y)
{
  const CGDirectDisplayID display = CGMainDisplayID();
  CGAssociateMouseAndMouseCursorPosition(false);
  CGDisplayMoveCursorToPoint(display, CGPoint{x, static_cast<CGFloat>(CGDisplayPixelsHigh(display)) - y});
  CGAssociateMouseAndMouseCursorPosition(true);
}

void ICanvasMac::MoveMouseCursor(float x, float y)
{
  if (mTabletInput)
    return;
  PointToScreen(x, y);
  RepositionCursor(x, y);
  StoreCursorPosition();
}

ECursor ICanvasMac::SetMouseCursor(ECursor cursorType)
{
  return ICanvas::SetMouseCursor(cursorType);
}

void ICanvasMac::ForceEndUserEdit() {}

void* ICanvasMac::OpenWindow(void* pParent)
{
  CloseWindow();
  ICanvasView_vPressweave_au* view = [[ICanvasView_vPressweave_au alloc] initWithICanvas:this];
  mView = view;
  ActivateGLContext();
  OnViewInitialized([view layer]);
  SetScreenScale(static_cast<float>([[NSScreen mainScreen] backingScaleFactor]));
  GetDelegate()->LayoutUI(this);
  UpdateTooltips();
  GetDelegate()->OnUIOpen();
  if (pParent)
    [static_cast<NSView*>(pParent) addSubview:view];
  return view;
}

void ICanvasMac::CloseWindow()
{
  if (!mView)
    return;
  ICanvasView_vPressweave_au* view = View(mView);
  [view detachFromICanvas];
  [view removeAllToolTips];
  [view killTimer];
  [view removeFromSuperview];
  [view release];
  mView = nullptr;
  OnViewDestroyed();
}

bool ICanvasMac::GetTextFromClipboard(LOOM_String& str)
{
  ScopedPool pool;
  NSString* text = [[NSPasteboard generalPasteboard] stringForType:NSPasteboardTypeString];
  str.Set(text ? [text UTF8String] : "");
  return text != nil;
}

bool ICanvasMac::SetTextInClipboard(const char* str)
{
  ScopedPool pool;
  NSPasteboard* pasteboard = [NSPasteboard generalPasteboard];
  [pasteboard clearContents];
  return str && [pasteboard setString:[NSString stringWithUTF8String:str] forType:NSPasteboardTypeString];
}

bool ICanvasMac::SetFilePathInClipboard(const char* path)
{
  ScopedPool pool;
  NSPasteboard* pasteboard = [NSPasteboard generalPasteboard];
  [pasteboard clearContents];
  if (!CStringHasContents(path))
    return false;
  return [pasteboard writeObjects:[NSArray arrayWithObject:[NSURL fileURLWithPath:[NSString stringWithUTF8String:path]]]];
}

bool ICanvasMac::InitiateExternalFileDragDrop(const char* path, const IRECT& iconBounds)
{
  if (!mView || !CStringHasContents(path))
    return false;
  ScopedPool pool;
  ICanvasView_vPressweave_au* view = View(mView);
  NSString* file = [NSString stringWithUTF8String:path];
  NSPasteboardItem* item = [[[NSPasteboardItem alloc] init] autorelease];
  [item setString:[[NSURL fileURLWithPath:file] absoluteString] forType:NSPasteboardTypeFileURL];
  NSDraggingItem* dragItem = [[[NSDraggingItem alloc] initWithPasteboardWriter:item] autorelease];
  NSImage* icon = [[NSWorkspace sharedWorkspace] iconForFile:file];
  [icon setSize:NSMakeSize(64, 64)];
  [dragItem setDraggingFrame:ToNSRect(this, iconBounds) contents:icon];
  NSDraggingSession* session = [view beginDraggingSessionWithItems:[NSArray arrayWithObject:dragItem]
                                                            event:[NSApp currentEvent]
                                                           source:view];
  [session setAnimatesToStartingPositionsOnCancelOrFail:YES];
  [session setDraggingFormation:NSDraggingFormationNone];
  ReleaseMouseCapture();
  return true;
}

void ICanvasMac::UpdateTooltips()
{
  if (!mView || !TooltipsEnabled())
    return;
  ScopedPool pool;
  ICanvasView_vPressweave_au* view = View(mView);
  [view removeAllToolTips];
  if (GetPopupMenuControl() && GetPopupMenuControl()->GetState() > 0)
    return;
  ForStandardControlsFunc([view](IControl* control) {
    if (control->GetTooltip() && !control->IsHidden() && !control->GetTargetRECT().Empty())
      [view registerToolTip:control->GetTargetRECT()];
  });
}

EMsgBoxResult ICanvasMac::ShowMessageBox(const char*, const char*, EMsgBoxType, IMsgBoxCompletionHandlerFunc)
{
  return kNoResult;
}

void ICanvasMac::PromptForFile(LOOM_String&, LOOM_String&, EFileAction, const char*, IFileDialogCompletionHandlerFunc) {}

void ICanvasMac::PromptForDirectory(LOOM_String&, IFileDialogCompletionHandlerFunc) {}

bool ICanvasMac::PromptForColor(IColor&, const char*, IColorPickerHandlerFunc)
{
  return false;
}

bool ICanvasMac::OpenURL(const char* url, const char*, const char*, const char*)
{
  if (!CStringHasContents(url))
    return false;
  ScopedPool pool;
  NSString* text = [NSString stringWithUTF8String:url];
  NSURL* target = std::strstr(url, "http") ? [NSURL URLWithString:text] : [NSURL fileURLWithPath:text];
  return target && [[NSWorkspace sharedWorkspace] openURL:target];
}

bool ICanvasMac::RevealPathInExplorerOrFinder(LOOM_String& path, bool select)
{
  ScopedPool pool;
  if (!path.GetLength())
    return false;
  NSString* file = [NSString stringWithUTF8String:path.Get()];
  if (![[NSFileManager defaultManager] fileExistsAtPath:file])
    return false;
  NSWorkspace* workspace = [NSWorkspace sharedWorkspace];
  if (!select)
    return [workspace openFile:file];
  NSString* folder = [file stringByDeletingLastPathComponent];
  return [workspace openFile:folder] && [workspace selectFile:file inFileViewerRootedAtPath:folder];
}

PlatformFontPtr ICanvasMac::LoadPlatformFont(const char* fontID, const char* fileNameOrResID)
{
  return CoreTextHelpers::LoadPlatformFont(fontID, fileNameOrResID, GetBundleID(), GetSharedResourcesSubPath());
}

PlatformFontPtr ICanvasMac::LoadPlatformFont(const char* fontID, void* pData, int dataSize)
{
  return CoreTextHelpers::LoadPlatformFont(fontID, pData, dataSize);
}

PlatformFontPtr ICanvasMac::LoadPlatformFont(const char*, const char* fontName, ETextStyle style)
{
  return CoreTextHelpers::LoadPlatformFont(fontName, style);
}

void ICanvasMac::CachePlatformFont(const char* fontID, const PlatformFontPtr& font)
{
  CoreTextHelpers::CachePlatformFont(fontID, font, sFontDescriptorCache);
}

void ICanvasMac::ActivateGLContext()
{
  [View(mView) activateGLContext];
}

void ICanvasMac::DeactivateGLContext()
{
  [View(mView) deactivateGLContext];
}

void ICanvasMac::CreatePlatformTextEntry(int, const IText&, const IRECT&, int, const char*) {}

IPopupMenu* ICanvasMac::CreatePlatformPopupMenu(IPopupMenu&, const IRECT&, bool& isAsync)
{
  isAsync = false;
  return nullptr;
}

void ICanvasMac::PlatformResize(bool)
{
  if (mView)
  {
    [NSAnimationContext beginGrouping];
    [[NSAnimationContext currentContext] setDuration:0.0];
    [View(mView) setFrameSize:NSMakeSize(WindowWidth(), WindowHeight())];
    [NSAnimationContext endGrouping];
  }
  UpdateTooltips();
}

EUIAppearance ICanvasMac::GetUIAppearance() const
{
  if (@available(macOS 10.14, *))
  {
    if (mView && [[[View(mView) effectiveAppearance] name] isEqualToString:NSAppearanceNameDarkAqua])
      return EUIAppearance::Dark;
  }
  return EUIAppearance::Light;
}

} // namespace weft::canvas
