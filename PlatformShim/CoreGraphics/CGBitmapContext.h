#pragma once
// Colours, colour spaces, images and bitmap contexts of the CoreGraphics
// stand-in, as far as cursor artwork and AppKit's graphics contexts need
// them: an image carries its pixel layout and RGBA8 pixels; a bitmap context
// draws images by copying their pixels (scaled to the rectangle, nearest
// sample) and keep the shadow they are given. Each object is reference
// counted by its own Retain/Release.

#include <CoreFoundation/CFBase.h>
#include <CoreGraphics/CGGeometry.h>

#include <stddef.h>
#include <stdint.h>

typedef struct CGColorSpace* CGColorSpaceRef;
typedef struct CGColor* CGColorRef;
typedef struct CGImage* CGImageRef;
typedef struct CGContext* CGContextRef;
typedef uint32_t CGBitmapInfo;
enum
{
  kCGImageAlphaPremultipliedLast = 1
};

CF_EXPORT CGColorSpaceRef CGColorSpaceCreateDeviceRGB(void);
CF_EXPORT CGColorSpaceRef CGColorSpaceRetain(CGColorSpaceRef space);
CF_EXPORT void CGColorSpaceRelease(CGColorSpaceRef space);

CF_EXPORT CGColorRef CGColorCreateGenericRGB(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
CF_EXPORT void CGColorRelease(CGColorRef color);
// The four components (red, green, blue, alpha); null for a null colour.
CF_EXPORT const CGFloat* CGColorGetComponents(CGColorRef color);

// An image of width x height RGBA8 pixels, every byte value; null when
// either side is 0.
CF_EXPORT CGImageRef PWShimCGImageCreateFilled(size_t width, size_t height, uint8_t value);
CF_EXPORT CGImageRef CGImageRetain(CGImageRef image);
CF_EXPORT void CGImageRelease(CGImageRef image);
CF_EXPORT size_t CGImageGetWidth(CGImageRef image);
CF_EXPORT size_t CGImageGetHeight(CGImageRef image);
CF_EXPORT size_t CGImageGetBitsPerComponent(CGImageRef image);
CF_EXPORT CGColorSpaceRef CGImageGetColorSpace(CGImageRef image);
CF_EXPORT CGBitmapInfo CGImageGetBitmapInfo(CGImageRef image);

// Null (no context) for a zero width or height, a depth other than 8 bits
// per component or no colour space. data must be null: the context owns its
// pixels; bytesPerRow is ignored.
CF_EXPORT CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent,
                                             size_t bytesPerRow, CGColorSpaceRef space, CGBitmapInfo info);
CF_EXPORT CGContextRef CGContextRetain(CGContextRef context);
CF_EXPORT void CGContextRelease(CGContextRef context);
CF_EXPORT void CGContextSetShadowWithColor(CGContextRef context, CGSize offset, CGFloat blur, CGColorRef color);
CF_EXPORT void CGContextDrawImage(CGContextRef context, CGRect rect, CGImageRef image);
// A new image of the context's pixels.
CF_EXPORT CGImageRef CGBitmapContextCreateImage(CGContextRef context);
