#pragma once
// Trace lines for following input and parameter traffic while developing.
// This build traces nothing: Trace checks its format against its arguments
// at compile time and does nothing at run time.

namespace weft {

inline void Trace(const char* file, int line, const char* format, ...) __attribute__((format(printf, 3, 4)));
inline void Trace(const char*, int, const char*, ...) {}

} // namespace weft
