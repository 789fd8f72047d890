#pragma once
// ISVGSwitchControl: a multi-state switch showing one SVG image per state,
// in state order. An invalid or empty image is not drawn.

#include "ISVG.h"
#include "ISwitchControlBase.h"

#include <initializer_list>
#include <vector>

namespace weft::canvas {

class ISVGSwitchControl : public ISwitchControlBase
{
public:
  ISVGSwitchControl(const IRECT& bounds, const std::vector<ISVG>& images, int paramIdx = kNoParameter,
                    IActionFunction actionFunc = nullptr);

  void Draw(ICanvas& g) override;

private:
  std::vector<ISVG> mSVGs;
};

} // namespace weft::canvas
