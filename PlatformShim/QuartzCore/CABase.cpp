#include "CABase.h"

#include <CoreFoundation/PWShimRunLoop.h>

extern "C" CFTimeInterval CACurrentMediaTime(void)
{
  return PWShimRunLoopGetTime();
}
