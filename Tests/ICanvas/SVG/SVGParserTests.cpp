#include "SVGParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

using namespace weft::svg;

namespace {

// Also the SVG fuzzer's seeds: its corpus test checks every path's points.
std::unique_ptr<SVGImage> Load(const char* name)
{
  const char* root = std::getenv("PW_SOURCE_DIR");
  std::ifstream in(std::string(root ? root : ".") + "/Tests/ICanvas/SVG/Data/" + name, std::ios::binary);
  return ParseSVG(std::string(std::istreambuf_iterator<char>(in), {}).c_str(), "px", 96.0f);
}

const SVGShape* Find(const SVGImage& img, const char* id)
{
  const auto it = std::find_if(img.shapes.begin(), img.shapes.end(), [id](const SVGShape& s) { return s.id == id; });
  return it == img.shapes.end() ? nullptr : &*it;
}

void ExpectBounds(const float* b, float l, float t, float r, float bottom, float tol = 0.01f)
{
  const float expected[4] = {l, t, r, bottom};
  for (int i = 0; i < 4; i++)
    EXPECT_NEAR(b[i], expected[i], tol) << "side " << i;
}

// A document point in gradient space.
std::array<float, 2> ToGradient(const SVGGradient& g, float x, float y)
{
  return {g.xform[0] * x + g.xform[2] * y + g.xform[4], g.xform[1] * x + g.xform[3] * y + g.xform[5]};
}

} // namespace

TEST(SVGParser, BasicShapesAreScaledFromTheViewBoxIntoTheImageSize)
{
  auto img = Load("shapes.svg");
  ASSERT_TRUE(img);
  EXPECT_TRUE(img->width == 200.0f && img->height == 100.0f);
  EXPECT_EQ(img->shapes.size(), 7u) << "the zero-width rectangle is dropped";

  const SVGShape* rect = Find(*img, "r");
  ExpectBounds(rect->paths.at(0).bounds, 20, 20, 60, 40);
  EXPECT_EQ(rect->fill.color, 0xFF000000u) << "black by default";
  EXPECT_EQ(rect->stroke.type, kPaintNone);
  EXPECT_EQ(Find(*img, "rr")->paths[0].NPts(), 25) << "four corners and four sides";
  ExpectBounds(Find(*img, "c")->bounds, 80, 30, 120, 70);
  ExpectBounds(Find(*img, "e")->bounds, 80, 40, 120, 60);
  EXPECT_FLOAT_EQ(Find(*img, "l")->strokeWidth, 2.0f);
  EXPECT_FALSE(Find(*img, "pl")->paths[0].closed);
  EXPECT_TRUE(Find(*img, "pg")->paths[0].closed);
}

TEST(SVGParser, PathDataCoversArcsRelativeSmoothAndCompactForms)
{
  auto img = Load("paths.svg");
  ASSERT_TRUE(img);
  const SVGPath& arc = Find(*img, "arc")->paths[0];
  EXPECT_EQ(arc.NPts(), 7) << "a half turn takes two quarter-turn cubics";
  EXPECT_NEAR(arc.X(3), 10.0f, 1e-3f);
  EXPECT_NEAR(arc.Y(3), -10.0f, 1e-3f) << "sweep 1 turns clockwise on screen, over the top";
  ExpectBounds(arc.bounds, 0, -10, 20, 0);
  EXPECT_NEAR(Find(*img, "big-arc")->bounds[3], 1.0f, 1e-3f) << "sweep 0 goes under";

  const SVGShape* rel = Find(*img, "rel");
  ASSERT_EQ(rel->paths.size(), 2u);
  EXPECT_TRUE(rel->paths[0].closed);
  ExpectBounds(rel->paths[0].bounds, 10, 10, 20, 20);
  EXPECT_FALSE(rel->paths[1].closed);
  EXPECT_FLOAT_EQ(rel->paths[1].X(0), 40.0f) << "a move after close starts from the closed start point";
  EXPECT_FLOAT_EQ(rel->paths[1].X(6), 50.0f) << "pairs after a move are line segments";

  const SVGPath& smooth = Find(*img, "smooth")->paths[0];
  EXPECT_FLOAT_EQ(smooth.Y(4), -10.0f) << "S reflects the previous second control point";
  EXPECT_NEAR(smooth.X(10), 30.0f + 10.0f / 3.0f, 1e-4f) << "T reflects the previous quadratic control";
  EXPECT_NEAR(smooth.Y(10), -10.0f / 3.0f, 1e-4f);

  const SVGPath& compact = Find(*img, "compact")->paths[0];
  EXPECT_TRUE(compact.Y(0) == 0.5f && compact.Y(3) == -30.0f);
  EXPECT_EQ(Find(*img, "broken")->paths[0].NPts(), 4) << "segments before an error are kept";
}

TEST(SVGParser, GroupsPassTransformsAndStylesDownAndStyleWinsOverAttributes)
{
  auto img = Load("groups.svg");
  ASSERT_TRUE(img);
  const SVGShape* inner = Find(*img, "inner");
  ASSERT_TRUE(inner);
  // Root: meet scale 2, centred vertically (+10); group: translate(10,20) scale(2).
  EXPECT_TRUE(inner->paths[0].X(0) == 24.0f && inner->paths[0].Y(0) == 54.0f);
  EXPECT_FLOAT_EQ(inner->strokeWidth, 12.0f);
  EXPECT_EQ(inner->fill.color, 0xFF0000FFu);
  EXPECT_EQ(inner->strokeLineJoin, kJoinRound);
  EXPECT_FLOAT_EQ(inner->opacity, 0.25f);
  const float dashes[] = {4, 8, 12, 4, 8, 12}; // an odd list repeats
  EXPECT_TRUE(inner->strokeDashCount == 6 && std::equal(dashes, dashes + 6, inner->strokeDashArray));

  EXPECT_FALSE(Find(*img, "hidden")->visible);
  EXPECT_EQ(Find(*img, "gone"), nullptr);
  const SVGShape* rot = Find(*img, "rot");
  ExpectBounds(rot->bounds, 56, 46, 64, 54, 1e-3f);
  EXPECT_EQ(rot->fill.color, 0xFFFF0000u) << "inherits the group's blue";
  EXPECT_EQ(rot->strokeLineCap, kCapSquare);
}

TEST(SVGParser, GradientsMapTheDocumentOntoTheirUnitSpace)
{
  auto img = Load("gradients.svg");
  ASSERT_TRUE(img);
  ASSERT_EQ(Find(*img, "lin")->fill.type, kPaintLinearGradient);
  const SVGGradient& g1 = *Find(*img, "lin")->fill.gradient;
  EXPECT_NEAR(ToGradient(g1, 35.0f, 20.0f)[1], 0.5f, 1e-5f) << "the bounding box's middle is half way";
  EXPECT_NEAR(ToGradient(g1, 60.0f, 10.0f)[1], 1.0f, 1e-5f) << "x2 with trailing junk is the default 1";
  EXPECT_EQ(g1.spread, kSpreadReflect);
  ASSERT_EQ(g1.stops->size(), 3u);
  EXPECT_EQ((*g1.stops)[1].color, 0x80FF0000u);
  EXPECT_FLOAT_EQ((*g1.stops)[2].offset, 0.5f) << "offsets never go back; one with trailing junk is 0";
  EXPECT_EQ((*g1.stops)[2].color, 0xFF00FF00u) << "a stop-opacity with trailing junk is the default 1";

  const SVGShape* user = Find(*img, "user");
  ASSERT_EQ(user->fill.type, kPaintLinearGradient);
  EXPECT_EQ(user->fill.gradient->spread, kSpreadRepeat);
  EXPECT_EQ(user->fill.gradient->stops->size(), 3u) << "stops come through href";
  EXPECT_NEAR(ToGradient(*user->fill.gradient, 100.0f, 0.0f)[1], 1.0f, 1e-5f);
  EXPECT_EQ(user->stroke.type, kPaintNone) << "an unknown reference paints nothing";

  const auto edge = ToGradient(*Find(*img, "rad")->fill.gradient, 70.0f, 50.0f);
  EXPECT_NEAR(std::hypot(edge[0], edge[1]), 1.0f, 1e-5f);
}

TEST(SVGParser, EveryPaintOfOneGradientSharesItsStopsButKeepsItsOwnMapping)
{
  std::string text = "<svg width=\"100\" height=\"100\"><linearGradient id=\"g\">";
  for (int i = 0; i < 100; i++)
    text += "<stop offset=\"" + std::to_string(i / 99.0) + "\" stop-color=\"#102030\"/>";
  text += "</linearGradient><linearGradient id=\"h\" href=\"#g\" gradientUnits=\"userSpaceOnUse\"/>";
  for (int i = 0; i < 20; i++)
    text += "<rect x=\"" + std::to_string(i * 4) + "\" width=\"" + std::to_string(i + 1) +
            "\" height=\"2\" fill=\"url(#g)\" stroke=\"url(#" + (i % 2 ? "h" : "g") + ")\"/>";
  const auto img = ParseSVG((text + "</svg>").c_str());
  ASSERT_TRUE(img);
  ASSERT_EQ(img->shapes.size(), 20u);
  const auto& stops = img->shapes[0].fill.gradient->stops;
  ASSERT_TRUE(stops && stops->size() == 100u);
  EXPECT_FLOAT_EQ(stops->back().offset, 1.0f);
  EXPECT_EQ(stops->front().color, 0xFF302010u);
  for (const SVGShape& shape : img->shapes)
  {
    for (const SVGPaint* paint : {&shape.fill, &shape.stroke})
    {
      ASSERT_EQ(paint->type, kPaintLinearGradient);
      EXPECT_EQ(paint->gradient->stops, stops) << "one list, through href too";
    }
  }
  // Each shape's own bounding box still maps onto the unit space.
  EXPECT_NEAR(ToGradient(*img->shapes[3].fill.gradient, 12.0f + 4.0f, 1.0f)[1], 1.0f, 1e-5f);
  EXPECT_NEAR(ToGradient(*img->shapes[5].fill.gradient, 20.0f + 6.0f, 1.0f)[1], 1.0f, 1e-5f);
}

TEST(SVGParser, ColoursAndPaintsParseOrLeaveTheInheritedPaint)
{
  const struct { const char* value; EPaintType type; uint32_t color; } cases[] = {
    {"#f00", kPaintColor, 0xFF0000FF}, {"#00FF00", kPaintColor, 0xFF00FF00}, {"rgb(0, 0, 255)", kPaintColor, 0xFFFF0000},
    {"rgb(100%,0%,0%)", kPaintColor, 0xFF0000FF}, {"Teal", kPaintColor, 0xFF808000}, {"none", kPaintNone, 0},
    {"#12", kPaintColor, 0xFFFF0000}, {"nonsense", kPaintColor, 0xFFFF0000}, {"currentColor", kPaintColor, 0xFF00FFFF},
  };
  for (const auto& c : cases)
  {
    const std::string doc = std::string("<svg color=\"yellow\" fill=\"blue\"><rect width=\"1\" height=\"1\" fill=\"") +
                            c.value + "\"/></svg>";
    auto img = ParseSVG(doc.c_str());
    ASSERT_TRUE(img && img->shapes.size() == 1) << c.value;
    EXPECT_EQ(img->shapes[0].fill.type, c.type) << c.value;
    EXPECT_EQ(img->shapes[0].fill.color, c.color) << c.value;
  }
}

TEST(SVGParser, KeywordsParseWithoutCaseOrLeaveTheInheritedValue)
{
  // Under a group with round joins and caps, the even-odd rule and dashes.
  const struct { const char* attributes; ELineJoin join; ELineCap cap; EFillRule rule; bool visible; int dashes; } cases[] = {
    {"stroke-linejoin='arcs' stroke-linecap='BUTT' fill-rule='NonZero' visibility='Collapse'", kJoinMiter, kCapButt,
     kFillNonZero, false, 2},
    {"stroke-linejoin='miter-clip' stroke-dasharray='INHERIT' fill-rule='odd'", kJoinMiter, kCapRound, kFillEvenOdd, true, 2},
    {"stroke-linejoin='Miter' stroke-linecap='square' visibility='Hidden'", kJoinMiter, kCapSquare, kFillEvenOdd, false, 2},
  };
  for (const auto& c : cases)
  {
    const std::string doc = std::string("<svg><g stroke='red' stroke-linejoin='round' stroke-linecap='round' "
                                        "fill-rule='evenodd' stroke-dasharray='1 2'><line x2='1' ") +
                            c.attributes + "/></g></svg>";
    const auto img = ParseSVG(doc.c_str());
    ASSERT_TRUE(img && img->shapes.size() == 1) << c.attributes;
    const SVGShape& s = img->shapes[0];
    EXPECT_TRUE(s.strokeLineJoin == c.join && s.strokeLineCap == c.cap && s.fillRule == c.rule) << c.attributes;
    EXPECT_TRUE(s.visible == c.visible && s.strokeDashCount == c.dashes) << c.attributes;
  }
}

TEST(SVGParser, LengthsConvertToTheRequestedUnitsAtTheGivenDpi)
{
  const char* doc = "<svg width=\"1in\" height=\"25.4mm\"><rect width=\"72pt\" height=\"1\"/></svg>";
  auto px = ParseSVG(doc, "px", 72.0f);
  EXPECT_TRUE(px->width == 72.0f && px->height == 72.0f && px->shapes[0].bounds[2] == 72.0f);
  EXPECT_FLOAT_EQ(ParseSVG(doc, "pt", 144.0f)->width, 72.0f);
  auto in = ParseSVG(doc, "in", 300.0f);
  EXPECT_TRUE(in->height == 1.0f && in->shapes[0].bounds[2] == 1.0f);
}

TEST(SVGParser, DashListsThatCannotDashGiveASolidStroke)
{
  for (const char* dash : {"none", "1 -2", "0 0", "1 2 3 4 5 6 7 8 9"})
  {
    const std::string doc = std::string("<svg><line x2=\"5\" stroke=\"red\" stroke-dasharray=\"") + dash + "\"/></svg>";
    EXPECT_EQ(ParseSVG(doc.c_str())->shapes.at(0).strokeDashCount, 0) << dash;
  }
}

TEST(SVGParser, RefusesWhatIsNotAnSVGDocument)
{
  for (const char* doc : {static_cast<const char*>(nullptr), "", "<svg", "<html/>", "<svg><rect></svg>"})
    EXPECT_EQ(ParseSVG(doc), nullptr) << (doc ? doc : "null");
  EXPECT_NE(ParseSVG("<svg/>"), nullptr);
}
