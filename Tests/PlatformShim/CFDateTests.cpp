#include <CoreFoundation/CFBase.h>

#include <gtest/gtest.h>

#include <ctime>

TEST(CFAbsoluteTime, CountsSecondsFromTheYear2001)
{
  const double unixNow = static_cast<double>(std::time(nullptr));
  const CFAbsoluteTime now = CFAbsoluteTimeGetCurrent();
  EXPECT_NEAR(now + kCFAbsoluteTimeIntervalSince1970, unixNow, 2.0);
  // 2001-01-01 is 978307200 s after the Unix epoch: any date after 2020 is
  // well above 6e8 s in CoreFoundation's frame.
  EXPECT_GT(now, 6.0e8);
}

TEST(CFAbsoluteTime, NeverRunsBackwardsBetweenCalls)
{
  const CFAbsoluteTime a = CFAbsoluteTimeGetCurrent();
  const CFAbsoluteTime b = CFAbsoluteTimeGetCurrent();
  EXPECT_LE(a, b);
}
