#import "ICanvasMacView.h"

#include "IControl.h"
#include "IGEditorDelegate.h"
#include "IWeftScopedPool.h"
#include "PlatformPaths.h"

#include <CoreServices/CoreServices.h>
#include <QuartzCore/CABase.h>

#include <dispatch/dispatch.h>

#include <cmath>
#include <cstring>
#include <map>

namespace weft::canvas {
namespace {

ICanvasView_vPressweave_au* View(void* view)
{
  return static_cast<ICanvasView_vPressweave_au*>(view);
}

// Animations run on Core Animation's clock, the one the frame timer's run
// loop keeps.
double MediaTimeMs()
{
  return CACurrentMediaTime() * 1000.0;
}

constexpr char DEFAULT_PATH[] = "~/Desktop";

// Open editors by the token of their window: work queued for a window finds
// its editor here, or nothing once the window closed.
std::map<uint64_t, ICanvasMac*>& OpenEditors()
{
  static std::map<uint64_t, ICanvasMac*> editors;
  return editors;
}
uint64_t sLastWindowToken = 0;

NSString* ToNSString(const char* str)
{
  NSString* string = str ? [NSString stringWithUTF8String:str] : nil;
  return string ? string : @"";
}

} // namespace

ICanvasMac* ICanvasMac::FromWindowToken(uint64_t token)
{
  auto it = OpenEditors().find(token);
  return it == OpenEditors().end() ? nullptr : it->second;
}

ICanvasMac::ICanvasMac(IGEditorDelegate& dlg, int w, int h, int fps, float scale)
: ICanvasVector(dlg, w, h, fps, scale)
{
  ScopedPool pool;
  NSApplicationLoad();
  IControl::SetAnimationClock(MediaTimeMs);
  StaticStorage<CoreTextFontDescriptor>::Accessor(sFontDescriptorCache).Retain();
}

ICanvasMac::~ICanvasMac()
{
  ScopedPool pool;
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
  ScopedPool pool;
  if (!mView || !pView)
    return;
  NSView* view = static_cast<NSView*>(pView);
  [view setFrame:ToNSRect(this, r)];
  [View(mView) addSubview:view];
}

void ICanvasMac::RemovePlatformView(void* pView)
{
  ScopedPool pool;
  [static_cast<NSView*>(pView) removeFromSuperview];
}

void ICanvasMac::HidePlatformView(void* pView, bool hide)
{
  ScopedPool pool;
  [static_cast<NSView*>(pView) setHidden:hide];
}

void ICanvasMac::GetMouseLocation(float& x, float& y) const
{
  ScopedPool pool;
  const NSPoint location = [NSEvent mouseLocation];
  x = static_cast<float>(location.x);
  y = static_cast<float>(location.y);
  ScreenToPoint(x, y);
}

void ICanvasMac::ScreenToPoint(float& x, float& y) const
{
  ScopedPool pool;
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
  ScopedPool pool;
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
  ScopedPool pool;
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
  ScopedPool pool;
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
  ScopedPool pool;
  if (mTabletInput)
    return;
  PointToScreen(x, y);
  RepositionCursor(x, y);
  StoreCursorPosition();
}

ECursor ICanvasMac::SetMouseCursor(ECursor cursorType)
{
  ScopedPool pool;
  [View(mView) setMouseCursor:cursorType];
  return ICanvas::SetMouseCursor(cursorType);
}

void ICanvasMac::ForceEndUserEdit()
{
  ScopedPool pool;
  [View(mView) endUserInput];
}

void* ICanvasMac::OpenWindow(void* pParent)
{
  ScopedPool pool;
  CloseWindow();
  ICanvasView_vPressweave_au* view = [[ICanvasView_vPressweave_au alloc] initWithICanvas:this];
  mView = view;
  mWindowToken = ++sLastWindowToken;
  OpenEditors()[mWindowToken] = this;
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
  ScopedPool pool;
  if (!mView)
    return;
  ICanvasView_vPressweave_au* view = View(mView);
  // A menu in the window or queued for it never answers now: it ends
  // unanswered while its control is still there to hear it.
  EndOpenMenus();
  OpenEditors().erase(mWindowToken);
  mWindowToken = 0;
  ForceEndUserEdit();
  [view endColorPicking];
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

EMsgBoxResult ICanvasMac::ShowMessageBox(const char* str, const char* title, EMsgBoxType type,
                                        IMsgBoxCompletionHandlerFunc completionHandler)
{
  ReleaseMouseCapture();
  ScopedPool pool;
  NSAlert* alert = [[[NSAlert alloc] init] autorelease];
  [alert setMessageText:ToNSString(title)];
  [alert setInformativeText:ToNSString(str)];
  static NSString* const buttons[][3] = {
    {@"OK"}, {@"OK", @"Cancel"}, {}, {@"Yes", @"No", @"Cancel"}, {@"Yes", @"No"}, {@"Retry", @"Cancel"}};
  // Results of the first button, the second, and any other answer.
  static const EMsgBoxResult results[][3] = {{kOK, kOK, kOK},         {kOK, kCANCEL, kCANCEL}, {kCANCEL, kCANCEL, kCANCEL},
                                             {kYES, kNO, kCANCEL},     {kYES, kNO, kNO},        {kRETRY, kCANCEL, kCANCEL}};
  const bool known = type >= kMB_OK && type <= kMB_RETRYCANCEL;
  for (int i = 0; known && i < 3 && buttons[type][i]; i++)
    [alert addButtonWithTitle:buttons[type][i]];
  const NSModalResponse response = [alert runModal];
  const int pressed = response == NSAlertFirstButtonReturn ? 0 : response == NSAlertSecondButtonReturn ? 1 : 2;
  const EMsgBoxResult result = known ? results[type][pressed] : kCANCEL;
  if (completionHandler)
    completionHandler(result);
  return result;
}

namespace {
// The chosen file of an answered panel: its full path and its folder + "/".
void FinishFilePrompt(NSModalResponse response, NSSavePanel* panel, LOOM_String& fileName, LOOM_String& path,
                      const IFileDialogCompletionHandlerFunc& completion)
{
  if (response == NSModalResponseOK)
  {
    NSString* full = [[panel URL] path];
    fileName.Set([full UTF8String]);
    path.Set([[[full stringByDeletingLastPathComponent] stringByAppendingString:@"/"] UTF8String]);
  }
  if (completion)
    completion(fileName, path);
}

void FinishDirectoryPrompt(NSModalResponse response, NSSavePanel* panel, LOOM_String& dir,
                           const IFileDialogCompletionHandlerFunc& completion)
{
  if (response == NSModalResponseOK)
    dir.Set([[[[panel URL] path] stringByAppendingString:@"/"] UTF8String]);
  else
    dir.Set("");
  if (completion)
    completion(LOOM_String(), dir);
}

// A panel with a completion runs as a sheet on the editor's window; its
// answer reaches the completion only while that editor is still open.
void RunSheet(NSSavePanel* panel, NSWindow* window, uint64_t token, std::function<void(NSModalResponse)> finish)
{
  auto* pFinish = new std::function<void(NSModalResponse)>(std::move(finish));
  [panel beginSheetModalForWindow:window
                completionHandler:^(NSModalResponse response) {
                  ScopedPool pool;
                  if (ICanvasMac::FromWindowToken(token))
                    (*pFinish)(response);
                  delete pFinish;
                }];
}
} // namespace

void ICanvasMac::PromptForFile(LOOM_String& fileName, LOOM_String& path, EFileAction action, const char* ext,
                               IFileDialogCompletionHandlerFunc completionHandler)
{
  if (!WindowIsOpen())
  {
    fileName.Set("");
    return;
  }
  ScopedPool pool;
  NSString* defaultFileName = ToNSString(fileName.GetLength() ? fileName.Get() : "");
  NSString* defaultPath = ToNSString(path.GetLength() ? path.Get() : "");
  fileName.Set("");
  NSArray* fileTypes = CStringHasContents(ext) ? [ToNSString(ext) componentsSeparatedByString:@" "] : nil;

  NSSavePanel* panel = nil;
  if (action == EFileAction::Save)
  {
    panel = [NSSavePanel savePanel];
    [panel setNameFieldStringValue:defaultFileName];
    [panel setAllowsOtherFileTypes:NO];
  }
  else
  {
    NSOpenPanel* openPanel = [NSOpenPanel openPanel];
    [openPanel setCanChooseFiles:YES];
    [openPanel setCanChooseDirectories:NO];
    [openPanel setResolvesAliases:YES];
    panel = openPanel;
  }
  [panel setAllowedFileTypes:fileTypes];
  // An empty start folder is no folder (a file URL cannot be empty).
  if ([defaultPath length])
    [panel setDirectoryURL:[NSURL fileURLWithPath:defaultPath]];
  [panel setLevel:NSFloatingWindowLevel];

  // A sheet needs the editor's window; without one the prompt runs modal.
  NSWindow* window = [View(mView) window];
  if (completionHandler && window)
  {
    RunSheet(panel, window, mWindowToken, [panel, completionHandler](NSModalResponse response) {
      LOOM_String file, folder;
      FinishFilePrompt(response, panel, file, folder, completionHandler);
    });
    return;
  }
  FinishFilePrompt([panel runModal], panel, fileName, path, completionHandler);
}

void ICanvasMac::PromptForDirectory(LOOM_String& dir, IFileDialogCompletionHandlerFunc completionHandler)
{
  ScopedPool pool;
  NSString* defaultPath = nil;
  if (dir.GetLength())
    defaultPath = ToNSString(dir.Get());
  else
  {
    defaultPath = ToNSString(DEFAULT_PATH);
    dir.Set(DEFAULT_PATH);
  }
  NSOpenPanel* panel = [NSOpenPanel openPanel];
  [panel setTitle:@"Choose a Directory"];
  [panel setCanChooseFiles:NO];
  [panel setCanChooseDirectories:YES];
  [panel setResolvesAliases:YES];
  [panel setCanCreateDirectories:YES];
  [panel setLevel:NSFloatingWindowLevel];
  [panel setDirectoryURL:[NSURL fileURLWithPath:defaultPath]];

  NSWindow* window = mView ? [View(mView) window] : nil;
  if (completionHandler && window)
  {
    RunSheet(panel, window, mWindowToken, [panel, completionHandler](NSModalResponse response) {
      LOOM_String folder;
      FinishDirectoryPrompt(response, panel, folder, completionHandler);
    });
    return;
  }
  FinishDirectoryPrompt([panel runModal], panel, dir, completionHandler);
}

bool ICanvasMac::PromptForColor(IColor& color, const char*, IColorPickerHandlerFunc func)
{
  ScopedPool pool;
  return mView && [View(mView) promptForColor:color :std::move(func)];
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
  ScopedPool pool;
  return CoreTextHelpers::LoadPlatformFont(fontID, fileNameOrResID, GetBundleID(), GetSharedResourcesSubPath());
}

PlatformFontPtr ICanvasMac::LoadPlatformFont(const char* fontID, void* pData, int dataSize)
{
  ScopedPool pool;
  return CoreTextHelpers::LoadPlatformFont(fontID, pData, dataSize);
}

PlatformFontPtr ICanvasMac::LoadPlatformFont(const char*, const char* fontName, ETextStyle style)
{
  ScopedPool pool;
  return CoreTextHelpers::LoadPlatformFont(fontName, style);
}

void ICanvasMac::CachePlatformFont(const char* fontID, const PlatformFontPtr& font)
{
  ScopedPool pool;
  CoreTextHelpers::CachePlatformFont(fontID, font, sFontDescriptorCache);
}

void ICanvasMac::ActivateGLContext()
{
  ScopedPool pool;
  [View(mView) activateGLContext];
}

void ICanvasMac::DeactivateGLContext()
{
  ScopedPool pool;
  [View(mView) deactivateGLContext];
}

void ICanvasMac::CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                                         const char* str)
{
  ScopedPool pool;
  if (!mView)
  {
    ClearInTextEntryControl(); // no field opens: no entry is pending
    return;
  }
  ICanvasView_vPressweave_au* view = View(mView);
  if ([view hasTextField])
  {
    // The open field ignores the request and keeps the control it was opened
    // for, while that control is still attached.
    bool attached = false;
    ForAllControlsFunc([&](IControl* pControl) { attached = attached || pControl == mTextFieldControl; });
    if (attached)
    {
      mInTextEntry = mTextFieldControl;
      mTextEntryValIdx = mTextFieldValIdx;
    }
    else
      ClearInTextEntryControl();
    return;
  }
  mTextFieldControl = mInTextEntry;
  mTextFieldValIdx = mTextEntryValIdx;
  [view createTextEntry:paramIdx :text :str :length :ToNSRect(this, bounds)];
}

IPopupMenu* ICanvasMac::CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync)
{
  // Without a view no menu shows: nothing is chosen, at once.
  isAsync = mView != nullptr;
  if (!mView)
    return nullptr;
  const uint64_t token = mWindowToken;
  const uint64_t request = GetPendingPlatformMenu();
  IPopupMenu* pMenu = &menu;
  const IRECT area = bounds;
  // The menu is not ours: its owner may go, or the request end otherwise,
  // before the main queue runs, and the menu with it. The block touches it
  // only while its window is open and its request still pending.
  auto pending = [token, request]() -> ICanvasMac* {
    ICanvasMac* pGraphics = FromWindowToken(token);
    return pGraphics && pGraphics->GetPendingPlatformMenu() == request ? pGraphics : nullptr;
  };
  dispatch_async(dispatch_get_main_queue(), ^{
    ScopedPool pool;
    ICanvasMac* pGraphics = pending();
    if (!pGraphics)
      return;
    IPopupMenu* pChosen = nullptr;
    if (pGraphics->mView)
      pChosen = [View(pGraphics->mView) createPopupMenu:*pMenu :ToNSRect(pGraphics, area)];
    // Showing runs the event loop until the menu closes.
    pGraphics = pending();
    if (!pGraphics)
      return;
    if (pChosen && pChosen->GetFunction())
      pChosen->ExecFunction();
    pGraphics->SetControlValueAfterPopupMenu(pChosen);
  });
  return nullptr;
}

void ICanvasMac::PlatformResize(bool)
{
  ScopedPool pool;
  if (mView)
  {
    [NSAnimationContext beginGrouping];
    [[NSAnimationContext currentContext] setDuration:0.0];
    [View(mView) setFrameSize:NSMakeSize(WindowWidth(), WindowHeight())];
    [NSAnimationContext endGrouping];
  }
  UpdateTooltips();
}

void ICanvasMac::DrawResize()
{
  // A resize from the plug-in's own code (a restored state) rebuilds the
  // Metal backbuffer outside any event of the view.
  ScopedPool pool;
  ICanvasVector::DrawResize();
}

APIBitmap* ICanvasMac::LoadAPIBitmap(const char* fileNameOrResID, int scale, EResourceLocation location,
                                     const char* ext)
{
  ScopedPool pool;
  return ICanvasVector::LoadAPIBitmap(fileNameOrResID, scale, location, ext);
}

APIBitmap* ICanvasMac::LoadAPIBitmap(const char* name, const void* pData, int dataSize, int scale)
{
  ScopedPool pool;
  return ICanvasVector::LoadAPIBitmap(name, pData, dataSize, scale);
}

APIBitmap* ICanvasMac::CreateAPIBitmap(int width, int height, float scale, double drawScale, bool cacheable)
{
  ScopedPool pool;
  return ICanvasVector::CreateAPIBitmap(width, height, scale, drawScale, cacheable);
}

bool ICanvasMac::LoadAPIFont(const char* fontID, const PlatformFontPtr& font)
{
  ScopedPool pool;
  return ICanvasVector::LoadAPIFont(fontID, font);
}

EUIAppearance ICanvasMac::GetUIAppearance() const
{
  ScopedPool pool;
  if (@available(macOS 10.14, *))
  {
    if (mView && [[[View(mView) effectiveAppearance] name] isEqualToString:NSAppearanceNameDarkAqua])
      return EUIAppearance::Dark;
  }
  return EUIAppearance::Light;
}

} // namespace weft::canvas
