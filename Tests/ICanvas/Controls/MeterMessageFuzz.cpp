#include "MeterMessageFuzz.h"

#include "IBMeterControl.h"

#include <cmath>

namespace pwtest {

using namespace weft::canvas;

bool FuzzMeterMessage(const uint8_t* data, size_t size)
{
  if (size == 0)
    return true;
  const uint8_t mode = data[0];
  const float ranges[][2] = {{-60.0f, 0.0f}, {-6.0f, -6.0f}, {0.0f, -60.0f}, {-90.0f, 12.0f}};
  IBMeterControl meter(0.0f, 0.0f, IBitmap(), ranges[mode % 4][0], ranges[mode % 4][1],
                       mode & 4 ? IBMeterControl::kLogResponse : IBMeterControl::kLinearResponse);
  meter.SetDisabled(mode & 8);
  meter.SetValue(0.25);
  meter.OnMsgFromDelegate(mode & 16 ? 1 : 0, static_cast<int>(size - 1), data + 1);
  const double v = meter.GetValue();
  if (std::isnan(v) || v < 0.0 || v > 1.0)
    return false;
  // A meter that may not read keeps its value.
  return !(mode & 24) || v == 0.25;
}

} // namespace pwtest
