#include "IBMeterControl.h"

#include "IByteChunk.h"
#include "IWeftUtilities.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace weft::canvas {

IBMeterControl::IBMeterControl(float x, float y, const IBitmap& bitmap, float lowRangeDB, float highRangeDB,
                               int response)
: IBitmapControl(x, y, bitmap)
, mHighRangeDB(highRangeDB)
, mLowRangeDB(lowRangeDB)
, mResponse(response)
{}

IBMeterControl::IBMeterControl(const IRECT& bounds, const IBitmap& bitmap, float lowRangeDB, float highRangeDB,
                               int response)
: IBMeterControl(0.0f, 0.0f, bitmap, lowRangeDB, highRangeDB, response)
{
  mRECT = mTargetRECT = bounds.GetCentredInside(bitmap);
}

void IBMeterControl::OnMsgFromDelegate(int msgTag, int dataSize, const void* pData)
{
  if (IsDisabled() || msgTag != 0 || !pData || dataSize < kMsgSize)
    return;
  const IByteStream stream(pData, dataSize);
  int32_t tag = 0, nChans = 0, chanOffset = 0;
  int pos = stream.Get(&tag, 0);
  pos = pos < 0 ? pos : stream.Get(&nChans, pos);
  pos = pos < 0 ? pos : stream.Get(&chanOffset, pos);
  if (pos < 0)
    return;
  // The record holds one channel: only channel 0 (and value 0) can be read.
  const int64_t first = std::max<int64_t>(chanOffset, 0);
  const int64_t last = std::min<int64_t>({static_cast<int64_t>(chanOffset) + nChans, 1, NVals()});
  for (int64_t i = first; i < last; ++i)
  {
    float s = 0.0f;
    if (stream.Get(&s, 12 + static_cast<int>(i) * 8 + 4) < 0)
      return;
    if (std::isnan(s))
      s = 0.0f;
    double v;
    if (mResponse == kLogResponse)
    {
      const double d = 20.0 * std::log10(std::fabs(static_cast<double>(s)));
      v = (d + std::fabs(mLowRangeDB)) / std::fabs(mHighRangeDB - mLowRangeDB);
    }
    else
      v = s;
    // An empty decibel range gives no number: that counts as 0 too.
    SetValue(std::isnan(v) ? 0.0 : Clip(v, 0.0, 1.0), static_cast<int>(i));
  }
  SetDirty(false);
}

} // namespace weft::canvas
