#include "HostEditor.h"

#include "IWeftScopedPool.h"

#include <AppKit/PWShimAppKit.h>
#include <AudioToolbox/AudioUnitProperties.h>
#include <AudioUnit/AUCocoaUIView.h>
#include <CoreGraphics/CGDisplay.h>
#include <CoreGraphics/PWShimCoreGraphics.h>
#include <Metal/PWShimMetal.h>
#include <QuartzCore/CAMetalLayer.h>
#include <objc/runtime.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace pw::host {

namespace {

// Each call into the editor runs in its own autorelease pool, as an event
// of an application's run loop does.
using weft::ScopedPool;

NSView* ViewOf(void* view)
{
  return static_cast<NSView*>(view);
}

// A drag moves in this many steps from its start to its end.
constexpr int kDragSteps = 8;

// Where the pointer is after an event at pointer (view points): where the
// editor warped the cursor to when it did (a locked cursor goes back to its
// lock point after every move), else where the event was.
NSPoint PointerAfter(NSView* view, NSPoint pointer)
{
  char calls[4096];
  const size_t length = PWShimCGCopyCursorCalls(calls, sizeof calls);
  PWShimCGClearCursorCalls();
  const char* last = nullptr;
  for (const char* line = calls; line && line < calls + std::min(length, sizeof calls - 1); line = std::strchr(line, '\n'))
  {
    line += *line == '\n' ? 1 : 0;
    if (std::strncmp(line, "move ", 5) == 0)
      last = line;
  }
  double x = 0, y = 0;
  if (!last || std::sscanf(last, "move %lf %lf", &x, &y) != 2)
    return pointer;
  // Display coordinates run down from the main display's top.
  const double screenY = static_cast<double>(CGDisplayPixelsHigh(CGMainDisplayID())) - y;
  const NSRect inWindow = [[view window] convertRectFromScreen:NSMakeRect(x, screenY, 0, 0)];
  return [view convertPoint:inWindow.origin fromView:nil];
}

// The factory's class name and bundle, released when the holder ends.
struct CocoaViewInfo
{
  AudioUnitCocoaViewInfo info{};
  bool valid = false;
  ~CocoaViewInfo()
  {
    if (!valid)
      return;
    if (info.mCocoaAUViewBundleLocation)
      CFRelease(info.mCocoaAUViewBundleLocation);
    if (info.mCocoaAUViewClass[0])
      CFRelease(info.mCocoaAUViewClass[0]);
  }
};

std::string Text(CFStringRef string)
{
  char buffer[256];
  if (!string || !CFStringGetCString(string, buffer, sizeof buffer, kCFStringEncodingUTF8))
    return std::string();
  return buffer;
}

} // namespace

Status HostEditor::Open(AudioUnit unit, double backingScale)
{
  Close();
  ScopedPool pool;
  UInt32 size = 0;
  Boolean writable = false;
  OSStatus status = AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, &size, &writable);
  if (status != noErr || size < sizeof(AudioUnitCocoaViewInfo))
    return Status::Error("the component has no editor (CocoaUI: status " + std::to_string(status) + ")");
  CocoaViewInfo info;
  size = sizeof info.info;
  status = AudioUnitGetProperty(unit, kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, &info.info, &size);
  info.valid = status == noErr;
  if (!info.valid)
    return Status::Error("the component does not name its editor's view factory (status " + std::to_string(status) + ")");
  const std::string className = Text(info.info.mCocoaAUViewClass[0]);
  Class factoryClass = className.empty() ? Nil : objc_getClass(className.c_str());
  if (!factoryClass)
    return Status::Error("the editor's view factory '" + className + "' is not a loaded class");
  id<AUCocoaUIBase> factory = [[factoryClass alloc] init];
  if (![(id)factory respondsToSelector:@selector(uiViewForAudioUnit:withSize:)])
  {
    [(id)factory release];
    return Status::Error("'" + className + "' is not an editor view factory");
  }
  NSView* view = [factory uiViewForAudioUnit:unit withSize:NSMakeSize(0, 0)];
  [view retain];
  [(id)factory release];
  if (!view)
    return Status::Error("the component's view factory answered no editor view");
  const NSRect frame = [view frame];
  NSWindow* window = PWShimAppKitMakeWindow(NSMakeRect(100, 100, frame.size.width, frame.size.height),
                                            static_cast<CGFloat>(backingScale));
  [view setFrame:NSMakeRect(0, 0, frame.size.width, frame.size.height)];
  [[window contentView] addSubview:view];
  mWindow = window;
  mView = view;
  return Status::Ok();
}

double HostEditor::Width() const noexcept
{
  return mView ? [ViewOf(mView) frame].size.width : 0.0;
}

double HostEditor::Height() const noexcept
{
  return mView ? [ViewOf(mView) frame].size.height : 0.0;
}

void HostEditor::RunEvent(const std::function<void()>& fn)
{
  ScopedPool pool;
  fn();
}

void HostEditor::Advance(double ms)
{
  ScopedPool pool;
  if (ms > 0.0)
    PWShimAppKitRunFor(ms);
}

Status HostEditor::Deliver(const ScriptStep& step)
{
  if (!mView)
    return Status::Error("no editor is open");
  ScopedPool pool;
  NSView* view = ViewOf(mView);
  switch (step.action)
  {
    case ScriptAction::Click:
      PWShimAppKitMouse(view, 1.0, PWShimMouseMove, step.x, step.y, 0, 0);
      PWShimAppKitMouse(view, 1.0, PWShimMouseLeftDown, step.x, step.y, 1, 0);
      PWShimAppKitMouse(view, 1.0, PWShimMouseLeftUp, step.x, step.y, 1, 0);
      break;
    case ScriptAction::Drag:
    {
      // The hand moves by equal steps; each starts where the pointer is.
      PWShimCGClearCursorCalls();
      PWShimAppKitMouse(view, 1.0, PWShimMouseMove, step.x, step.y, 0, 0);
      PWShimAppKitMouse(view, 1.0, PWShimMouseLeftDown, step.x, step.y, 1, 0);
      NSPoint pointer = PointerAfter(view, NSMakePoint(step.x, step.y));
      for (int i = 0; i < kDragSteps; ++i)
      {
        pointer.x += (step.x1 - step.x) / kDragSteps;
        pointer.y += (step.y1 - step.y) / kDragSteps;
        PWShimAppKitMouse(view, 1.0, PWShimMouseLeftDrag, pointer.x, pointer.y, 1, 0);
        pointer = PointerAfter(view, pointer);
      }
      PWShimAppKitMouse(view, 1.0, PWShimMouseLeftUp, pointer.x, pointer.y, 1, 0);
      break;
    }
    case ScriptAction::Wheel:
      PWShimAppKitMouseEx(view, 1.0, PWShimMouseWheel, step.x, step.y, 0, 0, NSEventSubtypeMouseEvent, step.delta);
      break;
    case ScriptAction::Key:
    {
      ScriptKey key;
      if (!ScriptKeyFor(step.text, key))
        return Status::Error("script line " + std::to_string(step.line) + ": no key '" + Excerpt(step.text) + "'");
      NSString* characters = [NSString stringWithUTF8String:key.characters.c_str()];
      PWShimAppKitKey([view window], YES, key.keyCode, characters, 0);
      PWShimAppKitKey([view window], NO, key.keyCode, characters, 0);
      break;
    }
    case ScriptAction::Param:
      return Status::Error("script line " + std::to_string(step.line) + ": a parameter is set by the host, not the view");
  }
  return Status::Ok();
}

Status HostEditor::WritePng(const std::string& path) const
{
  if (!mView)
    return Status::Error("no editor is open");
  ScopedPool pool;
  // Frames are drawn on the GPU in commit order: an empty command buffer of
  // the host's own that has completed means every frame before it is on
  // screen.
  id<MTLDevice> device = [MTLCreateSystemDefaultDevice() autorelease];
  id<MTLCommandQueue> queue = [[device newCommandQueue] autorelease];
  id<MTLCommandBuffer> fence = [queue commandBuffer];
  [fence commit];
  [fence waitUntilCompleted];
  CALayer* layer = [ViewOf(mView) layer];
  if (![layer isKindOfClass:[CAMetalLayer class]])
    return Status::Error("the editor view has no Metal layer to read");
  id<MTLTexture> texture = [(CAMetalLayer*)layer pwPresentedTexture];
  if (!texture)
  {
    // An editor that has drawn nothing yet leaves the window empty: all
    // pixels 0 at the window's size in pixels.
    const CGSize size = ((CAMetalLayer*)layer).drawableSize;
    if (size.width < 1 || size.height < 1)
      return Status::Error("the editor view has no size");
    MTLTextureDescriptor* descriptor =
      [MTLTextureDescriptor texture2DDescriptorWithPixelFormat:MTLPixelFormatBGRA8Unorm
                                                         width:static_cast<NSUInteger>(size.width)
                                                        height:static_cast<NSUInteger>(size.height)
                                                     mipmapped:NO];
    texture = [[device newTextureWithDescriptor:descriptor] autorelease];
  }
  const std::string partial = path + ".partial";
  const bool written = PWMTLWriteTexturePNG((void*)texture, partial.c_str());
  if (!written)
  {
    unlink(partial.c_str());
    return Status::Error("cannot write '" + path + "'");
  }
  if (std::rename(partial.c_str(), path.c_str()) != 0)
  {
    unlink(partial.c_str());
    return Status::Error("cannot write '" + path + "'");
  }
  return Status::Ok();
}

void HostEditor::Close() noexcept
{
  ScopedPool pool;
  if (mView)
  {
    // The view's own removal closes the editor; a view the component
    // already closed is no longer in the window and this does nothing.
    [ViewOf(mView) removeFromSuperview];
    [ViewOf(mView) release];
    mView = nullptr;
  }
  if (mWindow)
  {
    [static_cast<NSWindow*>(mWindow) release];
    mWindow = nullptr;
  }
}

} // namespace pw::host
