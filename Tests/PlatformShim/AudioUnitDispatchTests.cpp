#include "AllocationCounter.h"
#include "FakeAudioUnit.h"

#include <AudioToolbox/AudioToolbox.h>
#include <AudioToolbox/PWShimAudioComponent.h>

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

using pwtest::FakeAudioUnit;
using pwtest::OpenFakeUnit;

namespace {

class AudioUnitDispatch : public ::testing::Test
{
protected:
  void SetUp() override { ASSERT_EQ(mOpen.Status(), noErr); }

  FakeAudioUnit mFake;
  OpenFakeUnit mOpen{mFake};
  AudioUnit mUnit = mOpen.Handle();
};

AudioTimeStamp SampleTime(Float64 sampleTime)
{
  AudioTimeStamp ts{};
  ts.mSampleTime = sampleTime;
  ts.mFlags = kAudioTimeStampSampleTimeValid;
  return ts;
}

// A non-interleaved buffer list over caller-owned channel arrays.
struct StereoBuffers
{
  static constexpr UInt32 kFrames = 64;
  std::array<std::array<Float32, kFrames>, 2> samples{};
  alignas(AudioBufferList) unsigned char storage[AudioBufferListSize(2)] = {};
  AudioBufferList* list = reinterpret_cast<AudioBufferList*>(storage);

  StereoBuffers()
  {
    list->mNumberBuffers = 2;
    for (UInt32 c = 0; c < 2; ++c)
      list->mBuffers[c] = {1, kFrames * sizeof(Float32), samples[c].data()};
  }
};

} // namespace

// ---- opening and closing -------------------------------------------------

TEST_F(AudioUnitDispatch, OpeningCallsOpenOnceWithTheNewHandleWhoseStorageIsTheInterfaceUntilReplaced)
{
  EXPECT_EQ(mFake.opens, 1);
  EXPECT_EQ(mFake.instance, mUnit);
  EXPECT_EQ(GetComponentInstanceStorage(mUnit), reinterpret_cast<Handle>(&mFake.interface));
  int object = 0;
  SetComponentInstanceStorage(mUnit, reinterpret_cast<Handle>(&object));
  EXPECT_EQ(GetComponentInstanceStorage(mUnit), reinterpret_cast<Handle>(&object));
}

TEST(AudioUnitInstances, DisposingClosesOnceAndTheHandleStopsResolving)
{
  FakeAudioUnit fake;
  const UInt32 before = PWShimComponentInstanceCount();
  AudioUnit unit = nullptr;
  ASSERT_EQ(PWShimAudioComponentInstanceNew(&fake.interface, &unit), noErr);
  EXPECT_EQ(PWShimComponentInstanceCount(), before + 1);
  EXPECT_EQ(PWShimAudioComponentInstanceDispose(unit), noErr);
  EXPECT_EQ(PWShimComponentInstanceCount(), before);
  EXPECT_EQ(AudioUnitInitialize(unit), badComponentInstance);
  EXPECT_EQ(GetComponentInstanceStorage(unit), nullptr);
  EXPECT_EQ(PWShimAudioComponentInstanceDispose(unit), badComponentInstance);
  EXPECT_EQ(fake.closes, 1);
  EXPECT_EQ(fake.calls[kAudioUnitInitializeSelect], 0);
}

TEST(AudioUnitInstances, AFailedOpenOrAnIncompleteInterfaceLeavesNoInstance)
{
  FakeAudioUnit fake;
  fake.openStatus = kAudioUnitErr_FailedInitialization;
  const UInt32 before = PWShimComponentInstanceCount();
  AudioUnit unit = reinterpret_cast<AudioUnit>(&fake);
  EXPECT_EQ(PWShimAudioComponentInstanceNew(&fake.interface, &unit), kAudioUnitErr_FailedInitialization);
  EXPECT_EQ(unit, nullptr);
  EXPECT_EQ(fake.closes, 0);
  EXPECT_EQ(PWShimComponentInstanceCount(), before);

  FakeAudioUnit incomplete;
  incomplete.interface.Lookup = nullptr;
  EXPECT_EQ(PWShimAudioComponentInstanceNew(&incomplete.interface, &unit), kAudio_ParamError);
  EXPECT_EQ(PWShimAudioComponentInstanceNew(nullptr, &unit), kAudio_ParamError);
  EXPECT_EQ(PWShimAudioComponentInstanceNew(&fake.interface, nullptr), kAudio_ParamError);
  EXPECT_EQ(incomplete.opens, 0);
}

TEST(AudioUnitInstances, AHandleKeptAfterCloseNeverReachesALaterInstanceInTheSameSlot)
{
  FakeAudioUnit first;
  AudioUnit stale = nullptr;
  ASSERT_EQ(PWShimAudioComponentInstanceNew(&first.interface, &stale), noErr);
  ASSERT_EQ(PWShimAudioComponentInstanceDispose(stale), noErr);

  // Slots are handed out round-robin: this many opens come back to the slot
  // the stale handle named.
  for (UInt32 i = 0; i < kPWShimComponentMaxInstances; ++i)
  {
    FakeAudioUnit later;
    OpenFakeUnit open(later);
    ASSERT_EQ(open.Status(), noErr);
    EXPECT_NE(open.Handle(), stale);
    EXPECT_EQ(AudioUnitInitialize(stale), badComponentInstance);
    EXPECT_EQ(later.calls[kAudioUnitInitializeSelect], 0);
  }
}

TEST(AudioUnitInstances, OpeningMoreThanTheTableHoldsAnswersMemFull)
{
  const UInt32 room = kPWShimComponentMaxInstances - PWShimComponentInstanceCount();
  std::vector<std::unique_ptr<FakeAudioUnit>> fakes;
  std::vector<AudioUnit> units;
  for (UInt32 i = 0; i < room; ++i)
  {
    fakes.push_back(std::make_unique<FakeAudioUnit>());
    AudioUnit unit = nullptr;
    ASSERT_EQ(PWShimAudioComponentInstanceNew(&fakes.back()->interface, &unit), noErr);
    units.push_back(unit);
  }
  FakeAudioUnit oneTooMany;
  AudioUnit unit = nullptr;
  EXPECT_EQ(PWShimAudioComponentInstanceNew(&oneTooMany.interface, &unit), kAudio_MemFullError);
  EXPECT_EQ(oneTooMany.opens, 0);
  for (AudioUnit u : units)
    EXPECT_EQ(PWShimAudioComponentInstanceDispose(u), noErr);
}

// ---- dispatch --------------------------------------------------------------

TEST_F(AudioUnitDispatch, LifecycleAndPropertyCallsPassEveryArgumentAndTheUnitsAnswer)
{
  EXPECT_EQ(AudioUnitInitialize(mUnit), noErr);
  EXPECT_EQ(AudioUnitUninitialize(mUnit), noErr);
  EXPECT_EQ(mFake.calls[kAudioUnitInitializeSelect], 1);
  EXPECT_EQ(mFake.calls[kAudioUnitUninitializeSelect], 1);
  EXPECT_EQ(AudioUnitReset(mUnit, kAudioUnitScope_Output, 3), noErr);
  EXPECT_EQ(mFake.lastScope, kAudioUnitScope_Output);
  EXPECT_EQ(mFake.lastElement, 3u);

  UInt32 size = 0;
  Boolean writable = false;
  EXPECT_EQ(AudioUnitGetPropertyInfo(mUnit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Input, 1, &size, &writable),
            noErr);
  EXPECT_EQ(size, sizeof(Float64));
  EXPECT_TRUE(writable);
  EXPECT_EQ(AudioUnitGetPropertyInfo(mUnit, kAudioUnitProperty_SampleRate, 0, 0, nullptr, nullptr), noErr);
  EXPECT_EQ(mFake.lastSizePointer, nullptr);
  EXPECT_EQ(mFake.lastWritablePointer, nullptr);

  const Float64 rate = 96000.0;
  EXPECT_EQ(AudioUnitSetProperty(mUnit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &rate, sizeof rate),
            noErr);
  EXPECT_EQ(mFake.lastData, &rate);
  Float64 read = 0.0;
  size = sizeof read;
  EXPECT_EQ(AudioUnitGetProperty(mUnit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &read, &size), noErr);
  EXPECT_EQ(read, 96000.0);
  EXPECT_EQ(AudioUnitGetProperty(mUnit, kAudioUnitProperty_CPULoad, kAudioUnitScope_Global, 0, &read, &size),
            kAudioUnitErr_InvalidProperty);
}

TEST_F(AudioUnitDispatch, ParameterCallsCarryTheFloatValueAndTheBufferOffsetAlsoWhenScheduled)
{
  EXPECT_EQ(AudioUnitSetParameter(mUnit, 2, kAudioUnitScope_Global, 0, -3.25f, 17), noErr);
  EXPECT_EQ(mFake.lastBufferOffset, 17u);
  AudioUnitParameterValue value = 0.0f;
  EXPECT_EQ(AudioUnitGetParameter(mUnit, 2, kAudioUnitScope_Global, 0, &value), noErr);
  EXPECT_EQ(value, -3.25f);
  EXPECT_EQ(AudioUnitGetParameter(mUnit, 2, kAudioUnitScope_Input, 0, &value), kAudioUnitErr_InvalidProperty);

  AudioUnitParameterEvent events[2]{};
  events[0].parameter = 1;
  events[0].eventType = kParameterEvent_Ramped;
  events[0].eventValues.ramp.endValue = 9.0f;
  events[1].parameter = 1;
  events[1].eventType = kParameterEvent_Immediate;
  events[1].eventValues.immediate = {5, 0.5f};
  EXPECT_EQ(AudioUnitScheduleParameters(mUnit, events, 2), noErr);
  EXPECT_EQ(mFake.parameters[1], 0.5f);
  EXPECT_EQ(mFake.lastBufferOffset, 5u);
}

namespace {
void ListenerA(void*, AudioUnit, AudioUnitPropertyID, AudioUnitScope, AudioUnitElement) {}
OSStatus NotifyA(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32, AudioBufferList*)
{
  return noErr;
}
} // namespace

TEST_F(AudioUnitDispatch, ListenerAndRenderNotifyCallsReachTheirMethods)
{
  int userData = 0;
  EXPECT_EQ(AudioUnitAddPropertyListener(mUnit, kAudioUnitProperty_Latency, &ListenerA, &userData), noErr);
  EXPECT_EQ(mFake.listenerProc, &ListenerA);
  EXPECT_EQ(mFake.listenerUserData, &userData);
  EXPECT_EQ(AudioUnitRemovePropertyListenerWithUserData(mUnit, kAudioUnitProperty_Latency, &ListenerA, &userData),
            noErr);
  EXPECT_EQ(mFake.listenerProc, nullptr);
  EXPECT_EQ(AudioUnitAddPropertyListener(mUnit, kAudioUnitProperty_Latency, &ListenerA, nullptr), noErr);
  EXPECT_EQ(AudioUnitRemovePropertyListener(mUnit, kAudioUnitProperty_Latency, &ListenerA), noErr);
  EXPECT_EQ(mFake.listenerProc, nullptr);

  EXPECT_EQ(AudioUnitAddRenderNotify(mUnit, &NotifyA, &userData), noErr);
  EXPECT_EQ(mFake.notifyProc, &NotifyA);
  EXPECT_EQ(AudioUnitRemoveRenderNotify(mUnit, &NotifyA, &userData), noErr);
  EXPECT_EQ(mFake.notifyProc, nullptr);
}

TEST_F(AudioUnitDispatch, RenderPassesFlagsOrAZeroWordTimeBusAndFramesAndNeedsTimeAndBuffers)
{
  StereoBuffers buffers;
  AudioUnitRenderActionFlags flags = kAudioUnitRenderAction_PreRender;
  const AudioTimeStamp ts = SampleTime(1024.0);
  mFake.sourceLevel = 0.25f;
  EXPECT_EQ(AudioUnitRender(mUnit, &flags, &ts, 1, 32, buffers.list), noErr);
  EXPECT_EQ(mFake.lastFlagsSeen, kAudioUnitRenderAction_PreRender);
  EXPECT_EQ(mFake.lastRenderSampleTime, 1024.0);
  EXPECT_EQ(mFake.lastRenderBus, 1u);
  EXPECT_EQ(buffers.samples[1][31], 0.5f);
  EXPECT_EQ(buffers.samples[0][32], 0.0f);
  EXPECT_EQ(AudioUnitRender(mUnit, nullptr, &ts, 0, 16, buffers.list), noErr);
  EXPECT_EQ(mFake.lastFlagsSeen, 0u);

  EXPECT_EQ(AudioUnitRender(mUnit, nullptr, nullptr, 0, 16, buffers.list), kAudio_ParamError);
  EXPECT_EQ(AudioUnitRender(mUnit, nullptr, &ts, 0, 16, nullptr), kAudio_ParamError);
  EXPECT_EQ(mFake.calls[kAudioUnitRenderSelect], 2);
}

TEST(AudioUnitDispatchFailures, AMethodTheLookupLacksAnswersBadComponentSelector)
{
  FakeAudioUnit fake;
  fake.interface.Lookup = &FakeAudioUnit::LookupInitializeAndMIDIOnly;
  OpenFakeUnit open(fake);
  ASSERT_EQ(open.Status(), noErr);
  StereoBuffers buffers;
  const AudioTimeStamp ts = SampleTime(0.0);
  Float64 rate = 0.0;
  UInt32 size = sizeof rate;

  EXPECT_EQ(badComponentSelector, static_cast<OSStatus>(0x80008002));
  EXPECT_EQ(AudioUnitRender(open.Handle(), nullptr, &ts, 0, 16, buffers.list), badComponentSelector);
  EXPECT_EQ(AudioUnitGetProperty(open.Handle(), kAudioUnitProperty_SampleRate, 0, 0, &rate, &size), badComponentSelector);
  EXPECT_EQ(MusicDeviceSysEx(open.Handle(), nullptr, 0), badComponentSelector);
  EXPECT_EQ(AudioUnitInitialize(open.Handle()), noErr);
  EXPECT_EQ(MusicDeviceMIDIEvent(open.Handle(), 0x90, 60, 100, 0), noErr);
  EXPECT_EQ(fake.midiEvents, 1);

  FakeAudioUnit noMIDI;
  OpenFakeUnit openNoMIDI(noMIDI);
  EXPECT_EQ(MusicDeviceMIDIEvent(openNoMIDI.Handle(), 0x90, 60, 100, 0), badComponentSelector);
  EXPECT_EQ(noMIDI.midiEvents, 0);
}

TEST(AudioUnitDispatchFailures, AHandleThatWasNeverOpenedAnswersBadComponentInstance)
{
  FakeAudioUnit fake;
  AudioUnit forged = reinterpret_cast<AudioUnit>(&fake.interface);
  EXPECT_EQ(AudioUnitInitialize(nullptr), badComponentInstance);
  EXPECT_EQ(AudioUnitInitialize(forged), badComponentInstance);
  EXPECT_EQ(AudioUnitSetParameter(forged, 0, 0, 0, 1.0f, 0), badComponentInstance);
  EXPECT_EQ(fake.calls[kAudioUnitInitializeSelect], 0);
}

// ---- pulling from an upstream unit -----------------------------------------

class UpstreamRender : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_EQ(mSourceOpen.Status(), noErr);
    ASSERT_EQ(mProcessorOpen.Status(), noErr);
    mSource.sourceLevel = 0.5f;
    mProcessor.parameters[0] = 0.5f;  // gain
    const AudioUnitConnection connection{mSourceOpen.Handle(), 2, 0};
    ASSERT_EQ(AudioUnitSetProperty(mProcessorOpen.Handle(), kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input,
                                   0, &connection, sizeof connection),
              noErr);
  }

  FakeAudioUnit mSource;
  FakeAudioUnit mProcessor;
  OpenFakeUnit mSourceOpen{mSource};
  OpenFakeUnit mProcessorOpen{mProcessor};
};

TEST_F(UpstreamRender, ARenderPullsTheConnectedUnitThroughItsHandleWithoutAllocating)
{
  StereoBuffers buffers;
  const AudioTimeStamp ts = SampleTime(4096.0);
  AudioUnitRenderActionFlags flags = 0;
  {
    pw::test::AllocationCounter allocations;
    for (int block = 0; block < 8; ++block)
      ASSERT_EQ(AudioUnitRender(mProcessorOpen.Handle(), &flags, &ts, 0, StereoBuffers::kFrames, buffers.list), noErr);
    EXPECT_EQ(allocations.Count(), 0u);
  }
  EXPECT_EQ(mSource.calls[kAudioUnitRenderSelect], 8);
  EXPECT_EQ(mSource.lastRenderSampleTime, 4096.0);
  EXPECT_EQ(mSource.lastRenderBus, 2u); // the connection's source output
  // Source: 0.5 x (channel + 1); processor gain 0.5.
  for (UInt32 i = 0; i < StereoBuffers::kFrames; ++i)
  {
    EXPECT_EQ(buffers.samples[0][i], 0.25f);
    EXPECT_EQ(buffers.samples[1][i], 0.5f);
  }
}

TEST_F(UpstreamRender, AClosedUpstreamUnitMakesThePullFailWithBadComponentInstance)
{
  ASSERT_EQ(PWShimAudioComponentInstanceDispose(mSourceOpen.Handle()), noErr);
  StereoBuffers buffers;
  const AudioTimeStamp ts = SampleTime(0.0);
  EXPECT_EQ(AudioUnitRender(mProcessorOpen.Handle(), nullptr, &ts, 0, StereoBuffers::kFrames, buffers.list),
            badComponentInstance);
  EXPECT_EQ(mSource.calls[kAudioUnitRenderSelect], 0);
}
