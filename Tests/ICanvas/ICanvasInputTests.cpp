#include "TestCanvas.h"

#include "ICanvasLiveEdit.h"
#include "IContainerBase.h"
#include "IParam.h"

#include <gtest/gtest.h>

using namespace pwtest;
using weft::IKeyPress;

namespace {

std::vector<IMouseInfo> At(float x, float y, IMouseMod mod = IMouseMod(true), float dX = 0, float dY = 0)
{
  IMouseInfo info;
  info.x = x, info.y = y, info.dX = dX, info.dY = dY, info.ms = mod;
  return {info};
}

IMouseMod Touch(uint64_t id) { return IMouseMod(true, false, false, false, false, id); }

struct Input : ::testing::Test
{
  TestGDelegate dlg;
  RecordingCanvas g{dlg};
  Log& log = dlg.log;
  InputControl* bg = nullptr;
  InputControl* a = nullptr;
  InputControl* b = nullptr;

  Input()
  {
    dlg.GetParam(0)->InitDouble("Gain", 0.0, 0.0, 1.0, 0.01);
    dlg.GetParam(1)->InitDouble("Pan", 0.0, 0.0, 1.0, 0.01);
    bg = static_cast<InputControl*>(g.AttachControl(new InputControl(log, "bg", g.GetBounds())));
    a = static_cast<InputControl*>(g.AttachControl(new InputControl(log, "a", IRECT(0, 0, 100, 100), {0, 1})));
    b = static_cast<InputControl*>(g.AttachControl(new InputControl(log, "b", IRECT(200, 0, 300, 100))));
    log.clear();
  }
};

TEST_F(Input, APressBeginsEveryBoundGestureAndItsReleaseEndsThem)
{
  g.OnMouseDown(At(50, 50));
  g.OnMouseDrag(At(60, 50, IMouseMod(true), 0, 0));
  g.OnMouseDrag(At(60, 55, IMouseMod(true), 0, 5));
  g.OnMouseUp(At(60, 55));
  EXPECT_EQ(log, (Log{"Begin(0)", "Begin(1)", "a.Down", "a.Drag", "a.Up", "End(0)", "End(1)"}))
    << "a drag sample without movement reaches nobody";
  EXPECT_FALSE(g.ControlIsCaptured());
}

TEST_F(Input, ARightClickOnABoundControlOpensItsContextMenuWithoutAGesture)
{
  a->contextItems = {"Copy", "Paste"};
  g.menuChoice = 1;
  g.OnMouseDown(At(50, 50, IMouseMod(false, true)));
  g.OnMouseUp(At(50, 50, IMouseMod(false, true)));
  EXPECT_EQ(log, (Log{"a.Context(1)"}));
  EXPECT_EQ(g.Only("PlatformMenu"), (Log{"PlatformMenu(,2)"}));

  log.clear();
  g.OnMouseDown(At(250, 50, IMouseMod(false, true)));
  EXPECT_EQ(log, (Log{"b.RightDown"})) << "no parameter: the control's own handler";
}

TEST_F(Input, TheSearchPrefersTheOverlaysInTheirOrder)
{
  g.ShowFPSDisplay(true); // (10,10)-(210,60)
  EXPECT_EQ(g.GetMouseControl(20, 20, false), g.GetFPSDisplay());
  g.AttachCornerResizer();
  EXPECT_EQ(g.GetMouseControl(990, 390, false), g.GetCornerResizer());
  auto* entry = new StandInTextEntry();
  g.AttachTextEntryControl(entry);
  entry->open = true;
  EXPECT_EQ(g.GetMouseControl(990, 390, false), entry);
  auto* popup = new StandInPopup(kNoParameter, DEFAULT_TEXT, IRECT(), IRECT());
  g.AttachPopupMenuControl(popup);
  popup->state = 2;
  EXPECT_EQ(g.GetMouseControl(990, 390, true), popup);
  popup->state = 0;
  EXPECT_EQ(g.GetMouseControl(250, 50, false), popup) << "a captured pointer keeps its control";
}

TEST_F(Input, ASecondTouchOnAHeldControlIsRefusedUnlessItWantsSeveral)
{
  g.OnMouseDown(At(50, 50, Touch(1)));
  g.OnMouseDown(At(60, 50, Touch(2)));
  EXPECT_EQ(g.GetMouseControl(0, 0, false, false, 2), a) << "without multi-touch the touch just captures";
  g.ReleaseMouseCapture();

  g.EnableMultiTouch(true);
  g.OnMouseDown(At(50, 50, Touch(1)));
  log.clear();
  g.OnMouseDown(At(60, 50, Touch(2)));
  EXPECT_TRUE(log.empty());
  a->SetWantsMultiTouch();
  g.OnMouseDown(At(60, 50, Touch(2)));
  EXPECT_EQ(log.back(), "a.Down");
  g.OnTouchCancelled(At(60, 50, Touch(2)));
  EXPECT_EQ(log.back(), "a.Cancel") << "a cancel ends no gesture";
}

TEST_F(Input, HoverFollowsThePointerButNeverReachesTheBackground)
{
  g.ShowFPSDisplay(true);
  EXPECT_TRUE(g.OnMouseOver(20, 20, IMouseMod())) << "overlays are found with mouse-over disabled";
  EXPECT_FALSE(g.OnMouseOver(500, 300, IMouseMod()));
  g.EnableMouseOver(true);
  EXPECT_FALSE(g.OnMouseOver(500, 300, IMouseMod()));
  g.OnMouseOver(250, 50, IMouseMod());
  EXPECT_EQ(g.GetMouseOver(), 2);
  g.OnMouseDown(At(250, 50));
  g.OnMouseUp(At(50, 80));
  g.OnMouseOut();
  EXPECT_EQ(log, (Log{"b.Over", "b.Down", "b.Up", "b.Out", "a.Over", "bg.Out", "a.Out", "b.Out"}));
  EXPECT_EQ(g.GetMouseOver(), -1);
}

TEST_F(Input, KeysGoToTheControlUnderThePointerThenTheHandler)
{
  EXPECT_FALSE(g.OnKeyDown(500, 300, IKeyPress("q", 81)));
  int handled = 0;
  g.SetKeyHandlerFunc([&](const IKeyPress&, bool) { return ++handled > 0; });
  EXPECT_TRUE(g.OnKeyUp(500, 300, IKeyPress("q", 81)));
  EXPECT_EQ(log, Log{}) << "control 0 never gets keys";
  a->takesKeys = true;
  EXPECT_TRUE(g.OnKeyDown(50, 50, IKeyPress("q", 81)));
  EXPECT_EQ(handled, 1);
}

TEST_F(Input, TheComputerKeyboardPlaysNotesAndShiftsOctaves)
{
  Log midi;
  g.SetQwertyMidiKeyHandlerFunc([&](const weft::IMidiMsg& m) { midi.push_back(std::to_string(m.mData1)); });
  g.OnKeyDown(500, 300, IKeyPress("a", 'A'));
  g.OnKeyDown(500, 300, IKeyPress("a", 'A'));
  g.OnKeyDown(500, 300, IKeyPress("x", 'X'));
  g.OnKeyDown(500, 300, IKeyPress("l", 'L'));
  g.OnKeyUp(500, 300, IKeyPress("l", 'L'));
  EXPECT_TRUE(g.OnKeyDown(500, 300, IKeyPress("1", '1')));
  for (int i = 0; i < 8; ++i)
    g.OnKeyDown(500, 300, IKeyPress("z", 'Z'));
  g.OnKeyDown(500, 300, IKeyPress("w", 'W'));
  g.OnKeyUp(500, 300, IKeyPress("w", 'W'));
  g.OnKeyDown(500, 300, IKeyPress("x", 'X')), g.OnKeyDown(500, 300, IKeyPress("x", 'X'));
  EXPECT_EQ(log, (Log{"Midi(144,48,127)", "Midi(128,48,0)", "Midi(144,74,127)", "Midi(128,74,0)",
                      "Midi(144,25,127)", "Midi(128,25,0)"}));
  EXPECT_EQ(midi, (Log{"48", "48", "74", "74", "25", "25"}));
}

TEST_F(Input, WheelDropsDoubleClicksAndGesturesReachTheControlUnderThePointer)
{
  EXPECT_TRUE(g.OnMouseWheel(50, 50, IMouseMod(), 1));
  g.OnDrop("/tmp/x.wav", 250, 50);
  EXPECT_TRUE(g.OnMouseDblClick(50, 50, IMouseMod(true)));
  EXPECT_FALSE(g.ControlIsCaptured());
  b->SetDblAsSingle(true);
  g.OnMouseDblClick(250, 50, IMouseMod(true));
  EXPECT_EQ(log, (Log{"a.Wheel", "b.Drop(/tmp/x.wav)", "a.Dbl", "b.Down"}));

  int calls = 0;
  g.AttachGestureRecognizerToRegion(IRECT(0, 0, 100, 100), EGestureType::Pinch,
                                    [&](IControl* pControl, const IGestureInfo&) { calls += pControl ? 100 : 1; });
  IGestureInfo info;
  info.x = 50, info.y = 50;
  g.OnGestureRecognized(info);
  EXPECT_EQ(calls, 1) << "a control without gesture functions leaves it to the region";
  EXPECT_TRUE(g.RespondsToGesture(50, 50));
}

struct LiveEdit : Input
{
  ICanvasLiveEdit* le = nullptr;
  LiveEdit()
  {
    g.EnableLiveEdit(true);
    g.ForAllControlsFunc([&](IControl* c) {
      if (auto* p = dynamic_cast<ICanvasLiveEdit*>(c))
        le = p;
    });
    le->SetPlaceHolderFunc([this](const IRECT& r, const char* s) { return new InputControl(log, s, r); });
  }
};

TEST_F(LiveEdit, DragsSnapToTheGridAndResizesKeepOneCell)
{
  a->SetTargetAndDrawRECTs(IRECT(33, 10, 73, 50));
  g.OnMouseDown(At(40, 20));
  g.OnMouseDrag(At(44, 20, IMouseMod(true), 4, 0));
  EXPECT_EQ(Str(a->GetRECT()), "(40,10,80,50)") << "round(37 / 10) = 4";
  g.OnMouseUp(At(44, 20));
  g.OnMouseDown(At(75, 45));
  g.OnMouseDrag(At(-200, -200, IMouseMod(true), -1, -1));
  EXPECT_EQ(Str(a->GetRECT()), "(40,10,50,20)");
  g.OnMouseUp(At(0, 0));
  g.OnMouseDown(At(900, 300));
  g.OnMouseUp(At(900, 300));
  EXPECT_FALSE(g.OnKeyDown(0, 0, IKeyPress("", 8))) << "nothing selected after a press on empty space";
  EXPECT_EQ(g.NControls(), 3);
}

TEST_F(LiveEdit, AltDragsAPlaceHolderAndDeletingAContainerFreesItsChildren)
{
  auto* box = new IContainerBase(IRECT(400, 0, 600, 200));
  g.AttachControl(box);
  IControl* child = box->AddChildControl(new InputControl(log, "c", IRECT(410, 10, 450, 50)));
  g.OnMouseDown(At(420, 20, IMouseMod(true, false, false, false, true)));
  g.OnMouseDrag(At(520, 20, IMouseMod(true), 100, 0));
  ASSERT_EQ(g.NControls(), 6);
  EXPECT_EQ(Str(g.GetControl(5)->GetRECT()), "(500,0,700,200)") << "the new box moves, the clicked one stays";
  EXPECT_EQ(le->GetSelection(), std::vector<IControl*>{box});
  g.OnMouseUp(At(520, 20));
  EXPECT_TRUE(g.OnKeyDown(0, 0, IKeyPress("", 46)));
  EXPECT_EQ(g.NControls(), 5);
  EXPECT_EQ(child->GetParent(), nullptr);

  g.menuChoice = 0;
  g.OnMouseDown(At(900, 300, IMouseMod(false, true)));
  EXPECT_EQ(g.Only("PlatformMenu"), (Log{"PlatformMenu(Outside Control,1)"}));
  EXPECT_EQ(Str(g.GetControl(5)->GetRECT()), "(900,300,1000,400)") << "Add Place Holder at the press";
}

} // namespace
