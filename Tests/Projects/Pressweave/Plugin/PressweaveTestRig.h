#pragma once
// Two ways to drive Pressweave in tests:
// - DirectRig: a Pressweave built in place, its channel connections set by
//   hand and ProcessBlock called with the rig's own double buffers;
// - AUHost: the component opened through its factory and the platform
//   stand-in, fed by render callbacks and rendered with AudioUnitRender, as
//   a host does (with the host helpers all Audio Unit tests share).

#include "AUTestUtils.h"
#include "CFTestUtils.h"
#include "IWeftAUFactory.h"
#include "PluginTestUtils.h"
#include "Pressweave.h"

#include <AudioToolbox/AudioToolbox.h>
#include <AudioToolbox/PWShimAudioComponent.h>
#include <CoreFoundation/PWShimCFBase.h>
#include <CoreFoundation/PWShimCFBundle.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pw::test {

using pressweave::Pressweave;

// Pressweave with the handles a unit test needs: the plug-in API and host
// it believes it runs under, and the messages sent towards editor controls.
class TestPressweave : public Pressweave
{
public:
  TestPressweave() : Pressweave(weft::InstanceInfo()) {}

  void SetAPIForTest(weft::EAPI api) { mAPI = api; }
  void SetHostForTest(weft::EHost host) { mHost = host; }

  void SendControlMsgFromDelegate(int ctrlTag, int, int dataSize, const void*) override
  {
    controlMessages.push_back({ctrlTag, dataSize});
  }

  struct ControlMessage { int ctrlTag, dataSize; };
  std::vector<ControlMessage> controlMessages;

  // The editor's drawing context, in place of the platform's, when set.
  std::function<weft::canvas::ICanvas*(Pressweave&, int, int, int, float)> graphicsFactory;
  weft::canvas::ICanvas* MakePlatformGraphics(int w, int h, int fps, float scale) override
  {
    return graphicsFactory ? graphicsFactory(*this, w, h, fps, scale) : Pressweave::MakePlatformGraphics(w, h, fps, scale);
  }
};

inline void SetParam(Pressweave& plug, int idx, double value)
{
  plug.GetParam(idx)->Set(value);
}

// A deterministic test signal: a few detuned sines, amplitude below 1.
inline double TestSignal(int channel, long long frame)
{
  const double t = static_cast<double>(frame);
  const double f = 0.013 + 0.007 * channel;
  return 0.5 * std::sin(f * t) + 0.3 * std::sin(0.0017 * t * (channel + 1) + channel);
}

// A Pressweave processing the rig's buffers directly.
class DirectRig
{
public:
  static constexpr int kMaxFrames = 4096;

  // nMain 1 or 2 main channels, nSidechain 0..2 sidechain channels, nOut 1
  // or 2 outputs; the unit is activated at sampleRate.
  explicit DirectRig(int nMain = 2, int nSidechain = 2, int nOut = 2, double sampleRate = 48000.0)
  : plug(std::make_unique<TestPressweave>())
  {
    Connect(nMain, nSidechain, nOut);
    plug->SetSampleRate(sampleRate);
    plug->OnActivate(true);
  }

  void Connect(int nMain, int nSidechain, int nOut)
  {
    plug->SetChannelConnections(weft::kInput, 0, 4, false);
    plug->SetChannelConnections(weft::kInput, 0, nMain, true);
    plug->SetChannelConnections(weft::kInput, 2, nSidechain, true);
    plug->SetChannelConnections(weft::kOutput, 0, 2, false);
    plug->SetChannelConnections(weft::kOutput, 0, nOut, true);
  }

  void Process(int n) // the first n frames of in into out
  {
    double* inputs[4] = {in[0].data(), in[1].data(), in[2].data(), in[3].data()};
    double* outputs[2] = {out[0].data(), out[1].data()};
    plug->ProcessBlock(inputs, outputs, n);
  }

  // The host's transport for the next block, seen by the idle handler once
  // a block has carried it (an empty one here).
  void SetTransport(const weft::ITimeInfo& info)
  {
    plug->SetTimeInfo(info);
    Process(0);
  }

  void Fill(int channel, double value, int n = kMaxFrames) { std::fill_n(in[channel].begin(), n, value); }

  // The first n frames of input channel c become TestSignal(c, frame).
  void FillSignal(int channel, int n = kMaxFrames)
  {
    for (int s = 0; s < n; ++s)
      in[channel][s] = TestSignal(channel, s);
  }

  std::unique_ptr<TestPressweave> plug;
  std::vector<std::vector<double>> in = std::vector<std::vector<double>>(4, std::vector<double>(kMaxFrames));
  std::vector<std::vector<double>> out = std::vector<std::vector<double>>(2, std::vector<double>(kMaxFrames));
};

// The component opened as a host opens it, with render callbacks on both
// input buses.
class AUHost
{
public:
  static constexpr double kSampleRate = 48000.0;

  // hostBundleID names the main bundle the unit identifies its host from.
  explicit AUHost(const char* hostBundleID = "com.example.testhost", int nMain = 2, int nSidechain = 2, int nOut = 2)
  {
    PWShimCFBundleSetMainBundle(nullptr, hostBundleID, "10.7.2");
    block = static_cast<AudioComponentPlugInInterface*>(Pressweave_Factory(nullptr));
    EXPECT_NE(block, nullptr);
    EXPECT_EQ(PWShimAudioComponentInstanceNew(block, &unit), noErr);
    plug = static_cast<Pressweave*>(weft::IWeftAUFactory<Pressweave, false>::GetPlug(block));

    SetFormat(kAudioUnitScope_Output, 0, nOut);
    SetFormat(kAudioUnitScope_Input, 0, nMain);
    if (nSidechain > 0)
      SetFormat(kAudioUnitScope_Input, 1, nSidechain);

    AURenderCallbackStruct mainCallback{&AUHost::Feed, &mainSource};
    EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0,
                                   &mainCallback, sizeof(mainCallback)),
              noErr);
    if (nSidechain > 0)
      ConnectSidechain(true);
  }

  ~AUHost()
  {
    if (unit)
      PWShimAudioComponentInstanceDispose(unit);
    PWShimCFBundleClearMainBundle();
  }

  AUHost(const AUHost&) = delete;
  AUHost& operator=(const AUHost&) = delete;

  OSStatus Initialize() { return AudioUnitInitialize(unit); }

  void SetParameter(int idx, double value)
  {
    EXPECT_EQ(AudioUnitSetParameter(unit, static_cast<AudioUnitParameterID>(idx), kAudioUnitScope_Global, 0,
                                    static_cast<AudioUnitParameterValue>(value), 0),
              noErr);
  }

  // The class-info dictionary, owned by the caller.
  CFDictionaryRef State()
  {
    CFTypeRef state = nullptr;
    UInt32 size = sizeof state;
    EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &state, &size),
              noErr);
    return static_cast<CFDictionaryRef>(state);
  }

  // frames of TestSignal on both main channels of a fresh host.
  void FeedMain(int frames)
  {
    for (int c = 0; c < 2; ++c)
      for (int s = 0; s < frames; ++s)
        mainSource.signal[c].push_back(static_cast<float>(TestSignal(c, s)));
  }

  void SetFormat(AudioUnitScope scope, AudioUnitElement element, int nChannels)
  {
    EXPECT_EQ(SetStreamChannels(unit, scope, element, nChannels, kSampleRate), noErr);
  }

  // Sets or removes the sidechain bus's render callback.
  void ConnectSidechain(bool connect)
  {
    AURenderCallbackStruct cb{connect ? &AUHost::Feed : nullptr, connect ? &sidechainSource : nullptr};
    EXPECT_EQ(
      AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 1, &cb, sizeof(cb)),
      noErr);
  }

  // Renders n frames of output bus 0 into outL/outR (resized to n).
  OSStatus Render(int n)
  {
    BufferList out(2, n);
    const OSStatus status = RenderAt(unit, out, sampleTime, static_cast<UInt32>(n));
    outL.assign(out.Channel(0), out.Channel(0) + n);
    outR.assign(out.Channel(1), out.Channel(1) + n);
    if (status == noErr)
      sampleTime += n;
    return status;
  }

  // One input bus's source: channel c of frame f is signal[c][f] (0 beyond
  // its end). The read position advances with each pull.
  struct Source
  {
    std::vector<float> signal[2];
    long long position = 0;
  };

  static OSStatus Feed(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32 nFrames,
                       AudioBufferList* ioData)
  {
    auto* src = static_cast<Source*>(refCon);
    for (UInt32 b = 0; b < ioData->mNumberBuffers && b < 2; ++b)
    {
      auto* dest = static_cast<float*>(ioData->mBuffers[b].mData);
      for (UInt32 s = 0; dest && s < nFrames; ++s)
      {
        const auto idx = static_cast<size_t>(src->position + s);
        dest[s] = idx < src->signal[b].size() ? src->signal[b][idx] : 0.0f;
      }
    }
    src->position += nFrames;
    return noErr;
  }

  AudioComponentPlugInInterface* block = nullptr;
  AudioUnit unit = nullptr;
  Pressweave* plug = nullptr;
  Source mainSource;
  Source sidechainSource;
  std::vector<float> outL, outR;
  double sampleTime = 0.0;
};

} // namespace pw::test
