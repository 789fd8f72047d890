#include "PWShimRunLoop.h"
#include "CFRunLoopState.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <mutex>

namespace {

using pwshim::LoopNow;
using pwshim::MainLoop;

// A timer is due when its date is at most this far ahead of the clock, so
// dates built by adding intervals are not missed by a rounding error.
constexpr CFTimeInterval kDueSlackSeconds = 1.0e-9;
constexpr CFAbsoluteTime kNever = std::numeric_limits<CFAbsoluteTime>::infinity();

bool FiresBefore(const __CFRunLoopTimer& a, const __CFRunLoopTimer& b)
{
  if (a.nextFire != b.nextFire)
    return a.nextFire < b.nextFire;
  if (a.order != b.order)
    return a.order < b.order;
  return a.addSequence < b.addSequence;
}

// Loop mutex held. The first scheduled timer due by limit, or null.
__CFRunLoopTimer* FirstDueLocked(const __CFRunLoop& loop, CFAbsoluteTime limit)
{
  __CFRunLoopTimer* first = nullptr;
  for (__CFRunLoopTimer* t : loop.timers)
  {
    if (t->nextFire <= limit + kDueSlackSeconds && (!first || FiresBefore(*t, *first)))
      first = t;
  }
  return first;
}

// Loop mutex held. The date after the firing at t.nextFire: one interval on,
// or, when the clock is already past that, the first date of the timer's
// grid after now (the missed firings are dropped).
CFAbsoluteTime FollowingDate(const __CFRunLoopTimer& t, CFAbsoluteTime now)
{
  CFAbsoluteTime next = t.nextFire + t.interval;
  if (next <= now + kDueSlackSeconds)
  {
    const double missed = std::floor((now + kDueSlackSeconds - t.nextFire) / t.interval);
    next = t.nextFire + (missed + 1.0) * t.interval;
    while (next <= now + kDueSlackSeconds)
      next += t.interval;
  }
  return next;
}

// Fires the first timer due by limit. With stepClock the virtual clock moves
// to the firing's date (never back, never past limit). False when no timer
// is due. Called with the lock held; returns with it held, having released
// it around the callout.
bool FireFirstDue(__CFRunLoop& loop, std::unique_lock<std::mutex>& lock, CFAbsoluteTime limit, bool stepClock)
{
  __CFRunLoopTimer* t = FirstDueLocked(loop, limit);
  if (!t)
    return false;

  if (stepClock)
    loop.virtualNow = std::max(loop.virtualNow, std::min(t->nextFire, limit));
  const bool repeats = t->interval > 0.0;
  if (repeats)
    t->nextFire = FollowingDate(*t, LoopNow(loop));
  // The loop's reference may go while the callout runs (an invalidate).
  t->Retain();
  const CFRunLoopTimerCallBack callout = t->callout;
  void* const info = t->context.info;

  lock.unlock();
  if (callout)
    callout(t, info);
  if (!repeats)
    CFRunLoopTimerInvalidate(t);
  t->Release();
  lock.lock();
  return true;
}

// Claims the loop for one pump call; false when another one runs.
bool BeginPump(__CFRunLoop& loop)
{
  if (loop.pumping)
    return false;
  loop.pumping = true;
  return true;
}

// Loop mutex held, pump claimed, virtual clock on.
CFIndex AdvanceLocked(__CFRunLoop& loop, std::unique_lock<std::mutex>& lock, double seconds)
{
  const CFAbsoluteTime target = loop.virtualNow + seconds;
  CFIndex callouts = 0;
  while (FireFirstDue(loop, lock, target, true))
    ++callouts;
  loop.virtualNow = target;
  return callouts;
}

// Loop mutex held, pump claimed, wall clock.
CFIndex RunForLocked(__CFRunLoop& loop, std::unique_lock<std::mutex>& lock, double seconds)
{
  using Clock = std::chrono::steady_clock;
  // Capped at about 31 years so the deadline stays representable.
  const std::chrono::duration<double> runTime(std::min(seconds, 1.0e9));
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(runTime);
  CFIndex callouts = 0;
  for (;;)
  {
    const CFAbsoluteTime passStart = CFAbsoluteTimeGetCurrent();
    while (FireFirstDue(loop, lock, passStart, false))
      ++callouts;

    const auto now = Clock::now();
    if (now >= deadline)
      break;
    auto wait = deadline - now;
    if (!loop.timers.empty())
    {
      CFAbsoluteTime nextDate = kNever;
      for (const __CFRunLoopTimer* t : loop.timers)
        nextDate = std::min(nextDate, t->nextFire);
      const double untilNext = nextDate - CFAbsoluteTimeGetCurrent();
      if (untilNext < std::chrono::duration<double>(wait).count())
        wait = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(std::max(untilNext, 0.0)));
    }
    loop.timersChanged.wait_for(lock, wait);
  }
  return callouts;
}

bool IsValidDuration(double seconds) { return std::isfinite(seconds) && seconds >= 0.0; }

} // namespace

CF_EXPORT Boolean PWShimRunLoopSetVirtualClock(bool on)
{
  __CFRunLoop& loop = MainLoop();
  std::lock_guard<std::mutex> guard(loop.mutex);
  if (loop.pumping)
    return false;
  if (loop.virtualClock == on)
    return true;
  // Every timer keeps its distance to "now" in the new frame.
  const CFAbsoluteTime shift = on ? loop.virtualNow - CFAbsoluteTimeGetCurrent()
                                  : CFAbsoluteTimeGetCurrent() - loop.virtualNow;
  for (__CFRunLoopTimer* t = loop.liveTimers; t; t = t->nextLive)
    t->nextFire += shift;
  loop.virtualClock = on;
  return true;
}

CF_EXPORT Boolean PWShimRunLoopIsVirtualClock(void)
{
  __CFRunLoop& loop = MainLoop();
  std::lock_guard<std::mutex> guard(loop.mutex);
  return loop.virtualClock;
}

CF_EXPORT CFAbsoluteTime PWShimRunLoopGetTime(void)
{
  __CFRunLoop& loop = MainLoop();
  std::lock_guard<std::mutex> guard(loop.mutex);
  return LoopNow(loop);
}

CF_EXPORT CFIndex PWShimRunLoopAdvance(double seconds)
{
  __CFRunLoop& loop = MainLoop();
  std::unique_lock<std::mutex> lock(loop.mutex);
  if (!IsValidDuration(seconds) || !loop.virtualClock || !BeginPump(loop))
    return -1;
  const CFIndex callouts = AdvanceLocked(loop, lock, seconds);
  loop.pumping = false;
  return callouts;
}

CF_EXPORT CFIndex PWShimRunLoopRunFor(double seconds)
{
  __CFRunLoop& loop = MainLoop();
  std::unique_lock<std::mutex> lock(loop.mutex);
  if (!IsValidDuration(seconds) || !BeginPump(loop))
    return -1;
  const CFIndex callouts = loop.virtualClock ? AdvanceLocked(loop, lock, seconds) : RunForLocked(loop, lock, seconds);
  loop.pumping = false;
  return callouts;
}

CF_EXPORT CFIndex PWShimRunLoopFireDue(void)
{
  __CFRunLoop& loop = MainLoop();
  std::unique_lock<std::mutex> lock(loop.mutex);
  if (!BeginPump(loop))
    return -1;
  const CFAbsoluteTime now = LoopNow(loop);
  CFIndex callouts = 0;
  while (FireFirstDue(loop, lock, now, false))
    ++callouts;
  loop.pumping = false;
  return callouts;
}
