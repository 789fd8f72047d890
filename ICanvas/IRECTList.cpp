#include "IRECTList.h"

namespace weft::canvas {

namespace {

// Pieces of r outside x (x inside r's bounds): full-width strips above and
// below x, then the parts left and right of it. Zero-area pieces are left
// out. Returns the count (0 to 4).
int Remainders(const IRECT& r, const IRECT& x, IRECT out[4])
{
  int n = 0;
  if (x.T > r.T)
    out[n++] = IRECT(r.L, r.T, r.R, x.T);
  if (x.B < r.B)
    out[n++] = IRECT(r.L, x.B, r.R, r.B);
  if (x.L > r.L)
    out[n++] = IRECT(r.L, x.T, x.L, x.B);
  if (x.R < r.R)
    out[n++] = IRECT(x.R, x.T, r.R, x.B);
  return n;
}

} // namespace

int IRECTList::Find(float x, float y) const
{
  for (int i = 0; i < Size(); ++i)
  {
    if (Get(i).Contains(x, y))
      return i;
  }
  return -1;
}

IRECT IRECTList::Bounds() const
{
  IRECT r = Size() > 0 ? Get(0) : IRECT();
  for (int i = 1; i < Size(); ++i)
    r = r.Union(Get(i));
  return r;
}

void IRECTList::PixelAlign(float scale)
{
  for (IRECT& r : mRects)
    r.PixelAlign(scale);
}

IRECT IRECTList::Shrink(const IRECT& r, const IRECT& x)
{
  if (x.L != r.L)
    return IRECT(r.L, r.T, x.L, r.B);
  if (x.T != r.T)
    return IRECT(r.L, r.T, r.R, x.T);
  if (x.R != r.R)
    return IRECT(x.R, r.T, r.R, r.B);
  return IRECT(r.L, x.B, r.R, r.B);
}

IRECT IRECTList::Split(const IRECT& r, const IRECT& x)
{
  if (r.L != x.L && r.T != x.T) // x at the bottom right
  {
    Add(IRECT(r.L, r.T, r.R, x.T));
    return IRECT(r.L, x.T, x.L, r.B);
  }
  if (r.L != x.L) // top right
  {
    Add(IRECT(r.L, r.T, x.L, x.B));
    return IRECT(r.L, x.B, r.R, r.B);
  }
  if (r.T != x.T) // bottom left
  {
    Add(IRECT(r.L, r.T, r.R, x.T));
    return IRECT(x.R, x.T, r.R, r.B);
  }
  Add(IRECT(x.R, r.T, r.R, x.B)); // top left
  return IRECT(r.L, x.B, r.R, r.B);
}

void IRECTList::Subtract(int idx, const IRECT& x, bool preferShrink)
{
  const IRECT r = Get(idx);
  IRECT pieces[4];
  const int n = Remainders(r, x, pieces);
  if (n == 0)
    return; // nothing of r lies outside x: keep it rather than lose area

  // Shrink and Split cover an overlap along one side or in one corner. An
  // overlap that crosses r (a strip through its middle, or a notch in the
  // middle of one side) leaves more pieces than they keep: take them all.
  const bool oneSide = n == 1;
  const bool corner = n == 2 && (x.T > r.T) != (x.B < r.B) && (x.L > r.L) != (x.R < r.R);
  if (preferShrink && oneSide)
    Set(idx, Shrink(r, x));
  else if (!preferShrink && corner)
    Set(idx, Split(r, x));
  else
  {
    Set(idx, pieces[0]);
    for (int k = 1; k < n; ++k)
      Add(pieces[k]);
  }
}

void IRECTList::Optimize()
{
  // Pass 1: remove overlap.
  for (int i = 0; i < Size(); ++i)
  {
    for (int j = i + 1; j < Size();)
    {
      const IRECT ri = Get(i);
      const IRECT rj = Get(j);
      if (ri.Contains(rj))
      {
        Delete(j);
        continue;
      }
      if (rj.Contains(ri))
      {
        Delete(i);
        --i; // the next i is at the same index
        break;
      }
      if (ri.Intersects(rj))
      {
        const IRECT x = ri.Intersect(rj);
        if (ri.Mergeable(x))
          Subtract(i, x, true);
        else if (rj.Mergeable(x))
          Subtract(j, x, true);
        else if (rj.Area() <= ri.Area())
          Subtract(j, x, false);
        else
          Subtract(i, x, false);
      }
      ++j;
    }
  }

  // Pass 2: merge rectangles whose union is exactly their two areas.
  for (int i = 0; i < Size();)
  {
    bool merged = false;
    for (int j = i + 1; j < Size(); ++j)
    {
      if (Get(i).Mergeable(Get(j)))
      {
        Set(j, Get(i).Union(Get(j)));
        Delete(i);
        merged = true;
        break;
      }
    }
    i = merged ? 0 : i + 1;
  }
}

} // namespace weft::canvas
