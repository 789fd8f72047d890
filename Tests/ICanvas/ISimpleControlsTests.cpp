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

  void SetUp() override
  {
    dlg.GetParam(0)->InitEnum("Mode", 0, {"A", "B", "C"});
    dlg.GetParam(1)->InitDouble("Gain", 0.0, -10.0, 10.0, 0.1, "dB");
    g.logBlend = true;
  }
  template <class T>
  T* Attach(T* c)
  {
    g.AttachControl(c);
    return c;
  }
  Log Drawn(IControl* c)
  {
    g.log.clear();
    c->Draw(g);
    Log out = Shapes(g.log);
    for (const std::string& t : g.Only("Text"))
      out.push_back(t);
    return out;
  }
};

} // namespace

TEST_F(Simple, TextControlRedrawsOnlyOnChangeAndSizesToItsString)
{
  auto* t = Attach(new ITextControl(IRECT(0, 0, 100, 20), "ab", DEFAULT_TEXT, COLOR_RED, true));
  EXPECT_TRUE(t->GetIgnoreMouse());
  EXPECT_EQ(Str(t->GetRECT()), "(43,3,57,17)");
  t->SetClean();
  t->SetStr("ab");
  EXPECT_FALSE(t->IsDirty()) << "same text, no redraw";
  t->SetStr("abcd");
  EXPECT_TRUE(t->IsDirty());
  EXPECT_EQ(Str(t->GetRECT()) + Str(t->GetTargetRECT()), "(36,3,64,17)(36,3,64,17)") << "grown about the centre";

  t->SetStrFmt(5, "%s-%d", t->GetStr(), 12);
  EXPECT_STREQ(t->GetStr(), "abcd-");
  EXPECT_EQ(Str(t->GetRECT()), "(36,3,64,17)") << "formatting does not resize";
  t->SetStr(nullptr);
  EXPECT_STREQ(t->GetStr(), "");
  EXPECT_EQ(Drawn(t), Log({"Fill[255,255,0,0](50,10,50,10)~1"})) << "an empty string draws only the background";

  t->SetStr("xy");
  EXPECT_EQ(Drawn(t), Log({"Fill[255,255,0,0](43,3,57,17)~1", "Text(xy)(43,3,57,17)"}));
  g.SetControlInTextEntry(t, 0);
  EXPECT_EQ(Drawn(t).size(), 1u) << "being edited: background only";
}

TEST_F(Simple, TextToggleFlipsAtHalfAndShowsOnOnlyAbove)
{
  int actions = 0;
  auto* t = Attach(new ITextToggleControl(IRECT(0, 0, 50, 20), [&](IControl*) { ++actions; }, "off", "on"));
  EXPECT_TRUE(t->GetMouseDblAsSingleClick());
  EXPECT_FALSE(t->GetIgnoreMouse());
  t->SetValue(0.5);
  t->OnMouseDown(1, 1, mouse);
  EXPECT_EQ(t->GetValue(), 0.0) << "0.5 is not below 0.5";
  EXPECT_STREQ(t->GetStr(), "off");
  t->SetValue(0.49);
  t->OnMouseDown(1, 1, mouse);
  EXPECT_EQ(t->GetValue(), 1.0);
  EXPECT_STREQ(t->GetStr(), "on");
  EXPECT_EQ(actions, 2) << "SetDirty and SetStr calling each other end after one round";
  t->SetValueFromDelegate(0.5);
  EXPECT_STREQ(t->GetStr(), "off");

  auto* bound = Attach(new ITextToggleControl(IRECT(0, 30, 50, 50), 1, "off", "on"));
  bound->OnMouseDown(1, 31, mouse);
  EXPECT_EQ(dlg.log.back(), "FromUI(1,1.000000)");
}

TEST_F(Simple, CaptionShowsTheParameterWithItsLabelAndATriangleForNamedValues)
{
  auto* right = Attach(new ICaptionControl(IRECT(0, 0, 100, 20), 0, DEFAULT_TEXT.WithAlign(EAlign::Far)));
  const std::string tri = "(3.5,7.69,10.5,12.31)";
  EXPECT_EQ(Str(right->GetTriangleRECT()), tri) << "at the left edge of right-aligned text";
  EXPECT_FALSE(right->IsPromptDisabled());
  EXPECT_EQ(Drawn(right), Log({"Fill[0,0,0,0](0,0,100,20)~1", "Fill[255,0,0,0]" + tri + "~0.5", "Text(A)(0,0,100,20)"}))
    << "named values carry no label";
  right->OnMouseOver(5, 5, mouse);
  EXPECT_EQ(Drawn(right)[1], "Fill[255,255,255,255]" + tri) << "hovered: white, no blend";

  auto* left = Attach(new ICaptionControl(IRECT(0, 0, 100, 20), 0));
  EXPECT_EQ(Str(left->GetTriangleRECT()), "(89.5,7.69,96.5,12.31)");
  auto* gain = Attach(new ICaptionControl(IRECT(0, 0, 100, 20), 1));
  EXPECT_TRUE(gain->GetTriangleRECT().Empty());
  EXPECT_EQ(Drawn(gain), Log({"Fill[0,0,0,0](0,0,100,20)~1", "Text(0.0 dB)(0,0,100,20)"}));
}

TEST_F(Simple, URLShowsHoverOverClickedOverNormalColourAndUnderlinesTheText)
{
  const IColor over(255, 1, 1, 1), clicked(255, 2, 2, 2);
  auto* u = Attach(new IURLControl(IRECT(0, 0, 100, 20), "link", "https://example.com", DEFAULT_TEXT,
                                   COLOR_WHITE, over, clicked));
  EXPECT_FALSE(u->GetIgnoreMouse());
  EXPECT_EQ(Drawn(u), Log({"Fill[255,255,255,255](0,0,100,20)~1", "Stroke[255,0,0,0]1(50,24,78,24)~1",
                           "Text(link)(0,0,100,20)"}));
  u->OnMouseDown(1, 1, mouse);
  EXPECT_TRUE(u->GetClicked());
  EXPECT_EQ(Drawn(u)[1], "Stroke" + Str(clicked) + "1(50,24,78,24)~1");
  u->OnMouseOver(1, 1, mouse);
  EXPECT_EQ(g.SetMouseCursor(ECursor::HAND), ECursor::HAND);
  EXPECT_EQ(Drawn(u)[1], "Stroke" + Str(over) + "1(50,24,78,24)~1") << "hover wins over clicked";
  u->OnMouseOut();
  EXPECT_EQ(g.SetMouseCursor(), ECursor::ARROW);

  u->SetText(DEFAULT_TEXT.WithAlign(EAlign::Far).WithVAlign(EVAlign::Bottom).WithFGColor(COLOR_GREEN));
  EXPECT_EQ(Drawn(u)[1], "Stroke" + Str(clicked) + "1(72,20,100,20)~1");
  u->SetText(DEFAULT_TEXT.WithAlign(EAlign::Near).WithVAlign(EVAlign::Top));
  EXPECT_EQ(Drawn(u)[1], "Stroke" + Str(clicked) + "1(0,14,28,14)~1");
}

TEST_F(Simple, PlaceHolderShowsItsGeometryAndTakesEnteredText)
{
  auto* p = Attach(new PlaceHolder(IRECT(10, 20, 110, 70), "Gain"));
  EXPECT_STREQ(p->GetPositionStr(), "10.0, 20.0");
  EXPECT_STREQ(p->GetWidthStr(), "100.0");
  EXPECT_STREQ(p->GetHeightStr(), "50.0");
  EXPECT_FALSE(p->GetMouseDblAsSingleClick());
  const Log drawn = Drawn(p);
  ASSERT_EQ(drawn.size(), 8u);
  EXPECT_EQ(Log(drawn.begin(), drawn.begin() + 3),
            Log({"Fill[255,255,255,255](10,20,110,70)", "Stroke[255,255,0,0]2(10,20,110,70)",
                 "Stroke[255,255,0,0]2(10,20,110,70)"}));
  EXPECT_EQ(drawn[3], "Fill[255,255,255,255](0,0,40,20)~0.75") << "the caption's box";
  EXPECT_EQ(Log(drawn.begin() + 4, drawn.end()),
            Log({"Text(50.0)(20,45,20,45)", "Text(100.0)(60,30,60,30)", "Text(10.0, 20.0)(20,30,20,30)",
                 "Text(Gain)(0,0,40,20)"}));
  p->OnTextEntryCompletion("Wet", 0);
  EXPECT_STREQ(p->GetStr(), "Wet");
}

TEST_F(Simple, PanelFillsItsPatternUnderALightGrayFrameAndIgnoresTheMouse)
{
  auto* p = Attach(new IPanelControl(IRECT(0, 0, 40, 30), IPattern(COLOR_BLUE), true));
  EXPECT_TRUE(p->GetIgnoreMouse());
  EXPECT_EQ(Drawn(p), Log({"Fill[255,0,0,255](0,0,40,30)~1", "Stroke[255,240,240,240]1(0,0,40,30)~1"}));
}
