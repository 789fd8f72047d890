// The property dispatch of the Audio Unit binding, driven through the Audio
// Unit calls a host makes (both roads), with the plug-in object fetched
// through the private property for what the calls cannot show.

#include "AUTestNames.h"
#include "AUTestHost.h"

#include <CoreFoundation/PWShimCFBundle.h>

#include <array>
#include <cstring>
#include <limits>
#include <string>
#include <tuple>
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
  : PropsTestPlugin(info, MakeTestConfig("0-2", 1, 1, false, weft::IWeftProcessor::kPlugTypeInstrument, false, 0,
                                         0x50496e73 /* "PIns" */, "com.acme.propsinstrument"))
  {}
};

} // namespace pw::test

IWEFT_AU_EXPORTS_FOR(PropsTestPlugin, pw::test::PropsTestPlugin, false)
IWEFT_AU_EXPORTS_FOR(PropsInstrument, pw::test::PropsInstrument, false)

namespace pw::test {
namespace {

constexpr AudioUnitPropertyID kPlugInObject = weft::IWeftAU::kIWeftAUProperty_PlugInObject;

// Every listener call in order, with the sample rate the unit had then.
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

  template <int Tag>
  static void Listen(void* refCon, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope,
                     AudioUnitElement element)
  {
    auto* self = static_cast<ListenerLog*>(refCon);
    self->calls.push_back({Tag, unit, id, scope, element, self->plug ? self->plug->GetSampleRate() : 0.0});
  }
};

class AUProperties : public ::testing::TestWithParam<Road>
{
protected:
  void SetUp() override
  {
    ASSERT_EQ(mUnit.Status(), noErr);
    mPlug = mUnit.Object<PropsTestPlugin>();
    ASSERT_NE(mPlug, nullptr);
    mLog.plug = mPlug;
  }
  void TearDown() override { PWShimCFBundleUnregister(kTestAUBundleID); }

  AudioUnit Unit() const { return mUnit.Get(); }

  template <class T>
  OSStatus Get(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element, T& value)
  {
    return GetProp(Unit(), id, scope, element, value);
  }
  template <class T>
  T Value(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element)
  {
    return PropValue<T>(Unit(), id, scope, element);
  }
  template <class T>
  OSStatus Set(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element, const T& value,
               UInt32 size = sizeof(T))
  {
    return SetProp(Unit(), id, scope, element, value, size);
  }

  void Listen(AudioUnitPropertyID id, AudioUnitPropertyListenerProc proc = ListenerLog::Listen<1>)
  {
    ASSERT_EQ(AudioUnitAddPropertyListener(Unit(), id, proc, &mLog), noErr);
  }

  CFLeakCheck mLeakCheck;
  OpenUnit mUnit{GetParam(), PropsTestPlugin_Factory, PropsTestPlugin_Entry};
  PropsTestPlugin* mPlug = nullptr;
  ListenerLog mLog;
};

PW_INSTANTIATE_BOTH_ROADS(AUProperties);

// --- GetPropertyInfo sweep -----------------------------------------------------

constexpr UInt32 kNoSize = 0xFFFFFFFF;

struct AUPropertyAddress
{
  AudioUnitPropertyID id;
  AudioUnitScope scope;
  AudioUnitElement element;
};

struct InfoRow
{
  AudioUnitPropertyID id;
  AudioUnitScope scope;
  AudioUnitElement element;
  OSStatus status;
  UInt32 size; // kNoSize: not checked
  bool writable;
  bool readable; // a get with a buffer one byte short is refused with nothing written
};

// The test plug-in: inputs main (2) and sidechain (2), one output (2), one
// parameter, eight channel I/O configurations, an effect with an editor.
const InfoRow kInfoRows[] = {
  {kAudioUnitProperty_ClassInfo, kGlobal, 0, noErr, 8, false, true},
  {kAudioUnitProperty_MakeConnection, kIn, 0, noErr, 16, true, false},
  {kAudioUnitProperty_MakeConnection, kGlobal, 0, noErr, 16, true, false},
  {kAudioUnitProperty_SampleRate, kOut, 3, noErr, 8, true, true},
  {kAudioUnitProperty_ParameterList, kGlobal, 0, noErr, 4, false, true},
  {kAudioUnitProperty_ParameterList, kIn, 0, noErr, 0, false, false},
  {kAudioUnitProperty_ParameterInfo, kGlobal, 0, noErr, 104, false, true},
  {kAudioUnitProperty_FastDispatch, kGlobal, kAudioUnitRenderSelect, kInvalidElement, kNoSize, false, false},
  {kAudioUnitProperty_StreamFormat, kIn, 0, noErr, 40, true, true},
  {kAudioUnitProperty_StreamFormat, kIn, 1, noErr, 40, true, true},
  {kAudioUnitProperty_StreamFormat, kOut, 0, noErr, 40, true, true},
  {kAudioUnitProperty_StreamFormat, kGlobal, 0, noErr, 40, true, true},
  {kAudioUnitProperty_ElementCount, kIn, 0, noErr, 4, false, true},
  {kAudioUnitProperty_Latency, kGlobal, 0, noErr, 8, false, true},
  {kAudioUnitProperty_SupportedNumChannels, kGlobal, 0, noErr, 4 * 4, false, true},
  {kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, noErr, 4, true, true},
  {kAudioUnitProperty_AudioChannelLayout, kOut, 0, kInvalidValue, kNoSize, false, false},
  {kAudioUnitProperty_TailTime, kGlobal, 0, noErr, 8, false, true},
  {kAudioUnitProperty_BypassEffect, kGlobal, 0, noErr, 4, true, true},
  {kAudioUnitProperty_LastRenderError, kGlobal, 0, noErr, 4, false, true},
  {kAudioUnitProperty_SetRenderCallback, kIn, 1, noErr, 16, true, false},
  {kAudioUnitProperty_SetRenderCallback, kGlobal, 0, noErr, 16, true, false},
  {kAudioUnitProperty_FactoryPresets, kGlobal, 0, noErr, 8, false, true},
  {kAudioUnitProperty_HostCallbacks, kGlobal, 0, noErr, 40, true, true},
  {kAudioUnitProperty_CurrentPreset, kGlobal, 0, noErr, 16, true, true},
  {kAudioUnitProperty_PresentPreset, kGlobal, 0, noErr, 16, true, true},
  {kAudioUnitProperty_ElementName, kIn, 0, kInvalidProperty, 8, false, true},
  {kAudioUnitProperty_SupportedChannelLayoutTags, kIn, 0, noErr, 8, true, true},
  {kAudioUnitProperty_SupportedChannelLayoutTags, kIn, 1, noErr, 8, true, true},
  {kAudioUnitProperty_SupportedChannelLayoutTags, kOut, 0, noErr, 8, true, true},
  {kAudioUnitProperty_SupportedChannelLayoutTags, kIn, 2, noErr, 0, false, false},
  {kAudioUnitProperty_SupportedChannelLayoutTags, kGlobal, 0, noErr, 0, false, false},
  {kAudioUnitProperty_ParameterStringFromValue, kGlobal, 0, noErr, 24, false, true},
  {kAudioUnitProperty_ParameterIDName, kGlobal, 0, noErr, 16, false, true},
  {kAudioUnitProperty_ParameterClumpName, kGlobal, 0, noErr, 16, false, true},
  {kAudioUnitProperty_ParameterValueFromString, kGlobal, 0, noErr, 24, false, true},
  {kAudioUnitProperty_MIDIOutputCallbackInfo, kGlobal, 0, noErr, 8, false, true},
  {kAudioUnitProperty_MIDIOutputCallback, kGlobal, 0, noErr, 16, true, false},
  {kAudioUnitProperty_SupportsMPE, kGlobal, 0, noErr, 4, false, true},
  {kPlugInObject, kGlobal, 0, noErr, 8, false, true},
};

// What the unit does not answer at all: kInvalidProperty, nothing writable.
const AUPropertyAddress kRefused[] = {
  {kAudioUnitProperty_MakeConnection, kOut, 0}, {kAudioUnitProperty_CPULoad, kGlobal, 0},
  {kAudioUnitProperty_StreamFormat, kIn, 2}, {kAudioUnitProperty_StreamFormat, kOut, 1},
  {kAudioUnitProperty_StreamFormat, kGlobal, 1}, {kAudioUnitProperty_StreamFormat, kGroup, 0},
  {kAudioUnitProperty_Latency, kIn, 0}, {kAudioUnitProperty_SupportedNumChannels, kOut, 0},
  {kAudioUnitProperty_MaximumFramesPerSlice, kIn, 0}, {kAudioUnitProperty_SetExternalBuffer, kGlobal, 0},
  {kAudioUnitProperty_GetUIComponentList, kGlobal, 0}, {kAudioUnitProperty_TailTime, kOut, 0},
  {kAudioUnitProperty_BypassEffect, kIn, 0}, {kAudioUnitProperty_LastRenderError, kOut, 0},
  {kAudioUnitProperty_SetRenderCallback, kIn, 2}, {kAudioUnitProperty_SetRenderCallback, kOut, 0},
  {kAudioUnitProperty_ContextName, kGlobal, 0}, {kAudioUnitProperty_RenderQuality, kGlobal, 0},
  {kAudioUnitProperty_HostCallbacks, kIn, 0}, {kAudioUnitProperty_InPlaceProcessing, kGlobal, 0},
  {kAudioUnitProperty_OfflineRender, kGlobal, 0}, {kAudioUnitProperty_IconLocation, kGlobal, 0},
  {kAudioUnitProperty_PresentationLatency, kIn, 0}, {kAudioUnitProperty_DependentParameters, kGlobal, 0},
  {kAudioUnitProperty_AUHostIdentifier, kGlobal, 0}, {kAudioUnitProperty_InputSamplesInOutput, kGlobal, 0},
  {kAudioUnitProperty_ClassInfoFromDocument, kGlobal, 0}, {kMusicDeviceProperty_InstrumentCount, kGlobal, 0},
  {7, kGlobal, 0}, {9999, kGlobal, 0},
};

TEST_P(AUProperties, InfoAnswersTheStatusSizeAndWritabilityOfEveryProperty)
{
  for (const InfoRow& row : kInfoRows)
  {
    SCOPED_TRACE(testing::Message() << "property " << static_cast<SInt32>(row.id) << " scope " << row.scope
                                    << " element " << row.element);
    const PropInfo info = GetPropInfo(Unit(), row.id, row.scope, row.element);
    EXPECT_EQ(info.status, row.status);
    if (row.size != kNoSize)
    {
      EXPECT_EQ(info.size, row.size);
    }
    EXPECT_EQ(info.writable, row.writable);
  }
  for (const AUPropertyAddress& row : kRefused)
  {
    const PropInfo info = GetPropInfo(Unit(), row.id, row.scope, row.element);
    EXPECT_EQ(info.status, kInvalidProperty) << "property " << static_cast<SInt32>(row.id) << " scope " << row.scope;
    EXPECT_FALSE(info.writable);
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
  EXPECT_EQ(Value<Float64>(kAudioUnitProperty_SampleRate, kGlobal, 0), 48000.0);
  EXPECT_EQ(Value<UInt32>(kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0), 512u);
  EXPECT_EQ(Value<OSStatus>(kAudioUnitProperty_LastRenderError, kGlobal, 0), noErr);
  EXPECT_EQ(Value<UInt32>(kAudioUnitProperty_SupportsMPE, kGlobal, 0), 0u);
  for (const auto& [scope, count] : {std::pair<AudioUnitScope, UInt32>{kIn, 2}, {kOut, 1}, {kGlobal, 1}, {kGroup, 0}})
    EXPECT_EQ(Value<UInt32>(kAudioUnitProperty_ElementCount, scope, 0), count) << "scope " << scope;

  AudioUnitParameterID ids[2] = {77, 77};
  UInt32 size = sizeof ids;
  ASSERT_EQ(AudioUnitGetProperty(Unit(), kAudioUnitProperty_ParameterList, kGlobal, 0, ids, &size), noErr);
  EXPECT_EQ(std::make_tuple(size, ids[0], ids[1]), std::make_tuple(4u, 0u, 77u));

  // Main input to main output, once each: "1-1 1.1-1 1.2-1 1.2-2 2.1-1 2.1-2 2-2 2.2-2".
  const auto pairs = Value<std::array<AUChannelInfo, 4>>(kAudioUnitProperty_SupportedNumChannels, kGlobal, 0);
  const SInt16 expected[4][2] = {{1, 1}, {1, 2}, {2, 1}, {2, 2}};
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(std::make_pair(pairs[i].inChannels, pairs[i].outChannels),
              std::make_pair(expected[i][0], expected[i][1]));

  // Every bus a configuration has: mono, then stereo.
  for (const auto& [scope, bus] : {std::pair<AudioUnitScope, UInt32>{kIn, 0}, {kIn, 1}, {kOut, 0}})
    EXPECT_EQ((Value<std::array<AudioChannelLayoutTag, 2>>(kAudioUnitProperty_SupportedChannelLayoutTags, scope, bus)),
              (std::array<AudioChannelLayoutTag, 2>{kAudioChannelLayoutTag_Mono, kAudioChannelLayoutTag_Stereo}));
  AudioChannelLayoutTag tag = 0;
  EXPECT_EQ(Get(kAudioUnitProperty_SupportedChannelLayoutTags, kGlobal, 0, tag), kInvalidProperty);
}

TEST_P(AUProperties, StreamFormatReportsTheBusChannelsAsNonInterleavedFloat)
{
  auto asbd = Value<AudioStreamBasicDescription>(kAudioUnitProperty_StreamFormat, kIn, 1);
  EXPECT_EQ(std::tie(asbd.mSampleRate, asbd.mFormatID, asbd.mFormatFlags, asbd.mBytesPerPacket, asbd.mFramesPerPacket,
                     asbd.mBytesPerFrame, asbd.mChannelsPerFrame, asbd.mBitsPerChannel),
            std::make_tuple(48000.0, kAudioFormatLinearPCM, 0x29u, 4u, 1u, 4u, 2u, 32u));
  EXPECT_EQ(Get(kAudioUnitProperty_StreamFormat, kIn, 2, asbd), kInvalidProperty);

  Listen(kAudioUnitProperty_StreamFormat);
  ASSERT_EQ(SetStreamChannels(Unit(), kOut, 0, 1, 44100.0), noErr);
  asbd = Value<AudioStreamBasicDescription>(kAudioUnitProperty_StreamFormat, kGlobal, 0);
  EXPECT_EQ(std::tie(asbd.mChannelsPerFrame, asbd.mSampleRate), std::make_tuple(1u, 44100.0));
  ASSERT_EQ(mLog.calls.size(), 1u);
  EXPECT_EQ(mLog.calls[0].scope, kOut);
}

TEST_P(AUProperties, LatencyAndTailTimeAreInSeconds)
{
  mPlug->SetLatency(480);
  EXPECT_DOUBLE_EQ(Value<Float64>(kAudioUnitProperty_Latency, kGlobal, 0), 480.0 / 48000.0);
  mPlug->SetTailSize(4800);
  EXPECT_DOUBLE_EQ(Value<Float64>(kAudioUnitProperty_TailTime, kGlobal, 0), 0.1);
  mPlug->SetTailSize(weft::IWeftProcessor::kTailInfinite);
  EXPECT_EQ(Value<Float64>(kAudioUnitProperty_TailTime, kGlobal, 0), std::numeric_limits<double>::infinity());
}

TEST_P(AUProperties, ElementNameIsOnlyAnsweredWithDataAsANewString)
{
  for (const auto& [scope, bus, expected] :
       {std::tuple<AudioUnitScope, UInt32, const char*>{kIn, 0, "Main"}, {kIn, 1, "Aux"}, {kOut, 0, "Output"}})
  {
    CFStringRef name = nullptr;
    ASSERT_EQ(Get(kAudioUnitProperty_ElementName, scope, bus, name), noErr);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(Utf8(name), expected);
    EXPECT_EQ(CFGetRetainCount(name), 1);
    CFRelease(name);
  }
  CFStringRef name = nullptr;
  EXPECT_EQ(Get(kAudioUnitProperty_ElementName, kIn, 2, name), kInvalidElement);
  EXPECT_EQ(Get(kAudioUnitProperty_ElementName, kOut, 1, name), kInvalidElement);
  EXPECT_EQ(Get(kAudioUnitProperty_ElementName, kGlobal, 0, name), kInvalidScope);
  EXPECT_EQ(name, nullptr);
}

TEST_P(AUProperties, PrivatePropertyAnswersTheObjectsAddress)
{
  void* pObject = Value<void*>(kPlugInObject, kGlobal, 0);
  // The factory road's storage is the instance block, whose object starts
  // 64 bytes in; the entry road's storage is the object itself.
  const char* storage = reinterpret_cast<const char*>(GetComponentInstanceStorage(Unit()));
  EXPECT_EQ(pObject, static_cast<const void*>(GetParam() == Road::Factory ? storage + 64 : storage));
  EXPECT_EQ(static_cast<weft::IWeftAU*>(pObject), static_cast<weft::IWeftAU*>(mPlug));
}

TEST_P(AUProperties, MidiOutputPropertiesNameOneOutputAndHideTheCallback)
{
  CFArrayRef outputs = Value<CFArrayRef>(kAudioUnitProperty_MIDIOutputCallbackInfo, kGlobal, 0);
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
  EXPECT_EQ(std::make_pair(mPlug->MidiOutputCallback().midiOutputCallback, mPlug->MidiOutputCallback().userData),
            std::make_pair(given.midiOutputCallback, static_cast<void*>(&userData)));
}

TEST_P(AUProperties, CocoaUINeedsTheBundleThatHoldsTheViewFactory)
{
  AudioUnitCocoaViewInfo info{};
  EXPECT_EQ(GetPropInfo(Unit(), kAudioUnitProperty_CocoaUI, kGlobal, 0).status, kInvalidProperty);
  EXPECT_EQ(Get(kAudioUnitProperty_CocoaUI, kGlobal, 0, info), kInvalidProperty);
  EXPECT_EQ(info.mCocoaAUViewBundleLocation, nullptr);

  ASSERT_TRUE(PWShimCFBundleRegister(kTestAUBundleID, "/tmp/TestAU.component", nullptr));
  const PropInfo sizeInfo = GetPropInfo(Unit(), kAudioUnitProperty_CocoaUI, kGlobal, 0);
  EXPECT_EQ(std::tie(sizeInfo.status, sizeInfo.size, sizeInfo.writable), std::make_tuple(noErr, 16u, false));
  info = Value<AudioUnitCocoaViewInfo>(kAudioUnitProperty_CocoaUI, kGlobal, 0);
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
  const std::vector<unsigned char> untouched(128, 0xAB);
  for (const InfoRow& p : kInfoRows)
  {
    if (!p.readable)
      continue;
    SCOPED_TRACE(testing::Message() << "property " << static_cast<SInt32>(p.id) << " scope " << p.scope);
    std::vector<unsigned char> buffer = untouched;
    UInt32 size = p.size - 1;
    EXPECT_EQ(AudioUnitGetProperty(Unit(), p.id, p.scope, p.element, buffer.data(), &size), kInvalidValue);
    // The same check holds for a direct call, below the selector wrapper.
    size = p.size - 1;
    Boolean writable = false;
    EXPECT_EQ(mPlug->GetProperty(p.id, p.scope, p.element, &size, &writable, buffer.data()), kInvalidValue);
    EXPECT_EQ(size, p.size - 1);
    EXPECT_EQ(buffer, untouched);
  }

  // Properties the unit does not answer write nothing either.
  std::vector<unsigned char> buffer = untouched;
  UInt32 size = 64;
  EXPECT_EQ(AudioUnitGetProperty(Unit(), kAudioUnitProperty_AudioChannelLayout, kOut, 0, buffer.data(), &size),
            kInvalidValue);
  EXPECT_EQ(buffer, untouched);
  weft::IWeftAURenderProc fastProc = nullptr;
  EXPECT_EQ(Get(kAudioUnitProperty_FastDispatch, kGlobal, kAudioUnitRenderSelect, fastProc), kInvalidElement);
  EXPECT_EQ(fastProc, nullptr);
  UInt32 count = 5;
  EXPECT_EQ(Get(kMusicDeviceProperty_InstrumentCount, kGlobal, 0, count), kInvalidProperty);
  EXPECT_EQ(count, 5u);
}

template <class T>
std::string BytesOf(const T& value)
{
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

// What a refused set must leave alone.
auto Snapshot(PropsTestPlugin& plug)
{
  LOOM_String track;
  plug.GetTrackName(track);
  return std::make_tuple(plug.GetSampleRate(), plug.GetBlockSize(), plug.GetBypassed(), plug.GetRenderingOffline(),
                         std::string(track.Get()), plug.InputType(0), BytesOf(plug.HostCallbacks()),
                         BytesOf(plug.MidiOutputCallback()), plug.GetHost(), plug.setStateCalls);
}

TEST_P(AUProperties, SetRefusesMissingOrShortDataAndChangesNothing)
{
  ToneSource source;
  ASSERT_EQ(SetRenderCallback(Unit(), 0, source), noErr);
  const auto before = Snapshot(*mPlug);

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
    EXPECT_TRUE(Snapshot(*mPlug) == before);
  }
}

TEST_P(AUProperties, SetRefusesUnusableRatesAndSliceSizes)
{
  constexpr Float64 kNaN = std::numeric_limits<double>::quiet_NaN(), kInf = std::numeric_limits<double>::infinity();
  for (Float64 rate : {0.0, -44100.0, kNaN, kInf})
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

// --- Setting -----------------------------------------------------------------------

TEST_P(AUProperties, SettersStoreTheirValueAndResetTheProcessor)
{
  ASSERT_EQ(Set(kAudioUnitProperty_SampleRate, kGlobal, 0, Float64(96000.0)), noErr);
  EXPECT_EQ(mPlug->GetSampleRate(), 96000.0);
  EXPECT_EQ(mPlug->resetCount, 1);

  ASSERT_EQ(SetMaxFrames(Unit(), 1024), noErr);
  EXPECT_EQ(Value<UInt32>(kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0), 1024u);
  EXPECT_EQ(mPlug->resetCount, 2);

  ASSERT_EQ(Set(kAudioUnitProperty_BypassEffect, kGlobal, 0, UInt32(3)), noErr);
  EXPECT_EQ(Value<UInt32>(kAudioUnitProperty_BypassEffect, kGlobal, 0), 1u);
  ASSERT_EQ(Set(kAudioUnitProperty_BypassEffect, kGlobal, 0, UInt32(0)), noErr);
  EXPECT_FALSE(mPlug->GetBypassed());
  EXPECT_EQ(mPlug->activations, (std::vector<bool>{false, true}));
  EXPECT_EQ(mPlug->resetCount, 4);

  ASSERT_EQ(Set(kAudioUnitProperty_OfflineRender, kGlobal, 0, UInt32(1)), noErr);
  EXPECT_TRUE(mPlug->GetRenderingOffline());
}

TEST_P(AUProperties, ContextNameKeepsNamesOutsideAsciiWholeAndRefusesAnythingElse)
{
  const auto trackName = [this] {
    LOOM_String track;
    mPlug->GetTrackName(track);
    return std::string(track.Get());
  };
  for (const char* text : {"Drums", "Überbaß – ギター 🎸", ""})
  {
    CFStringRef name = CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingUTF8);
    ASSERT_EQ(Set(kAudioUnitProperty_ContextName, kGlobal, 0, name), noErr);
    CFRelease(name);
    EXPECT_EQ(trackName(), text);
  }

  ASSERT_EQ(Set(kAudioUnitProperty_ContextName, kGlobal, 0, CFSTR("Bass")), noErr);
  const int notAString = 5;
  CFNumberRef number = CFNumberCreate(kCFAllocatorDefault, kCFNumberIntType, &notAString);
  EXPECT_EQ(Set(kAudioUnitProperty_ContextName, kGlobal, 0, number), kInvalidValue);
  CFRelease(number);
  EXPECT_EQ(Set(kAudioUnitProperty_ContextName, kGlobal, 0, CFStringRef(nullptr)), kInvalidValue);
  EXPECT_EQ(trackName(), "Bass");
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
  const HostCallbackInfo& kept = mPlug->HostCallbacks();
  EXPECT_EQ(std::tie(kept.hostUserData, kept.beatAndTempoProc, kept.transportStateProc2),
            std::make_tuple(static_cast<void*>(&userData), &BeatAndTempo, &TransportState2));

  // An older host's record ends before the second transport procedure.
  ASSERT_EQ(Set(kAudioUnitProperty_HostCallbacks, kGlobal, 0, full, offsetof(HostCallbackInfo, transportStateProc2)),
            noErr);
  EXPECT_EQ(kept.beatAndTempoProc, BeatAndTempo);
  EXPECT_EQ(kept.transportStateProc2, nullptr);
}

TEST_P(AUProperties, HostIdentifierIdentifiesTheHostOnce)
{
  ASSERT_EQ(Set(kAudioUnitProperty_AUHostIdentifier, kGlobal, 0,
                AUHostVersionIdentifier{CFSTR("reaper"), NumVersion{0, 0, 0x45, 6}}),
            noErr);
  const auto identity = [this] {
    return std::make_tuple(mPlug->GetHost(), std::string(mPlug->GetRawHostStr()), mPlug->GetHostVersion(false));
  };
  EXPECT_EQ(identity(), std::make_tuple(weft::kHostReaper, std::string("reaper"), (6 << 16) | (4 << 8) | 5));
  ASSERT_EQ(Set(kAudioUnitProperty_AUHostIdentifier, kGlobal, 0,
                AUHostVersionIdentifier{CFSTR("Logic Pro"), NumVersion{0, 0, 0x10, 10}}),
            noErr);
  EXPECT_EQ(identity(), std::make_tuple(weft::kHostReaper, std::string("reaper"), (6 << 16) | (4 << 8) | 5));
}

TEST_P(AUProperties, SetRenderCallbackConnectsAnInputBusWithAllItsChannelsOnlyInInputScope)
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
  EXPECT_EQ(mPlug->HostChannels(weft::kInput, 1), 2) << "no format was negotiated: the bus's own channels";
  EXPECT_EQ(mPlug->InputType(0), weft::IWeftAU::eNotConnected);

  ASSERT_EQ(Set(kAudioUnitProperty_SetRenderCallback, kIn, 1, AURenderCallbackStruct{nullptr, &source}), noErr);
  EXPECT_EQ(mPlug->InputType(1), weft::IWeftAU::eNotConnected);
  EXPECT_EQ(mPlug->Connection(1).mRenderCallback.inputProcRefCon, nullptr);
}

// --- Connections ------------------------------------------------------------------

// An upstream unit on the entry road that offers a fast render procedure and
// reports an output format of `channels` channels on its output 0.
struct FakeUpstream
{
  static inline UInt32 channels = 2;
  static inline int storage = 0;

  static OSStatus Render(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32,
                         AudioBufferList*)
  {
    return noErr;
  }

  template <class T>
  static ComponentResult Answer(ComponentParameters* cp, const T& value)
  {
    std::memcpy(PWShimComponentArgument<void*>(cp, 3), &value, sizeof value);
    *PWShimComponentArgument<UInt32*>(cp, 4) = sizeof value;
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
        AudioStreamBasicDescription asbd;
        weft::IWeftAU::MakeDefaultASBD(&asbd, 44100.0, static_cast<int>(channels), false);
        if (id == kAudioUnitProperty_StreamFormat && element == 0)
          return Answer(cp, asbd);
        if (id == kAudioUnitProperty_FastDispatch && element == kAudioUnitRenderSelect)
          return Answer(cp, weft::IWeftAURenderProc(Render));
        return kInvalidProperty;
      }
      default:
        return badComponentSelector;
    }
  }
};

// Opens a FakeUpstream whose output 0 has `channels` channels.
ComponentInstance OpenFakeUpstream(UInt32 channels)
{
  FakeUpstream::channels = channels;
  ComponentInstance upstream = nullptr;
  EXPECT_EQ(PWShimComponentInstanceNew(FakeUpstream::Entry, &upstream), noErr);
  return upstream;
}

TEST_P(AUProperties, MakeConnectionTakesTheUpstreamFormatAndFastProcedure)
{
  ComponentInstance upstream = OpenFakeUpstream(1);
  Listen(kAudioUnitProperty_StreamFormat);
  Listen(kAudioUnitProperty_MakeConnection, ListenerLog::Listen<2>);

  ASSERT_EQ(Set(kAudioUnitProperty_MakeConnection, kIn, 0, AudioUnitConnection{upstream, 0, 0}), noErr);
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
  ASSERT_EQ(Set(kAudioUnitProperty_MakeConnection, kGlobal, 0, AudioUnitConnection{upstream.Get(), 0, 0}), noErr);
  EXPECT_EQ(mPlug->InputType(0), weft::IWeftAU::eDirectNoFastProc);
  EXPECT_EQ(mPlug->Connection(0).mUpstreamRenderProc, nullptr);
  EXPECT_EQ(mPlug->HostChannels(weft::kInput, 0), 2);
}

TEST_P(AUProperties, MakeConnectionThatCannotBeNegotiatedLeavesTheBusClosed)
{
  ComponentInstance upstream = OpenFakeUpstream(2);
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
}

// --- Listeners ------------------------------------------------------------------------

TEST_P(AUProperties, EverySetTellsTheListenersOfItsIDFirst)
{
  Listen(kAudioUnitProperty_SampleRate, ListenerLog::Listen<1>);
  Listen(kAudioUnitProperty_SampleRate, ListenerLog::Listen<2>);
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
  EXPECT_EQ(Set(kAudioUnitProperty_CPULoad, kGlobal, 0, UInt32(1)), kInvalidProperty);
  EXPECT_EQ(Set(9999u, kIn, 3, UInt32(1)), kInvalidProperty);
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
  ListenerLog::Listen<1>(refCon, unit, id, scope, element);
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

TEST_P(AUProperties, BusesFollowTheConfigurationsAndGlobalScopeAddressesTheOutput)
{
  EXPECT_EQ(mPlug->NInBuses(), 2);
  EXPECT_EQ(mPlug->NOutBuses(), 1);
  ASSERT_NE(mPlug->GetBus(kIn, 0), nullptr);
  EXPECT_NE(mPlug->GetBus(kIn, 1), mPlug->GetBus(kIn, 0));
  EXPECT_EQ(mPlug->GetBus(kIn, 1)->mFirstPlugChannel, 2);
  EXPECT_EQ(mPlug->GetBus(kIn, 1)->mPlugChannels, 2);
  EXPECT_EQ(mPlug->GetBus(kOut, 0)->mPlugChannels, 2);
  EXPECT_EQ(mPlug->GetBus(kGlobal, 0), mPlug->GetBus(kOut, 0));
  for (const auto& [scope, bus] : {std::pair<AudioUnitScope, UInt32>{kIn, 2}, {kOut, 1}, {kGlobal, 1}, {kGroup, 0},
                                   {kIn, 0xFFFFFFFFu}, {kOut, 0x80000000u}})
    EXPECT_EQ(mPlug->GetBus(scope, bus), nullptr) << "scope " << scope << " bus " << bus;
}

TEST(AUPropertiesInstrument, AnInstrumentWithoutEditorOrInputsAnswersItsOwnTable)
{
  CFLeakCheck leakCheck;
  OpenUnit unit(Road::Factory, PropsInstrument_Factory, PropsInstrument_Entry);
  ASSERT_EQ(unit.Status(), noErr);
  auto* pPlug = unit.Object<PropsInstrument>();
  ASSERT_NE(pPlug, nullptr);

  EXPECT_EQ(PropValue<UInt32>(unit, kMusicDeviceProperty_InstrumentCount, kGlobal, 0), 1u);
  EXPECT_EQ(GetPropInfo(unit, kMusicDeviceProperty_InstrumentCount, kGlobal, 0).size, 4u);
  UInt32 count = 0;
  EXPECT_EQ(GetProp(unit, kMusicDeviceProperty_InstrumentCount, kOut, 0, count), kInvalidProperty);

  EXPECT_EQ(GetPropInfo(unit, kAudioUnitProperty_CocoaUI, kGlobal, 0).status, kInvalidProperty);
  EXPECT_EQ(GetPropInfo(unit, kAudioUnitProperty_SetRenderCallback, kIn, 0).status, kInvalidProperty);
  EXPECT_EQ(SetProp(unit, kAudioUnitProperty_SetRenderCallback, kIn, 0, AURenderCallbackStruct{}), kInvalidProperty);
  EXPECT_EQ(pPlug->NInBuses(), 0);
  EXPECT_EQ(pPlug->GetBus(kIn, 0), nullptr);
  EXPECT_EQ(PropValue<UInt32>(unit, kAudioUnitProperty_ElementCount, kIn, 0), 0u);
}

} // namespace
} // namespace pw::test
