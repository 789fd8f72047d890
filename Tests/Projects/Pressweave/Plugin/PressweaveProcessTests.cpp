// The processing road through the class, block by block: each stage and
// sidechain mode against its formula, and the road's guarantees (what a
// missing channel reads, what the hand-off buffers hold, no allocation).

#include "PressweaveTestRig.h"

#include "AllocationCounter.h"

#include <climits>
#include <cmath>
#include <limits>

using namespace pressweave;
using pw::test::DirectRig;
using pw::test::SetParam;

namespace {

constexpr int kN = 512;

// The rig with the sidechain modes engaged (the flag set the way the Logic
// path sets it: a sidechain that differs from the main input).
void EngageSidechain(DirectRig& rig)
{
  rig.plug->SetHostForTest(weft::kHostLogic);
  for (int s = 0; s < kN; ++s)
  {
    rig.in[2][s] = 0.25;
    rig.in[3][s] = 0.25;
  }
  rig.Process(kN);
  ASSERT_TRUE(rig.plug->IsSidechainPresent());
}

void FillTestSignal(DirectRig& rig, int channel, int n = kN)
{
  for (int s = 0; s < n; ++s)
    rig.in[channel][s] = pw::test::TestSignal(channel, s);
}

// Width 100 % runs the mid/side formula, which is exact only to within
// rounding of the larger channel.
constexpr double kWidthRounding = 1e-15;

} // namespace

class PressweaveStages : public ::testing::Test
{
protected:
  PressweaveStages() : rig(2, 0, 2) {}

  void SetUp() override
  {
    FillTestSignal(rig, 0);
    FillTestSignal(rig, 1);
    for (int c = 0; c < 2; ++c)
      main[c].assign(rig.in[c].begin(), rig.in[c].begin() + kN);
  }

  DirectRig rig;
  std::vector<double> main[2];
};

TEST_F(PressweaveStages, WidthOneHundredPassesTheSignalWithinOneUlpOfTheLargerChannel)
{
  rig.Process(kN);
  for (int s = 0; s < kN; ++s)
  {
    const double ulp = std::max(std::fabs(main[0][s]), std::fabs(main[1][s])) * std::numeric_limits<double>::epsilon();
    EXPECT_NEAR(rig.out[0][s], main[0][s], ulp);
    EXPECT_NEAR(rig.out[1][s], main[1][s], ulp);
  }
}

TEST_F(PressweaveStages, WidthZeroSumsToMono)
{
  SetParam(*rig.plug, kStereoWidth, 0.0);
  rig.Process(kN);
  for (int s = 0; s < kN; ++s)
  {
    const double mono = (main[0][s] + main[1][s]) * 0.5;
    EXPECT_DOUBLE_EQ(rig.out[0][s], mono);
    EXPECT_DOUBLE_EQ(rig.out[1][s], mono);
  }
}

TEST_F(PressweaveStages, WidthTwoHundredWidensAndScalesBy1Point42OverTwo)
{
  SetParam(*rig.plug, kStereoWidth, 200.0);
  rig.Process(kN);
  for (int s = 0; s < kN; ++s)
  {
    const double l = main[0][s], r = main[1][s];
    EXPECT_NEAR(rig.out[0][s], 0.71 * (1.5 * l - 0.5 * r), 1e-15);
    EXPECT_NEAR(rig.out[1][s], 0.71 * (1.5 * r - 0.5 * l), 1e-15);
  }
}

TEST_F(PressweaveStages, WidthIsSkippedForAMonoOutput)
{
  rig.Connect(2, 0, 1);
  SetParam(*rig.plug, kStereoWidth, 0.0);
  rig.Process(kN);
  for (int s = 0; s < kN; ++s)
    EXPECT_DOUBLE_EQ(rig.out[0][s], main[0][s]);
}

TEST_F(PressweaveStages, AmountFiftyShapesAtFullMixWithoutDrive)
{
  SetParam(*rig.plug, kPressweaveOn, 1);
  SetParam(*rig.plug, kPressweaveAmount, 50.0);
  rig.Process(kN);
  for (int s = 0; s < kN; ++s)
  {
    // Curve 0: c1 = 1.5, c2 = 0, c3 = -0.5, c4 = 0.0625; mix 100 %.
    const double x = main[0][s];
    const double a = std::fabs(x);
    const double f = 1.5 * a - 0.5 * a * a * a - 0.0625 * (a * a - 2 * a * a * a + a * a * a * a);
    EXPECT_NEAR(rig.out[0][s], x > 0 ? f : -f, 1e-15);
  }
}

TEST_F(PressweaveStages, AmountOneHundredDrivesByTenToThePoint12IntoTheCurveFiftyShaper)
{
  SetParam(*rig.plug, kPressweaveOn, 1);
  SetParam(*rig.plug, kPressweaveAmount, 100.0);
  rig.in[0][0] = 1.9; // beyond 2 after the drive: clamped, shaped to 0
  main[0][0] = 1.9;
  rig.Process(kN);
  const double drive = std::pow(10.0, 0.12);
  for (int s = 0; s < kN; ++s)
  {
    // Curve 50: k = 0.5, c1 = 2, c2 = -1, c3 = 0, c4 = 0, so 2a - a^2 on both
    // branches.
    const double y = std::clamp(main[0][s] * drive, -2.0, 2.0);
    const double a = std::fabs(y);
    const double f = 2 * a - a * a;
    EXPECT_NEAR(rig.out[0][s], y > 0 ? f : -f, 1e-12) << s;
  }
  EXPECT_NEAR(rig.out[0][0], 0.0, 1e-15);
}

TEST_F(PressweaveStages, TheAmountStageIsSkippedWhenOffOrAtZero)
{
  SetParam(*rig.plug, kPressweaveAmount, 100.0);
  rig.Process(kN);
  for (int s = 0; s < kN; ++s)
    EXPECT_NEAR(rig.out[0][s], main[0][s], kWidthRounding);

  SetParam(*rig.plug, kPressweaveOn, 1);
  SetParam(*rig.plug, kPressweaveAmount, 0.0);
  for (int c = 0; c < 2; ++c)
    std::copy(main[c].begin(), main[c].end(), rig.in[c].begin());
  rig.Process(kN);
  for (int s = 0; s < kN; ++s)
    EXPECT_NEAR(rig.out[0][s], main[0][s], kWidthRounding);
}

TEST_F(PressweaveStages, WithAMonoOutputTheShaperSeesHalfTheInputAndItsResultIsDoubled)
{
  rig.Connect(2, 0, 1);
  SetParam(*rig.plug, kPressweaveOn, 1);
  SetParam(*rig.plug, kPressweaveAmount, 100.0);
  rig.Process(kN);
  const double drive = std::pow(10.0, 0.12);
  for (int s = 0; s < kN; ++s)
  {
    const double y = std::clamp(0.5 * main[0][s] * drive, -2.0, 2.0);
    const double a = std::fabs(y);
    const double f = 2 * a - a * a;
    EXPECT_NEAR(rig.out[0][s], 2.0 * (y > 0 ? f : -f), 1e-12);
  }
}

TEST_F(PressweaveStages, InputGainFiftyHalvesTheWetSignalAndTheSidechainMeterGetsZeros)
{
  rig.Connect(2, 2, 2);
  rig.Fill(2, 0.9);
  rig.Fill(3, 0.9);
  SetParam(*rig.plug, kInputGain, 50.0);
  rig.Process(kN);
  for (int s = 0; s < kN; ++s)
  {
    EXPECT_NEAR(rig.out[0][s], main[0][s] * 0.5, kWidthRounding);
    EXPECT_NEAR(rig.out[1][s], main[1][s] * 0.5, kWidthRounding);
  }
  const BufferManager& handOff = rig.plug->GetBufferManager();
  for (int b : {BufferManager::kSidechainLeft, BufferManager::kSidechainRight})
  {
    ASSERT_EQ(handOff.GetFrameCount(b), kN);
    for (int s = 0; s < kN; ++s)
      ASSERT_EQ(handOff.GetBuffer(b)[s], 0.0);
  }
}

TEST_F(PressweaveStages, DryWetZeroOutputsTheDryCopyWhateverTheStagesDo)
{
  SetParam(*rig.plug, kDryWet, 0.0);
  SetParam(*rig.plug, kStereoWidth, 0.0);
  SetParam(*rig.plug, kPressweaveOn, 1);
  SetParam(*rig.plug, kPressweaveAmount, 80.0);
  SetParam(*rig.plug, kInputGain, 10.0);
  rig.Process(kN);
  for (int s = 0; s < kN; ++s)
  {
    EXPECT_EQ(rig.out[0][s], main[0][s]);
    EXPECT_EQ(rig.out[1][s], main[1][s]);
  }
}

TEST_F(PressweaveStages, DryWetMixesTheDryCopyWithTheWetSignal)
{
  SetParam(*rig.plug, kDryWet, 25.0);
  SetParam(*rig.plug, kInputGain, 20.0);
  rig.Process(kN);
  for (int s = 0; s < kN; ++s)
    EXPECT_NEAR(rig.out[0][s], main[0][s] * 0.75 + main[0][s] * 0.2 * 0.25, 1e-15);
}

TEST_F(PressweaveStages, AMonoOutputStillWritesTheSecondOutputChannel)
{
  rig.Connect(2, 0, 1);
  std::fill(rig.out[1].begin(), rig.out[1].end(), 99.0);
  rig.Process(kN);
  for (int s = 0; s < kN; ++s)
    EXPECT_DOUBLE_EQ(rig.out[1][s], main[1][s]);
}

TEST_F(PressweaveStages, TheMetersHandOffHoldsDryAndOutputOfTheFramesRendered)
{
  SetParam(*rig.plug, kInputGain, 50.0);
  rig.Process(100);
  const BufferManager& handOff = rig.plug->GetBufferManager();
  for (int b = 0; b < 4; ++b)
    EXPECT_EQ(handOff.GetFrameCount(b), 100) << b;
  for (int s = 0; s < 100; ++s)
  {
    EXPECT_EQ(handOff.GetBuffer(BufferManager::kDryLeft)[s], main[0][s]);
    EXPECT_EQ(handOff.GetBuffer(BufferManager::kOutputRight)[s], rig.out[1][s]);
  }
}

class PressweaveSidechainModes : public ::testing::Test
{
protected:
  PressweaveSidechainModes() : rig(2, 2, 2) {}

  void SetUp() override
  {
    EngageSidechain(rig);
    FillTestSignal(rig, 0);
    FillTestSignal(rig, 1);
    for (int c = 0; c < 2; ++c)
      main[c].assign(rig.in[c].begin(), rig.in[c].begin() + kN);
  }

  DirectRig rig;
  std::vector<double> main[2];
};

TEST_F(PressweaveSidechainModes, RingmodDucksByTheKeysMagnitudeTimesTheInputGain)
{
  SetParam(*rig.plug, kInputGain, 80.0);
  rig.Fill(2, 0.5, kN);
  rig.Fill(3, -0.25, kN);
  rig.Process(kN);
  for (int s = 0; s < kN; ++s)
  {
    EXPECT_NEAR(rig.out[0][s], main[0][s] * 0.5 * 0.8, 1e-15);
    EXPECT_NEAR(rig.out[1][s], main[1][s] * 0.75 * 0.8, 1e-15);
  }
}

TEST_F(PressweaveSidechainModes, CompressorFollowsItsCoefficientsTowardsTheTargetGain)
{
  SetParam(*rig.plug, kSidechainMode, kSidechainCompressor);
  SetParam(*rig.plug, kThreshold, -20.0);
  SetParam(*rig.plug, kRatio, 4.0);
  SetParam(*rig.plug, kAttack, 1.0);
  SetParam(*rig.plug, kRelease, 10.0);
  rig.Fill(2, 0.5, kN);
  rig.Fill(3, 0.5, kN);
  rig.Process(kN);

  // The first compressor block primes the window with the key's energy, so
  // the detector reads 0.5 at once; the gain then moves from 1 towards the
  // target with the attack coefficient.
  const double attack = std::exp(-1.0 / (48000.0 * 0.001));
  const double target = std::pow(0.5 / std::pow(10.0, -1.0), -3.0 / 4.0);
  double g = 1.0;
  for (int s = 0; s < kN; ++s)
  {
    g = attack * g + (1.0 - attack) * target;
    ASSERT_NEAR(rig.out[0][s], main[0][s] * g, 1e-12) << s;
    ASSERT_NEAR(rig.out[1][s], main[1][s] * g, 1e-12) << s;
  }
  EXPECT_NEAR(rig.plug->GetCompressorState().mAttackCoef, attack, 1e-15);
  EXPECT_NEAR(rig.plug->GetCompressorState().mReleaseCoef, std::exp(-1.0 / (48000.0 * 0.01)), 1e-15);

  // Silence in the key: the window drains one sample at a time, the target
  // rises and the gain follows it with the release coefficient.
  rig.Fill(2, 0.0, kN);
  rig.Fill(3, 0.0, kN);
  for (int c = 0; c < 2; ++c)
    std::copy(main[c].begin(), main[c].end(), rig.in[c].begin());
  rig.Process(kN);
  const double release = std::exp(-1.0 / (48000.0 * 0.01));
  for (int s = 0; s < kN; ++s)
  {
    const int remaining = std::max(441 - (s + 1), 0);
    const double rms = std::sqrt(remaining * 0.25 / 441.0);
    const double t = rms > 0.1 ? std::pow(rms / 0.1, -0.75) : 1.0;
    g = g > t ? attack * g + (1.0 - attack) * t : release * g + (1.0 - release) * t;
    ASSERT_NEAR(rig.out[0][s], main[0][s] * g, 1e-9) << s;
  }
  EXPECT_GT(g, target + 0.1);
}

TEST_F(PressweaveSidechainModes, CompressorRatioOneNeverReducesTheGain)
{
  SetParam(*rig.plug, kSidechainMode, kSidechainCompressor);
  SetParam(*rig.plug, kRatio, 1.0);
  rig.Fill(2, 1.0, kN);
  rig.Fill(3, 1.0, kN);
  rig.Process(kN);
  for (int s = 0; s < kN; ++s)
    EXPECT_NEAR(rig.out[0][s], main[0][s], kWidthRounding);
}

TEST_F(PressweaveSidechainModes, CombinedBlendsCompressorAndRingmodByTheModeMix)
{
  SetParam(*rig.plug, kSidechainMode, kSidechainCombined);
  SetParam(*rig.plug, kThreshold, -20.0);
  SetParam(*rig.plug, kRatio, 2.0);
  SetParam(*rig.plug, kAttack, 0.0); // the gain reaches the target on the same sample
  rig.Fill(2, 0.5, kN);
  rig.Fill(3, 0.5, kN);
  rig.Process(kN);

  const double target = std::pow(0.5 / 0.1, -0.5);
  const double w = (60.0 + 100.0) / 200.0; // the default mix, 60
  for (int s = 0; s < kN; ++s)
  {
    const double expected = main[0][s] * ((1.0 - w) * target + w * 0.5);
    ASSERT_NEAR(rig.out[0][s], expected, 1e-12) << s;
  }

  SetParam(*rig.plug, kSidechainModeMix, -100.0); // compressor only
  for (int c = 0; c < 2; ++c)
    std::copy(main[c].begin(), main[c].end(), rig.in[c].begin());
  rig.Process(kN);
  for (int s = 0; s < kN; ++s)
    ASSERT_NEAR(rig.out[1][s], main[1][s] * target, 1e-12) << s;
}

TEST_F(PressweaveSidechainModes, ANonFiniteKeySampleReprimesTheCompressorInsteadOfDisablingIt)
{
  SetParam(*rig.plug, kSidechainMode, kSidechainCompressor);
  SetParam(*rig.plug, kThreshold, -20.0);
  SetParam(*rig.plug, kRatio, 2.0);
  rig.Fill(2, 0.5, kN);
  rig.Fill(3, 0.5, kN);
  rig.in[2][0] = std::numeric_limits<double>::quiet_NaN();
  rig.Process(kN);
  const double target = std::pow(0.5 / 0.1, -0.5);
  for (int s = 1; s < kN; ++s)
    ASSERT_NEAR(rig.out[0][s], main[0][s] * target, 1e-12) << s;
  EXPECT_TRUE(std::isfinite(rig.plug->GetCompressorState().mWindowSum));
}

TEST_F(PressweaveSidechainModes, ABurstOfHugeKeyValuesLeavesNoResidueInTheDetector)
{
  SetParam(*rig.plug, kSidechainMode, kSidechainCompressor);
  SetParam(*rig.plug, kThreshold, -20.0);
  SetParam(*rig.plug, kRatio, 2.0);
  SetParam(*rig.plug, kAttack, 0.0);
  SetParam(*rig.plug, kRelease, 0.0); // the gain sits on the target every sample
  rig.Fill(2, 0.5, kN);
  rig.Fill(3, 0.5, kN);
  for (int s = 0; s < 100; ++s)
    rig.in[2][s] = rig.in[3][s] = 1e150; // key energy 1e300, still finite
  rig.Process(kN);

  // Two blocks later the window has held only 0.5 for a whole lap.
  rig.Fill(2, 0.5, kN);
  rig.Fill(3, 0.5, kN);
  for (int b = 0; b < 2; ++b)
  {
    for (int c = 0; c < 2; ++c)
      std::copy(main[c].begin(), main[c].end(), rig.in[c].begin());
    rig.Process(kN);
  }
  const double target = std::pow(0.5 / 0.1, -0.5);
  for (int s = 0; s < kN; ++s)
    ASSERT_NEAR(rig.out[0][s], main[0][s] * target, 1e-12) << s;
  EXPECT_NEAR(rig.plug->GetCompressorState().mWindowSum, 441 * 0.25, 1e-9);
}

TEST_F(PressweaveSidechainModes, AMissingSidechainChannelGivesZerosInItsHandOffBuffer)
{
  rig.Fill(2, 0.5, kN);
  rig.Fill(3, 0.5, kN);
  rig.Process(kN);
  const BufferManager& handOff = rig.plug->GetBufferManager();
  EXPECT_EQ(handOff.GetBuffer(BufferManager::kSidechainRight)[0], 0.5);

  rig.Connect(2, 1, 2); // the right sidechain channel goes away
  rig.Process(kN);
  for (int s = 0; s < kN; ++s)
  {
    ASSERT_EQ(handOff.GetBuffer(BufferManager::kSidechainLeft)[s], 0.5);
    ASSERT_EQ(handOff.GetBuffer(BufferManager::kSidechainRight)[s], 0.0);
  }
}

TEST(PressweaveMonoMain, AMonoMainWithAStereoSidechainGathersBothSidechainChannels)
{
  DirectRig rig(1, 2, 2);
  rig.plug->SetHostForTest(weft::kHostLogic);
  ASSERT_EQ(rig.plug->NInChansConnected(), 3);
  rig.Fill(0, 0.4);
  rig.Fill(2, 0.5);
  rig.Fill(3, 0.25);
  rig.Process(kN);
  ASSERT_TRUE(rig.plug->IsSidechainPresent());
  rig.Process(kN);

  const BufferManager& handOff = rig.plug->GetBufferManager();
  EXPECT_EQ(handOff.GetBuffer(BufferManager::kSidechainLeft)[10], 0.5);
  EXPECT_EQ(handOff.GetBuffer(BufferManager::kSidechainRight)[10], 0.25);
  EXPECT_DOUBLE_EQ(rig.out[0][10], 0.4 * 0.5);
}

TEST(PressweaveMonoMain, EveryModeRunsWithAMonoMainInput)
{
  for (int mode : {kSidechainRingmod, kSidechainCompressor, kSidechainCombined})
  {
    DirectRig rig(1, 2, 2);
    rig.plug->SetHostForTest(weft::kHostLogic);
    SetParam(*rig.plug, kSidechainMode, mode);
    rig.Fill(0, 0.4);
    rig.Fill(2, 0.5);
    rig.Fill(3, 0.5);
    rig.Process(kN);
    rig.Process(kN);
    for (int s = 0; s < kN; ++s)
    {
      ASSERT_TRUE(std::isfinite(rig.out[0][s])) << mode;
      ASSERT_TRUE(std::isfinite(rig.out[1][s])) << mode;
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

  const BufferManager& handOff = rig.plug->GetBufferManager();
  for (int s = 0; s < kN; ++s)
    ASSERT_EQ(handOff.GetBuffer(BufferManager::kDryRight)[s], 0.0);

  // The same block again gives the same output: nothing fed back.
  const std::vector<double> first(rig.out[1].begin(), rig.out[1].begin() + kN);
  rig.Fill(0, 0.4);
  rig.Process(kN);
  for (int s = 0; s < kN; ++s)
    ASSERT_EQ(rig.out[1][s], first[s]);
}

TEST(PressweaveScopes, TheScopesSeeTheDryInputWhileNoSidechainIsActive)
{
  DirectRig rig(2, 0, 2);
  rig.Fill(0, -0.3);
  rig.Fill(1, 0.6);
  SetParam(*rig.plug, kInputGain, 50.0);
  rig.Process(kN);
  // The transport is stopped: every sample lands in slot 0.
  EXPECT_DOUBLE_EQ(rig.plug->GetScopeLeft().GetInputLevel(0), 0.3);
  EXPECT_DOUBLE_EQ(rig.plug->GetScopeLeft().GetOutputLevel(0), 0.15);
  EXPECT_DOUBLE_EQ(rig.plug->GetScopeRight().GetInputLevel(0), 0.6);
}

TEST(PressweaveScopes, UnderOtherAPIsTheSidechainFeedsTheScopesOnlyWhenBothSidesAreThere)
{
  DirectRig rig(2, 2, 2);
  rig.plug->SetAPIForTest(weft::kAPIVST3);
  rig.Fill(0, 0.1);
  rig.Fill(1, 0.1);
  rig.Fill(2, 0.7);
  rig.Fill(3, 0.2);
  rig.Process(kN);
  EXPECT_DOUBLE_EQ(rig.plug->GetScopeLeft().GetInputLevel(0), 0.7);
  EXPECT_DOUBLE_EQ(rig.plug->GetScopeRight().GetInputLevel(0), 0.2);

  rig.Connect(2, 1, 2);
  rig.Fill(0, 0.1);
  rig.Fill(1, 0.1);
  rig.Process(kN);
  EXPECT_DOUBLE_EQ(rig.plug->GetScopeLeft().GetInputLevel(0), 0.1);
  EXPECT_DOUBLE_EQ(rig.plug->GetScopeRight().GetInputLevel(0), 0.1);
}

TEST(PressweaveScopes, UnderAudioUnitHostsTheSidechainFeedsTheScopesWhenBothSidesAreActive)
{
  DirectRig rig(2, 2, 2);
  rig.plug->SetHostForTest(weft::kHostLogic);
  rig.Fill(0, 0.1);
  rig.Fill(1, 0.1);
  rig.Fill(2, 0.7);
  rig.Fill(3, 0.2);
  rig.Process(kN);
  ASSERT_EQ(rig.plug->GetSidechainChannel(1).mState.load(), kSidechainActive);
  EXPECT_DOUBLE_EQ(rig.plug->GetScopeLeft().GetInputLevel(0), 0.7);
  EXPECT_DOUBLE_EQ(rig.plug->GetScopeRight().GetInputLevel(0), 0.2);
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
  EXPECT_DOUBLE_EQ(rig.plug->GetScopeLeft().GetInputLevel(0), 0.1);
  EXPECT_DOUBLE_EQ(rig.plug->GetScopeLeft().GetInputLevel(1), 0.2);
  EXPECT_DOUBLE_EQ(rig.plug->GetScopeLeft().GetInputLevel(2), 0.3);
}

TEST(PressweaveScopes, ADenominatorOfZeroKeepsThePhaseFiniteAndTheSlotInRange)
{
  DirectRig rig(2, 0, 2);
  weft::ITimeInfo info;
  info.mPPQPos = 5.5;
  info.mDenominator = 0;
  info.mTransportIsRunning = true;
  rig.SetTransport(info);
  rig.plug->OnIdle();
  rig.Fill(0, 0.5);
  rig.Process(kN);
  const WaveformProcessor& scope = rig.plug->GetScopeLeft();
  EXPECT_TRUE(std::isfinite(scope.GetPhase()));
  EXPECT_GE(scope.GetSlotIndex(), 0);
  EXPECT_LT(scope.GetSlotIndex(), kScopeSlots);
  // One quarter note per beat.
  EXPECT_DOUBLE_EQ(scope.GetQuarterNotesPerBeat(), 1.0);
}

TEST(PressweaveScopes, ATransportThatIsNotANumberLeavesThePhaseFiniteAndTheSlotInRange)
{
  DirectRig rig(2, 0, 2);
  weft::ITimeInfo info;
  info.mTempo = std::numeric_limits<double>::infinity();
  info.mPPQPos = std::numeric_limits<double>::quiet_NaN();
  info.mTransportIsRunning = true;
  rig.SetTransport(info);
  rig.plug->OnIdle();
  rig.Fill(0, 0.5);
  rig.Process(kN);
  const WaveformProcessor& scope = rig.plug->GetScopeLeft();
  EXPECT_EQ(scope.GetPhase(), 0.0);
  EXPECT_EQ(scope.GetSlotIndex(), 0);
  EXPECT_EQ(scope.GetInputLevel(0), 0.5);
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

class PressweaveBufferSizes : public ::testing::Test
{
protected:
  DirectRig rig{2, 0, 2};
};

TEST_F(PressweaveBufferSizes, BuffersArePreparedForTheBlockSizeAtConstruction)
{
  EXPECT_EQ(rig.plug->GetBlockSize(), 512);
  EXPECT_EQ(rig.plug->GetPreparedFrames(), 512);
  EXPECT_EQ(rig.plug->GetBufferManager().GetBufferSize(), 512);
}

TEST_F(PressweaveBufferSizes, ResetResizesTheBuffersForANewBlockSize)
{
  ASSERT_TRUE(rig.plug->SetBlockSize(2048));
  rig.plug->OnReset();
  EXPECT_EQ(rig.plug->GetPreparedFrames(), 2048);
  EXPECT_EQ(rig.plug->GetBufferManager().GetBufferSize(), 2048);

  ASSERT_TRUE(rig.plug->SetBlockSize(256));
  rig.plug->OnActivate(true);
  EXPECT_EQ(rig.plug->GetBufferManager().GetBufferSize(), 256);
  EXPECT_GE(rig.plug->GetPreparedFrames(), 256);
}

TEST_F(PressweaveBufferSizes, ABlockLongerThanThePreparedSizeIsProcessedInSlicesWithoutAllocating)
{
  ASSERT_TRUE(rig.plug->SetBlockSize(2000)); // no reset: the buffers stay at 512
  ASSERT_EQ(rig.plug->GetPreparedFrames(), 512);
  FillTestSignal(rig, 0, 2000);
  FillTestSignal(rig, 1, 2000);
  const std::vector<double> main(rig.in[0].begin(), rig.in[0].begin() + 2000);
  SetParam(*rig.plug, kInputGain, 50.0);

  {
    pw::test::AllocationCounter allocs;
    rig.Process(2000);
    EXPECT_EQ(allocs.Count(), 0u);
  }
  for (int s = 0; s < 2000; ++s)
    ASSERT_NEAR(rig.out[0][s], main[s] * 0.5, kWidthRounding) << s;
  EXPECT_EQ(rig.plug->GetBufferManager().GetFrameCount(BufferManager::kOutputLeft), 2000 - 3 * 512);
}

TEST(PressweaveAllocation, ProcessBlockAllocatesNothingInAnyMode)
{
  for (int mode : {kSidechainRingmod, kSidechainCompressor, kSidechainCombined})
  {
    for (bool amountOn : {false, true})
    {
      DirectRig rig(2, 2, 2);
      EngageSidechain(rig);
      SetParam(*rig.plug, kSidechainMode, mode);
      SetParam(*rig.plug, kPressweaveOn, amountOn ? 1 : 0);
      SetParam(*rig.plug, kStereoWidth, 150.0);
      FillTestSignal(rig, 0);
      FillTestSignal(rig, 1);
      FillTestSignal(rig, 2);
      FillTestSignal(rig, 3);
      pw::test::AllocationCounter allocs;
      for (int i = 0; i < 4; ++i)
        rig.Process(kN);
      EXPECT_EQ(allocs.Count(), 0u) << "mode " << mode << " amount " << amountOn;
    }
  }
}

TEST(PressweaveAllocation, EachDetectionPathAllocatesNothing)
{
  for (weft::EHost host : {weft::kHostLogic, weft::kHostReaper})
  {
    DirectRig rig(2, 2, 2);
    rig.plug->SetHostForTest(host);
    FillTestSignal(rig, 2);
    pw::test::AllocationCounter allocs;
    rig.Process(kN);
    EXPECT_EQ(allocs.Count(), 0u);
  }
  DirectRig rig(2, 2, 2);
  rig.plug->SetAPIForTest(weft::kAPIVST3);
  pw::test::AllocationCounter allocs;
  rig.Process(kN);
  EXPECT_EQ(allocs.Count(), 0u);
}
