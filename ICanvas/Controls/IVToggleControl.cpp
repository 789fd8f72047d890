#include "IVToggleControl.h"

#include "ICanvas.h"

namespace weft::canvas {

IVToggleControl::IVToggleControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                 const char* offText, const char* onText)
: IVSwitchControl(bounds, paramIdx, label, style, true)
, mOffText(offText)
, mOnText(onText)
{}

IVToggleControl::IVToggleControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                                 const IVStyle& style, const char* offText, const char* onText, bool initialState)
: IVSwitchControl(bounds, std::move(actionFunc), label, style, 2, true)
, mOffText(offText)
, mOnText(onText)
{
  SetValue(initialState ? 1.0 : 0.0, 0);
}

void IVToggleControl::DrawWidget(ICanvas& g)
{
  DrawPressableShape(g, mShape, mWidgetBounds, GetValue(0) > 0.5, mMouseIsOver, IsDisabled());
}

void IVToggleControl::DrawValue(ICanvas& g, bool mouseOver)
{
  if (mouseOver)
    g.FillRect(GetColor(kHL), mValueBounds, &mBlend);
  const LOOM_String& str = GetValue(0) > 0.5 ? mOnText : mOffText;
  g.DrawText(mStyle.valueText, str.Get(), mValueBounds, &mBlend);
}

} // namespace weft::canvas
