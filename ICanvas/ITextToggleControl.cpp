#include "ITextToggleControl.h"

namespace weft::canvas {

ITextToggleControl::ITextToggleControl(const IRECT& bounds, int paramIdx, const char* offText, const char* onText,
                                       const IText& text, const IColor& bgColor)
: ITextControl(bounds, offText, text, bgColor)
, mOffText(offText)
, mOnText(onText)
{
  SetParamIdx(paramIdx);
  mIgnoreMouse = false;
  mDblAsSingleClick = true;
}

ITextToggleControl::ITextToggleControl(const IRECT& bounds, IActionFunction actionFunc, const char* offText,
                                       const char* onText, const IText& text, const IColor& bgColor)
: ITextControl(bounds, offText, text, bgColor)
, mOffText(offText)
, mOnText(onText)
{
  SetActionFunction(std::move(actionFunc));
  mIgnoreMouse = false;
  mDblAsSingleClick = true;
}

void ITextToggleControl::OnMouseDown(float, float, const IMouseMod&)
{
  SetValue(GetValue() < 0.5 ? 1.0 : 0.0);
  SetDirty(true, 0);
}

void ITextToggleControl::SetDirty(bool triggerAction, int)
{
  SetStr(GetValue() > 0.5 ? mOnText.Get() : mOffText.Get());
  IControl::SetDirty(triggerAction, kNoValIdx);
}

} // namespace weft::canvas
