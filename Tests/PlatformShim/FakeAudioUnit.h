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
  static constexpr UInt32 kParameterCount = 8;

  AudioComponentPlugInInterface interface{};  // first: the interface pointer is the unit

  // Set by Open.
  AudioComponentInstance instance = nullptr;
  OSStatus openStatus = noErr;
  int opens = 0;
  int closes = 0;

  // Calls seen, by selector (0 to 18; MIDI event counted in midiEvents).
  int calls[19] = {};
  int midiEvents = 0;

  // Arguments of the last property call.
  AudioUnitPropertyID lastPropertyID = 0;
  AudioUnitScope lastScope = 0;
  AudioUnitElement lastElement = 0;
  const void* lastData = nullptr;
  UInt32 lastDataSize = 0;
  UInt32* lastSizePointer = nullptr;
  Boolean* lastWritablePointer = nullptr;

  Float64 sampleRate = 44100.0;
  AudioUnitParameterValue parameters[kParameterCount] = {};
  UInt32 lastBufferOffset = 0;

  // One property listener and one render notification (enough for tests).
  AudioUnitPropertyID listenerID = 0;
  AudioUnitPropertyListenerProc listenerProc = nullptr;
  void* listenerUserData = nullptr;
  AURenderCallback notifyProc = nullptr;
  void* notifyUserData = nullptr;

  // Render: a source writes sourceLevel x (channel + 1) into every sample.
  Float32 sourceLevel = 0.0f;
  AudioUnitConnection upstream{};
  AudioUnitRenderActionFlags lastFlagsSeen = 0xFFFFFFFFu;
  Float64 lastRenderSampleTime = -1.0;
  UInt32 lastRenderBus = 0xFFFFFFFFu;
  UInt32 lastRenderFrames = 0;

  FakeAudioUnit() noexcept
  {
    interface.Open = &Open;
    interface.Close = &Close;
    interface.Lookup = &Lookup;
  }

  // Calls the registered property listener as the unit would after a change.
  void InformListener(AudioUnitPropertyID id, AudioUnitScope scope) const
  {
    if (listenerProc && listenerID == id)
      listenerProc(listenerUserData, instance, id, scope, 0);
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

  static OSStatus Initialize(void* self)
  {
    ++Self(self)->calls[kAudioUnitInitializeSelect];
    return noErr;
  }

  static OSStatus Uninitialize(void* self)
  {
    ++Self(self)->calls[kAudioUnitUninitializeSelect];
    return noErr;
  }

  void RecordProperty(SInt16 selector, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element)
  {
    ++calls[selector];
    lastPropertyID = id;
    lastScope = scope;
    lastElement = element;
  }

  static OSStatus GetPropertyInfo(void* self, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                                  UInt32* size, Boolean* writable)
  {
    FakeAudioUnit* unit = Self(self);
    unit->RecordProperty(kAudioUnitGetPropertyInfoSelect, id, scope, element);
    unit->lastSizePointer = size;
    unit->lastWritablePointer = writable;
    if (id != kAudioUnitProperty_SampleRate)
      return kAudioUnitErr_InvalidProperty;
    if (size)
      *size = sizeof(Float64);
    if (writable)
      *writable = true;
    return noErr;
  }

  static OSStatus GetProperty(void* self, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                              void* data, UInt32* size)
  {
    FakeAudioUnit* unit = Self(self);
    unit->RecordProperty(kAudioUnitGetPropertySelect, id, scope, element);
    unit->lastData = data;
    unit->lastSizePointer = size;
    if (id != kAudioUnitProperty_SampleRate)
      return kAudioUnitErr_InvalidProperty;
    if (!data || !size || *size < sizeof(Float64))
      return kAudioUnitErr_InvalidPropertyValue;
    *static_cast<Float64*>(data) = unit->sampleRate;
    *size = sizeof(Float64);
    return noErr;
  }

  static OSStatus SetProperty(void* self, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                              const void* data, UInt32 size)
  {
    FakeAudioUnit* unit = Self(self);
    unit->RecordProperty(kAudioUnitSetPropertySelect, id, scope, element);
    unit->lastData = data;
    unit->lastDataSize = size;
    if (id == kAudioUnitProperty_MakeConnection && size == sizeof(AudioUnitConnection))
    {
      unit->upstream = *static_cast<const AudioUnitConnection*>(data);
      return noErr;
    }
    if (id == kAudioUnitProperty_SampleRate && size == sizeof(Float64))
    {
      unit->sampleRate = *static_cast<const Float64*>(data);
      return noErr;
    }
    return kAudioUnitErr_InvalidProperty;
  }

  static OSStatus GetParameter(void* self, AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement,
                               AudioUnitParameterValue* value)
  {
    FakeAudioUnit* unit = Self(self);
    ++unit->calls[kAudioUnitGetParameterSelect];
    if (scope != kAudioUnitScope_Global)
      return kAudioUnitErr_InvalidProperty;
    if (id >= kParameterCount)
      return kAudioUnitErr_InvalidParameter;
    *value = unit->parameters[id];
    return noErr;
  }

  static OSStatus SetParameter(void* self, AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement,
                               AudioUnitParameterValue value, UInt32 bufferOffset)
  {
    FakeAudioUnit* unit = Self(self);
    ++unit->calls[kAudioUnitSetParameterSelect];
    if (scope != kAudioUnitScope_Global)
      return kAudioUnitErr_InvalidProperty;
    if (id >= kParameterCount)
      return kAudioUnitErr_InvalidParameter;
    unit->parameters[id] = value;
    unit->lastBufferOffset = bufferOffset;
    return noErr;
  }

  static OSStatus ScheduleParameters(void* self, const AudioUnitParameterEvent* events, UInt32 count)
  {
    ++Self(self)->calls[kAudioUnitScheduleParametersSelect];
    for (UInt32 i = 0; i < count; ++i)
    {
      const AudioUnitParameterEvent& e = events[i];
      if (e.eventType != kParameterEvent_Immediate)
        continue;
      const OSStatus status = SetParameter(self, e.parameter, e.scope, e.element, e.eventValues.immediate.value,
                                           e.eventValues.immediate.bufferOffset);
      if (status != noErr)
        return status;
    }
    return noErr;
  }

  static OSStatus Reset(void* self, AudioUnitScope scope, AudioUnitElement element)
  {
    FakeAudioUnit* unit = Self(self);
    unit->RecordProperty(kAudioUnitResetSelect, 0, scope, element);
    return noErr;
  }

  static OSStatus AddPropertyListener(void* self, AudioUnitPropertyID id, AudioUnitPropertyListenerProc proc,
                                      void* userData)
  {
    FakeAudioUnit* unit = Self(self);
    ++unit->calls[kAudioUnitAddPropertyListenerSelect];
    unit->listenerID = id;
    unit->listenerProc = proc;
    unit->listenerUserData = userData;
    return noErr;
  }

  static OSStatus RemovePropertyListener(void* self, AudioUnitPropertyID id, AudioUnitPropertyListenerProc proc)
  {
    FakeAudioUnit* unit = Self(self);
    ++unit->calls[kAudioUnitRemovePropertyListenerSelect];
    if (unit->listenerID == id && unit->listenerProc == proc)
      unit->listenerProc = nullptr;
    return noErr;
  }

  static OSStatus RemovePropertyListenerWithUserData(void* self, AudioUnitPropertyID id,
                                                     AudioUnitPropertyListenerProc proc, void* userData)
  {
    FakeAudioUnit* unit = Self(self);
    ++unit->calls[kAudioUnitRemovePropertyListenerWithUserDataSelect];
    if (unit->listenerID == id && unit->listenerProc == proc && unit->listenerUserData == userData)
      unit->listenerProc = nullptr;
    return noErr;
  }

  static OSStatus AddRenderNotify(void* self, AURenderCallback proc, void* userData)
  {
    FakeAudioUnit* unit = Self(self);
    ++unit->calls[kAudioUnitAddRenderNotifySelect];
    unit->notifyProc = proc;
    unit->notifyUserData = userData;
    return noErr;
  }

  static OSStatus RemoveRenderNotify(void* self, AURenderCallback proc, void* userData)
  {
    FakeAudioUnit* unit = Self(self);
    ++unit->calls[kAudioUnitRemoveRenderNotifySelect];
    if (unit->notifyProc == proc && unit->notifyUserData == userData)
      unit->notifyProc = nullptr;
    return noErr;
  }

  static OSStatus Render(void* self, AudioUnitRenderActionFlags* flags, const AudioTimeStamp* timeStamp, UInt32 bus,
                         UInt32 frames, AudioBufferList* buffers)
  {
    FakeAudioUnit* unit = Self(self);
    ++unit->calls[kAudioUnitRenderSelect];
    unit->lastFlagsSeen = flags ? *flags : 0xFFFFFFFFu;
    unit->lastRenderSampleTime = timeStamp->mSampleTime;
    unit->lastRenderBus = bus;
    unit->lastRenderFrames = frames;
    if (unit->upstream.sourceAudioUnit)
    {
      const OSStatus pulled =
        AudioUnitRender(unit->upstream.sourceAudioUnit, flags, timeStamp, unit->upstream.sourceOutputNumber, frames, buffers);
      if (pulled != noErr)
        return pulled;
      for (UInt32 c = 0; c < buffers->mNumberBuffers; ++c)
      {
        Float32* samples = static_cast<Float32*>(buffers->mBuffers[c].mData);
        for (UInt32 i = 0; i < frames; ++i)
          samples[i] *= unit->parameters[0];
      }
      return noErr;
    }
    for (UInt32 c = 0; c < buffers->mNumberBuffers; ++c)
    {
      Float32* samples = static_cast<Float32*>(buffers->mBuffers[c].mData);
      for (UInt32 i = 0; i < frames; ++i)
        samples[i] = unit->sourceLevel * static_cast<Float32>(c + 1);
    }
    return noErr;
  }

  static OSStatus MIDIEvent(void* self, UInt32, UInt32, UInt32, UInt32)
  {
    ++Self(self)->midiEvents;
    return noErr;
  }

  template <class F>
  static AudioComponentMethod AsMethod(F f)
  {
    return reinterpret_cast<AudioComponentMethod>(reinterpret_cast<void (*)()>(f));
  }

  // Every Audio Unit selector; no MIDI (as an effect's lookup).
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
      case kAudioUnitResetSelect: return AsMethod(&Reset);
      case kAudioUnitAddPropertyListenerSelect: return AsMethod(&AddPropertyListener);
      case kAudioUnitRemovePropertyListenerSelect: return AsMethod(&RemovePropertyListener);
      case kAudioUnitRenderSelect: return AsMethod(&Render);
      case kAudioUnitAddRenderNotifySelect: return AsMethod(&AddRenderNotify);
      case kAudioUnitRemoveRenderNotifySelect: return AsMethod(&RemoveRenderNotify);
      case kAudioUnitScheduleParametersSelect: return AsMethod(&ScheduleParameters);
      case kAudioUnitRemovePropertyListenerWithUserDataSelect: return AsMethod(&RemovePropertyListenerWithUserData);
      default: return nullptr;
    }
  }

  // Only Initialize and the MIDI event: a unit with few methods.
  static AudioComponentMethod LookupInitializeAndMIDIOnly(SInt16 selector)
  {
    if (selector == kAudioUnitInitializeSelect)
      return AsMethod(&Initialize);
    if (selector == kMusicDeviceMIDIEventSelect)
      return AsMethod(&MIDIEvent);
    return nullptr;
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
