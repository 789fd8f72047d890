#import "ICanvasMacView.h"

#import <QuartzCore/QuartzCore.h>

#include "IControl.h"
#include "ICanvasCoreText.h"
#include "IGEditorDelegate.h"
#include "IWeftScopedPool.h"
#include "LOOM_UTF8.h"

#include <cmath>
#include <vector>

using namespace weft;
using namespace weft::canvas;

namespace {
constexpr NSEventModifierFlags kShift = NSEventModifierFlagShift, kControl = NSEventModifierFlagControl,
                               kOption = NSEventModifierFlagOption, kCommand = NSEventModifierFlagCommand;
// Key flags of MacKeyEventToVK.
enum
{
  kFVirtKey = 1,
  kFShift = 4,
  kFControl = 8, // Command
  kFAlt = 16
};

NSCursor* Offered(SEL selector)
{
  return [NSCursor respondsToSelector:selector] ? [NSCursor performSelector:selector] : nil;
}
} // namespace

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
  // A colour panel left open would outlive the editor, detached from it.
  if ([NSColorPanel sharedColorPanelExists])
    [[NSColorPanel sharedColorPanel] close];
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
  ScopedPool pool;
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

- (CGContextRef)getCGContextRef
{
  ScopedPool pool;
  CGContextRef context = [[NSGraphicsContext currentContext] CGContext];
  if (!context)
    return nullptr;
  // The same CoreGraphics context, kept alive by the current context.
  return [[NSGraphicsContext graphicsContextWithCGContext:context flipped:YES] CGContext];
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
  ScopedPool pool;
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
  ScopedPool pool;
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
  ScopedPool pool;
  (void)notification;
  if (mGraphics && [self window])
    [self setDrawableSizeForScale:[[self window] backingScaleFactor]];
}

- (void)viewDidChangeEffectiveAppearance
{
  ScopedPool pool;
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
  ScopedPool pool;
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
  ScopedPool pool;
  return [[[sender draggingPasteboard] types] containsObject:NSFilenamesPboardType] ? NSDragOperationGeneric
                                                                                    : NSDragOperationNone;
}

- (BOOL)performDragOperation:(id<NSDraggingInfo>)sender
{
  ScopedPool pool;
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

@implementation ICanvasView_vPressweave_au (Input)

- (void)getMouseXY:(NSEvent*)event :(float&)x :(float&)y
{
  if (!mGraphics)
    return;
  const NSPoint point = [self convertPoint:[event locationInWindow] fromView:nil];
  const float scale = mGraphics->GetDrawScale();
  x = static_cast<float>(point.x) / scale;
  y = static_cast<float>(point.y) / scale;
  // Tablet first: a pen's event is never warped back, not even the first.
  mGraphics->SetTabletInput([event subtype] == NSEventSubtypeTabletPoint);
  mGraphics->DoCursorLock(x, y, mPrevX, mPrevY);
}

- (IMouseInfo)getMouseLeft:(NSEvent*)event
{
  IMouseInfo info;
  [self getMouseXY:event :info.x :info.y];
  const NSEventModifierFlags mods = [event modifierFlags];
  info.ms = IMouseMod(true, mods & kCommand, mods & kShift, mods & kControl, mods & kOption);
  return info;
}

- (IMouseInfo)getMouseRight:(NSEvent*)event
{
  IMouseInfo info;
  [self getMouseXY:event :info.x :info.y];
  const NSEventModifierFlags mods = [event modifierFlags];
  info.ms = IMouseMod(false, true, mods & kShift, mods & kControl, mods & kOption);
  return info;
}

- (void)mouseDownWith:(IMouseInfo)info event:(NSEvent*)event
{
  // A click count below 1 is a single click.
  const NSInteger clicks = [event clickCount] < 1 ? 1 : [event clickCount];
  if ((clicks - 1) % 2)
    mGraphics->OnMouseDblClick(info.x, info.y, info.ms);
  else
    mGraphics->OnMouseDown({info});
}

- (void)mouseDown:(NSEvent*)event
{
  ScopedPool pool;
  if (mGraphics)
    [self mouseDownWith:[self getMouseLeft:event] event:event];
}

- (void)rightMouseDown:(NSEvent*)event
{
  ScopedPool pool;
  if (mGraphics)
    [self mouseDownWith:[self getMouseRight:event] event:event];
}

- (void)mouseUp:(NSEvent*)event
{
  ScopedPool pool;
  if (!mGraphics)
    return;
  mGraphics->OnMouseUp({[self getMouseLeft:event]});
  if (mMouseOutDuringDrag && mGraphics)
  {
    mGraphics->OnMouseOut();
    mMouseOutDuringDrag = false;
  }
}

- (void)rightMouseUp:(NSEvent*)event
{
  ScopedPool pool;
  if (mGraphics)
    mGraphics->OnMouseUp({[self getMouseRight:event]});
}

- (void)dragWith:(IMouseInfo)info prevX:(float)prevX prevY:(float)prevY
{
  if (mGraphics->IsInPlatformTextEntry())
    return;
  info.dX = info.x - prevX;
  info.dY = info.y - prevY;
  mGraphics->OnMouseDrag({info});
}

- (void)mouseDragged:(NSEvent*)event
{
  ScopedPool pool;
  if (!mGraphics)
    return;
  const float prevX = mPrevX, prevY = mPrevY;
  [self dragWith:[self getMouseLeft:event] prevX:prevX prevY:prevY];
}

- (void)rightMouseDragged:(NSEvent*)event
{
  ScopedPool pool;
  if (!mGraphics)
    return;
  const float prevX = mPrevX, prevY = mPrevY;
  [self dragWith:[self getMouseRight:event] prevX:prevX prevY:prevY];
}

- (void)mouseMoved:(NSEvent*)event
{
  ScopedPool pool;
  if (!mGraphics)
    return;
  const IMouseInfo info = [self getMouseLeft:event];
  mGraphics->OnMouseOver(info.x, info.y, info.ms);
}

- (void)mouseEntered:(NSEvent*)event
{
  ScopedPool pool;
  (void)event;
  if (!mGraphics)
    return;
  mMouseOutDuringDrag = false;
  mGraphics->OnSetCursor();
}

- (void)mouseExited:(NSEvent*)event
{
  ScopedPool pool;
  (void)event;
  if (!mGraphics)
    return;
  if (mGraphics->ControlIsCaptured())
    mMouseOutDuringDrag = true;
  else
    mGraphics->OnMouseOut();
}

- (void)scrollWheel:(NSEvent*)event
{
  ScopedPool pool;
  if (!mGraphics)
    return;
  if (mTextFieldView)
    [self endUserInput];
  const IMouseInfo info = [self getMouseLeft:event];
  mGraphics->OnMouseWheel(info.x, info.y, info.ms, static_cast<float>([event deltaY]));
}

- (bool)handleKey:(NSEvent*)event up:(bool)isUp
{
  int flags = 0;
  int vk = MacKeyEventToVK(event, flags);
  NSString* str = [event charactersIgnoringModifiers];
  const int c = str && [str length] == 1 ? [str characterAtIndex:0] : 0;
  if (!(flags & kFVirtKey))
    vk = 0;
  char utf8[5] = {};
  if (c)
    LOOM_MakeUTFChar(utf8, c, sizeof(utf8));
  const IKeyPress key(utf8, vk, flags & kFShift, flags & kFControl, flags & kFAlt);
  return isUp ? mGraphics->OnKeyUp(mPrevX, mPrevY, key) : mGraphics->OnKeyDown(mPrevX, mPrevY, key);
}

- (void)keyDown:(NSEvent*)event
{
  ScopedPool pool;
  if (mGraphics && [self handleKey:event up:false])
    return;
  [[self nextResponder] keyDown:event];
}

- (void)keyUp:(NSEvent*)event
{
  ScopedPool pool;
  if (mGraphics && [self handleKey:event up:true])
    return;
  [[self nextResponder] keyUp:event];
}

- (void)setMouseCursor:(ECursor)cursorType
{
  NSCursor* cursor = nil;
  switch (cursorType)
  {
    case ECursor::ARROW: cursor = [NSCursor arrowCursor]; break;
    case ECursor::IBEAM: cursor = [NSCursor IBeamCursor]; break;
    case ECursor::WAIT:
    case ECursor::APPSTARTING: cursor = Offered(@selector(busyButClickableCursor)); break;
    case ECursor::CROSS: cursor = [NSCursor crosshairCursor]; break;
    case ECursor::UPARROW:
      cursor = Offered(@selector(_windowResizeNorthCursor));
      if (!cursor)
        cursor = [NSCursor resizeUpCursor];
      break;
    case ECursor::SIZENWSE: cursor = Offered(@selector(_windowResizeNorthWestSouthEastCursor)); break;
    case ECursor::SIZENESW: cursor = Offered(@selector(_windowResizeNorthEastSouthWestCursor)); break;
    case ECursor::SIZEWE:
      cursor = Offered(@selector(_windowResizeEastWestCursor));
      if (!cursor)
        cursor = [NSCursor resizeLeftRightCursor];
      break;
    case ECursor::SIZENS:
      cursor = Offered(@selector(_windowResizeNorthSouthCursor));
      if (!cursor)
        cursor = [NSCursor resizeUpDownCursor];
      break;
    case ECursor::SIZEALL:
      if (!mMoveCursor)
        MakeCursorFromName(mMoveCursor, "move");
      cursor = mMoveCursor;
      break;
    case ECursor::INO: cursor = [NSCursor operationNotAllowedCursor]; break;
    case ECursor::HAND: cursor = [NSCursor pointingHandCursor]; break;
    case ECursor::HELP: cursor = Offered(@selector(_helpCursor)); break;
  }
  if ([NSCursor respondsToSelector:@selector(helpCursorShown)] && [NSCursor helpCursorShown] &&
      cursorType != ECursor::HELP)
    [NSCursor _setHelpCursor:false];
  [cursor ? cursor : [NSCursor arrowCursor] set];
}

@end

@implementation ICanvasView_vPressweave_au (Dialogs)

- (IPopupMenu*)createPopupMenu:(IPopupMenu&)menu :(NSRect)bounds
{
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  ICanvasMenuRcvr_vPressweave_au* receiver = [[ICanvasMenuRcvr_vPressweave_au alloc] initWithFrame:bounds];
  ICanvasMenu_vPressweave_au* nsMenu = [[ICanvasMenu_vPressweave_au alloc] initWithIPopupMenuAndReceiver:&menu
                                                                                                      :receiver];
  // A chosen index beyond the native items positions nothing.
  const int chosenIdx = menu.GetChosenItemIdx();
  NSMenuItem* chosenItem = chosenIdx >= 0 && chosenIdx < [nsMenu numberOfItems] ? [nsMenu itemAtIndex:chosenIdx] : nil;
  const NSPoint where = chosenItem ? bounds.origin
                                   : NSMakePoint(bounds.origin.x, bounds.origin.y + bounds.size.height + 4);
  [nsMenu popUpMenuPositioningItem:chosenItem atLocation:where inView:self];

  IPopupMenu* pChosen = nullptr;
  NSMenuItem* item = [receiver menuItem];
  NSMenu* owner = [item menu];
  if ([owner isKindOfClass:[ICanvasMenu_vPressweave_au class]])
  {
    IPopupMenu* pOwner = [(ICanvasMenu_vPressweave_au*)owner iPopupMenu];
    const NSInteger index = [owner indexOfItem:item];
    if (pOwner && index >= 0 && index < pOwner->NItems())
    {
      pOwner->SetChosenItemIdx(static_cast<int>(index));
      pChosen = pOwner;
    }
  }
  [nsMenu release];
  [receiver release];
  [pool release];
  return pChosen;
}

- (void)createTextEntry:(int)paramIdx :(const IText&)text :(const char*)str :(int)length :(NSRect)areaRect
{
  if (mTextFieldView || !mGraphics)
    return;
  ICanvasTextField_vPressweave_au* field = [[ICanvasTextField_vPressweave_au alloc] initWithFrame:areaRect];
  mTextFieldView = field;
  if (text.mVAlign == EVAlign::Middle)
  {
    ICanvasTextFieldCell_vPressweave_au* cell = [[ICanvasTextFieldCell_vPressweave_au alloc] initTextCell:@"textfield"];
    [cell setEditable:YES];
    [cell setDrawsBackground:YES];
    [field setCell:cell];
    [cell release];
  }

  const double scale = mGraphics->GetDrawScale();
  NSFont* font = nil;
  {
    StaticStorage<CoreTextFontDescriptor>::Accessor storage(sFontDescriptorCache);
    if (CoreTextFontDescriptor* pDesc = storage.Find(text.mFont))
      font = [NSFont fontWithDescriptor:(id)pDesc->GetDescriptor() size:text.mSize * pDesc->GetEMRatio() * scale];
  }
  // A font that was never cached: the system font at the text's size.
  [field setFont:font ? font : [NSFont systemFontOfSize:text.mSize * scale]];
  switch (text.mAlign)
  {
    case EAlign::Near: [field setAlignment:NSTextAlignmentLeft]; break;
    case EAlign::Center: [field setAlignment:NSTextAlignmentCenter]; break;
    case EAlign::Far: [field setAlignment:NSTextAlignmentRight]; break;
  }

  const IParam* pParam = paramIdx >= 0 ? mGraphics->GetDelegate()->GetParam(paramIdx) : nullptr;
  if (pParam)
  {
    NSString* accepted = @"";
    switch (pParam->Type())
    {
      case IParam::kTypeBool:
      case IParam::kTypeInt:
      case IParam::kTypeEnum: accepted = @"0123456789-+"; break;
      case IParam::kTypeDouble: accepted = @"0123456789.-+"; break;
      default: break;
    }
    ICanvasFormatter_vPressweave_au* formatter = [[ICanvasFormatter_vPressweave_au alloc] init];
    [formatter setAcceptableCharacterSet:[NSCharacterSet characterSetWithCharactersInString:accepted]];
    [formatter setMaximumLength:length];
    [field setFormatter:formatter];
    [formatter release];
  }

  [[field cell] setLineBreakMode:NSLineBreakByTruncatingTail];
  [[field cell] setAllowsEditingTextAttributes:NO];
  [field setTextColor:ToNSColor(text.mTextEntryFGColor)];
  [field setBackgroundColor:ToNSColor(text.mTextEntryBGColor)];
  NSString* initial = str ? [NSString stringWithUTF8String:str] : nil;
  [field setStringValue:initial ? initial : @""];
  [field setBordered:NO];
  [field setFocusRingType:NSFocusRingTypeNone];
  [field setDelegate:self];
  [self addSubview:field];
  NSWindow* window = [self window];
  [window makeKeyAndOrderFront:nil];
  [window makeFirstResponder:field];
}

- (BOOL)hasTextField
{
  return mTextFieldView != nil;
}

- (void)controlTextDidEndEditing:(NSNotification*)notification
{
  ScopedPool pool;
  NSTextField* field = [notification object];
  if (mGraphics && field == mTextFieldView)
  {
    mGraphics->SetControlValueAfterTextEdit([[field stringValue] UTF8String]);
    mGraphics->SetAllControlsDirty();
  }
  [self endUserInput];
}

- (void)endUserInput
{
  NSTextField* field = mTextFieldView;
  if (!field)
    return;
  [field setDelegate:nil];
  [field removeFromSuperview];
  [[self window] makeFirstResponder:self];
  mTextFieldView = nil;
  [field release];
  if (mGraphics)
    mGraphics->ClearInTextEntryControl();
}

- (BOOL)promptForColor:(IColor&)color :(IColorPickerHandlerFunc)func
{
  NSColorPanel* panel = [NSColorPanel sharedColorPanel];
  if (!panel)
    return NO;
  *mColorPickerFunc = std::move(func);
  [panel setTarget:self];
  [panel setAction:@selector(onColorPicked:)];
  [panel setShowsAlpha:YES];
  [panel setColor:ToNSColor(color)];
  [panel orderFront:nil];
  return YES;
}

- (void)onColorPicked:(NSColorPanel*)colorPanel
{
  ScopedPool pool;
  if (*mColorPickerFunc)
    (*mColorPickerFunc)(FromNSColor([colorPanel color]));
}

- (void)endColorPicking
{
  *mColorPickerFunc = nullptr;
  if (![NSColorPanel sharedColorPanelExists])
    return;
  NSColorPanel* panel = [NSColorPanel sharedColorPanel];
  if ([panel target] == self)
  {
    [panel setTarget:nil];
    [panel setAction:nullptr];
  }
}

@end
