#pragma once
// Minimal CoreFoundation base declarations for the platform stand-in.

#include <cstdint>

#if defined(__GNUC__)
#define CF_EXPORT extern "C" __attribute__((visibility("default")))
#else
#define CF_EXPORT extern "C"
#endif

typedef unsigned char Boolean;
typedef long CFIndex;
typedef unsigned long CFTypeID;
typedef unsigned long CFOptionFlags;
typedef double CFTimeInterval;
// Seconds relative to 2001-01-01 00:00:00 UTC.
typedef CFTimeInterval CFAbsoluteTime;

// Seconds between the Unix epoch and the CoreFoundation reference date.
constexpr double kCFAbsoluteTimeIntervalSince1970 = 978307200.0;

// Current wall-clock time in CoreFoundation's reference frame.
CF_EXPORT CFAbsoluteTime CFAbsoluteTimeGetCurrent(void);
