// The render road driven through AudioUnit calls: inputs from render
// callbacks and from an upstream unit, the argument checks, pulling once per
// time stamp, scratch output buffers, bypass, notifications, the host's
// transport callbacks, and a render that allocates nothing.

#include "AUTestHost.h"

#include "AllocationCounter.h"

#include <CoreFoundation/PWShimCFBundle.h>

#include <cstring>
#include <vector>

using namespace pw::test;

namespace {

constexpr UInt32 kFrames = 64;

// A stereo main input and a stereo sidechain from render callbacks, a stereo
// output, a block of 64 frames, gain 2, initialised.
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

  OSStatus RenderBlock(BufferList& out, double sampleTime, UInt32 nFrames = kFrames)
  {
    return RenderAt(unit, out, sampleTime, nFrames);
  }

  // Output c of the test plug-in for frame s: main x gain + sidechain x 0.5.
  float Expected(int c, int s, bool withSide = true) const
  {
    const float mainSample = main.base[static_cast<size_t>(c)] + static_cast<float>(s) * main.step;
    return mainSample * 2.0f + (withSide ? side.base[static_cast<size_t>(c)] * 0.5f : 0.0f);
  }

  void ExpectOutput(BufferList& out, bool sideLeft = true, bool sideRight = true)
  {
    for (int c = 0; c < 2; ++c)
      for (int s = 0; s < static_cast<int>(kFrames); ++s)
        ASSERT_EQ(out.Channel(c)[s], Expected(c, s, c == 0 ? sideLeft : sideRight)) << "channel " << c << " at " << s;
  }

  OpenUnit unit{GetParam()};
  TestAUPlugin* plug = nullptr;
  ToneSource main;
  ToneSource side;
};

PW_INSTANTIATE_BOTH_ROADS(Render);


TEST_P(Render, OutputCombinesTheMainInputWithTheConnectedSidechainChannels)
{
  BufferList out(2, kFrames);
  ASSERT_EQ(RenderBlock(out, 0.0), noErr);
  EXPECT_EQ(main.lastBus, 0u);
  EXPECT_EQ(side.lastBus, 1u);
  ExpectOutput(out);
  EXPECT_EQ(plug->processCount, 1);

  // A mono sidechain feeds only its own channel.
  ASSERT_EQ(AudioUnitUninitialize(unit), noErr);
  ASSERT_EQ(SetStreamChannels(unit, kAudioUnitScope_Input, 1, 1), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  ASSERT_EQ(RenderBlock(out, 64.0), noErr);
  ExpectOutput(out, true, false);

  // Without a sidechain only the main input is heard.
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 1, AURenderCallbackStruct{}),
            noErr);
  const int sideCalls = side.calls;
  ASSERT_EQ(RenderBlock(out, 128.0), noErr);
  EXPECT_EQ(side.calls, sideCalls);
  ExpectOutput(out, false, false);
}

TEST_P(Render, BadRenderArgumentsAreRefusedBeforeAnythingIsPulledNotifiedOrProcessed)
{
  int notified = 0;
  const AURenderCallback notify = [](void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32,
                                     AudioBufferList*) -> OSStatus {
    ++*static_cast<int*>(refCon);
    return noErr;
  };
  ASSERT_EQ(AudioUnitAddRenderNotify(unit, notify, &notified), noErr);

  // {what, frames, output bus, sample time valid, bytes of the second buffer in frames, status}
  const std::tuple<const char*, UInt32, UInt32, bool, UInt32, OSStatus> cases[] = {
    {"one frame more than the maximum", kFrames + 1, 0, true, kFrames + 1, kAudioUnitErr_InvalidPropertyValue},
    {"a time stamp without sample time", kFrames, 0, false, kFrames, kAudioUnitErr_InvalidPropertyValue},
    {"an output bus the unit lacks", kFrames, 1, true, kFrames, kAudioUnitErr_InvalidElement},
    {"an output buffer shorter than the block", kFrames, 0, true, kFrames - 1, kAudio_ParamError},
  };
  for (const auto& [what, nFrames, bus, sampleTimeValid, secondBufferFrames, status] : cases)
  {
    BufferList out(2, kFrames + 1);
    out.List()->mBuffers[1].mDataByteSize = secondBufferFrames * sizeof(float);
    const AudioTimeStamp ts = MakeTimeStamp(0.0, sampleTimeValid);
    EXPECT_EQ(AudioUnitRender(unit, nullptr, &ts, bus, nFrames, out.List()), status) << what;
  }
  BufferList out(2, kFrames);
  ASSERT_EQ(AudioUnitUninitialize(unit), noErr);
  EXPECT_EQ(RenderBlock(out, 0.0, kFrames), kAudioUnitErr_Uninitialized);
  EXPECT_EQ(main.calls, 0);
  EXPECT_EQ(notified, 0);
  EXPECT_EQ(plug->processCount, 0);

  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  EXPECT_EQ(RenderBlock(out, 0.0, kFrames), noErr) << "a block of the maximum size";
}

TEST_P(Render, ARaisedMaximumFramesPerSliceRendersWholeBlocksOfTheNewSize)
{
  ASSERT_EQ(AudioUnitUninitialize(unit), noErr);
  ASSERT_EQ(SetMaxFrames(unit, 1024), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  BufferList out(2, 1024);
  ASSERT_EQ(RenderBlock(out, 0.0, 1024), noErr);
  EXPECT_EQ(out.Channel(1)[1023], (-0.5f + 1023 * 0.125f) * 2.0f + 8.0f);
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

  // A reset starts over: the same time again is a new slice to pull.
  ASSERT_EQ(AudioUnitReset(unit, kAudioUnitScope_Global, 0), noErr);
  ASSERT_EQ(RenderBlock(out, 576.0), noErr);
  EXPECT_EQ(main.calls, 3);
  EXPECT_EQ(side.calls, 3);
}

TEST_P(Render, AReinitialisedUnitPullsFreshInputAtThePreviousSessionsLastSampleTime)
{
  BufferList out(2, kFrames);
  ASSERT_EQ(RenderBlock(out, 512.0), noErr);
  ASSERT_EQ(AudioUnitUninitialize(unit), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  main.base = {1.0f, 2.0f};
  ASSERT_EQ(RenderBlock(out, 512.0), noErr);
  EXPECT_EQ(main.calls, 2);
  EXPECT_EQ(side.calls, 2);
  ExpectOutput(out);
}

// A render-callback source that fills its buffers like a ToneSource, then
// takes back the second one in the given way.
struct FaultySource
{
  enum Fault { kNone, kNullBuffer, kMissingBuffer, kShortBuffer };
  ToneSource tone;
  Fault fault = kNone;

  static OSStatus Render(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp* ts, UInt32 bus,
                         UInt32 nFrames, AudioBufferList* ioData)
  {
    auto* self = static_cast<FaultySource*>(refCon);
    const OSStatus status = ToneSource::Render(&self->tone, flags, ts, bus, nFrames, ioData);
    if (ioData->mNumberBuffers < 2)
      return status;
    if (self->fault == kNullBuffer)
      ioData->mBuffers[1].mData = nullptr;
    else if (self->fault == kMissingBuffer)
      ioData->mNumberBuffers = 1;
    else if (self->fault == kShortBuffer)
      ioData->mBuffers[1].mDataByteSize = (nFrames - 1) * sizeof(float);
    return status;
  }
};

TEST_P(Render, AnInputBufferTheUpstreamSideLeavesNullMissingOrShortIsSilenceNotTheLastBlock)
{
  for (auto fault : {FaultySource::kNullBuffer, FaultySource::kMissingBuffer, FaultySource::kShortBuffer})
  {
    SCOPED_TRACE(fault);
    FaultySource faulty;
    faulty.tone.base = side.base;
    const AURenderCallbackStruct callback{FaultySource::Render, &faulty};
    ASSERT_EQ(SetProp(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 1, callback), noErr);
    BufferList out(2, kFrames);
    ASSERT_EQ(RenderBlock(out, 0.0), noErr);
    ExpectOutput(out);
    faulty.fault = fault;
    ASSERT_EQ(RenderBlock(out, 64.0), noErr);
    ExpectOutput(out, true, false);
  }
}

TEST_P(Render, NullOutputPointersAreFilledFromScratchWithTheProcessedAudio)
{
  BufferList out(2, kFrames, false);
  ASSERT_EQ(RenderBlock(out, 0.0), noErr);
  ASSERT_NE(out.Channel(0), nullptr);
  ASSERT_NE(out.Channel(1), nullptr);
  EXPECT_NE(out.Channel(0), out.Channel(1));
  EXPECT_EQ(out.List()->mBuffers[0].mDataByteSize, kFrames * sizeof(float));
  EXPECT_EQ(out.List()->mBuffers[1].mDataByteSize, kFrames * sizeof(float));
  ExpectOutput(out);
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
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, UInt32(1)), noErr);
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

TEST_P(Render, AMonoMainInputFeedsBothOutputChannelsProcessedAndBypassed)
{
  ASSERT_EQ(AudioUnitUninitialize(unit), noErr);
  ASSERT_EQ(SetStreamChannels(unit, kAudioUnitScope_Input, 0, 1), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  BufferList out(2, kFrames);
  ASSERT_EQ(RenderBlock(out, 0.0), noErr);
  EXPECT_EQ(out.Channel(1)[5], Expected(0, 5) - side.base[0] * 0.5f + side.base[1] * 0.5f);

  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, UInt32(1)), noErr);
  ASSERT_EQ(RenderBlock(out, 64.0), noErr);
  EXPECT_EQ(std::memcmp(out.Channel(0), out.Channel(1), kFrames * sizeof(float)), 0);
  EXPECT_EQ(out.Channel(1)[5], main.base[0] + 5 * main.step);
}

// Each registration's tag and the flags it saw, in call order.
using NotifyLog = std::vector<std::pair<int, AudioUnitRenderActionFlags>>;
using NotifyTag = std::pair<NotifyLog*, int>;

OSStatus RecordNotify(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp*, UInt32, UInt32,
                      AudioBufferList*)
{
  auto* tag = static_cast<NotifyTag*>(refCon);
  tag->first->push_back({tag->second, *flags});
  return -1; // ignored
}

TEST_P(Render, RenderNotificationsRunBeforeAndAfterInRegistrationOrder)
{
  NotifyLog log;
  NotifyTag first{&log, 1}, second{&log, 2};
  ASSERT_EQ(AudioUnitAddRenderNotify(unit, RecordNotify, &first), noErr);
  ASSERT_EQ(AudioUnitAddRenderNotify(unit, RecordNotify, &second), noErr);

  BufferList out(2, kFrames);
  ASSERT_EQ(RenderBlock(out, 0.0), noErr);
  constexpr auto kPre = kAudioUnitRenderAction_PreRender;
  constexpr auto kPost = kAudioUnitRenderAction_PostRender;
  EXPECT_EQ(log, (NotifyLog{{1, kPre}, {2, kPre}, {1, kPost}, {2, kPost}}));

  // Removal matches the procedure only: the first registration goes.
  ASSERT_EQ(AudioUnitRemoveRenderNotify(unit, RecordNotify, nullptr), noErr);
  log.clear();
  ASSERT_EQ(RenderBlock(out, 64.0), noErr);
  EXPECT_EQ(log, (NotifyLog{{2, kPre}, {2, kPost}}));
}

TEST_P(Render, AFailedPullIsAnsweredKeptForLastRenderErrorAndNothingIsProcessed)
{
  int told = 0;
  const AudioUnitPropertyListenerProc count = [](void* n, AudioUnit, AudioUnitPropertyID, AudioUnitScope,
                                                 AudioUnitElement) { ++*static_cast<int*>(n); };
  ASSERT_EQ(AudioUnitAddPropertyListener(unit, kAudioUnitProperty_LastRenderError, count, &told), noErr);
  NotifyLog log;
  NotifyTag tag{&log, 1};
  ASSERT_EQ(AudioUnitAddRenderNotify(unit, RecordNotify, &tag), noErr);
  side.answer = -1234;
  BufferList out(2, kFrames);
  EXPECT_EQ(RenderBlock(out, 0.0), -1234);
  EXPECT_EQ(plug->processCount, 0);
  EXPECT_EQ(out.Channel(0)[0], -99.0f) << "the host's buffers are left as given";
  EXPECT_EQ(told, 1);
  EXPECT_EQ(log.back().second, kAudioUnitRenderAction_PostRender | kAudioUnitRenderAction_PostRenderError);

  // Kept through later renders, good or bad, until read once.
  side.answer = noErr;
  ASSERT_EQ(RenderBlock(out, 64.0), noErr);
  EXPECT_EQ(RenderBlock(out, 128.0, kFrames + 1), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(PropValue<OSStatus>(unit, kAudioUnitProperty_LastRenderError, kAudioUnitScope_Global, 0), -1234);
  EXPECT_EQ(PropValue<OSStatus>(unit, kAudioUnitProperty_LastRenderError, kAudioUnitScope_Global, 0), noErr);
  EXPECT_EQ(told, 1);
}

TEST_P(Render, AnUpstreamUnitIsPulledThroughItsOwnRenderUntilTheConnectionCloses)
{
  OpenUnit upstream(GetParam());
  ToneSource upstreamSource;
  upstreamSource.base = {1.5f, -2.0f};
  ASSERT_EQ(SetMaxFrames(upstream, kFrames), noErr);
  ASSERT_EQ(SetRenderCallback(upstream, 0, upstreamSource), noErr);
  ASSERT_EQ(AudioUnitInitialize(upstream), noErr);

  const auto connect = [&](AudioUnit source) {
    return SetProp(unit, kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0,
                   AudioUnitConnection{source, 0, 0});
  };
  ASSERT_EQ(connect(upstream.Get()), noErr);
  EXPECT_EQ(plug->InputType(0), weft::IWeftAU::eDirectNoFastProc);

  BufferList out(2, kFrames);
  ASSERT_EQ(RenderBlock(out, 0.0), noErr);
  EXPECT_EQ(main.calls, 0) << "the connection replaced the callback";
  EXPECT_EQ(upstreamSource.calls, 1);
  // Upstream: gain 1, no sidechain. Here: x 2 plus the sidechain.
  EXPECT_EQ(out.Channel(0)[9], 1.5f * 2.0f + 8.0f * 0.5f);
  EXPECT_EQ(out.Channel(1)[9], -2.0f * 2.0f + 16.0f * 0.5f);

  ASSERT_EQ(connect(nullptr), noErr);
  ASSERT_EQ(RenderBlock(out, 64.0), noErr);
  EXPECT_EQ(upstreamSource.calls, 1);
  EXPECT_EQ(out.Channel(0)[9], 8.0f * 0.5f);
}

// Output record c = input c x gain + input c + 2 x 0.5 (gain 1): bus 0 mixes
// both inputs, bus 1 carries the sidechain.
TEST_P(Render, EachOutputBusGetsItsSliceInItsOwnCallAndNoneWritesAnEarlierCallsBuffers)
{
  OpenUnit twoOut(GetParam(), TestAUTwoOutPlugin_Factory, TestAUTwoOutPlugin_Entry);
  ASSERT_EQ(SetMaxFrames(twoOut, kFrames), noErr);
  ASSERT_EQ(SetRenderCallback(twoOut, 0, main), noErr);
  ASSERT_EQ(SetRenderCallback(twoOut, 1, side), noErr);
  ASSERT_EQ(AudioUnitInitialize(twoOut), noErr);
  for (double sampleTime : {0.0, 64.0})
  {
    BufferList bus0(2, kFrames), bus1(2, kFrames, false);
    ASSERT_EQ(RenderAt(twoOut, bus0, sampleTime, kFrames, 0), noErr);
    EXPECT_EQ(bus0.Channel(1)[3], main.base[1] + 3 * main.step + side.base[1] * 0.5f);
    std::vector<float> kept(bus0.Channel(0), bus0.Channel(0) + kFrames);
    ASSERT_EQ(RenderAt(twoOut, bus1, sampleTime, kFrames, 1), noErr);
    EXPECT_EQ(std::memcmp(bus0.Channel(0), kept.data(), kFrames * sizeof(float)), 0);
    EXPECT_EQ(bus1.Channel(1)[3], side.base[1]);
  }
  EXPECT_EQ(twoOut.Object<TestAUTwoOutPlugin>()->processCount, 2) << "once per slice";
}

TEST_P(Render, TheRenderRoadAllocatesNothing)
{
  NotifyLog log;
  log.reserve(16);
  NotifyTag tag{&log, 1};
  ASSERT_EQ(AudioUnitAddRenderNotify(unit, RecordNotify, &tag), noErr);
  BufferList out(2, kFrames);
  BufferList scratchOut(2, kFrames, false);
  ASSERT_EQ(RenderBlock(out, 0.0), noErr);

  AllocationCounter allocs;
  const OSStatus first = RenderBlock(out, 64.0);
  const OSStatus second = RenderBlock(scratchOut, 64.0);
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

TEST_P(Render, TheTimeInfoTakesTheHostsTransportWhereItIsUsableAndKeepsTheDefaultsElsewhere)
{
  const auto seen = [this] {
    const weft::ITimeInfo& t = plug->lastTimeInfo;
    return std::make_tuple(t.mTempo, t.mPPQPos, t.mNumerator, t.mDenominator, t.mTransportIsRunning);
  };
  BufferList out(2, kFrames);
  ASSERT_EQ(RenderBlock(out, 0.0), noErr);
  EXPECT_EQ(seen(), std::make_tuple(120.0, -1.0, 4, 4, false)) << "without host callbacks";

  HostTransport host;
  const HostCallbackInfo info{&host, HostTransport::BeatAndTempo, HostTransport::MusicalTime, HostTransport::Transport,
                              nullptr};
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 0, info), noErr);
  // {what the host answers: status, beat, tempo, numerator, denominator, playing}, what the block sees
  const std::pair<HostTransport, std::tuple<double, double, int, int, bool>> cases[] = {
    {{noErr, 12.5, 97.0, 7.9f, 8, true}, {97.0, 12.5, 7, 8, true}}, // the numerator truncated
    {{noErr, 3.0, 0.0, 0.0f, 0, false}, {120.0, 3.0, 4, 4, false}}, // a zero tempo and signature keep the defaults
    {{-1, 9.0, 140.0, 3.0f, 4, true}, {120.0, -1.0, 4, 4, false}},  // failing callbacks are not believed
  };
  double sampleTime = 0.0;
  for (const auto& [answers, expected] : cases)
  {
    host = answers;
    ASSERT_EQ(RenderBlock(out, sampleTime += kFrames), noErr);
    EXPECT_EQ(seen(), expected) << "beat " << answers.beat << " tempo " << answers.tempo;
  }
}

// --- A whole session ----------------------------------------------------------

TEST(RenderSession, EveryCoreFoundationObjectOfASessionIsReleased)
{
  CFLeakCheck leakCheck;
  ASSERT_TRUE(PWShimCFBundleSetMainBundle(nullptr, "com.acme.host", "1.0"));
  ASSERT_TRUE(PWShimCFBundleRegister(kTestAUBundleID, "/tmp/TestAU.component", nullptr));
  {
    OpenUnit unit(Road::Factory);
    OpenUnit upstream(Road::Entry);
    ToneSource source;
    source.base = {0.5f, 0.5f};
    ASSERT_EQ(SetRenderCallback(upstream, 0, source), noErr);
    ASSERT_EQ(AudioUnitInitialize(upstream), noErr);
    ASSERT_EQ(SetProp(unit, kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0,
                      AudioUnitConnection{upstream.Get(), 0, 0}),
              noErr);
    ASSERT_EQ(AudioUnitInitialize(unit), noErr);

    AudioUnitCocoaViewInfo viewInfo{};
    ASSERT_EQ(GetProp(unit, kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, viewInfo), noErr);
    CFRelease(viewInfo.mCocoaAUViewBundleLocation);
    CFRelease(viewInfo.mCocoaAUViewClass[0]);

    BufferList out(2, 256);
    ASSERT_EQ(RenderAt(unit, out, 0.0, 256), noErr);
    EXPECT_EQ(out.Channel(0)[0], 0.5f);
    ASSERT_EQ(AudioUnitUninitialize(unit), noErr);
  }
  PWShimCFBundleUnregister(kTestAUBundleID);
  PWShimCFBundleClearMainBundle();
}

} // namespace
