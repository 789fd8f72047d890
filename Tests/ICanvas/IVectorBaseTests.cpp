#include "IVectorBase.h"
#include "TestCanvas.h"

#include <gtest/gtest.h>

using namespace pwtest;

namespace {

double gNowMs = 0.0;

// Draws its pressable shape in the state the test sets.
struct VControl : IControl, IVectorBase
{
  VControl(const IRECT& r, const IVStyle& s, const char* label = nullptr, bool labelInWidget = false,
           bool valueInWidget = false)
  : IControl(r), IVectorBase(s, labelInWidget, valueInWidget)
  {
    AttachIControl(this, label);
    SetBlend(IBlend(EBlend::SrcOver, 0.5f));
  }
  void Draw(ICanvas& g) override { DrawPressableShape(g, mShape, mRECT, pressed, over, disabled); }
  void SetShape(EVShape s) { mShape = s; }
  bool pressed = false, over = false, disabled = false;
};

struct Vector : testing::Test
{
  TestGDelegate dlg;
  RecordingCanvas g{dlg};

  VControl* Make(const IRECT& r, const IVStyle& s, const char* label = nullptr, bool inWidget = false)
  {
    auto* c = new VControl(r, s, label, inWidget, inWidget);
    g.AttachControl(c);
    g.logBlend = true;
    g.log.clear();
    return c;
  }
  Log Paint(VControl* c, bool pressed, bool over, bool disabled)
  {
    g.log.clear();
    c->pressed = pressed;
    c->over = over;
    c->disabled = disabled;
    c->Draw(g);
    return Shapes(g.log);
  }
};

IVStyle Oriented(EOrientation o, bool showValue)
{
  IVStyle s = DEFAULT_STYLE;
  s.labelOrientation = o;
  s.showValue = showValue;
  return s;
}

IVStyle Plain() { return DEFAULT_STYLE.WithShowLabel(false).WithDrawFrame(false).WithDrawShadows(false); }

const std::string SH = "Fill[60,0,0,0]";
const std::string FG = "Fill[255,200,200,200]";
const std::string PR = "Fill[255,240,240,240]";
const std::string HL = "Fill[10,0,0,0]";

} // namespace

// The test canvas measures text as half its size per character by one size
// high: the label "Gain" at 19 is 38 x 19, the value "50" at 14 is 14 x 14.
TEST_F(Vector, MakeRectsLaysOutLabelWidgetAndValueForEveryPositionAndAlignment)
{
  const IText middle = DEFAULT_VALUE_TEXT.WithVAlign(EVAlign::Middle), top = DEFAULT_VALUE_TEXT.WithVAlign(EVAlign::Top);
  IVStyle half = DEFAULT_STYLE;
  half.widgetFrac = 0.5f;
  const IRECT p(0, 0, 100, 100);
  struct Case
  {
    IVStyle style;
    const char* label;
    const char* value;
    bool inWidget, handle;
    IRECT parent;
    const char* expect; // label widget value returned
  } cases[] = {
    {DEFAULT_STYLE, "Gain", "50", false, false, p, "(31,0,69,19)(0,19,100,86)(40.76,86,59.24,100)(0,19,100,100)"},
    {Oriented(EOrientation::East, false), "Gain", "", false, false, p, "(62,40.5,100,59.5)(0,0,62,100)(0,0,0,0)(0,0,62,100)"},
    {Oriented(EOrientation::South, false), "Gain", "", false, false, p, "(31,81,69,100)(0,0,100,81)(0,0,0,0)(0,0,100,81)"},
    {Oriented(EOrientation::West, false), "Gain", "", false, false, p, "(0,40.5,38,59.5)(38,0,100,100)(0,0,0,0)(38,0,100,100)"},
    {DEFAULT_STYLE.WithValueText(middle), "", "50", false, false, p, "(0,0,0,0)(0,0,100,100)(40.76,43,59.24,57)(0,0,100,100)"},
    {DEFAULT_STYLE.WithShowLabel(false).WithValueText(top), "Gain", "50", false, false, p, "(0,0,0,0)(0,14,100,100)(40.76,0,59.24,14)(0,0,100,100)"},
    {DEFAULT_STYLE.WithShowLabel(false), nullptr, "", false, false, p, "(0,0,0,0)(0,0,100,100)(50,100,50,100)(0,0,100,100)"},
    {half, "Gain", "50", true, false, p, "(25,25,75,75)(25,25,75,75)(25,25,75,75)(0,0,100,100)"},
    {Oriented(EOrientation::North, false).WithShowLabel(false).WithFrameThickness(2), "", "", false, true,
     IRECT(0, 0, 100, 50), "(0,0,0,0)(4,1,96,46)(0,0,0,0)(0,0,100,50)"},
  };
  for (const Case& c : cases)
  {
    VControl* v = Make(c.parent, c.style, c.label, c.inWidget);
    v->SetValueStr(c.value);
    const IRECT r = v->MakeRects(c.parent, c.handle);
    EXPECT_EQ(Str(v->GetLabelBounds()) + Str(v->GetWidgetBounds()) + Str(v->GetValueBounds()) + Str(r), c.expect)
      << "label " << (c.label ? c.label : "null") << " value '" << c.value << "'";
  }
}

TEST_F(Vector, CornerRadiusAndHandleFollowTheStyle)
{
  VControl* v = Make(IRECT(0, 0, 40, 20), DEFAULT_STYLE.WithRoundness(1.0f));
  EXPECT_EQ(v->GetRoundedCornerRadius(IRECT(0, 0, 40, 20)), 10.0f);
  EXPECT_EQ(v->GetRoundedCornerRadius(IRECT(0, 0, 20, 40)), 10.0f);
  v->SetStyle(DEFAULT_STYLE.WithDrawFrame(false));
  EXPECT_EQ(v->GetRoundedCornerRadius(IRECT(0, 0, 40, 20)), 0.0f);
  EXPECT_EQ(Str(v->GetAdjustedHandleBounds(IRECT(0, 0, 40, 20))), "(3,0,37,17)") << "shadow room only";
}

TEST_F(Vector, PressableRectangleDrawsItsFillsInOrderForEveryState)
{
  VControl* v = Make(IRECT(0, 0, 100, 50), DEFAULT_STYLE.WithFrameThickness(2));
  const std::string H = "(4,1,96,46)", shadow = "(7,4,99,49)", centre = "(7,4,93,43)";
  const std::string frame = "Stroke[255,70,70,70]2" + H + "~0.5";
  EXPECT_EQ(Paint(v, false, false, false), Log({SH + shadow + "~0.5", FG + H, frame}));
  EXPECT_EQ(Paint(v, false, true, false), Log({SH + shadow + "~0.5", FG + H, HL + H + "~0.5", frame}));
  EXPECT_EQ(Paint(v, false, false, true), Log({SH + shadow + "~0.5", "Fill[255,137,137,137]" + H, frame}))
    << "disabled: darkened face, shadow kept";
  EXPECT_EQ(Paint(v, true, false, false), Log({PR + H, frame}));
  EXPECT_EQ(Paint(v, true, false, true), Log({"Fill[255,177,177,177]" + H, frame}));

  IVStyle embossed = DEFAULT_STYLE.WithFrameThickness(2);
  embossed.emboss = true;
  v->SetStyle(embossed);
  EXPECT_EQ(Paint(v, true, false, false),
            Log({PR + H + "~0.5", SH + H + "~0.5", FG + "(7,4,96,46)", PR + centre + "~0.5", frame}));
  EXPECT_EQ(Paint(v, false, true, false),
            Log({SH + shadow + "~0.5", PR + H, SH + shadow, FG + centre, HL + centre + "~0.5", frame}));
  embossed.drawFrame = false;
  v->SetStyle(embossed);
  EXPECT_EQ(Paint(v, true, false, false).size(), 4u) << "no frame, no outline";
}

TEST_F(Vector, PressableEllipseWorksInTheBoundsAndDropsItsShadowWhenDisabled)
{
  VControl* v = Make(IRECT(0, 0, 100, 50), DEFAULT_STYLE.WithFrameThickness(2));
  v->SetShape(EVShape::Ellipse);
  const std::string B = "(0,0,100,50)", frame = "Stroke[255,70,70,70]2" + B + "~0.5";
  EXPECT_EQ(Paint(v, false, false, false), Log({SH + "(3,3,103,53)", FG + B, frame}));
  EXPECT_EQ(Paint(v, false, false, true), Log({"Fill[255,137,137,137]" + B, frame}));
  IVStyle embossed = DEFAULT_STYLE.WithFrameThickness(2);
  embossed.emboss = true;
  v->SetStyle(embossed);
  EXPECT_EQ(Paint(v, true, false, false),
            Log({PR + B + "~0.5", SH + B + "~0.5", FG + "(3,3,100,50)", PR + "(3,3,97,47)", frame}));
}

TEST_F(Vector, ShapesDispatchRoundTopCornersAndTurnTheTriangle)
{
  VControl* v = Make(IRECT(0, 0, 60, 20), Plain().WithRoundness(1.0f));
  v->SetShape(EVShape::TopRounded);
  Paint(v, false, false, false);
  EXPECT_EQ(g.Only("Arc"), Log({"Arc(10,10,10,270,360)", "Arc(50,10,10,0,90)", "Arc(60,20,0,90,180)",
                                "Arc(0,20,0,180,270)"}));
  v->SetShape(static_cast<EVShape>(7));
  EXPECT_TRUE(Paint(v, true, true, false).empty());

  IVStyle turned = DEFAULT_STYLE.WithDrawShadows(false).WithFrameThickness(2);
  turned.angle = 90.0f;
  v = Make(IRECT(0, 0, 100, 50), turned);
  v->SetShape(EVShape::Triangle);
  Paint(v, false, false, false);
  EXPECT_EQ(Log(g.log.begin() + 1, g.log.begin() + 4), Log({"MoveTo(26,-24)", "LineTo(74,25)", "LineTo(26,74)"}))
    << "apex to the right";
  turned.angle = 180.0f;
  v->SetStyle(turned);
  Paint(v, false, false, false);
  EXPECT_EQ(g.log[2], "LineTo(50,49)") << "apex downward";
  turned.drawShadows = true;
  v->SetStyle(turned);
  const Log pressedOver = Paint(v, true, true, false);
  ASSERT_EQ(pressedOver.size(), 3u);
  EXPECT_EQ(pressedOver[1].substr(0, 14), HL) << "the highlight stays while pressed";
  EXPECT_EQ(Paint(v, false, false, false)[0].substr(0, 14), SH);
}

TEST_F(Vector, SplashGrowsWhileTheClickAnimationRunsAndIsDrawnUnderTheFrame)
{
  IControl::SetAnimationClock([] { return gNowMs; });
  VControl* v = Make(IRECT(0, 0, 100, 50), DEFAULT_STYLE.WithFrameThickness(2));
  v->SetActionFunction(SplashClickActionFunc);
  g.SetMouseDownPoint(30.0f, 20.0f);
  v->SetDirty(true);
  gNowMs += 50.0;
  v->Animate();
  EXPECT_EQ(v->GetSplashRadius(), 25.0f);
  Log shapes = Paint(v, true, false, false);
  ASSERT_EQ(shapes.size(), 3u);
  EXPECT_EQ(shapes[1], HL + "(5,-5,55,45)") << "splash between face and frame";
  EXPECT_EQ(Paint(v, false, false, false).size(), 3u) << "no splash while not pressed";

  gNowMs += 60.0;
  v->Animate();
  EXPECT_FALSE(v->GetAnimationFunction());
  EXPECT_EQ(Paint(v, true, false, false).size(), 2u) << "no splash once the animation ended";

  LogControl* plain = new LogControl(g.log, "plain", IRECT(0, 0, 5, 5));
  g.AttachControl(plain);
  SplashClickActionFunc(plain);
  EXPECT_FALSE(plain->GetAnimationFunction()) << "a control without the mix-in gets no splash";
  IControl::SetAnimationClock(nullptr);
}

TEST_F(Vector, LabelValueColoursAndStylesReachTheControl)
{
  VControl* v = Make(IRECT(0, 0, 100, 100), DEFAULT_STYLE.WithShowLabel(false), "Gain");
  v->SetValueStr("50");
  v->MakeRects(v->GetRECT(), false);
  v->DrawLabel(g);
  EXPECT_TRUE(g.Only("Text").empty()) << "label hidden";
  v->SetStyle(DEFAULT_STYLE);
  v->MakeRects(v->GetRECT(), false);
  g.log.clear();
  v->DrawLabel(g);
  v->DrawValue(g, true);
  EXPECT_EQ(g.Only("Text"), Log({"Text(Gain)(31,0,69,19)", "Text(50)(40.76,86,59.24,100)"}));
  EXPECT_EQ(Shapes(g.log), Log({"Fill[10,0,0,0](40.76,86,59.24,100)"})) << "translucent patch, no blend";

  v->SetClean();
  v->SetColor(kFG, COLOR_RED);
  EXPECT_TRUE(v->IsDirty());
  EXPECT_EQ(v->GetColor(kFG), COLOR_RED);

  g.AttachControl(new LogControl(g.log, "plain", IRECT(0, 0, 5, 5)));
  g.StyleAllVectorControls(DEFAULT_STYLE.WithRoundness(0.5f));
  EXPECT_EQ(v->GetStyle().roundness, 0.5f);
  EXPECT_EQ(v->GetColor(kFG), DEFAULT_FGCOLOR);
}
