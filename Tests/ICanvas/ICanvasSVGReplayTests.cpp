// Small SVG files replayed through a recording context: the paints that
// reach the path operations, as "Fill[a,r,g,b](box)".

#include "TestCanvas.h"

#include <gtest/gtest.h>

using namespace pwtest;

namespace {

// Keeps each filled pattern beside the log.
struct SVGCanvas : RecordingCanvas
{
  using RecordingCanvas::RecordingCanvas;
  void PathFill(const IPattern& p, const IFillOptions& o, const IBlend* b) override
  {
    RecordingCanvas::PathFill(p, o, b);
    fills.push_back(p);
  }
  std::vector<IPattern> fills;
};

// Replays a 40 x 40 document holding body at its own size, into g when given.
Log Paints(const std::string& body, SVGCanvas* pCanvas = nullptr)
{
  static int documents = 0; // the SVG cache keys on the name
  TestGDelegate dlg;
  SVGCanvas own(dlg);
  SVGCanvas& g = pCanvas ? *pCanvas : own;
  const std::string text = R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" )"
                           R"(width="40" height="40">)" + body + "</svg>";
  g.DrawSVG(g.LoadSVG(std::to_string(documents++).c_str(), static_cast<const void*>(text.c_str()),
                      static_cast<int>(text.size())), IRECT(0, 0, 40, 40));
  return Shapes(g.log);
}

} // namespace

TEST(SVGReplay, FillAndStrokeOpacityMultiplyTheShapesOpacity)
{
  EXPECT_EQ(Paints(R"svg(<rect width="1" height="1" fill="gray" fill-opacity="0.3"/>
                      <path d="M0 0 H2" fill="none" stroke="red" stroke-opacity="0.5" opacity="0.5"/>)svg"),
            (Log{"Fill[77,128,128,128](0,0,1,1)", "Stroke[64,255,0,0]1(0,0,2,0)"}));
}

TEST(SVGReplay, ASwitchDrawsOnlyItsFirstChildWhoseConditionsHold)
{
  EXPECT_EQ(Paints(R"svg(<switch> <!-- no child --> nor text <rect systemLanguage="fr" width="1" height="1"/>
      <rect requiredExtensions="http://example.org/x" width="2" height="2"/>
      <g systemLanguage="de, EN-gb"><rect width="3" height="3"/><rect width="4" height="4"/></g>
      <rect width="5" height="5"/></switch>)svg"), (Log{"Fill[255,0,0,0](0,0,3,3)", "Fill[255,0,0,0](0,0,4,4)"}))
    << "the reader's user reads English";
  EXPECT_TRUE(Paints(R"svg(<switch><rect display="none" width="1" height="1"/><rect width="2" height="2"/></switch>)svg")
                .empty()) << "display takes no part in the choice";
}

TEST(SVGReplay, APaintFallsBackToItsColourWhenItsReferenceNamesNoPaintServer)
{
  EXPECT_EQ(Paints(R"svg(<g color="blue"><rect width="1" height="1" fill="url(#missing) red"/>
      <rect id="r" width="2" height="2" fill="url(#r) currentColor"/><rect width="3" height="3" fill="url(#missing)"/>
      <rect width="4" height="4" fill="url(#g) red"/><linearGradient id="g"><stop stop-color="navy"/></linearGradient>
    </g>)svg"), (Log{"Fill[255,255,0,0](0,0,1,1)", "Fill[255,0,0,255](0,0,2,2)", "Fill[255,0,0,128](0,0,4,4)"}));
}

TEST(SVGReplay, AGradientTakesStopsAndSharedAttributesThroughHrefButNotTheOtherKindsGeometry)
{
  TestGDelegate dlg;
  SVGCanvas g(dlg);
  Paints(R"svg(<linearGradient id="red"><stop stop-color="red"/></linearGradient>
    <linearGradient id="blue"><stop stop-color="blue"/></linearGradient>
    <linearGradient id="both" href="#blue" xlink:href="#red"/>
    <linearGradient id="lin" cx="0.2" cy="0.2" r="0.1" spreadMethod="repeat"><stop stop-color="lime"/></linearGradient>
    <radialGradient id="rad" xlink:href="#lin"/>
    <rect width="20" height="20" fill="url(#both)"/><rect width="20" height="20" fill="url(#rad)"/>)svg", &g);
  ASSERT_EQ(g.fills.size(), 2u);
  EXPECT_EQ(Str(g.fills[0].GetStop(0).mColor), "[255,0,0,255]") << "href wins over xlink:href";
  IMatrix toImage = g.fills[1].mTransform;
  toImage.Invert(); // the unit circle onto the image: the box's own circle, not lin's stray r, cx, cy
  EXPECT_NEAR(toImage.mXX, 10.0, 1e-4);
  EXPECT_NEAR(toImage.mTX, 10.0, 1e-4);
  EXPECT_NEAR(toImage.mTY, 10.0, 1e-4);
  EXPECT_TRUE(g.fills[1].mExtend == EPatternSpread::Repeat && g.fills[1].GetStop(0).mColor == COLOR_GREEN);
}

TEST(SVGReplay, ColourFunctionsAndKeywordsIgnoreCase)
{
  EXPECT_EQ(Paints(R"svg(<g color="Blue"><rect width="1" height="1" fill="RGB(0, 128, 0)"/>
      <rect width="2" height="2" fill="CurrentColor"/><rect width="3" height="3" fill="NONE"/></g>)svg"),
            (Log{"Fill[255,0,128,0](0,0,1,1)", "Fill[255,0,0,255](0,0,2,2)"}));
}

TEST(SVGReplay, AValueWithTrailingJunkIsIgnoredForTheInheritedOrDefaultValue)
{
  TestGDelegate dlg;
  SVGCanvas g(dlg);
  EXPECT_EQ(Paints(R"svg(<g fill="blue" fill-opacity="0.5" stroke="red" stroke-linejoin="round">
      <rect width="1" height="1" opacity="0.1mm" fill-opacity="1x" fill="rgb(0,255,0)x" stroke-linejoin="bevel x"/>
    </g>)svg", &g)[0], "Fill[128,0,0,255](0,0,1,1)");
  EXPECT_EQ(g.strokeOptions.at(0).mJoinOption, EStrokeJoin::Round);
}

TEST(SVGReplay, CommentsInsideAStyleAreSkipped)
{
  EXPECT_EQ(Paints(R"svg(<rect width="3" height="3" style="/* fill: red; */ fill: blue; stroke:/* ; */green"/>)svg"),
            (Log{"Fill[255,0,0,255](0,0,3,3)", "Stroke[255,0,128,0]1(0,0,0,0)"}));
}

TEST(SVGReplay, PathDataIsDrawnUpToItsFirstErrorAndNotAtAllWithoutALeadingMoveTo)
{
  EXPECT_EQ(Paints(R"svg(<path d="L10 10 20 0 Z"/><path d=" m2 2 h10 v10 z M20 20 L30"/><path d="M0 0 H30 V30 Z x H40"/>)svg"),
            (Log{"Fill[255,0,0,0](2,2,12,12)", "Fill[255,0,0,0](0,0,30,30)"}));
}
