#include "ISVGToggleControl.h"

#include "ICanvas.h"

namespace weft::canvas {

ISVGToggleControl::ISVGToggleControl(const IRECT& bounds, IActionFunction actionFunc, const ISVG& offImage,
                                     const ISVG& onImage)
: ISwitchControlBase(bounds, kNoParameter, std::move(actionFunc), 2)
, mOffSVG(offImage)
, mOnSVG(onImage)
{
  mColors.fill(COLOR_BLACK);
}

ISVGToggleControl::ISVGToggleControl(const IRECT& bounds, IActionFunction actionFunc, const ISVG& image,
                                     const std::array<IColor, 4>& colors, EColorReplacement replacement)
: ISwitchControlBase(bounds, kNoParameter, std::move(actionFunc), 2)
, mOffSVG(image)
, mOnSVG(image)
, mColors(colors)
, mColorReplacement(replacement)
{}

ISVGToggleControl::ISVGToggleControl(const IRECT& bounds, int paramIdx, const ISVG& offImage, const ISVG& onImage)
: ISwitchControlBase(bounds, paramIdx, nullptr, 2)
, mOffSVG(offImage)
, mOnSVG(onImage)
{
  mColors.fill(COLOR_BLACK);
}

ISVGToggleControl::ISVGToggleControl(const IRECT& bounds, int paramIdx, const ISVG& image,
                                     const std::array<IColor, 4>& colors, EColorReplacement replacement)
: ISwitchControlBase(bounds, paramIdx, nullptr, 2)
, mOffSVG(image)
, mOnSVG(image)
, mColors(colors)
, mColorReplacement(replacement)
{}

void ISVGToggleControl::Draw(ICanvas& g)
{
  DrawSVGState(g, mOffSVG, mOnSVG, mColors, mColorReplacement, GetValue(), mMouseIsOver, mRECT, &mBlend);
}

} // namespace weft::canvas
