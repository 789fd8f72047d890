// The 8-bit forms of the fragment functions of VGMetalShaders.metal: the
// same shading, packed straight to bytes, with runs of one colour filled at
// once (solid fills, and gradients whose colour changes by less than half a
// step along the run).
#include "VGMetalShaders.h"
#include "VGMetalStandInShaders.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{
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

// Coverage of count pixels from the scissor and, with anti-aliasing, the
// stroke edges (count at most kChunk); clears keep where a fragment is
// discarded. True when every pixel has the same coverage.
constexpr int kChunk = 256;

// Out of line: inlined into Shade it makes the frame slower.
template <bool kAntiAlias>
__attribute__((noinline)) bool Coverage(const MVGfragUniforms& u, const PWMTLFragmentSpan* span, int first, int count, float* alpha,
              uint8_t* keep)
{
  const float* sm = u.scissorMat;
  const float x0 = span->varyings[0] + first * span->dvaryings[0], dx = span->dvaryings[0];
  const float y0 = span->varyings[1] + first * span->dvaryings[1], dy = span->dvaryings[1];
  // Without a scissor transform the mask is the same everywhere: k.
  const bool flat = sm[0] == 0.f && sm[1] == 0.f && sm[4] == 0.f && sm[5] == 0.f && sm[8] == 0.f && sm[9] == 0.f;
  const float k = flat ? Clamp01(0.5f + u.scissorExt[0] * u.scissorScale[0]) *
                           Clamp01(0.5f + u.scissorExt[1] * u.scissorScale[1])
                       : 0.f;
  if (!flat)
    for (int i = 0; i < count; i++)
    {
      const float x = x0 + i * dx, y = y0 + i * dy;
      const float scx = 0.5f - (std::fabs(sm[0] * x + sm[4] * y + sm[8]) - u.scissorExt[0]) * u.scissorScale[0];
      const float scy = 0.5f - (std::fabs(sm[1] * x + sm[5] * y + sm[9]) - u.scissorExt[1]) * u.scissorScale[1];
      alpha[i] = Clamp01(scx) * Clamp01(scy);
    }
  const bool stroked = kAntiAlias && u.type != MVG_SHADER_IMG;
  const float s0 = span->varyings[2] + first * span->dvaryings[2], ds = span->dvaryings[2];
  const float t0 = span->varyings[3] + first * span->dvaryings[3], dt = span->dvaryings[3];
  const float mult = u.strokeMult, threshold = u.strokeThr;
  if (!stroked || (ds == 0.f && dt == 0.f && threshold <= -1.f))
  {
    // Inside a fill u and v are constant: so is the stroke coverage.
    const float stroke = stroked ? std::min(1.f, (1.f - std::fabs(s0 * 2.f - 1.f)) * mult) * std::min(1.f, t0) : 1.f;
    if (flat)
      std::fill_n(alpha, count, stroked ? k * stroke : k);
    else if (stroked)
      for (int i = 0; i < count; i++)
        alpha[i] *= stroke;
    return flat;
  }
  for (int i = 0; i < count; i++)
  {
    const float s = s0 + i * ds, t = t0 + i * dt;
    const float stroke = std::min(1.f, (1.f - std::fabs(s * 2.f - 1.f)) * mult) * std::min(1.f, t);
    alpha[i] = (flat ? k : alpha[i]) * stroke;
    if (threshold > -1.f) // stencil strokes discard what the threshold leaves out
      keep[i] = stroke >= threshold;
  }
  return false;
}

// count premultiplied float colours as 8-bit pixels: clamped to 0..1 and
// rounded to nearest (ties to even), red first or, with bgra, blue first.
void Pack(const float* rgba, int count, bool bgra, uint8_t* out)
{
  int i = 0;
#if defined(__SSE2__)
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.f), scale = _mm_set1_ps(255.f);
  auto convert = [&](const float* src) {
    const __m128i v = _mm_cvtps_epi32(_mm_mul_ps(_mm_min_ps(_mm_max_ps(_mm_loadu_ps(src), zero), one), scale));
    return bgra ? _mm_shuffle_epi32(v, _MM_SHUFFLE(3, 0, 1, 2)) : v;
  };
  for (; i + 4 <= count; i += 4)
  {
    const __m128i p01 = _mm_packs_epi32(convert(rgba + 4 * i), convert(rgba + 4 * i + 4));
    const __m128i p23 = _mm_packs_epi32(convert(rgba + 4 * i + 8), convert(rgba + 4 * i + 12));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), _mm_packus_epi16(p01, p23));
  }
  for (; i < count; i++)
  {
    const __m128i p = _mm_packs_epi32(convert(rgba + 4 * i), zero);
    const int32_t v = _mm_cvtsi128_si32(_mm_packus_epi16(p, p));
    std::memcpy(out + 4 * i, &v, 4);
  }
#else
  for (; i < count; i++)
    for (int c = 0; c < 4; c++)
    {
      const float v = rgba[4 * i + c];
      out[4 * i + (bgra && c < 3 ? 2 - c : c)] = (uint8_t)std::nearbyint(Clamp01(v != v ? 0.f : v) * 255.f);
    }
#endif
}

// Pack of (inner + delta d[i]) alpha[i], or inner alpha[i] without d, each
// channel computed as the float shading does; reads d and alpha up to a
// multiple of 4 (kChunk is one).
void PackPaint(const float* inner, const float* delta, const float* d, const float* alpha, int count, bool bgra,
               uint8_t* out)
{
#if defined(__SSE2__)
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.f), scale = _mm_set1_ps(255.f);
  const __m128 in0 = _mm_set1_ps(inner[0]), in1 = _mm_set1_ps(inner[1]), in2 = _mm_set1_ps(inner[2]),
               in3 = _mm_set1_ps(inner[3]);
  const __m128 de0 = _mm_set1_ps(d ? delta[0] : 0.f), de1 = _mm_set1_ps(d ? delta[1] : 0.f),
               de2 = _mm_set1_ps(d ? delta[2] : 0.f), de3 = _mm_set1_ps(d ? delta[3] : 0.f);
  auto channel = [&](__m128 v, __m128 a) {
    return _mm_cvtps_epi32(_mm_mul_ps(_mm_min_ps(_mm_max_ps(_mm_mul_ps(v, a), zero), one), scale));
  };
  for (int i = 0; i < count; i += 4)
  {
    const __m128 a = _mm_loadu_ps(alpha + i);
    __m128i r, g, b, al;
    if (d)
    {
      const __m128 t = _mm_loadu_ps(d + i);
      r = channel(_mm_add_ps(in0, _mm_mul_ps(de0, t)), a);
      g = channel(_mm_add_ps(in1, _mm_mul_ps(de1, t)), a);
      b = channel(_mm_add_ps(in2, _mm_mul_ps(de2, t)), a);
      al = channel(_mm_add_ps(in3, _mm_mul_ps(de3, t)), a);
    }
    else
      r = channel(in0, a), g = channel(in1, a), b = channel(in2, a), al = channel(in3, a);
    if (bgra)
      std::swap(r, b);
    const __m128i pixels = _mm_or_si128(_mm_or_si128(r, _mm_slli_epi32(g, 8)),
                                        _mm_or_si128(_mm_slli_epi32(b, 16), _mm_slli_epi32(al, 24)));
    if (count - i >= 4)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), pixels);
    else
    {
      uint8_t last[16];
      _mm_storeu_si128(reinterpret_cast<__m128i*>(last), pixels);
      for (int j = 0; j < count - i; j++)
        std::memcpy(out + 4 * (i + j), last + 4 * j, 4);
    }
  }
#else
  float rgba[4];
  for (int i = 0; i < count; i++)
  {
    for (int c = 0; c < 4; c++)
      rgba[c] = (d ? inner[c] + delta[c] * d[i] : inner[c]) * alpha[i];
    Pack(rgba, 1, bgra, out + 4 * i);
  }
#endif
}

// Whether a gradient's colour changes by less than half an 8-bit step over n
// pixels from (x0, y0) on, stepping by (dx, dy), at coverage alpha. True
// where the distance to the box follows one paint axis only (as across a
// linear gradient's bands): the distance is 1-Lipschitz along that axis, and
// a bound on float rounding is added.
bool FlatGradient(const MVGfragUniforms& u, float x0, float dx, float y0, float dy, int n, float alpha)
{
  const float* m = u.paintMat;
  const float px0 = m[0] * x0 + m[4] * y0 + m[8], py0 = m[1] * x0 + m[5] * y0 + m[9];
  const float gx = m[0] * dx + m[4] * dy, gy = m[1] * dx + m[5] * dy; // per pixel
  const float px1 = px0 + gx * (n - 1), py1 = py0 + gy * (n - 1);
  // Bounds of |p| - (extent - radius) over the span, per axis.
  auto low = [](float a, float b, float e) { return ((a < 0.f) != (b < 0.f) ? 0.f : std::min(std::fabs(a), std::fabs(b))) - e; };
  auto high = [](float a, float b, float e) { return std::max(std::fabs(a), std::fabs(b)) - e; };
  const float ex = u.extent[0] - u.radius, ey = u.extent[1] - u.radius;
  float change;
  if (high(px0, px1, ex) <= std::min(low(py0, py1, ey), 0.f))
    change = std::fabs(gy) * (n - 1);
  else if (high(py0, py1, ey) <= std::min(low(px0, px1, ex), 0.f))
    change = std::fabs(gx) * (n - 1);
  else
    return false;
  const float magnitude = std::fabs(m[0] * x0) + std::fabs(m[4] * y0) + std::fabs(m[1] * x0) + std::fabs(m[5] * y0) +
                          std::fabs(m[8]) + std::fabs(m[9]) + std::fabs(px1) + std::fabs(py1) + u.extent[0] +
                          u.extent[1];
  change += magnitude * 1e-6f;
  float spread = 0.f;
  for (int c = 0; c < 4; c++)
    spread = std::max(spread, std::fabs(u.outerCol[c] - u.innerCol[c]));
  return change / u.feather * spread * alpha * 255.f < 0.5f;
}

// Shades into 8-bit pixels (see Pack).
template <bool kAntiAlias> void Shade(const PWMTLFragmentSpan* span, uint8_t* dst, uint8_t* keep)
{
  // The loops below read the block's values into locals, so writes to the
  // pixels (bytes, which may alias anything) need not reload them.
  const MVGfragUniforms& u = *reinterpret_cast<const MVGfragUniforms*>(span->buffers[0]);
  const float* pm = u.paintMat;
  float alpha[kChunk];
  float out[4 * kChunk];
  for (int first = 0; first < span->count; first += kChunk)
  {
    const int n = std::min(kChunk, span->count - first);
    const bool uniform = Coverage<kAntiAlias>(u, span, first, n, alpha, keep + first);
    uint8_t* out8 = dst + 4 * first;
    const float x0 = span->varyings[0] + first * span->dvaryings[0], dx = span->dvaryings[0];
    const float y0 = span->varyings[1] + first * span->dvaryings[1], dy = span->dvaryings[1];
    const bool solid = u.type == MVG_SHADER_FILLGRAD && std::memcmp(u.innerCol, u.outerCol, sizeof(u.innerCol)) == 0;
    if (solid && uniform)
    {
      // One colour for the whole chunk.
      for (int c = 0; c < 4; c++)
        out[c] = u.innerCol[c] * alpha[0];
      Pack(out, 1, span->bgra, out8);
      uint32_t pixel;
      std::memcpy(&pixel, out8, 4);
      for (int i = 1; i < n; i++)
        std::memcpy(out8 + 4 * i, &pixel, 4);
      continue;
    }
    if (solid)
    {
      for (int i = n; i % 4; i++)
        alpha[i] = 0.f;
      PackPaint(u.innerCol, nullptr, nullptr, alpha, n, span->bgra, out8);
      continue;
    }
    if (u.type == MVG_SHADER_FILLGRAD)
    {
      const float halfFeather = u.feather * 0.5f, invFeather = 1.f / u.feather;
      const float ex = u.extent[0], ey = u.extent[1], radius = u.radius;
      const float m0 = pm[0], m1 = pm[1], m4 = pm[4], m5 = pm[5], m8 = pm[8], m9 = pm[9];
      float inner[4], delta[4];
      for (int c = 0; c < 4; c++)
        inner[c] = u.innerCol[c], delta[c] = u.outerCol[c] - u.innerCol[c];
      float d[kChunk];
      if (uniform && FlatGradient(u, x0, dx, y0, dy, n, alpha[0]))
      {
        // Every pixel within half a step of the first: one colour.
        const float px = m0 * x0 + m4 * y0 + m8, py = m1 * x0 + m5 * y0 + m9;
        d[0] = Clamp01((RoundRectDistance(px, py, ex, ey, radius) + halfFeather) * invFeather);
        d[1] = d[2] = d[3] = 0.f;
        PackPaint(inner, delta, d, alpha, 1, span->bgra, out8);
        uint32_t pixel;
        std::memcpy(&pixel, out8, 4);
        for (int i = 1; i < n; i++)
          std::memcpy(out8 + 4 * i, &pixel, 4);
        continue;
      }
      for (int i = 0; i < n; i++)
      {
        const float x = x0 + i * dx, y = y0 + i * dy;
        const float px = m0 * x + m4 * y + m8, py = m1 * x + m5 * y + m9;
        d[i] = Clamp01((RoundRectDistance(px, py, ex, ey, radius) + halfFeather) * invFeather);
      }
      for (int i = n; i % 4; i++)
        alpha[i] = d[i] = 0.f;
      PackPaint(inner, delta, d, alpha, n, span->bgra, out8);
      continue;
    }
    if (u.type == MVG_SHADER_FILLIMG)
    {
      for (int i = 0; i < n; i++)
      {
        const float x = x0 + i * dx, y = y0 + i * dy;
        const float px = pm[0] * x + pm[4] * y + pm[8], py = pm[1] * x + pm[5] * y + pm[9];
        TexColor(u, span, px / u.extent[0], py / u.extent[1], out + 4 * i);
        for (int c = 0; c < 4; c++)
          out[4 * i + c] *= u.innerCol[c] * alpha[i];
      }
    }
    else
    {
      const float s0 = span->varyings[2] + first * span->dvaryings[2], ds = span->dvaryings[2];
      const float t0 = span->varyings[3] + first * span->dvaryings[3], dt = span->dvaryings[3];
      for (int i = 0; i < n; i++)
      {
        TexColor(u, span, s0 + i * ds, t0 + i * dt, out + 4 * i);
        for (int c = 0; c < 4; c++)
          out[4 * i + c] *= u.innerCol[c] * alpha[i];
      }
    }
    Pack(out, n, span->bgra, out8);
  }
}

} // namespace

void mvgFragmentShader8(const PWMTLFragmentSpan* span, uint8_t* pixels, uint8_t* keep)
{
  Shade<false>(span, pixels, keep);
}

void mvgFragmentShaderAA8(const PWMTLFragmentSpan* span, uint8_t* pixels, uint8_t* keep)
{
  Shade<true>(span, pixels, keep);
}
