#include "ISVGSwitchControl.h"

#include "ICanvas.h"

namespace weft::canvas {

ISVGSwitchControl::ISVGSwitchControl(const IRECT& bounds, const std::vector<ISVG>& images, int paramIdx,
                                     IActionFunction actionFunc)
: ISwitchControlBase(bounds, paramIdx, std::move(actionFunc), static_cast<int>(images.size()))
, mSVGs(images)
{}

void ISVGSwitchControl::Draw(ICanvas& g)
{
  const int idx = GetSelectedIdx();
  if (idx < 0 || idx >= static_cast<int>(mSVGs.size()))
    return;
  const ISVG& image = mSVGs[static_cast<size_t>(idx)];
  if (image.IsValid() && image.W() > 0.0f && image.H() > 0.0f)
    g.DrawSVG(image, mRECT, &mBlend);
}

} // namespace weft::canvas
