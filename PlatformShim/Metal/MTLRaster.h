#pragma once
// The CPU executor behind the Metal stand-in: texture storage, the fixed
// states of pipelines, samplers and depth-stencil, and a rasteriser that
// draws triangles with the stencil test and blending into a colour target.
// Used by the worker thread only (and by texture upload and read-back, which
// the caller orders against it).

#include "PWShimMetal.h"

#include <cstdint>
#include <vector>

namespace pwmtl
{

int BytesPerPixel(int pixelFormat); // 0 for an unsupported format

struct Texture
{
  int width = 0, height = 0, format = 0, bytesPerPixel = 0, rowBytes = 0;
  std::vector<uint8_t> pixels;
  PWMTLTextureView View() const { return {pixels.data(), width, height, rowBytes, format}; }
};

struct StencilFace
{
  int compare = 7; // MTLCompareFunctionAlways
  int failOp = 0, depthFailOp = 0, passOp = 0;
  uint8_t readMask = 0xff, writeMask = 0xff;
  bool Inactive() const { return compare == 7 && passOp == 0; }
};

struct DepthStencil
{
  StencilFace front, back;
};

struct VertexAttribute
{
  int format = 0; // MTLVertexFormat, 0 unused
  int offset = 0, bufferIndex = 0;
};

struct Pipeline
{
  PWMTLVertexFunction vertexFunction = nullptr;
  PWMTLFragmentFunction fragmentFunction = nullptr; // null: no colour output
  PWMTLFragmentFunction8 fragmentFunction8 = nullptr; // optional 8-bit form
  VertexAttribute attributes[kPWMTLMaxAttributes];
  int strides[kPWMTLMaxBuffers] = {};
  int colorFormat = 0;
  bool blending = false;
  int srcRGB = 1, dstRGB = 0, srcAlpha = 1, dstAlpha = 0; // MTLBlendFactor
  int writeMask = 15;                                     // MTLColorWriteMask
};

// Everything a draw reads, resolved to plain pointers by the caller.
struct DrawState
{
  const Pipeline* pipeline = nullptr;
  const DepthStencil* depthStencil = nullptr; // null: stencil off
  uint32_t stencilReference = 0;
  int cullMode = 0;       // MTLCullMode
  int frontWinding = 0;   // MTLWinding
  double viewport[4] = {}; // x, y, width, height in pixels
  const uint8_t* vertexBuffers[kPWMTLMaxBuffers] = {};
  const uint8_t* fragmentBuffers[kPWMTLMaxBuffers] = {};
  const PWMTLTextureView* textures[kPWMTLMaxTextures] = {};
  const PWMTLSamplerView* samplers[kPWMTLMaxTextures] = {};
};

class Rasterizer
{
public:
  // Targets of the render pass; either may be null.
  void Begin(Texture* color, Texture* stencil);
  void ClearColor(const double rgba[4]);
  void ClearStencil(uint8_t value);

  // primitive: MTLPrimitiveType (triangles and strips; others draw nothing).
  // indices: null for vertices start..start+count-1, else count indices of
  // indexType (MTLIndexType) from which start is ignored.
  void Draw(const DrawState& state, int primitive, uint32_t start, uint32_t count, const void* indices,
            int indexType);

private:
  struct ScreenVertex
  {
    int64_t x, y; // 1/256 pixel
    float fx, fy; // pixels
    float varyings[kPWMTLMaxVaryings];
  };
  bool Shade(const DrawState& state, uint32_t first, uint32_t count);
  void Triangle(const DrawState& state, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c);
  void Span(const DrawState& state, const StencilFace* face, PWMTLFragmentSpan& span);

  Texture* color_ = nullptr;
  Texture* stencil_ = nullptr;
  int clipX0_ = 0, clipY0_ = 0, clipX1_ = 0, clipY1_ = 0; // pixel bounds, exclusive end
  uint32_t shadedFirst_ = 0;
  bool use8_ = true;
  bool drawColour_ = false, drawSourceOver_ = false, drawBytes_ = false; // of the draw in progress
  std::vector<ScreenVertex> shaded_; // scratch, grows only
  std::vector<float> rgba_;
  std::vector<uint8_t> keep_, pass_, pixels8_;
};

} // namespace pwmtl
