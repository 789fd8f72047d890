#include <CoreServices/Gestalt.h>

#include <algorithm>

namespace {

constexpr SInt32 BCDDigit(SInt32 value)
{
  return std::min<SInt32>(value, 9);
}

} // namespace

OSErr Gestalt(OSType selector, SInt32* response)
{
  if (!response)
    return paramErr;
  switch (selector)
  {
    case gestaltSystemVersion:
      *response = ((kPWShimSystemVersionMajor / 10) << 12) | ((kPWShimSystemVersionMajor % 10) << 8) |
                  (BCDDigit(kPWShimSystemVersionMinor) << 4) | BCDDigit(kPWShimSystemVersionBugFix);
      return noErr;
    case gestaltSystemVersionMajor: *response = kPWShimSystemVersionMajor; return noErr;
    case gestaltSystemVersionMinor: *response = kPWShimSystemVersionMinor; return noErr;
    case gestaltSystemVersionBugFix: *response = kPWShimSystemVersionBugFix; return noErr;
    default: return gestaltUndefSelectorErr;
  }
}
