#include "CFLeakCheckedTest.h"

#include <CoreFoundation/CFRunLoop.h>
#include <CoreFoundation/PWShimCFBase.h>
#include <CoreFoundation/PWShimRunLoop.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <string>

namespace {

// What a callout records: its label, appended to a shared log.
struct Probe
{
  explicit Probe(char l = '?', std::string* lg = nullptr) : label(l), log(lg) {}

  char label;
  std::string* log;
  std::function<void(CFRunLoopTimerRef)> action;
  int firings = 0;
};

void ProbeCallout(CFRunLoopTimerRef timer, void* info)
{
  Probe* probe = static_cast<Probe*>(info);
  ++probe->firings;
  if (probe->log)
    *probe->log += probe->label;
  if (probe->action)
    probe->action(timer);
}

// Counts the context's retain and release calls on a Probe.
int sContextRetains = 0;
int sContextReleases = 0;

const void* CountRetain(const void* info)
{
  ++sContextRetains;
  return info;
}

void CountRelease(const void*) { ++sContextReleases; }

CFRunLoopTimerRef MakeTimer(Probe& probe, double secondsFromNow, double interval, CFIndex order = 0)
{
  CFRunLoopTimerContext context = {0, &probe, nullptr, nullptr, nullptr};
  return CFRunLoopTimerCreate(kCFAllocatorDefault, CFAbsoluteTimeGetCurrent() + secondsFromNow, interval, 0, order,
                              &ProbeCallout, &context);
}

void Add(CFRunLoopTimerRef t) { CFRunLoopAddTimer(CFRunLoopGetMain(), t, kCFRunLoopCommonModes); }

// Every test runs on the virtual clock and must leave no object behind.
class RunLoopTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(PWShimRunLoopSetVirtualClock(true));
    mLiveAtStart = PWShimCFLiveObjectCount();
    sContextRetains = 0;
    sContextReleases = 0;
  }

  void TearDown() override
  {
    EXPECT_EQ(PWShimCFLiveObjectCount(), mLiveAtStart);
    PWShimRunLoopSetVirtualClock(false);
  }

  CFIndex mLiveAtStart = 0;
  std::string mLog;
};

} // namespace

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

TEST_F(RunLoopTest, VirtualClockReadsTheScheduledDateDuringACallout)
{
  const double start = PWShimRunLoopGetTime();
  double seen = -1.0;
  Probe p;
  p.action = [&seen](CFRunLoopTimerRef) { seen = PWShimRunLoopGetTime(); };
  CFOwned<CFRunLoopTimerRef> t(MakeTimer(p, 0.0, 0.0));
  Add(t.get());
  EXPECT_EQ(PWShimRunLoopAdvance(0.5), 1);
  EXPECT_EQ(seen, start);
  EXPECT_EQ(PWShimRunLoopGetTime(), start + 0.5);
}

TEST_F(RunLoopTest, OneShotTimerFiresOnceInvalidatesItselfAndCannotBeAddedAgain)
{
  Probe p;
  CFRunLoopTimerRef t = MakeTimer(p, 0.010, 0.0);
  EXPECT_FALSE(CFRunLoopTimerDoesRepeat(t));
  Add(t);
  EXPECT_EQ(PWShimRunLoopAdvance(0.100), 1);
  EXPECT_FALSE(CFRunLoopTimerIsValid(t));
  EXPECT_FALSE(CFRunLoopContainsTimer(CFRunLoopGetMain(), t, kCFRunLoopCommonModes));
  EXPECT_EQ(CFGetRetainCount(t), 1);
  Add(t);
  EXPECT_FALSE(CFRunLoopContainsTimer(CFRunLoopGetMain(), t, kCFRunLoopCommonModes));
  EXPECT_EQ(PWShimRunLoopAdvance(0.100), 0);
  EXPECT_EQ(p.firings, 1);
  CFRelease(t);
}

TEST_F(RunLoopTest, TimerRemovedByAnEarlierCalloutDoesNotFire)
{
  Probe first{'1', &mLog}, second{'2', &mLog};
  CFOwned<CFRunLoopTimerRef> t2(MakeTimer(second, 0.0, 0.0, 1)), t1(MakeTimer(first, 0.0, 0.0, 0));
  first.action = [&t2](CFRunLoopTimerRef) {
    CFRunLoopRemoveTimer(CFRunLoopGetMain(), t2.get(), kCFRunLoopCommonModes);
  };
  Add(t1.get());
  Add(t2.get());
  EXPECT_EQ(PWShimRunLoopFireDue(), 1);
  EXPECT_EQ(mLog, "1");
  EXPECT_TRUE(CFRunLoopTimerIsValid(t2.get()));
}

TEST_F(RunLoopTest, LoopKeepsAReleasedTimerAliveUntilItsCalloutInvalidatesIt)
{
  Probe p;
  CFRunLoopTimerRef t = MakeTimer(p, 0.0, 0.010);
  Add(t);
  CFRelease(t); // only the loop's reference is left
  EXPECT_EQ(PWShimCFLiveObjectCount(), mLiveAtStart + 1);
  EXPECT_EQ(PWShimRunLoopAdvance(0.020), 3);

  // The callout drops the loop's reference; the firing in progress keeps
  // the timer alive until the callout returns.
  p.action = [](CFRunLoopTimerRef self) {
    CFRunLoopTimerInvalidate(self);
    EXPECT_EQ(CFGetTypeID(self), CFRunLoopTimerGetTypeID());
  };
  EXPECT_EQ(PWShimRunLoopAdvance(0.010), 1);
  EXPECT_EQ(PWShimCFLiveObjectCount(), mLiveAtStart);
}

TEST_F(RunLoopTest, ContextInfoIsRetainedOnceAndReleasedOnce)
{
  Probe p;
  CFRunLoopTimerContext context = {0, &p, &CountRetain, &CountRelease, nullptr};
  CFRunLoopTimerRef kept = CFRunLoopTimerCreate(nullptr, CFAbsoluteTimeGetCurrent(), 0.01, 0, 0, &ProbeCallout, &context);
  CFRunLoopTimerRef stopped = CFRunLoopTimerCreate(nullptr, CFAbsoluteTimeGetCurrent(), 0.01, 0, 0, &ProbeCallout, &context);
  EXPECT_EQ(sContextRetains, 2);

  CFRunLoopTimerInvalidate(stopped);
  CFRunLoopTimerInvalidate(stopped);
  EXPECT_EQ(sContextReleases, 1);
  CFRelease(stopped);
  EXPECT_EQ(sContextReleases, 1);

  CFRelease(kept); // never invalidated: released when destroyed
  EXPECT_EQ(sContextReleases, 2);
}

TEST_F(RunLoopTest, TheLoopHoldsOneReferenceAndARemovedTimerStaysQuietUntilReadded)
{
  Probe p;
  CFRunLoopTimerRef t = MakeTimer(p, 0.0, 0.010);
  Add(t);
  Add(t); // already held: no second reference
  EXPECT_EQ(CFGetRetainCount(t), 2);
  EXPECT_EQ(PWShimRunLoopAdvance(0.0), 1);
  CFRunLoopRemoveTimer(CFRunLoopGetMain(), t, kCFRunLoopCommonModes);
  EXPECT_EQ(CFGetRetainCount(t), 1);
  EXPECT_TRUE(CFRunLoopTimerIsValid(t));
  EXPECT_EQ(PWShimRunLoopAdvance(0.100), 0);

  // Ten firings were missed while it was out: they come as one.
  Add(t);
  EXPECT_EQ(PWShimRunLoopFireDue(), 1);
  EXPECT_EQ(PWShimRunLoopFireDue(), 0);
  const double untilNext = CFRunLoopTimerGetNextFireDate(t) - CFAbsoluteTimeGetCurrent();
  EXPECT_GT(untilNext, 0.0);
  EXPECT_LE(untilNext, 0.0101); // the wall clock reads in steps of ~0.1 us
  CFRunLoopTimerInvalidate(t);
  CFRelease(t);
}

TEST_F(RunLoopTest, TinyIntervalsAreRaisedNonFiniteOnesMakeOneShotsAndANaNDateIsRefused)
{
  Probe p;
  CFOwned<CFRunLoopTimerRef> tiny(MakeTimer(p, 0.0, 1e-9));
  EXPECT_DOUBLE_EQ(CFRunLoopTimerGetInterval(tiny.get()), 1e-4);
  Add(tiny.get());
  EXPECT_EQ(PWShimRunLoopAdvance(0.001), 11); // 0, 0.1, ... 1.0 ms
  CFRunLoopTimerInvalidate(tiny.get());

  for (double interval : {0.0, -1.0, std::numeric_limits<double>::infinity(), std::nan("")})
  {
    CFOwned<CFRunLoopTimerRef> t(MakeTimer(p, 0.0, interval));
    EXPECT_FALSE(CFRunLoopTimerDoesRepeat(t.get())) << interval;
    EXPECT_EQ(CFRunLoopTimerGetInterval(t.get()), 0.0) << interval;
  }
  CFRunLoopTimerContext context = {0, &p, nullptr, nullptr, nullptr};
  EXPECT_EQ(CFRunLoopTimerCreate(nullptr, std::nan(""), 1.0, 0, 0, &ProbeCallout, &context), nullptr);
}

TEST_F(RunLoopTest, PumpingFromInsideACalloutOrForABadDurationOrOnTheWallClockIsRefused)
{
  CFIndex nestedAdvance = 0, nestedFireDue = 0, nestedRun = 0;
  Boolean clockSwitch = true;
  Probe p;
  p.action = [&](CFRunLoopTimerRef) {
    nestedAdvance = PWShimRunLoopAdvance(1.0);
    nestedFireDue = PWShimRunLoopFireDue();
    nestedRun = PWShimRunLoopRunFor(0.0);
    clockSwitch = PWShimRunLoopSetVirtualClock(false);
  };
  CFOwned<CFRunLoopTimerRef> t(MakeTimer(p, 0.0, 0.0));
  Add(t.get());
  EXPECT_EQ(PWShimRunLoopFireDue(), 1);
  EXPECT_EQ(nestedAdvance, -1);
  EXPECT_EQ(nestedFireDue, -1);
  EXPECT_EQ(nestedRun, -1);
  EXPECT_FALSE(clockSwitch);
  EXPECT_TRUE(PWShimRunLoopIsVirtualClock());

  EXPECT_EQ(PWShimRunLoopAdvance(-0.001), -1);
  EXPECT_EQ(PWShimRunLoopAdvance(std::nan("")), -1);
  EXPECT_EQ(PWShimRunLoopAdvance(std::numeric_limits<double>::infinity()), -1);
  ASSERT_TRUE(PWShimRunLoopSetVirtualClock(false));
  EXPECT_EQ(PWShimRunLoopAdvance(0.1), -1);
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

TEST_F(RunLoopTest, MainLoopAndModeNamesAreConstantObjectsAndNullReferencesAreIgnored)
{
  CFRunLoopRef main = CFRunLoopGetMain();
  EXPECT_EQ(CFRunLoopGetMain(), main);
  EXPECT_NE(CFRunLoopGetTypeID(), CFRunLoopTimerGetTypeID());
  EXPECT_EQ(CFGetRetainCount(main), std::numeric_limits<CFIndex>::max());
  CFRelease(main);
  CFRelease(main);
  EXPECT_EQ(CFGetTypeID(CFRunLoopGetMain()), CFRunLoopGetTypeID());
  EXPECT_NE(kCFRunLoopCommonModes, nullptr);
  EXPECT_NE(kCFRunLoopCommonModes, kCFRunLoopDefaultMode);
  EXPECT_EQ(CFGetRetainCount(kCFRunLoopCommonModes), std::numeric_limits<CFIndex>::max());

  EXPECT_EQ(CFRetain(nullptr), nullptr);
  CFRelease(nullptr);
  EXPECT_EQ(CFGetTypeID(nullptr), 0u);
  EXPECT_EQ(CFGetRetainCount(nullptr), 0);
  CFRunLoopTimerInvalidate(nullptr);
  EXPECT_FALSE(CFRunLoopTimerIsValid(nullptr));
  Add(nullptr);
  Probe p;
  CFOwned<CFRunLoopTimerRef> t(MakeTimer(p, 0.0, 0.0));
  CFRunLoopAddTimer(nullptr, t.get(), kCFRunLoopCommonModes);
  CFRunLoopAddTimer(CFRunLoopGetMain(), t.get(), nullptr);
  EXPECT_EQ(CFGetRetainCount(t.get()), 1);
}

// The wall clock really sleeps: kept short and with generous bounds.
TEST(RunLoopWallClock, RunForFiresAsTimersFallDueAndReturnsAfterTheDuration)
{
  ASSERT_FALSE(PWShimRunLoopIsVirtualClock());
  const CFIndex live = PWShimCFLiveObjectCount();
  Probe p;
  CFRunLoopTimerRef t = MakeTimer(p, 0.0, 0.010);
  Add(t);
  const auto before = std::chrono::steady_clock::now();
  const CFIndex callouts = PWShimRunLoopRunFor(0.055);
  const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
  EXPECT_GE(took, 0.055);
  // 0, 10, ... 50 ms: 6 when on time; a slow machine coalesces some.
  EXPECT_GE(callouts, 2);
  EXPECT_LE(callouts, 6);
  EXPECT_EQ(p.firings, callouts);
  CFRunLoopTimerInvalidate(t);
  CFRelease(t);
  EXPECT_EQ(PWShimCFLiveObjectCount(), live);
}

TEST(RunLoopWallClock, FireDueFiresOnlyWhatIsDueNow)
{
  Probe p;
  CFOwned<CFRunLoopTimerRef> now(MakeTimer(p, 0.0, 10.0)), later(MakeTimer(p, 10.0, 0.0));
  Add(now.get());
  Add(later.get());
  EXPECT_EQ(PWShimRunLoopFireDue(), 1);
  EXPECT_EQ(PWShimRunLoopFireDue(), 0);
  CFRunLoopTimerInvalidate(now.get());
  CFRunLoopTimerInvalidate(later.get());
}
