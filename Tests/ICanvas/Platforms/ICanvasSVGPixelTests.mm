// Small SVG files drawn through the whole drawing road (DrawSVG, the vector
// renderer, the Metal backend's main target) onto a white window of
// kW x kH pixels, probed as pixels.

#include "../Drawing/VectorCanvasStubs.h"
#include "VGMetal.h"

#include <Metal/PWShimMetal.h>
#include <QuartzCore/QuartzCore.h>

#include <gtest/gtest.h>

#include <cstring>

using namespace pwtest;

namespace {

constexpr int kW = 60, kH = 40;

struct SVGControl : IControl
{
  explicit SVGControl(const ISVG& image) : IControl(IRECT(0, 0, kW, kH)), svg(image) {}
  void Draw(ICanvas& g) override { g.DrawSVG(svg, mRECT); }
  ISVG svg;
};

// The frame's pixels as 0xRRGGBB; a failed probe finds the frame in a PNG
// named after the test.
std::vector<uint32_t> Render(const char* text)
{
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  CAMetalLayer* layer = [[CAMetalLayer alloc] init];
  layer.drawableSize = CGSizeMake(kW, kH);
  std::vector<uint32_t> rgb(kW * kH);
  {
    StubCanvas g(kW, kH, 1.0f);
    g.OnViewInitialized(layer), g.DrawResize();
    g.AttachPanelBackground(IPattern(COLOR_WHITE));
    const char* name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    g.AttachControl(new SVGControl(g.LoadSVG(name, static_cast<const void*>(text), int(std::strlen(text)))));
    IRECTList rects;
    g.SetAllControlsDirty(), g.IsDirty(rects), g.Draw(rects);
    id<MTLCommandBuffer> fence = [(id<MTLCommandQueue>)mvgCommandQueue((VGcontext*)g.GetDrawContext()) commandBuffer];
    [fence commit], [fence waitUntilCompleted];
    std::vector<uint8_t> bgra(kW * kH * 4);
    [layer.pwPresentedTexture getBytes:bgra.data() bytesPerRow:kW * 4 fromRegion:MTLRegionMake2D(0, 0, kW, kH) mipmapLevel:0];
    for (int i = 0; i < kW * kH; i++) rgb[i] = bgra[4 * i + 2] << 16 | bgra[4 * i + 1] << 8 | bgra[4 * i];
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
