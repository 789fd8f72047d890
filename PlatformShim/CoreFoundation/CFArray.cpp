#include "CFArray.h"
#include "CFStringObject.h"
#include "CFValueObject.h"

#include <new>
#include <vector>

CF_EXPORT const CFArrayCallBacks kCFTypeArrayCallBacks = {
  0, pwshim::RetainTypeCallBack, pwshim::ReleaseTypeCallBack, CFCopyDescription, CFEqual};

namespace pwshim {
namespace {

constexpr CFArrayCallBacks kNullArrayCallBacks = {0, nullptr, nullptr, nullptr, nullptr};

class CFArrayObject final : public CFValueObject
{
public:
  CFArrayObject(CFAllocatorRef allocator, const CFArrayCallBacks* callBacks, bool isMutable) noexcept
  : CFValueObject(kTypeIDArray)
  , mAllocator(allocator)
  , mCallBacks(callBacks ? *callBacks : kNullArrayCallBacks)
  , mMutable(isMutable)
  {
  }

  ~CFArrayObject() override { ReleaseAll(); }

  bool IsMutable() const noexcept { return mMutable; }
  size_t Count() const noexcept { return mValues.size(); }
  const void* At(size_t index) const noexcept { return mValues[index]; }

  // index <= Count(). False (nothing retained) when memory runs out.
  bool Insert(size_t index, const void* value) noexcept
  {
    try
    {
      mValues.reserve(mValues.size() + 1);
    }
    catch (const std::bad_alloc&)
    {
      return false;
    }
    // Cannot throw: the capacity is there and the elements are pointers.
    mValues.insert(mValues.begin() + static_cast<std::ptrdiff_t>(index), RetainValue(value));
    return true;
  }

  // index < Count().
  void Set(size_t index, const void* value) noexcept
  {
    const void* old = mValues[index];
    mValues[index] = RetainValue(value);
    ReleaseValue(old);
  }

  // index < Count().
  void Remove(size_t index) noexcept
  {
    const void* old = mValues[index];
    mValues.erase(mValues.begin() + static_cast<std::ptrdiff_t>(index));
    ReleaseValue(old);
  }

  void ReleaseAll() noexcept
  {
    // Detach first: a release callback may look at the array.
    std::vector<const void*> values;
    values.swap(mValues);
    for (const void* value : values)
      ReleaseValue(value);
  }

  bool ValuesEqual(const void* a, const void* b) const noexcept
  {
    return a == b || (mCallBacks.equal && mCallBacks.equal(a, b));
  }

  bool Equal(const CFValueObject& other) const noexcept override
  {
    const auto& that = static_cast<const CFArrayObject&>(other);
    if (mValues.size() != that.mValues.size())
      return false;
    for (size_t i = 0; i < mValues.size(); ++i)
    {
      if (!ValuesEqual(mValues[i], that.mValues[i]))
        return false;
    }
    return true;
  }

  CFHashCode Hash() const noexcept override { return mValues.size(); }

  std::string Describe() const override
  {
    std::string text = "(";
    for (size_t i = 0; i < mValues.size(); ++i)
    {
      text += i == 0 ? "\n    " : ",\n    ";
      text += DescribeElement(mCallBacks.copyDescription, mValues[i]);
    }
    text += "\n)";
    return text;
  }

private:
  const void* RetainValue(const void* value) const noexcept
  {
    return mCallBacks.retain ? mCallBacks.retain(mAllocator, value) : value;
  }

  void ReleaseValue(const void* value) const noexcept
  {
    if (mCallBacks.release)
      mCallBacks.release(mAllocator, value);
  }

  const CFAllocatorRef mAllocator;
  const CFArrayCallBacks mCallBacks;
  const bool mMutable;
  std::vector<const void*> mValues;
};

CFArrayObject* ArrayFromRef(CFTypeRef cf) noexcept
{
  return CastRef<CFArrayObject>(cf, kTypeIDArray);
}

CFArrayObject* MutableArrayFromRef(CFTypeRef cf) noexcept
{
  CFArrayObject* array = ArrayFromRef(cf);
  return array && array->IsMutable() ? array : nullptr;
}

} // namespace
} // namespace pwshim

using pwshim::CFArrayObject;

CF_EXPORT CFTypeID CFArrayGetTypeID(void)
{
  return pwshim::kTypeIDArray;
}

CF_EXPORT CFArrayRef CFArrayCreate(CFAllocatorRef allocator, const void** values, CFIndex numValues, const CFArrayCallBacks* callBacks)
{
  if (numValues < 0 || (!values && numValues > 0))
    return nullptr;
  auto* array = new (std::nothrow) CFArrayObject(allocator, callBacks, false);
  if (!array)
    return nullptr;
  for (CFIndex i = 0; i < numValues; ++i)
  {
    if (!array->Insert(static_cast<size_t>(i), values[i]))
    {
      array->Release();
      return nullptr;
    }
  }
  return pwshim::ToRef<CFArrayRef>(array);
}

CF_EXPORT CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef allocator, CFIndex capacity, const CFArrayCallBacks* callBacks)
{
  if (capacity < 0)
    return nullptr;
  return pwshim::ToRef<CFMutableArrayRef>(new (std::nothrow) CFArrayObject(allocator, callBacks, true));
}

CF_EXPORT CFIndex CFArrayGetCount(CFArrayRef theArray)
{
  const CFArrayObject* array = pwshim::ArrayFromRef(theArray);
  return array ? static_cast<CFIndex>(array->Count()) : 0;
}

CF_EXPORT const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx)
{
  const CFArrayObject* array = pwshim::ArrayFromRef(theArray);
  if (!array || idx < 0 || static_cast<size_t>(idx) >= array->Count())
    return nullptr;
  return array->At(static_cast<size_t>(idx));
}

CF_EXPORT Boolean CFArrayContainsValue(CFArrayRef theArray, CFRange range, const void* value)
{
  const CFArrayObject* array = pwshim::ArrayFromRef(theArray);
  if (!array || range.location < 0 || range.length < 0)
    return false;
  const auto count = static_cast<CFIndex>(array->Count());
  if (range.location > count || range.length > count - range.location)
    return false;
  for (CFIndex i = range.location; i < range.location + range.length; ++i)
  {
    if (array->ValuesEqual(array->At(static_cast<size_t>(i)), value))
      return true;
  }
  return false;
}

CF_EXPORT void CFArrayAppendValue(CFMutableArrayRef theArray, const void* value)
{
  if (CFArrayObject* array = pwshim::MutableArrayFromRef(theArray))
    array->Insert(array->Count(), value);
}

CF_EXPORT void CFArrayInsertValueAtIndex(CFMutableArrayRef theArray, CFIndex idx, const void* value)
{
  CFArrayObject* array = pwshim::MutableArrayFromRef(theArray);
  if (array && idx >= 0 && static_cast<size_t>(idx) <= array->Count())
    array->Insert(static_cast<size_t>(idx), value);
}

CF_EXPORT void CFArraySetValueAtIndex(CFMutableArrayRef theArray, CFIndex idx, const void* value)
{
  CFArrayObject* array = pwshim::MutableArrayFromRef(theArray);
  if (array && idx >= 0 && static_cast<size_t>(idx) < array->Count())
    array->Set(static_cast<size_t>(idx), value);
}

CF_EXPORT void CFArrayRemoveValueAtIndex(CFMutableArrayRef theArray, CFIndex idx)
{
  CFArrayObject* array = pwshim::MutableArrayFromRef(theArray);
  if (array && idx >= 0 && static_cast<size_t>(idx) < array->Count())
    array->Remove(static_cast<size_t>(idx));
}

CF_EXPORT void CFArrayRemoveAllValues(CFMutableArrayRef theArray)
{
  if (CFArrayObject* array = pwshim::MutableArrayFromRef(theArray))
    array->ReleaseAll();
}
