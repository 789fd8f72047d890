// Checks of CFF outlines before stb_truetype reads them. Each step follows
// the glyph source's own reads (the same INDEX walk, the same DICT lookup,
// the same charstring interpreter) over the CFF table's real length, and
// refuses what would read outside it or trip one of its assertions.

#include "FontValidatorCFF.h"

#include <stb/stb_truetype.h>

#include <cmath>
#include <cstdint>

namespace {

using Pos = long long; // wide enough for any sum of 32-bit values below

constexpr Pos kMaxTableLength = 0x40000000; // the glyph source's buffers hold less
constexpr int kMaxStack = 48;                // the glyph source's operand stack
constexpr int kMaxSubrDepth = 10;            // and its subroutine nesting
constexpr float kVertexLimit = 32767.0f;     // vertices are shorts

// A cursor over [start, end) of the CFF table t, reading as the glyph
// source's buffers do: past the end every read gives 0 and the cursor
// stays.
struct Buf
{
  const unsigned char* t = nullptr;
  Pos start = 0, end = 0, cursor = 0; // offsets in the table

  Pos Size() const { return end - start; }
  unsigned Get8()
  {
    if (cursor >= end)
      return 0;
    return t[cursor++];
  }
  unsigned Peek8() const { return cursor < end ? t[cursor] : 0; }
  uint32_t Get(int n)
  {
    uint32_t v = 0;
    for (int i = 0; i < n; i++)
      v = (v << 8) | Get8();
    return v;
  }
  // The glyph source's seek, relative to start; false where it asserts.
  bool Seek(Pos o)
  {
    if (o < 0 || o > Size())
      return false;
    cursor = start + o;
    return true;
  }
  bool Skip(Pos o) { return Seek(cursor - start + o); }
};

Buf Whole(const unsigned char* t, Pos length) { return Buf{t, 0, length, 0}; }

// The glyph source's sub-buffer rule: empty unless it fits in b.
Buf Range(const Buf& b, Pos o, Pos s)
{
  if (o < 0 || s < 0 || o > b.Size() || s > b.Size() - o)
    return Buf{b.t, 0, 0, 0};
  return Buf{b.t, b.start + o, b.start + o + s, b.start + o};
}

// An INDEX found where the glyph source reads one.
struct Index
{
  Pos start = 0, size = 0; // in the table; size 0: no INDEX (an empty buffer)
  uint32_t count = 0;
  int offSize = 0;
  uint32_t last = 0; // the last offset: one more than the data's byte count
};

// The INDEX at b's cursor, read as the glyph source reads it with b's
// cursor left after it, when it lies whole inside b: count, offset size 1
// to 4, offsets and data. A count of 0 is an INDEX of two bytes.
bool ReadIndex(Buf& b, Index* out)
{
  const Pos start = b.cursor;
  if (b.end - start < 2)
    return false;
  Index idx;
  idx.start = start;
  idx.count = b.Get(2);
  if (idx.count)
  {
    idx.offSize = static_cast<int>(b.Get8());
    if (idx.offSize < 1 || idx.offSize > 4)
      return false;
    const Pos offsetsEnd = start + 3 + static_cast<Pos>(idx.offSize) * (idx.count + 1);
    if (offsetsEnd > b.end)
      return false;
    b.cursor = offsetsEnd - idx.offSize;
    idx.last = b.Get(idx.offSize);
    if (idx.last < 1 || offsetsEnd + idx.last - 1 > b.end)
      return false;
    b.cursor = offsetsEnd + idx.last - 1;
  }
  idx.size = b.cursor - start;
  *out = idx;
  return true;
}

Index IndexOf(const FNTcffPart& part)
{
  Index idx;
  idx.start = part.offset;
  idx.size = part.size;
  return idx;
}

// Element i of an INDEX read whole before: its data, when its offsets
// (which the glyph source does not check) lie in order inside the INDEX.
bool Element(const unsigned char* t, const Index& index, Pos i, Buf* out)
{
  Buf b{t, index.start, index.start + index.size, index.start};
  const uint32_t count = b.Get(2);
  const int offSize = static_cast<int>(b.Get8());
  if (i < 0 || i >= count || offSize < 1 || offSize > 4)
    return false;
  b.cursor = index.start + 3 + i * offSize;
  const uint32_t first = b.Get(offSize), next = b.Get(offSize);
  const Pos data = index.start + 2 + static_cast<Pos>(count + 1) * offSize;
  if (first < 1 || first > next || data + next > b.end)
    return false;
  *out = Buf{t, data + first, data + next, data + first};
  return true;
}

uint32_t IndexCount(const unsigned char* t, const Index& index)
{
  Buf b{t, index.start, index.start + index.size, index.start};
  return b.Get(2);
}

// ---- DICTs ------------------------------------------------------------------

bool IsIntOperand(unsigned b0) { return b0 == 28 || b0 == 29 || (b0 >= 32 && b0 <= 254); }

// An integer operand as the glyph source decodes it (28 is taken unsigned).
uint32_t DictInt(Buf& b)
{
  const unsigned b0 = b.Get8();
  if (b0 >= 32 && b0 <= 246)
    return static_cast<uint32_t>(static_cast<int>(b0) - 139);
  if (b0 >= 247 && b0 <= 250)
    return static_cast<uint32_t>((static_cast<int>(b0) - 247) * 256 + static_cast<int>(b.Get8()) + 108);
  if (b0 >= 251 && b0 <= 254)
    return static_cast<uint32_t>(-(static_cast<int>(b0) - 251) * 256 - static_cast<int>(b.Get8()) - 108);
  return b0 == 28 ? b.Get(2) : b.Get(4);
}

// The first `want` integer operands of the first entry of the key, as the
// glyph source's DICT lookup finds them; out keeps its defaults for what
// the entry lacks. False where the lookup asserts: an operand beginning
// with 31 or 255 on the way, or a real number among the operands read.
bool DictInts(Buf dict, int key, int want, uint32_t* out)
{
  dict.cursor = dict.start;
  while (dict.cursor < dict.end)
  {
    const Pos operands = dict.cursor;
    while (dict.Peek8() >= 28)
    {
      const unsigned b0 = dict.Peek8();
      if (b0 == 30)
      {
        dict.Get8();
        while (dict.cursor < dict.end)
        {
          const unsigned v = dict.Get8();
          if ((v & 0xF) == 0xF || (v >> 4) == 0xF)
            break;
        }
      }
      else if (!IsIntOperand(b0))
      {
        return false;
      }
      else
      {
        DictInt(dict);
      }
    }
    Buf ops{dict.t, operands, dict.cursor, operands};
    unsigned op = dict.Get8();
    if (op == 12)
      op = dict.Get8() | 0x100;
    if (static_cast<int>(op) == key)
    {
      for (int i = 0; i < want && ops.cursor < ops.end; i++)
      {
        if (!IsIntOperand(ops.Peek8()))
          return false;
        out[i] = DictInt(ops);
      }
      return true;
    }
  }
  return true;
}

// The Subrs INDEX of a font DICT through its Private DICT, as the glyph
// source finds it in the CFF buffer whole (size 0 when there is none).
// False when the Private DICT or the Subrs would be read outside the table.
bool Subrs(const Buf& whole, const Buf& fontDict, Index* subrs)
{
  *subrs = Index{};
  uint32_t privateLoc[2] = {0, 0}; // size, offset
  if (!DictInts(fontDict, 18, 2, privateLoc))
    return false;
  if (!privateLoc[0] || !privateLoc[1])
    return true;
  // Sizes and offsets are ints to the glyph source: a negative one gives no
  // Private DICT, one past the table would be read past it.
  const Pos size = static_cast<int32_t>(privateLoc[0]), offset = static_cast<int32_t>(privateLoc[1]);
  if (size < 0 || offset < 0)
    return true;
  const Buf priv = Range(whole, offset, size);
  if (priv.Size() != size)
    return false;
  uint32_t subrsOffset = 0;
  if (!DictInts(priv, 19, 1, &subrsOffset))
    return false;
  if (!subrsOffset)
    return true;
  Buf b = whole;
  return b.Seek(static_cast<int32_t>(privateLoc[1] + subrsOffset)) && ReadIndex(b, subrs);
}

FNTcffPart PartOf(const Index& idx) { return {static_cast<unsigned>(idx.start), static_cast<unsigned>(idx.size)}; }

// ---- Charstrings ------------------------------------------------------------

// The glyph source's charstring interpreter, run for the checks only: the
// same operators, stack and subroutine calls, the same float arithmetic of
// the pen, and the vertices counted instead of made.
class Charstring
{
public:
  Charstring(const FNTcffCheck& check, const unsigned char* data, int glyph)
    : mCheck(check), mT(data + check.table), mGlyph(glyph)
  {
  }

  bool Run()
  {
    const Index charstrings = IndexOf(mCheck.charstrings);
    Buf b;
    if (!Element(mT, charstrings, mGlyph, &b))
      return false;
    Index subrs = IndexOf(mCheck.subrs);
    const Index gsubrs = IndexOf(mCheck.gsubrs);
    Buf stack[kMaxSubrDepth];
    int depth = 0, sp = 0, maskBits = 0, work = 0;
    bool inHeader = true, hasSubrs = false;
    float s[kMaxStack];
    while (b.cursor < b.end)
    {
      if (++work > FNT_MAX_CFF_WORK)
        return false;
      bool clearStack = true;
      const unsigned b0 = b.Get8();
      switch (b0)
      {
        case 0x13: // hintmask
        case 0x14: // cntrmask
          if (inHeader)
            maskBits += sp / 2; // an implicit vstem
          inHeader = false;
          if (maskBits > FNT_MAX_CFF_STEMS || !b.Skip((maskBits + 7) / 8))
            return false;
          break;
        case 0x01: // hstem
        case 0x03: // vstem
        case 0x12: // hstemhm
        case 0x17: // vstemhm
          maskBits += sp / 2;
          if (maskBits > FNT_MAX_CFF_STEMS)
            return false;
          break;
        case 0x15: // rmoveto
          inHeader = false;
          if (sp < 2 || !MoveTo(s[sp - 2], s[sp - 1]))
            return false;
          break;
        case 0x04: // vmoveto
          inHeader = false;
          if (sp < 1 || !MoveTo(0, s[sp - 1]))
            return false;
          break;
        case 0x16: // hmoveto
          inHeader = false;
          if (sp < 1 || !MoveTo(s[sp - 1], 0))
            return false;
          break;
        case 0x05: // rlineto
          if (sp < 2)
            return false;
          for (int i = 0; i + 1 < sp; i += 2)
            if (!LineTo(s[i], s[i + 1]))
              return false;
          break;
        case 0x06: // hlineto
        case 0x07: // vlineto: both alternate, starting from their own axis
          if (sp < 1)
            return false;
          for (int i = 0; i < sp; i++)
            if (!(((i + (b0 == 0x07 ? 1 : 0)) % 2 == 0) ? LineTo(s[i], 0) : LineTo(0, s[i])))
              return false;
          break;
        case 0x1E: // vhcurveto
        case 0x1F: // hvcurveto: both alternate in fours
          if (sp < 4 || !AlternatingCurves(s, sp, b0 == 0x1F))
            return false;
          break;
        case 0x08: // rrcurveto
          if (sp < 6)
            return false;
          for (int i = 0; i + 5 < sp; i += 6)
            if (!CurveTo(s[i], s[i + 1], s[i + 2], s[i + 3], s[i + 4], s[i + 5]))
              return false;
          break;
        case 0x18: // rcurveline
        {
          if (sp < 8)
            return false;
          int i = 0;
          for (; i + 5 < sp - 2; i += 6)
            if (!CurveTo(s[i], s[i + 1], s[i + 2], s[i + 3], s[i + 4], s[i + 5]))
              return false;
          if (i + 1 >= sp || !LineTo(s[i], s[i + 1]))
            return false;
          break;
        }
        case 0x19: // rlinecurve
        {
          if (sp < 8)
            return false;
          int i = 0;
          for (; i + 1 < sp - 6; i += 2)
            if (!LineTo(s[i], s[i + 1]))
              return false;
          if (i + 5 >= sp || !CurveTo(s[i], s[i + 1], s[i + 2], s[i + 3], s[i + 4], s[i + 5]))
            return false;
          break;
        }
        case 0x1A: // vvcurveto
        case 0x1B: // hhcurveto
        {
          if (sp < 4)
            return false;
          int i = 0;
          float f = 0.0f;
          if (sp & 1)
            f = s[i++];
          for (; i + 3 < sp; i += 4)
          {
            const bool ok = b0 == 0x1B ? CurveTo(s[i], f, s[i + 1], s[i + 2], s[i + 3], 0.0f)
                                       : CurveTo(f, s[i], s[i + 1], s[i + 2], 0.0f, s[i + 3]);
            if (!ok)
              return false;
            f = 0.0f;
          }
          break;
        }
        case 0x0A: // callsubr
          if (!hasSubrs)
          {
            if (mCheck.fdselect && !GlyphSubrs(&subrs))
              return false;
            hasSubrs = true;
          }
          [[fallthrough]];
        case 0x1D: // callgsubr
        {
          if (sp < 1 || depth >= kMaxSubrDepth)
            return false;
          const int v = static_cast<int>(s[--sp]);
          stack[depth++] = b;
          if (!Subr(b0 == 0x0A ? subrs : gsubrs, v, &b))
            return false;
          clearStack = false;
          break;
        }
        case 0x0B: // return
          if (depth <= 0)
            return false;
          b = stack[--depth];
          clearStack = false;
          break;
        case 0x0E: // endchar
          return CloseShape();
        case 0x0C: // two-byte operators: the flexes only
          if (!Flex(b.Get8(), s, sp))
            return false;
          break;
        default:
        {
          if (b0 != 255 && b0 != 28 && b0 < 32)
            return false; // reserved
          float f;
          if (b0 == 255)
          {
            f = static_cast<float>(static_cast<int32_t>(b.Get(4))) / 0x10000;
          }
          else
          {
            b.cursor--;
            f = static_cast<float>(static_cast<int16_t>(DictInt(b)));
          }
          if (sp >= kMaxStack)
            return false;
          s[sp++] = f;
          clearStack = false;
          break;
        }
      }
      if (clearStack)
        sp = 0;
    }
    return false; // no endchar
  }

private:
  // Subroutine n (before the bias) of an INDEX, non-empty.
  bool Subr(const Index& index, int n, Buf* out) const
  {
    const uint32_t count = IndexCount(mT, index);
    const int bias = count >= 33900 ? 32768 : count >= 1240 ? 1131 : 107;
    n += bias;
    return n >= 0 && static_cast<uint32_t>(n) < count && Element(mT, index, n, out) && out->Size() > 0;
  }

  // The Subrs of the glyph's font DICT in a CID-keyed font, chosen by
  // FDSelect as the glyph source chooses it.
  bool GlyphSubrs(Index* subrs) const
  {
    const Buf whole = Whole(mT, mCheck.length);
    Buf fdselect = Range(whole, mCheck.fdselect, mCheck.length - mCheck.fdselect);
    Pos fd = -1;
    const unsigned format = fdselect.Get8();
    if (format == 0)
    {
      if (!fdselect.Skip(mGlyph))
        return false;
      fd = fdselect.Get8();
    }
    else if (format == 3)
    {
      const uint32_t ranges = fdselect.Get(2);
      uint32_t first = fdselect.Get(2);
      for (uint32_t i = 0; i < ranges; i++)
      {
        const uint32_t v = fdselect.Get8(), end = fdselect.Get(2);
        if (static_cast<uint32_t>(mGlyph) >= first && static_cast<uint32_t>(mGlyph) < end)
        {
          fd = v;
          break;
        }
        first = end;
      }
    }
    Buf fontDict;
    return Element(mT, IndexOf(mCheck.fontdicts), fd, &fontDict) && Subrs(whole, fontDict, subrs);
  }

  bool Flex(unsigned op, const float* s, int sp)
  {
    switch (op)
    {
      case 0x22: // hflex
        return sp >= 7 && CurveTo(s[0], 0, s[1], s[2], s[3], 0) && CurveTo(s[4], 0, s[5], -s[2], s[6], 0);
      case 0x23: // flex
        return sp >= 13 && CurveTo(s[0], s[1], s[2], s[3], s[4], s[5]) &&
               CurveTo(s[6], s[7], s[8], s[9], s[10], s[11]);
      case 0x24: // hflex1
        return sp >= 9 && CurveTo(s[0], s[1], s[2], s[3], s[4], 0) &&
               CurveTo(s[5], 0, s[6], s[7], s[8], -(s[1] + s[3] + s[7]));
      case 0x25: // flex1
      {
        if (sp < 11)
          return false;
        const float dx = s[0] + s[2] + s[4] + s[6] + s[8], dy = s[1] + s[3] + s[5] + s[7] + s[9];
        float dx6 = s[10], dy6 = s[10];
        if (std::fabs(dx) > std::fabs(dy))
          dy6 = -dy;
        else
          dx6 = -dx;
        return CurveTo(s[0], s[1], s[2], s[3], s[4], s[5]) && CurveTo(s[6], s[7], s[8], s[9], dx6, dy6);
      }
      default:
        return false;
    }
  }

  // vhcurveto and hvcurveto: curves in fours that start vertical or
  // horizontal by turns; a fifth operand at the end bends the last one.
  bool AlternatingCurves(const float* s, int sp, bool horizontalFirst)
  {
    for (int i = 0, k = horizontalFirst ? 1 : 0; i + 3 < sp; i += 4, k++)
    {
      const float last = sp - i == 5 ? s[i + 4] : 0.0f;
      const bool ok = k % 2 == 0 ? CurveTo(0, s[i], s[i + 1], s[i + 2], s[i + 3], last)
                                 : CurveTo(s[i], 0, s[i + 1], s[i + 2], last, s[i + 3]);
      if (!ok)
        return false;
    }
    return true;
  }

  // A point that becomes a vertex: it must fit in a short.
  static bool Fits(float v) { return v >= -kVertexLimit && v <= kVertexLimit; }

  bool Vertex() { return ++mVertices <= FNT_MAX_CFF_VERTICES; }

  bool CloseShape()
  {
    if (mFirstX != mX || mFirstY != mY)
      return Vertex();
    return true;
  }
  bool MoveTo(float dx, float dy)
  {
    if (!CloseShape())
      return false;
    mFirstX = mX = mX + dx;
    mFirstY = mY = mY + dy;
    return Fits(mX) && Fits(mY) && Vertex();
  }
  bool LineTo(float dx, float dy)
  {
    mX += dx;
    mY += dy;
    return Fits(mX) && Fits(mY) && Vertex();
  }
  bool CurveTo(float dx1, float dy1, float dx2, float dy2, float dx3, float dy3)
  {
    const float cx1 = mX + dx1, cy1 = mY + dy1;
    const float cx2 = cx1 + dx2, cy2 = cy1 + dy2;
    mX = cx2 + dx3;
    mY = cy2 + dy3;
    return Fits(cx1) && Fits(cy1) && Fits(cx2) && Fits(cy2) && Fits(mX) && Fits(mY) && Vertex();
  }

  const FNTcffCheck& mCheck;
  const unsigned char* mT;
  int mGlyph;
  float mX = 0, mY = 0, mFirstX = 0, mFirstY = 0;
  int mVertices = 0;
};

} // namespace

int fnt__checkCff(const unsigned char* data, unsigned int table, unsigned int length, FNTcffCheck* check)
{
  if (!data || !check || table == 0 || length < 4 || length >= kMaxTableLength)
    return 0;
  const unsigned char* t = data + table;
  if (t[0] != 1)
    return 0; // CFF2 and later majors are another format
  const Buf whole = Whole(t, length);
  Buf b = whole;
  Index names, tops, strings, gsubrs;
  Buf top;
  if (!b.Seek(t[2]) || !ReadIndex(b, &names) || !ReadIndex(b, &tops) || !Element(t, tops, 0, &top) ||
      !ReadIndex(b, &strings) || !ReadIndex(b, &gsubrs))
    return 0;

  uint32_t charstringsAt = 0, charstringType = 2, fdarrayAt = 0, fdselectAt = 0;
  Index subrs, fontdicts, charstrings;
  if (!DictInts(top, 17, 1, &charstringsAt) || !DictInts(top, 0x100 | 6, 1, &charstringType) ||
      !DictInts(top, 0x100 | 36, 1, &fdarrayAt) || !DictInts(top, 0x100 | 37, 1, &fdselectAt) ||
      !Subrs(whole, top, &subrs))
    return 0;
  if (charstringType != 2 || charstringsAt == 0)
    return 0;
  if (fdarrayAt)
  {
    // CID-keyed: every font DICT's Subrs, and FDSelect's first byte.
    b = whole;
    if (!fdselectAt || fdselectAt >= length || !b.Seek(static_cast<int32_t>(fdarrayAt)) || !ReadIndex(b, &fontdicts))
      return 0;
    for (uint32_t i = 0; i < fontdicts.count; i++)
    {
      Buf fontDict;
      Index fdSubrs;
      if (!Element(t, fontdicts, i, &fontDict) || !Subrs(whole, fontDict, &fdSubrs))
        return 0;
    }
  }
  b = whole;
  if (!b.Seek(static_cast<int32_t>(charstringsAt)) || !ReadIndex(b, &charstrings))
    return 0;

  check->table = table;
  check->length = length;
  check->gsubrs = PartOf(gsubrs);
  check->subrs = PartOf(subrs);
  check->charstrings = PartOf(charstrings);
  check->fontdicts = PartOf(fontdicts);
  check->fdselect = fdarrayAt ? fdselectAt : 0;
  return 1;
}

int fnt__checkCffGlyph(const FNTcffCheck* check, const unsigned char* data, int glyph)
{
  if (!check || !data || check->length == 0)
    return 0;
  return Charstring(*check, data, glyph).Run() ? 1 : 0;
}

void fnt__boundCff(stbtt_fontinfo* info, const FNTcffCheck* check)
{
  if (!info || !check || check->length == 0)
    return;
  unsigned char* t = info->data + check->table;
  auto buffer = [t](unsigned int offset, unsigned int size) {
    stbtt__buf b;
    b.data = size ? t + offset : nullptr;
    b.cursor = 0;
    b.size = static_cast<int>(size);
    return b;
  };
  info->cff = buffer(0, check->length);
  info->gsubrs = buffer(check->gsubrs.offset, check->gsubrs.size);
  info->subrs = buffer(check->subrs.offset, check->subrs.size);
  info->charstrings = buffer(check->charstrings.offset, check->charstrings.size);
  info->fontdicts = buffer(check->fontdicts.offset, check->fontdicts.size);
  info->fdselect = check->fdselect ? buffer(check->fdselect, check->length - check->fdselect) : buffer(0, 0);
}
