#include "ICaptionControl.h"
#include "ICornerResizerControl.h"
#include "IFPSDisplayControl.h"
#include "IPanelControl.h"
#include "IParam.h"
#include "ITextToggleControl.h"
#include "IURLControl.h"
#include "PlaceHolder.h"
#include "TestCanvas.h"

#include <gtest/gtest.h>

using namespace pwtest;

namespace {

// Parameter 0 names three values, 1 is a gain in dB. The test canvas
// measures text as half its size per character by one size high.
struct Simple : testing::Test
{
  TestGDelegate dlg{2};
  RecordingCanvas g{dlg};
  const IMouseMod mouse;

  Simple()
  {
    dlg.GetParam(0)->InitEnum("Mode", 0, {"A", "B", "C"});
    dlg.GetParam(1)->InitDouble("Gain", 0.0, -10.0, 10.0, 0.1, "dB");
    g.logBlend = true;
  }
  template <class T>
  T* Attach(T* c) { return static_cast<T*>(g.AttachControl(c)); }
  // Paints with their boxes, then the texts.
  Log Drawn(IControl* c)
  {
    g.log.clear();
    c->Draw(g);
    Log out = Shapes(g.log), texts = g.Only("Text");
    out.insert(out.end(), texts.begin(), texts.end());
    return out;
  }
  IControl* Resizer(EUIResizerMode mode)
  {
    g.AttachCornerResizer(mode, false, COLOR_RED, COLOR_GREEN, COLOR_BLUE, 20.0f);
    return g.GetCornerResizer();
  }
};

} // namespace

TEST_F(Simple, TextControlRedrawsOnlyOnChangeSizesToItsStringAndHidesItWhileEdited)
{
  auto* t = Attach(new ITextControl(IRECT(0, 0, 100, 20), "ab", DEFAULT_TEXT, COLOR_RED, true));
  EXPECT_EQ(Str(t->GetRECT()), "(43,3,57,17)");
  t->SetClean();
  t->SetStr("ab");
  EXPECT_FALSE(t->IsDirty()) << "same text, no redraw";
  t->SetStr("abcd");
  EXPECT_TRUE(t->IsDirty());
  EXPECT_EQ(Str(t->GetRECT()) + Str(t->GetTargetRECT()), "(36,3,64,17)(36,3,64,17)") << "grown about the centre";
  t->SetStrFmt(5, "%s-%d", t->GetStr(), 12);
  EXPECT_EQ(t->GetStr() + Str(t->GetRECT()), "abcd-(36,3,64,17)") << "truncated, not resized";
  t->SetStr(nullptr);
  EXPECT_EQ(Drawn(t), Log({"Fill[255,255,0,0](50,10,50,10)~1"})) << "an empty string draws only the background";
  t->SetStr("xy");
  EXPECT_EQ(Drawn(t), Log({"Fill[255,255,0,0](43,3,57,17)~1", "Text(xy)(43,3,57,17)"}));
  g.SetControlInTextEntry(t, 0);
  EXPECT_EQ(Drawn(t).size(), 1u) << "being edited";
}

TEST_F(Simple, TextToggleFlipsAtHalfAndShowsOnOnlyAbove)
{
  int actions = 0;
  auto* t = Attach(new ITextToggleControl(IRECT(0, 0, 50, 20), [&](IControl*) { ++actions; }, "off", "on"));
  t->SetValue(0.5);
  t->OnMouseDown(1, 1, mouse);
  EXPECT_EQ(t->GetValue(0) + actions, 1.0) << "0.5 is not below 0.5";
  t->SetValue(0.49);
  t->OnMouseDown(1, 1, mouse);
  EXPECT_EQ(t->GetStr() + std::to_string(t->GetValue()), "on1.000000");
  EXPECT_EQ(actions, 2) << "SetDirty and SetStr calling each other stop after one round";
  auto* bound = Attach(new ITextToggleControl(IRECT(0, 30, 50, 50), 1, "off", "on"));
  bound->OnMouseDown(1, 31, mouse);
  bound->SetValueFromDelegate(0.5);
  EXPECT_EQ(dlg.log.back() + bound->GetStr(), "FromUI(1,1.000000)off") << "bound to the parameter, shown from it";
}

TEST_F(Simple, CaptionShowsTheParameterWithItsLabelAndATriangleForNamedValues)
{
  auto* right = Attach(new ICaptionControl(IRECT(0, 0, 100, 20), 0, DEFAULT_TEXT.WithAlign(EAlign::Far)));
  const std::string tri = "(3.5,7.69,10.5,12.31)", bg = "Fill[0,0,0,0](0,0,100,20)~1";
  EXPECT_EQ(Drawn(right), Log({bg, "Fill[255,0,0,0]" + tri + "~0.5", "Text(A)(0,0,100,20)"})) << "no label for names";
  right->OnMouseOver(5, 5, mouse);
  EXPECT_EQ(Drawn(right)[1], "Fill[255,255,255,255]" + tri) << "hovered: white, no blend";
  EXPECT_EQ(Str(Attach(new ICaptionControl(IRECT(0, 0, 100, 20), 0))->GetTriangleRECT()), "(89.5,7.69,96.5,12.31)");
  auto* gain = Attach(new ICaptionControl(IRECT(0, 0, 100, 20), 1));
  EXPECT_EQ(Drawn(gain), Log({bg, "Text(0.0 dB)(0,0,100,20)"})) << "no triangle";
}

TEST_F(Simple, URLShowsHoverOverClickedOverNormalColourAndUnderlinesTheText)
{
  const IColor over(255, 1, 1, 1), clicked(255, 2, 2, 2);
  auto* u = Attach(new IURLControl(IRECT(0, 0, 100, 20), "link", "https://example.com", DEFAULT_TEXT, COLOR_WHITE,
                                   over, clicked));
  EXPECT_EQ(Drawn(u), Log({"Fill[255,255,255,255](0,0,100,20)~1", "Stroke[255,0,0,0]1(50,24,78,24)~1",
                           "Text(link)(0,0,100,20)"}));
  u->OnMouseDown(1, 1, mouse);
  EXPECT_EQ(Drawn(u)[1], "Stroke" + Str(clicked) + "1(50,24,78,24)~1");
  u->OnMouseOver(1, 1, mouse);
  EXPECT_EQ(g.SetMouseCursor(ECursor::HAND), ECursor::HAND);
  EXPECT_EQ(Drawn(u)[1], "Stroke" + Str(over) + "1(50,24,78,24)~1") << "hover wins over clicked";
  u->OnMouseOut();
  EXPECT_EQ(g.SetMouseCursor(), ECursor::ARROW);
  u->SetText(DEFAULT_TEXT.WithAlign(EAlign::Far).WithVAlign(EVAlign::Bottom));
  EXPECT_EQ(Drawn(u)[1], "Stroke" + Str(clicked) + "1(72,20,100,20)~1");
}

TEST_F(Simple, PlaceHolderShowsItsGeometryAndPanelItsPatternUnderAFrame)
{
  auto* p = Attach(new PlaceHolder(IRECT(10, 20, 110, 70), "Gain"));
  EXPECT_EQ(Drawn(p), Log({"Fill[255,255,255,255](10,20,110,70)", "Stroke[255,255,0,0]2(10,20,110,70)",
                           "Stroke[255,255,0,0]2(10,20,110,70)", "Fill[255,255,255,255](0,0,40,20)~0.75",
                           "Text(50.0)(20,45,20,45)", "Text(100.0)(60,30,60,30)", "Text(10.0, 20.0)(20,30,20,30)",
                           "Text(Gain)(0,0,40,20)"}));
  p->OnMouseDblClick(20, 30, mouse);
  g.SetControlValueAfterTextEdit("Wet");
  EXPECT_STREQ(p->GetStr(), "Wet") << "edited in a text entry";

  auto* panel = Attach(new IPanelControl(IRECT(0, 0, 40, 30), IPattern(COLOR_BLUE), true));
  EXPECT_TRUE(panel->GetIgnoreMouse());
  EXPECT_EQ(Drawn(panel), Log({"Fill[255,0,0,255](0,0,40,30)~1", "Stroke[255,240,240,240]1(0,0,40,30)~1"}));
  g.EnableLiveEdit(true);
  g.OnMouseDown(At(20, 25, IMouseMod(true, false, false, false, true)));
  ASSERT_EQ(g.NControls(), 3);
  EXPECT_EQ(Str(g.GetControl(2)->GetRECT()) + dynamic_cast<PlaceHolder&>(*g.GetControl(2)).GetStr(),
            "(0,0,40,30)Place Holder") << "live edit's alt-click adds a placeholder over the clicked control";
}

TEST_F(Simple, ResizerSitsInTheCornerAtEveryScaleAndSetsTheResizeCursorOnce)
{
  EXPECT_EQ(Str(ICornerResizerControl(g.GetBounds(), 20.0f).GetRECT()), "(981,381,999,399)") << "before a rescale";
  IControl* c = Resizer(EUIResizerMode::Scale);
  EXPECT_EQ(Str(c->GetRECT()), "(980,380,1000,400)");
  g.SetMouseCursor(ECursor::HAND);
  c->OnMouseOut();
  EXPECT_EQ(g.SetMouseCursor(ECursor::HAND), ECursor::HAND) << "leaving without entering keeps the cursor";
  c->OnMouseOver(990, 390, mouse);
  EXPECT_EQ(g.SetMouseCursor(ECursor::SIZENWSE), ECursor::SIZENWSE);
  c->OnMouseOver(991, 391, mouse);
  c->OnMouseOut();
  EXPECT_EQ(g.SetMouseCursor(), ECursor::HAND) << "the first previous cursor is restored";
  g.Resize(800, 300, 2.0f);
  EXPECT_EQ(Str(c->GetRECT()) + Str(c->GetTargetRECT()), "(790,290,800,300)(790,290,800,300)") << "20 window units";
}

TEST_F(Simple, ResizerShowsItsStateStartsTheDragAndDoubleClickRestoresTheFirstSize)
{
  IControl* c = Resizer(EUIResizerMode::Size);
  EXPECT_EQ(Drawn(c), Log({"Fill[255,255,0,0](980,380,1000,400)"}));
  EXPECT_EQ(g.log[1] + g.log[2] + g.log[3], "MoveTo(980,400)LineTo(1000,380)LineTo(1000,400)");
  c->OnMouseOver(990, 390, mouse);
  EXPECT_EQ(Drawn(c)[0], "Fill" + Str(COLOR_GREEN) + "(980,380,1000,400)");
  c->OnMouseDown(990, 390, mouse);
  c->OnMouseOut();
  EXPECT_TRUE(g.IsDragResizing());
  EXPECT_EQ(Drawn(c)[0], "Fill" + Str(COLOR_BLUE) + "(980,380,1000,400)") << "drag colour after the pointer left";
  g.EndDragResize();
  g.Resize(800, 300, 2.0f);
  c->OnMouseDblClick(0, 0, mouse);
  EXPECT_EQ(Str(g.GetBounds()) + std::to_string(g.GetDrawScale()), "(0,0,1000,400)1.000000");
}

TEST_F(Simple, FPSDisplayPlotsTheRingAndReadsTheHundredSlotAverageInEveryStyle)
{
  IFPSDisplayControl fps(IRECT(10, 10, 210, 60)); // graph area G
  const std::string G = "(12,12,208,58)";
  for (int i = 0; i < IFPSDisplayControl::kNumSamples; ++i)
    fps.Update(0.01f); // 100 frames per second: above the 80 of full scale
  EXPECT_EQ(Drawn(&fps), Log({"Fill[255,255,255,255](10,10,210,60)", "Stroke[255,0,0,0]1(10,10,210,60)",
                              "Fill[255,200,200,200](12,12,210,60)", "Text(Recording)" + G, "Text(Frame Time)" + G,
                              "Text(100.00 FPS)" + G, "Text(10.00 ms)" + G}));
  Log lines = g.Only("LineTo"); // six for the panel first
  EXPECT_EQ(g.Only("MoveTo").back() + lines.at(6) + lines.at(105) + lines.at(106),
            "MoveTo(12,58)LineTo(12,12)LineTo(208,12)LineTo(210,60)") << "clipped, closed at the control's corner";
  fps.OnMouseDown(0, 0, mouse);
  fps.Update(0.02f); // newest first, then oldest to second newest
  EXPECT_EQ(Drawn(&fps).back(), "Text(10.10 ms)" + G);
  lines = g.Only("LineTo");
  EXPECT_EQ(lines.at(6) + lines.at(105), "LineTo(12,12)LineTo(208,35)");
  fps.OnMouseDown(0, 0, mouse);
  EXPECT_EQ(Drawn(&fps).back(), "Text(0.0 %)" + G);
  EXPECT_EQ(g.Only("LineTo").at(6), "LineTo(12,57.9908)") << "seconds plotted as percent";
  fps.OnMouseDown(0, 0, mouse);
  EXPECT_EQ(fps.GetDisplayStyle(), IFPSDisplayControl::kFPS);

  IFPSDisplayControl unnamed(IRECT(10, 10, 210, 60), IFPSDisplayControl::kFPS, "");
  unnamed.Update(0.02f);
  Drawn(&unnamed);
  EXPECT_EQ(g.Only("Text"), Log({"Text(Recording)" + G, "Text(5000.00 FPS)" + G, "Text(0.20 ms)" + G})) << "one interval";
}
