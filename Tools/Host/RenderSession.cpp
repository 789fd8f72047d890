#include "RenderSession.h"

#include "AudioFile.h"
#include "CanonicalFormat.h"

#include <AudioToolbox/AudioUnitProperties.h>
#include <CoreFoundation/PWShimRunLoop.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <string>

namespace pw::host {

namespace {

constexpr UInt32 kMaxBlockSize = 65536;

std::string StatusText(OSStatus status)
{
  return "status " + std::to_string(status);
}

// Switches the run loop to its virtual clock for the render and back.
class VirtualClockScope
{
public:
  VirtualClockScope() noexcept
  : mWasVirtual(PWShimRunLoopIsVirtualClock())
  {
    if (!mWasVirtual)
      PWShimRunLoopSetVirtualClock(true);
  }
  ~VirtualClockScope()
  {
    if (!mWasVirtual)
      PWShimRunLoopSetVirtualClock(false);
  }
  VirtualClockScope(const VirtualClockScope&) = delete;
  VirtualClockScope& operator=(const VirtualClockScope&) = delete;

private:
  bool mWasVirtual;
};

} // namespace

// ---- levels ----------------------------------------------------------------

void BusLevels::Add(const float* const* data, int nChannels, long frames) noexcept
{
  for (int c = 0; c < nChannels; ++c)
    for (long i = 0; i < frames; ++i)
    {
      const float x = data[c][i];
      peak = std::max(peak, std::fabs(x));
      sumSquares += static_cast<double>(x) * x;
    }
  samples += static_cast<std::int64_t>(nChannels) * frames;
}

double BusLevels::Rms() const noexcept
{
  return samples > 0 ? std::sqrt(sumSquares / static_cast<double>(samples)) : 0.0;
}

// ---- input feeds -----------------------------------------------------------

void RenderSession::BusFeed::Resize(int nChannels, UInt32 blockSize)
{
  channels.assign(static_cast<std::size_t>(nChannels), std::vector<float>(blockSize, 0.0f));
  pointers.clear();
  for (std::vector<float>& channel : channels)
    pointers.push_back(channel.data());
  silence.assign(blockSize, 0.0f);
  framesReady = 0;
}

long RenderSession::BusFeed::Fill(SignalSource* source, UInt32 frames)
{
  long got = 0;
  if (source)
  {
    got = source->Read(pointers.data(), static_cast<long>(frames));
    if (got < 0)
      return -1;
  }
  for (std::vector<float>& channel : channels)
    std::fill(channel.begin() + got, channel.begin() + frames, 0.0f);
  framesReady = frames;
  return got;
}

OSStatus RenderSession::BusFeed::RenderCallback(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*,
                                                UInt32, UInt32 inNumberFrames, AudioBufferList* ioData)
{
  auto* feed = static_cast<BusFeed*>(refCon);
  if (!feed || !ioData)
    return kAudio_ParamError;
  const UInt32 frames = std::min(inNumberFrames, static_cast<UInt32>(feed->silence.size()));
  for (UInt32 b = 0; b < ioData->mNumberBuffers; ++b)
  {
    AudioBuffer& buffer = ioData->mBuffers[b];
    const bool ours = b < feed->channels.size();
    if (!buffer.mData)
    {
      // The unit offers no memory: lend it ours for this call.
      buffer.mData = ours ? feed->channels[b].data() : feed->silence.data();
      buffer.mDataByteSize = frames * sizeof(float);
      continue;
    }
    const UInt32 room = std::min(frames, buffer.mDataByteSize / static_cast<UInt32>(sizeof(float)));
    auto* out = static_cast<float*>(buffer.mData);
    const UInt32 valid = ours ? std::min(room, feed->framesReady) : 0;
    if (valid > 0)
      std::memcpy(out, feed->channels[b].data(), valid * sizeof(float));
    std::fill(out + valid, out + room, 0.0f);
  }
  return noErr;
}

// ---- session ---------------------------------------------------------------

RenderSession::RenderSession(AudioUnit unit) noexcept
: mUnit(unit)
, mTransport(48000.0)
{}

RenderSession::~RenderSession()
{
  if (!mConfigured && !mInitialized)
    return;
  // Leave no pointer into this session behind in the unit.
  AURenderCallbackStruct none{};
  AudioUnitSetProperty(mUnit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &none, sizeof none);
  if (mSettings.sidechainChannels > 0)
    AudioUnitSetProperty(mUnit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 1, &none, sizeof none);
  HostCallbackInfo noCallbacks{};
  AudioUnitSetProperty(mUnit, kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 0, &noCallbacks,
                       sizeof noCallbacks);
  if (mInitialized)
    AudioUnitUninitialize(mUnit);
}

Status RenderSession::SetStreamFormat(AudioUnitScope scope, AudioUnitElement element, int channels,
                                      const char* busName)
{
  const AudioStreamBasicDescription asbd = CanonicalFormat(mSettings.sampleRate, channels);
  const OSStatus status = AudioUnitSetProperty(mUnit, kAudioUnitProperty_StreamFormat, scope, element, &asbd,
                                               sizeof asbd);
  if (status != noErr)
    return Status::Error("illegal channel count: the component does not take " + std::to_string(channels) +
                         (channels == 1 ? " channel" : " channels") + " on its " + busName);
  return Status::Ok();
}

Status RenderSession::InstallRenderCallback(AudioUnitElement element, BusFeed& feed)
{
  AURenderCallbackStruct callback{&BusFeed::RenderCallback, &feed};
  const OSStatus status = AudioUnitSetProperty(mUnit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input,
                                               element, &callback, sizeof callback);
  if (status != noErr)
    return Status::Error("the component refuses a render callback on input " + std::to_string(element) + " (" +
                         StatusText(status) + ")");
  return Status::Ok();
}

Status RenderSession::Configure(const SessionSettings& settings)
{
  if (mConfigured || mInitialized)
    return Status::Error("the render session is configured already");
  if (!mUnit)
    return Status::Error("no component is open");
  if (settings.blockSize < 1 || settings.blockSize > kMaxBlockSize)
    return Status::Error("the block size must be 1 to " + std::to_string(kMaxBlockSize) + " frames");
  if (!std::isfinite(settings.sampleRate) || settings.sampleRate <= 0.0)
    return Status::Error("the sample rate must be above 0 Hz");
  const auto legalCount = [](int n, int lowest) { return n >= lowest && n <= kMaxFileChannels; };
  if (!legalCount(settings.mainChannels, 0) || !legalCount(settings.sidechainChannels, 0) ||
      !legalCount(settings.outputChannels, 1))
    return Status::Error("illegal channel count: each bus takes 1 to " + std::to_string(kMaxFileChannels) +
                         " channels");
  mSettings = settings;
  mTransport = HostTransport(settings.sampleRate);

  Float64 rate = settings.sampleRate;
  OSStatus status =
    AudioUnitSetProperty(mUnit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &rate, sizeof rate);
  if (status != noErr)
    return Status::Error("the component refuses the sample rate " + std::to_string(settings.sampleRate) + " Hz (" +
                         StatusText(status) + ")");
  UInt32 block = settings.blockSize;
  status = AudioUnitSetProperty(mUnit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, &block,
                                sizeof block);
  if (status != noErr)
    return Status::Error("the component refuses slices of " + std::to_string(block) + " frames (" +
                         StatusText(status) + ")");

  UInt32 inputs = 0;
  UInt32 outputs = 0;
  UInt32 size = sizeof inputs;
  if (AudioUnitGetProperty(mUnit, kAudioUnitProperty_ElementCount, kAudioUnitScope_Input, 0, &inputs, &size) !=
      noErr)
    inputs = 0;
  size = sizeof outputs;
  if (AudioUnitGetProperty(mUnit, kAudioUnitProperty_ElementCount, kAudioUnitScope_Output, 0, &outputs, &size) !=
      noErr)
    outputs = 0;
  if (inputs < 1 && settings.mainChannels > 0)
    return Status::Error("the component has no audio input");
  if (inputs > 0 && settings.mainChannels == 0)
    return Status::Error("illegal channel count: the main input takes 1 to " + std::to_string(kMaxFileChannels) +
                         " channels");
  if (settings.sidechainChannels > 0 && inputs < 2)
    return Status::Error("the component has no sidechain input");
  if (outputs < 1)
    return Status::Error("the component has no audio output");

  Status result = settings.mainChannels > 0
                    ? SetStreamFormat(kAudioUnitScope_Input, 0, settings.mainChannels, "main input")
                    : Status::Ok();
  if (result && settings.sidechainChannels > 0)
    result = SetStreamFormat(kAudioUnitScope_Input, 1, settings.sidechainChannels, "sidechain input");
  if (result)
    result = SetStreamFormat(kAudioUnitScope_Output, 0, settings.outputChannels, "output");
  if (!result)
    return result;

  mMainFeed.Resize(settings.mainChannels, settings.blockSize);
  mSidechainFeed.Resize(settings.sidechainChannels, settings.blockSize);
  mOutput.assign(static_cast<std::size_t>(settings.outputChannels), std::vector<float>(settings.blockSize, 0.0f));
  const std::size_t listBytes = AudioBufferListSize(static_cast<UInt32>(settings.outputChannels));
  mOutputList.assign((listBytes + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t), 0);

  // From here on the unit holds pointers into this session.
  mConfigured = true;
  if (settings.mainChannels > 0)
    result = InstallRenderCallback(0, mMainFeed);
  if (result && settings.sidechainChannels > 0)
    result = InstallRenderCallback(1, mSidechainFeed);
  if (!result)
    return result;
  HostCallbackInfo callbacks = mTransport.Callbacks();
  status = AudioUnitSetProperty(mUnit, kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 0, &callbacks,
                                sizeof callbacks);
  if (status != noErr)
    return Status::Error("the component refuses the host callbacks (" + StatusText(status) + ")");

  status = AudioUnitInitialize(mUnit);
  if (status == static_cast<OSStatus>(badComponentSelector))
    return Status::Error("illegal channel count: the component has no configuration for " +
                         std::to_string(settings.mainChannels) + " main" +
                         (settings.sidechainChannels > 0
                            ? " + " + std::to_string(settings.sidechainChannels) + " sidechain"
                            : std::string()) +
                         " in, " + std::to_string(settings.outputChannels) + " out");
  if (status != noErr)
    return Status::Error("initialising the component failed (" + StatusText(status) + ")");
  mInitialized = true;

  if (settings.bypass)
  {
    UInt32 on = 1;
    status = AudioUnitSetProperty(mUnit, kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, &on, sizeof on);
    if (status != noErr)
      return Status::Error("the component cannot be bypassed (" + StatusText(status) + ")");
  }
  return Status::Ok();
}

Status RenderSession::ApplyParameters(const std::vector<ParameterSetting>& settings)
{
  if (!mInitialized)
    return Status::Error("the render session is not configured");
  for (const ParameterSetting& setting : settings)
  {
    const OSStatus status =
      AudioUnitSetParameter(mUnit, setting.id, kAudioUnitScope_Global, 0, setting.value, 0);
    if (status != noErr)
      return Status::Error("the component refuses the value of parameter '" + setting.name + "' (" +
                           StatusText(status) + ")");
  }
  return Status::Ok();
}

Status RenderSession::Render(SignalSource& main, SignalSource* sidechain, SignalSink* output, RenderSummary& summary,
                             const ProgressFn& progress, const std::atomic<bool>* cancel)
{
  if (!mInitialized)
    return Status::Error("the render session is not configured");
  if (mRendered)
    return Status::Error("the render session has rendered already");
  mRendered = true;
  if (main.Channels() != mSettings.mainChannels ||
      (sidechain ? sidechain->Channels() : 0) != mSettings.sidechainChannels)
    return Status::Error("the sources do not match the negotiated channel counts");
  if (main.SampleRate() != mSettings.sampleRate || (sidechain && sidechain->SampleRate() != mSettings.sampleRate))
    return Status::Error("the sources do not match the negotiated sample rate");

  VirtualClockScope virtualClock;
  RenderSummary result;
  result.sampleRate = mSettings.sampleRate;
  result.main.channels = mSettings.mainChannels;
  result.sidechain.channels = mSettings.sidechainChannels;
  result.output.channels = mSettings.outputChannels;

  const int nOut = mSettings.outputChannels;
  auto* list = reinterpret_cast<AudioBufferList*>(mOutputList.data());
  std::vector<const float*> outPointers(static_cast<std::size_t>(nOut), nullptr);
  AudioTimeStamp timeStamp{};
  timeStamp.mFlags = kAudioTimeStampSampleTimeValid;
  timeStamp.mRateScalar = 1.0;

  const std::int64_t total = main.Frames();
  double clockSeconds = 0.0; // where the virtual clock stands, relative to the render's start
  const auto started = std::chrono::steady_clock::now();
  for (std::int64_t done = 0; done < total;)
  {
    if (cancel && cancel->load(std::memory_order_relaxed))
      return Status::Error("interrupted");
    const auto frames = static_cast<UInt32>(std::min<std::int64_t>(mSettings.blockSize, total - done));
    if (mMainFeed.Fill(&main, frames) != static_cast<long>(frames))
      return Status::Error("reading '" + main.Describe() + "' failed at frame " + std::to_string(done));
    if (sidechain && mSidechainFeed.Fill(sidechain, frames) < 0)
      return Status::Error("reading '" + sidechain->Describe() + "' failed at frame " + std::to_string(done));

    mTransport.SetSampleTime(static_cast<double>(done));
    timeStamp.mSampleTime = static_cast<double>(done);
    list->mNumberBuffers = static_cast<UInt32>(nOut);
    for (int c = 0; c < nOut; ++c)
    {
      list->mBuffers[c].mNumberChannels = 1;
      list->mBuffers[c].mDataByteSize = frames * sizeof(float);
      list->mBuffers[c].mData = mOutput[static_cast<std::size_t>(c)].data();
    }
    if (mBeforeSlice)
      if (Status sent = mBeforeSlice(done, frames); !sent)
        return sent;
    AudioUnitRenderActionFlags flags = 0;
    const OSStatus status = AudioUnitRender(mUnit, &flags, &timeStamp, 0, frames, list);
    if (status != noErr)
      return Status::Error("the component failed to render frames " + std::to_string(done) + " to " +
                           std::to_string(done + frames) + " (" + StatusText(status) + ")");
    if (list->mNumberBuffers != static_cast<UInt32>(nOut))
      return Status::Error("the component changed the number of output buffers");
    for (int c = 0; c < nOut; ++c)
    {
      outPointers[static_cast<std::size_t>(c)] = static_cast<const float*>(list->mBuffers[c].mData);
      if (!outPointers[static_cast<std::size_t>(c)] || list->mBuffers[c].mDataByteSize < frames * sizeof(float))
        return Status::Error("the component returned no audio for output channel " + std::to_string(c));
    }

    result.main.Add(mMainFeed.pointers.data(), mSettings.mainChannels, frames);
    result.sidechain.Add(mSidechainFeed.pointers.data(), mSettings.sidechainChannels, frames);
    result.output.Add(outPointers.data(), nOut, frames);
    if (output)
    {
      Status written = output->Write(outPointers.data(), frames);
      if (!written)
        return written;
    }

    done += frames;
    // Time passes between slices: the unit's timers fire for this slice.
    // The target is recomputed from the frame count so no drift builds up.
    const double target = static_cast<double>(done) / mSettings.sampleRate;
    if (PWShimRunLoopAdvance(target - clockSeconds) < 0)
      return Status::Error("the run loop cannot advance its virtual clock");
    clockSeconds = target;
    if (progress)
      progress(done, total);
  }
  result.frames = total;
  result.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  summary = result;
  return Status::Ok();
}

} // namespace pw::host
