#include "DefaultSignal.h"

#include <gtest/gtest.h>

#include <cmath>
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

TEST(DeterministicSine, MatchesTheLibrarySineClosely)
{
  for (int i = -2000; i <= 2000; ++i)
  {
    const double cycles = i * 0.01237;
    ASSERT_NEAR(DeterministicSine(cycles), std::sin(2.0 * M_PI * cycles), 1e-13) << cycles;
  }
}

TEST(DeterministicSine, HitsTheQuarterCyclesExactly)
{
  EXPECT_EQ(DeterministicSine(0.0), 0.0);
  EXPECT_EQ(DeterministicSine(0.5), 0.0);
  EXPECT_NEAR(DeterministicSine(0.25), 1.0, 2e-15);
  EXPECT_NEAR(DeterministicSine(0.75), -1.0, 2e-15);
  EXPECT_EQ(DeterministicSine(3.125), DeterministicSine(0.125)) << "whole cycles fold away exactly";
}

TEST(DefaultProgram, IsEightSecondsOfStereoAtTheGivenRate)
{
  DefaultProgramSignal at48(48000.0);
  EXPECT_EQ(at48.Channels(), 2);
  EXPECT_EQ(at48.Frames(), 384000);
  EXPECT_EQ(at48.SampleRate(), 48000.0);
  EXPECT_EQ(DefaultProgramSignal(44100.0).Frames(), 352800);
  EXPECT_EQ(at48.Describe(), "built-in program");
}

TEST(DefaultProgram, IsTheSameForAnyReadSizes)
{
  DefaultProgramSignal a(48000.0);
  DefaultProgramSignal b(48000.0);
  const auto whole = ReadAll(a, {65536});
  const auto pieces = ReadAll(b, {1, 511, 4096, 37});
  ASSERT_EQ(whole[0].size(), 384000u);
  EXPECT_EQ(whole, pieces);
}

TEST(DefaultProgram, IsAudibleProgramWithinFullScaleAndWide)
{
  DefaultProgramSignal program(48000.0);
  const auto x = ReadAll(program, {4096});
  float peak = 0.0f;
  for (const auto& channel : x)
    for (float v : channel)
    {
      ASSERT_TRUE(std::isfinite(v));
      peak = std::max(peak, std::fabs(v));
    }
  EXPECT_GT(peak, 0.25f);
  EXPECT_LT(peak, 1.0f);
  EXPECT_NE(x[0], x[1]) << "left and right differ";
  EXPECT_EQ(x[0].front(), 0.0f) << "it fades in from silence";
  EXPECT_LT(std::fabs(x[0].back()), 1e-4f) << "and out to silence";
  // Every half-second has sound in it.
  for (long start = 0; start < 384000; start += 24000)
    EXPECT_GT(Energy(x[0], start, start + 24000), 1.0) << "at frame " << start;
}

TEST(DefaultProgram, ReadsNothingPastItsEnd)
{
  DefaultProgramSignal program(1000.0);
  std::vector<float> l(9000);
  std::vector<float> r(9000);
  float* channels[] = {l.data(), r.data()};
  EXPECT_EQ(program.Read(channels, 9000), 8000);
  EXPECT_EQ(program.Read(channels, 10), 0);
  float left = 1.0f;
  float right = 1.0f;
  program.FrameAt(8000, left, right);
  EXPECT_EQ(left, 0.0f);
  EXPECT_EQ(right, 0.0f);
}

TEST(DefaultKick, IsAMonoKickOnEveryBeat)
{
  DefaultKickSignal kick(48000.0);
  EXPECT_EQ(kick.Channels(), 1);
  EXPECT_EQ(kick.Frames(), 384000);
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
}

TEST(DefaultKick, EveryBeatSoundsTheSame)
{
  DefaultKickSignal kick(48000.0);
  for (long i = 0; i < 24000; i += 97)
    ASSERT_NEAR(kick.SampleAt(i), kick.SampleAt(i + 7 * 24000), 1e-6) << i;
}
