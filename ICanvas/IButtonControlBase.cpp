#include "IButtonControlBase.h"

namespace weft::canvas {

IButtonControlBase::IButtonControlBase(const IRECT& bounds, IActionFunction actionFunc)
: IControl(bounds, kNoParameter, std::move(actionFunc))
{
  mDblAsSingleClick = true;
}

void IButtonControlBase::OnMouseDown(float, float, const IMouseMod&)
{
  SetValue(1.0, 0);
  SetDirty(true);
}

void IButtonControlBase::OnEndAnimation()
{
  SetValue(0.0, 0);
  IControl::OnEndAnimation();
}

} // namespace weft::canvas
