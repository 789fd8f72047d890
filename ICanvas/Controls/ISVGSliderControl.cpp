#include "ISVGSliderControl.h"

#include "ICanvas.h"

namespace weft::canvas {

ISVGSliderControl::ISVGSliderControl(const IRECT& bounds, const ISVG& handleImage, const ISVG& trackImage,
                                     int paramIdx, EDirection dir, double gearing)
: ISliderControlBase(bounds, paramIdx, dir, gearing, 0.0f)
, mHandleSVG(handleImage)
, mTrackSVG(trackImage)
{}

bool ISVGSliderControl::Drawable() const
{
  for (const ISVG* pSVG : {&mHandleSVG, &mTrackSVG})
    if (!pSVG->IsValid() || !(pSVG->W() > 0.0f) || !(pSVG->H() > 0.0f))
      return false;
  return true;
}

void ISVGSliderControl::OnResize()
{
  // The layout divides by the images' sizes: without them the pointer maps
  // over the whole control, as for the plain slider base.
  if (!Drawable())
  {
    ISliderControlBase::OnResize();
    SetDirty(false);
    return;
  }
  const float a = mTrackSVG.W() / mTrackSVG.H();
  const float b = mHandleSVG.W() / mHandleSVG.H();
  const float c = mHandleSVG.H() / mTrackSVG.H();
  const IRECT& r = mRECT;
  if (mDirection == EDirection::Vertical)
  {
    mTrackSVGBounds = r.GetCentredInside(r.H() * a, r.H());
    const float h = r.H() * c, w = h * b;
    const IRECT handle = r.GetCentredInside(w, h);
    mHandleBoundsAtMax = IRECT(handle.L, mTrackSVGBounds.T, handle.R, mTrackSVGBounds.T + h);
    mTrack = mTrackSVGBounds;
    mTrack.T += h;
  }
  else
  {
    mTrackSVGBounds = r.GetCentredInside(r.W(), r.W() / a);
    const float h = mTrackSVGBounds.H() * c, w = h * b;
    const float mid = mTrackSVGBounds.MH();
    mHandleBoundsAtMax = IRECT(mTrackSVGBounds.R - w, mid - h / 2.0f, mTrackSVGBounds.R, mid + h / 2.0f);
    mTrack = mTrackSVGBounds;
    mTrack.L += w;
  }
  SetDirty(false);
}

IRECT ISVGSliderControl::GetHandleBounds(double value) const
{
  if (value < 0.0)
    value = GetValue();
  const float off = static_cast<float>(1.0 - value);
  if (mDirection == EDirection::Vertical)
    return mHandleBoundsAtMax.GetVShifted(off * mTrack.H());
  return mHandleBoundsAtMax.GetHShifted(-off * mTrack.W());
}

void ISVGSliderControl::Draw(ICanvas& g)
{
  if (!Drawable())
    return;
  g.DrawSVG(mTrackSVG, mTrackSVGBounds, &mBlend);
  g.DrawSVG(mHandleSVG, GetHandleBounds(), &mBlend);
}

} // namespace weft::canvas
