// Opening, initialising and closing a unit on both roads, the Component
// Manager dispatch, listener registration and host identification.

#include "AUTestHost.h"

#include <CoreFoundation/PWShimCFBundle.h>

#include <cstring>
#include <vector>

using namespace pw::test;

namespace {

class UnitOnRoad : public ::testing::TestWithParam<Road>
{
protected:
  void SetUp() override
  {
    PWShimCFBundleClearMainBundle();
    ASSERT_EQ(unit.Status(), noErr);
    plug = unit.Object();
    ASSERT_NE(plug, nullptr);
  }
  void TearDown() override { PWShimCFBundleClearMainBundle(); }

  OpenUnit unit{GetParam()};
  TestAUPlugin* plug = nullptr;
};

PW_INSTANTIATE_BOTH_ROADS(UnitOnRoad);

TEST_P(UnitOnRoad, OpensInactiveAndInitializeUninitializeAndResetReachTheProcessor)
{
  EXPECT_STREQ(plug->CocoaViewClass(), "TestAUPlugin_View");
  EXPECT_EQ(plug->GetComponentInstance(), unit.Get());
  EXPECT_EQ(plug->NPresets(), 0) << "the configuration's one preset slot was never filled";
  EXPECT_FALSE(plug->IsActive());

  EXPECT_EQ(AudioUnitInitialize(unit), noErr);
  EXPECT_TRUE(plug->IsActive());
  EXPECT_EQ(AudioUnitUninitialize(unit), noErr);
  EXPECT_FALSE(plug->IsActive());
  EXPECT_EQ(AudioUnitInitialize(unit), noErr);
  EXPECT_EQ(plug->activations, (std::vector<bool>{true, false, true}));

  const int resets = plug->resetCount;
  EXPECT_EQ(AudioUnitReset(unit, kAudioUnitScope_Global, 0), noErr);
  EXPECT_EQ(plug->resetCount, resets + 1);
}

TEST_P(UnitOnRoad, InitializeRefusesAnIllegalChannelConfigurationAndStaysInactive)
{
  // "1-1 2.2-2.2": each alone is legal before Initialize; together (1 in,
  // 2 out) no configuration has them.
  OpenUnit twoOut(GetParam(), TestAUTwoOutPlugin_Factory, TestAUTwoOutPlugin_Entry);
  auto* twoOutPlug = twoOut.Object<TestAUTwoOutPlugin>();
  ASSERT_EQ(SetStreamChannels(twoOut, kAudioUnitScope_Input, 0, 1), noErr);
  ASSERT_EQ(SetStreamChannels(twoOut, kAudioUnitScope_Output, 0, 2), noErr);
  EXPECT_EQ(AudioUnitInitialize(twoOut), badComponentSelector);
  EXPECT_FALSE(twoOutPlug->IsActive());
  EXPECT_TRUE(twoOutPlug->activations.empty());

  ASSERT_EQ(SetStreamChannels(twoOut, kAudioUnitScope_Output, 0, 1), noErr);
  EXPECT_EQ(AudioUnitInitialize(twoOut), noErr);
}

TEST_P(UnitOnRoad, MidiInputIsABadSelectorForAPluginWithoutMidiIn)
{
  const UInt8 sysex[] = {0xF0, 0x7E, 0xF7};
  EXPECT_EQ(MusicDeviceMIDIEvent(unit, 0x90, 60, 100, 0), badComponentSelector);
  EXPECT_EQ(MusicDeviceSysEx(unit, sysex, sizeof sysex), badComponentSelector);
  EXPECT_TRUE(plug->midiIn.empty());
}

// --- Property listeners ------------------------------------------------------

// Every call of a listener: its user data and what it was told.
struct ListenerCall
{
  void* userData;
  AudioUnit unit;
  AudioUnitPropertyID id;
};

std::vector<ListenerCall> gListenerCalls;

template <int>
void Listener(void* userData, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope, AudioUnitElement)
{
  gListenerCalls.push_back({userData, unit, id});
}

constexpr AudioUnitPropertyID kUnhandledID = 4242;

// Sets a property the unit does not handle: its listeners are told all the same.
size_t TouchProperty(AudioUnit unit, AudioUnitPropertyID id = kUnhandledID)
{
  gListenerCalls.clear();
  SetProp(unit, id, kAudioUnitScope_Global, 0, UInt32(0));
  return gListenerCalls.size();
}

TEST_P(UnitOnRoad, AddingTheSameListenerTwiceKeepsTheFirstRegistration)
{
  int first = 0, second = 0;
  EXPECT_EQ(AudioUnitAddPropertyListener(unit, kUnhandledID, Listener<1>, &first), noErr);
  EXPECT_EQ(AudioUnitAddPropertyListener(unit, kUnhandledID, Listener<1>, &second), noErr);
  ASSERT_EQ(TouchProperty(unit), 1u);
  EXPECT_EQ(gListenerCalls[0].userData, &first);
  EXPECT_EQ(gListenerCalls[0].unit, unit.Get());
  EXPECT_EQ(gListenerCalls[0].id, kUnhandledID);
}

TEST_P(UnitOnRoad, ListenersAreRemovedByProcedureOrByProcedureAndUserData)
{
  int a = 0, b = 0;
  ASSERT_EQ(AudioUnitAddPropertyListener(unit, kUnhandledID, Listener<1>, &a), noErr);
  ASSERT_EQ(AudioUnitAddPropertyListener(unit, kUnhandledID, Listener<2>, &b), noErr);

  // Wrong user data, or another ID: nothing removed, still success.
  EXPECT_EQ(AudioUnitRemovePropertyListenerWithUserData(unit, kUnhandledID, Listener<2>, &a), noErr);
  EXPECT_EQ(AudioUnitRemovePropertyListener(unit, kUnhandledID + 1, Listener<1>), noErr);
  EXPECT_EQ(TouchProperty(unit), 2u);

  EXPECT_EQ(AudioUnitRemovePropertyListenerWithUserData(unit, kUnhandledID, Listener<2>, &b), noErr);
  ASSERT_EQ(TouchProperty(unit), 1u);
  EXPECT_EQ(gListenerCalls[0].userData, &a);
  EXPECT_EQ(AudioUnitRemovePropertyListener(unit, kUnhandledID, Listener<1>), noErr);
  EXPECT_EQ(TouchProperty(unit), 0u);
}

TEST_P(UnitOnRoad, ANullOrOneListenerTooManyIsRefusedWithoutLosingTheRegisteredOnes)
{
  EXPECT_EQ(AudioUnitAddPropertyListener(unit, kUnhandledID, nullptr, nullptr), kAudio_ParamError);
  EXPECT_EQ(AudioUnitAddRenderNotify(unit, nullptr, nullptr), kAudio_ParamError);
  for (int i = 0; i < weft::IWeftAU::kMaxPropertyListeners; ++i)
    ASSERT_EQ(AudioUnitAddPropertyListener(unit, 5000 + i, Listener<1>, nullptr), noErr);
  EXPECT_EQ(AudioUnitAddPropertyListener(unit, kUnhandledID, Listener<1>, nullptr), kAudio_MemFullError);
  EXPECT_EQ(TouchProperty(unit, 5000), 1u);
  EXPECT_EQ(TouchProperty(unit, 5000 + weft::IWeftAU::kMaxPropertyListeners - 1), 1u);
}

// --- Host identification -----------------------------------------------------

TEST_P(UnitOnRoad, InitializeIdentifiesTheHostFromTheMainBundleOnce)
{
  ASSERT_TRUE(PWShimCFBundleSetMainBundle(nullptr, "com.ddmf.PluginDoctor", "2.1.7"));
  EXPECT_EQ(plug->GetHost(), weft::kHostUninit) << "identification waits for Initialize";
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  EXPECT_EQ(plug->GetHost(), weft::kHostPluginDoctor);
  EXPECT_STREQ(plug->GetRawHostStr(), "com.ddmf.PluginDoctor");
  EXPECT_EQ(plug->GetHostVersion(false), (2 << 16) | (1 << 8) | 7);

  ASSERT_TRUE(PWShimCFBundleSetMainBundle(nullptr, "com.apple.logic10", "10.0.0"));
  ASSERT_EQ(AudioUnitUninitialize(unit), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  EXPECT_EQ(plug->GetHost(), weft::kHostPluginDoctor);
}

TEST_P(UnitOnRoad, WithoutAMainBundleOrItsIdentifierTheHostIsUnknownWithVersionZero)
{
  for (bool withBundle : {false, true})
  {
    OpenUnit fresh(GetParam());
    if (withBundle)
    {
      ASSERT_TRUE(PWShimCFBundleSetMainBundle(nullptr, nullptr, nullptr));
    }
    ASSERT_EQ(AudioUnitInitialize(fresh), noErr);
    EXPECT_EQ(fresh.Object()->GetHost(), weft::kHostUnknown) << withBundle;
    EXPECT_STREQ(fresh.Object()->GetRawHostStr(), "") << withBundle;
    EXPECT_EQ(fresh.Object()->GetHostVersion(false), 0) << withBundle;
  }
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

TEST(ComponentEntry, AnswersCanDoForTheAudioUnitSelectorsTheVersionAndBadSelectorsForTheRest)
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
  EXPECT_EQ(Dispatch(unit, kComponentVersionSelect), kTestAUVersion);
  EXPECT_EQ(Dispatch(unit, 300), badComponentSelector);
  EXPECT_EQ(Dispatch(unit, 8), badComponentSelector);
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

TEST(ComponentEntry, CloseDeletesTheObjectAndLeavesNoCoreFoundationObjectBehind)
{
  CFLeakCheck leakCheck;
  const UInt32 instancesBefore = PWShimComponentInstanceCount();
  OpenUnit unit(Road::Entry);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  EXPECT_EQ(PWShimComponentInstanceCount(), instancesBefore + 1);
  EXPECT_EQ(unit.Close(), noErr);
  EXPECT_EQ(PWShimComponentInstanceCount(), instancesBefore);
}

// --- The AudioComponent road --------------------------------------------------

using TestFactory = weft::IWeftAUFactory<TestAUPlugin, false>;

TEST(AudioComponentFactory, TheBlockHeadHoldsItsEightWordsInOrder)
{
  void* pBlock = TestAUPlugin_Factory(nullptr);
  ASSERT_NE(pBlock, nullptr);
  void* words[8];
  std::memcpy(words, pBlock, sizeof words);
  const auto word = [](auto fn) { return reinterpret_cast<void*>(fn); };
  void* const expected[8] = {word(&TestFactory::Open),      word(&TestFactory::Close),    word(&TestFactory::Lookup),
                             nullptr,                       word(&TestFactory::Construct), word(&TestFactory::Destruct),
                             nullptr,                       nullptr};
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(words[i], expected[i]) << "word " << i;
  std::free(pBlock);
}

TEST(AudioComponentFactory, LookupOffersTheAudioUnitSelectorsAndMidiOnlyWithMidiIn)
{
  for (SInt16 s : {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 14, 15, 16, 17, 18})
    EXPECT_NE(TestFactory::Lookup(s), nullptr) << "selector " << s;
  for (SInt16 s : {0, 8, 12, 13, 19, 257, 258, -1, -3})
    EXPECT_EQ(TestFactory::Lookup(s), nullptr) << "selector " << s;
  EXPECT_NE((weft::IWeftAUFactory<TestAUMidiPlugin, true>::Lookup(257)), nullptr);
  EXPECT_NE((weft::IWeftAUFactory<TestAUMidiPlugin, true>::Lookup(258)), nullptr);
}

// --- MIDI input --------------------------------------------------------------

class MidiUnitOnRoad : public ::testing::TestWithParam<Road>
{
};

PW_INSTANTIATE_BOTH_ROADS(MidiUnitOnRoad);

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

} // namespace
