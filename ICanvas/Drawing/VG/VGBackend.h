#pragma once
// The records and operations through which the renderer context hands its
// geometry to a GPU backend, and the offscreen render targets built on them.
// The renderer itself draws nothing: every GPU action is one of the twelve
// operations of VGbackendParams, called on the drawing (main) thread.

struct VGcontext;

// Colour, 0 to 1 per component, not premultiplied.
struct VGcolor
{
  union
  {
    float rgba[4];
    struct
    {
      float r, g, b, a;
    };
  };
};

// Every gradient is one shape: a rounded rectangle of half size `extent` and
// corner `radius` centred at the paint-space origin, softened over `feather`,
// coloured from innerColor (inside) to outerColor (outside). With image > 0
// the image covers (0, 0)..extent of paint space, tinted by innerColor.
struct VGpaint
{
  float xform[6]; // paint space to user space: x' = a x + c y + e, y' = b x + d y + f
  float extent[2];
  float radius;
  float feather;
  VGcolor innerColor;
  VGcolor outerColor;
  int image; // 0: none
};

// Scissor rectangle of half size `extent` centred at the origin of its
// transform; an extent of -1 means no scissor.
struct VGscissor
{
  float xform[6];
  float extent[2];
};

// Blend factors, one VGblendFactor bit each.
struct VGcompositeOperationState
{
  int srcRGB;
  int dstRGB;
  int srcAlpha;
  int dstAlpha;
};

enum VGblendFactor
{
  VG_ZERO = 1 << 0,
  VG_ONE = 1 << 1,
  VG_SRC_COLOR = 1 << 2,
  VG_ONE_MINUS_SRC_COLOR = 1 << 3,
  VG_DST_COLOR = 1 << 4,
  VG_ONE_MINUS_DST_COLOR = 1 << 5,
  VG_SRC_ALPHA = 1 << 6,
  VG_ONE_MINUS_SRC_ALPHA = 1 << 7,
  VG_DST_ALPHA = 1 << 8,
  VG_ONE_MINUS_DST_ALPHA = 1 << 9,
  VG_SRC_ALPHA_SATURATE = 1 << 10,
};

// For fills and strokes u runs across the fringe or stroke (0 on one edge,
// 1 on the other, 0.5 on the centre line or inside a fill) and v is 1 except
// 0 at the outer end of a butt or square cap's fringe. For text u, v are
// texture coordinates in the atlas image.
struct VGvertex
{
  float x, y, u, v;
};

enum VGwinding
{
  VG_CCW = 1, // solid
  VG_CW = 2,  // hole
};

// One flattened sub-path as the backend receives it. `fill` is a triangle fan
// of nfill vertices; `stroke` a triangle strip of nstroke vertices (for a
// fill its anti-alias fringe, none without fringe; for a stroke the stroke).
struct VGpath
{
  int first; // index of the first point in the renderer's point store
  int count;
  unsigned char closed;
  int nbevel;
  VGvertex* fill;
  int nfill;
  VGvertex* stroke;
  int nstroke;
  int winding; // VG_CCW or VG_CW
  int convex;  // nonzero when every turn goes the same way
};

// Texture types of renderCreateTexture.
enum VGtexture
{
  VG_TEXTURE_ALPHA = 1, // one byte a pixel
  VG_TEXTURE_RGBA = 2,  // four bytes a pixel
};

// Image flags. The renderer passes them to renderCreateTexture unchanged;
// all but premultiplied (which offscreen targets add) mean something only
// to the backend.
enum VGimageFlags
{
  VG_IMAGE_GENERATE_MIPMAPS = 1 << 0,
  VG_IMAGE_REPEATX = 1 << 1,
  VG_IMAGE_REPEATY = 1 << 2,
  VG_IMAGE_FLIPY = 1 << 3,
  VG_IMAGE_PREMULTIPLIED = 1 << 4,
  VG_IMAGE_NEAREST = 1 << 5,
  VG_IMAGE_NODELETE = 1 << 16, // a texture the backend must not release
};

// Flags of a backend's creation function.
enum VGcreateFlags
{
  VG_ANTIALIAS = 1 << 0, // sets VGbackendParams::edgeAntiAlias
  VG_STENCIL_STROKES = 1 << 1,
  VG_DEBUG = 1 << 2,
  VG_DOUBLE_BUFFER = 1 << 12,
  VG_TRIPLE_BUFFER = 1 << 13,
};

// The backend's parameter block, copied into the context at creation. Each
// operation receives userPtr first. Path, vertex, paint and scissor data
// passed to renderFill, renderStroke and renderTriangles are valid only
// during the call: a backend that draws at flush time copies them.
struct VGbackendParams
{
  void* userPtr;
  int edgeAntiAlias; // nonzero: fills and strokes get a one-device-pixel fringe

  // Nonzero on success; called once from vgCreateInternal.
  int (*renderCreate)(void* uptr);
  // Image id > 0, or 0 on failure. type is a VGtexture; data may be null.
  int (*renderCreateTexture)(void* uptr, int type, int w, int h, int imageFlags, const unsigned char* data);
  int (*renderDeleteTexture)(void* uptr, int image);
  // data is the whole image (row stride = image width x bytes a pixel); the
  // rectangle (x, y, w, h) of it is copied into the texture.
  int (*renderUpdateTexture)(void* uptr, int image, int x, int y, int w, int h, const unsigned char* data);
  int (*renderGetTextureSize)(void* uptr, int image, int* w, int* h);
  // Starts a frame of width x height logical units.
  void (*renderViewport)(void* uptr, float width, float height, float devicePixelRatio);
  void (*renderCancel)(void* uptr);
  // Renders everything queued since renderViewport into the bound target.
  void (*renderFlush)(void* uptr);
  // bounds: min x, min y, max x, max y of all paths.
  void (*renderFill)(void* uptr, VGpaint* paint, VGcompositeOperationState compositeOperation, VGscissor* scissor,
                     float fringe, const float* bounds, const VGpath* paths, int npaths);
  void (*renderStroke)(void* uptr, VGpaint* paint, VGcompositeOperationState compositeOperation, VGscissor* scissor,
                       float fringe, float strokeWidth, const VGpath* paths, int npaths);
  // A triangle list (text).
  void (*renderTriangles)(void* uptr, VGpaint* paint, VGcompositeOperationState compositeOperation, VGscissor* scissor,
                          const VGvertex* verts, int nverts, float fringe);
  // Frees the backend context; the last call vgDeleteInternal makes.
  void (*renderDelete)(void* uptr);
};

// The context's copy of the parameter block (the backend reaches its user
// pointer through it).
VGbackendParams* vgInternalParams(VGcontext* ctx);

// An offscreen render target: a renderer context and the id of its RGBA
// colour image.
struct MVGframebuffer
{
  VGcontext* ctx;
  int image;
};

// Implemented by the renderer (portable): creates an RGBA image of w x h
// without data with imageFlags | VG_IMAGE_PREMULTIPLIED. Null when the record
// cannot be allocated or the image cannot be created.
MVGframebuffer* mvgCreateFramebuffer(VGcontext* ctx, int w, int h, int imageFlags);
// Deletes the image when its id is above 0 and frees the record; null is ignored.
void mvgDeleteFramebuffer(MVGframebuffer* fb);

// Implemented by the backend.
// Sets the one process-wide current target; null selects the screen. The
// next renderFlush draws into the target bound at that moment.
void mvgBindFramebuffer(MVGframebuffer* fb);
// The next flush first clears its target to the colour with r, g, b
// multiplied by a.
void mvgClearWithColor(VGcontext* ctx, VGcolor color);
// Waits until no frame in flight draws into the image, then copies the
// rectangle (four bytes a pixel for RGBA images) into data.
void mvgReadPixels(VGcontext* ctx, int image, int x, int y, int w, int h, void* data);
