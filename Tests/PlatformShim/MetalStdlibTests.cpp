// The stand-in's metal_stdlib, which compiles Metal shader sources as C++.
#include <gtest/gtest.h>

#include <cmath>

// Last: its qualifiers are macros.
#include <Metal/metal_stdlib>

using namespace metal;

namespace
{
// Matrix products are held to the 8-bit shader forms by the shaders' tests.
TEST(MetalStdlib, ArithmeticAndCommonFunctionsAreComponentwise)
{
  float4 w = float4(float3(float2(1.f, 2.f), 3.f) * 2.f - float3(1.f), 8.f) / float4(1.f, 3.f, 5.f, 2.f);
  w += 1.f;
  w *= -w;
  EXPECT_TRUE(w.x == -4.f && w.z == -4.f && w.w == -25.f && (1.f - float2(0.25f, 4.f)).y == -3.f);
  EXPECT_TRUE(abs(-2.5f) == 2.5f && abs(float2(-1.f, 2.f)).x == 1.f);
  EXPECT_EQ(min(max(float2(-1.f, 5.f), float2(0.f)), float2(1.f)).y, 1.f);
  EXPECT_TRUE(clamp(1.5f, 0.f, 1.f) == 1.f && clamp(-0.5f, 0.f, 1.f) == 0.f);
  EXPECT_TRUE(std::isnan(clamp(NAN, 0.f, 1.f))) << "a NaN stays one";
  EXPECT_TRUE(mix(float4(0.f), float4(2.f, 4.f, 6.f, 8.f), 0.25f).w == 2.f && mix(1.f, 3.f, 0.5f) == 2.f);
  EXPECT_TRUE(dot(float3(1.f, 2.f, 3.f), float3(4.f, 5.f, 6.f)) == 32.f && length(float2(3.f, 4.f)) == 5.f);
  EXPECT_EQ(texture2d<float>().sample(sampler(), float2(0.5f)).w, 0.f) << "an unbound texture samples as 0";
}
} // namespace
