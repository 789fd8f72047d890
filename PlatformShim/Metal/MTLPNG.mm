// Writing a texture to a PNG file.
#include "Metal.h"
#include "PWShimMetal.h"

#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wmissing-field-initializers"
#include <stb/stb_image_write.h>
#pragma clang diagnostic pop

bool PWMTLWriteTexturePNG(void* handle, const char* path)
{
  id<MTLTexture> texture = (id<MTLTexture>)handle;
  if (!texture || !path)
    return false;
  const int w = (int)texture.width, h = (int)texture.height;
  const MTLPixelFormat format = texture.pixelFormat;
  const int channels = format == MTLPixelFormatR8Unorm ? 1 : 4;
  if (format != MTLPixelFormatR8Unorm && format != MTLPixelFormatRGBA8Unorm && format != MTLPixelFormatBGRA8Unorm)
    return false;
  std::vector<unsigned char> pixels((size_t)w * h * channels);
  [texture getBytes:pixels.data() bytesPerRow:(NSUInteger)w * channels fromRegion:MTLRegionMake2D(0, 0, w, h)
        mipmapLevel:0];
  if (format == MTLPixelFormatBGRA8Unorm)
    for (size_t i = 0; i < pixels.size(); i += 4)
      std::swap(pixels[i], pixels[i + 2]);
  return stbi_write_png(path, w, h, channels, pixels.data(), w * channels) != 0;
}
