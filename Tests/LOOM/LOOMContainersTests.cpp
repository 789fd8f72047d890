#include "LOOM_HeapBuf.h"
#include "LOOM_Mutex.h"
#include "LOOM_PtrList.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstring>
#include <future>
#include <thread>
#include <vector>

namespace
{
// ---- LOOM_HeapBuf ----

TEST(LOOMHeapBufGrowth, FirstPointerOfAPageGranularityListAllocates4000Bytes)
{
  ASSERT_EQ(sizeof(void*), 8u);
  LOOM_HeapBuf hb(4096);
  ASSERT_NE(hb.Resize(static_cast<int>(sizeof(void*)), false), nullptr);
  // g = max(8 / 2, 4096) = 4096; ((8 + 4096 + 96) & ~4095) - 96 = 4000.
  EXPECT_EQ(hb.GetAllocated(), 4000);
  EXPECT_EQ(hb.GetSize(), 8);
}

TEST(LOOMHeapBufGrowth, StringGranularityGrowsByTheLargerOfHalfTheSizeAnd128)
{
  LOOM_HeapBuf hb(128);
  hb.Resize(2, false);
  EXPECT_EQ(hb.GetAllocated(), 130); // 2 + 128
  hb.Resize(130, false);
  EXPECT_EQ(hb.GetAllocated(), 130); // fits: only the size changes
  hb.Resize(300, false);
  EXPECT_EQ(hb.GetAllocated(), 450); // 300 + 300 / 2
}

TEST(LOOMHeapBufGrowth, PageGranularityAllocationsSit96BytesBelowAPageMultiple)
{
  LOOM_HeapBuf hb(4096);
  hb.Resize(10000, false);
  // g = 5000 rounded down to 4096; ((10000 + 4096 + 96) & ~4095) - 96.
  EXPECT_EQ(hb.GetAllocated(), 12192);
  hb.Resize(100000, false);
  // g = 50000 rounded down to 49152; ((100000 + 49152 + 96) & ~4095) - 96.
  EXPECT_EQ(hb.GetAllocated(), 147360);
  for (int n : {4001, 12193, 147361, 1000000})
  {
    hb.Resize(n, false);
    EXPECT_EQ((hb.GetAllocated() + 96) % 4096, 0) << "size " << n;
    EXPECT_GE(hb.GetAllocated(), n);
  }
}

TEST(LOOMHeapBufGrowth, PageGranularityGrowthStepIsCappedAtFourMebibytes)
{
  LOOM_HeapBuf hb(4096);
  const int n = 16 * 1024 * 1024;
  ASSERT_NE(hb.Resize(n, false), nullptr);
  // g = n / 2 clamped to 4 MiB; ((n + 4 MiB + 96) & ~4095) - 96.
  EXPECT_EQ(hb.GetAllocated(), n + 4 * 1024 * 1024 - 96);
}

TEST(LOOMHeapBufGrowth, GrowingKeepsTheContents)
{
  LOOM_HeapBuf hb(128);
  auto* p = static_cast<unsigned char*>(hb.Resize(100, false));
  for (int i = 0; i < 100; ++i)
    p[i] = static_cast<unsigned char>(i);
  p = static_cast<unsigned char*>(hb.Resize(5000, false));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 100; ++i)
    ASSERT_EQ(p[i], i);
}

TEST(LOOMHeapBufGrowth, ImpossibleSizeFailsAndKeepsContentsAndSize)
{
  LOOM_HeapBuf hb(128);
  std::memcpy(hb.Resize(4, false), "abc", 4);
  EXPECT_EQ(hb.ResizeOK(INT_MAX, false), nullptr);
  EXPECT_EQ(hb.GetSize(), 4);
  EXPECT_STREQ(static_cast<const char*>(hb.Get()), "abc");
  EXPECT_EQ(hb.GetAllocated(), 132);
  // Resize reports the failure through Get of the unchanged buffer.
  EXPECT_EQ(hb.Resize(INT_MAX, false), hb.Get());
  EXPECT_EQ(hb.GetSize(), 4);
}

TEST(LOOMHeapBufShrink, ResizeToZeroWithoutResizeDownKeepsTheAllocation)
{
  LOOM_HeapBuf hb(4096);
  hb.Resize(8, false);
  void* data = hb.GetFast();
  EXPECT_EQ(hb.Resize(0, false), nullptr);
  EXPECT_EQ(hb.Get(), nullptr);
  EXPECT_EQ(hb.GetSize(), 0);
  EXPECT_EQ(hb.GetAllocated(), 4000);
  EXPECT_EQ(hb.GetFast(), data);
}

TEST(LOOMHeapBufShrink, ResizeToZeroWithResizeDownFreesTheAllocation)
{
  LOOM_HeapBuf hb(4096);
  hb.Resize(8, false);
  EXPECT_EQ(hb.Resize(0, true), nullptr);
  EXPECT_EQ(hb.GetAllocated(), 0);
  EXPECT_EQ(hb.GetFast(), nullptr);
}

TEST(LOOMHeapBufShrink, NegativeSizeCountsAsZero)
{
  LOOM_HeapBuf hb(128);
  hb.Resize(10, false);
  EXPECT_EQ(hb.Resize(-3, false), nullptr);
  EXPECT_EQ(hb.GetSize(), 0);
  EXPECT_EQ(hb.GetAllocated(), 138);
}

TEST(LOOMHeapBufShrink, SmallShrinkOfAPageAllocationKeepsIt)
{
  LOOM_HeapBuf hb(4096);
  hb.Resize(8, false);
  ASSERT_EQ(hb.GetAllocated(), 4000);
  hb.Resize(10, false);
  // Threshold: min(4000 - 4 * 4096, 4000 / 2) raised to 1; 10 is above it.
  hb.Resize(10, true);
  EXPECT_EQ(hb.GetAllocated(), 4000);
  EXPECT_EQ(hb.GetSize(), 10);
}

TEST(LOOMHeapBufShrink, OnlyAShrinkBelowTheThresholdReallocatesAndItKeepsThePrefix)
{
  LOOM_HeapBuf hb(128);
  auto* p = static_cast<unsigned char*>(hb.Resize(10000, false));
  ASSERT_EQ(hb.GetAllocated(), 15000); // 10000 + 5000
  for (int i = 0; i < 10000; ++i)
    p[i] = static_cast<unsigned char>(i * 7);

  hb.Resize(100, false);
  EXPECT_EQ(hb.GetAllocated(), 15000); // no resize down: only the size

  hb.Resize(9000, false);
  // Threshold min(15000 - 4 * 128, 15000 / 2) = 7500.
  hb.Resize(8000, true);
  EXPECT_EQ(hb.GetAllocated(), 15000);
  // 100 is below it: reallocated to 100 + 128.
  p = static_cast<unsigned char*>(hb.Resize(100, true));
  EXPECT_EQ(hb.GetAllocated(), 228);
  EXPECT_EQ(hb.GetSize(), 100);
  for (int i = 0; i < 100; ++i)
    ASSERT_EQ(p[i], static_cast<unsigned char>(i * 7));
}

TEST(LOOMHeapBufPrealloc, PreallocGrowsTheAllocationAndKeepsSizeAndContents)
{
  LOOM_HeapBuf hb(128);
  std::memcpy(hb.Resize(10, false), "012345678", 10);
  hb.Prealloc(1000);
  EXPECT_EQ(hb.GetAllocated(), 1500); // as Resize(1000): 1000 + 500
  EXPECT_EQ(hb.GetSize(), 10);
  EXPECT_STREQ(static_cast<const char*>(hb.Get()), "012345678");
  hb.Prealloc(200);
  EXPECT_EQ(hb.GetAllocated(), 1500);
}

TEST(LOOMHeapBufCopy, ExactCopyTakesTheOthersGranularityAndAllocation)
{
  LOOM_HeapBuf src(4096);
  std::memcpy(src.Resize(8, false), "pointer", 8);
  LOOM_HeapBuf dst(128);
  dst.Resize(500, false);
  dst.CopyFrom(&src, true);
  EXPECT_EQ(dst.GetGranularity(), 4096);
  EXPECT_EQ(dst.GetAllocated(), 4000);
  EXPECT_EQ(dst.GetSize(), 8);
  EXPECT_STREQ(static_cast<const char*>(dst.Get()), "pointer");
  EXPECT_NE(dst.Get(), src.Get());
}

TEST(LOOMHeapBufCopy, ExactCopyOfAnUnallocatedBufferEndsEmpty)
{
  const LOOM_HeapBuf src(4096);
  LOOM_HeapBuf dst(128);
  dst.Resize(50, false);
  dst.CopyFrom(&src, true);
  EXPECT_EQ(dst.GetAllocated(), 0);
  EXPECT_EQ(dst.GetSize(), 0);
  EXPECT_EQ(dst.GetFast(), nullptr);
}

TEST(LOOMHeapBufCopy, AssignmentCopiesSizeAndBytesWithItsOwnGranularity)
{
  LOOM_HeapBuf src(4096);
  std::memcpy(src.Resize(8, false), "pointer", 8);
  LOOM_HeapBuf dst(128);
  dst = src;
  EXPECT_EQ(dst.GetGranularity(), 128);
  EXPECT_EQ(dst.GetAllocated(), 136);
  EXPECT_EQ(dst.GetSize(), 8);
  EXPECT_STREQ(static_cast<const char*>(dst.Get()), "pointer");

  const LOOM_HeapBuf empty(128);
  dst = empty;
  EXPECT_EQ(dst.GetSize(), 0);
  EXPECT_EQ(dst.Get(), nullptr);

  const LOOM_HeapBuf& alias = src;
  src = alias;
  EXPECT_STREQ(static_cast<const char*>(src.Get()), "pointer");
}

// ---- LOOM_TypedBuf ----

std::vector<int> Contents(const LOOM_TypedBuf<int>& buf)
{
  const int* p = buf.Get();
  return p ? std::vector<int>(p, p + buf.GetSize()) : std::vector<int>();
}

TEST(LOOMTypedBuf, CountsAreInElements)
{
  LOOM_TypedBuf<double> buf(4096);
  ASSERT_NE(buf.Resize(3, false), nullptr);
  EXPECT_EQ(buf.GetSize(), 3u);
  EXPECT_EQ(buf.Resize(0, false), nullptr);
  EXPECT_EQ(buf.GetSize(), 0u);
}

TEST(LOOMTypedBuf, AddAppendsAndReturnsTheNewElement)
{
  LOOM_TypedBuf<int> buf(4096);
  for (int i = 0; i < 2000; ++i)
  {
    int* p = buf.Add(i * 3);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(*p, i * 3);
    ASSERT_EQ(p, buf.Get() + i);
  }
  const std::vector<int> c = Contents(buf);
  for (int i = 0; i < 2000; ++i)
    ASSERT_EQ(c[static_cast<size_t>(i)], i * 3);
}

TEST(LOOMTypedBuf, AddingAnElementOfTheArrayItselfCopiesItsValue)
{
  LOOM_TypedBuf<int> buf(4096);
  // 1000 ints fill the first 4000-byte allocation exactly, so the next Add
  // has to reallocate while its argument still lives in the old block.
  for (int i = 0; i < 1000; ++i)
    buf.Add(1000 + i);
  ASSERT_NE(buf.Add(buf.Get()[0]), nullptr);
  EXPECT_EQ(buf.Get()[1000], 1000);
}

TEST(LOOMTypedBuf, InsertingAnElementOfTheArrayItselfCopiesItsValue)
{
  LOOM_TypedBuf<int> buf(4096);
  for (int i = 0; i < 1000; ++i) // fills the 4000-byte allocation
    buf.Add(1000 + i);
  ASSERT_NE(buf.Insert(buf.Get()[999], 0), nullptr);
  EXPECT_EQ(buf.Get()[0], 1999);
  EXPECT_EQ(buf.Get()[1000], 1999);
}

TEST(LOOMTypedBuf, InsertAcceptsZeroToSizeOnly)
{
  LOOM_TypedBuf<int> buf(4096);
  buf.Add(1);
  buf.Add(2);
  EXPECT_EQ(buf.Insert(9, -1), nullptr);
  EXPECT_EQ(buf.Insert(9, 3), nullptr);
  EXPECT_EQ(Contents(buf), (std::vector<int>{1, 2}));
  EXPECT_EQ(*buf.Insert(0, 0), 0);
  EXPECT_EQ(*buf.Insert(3, 3), 3);
  EXPECT_EQ(*buf.Insert(5, 2), 5);
  EXPECT_EQ(Contents(buf), (std::vector<int>{0, 1, 5, 2, 3}));
}

TEST(LOOMTypedBuf, DeleteMovesLaterElementsDownAndKeepsTheMemory)
{
  LOOM_TypedBuf<int> buf(4096);
  for (int i = 0; i < 5; ++i)
    buf.Add(i);
  const int* data = buf.Get();
  buf.Delete(1);
  EXPECT_EQ(Contents(buf), (std::vector<int>{0, 2, 3, 4}));
  buf.Delete(-1);
  buf.Delete(4);
  EXPECT_EQ(Contents(buf), (std::vector<int>{0, 2, 3, 4}));
  buf.Delete(3);
  EXPECT_EQ(Contents(buf), (std::vector<int>{0, 2, 3}));
  EXPECT_EQ(buf.Get(), data);
}

TEST(LOOMTypedBuf, FindGivesTheFirstEqualElementOrMinusOne)
{
  LOOM_TypedBuf<int> buf(4096);
  EXPECT_EQ(buf.Find(7), -1);
  for (int v : {4, 7, 9, 7})
    buf.Add(v);
  EXPECT_EQ(buf.Find(7), 1);
  EXPECT_EQ(buf.Find(8), -1);
}

TEST(LOOMTypedBuf, ImpossibleCountFailsWithoutTouchingTheContents)
{
  LOOM_TypedBuf<double> buf(4096);
  buf.Add(2.5);
  EXPECT_EQ(buf.ResizeOK(INT_MAX, false), nullptr);
  EXPECT_EQ(buf.GetSize(), 1u);
  EXPECT_EQ(buf.Get()[0], 2.5);
}

// ---- LOOM_PtrList ----

// Records its id in a shared log when destroyed.
class Tracked
{
public:
  Tracked(int id, std::vector<int>* log) : mId(id), mLog(log) {}
  virtual ~Tracked() { mLog->push_back(mId); }
  int Id() const { return mId; }

private:
  int mId;
  std::vector<int>* mLog;
};

class TrackedChild : public Tracked
{
public:
  TrackedChild(int id, std::vector<int>* log, bool* childGone) : Tracked(id, log), mChildGone(childGone) {}
  ~TrackedChild() override { *mChildGone = true; }

private:
  bool* mChildGone;
};

std::vector<int> Ids(const LOOM_PtrList<Tracked>& list)
{
  std::vector<int> ids;
  for (int i = 0; i < list.GetSize(); ++i)
    ids.push_back(list.Get(i) ? list.Get(i)->Id() : -1);
  return ids;
}

class LOOMPtrListOwned : public ::testing::Test
{
protected:
  void SetUp() override
  {
    for (int i = 1; i <= 3; ++i)
      mList.Add(new Tracked(i, &mLog));
  }
  void TearDown() override { mList.Empty(true); }

  std::vector<int> mLog;
  LOOM_PtrList<Tracked> mList{4096};
};

TEST_F(LOOMPtrListOwned, GetOutsideTheListIsNull)
{
  EXPECT_EQ(mList.Get(-1), nullptr);
  EXPECT_EQ(mList.Get(3), nullptr);
  EXPECT_EQ(mList.Get(INT_MIN), nullptr);
  ASSERT_NE(mList.Get(2), nullptr);
  EXPECT_EQ(mList.Get(2)->Id(), 3);
}

TEST_F(LOOMPtrListOwned, InsertClampsTheIndexToTheList)
{
  Tracked* front = mList.Insert(-5, new Tracked(10, &mLog));
  Tracked* back = mList.Insert(10, new Tracked(20, &mLog));
  EXPECT_EQ(front->Id(), 10);
  EXPECT_EQ(back->Id(), 20);
  EXPECT_EQ(Ids(mList), (std::vector<int>{10, 1, 2, 3, 20}));
}

TEST_F(LOOMPtrListOwned, EmptyWithDeleteDestroysTheLastItemFirst)
{
  mList.Empty(true);
  EXPECT_EQ(mLog, (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(mList.GetSize(), 0);
  EXPECT_EQ(mList.GetList(), nullptr);
}

TEST_F(LOOMPtrListOwned, EmptyWithDeleteUsesTheVirtualDestructorAndSkipsNulls)
{
  bool childGone = false;
  mList.Add(new TrackedChild(4, &mLog, &childGone));
  mList.Add(nullptr);
  mList.Empty(true);
  EXPECT_TRUE(childGone);
  EXPECT_EQ(mLog, (std::vector<int>{4, 3, 2, 1}));
}

TEST_F(LOOMPtrListOwned, EmptyWithADeleteFunctionCallsItForEachItem)
{
  static std::vector<int>* sSeen;
  std::vector<int> seen;
  sSeen = &seen;
  mList.Empty(true, [](void* p) {
    Tracked* t = static_cast<Tracked*>(p);
    sSeen->push_back(t->Id());
    delete t;
  });
  EXPECT_EQ(seen, (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(mLog, (std::vector<int>{3, 2, 1}));
}

TEST_F(LOOMPtrListOwned, EmptyWithoutDeleteForgetsTheItemsOnly)
{
  std::vector<Tracked*> items{mList.Get(0), mList.Get(1), mList.Get(2)};
  mList.Empty();
  EXPECT_EQ(mList.GetSize(), 0);
  EXPECT_TRUE(mLog.empty());
  for (Tracked* t : items)
    delete t;
}

TEST_F(LOOMPtrListOwned, DeleteWithFlagDestroysTheItemAndClosesTheGap)
{
  mList.Delete(1, true);
  EXPECT_EQ(mLog, (std::vector<int>{2}));
  EXPECT_EQ(Ids(mList), (std::vector<int>{1, 3}));
}

TEST_F(LOOMPtrListOwned, DeleteOutOfRangeDoesNothing)
{
  mList.Delete(-1, true);
  mList.Delete(3, true);
  mList.Delete(INT_MAX, true);
  EXPECT_TRUE(mLog.empty());
  EXPECT_EQ(Ids(mList), (std::vector<int>{1, 2, 3}));
}

TEST_F(LOOMPtrListOwned, DeleteWithoutFlagOnlyRemovesTheSlot)
{
  Tracked* middle = mList.Get(1);
  mList.Delete(1);
  EXPECT_TRUE(mLog.empty());
  EXPECT_EQ(Ids(mList), (std::vector<int>{1, 3}));
  delete middle;
}

TEST_F(LOOMPtrListOwned, DeleteFunctionIsCalledEvenForANullItem)
{
  static int sCalls;
  static void* sLastArg;
  sCalls = 0;
  sLastArg = reinterpret_cast<void*>(1);
  mList.Insert(1, nullptr);
  mList.Delete(1, true, [](void* p) {
    ++sCalls;
    sLastArg = p;
  });
  EXPECT_EQ(sCalls, 1);
  EXPECT_EQ(sLastArg, nullptr);
  EXPECT_EQ(Ids(mList), (std::vector<int>{1, 2, 3}));
}

TEST_F(LOOMPtrListOwned, DeletePtrOfAMissingItemDoesNothing)
{
  Tracked stranger(99, &mLog);
  mList.DeletePtr(&stranger, true);
  mList.DeletePtr(nullptr, true);
  EXPECT_EQ(Ids(mList), (std::vector<int>{1, 2, 3}));
  mList.DeletePtr(mList.Get(0), true);
  EXPECT_EQ(Ids(mList), (std::vector<int>{2, 3}));
  EXPECT_EQ(mLog, (std::vector<int>{1}));
}

TEST_F(LOOMPtrListOwned, FindSearchesFromEitherEnd)
{
  Tracked* second = mList.Get(1);
  mList.Add(second);
  EXPECT_EQ(mList.Find(second), 1);
  EXPECT_EQ(mList.FindR(second), 3);
  EXPECT_EQ(mList.Find(nullptr), -1);
  EXPECT_EQ(mList.FindR(nullptr), -1);
  mList.Delete(3);
}

TEST(LOOMPtrList, DestructorFreesOnlyThePointerArray)
{
  std::vector<int> log;
  Tracked* item = new Tracked(1, &log);
  {
    LOOM_PtrList<Tracked> list(4096, 16);
    list.Add(item);
    EXPECT_EQ(list.GetSize(), 1);
  }
  EXPECT_TRUE(log.empty());
  delete item;
}

TEST(LOOMPtrList, ListOfConstantTextsAddsFindsAndEmptiesWithoutDeleting)
{
  static const char kA[] = "Main";
  static const char kB[] = "Aux";
  LOOM_PtrList<const char> list(4096);
  list.Add(kA);
  list.Add(kB);
  EXPECT_EQ(list.Find(kB), 1);
  list.Delete(0);
  EXPECT_EQ(list.Get(0), kB);
  list.Empty(false);
  EXPECT_EQ(list.GetSize(), 0);
}

int CompareInts(const int* key, const int* item)
{
  return *key - *item;
}

TEST(LOOMPtrListSorted, LowerBoundOnAnEmptyListIsZeroWithoutMatch)
{
  LOOM_PtrList<int> list(4096);
  const int key = 5;
  bool match = true;
  EXPECT_EQ(list.LowerBound(&key, &match, CompareInts), 0);
  EXPECT_FALSE(match);
}

TEST(LOOMPtrListSorted, LowerBoundReportsMatchesAndInsertionPoints)
{
  int values[] = {10, 20, 30, 40};
  LOOM_PtrList<int> list(4096);
  for (int& v : values)
    list.Add(&v);
  bool match = false;
  const int keys[] = {5, 10, 25, 40, 45};
  const int expectedIndex[] = {0, 0, 2, 3, 4};
  const bool expectedMatch[] = {false, true, false, true, false};
  for (int i = 0; i < 5; ++i)
  {
    EXPECT_EQ(list.LowerBound(&keys[i], &match, CompareInts), expectedIndex[i]) << "key " << keys[i];
    EXPECT_EQ(match, expectedMatch[i]) << "key " << keys[i];
  }
}

TEST(LOOMPtrListSorted, InsertSortedKeepsTheOrderAndPlacesEqualsAtTheMatch)
{
  int values[] = {50, 10, 40, 20, 30, 20};
  LOOM_PtrList<int> list(4096);
  for (int& v : values)
    list.InsertSorted(&v, CompareInts);
  ASSERT_EQ(list.GetSize(), 6);
  std::vector<int> sorted;
  for (int i = 0; i < list.GetSize(); ++i)
    sorted.push_back(*list.Get(i));
  EXPECT_EQ(sorted, (std::vector<int>{10, 20, 20, 30, 40, 50}));
  // The second 20 met the first one at index 1 (mid of 0..5 is 2 -> 30,
  // then mid of 0..2 is 1 -> 20) and went in front of it.
  EXPECT_EQ(list.Get(1), &values[5]);
  EXPECT_EQ(list.Get(2), &values[3]);
}

// ---- LOOM_Mutex ----

TEST(LOOMMutex, OwningThreadMayLockTwice)
{
  LOOM_Mutex mutex;
  std::promise<void> done;
  std::future<void> finished = done.get_future();
  std::thread([&mutex, &done] {
    LOOM_MutexLock outer(&mutex);
    {
      LOOM_MutexLock inner(&mutex);
      mutex.Enter();
      mutex.Leave();
    }
    done.set_value();
  }).detach();
  ASSERT_EQ(finished.wait_for(std::chrono::seconds(5)), std::future_status::ready) << "second lock deadlocked";
}

TEST(LOOMMutex, LockKeepsOtherThreadsOutUntilReleased)
{
  LOOM_Mutex mutex;
  std::atomic<bool> entered{false};
  std::thread other;
  {
    LOOM_MutexLock lock(&mutex);
    other = std::thread([&] {
      LOOM_MutexLock inner(&mutex);
      entered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(entered.load());
  }
  other.join();
  EXPECT_TRUE(entered.load());
}

TEST(LOOMMutex, ScopedLocksSerialiseIncrements)
{
  LOOM_Mutex mutex;
  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i)
      {
        LOOM_MutexLock lock(&mutex);
        const long seen = counter;
        std::this_thread::yield();
        counter = seen + 1;
      }
    });
  for (std::thread& t : threads)
    t.join();
  EXPECT_EQ(counter, 80000);
}
} // namespace
