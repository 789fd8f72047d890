#pragma once
// The hole test of SVG replay in its plain form: the sub-path's test point
// tried against every chord of every other outline, then every such chord
// against the ray, a corner on the ray's line counted once where the outline
// passes to the other side and not where it only touches the line. The
// oracle of SVGHoleIndex.

#include "IVec2.h"
#include "SVGHoleIndex.h"
#include "SVGImage.h"

#include <cmath>
#include <limits>


namespace pwtest {

// Calls f(a, b) for every chord of an outline: between its on-curve points,
// the closing chord last, chords of no length left out.
template <class F>
void OracleChords(const weft::svg::SVGPath& o, F&& f)
{
  using weft::canvas::IVec2;
  const int n = o.NPts();
  for (int i = 1; n > 3 && i - 1 < n && i < n + 3; i += 3)
  {
    const IVec2 a(o.X(i - 1), o.Y(i - 1));
    const IVec2 b = i + 2 < n ? IVec2(o.X(i + 2), o.Y(i + 2)) : IVec2(o.X(0), o.Y(0));
    if (a.x != b.x || a.y != b.y)
      f(a, b);
  }
}

// The first on-curve point of the sub-path on no chord of another outline,
// else the first point beside the middle of one of its chords on the inside
// on none, else its first point.
inline weft::canvas::IVec2 OracleTestPoint(const weft::svg::SVGShape& shape, size_t pathIdx)
{
  using weft::canvas::IVec2;
  using weft::canvas::SVGHoleIndex;
  auto off = [&](const IVec2& v) {
    bool on = !std::isfinite(v.x) || !std::isfinite(v.y);
    for (size_t other = 0; other < shape.paths.size(); other++)
    {
      if (other != pathIdx)
        OracleChords(shape.paths[other], [&](const IVec2& a, const IVec2& b) { on = on || SVGHoleIndex::OnChord(v, a, b); });
    }
    return !on;
  };
  const weft::svg::SVGPath& path = shape.paths[pathIdx];
  for (int i = 0; i < path.NPts(); i += 3)
  {
    if (off(IVec2(path.X(i), path.Y(i))))
      return IVec2(path.X(i), path.Y(i));
  }
  const IVec2 first(path.X(0), path.Y(0));
  double area = 0.0;
  OracleChords(path, [&](const IVec2& a, const IVec2& b) {
    area += (double(a.x) - first.x) * (double(b.y) - first.y) - (double(a.y) - first.y) * (double(b.x) - first.x);
  });
  IVec2 found = first;
  bool seen = false;
  OracleChords(path, [&](const IVec2& a, const IVec2& b) {
    const IVec2 beside = SVGHoleIndex::Beside(a, b, area > 0.0 ? 1.0 : -1.0);
    if (!seen && (area > 0.0 || area < 0.0) && off(beside))
      found = beside, seen = true;
  });
  return found;
}

inline bool OracleIsHole(const weft::svg::SVGShape& shape, size_t pathIdx)
{
  using weft::canvas::IVec2;
  const weft::svg::SVGPath& path = shape.paths[pathIdx];
  const IVec2 p0 = OracleTestPoint(shape, pathIdx);
  // Just beyond the bounds' top-left corner, by more than a unit where a unit
  // would round away.
  auto before = [](float b) {
    const float step = std::fabs(b) * 0x1p-20f;
    return b - (step > 1.0f && step <= std::numeric_limits<float>::max() ? step : 1.0f);
  };
  const IVec2 p1(before(path.bounds[0]), before(path.bounds[1]));
  const double dx = double(p1.x) - p0.x, dy = double(p1.y) - p0.y;
  int crossings = 0;
  for (size_t other = 0; other < shape.paths.size(); other++)
  {
    if (other == pathIdx)
      continue;
    OracleChords(shape.paths[other], [&](const IVec2& a, const IVec2& b) {
      // The chord's ends on different sides of the ray's line, a point on
      // the line taken as on the right; p0 on the chord's line or on the
      // side of it the ray comes from, so that they meet at or beyond p0.
      const bool aLeft = dx * (double(a.y) - p0.y) - dy * (double(a.x) - p0.x) > 0.0;
      const bool bLeft = dx * (double(b.y) - p0.y) - dy * (double(b.x) - p0.x) > 0.0;
      const double side = (double(b.x) - a.x) * (double(p0.y) - a.y) - (double(b.y) - a.y) * (double(p0.x) - a.x);
      if (aLeft != bLeft && (aLeft ? side <= 0.0 : side >= 0.0))
        crossings++;
    });
  }
  return crossings % 2 == 1;
}

} // namespace pwtest
