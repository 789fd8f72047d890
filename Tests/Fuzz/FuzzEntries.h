#pragma once
// Fuzz entries for the readers of untrusted files: each reads one input and
// returns false when the reader breaks a promise about its result.

#include <cstddef>
#include <cstdint>

namespace pw::fuzz {

// As a font file or collection: the first faces, and face lookup by style.
bool FuzzFontReader(const uint8_t* data, size_t size);

// As a font loaded from memory on a vector drawing context, then measured
// and drawn at a few sizes: measures stay finite. FontDrawingFuzz.cpp.
bool FuzzFontDrawing(const uint8_t* data, size_t size);

// As SVG text: paths are whole cubic chains, dashes and gradient stops in
// range, each paint's pattern has at most 16 stops at increasing offsets,
// and drawing's hole test agrees with its plain form.
bool FuzzSVGReader(const uint8_t* data, size_t size);

// As a Standard MIDI File: refused with a reason and nothing changed, or
// channel messages in time order with finite times inside the file's length.
bool FuzzMidiFileReader(const uint8_t* data, size_t size);

} // namespace pw::fuzz
