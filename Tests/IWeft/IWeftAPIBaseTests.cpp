#include "IWeftAPIBase.h"

#include "TestAPIPlugin.h"

#include <CoreFoundation/PWShimCFBase.h>
#include <CoreFoundation/PWShimRunLoop.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using pw::test::TestAPIPlugin;
using weft::IMidiMsg;
using weft::ISysEx;
using weft::ParamTuple;
using weft::SysExData;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Every test runs on the virtual clock, so timer ticks happen only when a
// test advances it, and must leave no CoreFoundation object behind.
class APIBaseTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(PWShimRunLoopSetVirtualClock(true));
    mLiveAtStart = PWShimCFLiveObjectCount();
  }

  void TearDown() override
  {
    EXPECT_EQ(PWShimCFLiveObjectCount(), mLiveAtStart);
    PWShimRunLoopSetVirtualClock(false);
  }

  // Starts the timer and fires its first (immediate) tick.
  static void StartTimer(TestAPIPlugin& plugin)
  {
    plugin.CreateTimer();
    ASSERT_EQ(PWShimRunLoopFireDue(), 1);
  }
  // One more 20 ms tick.
  static void NextTick() { ASSERT_EQ(PWShimRunLoopAdvance(0.020), 1); }

  CFIndex mLiveAtStart = 0;
};

IMidiMsg NoteOn(int note)
{
  IMidiMsg msg;
  msg.MakeNoteOnMsg(note, 100, note % 16, 0);
  return msg;
}

std::vector<uint8_t> StateBytes(const std::vector<double>& values)
{
  std::vector<uint8_t> bytes(values.size() * sizeof(double));
  std::memcpy(bytes.data(), values.data(), bytes.size());
  return bytes;
}

} // namespace

// --- Construction and timer

TEST_F(APIBaseTest, ConstructionTakesTheConfigurationAndKeepsAtMost128CharactersOfEachName)
{
  const std::string longName(200, 'n');
  weft::Config config = pw::test::MakeTestConfig("2-2", 1, 2);
  config.pluginName = config.productName = config.mfrName = longName.c_str();
  weft::IWeftAPIBase plugin(config, weft::kAPIVST3);
  for (const char* name : {plugin.GetPluginName(), plugin.GetProductName(), plugin.GetMfrName()})
    EXPECT_EQ(std::string(name), std::string(128, 'n'));
  EXPECT_EQ(std::vector<int>({plugin.NPresets(), plugin.GetAPI(), plugin.HasUI(), plugin.GetEditorWidth()}),
            std::vector<int>({2, weft::kAPIVST3, false, 640}));
}

// (The 20 ms cadence itself is the timer's and the run loop's to check.)
TEST_F(APIBaseTest, TheTimerCallsOnIdleOnceItIsCreatedAndAgainReplacesItUntilThePluginGoes)
{
  auto plugin = std::make_unique<TestAPIPlugin>();
  EXPECT_EQ(PWShimRunLoopAdvance(0.100), 0) << "construction starts no timer";
  plugin->CreateTimer();
  plugin->CreateTimer(); // replaces the first
  EXPECT_EQ(PWShimRunLoopAdvance(0.100), 6);
  EXPECT_EQ(plugin->idleCount, 6);
  plugin.reset();
  EXPECT_EQ(PWShimRunLoopAdvance(0.100), 0);
}

// --- Host to editor: queues drained by the timer

TEST_F(APIBaseTest, ATickDeliversParametersThenMidiThenSysExThenCallsOnIdle)
{
  TestAPIPlugin plugin(2, true);
  StartTimer(plugin);
  plugin.events.clear();
  const uint8_t bytes[3] = {0xF0, 0x7E, 0xF7};
  // Queued in the opposite order to the delivery.
  ASSERT_TRUE(plugin.SysExToEditor().PushFromArgs(7, 3, bytes));
  ASSERT_TRUE(plugin.MidiToEditor().Push(NoteOn(60)));
  ASSERT_TRUE(plugin.MidiToEditor().Push(NoteOn(61)));
  plugin.SendParameterValueFromAPI(1, 10.0, false);
  plugin.SendParameterValueFromAPI(0, 20.0, false);
  NextTick();

  EXPECT_EQ(plugin.events, (std::vector<std::string>{"param", "param", "midi", "midi", "sysex", "idle"}));
  EXPECT_EQ(plugin.editorMidi.at(1).NoteNumber(), 61);
  EXPECT_EQ(plugin.editorSysEx.at(0).offset, 7);
  EXPECT_EQ(plugin.editorSysEx.at(0).bytes, std::vector<uint8_t>(bytes, bytes + 3));
}

TEST_F(APIBaseTest, WithoutAnEditor600HostChangesLeave512QueuedAnd88DroppedAndAnEditorTickDeliversThemInOrder)
{
  {
    TestAPIPlugin plugin(4, false);
    StartTimer(plugin);
    for (int i = 0; i < 600; ++i)
      plugin.SendParameterValueFromAPI(i % 4, i * 0.1, false);
    for (int i = 0; i < 33; ++i)
      plugin.MidiToEditor().Push(NoteOn(i));
    NextTick();
    EXPECT_EQ(plugin.events, (std::vector<std::string>{"idle", "idle"}));
    EXPECT_EQ(plugin.ParamQueue().ElementsAvailable(), 512);
    EXPECT_EQ(plugin.ParamQueue().GetDroppedCount(), 88u);
    EXPECT_EQ(plugin.MidiToEditor().GetDroppedCount(), 1u);
  }

  TestAPIPlugin withEditor(4, true);
  StartTimer(withEditor);
  for (int i = 0; i < 600; ++i)
    withEditor.SendParameterValueFromAPI(i % 4, i * 0.1, false);
  NextTick();
  ASSERT_EQ(withEditor.editorParams.size(), 512u);
  for (int i = 0; i < 512; ++i)
    ASSERT_DOUBLE_EQ(withEditor.editorParams[i].value, i * 0.1) << i;
}

TEST_F(APIBaseTest, HostValuesAreQueuedPlainAndBadIndicesOrNonFiniteValuesQueueNothing)
{
  TestAPIPlugin plugin(2, true);
  plugin.SendParameterValueFromAPI(-1, 1.0, false);
  plugin.SendParameterValueFromAPI(2, 1.0, false);
  plugin.SendParameterValueFromAPI(INT_MIN, 0.5, true);
  plugin.SendParameterValueFromAPI(0, kNaN, false);
  plugin.SendParameterValueFromAPI(1, std::numeric_limits<double>::infinity(), true);
  plugin.SendParameterValueFromAPI(1, 0.25, true);

  ParamTuple t;
  ASSERT_TRUE(plugin.ParamQueue().Pop(t));
  EXPECT_EQ(t.mIdx, 1);
  EXPECT_DOUBLE_EQ(t.mValue, 25.0); // 0.25 of 0..100
  EXPECT_FALSE(plugin.ParamQueue().Pop(t));
  EXPECT_DOUBLE_EQ(plugin.GetParam(1)->Value(), 0.0) << "queuing never sets the parameter";
}

// --- Editor to render thread: MIDI and SysEx

TEST_F(APIBaseTest, MidiFromTheEditorIsQueuedUpTo32AndSysExCopiedUpTo4OrRefusedWhenItDoesNotFit)
{
  TestAPIPlugin plugin;
  for (int i = 0; i < 32; ++i)
    EXPECT_TRUE(plugin.DeferMidiMsg(NoteOn(i)));
  EXPECT_FALSE(plugin.DeferMidiMsg(NoteOn(32)));

  std::vector<uint8_t> bytes(weft::MAX_SYSEX_SIZE + 1, 0x42);
  EXPECT_FALSE(plugin.DeferSysexMsg(ISysEx(0, bytes.data(), weft::MAX_SYSEX_SIZE + 1)));
  EXPECT_FALSE(plugin.DeferSysexMsg(ISysEx(0, nullptr, 4)));
  for (int i = 0; i < 5; ++i)
    plugin.SendSysexMsgFromUI(ISysEx(i, bytes.data(), weft::MAX_SYSEX_SIZE - i));
  bytes.assign(bytes.size(), 0xEE); // the queue holds its own copy
  EXPECT_EQ(plugin.SysExFromEditor().GetDroppedCount(), 1u);
  SysExData record;
  ASSERT_TRUE(plugin.SysExFromEditor().Pop(record));
  EXPECT_EQ(std::vector<uint8_t>(record.mData, record.mData + record.mSize),
            std::vector<uint8_t>(weft::MAX_SYSEX_SIZE, 0x42));
}

// --- Parameter changes and requests from the editor

TEST_F(APIBaseTest, AValueFromTheEditorSetsTheParameterAndTellsTheHostAndThePluginButNotTheEditor)
{
  TestAPIPlugin plugin(3, true);
  plugin.SendParameterValueFromUI(2, 0.75);
  EXPECT_DOUBLE_EQ(plugin.GetParam(2)->Value(), 75.0);
  ASSERT_TRUE(plugin.hostChanges.size() == 1 && plugin.paramChanges.size() == 1 && plugin.paramChangesUI.size() == 1);
  EXPECT_EQ(plugin.hostChanges[0].idx, 2);
  EXPECT_DOUBLE_EQ(plugin.hostChanges[0].normalized, 0.75);
  const auto& change = plugin.paramChanges[0];
  EXPECT_EQ(std::vector<int>({change.idx, change.source, change.sampleOffset}), std::vector<int>({2, weft::kUI, -1}));
  EXPECT_EQ(plugin.ParamQueue().ElementsAvailable(), 0);
}

TEST_F(APIBaseTest, ValuesAndGesturesForUnknownParametersOrNotANumberTouchNothing)
{
  TestAPIPlugin plugin(2, true);
  plugin.GetParam(0)->Set(10.0);
  plugin.SendParameterValueFromUI(2, 0.5);
  plugin.SendParameterValueFromUI(-1, 0.5);
  plugin.SendParameterValueFromUI(0, kNaN);
  plugin.SetParameterValue(5, 0.5);
  plugin.BeginInformHostOfParamChangeFromUI(1);
  plugin.BeginInformHostOfParamChangeFromUI(2);
  plugin.EndInformHostOfParamChangeFromUI(-1);
  plugin.EndInformHostOfParamChangeFromUI(1);

  EXPECT_DOUBLE_EQ(plugin.GetParam(0)->Value(), 10.0);
  EXPECT_TRUE(plugin.hostChanges.empty() && plugin.paramChanges.empty() && plugin.paramChangesUI.empty());
  EXPECT_EQ(plugin.hostBegins, std::vector<int>{1});
  EXPECT_EQ(plugin.hostEnds, std::vector<int>{1});
}

// --- Host identification and requests a binding passes on

TEST_F(APIBaseTest, SetHostIdentifiesTheHostOnceThenLetsThePluginReact)
{
  TestAPIPlugin plugin;
  plugin.SetHost("REAPER64", 0x050A03);
  EXPECT_DEBUG_DEATH(plugin.SetHost("com.apple.logic10", 0x060000), "mHost == kHostUninit");
  EXPECT_EQ(plugin.GetHost(), weft::kHostReaper);
  EXPECT_STREQ(plugin.GetRawHostStr(), "REAPER64");
  EXPECT_EQ(plugin.GetHostVersion(false), 0x050A03);
  EXPECT_EQ(plugin.hostSteps, (std::vector<std::string>{"HostSpecificInit:1", "OnHostIdentified:1"}));
}

TEST_F(APIBaseTest, ViewConfigurationsImportantParametersAndStateComparisonFollowTheirRules)
{
  TestAPIPlugin plugin(2, true);
  EXPECT_TRUE(plugin.OnHostRequestingSupportedViewConfiguration(0, 0));
  EXPECT_TRUE(plugin.OnHostRequestingSupportedViewConfiguration(1, -1));
  EXPECT_FALSE(plugin.OnHostRequestingSupportedViewConfiguration(100, 100));
  EXPECT_FALSE(plugin.OnHostRequestingSupportedViewConfiguration(INT_MAX, 1)) << "no overflow to a sum of zero";

  LOOM_TypedBuf<int> results;
  plugin.OnHostRequestingImportantParameters(1, results);
  plugin.OnHostRequestingImportantParameters(2, results);
  plugin.OnHostRequestingImportantParameters(-2, results);
  EXPECT_EQ(std::vector<int>(results.Get(), results.Get() + results.GetSize()), (std::vector<int>{0}));

  plugin.GetParam(0)->Set(12.5);
  plugin.GetParam(1)->Set(50.0);
  const auto bytes = StateBytes({-1.0, 12.5, 50.0});
  EXPECT_TRUE(plugin.CompareState(bytes.data(), 1)); // the first value at byte 8
  EXPECT_FALSE(plugin.CompareState(bytes.data(), 0));
  EXPECT_TRUE(plugin.CompareState(StateBytes({12.5 + 4e-6, 50.0}).data(), 0));
  EXPECT_FALSE(plugin.CompareState(StateBytes({12.5, 50.0 - 2e-5}).data(), 0));
  EXPECT_FALSE(plugin.CompareState(StateBytes({12.5, kNaN}).data(), 0));
  EXPECT_FALSE(plugin.CompareState(nullptr, 0));
}

