#include "LOOM_HeapBuf.h"
#include "LOOM_Mutex.h"
#include "LOOM_PtrList.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <future>
#include <thread>
#include <memory>
#include <vector>

namespace
{
// ---- LOOM_HeapBuf ----

TEST(LOOMHeapBuf, GrowingKeepsTheContentsAndAnImpossibleSizeFailsKeepingThem)
{
  LOOM_HeapBuf hb(128);
  auto* p = static_cast<unsigned char*>(hb.Resize(2, false));
  hb.Resize(130, false);
  EXPECT_EQ(hb.Get(), p); // fits the first block
  for (int i = 0; i < 130; ++i)
    p[i] = static_cast<unsigned char>(i);
  hb.Prealloc(1000);
  EXPECT_EQ(hb.GetAllocated(), 1500); // as Resize(1000): 1000 + 500
  EXPECT_EQ(hb.GetSize(), 130);
  EXPECT_EQ(hb.ResizeOK(INT_MAX, false), nullptr);
  EXPECT_EQ(hb.Resize(INT_MAX, false), hb.Get()); // the unchanged buffer
  p = static_cast<unsigned char*>(hb.Resize(5000, false));
  for (int i = 0; i < 130; ++i)
    ASSERT_EQ(p[i], i);
}

TEST(LOOMHeapBuf, ShrinkingReallocatesOnlyBelowTheThresholdWhenAskedAndKeepsThePrefix)
{
  LOOM_HeapBuf hb(128);
  std::memcpy(hb.Resize(10000, false), "prefix", 7);
  ASSERT_EQ(hb.GetAllocated(), 15000); // 10000 + 5000
  hb.Resize(8000, true); // threshold min(15000 - 4 * 128, 15000 / 2) = 7500
  EXPECT_EQ(hb.GetAllocated(), 15000);
  EXPECT_STREQ(static_cast<const char*>(hb.Resize(100, true)), "prefix");
  EXPECT_EQ(hb.GetAllocated(), 228); // 100 + 128
  EXPECT_EQ(hb.Resize(-3, true), nullptr); // negative counts as 0
  EXPECT_EQ(hb.GetAllocated(), 0);
}

TEST(LOOMHeapBuf, ExactCopyTakesTheOthersAllocationWhileAssignmentKeepsItsOwnGranularity)
{
  LOOM_HeapBuf src(4096);
  std::memcpy(src.Resize(8, false), "pointer", 8);
  LOOM_HeapBuf exact(128), assigned(128);
  exact.CopyFrom(&src, true);
  assigned = src;
  EXPECT_EQ(exact.GetAllocated(), 4000);
  EXPECT_EQ(assigned.GetAllocated(), 136);
  EXPECT_STREQ(static_cast<const char*>(exact.Get()), "pointer");
  EXPECT_STREQ(static_cast<const char*>(assigned.Get()), "pointer");
}

// ---- LOOM_TypedBuf ----

TEST(LOOMTypedBuf, AddingOrInsertingAnElementOfTheArrayItselfCopiesItsValue)
{
  // 1000 ints fill the first 4000-byte allocation exactly, so the next Add or
  // Insert has to reallocate while its argument still lives in the old block.
  LOOM_TypedBuf<int> added(4096), inserted(4096);
  for (int i = 0; i < 1000; ++i)
  {
    added.Add(1000 + i);
    inserted.Add(1000 + i);
  }
  added.Add(added.Get()[0]);
  EXPECT_EQ(added.Get()[1000], 1000);
  ASSERT_NE(inserted.Insert(inserted.Get()[999], 0), nullptr);
  EXPECT_EQ(inserted.Get()[0], 1999);
}

TEST(LOOMTypedBuf, InsertAndDeleteAcceptIndicesInsideOnlyAndFindGivesTheFirstMatch)
{
  LOOM_TypedBuf<int> buf(4096);
  buf.Add(1);
  buf.Add(2);
  EXPECT_EQ(buf.Insert(9, -1), nullptr);
  EXPECT_EQ(buf.Insert(9, 3), nullptr);
  buf.Insert(0, 0);
  buf.Insert(3, 3);
  buf.Insert(5, 2); // 0 1 5 2 3
  buf.Delete(-1);
  buf.Delete(5);
  buf.Delete(1);
  buf.Add(5); // 0 5 2 3 5
  EXPECT_EQ(std::vector<int>(buf.Get(), buf.Get() + buf.GetSize()), (std::vector<int>{0, 5, 2, 3, 5}));
  EXPECT_EQ(buf.Find(5), 1);
  EXPECT_EQ(buf.Find(7), -1);
}

// ---- LOOM_PtrList ----

// Records its id in a shared log when destroyed.
class Tracked
{
public:
  Tracked(int id, std::vector<int>* log) : mId(id), mLog(log) {}
  ~Tracked() { mLog->push_back(mId); }
  int Id() const { return mId; }

private:
  int mId;
  std::vector<int>* mLog;
};

class LOOMPtrListOwned : public ::testing::Test
{
protected:
  void SetUp() override
  {
    for (int i = 1; i <= 3; ++i)
      mList.Add(new Tracked(i, &mLog));
  }
  void TearDown() override { mList.Empty(true); }

  std::vector<int> Ids() const
  {
    std::vector<int> ids;
    for (int i = 0; i < mList.GetSize(); ++i)
      ids.push_back(mList.Get(i) ? mList.Get(i)->Id() : -1);
    return ids;
  }

  std::vector<int> mLog;
  LOOM_PtrList<Tracked> mList{4096};
};

TEST_F(LOOMPtrListOwned, GetOutsideTheListIsNullInsertClampsTheIndexAndFindSearchesFromEitherEnd)
{
  EXPECT_EQ(mList.Get(-1), nullptr);
  EXPECT_EQ(mList.Get(3), nullptr);
  EXPECT_EQ(mList.Get(INT_MIN), nullptr);
  mList.Insert(-5, new Tracked(10, &mLog));
  mList.Insert(10, new Tracked(20, &mLog));
  EXPECT_EQ(Ids(), (std::vector<int>{10, 1, 2, 3, 20}));
  mList.Add(mList.Get(1));
  EXPECT_EQ(mList.Find(mList.Get(1)), 1);
  EXPECT_EQ(mList.FindR(mList.Get(1)), 5);
  EXPECT_EQ(mList.Find(nullptr), -1);
  mList.Delete(5);
}

TEST_F(LOOMPtrListOwned, DeleteClosesTheGapAndDestroysOnlyWhenAskedAndOnlyInsideTheList)
{
  Tracked stranger(99, &mLog);
  mList.DeletePtr(&stranger, true);
  mList.Delete(-1, true);
  mList.Delete(INT_MAX, true);
  Tracked* first = mList.Get(0);
  mList.Delete(0);
  EXPECT_TRUE(mLog.empty());
  delete first;
  mList.DeletePtr(mList.Get(0), true);
  EXPECT_EQ(mLog, (std::vector<int>{1, 2}));
  EXPECT_EQ(Ids(), (std::vector<int>{3}));
}

TEST_F(LOOMPtrListOwned, DeleteAndEmptyDestroyThroughADeleteFunctionEmptyFromTheLastItemDeleteEvenForANullSlot)
{
  static std::vector<int>* sSeen;
  std::vector<int> seen;
  sSeen = &seen;
  auto record = [](void* p) {
    sSeen->push_back(p ? static_cast<Tracked*>(p)->Id() : 0);
    delete static_cast<Tracked*>(p);
  };
  mList.Insert(1, nullptr);
  mList.Delete(1, true, record);
  mList.Empty(true, record);
  EXPECT_EQ(seen, (std::vector<int>{0, 3, 2, 1}));
  EXPECT_EQ(mLog, (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(mList.GetList(), nullptr);
}

int CompareInts(const int* key, const int* item)
{
  return *key - *item;
}

TEST(LOOMPtrListSorted, InsertSortedKeepsTheOrderAndLowerBoundReportsMatchesAndInsertionPoints)
{
  int values[] = {50, 10, 40, 20, 30, 20};
  LOOM_PtrList<int> list(4096);
  for (int& v : values)
    list.InsertSorted(&v, CompareInts);
  std::vector<int> sorted;
  for (int i = 0; i < list.GetSize(); ++i)
    sorted.push_back(*list.Get(i));
  EXPECT_EQ(sorted, (std::vector<int>{10, 20, 20, 30, 40, 50}));
  // The second 20 met the first one at index 1 (mid of 0..5 is 2 -> 30,
  // then mid of 0..2 is 1 -> 20) and went in front of it.
  EXPECT_EQ(list.Get(1), &values[5]);

  struct Row { int key, index; bool match; };
  for (const Row& r : {Row{5, 0, false}, Row{25, 3, false}, Row{50, 5, true}, Row{55, 6, false}})
  {
    bool match = !r.match;
    EXPECT_EQ(list.LowerBound(&r.key, &match, CompareInts), r.index) << r.key;
    EXPECT_EQ(match, r.match) << r.key;
  }
}

// ---- LOOM_Mutex ----

// Runs fn on its own thread; false if it does not finish within 5 s (the
// thread is then left behind, blocked).
template <class Fn>
bool FinishesOnItsOwnThread(Fn fn)
{
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  std::thread([fn, done] { fn(); done->set_value(); }).detach();
  return finished.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
}

TEST(LOOMMutex, TheOwnerMayLockAgainAndTheMutexIsFreeOnceEveryLockEnds)
{
  static LOOM_Mutex mutex; // outlives a thread left blocked by a failure
  ASSERT_TRUE(FinishesOnItsOwnThread([] {
    LOOM_MutexLock outer(&mutex);
    LOOM_MutexLock inner(&mutex);
  })) << "the owner's second lock deadlocked";
  EXPECT_TRUE(FinishesOnItsOwnThread([] { LOOM_MutexLock lock(&mutex); })) << "still locked after both locks ended";
}
} // namespace
