#pragma once
// The hole test of SVG replay in its plain form: every chord of every other
// outline of the shape against the ray, a corner on the ray's line counted
// once where the outline passes to the other side and not where it only
// touches the line. The oracle of SVGHoleIndex.

#include "IVec2.h"
#include "SVGImage.h"

namespace pwtest {

inline bool OracleIsHole(const weft::svg::SVGShape& shape, size_t pathIdx)
{
  using weft::canvas::IVec2;
  const weft::svg::SVGPath& path = shape.paths[pathIdx];
  const IVec2 p0(path.X(0), path.Y(0));
  const IVec2 p1(path.bounds[0] - 1.0f, path.bounds[1] - 1.0f);
  const double dx = double(p1.x) - p0.x, dy = double(p1.y) - p0.y;
  int crossings = 0;
  for (size_t other = 0; other < shape.paths.size(); other++)
  {
    const weft::svg::SVGPath& o = shape.paths[other];
    if (other == pathIdx || o.NPts() <= 3)
      continue;
    for (int i = 1; i < o.NPts() + 3; i += 3)
    {
      const IVec2 a(o.X(i - 1), o.Y(i - 1));
      const IVec2 b = i < o.NPts() ? IVec2(o.X(i + 2), o.Y(i + 2)) : IVec2(o.X(0), o.Y(0));
      // The chord's ends on different sides of the ray's line, a point on
      // the line taken as on the right; where it meets the line at or
      // beyond the ray's start.
      const bool aLeft = dx * (double(a.y) - p0.y) - dy * (double(a.x) - p0.x) > 0.0;
      const bool bLeft = dx * (double(b.y) - p0.y) - dy * (double(b.x) - p0.x) > 0.0;
      if (aLeft != bLeft && weft::canvas::GetLineCrossing(a, b, p0, p1) >= 0.0f)
        crossings++;
    }
  }
  return crossings % 2 == 1;
}

} // namespace pwtest
