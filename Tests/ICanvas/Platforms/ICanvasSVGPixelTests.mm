// Small SVG files drawn through the whole drawing road (DrawSVG, the vector
// renderer, the Metal backend's main target) and probed as pixels.

#include "../Drawing/VectorCanvasStubs.h"
#include "VGMetal.h"

#include <Metal/PWShimMetal.h>
#include <QuartzCore/QuartzCore.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

using namespace pwtest;

namespace {

constexpr int kW = 60, kH = 40;

// Draws its image fitted into the whole window.
struct SVGControl : IControl
{
  explicit SVGControl(const ISVG& image) : IControl(IRECT(0, 0, kW, kH)), svg(image) {}
  void Draw(ICanvas& g) override { g.DrawSVG(svg, mRECT); }
  ISVG svg;
};

// One frame of a kW x kH window at scale 1 on a white panel holding a
// single SVG control.
class SVGPixels : public ::testing::Test
{
protected:
  void SetUp() override
  {
    pool = [[NSAutoreleasePool alloc] init];
    layer = [[CAMetalLayer alloc] init];
    layer.drawableSize = CGSizeMake(kW, kH);
  }
  void TearDown() override
  {
    if (canvas)
      canvas->OnViewDestroyed();
    canvas.reset();
    [layer release];
    [pool release];
  }

  void Render(const char* text)
  {
    canvas = std::make_unique<StubCanvas>(kW, kH, 1.0f);
    canvas->OnViewInitialized(layer);
    canvas->DrawResize();
    canvas->AttachPanelBackground(IPattern(COLOR_WHITE));
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const ISVG svg = canvas->LoadSVG(name.c_str(), static_cast<const void*>(text), static_cast<int>(std::strlen(text)));
    ASSERT_TRUE(svg.IsValid());
    canvas->AttachControl(new SVGControl(svg));
    IRECTList rects;
    canvas->SetAllControlsDirty();
    canvas->IsDirty(rects);
    canvas->Draw(rects);
    id<MTLCommandBuffer> fence =
      [(id<MTLCommandQueue>)mvgCommandQueue((VGcontext*)canvas->GetDrawContext()) commandBuffer];
    [fence commit];
    [fence waitUntilCompleted];
  }

  // Red, green, blue and alpha of the presented pixel.
  std::array<int, 4> At(int x, int y) const
  {
    uint8_t p[4] = {};
    [layer.pwPresentedTexture getBytes:p bytesPerRow:kW * 4 fromRegion:MTLRegionMake2D(x, y, 1, 1) mipmapLevel:0];
    return {p[2], p[1], p[0], p[3]}; // BGRA on screen
  }

  // Writes the frame to a PNG named after the test, for a failed probe.
  std::string Dump() const
  {
    const std::string path =
      ::testing::TempDir() + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".png";
    PWMTLWriteTexturePNG(layer.pwPresentedTexture, path.c_str());
    return "image: " + path;
  }

  void ExpectNear(int x, int y, std::array<int, 4> expected, int tolerance = 2) const
  {
    const std::array<int, 4> got = At(x, y);
    for (int c = 0; c < 4; c++)
      EXPECT_NEAR(got[c], expected[c], tolerance) << "(" << x << "," << y << ") channel " << c << " " << Dump();
  }

  NSAutoreleasePool* pool = nil;
  CAMetalLayer* layer = nil;
  std::unique_ptr<StubCanvas> canvas;
};

constexpr std::array<int, 4> kWhite{255, 255, 255, 255};

} // namespace

TEST_F(SVGPixels, FillAndStrokeOpacityLetWhatLiesBelowShowThrough)
{
  // A red backdrop under black at 30 %, at 50 % of an element at 50 %, and a
  // black stroke at 50 %; the last stripe has no opacity and hides the red.
  Render(R"(<svg xmlns="http://www.w3.org/2000/svg" width="60" height="40">
    <rect width="60" height="40" fill="#ff0000"/>
    <rect width="15" height="40" fill="black" fill-opacity="0.3"/>
    <rect x="15" width="15" height="40" fill="black" fill-opacity="0.5" opacity="0.5"/>
    <path d="M30 20 H45" stroke="black" stroke-width="40" stroke-opacity="0.5" fill="none"/>
    <rect x="45" width="15" height="40" fill="black"/>
  </svg>)");
  ExpectNear(7, 20, {179, 0, 0, 255});
  ExpectNear(22, 20, {191, 0, 0, 255});
  ExpectNear(37, 20, {128, 0, 0, 255});
  ExpectNear(52, 20, {0, 0, 0, 255}, 0);
}

TEST_F(SVGPixels, ALineOrAStraightPolylineWithoutAStrokeLeavesNoTrace)
{
  // Each is filled black by default, but a fill over no area draws nothing.
  Render(R"(<svg xmlns="http://www.w3.org/2000/svg" width="60" height="40">
    <line x1="5" y1="10.5" x2="55" y2="10.5"/>
    <line x1="5.3" y1="5" x2="54.7" y2="35"/>
    <polyline points="5,30.5 20,30.5 55,30.5"/>
    <path d="M5 20 L55 20 L30 20 Z"/>
  </svg>)");
  int marked = 0;
  for (int y = 0; y < kH; y++)
    for (int x = 0; x < kW; x++)
      marked += At(x, y) != kWhite;
  EXPECT_EQ(marked, 0) << Dump();
}

TEST_F(SVGPixels, AStrokedLineStillDrawsItsStroke)
{
  Render(R"(<svg xmlns="http://www.w3.org/2000/svg" width="60" height="40">
    <line x1="5" y1="20" x2="55" y2="20" stroke="blue" stroke-width="4"/>
  </svg>)");
  ExpectNear(30, 19, {0, 0, 255, 255}, 0);
  ExpectNear(30, 25, kWhite, 0);
}

TEST_F(SVGPixels, AStarDrawnAsOnePolygonKeepsItsPointsAndFillsItsCentre)
{
  // A pentagram around (20, 21) of radius 18: every turn goes the same way,
  // but the outline winds round twice. Its centre is wound twice and filled
  // (nonzero); the notches between the tips stay empty.
  Render(R"(<svg xmlns="http://www.w3.org/2000/svg" width="60" height="40">
    <polygon fill="green" points="20,3 30.58,35.56 2.88,15.44 37.12,15.44 9.42,35.56"/>
  </svg>)");
  ExpectNear(20, 21, {0, 128, 0, 255}, 0);
  ExpectNear(20, 7, {0, 128, 0, 255}, 0);
  ExpectNear(30, 17, {0, 128, 0, 255}, 0);
  ExpectNear(29, 11, kWhite, 0);
  ExpectNear(11, 11, kWhite, 0);
  ExpectNear(20, 33, kWhite, 0);
}
