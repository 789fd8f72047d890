#include "StereoProcessor.h"

#include "AllocationCounter.h"
#include "EngineTestSignals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

using pressweave::StereoProcess;
using pressweave::StereoProcessor;

namespace {

// A seeded stereo block processed in place at a width in percent.
struct StereoBlock
{
  explicit StereoBlock(int n = 512)
  {
    std::mt19937_64 rng(seed);
    inL = pw::test::RandomSignal(rng, n);
    inR = pw::test::RandomSignal(rng, n);
  }

  void Run(double widthPercent)
  {
    outL = inL;
    outR = inR;
    double* io[2] = {outL.data(), outR.data()};
    pw::test::AllocationCounter allocs;
    StereoProcess(io, io, static_cast<int>(inL.size()), widthPercent);
    EXPECT_EQ(allocs.Count(), 0u);
  }

  const uint64_t seed = pw::test::TestSeed();
  std::vector<double> inL, inR, outL, outR;
};

} // namespace

// Mid + side rounds the sum and the difference of the channels, so the error
// is bounded by the larger channel: a quiet channel next to a loud one is off
// by one ulp of the loud one, not of itself.
TEST(StereoWidth, FullWidthReturnsTheInputWithinOneUlpOfTheLargerChannel)
{
  StereoBlock b(100000);
  SCOPED_TRACE(pw::test::SeedText(b.seed));
  b.Run(100.0);
  for (size_t s = 0; s < b.inL.size(); ++s)
  {
    const double larger = std::max(std::fabs(b.inL[s]), std::fabs(b.inR[s]));
    const double ulp = std::nextafter(larger, std::numeric_limits<double>::infinity()) - larger;
    ASSERT_LE(std::fabs(b.outL[s] - b.inL[s]), ulp) << "sample " << s;
    ASSERT_LE(std::fabs(b.outR[s] - b.inR[s]), ulp) << "sample " << s;
  }
}

TEST(StereoWidth, ZeroWidthSumsToMonoAndDoubleWidthWidensScaledByTheWidthLimit)
{
  StereoBlock b;
  SCOPED_TRACE(pw::test::SeedText(b.seed));
  b.Run(0.0);
  for (size_t s = 0; s < b.inL.size(); ++s)
  {
    ASSERT_EQ(b.outL[s], (b.inL[s] + b.inR[s]) * 0.5) << s;
    ASSERT_EQ(b.outR[s], b.outL[s]) << s;
  }
  b.Run(200.0);
  for (size_t s = 0; s < b.inL.size(); ++s)
  {
    const double l = b.inL[s], r = b.inR[s];
    ASSERT_NEAR(b.outL[s], 0.71 * (1.5 * l - 0.5 * r), 1e-15) << s;
    ASSERT_NEAR(b.outR[s], 0.71 * (1.5 * r - 0.5 * l), 1e-15) << s;
  }
}

TEST(StereoWidth, VolumeAdjustsAboveTheWidthLimitAndWidthIsClampedToFourWithNaNRefused)
{
  StereoProcessor sp;
  sp.setWidth(1.42);
  EXPECT_EQ(sp.getVolumeAdjustment(), 1.0);
  sp.setWidth(2.0);
  EXPECT_DOUBLE_EQ(sp.getVolumeAdjustment(), 0.71);
  EXPECT_EQ(sp.getAngleVolumeAdjustment(), 1.0);
  sp.setWidth(9.0);
  EXPECT_EQ(sp.getWidth(), 4.0);
  sp.setWidth(-1.0);
  EXPECT_EQ(sp.getWidth(), 0.0);
  sp.setWidth(std::nan(""));
  EXPECT_EQ(sp.getWidth(), 0.0);
}
