// Parameters towards the host: the parameter selectors and scheduled
// events, the parameter properties (information records, value strings,
// names, clumps and text conversions), the events that tell the host about
// gestures and value changes, and the notifications of parameter-list,
// preset and latency changes.
//
// GetParamProc, SetParamProc and DoScheduleParameters run on the host's
// parameter thread (often the render thread): they touch only the
// parameters' atomic values and the lock-free queue towards the editor, and
// never allocate. The parameter properties run on the main thread.

#include "IWeftAU.h"

#include "LOOM_Assert.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

namespace weft {

namespace {

constexpr OSStatus kInvalidProperty = kAudioUnitErr_InvalidProperty;
constexpr OSStatus kInvalidParameter = kAudioUnitErr_InvalidParameter;
constexpr OSStatus kInvalidValue = kAudioUnitErr_InvalidPropertyValue;

// Flags every information record carries: the host releases the name
// string, which is always there; readable, writable, high resolution.
constexpr AudioUnitParameterOptions kBaseInfoFlags =
  kAudioUnitParameterFlag_CFNameRelease | kAudioUnitParameterFlag_HasCFNameString |
  kAudioUnitParameterFlag_IsReadable | kAudioUnitParameterFlag_IsWritable |
  kAudioUnitParameterFlag_IsHighResolution;

// ParameterIDName cuts names to at most this many characters.
constexpr int kMaxIDNameChars = 31;

// The parameter addressed by id, or null.
IParam* ParamForID(const IWeftAU& plug, AudioUnitParameterID id) noexcept
{
  return id <= static_cast<AudioUnitParameterID>(INT_MAX) ? plug.GetParam(static_cast<int>(id)) : nullptr;
}

bool IsContinuationByte(char c) noexcept
{
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Bytes of the longest prefix of text that holds at most maxChars whole
// UTF-8 characters.
size_t PrefixBytesForChars(const char* text, int maxChars) noexcept
{
  size_t pos = 0;
  for (int chars = 0; text[pos] != '\0'; ++pos)
  {
    if (!IsContinuationByte(text[pos]) && chars++ == maxChars)
      break;
  }
  return pos;
}

// Bytes of the longest prefix of text of at most maxBytes bytes that does
// not end inside a UTF-8 character.
size_t PrefixBytesWithin(const char* text, size_t maxBytes) noexcept
{
  size_t len = std::strlen(text);
  if (len <= maxBytes)
    return len;
  len = maxBytes;
  while (len > 0 && IsContinuationByte(text[len]))
    --len;
  return len;
}

// A new string of the UTF-8 text into out, +1 for the caller;
// coreFoundationUnknownErr, and out untouched, when it cannot be made.
OSStatus HandOutString(const char* text, CFStringRef& out)
{
  CFStringRef string = CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingUTF8);
  if (!string)
    return coreFoundationUnknownErr;
  out = string;
  return noErr;
}

AudioUnitParameterOptions DisplayFlags(IParam::EDisplayType displayType) noexcept
{
  switch (displayType)
  {
    case IParam::kDisplayLog: return kAudioUnitParameterFlag_DisplayLogarithmic;
    case IParam::kDisplayExp: return kAudioUnitParameterFlag_DisplayExponential;
    case IParam::kDisplaySquared: return kAudioUnitParameterFlag_DisplaySquared;
    case IParam::kDisplaySquareRoot: return kAudioUnitParameterFlag_DisplaySquareRoot;
    case IParam::kDisplayCubed: return kAudioUnitParameterFlag_DisplayCubed;
    case IParam::kDisplayCubeRoot: return kAudioUnitParameterFlag_DisplayCubeRoot;
    case IParam::kDisplayLinear:
    default: return 0;
  }
}

// The Audio Unit unit of a parameter's own unit; generic for the custom
// unit and anything unknown.
AudioUnitParameterUnit UnitFor(IParam::EParamUnit unit) noexcept
{
  switch (unit)
  {
    case IParam::kUnitPercentage: return kAudioUnitParameterUnit_Percent;
    case IParam::kUnitSeconds: return kAudioUnitParameterUnit_Seconds;
    case IParam::kUnitMilliseconds: return kAudioUnitParameterUnit_Milliseconds;
    case IParam::kUnitSamples: return kAudioUnitParameterUnit_SampleFrames;
    case IParam::kUnitDB: return kAudioUnitParameterUnit_Decibels;
    case IParam::kUnitLinearGain: return kAudioUnitParameterUnit_LinearGain;
    case IParam::kUnitPan: return kAudioUnitParameterUnit_Pan;
    case IParam::kUnitPhase: return kAudioUnitParameterUnit_Phase;
    case IParam::kUnitDegrees: return kAudioUnitParameterUnit_Degrees;
    case IParam::kUnitMeters: return kAudioUnitParameterUnit_Meters;
    case IParam::kUnitRate: return kAudioUnitParameterUnit_Rate;
    case IParam::kUnitRatio: return kAudioUnitParameterUnit_Ratio;
    case IParam::kUnitFrequency: return kAudioUnitParameterUnit_Hertz;
    case IParam::kUnitOctaves: return kAudioUnitParameterUnit_Octaves;
    case IParam::kUnitCents: return kAudioUnitParameterUnit_Cents;
    case IParam::kUnitAbsCents: return kAudioUnitParameterUnit_AbsoluteCents;
    case IParam::kUnitSemitones: return kAudioUnitParameterUnit_RelativeSemiTones;
    case IParam::kUnitMIDINote: return kAudioUnitParameterUnit_MIDINoteNumber;
    case IParam::kUnitMIDICtrlNum: return kAudioUnitParameterUnit_MIDIController;
    case IParam::kUnitBPM: return kAudioUnitParameterUnit_BPM;
    case IParam::kUnitBeats: return kAudioUnitParameterUnit_Beats;
    case IParam::kUnitCustom:
    default: return kAudioUnitParameterUnit_Generic;
  }
}

// The parameter a call addresses; null with the refusal in status: -10879
// for a scope other than global, -10878 for an ID without a parameter.
IParam* FindGlobalParam(const IWeftAU& plug, AudioUnitScope scope, AudioUnitParameterID id, OSStatus& status) noexcept
{
  if (scope != kAudioUnitScope_Global)
  {
    status = kInvalidProperty;
    return nullptr;
  }
  IParam* pParam = ParamForID(plug, id);
  status = pParam ? noErr : kInvalidParameter;
  return pParam;
}

// The parameter SetParamProc sets to value; null with the refusal in status:
// as FindGlobalParam, and -10851 for a non-finite value.
IParam* ParamToSet(const IWeftAU& plug, AudioUnitScope scope, AudioUnitParameterID id, AudioUnitParameterValue value,
                   OSStatus& status) noexcept
{
  IParam* pParam = FindGlobalParam(plug, scope, id, status);
  if (pParam && !std::isfinite(value))
  {
    status = kInvalidValue;
    return nullptr;
  }
  return pParam;
}

} // namespace

// --- Parameter selectors (the host's parameter thread) ---------------------

OSStatus IWeftAU::GetParamProc(void* pPlug, AudioUnitParameterID id, AudioUnitScope scope,
                               AudioUnitElement /* element */, AudioUnitParameterValue* pValue)
{
  auto* _this = static_cast<IWeftAU*>(pPlug);
  LOOM_ASSERT_MSG(_this != nullptr, "_this != NULL");
  if (!_this)
    return kAudio_ParamError;
  OSStatus status = noErr;
  const IParam* pParam = FindGlobalParam(*_this, scope, id, status);
  if (!pParam)
    return status;
  if (!pValue)
    return kAudio_ParamError;
  *pValue = static_cast<AudioUnitParameterValue>(pParam->Value());
  return noErr;
}

OSStatus IWeftAU::SetParamProc(void* pPlug, AudioUnitParameterID id, AudioUnitScope scope,
                               AudioUnitElement /* element */, AudioUnitParameterValue value, UInt32 bufferOffset)
{
  auto* _this = static_cast<IWeftAU*>(pPlug);
  LOOM_ASSERT_MSG(_this != nullptr, "_this != NULL");
  if (!_this)
    return kAudio_ParamError;
  OSStatus status = noErr;
  IParam* pParam = ParamToSet(*_this, scope, id, value, status);
  if (!pParam)
    return status;

  const int paramIdx = static_cast<int>(id);
  // The editor is told the value the parameter took, not the raw one, so a
  // stepped or clipped value shows as it is.
  const double constrained = pParam->Constrain(value);
  pParam->Set(constrained);
  _this->SendParameterValueFromAPI(paramIdx, constrained, false);
  _this->OnParamChange(paramIdx, kHost, static_cast<int>(std::min<UInt32>(bufferOffset, INT_MAX)));
  return noErr;
}

OSStatus IWeftAU::DoScheduleParameters(IWeftAU* _this, const AudioUnitParameterEvent* events, UInt32 nEvents)
{
  if (!_this)
    return kAudio_ParamError;
  if (nEvents == 0)
    return noErr;
  if (!events)
    return kAudio_ParamError;

  // Every immediate event is checked before any is applied, so a list with
  // one bad event changes no parameter. Ramped events are not supported and
  // are skipped.
  for (UInt32 i = 0; i < nEvents; ++i)
  {
    const AudioUnitParameterEvent& event = events[i];
    if (event.eventType != kParameterEvent_Immediate)
      continue;
    OSStatus status = noErr;
    if (!ParamToSet(*_this, event.scope, event.parameter, event.eventValues.immediate.value, status))
      return status;
  }

  for (UInt32 i = 0; i < nEvents; ++i)
  {
    const AudioUnitParameterEvent& event = events[i];
    if (event.eventType != kParameterEvent_Immediate)
      continue;
    const OSStatus status = SetParamProc(_this, event.parameter, event.scope, event.element,
                                         event.eventValues.immediate.value, event.eventValues.immediate.bufferOffset);
    if (status != noErr)
      return status;
  }
  return noErr;
}

// --- Parameter properties (main thread) -------------------------------------

OSStatus IWeftAU::GetParameterInfo(AudioUnitScope scope, AudioUnitElement element, UInt32* pDataSize,
                                   AudioUnitParameterInfo* pInfo)
{
  OSStatus status = noErr;
  const IParam* pParam = FindGlobalParam(*this, scope, element, status);
  if (!pParam)
    return status;
  *pDataSize = sizeof(AudioUnitParameterInfo);
  if (!pInfo)
    return noErr;

  // Built whole before it is handed over, padding zeroed.
  AudioUnitParameterInfo info;
  std::memset(&info, 0, sizeof info);
  info.flags = kBaseInfoFlags;
  if (!pParam->GetCanAutomate())
    info.flags |= kAudioUnitParameterFlag_NonRealTime;
  if (pParam->GetMeta())
    info.flags |= kAudioUnitParameterFlag_IsElementMeta;
  if (pParam->NDisplayTexts() > 0)
    info.flags |= kAudioUnitParameterFlag_ValuesHaveStrings;

  const char* name = pParam->GetName();
  std::memcpy(info.name, name, PrefixBytesWithin(name, sizeof info.name - 1));
  // +1 for the host, which releases it (CFNameRelease).
  info.cfNameString = CFStringCreateWithCString(kCFAllocatorDefault, name, kCFStringEncodingUTF8);
  if (!info.cfNameString)
    info.flags &= ~(kAudioUnitParameterFlag_HasCFNameString | kAudioUnitParameterFlag_CFNameRelease);

  switch (pParam->Type())
  {
    case IParam::kTypeBool:
      info.unit = kAudioUnitParameterUnit_Boolean;
      break;
    case IParam::kTypeInt:
    case IParam::kTypeEnum:
      info.unit = kAudioUnitParameterUnit_Indexed;
      break;
    default:
      if (pParam->Unit() == IParam::kUnitCustom)
      {
        const char* customUnit = pParam->GetCustomUnit();
        if (customUnit && customUnit[0] != '\0')
        {
          // Owned by the unit: the host does not release unit names.
          info.unitName = mUnitNames.Get(customUnit);
          if (info.unitName)
            info.unit = kAudioUnitParameterUnit_CustomUnit;
        }
      }
      else
      {
        info.unit = UnitFor(pParam->Unit());
      }
      break;
  }

  info.flags |= DisplayFlags(pParam->DisplayType());
  info.minValue = static_cast<AudioUnitParameterValue>(pParam->GetMin());
  info.maxValue = static_cast<AudioUnitParameterValue>(pParam->GetMax());
  info.defaultValue = static_cast<AudioUnitParameterValue>(pParam->GetDefault(false));

  // Clump IDs are 1-based, in the order in which the host first asks about a
  // parameter of each group.
  const char* group = pParam->GetGroup();
  if (group && group[0] != '\0')
  {
    int clumpID = 0;
    for (int i = 0; i < NParamGroups(); ++i)
    {
      const char* known = GetParamGroupName(i);
      if (known && std::strcmp(known, group) == 0)
      {
        clumpID = i + 1;
        break;
      }
    }
    if (clumpID == 0)
      clumpID = AddParamGroup(group);
    info.clumpID = static_cast<UInt32>(clumpID);
    info.flags |= kAudioUnitParameterFlag_HasClump;
  }

  std::memcpy(pInfo, &info, sizeof info);
  return noErr;
}

OSStatus IWeftAU::GetParameterValueStrings(AudioUnitScope scope, AudioUnitElement element, UInt32* pDataSize,
                                           CFArrayRef* pStrings)
{
  OSStatus status = noErr;
  const IParam* pParam = FindGlobalParam(*this, scope, element, status);
  if (!pParam)
    return status;
  const int nTexts = pParam->NDisplayTexts();
  if (nTexts <= 0)
  {
    *pDataSize = 0;
    return kInvalidProperty;
  }
  *pDataSize = sizeof(CFArrayRef);
  if (!pStrings)
    return noErr;

  // Entry i is the text shown for value i. +1 for the caller.
  CFMutableArrayRef strings = CFArrayCreateMutable(kCFAllocatorDefault, nTexts, &kCFTypeArrayCallBacks);
  if (!strings)
    return coreFoundationUnknownErr;
  for (int i = 0; i < nTexts; ++i)
  {
    CFStringRef text = CFStringCreateWithCString(kCFAllocatorDefault, pParam->GetDisplayText(static_cast<double>(i)),
                                                 kCFStringEncodingUTF8);
    if (!text)
    {
      CFRelease(strings);
      return coreFoundationUnknownErr;
    }
    CFArrayAppendValue(strings, text);
    CFRelease(text);
  }
  *pStrings = strings;
  return noErr;
}

OSStatus IWeftAU::GetParameterStringFromValue(AudioUnitScope scope, AudioUnitParameterStringFromValue* pRecord)
{
  OSStatus status = noErr;
  const IParam* pParam = FindGlobalParam(*this, scope, pRecord->inParamID, status);
  if (!pParam)
    return status;
  // Without a value the host asks for the current one.
  const double value = pRecord->inValue ? static_cast<double>(*pRecord->inValue) : pParam->Value();
  if (!std::isfinite(value))
    return kInvalidValue;

  pParam->GetDisplay(value, false, mParamDisplayStr, true);
  return HandOutString(mParamDisplayStr.Get(), pRecord->outString);
}

OSStatus IWeftAU::GetParameterIDName(AudioUnitScope scope, AudioUnitParameterIDName* pRecord)
{
  OSStatus status = noErr;
  const IParam* pParam = FindGlobalParam(*this, scope, pRecord->inID, status);
  if (!pParam)
    return status;

  const char* name = pParam->GetName();
  size_t nBytes = std::strlen(name);
  if (pRecord->inDesiredLength != kAudioUnitParameterName_Full)
  {
    const int maxChars = std::clamp<SInt32>(pRecord->inDesiredLength, 0, kMaxIDNameChars);
    nBytes = PrefixBytesForChars(name, maxChars);
  }
  return HandOutString(std::string(name, nBytes).c_str(), pRecord->outName);
}

OSStatus IWeftAU::GetParameterClumpName(AudioUnitScope scope, AudioUnitParameterNameInfo* pRecord)
{
  if (scope != kAudioUnitScope_Global)
    return kInvalidProperty;
  // Clump IDs are group indices + 1 (see GetParameterInfo); the desired
  // length is not used.
  const UInt32 clumpID = pRecord->inID;
  if (clumpID < 1 || clumpID > static_cast<UInt32>(NParamGroups()))
    return kAudioUnitErr_PropertyNotInUse;
  const char* group = GetParamGroupName(static_cast<int>(clumpID - 1));
  if (!group)
    return kAudioUnitErr_PropertyNotInUse;
  return HandOutString(group, pRecord->outName);
}

OSStatus IWeftAU::GetParameterValueFromString(AudioUnitScope scope, AudioUnitParameterValueFromString* pRecord)
{
  OSStatus status = noErr;
  const IParam* pParam = FindGlobalParam(*this, scope, pRecord->inParamID, status);
  if (!pParam)
    return status;
  if (!pRecord->inString || CFGetTypeID(pRecord->inString) != CFStringGetTypeID())
    return kInvalidValue;
  const CStrLocal text(pRecord->inString);
  if (!text.Converted())
    return kInvalidValue;
  pRecord->outValue = static_cast<AudioUnitParameterValue>(pParam->StringToValue(text.Get()));
  return noErr;
}

// --- Events and notifications towards the host ------------------------------

void IWeftAU::SendAUEvent(AudioUnitEventType type, AudioComponentInstance ci, int paramIdx)
{
  if (!ci || paramIdx < 0)
    return;
  AudioUnitEvent event{};
  event.mEventType = type;
  event.mArgument.mParameter.mAudioUnit = ci;
  event.mArgument.mParameter.mParameterID = static_cast<AudioUnitParameterID>(paramIdx);
  event.mArgument.mParameter.mScope = kAudioUnitScope_Global;
  event.mArgument.mParameter.mElement = 0;
  AUEventListenerNotify(nullptr, nullptr, &event);
}

void IWeftAU::BeginInformHostOfParamChange(int paramIdx)
{
  SendAUEvent(kAudioUnitEvent_BeginParameterChangeGesture, mComponentInstance, paramIdx);
}

void IWeftAU::InformHostOfParamChange(int paramIdx, double /* normalizedValue */)
{
  // The event carries no value: listeners read the parameter from the unit.
  SendAUEvent(kAudioUnitEvent_ParameterValueChange, mComponentInstance, paramIdx);
}

void IWeftAU::EndInformHostOfParamChange(int paramIdx)
{
  SendAUEvent(kAudioUnitEvent_EndParameterChangeGesture, mComponentInstance, paramIdx);
}

void IWeftAU::InformHostOfParameterDetailsChange()
{
  InformListeners(kAudioUnitProperty_ParameterList, kAudioUnitScope_Global);
  InformListeners(kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global);
}

void IWeftAU::InformHostOfPresetChange()
{
  InformListeners(kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global);
}

void IWeftAU::SetLatency(int samples)
{
  if (samples < 0)
    return;
  IWeftProcessor::SetLatency(samples);
  InformListeners(kAudioUnitProperty_Latency, kAudioUnitScope_Global);
}

void IWeftAU::GetTrackName(LOOM_String& str)
{
  str.Set(mTrackName.Get());
}

} // namespace weft
