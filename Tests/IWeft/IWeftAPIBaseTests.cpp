#include "IWeftAPIBase.h"

#include "AllocationCounter.h"
#include "TestAPIPlugin.h"

#include <CoreFoundation/PWShimCFBase.h>
#include <CoreFoundation/PWShimRunLoop.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <memory>
#include <regex>
#include <string>
#include <vector>

using pw::test::AllocationCounter;
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

// A state buffer of doubles, read back as one value per parameter.
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
  weft::Config config = pw::test::MakeTestConfig(1, false, 2);
  config.pluginName = config.productName = config.mfrName = longName.c_str();
  weft::IWeftAPIBase plugin(config, weft::kAPIVST3);
  for (const char* name : {plugin.GetPluginName(), plugin.GetProductName(), plugin.GetMfrName()})
    EXPECT_EQ(std::string(name), std::string(128, 'n'));
  EXPECT_EQ(std::vector<int>({plugin.NPresets(), plugin.GetAPI(), plugin.HasUI(), plugin.GetEditorWidth()}),
            std::vector<int>({2, weft::kAPIVST3, false, 640}));
  EXPECT_STREQ(plugin.GetBundleID(), "com.acme.test");
}

TEST_F(APIBaseTest, TheTimerCallsOnIdleNowAndEvery20MillisecondsOnceItIsCreatedAndOnlyOnce)
{
  TestAPIPlugin plugin;
  EXPECT_EQ(PWShimRunLoopAdvance(0.100), 0) << "construction starts no timer";
  plugin.CreateTimer();
  plugin.CreateTimer(); // replaces the first

  // Ticks at 0, 20, 40, 60, 80 and 100 ms, the next at 120 ms.
  EXPECT_EQ(PWShimRunLoopAdvance(0.100), 6);
  EXPECT_EQ(PWShimRunLoopAdvance(0.019), 0);
  EXPECT_EQ(PWShimRunLoopAdvance(0.001), 1);
  EXPECT_EQ(plugin.idleCount, 7);
}

TEST_F(APIBaseTest, DestroyingThePluginStopsTheTimer)
{
  auto plugin = std::make_unique<TestAPIPlugin>();
  StartTimer(*plugin);
  plugin.reset();
  EXPECT_EQ(PWShimRunLoopAdvance(0.100), 0);
}

// --- Host to editor: queues drained by the timer

TEST_F(APIBaseTest, AtickDeliversParametersThenMidiThenSysExThenCallsOnIdle)
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
  ASSERT_EQ(plugin.editorMidi.size(), 2u);
  EXPECT_EQ(plugin.editorMidi[1].NoteNumber(), 61);
  ASSERT_EQ(plugin.editorSysEx.size(), 1u);
  EXPECT_EQ(plugin.editorSysEx[0].offset, 7);
  EXPECT_EQ(plugin.editorSysEx[0].bytes, std::vector<uint8_t>(bytes, bytes + 3));
}

TEST_F(APIBaseTest, WithoutAnEditorNothingIsDrainedButOnIdleRuns)
{
  TestAPIPlugin plugin(2, false);
  ASSERT_TRUE(plugin.MidiToEditor().Push(NoteOn(60)));
  ASSERT_TRUE(plugin.SysExToEditor().PushFromArgs(0, 0, nullptr));
  plugin.SendParameterValueFromAPI(0, 1.0, false);
  StartTimer(plugin);
  NextTick();

  EXPECT_EQ(plugin.events, (std::vector<std::string>{"idle", "idle"}));
  EXPECT_EQ(plugin.ParamQueue().ElementsAvailable(), 1);
  EXPECT_EQ(plugin.MidiToEditor().ElementsAvailable(), 1);
  EXPECT_EQ(plugin.SysExToEditor().ElementsAvailable(), 1);
}

TEST_F(APIBaseTest, QueuesTowardsTheEditorHold512ValuesAnd32MidiMessagesAndDropTheRest)
{
  TestAPIPlugin plugin(4, true);
  StartTimer(plugin);
  for (int i = 0; i < 600; ++i)
    plugin.SendParameterValueFromAPI(i % 4, i * 0.1, false);
  for (int i = 0; i < 33; ++i)
    plugin.MidiToEditor().Push(NoteOn(i));
  EXPECT_EQ(plugin.ParamQueue().GetDroppedCount(), 88u);
  EXPECT_EQ(plugin.MidiToEditor().GetDroppedCount(), 1u);
  NextTick();
  ASSERT_EQ(plugin.editorParams.size(), 512u);
  EXPECT_DOUBLE_EQ(plugin.editorParams[511].value, 511 * 0.1);
  ASSERT_EQ(plugin.editorMidi.size(), 32u);
  EXPECT_EQ(plugin.editorMidi[31].NoteNumber(), 31);

  plugin.SendParameterValueFromAPI(1, 42.0, false); // room again
  NextTick();
  ASSERT_EQ(plugin.editorParams.size(), 513u);
  EXPECT_DOUBLE_EQ(plugin.editorParams.back().value, 42.0);
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
  plugin.SendParameterValueFromAPI(0, 0.25, false);

  EXPECT_EQ(plugin.ParamQueue().GetDroppedCount(), 0u);
  ParamTuple t;
  ASSERT_TRUE(plugin.ParamQueue().Pop(t));
  EXPECT_EQ(t.mIdx, 1);
  EXPECT_DOUBLE_EQ(t.mValue, 25.0); // 0.25 of 0..100
  ASSERT_TRUE(plugin.ParamQueue().Pop(t));
  EXPECT_EQ(t.mIdx, 0);
  EXPECT_DOUBLE_EQ(t.mValue, 0.25);
  EXPECT_FALSE(plugin.ParamQueue().Pop(t));
  EXPECT_DOUBLE_EQ(plugin.GetParam(0)->Value(), 0.0) << "queuing never sets the parameter";
}

TEST_F(APIBaseTest, HostAndRenderSidesNeverAllocate)
{
  TestAPIPlugin plugin(4, true);
  IMidiMsg msg;
  SysExData sysex;

  AllocationCounter allocs;
  for (int i = 0; i < 600; ++i)
    plugin.SendParameterValueFromAPI(i % 4, 0.5, i % 2 == 0);
  for (int i = 0; i < 40; ++i)
    plugin.MidiToEditor().Push(NoteOn(i));
  while (plugin.MidiFromEditor().Pop(msg)) {}
  while (plugin.SysExFromEditor().Pop(sysex)) {}
  EXPECT_EQ(allocs.Count(), 0u);
}

// --- Editor to render thread: MIDI and SysEx

TEST_F(APIBaseTest, MidiFromTheEditorIsQueuedUpTo32AndSysExCopiedUpTo4)
{
  TestAPIPlugin plugin;
  for (int i = 0; i < 32; ++i)
    EXPECT_TRUE(plugin.DeferMidiMsg(NoteOn(i)));
  EXPECT_FALSE(plugin.DeferMidiMsg(NoteOn(32)));
  EXPECT_EQ(plugin.MidiFromEditor().ElementsAvailable(), 32);

  uint8_t bytes[weft::MAX_SYSEX_SIZE];
  for (int i = 0; i < 5; ++i)
  {
    std::memset(bytes, 0x10 + i, sizeof(bytes));
    plugin.SendSysexMsgFromUI(ISysEx(i, bytes, 10 + i));
  }
  std::memset(bytes, 0xEE, sizeof(bytes)); // the queue holds its own copy
  EXPECT_EQ(plugin.SysExFromEditor().GetDroppedCount(), 1u);
  SysExData record;
  for (int i = 0; i < 4; ++i)
  {
    ASSERT_TRUE(plugin.SysExFromEditor().Pop(record));
    EXPECT_EQ(record.mOffset, i);
    EXPECT_EQ(std::vector<uint8_t>(record.mData, record.mData + record.mSize), std::vector<uint8_t>(10 + i, 0x10 + i));
  }
}

TEST_F(APIBaseTest, SysExThatDoesNotFitTheRecordIsRefused)
{
  TestAPIPlugin plugin;
  std::vector<uint8_t> bytes(weft::MAX_SYSEX_SIZE + 1, 0x42);
  EXPECT_FALSE(plugin.DeferSysexMsg(ISysEx(0, bytes.data(), weft::MAX_SYSEX_SIZE + 1)));
  EXPECT_FALSE(plugin.DeferSysexMsg(ISysEx(0, bytes.data(), -1)));
  EXPECT_FALSE(plugin.DeferSysexMsg(ISysEx(0, nullptr, 4)));
  EXPECT_EQ(plugin.SysExFromEditor().ElementsAvailable(), 0);

  EXPECT_TRUE(plugin.DeferSysexMsg(ISysEx(3, bytes.data(), weft::MAX_SYSEX_SIZE)));
  SysExData record;
  ASSERT_TRUE(plugin.SysExFromEditor().Pop(record));
  EXPECT_EQ(record.mSize, weft::MAX_SYSEX_SIZE);
  EXPECT_EQ(record.mData[weft::MAX_SYSEX_SIZE - 1], 0x42);
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
  EXPECT_EQ(plugin.paramChangesUI[0].source, weft::kUI);
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
  EXPECT_DOUBLE_EQ(plugin.GetParam(1)->Value(), 0.0);
  EXPECT_TRUE(plugin.hostChanges.empty() && plugin.paramChanges.empty() && plugin.paramChangesUI.empty());
  EXPECT_EQ(plugin.hostBegins, std::vector<int>{1});
  EXPECT_EQ(plugin.hostEnds, std::vector<int>{1});
}

TEST_F(APIBaseTest, DirtyParametersTellTheHostEveryNormalisedValueInOrder)
{
  TestAPIPlugin plugin(3, true);
  plugin.GetParam(0)->Set(10.0);
  plugin.GetParam(1)->Set(50.0);
  plugin.GetParam(2)->Set(100.0);
  plugin.DirtyParametersFromUI();
  std::vector<int> indices;
  std::vector<double> values;
  for (const auto& change : plugin.hostChanges)
  {
    indices.push_back(change.idx);
    values.push_back(change.normalized);
  }
  EXPECT_EQ(indices, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(values, (std::vector<double>{0.1, 0.5, 1.0}));
}

TEST_F(APIBaseTest, OnlyAPlatformResizeAsksTheHostAndMessagesReachOnMessage)
{
  TestAPIPlugin plugin;
  EXPECT_TRUE(plugin.EditorResizeFromUI(800, 300, false));
  EXPECT_TRUE(plugin.resizeRequests.empty());
  EXPECT_FALSE(plugin.EditorResizeFromUI(800, 300, true));
  plugin.hostGrantsResize = true;
  EXPECT_TRUE(plugin.EditorResizeFromUI(900, 350, true));
  EXPECT_EQ(plugin.resizeRequests, (std::vector<std::vector<int>>{{800, 300}, {900, 350}}));

  const int payload = 7;
  plugin.SendArbitraryMsgFromUI(3, 9, sizeof(payload), &payload);
  EXPECT_EQ(plugin.messages, (std::vector<std::vector<int>>{{3, 9, 4}}));
}

// --- Host identification and defaults a binding overrides

TEST_F(APIBaseTest, SetHostIdentifiesTheHostOnceThenLetsThePluginReact)
{
  TestAPIPlugin plugin;
  plugin.SetHost("REAPER64", 0x050A03);
  EXPECT_DEBUG_DEATH(plugin.SetHost("com.apple.logic10", 0x060000), "mHost == kHostUninit");

  EXPECT_EQ(plugin.GetHost(), weft::kHostReaper);
  EXPECT_STREQ(plugin.GetRawHostStr(), "REAPER64");
  EXPECT_EQ(plugin.GetHostVersion(false), 0x050A03);
  EXPECT_EQ(plugin.hostSteps, (std::vector<std::string>{"HostSpecificInit:1", "OnHostIdentified:1"}));

  TestAPIPlugin unnamed;
  unnamed.SetHost(nullptr, 0);
  EXPECT_EQ(unnamed.GetHost(), weft::kHostUnknown);
  EXPECT_STREQ(unnamed.GetRawHostStr(), "");
}

TEST_F(APIBaseTest, OnlyAViewConfigurationThatAddsUpToZeroIsSupportedWithoutOverflow)
{
  TestAPIPlugin plugin;
  EXPECT_TRUE(plugin.OnHostRequestingSupportedViewConfiguration(0, 0));
  EXPECT_TRUE(plugin.OnHostRequestingSupportedViewConfiguration(1, -1));
  EXPECT_FALSE(plugin.OnHostRequestingSupportedViewConfiguration(100, 100));
  EXPECT_TRUE(plugin.OnHostRequestingSupportedViewConfiguration(INT_MAX, -INT_MAX));
  EXPECT_FALSE(plugin.OnHostRequestingSupportedViewConfiguration(INT_MAX, 1));
}

TEST_F(APIBaseTest, ImportantParametersAreTheFirstCountWhenFewerThanAllAreAsked)
{
  TestAPIPlugin plugin(5, true);
  LOOM_TypedBuf<int> results;
  results.Add(99);
  plugin.OnHostRequestingImportantParameters(3, results);
  plugin.OnHostRequestingImportantParameters(5, results);
  plugin.OnHostRequestingImportantParameters(6, results);
  plugin.OnHostRequestingImportantParameters(-2, results);
  EXPECT_EQ(std::vector<int>(results.Get(), results.Get() + results.GetSize()), (std::vector<int>{99, 0, 1, 2}));
}

TEST_F(APIBaseTest, CompareStateReadsFromStartPositionTimes8AndToleratesOnlyDifferencesBelow1eMinus5)
{
  TestAPIPlugin plugin(2, true);
  plugin.GetParam(0)->Set(12.5);
  plugin.GetParam(1)->Set(50.0);

  const auto bytes = StateBytes({-1.0, 12.5, 50.0});
  EXPECT_TRUE(plugin.CompareState(bytes.data(), 1));
  EXPECT_FALSE(plugin.CompareState(bytes.data(), 0));
  std::vector<uint8_t> shifted(1 + bytes.size()); // unaligned: read bytewise
  std::memcpy(shifted.data() + 1, bytes.data(), bytes.size());
  EXPECT_TRUE(plugin.CompareState(shifted.data() + 1, 1));

  EXPECT_TRUE(plugin.CompareState(StateBytes({12.5 + 4e-6, 50.0}).data(), 0));
  EXPECT_FALSE(plugin.CompareState(StateBytes({12.5 + 2e-5, 50.0}).data(), 0));
  EXPECT_FALSE(plugin.CompareState(StateBytes({12.5, 50.0 - 2e-5}).data(), 0));
  EXPECT_FALSE(plugin.CompareState(StateBytes({12.5, kNaN}).data(), 0));
  EXPECT_FALSE(plugin.CompareState(StateBytes({12.5, 1e300}).data(), 0));
  EXPECT_FALSE(plugin.CompareState(nullptr, 0));
  EXPECT_FALSE(plugin.CompareState(bytes.data(), -1));
}

// --- Time stamp

TEST(CurrentTimeTest, FormatsTheLocalDateAndTimeWithTheOffsetFromUTCAcrossADayBoundary)
{
  const char* oldTZ = std::getenv("TZ");
  const std::string saved = oldTZ ? oldTZ : "";
  // At any moment at least one of the +14:00 and -12:00 zones is on another
  // calendar day than UTC: +14:00 from 10:00 UTC on, -12:00 before 12:00 UTC.
  const char* zones[][2] = {{"UTC0", "+0000"}, {"EAST-14", "+1400"}, {"WEST+12", "-1200"}, {"MID-05:30", "+0530"}};
  for (const auto& z : zones)
  {
    setenv("TZ", z[0], 1);
    tzset();
    const std::string text = weft::CurrentTime();
    EXPECT_TRUE(std::regex_match(text, std::regex(R"(\d{8} \d{2}:\d{2} [+-]\d{4})"))) << text;
    EXPECT_EQ(text.substr(text.size() - 5), z[1]) << text;
  }
  if (oldTZ)
    setenv("TZ", saved.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}
