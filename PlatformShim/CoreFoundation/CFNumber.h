#pragma once
// Immutable numbers: a signed integer of up to 64 bits or a floating-point
// value, converted on the way out to whatever type the reader asks for.
// A number never changes, so it may be read from any thread.

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFType.h>

typedef const struct __CFNumber* CFNumberRef;

// The C type a value pointer points at.
typedef CFIndex CFNumberType;
enum : CFNumberType
{
  kCFNumberSInt8Type = 1,
  kCFNumberSInt16Type = 2,
  kCFNumberSInt32Type = 3,
  kCFNumberSInt64Type = 4,
  kCFNumberFloat32Type = 5,
  kCFNumberFloat64Type = 6,
  kCFNumberCharType = 7,     // char (8 bits, signed)
  kCFNumberShortType = 8,    // short
  kCFNumberIntType = 9,      // int
  kCFNumberLongType = 10,    // long
  kCFNumberLongLongType = 11, // long long
  kCFNumberFloatType = 12,   // float
  kCFNumberDoubleType = 13,  // double
  kCFNumberCFIndexType = 14, // CFIndex
  kCFNumberMaxType = 14
};

CF_EXPORT CFTypeID CFNumberGetTypeID(void);

// A new number holding *valuePtr read as theType. Null when valuePtr is null
// or theType is not one of the types above.
CF_EXPORT CFNumberRef CFNumberCreate(CFAllocatorRef allocator, CFNumberType theType, const void* valuePtr);

// Writes the number converted to theType into *valuePtr. True when the
// conversion is exact. Otherwise false, and the written value is the nearest
// one: a fraction is cut towards zero, an integer out of range is clamped to
// the type's limits, NaN becomes 0 for integer types, a value beyond a
// float's range becomes an infinity. False without writing when number is not
// a number, valuePtr is null or theType is unknown.
CF_EXPORT Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr);

// The type the number was created with; 0 when number is not a number.
CF_EXPORT CFNumberType CFNumberGetType(CFNumberRef number);
// True when the number holds a floating-point value.
CF_EXPORT Boolean CFNumberIsFloatType(CFNumberRef number);
