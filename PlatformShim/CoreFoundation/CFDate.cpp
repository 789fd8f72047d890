#include "CFBase.h"

#include <chrono>

CF_EXPORT CFAbsoluteTime CFAbsoluteTimeGetCurrent(void)
{
  using namespace std::chrono;
  const auto sinceEpoch = duration<double>(system_clock::now().time_since_epoch()).count();
  return sinceEpoch - kCFAbsoluteTimeIntervalSince1970;
}
