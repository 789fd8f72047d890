// Text on the renderer context: the atlas state from the renderer state,
// glyph quads transformed and sent to the backend as triangles, atlas image
// growth, measuring and line breaking.

#include "VGText.h"

#include "FontAtlas.h"
#include "VGContext.h"

#include <algorithm>
#include <cstring>

namespace {

enum class CodepointType
{
  Space,
  Newline,
  Char,
  CjkChar,
};

constexpr int kHorizontalAlign = VG_ALIGN_LEFT | VG_ALIGN_CENTER | VG_ALIGN_RIGHT;
constexpr int kVerticalAlign = VG_ALIGN_TOP | VG_ALIGN_MIDDLE | VG_ALIGN_BOTTOM | VG_ALIGN_BASELINE;

float Quantize(float a, float d) { return static_cast<int>(a / d + 0.5f) * d; }

// Glyphs are rasterised at the scale they appear at, up to 4 times (also
// for a transform of no finite scale).
float FontScale(const VGdrawState* state)
{
  const float s = vg__getAverageScale(state->xform);
  return s < 4.0f ? Quantize(s, 0.01f) : 4.0f;
}

// The current state with a usable font, or null.
VGdrawState* TextState(VGcontext* ctx)
{
  if (!ctx || !ctx->fs)
    return nullptr;
  VGdrawState* state = vg__getState(ctx);
  return state->fontId == -1 ? nullptr : state;
}

// Copies the renderer's text state into the atlas; returns the text scale.
float SetAtlasState(VGcontext* ctx, const VGdrawState* state)
{
  const float scale = FontScale(state) * ctx->devicePxRatio;
  fntSetSize(ctx->fs, state->fontSize * scale);
  fntSetSpacing(ctx->fs, state->letterSpacing * scale);
  fntSetBlur(ctx->fs, state->fontBlur * scale);
  fntSetAlign(ctx->fs, state->textAlign);
  fntSetFont(ctx->fs, state->fontId);
  return scale;
}

// The step met a real codepoint whose glyph could not be made at a drawable
// size: only then can a bigger atlas help.
bool GlyphFailed(const FNTtextCursor& iter)
{
  return iter.prevGlyphIndex == -1 && iter.codepoint != FNT_NO_CODEPOINT && iter.isize >= 2;
}

void FlushTextTexture(VGcontext* ctx)
{
  int dirty[4];
  if (!fntValidateTexture(ctx->fs, dirty))
    return;
  const int fontImage = ctx->fontImages[ctx->fontImageIdx];
  if (fontImage == 0 || !ctx->params.renderUpdateTexture)
    return;
  int iw, ih;
  const unsigned char* data = fntGetTextureData(ctx->fs, &iw, &ih);
  ctx->params.renderUpdateTexture(ctx->params.userPtr, fontImage, dirty[0], dirty[1], dirty[2] - dirty[0],
                                  dirty[3] - dirty[1], data);
}

// Moves to the next, larger atlas image; the atlas starts empty at its size.
bool AllocTextAtlas(VGcontext* ctx)
{
  FlushTextTexture(ctx);
  if (ctx->fontImageIdx >= VG_MAX_FONTIMAGES - 1)
    return false;
  int iw = 0, ih = 0;
  const int next = ctx->fontImageIdx + 1;
  if (ctx->fontImages[next] != 0)
  {
    vgImageSize(ctx, ctx->fontImages[next], &iw, &ih);
  }
  else
  {
    vgImageSize(ctx, ctx->fontImages[ctx->fontImageIdx], &iw, &ih);
    if (iw > ih)
      ih *= 2;
    else
      iw *= 2;
    if (iw > VG_MAX_FONTIMAGE_SIZE || ih > VG_MAX_FONTIMAGE_SIZE)
      iw = ih = VG_MAX_FONTIMAGE_SIZE;
    ctx->fontImages[next] = ctx->params.renderCreateTexture(ctx->params.userPtr, VG_TEXTURE_ALPHA, iw, ih, 0, nullptr);
    if (ctx->fontImages[next] == 0)
      return false;
  }
  if (!fntResetAtlas(ctx->fs, iw, ih))
    return false; // the atlas and the current image stay as they were
  ctx->fontImageIdx = next;
  return true;
}

void RenderText(VGcontext* ctx, VGvertex* verts, int nverts)
{
  VGdrawState* state = vg__getState(ctx);
  VGpaint paint = state->fill;
  paint.image = ctx->fontImages[ctx->fontImageIdx];
  paint.innerColor.a *= state->alpha;
  paint.outerColor.a *= state->alpha;
  if (ctx->params.renderTriangles)
    ctx->params.renderTriangles(ctx->params.userPtr, &paint, state->compositeOperation, &state->scissor, verts, nverts,
                                ctx->fringeWidth);
  ctx->drawCallCount++;
  ctx->textTriCount += nverts / 3;
}

const char* TextEnd(const char* string, const char* end) { return end ? end : string + strlen(string); }

// A horizontal offset of a row of width w in a box of breakRowWidth; the
// first horizontal flag counts, none means left.
float RowOffset(int halign, float breakRowWidth, float w)
{
  if (halign & VG_ALIGN_LEFT)
    return 0.0f;
  if (halign & VG_ALIGN_CENTER)
    return breakRowWidth * 0.5f - w * 0.5f;
  if (halign & VG_ALIGN_RIGHT)
    return breakRowWidth - w;
  return 0.0f;
}

CodepointType Classify(unsigned int cp, unsigned int prev)
{
  switch (cp)
  {
    case 9:
    case 11:
    case 12:
    case 32:
    case 0xA0:
      return CodepointType::Space;
    case 10:
      return prev == 13 ? CodepointType::Space : CodepointType::Newline;
    case 13:
      return prev == 10 ? CodepointType::Space : CodepointType::Newline;
    case 0x85:
      return CodepointType::Newline;
    default:
      break;
  }
  if ((cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0x3000 && cp <= 0x30FF) || (cp >= 0xFF00 && cp <= 0xFFEF)
      || (cp >= 0x1100 && cp <= 0x11FF) || (cp >= 0x3130 && cp <= 0x318F) || (cp >= 0xAC00 && cp <= 0xD7AF))
    return CodepointType::CjkChar;
  return CodepointType::Char;
}

// Steps the iterator; when the glyph could not be made, grows the atlas
// image and steps again from the copy taken before. False when the text
// has ended, or when growing failed and stopOnFailedGrowth is set.
bool NextGlyph(VGcontext* ctx, FNTtextCursor& iter, FNTtextCursor& prevIter, FNTglyphQuad& q, bool stopOnFailedGrowth,
               VGvertex* verts, int* nverts)
{
  if (!fntTextIterNext(ctx->fs, &iter, &q))
    return false;
  if (GlyphFailed(iter))
  {
    if (nverts && *nverts != 0)
    {
      FlushTextTexture(ctx);
      RenderText(ctx, verts, *nverts);
      *nverts = 0;
    }
    if (AllocTextAtlas(ctx))
    {
      iter = prevIter;
      fntTextIterNext(ctx->fs, &iter, &q);
      if (stopOnFailedGrowth && GlyphFailed(iter))
        return false;
    }
    else if (stopOnFailedGrowth)
    {
      return false;
    }
  }
  prevIter = iter;
  return true;
}

// Breaks string into rows of at most breakRowWidth and calls row(line, dx,
// y) for each: dx places the row for the horizontal alignment, y steps by
// the line height. Rows are broken left-aligned; the alignment is restored.
template <typename RowFn>
void ForEachBoxRow(VGcontext* ctx, VGdrawState* state, float y, float breakRowWidth, const char* string,
                   const char* end, RowFn&& row)
{
  const int oldAlign = state->textAlign;
  const int halign = oldAlign & kHorizontalAlign;
  float lineh = 0.0f;
  vgTextMetrics(ctx, nullptr, nullptr, &lineh);
  state->textAlign = VG_ALIGN_LEFT | (oldAlign & kVerticalAlign);

  VGtextLine rows[2];
  int nrows;
  while ((nrows = vgTextBreakLines(ctx, string, end, breakRowWidth, rows, 2)) > 0)
  {
    for (int i = 0; i < nrows; i++)
    {
      row(rows[i], RowOffset(halign, breakRowWidth, rows[i].width), y);
      y += lineh * state->lineHeight;
    }
    string = rows[nrows - 1].next;
  }
  state->textAlign = oldAlign;
}

} // namespace

// ---- Fonts ------------------------------------------------------------------

int vgCreateFont(VGcontext* ctx, const char* name, const char* filename)
{
  return vgCreateFontFace(ctx, name, filename, 0);
}

int vgCreateFontFace(VGcontext* ctx, const char* name, const char* filename, int faceIndex)
{
  return ctx && ctx->fs ? fntAddFont(ctx->fs, name, filename, faceIndex) : -1;
}

int vgCreateFontMem(VGcontext* ctx, const char* name, unsigned char* data, int ndata, int freeData)
{
  return vgCreateFontFaceMem(ctx, name, data, ndata, 0, freeData);
}

int vgCreateFontFaceMem(VGcontext* ctx, const char* name, unsigned char* data, int ndata, int faceIndex, int freeData)
{
  // fntAddFontMem takes ownership of data with freeData even when refusing.
  return fntAddFontMem(ctx ? ctx->fs : nullptr, name, data, ndata, faceIndex, freeData);
}

int vgFindFont(VGcontext* ctx, const char* name)
{
  if (!name || !ctx)
    return -1;
  return fntGetFontByName(ctx->fs, name);
}

int vgAddFallbackFontId(VGcontext* ctx, int baseFont, int fallbackFont)
{
  if (!ctx || baseFont == -1 || fallbackFont == -1)
    return 0;
  return fntAddFallbackFont(ctx->fs, baseFont, fallbackFont);
}

int vgAddFallbackFont(VGcontext* ctx, const char* baseFont, const char* fallbackFont)
{
  return vgAddFallbackFontId(ctx, vgFindFont(ctx, baseFont), vgFindFont(ctx, fallbackFont));
}

// ---- State ------------------------------------------------------------------

void vgFontSize(VGcontext* ctx, float size) { vg__getState(ctx)->fontSize = size; }
void vgFontBlur(VGcontext* ctx, float blur) { vg__getState(ctx)->fontBlur = blur; }
void vgTextLetterSpacing(VGcontext* ctx, float spacing) { vg__getState(ctx)->letterSpacing = spacing; }
void vgTextLineHeight(VGcontext* ctx, float lineHeight) { vg__getState(ctx)->lineHeight = lineHeight; }
void vgTextAlign(VGcontext* ctx, int align) { vg__getState(ctx)->textAlign = align; }
void vgFontFaceId(VGcontext* ctx, int font) { vg__getState(ctx)->fontId = font; }
void vgFontFace(VGcontext* ctx, const char* font) { vg__getState(ctx)->fontId = fntGetFontByName(ctx->fs, font); }

// ---- Drawing ----------------------------------------------------------------

float vgText(VGcontext* ctx, float x, float y, const char* string, const char* end)
{
  VGdrawState* state = TextState(ctx);
  if (!state || !string)
    return x;
  end = TextEnd(string, end);
  const float scale = SetAtlasState(ctx, state);
  const float invscale = 1.0f / scale;

  const int cverts = std::max(2, static_cast<int>(end - string)) * 6;
  VGvertex* verts = vg__allocTempVerts(ctx, cverts);
  if (!verts)
    return x;

  FNTtextCursor iter, prevIter;
  if (!fntTextIterInit(ctx->fs, &iter, x * scale, y * scale, string, end, FNT_GLYPH_BITMAP_REQUIRED))
    return x;
  prevIter = iter;
  FNTglyphQuad q;
  int nverts = 0;
  while (NextGlyph(ctx, iter, prevIter, q, true, verts, &nverts))
  {
    if (iter.prevGlyphIndex == -1)
      continue; // nothing to draw for this step
    float c[8];
    vgTransformPoint(&c[0], &c[1], state->xform, q.x0 * invscale, q.y0 * invscale);
    vgTransformPoint(&c[2], &c[3], state->xform, q.x1 * invscale, q.y0 * invscale);
    vgTransformPoint(&c[4], &c[5], state->xform, q.x1 * invscale, q.y1 * invscale);
    vgTransformPoint(&c[6], &c[7], state->xform, q.x0 * invscale, q.y1 * invscale);
    if (nverts + 6 <= cverts)
    {
      vg__vset(&verts[nverts++], c[0], c[1], q.s0, q.t0);
      vg__vset(&verts[nverts++], c[4], c[5], q.s1, q.t1);
      vg__vset(&verts[nverts++], c[2], c[3], q.s1, q.t0);
      vg__vset(&verts[nverts++], c[0], c[1], q.s0, q.t0);
      vg__vset(&verts[nverts++], c[6], c[7], q.s0, q.t1);
      vg__vset(&verts[nverts++], c[4], c[5], q.s1, q.t1);
    }
  }
  FlushTextTexture(ctx);
  RenderText(ctx, verts, nverts);
  return iter.nextx / scale;
}

void vgTextBox(VGcontext* ctx, float x, float y, float breakRowWidth, const char* string, const char* end)
{
  VGdrawState* state = TextState(ctx);
  if (!state || !string)
    return;
  ForEachBoxRow(ctx, state, y, breakRowWidth, string, TextEnd(string, end),
                [&](const VGtextLine& line, float dx, float rowY) { vgText(ctx, x + dx, rowY, line.start, line.end); });
}

// ---- Measuring --------------------------------------------------------------

float vgTextBounds(VGcontext* ctx, float x, float y, const char* string, const char* end, float* bounds)
{
  VGdrawState* state = TextState(ctx);
  if (!state || !string)
    return 0.0f;
  const float scale = SetAtlasState(ctx, state);
  const float invscale = 1.0f / scale;
  float ink[4];
  const float width = fntTextBounds(ctx->fs, x * scale, y * scale, string, end, ink);
  // The line's height, not the ink's, so rows of text line up.
  float miny = 1.0f, maxy = 0.0f;
  fntLineBounds(ctx->fs, y * scale, &miny, &maxy);
  if (maxy < miny)
    return 0.0f; // untouched: the atlas has no such font
  if (bounds)
  {
    bounds[0] = ink[0] * invscale;
    bounds[1] = miny * invscale;
    bounds[2] = ink[2] * invscale;
    bounds[3] = maxy * invscale;
  }
  return width * invscale;
}

void vgTextBoxBounds(VGcontext* ctx, float x, float y, float breakRowWidth, const char* string, const char* end,
                     float* bounds)
{
  VGdrawState* state = TextState(ctx);
  if (!state || !string)
  {
    if (bounds)
      bounds[0] = bounds[1] = bounds[2] = bounds[3] = 0.0f;
    return;
  }
  // A row's height is the line's, which depends on the vertical alignment only.
  const float invscale = 1.0f / SetAtlasState(ctx, state);
  float rminy = 0.0f, rmaxy = 0.0f;
  fntLineBounds(ctx->fs, 0.0f, &rminy, &rmaxy);
  rminy *= invscale;
  rmaxy *= invscale;

  float minx = x, maxx = x, miny = y, maxy = y;
  ForEachBoxRow(ctx, state, y, breakRowWidth, string, TextEnd(string, end),
                [&](const VGtextLine& line, float dx, float rowY) {
                  minx = std::min(minx, x + line.minx + dx);
                  maxx = std::max(maxx, x + line.maxx + dx);
                  miny = std::min(miny, rowY + rminy);
                  maxy = std::max(maxy, rowY + rmaxy);
                });
  if (bounds)
  {
    bounds[0] = minx;
    bounds[1] = miny;
    bounds[2] = maxx;
    bounds[3] = maxy;
  }
}

void vgTextMetrics(VGcontext* ctx, float* ascender, float* descender, float* lineh)
{
  VGdrawState* state = TextState(ctx);
  if (!state)
    return;
  const float invscale = 1.0f / SetAtlasState(ctx, state);
  float a = 0.0f, d = 0.0f, l = -1.0f;
  fntVertMetrics(ctx->fs, &a, &d, &l);
  if (l < 0.0f)
    return; // untouched: the atlas has no such font
  if (ascender)
    *ascender = a * invscale;
  if (descender)
    *descender = d * invscale;
  if (lineh)
    *lineh = l * invscale;
}

int vgTextGlyphPositions(VGcontext* ctx, float x, float y, const char* string, const char* end,
                         VGglyphPlace* positions, int maxPositions)
{
  VGdrawState* state = TextState(ctx);
  if (!state || !string || !positions || maxPositions <= 0)
    return 0;
  end = TextEnd(string, end);
  if (string == end)
    return 0;
  const float scale = SetAtlasState(ctx, state);
  const float invscale = 1.0f / scale;

  FNTtextCursor iter, prevIter;
  if (!fntTextIterInit(ctx->fs, &iter, x * scale, y * scale, string, end, FNT_GLYPH_BITMAP_OPTIONAL))
    return 0;
  prevIter = iter;
  FNTglyphQuad q;
  int npos = 0;
  while (npos < maxPositions && NextGlyph(ctx, iter, prevIter, q, true, nullptr, nullptr))
  {
    if (iter.codepoint == FNT_NO_CODEPOINT)
      continue;
    positions[npos].str = iter.str;
    positions[npos].x = iter.x * invscale;
    positions[npos].minx = std::min(iter.x, q.x0) * invscale;
    positions[npos].maxx = std::max(iter.nextx, q.x1) * invscale;
    npos++;
  }
  return npos;
}

int vgTextBreakLines(VGcontext* ctx, const char* string, const char* end, float breakRowWidth, VGtextLine* rows,
                     int maxRows)
{
  VGdrawState* state = TextState(ctx);
  if (!state || !string || !rows || maxRows <= 0)
    return 0;
  end = TextEnd(string, end);
  if (string == end)
    return 0;
  const float scale = SetAtlasState(ctx, state);
  const float invscale = 1.0f / scale;
  breakRowWidth *= scale;

  FNTtextCursor iter, prevIter;
  if (!fntTextIterInit(ctx->fs, &iter, 0, 0, string, end, FNT_GLYPH_BITMAP_OPTIONAL))
    return 0;
  prevIter = iter;

  int nrows = 0;
  const char* rowStart = nullptr;
  const char* rowEnd = nullptr;
  float rowStartX = 0, rowWidth = 0, rowMinX = 0, rowMaxX = 0;
  const char* wordStart = nullptr;
  float wordStartX = 0, wordMinX = 0; // wordMinX: absolute quad x0 of the word's first glyph
  const char* breakEnd = nullptr;
  float breakWidth = 0, breakMaxX = 0;
  CodepointType ptype = CodepointType::Space;
  unsigned int pcodepoint = 0;

  auto emit = [&](const char* start, const char* stop, float width, float minx, float maxx, const char* next) {
    rows[nrows] = {start, stop, next, width * invscale, minx * invscale, maxx * invscale};
    return ++nrows >= maxRows;
  };
  auto startRow = [&](const char* start, float startX, float minX, const FNTtextCursor& it, const FNTglyphQuad& quad) {
    rowStart = start;
    rowStartX = startX;
    rowEnd = it.next;
    rowWidth = it.nextx - rowStartX;
    rowMinX = minX - rowStartX;
    rowMaxX = quad.x1 - rowStartX;
    wordStart = start;
    wordStartX = startX;
    wordMinX = minX;
    breakEnd = rowStart;
    breakWidth = 0.0f;
    breakMaxX = 0.0f;
  };

  FNTglyphQuad q;
  while (NextGlyph(ctx, iter, prevIter, q, false, nullptr, nullptr))
  {
    if (iter.codepoint == FNT_NO_CODEPOINT)
      continue;
    const CodepointType type = Classify(iter.codepoint, pcodepoint);
    const bool visible = type == CodepointType::Char || type == CodepointType::CjkChar;

    if (type == CodepointType::Newline)
    {
      if (emit(rowStart ? rowStart : iter.str, rowStart ? rowEnd : iter.str, rowWidth, rowMinX, rowMaxX, iter.next))
        return nrows;
      breakEnd = rowStart;
      breakWidth = 0.0f;
      breakMaxX = 0.0f;
      rowStart = nullptr;
      rowEnd = nullptr;
      rowWidth = rowMinX = rowMaxX = 0.0f;
    }
    else if (!rowStart)
    {
      if (visible) // spaces before a row's first character are skipped
        startRow(iter.str, iter.x, q.x0, iter, q);
    }
    else
    {
      const float nextWidth = iter.nextx - rowStartX;
      const float widthBefore = rowWidth, maxXBefore = rowMaxX;
      const bool prevVisible = ptype == CodepointType::Char || ptype == CodepointType::CjkChar;
      // A break point before this glyph, measured on the row without it.
      if ((prevVisible && type == CodepointType::Space) || type == CodepointType::CjkChar)
      {
        breakEnd = iter.str;
        breakWidth = widthBefore;
        breakMaxX = maxXBefore;
      }
      if (visible)
      {
        rowEnd = iter.next;
        rowWidth = iter.nextx - rowStartX;
        rowMaxX = q.x1 - rowStartX;
      }
      if ((ptype == CodepointType::Space && visible) || type == CodepointType::CjkChar)
      {
        wordStart = iter.str;
        wordStartX = iter.x;
        wordMinX = q.x0;
      }
      if (visible && nextWidth > breakRowWidth)
      {
        if (breakEnd == rowStart)
        {
          // No break point inside the row: split the word at this glyph.
          if (emit(rowStart, iter.str, widthBefore, rowMinX, maxXBefore, iter.str))
            return nrows;
          startRow(iter.str, iter.x, q.x0, iter, q);
        }
        else
        {
          if (emit(rowStart, breakEnd, breakWidth, rowMinX, breakMaxX, wordStart))
            return nrows;
          startRow(wordStart, wordStartX, wordMinX, iter, q);
        }
      }
    }
    ptype = type;
    pcodepoint = iter.codepoint;
  }

  if (rowStart)
    emit(rowStart, rowEnd, rowWidth, rowMinX, rowMaxX, end);
  return nrows;
}
