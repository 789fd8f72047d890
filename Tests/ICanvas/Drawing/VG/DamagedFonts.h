#pragma once
// Roboto with byte patches that damage one thing each, as the glyph source
// would read it: shared by the font validator's tests and the drawing fuzz
// entry's corpus test. The patches find what they change through Roboto's
// own tables (glyphs through its Windows BMP cmap subtable).

#include "FontTestFonts.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace damaged {

using Bytes = std::vector<uint8_t>;

inline Bytes ReadFile(const char* path)
{
  std::ifstream in(path, std::ios::binary);
  return Bytes{std::istreambuf_iterator<char>(in), {}};
}

inline uint32_t U16(const Bytes& b, size_t p) { return (b.at(p) << 8) | b.at(p + 1); }
inline uint32_t U32(const Bytes& b, size_t p) { return (U16(b, p) << 16) | U16(b, p + 2); }
inline void Put16(Bytes& b, size_t p, uint32_t v) { b.at(p) = uint8_t(v >> 8), b.at(p + 1) = uint8_t(v); }
inline void Put32(Bytes& b, size_t p, uint32_t v) { Put16(b, p, v >> 16), Put16(b, p + 2, v & 0xFFFF); }

// The table record of the face whose directory starts at face.
inline size_t Record(const Bytes& b, const char* tag, size_t face = 0)
{
  for (size_t r = face + 12; r < face + 12 + 16 * U16(b, face + 4); r += 16)
    if (std::memcmp(&b.at(r), tag, 4) == 0)
      return r;
  throw std::runtime_error(std::string("no table ") + tag);
}
inline size_t Table(const Bytes& b, const char* tag) { return U32(b, Record(b, tag) + 8); }
inline void Retag(Bytes& b, const char* from, const char* to) { std::memcpy(&b.at(Record(b, from)), to, 4); }

// The first format 4 subtable of platform 3, encoding 1.
inline size_t BmpSubtable(const Bytes& b)
{
  const size_t cmap = Table(b, "cmap");
  for (size_t r = cmap + 4; r < cmap + 4 + 8 * U16(b, cmap + 2); r += 8)
    if (U16(b, r) == 3 && U16(b, r + 2) == 1)
      return cmap + U32(b, r + 4);
  throw std::runtime_error("no BMP subtable");
}

// Segment k of a format 4 subtable: its end code, and its start code, delta
// and range offset (arrays 1, 2, 3).
inline size_t SegEnd(size_t sub, int k) { return sub + 14 + 2 * k; }
inline size_t SegField(const Bytes& b, size_t sub, int k, int array) { return sub + 16 + U16(b, sub + 6) * array + 2 * k; }

inline int SegmentOf(const Bytes& b, uint32_t cp)
{
  const size_t sub = BmpSubtable(b);
  for (int k = 0; k < int(U16(b, sub + 6) / 2); k++)
    if (U16(b, SegField(b, sub, k, 1)) <= cp && cp <= U16(b, SegEnd(sub, k)))
      return k;
  throw std::runtime_error("codepoint not mapped");
}

inline int GlyphOf(const Bytes& b, uint32_t cp)
{
  const size_t sub = BmpSubtable(b);
  const int k = SegmentOf(b, cp);
  const uint32_t start = U16(b, SegField(b, sub, k, 1)), delta = U16(b, SegField(b, sub, k, 2));
  const size_t rangeOffset = SegField(b, sub, k, 3);
  if (U16(b, rangeOffset) == 0)
    return int((cp + delta) & 0xFFFF);
  return int(U16(b, rangeOffset + U16(b, rangeOffset) + 2 * (cp - start)));
}

inline size_t LocaEntry(const Bytes& b, int glyph)
{
  return Table(b, "loca") + (U16(b, Table(b, "head") + 50) ? 4 : 2) * glyph;
}

// The offset of a glyph's data in the font (long loca offsets, as Roboto's).
inline size_t GlyphData(const Bytes& b, int glyph) { return Table(b, "glyf") + U32(b, LocaEntry(b, glyph)); }

// The font wrapped as face 0 of a collection: a 16-byte header before it,
// every table offset moved by as much.
inline Bytes AsCollection(const Bytes& font)
{
  Bytes b = {'t', 't', 'c', 'f', 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 16};
  b.insert(b.end(), font.begin(), font.end());
  for (size_t r = 16 + 12; r < 16 + 12 + 16 * U16(b, 16 + 4); r += 16)
    Put32(b, r + 8, U32(b, r + 8) + 16);
  return b;
}

struct Damage
{
  const char* name;
  std::function<void(Bytes&)> apply;
  bool refused;             // the whole font is refused; otherwise glyph draws blank
  uint32_t codepoint = 'T'; // the damaged glyph
};

// Replaces the last table (GSUB, which the atlas does not read) with a
// table of the given tag and contents: reads that run past it run past the
// font's bytes.
inline void LastTableAs(Bytes& b, const char* tag, const Bytes& contents)
{
  const size_t rec = Record(b, "GSUB"), at = U32(b, rec + 8);
  if (at + U32(b, rec + 12) != b.size())
    throw std::runtime_error("GSUB is not last");
  std::memcpy(&b.at(rec), tag, 4);
  b.resize(at);
  b.insert(b.end(), contents.begin(), contents.end());
  Put32(b, rec + 12, uint32_t(contents.size()));
}

inline size_t CodepointData(const Bytes& b, uint32_t cp) { return GlyphData(b, GlyphOf(b, cp)); }

// A kern table (one horizontal format 0 subtable) and a GPOS (one pair
// adjustment lookup, format 1, x advance of the first glyph), each with one
// pair.
inline Bytes KernTable(int left, int right, int16_t value)
{
  return {0, 0, 0, 1, 0, 0, 0, 20, 0, 1, 0, 1, 0, 6, 0, 0, 0, 0,
          uint8_t(left >> 8), uint8_t(left), uint8_t(right >> 8), uint8_t(right), uint8_t(value >> 8), uint8_t(value)};
}
inline Bytes GposTable(int left, int right, int16_t value)
{
  return {0, 1, 0, 0, 0, 0, 0, 0, 0, 10,                 // version 1.0, lookup list at 10
          0, 1, 0, 4,                                    // one lookup at 14
          0, 2, 0, 0, 0, 1, 0, 8,                        // pair adjustment, one subtable at 22
          0, 1, 0, 12, 0, 4, 0, 0, 0, 1, 0, 18,          // format 1, coverage at 34, one pair set at 40
          0, 1, 0, 1, uint8_t(left >> 8), uint8_t(left), // coverage: the left glyph
          0, 1, uint8_t(right >> 8), uint8_t(right), uint8_t(value >> 8), uint8_t(value)};
}

inline std::vector<Damage> All()
{
  return {
    {"inverted-box", [](Bytes& b) { // yMin above yMax
       const size_t g = CodepointData(b, 'T');
       const uint32_t yMin = U16(b, g + 4);
       Put16(b, g + 4, U16(b, g + 8)), Put16(b, g + 8, yMin);
     }, false},
    {"cmap-records-past-end", [](Bytes& b) { Put16(b, Table(b, "cmap") + 2, 0xFFFF); }, true},
    {"cmap-groups-past-table", [](Bytes& b) { // the format 12 subtable the glyph source picks
       const size_t cmap = Table(b, "cmap");
       Put32(b, cmap + U32(b, cmap + 4 + 8 * (U16(b, cmap + 2) - 1) + 4) + 12, 0x00FFFFFF);
     }, true},
    {"cmap-range-offset-past-table", [](Bytes& b) { // format 4 only, 'T' through its glyph array
       const size_t cmap = Table(b, "cmap");
       for (size_t r = cmap + 4; r < cmap + 4 + 8 * U16(b, cmap + 2); r += 8)
         if (U16(b, cmap + U32(b, r + 4)) != 4) Put16(b, r, 1); // Mac: not read
       Put16(b, SegField(b, BmpSubtable(b), SegmentOf(b, 'T'), 3), 0xFFF0);
     }, true},
    {"cmap-unknown-format", [](Bytes& b) { Put16(b, Table(b, "cmap") + U32(b, Table(b, "cmap") + 4 + 8 * 3 + 4), 2); }, true},
    {"loca-short-of-glyphs", [](Bytes& b) { Put16(b, Table(b, "maxp") + 4, 0xFFFF); }, true},
    {"loca-one-entry-short", [](Bytes& b) { // one glyph more, one long metric fewer: hmtx still fits
       const size_t glyphs = Table(b, "maxp") + 4, longMetrics = Table(b, "hhea") + 34;
       Put16(b, glyphs, U16(b, glyphs) + 1), Put16(b, longMetrics, U16(b, longMetrics) - 1);
     }, true},
    {"no-glyphs", [](Bytes& b) { Put16(b, Table(b, "maxp") + 4, 0); }, true},
    {"loca-format-unknown", [](Bytes& b) { Put16(b, Table(b, "head") + 50, 2); }, true},
    // A table one byte shorter than read, found before the whole one, at the end of the font.
    {"maxp-short", [](Bytes& b) { const size_t t = Table(b, "maxp"); LastTableAs(b, "maxp", Bytes(&b[t], &b[t + 5])); }, true},
    {"hhea-short", [](Bytes& b) { const size_t t = Table(b, "hhea"); LastTableAs(b, "hhea", Bytes(&b[t], &b[t + 35])); }, true},
    {"hmtx-one-byte-short", [](Bytes& b) {
       const size_t hmtx = Table(b, "hmtx");
       LastTableAs(b, "hmtx", Bytes(&b.at(hmtx), &b.at(hmtx) + U32(b, Record(b, "hmtx") + 12) - 1));
     }, true},
    {"hmtx-short-of-glyphs", [](Bytes& b) { // the last glyph's bearing past the table, at the end of the font
       const size_t hmtx = Table(b, "hmtx");
       LastTableAs(b, "hmtx", Bytes(&b.at(hmtx), &b.at(hmtx) + U32(b, Record(b, "hmtx") + 12) - 2));
     }, true},
    {"hhea-no-long-metrics", [](Bytes& b) { Put16(b, Table(b, "hhea") + 34, 0); }, true},
    {"outlines-not-truetype", [](Bytes& b) { Retag(b, "glyf", "CFF "); }, true},
    {"contours-past-glyph", [](Bytes& b) { Put16(b, CodepointData(b, 'T'), 0x7FFF); }, false},
    {"points-past-glyph", [](Bytes& b) { Put16(b, CodepointData(b, 'T') + 10, 0xFFF0); }, false},
    {"glyph-past-glyf", [](Bytes& b) { // 'T' starts 4 bytes before the end of the font
       Put32(b, LocaEntry(b, GlyphOf(b, 'T')), uint32_t(b.size() - 4 - Table(b, "glyf")));
     }, false},
    {"composite-of-itself", [](Bytes& b) { // U+00C1's first component is U+00C1
       const int g = GlyphOf(b, 0xC1);
       Put16(b, GlyphData(b, g) + 12, uint32_t(g));
     }, false, 0xC1},
    {"composite-components-past-glyph", [](Bytes& b) { // every component says another follows
       const size_t g = GlyphData(b, GlyphOf(b, 0xC1)), end = Table(b, "glyf") + U32(b, LocaEntry(b, GlyphOf(b, 0xC1)) + 4);
       for (size_t c = g + 10; c + 4 <= end;)
       {
         const uint32_t flags = U16(b, c) | 32;
         Put16(b, c, flags);
         c += 4 + ((flags & 1) ? 4 : 2) + ((flags & 8) ? 2 : (flags & 64) ? 4 : (flags & 128) ? 8 : 0);
       }
     }, false, 0xC1},
    {"composite-by-matching-points", [](Bytes& b) { // the first component's offsets become point numbers
       const size_t g = GlyphData(b, GlyphOf(b, 0xC1));
       Put16(b, g + 10, U16(b, g + 10) & ~2u);
     }, false, 0xC1},
  };
}

} // namespace damaged
