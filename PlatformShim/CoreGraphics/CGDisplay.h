#pragma once
// The main display and the mouse cursor on it. The stand-in has one display
// and records every cursor call (PWShimCoreGraphics.h).

#include <CoreFoundation/CFBase.h>
#include <CoreGraphics/CGGeometry.h>

#include <stddef.h>
#include <stdint.h>

typedef uint32_t CGDirectDisplayID;
typedef int32_t CGError;
enum
{
  kCGErrorSuccess = 0
};

CF_EXPORT CGDirectDisplayID CGMainDisplayID(void);
CF_EXPORT size_t CGDisplayPixelsHigh(CGDirectDisplayID display);
CF_EXPORT CGError CGDisplayHideCursor(CGDirectDisplayID display);
CF_EXPORT CGError CGDisplayShowCursor(CGDirectDisplayID display);
CF_EXPORT CGError CGDisplayMoveCursorToPoint(CGDirectDisplayID display, CGPoint point);
CF_EXPORT CGError CGAssociateMouseAndMouseCursorPosition(Boolean connected);
