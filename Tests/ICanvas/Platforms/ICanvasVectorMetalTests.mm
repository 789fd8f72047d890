#include "../Drawing/VectorCanvasStubs.h"
#include "../Drawing/VG/FontTestFonts.h"
#include "IPanelControl.h"
#include "LocateResource.h"
#include "VGMetal.h"

#include <Metal/PWShimMetal.h>
#include <QuartzCore/QuartzCore.h>

#include <gtest/gtest.h>

#include <string>

bool weft::LocateResource(const char*, const char*, LOOM_String&, const char*, void*, const char*) { return false; }

using namespace pwtest;

namespace
{
constexpr int kW = 160, kH = 100;

// A red card with a drop shadow and white text, and a green square cached
// in a layer, drawn where it was recorded and once more beside it.
class CardControl : public IControl
{
public:
  CardControl() : IControl(IRECT(0, 0, kW, kH)) {}
  void Draw(ICanvas& g) override
  {
    const IRECT card(20, 20, 70, 60);
    g.DrawFastDropShadow(card, card.GetPadded(12), 5, 6, 6);
    g.FillRoundRect(COLOR_RED, card, 6);
    g.DrawText(IText(24, COLOR_WHITE, "Roboto-Regular"), "Hi", card);
    if (!g.CheckLayer(layer))
    {
      g.StartLayer(this, IRECT(90, 20, 110, 40), true);
      g.FillRect(COLOR_GREEN, IRECT(90, 20, 110, 40));
      layer = g.EndLayer();
      layersMade++;
    }
    g.DrawLayer(layer);
    g.DrawBitmap(layer->GetBitmap(), IRECT(120, 20, 140, 40), 0, 0);
  }
  ILayerPtr layer;
  int layersMade = 0;
};

class MetalCanvas : public StubCanvas
{
public:
  MetalCanvas() : StubCanvas(kW, kH, 1.0f) {}
  ~MetalCanvas() override { OnViewDestroyed(); }
};

// The screen pixel (x, y) as r, g, b, a.
std::vector<int> Probe(CAMetalLayer* layer, int x, int y)
{
  uint8_t bgra[4] = {};
  [layer.pwPresentedTexture getBytes:bgra bytesPerRow:kW * 4 fromRegion:MTLRegionMake2D(x, y, 1, 1) mipmapLevel:0];
  return {bgra[2], bgra[1], bgra[0], bgra[3]};
}
} // namespace

TEST(ICanvasVectorMetal, AnEditorFrameReachesTheScreenThroughTheMainTarget)
{
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  CAMetalLayer* layer = [[CAMetalLayer alloc] init];
  layer.drawableSize = CGSizeMake(kW, kH);
  {
    MetalCanvas g;
    g.OnViewInitialized(layer);
    ASSERT_NE(g.GetDrawContext(), nullptr);
    g.DrawResize();
    PlatformFontPtr roboto = std::make_unique<FileFont>(kRobotoPath);
    ASSERT_TRUE(g.LoadAPIFont("Roboto-Regular", roboto));
    g.AttachPanelBackground(IPattern(COLOR_GRAY));
    auto* card = static_cast<CardControl*>(g.AttachControl(new CardControl()));

    for (int frame = 0; frame < 2; frame++)
    {
      g.SetAllControlsDirty();
      IRECTList rects;
      ASSERT_TRUE(g.IsDirty(rects));
      g.Draw(rects);
      id<MTLCommandBuffer> fence = [(id<MTLCommandQueue>)mvgCommandQueue(static_cast<VGcontext*>(g.GetDrawContext())) commandBuffer];
      [fence commit];
      [fence waitUntilCompleted];

      const std::string png = ::testing::TempDir() + "editor-frame.png";
      PWMTLWriteTexturePNG(layer.pwPresentedTexture, png.c_str());
      SCOPED_TRACE("frame " + std::to_string(frame) + ", image " + png);
      EXPECT_EQ(Probe(layer, 5, 90), std::vector<int>({127, 127, 127, 255})); // panel
      EXPECT_EQ(Probe(layer, 23, 57), std::vector<int>({255, 0, 0, 255}));    // card
      EXPECT_EQ(Probe(layer, 100, 30), std::vector<int>({0, 255, 0, 255}));   // layer where recorded
      EXPECT_EQ(Probe(layer, 130, 30), std::vector<int>({0, 255, 0, 255}));   // and beside it
      const std::vector<int> shadow = Probe(layer, 74, 50);
      EXPECT_LT(shadow[0], 110);
      EXPECT_EQ(shadow[0], shadow[2]);
      int white = 0;
      for (int y = 25; y < 55; y++)
        for (int x = 25; x < 65; x++) white += Probe(layer, x, y)[1] > 200;
      EXPECT_GT(white, 20); // the text's ink
    }
    EXPECT_EQ(card->layersMade, 1);
  }
  [layer release];
  [pool release];
}
