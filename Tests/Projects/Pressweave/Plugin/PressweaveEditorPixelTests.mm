// The editor drawn by the vector context into a Metal layer, after one idle
// tick in the default state, at scale 1 and 2; every frame is written as PNG.

#include "PressweaveTestRig.h"

#include "../../../ICanvas/Drawing/VG/FontTestFonts.h"
#include "../../../ICanvas/Drawing/VectorCanvasStubs.h"
#include "TestCanvas.h"
#include "VGMetal.h"

#include <Metal/PWShimMetal.h>
#include <QuartzCore/QuartzCore.h>

#include <array>
#include <chrono>
#include <thread>

using namespace pressweave;
using namespace weft::canvas;
using pw::test::DirectRig;

namespace {

// The vector context in a window-less Metal layer; opening lays out the
// delegate's controls and sends them the parameters' values, as the macOS
// context does; the only font is Roboto from its file.
class LayerCanvas : public weft::canvas::ICanvasVector
{
public:
  LayerCanvas(weft::IGEditorDelegate& dlg, int w, int h, float scale) : ICanvasVector(dlg, w, h, 60, scale)
  {
    layer = [[CAMetalLayer alloc] init];
    layer.drawableSize = CGSizeMake(w * scale, h * scale);
  }
  ~LayerCanvas() override
  {
    OnViewDestroyed();
    [layer release];
  }
  void* OpenWindow(void*) override
  {
    OnViewInitialized(layer);
    DrawResize();
    GetDelegate()->LayoutUI(this);
    GetDelegate()->OnUIOpen();
    return layer;
  }
  PlatformFontPtr LoadPlatformFont(const char*, const char*) override
  {
    return std::make_unique<pwtest::FileFont>(kRobotoPath);
  }
  // One frame of everything, waited for.
  void Frame()
  {
    IRECTList rects;
    SetAllControlsDirty(), IsDirty(rects), Draw(rects);
    id<MTLCommandBuffer> fence = [(id<MTLCommandQueue>)mvgCommandQueue((VGcontext*)GetDrawContext()) commandBuffer];
    [fence commit], [fence waitUntilCompleted];
  }
  // RGB of the screen pixel under point (x, y).
  int Probe(float x, float y)
  {
    const float s = GetDrawScale();
    uint8_t p[4] = {};
    [layer.pwPresentedTexture getBytes:p
                           bytesPerRow:static_cast<int>(Width() * s) * 4
                            fromRegion:MTLRegionMake2D(static_cast<int>(x * s), static_cast<int>(y * s), 1, 1)
                           mipmapLevel:0];
    return p[2] << 16 | p[1] << 8 | p[0]; // BGRA
  }
  void SavePNG(const std::string& name) { PWMTLWriteTexturePNG(layer.pwPresentedTexture, name.c_str()); }

  void GetMouseLocation(float& x, float& y) const override { x = y = 0.0f; }
  void HideMouseCursor(bool, bool) override {}
  void MoveMouseCursor(float, float) override {}
  void ForceEndUserEdit() override {}
  void CloseWindow() override {}
  void* GetWindow() override { return layer; }
  bool GetTextFromClipboard(LOOM_String&) override { return false; }
  bool SetTextInClipboard(const char*) override { return false; }
  void UpdateTooltips() override {}
  EMsgBoxResult ShowMessageBox(const char*, const char*, EMsgBoxType, IMsgBoxCompletionHandlerFunc) override { return kNoResult; }
  void PromptForFile(LOOM_String&, LOOM_String&, EFileAction, const char*, IFileDialogCompletionHandlerFunc) override {}
  void PromptForDirectory(LOOM_String&, IFileDialogCompletionHandlerFunc) override {}
  bool PromptForColor(IColor&, const char*, IColorPickerHandlerFunc) override { return false; }
  bool OpenURL(const char*, const char*, const char*, const char*) override { return false; }
  PlatformFontPtr LoadPlatformFont(const char*, const char*, ETextStyle) override { return nullptr; }
  PlatformFontPtr LoadPlatformFont(const char*, void*, int) override { return nullptr; }
  void CachePlatformFont(const char*, const PlatformFontPtr&) override {}
  void CreatePlatformTextEntry(int, const IText&, const IRECT&, int, const char*) override {}
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu&, const IRECT&, bool&) override { return nullptr; }

  CAMetalLayer* layer;
};

class PressweaveEditorPixels : public ::testing::TestWithParam<float>
{
protected:
  void SetUp() override
  {
    pool = [[NSAutoreleasePool alloc] init];
    rig.plug->graphicsFactory = [](Pressweave& p, int w, int h, int, float) {
      return new LayerCanvas(p, w, h, GetParam());
    };
    rig.plug->OpenWindow(nullptr);
    g = static_cast<LayerCanvas*>(rig.plug->GetUI());
  }
  void TearDown() override
  {
    rig.plug->CloseWindow();
    [pool release];
  }
  void Expect(const std::vector<std::array<int, 3>>& points, int tolerance, const std::string& png)
  {
    for (const auto& [x, y, rgb] : points)
    {
      const int got = g->Probe(x, y);
      for (int shift : {16, 8, 0})
        EXPECT_NEAR(got >> shift & 255, rgb >> shift & 255, tolerance)
          << "(" << x << ", " << y << ") " << std::hex << got << " in " << png;
    }
  }
  std::string Frame(const char* name)
  {
    g->Frame();
    const std::string png = ::testing::TempDir() + "pressweave-" + name + "-" + std::to_string(int(GetParam())) + ".png";
    g->SavePNG(png);
    return png;
  }

  NSAutoreleasePool* pool = nil;
  DirectRig rig{2, 0, 2};
  LayerCanvas* g = nullptr;
};

TEST_P(PressweaveEditorPixels, DefaultStateAfterOneIdleTick)
{
  ASSERT_NE(g, nullptr);
  weft::ITimeInfo transport;
  transport.mPPQPos = 0.0;
  rig.SetTransport(transport);
  rig.plug->OnIdle();
  std::string png = Frame("default");
  Expect({{880, 290, 0x010101}, {220, 300, 0x111111}, {14, 268, 0x06B2C4}, {44, 268, 0x2A2E33},
          {733, 332, 0x2A2E33}, {266, 355, 0x000000}, {937, 273, 0x004C5E}, {60, 310, 0xCCCCCC},
          {932, 210, 0x010101}},
         0, png);
  Expect({{453, 289, 0x0B363B}, {691, 339, 0xFF0000}, {200, 120, 0x1F2B2F}}, 2, png);

  // A full-scale signal, rendered and analysed, lights the INPUT bar.
  rig.Fill(0, 1.0), rig.Fill(1, 1.0);
  for (int i = 0; i < 8; ++i)
  {
    rig.Process(512);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    rig.plug->OnIdle();
  }
  png = Frame("signal");
  Expect({{932, 210, 0x1B1E22}}, 2, png);
}

TEST_P(PressweaveEditorPixels, InfoClickDarkensTheWindowWithTheAboutBox)
{
  rig.plug->OnIdle();
  Frame("before-info");
  Expect({{220, 330, 0x111111}}, 0, "before-info");
  g->OnMouseDown(pwtest::At(60, 320));
  g->OnMouseUp(pwtest::At(60, 320));
  for (int i = 0; i < 20; ++i)
  {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    g->Frame();
  }
  const std::string png = Frame("about");
  Expect({{220, 330, 0x040404}}, 2, png);
}

INSTANTIATE_TEST_SUITE_P(Scales, PressweaveEditorPixels, ::testing::Values(1.0f, 2.0f));

} // namespace
