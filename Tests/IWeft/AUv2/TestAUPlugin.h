#pragma once
// A small Audio Unit plug-in for the binding's tests. One parameter, "Gain"
// (0 to 4, default 1). Channel I/O "1-1 1.1-1 1.2-1 1.2-2 2.1-1 2.1-2 2-2
// 2.2-2": a main input of one or two channels (channel records 0 and 1), an
// optional sidechain of one or two (records 2 and 3), one or two outputs.
//
// ProcessBlock writes output c = main c x gain + sidechain c x 0.5, so an
// output proves which of both buses arrived. It records what the binding
// handed it; the recorded fields are written on the render thread and read
// by the test after the render call returned.
//
// TestAUPlugin.cpp exports it as TestAUPlugin_Factory and TestAUPlugin_Entry.

#include "IWeftAU.h"
#include "IWeftAUFactory.h"
#include "PluginTestUtils.h"

#include <vector>

namespace pw::test {

inline constexpr const char* kTestAUBundleID = "com.acme.testau";
inline constexpr int kTestAUVersion = 0x010203;

inline weft::Config MakeTestAUConfig(const char* channelIO = "1-1 1.1-1 1.2-1 1.2-2 2.1-1 2.1-2 2-2 2.2-2",
                                     bool doesMidiIn = false)
{
  return MakeTestConfig(channelIO, 1, 1, true, 0, doesMidiIn, 0, 0x54737441 /* "TstA" */, kTestAUBundleID);
}

class TestAUPlugin : public weft::IWeftAU
{
public:
  static constexpr double kSidechainWeight = 0.5;

  explicit TestAUPlugin(const weft::InstanceInfo& info, const weft::Config& config = MakeTestAUConfig())
  : IWeftAU(info, config)
  {
    GetParam(0)->InitDouble("Gain", 1.0, 0.0, 4.0, 0.0001);
  }

  void ProcessBlock(double** inputs, double** outputs, int nFrames) override
  {
    ++processCount;
    lastTimeInfo.mTempo = GetTempo();
    lastTimeInfo.mPPQPos = GetPPQPos();
    GetTimeSig(lastTimeInfo.mNumerator, lastTimeInfo.mDenominator);
    lastTimeInfo.mTransportIsRunning = GetTransportIsRunning();
    const double gain = GetParam(0)->Value();
    const int nOut = MaxNChannels(weft::kOutput);
    const int nIn = MaxNChannels(weft::kInput);
    for (int c = 0; c < nOut; ++c)
    {
      const double* main = c < nIn ? inputs[c] : nullptr;
      const double* side = 2 + c < nIn ? inputs[2 + c] : nullptr;
      for (int s = 0; s < nFrames; ++s)
        outputs[c][s] = (main ? main[s] * gain : 0.0) + (side ? side[s] * kSidechainWeight : 0.0);
    }
  }

  void ProcessMidiMsg(const weft::IMidiMsg& msg) override { midiIn.push_back(msg); }
  void OnActivate(bool active) override { activations.push_back(active); }
  void OnReset() override { ++resetCount; }

  // The binding's state, for checks.
  int HostChannels(weft::ERoute direction, int bus) const
  {
    const auto& buses = direction == weft::kInput ? mInBuses : mOutBuses;
    return buses.Get(bus)->mHostChannels;
  }
  UInt32 InputType(int bus) const { return mInBusConnections.Get(bus)->mInputType; }
  weft::IWeftQueue<weft::IMidiMsg>& MidiToEditor() { return mMidiMsgsFromProcessor; }
  const char* CocoaViewClass() const { return mCocoaViewClass.Get(); }

  int processCount = 0;
  int resetCount = 0;
  std::vector<bool> activations;
  std::vector<weft::IMidiMsg> midiIn;
  weft::ITimeInfo lastTimeInfo;
};

// The same plug-in taking MIDI input.
class TestAUMidiPlugin : public TestAUPlugin
{
public:
  explicit TestAUMidiPlugin(const weft::InstanceInfo& info)
  : TestAUPlugin(info, MakeTestAUConfig("2-2", true))
  {}
};

// The same plug-in with two stereo output buses (or mono in and out).
class TestAUTwoOutPlugin : public TestAUPlugin
{
public:
  explicit TestAUTwoOutPlugin(const weft::InstanceInfo& info)
  : TestAUPlugin(info, MakeTestAUConfig("1-1 2.2-2.2"))
  {}
};

} // namespace pw::test

IWEFT_AU_VIEW_CLASS(TestAUTwoOutPlugin, pw::test::TestAUTwoOutPlugin)
IWEFT_AU_VIEW_CLASS(TestAUPlugin, pw::test::TestAUPlugin)
IWEFT_AU_VIEW_CLASS(TestAUMidiPlugin, pw::test::TestAUMidiPlugin)

// The exported entry points of the test plug-ins (TestAUPlugin.cpp).
extern "C" void* TestAUPlugin_Factory(const AudioComponentDescription* desc);
extern "C" ComponentResult TestAUPlugin_Entry(ComponentParameters* params, Handle storage);
extern "C" void* TestAUMidiPlugin_Factory(const AudioComponentDescription* desc);
extern "C" ComponentResult TestAUMidiPlugin_Entry(ComponentParameters* params, Handle storage);
extern "C" void* TestAUTwoOutPlugin_Factory(const AudioComponentDescription* desc);
extern "C" ComponentResult TestAUTwoOutPlugin_Entry(ComponentParameters* params, Handle storage);
