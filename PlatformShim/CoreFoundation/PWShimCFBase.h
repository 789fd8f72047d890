#pragma once
// Diagnostics of the CoreFoundation stand-in that the platform does not
// have. For tests and hosts only; product code never calls them.

#include <CoreFoundation/CFBase.h>

// Objects created through the stand-in and not yet destroyed, in the whole
// process. Constant objects (the main run loop, mode names) are not counted,
// so a test that releases everything it made sees the count return to its
// starting value.
CF_EXPORT CFIndex PWShimCFLiveObjectCount(void);
