// Offscreen targets over the renderer's images. Binding, clearing and
// reading back belong to the backend.

#include "VGContext.h"

#include <cstdlib>

MVGframebuffer* mvgCreateFramebuffer(VGcontext* ctx, int w, int h, int imageFlags)
{
  auto* fb = static_cast<MVGframebuffer*>(std::calloc(1, sizeof(MVGframebuffer)));
  if (!fb) return nullptr;
  fb->ctx = ctx;
  fb->image = vgCreateImageRGBA(ctx, w, h, imageFlags | VG_IMAGE_PREMULTIPLIED, nullptr);
  // A target without an image cannot be drawn into.
  if (fb->image <= 0)
  {
    std::free(fb);
    return nullptr;
  }
  return fb;
}

void mvgDeleteFramebuffer(MVGframebuffer* fb)
{
  if (!fb) return;
  if (fb->image > 0) vgDeleteImage(fb->ctx, fb->image);
  std::free(fb);
}
