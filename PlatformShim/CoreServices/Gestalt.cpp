#include "Gestalt.h"

#include <atomic>

namespace {
std::atomic<SInt32> sVersion{0x10A0};
std::atomic<bool> sFails{false};
} // namespace

CF_EXPORT OSErr Gestalt(OSType selector, SInt32* response)
{
  if (selector != gestaltSystemVersion || !response || sFails)
    return gestaltUndefSelectorErr;
  *response = sVersion;
  return 0;
}

CF_EXPORT void PWShimGestaltSetSystemVersion(SInt32 version, Boolean fails)
{
  sVersion = version;
  sFails = fails;
}
