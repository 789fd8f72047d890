#include <dispatch/dispatch.h>
#include <CoreFoundation/PWShimRunLoop.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(Dispatch, SemaphoreCountsAndTimesOut)
{
  dispatch_semaphore_t s = dispatch_semaphore_create(2);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(dispatch_semaphore_wait(s, DISPATCH_TIME_FOREVER), 0);
  EXPECT_EQ(dispatch_semaphore_wait(s, DISPATCH_TIME_NOW), 0);
  EXPECT_NE(dispatch_semaphore_wait(s, dispatch_time(DISPATCH_TIME_NOW, 5 * NSEC_PER_MSEC)), 0);
  EXPECT_EQ(dispatch_semaphore_signal(s), 0); // nobody waiting
  EXPECT_EQ(dispatch_semaphore_wait(s, DISPATCH_TIME_NOW), 0);
  EXPECT_EQ(dispatch_semaphore_create(-1), nullptr);
  dispatch_release(s);
}

TEST(Dispatch, SemaphoreWakesAWaiterOnAnotherThread)
{
  dispatch_semaphore_t s = dispatch_semaphore_create(0);
  std::atomic<bool> passed{false};
  std::thread waiter([&] {
    dispatch_semaphore_wait(s, DISPATCH_TIME_FOREVER);
    passed = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(passed.load());
  dispatch_semaphore_signal(s);
  waiter.join();
  EXPECT_TRUE(passed.load());
  dispatch_release(s);
}

TEST(Dispatch, MainQueueBlocksRunInOrderAtTheNextPump)
{
  static int trace = 0;
  dispatch_async(dispatch_get_main_queue(), ^{ trace = trace * 10 + 1; });
  std::thread other([] { dispatch_async(dispatch_get_main_queue(), ^{ trace = trace * 10 + 2; }); });
  other.join();
  EXPECT_EQ(trace, 0);
  PWShimRunLoopFireDue();
  EXPECT_EQ(trace, 12);
}

TEST(Dispatch, DataCopiesItsBytes)
{
  char bytes[] = "abc";
  dispatch_data_t d = dispatch_data_create(bytes, 3, nullptr, DISPATCH_DATA_DESTRUCTOR_DEFAULT);
  bytes[0] = 'x';
  const void* p = nullptr;
  size_t n = 0;
  dispatch_data_t m = dispatch_data_create_map(d, &p, &n);
  ASSERT_EQ(n, 3u);
  EXPECT_EQ(std::string(static_cast<const char*>(p), n), "abc");
  dispatch_release(m);
  dispatch_release(d);
}
