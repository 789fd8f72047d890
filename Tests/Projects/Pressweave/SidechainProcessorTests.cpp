#include "SidechainProcessor.h"

#include "AllocationCounter.h"
#include "EngineTestSignals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

using namespace pressweave;

namespace {

constexpr double kRate = 44100.0;

// The detector as a plain model: the window's mean is summed afresh every
// sample, so it has no running sum that could drift.
class ReferenceCompressor
{
public:
  ReferenceCompressor(const CompressorSettings& s, double sampleRate)
  : mAttack(std::exp(-1.0 / (sampleRate * s.attackMs / 1000.0)))
  , mRelease(std::exp(-1.0 / (sampleRate * s.releaseMs / 1000.0)))
  , mThreshold(std::pow(10.0, s.thresholdDB / 20.0))
  , mExponent(-(s.ratio - 1.0) / s.ratio)
  {}

  double Step(double kl, double kr)
  {
    const double x = (kl * kl + kr * kr) / 2.0;
    if (!mPrimed)
      mWindow.assign(kCompressorWindowSize, x);
    mPrimed = true;
    mWindow[mIndex] = x;
    mIndex = (mIndex + 1) % kCompressorWindowSize;
    double sum = 0.0;
    for (double v : mWindow)
      sum += v;
    const double rms = std::sqrt(sum / kCompressorWindowSize);
    const double target = rms > mThreshold ? std::pow(rms / mThreshold, mExponent) : 1.0;
    const double c = mG > target ? mAttack : mRelease;
    mG = c * mG + (1.0 - c) * target;
    return mG;
  }

private:
  double mAttack, mRelease, mThreshold, mExponent;
  std::vector<double> mWindow;
  int mIndex = 0;
  bool mPrimed = false;
  double mG = 1.0;
};

// A stereo signal through the compressor, keyed by a stereo key; every block
// must run without allocating.
struct CompressorRun
{
  SidechainCompressorState state;
  CompressorSettings settings{-20.0, 4.0, 1.0, 50.0};
  double gain = 1.0;

  std::vector<double> Run(std::vector<double> inL, const std::vector<double>& keyL, const std::vector<double>& keyR,
                          std::vector<double>* outRight = nullptr)
  {
    std::vector<double> inR = inL;
    const int n = static_cast<int>(inL.size());
    double* io[2] = {inL.data(), inR.data()};
    const SidechainKey key{keyL.data(), keyR.data(), n};
    pw::test::AllocationCounter allocs;
    ProcessClassicCompressor(state, io, io, n, gain, 1.0, settings, key, 2, kRate);
    EXPECT_EQ(allocs.Count(), 0u);
    if (outRight)
      *outRight = inR;
    return inL;
  }

  std::vector<double> Run(int n, double keyLevel)
  {
    const std::vector<double> key(static_cast<size_t>(n), keyLevel);
    return Run(std::vector<double>(static_cast<size_t>(n), 1.0), key, key);
  }
};

double Target(double rms, double thresholdDB, double ratio)
{
  return std::pow(rms / std::pow(10.0, thresholdDB / 20.0), -(ratio - 1.0) / ratio);
}

} // namespace

// Ring modulation -------------------------------------------------------------

TEST(RingMod, EachOutputIsDuckedByItsConnectedSidechainKey)
{
  constexpr int kN = 256;
  const std::vector<double> mainL(kN, 0.8), mainR(kN, -0.6), scL(kN, 0.5), scR(kN, 1.0);
  struct Row { const char* what; const double *right, *c2, *c3; int nIn; double gain, left0, right0; };
  const Row rows[] = {
    {"a half-scale key halves, a full-scale one silences", mainR.data(), scL.data(), scR.data(), 4, 0.8, 0.32, 0.0},
    {"without sidechain the key counts as silence", mainR.data(), nullptr, nullptr, 2, 0.5, 0.4, -0.3},
    {"only the right sidechain keys the left output", mainR.data(), nullptr, scL.data(), 4, 1.0, 0.4, -0.6},
    {"channels beyond the connected count are not keys", mainR.data(), scL.data(), scL.data(), 3, 1.0, 0.4, -0.6},
    {"a mono main input skips the missing right channel", nullptr, scL.data(), scR.data(), 4, 1.0, 0.4, 9.0},
  };
  for (const Row& r : rows)
  {
    SCOPED_TRACE(r.what);
    std::vector<double> outL(kN, 9.0), outR(kN, 9.0);
    const double* inputs[4] = {mainL.data(), r.right, r.c2, r.c3};
    double* outputs[2] = {outL.data(), outR.data()};
    ProcessRingMod(inputs, outputs, kN, r.gain, 1.0, r.nIn, 2);
    EXPECT_DOUBLE_EQ(outL[0], r.left0);
    EXPECT_DOUBLE_EQ(outL[kN - 1], r.left0);
    EXPECT_DOUBLE_EQ(outR[kN - 1], r.right0);
  }
}

TEST(RingModReference, MatchesThePlainFormulaOnRandomInput)
{
  const uint64_t seed = pw::test::TestSeed();
  SCOPED_TRACE(pw::test::SeedText(seed));
  std::mt19937_64 rng(seed);
  const int n = 777;
  auto l = pw::test::RandomSignal(rng, n), r = pw::test::RandomSignal(rng, n);
  const auto kl = pw::test::RandomSignal(rng, n), kr = pw::test::RandomSignal(rng, n);
  const auto l0 = l, r0 = r;
  const double* inputs[4] = {l.data(), r.data(), kl.data(), kr.data()};
  double* outputs[2] = {l.data(), r.data()};
  {
    pw::test::AllocationCounter allocs;
    ProcessRingMod(inputs, outputs, n, 0.7, 0.9, 4, 2);
    EXPECT_EQ(allocs.Count(), 0u);
  }
  for (int s = 0; s < n; ++s)
  {
    ASSERT_EQ(l[s], l0[s] * (1.0 - 0.9) + (l0[s] - l0[s] * std::fabs(kl[s])) * 0.7 * 0.9) << s;
    ASSERT_EQ(r[s], r0[s] * (1.0 - 0.9) + (r0[s] - r0[s] * std::fabs(kr[s])) * 0.7 * 0.9) << s;
  }
}

// Compressor ------------------------------------------------------------------

TEST(CompressorCoefficients, FollowTheOnePoleFormulaAndGuardZeroRates)
{
  EXPECT_DOUBLE_EQ(CompressorCoefficient(kRate, 0.01), std::exp(-1.0 / 441.0));
  EXPECT_EQ(CompressorCoefficient(kRate, 0.0), 0.0);
  EXPECT_EQ(CompressorCoefficient(0.0, 0.01), 0.0);
  EXPECT_EQ(CompressorCoefficient(-kRate, 0.01), 0.0);
  EXPECT_EQ(CompressorCoefficient(kRate, std::nan("")), 0.0);

  SidechainCompressorState state;
  state.mAttackTime = 0.002;
  state.mReleaseTime = 0.1;
  UpdateCompressorCoefficients(state, 48000.0);
  EXPECT_DOUBLE_EQ(state.mAttackCoef, std::exp(-1.0 / 96.0));
  EXPECT_DOUBLE_EQ(state.mReleaseCoef, std::exp(-1.0 / 4800.0));
  EXPECT_EQ(state.mCachedAttackTime, -1.0);
}

TEST(Compressor, GainFallsTowardsTheRatioTargetWithTheAttackCoefficient)
{
  CompressorRun c;
  c.gain = 0.5;
  const std::vector<double> out = c.Run(2000, 0.5);
  const double target = Target(0.5, -20.0, 4.0); // 5^-0.75
  EXPECT_NEAR(target, 0.29906975624424414, 1e-15);
  const double a = std::exp(-1.0 / 44.1);
  for (int s = 0; s < 2000; s += 97)
    EXPECT_NEAR(out[s], 0.5 * (target + (1.0 - target) * std::pow(a, s + 1)), 1e-12) << s;
  EXPECT_NEAR(c.state.mCurrentGain, target, 1e-12);
  EXPECT_DOUBLE_EQ(c.state.mAttackCoef, std::exp(-1.0 / 44.1));
  EXPECT_DOUBLE_EQ(c.state.mReleaseCoef, std::exp(-1.0 / 2205.0));
}

TEST(Compressor, FirstSamplePrimesTheWholeWindowWithItsEnergy)
{
  CompressorRun c;
  c.settings.attackMs = 0.0;
  const std::vector<double> kl{0.3}, kr{0.4};
  const std::vector<double> out = c.Run({1.0}, kl, kr);
  const double x = (0.3 * 0.3 + 0.4 * 0.4) / 2.0;
  for (double v : c.state.mWindow)
    EXPECT_EQ(v, x);
  EXPECT_NEAR(c.state.mWindowSum, 441.0 * x, 1e-12);
  EXPECT_NEAR(out[0], Target(std::sqrt(x), -20.0, 4.0), 1e-12);
}

TEST(Compressor, RatioOneOrAKeyBelowAZeroDecibelThresholdNeverReducesTheGain)
{
  const CompressorSettings ratioOne{-20.0, 1.0, 1.0, 50.0}, zeroDecibels{0.0, 4.0, 1.0, 50.0};
  for (const CompressorSettings& settings : {ratioOne, zeroDecibels})
  {
    SCOPED_TRACE(settings.ratio);
    CompressorRun c;
    c.settings = settings;
    c.gain = 0.25;
    for (double v : c.Run(1500, 0.99))
      ASSERT_DOUBLE_EQ(v, 0.25);
  }
}

TEST(Compressor, ZeroAttackAndReleaseReachTheTargetOnTheSameSample)
{
  CompressorRun c;
  c.settings.attackMs = 0.0;
  c.settings.releaseMs = 0.0;
  const double target = Target(0.5, -20.0, 4.0);
  EXPECT_NEAR(c.Run(1, 0.5)[0], target, 1e-15);
  const std::vector<double> out = c.Run(441, 0.0);
  EXPECT_NEAR(out[0], Target(std::sqrt(440.0 / 441.0 * 0.25), -20.0, 4.0), 1e-12);
  EXPECT_EQ(out[440], 1.0);
}

TEST(Compressor, MatchesAPlainWindowedReferenceOnRandomInputAcrossBlocks)
{
  const uint64_t seed = pw::test::TestSeed();
  SCOPED_TRACE(pw::test::SeedText(seed));
  std::mt19937_64 rng(seed);
  const int n = 5000;
  const auto in = pw::test::RandomSignal(rng, n);
  auto kl = pw::test::RandomSignal(rng, n), kr = pw::test::RandomSignal(rng, n);
  for (int s = 0; s < n; ++s) // a key whose level moves, so both attack and release run
  {
    const double env = 0.5 + 0.5 * std::sin(s * 0.003);
    kl[s] *= env;
    kr[s] *= env;
  }
  CompressorRun c;
  c.settings = {-18.0, 6.5, 3.0, 40.0};
  c.gain = 0.9;
  // Two blocks, split where the window index is mid-way, must continue as one.
  std::vector<double> left, right;
  for (const auto& [from, to] : {std::pair<int, int>{0, 1300}, {1300, n}})
  {
    std::vector<double> blockRight;
    const auto blockLeft = c.Run({in.begin() + from, in.begin() + to}, {kl.begin() + from, kl.begin() + to},
                                 {kr.begin() + from, kr.begin() + to}, &blockRight);
    left.insert(left.end(), blockLeft.begin(), blockLeft.end());
    right.insert(right.end(), blockRight.begin(), blockRight.end());
  }
  ReferenceCompressor ref(c.settings, kRate);
  for (int s = 0; s < n; ++s)
  {
    const double expected = in[s] * 0.9 * ref.Step(kl[s], kr[s]);
    ASSERT_NEAR(left[s], expected, 1e-12) << "sample " << s;
    ASSERT_EQ(right[s], left[s]) << "sample " << s;
  }
}

TEST(Compressor, MissingKeyBuffersPassTheInputThroughAndNullChannelListsWriteNothing)
{
  SidechainCompressorState state;
  std::vector<double> l(64, 0.5), r(64, -0.5), outL(64, 0.0), outR(64, 0.0);
  const double* in[2] = {l.data(), r.data()};
  double* out[2] = {outL.data(), outR.data()};
  ProcessClassicCompressor(state, in, out, 64, 0.25, 1.0, {-60.0, 20.0, 7.0, 9.0}, {l.data(), nullptr, 64}, 2, kRate);
  EXPECT_EQ(outL, l);
  EXPECT_EQ(outR, r);
  EXPECT_DOUBLE_EQ(state.mAttackTime, 0.007);
  EXPECT_DOUBLE_EQ(state.mReleaseTime, 0.009);
  EXPECT_EQ(state.mCachedAttackTime, -1.0);

  const std::vector<double> untouched(64, 3.0);
  outL = untouched;
  const double* leftOnly[2] = {l.data(), nullptr};
  double* same[2] = {outL.data(), outL.data()};
  ProcessClassicCompressor(state, leftOnly, same, 64, 1.0, 1.0, {}, {r.data(), r.data(), 64}, 2, kRate);
  ProcessClassicCompressor(state, nullptr, same, 64, 1.0, 1.0, {}, {r.data(), r.data(), 64}, 2, kRate);
  EXPECT_EQ(outL, untouched);
  EXPECT_EQ(state.mCurrentGain, 1.0);
}

TEST(Compressor, KeySamplesBeyondTheWrittenFramesCountAsSilence)
{
  CompressorRun a, b;
  const std::vector<double> loud(300, 0.9), silent(300, 0.0), in(300, 1.0);
  std::vector<double> l = in, r = in;
  double* io[2] = {l.data(), r.data()};
  ProcessClassicCompressor(a.state, io, io, 300, 1.0, 1.0, a.settings, {loud.data(), loud.data(), 0}, 2, kRate);
  EXPECT_EQ(l, b.Run(in, silent, silent));
}

TEST(Compressor, NonFiniteKeySampleHoldsTheGainAndReprimesTheWindow)
{
  for (double bad : {std::nan(""), std::numeric_limits<double>::infinity()})
  {
    CompressorRun c;
    std::vector<double> key(4000, 0.5);
    key[300] = bad;
    const auto out = c.Run(std::vector<double>(4000, 1.0), key, key);
    EXPECT_EQ(out[300], out[299]) << bad;
    EXPECT_NEAR(out[3999], Target(0.5, -20.0, 4.0), 1e-9) << bad;
    EXPECT_FALSE(c.state.mWindowUnprimed);
    EXPECT_DOUBLE_EQ(c.state.mWindowSum, 441.0 * 0.25);
  }
}

TEST(Compressor, ABurstOfHugeKeysLeavesNoResidueInTheWindowSum)
{
  // Keys around 1e8 leave a rounding residue of about 1e4 in a running sum
  // that is only ever updated; depending on the burst it is negative (the
  // compressor would never engage again) or positive (it would never stop).
  for (uint64_t seed = 1; seed <= 5; ++seed)
  {
    SCOPED_TRACE(pw::test::SeedText(seed));
    std::mt19937_64 rng(seed);
    CompressorRun c;
    c.settings.releaseMs = 4.0;
    const auto burst = pw::test::RandomSignal(rng, 1000, 0.5e8, 1.0e8);
    c.Run(std::vector<double>(1000, 1.0), burst, burst);

    const auto afterSilence = c.Run(5000, 0.0);
    EXPECT_EQ(c.state.mWindowSum, 0.0);
    EXPECT_NEAR(afterSilence.back(), 1.0, 1e-9);

    const auto afterKey = c.Run(5000, 0.5);
    EXPECT_NEAR(c.state.mWindowSum, 441.0 * 0.25, 1e-9);
    EXPECT_NEAR(afterKey.back(), Target(0.5, -20.0, 4.0), 1e-9);
  }
}

TEST(Compressor, KeyEnergyThatOverflowsTheSumCompressesAndThenRecovers)
{
  CompressorRun c;
  c.settings.releaseMs = 4.0;
  const auto during = c.Run(500, 1e153); // 441 * 1e306 is beyond the double range
  EXPECT_LT(during.back(), 1e-4);
  const auto after = c.Run(5000, 0.5);
  EXPECT_NEAR(after.back(), Target(0.5, -20.0, 4.0), 1e-9);
}

// Combined ----------------------------------------------------------------------

TEST(CombinedMode, ModeMixMapsOntoTheRingModulationWeight)
{
  EXPECT_EQ(CombinedMixWeight(-100.0), 0.0);
  EXPECT_EQ(CombinedMixWeight(0.0), 0.5);
  EXPECT_DOUBLE_EQ(CombinedMixWeight(60.0), 0.8);
  EXPECT_EQ(CombinedMixWeight(100.0), 1.0);
}

class Combined : public ::testing::Test
{
protected:
  void SetUp() override
  {
    seed = pw::test::TestSeed();
    std::mt19937_64 rng(seed);
    mainL = pw::test::RandomSignal(rng, kN);
    mainR = pw::test::RandomSignal(rng, kN);
    const auto scL = pw::test::RandomSignal(rng, kN), scR = pw::test::RandomSignal(rng, kN);
    handOff.Write(BufferManager::kSidechainLeft, scL.data(), kN);
    handOff.Write(BufferManager::kSidechainRight, scR.data(), kN);
  }

  // Runs the mode on fresh copies; returns the two wet channels.
  std::vector<double> Run(double modeMix, SidechainCompressorState& state, std::vector<double>* wetRight = nullptr)
  {
    std::vector<double> l = mainL, r = mainR, wl = mainL, wr = mainR, cl(kN), cr(kN);
    const double* inputs[4] = {l.data(), r.data(), handOff.GetBuffer(4), handOff.GetBuffer(5)};
    double* wet[2] = {wl.data(), wr.data()};
    double* comp[2] = {cl.data(), cr.data()};
    pw::test::AllocationCounter allocs;
    ProcessCombined(state, inputs, wet, comp, kN, 0.8, settings, MakeSidechainKey(handOff), 4, 2, kRate, modeMix);
    EXPECT_EQ(allocs.Count(), 0u);
    if (wetRight)
      *wetRight = wr;
    return wl;
  }

  static constexpr int kN = 512;
  uint64_t seed = 0;
  BufferManager handOff{kN};
  CompressorSettings settings{-30.0, 8.0, 2.0, 30.0};
  std::vector<double> mainL, mainR;
};

TEST_F(Combined, BlendsCompressorAndRingModulationByModeMix)
{
  SCOPED_TRACE(pw::test::SeedText(seed));
  SidechainCompressorState s1, s2, s3;
  const auto compOnly = Run(-100.0, s1);
  const auto ringOnly = Run(100.0, s2);
  const auto blended = Run(60.0, s3);
  for (int s = 0; s < kN; ++s)
    ASSERT_NEAR(blended[s], 0.2 * compOnly[s] + 0.8 * ringOnly[s], 1e-15) << s;

  std::vector<double> l = mainL, r = mainR;
  double* io[2] = {l.data(), r.data()};
  SidechainCompressorState ref;
  ProcessClassicCompressor(ref, io, io, kN, 0.8, 1.0, settings, MakeSidechainKey(handOff), 2, kRate);
  EXPECT_EQ(compOnly, l);
  EXPECT_EQ(s1.mCurrentGain, ref.mCurrentGain);
  for (int s = 0; s < kN; ++s)
    ASSERT_EQ(ringOnly[s], (mainL[s] - mainL[s] * std::fabs(handOff.GetBuffer(4)[s])) * 0.8) << s;
}

TEST_F(Combined, MissingBuffersLeaveEverythingAlone)
{
  SidechainCompressorState state;
  std::vector<double> wl = mainL, cl(kN, 2.0);
  double* wet[2] = {wl.data(), nullptr};
  double* comp[2] = {cl.data(), cl.data()};
  const double* inputs[4] = {mainL.data(), mainR.data(), nullptr, nullptr};
  ProcessCombined(state, inputs, wet, comp, kN, 1.0, settings, MakeSidechainKey(handOff), 4, 2, kRate, 0.0);
  EXPECT_EQ(wl, mainL);
  EXPECT_EQ(cl, std::vector<double>(kN, 2.0));
}

TEST(SidechainKeyFromHandOff, UsesBuffersFourAndFiveWithTheFramesWritten)
{
  BufferManager handOff(128);
  std::vector<double> sc(100, 0.5);
  handOff.Write(4, sc.data(), 100);
  handOff.Write(5, nullptr, 90);
  const SidechainKey key = MakeSidechainKey(handOff);
  EXPECT_EQ(key.left, handOff.GetBuffer(4));
  EXPECT_EQ(key.right, handOff.GetBuffer(5));
  EXPECT_EQ(key.nFrames, 90);
}
