#pragma once
// StaticStorage<T>: a process-wide cache of owned T keyed by name and scale,
// shared by every drawing context. Each context retains the caches it uses
// when made and releases them when destroyed; when the last user releases a
// cache, its entries are destroyed.
//
// Threads: every operation goes through an Accessor, which holds the cache's
// recursive mutex for its lifetime, so a find-then-add is atomic and the
// same thread may open a nested Accessor.

#include "LOOM_Mutex.h"
#include "LOOM_String.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace weft::canvas {

template <class T>
class StaticStorage
{
public:
  class Accessor
  {
  public:
    explicit Accessor(StaticStorage& storage) : mStorage(storage), mLock(&storage.mMutex) {}
    Accessor(const Accessor&) = delete;
    Accessor& operator=(const Accessor&) = delete;

    T* Find(const char* name, double scale = 1.0) { return mStorage.Find(name, scale); }
    // The storage takes ownership of pData.
    void Add(T* pData, const char* name, double scale = 1.0) { mStorage.Add(pData, name, scale); }
    // Destroys the first entry holding pData; nothing when none does.
    void Remove(T* pData) { mStorage.Remove(pData); }
    void Clear() { mStorage.Clear(); }
    void Retain() { mStorage.mCount++; }
    // At the last release the entries are destroyed. A release without a
    // matching retain leaves the count at 0.
    void Release()
    {
      if (mStorage.mCount > 0)
        mStorage.mCount--;
      if (mStorage.mCount == 0)
        mStorage.Clear();
    }
    int Users() const { return mStorage.mCount; }
    int Size() const { return static_cast<int>(mStorage.mEntries.size()); }

  private:
    StaticStorage& mStorage;
    LOOM_MutexLock mLock;
  };

  StaticStorage() = default;
  ~StaticStorage() { Clear(); }
  StaticStorage(const StaticStorage&) = delete;
  StaticStorage& operator=(const StaticStorage&) = delete;

  // The key hash of name at scale: the text name + "-%.1fx".
  static size_t Hash(const char* name, double scale)
  {
    char suffix[64];
    std::snprintf(suffix, sizeof(suffix), "-%.1fx", scale);
    return std::hash<std::string>()(std::string(name ? name : "") + suffix);
  }

private:
  struct DataKey
  {
    size_t hash = 0;
    LOOM_String name;
    double scale = 0.0;
    std::unique_ptr<T> data;
  };

  T* Find(const char* name, double scale)
  {
    const size_t hash = Hash(name, scale);
    for (const auto& key : mEntries)
    {
      if (key->hash == hash && key->scale == scale && std::string(key->name.Get()) == (name ? name : ""))
        return key->data.get();
    }
    return nullptr;
  }

  void Add(T* pData, const char* name, double scale)
  {
    auto key = std::make_unique<DataKey>();
    key->hash = Hash(name, scale);
    key->name.Set(name ? name : "");
    key->scale = scale;
    key->data.reset(pData);
    mEntries.push_back(std::move(key));
  }

  void Remove(T* pData)
  {
    for (auto it = mEntries.begin(); it != mEntries.end(); ++it)
    {
      if ((*it)->data.get() == pData)
      {
        mEntries.erase(it);
        return;
      }
    }
  }

  // Last to first.
  void Clear()
  {
    while (!mEntries.empty())
      mEntries.pop_back();
  }

  int mCount = 0;
  LOOM_Mutex mMutex;
  std::vector<std::unique_ptr<DataKey>> mEntries;
};

} // namespace weft::canvas
