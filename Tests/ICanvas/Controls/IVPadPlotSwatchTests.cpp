#include "ControlsFixture.h"
#include "IVColorSwatchControl.h"
#include "IVPlotControl.h"
#include "IVXYPadControl.h"

using namespace pwtest;

TEST_F(Widgets, XYPadMapsCornersClampsPressesAndHidesTheCursor)
{
  auto* p = Attach(new IVXYPadControl(IRECT(0, 0, 100, 100), {0, 2}, "", style, 10.0f, false, false));
  const std::string face = "Fill" + Str(p->GetColor(kFG));
  auto handle = [&] { for (const std::string& e : Drawn(p)) if (!e.rfind(face, 0)) return e.substr(face.size()); return std::string(); };
  EXPECT_EQ(handle(), "(0,80,20,100)") << "(0, 0) at the bottom-left of the area";
  p->SetValue(1.0, 0), p->SetValue(1.0, 1);
  EXPECT_EQ(handle(), "(80,0,100,20)");
  p->OnMouseDown(-40, 300, mouse);
  EXPECT_EQ(p->GetValue(0) + p->GetValue(1), 0.0) << "clamped into the control";
  p->OnMouseDrag(250, -3, 0, 0, mouse);
  EXPECT_EQ(p->GetValue(0) * p->GetValue(1), 1.0);
  p->OnMouseUp(250, -3, mouse);
  EXPECT_EQ(g.cursorLog, Log({"Cursor(1,0)", "Cursor(0,1)"}));
  EXPECT_DOUBLE_EQ(dlg.GetParam(2)->GetNormalized(), 1.0) << "sent to the y parameter";

  IVStyle shown = style;
  shown.hideCursor = false;
  auto* c = Attach(new IVXYPadControl(IRECT(0, 0, 100, 100), {0, 2}, "", shown, 10.0f, true));
  c->OnMouseDown(0, 100, mouse), c->OnMouseUp(0, 100, mouse);
  EXPECT_EQ(g.cursorLog.size(), 2u) << "the style keeps the cursor";
  g.Tick(), c->SetDirty(false), g.log.clear(), g.Tick();
  const Log clips = g.Only("Clip"), shapes = Shapes(g.log);
  EXPECT_NE(std::find(clips.begin(), clips.end(), "Clip(0.5,0.5,99.5,99.5)"), clips.end());
  EXPECT_NE(std::find(shapes.begin(), shapes.end(), face + "(-10,90,10,110)"), shapes.end())
    << "centred on the corner: a quarter inside the clip";
}

struct Plot : Widgets
{
  int calls = 0;
  IVPlotControl* Make(int n, float max, bool layer)
  {
    return Attach(new IVPlotControl(IRECT(0, 0, 100, 120), {{COLOR_RED, [this](double) { return ++calls, -1.0; }}}, n,
                                    "", style, -1.0f, max, layer));
  }
};

TEST_F(Plot, MinimumSitsOneRowAboveTheBottomOverAGridOfTenColumns)
{
  Make(3, 1.0f, false);
  Drawn(g.GetControl(0));
  const Log moves = g.Only("MoveTo");
  EXPECT_EQ(moves.at(1), "MoveTo(10,0)") << "columns 100 / 10";
  EXPECT_EQ(moves.at(moves.size() - 2), "MoveTo(0,110)") << "row 120 / 12 above the bottom";
  EXPECT_EQ(g.Only("LineTo").at(g.Only("LineTo").size() - 4), "LineTo(100,110)");
  EXPECT_EQ(calls, 3);
  for (auto [n, max] : {std::pair{1, 1.0f}, {3, -1.0f}})
  {
    Drawn(Make(n, max, false));
    EXPECT_EQ(g.Only("Stroke").size(), 2u) << "grid and frame only for " << n << " points, max " << max;
  }
}

TEST_F(Plot, LayerSamplesOnceUntilAPlotIsAdded)
{
  IVPlotControl* p = Make(4, 1.0f, true);
  Drawn(p), Drawn(p);
  EXPECT_EQ(calls, 4);
  int second = 0;
  p->AddPlotFunc(COLOR_BLUE, [&](double) { return ++second, 0.0; });
  Drawn(p);
  EXPECT_EQ(calls * 10 + second, 84);
}

struct Swatch : Widgets
{
  std::vector<std::pair<int, IColor>> chosen;
  IVColorSwatchControl* Make(IVColorSwatchControl::ECellLayout layout, std::vector<EVColor> ids,
                             std::vector<const char*> labels)
  {
    return Attach(new IVColorSwatchControl(IRECT(0, 0, 90, 90), "", [this](int i, IColor c) { chosen.push_back({i, c}); },
                                           style.WithDrawFrame(false), layout, ids, labels));
  }
};

TEST_F(Swatch, LaysOutCellsShrunkByTwo)
{
  using L = IVColorSwatchControl::ECellLayout;
  IVColorSwatchControl* grid = Make(L::kGrid, {kBG, kFG, kPR, kFR, kHL, kSH, kX1, kX2, kX3, kBG}, std::vector<const char*>(10, ""));
  EXPECT_EQ(Str(grid->GetCellBounds(4)), "(32,32,58,58)") << "middle of 3 x 3";
  EXPECT_EQ(Str(grid->GetCellBounds(9)), "(2,2,88,88)") << "a tenth colour gets the whole widget";
  EXPECT_EQ(Str(Make(L::kHorizontal, {kBG, kFG}, {"", ""})->GetCellBounds(1)), "(47,2,88,88)");
  EXPECT_EQ(Str(Make(L::kVertical, {kBG, kFG}, {"", ""})->GetCellBounds(1)), "(2,47,88,88)");
}

TEST_F(Swatch, DrawsLabelledCellsAndOutlinesTheHoveredOne)
{
  IVColorSwatchControl* s = Make(IVColorSwatchControl::ECellLayout::kVertical, {kFG, kX1}, {"Fore", ""});
  s->OnMouseOver(50, 60, mouse);
  const Log shapes = Drawn(s);
  EXPECT_EQ(shapes, Log({"Fill" + Str(s->GetColor(kFG)) + "(66.5,2,88,43)", "Stroke" + Str(COLOR_DARK_GRAY) + "1(66,1.5,88.5,43.5)",
                         "Fill" + Str(s->GetColor(kX1)) + "(2,47,88,88)", "Stroke" + Str(COLOR_GRAY) + "1(1.5,46.5,88.5,88.5)",
                         "Text(Fore)(2,2,62.2,43)"}));
  EXPECT_EQ(s->GetStyle().valueText.mAlign, EAlign::Far);
}

TEST_F(Swatch, ClickPromptsThenSetsTheColourThenCallsBack)
{
  IVColorSwatchControl* s = Make(IVColorSwatchControl::ECellLayout::kHorizontal, {kX2, kX3}, {"", ""});
  g.colorReply = true, g.colorAnswer = COLOR_RED;
  s->OnMouseDown(45, 50, mouse);
  EXPECT_TRUE(g.Only("PromptForColor").empty() && chosen.empty()) << "the gap between cells";
  s->OnMouseDown(60, 50, mouse);
  EXPECT_EQ(g.Only("PromptForColor"), Log({"PromptForColor(Choose a color)"}));
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0].first, 1) << "the cell index, not the colour slot";
  EXPECT_EQ(Str(s->GetColor(kX3)) + Str(chosen[0].second), Str(COLOR_RED) + Str(COLOR_RED));
}
