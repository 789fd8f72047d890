#include "FontTestFonts.h"
#include "LocateResource.h"
#include "RecordingBackend.h"
#include "VectorCanvasStubs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <numeric>
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

// Every float of a paint, or the coordinates of the first path's stroke.
std::vector<float> Floats(const RecordedCall& c, bool stroke = false)
{
  const VGpaint& p = c.paint;
  if (stroke)
    return std::accumulate(c.paths.at(0).stroke.begin(), c.paths[0].stroke.end(), std::vector<float>(),
                           [](auto v, const VGvertex& q) { return v.insert(v.end(), {q.x, q.y}), v; });
  std::vector<float> v(p.xform, p.xform + 6);
  v.insert(v.end(), {p.extent[0], p.extent[1], p.radius, p.feather});
  v.insert(v.end(), p.innerColor.rgba, p.innerColor.rgba + 4);
  return v.insert(v.end(), p.outerColor.rgba, p.outerColor.rgba + 4), v;
}

void ExpectNear(const std::vector<float>& a, const std::vector<float>& b)
{
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); i++) EXPECT_NEAR(a[i], b[i], 1e-3f) << "element " << i;
}

} // namespace

TEST(ICanvasVector, BlendsAndGradientsBecomeTheRenderersCompositesAndPaints)
{
  VectorCanvas g;
  for (int m = 0; m <= 10; m++) // 10: no blend
  {
    const IBlend blend(static_cast<EBlend>(m), 0.5f), *pBlend = m < 10 ? &blend : nullptr;
    g.PathRect(IRECT(1, 1, 6, 6));
    g.PathFill(IPattern(IColor(200, 255, 0, 0)), IFillOptions(), pBlend);
    const RecordedCall want = Direct("fill", [&](VGcontext* vg) {
      m == 8 ? vgGlobalCompositeBlendFunc(vg, VG_SRC_ALPHA, VG_DST_ALPHA) : vgGlobalCompositeOperation(vg, m == 9 ? VG_XOR : m % 10);
      vgRect(vg, 1, 1, 5, 5), vgFill(vg);
    });
    EXPECT_EQ(std::memcmp(&g.Last("fill").composite, &want.composite, sizeof(want.composite)), 0) << "blend " << m;
    EXPECT_FLOAT_EQ(g.Last("fill").paint.innerColor.a, BlendWeight(pBlend) * 200.0f / 255.0f);
  }
  const VGcolor red = vgRGBAf(1, 0, 0, 1), blue = vgRGBAf(0, 0, 1, 1);
  for (EPatternType type : {EPatternType::Linear, EPatternType::Radial})
  {
    IPattern pattern(type); // three stops: the middle one is not used
    pattern.AddStop(COLOR_RED, 0.25f), pattern.AddStop(COLOR_GREEN, 0.5f), pattern.AddStop(COLOR_BLUE, 1.0f);
    pattern.SetTransform(0.01f, 0, 0, 0.01f, -0.1f, -0.2f); // inverse: x 100 + 10, y 100 + 20
    g.PathRect(IRECT(0, 0, 50, 50));
    g.PathFill(pattern);
    ExpectNear(Floats(g.Last("fill")), Floats(Direct("fill", [&](VGcontext* vg) {
                 vgFillPaint(vg, type == EPatternType::Radial ? vgRadialGradient(vg, 10, 20, 25, 100, red, blue)
                                                              : vgLinearGradient(vg, 10, 20, 10, 120, red, blue));
                 vgRect(vg, 0, 0, 50, 50), vgFill(vg);
               })));
  }
}

TEST(ICanvasVector, ArcsJoinsCapsAndPreserveMatchTheRenderer)
{
  VectorCanvas g;
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
    ExpectNear(Floats(g.Last("stroke"), true), Floats(Direct("stroke", [&](VGcontext* vg) {
                 vgLineCap(vg, c.vgCap), vgLineJoin(vg, c.vgJoin), vgStrokeWidth(vg, 4);
                 vgMoveTo(vg, 10, 10), vgLineTo(vg, 50, 10), vgLineTo(vg, 50, 50), vgStroke(vg);
               }), true));
    const size_t fills = g.backend.Calls("fill").size();
    g.PathFill(IPattern(COLOR_BLACK)); // the preserved path, then nothing
    g.PathFill(IPattern(COLOR_BLACK));
    EXPECT_EQ(g.backend.Calls("fill").size(), fills + 1);
  }
}

TEST(ICanvasVector, FramesGoThroughTheMainTargetAndNothingIsDrawnWithoutIt)
{
  VectorCanvas g;
  g.SetTranslation(3, 4);
  g.BeginFrame(), g.FillRect(COLOR_RED, IRECT(0, 0, 10, 10)), g.EndFrame();
  EXPECT_EQ(binds, std::vector<int>({binds.at(0), 0})); // the main target, then the screen
  EXPECT_EQ(g.Last("fill").paint.image, binds[0]);
  ExpectNear(std::vector<float>(g.Last("fill").paint.xform, g.Last("fill").paint.xform + 6), {1, 0, 0, 1, 3, 4});

  for (bool renderer : {false, true})
  {
    VectorCanvas none(false);
    none.OnViewInitialized(renderer ? &none.backend : nullptr); // null: the backend refuses
    EXPECT_EQ(createFlags, VG_ANTIALIAS | VG_TRIPLE_BUFFER);
    none.backend.failTextureAfter = 0; // no main target
    none.DrawResize();
    none.BeginFrame(), none.FillRect(COLOR_RED, IRECT(0, 0, 10, 10)), none.EndFrame();
    EXPECT_EQ(none.backend.Ops().empty() ? "" : none.backend.Ops().back(), renderer ? "cancel" : "");
    PlatformFontPtr roboto = std::make_unique<FileFont>(kRobotoPath);
    EXPECT_EQ(none.LoadAPIFont("Roboto-Regular", roboto), renderer);
  }
  RecordingBackend gpu;
  StubCanvas(200, 100, 1.0f).OnViewInitialized(&gpu); // destroyed with its view still open
  EXPECT_TRUE(gpu.deleted);
}

TEST(ICanvasVector, LayersAreTargetsDeletedAfterTheFrameThatDroppedThemAndCarryShadows)
{
  VectorCanvas g;
  g.BeginFrame();
  g.StartLayer(nullptr, IRECT(10, 10, 30, 30), true);
  ILayerPtr layer = g.EndLayer();
  const int image = layer->GetAPIBitmap()->GetBitmap(), main = binds[0];
  EXPECT_EQ(binds, std::vector<int>({main, image, main, image, main})); // made, cleared, back to main, pushed, popped
  layer.reset();
  EXPECT_EQ(g.backend.textures.count(image), 1u);
  g.EndFrame();
  EXPECT_EQ(g.backend.textures.count(image), 0u);
  EXPECT_EQ(g.backend.Ops().back(), "delete-texture");

  g.StartLayer(nullptr, IRECT(0, 0, 4, 4)); // outside a frame
  layer = g.EndLayer();
  LOOM_TypedBuf<uint8_t> data;
  g.GetLayerBitmapData(layer, data);
  EXPECT_EQ(data.GetSize(), 64);
  EXPECT_EQ(reads, std::vector<int>({layer->GetAPIBitmap()->GetBitmap()}));
  g.backend.calls.clear();
  const IShadow shadow(IPattern(COLOR_BLACK), 2, 1, 1, 0.5f, false);
  g.ApplyShadowMask(layer, data, shadow);
  const auto fills = g.backend.Calls("fill");
  ASSERT_EQ(fills.size(), 4u); // clear, mask, shadow colour, shadow onto the layer
  EXPECT_EQ(fills[0]->composite.srcRGB | fills[0]->composite.dstRGB, VG_ZERO);
  EXPECT_EQ(fills[3]->composite.srcRGB | fills[3]->composite.dstRGB, VG_ONE_MINUS_DST_ALPHA | VG_ONE); // dst-over
  EXPECT_FLOAT_EQ(fills[3]->paint.innerColor.a, 0.5f);
  data.Resize(63);
  g.ApplyShadowMask(layer, data, shadow); // too short: nothing
  EXPECT_EQ(g.backend.Calls("fill").size(), 4u);
  const int outside = layer->GetAPIBitmap()->GetBitmap();
  layer.reset();
  EXPECT_EQ(g.backend.textures.count(outside), 0u);
}

TEST(ICanvasVector, BitmapsAreFoundOnceCachedUnderTheAskedScaleAndInvalidWhenMissing)
{
  char dir[] = "/tmp/pw-vector-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  auto path = [&](const char* name) { return (resourceDir = dir) + "/" + name; };
  const unsigned char pixels[4 * 2 * 4] = {255, 0, 0, 255};
  for (const char* name : {"knob.png", "knob.gif", "later", "bad.png"})
    ASSERT_TRUE(stbi_write_png(path(name).c_str(), 4, 2, 4, pixels, 16));
  ASSERT_EQ(truncate(path("bad.png").c_str(), 20), 0); // cut short: not decodable
  VectorCanvas g;
  const size_t textures = g.backend.Calls("create-texture").size();
  const IBitmap a = g.LoadBitmap("knob.png", 1, false, 2); // only the 1x file exists
  EXPECT_EQ(g.LoadBitmap("knob.png", 1, false, 2).GetAPIBitmap(), a.GetAPIBitmap());
  EXPECT_EQ(g.backend.Calls("create-texture").size(), textures + 1);
  for (const char* name : {"knob.gif", "bad.png", "later.png"}) EXPECT_FALSE(g.LoadBitmap(name).IsValid()) << name;
  std::rename(path("later").c_str(), path("later.png").c_str());
  EXPECT_TRUE(g.LoadBitmap("later.png").IsValid()); // the miss was not cached

  g.DrawBitmap(IBitmap(), IRECT(0, 0, 4, 2), 0, 0);
  const IBlend half(EBlend::SrcOver, 0.5f);
  g.DrawBitmap(a, IRECT(10, 10, 14, 12), 1, 0, &half);
  EXPECT_EQ(g.backend.Calls("fill").size(), 1u);
  const VGpaint& p = g.Last("fill").paint; // scale 1, source point 1 at the left edge
  ExpectNear({p.xform[0], p.xform[3], p.xform[4], p.xform[5], p.extent[0], p.extent[1], p.innerColor.a},
             {1, 1, 9, 10, 4, 2, 0.5f});
  for (const char* name : {"knob.png", "knob.gif", "later.png", "bad.png"}) std::remove(path(name).c_str());
  rmdir(dir);
}

// A 1x memory decode at screen scale 2 is resampled; the store alone owns both.
TEST(ICanvasVector, AMemoryBitmapAtScaleTwoIsResampledOnceAndFreedWithTheView)
{
  std::vector<unsigned char> png;
  const unsigned char pixels[4 * 2 * 4] = {255, 0, 0, 255};
  ASSERT_TRUE(stbi_write_png_to_func(
    [](void* out, void* data, int size) {
      auto* bytes = static_cast<std::vector<unsigned char>*>(out);
      bytes->insert(bytes->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
    },
    &png, 4, 2, 4, pixels, 16));
  auto g = std::make_unique<VectorCanvas>();
  g->SetScreenScale(2.0f);
  const size_t textures = g->backend.textures.size();
  const IBitmap a = g->LoadBitmap("mem.png", png.data(), int(png.size()), 1, false, 0);
  ASSERT_TRUE(a.IsValid());
  EXPECT_TRUE(a.W() == 4 && a.H() == 2 && a.GetScale() == 2.0f && a.GetAPIBitmap()->GetWidth() == 8)
    << "4 x 2 points at 2 pixels a point";
  g->DrawBitmap(a, IRECT(0, 0, 4, 2), 0, 0);
  EXPECT_EQ(g->Last("fill").paint.image, a.GetAPIBitmap()->GetBitmap());
  const IBitmap b = g->LoadBitmap("mem.png", png.data(), int(png.size()), 1, false, 2);
  EXPECT_EQ(b.GetAPIBitmap(), a.GetAPIBitmap()) << "the resampled bitmap is found again";
  EXPECT_EQ(g->backend.Calls("create-texture").size() - g->backend.Calls("delete-texture").size(), textures + 2)
    << "the decode and its resampled form, each once";
  g->DrawBitmap(b, IRECT(0, 0, 4, 2), 0, 0);
  g->OnViewDestroyed();
  EXPECT_TRUE(g->backend.textures.empty()) << "every image freed with the view";
}

TEST(ICanvasVector, FontsReachTheAtlasThroughTheStoreOnlyWhenAcceptedAndMissingOnesMeasureEmpty)
{
  VectorCanvas g;
  PlatformFontPtr roboto = std::make_unique<FileFont>(kRobotoPath), none;
  EXPECT_TRUE(g.LoadAPIFont("Roboto-Regular", roboto));
  EXPECT_TRUE(VectorCanvas().LoadAPIFont("Roboto-Regular", none)); // from the store
  PlatformFontPtr missing = std::make_unique<FileFont>("/nonexistent.ttf");
  EXPECT_FALSE(g.LoadAPIFont("Missing", missing));
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
  auto pieces = [&] { // sub-paths with a segment
    const auto& paths = g.Last("stroke").paths;
    return std::count_if(paths.begin(), paths.end(), [](auto& p) { return p.path.count > 1; });
  };
  for (auto [dash, n] : {std::pair(2.0f, 2), std::pair(0.0f, 1), std::pair(-1.0f, 1), std::pair(1e-9f, 1)})
  {
    g.DrawDottedLine(COLOR_BLACK, 0, 5, 10, 5, nullptr, 1, dash);
    EXPECT_EQ(pieces(), n) << dash;
  }
  g.DrawDottedRect(COLOR_BLACK, IRECT(0, 0, 8, 4), nullptr, 1, 2);
  EXPECT_EQ(pieces(), 6); // 2 top, 1 right, 2 bottom, 1 left
  g.DrawDottedRect(COLOR_BLACK, IRECT(0, 0, 8, 4), nullptr, 1, 0);
  EXPECT_TRUE(g.Last("stroke").paths.size() == 1 && g.Last("stroke").paths[0].path.closed);
}
