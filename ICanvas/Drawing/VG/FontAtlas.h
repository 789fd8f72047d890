#pragma once
// The font atlas: loaded fonts, glyphs rasterised on demand into one 8-bit
// alpha pixel buffer, packed with a skyline packer and cached per font,
// codepoint, size (tenths of a pixel) and blur; UTF-8 text is turned into
// positioned glyph quads with texture coordinates into that buffer.
//
// Plain functions over an opaque atlas. Font ids count from 0; -1 means none.
// Failures are null atlases, -1 ids and 0 results. Everything runs on the
// thread that draws; an atlas is not shared between threads.

// FNTatlasParams::flags
enum FNTflags
{
  FNT_ZERO_TOPLEFT = 1,    // y grows downwards from the top-left corner
  FNT_ZERO_BOTTOMLEFT = 0, // y grows upwards from the bottom-left corner
};

// Alignment flags: one horizontal and one vertical flag, or-ed together.
enum FNTalign
{
  FNT_ALIGN_LEFT = 1,
  FNT_ALIGN_CENTER = 2,
  FNT_ALIGN_RIGHT = 4,
  FNT_ALIGN_TOP = 8,
  FNT_ALIGN_MIDDLE = 16,
  FNT_ALIGN_BOTTOM = 32,
  FNT_ALIGN_BASELINE = 64,
};

// Bitmap option of the text iterator: measuring needs no pixels, drawing does.
enum FNTglyphBitmap
{
  FNT_GLYPH_BITMAP_OPTIONAL = 1,
  FNT_GLYPH_BITMAP_REQUIRED = 2,
};

// Codes passed to the error callback.
enum FNTerrorCode
{
  FNT_ATLAS_FULL = 1,      // a glyph bitmap did not fit; value 0
  FNT_SCRATCH_FULL = 2,    // rasteriser scratch exhausted; value = fill level asked for
  FNT_STATES_OVERFLOW = 3, // push beyond the state stack; value 0
  FNT_STATES_UNDERFLOW = 4, // pop of the last state; value 0
};

// The cursor's codepoint after a step that completed no codepoint (the text
// ended inside a sequence, or an invalid sequence was met). Never a decoded
// value: the decoder yields at most 0x10FFFF.
constexpr unsigned int FNT_NO_CODEPOINT = 0xFFFFFFFFu;

struct FNTatlasParams
{
  int width, height; // pixels, 1 to 32767
  unsigned char flags; // FNTflags
  void* userPtr;       // first argument of every callback
  // Each optional (null). Nonzero results mean success.
  int (*renderCreate)(void* uptr, int width, int height);
  int (*renderResize)(void* uptr, int width, int height);
  // rect: x0, y0, x1, y1 of the changed pixels; data: the whole buffer, row
  // stride = atlas width.
  void (*renderUpdate)(void* uptr, int* rect, const unsigned char* data);
  // nverts vertices forming triangles: 2 floats per position and per
  // texture coordinate, one RGBA colour each.
  void (*renderDraw)(void* uptr, const float* verts, const float* tcoords, const unsigned int* colors, int nverts);
  void (*renderDelete)(void* uptr);
};

// One glyph: screen rectangle (x0, y0)-(x1, y1) and texture coordinates in
// 0..1 of the atlas.
struct FNTglyphQuad
{
  float x0, y0, s0, t0;
  float x1, y1, s1, t1;
};

struct FNTfontSlot;
struct FNTatlas;

// The text iterator. After fntTextIterNext returned 1: str points at the
// step's first byte, next after its last; x, y is the pen before the glyph
// and nextx, nexty after it. The quad is valid when prevGlyphIndex is not
// -1. prevGlyphIndex -1 with a real codepoint means the glyph could not be
// made (for a required bitmap: it did not fit); codepoint FNT_NO_CODEPOINT
// means the step decoded no codepoint at all.
struct FNTtextCursor
{
  float x, y, nextx, nexty, scale, spacing;
  unsigned int codepoint;
  short isize, iblur;
  FNTfontSlot* font;
  int prevGlyphIndex;
  const char* str;
  const char* next;
  const char* end;
  unsigned int utf8state;
  int bitmapOption;
};

using FNTerrorCallback = void (*)(void* uptr, int error, int value);

// Creation and size. Null on failure (bad size, allocation, create callback).
FNTatlas* fntCreateInternal(FNTatlasParams* params);
void fntDeleteInternal(FNTatlas* stash); // null ignored
void fntSetErrorCallback(FNTatlas* stash, FNTerrorCallback callback, void* uptr);
void fntGetAtlasSize(FNTatlas* stash, int* width, int* height);
// Grows the pixels keeping every glyph; sizes below the current one are
// raised to it. 1 on success.
int fntExpandAtlas(FNTatlas* stash, int width, int height);
// New empty pixels of the given size; every glyph is rasterised again on
// first use. On failure (0) the atlas is left as it was.
int fntResetAtlas(FNTatlas* stash, int width, int height);

// Fonts. fontIndex selects a face inside a font collection (0 for a single
// font). With freeData set the atlas owns data from the call on, also when
// the call fails. Names are compared exactly and keep at most 63 characters.
int fntAddFont(FNTatlas* stash, const char* name, const char* path, int fontIndex);
int fntAddFontMem(FNTatlas* stash, const char* name, unsigned char* data, int dataSize, int fontIndex, int freeData);
int fntGetFontByName(FNTatlas* stash, const char* name);
// 1 when fallback joins base's list (at most 20), else 0.
int fntAddFallbackFont(FNTatlas* stash, int base, int fallback);

// State stack (20 deep); every setter writes the top state.
void fntPushState(FNTatlas* stash);
void fntPopState(FNTatlas* stash);
void fntClearState(FNTatlas* stash);
void fntSetSize(FNTatlas* stash, float size); // pixels
void fntSetColor(FNTatlas* stash, unsigned int color);
void fntSetSpacing(FNTatlas* stash, float spacing); // pixels between glyphs
void fntSetBlur(FNTatlas* stash, float blur);       // pixels, 0 to 20
void fntSetAlign(FNTatlas* stash, int align);       // FNTalign flags
void fntSetFont(FNTatlas* stash, int font);

// Text. A null end means up to the terminating zero. Returns the pen x after
// the text (fntDrawText) or the advance (fntTextBounds, which fills bounds
// = min x, min y, max x, max y when given).
float fntDrawText(FNTatlas* stash, float x, float y, const char* str, const char* end);
float fntTextBounds(FNTatlas* stash, float x, float y, const char* str, const char* end, float* bounds);
void fntLineBounds(FNTatlas* stash, float y, float* miny, float* maxy);
void fntVertMetrics(FNTatlas* stash, float* ascender, float* descender, float* lineh);
int fntTextIterInit(FNTatlas* stash, FNTtextCursor* iter, float x, float y, const char* str, const char* end, int bitmapOption);
int fntTextIterNext(FNTatlas* stash, FNTtextCursor* iter, FNTglyphQuad* quad);

// Pixels.
const unsigned char* fntGetTextureData(FNTatlas* stash, int* width, int* height);
// 1 and the changed rectangle (x0, y0, x1, y1) when pixels changed since
// the last call; the rectangle is then cleared.
int fntValidateTexture(FNTatlas* stash, int* dirty);
void fntDrawDebug(FNTatlas* stash, float x, float y);
