// Images: decoding through stb_image, and the texture calls of the backend.

#include "VGContext.h"

#include <mutex>

// The decoder is compiled here with internal linkage, so it cannot clash
// with another copy of stb_image in the same program.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

// The decoder's settings are process-wide: images are unpremultiplied on
// load and the byte order of platform-optimised PNG files is converted.
// They are set once, when the first renderer context is created, and apply
// to file and memory decoding alike.
void vg__configureImageDecoder()
{
  static std::once_flag once;
  std::call_once(once, [] {
    stbi_set_unpremultiply_on_load(1);
    stbi_convert_iphone_png_to_rgb(1);
  });
}

int vgCreateImage(VGcontext* ctx, const char* filename, int imageFlags)
{
  if (!filename) return 0;
  int w = 0, h = 0, n = 0;
  unsigned char* img = stbi_load(filename, &w, &h, &n, 4);
  if (!img) return 0;
  const int image = vgCreateImageRGBA(ctx, w, h, imageFlags, img);
  stbi_image_free(img);
  return image;
}

int vgCreateImageMem(VGcontext* ctx, int imageFlags, unsigned char* data, int ndata)
{
  if (!data || ndata <= 0) return 0;
  int w = 0, h = 0, n = 0;
  unsigned char* img = stbi_load_from_memory(data, ndata, &w, &h, &n, 4);
  if (!img) return 0;
  const int image = vgCreateImageRGBA(ctx, w, h, imageFlags, img);
  stbi_image_free(img);
  return image;
}

int vgCreateImageRGBA(VGcontext* ctx, int w, int h, int imageFlags, const unsigned char* data)
{
  const int image = ctx->params.renderCreateTexture(ctx->params.userPtr, VG_TEXTURE_RGBA, w, h, imageFlags, data);
  return image > 0 ? image : 0;
}

void vgUpdateImage(VGcontext* ctx, int image, const unsigned char* data)
{
  int w = 0, h = 0;
  if (!ctx->params.renderGetTextureSize(ctx->params.userPtr, image, &w, &h)) return;
  ctx->params.renderUpdateTexture(ctx->params.userPtr, image, 0, 0, w, h, data);
}

void vgImageSize(VGcontext* ctx, int image, int* w, int* h)
{
  ctx->params.renderGetTextureSize(ctx->params.userPtr, image, w, h);
}

void vgDeleteImage(VGcontext* ctx, int image) { ctx->params.renderDeleteTexture(ctx->params.userPtr, image); }
