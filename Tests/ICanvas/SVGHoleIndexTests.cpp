#include "SVGHoleIndex.h"
#include "SVGHoleOracle.h"

#include "SVGParser.h"
#include "SVGParserDetail.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>

using namespace weft::canvas;
using weft::svg::SVGPath;
using weft::svg::SVGShape;
using pwtest::OracleIsHole;

namespace {

SVGPath Closed(std::vector<float> pts)
{
  SVGPath path;
  path.pts = std::move(pts);
  path.closed = true;
  weft::svg::detail::ComputeBounds(path);
  return path;
}

// A closed polygon through the points, each side a straight cubic.
SVGPath Polygon(const std::vector<IVec2>& corners)
{
  std::vector<float> pts = {corners[0].x, corners[0].y};
  for (size_t i = 1; i <= corners.size(); i++)
  {
    const IVec2 a = corners[i - 1], b = corners[i % corners.size()];
    pts.insert(pts.end(), {a.x + (b.x - a.x) / 3.0f, a.y + (b.y - a.y) / 3.0f, a.x + 2.0f * (b.x - a.x) / 3.0f,
                           a.y + 2.0f * (b.y - a.y) / 3.0f, b.x, b.y});
  }
  return Closed(pts);
}

float Uniform(std::mt19937& rng, float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }
int Pick(std::mt19937& rng, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

// A star-shaped polygon (possibly self-touching) around a centre.
SVGPath RandomPolygon(std::mt19937& rng, IVec2 centre, float radius)
{
  std::vector<IVec2> corners(static_cast<size_t>(Pick(rng, 3, 9)));
  for (size_t i = 0; i < corners.size(); i++)
  {
    const float angle = 6.2831853f * (static_cast<float>(i) + Uniform(rng, 0.0f, 0.9f)) / corners.size();
    const float r = radius * Uniform(rng, 0.2f, 1.0f);
    corners[i] = IVec2(centre.x + r * std::cos(angle), centre.y + r * std::sin(angle));
  }
  return Polygon(corners);
}

SVGShape Scattered(std::mt19937& rng)
{
  SVGShape shape;
  const float extent = Uniform(rng, 1.0f, 2000.0f);
  for (int i = Pick(rng, 2, 400); i > 0; i--)
  {
    const IVec2 centre(Uniform(rng, -extent, extent), Uniform(rng, -extent, extent));
    shape.paths.push_back(RandomPolygon(rng, centre, extent * Uniform(rng, 0.001f, 0.5f)));
  }
  return shape;
}

// Rings of circles, each of four real curves with its first point on the right.
SVGShape Nested(std::mt19937& rng)
{
  SVGShape shape;
  for (int group = Pick(rng, 1, 30); group > 0; group--)
  {
    const float x = Uniform(rng, 0.0f, 500.0f), y = Uniform(rng, 0.0f, 500.0f);
    float r = Uniform(rng, 20.0f, 80.0f);
    for (int level = Pick(rng, 1, 6); level > 0; level--, r *= Uniform(rng, 0.5f, 0.9f))
    {
      const float k = 0.5522847f * r;
      shape.paths.push_back(Closed({x + r, y, x + r, y + k, x + k, y + r, x, y + r, x - k, y + r, x - r, y + k, x - r, y,
                                    x - r, y - k, x - k, y - r, x, y - r, x + k, y - r, x + r, y - k, x + r, y}));
    }
  }
  return shape;
}

// Grids of squares and diamonds on integer and on tenth coordinates: rays
// run exactly through other outlines' corners and along their edges.
SVGShape Aligned(std::mt19937& rng)
{
  SVGShape shape;
  const float unit = Pick(rng, 0, 1) ? 1.0f : 0.1f;
  const int cols = Pick(rng, 1, 25), rows = Pick(rng, 1, 25), step = Pick(rng, 2, 12);
  for (int r = 0; r < rows; r++)
    for (int c = 0; c < cols; c++)
    {
      const float x = c * step * unit, y = r * step * unit, s = Pick(rng, 1, step) * unit;
      switch (Pick(rng, 0, 3))
      {
        case 0: shape.paths.push_back(Polygon({{x, y}, {x + s, y}, {x + s, y + s}, {x, y + s}})); break;
        case 1: shape.paths.push_back(Polygon({{x + s, y}, {x + 2 * s, y + s}, {x + s, y + 2 * s}, {x, y + s}})); break;
        case 2: shape.paths.push_back(Polygon({{x, y}, {x + s, y + s}, {x, y + 2 * s}})); break;
        default: break;
      }
    }
  if (shape.paths.empty())
    shape.paths.push_back(Polygon({{0, 0}, {unit, 0}, {0, unit}}));
  return shape;
}

// Rays in any direction (bounds that do not hold the first point), points
// far from the origin, duplicated outlines, and chords or rays that are not
// finite or too large to grid.
SVGShape Odd(std::mt19937& rng)
{
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  SVGShape shape;
  const float origin = Pick(rng, 0, 1) ? 0.0f : Uniform(rng, -1e7f, 1e7f);
  for (int i = Pick(rng, 2, 150); i > 0; i--)
  {
    SVGPath path = RandomPolygon(rng, IVec2(origin + Uniform(rng, 0, 100), origin + Uniform(rng, 0, 100)), 30.0f);
    switch (Pick(rng, 0, 9))
    {
      case 0: path.bounds[0] = Uniform(rng, origin - 50, origin + 150), path.bounds[1] = Uniform(rng, origin - 50, origin + 150); break;
      case 1: path.pts[static_cast<size_t>(Pick(rng, 0, int(path.pts.size()) - 1))] = Pick(rng, 0, 1) ? inf : nan; break;
      case 2: path.pts[static_cast<size_t>(Pick(rng, 0, int(path.pts.size()) - 1))] = 3e18f; break;
      case 3: if (!shape.paths.empty()) path = shape.paths.back(); break;
      default: break;
    }
    shape.paths.push_back(path);
  }
  return shape;
}

} // namespace

// Each kind of shape from seeds 1 to n through the index and the oracle; the
// first disagreement is reported with what is needed to replay it. The shapes
// must hold holes and solid outlines both, or the comparison proves little.
TEST(SVGHoleIndex, AgreesWithTheAllPairsTestOnEveryKindOfShape)
{
  const struct { const char* name; int seeds; SVGShape (*make)(std::mt19937&); } kinds[] = {
    {"scattered", 40, Scattered}, {"nested", 30, Nested}, {"aligned", 40, Aligned}, {"odd", 40, Odd}};
  for (const auto& kind : kinds)
  {
    int holes = 0, solids = 0;
    for (int seed = 1; seed <= kind.seeds && !::testing::Test::HasFailure(); seed++)
    {
      std::mt19937 rng(static_cast<uint32_t>(seed));
      const SVGShape shape = kind.make(rng);
      SVGHoleIndex index;
      index.Build(shape);
      for (size_t p = 0; p < shape.paths.size(); p++)
      {
        const bool expected = OracleIsHole(shape, p);
        (expected ? holes : solids)++;
        const SVGPath& path = shape.paths[p];
        ASSERT_EQ(index.IsHole(p), expected) << kind.name << " seed " << seed << ": path " << p << " of " << shape.paths.size()
          << " from (" << path.X(0) << ", " << path.Y(0) << "), bounds from (" << path.bounds[0] << ", " << path.bounds[1] << ")";
      }
    }
    EXPECT_TRUE(holes > kind.seeds && solids > kind.seeds) << kind.name << ": " << holes << " holes, " << solids << " solid";
  }
}

TEST(SVGHoleIndex, ALoneOutlineOrOneWithoutSegmentsIsNeverAHole)
{
  SVGShape shape;
  shape.paths.push_back(Polygon({{0, 0}, {10, 0}, {10, 10}, {0, 10}}));
  SVGHoleIndex index;
  index.Build(shape);
  EXPECT_FALSE(index.IsHole(0));
  shape.paths.push_back(Polygon({{2, 3}, {8, 3}, {8, 8}, {2, 8}}));
  shape.paths.push_back(SVGPath());
  shape.paths.back().pts = {5.0f, 4.0f}; // a point: no chords of its own
  shape.paths.push_back(SVGPath()); // nothing at all
  index.Build(shape);
  EXPECT_FALSE(index.IsHole(0));
  EXPECT_TRUE(index.IsHole(1)) << "inside the outer square";
  EXPECT_EQ(index.IsHole(2), OracleIsHole(shape, 2));
  EXPECT_FALSE(index.IsHole(3)) << "no point to cast a ray from";
  EXPECT_FALSE(index.IsHole(4)) << "beyond the paths";
}

namespace {

struct Case { const char* what; std::vector<std::vector<IVec2>> others; bool hole; };

// Each case's outlines then `last`: the index and the oracle both say whether `last` is a hole as the case does.
void ExpectHoles(const std::vector<Case>& cases, const SVGPath& last)
{
  for (const Case& c : cases)
  {
    SVGShape shape;
    for (const auto& corners : c.others) shape.paths.push_back(Polygon(corners));
    shape.paths.push_back(last);
    SVGHoleIndex index;
    index.Build(shape);
    EXPECT_EQ(index.IsHole(c.others.size()), c.hole) << "index: " << c.what;
    EXPECT_EQ(OracleIsHole(shape, c.others.size()), c.hole) << "oracle: " << c.what;
  }
}

} // namespace

// A square's ray runs from (40, 40) up the diagonal through other outlines' corners, in either
// listing order; frame A's top edge crosses it once.
TEST(SVGHoleIndex, ARayThroughACornerCountsItOnlyWhereTheOutlineCrosses)
{
  const std::vector<IVec2> frameA{{0, 10}, {100, 10}, {100, 100}, {0, 100}};
  ExpectHoles({{"frame A, a triangle grazed at (-20, -20)", {frameA, {{-20, -20}, {-10, -40}, {-30, -40}}}, true},
               {"the same listed backwards", {frameA, {{-20, -20}, {-30, -40}, {-10, -40}}}, true},
               {"frame A, a triangle on the other side", {frameA, {{-20, -20}, {-40, -10}, {-40, -30}}}, true},
               {"the same listed from another corner", {frameA, {{-40, -30}, {-20, -20}, {-40, -10}}}, true},
               {"a frame the ray leaves through its corner (0, 0)", {{{0, 0}, {100, 20}, {100, 100}, {20, 100}}}, true},
               {"the same listed backwards", {{{0, 0}, {20, 100}, {100, 100}, {100, 20}}}, true},
               {"a frame notched to (20, 20)", {{{0, 0}, {10, 0}, {20, 20}, {30, 0}, {100, 0}, {100, 100}, {0, 100}}}, true},
               {"the same listed from the notch", {{{20, 20}, {30, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}, {10, 0}}}, true},
               {"only a triangle whose corner touches the ray", {{{20, 20}, {30, 0}, {10, 0}}}, false}},
              Polygon({{40, 40}, {60, 40}, {60, 60}, {40, 60}}));
}

// A square's ray runs level to the left from (40, 50) along other outlines' edges, in either
// listing order: a step in a frame's side passes from below the ray to above it there.
TEST(SVGHoleIndex, ARayAlongAHorizontalEdgeCountsItOnlyWhereTheOutlinePassesToTheOtherSide)
{
  SVGPath square = Polygon({{40, 50}, {40, 40}, {60, 40}, {60, 60}, {40, 60}});
  square.bounds[1] = 51.0f; // the ray aims at (bounds[0] - 1, bounds[1] - 1)
  const std::vector<IVec2> frame{{0, 0}, {100, 0}, {100, 100}, {0, 100}}, below{{-40, 50}, {-20, 50}, {-20, 70}, {-40, 70}};
  ExpectHoles({{"a box below the ray beside a frame", {frame, below}, true},
               {"the same listed from a corner off the ray", {frame, {{-20, 70}, {-40, 70}, {-40, 50}, {-20, 50}}}, true},
               {"a box above the ray beside a frame", {frame, {{-40, 30}, {-20, 30}, {-20, 50}, {-40, 50}}}, true},
               {"only a box below the ray", {below}, false},
               {"a frame with a step along the ray", {{{-20, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 50}, {-20, 50}}}, true}},
              square);
}

// Outlines that touch the square the hole test judges, at its first point or
// at every corner: the answer is the one its inside gives.
TEST(SVGHoleIndex, AnOutlineTouchingAnotherIsJudgedByItsInside)
{
  const std::vector<IVec2> frame{{20, 56}, {180, 56}, {180, 156}, {20, 156}};
  ExpectHoles({{"a frame whose top edge the square sits under", {frame}, true},
               {"the same frame listed from its far corner", {{{180, 156}, {20, 156}, {20, 56}, {180, 56}}}, true},
               {"a frame whose corner the square fills", {{{80, 56}, {180, 56}, {180, 156}, {80, 156}}}, true},
               {"a box above the square, touching its top edge", {{{60, 36}, {120, 36}, {120, 56}, {60, 56}}}, false},
               {"boxes on all four sides sharing its edges", {{{80, 36}, {100, 36}, {100, 56}, {80, 56}},
                 {{100, 56}, {120, 56}, {120, 76}, {100, 76}}, {{80, 76}, {100, 76}, {100, 96}, {80, 96}},
                 {{60, 56}, {80, 56}, {80, 76}, {60, 76}}}, false},
               {"those boxes inside a frame", {frame, {{80, 36}, {100, 36}, {100, 56}, {80, 56}},
                 {{100, 56}, {120, 56}, {120, 76}, {100, 76}}, {{80, 76}, {100, 76}, {100, 96}, {80, 96}},
                 {{60, 56}, {80, 56}, {80, 76}, {60, 76}}}, true}},
              Polygon({{80, 56}, {100, 56}, {100, 76}, {80, 76}}));
  ExpectHoles({{"a box whose bottom edge its first corner touches", {{{80, 26}, {100, 26}, {100, 46}, {80, 46}}}, false},
               {"a frame whose edges its corners all touch", {{{70, 46}, {110, 46}, {110, 86}, {70, 86}}}, true},
               {"four triangles that share its edges", {{{70, 46}, {90, 46}, {70, 66}}, {{90, 46}, {110, 46}, {110, 66}},
                 {{110, 66}, {110, 86}, {90, 86}}, {{70, 66}, {90, 86}, {70, 86}}}, false}},
              Polygon({{90, 46}, {70, 66}, {90, 86}, {110, 66}}));
}

namespace {

// Index and oracle on the one shape of an SVG document; the answers per path.
std::vector<bool> DocumentHoles(const std::string& text)
{
  const auto image = weft::svg::ParseSVG(text.c_str());
  std::vector<bool> holes;
  if (!image || image->shapes.size() != 1)
    return holes;
  SVGHoleIndex index;
  index.Build(image->shapes[0]);
  for (size_t p = 0; p < image->shapes[0].paths.size(); p++)
  {
    EXPECT_EQ(index.IsHole(p), OracleIsHole(image->shapes[0], p)) << "path " << p << " of " << text;
    holes.push_back(index.IsHole(p));
  }
  return holes;
}

} // namespace

// A frame with a square touching its top edge from inside, turned about the
// frame's centre by each whole angle and with its edges on decimal
// coordinates that do not add up exactly: the square stays a hole.
TEST(SVGHoleIndex, ASquareTouchingItsFrameStaysAHoleTurnedOrRounded)
{
  const std::vector<bool> frameAndHole{false, true};
  for (int angle = 0; angle <= 90; angle++)
  {
    const std::vector<bool> turned = DocumentHoles(R"(<svg width="200" height="200"><g transform="rotate()" +
      std::to_string(angle) + R"svg( 100 100)"><path d="M20 56h160v100h-160z M80 56h20v20h-20z"/></g></svg>)svg");
    EXPECT_EQ(turned, frameAndHole) << angle << " degrees";
  }
  const std::vector<bool> decimal =
    DocumentHoles(R"(<svg width="200" height="200"><path d="M20.1 56.3h160v100h-160z M20.1 80.3h20v20h-20z"/></svg>)");
  EXPECT_EQ(decimal, frameAndHole) << "on decimal coordinates";
}

// A frame and a square inside it, far below and far beyond unit coordinates:
// beyond 2^24 a unit no longer moves the ray's end, beyond 1e18 the chords
// are tested without the grid, and tiny chords give tiny crossing products.
TEST(SVGHoleIndex, AHoleIsFoundAtAnyScale)
{
  for (const float origin : {0x1p24f, -0x1p25f, 0x1p40f, 0x1p70f, -0x1p100f, 1e-10f, 0.0f})
  {
    // Steps of a few units in the last place of the origin, or tiny ones.
    const float unit = origin == 0.0f || std::fabs(origin) < 1.0f ? 1e-12f : std::fabs(origin) * 0x1p-22f;
    auto at = [&](float x, float y) { return IVec2(origin + x * unit, origin + y * unit); };
    SVGShape shape;
    shape.paths.push_back(Polygon({at(0, 0), at(200, 0), at(200, 100), at(0, 100)}));
    shape.paths.push_back(Polygon({at(80, 40), at(100, 40), at(100, 60), at(80, 60)}));
    shape.paths.push_back(Polygon({at(300, 40), at(320, 40), at(320, 60), at(300, 60)}));
    SVGHoleIndex index;
    index.Build(shape);
    for (size_t p = 0; p < 3; p++)
    {
      EXPECT_EQ(index.IsHole(p), p == 1) << "index: path " << p << " at " << origin;
      EXPECT_EQ(OracleIsHole(shape, p), p == 1) << "oracle: path " << p << " at " << origin;
    }
  }
}
