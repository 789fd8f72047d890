#include "IWeftAPIBase.h"

#include "AllocationCounter.h"
#include "TestAPIPlugin.h"

#include <CoreFoundation/PWShimCFBase.h>
#include <CoreFoundation/PWShimRunLoop.h>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <memory>
#include <regex>
#include <string>
#include <vector>

using pw::test::AllocationCounter;
using pw::test::MakeTestConfig;
using pw::test::TestAPIPlugin;
using weft::IMidiMsg;
using weft::ISysEx;
using weft::ParamTuple;
using weft::SysExData;

namespace {

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

  // Fires the timer's first (immediate) tick.
  static void FireFirstTick() { ASSERT_EQ(PWShimRunLoopFireDue(), 1); }
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

} // namespace

// --- Construction

using APIBaseConstructionTest = APIBaseTest;

TEST_F(APIBaseConstructionTest, CopiesTheConfigurationIntoThePluginBase)
{
  TestAPIPlugin plugin(3, true);

  EXPECT_EQ(plugin.NParams(), 3);
  EXPECT_STREQ(plugin.GetPluginName(), "TestAPIPlugin");
  EXPECT_STREQ(plugin.GetProductName(), "Test Product");
  EXPECT_STREQ(plugin.GetMfrName(), "Acme");
  EXPECT_EQ(plugin.GetUniqueID(), 0x54657374);
  EXPECT_EQ(plugin.GetMfrID(), 0x41636d65);
  EXPECT_EQ(plugin.GetPluginVersion(false), 0x010203);
  EXPECT_TRUE(plugin.DoesStateChunks());
  EXPECT_TRUE(plugin.HasUI());
  EXPECT_TRUE(plugin.GetHostResizeEnabled());
  EXPECT_EQ(plugin.GetEditorWidth(), 640);
  EXPECT_EQ(plugin.GetEditorHeight(), 480);
  EXPECT_EQ(plugin.GetMinWidth(), 200);
  EXPECT_EQ(plugin.GetMaxWidth(), 1200);
  EXPECT_EQ(plugin.GetMinHeight(), 150);
  EXPECT_EQ(plugin.GetMaxHeight(), 900);
  EXPECT_EQ(plugin.GetAPI(), weft::kAPIAUv2);
  EXPECT_STREQ(plugin.GetAPIStr(), "AU");
  EXPECT_STREQ(plugin.GetBundleID(), "com.acme.test");
  EXPECT_STREQ(plugin.GetAppGroupID(), "group.com.acme");
  EXPECT_EQ(plugin.GetHost(), weft::kHostUninit);
  EXPECT_STREQ(plugin.GetParamDisplayStr(), "");
}

namespace {

weft::Config LongNameConfig(const char* name)
{
  weft::Config config = MakeTestConfig(1, false, 2);
  config.pluginName = name;
  config.productName = name;
  config.mfrName = name;
  return config;
}

} // namespace

TEST_F(APIBaseConstructionTest, KeepsAtMost128CharactersOfEachName)
{
  const std::string longName(200, 'n');
  weft::IWeftAPIBase plugin(LongNameConfig(longName.c_str()), weft::kAPIVST3);

  EXPECT_EQ(std::string(plugin.GetPluginName()), std::string(128, 'n'));
  EXPECT_EQ(std::string(plugin.GetProductName()), std::string(128, 'n'));
  EXPECT_EQ(std::string(plugin.GetMfrName()), std::string(128, 'n'));
  EXPECT_EQ(plugin.NPresets(), 2);
  EXPECT_EQ(plugin.GetAPI(), weft::kAPIVST3);
  EXPECT_FALSE(plugin.HasUI());
}

TEST_F(APIBaseConstructionTest, DoesNotStartTheTimer)
{
  TestAPIPlugin plugin;
  EXPECT_EQ(plugin.GetTimer(), nullptr);
  EXPECT_EQ(PWShimRunLoopAdvance(0.100), 0);
  EXPECT_EQ(plugin.idleCount, 0);
}

// --- Timer

using APIBaseTimerTest = APIBaseTest;

TEST_F(APIBaseTimerTest, CallsOnIdleNowAndThenEvery20Milliseconds)
{
  TestAPIPlugin plugin;
  plugin.CreateTimer();
  ASSERT_NE(plugin.GetTimer(), nullptr);

  // Ticks at 0, 20, 40, 60, 80 and 100 ms.
  EXPECT_EQ(PWShimRunLoopAdvance(0.100), 6);
  EXPECT_EQ(plugin.idleCount, 6);
  // The next is due at 120 ms.
  EXPECT_EQ(PWShimRunLoopAdvance(0.019), 0);
  EXPECT_EQ(PWShimRunLoopAdvance(0.001), 1);
  EXPECT_EQ(plugin.idleCount, 7);
}

TEST_F(APIBaseTimerTest, OnIdleRunsEvenWithoutAnEditor)
{
  TestAPIPlugin plugin(2, false);
  plugin.CreateTimer();
  EXPECT_EQ(PWShimRunLoopAdvance(0.040), 3);
  EXPECT_EQ(plugin.idleCount, 3);
}

TEST_F(APIBaseTimerTest, CreatingTheTimerAgainReplacesThePreviousOne)
{
  TestAPIPlugin plugin;
  plugin.CreateTimer();
  plugin.CreateTimer();

  EXPECT_EQ(PWShimRunLoopAdvance(0.100), 6);
  EXPECT_EQ(plugin.idleCount, 6);
}

TEST_F(APIBaseTimerTest, DestroyingThePluginStopsTheTimer)
{
  auto plugin = std::make_unique<TestAPIPlugin>();
  plugin->CreateTimer();
  FireFirstTick();
  plugin.reset();

  EXPECT_EQ(PWShimRunLoopAdvance(0.100), 0);
}

// --- Parameter values from the host towards the editor

using APIBaseParamQueueTest = APIBaseTest;

TEST_F(APIBaseParamQueueTest, WithoutAnEditor600ChangesLeave512QueuedAndDrop88)
{
  TestAPIPlugin plugin(4, false);
  plugin.CreateTimer();
  FireFirstTick();

  for (int i = 0; i < 600; ++i)
    plugin.SendParameterValueFromAPI(i % 4, i * 0.1, false);
  NextTick();

  EXPECT_EQ(plugin.ParamQueue().ElementsAvailable(), 512);
  EXPECT_EQ(plugin.ParamQueue().GetDroppedCount(), 88u);
  EXPECT_TRUE(plugin.editorParams.empty());
  EXPECT_EQ(plugin.idleCount, 2);
}

TEST_F(APIBaseParamQueueTest, WithAnEditorTheNextTickDeliversEveryQueuedValueInOrder)
{
  TestAPIPlugin plugin(4, true);
  plugin.CreateTimer();
  FireFirstTick();

  for (int i = 0; i < 600; ++i)
    plugin.SendParameterValueFromAPI(i % 4, i * 0.1, false);
  NextTick();

  ASSERT_EQ(plugin.editorParams.size(), 512u);
  for (int i = 0; i < 512; ++i)
  {
    EXPECT_EQ(plugin.editorParams[i].idx, i % 4) << i;
    EXPECT_DOUBLE_EQ(plugin.editorParams[i].value, i * 0.1) << i;
    EXPECT_FALSE(plugin.editorParams[i].normalized) << i;
  }
  EXPECT_EQ(plugin.ParamQueue().ElementsAvailable(), 0);
  EXPECT_EQ(plugin.ParamQueue().GetDroppedCount(), 88u);

  // Room again for the next values.
  plugin.SendParameterValueFromAPI(1, 42.0, false);
  NextTick();
  ASSERT_EQ(plugin.editorParams.size(), 513u);
  EXPECT_EQ(plugin.editorParams.back().idx, 1);
  EXPECT_DOUBLE_EQ(plugin.editorParams.back().value, 42.0);
}

TEST_F(APIBaseParamQueueTest, NormalisedValuesAreQueuedInTheParametersRange)
{
  TestAPIPlugin plugin(2, true);
  plugin.SendParameterValueFromAPI(1, 0.25, true);
  plugin.SendParameterValueFromAPI(0, 0.25, false);

  ParamTuple t;
  ASSERT_TRUE(plugin.ParamQueue().Pop(t));
  EXPECT_EQ(t.mIdx, 1);
  EXPECT_DOUBLE_EQ(t.mValue, 25.0); // 0.25 of 0..100
  ASSERT_TRUE(plugin.ParamQueue().Pop(t));
  EXPECT_EQ(t.mIdx, 0);
  EXPECT_DOUBLE_EQ(t.mValue, 0.25);
}

TEST_F(APIBaseParamQueueTest, BadIndicesAndNonFiniteValuesQueueNothing)
{
  TestAPIPlugin plugin(2, true);
  plugin.SendParameterValueFromAPI(-1, 1.0, false);
  plugin.SendParameterValueFromAPI(2, 1.0, false);
  plugin.SendParameterValueFromAPI(INT_MIN, 0.5, true);
  plugin.SendParameterValueFromAPI(0, std::numeric_limits<double>::quiet_NaN(), false);
  plugin.SendParameterValueFromAPI(1, std::numeric_limits<double>::infinity(), true);

  EXPECT_EQ(plugin.ParamQueue().ElementsAvailable(), 0);
  EXPECT_EQ(plugin.ParamQueue().GetDroppedCount(), 0u);
  EXPECT_DOUBLE_EQ(plugin.GetParam(0)->Value(), 0.0);
  EXPECT_DOUBLE_EQ(plugin.GetParam(1)->Value(), 0.0);
}

TEST_F(APIBaseParamQueueTest, HostAndRenderSidesNeverAllocate)
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

// --- Timer drain

using APIBaseDrainTest = APIBaseTest;

TEST_F(APIBaseDrainTest, DeliversParametersThenMidiThenSysExThenCallsOnIdle)
{
  TestAPIPlugin plugin(2, true);
  plugin.CreateTimer();
  FireFirstTick();
  plugin.events.clear();

  const uint8_t bytes[3] = {0xF0, 0x7E, 0xF7};
  // Queued in the opposite order to the delivery.
  ASSERT_TRUE(plugin.SysExToEditor().PushFromArgs(7, 3, bytes));
  ASSERT_TRUE(plugin.MidiToEditor().Push(NoteOn(60)));
  ASSERT_TRUE(plugin.MidiToEditor().Push(NoteOn(61)));
  plugin.SendParameterValueFromAPI(1, 10.0, false);
  plugin.SendParameterValueFromAPI(0, 20.0, false);
  NextTick();

  const std::vector<std::string> expected = {"param", "param", "midi", "midi", "sysex", "idle"};
  EXPECT_EQ(plugin.events, expected);

  ASSERT_EQ(plugin.editorMidi.size(), 2u);
  EXPECT_EQ(plugin.editorMidi[0].NoteNumber(), 60);
  EXPECT_EQ(plugin.editorMidi[1].NoteNumber(), 61);
  ASSERT_EQ(plugin.editorSysEx.size(), 1u);
  EXPECT_EQ(plugin.editorSysEx[0].offset, 7);
  EXPECT_EQ(plugin.editorSysEx[0].bytes, std::vector<uint8_t>(bytes, bytes + 3));
}

TEST_F(APIBaseDrainTest, WithoutAnEditorNothingIsDrainedButOnIdleRuns)
{
  TestAPIPlugin plugin(2, false);
  plugin.CreateTimer();
  ASSERT_TRUE(plugin.MidiToEditor().Push(NoteOn(60)));
  ASSERT_TRUE(plugin.SysExToEditor().PushFromArgs(0, 0, nullptr));
  plugin.SendParameterValueFromAPI(0, 1.0, false);
  FireFirstTick();

  EXPECT_EQ(plugin.events, std::vector<std::string>{"idle"});
  EXPECT_EQ(plugin.ParamQueue().ElementsAvailable(), 1);
  EXPECT_EQ(plugin.MidiToEditor().ElementsAvailable(), 1);
  EXPECT_EQ(plugin.SysExToEditor().ElementsAvailable(), 1);
}

TEST_F(APIBaseDrainTest, MidiTowardsTheEditorHoldsAt32AndTheTickDeliversThemInOrder)
{
  TestAPIPlugin plugin(1, true);
  plugin.CreateTimer();
  FireFirstTick();

  for (int i = 0; i < 33; ++i)
    plugin.MidiToEditor().Push(NoteOn(i));
  EXPECT_EQ(plugin.MidiToEditor().GetDroppedCount(), 1u);
  NextTick();

  ASSERT_EQ(plugin.editorMidi.size(), 32u);
  for (int i = 0; i < 32; ++i)
    EXPECT_EQ(plugin.editorMidi[i].NoteNumber(), i);
}

// --- MIDI and SysEx from the editor towards the render thread

using APIBaseDeferTest = APIBaseTest;

TEST_F(APIBaseDeferTest, MidiFromTheEditorIsQueuedUpTo32AndTheRestDropped)
{
  TestAPIPlugin plugin;
  for (int i = 0; i < 32; ++i)
    EXPECT_TRUE(plugin.DeferMidiMsg(NoteOn(i)));
  EXPECT_FALSE(plugin.DeferMidiMsg(NoteOn(32)));

  EXPECT_EQ(plugin.MidiFromEditor().ElementsAvailable(), 32);
  EXPECT_EQ(plugin.MidiFromEditor().GetDroppedCount(), 1u);
  IMidiMsg msg;
  for (int i = 0; i < 32; ++i)
  {
    ASSERT_TRUE(plugin.MidiFromEditor().Pop(msg));
    EXPECT_EQ(msg.NoteNumber(), i);
    EXPECT_EQ(msg.mOffset, i % 16);
  }
  EXPECT_FALSE(plugin.MidiFromEditor().Pop(msg));
}


TEST_F(APIBaseDeferTest, SysExFromTheEditorIsCopiedAndQueuedUpTo4)
{
  TestAPIPlugin plugin;
  uint8_t bytes[weft::MAX_SYSEX_SIZE];
  for (int i = 0; i < 5; ++i)
  {
    std::memset(bytes, 0x10 + i, sizeof(bytes));
    plugin.SendSysexMsgFromUI(ISysEx(i, bytes, 10 + i));
  }
  // The caller's buffer is reused at once: the queue holds its own copy.
  std::memset(bytes, 0xEE, sizeof(bytes));

  EXPECT_EQ(plugin.SysExFromEditor().ElementsAvailable(), 4);
  EXPECT_EQ(plugin.SysExFromEditor().GetDroppedCount(), 1u);
  SysExData record;
  for (int i = 0; i < 4; ++i)
  {
    ASSERT_TRUE(plugin.SysExFromEditor().Pop(record));
    EXPECT_EQ(record.mOffset, i);
    ASSERT_EQ(record.mSize, 10 + i);
    for (int b = 0; b < record.mSize; ++b)
      ASSERT_EQ(record.mData[b], 0x10 + i) << "record " << i << " byte " << b;
  }
}

TEST_F(APIBaseDeferTest, SysExThatDoesNotFitTheRecordIsRefused)
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
  EXPECT_EQ(record.mOffset, 3);
  EXPECT_EQ(record.mSize, weft::MAX_SYSEX_SIZE);
  EXPECT_EQ(record.mData[weft::MAX_SYSEX_SIZE - 1], 0x42);
}

// --- Parameter changes from the editor

using APIBaseFromUITest = APIBaseTest;

TEST_F(APIBaseFromUITest, AValueFromTheEditorSetsTheParameterTellsTheHostAndThePlugin)
{
  TestAPIPlugin plugin(3, true);
  plugin.SendParameterValueFromUI(2, 0.75);

  EXPECT_DOUBLE_EQ(plugin.GetParam(2)->Value(), 75.0);
  ASSERT_EQ(plugin.hostChanges.size(), 1u);
  EXPECT_EQ(plugin.hostChanges[0].idx, 2);
  EXPECT_DOUBLE_EQ(plugin.hostChanges[0].normalized, 0.75);
  ASSERT_EQ(plugin.paramChanges.size(), 1u);
  EXPECT_EQ(plugin.paramChanges[0].idx, 2);
  EXPECT_EQ(plugin.paramChanges[0].source, weft::kUI);
  EXPECT_EQ(plugin.paramChanges[0].sampleOffset, -1);
  ASSERT_EQ(plugin.paramChangesUI.size(), 1u);
  EXPECT_EQ(plugin.paramChangesUI[0].idx, 2);
  EXPECT_EQ(plugin.paramChangesUI[0].source, weft::kUI);
  // Nothing travels back to the editor through the host queue.
  EXPECT_EQ(plugin.ParamQueue().ElementsAvailable(), 0);
}

TEST_F(APIBaseFromUITest, AValueForAnUnknownParameterOrNotANumberTouchesNothing)
{
  TestAPIPlugin plugin(2, true);
  plugin.GetParam(0)->Set(10.0);
  plugin.SendParameterValueFromUI(2, 0.5);
  plugin.SendParameterValueFromUI(-1, 0.5);
  plugin.SendParameterValueFromUI(0, std::numeric_limits<double>::quiet_NaN());
  plugin.SetParameterValue(5, 0.5);

  EXPECT_DOUBLE_EQ(plugin.GetParam(0)->Value(), 10.0);
  EXPECT_DOUBLE_EQ(plugin.GetParam(1)->Value(), 0.0);
  EXPECT_TRUE(plugin.hostChanges.empty());
  EXPECT_TRUE(plugin.paramChanges.empty());
  EXPECT_TRUE(plugin.paramChangesUI.empty());
}

TEST_F(APIBaseFromUITest, GesturesReachTheHostOnlyForKnownParameters)
{
  TestAPIPlugin plugin(2, true);
  plugin.BeginInformHostOfParamChangeFromUI(1);
  plugin.BeginInformHostOfParamChangeFromUI(2);
  plugin.EndInformHostOfParamChangeFromUI(-1);
  plugin.EndInformHostOfParamChangeFromUI(1);

  EXPECT_EQ(plugin.hostBegins, std::vector<int>{1});
  EXPECT_EQ(plugin.hostEnds, std::vector<int>{1});
}

TEST_F(APIBaseFromUITest, DirtyParametersTellTheHostEveryNormalisedValueInOrder)
{
  TestAPIPlugin plugin(3, true);
  plugin.GetParam(0)->Set(10.0);
  plugin.GetParam(1)->Set(50.0);
  plugin.GetParam(2)->Set(100.0);
  plugin.DirtyParametersFromUI();

  ASSERT_EQ(plugin.hostChanges.size(), 3u);
  const double expected[3] = {0.1, 0.5, 1.0};
  for (int i = 0; i < 3; ++i)
  {
    EXPECT_EQ(plugin.hostChanges[i].idx, i);
    EXPECT_DOUBLE_EQ(plugin.hostChanges[i].normalized, expected[i]);
  }
}

TEST_F(APIBaseFromUITest, AResizeWithoutPlatformResizeIsGrantedWithoutAskingTheHost)
{
  TestAPIPlugin plugin;
  EXPECT_TRUE(plugin.EditorResizeFromUI(800, 300, false));
  EXPECT_TRUE(plugin.resizeRequests.empty());

  EXPECT_FALSE(plugin.EditorResizeFromUI(800, 300, true));
  plugin.hostGrantsResize = true;
  EXPECT_TRUE(plugin.EditorResizeFromUI(900, 350, true));
  const std::vector<std::vector<int>> expected = {{800, 300}, {900, 350}};
  EXPECT_EQ(plugin.resizeRequests, expected);
}

TEST_F(APIBaseFromUITest, AnArbitraryMessageFromTheEditorReachesOnMessage)
{
  TestAPIPlugin plugin;
  const int payload = 7;
  plugin.SendArbitraryMsgFromUI(3, 9, sizeof(payload), &payload);

  const std::vector<std::vector<int>> expected = {{3, 9, 4}};
  EXPECT_EQ(plugin.messages, expected);
}

// --- Host identification

using APIBaseHostTest = APIBaseTest;

TEST_F(APIBaseHostTest, SetHostStoresTheHostThenLetsThePluginReact)
{
  TestAPIPlugin plugin;
  plugin.SetHost("REAPER64", 0x050A03);

  EXPECT_EQ(plugin.GetHost(), weft::kHostReaper);
  EXPECT_STREQ(plugin.GetRawHostStr(), "REAPER64");
  EXPECT_EQ(plugin.GetHostVersion(false), 0x050A03);
  EXPECT_EQ(plugin.GetHostVersion(true), 51003);
  LOOM_String version;
  plugin.GetHostVersionStr(version);
  EXPECT_STREQ(version.Get(), "v5.10.3");
  const std::vector<std::string> expected = {"HostSpecificInit:1", "OnHostIdentified:1"};
  EXPECT_EQ(plugin.hostSteps, expected);
}

TEST_F(APIBaseHostTest, AnUnknownOrMissingNameIdentifiesTheUnknownHost)
{
  TestAPIPlugin plugin;
  plugin.SetHost(nullptr, 0);
  EXPECT_EQ(plugin.GetHost(), weft::kHostUnknown);
  EXPECT_STREQ(plugin.GetRawHostStr(), "");
}

TEST_F(APIBaseHostTest, TheHostIsIdentifiedOnlyOnce)
{
  TestAPIPlugin plugin;
  plugin.SetHost("com.apple.logic10", 0x0A0000);
  EXPECT_DEBUG_DEATH(plugin.SetHost("REAPER", 0x060000), "mHost == kHostUninit");

  EXPECT_EQ(plugin.GetHost(), weft::kHostLogic);
  EXPECT_STREQ(plugin.GetRawHostStr(), "com.apple.logic10");
  EXPECT_EQ(plugin.GetHostVersion(false), 0x0A0000);
  EXPECT_EQ(plugin.hostSteps.size(), 2u);
}

// --- Defaults a binding overrides

using APIBaseDefaultsTest = APIBaseTest;

TEST_F(APIBaseDefaultsTest, OnlyAViewConfigurationThatAddsUpToZeroIsSupported)
{
  TestAPIPlugin plugin;
  EXPECT_TRUE(plugin.OnHostRequestingSupportedViewConfiguration(0, 0));
  EXPECT_TRUE(plugin.OnHostRequestingSupportedViewConfiguration(1, -1));
  EXPECT_FALSE(plugin.OnHostRequestingSupportedViewConfiguration(100, 100));
  // The sum is taken without overflowing.
  EXPECT_TRUE(plugin.OnHostRequestingSupportedViewConfiguration(INT_MAX, -INT_MAX));
  EXPECT_FALSE(plugin.OnHostRequestingSupportedViewConfiguration(INT_MAX, 1));
}

TEST_F(APIBaseDefaultsTest, ImportantParametersAreTheFirstCountWhenFewerThanAllAreAsked)
{
  TestAPIPlugin plugin(5, true);
  LOOM_TypedBuf<int> results;
  results.Add(99);

  plugin.OnHostRequestingImportantParameters(3, results);
  ASSERT_EQ(results.GetSize(), 4u);
  EXPECT_EQ(results.Get()[0], 99);
  EXPECT_EQ(results.Get()[1], 0);
  EXPECT_EQ(results.Get()[2], 1);
  EXPECT_EQ(results.Get()[3], 2);

  plugin.OnHostRequestingImportantParameters(5, results);
  plugin.OnHostRequestingImportantParameters(6, results);
  plugin.OnHostRequestingImportantParameters(-2, results);
  EXPECT_EQ(results.GetSize(), 4u);
}

namespace {

// A state buffer of doubles: pad leading values, then one per parameter.
std::vector<uint8_t> StateBytes(const std::vector<double>& values)
{
  std::vector<uint8_t> bytes(values.size() * sizeof(double));
  std::memcpy(bytes.data(), values.data(), bytes.size());
  return bytes;
}

} // namespace

TEST_F(APIBaseDefaultsTest, CompareStateWithStartPosition1ReadsItsFirstValueAtByte8)
{
  TestAPIPlugin plugin(3, true);
  plugin.GetParam(0)->Set(12.5);
  plugin.GetParam(1)->Set(50.0);
  plugin.GetParam(2)->Set(99.0);

  const auto bytes = StateBytes({-1.0, 12.5, 50.0, 99.0});
  EXPECT_TRUE(plugin.CompareState(bytes.data(), 1));
  EXPECT_FALSE(plugin.CompareState(bytes.data(), 0));
  // Unaligned start: the values are read bytewise.
  std::vector<uint8_t> shifted(1 + bytes.size());
  std::memcpy(shifted.data() + 1, bytes.data(), bytes.size());
  EXPECT_TRUE(plugin.CompareState(shifted.data() + 1, 1));
}

TEST_F(APIBaseDefaultsTest, CompareStateToleratesDifferencesBelow1eMinus5OnlyAndChecksEveryParameter)
{
  TestAPIPlugin plugin(2, true);
  plugin.GetParam(0)->Set(0.5);
  plugin.GetParam(1)->Set(0.25);

  EXPECT_TRUE(plugin.CompareState(StateBytes({0.5 + 4e-6, 0.25}).data(), 0));
  EXPECT_FALSE(plugin.CompareState(StateBytes({0.5 + 2e-5, 0.25}).data(), 0));
  EXPECT_FALSE(plugin.CompareState(StateBytes({0.5, 0.25 - 2e-5}).data(), 0));
  EXPECT_FALSE(plugin.CompareState(StateBytes({0.5, std::numeric_limits<double>::quiet_NaN()}).data(), 0));
  EXPECT_FALSE(plugin.CompareState(StateBytes({0.5, 1e300}).data(), 0));
  EXPECT_FALSE(plugin.CompareState(nullptr, 0));
  EXPECT_FALSE(plugin.CompareState(StateBytes({0.5, 0.25}).data(), -1));
}

// --- Time stamp

namespace {

// Sets TZ for the test and puts the previous value back.
class ScopedTimeZone
{
public:
  explicit ScopedTimeZone(const char* tz)
  {
    if (const char* old = std::getenv("TZ"))
    {
      mHadOld = true;
      mOld = old;
    }
    setenv("TZ", tz, 1);
    tzset();
  }

  ~ScopedTimeZone()
  {
    if (mHadOld)
      setenv("TZ", mOld.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

private:
  bool mHadOld = false;
  std::string mOld;
};

} // namespace

TEST(CurrentTimeTest, FormatsTheLocalDateAndTimeFollowedByTheOffsetFromUTC)
{
  ScopedTimeZone tz("UTC0");
  const std::string text = weft::CurrentTime();
  EXPECT_TRUE(std::regex_match(text, std::regex(R"(\d{8} \d{2}:\d{2} \+0000)"))) << text;
}

TEST(CurrentTimeTest, OffsetsAcrossADayBoundaryAreCorrectedByADay)
{
  // At any moment at least one of these zones is on another calendar day
  // than UTC: +14:00 from 10:00 UTC on, -12:00 before 12:00 UTC.
  {
    ScopedTimeZone tz("EAST-14");
    const std::string text = weft::CurrentTime();
    EXPECT_EQ(text.substr(text.size() - 5), "+1400") << text;
  }
  {
    ScopedTimeZone tz("WEST+12");
    const std::string text = weft::CurrentTime();
    EXPECT_EQ(text.substr(text.size() - 5), "-1200") << text;
  }
  {
    ScopedTimeZone tz("MID-05:30");
    const std::string text = weft::CurrentTime();
    EXPECT_EQ(text.substr(text.size() - 5), "+0530") << text;
  }
}
