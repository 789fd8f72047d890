#pragma once
// Counts heap allocations made through operator new on the current thread
// while an AllocationCounter is alive. Wrap render, process and queue calls in
// one to prove that the real-time path does not allocate:
//
//   AllocationCounter allocs;
//   plugin.ProcessBlock(...);
//   EXPECT_EQ(allocs.Count(), 0u);

#include <cstddef>

namespace pw::test {

class AllocationCounter
{
public:
  AllocationCounter() noexcept;
  ~AllocationCounter();
  AllocationCounter(const AllocationCounter&) = delete;
  AllocationCounter& operator=(const AllocationCounter&) = delete;

  // Allocations seen on this thread since construction.
  std::size_t Count() const noexcept;

private:
  std::size_t mStart;
  bool mWasActive;
};

} // namespace pw::test
