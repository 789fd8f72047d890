// Checks of a TrueType face before stb_truetype reads it: each check follows
// the reads the glyph source makes (the same table lookup, the same cmap
// subtable choice, the same binary searches) and asks that every byte they
// can touch lies inside its table.

#include "FontValidator.h"

#include <cmath>
#include <cstring>

namespace {

using Pos = long long; // an offset from the start of the data; wide enough for any sum below

// Big-endian reads at absolute offsets, checked against [start, end).
struct Range
{
  const unsigned char* data;
  Pos start, end;

  bool Has(Pos pos, Pos n) const { return pos >= start && n >= 0 && pos + n <= end; }
  unsigned U16(Pos pos) const { return (data[pos] << 8) | data[pos + 1]; }
  int S16(Pos pos) const { return static_cast<short>(U16(pos)); }
  Pos U32(Pos pos) const { return (static_cast<Pos>(U16(pos)) << 16) | U16(pos + 2); }
};

// Table offsets are from the start of the data; 0 means absent, as for the
// glyph source.
struct Table
{
  Pos start = 0, end = 0;
  bool Present() const { return start != 0; }
};

// Bounds the reads of the pair-adjustment check, which offsets can send
// over the same subtables many times.
constexpr long long kKerningWork = 1 << 22;

bool TagIs(const unsigned char* p, const char* tag) { return memcmp(p, tag, 4) == 0; }

Pos FaceOffset(const Range& all, int fontIndex)
{
  if (fontIndex < 0 || all.end < 12)
    return -1;
  const unsigned char* d = all.data;
  if (TagIs(d, "1\0\0\0") || TagIs(d, "typ1") || TagIs(d, "OTTO") || TagIs(d, "\0\1\0\0") || TagIs(d, "true"))
    return fontIndex == 0 ? 0 : -1;
  if (!TagIs(d, "ttcf") || (all.U32(4) != 0x00010000 && all.U32(4) != 0x00020000))
    return -1;
  const int count = static_cast<int>(static_cast<unsigned>(all.U32(8)));
  const Pos entry = 12 + 4LL * fontIndex;
  if (fontIndex >= count || !all.Has(entry, 4))
    return -1;
  const Pos offset = all.U32(entry);
  return offset <= 0x7FFFFFFF ? offset : -1; // the glyph source holds it in an int
}

// The table directory at offset and every table it lists lie inside the
// data.
bool DirectoryInside(const Range& all, Pos offset)
{
  if (!all.Has(offset, 12))
    return false;
  const Pos dirEnd = offset + 12 + 16LL * all.U16(offset + 4);
  if (dirEnd > all.end)
    return false;
  for (Pos rec = offset + 12; rec < dirEnd; rec += 16)
  {
    if (all.U32(rec + 8) + all.U32(rec + 12) > all.end)
      return false;
  }
  return true;
}

// The first record with the tag, as the glyph source looks tables up.
Table FindTable(const Range& all, Pos offset, const char* tag)
{
  const Pos dirEnd = offset + 12 + 16LL * all.U16(offset + 4);
  for (Pos rec = offset + 12; rec < dirEnd; rec += 16)
  {
    if (TagIs(all.data + rec, tag))
      return {all.U32(rec + 8), all.U32(rec + 8) + all.U32(rec + 12)};
  }
  return {};
}

// The subtable the glyph source maps codepoints with (the last Unicode
// record), for every codepoint it can be asked for (up to 0x10FFFF).
bool CmapInside(const unsigned char* data, const Table& cmap)
{
  const Range r{data, cmap.start, cmap.end};
  if (!r.Has(cmap.start, 4))
    return false;
  const Pos records = cmap.start + 4, numRecords = r.U16(cmap.start + 2);
  if (!r.Has(records, 8 * numRecords))
    return false;
  Pos sub = 0;
  for (Pos rec = records; rec < records + 8 * numRecords; rec += 8)
  {
    const unsigned platform = r.U16(rec), encoding = r.U16(rec + 2);
    if (platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10)))
      sub = cmap.start + r.U32(rec + 4);
  }
  if (sub == 0 || !r.Has(sub, 2))
    return false;
  switch (r.U16(sub))
  {
    case 0: // byte array of (length - 6) glyph indices
      return r.Has(sub, 6) && (r.U16(sub + 2) <= 6 || r.Has(sub, r.U16(sub + 2)));
    case 6: // trimmed array
      return r.Has(sub, 10) && r.Has(sub + 10, 2LL * r.U16(sub + 8));
    case 4:
    {
      // Segments found by a binary search driven by the header's search
      // range, entry selector and range shift, which need not match the
      // segment count: bound the segment it can end on, then check every
      // segment up to there with its glyph index array.
      if (!r.Has(sub, 14))
        return false;
      const Pos segs = r.U16(sub + 6) >> 1;
      const Pos searchRange = r.U16(sub + 8) >> 1, rangeShift = r.U16(sub + 12) >> 1;
      const unsigned entrySelector = r.U16(sub + 10);
      Pos lastSeg = rangeShift;
      for (unsigned k = 1; k <= entrySelector && k < 16; k++)
        lastSeg += searchRange >> k;
      const Pos ends = sub + 14, starts = sub + 16 + 2 * segs, rangeOffsets = sub + 16 + 6 * segs;
      if (!r.Has(rangeOffsets, 2 * lastSeg + 2))
        return false;
      for (Pos s = 0; s <= lastSeg; s++)
      {
        const Pos first = r.U16(starts + 2 * s), last = r.U16(ends + 2 * s);
        const Pos rangeOffset = r.U16(rangeOffsets + 2 * s);
        if (first <= last && rangeOffset != 0 && !r.Has(rangeOffsets + 2 * s + rangeOffset, 2 * (last - first) + 2))
          return false;
      }
      return true;
    }
    case 12: // groups of 12 bytes
    case 13:
      return r.Has(sub, 16) && r.Has(sub + 16, 12 * r.U32(sub + 12));
    default: // formats the glyph source does not read (it asserts on them)
      return false;
  }
}

// The first kerning subtable's pairs, read when the face has no usable GPOS.
bool KernInside(const unsigned char* data, const Table& kern)
{
  const Range r{data, kern.start, kern.end};
  const Pos k = kern.start;
  if (!r.Has(k, 4))
    return false;
  if (r.U16(k + 2) < 1)
    return true;
  if (!r.Has(k, 10))
    return false;
  if (r.U16(k + 8) != 1)
    return true;
  return r.Has(k, 12) && r.Has(k + 18, 6LL * r.U16(k + 10));
}

// The largest index a coverage table can give: -1 when it gives none, -2
// when it does not fit.
Pos CoverageMax(const Range& r, Pos cov)
{
  if (!r.Has(cov, 4))
    return -2;
  const Pos n = r.U16(cov + 2);
  switch (r.U16(cov))
  {
    case 1:
      return r.Has(cov + 4, 2 * n) ? n - 1 : -2;
    case 2:
    {
      if (!r.Has(cov + 4, 6 * n))
        return -2;
      Pos most = -1;
      for (Pos rec = cov + 4; rec < cov + 4 + 6 * n; rec += 6)
      {
        const Pos first = r.U16(rec), last = r.U16(rec + 2), startIndex = r.U16(rec + 4);
        if (first <= last && startIndex + last - first > most)
          most = startIndex + last - first;
      }
      return most;
    }
    default:
      return -1;
  }
}

bool ClassDefInside(const Range& r, Pos def)
{
  if (!r.Has(def, 2))
    return false;
  switch (r.U16(def))
  {
    case 1:
      return r.Has(def, 6) && r.Has(def + 6, 2LL * r.U16(def + 4));
    case 2:
      return r.Has(def, 4) && r.Has(def + 4, 6LL * r.U16(def + 2));
    default:
      return true;
  }
}

// One pair-adjustment subtable with 16-bit x advances for the first glyph
// only (the one kind the glyph source reads).
bool PairSubtableInside(const Range& r, Pos t, long long& work)
{
  if (!r.Has(t, 4))
    return false;
  const Pos maxCoverage = CoverageMax(r, t + r.U16(t + 2));
  if (maxCoverage == -2)
    return false;
  const unsigned format = r.U16(t);
  if (maxCoverage == -1 || (format != 1 && format != 2))
    return true;
  if (!r.Has(t, 8))
    return false;
  if (r.U16(t + 4) != 4 || r.U16(t + 6) != 0)
    return true;
  if (format == 1)
  {
    // The pair set's offset and count are read for any covered index,
    // before it is compared with the pair set count.
    if (!r.Has(t, 10) || !r.Has(t + 10, 2 * (maxCoverage + 1)))
      return false;
    const Pos pairSets = r.U16(t + 8);
    work += maxCoverage;
    for (Pos i = 0; i <= maxCoverage && work < kKerningWork; i++)
    {
      const Pos set = t + r.U16(t + 10 + 2 * i);
      if (!r.Has(set, 2) || (i < pairSets && !r.Has(set + 2, 4LL * r.U16(set))))
        return false;
    }
    return work < kKerningWork;
  }
  if (!r.Has(t, 16) || !ClassDefInside(r, t + r.U16(t + 8)) || !ClassDefInside(r, t + r.U16(t + 10)))
    return false;
  return r.Has(t + 16, 2 * static_cast<Pos>(r.U16(t + 12)) * r.U16(t + 14));
}

// The pair adjustments of a version 1.0 GPOS, the only lookups the glyph
// source reads.
bool GposInside(const unsigned char* data, const Table& gpos)
{
  const Range r{data, gpos.start, gpos.end};
  const Pos g = gpos.start;
  if (!r.Has(g, 4))
    return false;
  if (r.U16(g) != 1 || r.U16(g + 2) != 0)
    return true;
  if (!r.Has(g, 10))
    return false;
  const Pos list = g + r.U16(g + 8);
  if (!r.Has(list, 2) || !r.Has(list + 2, 2LL * r.U16(list)))
    return false;
  long long work = 0;
  for (Pos i = 0; i < r.U16(list); i++)
  {
    const Pos lookup = list + r.U16(list + 2 + 2 * i);
    if (!r.Has(lookup, 6))
      return false;
    const Pos subtables = r.U16(lookup + 4);
    if (r.U16(lookup) != 2)
      continue;
    if (!r.Has(lookup + 6, 2 * subtables))
      return false;
    for (Pos s = 0; s < subtables; s++)
    {
      if (++work >= kKerningWork || !PairSubtableInside(r, lookup + r.U16(lookup + 6 + 2 * s), work))
        return false;
    }
  }
  return true;
}

// ---- Glyph outlines ---------------------------------------------------------

constexpr float kVertexLimit = 32767.0f; // vertices are shorts

struct OutlineBudget
{
  int components = 0;
  long long points = 0;
};

// The flags, x and y streams of a simple glyph, walked as the glyph source
// walks them (a flag with bit 3 is followed by its repeat count).
class PointStream
{
public:
  PointStream(const Range& r, Pos flags) : mR(r), mFlag(flags) {}

  // The next point's flag, or -1 when the stream runs out.
  int NextFlag()
  {
    if (mRepeat == 0)
    {
      if (!mR.Has(mFlag, 1))
        return -1;
      mFlags = mR.data[mFlag++];
      if (mFlags & 8)
      {
        if (!mR.Has(mFlag, 1))
          return -1;
        mRepeat = mR.data[mFlag++];
      }
    }
    else
    {
      --mRepeat;
    }
    return mFlags;
  }
  Pos End() const { return mFlag; }

private:
  const Range& mR;
  Pos mFlag;
  int mFlags = 0, mRepeat = 0;
};

// Walks one coordinate stream (shortBit 2 and sameBit 16 for x, 4 and 32
// for y) from pos; false when it runs out. *most is the largest magnitude
// of the 16-bit coordinates it yields.
bool Coordinates(const Range& r, Pos flags, Pos& pos, Pos n, int shortBit, int sameBit, float* most)
{
  PointStream stream(r, flags);
  int value = 0;
  for (Pos i = 0; i < n; i++)
  {
    const int f = stream.NextFlag();
    if (f < 0)
      return false;
    if (f & shortBit)
    {
      if (!r.Has(pos, 1))
        return false;
      value += (f & sameBit) ? r.data[pos] : -r.data[pos];
      pos++;
    }
    else if (!(f & sameBit))
    {
      if (!r.Has(pos, 2))
        return false;
      value += r.S16(pos);
      pos += 2;
    }
    const float v = std::fabs(static_cast<float>(static_cast<short>(value)));
    *most = v > *most ? v : *most;
  }
  return true;
}

bool SimpleOutline(const Range& r, int contours, OutlineBudget& budget, float* most)
{
  const Pos g = r.start;
  if (!r.Has(g + 10, 2LL * contours + 2))
    return false;
  long long last = -1, previous = -1;
  for (int c = 0; c < contours; c++)
  {
    const long long endPoint = r.U16(g + 10 + 2 * c);
    if (endPoint <= last)
      return false; // contours must follow each other
    previous = last;
    last = endPoint;
  }
  const Pos n = last + 1;
  budget.points += n;
  if (budget.points > FNT_MAX_OUTLINE_POINTS)
    return false;
  const Pos flags = g + 12 + 2LL * contours + r.U16(g + 10 + 2LL * contours);
  PointStream stream(r, flags);
  int flag = 0;
  for (Pos i = 0; i < n; i++)
  {
    if ((flag = stream.NextFlag()) < 0)
      return false;
  }
  // A last contour of one off-curve point makes the glyph source look at a
  // point after the last.
  if (last - previous == 1 && !(flag & 1))
    return false;
  Pos pos = stream.End();
  return Coordinates(r, flags, pos, n, 2, 16, most) && Coordinates(r, flags, pos, n, 4, 32, most);
}

bool Outline(const FNTfaceCheck& face, const unsigned char* data, int glyph, int depth, OutlineBudget& budget,
             float* most);

bool CompositeOutline(const FNTfaceCheck& face, const Range& r, int depth, OutlineBudget& budget, float* most)
{
  if (depth >= FNT_MAX_COMPOSITE_DEPTH)
    return false;
  Pos pos = r.start + 10;
  for (bool more = true; more;)
  {
    if (!r.Has(pos, 4))
      return false;
    const unsigned flags = r.U16(pos);
    const int component = static_cast<int>(r.U16(pos + 2));
    pos += 4;
    if (!(flags & 2))
      return false; // placed by matching points: the glyph source cannot
    float m[6] = {1, 0, 0, 1, 0, 0};
    if (flags & 1)
    {
      if (!r.Has(pos, 4))
        return false;
      m[4] = static_cast<float>(r.S16(pos));
      m[5] = static_cast<float>(r.S16(pos + 2));
      pos += 4;
    }
    else
    {
      if (!r.Has(pos, 2))
        return false;
      m[4] = static_cast<float>(static_cast<signed char>(r.data[pos]));
      m[5] = static_cast<float>(static_cast<signed char>(r.data[pos + 1]));
      pos += 2;
    }
    const int scales = (flags & 8) ? 1 : (flags & 64) ? 2 : (flags & 128) ? 4 : 0;
    if (!r.Has(pos, 2LL * scales))
      return false;
    auto f2dot14 = [&](int k) { return static_cast<float>(r.S16(pos + 2 * k)) / 16384.0f; };
    if (scales == 1)
      m[0] = m[3] = f2dot14(0);
    else if (scales == 2)
      m[0] = f2dot14(0), m[3] = f2dot14(1);
    else if (scales == 4)
      m[0] = f2dot14(0), m[1] = f2dot14(1), m[2] = f2dot14(2), m[3] = f2dot14(3);
    pos += 2LL * scales;

    float inner = -1.0f;
    if (!Outline(face, r.data, component, depth + 1, budget, &inner))
      return false;
    if (inner >= 0.0f)
    {
      // The component's vertices are transformed as x' = sx (a x + c y + e),
      // y' = sy (b x + d y + f) and stored as shorts.
      const float sx = std::sqrt(m[0] * m[0] + m[1] * m[1]), sy = std::sqrt(m[2] * m[2] + m[3] * m[3]);
      const float bx = sx * (std::fabs(m[0]) * inner + std::fabs(m[2]) * inner + std::fabs(m[4]));
      const float by = sy * (std::fabs(m[1]) * inner + std::fabs(m[3]) * inner + std::fabs(m[5]));
      if (!(bx < kVertexLimit && by < kVertexLimit))
        return false;
      *most = std::fmax(*most, std::fmax(bx, by));
    }
    more = (flags & 32) != 0;
  }
  return true;
}

// *most: the largest coordinate magnitude of the outline's vertices, -1
// when it has none.
bool Outline(const FNTfaceCheck& face, const unsigned char* data, int glyph, int depth, OutlineBudget& budget,
             float* most)
{
  *most = -1.0f;
  if (++budget.components > FNT_MAX_OUTLINE_COMPONENTS)
    return false;
  if (glyph < 0 || glyph >= face.numGlyphs)
    return true; // the glyph source gives no outline
  Pos start, end;
  const Range loca{data, face.loca, face.loca + (face.longLoca ? 4LL : 2LL) * (face.numGlyphs + 1)};
  if (face.longLoca)
  {
    start = loca.U32(face.loca + 4LL * glyph);
    end = loca.U32(face.loca + 4LL * glyph + 4);
  }
  else
  {
    start = 2 * static_cast<Pos>(loca.U16(face.loca + 2LL * glyph));
    end = 2 * static_cast<Pos>(loca.U16(face.loca + 2LL * glyph + 2));
  }
  if (start == end)
    return true; // empty
  const Range r{data, face.glyf + start, face.glyf + end};
  if (start > end || end > face.glyfLength || !r.Has(r.start, 10))
    return false;
  if (depth == 0 && (r.S16(r.start + 2) > r.S16(r.start + 6) || r.S16(r.start + 4) > r.S16(r.start + 8)))
    return false; // the box is inverted
  const int contours = r.S16(r.start);
  if (contours == 0)
    return true;
  *most = 0.0f;
  return contours > 0 ? SimpleOutline(r, contours, budget, most) : CompositeOutline(face, r, depth, budget, most);
}

} // namespace

int fnt__checkFace(const unsigned char* data, int dataSize, int fontIndex, FNTfaceCheck* check)
{
  if (!data || dataSize <= 0 || !check)
    return -1;
  const Range all{data, 0, dataSize};
  const Pos offset = FaceOffset(all, fontIndex);
  if (offset < 0 || !DirectoryInside(all, offset))
    return -1;
  const Table head = FindTable(all, offset, "head"), maxp = FindTable(all, offset, "maxp");
  const Table hhea = FindTable(all, offset, "hhea"), hmtx = FindTable(all, offset, "hmtx");
  const Table loca = FindTable(all, offset, "loca"), glyf = FindTable(all, offset, "glyf");
  const Table cmap = FindTable(all, offset, "cmap"), gpos = FindTable(all, offset, "GPOS");
  const Table kern = FindTable(all, offset, "kern"), cff = FindTable(all, offset, "CFF ");
  if (!head.Present() || !hhea.Present() || !hmtx.Present() || !cmap.Present())
    return -1;
  // Without glyf the glyph source reads CFF outlines.
  check->cff = FNTcffCheck{};
  const unsigned cffLength = static_cast<unsigned>(cff.end - cff.start);
  if (glyf.Present() ? !loca.Present() : !fnt__checkCff(data, static_cast<unsigned>(cff.start), cffLength, &check->cff))
    return -1;

  if (head.end - head.start < 54 || all.U16(head.start + 50) > 1)
    return -1;
  const int longLoca = static_cast<int>(all.U16(head.start + 50));
  Pos numGlyphs = 0xFFFF; // without maxp, as the glyph source assumes
  if (maxp.Present())
  {
    if (maxp.end - maxp.start < 6)
      return -1;
    numGlyphs = all.U16(maxp.start + 4);
  }
  if (numGlyphs == 0 || (glyf.Present() && loca.end - loca.start < (numGlyphs + 1) * (longLoca ? 4 : 2)))
    return -1;

  // Glyphs below the count of long metrics have an advance and a bearing,
  // the others a bearing after them.
  if (hhea.end - hhea.start < 36)
    return -1;
  const Pos longMetrics = all.U16(hhea.start + 34);
  const Pos metricsSize = numGlyphs <= longMetrics ? 4 * numGlyphs : 4 * longMetrics + 2 * (numGlyphs - longMetrics);
  if (longMetrics == 0 || hmtx.end - hmtx.start < metricsSize)
    return -1;

  if (!CmapInside(data, cmap))
    return -1;

  check->numGlyphs = static_cast<int>(numGlyphs);
  check->glyf = static_cast<unsigned int>(glyf.start);
  check->glyfLength = static_cast<unsigned int>(glyf.end - glyf.start);
  check->loca = static_cast<unsigned int>(loca.start);
  check->longLoca = longLoca;
  check->gposUsable = gpos.Present() && GposInside(data, gpos);
  check->kernUsable = kern.Present() && KernInside(data, kern);
  return static_cast<int>(offset);
}

int fnt__checkGlyph(const FNTfaceCheck* check, const unsigned char* data, int glyph)
{
  if (!check || !data)
    return 0;
  if (check->cff.length)
    return fnt__checkCffGlyph(&check->cff, data, glyph);
  OutlineBudget budget;
  float most = 0.0f;
  return Outline(*check, data, glyph, 0, budget, &most) ? 1 : 0;
}
