// Off-screen layers and their drop shadows.

#include "ICanvas.h"

#include "IGaussianBlur.h"
#include "IShadow.h"

#include <cmath>

namespace weft::canvas {

void ICanvas::StartLayer(IControl* pControl, const IRECT& r, bool cacheable)
{
  const float scale = GetBackingPixelScale();
  const IRECT aligned = r.GetPixelAligned(scale);
  const int w = static_cast<int>(std::ceil(scale * std::ceil(aligned.W())));
  const int h = static_cast<int>(std::ceil(scale * std::ceil(aligned.H())));
  APIBitmap* pBitmap = CreateAPIBitmap(w, h, GetScreenScale(), GetDrawScale(), cacheable);
  PushLayer(new ILayer(pBitmap, aligned, pControl, pControl ? pControl->GetRECT() : IRECT()));
}

ILayerPtr ICanvas::EndLayer() { return ILayerPtr(PopLayer()); }

void ICanvas::ResumeLayer(ILayerPtr& layer)
{
  ILayer* pLayer = layer.release();
  if (pLayer)
    PushLayer(pLayer);
}

void ICanvas::PushLayer(ILayer* pLayer)
{
  mLayers.push(pLayer);
  UpdateLayer();
  PathTransformReset(false);
  PathClipRegion(pLayer->Bounds());
  PathClear();
}

ILayer* ICanvas::PopLayer()
{
  ILayer* pLayer = nullptr;
  if (!mLayers.empty())
  {
    pLayer = mLayers.top();
    mLayers.pop();
  }
  UpdateLayer();
  PathTransformReset(false);
  PathClipRegion();
  PathClear();
  return pLayer;
}

bool ICanvas::CheckLayer(const ILayerPtr& layer)
{
  const APIBitmap* pBitmap = layer ? layer->GetAPIBitmap() : nullptr;
  if (pBitmap && layer->GetControl() && layer->GetControlRECT() != layer->GetControl()->GetRECT())
  {
    layer->SetControlRECT(layer->GetControl()->GetRECT());
    layer->Invalidate();
  }
  return pBitmap && !layer->IsInvalid() && pBitmap->GetDrawScale() == GetDrawScale() &&
         pBitmap->GetScale() == GetScreenScale();
}

void ICanvas::DrawLayer(const ILayerPtr& layer, const IBlend* pBlend)
{
  PathTransformSave();
  PathTransformReset(false);
  DrawBitmap(layer->GetBitmap(), layer->Bounds(), 0, 0, pBlend);
  PathTransformRestore();
}

void ICanvas::DrawFittedLayer(const ILayerPtr& layer, const IRECT& bounds, const IBlend* pBlend)
{
  const IRECT r = layer->Bounds();
  PathTransformSave();
  PathTransformTranslate(bounds.L, bounds.T);
  PathTransformScale(bounds.W() / r.W(), bounds.H() / r.H());
  DrawBitmap(layer->GetBitmap(), IRECT(0.0f, 0.0f, r.W(), r.H()), 0, 0, pBlend);
  PathTransformRestore();
}

void ICanvas::DrawRotatedLayer(const ILayerPtr& layer, double angle)
{
  PathTransformSave();
  PathTransformReset(false);
  const IRECT r = layer->Bounds();
  DrawRotatedBitmap(layer->GetBitmap(), r.MW(), r.MH(), angle);
  PathTransformRestore();
}

void ICanvas::ApplyLayerDropShadow(ILayerPtr& layer, const IShadow& shadow)
{
  if (!layer || !layer->GetAPIBitmap())
    return;
  LOOM_TypedBuf<uint8_t> data(4096);
  GetLayerBitmapData(layer, data);
  if (data.GetSize() == 0)
    return;
  const APIBitmap* pBitmap = layer->GetAPIBitmap();
  const double s = double(pBitmap->GetScale()) * pBitmap->GetDrawScale();
  const IGaussianBlur blur(std::max(1.0, double(shadow.mBlurSize) * s + 1.0));
  std::vector<uint8_t> scratch;
  // A mask that does not match the bitmap is left alone rather than read
  // past its end.
  if (!blur.Apply(data.Get(), data.GetSize(), pBitmap->GetWidth(), pBitmap->GetHeight(), AlphaChannel(),
                  FlippedBitmap(), scratch))
    return;
  ApplyShadowMask(layer, data, shadow);
}

} // namespace weft::canvas
