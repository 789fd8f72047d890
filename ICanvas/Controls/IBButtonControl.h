#pragma once
// IBButtonControl: a momentary button drawn from a multi-frame bitmap; its
// value picks the frame (frame 1 at rest, the last while pressed).

#include "IBitmapBase.h"
#include "IButtonControlBase.h"

namespace weft::canvas {

class IBButtonControl : public IButtonControlBase, public IBitmapBase
{
public:
  // At (x, y) with one frame's size.
  IBButtonControl(float x, float y, const IBitmap& bitmap, IActionFunction actionFunc = DefaultClickActionFunc);
  // One frame's size centred in bounds.
  IBButtonControl(const IRECT& bounds, const IBitmap& bitmap, IActionFunction actionFunc = DefaultClickActionFunc);

  void Draw(ICanvas& g) override { DrawBitmap(g); }
  // The bitmap for the current screen scale; kept when none is found.
  void OnRescale() override;
};

} // namespace weft::canvas
