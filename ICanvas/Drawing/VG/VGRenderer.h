#pragma once
// The vector path renderer: an immediate-mode 2-D renderer over an opaque
// context. Set state (transform, paints, stroke style, scissor, blend),
// record a path, then fill or stroke it; the geometry goes to the backend of
// VGBackend.h. Coordinates are floats in user space; command points are
// transformed by the current transform when recorded. Image ids are > 0,
// 0 means none; failures return null, 0 or -1, never throw. Main thread only.

#include "VGBackend.h"

enum VGsolidity
{
  VG_SOLID = 1, // counter-clockwise
  VG_HOLE = 2,  // clockwise
};

enum VGlineCap
{
  VG_BUTT = 0,
  VG_ROUND = 1,
  VG_SQUARE = 2,
  VG_BEVEL = 3,
  VG_MITER = 4,
};

enum VGalign
{
  VG_ALIGN_LEFT = 1 << 0,
  VG_ALIGN_CENTER = 1 << 1,
  VG_ALIGN_RIGHT = 1 << 2,
  VG_ALIGN_TOP = 1 << 3,
  VG_ALIGN_MIDDLE = 1 << 4,
  VG_ALIGN_BOTTOM = 1 << 5,
  VG_ALIGN_BASELINE = 1 << 6,
};

enum VGcompositeOperation
{
  VG_SOURCE_OVER,
  VG_SOURCE_IN,
  VG_SOURCE_OUT,
  VG_ATOP,
  VG_DESTINATION_OVER,
  VG_DESTINATION_IN,
  VG_DESTINATION_OUT,
  VG_DESTINATION_ATOP,
  VG_LIGHTER,
  VG_COPY,
  VG_XOR,
};

// Context and frame. vgCreateInternal copies the block; null on any failure
// (the backend's renderDelete has then been called).
VGcontext* vgCreateInternal(VGbackendParams* params);
void vgDeleteInternal(VGcontext* ctx); // null is ignored
void vgBeginFrame(VGcontext* ctx, float windowWidth, float windowHeight, float devicePixelRatio);
void vgCancelFrame(VGcontext* ctx);
void vgEndFrame(VGcontext* ctx);

// Colours. Byte forms mask each value to 0..255.
VGcolor vgRGB(unsigned char r, unsigned char g, unsigned char b);
VGcolor vgRGBf(float r, float g, float b);
VGcolor vgRGBA(unsigned char r, unsigned char g, unsigned char b, unsigned char a);
VGcolor vgRGBAf(float r, float g, float b, float a);
VGcolor vgLerpRGBA(VGcolor c0, VGcolor c1, float u);
VGcolor vgTransRGBA(VGcolor c, unsigned char a);
VGcolor vgTransRGBAf(VGcolor c, float a);
VGcolor vgHSL(float h, float s, float l);
VGcolor vgHSLA(float h, float s, float l, unsigned char a);

// State stack (32 deep); setters write the top state only.
void vgSave(VGcontext* ctx);
void vgRestore(VGcontext* ctx);
void vgReset(VGcontext* ctx);
void vgShapeAntiAlias(VGcontext* ctx, int enabled);
void vgStrokeColor(VGcontext* ctx, VGcolor color);
void vgStrokePaint(VGcontext* ctx, VGpaint paint);
void vgFillColor(VGcontext* ctx, VGcolor color);
void vgFillPaint(VGcontext* ctx, VGpaint paint);
void vgMiterLimit(VGcontext* ctx, float limit);
void vgStrokeWidth(VGcontext* ctx, float size);
void vgLineCap(VGcontext* ctx, int cap);
void vgLineJoin(VGcontext* ctx, int join);
void vgGlobalAlpha(VGcontext* ctx, float alpha);
void vgGlobalCompositeOperation(VGcontext* ctx, int op);
void vgGlobalCompositeBlendFunc(VGcontext* ctx, int sfactor, int dfactor);
void vgGlobalCompositeBlendFuncSeparate(VGcontext* ctx, int srcRGB, int dstRGB, int srcAlpha, int dstAlpha);

// Transforms of the state: each new transform acts first on path points.
void vgResetTransform(VGcontext* ctx);
void vgTransform(VGcontext* ctx, float a, float b, float c, float d, float e, float f);
void vgTranslate(VGcontext* ctx, float x, float y);
void vgRotate(VGcontext* ctx, float angle); // radians
void vgSkewX(VGcontext* ctx, float angle);
void vgSkewY(VGcontext* ctx, float angle);
void vgScale(VGcontext* ctx, float x, float y);
void vgCurrentTransform(VGcontext* ctx, float* xform); // null is ignored

// Transforms on 6-float arrays (a, b, c, d, e, f).
void vgTransformIdentity(float* dst);
void vgTransformTranslate(float* dst, float tx, float ty);
void vgTransformScale(float* dst, float sx, float sy);
void vgTransformRotate(float* dst, float a);
void vgTransformSkewX(float* dst, float a);
void vgTransformSkewY(float* dst, float a);
void vgTransformMultiply(float* dst, const float* src);    // dst, then src
void vgTransformPremultiply(float* dst, const float* src); // src, then dst
// 1 on success; 0 and the identity when |determinant| < 1e-6.
int vgTransformInverse(float* dst, const float* src);
void vgTransformPoint(float* dstx, float* dsty, const float* xform, float srcx, float srcy);
float vgDegToRad(float deg);
float vgRadToDeg(float rad);

// Images: ids > 0, 0 on failure. Files and memory are decoded to 8-bit RGBA
// by stb_image, whose process-wide options (unpremultiply on load, byte
// order of platform-optimised PNG files) are switched on once, when the
// first context is created.
int vgCreateImage(VGcontext* ctx, const char* filename, int imageFlags);
int vgCreateImageMem(VGcontext* ctx, int imageFlags, unsigned char* data, int ndata);
int vgCreateImageRGBA(VGcontext* ctx, int w, int h, int imageFlags, const unsigned char* data);
void vgUpdateImage(VGcontext* ctx, int image, const unsigned char* data);
void vgImageSize(VGcontext* ctx, int image, int* w, int* h);
void vgDeleteImage(VGcontext* ctx, int image);

// Paints.
VGpaint vgLinearGradient(VGcontext* ctx, float sx, float sy, float ex, float ey, VGcolor icol, VGcolor ocol);
VGpaint vgBoxGradient(VGcontext* ctx, float x, float y, float w, float h, float r, float f, VGcolor icol,
                      VGcolor ocol);
VGpaint vgRadialGradient(VGcontext* ctx, float cx, float cy, float inr, float outr, VGcolor icol, VGcolor ocol);
VGpaint vgImagePattern(VGcontext* ctx, float ox, float oy, float ex, float ey, float angle, int image, float alpha);

// Scissor.
void vgScissor(VGcontext* ctx, float x, float y, float w, float h);
void vgIntersectScissor(VGcontext* ctx, float x, float y, float w, float h);
void vgResetScissor(VGcontext* ctx);

// Paths. Commands before the first move-to are ignored when flattened.
void vgBeginPath(VGcontext* ctx);
void vgMoveTo(VGcontext* ctx, float x, float y);
void vgLineTo(VGcontext* ctx, float x, float y);
void vgBezierTo(VGcontext* ctx, float c1x, float c1y, float c2x, float c2y, float x, float y);
void vgQuadTo(VGcontext* ctx, float cx, float cy, float x, float y);
void vgArcTo(VGcontext* ctx, float x1, float y1, float x2, float y2, float radius);
void vgClosePath(VGcontext* ctx);
void vgPathWinding(VGcontext* ctx, int dir);
void vgArc(VGcontext* ctx, float cx, float cy, float r, float a0, float a1, int dir);
void vgRect(VGcontext* ctx, float x, float y, float w, float h);
void vgRoundedRect(VGcontext* ctx, float x, float y, float w, float h, float r);
void vgRoundedRectVarying(VGcontext* ctx, float x, float y, float w, float h, float radTopLeft, float radTopRight,
                          float radBottomRight, float radBottomLeft);
void vgEllipse(VGcontext* ctx, float cx, float cy, float rx, float ry);
void vgCircle(VGcontext* ctx, float cx, float cy, float r);
void vgFill(VGcontext* ctx);
void vgStroke(VGcontext* ctx);

void vgDebugDumpPathCache(VGcontext* ctx);
