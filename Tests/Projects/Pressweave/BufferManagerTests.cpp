#include "BufferManager.h"
#include "RingBuffer.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <vector>

using pressweave::BufferManager;
using pressweave::RingBuffer;

namespace {

std::vector<double> Contents(const BufferManager& bm, int index)
{
  const double* p = bm.GetBuffer(index);
  return p ? std::vector<double>(p, p + bm.GetBufferSize()) : std::vector<double>{};
}

} // namespace

TEST(BufferManagerSizing, AllocatesSixZeroFilledBuffersOfTheBlockSize)
{
  BufferManager bm(64);
  EXPECT_EQ(bm.GetBufferSize(), 64);
  for (int i = 0; i < BufferManager::kNumBuffers; ++i)
  {
    EXPECT_EQ(Contents(bm, i), std::vector<double>(64, 0.0)) << i;
    EXPECT_EQ(bm.GetFrameCount(i), 0) << i;
  }
  EXPECT_EQ(bm.GetBuffer(-1), nullptr);
  EXPECT_EQ(bm.GetBuffer(6), nullptr);
}

TEST(BufferManagerSizing, ResetToTheSameSizeKeepsTheBuffersAndTheirContents)
{
  BufferManager bm(32);
  std::vector<double> x(32, 0.5);
  bm.Write(2, x.data(), 32);
  const double* before = bm.GetBuffer(2);
  EXPECT_TRUE(bm.Reset(32));
  EXPECT_EQ(bm.GetBuffer(2), before);
  EXPECT_EQ(Contents(bm, 2), x);
  EXPECT_EQ(bm.GetFrameCount(2), 32);
}

TEST(BufferManagerSizing, ResetToANewSizeStartsFromZerosAndNoFrames)
{
  BufferManager bm(32);
  std::vector<double> x(32, 0.5);
  bm.Write(0, x.data(), 32);
  EXPECT_TRUE(bm.Reset(48));
  EXPECT_EQ(bm.GetBufferSize(), 48);
  EXPECT_EQ(Contents(bm, 0), std::vector<double>(48, 0.0));
  EXPECT_EQ(bm.GetFrameCount(0), 0);
}

TEST(BufferManagerSizing, ZeroOrNegativeSizeHasNoBuffers)
{
  BufferManager bm(-5);
  EXPECT_EQ(bm.GetBufferSize(), 0);
  EXPECT_EQ(bm.GetBuffer(0), nullptr);
  std::vector<double> x(8, 1.0);
  bm.Write(0, x.data(), 8);
  EXPECT_EQ(bm.GetFrameCount(0), 0);
}

TEST(BufferManagerHandOff, WriteCopiesAndRecordsTheFramesRendered)
{
  BufferManager bm(16);
  std::vector<double> x{1, 2, 3, 4, 5};
  pw::test::AllocationCounter allocs;
  bm.Write(3, x.data(), 5);
  EXPECT_EQ(allocs.Count(), 0u);
  EXPECT_EQ(bm.GetFrameCount(3), 5);
  EXPECT_EQ(bm.GetBuffer(3)[4], 5.0);
  EXPECT_EQ(bm.GetBuffer(3)[5], 0.0);
}

TEST(BufferManagerHandOff, MissingSourceWritesZerosInsteadOfKeepingTheLastBlock)
{
  BufferManager bm(8);
  std::vector<double> x(8, 0.75);
  bm.Write(4, x.data(), 8);
  bm.Write(4, nullptr, 8);
  EXPECT_EQ(Contents(bm, 4), std::vector<double>(8, 0.0));
  EXPECT_EQ(bm.GetFrameCount(4), 8);
}

TEST(BufferManagerHandOff, LongerBlocksAreCutToTheBufferSize)
{
  BufferManager bm(8);
  std::vector<double> x(20, 0.25);
  bm.Write(1, x.data(), 20);
  bm.Write(9, x.data(), 20);
  bm.Write(0, x.data(), -3);
  EXPECT_EQ(bm.GetFrameCount(1), 8);
  EXPECT_EQ(bm.GetFrameCount(0), 0);
  EXPECT_EQ(bm.GetPairFrameCount(0, 1), 0);
}

TEST(BufferManagerHandOff, ClearBufferZeroesOnlyTheFirstFour)
{
  BufferManager bm(4);
  std::vector<double> x(4, 1.0);
  for (int i = 0; i < 6; ++i)
    bm.Write(i, x.data(), 4);
  for (int i = 0; i < 7; ++i)
    bm.ClearBuffer(i);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(Contents(bm, i), std::vector<double>(4, 0.0)) << i;
  EXPECT_EQ(Contents(bm, 4), x);
  EXPECT_EQ(Contents(bm, 5), x);
}

TEST(RingBufferTest, KeepsTheLatestValuesOnceFull)
{
  RingBuffer ring;
  ASSERT_TRUE(ring.resize(3));
  for (double v : {1.0, 2.0, 3.0})
    ring.push(v);
  EXPECT_TRUE(ring.full());
  ring.push(4.0);
  EXPECT_EQ(ring.get(0), 2.0);
  EXPECT_EQ(ring.get(1), 3.0);
  EXPECT_EQ(ring.get(2), 4.0);
  EXPECT_EQ(ring.get(3), 2.0);
}

TEST(RingBufferTest, ResizeKeepsTheOldestValuesFromTheReadPosition)
{
  RingBuffer ring;
  ring.resize(4);
  for (double v : {1.0, 2.0, 3.0, 4.0, 5.0, 6.0})
    ring.push(v); // holds 3 4 5 6, reading from 3
  ASSERT_TRUE(ring.resize(2));
  EXPECT_EQ(ring.size(), 2);
  EXPECT_EQ(ring.get(0), 3.0);
  EXPECT_EQ(ring.get(1), 4.0);
  EXPECT_FALSE(ring.full());
  ring.push(7.0); // write index was 2 % 2 = 0
  EXPECT_EQ(ring.get(0), 7.0);

  ASSERT_TRUE(ring.resize(5));
  EXPECT_EQ(ring.get(0), 7.0);
  EXPECT_EQ(ring.get(1), 4.0);
  EXPECT_EQ(ring.get(2), 0.0);
  ring.push(8.0);
  EXPECT_EQ(ring.get(2), 8.0);
}

TEST(RingBufferTest, ResizeToZeroIsRefused)
{
  RingBuffer ring;
  EXPECT_FALSE(ring.resize(0));
  EXPECT_EQ(ring.size(), 0);
  ring.resize(2);
  ring.push(1.5);
  EXPECT_FALSE(ring.resize(-1));
  EXPECT_EQ(ring.size(), 2);
  EXPECT_EQ(ring.get(0), 1.5);
}
