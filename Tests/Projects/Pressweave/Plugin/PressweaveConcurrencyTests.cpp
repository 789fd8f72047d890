// The component as a busy host drives it: four threads set parameters, one
// renders, and the main thread switches bypass, resets and runs the idle
// timer (while bypassed slices render). Run under ThreadSanitizer (label
// "concurrency").

#include "PressweaveTestRig.h"

#include <atomic>
#include <thread>
#include <vector>

namespace pw::test {
namespace {

using namespace pressweave;

// The timer handed to OnTimer; the test ticks it by hand.
struct ManualTimer : weft::Timer
{
  void Stop() override {}
};

TEST(PressweaveConcurrency, SettersRenderAndIdleTogetherKeepTheLastValuesAndFiniteAudio)
{
  constexpr int kBlock = 256;
  constexpr int kBlocks = 600;
  constexpr int kSets = 3000;
  AUHost host;
  host.FeedMain(kBlock * kBlocks);
  host.sidechainSource.signal[0].assign(kBlock * kBlocks, 0.25f);
  const UInt32 maxFrames = kBlock;
  ASSERT_EQ(AudioUnitSetProperty(host.unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
                                 &maxFrames, sizeof maxFrames),
            noErr);
  ASSERT_EQ(host.Initialize(), noErr);

  std::atomic<bool> rendering{true};
  int failures = 0;
  std::thread render([&] {
    for (int b = 0; b < kBlocks; ++b)
    {
      const OSStatus status = host.Render(kBlock);
      failures += status != noErr || !std::isfinite(host.outL[kBlock - 1]) || !std::isfinite(host.outR[0]);
    }
    rendering = false;
  });

  // Each setter owns one parameter and ends on a value of its own.
  const int params[] = {kInputGain, kThreshold, kDryWet, kSidechainMode};
  const float last[] = {50.0f, -12.0f, 75.0f, 1.0f};
  std::vector<std::thread> setters;
  for (int t = 0; t < 4; ++t)
    setters.emplace_back([&, t] {
      for (int i = 0; i < kSets; ++i)
      {
        const float value = i + 1 == kSets ? last[t] : static_cast<float>(i % 3);
        AudioUnitSetParameter(host.unit, static_cast<AudioUnitParameterID>(params[t]), kAudioUnitScope_Global, 0,
                              value, 0);
      }
    });

  const auto setBypass = [&](UInt32 bypass) {
    AudioUnitSetProperty(host.unit, kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, &bypass,
                         sizeof bypass);
  };
  ManualTimer timer;
  for (int tick = 0; rendering; ++tick)
  {
    setBypass(1);
    host.plug->OnTimer(timer);
    setBypass(0);
    if (tick % 5 == 0)
      AudioUnitReset(host.unit, kAudioUnitScope_Global, 0);
    std::this_thread::yield();
  }
  for (std::thread& t : setters)
    t.join();
  render.join();
  host.plug->OnTimer(timer);

  EXPECT_EQ(failures, 0);
  for (int t = 0; t < 4; ++t)
    EXPECT_DOUBLE_EQ(host.plug->GetParam(params[t])->Value(), last[t]) << "parameter " << params[t];
}

} // namespace
} // namespace pw::test
