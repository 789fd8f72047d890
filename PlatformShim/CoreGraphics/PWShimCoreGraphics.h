#pragma once
// What a test sees of the CoreGraphics stand-in: the display cursor calls
// as lines ("hide", "show", "move X Y", "associate 0|1"; coordinates with
// %g), and the main display's height in pixels (900 at start).

#include <CoreFoundation/CFBase.h>

#include <stddef.h>

// Copies the calls since the last clear, one per line, into buffer (cut to
// size - 1 bytes, always terminated); answers the full length.
CF_EXPORT size_t PWShimCGCopyCursorCalls(char* buffer, size_t size);
CF_EXPORT void PWShimCGClearCursorCalls(void);
CF_EXPORT void PWShimCGSetMainDisplayPixelsHigh(size_t height);
