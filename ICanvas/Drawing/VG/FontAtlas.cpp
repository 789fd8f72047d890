// The font atlas. stb_truetype is compiled here, privately (static
// functions), with the atlas's scratch buffer as its allocator.

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#define STBTT_STATIC
#define STBTT_malloc(x, u) fnt__tmpalloc(x, u)
#define STBTT_free(x, u) fnt__tmpfree(x, u)
#include "FontAtlasDetail.h"

// The declarations came through FontAtlasDetail.h; this second inclusion
// adds the implementation.
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb/stb_truetype.h>

namespace {

constexpr int kWhiteRectSize = 2;

int MinI(int a, int b) { return a < b ? a : b; }
int MaxI(int a, int b) { return a > b ? a : b; }

short ClampShort(float v) { return static_cast<short>(v < -32768.0f ? -32768.0f : (v > 32767.0f ? 32767.0f : v)); }

bool ValidSide(int side) { return side > 0 && side <= FNT_MAX_ATLAS_SIDE; }

FNTdrawState* TopState(FNTatlas* stash) { return &stash->states[stash->nstates - 1]; }

void ResetDirty(FNTatlas* stash)
{
  stash->dirtyRect[0] = stash->params.width;
  stash->dirtyRect[1] = stash->params.height;
  stash->dirtyRect[2] = 0;
  stash->dirtyRect[3] = 0;
}

bool DirtyIsEmpty(const FNTatlas* stash)
{
  return stash->dirtyRect[0] >= stash->dirtyRect[2] || stash->dirtyRect[1] >= stash->dirtyRect[3];
}

void GrowDirty(FNTatlas* stash, int x0, int y0, int x1, int y1)
{
  stash->dirtyRect[0] = MinI(stash->dirtyRect[0], x0);
  stash->dirtyRect[1] = MinI(stash->dirtyRect[1], y0);
  stash->dirtyRect[2] = MaxI(stash->dirtyRect[2], x1);
  stash->dirtyRect[3] = MaxI(stash->dirtyRect[3], y1);
}

void SetSizeFields(FNTatlas* stash, int width, int height)
{
  stash->params.width = width;
  stash->params.height = height;
  stash->itw = 1.0f / width;
  stash->ith = 1.0f / height;
}

// ---- Glyph pixels -----------------------------------------------------------

void AddWhiteRect(FNTatlas* stash, int w, int h)
{
  int gx, gy;
  if (!fnt__atlasAddRect(stash->atlas, w, h, &gx, &gy))
    return;
  unsigned char* dst = &stash->texData[gx + gy * stash->params.width];
  for (int y = 0; y < h; y++, dst += stash->params.width)
    memset(dst, 0xff, w);
  GrowDirty(stash, gx, gy, gx + w, gy + h);
}

// One direction of the blur: a forward and a backward exponential filter
// along each of `lines` lines of n pixels; the end pixels become 0.
void BlurLines(unsigned char* dst, int lines, int lineStep, int n, int pixelStep, int alpha)
{
  for (int l = 0; l < lines; l++, dst += lineStep)
  {
    int z = 0;
    for (int i = 1; i < n; i++)
    {
      unsigned char& p = dst[i * pixelStep];
      z += (alpha * ((static_cast<int>(p) << 7) - z)) >> 16;
      p = static_cast<unsigned char>(z >> 7);
    }
    dst[(n - 1) * pixelStep] = 0;
    z = 0;
    for (int i = n - 2; i >= 0; i--)
    {
      unsigned char& p = dst[i * pixelStep];
      z += (alpha * ((static_cast<int>(p) << 7) - z)) >> 16;
      p = static_cast<unsigned char>(z >> 7);
    }
    dst[0] = 0;
  }
}

void FreeFont(FNTfontSlot* font)
{
  if (!font)
    return;
  if (font->freeData)
    free(font->data);
  free(font->glyphChecks);
  free(font->glyphs);
  free(font);
}

int AllocFont(FNTatlas* stash)
{
  if (!FntReserveOne(stash->fonts, stash->nfonts, stash->cfonts))
    return -1;
  auto* font = static_cast<FNTfontSlot*>(calloc(1, sizeof(FNTfontSlot)));
  if (!font)
    return -1;
  font->glyphs = static_cast<FNTglyphEntry*>(malloc(sizeof(FNTglyphEntry) * FNT_INIT_GLYPHS));
  if (!font->glyphs)
  {
    free(font);
    return -1;
  }
  font->cglyphs = FNT_INIT_GLYPHS;
  stash->fonts[stash->nfonts++] = font;
  return stash->nfonts - 1;
}

// Drops every entry without a placed bitmap, keeping the others' chains.
void DropMeasuredGlyphs(FNTfontSlot* font)
{
  for (int& entry : font->lut)
    entry = -1;
  int kept = 0;
  for (int i = 0; i < font->nglyphs; i++)
  {
    FNTglyphEntry& g = font->glyphs[i];
    if (g.x0 < 0)
      continue;
    const unsigned int h = fnt__hashint(g.codepoint) & (FNT_HASH_LUT_SIZE - 1);
    g.next = font->lut[h];
    font->lut[h] = kept;
    font->glyphs[kept++] = g;
  }
  font->nglyphs = kept;
  font->nmeasured = 0;
}

FNTglyphEntry* AllocGlyph(FNTfontSlot* font)
{
  if (!FntReserveOne(font->glyphs, font->nglyphs, font->cglyphs))
    return nullptr;
  font->nglyphs++;
  return &font->glyphs[font->nglyphs - 1];
}

// The font's glyph for a codepoint, 0 (the missing glyph) when the font
// has none or maps it past its last glyph.
int GlyphIndex(const FNTfontSlot* font, unsigned int codepoint)
{
  const int g = stbtt_FindGlyphIndex(&font->font, static_cast<int>(codepoint));
  return g > 0 && g < font->check.numGlyphs ? g : 0;
}

// The box of a drawable glyph's outline in font units (y up): its points
// and its curves' control points, which bound the curves. False when it has
// no points. The scratch the shape takes is given back.
bool OutlineExtent(const FNTfontSlot* font, int g, int box[4])
{
  auto* stash = static_cast<FNTatlas*>(font->font.userdata);
  const int scratchLevel = stash->nscratch;
  stbtt_vertex* v = nullptr;
  const int n = stbtt_GetGlyphShape(&font->font, g, &v);
  int points = 0;
  auto include = [&](int x, int y) {
    if (points++ == 0)
    {
      box[0] = box[2] = x, box[1] = box[3] = y;
      return;
    }
    box[0] = MinI(box[0], x), box[1] = MinI(box[1], y), box[2] = MaxI(box[2], x), box[3] = MaxI(box[3], y);
  };
  for (int i = 0; i < n; i++)
  {
    include(v[i].x, v[i].y);
    if (v[i].type == STBTT_vcurve || v[i].type == STBTT_vcubic)
      include(v[i].cx, v[i].cy);
    if (v[i].type == STBTT_vcubic)
      include(v[i].cx1, v[i].cy1);
  }
  stbtt_FreeShape(&font->font, v);
  stash->nscratch = scratchLevel;
  return points > 0;
}

// How the glyph's outline may be read; judged on first use. The rasteriser
// asserts that no edge lies above the bitmap it is given, so an outline
// that leaves its header's box is told apart from one inside it.
FNTglyphCheck GlyphVerdict(FNTfontSlot* font, int g)
{
  unsigned char& verdict = font->glyphChecks[g];
  if (verdict == FNT_GLYPH_UNCHECKED)
  {
    verdict = FNT_GLYPH_DAMAGED;
    int header[4], outline[4];
    if (fnt__checkGlyph(&font->check, font->data, g))
    {
      const bool leaves = stbtt_GetGlyphBox(&font->font, g, &header[0], &header[1], &header[2], &header[3])
                          && OutlineExtent(font, g, outline)
                          && (outline[0] < header[0] || outline[1] < header[1] || outline[2] > header[2]
                              || outline[3] > header[3]);
      verdict = leaves ? FNT_GLYPH_OUTSIDE_BOX : FNT_GLYPH_DRAWABLE;
    }
  }
  return static_cast<FNTglyphCheck>(verdict);
}

// The glyph's bitmap box in pixels (x0, y0, x1, y1, y down) at the scale:
// from its header's box as the glyph source computes it, from its
// outline's extent when that leaves the header's box, empty when damaged.
void BitmapBox(const FNTfontSlot* font, int g, FNTglyphCheck verdict, float scale, int box[4])
{
  box[0] = box[1] = box[2] = box[3] = 0;
  int outline[4];
  if (verdict == FNT_GLYPH_DRAWABLE)
  {
    stbtt_GetGlyphBitmapBox(&font->font, g, scale, scale, &box[0], &box[1], &box[2], &box[3]);
  }
  else if (verdict == FNT_GLYPH_OUTSIDE_BOX && OutlineExtent(font, g, outline))
  {
    box[0] = static_cast<int>(floor(outline[0] * scale));
    box[1] = static_cast<int>(floor(-outline[3] * scale));
    box[2] = static_cast<int>(ceil(outline[2] * scale));
    box[3] = static_cast<int>(ceil(-outline[1] * scale));
  }
}

// Rasterises a drawable glyph into w x h pixels at dst (row stride in
// bytes) whose top left is the corner (box[0], box[1]) of its bitmap box.
void RasteriseGlyph(const FNTfontSlot* font, int g, float scale, const int box[4], unsigned char* dst, int w, int h,
                    int stride)
{
  if (w <= 0 || h <= 0)
    return;
  stbtt_vertex* v = nullptr;
  const int n = stbtt_GetGlyphShape(&font->font, g, &v);
  stbtt__bitmap bitmap{w, h, stride, dst};
  stbtt_Rasterize(&bitmap, 0.35f, v, n, scale, scale, 0.0f, 0.0f, box[0], box[1], 1, font->font.userdata);
  stbtt_FreeShape(&font->font, v);
}

// ---- Layout -----------------------------------------------------------------

bool PenUsable(float v) { return v >= -FNT_MAX_PEN && v <= FNT_MAX_PEN; }

// Whole pixels of a pen position or step, which stops at FNT_MAX_PEN.
int PenPixels(float v)
{
  if (!(v > -FNT_MAX_PEN))
    return static_cast<int>(-FNT_MAX_PEN);
  return static_cast<int>(v < FNT_MAX_PEN ? v : FNT_MAX_PEN);
}

void GetQuad(FNTatlas* stash, FNTfontSlot* font, int prevGlyphIndex, const FNTglyphEntry* glyph, float scale,
             float spacing, float* x, float* y, FNTglyphQuad* q)
{
  if (prevGlyphIndex != -1)
  {
    const float adv = stbtt_GetGlyphKernAdvance(&font->font, prevGlyphIndex, glyph->index) * scale;
    *x += PenPixels(adv + spacing + 0.5f);
  }
  // Inset by one pixel: the outermost frame of every glyph is blank.
  const float xoff = static_cast<float>(glyph->xoff + 1);
  const float yoff = static_cast<float>(glyph->yoff + 1);
  const float x0 = static_cast<float>(glyph->x0 + 1);
  const float y0 = static_cast<float>(glyph->y0 + 1);
  const float x1 = static_cast<float>(glyph->x1 - 1);
  const float y1 = static_cast<float>(glyph->y1 - 1);
  const float rx = static_cast<float>(PenPixels(*x + xoff));
  if (stash->params.flags & FNT_ZERO_TOPLEFT)
  {
    const float ry = static_cast<float>(PenPixels(*y + yoff));
    q->y0 = ry;
    q->y1 = ry + y1 - y0;
  }
  else
  {
    const float ry = static_cast<float>(PenPixels(*y - yoff));
    q->y0 = ry;
    q->y1 = ry - y1 + y0;
  }
  q->x0 = rx;
  q->x1 = rx + x1 - x0;
  q->s0 = x0 * stash->itw;
  q->t0 = y0 * stash->ith;
  q->s1 = x1 * stash->itw;
  q->t1 = y1 * stash->ith;
  *x += static_cast<int>(glyph->xadv / 10.0f + 0.5f);
  *x = *x < -FNT_MAX_PEN ? -FNT_MAX_PEN : (*x > FNT_MAX_PEN ? FNT_MAX_PEN : *x);
}

float VertAlign(const FNTatlas* stash, const FNTfontSlot* font, int align, short isize)
{
  float offset = 0.0f;
  if (align & FNT_ALIGN_TOP)
    offset = font->ascender * isize / 10.0f;
  else if (align & FNT_ALIGN_MIDDLE)
    offset = (font->ascender + font->descender) / 2.0f * isize / 10.0f;
  else if (align & FNT_ALIGN_BASELINE)
    offset = 0.0f;
  else if (align & FNT_ALIGN_BOTTOM)
    offset = font->descender * isize / 10.0f;
  return (stash->params.flags & FNT_ZERO_TOPLEFT) ? offset : -offset;
}

// Size in tenths of a pixel; sizes beyond the largest a short holds are
// rendered at that largest size.
short SizeTenths(float size)
{
  const float tenths = size * 10.0f;
  if (!(tenths > 0.0f))
    return 0;
  return tenths >= 32767.0f ? static_cast<short>(32767) : static_cast<short>(tenths);
}

short BlurPixels(float blur)
{
  if (!(blur > 0.0f))
    return 0;
  return blur >= FNT_MAX_BLUR ? static_cast<short>(FNT_MAX_BLUR) : static_cast<short>(blur);
}

FNTfontSlot* CurrentFont(FNTatlas* stash)
{
  if (!stash)
    return nullptr;
  const FNTdrawState* state = TopState(stash);
  if (state->font < 0 || state->font >= stash->nfonts)
    return nullptr;
  FNTfontSlot* font = stash->fonts[state->font];
  return font->data ? font : nullptr;
}

void Flush(FNTatlas* stash)
{
  if (!DirtyIsEmpty(stash))
  {
    if (stash->params.renderUpdate)
      stash->params.renderUpdate(stash->params.userPtr, stash->dirtyRect, stash->texData);
    ResetDirty(stash);
  }
  if (stash->nverts > 0)
  {
    if (stash->params.renderDraw)
      stash->params.renderDraw(stash->params.userPtr, stash->verts, stash->tcoords, stash->colors, stash->nverts);
    stash->nverts = 0;
  }
}

void Vertex(FNTatlas* stash, float x, float y, float s, float t, unsigned int c)
{
  const int n = stash->nverts;
  stash->verts[n * 2] = x;
  stash->verts[n * 2 + 1] = y;
  stash->tcoords[n * 2] = s;
  stash->tcoords[n * 2 + 1] = t;
  stash->colors[n] = c;
  stash->nverts++;
}

// Two triangles; the batch must have room for 6 vertices.
void QuadVertices(FNTatlas* stash, const FNTglyphQuad& q, unsigned int c)
{
  Vertex(stash, q.x0, q.y0, q.s0, q.t0, c);
  Vertex(stash, q.x1, q.y1, q.s1, q.t1, c);
  Vertex(stash, q.x1, q.y0, q.s1, q.t0, c);
  Vertex(stash, q.x0, q.y0, q.s0, q.t0, c);
  Vertex(stash, q.x0, q.y1, q.s0, q.t1, c);
  Vertex(stash, q.x1, q.y1, q.s1, q.t1, c);
}

// A quad of no size at the pen, for a step without a glyph.
void EmptyQuad(const FNTtextCursor* iter, FNTglyphQuad* q)
{
  *q = {iter->x, iter->y, 0.0f, 0.0f, iter->x, iter->y, 0.0f, 0.0f};
}

} // namespace

// ---- Internals --------------------------------------------------------------

unsigned int fnt__hashint(unsigned int a)
{
  a += ~(a << 15);
  a ^= (a >> 10);
  a += (a << 3);
  a ^= (a >> 6);
  a += ~(a << 11);
  a ^= (a >> 16);
  return a;
}

namespace {
// The round-off check's text, as the glyph source writes it.
constexpr const char* kRoundOffAssert = "sy1 > y_final-0.01f";
// Relaxed: a count alone, ordering nothing else (read by tests).
std::atomic<int> roundOffAsserts{0};
} // namespace

void fnt__glyphSourceAssert(const char* expr, const char* file, int line)
{
  if (strcmp(expr, kRoundOffAssert) == 0)
  {
    roundOffAsserts.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  fprintf(stderr, "%s:%d: glyph source assertion failed: %s\n", file, line, expr);
  abort();
}

int fnt__roundOffAsserts() { return roundOffAsserts.load(std::memory_order_relaxed); }

void* fnt__tmpalloc(size_t size, void* up)
{
  auto* stash = static_cast<FNTatlas*>(up);
  size = (size + 0xF) & ~static_cast<size_t>(0xF);
  const size_t room = static_cast<size_t>(FNT_SCRATCH_BUF_SIZE - stash->nscratch);
  if (size > room)
  {
    if (stash->handleError)
    {
      const size_t asked = stash->nscratch + size;
      stash->handleError(stash->errorUptr, FNT_SCRATCH_FULL, asked > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(asked));
    }
    // The rasteriser does not check every allocation: never hand it null
    // while the heap can still serve.
    return malloc(size);
  }
  unsigned char* ptr = stash->scratch + stash->nscratch;
  stash->nscratch += static_cast<int>(size);
  return ptr;
}

void fnt__tmpfree(void* ptr, void* up)
{
  auto* stash = static_cast<FNTatlas*>(up);
  const auto* p = static_cast<const unsigned char*>(ptr);
  if (p && (p < stash->scratch || p >= stash->scratch + FNT_SCRATCH_BUF_SIZE))
    free(ptr);
}

int fnt__blurAlpha(int blur)
{
  const double sigma = blur * 0.57735; // 1 / sqrt(3)
  return static_cast<int>(65536.0 * (1.0 - exp(-2.3 / (sigma + 1.0))));
}

void fnt__blur(unsigned char* dst, int w, int h, int dstStride, int blur)
{
  if (blur < 1 || w < 1 || h < 1)
    return;
  const int alpha = fnt__blurAlpha(blur);
  for (int round = 0; round < 2; round++)
  {
    BlurLines(dst, w, 1, h, dstStride, alpha); // down every column
    BlurLines(dst, h, dstStride, w, 1, alpha); // along every row
  }
}

FNTglyphEntry* fnt__getGlyph(FNTatlas* stash, FNTfontSlot* font, unsigned int codepoint, short isize, short iblur,
                             int bitmapOption)
{
  if (isize < 2)
    return nullptr;
  if (iblur > FNT_MAX_BLUR)
    iblur = FNT_MAX_BLUR;
  if (iblur < 0)
    iblur = 0;
  const int pad = iblur + 2;
  stash->nscratch = 0;

  const unsigned int h = fnt__hashint(codepoint) & (FNT_HASH_LUT_SIZE - 1);
  int reuse = -1;
  for (int i = font->lut[h]; i != -1; i = font->glyphs[i].next)
  {
    FNTglyphEntry& g = font->glyphs[i];
    if (g.codepoint == codepoint && g.size == isize && g.blur == iblur)
    {
      if (bitmapOption == FNT_GLYPH_BITMAP_OPTIONAL || (g.x0 >= 0 && g.y0 >= 0))
        return &g;
      reuse = i; // measured before, never placed: place it now
      break;
    }
  }

  FNTfontSlot* renderFont = font;
  int g = GlyphIndex(font, codepoint);
  if (g == 0)
  {
    for (int i = 0; i < font->nfallbacks; ++i)
    {
      FNTfontSlot* fallback = stash->fonts[font->fallbacks[i]];
      const int fg = GlyphIndex(fallback, codepoint);
      if (fg != 0)
      {
        g = fg;
        renderFont = fallback;
        break;
      }
    }
  }
  const float scale = stbtt_ScaleForPixelHeight(&renderFont->font, isize / 10.0f);
  int advance, lsb, box[4];
  stbtt_GetGlyphHMetrics(&renderFont->font, g, &advance, &lsb);
  const FNTglyphCheck verdict = GlyphVerdict(renderFont, g);
  BitmapBox(renderFont, g, verdict, scale, box);
  const int gw = box[2] - box[0] + pad * 2;
  const int gh = box[3] - box[1] + pad * 2;

  int gx = -1, gy = -1;
  if (bitmapOption == FNT_GLYPH_BITMAP_REQUIRED)
  {
    int added = fnt__atlasAddRect(stash->atlas, gw, gh, &gx, &gy);
    if (!added && stash->handleError)
    {
      const int glyphsBefore = font->nglyphs;
      stash->handleError(stash->errorUptr, FNT_ATLAS_FULL, 0);
      if (font->nglyphs < glyphsBefore)
        reuse = -1; // the callback reset the atlas: the entry is gone
      added = fnt__atlasAddRect(stash->atlas, gw, gh, &gx, &gy);
    }
    if (!added)
      return nullptr;
  }

  FNTglyphEntry* glyph;
  if (reuse != -1)
  {
    glyph = &font->glyphs[reuse];
    font->nmeasured--; // placed from now on
  }
  else
  {
    if (bitmapOption == FNT_GLYPH_BITMAP_OPTIONAL && font->nmeasured >= FNT_MAX_MEASURED_GLYPHS)
      DropMeasuredGlyphs(font);
    glyph = AllocGlyph(font);
    if (!glyph)
      return nullptr;
    if (bitmapOption == FNT_GLYPH_BITMAP_OPTIONAL)
      font->nmeasured++;
    glyph->codepoint = codepoint;
    glyph->size = isize;
    glyph->blur = iblur;
    glyph->next = font->lut[h];
    font->lut[h] = font->nglyphs - 1;
  }
  glyph->index = g;
  glyph->x0 = static_cast<short>(gx);
  glyph->y0 = static_cast<short>(gy);
  glyph->x1 = ClampShort(static_cast<float>(gx + gw));
  glyph->y1 = ClampShort(static_cast<float>(gy + gh));
  // Measured-only glyphs of huge sizes may exceed a short: they saturate.
  glyph->xadv = ClampShort(scale * advance * 10.0f);
  glyph->xoff = ClampShort(static_cast<float>(box[0] - pad));
  glyph->yoff = ClampShort(static_cast<float>(box[1] - pad));
  if (bitmapOption == FNT_GLYPH_BITMAP_OPTIONAL)
    return glyph;

  const int stride = stash->params.width;
  unsigned char* dst = &stash->texData[(gx + pad) + (gy + pad) * stride];
  if (verdict != FNT_GLYPH_DAMAGED)
    RasteriseGlyph(renderFont, g, scale, box, dst, gw - pad * 2, gh - pad * 2, stride);

  dst = &stash->texData[gx + gy * stride];
  for (int y = 0; y < gh; y++)
  {
    dst[y * stride] = 0;
    dst[gw - 1 + y * stride] = 0;
  }
  memset(dst, 0, gw);
  memset(dst + (gh - 1) * stride, 0, gw);

  if (iblur > 0)
  {
    stash->nscratch = 0;
    fnt__blur(dst, gw, gh, stride, iblur);
  }
  GrowDirty(stash, gx, gy, gx + gw, gy + gh);
  return glyph;
}

// ---- Public API -------------------------------------------------------------

FNTatlas* fntCreateInternal(FNTatlasParams* params)
{
  if (!params || !ValidSide(params->width) || !ValidSide(params->height))
    return nullptr;
  auto* stash = static_cast<FNTatlas*>(calloc(1, sizeof(FNTatlas)));
  if (!stash)
    return nullptr;
  stash->params = *params;
  stash->scratch = static_cast<unsigned char*>(malloc(FNT_SCRATCH_BUF_SIZE));
  if (!stash->scratch)
    goto error;
  if (stash->params.renderCreate
      && !stash->params.renderCreate(stash->params.userPtr, stash->params.width, stash->params.height))
    goto error;
  stash->atlas = fnt__allocAtlas(stash->params.width, stash->params.height, FNT_INIT_ATLAS_NODES);
  if (!stash->atlas)
    goto error;
  stash->fonts = static_cast<FNTfontSlot**>(calloc(FNT_INIT_FONTS, sizeof(FNTfontSlot*)));
  if (!stash->fonts)
    goto error;
  stash->cfonts = FNT_INIT_FONTS;
  SetSizeFields(stash, stash->params.width, stash->params.height);
  stash->texData = static_cast<unsigned char*>(calloc(static_cast<size_t>(stash->params.width), stash->params.height));
  if (!stash->texData)
    goto error;
  ResetDirty(stash);
  AddWhiteRect(stash, kWhiteRectSize, kWhiteRectSize);
  fntPushState(stash);
  fntClearState(stash);
  return stash;

error:
  fntDeleteInternal(stash);
  return nullptr;
}

void fntDeleteInternal(FNTatlas* stash)
{
  if (!stash)
    return;
  if (stash->params.renderDelete)
    stash->params.renderDelete(stash->params.userPtr);
  for (int i = 0; i < stash->nfonts; ++i)
    FreeFont(stash->fonts[i]);
  free(stash->fonts);
  fnt__deleteAtlas(stash->atlas);
  free(stash->texData);
  free(stash->scratch);
  free(stash);
}

void fntSetErrorCallback(FNTatlas* stash, FNTerrorCallback callback, void* uptr)
{
  if (!stash)
    return;
  stash->handleError = callback;
  stash->errorUptr = uptr;
}

void fntGetAtlasSize(FNTatlas* stash, int* width, int* height)
{
  if (!stash)
    return;
  if (width)
    *width = stash->params.width;
  if (height)
    *height = stash->params.height;
}

int fntExpandAtlas(FNTatlas* stash, int width, int height)
{
  if (!stash)
    return 0;
  const int oldw = stash->params.width, oldh = stash->params.height;
  width = MaxI(width, oldw);
  height = MaxI(height, oldh);
  if (width == oldw && height == oldh)
    return 1;
  if (!ValidSide(width) || !ValidSide(height))
    return 0;
  Flush(stash);
  // The new pixels come first so that a failure leaves everything as it was.
  auto* data = static_cast<unsigned char*>(calloc(static_cast<size_t>(width), height));
  if (!data)
    return 0;
  if (stash->params.renderResize && !stash->params.renderResize(stash->params.userPtr, width, height))
  {
    free(data);
    return 0;
  }
  if (!fnt__atlasExpand(stash->atlas, width, height))
  {
    free(data);
    return 0;
  }
  for (int y = 0; y < oldh; y++)
    memcpy(&data[y * width], &stash->texData[y * oldw], oldw);
  free(stash->texData);
  stash->texData = data;

  int maxy = 0;
  for (int i = 0; i < stash->atlas->nnodes; i++)
    maxy = MaxI(maxy, stash->atlas->nodes[i].y);
  stash->dirtyRect[0] = 0;
  stash->dirtyRect[1] = 0;
  stash->dirtyRect[2] = oldw;
  stash->dirtyRect[3] = maxy;
  SetSizeFields(stash, width, height);
  return 1;
}

int fntResetAtlas(FNTatlas* stash, int width, int height)
{
  if (!stash || !ValidSide(width) || !ValidSide(height))
    return 0;
  Flush(stash);
  // The new pixels come first so that a failure leaves everything as it was.
  auto* data = static_cast<unsigned char*>(calloc(static_cast<size_t>(width), height));
  if (!data)
    return 0;
  if (stash->params.renderResize && !stash->params.renderResize(stash->params.userPtr, width, height))
  {
    free(data);
    return 0;
  }
  fnt__atlasReset(stash->atlas, width, height);
  free(stash->texData);
  stash->texData = data;
  for (int i = 0; i < stash->nfonts; i++)
  {
    FNTfontSlot* font = stash->fonts[i];
    font->nglyphs = 0;
    font->nmeasured = 0;
    for (int& entry : font->lut)
      entry = -1;
  }
  SetSizeFields(stash, width, height);
  ResetDirty(stash);
  AddWhiteRect(stash, kWhiteRectSize, kWhiteRectSize);
  return 1;
}

int fntAddFont(FNTatlas* stash, const char* name, const char* path, int fontIndex)
{
  if (!stash || !path)
    return -1;
  FILE* fp = fopen(path, "rb");
  if (!fp)
    return -1;
  unsigned char* data = nullptr;
  long size = -1;
  if (fseek(fp, 0, SEEK_END) == 0)
    size = ftell(fp);
  if (size > 0 && size <= 0x7FFFFFFF && fseek(fp, 0, SEEK_SET) == 0)
  {
    data = static_cast<unsigned char*>(malloc(static_cast<size_t>(size)));
    if (data && fread(data, 1, static_cast<size_t>(size), fp) != static_cast<size_t>(size))
    {
      free(data);
      data = nullptr;
    }
  }
  fclose(fp);
  if (!data)
    return -1;
  return fntAddFontMem(stash, name, data, static_cast<int>(size), fontIndex, 1);
}

int fntAddFontMem(FNTatlas* stash, const char* name, unsigned char* data, int dataSize, int fontIndex, int freeData)
{
  if (!stash || !data || dataSize <= 0)
  {
    if (freeData)
      free(data);
    return -1;
  }
  const int idx = AllocFont(stash);
  if (idx == -1)
  {
    if (freeData)
      free(data);
    return -1;
  }
  FNTfontSlot* font = stash->fonts[idx];
  strncpy(font->name, name ? name : "", sizeof(font->name) - 1);
  font->name[sizeof(font->name) - 1] = '\0';
  for (int& entry : font->lut)
    entry = -1;
  font->data = data;
  font->dataSize = dataSize;
  font->freeData = static_cast<unsigned char>(freeData ? 1 : 0);

  stash->nscratch = 0;
  font->font.userdata = stash;
  const int offset = fnt__checkFace(data, dataSize, fontIndex, &font->check);
  int ascent = 0, descent = 0, lineGap = 0;
  if (offset < 0 || !stbtt_InitFont(&font->font, data, offset))
    goto error;
  fnt__boundCff(&font->font, &font->check.cff);
  // A damaged kerning table is not read: its pairs go unkerned. A damaged
  // GPOS leaves the kern table, when that is whole, to kern as it would
  // without a GPOS.
  if (!font->check.gposUsable)
    font->font.gpos = 0;
  if (!font->check.kernUsable)
    font->font.kern = 0;
  font->glyphChecks = static_cast<unsigned char*>(calloc(static_cast<size_t>(font->check.numGlyphs), 1));
  if (!font->glyphChecks)
    goto error;
  stbtt_GetFontVMetrics(&font->font, &ascent, &descent, &lineGap);
  if (ascent - descent <= 0)
    goto error;
  {
    const float fh = static_cast<float>(ascent - descent);
    font->ascender = ascent / fh;
    font->descender = descent / fh;
    font->lineh = (fh + lineGap) / fh;
  }
  return idx;

error:
  FreeFont(font);
  stash->nfonts--;
  return -1;
}

int fntGetFontByName(FNTatlas* stash, const char* name)
{
  if (!stash || !name)
    return -1;
  for (int i = 0; i < stash->nfonts; i++)
  {
    if (strcmp(stash->fonts[i]->name, name) == 0)
      return i;
  }
  return -1;
}

int fntAddFallbackFont(FNTatlas* stash, int base, int fallback)
{
  if (!stash || base < 0 || base >= stash->nfonts || fallback < 0 || fallback >= stash->nfonts)
    return 0;
  FNTfontSlot* font = stash->fonts[base];
  if (font->nfallbacks >= FNT_MAX_FALLBACKS)
    return 0;
  font->fallbacks[font->nfallbacks++] = fallback;
  return 1;
}

void fntPushState(FNTatlas* stash)
{
  if (!stash)
    return;
  if (stash->nstates >= FNT_MAX_STATES)
  {
    if (stash->handleError)
      stash->handleError(stash->errorUptr, FNT_STATES_OVERFLOW, 0);
    return;
  }
  if (stash->nstates > 0)
    stash->states[stash->nstates] = stash->states[stash->nstates - 1];
  stash->nstates++;
}

void fntPopState(FNTatlas* stash)
{
  if (!stash)
    return;
  if (stash->nstates <= 1)
  {
    if (stash->handleError)
      stash->handleError(stash->errorUptr, FNT_STATES_UNDERFLOW, 0);
    return;
  }
  stash->nstates--;
}

void fntClearState(FNTatlas* stash)
{
  if (!stash)
    return;
  FNTdrawState* state = TopState(stash);
  state->size = 12.0f;
  state->color = 0xFFFFFFFFu;
  state->font = 0;
  state->blur = 0.0f;
  state->spacing = 0.0f;
  state->align = FNT_ALIGN_LEFT | FNT_ALIGN_BASELINE;
}

void fntSetSize(FNTatlas* stash, float size)
{
  if (stash)
    TopState(stash)->size = size;
}

void fntSetColor(FNTatlas* stash, unsigned int color)
{
  if (stash)
    TopState(stash)->color = color;
}

void fntSetSpacing(FNTatlas* stash, float spacing)
{
  if (stash)
    TopState(stash)->spacing = spacing;
}

void fntSetBlur(FNTatlas* stash, float blur)
{
  if (stash)
    TopState(stash)->blur = blur;
}

void fntSetAlign(FNTatlas* stash, int align)
{
  if (stash)
    TopState(stash)->align = align;
}

void fntSetFont(FNTatlas* stash, int font)
{
  if (stash)
    TopState(stash)->font = font;
}

float fntTextBounds(FNTatlas* stash, float x, float y, const char* str, const char* end, float* bounds)
{
  FNTfontSlot* font = CurrentFont(stash);
  if (!font || !str)
    return 0.0f;
  const FNTdrawState* state = TopState(stash);
  if (!PenUsable(x) || !PenUsable(y) || !PenUsable(state->spacing))
  {
    if (bounds)
      bounds[0] = bounds[2] = x, bounds[1] = bounds[3] = y;
    return 0.0f;
  }
  const short isize = SizeTenths(state->size);
  const short iblur = BlurPixels(state->blur);
  const float scale = stbtt_ScaleForPixelHeight(&font->font, isize / 10.0f);

  y += VertAlign(stash, font, state->align, isize);
  float minx = x, maxx = x, miny = y, maxy = y;
  const float startx = x;
  if (!end)
    end = str + strlen(str);

  unsigned int utf8state = 0, codepoint = 0;
  int prevGlyphIndex = -1;
  for (; str != end; ++str)
  {
    if (fnt__decutf8(&utf8state, &codepoint, *reinterpret_cast<const unsigned char*>(str)))
      continue;
    FNTglyphEntry* glyph = fnt__getGlyph(stash, font, codepoint, isize, iblur, FNT_GLYPH_BITMAP_OPTIONAL);
    if (glyph)
    {
      FNTglyphQuad q;
      GetQuad(stash, font, prevGlyphIndex, glyph, scale, state->spacing, &x, &y, &q);
      minx = q.x0 < minx ? q.x0 : minx;
      maxx = q.x1 > maxx ? q.x1 : maxx;
      const float qtop = (stash->params.flags & FNT_ZERO_TOPLEFT) ? q.y0 : q.y1;
      const float qbottom = (stash->params.flags & FNT_ZERO_TOPLEFT) ? q.y1 : q.y0;
      miny = qtop < miny ? qtop : miny;
      maxy = qbottom > maxy ? qbottom : maxy;
    }
    prevGlyphIndex = glyph ? glyph->index : -1;
  }

  const float advance = x - startx;
  if (state->align & FNT_ALIGN_LEFT)
  {
  }
  else if (state->align & FNT_ALIGN_RIGHT)
  {
    minx -= advance;
    maxx -= advance;
  }
  else if (state->align & FNT_ALIGN_CENTER)
  {
    minx -= advance * 0.5f;
    maxx -= advance * 0.5f;
  }
  if (bounds)
  {
    bounds[0] = minx;
    bounds[1] = miny;
    bounds[2] = maxx;
    bounds[3] = maxy;
  }
  return advance;
}

void fntLineBounds(FNTatlas* stash, float y, float* miny, float* maxy)
{
  FNTfontSlot* font = CurrentFont(stash);
  if (!font)
    return;
  const FNTdrawState* state = TopState(stash);
  const short isize = SizeTenths(state->size);
  y += VertAlign(stash, font, state->align, isize);
  float top, bottom;
  if (stash->params.flags & FNT_ZERO_TOPLEFT)
  {
    top = y - font->ascender * isize / 10.0f;
    bottom = top + font->lineh * isize / 10.0f;
  }
  else
  {
    bottom = y + font->descender * isize / 10.0f;
    top = bottom - font->lineh * isize / 10.0f;
  }
  if (miny)
    *miny = top;
  if (maxy)
    *maxy = bottom;
}

void fntVertMetrics(FNTatlas* stash, float* ascender, float* descender, float* lineh)
{
  FNTfontSlot* font = CurrentFont(stash);
  if (!font)
    return;
  const float size = SizeTenths(TopState(stash)->size) / 10.0f;
  if (ascender)
    *ascender = font->ascender * size;
  if (descender)
    *descender = font->descender * size;
  if (lineh)
    *lineh = font->lineh * size;
}

int fntTextIterInit(FNTatlas* stash, FNTtextCursor* iter, float x, float y, const char* str, const char* end,
                    int bitmapOption)
{
  if (!iter)
    return 0;
  memset(iter, 0, sizeof(*iter));
  FNTfontSlot* font = CurrentFont(stash);
  if (!font || !str)
    return 0;
  const FNTdrawState* state = TopState(stash);
  if (!PenUsable(x) || !PenUsable(y) || !PenUsable(state->spacing))
    return 0;
  iter->font = font;
  iter->isize = SizeTenths(state->size);
  iter->iblur = BlurPixels(state->blur);
  iter->scale = stbtt_ScaleForPixelHeight(&font->font, iter->isize / 10.0f);

  if (state->align & FNT_ALIGN_LEFT)
  {
  }
  else if (state->align & FNT_ALIGN_RIGHT)
  {
    x -= fntTextBounds(stash, x, y, str, end, nullptr);
  }
  else if (state->align & FNT_ALIGN_CENTER)
  {
    x -= fntTextBounds(stash, x, y, str, end, nullptr) * 0.5f;
  }
  y += VertAlign(stash, font, state->align, iter->isize);
  if (!end)
    end = str + strlen(str);

  iter->x = iter->nextx = x;
  iter->y = iter->nexty = y;
  iter->spacing = state->spacing;
  iter->str = str;
  iter->next = str;
  iter->end = end;
  iter->codepoint = 0;
  iter->prevGlyphIndex = -1;
  iter->bitmapOption = bitmapOption;
  return 1;
}

int fntTextIterNext(FNTatlas* stash, FNTtextCursor* iter, FNTglyphQuad* quad)
{
  if (!stash || !iter || !quad || !iter->font)
    return 0;
  const char* str = iter->next;
  iter->str = iter->next;
  if (str == iter->end)
    return 0;

  bool complete = false;
  for (; str != iter->end; ++str)
  {
    if (fnt__decutf8(&iter->utf8state, &iter->codepoint, *reinterpret_cast<const unsigned char*>(str)) == 0)
    {
      ++str;
      complete = true;
      break;
    }
  }
  iter->next = str;
  iter->x = iter->nextx;
  iter->y = iter->nexty;
  if (!complete)
  {
    // The text ended inside a sequence or met an invalid one: no glyph,
    // and no quad that could be taken for the previous glyph's.
    iter->codepoint = FNT_NO_CODEPOINT;
    iter->prevGlyphIndex = -1;
    EmptyQuad(iter, quad);
    return 1;
  }
  FNTglyphEntry* glyph = fnt__getGlyph(stash, iter->font, iter->codepoint, iter->isize, iter->iblur, iter->bitmapOption);
  if (glyph)
    GetQuad(stash, iter->font, iter->prevGlyphIndex, glyph, iter->scale, iter->spacing, &iter->nextx, &iter->nexty, quad);
  else
    EmptyQuad(iter, quad);
  iter->prevGlyphIndex = glyph ? glyph->index : -1;
  return 1;
}

float fntDrawText(FNTatlas* stash, float x, float y, const char* str, const char* end)
{
  FNTtextCursor iter;
  if (!fntTextIterInit(stash, &iter, x, y, str, end, FNT_GLYPH_BITMAP_REQUIRED))
    return x;
  const unsigned int color = TopState(stash)->color;
  FNTglyphQuad q;
  while (fntTextIterNext(stash, &iter, &q))
  {
    if (iter.prevGlyphIndex == -1)
      continue;
    if (stash->nverts + 6 > FNT_VERTEX_COUNT)
      Flush(stash);
    QuadVertices(stash, q, color);
  }
  Flush(stash);
  return iter.nextx;
}

const unsigned char* fntGetTextureData(FNTatlas* stash, int* width, int* height)
{
  if (!stash)
    return nullptr;
  if (width)
    *width = stash->params.width;
  if (height)
    *height = stash->params.height;
  return stash->texData;
}

int fntValidateTexture(FNTatlas* stash, int* dirty)
{
  if (!stash || DirtyIsEmpty(stash))
    return 0;
  if (dirty)
    memcpy(dirty, stash->dirtyRect, sizeof(stash->dirtyRect));
  ResetDirty(stash);
  return 1;
}

void fntDrawDebug(FNTatlas* stash, float x, float y)
{
  if (!stash)
    return;
  const float w = static_cast<float>(stash->params.width);
  const float h = static_cast<float>(stash->params.height);
  // The white block at the top left gives a solid texel.
  const float u = stash->itw, v = stash->ith;
  if (stash->nverts + 12 > FNT_VERTEX_COUNT)
    Flush(stash);
  QuadVertices(stash, {x, y, u, v, x + w, y + h, u, v}, 0x0FFFFFFFu);
  QuadVertices(stash, {x, y, 0.0f, 0.0f, x + w, y + h, 1.0f, 1.0f}, 0xFFFFFFFFu);
  for (int i = 0; i < stash->atlas->nnodes; i++)
  {
    const FNTskylineNode& n = stash->atlas->nodes[i];
    if (stash->nverts + 6 > FNT_VERTEX_COUNT)
      Flush(stash);
    QuadVertices(stash, {x + n.x, y + n.y, u, v, x + n.x + n.width, y + n.y + 1, u, v}, 0xC00000FFu);
  }
  Flush(stash);
}
