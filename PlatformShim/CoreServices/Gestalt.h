#pragma once
// Asking the system for a fact by four-character selector.

#include <CoreServices/MacTypes.h>

enum : OSType
{
  // Binary-coded decimal 0xMMmb: 0x1096 is 10.9.6. Minor and bug-fix
  // numbers above 9 cannot be written in it and are reported as 9.
  gestaltSystemVersion = 0x73797376,       // 'sysv'
  gestaltSystemVersionMajor = 0x73797331,  // 'sys1'
  gestaltSystemVersionMinor = 0x73797332,  // 'sys2'
  gestaltSystemVersionBugFix = 0x73797333  // 'sys3'
};

enum : OSErr
{
  gestaltUndefSelectorErr = -5551
};

// The system the stand-in reports: 10.15.7, so the 'sysv' answer is 0x1097.
constexpr SInt32 kPWShimSystemVersionMajor = 10;
constexpr SInt32 kPWShimSystemVersionMinor = 15;
constexpr SInt32 kPWShimSystemVersionBugFix = 7;

// Writes the answer for selector to *response. paramErr for a null response,
// gestaltUndefSelectorErr for a selector the stand-in does not know; the
// response is left as it was in both cases. Any thread.
CF_EXPORT OSErr Gestalt(OSType selector, SInt32* response);
