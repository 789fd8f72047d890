#pragma once
// Text on the renderer context: fonts, text state, drawing, measuring, glyph
// positions and line breaking, over the context's font atlas. Text is UTF-8;
// an end pointer of null means up to the terminating zero. With no font
// (font id -1) every call returns its neutral result: x for vgText, 0 rows,
// 0 widths, nothing written. Main thread only.

#include "VGRenderer.h"

// A row of broken text.
struct VGtextLine
{
  const char* start; // first character
  const char* end;   // one past the last visible character
  const char* next;  // where the next row starts
  float width;       // advance of the row
  float minx, maxx;  // ink extent relative to the row's start
};

// Position of one glyph.
struct VGglyphPlace
{
  const char* str; // the glyph's first byte
  float x;         // pen position
  float minx, maxx; // horizontal extent
};

// Fonts: the id, or -1. faceIndex selects a font inside a collection. With
// freeData set the atlas owns data from the call on, also on failure.
int vgCreateFont(VGcontext* ctx, const char* name, const char* filename);
int vgCreateFontFace(VGcontext* ctx, const char* name, const char* filename, int faceIndex);
int vgCreateFontMem(VGcontext* ctx, const char* name, unsigned char* data, int ndata, int freeData);
int vgCreateFontFaceMem(VGcontext* ctx, const char* name, unsigned char* data, int ndata, int faceIndex, int freeData);
int vgFindFont(VGcontext* ctx, const char* name);
// 1 when the fallback joined the base font's list, else 0.
int vgAddFallbackFontId(VGcontext* ctx, int baseFont, int fallbackFont);
int vgAddFallbackFont(VGcontext* ctx, const char* baseFont, const char* fallbackFont);

// Text state of the top of the state stack.
void vgFontSize(VGcontext* ctx, float size);       // pixels
void vgFontBlur(VGcontext* ctx, float blur);       // pixels
void vgTextLetterSpacing(VGcontext* ctx, float spacing);
void vgTextLineHeight(VGcontext* ctx, float lineHeight); // factor of the font's line height
void vgTextAlign(VGcontext* ctx, int align);       // VGalign flags
void vgFontFaceId(VGcontext* ctx, int font);
void vgFontFace(VGcontext* ctx, const char* font); // -1 when not found

// Draws with the fill paint; returns the pen x after the text.
float vgText(VGcontext* ctx, float x, float y, const char* string, const char* end);
// Rows of at most breakRowWidth, one line height apart.
void vgTextBox(VGcontext* ctx, float x, float y, float breakRowWidth, const char* string, const char* end);

// The advance; bounds (min x, min y, max x, max y) when given.
float vgTextBounds(VGcontext* ctx, float x, float y, const char* string, const char* end, float* bounds);
void vgTextBoxBounds(VGcontext* ctx, float x, float y, float breakRowWidth, const char* string, const char* end,
                     float* bounds);
void vgTextMetrics(VGcontext* ctx, float* ascender, float* descender, float* lineh); // each may be null
// Up to maxPositions glyphs; returns how many were written.
int vgTextGlyphPositions(VGcontext* ctx, float x, float y, const char* string, const char* end,
                         VGglyphPlace* positions, int maxPositions);
// Up to maxRows rows; continue at the last row's next for more.
int vgTextBreakLines(VGcontext* ctx, const char* string, const char* end, float breakRowWidth, VGtextLine* rows,
                     int maxRows);
