// The processing road through the class, block by block: each stage and
// sidechain mode against its formula, and the road's guarantees (what a
// missing channel reads, what the hand-off buffers hold, no allocation).
// The stages' own arithmetic is pinned by the engine's tests.

#include "PressweaveTestRig.h"

#include "AllocationCounter.h"

#include <cmath>
#include <limits>

using namespace pressweave;
using pw::test::DirectRig;
using pw::test::SetParam;

namespace {

constexpr int kN = 512;
constexpr double kEps = std::numeric_limits<double>::epsilon();
const double kDrive = std::pow(10.0, 0.12); // amount 100

// The rig with the sidechain modes engaged (the flag set the way the Logic
// path sets it: a sidechain that differs from the main input).
void EngageSidechain(DirectRig& rig)
{
  rig.plug->SetHostForTest(weft::kHostLogic);
  rig.Fill(2, 0.25, kN);
  rig.Fill(3, 0.25, kN);
  rig.Process(kN);
  ASSERT_TRUE(rig.plug->IsSidechainPresent());
}

// The shaper at curve 50 (amount 100) after the drive's clamp to +-2: 2a - a^2, odd.
double ShapeCurve50(double x)
{
  const double a = std::min(std::fabs(x), 2.0);
  return std::copysign(2 * a - a * a, x);
}

// The compressor's target gain for a key of RMS level rms at threshold -20 dB.
double Target(double rms, double ratio)
{
  return std::pow(rms / 0.1, 1.0 / ratio - 1.0);
}

// Pseudo-parameters of the cases below: the first main-left sample, and a
// constant key on each sidechain channel (which engages the sidechain).
constexpr int kFirstLeftSample = -1;
constexpr int kKeyLeft = -2;
constexpr int kKeyRight = -3;

// What a setting makes of an input sample x (o on the other channel) on
// output channel c; NaN where not checked.
using Formula = double (*)(double x, double o, int c);
constexpr Formula kSame = [](double x, double, int) { return x; };

// One setting and its formula; the tolerance is relative to the larger input channel.
struct ProcessCase { const char* what; std::vector<std::pair<int, double>> params; int nOut; Formula expected; double tolerance; };

const ProcessCase kProcessCases[] = {
  {"width 0 sums to mono", {{kStereoWidth, 0.0}}, 2, [](double x, double o, int) { return (x + o) * 0.5; }, 4 * kEps},
  {"width is skipped for a mono output, which still writes the second channel", {{kStereoWidth, 0.0}}, 1, kSame,
   4 * kEps},
  // 1.9 is beyond 2 after the drive: clamped, shaped to 0.
  {"amount 100 drives by 10^0.12 into the curve-50 shaper",
   {{kPressweaveOn, 1}, {kPressweaveAmount, 100.0}, {kFirstLeftSample, 1.9}}, 2,
   [](double x, double, int) { return ShapeCurve50(x * kDrive); }, 1e-12},
  {"with a mono output the shaper sees half the input and its result is doubled",
   {{kPressweaveOn, 1}, {kPressweaveAmount, 100.0}}, 1,
   [](double x, double, int c) { return c == 0 ? 2.0 * ShapeCurve50(0.5 * x * kDrive) : std::nan(""); }, 1e-12},
  {"dry/wet 0 outputs the dry copy whatever the stages do",
   {{kDryWet, 0.0}, {kStereoWidth, 0.0}, {kPressweaveOn, 1}, {kPressweaveAmount, 80.0}, {kInputGain, 10.0}}, 2, kSame,
   0.0},
  {"dry/wet mixes the dry copy with the wet signal after input gain", {{kDryWet, 25.0}, {kInputGain, 20.0}}, 2,
   [](double x, double, int) { return x * (0.75 + 0.2 * 0.25); }, 4 * kEps},
  {"ringmod ducks by the key's magnitude times the input gain",
   {{kInputGain, 80.0}, {kKeyLeft, 0.5}, {kKeyRight, -0.25}}, 2,
   [](double x, double, int c) { return x * (c == 0 ? 0.5 : 0.75) * 0.8; }, 4 * kEps},
  // The first compressor block primes the window with the key's energy, so
  // the detector reads the key at once; attack 0 reaches the target at once.
  {"combined blends compressor and ringmod by the mode mix (default 60)",
   {{kSidechainMode, kSidechainCombined}, {kThreshold, -20.0}, {kRatio, 2.0}, {kAttack, 0.0}, {kKeyLeft, 0.5},
    {kKeyRight, 0.5}},
   2, [](double x, double, int) { return x * (0.2 * Target(0.5, 2.0) + 0.8 * 0.5); }, 1e-12},
};

TEST(PressweaveProcess, EachStageAndModeFollowsItsFormula)
{
  for (const ProcessCase& pc : kProcessCases)
  {
    SCOPED_TRACE(pc.what);
    const bool sidechain = std::any_of(pc.params.begin(), pc.params.end(), [](auto p) { return p.first == kKeyLeft; });
    DirectRig rig(2, sidechain ? 2 : 0, pc.nOut);
    if (sidechain)
      EngageSidechain(rig);
    rig.FillSignal(0, kN);
    rig.FillSignal(1, kN);
    for (const auto& [idx, value] : pc.params)
    {
      if (idx >= 0)
        SetParam(*rig.plug, idx, value);
      else if (idx == kFirstLeftSample)
        rig.in[0][0] = value;
      else
        rig.Fill(idx == kKeyLeft ? 2 : 3, value, kN);
    }
    const std::vector<double> main[2] = {{rig.in[0].begin(), rig.in[0].begin() + kN},
                                         {rig.in[1].begin(), rig.in[1].begin() + kN}};
    std::fill(rig.out[1].begin(), rig.out[1].end(), 99.0);
    rig.Process(kN);
    for (int c = 0; c < 2; ++c)
      for (int s = 0; s < kN; ++s)
      {
        const double x = main[c][s], o = main[1 - c][s];
        const double want = pc.expected(x, o, c);
        if (!std::isnan(want))
        {
          ASSERT_NEAR(rig.out[c][s], want, pc.tolerance * std::max(std::fabs(x), std::fabs(o)))
            << "channel " << c << " frame " << s;
        }
      }
  }
}

TEST(PressweaveCompressor, AttackAndReleaseInMillisecondsSetTheCoefficientsAtTheSessionRateAgainOnAReset)
{
  DirectRig rig;
  EngageSidechain(rig);
  SetParam(*rig.plug, kSidechainMode, kSidechainCompressor);
  SetParam(*rig.plug, kAttack, 1.0);
  SetParam(*rig.plug, kRelease, 10.0);
  rig.Process(kN);
  EXPECT_NEAR(rig.plug->GetCompressorState().mAttackCoef, std::exp(-1.0 / 48.0), 1e-15);
  EXPECT_NEAR(rig.plug->GetCompressorState().mReleaseCoef, std::exp(-1.0 / 480.0), 1e-15);
  rig.plug->SetSampleRate(96000.0);
  rig.plug->OnReset();
  EXPECT_NEAR(rig.plug->GetCompressorState().mAttackCoef, std::exp(-1.0 / 96.0), 1e-15) << "after a reset at 96 kHz";
  EXPECT_NEAR(rig.plug->GetCompressorState().mReleaseCoef, std::exp(-1.0 / 960.0), 1e-15);
}

TEST(PressweaveCompressor, AReleaseChangeAloneBetweenBlocksReachesTheCompressor)
{
  // Both rigs duck under a steady key with attack 0, where the release does
  // not matter; then the key stops and the gain recovers at the release
  // each rig has by then.
  DirectRig changed, reference;
  for (DirectRig* rig : {&changed, &reference})
  {
    EngageSidechain(*rig);
    SetParam(*rig->plug, kSidechainMode, kSidechainCompressor);
    SetParam(*rig->plug, kThreshold, -20.0);
    SetParam(*rig->plug, kAttack, 0.0);
    SetParam(*rig->plug, kRelease, rig == &changed ? 10.0 : 100.0);
    for (int c : {0, 1})
      rig->FillSignal(c, kN);
    for (int c : {2, 3})
      rig->Fill(c, 0.5, kN);
    rig->Process(kN);
  }
  // The gain sits at its target; the release only rounds it.
  const auto maxDifference = [&] {
    double d = 0.0;
    for (int c = 0; c < 2; ++c)
      for (int s = 0; s < kN; ++s)
        d = std::max(d, std::fabs(changed.out[c][s] - reference.out[c][s]));
    return d;
  };
  ASSERT_LT(maxDifference(), 1e-12);

  SetParam(*changed.plug, kRelease, 100.0);
  for (DirectRig* rig : {&changed, &reference})
  {
    for (int c : {2, 3})
      rig->Fill(c, 0.0, kN);
    rig->Process(kN);
  }
  EXPECT_EQ(changed.plug->GetCompressorState().mReleaseCoef, std::exp(-1.0 / 4800.0));
  EXPECT_LT(maxDifference(), 1e-12);
}

TEST(PressweaveHandOff, TheMetersHandOffHoldsTheRenderedFramesAndZerosForAMissingOrInactiveSidechain)
{
  DirectRig rig(2, 0, 2);
  rig.FillSignal(0, kN);
  rig.Process(100);
  BufferManager& handOff = rig.plug->GetBufferManager();
  ASSERT_TRUE(handOff.Acquire());
  EXPECT_EQ(handOff.GetFrameCount(BufferManager::kSidechainLeft), 100);
  EXPECT_EQ(handOff.GetBuffer(BufferManager::kDryLeft)[99], rig.in[0][99]);
  EXPECT_EQ(handOff.GetBuffer(BufferManager::kOutputRight)[99], rig.out[1][99]);
  EXPECT_EQ(handOff.GetBuffer(BufferManager::kSidechainLeft)[99], 0.0) << "no sidechain is present yet";

  DirectRig engagedRig;
  EngageSidechain(engagedRig);
  engagedRig.Fill(2, 0.5);
  engagedRig.Connect(2, 1, 2); // the right sidechain channel goes away
  engagedRig.Process(kN);
  BufferManager& engaged = engagedRig.plug->GetBufferManager();
  engaged.Acquire();
  EXPECT_EQ(engaged.GetBuffer(BufferManager::kSidechainLeft)[kN - 1], 0.5);
  EXPECT_EQ(engaged.GetBuffer(BufferManager::kSidechainRight)[kN - 1], 0.0);
}

TEST(PressweaveMonoMain, AMonoMainWithAStereoSidechainGathersBothSidechainChannelsInEveryMode)
{
  for (int mode : {kSidechainRingmod, kSidechainCompressor, kSidechainCombined})
  {
    SCOPED_TRACE(mode);
    DirectRig rig(1, 2, 2);
    rig.plug->SetHostForTest(weft::kHostLogic);
    SetParam(*rig.plug, kSidechainMode, mode);
    rig.Fill(0, 0.4);
    rig.Fill(2, 0.5);
    rig.Fill(3, 0.25);
    rig.Process(kN);
    ASSERT_TRUE(rig.plug->IsSidechainPresent());
    rig.Process(kN);
    rig.plug->GetBufferManager().Acquire();
    EXPECT_EQ(rig.plug->GetBufferManager().GetBuffer(BufferManager::kSidechainRight)[10], 0.25);
    EXPECT_TRUE(std::all_of(rig.out[1].begin(), rig.out[1].begin() + kN, [](double x) { return std::isfinite(x); }));
    if (mode == kSidechainRingmod)
    {
      EXPECT_DOUBLE_EQ(rig.out[0][10], 0.4 * 0.5);
    }
  }
}

TEST(PressweaveMonoMain, AnUnconnectedMainChannelIsSilencedAtTheStartOfEachBlock)
{
  DirectRig rig(1, 0, 2);
  rig.Fill(0, 0.4);
  rig.Fill(1, 0.8); // what the previous block left in the frame's scratch
  SetParam(*rig.plug, kStereoWidth, 150.0);
  rig.Process(kN);
  rig.plug->GetBufferManager().Acquire();
  for (int s = 0; s < kN; ++s)
    ASSERT_EQ(rig.plug->GetBufferManager().GetBuffer(BufferManager::kDryRight)[s], 0.0);

  // The same block again gives the same output: nothing fed back.
  const std::vector<double> first(rig.out[1].begin(), rig.out[1].begin() + kN);
  rig.Fill(0, 0.4);
  rig.Process(kN);
  EXPECT_TRUE(std::equal(first.begin(), first.end(), rig.out[1].begin()));
}

TEST(PressweaveScopes, TheScopesSeeTheDryInputOrTheSidechainWhenBothSidesArePresent)
{
  // Input traces left and right, and the left output trace: the wet signal, ducked once the sidechain engages.
  struct Case { const char* what; int nSidechain; bool vst3; double left, right, output; };
  const Case cases[] = {{"no sidechain", 0, false, 0.3, 0.6, 0.15},
                        {"one sidechain side under another API", 1, true, 0.3, 0.6, 0.15},
                        {"both sidechain sides active under Logic", 2, false, 0.7, 0.2, 0.3 * 0.3 * 0.5}};
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    DirectRig rig(2, c.nSidechain, 2);
    if (c.vst3)
      rig.plug->SetAPIForTest(weft::kAPIVST3);
    else
      rig.plug->SetHostForTest(weft::kHostLogic);
    SetParam(*rig.plug, kInputGain, 50.0);
    const double levels[4] = {-0.3, 0.6, 0.7, 0.2};
    for (int ch = 0; ch < 4; ++ch)
      rig.Fill(ch, levels[ch]);
    rig.Process(kN);
    // The transport is stopped: every sample lands in slot 0.
    EXPECT_DOUBLE_EQ(rig.plug->GetScopeLeft().GetInputLevel(0), c.left);
    EXPECT_DOUBLE_EQ(rig.plug->GetScopeRight().GetInputLevel(0), c.right);
    EXPECT_DOUBLE_EQ(rig.plug->GetScopeLeft().GetOutputLevel(0), c.output);
  }
}

TEST(PressweaveSampleRate, ASampleRateOfZeroProcessesWithoutDividingByZero)
{
  DirectRig rig(2, 2, 2, 0.0);
  rig.plug->SetHostForTest(weft::kHostLogic);
  rig.plug->OnReset();
  SetParam(*rig.plug, kSidechainMode, kSidechainCompressor);
  SetParam(*rig.plug, kAttack, 5.0);
  weft::ITimeInfo info;
  info.mTransportIsRunning = true;
  rig.SetTransport(info);
  rig.Fill(0, 0.5);
  rig.Fill(2, 0.9);
  rig.Process(kN);
  rig.Process(kN);
  rig.plug->OnIdle();
  EXPECT_TRUE(std::all_of(rig.out[0].begin(), rig.out[0].begin() + kN, [](double x) { return std::isfinite(x); }));
  // The meters keep the rate they had: 300 ms at 44.1 kHz.
  EXPECT_EQ(rig.plug->GetInputMeter().GetRingSize(0), 13230);
  EXPECT_EQ(rig.plug->GetCompressorState().mAttackCoef, 0.0);
  EXPECT_TRUE(std::isfinite(rig.plug->GetScopeLeft().GetBeatPos()));
}

TEST(PressweaveBufferSizes, ABlockLongerThanThePreparedSizeIsProcessedInSlicesWithoutAllocating)
{
  DirectRig rig(2, 0, 2);
  ASSERT_TRUE(rig.plug->SetBlockSize(2000)); // no reset: the buffers stay at 512
  rig.FillSignal(0, 2000);
  SetParam(*rig.plug, kInputGain, 50.0);
  {
    pw::test::AllocationCounter allocs;
    rig.Process(2000);
    EXPECT_EQ(allocs.Count(), 0u);
  }
  EXPECT_EQ(rig.plug->GetPreparedFrames(), 512);
  for (int s = 0; s < 2000; ++s)
    ASSERT_NEAR(rig.out[0][s], rig.in[0][s] * 0.5, 1e-15) << s;
  rig.plug->GetBufferManager().Acquire();
  EXPECT_EQ(rig.plug->GetBufferManager().GetFrameCount(BufferManager::kOutputLeft), 2000 - 3 * 512);
}

TEST(PressweaveAllocation, ProcessBlockAllocatesNothingInAnyModeOrDetectionPath)
{
  DirectRig engaged;
  EngageSidechain(engaged);
  SetParam(*engaged.plug, kPressweaveOn, 1);
  SetParam(*engaged.plug, kStereoWidth, 150.0);
  for (int c = 0; c < 4; ++c)
    engaged.FillSignal(c, kN);
  for (int mode : {kSidechainRingmod, kSidechainCompressor, kSidechainCombined})
  {
    SetParam(*engaged.plug, kSidechainMode, mode);
    pw::test::AllocationCounter allocs;
    engaged.Process(kN);
    EXPECT_EQ(allocs.Count(), 0u) << "mode " << mode;
  }

  // Other Audio Unit hosts' state machine and other APIs' connections (Logic's comparison engaged above).
  DirectRig generic, vst3;
  vst3.plug->SetAPIForTest(weft::kAPIVST3);
  for (DirectRig* rig : {&generic, &vst3})
  {
    rig->FillSignal(2, kN);
    pw::test::AllocationCounter allocs;
    rig->Process(kN);
    EXPECT_EQ(allocs.Count(), 0u);
  }
}

} // namespace
