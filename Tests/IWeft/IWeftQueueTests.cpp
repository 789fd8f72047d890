#include "IWeftQueue.h"
#include "IWeftStructs.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <deque>
#include <random>

using weft::IWeftQueue;
using weft::ParamTuple;

namespace {

// The size of a SysEx record: the largest element the plug-in queues.
struct BigRecord { int32_t offset; int32_t size; uint8_t data[512]; };

struct PlainPair { int a; float b; };

// A record so large that 4 million of them exceed what the buffer can address.
struct HugeRecord { uint8_t bytes[1024]; };

} // namespace

TEST(IWeftQueueCapacity, AFullQueueOfFourDropsTheNewestUntilAPopMakesRoomForOne)
{
  IWeftQueue<int> q(4);
  EXPECT_EQ(q.Capacity(), 4);
  for (int i = 10; i < 14; ++i)
    ASSERT_TRUE(q.Push(i));
  EXPECT_FALSE(q.Push(99));
  EXPECT_FALSE(q.PushFromArgs(99));
  EXPECT_EQ(q.GetDroppedCount(), 2u);
  EXPECT_EQ(q.ElementsAvailable(), 4);

  int out = -1;
  ASSERT_TRUE(q.Pop(out));
  EXPECT_EQ(out, 10);
  EXPECT_TRUE(q.Push(14));
  EXPECT_FALSE(q.Push(99));
  for (int expected = 11; expected <= 14; ++expected)
  {
    ASSERT_TRUE(q.Pop(out));
    EXPECT_EQ(out, expected);
  }
  EXPECT_FALSE(q.Pop(out));
  EXPECT_EQ(out, 14) << "a failed pop leaves the output untouched";
}

TEST(IWeftQueueCapacity, ZeroOrNegativeCapacityIsAlwaysFullAndAlwaysEmpty)
{
  for (int capacity : {0, -5})
  {
    SCOPED_TRACE(capacity);
    IWeftQueue<int> q(capacity);
    EXPECT_EQ(q.Capacity(), 0);
    EXPECT_FALSE(q.Push(1));
    int out = 7;
    EXPECT_FALSE(q.Pop(out));
    EXPECT_EQ(q.ElementsAvailable(), 0);
    EXPECT_EQ(q.GetDroppedCount(), 1u);
  }
}

TEST(IWeftQueueCapacity, RingThatCannotBeAllocatedRefusesEveryPushAndPop)
{
  // 4,000,001 slots of 1 KiB need about 4 GB, beyond a 32-bit byte count.
  IWeftQueue<HugeRecord> q(4000000);
  EXPECT_EQ(q.Capacity(), 0);
  HugeRecord record{};
  EXPECT_FALSE(q.Push(record));
  EXPECT_FALSE(q.PushFromArgs());
  EXPECT_FALSE(q.Pop(record));
  EXPECT_EQ(q.ElementsAvailable(), 0);
  EXPECT_EQ(q.GetDroppedCount(), 2u);
}

TEST(IWeftQueueOrder, MatchesAFifoModelAcrossTheWrapOverSeededRandomPushesAndPops)
{
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE(::testing::Message() << "seed " << seed);
  std::mt19937 rng(seed);
  IWeftQueue<int> q(7);
  std::deque<int> model;
  uint64_t modelDrops = 0;
  int next = 0;

  for (int step = 0; step < 20000; ++step)
  {
    if (rng() % 2)
    {
      const bool fits = model.size() < 7;
      ASSERT_EQ(q.Push(next), fits) << "step " << step;
      if (fits)
        model.push_back(next);
      else
        ++modelDrops;
      ++next;
    }
    else
    {
      int out = -1;
      ASSERT_EQ(q.Pop(out), !model.empty()) << "step " << step;
      if (!model.empty())
      {
        ASSERT_EQ(out, model.front()) << "step " << step;
        model.pop_front();
      }
    }
    ASSERT_EQ(q.ElementsAvailable(), static_cast<int>(model.size())) << "step " << step;
  }
  EXPECT_EQ(q.GetDroppedCount(), modelDrops);
}

TEST(IWeftQueueElements, LargeRecordsComeOutByteForByte)
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
}

TEST(IWeftQueueElements, PushFromArgsUsesTheConstructorOfTOrFillsAnAggregateMemberByMember)
{
  IWeftQueue<ParamTuple> q(4);
  ASSERT_TRUE(q.PushFromArgs(3, 0.25));
  ASSERT_TRUE(q.PushFromArgs());
  ParamTuple out(0, 0.0);
  ASSERT_TRUE(q.Pop(out));
  EXPECT_EQ(out.mValue, 0.25);
  ASSERT_TRUE(q.Pop(out));
  EXPECT_EQ(out.mIdx, -1); // ParamTuple's defaults

  IWeftQueue<PlainPair> pairs(2);
  ASSERT_TRUE(pairs.PushFromArgs(-4, 1.5f));
  PlainPair pair{0, 0.0f};
  ASSERT_TRUE(pairs.Pop(pair));
  EXPECT_EQ(pair.a, -4);
  EXPECT_EQ(pair.b, 1.5f);
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
    while (q.ElementsAvailable() > 0)
      q.Pop(record);
    q.Pop(record);
  }
  EXPECT_EQ(allocs.Count(), 0u);
  EXPECT_EQ(q.GetDroppedCount(), 30u);
}
