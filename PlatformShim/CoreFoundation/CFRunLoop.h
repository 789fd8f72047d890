#pragma once
// Run loop and run-loop timers of the CoreFoundation stand-in.
//
// There is one run loop, the main one, and no hidden thread: nothing fires
// until the thread that owns the main loop (a host or a test) pumps it with
// the calls of PWShimRunLoop.h. Timers fire on that thread, one at a time,
// in the order of their fire dates (ties: lower order first, then the one
// added first). The stand-in has no modes of its own: a timer added in any
// mode fires whenever the loop is pumped.
//
// Timer calls may come from any thread; the loop keeps its own reference to
// every timer it holds, so a timer released while added stays alive until it
// is removed or invalidated.

#include <CoreFoundation/CFBase.h>

typedef struct __CFRunLoop* CFRunLoopRef;
typedef struct __CFRunLoopTimer* CFRunLoopTimerRef;
typedef CFStringRef CFRunLoopMode;

// Called on the pumping thread with the timer and its context's info.
typedef void (*CFRunLoopTimerCallBack)(CFRunLoopTimerRef timer, void* info);

typedef struct
{
  CFIndex version; // 0
  void* info;      // handed to the callout
  // Optional. Called once on info when the timer is created; the result is
  // kept as the info.
  const void* (*retain)(const void* info);
  // Optional. Called once on info when the timer is invalidated or destroyed,
  // whichever comes first.
  void (*release)(const void* info);
  // Optional; never called by the stand-in.
  CFStringRef (*copyDescription)(const void* info);
} CFRunLoopTimerContext;

CF_EXPORT const CFRunLoopMode kCFRunLoopDefaultMode;
CF_EXPORT const CFRunLoopMode kCFRunLoopCommonModes;

CF_EXPORT CFTypeID CFRunLoopGetTypeID(void);
CF_EXPORT CFTypeID CFRunLoopTimerGetTypeID(void);

// The main run loop, a constant object (retain and release do nothing).
CF_EXPORT CFRunLoopRef CFRunLoopGetMain(void);

// A new valid timer, not yet added to a run loop; the caller owns the
// returned reference.
// - fireDate: first firing, in CFAbsoluteTimeGetCurrent's frame. With the
//   virtual clock on it is taken relative to the wall time of the call: a
//   date not after it fires at exactly the virtual now, a later one that
//   many seconds after the virtual now.
// - interval, seconds: above 0 the timer repeats, at least 0.1 ms apart
//   (shorter intervals are raised to that); 0, negative or not finite makes
//   a one-shot timer that invalidates itself after firing.
// - order: breaks ties between timers due at the same date, lower first.
// - flags and allocator are ignored. callout may be null (a firing then
//   does nothing); context may be null (info null).
// Null when fireDate is NaN or memory is exhausted.
CF_EXPORT CFRunLoopTimerRef CFRunLoopTimerCreate(CFAllocatorRef allocator, CFAbsoluteTime fireDate,
                                                 CFTimeInterval interval, CFOptionFlags flags, CFIndex order,
                                                 CFRunLoopTimerCallBack callout, CFRunLoopTimerContext* context);

// Adds a valid timer to rl, which then holds a reference to it. Adding an
// invalid timer, a timer already added, or with a null rl or mode does
// nothing.
CF_EXPORT void CFRunLoopAddTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFRunLoopMode mode);
// Takes the timer out of rl and drops rl's reference; it stays valid and can
// be added again. Does nothing when rl does not hold it.
CF_EXPORT void CFRunLoopRemoveTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFRunLoopMode mode);
CF_EXPORT Boolean CFRunLoopContainsTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFRunLoopMode mode);

// Stops the timer for good: takes it out of its run loop (dropping the
// loop's reference) and releases its context info. A timer invalidated from
// its own callout does not fire again. A second call does nothing.
CF_EXPORT void CFRunLoopTimerInvalidate(CFRunLoopTimerRef timer);
CF_EXPORT Boolean CFRunLoopTimerIsValid(CFRunLoopTimerRef timer);
// In CFAbsoluteTimeGetCurrent's frame (relative to the wall time with the
// virtual clock on); 0 for null.
CF_EXPORT CFAbsoluteTime CFRunLoopTimerGetNextFireDate(CFRunLoopTimerRef timer);
// Seconds between firings, 0 for a one-shot or null timer.
CF_EXPORT CFTimeInterval CFRunLoopTimerGetInterval(CFRunLoopTimerRef timer);
CF_EXPORT Boolean CFRunLoopTimerDoesRepeat(CFRunLoopTimerRef timer);
CF_EXPORT CFIndex CFRunLoopTimerGetOrder(CFRunLoopTimerRef timer);
