#pragma once
// Immutable blocks of bytes; a block never changes, so it may be read from
// any thread.

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFType.h>

#include <cstdint>

typedef const struct __CFData* CFDataRef;

CF_EXPORT CFTypeID CFDataGetTypeID(void);

// A new data object holding a copy of length bytes. An empty block may come
// with null bytes. Null when length is negative or bytes is null for a
// non-empty block.
CF_EXPORT CFDataRef CFDataCreate(CFAllocatorRef allocator, const uint8_t* bytes, CFIndex length);

// Bytes held; 0 when theData is not data.
CF_EXPORT CFIndex CFDataGetLength(CFDataRef theData);

// The held bytes, valid while the object lives (a valid pointer even for an
// empty block); null when theData is not data.
CF_EXPORT const uint8_t* CFDataGetBytePtr(CFDataRef theData);

// Copies the bytes of range into buffer. Copies nothing when theData is not
// data, buffer is null, or range does not lie inside the held bytes.
CF_EXPORT void CFDataGetBytes(CFDataRef theData, CFRange range, uint8_t* buffer);
