#pragma once
// An Audio Unit for the host's tests, laid out as a factory lays out an
// instance block (the plug-in interface first). It negotiates like an effect
// with a main input, an optional sidechain and one output, records what the
// host told it, and renders
//
//   output c = main c x gain + sidechain (its channel c, or its last) x kSidechainWeight
//
// pulling the main bus with null buffer pointers (the host lends its own)
// and the sidechain into buffers of its own (the host copies). Open starts a
// 20 ms repeating run-loop timer that counts its firings. Parameters: 0
// "Gain" (a linear factor, 0 to 4, default 1), 1 "Mode" (indexed, with the
// value strings "Ringmod", "Compressor", "Combined"), 2 "Enabled" (boolean).
// Its parameter names are new strings the host must release.

#include <AudioToolbox/AudioToolbox.h>
#include <AudioToolbox/PWShimAudioComponent.h>
#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFRunLoop.h>
#include <CoreFoundation/CFString.h>

#include "AllocationCounter.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <vector>

namespace pw::test {

struct FakeHostedUnit
{
  static constexpr float kSidechainWeight = 0.25f;
  static constexpr UInt32 kMaxChannels = 8;
  static constexpr UInt32 kMaxFrames = 4096;
  static constexpr UInt32 kParameterCount = 3;

  AudioComponentPlugInInterface plugIn{}; // first: the interface pointer is the unit

  // ---- configuration, set by the test before opening ------------------------
  UInt32 inputBuses = 2;
  unsigned legalMainChannels = 0b110;      // bit n: n channels allowed
  unsigned legalSidechainChannels = 0b110;
  unsigned legalOutputChannels = 0b110;
  OSStatus initializeStatus = noErr;
  OSStatus renderStatus = noErr;
  Float64 renderFailsAtSampleTime = -1.0;  // render answers renderStatus from this sample time on
  bool describesParameters = true;

  // ---- what the host did --------------------------------------------------
  AudioComponentInstance instance = nullptr;
  Float64 sampleRate = 0.0;
  UInt32 maxFrames = 0;
  int formatChannels[3] = {0, 0, 0};       // main, sidechain, output
  AURenderCallbackStruct callbacks[2] = {};
  HostCallbackInfo hostCallbacks{};
  bool initialized = false;
  int initializeCalls = 0;
  UInt32 bypass = 0;
  float parameters[kParameterCount] = {1.0f, 0.0f, 0.0f};
  std::vector<Float64> renderSampleTimes;
  std::vector<UInt32> renderFrames;
  std::vector<Float64> beats;              // from the beat-and-tempo callback, per render
  std::vector<Float64> tempos;
  std::vector<Boolean> playing;
  std::vector<Float64> timelineSamples;
  std::vector<int> timerFiresAtRender;     // timer firings counted before each render
  std::size_t allocationsInCallbacks = 0;
  int timerFires = 0;

  CFRunLoopTimerRef timer = nullptr;
  float sidechainScratch[kMaxChannels][kMaxFrames] = {};

  FakeHostedUnit() noexcept
  {
    plugIn.Open = &Open;
    plugIn.Close = &Close;
    plugIn.Lookup = &Lookup;
  }

  static FakeHostedUnit* Self(void* self) { return static_cast<FakeHostedUnit*>(self); }

  static void OnTimer(CFRunLoopTimerRef, void* info) { ++static_cast<FakeHostedUnit*>(info)->timerFires; }

  static OSStatus Open(void* self, AudioComponentInstance instance)
  {
    FakeHostedUnit* unit = Self(self);
    unit->instance = instance;
    CFRunLoopTimerContext context{0, unit, nullptr, nullptr, nullptr};
    unit->timer = CFRunLoopTimerCreate(kCFAllocatorDefault, CFAbsoluteTimeGetCurrent() + 0.02, 0.02, 0, 0, &OnTimer,
                                       &context);
    CFRunLoopAddTimer(CFRunLoopGetMain(), unit->timer, kCFRunLoopCommonModes);
    return noErr;
  }

  static OSStatus Close(void* self)
  {
    FakeHostedUnit* unit = Self(self);
    if (unit->timer)
    {
      CFRunLoopTimerInvalidate(unit->timer);
      CFRelease(unit->timer);
      unit->timer = nullptr;
    }
    return noErr;
  }

  static OSStatus Initialize(void* self)
  {
    FakeHostedUnit* unit = Self(self);
    ++unit->initializeCalls;
    if (unit->initializeStatus != noErr)
      return unit->initializeStatus;
    unit->initialized = true;
    return noErr;
  }

  static OSStatus Uninitialize(void* self)
  {
    Self(self)->initialized = false;
    return noErr;
  }

  static bool Allowed(unsigned mask, UInt32 n) { return n < 32 && (mask >> n & 1u); }

  static OSStatus GetPropertyInfo(void* self, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                                  UInt32* size, Boolean* writable)
  {
    UInt32 localSize = 0;
    Boolean localWritable = false;
    return GetPropertyImpl(Self(self), id, scope, element, nullptr, size ? size : &localSize,
                           writable ? writable : &localWritable);
  }

  static OSStatus GetProperty(void* self, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                              void* data, UInt32* size)
  {
    UInt32 localSize = 0;
    Boolean writable = false;
    return GetPropertyImpl(Self(self), id, scope, element, data, size ? size : &localSize, &writable);
  }

  static OSStatus GetPropertyImpl(FakeHostedUnit* unit, AudioUnitPropertyID id, AudioUnitScope scope,
                                  AudioUnitElement element, void* data, UInt32* size, Boolean* writable)
  {
    const UInt32 room = *size;
    switch (id)
    {
      case kAudioUnitProperty_ElementCount:
        *size = sizeof(UInt32);
        if (data && room >= sizeof(UInt32))
          *static_cast<UInt32*>(data) = scope == kAudioUnitScope_Input ? unit->inputBuses : 1;
        return noErr;
      case kAudioUnitProperty_ParameterList:
        if (scope != kAudioUnitScope_Global)
          return kAudioUnitErr_InvalidProperty;
        *size = kParameterCount * sizeof(AudioUnitParameterID);
        if (data && room >= *size)
          for (UInt32 i = 0; i < kParameterCount; ++i)
            static_cast<AudioUnitParameterID*>(data)[i] = i;
        return noErr;
      case kAudioUnitProperty_ParameterInfo:
      {
        if (!unit->describesParameters)
          return kAudioUnitErr_InvalidProperty;
        if (element >= kParameterCount)
          return kAudioUnitErr_InvalidElement;
        *size = sizeof(AudioUnitParameterInfo);
        if (!data || room < sizeof(AudioUnitParameterInfo))
          return noErr;
        static const char* const kNames[kParameterCount] = {"Gain", "Mode", "Enabled"};
        AudioUnitParameterInfo info{};
        std::snprintf(info.name, sizeof info.name, "%s", kNames[element]);
        info.cfNameString = CFStringCreateWithCString(kCFAllocatorDefault, kNames[element], kCFStringEncodingUTF8);
        info.flags = kAudioUnitParameterFlag_HasCFNameString | kAudioUnitParameterFlag_CFNameRelease |
                     kAudioUnitParameterFlag_IsReadable | kAudioUnitParameterFlag_IsWritable;
        if (element == 0)
        {
          info.unit = kAudioUnitParameterUnit_LinearGain;
          info.minValue = 0.0f;
          info.maxValue = 4.0f;
          info.defaultValue = 1.0f;
        }
        else if (element == 1)
        {
          info.unit = kAudioUnitParameterUnit_Indexed;
          info.maxValue = 2.0f;
          info.flags |= kAudioUnitParameterFlag_ValuesHaveStrings;
        }
        else
        {
          info.unit = kAudioUnitParameterUnit_Boolean;
          info.maxValue = 1.0f;
        }
        *static_cast<AudioUnitParameterInfo*>(data) = info;
        return noErr;
      }
      case kAudioUnitProperty_ParameterValueStrings:
      {
        if (element != 1)
          return kAudioUnitErr_InvalidProperty;
        *size = sizeof(CFArrayRef);
        if (!data || room < sizeof(CFArrayRef))
          return noErr;
        const char* const texts[] = {"Ringmod", "Compressor", "Combined"};
        CFMutableArrayRef array = CFArrayCreateMutable(kCFAllocatorDefault, 3, &kCFTypeArrayCallBacks);
        for (const char* text : texts)
        {
          CFStringRef s = CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingUTF8);
          CFArrayAppendValue(array, s);
          CFRelease(s);
        }
        *static_cast<CFArrayRef*>(data) = array;
        return noErr;
      }
      case kAudioUnitProperty_StreamFormat:
        *size = sizeof(AudioStreamBasicDescription);
        *writable = true;
        return noErr;
      default:
        return kAudioUnitErr_InvalidProperty;
    }
  }

  static OSStatus SetProperty(void* self, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                              const void* data, UInt32 size)
  {
    FakeHostedUnit* unit = Self(self);
    if (!data)
      return kAudioUnitErr_InvalidPropertyValue;
    switch (id)
    {
      case kAudioUnitProperty_SampleRate:
        unit->sampleRate = *static_cast<const Float64*>(data);
        return noErr;
      case kAudioUnitProperty_MaximumFramesPerSlice:
      {
        const UInt32 frames = *static_cast<const UInt32*>(data);
        if (frames < 1 || frames > kMaxFrames)
          return kAudioUnitErr_InvalidPropertyValue;
        unit->maxFrames = frames;
        return noErr;
      }
      case kAudioUnitProperty_StreamFormat:
      {
        const auto& asbd = *static_cast<const AudioStreamBasicDescription*>(data);
        if (size < sizeof asbd || asbd.mFormatID != kAudioFormatLinearPCM || asbd.mBitsPerChannel != 32)
          return kAudioUnitErr_InvalidProperty;
        const UInt32 n = asbd.mChannelsPerFrame;
        int bus = -1;
        if (scope == kAudioUnitScope_Input && element < unit->inputBuses)
          bus = static_cast<int>(element);
        else if (scope == kAudioUnitScope_Output && element == 0)
          bus = 2;
        const unsigned masks[3] = {unit->legalMainChannels, unit->legalSidechainChannels, unit->legalOutputChannels};
        if (bus < 0 || !Allowed(masks[bus], n))
          return kAudioUnitErr_InvalidProperty;
        unit->formatChannels[bus] = static_cast<int>(n);
        return noErr;
      }
      case kAudioUnitProperty_SetRenderCallback:
        if (scope != kAudioUnitScope_Input || element >= unit->inputBuses)
          return kAudioUnitErr_InvalidProperty;
        unit->callbacks[element] = *static_cast<const AURenderCallbackStruct*>(data);
        return noErr;
      case kAudioUnitProperty_HostCallbacks:
        unit->hostCallbacks = *static_cast<const HostCallbackInfo*>(data);
        return noErr;
      case kAudioUnitProperty_BypassEffect:
        unit->bypass = *static_cast<const UInt32*>(data);
        return noErr;
      default:
        return kAudioUnitErr_InvalidProperty;
    }
  }

  static OSStatus GetParameter(void* self, AudioUnitParameterID id, AudioUnitScope, AudioUnitElement,
                               AudioUnitParameterValue* value)
  {
    if (id >= kParameterCount)
      return kAudioUnitErr_InvalidParameter;
    *value = Self(self)->parameters[id];
    return noErr;
  }

  static OSStatus SetParameter(void* self, AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement,
                               AudioUnitParameterValue value, UInt32)
  {
    if (scope != kAudioUnitScope_Global)
      return kAudioUnitErr_InvalidProperty;
    if (id >= kParameterCount)
      return kAudioUnitErr_InvalidParameter;
    Self(self)->parameters[id] = value;
    return noErr;
  }

  void RecordTransport()
  {
    Float64 beat = -1.0;
    Float64 tempo = -1.0;
    Boolean isPlaying = false;
    Boolean changed = false;
    Boolean cycling = true;
    Float64 sample = -1.0;
    Float64 cycleStart = -1.0;
    Float64 cycleEnd = -1.0;
    if (hostCallbacks.beatAndTempoProc)
      hostCallbacks.beatAndTempoProc(hostCallbacks.hostUserData, &beat, &tempo);
    if (hostCallbacks.transportStateProc)
      hostCallbacks.transportStateProc(hostCallbacks.hostUserData, &isPlaying, &changed, &sample, &cycling,
                                       &cycleStart, &cycleEnd);
    beats.push_back(beat);
    tempos.push_back(tempo);
    playing.push_back(isPlaying);
    timelineSamples.push_back(sample);
  }

  static OSStatus Render(void* self, AudioUnitRenderActionFlags*, const AudioTimeStamp* timeStamp, UInt32 bus,
                         UInt32 frames, AudioBufferList* out)
  {
    FakeHostedUnit* unit = Self(self);
    if (!(timeStamp->mFlags & kAudioTimeStampSampleTimeValid) || frames > unit->maxFrames || bus != 0)
      return kAudioUnitErr_InvalidPropertyValue;
    if (unit->renderFailsAtSampleTime >= 0.0 && timeStamp->mSampleTime >= unit->renderFailsAtSampleTime)
      return unit->renderStatus;
    unit->renderSampleTimes.push_back(timeStamp->mSampleTime);
    unit->renderFrames.push_back(frames);
    unit->timerFiresAtRender.push_back(unit->timerFires);
    unit->RecordTransport();

    // Main: null pointers, so the host lends its buffers.
    const UInt32 nMain = static_cast<UInt32>(unit->formatChannels[0]);
    alignas(AudioBufferList) unsigned char mainBytes[AudioBufferListSize(kMaxChannels)];
    auto* mainList = reinterpret_cast<AudioBufferList*>(mainBytes);
    mainList->mNumberBuffers = nMain;
    for (UInt32 c = 0; c < nMain; ++c)
      mainList->mBuffers[c] = AudioBuffer{1, frames * 4, nullptr};
    // Sidechain: the unit's own buffers, which the host fills.
    const bool sidechain = unit->inputBuses > 1 && unit->callbacks[1].inputProc;
    const UInt32 nSide = sidechain ? static_cast<UInt32>(unit->formatChannels[1]) : 0;
    alignas(AudioBufferList) unsigned char sideBytes[AudioBufferListSize(kMaxChannels)];
    auto* sideList = reinterpret_cast<AudioBufferList*>(sideBytes);
    sideList->mNumberBuffers = nSide;
    for (UInt32 c = 0; c < nSide; ++c)
      sideList->mBuffers[c] = AudioBuffer{1, frames * 4, unit->sidechainScratch[c]};

    {
      AllocationCounter allocations;
      AudioUnitRenderActionFlags flags = 0;
      const OSStatus pulled =
        unit->callbacks[0].inputProc(unit->callbacks[0].inputProcRefCon, &flags, timeStamp, 0, frames, mainList);
      if (pulled != noErr)
        return pulled;
      if (sidechain)
      {
        const OSStatus pulledSide =
          unit->callbacks[1].inputProc(unit->callbacks[1].inputProcRefCon, &flags, timeStamp, 1, frames, sideList);
        if (pulledSide != noErr)
          return pulledSide;
      }
      unit->allocationsInCallbacks += allocations.Count();
    }

    const float gain = unit->bypass ? 1.0f : unit->parameters[0];
    const float weight = unit->bypass ? 0.0f : kSidechainWeight;
    for (UInt32 c = 0; c < out->mNumberBuffers; ++c)
    {
      auto* o = static_cast<float*>(out->mBuffers[c].mData);
      const auto* m = static_cast<const float*>(mainList->mBuffers[std::min(c, nMain - 1)].mData);
      const float* s = nSide ? unit->sidechainScratch[std::min(c, nSide - 1)] : nullptr;
      for (UInt32 i = 0; i < frames; ++i)
        o[i] = m[i] * gain + (s ? s[i] * weight : 0.0f);
    }
    return noErr;
  }

  template <class F>
  static AudioComponentMethod AsMethod(F f)
  {
    return reinterpret_cast<AudioComponentMethod>(reinterpret_cast<void (*)()>(f));
  }

  static AudioComponentMethod Lookup(SInt16 selector)
  {
    switch (selector)
    {
      case kAudioUnitInitializeSelect: return AsMethod(&Initialize);
      case kAudioUnitUninitializeSelect: return AsMethod(&Uninitialize);
      case kAudioUnitGetPropertyInfoSelect: return AsMethod(&GetPropertyInfo);
      case kAudioUnitGetPropertySelect: return AsMethod(&GetProperty);
      case kAudioUnitSetPropertySelect: return AsMethod(&SetProperty);
      case kAudioUnitGetParameterSelect: return AsMethod(&GetParameter);
      case kAudioUnitSetParameterSelect: return AsMethod(&SetParameter);
      case kAudioUnitRenderSelect: return AsMethod(&Render);
      default: return nullptr;
    }
  }
};

static_assert(offsetof(FakeHostedUnit, plugIn) == 0, "the interface must open the block");

// Opens a fake unit on construction, disposes of it at scope end.
class OpenHostedUnit
{
public:
  explicit OpenHostedUnit(FakeHostedUnit& unit) noexcept
  : mStatus(PWShimAudioComponentInstanceNew(&unit.plugIn, &mHandle))
  {}
  ~OpenHostedUnit()
  {
    if (mHandle)
      PWShimAudioComponentInstanceDispose(mHandle);
  }
  OpenHostedUnit(const OpenHostedUnit&) = delete;
  OpenHostedUnit& operator=(const OpenHostedUnit&) = delete;

  AudioUnit Handle() const noexcept { return mHandle; }
  OSStatus Status() const noexcept { return mStatus; }

private:
  AudioUnit mHandle = nullptr;
  OSStatus mStatus;
};

} // namespace pw::test
