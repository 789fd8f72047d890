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
  u.feather = 1.f;
  u.strokeMult = 1.f;
  u.strokeThr = -1.f;
  return u;
}

// Shades count pixels from fpos (x, y) stepping dx along x, at texture
// coordinate (s, t) stepping ds; returns premultiplied rgba per pixel and
// keeps the discards.
struct Shading
{
  std::vector<float> rgba;
  std::vector<uint8_t> keep;
  PWMTLFragmentSpan span = {};

  Shading(const MVGfragUniforms& u, int count, float x, float dx, float s = 0.5f, float ds = 0.f, float t = 1.f)
  {
    span.count = count;
    const float v[4] = {x, 0.f, s, t}, dv[4] = {dx, 0.f, ds, 0.f};
    std::copy(v, v + 4, span.varyings);
    std::copy(dv, dv + 4, span.dvaryings);
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
  const float points[][4] = {{0, 0, -1, 1}, {200, 100, 1, -1}, {50, 75, -0.5f, -0.5f}};
  for (const auto& p : points)
  {
    PWMTLVertexIn in = {};
    in.attributes[0][0] = p[0], in.attributes[0][1] = p[1];
    in.attributes[1][0] = 0.25f, in.attributes[1][1] = 0.75f;
    in.buffers[1] = reinterpret_cast<const uint8_t*>(viewSize);
    PWMTLVertexOut out = {};
    mvgVertexShader(&in, &out);
    EXPECT_FLOAT_EQ(out.position[0], p[2]);
    EXPECT_FLOAT_EQ(out.position[1], p[3]);
    EXPECT_EQ(out.position[3], 1.f);
    const float varyings[4] = {p[0], p[1], 0.25f, 0.75f}; // position in points, texture coordinate
    for (int i = 0; i < 4; i++)
      EXPECT_EQ(out.varyings[i], varyings[i]);
  }
}

TEST(MetalShaders, FillsArePremultipliedAndGradientsRampAcrossTheFeather)
{
  MVGfragUniforms u = Block(1.f, 0.5f, 0.f, 0.5f);
  const Shading plain = Shading(u, 3, 0.5f, 100.f).Run(mvgFragmentShader);
  for (int c = 0; c < 4; c++)
    EXPECT_EQ(plain.At(2, c), u.innerCol[c]) << c;
  // A box of half size 10 with a feather of 4, from transparent black to
  // white: inner colour 2 inside its edge, half way on it, outer 2 outside.
  u = Block(0.f, 0.f, 0.f, 0.f);
  std::fill(u.outerCol, u.outerCol + 4, 1.f);
  u.extent[0] = u.extent[1] = 10.f;
  u.feather = 4.f;
  const Shading ramp = Shading(u, 5, 8.f, 1.f).Run(mvgFragmentShader);
  const float expected[5] = {0.f, 0.25f, 0.5f, 0.75f, 1.f};
  for (int i = 0; i < 5; i++)
    EXPECT_NEAR(ramp.At(i, 3), expected[i], 1e-6f) << "x " << 8 + i;
}

TEST(MetalShaders, ImagesArePremultipliedByTheirTextureType)
{
  const uint8_t rgba[4] = {255, 0, 0, 128}, alpha[1] = {51};
  const PWMTLTextureView straight = {rgba, 1, 1, 4, kRGBA8}, mask = {alpha, 1, 1, 1, kR8};
  MVGfragUniforms u = Block(1.f, 1.f, 1.f, 1.f);
  u.type = MVG_SHADER_FILLIMG;
  u.texType = 1;
  Shading image(u, 1, 0.5f, 0.f);
  image.span.textures[0] = &straight;
  EXPECT_NEAR(image.Run(mvgFragmentShader).At(0, 0), (128 / 255.f) * 1.f, 1e-6f);
  EXPECT_NEAR(image.At(0, 3), 128 / 255.f, 1e-6f);
  u.texType = 0; // already premultiplied: as stored
  EXPECT_EQ(image.Run(mvgFragmentShader).At(0, 0), 1.f);
  // An alpha texture on text triangles: its value in every channel, times
  // the colour.
  u = Block(1.f, 0.5f, 0.f, 1.f);
  u.type = MVG_SHADER_IMG;
  u.texType = 2;
  Shading text(u, 1, 0.5f, 0.f);
  text.span.textures[0] = &mask;
  text.Run(mvgFragmentShaderAA);
  for (int c = 0; c < 4; c++)
    EXPECT_NEAR(text.At(0, c), 0.2f * u.innerCol[c], 1e-6f) << c;
}

TEST(MetalShaders, TheScissorClipsWithAOnePixelRamp)
{
  MVGfragUniforms u = Block(1.f, 1.f, 1.f, 1.f);
  u.scissorMat[0] = u.scissorMat[5] = u.scissorMat[10] = 1.f; // centred on the origin
  u.scissorExt[0] = u.scissorExt[1] = 5.f;
  const Shading s = Shading(u, 4, 3.f, 2.f).Run(mvgFragmentShaderAA);
  const float expected[4] = {1.f, 0.5f, 0.f, 0.f}; // x 3, 5, 7, 9
  for (int i = 0; i < 4; i++)
    EXPECT_EQ(s.At(i, 3), expected[i]) << i;
}

TEST(MetalShaders, OnlyTheAntiAliasingVariantFadesStrokeEdgesAndDiscardsBelowTheThreshold)
{
  MVGfragUniforms u = Block(1.f, 1.f, 1.f, 1.f);
  // u across the stroke 0, 0.25, 0.5: coverage 0, 0.5, 1 at multiplier 1.
  const Shading faded = Shading(u, 3, 0.5f, 1.f, 0.f, 0.25f).Run(mvgFragmentShaderAA);
  const Shading plain = Shading(u, 3, 0.5f, 1.f, 0.f, 0.25f).Run(mvgFragmentShader);
  for (int i = 0; i < 3; i++)
  {
    EXPECT_EQ(faded.At(i, 3), 0.5f * i) << i;
    EXPECT_EQ(plain.At(i, 3), 1.f) << i;
  }
  u.strokeThr = kStencilThreshold;
  const Shading thresholded = Shading(u, 3, 0.5f, 1.f, 0.f, 0.25f).Run(mvgFragmentShaderAA);
  EXPECT_EQ(thresholded.keep, (std::vector<uint8_t>{0, 0, 1}));
  EXPECT_EQ(Shading(u, 3, 0.5f, 1.f, 0.f, 0.25f).Run(mvgFragmentShader).keep, (std::vector<uint8_t>{1, 1, 1}));
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
    std::vector<uint8_t> texels(4 * 5 * 3);
    for (uint8_t& t : texels)
      t = (uint8_t)pick(256);
    const int texType = pick(3);
    const PWMTLTextureView texture = {texels.data(), texType == 2 ? 15 : 5, 3, texType == 2 ? 15 : 20,
                                      texType == 2 ? kR8 : kRGBA8};
    const PWMTLSamplerView sampler = {pick(2) * kLinear, 0, pick(2) * kRepeat, pick(2) * kRepeat};

    MVGfragUniforms u = Block(unit(), unit(), unit(), unit());
    u.type = pick(3);
    u.texType = texType;
    if (pick(2)) // a gradient, or with a wide feather a nearly flat one
    {
      const float a = unit();
      for (int c = 0; c < 3; c++)
        u.outerCol[c] = unit() * a;
      u.outerCol[3] = a;
    }
    const float angle = any(3.2f);
    const float m[6] = {std::cos(angle) / 7, std::sin(angle) / 7, -std::sin(angle) / 9, std::cos(angle) / 9, any(5), any(5)};
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

    const int count = 1 + pick(600);
    Shading metal(u, count, any(60), any(2), stroke ? unit() : 0.5f, stroke ? any(0.02f) : 0.f, stroke ? unit() * 2 : 1.f);
    metal.span.y = pick(50);
    metal.span.dvaryings[1] = any(0.5f);
    metal.span.dvaryings[3] = stroke ? any(0.01f) : 0.f;
    metal.span.bgra = pick(2);
    metal.span.textures[0] = &texture;
    metal.span.samplers[0] = &sampler;
    const bool antiAlias = pick(2);
    metal.Run(antiAlias ? mvgFragmentShaderAA : mvgFragmentShader);
    std::vector<uint8_t> pixels(4 * count), keep(count, 1);
    (antiAlias ? mvgFragmentShaderAA8 : mvgFragmentShader8)(&metal.span, pixels.data(), keep.data());

    for (int i = 0; i < count; i++)
    {
      // Spans are shaded in runs of 256, each from its own start: a stroke
      // coverage that lands on the threshold may round across it there.
      if (i < 256)
        ASSERT_EQ(keep[i], metal.keep[i]) << "seed " << seed << " pixel " << i;
      if (!keep[i] || !metal.keep[i])
        continue;
      for (int c = 0; c < 4; c++)
      {
        const float want = std::nearbyint(std::clamp(metal.At(i, c), 0.f, 1.f) * 255.f);
        const int got = pixels[4 * i + (metal.span.bgra && c < 3 ? 2 - c : c)];
        ASSERT_LE(std::fabs(got - want), 1.f)
          << "seed " << seed << " pixel " << i << " channel " << c << ": 8-bit " << got << ", Metal function "
          << metal.At(i, c) << " (type " << u.type << ", texture type " << texType << ")";
      }
    }
  }
}
} // namespace
