// A busy host: four threads set parameters, one renders, and the main thread
// switches bypass, resets and ticks the idle timer, bypassed and processing.
// Run under ThreadSanitizer (label "concurrency").

#include "PressweaveTestRig.h"

#include <thread>

namespace pw::test {
namespace {

using namespace pressweave;

struct ManualTimer : weft::Timer { void Stop() override {} };

TEST(PressweaveConcurrency, SettersRenderAndIdleTogetherKeepTheLastValuesAndFiniteAudio)
{
  constexpr int kBlock = 512, kBlocks = 300, kSets = 3000, kTicks = 40;
  AUHost host;
  host.FeedMain(kBlock * kBlocks);
  host.sidechainSource.signal[0].assign(kBlock * kBlocks, 0.25f);
  ASSERT_EQ(host.Initialize(), noErr);

  // The render thread keeps rendering (silence past the sources' end) until
  // the main thread has done all its ticks, which start after its first block.
  std::atomic<int> blocks{0};
  std::atomic<bool> ticking{true};
  int failures = 0;
  std::thread render([&] {
    for (; blocks < kBlocks || ticking; ++blocks)
      failures += host.Render(kBlock) != noErr || !std::isfinite(host.outL[kBlock - 1] + host.outR[0]);
  });
  // Each setter owns one parameter and ends on a value of its own.
  const int params[] = {kInputGain, kThreshold, kDryWet, kSidechainMode};
  const float last[] = {50.0f, -12.0f, 75.0f, 1.0f};
  std::vector<std::thread> setters;
  for (int t = 0; t < 4; ++t)
    setters.emplace_back([&, t] {
      for (int i = 1; i <= kSets; ++i)
        AudioUnitSetParameter(host.unit, static_cast<AudioUnitParameterID>(params[t]), kAudioUnitScope_Global, 0,
                              i == kSets ? last[t] : static_cast<float>(i % 3), 0);
    });

  ManualTimer timer;
  while (blocks == 0)
    std::this_thread::yield();
  for (UInt32 tick = 0; tick < kTicks; ++tick)
  {
    const UInt32 bypass = tick % 2;
    AudioUnitSetProperty(host.unit, kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, &bypass,
                         sizeof bypass);
    // Several ticks with no bypass switch or reset between them, which would
    // order them after the render thread's last slice.
    for (int i = 0; i < 8; ++i)
      host.plug->OnTimer(timer);
    if (tick % 5 == 0)
      AudioUnitReset(host.unit, kAudioUnitScope_Global, 0);
  }
  ticking = false;
  for (std::thread& t : setters)
    t.join();
  render.join();
  EXPECT_EQ(failures, 0);
  for (int t = 0; t < 4; ++t)
    EXPECT_DOUBLE_EQ(host.plug->GetParam(params[t])->Value(), last[t]) << "parameter " << params[t];
}

} // namespace
} // namespace pw::test
