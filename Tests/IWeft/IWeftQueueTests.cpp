#include "IWeftQueue.h"
#include "IWeftStructs.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>

using weft::IWeftQueue;
using weft::ParamTuple;

namespace {

// The size of a SysEx record: the largest element the plug-in queues.
struct BigRecord { int32_t offset; int32_t size; uint8_t data[512]; };

// A record so large that 4 million of them exceed what the buffer can address.
struct HugeRecord { uint8_t bytes[1024]; };

} // namespace

TEST(IWeftQueueCapacity, AFullQueueOfFourDropsTheNewestAndCountsCorrectlyAcrossTheWrap)
{
  IWeftQueue<int> q(4);
  EXPECT_EQ(q.Capacity(), 4);
  for (int i = 10; i < 14; ++i)
    ASSERT_TRUE(q.Push(i));
  EXPECT_FALSE(q.Push(99));
  EXPECT_EQ(q.GetDroppedCount(), 1u);

  int out = -1;
  for (int expected = 10; expected < 13; ++expected)
  {
    ASSERT_TRUE(q.Pop(out));
    EXPECT_EQ(out, expected);
  }
  for (int i = 14; i < 17; ++i)
    ASSERT_TRUE(q.Push(i));
  EXPECT_EQ(q.ElementsAvailable(), 4);
  EXPECT_FALSE(q.Push(99));
  for (int expected = 13; expected < 17; ++expected)
  {
    ASSERT_TRUE(q.Pop(out));
    EXPECT_EQ(out, expected);
  }
  EXPECT_FALSE(q.Pop(out));
  EXPECT_EQ(out, 16) << "a failed pop leaves the output untouched";
}

TEST(IWeftQueueCapacity, ZeroNegativeOrUnallocatableCapacityIsAlwaysFullAndAlwaysEmpty)
{
  IWeftQueue<int> zero(0), negative(-5);
  int out = 7;
  for (IWeftQueue<int>* q : {&zero, &negative})
  {
    EXPECT_EQ(q->Capacity(), 0);
    EXPECT_FALSE(q->Push(1));
    EXPECT_FALSE(q->Pop(out));
    EXPECT_EQ(q->GetDroppedCount(), 1u);
  }
  // 4,000,001 slots of 1 KiB need about 4 GB, beyond a 32-bit byte count.
  IWeftQueue<HugeRecord> huge(4000000);
  HugeRecord record{};
  EXPECT_EQ(huge.Capacity(), 0);
  EXPECT_FALSE(huge.Push(record));
  EXPECT_FALSE(huge.Pop(record));
}

TEST(IWeftQueueElements, LargeRecordsComeOutByteForByteAndPushFromArgsBuildsTheElement)
{
  IWeftQueue<BigRecord> q(4);
  for (int n = 0; n < 9; ++n) // more than the ring, so slots are reused
  {
    BigRecord in;
    in.offset = n;
    in.size = 512 - n;
    for (int i = 0; i < 512; ++i)
      in.data[i] = static_cast<uint8_t>(i * 7 + n);
    ASSERT_TRUE(q.Push(in));
    BigRecord out{};
    ASSERT_TRUE(q.Pop(out));
    EXPECT_EQ(std::memcmp(&out, &in, sizeof in), 0) << "record " << n;
  }

  IWeftQueue<ParamTuple> tuples(4);
  ASSERT_TRUE(tuples.PushFromArgs(3, 0.25));
  ParamTuple t;
  ASSERT_TRUE(tuples.Pop(t));
  EXPECT_EQ(std::make_pair(t.mIdx, t.mValue), std::make_pair(3, 0.25));
}

TEST(IWeftQueueRealTime, PushPopAndDropsNeverAllocate)
{
  IWeftQueue<BigRecord> q(4);
  BigRecord record{};
  pw::test::AllocationCounter allocs;
  for (int round = 0; round < 10; ++round)
  {
    for (int i = 0; i < 6; ++i) // two past full
      q.Push(record);
    q.PushFromArgs();
    while (q.Pop(record)) {}
  }
  EXPECT_EQ(allocs.Count(), 0u);
  EXPECT_EQ(q.GetDroppedCount(), 30u);
}
