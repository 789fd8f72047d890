#include "TestCanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

using namespace pwtest;
using weft::IByteChunk;

namespace {

std::vector<uint8_t> StateBytes(const weft::IGEditorDelegate& d)
{
  IByteChunk chunk;
  EXPECT_TRUE(d.SerializeEditorState(chunk));
  return std::vector<uint8_t>(chunk.GetData(), chunk.GetData() + chunk.Size());
}

std::string SizeOf(const ICanvas* g)
{
  return std::to_string(g->Width()) + "x" + std::to_string(g->Height()) + "@" + std::to_string(g->GetDrawScale());
}

struct Window : testing::Test
{
  Log events;
  TestGDelegate dlg;
};

} // namespace

TEST_F(Window, AnEditorReopensAtItsRememberedSizeAndScale)
{
  int parent = 0;
  void* view = dlg.OpenWindow(&parent);
  ASSERT_NE(dlg.UI(), nullptr);
  EXPECT_EQ(view, dlg.UI());
  EXPECT_EQ(dlg.layouts, 1);
  EXPECT_EQ(SizeOf(dlg.GetUI()), "1000x400@1.000000");
  EXPECT_EQ(dlg.OpenWindow(&parent), view) << "a second opening keeps the editor";

  dlg.GetUI()->AttachControl(new LogControl(events, "c", IRECT(0, 0, 10, 10)));
  dlg.GetUI()->Resize(800, 600, 1.5f);
  EXPECT_EQ(StateBytes(dlg), (std::vector<uint8_t>{0x20, 0x03, 0, 0, 0x58, 0x02, 0, 0, 0, 0, 0xC0, 0x3F}));
  dlg.CloseWindow();
  EXPECT_EQ(dlg.GetUI(), nullptr);
  EXPECT_EQ(events.back(), "c.deleted");
  EXPECT_EQ(StateBytes(dlg), (std::vector<uint8_t>{0x20, 0x03, 0, 0, 0x58, 0x02, 0, 0, 0, 0, 0xC0, 0x3F}));

  dlg.OpenWindow(nullptr);
  EXPECT_EQ(SizeOf(dlg.GetUI()), "800x600@1.500000");
  EXPECT_EQ(dlg.layouts, 2);
  // The delegate going away with the window open destroys the editor too.
}

TEST_F(Window, EditorStateReadWithAnOpenEditorResizesItUnlessAFieldIsZero)
{
  dlg.OpenWindow(nullptr);
  EXPECT_EQ(dlg.UnserializeEditorState(EditorStateChunk(900, 500, 2.0f), 0), 12);
  EXPECT_EQ(SizeOf(dlg.GetUI()), "900x500@2.000000");
  EXPECT_EQ(dlg.UnserializeEditorState(EditorStateChunk(0, 500, 1.0f), 0), 12);
  EXPECT_EQ(dlg.UnserializeEditorState(EditorStateChunk(700, 500, 0.0f), 0), 12);
  EXPECT_EQ(dlg.UnserializeEditorState(EditorStateChunk(700, 500, NAN), 0), -1);
  EXPECT_EQ(dlg.UnserializeEditorState(EditorStateChunk(700, 500, -INFINITY), 0), -1);
  EXPECT_EQ(SizeOf(dlg.GetUI()), "900x500@2.000000");

  dlg.CloseWindow();
  EXPECT_EQ(dlg.UnserializeEditorState(EditorStateChunk(0, 500, 1.0f), 0), 12);
  dlg.OpenWindow(nullptr);
  EXPECT_EQ(SizeOf(dlg.GetUI()), "1000x400@1.000000") << "a zero width keeps the layout size";
}

TEST_F(Window, HostResizesAndScreenScalesReachTheOpenEditor)
{
  dlg.OpenWindow(nullptr);
  dlg.GetUI()->Resize(800, 600, 2.0f);
  dlg.UI()->windowScale = 2.0f;
  dlg.OnParentWindowResize(1200, 800);
  EXPECT_EQ(SizeOf(dlg.GetUI()), "600x400@1.000000");
  dlg.log.clear();
  dlg.SetScreenScale(2.0f);
  EXPECT_EQ(dlg.GetUI()->GetScreenScale(), 2.0f);
  EXPECT_EQ(dlg.log, Log{"EditorResizeFromUI(1200,800,1)"});
}

TEST_F(Window, ValuesMessagesMidiAndKeysReachTheControls)
{
  dlg.GetParam(1)->InitDouble("Gain", 0.0, -10.0, 10.0, 0.1);
  dlg.OpenWindow(nullptr);
  ICanvas& g = *dlg.GetUI();
  auto* twice = new LogControl(events, "twice", IRECT(0, 0, 10, 10), {1, 2, 1});
  auto* tagged = new LogControl(events, "tagged", IRECT(20, 20, 40, 40));
  g.AttachControl(twice);
  g.AttachControl(tagged, 7);
  tagged->SetWantsMidi();
  tagged->takesKeys = true;

  dlg.SendParameterValueFromDelegate(1, 5.0, false);
  EXPECT_EQ(twice->GetValue(0), 0.75);
  EXPECT_EQ(twice->GetValue(2), 0.75);
  EXPECT_EQ(twice->GetValue(1), 0.0);

  events.clear();
  dlg.SendControlValueFromDelegate(7, 0.25);
  EXPECT_EQ(tagged->GetValue(0), 0.25);
  dlg.SendControlValueFromDelegate(99, 0.5); // unknown tags are ignored
  const float data[3] = {1, 2, 3};
  dlg.SendControlMsgFromDelegate(7, 4, sizeof(data), data);
  dlg.SendControlMsgFromDelegate(99, 4, sizeof(data), data);
  weft::IMidiMsg msg;
  msg.MakeNoteOnMsg(60, 100, 0);
  dlg.SendMidiMsgFromDelegate(msg);
  EXPECT_EQ(events, (Log{"tagged.OnMsg(4,12)", "tagged.OnMidi"}));
  EXPECT_EQ(dlg.log.back(), "OnMidiMsgUI");

  const weft::IKeyPress key("k", 75);
  dlg.UI()->mouseX = 30;
  dlg.UI()->mouseY = 30;
  EXPECT_TRUE(dlg.OnKeyDown(key)) << "at the pointer's position";
}
