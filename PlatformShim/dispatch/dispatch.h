#pragma once
// The libdispatch pieces the platform layer uses: counting semaphores, the
// main queue (its blocks run from the main run loop) and immutable data
// objects. Objects are reference counted with dispatch_retain and
// dispatch_release; a create function returns a reference the caller owns.

#include <stddef.h>
#include <stdint.h>

#if defined(__cplusplus)
#define DISPATCH_EXPORT extern "C" __attribute__((visibility("default")))
#else
#define DISPATCH_EXPORT extern __attribute__((visibility("default")))
#endif

typedef uint64_t dispatch_time_t;
#define DISPATCH_TIME_NOW (0ull)
#define DISPATCH_TIME_FOREVER (~0ull)
#ifndef NSEC_PER_SEC
#define NSEC_PER_SEC 1000000000ull
#define NSEC_PER_MSEC 1000000ull
#endif

typedef struct dispatch_semaphore_s* dispatch_semaphore_t;
typedef struct dispatch_queue_s* dispatch_queue_t;
typedef struct dispatch_data_s* dispatch_data_t;
typedef void (^dispatch_block_t)(void);

// A time delta nanoseconds after when (DISPATCH_TIME_NOW: now, on a
// monotonic clock); DISPATCH_TIME_FOREVER stays forever.
DISPATCH_EXPORT dispatch_time_t dispatch_time(dispatch_time_t when, int64_t delta);

DISPATCH_EXPORT void dispatch_retain(void* object);
DISPATCH_EXPORT void dispatch_release(void* object);

// Null when value is negative.
DISPATCH_EXPORT dispatch_semaphore_t dispatch_semaphore_create(intptr_t value);
// Decrements the count, waiting until it is positive or timeout has passed.
// 0 on success, nonzero on timeout.
DISPATCH_EXPORT intptr_t dispatch_semaphore_wait(dispatch_semaphore_t semaphore, dispatch_time_t timeout);
// Increments the count; nonzero when a waiter was woken.
DISPATCH_EXPORT intptr_t dispatch_semaphore_signal(dispatch_semaphore_t semaphore);

// The main queue: blocks submitted from any thread run in order on the thread
// that pumps the main run loop, at its next pump.
DISPATCH_EXPORT dispatch_queue_t dispatch_get_main_queue(void);
// Copies the block; a null queue or block does nothing.
DISPATCH_EXPORT void dispatch_async(dispatch_queue_t queue, dispatch_block_t block);

// Data objects copy the bytes when destructor is DISPATCH_DATA_DESTRUCTOR_DEFAULT;
// the other destructors are not supported (null is returned).
#define DISPATCH_DATA_DESTRUCTOR_DEFAULT NULL
DISPATCH_EXPORT dispatch_data_t dispatch_data_create(const void* buffer, size_t size, dispatch_queue_t queue,
                                                     dispatch_block_t destructor);
DISPATCH_EXPORT size_t dispatch_data_get_size(dispatch_data_t data);
// A new reference to data whose bytes are contiguous; fills the pointer and
// size when they are not null.
DISPATCH_EXPORT dispatch_data_t dispatch_data_create_map(dispatch_data_t data, const void** buffer, size_t* size);
