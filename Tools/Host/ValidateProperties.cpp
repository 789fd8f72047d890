// The phases "default formats" and "required properties".

#include "UnitInstance.h"
#include "ValidatorPhases.h"

#include <AudioToolbox/AudioUnitProperties.h>
#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFString.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace pw::host {

namespace {

const char* ScopeName(AudioUnitScope scope) noexcept
{
  switch (scope)
  {
    case kAudioUnitScope_Global: return "global";
    case kAudioUnitScope_Input: return "input";
    case kAudioUnitScope_Output: return "output";
    default: return "other";
  }
}

// What one bus's default stream format gets wrong; empty when nothing.
std::string FormatProblems(const AudioStreamBasicDescription& asbd)
{
  std::string problems;
  const auto add = [&problems](const std::string& what) { problems += (problems.empty() ? "" : ", ") + what; };
  if (asbd.mFormatID != kAudioFormatLinearPCM)
    add("not linear PCM");
  if (!(asbd.mFormatFlags & kAudioFormatFlagIsFloat) || asbd.mBitsPerChannel != 32)
    add("not 32-bit float");
  if (!(asbd.mFormatFlags & kAudioFormatFlagIsNonInterleaved))
    add("interleaved");
  if (asbd.mFormatFlags & kAudioFormatFlagIsBigEndian)
    add("big-endian");
  if (asbd.mBytesPerPacket != 4 || asbd.mBytesPerFrame != 4 || asbd.mFramesPerPacket != 1)
    add(std::to_string(asbd.mBytesPerPacket) + " bytes per packet, " + std::to_string(asbd.mBytesPerFrame) +
        " per frame, " + std::to_string(asbd.mFramesPerPacket) + " frames per packet");
  if (asbd.mChannelsPerFrame < 1)
    add("no channels");
  if (!std::isfinite(asbd.mSampleRate) || !(asbd.mSampleRate > 0.0))
    add("sample rate " + ValueText(asbd.mSampleRate));
  return problems;
}

enum class Writable
{
  No,
  Yes,
  Either
};

struct Expectation
{
  AudioUnitPropertyID id;
  const char* name;
  AudioUnitScope scope;
  AudioUnitElement element;
  UInt32 size;     // bytes; for a list, the size of one entry
  bool list;       // any whole number of entries
  Writable writable;
  bool readBack;   // also read it with data (the parameter records need input fields: not here)
};

constexpr AudioUnitScope kGlobal = kAudioUnitScope_Global;
constexpr AudioUnitScope kIn = kAudioUnitScope_Input;
constexpr AudioUnitScope kOut = kAudioUnitScope_Output;

const Expectation kRequired[] = {
  {kAudioUnitProperty_ClassInfo, "ClassInfo", kGlobal, 0, sizeof(CFTypeRef), false, Writable::Either, true},
  {kAudioUnitProperty_MakeConnection, "MakeConnection", kIn, 0, sizeof(AudioUnitConnection), false, Writable::Yes,
   true},
  {kAudioUnitProperty_SampleRate, "SampleRate", kGlobal, 0, sizeof(Float64), false, Writable::Yes, true},
  {kAudioUnitProperty_ParameterList, "ParameterList", kGlobal, 0, sizeof(AudioUnitParameterID), true, Writable::No,
   true},
  {kAudioUnitProperty_StreamFormat, "StreamFormat", kIn, 0, sizeof(AudioStreamBasicDescription), false,
   Writable::Yes, true},
  {kAudioUnitProperty_StreamFormat, "StreamFormat", kOut, 0, sizeof(AudioStreamBasicDescription), false,
   Writable::Yes, true},
  {kAudioUnitProperty_ElementCount, "ElementCount", kIn, 0, sizeof(UInt32), false, Writable::No, true},
  {kAudioUnitProperty_ElementCount, "ElementCount", kOut, 0, sizeof(UInt32), false, Writable::No, true},
  {kAudioUnitProperty_Latency, "Latency", kGlobal, 0, sizeof(Float64), false, Writable::No, true},
  {kAudioUnitProperty_SupportedNumChannels, "SupportedNumChannels", kGlobal, 0, sizeof(AUChannelInfo), true,
   Writable::No, true},
  {kAudioUnitProperty_MaximumFramesPerSlice, "MaximumFramesPerSlice", kGlobal, 0, sizeof(UInt32), false,
   Writable::Yes, true},
  {kAudioUnitProperty_TailTime, "TailTime", kGlobal, 0, sizeof(Float64), false, Writable::No, true},
  {kAudioUnitProperty_BypassEffect, "BypassEffect", kGlobal, 0, sizeof(UInt32), false, Writable::Yes, true},
  {kAudioUnitProperty_LastRenderError, "LastRenderError", kGlobal, 0, sizeof(OSStatus), false, Writable::No, true},
  {kAudioUnitProperty_SetRenderCallback, "SetRenderCallback", kIn, 0, sizeof(AURenderCallbackStruct), false,
   Writable::Yes, true},
  {kAudioUnitProperty_FactoryPresets, "FactoryPresets", kGlobal, 0, sizeof(CFArrayRef), false, Writable::No, true},
  {kAudioUnitProperty_HostCallbacks, "HostCallbacks", kGlobal, 0, sizeof(HostCallbackInfo), false, Writable::Yes,
   true},
  {kAudioUnitProperty_CurrentPreset, "CurrentPreset", kGlobal, 0, sizeof(AUPreset), false, Writable::Yes, true},
  {kAudioUnitProperty_PresentPreset, "PresentPreset", kGlobal, 0, sizeof(AUPreset), false, Writable::Yes, true},
  {kAudioUnitProperty_ParameterStringFromValue, "ParameterStringFromValue", kGlobal, 0,
   sizeof(AudioUnitParameterStringFromValue), false, Writable::No, false},
  {kAudioUnitProperty_ParameterIDName, "ParameterIDName", kGlobal, 0, sizeof(AudioUnitParameterIDName), false,
   Writable::No, false},
  {kAudioUnitProperty_ParameterClumpName, "ParameterClumpName", kGlobal, 0, sizeof(AudioUnitParameterNameInfo),
   false, Writable::No, false},
  {kAudioUnitProperty_ParameterValueFromString, "ParameterValueFromString", kGlobal, 0,
   sizeof(AudioUnitParameterValueFromString), false, Writable::No, false},
};

template <class T>
T ValueAt(const std::vector<std::uint64_t>& data) noexcept
{
  T value;
  std::memcpy(&value, data.data(), sizeof value);
  return value;
}

// What the value read back gets wrong, for the properties whose value any
// unit must have; releases the objects the unit handed out.
std::string ValueProblem(const Expectation& e, const std::vector<std::uint64_t>& data)
{
  switch (e.id)
  {
    case kAudioUnitProperty_ClassInfo:
    {
      const auto dict = ValueAt<CFTypeRef>(data);
      const bool isDict = dict && CFGetTypeID(dict) == CFDictionaryGetTypeID();
      if (dict)
        CFRelease(dict);
      return isDict ? std::string() : "is not a dictionary";
    }
    case kAudioUnitProperty_FactoryPresets:
    {
      const auto array = ValueAt<CFArrayRef>(data);
      const bool isArray = array && CFGetTypeID(array) == CFArrayGetTypeID();
      if (array)
        CFRelease(array);
      return isArray ? std::string() : "is not an array";
    }
    case kAudioUnitProperty_CurrentPreset:
    case kAudioUnitProperty_PresentPreset:
    {
      const auto preset = ValueAt<AUPreset>(data);
      const bool named = preset.presetName && CFGetTypeID(preset.presetName) == CFStringGetTypeID();
      if (preset.presetName)
        CFRelease(preset.presetName);
      return named ? std::string() : "has no name string";
    }
    case kAudioUnitProperty_SampleRate:
    {
      const auto rate = ValueAt<Float64>(data);
      return std::isfinite(rate) && rate > 0.0 ? std::string() : "is " + ValueText(rate);
    }
    case kAudioUnitProperty_Latency:
    {
      const auto seconds = ValueAt<Float64>(data);
      return std::isfinite(seconds) && seconds >= 0.0 ? std::string() : "is " + ValueText(seconds) + " s";
    }
    case kAudioUnitProperty_TailTime:
    {
      const auto seconds = ValueAt<Float64>(data);
      return seconds >= 0.0 ? std::string() : "is " + ValueText(seconds) + " s";
    }
    case kAudioUnitProperty_ElementCount:
    {
      const auto count = ValueAt<UInt32>(data);
      return e.scope == kOut && count < 1 ? "is 0: no output bus" : std::string();
    }
    case kAudioUnitProperty_MaximumFramesPerSlice:
      return ValueAt<UInt32>(data) >= 1 ? std::string() : "is 0";
    case kAudioUnitProperty_BypassEffect:
      return ValueAt<UInt32>(data) == 0 ? std::string() : "is on in a new instance";
    case kAudioUnitProperty_LastRenderError:
      return ValueAt<OSStatus>(data) == noErr ? std::string() : "is " + StatusText(ValueAt<OSStatus>(data));
    default:
      return {};
  }
}

void CheckProperty(AudioUnit unit, const Expectation& e, PhaseResult& result)
{
  const std::string label = std::string(e.name) + " (" + std::to_string(e.id) + ", " + ScopeName(e.scope) + " " +
                            std::to_string(e.element) + ")";
  UInt32 size = 0;
  Boolean writable = false;
  OSStatus status = AudioUnitGetPropertyInfo(unit, e.id, e.scope, e.element, &size, &writable);
  if (status != noErr)
  {
    result.Fail(label + " is not answered (" + StatusText(status) + ")");
    return;
  }
  const bool sizeOK = e.list ? size % e.size == 0 : size == e.size;
  if (!sizeOK)
    result.Fail(label + " reports " + std::to_string(size) + " bytes, expected " +
                (e.list ? "a multiple of " : "") + std::to_string(e.size));
  if (e.writable != Writable::Either && (writable != 0) != (e.writable == Writable::Yes))
    result.Fail(label + (writable ? " reports writable" : " reports not writable"));
  if (!e.readBack || !sizeOK)
    return;

  // Room for the value and a word more, 8-byte aligned.
  std::vector<std::uint64_t> data(size / sizeof(std::uint64_t) + 2, 0);
  UInt32 got = static_cast<UInt32>(data.size() * sizeof(std::uint64_t));
  status = AudioUnitGetProperty(unit, e.id, e.scope, e.element, data.data(), &got);
  if (status != noErr)
  {
    result.Fail(label + " answers its size but not its value (" + StatusText(status) + ")");
    return;
  }
  if (got != size)
    result.Fail(label + " writes " + std::to_string(got) + " bytes, its information says " + std::to_string(size));
  const std::string problem = ValueProblem(e, data);
  if (!problem.empty())
    result.Fail(label + " " + problem);
}

} // namespace

PhaseResult ValidateDefaultFormats(const LoadedComponent& component)
{
  PhaseResult result("default formats");
  UnitInstance instance;
  if (!OpenInstance(component, instance, result))
    return result;
  const AudioUnit unit = instance.Unit();
  std::string buses;
  double rate = 0.0;
  for (AudioUnitScope scope : {kIn, kOut})
  {
    UInt32 count = 0;
    UInt32 size = sizeof count;
    const OSStatus status = AudioUnitGetProperty(unit, kAudioUnitProperty_ElementCount, scope, 0, &count, &size);
    if (status != noErr)
    {
      result.Fail(std::string("ElementCount of the ") + ScopeName(scope) + " scope is not answered (" +
                  StatusText(status) + ")");
      continue;
    }
    if (scope == kOut && count == 0)
      result.Fail("no output bus");
    for (UInt32 element = 0; element < count; ++element)
    {
      const std::string bus = std::string(ScopeName(scope)) + " " + std::to_string(element);
      AudioStreamBasicDescription asbd{};
      UInt32 asbdSize = sizeof asbd;
      const OSStatus got = AudioUnitGetProperty(unit, kAudioUnitProperty_StreamFormat, scope, element, &asbd,
                                                &asbdSize);
      if (got != noErr || asbdSize != sizeof asbd)
      {
        result.Fail(bus + " reports no stream format (" + StatusText(got) + ", " + std::to_string(asbdSize) +
                    " bytes)");
        continue;
      }
      const std::string problems = FormatProblems(asbd);
      if (!problems.empty())
        result.Fail(bus + ": " + problems);
      if (rate > 0.0 && asbd.mSampleRate != rate)
        result.Fail(bus + " runs at " + ValueText(asbd.mSampleRate) + " Hz, the buses before at " + ValueText(rate));
      rate = asbd.mSampleRate;
      buses += (buses.empty() ? "" : ", ") + bus + " " + std::to_string(asbd.mChannelsPerFrame) + " ch";
    }
  }
  result.SetSummary(buses + "; 32-bit float, non-interleaved, " + ValueText(rate) + " Hz");
  return result;
}

PhaseResult ValidateRequiredProperties(const LoadedComponent& component)
{
  PhaseResult result("required properties");
  UnitInstance instance;
  if (!OpenInstance(component, instance, result))
    return result;
  const AudioUnit unit = instance.Unit();
  std::size_t checked = 0;
  for (const Expectation& e : kRequired)
  {
    CheckProperty(unit, e, result);
    ++checked;
  }
  // The first parameter's information record, when there is a parameter.
  UInt32 listSize = 0;
  Boolean writable = false;
  if (AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_ParameterList, kGlobal, 0, &listSize, &writable) == noErr &&
      listSize >= sizeof(AudioUnitParameterID))
  {
    std::vector<AudioUnitParameterID> ids(listSize / sizeof(AudioUnitParameterID));
    if (AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterList, kGlobal, 0, ids.data(), &listSize) == noErr)
    {
      const Expectation info{kAudioUnitProperty_ParameterInfo, "ParameterInfo", kGlobal, ids[0],
                             sizeof(AudioUnitParameterInfo), false, Writable::No, false};
      CheckProperty(unit, info, result);
      ++checked;
    }
  }
  // A property no unit has.
  constexpr AudioUnitPropertyID kUnknown = 0x7E57AB1E;
  UInt32 size = 0;
  const OSStatus unknown = AudioUnitGetPropertyInfo(unit, kUnknown, kGlobal, 0, &size, &writable);
  result.Expect(unknown == kAudioUnitErr_InvalidProperty,
                "an unknown property answers " + StatusText(unknown) + ", expected -10879");
  result.SetSummary(std::to_string(checked) + " properties answered with the right sizes and writability; an "
                    "unknown one refused");
  return result;
}

} // namespace pw::host
