#pragma once
// Small OpenType fonts with CFF outlines ("OTTO"), made byte by byte for
// the CFF checks' tests and the fuzz corpus, and damaged copies of them.
// Units per em 1000, ascender 800, descender -200. The CFF table is the
// last table, so that a read past it is a read past the font's bytes.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace cfftest {

using Bytes = std::vector<uint8_t>;

inline void Append(Bytes& to, const Bytes& b) { to.insert(to.end(), b.begin(), b.end()); }
inline Bytes Be(uint64_t v, int n)
{
  Bytes b;
  for (int i = n - 1; i >= 0; i--)
    b.push_back(uint8_t(v >> (8 * i)));
  return b;
}

// ---- Charstrings ------------------------------------------------------------

// Numbers (N) as 16-bit operands (28), operators (O) by their codes.
inline std::pair<bool, int> N(int v) { return {false, v}; }
inline std::pair<bool, int> O(int op) { return {true, op}; }
inline Bytes CS(std::initializer_list<std::pair<bool, int>> items)
{
  Bytes b;
  for (auto [isOp, v] : items) isOp ? b.push_back(uint8_t(v)) : Append(b, {28, uint8_t(uint16_t(v) >> 8), uint8_t(v)});
  return b;
}
enum : int { kHstem = 1, kRlineto = 5, kCallsubr = 10, kReturn = 11, kEndchar = 14, kHintmask = 19, kRmoveto = 21, kCallgsubr = 29 };

// A subroutine: a bar 100 wide and 700 high, dx right of the pen, which
// ends at the bar's corner.
inline Bytes BarSubr(int dx)
{
  return CS({N(dx), N(0), O(kRmoveto), N(100), N(0), N(0), N(700), N(-100), N(0), N(0), N(-700), O(kRlineto), O(kReturn)});
}

// ---- The font ---------------------------------------------------------------

struct Spec
{
  std::vector<uint32_t> codepoints = {'O', 'H', 'I'}; // glyphs 1.. (glyph 0 is .notdef)
  std::vector<Bytes> charstrings, subrs, gsubrs;      // subrs: the Private DICT's (FD 0's when CID-keyed)
  bool cid = false;                                   // two font DICTs, glyphs chosen by FDSelect format 3
  std::vector<uint8_t> fdOfGlyph = {0, 0, 0, 1};
};

// 'O' a square ring (outer 100..700, counter 250..550); 'H' two bars
// through a local and a global subroutine; 'I' a bar after a stem hint and
// its one-byte hint mask (CID-keyed, in font DICT 1, which has no Subrs).
inline Spec DefaultSpec()
{
  Spec s;
  Bytes i = CS({N(0), N(700), O(kHstem), O(kHintmask)});
  i.push_back(0x80);
  Append(i, CS({N(300), N(0), O(kRmoveto), N(100), N(0), N(0), N(700), N(-100), N(0), O(kRlineto), O(kEndchar)}));
  s.charstrings = {CS({O(kEndchar)}),
                   CS({N(100), N(0), O(kRmoveto), N(600), N(0), N(0), N(700), N(-600), N(0), O(kRlineto), N(150),
                       N(-550), O(kRmoveto), N(0), N(400), N(300), N(0), N(0), N(-400), O(kRlineto), O(kEndchar)}),
                   CS({N(-107), O(kCallsubr), N(-107), O(kCallgsubr), O(kEndchar)}), i};
  s.subrs = {BarSubr(100)};  // x 100..200
  s.gsubrs = {BarSubr(300)}; // x 400..500
  return s;
}

// An INDEX with 2-byte offsets.
inline Bytes Index(const std::vector<Bytes>& items)
{
  if (items.empty())
    return {0, 0};
  Bytes b = Be(items.size(), 2), data;
  Append(b, {2, 0, 1});
  for (const Bytes& item : items) Append(data, item), Append(b, Be(data.size() + 1, 2));
  return Append(b, data), b;
}

// DICT entries of 5-byte operands (29), so that offsets do not change sizes.
inline Bytes Entry(std::initializer_list<size_t> operands, int op)
{
  Bytes d;
  for (size_t v : operands) d.push_back(29), Append(d, Be(v, 4));
  return op >= 0x0C00 ? Append(d, {12, uint8_t(op)}) : d.push_back(uint8_t(op)), d;
}

// Where the parts of a made CFF table are, from the table's start.
struct Layout
{
  size_t topDict, gsubrs, charstrings, privateDict, fdarray, fdselect;
};

inline Bytes CffTable(const Spec& s, Layout* where = nullptr)
{
  // A Private DICT of 12 bytes (Subrs right after it) or 6.
  const Bytes withSubrs = Entry({12}, 19), bare = Entry({0}, 20); // Subrs; defaultWidthX, a second entry to walk
  Bytes priv = s.subrs.empty() ? bare : withSubrs;
  if (!s.subrs.empty()) Append(priv, bare);
  auto topDict = [&](const Layout& l) {
    Bytes d = s.cid ? Entry({l.fdarray}, 0x0C24) : Entry({priv.size(), l.privateDict}, 18);
    if (s.cid) Append(d, Entry({l.fdselect}, 0x0C25));
    return Append(d, Entry({l.charstrings}, 17)), d;
  };
  Bytes t = {1, 0, 4, 4};
  Append(t, Index({Bytes{'T', 'e', 's', 't'}}));
  Layout l{};
  l.topDict = t.size() + 7; // after a one-item INDEX's header
  l.gsubrs = t.size() + Index({topDict(l)}).size() + 2; // after an empty String INDEX
  l.charstrings = l.gsubrs + Index(s.gsubrs).size();
  l.privateDict = l.charstrings + Index(s.charstrings).size();
  Bytes tail = priv;
  Append(tail, Index(s.subrs));
  if (s.cid)
  {
    // FD 0 has the Private DICT above, FD 1 a bare one.
    const size_t bareAt = l.privateDict + tail.size();
    Append(tail, bare);
    l.fdarray = l.privateDict + tail.size();
    Append(tail, Index({Entry({priv.size(), l.privateDict}, 18), Entry({bare.size(), bareAt}, 18)}));
    l.fdselect = l.privateDict + tail.size();
    Bytes ranges;
    uint16_t count = 0;
    for (size_t g = 0; g < s.fdOfGlyph.size(); g++)
      if (g == 0 || s.fdOfGlyph[g] != s.fdOfGlyph[g - 1]) Append(ranges, Be(g, 2)), ranges.push_back(s.fdOfGlyph[g]), count++;
    Append(tail, {3}), Append(tail, Be(count, 2)), Append(tail, ranges), Append(tail, Be(s.fdOfGlyph.size(), 2));
  }
  for (const Bytes& part : {Index({topDict(l)}), Index({}), Index(s.gsubrs), Index(s.charstrings), tail}) Append(t, part);
  if (where) *where = l;
  return t;
}

// cmap format 4: a segment a codepoint in codepoint order, then the last.
inline Bytes Cmap(const std::vector<uint32_t>& codepoints)
{
  std::vector<std::pair<uint32_t, uint32_t>> map; // codepoint, glyph
  for (size_t i = 0; i < codepoints.size(); i++) map.push_back({codepoints[i], uint32_t(i + 1)});
  std::sort(map.begin(), map.end());
  const size_t segs = map.size() + 1;
  size_t pow = 1, sel = 0;
  while (pow * 2 <= segs) pow *= 2, sel++;
  Bytes cmap = {0, 0, 0, 1, 0, 3, 0, 1, 0, 0, 0, 12, 0, 4}, ends, starts, deltas;
  for (size_t v : {16 + 8 * segs, size_t(0), 2 * segs, 2 * pow, sel, 2 * segs - 2 * pow}) Append(cmap, Be(v, 2));
  for (auto [cp, glyph] : map) Append(ends, Be(cp, 2)), Append(deltas, Be(glyph - cp, 2));
  Append(ends, {0xFF, 0xFF}), Append(deltas, {0, 1});
  starts = ends;
  Append(ends, {0, 0}); // reserved pad
  for (const Bytes& part : {ends, starts, deltas, Bytes(2 * segs, 0)}) Append(cmap, part);
  return cmap;
}

// The whole font, with the CFF table's tag (CFF2 for a variable font's).
inline Bytes Font(const Spec& s, Layout* where = nullptr, const char* cffTag = "CFF ")
{
  const size_t glyphs = s.charstrings.size();
  Bytes head(54, 0), hhea(36, 0), hmtx, maxp = Be(0x00005000, 4);
  head[1] = 1, head[18] = 1000 >> 8, head[19] = 1000 & 0xFF;                 // units per em
  hhea[1] = 1, hhea[4] = 800 >> 8, hhea[5] = 800 & 0xFF, hhea[6] = 0xFF, hhea[7] = 0x38; // 800, -200
  hhea[35] = uint8_t(glyphs);
  for (size_t g = 0; g < glyphs; g++) Append(hmtx, Be(800, 2)), Append(hmtx, Be(100, 2));
  Append(maxp, Be(glyphs, 2));
  const std::vector<std::pair<const char*, Bytes>> tables = {{"cmap", Cmap(s.codepoints)}, {"head", head}, {"hhea", hhea},
    {"hmtx", hmtx}, {"maxp", maxp}, {"name", {0, 0, 0, 0, 0, 6}}, {cffTag, CffTable(s, where)}};
  Bytes b = {'O', 'T', 'T', 'O'}, data;
  Append(b, Be(tables.size(), 2)), Append(b, Be(0, 6));
  for (const auto& [tag, bytes] : tables)
  {
    b.insert(b.end(), tag, tag + 4), Append(b, Be(0, 4)), Append(b, Be(12 + 16 * tables.size() + data.size(), 4));
    Append(b, Be(bytes.size(), 4)), Append(data, bytes);
    if (tag != cffTag) data.resize((data.size() + 3) & ~size_t(3)); // the CFF table ends the font, unpadded
  }
  return Append(b, data), b;
}

// The CFF table's offset: its record is the last of the directory.
inline size_t CffStart(const Bytes& font)
{
  const size_t rec = 12 + 16 * ((font[4] << 8 | font[5]) - 1) + 8;
  return size_t(font[rec] << 24 | font[rec + 1] << 16 | font[rec + 2] << 8 | font[rec + 3]);
}

// ---- Damaged fonts ----------------------------------------------------------

struct Damage
{
  const char* name;
  std::function<Bytes()> make;
  bool refused;             // the whole font is refused; otherwise the glyph of codepoint draws blank
  uint32_t codepoint = 'O';
};

// Positions of 5-byte operands' values in the Top DICT.
enum TopOperand : size_t { kPrivateOffset = 6, kCharstrings = 12, kCidFdarray = 1 };

// Overwrites a 4-byte value at a position in the CFF table.
inline void Patch32(Bytes& font, size_t inTable, size_t v)
{
  const Bytes b = Be(v, 4);
  std::memcpy(&font.at(CffStart(font) + inTable), b.data(), 4);
}

inline Layout LayoutOf(const Spec& s) { Layout l; CffTable(s, &l); return l; }

// A hint mask after as many stems as the stack holds, at the end of the
// last charstring: its bytes run past the charstring.
inline Bytes HintMaskPastEnd()
{
  Bytes cs;
  for (int i = 0; i < 24; i++) Append(cs, CS({N(10 * i), N(5)}));
  Append(cs, CS({O(kHstem), O(kHintmask)}));
  Spec s = DefaultSpec();
  s.charstrings.push_back(cs), s.codepoints.push_back('Z'), s.fdOfGlyph.push_back(0);
  return Font(s);
}

// 'O' calls subroutine 0, and each of levels - 1 subroutines calls the next
// ten times; the last one is the leaf.
inline Bytes FanOut(int levels, const Bytes& leaf)
{
  Spec s = DefaultSpec();
  s.subrs.clear();
  for (int level = 0; level < levels - 1; level++)
  {
    Bytes body;
    for (int k = 0; k < 10; k++) Append(body, CS({N(level + 1 - 107), O(kCallsubr)}));
    s.subrs.push_back(body), Append(s.subrs.back(), CS({O(kReturn)}));
  }
  s.subrs.push_back(leaf);
  s.charstrings[1] = CS({N(0), N(0), O(kRmoveto), N(-107), O(kCallsubr), O(kEndchar)});
  return Font(s);
}

// 24 lines up of 32767 units each.
inline Bytes Climb()
{
  Bytes leaf;
  for (int k = 0; k < 24; k++) Append(leaf, CS({N(0), N(32767)}));
  return Append(leaf, CS({O(kRlineto), O(kReturn)})), leaf;
}

inline std::vector<Damage> All()
{
  const Spec plain = DefaultSpec();
  Spec cid = DefaultSpec();
  cid.cid = true;
  return {
    {"private-dict-past-end", [=] { Bytes f = Font(plain); Patch32(f, LayoutOf(plain).topDict + kPrivateOffset, f.size()); return f; }, true},
    {"charstrings-at-end", [=] { // the INDEX's count is the font's last two bytes
       Bytes f = Font(plain); Patch32(f, LayoutOf(plain).topDict + kCharstrings, f.size() - CffStart(f) - 2); return f; }, true},
    {"charstrings-count-past-end", [=] { Bytes f = Font(plain); f[CffStart(f) + LayoutOf(plain).charstrings] = 0x7F; return f; }, true},
    {"gsubrs-offset-size-5", [=] { Bytes f = Font(plain); f[CffStart(f) + LayoutOf(plain).gsubrs + 2] = 5; return f; }, true},
    {"subrs-past-end", [=] { Bytes f = Font(plain); Patch32(f, LayoutOf(plain).privateDict + 1, f.size()); return f; }, true},
    {"private-offset-real-number", [=] { // 1.0 and three zeros in place of the 5-byte offset
       Bytes f = Font(plain);
       const uint8_t real[5] = {30, 0x1F, 139, 139, 139};
       std::memcpy(&f[CffStart(f) + LayoutOf(plain).topDict + kPrivateOffset - 1], real, 5);
       return f; }, true},
    {"cid-fdarray-past-end", [=] { Bytes f = Font(cid); Patch32(f, LayoutOf(cid).topDict + kCidFdarray, f.size()); return f; }, true},
    {"cid-font-dict-private-past-end", [=] { // FD 1's, with 'H' in FD 1
       Spec s = cid; s.fdOfGlyph = {0, 0, 1, 1};
       Bytes f = Font(s); Patch32(f, LayoutOf(s).fdarray + 9 + 11 + 6, f.size()); return f; }, true},
    {"hint-mask-past-charstring", HintMaskPastEnd, false, 'Z'},
    {"subroutine-fan-out", [] { return FanOut(10, CS({O(kReturn)})); }, false}, // 10^9 calls
    {"pen-past-int-range", [] { return FanOut(5, Climb()); }, false},          // 10^4 climbs: past 2^31
    {"cid-glyph-in-no-font-dict", [=] { // FDSelect sends 'H' to FD 7 of 2
       Spec s = cid; s.fdOfGlyph = {0, 0, 7, 1}; return Font(s); }, false, 'H'},
  };
}

} // namespace cfftest
