#include "ICaptionControl.h"
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
  t->SetValueFromDelegate(0.5);
  EXPECT_STREQ(t->GetStr(), "off");
  auto* bound = Attach(new ITextToggleControl(IRECT(0, 30, 50, 50), 1, "off", "on"));
  bound->OnMouseDown(1, 31, mouse);
  EXPECT_EQ(dlg.log.back(), "FromUI(1,1.000000)");
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
  p->OnTextEntryCompletion("Wet", 0);
  EXPECT_STREQ(p->GetStr(), "Wet");

  auto* panel = Attach(new IPanelControl(IRECT(0, 0, 40, 30), IPattern(COLOR_BLUE), true));
  EXPECT_TRUE(panel->GetIgnoreMouse());
  EXPECT_EQ(Drawn(panel), Log({"Fill[255,0,0,255](0,0,40,30)~1", "Stroke[255,240,240,240]1(0,0,40,30)~1"}));
}
