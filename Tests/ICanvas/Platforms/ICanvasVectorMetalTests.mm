#include "../Drawing/VectorCanvasStubs.h"
#include "../Drawing/VG/FontTestFonts.h"
#include "VGMetal.h"

#include <Metal/PWShimMetal.h>
#include <QuartzCore/QuartzCore.h>

#include <gtest/gtest.h>

#include <array>

using namespace pwtest;

// A red card with a drop shadow and white text, and a green square cached
// in a layer, drawn where it was recorded and once more beside it.
struct CardControl : IControl
{
  CardControl() : IControl(IRECT(0, 0, 160, 100)) {}
  void Draw(ICanvas& g) override
  {
    const IRECT card(20, 20, 70, 60), square(90, 20, 110, 40);
    g.DrawFastDropShadow(card, card.GetPadded(12), 5, 6, 6);
    g.FillRoundRect(COLOR_RED, card, 6);
    g.DrawText(IText(24, COLOR_WHITE, "Roboto-Regular"), "Hi", card);
    if (!g.CheckLayer(layer))
      g.StartLayer(this, square, true), g.FillRect(COLOR_GREEN, square), layer = g.EndLayer(), layersMade++;
    g.DrawLayer(layer);
    g.DrawBitmap(layer->GetBitmap(), square.GetTranslated(30, 0), 0, 0);
  }
  ILayerPtr layer;
  int layersMade = 0;
};

TEST(ICanvasVectorMetal, AnEditorFrameReachesTheScreenThroughTheMainTarget)
{
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  CAMetalLayer* layer = [[CAMetalLayer alloc] init];
  layer.drawableSize = CGSizeMake(160, 100);
  StubCanvas g(160, 100, 1.0f);
  g.OnViewInitialized(layer), g.DrawResize();
  PlatformFontPtr roboto = std::make_unique<FileFont>(kRobotoPath);
  ASSERT_TRUE(g.LoadAPIFont("Roboto-Regular", roboto));
  g.AttachPanelBackground(IPattern(COLOR_GRAY));
  auto* card = static_cast<CardControl*>(g.AttachControl(new CardControl()));
  auto probe = [&](int x, int y) {
    uint8_t p[4] = {};
    [layer.pwPresentedTexture getBytes:p bytesPerRow:160 * 4 fromRegion:MTLRegionMake2D(x, y, 1, 1) mipmapLevel:0];
    return std::vector<int>({p[2], p[1], p[0], p[3]}); // BGRA on screen
  };
  for (int frame = 0; frame < 2; frame++)
  {
    IRECTList rects;
    g.SetAllControlsDirty(), g.IsDirty(rects), g.Draw(rects);
    id<MTLCommandBuffer> fence = [(id<MTLCommandQueue>)mvgCommandQueue((VGcontext*)g.GetDrawContext()) commandBuffer];
    [fence commit], [fence waitUntilCompleted];
    const std::string png = ::testing::TempDir() + "editor-frame.png";
    PWMTLWriteTexturePNG(layer.pwPresentedTexture, png.c_str());
    SCOPED_TRACE("frame " + std::to_string(frame) + ", image " + png);
    // panel, card, the layer where it was recorded and beside it
    for (auto [x, y, r, gr, b] : {std::array{5, 90, 127, 127, 127}, {23, 57, 255, 0, 0}, {100, 30, 0, 255, 0}, {130, 30, 0, 255, 0}})
      EXPECT_EQ(probe(x, y), std::vector<int>({r, gr, b, 255})) << x << "," << y;
    EXPECT_LT(probe(74, 50)[0], 110); // shadow, right of the card
    int ink = 0;
    for (int i = 0; i < 40 * 30; i++) ink += probe(25 + i % 40, 25 + i / 40)[1] > 200;
    EXPECT_GT(ink, 20); // white text on the red card
  }
  EXPECT_EQ(card->layersMade, 1);
  g.OnViewDestroyed();
  [layer release];
  [pool release];
}
