#include "StereoProcessor.h"

#include "AllocationCounter.h"
#include "EngineTestSignals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <limits>
#include <vector>

using pressweave::StereoProcess;
using pressweave::StereoProcessor;

namespace {

struct StereoBlock
{
  std::vector<double> inL, inR, outL, outR;

  explicit StereoBlock(uint64_t seed, int n = 512)
  {
    std::mt19937_64 rng(seed);
    inL = pw::test::RandomSignal(rng, n);
    inR = pw::test::RandomSignal(rng, n);
    outL.assign(static_cast<size_t>(n), 0.0);
    outR.assign(static_cast<size_t>(n), 0.0);
  }

  int Size() const { return static_cast<int>(inL.size()); }

  void Run(double widthPercent)
  {
    const double* in[2] = {inL.data(), inR.data()};
    double* out[2] = {outL.data(), outR.data()};
    StereoProcess(in, out, Size(), widthPercent);
  }
};

// One unit in the last place of |x|.
double Ulp(double x)
{
  x = std::fabs(x);
  return std::nextafter(x, std::numeric_limits<double>::infinity()) - x;
}

} // namespace

// Mid + side rounds the sum and the difference of the channels, so the error
// is bounded by the larger channel: a quiet channel next to a loud one is off
// by one ulp of the loud one, not of itself.
TEST(StereoWidth, FullWidthReturnsTheInputWithinOneUlpOfTheLargerChannel)
{
  const uint64_t seed = pw::test::TestSeed();
  SCOPED_TRACE(pw::test::SeedText(seed));
  StereoBlock b(seed, 100000);
  b.Run(100.0);
  for (int s = 0; s < b.Size(); ++s)
  {
    const double ulp = Ulp(std::max(std::fabs(b.inL[s]), std::fabs(b.inR[s])));
    ASSERT_LE(std::fabs(b.outL[s] - b.inL[s]), ulp) << "sample " << s;
    ASSERT_LE(std::fabs(b.outR[s] - b.inR[s]), ulp) << "sample " << s;
  }
}

TEST(StereoWidth, ZeroWidthSumsBothChannelsToMono)
{
  StereoBlock b(pw::test::TestSeed());
  b.Run(0.0);
  for (int s = 0; s < b.Size(); ++s)
  {
    EXPECT_EQ(b.outL[s], (b.inL[s] + b.inR[s]) * 0.5);
    EXPECT_EQ(b.outR[s], b.outL[s]);
  }
}

TEST(StereoWidth, DoubleWidthWidensAndScalesByTheWidthLimit)
{
  StereoBlock b(pw::test::TestSeed());
  b.Run(200.0);
  for (int s = 0; s < b.Size(); ++s)
  {
    const double l = b.inL[s], r = b.inR[s];
    EXPECT_NEAR(b.outL[s], 0.71 * (1.5 * l - 0.5 * r), 1e-15);
    EXPECT_NEAR(b.outR[s], 0.71 * (1.5 * r - 0.5 * l), 1e-15);
  }
}

TEST(StereoWidth, VolumeAdjustmentStartsAboveTheWidthLimit)
{
  StereoProcessor sp;
  sp.setWidth(1.42);
  EXPECT_EQ(sp.getVolumeAdjustment(), 1.0);
  sp.setWidth(2.0);
  EXPECT_DOUBLE_EQ(sp.getVolumeAdjustment(), 0.71);
  EXPECT_EQ(sp.getAngleVolumeAdjustment(), 1.0);
}

TEST(StereoWidth, WidthIsClampedToFourAndNaNIsRefused)
{
  StereoProcessor sp;
  sp.setWidth(9.0);
  EXPECT_EQ(sp.getWidth(), 4.0);
  sp.setWidth(-1.0);
  EXPECT_EQ(sp.getWidth(), 0.0);
  sp.setWidth(1.5);
  sp.setWidth(std::nan(""));
  EXPECT_EQ(sp.getWidth(), 1.5);
}

TEST(StereoWidth, BlockPathMatchesPerSampleProcessingBitForBit)
{
  const uint64_t seed = pw::test::TestSeed();
  SCOPED_TRACE(pw::test::SeedText(seed));
  for (double width : {0.0, 37.0, 100.0, 142.0, 150.0, 200.0, 400.0, 650.0})
  {
    StereoBlock b(seed);
    b.Run(width);
    StereoProcessor ref;
    ref.setWidth(width / 100.0);
    for (int s = 0; s < b.Size(); ++s)
    {
      ref.processStereo(b.inL[s], b.inR[s]);
      ASSERT_EQ(b.outL[s], ref.getOutputLeft()) << "width " << width << " sample " << s;
      ASSERT_EQ(b.outR[s], ref.getOutputRight()) << "width " << width << " sample " << s;
    }
  }
}

TEST(StereoWidth, InPlaceProcessingGivesTheSameResultWithoutAllocating)
{
  StereoBlock b(pw::test::TestSeed());
  b.Run(150.0);
  std::vector<double> l = b.inL, r = b.inR;
  double* io[2] = {l.data(), r.data()};
  {
    pw::test::AllocationCounter allocs;
    StereoProcess(io, io, b.Size(), 150.0);
    EXPECT_EQ(allocs.Count(), 0u);
  }
  EXPECT_EQ(l, b.outL);
  EXPECT_EQ(r, b.outR);
}

TEST(StereoWidth, MissingChannelsLeaveTheOutputUntouched)
{
  std::vector<double> l(8, 0.25), out(8, 7.0);
  const double* in[2] = {l.data(), nullptr};
  double* outs[2] = {out.data(), out.data()};
  StereoProcess(in, outs, 8, 0.0);
  StereoProcess(nullptr, outs, 8, 0.0);
  EXPECT_EQ(out, std::vector<double>(8, 7.0));
}
