#import "ICanvasMacView.h"

#import <QuartzCore/QuartzCore.h>

#include "IControl.h"
#include "IGEditorDelegate.h"

#include <cmath>
#include <vector>

using namespace weft::canvas;

NSRect weft::canvas::ToNSRect(ICanvas* g, const IRECT& bounds)
{
  const float s = g->GetDrawScale();
  const float x = std::floor(bounds.L * s), y = std::floor(bounds.T * s);
  const float w = std::ceil(bounds.R * s) - x, h = std::ceil(bounds.B * s) - y;
  return NSMakeRect(x, y, w, h);
}

@implementation ICanvasView_vPressweave_au

- (id)initWithICanvas:(ICanvasMac*)pGraphics
{
  mGraphics = pGraphics;
  if (!(self = [super initWithFrame:NSMakeRect(0, 0, pGraphics->WindowWidth(), pGraphics->WindowHeight())]))
    return nil;
  mMouseOutDuringDrag = false;
  mDirtyRects = new IRECTList();
  mColorPickerFunc = new std::function<void(const IColor&)>();
  [self setWantsLayer:YES];
  [self setLayerContentsRedrawPolicy:NSViewLayerContentsRedrawDuringViewResize];
  [self registerForDraggedTypes:[NSArray arrayWithObject:NSFilenamesPboardType]];
  CAMetalLayer* layer = [[CAMetalLayer alloc] init];
  id<MTLDevice> device = MTLCreateSystemDefaultDevice();
  layer.pixelFormat = MTLPixelFormatBGRA8Unorm;
  layer.device = device;
  [device release];
  [self setLayer:layer];
  [layer release];
  [self setTimer];
  return self;
}

- (void)dealloc
{
  [self endUserInput];
  [self endColorPicking];
  delete mColorPickerFunc;
  [mMoveCursor release];
  [mTrackingArea release];
  [[NSNotificationCenter defaultCenter] removeObserver:self];
  delete mDirtyRects;
  [super dealloc];
}

- (void)detachFromICanvas
{
  mGraphics = nullptr;
}

- (void)setTimer
{
  const double interval = 1.0 / (mGraphics && mGraphics->FPS() > 0 ? mGraphics->FPS() : 60);
  mTimer = [NSTimer timerWithTimeInterval:interval target:self selector:@selector(onTimer:) userInfo:nil repeats:YES];
  [[NSRunLoop currentRunLoop] addTimer:mTimer forMode:NSRunLoopCommonModes];
}

- (void)killTimer
{
  [mTimer invalidate];
  mTimer = nil;
}

- (void)onTimer:(NSTimer*)timer
{
  (void)timer;
  [self render];
}

- (void)render
{
  if (!mGraphics)
    return;
  mDirtyRects->Clear();
  if (!mGraphics->IsDirty(*mDirtyRects))
    return;
  mGraphics->SetAllControlsClean();
  ICanvas::ScopedGLContext scopedGLContext(mGraphics);
  mGraphics->Draw(*mDirtyRects);
  [self swapBuffers];
}

- (BOOL)isOpaque { return mGraphics != nullptr; }
- (BOOL)isFlipped { return YES; }
- (BOOL)acceptsFirstResponder { return YES; }
- (BOOL)acceptsFirstMouse:(NSEvent*)event
{
  (void)event;
  return YES;
}
- (void)drawRect:(NSRect)rect { (void)rect; }
- (void)activateGLContext {}
- (void)deactivateGLContext {}
- (void)swapBuffers {}

- (void)setDrawableSizeForScale:(CGFloat)scale
{
  const NSSize size = [self frame].size;
  ((CAMetalLayer*)[self layer]).drawableSize = CGSizeMake(size.width * scale, size.height * scale);
}

- (void)viewDidMoveToWindow
{
  NSWindow* window = [self window];
  if (!window)
    return;
  [window makeFirstResponder:self];
  [window setAcceptsMouseMovedEvents:YES];
  if (mGraphics)
    mGraphics->SetScreenScale(static_cast<float>([window backingScaleFactor]));
  if (!mObservingFrame)
  {
    [[NSNotificationCenter defaultCenter] addObserver:self
                                             selector:@selector(frameDidChange:)
                                                 name:NSViewFrameDidChangeNotification
                                               object:self];
    mObservingFrame = YES;
  }
}

- (void)viewDidChangeBackingProperties
{
  NSWindow* window = [self window];
  if (!window || !mGraphics)
    return;
  const CGFloat scale = [window backingScaleFactor];
  mGraphics->SetPlatformContext(nullptr);
  if (static_cast<float>(scale) != mGraphics->GetScreenScale())
    mGraphics->SetScreenScale(static_cast<float>(scale));
  [self setDrawableSizeForScale:scale];
}

- (void)frameDidChange:(NSNotification*)notification
{
  (void)notification;
  if (mGraphics && [self window])
    [self setDrawableSizeForScale:[[self window] backingScaleFactor]];
}

- (void)viewDidChangeEffectiveAppearance
{
  if (!mGraphics)
    return;
  if (@available(macOS 10.14, *))
  {
    const bool dark = [[[self effectiveAppearance] name] isEqualToString:NSAppearanceNameDarkAqua];
    mGraphics->OnAppearanceChanged(dark ? EUIAppearance::Dark : EUIAppearance::Light);
  }
}

- (void)updateTrackingAreas
{
  [super updateTrackingAreas];
  if (mTrackingArea)
  {
    [self removeTrackingArea:mTrackingArea];
    [mTrackingArea release];
  }
  mTrackingArea = [[NSTrackingArea alloc]
    initWithRect:[self bounds]
         options:NSTrackingMouseEnteredAndExited | NSTrackingActiveAlways | NSTrackingEnabledDuringMouseDrag
           owner:self
        userInfo:nil];
  [self addTrackingArea:mTrackingArea];
}

// The view stays alive through its own removal: closing the editor releases
// the context's reference to it on the way.
- (void)removeFromSuperview
{
  [self retain];
  [self endUserInput];
  if (ICanvasMac* graphics = mGraphics)
  {
    graphics->SetPlatformContext(nullptr);
    graphics->GetDelegate()->CloseWindow();
  }
  [super removeFromSuperview];
  [self release];
}

- (void)registerToolTip:(IRECT)bounds
{
  if (mGraphics)
    [self addToolTipRect:ToNSRect(mGraphics, bounds) owner:self userData:nil];
}

- (NSString*)view:(NSView*)view stringForToolTip:(NSToolTipTag)tag point:(NSPoint)point userData:(void*)data
{
  (void)view, (void)tag, (void)point, (void)data;
  const int idx = mGraphics ? mGraphics->GetMouseOver() : -1;
  if (idx < 0)
    return @"";
  const char* tooltip = mGraphics->GetControl(idx)->GetTooltip();
  return tooltip && *tooltip ? [NSString stringWithUTF8String:tooltip] : @"";
}

- (NSDragOperation)draggingEntered:(id<NSDraggingInfo>)sender
{
  return [[[sender draggingPasteboard] types] containsObject:NSFilenamesPboardType] ? NSDragOperationGeneric
                                                                                    : NSDragOperationNone;
}

- (BOOL)performDragOperation:(id<NSDraggingInfo>)sender
{
  NSPasteboard* pasteboard = [sender draggingPasteboard];
  if (!mGraphics || ![[pasteboard types] containsObject:NSFilenamesPboardType])
    return YES;
  NSArray* files = [pasteboard propertyListForType:NSFilenamesPboardType];
  const NSPoint point = [self convertPoint:[sender draggingLocation] fromView:nil];
  const float scale = mGraphics->GetDrawScale();
  const float x = static_cast<float>(point.x) / scale, y = static_cast<float>(point.y) / scale;
  const NSUInteger count = [files isKindOfClass:[NSArray class]] ? [files count] : 0;
  if (count == 1)
    mGraphics->OnDrop([[files objectAtIndex:0] UTF8String], x, y);
  else if (count > 1)
  {
    std::vector<const char*> paths;
    for (NSUInteger i = 0; i < count; i++)
      paths.push_back([[files objectAtIndex:i] UTF8String]);
    mGraphics->OnDropMultiple(paths, x, y);
  }
  return YES;
}

- (NSDragOperation)draggingSession:(NSDraggingSession*)session
  sourceOperationMaskForDraggingContext:(NSDraggingContext)context
{
  (void)session, (void)context;
  return NSDragOperationCopy;
}

@end
