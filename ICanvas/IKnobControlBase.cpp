#include "IKnobControlBase.h"

#include "ICanvas.h"
#include "IControlDrag.h"

namespace weft::canvas {

IKnobControlBase::IKnobControlBase(const IRECT& bounds, int paramIdx, EDirection direction, double gearing)
: IControl(bounds, paramIdx)
, mDirection(direction)
, mGearing(gearing)
{}

bool IKnobControlBase::IsFineControl(const IMouseMod& mod, bool) const { return detail::IsFineMod(mod); }

void IKnobControlBase::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMouseDown = true;
  mMouseDragValue = GetValue(0);
  if (mHideCursorOnDrag && GetUI())
    GetUI()->HideMouseCursor(true, true);
  IControl::OnMouseDown(x, y, mod);
}

void IKnobControlBase::OnMouseUp(float, float, const IMouseMod&)
{
  if (mHideCursorOnDrag && GetUI())
    GetUI()->HideMouseCursor(false, true);
  mMouseDown = false;
  SetDirty(false);
}

void IKnobControlBase::OnMouseDrag(float, float, float dX, float dY, const IMouseMod& mod)
{
  const double gearing = IsFineControl(mod, false) ? mGearing * 10.0 : mGearing;
  const IRECT r = GetKnobDragBounds();
  // Up (negative dY) raises the value.
  const double delta = mDirection == EDirection::Vertical ? (dY / static_cast<double>(r.T - r.B)) / gearing
                                                          : (dX / static_cast<double>(r.R - r.L)) / gearing;
  detail::ApplyRelativeDrag(*this, mMouseDragValue, delta);
}

void IKnobControlBase::OnMouseWheel(float, float, const IMouseMod& mod, float d) { detail::ApplyWheel(*this, mod, d); }

} // namespace weft::canvas
