#include "ISVGButtonControl.h"

#include "ICanvas.h"

namespace weft::canvas {

namespace {
bool Drawable(const ISVG& svg) { return svg.IsValid() && svg.W() > 0.0f && svg.H() > 0.0f; }
} // namespace

void DrawSVGState(ICanvas& g, const ISVG& offImage, const ISVG& onImage, const std::array<IColor, 4>& colors,
                  EColorReplacement replacement, double value, bool mouseOver, const IRECT& bounds,
                  const IBlend* pBlend)
{
  const bool on = value > 0.5;
  const ISVG& image = on ? onImage : offImage;
  if (!Drawable(image))
    return;
  const IColor& color = on ? colors[mouseOver ? 3 : 1] : colors[mouseOver ? 2 : 0];
  const IColor* pFill = replacement == EColorReplacement::Fill ? &color : nullptr;
  const IColor* pStroke = replacement == EColorReplacement::Stroke ? &color : nullptr;
  g.DrawSVG(image, bounds, pBlend, pStroke, pFill);
}

ISVGButtonControl::ISVGButtonControl(const IRECT& bounds, IActionFunction actionFunc, const ISVG& offImage,
                                     const ISVG& onImage)
: IButtonControlBase(bounds, std::move(actionFunc))
, mOffSVG(offImage)
, mOnSVG(onImage)
{
  mColors.fill(COLOR_BLACK);
}

ISVGButtonControl::ISVGButtonControl(const IRECT& bounds, IActionFunction actionFunc, const ISVG& image,
                                     const std::array<IColor, 4>& colors, EColorReplacement replacement)
: IButtonControlBase(bounds, std::move(actionFunc))
, mOffSVG(image)
, mOnSVG(image)
, mColors(colors)
, mColorReplacement(replacement)
{}

void ISVGButtonControl::Draw(ICanvas& g)
{
  DrawSVGState(g, mOffSVG, mOnSVG, mColors, mColorReplacement, GetValue(), mMouseIsOver, mRECT, &mBlend);
}

} // namespace weft::canvas
