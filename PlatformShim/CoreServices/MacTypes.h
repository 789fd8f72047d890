#pragma once
// Fixed-size scalar types, status types and the handful of shared records
// that every framework of the stand-in builds on. Widths match the
// platform's 64-bit ABI (LP64): long and pointers are 8 bytes.

#include <CoreFoundation/CFBase.h>

#include <cstdint>

typedef unsigned char UInt8;
typedef signed char SInt8;
typedef unsigned short UInt16;
typedef signed short SInt16;
typedef unsigned int UInt32;
typedef signed int SInt32;
typedef unsigned long long UInt64;
typedef signed long long SInt64;
typedef float Float32;
typedef double Float64;

typedef UInt8 Byte;
typedef unsigned long ByteCount;
typedef unsigned long ItemCount;

// Status of a call: 0 is success, anything else names the failure.
typedef SInt32 OSStatus;
// The older 16-bit status of the toolbox calls.
typedef SInt16 OSErr;

// Four ASCII characters packed big-end first: 'aufx' is 0x61756678.
typedef UInt32 FourCharCode;
typedef FourCharCode OSType;

typedef char* Ptr;
// A movable block: a pointer to the pointer of the block.
typedef Ptr* Handle;

// A packed version as the toolbox stores it. Read as one UInt32 on a
// little-endian machine, majorRev is the most significant byte and
// minorAndBugRev the next (minor in its high nibble, bug fix in its low).
typedef struct NumVersion
{
  UInt8 nonRelRev;
  UInt8 stage;
  UInt8 minorAndBugRev;
  UInt8 majorRev;
} NumVersion;

enum : OSStatus
{
  noErr = 0,
  // An argument is null, out of range or malformed.
  paramErr = -50,
  // A fixed-capacity table of the stand-in is full.
  memFullErr = -108
};

static_assert(sizeof(UInt8) == 1 && sizeof(UInt16) == 2 && sizeof(UInt32) == 4 && sizeof(UInt64) == 8, "integer widths");
static_assert(sizeof(Float32) == 4 && sizeof(Float64) == 8, "float widths");
static_assert(sizeof(long) == 8 && sizeof(void*) == 8, "the stand-in targets LP64 only");
static_assert(sizeof(NumVersion) == 4, "NumVersion is one 32-bit word");
