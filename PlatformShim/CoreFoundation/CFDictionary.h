#pragma once
// Key-value collections of pointer-sized keys and values. The key callbacks
// say how keys are retained, released, compared and hashed; the value
// callbacks how values are retained, released and compared. With
// kCFTypeDictionaryKeyCallBacks and kCFTypeDictionaryValueCallBacks both are
// CoreFoundation objects, retained while held, and keys match by CFEqual
// (so two strings with the same text are the same key).
//
// A mutable dictionary belongs to one thread at a time; an immutable one may
// be read from any thread.

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFType.h>

typedef const struct __CFDictionary* CFDictionaryRef;
typedef struct __CFDictionary* CFMutableDictionaryRef;

// Called when a key or value enters the dictionary; answers what to store.
typedef const void* (*CFDictionaryRetainCallBack)(CFAllocatorRef allocator, const void* value);
// Called when a stored key or value leaves the dictionary.
typedef void (*CFDictionaryReleaseCallBack)(CFAllocatorRef allocator, const void* value);
// Answers a new description (released by the dictionary).
typedef CFStringRef (*CFDictionaryCopyDescriptionCallBack)(const void* value);
typedef Boolean (*CFDictionaryEqualCallBack)(const void* value1, const void* value2);
// Keys that are equal must hash equally.
typedef CFHashCode (*CFDictionaryHashCallBack)(const void* value);

// Any member may be null: no retain, no release, an address as description,
// pointer identity as equality and hash. version is 0.
typedef struct
{
  CFIndex version;
  CFDictionaryRetainCallBack retain;
  CFDictionaryReleaseCallBack release;
  CFDictionaryCopyDescriptionCallBack copyDescription;
  CFDictionaryEqualCallBack equal;
  CFDictionaryHashCallBack hash;
} CFDictionaryKeyCallBacks;

typedef struct
{
  CFIndex version;
  CFDictionaryRetainCallBack retain;
  CFDictionaryReleaseCallBack release;
  CFDictionaryCopyDescriptionCallBack copyDescription;
  CFDictionaryEqualCallBack equal;
} CFDictionaryValueCallBacks;

// CFRetain, CFRelease, CFCopyDescription, CFEqual (and CFHash for keys).
CF_EXPORT const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks;
CF_EXPORT const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks;

CF_EXPORT CFTypeID CFDictionaryGetTypeID(void);

// A new immutable dictionary of numValues pairs (a key given twice keeps its
// last value). The callback records are copied; null means all-null
// callbacks. Null when numValues is negative or keys or values is null for a
// non-empty dictionary.
CF_EXPORT CFDictionaryRef CFDictionaryCreate(CFAllocatorRef allocator, const void** keys, const void** values, CFIndex numValues,
                                             const CFDictionaryKeyCallBacks* keyCallBacks,
                                             const CFDictionaryValueCallBacks* valueCallBacks);

// A new immutable dictionary with theDict's pairs and callbacks.
CF_EXPORT CFDictionaryRef CFDictionaryCreateCopy(CFAllocatorRef allocator, CFDictionaryRef theDict);

// A new empty mutable dictionary. capacity is a hint (0: no limit). Null
// when capacity is negative.
CF_EXPORT CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef allocator, CFIndex capacity,
                                                           const CFDictionaryKeyCallBacks* keyCallBacks,
                                                           const CFDictionaryValueCallBacks* valueCallBacks);

// A new mutable dictionary with theDict's pairs and callbacks.
CF_EXPORT CFMutableDictionaryRef CFDictionaryCreateMutableCopy(CFAllocatorRef allocator, CFIndex capacity, CFDictionaryRef theDict);

// 0 when theDict is not a dictionary.
CF_EXPORT CFIndex CFDictionaryGetCount(CFDictionaryRef theDict);

CF_EXPORT Boolean CFDictionaryContainsKey(CFDictionaryRef theDict, const void* key);

// The value stored under key, not retained for the caller; null when there
// is none (use CFDictionaryGetValueIfPresent where null may be a value).
CF_EXPORT const void* CFDictionaryGetValue(CFDictionaryRef theDict, const void* key);

// True and *value set (when value is not null) when key is present; false
// and *value untouched otherwise.
CF_EXPORT Boolean CFDictionaryGetValueIfPresent(CFDictionaryRef theDict, const void* key, const void** value);

// Fills keys and values (each may be null) with CFDictionaryGetCount
// entries, pair by pair in the same order.
CF_EXPORT void CFDictionaryGetKeysAndValues(CFDictionaryRef theDict, const void** keys, const void** values);

// The mutations below do nothing when theDict is immutable or not a
// dictionary.

// Stores value under key: a present key keeps its stored key object and has
// its value replaced (the new value retained before the old one is
// released); a new key and its value are retained and added.
CF_EXPORT void CFDictionarySetValue(CFMutableDictionaryRef theDict, const void* key, const void* value);
// Adds the pair only when key is not present.
CF_EXPORT void CFDictionaryAddValue(CFMutableDictionaryRef theDict, const void* key, const void* value);
// Releases and removes key and its value, when present.
CF_EXPORT void CFDictionaryRemoveValue(CFMutableDictionaryRef theDict, const void* key);
// Releases and removes every pair.
CF_EXPORT void CFDictionaryRemoveAllValues(CFMutableDictionaryRef theDict);
