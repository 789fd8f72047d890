// The render road driven through AudioUnit calls: inputs from render
// callbacks and from an upstream unit, the argument checks, pulling once per
// time stamp, scratch output buffers, bypass, notifications, the host's
// transport callbacks, and a render that allocates nothing.

#include "AUTestHost.h"

#include "AllocationCounter.h"

#include <CoreFoundation/PWShimCFBase.h>
#include <CoreFoundation/PWShimCFBundle.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace pw::test;

namespace {

constexpr UInt32 kFrames = 64;

// A stereo main input and a stereo sidechain from render callbacks, a stereo
// output, a block of 64 frames, initialised.
class Render : public ::testing::TestWithParam<Road>
{
protected:
  void SetUp() override
  {
    ASSERT_EQ(unit.Status(), noErr);
    plug = unit.Object();
    ASSERT_NE(plug, nullptr);
    main.base = {0.25f, -0.5f};
    main.step = 0.125f;
    side.base = {8.0f, 16.0f};
    ASSERT_EQ(SetMaxFrames(unit, kFrames), noErr);
    ASSERT_EQ(SetStreamChannels(unit, kAudioUnitScope_Input, 0, 2), noErr);
    ASSERT_EQ(SetStreamChannels(unit, kAudioUnitScope_Input, 1, 2), noErr);
    ASSERT_EQ(SetStreamChannels(unit, kAudioUnitScope_Output, 0, 2), noErr);
    ASSERT_EQ(SetRenderCallback(unit, 0, main), noErr);
    ASSERT_EQ(SetRenderCallback(unit, 1, side), noErr);
    ASSERT_EQ(AudioUnitSetParameter(unit, 0, kAudioUnitScope_Global, 0, 2.0f, 0), noErr);
    ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  }

  OSStatus RenderBlock(BufferList& out, double sampleTime, UInt32 nFrames = kFrames, UInt32 bus = 0)
  {
    const AudioTimeStamp ts = MakeTimeStamp(sampleTime);
    AudioUnitRenderActionFlags flags = 0;
    return AudioUnitRender(unit, &flags, &ts, bus, nFrames, out.List());
  }

  // Output c of the test plug-in for frame s: main x gain + sidechain x 0.5.
  float Expected(int c, int s, float gain = 2.0f, bool withSide = true) const
  {
    const float mainSample = main.base[static_cast<size_t>(c)] + static_cast<float>(s) * main.step;
    return mainSample * gain + (withSide ? side.base[static_cast<size_t>(c)] * 0.5f : 0.0f);
  }

  OpenUnit unit{GetParam()};
  TestAUPlugin* plug = nullptr;
  ToneSource main;
  ToneSource side;
};

INSTANTIATE_TEST_SUITE_P(BothRoads, Render, ::testing::Values(Road::Factory, Road::Entry),
                         [](const ::testing::TestParamInfo<Road>& info) { return RoadName(info.param); });

TEST_P(Render, OutputCombinesTheMainInputAndTheSidechain)
{
  BufferList out(2, kFrames);
  ASSERT_EQ(RenderBlock(out, 0.0), noErr);
  EXPECT_EQ(main.lastBus, 0u);
  EXPECT_EQ(side.lastBus, 1u);
  for (int c = 0; c < 2; ++c)
    for (int s = 0; s < static_cast<int>(kFrames); ++s)
      ASSERT_EQ(out.Channel(c)[s], Expected(c, s)) << "channel " << c << " frame " << s;
  EXPECT_EQ(plug->processCount, 1);
}

TEST_P(Render, AMonoSidechainFeedsOnlyItsOwnChannel)
{
  ASSERT_EQ(AudioUnitUninitialize(unit), noErr);
  ASSERT_EQ(SetStreamChannels(unit, kAudioUnitScope_Input, 1, 1), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);

  BufferList out(2, kFrames);
  ASSERT_EQ(RenderBlock(out, 0.0), noErr);
  EXPECT_EQ(out.Channel(0)[5], Expected(0, 5));
  EXPECT_EQ(out.Channel(1)[5], Expected(1, 5, 2.0f, false)) << "the sidechain's second channel is silent";
}

TEST_P(Render, ASidechainWithoutNegotiatedFormatCarriesAllItsChannels)
{
  OpenUnit fresh(GetParam());
  ToneSource freshSide;
  freshSide.base = {1.0f, 2.0f};
  ASSERT_EQ(SetRenderCallback(fresh, 1, freshSide), noErr);
  EXPECT_EQ(fresh.Object()->HostChannels(weft::kInput, 1), 2);
  EXPECT_EQ(fresh.Object()->InputType(1), weft::IWeftAU::eRenderCallback);
  EXPECT_EQ(fresh.Object()->InputType(0), weft::IWeftAU::eNotConnected);
}

TEST_P(Render, WithoutASidechainOnlyTheMainInputIsHeard)
{
  const AURenderCallbackStruct none{nullptr, nullptr};
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 1, &none,
                                 sizeof none),
            noErr);
  BufferList out(2, kFrames);
  ASSERT_EQ(RenderBlock(out, 0.0), noErr);
  EXPECT_EQ(side.calls, 0);
  EXPECT_EQ(out.Channel(0)[3], Expected(0, 3, 2.0f, false));
  EXPECT_EQ(out.Channel(1)[3], Expected(1, 3, 2.0f, false));
}

TEST_P(Render, ABlockOfTheMaximumSizeRendersAndOneFrameMoreIsRefused)
{
  BufferList out(2, kFrames + 1);
  EXPECT_EQ(RenderBlock(out, 0.0, kFrames), noErr);
  EXPECT_EQ(RenderBlock(out, 100.0, kFrames + 1), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(main.calls, 1) << "a refused render pulls nothing";
  EXPECT_EQ(plug->processCount, 1);
}

TEST_P(Render, ATimeStampWithoutSampleTimeIsRefusedBeforeAnything)
{
  int notified = 0;
  const AURenderCallback notify = [](void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32,
                                     AudioBufferList*) -> OSStatus {
    ++*static_cast<int*>(refCon);
    return noErr;
  };
  ASSERT_EQ(AudioUnitAddRenderNotify(unit, notify, &notified), noErr);

  BufferList out(2, kFrames);
  const AudioTimeStamp ts = MakeTimeStamp(0.0, false);
  EXPECT_EQ(AudioUnitRender(unit, nullptr, &ts, 0, kFrames, out.List()), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(main.calls, 0);
  EXPECT_EQ(notified, 0);
  EXPECT_EQ(plug->processCount, 0);
}

TEST_P(Render, AnOutputBusTheUnitDoesNotHaveIsAnInvalidElement)
{
  BufferList out(2, kFrames);
  EXPECT_EQ(RenderBlock(out, 0.0, kFrames, 1), kAudioUnitErr_InvalidElement);
  EXPECT_EQ(main.calls, 0);
}

TEST_P(Render, AnOutputBufferShorterThanTheBlockIsRefused)
{
  BufferList out(2, kFrames);
  out.List()->mBuffers[1].mDataByteSize = (kFrames - 1) * sizeof(float);
  EXPECT_EQ(RenderBlock(out, 0.0), kAudio_ParamError);
  EXPECT_EQ(plug->processCount, 0);
}

TEST_P(Render, TwoRendersAtTheSameSampleTimePullTheInputsOnce)
{
  BufferList out(2, kFrames);
  ASSERT_EQ(RenderBlock(out, 512.0), noErr);
  ASSERT_EQ(RenderBlock(out, 512.0), noErr);
  EXPECT_EQ(main.calls, 1);
  EXPECT_EQ(side.calls, 1);
  ASSERT_EQ(RenderBlock(out, 576.0), noErr);
  EXPECT_EQ(main.calls, 2);
  EXPECT_EQ(side.calls, 2);
}

TEST_P(Render, NullOutputPointersAreFilledFromScratchWithTheProcessedAudio)
{
  BufferList out(2, kFrames, false);
  ASSERT_EQ(RenderBlock(out, 0.0), noErr);
  for (int c = 0; c < 2; ++c)
  {
    ASSERT_NE(out.Channel(c), nullptr);
    EXPECT_EQ(out.List()->mBuffers[c].mDataByteSize, kFrames * sizeof(float));
    for (int s = 0; s < static_cast<int>(kFrames); ++s)
      ASSERT_EQ(out.Channel(c)[s], Expected(c, s));
  }
  EXPECT_NE(out.Channel(0), out.Channel(1));
}

TEST_P(Render, AHostGivingFewerOutputBuffersGetsThoseChannelsOnly)
{
  BufferList out(1, kFrames);
  ASSERT_EQ(RenderBlock(out, 0.0), noErr);
  EXPECT_EQ(out.Channel(0)[7], Expected(0, 7));

  // Back to two buffers: the second channel is connected again.
  BufferList two(2, kFrames);
  ASSERT_EQ(RenderBlock(two, 64.0), noErr);
  EXPECT_EQ(two.Channel(1)[7], Expected(1, 7));
}

TEST_P(Render, BypassPassesTheMainInputThroughBitForBit)
{
  main.base = {0.1f, -0.3f};
  main.step = 0.0137f;
  const UInt32 on = 1;
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, &on, sizeof on),
            noErr);
  BufferList out(2, kFrames);
  ASSERT_EQ(RenderBlock(out, 0.0), noErr);
  EXPECT_EQ(plug->processCount, 0);
  for (int c = 0; c < 2; ++c)
  {
    std::vector<float> expected(kFrames);
    for (UInt32 s = 0; s < kFrames; ++s)
      expected[s] = main.base[static_cast<size_t>(c)] + static_cast<float>(s) * main.step;
    EXPECT_EQ(std::memcmp(out.Channel(c), expected.data(), kFrames * sizeof(float)), 0) << "channel " << c;
  }
}

TEST_P(Render, AFailedPullIsAnsweredAndNothingIsProcessed)
{
  side.answer = -1234;
  BufferList out(2, kFrames);
  EXPECT_EQ(RenderBlock(out, 0.0), -1234);
  EXPECT_EQ(plug->processCount, 0);
  EXPECT_EQ(out.Channel(0)[0], -99.0f) << "the host's buffers are left as given";
}

struct NotifyLog
{
  std::vector<std::pair<int, AudioUnitRenderActionFlags>> calls;
  int id = 0;

  static OSStatus Record(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp*, UInt32, UInt32,
                         AudioBufferList*)
  {
    auto* self = static_cast<std::pair<NotifyLog*, int>*>(refCon);
    self->first->calls.push_back({self->second, *flags});
    return -1; // ignored
  }
};

TEST_P(Render, RenderNotificationsRunBeforeAndAfterInRegistrationOrder)
{
  NotifyLog log;
  std::pair<NotifyLog*, int> first{&log, 1}, second{&log, 2};
  ASSERT_EQ(AudioUnitAddRenderNotify(unit, NotifyLog::Record, &first), noErr);
  ASSERT_EQ(AudioUnitAddRenderNotify(unit, NotifyLog::Record, &second), noErr);

  BufferList out(2, kFrames);
  ASSERT_EQ(RenderBlock(out, 0.0), noErr);
  const std::vector<std::pair<int, AudioUnitRenderActionFlags>> expected{
    {1, kAudioUnitRenderAction_PreRender},
    {2, kAudioUnitRenderAction_PreRender},
    {1, kAudioUnitRenderAction_PostRender},
    {2, kAudioUnitRenderAction_PostRender}};
  EXPECT_EQ(log.calls, expected);

  // Removal matches the procedure only: the first registration goes.
  ASSERT_EQ(AudioUnitRemoveRenderNotify(unit, NotifyLog::Record, nullptr), noErr);
  log.calls.clear();
  ASSERT_EQ(RenderBlock(out, 64.0), noErr);
  const std::vector<std::pair<int, AudioUnitRenderActionFlags>> after{{2, kAudioUnitRenderAction_PreRender},
                                                                      {2, kAudioUnitRenderAction_PostRender}};
  EXPECT_EQ(log.calls, after);
}

TEST_P(Render, AnUpstreamUnitIsPulledThroughItsOwnRender)
{
  OpenUnit upstream(GetParam());
  ToneSource upstreamSource;
  upstreamSource.base = {1.5f, -2.0f};
  ASSERT_EQ(SetMaxFrames(upstream, kFrames), noErr);
  ASSERT_EQ(SetRenderCallback(upstream, 0, upstreamSource), noErr);
  ASSERT_EQ(AudioUnitInitialize(upstream), noErr);

  const AudioUnitConnection connection{upstream.Get(), 0, 0};
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0, &connection,
                                 sizeof connection),
            noErr);
  EXPECT_EQ(plug->InputType(0), weft::IWeftAU::eDirectNoFastProc);

  BufferList out(2, kFrames);
  ASSERT_EQ(RenderBlock(out, 0.0), noErr);
  EXPECT_EQ(main.calls, 0) << "the connection replaced the callback";
  EXPECT_EQ(upstreamSource.calls, 1);
  // Upstream: gain 1, no sidechain. Here: x 2 plus the sidechain.
  EXPECT_EQ(out.Channel(0)[9], 1.5f * 2.0f + 8.0f * 0.5f);
  EXPECT_EQ(out.Channel(1)[9], -2.0f * 2.0f + 16.0f * 0.5f);

  // A null source closes the connection: the bus is no longer pulled.
  const AudioUnitConnection closed{nullptr, 0, 0};
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0, &closed,
                                 sizeof closed),
            noErr);
  ASSERT_EQ(RenderBlock(out, 64.0), noErr);
  EXPECT_EQ(upstreamSource.calls, 1);
  EXPECT_EQ(out.Channel(0)[9], 8.0f * 0.5f);
}

TEST_P(Render, TheRenderRoadAllocatesNothing)
{
  NotifyLog log;
  log.calls.reserve(16);
  std::pair<NotifyLog*, int> tag{&log, 1};
  ASSERT_EQ(AudioUnitAddRenderNotify(unit, NotifyLog::Record, &tag), noErr);
  BufferList out(2, kFrames);
  BufferList scratchOut(2, kFrames, false);
  ASSERT_EQ(RenderBlock(out, 0.0), noErr);

  AllocationCounter allocs;
  const AudioTimeStamp ts = MakeTimeStamp(64.0);
  AudioUnitRenderActionFlags flags = 0;
  const OSStatus first = AudioUnitRender(unit, &flags, &ts, 0, kFrames, out.List());
  const OSStatus second = AudioUnitRender(unit, &flags, &ts, 0, kFrames, scratchOut.List());
  const size_t count = allocs.Count();
  EXPECT_EQ(first, noErr);
  EXPECT_EQ(second, noErr);
  EXPECT_EQ(count, 0u);
}

// --- Transport from the host's callbacks --------------------------------------

struct HostTransport
{
  OSStatus answer = noErr;
  Float64 beat = 0.0, tempo = 0.0;
  Float32 numerator = 0.0f;
  UInt32 denominator = 0;
  Boolean playing = false;

  static OSStatus BeatAndTempo(void* ud, Float64* outBeat, Float64* outTempo)
  {
    auto* self = static_cast<HostTransport*>(ud);
    *outBeat = self->beat;
    *outTempo = self->tempo;
    return self->answer;
  }
  static OSStatus MusicalTime(void* ud, UInt32*, Float32* outNumerator, UInt32* outDenominator, Float64*)
  {
    auto* self = static_cast<HostTransport*>(ud);
    *outNumerator = self->numerator;
    *outDenominator = self->denominator;
    return self->answer;
  }
  static OSStatus Transport(void* ud, Boolean* outPlaying, Boolean*, Float64*, Boolean*, Float64*, Float64*)
  {
    auto* self = static_cast<HostTransport*>(ud);
    *outPlaying = self->playing;
    return self->answer;
  }
};

class RenderTransport : public Render
{
protected:
  void Install()
  {
    const HostCallbackInfo info{&host, HostTransport::BeatAndTempo, HostTransport::MusicalTime,
                                HostTransport::Transport, nullptr};
    ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 0, &info,
                                   sizeof info),
              noErr);
  }

  HostTransport host;
};

INSTANTIATE_TEST_SUITE_P(BothRoads, RenderTransport, ::testing::Values(Road::Factory, Road::Entry),
                         [](const ::testing::TestParamInfo<Road>& info) { return RoadName(info.param); });

TEST_P(RenderTransport, WithoutHostCallbacksTheTimeInfoIsTheDefault)
{
  BufferList out(2, kFrames);
  ASSERT_EQ(RenderBlock(out, 0.0), noErr);
  EXPECT_EQ(plug->lastTimeInfo.mTempo, 120.0);
  EXPECT_EQ(plug->lastTimeInfo.mPPQPos, -1.0);
  EXPECT_EQ(plug->lastTimeInfo.mNumerator, 4);
  EXPECT_EQ(plug->lastTimeInfo.mDenominator, 4);
  EXPECT_FALSE(plug->lastTimeInfo.mTransportIsRunning);
}

TEST_P(RenderTransport, TheHostsValuesAreTaken)
{
  host.beat = 12.5;
  host.tempo = 97.0;
  host.numerator = 7.9f;
  host.denominator = 8;
  host.playing = true;
  Install();
  BufferList out(2, kFrames);
  ASSERT_EQ(RenderBlock(out, 0.0), noErr);
  EXPECT_EQ(plug->lastTimeInfo.mTempo, 97.0);
  EXPECT_EQ(plug->lastTimeInfo.mPPQPos, 12.5);
  EXPECT_EQ(plug->lastTimeInfo.mNumerator, 7);
  EXPECT_EQ(plug->lastTimeInfo.mDenominator, 8);
  EXPECT_TRUE(plug->lastTimeInfo.mTransportIsRunning);
}

TEST_P(RenderTransport, ATempoOrTimeSignatureOfZeroKeepsTheDefaultButTheBeatIsTaken)
{
  host.beat = 3.0;
  Install();
  BufferList out(2, kFrames);
  ASSERT_EQ(RenderBlock(out, 0.0), noErr);
  EXPECT_EQ(plug->lastTimeInfo.mTempo, 120.0);
  EXPECT_EQ(plug->lastTimeInfo.mPPQPos, 3.0);
  EXPECT_EQ(plug->lastTimeInfo.mNumerator, 4);
  EXPECT_EQ(plug->lastTimeInfo.mDenominator, 4);
}

TEST_P(RenderTransport, ACallbackThatFailsIsNotBelieved)
{
  host.beat = 9.0;
  host.tempo = 140.0;
  host.numerator = 3.0f;
  host.denominator = 4;
  host.playing = true;
  host.answer = -1;
  Install();
  BufferList out(2, kFrames);
  ASSERT_EQ(RenderBlock(out, 0.0), noErr);
  EXPECT_EQ(plug->lastTimeInfo.mTempo, 120.0);
  EXPECT_EQ(plug->lastTimeInfo.mPPQPos, -1.0);
  EXPECT_EQ(plug->lastTimeInfo.mNumerator, 4);
  EXPECT_FALSE(plug->lastTimeInfo.mTransportIsRunning);
}

// --- Block size ---------------------------------------------------------------

TEST(RenderBlockSize, MaximumFramesPerSliceSetsTheLimitAndRefusesNonsense)
{
  OpenUnit unit(Road::Entry);
  TestAUPlugin* plug = unit.Object();
  ASSERT_NE(plug, nullptr);
  EXPECT_FALSE(plug->SetMaxFramesPerSlice(0));
  EXPECT_FALSE(plug->SetMaxFramesPerSlice(weft::IWeftAU::kMaxFramesPerSlice + 1));
  EXPECT_EQ(plug->GetBlockSize(), 512);

  ASSERT_EQ(SetMaxFrames(unit, 1024), noErr);
  ToneSource main;
  main.base = {1.0f, 1.0f};
  ASSERT_EQ(SetRenderCallback(unit, 0, main), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  BufferList out(2, 1024);
  const AudioTimeStamp ts = MakeTimeStamp(0.0);
  EXPECT_EQ(AudioUnitRender(unit, nullptr, &ts, 0, 1024, out.List()), noErr);
  EXPECT_EQ(out.Channel(1)[1023], 1.0f);
}

// --- A whole session ----------------------------------------------------------

TEST(RenderSession, EveryCoreFoundationObjectOfASessionIsReleased)
{
  const CFIndex before = PWShimCFLiveObjectCount();
  ASSERT_TRUE(PWShimCFBundleSetMainBundle(nullptr, "com.acme.host", "1.0"));
  ASSERT_TRUE(PWShimCFBundleRegister(kTestAUBundleID, "/tmp/TestAU.component", nullptr));
  {
    OpenUnit unit(Road::Factory);
    OpenUnit upstream(Road::Entry);
    ToneSource source;
    source.base = {0.5f, 0.5f};
    ASSERT_EQ(SetRenderCallback(upstream, 0, source), noErr);
    ASSERT_EQ(AudioUnitInitialize(upstream), noErr);
    const AudioUnitConnection connection{upstream.Get(), 0, 0};
    ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0, &connection,
                                   sizeof connection),
              noErr);
    ASSERT_EQ(AudioUnitInitialize(unit), noErr);

    AudioUnitCocoaViewInfo viewInfo{};
    UInt32 size = sizeof viewInfo;
    ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, &viewInfo, &size),
              noErr);
    CFRelease(viewInfo.mCocoaAUViewBundleLocation);
    CFRelease(viewInfo.mCocoaAUViewClass[0]);

    BufferList out(2, 256);
    const AudioTimeStamp ts = MakeTimeStamp(0.0);
    ASSERT_EQ(AudioUnitRender(unit, nullptr, &ts, 0, 256, out.List()), noErr);
    EXPECT_EQ(out.Channel(0)[0], 0.5f);
    ASSERT_EQ(AudioUnitUninitialize(unit), noErr);
  }
  PWShimCFBundleUnregister(kTestAUBundleID);
  PWShimCFBundleClearMainBundle();
  EXPECT_EQ(PWShimCFLiveObjectCount(), before);
}

} // namespace
