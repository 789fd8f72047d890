#include "CFTestUtils.h"

#include <CoreFoundation/CFRunLoop.h>
#include <CoreFoundation/PWShimCFBase.h>
#include <CoreFoundation/PWShimRunLoop.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using pw::test::CFLeakCheckedTest;
using pw::test::CFOwned;

namespace {

// What a callout records: its label, appended to a shared log.
struct Probe
{
  explicit Probe(char l = '?', std::string* lg = nullptr) : label(l), log(lg) {}

  char label;
  std::string* log;
  std::function<void(CFRunLoopTimerRef)> action;
};

void ProbeCallout(CFRunLoopTimerRef timer, void* info)
{
  Probe* probe = static_cast<Probe*>(info);
  if (probe->log)
    *probe->log += probe->label;
  if (probe->action)
    probe->action(timer);
}

CFRunLoopTimerRef MakeTimer(Probe& probe, double secondsFromNow, double interval, CFIndex order = 0)
{
  CFRunLoopTimerContext context = {0, &probe, nullptr, nullptr, nullptr};
  return CFRunLoopTimerCreate(kCFAllocatorDefault, CFAbsoluteTimeGetCurrent() + secondsFromNow, interval, 0, order,
                              &ProbeCallout, &context);
}

void Add(CFRunLoopTimerRef t) { CFRunLoopAddTimer(CFRunLoopGetMain(), t, kCFRunLoopCommonModes); }

// Every test runs on the virtual clock and must leave no object behind.
class RunLoopTest : public CFLeakCheckedTest
{
protected:
  void SetUp() override { ASSERT_TRUE(PWShimRunLoopSetVirtualClock(true)); }
  void TearDown() override { PWShimRunLoopSetVirtualClock(false); }

  std::string mLog;
};

} // namespace

TEST_F(RunLoopTest, ATwentyMillisecondTimerFiresAtItsScheduledVirtualTimes)
{
  const double start = PWShimRunLoopGetTime();
  std::vector<double> seen;
  Probe p;
  p.action = [&seen](CFRunLoopTimerRef) { seen.push_back(PWShimRunLoopGetTime()); };
  CFOwned<CFRunLoopTimerRef> t(MakeTimer(p, 0.0, 0.020));
  Add(t.get());
  EXPECT_EQ(PWShimRunLoopAdvance(0.100), 6);
  ASSERT_EQ(seen.size(), 6u);
  for (size_t i = 0; i < seen.size(); ++i)
    EXPECT_NEAR(seen[i] - start, 0.020 * static_cast<double>(i), 1e-9) << "firing " << i;
  EXPECT_NEAR(PWShimRunLoopGetTime() - start, 0.100, 1e-9);
  CFRunLoopTimerInvalidate(t.get());
}

TEST_F(RunLoopTest, TimersFireByDateThenByOrderThenByWhenTheyWereAdded)
{
  Probe a{'A', &mLog}, b{'B', &mLog}, c{'C', &mLog};
  CFOwned<CFRunLoopTimerRef> ta(MakeTimer(a, 0.030, 0.0)), tb(MakeTimer(b, 0.010, 0.025)), tc(MakeTimer(c, 0.020, 0.0));
  Add(ta.get());
  Add(tb.get());
  Add(tc.get());
  // B at 10, C at 20, A at 30, B at 35 and 60 ms.
  EXPECT_EQ(PWShimRunLoopAdvance(0.070), 5);
  EXPECT_EQ(mLog, "BCABB");
  CFRunLoopTimerInvalidate(tb.get());

  mLog.clear();
  CFOwned<CFRunLoopTimerRef> t5(MakeTimer(a, 0.0, 0.0, 5)), t1(MakeTimer(b, 0.0, 0.0, 1)),
    t1c(MakeTimer(c, 0.0, 0.0, 1));
  Add(t5.get());
  Add(t1c.get());
  Add(t1.get());
  EXPECT_EQ(PWShimRunLoopFireDue(), 3);
  EXPECT_EQ(mLog, "CBA");
}

TEST_F(RunLoopTest, AReleasedTimerLivesUntilItsCalloutInvalidatesItAndThenFiresNoMore)
{
  const CFIndex liveBefore = PWShimCFLiveObjectCount();
  Probe p{'T', &mLog};
  CFRunLoopTimerRef t = MakeTimer(p, 0.0, 0.010);
  Add(t);
  CFRelease(t); // only the loop's reference is left
  EXPECT_EQ(PWShimCFLiveObjectCount(), liveBefore + 1);
  EXPECT_EQ(PWShimRunLoopAdvance(0.020), 3);

  // The callout drops the loop's reference; the firing in progress keeps
  // the timer alive until the callout returns.
  p.action = [](CFRunLoopTimerRef self) {
    CFRunLoopTimerInvalidate(self);
    EXPECT_EQ(CFGetTypeID(self), CFRunLoopTimerGetTypeID());
  };
  EXPECT_EQ(PWShimRunLoopAdvance(0.100), 1);
  EXPECT_EQ(mLog, "TTTT");
  EXPECT_EQ(PWShimCFLiveObjectCount(), liveBefore);
}

TEST_F(RunLoopTest, TimerKeepsItsDistanceToNowAcrossClockSwitches)
{
  Probe p;
  CFOwned<CFRunLoopTimerRef> t(MakeTimer(p, 0.5, 0.0));
  Add(t.get());
  ASSERT_TRUE(PWShimRunLoopSetVirtualClock(false));
  EXPECT_NEAR(CFRunLoopTimerGetNextFireDate(t.get()) - CFAbsoluteTimeGetCurrent(), 0.5, 0.05);
  ASSERT_TRUE(PWShimRunLoopSetVirtualClock(true));
  EXPECT_EQ(PWShimRunLoopAdvance(0.4), 0);
  EXPECT_EQ(PWShimRunLoopAdvance(0.2), 1);
}
