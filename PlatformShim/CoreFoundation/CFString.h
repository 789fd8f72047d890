#pragma once
// Immutable Unicode strings. A string keeps its characters as UTF-8;
// lengths and indices are counted in UTF-16 code units, as on the platform
// (a character outside the Basic Multilingual Plane counts 2). Strings never
// change once made, so they may be read from any thread.

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFType.h>

#include <cstdarg>
#include <cstdint>

typedef const struct __CFDictionary* CFDictionaryRef;

typedef uint32_t CFStringEncoding;
enum : CFStringEncoding
{
  kCFStringEncodingASCII = 0x0600,
  kCFStringEncodingUTF8 = 0x08000100
};

typedef CFOptionFlags CFStringCompareFlags;
enum : CFStringCompareFlags
{
  // Letters A-Z and a-z compare equal; other characters compare exactly.
  kCFCompareCaseInsensitive = 1
};

CF_EXPORT CFTypeID CFStringGetTypeID(void);

// A new string from the null-terminated cStr in encoding (UTF-8 or ASCII).
// Null when cStr is null, the encoding is another, or the bytes are not
// valid in it.
CF_EXPORT CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr, CFStringEncoding encoding);

// A string with the same characters as str (str itself, retained: strings
// are immutable). Null when str is not a string.
CF_EXPORT CFStringRef CFStringCreateCopy(CFAllocatorRef alloc, CFStringRef str);

// A new string from a printf-style format. Conversions: %d %i %u %o %x %X
// with the length modifiers hh h l ll q z t j; %f %F %e %E %g %G %a %A
// (L for long double); %c (one byte); %C (one UTF-16 unit, an int
// argument); %s (null-terminated UTF-8, "(null)" for null); %p; %@ (any
// CoreFoundation object, written as its description: a string as its own
// text, "(null)" for null); %% for a percent sign. Flags, field width and
// precision (also as *) work as in printf. Null when format is not a string,
// the format uses an unknown conversion, a length modifier on %c %C %s %p
// or %@, %n, positional arguments or a width or precision above 1000000, or
// the result is not valid UTF-8. formatOptions is ignored.
CF_EXPORT CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFDictionaryRef formatOptions, CFStringRef format, ...);
CF_EXPORT CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef alloc, CFDictionaryRef formatOptions, CFStringRef format, va_list arguments);

// Length in UTF-16 code units; 0 when str is null or not a string.
CF_EXPORT CFIndex CFStringGetLength(CFStringRef str);

// Largest number of bytes that length UTF-16 code units can take in
// encoding, without the terminating zero: 3 per unit for UTF-8, 1 for
// ASCII. kCFNotFound for a negative length, an unknown encoding or an
// overflow.
CF_EXPORT CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding);

// Writes the string and a terminating zero into buffer (bufferSize bytes).
// False when the whole string and its zero do not fit, the string cannot be
// represented in encoding, or str is not a string; buffer then holds an
// empty string (when bufferSize is at least 1).
CF_EXPORT Boolean CFStringGetCString(CFStringRef str, char* buffer, CFIndex bufferSize, CFStringEncoding encoding);

// The string's own null-terminated bytes in encoding when it can answer
// them without converting (UTF-8 always, ASCII when every character is
// ASCII), else null. Valid while the string lives.
CF_EXPORT const char* CFStringGetCStringPtr(CFStringRef str, CFStringEncoding encoding);

// Orders by Unicode code point. A null or non-string argument orders before
// any string (two of them compare equal).
CF_EXPORT CFComparisonResult CFStringCompare(CFStringRef str1, CFStringRef str2, CFStringCompareFlags compareOptions);

// A constant string for a UTF-8 literal: never destroyed, retain and release
// do nothing, and the same text always answers the same object. Null when the
// literal is not valid UTF-8.
CF_EXPORT CFStringRef PWShimCFStringMakeConstant(const char* cStr);
#define CFSTR(cStr) PWShimCFStringMakeConstant("" cStr "")
