// Opening, initialising and closing a unit on both roads, the Component
// Manager dispatch, listener registration and host identification.

#include "AUTestHost.h"

#include <CoreFoundation/PWShimCFBase.h>
#include <CoreFoundation/PWShimCFBundle.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace pw::test;

namespace {

constexpr ComponentResult kBadSelector = static_cast<ComponentResult>(0x80008002);

class UnitOnRoad : public ::testing::TestWithParam<Road>
{
protected:
  void SetUp() override { PWShimCFBundleClearMainBundle(); }
  void TearDown() override { PWShimCFBundleClearMainBundle(); }
};

INSTANTIATE_TEST_SUITE_P(BothRoads, UnitOnRoad, ::testing::Values(Road::Factory, Road::Entry),
                         [](const ::testing::TestParamInfo<Road>& info) { return RoadName(info.param); });

TEST_P(UnitOnRoad, OpensWithTheViewClassTheInstanceHandleAndNoUnfilledPreset)
{
  OpenUnit unit(GetParam());
  ASSERT_EQ(unit.Status(), noErr);
  TestAUPlugin* pPlug = unit.Object();
  ASSERT_NE(pPlug, nullptr);
  EXPECT_STREQ(pPlug->CocoaViewClass(), "TestAUPlugin_View");
  EXPECT_EQ(pPlug->GetComponentInstance(), unit.Get());
  EXPECT_EQ(pPlug->NPresets(), 0) << "the configuration's one preset slot was never filled";
}

TEST_P(UnitOnRoad, InitializeActivatesAndUninitializeDeactivates)
{
  OpenUnit unit(GetParam());
  TestAUPlugin* pPlug = unit.Object();
  ASSERT_NE(pPlug, nullptr);

  EXPECT_EQ(AudioUnitInitialize(unit), noErr);
  EXPECT_TRUE(pPlug->IsActive());
  EXPECT_EQ(AudioUnitUninitialize(unit), noErr);
  EXPECT_FALSE(pPlug->IsActive());
  EXPECT_EQ(AudioUnitInitialize(unit), noErr);
  EXPECT_EQ(pPlug->activations, (std::vector<bool>{true, false, true}));
}

TEST_P(UnitOnRoad, ResetReachesTheProcessor)
{
  OpenUnit unit(GetParam());
  TestAUPlugin* pPlug = unit.Object();
  ASSERT_NE(pPlug, nullptr);
  const int before = pPlug->resetCount;
  EXPECT_EQ(AudioUnitReset(unit, kAudioUnitScope_Global, 0), noErr);
  EXPECT_EQ(pPlug->resetCount, before + 1);
}

TEST_P(UnitOnRoad, InitializeRefusesAnIllegalChannelConfigurationAndStaysInactive)
{
  OpenUnit unit(GetParam());
  TestAUPlugin* pPlug = unit.Object();
  ASSERT_NE(pPlug, nullptr);

  // Each alone is legal before Initialize; together (1 in, 2 out) no
  // configuration has them.
  ASSERT_EQ(SetStreamChannels(unit, kAudioUnitScope_Input, 0, 1), noErr);
  ASSERT_EQ(SetStreamChannels(unit, kAudioUnitScope_Output, 0, 2), noErr);

  EXPECT_EQ(AudioUnitInitialize(unit), kBadSelector);
  EXPECT_FALSE(pPlug->IsActive());
  EXPECT_TRUE(pPlug->activations.empty());

  ASSERT_EQ(SetStreamChannels(unit, kAudioUnitScope_Output, 0, 1), noErr);
  EXPECT_EQ(AudioUnitInitialize(unit), noErr);
}

TEST_P(UnitOnRoad, GetParameterAndSetParameterWorkInGlobalScopeOnly)
{
  OpenUnit unit(GetParam());
  TestAUPlugin* pPlug = unit.Object();
  ASSERT_NE(pPlug, nullptr);

  EXPECT_EQ(AudioUnitSetParameter(unit, 0, kAudioUnitScope_Global, 0, 2.5f, 0), noErr);
  AudioUnitParameterValue value = 0.0f;
  EXPECT_EQ(AudioUnitGetParameter(unit, 0, kAudioUnitScope_Global, 0, &value), noErr);
  EXPECT_EQ(value, 2.5f);

  EXPECT_EQ(AudioUnitSetParameter(unit, 0, kAudioUnitScope_Input, 0, 1.0f, 0), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(AudioUnitGetParameter(unit, 0, kAudioUnitScope_Output, 0, &value), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(AudioUnitSetParameter(unit, 1, kAudioUnitScope_Global, 0, 1.0f, 0), kAudioUnitErr_InvalidElement);
  EXPECT_EQ(AudioUnitSetParameter(unit, 0, kAudioUnitScope_Global, 0, std::nanf(""), 0),
            kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(pPlug->GetParam(0)->Value(), 2.5) << "refused calls change nothing";
}

// --- Property listeners ------------------------------------------------------

struct ListenerLog
{
  struct Call
  {
    void* userData;
    AudioUnit unit;
    AudioUnitPropertyID id;
    AudioUnitScope scope;
  };
  static std::vector<Call>& Calls()
  {
    static std::vector<Call> calls;
    return calls;
  }
  static void ProcA(void* userData, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement)
  {
    Calls().push_back({userData, unit, id, scope});
  }
  static void ProcB(void* userData, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement)
  {
    Calls().push_back({userData, unit, id, scope});
  }
};

constexpr AudioUnitPropertyID kUnhandledID = 4242;

void TouchProperty(AudioUnit unit, AudioUnitPropertyID id)
{
  const UInt32 value = 0;
  AudioUnitSetProperty(unit, id, kAudioUnitScope_Global, 0, &value, sizeof value);
}

TEST_P(UnitOnRoad, AddingTheSameListenerTwiceKeepsTheFirstRegistration)
{
  OpenUnit unit(GetParam());
  int first = 0, second = 0;
  ListenerLog::Calls().clear();

  EXPECT_EQ(AudioUnitAddPropertyListener(unit, kUnhandledID, ListenerLog::ProcA, &first), noErr);
  EXPECT_EQ(AudioUnitAddPropertyListener(unit, kUnhandledID, ListenerLog::ProcA, &second), noErr);
  TouchProperty(unit, kUnhandledID);

  ASSERT_EQ(ListenerLog::Calls().size(), 1u);
  EXPECT_EQ(ListenerLog::Calls()[0].userData, &first);
  EXPECT_EQ(ListenerLog::Calls()[0].unit, unit.Get());
  EXPECT_EQ(ListenerLog::Calls()[0].id, kUnhandledID);
}

TEST_P(UnitOnRoad, ListenersAreRemovedByProcedureOrByProcedureAndUserData)
{
  OpenUnit unit(GetParam());
  int a = 0, b = 0;
  ListenerLog::Calls().clear();
  ASSERT_EQ(AudioUnitAddPropertyListener(unit, kUnhandledID, ListenerLog::ProcA, &a), noErr);
  ASSERT_EQ(AudioUnitAddPropertyListener(unit, kUnhandledID, ListenerLog::ProcB, &b), noErr);

  // Wrong user data: nothing removed, still success.
  EXPECT_EQ(AudioUnitRemovePropertyListenerWithUserData(unit, kUnhandledID, ListenerLog::ProcB, &a), noErr);
  TouchProperty(unit, kUnhandledID);
  EXPECT_EQ(ListenerLog::Calls().size(), 2u);

  EXPECT_EQ(AudioUnitRemovePropertyListenerWithUserData(unit, kUnhandledID, ListenerLog::ProcB, &b), noErr);
  EXPECT_EQ(AudioUnitRemovePropertyListener(unit, kUnhandledID + 1, ListenerLog::ProcA), noErr)
    << "another ID matches nothing";
  ListenerLog::Calls().clear();
  TouchProperty(unit, kUnhandledID);
  ASSERT_EQ(ListenerLog::Calls().size(), 1u);
  EXPECT_EQ(ListenerLog::Calls()[0].userData, &a);

  EXPECT_EQ(AudioUnitRemovePropertyListener(unit, kUnhandledID, ListenerLog::ProcA), noErr);
  ListenerLog::Calls().clear();
  TouchProperty(unit, kUnhandledID);
  EXPECT_TRUE(ListenerLog::Calls().empty());
}

TEST_P(UnitOnRoad, ANullListenerIsRefused)
{
  OpenUnit unit(GetParam());
  EXPECT_EQ(AudioUnitAddPropertyListener(unit, kUnhandledID, nullptr, nullptr), kAudio_ParamError);
  EXPECT_EQ(AudioUnitAddRenderNotify(unit, nullptr, nullptr), kAudio_ParamError);
}

TEST_P(UnitOnRoad, AFullListenerTableRefusesMoreWithoutLosingTheRegisteredOnes)
{
  OpenUnit unit(GetParam());
  ListenerLog::Calls().clear();
  for (int i = 0; i < weft::IWeftAU::kMaxPropertyListeners; ++i)
    ASSERT_EQ(AudioUnitAddPropertyListener(unit, 5000 + i, ListenerLog::ProcA, nullptr), noErr);
  EXPECT_EQ(AudioUnitAddPropertyListener(unit, kUnhandledID, ListenerLog::ProcA, nullptr), kAudio_MemFullError);
  TouchProperty(unit, 5000);
  EXPECT_EQ(ListenerLog::Calls().size(), 1u);
}

// --- Host identification -----------------------------------------------------

TEST_P(UnitOnRoad, InitializeIdentifiesTheHostFromTheMainBundle)
{
  ASSERT_TRUE(PWShimCFBundleSetMainBundle(nullptr, "com.ddmf.PluginDoctor", "2.1.7"));
  OpenUnit unit(GetParam());
  TestAUPlugin* pPlug = unit.Object();
  ASSERT_NE(pPlug, nullptr);
  EXPECT_EQ(pPlug->GetHost(), weft::kHostUninit) << "identification waits for Initialize";

  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  EXPECT_EQ(pPlug->GetHost(), weft::kHostPluginDoctor);
  EXPECT_STREQ(pPlug->GetRawHostStr(), "com.ddmf.PluginDoctor");
  EXPECT_EQ(pPlug->GetHostVersion(false), (2 << 16) | (1 << 8) | 7);

  // A second Initialize keeps the first identification.
  ASSERT_TRUE(PWShimCFBundleSetMainBundle(nullptr, "com.apple.logic10", "10.0.0"));
  ASSERT_EQ(AudioUnitUninitialize(unit), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  EXPECT_EQ(pPlug->GetHost(), weft::kHostPluginDoctor);
}

TEST_P(UnitOnRoad, WithoutAMainBundleTheHostIsUnknownWithVersionZero)
{
  OpenUnit unit(GetParam());
  TestAUPlugin* pPlug = unit.Object();
  ASSERT_NE(pPlug, nullptr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  EXPECT_EQ(pPlug->GetHost(), weft::kHostUnknown);
  EXPECT_EQ(pPlug->GetHostVersion(false), 0);
}

TEST_P(UnitOnRoad, AMainBundleWithoutVersionOrIdentifierStillIdentifies)
{
  ASSERT_TRUE(PWShimCFBundleSetMainBundle(nullptr, nullptr, nullptr));
  OpenUnit unit(GetParam());
  TestAUPlugin* pPlug = unit.Object();
  ASSERT_NE(pPlug, nullptr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  EXPECT_EQ(pPlug->GetHost(), weft::kHostUnknown);
  EXPECT_STREQ(pPlug->GetRawHostStr(), "");
  EXPECT_EQ(pPlug->GetHostVersion(false), 0);
}

TEST(BundleVersion, PacksMajorMinorAndPatchIntoOneWord)
{
  using weft::IWeftAU;
  EXPECT_EQ(IWeftAU::ParseBundleVersion("10"), 0x000A0000);
  EXPECT_EQ(IWeftAU::ParseBundleVersion("1.2.3"), 0x00010203);
  EXPECT_EQ(IWeftAU::ParseBundleVersion("2.34.567"), (2 << 16) | (34 << 8) | (567 & 0xFF));
  EXPECT_EQ(IWeftAU::ParseBundleVersion("1.2"), 0x00010200);
  EXPECT_EQ(IWeftAU::ParseBundleVersion("70000.1"), ((70000 & 0xFFFF) << 16) | (1 << 8));
  EXPECT_EQ(IWeftAU::ParseBundleVersion("3b4"), 0x00030400) << "any character separates the parts";
  EXPECT_EQ(IWeftAU::ParseBundleVersion("beta"), 0);
  EXPECT_EQ(IWeftAU::ParseBundleVersion(""), 0);
  EXPECT_EQ(IWeftAU::ParseBundleVersion(nullptr), 0);
}

// --- The Component Manager road ---------------------------------------------

// Sends selector what with the given argument words to the open instance.
ComponentResult Dispatch(AudioUnit unit, SInt16 what, std::vector<long> args = {})
{
  alignas(ComponentParameters) unsigned char memory[PWShimComponentParametersSize(8)];
  ComponentParameters* cp = PWShimComponentParametersInit(memory, sizeof memory, unit, what,
                                                          static_cast<UInt32>(args.size()), args.data());
  return CallComponentDispatch(cp);
}

TEST(ComponentEntry, CanDoAnnouncesTheAudioUnitSelectorsButNotEighteenOrMidi)
{
  OpenUnit unit(Road::Entry);
  ASSERT_EQ(unit.Status(), noErr);
  const auto canDo = [&](SInt16 selector) {
    return Dispatch(unit, kComponentCanDoSelect, {PWShimComponentArgWord(selector)});
  };
  for (SInt16 s : {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 14, 15, 16, 17})
    EXPECT_EQ(canDo(s), 1) << "selector " << s;
  for (SInt16 s : {0, 8, 12, 13, 18, 257, 258, -1})
    EXPECT_EQ(canDo(s), 0) << "selector " << s;
}

TEST(ComponentEntry, VersionIsThePluginVersion)
{
  OpenUnit unit(Road::Entry);
  EXPECT_EQ(Dispatch(unit, kComponentVersionSelect), kTestAUVersion);
}

TEST(ComponentEntry, AnUnknownSelectorIsABadSelector)
{
  OpenUnit unit(Road::Entry);
  EXPECT_EQ(Dispatch(unit, 300), kBadSelector);
  EXPECT_EQ(Dispatch(unit, 8), kBadSelector);
}

TEST(ComponentEntry, StartNotePlaysNothingButHandsBackThePitchAsNoteID)
{
  OpenUnit unit(Road::Entry);
  MusicDeviceNoteParams params{};
  params.argCount = 2;
  params.mPitch = 60.7f;
  params.mVelocity = 100.0f;
  NoteInstanceID noteID = 0;
  EXPECT_EQ(MusicDeviceStartNote(unit, 0, 0, &noteID, 0, &params), noErr);
  EXPECT_EQ(noteID, 60u);
  EXPECT_EQ(MusicDeviceStopNote(unit, 0, noteID, 0), noErr);
}

TEST(ComponentEntry, MidiInputIsABadSelectorForAPluginWithoutMidiIn)
{
  OpenUnit unit(Road::Entry);
  const UInt8 sysex[] = {0xF0, 0x7E, 0xF7};
  EXPECT_EQ(MusicDeviceMIDIEvent(unit, 0x90, 60, 100, 0), kBadSelector);
  EXPECT_EQ(MusicDeviceSysEx(unit, sysex, sizeof sysex), kBadSelector);
}

TEST(ComponentEntry, CloseDeletesTheObjectAndLeavesNoCoreFoundationObjectBehind)
{
  const CFIndex before = PWShimCFLiveObjectCount();
  const UInt32 instancesBefore = PWShimComponentInstanceCount();
  {
    OpenUnit unit(Road::Entry);
    ASSERT_EQ(AudioUnitInitialize(unit), noErr);
    EXPECT_EQ(PWShimComponentInstanceCount(), instancesBefore + 1);
    EXPECT_EQ(unit.Close(), noErr);
  }
  EXPECT_EQ(PWShimComponentInstanceCount(), instancesBefore);
  EXPECT_EQ(PWShimCFLiveObjectCount(), before);
}

// --- The AudioComponent road --------------------------------------------------

using TestFactory = weft::IWeftAUFactory<TestAUPlugin, false>;

TEST(AudioComponentFactory, TheBlockHeadHoldsItsEightWordsInOrder)
{
  void* pBlock = TestAUPlugin_Factory(nullptr);
  ASSERT_NE(pBlock, nullptr);
  void* words[8];
  std::memcpy(words, pBlock, sizeof words);
  EXPECT_EQ(words[0], reinterpret_cast<void*>(&TestFactory::Open));
  EXPECT_EQ(words[1], reinterpret_cast<void*>(&TestFactory::Close));
  EXPECT_EQ(words[2], reinterpret_cast<void*>(&TestFactory::Lookup));
  EXPECT_EQ(words[3], nullptr);
  EXPECT_EQ(words[4], reinterpret_cast<void*>(&TestFactory::Construct));
  EXPECT_EQ(words[5], reinterpret_cast<void*>(&TestFactory::Destruct));
  EXPECT_EQ(words[6], nullptr);
  EXPECT_EQ(words[7], nullptr);
  std::free(pBlock);
}

TEST(AudioComponentFactory, TheObjectStartsSixtyFourBytesIntoTheBlock)
{
  auto* pInterface = static_cast<AudioComponentPlugInInterface*>(TestAUPlugin_Factory(nullptr));
  ASSERT_NE(pInterface, nullptr);
  AudioUnit unit = nullptr;
  ASSERT_EQ(PWShimAudioComponentInstanceNew(pInterface, &unit), noErr);
  void* pObject = nullptr;
  UInt32 size = sizeof pObject;
  ASSERT_EQ(AudioUnitGetProperty(unit, weft::IWeftAU::kIWeftAUProperty_PlugInObject, kAudioUnitScope_Global, 0,
                                 &pObject, &size),
            noErr);
  EXPECT_EQ(static_cast<void*>(static_cast<TestAUPlugin*>(static_cast<weft::IWeftAU*>(pObject))),
            static_cast<void*>(reinterpret_cast<char*>(pInterface) + 64));
  EXPECT_EQ(PWShimAudioComponentInstanceDispose(unit), noErr);
}

TEST(AudioComponentFactory, LookupOffersTheAudioUnitSelectorsOnly)
{
  for (SInt16 s : {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 14, 15, 16, 17, 18})
    EXPECT_NE(TestFactory::Lookup(s), nullptr) << "selector " << s;
  for (SInt16 s : {0, 8, 12, 13, 19, 257, 258, -1, -3})
    EXPECT_EQ(TestFactory::Lookup(s), nullptr) << "selector " << s;
  EXPECT_NE((weft::IWeftAUFactory<TestAUMidiPlugin, true>::Lookup(257)), nullptr);
  EXPECT_NE((weft::IWeftAUFactory<TestAUMidiPlugin, true>::Lookup(258)), nullptr);
}

TEST(AudioComponentFactory, MidiSelectorsAreNotOfferedWithoutMidiIn)
{
  OpenUnit unit(Road::Factory);
  EXPECT_EQ(MusicDeviceMIDIEvent(unit, 0x90, 60, 100, 0), badComponentSelector);
}

// --- MIDI input --------------------------------------------------------------

class MidiUnitOnRoad : public UnitOnRoad
{
};

INSTANTIATE_TEST_SUITE_P(BothRoads, MidiUnitOnRoad, ::testing::Values(Road::Factory, Road::Entry),
                         [](const ::testing::TestParamInfo<Road>& info) { return RoadName(info.param); });

TEST_P(MidiUnitOnRoad, AMidiEventReachesTheProcessorAndTheEditorQueue)
{
  OpenUnit unit(GetParam(), TestAUMidiPlugin_Factory, TestAUMidiPlugin_Entry);
  ASSERT_EQ(unit.Status(), noErr);
  auto* pPlug = unit.Object<TestAUMidiPlugin>();
  ASSERT_NE(pPlug, nullptr);

  EXPECT_EQ(MusicDeviceMIDIEvent(unit, 0x91, 64, 99, 17), noErr);
  ASSERT_EQ(pPlug->midiIn.size(), 1u);
  EXPECT_EQ(pPlug->midiIn[0].mStatus, 0x91);
  EXPECT_EQ(pPlug->midiIn[0].mData1, 64);
  EXPECT_EQ(pPlug->midiIn[0].mData2, 99);
  EXPECT_EQ(pPlug->midiIn[0].mOffset, 17);

  weft::IMidiMsg queued;
  ASSERT_TRUE(pPlug->MidiToEditor().Pop(queued));
  EXPECT_EQ(queued.mStatus, 0x91);
  EXPECT_EQ(queued.mOffset, 17);

  const UInt8 sysex[] = {0xF0, 0x7E, 0xF7};
  EXPECT_EQ(MusicDeviceSysEx(unit, sysex, sizeof sysex), noErr);
  EXPECT_EQ(MusicDeviceSysEx(unit, nullptr, 3), kAudio_ParamError);
}

// --- Construction ------------------------------------------------------------

TEST(Construction, BusesFollowTheChannelConfigurations)
{
  OpenUnit unit(Road::Entry);
  TestAUPlugin* pPlug = unit.Object();
  ASSERT_NE(pPlug, nullptr);
  EXPECT_EQ(pPlug->NInBuses(), 2);
  EXPECT_EQ(pPlug->NOutBuses(), 1);
  EXPECT_EQ(pPlug->GetBus(kAudioUnitScope_Input, 1)->mFirstPlugChannel, 2);
  EXPECT_EQ(pPlug->GetBus(kAudioUnitScope_Input, 1)->mPlugChannels, 2);
  EXPECT_EQ(pPlug->GetBus(kAudioUnitScope_Output, 0)->mPlugChannels, 2);
  EXPECT_EQ(pPlug->GetBlockSize(), 512);
}

TEST(Construction, APluginWhoseOnlyInputHasNoChannelsHasNoInputBus)
{
  OpenUnit unit(Road::Factory, TestAUGenerator_Factory, TestAUGenerator_Entry);
  ASSERT_EQ(unit.Status(), noErr);
  auto* pPlug = unit.Object<TestAUGenerator>();
  ASSERT_NE(pPlug, nullptr);
  EXPECT_EQ(pPlug->NInBuses(), 0);
  EXPECT_EQ(pPlug->NOutBuses(), 1);
  const UInt32 frames = 0;
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &frames, 4),
            kAudioUnitErr_InvalidProperty);
}

} // namespace
