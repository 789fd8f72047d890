// libFuzzer target over the fuzz entry named by PW_FUZZ_ENTRY.
#include "FuzzEntries.h"
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (!pw::fuzz::PW_FUZZ_ENTRY(data, size))
    __builtin_trap();
  return 0;
}
