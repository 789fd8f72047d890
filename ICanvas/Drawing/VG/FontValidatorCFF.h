#pragma once
// Checks of a face's CFF outlines ("OTTO" fonts) against what stb_truetype
// reads of them. The glyph source wraps the CFF table in a buffer that
// claims far more bytes than the table has, so the structures it reads when
// the face is added (header, Name, Top DICT, String and Global Subr
// INDEXes, CharStrings, the Private DICT and its Subrs, FDArray and
// FDSelect) are checked against the table's real length first, and its
// buffers are then bounded by that length. Each glyph's charstring is run
// here once, as the glyph source runs it, before the glyph is drawn.
// Internal to the font atlas and its tests.

struct stbtt_fontinfo;

// A part of the CFF table: offset from the table's start, and byte count.
struct FNTcffPart
{
  unsigned int offset, size;
};

// What the glyph check needs of a face whose CFF table passed
// fnt__checkCff. length 0: the face has TrueType outlines.
struct FNTcffCheck
{
  unsigned int table, length; // offset of the CFF table in the data, byte count
  FNTcffPart gsubrs, subrs, charstrings, fontdicts; // whole INDEXes; empty parts have size 0
  unsigned int fdselect; // FDSelect offset in the table, 0 when the font is not CID-keyed
};

constexpr int FNT_MAX_CFF_STEMS = 96;          // stem hints of one charstring
constexpr int FNT_MAX_CFF_WORK = 1 << 16;      // operands and operators run for one glyph, subroutines included
constexpr int FNT_MAX_CFF_VERTICES = 1 << 14;  // outline vertices of one glyph

// 1 with *check filled in when the CFF table at [table, table + length) of
// the data (already known to lie inside it) can be read as the glyph source
// reads it when the face is added: a version 1 header, INDEXes whole with
// offset sizes 1 to 4, DICTs whose operands the glyph source can decode,
// Type 2 charstrings, and a Private DICT, Subrs, FDArray, each font DICT's
// Private DICT and Subrs, and FDSelect inside the table. 0 otherwise.
int fnt__checkCff(const unsigned char* data, unsigned int table, unsigned int length, FNTcffCheck* check);

// 1 when the glyph's charstring runs to its endchar as the glyph source
// runs it: every read inside the charstring or the subroutines it calls,
// operand stack and subroutine nesting within the glyph source's limits,
// at most FNT_MAX_CFF_STEMS stem hints with their masks inside the data,
// within FNT_MAX_CFF_WORK and FNT_MAX_CFF_VERTICES, and every coordinate
// within the 16-bit vertices. 0 otherwise: the glyph is drawn blank.
int fnt__checkCffGlyph(const FNTcffCheck* check, const unsigned char* data, int glyph);

// Rebuilds the glyph source's CFF buffers of a face added with a checked
// table from the table's real length, so that none of its later reads can
// leave the table. Nothing for a face with TrueType outlines.
void fnt__boundCff(stbtt_fontinfo* info, const FNTcffCheck* check);
