#include "IWeftTimer.h"

#include <CoreFoundation/PWShimCFBase.h>
#include <CoreFoundation/PWShimRunLoop.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using weft::Timer;

namespace {

// Runs every test on the virtual clock and checks that it leaves no
// CoreFoundation object behind.
class TimerTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(PWShimRunLoopSetVirtualClock(true));
    mLiveAtStart = PWShimCFLiveObjectCount();
    mStart = PWShimRunLoopGetTime();
  }

  void TearDown() override
  {
    EXPECT_EQ(PWShimCFLiveObjectCount(), mLiveAtStart);
    PWShimRunLoopSetVirtualClock(false);
  }

  // Seconds on the virtual clock since the test started.
  double Elapsed() const { return PWShimRunLoopGetTime() - mStart; }

  // A timer that appends the elapsed time of every firing to mFirings.
  std::unique_ptr<Timer> RecordingTimer(uint32_t intervalMs)
  {
    return Timer::Create([this](Timer&) { mFirings.push_back(Elapsed()); }, intervalMs);
  }

  CFIndex mLiveAtStart = 0;
  double mStart = 0.0;
  std::vector<double> mFirings;
};

} // namespace

TEST_F(TimerTest, FiresOnlyWhenTheLoopIsPumpedAtOnceThenEveryIntervalAndNeedsAFunctionAndAnInterval)
{
  EXPECT_EQ(Timer::Create(Timer::ITimerFunction(), 20), nullptr);
  EXPECT_EQ(Timer::Create([](Timer&) {}, 0), nullptr);
  auto timer = RecordingTimer(20);
  ASSERT_NE(timer, nullptr);
  EXPECT_TRUE(mFirings.empty());
  EXPECT_EQ(PWShimRunLoopAdvance(0.100), 6) << "at 0, 20, 40, 60, 80 and 100 ms";
  EXPECT_NEAR(mFirings.back(), 0.100, 1e-9);
}

TEST_F(TimerTest, StopOrDestroyingTheTimerEndsTheFiringsAndFreesTheRunLoopTimer)
{
  auto stopped = RecordingTimer(20);
  auto destroyed = RecordingTimer(20);
  EXPECT_EQ(PWShimCFLiveObjectCount(), mLiveAtStart + 2);
  EXPECT_EQ(PWShimRunLoopAdvance(0.030), 4);
  stopped->Stop();
  stopped->Stop();
  destroyed.reset();
  EXPECT_EQ(PWShimCFLiveObjectCount(), mLiveAtStart);
  EXPECT_EQ(PWShimRunLoopAdvance(0.200), 0);
}

TEST_F(TimerTest, TheFunctionMayStopItsOwnTimer)
{
  int calls = 0;
  auto timer = Timer::Create(
    [&calls](Timer& t) {
      if (++calls == 3)
        t.Stop();
    },
    20);
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(PWShimRunLoopAdvance(1.0), 3);
}

