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

// A charstring of numbers and operators: numbers as 16-bit operands (28),
// operators by their codes (12 n as 0x0C00 | n).
inline Bytes CS(std::initializer_list<std::pair<bool, int>> items)
{
  Bytes b;
  for (auto [isOp, v] : items)
  {
    if (!isOp)
      Append(b, {28, uint8_t(uint16_t(v) >> 8), uint8_t(v)});
    else if (v >= 0x0C00)
      Append(b, {12, uint8_t(v & 0xFF)});
    else
      b.push_back(uint8_t(v));
  }
  return b;
}
inline std::pair<bool, int> N(int v) { return {false, v}; }
inline std::pair<bool, int> O(int op) { return {true, op}; }
enum : int { kHstem = 1, kRlineto = 5, kCallsubr = 10, kReturn = 11, kEndchar = 14, kHintmask = 19, kRmoveto = 21, kCallgsubr = 29 };

// A square ring: outer 100..700, counter 250..550 (x and y).
inline Bytes RingCharstring()
{
  return CS({N(100), N(0), O(kRmoveto), N(600), N(0), N(0), N(700), N(-600), N(0), O(kRlineto),
             N(150), N(-550), O(kRmoveto), N(0), N(400), N(300), N(0), N(0), N(-400), O(kRlineto), O(kEndchar)});
}
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
  std::vector<Bytes> charstrings;                     // .notdef first
  std::vector<Bytes> subrs, gsubrs;                   // Subrs of the Private DICT (of FD 0 when CID-keyed)
  bool cid = false;                                   // two font DICTs, glyphs chosen by FDSelect format 3
  std::vector<uint8_t> fdOfGlyph;                     // CID-keyed: the font DICT of each glyph
};

// 'O' the ring; 'H' two bars through a local and a global subroutine;
// 'I' a bar after a stem hint and its one-byte hint mask. CID-keyed, 'I'
// is in font DICT 1, which has no Subrs.
inline Spec DefaultSpec()
{
  Spec s;
  Bytes i = CS({N(0), N(700), O(kHstem), O(kHintmask)});
  i.push_back(0x80);
  Append(i, CS({N(300), N(0), O(kRmoveto), N(100), N(0), N(0), N(700), N(-100), N(0), O(kRlineto), O(kEndchar)}));
  s.charstrings = {CS({O(kEndchar)}), RingCharstring(),
                   CS({N(-107), O(kCallsubr), N(-107), O(kCallgsubr), O(kEndchar)}), i};
  s.subrs = {BarSubr(100)};  // x 100..200
  s.gsubrs = {BarSubr(300)}; // x 400..500
  s.fdOfGlyph = {0, 0, 0, 1};
  return s;
}

// An INDEX with offsets of offSize bytes.
inline Bytes Index(const std::vector<Bytes>& items, int offSize = 2)
{
  if (items.empty())
    return {0, 0};
  Bytes b = Be(uint32_t(items.size()), 2);
  b.push_back(uint8_t(offSize));
  uint32_t at = 1;
  Append(b, Be(at, offSize));
  for (const Bytes& item : items)
    Append(b, Be(at += uint32_t(item.size()), offSize));
  for (const Bytes& item : items)
    Append(b, item);
  return b;
}

// A DICT operand of 5 bytes (29), so that offsets do not change its size.
inline Bytes Int5(int32_t v) { Bytes b{29}; Append(b, Be(uint32_t(v), 4)); return b; }
inline Bytes DictOp(int op) { return op >= 0x0C00 ? Bytes{12, uint8_t(op & 0xFF)} : Bytes{uint8_t(op)}; }

// Where the parts of a made CFF table are, from the table's start.
struct Layout
{
  size_t topDict, gsubrs, charstrings, privateDict, subrs, fdarray, fdselect, end;
};

inline Bytes CffTable(const Spec& s, Layout* where = nullptr)
{
  const Bytes header = {1, 0, 4, 4}, names = Index({Bytes{'T', 'e', 's', 't'}}), strings = Index({});
  const Bytes gsubrs = Index(s.gsubrs), charstrings = Index(s.charstrings);
  const Bytes subrs = Index(s.subrs);
  // A Private DICT: Subrs right after it (offset from the DICT's start).
  auto privateDict = [&](bool withSubrs) {
    Bytes d;
    if (withSubrs)
      Append(d, Int5(12)), Append(d, DictOp(19)); // this DICT is 12 bytes
    Append(d, Int5(0)), Append(d, DictOp(20)); // defaultWidthX: a second entry to walk
    return d;
  };
  const Bytes priv = privateDict(!s.subrs.empty());
  // The Top DICT's size is fixed by its 5-byte operands; offsets follow.
  auto topDict = [&](size_t charstringsAt, size_t privateAt, size_t fdarrayAt, size_t fdselectAt) {
    Bytes d;
    if (s.cid)
    {
      Append(d, Int5(0)), Append(d, Int5(0)), Append(d, Int5(0)), Append(d, DictOp(0x0C1E)); // ROS
      Append(d, Int5(int32_t(fdarrayAt))), Append(d, DictOp(0x0C24));
      Append(d, Int5(int32_t(fdselectAt))), Append(d, DictOp(0x0C25));
    }
    else
    {
      Append(d, Int5(int32_t(priv.size()))), Append(d, Int5(int32_t(privateAt))), Append(d, DictOp(18));
    }
    Append(d, Int5(int32_t(charstringsAt))), Append(d, DictOp(17));
    return d;
  };
  const size_t topSize = Index({topDict(0, 0, 0, 0)}).size();
  Layout l{};
  l.topDict = header.size() + names.size() + 3 + 2 * 2; // a one-item INDEX with 2-byte offsets
  l.gsubrs = header.size() + names.size() + topSize + strings.size();
  l.charstrings = l.gsubrs + gsubrs.size();
  l.privateDict = l.charstrings + charstrings.size();
  l.subrs = l.privateDict + priv.size();
  Bytes tail = priv;
  Append(tail, subrs);
  l.fdarray = l.fdselect = 0;
  if (s.cid)
  {
    // FD 0 has the Private DICT above with the Subrs; FD 1 one without.
    const Bytes bare = privateDict(false);
    const size_t bareAt = l.privateDict + tail.size();
    Append(tail, bare);
    auto fd = [](size_t size, size_t at) { Bytes d = Int5(int32_t(size)); Append(d, Int5(int32_t(at))); Append(d, DictOp(18)); return d; };
    l.fdarray = l.privateDict + tail.size();
    Append(tail, Index({fd(priv.size(), l.privateDict), fd(bare.size(), bareAt)}));
    l.fdselect = l.privateDict + tail.size();
    Bytes select = {3};
    std::vector<std::pair<uint16_t, uint8_t>> ranges;
    for (size_t g = 0; g < s.fdOfGlyph.size(); g++)
      if (ranges.empty() || ranges.back().second != s.fdOfGlyph[g])
        ranges.push_back({uint16_t(g), s.fdOfGlyph[g]});
    Append(select, Be(uint32_t(ranges.size()), 2));
    for (auto [first, fdIndex] : ranges)
      Append(select, Be(first, 2)), select.push_back(fdIndex);
    Append(select, Be(uint32_t(s.fdOfGlyph.size()), 2)); // sentinel
    Append(tail, select);
  }
  Bytes t = header;
  Append(t, names);
  Append(t, Index({topDict(l.charstrings, l.privateDict, l.fdarray, l.fdselect)}));
  Append(t, strings);
  Append(t, gsubrs);
  Append(t, charstrings);
  Append(t, tail);
  l.end = t.size();
  if (where)
    *where = l;
  return t;
}

// cmap format 4: one segment a codepoint (glyphs 1.. in the given order),
// in codepoint order, then the closing one.
inline Bytes Cmap(const std::vector<uint32_t>& codepoints)
{
  std::vector<std::pair<uint32_t, uint32_t>> map; // codepoint, glyph
  for (size_t i = 0; i < codepoints.size(); i++) map.push_back({codepoints[i], uint32_t(i + 1)});
  std::sort(map.begin(), map.end());
  const int segs = int(map.size()) + 1;
  int pow = 1, sel = 0;
  while (pow * 2 <= segs)
    pow *= 2, sel++;
  Bytes sub = Be(4, 2);
  Append(sub, Be(uint32_t(16 + 8 * segs), 2));
  Append(sub, Be(0, 2));
  Append(sub, Be(uint32_t(2 * segs), 2)), Append(sub, Be(uint32_t(2 * pow), 2)), Append(sub, Be(uint32_t(sel), 2));
  Append(sub, Be(uint32_t(2 * segs - 2 * pow), 2));
  for (auto [cp, glyph] : map) Append(sub, Be(cp, 2));
  Append(sub, Be(0xFFFF, 2));
  Append(sub, Be(0, 2)); // reserved pad
  for (auto [cp, glyph] : map) Append(sub, Be(cp, 2));
  Append(sub, Be(0xFFFF, 2));
  for (auto [cp, glyph] : map) Append(sub, Be((glyph - cp) & 0xFFFF, 2));
  Append(sub, Be(1, 2));
  for (int i = 0; i < segs; i++) Append(sub, Be(0, 2));
  Bytes cmap = {0, 0, 0, 1, 0, 3, 0, 1, 0, 0, 0, 12};
  Append(cmap, sub);
  return cmap;
}

// The whole font, with the CFF table's tag (CFF2 for a variable font's).
inline Bytes Font(const Spec& s, Layout* where = nullptr, const char* cffTag = "CFF ")
{
  const uint32_t glyphs = uint32_t(s.charstrings.size());
  Bytes head(54, 0);
  head[1] = 1, head[18] = 1000 >> 8, head[19] = 1000 & 0xFF;
  Bytes hhea(36, 0);
  hhea[1] = 1, hhea[4] = 800 >> 8, hhea[5] = 800 & 0xFF;
  hhea[6] = uint8_t(uint16_t(-200) >> 8), hhea[7] = uint8_t(uint16_t(-200));
  hhea[34] = uint8_t(glyphs >> 8), hhea[35] = uint8_t(glyphs);
  Bytes hmtx;
  for (uint32_t g = 0; g < glyphs; g++) Append(hmtx, Be(800, 2)), Append(hmtx, Be(100, 2));
  Bytes maxp = Be(0x00005000, 4);
  Append(maxp, Be(glyphs, 2));
  const Bytes name = {0, 0, 0, 0, 0, 6};
  const std::vector<std::pair<const char*, Bytes>> tables = {
    {"cmap", Cmap(s.codepoints)}, {"head", head}, {"hhea", hhea}, {"hmtx", hmtx},
    {"maxp", maxp}, {"name", name}, {cffTag, CffTable(s, where)}};
  Bytes b = {'O', 'T', 'T', 'O'};
  Append(b, Be(uint32_t(tables.size()), 2));
  Append(b, Be(0, 6));
  size_t at = 12 + 16 * tables.size();
  for (const auto& [tag, data] : tables)
  {
    b.insert(b.end(), tag, tag + 4);
    Append(b, Be(0, 4)), Append(b, Be(uint32_t(at), 4)), Append(b, Be(uint32_t(data.size()), 4));
    at += (data.size() + 3) & ~size_t(3);
  }
  for (const auto& [tag, data] : tables)
  {
    Append(b, data);
    if (std::string(tag) != cffTag) // the CFF table ends the font: no padding after it
      b.resize((b.size() + 3) & ~size_t(3));
  }
  return b;
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

// Positions of the 5-byte operands' values in the Top DICT.
enum TopOperand : size_t { kPrivateOffset = 6, kCharstrings = 12, kCidFdarray = 18, kCidCharstrings = 32 };

// Overwrites a 4-byte value at a position of the CFF table.
inline void Patch32(Bytes& font, size_t inTable, uint32_t v)
{
  const Bytes b = Be(v, 4);
  std::memcpy(&font.at(CffStart(font) + inTable), b.data(), 4);
}

inline size_t TopDict(const Spec& s)
{
  Layout l;
  CffTable(s, &l);
  return l.topDict;
}

inline Bytes WithGlyph(Bytes charstring, int glyph = 1, Spec s = DefaultSpec())
{
  s.charstrings[glyph] = std::move(charstring);
  return Font(s);
}

// A hint mask after as many stems as the stack holds, at the end of the
// last charstring: its bytes run past the charstring.
inline Bytes HintMaskPastEnd()
{
  Bytes cs;
  for (int i = 0; i < 24; i++) Append(cs, CS({N(10 * i), N(5)}));
  Append(cs, CS({O(kHstem), O(kHintmask)}));
  Spec s = DefaultSpec();
  s.charstrings.push_back(cs);
  s.codepoints.push_back('Z');
  s.fdOfGlyph.push_back(0);
  return Font(s);
}

// Subroutines that call the next one ten times each, nine deep, the last
// returning at once: a glyph of 10^9 calls that draws nothing.
inline Bytes SubroutineFanOut()
{
  Spec s = DefaultSpec();
  s.subrs.clear();
  for (int level = 0; level < 10; level++)
  {
    Bytes body;
    for (int k = 0; k < 10 && level < 9; k++) Append(body, CS({N(level + 1 - 107), O(kCallsubr)}));
    Append(body, CS({O(kReturn)}));
    s.subrs.push_back(body);
  }
  s.charstrings[1] = CS({N(0), N(0), O(kRmoveto), N(-107), O(kCallsubr), O(kEndchar)});
  return Font(s);
}

// Subroutines five deep that call the next ten times each, the last
// drawing 24 lines up of 32767 units: the pen climbs past 2^31.
inline Bytes PenPastIntRange()
{
  Spec s = DefaultSpec();
  s.subrs.clear();
  for (int level = 0; level < 5; level++)
  {
    Bytes body;
    for (int k = 0; k < 10 && level < 4; k++) Append(body, CS({N(level + 1 - 107), O(kCallsubr)}));
    for (int k = 0; k < 24 && level == 4; k++) Append(body, CS({N(0), N(32767)}));
    Append(body, CS({O(level == 4 ? kRlineto : kReturn)}));
    if (level == 4)
      Append(body, CS({O(kReturn)}));
    s.subrs.push_back(body);
  }
  s.charstrings[1] = CS({N(0), N(0), O(kRmoveto), N(-107), O(kCallsubr), O(kEndchar)});
  return Font(s);
}

inline std::vector<Damage> All()
{
  return {
    {"private-dict-past-end", [] {
       Bytes f = Font(DefaultSpec()); Patch32(f, TopDict(DefaultSpec()) + kPrivateOffset, uint32_t(f.size())); return f; }, true},
    {"charstrings-at-end", [] { // the INDEX's count is the font's last two bytes
       Bytes f = Font(DefaultSpec());
       Patch32(f, TopDict(DefaultSpec()) + kCharstrings, uint32_t(f.size() - CffStart(f) - 2)); return f; }, true},
    {"charstrings-count-past-end", [] {
       Layout l; Bytes f = Font(DefaultSpec(), &l); f[CffStart(f) + l.charstrings] = 0x7F; return f; }, true},
    {"gsubrs-offset-size-5", [] {
       Layout l; Bytes f = Font(DefaultSpec(), &l); f[CffStart(f) + l.gsubrs + 2] = 5; return f; }, true},
    {"subrs-past-end", [] { // the Private DICT's Subrs operand
       Layout l; Bytes f = Font(DefaultSpec(), &l); Patch32(f, l.privateDict + 1, uint32_t(f.size())); return f; }, true},
    {"private-offset-real-number", [] { // 1.0 and three zeros in place of the 5-byte offset
       Bytes f = Font(DefaultSpec());
       const size_t at = CffStart(f) + TopDict(DefaultSpec()) + kPrivateOffset - 1;
       const uint8_t real[5] = {30, 0x1F, 139, 139, 139};
       std::memcpy(&f[at], real, 5);
       return f; }, true},
    {"cid-fdarray-past-end", [] {
       Spec s = DefaultSpec(); s.cid = true; Bytes f = Font(s);
       Patch32(f, TopDict(s) + kCidFdarray, uint32_t(f.size())); return f; }, true},
    {"cid-font-dict-private-past-end", [] { // FD 1's, with 'H' in FD 1
       Spec s = DefaultSpec(); s.cid = true; s.fdOfGlyph = {0, 0, 1, 1}; Layout l; Bytes f = Font(s, &l);
       Patch32(f, l.fdarray + 3 + 3 * 2 + 11 + 6, uint32_t(f.size())); return f; }, true},
    {"hint-mask-past-charstring", HintMaskPastEnd, false, 'Z'},
    {"subroutine-fan-out", SubroutineFanOut, false},
    {"pen-past-int-range", PenPastIntRange, false},
    {"cid-glyph-in-no-font-dict", [] { // FDSelect sends 'H' to FD 7 of 2
       Spec s = DefaultSpec(); s.cid = true; s.fdOfGlyph = {0, 0, 7, 1}; return Font(s); }, false, 'H'},
  };
}

} // namespace cfftest
