#include "CFRuntime.h"
#include "PWShimCFBase.h"

#include <limits>

namespace pwshim {

namespace {
// Relaxed throughout: a diagnostic count that orders no other memory.
std::atomic<CFIndex> sLiveObjects{0};
} // namespace

CFObject::CFObject(CFTypeID typeID, Lifetime lifetime) noexcept
: mTypeID(typeID), mConstant(lifetime == Lifetime::Constant)
{
  if (!mConstant)
    sLiveObjects.fetch_add(1, std::memory_order_relaxed);
}

CFObject::~CFObject()
{
  if (!mConstant)
    sLiveObjects.fetch_sub(1, std::memory_order_relaxed);
}

void CFObject::Retain() noexcept
{
  if (mConstant)
    return;
  // Relaxed: whoever retains already holds a reference, so the object
  // cannot die meanwhile; nothing else is ordered by the increment.
  mRetainCount.fetch_add(1, std::memory_order_relaxed);
}

void CFObject::Release() noexcept
{
  if (mConstant)
    return;
  // acq_rel: every thread's use of the object happens before the last
  // releaser deletes it.
  if (mRetainCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
    delete this;
}

CFIndex CFObject::RetainCount() const noexcept
{
  if (mConstant)
    return std::numeric_limits<CFIndex>::max();
  // Relaxed: a snapshot for diagnostics.
  return mRetainCount.load(std::memory_order_relaxed);
}

CFIndex CFObject::LiveCount() noexcept
{
  return sLiveObjects.load(std::memory_order_relaxed);
}

} // namespace pwshim

CF_EXPORT CFIndex PWShimCFLiveObjectCount(void)
{
  return pwshim::CFObject::LiveCount();
}
