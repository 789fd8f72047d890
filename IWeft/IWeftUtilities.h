#pragma once
// Small numeric and text helpers used across the plug-in core, the engine and
// the graphics core. All are pure functions, safe on any thread; none
// allocates except MidiNoteName (it writes a LOOM_String).

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "LOOM_String.h"

namespace weft {

// min(max(x, lo), hi). A NaN x passes through unchanged.
inline float Clip(float x, float lo, float hi) noexcept { return std::min(std::max(x, lo), hi); }
inline double Clip(double x, double lo, double hi) noexcept { return std::min(std::max(x, lo), hi); }
inline int Clip(int x, int lo, int hi) noexcept { return std::min(std::max(x, lo), hi); }

// Linear amplitude to decibels: 20 log10 |amp|. An amplitude of 0 gives -inf.
inline double AmpToDB(double amp) noexcept { return 8.685889638065037 * std::log(std::fabs(amp)); }

// Decibels to linear amplitude: 10^(dB / 20).
inline double DBToAmp(double dB) noexcept { return std::exp(0.1151292546497 * dB); }

// Circular ease-in-out over t in 0..1 (0 -> 0, 0.5 -> 0.5, 1 -> 1).
inline double EaseCircularInOut(double t) noexcept
{
  if (t < 0.5)
    return 0.5 * (1.0 - std::sqrt(1.0 - 4.0 * t * t));
  return 0.5 * (std::sqrt(-(2.0 * t - 3.0) * (2.0 * t - 1.0)) + 1.0);
}

inline bool CStringHasContents(const char* str) noexcept { return str != nullptr && str[0] != '\0'; }

// Truncates toward zero like a cast to int, but saturates at the int32 limits
// instead of overflowing; NaN gives 0.
inline int ToInt32Saturated(double x) noexcept
{
  if (std::isnan(x))
    return 0;
  if (x >= static_cast<double>(INT_MAX))
    return INT_MAX;
  if (x <= static_cast<double>(INT_MIN))
    return INT_MIN;
  return static_cast<int>(x);
}

// Copies src into a fixed text field of N bytes: at most N - 1 bytes, always
// terminated. A text cut by the limit is cut before the UTF-8 character that
// does not fit whole. A null src gives an empty field; src may overlap dest.
template <std::size_t N>
void CopyTextField(char (&dest)[N], const char* src) noexcept
{
  static_assert(N > 0, "a text field needs room for its terminator");
  if (src == nullptr)
  {
    dest[0] = '\0';
    return;
  }
  std::size_t len = 0;
  while (len < N - 1 && src[len] != '\0')
    ++len;
  if (src[len] != '\0')
  {
    while (len > 0 && (static_cast<unsigned char>(src[len]) & 0xC0) == 0x80)
      --len;
  }
  std::memmove(dest, src, len);
  dest[len] = '\0';
}

// Name of a MIDI note: "C " .. "B " plus the octave, so 60 is "C 3", or
// "C 4" with middleCisC4. The note number is rounded half away from zero;
// with cents, the distance to that note follows in cents ("C 3 25").
// Notes below 0 continue the octaves downwards (-1 is "B -3").
inline void MidiNoteName(double noteNumber, LOOM_String& noteName, bool cents = false, bool middleCisC4 = false)
{
  static const char* const kNoteNames[12] = {"C ", "C#", "D ", "D#", "E ", "F ", "F#", "G ", "G#", "A ", "A#", "B "};
  constexpr int kMaxLen = 32;

  const double rounded = std::round(noteNumber);
  // Notes far beyond MIDI's range are pinned so that the octave stays an int.
  const int note = ToInt32Saturated(Clip(rounded, -1.0e6, 1.0e6));
  const int pitchClass = ((note % 12) + 12) % 12;
  const int octave = (note - pitchClass) / 12 - (middleCisC4 ? 1 : 2);

  if (cents)
    noteName.SetFormatted(kMaxLen, "%s%i %.0f", kNoteNames[pitchClass], octave, (noteNumber - rounded) * 100.0);
  else
    noteName.SetFormatted(kMaxLen, "%s%i", kNoteNames[pitchClass], octave);
}

} // namespace weft
