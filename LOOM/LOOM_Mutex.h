#pragma once
// Recursive mutex (the owning thread may lock it again) and its scoped lock.

#include <pthread.h>

class LOOM_Mutex
{
public:
  LOOM_Mutex() noexcept
  {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&mMutex, &attr);
    pthread_mutexattr_destroy(&attr);
  }
  ~LOOM_Mutex() { pthread_mutex_destroy(&mMutex); }

  LOOM_Mutex(const LOOM_Mutex&) = delete;
  LOOM_Mutex& operator=(const LOOM_Mutex&) = delete;

  void Enter() noexcept { pthread_mutex_lock(&mMutex); }
  void Leave() noexcept { pthread_mutex_unlock(&mMutex); }

private:
  pthread_mutex_t mMutex;
};

// Enters the mutex for its lifetime; a null mutex makes it a no-op.
class LOOM_MutexLock
{
public:
  explicit LOOM_MutexLock(LOOM_Mutex* mutex) noexcept : mMutex(mutex)
  {
    if (mMutex)
      mMutex->Enter();
  }
  ~LOOM_MutexLock()
  {
    if (mMutex)
      mMutex->Leave();
  }

  LOOM_MutexLock(const LOOM_MutexLock&) = delete;
  LOOM_MutexLock& operator=(const LOOM_MutexLock&) = delete;

private:
  LOOM_Mutex* mMutex;
};
