#pragma once
// Internal to the stand-in: the state of the main run loop and its timers,
// shared by the CoreFoundation calls (CFRunLoop.cpp) and the pump and clock
// (PWShimRunLoop.cpp).
//
// Locking: one mutex, the main loop's, guards every field marked "loop".
// Timer callouts, context callbacks and the release of timer references never
// run with it held, so they may call back into the loop.

#include "CFRunLoop.h"
#include "CFRuntime.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

struct __CFRunLoopTimer final : pwshim::CFObject
{
  __CFRunLoopTimer() noexcept : CFObject(pwshim::kTypeIDRunLoopTimer) {}
  ~__CFRunLoopTimer() override;

  // Fixed at creation.
  CFRunLoopTimerCallBack callout = nullptr;
  CFRunLoopTimerContext context{};
  CFTimeInterval interval = 0.0; // seconds, 0 for a one-shot
  CFIndex order = 0;

  CFAbsoluteTime nextFire = 0.0;        // loop: in the loop clock's frame
  bool valid = true;                    // loop
  bool infoReleased = false;            // loop
  bool scheduled = false;               // loop: the main loop holds it (and a reference)
  uint64_t addSequence = 0;             // loop: when it was last added
  __CFRunLoopTimer* prevLive = nullptr; // loop: list of every timer alive, for clock switches
  __CFRunLoopTimer* nextLive = nullptr; // loop
};

struct __CFRunLoop final : pwshim::CFObject
{
  __CFRunLoop() noexcept : CFObject(pwshim::kTypeIDRunLoop, Lifetime::Constant) {}

  std::mutex mutex;
  std::condition_variable timersChanged;  // loop: wakes a sleeping PWShimRunLoopRunFor
  std::vector<__CFRunLoopTimer*> timers;  // loop: added timers, one reference each
  __CFRunLoopTimer* liveTimers = nullptr; // loop: head of the list of every timer alive
  uint64_t nextAddSequence = 0;           // loop
  bool virtualClock = false;              // loop
  CFAbsoluteTime virtualNow = 0.0;        // loop: seconds
  bool pumping = false;                   // loop: a pump call is running
};

namespace pwshim {

// The process's only run loop; never destroyed, so timers may be stopped
// from static destructors.
__CFRunLoop& MainLoop();

// Loop mutex held. The loop clock: virtual seconds or the wall clock.
inline CFAbsoluteTime LoopNow(const __CFRunLoop& loop)
{
  return loop.virtualClock ? loop.virtualNow : CFAbsoluteTimeGetCurrent();
}

} // namespace pwshim
