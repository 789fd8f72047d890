#include "IBKnobRotaterControl.h"

#include "ICanvas.h"

namespace weft::canvas {

void IBKnobRotaterControl::Draw(ICanvas& g)
{
  if (mBitmap.IsValid())
    g.DrawRotatedBitmap(mBitmap, mRECT.MW(), mRECT.MH(), GetValue() * 260.0 - 130.0, &mBlend);
}

} // namespace weft::canvas
