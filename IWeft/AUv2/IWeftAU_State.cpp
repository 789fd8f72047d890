// Class-info state and presets towards the host. Main thread.
//
// The class-info dictionary holds the unit's identity ("version", "type",
// "subtype", "manufacturer", all signed 32-bit numbers), the current preset's
// "name" and the plug-in's state chunk as "data". A restore is all or
// nothing: every key is read and type-checked and the whole "data" copied
// before anything changes, and a state that the plug-in's reader refuses is
// rolled back, so a refused dictionary leaves every parameter, the plug-in's
// own state and the current preset as they were.

#include "IWeftAU.h"
#include "IWeftAU_Presets.h"

#include <climits>
#include <cstring>

namespace weft {

namespace {

constexpr OSStatus kInvalidValue = kAudioUnitErr_InvalidPropertyValue;

// Preset names hold at most MAX_PRESET_NAME_LEN - 1 bytes: a longer "name"
// cannot be one of ours.
using PresetNameBuf = char[MAX_PRESET_NAME_LEN];

// --- Dictionary helpers; each makes a temporary key string. ---------------

// Stores newValue (+1, may be null), which this releases: the dictionary
// holds its own reference. False when the key or the value could not be
// made.
bool PutNewValueInDict(CFMutableDictionaryRef pDict, const char* key, CFTypeRef newValue)
{
  const CFStrLocal cfKey(key);
  const bool ok = cfKey.Get() && newValue;
  if (ok)
    CFDictionarySetValue(pDict, cfKey.Get(), newValue);
  if (newValue)
    CFRelease(newValue);
  return ok;
}

// Stores a new number made from *pValue read as type.
bool PutNumberInDict(CFMutableDictionaryRef pDict, const char* key, const void* pValue, CFNumberType type)
{
  return PutNewValueInDict(pDict, key, CFNumberCreate(kCFAllocatorDefault, type, pValue));
}

// Stores a new string of the UTF-8 text; false for a null or malformed text.
bool PutStrInDict(CFMutableDictionaryRef pDict, const char* key, const char* value)
{
  return PutNewValueInDict(pDict, key,
                           value ? CFStringCreateWithCString(kCFAllocatorDefault, value, kCFStringEncodingUTF8)
                                 : nullptr);
}

// Stores new data holding a copy of the chunk's bytes.
bool PutDataInDict(CFMutableDictionaryRef pDict, const char* key, const IByteChunk& chunk)
{
  return PutNewValueInDict(pDict, key, CFDataCreate(kCFAllocatorDefault, chunk.GetData(), chunk.Size()));
}

// The value under key when it is present and of the given type, else null.
CFTypeRef GetTypedValue(CFDictionaryRef pDict, const char* key, CFTypeID type)
{
  const CFStrLocal cfKey(key);
  if (!cfKey.Get())
    return nullptr;
  const void* value = nullptr;
  if (!CFDictionaryGetValueIfPresent(pDict, cfKey.Get(), &value) || !value || CFGetTypeID(value) != type)
    return nullptr;
  return value;
}

// The number under key converted into *pValue of type. False when the key
// is missing, holds no number or the number does not fit the type exactly
// (*pValue then holds the nearest value).
bool GetNumberFromDict(CFDictionaryRef pDict, const char* key, void* pValue, CFNumberType type)
{
  const auto number = static_cast<CFNumberRef>(GetTypedValue(pDict, key, CFNumberGetTypeID()));
  return number && CFNumberGetValue(number, type, pValue);
}

// The string under key as UTF-8 into name. False, and name empty, when the
// key is missing or holds no string. True with an empty name when the text
// does not fit the buffer (no preset has such a name).
bool GetStrFromDict(CFDictionaryRef pDict, const char* key, PresetNameBuf& name)
{
  name[0] = '\0';
  const auto str = static_cast<CFStringRef>(GetTypedValue(pDict, key, CFStringGetTypeID()));
  if (!str)
    return false;
  if (!CFStringGetCString(str, name, sizeof name, kCFStringEncodingUTF8))
    name[0] = '\0';
  return true;
}

// The whole data under key copied into chunk. False when the key is missing,
// holds no data, or the chunk cannot hold it.
bool GetDataFromDict(CFDictionaryRef pDict, const char* key, IByteChunk& chunk)
{
  const auto data = static_cast<CFDataRef>(GetTypedValue(pDict, key, CFDataGetTypeID()));
  if (!data)
    return false;
  const CFIndex length = CFDataGetLength(data);
  if (length < 0 || length > INT_MAX)
    return false;
  const int size = static_cast<int>(length);
  chunk.Resize(size);
  if (chunk.Size() != size)
    return false;
  if (size > 0)
    std::memcpy(chunk.GetData(), CFDataGetBytePtr(data), static_cast<size_t>(size));
  return true;
}

} // namespace

OSStatus IWeftAU::GetState(CFTypeRef* ppPropList)
{
  if (!ppPropList)
    return kAudio_ParamError;

  CFMutableDictionaryRef pDict = CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks,
                                                           &kCFTypeDictionaryValueCallBacks);
  if (!pDict)
    return coreFoundationUnknownErr;

  const SInt32 version = GetPluginVersion(false);
  const SInt32 type = GetAUPluginType();
  const SInt32 subtype = GetUniqueID();
  const SInt32 manufacturer = GetMfrID();
  bool ok = PutNumberInDict(pDict, "version", &version, kCFNumberSInt32Type) &&
            PutNumberInDict(pDict, "type", &type, kCFNumberSInt32Type) &&
            PutNumberInDict(pDict, "subtype", &subtype, kCFNumberSInt32Type) &&
            PutNumberInDict(pDict, "manufacturer", &manufacturer, kCFNumberSInt32Type) &&
            (PutStrInDict(pDict, "name", GetPresetName(GetCurrentPresetIdx())) || PutStrInDict(pDict, "name", ""));

  // "data" only when the plug-in could write its state.
  IByteChunk chunk;
  if (ok && SerializeState(chunk))
    ok = PutDataInDict(pDict, "data", chunk);

  if (!ok)
  {
    CFRelease(pDict);
    return coreFoundationUnknownErr;
  }
  // +1 for the caller.
  *ppPropList = pDict;
  return noErr;
}

OSStatus IWeftAU::SetState(CFTypeRef pPropList)
{
  if (!pPropList || CFGetTypeID(pPropList) != CFDictionaryGetTypeID())
    return kInvalidValue;
  const auto pDict = static_cast<CFDictionaryRef>(pPropList);

  // 1. Every key, type-checked, and the whole state chunk, before anything
  // changes. The version is read but not compared.
  SInt32 version = 0;
  SInt32 type = 0;
  SInt32 subtype = 0;
  SInt32 manufacturer = 0;
  PresetNameBuf presetName;
  IByteChunk state;
  if (!GetNumberFromDict(pDict, "version", &version, kCFNumberSInt32Type) ||
      !GetNumberFromDict(pDict, "type", &type, kCFNumberSInt32Type) ||
      !GetNumberFromDict(pDict, "subtype", &subtype, kCFNumberSInt32Type) ||
      !GetNumberFromDict(pDict, "manufacturer", &manufacturer, kCFNumberSInt32Type) ||
      !GetStrFromDict(pDict, "name", presetName) || !GetDataFromDict(pDict, "data", state))
    return kInvalidValue;

  // 2. A state of another plug-in.
  if (type != GetAUPluginType() || subtype != GetUniqueID() || manufacturer != GetMfrID())
    return kInvalidValue;

  // 3. What a refused state is rolled back to.
  IByteChunk before;
  if (!SerializeState(before))
    return kInvalidValue;

  // 4. The state itself; a reader that fails may have applied part of it.
  if (!StateWasRead(UnserializeState(state, 0), state))
  {
    UnserializeState(before, 0);
    return kInvalidValue;
  }

  // 5. The preset of that name becomes the current one (no such preset is
  // no failure). Restoring it applied the preset's own state over the
  // restored one, so the restored state is applied again; it applied once,
  // so it applies again.
  if (RestorePreset(presetName))
    UnserializeState(state, 0);

  OnRestoreState();
  return noErr;
}

OSStatus IWeftAU::GetFactoryPresets(CFArrayRef* pPresets)
{
  if (!pPresets)
    return kAudio_ParamError;
  const int nPresets = NPresets();
  CFMutableArrayRef presets = CFArrayCreateMutable(kCFAllocatorDefault, nPresets, &kCFAUPresetArrayCallBacks);
  if (!presets)
    return coreFoundationUnknownErr;

  for (int i = 0; i < nPresets; ++i)
  {
    const CFStrLocal name(GetPresetName(i));
    CFAUPresetRef preset = CFAUPresetCreate(kCFAllocatorDefault, i, name.Get());
    if (!preset)
    {
      CFRelease(presets);
      return coreFoundationUnknownErr;
    }
    CFArrayAppendValue(presets, preset); // the array retains it
    CFAUPresetRelease(preset);
  }
  // +1 for the caller.
  *pPresets = presets;
  return noErr;
}

OSStatus IWeftAU::GetCurrentPreset(AUPreset* pPreset)
{
  if (!pPreset)
    return kAudio_ParamError;
  const int idx = GetCurrentPresetIdx();
  // The name is +1 for the caller.
  CFStringRef name = CFStringCreateWithCString(kCFAllocatorDefault, GetPresetName(idx), kCFStringEncodingUTF8);
  if (!name)
    return coreFoundationUnknownErr;
  pPreset->presetNumber = idx;
  pPreset->presetName = name;
  return noErr;
}

OSStatus IWeftAU::SetCurrentPreset(const AUPreset* pPreset)
{
  if (!pPreset)
    return kAudio_ParamError;
  // The record's name is not used. A number without a preset (or a preset
  // that does not apply) is refused and changes nothing.
  return RestorePreset(static_cast<int>(pPreset->presetNumber)) ? static_cast<OSStatus>(noErr)
                                                                 : static_cast<OSStatus>(kAudioUnitErr_InvalidPropertyValue);
}

} // namespace weft
