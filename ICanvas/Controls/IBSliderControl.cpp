#include "IBSliderControl.h"

#include "ICanvas.h"

namespace weft::canvas {

namespace {
IRECT PointBounds(float x, float y, int len, const IBitmap& handle, EDirection dir)
{
  return dir == EDirection::Horizontal ? IRECT::MakeXYWH(x, y, static_cast<float>(len), static_cast<float>(handle.H()))
                                       : IRECT::MakeXYWH(x, y, static_cast<float>(handle.W()), static_cast<float>(len));
}
float HandleSize(const IBitmap& handle, EDirection dir)
{
  return static_cast<float>(dir == EDirection::Horizontal ? handle.W() : handle.H());
}
} // namespace

IBSliderControl::IBSliderControl(float x, float y, int len, const IBitmap& handleBitmap, const IBitmap& trackBitmap,
                                 int paramIdx, EDirection dir, double gearing)
: IBSliderControl(PointBounds(x, y, len, handleBitmap, dir), handleBitmap, trackBitmap, paramIdx, dir, gearing)
{}

IBSliderControl::IBSliderControl(const IRECT& bounds, const IBitmap& handleBitmap, const IBitmap& trackBitmap,
                                 int paramIdx, EDirection dir, double gearing)
: ISliderControlBase(bounds, paramIdx, dir, gearing, HandleSize(handleBitmap, dir))
, IBitmapBase(handleBitmap)
, mTrackBitmap(trackBitmap)
{
  AttachIControl(this);
}

void IBSliderControl::OnResize()
{
  if (mTrackBitmap.IsValid())
    mTrack = mRECT.GetCentredInside(mTrackBitmap);
  else if (mDirection == EDirection::Horizontal)
    mTrack = mRECT.GetMidVPadded(static_cast<float>(mBitmap.H()) / 2.0f);
  else
    mTrack = mRECT.GetMidHPadded(static_cast<float>(mBitmap.W()) / 2.0f);
  SetDirty(false);
}

IRECT IBSliderControl::GetHandleBounds(double value) const
{
  if (value < 0.0)
    value = GetValue();
  const float v = static_cast<float>(value);
  const IRECT handle = IRECT::MakeXYWH(mTrack.L, mTrack.T, static_cast<float>(mBitmap.FW()),
                                       static_cast<float>(mBitmap.FH()));
  if (mDirection == EDirection::Horizontal)
    return handle.GetHShifted(v * (mTrack.W() - static_cast<float>(mBitmap.W())));
  return handle.GetVShifted((1.0f - v) * (mTrack.H() - static_cast<float>(mBitmap.H())));
}

void IBSliderControl::Draw(ICanvas& g)
{
  if (mTrackBitmap.IsValid())
    g.DrawBitmap(mTrackBitmap, mRECT.GetCentredInside(mTrackBitmap), 0, 0, &mBlend);
  if (mBitmap.IsValid())
    g.DrawBitmap(mBitmap, GetHandleBounds(), 1, &mBlend);
}

void IBSliderControl::OnRescale()
{
  if (!GetUI() || !mBitmap.IsValid())
    return;
  const IBitmap scaled = GetUI()->GetScaledBitmap(mBitmap);
  if (scaled.IsValid())
    mBitmap = scaled;
}

} // namespace weft::canvas
