// ICanvasVector: bitmaps with their cache, fonts into the renderer's atlas,
// single- and multi-line text, shadows and dotted lines.

#include "ICanvasVector.h"
#include "IWeftUtilities.h"
#include "VGText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace weft::canvas {

namespace {

// More dashes than this are finer than any display shows: such a line is
// drawn solid rather than looping without end.
constexpr float kMaxDashes = 1.0e6f;

int AlignFlags(const IText& text)
{
  static constexpr int kH[] = {VG_ALIGN_LEFT, VG_ALIGN_CENTER, VG_ALIGN_RIGHT};
  static constexpr int kV[] = {VG_ALIGN_TOP, VG_ALIGN_MIDDLE, VG_ALIGN_BOTTOM};
  return kH[static_cast<int>(text.mAlign)] + kV[static_cast<int>(text.mVAlign)];
}

// The anchor of a text in r by its alignments.
void TextAnchor(const IText& text, const IRECT& r, double& x, double& y)
{
  x = text.mAlign == EAlign::Near ? r.L : (text.mAlign == EAlign::Center ? r.MW() : r.R);
  y = text.mVAlign == EVAlign::Top ? r.T : (text.mVAlign == EVAlign::Middle ? r.MH() : r.B);
}

} // namespace

// --- Bitmaps

bool ICanvasVector::BitmapExtSupported(const char* ext)
{
  if (!ext)
    return false;
  std::string lower(ext);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  return lower.find("png") != std::string::npos || lower.find("jpg") != std::string::npos ||
         lower.find("jpeg") != std::string::npos;
}

void ICanvasVector::DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY, const IBlend* pBlend)
{
  const APIBitmap* pAPIBitmap = bitmap.GetAPIBitmap();
  if (!mVG || !pAPIBitmap || pAPIBitmap->GetBitmap() <= 0)
    return; // an invalid bitmap draws nothing
  const double density = static_cast<double>(pAPIBitmap->GetScale()) * pAPIBitmap->GetDrawScale();
  if (!(density > 0.0))
    return;
  const float s = static_cast<float>(1.0 / density);

  VGpaint paint{};
  const float xform[6] = {s, 0.0f, 0.0f, s, dest.L - static_cast<float>(srcX), dest.T - static_cast<float>(srcY)};
  std::copy(xform, xform + 6, paint.xform);
  paint.extent[0] = static_cast<float>(bitmap.W()) * bitmap.GetScale();
  paint.extent[1] = static_cast<float>(bitmap.H()) * bitmap.GetScale();
  paint.innerColor = paint.outerColor = vgRGBAf(1.0f, 1.0f, 1.0f, BlendWeight(pBlend));
  paint.image = pAPIBitmap->GetBitmap();

  vgBeginPath(mVG);
  VectorRect(mVG, dest);
  vgFillPaint(mVG, paint);
  VectorSetBlendMode(mVG, pBlend);
  vgFill(mVG);
  vgGlobalCompositeOperation(mVG, VG_SOURCE_OVER);
  vgBeginPath(mVG);
}

IBitmap ICanvasVector::LoadBitmap(const char* name, int nStates, bool framesAreHorizontal, int targetScale)
{
  if (!name || !name[0])
    return IBitmap();
  if (targetScale == 0)
    targetScale = GetRoundedScreenScale();
  StaticStorage<APIBitmap>::Accessor storage(mBitmapCache);
  APIBitmap* pAPIBitmap = storage.Find(name, targetScale);
  if (!pAPIBitmap)
  {
    const char* dot = std::strrchr(name, '.');
    const char* ext = dot ? dot + 1 : "";
    LOOM_String fullPath;
    int sourceScale = 0;
    const EResourceLocation location = SearchImageResource(name, ext, fullPath, targetScale, sourceScale);
    if (location == kNotFound || !BitmapExtSupported(ext))
      return IBitmap(); // not found: invalid, and nothing cached
    pAPIBitmap = LoadAPIBitmap(fullPath.Get(), sourceScale, location, ext);
    if (!pAPIBitmap)
      return IBitmap();
    // Kept under the scale asked for, so the next request finds it whatever
    // scale the file was found at.
    storage.Add(pAPIBitmap, name, targetScale);
  }
  return IBitmap(pAPIBitmap, nStates, framesAreHorizontal, name);
}

APIBitmap* ICanvasVector::LoadAPIBitmap(const char* fileNameOrResID, int scale, EResourceLocation location,
                                        const char*)
{
  if (!mVG)
    return nullptr;
  int id = 0;
  if (location == kAbsolutePath)
  {
    ScopedGLContext scopedGLContext(this);
    id = vgCreateImage(mVG, fileNameOrResID, 0);
  }
  if (id <= 0)
    return nullptr;
  return new Bitmap(mVG, fileNameOrResID, scale, id, location == kPreloadedTexture);
}

APIBitmap* ICanvasVector::LoadAPIBitmap(const char* name, const void* pData, int dataSize, int scale)
{
  if (!mVG || !pData || dataSize <= 0)
    return nullptr;
  StaticStorage<APIBitmap>::Accessor storage(mBitmapCache);
  if (APIBitmap* pCached = storage.Find(name, scale))
    return pCached;
  int id = 0;
  {
    ScopedGLContext scopedGLContext(this);
    id = vgCreateImageMem(mVG, 0, static_cast<unsigned char*>(const_cast<void*>(pData)), dataSize);
  }
  if (id <= 0)
    return nullptr;
  auto* pBitmap = new Bitmap(mVG, name, scale, id, false);
  storage.Add(pBitmap, name, scale);
  return pBitmap;
}

IColor ICanvasVector::GetPoint(int, int) { return COLOR_BLACK; }

// --- Fonts

bool ICanvasVector::LoadAPIFont(const char* fontID, const PlatformFontPtr& font)
{
  if (!mVG)
    return false;
  StaticStorage<IFontData>::Accessor storage(sFontCache);
  if (const IFontData* pCached = storage.Find(fontID, 1.0))
  {
    // The atlas reads the cached bytes in place; the store keeps them.
    return vgCreateFontFaceMem(mVG, fontID, const_cast<unsigned char*>(pCached->Get()), pCached->GetSize(),
                               pCached->GetFaceIdx(), 0) != -1;
  }
  if (!font)
    return false;
  IFontDataPtr data = font->GetFontData();
  if (!data || !data->IsValid())
    return false;
  if (vgCreateFontFaceMem(mVG, fontID, const_cast<unsigned char*>(data->Get()), data->GetSize(), data->GetFaceIdx(),
                          0) == -1)
    return false;
  storage.Add(data.release(), fontID, 1.0);
  return true;
}

// --- Text

bool ICanvasVector::PrepareAndMeasureText(const IText& text, const char* str, IRECT& r, double& x,
                                          double& y) const
{
  TextAnchor(text, r, x, y);
  const float fx = static_cast<float>(x), fy = static_cast<float>(y);
  if (!mVG || vgFindFont(mVG, text.mFont) == -1)
  {
    r = IRECT(fx, fy, fx, fy);
    return false;
  }
  vgFontBlur(mVG, 0.0f);
  vgFontSize(mVG, text.mSize);
  vgFontFace(mVG, text.mFont);
  vgTextAlign(mVG, AlignFlags(text));
  float b[4] = {fx, fy, fx, fy};
  vgTextBounds(mVG, fx, fy, str, nullptr, b);
  r = IRECT(b[0], b[1], b[2], b[3]);
  return true;
}

float ICanvasVector::DoMeasureText(const IText& text, const char* str, IRECT& bounds) const
{
  const IRECT r = bounds;
  double x = 0.0, y = 0.0;
  PrepareAndMeasureText(text, str, bounds, x, y);
  DoMeasureTextRotation(text, r, bounds);
  return bounds.W();
}

void ICanvasVector::DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* pBlend)
{
  IRECT measured = bounds;
  double x = 0.0, y = 0.0;
  if (!PrepareAndMeasureText(text, str, measured, x, y))
    return;
  PathTransformSave();
  DoTextRotation(text, bounds, measured);
  vgFillColor(mVG, VectorColor(text.mFGColor, pBlend));
  VectorSetBlendMode(mVG, pBlend);
  vgText(mVG, static_cast<float>(x), static_cast<float>(y), str, nullptr);
  vgGlobalCompositeOperation(mVG, VG_SOURCE_OVER);
  PathTransformRestore();
}

void ICanvasVector::DrawMultiLineText(const IText& text, const char* str, const IRECT& bounds, const IBlend* pBlend)
{
  if (!mVG || !str || vgFindFont(mVG, text.mFont) == -1)
    return;
  static constexpr float kVFactor[] = {0.0f, 0.5f, 1.0f};
  double x = 0.0, y = 0.0;
  TextAnchor(text, bounds, x, y);
  const float factor = kVFactor[static_cast<int>(text.mVAlign)];

  vgSave(mVG);
  vgFontSize(mVG, text.mSize);
  vgFontFace(mVG, text.mFont);
  vgTextAlign(mVG, AlignFlags(text));
  float lineHeight = 0.0f;
  vgTextMetrics(mVG, nullptr, nullptr, &lineHeight);
  vgFillColor(mVG, VectorColor(text.mFGColor, pBlend));

  const char* end = str + std::strlen(str);
  int nRows = 0;
  float rowY = 0.0f;
  for (int pass = 0; pass < 2; pass++)
  {
    if (pass == 1)
      rowY = static_cast<float>(y) - static_cast<float>(nRows) * lineHeight * factor;
    VGtextLine rows[3];
    const char* start = str;
    int n = 0;
    while ((n = vgTextBreakLines(mVG, start, end, bounds.W(), rows, 3)) > 0)
    {
      for (int i = 0; i < n; i++)
      {
        if (pass == 0)
        {
          nRows++;
          continue;
        }
        vgText(mVG, static_cast<float>(x), rowY, rows[i].start, rows[i].end);
        rowY += lineHeight;
      }
      if (rows[n - 1].next <= start)
        break;
      start = rows[n - 1].next;
    }
  }
  vgRestore(mVG);
}

// --- Shadows

void ICanvasVector::DrawFastDropShadow(const IRECT& innerBounds, const IRECT& outerBounds, float xyDrop,
                                       float roundness, float blur, const IBlend* pBlend)
{
  if (!mVG)
    return;
  const VGpaint shadow =
    vgBoxGradient(mVG, innerBounds.L + xyDrop, innerBounds.T + xyDrop, innerBounds.W(), innerBounds.H(), roundness,
                  blur, VectorColor(COLOR_BLACK_DROP_SHADOW, pBlend), VectorColor(COLOR_TRANSPARENT, nullptr));
  vgBeginPath(mVG);
  VectorRect(mVG, outerBounds);
  vgFillPaint(mVG, shadow);
  vgGlobalCompositeOperation(mVG, VG_SOURCE_OVER);
  vgFill(mVG);
  vgBeginPath(mVG);
}

void ICanvasVector::GetLayerBitmapData(const ILayerPtr& layer, LOOM_TypedBuf<uint8_t>& data)
{
  const APIBitmap* pBitmap = layer ? layer->GetAPIBitmap() : nullptr;
  const int64_t size = pBitmap ? int64_t(pBitmap->GetWidth()) * pBitmap->GetHeight() * 4 : 0;
  if (!mVG || size <= 0 || size > INT32_MAX)
  {
    data.Resize(0);
    return;
  }
  data.Resize(static_cast<int>(size));
  if (data.GetSize() < size)
    return;
  PushLayer(layer.get());
  vgReadPixels(mVG, pBitmap->GetBitmap(), 0, 0, pBitmap->GetWidth(), pBitmap->GetHeight(), data.Get());
  PopLayer();
}

void ICanvasVector::ApplyShadowMask(ILayerPtr& layer, LOOM_TypedBuf<uint8_t>& mask, const IShadow& shadow)
{
  const APIBitmap* pBitmap = layer ? layer->GetAPIBitmap() : nullptr;
  if (!mVG || !pBitmap)
    return;
  const int w = pBitmap->GetWidth(), h = pBitmap->GetHeight();
  if (int64_t(mask.GetSize()) < int64_t(w) * h * 4)
    return;
  const IRECT& bounds = layer->Bounds();

  if (!shadow.mDrawForeground)
  {
    // Clear the layer: the blend function (zero, zero) writes transparent
    // black whatever the paint.
    PushLayer(layer.get());
    vgBeginPath(mVG);
    VectorRect(mVG, bounds);
    vgFillColor(mVG, VectorColor(COLOR_TRANSPARENT));
    vgGlobalCompositeBlendFunc(mVG, VG_ZERO, VG_ZERO);
    vgFill(mVG);
    vgGlobalCompositeOperation(mVG, VG_SOURCE_OVER);
    vgBeginPath(mVG);
    PopLayer();
  }

  Bitmap maskBitmap(mVG, w, h, mask.Get(), pBitmap->GetScale(), pBitmap->GetDrawScale());
  APIBitmap* pShadowBitmap = CreateAPIBitmap(w, h, pBitmap->GetScale(), pBitmap->GetDrawScale());
  if (maskBitmap.GetBitmap() <= 0 || !pShadowBitmap)
  {
    delete pShadowBitmap;
    return;
  }
  ILayer shadowLayer(pShadowBitmap, bounds, nullptr, IRECT());
  const IBitmap mask1(&maskBitmap, 1, false, "");
  const IBitmap shadow1 = shadowLayer.GetBitmap();

  PathTransformSave();
  PushLayer(layer.get());
  PushLayer(&shadowLayer);
  DrawBitmap(mask1, bounds, 0, 0, nullptr);
  PathRect(bounds);
  PathTransformTranslate(-shadow.mXOffset, -shadow.mYOffset);
  const IBlend sourceIn(EBlend::SrcIn, 1.0f);
  PathFill(shadow.mPattern, IFillOptions(false, EFillRule::Winding), &sourceIn);
  PopLayer();
  const IBlend destOver(EBlend::DstOver, shadow.mOpacity);
  DrawBitmap(shadow1, bounds.GetTranslated(shadow.mXOffset, shadow.mYOffset), 0, 0, &destOver);
  PopLayer();
  PathTransformRestore();
}

// --- Dotted lines

void ICanvasVector::DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* pBlend,
                                   float thickness, float dashLen)
{
  const float n = std::round(std::hypot(x2 - x1, y2 - y1) / dashLen);
  PathMoveTo(x1, y1);
  if (!(dashLen > 0.0f) || !(n <= kMaxDashes))
    PathLineTo(x2, y2); // solid
  else
  {
    const float step = 1.0f / n;
    const float dx = x2 - x1, dy = y2 - y1;
    for (int i = 1; i < static_cast<int>(n); i += 2)
    {
      PathLineTo(x1 + dx * static_cast<float>(i) * step, y1 + dy * static_cast<float>(i) * step);
      PathMoveTo(x1 + dx * static_cast<float>(i + 1) * step, y1 + dy * static_cast<float>(i + 1) * step);
    }
  }
  PathStroke(IPattern(color), thickness, IStrokeOptions(), pBlend);
}

void ICanvasVector::DrawDottedRect(const IColor& color, const IRECT& r, const IBlend* pBlend, float thickness,
                                   float dashLen)
{
  const float nx = std::ceil(r.W() / (2.0f * dashLen));
  const float ny = std::ceil(r.H() / (2.0f * dashLen));
  if (!(dashLen > 0.0f) || !(nx <= kMaxDashes) || !(ny <= kMaxDashes))
  {
    PathRect(r); // solid
    PathStroke(IPattern(color), thickness, IStrokeOptions(), pBlend);
    return;
  }
  float d = dashLen;
  float x = r.L, y = r.T;
  PathMoveTo(x, y);
  for (int pass = 0; pass < 2; pass++, d = -d)
  {
    for (int i = 0; i < static_cast<int>(nx); i++)
    {
      const float xEnd = Clip(x + d, r.L, r.R);
      PathLineTo(xEnd, y);
      x = Clip(xEnd + d, r.L, r.R);
      PathMoveTo(x, y);
    }
    for (int i = 0; i < static_cast<int>(ny); i++)
    {
      const float yEnd = Clip(y + d, r.T, r.B);
      PathLineTo(x, yEnd);
      y = Clip(yEnd + d, r.T, r.B);
      PathMoveTo(x, y);
    }
  }
  PathStroke(IPattern(color), thickness, IStrokeOptions(), pBlend);
}

} // namespace weft::canvas
