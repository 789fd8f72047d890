#include "IVRangeSliderControl.h"

#include "ICanvas.h"

#include <algorithm>

namespace weft::canvas {

IVRangeSliderControl::IVRangeSliderControl(const IRECT& bounds, const std::vector<int>& params, const char* label,
                                           const IVStyle& style, EDirection dir, float handleSize, float trackSize)
: IVTrackControlBase(bounds, label, style, params, 0, dir)
, mHandleSize(handleSize)
{
  mTrackSize = trackSize;
}

void IVRangeSliderControl::MakeTrackRects(const IRECT& bounds)
{
  const IRECT inner = bounds.GetPadded(-mHandleSize);
  const IRECT strip = mDirection == EDirection::Vertical ? inner.GetMidHPadded(mTrackSize)
                                                          : inner.GetMidVPadded(mTrackSize);
  mTrackBounds.Resize(NVals());
  for (int i = 0; i < NVals(); ++i)
    mTrackBounds.Get()[i] = strip;
}

IRECT IVRangeSliderControl::GetHandleBounds(int chIdx) const
{
  const IRECT a = mTrackBounds.Get()[chIdx].FracRect(mDirection, static_cast<float>(GetValue(chIdx)));
  const float o = mStyle.drawShadows && mShape != EVShape::Ellipse ? mStyle.shadowOffset * 0.5f : 0.0f;
  const float h = mHandleSize, t = mTrackSize;
  const bool even = chIdx % 2 == 0;
  if (mDirection == EDirection::Vertical)
  {
    const float x = a.MW() + o, y = a.T;
    return even ? IRECT(x - 2.0f * h, y - h, x, y + h) : IRECT(x + t, y - h, x + t + 2.0f * h, y + h);
  }
  const float x = a.R, y = a.MH() + o;
  return even ? IRECT(x - h, y + t, x + h, y + t + 2.0f * h) : IRECT(x - h, y - 2.0f * h, x + h, y);
}

void IVRangeSliderControl::Draw(ICanvas& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
}

void IVRangeSliderControl::DrawWidget(ICanvas& g)
{
  DrawTrackBackground(g, mTrackBounds.Get()[0], 0);
  for (int i = 0; i < NVals() - 1; ++i)
  {
    const IRECT a = mTrackBounds.Get()[i].FracRect(mDirection, static_cast<float>(GetValue(i)));
    const IRECT c = mTrackBounds.Get()[i + 1].FracRect(mDirection, static_cast<float>(GetValue(i + 1)));
    const IRECT span = mDirection == EDirection::Horizontal
                         ? IRECT(std::min(a.R, c.R), a.T, std::max(a.R, c.R), a.B)
                         : IRECT(a.L, std::min(a.T, c.T), a.R, std::max(a.T, c.T));
    g.FillRect(GetColor(kX1), span, &mBlend);
  }
  if (mStyle.drawFrame && mDrawTrackFrame)
    g.DrawRect(GetColor(kFR), mTrackBounds.Get()[0], &mBlend, mStyle.frameThickness);
  IVTrackControlBase::DrawWidget(g);
}

void IVRangeSliderControl::DrawTrack(ICanvas& g, const IRECT&, int chIdx)
{
  const bool even = chIdx % 2 == 0;
  const float angle = mDirection == EDirection::Horizontal ? (even ? 0.0f : 180.0f) : (even ? 90.0f : 270.0f);
  const bool over = chIdx == mMouseOverHandle;
  DrawPressableTriangle(g, GetHandleBounds(chIdx), over && mMouseIsDown, over, angle, IsDisabled());
}

void IVRangeSliderControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mMouseOverHandle = -1;
  for (int i = 0; i < NVals(); ++i)
  {
    if (GetHandleBounds(i).Contains(x, y))
    {
      mMouseOverHandle = i;
      break;
    }
  }
  IVTrackControlBase::OnMouseOver(x, y, mod);
  SetDirty(false);
}

void IVRangeSliderControl::OnMouseOut()
{
  mMouseOverHandle = -1;
  IVTrackControlBase::OnMouseOut();
}

void IVRangeSliderControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMouseIsDown = true;
  OnMouseDrag(x, y, 0.0f, 0.0f, mod);
}

void IVRangeSliderControl::OnMouseUp(float, float, const IMouseMod&) { mMouseIsDown = false; }

void IVRangeSliderControl::OnMouseDrag(float x, float y, float, float, const IMouseMod&)
{
  const int j = mMouseOverHandle;
  if (j < 0 || j >= NVals())
    return;
  const double low = j == 0 ? 0.0 : GetValue(j - 1);
  const double high = j == NVals() - 1 ? 1.0 : GetValue(j + 1);
  SnapToMouse(x, y, mDirection, mWidgetBounds, j, low, high);
}

} // namespace weft::canvas
