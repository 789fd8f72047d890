#pragma once
// Fuzz entry for the bitmap meter's message handler: the input's first byte
// picks the response, the range and the enabled state; the rest is the
// message. Returns false when the meter's value leaves 0..1 or becomes NaN.

#include <cstddef>
#include <cstdint>

namespace pwtest {

bool FuzzMeterMessage(const uint8_t* data, size_t size);

} // namespace pwtest
