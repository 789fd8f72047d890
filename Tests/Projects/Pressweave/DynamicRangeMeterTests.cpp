#include "DynamicRangeMeter.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using pressweave::BufferManager;
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

class Meter : public ::testing::Test
{
protected:
  void SetUp() override { gNow = 0.0; }

  // Analyses one block of n samples (left, right) at clock time t.
  void At(double t, const std::vector<double>& l, const std::vector<double>& r)
  {
    gNow = t;
    meter.Process(l.data(), r.data(), static_cast<int>(l.size()));
  }
  void At(double t, int n, double level) { At(t, std::vector<double>(n, level), std::vector<double>(n, level)); }

  DynamicRangeMeter meter{44100.0, 2.0, &FakeClock};
};

} // namespace

TEST_F(Meter, SilenceReadsAsTheLevelFloorAndTheDisplayBottom)
{
  At(0.0, 512, 0.0);
  At(0.02, 512, 0.0);
  EXPECT_EQ(meter.GetPeakDB(0), -120.0);
  EXPECT_EQ(meter.GetPeakHoldDB(1), -120.0);
  EXPECT_EQ(meter.GetRMSDB(0), -66.0);
}

TEST_F(Meter, FirstCallAndSecondCallInTheSameInstantOnlyTakeTheTime)
{
  At(0.0, 512, 1.0);
  EXPECT_EQ(meter.GetPeakDB(0), -120.0);
  At(0.5, 512, 0.5);
  const double peak = meter.GetPeakDB(0);
  At(0.5, 512, 1.0);
  EXPECT_EQ(meter.GetPeakDB(0), peak);
  EXPECT_NEAR(peak, kDB * std::log(0.5), 1e-12);
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
  for (double t : {1.5, 2.5})
  {
    At(t, 512, 0.0);
    EXPECT_EQ(meter.GetPeakHold(0), 1.0) << t;
  }
  At(3.0, 512, 0.0);
  EXPECT_NEAR(meter.GetPeakHoldDB(0), kDB * -5.0, 1e-12); // hold decays e^(-0.5 / 0.1)
}

TEST_F(Meter, MeanSquareSmoothsOverTheRMSWindowOfClockTime)
{
  At(0.0, 1, 0.0);
  At(0.1, 512, 0.5);
  const double c = 1.0 - std::exp(-0.1 / 0.3);
  EXPECT_NEAR(meter.GetRMSDB(0), 10.0 * std::log10(c * 0.25), 1e-12);
  for (int i = 2; i < 200; ++i)
    At(0.1 * i, 512, 0.5);
  EXPECT_NEAR(meter.GetRMSDB(1), 10.0 * std::log10(0.25), 1e-9);
}

TEST_F(Meter, SetRMSWindowResizesTheRingsAndResetsPeaksButKeepsTheMeanSquare)
{
  At(0.0, 1, 0.0);
  At(0.1, 512, 0.5);
  const double ms = meter.GetMeanSquare(0);
  ASSERT_TRUE(meter.SetRMS_MS(300.0, 48000.0));
  EXPECT_EQ(meter.GetRingSize(1), 14400);
  EXPECT_EQ(meter.GetPeakDB(0), -120.0);
  EXPECT_EQ(meter.GetPeakHold(1), -120.0);
  EXPECT_EQ(meter.GetHoldTimer(0), 0.0);
  EXPECT_EQ(meter.GetMeanSquare(0), ms);
}

TEST_F(Meter, ZeroSampleRateIsRefusedAndNeverGivesAnEmptyRing)
{
  ASSERT_TRUE(meter.SetRMS_MS(300.0, 44100.0));
  EXPECT_FALSE(meter.SetRMS_MS(300.0, 0.0));
  EXPECT_FALSE(meter.SetRMS_MS(-1.0, 44100.0));
  EXPECT_FALSE(meter.SetRMS_MS(300.0, std::nan("")));
  EXPECT_EQ(meter.GetSampleRate(), 44100.0);
  EXPECT_EQ(meter.GetRingSize(0), 13230);

  ASSERT_TRUE(meter.SetRMS_MS(0.0, 44100.0)); // window of no time: one sample, no smoothing
  EXPECT_EQ(meter.GetRingSize(0), 1);
  At(0.0, 1, 0.0);
  At(0.1, 64, 0.5);
  EXPECT_EQ(meter.GetMeanSquare(0), 0.25);

  DynamicRangeMeter zeroRate(0.0, 2.0, &FakeClock);
  std::vector<double> x(64, 0.5);
  gNow = 1.0;
  zeroRate.Process(x.data(), x.data(), 64);
  EXPECT_EQ(zeroRate.GetRingSize(0), 13230);
  EXPECT_TRUE(std::isfinite(zeroRate.GetLoudness()));
}

TEST(MeterFilter, RemovesDCAndLiftsNyquistByTheShelfAndHighPassGains)
{
  for (double fs : {44100.0, 48000.0, 96000.0})
  {
    DynamicRangeMeter m(fs, 2.0, &FakeClock);
    ASSERT_TRUE(m.SetRMS_MS(300.0, fs));
    double dc = 0.0, nyq = 0.0;
    for (int i = 0; i < static_cast<int>(fs); ++i)
    {
      dc = m.ApplyLUFSFilter(0, 0.5);
      nyq = m.ApplyLUFSFilter(1, (i % 2 ? -0.5 : 0.5));
    }
    EXPECT_NEAR(dc, 0.0, 1e-9) << fs;
    EXPECT_NEAR(std::fabs(nyq), 0.5 * NyquistGain(fs), 1e-9) << fs;
    EXPECT_EQ(m.ApplyLUFSFilter(2, 1.0), 0.0);
  }
}

TEST(MeterFilter, NonFiniteSampleClearsTheMemoriesInsteadOfPoisoningThem)
{
  DynamicRangeMeter a(48000.0, 2.0, &FakeClock), b(48000.0, 2.0, &FakeClock);
  for (int i = 0; i < 100; ++i)
    a.ApplyLUFSFilter(0, 0.3);
  EXPECT_EQ(a.ApplyLUFSFilter(0, std::nan("")), 0.0);
  for (int i = 0; i < 100; ++i)
  {
    const double x = std::sin(i * 0.1);
    ASSERT_EQ(a.ApplyLUFSFilter(0, x), b.ApplyLUFSFilter(0, x)) << i;
  }
}

class MeterLoudness : public Meter
{
protected:
  // A settled Nyquist-rate tone of amplitude amp in both channels: the
  // filtered energy per sample pair is 2 (amp G)^2.
  std::vector<double> Tone(int n, double amp)
  {
    std::vector<double> x(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
      x[i] = (i % 2 ? -amp : amp);
    return x;
  }
  void Settle(double amp)
  {
    for (int i = 0; i < 44100; ++i)
    {
      meter.ApplyLUFSFilter(0, i % 2 ? -amp : amp);
      meter.ApplyLUFSFilter(1, i % 2 ? -amp : amp);
    }
  }
  double Value(double amp) { return std::log(std::sqrt(2.0) * amp * NyquistGain(44100.0)) * kDB - 0.8; }
};

TEST_F(MeterLoudness, FullBlockUpdatesWithSmoothingPointTwo)
{
  Settle(0.25);
  const auto x = Tone(1764, 0.25);
  At(0.0, x, x); // takes the time only
  for (int i = 1; i <= 9; ++i)
  {
    At(0.001 * i, x, x);
    EXPECT_EQ(meter.GetLoudness(), -120.0) << i;
  }
  At(0.010, x, x); // the 10th block completes 17640 pairs
  EXPECT_NEAR(meter.GetLoudness(), 0.2 * Value(0.25) + 0.8 * -120.0, 1e-6);
}

TEST_F(MeterLoudness, AnEighthOfABlockUpdatesHalfwayOnceATenthOfASecondHasPassed)
{
  Settle(0.5);
  const auto x = Tone(4410, 0.5);
  At(0.0, x, x);
  At(0.2, x, x);
  const double first = 0.5 * Value(0.5) + 0.5 * -120.0;
  EXPECT_NEAR(meter.GetLoudness(), first, 1e-6);
  At(0.25, x, x); // less than 0.1 s since the update
  EXPECT_NEAR(meter.GetLoudness(), first, 1e-6);
  // Halving at the first update kept 1102.5 pairs' energy over a count of
  // 1102, so the second update at pair 7718 sees half a pair too much.
  At(0.4, x, x);
  const double second = Value(0.5) + kDB * 0.5 * std::log(7718.5 / 7718.0);
  EXPECT_NEAR(meter.GetLoudness(), 0.5 * second + 0.5 * first, 1e-6);
}

TEST_F(MeterLoudness, DisabledLoudnessIsNotMeasured)
{
  meter.SetLoudnessEnabled(false);
  const auto x = Tone(20000, 0.5);
  At(0.0, x, x);
  At(1.0, x, x);
  EXPECT_EQ(meter.GetLoudness(), -120.0);
}

TEST(MeterHandOff, AnalysesOnlyTheFramesTheLastBlockRendered)
{
  gNow = 0.0;
  BufferManager handOff(512);
  DynamicRangeMeter m(44100.0, 2.0, &FakeClock);
  ASSERT_TRUE(m.SetRMS_MS(0.0, 44100.0)); // mean square = the block's
  std::vector<double> ones(64, 1.0);
  handOff.Write(BufferManager::kOutputLeft, ones.data(), 64);
  handOff.Write(BufferManager::kOutputRight, ones.data(), 64);
  pressweave::ProcessHandOff(m, handOff, 2, 3);
  gNow = 0.05;
  pressweave::ProcessHandOff(m, handOff, 2, 3);
  EXPECT_EQ(m.GetRMSDB(1), 0.0);
}
