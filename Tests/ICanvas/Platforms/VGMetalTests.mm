#include "VGMetal.h"
#include "VGRenderer.h"
#include "VGText.h"

#include <Metal/PWShimMetal.h>
#include <QuartzCore/QuartzCore.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <string>
#include <thread>
#include <vector>

extern "C" BOOL GSRegisterCurrentThread(void);
extern "C" void GSUnregisterCurrentThread(void);

namespace
{
constexpr int kW = 64, kH = 64;

// A backend on a layer with the drawing context's flags, drawing into an
// offscreen target of kW x kH pixels.
class MetalBackend : public ::testing::Test
{
protected:
  void SetUp() override
  {
    pool = [[NSAutoreleasePool alloc] init];
    layer = [[CAMetalLayer alloc] init];
    layer.drawableSize = CGSizeMake(kW, kH);
    ctx = vgCreateMTL(layer, VG_ANTIALIAS | VG_TRIPLE_BUFFER);
    ASSERT_NE(ctx, nullptr);
    fb = mvgCreateFramebuffer(ctx, kW, kH, 0);
    ASSERT_NE(fb, nullptr);
    mvgBindFramebuffer(fb);
  }
  void TearDown() override
  {
    mvgBindFramebuffer(nullptr);
    mvgDeleteFramebuffer(fb);
    vgDeleteMTL(ctx);
    [layer release];
    [pool release];
  }

  // One frame into the target, cleared to clear first; returns its pixels.
  const std::vector<uint8_t>& Render(const std::function<void(VGcontext*)>& draw, VGcolor clear = {})
  {
    mvgClearWithColor(ctx, clear);
    vgBeginFrame(ctx, kW, kH, 1.f);
    draw(ctx);
    vgEndFrame(ctx);
    pixels.assign(kW * kH * 4, 0);
    mvgReadPixels(ctx, fb->image, 0, 0, kW, kH, pixels.data());
    return pixels;
  }

  const uint8_t* At(int x, int y) const { return &pixels[(y * kW + x) * 4]; }

  // Writes the target to a PNG named after the test, for a failed probe.
  std::string Dump()
  {
    const std::string path = ::testing::TempDir() + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                             ".png";
    PWMTLWriteTexturePNG(mvgImageHandle(ctx, fb->image), path.c_str());
    return "image: " + path;
  }

  NSAutoreleasePool* pool = nil;
  CAMetalLayer* layer = nil;
  VGcontext* ctx = nullptr;
  MVGframebuffer* fb = nullptr;
  std::vector<uint8_t> pixels;
};

TEST_F(MetalBackend, AntialiasedRoundedRectCoversItsInsideFullyAndItsEdgesPartly)
{
  Render([](VGcontext* vg) {
    vgBeginPath(vg);
    vgRoundedRect(vg, 8.5f, 8.5f, 47.f, 47.f, 8.f);
    vgFillColor(vg, vgRGB(255, 0, 0));
    vgFill(vg);
  });
  for (int y = 11; y < 53; y++)
    for (int x = 11; x < 53; x++)
      ASSERT_EQ(At(x, y)[3], 255) << x << "," << y << " " << Dump();
  for (int y = 20; y < 44; y++)
  {
    // Pixel 8's centre lies on the left edge, pixel 55's on the right one.
    EXPECT_GT(At(8, y)[3], 0) << y << " " << Dump();
    EXPECT_LT(At(8, y)[3], 255) << y;
    EXPECT_GT(At(55, y)[3], 0) << y;
    EXPECT_LT(At(55, y)[3], 255) << y;
    EXPECT_EQ(At(6, y)[3], 0) << y;
  }
  EXPECT_EQ(At(9, 9)[3], 0) << "outside the corner's arc " << Dump();
  EXPECT_EQ(At(32, 32)[0], 255);
}

TEST_F(MetalBackend, ConcaveStarFillsNonZeroAndAHoleStaysEmpty)
{
  Render([](VGcontext* vg) {
    // A pentagram: its centre is wound twice and still filled.
    vgBeginPath(vg);
    for (int i = 0; i < 5; i++)
    {
      const float a = -1.5707964f + i * 2.f * 2.f * 3.1415927f / 5.f;
      const float x = 20.f + 18.f * std::cos(a), y = 22.f + 18.f * std::sin(a);
      i == 0 ? vgMoveTo(vg, x, y) : vgLineTo(vg, x, y);
    }
    vgClosePath(vg);
    vgFillColor(vg, vgRGB(0, 0, 255));
    vgFill(vg);
    // A square with a square hole.
    vgBeginPath(vg);
    vgRect(vg, 40, 40, 20, 20);
    vgRect(vg, 46, 46, 8, 8);
    vgPathWinding(vg, VG_HOLE);
    vgFillColor(vg, vgRGB(0, 255, 0));
    vgFill(vg);
  });
  EXPECT_EQ(At(20, 22)[3], 255) << "star centre " << Dump();
  EXPECT_EQ(At(20, 7)[3], 255) << "top tip";
  EXPECT_EQ(At(20, 38)[3], 0) << "between the lower tips";
  EXPECT_EQ(At(42, 50)[1], 255) << "square ring";
  EXPECT_EQ(At(50, 50)[3], 0) << "the hole " << Dump();
}

TEST_F(MetalBackend, CapsAndJoinsShapeTheStrokeEnds)
{
  // A 12-unit wide stroke from (16, y) right to (40, y), then down by 12.
  struct Case
  {
    int cap, join;
    bool pastEnd;    // (2 past the start, on the axis) covered
    bool pastCorner; // 3.5 right of and above the corner: inside a round join
    bool miterTip;   // 4.5 right of and above it: only a mitre reaches
  } cases[] = {
    {VG_BUTT, VG_MITER, false, true, true},   {VG_SQUARE, VG_BEVEL, true, false, false},
    {VG_ROUND, VG_ROUND, true, true, false},
  };
  for (const Case& c : cases)
  {
    Render([&](VGcontext* vg) {
      vgBeginPath(vg);
      vgMoveTo(vg, 16, 20);
      vgLineTo(vg, 40, 20);
      vgLineTo(vg, 40, 50);
      vgStrokeWidth(vg, 12);
      vgLineCap(vg, c.cap);
      vgLineJoin(vg, c.join);
      vgStrokeColor(vg, vgRGB(255, 255, 255));
      vgStroke(vg);
    });
    EXPECT_EQ(At(13, 20)[3] == 255, c.pastEnd) << c.cap << " " << Dump();
    EXPECT_EQ(At(43, 16)[3] == 255, c.pastCorner) << c.join << " " << Dump();
    EXPECT_EQ(At(44, 15)[3] == 255, c.miterTip) << c.join;
    EXPECT_EQ(At(28, 20)[3], 255); // the line itself
  }
}

TEST_F(MetalBackend, BoxGradientShadowFadesOutwardsAcrossItsFeather)
{
  Render([](VGcontext* vg) {
    vgBeginPath(vg);
    vgRect(vg, 0, 0, kW, kH);
    vgFillPaint(vg, vgBoxGradient(vg, 16, 16, 32, 32, 4, 16, vgRGBA(0, 0, 0, 255), vgRGBA(0, 0, 0, 0)));
    vgFill(vg);
  });
  EXPECT_EQ(At(32, 32)[3], 255) << Dump();
  // Along the middle row alpha falls from inside over the edge to nothing.
  for (int x = 24; x < 60; x++)
    EXPECT_LE(At(x + 1, 32)[3], At(x, 32)[3]) << x;
  EXPECT_NEAR(At(48, 32)[3], 128, 8) << "half way at the box edge";
  EXPECT_EQ(At(63, 32)[3], 0);
}

TEST_F(MetalBackend, ImagePatternRepeatsWithNearestSampling)
{
  // 2x2 texels: red, green / blue, white; each covers 4x4 pixels.
  const uint8_t texels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
  const int image =
    vgCreateImageRGBA(ctx, 2, 2, VG_IMAGE_REPEATX | VG_IMAGE_REPEATY | VG_IMAGE_NEAREST, texels);
  ASSERT_GT(image, 0);
  Render([image](VGcontext* vg) {
    vgBeginPath(vg);
    vgRect(vg, 0, 0, 32, 32);
    vgFillPaint(vg, vgImagePattern(vg, 0, 0, 8, 8, 0, image, 1.f));
    vgFill(vg);
  });
  const struct
  {
    int x, y;
    uint8_t r, g, b;
  } probes[] = {{1, 1, 255, 0, 0}, {3, 3, 255, 0, 0}, {4, 1, 0, 255, 0}, {1, 5, 0, 0, 255},
                {6, 6, 255, 255, 255}, {9, 1, 255, 0, 0}, {13, 14, 255, 255, 255}, {28, 20, 255, 255, 255}, {24, 20, 0, 0, 255}};
  for (const auto& p : probes)
  {
    EXPECT_EQ(At(p.x, p.y)[0], p.r) << p.x << "," << p.y << " " << Dump();
    EXPECT_EQ(At(p.x, p.y)[1], p.g) << p.x << "," << p.y;
    EXPECT_EQ(At(p.x, p.y)[2], p.b) << p.x << "," << p.y;
  }
  vgDeleteImage(ctx, image);
}

TEST_F(MetalBackend, CompositeOperationsBlendPremultipliedByTheirFactors)
{
  // Destination: premultiplied (0.4, 0, 0, 0.4) written by copy; source
  // (0, 0.6, 0, 0.6) premultiplied. Expected from the factor table.
  const float s[4] = {0.f, 0.6f, 0.f, 0.6f}, d[4] = {0.4f, 0.f, 0.f, 0.4f};
  const float sa = s[3], da = d[3];
  const struct
  {
    int op;
    float fs, fd;
  } ops[] = {{VG_SOURCE_OVER, 1, 1 - sa},      {VG_SOURCE_IN, da, 0},      {VG_SOURCE_OUT, 1 - da, 0},
             {VG_ATOP, da, 1 - sa},            {VG_DESTINATION_OVER, 1 - da, 1}, {VG_DESTINATION_IN, 0, sa},
             {VG_DESTINATION_OUT, 0, 1 - sa},  {VG_DESTINATION_ATOP, 1 - da, sa}, {VG_LIGHTER, 1, 1},
             {VG_COPY, 1, 0},                  {VG_XOR, 1 - da, 1 - sa}};
  for (const auto& o : ops)
  {
    Render([&](VGcontext* vg) {
      vgBeginPath(vg);
      vgRect(vg, 0, 0, kW, kH);
      vgGlobalCompositeOperation(vg, VG_COPY);
      vgFillColor(vg, vgRGBAf(1.f, 0.f, 0.f, 0.4f));
      vgFill(vg);
      vgGlobalCompositeOperation(vg, o.op);
      vgFillColor(vg, vgRGBAf(0.f, 1.f, 0.f, 0.6f));
      vgFill(vg);
    });
    for (int c = 0; c < 4; c++)
      EXPECT_NEAR(At(32, 32)[c], std::min(1.f, s[c] * o.fs + d[c] * o.fd) * 255.f, 1.5f)
        << "op " << o.op << " channel " << c;
  }
}

TEST_F(MetalBackend, TargetsClearReadBackSubRectanglesAndDropDrawsOfDeletedImages)
{
  // An empty frame still runs the clear of its target.
  Render([](VGcontext*) {}, vgRGBAf(1.f, 0.f, 0.f, 0.5f));
  EXPECT_EQ(At(10, 10)[0], 128);
  EXPECT_EQ(At(10, 10)[3], 128);
  // A sub-rectangle comes back at a stride of its own width.
  std::vector<uint8_t> part(3 * 2 * 4, 7);
  mvgReadPixels(ctx, fb->image, 60, 62, 3, 2, part.data());
  EXPECT_EQ(part[(1 * 3 + 2) * 4 + 0], 128);
  std::vector<uint8_t> untouched(4, 7);
  mvgReadPixels(ctx, fb->image, 62, 62, 3, 2, untouched.data()); // past the image: nothing
  EXPECT_EQ(untouched[0], 7);

  // No image for an empty size, and ids stay unique.
  EXPECT_EQ(vgCreateImageRGBA(ctx, 0, 4, 0, nullptr), 0);
  const uint8_t white[4] = {255, 255, 255, 255};
  const int image = vgCreateImageRGBA(ctx, 1, 1, 0, white);
  ASSERT_GT(image, 0);
  vgDeleteImage(ctx, image);
  EXPECT_GT(vgCreateImageRGBA(ctx, 1, 1, 0, white), image);
  Render(
    [image](VGcontext* vg) {
      vgBeginPath(vg);
      vgRect(vg, 0, 0, kW, kH);
      vgFillPaint(vg, vgImagePattern(vg, 0, 0, 4, 4, 0, image, 1.f));
      vgFill(vg);
    },
    vgRGBAf(0.f, 0.f, 1.f, 1.f));
  EXPECT_EQ(At(10, 10)[0], 0) << "a deleted image's draw is dropped " << Dump();
  EXPECT_EQ(At(10, 10)[2], 255);
}

TEST_F(MetalBackend, TrianglesShadeAnAlphaTextureUpdatedInPlaceLikeAtlasText)
{
  // A 2x1 alpha image as the atlas of a glyph run: left texel set, right clear.
  VGbackendParams* params = vgInternalParams(ctx);
  const uint8_t texels[2] = {255, 0};
  const int atlas = params->renderCreateTexture(params->userPtr, VG_TEXTURE_ALPHA, 2, 1, VG_IMAGE_NEAREST, texels);
  ASSERT_GT(atlas, 0);
  const uint8_t updated[2] = {0, 128}; // the whole image; only texel (1, 0) is copied
  EXPECT_EQ(params->renderUpdateTexture(params->userPtr, atlas, 1, 0, 1, 1, updated), 1);
  EXPECT_EQ(params->renderUpdateTexture(params->userPtr, atlas, 1, 0, 2, 1, updated), 0); // past the image
  Render([&](VGcontext*) {
    VGpaint paint = {};
    paint.xform[0] = paint.xform[3] = 1.f;
    paint.innerColor = paint.outerColor = vgRGBAf(0.f, 1.f, 0.f, 1.f);
    paint.image = atlas;
    VGscissor scissor = {{0, 0, 0, 0, 0, 0}, {-1.f, -1.f}};
    const VGvertex quad[6] = {{0, 0, 0, 0}, {0, 32, 0, 1}, {32, 32, 1, 1}, {0, 0, 0, 0}, {32, 32, 1, 1}, {32, 0, 1, 0}};
    VGcompositeOperationState over = {VG_ONE, VG_ONE_MINUS_SRC_ALPHA, VG_ONE, VG_ONE_MINUS_SRC_ALPHA};
    params->renderTriangles(params->userPtr, &paint, over, &scissor, quad, 6, 1.f);
  });
  EXPECT_EQ(At(8, 16)[1], 255) << Dump();
  EXPECT_EQ(At(8, 16)[3], 255);
  EXPECT_EQ(At(24, 16)[1], 128);
  EXPECT_EQ(At(40, 16)[3], 0);
  EXPECT_EQ(params->renderDeleteTexture(params->userPtr, atlas), 1);
  EXPECT_EQ(params->renderDeleteTexture(params->userPtr, atlas), 0);
}

TEST_F(MetalBackend, TextFromTheAtlasInksGlyphsAndLeavesTheirGapsClear)
{
  const int font = vgCreateFont(ctx, "roboto", "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf");
  ASSERT_GE(font, 0);
  // "HI" in white, baseline at 50: caps about 24 pixels tall, H's bar 13 up.
  VGglyphPlace glyphs[2];
  Render([&](VGcontext* vg) {
    vgFontFaceId(vg, font);
    vgFontSize(vg, 40.f);
    vgTextAlign(vg, VG_ALIGN_LEFT | VG_ALIGN_BASELINE);
    vgFillColor(vg, vgRGB(255, 255, 255));
    ASSERT_EQ(vgTextGlyphPositions(vg, 4, 50, "HI", nullptr, glyphs, 2), 2);
    vgText(vg, 4, 50, "HI", nullptr);
  });
  const int hLeft = (int)glyphs[0].minx, hRight = (int)glyphs[0].maxx, iMid = (int)((glyphs[1].minx + glyphs[1].maxx) / 2);
  const int middle = 50 - 14, top = 50 - 18;
  const int hMid = (hLeft + hRight) / 2;
  // x, y, ink expected: H's stems, its bar, I's stem; between H's stems,
  // below the baseline, after the text, above it.
  const int probes[][3] = {{hLeft + 3, top, 1}, {hRight - 4, top, 1}, {hMid, middle, 1}, {iMid, middle, 1},
                           {iMid, top, 1},      {hMid, top, 0},       {hMid, 56, 0},     {(int)glyphs[1].maxx + 4, middle, 0},
                           {2, 8, 0}};
  for (const auto& p : probes)
    EXPECT_TRUE(p[2] ? At(p[0], p[1])[3] > 200 : At(p[0], p[1])[3] == 0)
      << p[0] << "," << p[1] << ": " << +At(p[0], p[1])[3] << " " << Dump();
}

TEST_F(MetalBackend, EightBitShadingMatchesTheFloatFormsWithinAStep)
{
  const uint8_t checker[16] = {255, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0, 128};
  const int image = vgCreateImageRGBA(ctx, 2, 2, VG_IMAGE_REPEATX | VG_IMAGE_REPEATY, checker);
  const int font = vgCreateFont(ctx, "roboto", "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf");
  ASSERT_GT(image, 0);
  auto scene = [&](VGcontext* vg) {
    vgBeginPath(vg); // linear gradients down and across
    vgRect(vg, 0, 0, kW, kH / 2);
    vgFillPaint(vg, vgLinearGradient(vg, 0, 0, 0, kH, vgRGB(40, 42, 48), vgRGB(240, 25, 128)));
    vgFill(vg);
    vgBeginPath(vg);
    vgRect(vg, 0, kH / 2, kW, kH / 2);
    vgFillPaint(vg, vgLinearGradient(vg, 0, 0, kW, 0, vgRGBA(0, 255, 0, 200), vgRGBA(255, 0, 0, 30)));
    vgFill(vg);
    vgBeginPath(vg); // a shadow, a radial knob, a translucent stroke, an image, text
    vgRect(vg, 4, 4, 40, 30);
    vgFillPaint(vg, vgBoxGradient(vg, 8, 10, 30, 20, 4, 6, vgRGBA(0, 0, 0, 128), vgRGBA(0, 0, 0, 0)));
    vgFill(vg);
    vgBeginPath(vg);
    vgCircle(vg, 44, 20, 13.3f);
    vgFillPaint(vg, vgRadialGradient(vg, 40, 16, 2, 14, vgRGB(90, 94, 104), vgRGBA(50, 52, 58, 90)));
    vgFill(vg);
    vgBeginPath(vg);
    vgArc(vg, 44, 20, 16, 0.5f, 4.f, VG_CW);
    vgStrokeWidth(vg, 3.3f);
    vgStrokeColor(vg, vgRGBA(240, 160, 40, 170));
    vgStroke(vg);
    vgBeginPath(vg);
    vgRoundedRect(vg, 6.5f, 40.25f, 30, 18, 5);
    vgFillPaint(vg, vgImagePattern(vg, 0, 0, 5, 7, 0.3f, image, 0.8f));
    vgFill(vg);
    vgFontFaceId(vg, font);
    vgFontSize(vg, 17.f);
    vgFillColor(vg, vgRGBA(255, 255, 255, 220));
    vgText(vg, 30, 58, "Pw", nullptr);
  };
  PWMTLUseFragmentFunctions8(false);
  const std::vector<uint8_t> floats = Render(scene);
  PWMTLUseFragmentFunctions8(true);
  const std::vector<uint8_t>& bytes = Render(scene);
  int differing = 0;
  for (size_t i = 0; i < bytes.size(); i++)
  {
    ASSERT_LE(std::abs(bytes[i] - floats[i]), 1) << "pixel " << i / 4 % kW << "," << i / 4 / kW << " " << Dump();
    differing += bytes[i] != floats[i];
  }
  EXPECT_LT(differing, kW * kH / 4) << "most bytes stay exactly as the float forms give them";
  vgDeleteImage(ctx, image);
}

TEST_F(MetalBackend, AClearHoldsForOneFlushAndUnknownBlendFactorsBlendSourceOver)
{
  Render([](VGcontext*) {}, vgRGBAf(0.f, 0.f, 1.f, 1.f));
  // No clear this time: the blue stays where nothing is drawn. The factor 3
  // is no blend factor, so the half-transparent red blends source-over.
  vgBeginFrame(ctx, kW, kH, 1.f);
  vgBeginPath(ctx);
  vgRect(ctx, 0, 0, 16, 16);
  vgGlobalCompositeBlendFunc(ctx, 3, VG_ZERO);
  vgFillColor(ctx, vgRGBAf(1.f, 0.f, 0.f, 0.5f));
  vgFill(ctx);
  vgEndFrame(ctx);
  pixels.assign(kW * kH * 4, 0);
  mvgReadPixels(ctx, fb->image, 0, 0, kW, kH, pixels.data());
  EXPECT_EQ(At(40, 40)[2], 255) << Dump();
  EXPECT_NEAR(At(8, 8)[0], 128, 1);
  EXPECT_NEAR(At(8, 8)[2], 128, 1);
  EXPECT_EQ(At(8, 8)[3], 255);
}

TEST_F(MetalBackend, AnImageOverAForeignTextureLeavesItAliveWhenDeleted)
{
  id<MTLDevice> device = (id<MTLDevice>)mvgDevice(ctx);
  id<MTLTexture> texture = [device newTextureWithDescriptor:[MTLTextureDescriptor
                                                              texture2DDescriptorWithPixelFormat:MTLPixelFormatRGBA8Unorm
                                                                                           width:4
                                                                                          height:4
                                                                                       mipmapped:NO]];
  const int image = mvgCreateImageFromHandle(ctx, texture, VG_IMAGE_NODELETE);
  ASSERT_GT(image, 0);
  EXPECT_EQ(mvgImageHandle(ctx, image), (void*)texture);
  vgDeleteImage(ctx, image);
  EXPECT_EQ(mvgImageHandle(ctx, image), nullptr);
  EXPECT_EQ([texture retainCount], 1u); // still ours alone
  const int next = mvgCreateImageFromHandle(ctx, texture, 0);
  EXPECT_GT(next, image); // the freed record comes back under a new id
  vgDeleteImage(ctx, next); // releases the reference the image took
  EXPECT_EQ([texture retainCount], 1u);
  [texture release];
}

TEST_F(MetalBackend, WithoutATargetTheFramePresentsOnTheLayer)
{
  mvgBindFramebuffer(nullptr);
  Render([](VGcontext* vg) {
    vgBeginPath(vg);
    vgRect(vg, 0, 0, kW, kH);
    vgFillColor(vg, vgRGB(255, 0, 0));
    vgFill(vg);
  });
  id<MTLCommandQueue> queue = (id<MTLCommandQueue>)mvgCommandQueue(ctx);
  id<MTLCommandBuffer> fence = [queue commandBuffer]; // executes after the frame
  [fence commit];
  [fence waitUntilCompleted];
  ASSERT_EQ(layer.pwPresentCount, 1u);
  uint8_t bgra[4] = {};
  [layer.pwPresentedTexture getBytes:bgra bytesPerRow:kW * 4 fromRegion:MTLRegionMake2D(5, 5, 1, 1) mipmapLevel:0];
  EXPECT_EQ(bgra[2], 255);
  EXPECT_EQ(bgra[0], 0);
}

TEST_F(MetalBackend, AFourthFrameWaitsForOneOfThreeInFlightAndDeletionWaitsForAll)
{
  PWMTLHoldExecution(true);
  auto frame = [this] {
    vgBeginFrame(ctx, kW, kH, 1.f);
    vgBeginPath(ctx);
    vgRect(ctx, 0, 0, 8, 8);
    vgFill(ctx);
    vgEndFrame(ctx);
  };
  for (int i = 0; i < 3; i++)
    frame();
  std::atomic<bool> fourthDone{false};
  std::thread fourth([&] {
    GSRegisterCurrentThread(); // a thread GNUstep did not start
    NSAutoreleasePool* threadPool = [[NSAutoreleasePool alloc] init];
    frame();
    fourthDone = true;
    [threadPool release];
    GSUnregisterCurrentThread();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(fourthDone.load());
  PWMTLHoldExecution(false);
  fourth.join();
  EXPECT_TRUE(fourthDone.load());
  id<MTLCommandBuffer> fence = [(id<MTLCommandQueue>)mvgCommandQueue(ctx) commandBuffer];
  [fence commit]; // executes after the fourth frame: every set is free again
  [fence waitUntilCompleted];

  // Three more in flight, then the context goes while they are held.
  PWMTLHoldExecution(true);
  for (int i = 0; i < 3; i++)
    frame();
  std::thread release([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    PWMTLHoldExecution(false);
  });
  mvgBindFramebuffer(nullptr);
  mvgDeleteFramebuffer(fb);
  fb = nullptr;
  vgDeleteMTL(ctx);
  ctx = nullptr;
  release.join();
}
} // namespace

namespace
{
TEST(MetalBackendStencilStrokes, OverlappingStrokeSegmentsBlendOnce)
{
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  CAMetalLayer* layer = [[CAMetalLayer alloc] init];
  VGcontext* ctx = vgCreateMTL(layer, VG_ANTIALIAS | VG_STENCIL_STROKES | VG_TRIPLE_BUFFER);
  ASSERT_NE(ctx, nullptr);
  MVGframebuffer* fb = mvgCreateFramebuffer(ctx, kW, kH, 0);
  mvgBindFramebuffer(fb);
  mvgClearWithColor(ctx, vgRGBAf(0.f, 0.f, 0.f, 0.f));
  vgBeginFrame(ctx, kW, kH, 1.f);
  // A path that crosses itself at (32, 32).
  vgBeginPath(ctx);
  vgMoveTo(ctx, 8, 32);
  vgLineTo(ctx, 56, 32);
  vgLineTo(ctx, 56, 56);
  vgLineTo(ctx, 32, 56);
  vgLineTo(ctx, 32, 8);
  vgStrokeWidth(ctx, 8);
  vgStrokeColor(ctx, vgRGBAf(1.f, 1.f, 1.f, 0.5f));
  vgStroke(ctx);
  vgEndFrame(ctx);
  uint8_t crossing[4] = {}, single[4] = {};
  mvgReadPixels(ctx, fb->image, 32, 32, 1, 1, crossing);
  mvgReadPixels(ctx, fb->image, 20, 32, 1, 1, single);
  EXPECT_NEAR(single[3], 128, 1);
  EXPECT_EQ(crossing[3], single[3]) << "the stencil keeps the crossing from blending twice";
  mvgBindFramebuffer(nullptr);
  mvgDeleteFramebuffer(fb);
  vgDeleteMTL(ctx);
  [layer release];
  [pool release];
}
} // namespace
