#pragma once
// IBitmapControl: one frame of a multi-frame bitmap, chosen by value 0,
// at a point; the frame's size is the control's size. A bitmap that failed
// to load leaves the control empty and invisible.

#include "IBitmapBase.h"
#include "IControl.h"

namespace weft::canvas {

class IBitmapControl : public IControl, public IBitmapBase
{
public:
  // Bounds: one frame of bitmap with its top-left corner at (x, y); no
  // action; blend (blendMethod, 1).
  IBitmapControl(float x, float y, const IBitmap& bitmap, int paramIdx = kNoParameter,
                 EBlend blendMethod = EBlend::Default);

  // Nothing without a bitmap (a missing file gives none).
  void Draw(ICanvas& g) override;
  // The same bitmap reloaded for the current screen scale; kept as it is
  // when it cannot be reloaded.
  void OnRescale() override;
};

} // namespace weft::canvas
