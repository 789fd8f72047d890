#pragma once
// ISVGToggleControl: a two-state switch drawn like ISVGButtonControl (off
// image at value 0.5 and below, on image above, optional recolouring per
// state and mouse-over), bound to an action or to a parameter.

#include "ISVGButtonControl.h"
#include "ISwitchControlBase.h"

namespace weft::canvas {

class ISVGToggleControl : public ISwitchControlBase
{
public:
  ISVGToggleControl(const IRECT& bounds, IActionFunction actionFunc, const ISVG& offImage, const ISVG& onImage);
  ISVGToggleControl(const IRECT& bounds, IActionFunction actionFunc, const ISVG& image,
                    const std::array<IColor, 4>& colors, EColorReplacement replacement = EColorReplacement::Fill);
  ISVGToggleControl(const IRECT& bounds, int paramIdx, const ISVG& offImage, const ISVG& onImage);
  ISVGToggleControl(const IRECT& bounds, int paramIdx, const ISVG& image, const std::array<IColor, 4>& colors,
                    EColorReplacement replacement = EColorReplacement::Fill);

  void Draw(ICanvas& g) override;

private:
  ISVG mOffSVG;
  ISVG mOnSVG;
  std::array<IColor, 4> mColors;
  EColorReplacement mColorReplacement = EColorReplacement::None;
};

} // namespace weft::canvas
