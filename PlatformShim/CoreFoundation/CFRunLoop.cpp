#include "CFRunLoopState.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

using pwshim::LoopNow;
using pwshim::MainLoop;

constexpr CFTimeInterval kMinIntervalSeconds = 1.0e-4;

const pwshim::CFObject sDefaultModeName(pwshim::kTypeIDRunLoopModeName, pwshim::CFObject::Lifetime::Constant);
const pwshim::CFObject sCommonModesName(pwshim::kTypeIDRunLoopModeName, pwshim::CFObject::Lifetime::Constant);

__CFRunLoopTimer* TimerFromRef(CFRunLoopTimerRef timer)
{
  return pwshim::CastRef<__CFRunLoopTimer>(timer, pwshim::kTypeIDRunLoopTimer);
}

bool IsMainLoop(CFRunLoopRef rl) { return rl && rl == &MainLoop(); }

// Loop mutex held. A date of the caller's frame (CFAbsoluteTimeGetCurrent)
// in the loop clock's frame and back; identity on the wall clock. On the
// virtual clock a date not after the wall time means "now" and becomes
// exactly the virtual now, so timers started now fire at reproducible
// virtual dates whatever the wall clock read at their creation.
CFAbsoluteTime ToLoopDate(const __CFRunLoop& loop, CFAbsoluteTime date)
{
  if (!loop.virtualClock)
    return date;
  const CFTimeInterval ahead = date - CFAbsoluteTimeGetCurrent();
  return ahead > 0.0 ? loop.virtualNow + ahead : loop.virtualNow;
}

CFAbsoluteTime FromLoopDate(const __CFRunLoop& loop, CFAbsoluteTime date)
{
  return loop.virtualClock ? date - loop.virtualNow + CFAbsoluteTimeGetCurrent() : date;
}

// Work found under the loop mutex that must run after it is released.
struct DeferredRelease
{
  __CFRunLoopTimer* timer = nullptr; // drop one reference
  void (*releaseInfo)(const void*) = nullptr;
  const void* info = nullptr;

  void Run()
  {
    if (releaseInfo)
      releaseInfo(info);
    if (timer)
      timer->Release();
  }
};

// Loop mutex held.
void TakeInfoLocked(__CFRunLoopTimer& t, DeferredRelease& deferred)
{
  if (t.infoReleased)
    return;
  t.infoReleased = true;
  if (t.context.release && t.context.info)
  {
    deferred.releaseInfo = t.context.release;
    deferred.info = t.context.info;
  }
}

// Loop mutex held.
void UnscheduleLocked(__CFRunLoop& loop, __CFRunLoopTimer& t, DeferredRelease& deferred)
{
  if (!t.scheduled)
    return;
  loop.timers.erase(std::find(loop.timers.begin(), loop.timers.end(), &t));
  t.scheduled = false;
  deferred.timer = &t;
  loop.timersChanged.notify_all();
}

// Loop mutex held.
void InvalidateLocked(__CFRunLoop& loop, __CFRunLoopTimer& t, DeferredRelease& deferred)
{
  if (!t.valid)
    return;
  t.valid = false;
  UnscheduleLocked(loop, t, deferred);
  TakeInfoLocked(t, deferred);
}

} // namespace

__CFRunLoop& pwshim::MainLoop()
{
  static __CFRunLoop* const sMain = new __CFRunLoop();
  return *sMain;
}

__CFRunLoopTimer::~__CFRunLoopTimer()
{
  __CFRunLoop& loop = MainLoop();
  DeferredRelease deferred;
  {
    std::lock_guard<std::mutex> guard(loop.mutex);
    if (prevLive)
      prevLive->nextLive = nextLive;
    else
      loop.liveTimers = nextLive;
    if (nextLive)
      nextLive->prevLive = prevLive;
    TakeInfoLocked(*this, deferred);
  }
  deferred.Run();
}

CF_EXPORT const CFRunLoopMode kCFRunLoopDefaultMode = reinterpret_cast<CFRunLoopMode>(&sDefaultModeName);
CF_EXPORT const CFRunLoopMode kCFRunLoopCommonModes = reinterpret_cast<CFRunLoopMode>(&sCommonModesName);

CF_EXPORT CFTypeID CFRunLoopGetTypeID(void) { return pwshim::kTypeIDRunLoop; }
CF_EXPORT CFTypeID CFRunLoopTimerGetTypeID(void) { return pwshim::kTypeIDRunLoopTimer; }

CF_EXPORT CFRunLoopRef CFRunLoopGetMain(void) { return &MainLoop(); }

CF_EXPORT CFRunLoopTimerRef CFRunLoopTimerCreate(CFAllocatorRef, CFAbsoluteTime fireDate, CFTimeInterval interval,
                                                 CFOptionFlags, CFIndex order, CFRunLoopTimerCallBack callout,
                                                 CFRunLoopTimerContext* context)
{
  if (std::isnan(fireDate))
    return nullptr;
  __CFRunLoopTimer* t = new (std::nothrow) __CFRunLoopTimer();
  if (!t)
    return nullptr;

  t->callout = callout;
  t->order = order;
  if (std::isfinite(interval) && interval > 0.0)
    t->interval = std::max(interval, kMinIntervalSeconds);
  if (context)
  {
    t->context = *context;
    if (context->retain && context->info)
      t->context.info = const_cast<void*>(context->retain(context->info));
  }

  __CFRunLoop& loop = MainLoop();
  std::lock_guard<std::mutex> guard(loop.mutex);
  // Minus infinity means "now"; kept as such it would break the date grid.
  t->nextFire = std::isinf(fireDate) && fireDate < 0.0 ? LoopNow(loop) : ToLoopDate(loop, fireDate);
  t->nextLive = loop.liveTimers;
  if (loop.liveTimers)
    loop.liveTimers->prevLive = t;
  loop.liveTimers = t;
  return t;
}

CF_EXPORT void CFRunLoopAddTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFRunLoopMode mode)
{
  __CFRunLoopTimer* t = TimerFromRef(timer);
  if (!IsMainLoop(rl) || !t || !mode)
    return;
  __CFRunLoop& loop = MainLoop();
  std::lock_guard<std::mutex> guard(loop.mutex);
  if (!t->valid || t->scheduled)
    return;
  try
  {
    loop.timers.push_back(t);
  }
  catch (const std::bad_alloc&)
  {
    return;
  }
  t->Retain();
  t->scheduled = true;
  t->addSequence = loop.nextAddSequence++;
  loop.timersChanged.notify_all();
}

CF_EXPORT void CFRunLoopRemoveTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFRunLoopMode mode)
{
  __CFRunLoopTimer* t = TimerFromRef(timer);
  if (!IsMainLoop(rl) || !t || !mode)
    return;
  __CFRunLoop& loop = MainLoop();
  DeferredRelease deferred;
  {
    std::lock_guard<std::mutex> guard(loop.mutex);
    UnscheduleLocked(loop, *t, deferred);
  }
  deferred.Run();
}

CF_EXPORT Boolean CFRunLoopContainsTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFRunLoopMode mode)
{
  __CFRunLoopTimer* t = TimerFromRef(timer);
  if (!IsMainLoop(rl) || !t || !mode)
    return false;
  std::lock_guard<std::mutex> guard(MainLoop().mutex);
  return t->scheduled;
}

CF_EXPORT void CFRunLoopTimerInvalidate(CFRunLoopTimerRef timer)
{
  __CFRunLoopTimer* t = TimerFromRef(timer);
  if (!t)
    return;
  __CFRunLoop& loop = MainLoop();
  DeferredRelease deferred;
  {
    std::lock_guard<std::mutex> guard(loop.mutex);
    InvalidateLocked(loop, *t, deferred);
  }
  deferred.Run();
}

CF_EXPORT Boolean CFRunLoopTimerIsValid(CFRunLoopTimerRef timer)
{
  __CFRunLoopTimer* t = TimerFromRef(timer);
  if (!t)
    return false;
  std::lock_guard<std::mutex> guard(MainLoop().mutex);
  return t->valid;
}

CF_EXPORT CFAbsoluteTime CFRunLoopTimerGetNextFireDate(CFRunLoopTimerRef timer)
{
  __CFRunLoopTimer* t = TimerFromRef(timer);
  if (!t)
    return 0.0;
  __CFRunLoop& loop = MainLoop();
  std::lock_guard<std::mutex> guard(loop.mutex);
  return FromLoopDate(loop, t->nextFire);
}

CF_EXPORT CFTimeInterval CFRunLoopTimerGetInterval(CFRunLoopTimerRef timer)
{
  const __CFRunLoopTimer* t = TimerFromRef(timer);
  return t ? t->interval : 0.0;
}

CF_EXPORT Boolean CFRunLoopTimerDoesRepeat(CFRunLoopTimerRef timer)
{
  const __CFRunLoopTimer* t = TimerFromRef(timer);
  return t && t->interval > 0.0;
}

CF_EXPORT CFIndex CFRunLoopTimerGetOrder(CFRunLoopTimerRef timer)
{
  const __CFRunLoopTimer* t = TimerFromRef(timer);
  return t ? t->order : 0;
}
