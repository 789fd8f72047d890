// The stand-in's metal_stdlib, which compiles Metal shader sources as C++.
#include <gtest/gtest.h>

#include <cmath>

// Last: its qualifiers are macros.
#include <Metal/metal_stdlib>

using namespace metal;

namespace
{
TEST(MetalStdlib, ArithmeticIsComponentwiseAndMatricesMultiplyByColumns)
{
  const float3 v = float3(float2(1.f, 2.f), 3.f) * 2.f - float3(1.f);
  float4 w = float4(v, 8.f) / float4(1.f, 3.f, 5.f, 2.f);
  w += 1.f;
  w *= -w;
  EXPECT_EQ(w.x, -4.f);
  EXPECT_EQ(w.z, -4.f);
  EXPECT_EQ(w.w, -25.f);
  EXPECT_EQ((1.f - float2(0.25f, 4.f)).y, -3.f);
  // Columns (a, b, 0), (c, d, 0), (e, f, 1): the affine map of (x, y).
  const float3x3 m(float3(1.f, 2.f, 0.f), float3(3.f, 4.f, 0.f), float3(5.f, 6.f, 1.f));
  const float3 p = m * float3(10.f, 100.f, 1.f);
  EXPECT_EQ(p.x, 1.f * 10 + 3.f * 100 + 5.f);
  EXPECT_EQ(p.y, 2.f * 10 + 4.f * 100 + 6.f);
  EXPECT_EQ(p.z, 1.f);
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

TEST(MetalStdlib, UnboundTexturesSampleAsZero)
{
  EXPECT_EQ(texture2d<float>().sample(sampler(), float2(0.5f)).w, 0.f);
}
} // namespace
