#include "IBButtonControl.h"

#include "ICanvas.h"

namespace weft::canvas {

IBButtonControl::IBButtonControl(float x, float y, const IBitmap& bitmap, IActionFunction actionFunc)
: IButtonControlBase(IRECT(x, y, bitmap), std::move(actionFunc))
, IBitmapBase(bitmap)
{
  AttachIControl(this);
}

IBButtonControl::IBButtonControl(const IRECT& bounds, const IBitmap& bitmap, IActionFunction actionFunc)
: IButtonControlBase(bounds.GetCentredInside(bitmap), std::move(actionFunc))
, IBitmapBase(bitmap)
{
  AttachIControl(this);
}

void IBButtonControl::OnRescale()
{
  if (!GetUI() || !mBitmap.IsValid())
    return;
  const IBitmap scaled = GetUI()->GetScaledBitmap(mBitmap);
  if (scaled.IsValid())
    mBitmap = scaled;
}

} // namespace weft::canvas
