#include "CFDictionary.h"
#include "CFStringObject.h"
#include "CFValueObject.h"

#include <functional>
#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

CF_EXPORT const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks = {
  0, pwshim::RetainTypeCallBack, pwshim::ReleaseTypeCallBack, CFCopyDescription, CFEqual, CFHash};
CF_EXPORT const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks = {
  0, pwshim::RetainTypeCallBack, pwshim::ReleaseTypeCallBack, CFCopyDescription, CFEqual};

namespace pwshim {
namespace {

constexpr CFDictionaryKeyCallBacks kNullKeyCallBacks = {0, nullptr, nullptr, nullptr, nullptr, nullptr};
constexpr CFDictionaryValueCallBacks kNullValueCallBacks = {0, nullptr, nullptr, nullptr, nullptr};

struct KeyHash
{
  CFDictionaryHashCallBack hash;
  size_t operator()(const void* key) const noexcept
  {
    return hash ? hash(key) : std::hash<const void*>{}(key);
  }
};

struct KeyEqual
{
  CFDictionaryEqualCallBack equal;
  bool operator()(const void* a, const void* b) const noexcept { return a == b || (equal && equal(a, b)); }
};

class CFDictionaryObject final : public CFValueObject
{
public:
  using Map = std::unordered_map<const void*, const void*, KeyHash, KeyEqual>;

  CFDictionaryObject(CFAllocatorRef allocator, const CFDictionaryKeyCallBacks* keyCallBacks,
                     const CFDictionaryValueCallBacks* valueCallBacks, bool isMutable)
  : CFValueObject(kTypeIDDictionary)
  , mAllocator(allocator)
  , mKeyCallBacks(keyCallBacks ? *keyCallBacks : kNullKeyCallBacks)
  , mValueCallBacks(valueCallBacks ? *valueCallBacks : kNullValueCallBacks)
  , mMutable(isMutable)
  , mPairs(0, KeyHash{mKeyCallBacks.hash}, KeyEqual{mKeyCallBacks.equal})
  {
  }

  ~CFDictionaryObject() override { RemoveAll(); }

  bool IsMutable() const noexcept { return mMutable; }
  const Map& Pairs() const noexcept { return mPairs; }
  const CFDictionaryKeyCallBacks& KeyCallBacks() const noexcept { return mKeyCallBacks; }
  const CFDictionaryValueCallBacks& ValueCallBacks() const noexcept { return mValueCallBacks; }

  const Map::value_type* Find(const void* key) const noexcept
  {
    // Lookup only hashes and compares; it does not allocate.
    const auto found = mPairs.find(key);
    return found == mPairs.end() ? nullptr : &*found;
  }

  // False (nothing retained or changed) when memory runs out.
  bool Set(const void* key, const void* value, bool replaceExisting) noexcept
  {
    const auto found = mPairs.find(key);
    if (found != mPairs.end())
    {
      if (replaceExisting)
      {
        const void* old = found->second;
        found->second = RetainValue(value);
        ReleaseValue(old);
      }
      return true;
    }
    const void* storedKey =
      mKeyCallBacks.retain ? mKeyCallBacks.retain(mAllocator, key) : key;
    try
    {
      mPairs.emplace(storedKey, nullptr);
    }
    catch (const std::bad_alloc&)
    {
      if (mKeyCallBacks.release)
        mKeyCallBacks.release(mAllocator, storedKey);
      return false;
    }
    mPairs.find(storedKey)->second = RetainValue(value);
    return true;
  }

  void Remove(const void* key) noexcept
  {
    const auto found = mPairs.find(key);
    if (found == mPairs.end())
      return;
    const auto pair = *found;
    mPairs.erase(found);
    ReleasePair(pair);
  }

  void RemoveAll() noexcept
  {
    // Detach first: a release callback may look at the dictionary.
    Map pairs(0, mPairs.hash_function(), mPairs.key_eq());
    pairs.swap(mPairs);
    for (const auto& pair : pairs)
      ReleasePair(pair);
  }

  bool Equal(const CFValueObject& other) const noexcept override
  {
    const auto& that = static_cast<const CFDictionaryObject&>(other);
    if (mPairs.size() != that.mPairs.size())
      return false;
    for (const auto& pair : mPairs)
    {
      const auto* match = that.Find(pair.first);
      if (!match)
        return false;
      if (match->second != pair.second && !(mValueCallBacks.equal && mValueCallBacks.equal(pair.second, match->second)))
        return false;
    }
    return true;
  }

  CFHashCode Hash() const noexcept override { return mPairs.size(); }

  std::string Describe() const override
  {
    std::string text = "{\n";
    for (const auto& pair : mPairs)
    {
      text += "    ";
      text += DescribeElement(mKeyCallBacks.copyDescription, pair.first);
      text += " = ";
      text += DescribeElement(mValueCallBacks.copyDescription, pair.second);
      text += ";\n";
    }
    text += "}";
    return text;
  }

private:
  const void* RetainValue(const void* value) const noexcept
  {
    return mValueCallBacks.retain ? mValueCallBacks.retain(mAllocator, value) : value;
  }

  void ReleaseValue(const void* value) const noexcept
  {
    if (mValueCallBacks.release)
      mValueCallBacks.release(mAllocator, value);
  }

  void ReleasePair(const Map::value_type& pair) const noexcept
  {
    if (mKeyCallBacks.release)
      mKeyCallBacks.release(mAllocator, pair.first);
    ReleaseValue(pair.second);
  }

  const CFAllocatorRef mAllocator;
  const CFDictionaryKeyCallBacks mKeyCallBacks;
  const CFDictionaryValueCallBacks mValueCallBacks;
  const bool mMutable;
  Map mPairs;
};

CFDictionaryObject* DictionaryFromRef(CFTypeRef cf) noexcept
{
  return CastRef<CFDictionaryObject>(cf, kTypeIDDictionary);
}

CFDictionaryObject* MutableDictionaryFromRef(CFTypeRef cf) noexcept
{
  CFDictionaryObject* dictionary = DictionaryFromRef(cf);
  return dictionary && dictionary->IsMutable() ? dictionary : nullptr;
}

CFDictionaryObject* NewDictionary(CFAllocatorRef allocator, const CFDictionaryKeyCallBacks* keyCallBacks,
                                  const CFDictionaryValueCallBacks* valueCallBacks, bool isMutable) noexcept
{
  try
  {
    return new CFDictionaryObject(allocator, keyCallBacks, valueCallBacks, isMutable);
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}

// A new dictionary with source's callbacks and pairs; null when memory runs
// out or source is not a dictionary.
CFDictionaryObject* CopyDictionary(CFAllocatorRef allocator, CFDictionaryRef source, bool isMutable) noexcept
{
  const CFDictionaryObject* original = DictionaryFromRef(source);
  if (!original)
    return nullptr;
  CFDictionaryObject* copy = NewDictionary(allocator, &original->KeyCallBacks(), &original->ValueCallBacks(), isMutable);
  if (!copy)
    return nullptr;
  for (const auto& pair : original->Pairs())
  {
    if (!copy->Set(pair.first, pair.second, true))
    {
      copy->Release();
      return nullptr;
    }
  }
  return copy;
}

} // namespace
} // namespace pwshim

using pwshim::CFDictionaryObject;
using pwshim::ToRef;

CF_EXPORT CFTypeID CFDictionaryGetTypeID(void)
{
  return pwshim::kTypeIDDictionary;
}

CF_EXPORT CFDictionaryRef CFDictionaryCreate(CFAllocatorRef allocator, const void** keys, const void** values, CFIndex numValues,
                                             const CFDictionaryKeyCallBacks* keyCallBacks,
                                             const CFDictionaryValueCallBacks* valueCallBacks)
{
  if (numValues < 0 || (numValues > 0 && (!keys || !values)))
    return nullptr;
  CFDictionaryObject* dictionary = pwshim::NewDictionary(allocator, keyCallBacks, valueCallBacks, false);
  if (!dictionary)
    return nullptr;
  for (CFIndex i = 0; i < numValues; ++i)
  {
    if (!dictionary->Set(keys[i], values[i], true))
    {
      dictionary->Release();
      return nullptr;
    }
  }
  return ToRef<CFDictionaryRef>(dictionary);
}

CF_EXPORT CFDictionaryRef CFDictionaryCreateCopy(CFAllocatorRef allocator, CFDictionaryRef theDict)
{
  return ToRef<CFDictionaryRef>(pwshim::CopyDictionary(allocator, theDict, false));
}

CF_EXPORT CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef allocator, CFIndex capacity,
                                                           const CFDictionaryKeyCallBacks* keyCallBacks,
                                                           const CFDictionaryValueCallBacks* valueCallBacks)
{
  if (capacity < 0)
    return nullptr;
  return ToRef<CFMutableDictionaryRef>(pwshim::NewDictionary(allocator, keyCallBacks, valueCallBacks, true));
}

CF_EXPORT CFMutableDictionaryRef CFDictionaryCreateMutableCopy(CFAllocatorRef allocator, CFIndex capacity, CFDictionaryRef theDict)
{
  if (capacity < 0)
    return nullptr;
  return ToRef<CFMutableDictionaryRef>(pwshim::CopyDictionary(allocator, theDict, true));
}

CF_EXPORT CFIndex CFDictionaryGetCount(CFDictionaryRef theDict)
{
  const CFDictionaryObject* dictionary = pwshim::DictionaryFromRef(theDict);
  return dictionary ? static_cast<CFIndex>(dictionary->Pairs().size()) : 0;
}

CF_EXPORT Boolean CFDictionaryContainsKey(CFDictionaryRef theDict, const void* key)
{
  const CFDictionaryObject* dictionary = pwshim::DictionaryFromRef(theDict);
  return dictionary && dictionary->Find(key);
}

CF_EXPORT const void* CFDictionaryGetValue(CFDictionaryRef theDict, const void* key)
{
  const CFDictionaryObject* dictionary = pwshim::DictionaryFromRef(theDict);
  const auto* pair = dictionary ? dictionary->Find(key) : nullptr;
  return pair ? pair->second : nullptr;
}

CF_EXPORT Boolean CFDictionaryGetValueIfPresent(CFDictionaryRef theDict, const void* key, const void** value)
{
  const CFDictionaryObject* dictionary = pwshim::DictionaryFromRef(theDict);
  const auto* pair = dictionary ? dictionary->Find(key) : nullptr;
  if (!pair)
    return false;
  if (value)
    *value = pair->second;
  return true;
}

CF_EXPORT void CFDictionaryGetKeysAndValues(CFDictionaryRef theDict, const void** keys, const void** values)
{
  const CFDictionaryObject* dictionary = pwshim::DictionaryFromRef(theDict);
  if (!dictionary)
    return;
  size_t i = 0;
  for (const auto& pair : dictionary->Pairs())
  {
    if (keys)
      keys[i] = pair.first;
    if (values)
      values[i] = pair.second;
    ++i;
  }
}

CF_EXPORT void CFDictionarySetValue(CFMutableDictionaryRef theDict, const void* key, const void* value)
{
  if (CFDictionaryObject* dictionary = pwshim::MutableDictionaryFromRef(theDict))
    dictionary->Set(key, value, true);
}

CF_EXPORT void CFDictionaryAddValue(CFMutableDictionaryRef theDict, const void* key, const void* value)
{
  if (CFDictionaryObject* dictionary = pwshim::MutableDictionaryFromRef(theDict))
    dictionary->Set(key, value, false);
}

CF_EXPORT void CFDictionaryRemoveValue(CFMutableDictionaryRef theDict, const void* key)
{
  if (CFDictionaryObject* dictionary = pwshim::MutableDictionaryFromRef(theDict))
    dictionary->Remove(key);
}

CF_EXPORT void CFDictionaryRemoveAllValues(CFMutableDictionaryRef theDict)
{
  if (CFDictionaryObject* dictionary = pwshim::MutableDictionaryFromRef(theDict))
    dictionary->RemoveAll();
}
