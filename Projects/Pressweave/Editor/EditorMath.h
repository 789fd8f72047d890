#pragma once
// Conversions the editor's drawings share.

#include <cmath>

namespace pressweave {

// The integer part of v clamped to [lo, hi]; a NaN gives lo.
inline long long TruncClamped(double v, long long lo, long long hi) noexcept
{
  if (!(v >= static_cast<double>(lo)))
    return lo;
  if (v >= static_cast<double>(hi))
    return hi;
  return static_cast<long long>(v);
}

} // namespace pressweave
