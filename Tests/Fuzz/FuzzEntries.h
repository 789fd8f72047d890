#pragma once
// Fuzz entries for the readers of untrusted files. Each reads one input
// the way the editor would and checks what the reader promises about its
// result; false when a promise is broken. The libFuzzer targets trap on
// false; the corpus tests expect true for every seed and its mutations.

#include <cstddef>
#include <cstdint>

namespace pw::fuzz {

// As a font file or collection: the first faces, and face lookup by style.
bool FuzzFontReader(const uint8_t* data, size_t size);

// As SVG text: paths are whole cubic chains, dashes and gradient stops in
// range.
bool FuzzSVGReader(const uint8_t* data, size_t size);

} // namespace pw::fuzz
