#include "IRECTList.h"
#include "TestCanvas.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace weft::canvas;
using pwtest::Str;

namespace {

std::vector<std::string> Rects(const IRECTList& list)
{
  std::vector<std::string> out;
  for (int i = 0; i < list.Size(); ++i)
    out.push_back(Str(list.Get(i)));
  return out;
}

IRECTList ListOf(std::initializer_list<IRECT> rects)
{
  IRECTList list;
  for (const IRECT& r : rects)
    list.Add(r);
  return list;
}

// Unit cells of a 0..size grid covered by the rectangles (integer edges).
std::set<std::pair<int, int>> Cells(const IRECTList& list, int* overlaps)
{
  std::set<std::pair<int, int>> cells;
  for (int i = 0; i < list.Size(); ++i)
  {
    const IRECT& r = list.Get(i);
    for (int x = static_cast<int>(r.L); x < static_cast<int>(r.R); ++x)
      for (int y = static_cast<int>(r.T); y < static_cast<int>(r.B); ++y)
        if (!cells.insert({x, y}).second && overlaps)
          ++*overlaps;
  }
  return cells;
}

} // namespace

TEST(IRECTListTest, FindAndBoundsUseTheInsertionOrder)
{
  IRECTList list = ListOf({IRECT(0, 0, 10, 10), IRECT(5, 5, 20, 20)});
  EXPECT_EQ(list.Find(5, 5), 0);
  EXPECT_EQ(list.Find(10, 10), 1);
  EXPECT_EQ(list.Find(20, 20), -1);
  EXPECT_EQ(Str(list.Bounds()), Str(IRECT(0, 0, 20, 20)));
  list.Clear();
  EXPECT_TRUE(list.Bounds().Empty() && list.Size() == 0);
}

TEST(IRECTListTest, OptimizeHandlesDuplicatesCornersAndNeighboursAsDocumented)
{
  IRECTList same = ListOf({IRECT(0, 0, 10, 10), IRECT(0, 0, 10, 10)});
  same.Optimize();
  EXPECT_EQ(Rects(same), std::vector<std::string>{Str(IRECT(0, 0, 10, 10))});

  // The later of two equal rectangles overlapping in a corner is cut in two.
  IRECTList corner = ListOf({IRECT(0, 0, 10, 10), IRECT(5, 5, 15, 15)});
  corner.Optimize();
  EXPECT_EQ(Rects(corner),
            (std::vector<std::string>{Str(IRECT(0, 0, 10, 10)), Str(IRECT(5, 10, 15, 15)), Str(IRECT(10, 5, 15, 10))}));

  IRECTList sideBySide = ListOf({IRECT(0, 0, 10, 10), IRECT(10, 0, 20, 10)});
  sideBySide.Optimize();
  EXPECT_EQ(Rects(sideBySide), std::vector<std::string>{Str(IRECT(0, 0, 20, 10))});
}

TEST(IRECTListTest, OptimizeKeepsBothRemaindersWhenRectanglesCross)
{
  // A horizontal bar through a vertical one: the overlap spans the bar's
  // height but lies in its middle.
  IRECTList cross = ListOf({IRECT(0, 10, 30, 20), IRECT(10, 0, 20, 30)});
  cross.Optimize();
  int overlaps = 0;
  EXPECT_EQ(Cells(cross, &overlaps).size(), 500u);
  EXPECT_EQ(overlaps, 0);

  // A notch in the middle of one side.
  IRECTList notch = ListOf({IRECT(0, 0, 30, 30), IRECT(10, -5, 20, 10)});
  notch.Optimize();
  overlaps = 0;
  EXPECT_EQ(Cells(notch, &overlaps).size(), 950u);
  EXPECT_EQ(overlaps, 0);
}

TEST(IRECTListTest, OptimizedRandomListsAreDisjointAndCoverTheSameArea)
{
  const unsigned seed = 20261207;
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> coord(0, 40), size(1, 15), count(1, 12);
  for (int round = 0; round < 300; ++round)
  {
    IRECTList list;
    const int n = count(rng);
    for (int i = 0; i < n; ++i)
    {
      const float l = static_cast<float>(coord(rng)), t = static_cast<float>(coord(rng));
      list.Add(IRECT(l, t, l + size(rng), t + size(rng)));
    }
    const std::vector<std::string> input = Rects(list);
    const auto before = Cells(list, nullptr);
    list.Optimize();
    int overlaps = 0;
    const auto after = Cells(list, &overlaps);
    ASSERT_EQ(after, before) << "seed " << seed << " round " << round << " input " << testing::PrintToString(input);
    ASSERT_EQ(overlaps, 0) << "seed " << seed << " round " << round << " input " << testing::PrintToString(input);
  }
}
