#include "DefaultSignal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

using pw::host::DefaultKickSignal;
using pw::host::DefaultProgramSignal;
using pw::host::DeterministicSine;

namespace {

// Reads a whole source in reads of the given sizes, cycling through them.
std::vector<std::vector<float>> ReadAll(pw::host::SignalSource& source, std::vector<long> sizes)
{
  std::vector<std::vector<float>> out(static_cast<std::size_t>(source.Channels()));
  std::vector<std::vector<float>> block(out.size(), std::vector<float>(65536));
  std::vector<float*> pointers;
  for (auto& b : block)
    pointers.push_back(b.data());
  for (std::size_t k = 0;; ++k)
  {
    const long n = source.Read(pointers.data(), sizes[k % sizes.size()]);
    for (std::size_t c = 0; c < out.size(); ++c)
      out[c].insert(out[c].end(), block[c].begin(), block[c].begin() + n);
    if (n < sizes[k % sizes.size()])
      return out;
  }
}

double Energy(const std::vector<float>& x, long from, long to)
{
  double sum = 0.0;
  for (long i = from; i < to; ++i)
    sum += static_cast<double>(x[static_cast<std::size_t>(i)]) * x[static_cast<std::size_t>(i)];
  return sum;
}

} // namespace

TEST(DeterministicSine, MatchesTheLibrarySineAndHitsTheQuarterCyclesExactly)
{
  for (int i = -2000; i <= 2000; ++i)
    ASSERT_NEAR(DeterministicSine(i * 0.01237), std::sin(2.0 * M_PI * i * 0.01237), 1e-13) << i;
  EXPECT_EQ(DeterministicSine(0.5), 0.0);
  EXPECT_NEAR(DeterministicSine(0.75), -1.0, 2e-15);
  EXPECT_EQ(DeterministicSine(3.125), DeterministicSine(0.125)) << "whole cycles fold away exactly";
  for (double x : {-0.0, -1e-300, -0.5, -2.5, 0.75, 4503599627370495.5, -4503599627370497.0, 1e300})
  {
    const double a = DeterministicSine(x), b = DeterministicSine(x - std::floor(x));
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << "the fold takes the library's fraction, bit for bit, of " << x;
  }

  // The block form gives the same bits, the folds at 1/4 and 3/4 included.
  std::vector<double> cycles(4003), out(cycles.size()), want(cycles.size());
  for (size_t i = 0; i < cycles.size(); ++i)
    cycles[i] = i % 7 == 0 ? 0.25 * static_cast<double>(i % 4) : (static_cast<double>(i) - 2001.0) * 0.01237;
  pw::host::DeterministicSines(cycles.data(), out.data(), static_cast<int>(cycles.size()));
  std::transform(cycles.begin(), cycles.end(), want.begin(), DeterministicSine);
  EXPECT_EQ(std::memcmp(out.data(), want.data(), out.size() * sizeof(double)), 0);
}

TEST(DefaultProgram, IsEightSecondsOfWideAudibleStereoTheSameForAnyReadSizes)
{
  DefaultProgramSignal program(48000.0);
  EXPECT_EQ(program.Channels(), 2);
  EXPECT_EQ(program.Frames(), 384000);
  EXPECT_EQ(DefaultProgramSignal(44100.0).Frames(), 352800);
  const auto x = ReadAll(program, {65536});
  DefaultProgramSignal again(48000.0);
  EXPECT_EQ(ReadAll(again, {1, 511, 4096, 37}), x);
  ASSERT_EQ(x[0].size(), 384000u) << "and nothing past its end";
  float peak = 0.0f;
  for (const auto& channel : x)
    for (float v : channel)
      peak = std::max(peak, std::fabs(v)); // a NaN would fail the comparisons below
  EXPECT_GT(peak, 0.25f);
  EXPECT_LT(peak, 1.0f);
  EXPECT_NE(x[0], x[1]) << "left and right differ";
  EXPECT_EQ(x[0].front(), 0.0f) << "it fades in from silence";
  EXPECT_LT(std::fabs(x[0].back()), 1e-4f) << "and out to silence";
  for (long start = 0; start < 384000; start += 24000)
    EXPECT_GT(Energy(x[0], start, start + 24000), 1.0) << "every half-second has sound, at frame " << start;
}

TEST(DefaultKick, IsTheSameMonoKickOnEveryBeat)
{
  DefaultKickSignal kick(48000.0);
  EXPECT_EQ(kick.Channels(), 1);
  const auto x = ReadAll(kick, {1000});
  ASSERT_EQ(x[0].size(), 384000u);
  // 120 beats a minute: a beat every 24000 frames, loud at its start and
  // silent in the last tenth of a second before the next.
  for (long beat = 0; beat < 384000; beat += 24000)
  {
    EXPECT_EQ(x[0][static_cast<std::size_t>(beat)], 0.0f) << "each kick starts at a zero crossing";
    EXPECT_GT(Energy(x[0], beat, beat + 4800), 100.0) << "beat at " << beat;
    EXPECT_LT(Energy(x[0], beat + 21600, beat + 24000), 1e-12) << "beat at " << beat;
  }
  for (std::size_t i = 0; i < 24000; i += 97)
    ASSERT_NEAR(x[0][i], x[0][i + 7 * 24000], 1e-6) << i;
}

TEST(DefaultSignals, ReadInBlocksGiveTheFrameByFrameBitsAtAnyRate)
{
  for (double rate : {48000.0, 44123.45, 192000.0})
  {
    DefaultProgramSignal program(rate);
    DefaultKickSignal kick(rate);
    const auto got = ReadAll(program, {333}), gotKick = ReadAll(kick, {4096});
    std::vector<float> want[3];
    for (std::int64_t i = 0; i < program.Frames(); ++i)
    {
      float l, r;
      program.FrameAt(i, l, r);
      want[0].push_back(l), want[1].push_back(r), want[2].push_back(kick.SampleAt(i));
    }
    const std::vector<float>* have[3] = {&got[0], &got[1], &gotKick[0]};
    for (int c = 0; c < 3; ++c)
      EXPECT_TRUE(have[c]->size() == want[c].size() &&
                  std::memcmp(have[c]->data(), want[c].data(), want[c].size() * sizeof(float)) == 0)
        << "channel " << c << " at " << rate << " Hz";
  }
}
