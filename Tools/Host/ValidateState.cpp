// The phase "class-info state": an instance with every parameter moved off
// its default saves its class-info dictionary; a fresh instance refuses
// every damaged form of it with -10851 and nothing changed (parameters,
// saved state, current preset), then restores the intact one and ends with
// the same parameters and the same state bytes.

#include "ClassInfoState.h"
#include "UnitInstance.h"
#include "ValidatorPhases.h"

#include <AudioToolbox/AudioUnitProperties.h>
#include <CoreFoundation/CFData.h>
#include <CoreFoundation/CFNumber.h>
#include <CoreFoundation/CFString.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

namespace pw::host {

namespace {

constexpr AudioUnitScope kGlobal = kAudioUnitScope_Global;

struct Parameter
{
  AudioUnitParameterID id = 0;
  AudioUnitParameterInfo info{};
};

// What a restore must leave alone.
struct Observed
{
  std::vector<float> values;
  ComponentState state;
  SInt32 presetNumber = 0;
  std::string presetName;
  bool operator==(const Observed& other) const
  {
    return values.size() == other.values.size() &&
           std::memcmp(values.data(), other.values.data(), values.size() * sizeof(float)) == 0 &&
           state == other.state && presetNumber == other.presetNumber && presetName == other.presetName;
  }
};

std::string TextOf(CFStringRef string)
{
  if (!string || CFGetTypeID(string) != CFStringGetTypeID())
    return {};
  char text[256] = {};
  return CFStringGetCString(string, text, sizeof text, kCFStringEncodingUTF8) ? text : std::string();
}

Status ReadParameters(AudioUnit unit, std::vector<Parameter>& out)
{
  UInt32 size = 0;
  Boolean writable = false;
  OSStatus status = AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_ParameterList, kGlobal, 0, &size, &writable);
  if (status != noErr)
    return Status::Error("ParameterList is not answered (" + StatusText(status) + ")");
  std::vector<AudioUnitParameterID> ids(size / sizeof(AudioUnitParameterID));
  if (!ids.empty() &&
      AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterList, kGlobal, 0, ids.data(), &size) != noErr)
    return Status::Error("ParameterList cannot be read");
  for (AudioUnitParameterID id : ids)
  {
    Parameter p;
    p.id = id;
    size = sizeof p.info;
    status = AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterInfo, kGlobal, id, &p.info, &size);
    if (status != noErr)
      return Status::Error("parameter " + std::to_string(id) + " has no information record (" +
                           StatusText(status) + ")");
    if ((p.info.flags & kAudioUnitParameterFlag_CFNameRelease) && p.info.cfNameString)
      CFRelease(p.info.cfNameString);
    p.info.cfNameString = nullptr;
    out.push_back(p);
  }
  return Status::Ok();
}

// A value of p well away from its default: the next index for an indexed
// parameter, a point inside the range otherwise.
float OffDefault(const AudioUnitParameterInfo& info)
{
  const float span = info.maxValue - info.minValue;
  if (info.unit == kAudioUnitParameterUnit_Indexed || info.unit == kAudioUnitParameterUnit_Boolean)
    return info.defaultValue + 1.0f <= info.maxValue ? info.defaultValue + 1.0f : info.minValue;
  const float a = info.minValue + 0.37f * span;
  return std::fabs(a - info.defaultValue) > 0.05f * span ? a : info.minValue + 0.71f * span;
}

Status Observe(AudioUnit unit, const std::vector<Parameter>& parameters, Observed& out)
{
  Observed observed;
  for (const Parameter& p : parameters)
  {
    float value = std::numeric_limits<float>::quiet_NaN();
    AudioUnitGetParameter(unit, p.id, kGlobal, 0, &value);
    observed.values.push_back(value);
  }
  Status status = SaveUnitState(unit, observed.state);
  if (!status)
    return status;
  AUPreset preset{};
  UInt32 size = sizeof preset;
  const OSStatus got = AudioUnitGetProperty(unit, kAudioUnitProperty_CurrentPreset, kGlobal, 0, &preset, &size);
  if (got != noErr)
    return Status::Error("CurrentPreset is not answered (" + StatusText(got) + ")");
  observed.presetNumber = preset.presetNumber;
  observed.presetName = TextOf(preset.presetName);
  if (preset.presetName)
    CFRelease(preset.presetName);
  out = std::move(observed);
  return Status::Ok();
}

OSStatus Restore(AudioUnit unit, CFTypeRef classInfo)
{
  return AudioUnitSetProperty(unit, kAudioUnitProperty_ClassInfo, kGlobal, 0, &classInfo, sizeof classInfo);
}

void SetValue(CFMutableDictionaryRef dict, const char* key, CFTypeRef value)
{
  CFStringRef cfKey = CFStringCreateWithCString(kCFAllocatorDefault, key, kCFStringEncodingUTF8);
  if (cfKey && value)
    CFDictionarySetValue(dict, cfKey, value);
  if (cfKey)
    CFRelease(cfKey);
  if (value)
    CFRelease(value);
}

void RemoveValue(CFMutableDictionaryRef dict, const char* key)
{
  CFStringRef cfKey = CFStringCreateWithCString(kCFAllocatorDefault, key, kCFStringEncodingUTF8);
  if (cfKey)
  {
    CFDictionaryRemoveValue(dict, cfKey);
    CFRelease(cfKey);
  }
}

CFNumberRef NewNumber(SInt32 value)
{
  return CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &value);
}

CFDataRef NewData(const std::vector<std::uint8_t>& bytes, std::size_t length)
{
  return CFDataCreate(kCFAllocatorDefault, bytes.data(), static_cast<CFIndex>(std::min(length, bytes.size())));
}

struct Damage
{
  const char* what;
  std::function<void(CFMutableDictionaryRef, const ComponentState&)> apply;
};

std::vector<Damage> Damages()
{
  return {
    {"another type", [](CFMutableDictionaryRef d, const ComponentState& s) { SetValue(d, "type", NewNumber(s.type + 1)); }},
    {"another subtype",
     [](CFMutableDictionaryRef d, const ComponentState& s) { SetValue(d, "subtype", NewNumber(s.subtype + 1)); }},
    {"another manufacturer",
     [](CFMutableDictionaryRef d, const ComponentState& s) {
       SetValue(d, "manufacturer", NewNumber(s.manufacturer + 1));
     }},
    {"no \"data\"", [](CFMutableDictionaryRef d, const ComponentState&) { RemoveValue(d, "data"); }},
    {"empty \"data\"", [](CFMutableDictionaryRef d, const ComponentState& s) { SetValue(d, "data", NewData(s.data, 0)); }},
    {"\"data\" one byte short",
     [](CFMutableDictionaryRef d, const ComponentState& s) {
       SetValue(d, "data", NewData(s.data, s.data.empty() ? 0 : s.data.size() - 1));
     }},
    {"\"data\" of half its length",
     [](CFMutableDictionaryRef d, const ComponentState& s) { SetValue(d, "data", NewData(s.data, s.data.size() / 2)); }},
    {"\"data\" that is a string",
     [](CFMutableDictionaryRef d, const ComponentState&) {
       SetValue(d, "data", CFStringCreateWithCString(kCFAllocatorDefault, "data", kCFStringEncodingUTF8));
     }},
    {"no \"name\"", [](CFMutableDictionaryRef d, const ComponentState&) { RemoveValue(d, "name"); }},
    {"\"version\" that is a string",
     [](CFMutableDictionaryRef d, const ComponentState&) {
       SetValue(d, "version", CFStringCreateWithCString(kCFAllocatorDefault, "1.0", kCFStringEncodingUTF8));
     }},
  };
}

std::string CodeText(std::int32_t code)
{
  return FourCharCodeText(static_cast<std::uint32_t>(code));
}

} // namespace

PhaseResult ValidateClassInfo(const LoadedComponent& component)
{
  PhaseResult result("class-info state");
  UnitInstance source;
  Status status = source.Open(component);
  if (!status)
  {
    result.Fail("cannot open an instance: " + status.Message());
    return result;
  }
  std::vector<Parameter> parameters;
  if (!(status = ReadParameters(source.Unit(), parameters)))
  {
    result.Fail(status.Message());
    return result;
  }
  for (const Parameter& p : parameters)
    AudioUnitSetParameter(source.Unit(), p.id, kGlobal, 0, OffDefault(p.info), 0);
  Observed saved;
  if (!(status = Observe(source.Unit(), parameters, saved)))
  {
    result.Fail(status.Message());
    return result;
  }
  const ComponentState& state = saved.state;
  const BundleInfo& info = component.Info();
  result.Expect(static_cast<std::uint32_t>(state.type) == info.type &&
                  static_cast<std::uint32_t>(state.subtype) == info.subtype &&
                  static_cast<std::uint32_t>(state.manufacturer) == info.manufacturer,
                "the dictionary names " + CodeText(state.type) + " " + CodeText(state.subtype) + " " +
                  CodeText(state.manufacturer) + ", the bundle " + FourCharCodeText(info.type) + " " +
                  FourCharCodeText(info.subtype) + " " + FourCharCodeText(info.manufacturer));
  result.Expect(static_cast<std::uint32_t>(state.version) == info.version,
                "the dictionary's version is " + std::to_string(state.version) + ", the bundle's " +
                  std::to_string(info.version));
  result.Expect(!state.data.empty(), "the dictionary's \"data\" is empty");

  UnitInstance fresh;
  if (!(status = fresh.Open(component)))
  {
    result.Fail("cannot open an instance: " + status.Message());
    return result;
  }
  const AudioUnit unit = fresh.Unit();
  Observed before;
  if (!(status = Observe(unit, parameters, before)))
  {
    result.Fail(status.Message());
    return result;
  }

  // Damaged forms first: a half-applied one would move the fresh instance
  // towards the saved values.
  int refused = 0;
  CFStringRef notADictionary = CFStringCreateWithCString(kCFAllocatorDefault, "state", kCFStringEncodingUTF8);
  const OSStatus wrongType = Restore(unit, notADictionary);
  if (notADictionary)
    CFRelease(notADictionary);
  refused += result.Expect(wrongType == kAudioUnitErr_InvalidPropertyValue,
                           "a string instead of a dictionary answers " + StatusText(wrongType) + ", expected -10851");
  for (const Damage& damage : Damages())
  {
    CFMutableDictionaryRef dict = NewClassInfo(state);
    if (!dict)
    {
      result.Fail("cannot make a class-info dictionary");
      break;
    }
    damage.apply(dict, state);
    const OSStatus answer = Restore(unit, dict);
    CFRelease(dict);
    Observed after;
    status = Observe(unit, parameters, after);
    if (answer != kAudioUnitErr_InvalidPropertyValue)
      result.Fail("a dictionary with " + std::string(damage.what) + " answers " + StatusText(answer) +
                  ", expected -10851");
    else if (!status || !(after == before))
      result.Fail("a dictionary with " + std::string(damage.what) + " is refused but changes the instance");
    else
      ++refused;
  }

  CFMutableDictionaryRef intact = NewClassInfo(state);
  const OSStatus restored = intact ? Restore(unit, intact) : static_cast<OSStatus>(kAudio_MemFullError);
  if (intact)
    CFRelease(intact);
  if (result.Expect(restored == noErr, "restoring the saved dictionary answers " + StatusText(restored)))
  {
    Observed after;
    if (!(status = Observe(unit, parameters, after)))
      result.Fail(status.Message());
    else
    {
      for (std::size_t i = 0; i < parameters.size(); ++i)
        if (std::memcmp(&after.values[i], &saved.values[i], sizeof(float)) != 0)
          result.Fail("restored, parameter " + std::to_string(parameters[i].id) + " is " +
                      ValueText(after.values[i]) + ", saved " + ValueText(saved.values[i]));
      result.Expect(after.state.data == state.data, "restored, the instance saves other \"data\" than it restored");
    }
  }
  result.SetSummary(std::to_string(parameters.size()) + " parameters saved and restored into a fresh instance; " +
                    std::to_string(refused) + " damaged dictionaries refused with -10851 and nothing changed");
  return result;
}

} // namespace pw::host
