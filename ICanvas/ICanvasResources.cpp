// Base bodies of the context's resource, font, layer-shadow and SVG
// operations.

#include "ICanvas.h"

#include "ICanvasCaches.h"

namespace weft::canvas {

void ICanvas::DrawSVG(const ISVG&, const IRECT&, const IBlend*, const IColor*, const IColor*) {}
void ICanvas::DrawRotatedSVG(const ISVG&, float, float, float, float, double, const IBlend*) {}

IBitmap ICanvas::ScaleBitmap(const IBitmap&, const char*, int) { return IBitmap(); }

void ICanvas::RetainBitmap(const IBitmap& bitmap, const char* cacheName)
{
  if (!bitmap.IsValid())
    return;
  StaticStorage<APIBitmap>::Accessor(sBitmapCache).Add(bitmap.GetAPIBitmap(), cacheName, bitmap.GetScale());
}

void ICanvas::ReleaseBitmap(const IBitmap& bitmap)
{
  StaticStorage<APIBitmap>::Accessor(sBitmapCache).Remove(bitmap.GetAPIBitmap());
}

bool ICanvas::LoadFont(const char*, const char*) { return false; }
bool ICanvas::LoadFont(const char*, void*, int) { return false; }

void ICanvas::ApplyLayerDropShadow(ILayerPtr&, const IShadow&) {}

IBitmap ICanvas::LoadBitmap(const char*, int, bool, int) { return IBitmap(); }
IBitmap ICanvas::LoadBitmap(const char*, const void*, int, int, bool, int) { return IBitmap(); }
ISVG ICanvas::LoadSVG(const char*, const char*, float) { return ISVG(); }
ISVG ICanvas::LoadSVG(const char*, const void*, int, const char*, float) { return ISVG(); }
LOOM_TypedBuf<uint8_t> ICanvas::LoadResource(const char*, const char*) { return LOOM_TypedBuf<uint8_t>(); }

} // namespace weft::canvas
