#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace {
// Per thread so that a helper thread in a test does not disturb the count of
// the thread under test.
thread_local bool tActive = false;
thread_local std::size_t tCount = 0;

void* CountedAlloc(std::size_t size)
{
  if (tActive)
    ++tCount;
  if (size == 0)
    size = 1;
  if (void* p = std::malloc(size))
    return p;
  throw std::bad_alloc();
}

void* CountedAllocAligned(std::size_t size, std::align_val_t align)
{
  if (tActive)
    ++tCount;
  const std::size_t a = static_cast<std::size_t>(align);
  const std::size_t rounded = ((size ? size : 1) + a - 1) / a * a;
  if (void* p = std::aligned_alloc(a, rounded))
    return p;
  throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t size) { return CountedAlloc(size); }
void* operator new[](std::size_t size) { return CountedAlloc(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
  try { return CountedAlloc(size); } catch (...) { return nullptr; }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
  try { return CountedAlloc(size); } catch (...) { return nullptr; }
}
void* operator new(std::size_t size, std::align_val_t a) { return CountedAllocAligned(size, a); }
void* operator new[](std::size_t size, std::align_val_t a) { return CountedAllocAligned(size, a); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }

namespace pw::test {

AllocationCounter::AllocationCounter() noexcept
  : mStart(tCount), mWasActive(tActive)
{
  tActive = true;
}

AllocationCounter::~AllocationCounter() { tActive = mWasActive; }

std::size_t AllocationCounter::Count() const noexcept { return tCount - mStart; }

} // namespace pw::test
