#include "ValidationRig.h"

#include "CanonicalFormat.h"
#include "DefaultSignal.h"

#include <AudioToolbox/AudioUnitProperties.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pw::host {

namespace {

// A quiet NaN with a payload no arithmetic produces.
constexpr std::uint32_t kMarkerBits = 0x7FC0BEEFu;

float Marker() noexcept
{
  float value;
  std::memcpy(&value, &kMarkerBits, sizeof value);
  return value;
}

bool IsMarker(float value) noexcept
{
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits == kMarkerBits;
}

double Tone(double hz, std::int64_t frame) noexcept
{
  const double cycles = static_cast<double>(frame) * hz / ValidationRig::kSampleRate;
  return DeterministicSine(cycles - std::floor(cycles));
}

} // namespace

ValidationRig::ValidationRig(AudioUnit unit) noexcept
: mUnit(unit)
{}

ValidationRig::~ValidationRig()
{
  if (!mConfigured)
    return;
  // Leave no pointer into the rig behind in the unit.
  AURenderCallbackStruct none{};
  AudioUnitSetProperty(mUnit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &none, sizeof none);
  if (mLayout.sidechain > 0)
    AudioUnitSetProperty(mUnit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 1, &none, sizeof none);
  if (mInitialized)
    AudioUnitUninitialize(mUnit);
}

float ValidationRig::MainSample(int channel, std::int64_t frame) noexcept
{
  // A chord under a slow swell, different on every channel.
  const double swell = 0.35 + 0.3 * Tone(0.5, frame);
  return static_cast<float>(swell * (0.6 * Tone(220.0 * (channel + 1), frame) + 0.4 * Tone(331.0, frame)));
}

float ValidationRig::SidechainSample(int channel, std::int64_t frame) noexcept
{
  // A pulse on every beat at 120 beats per minute: a decaying low tone.
  const std::int64_t beat = static_cast<std::int64_t>(kSampleRate / 2.0);
  const double t = static_cast<double>(frame % beat) / kSampleRate;
  const double envelope = std::max(0.0, 1.0 - t * 8.0);
  return static_cast<float>(0.9 * envelope * envelope * Tone(55.0 + 5.0 * channel, frame));
}

Status ValidationRig::SetFormat(AudioUnitScope scope, AudioUnitElement element, int channels, const char* bus)
{
  const AudioStreamBasicDescription asbd = CanonicalFormat(mSampleRate, channels);
  const OSStatus status = AudioUnitSetProperty(mUnit, kAudioUnitProperty_StreamFormat, scope, element, &asbd,
                                               sizeof asbd);
  if (status != noErr)
    return Status::Error(std::string("the ") + bus + " refuses " + std::to_string(channels) + " channels (" +
                         std::to_string(status) + ")");
  return Status::Ok();
}

Status ValidationRig::Configure(const BusLayout& layout, UInt32 maxFrames, double sampleRate)
{
  if (mConfigured)
    return Status::Error("the rig is configured already");
  if (maxFrames < 1 || layout.main < 1 || layout.output < 1 || layout.sidechain < 0)
    return Status::Error("the rig needs a slice and channels on the main input and the output");
  mLayout = layout;
  mMaxFrames = maxFrames;
  mSampleRate = sampleRate;

  Float64 rate = sampleRate;
  OSStatus status =
    AudioUnitSetProperty(mUnit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &rate, sizeof rate);
  if (status != noErr)
    return Status::Error("the sample rate is refused (" + std::to_string(status) + ")");
  if ((status = SetMaximumFrames(maxFrames)) != noErr)
    return Status::Error("a maximum of " + std::to_string(maxFrames) + " frames per slice is refused (" +
                         std::to_string(status) + ")");

  Status result = SetFormat(kAudioUnitScope_Input, 0, layout.main, "main input");
  if (result && layout.sidechain > 0)
    result = SetFormat(kAudioUnitScope_Input, 1, layout.sidechain, "sidechain input");
  if (result)
    result = SetFormat(kAudioUnitScope_Output, 0, layout.output, "output");
  if (!result)
    return result;

  const std::size_t capacity = static_cast<std::size_t>(maxFrames) + 1 + kGuardFrames;
  mMain = Feed{this, false, layout.main, std::vector<std::vector<float>>(static_cast<std::size_t>(layout.main),
                                                                          std::vector<float>(capacity))};
  mSidechain = Feed{this, true, layout.sidechain,
                    std::vector<std::vector<float>>(static_cast<std::size_t>(layout.sidechain),
                                                    std::vector<float>(capacity))};
  mOutput.assign(static_cast<std::size_t>(layout.output), std::vector<float>(capacity, Marker()));
  const std::size_t listBytes = AudioBufferListSize(static_cast<UInt32>(layout.output));
  mList.assign((listBytes + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t), 0);

  // From here on the unit holds pointers into the rig.
  mConfigured = true;
  AURenderCallbackStruct callback{&RenderCallback, &mMain};
  status = AudioUnitSetProperty(mUnit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &callback,
                                sizeof callback);
  if (status == noErr && layout.sidechain > 0)
  {
    callback.inputProcRefCon = &mSidechain;
    status = AudioUnitSetProperty(mUnit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 1, &callback,
                                  sizeof callback);
  }
  if (status != noErr)
    return Status::Error("a render callback is refused (" + std::to_string(status) + ")");
  if ((status = Initialize()) != noErr)
    return Status::Error("Initialize answers " + std::to_string(status));
  return Status::Ok();
}

OSStatus ValidationRig::Initialize()
{
  const OSStatus status = AudioUnitInitialize(mUnit);
  if (status == noErr)
    mInitialized = true;
  return status;
}

OSStatus ValidationRig::Uninitialize()
{
  const OSStatus status = AudioUnitUninitialize(mUnit);
  if (status == noErr)
    mInitialized = false;
  return status;
}

OSStatus ValidationRig::SetMaximumFrames(UInt32 frames)
{
  if (mConfigured && frames > mMaxFrames)
    return kAudio_ParamError;
  return AudioUnitSetProperty(mUnit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, &frames,
                              sizeof frames);
}

OSStatus ValidationRig::RenderCallback(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp* timeStamp,
                                       UInt32, UInt32 frames, AudioBufferList* list)
{
  auto* feed = static_cast<Feed*>(refCon);
  if (!feed || !timeStamp || !list || !feed->rig)
    return kAudio_ParamError;
  const std::size_t capacity = feed->rig->mMaxFrames + 1 + kGuardFrames;
  if (frames > capacity)
    return kAudio_ParamError;
  ++feed->rig->mPulls;
  if (feed->rig->mInputStatus != noErr)
    return feed->rig->mInputStatus;
  const auto start = static_cast<std::int64_t>(timeStamp->mSampleTime);
  for (UInt32 b = 0; b < list->mNumberBuffers; ++b)
  {
    AudioBuffer& buffer = list->mBuffers[b];
    float* out = static_cast<float*>(buffer.mData);
    UInt32 room = frames;
    if (!out)
    {
      // The unit offers no memory: lend it ours for this call.
      if (b >= feed->lent.size())
        return kAudio_ParamError;
      out = feed->lent[b].data();
      buffer.mData = out;
      buffer.mDataByteSize = frames * sizeof(float);
    }
    else
      room = std::min(frames, buffer.mDataByteSize / static_cast<UInt32>(sizeof(float)));
    const int channel = static_cast<int>(b);
    for (UInt32 i = 0; i < room; ++i)
    {
      const std::int64_t frame = start + i;
      out[i] = channel >= feed->channels ? 0.0f
               : feed->sidechain         ? SidechainSample(channel, frame)
                                         : MainSample(channel, frame);
    }
  }
  return noErr;
}

OSStatus ValidationRig::Render(UInt32 frames, bool lendBuffers, bool validTimeStamp)
{
  if (!mConfigured || frames > mMaxFrames + 1)
    return kAudio_ParamError;
  for (std::vector<float>& channel : mOutput)
    std::fill(channel.begin(), channel.end(), Marker());
  auto* list = reinterpret_cast<AudioBufferList*>(mList.data());
  list->mNumberBuffers = static_cast<UInt32>(mOutput.size());
  for (std::size_t c = 0; c < mOutput.size(); ++c)
  {
    list->mBuffers[c].mNumberChannels = 1;
    list->mBuffers[c].mDataByteSize = frames * sizeof(float);
    list->mBuffers[c].mData = lendBuffers ? mOutput[c].data() : nullptr;
  }
  AudioTimeStamp timeStamp{};
  timeStamp.mSampleTime = static_cast<Float64>(mSampleTime);
  timeStamp.mRateScalar = 1.0;
  timeStamp.mFlags = validTimeStamp ? kAudioTimeStampSampleTimeValid : kAudioTimeStampNothingValid;
  AudioUnitRenderActionFlags flags = 0;
  const OSStatus status = AudioUnitRender(mUnit, &flags, &timeStamp, 0, frames, list);
  if (status == noErr)
    mSampleTime += frames;
  return status;
}

const float* ValidationRig::Output(int channel) const noexcept
{
  const auto* list = reinterpret_cast<const AudioBufferList*>(mList.data());
  if (mList.empty() || channel < 0 || static_cast<UInt32>(channel) >= list->mNumberBuffers ||
      static_cast<std::size_t>(channel) >= mOutput.size())
    return nullptr;
  return static_cast<const float*>(list->mBuffers[channel].mData);
}

UInt32 ValidationRig::OutputBytes(int channel) const noexcept
{
  const auto* list = reinterpret_cast<const AudioBufferList*>(mList.data());
  if (mList.empty() || channel < 0 || static_cast<std::size_t>(channel) >= mOutput.size())
    return 0;
  return list->mBuffers[channel].mDataByteSize;
}

UInt32 ValidationRig::OutputBuffers() const noexcept
{
  return mList.empty() ? 0 : reinterpret_cast<const AudioBufferList*>(mList.data())->mNumberBuffers;
}

bool ValidationRig::MarkersIntactFrom(UInt32 frame) const noexcept
{
  for (const std::vector<float>& channel : mOutput)
    for (std::size_t i = frame; i < channel.size(); ++i)
      if (!IsMarker(channel[i]))
        return false;
  return true;
}

} // namespace pw::host
