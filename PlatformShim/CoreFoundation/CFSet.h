#pragma once
// Unordered sets of CoreFoundation objects (kCFTypeSetCallBacks only):
// members are retained, compared with CFEqual, released with the set.

#include <CoreFoundation/CFBase.h>

typedef const struct __CFSet* CFSetRef;

typedef struct
{
  CFIndex version;
  const void* retain;
  const void* release;
  const void* copyDescription;
  const void* equal;
  const void* hash;
} CFSetCallBacks;

CF_EXPORT const CFSetCallBacks kCFTypeSetCallBacks;

CF_EXPORT CFTypeID CFSetGetTypeID(void);
// Equal values are kept once. Null for a null value, null values with a
// count, a negative count or callbacks other than kCFTypeSetCallBacks.
CF_EXPORT CFSetRef CFSetCreate(CFAllocatorRef allocator, const void** values, CFIndex numValues,
                               const CFSetCallBacks* callBacks);
CF_EXPORT CFIndex CFSetGetCount(CFSetRef theSet);
CF_EXPORT Boolean CFSetContainsValue(CFSetRef theSet, const void* value);
