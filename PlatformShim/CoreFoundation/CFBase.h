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

// Object model. Every CoreFoundation object is reference counted: a Create
// or Copy call returns it with one reference owned by the caller, CFRetain
// adds one and CFRelease drops one; the last CFRelease destroys it. Retain
// and release are thread-safe; everything else about an object belongs to
// the thread that uses it unless its header says otherwise.
typedef const void* CFTypeRef;
typedef const struct __CFString* CFStringRef;
typedef const struct __CFAllocator* CFAllocatorRef;

// The stand-in has a single allocator (the C++ heap); every allocator
// argument is accepted and ignored, null included.
CF_EXPORT const CFAllocatorRef kCFAllocatorDefault;

// Returns cf. A null cf is ignored.
CF_EXPORT CFTypeRef CFRetain(CFTypeRef cf);
// A null cf is ignored (the platform would crash).
CF_EXPORT void CFRelease(CFTypeRef cf);
// 0 for null.
CF_EXPORT CFTypeID CFGetTypeID(CFTypeRef cf);
// References held on cf; 0 for null. Constant objects that are never
// destroyed (the main run loop, mode names) report the largest CFIndex.
CF_EXPORT CFIndex CFGetRetainCount(CFTypeRef cf);
