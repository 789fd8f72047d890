#include "IBSwitchControl.h"

#include "ICanvas.h"

namespace weft::canvas {

IBSwitchControl::IBSwitchControl(float x, float y, const IBitmap& bitmap, int paramIdx)
: ISwitchControlBase(IRECT(x, y, bitmap), paramIdx, nullptr, 2)
, IBitmapBase(bitmap)
{
  AttachIControl(this);
}

IBSwitchControl::IBSwitchControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx)
: ISwitchControlBase(bounds.GetCentredInside(bitmap), paramIdx, nullptr, 2)
, IBitmapBase(bitmap)
{
  AttachIControl(this);
}

void IBSwitchControl::OnMouseDown(float, float, const IMouseMod&)
{
  const int n = mBitmap.N();
  const double step = n >= 2 ? 1.0 / static_cast<double>(n - 1) : 1.0;
  double v = GetValue() + step;
  if (v > 1.001)
    v = 0.0;
  SetValue(v);
  SetDirty(true);
}

void IBSwitchControl::OnRescale()
{
  if (!GetUI() || !mBitmap.IsValid())
    return;
  const IBitmap scaled = GetUI()->GetScaledBitmap(mBitmap);
  if (scaled.IsValid())
    mBitmap = scaled;
}

} // namespace weft::canvas
