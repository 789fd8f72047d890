// Renderer context lifetime, frames, the state stack, colours, transforms,
// paints, the scissor and composite operations.

#include "VGContext.h"
#include "FontAtlas.h"
#include "VGPathStore.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{

float vg__clampf(float a, float mn, float mx) { return a < mn ? mn : (a > mx ? mx : a); }

void vg__setDevicePixelRatio(VGcontext* ctx, float ratio)
{
  ctx->tessTol = 0.25f / ratio;
  ctx->distTol = 0.01f / ratio;
  ctx->fringeWidth = 1.0f / ratio;
  ctx->devicePxRatio = ratio;
}

VGcompositeOperationState vg__compositeOperationState(int op)
{
  int sfactor, dfactor;
  switch (op)
  {
    case VG_SOURCE_OVER: sfactor = VG_ONE; dfactor = VG_ONE_MINUS_SRC_ALPHA; break;
    case VG_SOURCE_IN: sfactor = VG_DST_ALPHA; dfactor = VG_ZERO; break;
    case VG_SOURCE_OUT: sfactor = VG_ONE_MINUS_DST_ALPHA; dfactor = VG_ZERO; break;
    case VG_ATOP: sfactor = VG_DST_ALPHA; dfactor = VG_ONE_MINUS_SRC_ALPHA; break;
    case VG_DESTINATION_OVER: sfactor = VG_ONE_MINUS_DST_ALPHA; dfactor = VG_ONE; break;
    case VG_DESTINATION_IN: sfactor = VG_ZERO; dfactor = VG_SRC_ALPHA; break;
    case VG_DESTINATION_OUT: sfactor = VG_ZERO; dfactor = VG_ONE_MINUS_SRC_ALPHA; break;
    case VG_DESTINATION_ATOP: sfactor = VG_ONE_MINUS_DST_ALPHA; dfactor = VG_SRC_ALPHA; break;
    case VG_LIGHTER: sfactor = VG_ONE; dfactor = VG_ONE; break;
    case VG_COPY: sfactor = VG_ONE; dfactor = VG_ZERO; break;
    case VG_XOR: sfactor = VG_ONE_MINUS_DST_ALPHA; dfactor = VG_ONE_MINUS_SRC_ALPHA; break;
    default: sfactor = VG_ONE; dfactor = VG_ZERO; break;
  }
  return {sfactor, dfactor, sfactor, dfactor};
}

void vg__setPaintColor(VGpaint* p, VGcolor color)
{
  std::memset(p, 0, sizeof(*p));
  vgTransformIdentity(p->xform);
  p->radius = 0.0f;
  p->feather = 1.0f;
  p->innerColor = color;
  p->outerColor = color;
}

float vg__hue(float h, float m1, float m2)
{
  if (h < 0) h += 1;
  if (h > 1) h -= 1;
  if (h < 1.0f / 6.0f) return m1 + (m2 - m1) * h * 6.0f;
  if (h < 3.0f / 6.0f) return m2;
  if (h < 4.0f / 6.0f) return m1 + (m2 - m1) * (2.0f / 3.0f - h) * 6.0f;
  return m1;
}

// The context owns the font atlas that text draws from: zero at the top
// left, no callbacks (the text code uploads the atlas pixels itself).
bool vg__createFontAtlas(VGcontext* ctx)
{
  FNTatlasParams params{};
  params.width = VG_INIT_FONTIMAGE_SIZE;
  params.height = VG_INIT_FONTIMAGE_SIZE;
  params.flags = FNT_ZERO_TOPLEFT;
  ctx->fs = fntCreateInternal(&params);
  return ctx->fs != nullptr;
}

void vg__deleteFontAtlas(VGcontext* ctx)
{
  fntDeleteInternal(ctx->fs);
  ctx->fs = nullptr;
}

} // namespace

VGdrawState* vg__getState(VGcontext* ctx) { return &ctx->states[ctx->nstates - 1]; }

float vg__getAverageScale(const float* t)
{
  const float sx = std::sqrt(t[0] * t[0] + t[2] * t[2]);
  const float sy = std::sqrt(t[1] * t[1] + t[3] * t[3]);
  return (sx + sy) * 0.5f;
}

// Context and frames.

VGcontext* vgCreateInternal(VGbackendParams* params)
{
  if (!params) return nullptr;
  vg__configureImageDecoder();
  auto* ctx = static_cast<VGcontext*>(std::calloc(1, sizeof(VGcontext)));
  if (!ctx) return nullptr;
  ctx->params = *params;
  for (int& image : ctx->fontImages) image = 0;

  ctx->commands = static_cast<float*>(std::malloc(sizeof(float) * VG_INIT_COMMANDS_SIZE));
  if (!ctx->commands) goto error;
  ctx->ncommands = 0;
  ctx->ccommands = VG_INIT_COMMANDS_SIZE;

  ctx->cache = vg__allocPathStore();
  if (!ctx->cache) goto error;

  vgSave(ctx);
  vgReset(ctx);
  vg__setDevicePixelRatio(ctx, 1.0f);

  if (!ctx->params.renderCreate || ctx->params.renderCreate(ctx->params.userPtr) == 0) goto error;

  if (!vg__createFontAtlas(ctx)) goto error;
  ctx->fontImages[0] = ctx->params.renderCreateTexture
                         ? ctx->params.renderCreateTexture(ctx->params.userPtr, VG_TEXTURE_ALPHA,
                                                           VG_INIT_FONTIMAGE_SIZE, VG_INIT_FONTIMAGE_SIZE, 0, nullptr)
                         : 0;
  if (ctx->fontImages[0] == 0) goto error;
  ctx->fontImageIdx = 0;
  return ctx;

error:
  vgDeleteInternal(ctx);
  return nullptr;
}

void vgDeleteInternal(VGcontext* ctx)
{
  if (!ctx) return;
  std::free(ctx->commands);
  vg__deletePathStore(ctx->cache);
  vg__deleteFontAtlas(ctx);
  for (int& image : ctx->fontImages)
  {
    if (image != 0 && ctx->params.renderDeleteTexture) vgDeleteImage(ctx, image);
    image = 0;
  }
  if (ctx->params.renderDelete) ctx->params.renderDelete(ctx->params.userPtr);
  std::free(ctx);
}

VGbackendParams* vgInternalParams(VGcontext* ctx) { return &ctx->params; }

void vgBeginFrame(VGcontext* ctx, float windowWidth, float windowHeight, float devicePixelRatio)
{
  ctx->nstates = 0;
  vgSave(ctx);
  vgReset(ctx);
  vg__setDevicePixelRatio(ctx, devicePixelRatio);
  ctx->params.renderViewport(ctx->params.userPtr, windowWidth, windowHeight, devicePixelRatio);
  ctx->drawCallCount = 0;
  ctx->fillTriCount = 0;
  ctx->strokeTriCount = 0;
  ctx->textTriCount = 0;
}

void vgCancelFrame(VGcontext* ctx) { ctx->params.renderCancel(ctx->params.userPtr); }

void vgEndFrame(VGcontext* ctx)
{
  ctx->params.renderFlush(ctx->params.userPtr);
  if (ctx->fontImageIdx == 0) return;
  const int fontImage = ctx->fontImages[ctx->fontImageIdx];
  if (fontImage == 0) return;
  const int current = ctx->fontImageIdx;
  ctx->fontImages[current] = 0;
  // Atlas images outgrown by the current one are dropped; the others keep
  // their order, and the current image becomes the first. Slots above the
  // current one are left alone: they hold images kept earlier.
  int iw = 0, ih = 0;
  vgImageSize(ctx, fontImage, &iw, &ih);
  int j = 0;
  for (int i = 0; i < current; i++)
  {
    const int image = ctx->fontImages[i];
    if (image == 0) continue;
    ctx->fontImages[i] = 0;
    int nw = 0, nh = 0;
    vgImageSize(ctx, image, &nw, &nh);
    if (nw < iw || nh < ih)
      vgDeleteImage(ctx, image);
    else
      ctx->fontImages[j++] = image;
  }
  // Slot 0 now holds the first kept image or 0, never a deleted id.
  ctx->fontImages[j] = ctx->fontImages[0];
  ctx->fontImages[0] = fontImage;
  ctx->fontImageIdx = 0;
  for (int i = j + 1; i <= current; i++) ctx->fontImages[i] = 0;
}

// Colours.

VGcolor vgRGB(unsigned char r, unsigned char g, unsigned char b) { return vgRGBA(r, g, b, 255); }

VGcolor vgRGBf(float r, float g, float b) { return vgRGBAf(r, g, b, 1.0f); }

VGcolor vgRGBA(unsigned char r, unsigned char g, unsigned char b, unsigned char a)
{
  VGcolor color;
  color.r = (r & 0xff) / 255.0f;
  color.g = (g & 0xff) / 255.0f;
  color.b = (b & 0xff) / 255.0f;
  color.a = (a & 0xff) / 255.0f;
  return color;
}

VGcolor vgRGBAf(float r, float g, float b, float a)
{
  VGcolor color;
  color.r = r;
  color.g = g;
  color.b = b;
  color.a = a;
  return color;
}

VGcolor vgTransRGBA(VGcolor c, unsigned char a)
{
  c.a = a / 255.0f;
  return c;
}

VGcolor vgTransRGBAf(VGcolor c, float a)
{
  c.a = a;
  return c;
}

VGcolor vgLerpRGBA(VGcolor c0, VGcolor c1, float u)
{
  u = vg__clampf(u, 0.0f, 1.0f);
  const float oneminu = 1.0f - u;
  VGcolor cint;
  for (int i = 0; i < 4; i++) cint.rgba[i] = c0.rgba[i] * oneminu + c1.rgba[i] * u;
  return cint;
}

VGcolor vgHSL(float h, float s, float l) { return vgHSLA(h, s, l, 255); }

VGcolor vgHSLA(float h, float s, float l, unsigned char a)
{
  h = std::fmod(h, 1.0f);
  if (h < 0.0f) h += 1.0f;
  s = vg__clampf(s, 0.0f, 1.0f);
  l = vg__clampf(l, 0.0f, 1.0f);
  const float m2 = l <= 0.5f ? (l * (1 + s)) : (l + s - l * s);
  const float m1 = 2 * l - m2;
  VGcolor col;
  col.r = vg__clampf(vg__hue(h + 1.0f / 3.0f, m1, m2), 0.0f, 1.0f);
  col.g = vg__clampf(vg__hue(h, m1, m2), 0.0f, 1.0f);
  col.b = vg__clampf(vg__hue(h - 1.0f / 3.0f, m1, m2), 0.0f, 1.0f);
  col.a = a / 255.0f;
  return col;
}

// Transforms on arrays.

void vgTransformIdentity(float* t)
{
  t[0] = 1.0f; t[1] = 0.0f;
  t[2] = 0.0f; t[3] = 1.0f;
  t[4] = 0.0f; t[5] = 0.0f;
}

void vgTransformTranslate(float* t, float tx, float ty)
{
  t[0] = 1.0f; t[1] = 0.0f;
  t[2] = 0.0f; t[3] = 1.0f;
  t[4] = tx; t[5] = ty;
}

void vgTransformScale(float* t, float sx, float sy)
{
  t[0] = sx; t[1] = 0.0f;
  t[2] = 0.0f; t[3] = sy;
  t[4] = 0.0f; t[5] = 0.0f;
}

void vgTransformRotate(float* t, float a)
{
  const float cs = std::cos(a), sn = std::sin(a);
  t[0] = cs; t[1] = sn;
  t[2] = -sn; t[3] = cs;
  t[4] = 0.0f; t[5] = 0.0f;
}

void vgTransformSkewX(float* t, float a)
{
  t[0] = 1.0f; t[1] = 0.0f;
  t[2] = std::tan(a); t[3] = 1.0f;
  t[4] = 0.0f; t[5] = 0.0f;
}

void vgTransformSkewY(float* t, float a)
{
  t[0] = 1.0f; t[1] = std::tan(a);
  t[2] = 0.0f; t[3] = 1.0f;
  t[4] = 0.0f; t[5] = 0.0f;
}

void vgTransformMultiply(float* t, const float* s)
{
  const float t0 = t[0] * s[0] + t[1] * s[2];
  const float t2 = t[2] * s[0] + t[3] * s[2];
  const float t4 = t[4] * s[0] + t[5] * s[2] + s[4];
  t[1] = t[0] * s[1] + t[1] * s[3];
  t[3] = t[2] * s[1] + t[3] * s[3];
  t[5] = t[4] * s[1] + t[5] * s[3] + s[5];
  t[0] = t0;
  t[2] = t2;
  t[4] = t4;
}

void vgTransformPremultiply(float* t, const float* s)
{
  float s2[6];
  std::memcpy(s2, s, sizeof(float) * 6);
  vgTransformMultiply(s2, t);
  std::memcpy(t, s2, sizeof(float) * 6);
}

int vgTransformInverse(float* inv, const float* t)
{
  const double det = (double)t[0] * t[3] - (double)t[2] * t[1];
  if (det > -1e-6 && det < 1e-6)
  {
    vgTransformIdentity(inv);
    return 0;
  }
  const double invdet = 1.0 / det;
  inv[0] = (float)(t[3] * invdet);
  inv[2] = (float)(-t[2] * invdet);
  inv[4] = (float)(((double)t[2] * t[5] - (double)t[3] * t[4]) * invdet);
  inv[1] = (float)(-t[1] * invdet);
  inv[3] = (float)(t[0] * invdet);
  inv[5] = (float)(((double)t[1] * t[4] - (double)t[0] * t[5]) * invdet);
  return 1;
}

void vgTransformPoint(float* dx, float* dy, const float* t, float sx, float sy)
{
  *dx = sx * t[0] + sy * t[2] + t[4];
  *dy = sx * t[1] + sy * t[3] + t[5];
}

float vgDegToRad(float deg) { return deg / 180.0f * VG_PI; }

float vgRadToDeg(float rad) { return rad / VG_PI * 180.0f; }

// State stack and setters.

void vgSave(VGcontext* ctx)
{
  if (ctx->nstates >= VG_MAX_STATES) return;
  if (ctx->nstates > 0) std::memcpy(&ctx->states[ctx->nstates], &ctx->states[ctx->nstates - 1], sizeof(VGdrawState));
  ctx->nstates++;
}

void vgRestore(VGcontext* ctx)
{
  if (ctx->nstates <= 1) return;
  ctx->nstates--;
}

void vgReset(VGcontext* ctx)
{
  VGdrawState* state = vg__getState(ctx);
  std::memset(state, 0, sizeof(*state));
  vg__setPaintColor(&state->fill, vgRGBA(255, 255, 255, 255));
  vg__setPaintColor(&state->stroke, vgRGBA(0, 0, 0, 255));
  state->compositeOperation = vg__compositeOperationState(VG_SOURCE_OVER);
  state->shapeAntiAlias = 1;
  state->strokeWidth = 1.0f;
  state->miterLimit = 10.0f;
  state->lineCap = VG_BUTT;
  state->lineJoin = VG_MITER;
  state->alpha = 1.0f;
  vgTransformIdentity(state->xform);
  state->scissor.extent[0] = -1.0f;
  state->scissor.extent[1] = -1.0f;
  state->fontSize = 16.0f;
  state->letterSpacing = 0.0f;
  state->lineHeight = 1.0f;
  state->fontBlur = 0.0f;
  state->textAlign = VG_ALIGN_LEFT | VG_ALIGN_BASELINE;
  state->fontId = 0;
}

void vgShapeAntiAlias(VGcontext* ctx, int enabled) { vg__getState(ctx)->shapeAntiAlias = enabled; }
void vgStrokeWidth(VGcontext* ctx, float width) { vg__getState(ctx)->strokeWidth = width; }
void vgMiterLimit(VGcontext* ctx, float limit) { vg__getState(ctx)->miterLimit = limit; }
void vgLineCap(VGcontext* ctx, int cap) { vg__getState(ctx)->lineCap = cap; }
void vgLineJoin(VGcontext* ctx, int join) { vg__getState(ctx)->lineJoin = join; }
void vgGlobalAlpha(VGcontext* ctx, float alpha) { vg__getState(ctx)->alpha = alpha; }

void vgTransform(VGcontext* ctx, float a, float b, float c, float d, float e, float f)
{
  const float t[6] = {a, b, c, d, e, f};
  vgTransformPremultiply(vg__getState(ctx)->xform, t);
}

void vgResetTransform(VGcontext* ctx) { vgTransformIdentity(vg__getState(ctx)->xform); }

void vgTranslate(VGcontext* ctx, float x, float y)
{
  float t[6];
  vgTransformTranslate(t, x, y);
  vgTransformPremultiply(vg__getState(ctx)->xform, t);
}

void vgRotate(VGcontext* ctx, float angle)
{
  float t[6];
  vgTransformRotate(t, angle);
  vgTransformPremultiply(vg__getState(ctx)->xform, t);
}

void vgSkewX(VGcontext* ctx, float angle)
{
  float t[6];
  vgTransformSkewX(t, angle);
  vgTransformPremultiply(vg__getState(ctx)->xform, t);
}

void vgSkewY(VGcontext* ctx, float angle)
{
  float t[6];
  vgTransformSkewY(t, angle);
  vgTransformPremultiply(vg__getState(ctx)->xform, t);
}

void vgScale(VGcontext* ctx, float x, float y)
{
  float t[6];
  vgTransformScale(t, x, y);
  vgTransformPremultiply(vg__getState(ctx)->xform, t);
}

void vgCurrentTransform(VGcontext* ctx, float* xform)
{
  if (xform) std::memcpy(xform, vg__getState(ctx)->xform, sizeof(float) * 6);
}

void vgStrokeColor(VGcontext* ctx, VGcolor color) { vg__setPaintColor(&vg__getState(ctx)->stroke, color); }

void vgStrokePaint(VGcontext* ctx, VGpaint paint)
{
  VGdrawState* state = vg__getState(ctx);
  state->stroke = paint;
  vgTransformMultiply(state->stroke.xform, state->xform);
}

void vgFillColor(VGcontext* ctx, VGcolor color) { vg__setPaintColor(&vg__getState(ctx)->fill, color); }

void vgFillPaint(VGcontext* ctx, VGpaint paint)
{
  VGdrawState* state = vg__getState(ctx);
  state->fill = paint;
  vgTransformMultiply(state->fill.xform, state->xform);
}

void vgGlobalCompositeOperation(VGcontext* ctx, int op)
{
  vg__getState(ctx)->compositeOperation = vg__compositeOperationState(op);
}

void vgGlobalCompositeBlendFunc(VGcontext* ctx, int sfactor, int dfactor)
{
  vgGlobalCompositeBlendFuncSeparate(ctx, sfactor, dfactor, sfactor, dfactor);
}

void vgGlobalCompositeBlendFuncSeparate(VGcontext* ctx, int srcRGB, int dstRGB, int srcAlpha, int dstAlpha)
{
  vg__getState(ctx)->compositeOperation = {srcRGB, dstRGB, srcAlpha, dstAlpha};
}

// Paints.

VGpaint vgLinearGradient(VGcontext*, float sx, float sy, float ex, float ey, VGcolor icol, VGcolor ocol)
{
  const float large = 1e5f;
  VGpaint p;
  std::memset(&p, 0, sizeof(p));
  float dx = ex - sx;
  float dy = ey - sy;
  const float d = std::sqrt(dx * dx + dy * dy);
  if (d > 0.0001f)
  {
    dx /= d;
    dy /= d;
  }
  else
  {
    dx = 0;
    dy = 1;
  }
  p.xform[0] = dy;
  p.xform[1] = -dx;
  p.xform[2] = dx;
  p.xform[3] = dy;
  p.xform[4] = sx - dx * large;
  p.xform[5] = sy - dy * large;
  p.extent[0] = large;
  p.extent[1] = large + d * 0.5f;
  p.radius = 0.0f;
  p.feather = std::max(1.0f, d);
  p.innerColor = icol;
  p.outerColor = ocol;
  return p;
}

VGpaint vgRadialGradient(VGcontext*, float cx, float cy, float inr, float outr, VGcolor icol, VGcolor ocol)
{
  const float r = (inr + outr) * 0.5f;
  const float f = (outr - inr);
  VGpaint p;
  std::memset(&p, 0, sizeof(p));
  vgTransformIdentity(p.xform);
  p.xform[4] = cx;
  p.xform[5] = cy;
  p.extent[0] = r;
  p.extent[1] = r;
  p.radius = r;
  p.feather = std::max(1.0f, f);
  p.innerColor = icol;
  p.outerColor = ocol;
  return p;
}

VGpaint vgBoxGradient(VGcontext*, float x, float y, float w, float h, float r, float f, VGcolor icol, VGcolor ocol)
{
  VGpaint p;
  std::memset(&p, 0, sizeof(p));
  vgTransformIdentity(p.xform);
  p.xform[4] = x + w * 0.5f;
  p.xform[5] = y + h * 0.5f;
  p.extent[0] = w * 0.5f;
  p.extent[1] = h * 0.5f;
  p.radius = r;
  p.feather = std::max(1.0f, f);
  p.innerColor = icol;
  p.outerColor = ocol;
  return p;
}

VGpaint vgImagePattern(VGcontext*, float cx, float cy, float w, float h, float angle, int image, float alpha)
{
  VGpaint p;
  std::memset(&p, 0, sizeof(p));
  vgTransformRotate(p.xform, angle);
  p.xform[4] = cx;
  p.xform[5] = cy;
  p.extent[0] = w;
  p.extent[1] = h;
  p.radius = 0.0f;
  p.feather = 0.0f;
  p.image = image;
  p.innerColor = p.outerColor = vgRGBAf(1, 1, 1, alpha);
  return p;
}

// Scissor.

void vgScissor(VGcontext* ctx, float x, float y, float w, float h)
{
  VGdrawState* state = vg__getState(ctx);
  w = std::max(0.0f, w);
  h = std::max(0.0f, h);
  vgTransformIdentity(state->scissor.xform);
  state->scissor.xform[4] = x + w * 0.5f;
  state->scissor.xform[5] = y + h * 0.5f;
  vgTransformMultiply(state->scissor.xform, state->xform);
  state->scissor.extent[0] = w * 0.5f;
  state->scissor.extent[1] = h * 0.5f;
}

void vgIntersectScissor(VGcontext* ctx, float x, float y, float w, float h)
{
  VGdrawState* state = vg__getState(ctx);
  if (state->scissor.extent[0] < 0)
  {
    vgScissor(ctx, x, y, w, h);
    return;
  }
  // The current scissor in the current state's space, as an axis-aligned
  // rectangle.
  float pxform[6], invxorm[6];
  std::memcpy(pxform, state->scissor.xform, sizeof(float) * 6);
  const float ex = state->scissor.extent[0];
  const float ey = state->scissor.extent[1];
  vgTransformInverse(invxorm, state->xform);
  vgTransformMultiply(pxform, invxorm);
  const float tex = ex * std::fabs(pxform[0]) + ey * std::fabs(pxform[2]);
  const float tey = ex * std::fabs(pxform[1]) + ey * std::fabs(pxform[3]);

  const float ax = pxform[4] - tex, ay = pxform[5] - tey;
  const float aw = tex * 2, ah = tey * 2;
  const float minx = std::max(ax, x);
  const float miny = std::max(ay, y);
  const float maxx = std::min(ax + aw, x + w);
  const float maxy = std::min(ay + ah, y + h);
  vgScissor(ctx, minx, miny, std::max(0.0f, maxx - minx), std::max(0.0f, maxy - miny));
}

void vgResetScissor(VGcontext* ctx)
{
  VGdrawState* state = vg__getState(ctx);
  std::memset(state->scissor.xform, 0, sizeof(state->scissor.xform));
  state->scissor.extent[0] = -1.0f;
  state->scissor.extent[1] = -1.0f;
}
