// The API base's parameter queue with real threads: a host thread setting
// parameters, an "audio" thread reading them, and the main thread pumping the
// 20 ms timer on the virtual clock.
// Run under ThreadSanitizer too (CI label "concurrency"); bounded to about a
// second.

#include "IWeftAPIBase.h"

#include "TestAPIPlugin.h"

#include <CoreFoundation/PWShimRunLoop.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>

using pw::test::TestAPIPlugin;

namespace {

constexpr int kNParams = 8;

// A parameter change that carries its own sequence number: parameter
// seq % kNParams gets the value seq, so a torn or misrouted tuple shows.
void HostSetsParameter(TestAPIPlugin& plugin, int64_t seq)
{
  const int idx = static_cast<int>(seq % kNParams);
  const double value = static_cast<double>(seq);
  plugin.GetParam(idx)->Set(value);
  plugin.SendParameterValueFromAPI(idx, value, false);
}

class APIBaseConcurrencyTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(PWShimRunLoopSetVirtualClock(true));
    // Wide enough for every sequence number the host sends.
    for (int i = 0; i < kNParams; ++i)
      mPlugin.GetParam(i)->InitDouble("Sequence", 0.0, 0.0, 1e9, 1.0);
    mPlugin.CreateTimer();
    ASSERT_EQ(PWShimRunLoopFireDue(), 1);
  }

  void TearDown() override { PWShimRunLoopSetVirtualClock(false); }

  static void Tick() { ASSERT_EQ(PWShimRunLoopAdvance(0.020), 1); }

  // Checks the values the editor received since index from: increasing
  // sequence numbers, intact tuples, and the parameter already holding at
  // least the delivered value (it was set before it was queued). Returns the
  // last sequence number seen, or last when there was none.
  int64_t CheckDelivered(size_t from, int64_t last)
  {
    for (size_t i = from; i < mPlugin.editorParams.size(); ++i)
    {
      const auto& p = mPlugin.editorParams[i];
      const auto seq = static_cast<int64_t>(p.value);
      EXPECT_EQ(static_cast<double>(seq), p.value) << "torn value at delivery " << i;
      EXPECT_EQ(p.idx, static_cast<int>(seq % kNParams)) << "torn tuple at delivery " << i;
      EXPECT_GT(seq, last) << "out of order at delivery " << i;
      EXPECT_GE(mPlugin.GetParam(p.idx)->Value(), p.value) << "value queued before it was set, delivery " << i;
      if (::testing::Test::HasFailure())
        return seq;
      last = seq;
    }
    return last;
  }

  TestAPIPlugin mPlugin{kNParams, true};
};

} // namespace

TEST_F(APIBaseConcurrencyTest, HostValuesQueuedBetweenTwoTicksAllReachTheEditorOnTheNextTickInOrder)
{
  constexpr int kRounds = 40;
  constexpr int kBatch = 512; // exactly what the queue holds
  std::atomic<int> published{0};
  std::atomic<int> consumed{0};
  std::atomic<bool> stopAudio{false};

  // The audio thread reads the parameters as a block would while the host
  // thread writes them.
  std::thread audio([&] {
    volatile double sink = 0.0;
    while (!stopAudio.load(std::memory_order_acquire))
    {
      for (int i = 0; i < kNParams; ++i)
        sink = sink + mPlugin.GetParam(i)->Value();
      std::this_thread::yield();
    }
  });

  std::thread host([&] {
    int64_t seq = 0;
    for (int round = 0; round < kRounds; ++round)
    {
      while (consumed.load(std::memory_order_acquire) < round)
        std::this_thread::yield();
      for (int i = 0; i < kBatch; ++i)
        HostSetsParameter(mPlugin, seq++);
      published.store(round + 1, std::memory_order_release);
    }
  });

  int64_t last = -1;
  for (int round = 0; round < kRounds && !HasFailure(); ++round)
  {
    while (published.load(std::memory_order_acquire) < round + 1)
      std::this_thread::yield();
    const size_t before = mPlugin.editorParams.size();
    Tick();
    EXPECT_EQ(mPlugin.editorParams.size() - before, static_cast<size_t>(kBatch)) << "round " << round;
    last = CheckDelivered(before, last);
    consumed.store(round + 1, std::memory_order_release);
  }
  consumed.store(kRounds, std::memory_order_release);

  host.join();
  stopAudio.store(true, std::memory_order_release);
  audio.join();

  EXPECT_EQ(last, int64_t{kRounds} * kBatch - 1);
  EXPECT_EQ(mPlugin.ParamQueue().GetDroppedCount(), 0u);
}
