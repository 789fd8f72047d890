#include "FakeAudioUnit.h"

#include <AudioToolbox/AudioToolbox.h>
#include <AudioToolbox/PWShimAudioComponent.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

TEST(AudioUnitDispatchConcurrency, RenderingKeepsWorkingWhileOtherInstancesOpenAndClose)
{
  pwtest::FakeAudioUnit source;
  pwtest::OpenFakeUnit open(source);
  ASSERT_EQ(open.Status(), noErr);
  source.sourceLevel = 0.125f;
  const AudioUnit unit = open.Handle();

  std::atomic<bool> stop{false};
  std::atomic<int> failures{0};
  std::atomic<int> renders{0};
  // The render thread: pulls one mono block after another.
  std::thread renderer([&] {
    Float32 samples[32] = {};
    AudioBufferList list{};
    list.mNumberBuffers = 1;
    list.mBuffers[0] = {1, sizeof samples, samples};
    AudioTimeStamp ts{};
    ts.mFlags = kAudioTimeStampSampleTimeValid;
    while (!stop.load(std::memory_order_relaxed))
    {
      samples[31] = 0.0f;
      if (AudioUnitRender(unit, nullptr, &ts, 0, 32, &list) != noErr || samples[31] != 0.125f)
        failures.fetch_add(1, std::memory_order_relaxed);
      ts.mSampleTime += 32.0;
      renders.fetch_add(1, std::memory_order_relaxed);
    }
  });

  // The main thread: opens and closes other units through every slot.
  for (int round = 0; round < 2000; ++round)
  {
    auto other = std::make_unique<pwtest::FakeAudioUnit>();
    AudioUnit handle = nullptr;
    // A failure ends the rounds (not the test) so that the renderer is joined.
    if (PWShimAudioComponentInstanceNew(&other->interface, &handle) != noErr)
    {
      ADD_FAILURE() << "open failed in round " << round;
      break;
    }
    EXPECT_EQ(PWShimAudioComponentInstanceDispose(handle), noErr);
  }
  while (renders.load() < 100)
    std::this_thread::yield();
  stop.store(true, std::memory_order_relaxed);
  renderer.join();

  EXPECT_EQ(failures.load(), 0);
  // Only the render thread rendered the source: its count of calls is the
  // thread's count of renders.
  EXPECT_EQ(source.calls[kAudioUnitRenderSelect], renders.load());
}
