// The stand-in's metal_stdlib, which compiles Metal shader sources as C++.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>

// Last: its qualifiers are macros.
#include <Metal/metal_stdlib>

using namespace metal;

namespace
{
// A block as a shader reads it from a buffer: offsets as the GPU lays it out.
struct Block
{
  float3x3 m;
  float4 colour;
  float2 extent;
  float f;
};

TEST(MetalStdlib, TypesTakeTheSizesAndAlignmentsOfTheGpu)
{
  EXPECT_EQ(sizeof(float2), 8u);
  EXPECT_EQ(alignof(float2), 8u);
  EXPECT_EQ(sizeof(float3), 16u); // padded like a float4
  EXPECT_EQ(alignof(float3), 16u);
  EXPECT_EQ(sizeof(float4), 16u);
  EXPECT_EQ(sizeof(float3x3), 48u);
  EXPECT_EQ(offsetof(Block, colour), 48u);
  EXPECT_EQ(offsetof(Block, extent), 64u);
  EXPECT_EQ(offsetof(Block, f), 72u);
  EXPECT_EQ(sizeof(Block), 80u);
}

TEST(MetalStdlib, ArithmeticIsComponentwiseWithScalarsSpreadOverEveryComponent)
{
  const float3 v = float3(float2(1.f, 2.f), 3.f) * 2.f - float3(1.f);
  EXPECT_EQ(v.x, 1.f);
  EXPECT_EQ(v.y, 3.f);
  EXPECT_EQ(v.z, 5.f);
  float4 w = float4(v, 8.f) / float4(1.f, 3.f, 5.f, 2.f);
  w += 1.f;
  w *= -w;
  EXPECT_EQ(w.x, -4.f);
  EXPECT_EQ(w.y, -4.f);
  EXPECT_EQ(w.w, -25.f);
  EXPECT_EQ((1.f - float2(0.25f, 4.f)).y, -3.f);
}

TEST(MetalStdlib, AMatrixTimesAVectorSumsItsColumnsScaledByTheComponents)
{
  // Columns (a, b, 0), (c, d, 0), (e, f, 1): the affine map of (x, y).
  const float3x3 m(float3(1.f, 2.f, 0.f), float3(3.f, 4.f, 0.f), float3(5.f, 6.f, 1.f));
  const float3 p = m * float3(10.f, 100.f, 1.f);
  EXPECT_EQ(p.x, 1.f * 10 + 3.f * 100 + 5.f);
  EXPECT_EQ(p.y, 2.f * 10 + 4.f * 100 + 6.f);
  EXPECT_EQ(p.z, 1.f);
  EXPECT_EQ(m[2].y, 6.f);
}

TEST(MetalStdlib, CommonFunctionsWorkOnScalarsAndEachComponent)
{
  EXPECT_EQ(abs(-2.5f), 2.5f);
  EXPECT_EQ(abs(float2(-1.f, 2.f)).x, 1.f);
  EXPECT_EQ(min(max(float2(-1.f, 5.f), float2(0.f)), float2(1.f)).y, 1.f);
  EXPECT_EQ(clamp(1.5f, 0.f, 1.f), 1.f);
  EXPECT_EQ(clamp(-0.5f, 0.f, 1.f), 0.f);
  EXPECT_TRUE(std::isnan(clamp(NAN, 0.f, 1.f))) << "a NaN stays one";
  EXPECT_EQ(mix(float4(0.f), float4(2.f, 4.f, 6.f, 8.f), 0.25f).w, 2.f);
  EXPECT_EQ(mix(1.f, 3.f, 0.5f), 2.f);
  EXPECT_EQ(dot(float3(1.f, 2.f, 3.f), float3(4.f, 5.f, 6.f)), 32.f);
  EXPECT_EQ(length(float2(3.f, 4.f)), 5.f);
}

TEST(MetalStdlib, TexturesSampleThroughTheStandInAndUnboundOnesGiveZero)
{
  const uint8_t pixels[8] = {255, 0, 0, 255, 0, 51, 0, 102}; // RGBA8, 2 x 1
  const PWMTLTextureView view = {pixels, 2, 1, 8, 70};
  const PWMTLSamplerView nearest = {0, 0, 0, 0};
  const texture2d<float> texture(&view);
  const float4 right = texture.sample(sampler(&nearest), float2(0.75f, 0.5f));
  EXPECT_FLOAT_EQ(right.y, 51 / 255.f);
  EXPECT_FLOAT_EQ(right.w, 102 / 255.f);
  EXPECT_EQ(texture.get_width(), 2u);
  EXPECT_EQ(texture2d<float>().sample(sampler(), float2(0.5f)).w, 0.f);
}

TEST(MetalStdlib, DiscardingMarksTheFragmentForItsCaller)
{
  standin::fragmentDiscarded = false;
  discard_fragment();
  EXPECT_TRUE(standin::fragmentDiscarded);
  standin::fragmentDiscarded = false;
}
} // namespace
