// Small SVG files drawn through the whole drawing road (DrawSVG, the vector
// renderer, the Metal backend's main target) and probed as pixels.

#include "../Drawing/VectorCanvasStubs.h"
#include "ISVGControl.h"
#include "PresentedFrame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

using namespace pwtest;

namespace {

constexpr int kW = 60, kH = 40;

// The document fitted into kW x kH pixels on white, as 0xRRGGBB; also a PNG named after the test.
std::vector<uint32_t> Render(const char* text)
{
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  CAMetalLayer* layer = [[CAMetalLayer alloc] init];
  layer.drawableSize = CGSizeMake(kW, kH);
  StubCanvas g(kW, kH, 1.0f);
  g.OnViewInitialized(layer), g.DrawResize(), g.AttachPanelBackground(IPattern(COLOR_WHITE));
  const char* name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  g.AttachControl(new ISVGControl({0, 0, kW, kH}, g.LoadSVG(name, static_cast<const void*>(text), int(std::strlen(text)))));
  const std::vector<uint8_t> bgra = DrawAndReadFrame(g, layer, kW, kH);
  std::vector<uint32_t> rgb(kW * kH);
  for (size_t i = 0; i < rgb.size(); i++) rgb[i] = bgra[4 * i + 2] << 16 | bgra[4 * i + 1] << 8 | bgra[4 * i];
  PWMTLWriteTexturePNG(layer.pwPresentedTexture, (::testing::TempDir() + name + ".png").c_str());
  g.OnViewDestroyed(), [layer release], [pool release];
  return rgb;
}

} // namespace

// Each is filled black by default, over no area; only the stroked line shows.
TEST(SVGPixels, ALineOrAStraightOutlineFilledButNotStrokedLeavesNoTrace)
{
  const auto px = Render(R"(<svg width="60" height="40"><line x1="5" y1="10.5" x2="55" y2="10.5"/>
    <line x1="5.3" y1="5" x2="54.7" y2="35"/><polyline points="5,30.5 20,30.5 55,30.5"/><path d="M5 20 L55 20 L30 20 Z"/>
    <line x1="5" y1="37" x2="55" y2="37" stroke="blue" stroke-width="4"/></svg>)");
  for (int i = 0; i < kW * 34; i++) ASSERT_EQ(px[i], 0xFFFFFFu) << "at " << i % kW << "," << i / kW;
  EXPECT_EQ(px[36 * kW + 30], 0x0000FFu);
}

// A pentagram around (20, 21) whose turns all go one way but wind round
// twice: its centre is filled (nonzero), its notches are not.
TEST(SVGPixels, AStarDrawnAsOnePolygonKeepsItsNotchesAndFillsItsCentre)
{
  const auto px = Render(R"(<svg width="60" height="40">
    <polygon fill="lime" points="20,3 30.58,35.56 2.88,15.44 37.12,15.44 9.42,35.56"/></svg>)");
  for (auto [x, y] : {std::pair{20, 21}, {20, 7}, {30, 17}}) EXPECT_EQ(px[y * kW + x], 0x00FF00u) << x << "," << y;
  for (auto [x, y] : {std::pair{29, 11}, {11, 11}, {20, 33}}) EXPECT_EQ(px[y * kW + x], 0xFFFFFFu) << x << "," << y;
}

// A frame with a square hole beside a triangle whose corner (30, 30) the hole's
// ray from (90, 90) up the diagonal only grazes; drawn at a quarter size.
TEST(SVGPixels, AHoleStaysUnfilledBesideAnOutlineWhoseCornerItsRayGrazes)
{
  const auto px = Render(R"(<svg width="160" height="160"><path fill="#00ff00"
    d="M50 60 H150 V150 H50 Z M90 90 V110 H110 V90 Z M30 30 L40 10 L20 10 Z"/></svg>)");
  for (auto [x, y] : {std::pair{17, 32}, {7, 3}}) EXPECT_EQ(px[y * kW + x], 0x00FF00u) << x << "," << y << ": frame, triangle";
  for (auto [x, y] : {std::pair{25, 25}, {2, 35}}) EXPECT_EQ(px[y * kW + x], 0xFFFFFFu) << x << "," << y << ": hole, beside";
}

// A frame with a square touching its top edge from inside, turned about the
// frame's centre (100, 100) or on decimal coordinates, drawn at a fifth size:
// the square's middle stays white, the frame's body filled.
TEST(SVGPixels, ASquareTouchingItsFrameStaysAHoleTurnedOrRounded)
{
  for (const int angle : {0, 1, 30, 45, 58, 77, 90})
  {
    const std::string text = R"(<svg width="200" height="200"><g transform="rotate()" + std::to_string(angle) +
      R"svg( 100 100)"><path fill="#00ff00" d="M20 56h160v100h-160z M80 56h20v20h-20z"/></g></svg>)svg";
    const auto px = Render(text.c_str());
    // (90, 66) and (60, 120) turned about (100, 100).
    const double radians = angle * 3.14159265358979 / 180.0, c = std::cos(radians), s = std::sin(radians);
    auto at = [&](double x, double y) {
      return px[int(0.2 * (100 + (x - 100) * s + (y - 100) * c)) * kW + int(0.2 * (100 + (x - 100) * c - (y - 100) * s))];
    };
    EXPECT_EQ(at(90, 66), 0xFFFFFFu) << angle << " degrees: the square";
    EXPECT_EQ(at(60, 120), 0x00FF00u) << angle << " degrees: the frame";
  }
  const auto px = Render(R"(<svg width="200" height="200"><path fill="#00ff00"
    d="M20.1 56.3h160v100h-160z M20.1 80.3h20v20h-20z"/></svg>)");
  EXPECT_EQ(px[18 * kW + 6], 0xFFFFFFu) << "the square on decimal coordinates";
  EXPECT_EQ(px[24 * kW + 20], 0x00FF00u) << "the frame on decimal coordinates";
}
