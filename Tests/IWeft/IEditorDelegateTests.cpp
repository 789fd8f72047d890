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
using Log = std::vector<std::string>;

std::string Text(const char* s) { return s; }
std::string Text(bool b) { return b ? "true" : "false"; }
template <class T>
std::string Text(T v) { return std::to_string(v); }

// Records the calls that reach the plug-in side as "Name(arg,arg)", then runs
// the default body so that the defaults' own chains stay observable.
class RecordingDelegate : public IEditorDelegate
{
public:
  explicit RecordingDelegate(int nParams) : IEditorDelegate(nParams) {}

  template <class... A>
  void Note(const char* name, A... args)
  {
    std::string call;
    ((call += (call.empty() ? "(" : ",") + Text(args)), ...);
    log.push_back(name + call + (call.empty() ? "" : ")"));
  }

  void OnUIOpen() override
  {
    Note("OnUIOpen");
    IEditorDelegate::OnUIOpen();
  }
  void OnUIClose() override
  {
    Note("OnUIClose");
    IEditorDelegate::OnUIClose();
  }
  void OnParamChange(int idx, EParamSource source, int offset) override
  {
    Note("OnParamChange", idx, weft::ParamSourceStrs[source], offset);
    IEditorDelegate::OnParamChange(idx, source, offset);
  }
  void OnParamChange(int idx) override { Note("OnParamChange", idx); }
  void OnParamChangeUI(int idx, EParamSource source) override
  {
    Note("OnParamChangeUI", idx, weft::ParamSourceStrs[source]);
  }
  void SendParameterValueFromDelegate(int idx, double value, bool normalized) override
  {
    Note("SendParameterValueFromDelegate", idx, value, normalized);
    IEditorDelegate::SendParameterValueFromDelegate(idx, value, normalized);
  }
  bool OnMessage(int msgTag, int ctrlTag, int dataSize, const void* pData) override
  {
    Note("OnMessage", msgTag, ctrlTag, dataSize);
    lastData = pData;
    return IEditorDelegate::OnMessage(msgTag, ctrlTag, dataSize, pData);
  }
  void OnMidiMsgUI(const IMidiMsg& msg) override
  {
    Note("OnMidiMsgUI", msg.mOffset, msg.mStatus, msg.mData1, msg.mData2);
  }
  void OnSysexMsgUI(const ISysEx& msg) override
  {
    Note("OnSysexMsgUI", msg.mOffset, msg.mSize);
    lastData = msg.mData;
  }
  void BeginInformHostOfParamChangeFromUI(int idx) override { Note("Begin", idx); }
  void EndInformHostOfParamChangeFromUI(int idx) override { Note("End", idx); }

  Log log;
  const void* lastData = nullptr;
};

// Two parameters -12..12 in steps of 0.5 at 6 and -12: normalised 0.75 and 0.
class EditorDelegateTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    for (int i = 0; i < d.NParams(); ++i)
      d.GetParam(i)->InitDouble("Gain", 0.0, -12.0, 12.0, 0.5, "dB", weft::IParam::kFlagStepped);
    d.GetParam(0)->Set(6.0);
    d.GetParam(1)->Set(-12.0);
  }

  const Log kPushBoth = {"SendParameterValueFromDelegate(0,0.750000,true)", "OnParamChangeUI(0,Editor Delegate)",
                         "SendParameterValueFromDelegate(1,0.000000,true)", "OnParamChangeUI(1,Editor Delegate)"};
  RecordingDelegate d{2};
};

TEST(EParamSourceTest, NamesMatchTheTraceTable)
{
  const char* expected[] = {"Reset", "Host", "Preset", "UI", "Editor Delegate", "Recompile", "Unknown"};
  ASSERT_EQ(weft::kNumParamSources, 7);
  for (int i = 0; i < weft::kNumParamSources; ++i)
    EXPECT_STREQ(weft::ParamSourceStrs[i], expected[i]) << "source " << i;
}

TEST(EditorDelegateParamListTest, HoldsDistinctParametersAndGivesNullOutsideTheList)
{
  RecordingDelegate d(2);
  ASSERT_NE(d.GetParam(0), nullptr);
  EXPECT_NE(d.GetParam(0), d.GetParam(1));
  for (int idx : {-1, 2, INT_MIN, INT_MAX})
    EXPECT_EQ(d.GetParam(idx), nullptr) << idx;
  weft::IParam* added = d.AddParam();
  EXPECT_EQ(d.NParams(), 3);
  EXPECT_EQ(d.GetParam(2), added);
  EXPECT_EQ(RecordingDelegate(-4).NParams(), 0);
  EXPECT_EQ(RecordingDelegate(0).GetParam(0), nullptr);
}

TEST(EditorDelegateSizeTest, ConstraintsIgnoreTheOrderOfEachPairAndClipSizesIntoTheirRanges)
{
  RecordingDelegate d(0);
  int w = 5, h = 50;
  EXPECT_FALSE(d.ConstrainEditorResize(w, h)) << "the default limits are 10..100000";
  EXPECT_EQ(std::vector<int>({w, h}), std::vector<int>({10, 50}));

  for (const auto& pairs : {std::vector<int>{3000, 333, 133, 1200}, std::vector<int>{333, 3000, 1200, 133}})
  {
    d.SetSizeConstraints(pairs[0], pairs[1], pairs[2], pairs[3]);
    EXPECT_EQ(std::vector<int>({d.GetMinWidth(), d.GetMaxWidth(), d.GetMinHeight(), d.GetMaxHeight()}),
              std::vector<int>({333, 3000, 133, 1200}));
  }
  const struct
  {
    int w, h, constrainedW, constrainedH;
    bool unchanged;
  } cases[] = {{333, 1200, 333, 1200, true},  {3000, 133, 3000, 133, true}, {5000, -20, 3000, 133, false},
               {1000, 1201, 1000, 1200, false}};
  for (const auto& c : cases)
  {
    w = c.w;
    h = c.h;
    EXPECT_EQ(d.ConstrainEditorResize(w, h), c.unchanged) << c.w << "x" << c.h;
    EXPECT_EQ(std::vector<int>({w, h}), std::vector<int>({c.constrainedW, c.constrainedH}));
  }
}

TEST_F(EditorDelegateTest, ResetNotifiesThePluginThenTheEditorForEachParameterInOrder)
{
  d.OnParamReset(weft::kPresetRecall);
  const Log expected = {"OnParamChange(0,Preset,-1)", "OnParamChange(0)", "OnParamChangeUI(0,Preset)",
                        "OnParamChange(1,Preset,-1)", "OnParamChange(1)", "OnParamChangeUI(1,Preset)"};
  EXPECT_EQ(d.log, expected);
}

TEST_F(EditorDelegateTest, OpeningTheWindowOrRestoringStatePushesEveryValueNormalisedInIndexOrder)
{
  EXPECT_EQ(d.OpenWindow(nullptr), nullptr);
  Log expected = {"OnUIOpen"};
  expected.insert(expected.end(), kPushBoth.begin(), kPushBoth.end());
  EXPECT_EQ(d.log, expected);

  d.log.clear();
  d.OnRestoreState();
  EXPECT_EQ(d.log, kPushBoth);
  d.log.clear();
  d.CloseWindow();
  EXPECT_EQ(d.log, Log{"OnUIClose"});

  RecordingDelegate none(0);
  none.OnParamReset(weft::kReset);
  none.OnRestoreState();
  none.OpenWindow(nullptr);
  EXPECT_EQ(none.log, Log{"OnUIOpen"});
}

TEST_F(EditorDelegateTest, AValueFromTheDelegateOnlyReachesTheEditorAndAValueFromTheUISetsTheParameterConstrained)
{
  d.IEditorDelegate::SendParameterValueFromDelegate(0, 0.1, true);
  EXPECT_EQ(d.log, Log{"OnParamChangeUI(0,Editor Delegate)"});
  EXPECT_EQ(d.GetParam(0)->Value(), 6.0);

  d.log.clear();
  d.SendParameterValueFromUI(1, 0.25);
  EXPECT_EQ(d.GetParam(1)->Value(), -6.0);
  EXPECT_EQ(d.log, Log{"OnParamChangeUI(1,UI)"});
  d.SendParameterValueFromUI(0, 0.51); // -12 + 0.51 * 24 = 0.24, snapped to the 0.5 step
  EXPECT_EQ(d.GetParam(0)->Value(), 0.0);
  d.SendParameterValueFromUI(0, 1.7);
  EXPECT_EQ(d.GetParam(0)->Value(), 12.0);
}

using EditorDelegateDeathTest = EditorDelegateTest;

TEST_F(EditorDelegateDeathTest, AValueFromTheUIWithAnIndexOutsideTheListIsRefused)
{
  for (int idx : {-1, 2, INT_MAX})
    EXPECT_DEBUG_DEATH(d.SendParameterValueFromUI(idx, 0.5), "parameter index out of range");
  // Release builds take the refusal path in-process: nothing is set or sent.
  EXPECT_EQ(d.GetParam(0)->Value(), 6.0);
  EXPECT_EQ(d.GetParam(1)->Value(), -12.0);
  EXPECT_TRUE(d.log.empty());
}

TEST(EditorDelegateMessageTest, MessagesFromTheDelegateReachTheirEditorHandlersUnchanged)
{
  RecordingDelegate d(0);
  const float payload[3] = {1.0f, 2.0f, 3.0f};
  d.SendControlMsgFromDelegate(7, 3, static_cast<int>(sizeof(payload)), payload);
  EXPECT_EQ(d.lastData, payload);
  d.SendArbitraryMsgFromDelegate(42, 4, "abc");
  IMidiMsg msg;
  msg.MakeNoteOnMsg(60, 100, 12, 3);
  d.SendMidiMsgFromDelegate(msg);
  const uint8_t bytes[] = {0xF0, 0x7E, 0x01, 0xF7};
  d.SendSysexMsgFromDelegate(ISysEx(5, bytes, 4));
  EXPECT_EQ(d.lastData, bytes);
  EXPECT_EQ(d.log, (Log{"OnMessage(3,7,12)", "OnMessage(42,-1,4)", "OnMidiMsgUI(12,147,60,100)", "OnSysexMsgUI(5,4)"}));
}

TEST(EditorDelegateMessageTest, DefaultsHandleNothingAndEditorSideSendsReachNoPluginHandler)
{
  RecordingDelegate d(1);
  EXPECT_FALSE(d.IEditorDelegate::OnMessage(1, 2, 0, nullptr));
  EXPECT_FALSE(d.OnKeyDown(IKeyPress("a", 65)));
  EXPECT_FALSE(d.OnKeyUp(IKeyPress("a", 65)));
  EXPECT_FALSE(d.EditorResizeFromUI(800, 600, true));

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
