#include "IBKnobControl.h"

#include "ICanvas.h"

namespace weft::canvas {

IBKnobControl::IBKnobControl(float x, float y, const IBitmap& bitmap, int paramIdx, EDirection dir, double gearing)
: IKnobControlBase(IRECT(x, y, bitmap), paramIdx, dir, gearing)
, IBitmapBase(bitmap)
{
  AttachIControl(this);
}

IBKnobControl::IBKnobControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx, EDirection dir,
                             double gearing)
: IKnobControlBase(bounds.GetCentredInside(bitmap), paramIdx, dir, gearing)
, IBitmapBase(bitmap)
{
  AttachIControl(this);
}

void IBKnobControl::OnRescale()
{
  if (!GetUI() || !mBitmap.IsValid())
    return;
  const IBitmap scaled = GetUI()->GetScaledBitmap(mBitmap);
  if (scaled.IsValid())
    mBitmap = scaled;
}

} // namespace weft::canvas
