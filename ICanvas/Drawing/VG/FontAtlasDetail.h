#pragma once
// Internals of the font atlas, shared by FontAtlas.cpp and its tests only.
// The renderer uses the plain API of FontAtlas.h.

#include "FontAtlas.h"
#include "FontValidator.h"
#include "VGArray.h"

// The glyph source's own consistency checks, where assertions are on, go to
// fnt__glyphSourceAssert with their expression's text, in every source that
// compiles its implementation through this header.
void fnt__glyphSourceAssert(const char* expr, const char* file, int line);
#ifdef NDEBUG
#define STBTT_assert(x) ((void)0)
#else
#define STBTT_assert(x) ((x) ? (void)0 : fnt__glyphSourceAssert(#x, __FILE__, __LINE__))
#endif

#include <stb/stb_truetype.h>

#include <cstddef>

constexpr int FNT_SCRATCH_BUF_SIZE = 96000; // bytes of rasteriser scratch
constexpr int FNT_MAX_STATES = 20;
constexpr int FNT_MAX_FALLBACKS = 20;
constexpr int FNT_HASH_LUT_SIZE = 256;
constexpr int FNT_VERTEX_COUNT = 1024;
constexpr int FNT_INIT_FONTS = 4;
constexpr int FNT_INIT_GLYPHS = 256;
constexpr int FNT_INIT_ATLAS_NODES = 256;
constexpr int FNT_MAX_BLUR = 20;
// Glyph entries of one font that were only measured (no bitmap placed):
// when a new one would exceed this, they are all dropped and made again on
// demand, so that measuring at ever new sizes keeps the cache bounded. The
// sizes of one codepoint share a hash chain: this also bounds a lookup's walk.
constexpr int FNT_MAX_MEASURED_GLYPHS = 1024;
constexpr int FNT_MAX_ATLAS_SIDE = 32767; // skyline nodes and glyph rectangles are shorts
// Pen positions and letter spacing beyond this many pixels are refused, and
// pens that travel further stop there: pixel positions are ints.
constexpr float FNT_MAX_PEN = 1.0e7f;

// Makes room for one more item in a realloc'd array of count items,
// doubling its room (8 at first). False, with the array as it was, when that
// fails.
template <typename T>
bool FntReserveOne(T*& items, int count, int& capacity)
{
  return count < capacity || vg__resizeArray(items, capacity, capacity == 0 ? 8 : capacity * 2);
}

struct FNTskylineNode
{
  short x, y, width;
};

// The upper outline of the used area, left to right, covering the full width.
struct FNTskyline
{
  int width, height;
  FNTskylineNode* nodes;
  int nnodes, cnodes;
};

struct FNTglyphEntry
{
  unsigned int codepoint;
  int index; // glyph index in the font that rendered it
  int next;  // next entry of the same hash chain, -1 ends
  short size, blur; // size in tenths of a pixel
  short x0, y0, x1, y1; // rectangle with margin in the atlas; x0, y0 = -1: not placed
  short xadv;           // tenths of a pixel
  short xoff, yoff;     // rectangle with margin relative to the pen
};

struct FNTfontSlot
{
  stbtt_fontinfo font; // userdata = the owning FNTatlas (scratch allocator)
  char name[64];
  unsigned char* data;
  int dataSize;
  unsigned char freeData;
  float ascender, descender, lineh; // in font heights (ascent - descent)
  FNTglyphEntry* glyphs;
  int cglyphs, nglyphs;
  int nmeasured; // entries of glyphs without a placed bitmap
  int lut[FNT_HASH_LUT_SIZE];
  int fallbacks[FNT_MAX_FALLBACKS];
  int nfallbacks;
  FNTfaceCheck check;
  unsigned char* glyphChecks; // per glyph index: an FNTglyphCheck
};

enum FNTglyphCheck : unsigned char
{
  FNT_GLYPH_UNCHECKED = 0,
  FNT_GLYPH_DRAWABLE,
  FNT_GLYPH_DAMAGED,
  // Drawable, but its outline leaves the box in its header: its bitmap is
  // sized from the outline's own extent instead.
  FNT_GLYPH_OUTSIDE_BOX,
};

struct FNTdrawState
{
  int font;
  int align;
  float size;
  unsigned int color;
  float blur;
  float spacing;
};

struct FNTatlas
{
  FNTatlasParams params;
  float itw, ith; // 1 / width, 1 / height
  unsigned char* texData;
  int dirtyRect[4]; // empty when x0 >= x1 or y0 >= y1
  FNTfontSlot** fonts;
  int cfonts, nfonts;
  FNTskyline* atlas;
  float verts[FNT_VERTEX_COUNT * 2];
  float tcoords[FNT_VERTEX_COUNT * 2];
  unsigned int colors[FNT_VERTEX_COUNT];
  int nverts;
  unsigned char* scratch;
  int nscratch;
  FNTdrawState states[FNT_MAX_STATES];
  int nstates;
  FNTerrorCallback handleError;
  void* errorUptr;
};

// The chain of a codepoint is the low 8 bits of this hash.
unsigned int fnt__hashint(unsigned int a);

// Feeds one byte to the UTF-8 automaton. Returns the new state: 0 = *codep
// holds a complete codepoint, 12 = invalid (never left), else inside a
// sequence.
unsigned int fnt__decutf8(unsigned int* state, unsigned int* codep, unsigned int byte);

// The glyph source's failed assertions. One is float round-off and passes,
// counted here: where an edge ends just short of a pixel's side, its height
// at that side, computed from the rounded pixel it ends in, can pass its
// end by more than the 0.01 pixel the check allows (a sliver glyph some
// thousands of pixels wide does it); the coverage written is as in a
// release build. Every other one names itself on stderr and aborts.
int fnt__roundOffAsserts();

// The rasteriser's allocator: bump allocation from the atlas scratch buffer,
// rounded up to 16 bytes. When the buffer is exhausted the error callback
// hears FNT_SCRATCH_FULL and the memory comes from the heap instead;
// fnt__tmpfree releases only such heap blocks.
void* fnt__tmpalloc(size_t size, void* up);
void fnt__tmpfree(void* ptr, void* up);

// Skyline packer. fnt__atlasAddRect: 1 and the position, or 0 (also for a
// width or height of 0 or less).
FNTskyline* fnt__allocAtlas(int w, int h, int nnodes);
void fnt__deleteAtlas(FNTskyline* atlas);
int fnt__atlasAddRect(FNTskyline* atlas, int rw, int rh, int* rx, int* ry);
int fnt__atlasExpand(FNTskyline* atlas, int w, int h);
void fnt__atlasReset(FNTskyline* atlas, int w, int h);

// Fixed-point blur of a w x h block (row stride in bytes) of radius blur.
int fnt__blurAlpha(int blur);
void fnt__blur(unsigned char* dst, int w, int h, int dstStride, int blur);

// The cached glyph, rasterising and packing it first when needed; null when
// the size is below 0.2 pixels or (required bitmap) it cannot be packed. A
// glyph whose outline is damaged keeps its advance and is blank. The entry
// is valid until the next call.
FNTglyphEntry* fnt__getGlyph(FNTatlas* stash, FNTfontSlot* font, unsigned int codepoint, short isize, short iblur, int bitmapOption);
