// Rendering cost of Pressweave as a host sees it: stereo main and stereo
// sidechain at 48 kHz through AudioUnitRender, with the host's transport
// playing (120 BPM, 4/4) so the scopes advance, in each sidechain mode and in
// the heaviest setting (Combined, "Pressweave" 100, "Stereo Width" 200 %).
// The signals are the ones the established sidechain compressors were fed
// when their figures in the README were measured, so the two read as ratios:
//   duck: main = 110 Hz sine at 0.25 plus uniform noise at 0.1 per channel,
//         sidechain = 60 Hz kick bursts, peak 0.9, 80 ms decay, two a second;
//   loud: the same main, sidechain = a steady 60 Hz sine at 0.5 plus noise.
// BM_Meters times the idle handler's meter analysis of one rendered block.
// The per_frame counter is the time of one frame (seconds; "n" is ns).
// Only the benchmarks' report is printed: the component's own output (its
// channel I/O report on every instance) shows with --verbose.
//
//   build/<dir>/Tests/Benchmarks/pressweave-bench [--verbose] [benchmark options]

#include "HostTransport.h"
#include "IWeftAUFactory.h"
#include "Pressweave.h"
#include "UnitInstance.h"

#include <AudioToolbox/AudioToolbox.h>
#include <AudioToolbox/PWShimAudioComponent.h>
#include <CoreFoundation/PWShimCFBundle.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

bool gVerbose = false; // --verbose: the component's own output passes

// Standard output silenced while it lives, unless --verbose was given.
std::unique_ptr<pw::host::QuietStandardOutput> QuietUnlessVerbose()
{
  return gVerbose ? nullptr : std::make_unique<pw::host::QuietStandardOutput>();
}

constexpr double kSampleRate = 48000.0;
constexpr UInt32 kMaxFrames = 512;
constexpr int kPeriod = 1 << 17; // frames of source material, looped
enum ESignal
{
  kDuck = 0,
  kLoud
};
enum ESetting
{
  kRingmod = pressweave::kSidechainRingmod,
  kCompressor = pressweave::kSidechainCompressor,
  kCombined = pressweave::kSidechainCombined,
  kHeaviest // Combined, amount 100, width 200
};

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
    for (UInt32 s = 0; s < nFrames;)
    {
      const auto at = static_cast<size_t>((src->position + s) % kPeriod);
      const UInt32 run = std::min<UInt32>(nFrames - s, static_cast<UInt32>(kPeriod - at));
      std::copy_n(src->channel[b].data() + at, run, dest + s);
      s += run;
    }
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

// The peers' signals, sample for sample as their bench host makes them.
void MakeSignals(int signal, Source& main, Source& sidechain)
{
  uint32_t rng = 12345u;
  auto noise = [&rng] {
    rng = rng * 1664525u + 1013904223u;
    return static_cast<float>(rng >> 8) * (1.0f / 8388608.0f) - 1.0f;
  };
  for (Source* s : {&main, &sidechain})
    for (auto& c : s->channel)
      c.resize(kPeriod);
  for (int i = 0; i < kPeriod; ++i)
  {
    const double t = i / kSampleRate;
    const float tone = 0.25f * static_cast<float>(std::sin(2 * M_PI * 110.0 * t));
    for (auto& c : main.channel)
      c[i] = tone + 0.1f * noise();
    const double tk = std::fmod(t, 0.5);
    const float kick = signal == kLoud ? 0.5f * static_cast<float>(std::sin(2 * M_PI * 60.0 * t)) + 0.1f * noise()
                                       : 0.9f * static_cast<float>(std::exp(-tk / 0.08) * std::sin(2 * M_PI * 60.0 * tk));
    for (auto& c : sidechain.channel)
      c[i] = kick;
  }
}

// One opened, initialised unit with its sources, transport and outputs.
class BenchHost
{
public:
  BenchHost(int signal, int setting, UInt32 frames)
  : mFrames(frames)
  {
    const auto quiet = QuietUnlessVerbose();
    MakeSignals(signal, main, sidechain);
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
    HostCallbackInfo callbacks = transport.Callbacks();
    Check(AudioUnitSetProperty(unit, kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 0, &callbacks,
                               sizeof(callbacks)),
          "host callbacks");
    const UInt32 maxFrames = kMaxFrames;
    Check(AudioUnitSetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
                               &maxFrames, sizeof(maxFrames)),
          "MaximumFramesPerSlice");
    Check(AudioUnitInitialize(unit), "Initialize");
    const bool heaviest = setting == kHeaviest;
    SetParam(pressweave::kSidechainMode, heaviest ? kCombined : setting);
    SetParam(pressweave::kPressweaveOn, heaviest ? 1.0 : 0.0);
    SetParam(pressweave::kPressweaveAmount, heaviest ? 100.0 : 24.0);
    SetParam(pressweave::kStereoWidth, heaviest ? 200.0 : 100.0);

    // The first block finds the sidechain and publishes the transport; the
    // idle tick engages the modes and starts the scopes.
    Render();
    using Factory = weft::IWeftAUFactory<pressweave::Pressweave, false>;
    plug = static_cast<pressweave::Pressweave*>(Factory::GetPlug(block));
    plug->OnIdle();
    if (!plug->IsSidechainPresent() || !plug->GetScopeLeft().IsTransportRunning())
    {
      std::fprintf(stderr, "pressweave-bench: the sidechain or the transport did not engage\n");
      std::exit(1);
    }
  }

  ~BenchHost()
  {
    const auto quiet = QuietUnlessVerbose();
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
    } list{2, {{1, mFrames * 4, outL}, {1, mFrames * 4, outR}}};
    transport.SetSampleTime(sampleTime);
    AudioTimeStamp ts{};
    ts.mSampleTime = sampleTime;
    ts.mFlags = kAudioTimeStampSampleTimeValid;
    AudioUnitRenderActionFlags flags = 0;
    Check(AudioUnitRender(unit, &flags, &ts, 0, mFrames, reinterpret_cast<AudioBufferList*>(&list)), "Render");
    sampleTime += mFrames;
  }

  pressweave::Pressweave* plug = nullptr;
  float outL[kMaxFrames];
  float outR[kMaxFrames];

private:
  void SetParam(int idx, double value)
  {
    Check(AudioUnitSetParameter(unit, static_cast<AudioUnitParameterID>(idx), kAudioUnitScope_Global, 0,
                                static_cast<AudioUnitParameterValue>(value), 0),
          "SetParameter");
  }

  UInt32 mFrames;
  Source main;
  Source sidechain;
  pw::host::HostTransport transport{kSampleRate};
  AudioComponentPlugInInterface* block = nullptr;
  AudioUnit unit = nullptr;
  double sampleTime = 0.0;
};

void PerFrame(benchmark::State& state, UInt32 frames)
{
  state.counters["per_frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * frames,
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Render(benchmark::State& state)
{
  const auto frames = static_cast<UInt32>(state.range(1));
  BenchHost host(static_cast<int>(state.range(0)), static_cast<int>(state.range(2)), frames);
  for (auto _ : state)
  {
    host.Render();
    benchmark::DoNotOptimize(host.outL);
    benchmark::ClobberMemory();
  }
  PerFrame(state, frames);
}

// The idle handler's meter analysis (three meters, loudness on) of a
// 512-frame block, per audio frame of that block.
void BM_Meters(benchmark::State& state)
{
  BenchHost host(static_cast<int>(state.range(0)), kCompressor, kMaxFrames);
  for (int i = 0; i < 100; ++i)
    host.Render();
  for (auto _ : state)
  {
    host.plug->DynamicRangeProcess();
    benchmark::ClobberMemory();
  }
  PerFrame(state, kMaxFrames);
}

} // namespace

BENCHMARK(BM_Render)
  ->ArgNames({"signal", "block", "setting"})
  ->ArgsProduct({{kDuck, kLoud}, {64, 512}, {kRingmod, kCompressor, kCombined, kHeaviest}});
BENCHMARK(BM_Meters)->ArgNames({"signal"})->Args({kDuck})->Args({kLoud});

int main(int argc, char** argv)
{
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i)
  {
    if (i > 0 && std::strcmp(argv[i], "--verbose") == 0)
      gVerbose = true;
    else
      args.push_back(argv[i]);
  }
  int count = static_cast<int>(args.size());
  args.push_back(nullptr);
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data()))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
