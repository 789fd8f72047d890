// libFuzzer target over the bitmap meter's message handler.
#include "MeterMessageFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (!pwtest::FuzzMeterMessage(data, size))
    __builtin_trap();
  return 0;
}
