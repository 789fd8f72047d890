#include "IPanelControl.h"

#include "ICanvas.h"

namespace weft::canvas {

IPanelControl::IPanelControl(const IRECT& bounds, const IPattern& pattern, bool drawFrame, AttachFunc attachFunc,
                             ResizeFunc resizeFunc)
: IContainerBase(bounds, std::move(attachFunc), std::move(resizeFunc))
, mPattern(pattern)
, mDrawFrame(drawFrame)
{}

void IPanelControl::Draw(ICanvas& g)
{
  g.PathClear();
  g.PathRect(mRECT);
  g.PathFill(mPattern, IFillOptions(false, EFillRule::Winding), &mBlend);
  if (mDrawFrame)
    g.DrawRect(COLOR_LIGHT_GRAY, mRECT, &mBlend);
}

void IPanelControl::SetPattern(const IPattern& pattern)
{
  mPattern = pattern;
  SetDirty(false);
}

} // namespace weft::canvas
