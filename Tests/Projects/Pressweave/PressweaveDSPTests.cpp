#include "PressweaveDSP.h"

#include "AllocationCounter.h"
#include "EngineTestSignals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using pressweave::MapPressweaveAmount;
using pressweave::PressweaveDSP;
using pressweave::PressweaveProcess;
using pressweave::PressweaveSetup;

namespace {

PressweaveDSP SetUpFor(double amount)
{
  PressweaveDSP dsp;
  PressweaveSetup(dsp, amount, true, 2);
  return dsp;
}

} // namespace

TEST(PressweaveAmount, MapsTheKnobOntoDriveMixAndCurve)
{
  struct Row { double amount, drive, mix, curve; };
  const Row rows[] = {{0, 0, 0, 0},     {25, 0, 50, 0},     {50, 0, 100, 0},
                      {75, 6, 100, 25}, {100, 12, 100, 50}, {-1, 0, 0, 0},
                      {100.5, 0, 0, 0}, {std::nan(""), 0, 0, 0}};
  for (const Row& r : rows)
  {
    const auto m = MapPressweaveAmount(r.amount);
    EXPECT_DOUBLE_EQ(m.drive, r.drive) << r.amount;
    EXPECT_DOUBLE_EQ(m.mix, r.mix) << r.amount;
    EXPECT_DOUBLE_EQ(m.curve, r.curve) << r.amount;
  }
}

TEST(PressweaveAmount, HalfwayGivesUnityDriveAndAFlatCurveAndFullDrivesTwelveWithCurveFifty)
{
  struct Row { double amount, driveGain, coefficients[4]; };
  const Row rows[] = {{50.0, 1.0, {1.5, 0.0, -0.5, 0.0625}}, {100.0, std::pow(10.0, 0.12), {2.0, -1.0, 0.0, 0.0}}};
  for (const Row& r : rows)
  {
    SCOPED_TRACE(r.amount);
    const PressweaveDSP dsp = SetUpFor(r.amount);
    EXPECT_NEAR(dsp.getDriveGain(), r.driveGain, 1e-14);
    EXPECT_EQ(dsp.getOutputGain(), 1.0);
    EXPECT_EQ(dsp.getSampleLimit(), 2.0);
    for (int i = 0; i < 4; ++i)
      EXPECT_DOUBLE_EQ(dsp.getCoefficient(i), r.coefficients[i]) << i;
  }
}

TEST(PressweaveShaper, FlatCurveFollowsItsPolynomialTable)
{
  const PressweaveDSP dsp = SetUpFor(50.0);
  // 1.5a - 0.5a^3 - 0.0625(a^2 - 2a^3 + a^4) below 1, 2a - a^2 up to 2.
  EXPECT_DOUBLE_EQ(dsp.waveshaper(0.5), 0.68359375);
  EXPECT_DOUBLE_EQ(dsp.waveshaper(-0.5), -0.68359375);
  EXPECT_DOUBLE_EQ(dsp.waveshaper(1.0), 1.0);
  EXPECT_DOUBLE_EQ(dsp.waveshaper(1.5), 0.75);
  EXPECT_DOUBLE_EQ(dsp.waveshaper(2.0), 0.0);
  EXPECT_EQ(dsp.waveshaper(2.5), 0.0);
  EXPECT_EQ(dsp.waveshaper(0.0), 0.0);
}

TEST(PressweaveShaper, CurveFiftyIsOneParabolaAcrossBothBranches)
{
  const PressweaveDSP dsp = SetUpFor(100.0);
  for (double a : {0.1, 0.5, 0.9, 1.0, 1.2, 1.8})
    EXPECT_NEAR(dsp.waveshaper(a), 2.0 * a - a * a, 1e-15) << a;
}

TEST(PressweaveShaper, ReachesOneAtUnityForEveryCurveAndMix)
{
  PressweaveDSP dsp;
  for (double curve : {0.0, 13.0, 27.5, 50.0, 100.0})
    for (double mix : {0.0, 40.0, 100.0})
    {
      dsp.processSetup(0.0, 0.0, mix, curve, true, false);
      EXPECT_NEAR(dsp.waveshaper(1.0), 1.0, 1e-15) << curve << " " << mix;
      EXPECT_NEAR(dsp.waveshaper(-1.0), -1.0, 1e-15) << curve << " " << mix;
    }
}

TEST(PressweaveShaper, DrivenSamplesAreClippedToTheLimitBeforeShapingOrScaling)
{
  PressweaveDSP full = SetUpFor(100.0);
  EXPECT_EQ(full.processSample(5.0), 0.0);
  PressweaveDSP quarter = SetUpFor(25.0); // mix 50 %, dry share 0.5: twice the dry share
  EXPECT_DOUBLE_EQ(quarter.processSample(3.0), 1.0);
  EXPECT_DOUBLE_EQ(quarter.processSample(-3.0), -1.0);

  PressweaveDSP plain;
  plain.processSetup(100.0, -100.0, 100.0, 0.0, false, true); // drive gain 10, output gain 0.1, limit 1
  EXPECT_DOUBLE_EQ(plain.processSample(0.05), 0.05);
  EXPECT_DOUBLE_EQ(plain.processSample(0.5), 0.1);
  EXPECT_DOUBLE_EQ(plain.processSample(-0.5), -0.1);
}

class PressweavePass : public ::testing::Test
{
protected:
  void SetUp() override
  {
    seed = pw::test::TestSeed();
    std::mt19937_64 rng(seed);
    inL = pw::test::RandomSignal(rng, kN, -2.5, 2.5);
    inR = pw::test::RandomSignal(rng, kN, -2.5, 2.5);
  }

  static constexpr int kN = 512;
  uint64_t seed = 0;
  std::vector<double> inL, inR;
};

TEST_F(PressweavePass, StereoBlockMixesShapedAndDrySignalByDryWet)
{
  SCOPED_TRACE(pw::test::SeedText(seed));
  for (double amount : {10.0, 50.0, 80.0, 100.0})
    for (double dryWet : {0.0, 35.0, 100.0})
    {
      const PressweaveDSP dsp = SetUpFor(amount);
      std::vector<double> l = inL, r = inR;
      double* io[2] = {l.data(), r.data()};
      {
        pw::test::AllocationCounter allocs;
        PressweaveProcess(dsp, io, io, kN, 2, amount, true, dryWet);
        ASSERT_EQ(allocs.Count(), 0u);
      }
      const double d = dryWet / 100.0;
      for (int s = 0; s < kN; ++s)
      {
        ASSERT_EQ(l[s], inL[s] * (1.0 - d) + dsp.processSample(inL[s]) * d) << amount << " " << dryWet << " " << s;
        ASSERT_EQ(r[s], inR[s] * (1.0 - d) + dsp.processSample(inR[s]) * d) << amount << " " << dryWet << " " << s;
      }
    }
}

TEST_F(PressweavePass, MonoOutputShapesHalfTheInputAndDoublesIt)
{
  SCOPED_TRACE(pw::test::SeedText(seed));
  const PressweaveDSP dsp = SetUpFor(70.0);
  std::vector<double> l = inL, r = inR;
  double* io[2] = {l.data(), r.data()};
  PressweaveProcess(dsp, io, io, kN, 1, 70.0, true, 60.0);
  for (int s = 0; s < kN; ++s)
    ASSERT_EQ(l[s], inL[s] * 0.4 + 2.0 * dsp.processSample(0.5 * inL[s]) * 0.6) << s;
  EXPECT_EQ(r, inR);
}

TEST_F(PressweavePass, ZeroAmountOrSwitchedOffDoesNothing)
{
  const PressweaveDSP dsp = SetUpFor(100.0);
  std::vector<double> l = inL, r = inR;
  double* io[2] = {l.data(), r.data()};
  PressweaveProcess(dsp, io, io, kN, 2, 0.0, true, 100.0);
  PressweaveProcess(dsp, io, io, kN, 2, 100.0, false, 100.0);
  EXPECT_EQ(l, inL);
  EXPECT_EQ(r, inR);
}

TEST(PressweaveSetupCall, NoOutputsLeavesTheShaperAsItWas)
{
  PressweaveDSP dsp = SetUpFor(100.0);
  PressweaveSetup(dsp, 25.0, true, 0);
  EXPECT_EQ(dsp.getCurve(), 50.0);
  PressweaveSetup(dsp, 25.0, false, 1);
  EXPECT_EQ(dsp.getMix(), 50.0);
  EXPECT_FALSE(dsp.isShaperOn());
}
