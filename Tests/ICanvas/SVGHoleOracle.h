#pragma once
// The hole test of SVG replay in its plain form: every chord of every other
// outline of the shape against the ray. The oracle of SVGHoleIndex.

#include "IVec2.h"
#include "SVGImage.h"

namespace pwtest {

inline bool OracleIsHole(const weft::svg::SVGShape& shape, size_t pathIdx)
{
  using weft::canvas::IVec2;
  const weft::svg::SVGPath& path = shape.paths[pathIdx];
  const IVec2 p0(path.X(0), path.Y(0));
  const IVec2 p1(path.bounds[0] - 1.0f, path.bounds[1] - 1.0f);
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
      const float t1 = weft::canvas::GetLineCrossing(p0, p1, a, b);
      const float t2 = weft::canvas::GetLineCrossing(a, b, p0, p1);
      if (t1 >= 0.0f && t1 < 1.0f && t2 >= 0.0f)
        crossings++;
    }
  }
  return crossings % 2 == 1;
}

} // namespace pwtest
