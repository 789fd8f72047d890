#include "ControlsFixture.h"
#include "ISVGButtonControl.h"
#include "ISVGKnobControl.h"
#include "ISVGSliderControl.h"
#include "ISVGSwitchControl.h"
#include "ISVGToggleControl.h"

#include <cstring>

using namespace pwtest;

struct SVGs : Widgets
{
  // A w x h image filled with colour.
  ISVG Make(const char* name, int w, int h, const char* colour = "#0000ff")
  {
    char text[256];
    std::snprintf(text, sizeof text,
                  "<svg xmlns='http://www.w3.org/2000/svg' width='%d' height='%d'><rect width='%d' height='%d' "
                  "fill='%s'/></svg>", w, h, w, h, colour);
    return g.LoadSVG(name, static_cast<const void*>(text), static_cast<int>(std::strlen(text)));
  }
  std::string Fills(IControl* c) { Log f = (Drawn(c), g.Only("Fill")); std::string s; for (auto& e : f) s += e.substr(4); return s; }
};

TEST_F(SVGs, ButtonAndToggleShowOffAtHalfAndRecolourOnHover)
{
  const ISVG off = Make("off", 10, 10, "#0000ff"), on = Make("on", 10, 10, "#00ff00");
  auto* b = Attach(new ISVGButtonControl(IRECT(0, 0, 20, 20), nullptr, off, on));
  b->SetValue(0.5);
  EXPECT_EQ(Fills(b), "[255,0,0,255]") << "exactly 0.5 is off";
  b->SetValue(0.51);
  EXPECT_EQ(Fills(b), "[255,0,255,0]");
  const std::array<IColor, 4> colours{COLOR_RED, COLOR_GREEN, COLOR_BLUE, COLOR_WHITE};
  auto* t = Attach(new ISVGToggleControl(IRECT(0, 0, 20, 20), 1, off, colours, EColorReplacement::Fill));
  std::string seen;
  for (bool over : {false, true})
    for (double v : {0.0, 1.0})
      t->SetValue(v), over ? t->OnMouseOver(5, 5, mouse) : t->OnMouseOut(), seen += Fills(t);
  EXPECT_EQ(seen, Str(COLOR_RED) + Str(COLOR_GREEN) + Str(COLOR_BLUE) + Str(COLOR_WHITE));
  auto* s = Attach(new ISVGToggleControl(IRECT(0, 0, 20, 20), nullptr, off, colours, EColorReplacement::Stroke));
  EXPECT_EQ(Fills(s), "[255,0,0,255]") << "a stroke replacement leaves fills alone";
}

TEST_F(SVGs, KnobTurnsFromMinus135Through0To135)
{
  auto* k = Attach(new ISVGKnobControl(IRECT(0, 0, 40, 40), Make("knob", 10, 10), 0));
  std::string seen;
  for (double v : {0.0, 0.5, 1.0})
    k->SetValue(v), Drawn(k), seen += g.Only("Transform").at(1) + " ";
  EXPECT_EQ(seen, "Transform(-0.707107,-0.707107,0.707107,-0.707107,20,20) Transform(1,0,0,1,20,20) "
                  "Transform(-0.707107,0.707107,-0.707107,-0.707107,20,20) ");
  k->SetSVG(ISVG());
  EXPECT_TRUE(Drawn(k).empty()) << "no image, nothing drawn";
}

TEST_F(SVGs, SliderHandleTouchesTheTrackEnds)
{
  const ISVG handle = Make("handle", 10, 5), track = Make("track", 10, 50);
  auto* v = Attach(new ISVGSliderControl(IRECT(0, 0, 100, 100), handle, track, 0));
  const IRECT t = v->GetTrackSVGBounds();
  EXPECT_EQ(Str(t), "(40,0,60,100)") << "the track image's proportions";
  EXPECT_EQ(Str(v->GetHandleBounds(1.0)) + Str(v->GetHandleBounds(0.0)), "(40,0,60,10)(40,90,60,100)");
  auto* h = Attach(new ISVGSliderControl(IRECT(0, 0, 100, 100), Make("hh", 5, 10), Make("ht", 50, 10), 0,
                                         EDirection::Horizontal));
  EXPECT_EQ(Str(h->GetTrackSVGBounds()), "(0,40,100,60)");
  EXPECT_EQ(Str(h->GetHandleBounds(1.0)) + Str(h->GetHandleBounds(0.0)), "(90,40,100,60)(0,40,10,60)");
  h->SetValue(0.0);
  Drawn(h);
  EXPECT_EQ(Shapes(g.log).back().substr(Shapes(g.log).back().find('(')), "(0,40,10,60)");

  auto* flat = Attach(new ISVGSliderControl(IRECT(0, 0, 100, 100), Make("flat", 10, 0), track, 0));
  EXPECT_TRUE(Drawn(flat).empty()) << "a zero-height image is not drawn";
  flat->OnMouseDown(50, 50, mouse), flat->OnMouseDrag(50, 40, 0, -10, mouse);
  EXPECT_NEAR(flat->GetValue(), 0.525, 1e-9) << "dragged over the whole control, not an empty track";
  auto* none = Attach(new ISVGSwitchControl(IRECT(0, 0, 10, 10), {ISVG(), track}));
  EXPECT_TRUE(Drawn(none).empty());
}

TEST_F(SVGs, SwitchStepsThroughItsImages)
{
  auto* s = Attach(new ISVGSwitchControl(IRECT(0, 0, 10, 10), {Make("a", 1, 1, "#000001"), Make("b", 1, 1, "#000002"),
                                                               Make("c", 1, 1, "#000003")}));
  std::string seen;
  for (int i = 0; i < 4; ++i)
    seen += Fills(s), s->OnMouseDown(5, 5, mouse), s->OnMouseUp(5, 5, mouse);
  EXPECT_EQ(seen, "[255,0,0,1][255,0,0,2][255,0,0,3][255,0,0,1]");
}
