// The Metal backend's shader functions as the stand-in runs them: the
// functions of VGMetalShaders.metal through their adapters, and the 8-bit
// forms held to them.
#include "VGMetalShaders.h"
#include "VGMetalStandInShaders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace
{
constexpr int kR8 = 10, kRGBA8 = 70;       // MTLPixelFormat
constexpr int kLinear = 1, kRepeat = 2;    // MTLSamplerMinMagFilter, MTLSamplerAddressMode
constexpr float kStencilThreshold = 1.f - 0.5f / 255.f;

// A block without scissor or gradient: a plain colour, identity paint.
MVGfragUniforms Block(float r, float g, float b, float a)
{
  MVGfragUniforms u = {};
  const float colour[4] = {r * a, g * a, b * a, a};
  std::copy(colour, colour + 4, u.innerCol);
  std::copy(colour, colour + 4, u.outerCol);
  u.paintMat[0] = u.paintMat[5] = u.paintMat[10] = 1.f;
  u.scissorExt[0] = u.scissorExt[1] = u.scissorScale[0] = u.scissorScale[1] = 1.f;
  u.extent[0] = u.extent[1] = 1000.f;
  u.feather = u.strokeMult = 1.f;
  u.strokeThr = -1.f;
  return u;
}

// count pixels from position (x, 0) stepping dx, at texture coordinate
// (s, 1) stepping ds: premultiplied rgba and the discards.
struct Shading
{
  std::vector<float> rgba;
  std::vector<uint8_t> keep;
  PWMTLFragmentSpan span = {};

  Shading(const MVGfragUniforms& u, int count, float x, float dx, float s = 0.5f, float ds = 0.f)
  {
    span.count = count;
    span.varyings[0] = x, span.varyings[2] = s, span.varyings[3] = 1.f;
    span.dvaryings[0] = dx, span.dvaryings[2] = ds;
    span.buffers[0] = reinterpret_cast<const uint8_t*>(&u);
  }
  Shading& Run(PWMTLFragmentFunction function)
  {
    rgba.assign(4 * span.count, -1.f);
    keep.assign(span.count, 1);
    function(&span, rgba.data(), keep.data());
    return *this;
  }
  float At(int i, int c) const { return rgba[4 * i + c]; }
};

TEST(MetalShaders, TheVertexFunctionPlacesPointsInClipSpaceFromTheTopLeft)
{
  const float viewSize[2] = {200.f, 100.f};
  const float points[][4] = {{0, 0, -1, 1}, {200, 100, 1, -1}, {50, 75, -0.5f, -0.5f}}; // x, y, clip x, y
  for (const auto& p : points)
  {
    PWMTLVertexIn in = {{{p[0], p[1]}, {0.25f, 0.75f}}, {nullptr, reinterpret_cast<const uint8_t*>(viewSize)}, 0};
    PWMTLVertexOut out = {};
    mvgVertexShader(&in, &out);
    const float expected[8] = {p[2], p[3], 0.f, 1.f, p[0], p[1], 0.25f, 0.75f}; // varyings: points, uv
    for (int i = 0; i < 8; i++)
      EXPECT_FLOAT_EQ(i < 4 ? out.position[i] : out.varyings[i - 4], expected[i]) << p[0] << "," << p[1] << " " << i;
  }
}

TEST(MetalShaders, ImagesArePremultipliedByTheirTextureType)
{
  const uint8_t rgba[4] = {255, 0, 0, 128}, alpha[1] = {51};
  const PWMTLTextureView straight = {rgba, 1, 1, 4, kRGBA8}, mask = {alpha, 1, 1, 1, kR8};
  MVGfragUniforms u = Block(1.f, 1.f, 1.f, 1.f);
  u.type = MVG_SHADER_FILLIMG, u.texType = 1;
  Shading image(u, 1, 0.5f, 0.f);
  image.span.textures[0] = &straight;
  EXPECT_NEAR(image.Run(mvgFragmentShader).At(0, 0), 128 / 255.f, 1e-6f);
  u.texType = 0; // premultiplied already: as stored
  EXPECT_EQ(image.Run(mvgFragmentShader).At(0, 0), 1.f);
  // Text: an alpha texture's value in every channel, times the colour.
  u = Block(1.f, 0.5f, 0.f, 1.f);
  u.type = MVG_SHADER_IMG, u.texType = 2;
  image.span.textures[0] = &mask;
  image.Run(mvgFragmentShaderAA);
  for (int c = 0; c < 4; c++)
    EXPECT_NEAR(image.At(0, c), 0.2f * u.innerCol[c], 1e-6f) << c;
}

TEST(MetalShaders, OnlyTheAntiAliasingVariantFadesStrokeEdgesAndDiscardsBelowTheThreshold)
{
  MVGfragUniforms u = Block(1.f, 1.f, 1.f, 1.f);
  // Across the stroke at 0, 0.25 and 0.5: coverage 0, 0.5 and 1.
  Shading faded(u, 3, 0.5f, 1.f, 0.f, 0.25f), plain = faded;
  faded.Run(mvgFragmentShaderAA);
  plain.Run(mvgFragmentShader);
  for (int i = 0; i < 3; i++)
  {
    EXPECT_EQ(faded.At(i, 3), 0.5f * i) << i;
    EXPECT_EQ(plain.At(i, 3), 1.f) << i;
  }
  u.strokeThr = kStencilThreshold;
  EXPECT_EQ(faded.Run(mvgFragmentShaderAA).keep, (std::vector<uint8_t>{0, 0, 1}));
  EXPECT_EQ(plain.Run(mvgFragmentShader).keep, (std::vector<uint8_t>{1, 1, 1}));
}

// Random paints (plain, gradients, images, text), scissors, strokes and
// spans, red or blue first: every 8-bit pixel within one step of the Metal
// function's colour, and the same discards.
TEST(MetalShaders, TheEightBitFormsStayWithinAStepOfTheMetalFunctions)
{
  for (unsigned seed = 1; seed <= 200; seed++)
  {
    std::mt19937 rng(seed);
    auto unit = [&] { return std::uniform_real_distribution<float>(0.f, 1.f)(rng); };
    auto any = [&](float range) { return (unit() * 2.f - 1.f) * range; };
    auto pick = [&](int n) { return (int)(rng() % (unsigned)n); };
    std::vector<uint8_t> texels(60);
    std::generate(texels.begin(), texels.end(), [&] { return (uint8_t)pick(256); });
    MVGfragUniforms u = Block(unit(), unit(), unit(), unit());
    u.type = pick(3), u.texType = pick(3);
    const bool alpha = u.texType == 2;
    const PWMTLTextureView texture = {texels.data(), alpha ? 15 : 5, 3, alpha ? 15 : 20, alpha ? kR8 : kRGBA8};
    const PWMTLSamplerView sampler = {pick(2) * kLinear, 0, pick(2) * kRepeat, pick(2) * kRepeat};
    if (pick(2)) // a gradient, or with a wide feather a nearly flat one
    {
      for (int c : {3, 0, 1, 2})
        u.outerCol[c] = unit() * (c == 3 ? 1.f : u.outerCol[3]);
    }
    const float angle = any(3.2f), c = std::cos(angle), s = std::sin(angle);
    const float m[6] = {c / 7, s / 7, -s / 9, c / 9, any(5), any(5)};
    for (int k = 0; k < 3; k++)
      u.paintMat[4 * k] = m[2 * k], u.paintMat[4 * k + 1] = m[2 * k + 1];
    u.extent[0] = 0.1f + unit() * 5, u.extent[1] = 0.1f + unit() * 5;
    u.radius = unit() * std::min(u.extent[0], u.extent[1]);
    u.feather = pick(4) ? 0.05f + unit() * 3 : 1000.f;
    if (pick(2))
    {
      for (int k = 0; k < 3; k++)
        u.scissorMat[4 * k] = m[2 * k] * 7, u.scissorMat[4 * k + 1] = m[2 * k + 1] * 9;
      u.scissorExt[0] = unit() * 40, u.scissorExt[1] = unit() * 40;
      u.scissorScale[0] = 0.5f + unit(), u.scissorScale[1] = 0.5f + unit();
    }
    const bool stroke = pick(2);
    u.strokeMult = stroke ? 0.5f + unit() * 4 : 1.f;
    u.strokeThr = stroke && pick(2) ? kStencilThreshold : -1.f;
    // Texture coordinates as inside the renderer's strokes: u in 0..1, v at 0
    // or above (where the 8-bit forms discard as the Metal functions do).
    const int count = 1 + pick(600);
    const float s0 = stroke ? unit() : 0.5f, t0 = stroke ? unit() : 1.f;
    Shading metal(u, count, any(60), any(2), s0, stroke ? (unit() - s0) / count : 0.f);
    PWMTLFragmentSpan& span = metal.span;
    span.y = pick(50), span.dvaryings[1] = any(0.5f);
    span.varyings[3] = t0, span.dvaryings[3] = stroke ? (unit() - t0) / count : 0.f;
    span.bgra = pick(2), span.textures[0] = &texture, span.samplers[0] = &sampler;
    const bool antiAlias = pick(2);
    metal.Run(antiAlias ? mvgFragmentShaderAA : mvgFragmentShader);
    std::vector<uint8_t> pixels(4 * count), keep(count, 1);
    (antiAlias ? mvgFragmentShaderAA8 : mvgFragmentShader8)(&span, pixels.data(), keep.data());
    for (int i = 0; i < count; i++)
    {
      // The 8-bit forms shade runs of 256, each from its own start: past the
      // first, a coverage on the threshold may round across it.
      if (i < 256)
        ASSERT_EQ(keep[i], metal.keep[i]) << "seed " << seed << " pixel " << i;
      for (int ch = 0; ch < 4 && keep[i] && metal.keep[i]; ch++)
      {
        const float want = std::nearbyint(std::clamp(metal.At(i, ch), 0.f, 1.f) * 255.f);
        const int got = pixels[4 * i + (span.bgra && ch < 3 ? 2 - ch : ch)];
        ASSERT_LE(std::fabs(got - want), 1.f) << "seed " << seed << " pixel " << i << " channel " << ch << ": 8-bit "
                                              << got << ", Metal function " << metal.At(i, ch);
      }
    }
  }
}
} // namespace
