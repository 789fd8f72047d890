#include "IGEditorDelegate.h"
#include "TestCanvas.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

using weft::EParamSource;
using weft::IByteChunk;
using weft::IMidiMsg;
using pwtest::EditorStateChunk;
using weft::canvas::ICanvas;
using Log = std::vector<std::string>;
using Bytes = std::vector<uint8_t>;

class RecordingGDelegate : public weft::IGEditorDelegate
{
public:
  explicit RecordingGDelegate(int nParams) : IGEditorDelegate(nParams) {}

  void OnUIOpen() override { log.push_back("OnUIOpen"); }
  void OnUIClose() override
  {
    log.push_back("OnUIClose");
    if (closeAgainFromOnUIClose)
      CloseWindow();
  }
  void OnParamChangeUI(int idx, EParamSource source) override
  {
    log.push_back("OnParamChangeUI(" + std::to_string(idx) + "," + weft::ParamSourceStrs[source] + ")");
  }
  bool OnMessage(int msgTag, int ctrlTag, int, const void*) override
  {
    log.push_back("OnMessage(" + std::to_string(msgTag) + "," + std::to_string(ctrlTag) + ")");
    return true;
  }
  void OnMidiMsgUI(const IMidiMsg& m) override { log.push_back("OnMidiMsgUI(" + std::to_string(m.NoteNumber()) + ")"); }
  void BeginInformHostOfParamChangeFromUI(int) override {}
  void EndInformHostOfParamChangeFromUI(int) override {}

  std::vector<float> Last() const { return {float(GetLastWidth()), float(GetLastHeight()), GetLastScale()}; }

  Log log;
  bool closeAgainFromOnUIClose = false;
};

Bytes BytesOf(const IByteChunk& chunk) { return Bytes(chunk.GetData(), chunk.GetData() + chunk.Size()); }

// Never dereferenced: only the pointer's identity is checked.
ICanvas* FakeCanvas()
{
  alignas(16) static unsigned char storage[16];
  return reinterpret_cast<ICanvas*>(storage);
}

} // namespace

// --- Window and functions without an editor

TEST(GraphicsDelegateWindowTest, WithoutAnEditorOpeningGivesNoViewAndCreateGraphicsAndLayoutRunOnlyWhenSet)
{
  RecordingGDelegate d(2);
  int parent = 0;
  EXPECT_EQ(d.OpenWindow(&parent), nullptr);
  EXPECT_EQ(d.GetUI(), nullptr);
  EXPECT_TRUE(d.log.empty());

  EXPECT_EQ(d.CreateGraphics(), nullptr);
  d.LayoutUI(FakeCanvas());
  d.SetMakeGraphicsFunc([]() { return FakeCanvas(); });
  EXPECT_EQ(d.CreateGraphics(), FakeCanvas());
  std::vector<ICanvas*> seen;
  d.SetLayoutFunc([&](ICanvas* pUI) { seen.push_back(pUI); });
  d.LayoutUI(FakeCanvas());
  EXPECT_EQ(seen, std::vector<ICanvas*>{FakeCanvas()});
}

TEST(GraphicsDelegateWindowTest, ClosingNotifiesThePluginOnceEvenWhenItReenters)
{
  RecordingGDelegate d(0);
  d.closeAgainFromOnUIClose = true;
  d.CloseWindow();
  EXPECT_EQ(d.log, Log{"OnUIClose"});
  d.closeAgainFromOnUIClose = false;
  d.CloseWindow(); // the guard is lifted after the close
  EXPECT_EQ(d.log, (Log{"OnUIClose", "OnUIClose"}));
}

// --- Editor-state chunk

TEST(GraphicsDelegateEditorStateTest, StateIsTheLastSizeAsTwelveLittleEndianBytesReadBackAfterThePosition)
{
  RecordingGDelegate d(0);
  IByteChunk before;
  EXPECT_TRUE(d.SerializeEditorState(before));
  EXPECT_EQ(BytesOf(before), Bytes(12, 0)) << "no window yet";

  IByteChunk chunk;
  const uint8_t prefix[3] = {0xAA, 0xBB, 0xCC};
  chunk.PutBytes(prefix, 3);
  chunk.PutChunk(EditorStateChunk(800, 600, 1.5f));
  EXPECT_EQ(d.UnserializeEditorState(chunk, 3), 15);
  EXPECT_EQ(d.Last(), (std::vector<float>{800, 600, 1.5f}));
  EXPECT_EQ(d.GetUI(), nullptr);

  IByteChunk out;
  EXPECT_TRUE(d.SerializeEditorState(out));
  // 800 = 0x320, 600 = 0x258, 1.5f = 0x3FC00000.
  EXPECT_EQ(BytesOf(out), (Bytes{0x20, 0x03, 0x00, 0x00, 0x58, 0x02, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x3F}));

  ASSERT_EQ(d.UnserializeEditorSize(EditorStateChunk(0, 400, 2.0f), 0), 12) << "zero is kept while no window is open";
  IByteChunk viaSize;
  EXPECT_TRUE(d.SerializeEditorSize(viaSize));
  EXPECT_EQ(BytesOf(viaSize), BytesOf(EditorStateChunk(0, 400, 2.0f)));
}

TEST(GraphicsDelegateEditorStateTest, ShortNegativeOrNonFiniteRecordsAreRefusedWholeWithMinusOne)
{
  RecordingGDelegate d(0);
  ASSERT_EQ(d.UnserializeEditorState(EditorStateChunk(800, 600, 1.5f), 0), 12);
  IByteChunk shortRecord = EditorStateChunk(1000, 400, 2.0f);
  shortRecord.Resize(11);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct { IByteChunk chunk; int start; } cases[] = {
    {shortRecord, 0},                        {EditorStateChunk(1000, 400, 2.0f), 1}, // starts one byte too late
    {IByteChunk(), 0},                       {EditorStateChunk(1000, 400, 2.0f), -1},
    {EditorStateChunk(-1000, 400, 2.0f), 0}, {EditorStateChunk(1000, -1, 2.0f), 0},
    {EditorStateChunk(1000, 400, -1.0f), 0}, {EditorStateChunk(1000, 400, nan), 0},
    {EditorStateChunk(1000, 400, inf), 0},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(testing::Message() << c.chunk.Size() << " bytes from " << c.start);
    EXPECT_EQ(d.UnserializeEditorState(c.chunk, c.start), -1);
    EXPECT_EQ(d.Last(), (std::vector<float>{800, 600, 1.5f}));
  }
}

// --- Values and messages without an editor

TEST(GraphicsDelegateTrafficTest, ValuesMidiAndArbitraryMessagesFallThroughToTheEditorHandlersAndTheRestDoesNothing)
{
  RecordingGDelegate d(2);
  d.SendParameterValueFromDelegate(1, 0.9, true);
  EXPECT_EQ(d.GetParam(1)->Value(), 0.0);
  IMidiMsg msg;
  msg.MakeNoteOnMsg(64, 90, 0);
  d.SendMidiMsgFromDelegate(msg);
  d.SendArbitraryMsgFromDelegate(9, 0, nullptr);
  const float data[2] = {0.5f, 0.25f};
  d.SendControlMsgFromDelegate(5, 0, static_cast<int>(sizeof(data)), data);
  d.SendControlValueFromDelegate(5, 0.5);
  EXPECT_FALSE(d.OnKeyDown(weft::IKeyPress("a", 65)));
  d.OnParentWindowResize(1200, 800);
  EXPECT_EQ(d.log, (Log{"OnParamChangeUI(1,Editor Delegate)", "OnMidiMsgUI(64)", "OnMessage(9,-1)"}));
  EXPECT_EQ(d.Last(), (std::vector<float>{0, 0, 0}));
}
