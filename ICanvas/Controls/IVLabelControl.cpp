#include "IVLabelControl.h"

#include "ICanvas.h"

namespace weft::canvas {

IVLabelControl::IVLabelControl(const IRECT& bounds, const char* str, const IVStyle& style)
: ITextControl(bounds, str, DEFAULT_TEXT, DEFAULT_BGCOLOR, false)
, IVectorBase(style)
{
  mText = style.valueText;
  AttachIControl(this, str);
}

void IVLabelControl::Draw(ICanvas& g)
{
  DrawBackground(g, mRECT);
  if (mStr.GetLength() > 0)
  {
    if (mStyle.drawShadows && !IsDisabled())
    {
      const float offset = mStyle.shadowOffset;
      g.DrawText(mStyle.valueText.WithFGColor(GetColor(kSH)), mStr.Get(), mRECT.GetTranslated(offset, offset),
                 &mBlend);
    }
    g.DrawText(mStyle.valueText, mStr.Get(), mRECT, &mBlend);
  }
  if (mStyle.drawFrame)
    g.DrawRect(GetColor(kFR), mRECT, &mBlend, mStyle.frameThickness);
}

} // namespace weft::canvas
