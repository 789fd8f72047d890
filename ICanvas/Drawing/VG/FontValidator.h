#pragma once
// Checks of a TrueType face against what stb_truetype reads of it. The glyph
// source trusts the counts and offsets inside the tables, so every read it
// can make is checked here first: the font-wide tables once when the face is
// added, each glyph's outline once before its box is first asked for.
// CFF outlines are checked by FontValidatorCFF.h.

#include "FontValidatorCFF.h"

// What the glyph check needs of a face that passed fnt__checkFace. Offsets
// count from the start of the data.
struct FNTfaceCheck
{
  int numGlyphs; // glyph indices below this may be passed to the glyph source
  unsigned int glyf, glyfLength;
  unsigned int loca;
  int longLoca; // loca holds 32-bit offsets, not 16-bit halves
  FNTcffCheck cff; // cff.length 0: TrueType outlines
  // 1 when the table is present and every read of its pairs stays inside
  // it; a damaged kerning table is left unread, as if the face had none.
  int gposUsable, kernUsable;
};

constexpr int FNT_MAX_COMPOSITE_DEPTH = 8;     // nesting of composite glyphs
constexpr int FNT_MAX_OUTLINE_COMPONENTS = 512; // glyphs visited for one outline, repeats counted
constexpr int FNT_MAX_OUTLINE_POINTS = 1 << 18; // points of one outline, over all its components

// The offset of face fontIndex in the data, with *check filled in; -1 when
// the face cannot be found, has neither TrueType outlines (glyf and loca)
// nor CFF outlines that fnt__checkCff accepts (CFF2 has none), or any of
// its required tables (the collection's directory, the table directory,
// head, maxp, hhea and hmtx with the metrics count, loca and the cmap
// subtable the glyph source picks) would be read outside the data.
// The optional kerning tables (kern, GPOS pair adjustments) never refuse
// the face: check->gposUsable and kernUsable say which may be read.
int fnt__checkFace(const unsigned char* data, int dataSize, int fontIndex, FNTfaceCheck* check);

// 1 when the glyph's outline can be read and rasterised: it lies inside the
// glyf table with its contours, points and coordinates, its box is not
// inverted, and a composite's components are whole, positioned by offsets,
// nested at most FNT_MAX_COMPOSITE_DEPTH deep, within the component and
// point budgets and with transformed coordinates that fit the glyph
// source's 16-bit vertices. Glyphs without an outline (empty, or an index
// the face does not have) pass. 0 otherwise. A CFF glyph is checked by
// fnt__checkCffGlyph.
int fnt__checkGlyph(const FNTfaceCheck* check, const unsigned char* data, int glyph);
