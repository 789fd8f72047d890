#include "PressweaveDSP.h"

#include "AllocationCounter.h"
#include "EngineTestSignals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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
  const std::pair<double, double> rows[] = {{0.0, 0.0}, {0.5, 0.68359375}, {-0.5, -0.68359375}, {1.0, 1.0},
                                            {1.5, 0.75}, {2.0, 0.0},        {2.5, 0.0}};
  for (const auto& [in, out] : rows)
    EXPECT_DOUBLE_EQ(dsp.waveshaper(in), out) << in;
}

TEST(PressweaveShaper, DrivenSamplesAreClippedToTheLimitBeforeShaping)
{
  PressweaveDSP full = SetUpFor(100.0);
  EXPECT_EQ(full.processSample(5.0), 0.0);
  PressweaveDSP quarter = SetUpFor(25.0); // mix 50 %, dry share 0.5: twice the dry share
  EXPECT_DOUBLE_EQ(quarter.processSample(-3.0), -1.0);
}

TEST(PressweavePass, StereoBlockMixesShapedAndDrySignalByDryWetAndZeroAmountOrOffDoesNothing)
{
  const uint64_t seed = pw::test::TestSeed();
  SCOPED_TRACE(pw::test::SeedText(seed));
  std::mt19937_64 rng(seed);
  const auto inL = pw::test::RandomSignal(rng, 512, -2.5, 2.5), inR = pw::test::RandomSignal(rng, 512, -2.5, 2.5);
  const PressweaveDSP dsp = SetUpFor(100.0);
  // Amount 100: drive 10^0.12, clamp to +-2, then the curve-50 shaper 2a - a^2 (odd).
  const auto wet = [](double x) {
    const double a = std::min(std::fabs(x * std::pow(10.0, 0.12)), 2.0);
    return std::copysign(2 * a - a * a, x);
  };
  std::vector<double> l, r;
  auto run = [&](double amount, bool on, double dryWet) {
    l = inL;
    r = inR;
    double* io[2] = {l.data(), r.data()};
    pw::test::AllocationCounter allocs;
    PressweaveProcess(dsp, io, io, 512, 2, amount, on, dryWet);
    EXPECT_EQ(allocs.Count(), 0u);
  };
  run(100.0, true, 35.0);
  for (int s = 0; s < 512; ++s)
  {
    ASSERT_NEAR(l[s], inL[s] * 0.65 + wet(inL[s]) * 0.35, 1e-12) << s;
    ASSERT_NEAR(r[s], inR[s] * 0.65 + wet(inR[s]) * 0.35, 1e-12) << s;
  }
  run(0.0, true, 100.0);
  EXPECT_EQ(l, inL);
  run(100.0, false, 100.0);
  EXPECT_EQ(r, inR);
}
