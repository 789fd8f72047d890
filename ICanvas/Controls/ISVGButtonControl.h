#pragma once
// ISVGButtonControl: a momentary button drawn from an off and an on SVG
// image (or one image recoloured per state). Value 0 at most 0.5 shows the
// off image. With a colour replacement the off colour is colour 0 (2 under
// the mouse) and the on colour colour 1 (3 under the mouse). An invalid or
// empty image is not drawn.

#include "EColorReplacement.h"
#include "IButtonControlBase.h"
#include "ISVG.h"

#include <array>

namespace weft::canvas {

class ICanvas;

// The SVG button's and toggle's shared drawing: picks the image and colour
// for value and the mouse-over flag and draws it in bounds.
void DrawSVGState(ICanvas& g, const ISVG& offImage, const ISVG& onImage, const std::array<IColor, 4>& colors,
                  EColorReplacement replacement, double value, bool mouseOver, const IRECT& bounds,
                  const IBlend* pBlend);

class ISVGButtonControl : public IButtonControlBase
{
public:
  // Colours opaque black, no replacement.
  ISVGButtonControl(const IRECT& bounds, IActionFunction actionFunc, const ISVG& offImage, const ISVG& onImage);
  ISVGButtonControl(const IRECT& bounds, IActionFunction actionFunc, const ISVG& image,
                    const std::array<IColor, 4>& colors, EColorReplacement replacement = EColorReplacement::Fill);

  void Draw(ICanvas& g) override;

private:
  ISVG mOffSVG;
  ISVG mOnSVG;
  std::array<IColor, 4> mColors;
  EColorReplacement mColorReplacement = EColorReplacement::None;
};

} // namespace weft::canvas
