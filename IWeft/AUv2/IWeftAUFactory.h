#pragma once
// The AudioComponent road into a plug-in class Plug (derived from IWeftAU):
// the factory allocates one instance block, a 64-byte head followed by the
// plug-in object:
//
//   offset  0  Open          the AudioComponentPlugInInterface the host uses
//   offset  8  Close
//   offset 16  Lookup
//   offset 24  null
//   offset 32  Construct     builds Plug at offset 64
//   offset 40  Destruct      destroys it in place
//   offset 48  null, null
//   offset 64  the Plug object
//
// and IWEFT_AU_EXPORTS, which defines a product's two exported entry points.
// Everything here runs on the host's main thread except the looked-up
// methods, which run on the thread of their selector (IWeftAU.h).

#include "IWeftAU.h"
#include "LOOM_Assert.h"

#include <cstdlib>
#include <new>

namespace weft {

// Names the editor-view factory class of Plug; IWEFT_AU_EXPORTS specialises
// it as "<Name>_View".
template <class Plug>
struct IWeftAUViewClass;

// Builds Plug with an InstanceInfo naming its view class: in memory when
// given (placement), else in memory of its own (to be deleted). Null when the
// construction fails.
template <class Plug>
IWeftAU* MakePlug(void* memory)
{
  InstanceInfo info;
  info.mCocoaViewClass.Set(IWeftAUViewClass<Plug>::Get());
  try
  {
    Plug* pPlug = memory ? new (memory) Plug(info) : new Plug(info);
    return static_cast<IWeftAU*>(pPlug);
  }
  catch (const std::exception&)
  {
    return nullptr;
  }
}

template <class Plug, bool doesMidiIn>
class IWeftAUFactory
{
public:
  // Bytes of the block's head; the object starts right after it.
  static constexpr size_t kHeadBytes = sizeof(AudioComponentPlugInInstance);
  static_assert(kHeadBytes == 64, "the instance block's head is 64 bytes");
  static_assert(alignof(Plug) <= alignof(std::max_align_t), "malloc must align the object after the head");

  // A new instance block with the head filled; the object is built by Open.
  // The description is not read. Null when memory runs out.
  static void* Factory(const AudioComponentDescription* /* desc */)
  {
    void* pBlock = std::malloc(kHeadBytes + sizeof(Plug));
    if (!pBlock)
      return nullptr;
    auto* pHead = static_cast<AudioComponentPlugInInstance*>(pBlock);
    pHead->mPlugInInterface.Open = Open;
    pHead->mPlugInInterface.Close = Close;
    pHead->mPlugInInterface.Lookup = Lookup;
    pHead->mPlugInInterface.reserved = nullptr;
    pHead->mConstruct = Construct;
    pHead->mDestruct = Destruct;
    pHead->mPad[0] = nullptr;
    pHead->mPad[1] = nullptr;
    return pBlock;
  }

  // Builds the object in the block for instance ci. -108 when it cannot be
  // built (the block then stays the caller's, with no object in it).
  static OSStatus Open(void* self, AudioComponentInstance ci)
  {
    LOOM_ASSERT_MSG(self != nullptr, "acpi");
    if (!self)
      return kAudio_ParamError;
    auto* pHead = static_cast<AudioComponentPlugInInstance*>(self);
    if (!pHead->mConstruct(ObjectMemory(self), ci))
      return kAudio_MemFullError;
    IWeftAU* pPlug = GetPlug(self);
    pPlug->SetComponentInstance(ci);
    pPlug->PruneUninitializedPresets();
    return noErr;
  }

  // Destroys the object and frees the block.
  static OSStatus Close(void* self)
  {
    LOOM_ASSERT_MSG(self != nullptr, "acpi");
    if (!self)
      return kAudio_ParamError;
    auto* pHead = static_cast<AudioComponentPlugInInstance*>(self);
    pHead->mDestruct(ObjectMemory(self));
    std::free(self);
    return noErr;
  }

  // The method of selector, null for every selector the unit does not offer
  // through this road (the MIDI selectors too unless doesMidiIn).
  static AudioComponentMethod Lookup(SInt16 selector)
  {
    switch (selector)
    {
      case kAudioUnitInitializeSelect: return Method(AUMethodInitialize);
      case kAudioUnitUninitializeSelect: return Method(AUMethodUninitialize);
      case kAudioUnitGetPropertyInfoSelect: return Method(AUMethodGetPropertyInfo);
      case kAudioUnitGetPropertySelect: return Method(AUMethodGetProperty);
      case kAudioUnitSetPropertySelect: return Method(AUMethodSetProperty);
      case kAudioUnitGetParameterSelect: return Method(AUMethodGetParameter);
      case kAudioUnitSetParameterSelect: return Method(AUMethodSetParameter);
      case kAudioUnitResetSelect: return Method(AUMethodReset);
      case kAudioUnitAddPropertyListenerSelect: return Method(AUMethodAddPropertyListener);
      case kAudioUnitRemovePropertyListenerSelect: return Method(AUMethodRemovePropertyListener);
      case kAudioUnitRenderSelect: return Method(AUMethodRender);
      case kAudioUnitAddRenderNotifySelect: return Method(AUMethodAddRenderNotify);
      case kAudioUnitRemoveRenderNotifySelect: return Method(AUMethodRemoveRenderNotify);
      case kAudioUnitScheduleParametersSelect: return Method(AUMethodScheduleParameters);
      case kAudioUnitRemovePropertyListenerWithUserDataSelect:
        return Method(AUMethodRemovePropertyListenerWithUserData);
      case kMusicDeviceMIDIEventSelect: return doesMidiIn ? Method(AUMethodMIDIEvent) : nullptr;
      case kMusicDeviceSysExSelect: return doesMidiIn ? Method(AUMethodSysEx) : nullptr;
      default: return nullptr;
    }
  }

  static void* Construct(void* memory, AudioComponentInstance /* ci */)
  {
    return MakePlug<Plug>(memory) ? memory : nullptr;
  }

  static void Destruct(void* memory) { static_cast<Plug*>(memory)->~Plug(); }

  // The object of a block.
  static IWeftAU* GetPlug(void* self) { return static_cast<IWeftAU*>(static_cast<Plug*>(ObjectMemory(self))); }

  // --- The looked-up methods: the block first, then the call's arguments.

  static OSStatus AUMethodInitialize(void* self) { return IWeftAU::DoInitialize(GetPlug(self)); }
  static OSStatus AUMethodUninitialize(void* self) { return IWeftAU::DoUninitialize(GetPlug(self)); }
  static OSStatus AUMethodGetPropertyInfo(void* self, AudioUnitPropertyID id, AudioUnitScope scope,
                                          AudioUnitElement element, UInt32* outDataSize, Boolean* outWritable)
  {
    return IWeftAU::DoGetPropertyInfo(GetPlug(self), id, scope, element, outDataSize, outWritable);
  }
  static OSStatus AUMethodGetProperty(void* self, AudioUnitPropertyID id, AudioUnitScope scope,
                                      AudioUnitElement element, void* outData, UInt32* ioDataSize)
  {
    return IWeftAU::DoGetProperty(GetPlug(self), id, scope, element, outData, ioDataSize);
  }
  static OSStatus AUMethodSetProperty(void* self, AudioUnitPropertyID id, AudioUnitScope scope,
                                      AudioUnitElement element, const void* inData, UInt32 inDataSize)
  {
    return IWeftAU::DoSetProperty(GetPlug(self), id, scope, element, inData, inDataSize);
  }
  static OSStatus AUMethodGetParameter(void* self, AudioUnitParameterID id, AudioUnitScope scope,
                                       AudioUnitElement element, AudioUnitParameterValue* outValue)
  {
    return IWeftAU::DoGetParameter(GetPlug(self), id, scope, element, outValue);
  }
  static OSStatus AUMethodSetParameter(void* self, AudioUnitParameterID id, AudioUnitScope scope,
                                       AudioUnitElement element, AudioUnitParameterValue value,
                                       UInt32 bufferOffset)
  {
    return IWeftAU::DoSetParameter(GetPlug(self), id, scope, element, value, bufferOffset);
  }
  static OSStatus AUMethodReset(void* self, AudioUnitScope scope, AudioUnitElement element)
  {
    return IWeftAU::DoReset(GetPlug(self), scope, element);
  }
  static OSStatus AUMethodAddPropertyListener(void* self, AudioUnitPropertyID id, AudioUnitPropertyListenerProc proc,
                                              void* userData)
  {
    return IWeftAU::DoAddPropertyListener(GetPlug(self), id, proc, userData);
  }
  static OSStatus AUMethodRemovePropertyListener(void* self, AudioUnitPropertyID id,
                                                 AudioUnitPropertyListenerProc proc)
  {
    return IWeftAU::DoRemovePropertyListener(GetPlug(self), id, proc);
  }
  static OSStatus AUMethodRemovePropertyListenerWithUserData(void* self, AudioUnitPropertyID id,
                                                             AudioUnitPropertyListenerProc proc, void* userData)
  {
    return IWeftAU::DoRemovePropertyListenerWithUserData(GetPlug(self), id, proc, userData);
  }
  static OSStatus AUMethodRender(void* self, AudioUnitRenderActionFlags* ioActionFlags,
                                 const AudioTimeStamp* inTimeStamp, UInt32 outputBus, UInt32 nFrames,
                                 AudioBufferList* ioData)
  {
    return IWeftAU::DoRender(GetPlug(self), ioActionFlags, inTimeStamp, outputBus, nFrames, ioData);
  }
  static OSStatus AUMethodAddRenderNotify(void* self, AURenderCallback proc, void* userData)
  {
    return IWeftAU::DoAddRenderNotify(GetPlug(self), proc, userData);
  }
  static OSStatus AUMethodRemoveRenderNotify(void* self, AURenderCallback proc, void* userData)
  {
    return IWeftAU::DoRemoveRenderNotify(GetPlug(self), proc, userData);
  }
  static OSStatus AUMethodScheduleParameters(void* self, const AudioUnitParameterEvent* events, UInt32 nEvents)
  {
    return IWeftAU::DoScheduleParameters(GetPlug(self), events, nEvents);
  }
  static OSStatus AUMethodMIDIEvent(void* self, UInt32 status, UInt32 data1, UInt32 data2, UInt32 offsetFrames)
  {
    return IWeftAU::DoMIDIEvent(GetPlug(self), status, data1, data2, offsetFrames);
  }
  static OSStatus AUMethodSysEx(void* self, const UInt8* data, UInt32 length)
  {
    return IWeftAU::DoSysEx(GetPlug(self), data, length);
  }

private:
  static void* ObjectMemory(void* self) { return static_cast<char*>(self) + kHeadBytes; }

  // A method handed out through the untyped method pointer; the caller casts
  // it back to exactly this type before calling it.
  template <class... Args>
  static AudioComponentMethod Method(OSStatus (*method)(void*, Args...))
  {
    return reinterpret_cast<AudioComponentMethod>(reinterpret_cast<void (*)()>(method));
  }
};

} // namespace weft

// Names the view class of PlugClass "Prefix_View". IWEFT_AU_EXPORTS_FOR does
// this too; use it alone (at global scope, in the header that declares
// PlugClass) together with IWEFT_AU_ENTRY_POINTS when other files also use
// IWeftAUFactory<PlugClass>.
#define IWEFT_AU_VIEW_CLASS(Prefix, PlugClass)                                                                   \
  namespace weft {                                                                                               \
  template <>                                                                                                    \
  struct IWeftAUViewClass<PlugClass>                                                                             \
  {                                                                                                              \
    static const char* Get() noexcept { return #Prefix "_View"; }                                               \
  };                                                                                                             \
  }

// Defines the exported entry points Prefix_Factory and Prefix_Entry of the
// plug-in class PlugClass. Use once, at global scope, in one source file.
#define IWEFT_AU_ENTRY_POINTS(Prefix, PlugClass, doesMidiIn)                                                     \
  extern "C" __attribute__((visibility("default"))) void* Prefix##_Factory(const AudioComponentDescription* desc) \
  {                                                                                                              \
    return weft::IWeftAUFactory<PlugClass, doesMidiIn>::Factory(desc);                                           \
  }                                                                                                              \
  extern "C" __attribute__((visibility("default"))) ComponentResult Prefix##_Entry(ComponentParameters* params,   \
                                                                                   Handle storage)               \
  {                                                                                                              \
    return weft::IWeftAU::IWeftAUEntry(params, storage, &weft::MakePlug<PlugClass>);                             \
  }

// A product's view class and exported entry points in one: use once, at
// global scope, in one source file.
#define IWEFT_AU_EXPORTS_FOR(Prefix, PlugClass, doesMidiIn)                                                      \
  IWEFT_AU_VIEW_CLASS(Prefix, PlugClass)                                                                         \
  IWEFT_AU_ENTRY_POINTS(Prefix, PlugClass, doesMidiIn)

// The usual form: the class and the entry points share the name, without
// MIDI input.
#define IWEFT_AU_EXPORTS(Name) IWEFT_AU_EXPORTS_FOR(Name, Name, false)
