#pragma once
// Raw memory from an allocator. The stand-in's only allocator is the C heap,
// so every allocator argument (null and kCFAllocatorDefault included) selects
// it.

#include <CoreFoundation/CFBase.h>

// size bytes, suitably aligned for any type; null when size is 0 or negative
// or the memory cannot be had. hint is ignored.
CF_EXPORT void* CFAllocatorAllocate(CFAllocatorRef allocator, CFIndex size, CFOptionFlags hint);
// Frees what CFAllocatorAllocate answered; null is ignored.
CF_EXPORT void CFAllocatorDeallocate(CFAllocatorRef allocator, void* ptr);
