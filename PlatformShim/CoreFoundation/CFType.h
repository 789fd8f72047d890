#pragma once
// Operations that apply to every CoreFoundation object, and the small value
// types the collection and string calls share.

#include <CoreFoundation/CFBase.h>

typedef unsigned long CFHashCode;

// Ordering of two values, as answered by the comparison calls.
typedef CFIndex CFComparisonResult;
enum : CFIndex
{
  kCFCompareLessThan = -1,
  kCFCompareEqualTo = 0,
  kCFCompareGreaterThan = 1
};

// The "no such index" answer of the index and size calls.
enum : CFIndex
{
  kCFNotFound = -1
};

// A span of elements (code units, bytes, array slots): first index and count.
typedef struct
{
  CFIndex location;
  CFIndex length;
} CFRange;

inline CFRange CFRangeMake(CFIndex location, CFIndex length)
{
  CFRange range = {location, length};
  return range;
}

// True when both are the same object, or are objects of the same kind with
// equal contents (strings: same characters; numbers: same value; data: same
// bytes; arrays and dictionaries: equal elements). False when either is null.
CF_EXPORT Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2);
// Equal objects hash equally. 0 for null.
CF_EXPORT CFHashCode CFHash(CFTypeRef cf);
// A new readable description of cf (a string describes itself as its own
// text); null for null. The caller releases it.
CF_EXPORT CFStringRef CFCopyDescription(CFTypeRef cf);
