#pragma once
// Repeating timer on the main run loop. It fires on the thread that runs the
// main loop (the main thread); create, stop and destroy it there too. The
// function may stop its timer but must not destroy it.

#include <CoreFoundation/CFRunLoop.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace weft {

class Timer
{
public:
  using ITimerFunction = std::function<void(Timer&)>;

  // A started timer that calls func with itself now and then every
  // intervalMs milliseconds until it is stopped or destroyed. The caller
  // owns it. Null when func is empty, intervalMs is 0 or the run-loop timer
  // cannot be made.
  static std::unique_ptr<Timer> Create(ITimerFunction func, uint32_t intervalMs);

  Timer() = default;
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;
  virtual ~Timer() = default;

  // No further calls of the function after this returns, including from
  // inside the function itself. A second call does nothing.
  virtual void Stop() = 0;
};

class Timer_impl final : public Timer
{
public:
  // Check IsRunning afterwards: the run-loop timer may fail to be made.
  Timer_impl(ITimerFunction func, uint32_t intervalMs);
  ~Timer_impl() override;

  void Stop() override;

  bool IsRunning() const noexcept { return mOSTimer != nullptr; }

private:
  static void TimerProc(CFRunLoopTimerRef timer, void* info);

  CFRunLoopTimerRef mOSTimer = nullptr; // null once stopped
  ITimerFunction mTimerFunc;
  uint32_t mIntervalMs;
};

} // namespace weft
