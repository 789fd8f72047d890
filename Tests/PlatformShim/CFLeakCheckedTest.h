#pragma once
// Shared by the CoreFoundation stand-in tests: a fixture under which every
// test must leave as many live objects as it found, and an owner that
// releases a created object at scope end.

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/PWShimCFBase.h>

#include <gtest/gtest.h>

class CFLeakCheckedTest : public ::testing::Test
{
protected:
  void SetUp() override { mLiveAtStart = PWShimCFLiveObjectCount(); }
  void TearDown() override { EXPECT_EQ(PWShimCFLiveObjectCount(), mLiveAtStart) << "objects created and not released"; }

private:
  CFIndex mLiveAtStart = 0;
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
