#pragma once
// Drives an in-window text entry (with the in-window menu for its right
// click) by a byte string of random keys, clicks, drags, pastes and reopened
// edits; false when the text or the editing state breaks an invariant: an
// index past the text, a lone surrogate, or text that does not survive its
// own UTF-8 round trip.

#include <cstddef>
#include <cstdint>

namespace pwtest {
bool FuzzTextEntry(const uint8_t* data, size_t size);
} // namespace pwtest
