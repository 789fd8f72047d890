#pragma once
// File URLs: a path in the file system, marked as naming a folder or not.
// A relative path is kept as given, together with the working folder at the
// time the URL was made, against which it is resolved on request. URLs never
// change once made.

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFType.h>

#include <cstdint>

typedef const struct __CFURL* CFURLRef;

typedef CFIndex CFURLPathStyle;
enum : CFURLPathStyle
{
  // Components separated by "/"; the only style the stand-in knows.
  kCFURLPOSIXPathStyle = 0
};

CF_EXPORT CFTypeID CFURLGetTypeID(void);

// A new URL of the POSIX path filePath. Repeated "/" collapse to one and a
// trailing "/" is dropped (the root stays "/"). Null when filePath is not a
// string, empty, or pathStyle is not POSIX.
CF_EXPORT CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef allocator, CFStringRef filePath, CFURLPathStyle pathStyle,
                                                 Boolean isDirectory);

// The same from bufLen bytes of a UTF-8 path (no terminating zero needed).
// Null when the bytes are empty, contain a zero or are not valid UTF-8.
CF_EXPORT CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef allocator, const uint8_t* buffer, CFIndex bufLen,
                                                           Boolean isDirectory);

// Writes the path, null-terminated, into buffer (maxBufLen bytes). With
// resolveAgainstBase a relative path is written joined to its working
// folder. False when it does not fit (buffer then holds an empty string,
// when maxBufLen is at least 1) or url is not a URL.
CF_EXPORT Boolean CFURLGetFileSystemRepresentation(CFURLRef anURL, Boolean resolveAgainstBase, uint8_t* buffer,
                                                   CFIndex maxBufLen);

// A new string of the path as made (relative paths stay relative). Null when
// anURL is not a URL or pathStyle is not POSIX.
CF_EXPORT CFStringRef CFURLCopyFileSystemPath(CFURLRef anURL, CFURLPathStyle pathStyle);

// True when the URL names a folder.
CF_EXPORT Boolean CFURLHasDirectoryPath(CFURLRef anURL);
