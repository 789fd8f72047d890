#pragma once
// IBKnobControl: a knob drawn from a multi-frame bitmap; the value picks the
// frame (round(value x (frames - 1)) + 1).

#include "IBitmapBase.h"
#include "IKnobControlBase.h"

namespace weft::canvas {

class IBKnobControl : public IKnobControlBase, public IBitmapBase
{
public:
  // At (x, y) with one frame's size.
  IBKnobControl(float x, float y, const IBitmap& bitmap, int paramIdx = kNoParameter,
                EDirection dir = EDirection::Vertical, double gearing = 4.0);
  // One frame's size centred in bounds.
  IBKnobControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx = kNoParameter,
                EDirection dir = EDirection::Vertical, double gearing = 4.0);

  void Draw(ICanvas& g) override { DrawBitmap(g); }
  void OnRescale() override;
};

} // namespace weft::canvas
