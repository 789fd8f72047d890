#include "IBitmapBase.h"

#include "ICanvas.h"
#include "IWeftUtilities.h"

#include <algorithm>

namespace weft::canvas {

void IBitmapBase::DrawBitmap(ICanvas& g)
{
  if (!mControl)
    return;
  const int n = mBitmap.N();
  int frame = 1;
  if (n > 1)
  {
    const double v = mControl->GetValue(0);
    const double pos = v > 0.0 ? std::min(v, 1.0) : 0.0; // NaN picks the first frame
    frame = Clip(static_cast<int>(pos * static_cast<double>(n - 1) + 0.5) + 1, 1, n);
  }
  const IRECT bounds = mControl->GetRECT().GetCentredInside(
    IRECT(0.0f, 0.0f, static_cast<float>(mBitmap.FW()), static_cast<float>(mBitmap.FH())));
  g.DrawBitmap(mBitmap, bounds, frame, &mControl->GetBlend());
}

} // namespace weft::canvas
