#include "Parameters.h"

#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFString.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace pw::host {

namespace {

std::string StringFromCF(CFStringRef string)
{
  if (!string || CFGetTypeID(string) != CFStringGetTypeID())
    return {};
  const CFIndex size = CFStringGetMaximumSizeForEncoding(CFStringGetLength(string), kCFStringEncodingUTF8);
  if (size < 0)
    return {};
  std::string text(static_cast<std::size_t>(size) + 1, '\0');
  if (!CFStringGetCString(string, &text[0], size + 1, kCFStringEncodingUTF8))
    return {};
  text.resize(std::strlen(text.c_str()));
  return text;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) noexcept
{
  return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

std::string FormatValue(float value)
{
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  return text;
}

void ReadValueStrings(AudioUnit unit, ParameterDescription& parameter)
{
  CFArrayRef strings = nullptr;
  UInt32 size = sizeof strings;
  if (AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterValueStrings, kAudioUnitScope_Global, parameter.id,
                           &strings, &size) != noErr || !strings)
    return;
  if (CFGetTypeID(strings) == CFArrayGetTypeID())
    for (CFIndex i = 0; i < CFArrayGetCount(strings); ++i)
      parameter.valueStrings.push_back(StringFromCF(static_cast<CFStringRef>(CFArrayGetValueAtIndex(strings, i))));
  CFRelease(strings);
}

bool Blank(char c) noexcept
{
  return c == ' ' || c == '\t';
}

std::string Trimmed(const std::string& text)
{
  std::size_t start = 0;
  std::size_t stop = text.size();
  while (start < stop && Blank(text[start]))
    ++start;
  while (stop > start && Blank(text[stop - 1]))
    --stop;
  return text.substr(start, stop - start);
}

// A finite decimal number, then optionally unit (any case): "-24",
// "-24 dB", "-24dB", "200%"; blanks may come before the number and after
// it, not after the unit. An empty unit takes the bare number only.
bool ReadNumberWithUnit(const std::string& text, const std::string& unit, double& out)
{
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || errno == ERANGE || !std::isfinite(value))
    return false;
  std::size_t rest = static_cast<std::size_t>(end - text.c_str());
  while (rest < text.size() && Blank(text[rest]))
    ++rest;
  if (rest < text.size() && !EqualIgnoringCase(text.substr(rest), unit))
    return false;
  out = value;
  return true;
}

} // namespace

Status ListParameters(AudioUnit unit, std::vector<ParameterDescription>& out)
{
  out.clear();
  UInt32 size = 0;
  Boolean writable = false;
  if (AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, &size, &writable) !=
        noErr || size == 0)
    return Status::Ok();
  std::vector<AudioUnitParameterID> ids(size / sizeof(AudioUnitParameterID));
  size = static_cast<UInt32>(ids.size() * sizeof(AudioUnitParameterID));
  if (AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, ids.data(), &size) !=
      noErr)
    return Status::Ok();
  ids.resize(size / sizeof(AudioUnitParameterID));

  std::vector<ParameterDescription> parameters;
  for (AudioUnitParameterID id : ids)
  {
    AudioUnitParameterInfo info{};
    UInt32 infoSize = sizeof info;
    const OSStatus status =
      AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, id, &info, &infoSize);
    if (status != noErr)
      return Status::Error("the component cannot describe its parameter " + std::to_string(id) + " (status " +
                           std::to_string(status) + ")");
    ParameterDescription parameter;
    parameter.id = id;
    if ((info.flags & kAudioUnitParameterFlag_HasCFNameString) && info.cfNameString)
      parameter.name = StringFromCF(info.cfNameString);
    if (parameter.name.empty())
      parameter.name.assign(info.name, strnlen(info.name, sizeof info.name));
    if ((info.flags & kAudioUnitParameterFlag_CFNameRelease) && info.cfNameString)
      CFRelease(info.cfNameString);
    parameter.unit = info.unit;
    // The unit keeps its unit names; only the name string is the host's.
    if (info.unit == kAudioUnitParameterUnit_CustomUnit)
      parameter.unitName = StringFromCF(info.unitName);
    parameter.minValue = info.minValue;
    parameter.maxValue = info.maxValue;
    parameter.defaultValue = info.defaultValue;
    parameter.flags = info.flags;
    if (info.flags & kAudioUnitParameterFlag_ValuesHaveStrings)
      ReadValueStrings(unit, parameter);
    parameters.push_back(std::move(parameter));
  }
  out = std::move(parameters);
  return Status::Ok();
}

Status ResolveParameter(const std::vector<ParameterDescription>& parameters, const std::string& name,
                        const std::string& valueText, ParameterSetting& out)
{
  const ParameterDescription* found = nullptr;
  for (const ParameterDescription& p : parameters)
    if (p.name == name)
      found = &p;
  if (!found)
  {
    int matches = 0;
    for (const ParameterDescription& p : parameters)
      if (EqualIgnoringCase(p.name, name))
      {
        found = &p;
        ++matches;
      }
    if (matches > 1)
      return Status::Error("parameter name '" + Excerpt(name) + "' is ambiguous: give it with its exact case");
  }
  if (!found)
    return Status::Error("unknown parameter '" + Excerpt(name) + "'");

  const ParameterDescription& p = *found;
  const std::string text = Trimmed(valueText);
  double value = 0.0;
  bool parsed = false;
  // A value name, or a number equal to a value name that is a number ("3",
  // "3.0", "03" are all the name "3"); any other number is the value itself.
  for (std::size_t i = 0; i < p.valueStrings.size() && !parsed; ++i)
    if (EqualIgnoringCase(p.valueStrings[i], text))
      value = static_cast<double>(i), parsed = true;
  double number = 0.0;
  if (!parsed && ReadNumberWithUnit(text, {}, number))
    for (std::size_t i = 0; i < p.valueStrings.size() && !parsed; ++i)
    {
      double named = 0.0;
      if (ReadNumberWithUnit(p.valueStrings[i], {}, named) && named == number)
        value = static_cast<double>(i), parsed = true;
    }
  if (!parsed && p.unit == kAudioUnitParameterUnit_Boolean)
  {
    static const char* const kOn[] = {"on", "true", "yes"};
    static const char* const kOff[] = {"off", "false", "no"};
    for (int i = 0; i < 3 && !parsed; ++i)
    {
      if (strcasecmp(text.c_str(), kOn[i]) == 0)
        value = 1.0, parsed = true;
      else if (strcasecmp(text.c_str(), kOff[i]) == 0)
        value = 0.0, parsed = true;
    }
  }
  const std::string unit = UnitSuffix(p);
  if (!parsed)
    parsed = ReadNumberWithUnit(text, unit, value);
  if (!parsed)
  {
    std::string message = "'" + Excerpt(valueText) + "' is not a value of parameter '" + p.name + "'";
    if (!p.valueStrings.empty())
    {
      message += " (one of:";
      for (const std::string& s : p.valueStrings)
        message += " " + s;
      message += ")";
    }
    else if (p.unit == kAudioUnitParameterUnit_Boolean)
      message += " (on or off)";
    else
      message += " (a number" + (unit.empty() ? std::string() : " in " + unit) + " from " + FormatValue(p.minValue) +
                 " to " + FormatValue(p.maxValue) + (unit.empty() ? std::string() : ", the unit optional") + ")";
    return Status::Error(message);
  }
  if (value < p.minValue || value > p.maxValue)
    return Status::Error("value " + Excerpt(text) + " of parameter '" + p.name + "' is outside its range " +
                         FormatValue(p.minValue) + " to " + FormatValue(p.maxValue) +
                         (unit.empty() ? std::string() : " " + unit));
  out.id = p.id;
  out.name = p.name;
  out.value = static_cast<float>(value);
  return Status::Ok();
}

std::string UnitSuffix(const ParameterDescription& parameter)
{
  switch (parameter.unit)
  {
    case kAudioUnitParameterUnit_Percent: return "%";
    case kAudioUnitParameterUnit_Seconds: return "s";
    case kAudioUnitParameterUnit_Milliseconds: return "ms";
    case kAudioUnitParameterUnit_SampleFrames: return "samples";
    case kAudioUnitParameterUnit_Hertz: return "Hz";
    case kAudioUnitParameterUnit_Cents:
    case kAudioUnitParameterUnit_AbsoluteCents: return "cents";
    case kAudioUnitParameterUnit_RelativeSemiTones: return "semitones";
    case kAudioUnitParameterUnit_Decibels: return "dB";
    case kAudioUnitParameterUnit_Degrees: return "deg";
    case kAudioUnitParameterUnit_Meters: return "m";
    case kAudioUnitParameterUnit_Octaves: return "octaves";
    case kAudioUnitParameterUnit_BPM: return "BPM";
    case kAudioUnitParameterUnit_Beats: return "beats";
    case kAudioUnitParameterUnit_Ratio: return ":1";
    case kAudioUnitParameterUnit_CustomUnit: return parameter.unitName;
    default: return {};
  }
}

} // namespace pw::host
