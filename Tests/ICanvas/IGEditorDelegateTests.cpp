#include "IGEditorDelegate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

using weft::EParamSource;
using weft::IByteChunk;
using weft::IGEditorDelegate;
using weft::IMidiMsg;
using weft::canvas::ICanvas;

using Log = std::vector<std::string>;

class RecordingGDelegate : public IGEditorDelegate
{
public:
  explicit RecordingGDelegate(int nParams)
  : IGEditorDelegate(nParams)
  {}

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
    lastSource = source;
  }

  bool OnMessage(int msgTag, int ctrlTag, int, const void*) override
  {
    log.push_back("OnMessage(" + std::to_string(msgTag) + "," + std::to_string(ctrlTag) + ")");
    return true;
  }

  void OnMidiMsgUI(const IMidiMsg& msg) override
  {
    log.push_back("OnMidiMsgUI(" + std::to_string(msg.NoteNumber()) + ")");
  }

  void BeginInformHostOfParamChangeFromUI(int) override {}
  void EndInformHostOfParamChangeFromUI(int) override {}

  Log log;
  EParamSource lastSource = weft::kUnknown;
  bool closeAgainFromOnUIClose = false;
};

// Little-endian bytes of the 12-byte editor-state record.
std::vector<uint8_t> Record(uint32_t width, uint32_t height, uint32_t scaleBits)
{
  std::vector<uint8_t> bytes;
  for (uint32_t v : {width, height, scaleBits})
    for (int shift = 0; shift < 32; shift += 8)
      bytes.push_back(static_cast<uint8_t>(v >> shift));
  return bytes;
}

std::vector<uint8_t> Bytes(const IByteChunk& chunk, int from = 0)
{
  return std::vector<uint8_t>(chunk.GetData() + from, chunk.GetData() + chunk.Size());
}

// A chunk holding one editor-state record written field by field.
struct ChunkOf
{
  ChunkOf(int width, int height, float scale)
  {
    chunk.Put(&width);
    chunk.Put(&height);
    chunk.Put(&scale);
  }
  operator const IByteChunk&() const { return chunk; }

  IByteChunk chunk;
};

// --- Window and functions without an editor ---------------------------------

TEST(GraphicsDelegateWindowTest, NoEditorExistsBeforeOrAfterOpening)
{
  RecordingGDelegate d(2);
  EXPECT_EQ(d.GetUI(), nullptr);
  EXPECT_EQ(d.OpenWindow(nullptr), nullptr);
  EXPECT_EQ(d.GetUI(), nullptr);
}

TEST(GraphicsDelegateWindowTest, OpeningWithoutAnEditorNeitherReportsOpenNorPushesValues)
{
  RecordingGDelegate d(2);
  int parent = 0;
  EXPECT_EQ(d.OpenWindow(&parent), nullptr);
  EXPECT_TRUE(d.log.empty());
}

TEST(GraphicsDelegateWindowTest, CreateGraphicsGivesNullWithoutAFunctionAndTheFunctionsResultWithOne)
{
  RecordingGDelegate d(0);
  EXPECT_EQ(d.CreateGraphics(), nullptr);

  // Never dereferenced: only the pointer's identity is checked.
  alignas(16) static unsigned char storage[16];
  ICanvas* const fake = reinterpret_cast<ICanvas*>(storage);
  int calls = 0;
  d.SetMakeGraphicsFunc([&]() {
    ++calls;
    return fake;
  });
  EXPECT_EQ(d.CreateGraphics(), fake);
  EXPECT_EQ(calls, 1);
}

TEST(GraphicsDelegateWindowTest, LayoutRunsTheLayoutFunctionWithTheGivenContext)
{
  RecordingGDelegate d(0);
  d.LayoutUI(nullptr);

  alignas(16) static unsigned char storage[16];
  ICanvas* const fake = reinterpret_cast<ICanvas*>(storage);
  std::vector<ICanvas*> seen;
  d.SetLayoutFunc([&](ICanvas* pUI) { seen.push_back(pUI); });
  d.LayoutUI(fake);
  d.LayoutUI(nullptr);
  EXPECT_EQ(seen, (std::vector<ICanvas*>{fake, nullptr}));
}

TEST(GraphicsDelegateWindowTest, ClosingNotifiesThePluginOnceEvenWhenItReenters)
{
  RecordingGDelegate d(0);
  d.closeAgainFromOnUIClose = true;
  d.CloseWindow();
  EXPECT_EQ(d.log, Log{"OnUIClose"});

  // The guard is lifted after the close: a later close runs again.
  d.closeAgainFromOnUIClose = false;
  d.CloseWindow();
  EXPECT_EQ(d.log, (Log{"OnUIClose", "OnUIClose"}));
  EXPECT_EQ(d.GetLastWidth(), 0);
  EXPECT_EQ(d.GetLastHeight(), 0);
  EXPECT_EQ(d.GetLastScale(), 0.0f);
}

// --- Editor-state chunk -----------------------------------------------------

TEST(GraphicsDelegateEditorStateTest, StateBeforeAnyWindowIsTwelveZeroBytes)
{
  RecordingGDelegate d(0);
  IByteChunk chunk;
  EXPECT_TRUE(d.SerializeEditorState(chunk));
  EXPECT_EQ(chunk.Size(), 12);
  EXPECT_EQ(Bytes(chunk), Record(0, 0, 0));
}

TEST(GraphicsDelegateEditorStateTest, ReadingStoresTheLastSizeAndReturnsThePositionAfterTheRecord)
{
  RecordingGDelegate d(0);
  IByteChunk chunk;
  const uint8_t prefix[3] = {0xAA, 0xBB, 0xCC};
  chunk.PutBytes(prefix, 3);
  const int w = 800;
  const int h = 600;
  const float s = 1.5f;
  chunk.Put(&w);
  chunk.Put(&h);
  chunk.Put(&s);

  EXPECT_EQ(d.UnserializeEditorState(chunk, 3), 15);
  EXPECT_EQ(d.GetLastWidth(), 800);
  EXPECT_EQ(d.GetLastHeight(), 600);
  EXPECT_EQ(d.GetLastScale(), 1.5f);
  EXPECT_EQ(d.GetUI(), nullptr);
}

TEST(GraphicsDelegateEditorStateTest, WrittenStateIsTheLastSizeInLittleEndianOrder)
{
  RecordingGDelegate d(0);
  ASSERT_EQ(d.UnserializeEditorState(ChunkOf(800, 600, 1.5f), 0), 12);

  IByteChunk out;
  const uint8_t lead = 0x55;
  out.PutBytes(&lead, 1);
  EXPECT_TRUE(d.SerializeEditorState(out));
  ASSERT_EQ(out.Size(), 13);
  EXPECT_EQ(out.GetData()[0], 0x55);
  // 800 = 0x320, 600 = 0x258, 1.5f = 0x3FC00000.
  const std::vector<uint8_t> expected = {0x20, 0x03, 0x00, 0x00, 0x58, 0x02, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x3F};
  EXPECT_EQ(Bytes(out, 1), expected);
}

TEST(GraphicsDelegateEditorStateTest, SizeAndStateOperationsAgree)
{
  RecordingGDelegate d(0);
  ASSERT_EQ(d.UnserializeEditorSize(ChunkOf(1000, 400, 2.0f), 0), 12);
  IByteChunk viaSize;
  IByteChunk viaState;
  EXPECT_TRUE(d.SerializeEditorSize(viaSize));
  EXPECT_TRUE(d.SerializeEditorState(viaState));
  EXPECT_EQ(Bytes(viaSize), Record(1000, 400, 0x40000000));
  EXPECT_EQ(Bytes(viaState), Bytes(viaSize));
}

TEST(GraphicsDelegateEditorStateTest, ZeroSizeIsStoredWhileNoWindowIsOpen)
{
  RecordingGDelegate d(0);
  ASSERT_EQ(d.UnserializeEditorState(ChunkOf(800, 600, 1.5f), 0), 12);
  EXPECT_EQ(d.UnserializeEditorState(ChunkOf(0, 600, 1.5f), 0), 12);
  EXPECT_EQ(d.GetLastWidth(), 0);
  EXPECT_EQ(d.GetLastHeight(), 600);
  EXPECT_EQ(d.GetLastScale(), 1.5f);
}

class GraphicsDelegateRefusedStateTest : public ::testing::Test
{
protected:
  void SetUp() override { ASSERT_EQ(d.UnserializeEditorState(ChunkOf(800, 600, 1.5f), 0), 12); }

  void ExpectUnchanged() const
  {
    EXPECT_EQ(d.GetLastWidth(), 800);
    EXPECT_EQ(d.GetLastHeight(), 600);
    EXPECT_EQ(d.GetLastScale(), 1.5f);
  }

  RecordingGDelegate d{0};
};

TEST_F(GraphicsDelegateRefusedStateTest, ShortChunkGivesMinusOneAndKeepsTheValues)
{
  ChunkOf record(1000, 400, 2.0f);
  record.chunk.Resize(11);
  EXPECT_EQ(d.UnserializeEditorState(record, 0), -1);
  ExpectUnchanged();

  // Complete record, but it starts one byte too late.
  EXPECT_EQ(d.UnserializeEditorState(ChunkOf(1000, 400, 2.0f), 1), -1);
  ExpectUnchanged();

  EXPECT_EQ(d.UnserializeEditorState(IByteChunk(), 0), -1);
  ExpectUnchanged();
}

TEST_F(GraphicsDelegateRefusedStateTest, NegativePositionGivesMinusOneAndKeepsTheValues)
{
  EXPECT_EQ(d.UnserializeEditorState(ChunkOf(1000, 400, 2.0f), -1), -1);
  ExpectUnchanged();
}

TEST_F(GraphicsDelegateRefusedStateTest, NegativeSizeIsRefusedWhole)
{
  EXPECT_EQ(d.UnserializeEditorState(ChunkOf(-1000, 400, 2.0f), 0), -1);
  ExpectUnchanged();
  EXPECT_EQ(d.UnserializeEditorState(ChunkOf(1000, -1, 2.0f), 0), -1);
  ExpectUnchanged();
}

TEST_F(GraphicsDelegateRefusedStateTest, NegativeOrNonFiniteScaleIsRefusedWhole)
{
  for (float bad : {-1.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                    -std::numeric_limits<float>::infinity()})
  {
    EXPECT_EQ(d.UnserializeEditorState(ChunkOf(1000, 400, bad), 0), -1) << bad;
    ExpectUnchanged();
  }
}

// --- Values and messages without an editor ----------------------------------

TEST(GraphicsDelegateTrafficTest, ParameterValueFromDelegateFallsThroughWithSourceEditorDelegate)
{
  RecordingGDelegate d(3);
  d.GetParam(2)->Set(0.25);
  d.SendParameterValueFromDelegate(2, 0.9, true);
  EXPECT_EQ(d.log, Log{"OnParamChangeUI(2,Editor Delegate)"});
  EXPECT_EQ(d.lastSource, 4);
  EXPECT_EQ(d.GetParam(2)->Value(), 0.25);
}

TEST(GraphicsDelegateTrafficTest, CurrentValuesReachTheEditorHandlerForEveryParameter)
{
  RecordingGDelegate d(2);
  d.SendCurrentParamValuesFromDelegate();
  EXPECT_EQ(d.log, (Log{"OnParamChangeUI(0,Editor Delegate)", "OnParamChangeUI(1,Editor Delegate)"}));
}

TEST(GraphicsDelegateTrafficTest, MidiFromDelegateFallsThroughToTheEditorHandler)
{
  RecordingGDelegate d(0);
  IMidiMsg msg;
  msg.MakeNoteOnMsg(64, 90, 0);
  d.SendMidiMsgFromDelegate(msg);
  EXPECT_EQ(d.log, Log{"OnMidiMsgUI(64)"});
}

TEST(GraphicsDelegateTrafficTest, ControlMessagesAreDroppedWithoutAnEditor)
{
  RecordingGDelegate d(0);
  const float data[2] = {0.5f, 0.25f};
  d.SendControlMsgFromDelegate(5, 0, static_cast<int>(sizeof(data)), data);
  d.SendControlValueFromDelegate(5, 0.5);
  EXPECT_TRUE(d.log.empty());
}

TEST(GraphicsDelegateTrafficTest, ArbitraryMessagesStillReachOnMessage)
{
  RecordingGDelegate d(0);
  d.SendArbitraryMsgFromDelegate(9, 0, nullptr);
  EXPECT_EQ(d.log, Log{"OnMessage(9,-1)"});
}

TEST(GraphicsDelegateTrafficTest, EditorOperationsDoNothingWithoutAnEditor)
{
  RecordingGDelegate d(0);
  ASSERT_EQ(d.UnserializeEditorState(ChunkOf(800, 600, 1.5f), 0), 12);
  EXPECT_FALSE(d.OnKeyDown(weft::IKeyPress("a", 65)));
  EXPECT_FALSE(d.OnKeyUp(weft::IKeyPress("a", 65)));
  d.OnParentWindowResize(1200, 800);
  d.SetScreenScale(2.0f);
  EXPECT_TRUE(d.log.empty());
  EXPECT_EQ(d.GetLastWidth(), 800);
  EXPECT_EQ(d.GetLastHeight(), 600);
  EXPECT_EQ(d.GetLastScale(), 1.5f);
  EXPECT_EQ(d.GetUI(), nullptr);
}

} // namespace
