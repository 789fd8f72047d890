// libFuzzer target: font files and collections.
#include "FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (!pw::fuzz::FuzzFontReader(data, size))
    __builtin_trap();
  return 0;
}
