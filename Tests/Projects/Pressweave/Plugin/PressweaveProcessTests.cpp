// The processing road through the class, block by block: each stage and
// sidechain mode against its formula, and the road's guarantees (what a
// missing channel reads, what the hand-off buffers hold, no allocation).

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

// The shaper at curve 0 (amount up to 50): c1 = 1.5, c2 = 0, c3 = -0.5,
// c4 = 0.0625; odd.
double ShapeCurve0(double x)
{
  const double a = std::fabs(x);
  const double f = 1.5 * a - 0.5 * a * a * a - 0.0625 * (a * a - 2 * a * a * a + a * a * a * a);
  return x > 0 ? f : -f;
}

// The shaper at curve 50 (amount 100) after the drive's clamp to +-2: k =
// 0.5, c1 = 2, c2 = -1, c3 = 0, c4 = 0, so 2a - a^2 on both branches.
double ShapeCurve50(double x)
{
  const double y = std::clamp(x, -2.0, 2.0);
  const double a = std::fabs(y);
  return y > 0 ? 2 * a - a * a : -(2 * a - a * a);
}

// The compressor's target gain for a key of RMS level rms at threshold -20
// dB and the given ratio.
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

// One setting and its formula; the tolerance is relative to the larger
// input channel.
struct ProcessCase
{
  const char* what;
  std::vector<std::pair<int, double>> params;
  int nOut;
  Formula expected;
  double tolerance;
};

const ProcessCase kProcessCases[] = {
  {"width 100 passes the signal within one ulp of the larger channel", {}, 2, kSame, kEps},
  {"width 0 sums to mono", {{kStereoWidth, 0.0}}, 2, [](double x, double o, int) { return (x + o) * 0.5; }, 4 * kEps},
  {"width 200 widens and scales by 1.42 / 2", {{kStereoWidth, 200.0}}, 2,
   [](double x, double o, int) { return 0.71 * (1.5 * x - 0.5 * o); }, 8 * kEps},
  {"width is skipped for a mono output, which still writes the second channel", {{kStereoWidth, 0.0}}, 1, kSame,
   4 * kEps},
  {"amount 50 shapes at full mix without drive", {{kPressweaveOn, 1}, {kPressweaveAmount, 50.0}}, 2,
   [](double x, double, int) { return ShapeCurve0(x); }, 8 * kEps},
  // 1.9 is beyond 2 after the drive: clamped, shaped to 0.
  {"amount 100 drives by 10^0.12 into the curve-50 shaper",
   {{kPressweaveOn, 1}, {kPressweaveAmount, 100.0}, {kFirstLeftSample, 1.9}}, 2,
   [](double x, double, int) { return ShapeCurve50(x * kDrive); }, 1e-12},
  {"the amount stage is skipped when off", {{kPressweaveAmount, 100.0}}, 2, kSame, 4 * kEps},
  {"the amount stage is skipped at zero", {{kPressweaveOn, 1}, {kPressweaveAmount, 0.0}}, 2, kSame, 4 * kEps},
  {"with a mono output the shaper sees half the input and its result is doubled",
   {{kPressweaveOn, 1}, {kPressweaveAmount, 100.0}}, 1,
   [](double x, double, int c) { return c == 0 ? 2.0 * ShapeCurve50(0.5 * x * kDrive) : std::nan(""); }, 1e-12},
  {"input gain 50 halves the wet signal", {{kInputGain, 50.0}}, 2, [](double x, double, int) { return x * 0.5; },
   4 * kEps},
  {"dry/wet 0 outputs the dry copy whatever the stages do",
   {{kDryWet, 0.0}, {kStereoWidth, 0.0}, {kPressweaveOn, 1}, {kPressweaveAmount, 80.0}, {kInputGain, 10.0}}, 2, kSame,
   0.0},
  {"dry/wet mixes the dry copy with the wet signal", {{kDryWet, 25.0}, {kInputGain, 20.0}}, 2,
   [](double x, double, int) { return x * (0.75 + 0.2 * 0.25); }, 4 * kEps},
  {"ringmod ducks by the key's magnitude times the input gain",
   {{kInputGain, 80.0}, {kKeyLeft, 0.5}, {kKeyRight, -0.25}}, 2,
   [](double x, double, int c) { return x * (c == 0 ? 0.5 : 0.75) * 0.8; }, 4 * kEps},
  {"a compressor at ratio 1 never reduces the gain",
   {{kSidechainMode, kSidechainCompressor}, {kRatio, 1.0}, {kKeyLeft, 1.0}, {kKeyRight, 1.0}}, 2, kSame, 4 * kEps},
  // The first compressor block primes the window with the key's energy, so
  // the detector reads the key at once; attack 0 reaches the target at once.
  {"combined blends compressor and ringmod by the mode mix (default 60)",
   {{kSidechainMode, kSidechainCombined}, {kThreshold, -20.0}, {kRatio, 2.0}, {kAttack, 0.0}, {kKeyLeft, 0.5},
    {kKeyRight, 0.5}},
   2, [](double x, double, int) { return x * (0.2 * Target(0.5, 2.0) + 0.8 * 0.5); }, 1e-12},
  {"combined at mode mix -100 is the compressor alone",
   {{kSidechainMode, kSidechainCombined}, {kThreshold, -20.0}, {kRatio, 2.0}, {kAttack, 0.0},
    {kSidechainModeMix, -100.0}, {kKeyLeft, 0.5}, {kKeyRight, 0.5}},
   2, [](double x, double, int) { return x * Target(0.5, 2.0); }, 1e-12},
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

class PressweaveSidechainModes : public ::testing::Test
{
protected:
  void SetUp() override
  {
    EngageSidechain(rig);
    rig.FillSignal(0, kN);
    rig.FillSignal(1, kN);
    for (int c = 0; c < 2; ++c)
      main[c].assign(rig.in[c].begin(), rig.in[c].begin() + kN);
    SetParam(*rig.plug, kSidechainMode, kSidechainCompressor);
    SetParam(*rig.plug, kThreshold, -20.0);
    SetParam(*rig.plug, kRatio, 2.0);
  }

  // Processes the main signal again with a constant key.
  void ProcessWithKey(double key)
  {
    rig.Fill(2, key, kN);
    rig.Fill(3, key, kN);
    for (int c = 0; c < 2; ++c)
      std::copy(main[c].begin(), main[c].end(), rig.in[c].begin());
    rig.Process(kN);
  }

  DirectRig rig{2, 2, 2};
  std::vector<double> main[2];
};

TEST_F(PressweaveSidechainModes, CompressorFollowsItsCoefficientsTowardsTheTargetGain)
{
  SetParam(*rig.plug, kRatio, 4.0);
  SetParam(*rig.plug, kAttack, 1.0);
  SetParam(*rig.plug, kRelease, 10.0);
  ProcessWithKey(0.5);

  // The detector reads 0.5 at once; the gain moves from 1 towards the
  // target with the attack coefficient.
  const double attack = std::exp(-1.0 / (48000.0 * 0.001));
  const double release = std::exp(-1.0 / (48000.0 * 0.01));
  const double target = Target(0.5, 4.0);
  double g = 1.0;
  for (int s = 0; s < kN; ++s)
  {
    g = attack * g + (1.0 - attack) * target;
    ASSERT_NEAR(rig.out[0][s], main[0][s] * g, 1e-12) << s;
    ASSERT_NEAR(rig.out[1][s], main[1][s] * g, 1e-12) << s;
  }
  EXPECT_NEAR(rig.plug->GetCompressorState().mAttackCoef, attack, 1e-15);
  EXPECT_NEAR(rig.plug->GetCompressorState().mReleaseCoef, release, 1e-15);

  // Silence in the key: the 441-sample window drains one sample at a time,
  // the target rises and the gain follows it with the release coefficient.
  ProcessWithKey(0.0);
  for (int s = 0; s < kN; ++s)
  {
    const double rms = std::sqrt(std::max(441 - (s + 1), 0) * 0.25 / 441.0);
    const double t = rms > 0.1 ? Target(rms, 4.0) : 1.0;
    g = g > t ? attack * g + (1.0 - attack) * t : release * g + (1.0 - release) * t;
    ASSERT_NEAR(rig.out[0][s], main[0][s] * g, 1e-9) << s;
  }
  EXPECT_GT(g, target + 0.1);
}

TEST_F(PressweaveSidechainModes, ANonFiniteKeySampleReprimesTheCompressorInsteadOfDisablingIt)
{
  rig.Fill(2, 0.5, kN);
  rig.Fill(3, 0.5, kN);
  rig.in[2][0] = std::numeric_limits<double>::quiet_NaN();
  rig.Process(kN);
  for (int s = 1; s < kN; ++s)
    ASSERT_NEAR(rig.out[0][s], main[0][s] * Target(0.5, 2.0), 1e-12) << s;
  EXPECT_TRUE(std::isfinite(rig.plug->GetCompressorState().mWindowSum));
}

TEST_F(PressweaveSidechainModes, ABurstOfHugeKeyValuesLeavesNoResidueInTheDetector)
{
  SetParam(*rig.plug, kAttack, 0.0);
  SetParam(*rig.plug, kRelease, 0.0); // the gain sits on the target every sample
  rig.Fill(2, 0.5, kN);
  rig.Fill(3, 0.5, kN);
  for (int s = 0; s < 100; ++s)
    rig.in[2][s] = rig.in[3][s] = 1e150; // key energy 1e300, still finite
  rig.Process(kN);

  // Two blocks later the window has held only 0.5 for a whole lap.
  ProcessWithKey(0.5);
  ProcessWithKey(0.5);
  for (int s = 0; s < kN; ++s)
    ASSERT_NEAR(rig.out[0][s], main[0][s] * Target(0.5, 2.0), 1e-12) << s;
  EXPECT_NEAR(rig.plug->GetCompressorState().mWindowSum, 441 * 0.25, 1e-9);
}

TEST(PressweaveHandOff, TheMetersHandOffHoldsTheRenderedFramesAndZerosForAMissingOrInactiveSidechain)
{
  DirectRig rig(2, 2, 2);
  rig.FillSignal(0, kN);
  rig.Fill(2, 0.9);
  rig.Fill(3, 0.9);
  SetParam(*rig.plug, kInputGain, 50.0);
  rig.Process(100);
  const BufferManager& handOff = rig.plug->GetBufferManager();
  for (int b : {BufferManager::kDryLeft, BufferManager::kDryRight, BufferManager::kOutputLeft,
                BufferManager::kOutputRight, BufferManager::kSidechainLeft, BufferManager::kSidechainRight})
    EXPECT_EQ(handOff.GetFrameCount(b), 100) << b;
  for (int s = 0; s < 100; ++s)
  {
    ASSERT_EQ(handOff.GetBuffer(BufferManager::kDryLeft)[s], rig.in[0][s]);
    ASSERT_EQ(handOff.GetBuffer(BufferManager::kOutputRight)[s], rig.out[1][s]);
    // No sidechain is present: the sidechain meter gets zeros.
    ASSERT_EQ(handOff.GetBuffer(BufferManager::kSidechainLeft)[s], 0.0);
    ASSERT_EQ(handOff.GetBuffer(BufferManager::kSidechainRight)[s], 0.0);
  }

  DirectRig engaged(2, 2, 2);
  EngageSidechain(engaged);
  const BufferManager& engagedHandOff = engaged.plug->GetBufferManager();
  engaged.Fill(2, 0.5, kN);
  engaged.Fill(3, 0.5, kN);
  engaged.Process(kN);
  EXPECT_EQ(engagedHandOff.GetBuffer(BufferManager::kSidechainRight)[0], 0.5);
  engaged.Connect(2, 1, 2); // the right sidechain channel goes away
  engaged.Process(kN);
  for (int s = 0; s < kN; ++s)
  {
    ASSERT_EQ(engagedHandOff.GetBuffer(BufferManager::kSidechainLeft)[s], 0.5);
    ASSERT_EQ(engagedHandOff.GetBuffer(BufferManager::kSidechainRight)[s], 0.0);
  }
}

TEST(PressweaveMonoMain, AMonoMainWithAStereoSidechainGathersBothSidechainChannelsInEveryMode)
{
  for (int mode : {kSidechainRingmod, kSidechainCompressor, kSidechainCombined})
  {
    SCOPED_TRACE(mode);
    DirectRig rig(1, 2, 2);
    rig.plug->SetHostForTest(weft::kHostLogic);
    ASSERT_EQ(rig.plug->NInChansConnected(), 3);
    SetParam(*rig.plug, kSidechainMode, mode);
    rig.Fill(0, 0.4);
    rig.Fill(2, 0.5);
    rig.Fill(3, 0.25);
    rig.Process(kN);
    ASSERT_TRUE(rig.plug->IsSidechainPresent());
    rig.Process(kN);

    const BufferManager& handOff = rig.plug->GetBufferManager();
    EXPECT_EQ(handOff.GetBuffer(BufferManager::kSidechainLeft)[10], 0.5);
    EXPECT_EQ(handOff.GetBuffer(BufferManager::kSidechainRight)[10], 0.25);
    if (mode == kSidechainRingmod)
    {
      EXPECT_DOUBLE_EQ(rig.out[0][10], 0.4 * 0.5);
    }
    for (int s = 0; s < kN; ++s)
      ASSERT_TRUE(std::isfinite(rig.out[0][s]) && std::isfinite(rig.out[1][s])) << s;
  }
}

TEST(PressweaveMonoMain, AnUnconnectedMainChannelIsSilencedAtTheStartOfEachBlock)
{
  DirectRig rig(1, 0, 2);
  rig.Fill(0, 0.4);
  rig.Fill(1, 0.8); // what the previous block left in the frame's scratch
  SetParam(*rig.plug, kStereoWidth, 150.0);
  rig.Process(kN);
  for (int s = 0; s < kN; ++s)
    ASSERT_EQ(rig.plug->GetBufferManager().GetBuffer(BufferManager::kDryRight)[s], 0.0);

  // The same block again gives the same output: nothing fed back.
  const std::vector<double> first(rig.out[1].begin(), rig.out[1].begin() + kN);
  rig.Fill(0, 0.4);
  rig.Process(kN);
  for (int s = 0; s < kN; ++s)
    ASSERT_EQ(rig.out[1][s], first[s]);
}

// --- Scopes --------------------------------------------------------------------

TEST(PressweaveScopes, TheScopesSeeTheDryInputOrTheSidechainWhenBothSidesArePresent)
{
  struct Case
  {
    const char* what;
    int nSidechain;
    bool vst3; // else an Audio Unit under Logic
    double left, right;
  };
  const Case cases[] = {
    {"no sidechain", 0, false, 0.3, 0.6},
    {"both sidechain sides under another API", 2, true, 0.7, 0.2},
    {"one sidechain side under another API", 1, true, 0.3, 0.6},
    {"both sidechain sides active under Logic", 2, false, 0.7, 0.2},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    DirectRig rig(2, c.nSidechain, 2);
    if (c.vst3)
      rig.plug->SetAPIForTest(weft::kAPIVST3);
    else
      rig.plug->SetHostForTest(weft::kHostLogic);
    SetParam(*rig.plug, kInputGain, 50.0);
    rig.Fill(0, -0.3);
    rig.Fill(1, 0.6);
    rig.Fill(2, 0.7);
    rig.Fill(3, 0.2);
    rig.Process(kN);
    // The transport is stopped: every sample lands in slot 0.
    EXPECT_DOUBLE_EQ(rig.plug->GetScopeLeft().GetInputLevel(0), c.left);
    EXPECT_DOUBLE_EQ(rig.plug->GetScopeRight().GetInputLevel(0), c.right);
    if (c.nSidechain == 0)
    {
      EXPECT_DOUBLE_EQ(rig.plug->GetScopeLeft().GetOutputLevel(0), 0.15);
    }
  }
}

TEST(PressweaveScopes, ScopeSlotsFollowTheBeatAtTheHostsTempo)
{
  DirectRig rig(2, 0, 2);
  weft::ITimeInfo info;
  info.mTempo = 120.0;
  info.mPPQPos = 0.0;
  info.mTransportIsRunning = true;
  rig.SetTransport(info);
  SetParam(*rig.plug, kScopeSync, 4); // "1/1": four quarter notes, 2 s at 120 BPM
  rig.plug->OnIdle();
  ASSERT_DOUBLE_EQ(rig.plug->GetScopeLeft().GetWindowLength(), 4.0);

  // Each slot spans 96 samples at 48 kHz; sample s advances the phase
  // before it is written, so slot 1 is last written by sample 190 (191 if
  // the accumulated beat rounds down).
  for (int s = 0; s < 200; ++s)
    rig.in[0][s] = s < 96 ? 0.1 : (s < 192 ? 0.2 : 0.3);
  rig.Process(200);
  for (int slot = 0; slot < 3; ++slot)
    EXPECT_DOUBLE_EQ(rig.plug->GetScopeLeft().GetInputLevel(slot), 0.1 * (slot + 1));
}

TEST(PressweaveScopes, ATransportWithAZeroDenominatorOrNotANumberKeepsThePhaseFiniteAndTheSlotInRange)
{
  for (bool notANumber : {false, true})
  {
    DirectRig rig(2, 0, 2);
    weft::ITimeInfo info;
    info.mTransportIsRunning = true;
    if (notANumber)
    {
      info.mTempo = std::numeric_limits<double>::infinity();
      info.mPPQPos = std::numeric_limits<double>::quiet_NaN();
    }
    else
    {
      info.mPPQPos = 5.5;
      info.mDenominator = 0;
    }
    rig.SetTransport(info);
    rig.plug->OnIdle();
    rig.Fill(0, 0.5);
    rig.Process(kN);
    const WaveformProcessor& scope = rig.plug->GetScopeLeft();
    EXPECT_TRUE(std::isfinite(scope.GetPhase()));
    EXPECT_GE(scope.GetSlotIndex(), 0);
    EXPECT_LT(scope.GetSlotIndex(), kScopeSlots);
    if (notANumber)
    {
      EXPECT_EQ(scope.GetPhase(), 0.0);
      EXPECT_EQ(scope.GetSlotIndex(), 0);
      EXPECT_EQ(scope.GetInputLevel(0), 0.5);
    }
    else
    {
      EXPECT_DOUBLE_EQ(scope.GetQuarterNotesPerBeat(), 1.0) << "one quarter note per beat";
    }
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
  for (int s = 0; s < kN; ++s)
    ASSERT_TRUE(std::isfinite(rig.out[0][s]));
  // The meters keep the rate they had: 300 ms at 44.1 kHz.
  EXPECT_EQ(rig.plug->GetInputMeter().GetRingSize(0), 13230);
  EXPECT_EQ(rig.plug->GetCompressorState().mAttackCoef, 0.0);
  EXPECT_TRUE(std::isfinite(rig.plug->GetScopeLeft().GetBeatPos()));
}

// --- Buffer sizes and allocation ------------------------------------------------

TEST(PressweaveBufferSizes, BuffersArePreparedForTheBlockSizeAtConstructionAndResizedOnReset)
{
  DirectRig rig(2, 0, 2);
  EXPECT_EQ(rig.plug->GetBlockSize(), 512);
  EXPECT_EQ(rig.plug->GetPreparedFrames(), 512);
  EXPECT_EQ(rig.plug->GetBufferManager().GetBufferSize(), 512);

  ASSERT_TRUE(rig.plug->SetBlockSize(2048));
  rig.plug->OnReset();
  EXPECT_EQ(rig.plug->GetPreparedFrames(), 2048);
  EXPECT_EQ(rig.plug->GetBufferManager().GetBufferSize(), 2048);
  ASSERT_TRUE(rig.plug->SetBlockSize(256));
  rig.plug->OnActivate(true);
  EXPECT_EQ(rig.plug->GetBufferManager().GetBufferSize(), 256);
  EXPECT_GE(rig.plug->GetPreparedFrames(), 256);
}

TEST(PressweaveBufferSizes, ABlockLongerThanThePreparedSizeIsProcessedInSlicesWithoutAllocating)
{
  DirectRig rig(2, 0, 2);
  ASSERT_TRUE(rig.plug->SetBlockSize(2000)); // no reset: the buffers stay at 512
  ASSERT_EQ(rig.plug->GetPreparedFrames(), 512);
  rig.FillSignal(0, 2000);
  rig.FillSignal(1, 2000);
  SetParam(*rig.plug, kInputGain, 50.0);
  {
    pw::test::AllocationCounter allocs;
    rig.Process(2000);
    EXPECT_EQ(allocs.Count(), 0u);
  }
  for (int s = 0; s < 2000; ++s)
    ASSERT_NEAR(rig.out[0][s], rig.in[0][s] * 0.5, 1e-15) << s;
  EXPECT_EQ(rig.plug->GetBufferManager().GetFrameCount(BufferManager::kOutputLeft), 2000 - 3 * 512);
}

TEST(PressweaveAllocation, ProcessBlockAllocatesNothingInAnyModeOrDetectionPath)
{
  for (int mode : {kSidechainRingmod, kSidechainCompressor, kSidechainCombined})
    for (bool amountOn : {false, true})
    {
      DirectRig rig(2, 2, 2);
      EngageSidechain(rig);
      SetParam(*rig.plug, kSidechainMode, mode);
      SetParam(*rig.plug, kPressweaveOn, amountOn ? 1 : 0);
      SetParam(*rig.plug, kStereoWidth, 150.0);
      for (int c = 0; c < 4; ++c)
        rig.FillSignal(c, kN);
      pw::test::AllocationCounter allocs;
      for (int i = 0; i < 4; ++i)
        rig.Process(kN);
      EXPECT_EQ(allocs.Count(), 0u) << "mode " << mode << " amount " << amountOn;
    }

  // Logic's comparison, other Audio Unit hosts' state machine, other APIs' connections.
  for (int path = 0; path < 3; ++path)
  {
    DirectRig rig(2, 2, 2);
    if (path < 2)
      rig.plug->SetHostForTest(path == 0 ? weft::kHostLogic : weft::kHostReaper);
    else
      rig.plug->SetAPIForTest(weft::kAPIVST3);
    rig.FillSignal(2, kN);
    pw::test::AllocationCounter allocs;
    rig.Process(kN);
    EXPECT_EQ(allocs.Count(), 0u) << "path " << path;
  }
}

} // namespace
