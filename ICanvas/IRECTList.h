#pragma once
// IRECTList: the dirty regions of one frame, in insertion order, and their
// reduction into few disjoint rectangles before drawing.

#include "IRECT.h"

#include <vector>

namespace weft::canvas {

class IRECTList
{
public:
  IRECTList() { mRects.reserve(kReserve); }

  // Appends without checks: empty and duplicate rectangles are kept.
  void Add(const IRECT& r) { mRects.push_back(r); }
  // idx must lie in 0..Size()-1.
  void Set(int idx, const IRECT& r) { mRects[static_cast<size_t>(idx)] = r; }
  const IRECT& Get(int idx) const { return mRects[static_cast<size_t>(idx)]; }
  int Size() const noexcept { return static_cast<int>(mRects.size()); }
  void Clear() noexcept { mRects.clear(); }

  // Index of the first rectangle that contains the point (half-open), else -1.
  int Find(float x, float y) const;
  // Union of every rectangle; the empty rectangle for an empty list.
  IRECT Bounds() const;
  void PixelAlign(float scale);

  // Removes overlap (pass 1), then merges rectangles that share a full edge
  // (pass 2). The result is pairwise disjoint and covers exactly the area
  // the list covered before.
  void Optimize();

  // The part of r outside x, where x spans r fully in one direction and
  // touches one of its sides.
  static IRECT Shrink(const IRECT& r, const IRECT& x);
  // r minus x, where x lies in a corner of r: appends one piece to the list
  // and returns the other.
  IRECT Split(const IRECT& r, const IRECT& x);

private:
  // Replaces the rectangle at idx by what remains of it outside x (the
  // overlap with another entry), appending further pieces at the end.
  void Subtract(int idx, const IRECT& x, bool preferShrink);
  void Delete(int idx) { mRects.erase(mRects.begin() + idx); }

  // Room for a typical frame's regions without growing (4096 bytes).
  static constexpr size_t kReserve = 4096 / sizeof(IRECT);
  std::vector<IRECT> mRects;
};

} // namespace weft::canvas
