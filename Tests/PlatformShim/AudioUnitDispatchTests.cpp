// What the shim adds to a unit: instance slots that never reach a closed
// unit, and a connection pulled through its handle. (Each call reaching a
// unit with its arguments is checked through the binding on both roads.)

#include "AllocationCounter.h"
#include "FakeAudioUnit.h"

#include <AudioToolbox/AudioToolbox.h>
#include <AudioToolbox/PWShimAudioComponent.h>

#include <gtest/gtest.h>

#include <array>

using pwtest::FakeAudioUnit;
using pwtest::OpenFakeUnit;

namespace {

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
