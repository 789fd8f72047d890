#pragma once
// Ordered collections of pointer-sized values. What the array does with a
// value when it takes it in, lets it go or compares it is set by its
// callbacks; with kCFTypeArrayCallBacks the values are CoreFoundation objects
// that the array retains while it holds them.
//
// A mutable array belongs to one thread at a time; an immutable one may be
// read from any thread.

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFType.h>

typedef const struct __CFArray* CFArrayRef;
typedef struct __CFArray* CFMutableArrayRef;

// Called when a value enters the array; answers the value to store.
typedef const void* (*CFArrayRetainCallBack)(CFAllocatorRef allocator, const void* value);
// Called when a stored value leaves the array (removed, or the array destroyed).
typedef void (*CFArrayReleaseCallBack)(CFAllocatorRef allocator, const void* value);
// Answers a new description of the value (released by the array).
typedef CFStringRef (*CFArrayCopyDescriptionCallBack)(const void* value);
typedef Boolean (*CFArrayEqualCallBack)(const void* value1, const void* value2);

// Any member may be null: no retain, no release, an address as description,
// pointer identity as equality. version is 0.
typedef struct
{
  CFIndex version;
  CFArrayRetainCallBack retain;
  CFArrayReleaseCallBack release;
  CFArrayCopyDescriptionCallBack copyDescription;
  CFArrayEqualCallBack equal;
} CFArrayCallBacks;

// CFRetain, CFRelease, CFCopyDescription and CFEqual.
CF_EXPORT const CFArrayCallBacks kCFTypeArrayCallBacks;

CF_EXPORT CFTypeID CFArrayGetTypeID(void);

// A new immutable array of numValues values, each passed through the retain
// callback. callBacks is copied; null means all-null callbacks. Null when
// numValues is negative or values is null for a non-empty array.
CF_EXPORT CFArrayRef CFArrayCreate(CFAllocatorRef allocator, const void** values, CFIndex numValues, const CFArrayCallBacks* callBacks);

// A new empty mutable array. capacity is a hint (0: no limit); the array
// grows as needed. Null when capacity is negative.
CF_EXPORT CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef allocator, CFIndex capacity, const CFArrayCallBacks* callBacks);

// 0 when theArray is not an array.
CF_EXPORT CFIndex CFArrayGetCount(CFArrayRef theArray);

// The value at idx, not retained for the caller; null when idx is out of
// range or theArray is not an array.
CF_EXPORT const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx);

// True when a value in range equals value by the equal callback. False when
// range does not lie inside the array.
CF_EXPORT Boolean CFArrayContainsValue(CFArrayRef theArray, CFRange range, const void* value);

// The mutations below do nothing when theArray is immutable or not an array,
// or idx is out of range.

// Adds value (through the retain callback) at the end.
CF_EXPORT void CFArrayAppendValue(CFMutableArrayRef theArray, const void* value);
// Adds value before the value at idx; idx equal to the count appends.
CF_EXPORT void CFArrayInsertValueAtIndex(CFMutableArrayRef theArray, CFIndex idx, const void* value);
// Replaces the value at idx: the new one is retained before the old one is
// released.
CF_EXPORT void CFArraySetValueAtIndex(CFMutableArrayRef theArray, CFIndex idx, const void* value);
// Releases and removes the value at idx.
CF_EXPORT void CFArrayRemoveValueAtIndex(CFMutableArrayRef theArray, CFIndex idx);
// Releases and removes every value, first to last.
CF_EXPORT void CFArrayRemoveAllValues(CFMutableArrayRef theArray);
