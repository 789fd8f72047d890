#pragma once
// IBSliderControl: a linear slider that moves frame 1 of a handle bitmap
// along an optional track bitmap. Without a track bitmap the handle moves on
// a strip through the middle of the control as thick as the handle. The
// handle's size here is the whole handle bitmap's width and height.

#include "IBitmapBase.h"
#include "ISliderControlBase.h"

namespace weft::canvas {

class IBSliderControl : public ISliderControlBase, public IBitmapBase
{
public:
  // A length-long control at (x, y), as thick as the handle bitmap.
  IBSliderControl(float x, float y, int len, const IBitmap& handleBitmap, const IBitmap& trackBitmap = IBitmap(),
                  int paramIdx = kNoParameter, EDirection dir = EDirection::Vertical, double gearing = 4.0);
  IBSliderControl(const IRECT& bounds, const IBitmap& handleBitmap, const IBitmap& trackBitmap = IBitmap(),
                  int paramIdx = kNoParameter, EDirection dir = EDirection::Vertical, double gearing = 4.0);

  void Draw(ICanvas& g) override;
  void OnResize() override;
  // Only the handle bitmap is replaced.
  void OnRescale() override;
  // The handle's rectangle for value (negative: the current value 0).
  IRECT GetHandleBounds(double value = -1.0) const;

private:
  IBitmap mTrackBitmap;
};

} // namespace weft::canvas
