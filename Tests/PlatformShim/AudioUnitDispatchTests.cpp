#include "AllocationCounter.h"
#include "FakeAudioUnit.h"

#include <AudioToolbox/AudioToolbox.h>
#include <AudioToolbox/PWShimAudioComponent.h>

#include <gtest/gtest.h>

#include <array>

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

TEST_F(AudioUnitDispatch, OpeningCallsOpenOnceWithTheNewHandleWhoseStorageIsTheInterfaceUntilReplaced)
{
  EXPECT_EQ(mFake.opens, 1);
  EXPECT_EQ(mFake.instance, mUnit);
  EXPECT_EQ(GetComponentInstanceStorage(mUnit), reinterpret_cast<Handle>(&mFake.interface));
  int object = 0;
  SetComponentInstanceStorage(mUnit, reinterpret_cast<Handle>(&object));
  EXPECT_EQ(GetComponentInstanceStorage(mUnit), reinterpret_cast<Handle>(&object));
}

TEST(AudioUnitInstances, AFailedOpenLeavesNoInstance)
{
  FakeAudioUnit fake;
  fake.openStatus = kAudioUnitErr_FailedInitialization;
  const UInt32 before = PWShimComponentInstanceCount();
  AudioUnit unit = reinterpret_cast<AudioUnit>(&fake);
  EXPECT_EQ(PWShimAudioComponentInstanceNew(&fake.interface, &unit), kAudioUnitErr_FailedInitialization);
  EXPECT_EQ(unit, nullptr);
  EXPECT_EQ(fake.closes, 0);
  EXPECT_EQ(PWShimComponentInstanceCount(), before);
}

TEST(AudioUnitInstances, AClosedOrNeverOpenedHandleAnswersBadComponentInstanceAndNeverReachesALaterInstance)
{
  FakeAudioUnit first;
  const UInt32 before = PWShimComponentInstanceCount();
  AudioUnit stale = nullptr;
  ASSERT_EQ(PWShimAudioComponentInstanceNew(&first.interface, &stale), noErr);
  EXPECT_EQ(PWShimComponentInstanceCount(), before + 1);
  ASSERT_EQ(PWShimAudioComponentInstanceDispose(stale), noErr);
  EXPECT_EQ(PWShimComponentInstanceCount(), before);
  EXPECT_EQ(first.closes, 1);
  EXPECT_EQ(PWShimAudioComponentInstanceDispose(stale), badComponentInstance);
  EXPECT_EQ(GetComponentInstanceStorage(stale), nullptr);
  EXPECT_EQ(AudioUnitInitialize(reinterpret_cast<AudioUnit>(&first.interface)), badComponentInstance) << "forged";

  // Slots are handed out round-robin: this many opens come back to the slot
  // the stale handle named.
  for (UInt32 i = 0; i < kPWShimComponentMaxInstances; ++i)
  {
    FakeAudioUnit later;
    OpenFakeUnit open(later);
    ASSERT_EQ(open.Status(), noErr);
    EXPECT_EQ(AudioUnitInitialize(stale), badComponentInstance);
    EXPECT_EQ(later.calls[kAudioUnitInitializeSelect], 0);
  }
  EXPECT_EQ(first.calls[kAudioUnitInitializeSelect], 0);
}

TEST_F(AudioUnitDispatch, LifecycleAndPropertyCallsPassEveryArgumentAndTheUnitsAnswer)
{
  EXPECT_EQ(AudioUnitInitialize(mUnit), noErr);
  EXPECT_EQ(AudioUnitUninitialize(mUnit), noErr);
  EXPECT_EQ(mFake.calls[kAudioUnitInitializeSelect], 1);
  EXPECT_EQ(mFake.calls[kAudioUnitUninitializeSelect], 1);

  UInt32 size = 0;
  Boolean writable = false;
  EXPECT_EQ(AudioUnitGetPropertyInfo(mUnit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Input, 3, &size, &writable),
            noErr);
  EXPECT_EQ(size, sizeof(Float64));
  EXPECT_TRUE(writable);
  EXPECT_EQ(mFake.lastScope, kAudioUnitScope_Input);
  EXPECT_EQ(mFake.lastElement, 3u);

  const Float64 rate = 96000.0;
  EXPECT_EQ(AudioUnitSetProperty(mUnit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Output, 1, &rate, sizeof rate),
            noErr);
  EXPECT_EQ(mFake.lastScope, kAudioUnitScope_Output);
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

  AudioUnitParameterEvent events[2]{};
  events[0] = {kAudioUnitScope_Global, 0, 1, kParameterEvent_Ramped, {}};
  events[0].eventValues.ramp.endValue = 9.0f;
  events[1] = {kAudioUnitScope_Global, 0, 1, kParameterEvent_Immediate, {}};
  events[1].eventValues.immediate = {5, 0.5f};
  EXPECT_EQ(AudioUnitScheduleParameters(mUnit, events, 2), noErr);
  EXPECT_EQ(mFake.parameters[1], 0.5f);
  EXPECT_EQ(mFake.lastBufferOffset, 5u);
}

TEST_F(AudioUnitDispatch, RenderPassesFlagsOrAZeroWordTimeBusAndFrames)
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
}

TEST(AudioUnitDispatchFailures, AMethodTheLookupLacksAnswersBadComponentSelector)
{
  FakeAudioUnit fake;
  fake.interface.Lookup = [](SInt16 selector) {
    return selector == kAudioUnitInitializeSelect ? FakeAudioUnit::Lookup(selector) : nullptr;
  };
  OpenFakeUnit open(fake);
  ASSERT_EQ(open.Status(), noErr);
  StereoBuffers buffers;
  const AudioTimeStamp ts = SampleTime(0.0);

  EXPECT_EQ(badComponentSelector, static_cast<OSStatus>(0x80008002));
  EXPECT_EQ(AudioUnitRender(open.Handle(), nullptr, &ts, 0, 16, buffers.list), badComponentSelector);
  EXPECT_EQ(MusicDeviceMIDIEvent(open.Handle(), 0x90, 60, 100, 0), badComponentSelector);
  EXPECT_EQ(AudioUnitInitialize(open.Handle()), noErr);
  EXPECT_EQ(fake.calls[kAudioUnitRenderSelect], 0);
}

TEST(UpstreamRender, ARenderPullsTheConnectedUnitThroughItsHandleWithoutAllocatingUntilItCloses)
{
  FakeAudioUnit source, processor;
  OpenFakeUnit sourceOpen(source), processorOpen(processor);
  ASSERT_EQ(sourceOpen.Status(), noErr);
  ASSERT_EQ(processorOpen.Status(), noErr);
  source.sourceLevel = 0.5f;
  processor.parameters[0] = 0.5f; // gain
  const AudioUnitConnection connection{sourceOpen.Handle(), 2, 0};
  ASSERT_EQ(AudioUnitSetProperty(processorOpen.Handle(), kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0,
                                 &connection, sizeof connection),
            noErr);

  StereoBuffers buffers;
  const AudioTimeStamp ts = SampleTime(4096.0);
  AudioUnitRenderActionFlags flags = 0;
  {
    pw::test::AllocationCounter allocations;
    for (int block = 0; block < 8; ++block)
      ASSERT_EQ(AudioUnitRender(processorOpen.Handle(), &flags, &ts, 0, StereoBuffers::kFrames, buffers.list), noErr);
    EXPECT_EQ(allocations.Count(), 0u);
  }
  EXPECT_EQ(source.calls[kAudioUnitRenderSelect], 8);
  EXPECT_EQ(source.lastRenderSampleTime, 4096.0);
  EXPECT_EQ(source.lastRenderBus, 2u); // the connection's source output
  // Source: 0.5 x (channel + 1); processor gain 0.5.
  EXPECT_EQ(buffers.samples[0][0], 0.25f);
  EXPECT_EQ(buffers.samples[1][StereoBuffers::kFrames - 1], 0.5f);

  ASSERT_EQ(PWShimAudioComponentInstanceDispose(sourceOpen.Handle()), noErr);
  EXPECT_EQ(AudioUnitRender(processorOpen.Handle(), nullptr, &ts, 0, StereoBuffers::kFrames, buffers.list),
            badComponentInstance);
  EXPECT_EQ(source.calls[kAudioUnitRenderSelect], 8);
}
