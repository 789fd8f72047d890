#include "IBubbleControl.h"
#include "OverlayFixture.h"

using namespace pwtest;

namespace {

// A text of n characters measures 5n x 10; the bubble adds 5 a side and a
// 10 margin all round.
struct Bubble : Overlays
{
  struct Probe : IBubbleControl { using IBubbleControl::IBubbleControl; void Arrow(int dir) { mArrowDir = dir; } };
  Probe* b = new Probe(text);
  InputControl *right = Caller("r", kNoParameter, IRECT(900, 100, 990, 120)), *top = Caller("t", kNoParameter, IRECT(100, 0, 140, 20));
  Bubble() { g.AttachBubbleControl(b); }
};

} // namespace

TEST_F(Bubble, PlacedBesideOrAboveAndFlippedAtTheEdges)
{
  b->ShowBubble(right, 990, 110, "12", EDirection::Horizontal, IRECT(), 7);
  EXPECT_EQ(Str(b->GetBubbleBounds()), "(860,95,900,125)") << "ends at the caller's left";
  EXPECT_EQ(b->GetArrowDir(), 1);
  EXPECT_EQ(b->GetTouchID(), 7u);
  g.SetAllControlsClean();
  b->ShowBubble(top, 120, 0, "12", EDirection::Vertical, IRECT(), 0);
  EXPECT_EQ(Str(b->GetBubbleBounds()), "(100,20,140,50)") << "below the caller";
  EXPECT_EQ(b->GetArrowDir(), 0);
  EXPECT_EQ(Str(b->GetRECT()), "(100,20,140,50)") << "a new caller snaps";
  EXPECT_TRUE(right->IsDirty()) << "and redraws everything";
  g.SetAllControlsClean();
  b->ShowBubble(top, 120, 100, "12", EDirection::Vertical, IRECT(), 0);
  EXPECT_EQ(b->GetArrowDir(), 2);
  EXPECT_EQ(Str(b->GetRECT()), "(100,20,140,100)") << "the same caller grows it";
  EXPECT_FALSE(right->IsDirty());
  b->ShowBubble(top, 200, 200, "", EDirection::Horizontal, IRECT(), 0);
  EXPECT_EQ(Str(b->GetBubbleBounds()), "(200,190,230,210)") << "padding and margin only";
  EXPECT_EQ(b->GetArrowDir(), 3);
  b->ShowBubble(top, 200, 200, "", EDirection::Horizontal, IRECT(0, 0, 50, 30), 0);
  EXPECT_EQ(Str(b->GetBubbleBounds()), "(200,175,280,225)") << "at least the minimum content";
}

TEST_F(Bubble, FadesInHoldsWhileTheCallerIsHeldAndFadesOut)
{
  std::string seq; // state and weight after each step, h when hidden
  auto steps = [&](std::initializer_list<double> list) {
    for (double ms : list)
      Advance(b, ms), seq += std::to_string(b->GetState()) + W(&b->GetBlend()) + (b->IsHidden() ? "h " : " ");
  };
  b->ShowBubble(right, 500, 200, "v", EDirection::Horizontal, IRECT(), 3);
  steps({100, 101});
  g.OnMouseDown(At(950, 110));
  steps({999, 2, 201});
  g.OnMouseUp(At(950, 110));
  steps({201, 100, 101});
  EXPECT_EQ(seq, "1@0.475 2@0.95 2@0.95 2@0.95 2@0.95 3@0.95 3@0.475 0@0h ") << "held: checked again every 200 ms";
  EXPECT_EQ(b->GetTouchID(), 0u);
}

TEST_F(Bubble, TheOutlineCarriesItsArrowOnEachSide)
{
  // Body (210,190)-(240,210): the arrow's tip lies 10 outside its side.
  const char* tips[] = {"LineTo(225,180)", "LineTo(250,200)", "LineTo(225,220)", "LineTo(200,200)"};
  b->ShowBubble(top, 200, 200, "", EDirection::Horizontal, IRECT(0, 0, 20, 20), 0);
  Advance(b, 201);
  for (int dir = 0; dir < 4; ++dir)
  {
    b->Arrow(dir);
    g.log.clear(), g.shapes.clear();
    b->Draw(g);
    std::string kinds;
    for (const std::string& e : g.log)
      kinds += e.substr(0, e.find_first_of("([")) + " ";
    std::string expected = "Clear MoveTo Arc Arc Arc Arc Close Fill Stroke ";
    expected.insert(std::string("Clear MoveTo ").size() + 4 * static_cast<size_t>(dir + 1), "LineTo LineTo LineTo ");
    EXPECT_EQ(kinds, expected) << dir;
    EXPECT_EQ(g.log[4 + static_cast<size_t>(dir)], tips[dir]);
    EXPECT_EQ(g.shapes.front(), "Shadow(210,190,240,210)(200,180,250,220)@0.95") << "then the path";
  }
}
