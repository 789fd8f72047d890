#pragma once
// The hole test of SVG replay over a grid of the shape's outline chords.
//
// A sub-path is a hole when a ray from its test point, towards just beyond
// the top-left corner of its bounds, crosses the chords of the shape's other
// outlines (the segments between their on-curve points, closing chord last;
// outlines of fewer than four points have none) an odd number of times. A
// chord counts when its ends lie on different sides of the ray's line, a
// point on the line taken as on its right, and the test point lies on the
// chord's line or on the side of it the ray comes from (so the meeting
// point lies at or beyond the ray's start; decided by the signs of exact
// products, with no division). So a corner on the ray counts once where the
// outline passes to the other side there and not at all where it only
// touches the line, and a chord along the line never counts: the outline's
// chords before and after it decide.
//
// The test point lies on no other outline, so that outlines touching the
// sub-path do not leave its answer to rounding: it is the first finite
// on-curve point of the sub-path that lies on no chord of another outline
// (OnChord, which allows for rounding); else, when its chords turn one way
// overall, the first finite point beside the middle of one of its chords,
// on the inside, that lies on none; else its first point. Where the first
// point lies clearly inside or outside the others, it is the test point.
//
// Testing every chord for every sub-path is quadratic. The index gives the
// same answers while testing only the chords near the ray's line (and, for
// the test point, near the point): each candidate still goes through the
// same computation, and a chord whose ends both lie on one side of the line
// by more than that computation's error cannot count. The whole line
// through the grid is followed, behind the start as well. Rays of one
// direction whose lines nearly coincide (outlines aligned on a grid) share
// the chords gathered once along the first of them. Chords with non-finite
// or huge coordinates are tested against every ray, and such rays against
// every chord.
//
// Main thread; the buffers are kept between shapes so that replaying an
// image allocates only while they grow.

#include "IVec2.h"
#include "SVGImage.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace weft::canvas {

class SVGHoleIndex
{
public:
  // Answers the hole test for every path of shape.
  void Build(const svg::SVGShape& shape);
  // Whether path pathIdx of the shape last built lies inside an odd number
  // of the shape's other outlines.
  bool IsHole(size_t pathIdx) const { return pathIdx < mHoles.size() && mHoles[pathIdx]; }

  // Whether v lies on the chord from a to b, within 2^-20 of the largest
  // magnitude of their coordinates.
  static bool OnChord(const IVec2& v, const IVec2& a, const IVec2& b);
  // The point beside the middle of the chord from a to b, towards (b - a)
  // turned from the x axis towards the y axis for inside 1, the other way
  // for -1: off it by 2^-18 of its ends' magnitude, or by a quarter of its
  // length if less.
  static IVec2 Beside(const IVec2& a, const IVec2& b, double inside);

private:
  struct Chord
  {
    IVec2 a, b;
    uint32_t path; // the outline it belongs to
    uint32_t id; // its index in mChords
  };

  // Orders the rays answered through the grid.
  struct RayKey
  {
    double sector; // of the ray's direction
    double offset; // of its line from the origin, across the direction
    IVec2 p0, dir; // its start and direction
    uint32_t path;
  };

  // Whether the chord counts as a crossing of the ray from p0 through p1.
  static bool Crosses(const IVec2& p0, const IVec2& p1, const Chord& chord);
  void BuildGrid();
  // Whether v lies on no chord of an outline other than path pathIdx.
  bool OffOthers(size_t pathIdx, const IVec2& v) const;
  // The point path pathIdx is judged by.
  IVec2 TestPoint(size_t pathIdx) const;
  // The ray of path pathIdx, from its test point to just beyond the top-left
  // corner of its bounds.
  void RayOf(size_t pathIdx, IVec2& p0, IVec2& p1) const;
  // The ray of path pathIdx into p0, p1; whether it is answered through the
  // grid.
  bool Gridded(size_t pathIdx, IVec2& p0, IVec2& p1) const;
  // Crossings of the ray of path pathIdx with every chord.
  int CountAll(size_t pathIdx) const;
  // Collects into mCandidates every gridded chord that comes within linePad
  // of the line through p0 along dir (and some farther ones).
  void Gather(const IVec2& p0, const IVec2& dir, double linePad);
  // Crossings of the ray of path pathIdx with the candidates and the chords
  // outside the grid.
  int CountCandidates(size_t pathIdx) const;
  // Crossings of the ray of path pathIdx with nChords chords and with the
  // chords of mChords from firstUngridded on.
  int CountCrossings(size_t pathIdx, const Chord* chords, size_t nChords, size_t firstUngridded) const;
  // Calls f with the index of every grid cell that any point within pad of
  // the segment p-q may lie in.
  template <class F>
  void ForEachCell(double px, double py, double qx, double qy, double pad, F&& f) const;
  int Row(double y) const;
  int Col(double x) const;

  const svg::SVGShape* mShape = nullptr;
  std::vector<Chord> mChords; // the gridded ones first, from mNGridded on the ones tested always
  size_t mNGridded = 0;
  // The grid over the box of the gridded chords and the paths' on-curve
  // points.
  double mMagnitude = 0.0; // the largest coordinate magnitude in the box
  double mL = 0.0, mT = 0.0, mR = 0.0, mB = 0.0, mCellW = 1.0, mCellH = 1.0, mInvCellW = 1.0, mInvCellH = 1.0;
  int mCols = 0, mRows = 0;
  double mLinePad = 0.0; // distance from the ray's line beyond which no chord can count
  double mCellPad = 0.0; // slack for the rounding of the grid's own double arithmetic
  // The chords of cell c, copied for reading in order: mCellChords[mCellStart[c] .. mCellStart[c + 1]).
  std::vector<uint32_t> mCellStart;
  std::vector<Chord> mCellChords;
  std::vector<uint32_t> mVisited; // per chord: the gathering that last took it
  uint32_t mQuery = 0;
  std::vector<RayKey> mOrder;
  std::vector<Chord> mCandidates;
  std::vector<IVec2> mStarts; // per path of the shape: its test point
  std::vector<uint8_t> mHoles; // per path of the shape: 1 for a hole
};

} // namespace weft::canvas
