#include "dispatch.h"

#include <Block.h>
#include <CoreFoundation/CFRunLoop.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>

struct dispatch_object_s
{
  virtual ~dispatch_object_s() = default;
  std::atomic<long> refs{1};
};

struct dispatch_semaphore_s : dispatch_object_s
{
  std::mutex mutex;
  std::condition_variable cv;
  intptr_t count = 0; // guarded by mutex
  intptr_t waiters = 0;
};

struct dispatch_queue_s : dispatch_object_s
{
  std::mutex mutex;
  std::deque<dispatch_block_t> blocks; // copies, released after they ran
  bool drainScheduled = false;
};

struct dispatch_data_s : dispatch_object_s
{
  ~dispatch_data_s() override { delete[] bytes; }
  unsigned char* bytes = nullptr;
  size_t size = 0;
};

namespace
{
uint64_t NowNanoseconds()
{
  using namespace std::chrono;
  return (uint64_t)duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

dispatch_time_t dispatch_time(dispatch_time_t when, int64_t delta)
{
  if (when == DISPATCH_TIME_FOREVER)
    return DISPATCH_TIME_FOREVER;
  const uint64_t base = when == DISPATCH_TIME_NOW ? NowNanoseconds() : when;
  if (delta < 0)
    return (uint64_t)-delta >= base ? 1 : base - (uint64_t)-delta;
  return base + (uint64_t)delta < base ? DISPATCH_TIME_FOREVER - 1 : base + (uint64_t)delta;
}

void dispatch_retain(void* object)
{
  if (object)
    static_cast<dispatch_object_s*>(object)->refs.fetch_add(1, std::memory_order_relaxed);
}

void dispatch_release(void* object)
{
  auto* o = static_cast<dispatch_object_s*>(object);
  if (o && o->refs.fetch_sub(1, std::memory_order_acq_rel) == 1)
    delete o;
}

dispatch_semaphore_t dispatch_semaphore_create(intptr_t value)
{
  if (value < 0)
    return nullptr;
  auto* s = new (std::nothrow) dispatch_semaphore_s;
  if (s)
    s->count = value;
  return s;
}

intptr_t dispatch_semaphore_wait(dispatch_semaphore_t s, dispatch_time_t timeout)
{
  std::unique_lock<std::mutex> lock(s->mutex);
  s->waiters++;
  bool ok = true;
  if (timeout == DISPATCH_TIME_FOREVER)
    s->cv.wait(lock, [s] { return s->count > 0; });
  else
  {
    const uint64_t now = NowNanoseconds();
    const uint64_t deadline = timeout == DISPATCH_TIME_NOW ? now : timeout;
    ok = s->cv.wait_for(lock, std::chrono::nanoseconds(deadline > now ? deadline - now : 0),
                        [s] { return s->count > 0; });
  }
  s->waiters--;
  if (!ok)
    return 1;
  s->count--;
  return 0;
}

intptr_t dispatch_semaphore_signal(dispatch_semaphore_t s)
{
  std::lock_guard<std::mutex> lock(s->mutex);
  s->count++;
  s->cv.notify_one();
  return s->waiters > 0 ? 1 : 0;
}

namespace
{
// Runs the main queue's blocks, including those the blocks submit meanwhile.
void DrainMainQueue(CFRunLoopTimerRef, void* info)
{
  auto* q = static_cast<dispatch_queue_s*>(info);
  for (;;)
  {
    dispatch_block_t block = nullptr;
    {
      std::lock_guard<std::mutex> lock(q->mutex);
      if (q->blocks.empty())
      {
        q->drainScheduled = false;
        return;
      }
      block = q->blocks.front();
      q->blocks.pop_front();
    }
    block();
    Block_release(block);
  }
}
} // namespace

dispatch_queue_t dispatch_get_main_queue(void)
{
  // Lives as long as the process.
  static dispatch_queue_s* mainQueue = new dispatch_queue_s;
  return mainQueue;
}

void dispatch_async(dispatch_queue_t q, dispatch_block_t block)
{
  if (!q || !block)
    return;
  bool schedule = false;
  {
    std::lock_guard<std::mutex> lock(q->mutex);
    q->blocks.push_back(Block_copy(block));
    schedule = !q->drainScheduled;
    q->drainScheduled = true;
  }
  if (!schedule)
    return;
  // A one-shot timer due now: the next pump of the main loop drains the queue.
  CFRunLoopTimerContext context = {0, q, nullptr, nullptr, nullptr};
  CFRunLoopTimerRef timer =
    CFRunLoopTimerCreate(nullptr, CFAbsoluteTimeGetCurrent(), 0, 0, 0, DrainMainQueue, &context);
  CFRunLoopAddTimer(CFRunLoopGetMain(), timer, kCFRunLoopCommonModes);
  CFRelease(timer);
}

dispatch_data_t dispatch_data_create(const void* buffer, size_t size, dispatch_queue_t, dispatch_block_t destructor)
{
  if (destructor || (!buffer && size))
    return nullptr;
  auto* d = new (std::nothrow) dispatch_data_s;
  if (!d)
    return nullptr;
  d->bytes = new (std::nothrow) unsigned char[size ? size : 1];
  if (!d->bytes)
  {
    delete d;
    return nullptr;
  }
  if (size)
    std::memcpy(d->bytes, buffer, size);
  d->size = size;
  return d;
}

size_t dispatch_data_get_size(dispatch_data_t data)
{
  return data ? data->size : 0;
}

dispatch_data_t dispatch_data_create_map(dispatch_data_t data, const void** buffer, size_t* size)
{
  if (!data)
    return nullptr;
  dispatch_retain(data);
  if (buffer)
    *buffer = data->bytes;
  if (size)
    *size = data->size;
  return data;
}
