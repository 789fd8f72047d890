#pragma once
// A configuration record and a minimal processor for the processor tests.

#include "IWeftConfig.h"
#include "IWeftProcessor.h"
#include "PluginTestUtils.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace pw::test {

constexpr const char* kProductIOStr = "1-1 1.1-1 1.2-1 1.2-2 2.1-1 2.1-2 2-2 2.2-2";

// Records the MIDI it is asked to send in a fixed array, so sending never
// allocates; every call fails once failAt is reached.
class TestProcessorBase : public weft::IWeftProcessor
{
public:
  explicit TestProcessorBase(const char* channelIOStr, int latency = 0, int plugType = 0, bool doesMidiIn = false)
  : weft::IWeftProcessor(MakeTestConfig(channelIOStr, 2, 1, false, plugType, doesMidiIn, latency), weft::kAPIAUv2)
  {}

  bool SendMidiMsg(const weft::IMidiMsg& msg) override
  {
    const bool ok = mNSent < mFailAt;
    if (mNSent < kMaxSent)
      mSent[mNSent] = msg;
    ++mNSent;
    return ok;
  }

  static constexpr int kMaxSent = 16;
  weft::IMidiMsg mSent[kMaxSent];
  int mNSent = 0;
  int mFailAt = kMaxSent;
};

// The parser's report printed while running f, which is kept off the test
// output.
template <class F>
std::string CaptureReport(F&& f)
{
  testing::internal::CaptureStdout();
  f();
  std::fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

} // namespace pw::test
