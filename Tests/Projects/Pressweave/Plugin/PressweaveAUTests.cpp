// Pressweave as a host sees it: opened through its factory, fed by render
// callbacks, rendered with AudioUnitRender, saved and restored through the
// class-info property.

#include "PressweaveTestRig.h"

#include "AllocationCounter.h"

#include <CoreFoundation/CoreFoundation.h>

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
  const int frames = kBlock * kBlocks;
  for (int c = 0; c < 2; ++c)
  {
    host.mainSource.signal[c].resize(frames);
    host.sidechainSource.signal[c].resize(frames);
    for (int s = 0; s < frames; ++s)
    {
      host.mainSource.signal[c][s] = static_cast<float>(pw::test::TestSignal(c, s));
      const bool pulse = (s / 2400) % 2 == 0;
      host.sidechainSource.signal[c][s] = pulse ? static_cast<float>(0.8 * std::sin(0.05 * s + c)) : 0.0f;
    }
  }
}

void SetParameter(AUHost& host, int idx, double value)
{
  ASSERT_EQ(AudioUnitSetParameter(host.unit, static_cast<AudioUnitParameterID>(idx), kAudioUnitScope_Global, 0,
                                  static_cast<AudioUnitParameterValue>(value), 0),
            noErr);
}

// Renders the program through a fresh unit in mode, idling between blocks
// as the host's timer would; returns both output channels end to end.
std::vector<float> RenderProgram(int mode, bool amountOn)
{
  AUHost host("com.example.testhost", 2, 2);
  EXPECT_EQ(host.Initialize(), noErr);
  SetParameter(host, kSidechainMode, mode);
  SetParameter(host, kPressweaveOn, amountOn ? 1 : 0);
  SetParameter(host, kPressweaveAmount, 70.0);
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

} // namespace

class PressweaveRender : public ::testing::TestWithParam<int>
{
};

TEST_P(PressweaveRender, TheSameInputRendersTheSameOutputBitForBit)
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
}

TEST_P(PressweaveRender, TheModeShapesTheOutput)
{
  const std::vector<float> rendered = RenderProgram(GetParam(), false);
  const std::vector<float> other = RenderProgram((GetParam() + 1) % 3, false);
  EXPECT_NE(std::memcmp(rendered.data(), other.data(), rendered.size() * sizeof(float)), 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, PressweaveRender,
                         ::testing::Values(kSidechainRingmod, kSidechainCompressor, kSidechainCombined));

class PressweaveAUHost : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_EQ(host.Initialize(), noErr);
    FeedProgram(host);
  }

  AUHost host{"com.example.testhost", 2, 2};
};

TEST_F(PressweaveAUHost, OpeningThroughTheFactoryLeavesNoPresetSlot)
{
  EXPECT_EQ(host.plug->NPresets(), 0);
  EXPECT_EQ(host.plug->NParams(), 14);
}

TEST_F(PressweaveAUHost, ARenderLongerThanTheBlockSizeIsRefusedAndProcessesNothing)
{
  EXPECT_EQ(host.Render(kBlock + 1), kAudioUnitErr_InvalidPropertyValue);
  for (float x : host.outL)
    ASSERT_EQ(x, -7.0f);
}

TEST_F(PressweaveAUHost, RenderingAllocatesNothing)
{
  SetParameter(host, kSidechainMode, kSidechainCombined);
  SetParameter(host, kPressweaveOn, 1);
  ASSERT_EQ(host.Render(kBlock), noErr);
  host.plug->OnIdle();
  // The output vectors are sized before counting.
  host.outL.resize(kBlock);
  host.outR.resize(kBlock);
  pw::test::AllocationCounter allocs;
  for (int b = 0; b < 4; ++b)
  {
    AudioUnitRenderActionFlags flags = 0;
    AudioTimeStamp ts{};
    ts.mSampleTime = host.sampleTime;
    ts.mFlags = kAudioTimeStampSampleTimeValid;
    struct
    {
      UInt32 count;
      AudioBuffer buffers[2];
    } list{2, {{1, kBlock * 4, host.outL.data()}, {1, kBlock * 4, host.outR.data()}}};
    ASSERT_EQ(AudioUnitRender(host.unit, &flags, &ts, 0, kBlock, reinterpret_cast<AudioBufferList*>(&list)), noErr);
    host.sampleTime += kBlock;
  }
  EXPECT_EQ(allocs.Count(), 0u);
}

TEST(PressweaveAUBlockSize, ALargerMaximumFramesPerSliceIsPreparedBeforeTheFirstRender)
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
  SetParameter(host, kInputGain, 50.0);
  ASSERT_EQ(host.Render(2048), noErr);
  for (int s = 0; s < 2048; ++s)
  {
    ASSERT_FLOAT_EQ(host.outL[s], 0.125f);
    ASSERT_FLOAT_EQ(host.outR[s], -0.25f);
  }
}

TEST_F(PressweaveAUHost, TheClassInfoCarriesTheStateAndRestoresItInAnotherUnit)
{
  SetParameter(host, kRatio, 7.5);
  SetParameter(host, kSidechainMode, kSidechainCompressor);
  SetParameter(host, kScopeSync, 5);

  CFTypeRef classInfo = nullptr;
  UInt32 size = sizeof(classInfo);
  ASSERT_EQ(AudioUnitGetProperty(host.unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &classInfo,
                                 &size),
            noErr);
  ASSERT_NE(classInfo, nullptr);
  const auto data = static_cast<CFDataRef>(
    CFDictionaryGetValue(static_cast<CFDictionaryRef>(classInfo), CFSTR("data")));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(CFDataGetLength(data), 124);

  AUHost other("com.example.testhost", 2, 2);
  ASSERT_EQ(AudioUnitSetProperty(other.unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &classInfo,
                                 sizeof(classInfo)),
            noErr);
  CFRelease(classInfo);
  EXPECT_DOUBLE_EQ(other.plug->GetParam(kRatio)->Value(), 7.5);
  EXPECT_EQ(other.plug->GetParam(kSidechainMode)->Int(), kSidechainCompressor);
  EXPECT_EQ(other.plug->GetParam(kScopeSync)->Int(), 5);
}
