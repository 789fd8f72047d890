// Pressweave rendered as a host renders it: opened through its factory, fed
// by render callbacks, rendered with AudioUnitRender, idled between blocks.

#include "PressweaveTestRig.h"

#include "AllocationCounter.h"

#include <cmath>
#include <cstring>

using namespace pressweave;
using pw::test::AUHost;

namespace {

constexpr int kBlock = 512;
constexpr int kBlocks = 16;

// A stereo main input of test signal and a stereo sidechain of pulses, as a
// sidechain file would carry them.
void FeedProgram(AUHost& host)
{
  host.FeedMain(kBlock * kBlocks);
  for (int c = 0; c < 2; ++c)
  {
    host.sidechainSource.signal[c].resize(kBlock * kBlocks);
    for (int s = 0; s < kBlock * kBlocks; ++s)
      host.sidechainSource.signal[c][s] = (s / 2400) % 2 == 0 ? static_cast<float>(0.8 * std::sin(0.05 * s + c)) : 0.0f;
  }
}

// Renders the program through a fresh unit in mode, idling between blocks
// as the host's timer would; returns both output channels end to end.
std::vector<float> RenderProgram(int mode, bool amountOn)
{
  AUHost host;
  EXPECT_EQ(host.Initialize(), noErr);
  host.SetParameter(kSidechainMode, mode);
  host.SetParameter(kPressweaveOn, amountOn ? 1 : 0);
  host.SetParameter(kPressweaveAmount, 70.0);
  FeedProgram(host);
  std::vector<float> rendered;
  for (int b = 0; b < kBlocks; ++b)
  {
    EXPECT_EQ(host.Render(kBlock), noErr);
    host.plug->OnIdle();
    rendered.insert(rendered.end(), host.outL.begin(), host.outL.end());
    rendered.insert(rendered.end(), host.outR.begin(), host.outR.end());
  }
  return rendered;
}

class PressweaveRender : public ::testing::TestWithParam<int>
{
};

TEST_P(PressweaveRender, TheSameInputRendersTheSameFiniteOutputBitForBitAndTheModeShapesIt)
{
  for (bool amountOn : {false, true})
  {
    const std::vector<float> first = RenderProgram(GetParam(), amountOn);
    const std::vector<float> second = RenderProgram(GetParam(), amountOn);
    ASSERT_EQ(first.size(), second.size());
    EXPECT_EQ(std::memcmp(first.data(), second.data(), first.size() * sizeof(float)), 0);
    for (float x : first)
      ASSERT_TRUE(std::isfinite(x));
  }
  const std::vector<float> rendered = RenderProgram(GetParam(), false);
  const std::vector<float> other = RenderProgram((GetParam() + 1) % 3, false);
  EXPECT_NE(std::memcmp(rendered.data(), other.data(), rendered.size() * sizeof(float)), 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, PressweaveRender,
                         ::testing::Values(kSidechainRingmod, kSidechainCompressor, kSidechainCombined));

TEST(PressweaveAUHost, ARenderLongerThanTheBlockSizeIsRefusedAndProcessesNothing)
{
  AUHost host;
  ASSERT_EQ(host.Initialize(), noErr);
  FeedProgram(host);
  EXPECT_EQ(host.Render(kBlock + 1), kAudioUnitErr_InvalidPropertyValue);
  for (float x : host.outL)
    ASSERT_EQ(x, -7.0f);
}

TEST(PressweaveAUHost, RenderingAllocatesNothing)
{
  AUHost host;
  ASSERT_EQ(host.Initialize(), noErr);
  FeedProgram(host);
  host.SetParameter(kSidechainMode, kSidechainCombined);
  host.SetParameter(kPressweaveOn, 1);
  ASSERT_EQ(host.Render(kBlock), noErr); // sizes the output vectors
  host.plug->OnIdle();
  pw::test::AllocationCounter allocs;
  for (int b = 0; b < 4; ++b)
    ASSERT_EQ(host.Render(kBlock), noErr);
  EXPECT_EQ(allocs.Count(), 0u);
}

TEST(PressweaveAUHost, ALargerMaximumFramesPerSliceIsPreparedBeforeTheFirstRender)
{
  AUHost host("com.example.testhost", 2, 0);
  const UInt32 frames = 2048;
  ASSERT_EQ(AudioUnitSetProperty(host.unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
                                 &frames, sizeof(frames)),
            noErr);
  ASSERT_EQ(host.Initialize(), noErr);
  EXPECT_EQ(host.plug->GetPreparedFrames(), 2048);
  EXPECT_EQ(host.plug->GetBufferManager().GetBufferSize(), 2048);

  host.mainSource.signal[0].assign(2048, 0.25f);
  host.mainSource.signal[1].assign(2048, -0.5f);
  host.SetParameter(kInputGain, 50.0);
  ASSERT_EQ(host.Render(2048), noErr);
  for (int s = 0; s < 2048; ++s)
  {
    ASSERT_FLOAT_EQ(host.outL[s], 0.125f);
    ASSERT_FLOAT_EQ(host.outR[s], -0.25f);
  }
}

} // namespace
