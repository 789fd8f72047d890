#include "ControlsFixture.h"
#include "IVRangeSliderControl.h"

using namespace pwtest;

namespace {
struct Tracks : IVTrackControlBase
{
  using IVTrackControlBase::IVTrackControlBase;
  void Draw(ICanvas& g) override { DrawWidget(g); }
};
} // namespace

TEST_F(Widgets, TrackStepsSliceFromTheBottomOrRightAndPeakAtTheValueEnd)
{
  auto* v = Attach(new Tracks(IRECT(0, 0, 100, 100), "", style.WithDrawFrame(false), {0, 2}, 4));
  ASSERT_EQ(Str(v->GetWidgetBounds()), "(0,0,100,100)");
  EXPECT_EQ(Str(v->GetTrackBounds(1)), "(50,0,100,100)");
  EXPECT_EQ(Str(v->GetStepBounds(0)) + Str(v->GetStepBounds(4)), "(0,80,100,100)(0,0,100,20)") << "5 slices";
  EXPECT_EQ(Drawn(v).at(1), "Fill" + Str(v->GetColor(kFG)) + "(0,80,50,100)") << "value 0 shows step 0";
  v->SetValue(0.5, 1);
  EXPECT_EQ(Drawn(v).at(3), "Fill" + Str(v->GetColor(kFG)) + "(50,40,100,60)") << "snapped to step 2";
  EXPECT_EQ(g.Only("Fill").size(), 4u) << "two backgrounds, two bars, no peaks";

  auto* h = Attach(new Tracks(IRECT(0, 0, 100, 100), "", style.WithDrawFrame(false), {0}, 3, EDirection::Horizontal,
                              {"x"}));
  EXPECT_EQ(Str(h->GetStepBounds(0)), "(75,0,100,100)") << "step 0 at the right";
  EXPECT_STREQ(h->GetTrackName(0), "x");
  EXPECT_STREQ(h->GetTrackName(3), "");
  auto* c = Attach(new Tracks(IRECT(0, 0, 100, 100), "", style.WithDrawFrame(false), {0}, 0, EDirection::Horizontal));
  c->SetValue(0.3);
  const Log shapes = Drawn(c);
  EXPECT_EQ(Log(shapes.begin() + 1, shapes.end()),
            Log({"Fill" + Str(c->GetColor(kFG)) + "(0,0,30,100)", "Fill" + Str(c->GetColor(kFR)) + "(29,0,30,100)"}));
}

struct Range : Widgets
{
  IVRangeSliderControl* Make(std::vector<int> params, EDirection dir)
  {
    return Attach(new IVRangeSliderControl(IRECT(0, 0, 200, 100), params, "", style, dir, 8.0f, 2.0f));
  }
};

TEST_F(Range, HandlesSitByParityAndDirection)
{
  IVRangeSliderControl* h = Make({0, 2}, EDirection::Horizontal);
  ASSERT_EQ(Str(h->GetTrackBounds(0)), "(8,48,192,52)") << "inset by the handle, 2 x track thick";
  h->SetValue(0.25, 0), h->SetValue(0.75, 1);
  EXPECT_EQ(Str(h->GetHandleBounds(0)) + Str(h->GetHandleBounds(1)), "(46,52,62,68)(138,34,154,50)");
  EXPECT_EQ(Drawn(h).at(2), "Fill" + Str(h->GetColor(kX1)) + "(54,48,146,52)") << "the span between";
  IVRangeSliderControl* v = Make({0, 2}, EDirection::Vertical);
  v->SetValue(0.5, 0), v->SetValue(1.0, 1);
  EXPECT_EQ(Str(v->GetHandleBounds(0)) + Str(v->GetHandleBounds(1)), "(84,42,100,58)(102,0,118,16)");
}

TEST_F(Range, DragStopsAtTheNeighbourAndHoverPrefersTheLowerIndex)
{
  IVRangeSliderControl* h = Make({0, 2}, EDirection::Horizontal);
  h->SetValue(0.5, 0), h->SetValue(0.5, 1);
  h->OnMouseOver(100, 55, mouse);
  EXPECT_EQ(h->GetMouseOverHandle(), 0) << "a point in both handles";
  h->OnMouseDown(190, 55, mouse);
  EXPECT_DOUBLE_EQ(h->GetValue(0), 0.5) << "stopped at handle 1";
  h->OnMouseDrag(50, 55, 0, 0, mouse);
  EXPECT_DOUBLE_EQ(h->GetValue(0), 0.25);
  h->OnMouseOut(), h->OnMouseDrag(0, 55, 0, 0, mouse);
  EXPECT_DOUBLE_EQ(h->GetValue(0), 0.25) << "no hovered handle, no change";

  IVRangeSliderControl* one = Make({0}, EDirection::Horizontal);
  EXPECT_EQ(Drawn(one).size(), 1u + 4u) << "no span: track background, then the handle's shadow, face, frame...";
  one->OnMouseOver(8, 55, mouse), one->OnMouseDown(500, 55, mouse);
  EXPECT_DOUBLE_EQ(one->GetValue(), 1.0);
  one->OnMouseDrag(-5, 55, 0, 0, mouse);
  EXPECT_DOUBLE_EQ(one->GetValue(), 0.0);
}
