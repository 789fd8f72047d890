// Each block kernel against its sample-by-sample form on seeded random input:
// bit for bit, or within 1e-12 relative where the compressor's pow is
// vectorised or the meters' filter memories are flushed.

#include "EngineReference.h"
#include "EngineTestSignals.h"
#include "PressweaveDSP.h"
#include "VectorMath.h"
#include "WaveformProcessor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>

using namespace pressweave;

namespace {

const double kInf = std::numeric_limits<double>::infinity();
bool SameBits(double a, double b)
{
  return std::memcmp(&a, &b, sizeof a) == 0 || (a != a && b != b);
}

::testing::AssertionResult Close(double a, double b, double relative)
{
  const bool close = SameBits(a, b) || std::fabs(a - b) <= relative * std::max(std::fabs(a), std::fabs(b));
  return close ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << a << " vs " << b;
}

double gNow = 0.0;
double FakeClock() noexcept { return gNow; }

} // namespace

TEST(BlockKernels, PowBlockStaysWithin1e15OfStdPow)
{
  const uint64_t seed = pw::test::TestSeed();
  std::mt19937_64 rng(seed);
  // 1005: groups of eight, then one of four, then one alone.
  std::vector<double> base = pw::test::RandomSignal(rng, 1005, 1.0, 1000.0), out(base.size());
  for (double e : {-0.97, -0.5, 0.0})
  {
    PowBlock(base.data(), e, out.data(), static_cast<int>(base.size()));
    for (size_t i = 0; i < base.size(); ++i)
      ASSERT_TRUE(Close(out[i], std::pow(base[i], e), 1e-15)) << pw::test::SeedText(seed) << " i " << i;
  }
}

TEST(BlockKernels, CompressorMatchesTheSampleBySampleLoopAcrossBlocksAndBadKeys)
{
  const uint64_t seed = pw::test::TestSeed();
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  const CompressorSettings cs{-40.0 * u(rng), 1.0 + 35.0 * u(rng), 20.0 * u(rng), 100.0 * u(rng)};
  SidechainCompressorState fast, ref;
  ref.mAttackTime = cs.attackMs / 1000.0, ref.mReleaseTime = cs.releaseMs / 1000.0;
  UpdateCompressorCoefficients(ref, 48000.0);
  // Exact when pow is std::pow; otherwise its 1e-15 only passes into a mix.
  const double tolerance = PowBlockIsVectorised() ? 1e-12 : 0.0;

  for (int n : {1, 63, 64, 65, 441, 512, 1000, 7})
  {
    SCOPED_TRACE(testing::Message() << pw::test::SeedText(seed) << ", block of " << n);
    auto keyL = pw::test::RandomSignal(rng, n, -u(rng), 1.0), keyR = pw::test::RandomSignal(rng, n);
    keyL[rng() % n] = (n % 2 ? kInf : std::nan(""));
    const int keyFrames = n - static_cast<int>(rng() % 4);
    const auto l = pw::test::RandomSignal(rng, n), r = pw::test::RandomSignal(rng, n);
    std::vector<double> fl(n), fr(n), rl(n), rr(n);
    const double* in[2] = {l.data(), r.data()};
    double *fastOut[2] = {fl.data(), fr.data()}, *refOut[2] = {rl.data(), rr.data()};
    ProcessClassicCompressor(fast, in, fastOut, n, 0.8, 0.7, cs, {keyL.data(), keyR.data(), keyFrames}, 2, 48000.0);
    pw::test::ReferenceCompressor(ref, in, refOut, n, 0.8, 0.7, cs, keyL.data(), keyR.data(), keyFrames);
    for (int s = 0; s < n; ++s)
      ASSERT_TRUE(Close(fl[s], rl[s], tolerance) && Close(fr[s], rr[s], tolerance)) << "sample " << s;
    ASSERT_TRUE(Close(fast.mCurrentGain, ref.mCurrentGain, tolerance));
    ASSERT_EQ(fast.mWindowIndex, ref.mWindowIndex);
    ASSERT_EQ(fast.mWindowUnprimed, ref.mWindowUnprimed);
    ASSERT_TRUE(SameBits(fast.mWindowSum, ref.mWindowSum));
  }
}

TEST(BlockKernels, ScopeCaptureMatchesTheSampleBySampleAdvanceInEveryWindow)
{
  struct Row { double window; int denominator; bool running; double ppq; };
  // Power-of-two windows, a window of 4/3 beats (3/3 time), a stopped
  // transport, no window, and positions far out or behind zero.
  const Row rows[] = {{2.0, 4, true, 3.3},   {0.25, 4, true, 1e6},  {16.0, 8, true, -7.1},
                      {4.0, 3, true, 5.0},   {1.0, 4, false, 2.2},  {0.0, 4, true, 1.0}};
  const uint64_t seed = pw::test::TestSeed();
  std::mt19937_64 rng(seed);
  for (const Row& row : rows)
  {
    SCOPED_TRACE(testing::Message() << pw::test::SeedText(seed) << ", window " << row.window << "/" << row.denominator);
    // Two scopes on one timeline (slots shared) and one on its own.
    WaveformProcessor fast[3], ref[3];
    weft::ITimeInfo info;
    info.mPPQPos = row.ppq, info.mTransportIsRunning = row.running, info.mDenominator = row.denominator;
    for (int i = 0; i < 6; ++i)
    {
      WaveformProcessor& wp = i < 3 ? fast[i] : ref[i - 3];
      wp.SetWindowLength(row.window), wp.SetTransport(info, 48000.0, 512), wp.UpdateBeatPosition();
    }
    const double inc = BeatIncrementPerSample(60.0 + 140.0 * (rng() % 1000) / 1000.0, 48000.0);
    for (int n : {1, 255, 256, 257, 700})
    {
      std::vector<double> x[12];
      std::generate(std::begin(x), std::end(x), [&] { return pw::test::RandomSignal(rng, n); });
      const double* sources[2] = {x[0].data(), x[1].data()};
      const double* outputs[2] = {n == 1 ? nullptr : x[2].data(), x[3].data()};
      CaptureScopeBlock(fast[0], fast[1], sources, outputs, n, inc);
      fast[2].CaptureBlock(x[4].data(), x[5].data(), n, inc);
      for (int s = 0; s < n; ++s)
      {
        for (int i = 0; i < 3; ++i)
          ref[i].UpdateBeatPositionInRealTime(inc);
        ref[0].UpdateSamples(x[0][s], n == 1 ? 0.0 : x[2][s]);
        ref[1].UpdateSamples(x[1][s], x[3][s]);
        ref[2].UpdateSamples(x[4][s], x[5][s]);
      }
      for (int i = 0; i < 3; ++i)
      {
        ASSERT_TRUE(SameBits(fast[i].GetBeatPos(), ref[i].GetBeatPos())) << "scope " << i;
        ASSERT_EQ(fast[i].GetPhase(), ref[i].GetPhase()); // 0 and -0 alike
        ASSERT_EQ(fast[i].GetSlotIndex(), ref[i].GetSlotIndex());
        for (int k = 0; k < fast[i].GetSize(); ++k)
          ASSERT_TRUE(SameBits(fast[i].GetInputLevel(k), ref[i].GetInputLevel(k)) &&
                      SameBits(fast[i].GetOutputLevel(k), ref[i].GetOutputLevel(k)))
            << "scope " << i << ", slot " << k << " after a block of " << n;
      }
    }
  }
}

TEST(BlockKernels, AmountStageMatchesProcessSampleForStereoAndMonoOutputs)
{
  const uint64_t seed = pw::test::TestSeed();
  std::mt19937_64 rng(seed);
  for (int row = 0; row < 8; ++row)
  {
    const double amount = 25.0 * (1 + row / 2), d = (rng() % 101) / 100.0; // amounts 25..100
    const int nOut = 1 + row % 2;
    SCOPED_TRACE(testing::Message() << pw::test::SeedText(seed) << ", amount " << amount << ", outputs " << nOut);
    PressweaveDSP dsp;
    PressweaveSetup(dsp, amount, true, nOut);
    std::vector<double> x[2] = {pw::test::RandomSignal(rng, 301, -3.0, 3.0), pw::test::RandomSignal(rng, 301, -3.0, 3.0)};
    x[0][7] = std::nan(""), x[0][8] = -kInf;
    const std::vector<double> dry[2] = {x[0], x[1]};
    double* io[2] = {x[0].data(), x[1].data()};
    PressweaveProcess(dsp, io, io, 301, nOut, amount, true, 100.0 * d);
    for (int s = 0; s < 301; ++s)
      for (int k = 0; k < 2; ++k)
      {
        const double v = dry[k][s];
        const double want = nOut == 1 ? (k == 0 ? v * (1.0 - d) + 2.0 * dsp.processSample(0.5 * v) * d : v)
                                      : v * (1.0 - d) + dsp.processSample(v) * d;
        ASSERT_TRUE(SameBits(x[k][s], want)) << "sample " << s << ", channel " << k;
      }
  }
}

TEST(BlockKernels, MetersMatchTheSampleBySampleAnalysisAloneOrInTwosThroughSignalAndSilence)
{
  const uint64_t seed = pw::test::TestSeed();
  std::mt19937_64 rng(seed);
  gNow = 0.0;
  // Meter 0 alone; 1 and 2 together; 3, 4 and 5 together (one pass where
  // the machine allows).
  DynamicRangeMeter m0(48000.0, 2.0, &FakeClock), m1(48000.0, 2.0, &FakeClock), m2(48000.0, 2.0, &FakeClock),
    m3(48000.0, 2.0, &FakeClock), m4(48000.0, 2.0, &FakeClock), m5(48000.0, 2.0, &FakeClock);
  DynamicRangeMeter* const meters[6] = {&m0, &m1, &m2, &m3, &m4, &m5};
  using Ref = pw::test::ReferenceMeter;
  Ref refs[6] = {Ref(48000.0), Ref(48000.0), Ref(48000.0), Ref(48000.0), Ref(48000.0), Ref(48000.0)};
  for (int block = 0; block < 400; ++block)
  {
    SCOPED_TRACE(testing::Message() << pw::test::SeedText(seed) << ", block " << block);
    const int n = 1 + static_cast<int>(rng() % 1024);
    const double level = block % 100 < 60 ? 1.0 : 0.0; // long silences leave the filters ringing down
    std::vector<double> x[12];
    std::generate(std::begin(x), std::end(x), [&] { return pw::test::RandomSignal(rng, n, -level, level); });
    if (block == 30 || block == 31)
      x[block == 30 ? 1 : 10][n / 2] = std::nan(""); // restarts that channel's filter
    gNow += block % 7 == 0 ? 0.0 : 0.001 * (rng() % 120);
    m0.Process(x[0].data(), x[1].data(), n);
    DynamicRangeMeter::ProcessTwo(m1, x[2].data(), x[3].data(), m2, x[4].data(), x[5].data(), n);
    const double* const three[3][2] = {{x[6].data(), x[7].data()}, {x[8].data(), x[9].data()}, {x[10].data(), x[11].data()}};
    DynamicRangeMeter::ProcessShared(meters + 3, three, 3, n);
    for (int k = 0; k < 6; ++k)
    {
      const double* const in[2] = {x[2 * k].data(), x[2 * k + 1].data()};
      refs[k].Process(in, n, gNow);
      ASSERT_TRUE(Close(meters[k]->GetLoudness(), refs[k].loudness, 1e-12)) << "meter " << k;
      for (int c = 0; c < 2; ++c)
        ASSERT_TRUE(SameBits(meters[k]->GetPeak(c), refs[k].peak[c]) &&
                    SameBits(meters[k]->GetPeakHold(c), refs[k].hold[c]) &&
                    SameBits(meters[k]->GetMeanSquare(c), refs[k].meanSquare[c]))
          << "meter " << k << ", channel " << c;
    }
  }
}
