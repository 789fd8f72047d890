#include "MTLRaster.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{
std::atomic<bool> gUse8{true};
}

void PWMTLUseFragmentFunctions8(bool use)
{
  gUse8 = use;
}

namespace pwmtl
{

namespace
{
enum
{
  kR8 = 10,
  kRGBA8 = 70,
  kBGRA8 = 80,
  kStencil8 = 253,
};

int64_t FloorDiv(int64_t a, int64_t b) // b > 0
{
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

float Clamp01(float v)
{
  return v < 0.f ? 0.f : (v > 1.f ? 1.f : v);
}

uint8_t ToUnorm8(float v)
{
  return (uint8_t)(Clamp01(v) * 255.f + 0.5f);
}

bool Compare(int function, uint32_t reference, uint32_t value)
{
  switch (function)
  {
    case 0: return false;
    case 1: return reference < value;
    case 2: return reference == value;
    case 3: return reference <= value;
    case 4: return reference > value;
    case 5: return reference != value;
    case 6: return reference >= value;
    default: return true;
  }
}

uint8_t StencilOp(int op, uint8_t value, uint8_t reference)
{
  switch (op)
  {
    case 1: return 0;
    case 2: return reference;
    case 3: return value == 255 ? 255 : value + 1;
    case 4: return value == 0 ? 0 : value - 1;
    case 5: return (uint8_t)~value;
    case 6: return (uint8_t)(value + 1);
    case 7: return (uint8_t)(value - 1);
    default: return value;
  }
}

// One blend factor for colour channel c (0..2) or alpha (3).
float Factor(int factor, const float* s, const float* d, int c)
{
  switch (factor)
  {
    case 0: return 0.f;
    case 1: return 1.f;
    case 2: return s[c];
    case 3: return 1.f - s[c];
    case 4: return s[3];
    case 5: return 1.f - s[3];
    case 6: return d[c];
    case 7: return 1.f - d[c];
    case 8: return d[3];
    case 9: return 1.f - d[3];
    case 10: return c == 3 ? 1.f : std::min(s[3], 1.f - d[3]);
    default: return 0.f;
  }
}

// Applies op where select is set (everywhere for a null select), writing the
// bits of writeMask only.
template <int kOp> void ApplyStencilOpT(uint8_t* stencil, const uint8_t* select, int n, uint8_t ref, uint8_t wm)
{
  for (int i = 0; i < n; i++)
  {
    const uint8_t s = stencil[i];
    const uint8_t next = (uint8_t)((s & ~wm) | (StencilOp(kOp, s, ref) & wm));
    stencil[i] = !select || select[i] ? next : s;
  }
}

void ApplyStencilOp(int op, uint8_t* stencil, const uint8_t* select, int n, uint8_t ref, uint8_t wm)
{
  switch (op)
  {
    case 1: ApplyStencilOpT<1>(stencil, select, n, ref, wm); break;
    case 2: ApplyStencilOpT<2>(stencil, select, n, ref, wm); break;
    case 3: ApplyStencilOpT<3>(stencil, select, n, ref, wm); break;
    case 4: ApplyStencilOpT<4>(stencil, select, n, ref, wm); break;
    case 5: ApplyStencilOpT<5>(stencil, select, n, ref, wm); break;
    case 6: ApplyStencilOpT<6>(stencil, select, n, ref, wm); break;
    case 7: ApplyStencilOpT<7>(stencil, select, n, ref, wm); break;
    default: break; // keep
  }
}

// Byte positions of red, green, blue and alpha in a pixel; -1 absent.
void Channels(int format, int pos[4])
{
  pos[0] = pos[1] = pos[2] = pos[3] = -1;
  if (format == kRGBA8)
    pos[0] = 0, pos[1] = 1, pos[2] = 2, pos[3] = 3;
  else if (format == kBGRA8)
    pos[2] = 0, pos[1] = 1, pos[0] = 2, pos[3] = 3;
  else if (format == kR8)
    pos[0] = 0;
}

float Texel(const PWMTLTextureView* t, int x, int y, int c)
{
  int pos[4];
  Channels(t->format, pos);
  if (pos[c] < 0)
    return c == 3 ? 1.f : 0.f;
  return t->pixels[(size_t)y * t->bytesPerRow + (size_t)x * (t->format == kR8 ? 1 : 4) + pos[c]] * (1.f / 255.f);
}

// Texel index for coordinate i in [?, n) by address mode; -1 for none.
int Address(int mode, int i, int n)
{
  switch (mode)
  {
    case 2: // repeat
      i %= n;
      return i < 0 ? i + n : i;
    case 3: // mirror repeat
    {
      int p = i % (2 * n);
      if (p < 0)
        p += 2 * n;
      return p < n ? p : 2 * n - 1 - p;
    }
    case 4: return (i < 0 || i >= n) ? -1 : i;
    case 1: i = i < 0 ? -i - 1 : i; [[fallthrough]];
    default: return i < 0 ? 0 : (i >= n ? n - 1 : i);
  }
}

// Premultiplied source-over, d' = s + d (1 - a), on 8-bit pixels whose red,
// green and blue bytes are at R, G and B (alpha at 3).
template <int R, int G, int B> void SourceOver(uint8_t* row, const float* rgba, const uint8_t* mask, int n)
{
#if defined(__SSE2__)
  // Four channels at once; _mm_cvtps_epi32 rounds to nearest like ToUnorm8
  // (ties to even).
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.f), scale = _mm_set1_ps(255.f);
  const __m128i bias = _mm_set1_epi32(128);
  auto convert = [&](const float* src) {
    const __m128 sf = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(src), zero), one);
    __m128i s8 = _mm_cvtps_epi32(_mm_mul_ps(sf, scale)); // r, g, b, a
    if (R == 2) // memory order b, g, r, a
      s8 = _mm_shuffle_epi32(s8, _MM_SHUFFLE(3, 0, 1, 2));
    return s8;
  };
  auto blendOne = [&](const float* src, uint8_t* px) {
    const __m128i s8 = convert(src);
    const int a = _mm_cvtsi128_si32(_mm_shuffle_epi32(s8, _MM_SHUFFLE(3, 3, 3, 3)));
    __m128i out = s8;
    if (a != 255)
    {
      int32_t d;
      std::memcpy(&d, px, 4);
      const __m128i d32 =
        _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(d), _mm_setzero_si128()), _mm_setzero_si128());
      __m128i x = _mm_add_epi32(_mm_mullo_epi16(d32, _mm_set1_epi32(255 - a)), bias); // fits 16 bits
      x = _mm_srli_epi32(_mm_add_epi32(x, _mm_srli_epi32(x, 8)), 8);
      out = _mm_add_epi32(s8, x);
    }
    out = _mm_packs_epi32(out, out);
    out = _mm_packus_epi16(out, out);
    const int32_t result = _mm_cvtsi128_si32(out);
    std::memcpy(px, &result, 4);
  };
  int i = 0;
  for (; i + 4 <= n; i += 4, row += 16)
  {
    // Four opaque pixels are plain stores.
    uint32_t m;
    std::memcpy(&m, mask + i, 4);
    if (m == 0x01010101u)
    {
      const __m128i p01 = _mm_packs_epi32(convert(rgba + 4 * i), convert(rgba + 4 * i + 4));
      const __m128i p23 = _mm_packs_epi32(convert(rgba + 4 * i + 8), convert(rgba + 4 * i + 12));
      const __m128i px = _mm_packus_epi16(p01, p23);
      if ((_mm_movemask_epi8(_mm_cmpeq_epi8(px, _mm_set1_epi8((char)0xff))) & 0x8888) == 0x8888)
      {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row), px);
        continue;
      }
    }
    for (int k = 0; k < 4; k++)
      if (mask[i + k])
        blendOne(rgba + 4 * (i + k), row + 4 * k);
  }
  for (; i < n; i++, row += 4)
    if (mask[i])
      blendOne(rgba + 4 * i, row);
#else
  // x / 255 rounded, for x up to 255 * 255.
  auto Div255 = [](uint32_t x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
  };
  for (int i = 0; i < n; i++, row += 4)
  {
    if (!mask[i])
      continue;
    const float* s = rgba + 4 * i;
    const uint32_t a = ToUnorm8(s[3]);
    const uint32_t r = ToUnorm8(s[0]), g = ToUnorm8(s[1]), b = ToUnorm8(s[2]);
    const uint32_t inv = 255 - a;
    row[R] = (uint8_t)std::min<uint32_t>(255, r + Div255(row[R] * inv));
    row[G] = (uint8_t)std::min<uint32_t>(255, g + Div255(row[G] * inv));
    row[B] = (uint8_t)std::min<uint32_t>(255, b + Div255(row[B] * inv));
    row[3] = (uint8_t)std::min<uint32_t>(255, a + Div255(row[3] * inv));
  }
#endif
}

// Premultiplied source-over of 8-bit source pixels (alpha at byte 3, the
// other bytes in the target's order), or with replace a plain store, where
// mask is set: the integer form of SourceOver above, to the same results.
void SourceOver8(uint8_t* row, const uint8_t* src, const uint8_t* mask, int n, bool replace)
{
  int i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128(), bias = _mm_set1_epi16(128), ones = _mm_set1_epi8((char)0xff);
  const __m128i alphaBytes = _mm_set1_epi32((int)0xff000000u);
  auto group = [&](const uint8_t* mp, const uint8_t* sp, uint8_t* rp) {
    uint32_t m;
    std::memcpy(&m, mp, 4);
    if (!m)
      return;
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sp));
    __m128i* dp = reinterpret_cast<__m128i*>(rp);
    const bool opaque =
      (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(s, alphaBytes), alphaBytes)) & 0x8888) == 0x8888;
    if (m == 0x01010101u && (opaque || replace))
    {
      _mm_storeu_si128(dp, s);
      return;
    }
    const __m128i d = _mm_loadu_si128(dp);
    __m128i out = s;
    if (!replace && !opaque)
    {
      // 255 - alpha in every byte of its pixel.
      __m128i a = _mm_srli_epi32(s, 24);
      a = _mm_or_si128(a, _mm_slli_epi32(a, 8));
      a = _mm_or_si128(a, _mm_slli_epi32(a, 16));
      const __m128i inv = _mm_xor_si128(a, ones);
      __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi8(inv, zero)), bias);
      __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi8(inv, zero)), bias);
      lo = _mm_srli_epi16(_mm_add_epi16(lo, _mm_srli_epi16(lo, 8)), 8);
      hi = _mm_srli_epi16(_mm_add_epi16(hi, _mm_srli_epi16(hi, 8)), 8);
      out = _mm_adds_epu8(s, _mm_packus_epi16(lo, hi));
    }
    if (m != 0x01010101u)
    {
      // Whole pixels where mask is set.
      __m128i sel = _mm_cvtsi32_si128((int)m);
      sel = _mm_unpacklo_epi8(sel, sel);
      sel = _mm_unpacklo_epi16(sel, sel);
      sel = _mm_cmpgt_epi32(sel, zero);
      out = _mm_or_si128(_mm_and_si128(sel, out), _mm_andnot_si128(sel, d));
    }
    _mm_storeu_si128(dp, out);
  };
  for (; i + 4 <= n; i += 4)
    group(mask + i, src + 4 * i, row + 4 * i);
  if (i < n)
  {
    // The last pixels go through copies padded with unmasked ones.
    uint8_t tailMask[4] = {}, tailSrc[16] = {}, tailRow[16] = {};
    const int k = n - i;
    for (int j = 0; j < k; j++)
    {
      tailMask[j] = mask[i + j];
      std::memcpy(tailSrc + 4 * j, src + 4 * (i + j), 4);
      std::memcpy(tailRow + 4 * j, row + 4 * (i + j), 4);
    }
    group(tailMask, tailSrc, tailRow);
    for (int j = 0; j < k; j++)
      std::memcpy(row + 4 * (i + j), tailRow + 4 * j, 4);
    i = n;
  }
#endif
  for (; i < n; i++)
  {
    if (!mask[i])
      continue;
    uint8_t* d = row + 4 * i;
    const uint8_t* s = src + 4 * i;
    const uint32_t inv = replace ? 0 : 255 - s[3];
    for (int c = 0; c < 4; c++)
    {
      uint32_t x = d[c] * inv + 128;
      x = (x + (x >> 8)) >> 8;
      d[c] = (uint8_t)std::min<uint32_t>(255, s[c] + x);
    }
  }
}

// Any blend factors, colour write mask and colour format, in floats.
void BlendGeneric(const Pipeline& p, int format, int bpp, uint8_t* row, const float* rgba, const uint8_t* mask, int n)
{
  int pos[4];
  Channels(format, pos);
  static const int kMaskBit[4] = {8, 4, 2, 1};
  for (int i = 0; i < n; i++, row += bpp)
  {
    if (!mask[i])
      continue;
    const float* s = rgba + 4 * i;
    float d[4] = {0.f, 0.f, 0.f, 1.f};
    for (int c = 0; c < 4; c++)
      if (pos[c] >= 0)
        d[c] = row[pos[c]] * (1.f / 255.f);
    float o[4];
    for (int c = 0; c < 4; c++)
    {
      if (!p.blending)
        o[c] = s[c];
      else if (c < 3)
        o[c] = s[c] * Factor(p.srcRGB, s, d, c) + d[c] * Factor(p.dstRGB, s, d, c);
      else
        o[c] = s[3] * Factor(p.srcAlpha, s, d, 3) + d[3] * Factor(p.dstAlpha, s, d, 3);
    }
    for (int c = 0; c < 4; c++)
      if (pos[c] >= 0 && (p.writeMask & kMaskBit[c]))
        row[pos[c]] = ToUnorm8(o[c]);
  }
}
} // namespace

int BytesPerPixel(int format)
{
  switch (format)
  {
    case kR8:
    case kStencil8: return 1;
    case kRGBA8:
    case kBGRA8: return 4;
    default: return 0;
  }
}

void Rasterizer::Begin(Texture* color, Texture* stencil)
{
  color_ = color;
  stencil_ = stencil;
  use8_ = gUse8;
  int w = color ? color->width : (stencil ? stencil->width : 0);
  int h = color ? color->height : (stencil ? stencil->height : 0);
  if (color && stencil)
    w = std::min(w, stencil->width), h = std::min(h, stencil->height);
  clipX0_ = clipY0_ = 0;
  clipX1_ = w;
  clipY1_ = h;
  if ((size_t)w * 4 > rgba_.size())
  {
    rgba_.resize((size_t)w * 4);
    keep_.resize(w);
    pass_.resize(2 * (size_t)w);
    pixels8_.resize((size_t)w * 4);
  }
}

void Rasterizer::ClearColor(const double rgba[4])
{
  if (!color_)
    return;
  int pos[4];
  Channels(color_->format, pos);
  uint8_t px[4] = {};
  for (int c = 0; c < 4; c++)
    if (pos[c] >= 0)
      px[pos[c]] = ToUnorm8((float)rgba[c]);
  if (color_->bytesPerPixel == 1)
  {
    std::fill(color_->pixels.begin(), color_->pixels.end(), px[0]);
    return;
  }
  uint32_t word;
  std::memcpy(&word, px, 4);
  for (int y = 0; y < color_->height; y++)
  {
    uint8_t* row = color_->pixels.data() + (size_t)y * color_->rowBytes;
    std::fill_n(reinterpret_cast<uint32_t*>(row), color_->width, word); // rows are 4-byte aligned
  }
}

void Rasterizer::ClearStencil(uint8_t value)
{
  if (stencil_)
    std::fill(stencil_->pixels.begin(), stencil_->pixels.end(), value);
}

bool Rasterizer::Shade(const DrawState& state, uint32_t first, uint32_t count)
{
  const Pipeline& p = *state.pipeline;
  if (shaded_.size() < count)
    shaded_.resize(count);
  shadedFirst_ = first;
  PWMTLVertexIn in;
  std::memcpy(in.buffers, state.vertexBuffers, sizeof(in.buffers));
  PWMTLVertexOut out;
  const double* vp = state.viewport;
  for (uint32_t i = 0; i < count; i++)
  {
    const uint32_t id = first + i;
    for (int a = 0; a < kPWMTLMaxAttributes; a++)
    {
      float* dst = in.attributes[a];
      dst[0] = dst[1] = dst[2] = 0.f;
      dst[3] = 1.f;
      const VertexAttribute& attr = p.attributes[a];
      const int n = attr.format >= 28 && attr.format <= 31 ? attr.format - 27 : 0;
      const uint8_t* base = state.vertexBuffers[attr.bufferIndex];
      if (n && base)
      {
        const uint8_t* from = base + (size_t)id * p.strides[attr.bufferIndex] + attr.offset;
        for (int c = 0; c < n; c++)
          std::memcpy(dst + c, from + 4 * c, 4);
      }
    }
    in.vertexId = id;
    std::memset(&out, 0, sizeof(out));
    p.vertexFunction(&in, &out);
    ScreenVertex& s = shaded_[i];
    const float w = out.position[3] != 0.f ? out.position[3] : 1.f;
    const double x = vp[0] + (out.position[0] / w + 1.0) * 0.5 * vp[2];
    const double y = vp[1] + (1.0 - out.position[1] / w) * 0.5 * vp[3];
    // Far outside any target (or not a number): mark unusable.
    if (!(std::fabs(x) < 4e6 && std::fabs(y) < 4e6))
    {
      s.x = INT64_MIN;
      continue;
    }
    // Rounded half away from zero, as llround (which is a library call).
    const double sx = x * 256.0, sy = y * 256.0;
    s.x = sx >= 0.0 ? (int64_t)(sx + 0.5) : -(int64_t)(0.5 - sx);
    s.y = sy >= 0.0 ? (int64_t)(sy + 0.5) : -(int64_t)(0.5 - sy);
    s.fx = (float)(s.x / 256.0);
    s.fy = (float)(s.y / 256.0);
    std::memcpy(s.varyings, out.varyings, sizeof(s.varyings));
  }
  return true;
}

void Rasterizer::Draw(const DrawState& state, int primitive, uint32_t start, uint32_t count, const void* indices,
                      int indexType)
{
  if (!state.pipeline || !state.pipeline->vertexFunction || count < 3 || (primitive != 3 && primitive != 4))
    return;
  // Clip to the target and the viewport.
  const int vx0 = (int)std::max(0.0, std::floor(state.viewport[0]));
  const int vy0 = (int)std::max(0.0, std::floor(state.viewport[1]));
  const int vx1 = (int)std::min(1e9, std::ceil(state.viewport[0] + state.viewport[2]));
  const int vy1 = (int)std::min(1e9, std::ceil(state.viewport[1] + state.viewport[3]));
  const int saved[4] = {clipX0_, clipY0_, clipX1_, clipY1_};
  clipX0_ = std::max(clipX0_, vx0);
  clipY0_ = std::max(clipY0_, vy0);
  clipX1_ = std::min(clipX1_, vx1);
  clipY1_ = std::min(clipY1_, vy1);

  auto index = [&](uint32_t k) -> uint32_t {
    if (!indices)
      return start + k;
    return indexType == 0 ? ((const uint16_t*)indices)[k] : ((const uint32_t*)indices)[k];
  };
  uint32_t lo = start, hi = start + count - 1;
  if (indices)
  {
    lo = UINT32_MAX, hi = 0;
    for (uint32_t k = 0; k < count; k++)
      lo = std::min(lo, index(k)), hi = std::max(hi, index(k));
  }
  // What every run of this draw writes.
  const Pipeline& p = *state.pipeline;
  drawColour_ = color_ && p.fragmentFunction && p.writeMask && color_->format == p.colorFormat;
  drawSourceOver_ = p.blending && p.srcRGB == 1 && p.dstRGB == 5 && p.srcAlpha == 1 && p.dstAlpha == 5;
  // 8-bit shading where the result is stored as 8 bits unchanged or blended
  // source-over.
  drawBytes_ = use8_ && drawColour_ && p.fragmentFunction8 && p.writeMask == 15 && (drawSourceOver_ || !p.blending) &&
               (color_->format == kBGRA8 || color_->format == kRGBA8);
  if (clipX0_ < clipX1_ && clipY0_ < clipY1_ && Shade(state, lo, hi - lo + 1))
  {
    const uint32_t ntri = primitive == 3 ? count / 3 : count - 2;
    for (uint32_t t = 0; t < ntri; t++)
    {
      uint32_t i0, i1, i2;
      if (primitive == 3)
        i0 = 3 * t, i1 = 3 * t + 1, i2 = 3 * t + 2;
      else if (t & 1) // odd strip triangles keep the strip's winding
        i0 = t + 1, i1 = t, i2 = t + 2;
      else
        i0 = t, i1 = t + 1, i2 = t + 2;
      const ScreenVertex& a = shaded_[index(i0) - lo];
      const ScreenVertex& b = shaded_[index(i1) - lo];
      const ScreenVertex& c = shaded_[index(i2) - lo];
      if (a.x != INT64_MIN && b.x != INT64_MIN && c.x != INT64_MIN)
        Triangle(state, a, b, c);
    }
  }
  clipX0_ = saved[0], clipY0_ = saved[1], clipX1_ = saved[2], clipY1_ = saved[3];
}

void Rasterizer::Triangle(const DrawState& state, const ScreenVertex& a, const ScreenVertex& b0,
                          const ScreenVertex& c0)
{
  const int64_t area = (b0.x - a.x) * (c0.y - a.y) - (c0.x - a.x) * (b0.y - a.y);
  if (area == 0)
    return;
  // Window y grows downwards: a positive area is clockwise on screen.
  const bool clockwise = area > 0;
  const bool front = state.frontWinding == 0 ? clockwise : !clockwise;
  if ((state.cullMode == 2 && !front) || (state.cullMode == 1 && front))
    return;
  const ScreenVertex& b = clockwise ? b0 : c0;
  const ScreenVertex& c = clockwise ? c0 : b0;

  const ScreenVertex* v[3] = {&a, &b, &c};
  int64_t minX = std::min({a.x, b.x, c.x}), maxX = std::max({a.x, b.x, c.x});
  int64_t minY = std::min({a.y, b.y, c.y}), maxY = std::max({a.y, b.y, c.y});
  // Pixels whose centre (p + 0.5) can lie inside.
  const int64_t px0 = std::max<int64_t>(clipX0_, FloorDiv(minX - 128, 256));
  const int64_t px1 = std::min<int64_t>(clipX1_ - 1, FloorDiv(maxX - 128, 256) + 1);
  const int64_t py0 = std::max<int64_t>(clipY0_, FloorDiv(minY - 128, 256));
  const int64_t py1 = std::min<int64_t>(clipY1_ - 1, FloorDiv(maxY - 128, 256) + 1);
  if (px0 > px1 || py0 > py1)
    return;

  // Edge k runs from v[k] to v[k+1]; inside is E >= 0, with ties owned by
  // top and left edges only so that shared edges are drawn once.
  int64_t dx[3], dy[3], bias[3];
  for (int k = 0; k < 3; k++)
  {
    const ScreenVertex* p = v[k];
    const ScreenVertex* q = v[(k + 1) % 3];
    dx[k] = q->x - p->x;
    dy[k] = q->y - p->y;
    bias[k] = ((dy[k] == 0 && dx[k] > 0) || dy[k] < 0) ? 0 : -1;
  }

  // Varying planes: value = base + gx (x - a.fx) + gy (y - a.fy).
  PWMTLFragmentSpan span;
  span.frontFacing = front;
  span.bgra = color_ && color_->format == kBGRA8;
  std::memcpy(span.buffers, state.fragmentBuffers, sizeof(span.buffers));
  std::memcpy(span.textures, state.textures, sizeof(span.textures));
  std::memcpy(span.samplers, state.samplers, sizeof(span.samplers));
  const double x1 = b0.fx - a.fx, y1 = b0.fy - a.fy, x2 = c0.fx - a.fx, y2 = c0.fy - a.fy;
  const double invDet = 1.0 / (x1 * y2 - x2 * y1);
  float gx[kPWMTLMaxVaryings], gy[kPWMTLMaxVaryings];
  for (int i = 0; i < kPWMTLMaxVaryings; i++)
  {
    const double d1 = b0.varyings[i] - a.varyings[i], d2 = c0.varyings[i] - a.varyings[i];
    gx[i] = (float)((d1 * y2 - d2 * y1) * invDet);
    gy[i] = (float)((d2 * x1 - d1 * x2) * invDet);
    span.dvaryings[i] = gx[i];
  }

  const StencilFace* face = nullptr;
  if (stencil_ && state.depthStencil)
  {
    const StencilFace& f = front ? state.depthStencil->front : state.depthStencil->back;
    if (!f.Inactive())
      face = &f;
  }

  // Each edge bounds a row's run by floor(n / d) pixels from px0, with n
  // growing by dn per row: a left bound (lo) where the edge function grows
  // along x, a right one (hi) where it falls; an edge along x only keeps or
  // empties the row by the sign of n. The quotient follows in a double,
  // corrected to the exact one, so rows need no division.
  struct Walk
  {
    int kind; // 0 along x, 1 left, 2 right
    int64_t n, dn, d;
    double q, dq;
  } walks[3];
  {
    const int64_t cy = py0 * 256 + 128, cx = px0 * 256 + 128;
    for (int k = 0; k < 3; k++)
    {
      Walk& w = walks[k];
      const int64_t e0 = dx[k] * (cy - v[k]->y) - dy[k] * (cx - v[k]->x) + bias[k];
      const int64_t step = -dy[k] * 256; // change along x
      w.kind = step == 0 ? 0 : (step > 0 ? 1 : 2);
      w.n = step > 0 ? -e0 + step - 1 : e0;
      w.dn = step > 0 ? -dx[k] * 256 : dx[k] * 256;
      w.d = step > 0 ? step : -step;
      const double inv = w.d ? 1.0 / (double)w.d : 0.0;
      w.q = (double)w.n * inv;
      w.dq = (double)w.dn * inv;
    }
  }
  for (int64_t py = py0; py <= py1; py++)
  {
    int64_t lo = px0, hi = px1;
    for (Walk& w : walks)
    {
      if (w.kind == 0)
      {
        if (w.n < 0)
          hi = lo - 1;
      }
      else
      {
        int64_t q = (int64_t)w.q; // towards 0; the loops below finish the floor
        while (q * w.d > w.n)
          q--;
        while (w.n - q * w.d >= w.d)
          q++;
        if (w.kind == 1)
          lo = std::max(lo, px0 + std::max<int64_t>(q, 0));
        else
          hi = std::min(hi, px0 + q);
      }
      w.n += w.dn;
      w.q += w.dq;
    }
    if (lo > hi)
      continue;
    span.x = (int)lo;
    span.y = (int)py;
    span.count = (int)(hi - lo + 1);
    const float fx = (float)lo + 0.5f - a.fx, fy = (float)py + 0.5f - a.fy;
    for (int i = 0; i < kPWMTLMaxVaryings; i++)
      span.varyings[i] = a.varyings[i] + gx[i] * fx + gy[i] * fy;
    Span(state, face, span);
  }
}

void Rasterizer::Span(const DrawState& state, const StencilFace* face, PWMTLFragmentSpan& span)
{
  const int n = span.count;
  uint8_t* pass = pass_.data();
  uint8_t* stencilRow = stencil_ ? stencil_->pixels.data() + (size_t)span.y * stencil_->rowBytes + span.x : nullptr;
  const uint8_t ref = (uint8_t)state.stencilReference;
  int passing = n;
  if (face)
  {
    passing = 0;
    const uint8_t refMasked = ref & face->readMask, readMask = face->readMask;
    switch (face->compare)
    {
      case 7: // always
        std::memset(pass, 1, n);
        passing = n;
        break;
      case 2: // equal
        for (int i = 0; i < n; i++)
          pass[i] = (stencilRow[i] & readMask) == refMasked;
        break;
      case 5: // not equal
        for (int i = 0; i < n; i++)
          pass[i] = (stencilRow[i] & readMask) != refMasked;
        break;
      default:
        for (int i = 0; i < n; i++)
          pass[i] = Compare(face->compare, refMasked, stencilRow[i] & readMask);
    }
    if (face->compare != 7)
      for (int i = 0; i < n; i++)
        passing += pass[i];
  }
  const Pipeline& p = *state.pipeline;
  const bool colour = drawColour_, sourceOver = drawSourceOver_, bytes = drawBytes_;
  uint8_t* keep = keep_.data();
  float* rgba = rgba_.data();
  uint8_t* pixels8 = pixels8_.data();
  std::memset(keep, 1, n);
  auto shade = [&](const PWMTLFragmentSpan& run, int offset) {
    if (bytes)
      p.fragmentFunction8(&run, pixels8 + 4 * offset, keep + offset);
    else
      p.fragmentFunction(&run, rgba + 4 * offset, keep + offset);
  };
  // Without colour output the function still runs: its discards decide the
  // stencil update. Only runs of pixels that passed the stencil test are
  // shaded.
  if (p.fragmentFunction && passing == n)
    shade(span, 0);
  else if (p.fragmentFunction && passing)
  {
    PWMTLFragmentSpan run = span;
    for (int i = 0; i < n;)
    {
      // pass holds 0s and 1s: find where the next run starts and ends.
      const void* start = std::memchr(pass + i, 1, n - i);
      if (!start)
        break;
      i = (int)(static_cast<const uint8_t*>(start) - pass);
      const void* stop = std::memchr(pass + i, 0, n - i);
      const int end = stop ? (int)(static_cast<const uint8_t*>(stop) - pass) : n;
      run.x = span.x + i;
      run.count = end - i;
      for (int v = 0; v < kPWMTLMaxVaryings; v++)
        run.varyings[v] = span.varyings[v] + span.dvaryings[v] * i;
      shade(run, i);
      i = end;
    }
  }

  if (face)
  {
    uint8_t* select = pass_.data() + n; // second half of the scratch
    // Every pixel takes the fail or the pass operation unless discarded.
    const bool allKept = !p.fragmentFunction || !std::memchr(keep, 0, n);
    int everywhere = -1; // the one operation for every pixel, if any
    if (allKept && passing == n)
      everywhere = face->passOp;
    else if (allKept && (passing == 0 || face->failOp == face->passOp))
      everywhere = face->failOp;
    if (everywhere >= 0)
      ApplyStencilOp(everywhere, stencilRow, nullptr, n, ref, face->writeMask);
    else if (face->failOp != 0 && passing < n)
    {
      for (int i = 0; i < n; i++)
        select[i] = !pass[i];
      ApplyStencilOp(face->failOp, stencilRow, select, n, ref, face->writeMask);
    }
    if (everywhere < 0 && face->passOp != 0 && passing)
    {
      for (int i = 0; i < n; i++)
        select[i] = pass[i] & keep[i];
      ApplyStencilOp(face->passOp, stencilRow, select, n, ref, face->writeMask);
    }
  }
  if (!colour || !passing)
    return;

  // Fragments that failed the stencil test or were discarded write nothing.
  uint8_t* mask = keep;
  if (face)
    for (int i = 0; i < n; i++)
      mask[i] &= pass[i];
  const int bpp = color_->bytesPerPixel;
  uint8_t* row = color_->pixels.data() + (size_t)span.y * color_->rowBytes + (size_t)span.x * bpp;
  if (bytes)
    SourceOver8(row, pixels8, mask, n, !p.blending);
  else if (sourceOver && p.writeMask == 15 && color_->format == kBGRA8)
    SourceOver<2, 1, 0>(row, rgba, mask, n);
  else if (sourceOver && p.writeMask == 15 && color_->format == kRGBA8)
    SourceOver<0, 1, 2>(row, rgba, mask, n);
  else
    BlendGeneric(p, color_->format, bpp, row, rgba, mask, n);
}

} // namespace pwmtl

void PWMTLSample(const PWMTLTextureView* t, const PWMTLSamplerView* s, float u, float v, float rgba[4])
{
  rgba[0] = rgba[1] = rgba[2] = rgba[3] = 0.f;
  if (!t || !t->pixels || t->width <= 0 || t->height <= 0)
    return;
  static const PWMTLSamplerView kDefault = {0, 0, 0, 0};
  if (!s)
    s = &kDefault;
  const float x = u * t->width, y = v * t->height;
  if (!(std::fabs(x) < 1e8f && std::fabs(y) < 1e8f))
    return;
  using pwmtl::Address;
  using pwmtl::Texel;
  if (s->minFilter == 1 || s->magFilter == 1)
  {
    const float fx = x - 0.5f, fy = y - 0.5f;
    const int x0 = (int)std::floor(fx), y0 = (int)std::floor(fy);
    const float ax = fx - x0, ay = fy - y0;
    const int xs[2] = {Address(s->sAddress, x0, t->width), Address(s->sAddress, x0 + 1, t->width)};
    const int ys[2] = {Address(s->tAddress, y0, t->height), Address(s->tAddress, y0 + 1, t->height)};
    const float wx[2] = {1.f - ax, ax}, wy[2] = {1.f - ay, ay};
    for (int j = 0; j < 2; j++)
      for (int i = 0; i < 2; i++)
      {
        if (xs[i] < 0 || ys[j] < 0)
          continue;
        const float w = wx[i] * wy[j];
        for (int c = 0; c < 4; c++)
          rgba[c] += w * Texel(t, xs[i], ys[j], c);
      }
    return;
  }
  const int xi = Address(s->sAddress, (int)std::floor(x), t->width);
  const int yi = Address(s->tAddress, (int)std::floor(y), t->height);
  if (xi < 0 || yi < 0)
    return;
  for (int c = 0; c < 4; c++)
    rgba[c] = Texel(t, xi, yi, c);
}
