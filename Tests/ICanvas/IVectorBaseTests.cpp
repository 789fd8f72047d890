#include "IVectorBase.h"
#include "TestCanvas.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace pwtest;

namespace {

double gNowMs = 0.0;

struct VControl : IControl, IVectorBase
{
  VControl(const IRECT& r, const IVStyle& s, const char* label, bool inWidget)
  : IControl(r), IVectorBase(s, inWidget, inWidget) { AttachIControl(this, label); SetBlend(IBlend(EBlend::SrcOver, 0.5f)); }
  void Draw(ICanvas& g) override { DrawPressableShape(g, mShape, mRECT, pressed, over, disabled); }
  EVShape& Shape() { return mShape; }
  bool pressed = false, over = false, disabled = false;
};

// Frame thickness 2; shadow offset 3.
IVStyle Styled(EOrientation labelSide, bool showValue, bool emboss = false, float angle = 0.0f)
{
  IVStyle s = DEFAULT_STYLE.WithFrameThickness(2.0f);
  s.labelOrientation = labelSide, s.showValue = showValue, s.emboss = emboss, s.angle = angle;
  return s;
}
const IVStyle kPlain = Styled(EOrientation::North, true), kEmboss = Styled(EOrientation::North, true, true);

// Paints named by their default style colour (".c" darkened when disabled).
std::string Named(const Log& shapes)
{
  static const char* const names[][2] = {{"Fill[60,0,0,0]", "SH"}, {"Fill[255,200,200,200]", "FG"},
    {"Fill[255,137,137,137]", "FG.c"}, {"Fill[255,240,240,240]", "PR"}, {"Fill[255,177,177,177]", "PR.c"},
    {"Fill[10,0,0,0]", "HL"}, {"Stroke[255,70,70,70]", "FR"}};
  std::string out;
  for (std::string s : shapes)
  {
    for (const auto& n : names)
      s = s.compare(0, std::strlen(n[0]), n[0]) ? s : n[1] + s.substr(std::strlen(n[0]));
    out += (out.empty() ? "" : " ") + s;
  }
  return out;
}

struct Vector : testing::Test
{
  Log events; // outlives the controls
  TestGDelegate dlg;
  RecordingCanvas g{dlg};

  Vector() { g.logBlend = true; }
  VControl* Make(const IRECT& r, const IVStyle& s, const char* label = nullptr, bool inWidget = false)
  {
    return static_cast<VControl*>(g.AttachControl(new VControl(r, s, label, inWidget)));
  }
  std::string Paint(VControl* c, bool pressed, bool over, bool disabled)
  {
    g.log.clear();
    c->pressed = pressed, c->over = over, c->disabled = disabled;
    c->Draw(g);
    return Named(Shapes(g.log));
  }
};

} // namespace

// The test canvas measures text as half its size per character by one size
// high: the label "Gain" at 19 is 38 x 19, the value "50" at 14 is 14 x 14.
TEST_F(Vector, MakeRectsLaysOutLabelWidgetAndValueForEveryPositionAndAlignment)
{
  const IText middle = DEFAULT_VALUE_TEXT.WithVAlign(EVAlign::Middle), top = DEFAULT_VALUE_TEXT.WithVAlign(EVAlign::Top);
  IVStyle half = DEFAULT_STYLE;
  half.widgetFrac = 0.5f;
  const IRECT p(0, 0, 100, 100);
  // Each case expects the label, widget and value rectangles and the result.
  const struct { IVStyle style; const char *label, *value; bool inWidget, handle; IRECT parent; const char* expect; } cases[] = {
    {DEFAULT_STYLE, "Gain", "50", false, false, p, "(31,0,69,19)(0,19,100,86)(40.76,86,59.24,100)(0,19,100,100)"},
    {Styled(EOrientation::East, false), "Gain", "", false, false, p, "(62,40.5,100,59.5)(0,0,62,100)(0,0,0,0)(0,0,62,100)"},
    {Styled(EOrientation::South, false), "Gain", "", false, false, p, "(31,81,69,100)(0,0,100,81)(0,0,0,0)(0,0,100,81)"},
    {Styled(EOrientation::West, false), "Gain", "", false, false, p, "(0,40.5,38,59.5)(38,0,100,100)(0,0,0,0)(38,0,100,100)"},
    {DEFAULT_STYLE.WithValueText(middle), "", "50", false, false, p, "(0,0,0,0)(0,0,100,100)(40.76,43,59.24,57)(0,0,100,100)"},
    {DEFAULT_STYLE.WithShowLabel(false).WithValueText(top), "Gain", "50", false, false, p, "(0,0,0,0)(0,14,100,100)(40.76,0,59.24,14)(0,0,100,100)"},
    {DEFAULT_STYLE, nullptr, "", false, false, p, "(0,0,0,0)(0,0,100,100)(50,100,50,100)(0,0,100,100)"},
    {half, "Gain", "50", true, false, p, "(25,25,75,75)(25,25,75,75)(25,25,75,75)(0,0,100,100)"},
    {Styled(EOrientation::North, false), "", "", false, true, IRECT(0, 0, 100, 50), "(0,0,0,0)(4,1,96,46)(0,0,0,0)(0,0,100,50)"},
  };
  for (const auto& c : cases)
  {
    VControl* v = Make(c.parent, c.style, c.label, c.inWidget);
    v->SetValueStr(c.value);
    const IRECT r = v->MakeRects(c.parent, c.handle);
    EXPECT_EQ(Str(v->GetLabelBounds()) + Str(v->GetWidgetBounds()) + Str(v->GetValueBounds()) + Str(r), c.expect);
  }
  VControl* v = Make(p, DEFAULT_STYLE.WithShowLabel(false), "Gain");
  g.AttachControl(new LogControl(events, "plain", IRECT()));
  g.StyleAllVectorControls(Styled(EOrientation::North, false).WithRoundness(1.0f));
  EXPECT_EQ(v->GetRoundedCornerRadius(IRECT(0, 0, 20, 40)), 10.0f) << "restyled: half the shorter side";
  v->SetValueStr("50");
  v->MakeRects(p, false);
  g.log.clear();
  v->DrawLabel(g);
  v->DrawValue(g, true);
  EXPECT_EQ(Named(Shapes(g.log)), "HL(0,0,0,0)") << "patch without blend";
  EXPECT_EQ(g.Only("Text"), Log({"Text(Gain)(31,0,69,19)"})) << "value hidden";
}

// Handle (4,1,96,46) of (0,0,100,50); the control blends at 0.5, so "~0.5"
// marks a paint given the control's blend.
TEST_F(Vector, PressableShapesPaintInOrderForEveryStateWithTheSplashOnlyWhileAnimating)
{
  const IVStyle rounded = kPlain.WithDrawFrame(false).WithDrawShadows(false).WithRoundness(1);
  const std::string F = " FR2(4,1,96,46)~0.5", E = " FR2(0,0,100,50)~0.5";
  const struct { EVShape shape; IVStyle style; bool pressed, over, disabled; std::string expect; } cases[] = {
    {EVShape::Rectangle, kPlain, 0, 0, 0, "SH(7,4,99,49)~0.5 FG(4,1,96,46)" + F},
    {EVShape::AllRounded, kPlain, 0, 1, 0, "SH(7,4,99,49)~0.5 FG(4,1,96,46) HL(4,1,96,46)~0.5" + F},
    {EVShape::Rectangle, kPlain, 0, 0, 1, "SH(7,4,99,49)~0.5 FG.c(4,1,96,46)" + F},
    {EVShape::Rectangle, kPlain, 1, 1, 1, "PR.c(4,1,96,46)" + F},
    {EVShape::Rectangle, kEmboss, 1, 0, 0, "PR(4,1,96,46)~0.5 SH(4,1,96,46)~0.5 FG(7,4,96,46) PR(7,4,93,43)~0.5" + F},
    {EVShape::Rectangle, kEmboss, 0, 1, 0, "SH(7,4,99,49)~0.5 PR(4,1,96,46) SH(7,4,99,49) FG(7,4,93,43) HL(7,4,93,43)~0.5" + F},
    {EVShape::Ellipse, kPlain, 0, 0, 0, "SH(3,3,103,53) FG(0,0,100,50)" + E},
    {EVShape::Ellipse, kPlain, 0, 0, 1, "FG.c(0,0,100,50)" + E},
    {EVShape::Ellipse, kEmboss, 1, 0, 0, "PR(0,0,100,50)~0.5 SH(0,0,100,50)~0.5 FG(3,3,100,50) PR(3,3,97,47)" + E},
    {EVShape::Triangle, kPlain, 1, 1, 0, "PR(4,1,96,46) HL(4,1,96,46)~0.5" + F},
    {EVShape::Triangle, kPlain, 0, 0, 0, "SH(7,4,99,49)~0.5 FG(4,1,96,46)" + F},
    {EVShape::TopRounded, rounded, 0, 0, 0, "FG(0,0,100,50)"},
    {static_cast<EVShape>(7), kPlain, 1, 1, 0, ""},
  };
  VControl* v = Make(IRECT(0, 0, 100, 50), DEFAULT_STYLE);
  for (const auto& c : cases)
  {
    v->Shape() = c.shape;
    v->SetStyle(c.style);
    EXPECT_EQ(Paint(v, c.pressed, c.over, c.disabled), c.expect) << "shape " << static_cast<int>(c.shape);
  }
  v->Shape() = EVShape::TopRounded;
  v->SetStyle(rounded);
  Paint(v, false, false, false);
  EXPECT_EQ(g.Only("Arc")[1] + g.Only("Arc")[2], "Arc(75,25,25,0,90)Arc(100,50,0,90,180)") << "bottom corners square";
  v->Shape() = EVShape::Triangle;
  v->SetStyle(Styled(EOrientation::North, true, false, 90.0f).WithDrawShadows(false));
  Paint(v, false, false, false);
  EXPECT_EQ(g.log[1] + g.log[2] + g.log[3], "MoveTo(26,-24)LineTo(74,25)LineTo(26,74)") << "apex turned right";

  IControl::SetAnimationClock([] { return gNowMs; });
  v->Shape() = EVShape::Rectangle;
  v->SetStyle(kPlain);
  v->SetActionFunction(SplashClickActionFunc);
  g.SetMouseDownPoint(30.0f, 20.0f);
  v->SetDirty(true);
  gNowMs += 50.0;
  v->Animate();
  EXPECT_EQ(Paint(v, true, false, false), "PR(4,1,96,46) HL(5,-5,55,45)" + F) << "radius 25, under the frame";
  EXPECT_EQ(Paint(v, false, false, false).find("HL"), std::string::npos) << "only while pressed";
  gNowMs += 60.0;
  v->Animate();
  EXPECT_EQ(Paint(v, true, false, false), "PR(4,1,96,46)" + F) << "animation over";
  IControl* plain = g.AttachControl(new LogControl(events, "plain", IRECT(0, 0, 5, 5)));
  SplashClickActionFunc(plain);
  EXPECT_FALSE(plain->GetAnimationFunction()) << "a control without the mix-in gets no splash";
  IControl::SetAnimationClock(nullptr);
}
