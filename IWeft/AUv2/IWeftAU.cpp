// Construction, destruction, the Component Manager entry and the
// per-selector handlers of the Audio Unit binding.

#include "IWeftAU.h"

#include "LOOM_Assert.h"

#include <cstdlib>
#include <cstring>

namespace weft {

namespace {

// Argument index (call order, 0 first) of a Component Manager parameter
// block: the arguments are stored last first, one word each, the value at
// the start of its word. T{} when the block has no such argument.
template <class T>
T EntryArg(const ComponentParameters* params, int index) noexcept
{
  static_assert(sizeof(T) <= sizeof(long), "one word per argument");
  const int count = params->paramSize / static_cast<int>(sizeof(long));
  T value{};
  if (index >= 0 && index < count)
    std::memcpy(&value, &params->params[count - 1 - index], sizeof value);
  return value;
}

// Selectors the can-do query announces. 18 and the MIDI selectors are
// dispatched but not announced.
bool CanDoSelector(SInt16 selector) noexcept
{
  return (selector >= kAudioUnitInitializeSelect && selector <= kAudioUnitSetParameterSelect) ||
         (selector >= kAudioUnitResetSelect && selector <= kAudioUnitRemovePropertyListenerSelect) ||
         (selector >= kAudioUnitRenderSelect && selector <= kAudioUnitScheduleParametersSelect);
}

// Reads one decimal number at p (digits only); returns the first character
// after it.
const char* ParseDecimal(const char* p, unsigned& value) noexcept
{
  value = 0;
  while (*p >= '0' && *p <= '9')
  {
    value = value * 10u + static_cast<unsigned>(*p - '0'); // wraps, then masked by the caller
    ++p;
  }
  return p;
}

} // namespace

IWeftAU::IWeftAU(const InstanceInfo& info, const Config& config)
: IWeftAPIBase(config, kAPIAUv2)
, IWeftProcessor(config, kAPIAUv2)
{
  mCocoaViewClass.Set(info.mCocoaViewClass.Get());

  // A plug-in whose only input bus has no channels has no input bus.
  int nInBuses = MaxNBuses(kInput);
  if (nInBuses == 1 && MaxNChannelsForBus(kInput, 0) == 0)
    nInBuses = 0;
  const int nOutBuses = MaxNBuses(kOutput);

  int firstChannel = 0;
  for (int i = 0; i < nInBuses; ++i)
  {
    mInBusConnections.Add(new InputBusConnection{});
    auto* pBus = new BusChannels;
    pBus->mPlugChannels = std::abs(MaxNChannelsForBus(kInput, i));
    pBus->mFirstPlugChannel = firstChannel;
    firstChannel += pBus->mPlugChannels;
    mInBuses.Add(pBus);
  }

  firstChannel = 0;
  for (int i = 0; i < nOutBuses; ++i)
  {
    auto* pBus = new BusChannels;
    pBus->mPlugChannels = std::abs(MaxNChannelsForBus(kOutput, i));
    pBus->mFirstPlugChannel = firstChannel;
    firstChannel += pBus->mPlugChannels;
    mOutBuses.Add(pBus);
  }

  AssessInputConnections();
  SetBlockSize(kDefaultBlockSize);
  ResizeScratchBuffers();
  InitLatencyDelay();
  CreateTimer();
}

IWeftAU::~IWeftAU()
{
  mRenderNotifies.Clear();
  mInBuses.Empty(true);
  mOutBuses.Empty(true);
  mInBusConnections.Empty(true);
  mPropertyListeners.Clear();
}

ComponentResult IWeftAU::IWeftAUEntry(ComponentParameters* params, void* storage, IWeftAUPlugMaker makePlug)
{
  if (!params)
    return paramErr;

  const SInt16 select = params->what;
  IWeftAU* _this = static_cast<IWeftAU*>(storage);

  switch (select)
  {
    case kComponentOpenSelect:
    {
      const auto ci = EntryArg<ComponentInstance>(params, 0);
      IWeftAU* pPlug = makePlug ? makePlug(nullptr) : nullptr;
      if (!pPlug)
        return memFullErr;
      pPlug->PruneUninitializedPresets();
      pPlug->mComponentInstance = ci;
      SetComponentInstanceStorage(ci, reinterpret_cast<Handle>(pPlug));
      return noErr;
    }
    case kComponentCloseSelect:
      if (_this)
      {
        _this->ClearConnections();
        delete _this;
      }
      return noErr;
    case kComponentCanDoSelect:
      return CanDoSelector(EntryArg<SInt16>(params, 0)) ? 1 : 0;
    default:
      break;
  }

  // Every other selector is addressed to an open object.
  if (!_this)
    return badComponentInstance;

  switch (select)
  {
    case kComponentVersionSelect:
      return _this->GetPluginVersion(false);
    case kAudioUnitInitializeSelect:
      return DoInitialize(_this);
    case kAudioUnitUninitializeSelect:
      return DoUninitialize(_this);
    case kAudioUnitGetPropertyInfoSelect:
      return DoGetPropertyInfo(_this, EntryArg<AudioUnitPropertyID>(params, 0), EntryArg<AudioUnitScope>(params, 1),
                               EntryArg<AudioUnitElement>(params, 2), EntryArg<UInt32*>(params, 3),
                               EntryArg<Boolean*>(params, 4));
    case kAudioUnitGetPropertySelect:
      return DoGetProperty(_this, EntryArg<AudioUnitPropertyID>(params, 0), EntryArg<AudioUnitScope>(params, 1),
                           EntryArg<AudioUnitElement>(params, 2), EntryArg<void*>(params, 3),
                           EntryArg<UInt32*>(params, 4));
    case kAudioUnitSetPropertySelect:
      return DoSetProperty(_this, EntryArg<AudioUnitPropertyID>(params, 0), EntryArg<AudioUnitScope>(params, 1),
                           EntryArg<AudioUnitElement>(params, 2), EntryArg<const void*>(params, 3),
                           EntryArg<UInt32>(params, 4));
    case kAudioUnitGetParameterSelect:
      return DoGetParameter(_this, EntryArg<AudioUnitParameterID>(params, 0), EntryArg<AudioUnitScope>(params, 1),
                            EntryArg<AudioUnitElement>(params, 2), EntryArg<AudioUnitParameterValue*>(params, 3));
    case kAudioUnitSetParameterSelect:
      return DoSetParameter(_this, EntryArg<AudioUnitParameterID>(params, 0), EntryArg<AudioUnitScope>(params, 1),
                            EntryArg<AudioUnitElement>(params, 2), EntryArg<AudioUnitParameterValue>(params, 3),
                            EntryArg<UInt32>(params, 4));
    case kAudioUnitResetSelect:
      return DoReset(_this, EntryArg<AudioUnitScope>(params, 0), EntryArg<AudioUnitElement>(params, 1));
    case kAudioUnitAddPropertyListenerSelect:
      return DoAddPropertyListener(_this, EntryArg<AudioUnitPropertyID>(params, 0),
                                   EntryArg<AudioUnitPropertyListenerProc>(params, 1), EntryArg<void*>(params, 2));
    case kAudioUnitRemovePropertyListenerSelect:
      return DoRemovePropertyListener(_this, EntryArg<AudioUnitPropertyID>(params, 0),
                                      EntryArg<AudioUnitPropertyListenerProc>(params, 1));
    case kAudioUnitRemovePropertyListenerWithUserDataSelect:
      return DoRemovePropertyListenerWithUserData(_this, EntryArg<AudioUnitPropertyID>(params, 0),
                                                  EntryArg<AudioUnitPropertyListenerProc>(params, 1),
                                                  EntryArg<void*>(params, 2));
    case kAudioUnitRenderSelect:
      return DoRender(_this, EntryArg<AudioUnitRenderActionFlags*>(params, 0),
                      EntryArg<const AudioTimeStamp*>(params, 1), EntryArg<UInt32>(params, 2),
                      EntryArg<UInt32>(params, 3), EntryArg<AudioBufferList*>(params, 4));
    case kAudioUnitAddRenderNotifySelect:
      return DoAddRenderNotify(_this, EntryArg<AURenderCallback>(params, 0), EntryArg<void*>(params, 1));
    case kAudioUnitRemoveRenderNotifySelect:
      return DoRemoveRenderNotify(_this, EntryArg<AURenderCallback>(params, 0), EntryArg<void*>(params, 1));
    case kAudioUnitScheduleParametersSelect:
      return DoScheduleParameters(_this, EntryArg<const AudioUnitParameterEvent*>(params, 0),
                                  EntryArg<UInt32>(params, 1));
    case kMusicDeviceMIDIEventSelect:
      return DoMIDIEvent(_this, EntryArg<UInt32>(params, 0), EntryArg<UInt32>(params, 1),
                         EntryArg<UInt32>(params, 2), EntryArg<UInt32>(params, 3));
    case kMusicDeviceSysExSelect:
      return DoSysEx(_this, EntryArg<const UInt8*>(params, 0), EntryArg<UInt32>(params, 1));
    case kMusicDevicePrepareInstrumentSelect:
    case kMusicDeviceReleaseInstrumentSelect:
    case kMusicDeviceStopNoteSelect:
      return noErr;
    case kMusicDeviceStartNoteSelect:
    {
      // Plays nothing; hands back the pitch as the note's ID.
      auto* pNoteID = EntryArg<NoteInstanceID*>(params, 2);
      const auto* pNoteParams = EntryArg<const MusicDeviceNoteParams*>(params, 4);
      if (pNoteID && pNoteParams)
      {
        const Float32 pitch = pNoteParams->mPitch;
        *pNoteID = (pitch >= 0.0f && pitch < 4294967296.0f) ? static_cast<NoteInstanceID>(pitch) : 0;
      }
      return noErr;
    }
    default:
      return badComponentSelector;
  }
}

// --- Handlers ---------------------------------------------------------------

OSStatus IWeftAU::DoInitialize(IWeftAU* _this)
{
  if (_this->GetHost() == kHostUninit)
    _this->IdentifyHostFromMainBundle();

  if (!_this->CheckLegalIO())
    return badComponentSelector;

  _this->mActive = true;
  // A new render session: its first slice pulls the inputs whatever its time.
  _this->mLastRenderSampleTime.store(-1.0, std::memory_order_relaxed);
  _this->OnParamReset(kReset);
  _this->OnActivate(true);
  return noErr;
}

OSStatus IWeftAU::DoUninitialize(IWeftAU* _this)
{
  _this->mActive = false;
  _this->OnActivate(false);
  return noErr;
}

OSStatus IWeftAU::DoGetPropertyInfo(IWeftAU* _this, AudioUnitPropertyID id, AudioUnitScope scope,
                                    AudioUnitElement element, UInt32* outDataSize, Boolean* outWritable)
{
  UInt32 dataSize = 0;
  Boolean writable = false;
  if (!outDataSize)
    outDataSize = &dataSize;
  if (!outWritable)
    outWritable = &writable;
  *outWritable = false;
  return _this->GetProperty(id, scope, element, outDataSize, outWritable, nullptr);
}

OSStatus IWeftAU::DoGetProperty(IWeftAU* _this, AudioUnitPropertyID id, AudioUnitScope scope,
                                AudioUnitElement element, void* outData, UInt32* ioDataSize)
{
  UInt32 dataSize = 0;
  Boolean writable = false;

  // The caller's buffer must hold the whole value: ask for the size first.
  if (outData && ioDataSize)
  {
    UInt32 needed = 0;
    Boolean infoWritable = false;
    _this->GetProperty(id, scope, element, &needed, &infoWritable, nullptr);
    if (*ioDataSize < needed)
      return kAudioUnitErr_InvalidPropertyValue;
  }

  if (!ioDataSize)
    ioDataSize = &dataSize;
  return _this->GetProperty(id, scope, element, ioDataSize, &writable, outData);
}

OSStatus IWeftAU::DoSetProperty(IWeftAU* _this, AudioUnitPropertyID id, AudioUnitScope scope,
                                AudioUnitElement element, const void* inData, UInt32 inDataSize)
{
  UInt32 dataSize = inDataSize;
  return _this->SetProperty(id, scope, element, &dataSize, inData);
}

OSStatus IWeftAU::DoGetParameter(IWeftAU* _this, AudioUnitParameterID id, AudioUnitScope scope,
                                 AudioUnitElement element, AudioUnitParameterValue* outValue)
{
  return GetParamProc(_this, id, scope, element, outValue);
}

OSStatus IWeftAU::DoSetParameter(IWeftAU* _this, AudioUnitParameterID id, AudioUnitScope scope,
                                 AudioUnitElement element, AudioUnitParameterValue value, UInt32 bufferOffset)
{
  return SetParamProc(_this, id, scope, element, value, bufferOffset);
}

OSStatus IWeftAU::DoReset(IWeftAU* _this, AudioUnitScope /* scope */, AudioUnitElement /* element */)
{
  // After a reset the host may start again at the same sample time: pull anew.
  _this->mLastRenderSampleTime.store(-1.0, std::memory_order_relaxed);
  // Hosts reset while they render (at a transport start, say).
  _this->ExcludingRender([_this] { _this->OnReset(); });
  return noErr;
}

OSStatus IWeftAU::DoAddPropertyListener(IWeftAU* _this, AudioUnitPropertyID id, AudioUnitPropertyListenerProc proc,
                                        void* userData)
{
  if (!proc)
    return kAudio_ParamError;

  auto& listeners = _this->mPropertyListeners;
  const int n = listeners.Size();
  for (int i = 0; i < n; ++i)
  {
    const PropertyListener& listener = listeners.Get(i);
    if (listener.mPropertyID == id && listener.mListenerProc == proc)
      return noErr;
  }
  return listeners.Add(PropertyListener{id, proc, userData}) ? static_cast<OSStatus>(noErr) : static_cast<OSStatus>(kAudio_MemFullError);
}

OSStatus IWeftAU::DoRemovePropertyListener(IWeftAU* _this, AudioUnitPropertyID id,
                                           AudioUnitPropertyListenerProc proc)
{
  auto& listeners = _this->mPropertyListeners;
  const int n = listeners.Size();
  for (int i = 0; i < n; ++i)
  {
    const PropertyListener& listener = listeners.Get(i);
    if (listener.mPropertyID == id && listener.mListenerProc == proc)
    {
      listeners.RemoveAt(i);
      break;
    }
  }
  return noErr;
}

OSStatus IWeftAU::DoRemovePropertyListenerWithUserData(IWeftAU* _this, AudioUnitPropertyID id,
                                                       AudioUnitPropertyListenerProc proc, void* userData)
{
  auto& listeners = _this->mPropertyListeners;
  const int n = listeners.Size();
  for (int i = 0; i < n; ++i)
  {
    const PropertyListener& listener = listeners.Get(i);
    if (listener.mPropertyID == id && listener.mListenerProc == proc && listener.mUserData == userData)
    {
      listeners.RemoveAt(i);
      break;
    }
  }
  return noErr;
}

OSStatus IWeftAU::DoRender(IWeftAU* _this, AudioUnitRenderActionFlags* ioActionFlags,
                           const AudioTimeStamp* inTimeStamp, UInt32 outputBus, UInt32 nFrames,
                           AudioBufferList* ioData)
{
  return RenderProc(_this, ioActionFlags, inTimeStamp, outputBus, nFrames, ioData);
}

OSStatus IWeftAU::DoAddRenderNotify(IWeftAU* _this, AURenderCallback proc, void* userData)
{
  if (!proc)
    return kAudio_ParamError;
  return _this->mRenderNotifies.Add(RenderNotify{proc, userData}) ? static_cast<OSStatus>(noErr) : static_cast<OSStatus>(kAudio_MemFullError);
}

OSStatus IWeftAU::DoRemoveRenderNotify(IWeftAU* _this, AURenderCallback proc, void* /* userData */)
{
  auto& notifies = _this->mRenderNotifies;
  const int n = notifies.Size();
  for (int i = 0; i < n; ++i)
  {
    if (notifies.Get(i).mProc == proc)
    {
      notifies.RemoveAt(i);
      break;
    }
  }
  return noErr;
}

// --- Connections and host identification -------------------------------------

void IWeftAU::ClearConnections()
{
  for (int i = 0; i < mInBuses.GetSize(); ++i)
  {
    BusChannels* pBus = mInBuses.Get(i);
    pBus->mConnected = false;
    pBus->mHostChannels = -1;
    if (InputBusConnection* pConnection = mInBusConnections.Get(i))
      *pConnection = InputBusConnection{};
  }
  for (int i = 0; i < mOutBuses.GetSize(); ++i)
  {
    BusChannels* pBus = mOutBuses.Get(i);
    pBus->mConnected = false;
    pBus->mHostChannels = -1;
  }
}

int IWeftAU::ParseBundleVersion(const char* versionStr) noexcept
{
  if (!versionStr)
    return 0;
  unsigned major = 0, minor = 0, patch = 0;
  const char* p = ParseDecimal(versionStr, major);
  if (*p)
  {
    p = ParseDecimal(p + 1, minor);
    if (*p)
      ParseDecimal(p + 1, patch);
  }
  return static_cast<int>((major & 0xFFFFu) << 16 | (minor & 0xFFu) << 8 | (patch & 0xFFu));
}

void IWeftAU::IdentifyHostFromMainBundle()
{
  if (GetHost() != kHostUninit)
    return;

  CFBundleRef mainBundle = CFBundleGetMainBundle();
  if (!mainBundle)
  {
    SetHost("", 0);
    return;
  }

  const CStrLocal identifier(CFBundleGetIdentifier(mainBundle));
  int version = 0;
  CFTypeRef versionValue = CFBundleGetValueForInfoDictionaryKey(mainBundle, CFSTR("CFBundleVersion"));
  if (versionValue && CFGetTypeID(versionValue) == CFStringGetTypeID())
  {
    const CStrLocal versionStr(static_cast<CFStringRef>(versionValue));
    version = ParseBundleVersion(versionStr.Get());
  }
  SetHost(identifier.Get(), version);
}

} // namespace weft
