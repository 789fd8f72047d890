#pragma once
// CoreFoundation helpers for tests of code that hands strings and objects to
// a host: a string's text, an owner of one reference, and a leak check on the
// stand-in's live objects.

#include <CoreFoundation/CoreFoundation.h>
#include <CoreFoundation/PWShimCFBase.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pw::test {

// The text of a string, "<none>" for null.
inline std::string Utf8(CFStringRef str)
{
  if (!str)
    return "<none>";
  std::vector<char> buffer(static_cast<size_t>(CFStringGetLength(str)) * 3 + 1);
  if (!CFStringGetCString(str, buffer.data(), static_cast<CFIndex>(buffer.size()), kCFStringEncodingUTF8))
    return "<not convertible>";
  return buffer.data();
}

// The 32-bit number under key in dict (the failure is reported; -1 then).
inline int32_t NumberIn(CFDictionaryRef dict, CFStringRef key)
{
  const auto number = static_cast<CFNumberRef>(CFDictionaryGetValue(dict, key));
  int32_t value = -1;
  EXPECT_TRUE(number && CFGetTypeID(number) == CFNumberGetTypeID() && CFNumberGetType(number) == kCFNumberSInt32Type)
    << Utf8(key) << " is not a 32-bit number";
  if (number)
    CFNumberGetValue(number, kCFNumberSInt32Type, &value);
  return value;
}

// Fails the test when CoreFoundation objects made after its construction
// outlive its destruction: declare it before the units it watches.
class CFLeakCheck
{
public:
  ~CFLeakCheck() { EXPECT_EQ(PWShimCFLiveObjectCount(), mAtStart) << "CoreFoundation objects outlived the test"; }

private:
  CFIndex mAtStart = PWShimCFLiveObjectCount();
};

// A fixture whose tests must leave as many live objects as they found.
class CFLeakCheckedTest : public ::testing::Test
{
  CFLeakCheck mLeakCheck;
};

// Owns one reference (from a Create or Copy call).
template <class Ref>
class CFOwned
{
public:
  explicit CFOwned(Ref ref = nullptr) : mRef(ref) {}
  ~CFOwned()
  {
    if (mRef)
      CFRelease(mRef);
  }
  CFOwned(const CFOwned&) = delete;
  CFOwned& operator=(const CFOwned&) = delete;

  Ref get() const { return mRef; }
  explicit operator bool() const { return mRef != nullptr; }

private:
  Ref mRef;
};

} // namespace pw::test
