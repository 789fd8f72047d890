#pragma once
// Core Animation's clock.

#include <CoreFoundation/CFBase.h>

// Seconds on the main run loop's clock: the wall clock, or the virtual clock
// while a host runs on it (PWShimRunLoop.h), so that animations follow it.
extern "C" __attribute__((visibility("default"))) CFTimeInterval CACurrentMediaTime(void);
