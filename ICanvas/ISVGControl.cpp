#include "ISVGControl.h"

#include "ICanvas.h"

namespace weft::canvas {

ISVGControl::ISVGControl(const IRECT& bounds, const ISVG& svg, bool useLayer)
: IControl(bounds)
, mUseLayer(useLayer)
, mSVG(svg)
{}

void ISVGControl::Draw(ICanvas& g)
{
  // A missing SVG file gives a null image: nothing to draw.
  if (!mSVG.IsValid())
    return;
  if (!mUseLayer)
  {
    g.DrawSVG(mSVG, mRECT, &mBlend);
    return;
  }
  if (!g.CheckLayer(mLayer))
  {
    g.StartLayer(this, mRECT);
    g.DrawSVG(mSVG, mRECT);
    mLayer = g.EndLayer();
  }
  g.DrawLayer(mLayer, &mBlend);
}

} // namespace weft::canvas
