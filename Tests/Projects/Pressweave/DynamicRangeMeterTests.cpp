#include "DynamicRangeMeter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using pressweave::DynamicRangeMeter;

namespace {

double gNow = 0.0;
double FakeClock() noexcept { return gNow; }

constexpr double kDB = 8.6562; // the meter's dB per neper

// Gain of the K-weighting at the Nyquist frequency: the shelf gives its full
// 10^(4.05/20); the unnormalised high-pass gives 1 + K/Q + K^2.
double NyquistGain(double fs)
{
  const double k = std::tan(157.07963267948966 / fs);
  return std::pow(10.0, 0.2025) * (1.0 + k / 0.5003270373238773 + k * k);
}

// Alternating +-amp: a settled Nyquist-rate tone.
std::vector<double> Tone(int n, double amp)
{
  std::vector<double> x(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    x[i] = (i % 2 ? -amp : amp);
  return x;
}

class Meter : public ::testing::Test
{
protected:
  void SetUp() override { gNow = 0.0; }

  // Analyses one block (left, right) at clock time t.
  void At(double t, const std::vector<double>& l, const std::vector<double>& r)
  {
    gNow = t;
    meter.Process(l.data(), r.data(), static_cast<int>(l.size()));
  }
  void At(double t, int n, double level) { At(t, std::vector<double>(n, level), std::vector<double>(n, level)); }

  DynamicRangeMeter meter{44100.0, 2.0, &FakeClock};
};

} // namespace

TEST_F(Meter, FirstCallAndSecondCallInTheSameInstantOnlyTakeTheTimeAndSilenceReadsAsTheFloor)
{
  At(0.0, 512, 1.0);
  EXPECT_EQ(meter.GetPeakDB(0), -120.0);
  At(0.02, 512, 0.0);
  EXPECT_EQ(meter.GetPeakHoldDB(1), -120.0);
  EXPECT_EQ(meter.GetRMSDB(0), -66.0);
  At(0.5, 512, 0.5);
  At(0.5, 512, 1.0);
  EXPECT_NEAR(meter.GetPeakDB(0), kDB * std::log(0.5), 1e-12);
}

TEST_F(Meter, FullScaleSampleIsHeldForTheHoldTimeThenDecays)
{
  std::vector<double> block(512, 0.0);
  block[100] = -1.0;
  At(0.0, 1, 0.0);
  At(0.5, block, block);
  EXPECT_EQ(meter.GetPeakHoldDB(0), 0.0);
  At(1.0, 512, 0.0);
  EXPECT_NEAR(meter.GetPeak(0), std::exp(-0.5 / 0.2), 1e-15);
  At(2.5, 512, 0.0);
  EXPECT_EQ(meter.GetPeakHold(0), 1.0);
  At(3.0, 512, 0.0);
  EXPECT_NEAR(meter.GetPeakHoldDB(0), kDB * -5.0, 1e-12); // hold decays e^(-0.5 / 0.1)
}

TEST_F(Meter, MeanSquareSmoothsOverTheRMSWindowOfClockTimeAndSurvivesAResizeThatResetsThePeaks)
{
  At(0.0, 1, 0.0);
  At(0.1, 512, 0.5);
  EXPECT_NEAR(meter.GetRMSDB(0), 10.0 * std::log10((1.0 - std::exp(-0.1 / 0.3)) * 0.25), 1e-12);
  const double ms = meter.GetMeanSquare(0);
  ASSERT_TRUE(meter.SetRMS_MS(300.0, 48000.0));
  EXPECT_EQ(meter.GetRingSize(1), 14400);
  EXPECT_EQ(meter.GetPeakDB(0), -120.0);
  EXPECT_EQ(meter.GetHoldTimer(0), 0.0);
  EXPECT_EQ(meter.GetMeanSquare(0), ms);
  for (int i = 2; i < 200; ++i)
    At(0.1 * i, 512, 0.5);
  EXPECT_NEAR(meter.GetRMSDB(1), 10.0 * std::log10(0.25), 1e-9);

  ASSERT_TRUE(meter.SetRMS_MS(0.0, 44100.0)); // a window of no time is one sample, never an empty ring
  EXPECT_EQ(meter.GetRingSize(0), 1);
  for (double rate : {0.0, -1.0, std::nan("")})
    EXPECT_FALSE(meter.SetRMS_MS(300.0, rate)) << rate;
  EXPECT_EQ(meter.GetSampleRate(), 44100.0);
}

TEST(MeterFilter, RemovesDCAndLiftsNyquistByTheShelfAndHighPassGains)
{
  DynamicRangeMeter m(48000.0, 2.0, &FakeClock);
  double dc = 0.0, nyq = 0.0;
  for (int i = 0; i < 48000; ++i)
  {
    dc = m.ApplyLUFSFilter(0, 0.5);
    nyq = m.ApplyLUFSFilter(1, (i % 2 ? -0.5 : 0.5));
  }
  EXPECT_NEAR(dc, 0.0, 1e-9);
  EXPECT_NEAR(std::fabs(nyq), 0.5 * NyquistGain(48000.0), 1e-9);
  EXPECT_EQ(m.ApplyLUFSFilter(2, 1.0), 0.0);
}

TEST(MeterFilter, NonFiniteSampleClearsTheMemoriesInsteadOfPoisoningThem)
{
  DynamicRangeMeter a(48000.0, 2.0, &FakeClock), b(48000.0, 2.0, &FakeClock);
  for (int i = 0; i < 100; ++i)
    a.ApplyLUFSFilter(0, 0.3);
  EXPECT_EQ(a.ApplyLUFSFilter(0, std::nan("")), 0.0);
  for (int i = 0; i < 100; ++i)
    ASSERT_EQ(a.ApplyLUFSFilter(0, std::sin(i * 0.1)), b.ApplyLUFSFilter(0, std::sin(i * 0.1))) << i;
}

class MeterLoudness : public Meter
{
protected:
  // Settles the filters on a Nyquist-rate tone of amplitude amp; returns the
  // loudness it reads: the filtered energy per sample pair is 2 (amp G)^2.
  double Settle(double amp)
  {
    for (int i = 0; i < 44100; ++i)
    {
      meter.ApplyLUFSFilter(0, i % 2 ? -amp : amp);
      meter.ApplyLUFSFilter(1, i % 2 ? -amp : amp);
    }
    return std::log(std::sqrt(2.0) * amp * NyquistGain(44100.0)) * kDB - 0.8;
  }
};

TEST_F(MeterLoudness, FullBlockUpdatesWithSmoothingPointTwo)
{
  const double value = Settle(0.25);
  const auto x = Tone(1764, 0.25);
  At(0.0, x, x); // takes the time only
  for (int i = 1; i <= 9; ++i)
    At(0.001 * i, x, x);
  EXPECT_EQ(meter.GetLoudness(), -120.0);
  At(0.010, x, x); // the 10th block completes 17640 pairs
  EXPECT_NEAR(meter.GetLoudness(), 0.2 * value + 0.8 * -120.0, 1e-6);
}
