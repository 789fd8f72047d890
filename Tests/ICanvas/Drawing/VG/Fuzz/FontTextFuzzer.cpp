// libFuzzer entry: the font atlas's UTF-8 decoder and text iterator.
//   build/fuzz/Tests/ICanvas/Drawing/VG/Fuzz/font-text-fuzzer \
//     Tests/ICanvas/Drawing/VG/Fuzz/corpus -max_total_time=60

#include "FontTextFuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  return fuzz::FontTextOneInput(data, size);
}
