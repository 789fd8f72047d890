#pragma once
// Internal to the stand-in: the base every CoreFoundation object derives
// from. Product code sees only the opaque references of the public headers.

#include "CFBase.h"

#include <atomic>

namespace pwshim {

// Type IDs of the stand-in's object kinds. New kinds are appended; an ID
// never changes meaning.
enum : CFTypeID
{
  kTypeIDNotAType = 0,
  kTypeIDRunLoop = 1,
  kTypeIDRunLoopTimer = 2,
  kTypeIDRunLoopModeName = 3,
  kTypeIDString = 4,
  kTypeIDNumber = 5,
  kTypeIDData = 6,
  kTypeIDDictionary = 7,
  kTypeIDArray = 8,
  kTypeIDURL = 9,
  kTypeIDBundle = 10,
  kTypeIDSet = 11,
  kTypeIDDataProvider = 12,
  kTypeIDGraphicsFont = 13,
  kTypeIDTextFont = 14,
  kTypeIDFontDescriptor = 15,
};

// Reference-counted base. A counted object is created with one reference
// (the creator's) by new (std::nothrow) and deleted through the virtual
// destructor by its last Release. A constant object lives for the whole
// process: Retain and Release do nothing and it is not in the live count.
class CFObject
{
public:
  enum class Lifetime
  {
    Counted,
    Constant
  };

  explicit CFObject(CFTypeID typeID, Lifetime lifetime = Lifetime::Counted) noexcept;
  virtual ~CFObject();

  CFObject(const CFObject&) = delete;
  CFObject& operator=(const CFObject&) = delete;

  CFTypeID TypeID() const noexcept { return mTypeID; }
  bool IsConstant() const noexcept { return mConstant; }

  // Any thread.
  void Retain() noexcept;
  // Any thread. Deletes the object when this was its last reference.
  void Release() noexcept;
  // The largest CFIndex for constant objects.
  CFIndex RetainCount() const noexcept;

  // Counted objects alive in the process.
  static CFIndex LiveCount() noexcept;

private:
  std::atomic<CFIndex> mRetainCount{1};
  const CFTypeID mTypeID;
  const bool mConstant;
};

// The object behind a reference; null for null.
inline CFObject* ObjectFromRef(CFTypeRef cf) noexcept
{
  return static_cast<CFObject*>(const_cast<void*>(cf));
}

// The object behind a reference as T when it is of kind typeID, else null.
template <class T>
T* CastRef(CFTypeRef cf, CFTypeID typeID) noexcept
{
  CFObject* object = ObjectFromRef(cf);
  return object && object->TypeID() == typeID ? static_cast<T*>(object) : nullptr;
}

} // namespace pwshim
