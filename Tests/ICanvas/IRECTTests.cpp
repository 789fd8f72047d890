#include "IRECT.h"
#include "TestCanvas.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace weft::canvas;
using pwtest::Str;

#define EXPECT_RECT(actual, l, t, r, b) EXPECT_EQ(Str(actual), Str(IRECT(l, t, r, b)))

TEST(IRECTTest, EmptinessAndContainmentFollowTheHalfOpenAndClosedRules)
{
  EXPECT_TRUE(IRECT().Empty());
  EXPECT_FALSE(IRECT(0, 0, 0, 1).Empty());
  EXPECT_FALSE(IRECT(5, 5, 5, 5).Empty());
  EXPECT_FALSE(IRECT(NAN, 0, 0, 0).Empty());
  EXPECT_NE(IRECT(NAN, 0, 0, 0), IRECT(NAN, 0, 0, 0));

  const IRECT r(0, 0, 10, 10);
  EXPECT_FALSE(IRECT().Contains(0, 0));
  EXPECT_FALSE(IRECT().ContainsEdge(0, 0));
  EXPECT_FALSE(r.Contains(IRECT()));
  EXPECT_TRUE(r.Contains(0, 0));
  EXPECT_FALSE(r.Contains(10, 5));
  EXPECT_TRUE(r.ContainsEdge(10, 5));
  EXPECT_TRUE(r.Contains(r));
  EXPECT_FALSE(r.Contains(IRECT(1, 1, 11, 9)));
}

TEST(IRECTTest, TouchingRectanglesIntersectOnlyFromTheLeftAndAnEmptyUnionOperandYieldsTheOther)
{
  const IRECT a(0, 0, 10, 10), b(10, 0, 20, 10);
  EXPECT_TRUE(a.Intersects(b));
  EXPECT_FALSE(b.Intersects(a));
  EXPECT_RECT(a.Intersect(b), 10, 0, 10, 10);
  EXPECT_TRUE(b.Intersect(a).Empty());

  const IRECT inverted(10, 10, 0, 0);
  EXPECT_RECT(IRECT().Union(inverted), 10, 10, 0, 0);
  EXPECT_RECT(inverted.Union(IRECT()), 10, 10, 0, 0);
  EXPECT_TRUE(IRECT().Union(IRECT()).Empty());
  EXPECT_RECT(a.Union(IRECT(-5, 2, 3, 30)), -5, 0, 10, 30);
}

TEST(IRECTTest, MergeableWhenBandsShareBothEdgesAndTouch)
{
  const IRECT r(0, 0, 10, 10);
  EXPECT_TRUE(r.Mergeable(IRECT(0, 10, 10, 20)));
  EXPECT_FALSE(r.Mergeable(IRECT(0, 11, 10, 20)));
  EXPECT_TRUE(r.Mergeable(IRECT(10, 0, 20, 10)));
  EXPECT_FALSE(r.Mergeable(IRECT(10, 0, 20, 11)));
  EXPECT_TRUE(r.Mergeable(IRECT()));
  EXPECT_TRUE(IRECT().Mergeable(IRECT(3, 4, 5, 6)));
}

TEST(IRECTTest, ClankMovesInsideKeepingEdgesOneInside)
{
  IRECT left(-5, 2, 5, 8);
  left.Clank(IRECT(0, 0, 100, 100));
  EXPECT_RECT(left, 0, 2, 10, 8);
  IRECT right(95, 0, 105, 10);
  right.Clank(IRECT(0, 0, 100, 100));
  EXPECT_RECT(right, 89, 0, 99, 10);
  IRECT tooBig(-10, -10, 200, 200);
  tooBig.Clank(IRECT(0, 0, 100, 100));
  EXPECT_RECT(tooBig, 0, 0, 99, 99);
}

TEST(IRECTTest, PixelAlignGrowsOutwardAtTheScale)
{
  IRECT r(0.2f, 0.7f, 10.1f, 10.9f);
  r.PixelAlign();
  EXPECT_RECT(r, 0, 0, 11, 11);
  IRECT whole(1, 2, 3, 4);
  whole.PixelAlign();
  EXPECT_RECT(whole, 1, 2, 3, 4);
  EXPECT_RECT(IRECT(0.2f, 0.2f, 1.2f, 1.2f).GetPixelAligned(2.0f), 0, 0, 1.5f, 1.5f);
  EXPECT_RECT(IRECT(0.1f, 0.1f, 0.9f, 0.9f).GetPixelAligned(3.0f), 0, 0, 1, 1);
}

TEST(IRECTTest, CentringStripsAndReductionsGiveTheDocumentedRectangles)
{
  const IRECT r(0, 0, 10, 10);
  EXPECT_RECT(r.GetCentredInside(0, 0), 4.5f, 4.5f, 5.5f, 5.5f);
  EXPECT_RECT(r.GetCentredInside(4, 0), 3, 3, 7, 7);
  EXPECT_RECT(r.GetMidHPadded(2), 3, 0, 7, 10);
  EXPECT_RECT(r.GetFromBRHC(4, 3), 6, 7, 10, 10);
  EXPECT_RECT(r.FracRectVertical(0.25f), 0, 7.5f, 10, 10);
  EXPECT_RECT(r.FracRect(EDirection::Horizontal, 0.5f, true), 5, 0, 10, 10);
  EXPECT_RECT(r.GetScaledAboutCentre(0.5f), 2.5f, 2.5f, 7.5f, 7.5f);
  EXPECT_RECT(IRECT::LinearInterpolateBetween(r, IRECT(10, 10, 30, 30), 1.5f), 15, 15, 40, 40);

  IRECT bar(0, 0, 100, 20);
  EXPECT_RECT(bar.ReduceFromRight(10), 90, 0, 100, 20);
  EXPECT_RECT(bar, 0, 0, 90, 20);
  EXPECT_RECT(bar.ReduceFromBottom(5), 0, 15, 90, 20);
  EXPECT_RECT(bar, 0, 0, 90, 15);

  float x = -5, y = 50;
  IRECT(0, 0, 10, 100).Constrain(x, y);
  EXPECT_EQ(x, 0.0f);
  EXPECT_EQ(y, 50.0f);
}

TEST(IRECTTest, GridCellsAreNumberedRowOrColumnWiseAndWidenOnlyToTheEndOfTheRow)
{
  const IRECT grid(0, 0, 30, 20); // 2 rows x 3 columns of 10 x 10
  EXPECT_RECT(grid.GetGridCell(4, 2, 3, EDirection::Horizontal), 10, 10, 20, 20);
  EXPECT_RECT(grid.GetGridCell(4, 2, 3, EDirection::Vertical), 20, 0, 30, 10);
  EXPECT_RECT(grid.GetGridCell(4, 2, 3, EDirection::Horizontal, 3), 10, 10, 30, 20);
  EXPECT_RECT(grid.GetGridCell(0, 2, 3, EDirection::Vertical, 5), 0, 0, 10, 20);
  EXPECT_RECT(grid.GetGridCell(6, 2, 3, EDirection::Horizontal), 0, 0, 30, 20);
  EXPECT_RECT(grid.GetGridCell(1, 2, 2, 3), 20, 10, 30, 20);
  EXPECT_RECT(grid.SubRect(EDirection::Vertical, 4, 3), 0, 15, 30, 20);
}
