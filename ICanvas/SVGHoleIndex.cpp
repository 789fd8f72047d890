#include "SVGHoleIndex.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace weft::canvas {

using svg::SVGPath;
using svg::SVGShape;

namespace {

// Points beyond this (or not finite) stay out of the grid: the crossing
// test's products could overflow there and its error bound no longer holds.
constexpr float kMaxCoord = 1.0e18f;
// Cells per axis at most.
constexpr double kMaxCells = 1024.0;
// The side test's error in double, measured as a distance from the ray's
// line, stays far below 2^-40 of the box's size, and the line a gathering
// follows (along the float direction of the first of the rays that share
// it) turns from each ray's own by less than 2^-23, so it strays from it by
// less than 2^-22 of that size within the box, besides the offsets of the
// rays that share it, for which the pad is doubled. A chord whose ends both
// lie farther from the line than 2^-10 of that size on one side cannot
// count.
constexpr double kLinePad = 1.0 / 1024.0;
// The grid's own double arithmetic errs by a few 2^-52 of the coordinates.
constexpr double kCellPad = 1.0 / (1024.0 * 1024.0 * 1024.0 * 1024.0);
// Absolute floors of both pads, and the shortest ray direction (per axis)
// that is gridded: together far above the 2^-149 steps of float underflow.
constexpr double kTinyPad = 1.0e-20;
constexpr float kMinDir = 1.0e-20f;

// A point lies on a chord when it lies within this much of the largest of
// their coordinates' magnitudes from it: some 8 to 16 steps of float
// rounding, several times what the reader's transforms (turning, scaling,
// translating, nested) were seen to err by.
constexpr double kNear = 1.0 / (1 << 20);
// How far from the middle of one of its chords a point beside it is taken,
// as a part of the coordinates' magnitude (at most a quarter of the chord's
// length): beyond the reach of kNear from the chord.
constexpr double kBeside = 4.0 * kNear;

bool Regular(const IVec2& p) { return std::fabs(p.x) <= kMaxCoord && std::fabs(p.y) <= kMaxCoord; }

double Magnitude(const IVec2& p) { return std::max(std::fabs(double(p.x)), std::fabs(double(p.y))); }

int CellOf(double v, double origin, double invSize, int n)
{
  const double c = (v - origin) * invSize;
  return !(c >= 0.0) ? 0 : c >= n ? n - 1 : static_cast<int>(c);
}

// Rays in one of this many direction sectors are answered together, in the
// order of their lines across the sector, so that consecutive rays walk
// nearly the same cells.
constexpr double kSectors = 256.0;
constexpr double kPi = 3.14159265358979323846;

// Just before the bounds' edge b: a unit, or at large coordinates enough
// units to leave b behind after rounding.
float Before(float b)
{
  const float step = std::fabs(b) * 0x1p-20f;
  return b - (step > 1.0f && step <= std::numeric_limits<float>::max() ? step : 1.0f);
}

// Calls f(a, b) for every chord of the path: between its on-curve points,
// the closing chord last, chords of no length left out.
template <class F>
void ForEachChord(const SVGPath& o, F&& f)
{
  const int n = o.NPts();
  if (n <= 3)
    return;
  for (int i = 1; i - 1 < n && i < n + 3; i += 3)
  {
    const IVec2 a(o.X(i - 1), o.Y(i - 1));
    const IVec2 b = i + 2 < n ? IVec2(o.X(i + 2), o.Y(i + 2)) : IVec2(o.X(0), o.Y(0));
    if (a.x != b.x || a.y != b.y)
      f(a, b);
  }
}

} // namespace

// Whether v lies strictly on the left of the line from p0 through p1 (on
// the right, on screen, where y grows downwards); one function of the
// point, whichever chord asks. In double, exact when the coordinates'
// differences are multiples of one power of two up to 2^26 of it (whole
// numbers below 2^25, for instance), so that a corner on the line is found
// on it.
static bool LeftOfLine(const IVec2& p0, const IVec2& p1, const IVec2& v)
{
  const double dx = double(p1.x) - double(p0.x), dy = double(p1.y) - double(p0.y);
  return dx * (double(v.y) - double(p0.y)) - dy * (double(v.x) - double(p0.x)) > 0.0;
}

bool SVGHoleIndex::Crosses(const IVec2& p0, const IVec2& p1, const Chord& chord)
{
  const bool aLeft = LeftOfLine(p0, p1, chord.a);
  if (aLeft == LeftOfLine(p0, p1, chord.b))
    return false;
  // The meeting point lies at or beyond p0 where p0 lies on the chord's line
  // or on the side of it that the ray comes from: on the right of a towards
  // b when a lies on the left of the ray, on the left otherwise.
  const IVec2 &a = chord.a, &b = chord.b;
  const double ex = double(b.x) - double(a.x), ey = double(b.y) - double(a.y);
  const double side = ex * (double(p0.y) - double(a.y)) - ey * (double(p0.x) - double(a.x));
  return aLeft ? side <= 0.0 : side >= 0.0;
}

bool SVGHoleIndex::OnChord(const IVec2& v, const IVec2& a, const IVec2& b)
{
  const double reach = kNear * std::max({Magnitude(v), Magnitude(a), Magnitude(b)});
  const double ex = double(b.x) - double(a.x), ey = double(b.y) - double(a.y);
  const double wx = double(v.x) - double(a.x), wy = double(v.y) - double(a.y);
  const double length2 = ex * ex + ey * ey, scaled = reach * std::sqrt(length2);
  const double across = ex * wy - ey * wx, along = ex * wx + ey * wy;
  return std::fabs(across) <= scaled && along >= -scaled && along <= length2 + scaled;
}

IVec2 SVGHoleIndex::Beside(const IVec2& a, const IVec2& b, double inside)
{
  const double ex = double(b.x) - double(a.x), ey = double(b.y) - double(a.y);
  const double length = std::sqrt(ex * ex + ey * ey);
  const double step = std::min(kBeside * std::max(Magnitude(a), Magnitude(b)), 0.25 * length) * inside / length;
  // Within float range even beside a chord at its edge.
  constexpr double kMax = std::numeric_limits<float>::max();
  return IVec2(static_cast<float>(std::clamp(0.5 * (double(a.x) + double(b.x)) - ey * step, -kMax, kMax)),
               static_cast<float>(std::clamp(0.5 * (double(a.y) + double(b.y)) + ex * step, -kMax, kMax)));
}

int SVGHoleIndex::Row(double y) const { return CellOf(y, mT, mInvCellH, mRows); }
int SVGHoleIndex::Col(double x) const { return CellOf(x, mL, mInvCellW, mCols); }

template <class F>
void SVGHoleIndex::ForEachCell(double px, double py, double qx, double qy, double pad, F&& f) const
{
  const double dy = qy - py;
  // Nearly level: every row it reaches takes its whole width.
  const double invDy = std::fabs(dy) > 1.0e-300 ? 1.0 / dy : 0.0;
  const int r1 = Row(std::max(py, qy) + pad);
  for (int r = Row(std::min(py, qy) - pad); r <= r1; r++)
  {
    // The part of the segment within the row's band grown by pad; an end
    // point when it only reaches the band through pad.
    double s0 = 0.0, s1 = 1.0;
    if (invDy != 0.0)
    {
      s0 = (mT + r * mCellH - pad - py) * invDy;
      s1 = (mT + (r + 1) * mCellH + pad - py) * invDy;
      if (s0 > s1)
        std::swap(s0, s1);
      s0 = std::clamp(s0, 0.0, 1.0);
      s1 = std::clamp(s1, 0.0, 1.0);
    }
    const double xa = px + s0 * (qx - px), xb = px + s1 * (qx - px);
    const int c1 = Col(std::max(xa, xb) + pad);
    for (int c = Col(std::min(xa, xb) - pad); c <= c1; c++)
      f(static_cast<size_t>(r) * static_cast<size_t>(mCols) + static_cast<size_t>(c));
  }
}

void SVGHoleIndex::Build(const SVGShape& shape)
{
  mShape = &shape;
  mHoles.assign(shape.paths.size(), 0);
  if (shape.paths.size() < 2)
    return; // a lone outline has no others to lie inside
  mChords.clear();
  // A chord of no length is parallel to every ray: it never counts.
  for (size_t p = 0; p < shape.paths.size(); p++)
    ForEachChord(shape.paths[p],
                 [&](const IVec2& a, const IVec2& b) { mChords.push_back({a, b, static_cast<uint32_t>(p), 0}); });
  const auto irregular = std::partition(mChords.begin(), mChords.end(),
                                        [](const Chord& c) { return Regular(c.a) && Regular(c.b); });
  mNGridded = static_cast<size_t>(irregular - mChords.begin());
  for (size_t k = 0; k < mChords.size(); k++)
    mChords[k].id = static_cast<uint32_t>(k);
  mVisited.assign(mChords.size(), 0);
  mQuery = 0;
  mCols = mRows = 0;
  if (mNGridded > 0)
    BuildGrid();
  mStarts.resize(shape.paths.size());
  for (size_t p = 0; p < shape.paths.size(); p++)
  {
    if (shape.paths[p].NPts() > 0)
      mStarts[p] = TestPoint(p);
  }
  mOrder.clear();
  for (size_t p = 0; p < shape.paths.size(); p++)
  {
    IVec2 p0, p1;
    if (shape.paths[p].NPts() == 0)
      continue; // no point to cast a ray from
    if (Gridded(p, p0, p1))
    {
      const IVec2 dir = p1 - p0;
      const double dx = dir.x, dy = dir.y;
      const double sector = std::floor((std::atan2(dy, dx) / (2.0 * kPi) + 0.5) * kSectors);
      const double offset = (double(p0.x) * dy - double(p0.y) * dx) / std::hypot(dx, dy);
      mOrder.push_back({sector, offset, p0, dir, static_cast<uint32_t>(p)});
    }
    else
      mHoles[p] = CountAll(p) % 2 == 1;
  }
  std::sort(mOrder.begin(), mOrder.end(), [](const RayKey& x, const RayKey& y) {
    if (x.sector != y.sector)
      return x.sector < y.sector;
    if (x.dir.x != y.dir.x)
      return x.dir.x < y.dir.x;
    if (x.dir.y != y.dir.y)
      return x.dir.y < y.dir.y;
    return x.offset < y.offset;
  });
  for (size_t i = 0; i < mOrder.size();)
  {
    // Rays of one direction whose lines lie within the pad of the first one
    // share the chords gathered near it, with the pad doubled.
    const RayKey& first = mOrder[i];
    size_t end = i + 1;
    while (end < mOrder.size() && mOrder[end].dir.x == first.dir.x && mOrder[end].dir.y == first.dir.y &&
           mOrder[end].offset - first.offset <= mLinePad)
      end++;
    Gather(first.p0, first.dir, end - i > 1 ? 2.0 * mLinePad : mLinePad);
    for (; i < end; i++)
      mHoles[mOrder[i].path] = CountCandidates(mOrder[i].path) % 2 == 1;
  }
}

void SVGHoleIndex::BuildGrid()
{
  const svg::SVGShape& shape = *mShape;

  // The box of every gridded point and every on-curve point, where rays
  // start.
  double l = std::numeric_limits<double>::max(), t = l, r = -l, b = -l;
  auto add = [&](const IVec2& v) {
    l = std::min(l, double(v.x)), r = std::max(r, double(v.x));
    t = std::min(t, double(v.y)), b = std::max(b, double(v.y));
  };
  for (size_t k = 0; k < mNGridded; k++)
    add(mChords[k].a), add(mChords[k].b);
  for (const SVGPath& path : shape.paths)
  {
    for (int i = 0; i < path.NPts(); i += 3)
    {
      if (Regular(IVec2(path.X(i), path.Y(i))))
        add(IVec2(path.X(i), path.Y(i)));
    }
  }
  mL = l, mT = t, mR = r, mB = b;
  const double w = r - l, h = b - t;
  const double size = std::max(w, h);
  mMagnitude = std::max({std::fabs(l), std::fabs(t), std::fabs(r), std::fabs(b)});
  mCellPad = (size + mMagnitude) * kCellPad + kTinyPad;
  mLinePad = size * kLinePad + kTinyPad;

  // About one chord per cell, cells as square as the box allows.
  const double n = static_cast<double>(mNGridded) / 4.0;
  double cols = 1.0, rows = 1.0;
  if (w > 0.0 && h > 0.0)
  {
    cols = std::ceil(std::sqrt(n * w / h));
    rows = std::ceil(std::sqrt(n * h / w));
  }
  else if (w > 0.0)
    cols = n;
  else if (h > 0.0)
    rows = n;
  mCols = static_cast<int>(std::clamp(cols, 1.0, kMaxCells));
  mRows = static_cast<int>(std::clamp(rows, 1.0, kMaxCells));
  mCellW = w > 0.0 ? w / mCols : 1.0;
  mCellH = h > 0.0 ? h / mRows : 1.0;
  mInvCellW = 1.0 / mCellW;
  mInvCellH = 1.0 / mCellH;

  // Chords by cell, counted first, then placed from each cell's end.
  const size_t nCells = static_cast<size_t>(mCols) * static_cast<size_t>(mRows);
  mCellStart.assign(nCells + 1, 0);
  auto cover = [&](const Chord& c, auto&& f) { ForEachCell(c.a.x, c.a.y, c.b.x, c.b.y, mCellPad, f); };
  for (size_t k = 0; k < mNGridded; k++)
    cover(mChords[k], [&](size_t cell) { mCellStart[cell]++; });
  for (size_t c = 1; c < nCells; c++)
    mCellStart[c] += mCellStart[c - 1];
  mCellStart[nCells] = mCellStart[nCells - 1];
  mCellChords.resize(mCellStart[nCells]);
  for (size_t k = 0; k < mNGridded; k++)
    cover(mChords[k], [&](size_t cell) { mCellChords[--mCellStart[cell]] = mChords[k]; });
}

bool SVGHoleIndex::OffOthers(size_t pathIdx, const IVec2& v) const
{
  bool off = true;
  auto test = [&](const Chord& chord) { off = chord.path == pathIdx || !OnChord(v, chord.a, chord.b); };
  size_t firstUngridded = 0;
  if (mCols > 0 && Regular(v))
  {
    // The cells within twice the reach of OnChord.
    firstUngridded = mNGridded;
    const double pad = 2.0 * kNear * std::max(Magnitude(v), mMagnitude) + mCellPad;
    ForEachCell(v.x, v.y, v.x, v.y, pad, [&](size_t cell) {
      for (uint32_t i = mCellStart[cell]; off && i < mCellStart[cell + 1]; i++)
        test(mCellChords[i]);
    });
  }
  for (size_t k = firstUngridded; off && k < mChords.size(); k++)
    test(mChords[k]);
  return off;
}

IVec2 SVGHoleIndex::TestPoint(size_t pathIdx) const
{
  // A point that is not finite lies nowhere.
  auto usable = [&](const IVec2& v) { return std::isfinite(v.x) && std::isfinite(v.y) && OffOthers(pathIdx, v); };
  const SVGPath& path = mShape->paths[pathIdx];
  for (int i = 0; i < path.NPts(); i += 3)
  {
    if (usable(IVec2(path.X(i), path.Y(i))))
      return IVec2(path.X(i), path.Y(i));
  }
  // Every corner on another outline: a point beside one of its chords, on
  // the side its turning puts the inside.
  const IVec2 first(path.X(0), path.Y(0));
  double area = 0.0;
  ForEachChord(path, [&](const IVec2& a, const IVec2& b) {
    area += (double(a.x) - first.x) * (double(b.y) - first.y) - (double(a.y) - first.y) * (double(b.x) - first.x);
  });
  bool found = false;
  IVec2 beside = first;
  if (area > 0.0 || area < 0.0)
  {
    ForEachChord(path, [&](const IVec2& a, const IVec2& b) {
      if (!found)
        found = usable(beside = Beside(a, b, area > 0.0 ? 1.0 : -1.0));
    });
  }
  return found ? beside : first;
}

void SVGHoleIndex::RayOf(size_t pathIdx, IVec2& p0, IVec2& p1) const
{
  const SVGPath& path = mShape->paths[pathIdx];
  p0 = mStarts[pathIdx];
  p1 = IVec2(Before(path.bounds[0]), Before(path.bounds[1]));
}

bool SVGHoleIndex::Gridded(size_t pathIdx, IVec2& p0, IVec2& p1) const
{
  RayOf(pathIdx, p0, p1);
  const IVec2 dir = p1 - p0;
  return mNGridded > 0 && Regular(p0) && Regular(p1) && std::max(std::fabs(dir.x), std::fabs(dir.y)) >= kMinDir;
}

int SVGHoleIndex::CountAll(size_t pathIdx) const
{
  return CountCrossings(pathIdx, mChords.data(), mChords.size(), mChords.size());
}

void SVGHoleIndex::Gather(const IVec2& p0, const IVec2& dir, double linePad)
{
  mCandidates.clear();
  if (++mQuery == 0) // wrapped: forget every earlier gathering
  {
    std::fill(mVisited.begin(), mVisited.end(), 0);
    mQuery = 1;
  }
  // The whole line through the box grown by the pad.
  const double pad = linePad + mCellPad;
  const double dx = dir.x, dy = dir.y, ox = p0.x, oy = p0.y;
  double sMin = -std::numeric_limits<double>::infinity(), sMax = -sMin;
  auto clip = [&](double origin, double d, double lo, double hi) {
    if (d == 0.0)
      return;
    const double s0 = (lo - pad - origin) / d, s1 = (hi + pad - origin) / d;
    sMin = std::max(sMin, std::min(s0, s1));
    sMax = std::min(sMax, std::max(s0, s1));
  };
  clip(ox, dx, mL, mR);
  clip(oy, dy, mT, mB);
  // The side test gives distances from the line times the direction's
  // length.
  const double far = linePad * std::hypot(dx, dy);
  auto side = [&](const IVec2& v) { return dx * (v.y - oy) - dy * (v.x - ox); };
  ForEachCell(ox + sMin * dx, oy + sMin * dy, ox + sMax * dx, oy + sMax * dy, pad, [&](size_t cell) {
    for (uint32_t i = mCellStart[cell]; i < mCellStart[cell + 1]; i++)
    {
      const Chord& chord = mCellChords[i];
      const double sa = side(chord.a), sb = side(chord.b);
      if ((sa > far && sb > far) || (sa < -far && sb < -far) || mVisited[chord.id] == mQuery)
        continue;
      mVisited[chord.id] = mQuery;
      mCandidates.push_back(chord);
    }
  });
}

int SVGHoleIndex::CountCandidates(size_t pathIdx) const
{
  return CountCrossings(pathIdx, mCandidates.data(), mCandidates.size(), mNGridded);
}

int SVGHoleIndex::CountCrossings(size_t pathIdx, const Chord* chords, size_t nChords, size_t firstUngridded) const
{
  IVec2 p0, p1;
  RayOf(pathIdx, p0, p1);
  int crossings = 0;
  for (size_t k = 0; k < nChords; k++)
    crossings += chords[k].path != pathIdx && Crosses(p0, p1, chords[k]);
  for (size_t k = firstUngridded; k < mChords.size(); k++)
    crossings += mChords[k].path != pathIdx && Crosses(p0, p1, mChords[k]);
  return crossings;
}

} // namespace weft::canvas
