#include "FakeAudioUnit.h"

#include <AudioToolbox/AudioUnitUtilities.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <random>
#include <thread>
#include <vector>

namespace {

// A listener's refCon that knows whether its owner still considers it alive.
struct Target
{
  std::atomic<bool> alive{true};
};

std::atomic<int> gDeliveriesToDeadTargets{0};

// Takes a while, so that a dispose often lands while it runs; the target
// must stay alive from its first line to its last.
void Proc(void* refCon, void*, const AudioUnitEvent*, UInt64, AudioUnitParameterValue)
{
  auto* target = static_cast<Target*>(refCon);
  if (!target->alive.load(std::memory_order_acquire))
    gDeliveriesToDeadTargets.fetch_add(1, std::memory_order_relaxed);
  for (int i = 0; i < 20; ++i)
    std::this_thread::yield();
  if (!target->alive.load(std::memory_order_acquire))
    gDeliveriesToDeadTargets.fetch_add(1, std::memory_order_relaxed);
}

AudioUnitEvent Gesture(AudioUnit unit, AudioUnitParameterID id)
{
  AudioUnitEvent event{};
  event.mEventType = kAudioUnitEvent_BeginParameterChangeGesture;
  event.mArgument.mParameter = {unit, id, kAudioUnitScope_Global, 0};
  return event;
}

} // namespace

TEST(AUEventListenerConcurrency, NoProcedureRunsForAListenerAfterItsDisposeReturned)
{
  pwtest::FakeAudioUnit fake;
  pwtest::OpenFakeUnit open(fake);
  ASSERT_EQ(open.Status(), noErr);
  const AudioUnit unit = open.Handle();

  std::atomic<bool> stop{false};
  std::atomic<long> notifications{0};
  // The parameter thread: notifies as fast as it can.
  std::thread notifier([&] {
    UInt32 id = 0;
    while (!stop.load(std::memory_order_relaxed))
    {
      const AudioUnitEvent event = Gesture(unit, id);
      AUEventListenerNotify(nullptr, nullptr, &event);
      id = (id + 1) % 4;
      notifications.fetch_add(1, std::memory_order_relaxed);
    }
  });

  // On a loaded machine the notifier may not run before the rounds end: let
  // it start first, so the rounds race real deliveries.
  while (notifications.load(std::memory_order_relaxed) == 0)
    std::this_thread::yield();

  const unsigned seed = 20240611u;
  std::mt19937 random(seed);
  // The main thread: creates listeners, registers them, lets them hear a
  // little and disposes them. Every target outlives the notifier so that a
  // late procedure finds its flag down instead of reused memory.
  std::vector<std::unique_ptr<Target>> targets;
  for (int round = 0; round < 400; ++round)
  {
    targets.push_back(std::make_unique<Target>());
    Target* target = targets.back().get();
    AUEventListenerRef ref = nullptr;
    // A failure ends the rounds (not the test) so that the notifier is joined.
    if (AUEventListenerCreate(&Proc, target, nullptr, nullptr, 0.0f, 0.0f, &ref) != noErr)
    {
      ADD_FAILURE() << "create failed in round " << round;
      break;
    }
    const AudioUnitEvent event = Gesture(unit, random() % 4);
    EXPECT_EQ(AUEventListenerAddEventType(ref, nullptr, &event), noErr);
    for (unsigned spin = random() % 200; spin > 0; --spin)
      std::this_thread::yield();
    EXPECT_EQ(AUListenerDispose(ref), noErr);
    target->alive.store(false, std::memory_order_release);
  }
  stop.store(true, std::memory_order_relaxed);
  notifier.join();

  EXPECT_EQ(gDeliveriesToDeadTargets.load(), 0) << "seed " << seed;
  EXPECT_GT(notifications.load(), 0);
}
