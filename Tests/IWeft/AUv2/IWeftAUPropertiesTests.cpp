// The property dispatch of the Audio Unit binding, driven through the Audio
// Unit calls a host makes (both roads), with the plug-in object fetched
// through the private property for what the calls cannot show.

#include "AUTestHost.h"

#include <CoreFoundation/PWShimCFBase.h>
#include <CoreFoundation/PWShimCFBundle.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace pw::test {

// The test plug-in with a class-info state of its own and its binding
// state opened up for checks.
class PropsTestPlugin : public TestAUPlugin
{
public:
  explicit PropsTestPlugin(const weft::InstanceInfo& info, const weft::Config& config = MakeTestAUConfig())
  : TestAUPlugin(info, config)
  {}

  OSStatus GetState(CFTypeRef* ppPropList) override
  {
    *ppPropList = CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks,
                                            &kCFTypeDictionaryValueCallBacks);
    return noErr;
  }
  OSStatus SetState(CFTypeRef pPropList) override
  {
    ++setStateCalls;
    restoredState = pPropList;
    return setStateAnswer;
  }

  const HostCallbackInfo& HostCallbacks() const { return mHostCallbacks; }
  const AUMIDIOutputCallbackStruct& MidiOutputCallback() const { return mMidiOutputCallback; }
  const InputBusConnection& Connection(int bus) const { return *mInBusConnections.Get(bus); }

  int setStateCalls = 0;
  CFTypeRef restoredState = nullptr;
  OSStatus setStateAnswer = noErr;
};

// An instrument without an editor, generating two channels.
class PropsInstrument : public PropsTestPlugin
{
public:
  explicit PropsInstrument(const weft::InstanceInfo& info)
  : PropsTestPlugin(info, weft::Config(1, 1, "0-2", "PropsInstrument", "Props", "Acme", kTestAUVersion,
                                       0x50496e73 /* "PIns" */, 0x41636d65, 0, false, false, false, true,
                                       weft::IWeftProcessor::kPlugTypeInstrument, false, 400, 300, false, 200, 800,
                                       150, 600, "com.acme.propsinstrument", ""))
  {}
};

} // namespace pw::test

IWEFT_AU_EXPORTS_FOR(PropsTestPlugin, pw::test::PropsTestPlugin, false)
IWEFT_AU_EXPORTS_FOR(PropsInstrument, pw::test::PropsInstrument, false)

namespace pw::test {
namespace {

constexpr OSStatus kInvalidProperty = kAudioUnitErr_InvalidProperty;
constexpr OSStatus kInvalidElement = kAudioUnitErr_InvalidElement;
constexpr OSStatus kInvalidScope = kAudioUnitErr_InvalidScope;
constexpr OSStatus kInvalidValue = kAudioUnitErr_InvalidPropertyValue;
constexpr AudioUnitScope kGlobal = kAudioUnitScope_Global;
constexpr AudioUnitScope kIn = kAudioUnitScope_Input;
constexpr AudioUnitScope kOut = kAudioUnitScope_Output;
constexpr AudioUnitScope kGroup = kAudioUnitScope_Group;
constexpr AudioUnitPropertyID kPlugInObject = weft::IWeftAU::kIWeftAUProperty_PlugInObject;

// The text of a string, "<none>" for null.
std::string Utf8(CFStringRef str)
{
  if (!str)
    return "<none>";
  std::vector<char> buffer(static_cast<size_t>(CFStringGetLength(str)) * 3 + 1);
  if (!CFStringGetCString(str, buffer.data(), static_cast<CFIndex>(buffer.size()), kCFStringEncodingUTF8))
    return "<not convertible>";
  return buffer.data();
}

// Every listener call, in order.
struct ListenerLog
{
  struct Call
  {
    int tag;
    AudioUnit unit;
    AudioUnitPropertyID id;
    AudioUnitScope scope;
    AudioUnitElement element;
    double sampleRateSeen;
  };

  weft::IWeftAU* plug = nullptr;
  std::vector<Call> calls;

  void Record(int tag, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element)
  {
    calls.push_back({tag, unit, id, scope, element, plug ? plug->GetSampleRate() : 0.0});
  }
  static void ListenA(void* refCon, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope,
                      AudioUnitElement element)
  {
    static_cast<ListenerLog*>(refCon)->Record(1, unit, id, scope, element);
  }
  static void ListenB(void* refCon, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope,
                      AudioUnitElement element)
  {
    static_cast<ListenerLog*>(refCon)->Record(2, unit, id, scope, element);
  }
};

class AUProperties : public ::testing::TestWithParam<Road>
{
protected:
  void SetUp() override
  {
    mLiveAtStart = PWShimCFLiveObjectCount();
    mUnit = std::make_unique<OpenUnit>(GetParam(), PropsTestPlugin_Factory, PropsTestPlugin_Entry);
    ASSERT_EQ(mUnit->Status(), noErr);
    mPlug = mUnit->Object<PropsTestPlugin>();
    ASSERT_NE(mPlug, nullptr);
    mLog.plug = mPlug;
  }

  void TearDown() override
  {
    mUnit.reset();
    PWShimCFBundleUnregister(kTestAUBundleID);
    EXPECT_EQ(PWShimCFLiveObjectCount(), mLiveAtStart) << "CoreFoundation objects outlived the test";
  }

  AudioUnit Unit() const { return mUnit->Get(); }

  template <class T>
  OSStatus Get(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element, T& value)
  {
    UInt32 size = sizeof(T);
    return AudioUnitGetProperty(Unit(), id, scope, element, &value, &size);
  }

  template <class T>
  OSStatus Set(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element, const T& value,
               UInt32 size = sizeof(T))
  {
    return AudioUnitSetProperty(Unit(), id, scope, element, &value, size);
  }

  void Listen(AudioUnitPropertyID id, AudioUnitPropertyListenerProc proc = ListenerLog::ListenA)
  {
    ASSERT_EQ(AudioUnitAddPropertyListener(Unit(), id, proc, &mLog), noErr);
  }

  CFIndex mLiveAtStart = 0;
  std::unique_ptr<OpenUnit> mUnit;
  PropsTestPlugin* mPlug = nullptr;
  ListenerLog mLog;
};

INSTANTIATE_TEST_SUITE_P(BothRoads, AUProperties, ::testing::Values(Road::Factory, Road::Entry),
                         [](const ::testing::TestParamInfo<Road>& info) { return RoadName(info.param); });

// --- GetPropertyInfo sweep -----------------------------------------------------

constexpr UInt32 kNoSize = 0xFFFFFFFF;

struct InfoRow
{
  AudioUnitPropertyID id;
  AudioUnitScope scope;
  AudioUnitElement element;
  OSStatus status;
  UInt32 size; // kNoSize: not checked
  bool writable;
};

// The test plug-in: inputs main (2) and sidechain (2), one output (2), one
// parameter, eight channel I/O configurations, an effect with an editor.
const InfoRow kInfoRows[] = {
  {kAudioUnitProperty_ClassInfo, kGlobal, 0, noErr, 8, false},
  {kAudioUnitProperty_MakeConnection, kIn, 0, noErr, 16, true},
  {kAudioUnitProperty_MakeConnection, kGlobal, 0, noErr, 16, true},
  {kAudioUnitProperty_MakeConnection, kOut, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_SampleRate, kOut, 3, noErr, 8, true},
  {kAudioUnitProperty_ParameterList, kGlobal, 0, noErr, 4, false},
  {kAudioUnitProperty_ParameterList, kIn, 0, noErr, 0, false},
  {kAudioUnitProperty_FastDispatch, kGlobal, kAudioUnitRenderSelect, kInvalidElement, kNoSize, false},
  {kAudioUnitProperty_CPULoad, kGlobal, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_StreamFormat, kIn, 0, noErr, 40, true},
  {kAudioUnitProperty_StreamFormat, kIn, 1, noErr, 40, true},
  {kAudioUnitProperty_StreamFormat, kIn, 2, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_StreamFormat, kOut, 0, noErr, 40, true},
  {kAudioUnitProperty_StreamFormat, kOut, 1, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_StreamFormat, kGlobal, 0, noErr, 40, true},
  {kAudioUnitProperty_StreamFormat, kGlobal, 1, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_StreamFormat, kGroup, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_ElementCount, kIn, 0, noErr, 4, false},
  {kAudioUnitProperty_Latency, kGlobal, 0, noErr, 8, false},
  {kAudioUnitProperty_Latency, kIn, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_SupportedNumChannels, kGlobal, 0, noErr, 8 * 4, false},
  {kAudioUnitProperty_SupportedNumChannels, kOut, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, noErr, 4, true},
  {kAudioUnitProperty_MaximumFramesPerSlice, kIn, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_SetExternalBuffer, kGlobal, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_GetUIComponentList, kGlobal, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_AudioChannelLayout, kOut, 0, kInvalidValue, kNoSize, false},
  {kAudioUnitProperty_TailTime, kGlobal, 0, noErr, 8, false},
  {kAudioUnitProperty_TailTime, kOut, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_BypassEffect, kGlobal, 0, noErr, 4, true},
  {kAudioUnitProperty_BypassEffect, kIn, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_LastRenderError, kGlobal, 0, noErr, 4, false},
  {kAudioUnitProperty_LastRenderError, kOut, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_SetRenderCallback, kIn, 1, noErr, 16, true},
  {kAudioUnitProperty_SetRenderCallback, kGlobal, 0, noErr, 16, true},
  {kAudioUnitProperty_SetRenderCallback, kIn, 2, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_SetRenderCallback, kOut, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_FactoryPresets, kGlobal, 0, noErr, 8, false},
  {kAudioUnitProperty_ContextName, kGlobal, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_RenderQuality, kGlobal, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_HostCallbacks, kGlobal, 0, noErr, 40, true},
  {kAudioUnitProperty_HostCallbacks, kIn, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_CurrentPreset, kGlobal, 0, noErr, 16, true},
  {kAudioUnitProperty_PresentPreset, kGlobal, 0, noErr, 16, true},
  {kAudioUnitProperty_InPlaceProcessing, kGlobal, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_ElementName, kIn, 0, kInvalidProperty, 8, false},
  {kAudioUnitProperty_SupportedChannelLayoutTags, kIn, 0, noErr, 8, true},
  {kAudioUnitProperty_SupportedChannelLayoutTags, kIn, 2, noErr, 0, false},
  {kAudioUnitProperty_SupportedChannelLayoutTags, kGlobal, 0, noErr, 0, false},
  {kAudioUnitProperty_ParameterStringFromValue, kGlobal, 0, noErr, 24, false},
  {kAudioUnitProperty_ParameterIDName, kGlobal, 0, noErr, 16, false},
  {kAudioUnitProperty_ParameterClumpName, kGlobal, 0, noErr, 16, false},
  {kAudioUnitProperty_ParameterValueFromString, kGlobal, 0, noErr, 24, false},
  {kAudioUnitProperty_OfflineRender, kGlobal, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_IconLocation, kGlobal, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_PresentationLatency, kIn, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_DependentParameters, kGlobal, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_AUHostIdentifier, kGlobal, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_MIDIOutputCallbackInfo, kGlobal, 0, noErr, 8, false},
  {kAudioUnitProperty_MIDIOutputCallback, kGlobal, 0, noErr, 16, true},
  {kAudioUnitProperty_InputSamplesInOutput, kGlobal, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_ClassInfoFromDocument, kGlobal, 0, kInvalidProperty, kNoSize, false},
  {kAudioUnitProperty_SupportsMPE, kGlobal, 0, noErr, 4, false},
  {kMusicDeviceProperty_InstrumentCount, kGlobal, 0, kInvalidProperty, kNoSize, false},
  {kPlugInObject, kGlobal, 0, noErr, 8, false},
  {7, kGlobal, 0, kInvalidProperty, kNoSize, false},
  {9999, kGlobal, 0, kInvalidProperty, kNoSize, false},
};

TEST_P(AUProperties, InfoAnswersTheStatusSizeAndWritabilityOfEveryProperty)
{
  for (const InfoRow& row : kInfoRows)
  {
    SCOPED_TRACE(testing::Message() << "property " << static_cast<SInt32>(row.id) << " scope " << row.scope
                                    << " element " << row.element);
    UInt32 size = 0xDEAD;
    Boolean writable = true; // the wrapper clears it first
    EXPECT_EQ(AudioUnitGetPropertyInfo(Unit(), row.id, row.scope, row.element, &size, &writable), row.status);
    if (row.size != kNoSize)
    {
      EXPECT_EQ(size, row.size);
    }
    EXPECT_EQ(writable != 0, row.writable);
  }
}

TEST_P(AUProperties, ClassInfoIsWritableOnlyWhenItsValueIsAsked)
{
  UInt32 size = 0;
  Boolean writable = false;
  ASSERT_EQ(mPlug->GetProperty(kAudioUnitProperty_ClassInfo, kGlobal, 0, &size, &writable, nullptr), noErr);
  EXPECT_FALSE(writable);

  CFTypeRef state = nullptr;
  size = sizeof state;
  ASSERT_EQ(mPlug->GetProperty(kAudioUnitProperty_ClassInfo, kGlobal, 0, &size, &writable, &state), noErr);
  EXPECT_TRUE(writable);
  EXPECT_EQ(size, 8u);
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(CFGetTypeID(state), CFDictionaryGetTypeID());
  CFRelease(state);

  const CFTypeRef given = CFSTR("state");
  mPlug->setStateAnswer = kInvalidValue;
  EXPECT_EQ(Set(kAudioUnitProperty_ClassInfo, kGlobal, 0, given), kInvalidValue);
  EXPECT_EQ(mPlug->restoredState, given);
}

// --- Values --------------------------------------------------------------------

TEST_P(AUProperties, GetWritesTheUnitsValues)
{
  Float64 rate = 0;
  ASSERT_EQ(Get(kAudioUnitProperty_SampleRate, kGlobal, 0, rate), noErr);
  EXPECT_EQ(rate, 48000.0);

  AudioUnitParameterID ids[2] = {77, 77};
  UInt32 size = sizeof ids;
  ASSERT_EQ(AudioUnitGetProperty(Unit(), kAudioUnitProperty_ParameterList, kGlobal, 0, ids, &size), noErr);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(ids[0], 0u);
  EXPECT_EQ(ids[1], 77u);

  const std::pair<AudioUnitScope, UInt32> counts[] = {{kIn, 2}, {kOut, 1}, {kGlobal, 1}, {kGroup, 0}};
  for (const auto& [scope, expected] : counts)
  {
    UInt32 count = 99;
    ASSERT_EQ(Get(kAudioUnitProperty_ElementCount, scope, 0, count), noErr);
    EXPECT_EQ(count, expected) << "scope " << scope;
  }

  UInt32 frames = 0;
  ASSERT_EQ(Get(kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, frames), noErr);
  EXPECT_EQ(frames, 512u);

  AUChannelInfo pairs[8] = {};
  size = sizeof pairs;
  ASSERT_EQ(AudioUnitGetProperty(Unit(), kAudioUnitProperty_SupportedNumChannels, kGlobal, 0, pairs, &size), noErr);
  const SInt16 expected[8][2] = {{1, 1}, {2, 1}, {3, 1}, {3, 2}, {3, 1}, {3, 2}, {2, 2}, {4, 2}};
  for (int i = 0; i < 8; ++i)
  {
    EXPECT_EQ(pairs[i].inChannels, expected[i][0]) << "configuration " << i;
    EXPECT_EQ(pairs[i].outChannels, expected[i][1]) << "configuration " << i;
  }

  AudioChannelLayoutTag tags[4] = {};
  size = sizeof tags;
  ASSERT_EQ(AudioUnitGetProperty(Unit(), kAudioUnitProperty_SupportedChannelLayoutTags, kIn, 1, tags, &size),
            noErr);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(tags[0], kAudioChannelLayoutTag_Mono);
  EXPECT_EQ(tags[1], kAudioChannelLayoutTag_Stereo);
  size = sizeof tags;
  EXPECT_EQ(AudioUnitGetProperty(Unit(), kAudioUnitProperty_SupportedChannelLayoutTags, kGlobal, 0, tags, &size),
            kInvalidProperty);

  OSStatus lastError = -1;
  ASSERT_EQ(Get(kAudioUnitProperty_LastRenderError, kGlobal, 0, lastError), noErr);
  EXPECT_EQ(lastError, noErr);

  UInt32 mpe = 7;
  ASSERT_EQ(Get(kAudioUnitProperty_SupportsMPE, kGlobal, 0, mpe), noErr);
  EXPECT_EQ(mpe, 0u);
}

TEST_P(AUProperties, StreamFormatReportsTheBusChannelsAsNonInterleavedFloat)
{
  AudioStreamBasicDescription asbd{};
  ASSERT_EQ(Get(kAudioUnitProperty_StreamFormat, kIn, 1, asbd), noErr);
  EXPECT_EQ(asbd.mSampleRate, 48000.0);
  EXPECT_EQ(asbd.mFormatID, kAudioFormatLinearPCM);
  EXPECT_EQ(asbd.mFormatFlags, 0x29u);
  EXPECT_EQ(asbd.mBytesPerFrame, 4u);
  EXPECT_EQ(asbd.mChannelsPerFrame, 2u);
  EXPECT_EQ(asbd.mBitsPerChannel, 32u);

  Listen(kAudioUnitProperty_StreamFormat);
  ASSERT_EQ(SetStreamChannels(Unit(), kOut, 0, 1, 44100.0), noErr);
  ASSERT_EQ(Get(kAudioUnitProperty_StreamFormat, kGlobal, 0, asbd), noErr);
  EXPECT_EQ(asbd.mChannelsPerFrame, 1u);
  EXPECT_EQ(asbd.mSampleRate, 44100.0);
  ASSERT_EQ(mLog.calls.size(), 1u);
  EXPECT_EQ(mLog.calls[0].scope, kOut);
}

TEST_P(AUProperties, LatencyAndTailTimeAreInSeconds)
{
  mPlug->SetLatency(480);
  Float64 seconds = -1;
  ASSERT_EQ(Get(kAudioUnitProperty_Latency, kGlobal, 0, seconds), noErr);
  EXPECT_DOUBLE_EQ(seconds, 480.0 / 48000.0);

  mPlug->SetTailSize(4800);
  ASSERT_EQ(Get(kAudioUnitProperty_TailTime, kGlobal, 0, seconds), noErr);
  EXPECT_DOUBLE_EQ(seconds, 0.1);

  mPlug->SetTailSize(weft::IWeftProcessor::kTailInfinite);
  ASSERT_EQ(Get(kAudioUnitProperty_TailTime, kGlobal, 0, seconds), noErr);
  EXPECT_TRUE(std::isinf(seconds) && seconds > 0);
}

TEST_P(AUProperties, ElementNameIsOnlyAnsweredWithDataAsANewString)
{
  const std::pair<AudioUnitScope, const char*> names[] = {{kIn, "Main"}, {kOut, "Output"}};
  for (const auto& [scope, expected] : names)
  {
    CFStringRef name = nullptr;
    ASSERT_EQ(Get(kAudioUnitProperty_ElementName, scope, 0, name), noErr);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(Utf8(name), expected);
    EXPECT_EQ(CFGetRetainCount(name), 1);
    CFRelease(name);
  }
  CFStringRef name = nullptr;
  ASSERT_EQ(Get(kAudioUnitProperty_ElementName, kIn, 1, name), noErr);
  EXPECT_EQ(Utf8(name), "Aux");
  CFRelease(name);

  name = nullptr;
  EXPECT_EQ(Get(kAudioUnitProperty_ElementName, kIn, 2, name), kInvalidElement);
  EXPECT_EQ(Get(kAudioUnitProperty_ElementName, kOut, 1, name), kInvalidElement);
  EXPECT_EQ(Get(kAudioUnitProperty_ElementName, kGlobal, 0, name), kInvalidScope);
  EXPECT_EQ(name, nullptr);
}

TEST_P(AUProperties, PrivatePropertyAnswersTheObjectsAddress)
{
  void* pObject = nullptr;
  ASSERT_EQ(Get(kPlugInObject, kGlobal, 0, pObject), noErr);
  // The factory road's storage is the instance block, whose object starts
  // 64 bytes in; the entry road's storage is the object itself.
  const char* storage = reinterpret_cast<const char*>(GetComponentInstanceStorage(Unit()));
  const char* expected = GetParam() == Road::Factory ? storage + 64 : storage;
  EXPECT_EQ(pObject, static_cast<const void*>(expected));
  EXPECT_EQ(static_cast<weft::IWeftAU*>(pObject), static_cast<weft::IWeftAU*>(mPlug));
}

TEST_P(AUProperties, MidiOutputPropertiesNameOneOutputAndHideTheCallback)
{
  CFArrayRef outputs = nullptr;
  ASSERT_EQ(Get(kAudioUnitProperty_MIDIOutputCallbackInfo, kGlobal, 0, outputs), noErr);
  ASSERT_NE(outputs, nullptr);
  ASSERT_EQ(CFArrayGetCount(outputs), 1);
  EXPECT_EQ(Utf8(static_cast<CFStringRef>(CFArrayGetValueAtIndex(outputs, 0))), "midiOut");
  CFRelease(outputs);

  AUMIDIOutputCallbackStruct callback{};
  EXPECT_EQ(Get(kAudioUnitProperty_MIDIOutputCallback, kGlobal, 0, callback), kInvalidProperty);
  int userData = 0;
  const AUMIDIOutputCallbackStruct given{[](void*, const AudioTimeStamp*, UInt32, const MIDIPacketList*) -> OSStatus
                                         { return noErr; },
                                         &userData};
  ASSERT_EQ(Set(kAudioUnitProperty_MIDIOutputCallback, kGlobal, 0, given), noErr);
  EXPECT_EQ(mPlug->MidiOutputCallback().midiOutputCallback, given.midiOutputCallback);
  EXPECT_EQ(mPlug->MidiOutputCallback().userData, &userData);
}

TEST_P(AUProperties, CocoaUINeedsTheBundleThatHoldsTheViewFactory)
{
  UInt32 size = 0;
  Boolean writable = false;
  AudioUnitCocoaViewInfo info{};
  EXPECT_EQ(AudioUnitGetPropertyInfo(Unit(), kAudioUnitProperty_CocoaUI, kGlobal, 0, &size, &writable),
            kInvalidProperty);
  EXPECT_EQ(Get(kAudioUnitProperty_CocoaUI, kGlobal, 0, info), kInvalidProperty);
  EXPECT_EQ(info.mCocoaAUViewBundleLocation, nullptr);

  ASSERT_TRUE(PWShimCFBundleRegister(kTestAUBundleID, "/tmp/TestAU.component", nullptr));
  ASSERT_EQ(AudioUnitGetPropertyInfo(Unit(), kAudioUnitProperty_CocoaUI, kGlobal, 0, &size, &writable), noErr);
  EXPECT_EQ(size, 16u);
  EXPECT_FALSE(writable);
  ASSERT_EQ(Get(kAudioUnitProperty_CocoaUI, kGlobal, 0, info), noErr);
  ASSERT_NE(info.mCocoaAUViewBundleLocation, nullptr);
  ASSERT_NE(info.mCocoaAUViewClass[0], nullptr);
  CFStringRef path = CFURLCopyFileSystemPath(info.mCocoaAUViewBundleLocation, kCFURLPOSIXPathStyle);
  EXPECT_EQ(Utf8(path), "/tmp/TestAU.component");
  EXPECT_EQ(Utf8(info.mCocoaAUViewClass[0]), "PropsTestPlugin_View");
  CFRelease(path);
  CFRelease(info.mCocoaAUViewBundleLocation);
  CFRelease(info.mCocoaAUViewClass[0]);
}

// --- Refusals --------------------------------------------------------------------

struct SizedProperty
{
  AudioUnitPropertyID id;
  AudioUnitScope scope;
  AudioUnitElement element;
  UInt32 size;
};

TEST_P(AUProperties, GetRefusesABufferSmallerThanTheValueAndWritesNothing)
{
  const SizedProperty properties[] = {
    {kAudioUnitProperty_ClassInfo, kGlobal, 0, 8},          {kAudioUnitProperty_SampleRate, kGlobal, 0, 8},
    {kAudioUnitProperty_ParameterList, kGlobal, 0, 4},      {kAudioUnitProperty_StreamFormat, kIn, 0, 40},
    {kAudioUnitProperty_ElementCount, kIn, 0, 4},           {kAudioUnitProperty_Latency, kGlobal, 0, 8},
    {kAudioUnitProperty_SupportedNumChannels, kGlobal, 0, 32}, {kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, 4},
    {kAudioUnitProperty_TailTime, kGlobal, 0, 8},           {kAudioUnitProperty_BypassEffect, kGlobal, 0, 4},
    {kAudioUnitProperty_LastRenderError, kGlobal, 0, 4},    {kAudioUnitProperty_FactoryPresets, kGlobal, 0, 8},
    {kAudioUnitProperty_CurrentPreset, kGlobal, 0, 16},     {kAudioUnitProperty_ElementName, kIn, 0, 8},
    {kAudioUnitProperty_SupportedChannelLayoutTags, kIn, 0, 8}, {kAudioUnitProperty_MIDIOutputCallbackInfo, kGlobal, 0, 8},
    {kAudioUnitProperty_SupportsMPE, kGlobal, 0, 4},        {kPlugInObject, kGlobal, 0, 8},
  };
  for (const SizedProperty& p : properties)
  {
    SCOPED_TRACE(testing::Message() << "property " << static_cast<SInt32>(p.id));
    std::vector<unsigned char> buffer(64, 0xAB);
    UInt32 size = p.size - 1;
    EXPECT_EQ(AudioUnitGetProperty(Unit(), p.id, p.scope, p.element, buffer.data(), &size), kInvalidValue);
    // The same check holds for a direct call, below the selector wrapper.
    size = p.size - 1;
    Boolean writable = false;
    EXPECT_EQ(mPlug->GetProperty(p.id, p.scope, p.element, &size, &writable, buffer.data()), kInvalidValue);
    EXPECT_EQ(size, p.size - 1);
    EXPECT_EQ(buffer, std::vector<unsigned char>(64, 0xAB));
  }

  std::vector<unsigned char> buffer(64, 0xAB);
  UInt32 size = 64;
  EXPECT_EQ(AudioUnitGetProperty(Unit(), kAudioUnitProperty_AudioChannelLayout, kOut, 0, buffer.data(), &size),
            kInvalidValue);
  EXPECT_EQ(buffer, std::vector<unsigned char>(64, 0xAB));
  weft::IWeftAURenderProc fastProc = nullptr;
  EXPECT_EQ(Get(kAudioUnitProperty_FastDispatch, kGlobal, kAudioUnitRenderSelect, fastProc), kInvalidElement);
  EXPECT_EQ(fastProc, nullptr);
}

// What a refused set must leave alone.
struct Snapshot
{
  double sampleRate;
  int blockSize;
  bool bypassed;
  bool offline;
  std::string trackName;
  UInt32 inputType0;
  HostCallbackInfo callbacks;
  AUMIDIOutputCallbackStruct midiOut;
  weft::EHost host;
  int setStateCalls;

  static Snapshot Of(PropsTestPlugin& plug)
  {
    LOOM_String track;
    plug.GetTrackName(track);
    return {plug.GetSampleRate(), plug.GetBlockSize(),  plug.GetBypassed(), plug.GetRenderingOffline(),
            track.Get(),          plug.InputType(0),    plug.HostCallbacks(), plug.MidiOutputCallback(),
            plug.GetHost(),       plug.setStateCalls};
  }
  bool operator==(const Snapshot& o) const
  {
    return sampleRate == o.sampleRate && blockSize == o.blockSize && bypassed == o.bypassed && offline == o.offline &&
           trackName == o.trackName && inputType0 == o.inputType0 &&
           std::memcmp(&callbacks, &o.callbacks, sizeof callbacks) == 0 &&
           std::memcmp(&midiOut, &o.midiOut, sizeof midiOut) == 0 && host == o.host &&
           setStateCalls == o.setStateCalls;
  }
};

TEST_P(AUProperties, SetRefusesMissingOrShortDataAndChangesNothing)
{
  ToneSource source;
  ASSERT_EQ(SetRenderCallback(Unit(), 0, source), noErr);
  const Snapshot before = Snapshot::Of(*mPlug);

  const SizedProperty properties[] = {
    {kAudioUnitProperty_ClassInfo, kGlobal, 0, 8},         {kAudioUnitProperty_MakeConnection, kIn, 0, 16},
    {kAudioUnitProperty_SampleRate, kGlobal, 0, 8},        {kAudioUnitProperty_StreamFormat, kIn, 0, 40},
    {kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, 4}, {kAudioUnitProperty_BypassEffect, kGlobal, 0, 4},
    {kAudioUnitProperty_SetRenderCallback, kIn, 0, 16},    {kAudioUnitProperty_ContextName, kGlobal, 0, 8},
    {kAudioUnitProperty_HostCallbacks, kGlobal, 0, 8},     {kAudioUnitProperty_CurrentPreset, kGlobal, 0, 16},
    {kAudioUnitProperty_PresentPreset, kGlobal, 0, 16},    {kAudioUnitProperty_OfflineRender, kGlobal, 0, 4},
    {kAudioUnitProperty_AUHostIdentifier, kGlobal, 0, 16}, {kAudioUnitProperty_MIDIOutputCallback, kGlobal, 0, 16},
  };
  const std::vector<unsigned char> ones(64, 0x01);
  for (const SizedProperty& p : properties)
  {
    SCOPED_TRACE(testing::Message() << "property " << p.id);
    EXPECT_EQ(AudioUnitSetProperty(Unit(), p.id, p.scope, p.element, nullptr, p.size), kInvalidValue);
    EXPECT_EQ(AudioUnitSetProperty(Unit(), p.id, p.scope, p.element, ones.data(), p.size - 1), kInvalidValue);
    EXPECT_TRUE(Snapshot::Of(*mPlug) == before);
  }
}

TEST_P(AUProperties, SetRefusesUnusableRatesAndSliceSizes)
{
  const Float64 badRates[] = {0.0, -44100.0, std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity()};
  for (Float64 rate : badRates)
    EXPECT_EQ(Set(kAudioUnitProperty_SampleRate, kGlobal, 0, rate), kInvalidValue) << rate;
  EXPECT_EQ(mPlug->GetSampleRate(), 48000.0);

  for (UInt32 frames : {0u, 65537u, 0xFFFFFFFFu})
    EXPECT_EQ(SetMaxFrames(Unit(), frames), kInvalidValue) << frames;
  EXPECT_EQ(mPlug->GetBlockSize(), 512);
  EXPECT_EQ(mPlug->resetCount, 0);

  ASSERT_EQ(AudioUnitInitialize(Unit()), noErr);
  EXPECT_EQ(SetMaxFrames(Unit(), 256), kInvalidValue);
  EXPECT_EQ(mPlug->GetBlockSize(), 512);
  ASSERT_EQ(AudioUnitUninitialize(Unit()), noErr);
  EXPECT_EQ(SetMaxFrames(Unit(), 65536), noErr);
  EXPECT_EQ(mPlug->GetBlockSize(), 65536);
}

TEST_P(AUProperties, InstrumentCountIsRefusedForAnEffect)
{
  UInt32 count = 5;
  EXPECT_EQ(Get(kMusicDeviceProperty_InstrumentCount, kGlobal, 0, count), kInvalidProperty);
  EXPECT_EQ(count, 5u);
}

// --- Setting -----------------------------------------------------------------------

TEST_P(AUProperties, SettersStoreTheirValueAndResetTheProcessor)
{
  ASSERT_EQ(Set(kAudioUnitProperty_SampleRate, kGlobal, 0, Float64(96000.0)), noErr);
  EXPECT_EQ(mPlug->GetSampleRate(), 96000.0);
  EXPECT_EQ(mPlug->resetCount, 1);

  ASSERT_EQ(SetMaxFrames(Unit(), 1024), noErr);
  UInt32 frames = 0;
  ASSERT_EQ(Get(kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, frames), noErr);
  EXPECT_EQ(frames, 1024u);
  EXPECT_EQ(mPlug->resetCount, 2);

  ASSERT_EQ(Set(kAudioUnitProperty_BypassEffect, kGlobal, 0, UInt32(3)), noErr);
  UInt32 bypassed = 0;
  ASSERT_EQ(Get(kAudioUnitProperty_BypassEffect, kGlobal, 0, bypassed), noErr);
  EXPECT_EQ(bypassed, 1u);
  ASSERT_EQ(Set(kAudioUnitProperty_BypassEffect, kGlobal, 0, UInt32(0)), noErr);
  EXPECT_FALSE(mPlug->GetBypassed());
  EXPECT_EQ(mPlug->activations, (std::vector<bool>{false, true}));
  EXPECT_EQ(mPlug->resetCount, 4);

  ASSERT_EQ(Set(kAudioUnitProperty_OfflineRender, kGlobal, 0, UInt32(1)), noErr);
  EXPECT_TRUE(mPlug->GetRenderingOffline());
}

TEST_P(AUProperties, ContextNameKeepsNamesOutsideAsciiWhole)
{
  const char* const names[] = {"Drums", "Überbaß – ギター 🎸", ""};
  for (const char* text : names)
  {
    CFStringRef name = CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingUTF8);
    ASSERT_EQ(Set(kAudioUnitProperty_ContextName, kGlobal, 0, name), noErr);
    CFRelease(name);
    LOOM_String track;
    mPlug->GetTrackName(track);
    EXPECT_STREQ(track.Get(), text);
  }

  ASSERT_EQ(Set(kAudioUnitProperty_ContextName, kGlobal, 0, CFSTR("Bass")), noErr);
  const int notAString = 5;
  CFNumberRef number = CFNumberCreate(kCFAllocatorDefault, kCFNumberIntType, &notAString);
  EXPECT_EQ(Set(kAudioUnitProperty_ContextName, kGlobal, 0, number), kInvalidValue);
  CFRelease(number);
  EXPECT_EQ(Set(kAudioUnitProperty_ContextName, kGlobal, 0, CFStringRef(nullptr)), kInvalidValue);
  LOOM_String track;
  mPlug->GetTrackName(track);
  EXPECT_STREQ(track.Get(), "Bass");
}

OSStatus BeatAndTempo(void*, Float64*, Float64*)
{
  return noErr;
}
OSStatus TransportState2(void*, Boolean*, Boolean*, Boolean*, Float64*, Boolean*, Float64*, Float64*)
{
  return noErr;
}

TEST_P(AUProperties, HostCallbacksCopyWhatIsGivenAndClearTheRest)
{
  int userData = 0;
  const HostCallbackInfo full{&userData, BeatAndTempo, nullptr, nullptr, TransportState2};
  EXPECT_EQ(Set(kAudioUnitProperty_HostCallbacks, kIn, 0, full), kInvalidProperty);
  ASSERT_EQ(Set(kAudioUnitProperty_HostCallbacks, kGlobal, 0, full), noErr);
  EXPECT_EQ(mPlug->HostCallbacks().hostUserData, &userData);
  EXPECT_EQ(mPlug->HostCallbacks().beatAndTempoProc, BeatAndTempo);
  EXPECT_EQ(mPlug->HostCallbacks().transportStateProc2, TransportState2);

  // An older host's record ends before the second transport procedure.
  ASSERT_EQ(Set(kAudioUnitProperty_HostCallbacks, kGlobal, 0, full, offsetof(HostCallbackInfo, transportStateProc2)),
            noErr);
  EXPECT_EQ(mPlug->HostCallbacks().beatAndTempoProc, BeatAndTempo);
  EXPECT_EQ(mPlug->HostCallbacks().transportStateProc2, nullptr);
}

TEST_P(AUProperties, HostIdentifierIdentifiesTheHostOnce)
{
  AUHostVersionIdentifier identifier{CFSTR("reaper"), NumVersion{0, 0, 0x45, 6}};
  ASSERT_EQ(Set(kAudioUnitProperty_AUHostIdentifier, kGlobal, 0, identifier), noErr);
  EXPECT_EQ(mPlug->GetHost(), weft::kHostReaper);
  EXPECT_STREQ(mPlug->GetRawHostStr(), "reaper");
  EXPECT_EQ(mPlug->GetHostVersion(false), (6 << 16) | (4 << 8) | 5);

  identifier = AUHostVersionIdentifier{CFSTR("Logic Pro"), NumVersion{0, 0, 0x10, 10}};
  ASSERT_EQ(Set(kAudioUnitProperty_AUHostIdentifier, kGlobal, 0, identifier), noErr);
  EXPECT_STREQ(mPlug->GetRawHostStr(), "reaper");
  EXPECT_EQ(mPlug->GetHostVersion(false), (6 << 16) | (4 << 8) | 5);
}

TEST_P(AUProperties, SetRenderCallbackConnectsAnInputBusOnlyInInputScope)
{
  ToneSource source;
  const AURenderCallbackStruct callback = source.Callback();
  EXPECT_EQ(Set(kAudioUnitProperty_SetRenderCallback, kGlobal, 0, callback), kInvalidProperty);
  EXPECT_EQ(Set(kAudioUnitProperty_SetRenderCallback, kOut, 0, callback), kInvalidProperty);
  EXPECT_EQ(Set(kAudioUnitProperty_SetRenderCallback, kIn, 2, callback), kInvalidProperty);
  EXPECT_EQ(mPlug->InputType(0), weft::IWeftAU::eNotConnected);

  ASSERT_EQ(Set(kAudioUnitProperty_SetRenderCallback, kIn, 1, callback), noErr);
  EXPECT_EQ(mPlug->InputType(1), weft::IWeftAU::eRenderCallback);
  EXPECT_EQ(mPlug->Connection(1).mRenderCallback.inputProcRefCon, &source);

  ASSERT_EQ(Set(kAudioUnitProperty_SetRenderCallback, kIn, 1, AURenderCallbackStruct{nullptr, &source}), noErr);
  EXPECT_EQ(mPlug->InputType(1), weft::IWeftAU::eNotConnected);
  EXPECT_EQ(mPlug->Connection(1).mRenderCallback.inputProcRefCon, nullptr);
}

// --- Connections ------------------------------------------------------------------

// An upstream unit on the entry road that offers a fast render procedure and
// reports an output format of kChannels channels.
struct FakeUpstream
{
  static inline UInt32 channels = 2;
  static inline int storage = 0;

  static OSStatus Render(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32,
                         AudioBufferList*)
  {
    return noErr;
  }

  static ComponentResult Entry(ComponentParameters* cp, Handle)
  {
    switch (cp->what)
    {
      case kComponentOpenSelect:
        SetComponentInstanceStorage(PWShimComponentArgument<ComponentInstance>(cp, 0),
                                    reinterpret_cast<Handle>(&storage));
        return noErr;
      case kComponentCloseSelect:
        return noErr;
      case kAudioUnitGetPropertySelect:
      {
        const auto id = PWShimComponentArgument<AudioUnitPropertyID>(cp, 0);
        const auto element = PWShimComponentArgument<AudioUnitElement>(cp, 2);
        void* pData = PWShimComponentArgument<void*>(cp, 3);
        auto* pSize = PWShimComponentArgument<UInt32*>(cp, 4);
        if (id == kAudioUnitProperty_StreamFormat && element == 0)
        {
          AudioStreamBasicDescription asbd;
          weft::IWeftAU::MakeDefaultASBD(&asbd, 44100.0, static_cast<int>(channels), false);
          std::memcpy(pData, &asbd, sizeof asbd);
          *pSize = sizeof asbd;
          return noErr;
        }
        if (id == kAudioUnitProperty_FastDispatch && element == kAudioUnitRenderSelect)
        {
          const weft::IWeftAURenderProc proc = Render;
          std::memcpy(pData, &proc, sizeof proc);
          *pSize = sizeof proc;
          return noErr;
        }
        return kInvalidProperty;
      }
      default:
        return badComponentSelector;
    }
  }
};

TEST_P(AUProperties, MakeConnectionTakesTheUpstreamFormatAndFastProcedure)
{
  ComponentInstance upstream = nullptr;
  ASSERT_EQ(PWShimComponentInstanceNew(FakeUpstream::Entry, &upstream), noErr);
  FakeUpstream::channels = 1;
  Listen(kAudioUnitProperty_StreamFormat);
  Listen(kAudioUnitProperty_MakeConnection, ListenerLog::ListenB);

  const AudioUnitConnection connection{upstream, 0, 0};
  ASSERT_EQ(Set(kAudioUnitProperty_MakeConnection, kIn, 0, connection), noErr);
  EXPECT_EQ(mPlug->InputType(0), weft::IWeftAU::eDirectFastProc);
  EXPECT_EQ(mPlug->Connection(0).mUpstreamUnit, upstream);
  EXPECT_EQ(mPlug->Connection(0).mUpstreamObject, static_cast<void*>(&FakeUpstream::storage));
  EXPECT_EQ(mPlug->HostChannels(weft::kInput, 0), 1);
  EXPECT_EQ(mPlug->GetSampleRate(), 44100.0);
  // The connection's listeners first, then the format's, told by the unit itself.
  ASSERT_EQ(mLog.calls.size(), 2u);
  EXPECT_EQ(mLog.calls[0].id, kAudioUnitProperty_MakeConnection);
  EXPECT_EQ(mLog.calls[1].id, kAudioUnitProperty_StreamFormat);
  EXPECT_EQ(mLog.calls[1].scope, kIn);

  // A null source closes the connection.
  ASSERT_EQ(Set(kAudioUnitProperty_MakeConnection, kIn, 0, AudioUnitConnection{nullptr, 0, 0}), noErr);
  EXPECT_EQ(mPlug->InputType(0), weft::IWeftAU::eNotConnected);
  EXPECT_EQ(mPlug->Connection(0).mUpstreamUnit, nullptr);

  PWShimComponentInstanceDispose(upstream);
}

TEST_P(AUProperties, MakeConnectionWithoutFastProcedurePullsThroughTheUpstreamUnit)
{
  OpenUnit upstream(Road::Factory);
  ASSERT_EQ(upstream.Status(), noErr);
  ASSERT_EQ(Set(kAudioUnitProperty_MakeConnection, kGlobal, 0, AudioUnitConnection{upstream.Get(), 0, 0}), noErr);
  EXPECT_EQ(mPlug->InputType(0), weft::IWeftAU::eDirectNoFastProc);
  EXPECT_EQ(mPlug->Connection(0).mUpstreamRenderProc, nullptr);
  EXPECT_EQ(mPlug->HostChannels(weft::kInput, 0), 2);
}

TEST_P(AUProperties, MakeConnectionThatCannotBeNegotiatedLeavesTheBusClosed)
{
  ComponentInstance upstream = nullptr;
  ASSERT_EQ(PWShimComponentInstanceNew(FakeUpstream::Entry, &upstream), noErr);
  ToneSource source;
  ASSERT_EQ(SetRenderCallback(Unit(), 0, source), noErr);

  // Bus 2 and the output scope are refused before anything changes.
  EXPECT_EQ(Set(kAudioUnitProperty_MakeConnection, kIn, 0, AudioUnitConnection{upstream, 0, 2}), kInvalidProperty);
  EXPECT_EQ(Set(kAudioUnitProperty_MakeConnection, kOut, 0, AudioUnitConnection{upstream, 0, 0}), kInvalidProperty);
  EXPECT_EQ(mPlug->InputType(0), weft::IWeftAU::eRenderCallback);

  // Three channels fit no configuration; an output the source lacks has no format.
  FakeUpstream::channels = 3;
  EXPECT_EQ(Set(kAudioUnitProperty_MakeConnection, kIn, 0, AudioUnitConnection{upstream, 0, 0}), kInvalidProperty);
  EXPECT_EQ(mPlug->InputType(0), weft::IWeftAU::eNotConnected);
  FakeUpstream::channels = 2;
  EXPECT_EQ(Set(kAudioUnitProperty_MakeConnection, kIn, 0, AudioUnitConnection{upstream, 5, 0}), kInvalidProperty);
  EXPECT_EQ(mPlug->InputType(0), weft::IWeftAU::eNotConnected);
  EXPECT_EQ(mPlug->Connection(0).mUpstreamUnit, nullptr);

  PWShimComponentInstanceDispose(upstream);
}

// --- Listeners ------------------------------------------------------------------------

TEST_P(AUProperties, EverySetTellsTheListenersOfItsIDFirst)
{
  Listen(kAudioUnitProperty_SampleRate, ListenerLog::ListenA);
  Listen(kAudioUnitProperty_SampleRate, ListenerLog::ListenB);
  Listen(kAudioUnitProperty_CPULoad);
  Listen(9999);

  ASSERT_EQ(Set(kAudioUnitProperty_SampleRate, kOut, 7, Float64(88200.0)), noErr);
  ASSERT_EQ(mLog.calls.size(), 2u);
  EXPECT_EQ(mLog.calls[0].tag, 1);
  EXPECT_EQ(mLog.calls[1].tag, 2);
  for (const ListenerLog::Call& call : mLog.calls)
  {
    EXPECT_EQ(call.unit, Unit());
    EXPECT_EQ(call.id, kAudioUnitProperty_SampleRate);
    EXPECT_EQ(call.scope, kOut);
    EXPECT_EQ(call.element, 0u);
    EXPECT_EQ(call.sampleRateSeen, 48000.0) << "told before the change";
  }

  // Unhandled and refused sets are announced too.
  mLog.calls.clear();
  const UInt32 value = 1;
  EXPECT_EQ(Set(kAudioUnitProperty_CPULoad, kGlobal, 0, value), kInvalidProperty);
  EXPECT_EQ(Set(9999u, kIn, 3, value), kInvalidProperty);
  EXPECT_EQ(AudioUnitSetProperty(Unit(), kAudioUnitProperty_SampleRate, kGlobal, 0, nullptr, 8), kInvalidValue);
  ASSERT_EQ(mLog.calls.size(), 4u);
  EXPECT_EQ(mLog.calls[0].id, kAudioUnitProperty_CPULoad);
  EXPECT_EQ(mLog.calls[1].id, 9999u);
  EXPECT_EQ(mLog.calls[1].scope, kIn);
  EXPECT_EQ(mLog.calls[2].id, kAudioUnitProperty_SampleRate);
  EXPECT_EQ(mLog.calls[3].id, kAudioUnitProperty_SampleRate);
}

void RemoveSelf(void* refCon, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element)
{
  ListenerLog::ListenA(refCon, unit, id, scope, element);
  AudioUnitRemovePropertyListener(unit, id, RemoveSelf);
}

TEST_P(AUProperties, AListenerMayUnregisterItselfWhileCalled)
{
  Listen(kAudioUnitProperty_BypassEffect, RemoveSelf);
  ASSERT_EQ(Set(kAudioUnitProperty_BypassEffect, kGlobal, 0, UInt32(1)), noErr);
  ASSERT_EQ(Set(kAudioUnitProperty_BypassEffect, kGlobal, 0, UInt32(0)), noErr);
  EXPECT_EQ(mLog.calls.size(), 1u);
}

// --- Buses --------------------------------------------------------------------------------

TEST_P(AUProperties, GetBusAddressesInputsOutputsAndGlobalAsOutput)
{
  EXPECT_NE(mPlug->GetBus(kIn, 0), nullptr);
  EXPECT_NE(mPlug->GetBus(kIn, 1), mPlug->GetBus(kIn, 0));
  EXPECT_EQ(mPlug->GetBus(kIn, 1)->mFirstPlugChannel, 2);
  EXPECT_EQ(mPlug->GetBus(kIn, 2), nullptr);
  EXPECT_NE(mPlug->GetBus(kOut, 0), nullptr);
  EXPECT_EQ(mPlug->GetBus(kGlobal, 0), mPlug->GetBus(kOut, 0));
  EXPECT_EQ(mPlug->GetBus(kOut, 1), nullptr);
  EXPECT_EQ(mPlug->GetBus(kGlobal, 1), nullptr);
  EXPECT_EQ(mPlug->GetBus(kGroup, 0), nullptr);
  EXPECT_EQ(mPlug->GetBus(kIn, 0xFFFFFFFFu), nullptr);
  EXPECT_EQ(mPlug->GetBus(kOut, 0x80000000u), nullptr);
}

TEST(AUPropertiesInstrument, AnInstrumentWithoutEditorOrInputsAnswersItsOwnTable)
{
  const CFIndex liveAtStart = PWShimCFLiveObjectCount();
  {
    OpenUnit unit(Road::Factory, PropsInstrument_Factory, PropsInstrument_Entry);
    ASSERT_EQ(unit.Status(), noErr);
    auto* pPlug = unit.Object<PropsInstrument>();
    ASSERT_NE(pPlug, nullptr);

    UInt32 count = 0;
    UInt32 size = sizeof count;
    ASSERT_EQ(AudioUnitGetProperty(unit, kMusicDeviceProperty_InstrumentCount, kGlobal, 0, &count, &size), noErr);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(AudioUnitGetProperty(unit, kMusicDeviceProperty_InstrumentCount, kOut, 0, &count, &size),
              kInvalidProperty);

    Boolean writable = false;
    EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_CocoaUI, kGlobal, 0, &size, &writable),
              kInvalidProperty);
    EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_SetRenderCallback, kIn, 0, &size, &writable),
              kInvalidProperty);
    EXPECT_EQ(pPlug->GetBus(kIn, 0), nullptr);
    size = sizeof count;
    ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ElementCount, kIn, 0, &count, &size), noErr);
    EXPECT_EQ(count, 0u);
  }
  EXPECT_EQ(PWShimCFLiveObjectCount(), liveAtStart);
}

} // namespace
} // namespace pw::test
