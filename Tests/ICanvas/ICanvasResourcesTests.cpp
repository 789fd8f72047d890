#include "TestCanvas.h"

#include "ICanvasCaches.h"
#include "IGaussianBlur.h"
#include "IShadow.h"
#include "SVGImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

using namespace pwtest;
namespace fs = std::filesystem;

namespace {

// A back end that decodes "files" as 10 x 10 point images at the scale
// asked for, counts decodes, fills layers with a known mask and records
// windings and the shadow mask.
class ResourceCanvas : public RecordingCanvas
{
public:
  using RecordingCanvas::RecordingCanvas;

  APIBitmap* LoadAPIBitmap(const char*, int scale, EResourceLocation, const char*) override
  {
    loads++;
    return CreateAPIBitmap(10 * scale, 10 * scale, float(scale), 1.0, false);
  }
  // Like the vector back end: what it decodes from memory it caches itself.
  APIBitmap* LoadAPIBitmap(const char* name, const void*, int, int scale) override
  {
    APIBitmap* pBitmap = CreateAPIBitmap(8, 8, float(scale), 1.0, false);
    StaticStorage<APIBitmap>::Accessor(sBitmapCache).Add(pBitmap, name, scale);
    return pBitmap;
  }
  bool BitmapExtSupported(const char* ext) override { return std::string(ext) != "tga"; }
  void PathSetWinding(bool hole) override { log.push_back(hole ? "Hole" : "Solid"); }
  void GetLayerBitmapData(const ILayerPtr&, LOOM_TypedBuf<uint8_t>& data) override
  {
    std::copy(layerMask.begin(), layerMask.end(), data.Resize(int(layerMask.size())));
  }
  void ApplyShadowMask(ILayerPtr&, LOOM_TypedBuf<uint8_t>& m, const IShadow&) override { shadowMask.assign(m.Get(), m.Get() + m.GetSize()); }
  PlatformFontPtr LoadPlatformFont(const char*, void*, int) override { return std::make_unique<PlatformFont>(false); }
  bool LoadAPIFont(const char* id, const PlatformFontPtr&) override { return std::string(id) != "refused"; }
  void CachePlatformFont(const char* id, const PlatformFontPtr&) override { log.push_back(std::string("Cached ") + id); }

  int loads = 0;
  std::vector<uint8_t> layerMask, shadowMask;
};

// A scratch folder of small SVG files standing in for resources.
struct Files
{
  explicit Files(std::initializer_list<const char*> names)
  {
    fs::create_directories(dir);
    for (const char* n : names)
      std::ofstream(dir / n) << "<svg width=\"100\" height=\"50\"><rect width=\"1\" height=\"1\"/></svg>";
  }
  ~Files() { fs::remove_all(dir); }
  std::string Path(const char* name) const { return (dir / name).string(); }
  fs::path dir = fs::temp_directory_path() / ("pw-resources-" + std::to_string(::getpid()));
};

int CacheSize() { return StaticStorage<APIBitmap>::Accessor(sBitmapCache).Size(); }

} // namespace

TEST(ICanvasResources, ImageFilesAreSearchedTargetFirstThenThreeTwoOne)
{
  TestGDelegate dlg;
  ResourceCanvas g(dlg);
  const struct { std::initializer_list<const char*> files; int target; int found; } cases[] = {
    {{"knob.png", "knob@3x.png"}, 2, 3}, {{"knob.png", "knob@3x.png"}, 1, 1},
    {{"knob@2x.png"}, 4, 2}, {{}, 2, 0},
  };
  for (const auto& c : cases)
  {
    Files files(c.files);
    LOOM_String path;
    int scale = 0;
    const EResourceLocation loc = g.SearchImageResource(files.Path("knob.png").c_str(), "png", path, c.target, scale);
    EXPECT_EQ(loc == kNotFound ? 0 : scale, c.found) << c.target;
  }
  LOOM_String path;
  int scale = 0;
  for (const char* name : {static_cast<const char*>(nullptr), ""})
    EXPECT_EQ(g.SearchImageResource(name, "png", path, 2, scale), kNotFound);
}

TEST(ICanvasResources, APlainFileIsResampledOnceAndSharedUntilTheLastContextCloses)
{
  Files files({"knob.png"});
  const std::string name = files.Path("knob.png");
  TestGDelegate dlg;
  auto first = std::make_unique<ResourceCanvas>(dlg);
  auto second = std::make_unique<ResourceCanvas>(dlg);
  first->SetScreenScale(2.0f);
  const IBitmap bitmap = first->LoadBitmap(name.c_str(), 2, true);
  ASSERT_TRUE(bitmap.IsValid());
  EXPECT_EQ(bitmap.GetAPIBitmap()->GetWidth(), 20) << "resampled through a layer at scale 2";
  EXPECT_EQ(bitmap.FW(), 5);
  {
    StaticStorage<APIBitmap>::Accessor cache(sBitmapCache);
    EXPECT_EQ(cache.Find(name.c_str(), 2.0), bitmap.GetAPIBitmap());
    EXPECT_EQ(cache.Find(name.c_str(), 1.0), nullptr) << "only the resampled bitmap is kept";
  }
  EXPECT_EQ(second->LoadBitmap(name.c_str(), 1, false, 2).GetAPIBitmap(), bitmap.GetAPIBitmap());
  EXPECT_EQ(first->loads + second->loads, 1);
  EXPECT_FALSE(first->LoadBitmap("knob.tga").IsValid());
  EXPECT_FALSE(first->ScaleBitmap(IBitmap(), "none", 2).IsValid());
  first.reset();
  EXPECT_EQ(CacheSize(), 1);
  second.reset();
  EXPECT_EQ(CacheSize(), 0);
}

TEST(ICanvasResources, ArtworkFoundAtAnotherScaleKeepsItsSizeInPointsWhenResampled)
{
  // Every file is a 10 x 10 point image at its own scale; a screen of scale
  // s gets 10 s x 10 s pixels of it, whichever file was found.
  const struct { const char* file; int screen; } cases[] = {
    {"knob.png", 2}, {"knob@3x.png", 2}, {"knob@3x.png", 1}, {"knob@2x.png", 3}};
  for (const auto& c : cases)
  {
    Files files({c.file});
    const std::string name = files.Path("knob.png");
    TestGDelegate dlg;
    ResourceCanvas g(dlg);
    g.SetScreenScale(float(c.screen));
    const IBitmap bitmap = g.LoadBitmap(name.c_str());
    const std::string what = std::string(c.file) + " at " + std::to_string(c.screen) + "x";
    ASSERT_TRUE(bitmap.IsValid()) << what;
    EXPECT_TRUE(bitmap.W() == 10 && bitmap.H() == 10 && bitmap.GetScale() == float(c.screen)) << what;
    EXPECT_EQ(bitmap.GetAPIBitmap()->GetWidth(), 10 * c.screen) << what;
    EXPECT_EQ(StaticStorage<APIBitmap>::Accessor(sBitmapCache).Find(name.c_str(), c.screen), bitmap.GetAPIBitmap())
      << what << ": cached at its size in points";
    EXPECT_EQ(g.GetScreenScale(), float(c.screen)) << "the screen scale is restored";
  }
}

TEST(ICanvasResources, ALayerMadeInAResizedEditorIsResampledAtItsSizeInPoints)
{
  TestGDelegate dlg;
  ResourceCanvas g(dlg);
  g.Resize(g.Width(), g.Height(), 1.5f); // dragged to 1.5 times its size
  g.SetScreenScale(2.0f);
  g.StartLayer(nullptr, IRECT(0, 0, 10, 4));
  ILayerPtr layer = g.EndLayer();
  ASSERT_EQ(layer->GetBitmap().GetAPIBitmap()->GetWidth(), 30) << "10 points, 2 pixels a point, drawn at 1.5";
  g.log.clear();
  const IBitmap out = g.ScaleBitmap(layer->GetBitmap(), "resized", 3);
  EXPECT_EQ(g.Only("Bitmap"), Log{"Bitmap(0,0,10,4)@0,0"}) << "drawn at its size in points";
  EXPECT_TRUE(out.GetAPIBitmap()->GetWidth() == 45 && out.GetAPIBitmap()->GetHeight() == 18 && out.GetDrawScale() == 1.5f);
  EXPECT_TRUE(g.GetScreenScale() == 2.0f && g.GetDrawScale() == 1.5f) << "both scales restored";
}

TEST(ICanvasResources, ABitmapFromMemoryHasOneOwner)
{
  TestGDelegate dlg;
  ResourceCanvas g(dlg);
  const uint8_t bytes[4] = {};
  const IBitmap bitmap = g.LoadBitmap("mem.png", bytes, 4, 0, false, 1);
  ASSERT_TRUE(bitmap.IsValid());
  EXPECT_EQ(CacheSize(), 1) << "the back end cached it; it is not added twice";
  EXPECT_EQ(bitmap.FH(), 0) << "no frames: frame size 0";
}

TEST(ICanvasResources, SVGFilesAreParsedOnceAndMissingOnesAreInvalid)
{
  Files files({"icon.svg"});
  TestGDelegate dlg;
  ResourceCanvas g(dlg);
  const ISVG a = g.LoadSVG(files.Path("icon.svg").c_str());
  ASSERT_TRUE(a.IsValid());
  EXPECT_EQ(a.W(), 100.0f);
  fs::remove(files.Path("icon.svg"));
  EXPECT_EQ(g.LoadSVG(files.Path("icon.svg").c_str()).mImage, a.mImage) << "the second load comes from the cache";
  EXPECT_FALSE(g.LoadSVG(files.Path("other.svg").c_str()).IsValid());
  EXPECT_FALSE(g.LoadSVG("bad", static_cast<const void*>("<svg"), 4).IsValid());
  EXPECT_EQ(g.LoadResource(files.Path("other.svg").c_str(), "svg").GetSize(), 0u);
}

TEST(ICanvasResources, FontsLoadThroughThePlatformAndTheBackEndOrSayWhyNot)
{
  TestGDelegate dlg;
  ResourceCanvas g(dlg);
  char bytes[4] = {};
  testing::internal::CaptureStdout();
  EXPECT_TRUE(g.LoadFont("ui", bytes, 4));
  EXPECT_FALSE(g.LoadFont("refused", bytes, 4));
  EXPECT_FALSE(g.LoadFont("missing", "Nowhere.ttf"));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Could not load font refused\nCould not locate font Nowhere.ttf\n");
  EXPECT_EQ(g.Only("Cached"), Log{"Cached ui"});
}

TEST(ICanvasLayers, LayersArePixelSizedAndRedrawnAfterAMoveOrAScaleChange)
{
  TestGDelegate dlg;
  Log sink; // outlives the control
  ResourceCanvas g(dlg);
  g.SetScreenScale(2.0f);
  IControl* pControl = g.AttachControl(new LogControl(sink, "c", IRECT(0, 0, 10, 10)));
  g.StartLayer(pControl, IRECT(0, 0, 10.2f, 10.2f));
  ILayerPtr layer = g.EndLayer();
  EXPECT_EQ(layer->GetAPIBitmap()->GetWidth(), 22);
  EXPECT_TRUE(g.CheckLayer(layer));
  pControl->SetTargetAndDrawRECTs(IRECT(5, 0, 15, 10));
  EXPECT_FALSE(g.CheckLayer(layer));
  EXPECT_TRUE(layer->IsInvalid());
  g.StartLayer(nullptr, IRECT(0, 0, 4, 4));
  layer = g.EndLayer();
  g.SetScreenScale(1.0f);
  EXPECT_FALSE(g.CheckLayer(layer));
  EXPECT_FALSE(g.CheckLayer(nullptr));
  EXPECT_EQ(g.PopLayer(), nullptr);
}

TEST(ICanvasLayers, TheShadowIsTheBlurredAlphaOfTheLayer)
{
  TestGDelegate dlg;
  ResourceCanvas g(dlg);
  g.StartLayer(nullptr, IRECT(0, 0, 8, 8));
  ILayerPtr layer = g.EndLayer();
  g.layerMask.assign(8 * 8 * 4, 0);
  g.layerMask[4 * (3 * 8 + 4) + 3] = 255;
  std::vector<uint8_t> expected = g.layerMask, scratch;
  IGaussianBlur(2.0 * 1.0 + 1.0).Apply(expected.data(), expected.size(), 8, 8, 3, false, scratch);
  g.ApplyLayerDropShadow(layer, IShadow(COLOR_BLACK, 2.0f, 2, 2, 0.5f));
  EXPECT_EQ(g.shadowMask, expected);
  g.ApplyLayerDropShadow(layer, IShadow(COLOR_BLACK, 0.0f, 2, 2, 0.5f));
  EXPECT_EQ(g.shadowMask, g.layerMask) << "blur 0 leaves the mask as it is";
  g.layerMask.resize(10);
  g.shadowMask.clear();
  g.ApplyLayerDropShadow(layer, IShadow(COLOR_BLACK, 2.0f, 2, 2, 0.5f));
  EXPECT_TRUE(g.shadowMask.empty()) << "a mask of the wrong size is not used";
}

TEST(ICanvasSVG, AGradientKeepsTheFirstOfEqualOffsetsAndAtMostSixteenStops)
{
  auto gradient = std::make_shared<weft::svg::SVGGradient>();
  auto stops = std::make_shared<weft::svg::SVGGradientStops>();
  for (int i = 0; i < 40; ++i) // red i at offsets 0, 0, 0.025, 0.025, ...
    stops->push_back({0xFF000000u | static_cast<uint32_t>(i), 0.025f * static_cast<float>(i / 2)});
  gradient->stops = stops;
  const IPattern pattern = ICanvas::GetSVGPattern({weft::svg::kPaintLinearGradient, 0, gradient}, 1.0f);
  ASSERT_EQ(pattern.NStops(), 16);
  for (int i = 0; i < 16; ++i)
    EXPECT_TRUE(pattern.GetStop(i).mColor.R == 2 * i && pattern.GetStop(i).mOffset == 0.025f * static_cast<float>(i)) << i;
}

TEST(ICanvasSVG, ARingReplaysFittedWithItsInnerOutlineAsAHole)
{
  TestGDelegate dlg;
  ResourceCanvas g(dlg);
  const char* root = std::getenv("PW_SOURCE_DIR");
  const std::string ring = std::string(root ? root : ".") + "/Tests/ICanvas/SVG/Data/ring.svg";
  const ISVG svg = g.LoadSVG(ring.c_str());
  g.DrawSVG(svg, IRECT(0, 0, 200, 200));
  EXPECT_EQ(g.Only("Transform")[1], "Transform(2,0,0,2,0,0)") << "uniform fit, top-left";
  EXPECT_EQ(g.Only("Solid").size(), 1u);
  EXPECT_EQ(g.log[size_t(std::find(g.log.begin(), g.log.end(), "Solid") - g.log.begin() + 1)], "MoveTo(50,15)");
  EXPECT_EQ(g.Only("Hole").size(), 1u) << "the inner square lies inside the outer one";
  EXPECT_EQ(g.Only("Fill"), Log{"Fill[128,51,102,153]"}) << "opacity 0.5 gives alpha 128";
  EXPECT_EQ(g.Only("Stroke"), Log{"Stroke[128,255,0,0]1"});
  g.log.clear();
  const IColor green(100, 0, 255, 0);
  g.DrawSVG(svg, IRECT(0, 0, 10, 10), nullptr, nullptr, &green);
  EXPECT_EQ(g.Only("Fill"), Log{"Fill[100,0,255,0]"});
  g.log.clear();
  g.DrawSVG(g.LoadSVG("empty", static_cast<const void*>("<svg/>"), 6), IRECT(0, 0, 10, 10));
  g.DrawSVG(ISVG(), IRECT(0, 0, 10, 10));
  EXPECT_TRUE(g.log.empty()) << "no size, or no image: nothing drawn";
}

namespace {

// Prints each fill's pattern as the renderer reads it: type/spread, the
// stops (colour@offset), then, in the image's units, a linear gradient's
// start and end points or a radial one's centre and radius.
struct PatternCanvas : RecordingCanvas
{
  using RecordingCanvas::RecordingCanvas;
  void PathFill(const IPattern& pattern, const IFillOptions& options, const IBlend* pBlend) override
  {
    RecordingCanvas::PathFill(pattern, options, pBlend);
    std::string out = std::to_string(int(pattern.mType)) + "/" + std::to_string(int(pattern.mExtend));
    for (int i = 0; i < pattern.NStops(); ++i)
      out += " " + Str(pattern.GetStop(i).mColor) + "@" + Num(pattern.GetStop(i).mOffset);
    IMatrix inverse = pattern.mTransform;
    inverse.Invert();
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    inverse.TransformPoint(x0, y0, 0.0, 0.0);
    inverse.TransformPoint(x1, y1, 0.0, 1.0);
    out += " (" + Num(x0) + "," + Num(y0) + ")" + (pattern.mType == EPatternType::Radial ? " r" + Num(inverse.mXX) : " (" + Num(x1) + "," + Num(y1) + ")");
    patterns.push_back(out);
  }
  static std::string Num(double v)
  {
    char s[32];
    std::snprintf(s, sizeof(s), "%g", std::round(v * 1000.0) / 1000.0 + 0.0);
    return s;
  }
  Log patterns;
};

} // namespace

TEST(ICanvasSVG, GradientFillsKeepTheirSpreadOpaqueStopsAndPlacementInImageUnits)
{
  const char* text = R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">
    <defs>
      <linearGradient id="box" x1="0" y1="0" x2="1" y2="0" spreadMethod="reflect">
        <stop offset="0" stop-color="#ff0000"/>
        <stop offset="0.25" stop-color="#00ff00" stop-opacity="0.5"/>
        <stop offset="1" stop-color="#0000ff"/>
      </linearGradient>
      <linearGradient id="user" gradientUnits="userSpaceOnUse" x1="0" y1="0" x2="0" y2="50"
                      gradientTransform="translate(10 0)" spreadMethod="repeat">
        <stop offset="0.1" stop-color="#102030"/>
        <stop offset="0.9" stop-color="#405060"/>
      </linearGradient>
      <radialGradient id="rad" gradientUnits="userSpaceOnUse" cx="50" cy="50" r="20">
        <stop offset="0.5" stop-color="#000000"/>
        <stop offset="1" stop-color="#ffffff"/>
      </radialGradient>
    </defs>
    <rect x="10" y="10" width="50" height="20" fill="url(#box)"/>
    <rect x="0" y="60" width="100" height="40" fill="url(#user)" opacity="0.5"/>
    <circle cx="50" cy="50" r="20" fill="url(#rad)"/>
  </svg>)svg";
  TestGDelegate dlg;
  PatternCanvas g(dlg);
  const ISVG svg = g.LoadSVG("gradients", static_cast<const void*>(text), static_cast<int>(std::strlen(text)));
  ASSERT_TRUE(svg.IsValid());
  g.DrawSVG(svg, IRECT(0, 0, 200, 200)); // drawn twice the size: the paints stay in image units
  EXPECT_EQ(g.patterns, (Log{
    "1/2 [255,255,0,0]@0 [255,0,255,0]@0.25 [255,0,0,255]@1 (10,10) (60,10)",
    "1/3 [255,16,32,48]@0.1 [255,64,80,96]@0.9 (10,0) (10,50)",
    "2/1 [255,0,0,0]@0.5 [255,255,255,255]@1 (50,50) r20",
  })) << "linear across the box / user space moved 10 right / radial; stops opaque whatever the opacities";
}
