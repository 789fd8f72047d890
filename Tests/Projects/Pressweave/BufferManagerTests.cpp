#include "BufferManager.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <vector>

using pressweave::BufferManager;

namespace {

std::vector<double> Contents(const BufferManager& bm, int index)
{
  const double* p = bm.GetBuffer(index);
  return p ? std::vector<double>(p, p + bm.GetBufferSize()) : std::vector<double>{};
}

} // namespace

TEST(BufferManagerSizing, SixZeroBuffersAreKeptByAResetToTheSameSizeAndRenewedByANewSizeOrDroppedByANegativeOne)
{
  BufferManager bm(32);
  for (int i = 0; i < BufferManager::kNumBuffers; ++i)
    EXPECT_EQ(Contents(bm, i), std::vector<double>(32, 0.0)) << i;
  EXPECT_EQ(bm.GetBuffer(-1), nullptr);
  EXPECT_EQ(bm.GetBuffer(6), nullptr);

  const std::vector<double> x(32, 0.5);
  bm.Write(2, x.data(), 32);
  bm.Publish();
  ASSERT_TRUE(bm.Acquire());
  const double* before = bm.GetBuffer(2);
  EXPECT_TRUE(bm.Reset(32));
  EXPECT_EQ(bm.GetBuffer(2), before);
  EXPECT_EQ(Contents(bm, 2), x);
  EXPECT_TRUE(bm.Reset(48));
  EXPECT_EQ(Contents(bm, 2), std::vector<double>(48, 0.0));
  EXPECT_EQ(bm.GetFrameCount(2), 0);

  EXPECT_TRUE(bm.Reset(-5)); // counts as 0: no buffers
  EXPECT_EQ(bm.GetBuffer(0), nullptr);
  bm.Write(0, x.data(), 8);
  EXPECT_EQ(bm.GetPendingFrameCount(0), 0);
}

TEST(BufferManagerHandOff, WriteCopiesWithoutAllocatingAndRecordsTheFramesCutToTheBufferSize)
{
  BufferManager bm(8);
  const std::vector<double> x{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  {
    pw::test::AllocationCounter allocs;
    bm.Write(3, x.data(), 5);
    bm.Publish();
    EXPECT_EQ(allocs.Count(), 0u);
  }
  EXPECT_EQ(bm.GetFrameCount(3), 0) << "nothing is seen before an Acquire";
  ASSERT_TRUE(bm.Acquire());
  EXPECT_EQ(bm.GetFrameCount(3), 5);
  EXPECT_EQ(bm.GetBuffer(3)[4], 5.0);
  EXPECT_EQ(bm.GetBuffer(3)[5], 0.0);

  bm.Write(1, x.data(), 12);
  bm.Write(9, x.data(), 12);
  bm.Write(0, x.data(), -3);
  EXPECT_EQ(bm.GetPendingFrameCount(1), 8);
  EXPECT_EQ(bm.GetPendingBuffer(1)[7], 8.0);
  EXPECT_EQ(bm.GetPendingFrameCount(0), 0);
}

TEST(BufferManagerHandOff, AcquireTakesTheLatestPublishedBlockAndKeepsItUntilANewerOne)
{
  BufferManager bm(4);
  for (double v : {1.0, 2.0, 3.0, 4.0})
  {
    bm.Write(0, std::vector<double>(4, v).data(), v < 4.0 ? 4 : 2);
    if (v < 4.0)
      bm.Publish(); // the fourth block is still being written
  }
  ASSERT_TRUE(bm.Acquire());
  EXPECT_FALSE(bm.Acquire());
  EXPECT_EQ(bm.GetBuffer(0)[0], 3.0);
  EXPECT_EQ(bm.GetPairFrameCount(0, 1), 0);
}
