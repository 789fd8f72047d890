#include "ISVGKnobControl.h"

#include "ICanvas.h"

namespace weft::canvas {

ISVGKnobControl::ISVGKnobControl(const IRECT& bounds, const ISVG& image, int paramIdx)
: IKnobControlBase(bounds, paramIdx, EDirection::Vertical, 4.0)
, mSVG(image)
{}

void ISVGKnobControl::Draw(ICanvas& g)
{
  if (!mSVG.IsValid() || !(mSVG.W() > 0.0f) || !(mSVG.H() > 0.0f))
    return;
  const double angle = mStartAngle + GetValue() * (mEndAngle - mStartAngle);
  g.DrawRotatedSVG(mSVG, mRECT.MW(), mRECT.MH(), mRECT.W(), mRECT.H(), angle, &mBlend);
}

void ISVGKnobControl::SetSVG(const ISVG& image)
{
  mSVG = image;
  SetDirty(false);
}

} // namespace weft::canvas
