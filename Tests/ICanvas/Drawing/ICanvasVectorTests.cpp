#include "FontTestFonts.h"
#include "LocateResource.h"
#include "RecordingBackend.h"
#include "VectorCanvasStubs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <unistd.h>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

using namespace pwtest;
using pw::test::RecordedCall;
using pw::test::RecordingBackend;

// The GPU backend's side over the recording backend (the view's layer is a
// RecordingBackend), logged; resources are looked up in one folder.
static std::vector<int> binds, reads; // images of bound targets (0 the screen) and of read-backs
static int createFlags = 0;
static std::string resourceDir;

VGcontext* vgCreateMTL(void* layer, int flags)
{
  VGbackendParams params = layer ? static_cast<RecordingBackend*>(layer)->Params(flags & VG_ANTIALIAS) : VGbackendParams{};
  return createFlags = flags, layer ? vgCreateInternal(&params) : nullptr;
}
void vgDeleteMTL(VGcontext* ctx) { vgDeleteInternal(ctx); }
void mvgBindFramebuffer(MVGframebuffer* fb) { binds.push_back(fb ? fb->image : 0); }
void mvgClearWithColor(VGcontext*, VGcolor) {}
void mvgReadPixels(VGcontext*, int image, int, int, int, int, void*) { reads.push_back(image); }
EResourceLocation weft::canvas::LocateResource(const char* name, const char*, LOOM_String& outPath, const char*, void*,
                                               const char*)
{
  const std::string path = resourceDir + "/" + name;
  return access(path.c_str(), F_OK) == 0 ? (outPath.Set(path.c_str()), kAbsolutePath) : kNotFound;
}

namespace {

struct VectorCanvas : StubCanvas
{
  // withView: the view opens on the backend and the main target is made.
  explicit VectorCanvas(bool withView = true) : StubCanvas(200, 100, 1.0f)
  {
    binds.clear(), reads.clear();
    if (withView) OnViewInitialized(&backend), DrawResize();
  }
  ~VectorCanvas() override { OnViewDestroyed(); }
  const RecordedCall& Last(const char* op) const
  {
    static const RecordedCall none;
    const auto calls = backend.Calls(op);
    return calls.empty() ? (ADD_FAILURE() << "no " << op, none) : *calls.back();
  }
  RecordingBackend backend;
};

// The same drawing made straight on the renderer: the oracle.
RecordedCall Direct(const char* op, const std::function<void(VGcontext*)>& draw)
{
  pw::test::RecordingContext rc;
  vgBeginFrame(rc.vg, 200, 100, 1.0f);
  draw(rc.vg);
  return rc.backend.Calls(op).empty() ? RecordedCall{} : *rc.backend.Calls(op).back();
}

void ExpectNear(const std::vector<float>& a, const std::vector<float>& b)
{
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); i++) EXPECT_NEAR(a[i], b[i], 1e-4f) << "element " << i;
}

// Every float of a paint, or the stroke's vertex coordinates.
std::vector<float> Floats(const VGpaint& p)
{
  std::vector<float> v(p.xform, p.xform + 6);
  v.insert(v.end(), {p.extent[0], p.extent[1], p.radius, p.feather});
  v.insert(v.end(), p.innerColor.rgba, p.innerColor.rgba + 4);
  return v.insert(v.end(), p.outerColor.rgba, p.outerColor.rgba + 4), v;
}
std::vector<float> Floats(const std::vector<VGvertex>& stroke)
{
  std::vector<float> v;
  for (const auto& q : stroke) v.insert(v.end(), {q.x, q.y});
  return v;
}

} // namespace

TEST(ICanvasVector, BlendsBecomeCompositeOperationsAndWeightScalesAlpha)
{
  VectorCanvas g;
  for (int m = 0; m <= 10; m++) // 10: no blend
  {
    const IBlend blend(static_cast<EBlend>(m), 0.5f), *pBlend = m < 10 ? &blend : nullptr;
    g.PathRect(IRECT(1, 1, 6, 6));
    g.PathFill(IPattern(IColor(200, 255, 0, 0)), IFillOptions(), pBlend);
    const RecordedCall want = Direct("fill", [&](VGcontext* vg) {
      m == 8 ? vgGlobalCompositeBlendFunc(vg, VG_SRC_ALPHA, VG_DST_ALPHA)
             : vgGlobalCompositeOperation(vg, m == 9 ? VG_XOR : m % 10);
      vgRect(vg, 1, 1, 5, 5), vgFill(vg);
    });
    EXPECT_EQ(std::memcmp(&g.Last("fill").composite, &want.composite, sizeof(want.composite)), 0) << "blend " << m;
    EXPECT_FLOAT_EQ(g.Last("fill").paint.innerColor.a, BlendWeight(pBlend) * 200.0f / 255.0f);
  }
}

TEST(ICanvasVector, GradientsArcsJoinsCapsAndPreserveMatchTheRenderer)
{
  VectorCanvas g;
  const VGcolor red = vgRGBAf(1, 0, 0, 1), blue = vgRGBAf(0, 0, 1, 1);
  for (EPatternType type : {EPatternType::Linear, EPatternType::Radial})
  {
    IPattern pattern(type); // three stops: the middle one is not used
    pattern.AddStop(COLOR_RED, 0.25f), pattern.AddStop(COLOR_GREEN, 0.5f), pattern.AddStop(COLOR_BLUE, 1.0f);
    pattern.SetTransform(0.01f, 0, 0, 0.01f, -0.1f, -0.2f); // inverse: x 100 + 10, y 100 + 20
    g.PathRect(IRECT(0, 0, 50, 50));
    g.PathFill(pattern);
    ExpectNear(Floats(g.Last("fill").paint), Floats(Direct("fill", [&](VGcontext* vg) {
                 vgFillPaint(vg, type == EPatternType::Radial ? vgRadialGradient(vg, 10, 20, 25, 100, red, blue)
                                                              : vgLinearGradient(vg, 10, 20, 10, 120, red, blue));
                 vgRect(vg, 0, 0, 50, 50), vgFill(vg);
               }).paint));
  }
  for (auto [winding, lo] : {std::pair(EWinding::CW, 50.0f), std::pair(EWinding::CCW, 40.0f)})
  {
    g.PathArc(50, 50, 10, 90, 180, winding); // east to south, the short or the long way
    g.PathFill(IPattern(COLOR_BLACK));
    const float* b = g.Last("fill").bounds;
    ExpectNear({b[0], b[1], b[2], b[3]}, {lo, lo, 60, 60});
  }
  struct Case { EStrokeCap cap; EStrokeJoin join; int vgCap, vgJoin; };
  for (const Case& c : {Case{EStrokeCap::Butt, EStrokeJoin::Miter, VG_BUTT, VG_MITER},
                        Case{EStrokeCap::Round, EStrokeJoin::Round, VG_ROUND, VG_ROUND},
                        Case{EStrokeCap::Square, EStrokeJoin::Bevel, VG_SQUARE, VG_BEVEL}})
  {
    IStrokeOptions options;
    options.mCapOption = c.cap, options.mJoinOption = c.join, options.mPreserve = true;
    g.PathMoveTo(10, 10), g.PathLineTo(50, 10), g.PathLineTo(50, 50);
    g.PathStroke(IPattern(COLOR_BLACK), 4, options);
    const RecordedCall want = Direct("stroke", [&](VGcontext* vg) {
      vgLineCap(vg, c.vgCap), vgLineJoin(vg, c.vgJoin), vgStrokeWidth(vg, 4);
      vgMoveTo(vg, 10, 10), vgLineTo(vg, 50, 10), vgLineTo(vg, 50, 50), vgStroke(vg);
    });
    ExpectNear(Floats(g.Last("stroke").paths.at(0).stroke), Floats(want.paths.at(0).stroke));
    g.PathFill(IPattern(COLOR_BLACK)); // the preserved path, then cleared
    EXPECT_EQ(g.Last("fill").paths.size(), 1u);
    const size_t fills = g.backend.Calls("fill").size();
    g.PathFill(IPattern(COLOR_BLACK));
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
  ASSERT_EQ(binds.size(), 2u);
  EXPECT_EQ(binds[1], 0);
  EXPECT_EQ(g.Last("fill").paint.image, binds[0]);
  ExpectNear(std::vector<float>(g.Last("fill").paint.xform, g.Last("fill").paint.xform + 6), {1, 0, 0, 1, 3, 4});

  RecordingBackend gpu;
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
  const int image = layer->GetAPIBitmap()->GetBitmap(), main = binds[0];
  // made during the frame: main, new target (cleared), main again, layer, main
  EXPECT_EQ(binds, std::vector<int>({main, image, main, image, main}));
  layer.reset();
  EXPECT_EQ(g.backend.textures.count(image), 1u);
  g.EndFrame();
  EXPECT_EQ(g.backend.textures.count(image), 0u);
  EXPECT_EQ(g.backend.Ops().back(), "delete-texture");

  g.StartLayer(nullptr, IRECT(0, 0, 5, 5));
  const int outside = (layer = g.EndLayer())->GetAPIBitmap()->GetBitmap();
  layer.reset();
  EXPECT_EQ(g.backend.textures.count(outside), 0u);
}

TEST(ICanvasVector, WithoutRendererOrMainTargetNothingIsDrawn)
{
  for (bool renderer : {false, true})
  {
    VectorCanvas g(false);
    g.OnViewInitialized(renderer ? &g.backend : nullptr);
    EXPECT_EQ(createFlags, VG_ANTIALIAS | VG_TRIPLE_BUFFER);
    g.backend.failTextureAfter = 0; // no main target
    g.DrawResize();
    g.BeginFrame();
    g.FillRect(COLOR_RED, IRECT(0, 0, 10, 10));
    g.EndFrame();
    EXPECT_TRUE(g.backend.Calls("flush").empty());
    EXPECT_EQ(g.backend.Ops().empty() ? "" : g.backend.Ops().back(), renderer ? "cancel" : "");
    PlatformFontPtr roboto = std::make_unique<FileFont>(kRobotoPath);
    EXPECT_EQ(g.LoadAPIFont("Roboto-Regular", roboto), renderer);
  }
}

TEST(ICanvasVector, BitmapsAreFoundOnceCachedUnderTheAskedScaleAndInvalidWhenMissing)
{
  char dir[] = "/tmp/pw-vector-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  auto path = [&](const char* name) { return (resourceDir = dir) + "/" + name; };
  const unsigned char pixels[4 * 2 * 4] = {255, 0, 0, 255};
  for (const char* name : {"knob.png", "knob.gif", "later"})
    ASSERT_TRUE(stbi_write_png(path(name).c_str(), 4, 2, 4, pixels, 16));
  std::FILE* f = std::fopen(path("bad.png").c_str(), "w");
  std::fputs("not an image", f), std::fclose(f);
  VectorCanvas g;
  const size_t textures = g.backend.Calls("create-texture").size();

  const IBitmap a = g.LoadBitmap("knob.png", 1, false, 2); // only the 1x file exists
  EXPECT_EQ(g.LoadBitmap("knob.png", 1, false, 2).GetAPIBitmap(), a.GetAPIBitmap());
  EXPECT_EQ(a.GetScale(), 1.0f);
  EXPECT_EQ(g.backend.Calls("create-texture").size(), textures + 1);
  for (const char* name : {"knob.gif", "bad.png", "later.png"}) EXPECT_FALSE(g.LoadBitmap(name).IsValid()) << name;
  std::rename(path("later").c_str(), path("later.png").c_str());
  EXPECT_TRUE(g.LoadBitmap("later.png").IsValid()); // the miss was not cached
  EXPECT_TRUE(g.BitmapExtSupported("JPEG"));

  g.DrawBitmap(IBitmap(), IRECT(0, 0, 4, 2), 0, 0);
  EXPECT_TRUE(g.backend.Calls("fill").empty());
  const IBlend half(EBlend::SrcOver, 0.5f);
  g.DrawBitmap(a, IRECT(10, 10, 14, 12), 1, 0, &half);
  EXPECT_EQ(g.Last("fill").paint.image, a.GetAPIBitmap()->GetBitmap());
  const VGpaint& p = g.Last("fill").paint; // scale 1, source point 1 at the left edge
  ExpectNear({p.xform[0], p.xform[3], p.xform[4], p.xform[5], p.extent[0], p.extent[1], p.innerColor.a},
             {1, 1, 9, 10, 4, 2, 0.5f});
  g.OnViewDestroyed();
  EXPECT_TRUE(g.backend.textures.empty());
  for (const char* name : {"knob.png", "knob.gif", "later.png", "bad.png"}) std::remove(path(name).c_str());
  rmdir(dir);
}

TEST(ICanvasVector, FontsReachTheAtlasThroughTheStoreOnlyWhenAcceptedAndMissingOnesMeasureEmpty)
{
  VectorCanvas g;
  PlatformFontPtr roboto = std::make_unique<FileFont>(kRobotoPath), none;
  EXPECT_TRUE(g.LoadAPIFont("Roboto-Regular", roboto));
  EXPECT_TRUE(VectorCanvas().LoadAPIFont("Roboto-Regular", none)); // from the store
  PlatformFontPtr missing = std::make_unique<FileFont>("/nonexistent.ttf");
  EXPECT_FALSE(g.LoadAPIFont("Missing", missing));
  EXPECT_EQ(StaticStorage<IFontData>::Accessor(sFontCache).Find("Missing", 1.0), nullptr);
  const unsigned char junk[16] = {};
  StaticStorage<IFontData>::Accessor(sFontCache).Add(new IFontData(junk, 16, 0), "Junk", 1.0);
  EXPECT_FALSE(g.LoadAPIFont("Junk", none)); // in the store, refused by the atlas

  IRECT r(10, 20, 100, 50);
  EXPECT_EQ(g.MeasureText(IText(20, COLOR_BLACK, "Missing", EAlign::Far, EVAlign::Top), "abc", r), 0.0f);
  EXPECT_EQ(r, IRECT(100, 20, 100, 20));
  r = IRECT(10, 20, 100, 50);
  EXPECT_GT(g.MeasureText(IText(20, COLOR_BLACK, "Roboto-Regular", EAlign::Near, EVAlign::Top), "abc", r), 20.0f);
  EXPECT_LE(std::abs(r.L - 10.0f) + std::abs(r.T - 20.0f), 1.5f) << r.L << " " << r.T;
}

TEST(ICanvasVector, DottedLinesAlternateDashesAndAreSolidWithoutDashLength)
{
  VectorCanvas g;
  auto Pieces = [&] { // sub-paths with a segment
    const auto& paths = g.Last("stroke").paths;
    return std::count_if(paths.begin(), paths.end(), [](auto& p) { return p.path.count > 1; });
  };
  for (auto [dash, pieces] : {std::pair(2.0f, 2), std::pair(0.0f, 1), std::pair(-1.0f, 1), std::pair(1e-9f, 1)})
  {
    g.DrawDottedLine(COLOR_BLACK, 0, 5, 10, 5, nullptr, 1, dash);
    EXPECT_EQ(Pieces(), pieces) << dash;
  }
  g.DrawDottedRect(COLOR_BLACK, IRECT(0, 0, 8, 4), nullptr, 1, 2);
  EXPECT_EQ(Pieces(), 6); // 2 top, 1 right, 2 bottom, 1 left
  g.DrawDottedRect(COLOR_BLACK, IRECT(0, 0, 8, 4), nullptr, 1, 0);
  ASSERT_EQ(g.Last("stroke").paths.size(), 1u);
  EXPECT_TRUE(g.Last("stroke").paths[0].path.closed);
}

TEST(ICanvasVector, LayerPixelsAreReadBackAndShadowMasksComposited)
{
  VectorCanvas g;
  g.StartLayer(nullptr, IRECT(0, 0, 4, 4));
  ILayerPtr layer = g.EndLayer();
  LOOM_TypedBuf<uint8_t> data;
  g.GetLayerBitmapData(layer, data);
  EXPECT_EQ(data.GetSize(), 64);
  EXPECT_EQ(reads, std::vector<int>({layer->GetAPIBitmap()->GetBitmap()}));
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
