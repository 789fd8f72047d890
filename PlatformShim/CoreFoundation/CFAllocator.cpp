#include "CFAllocator.h"

#include <cstdlib>

CF_EXPORT void* CFAllocatorAllocate(CFAllocatorRef, CFIndex size, CFOptionFlags)
{
  if (size <= 0)
    return nullptr;
  return std::malloc(static_cast<size_t>(size));
}

CF_EXPORT void CFAllocatorDeallocate(CFAllocatorRef, void* ptr)
{
  std::free(ptr);
}
