// The editor opened through the delegate: on the recording context, and in
// a Metal layer at scale 1 and 2 (points doubled) for pixels, saved as PNG.

#include "PressweaveTestRig.h"

#include "../../../ICanvas/Drawing/VG/FontTestFonts.h"
#include "../../../ICanvas/Drawing/VectorCanvasStubs.h"
#include "IAboutBoxControl.h"
#include "ICanvasMac.h"
#include "IVKnobControl.h"
#include "TestCanvas.h"
#include "VGMetal.h"
#include "WaveformControl.h"

#include <Metal/PWShimMetal.h>
#include <QuartzCore/QuartzCore.h>
#include <thread>

using namespace pressweave;
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

struct KnobProbe : IVKnobControl
{
  static float Anchor(IControl* c) { return c->As<IVKnobControl>()->*(&KnobProbe::mAnchorAngle); }
  // Inner and outer pointer fractions and the pointer's thickness.
  static std::vector<float> Pointer(IControl* c)
  {
    const IVKnobControl* k = c->As<IVKnobControl>();
    return {k->*(&KnobProbe::mInnerPointerFrac), k->*(&KnobProbe::mOuterPointerFrac), k->*(&KnobProbe::mPointerThickness)};
  }
};

struct PressweaveEditor : ::testing::Test
{
  // nSidechain 2: both sides carry a signal, so one is present.
  // pixelScale above 0: the Metal layer at that scale.
  Pressweave& Open(int nSidechain = 0, int mode = 0, int theme = 0, float pixelScale = 0)
  {
    rig = std::make_unique<pw::test::DirectRig>(2, nSidechain, 2);
    rig->plug->graphicsFactory = [pixelScale](Pressweave& p, int w, int h, int fps, float s) -> ICanvas* {
      return pixelScale > 0 ? static_cast<ICanvas*>(new LayerCanvas(p, pixelScale)) : new pwtest::RecordingCanvas(p, w, h, fps, s);
    };
    rig->Fill(2, 0.5), rig->Fill(3, 0.5), rig->Process(64);
    pw::test::SetParam(*rig->plug, kSidechainMode, mode), pw::test::SetParam(*rig->plug, kScopeTheme, theme);
    rig->plug->OpenWindow(nullptr);
    return *rig->plug;
  }
  ICanvas& g() const { return *rig->plug->GetUI(); }
  IControl* C(int idx) const { return g().GetControl(idx); }
  std::unique_ptr<pw::test::DirectRig> rig;
};

TEST_F(PressweaveEditor, LayoutAttachesEveryControlInOrder)
{
  Pressweave& plug = Open(0, 0, 3);
  ASSERT_EQ(g().NControls(), 40);
  EXPECT_EQ(g().GetCornerResizer()->GetRECT(), IRECT(980, 380, 1000, 400));
  auto cell = [](float i) { return IRECT(129 + 93.25f * i, 244, 218.25f + 93.25f * i, 396); };
  const IRECT warn(220.25f, 242, 686.5f, 398);
  const char *cc = "CompressorControls", *no = "", *rt = "RingModText";
  struct { int idx; IRECT r; int tag; const char* group; int param; } rows[] = {
    {1, IRECT(127, 242, 873, 398), -1, no, -1}, {2, IRECT(2, 242, 123, 282), 4, no, kScopeTheme}, {3, cell(0), 2, cc, kSidechainMode},
    {4, cell(1), -1, cc, kAttack}, {5, cell(2), -1, cc, kRelease}, {6, cell(3), -1, cc, kThreshold}, {7, cell(4), -1, cc, kRatio},
    {8, cell(5), -1, cc, kSidechainModeMix}, {9, IRECT(595.25f, 366, 625.25f, 396), -1, cc, -1}, {10, IRECT(663.5f, 366, 684.5f, 396), -1, cc, -1},
    {11, cell(6), -1, "PwveControls", kPressweaveAmount}, {12, IRECT(690.5f, 372, 775.75f, 394), -1, no, kPressweaveOn},
    {13, cell(7), -1, "MixControl", kDryWet}, {14, IRECT(875, 0, 1000, 240), -1, no, -1}, {17, IRECT(958.33f, 0, 1000, 240), -1, no, -1},
    {19, IRECT(0, 0, 873, 240), -1, no, -1}, {20, IRECT(811.32f, 12, 855.32f, 56), -1, no, kScopeSync},
    {21, IRECT(875, 242, 1000, 398), -1, no, -1}, {22, IRECT(875, 281, 1000, 398), 5, no, -1},
    {23, IRECT(877, 244, 998, 279.2f), -1, "StereoControls", kStereoWidth}, {24, warn, 6, "SideChainTextWarnings", -1},
    {25, warn, -1, rt, -1}, {26, warn, 10, rt, -1}, {27, IRECT(12, 303.48f, 113, 439.48f), -1, no, -1},
    {28, IRECT(12, 303.48f, 113, 366.16f), -1, no, -1}, {29, IRECT(0, 0, 1000, 400), 12, no, -1}};
  for (const auto& row : rows)
  {
    const IRECT& r = C(row.idx)->GetRECT();
    EXPECT_TRUE(std::abs(r.L - row.r.L) + std::abs(r.T - row.r.T) + std::abs(r.R - row.r.R) + std::abs(r.B - row.r.B) < 0.01f) << row.idx;
    EXPECT_EQ(C(row.idx)->GetTag() * 100 + C(row.idx)->GetParamIdx(), row.tag * 100 + row.param) << row.idx;
    EXPECT_STREQ(C(row.idx)->GetGroup(), row.group) << row.idx;
  }
  std::set<int> bound;
  for (int i = 0; i < g().NControls(); ++i)
    bound.insert(C(i)->GetParamIdx());
  EXPECT_EQ(bound, std::set<int>({-1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13}));
  for (auto [idx, anchor] : {std::pair{6, 135.f}, {8, 0.f}, {4, -135.f}, {5, -135.f}, {7, -135.f}, {11, -135.f}, {13, -135.f}, {20, -135.f}})
    EXPECT_EQ(KnobProbe::Anchor(C(idx)), anchor) << idx;
  WaveformControl themed(IRECT(), COLOR_RED, COLOR_RED, COLOR_RED, nullptr);
  themed.SetColorTheme(3);
  EXPECT_EQ(plug.GetScopeControl(0)->GetColorOutput(), themed.GetColorOutput());
  EXPECT_EQ(plug.GetScopeControl(1), C(19));
  auto* box = C(29)->As<IAboutBoxControl>();
  ASSERT_EQ(box->NChildren(), 10);
  EXPECT_EQ(box->GetChild(0)->GetRECT(), IRECT(0, 75, 1000, 175));
  int i = 0;
  for (int band : {0, 0, 1, 2, 3, 4, 6, 7, 9, 10})
    EXPECT_TRUE(box->GetChild(i)->IsHidden() && (i++ == 0 || std::abs(box->GetChild(i - 1)->GetRECT().T - 139 - 15.6364f * band) < 1e-3f)) << i;
  EXPECT_TRUE(box->IsHidden());
  box->Show(), g().OnMouseDown(pwtest::At(60, 320)); // over the info button, the box is hit first
  EXPECT_TRUE(box->IsHidden() && box->GetChild(4)->IsHidden());
#ifdef NDEBUG
  for (int tag : {2, 4, 5, 6, 10, 12})
    EXPECT_EQ(g().AttachControl(themed.As<IControl>(), tag), nullptr) << tag;
#endif
}

TEST_F(PressweaveEditor, ParameterKnobsDrawTheirPointerFromSevenToNineTenthsThreeWide)
{
  Open();
  for (int idx : {4, 5, 6, 7, 8, 11, 13})
    EXPECT_EQ(KnobProbe::Pointer(C(idx)), (std::vector<float>{0.7f, 0.9f, 3.0f})) << idx;
  EXPECT_EQ(KnobProbe::Pointer(C(20)), (std::vector<float>{0.1f, 1.0f, 2.5f})) << "the scope-sync knob keeps the stock pointer";
}

TEST_F(PressweaveEditor, IdleFollowsModeSidechainAndTheme)
{
  const std::set<int> all = {kSidechainModeMix, kAttack, kRelease, kThreshold, kRatio};
  struct { int mode, nSidechain; std::set<int> off; bool ringmod, warning; } cases[] = {
    {0, 0, all, false, true}, {0, 2, all, true, false}, {1, 0, all, false, true}, {1, 2, {kSidechainModeMix}, false, false}, {2, 0, all, false, true}, {2, 2, {}, false, false}};
  for (const auto& k : cases)
  {
    Open(k.nSidechain, k.mode).OnIdle();
    for (int i = 0; i < g().NControls(); ++i)
      EXPECT_EQ(C(i)->GetBlend().mWeight, k.off.count(C(i)->GetParamIdx()) ? 0.25f : 1.0f) << i << " mode " << k.mode << " sc " << k.nSidechain;
    EXPECT_EQ(!C(25)->IsHidden() + !C(26)->IsHidden() * 2 + !C(24)->IsHidden() * 4, k.ringmod * 3 + k.warning * 4) << k.mode << k.nSidechain;
    EXPECT_EQ(rig->plug->GetScopeControl(0)->GetColorInput() == COLOR_DARK_GRAY, k.nSidechain == 0);
  }
  // "Scope Theme" from another thread reaches the scopes at idle, also while
  // the editor closes and reopens; then the plug-in dies with it open.
  Pressweave& plug = *rig->plug; // the last case: a sidechain, Combined
  std::thread([&] { pw::test::SetParam(plug, kScopeTheme, 2), plug.OnParamChange(kScopeTheme); }).join();
  WaveformControl themed(IRECT(), COLOR_RED, COLOR_RED, COLOR_RED, nullptr);
  themed.SetColorTheme(2);
  EXPECT_NE(plug.GetScopeControl(1)->GetColorOutput(), themed.GetColorOutput());
  plug.OnIdle();
  EXPECT_EQ(plug.GetScopeControl(1)->GetColorOutput(), themed.GetColorOutput());
  std::thread([&] { plug.OnParamChange(kScopeTheme); }).join();
  plug.CloseWindow();
  EXPECT_EQ(plug.GetScopeControl(0), nullptr);
  plug.OnIdle(), plug.OpenWindow(nullptr), plug.OnIdle();
  rig.reset();
}

TEST_F(PressweaveEditor, ScaleFromTheStateAndThePluginDoctorFix)
{
  Pressweave& plug = Open();
  EXPECT_EQ(g().Width() * g().Height() * g().FPS() * g().GetDrawScale(), 1000 * 400 * 60);
  plug.OnIdle();
  EXPECT_TRUE(plug.IsPluginDoctorFixDone()); // not Plugin Doctor
  g().Resize(1000, 400, 1.5f, true);
  weft::IByteChunk chunk;
  plug.SerializeState(chunk), plug.CloseWindow(), plug.UnserializeState(chunk, 0), plug.OpenWindow(nullptr);
  EXPECT_FALSE(plug.IsPluginDoctorFixDone());
  EXPECT_EQ(g().GetDrawScale(), 1.5f);
  g().Resize(1000, 400, 1.0f, true), plug.UnserializeState(chunk, 0);
  EXPECT_EQ(g().GetDrawScale(), 1.5f);
  rig->plug->SetHostForTest(static_cast<weft::EHost>(41));
  plug.UnserializeState(chunk, 0), plug.OnIdle();
  EXPECT_EQ(g().GetDrawScale() * 10 + plug.IsPluginDoctorFixDone(), 10.0f); // at screen scale 1: keeps checking
  g().SetScreenScale(2.0f), plug.OnIdle(), g().SetScreenScale(2.0f), plug.OnIdle();
  EXPECT_EQ(g().GetScreenScale(), 2.0f); // the first corrected once
  EXPECT_TRUE(plug.IsPluginDoctorFixDone());
  rig->plug->graphicsFactory = nullptr;
  std::unique_ptr<ICanvas> mac(plug.CreateGraphics());
  EXPECT_STREQ(dynamic_cast<ICanvasMac&>(*mac).GetBundleID(), "com.Corvantis x Lumidrake.audiounit.Pressweave");
  EXPECT_STREQ(mac->GetSharedResourcesSubPath(), "Pressweave");
}


struct PressweaveEditorPixels : PressweaveEditor, ::testing::WithParamInterface<float>
{
  LayerCanvas& Open()
  {
    PressweaveEditor::Open(0, 0, 0, GetParam());
    weft::ITimeInfo transport;
    transport.mPPQPos = 0.0;
    rig->SetTransport(transport), rig->plug->OnIdle();
    return static_cast<LayerCanvas&>(g());
  }
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  void TearDown() override { rig.reset(), [pool release]; }
};

TEST_P(PressweaveEditorPixels, DefaultStateThenAFullScaleInput)
{
  Open().Check("default", {{880, 290, 0x010101, 0}, {220, 300, 0x111111, 0}, {14, 268, 0x06B2C4, 0}, {44, 268, 0x2A2E33, 0},
                           {733, 332, 0x2A2E33, 0}, {266, 355, 0x000000, 0}, {937, 273, 0x004C5E, 0}, {60, 310, 0xCCCCCC, 0},
                           {932, 210, 0x010101, 0}, {453, 289, 0x0B363B, 2}, {691, 339, 0xFF0000, 2}, {200, 120, 0x1F2B2F, 2}});
  rig->Fill(0, 1.0), rig->Fill(1, 1.0);
  for (int i = 0; i < 8; ++i)
    rig->Process(512), std::this_thread::sleep_for(std::chrono::milliseconds(2)), rig->plug->OnIdle();
  static_cast<LayerCanvas&>(g()).Check("signal", {{932, 210, 0x1B1E22, 2}});
}

TEST_P(PressweaveEditorPixels, InfoClickDarkensTheWindowWithTheAboutBox)
{
  LayerCanvas& layer = Open();
  layer.OnMouseDown(pwtest::At(60, 320)), layer.OnMouseUp(pwtest::At(60, 320));
  IRECTList dirty; // the splash, then the box's fade, advance as frames are collected
  for (int i = 0; i < 15; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20)), layer.IsDirty(dirty);
  layer.Check("about", {{220, 330, 0x040404, 2}});
}

INSTANTIATE_TEST_SUITE_P(Scales, PressweaveEditorPixels, ::testing::Values(1.0f, 2.0f));

} // namespace
