#include "CFSet.h"
#include "CFRuntime.h"
#include "CFStringObject.h"
#include "CFType.h"

#include <new>
#include <vector>

namespace pwshim {
namespace {

class CFSetObject final : public CFObject
{
public:
  CFSetObject() : CFObject(kTypeIDSet) {}
  ~CFSetObject() override
  {
    for (const void* value : mValues)
      CFRelease(value);
  }
  bool Contains(const void* value) const
  {
    for (const void* member : mValues)
      if (CFEqual(member, value))
        return true;
    return false;
  }
  void Add(const void* value)
  {
    if (!Contains(value))
      mValues.push_back(CFRetain(value));
  }
  CFIndex Count() const { return static_cast<CFIndex>(mValues.size()); }

private:
  std::vector<const void*> mValues;
};

} // namespace
} // namespace pwshim

CF_EXPORT const CFSetCallBacks kCFTypeSetCallBacks = {0, nullptr, nullptr, nullptr, nullptr, nullptr};

CF_EXPORT CFTypeID CFSetGetTypeID(void)
{
  return pwshim::kTypeIDSet;
}

CF_EXPORT CFSetRef CFSetCreate(CFAllocatorRef, const void** values, CFIndex numValues, const CFSetCallBacks* callBacks)
{
  if (numValues < 0 || (numValues > 0 && !values) || callBacks != &kCFTypeSetCallBacks)
    return nullptr;
  for (CFIndex i = 0; i < numValues; ++i)
    if (!values[i])
      return nullptr;
  try
  {
    auto* set = new pwshim::CFSetObject();
    for (CFIndex i = 0; i < numValues; ++i)
      set->Add(values[i]);
    return pwshim::ToRef<CFSetRef>(set);
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}

CF_EXPORT CFIndex CFSetGetCount(CFSetRef theSet)
{
  const auto* set = pwshim::CastRef<pwshim::CFSetObject>(theSet, pwshim::kTypeIDSet);
  return set ? set->Count() : 0;
}

CF_EXPORT Boolean CFSetContainsValue(CFSetRef theSet, const void* value)
{
  const auto* set = pwshim::CastRef<pwshim::CFSetObject>(theSet, pwshim::kTypeIDSet);
  return set && value && set->Contains(value);
}
