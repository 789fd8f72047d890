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

} // namespace

void weft::canvas::MakeCursorFromName(NSCursor*& cursor, const char* name)
{
  cursor = nil;
  char imagePath[1024], infoPath[1024];
  std::snprintf(imagePath, sizeof(imagePath), "%s%s/cursor.pdf", kCursorFolder, name);
  std::snprintf(infoPath, sizeof(infoPath), "file:%s%s/info.plist", kCursorFolder, name);
  NSImage* pdf = [[NSImage alloc] initByReferencingFile:[NSString stringWithUTF8String:imagePath]];
  if (!pdf || ![pdf isValid])
  {
    [pdf release];
    return;
  }
  const NSSize size = [pdf size];
  NSImage* image = [[NSImage alloc] initWithSize:size];
  NSURL* infoURL = [NSURL URLWithString:[NSString stringWithUTF8String:infoPath]];
  NSDictionary* info = [[NSFileManager defaultManager] fileExistsAtPath:[infoURL path]]
                         ? [NSDictionary dictionaryWithContentsOfURL:infoURL]
                         : nil; // no info: no hot spot, no shadow
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
  if ([[image representations] count])
    cursor = [[NSCursor alloc] initWithImage:image hotSpot:NSMakePoint(hotX, hotY)];
  [pdf release];
  [image release];
  CGColorRelease(shadowColor);
}

namespace {

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

