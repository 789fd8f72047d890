// Small SVG files drawn through the whole drawing road (DrawSVG, the vector
// renderer, the Metal backend's main target) onto a white window of
// kW x kH pixels, probed as pixels.

#include "../Drawing/VectorCanvasStubs.h"
#include "PresentedFrame.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace pwtest;

namespace {

constexpr int kW = 60, kH = 40;

struct SVGControl : IControl
{
  SVGControl(const ISVG& image, int w, int h) : IControl(IRECT(0, 0, float(w), float(h))), svg(image) {}
  void Draw(ICanvas& g) override { g.DrawSVG(svg, mRECT); }
  ISVG svg;
};

// The frame's pixels as 0xRRGGBB, w x h on a panel of the given colour; a
// failed probe finds the frame in a PNG named after the test.
std::vector<uint32_t> Render(const char* text, int w = kW, int h = kH, IColor panel = COLOR_WHITE)
{
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  CAMetalLayer* layer = [[CAMetalLayer alloc] init];
  layer.drawableSize = CGSizeMake(w, h);
  std::vector<uint32_t> rgb(size_t(w) * h);
  {
    StubCanvas g(w, h, 1.0f);
    g.OnViewInitialized(layer), g.DrawResize();
    g.AttachPanelBackground(IPattern(panel));
    const char* name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    g.AttachControl(new SVGControl(g.LoadSVG(name, static_cast<const void*>(text), int(std::strlen(text))), w, h));
    const std::vector<uint8_t> bgra = DrawAndReadFrame(g, layer, w, h);
    for (size_t i = 0; i < rgb.size(); i++) rgb[i] = bgra[4 * i + 2] << 16 | bgra[4 * i + 1] << 8 | bgra[4 * i];
    PWMTLWriteTexturePNG(layer.pwPresentedTexture, (::testing::TempDir() + name + ".png").c_str());
    g.OnViewDestroyed();
  }
  [layer release];
  [pool release];
  return rgb;
}

} // namespace

TEST(SVGPixels, ALineOrAStraightOutlineFilledButNotStrokedLeavesNoTrace)
{
  // Each is filled black by default, over no area; the stroked line is blue.
  const auto px = Render(R"(<svg xmlns="http://www.w3.org/2000/svg" width="60" height="40">
    <line x1="5" y1="10.5" x2="55" y2="10.5"/><line x1="5.3" y1="5" x2="54.7" y2="35"/>
    <polyline points="5,30.5 20,30.5 55,30.5"/><path d="M5 20 L55 20 L30 20 Z"/>
    <line x1="5" y1="37" x2="55" y2="37" stroke="blue" stroke-width="4"/></svg>)");
  for (int i = 0; i < kW * 34; i++) ASSERT_EQ(px[i], 0xFFFFFFu) << "at " << i % kW << "," << i / kW;
  EXPECT_EQ(px[36 * kW + 30], 0x0000FFu);
}

TEST(SVGPixels, AStarDrawnAsOnePolygonKeepsItsNotchesAndFillsItsCentre)
{
  // A pentagram around (20, 21): every turn goes the same way, but the
  // outline winds round twice, so its centre is filled (nonzero).
  const auto px = Render(R"(<svg xmlns="http://www.w3.org/2000/svg" width="60" height="40">
    <polygon fill="lime" points="20,3 30.58,35.56 2.88,15.44 37.12,15.44 9.42,35.56"/></svg>)");
  for (auto [x, y] : {std::pair{20, 21}, {20, 7}, {30, 17}}) EXPECT_EQ(px[y * kW + x], 0x00FF00u) << x << "," << y;
  for (auto [x, y] : {std::pair{29, 11}, {11, 11}, {20, 33}}) EXPECT_EQ(px[y * kW + x], 0xFFFFFFu) << x << "," << y;
}

// A green frame with a square hole, and beside it a triangle whose corner
// (30, 30) lies on the ray from the hole's corner (90, 90) up the diagonal:
// the ray only grazes it, so the hole stays a hole.
TEST(SVGPixels, AHoleStaysUnfilledBesideAnOutlineWhoseCornerItsRayGrazes)
{
  const auto px = Render(R"(<svg width="160" height="160"><path fill="#00ff00"
    d="M50 60 H150 V150 H50 Z M90 90 V110 H110 V90 Z M30 30 L40 10 L20 10 Z"/></svg>)", 160, 160, COLOR_GRAY);
  auto at = [&](int x, int y) { return px[y * 160 + x]; };
  EXPECT_EQ(at(100, 100), 0x7F7F7Fu) << "the hole";
  EXPECT_EQ(at(70, 130), 0x00FF00u) << "the frame";
  EXPECT_EQ(at(30, 15), 0x00FF00u) << "the triangle";
  EXPECT_EQ(at(10, 140), 0x7F7F7Fu) << "beside them";
}
