#pragma once
// A small Audio Unit laid out the way a component's factory lays out an
// instance block: the plug-in interface first, the unit's state after it.
// Its methods record what they were called with; its render either fills
// its output with a constant per channel (a source) or pulls the unit
// connected to its input with AudioUnitRender and applies parameter 0 as a
// gain (a processor). Nothing in a method allocates.

#include <AudioToolbox/AudioToolbox.h>
#include <AudioToolbox/PWShimAudioComponent.h>

#include <cstddef>

namespace pwtest {

struct FakeAudioUnit
{
  AudioComponentPlugInInterface interface{};  // first: the interface pointer is the unit

  // Set by Open.
  AudioComponentInstance instance = nullptr;
  OSStatus openStatus = noErr;
  int opens = 0;
  int closes = 0;

  int calls[19] = {};  // calls seen, by selector

  AudioUnitParameterValue parameters[8] = {}; // parameter 0: a processor's gain

  // Render: a source writes sourceLevel x (channel + 1) into every sample.
  Float32 sourceLevel = 0.0f;
  AudioUnitConnection upstream{};
  Float64 lastRenderSampleTime = -1.0;
  UInt32 lastRenderBus = 0xFFFFFFFFu;

  FakeAudioUnit() noexcept
  {
    interface.Open = &Open;
    interface.Close = &Close;
    interface.Lookup = &Lookup;
  }

  static FakeAudioUnit* Self(void* self) { return static_cast<FakeAudioUnit*>(self); }

  static OSStatus Open(void* self, AudioComponentInstance instance)
  {
    FakeAudioUnit* unit = Self(self);
    ++unit->opens;
    if (unit->openStatus == noErr)
      unit->instance = instance;
    return unit->openStatus;
  }

  static OSStatus Close(void* self)
  {
    ++Self(self)->closes;
    return noErr;
  }

  // Initialize: counted only.
  template <SInt16 Selector>
  static OSStatus Count(void* self)
  {
    ++Self(self)->calls[Selector];
    return noErr;
  }

  // The only property: a connection to an upstream unit.
  static OSStatus SetProperty(void* self, AudioUnitPropertyID id, AudioUnitScope, AudioUnitElement, const void* data,
                              UInt32 size)
  {
    if (id != kAudioUnitProperty_MakeConnection || size != sizeof(AudioUnitConnection))
      return kAudioUnitErr_InvalidProperty;
    Self(self)->upstream = *static_cast<const AudioUnitConnection*>(data);
    return noErr;
  }

  static OSStatus GetParameter(void* self, AudioUnitParameterID id, AudioUnitScope, AudioUnitElement,
                               AudioUnitParameterValue* value)
  {
    if (id >= 8)
      return kAudioUnitErr_InvalidParameter;
    *value = Self(self)->parameters[id];
    return noErr;
  }

  static OSStatus SetParameter(void* self, AudioUnitParameterID id, AudioUnitScope, AudioUnitElement,
                               AudioUnitParameterValue value, UInt32)
  {
    if (id >= 8)
      return kAudioUnitErr_InvalidParameter;
    Self(self)->parameters[id] = value;
    return noErr;
  }

  static OSStatus Render(void* self, AudioUnitRenderActionFlags* flags, const AudioTimeStamp* timeStamp, UInt32 bus,
                         UInt32 frames, AudioBufferList* buffers)
  {
    FakeAudioUnit* unit = Self(self);
    ++unit->calls[kAudioUnitRenderSelect];
    unit->lastRenderSampleTime = timeStamp->mSampleTime;
    unit->lastRenderBus = bus;
    if (unit->upstream.sourceAudioUnit)
    {
      const OSStatus pulled =
        AudioUnitRender(unit->upstream.sourceAudioUnit, flags, timeStamp, unit->upstream.sourceOutputNumber, frames, buffers);
      if (pulled != noErr)
        return pulled;
    }
    for (UInt32 c = 0; c < buffers->mNumberBuffers; ++c)
    {
      Float32* samples = static_cast<Float32*>(buffers->mBuffers[c].mData);
      for (UInt32 i = 0; i < frames; ++i)
        samples[i] = unit->upstream.sourceAudioUnit ? samples[i] * unit->parameters[0]
                                                    : unit->sourceLevel * static_cast<Float32>(c + 1);
    }
    return noErr;
  }

  template <class F>
  static AudioComponentMethod AsMethod(F f)
  {
    return reinterpret_cast<AudioComponentMethod>(reinterpret_cast<void (*)()>(f));
  }

  // The selectors a host calls; no MIDI (as an effect's lookup).
  static AudioComponentMethod Lookup(SInt16 selector)
  {
    switch (selector)
    {
      case kAudioUnitInitializeSelect: return AsMethod(&Count<kAudioUnitInitializeSelect>);
      case kAudioUnitSetPropertySelect: return AsMethod(&SetProperty);
      case kAudioUnitGetParameterSelect: return AsMethod(&GetParameter);
      case kAudioUnitSetParameterSelect: return AsMethod(&SetParameter);
      case kAudioUnitRenderSelect: return AsMethod(&Render);
      default: return nullptr;
    }
  }
};

static_assert(offsetof(FakeAudioUnit, interface) == 0, "the interface must open the block");

// Opens a fake unit and closes it at scope end.
class OpenFakeUnit
{
public:
  explicit OpenFakeUnit(FakeAudioUnit& unit) noexcept
    : mStatus(PWShimAudioComponentInstanceNew(&unit.interface, &mHandle))
  {
  }
  ~OpenFakeUnit()
  {
    if (mHandle)
      PWShimAudioComponentInstanceDispose(mHandle);
  }
  OpenFakeUnit(const OpenFakeUnit&) = delete;
  OpenFakeUnit& operator=(const OpenFakeUnit&) = delete;

  AudioUnit Handle() const noexcept { return mHandle; }
  OSStatus Status() const noexcept { return mStatus; }

private:
  AudioUnit mHandle = nullptr;
  OSStatus mStatus;
};

} // namespace pwtest
