// The phase "parameters": every parameter's information record, value
// strings, names and text conversions, and set/get round trips at the
// minimum, the maximum, the default, out of range and with non-finite
// values; then parameter IDs the unit does not have and the wrong scope,
// which must change nothing.

#include "UnitInstance.h"
#include "ValidatorPhases.h"

#include <AudioToolbox/AudioUnitProperties.h>
#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFString.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace pw::host {

namespace {

constexpr AudioUnitScope kGlobal = kAudioUnitScope_Global;
// A value read back may differ from the one set by this fraction of the
// parameter's range (stepped parameters round in double precision).
constexpr double kRoundTripTolerance = 1e-5;
// ParameterIDName is asked for this many characters.
constexpr SInt32 kShortNameLength = 5;

std::string TextOf(CFStringRef string)
{
  if (!string || CFGetTypeID(string) != CFStringGetTypeID())
    return {};
  const CFIndex room = CFStringGetMaximumSizeForEncoding(CFStringGetLength(string), kCFStringEncodingUTF8) + 1;
  std::string text(static_cast<std::size_t>(std::max<CFIndex>(room, 1)), '\0');
  if (!CFStringGetCString(string, &text[0], static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8))
    return {};
  text.resize(std::strlen(text.c_str()));
  return text;
}

std::size_t CharacterCount(const std::string& utf8) noexcept
{
  return static_cast<std::size_t>(
    std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

bool IsIndexed(AudioUnitParameterUnit unit) noexcept
{
  return unit == kAudioUnitParameterUnit_Indexed || unit == kAudioUnitParameterUnit_Boolean;
}

bool IsWhole(float value) noexcept
{
  return std::floor(value) == value;
}

class ParameterChecker
{
public:
  ParameterChecker(AudioUnit unit, AudioUnitParameterID id, PhaseResult& result)
  : mUnit(unit)
  , mID(id)
  , mResult(result)
  {}

  void Run()
  {
    if (!ReadInfo())
      return;
    CheckValueStrings();
    CheckNames();
    for (float value : {mInfo.minValue, mInfo.maxValue, mInfo.defaultValue})
      CheckText(value);
    CheckRoundTrips();
  }

private:
  void Fail(const std::string& what) { mResult.Fail(mLabel + ": " + what); }

  bool ReadInfo()
  {
    mLabel = "parameter " + std::to_string(mID);
    UInt32 size = 0;
    Boolean writable = false;
    OSStatus status = AudioUnitGetPropertyInfo(mUnit, kAudioUnitProperty_ParameterInfo, kGlobal, mID, &size, &writable);
    if (status != noErr || size != sizeof(AudioUnitParameterInfo))
    {
      Fail("ParameterInfo reports " + std::to_string(size) + " bytes (" + StatusText(status) + "), expected 104");
      return false;
    }
    size = sizeof mInfo;
    status = AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterInfo, kGlobal, mID, &mInfo, &size);
    if (status != noErr || size != sizeof mInfo)
    {
      Fail("no information record (" + StatusText(status) + ")");
      return false;
    }
    const std::size_t nameBytes = strnlen(mInfo.name, sizeof mInfo.name);
    const std::string shortName(mInfo.name, nameBytes);
    if ((mInfo.flags & kAudioUnitParameterFlag_HasCFNameString) && mInfo.cfNameString)
      mName = TextOf(mInfo.cfNameString);
    if ((mInfo.flags & kAudioUnitParameterFlag_CFNameRelease) && mInfo.cfNameString)
      CFRelease(mInfo.cfNameString);
    mInfo.cfNameString = nullptr;
    if (mName.empty())
      mName = shortName;
    mLabel += " '" + mName + "'";

    bool usable = true;
    if (nameBytes == sizeof mInfo.name)
      Fail("the name field is not terminated");
    if (mName.empty())
      Fail("no name");
    else if (mName.compare(0, shortName.size(), shortName) != 0)
      Fail("the name field '" + shortName + "' does not begin the name string");
    if (!(mInfo.flags & kAudioUnitParameterFlag_IsReadable) || !(mInfo.flags & kAudioUnitParameterFlag_IsWritable))
      Fail("not flagged readable and writable");
    if (!std::isfinite(mInfo.minValue) || !std::isfinite(mInfo.maxValue) || !std::isfinite(mInfo.defaultValue) ||
        mInfo.minValue > mInfo.maxValue)
    {
      Fail("range " + ValueText(mInfo.minValue) + " to " + ValueText(mInfo.maxValue) + ", default " +
           ValueText(mInfo.defaultValue));
      usable = false;
    }
    else if (mInfo.defaultValue < mInfo.minValue || mInfo.defaultValue > mInfo.maxValue)
      Fail("the default " + ValueText(mInfo.defaultValue) + " lies outside " + ValueText(mInfo.minValue) + " to " +
           ValueText(mInfo.maxValue));
    if (mInfo.unit > kAudioUnitParameterUnit_MIDI2Controller)
      Fail("unknown unit " + std::to_string(mInfo.unit));
    if (mInfo.unit == kAudioUnitParameterUnit_CustomUnit && TextOf(mInfo.unitName).empty())
      Fail("a custom unit without a unit name");
    if (IsIndexed(mInfo.unit) && (!IsWhole(mInfo.minValue) || !IsWhole(mInfo.maxValue) || !IsWhole(mInfo.defaultValue)))
      Fail("an indexed parameter with a fractional range or default");
    if (mInfo.unit == kAudioUnitParameterUnit_Boolean && (mInfo.minValue != 0.0f || mInfo.maxValue != 1.0f))
      Fail("a boolean parameter whose range is not 0 to 1");
    return usable;
  }

  void CheckValueStrings()
  {
    CFArrayRef strings = nullptr;
    UInt32 size = sizeof strings;
    const OSStatus status =
      AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterValueStrings, kGlobal, mID, &strings, &size);
    const bool flagged = (mInfo.flags & kAudioUnitParameterFlag_ValuesHaveStrings) != 0;
    if (!flagged)
    {
      if (status == noErr)
        Fail("answers value strings without the values-have-strings flag");
      if (strings)
        CFRelease(strings);
      return;
    }
    if (status != noErr || !strings || CFGetTypeID(strings) != CFArrayGetTypeID())
    {
      Fail("flagged with value strings but ParameterValueStrings answers none (" + StatusText(status) + ")");
      if (strings)
        CFRelease(strings);
      return;
    }
    for (CFIndex i = 0; i < CFArrayGetCount(strings); ++i)
    {
      const auto text = static_cast<CFStringRef>(CFArrayGetValueAtIndex(strings, i));
      if (!text || CFGetTypeID(text) != CFStringGetTypeID())
        Fail("value string " + std::to_string(i) + " is not a string");
      mValueStrings.push_back(TextOf(text));
    }
    CFRelease(strings);
    // Entry i is the text of value i.
    const double expected = static_cast<double>(mInfo.maxValue) + 1.0;
    if (IsIndexed(mInfo.unit) && mInfo.minValue == 0.0f && static_cast<double>(mValueStrings.size()) != expected)
      Fail(std::to_string(mValueStrings.size()) + " value strings for the values 0 to " + ValueText(mInfo.maxValue));
    if (mValueStrings.empty())
      Fail("an empty list of value strings");
  }

  void CheckNames()
  {
    for (const SInt32 length : {static_cast<SInt32>(kAudioUnitParameterName_Full), kShortNameLength})
    {
      AudioUnitParameterIDName record{mID, length, nullptr};
      UInt32 size = sizeof record;
      const OSStatus status = AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterIDName, kGlobal, 0, &record, &size);
      const std::string name = TextOf(record.outName);
      if (record.outName)
        CFRelease(record.outName);
      if (status != noErr || !record.outName)
      {
        Fail("ParameterIDName answers no name (" + StatusText(status) + ")");
        return;
      }
      if (length == kAudioUnitParameterName_Full && name != mName)
        Fail("ParameterIDName gives '" + name + "' for the full name");
      if (length == kShortNameLength &&
          (CharacterCount(name) > static_cast<std::size_t>(kShortNameLength) || mName.compare(0, name.size(), name) != 0))
        Fail("ParameterIDName gives '" + name + "' for the first " + std::to_string(kShortNameLength) + " characters");
    }
    if (mInfo.flags & kAudioUnitParameterFlag_HasClump)
    {
      AudioUnitParameterNameInfo record{mInfo.clumpID, kAudioUnitParameterName_Full, nullptr};
      UInt32 size = sizeof record;
      const OSStatus status =
        AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterClumpName, kGlobal, 0, &record, &size);
      const std::string clump = TextOf(record.outName);
      if (record.outName)
        CFRelease(record.outName);
      if (status != noErr || clump.empty())
        Fail("clump " + std::to_string(mInfo.clumpID) + " has no name (" + StatusText(status) + ")");
    }
  }

  // The text of value, and the value of that text.
  bool TextAndBack(float value, std::string& text, float& back, OSStatus& status)
  {
    AudioUnitParameterStringFromValue toText{mID, &value, nullptr};
    UInt32 size = sizeof toText;
    status = AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterStringFromValue, kGlobal, 0, &toText, &size);
    text = TextOf(toText.outString);
    const bool gotText = status == noErr && toText.outString && !text.empty();
    if (toText.outString)
      CFRelease(toText.outString);
    if (!gotText)
      return false;
    CFStringRef in = CFStringCreateWithCString(kCFAllocatorDefault, text.c_str(), kCFStringEncodingUTF8);
    AudioUnitParameterValueFromString toValue{mID, in, std::numeric_limits<float>::quiet_NaN()};
    size = sizeof toValue;
    status = AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterValueFromString, kGlobal, 0, &toValue, &size);
    if (in)
      CFRelease(in);
    back = toValue.outValue;
    return status == noErr;
  }

  void CheckText(float value)
  {
    std::string text;
    float back = 0.0f;
    OSStatus status = noErr;
    if (!TextAndBack(value, text, back, status))
    {
      Fail("no text for " + ValueText(value) + " through ParameterStringFromValue and back (" + StatusText(status) +
           ")");
      return;
    }
    if (!std::isfinite(back) || back < mInfo.minValue || back > mInfo.maxValue)
    {
      Fail("'" + text + "' reads back as " + ValueText(back));
      return;
    }
    if (!mValueStrings.empty() && IsIndexed(mInfo.unit))
    {
      // The text of an index is its value string, and reads back exactly.
      const auto index = static_cast<std::size_t>(value - mInfo.minValue);
      if (index < mValueStrings.size() && text != mValueStrings[index])
        Fail("the text of " + ValueText(value) + " is '" + text + "', its value string '" + mValueStrings[index] + "'");
      if (back != value)
        Fail("'" + text + "' reads back as " + ValueText(back) + ", not " + ValueText(value));
      return;
    }
    // A rounded display reads back to a value that shows the same text.
    std::string again;
    float ignored = 0.0f;
    if (!TextAndBack(back, again, ignored, status) || again != text)
      Fail("'" + text + "' reads back as " + ValueText(back) + ", which shows as '" + again + "'");
  }

  bool Near(float got, float expected) const noexcept
  {
    const double range = std::max(1.0, static_cast<double>(mInfo.maxValue) - mInfo.minValue);
    return std::fabs(static_cast<double>(got) - expected) <= kRoundTripTolerance * range;
  }

  // Sets value; answers the status and the value read back.
  OSStatus SetAndGet(float value, float& got)
  {
    const OSStatus status = AudioUnitSetParameter(mUnit, mID, kGlobal, 0, value, 0);
    got = std::numeric_limits<float>::quiet_NaN();
    const OSStatus read = AudioUnitGetParameter(mUnit, mID, kGlobal, 0, &got);
    if (read != noErr)
      Fail("GetParameter answers " + StatusText(read));
    return status;
  }

  // Out of range, the unit either clamps (0, the nearest end read back) or
  // refuses (-10851, the value unchanged): answers which, or "" when it did
  // neither.
  std::string OutOfRange(float value, float nearestEnd)
  {
    float before = 0.0f;
    SetAndGet(mInfo.defaultValue, before);
    float got = 0.0f;
    const OSStatus status = SetAndGet(value, got);
    if (status == noErr && Near(got, nearestEnd))
      return "clamps";
    if (status == kAudioUnitErr_InvalidPropertyValue && got == before)
      return "refuses";
    Fail("setting " + ValueText(value) + " answers " + StatusText(status) + " and reads back " + ValueText(got) +
         ": neither clamped to " + ValueText(nearestEnd) + " nor refused with -10851");
    return {};
  }

  void CheckRoundTrips()
  {
    for (float value : {mInfo.minValue, mInfo.maxValue, mInfo.defaultValue})
    {
      float got = 0.0f;
      const OSStatus status = SetAndGet(value, got);
      if (status != noErr || !Near(got, value))
        Fail("setting " + ValueText(value) + " answers " + StatusText(status) + " and reads back " + ValueText(got));
    }

    const float span = std::max(1.0f, mInfo.maxValue - mInfo.minValue);
    const std::string above = OutOfRange(mInfo.maxValue + span, mInfo.maxValue);
    const std::string below = OutOfRange(mInfo.minValue - span, mInfo.minValue);
    if (!above.empty() && !below.empty() && above != below)
      Fail("it " + above + " values above its range but " + below + " values below");

    for (float value : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                        -std::numeric_limits<float>::infinity()})
    {
      float before = 0.0f;
      SetAndGet(mInfo.defaultValue, before);
      float got = 0.0f;
      const OSStatus status = SetAndGet(value, got);
      if (status != kAudioUnitErr_InvalidPropertyValue || got != before)
        Fail("setting " + ValueText(value) + " answers " + StatusText(status) + " and reads back " + ValueText(got) +
             ", expected -10851 and " + ValueText(before));
    }
    float ignored = 0.0f;
    SetAndGet(mInfo.defaultValue, ignored);
  }

  AudioUnit mUnit;
  AudioUnitParameterID mID;
  PhaseResult& mResult;
  AudioUnitParameterInfo mInfo{};
  std::string mName;
  std::string mLabel;
  std::vector<std::string> mValueStrings;
};

std::vector<float> Snapshot(AudioUnit unit, const std::vector<AudioUnitParameterID>& ids)
{
  std::vector<float> values;
  for (AudioUnitParameterID id : ids)
  {
    float value = std::numeric_limits<float>::quiet_NaN();
    AudioUnitGetParameter(unit, id, kGlobal, 0, &value);
    values.push_back(value);
  }
  return values;
}

bool SameValues(const std::vector<float>& a, const std::vector<float>& b) noexcept
{
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// IDs the unit does not have answer -10878 everywhere, the wrong scope
// -10879, and neither changes a parameter.
void CheckRefusals(AudioUnit unit, const std::vector<AudioUnitParameterID>& ids, PhaseResult& result)
{
  const std::vector<float> before = Snapshot(unit, ids);
  const AudioUnitParameterID unknownIDs[] = {ids.empty() ? 0 : *std::max_element(ids.begin(), ids.end()) + 1,
                                             0xFFFFFFFFu};
  for (AudioUnitParameterID id : unknownIDs)
  {
    const std::string label = "unknown parameter " + std::to_string(id);
    float value = 0.0f;
    OSStatus status = AudioUnitGetParameter(unit, id, kGlobal, 0, &value);
    result.Expect(status == kAudioUnitErr_InvalidParameter, label + ": GetParameter answers " + StatusText(status));
    status = AudioUnitSetParameter(unit, id, kGlobal, 0, 0.5f, 0);
    result.Expect(status == kAudioUnitErr_InvalidParameter, label + ": SetParameter answers " + StatusText(status));

    AudioUnitParameterEvent event{};
    event.scope = kGlobal;
    event.parameter = id;
    event.eventType = kParameterEvent_Immediate;
    event.eventValues.immediate.value = 0.5f;
    status = AudioUnitScheduleParameters(unit, &event, 1);
    result.Expect(status == kAudioUnitErr_InvalidParameter,
                  label + ": ScheduleParameters answers " + StatusText(status));

    AudioUnitParameterInfo info{};
    UInt32 size = sizeof info;
    status = AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterInfo, kGlobal, id, &info, &size);
    result.Expect(status == kAudioUnitErr_InvalidParameter, label + ": ParameterInfo answers " + StatusText(status));

    AudioUnitParameterStringFromValue toText{id, &value, nullptr};
    size = sizeof toText;
    status = AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterStringFromValue, kGlobal, 0, &toText, &size);
    if (toText.outString)
      CFRelease(toText.outString);
    result.Expect(status == kAudioUnitErr_InvalidParameter,
                  label + ": ParameterStringFromValue answers " + StatusText(status));

    AudioUnitParameterIDName name{id, kAudioUnitParameterName_Full, nullptr};
    size = sizeof name;
    status = AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterIDName, kGlobal, 0, &name, &size);
    if (name.outName)
      CFRelease(name.outName);
    result.Expect(status == kAudioUnitErr_InvalidParameter, label + ": ParameterIDName answers " + StatusText(status));

    CFStringRef text = CFStringCreateWithCString(kCFAllocatorDefault, "1", kCFStringEncodingUTF8);
    AudioUnitParameterValueFromString toValue{id, text, 0.0f};
    size = sizeof toValue;
    status = AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterValueFromString, kGlobal, 0, &toValue, &size);
    if (text)
      CFRelease(text);
    result.Expect(status == kAudioUnitErr_InvalidParameter,
                  label + ": ParameterValueFromString answers " + StatusText(status));
  }

  AudioUnitParameterNameInfo clump{0x7FFF, kAudioUnitParameterName_Full, nullptr};
  UInt32 size = sizeof clump;
  const OSStatus clumpStatus =
    AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterClumpName, kGlobal, 0, &clump, &size);
  if (clump.outName)
    CFRelease(clump.outName);
  result.Expect(clumpStatus == kAudioUnitErr_PropertyNotInUse,
                "an unknown clump answers " + StatusText(clumpStatus) + ", expected -10850");

  if (!ids.empty())
  {
    const OSStatus status = AudioUnitSetParameter(unit, ids[0], kAudioUnitScope_Input, 0, 0.5f, 0);
    result.Expect(status == kAudioUnitErr_InvalidProperty,
                  "SetParameter in the input scope answers " + StatusText(status) + ", expected -10879");
  }
  result.Expect(SameValues(before, Snapshot(unit, ids)), "a refused call changed a parameter");
}

} // namespace

PhaseResult ValidateParameters(const LoadedComponent& component)
{
  PhaseResult result("parameters");
  UnitInstance instance;
  if (!OpenInstance(component, instance, result))
    return result;
  const AudioUnit unit = instance.Unit();
  UInt32 size = 0;
  Boolean writable = false;
  OSStatus status = AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_ParameterList, kGlobal, 0, &size, &writable);
  if (status != noErr || size % sizeof(AudioUnitParameterID) != 0)
  {
    result.Fail("ParameterList is not answered (" + StatusText(status) + ", " + std::to_string(size) + " bytes)");
    return result;
  }
  std::vector<AudioUnitParameterID> ids(size / sizeof(AudioUnitParameterID));
  if (!ids.empty())
  {
    status = AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterList, kGlobal, 0, ids.data(), &size);
    if (status != noErr || size != ids.size() * sizeof(AudioUnitParameterID))
    {
      result.Fail("ParameterList cannot be read (" + StatusText(status) + ")");
      return result;
    }
  }
  for (AudioUnitParameterID id : ids)
    ParameterChecker(unit, id, result).Run();
  CheckRefusals(unit, ids, result);
  result.SetSummary(std::to_string(ids.size()) +
                    " parameters: information records, value strings, names and text conversions; set and get at "
                    "minimum, maximum, default, out of range and non-finite; unknown IDs and clumps refused");
  return result;
}

} // namespace pw::host
