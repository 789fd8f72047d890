// VGMetalShaders.metal compiled as C++ against the Metal stand-in's
// metal_stdlib (PlatformShim/Metal), with the adapters through which the
// stand-in calls its functions, and their registration by name.
#include "VGMetalShaders.h"
#include "VGMetalStandInShaders.h"

#include <cstddef>
#include <cstring>

// Last: the Metal source's qualifiers (vertex, fragment, constant) are macros.
#include "VGMetalShaders.metal"

#define PWMTL_SAME_FIELD(field)                                                                                      \
  static_assert(offsetof(Uniforms, field) == offsetof(MVGfragUniforms, field), "uniform block field " #field)
PWMTL_SAME_FIELD(scissorMat);
PWMTL_SAME_FIELD(paintMat);
PWMTL_SAME_FIELD(innerCol);
PWMTL_SAME_FIELD(outerCol);
PWMTL_SAME_FIELD(scissorExt);
PWMTL_SAME_FIELD(scissorScale);
PWMTL_SAME_FIELD(extent);
PWMTL_SAME_FIELD(radius);
PWMTL_SAME_FIELD(feather);
PWMTL_SAME_FIELD(strokeMult);
PWMTL_SAME_FIELD(strokeThr);
PWMTL_SAME_FIELD(texType);
PWMTL_SAME_FIELD(type);
#undef PWMTL_SAME_FIELD
static_assert(sizeof(Uniforms) == sizeof(MVGfragUniforms), "the uniform block's layout is the backend's");

const unsigned char mvg_bitcode_macos[] = kPWMTLLibraryMagic "vertexShader\0fragmentShader\0fragmentShaderAA";
const unsigned int mvg_bitcode_macos_len = sizeof(mvg_bitcode_macos);

void mvgVertexShader(const PWMTLVertexIn* in, PWMTLVertexOut* out)
{
  VertexIn vert;
  vert.pos = float2(in->attributes[0][0], in->attributes[0][1]);
  vert.tcoord = float2(in->attributes[1][0], in->attributes[1][1]);
  float2 viewSize(0.0f); // unbound: every vertex lands outside any target
  if (in->buffers[1])
    std::memcpy(&viewSize, in->buffers[1], sizeof(viewSize));
  const RasterizerData r = vertexShader(vert, viewSize);
  const float position[4] = {r.pos.x, r.pos.y, r.pos.z, r.pos.w};
  const float varyings[4] = {r.fpos.x, r.fpos.y, r.ftcoord.x, r.ftcoord.y};
  std::memcpy(out->position, position, sizeof(position));
  std::memcpy(out->varyings, varyings, sizeof(varyings));
}

namespace
{
using FragmentFunction = float4 (*)(RasterizerData, constant Uniforms&, texture2d<float>, sampler);

// Calls the function once per pixel of the span, with the varyings at the
// pixel's centre.
template <FragmentFunction kFunction> void Fragment(const PWMTLFragmentSpan* span, float* rgba, uint8_t* keep)
{
  Uniforms uniforms; // copied: the buffer's bytes need not be aligned for it
  std::memcpy(&uniforms, span->buffers[0], sizeof(uniforms));
  const texture2d<float> texture(span->textures[0]);
  const sampler textureSampler(span->samplers[0]);
  const float* v = span->varyings;
  const float* dv = span->dvaryings;
  RasterizerData in;
  in.pos = float4(0.0f, span->y + 0.5f, 0.0f, 1.0f);
  for (int i = 0; i < span->count; i++)
  {
    in.pos.x = span->x + i + 0.5f;
    in.fpos = float2(v[0] + i * dv[0], v[1] + i * dv[1]);
    in.ftcoord = float2(v[2] + i * dv[2], v[3] + i * dv[3]);
    metal::standin::fragmentDiscarded = false;
    const float4 c = kFunction(in, uniforms, texture, textureSampler);
    const float color[4] = {c.x, c.y, c.z, c.w};
    std::memcpy(rgba + 4 * i, color, sizeof(color));
    keep[i] = !metal::standin::fragmentDiscarded;
  }
}
} // namespace

void mvgFragmentShader(const PWMTLFragmentSpan* span, float* rgba, uint8_t* keep)
{
  Fragment<fragmentShader>(span, rgba, keep);
}

void mvgFragmentShaderAA(const PWMTLFragmentSpan* span, float* rgba, uint8_t* keep)
{
  Fragment<fragmentShaderAA>(span, rgba, keep);
}

void mvgRegisterShaderFunctions()
{
  PWMTLRegisterVertexFunction("vertexShader", mvgVertexShader);
  PWMTLRegisterFragmentFunction("fragmentShader", mvgFragmentShader);
  PWMTLRegisterFragmentFunction("fragmentShaderAA", mvgFragmentShaderAA);
  PWMTLRegisterFragmentFunction8("fragmentShader", mvgFragmentShader8);
  PWMTLRegisterFragmentFunction8("fragmentShaderAA", mvgFragmentShaderAA8);
}
