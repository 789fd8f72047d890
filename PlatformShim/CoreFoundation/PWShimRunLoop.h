#pragma once
// Pumping the stand-in's main run loop. The platform has no such calls: its
// run loop runs itself. Here the thread that owns the main loop (a host or a
// test) pumps it explicitly, on a real or a virtual clock. Every pump call is
// refused (-1) while another pump call is running, including from inside a
// timer's callout.
//
// The virtual clock lets a host render deterministically: time stands still
// until PWShimRunLoopAdvance moves it. It counts seconds from 0 at process
// start and keeps its value while switched off.

#include <CoreFoundation/CFBase.h>

// Switches the loop between the wall clock (off, the default) and the
// virtual clock (on). Timers keep their distance to "now" across the switch.
// False (nothing changed) while the loop is being pumped.
CF_EXPORT Boolean PWShimRunLoopSetVirtualClock(bool on);
CF_EXPORT Boolean PWShimRunLoopIsVirtualClock(void);

// The loop's clock in seconds: the virtual time, or CFAbsoluteTimeGetCurrent.
// During a callout on the virtual clock: the firing's scheduled date (for a
// firing that was already overdue, the time the pump started at).
CF_EXPORT CFAbsoluteTime PWShimRunLoopGetTime(void);

// Virtual clock only: moves it forward by seconds (>= 0), stopping at every
// firing due on the way in date order, so a repeating timer fires as many
// times as it would have in real time (a 20 ms timer due now fires 6 times
// over 0.1 s: at 0, 20, ... 100 ms). Firings already overdue when the call
// starts are coalesced into one. Returns the number of callouts made, or -1
// when the virtual clock is off, seconds is negative or not finite, or the
// loop is being pumped.
CF_EXPORT CFIndex PWShimRunLoopAdvance(double seconds);

// Pumps for seconds (>= 0): on the wall clock, fires timers as they become
// due and sleeps in between, returning after seconds have passed; on the
// virtual clock, the same as PWShimRunLoopAdvance. Returns the number of
// callouts made, or -1 as PWShimRunLoopAdvance.
CF_EXPORT CFIndex PWShimRunLoopRunFor(double seconds);

// Fires, once each, the timers due at the loop's current time, without
// moving the virtual clock or sleeping. A repeating timer that missed
// several firings fires once and is rescheduled after now. Returns the
// number of callouts made, or -1 while the loop is being pumped.
CF_EXPORT CFIndex PWShimRunLoopFireDue(void);
