// Rendering cost of Pressweave as a host sees it: stereo main and stereo
// sidechain at 48 kHz, 512-frame blocks through AudioUnitRender, in each
// sidechain mode with the "Pressweave" amount stage off and on. The
// per_frame counter is the time of one frame (seconds; "n" is ns).
//
//   build/<dir>/Tests/Benchmarks/pressweave-bench

#include "IWeftAUFactory.h"
#include "Pressweave.h"

#include <AudioToolbox/AudioToolbox.h>
#include <AudioToolbox/PWShimAudioComponent.h>
#include <CoreFoundation/PWShimCFBundle.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr double kSampleRate = 48000.0;
constexpr UInt32 kFrames = 512;
constexpr int kPeriod = 48000; // frames of source material, looped

struct Source
{
  std::vector<float> channel[2];
  long long position = 0;
};

OSStatus Feed(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32 nFrames,
              AudioBufferList* ioData)
{
  auto* src = static_cast<Source*>(refCon);
  for (UInt32 b = 0; b < ioData->mNumberBuffers && b < 2; ++b)
  {
    auto* dest = static_cast<float*>(ioData->mBuffers[b].mData);
    if (!dest)
      continue;
    for (UInt32 s = 0; s < nFrames; ++s)
      dest[s] = src->channel[b][static_cast<size_t>((src->position + s) % kPeriod)];
  }
  src->position += nFrames;
  return noErr;
}

void Check(OSStatus status, const char* what)
{
  if (status != noErr)
  {
    std::fprintf(stderr, "pressweave-bench: %s failed (%d)\n", what, static_cast<int>(status));
    std::exit(1);
  }
}

void SetFormat(AudioUnit unit, AudioUnitScope scope, AudioUnitElement element)
{
  AudioStreamBasicDescription asbd{};
  asbd.mSampleRate = kSampleRate;
  asbd.mFormatID = kAudioFormatLinearPCM;
  asbd.mFormatFlags = kAudioFormatFlagsAudioUnitCanonical;
  asbd.mBytesPerPacket = 4;
  asbd.mFramesPerPacket = 1;
  asbd.mBytesPerFrame = 4;
  asbd.mChannelsPerFrame = 2;
  asbd.mBitsPerChannel = 32;
  Check(AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, scope, element, &asbd, sizeof(asbd)),
        "StreamFormat");
}

// One opened, initialised unit with its sources and output buffers.
class BenchHost
{
public:
  BenchHost(int mode, bool amountOn)
  {
    for (int c = 0; c < 2; ++c)
    {
      main.channel[c].resize(kPeriod);
      sidechain.channel[c].resize(kPeriod);
      for (int s = 0; s < kPeriod; ++s)
      {
        main.channel[c][s] = static_cast<float>(0.5 * std::sin(0.013 * s + c) + 0.2 * std::sin(0.0021 * s));
        sidechain.channel[c][s] = (s / 6000) % 2 == 0 ? static_cast<float>(0.9 * std::sin(0.03 * s + 0.5)) : 0.0f;
      }
    }

    PWShimCFBundleSetMainBundle(nullptr, "com.example.benchhost", "1.0");
    block = static_cast<AudioComponentPlugInInterface*>(Pressweave_Factory(nullptr));
    Check(block ? PWShimAudioComponentInstanceNew(block, &unit) : -1, "open");
    SetFormat(unit, kAudioUnitScope_Output, 0);
    SetFormat(unit, kAudioUnitScope_Input, 0);
    SetFormat(unit, kAudioUnitScope_Input, 1);
    AURenderCallbackStruct mainCb{&Feed, &main};
    AURenderCallbackStruct scCb{&Feed, &sidechain};
    Check(AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &mainCb,
                               sizeof(mainCb)),
          "main callback");
    Check(AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 1, &scCb,
                               sizeof(scCb)),
          "sidechain callback");
    Check(AudioUnitInitialize(unit), "Initialize");
    SetParam(pressweave::kSidechainMode, mode);
    SetParam(pressweave::kPressweaveOn, amountOn ? 1.0 : 0.0);
    SetParam(pressweave::kPressweaveAmount, 75.0);

    // The first block finds the sidechain; the idle tick engages the modes.
    Render();
    using Factory = weft::IWeftAUFactory<pressweave::Pressweave, false>;
    auto* plug = static_cast<pressweave::Pressweave*>(Factory::GetPlug(block));
    plug->OnIdle();
    if (!plug->IsSidechainPresent())
    {
      std::fprintf(stderr, "pressweave-bench: the sidechain did not engage\n");
      std::exit(1);
    }
  }

  ~BenchHost()
  {
    PWShimAudioComponentInstanceDispose(unit);
    PWShimCFBundleClearMainBundle();
  }

  BenchHost(const BenchHost&) = delete;
  BenchHost& operator=(const BenchHost&) = delete;

  void Render()
  {
    struct
    {
      UInt32 count;
      AudioBuffer buffers[2];
    } list{2, {{1, kFrames * 4, outL}, {1, kFrames * 4, outR}}};
    AudioTimeStamp ts{};
    ts.mSampleTime = sampleTime;
    ts.mFlags = kAudioTimeStampSampleTimeValid;
    AudioUnitRenderActionFlags flags = 0;
    Check(AudioUnitRender(unit, &flags, &ts, 0, kFrames, reinterpret_cast<AudioBufferList*>(&list)), "Render");
    sampleTime += kFrames;
  }

  float outL[kFrames];
  float outR[kFrames];

private:
  void SetParam(int idx, double value)
  {
    Check(AudioUnitSetParameter(unit, static_cast<AudioUnitParameterID>(idx), kAudioUnitScope_Global, 0,
                                static_cast<AudioUnitParameterValue>(value), 0),
          "SetParameter");
  }

  Source main;
  Source sidechain;
  AudioComponentPlugInInterface* block = nullptr;
  AudioUnit unit = nullptr;
  double sampleTime = 0.0;
};

void BM_Render(benchmark::State& state)
{
  BenchHost host(static_cast<int>(state.range(0)), state.range(1) != 0);
  for (auto _ : state)
  {
    host.Render();
    benchmark::DoNotOptimize(host.outL);
    benchmark::ClobberMemory();
  }
  state.counters["per_frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * kFrames,
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(BM_Render)
  ->ArgNames({"mode", "amount"})
  ->Args({pressweave::kSidechainRingmod, 0})
  ->Args({pressweave::kSidechainRingmod, 1})
  ->Args({pressweave::kSidechainCompressor, 0})
  ->Args({pressweave::kSidechainCompressor, 1})
  ->Args({pressweave::kSidechainCombined, 0})
  ->Args({pressweave::kSidechainCombined, 1});

BENCHMARK_MAIN();
