#pragma once
// Internal to the stand-in: the base of the objects that CFEqual, CFHash and
// CFCopyDescription look into (strings, numbers, data, collections, URLs,
// bundles). Objects that derive from CFObject directly compare by identity.

#include "CFRuntime.h"
#include "CFType.h"

#include <string>

namespace pwshim {

class CFValueObject : public CFObject
{
public:
  using CFObject::CFObject;

  // other has this object's type ID. Identity unless the kind overrides it.
  virtual bool Equal(const CFValueObject& other) const noexcept;
  // Must agree with Equal: equal objects hash equally.
  virtual CFHashCode Hash() const noexcept;
  // UTF-8 text of CFCopyDescription. May throw std::bad_alloc.
  virtual std::string Describe() const;
};

// The value object behind cf; null for null or an object of another family.
CFValueObject* ValueObjectFromRef(CFTypeRef cf) noexcept;

// UTF-8 description of any reference, "(null)" for null. May throw
// std::bad_alloc.
std::string DescribeRef(CFTypeRef cf);

// UTF-8 description of a collection element: the text of the string that
// copyDescription answers (released again), or "<address>" without one. May
// throw std::bad_alloc.
std::string DescribeElement(CFStringRef (*copyDescription)(const void*), const void* value);

// CFRetain and CFRelease in the shape of collection callbacks.
const void* RetainTypeCallBack(CFAllocatorRef allocator, const void* value);
void ReleaseTypeCallBack(CFAllocatorRef allocator, const void* value);

// FNV-1a over a byte span; the hash of strings, data and URLs.
CFHashCode HashBytes(const void* bytes, size_t length) noexcept;

} // namespace pwshim
