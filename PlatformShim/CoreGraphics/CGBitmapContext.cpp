#include "CGBitmapContext.h"

#include <algorithm>
#include <atomic>
#include <vector>

struct CGColorSpace
{
  std::atomic<int> refs{1};
};

struct CGColor
{
  CGFloat components[4];
};

struct CGImage
{
  std::atomic<int> refs{1};
  size_t width = 0, height = 0;
  CGColorSpaceRef space = nullptr; // one reference
  std::vector<uint8_t> pixels;     // RGBA8, rows top to bottom
};

struct CGContext
{
  std::atomic<int> refs{1};
  size_t width = 0, height = 0;
  CGColorSpaceRef space = nullptr; // one reference
  std::vector<uint8_t> pixels;
  CGSize shadowOffset = {0, 0};
  CGFloat shadowBlur = 0;
  bool shadowColor = false;
};

CGColorSpaceRef CGColorSpaceCreateDeviceRGB(void)
{
  return new CGColorSpace;
}

CGColorSpaceRef CGColorSpaceRetain(CGColorSpaceRef space)
{
  if (space)
    space->refs++;
  return space;
}

void CGColorSpaceRelease(CGColorSpaceRef space)
{
  if (space && --space->refs == 0)
    delete space;
}

CGColorRef CGColorCreateGenericRGB(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
  return new CGColor{{red, green, blue, alpha}};
}

void CGColorRelease(CGColorRef color)
{
  delete color;
}

const CGFloat* CGColorGetComponents(CGColorRef color)
{
  return color ? color->components : nullptr;
}

CGImageRef PWShimCGImageCreateFilled(size_t width, size_t height, uint8_t value)
{
  if (!width || !height)
    return nullptr;
  auto* image = new CGImage;
  image->width = width;
  image->height = height;
  image->space = CGColorSpaceCreateDeviceRGB();
  image->pixels.assign(width * height * 4, value);
  return image;
}

CGImageRef CGImageRetain(CGImageRef image)
{
  if (image)
    image->refs++;
  return image;
}

void CGImageRelease(CGImageRef image)
{
  if (image && --image->refs == 0)
  {
    CGColorSpaceRelease(image->space);
    delete image;
  }
}

size_t CGImageGetWidth(CGImageRef image) { return image ? image->width : 0; }
size_t CGImageGetHeight(CGImageRef image) { return image ? image->height : 0; }
size_t CGImageGetBitsPerComponent(CGImageRef image) { return image ? 8 : 0; }
CGColorSpaceRef CGImageGetColorSpace(CGImageRef image) { return image ? image->space : nullptr; }
CGBitmapInfo CGImageGetBitmapInfo(CGImageRef image) { return image ? kCGImageAlphaPremultipliedLast : 0; }

CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent, size_t,
                                   CGColorSpaceRef space, CGBitmapInfo)
{
  if (data || !width || !height || bitsPerComponent != 8 || !space)
    return nullptr;
  auto* context = new CGContext;
  context->width = width;
  context->height = height;
  context->space = CGColorSpaceRetain(space);
  context->pixels.assign(width * height * 4, 0);
  return context;
}

CGContextRef CGContextRetain(CGContextRef context)
{
  if (context)
    context->refs++;
  return context;
}

void CGContextRelease(CGContextRef context)
{
  if (!context || --context->refs > 0)
    return;
  CGColorSpaceRelease(context->space);
  delete context;
}

void CGContextSetShadowWithColor(CGContextRef context, CGSize offset, CGFloat blur, CGColorRef color)
{
  if (!context)
    return;
  context->shadowOffset = offset;
  context->shadowBlur = blur;
  context->shadowColor = color != nullptr;
}

void CGContextDrawImage(CGContextRef context, CGRect rect, CGImageRef image)
{
  if (!context || !image || rect.size.width <= 0 || rect.size.height <= 0)
    return;
  for (size_t y = 0; y < context->height; y++)
  {
    for (size_t x = 0; x < context->width; x++)
    {
      const CGFloat u = (x + 0.5 - rect.origin.x) / rect.size.width, v = (y + 0.5 - rect.origin.y) / rect.size.height;
      if (u < 0 || u >= 1 || v < 0 || v >= 1)
        continue;
      const size_t sx = std::min(image->width - 1, static_cast<size_t>(u * image->width));
      const size_t sy = std::min(image->height - 1, static_cast<size_t>(v * image->height));
      std::copy_n(&image->pixels[(sy * image->width + sx) * 4], 4, &context->pixels[(y * context->width + x) * 4]);
    }
  }
}

CGImageRef CGBitmapContextCreateImage(CGContextRef context)
{
  if (!context)
    return nullptr;
  CGImageRef image = PWShimCGImageCreateFilled(context->width, context->height, 0);
  image->pixels = context->pixels;
  return image;
}

