#include "IVRadioButtonControl.h"

#include "ICanvas.h"

namespace weft::canvas {

IVRadioButtonControl::IVRadioButtonControl(const IRECT& bounds, int paramIdx,
                                           const std::initializer_list<const char*>& options, const char* label,
                                           const IVStyle& style, EVShape shape, EDirection direction,
                                           float buttonSize)
: IVTabSwitchControl(bounds, paramIdx, std::vector<const char*>(options), label, style, shape, direction)
, mButtonSize(buttonSize)
, mButtonAreaWidth(3.0f * buttonSize)
{
  Init();
}

IVRadioButtonControl::IVRadioButtonControl(const IRECT& bounds, IActionFunction actionFunc,
                                           const std::initializer_list<const char*>& options, const char* label,
                                           const IVStyle& style, EVShape shape, EDirection direction,
                                           float buttonSize)
: IVTabSwitchControl(bounds, std::move(actionFunc), std::vector<const char*>(options), label, style, shape,
                     direction)
, mButtonSize(buttonSize)
, mButtonAreaWidth(3.0f * buttonSize)
{
  Init();
}

void IVRadioButtonControl::Init()
{
  mStyle.valueText.mAlign = mText.mAlign = EAlign::Near;
  mStyle.valueText.mVAlign = mText.mVAlign = EVAlign::Middle;
}

void IVRadioButtonControl::DrawWidget(ICanvas& g)
{
  const int selected = GetSelectedIdx();
  for (int i = 0; i < NButtons(); ++i)
  {
    const IRECT cell = mButtons.Get()[i];
    const IRECT button = cell.GetFromLeft(mButtonAreaWidth).GetCentredInside(mButtonSize);
    DrawButton(g, button, i == selected, i == mMouseOverButton, ETabSegment::Mid, StateDrawnDisabled(i));
    if (const char* str = LabelAt(i))
    {
      const IRECT textRect = cell.GetFromRight(cell.W() - mButtonAreaWidth);
      const IText text = mStyle.valueText.WithFGColor(GetColor(i == selected ? kPR : kX1));
      g.DrawText(text, str, textRect, &mBlend);
    }
  }
}

int IVRadioButtonControl::GetButtonForPoint(float x, float y) const
{
  if (!mOnlyButtonsRespondToMouse)
    return IVTabSwitchControl::GetButtonForPoint(x, y);
  for (int i = 0; i < NButtons(); ++i)
    if (mButtons.Get()[i].GetFromLeft(mButtonAreaWidth).Contains(x, y))
      return i;
  return -1;
}

} // namespace weft::canvas
