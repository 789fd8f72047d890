#include "CFStringObject.h"
#include "CFType.h"
#include "CFValueObject.h"

#include <cstdio>
#include <new>

namespace pwshim {

bool CFValueObject::Equal(const CFValueObject& other) const noexcept
{
  return this == &other;
}

CFHashCode CFValueObject::Hash() const noexcept
{
  return reinterpret_cast<CFHashCode>(this);
}

namespace {

std::string GenericDescription(const void* object, CFTypeID typeID)
{
  char text[64];
  std::snprintf(text, sizeof(text), "<CFType %p [type %lu]>", object, typeID);
  return text;
}

} // namespace

std::string CFValueObject::Describe() const
{
  return GenericDescription(this, TypeID());
}

CFValueObject* ValueObjectFromRef(CFTypeRef cf) noexcept
{
  return dynamic_cast<CFValueObject*>(ObjectFromRef(cf));
}

std::string DescribeRef(CFTypeRef cf)
{
  if (!cf)
    return "(null)";
  if (const CFValueObject* value = ValueObjectFromRef(cf))
    return value->Describe();
  return GenericDescription(cf, CFGetTypeID(cf));
}

std::string DescribeElement(CFStringRef (*copyDescription)(const void*), const void* value)
{
  if (copyDescription)
  {
    struct ReleaseAtEnd
    {
      CFTypeRef cf;
      ~ReleaseAtEnd() { CFRelease(cf); }
    } description{copyDescription(value)};
    const CFStringObject* string = StringFromRef(description.cf);
    return string ? string->Text() : std::string("(null)");
  }
  char text[32];
  std::snprintf(text, sizeof(text), "<%p>", value);
  return text;
}

const void* RetainTypeCallBack(CFAllocatorRef, const void* value)
{
  return CFRetain(value);
}

void ReleaseTypeCallBack(CFAllocatorRef, const void* value)
{
  CFRelease(value);
}

CFHashCode HashBytes(const void* bytes, size_t length) noexcept
{
  const auto* p = static_cast<const unsigned char*>(bytes);
  uint64_t hash = 14695981039346656037ull;
  for (size_t i = 0; i < length; ++i)
  {
    hash ^= p[i];
    hash *= 1099511628211ull;
  }
  return static_cast<CFHashCode>(hash);
}

} // namespace pwshim

CF_EXPORT Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2)
{
  if (!cf1 || !cf2)
    return false;
  if (cf1 == cf2)
    return true;
  if (CFGetTypeID(cf1) != CFGetTypeID(cf2))
    return false;
  const pwshim::CFValueObject* a = pwshim::ValueObjectFromRef(cf1);
  const pwshim::CFValueObject* b = pwshim::ValueObjectFromRef(cf2);
  return a && b && a->Equal(*b);
}

CF_EXPORT CFHashCode CFHash(CFTypeRef cf)
{
  if (!cf)
    return 0;
  if (const pwshim::CFValueObject* value = pwshim::ValueObjectFromRef(cf))
    return value->Hash();
  return reinterpret_cast<CFHashCode>(cf);
}

CF_EXPORT CFStringRef CFCopyDescription(CFTypeRef cf)
{
  if (!cf)
    return nullptr;
  // A string is immutable and describes itself: share it.
  if (pwshim::StringFromRef(cf))
    return static_cast<CFStringRef>(CFRetain(cf));
  try
  {
    return pwshim::CFStringObject::Create(pwshim::DescribeRef(cf));
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}
