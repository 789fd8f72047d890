#include "FontTestFonts.h"
#include "VectorTestCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <unistd.h>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

using namespace pwtest;
using pw::test::RecordedCall;

namespace {

const RecordedCall& Last(const VectorCanvas& g, const char* op)
{
  static const RecordedCall none;
  const auto calls = g.backend.Calls(op);
  return calls.empty() ? (ADD_FAILURE() << "no " << op, none) : *calls.back();
}

// The same drawing made straight on the renderer: the oracle.
RecordedCall Direct(const std::function<void(VGcontext*)>& draw, const char* op)
{
  pw::test::RecordingContext rc;
  vgBeginFrame(rc.vg, 200, 100, 1.0f);
  draw(rc.vg);
  const auto calls = rc.backend.Calls(op);
  return calls.empty() ? RecordedCall{} : *calls.back();
}

void ExpectSamePaint(const VGpaint& a, const VGpaint& b)
{
  for (int i = 0; i < 6; i++) EXPECT_NEAR(a.xform[i], b.xform[i], 1e-4f) << i;
  for (int i = 0; i < 4; i++) EXPECT_NEAR(a.innerColor.rgba[i], b.innerColor.rgba[i], 1e-6f) << i;
  for (int i = 0; i < 4; i++) EXPECT_NEAR(a.outerColor.rgba[i], b.outerColor.rgba[i], 1e-6f) << i;
  EXPECT_EQ(std::vector<float>({a.extent[0], a.extent[1], a.radius, a.feather}),
            std::vector<float>({b.extent[0], b.extent[1], b.radius, b.feather}));
}

unsigned DrawnPieces(const RecordedCall& c)
{
  unsigned n = 0;
  for (const auto& p : c.paths) n += p.path.count >= 2;
  return n;
}

std::vector<float> StrokeXs(const RecordedCall& c)
{
  std::vector<float> out;
  for (const auto& p : c.paths)
    for (const auto& v : p.stroke) out.insert(out.end(), {v.x, v.y});
  return out;
}

} // namespace

TEST(ICanvasVector, BlendsBecomeCompositeOperationsAndWeightScalesAlpha)
{
  const IBlend blends[] = {{EBlend::SrcOver, 0.5f}, {EBlend::SrcIn}, {EBlend::SrcOut}, {EBlend::SrcAtop},
                           {EBlend::DstOver},       {EBlend::DstIn}, {EBlend::DstOut}, {EBlend::DstAtop},
                           {EBlend::Add},           {EBlend::XOR}};
  VectorCanvas g;
  for (const IBlend* pBlend : {&blends[0], &blends[1], &blends[2], &blends[3], &blends[4], &blends[5], &blends[6],
                               &blends[7], &blends[8], &blends[9], static_cast<const IBlend*>(nullptr)})
  {
    const int m = pBlend ? static_cast<int>(pBlend->mMethod) : 0;
    const RecordedCall want = Direct(
      [&](VGcontext* vg) {
        m == 8 ? vgGlobalCompositeBlendFunc(vg, VG_SRC_ALPHA, VG_DST_ALPHA)
               : vgGlobalCompositeOperation(vg, m == 9 ? VG_XOR : m);
        vgRect(vg, 1, 1, 5, 5), vgFill(vg);
      },
      "fill");
    g.PathRect(IRECT(1, 1, 6, 6));
    g.PathFill(IPattern(IColor(200, 255, 0, 0)), IFillOptions(), pBlend);
    const RecordedCall& got = Last(g, "fill");
    EXPECT_EQ(std::vector<int>({got.composite.srcRGB, got.composite.dstRGB, got.composite.srcAlpha,
                                got.composite.dstAlpha}),
              std::vector<int>({want.composite.srcRGB, want.composite.dstRGB, want.composite.srcAlpha,
                                want.composite.dstAlpha}))
      << "blend " << m;
    EXPECT_FLOAT_EQ(got.paint.innerColor.a, BlendWeight(pBlend) * 200.0f / 255.0f);
  }
}

TEST(ICanvasVector, GradientsRunFromTheFirstToTheLastStop)
{
  VectorCanvas g;
  for (EPatternType type : {EPatternType::Linear, EPatternType::Radial})
  {
    IPattern pattern(type);
    pattern.AddStop(COLOR_RED, 0.25f);
    pattern.AddStop(COLOR_GREEN, 0.5f);
    pattern.AddStop(COLOR_BLUE, 1.0f);
    pattern.SetTransform(0.01f, 0, 0, 0.01f, -0.1f, -0.2f); // inverse: x 100 + 10, y 100 + 20
    g.PathRect(IRECT(0, 0, 50, 50));
    g.PathFill(pattern);
    const RecordedCall want = Direct(
      [&](VGcontext* vg) {
        const VGcolor red = vgRGBAf(1, 0, 0, 1), blue = vgRGBAf(0, 0, 1, 1);
        vgFillPaint(vg, type == EPatternType::Radial ? vgRadialGradient(vg, 10, 20, 25, 100, red, blue)
                                                     : vgLinearGradient(vg, 10, 20, 10, 120, red, blue));
        vgRect(vg, 0, 0, 50, 50), vgFill(vg);
      },
      "fill");
    ExpectSamePaint(Last(g, "fill").paint, want.paint);
  }
}

TEST(ICanvasVector, ArcsTurnClockwiseFromTheTopInDegrees)
{
  VectorCanvas g;
  for (auto [winding, l] : {std::pair(EWinding::CW, 50.0f), std::pair(EWinding::CCW, 40.0f)})
  {
    g.PathArc(50, 50, 10, 90, 180, winding); // from east to south, short way or long way
    g.PathFill(IPattern(COLOR_BLACK));
    const float* b = Last(g, "fill").bounds;
    EXPECT_NEAR(b[0], l, 0.01f);
    EXPECT_NEAR(b[1], l, 0.01f);
    EXPECT_NEAR(b[2], 60.0f, 0.01f);
    EXPECT_NEAR(b[3], 60.0f, 0.01f);
  }
}

TEST(ICanvasVector, JoinsCapsAndPreserveReachTheRenderer)
{
  struct Case { EStrokeCap cap; EStrokeJoin join; int vgCap, vgJoin; };
  const Case cases[] = {{EStrokeCap::Butt, EStrokeJoin::Miter, VG_BUTT, VG_MITER},
                        {EStrokeCap::Round, EStrokeJoin::Round, VG_ROUND, VG_ROUND},
                        {EStrokeCap::Square, EStrokeJoin::Bevel, VG_SQUARE, VG_BEVEL}};
  VectorCanvas g;
  for (const Case& c : cases)
  {
    IStrokeOptions options;
    options.mCapOption = c.cap, options.mJoinOption = c.join, options.mPreserve = true;
    g.PathMoveTo(10, 10), g.PathLineTo(50, 10), g.PathLineTo(50, 50);
    g.PathStroke(IPattern(COLOR_BLACK), 4, options);
    const RecordedCall want = Direct(
      [&](VGcontext* vg) {
        vgLineCap(vg, c.vgCap), vgLineJoin(vg, c.vgJoin), vgStrokeWidth(vg, 4);
        vgMoveTo(vg, 10, 10), vgLineTo(vg, 50, 10), vgLineTo(vg, 50, 50), vgStroke(vg);
      },
      "stroke");
    EXPECT_EQ(StrokeXs(Last(g, "stroke")), StrokeXs(want));
    g.PathFill(IPattern(COLOR_BLACK)); // the preserved path, then cleared
    EXPECT_EQ(Last(g, "fill").paths.size(), 1u);
    const size_t fills = g.backend.Calls("fill").size();
    g.PathFill(IPattern(COLOR_BLACK)); // nothing left to fill
    EXPECT_EQ(g.backend.Calls("fill").size(), fills);
  }
}

TEST(ICanvasVector, AFrameIsDrawnIntoTheMainTargetThenOntoTheScreen)
{
  VectorCanvas g;
  g.SetTranslation(3, 4);
  g.BeginFrame();
  g.FillRect(COLOR_RED, IRECT(0, 0, 10, 10));
  g.EndFrame();
  ASSERT_EQ(Gpu().binds.size(), 2u);
  const int main = Gpu().binds[0];
  EXPECT_GT(main, 0);
  EXPECT_EQ(Gpu().binds[1], 0);
  EXPECT_EQ(g.backend.Calls("flush").size(), 2u);
  EXPECT_EQ(g.backend.Ops().back(), "flush");
  const RecordedCall& screen = Last(g, "fill");
  EXPECT_EQ(screen.paint.image, main);
  EXPECT_EQ(std::vector<float>(screen.paint.xform, screen.paint.xform + 6), std::vector<float>({1, 0, 0, 1, 3, 4}));
  EXPECT_EQ(g.backend.textures.at(main).w, 200);

  pw::test::RecordingBackend gpu;
  {
    StubCanvas dropped(200, 100, 1.0f); // destroyed with its view still open
    dropped.OnViewInitialized(&gpu);
    dropped.DrawResize();
  }
  EXPECT_TRUE(gpu.deleted);
  EXPECT_TRUE(gpu.textures.empty());
}

TEST(ICanvasVector, LayersAreTargetsDeletedAfterTheFrameThatDroppedThem)
{
  VectorCanvas g;
  g.BeginFrame();
  g.StartLayer(nullptr, IRECT(10, 10, 30, 30), true);
  ILayerPtr layer = g.EndLayer();
  const int image = layer->GetAPIBitmap()->GetBitmap();
  const int main = Gpu().binds[0];
  // made during the frame: main, new target (cleared), main again, layer, main
  EXPECT_EQ(Gpu().binds, std::vector<int>({main, image, main, image, main}));
  EXPECT_EQ(g.backend.Calls("viewport").back()->viewport[0], 200.0f);
  g.DrawLayer(layer);
  g.DrawLayer(layer);
  EXPECT_EQ(g.backend.Calls("fill").size(), 2u);
  EXPECT_EQ(Last(g, "fill").paint.image, image);
  layer.reset();
  EXPECT_EQ(g.backend.textures.count(image), 1u);
  g.EndFrame();
  EXPECT_EQ(g.backend.textures.count(image), 0u);
  EXPECT_EQ(g.backend.Ops().back(), "delete-texture");

  g.StartLayer(nullptr, IRECT(0, 0, 5, 5));
  layer = g.EndLayer();
  const int outside = layer->GetAPIBitmap()->GetBitmap();
  layer.reset();
  EXPECT_EQ(g.backend.textures.count(outside), 0u);
}

TEST(ICanvasVector, WithoutRendererOrMainTargetNothingIsDrawn)
{
  VectorCanvas none(false);
  none.OnViewInitialized(nullptr); // the backend refuses
  EXPECT_EQ(Gpu().createFlags, VG_ANTIALIAS | VG_TRIPLE_BUFFER);
  EXPECT_EQ(none.GetDrawContext(), nullptr);
  none.DrawResize();
  none.BeginFrame();
  none.FillRoundRect(COLOR_RED, IRECT(0, 0, 10, 10));
  none.DrawText(IText(), "text", IRECT(0, 0, 50, 20));
  none.EndFrame();
  PlatformFontPtr roboto = std::make_unique<FileFont>(kRobotoPath);
  EXPECT_FALSE(none.LoadAPIFont("Roboto-Regular", roboto));
  EXPECT_EQ(none.CreateAPIBitmap(4, 4, 1, 1), nullptr);

  VectorCanvas noTarget(false);
  noTarget.OnViewInitialized(&noTarget.backend);
  noTarget.backend.failTextureAfter = 0;
  noTarget.DrawResize();
  noTarget.BeginFrame();
  noTarget.FillRect(COLOR_RED, IRECT(0, 0, 10, 10));
  noTarget.EndFrame();
  EXPECT_TRUE(noTarget.backend.Calls("flush").empty());
  EXPECT_EQ(noTarget.backend.Ops().back(), "cancel");
}

TEST(ICanvasVector, BitmapsAreFoundOnceCachedUnderTheAskedScaleAndInvalidWhenMissing)
{
  char dir[] = "/tmp/pw-vector-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const unsigned char pixels[4 * 2 * 4] = {255, 0, 0, 255};
  const std::string knob = std::string(dir) + "/knob.png", later = std::string(dir) + "/later.png";
  ASSERT_TRUE(stbi_write_png(knob.c_str(), 4, 2, 4, pixels, 16));
  std::rename(knob.c_str(), (std::string(dir) + "/knob.gif").c_str());
  ASSERT_TRUE(stbi_write_png(knob.c_str(), 4, 2, 4, pixels, 16));
  VectorCanvas g;
  Gpu().resourceDir = dir;
  const size_t textures = g.backend.Calls("create-texture").size();

  const IBitmap a = g.LoadBitmap("knob.png", 1, false, 2); // only the 1x file exists
  const IBitmap b = g.LoadBitmap("knob.png", 1, false, 2);
  EXPECT_EQ(a.GetAPIBitmap(), b.GetAPIBitmap());
  EXPECT_EQ(a.GetScale(), 1.0f);
  EXPECT_EQ(g.backend.Calls("create-texture").size(), textures + 1);
  EXPECT_FALSE(g.LoadBitmap("knob.gif").IsValid());
  EXPECT_FALSE(g.LoadBitmap("later.png").IsValid());
  std::rename(knob.c_str(), later.c_str());
  EXPECT_TRUE(g.LoadBitmap("later.png").IsValid());
  std::FILE* f = std::fopen((std::string(dir) + "/bad.png").c_str(), "w");
  std::fputs("not an image", f), std::fclose(f);
  EXPECT_FALSE(g.LoadBitmap("bad.png").IsValid());

  g.DrawBitmap(IBitmap(), IRECT(0, 0, 4, 2), 0, 0);
  EXPECT_TRUE(g.backend.Calls("fill").empty());
  const IBlend half(EBlend::SrcOver, 0.5f);
  g.DrawBitmap(a, IRECT(10, 10, 14, 12), 1, 0, &half);
  EXPECT_EQ(Last(g, "fill").paint.image, a.GetAPIBitmap()->GetBitmap());
  ExpectSamePaint(Last(g, "fill").paint, Direct([](VGcontext* vg) {
                    vgFillPaint(vg, vgImagePattern(vg, 9, 10, 4, 2, 0, 1, 0.5f));
                    vgRect(vg, 10, 10, 4, 2), vgFill(vg);
                  }, "fill").paint);

  for (auto [ext, ok] : {std::pair("PNG", true), std::pair("jpeg", true), std::pair("gif", false)})
    EXPECT_EQ(g.BitmapExtSupported(ext), ok) << ext;
  g.OnViewDestroyed();
  EXPECT_TRUE(g.backend.textures.empty());
  std::remove(later.c_str()), std::remove((std::string(dir) + "/bad.png").c_str()), std::remove((std::string(dir) + "/knob.gif").c_str()), rmdir(dir);
}

TEST(ICanvasVector, FontsReachTheAtlasThroughTheStoreOnlyWhenAccepted)
{
  VectorCanvas g;
  PlatformFontPtr roboto = std::make_unique<FileFont>(kRobotoPath), none;
  EXPECT_TRUE(g.LoadAPIFont("Roboto-Regular", roboto));
  {
    VectorCanvas other;
    EXPECT_TRUE(other.LoadAPIFont("Roboto-Regular", none)); // from the store
  }
  PlatformFontPtr missing = std::make_unique<FileFont>("/nonexistent.ttf");
  EXPECT_FALSE(g.LoadAPIFont("Missing", missing));
  const unsigned char junk[16] = {};
  StaticStorage<IFontData>::Accessor(sFontCache).Add(new IFontData(junk, 16, 0), "Junk", 1.0);
  EXPECT_FALSE(g.LoadAPIFont("Junk", none)); // in the store, refused by the atlas
  EXPECT_EQ(StaticStorage<IFontData>::Accessor(sFontCache).Find("Missing", 1.0), nullptr);
}

TEST(ICanvasVector, TextIsMeasuredAndDrawnInItsFontOrNotAtAll)
{
  VectorCanvas g;
  PlatformFontPtr roboto = std::make_unique<FileFont>(kRobotoPath);
  ASSERT_TRUE(g.LoadAPIFont("Roboto-Regular", roboto));
  IRECT r(10, 20, 100, 50);
  EXPECT_EQ(g.MeasureText(IText(20, COLOR_BLACK, "Absent", EAlign::Far, EVAlign::Top), "abc", r), 0.0f);
  EXPECT_EQ(r, IRECT(100, 20, 100, 20));
  r = IRECT(10, 20, 100, 50);
  EXPECT_GT(g.MeasureText(IText(20, COLOR_BLACK, "Roboto-Regular", EAlign::Near, EVAlign::Top), "abc", r), 20.0f);
  EXPECT_NEAR(r.L, 10.0f, 1.0f);
  EXPECT_NEAR(r.T, 20.0f, 0.5f);

  const IBlend half(EBlend::SrcOver, 0.5f);
  g.DrawText(IText(20, COLOR_BLUE), "abc", IRECT(0, 0, 100, 40), &half);
  EXPECT_FLOAT_EQ(Last(g, "triangles").paint.innerColor.a, 0.5f);

  const IRECT box(0, 0, 60, 200);
  for (EVAlign v : {EVAlign::Top, EVAlign::Bottom})
  {
    g.backend.calls.clear();
    g.DrawMultiLineText(IText(20, COLOR_BLACK, nullptr, EAlign::Near, v), "one two three four", box);
    const auto rows = g.backend.Calls("triangles");
    ASSERT_EQ(rows.size(), 4u);
    float lo = 1e9f, hi = -1e9f;
    for (const auto* c : rows)
      for (const auto& vtx : c->verts) lo = std::min(lo, vtx.y), hi = std::max(hi, vtx.y);
    EXPECT_GT(hi - lo, 60.0f); // four rows, one line height apart
    EXPECT_TRUE(v == EVAlign::Top ? lo >= box.T - 0.5f : hi <= box.B + 0.5f) << lo << " " << hi;
  }
}

TEST(ICanvasVector, DottedLinesAlternateDashesAndAreSolidWithoutDashLength)
{
  VectorCanvas g;
  for (auto [dash, pieces] : {std::pair(2.0f, 2u), std::pair(0.0f, 1u), std::pair(-1.0f, 1u), std::pair(1e-9f, 1u)})
  {
    g.DrawDottedLine(COLOR_BLACK, 0, 5, 10, 5, nullptr, 1, dash);
    EXPECT_EQ(DrawnPieces(Last(g, "stroke")), pieces) << dash;
  }
  g.DrawDottedRect(COLOR_BLACK, IRECT(0, 0, 8, 4), nullptr, 1, 2);
  EXPECT_EQ(DrawnPieces(Last(g, "stroke")), 6u); // 2 top, 1 right, 2 bottom, 1 left
  g.DrawDottedRect(COLOR_BLACK, IRECT(0, 0, 8, 4), nullptr, 1, 0);
  ASSERT_EQ(Last(g, "stroke").paths.size(), 1u);
  EXPECT_TRUE(Last(g, "stroke").paths[0].path.closed);
}

TEST(ICanvasVector, LayerPixelsAreReadBackAndShortMasksIgnored)
{
  VectorCanvas g;
  g.StartLayer(nullptr, IRECT(0, 0, 4, 4));
  ILayerPtr layer = g.EndLayer();
  LOOM_TypedBuf<uint8_t> data;
  g.GetLayerBitmapData(layer, data);
  EXPECT_EQ(data.GetSize(), 64);
  EXPECT_EQ(Gpu().reads, std::vector<int>({layer->GetAPIBitmap()->GetBitmap()}));
  const IShadow shadow(IPattern(COLOR_BLACK), 2, 1, 1, 0.5f, false);
  g.ApplyShadowMask(layer, data, shadow);
  const auto fills = g.backend.Calls("fill");
  ASSERT_EQ(fills.size(), 4u); // clear, mask, shadow colour, shadow onto the layer
  EXPECT_EQ(fills[0]->composite.srcRGB | fills[0]->composite.dstRGB, VG_ZERO);
  EXPECT_EQ(fills[3]->composite.srcRGB | fills[3]->composite.dstRGB, VG_ONE_MINUS_DST_ALPHA | VG_ONE); // dst-over
  EXPECT_FLOAT_EQ(fills[3]->paint.innerColor.a, 0.5f);
  data.Resize(63);
  const size_t before = g.backend.calls.size();
  g.ApplyShadowMask(layer, data, shadow);
  EXPECT_EQ(g.backend.calls.size(), before);
}
