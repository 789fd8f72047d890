#include "DynamicRangeMeterControl.h"

#include "ICanvas.h"

namespace pressweave {

using namespace weft::canvas;

DynamicRangeMeterControl::DynamicRangeMeterControl(const IRECT& bounds, const char* label, bool showLUFS,
                                                   DynamicRangeMeter& meter, const IColor& holdLeft,
                                                   const IColor& holdRight, const IColor& barLeft,
                                                   const IColor& barRight)
: IControl(bounds, kNoParameter, nullptr)
, mMeter(meter)
, mColorHoldL(holdLeft)
, mColorHoldR(holdRight)
, mColorBarL(barLeft)
, mColorBarR(barRight)
, mLabel(label)
, mShowLUFS(showLUFS)
{
}

void DynamicRangeMeterControl::Draw(ICanvas& g)
{
  mMeter.Draw(g, mRECT, mColorHoldL, mColorHoldR, mColorBarL, mColorBarR, mShowLUFS);
  if (mLabel)
  {
    g.FillRect(COLOR_BLACK.WithOpacity(0.3f), mRECT.GetGridCell(11, 0, 12, 1));
    const IText text(10.0f, mColorBarR.WithOpacity(1.0f).WithContrast(0.5f), nullptr, EAlign::Center,
                     EVAlign::Middle);
    g.DrawText(text, mLabel, mRECT.MW(), mRECT.B - 10.0f);
  }
  SetDirty(false);
}

} // namespace pressweave
