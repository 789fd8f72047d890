#pragma once
// CoreFoundation helpers for tests of code that hands strings and objects to
// a host: a string's text, and a leak check on the stand-in's live objects.

#include <CoreFoundation/CoreFoundation.h>
#include <CoreFoundation/PWShimCFBase.h>

#include <gtest/gtest.h>

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

// Fails the test when CoreFoundation objects made after its construction
// outlive its destruction: declare it before the units it watches.
class CFLeakCheck
{
public:
  ~CFLeakCheck() { EXPECT_EQ(PWShimCFLiveObjectCount(), mAtStart) << "CoreFoundation objects outlived the test"; }

private:
  CFIndex mAtStart = PWShimCFLiveObjectCount();
};

} // namespace pw::test
