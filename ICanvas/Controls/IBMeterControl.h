#pragma once
// IBMeterControl: a level meter drawn from a multi-frame bitmap, fed by the
// plug-in through control messages with tag 0 carrying a one-channel sender
// record (20 bytes: control tag, channel count, channel offset as int32,
// then the channel's two levels as float32; the second is shown). The
// response maps a linear level to the value: logarithmic (1) over the
// decibel range, or linear (any other value) clipped to 0..1.

#include "IBitmapControl.h"

namespace weft::canvas {

class IBMeterControl : public IBitmapControl
{
public:
  static constexpr int kLogResponse = 1;
  static constexpr int kLinearResponse = 0;
  // The size of the record the meter reads.
  static constexpr int kMsgSize = 20;

  IBMeterControl(float x, float y, const IBitmap& bitmap, float lowRangeDB = -60.0f, float highRangeDB = 0.0f,
                 int response = kLogResponse);
  // One frame's size centred in bounds.
  IBMeterControl(const IRECT& bounds, const IBitmap& bitmap, float lowRangeDB = -60.0f, float highRangeDB = 0.0f,
                 int response = kLogResponse);

  // Ignored while disabled, for another tag, or for a record that is short
  // or cannot be read. Channels outside the record's one channel or the
  // control's values are not read; a NaN level counts as 0.
  void OnMsgFromDelegate(int msgTag, int dataSize, const void* pData) override;

private:
  float mHighRangeDB;
  float mLowRangeDB;
  int mResponse;
};

} // namespace weft::canvas
