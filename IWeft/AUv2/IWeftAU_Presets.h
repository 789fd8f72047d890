#pragma once
// The reference-counted preset record that the unit hands out in its
// factory-presets array (property 24), with the array callbacks that keep
// the records alive while an array holds them. The component exports all of
// these with C linkage, so hosts and other components can build and read
// such arrays too.
//
// Threads: the retain count is a plain integer: a record is retained and
// released by one thread at a time.

#include <AudioToolbox/AudioUnitProperties.h>
#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFBase.h>

#include <cstddef>

#if defined(__GNUC__)
#define IWEFT_AU_EXPORT extern "C" __attribute__((visibility("default")))
#else
#define IWEFT_AU_EXPORT extern "C"
#endif

// 40 bytes, each field on an 8-byte boundary. The first two fields are an
// AUPreset, so a host reads the array's elements as plain preset records.
struct CFAUPreset
{
  AUPreset auPreset;        // number, and name (may be null; one reference per retain)
  UInt32 version;           // always 0
  CFAllocatorRef allocator; // the allocator the record came from; frees it
  CFIndex retainCount;      // the record is freed when this reaches 0
};
typedef struct CFAUPreset* CFAUPresetRef;
static_assert(sizeof(CFAUPreset) == 40 && offsetof(CFAUPreset, version) == 16 &&
                offsetof(CFAUPreset, allocator) == 24 && offsetof(CFAUPreset, retainCount) == 32,
              "CFAUPreset is 40 bytes");

// A new record with retain count 1 holding presetNumber and a copy of
// presetName (null stays null). Null when the memory cannot be had or a
// given name cannot be copied.
IWEFT_AU_EXPORT CFAUPresetRef CFAUPresetCreate(CFAllocatorRef allocator, SInt32 presetNumber,
                                               CFStringRef presetName);
// Adds one reference to the record and one to its name. Returns the record;
// null stays null.
IWEFT_AU_EXPORT CFAUPresetRef CFAUPresetRetain(void* preset);
// Drops one reference from the record and one from its name; the last one
// frees the record with its allocator. Null, and a record whose count is
// already 0, are left alone.
IWEFT_AU_EXPORT void CFAUPresetRelease(void* preset);

// The array callbacks: retain and release are CFAUPresetRetain and
// CFAUPresetRelease of the value.
IWEFT_AU_EXPORT const void* CFAUPresetArrayRetainCallBack(CFAllocatorRef allocator, const void* preset);
IWEFT_AU_EXPORT void CFAUPresetArrayReleaseCallBack(CFAllocatorRef allocator, const void* preset);
// True when both numbers are equal and both names are equal character for
// character (letter case counts), or both are null.
IWEFT_AU_EXPORT Boolean CFAUPresetArrayEqualCallBack(const void* preset1, const void* preset2);
// A new string "AUPreset:\npreset number = <n>\npreset name = <name>" (the
// name "(null)" when there is none); null for a null record.
IWEFT_AU_EXPORT CFStringRef CFAUPresetArrayCopyDescriptionCallBack(const void* preset);
// Fills callBacks (when not null) like kCFAUPresetArrayCallBacks.
IWEFT_AU_EXPORT void CFAUPresetArrayCallBacks_Init(CFArrayCallBacks* callBacks);

// {0, retain, release, copy description, equal} of the functions above.
IWEFT_AU_EXPORT const CFArrayCallBacks kCFAUPresetArrayCallBacks;
