// Small SVG files replayed through a recording context: which fills and
// strokes reach the path operations, in which colour and over which box.

#include "TestCanvas.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace pwtest;

namespace {

// Keeps every pattern filled and the stroke colours, beside the log.
struct SVGCanvas : RecordingCanvas
{
  using RecordingCanvas::RecordingCanvas;
  void PathFill(const IPattern& pattern, const IFillOptions& options, const IBlend* pBlend) override
  {
    RecordingCanvas::PathFill(pattern, options, pBlend);
    fills.push_back(pattern);
  }
  std::vector<IPattern> fills;
};

// Replays text at its own size into g; false when it does not parse.
bool Replay(SVGCanvas& g, const std::string& text)
{
  static int documents = 0; // the SVG cache keys on the name
  const std::string name = "replay" + std::to_string(documents++);
  const ISVG svg = g.LoadSVG(name.c_str(), static_cast<const void*>(text.c_str()), static_cast<int>(text.size()));
  if (!svg.IsValid())
    return false;
  g.DrawSVG(svg, IRECT(0, 0, svg.W(), svg.H()));
  return true;
}

// The paints of a 40 x 40 document holding body: "Fill[a,r,g,b](box)".
Log Paints(const std::string& body)
{
  TestGDelegate dlg;
  SVGCanvas g(dlg);
  const std::string text = "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
                           "width=\"40\" height=\"40\">" + body + "</svg>";
  EXPECT_TRUE(Replay(g, text)) << text;
  return Shapes(g.log);
}

// A gradient pattern's start and end (linear) or centre and radius
// (radial) in image units, with its spread.
std::string Geometry(const IPattern& p)
{
  IMatrix inverse = p.mTransform;
  inverse.Invert();
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  inverse.TransformPoint(x0, y0, 0.0, 0.0);
  inverse.TransformPoint(x1, y1, 0.0, 1.0);
  char s[96];
  if (p.mType == EPatternType::Radial)
    std::snprintf(s, sizeof(s), "radial (%g,%g) r%g spread %d", x0, y0, inverse.mXX, int(p.mExtend));
  else
    std::snprintf(s, sizeof(s), "linear (%g,%g) (%g,%g) spread %d", x0, y0, x1, y1, int(p.mExtend));
  return s;
}

} // namespace

TEST(SVGReplay, ASwitchDrawsOnlyItsFirstChildWhoseConditionsHold)
{
  EXPECT_EQ(Paints(R"svg(<switch>
      <!-- a comment is no child --> nor is text
      <rect systemLanguage="fr" width="1" height="1" fill="#010000"/>
      <rect requiredExtensions="http://example.org/ext" width="2" height="2" fill="#020000"/>
      <rect systemLanguage="de, EN-gb" width="3" height="3" fill="#030000"/>
      <rect width="4" height="4" fill="#040000"/>
    </switch>)svg"), Log{"Fill[255,3,0,0](0,0,3,3)"}) << "the reader's user reads English";

  EXPECT_EQ(Paints(R"svg(<switch>
      <g><rect width="5" height="5" fill="#050000"/><rect width="6" height="6" fill="#060000"/></g>
      <rect width="7" height="7" fill="#070000"/>
    </switch>)svg"), (Log{"Fill[255,5,0,0](0,0,5,5)", "Fill[255,6,0,0](0,0,6,6)"})) << "a chosen group draws whole";

  EXPECT_TRUE(Paints(R"svg(<switch>
      <rect display="none" width="8" height="8"/><rect width="9" height="9"/>
    </switch>)svg").empty()) << "display takes no part in the choice";
}

TEST(SVGReplay, APaintWhoseReferenceDoesNotResolveFallsBackToItsColour)
{
  EXPECT_EQ(Paints(R"svg(<g color="blue">
      <rect width="1" height="1" fill="url(#missing) red"/>
      <rect width="2" height="2" fill="url(#shape) currentColor" stroke="url( #missing ) #00FF00"/>
      <rect id="shape" width="3" height="3" fill="url(#missing)"/>
      <rect width="4" height="4" fill="url(#g) red"/>
      <linearGradient id="g"><stop offset="0" stop-color="#000080"/></linearGradient>
    </g>)svg"), (Log{"Fill[255,255,0,0](0,0,1,1)", "Fill[255,0,0,255](0,0,2,2)", "Stroke[255,0,255,0]1(0,0,0,0)",
                  "Fill[255,0,0,128](0,0,4,4)"}))
    << "no element / not a paint server: the colour; no fallback: nothing; a gradient: the gradient";
}

TEST(SVGReplay, AGradientTakesStopsAndSharedAttributesThroughHrefButNotTheOtherKindsGeometry)
{
  TestGDelegate dlg;
  SVGCanvas g(dlg);
  ASSERT_TRUE(Replay(g, R"svg(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink"
      width="40" height="40">
    <linearGradient id="red"><stop offset="0" stop-color="red"/></linearGradient>
    <linearGradient id="blue"><stop offset="0" stop-color="blue"/></linearGradient>
    <linearGradient id="both" href="#blue" xlink:href="#red"/>
    <linearGradient id="lin" cx="0.2" cy="0.2" r="0.1" spreadMethod="repeat">
      <stop offset="0" stop-color="lime"/></linearGradient>
    <radialGradient id="rad" xlink:href="#lin"/>
    <radialGradient id="rad2" x1="1" x2="1" y2="1" spreadMethod="reflect">
      <stop offset="0" stop-color="navy"/></radialGradient>
    <linearGradient id="lin2" href="#rad2"/>
    <rect width="20" height="20" fill="url(#both)"/>
    <rect width="20" height="20" fill="url(#rad)"/>
    <rect width="20" height="20" fill="url(#lin2)"/>
  </svg>)svg"));
  ASSERT_EQ(g.fills.size(), 3u);
  EXPECT_EQ(Str(g.fills[0].GetStop(0).mColor), "[255,0,0,255]") << "href wins over xlink:href";
  EXPECT_EQ(Str(g.fills[1].GetStop(0).mColor), "[255,0,255,0]");
  EXPECT_EQ(Geometry(g.fills[1]), "radial (10,10) r10 spread 3") << "the box's own circle, the repeat of lin";
  EXPECT_EQ(Str(g.fills[2].GetStop(0).mColor), "[255,0,0,128]");
  EXPECT_EQ(Geometry(g.fills[2]), "linear (0,0) (20,0) spread 2") << "left to right, the reflect of rad2";
}

TEST(SVGReplay, ColourFunctionsAndKeywordsIgnoreCase)
{
  EXPECT_EQ(Paints(R"svg(<g color="Blue">
      <rect width="1" height="1" fill="RGB(0, 128, 0)"/>
      <rect width="2" height="2" fill="Rgb(100%, 0%, 0%)"/>
      <rect width="3" height="3" fill="CURRENTCOLOR"/>
      <rect width="4" height="4" fill="NONE"/>
      <rect width="5" height="5" fill="URL(#missing) YELLOW"/>
    </g>)svg"), (Log{"Fill[255,0,128,0](0,0,1,1)", "Fill[255,255,0,0](0,0,2,2)", "Fill[255,0,0,255](0,0,3,3)",
                  "Fill[255,255,255,0](0,0,5,5)"}));
}

TEST(SVGReplay, AValueWithTrailingJunkIsIgnoredAndTheInheritedValueApplies)
{
  TestGDelegate dlg;
  SVGCanvas g(dlg);
  ASSERT_TRUE(Replay(g, R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="40" height="40">
    <g fill="#0000ff" fill-opacity="0.5" stroke="red" stroke-linejoin="round" opacity="0.5">
      <rect width="1" height="1" opacity="0.1mm" fill-opacity="1x" fill="rgb(0,255,0)x" stroke-linejoin="bevel junk"/>
      <rect width="2" height="2" style="fill: lime; fill-opacity: 0.25; opacity: 0.2 0.2"/>
    </g>
  </svg>)svg"));
  EXPECT_EQ(g.Only("Fill"), (Log{"Fill[64,0,0,255]", "Fill[32,0,255,0]"}))
    << "opacity 1 under the group's 0.5, fill-opacity 0.5 from the group / 0.25 of its own";
  ASSERT_EQ(g.strokeOptions.size(), 2u);
  EXPECT_EQ(g.strokeOptions[0].mJoinOption, EStrokeJoin::Round);
}

TEST(SVGReplay, CommentsInsideAStyleAreSkipped)
{
  EXPECT_EQ(Paints(R"svg(<rect width="3" height="3"
      style="/* fill: red; stroke: red */ fill: blue; stroke:/* a; b: c */green; stroke-width: 2 /* unclosed"/>)svg"),
            (Log{"Fill[255,0,0,255](0,0,3,3)", "Stroke[255,0,128,0]2(0,0,0,0)"}));
}

TEST(SVGReplay, PathDataIsDrawnUpToItsFirstErrorAndNothingWithoutALeadingMoveTo)
{
  EXPECT_EQ(Paints(R"svg(
      <path d="L10 10 20 0 Z" fill="red"/>
      <path d="10 10 L20 0" fill="red"/>
      <path d=" m2 2 h10 v10 z M20 20 L30" fill="#000001"/>
      <path d="M0 0 H30 V30 Z x M 0 0 H40 V40" fill="#000002"/>)svg"),
            (Log{"Fill[255,0,0,1](2,2,12,12)", "Fill[255,0,0,2](0,0,30,30)"}));
}
