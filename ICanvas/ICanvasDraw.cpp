// The draw cycle: dirty collection, region optimisation and clipped drawing.

#include "ICanvas.h"

#include "IContainerBase.h"
#include "IFPSDisplayControl.h"

#include <chrono>

namespace weft::canvas {

double GetTimestamp()
{
  using Clock = std::chrono::steady_clock;
  static const Clock::time_point start = Clock::now();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

bool ICanvas::IsDirty(IRECTList& rects)
{
  ForAllControlsFunc([](IControl* pControl) { pControl->Animate(); });

  bool dirty = false;
  ForAllControlsFunc([&](IControl* pControl) {
    if (!pControl->IsDirty())
      return;
    IRECT r = pControl->GetRECT().GetPadded(CLIP_PADDING);
    if (const IControl* pParent = pControl->GetParent())
      r.Clank(pParent->GetRECT().GetPadded(CLIP_PADDING));
    rects.Add(r);
    dirty = true;
  });
  return dirty;
}

void ICanvas::Draw(IRECTList& rects)
{
  if (rects.Size() == 0)
    return;

  const float scale = GetBackingPixelScale();
  BeginFrame();
  if (mStrict)
  {
    IRECT r = rects.Bounds();
    r.PixelAlign(scale);
    Draw(r, scale);
  }
  else
  {
    rects.PixelAlign(scale);
    rects.Optimize();
    for (int i = 0; i < rects.Size(); ++i)
      Draw(rects.Get(i), scale);
  }
  EndFrame();
}

void ICanvas::Draw(const IRECT& bounds, float scale)
{
  ForAllControlsFunc([&](IControl* pControl) { DrawControl(pControl, bounds, scale); });
}

void ICanvas::DrawControl(IControl* pControl, const IRECT& bounds, float scale)
{
  if (!pControl)
    return;
  if (pControl->IsHidden() && pControl != GetControl(0))
    return; // the background is drawn even when hidden

  IRECT clip = bounds.Intersect(pControl->GetRECT().GetPadded(CLIP_PADDING).GetPixelAligned(scale));
  if (!(clip.W() > 0.0f) || !(clip.H() > 0.0f))
    return;

  for (const IControl* pAncestor = pControl->GetParent(); pAncestor; pAncestor = pAncestor->GetParent())
  {
    const IRECT p = pAncestor->GetRECT().GetPadded(CLIP_PADDING).GetPixelAligned(scale);
    if (!clip.Intersects(p))
      return;
    clip.Clank(p);
  }

  PrepareRegion(clip);
  pControl->Draw(*this);
  CompleteRegion(clip);
}

void ICanvas::PrepareRegion(const IRECT& r)
{
  PathTransformReset(true);
  PathClear();
  SetClipRegion(r);
  mClipRECT = r;
}

void ICanvas::BeginFrame()
{
  if (!mFPSDisplay)
    return;
  const double now = GetTimestamp();
  static_cast<IFPSDisplayControl*>(mFPSDisplay.get())->Update(static_cast<float>(now - mPrevTimestamp));
  mPrevTimestamp = now;
}

void ICanvas::SetStrictDrawing(bool strict)
{
  mStrict = strict;
  SetAllControlsDirty();
}

} // namespace weft::canvas
