#include "IVButtonControl.h"

#include "ICanvas.h"

namespace weft::canvas {

IVButtonControl::IVButtonControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                                 const IVStyle& style, bool labelInButton, bool valueInButton, EVShape shape)
: IButtonControlBase(bounds, std::move(actionFunc))
, IVectorBase(style, labelInButton, valueInButton)
{
  mText = style.valueText;
  mShape = shape;
  AttachIControl(this, label);
}

void IVButtonControl::Draw(ICanvas& g)
{
  DrawBackground(g, mRECT);
  DrawWidget(g);
  DrawLabel(g);
  DrawValue(g, false);
}

void IVButtonControl::DrawWidget(ICanvas& g)
{
  DrawPressableShape(g, mShape, mWidgetBounds, GetValue(0) != 0.0, mMouseIsOver, IsDisabled());
}

void IVButtonControl::OnResize()
{
  mTargetRECT = MakeRects(mRECT, true);
  SetDirty(false);
}

bool IVButtonControl::IsHit(float x, float y) const { return mWidgetBounds.Contains(x, y); }

} // namespace weft::canvas
