// How the class decides that a sidechain is present: the Logic/GarageBand
// comparison, the state machine of other Audio Unit hosts with its silence
// timeout, the connection rule of other plug-in APIs, and the idle handler
// that settles the flag.

#include "PressweaveTestRig.h"

#include <climits>
#include <cmath>

using namespace pressweave;
using pw::test::AUHost;
using pw::test::DirectRig;

namespace {

constexpr int kBlock = 512;

int StateOf(const Pressweave& plug, int side)
{
  return plug.GetSidechainChannel(side).mState.load();
}

// The sidechain source: the main input scaled.
void FeedSidechainScaled(AUHost& host, float scale)
{
  for (int c = 0; c < 2; ++c)
  {
    host.sidechainSource.signal[c] = host.mainSource.signal[c];
    for (float& x : host.sidechainSource.signal[c])
      x *= scale;
  }
}

// The sidechain source: constant level for the first frames, then silence.
void FeedSidechainBurst(AUHost& host, float level, int frames)
{
  for (int c = 0; c < 2; ++c)
    host.sidechainSource.signal[c].assign(static_cast<size_t>(frames), level);
  host.sidechainSource.position = 0;
}

// Whether the left output of the last block is main x gain, from frame `from` of the main input.
void ExpectMainTimes(const AUHost& host, double gain, int from)
{
  for (int s = 0; s < static_cast<int>(host.outL.size()); ++s)
    ASSERT_NEAR(host.outL[s], host.mainSource.signal[0][from + s] * gain, 1e-6) << "frame " << s;
}

class PressweaveLogicDetection : public ::testing::TestWithParam<const char*>
{
protected:
  void SetUp() override
  {
    ASSERT_EQ(host.Initialize(), noErr);
    ASSERT_TRUE(host.plug->GetHost() == weft::kHostLogic || host.plug->GetHost() == weft::kHostGarageBand);
    host.FeedMain(8 * kBlock);
  }

  AUHost host{GetParam()};
};

TEST_P(PressweaveLogicDetection, ASidechainWithinOnePercentOfTheMainEnergyIsACopyAndNeverEngagesTheModes)
{
  // 1.05: difference energy 0.0025 / 1.1025 of the sidechain's.
  for (float scale : {1.0f, 1.05f})
  {
    SCOPED_TRACE(scale);
    FeedSidechainScaled(host, scale);
    for (int b = 0; b < 2; ++b)
    {
      ASSERT_EQ(host.Render(kBlock), noErr);
      host.plug->OnIdle();
      ExpectMainTimes(host, 1.0, static_cast<int>(host.sampleTime) - kBlock);
    }
    EXPECT_FALSE(host.plug->IsSidechainPresent());
    EXPECT_EQ(StateOf(*host.plug, 1), kSidechainNotConnected);
  }
}

TEST_P(PressweaveLogicDetection, ASidechainDifferingByMoreThanOnePercentEngagesOnItsFirstBlockUntilItTurnsIntoACopy)
{
  FeedSidechainScaled(host, 0.8f); // difference energy 0.04 / 0.64 of the sidechain's
  ASSERT_EQ(host.Render(kBlock), noErr);
  EXPECT_TRUE(host.plug->IsSidechainPresent());
  EXPECT_EQ(StateOf(*host.plug, 1), kSidechainActive);
  EXPECT_TRUE(host.plug->IsEditorRefreshPending());
  const double x = host.mainSource.signal[0][100]; // ringmod in the same block
  EXPECT_NEAR(host.outL[100], x * (1.0 - std::fabs(0.8 * x)), 1e-6);

  FeedSidechainScaled(host, 1.0f);
  ASSERT_EQ(host.Render(kBlock), noErr);
  EXPECT_FALSE(host.plug->IsSidechainPresent());
  EXPECT_EQ(StateOf(*host.plug, 0), kSidechainNotConnected);
}

TEST_P(PressweaveLogicDetection, ALeftSideTurningIntoACopyLeavesTheSidechainFollowingTheRightSide)
{
  // A steady kick on the right side throughout; the left side differs from
  // the main input for the first block, then carries it over again.
  constexpr float kKick = 0.5f;
  FeedSidechainScaled(host, 0.8f);
  host.sidechainSource.signal[1].assign(host.mainSource.signal[1].size(), kKick);
  ASSERT_EQ(host.Render(kBlock), noErr);
  ASSERT_TRUE(host.plug->IsSidechainPresent());

  host.sidechainSource.signal[0] = host.mainSource.signal[0];
  ASSERT_EQ(host.Render(kBlock), noErr); // the left side's change clears the flag for this block
  EXPECT_EQ(StateOf(*host.plug, 0), kSidechainNotConnected);
  EXPECT_EQ(StateOf(*host.plug, 1), kSidechainActive);

  for (int b = 0; b < 3; ++b)
  {
    SCOPED_TRACE(b);
    ASSERT_EQ(host.Render(kBlock), noErr);
    host.plug->OnIdle(); // with the editor closed the idle handler settles nothing
    EXPECT_TRUE(host.plug->IsSidechainPresent());
    // Ringmod: the right channel ducks by the kick, the left by its copy.
    const int from = static_cast<int>(host.sampleTime) - kBlock;
    for (int s = 0; s < kBlock; s += 37)
    {
      const double l = host.mainSource.signal[0][from + s];
      const double r = host.mainSource.signal[1][from + s];
      EXPECT_NEAR(host.outR[s], r * (1.0 - kKick), 1e-6) << "frame " << s;
      EXPECT_NEAR(host.outL[s], l * (1.0 - std::fabs(l)), 1e-6) << "frame " << s;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(LogicAndGarageBand, PressweaveLogicDetection,
                         ::testing::Values("com.apple.logic10", "com.apple.garageband10"));

class PressweaveGenericAUDetection : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_EQ(host.Initialize(), noErr);
    ASSERT_EQ(host.plug->GetHost(), weft::kHostUnknown);
    host.FeedMain(1 << 17);
  }

  AUHost host;
};

TEST_F(PressweaveGenericAUDetection, ASilentSidechainStaysNotConnectedAndOneWithSignalEngagesInTheBlockThatBringsIt)
{
  ASSERT_EQ(host.Render(kBlock), noErr);
  EXPECT_TRUE(host.plug->GetSidechainChannel(0).mConnected);
  EXPECT_EQ(StateOf(*host.plug, 0), kSidechainNotConnected);
  EXPECT_FALSE(host.plug->IsSidechainPresent());

  // No idle handler runs (an offline bounce): the block itself settles it.
  FeedSidechainBurst(host, 0.5f, kBlock * 4);
  ASSERT_EQ(host.Render(kBlock), noErr);
  EXPECT_EQ(StateOf(*host.plug, 1), kSidechainActive);
  EXPECT_TRUE(host.plug->IsSidechainPresent());
  ExpectMainTimes(host, 0.5, kBlock);
  EXPECT_TRUE(host.plug->IsEditorRefreshPending());
  host.plug->OnIdle();
  EXPECT_FALSE(host.plug->IsEditorRefreshPending());

  host.ConnectSidechain(false);
  ASSERT_EQ(host.Render(kBlock), noErr);
  EXPECT_FALSE(host.plug->IsSidechainPresent()) << "a disconnection counts from its first block";
}

TEST_F(PressweaveGenericAUDetection, AnActiveSidechainDropsToConnectedAfter44100SilentSamplesCountedAcrossBlocks)
{
  constexpr int kFrames = 441; // 100 blocks make exactly the timeout
  FeedSidechainBurst(host, 0.5f, kFrames);
  ASSERT_EQ(host.Render(kFrames), noErr);
  ASSERT_EQ(StateOf(*host.plug, 0), kSidechainActive);
  host.plug->OnIdle();

  for (int b = 1; b < 100; ++b)
  {
    ASSERT_EQ(host.Render(kFrames), noErr);
    ASSERT_EQ(StateOf(*host.plug, 0), kSidechainActive) << "after " << b * kFrames << " silent samples";
  }
  EXPECT_FALSE(host.plug->IsEditorRefreshPending());
  ASSERT_EQ(host.Render(kFrames), noErr);
  EXPECT_EQ(StateOf(*host.plug, 0), kSidechainConnected);
  EXPECT_EQ(StateOf(*host.plug, 1), kSidechainConnected);
  EXPECT_TRUE(host.plug->IsEditorRefreshPending());
  host.plug->OnIdle(); // connected still counts as present: the modes stay engaged
  EXPECT_TRUE(host.plug->IsSidechainPresent());

  FeedSidechainBurst(host, 0.5f, kBlock); // signal again: active, and the count restarts
  ASSERT_EQ(host.Render(kBlock), noErr);
  EXPECT_EQ(StateOf(*host.plug, 0), kSidechainActive);
  EXPECT_EQ(host.plug->GetSidechainChannel(0).mSilentSamples, 0);
}

// --- The state machine driven directly ---------------------------------------------

class PressweaveSidechainState : public ::testing::Test
{
protected:
  DirectRig rig{2, 2, 2};
};

TEST_F(PressweaveSidechainState, TheSilentSampleCountSaturatesInsteadOfOverflowing)
{
  double* inputs[4] = {rig.in[0].data(), rig.in[1].data(), nullptr, nullptr};
  bool changed = false;
  rig.plug->UpdateSidechainState(inputs, INT_MAX / 2 + 10, changed);
  EXPECT_TRUE(changed); // the connections were new
  rig.plug->UpdateSidechainState(inputs, INT_MAX / 2 + 10, changed);
  rig.plug->UpdateSidechainState(inputs, INT_MAX / 2 + 10, changed);
  EXPECT_EQ(rig.plug->GetSidechainChannel(0).mSilentSamples, INT_MAX);
  EXPECT_FALSE(changed);
}

TEST_F(PressweaveSidechainState, OtherAPIsDecideFromTheConnectionsEveryBlock)
{
  rig.plug->SetAPIForTest(weft::kAPIVST3);
  rig.Process(kBlock); // a silent sidechain counts: only connections matter
  EXPECT_TRUE(rig.plug->IsSidechainPresent());
  rig.plug->OnIdle(); // leaves the flag to the blocks under other APIs
  EXPECT_TRUE(rig.plug->IsSidechainPresent());

  rig.Connect(1, 2, 2); // three channels in all
  rig.Process(kBlock);
  EXPECT_FALSE(rig.plug->IsSidechainPresent());
  rig.Connect(2, 0, 2);
  rig.Process(kBlock);
  EXPECT_FALSE(rig.plug->IsSidechainPresent());
}

TEST_F(PressweaveSidechainState, DeactivatingDisconnectsTheKnownSidesAndActivatingReconnectsThem)
{
  rig.Fill(2, 0.5);
  rig.Fill(3, 0.5);
  rig.Process(kBlock);
  rig.plug->OnIdle();
  rig.plug->OnActivate(false);
  EXPECT_EQ(StateOf(*rig.plug, 1), kSidechainNotConnected);
  EXPECT_FALSE(rig.plug->GetSidechainChannel(0).mConnected);
  EXPECT_TRUE(rig.plug->IsEditorRefreshPending());

  rig.plug->OnActivate(true);
  EXPECT_TRUE(rig.plug->GetSidechainChannel(0).mConnected);
  rig.Process(kBlock);
  EXPECT_EQ(StateOf(*rig.plug, 0), kSidechainActive);
}

} // namespace
