// Pressweave rendered as a host renders it: opened through its factory, fed
// by render callbacks, rendered with AudioUnitRender, idled between blocks.
// (The render road's own checks are the Audio Unit binding's.)

#include "PressweaveTestRig.h"

#include "AllocationCounter.h"

#include <cmath>

using namespace pressweave;
using pw::test::AUHost;

namespace {

constexpr int kBlock = 512;
constexpr int kBlocks = 8;

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
  host.SetParameter(kInputGain, 50.0);
  ASSERT_EQ(host.Render(2048), noErr);
  EXPECT_EQ(host.outL, std::vector<float>(2048, 0.125f));
}

} // namespace
