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
// 20 ms repeating run-loop timer that counts its firings. Parameter 0 is
// the gain; it takes parameters 0 to 2. It records the MIDI it is sent.
// Everything runs on the test's thread.

#include <AudioToolbox/AudioToolbox.h>
#include <AudioToolbox/PWShimAudioComponent.h>
#include <CoreFoundation/CFRunLoop.h>

#include "AllocationCounter.h"

#include <algorithm>
#include <memory>
#include <type_traits>
#include <cstddef>
#include <vector>

namespace pw::test {

struct FakeHostedUnit
{
  static constexpr float kSidechainWeight = 0.25f;
  static constexpr UInt32 kMaxChannels = 8;
  static constexpr UInt32 kMaxFrames = 4096;
  static constexpr UInt32 kParameterCount = 3;

  AudioComponentPlugInInterface plugIn{}; // first: the interface pointer is the unit

  // ---- configuration, set by the test before configuring ---------------------
  UInt32 inputBuses = 2;
  OSStatus initializeStatus = noErr;
  OSStatus renderStatus = noErr;
  Float64 renderFailsAtSampleTime = -1.0; // render answers renderStatus from this sample time on

  // ---- what the host did -------------------------------------------------------
  Float64 sampleRate = 0.0;
  UInt32 maxFrames = 0;
  int formatChannels[3] = {0, 0, 0}; // main, sidechain, output
  AURenderCallbackStruct callbacks[2] = {};
  HostCallbackInfo hostCallbacks{};
  bool initialized = false;
  UInt32 bypass = 0;
  float parameters[kParameterCount] = {1.0f, 0.0f, 0.0f};
  std::vector<Float64> renderSampleTimes;
  std::vector<UInt32> renderFrames;
  std::vector<Float64> beats;          // from the beat-and-tempo callback, per render
  std::vector<int> timerFiresAtRender; // timer firings counted before each render
  std::vector<std::vector<UInt32>> midiEvents; // status, data 1, data 2, offset in the slice
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

  static void OnTimer(CFRunLoopTimerRef, void* info) { ++Self(info)->timerFires; }

  static OSStatus Open(void* self, AudioComponentInstance)
  {
    CFRunLoopTimerContext context{0, self, nullptr, nullptr, nullptr};
    Self(self)->timer =
      CFRunLoopTimerCreate(kCFAllocatorDefault, CFAbsoluteTimeGetCurrent() + 0.02, 0.02, 0, 0, &OnTimer, &context);
    CFRunLoopAddTimer(CFRunLoopGetMain(), Self(self)->timer, kCFRunLoopCommonModes);
    return noErr;
  }

  static OSStatus Close(void* self)
  {
    CFRunLoopTimerInvalidate(Self(self)->timer);
    CFRelease(Self(self)->timer);
    return noErr;
  }

  static OSStatus Initialize(void* self)
  {
    Self(self)->initialized = Self(self)->initializeStatus == noErr;
    return Self(self)->initializeStatus;
  }

  static OSStatus Uninitialize(void* self)
  {
    Self(self)->initialized = false;
    return noErr;
  }

  // Only the element count: inputBuses inputs, one output.
  static OSStatus GetProperty(void* self, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement, void* data,
                              UInt32* size)
  {
    if (id != kAudioUnitProperty_ElementCount)
      return kAudioUnitErr_InvalidProperty;
    *size = sizeof(UInt32);
    *static_cast<UInt32*>(data) = scope == kAudioUnitScope_Input ? Self(self)->inputBuses : 1;
    return noErr;
  }

  static OSStatus SetProperty(void* self, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                              const void* data, UInt32)
  {
    FakeHostedUnit* unit = Self(self);
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
        const UInt32 n = static_cast<const AudioStreamBasicDescription*>(data)->mChannelsPerFrame;
        if (n < 1 || n > kMaxChannels)
          return kAudioUnitErr_InvalidProperty;
        unit->formatChannels[scope == kAudioUnitScope_Output ? 2 : element] = static_cast<int>(n);
        return noErr;
      }
      case kAudioUnitProperty_SetRenderCallback:
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

  static OSStatus SetParameter(void* self, AudioUnitParameterID id, AudioUnitScope, AudioUnitElement,
                               AudioUnitParameterValue value, UInt32)
  {
    if (id >= kParameterCount)
      return kAudioUnitErr_InvalidParameter;
    Self(self)->parameters[id] = value;
    return noErr;
  }

  static OSStatus Render(void* self, AudioUnitRenderActionFlags*, const AudioTimeStamp* timeStamp, UInt32,
                         UInt32 frames, AudioBufferList* out)
  {
    FakeHostedUnit* unit = Self(self);
    if (!(timeStamp->mFlags & kAudioTimeStampSampleTimeValid) || frames > unit->maxFrames)
      return kAudioUnitErr_TooManyFramesToProcess;
    if (unit->renderFailsAtSampleTime >= 0.0 && timeStamp->mSampleTime >= unit->renderFailsAtSampleTime)
      return unit->renderStatus;
    unit->renderSampleTimes.push_back(timeStamp->mSampleTime);
    unit->renderFrames.push_back(frames);
    unit->timerFiresAtRender.push_back(unit->timerFires);
    Float64 beat = -1.0;
    if (unit->hostCallbacks.beatAndTempoProc)
      unit->hostCallbacks.beatAndTempoProc(unit->hostCallbacks.hostUserData, &beat, nullptr);
    unit->beats.push_back(beat);

    const UInt32 nMain = static_cast<UInt32>(unit->formatChannels[0]);
    const bool sidechain = unit->callbacks[1].inputProc != nullptr;
    const UInt32 nSide = sidechain ? static_cast<UInt32>(unit->formatChannels[1]) : 0;
    alignas(AudioBufferList) unsigned char mainBytes[AudioBufferListSize(kMaxChannels)];
    alignas(AudioBufferList) unsigned char sideBytes[AudioBufferListSize(kMaxChannels)];
    auto* mainList = reinterpret_cast<AudioBufferList*>(mainBytes);
    auto* sideList = reinterpret_cast<AudioBufferList*>(sideBytes);
    mainList->mNumberBuffers = nMain;
    for (UInt32 c = 0; c < nMain; ++c)
      mainList->mBuffers[c] = AudioBuffer{1, frames * 4, nullptr};
    sideList->mNumberBuffers = nSide;
    for (UInt32 c = 0; c < nSide; ++c)
      sideList->mBuffers[c] = AudioBuffer{1, frames * 4, unit->sidechainScratch[c]};
    {
      AllocationCounter allocations;
      AudioUnitRenderActionFlags flags = 0;
      for (UInt32 bus = 0; bus < (sidechain ? 2u : 1u); ++bus)
      {
        const OSStatus pulled = unit->callbacks[bus].inputProc(unit->callbacks[bus].inputProcRefCon, &flags,
                                                               timeStamp, bus, frames, bus ? sideList : mainList);
        if (pulled != noErr)
          return pulled;
      }
      unit->allocationsInCallbacks += allocations.Count();
    }

    for (UInt32 c = 0; c < out->mNumberBuffers; ++c)
    {
      auto* o = static_cast<float*>(out->mBuffers[c].mData);
      const auto* m = static_cast<const float*>(mainList->mBuffers[std::min(c, nMain - 1)].mData);
      const float* s = nSide ? unit->sidechainScratch[std::min(c, nSide - 1)] : nullptr;
      for (UInt32 i = 0; i < frames; ++i)
        o[i] = m[i] * unit->parameters[0] + (s ? s[i] * kSidechainWeight : 0.0f);
    }
    return noErr;
  }

  static OSStatus OnMidiEvent(void* self, UInt32 status, UInt32 data1, UInt32 data2, UInt32 offset)
  {
    Self(self)->midiEvents.push_back({status, data1, data2, offset});
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
      case kAudioUnitGetPropertySelect: return AsMethod(&GetProperty);
      case kAudioUnitSetPropertySelect: return AsMethod(&SetProperty);
      case kAudioUnitSetParameterSelect: return AsMethod(&SetParameter);
      case kAudioUnitRenderSelect: return AsMethod(&Render);
      case kMusicDeviceMIDIEventSelect: return AsMethod(&OnMidiEvent);
      default: return nullptr;
    }
  }
};

static_assert(offsetof(FakeHostedUnit, plugIn) == 0, "the interface must open the block");

struct DisposeUnit
{
  void operator()(AudioUnit unit) const noexcept { PWShimAudioComponentInstanceDispose(unit); }
};
using OpenUnit = std::unique_ptr<std::remove_pointer_t<AudioUnit>, DisposeUnit>;

// The fake opened as an instance; disposed of at scope end. Null when it does not open.
inline OpenUnit Open(FakeHostedUnit& fake) noexcept
{
  AudioUnit unit = nullptr;
  PWShimAudioComponentInstanceNew(&fake.plugIn, &unit);
  return OpenUnit(unit);
}

} // namespace pw::test
