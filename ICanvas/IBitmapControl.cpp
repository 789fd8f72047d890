#include "IBitmapControl.h"

#include "ICanvas.h"

namespace weft::canvas {

IBitmapControl::IBitmapControl(float x, float y, const IBitmap& bitmap, int paramIdx, EBlend blendMethod)
: IControl(IRECT(x, y, bitmap), paramIdx)
, IBitmapBase(bitmap)
{
  mBlend = IBlend(blendMethod, 1.0f);
  AttachIControl(this);
}

void IBitmapControl::Draw(ICanvas& g)
{
  if (mBitmap.IsValid())
    DrawBitmap(g);
}

void IBitmapControl::OnRescale()
{
  if (!GetUI() || !mBitmap.IsValid())
    return;
  // A failed reload keeps the bitmap the control has.
  const IBitmap scaled = GetUI()->GetScaledBitmap(mBitmap);
  if (scaled.IsValid())
    mBitmap = scaled;
}

} // namespace weft::canvas
