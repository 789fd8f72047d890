#pragma once
// Gestalt answers the system version (selector 'sysv'), as set by
// PWShimGestaltSetSystemVersion; any other selector fails.

#include <CoreFoundation/CFBase.h>
#include <CoreServices/MacTypes.h>

enum
{
  gestaltSystemVersion = 0x73797376, // 'sysv'
  gestaltUndefSelectorErr = -5551
};

CF_EXPORT OSErr Gestalt(OSType selector, SInt32* response);

// The version Gestalt answers (0x10A0 at start); fails answers an error
// and leaves the response untouched.
CF_EXPORT void PWShimGestaltSetSystemVersion(SInt32 version, Boolean fails);
