// Parameters towards the host, driven through the Audio Unit calls a host
// makes: GetParameter, SetParameter and ScheduleParameters, the parameter
// properties (information records, value strings, names, clumps, text
// conversions), gestures delivered to AU event listeners, and the property
// notifications of parameter, preset and latency changes.

#include "AUTestNames.h"
#include "AUTestHost.h"

#include "AllocationCounter.h"

#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace pw::test {

// A shape that reports the exponential display type.
class ExpDisplayShape : public weft::IParam::ShapeLinear
{
public:
  std::unique_ptr<Shape> Clone() const override { return std::make_unique<ExpDisplayShape>(); }
  weft::IParam::EDisplayType GetDisplayType() const noexcept override { return weft::IParam::kDisplayExp; }
};

// The test plug-in with a parameter of every kind the binding describes,
// and one double parameter per unit of IParam::EParamUnit (the last one
// custom, labelled "px").
class ParamsTestPlugin : public TestAUPlugin
{
public:
  static constexpr int kFirstUnitParam = 14;
  static constexpr int kNumParams = kFirstUnitParam + weft::IParam::kUnitCustom + 1;

  explicit ParamsTestPlugin(const weft::InstanceInfo& info)
  : TestAUPlugin(info, MakeTestConfig("2-2", kNumParams, 1, false, 0, false, 0, 0x50726d73 /* "Prms" */,
                                      "com.acme.paramstest"))
  {
    using weft::IParam;
    GetParam(1)->InitBool("Bypass", true);
    GetParam(2)->InitInt("Voices", 8, 1, 16, "", IParam::kFlagCannotAutomate);
    GetParam(3)->InitEnum("Mode", 1, {"Soft", "Hard", "Fold"}, 0, "Shape");
    GetParam(4)->InitGain("Drive", 0.0, -24.0, 24.0, 0.5, 0, "Shape");
    GetParam(5)->InitFrequency("Cutoff", 1000.0, 20.0, 20000.0, 1.0, 0, "Filter");
    GetParam(6)->InitDouble("Tilt", 0.0, -6.0, 6.0, 0.1, "dB", 0, "", IParam::ShapePowCurve(3.0));
    GetParam(7)->InitDouble("Curve2", 0.5, 0.0, 1.0, 0.01, "", 0, "", IParam::ShapePowCurve(2.0));
    GetParam(8)->InitDouble("Curve03", 0.5, 0.0, 1.0, 0.01, "", 0, "", IParam::ShapePowCurve(0.3));
    GetParam(9)->InitDouble("Curve05", 0.5, 0.0, 1.0, 0.01, "", 0, "", IParam::ShapePowCurve(0.5));
    GetParam(10)->InitDouble("Swell", 0.5, 0.0, 1.0, 0.01, "", 0, "", ExpDisplayShape());
    GetParam(11)->InitPercentage("Macro", 50.0, 0.0, 100.0, IParam::kFlagMeta);
    GetParam(12)->InitMilliseconds("Time", 10.0, 1.0, 500.0);
    GetParam(13)->InitSeconds("L\xC3\xA4nge", 1.0, 0.5, 4.0, 0.5);
    for (int unit = 0; unit <= IParam::kUnitCustom; ++unit)
    {
      const std::string name = "Unit " + std::to_string(unit);
      GetParam(kFirstUnitParam + unit)
        ->InitDouble(name.c_str(), 0.0, 0.0, 1.0, 0.5, unit == IParam::kUnitCustom ? "px" : "", 0, "",
                     IParam::ShapeLinear(), static_cast<IParam::EParamUnit>(unit));
    }
  }

  using TestAUPlugin::OnParamChange;
  void OnParamChange(int paramIdx, weft::EParamSource source, int sampleOffset) override
  {
    changes.push_back({paramIdx, source, sampleOffset, GetParam(paramIdx)->Value()});
  }

  // The next value queued for the editor.
  bool PopEditorValue(weft::ParamTuple& tuple) { return mParamChangeToUIQueue.Pop(tuple); }
  int NUnitNames() const { return mUnitNames.Size(); }

  struct Change
  {
    int idx;
    weft::EParamSource source;
    int offset;
    double valueSeen;
    bool operator==(const Change& o) const
    {
      return idx == o.idx && source == o.source && offset == o.offset && valueSeen == o.valueSeen;
    }
  };
  std::vector<Change> changes;
};

} // namespace pw::test

IWEFT_AU_EXPORTS_FOR(ParamsTestPlugin, pw::test::ParamsTestPlugin, false)

namespace pw::test {
namespace {


// Flags of every record: name released by the host, has a name string,
// readable, writable, high resolution.
constexpr UInt32 kBase = 0xC8800010u;
constexpr UInt32 kStrings = 0x00200000u;
constexpr UInt32 kClump = 0x00100000u;

AudioUnitParameterEvent Immediate(AudioUnitParameterID id, float value, UInt32 offset, AudioUnitScope scope = kGlobal)
{
  AudioUnitParameterEvent event{};
  event.scope = scope;
  event.parameter = id;
  event.eventType = kParameterEvent_Immediate;
  event.eventValues.immediate.bufferOffset = offset;
  event.eventValues.immediate.value = value;
  return event;
}

AudioUnitParameterEvent Ramp(AudioUnitParameterID id, float from, float to)
{
  AudioUnitParameterEvent event{};
  event.scope = kGlobal;
  event.parameter = id;
  event.eventType = kParameterEvent_Ramped;
  event.eventValues.ramp.durationInFrames = 64;
  event.eventValues.ramp.startValue = from;
  event.eventValues.ramp.endValue = to;
  return event;
}

class AUParameters : public ::testing::TestWithParam<Road>
{
protected:
  void SetUp() override
  {
    ASSERT_EQ(mUnit.Status(), noErr);
    mPlug = mUnit.Object<ParamsTestPlugin>();
    ASSERT_NE(mPlug, nullptr);
  }

  AudioUnit Unit() const { return mUnit.Get(); }

  std::vector<double> Values() const { return ValuesOf(*mPlug); }

  OSStatus Info(AudioUnitElement idx, AudioUnitParameterInfo& info, AudioUnitScope scope = kGlobal)
  {
    std::memset(&info, 0xAB, sizeof info);
    UInt32 size = sizeof info;
    return AudioUnitGetProperty(Unit(), kAudioUnitProperty_ParameterInfo, scope, idx, &info, &size);
  }

  void ExpectRecord(AudioUnitElement idx, const char* name, AudioUnitParameterUnit unit, const char* unitName,
                    float minValue, float maxValue, float defaultValue, UInt32 flags, UInt32 clumpID = 0)
  {
    ExpectParameterRecord(Unit(), idx, {name, unit, unitName, minValue, maxValue, defaultValue, flags, clumpID});
  }

  OSStatus ValueFromString(AudioUnitParameterID id, CFStringRef text, float& value, AudioUnitScope scope = kGlobal)
  {
    AudioUnitParameterValueFromString record{id, text, value};
    UInt32 size = sizeof record;
    const OSStatus status =
      AudioUnitGetProperty(Unit(), kAudioUnitProperty_ParameterValueFromString, scope, 0, &record, &size);
    value = record.outValue;
    return status;
  }

  OSStatus Name(AudioUnitPropertyID property, UInt32 id, SInt32 desiredLength, std::string& name,
                AudioUnitScope scope = kGlobal)
  {
    AudioUnitParameterNameInfo record{id, desiredLength, nullptr};
    UInt32 size = sizeof record;
    const OSStatus status = AudioUnitGetProperty(Unit(), property, scope, 0, &record, &size);
    name = record.outName ? Utf8(record.outName) : "<none>";
    if (record.outName)
      CFRelease(record.outName);
    return status;
  }

  CFLeakCheck mLeakCheck; // closing the unit releases every string it kept
  OpenUnit mUnit{GetParam(), ParamsTestPlugin_Factory, ParamsTestPlugin_Entry};
  ParamsTestPlugin* mPlug = nullptr;
};

PW_INSTANTIATE_BOTH_ROADS(AUParameters);

// --- GetParameter and SetParameter ---------------------------------------------

TEST_P(AUParameters, SetParameterStoresTheConstrainedValueQueuesItForTheEditorAndTellsThePlugIn)
{
  ASSERT_EQ(AudioUnitSetParameter(Unit(), 3, kGlobal, 0, 0.7f, 37), noErr);
  EXPECT_EQ(mPlug->GetParam(3)->Value(), 1.0) << "an enum snaps to its nearest item";
  // The value is stored before the plug-in hears of it, and the editor gets
  // the value the parameter took.
  EXPECT_EQ(mPlug->changes, (std::vector<ParamsTestPlugin::Change>{{3, weft::kHost, 37, 1.0}}));
  weft::ParamTuple tuple;
  ASSERT_TRUE(mPlug->PopEditorValue(tuple));
  EXPECT_EQ(std::make_pair(tuple.mIdx, tuple.mValue), std::make_pair(3, 1.0));
  EXPECT_FALSE(mPlug->PopEditorValue(tuple));

  ASSERT_EQ(AudioUnitSetParameter(Unit(), 0, kGlobal, 0, 2.5f, 0), noErr);
  AudioUnitParameterValue value = -1.0f;
  ASSERT_EQ(AudioUnitGetParameter(Unit(), 0, kGlobal, 0, &value), noErr);
  EXPECT_EQ(value, 2.5f);
  ASSERT_EQ(AudioUnitSetParameter(Unit(), 0, kGlobal, 0, 10.0f, 0), noErr);
  EXPECT_EQ(mPlug->GetParam(0)->Value(), 4.0) << "clipped to the maximum";
}

TEST_P(AUParameters, BadScopesIDsAndValuesAreRefusedAndChangeNothing)
{
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  constexpr float kInf = std::numeric_limits<float>::infinity();
  constexpr auto kPastLast = static_cast<AudioUnitParameterID>(ParamsTestPlugin::kNumParams);
  const std::tuple<AudioUnitScope, AudioUnitParameterID, float, OSStatus> cases[] = {
    {kIn, 0, 3.0f, kInvalidProperty},           {kOut, 0, 3.0f, kInvalidProperty},
    {kAudioUnitScope_Group, 0, 3.0f, kInvalidProperty}, {kGlobal, kPastLast, 0.5f, kInvalidParameter},
    {kGlobal, 0x80000000u, 0.5f, kInvalidParameter}, {kGlobal, 0xFFFFFFFFu, 0.5f, kInvalidParameter},
    {kGlobal, 0, kNaN, kInvalidValue},          {kGlobal, 0, kInf, kInvalidValue},
    {kGlobal, 0, -kInf, kInvalidValue},
  };
  const std::vector<double> before = Values();
  for (const auto& [scope, id, value, status] : cases)
  {
    SCOPED_TRACE(testing::Message() << "scope " << scope << " id " << id << " value " << value);
    EXPECT_EQ(AudioUnitSetParameter(Unit(), id, scope, 0, value, 0), status);
    AudioUnitParameterValue read = -7.0f;
    if (status != kInvalidValue)
    {
      EXPECT_EQ(AudioUnitGetParameter(Unit(), id, scope, 0, &read), status);
    }
    EXPECT_EQ(read, -7.0f);
  }
  EXPECT_EQ(Values(), before);
  EXPECT_TRUE(mPlug->changes.empty());
  weft::ParamTuple tuple;
  EXPECT_FALSE(mPlug->PopEditorValue(tuple));
}

TEST_P(AUParameters, ParameterCallsAllocateNothing)
{
  const AudioUnitParameterEvent events[] = {Immediate(0, 1.5f, 3), Immediate(2, 4.0f, 9)};
  AudioUnitParameterValue value = 0.0f;
  mPlug->changes.reserve(8);
  AllocationCounter allocs;
  ASSERT_EQ(AudioUnitSetParameter(Unit(), 0, kGlobal, 0, 3.0f, 0), noErr);
  ASSERT_EQ(AudioUnitGetParameter(Unit(), 0, kGlobal, 0, &value), noErr);
  ASSERT_EQ(AudioUnitScheduleParameters(Unit(), events, 2), noErr);
  EXPECT_EQ(allocs.Count(), 0u);
}

// --- ScheduleParameters -----------------------------------------------------------

TEST_P(AUParameters, ImmediateEventsAreAppliedInOrderWithTheirOffsetsAndRampsAreSkipped)
{
  const AudioUnitParameterEvent events[] = {Immediate(0, 1.5f, 3), Ramp(0, 0.0f, 4.0f), Immediate(4, -6.0f, 17),
                                            Immediate(0, 2.25f, 40)};
  ASSERT_EQ(AudioUnitScheduleParameters(Unit(), events, 4), noErr);
  EXPECT_EQ(mPlug->changes, (std::vector<ParamsTestPlugin::Change>{
                              {0, weft::kHost, 3, 1.5}, {4, weft::kHost, 17, -6.0}, {0, weft::kHost, 40, 2.25}}));
  EXPECT_EQ(mPlug->GetParam(0)->Value(), 2.25) << "the later event wins";
}

TEST_P(AUParameters, AListWithOneBadImmediateEventIsRefusedWholeWithThatEventsStatus)
{
  const std::vector<double> before = Values();
  const std::pair<AudioUnitParameterEvent, OSStatus> cases[] = {
    {Immediate(0, 1.0f, 0, kIn), kInvalidProperty},
    {Immediate(ParamsTestPlugin::kNumParams, 1.0f, 0), kInvalidParameter},
    {Immediate(0, std::numeric_limits<float>::quiet_NaN(), 0), kInvalidValue},
  };
  for (const auto& [bad, status] : cases)
  {
    const AudioUnitParameterEvent events[] = {Immediate(0, 3.0f, 1), Immediate(4, 12.0f, 2), bad};
    EXPECT_EQ(AudioUnitScheduleParameters(Unit(), events, 3), status);
  }
  EXPECT_EQ(AudioUnitScheduleParameters(Unit(), nullptr, 2), kAudio_ParamError) << "a missing list";
  EXPECT_EQ(AudioUnitScheduleParameters(Unit(), nullptr, 0), noErr) << "an empty schedule";
  EXPECT_EQ(Values(), before) << "the good events before the bad one were not applied either";
  EXPECT_TRUE(mPlug->changes.empty());
}

// --- ParameterInfo -------------------------------------------------------------------

TEST_P(AUParameters, InformationRecordsOfEveryKindOfParameterMatchByteForByte)
{
  ExpectRecord(0, "Gain", kAudioUnitParameterUnit_Generic, nullptr, 0, 4, 1, kBase);
  ExpectRecord(1, "Bypass", kAudioUnitParameterUnit_Boolean, nullptr, 0, 1, 1, kBase | kStrings);
  ExpectRecord(2, "Voices", kAudioUnitParameterUnit_Indexed, nullptr, 1, 16, 8, kBase | 0x01000000u);
  ExpectRecord(3, "Mode", kAudioUnitParameterUnit_Indexed, nullptr, 0, 2, 1, kBase | kStrings | kClump, 1);
  ExpectRecord(4, "Drive", kAudioUnitParameterUnit_Decibels, nullptr, -24, 24, 0, kBase | kClump, 1);
  ExpectRecord(5, "Cutoff", kAudioUnitParameterUnit_Hertz, nullptr, 20, 20000, 1000, kBase | kClump | 0x00400000u,
               2);
  ExpectRecord(6, "Tilt", kAudioUnitParameterUnit_CustomUnit, "dB", -6, 6, 0, kBase | 0x00040000u);
  ExpectRecord(7, "Curve2", kAudioUnitParameterUnit_Generic, nullptr, 0, 1, 0.5f, kBase | 0x00010000u);
  ExpectRecord(8, "Curve03", kAudioUnitParameterUnit_Generic, nullptr, 0, 1, 0.5f, kBase | 0x00030000u);
  ExpectRecord(9, "Curve05", kAudioUnitParameterUnit_Generic, nullptr, 0, 1, 0.5f, kBase | 0x00020000u);
  ExpectRecord(10, "Swell", kAudioUnitParameterUnit_Generic, nullptr, 0, 1, 0.5f, kBase | 0x00050000u);
  ExpectRecord(11, "Macro", kAudioUnitParameterUnit_Percent, nullptr, 0, 100, 50, kBase | 0x20000000u);
  ExpectRecord(12, "Time", kAudioUnitParameterUnit_Milliseconds, nullptr, 1, 500, 10, kBase);
  ExpectRecord(13, "L\xC3\xA4nge", kAudioUnitParameterUnit_Seconds, nullptr, 0.5f, 4, 1, kBase);

  // IParam::EParamUnit 0..20 in order, then the custom unit with its label.
  const AudioUnitParameterUnit units[] = {3, 4, 24, 5, 13, 14, 18, 6, 15, 19, 7, 25, 8, 21, 9, 20, 10, 11, 12,
                                          22, 23, kAudioUnitParameterUnit_CustomUnit};
  for (int unit = 0; unit <= weft::IParam::kUnitCustom; ++unit)
  {
    const std::string name = "Unit " + std::to_string(unit);
    ExpectRecord(ParamsTestPlugin::kFirstUnitParam + unit, name.c_str(), units[unit],
                 unit == weft::IParam::kUnitCustom ? "px" : nullptr, 0, 1, 0, kBase);
  }
}

TEST_P(AUParameters, ParameterInfoChecksScopeAndElementAndItsSizeQuestionMakesNoNameString)
{
  AudioUnitParameterInfo info;
  EXPECT_EQ(Info(ParamsTestPlugin::kNumParams, info), kInvalidParameter);
  EXPECT_EQ(Info(0, info, kIn), kInvalidProperty);
  const CFIndex liveBefore = PWShimCFLiveObjectCount();
  EXPECT_EQ(GetPropInfo(Unit(), kAudioUnitProperty_ParameterInfo, kGlobal, 0).size, 104u);
  EXPECT_EQ(PWShimCFLiveObjectCount(), liveBefore);
}

TEST_P(AUParameters, ClumpIDsFollowTheOrderInWhichTheHostFirstAsksAndNameTheirGroups)
{
  // "Filter" (parameter 5) first, then "Shape" (4 and 3).
  for (const auto& [idx, clump] : {std::pair<AudioUnitElement, UInt32>{5, 1}, {4, 2}, {3, 2}})
  {
    AudioUnitParameterInfo info;
    ASSERT_EQ(Info(idx, info), noErr);
    CFRelease(info.cfNameString);
    EXPECT_EQ(info.clumpID, clump) << "parameter " << idx;
  }
  std::string name;
  EXPECT_EQ(Name(kAudioUnitProperty_ParameterClumpName, 1, -1, name), noErr);
  EXPECT_EQ(name, "Filter");
  EXPECT_EQ(Name(kAudioUnitProperty_ParameterClumpName, 2, 1, name), noErr);
  EXPECT_EQ(name, "Shape") << "the desired length is not used";
  for (UInt32 missing : {0u, 3u, 0xFFFFFFFFu})
  {
    EXPECT_EQ(Name(kAudioUnitProperty_ParameterClumpName, missing, -1, name), kNotInUse);
    EXPECT_EQ(name, "<none>");
  }
  EXPECT_EQ(Name(kAudioUnitProperty_ParameterClumpName, 1, -1, name, kOut), kInvalidProperty);
}

TEST_P(AUParameters, UnitNameStringsStayWithTheUnitSoRepeatedQuestionsLeakNothing)
{
  AudioUnitParameterInfo info;
  ASSERT_EQ(Info(6, info), noErr);
  CFRelease(info.cfNameString);
  const CFStringRef firstUnitName = info.unitName;
  const CFIndex liveAfterFirst = PWShimCFLiveObjectCount();
  for (int i = 0; i < 50; ++i)
  {
    ASSERT_EQ(Info(6, info), noErr);
    CFRelease(info.cfNameString);
    ASSERT_EQ(info.unitName, firstUnitName);
  }
  EXPECT_EQ(PWShimCFLiveObjectCount(), liveAfterFirst);
  EXPECT_EQ(Utf8(firstUnitName), "dB");
  EXPECT_EQ(mPlug->NUnitNames(), 1);
}

// --- Value strings and conversions ------------------------------------------------------

TEST_P(AUParameters, ValueStringsListTheTextsOfEnumAndBoolParametersOnly)
{
  EXPECT_EQ(ParameterValueStrings(Unit(), 1), (std::vector<std::string>{"off", "on"}));
  EXPECT_EQ(ParameterValueStrings(Unit(), 3), (std::vector<std::string>{"Soft", "Hard", "Fold"}));
  EXPECT_EQ(GetPropInfo(Unit(), kAudioUnitProperty_ParameterValueStrings, kGlobal, 3).size, 8u);

  const PropInfo none = GetPropInfo(Unit(), kAudioUnitProperty_ParameterValueStrings, kGlobal, 0);
  EXPECT_EQ(none.status, kInvalidProperty);
  EXPECT_EQ(none.size, 0u);
  OSStatus status = noErr;
  EXPECT_TRUE(ParameterValueStrings(Unit(), 0, &status).empty());
  EXPECT_EQ(status, kInvalidProperty);
  ParameterValueStrings(Unit(), ParamsTestPlugin::kNumParams, &status);
  EXPECT_EQ(status, kInvalidParameter);
}

TEST_P(AUParameters, StringFromValueShowsTheGivenValueOrTheCurrentOneAndRefusesBadQuestions)
{
  const float fold = 2.0f, gain = 2.5f, tilt = -1.5f, nan = std::numeric_limits<float>::quiet_NaN();
  const std::tuple<AudioUnitParameterID, const float*, AudioUnitScope, OSStatus, const char*> cases[] = {
    {3, &fold, kGlobal, noErr, "Fold"},
    {0, &gain, kGlobal, noErr, "2.5000"}, // four decimals from the step 0.0001
    {6, &tilt, kGlobal, noErr, "-1.5"},
    {1, nullptr, kGlobal, noErr, "on"}, // Bypass is on by default
    {0, &gain, kIn, kInvalidProperty, ""},
    {ParamsTestPlugin::kNumParams, &gain, kGlobal, kInvalidParameter, ""},
    {0, &nan, kGlobal, kInvalidValue, ""},
  };
  for (const auto& [id, value, scope, status, text] : cases)
  {
    OSStatus answered = -1;
    EXPECT_EQ(ParameterStringFromValue(Unit(), id, value, answered, scope), text) << "parameter " << id;
    EXPECT_EQ(answered, status) << "parameter " << id;
  }
}

TEST_P(AUParameters, ValueFromStringParsesIntoTheRangeSetsNothingAndRefusesBadQuestions)
{
  const std::tuple<AudioUnitParameterID, CFStringRef, float> parsed[] = {
    {3, CFSTR("Hard"), 1.0f}, {1, CFSTR("on"), 1.0f}, {0, CFSTR("3.25"), 3.25f},
    {0, CFSTR("9"), 4.0f},    // clipped to the maximum
    {3, CFSTR("Bent"), 0.0f}, // an unknown text is item 0
  };
  for (const auto& [id, text, expected] : parsed)
  {
    float value = -1.0f;
    EXPECT_EQ(ValueFromString(id, text, value), noErr);
    EXPECT_EQ(value, expected) << Utf8(text);
  }
  EXPECT_EQ(mPlug->GetParam(0)->Value(), 1.0) << "converting sets nothing";

  float value = -1.0f;
  EXPECT_EQ(ValueFromString(0, CFSTR("2"), value, kIn), kInvalidProperty);
  EXPECT_EQ(ValueFromString(ParamsTestPlugin::kNumParams, CFSTR("2"), value), kInvalidParameter);
  EXPECT_EQ(ValueFromString(0, nullptr, value), kInvalidValue);
  CFNumberRef notAString = CFNumberCreate(kCFAllocatorDefault, kCFNumberFloat32Type, &value);
  EXPECT_EQ(ValueFromString(0, reinterpret_cast<CFStringRef>(notAString), value), kInvalidValue);
  CFRelease(notAString);
  EXPECT_EQ(value, -1.0f);
}

TEST_P(AUParameters, ParameterIDNameCutsToTheDesiredCharactersClampedToThirtyOne)
{
  const std::tuple<UInt32, SInt32, const char*> cases[] = {
    {5, 3, "Cut"}, {5, -1, "Cutoff"}, {5, 1000, "Cutoff"},
    {5, -7, ""},               // a negative length other than -1 counts as 0
    {13, 2, "L\xC3\xA4"},      // characters, not bytes
  };
  std::string name;
  for (const auto& [id, length, expected] : cases)
  {
    EXPECT_EQ(Name(kAudioUnitProperty_ParameterIDName, id, length, name), noErr);
    EXPECT_EQ(name, expected) << "parameter " << id << " length " << length;
  }
  EXPECT_EQ(Name(kAudioUnitProperty_ParameterIDName, ParamsTestPlugin::kNumParams, -1, name), kInvalidParameter);
  EXPECT_EQ(name, "<none>");
  EXPECT_EQ(Name(kAudioUnitProperty_ParameterIDName, 0, -1, name, kIn), kInvalidProperty);
}

// --- Events and notifications -------------------------------------------------------------

// Every AU event heard: its type, parameter and unit, and the value read.
using EventLog = std::vector<std::tuple<AudioUnitEventType, AudioUnitParameterID, AudioUnit, float>>;

void RecordEvent(void* refCon, void*, const AudioUnitEvent* event, UInt64, AudioUnitParameterValue value)
{
  const AudioUnitParameter& parameter = event->mArgument.mParameter;
  static_cast<EventLog*>(refCon)->emplace_back(event->mEventType, parameter.mParameterID, parameter.mAudioUnit, value);
}

TEST_P(AUParameters, GesturesFromTheEditorReachRegisteredListenersAsBeginValueEnd)
{
  EventLog log;
  AUEventListenerRef listener = nullptr;
  ASSERT_EQ(AUEventListenerCreate(RecordEvent, &log, nullptr, nullptr, 0.0f, 0.0f, &listener), noErr);
  for (AudioUnitEventType type : {kAudioUnitEvent_BeginParameterChangeGesture, kAudioUnitEvent_ParameterValueChange,
                                  kAudioUnitEvent_EndParameterChangeGesture})
  {
    AudioUnitEvent event{};
    event.mEventType = type;
    event.mArgument.mParameter = {Unit(), 0, kGlobal, 0};
    ASSERT_EQ(AUEventListenerAddEventType(listener, nullptr, &event), noErr);
  }

  mPlug->BeginInformHostOfParamChangeFromUI(0);
  mPlug->SendParameterValueFromUI(0, 0.75); // normalised: 3 of 0..4
  mPlug->SendParameterValueFromUI(1, 0.0);  // another parameter: nobody listens
  mPlug->EndInformHostOfParamChangeFromUI(0);
  ASSERT_EQ(AUListenerDispose(listener), noErr);

  ASSERT_EQ(log.size(), 3u);
  std::get<3>(log[0]) = std::get<3>(log[2]) = 0.0f; // a gesture's value is not defined
  // The value change's listener reads the value the unit holds.
  EXPECT_EQ(log, (EventLog{{kAudioUnitEvent_BeginParameterChangeGesture, 0, Unit(), 0.0f},
                           {kAudioUnitEvent_ParameterValueChange, 0, Unit(), 3.0f},
                           {kAudioUnitEvent_EndParameterChangeGesture, 0, Unit(), 0.0f}}));
}

struct PropertyLog
{
  AudioUnit unit = nullptr;
  std::vector<AudioUnitPropertyID> ids;
  Float64 latencySeen = -1.0;

  static void Listen(void* refCon, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope, AudioUnitElement)
  {
    auto* self = static_cast<PropertyLog*>(refCon);
    self->ids.push_back(id);
    if (id == kAudioUnitProperty_Latency)
    {
      UInt32 size = sizeof self->latencySeen;
      AudioUnitGetProperty(unit, kAudioUnitProperty_Latency, kGlobal, 0, &self->latencySeen, &size);
    }
  }
};

TEST_P(AUParameters, ChangesOfTheParameterListPresetAndLatencyInformTheirListeners)
{
  PropertyLog log;
  for (AudioUnitPropertyID id : {kAudioUnitProperty_ParameterList, kAudioUnitProperty_ParameterInfo,
                                 kAudioUnitProperty_PresentPreset, kAudioUnitProperty_Latency})
    ASSERT_EQ(AudioUnitAddPropertyListener(Unit(), id, PropertyLog::Listen, &log), noErr);

  mPlug->InformHostOfParameterDetailsChange();
  EXPECT_EQ(log.ids, (std::vector<AudioUnitPropertyID>{kAudioUnitProperty_ParameterList,
                                                        kAudioUnitProperty_ParameterInfo}));
  log.ids.clear();
  mPlug->InformHostOfPresetChange();
  EXPECT_EQ(log.ids, std::vector<AudioUnitPropertyID>{kAudioUnitProperty_PresentPreset});
  log.ids.clear();

  mPlug->SetLatency(480);
  EXPECT_EQ(log.ids, std::vector<AudioUnitPropertyID>{kAudioUnitProperty_Latency});
  EXPECT_DOUBLE_EQ(log.latencySeen, 480.0 / 48000.0) << "the listener reads the new latency";
  log.ids.clear();
  mPlug->SetLatency(-5);
  EXPECT_TRUE(log.ids.empty()) << "a negative latency changes nothing and tells no one";
  EXPECT_EQ(mPlug->GetLatency(), 480);
}

} // namespace
} // namespace pw::test
