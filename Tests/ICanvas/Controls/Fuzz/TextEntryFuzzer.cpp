// libFuzzer entry: random keys, clicks, drags and pastes into the in-window
// text entry; an unsound text or state is a finding.
#include <cstddef>
#include <cstdint>

namespace pwtest { bool FuzzTextEntry(const uint8_t* data, size_t size); } // TextEntryFuzz.cpp

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (!pwtest::FuzzTextEntry(data, size))
    __builtin_trap();
  return 0;
}
