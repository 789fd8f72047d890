#include "IWeftTimer.h"

#include <new>
#include <utility>

namespace weft {

std::unique_ptr<Timer> Timer::Create(ITimerFunction func, uint32_t intervalMs)
{
  if (!func || intervalMs == 0)
    return nullptr;
  std::unique_ptr<Timer_impl> timer(new (std::nothrow) Timer_impl(std::move(func), intervalMs));
  if (!timer || !timer->IsRunning())
    return nullptr;
  return timer;
}

Timer_impl::Timer_impl(ITimerFunction func, uint32_t intervalMs)
: mTimerFunc(std::move(func)), mIntervalMs(intervalMs)
{
  CFRunLoopTimerContext context = {0, this, nullptr, nullptr, nullptr};
  const CFTimeInterval intervalSeconds = static_cast<CFTimeInterval>(mIntervalMs) / 1000.0;
  mOSTimer = CFRunLoopTimerCreate(kCFAllocatorDefault, CFAbsoluteTimeGetCurrent(), intervalSeconds, 0, 0,
                                  &TimerProc, &context);
  if (mOSTimer)
    CFRunLoopAddTimer(CFRunLoopGetMain(), mOSTimer, kCFRunLoopCommonModes);
}

Timer_impl::~Timer_impl() { Stop(); }

void Timer_impl::Stop()
{
  if (!mOSTimer)
    return;
  CFRunLoopTimerInvalidate(mOSTimer);
  CFRelease(mOSTimer);
  mOSTimer = nullptr;
}

void Timer_impl::TimerProc(CFRunLoopTimerRef, void* info)
{
  Timer_impl* timer = static_cast<Timer_impl*>(info);
  timer->mTimerFunc(*timer);
}

} // namespace weft
