#include "VGMetalShaders.h"

#include <Metal/PWShimMetal.h>

#include <algorithm>
#include <cmath>

const unsigned char mvg_bitcode_macos[] = kPWMTLLibraryMagic "vertexShader\0fragmentShader\0fragmentShaderAA";
const unsigned int mvg_bitcode_macos_len = sizeof(mvg_bitcode_macos);

namespace
{
// Varyings: 0, 1 position in points; 2, 3 texture coordinate.
void VertexShader(const PWMTLVertexIn* in, PWMTLVertexOut* out)
{
  const float* viewSize = reinterpret_cast<const float*>(in->buffers[1]);
  const float x = in->attributes[0][0], y = in->attributes[0][1];
  out->position[0] = 2.f * x / viewSize[0] - 1.f;
  out->position[1] = 1.f - 2.f * y / viewSize[1];
  out->position[2] = 0.f;
  out->position[3] = 1.f;
  out->varyings[0] = x;
  out->varyings[1] = y;
  out->varyings[2] = in->attributes[1][0];
  out->varyings[3] = in->attributes[1][1];
}

inline float Clamp01(float v)
{
  return v < 0.f ? 0.f : (v > 1.f ? 1.f : v);
}

// Signed distance from a rounded rectangle of half size ext and radius rad.
inline float RoundRectDistance(float px, float py, float ex, float ey, float rad)
{
  const float dx = std::fabs(px) - (ex - rad), dy = std::fabs(py) - (ey - rad);
  const float mx = std::max(dx, 0.f), my = std::max(dy, 0.f);
  return std::min(std::max(dx, dy), 0.f) + std::sqrt(mx * mx + my * my) - rad;
}

// The texture's colour as premultiplied rgba by the block's texture type.
inline void TexColor(const MVGfragUniforms& u, const PWMTLFragmentSpan* span, float s, float t, float* c)
{
  PWMTLSample(span->textures[0], span->samplers[0], s, t, c);
  if (u.texType == 1)
    c[0] *= c[3], c[1] *= c[3], c[2] *= c[3];
  else if (u.texType == 2)
    c[1] = c[2] = c[3] = c[0];
}

template <bool kAntiAlias> void FragmentShader(const PWMTLFragmentSpan* span, float* rgba, uint8_t* keep)
{
  const MVGfragUniforms& u = *reinterpret_cast<const MVGfragUniforms*>(span->buffers[0]);
  const float* sm = u.scissorMat;
  const float* pm = u.paintMat;
  float x = span->varyings[0], y = span->varyings[1], s = span->varyings[2], t = span->varyings[3];
  const float dx = span->dvaryings[0], dy = span->dvaryings[1], ds = span->dvaryings[2], dt = span->dvaryings[3];
  for (int i = 0; i < span->count; i++, x += dx, y += dy, s += ds, t += dt)
  {
    float* out = rgba + 4 * i;
    const float scx = 0.5f - (std::fabs(sm[0] * x + sm[4] * y + sm[8]) - u.scissorExt[0]) * u.scissorScale[0];
    const float scy = 0.5f - (std::fabs(sm[1] * x + sm[5] * y + sm[9]) - u.scissorExt[1]) * u.scissorScale[1];
    const float scissor = Clamp01(scx) * Clamp01(scy);
    float strokeAlpha = 1.f;
    if (kAntiAlias)
    {
      strokeAlpha = std::min(1.f, (1.f - std::fabs(s * 2.f - 1.f)) * u.strokeMult) * std::min(1.f, t);
      if (strokeAlpha < u.strokeThr)
      {
        keep[i] = 0;
        continue;
      }
    }
    if (u.type == MVG_SHADER_FILLGRAD)
    {
      const float px = pm[0] * x + pm[4] * y + pm[8], py = pm[1] * x + pm[5] * y + pm[9];
      const float d =
        Clamp01((RoundRectDistance(px, py, u.extent[0], u.extent[1], u.radius) + u.feather * 0.5f) / u.feather);
      const float k = strokeAlpha * scissor;
      for (int c = 0; c < 4; c++)
        out[c] = (u.innerCol[c] + (u.outerCol[c] - u.innerCol[c]) * d) * k;
    }
    else if (u.type == MVG_SHADER_FILLIMG)
    {
      const float px = pm[0] * x + pm[4] * y + pm[8], py = pm[1] * x + pm[5] * y + pm[9];
      TexColor(u, span, px / u.extent[0], py / u.extent[1], out);
      const float k = strokeAlpha * scissor;
      for (int c = 0; c < 4; c++)
        out[c] *= u.innerCol[c] * k;
    }
    else
    {
      TexColor(u, span, s, t, out);
      for (int c = 0; c < 4; c++)
        out[c] *= u.innerCol[c] * scissor;
    }
  }
}
} // namespace

void mvgRegisterShaderFunctions()
{
  PWMTLRegisterVertexFunction("vertexShader", VertexShader);
  PWMTLRegisterFragmentFunction("fragmentShader", FragmentShader<false>);
  PWMTLRegisterFragmentFunction("fragmentShaderAA", FragmentShader<true>);
}
