#pragma once
// IBSwitchControl: a switch drawn from a multi-frame bitmap. Each click
// steps the value by 1 / (frames - 1) and wraps to 0 after 1, so a 4-frame
// switch cycles 0, 1/3, 2/3, 1, 0 and a 1-frame one toggles 0 and 1.

#include "IBitmapBase.h"
#include "ISwitchControlBase.h"

namespace weft::canvas {

class IBSwitchControl : public ISwitchControlBase, public IBitmapBase
{
public:
  IBSwitchControl(float x, float y, const IBitmap& bitmap, int paramIdx = kNoParameter);
  IBSwitchControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx = kNoParameter);

  void Draw(ICanvas& g) override { DrawBitmap(g); }
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnRescale() override;
};

} // namespace weft::canvas
