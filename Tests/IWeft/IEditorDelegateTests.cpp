#include "IEditorDelegate.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using weft::EParamSource;
using weft::IByteChunk;
using weft::IEditorDelegate;
using weft::IKeyPress;
using weft::IMidiMsg;
using weft::ISysEx;
using weft::ParamSourceStrs;

std::string Src(EParamSource source)
{
  return ParamSourceStrs[source];
}

// Records the calls that reach the plug-in side, then runs the default body
// so that the defaults' own chains stay observable.
class RecordingDelegate : public IEditorDelegate
{
public:
  explicit RecordingDelegate(int nParams)
  : IEditorDelegate(nParams)
  {}

  void OnUIOpen() override
  {
    log.push_back("OnUIOpen");
    IEditorDelegate::OnUIOpen();
  }

  void OnUIClose() override
  {
    log.push_back("OnUIClose");
    IEditorDelegate::OnUIClose();
  }

  void OnParamChange(int idx, EParamSource source, int offset) override
  {
    log.push_back("OnParamChange(" + std::to_string(idx) + "," + Src(source) + "," + std::to_string(offset) + ")");
    IEditorDelegate::OnParamChange(idx, source, offset);
  }

  void OnParamChange(int idx) override { log.push_back("OnParamChange(" + std::to_string(idx) + ")"); }

  void OnParamChangeUI(int idx, EParamSource source) override
  {
    log.push_back("OnParamChangeUI(" + std::to_string(idx) + "," + Src(source) + ")");
  }

  void SendParameterValueFromDelegate(int idx, double value, bool normalized) override
  {
    log.push_back("SendParameterValueFromDelegate(" + std::to_string(idx) + "," + std::to_string(value) + "," +
                  (normalized ? "true" : "false") + ")");
    IEditorDelegate::SendParameterValueFromDelegate(idx, value, normalized);
  }

  bool OnMessage(int msgTag, int ctrlTag, int dataSize, const void* pData) override
  {
    log.push_back("OnMessage(" + std::to_string(msgTag) + "," + std::to_string(ctrlTag) + "," +
                  std::to_string(dataSize) + ")");
    lastData = pData;
    return IEditorDelegate::OnMessage(msgTag, ctrlTag, dataSize, pData);
  }

  void OnMidiMsgUI(const IMidiMsg& msg) override
  {
    log.push_back("OnMidiMsgUI");
    lastMidi = msg;
  }

  void OnSysexMsgUI(const ISysEx& msg) override
  {
    log.push_back("OnSysexMsgUI");
    lastSysex = msg;
  }

  void BeginInformHostOfParamChangeFromUI(int idx) override { log.push_back("Begin(" + std::to_string(idx) + ")"); }
  void EndInformHostOfParamChangeFromUI(int idx) override { log.push_back("End(" + std::to_string(idx) + ")"); }

  std::vector<std::string> log;
  const void* lastData = nullptr;
  IMidiMsg lastMidi;
  ISysEx lastSysex;
};

using Log = std::vector<std::string>;

TEST(EParamSourceTest, ValuesAndNamesMatchTheTraceTable)
{
  EXPECT_EQ(weft::kReset, 0);
  EXPECT_EQ(weft::kHost, 1);
  EXPECT_EQ(weft::kPresetRecall, 2);
  EXPECT_EQ(weft::kUI, 3);
  EXPECT_EQ(weft::kDelegate, 4);
  EXPECT_EQ(weft::kRecompile, 5);
  EXPECT_EQ(weft::kUnknown, 6);

  const char* expected[] = {"Reset", "Host", "Preset", "UI", "Editor Delegate", "Recompile", "Unknown"};
  for (int i = 0; i < weft::kNumParamSources; ++i)
    EXPECT_STREQ(ParamSourceStrs[i], expected[i]) << "source " << i;
}

// --- Parameter list ---------------------------------------------------------

TEST(EditorDelegateParamListTest, ConstructorCreatesDistinctDefaultParameters)
{
  RecordingDelegate d(3);
  ASSERT_EQ(d.NParams(), 3);
  for (int i = 0; i < 3; ++i)
  {
    ASSERT_NE(d.GetParam(i), nullptr);
    EXPECT_EQ(d.GetParam(i)->Value(), 0.0);
  }
  EXPECT_NE(d.GetParam(0), d.GetParam(1));
  EXPECT_NE(d.GetParam(1), d.GetParam(2));
}

TEST(EditorDelegateParamListTest, ZeroOrNegativeCountGivesAnEmptyList)
{
  EXPECT_EQ(RecordingDelegate(0).NParams(), 0);
  EXPECT_EQ(RecordingDelegate(-4).NParams(), 0);
}

TEST(EditorDelegateParamListTest, IndicesOutsideTheListGiveNull)
{
  RecordingDelegate d(2);
  EXPECT_EQ(d.GetParam(-1), nullptr);
  EXPECT_EQ(d.GetParam(d.NParams()), nullptr);
  EXPECT_EQ(d.GetParam(INT_MIN), nullptr);
  EXPECT_EQ(d.GetParam(INT_MAX), nullptr);
  EXPECT_EQ(RecordingDelegate(0).GetParam(0), nullptr);
}

TEST(EditorDelegateParamListTest, AddParamAppendsAtTheNextIndex)
{
  RecordingDelegate d(1);
  weft::IParam* added = d.AddParam();
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(d.NParams(), 2);
  EXPECT_EQ(d.GetParam(1), added);
}

// --- Editor size ------------------------------------------------------------

TEST(EditorDelegateSizeTest, StartsWithNoSizeAndTheWideDefaultLimits)
{
  RecordingDelegate d(0);
  EXPECT_EQ(d.GetEditorWidth(), 0);
  EXPECT_EQ(d.GetEditorHeight(), 0);
  EXPECT_EQ(d.GetMinWidth(), 10);
  EXPECT_EQ(d.GetMaxWidth(), 100000);
  EXPECT_EQ(d.GetMinHeight(), 10);
  EXPECT_EQ(d.GetMaxHeight(), 100000);

  d.SetEditorSize(1000, 400);
  EXPECT_EQ(d.GetEditorWidth(), 1000);
  EXPECT_EQ(d.GetEditorHeight(), 400);
}

TEST(EditorDelegateSizeTest, SizeConstraintsIgnoreTheOrderOfEachPair)
{
  RecordingDelegate d(0);
  d.SetSizeConstraints(500, 100, 900, 300);
  EXPECT_EQ(d.GetMinWidth(), 100);
  EXPECT_EQ(d.GetMaxWidth(), 500);
  EXPECT_EQ(d.GetMinHeight(), 300);
  EXPECT_EQ(d.GetMaxHeight(), 900);

  d.SetSizeConstraints(333, 3000, 133, 1200);
  EXPECT_EQ(d.GetMinWidth(), 333);
  EXPECT_EQ(d.GetMaxWidth(), 3000);
  EXPECT_EQ(d.GetMinHeight(), 133);
  EXPECT_EQ(d.GetMaxHeight(), 1200);
}

TEST(EditorDelegateSizeTest, ConstrainClipsATooNarrowWidthAndKeepsAValidHeight)
{
  RecordingDelegate d(0);
  int w = 5;
  int h = 50;
  EXPECT_FALSE(d.ConstrainEditorResize(w, h));
  EXPECT_EQ(w, 10);
  EXPECT_EQ(h, 50);
}

TEST(EditorDelegateSizeTest, ConstrainAcceptsSizesOnTheLimitsUnchanged)
{
  RecordingDelegate d(0);
  d.SetSizeConstraints(333, 3000, 133, 1200);
  int w = 333;
  int h = 1200;
  EXPECT_TRUE(d.ConstrainEditorResize(w, h));
  EXPECT_EQ(w, 333);
  EXPECT_EQ(h, 1200);

  w = 3000;
  h = 133;
  EXPECT_TRUE(d.ConstrainEditorResize(w, h));
  EXPECT_EQ(w, 3000);
  EXPECT_EQ(h, 133);
}

TEST(EditorDelegateSizeTest, ConstrainClipsBothValuesIntoTheirRanges)
{
  RecordingDelegate d(0);
  d.SetSizeConstraints(333, 3000, 133, 1200);
  int w = 5000;
  int h = -20;
  EXPECT_FALSE(d.ConstrainEditorResize(w, h));
  EXPECT_EQ(w, 3000);
  EXPECT_EQ(h, 133);

  w = 1000;
  h = 1201;
  EXPECT_FALSE(d.ConstrainEditorResize(w, h));
  EXPECT_EQ(w, 1000);
  EXPECT_EQ(h, 1200);
}

// --- Parameter traffic ------------------------------------------------------

class EditorDelegateParamTrafficTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    // -12..12 in steps of 0.5: normalised 0.75 is 6, 0.25 is -6.
    for (int i = 0; i < d.NParams(); ++i)
      d.GetParam(i)->InitDouble("Gain", 0.0, -12.0, 12.0, 0.5, "dB", weft::IParam::kFlagStepped);
    d.GetParam(0)->Set(6.0);
    d.GetParam(1)->Set(-12.0);
  }

  RecordingDelegate d{2};
};

TEST_F(EditorDelegateParamTrafficTest, ResetNotifiesThePluginThenTheEditorForEachParameterInOrder)
{
  d.OnParamReset(weft::kPresetRecall);
  const Log expected = {"OnParamChange(0,Preset,-1)", "OnParamChange(0)", "OnParamChangeUI(0,Preset)",
                        "OnParamChange(1,Preset,-1)", "OnParamChange(1)", "OnParamChangeUI(1,Preset)"};
  EXPECT_EQ(d.log, expected);
}

TEST_F(EditorDelegateParamTrafficTest, ParamChangeWithSourceFallsThroughToTheIndexOnlyHandler)
{
  d.OnParamChange(1, weft::kHost, 17);
  const Log expected = {"OnParamChange(1,Host,17)", "OnParamChange(1)"};
  EXPECT_EQ(d.log, expected);
}

TEST_F(EditorDelegateParamTrafficTest, CurrentValuesGoToTheEditorNormalisedInIndexOrder)
{
  d.SendCurrentParamValuesFromDelegate();
  const Log expected = {"SendParameterValueFromDelegate(0,0.750000,true)", "OnParamChangeUI(0,Editor Delegate)",
                        "SendParameterValueFromDelegate(1,0.000000,true)", "OnParamChangeUI(1,Editor Delegate)"};
  EXPECT_EQ(d.log, expected);
}

TEST_F(EditorDelegateParamTrafficTest, OpeningTheWindowPushesEveryValueAndGivesNoView)
{
  EXPECT_EQ(d.OpenWindow(nullptr), nullptr);
  const Log expected = {"OnUIOpen", "SendParameterValueFromDelegate(0,0.750000,true)",
                        "OnParamChangeUI(0,Editor Delegate)", "SendParameterValueFromDelegate(1,0.000000,true)",
                        "OnParamChangeUI(1,Editor Delegate)"};
  EXPECT_EQ(d.log, expected);
}

TEST_F(EditorDelegateParamTrafficTest, RestoringStatePushesEveryValue)
{
  d.OnRestoreState();
  ASSERT_EQ(d.log.size(), 4u);
  EXPECT_EQ(d.log[0], "SendParameterValueFromDelegate(0,0.750000,true)");
  EXPECT_EQ(d.log[3], "OnParamChangeUI(1,Editor Delegate)");
}

TEST_F(EditorDelegateParamTrafficTest, ClosingTheWindowNotifiesThePlugin)
{
  d.CloseWindow();
  EXPECT_EQ(d.log, Log{"OnUIClose"});
}

TEST_F(EditorDelegateParamTrafficTest, ValueFromDelegateReachesTheEditorWithoutTouchingTheParameter)
{
  d.IEditorDelegate::SendParameterValueFromDelegate(0, 0.1, true);
  EXPECT_EQ(d.log, Log{"OnParamChangeUI(0,Editor Delegate)"});
  EXPECT_EQ(d.GetParam(0)->Value(), 6.0);
}

TEST_F(EditorDelegateParamTrafficTest, ValueFromUISetsTheParameterNormalisedAndNotifiesWithSourceUI)
{
  d.SendParameterValueFromUI(1, 0.25);
  EXPECT_EQ(d.GetParam(1)->Value(), -6.0);
  EXPECT_EQ(d.GetParam(0)->Value(), 6.0);
  EXPECT_EQ(d.log, Log{"OnParamChangeUI(1,UI)"});
}

TEST_F(EditorDelegateParamTrafficTest, ValueFromUIIsConstrainedToTheParameter)
{
  d.SendParameterValueFromUI(0, 0.51); // -12 + 0.51 * 24 = 0.24, snapped to the 0.5 step
  EXPECT_EQ(d.GetParam(0)->Value(), 0.0);
  d.SendParameterValueFromUI(0, 1.7);
  EXPECT_EQ(d.GetParam(0)->Value(), 12.0);
}

TEST(EditorDelegateEmptyTest, ZeroParametersSendAndResetNothing)
{
  RecordingDelegate d(0);
  d.SendCurrentParamValuesFromDelegate();
  d.OnParamReset(weft::kReset);
  d.OnRestoreState();
  EXPECT_EQ(d.OpenWindow(nullptr), nullptr);
  EXPECT_EQ(d.log, Log{"OnUIOpen"});
}

using EditorDelegateParamTrafficDeathTest = EditorDelegateParamTrafficTest;

TEST_F(EditorDelegateParamTrafficDeathTest, ValueFromUIWithAnIndexOutsideTheListIsRefused)
{
  for (int idx : {-1, 2, INT_MAX})
  {
    EXPECT_DEBUG_DEATH(d.SendParameterValueFromUI(idx, 0.5), "parameter index out of range");
  }
  // Release builds take the refusal path in-process: nothing is set or sent.
  EXPECT_EQ(d.GetParam(0)->Value(), 6.0);
  EXPECT_EQ(d.GetParam(1)->Value(), -12.0);
  EXPECT_TRUE(d.log.empty());
}

// --- Messages ---------------------------------------------------------------

TEST(EditorDelegateMessageTest, ControlMessageReachesOnMessageWithItsControlTag)
{
  RecordingDelegate d(0);
  const float payload[3] = {1.0f, 2.0f, 3.0f};
  d.SendControlMsgFromDelegate(7, 3, static_cast<int>(sizeof(payload)), payload);
  EXPECT_EQ(d.log, Log{"OnMessage(3,7,12)"});
  EXPECT_EQ(d.lastData, payload);
}

TEST(EditorDelegateMessageTest, ArbitraryMessageReachesOnMessageWithNoControlTag)
{
  RecordingDelegate d(0);
  const char payload[] = "abc";
  d.SendArbitraryMsgFromDelegate(42, 4, payload);
  EXPECT_EQ(d.log, Log{"OnMessage(42,-1,4)"});
  EXPECT_EQ(d.lastData, payload);
}

TEST(EditorDelegateMessageTest, MidiFromDelegateReachesTheEditorHandlerUnchanged)
{
  RecordingDelegate d(0);
  IMidiMsg msg;
  msg.MakeNoteOnMsg(60, 100, 12, 3);
  d.SendMidiMsgFromDelegate(msg);
  EXPECT_EQ(d.log, Log{"OnMidiMsgUI"});
  EXPECT_EQ(d.lastMidi.mOffset, 12);
  EXPECT_EQ(d.lastMidi.mStatus, 0x93);
  EXPECT_EQ(d.lastMidi.mData1, 60);
  EXPECT_EQ(d.lastMidi.mData2, 100);
}

TEST(EditorDelegateMessageTest, SysexFromDelegateReachesTheEditorHandlerUnchanged)
{
  RecordingDelegate d(0);
  const uint8_t bytes[] = {0xF0, 0x7E, 0x01, 0xF7};
  d.SendSysexMsgFromDelegate(ISysEx(5, bytes, 4));
  EXPECT_EQ(d.log, Log{"OnSysexMsgUI"});
  EXPECT_EQ(d.lastSysex.mOffset, 5);
  EXPECT_EQ(d.lastSysex.mSize, 4);
  EXPECT_EQ(d.lastSysex.mData, bytes);
}

TEST(EditorDelegateMessageTest, DefaultsHandleNothingAndSendNothingOnward)
{
  struct Bare : IEditorDelegate
  {
    Bare()
    : IEditorDelegate(1)
    {}
    void BeginInformHostOfParamChangeFromUI(int) override {}
    void EndInformHostOfParamChangeFromUI(int) override {}
  } d;

  EXPECT_FALSE(d.OnMessage(1, 2, 0, nullptr));
  EXPECT_FALSE(d.OnKeyDown(IKeyPress("a", 65)));
  EXPECT_FALSE(d.OnKeyUp(IKeyPress("a", 65)));
  EXPECT_FALSE(d.EditorResizeFromUI(800, 600, true));
}

TEST(EditorDelegateMessageTest, EditorSideSendsReachNoPluginHandlerByDefault)
{
  RecordingDelegate d(1);
  const uint8_t bytes[] = {0xF0, 0xF7};
  d.SendMidiMsgFromUI(IMidiMsg(0, 0x90, 60, 1));
  d.SendSysexMsgFromUI(ISysEx(0, bytes, 2));
  d.SendArbitraryMsgFromUI(1, 2, 2, bytes);
  d.DeferMidiMsg(IMidiMsg(0, 0x90, 60, 1));
  d.DeferSysexMsg(ISysEx(0, bytes, 2));
  d.SendControlValueFromDelegate(3, 0.5);
  d.DirtyParametersFromUI();
  d.OnParentWindowResize(800, 600);
  d.SetScreenScale(2.0f);
  EXPECT_TRUE(d.log.empty());
  EXPECT_EQ(d.GetParam(0)->Value(), 0.0);
}

TEST(EditorDelegateStateTest, DefaultEditorStateWritesAndReadsNothing)
{
  RecordingDelegate d(0);
  IByteChunk chunk;
  const int v = 7;
  chunk.Put(&v);
  EXPECT_TRUE(d.SerializeEditorState(chunk));
  EXPECT_EQ(chunk.Size(), 4);
  EXPECT_EQ(d.UnserializeEditorState(chunk, 2), 2);
  EXPECT_EQ(d.UnserializeEditorState(chunk, -1), -1);
}

} // namespace
