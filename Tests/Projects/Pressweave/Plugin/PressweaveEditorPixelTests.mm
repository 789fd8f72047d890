// The editor in a Metal layer at scale 1 and 2 (points doubled), as PNG.

#include "PressweaveTestRig.h"

#include "../../../ICanvas/Drawing/VG/FontTestFonts.h"
#include "../../../ICanvas/Drawing/VectorCanvasStubs.h"
#include "TestCanvas.h"
#include "VGMetal.h"

#include <Metal/PWShimMetal.h>
#include <QuartzCore/QuartzCore.h>
#include <thread>

using namespace weft::canvas;

namespace {

// Opening lays out the controls and sends them the parameters, as the macOS
// context does; Roboto comes from its file.
struct LayerCanvas : pwtest::StubCanvas
{
  LayerCanvas(weft::IGEditorDelegate& dlg, float s) : StubCanvas(dlg, 1000, 400, s) { layer.drawableSize = CGSizeMake(1000 * s, 400 * s); }
  ~LayerCanvas() override { OnViewDestroyed(), [layer release]; }
  void* OpenWindow(void*) override { return OnViewInitialized(layer), DrawResize(), GetDelegate()->LayoutUI(this), GetDelegate()->OnUIOpen(), layer; }
  PlatformFontPtr LoadPlatformFont(const char*, const char*) override { return std::make_unique<pwtest::FileFont>(kRobotoPath); }
  // Draws a whole frame, saves it and checks each point's RGB.
  void Check(const char* name, std::initializer_list<std::array<int, 4>> points)
  {
    IRECTList rects;
    SetAllControlsDirty(), IsDirty(rects), Draw(rects);
    id<MTLCommandBuffer> fence = [(id<MTLCommandQueue>)mvgCommandQueue((VGcontext*)GetDrawContext()) commandBuffer];
    [fence commit], [fence waitUntilCompleted];
    const std::string png = ::testing::TempDir() + "pressweave-" + name + std::to_string(int(GetDrawScale())) + ".png";
    PWMTLWriteTexturePNG(layer.pwPresentedTexture, png.c_str());
    const int s = int(GetDrawScale());
    for (const auto& [x, y, rgb, tolerance] : points)
    {
      uint8_t p[4] = {};
      [layer.pwPresentedTexture getBytes:p bytesPerRow:4000 * s fromRegion:MTLRegionMake2D(x * s, y * s, 1, 1) mipmapLevel:0];
      for (int c = 0; c < 3; ++c) // BGRA
        EXPECT_NEAR(p[c], rgb >> 8 * c & 255, tolerance) << x << "," << y << " in " << png;
    }
  }
  CAMetalLayer* layer = [[CAMetalLayer alloc] init];
};

class PressweaveEditorPixels : public ::testing::TestWithParam<float>
{
protected:
  void SetUp() override
  {
    rig.plug->graphicsFactory = [](pressweave::Pressweave& p, int, int, int, float) { return new LayerCanvas(p, GetParam()); };
    rig.plug->OpenWindow(nullptr);
    weft::ITimeInfo transport;
    transport.mPPQPos = 0.0;
    rig.SetTransport(transport);
    rig.plug->OnIdle();
  }
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  pw::test::DirectRig rig{2, 0, 2};
  LayerCanvas& g() { return *static_cast<LayerCanvas*>(rig.plug->GetUI()); }
  void TearDown() override { rig.plug->CloseWindow(), [pool release]; }
};

TEST_P(PressweaveEditorPixels, DefaultStateThenAFullScaleInput)
{
  g().Check("default", {{880, 290, 0x010101, 0}, {220, 300, 0x111111, 0}, {14, 268, 0x06B2C4, 0}, {44, 268, 0x2A2E33, 0},
                        {733, 332, 0x2A2E33, 0}, {266, 355, 0x000000, 0}, {937, 273, 0x004C5E, 0}, {60, 310, 0xCCCCCC, 0},
                        {932, 210, 0x010101, 0}, {453, 289, 0x0B363B, 2}, {691, 339, 0xFF0000, 2}, {200, 120, 0x1F2B2F, 2}});
  rig.Fill(0, 1.0), rig.Fill(1, 1.0);
  for (int i = 0; i < 8; ++i)
    rig.Process(512), std::this_thread::sleep_for(std::chrono::milliseconds(2)), rig.plug->OnIdle();
  g().Check("signal", {{932, 210, 0x1B1E22, 2}});
}

TEST_P(PressweaveEditorPixels, InfoClickDarkensTheWindowWithTheAboutBox)
{
  g().OnMouseDown(pwtest::At(60, 320)), g().OnMouseUp(pwtest::At(60, 320));
  for (int i = 0; i < 15; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20)), g().Check("info", {});
  g().Check("about", {{220, 330, 0x040404, 2}});
}

INSTANTIATE_TEST_SUITE_P(Scales, PressweaveEditorPixels, ::testing::Values(1.0f, 2.0f));

} // namespace
