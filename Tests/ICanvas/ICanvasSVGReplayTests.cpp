// Small SVG files replayed through a recording context: the paints that
// reach the path operations, as "Fill[a,r,g,b](box)".

#include "SVGParser.h"
#include "TestCanvas.h"

#include <gtest/gtest.h>

using namespace pwtest;

namespace {

class SVGReplay : public testing::Test
{
protected:
  // Replays a 40 x 40 document holding body at its own size.
  Log Paints(const std::string& body)
  {
    static int documents = 0; // the SVG cache keys on the name
    const std::string text = "<svg width=\"40\" height=\"40\">" + body + "</svg>";
    g.DrawSVG(g.LoadSVG(std::to_string(documents++).c_str(), static_cast<const void*>(text.data()), int(text.size())),
              IRECT(0, 0, 40, 40));
    return Shapes(g.log);
  }
  TestGDelegate dlg;
  RecordingCanvas g{dlg}; // after the delegate it refers to
};

struct Case { const char* behaviour; const char* body; Log paints; };
void PrintTo(const Case& c, std::ostream* os) { *os << c.body; }
class SVGReplayOf : public SVGReplay, public testing::WithParamInterface<Case> {};

} // namespace

TEST_P(SVGReplayOf, PaintsWhatTheFileSays) { EXPECT_EQ(Paints(GetParam().body), GetParam().paints); }

INSTANTIATE_TEST_SUITE_P(SVGReplay, SVGReplayOf, testing::Values(
  Case{"FillAndStrokeOpacityMultiplyTheShapesOpacity", R"svg(<rect width="1" height="1" fill="gray" fill-opacity="0.3"/>
    <path d="M0 0 H2" fill="none" stroke="red" stroke-opacity="0.5" opacity="0.5"/>)svg",
    {"Fill[77,128,128,128](0,0,1,1)", "Stroke[64,255,0,0]1(0,0,2,0)"}},
  // The reader's user reads English; display takes no part in the choice.
  Case{"ASwitchDrawsOnlyItsFirstChildWhoseConditionsHold", R"svg(<switch> <!-- no child --> nor text
    <rect systemLanguage="fr" width="1" height="1"/><rect requiredExtensions="http://x.org/x" width="2" height="2"/>
    <g systemLanguage="de, EN-gb"><rect width="3" height="3"/><rect width="4" height="4"/></g><rect width="5" height="5"/>
    </switch><switch><rect display="none" width="6" height="6"/><rect width="7" height="7"/></switch>
    <switch><rect systemLanguage="enm" width="8" height="8"/><rect systemLanguage=" en" width="9" height="9"/></switch>)svg",
    {"Fill[255,0,0,0](0,0,3,3)", "Fill[255,0,0,0](0,0,4,4)", "Fill[255,0,0,0](0,0,9,9)"}},
  Case{"APaintFallsBackToItsColourWhenItsReferenceNamesNoPaintServer", R"svg(<g color="blue">
    <rect width="1" height="1" fill="url(#missing) red"/><rect id="r" width="2" height="2" fill="url(#r) currentColor"/>
    <rect width="3" height="3" fill="url(#missing)"/><rect width="4" height="4" fill="url(#g) red"/>
    <linearGradient id="g"><stop stop-color="navy"/></linearGradient><rect width="5" height="5" fill="url(#p) red"/>
    <pattern id="p" width="1" height="1"><rect width="1" height="1"/></pattern></g>)svg",
    {"Fill[255,255,0,0](0,0,1,1)", "Fill[255,0,0,255](0,0,2,2)", "Fill[255,0,0,128](0,0,4,4)"}},
  Case{"ColourFunctionsAndKeywordsIgnoreCase", R"svg(<g color="Blue"><rect width="1" height="1" fill="RGB(0,128,0)"/>
    <rect width="2" height="2" fill="CurrentColor"/><rect width="3" height="3" fill="NONE"/>
    <rect width="4" height="4" display="NONE"/></g>)svg",
    {"Fill[255,0,128,0](0,0,1,1)", "Fill[255,0,0,255](0,0,2,2)"}},
  Case{"CommentsInsideAStyleAreSkippedAndSeparateTokens", R"svg(<rect width="3" height="3" style="/* fill: red; */
    fill: blue; stroke:/* ; */green; stroke-width: 1/**/2; /* fill: red"/>)svg",
    {"Fill[255,0,0,255](0,0,3,3)", "Stroke[255,0,128,0]1(0,0,0,0)"}},
  Case{"AUrlIsReadInAnyCaseAndAMalformedOneLeavesTheInheritedPaint", R"svg(<g fill="blue">
    <rect width="1" height="1" fill="URL( #g )"/><rect width="2" height="2" fill="url(#g"/>
    <rect width="3" height="3" fill="url(#)"/><rect width="4" height="4" fill="url(xg)"/>
    <rect width="5" height="5" fill="url(#g) nonsense"/>
    <linearGradient id="g"><stop stop-color="navy"/></linearGradient></g>)svg",
    {"Fill[255,0,0,128](0,0,1,1)", "Fill[255,0,0,255](0,0,2,2)", "Fill[255,0,0,255](0,0,3,3)",
     "Fill[255,0,0,255](0,0,4,4)", "Fill[255,0,0,255](0,0,5,5)"}},
  // Stops come only through gradients; a gradient without stops paints nothing.
  Case{"AGradientsHrefToAnythingButAGradientIsIgnored", R"svg(<defs><g id="s"><stop stop-color="red"/></g>
    <linearGradient id="h" href="#s"/></defs><rect width="1" height="1" fill="url(#h) blue"/>)svg", {}},
  Case{"LengthsTakeBlanksAroundTheValueButNoneBeforeTheUnit", R"svg(<rect width=" 2 " height="2px "/>
    <rect width="3 px" height="3"/>)svg", {"Fill[255,0,0,0](0,0,2,2)"}},
  Case{"PathDataThatDoesNotBeginWithAMoveToDrawsNothing", R"svg(<path d="L10 10 20 0 Z"/><path d=" m2 2 h10 v10 z"/>)svg",
    {"Fill[255,0,0,0](2,2,12,12)"}}),
  [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.behaviour); });

TEST_F(SVGReplay, AValueWithTrailingJunkIsIgnoredForTheInheritedOrDefaultValue)
{
  EXPECT_EQ(Paints(R"svg(<g fill="blue" fill-opacity="0.5" stroke="red" stroke-opacity="0.5" stroke-linejoin="round"
    stroke-miterlimit="8" color="lime"><rect width="1" height="1" opacity="0.1mm" fill-opacity="1x" fill="rgb(0,255,0)x"
    stroke-linejoin="bevel x" stroke-opacity="1x" stroke-miterlimit="2x" stroke-width="3px x"/>
    <rect width="2" height="2" color="blue x" fill="currentColor" stroke="none"/></g>)svg"),
            (Log{"Fill[128,0,0,255](0,0,1,1)", "Stroke[128,255,0,0]1(0,0,0,0)", "Fill[128,0,255,0](0,0,2,2)"}));
  EXPECT_EQ(g.strokeOptions.at(0).mJoinOption, EStrokeJoin::Round);
  EXPECT_EQ(g.strokeOptions.at(0).mMiterLimit, 8.0f);
}

// The replay draws the parsed gradient; its geometry is checked as parsed.
TEST_F(SVGReplay, AGradientTakesStopsAndSpreadThroughHrefBeforeXlinkHrefButNotTheOtherKindsGeometry)
{
  const auto image = weft::svg::ParseSVG(R"svg(<svg width="40" height="40"><linearGradient id="red"><stop stop-color="red"/>
    </linearGradient><linearGradient id="lin" cx="0.2" r="0.1" spreadMethod="repeat"><stop stop-color="lime"/></linearGradient>
    <radialGradient id="rad" href="#lin" xlink:href="#red" r="50%" cy="0.2junk"/>
    <rect width="20" height="20" fill="url(#rad)"/></svg>)svg");
  const weft::svg::SVGGradient& rad = *image->shapes.at(0).fill.gradient;
  EXPECT_NEAR(rad.xform[0], 0.1f, 1e-6f) << "x' = (x - 10) / 10: r is 50% of the box";
  EXPECT_NEAR(rad.xform[4], -1.0f, 1e-5f) << "the box's own centre, not lin's stray cx";
  EXPECT_NEAR(rad.xform[5], -1.0f, 1e-5f) << "its own cy with trailing junk is the default 0.5";
  EXPECT_TRUE(rad.spread == weft::svg::kSpreadRepeat && rad.stops->at(0).color == 0xFF00FF00u);
}
