#include "ISliderControlBase.h"

#include "ICanvas.h"
#include "IControlDrag.h"

namespace weft::canvas {

ISliderControlBase::ISliderControlBase(const IRECT& bounds, int paramIdx, EDirection dir, double gearing,
                                       float handleSize)
: IControl(bounds, paramIdx)
, mDirection(dir)
, mHandleSize(handleSize)
, mGearing(gearing)
{}

ISliderControlBase::ISliderControlBase(const IRECT& bounds, IActionFunction actionFunc, EDirection dir,
                                       double gearing, float handleSize)
: IControl(bounds, std::move(actionFunc))
, mDirection(dir)
, mHandleSize(handleSize)
, mGearing(gearing)
{}

bool ISliderControlBase::IsFineControl(const IMouseMod& mod, bool) const { return detail::IsFineMod(mod); }

void ISliderControlBase::OnResize()
{
  mTargetRECT = mRECT;
  mTrack = mRECT;
  SetDirty(false);
}

void ISliderControlBase::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMouseDown = true;
  if (!detail::SteppedParam(*this))
    SnapToMouse(x, y, mDirection, mTrack, kNoValIdx, 0.0, 1.0);
  mMouseDragValue = GetValue(0);
  if (mHideCursorOnDrag && GetUI())
    GetUI()->HideMouseCursor(true, true);
  IControl::OnMouseDown(x, y, mod);
}

void ISliderControlBase::OnMouseUp(float, float, const IMouseMod&)
{
  if (mHideCursorOnDrag && GetUI())
    GetUI()->HideMouseCursor(false, true);
  mMouseDown = false;
  SetDirty(false);
}

void ISliderControlBase::OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  if ((mod.touchID != 0 || !mHideCursorOnDrag) && !detail::SteppedParam(*this))
  {
    SnapToMouse(x, y, mDirection, mTrack, kNoValIdx, 0.0, 1.0);
    return;
  }
  const double gearing = IsFineControl(mod, false) ? mGearing * 10.0 : mGearing;
  const double delta = mDirection == EDirection::Horizontal
                         ? (dX / static_cast<double>(mTrack.R - mTrack.L)) / gearing
                         : (dY / static_cast<double>(mTrack.T - mTrack.B)) / gearing;
  detail::ApplyRelativeDrag(*this, mMouseDragValue, delta);
}

void ISliderControlBase::OnMouseWheel(float, float, const IMouseMod& mod, float d)
{
  detail::ApplyWheel(*this, mod, d);
}

} // namespace weft::canvas
