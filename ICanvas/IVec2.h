#pragma once
// IVec2: a point or direction in two dimensions.

#include <cmath>
#include <limits>

namespace weft::canvas {

struct IVec2
{
  float x = 0.0f;
  float y = 0.0f;

  constexpr IVec2() = default;
  constexpr IVec2(float px, float py) : x(px), y(py) {}

  constexpr IVec2 operator-(const IVec2& v) const { return IVec2(x - v.x, y - v.y); }
};

// The parameter t along p3 -> p4 at which that segment meets the line
// through p1 and p2 (the point is p3 + t * (p4 - p3)); NaN for parallel
// lines.
inline float GetLineCrossing(IVec2 p1, IVec2 p2, IVec2 p3, IVec2 p4)
{
  auto cross = [](IVec2 u, IVec2 v) { return u.x * v.y - u.y * v.x; };
  const IVec2 a = p2 - p1;
  const IVec2 b = p3 - p1;
  const IVec2 c = p4 - p3;
  const float d = cross(a, c);
  if (std::fabs(d) < 1e-8f)
    return std::numeric_limits<float>::quiet_NaN();
  return -cross(a, b) / d;
}

} // namespace weft::canvas
