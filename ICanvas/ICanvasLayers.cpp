// Layers: offscreen bitmaps that a control draws into once and reuses. The
// context redirects drawing into the top of its layer stack through the back
// end's UpdateLayer.

#include "ICanvas.h"

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
  if (ILayer* pLayer = layer.release())
    PushLayer(pLayer);
}

void ICanvas::PushLayer(ILayer* pLayer)
{
  if (!pLayer)
    return;
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
  if (!pBitmap)
    return false;
  if (const IControl* pControl = layer->GetControl(); pControl && layer->GetControlRECT() != pControl->GetRECT())
  {
    layer->SetControlRECT(pControl->GetRECT());
    layer->Invalidate();
  }
  return !layer->IsInvalid() && pBitmap->GetDrawScale() == GetDrawScale() && pBitmap->GetScale() == GetScreenScale();
}

void ICanvas::DrawLayer(const ILayerPtr& layer, const IBlend* pBlend)
{
  if (!layer)
    return;
  PathTransformSave();
  PathTransformReset(false);
  DrawBitmap(layer->GetBitmap(), layer->Bounds(), 0, 0, pBlend);
  PathTransformRestore();
}

} // namespace weft::canvas
