// Property dispatch of the Audio Unit binding: GetPropertyInfo and
// GetProperty (one function for both), SetProperty, the property listeners
// and the bus a property addresses. Everything here runs on the host's main
// thread; the render thread only reads what the setters store (callbacks,
// connections, bypass), and the host does not render while it changes them.

#include "IWeftAU.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace weft {

namespace {

constexpr OSStatus kInvalidProperty = kAudioUnitErr_InvalidProperty;
constexpr OSStatus kInvalidValue = kAudioUnitErr_InvalidPropertyValue;

// Writes size as the property's data size. With data, a caller's buffer of
// fewer than size bytes (*pDataSize on the way in) is refused: false, and
// neither the size nor the data is written.
bool AnswerSize(UInt32* pDataSize, const void* pData, UInt32 size) noexcept
{
  if (pData && *pDataSize < size)
    return false;
  *pDataSize = size;
  return true;
}

// The host's buffers carry no alignment promise beyond the platform's, so
// values go in and out byte-wise.
template <class T>
void WriteValue(void* pData, const T& value) noexcept
{
  std::memcpy(pData, &value, sizeof value);
}

// A set's data: refused (false) when missing or shorter than a T.
template <class T>
bool ReadValue(const void* pData, UInt32 dataSize, T& value) noexcept
{
  if (!pData || dataSize < sizeof(T))
    return false;
  std::memcpy(&value, pData, sizeof(T));
  return true;
}

bool IsInputOrGlobal(AudioUnitScope scope) noexcept
{
  return scope == kAudioUnitScope_Input || scope == kAudioUnitScope_Global;
}

} // namespace

OSStatus IWeftAU::GetProperty(AudioUnitPropertyID propID, AudioUnitScope scope, AudioUnitElement element,
                              UInt32* pDataSize, Boolean* pWriteable, void* pData)
{
  switch (propID)
  {
    case kAudioUnitProperty_ClassInfo:
    {
      if (!AnswerSize(pDataSize, pData, sizeof(CFTypeRef)))
        return kInvalidValue;
      if (!pData)
        return noErr;
      *pWriteable = true;
      return GetState(static_cast<CFTypeRef*>(pData));
    }
    case kAudioUnitProperty_MakeConnection:
    {
      if (!IsInputOrGlobal(scope))
        return kInvalidProperty;
      if (!AnswerSize(pDataSize, pData, sizeof(AudioUnitConnection)))
        return kInvalidValue;
      *pWriteable = true;
      return noErr;
    }
    case kAudioUnitProperty_SampleRate:
    {
      if (!AnswerSize(pDataSize, pData, sizeof(Float64)))
        return kInvalidValue;
      *pWriteable = true;
      if (pData)
        WriteValue(pData, static_cast<Float64>(GetSampleRate()));
      return noErr;
    }
    case kAudioUnitProperty_ParameterList:
    {
      const int n = scope == kAudioUnitScope_Global ? NParams() : 0;
      if (!AnswerSize(pDataSize, pData, static_cast<UInt32>(n) * sizeof(AudioUnitParameterID)))
        return kInvalidValue;
      if (pData)
      {
        auto* pIDs = static_cast<Byte*>(pData);
        for (int i = 0; i < n; ++i)
          WriteValue(pIDs + i * sizeof(AudioUnitParameterID), static_cast<AudioUnitParameterID>(i));
      }
      return noErr;
    }
    case kAudioUnitProperty_ParameterInfo:
    {
      if (pData && *pDataSize < sizeof(AudioUnitParameterInfo))
        return kInvalidValue;
      return GetParameterInfo(scope, element, pDataSize, static_cast<AudioUnitParameterInfo*>(pData));
    }
    case kAudioUnitProperty_FastDispatch:
      // This unit offers no fast-dispatch procedures.
      return kAudioUnitErr_InvalidElement;
    case kAudioUnitProperty_StreamFormat:
    {
      if (!GetBus(scope, element))
        return kInvalidProperty;
      if (!AnswerSize(pDataSize, pData, sizeof(AudioStreamBasicDescription)))
        return kInvalidValue;
      *pWriteable = true;
      if (!pData)
        return noErr;
      AudioStreamBasicDescription asbd;
      const OSStatus status = GetStreamFormat(scope, element, &asbd);
      if (status == noErr)
        WriteValue(pData, asbd);
      return status;
    }
    case kAudioUnitProperty_ElementCount:
    {
      if (!AnswerSize(pDataSize, pData, sizeof(UInt32)))
        return kInvalidValue;
      if (pData)
      {
        UInt32 count = 0;
        if (scope == kAudioUnitScope_Input)
          count = static_cast<UInt32>(NInBuses());
        else if (scope == kAudioUnitScope_Output)
          count = static_cast<UInt32>(NOutBuses());
        else if (scope == kAudioUnitScope_Global)
          count = 1;
        WriteValue(pData, count);
      }
      return noErr;
    }
    case kAudioUnitProperty_Latency:
    {
      if (scope != kAudioUnitScope_Global)
        return kInvalidProperty;
      if (!AnswerSize(pDataSize, pData, sizeof(Float64)))
        return kInvalidValue;
      if (pData)
        WriteValue(pData, static_cast<Float64>(GetLatency() / GetSampleRate())); // seconds
      return noErr;
    }
    case kAudioUnitProperty_SupportedNumChannels:
    {
      if (scope != kAudioUnitScope_Global)
        return kInvalidProperty;
      const int n = GetSupportedNumChannels(nullptr);
      if (!AnswerSize(pDataSize, pData, static_cast<UInt32>(n) * sizeof(AUChannelInfo)))
        return kInvalidValue;
      if (pData)
        GetSupportedNumChannels(static_cast<AUChannelInfo*>(pData));
      return noErr;
    }
    case kAudioUnitProperty_MaximumFramesPerSlice:
    {
      if (scope != kAudioUnitScope_Global)
        return kInvalidProperty;
      if (!AnswerSize(pDataSize, pData, sizeof(UInt32)))
        return kInvalidValue;
      *pWriteable = true;
      if (pData)
        WriteValue(pData, static_cast<UInt32>(GetBlockSize()));
      return noErr;
    }
    case kAudioUnitProperty_ParameterValueStrings:
    {
      if (pData && *pDataSize < sizeof(CFArrayRef))
        return kInvalidValue;
      return GetParameterValueStrings(scope, element, pDataSize, static_cast<CFArrayRef*>(pData));
    }
    case kAudioUnitProperty_AudioChannelLayout:
      return kInvalidValue;
    case kAudioUnitProperty_TailTime:
    {
      if (scope != kAudioUnitScope_Global)
        return kInvalidProperty;
      if (!AnswerSize(pDataSize, pData, sizeof(Float64)))
        return kInvalidValue;
      if (pData)
      {
        const Float64 seconds = GetTailIsInfinite() ? std::numeric_limits<Float64>::infinity()
                                                    : GetTailSize() / GetSampleRate();
        WriteValue(pData, seconds);
      }
      return noErr;
    }
    case kAudioUnitProperty_BypassEffect:
    {
      if (scope != kAudioUnitScope_Global)
        return kInvalidProperty;
      if (!AnswerSize(pDataSize, pData, sizeof(UInt32)))
        return kInvalidValue;
      *pWriteable = true;
      if (pData)
        WriteValue(pData, static_cast<UInt32>(GetBypassed() ? 1 : 0));
      return noErr;
    }
    case kAudioUnitProperty_LastRenderError:
    {
      if (scope != kAudioUnitScope_Global)
        return kInvalidProperty;
      if (!AnswerSize(pDataSize, pData, sizeof(OSStatus)))
        return kInvalidValue;
      if (pData)
        WriteValue(pData, TakeLastRenderError());
      return noErr;
    }
    case kAudioUnitProperty_SetRenderCallback:
    {
      if (!IsInputOrGlobal(scope) || element >= static_cast<AudioUnitElement>(NInBuses()))
        return kInvalidProperty;
      if (!AnswerSize(pDataSize, pData, sizeof(AURenderCallbackStruct)))
        return kInvalidValue;
      *pWriteable = true;
      return noErr;
    }
    case kAudioUnitProperty_FactoryPresets:
    {
      if (!AnswerSize(pDataSize, pData, sizeof(CFArrayRef)))
        return kInvalidValue;
      return pData ? GetFactoryPresets(static_cast<CFArrayRef*>(pData)) : noErr;
    }
    case kAudioUnitProperty_HostCallbacks:
    {
      if (scope != kAudioUnitScope_Global)
        return kInvalidProperty;
      if (!AnswerSize(pDataSize, pData, sizeof(HostCallbackInfo)))
        return kInvalidValue;
      *pWriteable = true;
      return noErr;
    }
    case kAudioUnitProperty_CurrentPreset:
    case kAudioUnitProperty_PresentPreset:
    {
      if (!AnswerSize(pDataSize, pData, sizeof(AUPreset)))
        return kInvalidValue;
      *pWriteable = true;
      return pData ? GetCurrentPreset(static_cast<AUPreset*>(pData)) : noErr;
    }
    case kAudioUnitProperty_ElementName:
    {
      if (!AnswerSize(pDataSize, pData, sizeof(CFStringRef)))
        return kInvalidValue;
      // Hosts ask for the name itself; the info call does not announce it.
      if (!pData)
        return kInvalidProperty;
      ERoute direction;
      if (!ScopeToRoute(scope, direction))
        return kAudioUnitErr_InvalidScope;
      const int nBuses = MaxNBuses(direction);
      if (element >= static_cast<AudioUnitElement>(nBuses))
        return kAudioUnitErr_InvalidElement;
      LOOM_String busName;
      GetBusName(direction, static_cast<int>(element), nBuses, busName);
      // +1 for the caller, who releases it.
      CFStringRef name = CFStringCreateWithCString(kCFAllocatorDefault, busName.Get(), kCFStringEncodingUTF8);
      if (!name)
        return coreFoundationUnknownErr;
      WriteValue(pData, name);
      return noErr;
    }
    case kAudioUnitProperty_CocoaUI:
    {
      // Without an editor or without the bundle that holds the view factory
      // there is nothing to announce.
      const OSStatus available = GetCocoaViewInfo(nullptr);
      if (available != noErr)
        return available;
      if (!AnswerSize(pDataSize, pData, sizeof(AudioUnitCocoaViewInfo)))
        return kInvalidValue;
      return pData ? GetCocoaViewInfo(static_cast<AudioUnitCocoaViewInfo*>(pData)) : noErr;
    }
    case kAudioUnitProperty_SupportedChannelLayoutTags:
    {
      const int n = GetChannelLayoutTags(scope, element, nullptr);
      const UInt32 size = n > 0 ? static_cast<UInt32>(n) * sizeof(AudioChannelLayoutTag) : 0;
      if (!pData)
      {
        *pDataSize = size;
        *pWriteable = n > 0;
        return noErr;
      }
      if (n <= 0)
        return kInvalidProperty;
      if (!AnswerSize(pDataSize, pData, size))
        return kInvalidValue;
      *pWriteable = true;
      return GetChannelLayoutTags(scope, element, static_cast<AudioChannelLayoutTag*>(pData)) ? noErr
                                                                                               : kInvalidProperty;
    }
    case kAudioUnitProperty_ParameterStringFromValue:
    {
      if (scope != kAudioUnitScope_Global)
        return kInvalidProperty;
      if (!AnswerSize(pDataSize, pData, sizeof(AudioUnitParameterStringFromValue)))
        return kInvalidValue;
      return pData ? GetParameterStringFromValue(scope, static_cast<AudioUnitParameterStringFromValue*>(pData))
                   : noErr;
    }
    case kAudioUnitProperty_ParameterIDName:
    {
      if (scope != kAudioUnitScope_Global)
        return kInvalidProperty;
      if (!AnswerSize(pDataSize, pData, sizeof(AudioUnitParameterIDName)))
        return kInvalidValue;
      return pData ? GetParameterIDName(scope, static_cast<AudioUnitParameterIDName*>(pData)) : noErr;
    }
    case kAudioUnitProperty_ParameterClumpName:
    {
      if (scope != kAudioUnitScope_Global)
        return kInvalidProperty;
      if (!AnswerSize(pDataSize, pData, sizeof(AudioUnitParameterNameInfo)))
        return kInvalidValue;
      return pData ? GetParameterClumpName(scope, static_cast<AudioUnitParameterNameInfo*>(pData)) : noErr;
    }
    case kAudioUnitProperty_ParameterValueFromString:
    {
      if (scope != kAudioUnitScope_Global)
        return kInvalidProperty;
      if (!AnswerSize(pDataSize, pData, sizeof(AudioUnitParameterValueFromString)))
        return kInvalidValue;
      return pData ? GetParameterValueFromString(scope, static_cast<AudioUnitParameterValueFromString*>(pData))
                   : noErr;
    }
    case kAudioUnitProperty_MIDIOutputCallbackInfo:
    {
      if (!AnswerSize(pDataSize, pData, sizeof(CFArrayRef)))
        return kInvalidValue;
      if (!pData)
        return noErr;
      // The names of the unit's MIDI outputs: one. +1 for the caller.
      const void* names[] = {CFSTR("midiOut")};
      CFArrayRef array = CFArrayCreate(kCFAllocatorDefault, names, 1, &kCFTypeArrayCallBacks);
      if (!array)
        return coreFoundationUnknownErr;
      WriteValue(pData, array);
      return noErr;
    }
    case kAudioUnitProperty_MIDIOutputCallback:
    {
      if (!AnswerSize(pDataSize, pData, sizeof(AUMIDIOutputCallbackStruct)))
        return kInvalidValue;
      *pWriteable = true;
      // The host sets the callback; it cannot read it back.
      return pData ? kInvalidProperty : noErr;
    }
    case kAudioUnitProperty_SupportsMPE:
    {
      if (!AnswerSize(pDataSize, pData, sizeof(UInt32)))
        return kInvalidValue;
      if (pData)
        WriteValue(pData, static_cast<UInt32>(DoesMPE() ? 1 : 0));
      return noErr;
    }
    case kMusicDeviceProperty_InstrumentCount:
    {
      if (scope != kAudioUnitScope_Global || !IsInstrument())
        return kInvalidProperty;
      if (!AnswerSize(pDataSize, pData, sizeof(UInt32)))
        return kInvalidValue;
      if (pData)
        WriteValue(pData, static_cast<UInt32>(1));
      return noErr;
    }
    case kIWeftAUProperty_PlugInObject:
    {
      if (!AnswerSize(pDataSize, pData, sizeof(IWeftAU*)))
        return kInvalidValue;
      if (pData)
        WriteValue(pData, this);
      return noErr;
    }
    case kAudioUnitProperty_CPULoad:
    case kAudioUnitProperty_SetExternalBuffer:
    case kAudioUnitProperty_GetUIComponentList:
    case kAudioUnitProperty_ContextName:
    case kAudioUnitProperty_RenderQuality:
    case kAudioUnitProperty_InPlaceProcessing:
    case kAudioUnitProperty_OfflineRender:
    case kAudioUnitProperty_IconLocation:
    case kAudioUnitProperty_PresentationLatency:
    case kAudioUnitProperty_DependentParameters:
    case kAudioUnitProperty_AUHostIdentifier:
    case kAudioUnitProperty_InputSamplesInOutput:
    case kAudioUnitProperty_ClassInfoFromDocument:
    default:
      return kInvalidProperty;
  }
}

OSStatus IWeftAU::SetProperty(AudioUnitPropertyID propID, AudioUnitScope scope, AudioUnitElement element,
                              UInt32* pDataSize, const void* pData)
{
  // Listeners hear of every attempt, handled or not, before anything changes.
  InformListeners(propID, scope);

  const UInt32 dataSize = pDataSize ? *pDataSize : 0;

  switch (propID)
  {
    case kAudioUnitProperty_ClassInfo:
    {
      CFTypeRef propList = nullptr;
      if (!ReadValue(pData, dataSize, propList))
        return kInvalidValue;
      return SetState(propList);
    }
    case kAudioUnitProperty_MakeConnection:
    {
      if (!IsInputOrGlobal(scope))
        return kInvalidProperty;
      AudioUnitConnection connection;
      if (!ReadValue(pData, dataSize, connection))
        return kInvalidValue;
      if (connection.destInputNumber >= static_cast<UInt32>(mInBusConnections.GetSize()))
        return kInvalidProperty;
      InputBusConnection* pConnection = mInBusConnections.Get(static_cast<int>(connection.destInputNumber));

      *pConnection = InputBusConnection{};
      bool negotiated = true;
      AudioUnit source = connection.sourceAudioUnit;
      if (source)
      {
        // The upstream unit's output format becomes this input's format, set
        // through SetProperty so that the format's listeners hear of it too.
        AudioStreamBasicDescription asbd{};
        UInt32 size = sizeof(asbd);
        const OSStatus getStatus = AudioUnitGetProperty(source, kAudioUnitProperty_StreamFormat,
                                                        kAudioUnitScope_Output, connection.sourceOutputNumber,
                                                        &asbd, &size);
        if (getStatus != noErr || size < sizeof(asbd))
          asbd = AudioStreamBasicDescription{};
        size = sizeof(asbd);
        const OSStatus setStatus = SetProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input,
                                               connection.destInputNumber, &size, &asbd);
        negotiated = getStatus == noErr && setStatus == noErr;
      }

      if (negotiated && source)
      {
        pConnection->mUpstreamUnit = source;
        pConnection->mUpstreamBus = connection.sourceOutputNumber;
        IWeftAURenderProc renderProc = nullptr;
        UInt32 size = sizeof(renderProc);
        if (AudioUnitGetProperty(source, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global,
                                 kAudioUnitRenderSelect, &renderProc, &size) == noErr &&
            size == sizeof(renderProc) && renderProc)
        {
          pConnection->mUpstreamRenderProc = renderProc;
          pConnection->mUpstreamObject = GetComponentInstanceStorage(source);
        }
      }

      AssessInputConnections();
      return negotiated ? noErr : kInvalidProperty;
    }
    case kAudioUnitProperty_SampleRate:
    {
      Float64 sampleRate = 0.0;
      if (!ReadValue(pData, dataSize, sampleRate) || !std::isfinite(sampleRate) || !(sampleRate > 0.0))
        return kInvalidValue;
      SetSampleRate(sampleRate);
      OnReset();
      return noErr;
    }
    case kAudioUnitProperty_StreamFormat:
    {
      if (!GetBus(scope, element))
        return kInvalidProperty;
      AudioStreamBasicDescription asbd;
      if (!ReadValue(pData, dataSize, asbd))
        return kInvalidValue;
      return SetStreamFormat(scope, element, asbd);
    }
    case kAudioUnitProperty_MaximumFramesPerSlice:
    {
      // The buffers are sized for a slice and read by the render thread:
      // they change only while the unit is uninitialised.
      UInt32 nFrames = 0;
      if (!ReadValue(pData, dataSize, nFrames) || mActive)
        return kInvalidValue;
      if (nFrames < static_cast<UInt32>(kMinFramesPerSlice) || nFrames > static_cast<UInt32>(kMaxFramesPerSlice))
        return kInvalidValue;
      if (!SetMaxFramesPerSlice(static_cast<int>(nFrames)))
        return kInvalidValue;
      OnReset();
      return noErr;
    }
    case kAudioUnitProperty_BypassEffect:
    {
      UInt32 value = 0;
      if (!ReadValue(pData, dataSize, value))
        return kInvalidValue;
      const bool bypassed = value != 0;
      // The host may switch bypass while it renders.
      ExcludingRender([&] {
        SetBypassed(bypassed);
        OnActivate(!bypassed);
        OnReset();
      });
      return noErr;
    }
    case kAudioUnitProperty_SetRenderCallback:
    {
      if (scope != kAudioUnitScope_Input)
        return kInvalidProperty;
      if (element >= static_cast<AudioUnitElement>(mInBusConnections.GetSize()))
        return kInvalidProperty;
      InputBusConnection* pConnection = mInBusConnections.Get(static_cast<int>(element));
      AURenderCallbackStruct callback;
      if (!ReadValue(pData, dataSize, callback))
        return kInvalidValue;
      *pConnection = InputBusConnection{};
      if (callback.inputProc)
        pConnection->mRenderCallback = callback;
      AssessInputConnections();
      return noErr;
    }
    case kAudioUnitProperty_ContextName:
    {
      CFStringRef name = nullptr;
      if (!ReadValue(pData, dataSize, name) || !name || CFGetTypeID(name) != CFStringGetTypeID())
        return kInvalidValue;
      const CStrLocal utf8(name);
      if (utf8.Converted())
        mTrackName.Set(utf8.Get());
      return noErr;
    }
    case kAudioUnitProperty_HostCallbacks:
    {
      if (scope != kAudioUnitScope_Global)
        return kInvalidProperty;
      // Older hosts hand a shorter record: what is missing stays null.
      if (!pData || dataSize < sizeof(void*))
        return kInvalidValue;
      HostCallbackInfo callbacks{};
      std::memcpy(&callbacks, pData, std::min<size_t>(dataSize, sizeof(callbacks)));
      mHostCallbacks = callbacks;
      return noErr;
    }
    case kAudioUnitProperty_CurrentPreset:
    case kAudioUnitProperty_PresentPreset:
    {
      AUPreset preset;
      if (!ReadValue(pData, dataSize, preset))
        return kInvalidValue;
      return SetCurrentPreset(&preset);
    }
    case kAudioUnitProperty_OfflineRender:
    {
      UInt32 value = 0;
      if (!ReadValue(pData, dataSize, value))
        return kInvalidValue;
      SetRenderingOffline(value != 0);
      return noErr;
    }
    case kAudioUnitProperty_AUHostIdentifier:
    {
      AUHostVersionIdentifier identifier;
      if (!ReadValue(pData, dataSize, identifier))
        return kInvalidValue;
      if (GetHost() == kHostUninit)
      {
        const CStrLocal hostName(identifier.hostName);
        const NumVersion& v = identifier.hostVersion;
        const int major = v.majorRev;
        const int minor = v.minorAndBugRev >> 4;
        const int patch = v.minorAndBugRev & 0x0F;
        SetHost(hostName.Get(), (major << 16) + (minor << 8) + patch);
      }
      return noErr;
    }
    case kAudioUnitProperty_MIDIOutputCallback:
    {
      AUMIDIOutputCallbackStruct callback;
      if (!ReadValue(pData, dataSize, callback))
        return kInvalidValue;
      mMidiOutputCallback = callback;
      return noErr;
    }
    default:
      return kInvalidProperty;
  }
}

void IWeftAU::InformListeners(AudioUnitPropertyID propID, AudioUnitScope scope)
{
  // A listener may remove registrations while it is called: the count is
  // read again each step and the record copied before the call, so nothing
  // outside the list is read (a record that moved down may be skipped).
  for (int i = 0; i < mPropertyListeners.Size(); ++i)
  {
    const PropertyListener listener = mPropertyListeners.Get(i);
    if (listener.mPropertyID == propID)
      listener.mListenerProc(listener.mUserData, mComponentInstance, propID, scope, 0);
  }
}

IWeftAU::BusChannels* IWeftAU::GetBus(AudioUnitScope scope, AudioUnitElement element)
{
  const int idx = element <= static_cast<AudioUnitElement>(std::numeric_limits<int>::max())
                    ? static_cast<int>(element)
                    : -1;
  switch (scope)
  {
    case kAudioUnitScope_Input:
      return mInBuses.Get(idx);
    case kAudioUnitScope_Output:
    case kAudioUnitScope_Global:
      // The global scope addresses the output buses.
      return mOutBuses.Get(idx);
    default:
      return nullptr;
  }
}

} // namespace weft
