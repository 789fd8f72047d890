#include "RecordingBackend.h"
#include "VGContext.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pw::test;

namespace {

const RecordedPath& OnlyPath(const RecordingContext& c)
{
  EXPECT_EQ(c.LastPaths().size(), 1u);
  return c.LastPaths()[0];
}

void Triangle(VGcontext* vg, bool clockwiseOnScreen)
{
  vgBeginPath(vg);
  vgMoveTo(vg, 0, 0);
  vgLineTo(vg, clockwiseOnScreen ? 10 : 0, clockwiseOnScreen ? 0 : 10);
  vgLineTo(vg, 10, 10);
  vgClosePath(vg);
}

float SignedArea(const std::vector<VGvertex>& v)
{
  float area = 0;
  for (size_t i = 2; i < v.size(); i++)
    area += (v[i].x - v[0].x) * (v[i - 1].y - v[0].y) - (v[i - 1].x - v[0].x) * (v[i].y - v[0].y);
  return area / 2;
}

} // namespace

TEST(VGTessellation, FillsAreOrientedBySignedAreaAndWinding)
{
  RecordingContext c(false);
  for (bool clockwise : {false, true})
  {
    Triangle(c.vg, clockwise);
    vgFill(c.vg);
    EXPECT_GT(SignedArea(OnlyPath(c).fill), 0) << "solid, clockwise " << clockwise;
    vgPathWinding(c.vg, VG_HOLE);
    vgBeginPath(c.vg);
    Triangle(c.vg, clockwise);
    vgPathWinding(c.vg, VG_HOLE);
    vgFill(c.vg);
    EXPECT_LT(SignedArea(OnlyPath(c).fill), 0) << "hole, clockwise " << clockwise;
    EXPECT_EQ(OnlyPath(c).path.winding, VG_HOLE);
  }
}

TEST(VGTessellation, AClosingDuplicatePointIsDropped)
{
  RecordingContext c;
  vgMoveTo(c.vg, 0, 0);
  vgLineTo(c.vg, 10, 0);
  vgLineTo(c.vg, 10, 10);
  vgLineTo(c.vg, 0.001f, 0); // within the distance tolerance of the start
  vgStroke(c.vg);
  EXPECT_EQ(OnlyPath(c).path.count, 3);
  EXPECT_TRUE(OnlyPath(c).path.closed);
}

TEST(VGTessellation, ConvexFillFringeRunsFromTheEdgeOutwards)
{
  RecordingContext c;
  vgRect(c.vg, 0, 0, 10, 10);
  vgFill(c.vg);
  const RecordedPath& rect = OnlyPath(c);
  EXPECT_TRUE(rect.path.convex);
  ASSERT_EQ(rect.stroke.size(), 10u);
  for (size_t i = 0; i < rect.stroke.size(); i++) EXPECT_EQ(rect.stroke[i].u, i % 2 ? 1.0f : 0.5f);
  for (const VGvertex& v : rect.fill) EXPECT_EQ((std::vector<float>{v.u, v.v}), (std::vector<float>{0.5f, 1}));

  vgRect(c.vg, 20, 0, 10, 10); // two paths: not convex as a shape
  vgBeginPath(c.vg);
  vgRect(c.vg, 0, 0, 10, 10);
  vgRect(c.vg, 20, 0, 10, 10);
  vgFill(c.vg);
  ASSERT_EQ(c.LastPaths().size(), 2u);
  EXPECT_EQ(c.LastPaths()[0].stroke[0].u, 0.0f);
  EXPECT_EQ((std::vector<float>(c.backend.calls.back().bounds, c.backend.calls.back().bounds + 4)),
            (std::vector<float>{0, 0, 30, 10}));

  RecordingContext plain(false);
  vgRect(plain.vg, 0, 0, 10, 10);
  vgFill(plain.vg);
  EXPECT_TRUE(OnlyPath(plain).stroke.empty());
  EXPECT_EQ(OnlyPath(plain).fill.size(), 4u);
}

TEST(VGTessellation, BezierSubdivisionFollowsTheTolerance)
{
  RecordingContext c;
  vgMoveTo(c.vg, 0, 0);
  vgBezierTo(c.vg, 1, 0, 2, 0, 3, 0); // control points on the chord
  vgStroke(c.vg);
  EXPECT_EQ(OnlyPath(c).path.count, 2);

  vgBeginPath(c.vg);
  vgMoveTo(c.vg, 0, 0);
  vgBezierTo(c.vg, 0, 4e7f, 4e7f, 4e7f, 4e7f, 0); // too large for the tolerance at any depth
  vgStroke(c.vg);
  const VGpathStore* cache = c.vg->cache;
  EXPECT_EQ(cache->paths[0].count, 1 + 1024);
  EXPECT_EQ(cache->points[cache->npoints - 1].x, 4e7f);

  vgBeginPath(c.vg);
  vgCircle(c.vg, 0, 0, 100);
  vgFill(c.vg);
  // Each point lies on the circle; no chord strays more than the tolerance.
  const int n = cache->paths[0].count;
  for (int i = 0; i < n; i++)
  {
    const VGflatPoint& a = cache->points[i];
    const VGflatPoint& b = cache->points[(i + 1) % n];
    const float mx = (a.x + b.x) / 2, my = (a.y + b.y) / 2;
    EXPECT_LT(100 - std::sqrt(mx * mx + my * my), 0.3f) << "segment " << i;
  }
}

TEST(VGTessellation, CommandsWithoutAStartingPointDrawNothing)
{
  RecordingContext c;
  vgLineTo(c.vg, 5, 5), vgBezierTo(c.vg, 1, 1, 2, 2, 3, 3), vgClosePath(c.vg), vgPathWinding(c.vg, VG_HOLE);
  vgFill(c.vg), vgStroke(c.vg);
  vgBeginPath(c.vg), vgMoveTo(c.vg, 5, 5); // a single point
  vgStroke(c.vg), vgFill(c.vg);
  vgBeginPath(c.vg), vgMoveTo(c.vg, 5, 5), vgLineTo(c.vg, 5, 5); // zero length
  vgStroke(c.vg), vgFill(c.vg);
  EXPECT_TRUE(c.backend.Calls("fill").empty());
  EXPECT_TRUE(c.backend.Calls("stroke").empty());
  EXPECT_EQ(c.vg->cache->paths[0].count, 0);
}

// A fill needs a point farther than the distance tolerance (0.01) from the
// line through the others, however long that line.
TEST(VGTessellation, AFillNeedsAPointBeyondTheToleranceOfALine)
{
  const struct
  {
    float x1, y1, x2, y2;
    bool fills;
  } table[] = {{100, 0, 30, 0.005f, false}, {30, 0.005f, 100, 0, false},    {100, 0, 30, 0.02f, true},
               {30, 0.02f, 100, 0, true},    {1, 0.005f, 100, 0, false},     {100, 0, 1, 0.005f, false},
               {0.05f, 0, 0.025f, 0.03f, true}, {0.025f, 0.03f, 0.05f, 0, true}};
  for (const auto& row : table)
  {
    RecordingContext c;
    vgMoveTo(c.vg, 0, 0), vgLineTo(c.vg, row.x1, row.y1), vgLineTo(c.vg, row.x2, row.y2);
    vgFill(c.vg);
    EXPECT_EQ(c.backend.Calls("fill").size(), row.fills ? 1u : 0u) << row.x1 << "," << row.y1 << " " << row.x2;
  }
}

TEST(VGTessellation, StrokeWidthScalesClampsAndThinsIntoAlpha)
{
  const struct
  {
    float width, scale, ratio, drawnWidth, alpha;
  } table[] = {{0.5f, 1, 1, 1, 0.25f}, {4, 2, 1, 8, 1}, {150, 2, 1, 200, 1}, {0.5f, 1, 2, 0.5f, 1}};
  for (const auto& row : table)
  {
    RecordingContext c;
    vgBeginFrame(c.vg, 100, 100, row.ratio);
    vgScale(c.vg, row.scale, row.scale);
    vgStrokeWidth(c.vg, row.width);
    vgGlobalAlpha(c.vg, 0.5f);
    vgMoveTo(c.vg, 0, 0);
    vgLineTo(c.vg, 10, 0);
    vgStroke(c.vg);
    const RecordedCall& call = c.backend.calls.back();
    EXPECT_EQ(call.strokeWidth, row.drawnWidth) << "width " << row.width;
    EXPECT_FLOAT_EQ(call.paint.innerColor.a, row.alpha * 0.5f) << "width " << row.width;
    EXPECT_EQ(call.fringe, 1 / row.ratio);
  }
}

TEST(VGTessellation, MiterLimitDecidesBetweenMiterAndBevel)
{
  for (float limit : {10.0f, 1.0f})
  {
    RecordingContext c;
    vgMiterLimit(c.vg, limit);
    vgStrokeWidth(c.vg, 2);
    vgRect(c.vg, 0, 0, 50, 50);
    vgStroke(c.vg);
    const RecordedPath& p = OnlyPath(c);
    EXPECT_EQ(p.path.nbevel, limit == 1 ? 4 : 0);
    // A mitred corner is one vertex pair on the offset square; a bevel is
    // four pairs.
    EXPECT_EQ(p.stroke.size(), limit == 1 ? 4u * 8 + 2 : 4u * 2 + 2);
    if (limit == 10)
    {
      for (const VGvertex& v : p.stroke)
        EXPECT_NEAR(std::fabs(std::max(std::fabs(v.x - 25), std::fabs(v.y - 25)) - 25), 1.5f, 1e-4);
    }
  }
}

TEST(VGTessellation, CapsExtendAndFadeAtTheEnds)
{
  const struct
  {
    int cap;
    float startX; // outermost x of the start cap: half width 2 + half fringe 0.5
    float firstV;
  } table[] = {{VG_BUTT, -0.5f, 0}, {VG_SQUARE, -2.5f, 0}, {VG_ROUND, -2.5f * std::sin(VG_PI / 3), 1}};
  for (const auto& row : table)
  {
    RecordingContext c;
    vgLineCap(c.vg, row.cap);
    vgStrokeWidth(c.vg, 4);
    vgMoveTo(c.vg, 0, 0);
    vgLineTo(c.vg, 20, 0);
    vgStroke(c.vg);
    const std::vector<VGvertex>& s = OnlyPath(c).stroke;
    float minx = 0;
    for (const VGvertex& v : s) minx = std::min(minx, v.x);
    EXPECT_NEAR(minx, row.startX, 1e-4) << "cap " << row.cap;
    EXPECT_EQ(s.front().v, row.firstV) << "cap " << row.cap;
    EXPECT_EQ(s.back().v, row.firstV) << "cap " << row.cap;
  }

  RecordingContext plain(false);
  vgMoveTo(plain.vg, 0, 0);
  vgLineTo(plain.vg, 20, 0);
  vgStroke(plain.vg);
  for (const VGvertex& v : OnlyPath(plain).stroke) EXPECT_EQ(v.u, 0.5f);
}

// Every cap, join and anti-aliasing setting on a path with sharp and shallow
// turns, segments shorter than the stroke and a curve. Under AddressSanitizer
// the vertex store beyond each reservation is poisoned.
TEST(VGTessellation, EveryCapAndJoinStaysFiniteAndInsideItsVertices)
{
  for (bool aa : {true, false})
    for (int cap : {VG_BUTT, VG_ROUND, VG_SQUARE})
      for (int join : {VG_MITER, VG_ROUND, VG_BEVEL})
        for (bool closed : {false, true})
        {
          RecordingContext c(aa);
          vgLineCap(c.vg, cap);
          vgLineJoin(c.vg, join);
          vgStrokeWidth(c.vg, 12);
          vgMoveTo(c.vg, 0, 0);
          for (int i = 1; i < 8; i++) vgLineTo(c.vg, i % 2 ? 100 : 0, i * 3.0f); // near reversals
          vgLineTo(c.vg, 2, 40);
          vgLineTo(c.vg, 1, 41);
          vgBezierTo(c.vg, 50, 90, -40, 60, 80, 80);
          vgLineTo(c.vg, 80.5f, 80);
          if (closed) vgClosePath(c.vg);
          vgStroke(c.vg);
          vgFill(c.vg);
          const char* ops[] = {"stroke", "fill"};
          for (const char* op : ops)
          {
            const RecordedPath& p = c.backend.Calls(op)[0]->paths[0];
            EXPECT_GT((op[0] == 's' || aa ? p.stroke : p.fill).size(), 4u) << op;
            for (const auto* list : {&p.fill, &p.stroke})
              for (const VGvertex& v : *list)
                ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y)) << op << " cap " << cap << " join " << join;
          }
        }
}

TEST(VGTessellation, RoundJoinsAndCapsFollowTheCurveDivisions)
{
  RecordingContext c;
  vgLineCap(c.vg, VG_ROUND);
  vgLineJoin(c.vg, VG_ROUND);
  vgStrokeWidth(c.vg, 20);
  vgMoveTo(c.vg, 0, 0);
  vgLineTo(c.vg, 50, 0);
  vgLineTo(c.vg, 50, 50);
  vgStroke(c.vg);
  // w = 10: ncap = max(2, ceil(pi / (2 acos(10 / 10.25)))) = 8. Caps 2 * 8 + 2
  // each; the quarter-turn join ceil(0.5 * 8) = 4 steps: 2 + 2 * 4 + 2.
  EXPECT_EQ(OnlyPath(c).stroke.size(), 2u * (2 * 8 + 2) + (2 + 2 * 4 + 2));
  for (const VGvertex& v : OnlyPath(c).stroke)
  {
    const float r = std::min(std::hypot(v.x, v.y), std::hypot(v.x - 50, v.y - 50));
    if (v.u != 0.5f && (v.x < 0 || v.y > 50))
    {
      EXPECT_NEAR(r, 10.5f, 1e-3) << v.x << "," << v.y;
    }
  }
}

TEST(VGTessellation, NonFiniteInputIsContained)
{
  const float nan = std::nanf("");
  RecordingContext c;
  vgArc(c.vg, 0, 0, 10, 0, nan, VG_CW);
  EXPECT_EQ(c.vg->ncommands, 0);
  vgLineJoin(c.vg, VG_ROUND), vgLineCap(c.vg, VG_ROUND), vgStrokeWidth(c.vg, nan);
  vgMoveTo(c.vg, 0, 0);
  vgLineTo(c.vg, 10, nan);
  vgLineTo(c.vg, 20, 0);
  vgStroke(c.vg);
  ASSERT_EQ(c.backend.Calls("stroke").size(), 1u);
  EXPECT_EQ(c.backend.calls.back().strokeWidth, 1); // drawn a pixel wide, fully transparent
  EXPECT_EQ(c.backend.calls.back().paint.innerColor.a, 0);
}

TEST(VGTessellation, DebugDumpListsEachPathsVertices)
{
  RecordingContext c(false);
  vgMoveTo(c.vg, 0, 0), vgLineTo(c.vg, 1, 0), vgLineTo(c.vg, 1, 2);
  vgFill(c.vg);
  testing::internal::CaptureStdout();
  vgDebugDumpPathCache(c.vg);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Dumping 1 cached paths\n - Path 0\n   - fill: 3\n1.000000\t2.000000\n1.000000\t0.000000\n"
            "0.000000\t0.000000\n"); // reversed into the solid orientation
}

TEST(VGTessellation, OnlyAnOutlineThatTurnsRoundOnceIsConvex)
{
  RecordingContext c;
  // Every step-th of n points on a circle from the first-th: a polygon, or a star turning one way round twice or more.
  auto convex = [&c](int n, int step, int first = 0) {
    vgBeginPath(c.vg);
    const float turn = 6.2831853f / n; // radians between neighbours
    for (int i = 0; i < n; i++)
    {
      const int k = (first + i * step) % n;
      (i ? vgLineTo : vgMoveTo)(c.vg, 10 * std::cos(turn * k), 10 * std::sin(turn * k));
    }
    vgFill(c.vg);
    return OnlyPath(c).path.convex != 0;
  };
  for (int n : {3, 4, 5, 64}) EXPECT_TRUE(convex(n, 1)) << n << "-gon: the fast road";
  // One of the three starts turns past the counted heading at the last-to-first corner.
  for (int first : {1, 2}) EXPECT_TRUE(convex(3, 1, first)) << "triangle from point " << first;
  for (auto [n, step] : {std::pair{5, 2}, {7, 2}, {7, 3}, {8, 2}}) EXPECT_FALSE(convex(n, step)) << n << "/" << step;
  vgBeginPath(c.vg), vgCircle(c.vg, 0, 0, 100), vgFill(c.vg);
  EXPECT_TRUE(OnlyPath(c).path.convex);
  vgBeginPath(c.vg), vgMoveTo(c.vg, 0, 0), vgLineTo(c.vg, 10, 5), vgLineTo(c.vg, 0, 10), vgLineTo(c.vg, 3, 5);
  vgFill(c.vg);
  EXPECT_FALSE(OnlyPath(c).path.convex) << "a dart turns round once, but one way and back";
}
