#import "ICanvasMacView.h"

#include "LOOM_UTF8.h"

#include <cctype>
#include <cstdio>

using namespace weft;
using namespace weft::canvas;

namespace {
constexpr NSEventModifierFlags kShift = NSEventModifierFlagShift, kControl = NSEventModifierFlagControl,
                               kOption = NSEventModifierFlagOption, kCommand = NSEventModifierFlagCommand;
enum
{
  kFVirtKey = 1,
  kFShift = 4,
  kFControl = 8, // Command
  kFAlt = 16,
  kFLWin = 32 // Control
};

const char kCursorFolder[] = "/System/Library/Frameworks/ApplicationServices.framework/Versions/A/Frameworks/"
                             "HIServices.framework/Versions/A/Resources/cursors/";

double Number(NSDictionary* info, NSString* key)
{
  id value = [info objectForKey:key];
  return [value respondsToSelector:@selector(doubleValue)] ? [value doubleValue] : 0.0;
}

// The cursor named name from the system artwork: the PDF drawn at scales 1
// to 4 with the artwork's shadow; nil when the artwork is missing.
NSCursor* MakeCursorFromName(const char* name)
{
  char imagePath[1024], infoPath[1024];
  std::snprintf(imagePath, sizeof(imagePath), "%s%s/cursor.pdf", kCursorFolder, name);
  std::snprintf(infoPath, sizeof(infoPath), "file:%s%s/info.plist", kCursorFolder, name);
  NSImage* pdf = [[NSImage alloc] initByReferencingFile:[NSString stringWithUTF8String:imagePath]];
  if (!pdf || ![pdf isValid])
  {
    [pdf release];
    return nil;
  }
  const NSSize size = [pdf size];
  NSImage* image = [[NSImage alloc] initWithSize:size];
  NSDictionary* info = [NSDictionary dictionaryWithContentsOfURL:[NSURL URLWithString:[NSString stringWithUTF8String:infoPath]]];
  const double hotX = Number(info, @"hotx-scaled"), hotY = Number(info, @"hoty-scaled");
  const double blur = Number(info, @"blur"), offsetX = Number(info, @"shadowoffsetx"),
               offsetY = Number(info, @"shadowoffsety");
  NSArray* shadow = [info objectForKey:@"shadowcolor"];
  double rgba[4] = {};
  for (NSUInteger i = 0; i < 4 && [shadow isKindOfClass:[NSArray class]] && i < [shadow count]; i++)
    rgba[i] = [[shadow objectAtIndex:i] doubleValue];
  CGColorRef shadowColor = CGColorCreateGenericRGB(rgba[0], rgba[1], rgba[2], rgba[3]);
  for (int scale = 1; scale <= 4; scale++)
  {
    NSRect rect = NSMakeRect(0, 0, size.width * scale, size.height * scale);
    CGImageRef rendered = [pdf CGImageForProposedRect:&rect context:nil hints:nil];
    const size_t width = CGImageGetWidth(rendered), height = CGImageGetHeight(rendered);
    CGContextRef context = CGBitmapContextCreate(nullptr, width, height, CGImageGetBitsPerComponent(rendered), 0,
                                                 CGImageGetColorSpace(rendered), CGImageGetBitmapInfo(rendered));
    if (!context)
      continue; // this scale has no bitmap: the others still make the cursor
    CGContextSetShadowWithColor(context, CGSizeMake(offsetX * scale, offsetY * scale), blur * scale, shadowColor);
    CGContextDrawImage(context, CGRectMake(0, 0, width, height), rendered);
    CGImageRef shadowed = CGBitmapContextCreateImage(context);
    NSBitmapImageRep* rep = [[NSBitmapImageRep alloc] initWithCGImage:shadowed];
    [rep setSize:size];
    [image addRepresentation:rep];
    [rep release];
    CGContextRelease(context);
    CGImageRelease(shadowed);
  }
  NSCursor* cursor = [[image representations] count] ? [[NSCursor alloc] initWithImage:image hotSpot:NSMakePoint(hotX, hotY)]
                                                      : nil;
  [pdf release];
  [image release];
  CGColorRelease(shadowColor);
  return cursor;
}

NSCursor* Offered(SEL selector)
{
  return [NSCursor respondsToSelector:selector] ? [NSCursor performSelector:selector] : nil;
}
} // namespace

int weft::canvas::MacKeyCodeToVK(int code)
{
  switch (code)
  {
    case 51: return 8;
    case 65: return 110;
    case 67: return 106;
    case 69: return 107;
    case 71: return 144;
    case 75: return 111;
    case 76: return 0x800D;
    case 78: return 109;
    case 81: return 108;
    case 82: return 96;
    case 83: case 84: case 85: case 86: case 87: case 88: case 89: return 97 + code - 83;
    case 91: return 104;
    case 92: return 105;
    case 96: return 116;
    case 97: return 117;
    case 98: return 118;
    case 99: return 114;
    case 100: return 119;
    case 101: return 120;
    case 103: return 122;
    case 105: return 124;
    case 106: return 127;
    case 107: return 125;
    case 109: return 121;
    case 111: return 123;
    case 113: return 126;
    case 114: return 45;
    case 115: return 36;
    case 116: return 33;
    case 117: return 46;
    case 118: return 115;
    case 119: return 35;
    case 120: return 113;
    case 121: return 34;
    case 122: return 112;
    case 123: return 37;
    case 124: return 39;
    case 125: return 40;
    case 126: return 38;
    default: return 0;
  }
}

int weft::canvas::MacKeyEventToVK(NSEvent* event, int& flags)
{
  const NSEventModifierFlags mods = [event modifierFlags];
  flags |= (mods & kShift ? kFShift : 0) | (mods & kCommand ? kFControl : 0) | (mods & kOption ? kFAlt : 0) |
           (mods & kControl ? kFLWin : 0);
  const int code = [event keyCode];
  int vk = MacKeyCodeToVK(code);
  if (vk)
    flags |= kFVirtKey;
  else if (NSString* str = [event charactersIgnoringModifiers]; !str || ![str length])
  {
    vk = code + 1024;
    flags |= kFVirtKey;
  }
  else
  {
    const unichar c = [str characterAtIndex:0];
    if (c >= 0xF704 && c <= 0xF71B)
    {
      flags |= kFVirtKey;
      vk = c - 63124;
    }
    else
    {
      vk = c >= 'a' && c <= 'z' ? c - 32 : c;
      if (vk == 25 && (flags & kFControl))
        vk = 9;
      // isalnum only for ASCII: other units are not letters to it.
      if ((vk < 128 && std::isalnum(vk)) || vk == ' ' || vk == '\r' || vk == '\n' || vk == 27 || vk == '\t')
        flags |= kFVirtKey;
    }
  }
  if (!(flags & kFVirtKey))
    flags &= ~kFShift;
  return vk;
}

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
  x = mPrevX;
  y = mPrevY;
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
  if (mGraphics)
    [self mouseDownWith:[self getMouseLeft:event] event:event];
}

- (void)rightMouseDown:(NSEvent*)event
{
  if (mGraphics)
    [self mouseDownWith:[self getMouseRight:event] event:event];
}

- (void)mouseUp:(NSEvent*)event
{
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
  if (!mGraphics)
    return;
  const float prevX = mPrevX, prevY = mPrevY;
  [self dragWith:[self getMouseLeft:event] prevX:prevX prevY:prevY];
}

- (void)rightMouseDragged:(NSEvent*)event
{
  if (!mGraphics)
    return;
  const float prevX = mPrevX, prevY = mPrevY;
  [self dragWith:[self getMouseRight:event] prevX:prevX prevY:prevY];
}

- (void)mouseMoved:(NSEvent*)event
{
  if (!mGraphics)
    return;
  const IMouseInfo info = [self getMouseLeft:event];
  mGraphics->OnMouseOver(info.x, info.y, info.ms);
}

- (void)mouseEntered:(NSEvent*)event
{
  (void)event;
  if (!mGraphics)
    return;
  mMouseOutDuringDrag = false;
  mGraphics->OnSetCursor();
}

- (void)mouseExited:(NSEvent*)event
{
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
  if (mGraphics && [self handleKey:event up:false])
    return;
  [[self nextResponder] keyDown:event];
}

- (void)keyUp:(NSEvent*)event
{
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
        mMoveCursor = MakeCursorFromName("move");
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
