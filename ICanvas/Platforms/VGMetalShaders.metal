// The shader functions of the Metal backend. The vertex function places the
// renderer's vertices (points, origin at the top left) in clip space; the
// fragment functions shade one draw call's paint as a premultiplied colour,
// clipped by its scissor. fragmentShaderAA also fades stroke edges and
// discards what a stencil stroke's threshold leaves out.
//
// The component carries these functions compiled for the GPU
// (mvg_bitcode_macos). The CPU Metal stand-in compiles this same file as C++
// against its own metal_stdlib (VGMetalShaders.cpp).

#include <metal_stdlib>
using namespace metal;

// One draw call's paint at fragment buffer 0, at the call's offset; the
// layout the backend writes (MVGfragUniforms).
struct Uniforms
{
  float3x3 scissorMat;
  float3x3 paintMat;
  float4 innerCol; // premultiplied
  float4 outerCol; // premultiplied
  float2 scissorExt;
  float2 scissorScale;
  float2 extent;
  float radius;
  float feather;
  float strokeMult;
  float strokeThr;
  int texType;
  int type;
};

enum TextureType
{
  kTexturePremultiplied = 0,
  kTextureStraight = 1,
  kTextureAlpha = 2,
};

enum ShaderType
{
  kShaderFillGradient = 0,
  kShaderFillImage = 1,
  kShaderTriangles = 2,
};

// A vertex of buffer 0: position in points and texture coordinate.
struct VertexIn
{
  float2 pos [[attribute(0)]];
  float2 tcoord [[attribute(1)]];
};

struct RasterizerData
{
  float4 pos [[position]];
  float2 fpos; // points
  float2 ftcoord;
};

// viewSize: the target's size in points.
vertex RasterizerData vertexShader(VertexIn vert [[stage_in]], constant float2& viewSize [[buffer(1)]])
{
  RasterizerData out;
  out.pos = float4(2.0f * vert.pos.x / viewSize.x - 1.0f, 1.0f - 2.0f * vert.pos.y / viewSize.y, 0.0f, 1.0f);
  out.fpos = vert.pos;
  out.ftcoord = vert.tcoord;
  return out;
}

// Signed distance from the edge of a rectangle of half size ext centred on
// the origin, its corners rounded by rad; negative inside.
float roundRectDistance(float2 pt, float2 ext, float rad)
{
  float2 d = abs(pt) - (ext - float2(rad));
  return min(max(d.x, d.y), 0.0f) + length(max(d, float2(0.0f))) - rad;
}

// 1 inside the scissor, 0 outside, ramping over a pixel across its edges;
// 1 everywhere when there is no scissor (zero matrix, extent and scale 1).
float scissorMask(constant Uniforms& u, float2 p)
{
  float3 sp = u.scissorMat * float3(p, 1.0f);
  float2 sc = float2(0.5f) - (abs(float2(sp.x, sp.y)) - u.scissorExt) * u.scissorScale;
  return clamp(sc.x, 0.0f, 1.0f) * clamp(sc.y, 0.0f, 1.0f);
}

// A stroke's coverage: u runs 0 to 1 across the stroke, fading over its
// edges by the stroke multiplier; v below 1 fades a cap's end.
float strokeMask(constant Uniforms& u, float2 ftcoord)
{
  return min(1.0f, (1.0f - abs(ftcoord.x * 2.0f - 1.0f)) * u.strokeMult) * min(1.0f, ftcoord.y);
}

// The texture's colour, premultiplied.
float4 textureColor(constant Uniforms& u, texture2d<float> texture, sampler textureSampler, float2 uv)
{
  float4 color = texture.sample(textureSampler, uv);
  if (u.texType == kTextureStraight)
    color = float4(color.x * color.w, color.y * color.w, color.z * color.w, color.w);
  else if (u.texType == kTextureAlpha)
    color = float4(color.x);
  return color;
}

float4 shade(RasterizerData in, constant Uniforms& u, texture2d<float> texture, sampler textureSampler,
             bool antiAlias)
{
  float scissor = scissorMask(u, in.fpos);
  if (u.type == kShaderTriangles)
    return textureColor(u, texture, textureSampler, in.ftcoord) * (u.innerCol * scissor);

  float strokeAlpha = 1.0f;
  if (antiAlias)
  {
    strokeAlpha = strokeMask(u, in.ftcoord);
    if (strokeAlpha < u.strokeThr)
      discard_fragment();
  }
  float alpha = scissor * strokeAlpha;
  float3 paint = u.paintMat * float3(in.fpos, 1.0f);
  float2 pt = float2(paint.x, paint.y);
  if (u.type == kShaderFillImage)
    return textureColor(u, texture, textureSampler, pt / u.extent) * (u.innerCol * alpha);

  // A gradient across the feather of a rounded rectangle (a linear, radial or
  // box gradient; a plain colour has equal inner and outer colours).
  float d = clamp((roundRectDistance(pt, u.extent, u.radius) + u.feather * 0.5f) / u.feather, 0.0f, 1.0f);
  return mix(u.innerCol, u.outerCol, d) * alpha;
}

fragment float4 fragmentShader(RasterizerData in [[stage_in]], constant Uniforms& uniforms [[buffer(0)]],
                               texture2d<float> texture [[texture(0)]], sampler textureSampler [[sampler(0)]])
{
  return shade(in, uniforms, texture, textureSampler, false);
}

fragment float4 fragmentShaderAA(RasterizerData in [[stage_in]], constant Uniforms& uniforms [[buffer(0)]],
                                 texture2d<float> texture [[texture(0)]], sampler textureSampler [[sampler(0)]])
{
  return shade(in, uniforms, texture, textureSampler, true);
}
