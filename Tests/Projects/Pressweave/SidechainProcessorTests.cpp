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

  // Returns the left output; the right one, fed the same, must equal it.
  std::vector<double> Run(std::vector<double> inL, const std::vector<double>& keyL, const std::vector<double>& keyR)
  {
    std::vector<double> inR = inL;
    const int n = static_cast<int>(inL.size());
    double* io[2] = {inL.data(), inR.data()};
    const SidechainKey key{keyL.data(), keyR.data(), n};
    pw::test::AllocationCounter allocs;
    ProcessClassicCompressor(state, io, io, n, gain, 1.0, settings, key, 2, kRate);
    EXPECT_EQ(allocs.Count(), 0u);
    EXPECT_EQ(inR, inL);
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

// Compressor ------------------------------------------------------------------

TEST(CompressorCoefficients, FollowTheOnePoleFormulaAndGuardZeroRates)
{
  EXPECT_DOUBLE_EQ(CompressorCoefficient(kRate, 0.01), std::exp(-1.0 / 441.0));
  EXPECT_EQ(CompressorCoefficient(kRate, 0.0), 0.0);
  EXPECT_EQ(CompressorCoefficient(0.0, 0.01), 0.0);
  EXPECT_EQ(CompressorCoefficient(-kRate, 0.01), 0.0);
  EXPECT_EQ(CompressorCoefficient(kRate, std::nan("")), 0.0);
}

TEST(Compressor, GainFallsTowardsTheRatioTargetWithTheAttackCoefficient)
{
  CompressorRun c;
  c.gain = 0.5;
  const std::vector<double> out = c.Run(2000, 0.5);
  const double target = Target(0.5, -20.0, 4.0); // 5^-0.75
  EXPECT_NEAR(target, 0.29906975624424414, 1e-15);
  const double a = std::exp(-1.0 / 44.1);
  for (int s : {0, 1, 100, 999, 1999})
    EXPECT_NEAR(out[s], 0.5 * (target + (1.0 - target) * std::pow(a, s + 1)), 1e-12) << s;
  EXPECT_DOUBLE_EQ(c.state.mReleaseCoef, std::exp(-1.0 / 2205.0));
}

TEST(Compressor, RatioOneNeverCompressesZeroDBActsOnlyAboveFullScaleAndZeroReleaseRecoversAtOnce)
{
  CompressorRun unity;
  unity.settings.ratio = 1.0;
  EXPECT_EQ(unity.Run(2000, 4.0), std::vector<double>(2000, 1.0)) << "ratio 1";

  CompressorRun fullScale;
  fullScale.settings.thresholdDB = 0.0;
  EXPECT_EQ(fullScale.Run(2000, 0.99), std::vector<double>(2000, 1.0)) << "a key below full scale";
  EXPECT_NEAR(fullScale.Run(2000, 2.0).back(), Target(2.0, 0.0, 4.0), 1e-9) << "a key above it";

  // Once the window holds only silence the target is 1: a zero release is
  // there on that very sample, a 50 ms one (2205 samples) is far from it.
  for (double releaseMs : {0.0, 50.0})
  {
    CompressorRun c;
    c.settings.releaseMs = releaseMs;
    c.Run(2000, 0.5);
    const auto out = c.Run(kCompressorWindowSize, 0.0);
    EXPECT_EQ(out.back() == 1.0, releaseMs == 0.0) << releaseMs << " ms: " << out.back();
  }
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
  std::vector<double> out;
  for (const auto& [from, to] : {std::pair<int, int>{0, 1300}, {1300, n}})
  {
    const auto block = c.Run({in.begin() + from, in.begin() + to}, {kl.begin() + from, kl.begin() + to},
                             {kr.begin() + from, kr.begin() + to});
    out.insert(out.end(), block.begin(), block.end());
  }
  ReferenceCompressor ref(c.settings, kRate);
  for (int s = 0; s < n; ++s)
    ASSERT_NEAR(out[s], in[s] * 0.9 * ref.Step(kl[s], kr[s]), 1e-12) << "sample " << s;
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

  CompressorRun c; // 441 * 1e306 is beyond the double range: compresses, then recovers
  c.settings.releaseMs = 4.0;
  EXPECT_LT(c.Run(500, 1e153).back(), 1e-4);
  EXPECT_NEAR(c.Run(5000, 0.5).back(), Target(0.5, -20.0, 4.0), 1e-9);
}

// Combined ----------------------------------------------------------------------

TEST(Combined, BlendsCompressorAndRingModulationByModeMix)
{
  constexpr int kN = 512;
  const uint64_t seed = pw::test::TestSeed();
  SCOPED_TRACE(pw::test::SeedText(seed));
  std::mt19937_64 rng(seed);
  const auto mainL = pw::test::RandomSignal(rng, kN), mainR = pw::test::RandomSignal(rng, kN);
  const auto scL = pw::test::RandomSignal(rng, kN), scR = pw::test::RandomSignal(rng, kN);
  BufferManager handOff(kN);
  handOff.Write(BufferManager::kSidechainLeft, scL.data(), kN);
  handOff.Write(BufferManager::kSidechainRight, scR.data(), kN);
  const CompressorSettings settings{-30.0, 8.0, 2.0, 30.0};
  // The left wet channel of a fresh run at modeMix.
  auto run = [&](double modeMix) {
    SidechainCompressorState state;
    std::vector<double> l = mainL, r = mainR, wl = mainL, wr = mainR, cl(kN), cr(kN);
    const double* inputs[4] = {l.data(), r.data(), scL.data(), scR.data()};
    double* wet[2] = {wl.data(), wr.data()};
    double* comp[2] = {cl.data(), cr.data()};
    pw::test::AllocationCounter allocs;
    ProcessCombined(state, inputs, wet, comp, kN, 0.8, settings, MakeSidechainKey(handOff), 4, 2, kRate, modeMix);
    EXPECT_EQ(allocs.Count(), 0u);
    return wl;
  };
  EXPECT_EQ(CombinedMixWeight(0.0), 0.5); // the ring modulation's weight
  EXPECT_DOUBLE_EQ(CombinedMixWeight(60.0), 0.8);
  const auto compOnly = run(-100.0), ringOnly = run(100.0), blended = run(60.0);

  SidechainCompressorState ref;
  std::vector<double> l = mainL, r = mainR;
  double* io[2] = {l.data(), r.data()};
  ProcessClassicCompressor(ref, io, io, kN, 0.8, 1.0, settings, MakeSidechainKey(handOff), 2, kRate);
  EXPECT_EQ(compOnly, l);
  for (int s = 0; s < kN; ++s)
  {
    ASSERT_EQ(ringOnly[s], (mainL[s] - mainL[s] * std::fabs(scL[s])) * 0.8) << s;
    ASSERT_NEAR(blended[s], 0.2 * compOnly[s] + 0.8 * ringOnly[s], 1e-15) << s;
  }
}
