#pragma once
// Internals of the renderer context, shared by its source files (state,
// paths, tessellation, images, text). Not for users of the renderer.

#include "VGArray.h"
#include "VGRenderer.h"

struct FNTatlas;

constexpr int VG_MAX_STATES = 32;
constexpr int VG_MAX_FONTIMAGES = 4;
constexpr int VG_INIT_COMMANDS_SIZE = 256;
constexpr int VG_INIT_POINTS_SIZE = 128;
constexpr int VG_INIT_PATHS_SIZE = 16;
constexpr int VG_INIT_VERTS_SIZE = 256;
constexpr int VG_INIT_FONTIMAGE_SIZE = 512;
constexpr int VG_MAX_FONTIMAGE_SIZE = 2048;
constexpr float VG_PI = 3.14159265358979323846264338327f;
// Cubic bezier control offset that approximates a quarter circle.
constexpr float VG_KAPPA90 = 0.5522847493f;

// Makes room for `needed` items in a realloc'd array, growing it to needed
// plus half its room. False, with the array as it was, when that fails.
template <typename T>
bool vg__reserve(T*& items, int& capacity, int needed)
{
  return needed <= capacity || vg__resizeArray(items, capacity, needed + capacity / 2);
}

// Path commands: one float code followed by its values.
enum VGcommand
{
  VG_MOVETO = 0,   // x, y
  VG_LINETO = 1,   // x, y
  VG_BEZIERTO = 2, // c1x, c1y, c2x, c2y, x, y
  VG_CLOSE = 3,
  VG_WINDING = 4, // direction
};

enum VGpointFlags
{
  VG_PT_CORNER = 0x01,
  VG_PT_LEFT = 0x02,
  VG_PT_BEVEL = 0x04,
  VG_PR_INNERBEVEL = 0x08,
};

struct VGdrawState
{
  VGcompositeOperationState compositeOperation;
  int shapeAntiAlias;
  VGpaint fill;
  VGpaint stroke;
  float strokeWidth;
  float miterLimit;
  int lineJoin;
  int lineCap;
  float alpha;
  float xform[6];
  VGscissor scissor;
  float fontSize;
  float letterSpacing;
  float lineHeight;
  float fontBlur;
  int textAlign;
  int fontId;
};

struct VGflatPoint
{
  float x, y;
  float dx, dy; // unit direction to the next point
  float len;    // distance to the next point
  float dmx, dmy; // scaled miter direction
  unsigned char flags; // VGpointFlags
};

// Flattened paths of the current path, and the vertex store every fill,
// stroke and text run reuses. The arrays only grow.
struct VGpathStore
{
  VGflatPoint* points;
  int npoints;
  int cpoints;
  VGpath* paths;
  int npaths;
  int cpaths;
  VGvertex* verts;
  int nverts;
  int cverts;
  float bounds[4];
};

struct VGcontext
{
  VGbackendParams params;
  float* commands;
  int ccommands;
  int ncommands;
  float commandx, commandy; // last command point, untransformed
  VGdrawState states[VG_MAX_STATES];
  int nstates;
  VGpathStore* cache;
  float tessTol;
  float distTol;
  float fringeWidth;
  float devicePxRatio;
  FNTatlas* fs;
  int fontImages[VG_MAX_FONTIMAGES]; // renderer image ids, 0 for an empty slot
  int fontImageIdx;                  // the current atlas image
  int drawCallCount;
  int fillTriCount;
  int strokeTriCount;
  int textTriCount;
};

// The top of the state stack.
VGdrawState* vg__getState(VGcontext* ctx);
// Room for nverts vertices in the context's vertex store (contents not
// kept), or null when it cannot grow. Valid until the next call.
VGvertex* vg__allocTempVerts(VGcontext* ctx, int nverts);
// Sets stb_image's process-wide options once (see VGImage.cpp).
void vg__configureImageDecoder();
// Average scale of a transform: (sqrt(a^2 + c^2) + sqrt(b^2 + d^2)) / 2.
float vg__getAverageScale(const float* t);

inline void vg__vset(VGvertex* vtx, float x, float y, float u, float v)
{
  vtx->x = x;
  vtx->y = y;
  vtx->u = u;
  vtx->v = v;
}
