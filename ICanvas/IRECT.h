#pragma once
// IRECT: the float rectangle (left, top, right, bottom) of the graphics core,
// in points, x growing right and y growing down. A value type: operations
// named Get..., FracRect..., SubRect..., GetGridCell, GetCentredInside,
// Intersect and Union return new rectangles; Pad, Offset, Translate, Scale,
// PixelAlign, Clank, Constrain and Reduce... change the receiver.
//
// Empty means all four fields are exactly 0: a zero-width or inverted
// rectangle is not empty. Point containment is half-open (right and bottom
// edges outside), rectangle containment closed; Intersects is deliberately
// asymmetric (see below).

#include "ICanvasConstants.h"
#include "LOOM_Assert.h"

#include <algorithm>
#include <cmath>

namespace weft::canvas {

class IBitmap;

struct IRECT
{
  float L = 0.0f;
  float T = 0.0f;
  float R = 0.0f;
  float B = 0.0f;

  constexpr IRECT() = default;
  constexpr IRECT(float l, float t, float r, float b) : L(l), T(t), R(r), B(b) {}
  // One frame of the bitmap with its top-left corner at (x, y).
  IRECT(float x, float y, const IBitmap& bitmap);

  static constexpr IRECT MakeXYWH(float x, float y, float w, float h) { return IRECT(x, y, x + w, y + h); }

  // --- Measures and comparison
  constexpr float W() const { return R - L; }
  constexpr float H() const { return B - T; }
  constexpr float MW() const { return 0.5f * (L + R); }
  constexpr float MH() const { return 0.5f * (T + B); }
  constexpr float Area() const { return W() * H(); }
  constexpr bool Empty() const { return L == 0.0f && T == 0.0f && R == 0.0f && B == 0.0f; }
  constexpr bool operator==(const IRECT& r) const { return L == r.L && T == r.T && R == r.R && B == r.B; }
  constexpr bool operator!=(const IRECT& r) const { return !(*this == r); }

  // --- Containment and overlap
  // Half-open: the right and bottom edges are outside.
  constexpr bool Contains(float x, float y) const { return !Empty() && x >= L && x < R && y >= T && y < B; }
  // Closed: every edge is inside.
  constexpr bool ContainsEdge(float x, float y) const { return !Empty() && x >= L && x <= R && y >= T && y <= B; }
  // Closed: equal edges count as inside; false when either is empty.
  constexpr bool Contains(const IRECT& r) const
  {
    return !Empty() && !r.Empty() && r.L >= L && r.R <= R && r.T >= T && r.B <= B;
  }
  // Not symmetric: a rectangle whose right (bottom) edge lies on r's left
  // (top) edge intersects r, but r does not intersect it.
  constexpr bool Intersects(const IRECT& r) const
  {
    return !Empty() && !r.Empty() && R >= r.L && r.R > L && B >= r.T && r.B > T;
  }
  // Whether the union of the two covers exactly their two areas: either is
  // empty, or they share both vertical (horizontal) edges and their spans
  // touch or overlap.
  constexpr bool Mergeable(const IRECT& r) const
  {
    if (Empty() || r.Empty())
      return true;
    if (L == r.L && R == r.R)
    {
      if ((T >= r.T && r.B >= T) || (r.T >= T && B >= r.T))
        return true;
    }
    if (T != r.T || B != r.B)
      return false;
    return (L >= r.L && r.R >= L) || (r.L >= L && R >= r.L);
  }

  // --- Combination
  // The overlap when Intersects (r), else the empty rectangle.
  constexpr IRECT Intersect(const IRECT& r) const
  {
    if (!Intersects(r))
      return IRECT();
    return IRECT(std::max(L, r.L), std::max(T, r.T), std::min(R, r.R), std::min(B, r.B));
  }
  // An empty operand yields the other unchanged.
  constexpr IRECT Union(const IRECT& r) const
  {
    if (Empty())
      return r;
    if (r.Empty())
      return *this;
    return IRECT(std::min(L, r.L), std::min(T, r.T), std::max(R, r.R), std::max(B, r.B));
  }
  // Moves the receiver inside r, keeping its size where it fits; its right
  // and bottom edges end up at most r.R - 1 and r.B - 1.
  void Clank(const IRECT& r)
  {
    if (r.L > L)
    {
      R = std::min(r.R - 1.0f, R + (r.L - L));
      L = r.L;
    }
    if (r.T > T)
    {
      B = std::min(r.B - 1.0f, B + (r.T - T));
      T = r.T;
    }
    if (R >= r.R)
    {
      L = std::max(r.L, L - (R - r.R + 1.0f));
      R = r.R - 1.0f;
    }
    if (B >= r.B)
    {
      T = std::max(r.T, T - (B - r.B + 1.0f));
      B = r.B - 1.0f;
    }
  }

  // --- Padding (negative shrinks)
  void Pad(float p) { Pad(p, p, p, p); }
  void Pad(float l, float t, float r, float b)
  {
    L -= l;
    T -= t;
    R += r;
    B += b;
  }
  void HPad(float p)
  {
    L -= p;
    R += p;
  }
  constexpr IRECT GetPadded(float p) const { return IRECT(L - p, T - p, R + p, B + p); }
  constexpr IRECT GetPadded(float l, float t, float r, float b) const { return IRECT(L - l, T - t, R + r, B + b); }
  constexpr IRECT GetHPadded(float p) const { return IRECT(L - p, T, R + p, B); }
  constexpr IRECT GetVPadded(float p) const { return IRECT(L, T - p, R, B + p); }
  constexpr IRECT GetMidHPadded(float p) const { return IRECT(MW() - p, T, MW() + p, B); }
  constexpr IRECT GetMidVPadded(float p) const { return IRECT(L, MH() - p, R, MH() + p); }

  // --- Offsets and translation
  void Offset(float l, float t, float r, float b)
  {
    L += l;
    T += t;
    R += r;
    B += b;
  }
  IRECT& Translate(float x, float y)
  {
    L += x;
    R += x;
    T += y;
    B += y;
    return *this;
  }
  constexpr IRECT GetTranslated(float x, float y) const { return IRECT(L + x, T + y, R + x, B + y); }
  constexpr IRECT GetHShifted(float x) const { return GetTranslated(x, 0.0f); }
  constexpr IRECT GetVShifted(float y) const { return GetTranslated(0.0f, y); }

  // --- Scaling and pixel alignment
  // About the origin.
  void Scale(float s)
  {
    L *= s;
    T *= s;
    R *= s;
    B *= s;
  }
  void ScaleAboutCentre(float s)
  {
    const float x = MW(), y = MH(), hw = W() / 2.0f, hh = H() / 2.0f;
    L = x - hw * s;
    T = y - hh * s;
    R = x + hw * s;
    B = y + hh * s;
  }
  IRECT GetScaledAboutCentre(float s) const
  {
    IRECT r = *this;
    r.ScaleAboutCentre(s);
    return r;
  }
  // Outward to whole points: never shrinks.
  void PixelAlign()
  {
    L = std::floor(L);
    T = std::floor(T);
    R = std::ceil(R);
    B = std::ceil(B);
  }
  // Outward to whole pixels at scale pixels per point.
  void PixelAlign(float scale)
  {
    Scale(scale);
    PixelAlign();
    Scale(static_cast<float>(1.0 / static_cast<double>(scale)));
  }
  IRECT GetPixelAligned(float scale) const
  {
    IRECT r = *this;
    r.PixelAlign(scale);
    return r;
  }

  // --- Strips along the edges
  constexpr IRECT GetFromTop(float h) const { return IRECT(L, T, R, T + h); }
  constexpr IRECT GetFromBottom(float h) const { return IRECT(L, B - h, R, B); }
  constexpr IRECT GetFromLeft(float w) const { return IRECT(L, T, L + w, B); }
  constexpr IRECT GetFromRight(float w) const { return IRECT(R - w, T, R, B); }
  constexpr IRECT GetFromTLHC(float w, float h) const { return IRECT(L, T, L + w, T + h); }
  constexpr IRECT GetFromBRHC(float w, float h) const { return IRECT(R - w, B - h, R, B); }
  constexpr IRECT GetReducedFromTop(float a) const { return IRECT(L, T + a, R, B); }
  constexpr IRECT GetReducedFromBottom(float a) const { return IRECT(L, T, R, B - a); }
  constexpr IRECT GetReducedFromLeft(float a) const { return IRECT(L + a, T, R, B); }
  constexpr IRECT GetReducedFromRight(float a) const { return IRECT(L, T, R - a, B); }
  // Returns the strip taken off the receiver.
  IRECT ReduceFromRight(float w)
  {
    const IRECT strip = GetFromRight(w);
    R -= w;
    return strip;
  }
  IRECT ReduceFromBottom(float h)
  {
    const IRECT strip = GetFromBottom(h);
    B -= h;
    return strip;
  }

  // --- Fractions, slices and grid cells
  IRECT FracRectHorizontal(float frac, bool fromRight = false) const
  {
    const float w = W() * frac;
    return fromRight ? IRECT(R - w, T, R, B) : IRECT(L, T, L + w, B);
  }
  IRECT FracRectVertical(float frac, bool fromTop = false) const
  {
    const float h = H() * frac;
    return fromTop ? IRECT(L, T, R, T + h) : IRECT(L, B - h, R, B);
  }
  IRECT FracRect(EDirection dir, float frac, bool flag = false) const
  {
    return dir == EDirection::Vertical ? FracRectVertical(frac, flag) : FracRectHorizontal(frac, flag);
  }
  // Band idx of n equal bands, top to bottom. n must be positive.
  IRECT SubRectVertical(int n, int idx) const
  {
    const float s = H() / static_cast<float>(n);
    const float top = T + s * static_cast<float>(idx);
    return IRECT(L, top, R, top + s);
  }
  // Column idx of n equal slices, left to right. n must be positive.
  IRECT SubRectHorizontal(int n, int idx) const
  {
    const float s = W() / static_cast<float>(n);
    const float left = L + s * static_cast<float>(idx);
    return IRECT(left, T, left + s, B);
  }
  IRECT SubRect(EDirection dir, int n, int idx) const
  {
    return dir == EDirection::Vertical ? SubRectVertical(n, idx) : SubRectHorizontal(n, idx);
  }
  IRECT GetGridCell(int row, int col, int nRows, int nColumns) const
  {
    LOOM_ASSERT_MSG(row * col <= nRows * nColumns, "row * col <= nRows * nColumns");
    return SubRectVertical(nRows, row).SubRectHorizontal(nColumns, col);
  }
  // Cell cellIndex counted row by row (Horizontal) or column by column
  // (Vertical), widened over up to nCells cells without wrapping. An index
  // equal to the cell count gives the whole receiver.
  IRECT GetGridCell(int cellIndex, int nRows, int nColumns, EDirection dir = EDirection::Horizontal, int nCells = 1) const;

  // --- Centring, constraining, interpolation
  constexpr IRECT GetCentredInside(const IRECT& sr) const
  {
    const float l = MW() - sr.W() * 0.5f;
    const float t = MH() - sr.H() * 0.5f;
    return IRECT(l, t, l + sr.W(), t + sr.H());
  }
  // w is at least 1; h <= 0 means h = w.
  IRECT GetCentredInside(float w, float h = 0.0f) const
  {
    w = std::max(w, 1.0f);
    if (h <= 0.0f)
      h = w;
    return GetCentredInside(IRECT(0.0f, 0.0f, w, h));
  }
  // One frame of the bitmap centred on the receiver.
  IRECT GetCentredInside(const IBitmap& bitmap) const;
  // Clamps a point into the closed rectangle.
  void Constrain(float& x, float& y) const
  {
    if (x < L)
      x = L;
    else if (x > R)
      x = R;
    if (y < T)
      y = T;
    else if (y > B)
      y = B;
  }
  // progress is not clipped.
  static IRECT LinearInterpolateBetween(const IRECT& start, const IRECT& dest, float progress)
  {
    return IRECT(progress * (dest.L - start.L) + start.L, progress * (dest.T - start.T) + start.T,
                 progress * (dest.R - start.R) + start.R, progress * (dest.B - start.B) + start.B);
  }
};

} // namespace weft::canvas
