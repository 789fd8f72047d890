// The product's editor opened through the delegate on a recording context:
// the factory, the control tree, the idle rules, the about box and the
// editor's scale in the saved state.

#include "PressweaveTestRig.h"

#include "IAboutBoxControl.h"
#include "IVKnobControl.h"
#include "TestCanvas.h"
#include "WaveformControl.h"

#include <set>
#include <thread>

using namespace pressweave;
using namespace weft::canvas;
using pw::test::DirectRig;
using pw::test::SetParam;

namespace {

struct KnobProbe : IVKnobControl
{
  static float Anchor(IControl* pKnob) { return static_cast<KnobProbe*>(pKnob->As<IVKnobControl>())->mAnchorAngle; }
};

class PressweaveEditor : public ::testing::Test
{
protected:
  // nSidechain 0: no sidechain ever; 2: both sides connected and carrying
  // a signal, so present once a block ran.
  void Make(int nSidechain)
  {
    rig = std::make_unique<DirectRig>(2, nSidechain, 2);
    rig->plug->graphicsFactory = [](Pressweave& p, int w, int h, int fps, float scale) {
      return new pwtest::RecordingCanvas(p, w, h, fps, scale);
    };
    for (int c = 2; c < 2 + nSidechain; ++c)
      rig->Fill(c, 0.5);
    rig->Process(64);
  }
  pwtest::RecordingCanvas* Open()
  {
    rig->plug->OpenWindow(nullptr);
    return UI();
  }
  pwtest::RecordingCanvas* UI() const { return static_cast<pwtest::RecordingCanvas*>(rig->plug->GetUI()); }
  IControl* C(int idx) const { return UI()->GetControl(idx); }

  std::unique_ptr<DirectRig> rig;
};

TEST_F(PressweaveEditor, FactoryOpensAtTheStoredScaleAndClearsTheDoctorFlagPerOpening)
{
  Make(0);
  pwtest::RecordingCanvas* g = Open();
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->Width(), 1000);
  EXPECT_EQ(g->Height(), 400);
  EXPECT_EQ(g->FPS(), 60);
  EXPECT_EQ(g->GetDrawScale(), 1.0f);
  rig->plug->OnIdle(); // not Plugin Doctor: settled at once
  EXPECT_TRUE(rig->plug->IsPluginDoctorFixDone());

  // A state saved at 1.5 holds 1.5 and reopens the editor there.
  g->Resize(1000, 400, 1.5f, true);
  weft::IByteChunk chunk;
  ASSERT_TRUE(rig->plug->SerializeState(chunk));
  rig->plug->CloseWindow();
  EXPECT_EQ(rig->plug->GetScopeControl(0), nullptr);
  EXPECT_EQ(rig->plug->GetGoniometerControl(), nullptr);
  EXPECT_EQ(rig->plug->UnserializeState(chunk, 0), kStateBytes);
  g = Open();
  EXPECT_FALSE(rig->plug->IsPluginDoctorFixDone());
  EXPECT_EQ(g->GetDrawScale(), 1.5f);

  // Restored with the editor open: resized to the state's scale; under
  // Plugin Doctor to the screen's.
  g->Resize(1000, 400, 1.0f, true);
  rig->plug->UnserializeState(chunk, 0);
  EXPECT_EQ(g->GetDrawScale(), 1.5f);
  rig->plug->SetHostForTest(static_cast<weft::EHost>(kHostIDPluginDoctor));
  rig->plug->UnserializeState(chunk, 0);
  EXPECT_EQ(g->GetDrawScale(), 1.0f);
  EXPECT_EQ(rig->plug->GetStoredDrawScale(), 1.5f);
  EXPECT_EQ(GetScaleForScreen(3000, 17), 1.0f);
}

TEST_F(PressweaveEditor, LayoutAttachesEveryControlInOrderWithItsRectangleTagGroupAndParameter)
{
  Make(0);
  SetParam(*rig->plug, kScopeTheme, 3);
  pwtest::RecordingCanvas* g = Open();
  ASSERT_EQ(g->NControls(), 40);
  ASSERT_NE(g->GetCornerResizer(), nullptr);
  EXPECT_EQ(g->GetCornerResizer()->GetRECT(), IRECT(980, 380, 1000, 400));

  struct Row { int idx; IRECT r; int tag; const char* group; int param; };
  const float c = 93.25f;
  auto cell = [c](int i) { return IRECT(129 + c * i, 244, 218.25f + c * i, 396); };
  const Row rows[] = {
    {1, IRECT(127, 242, 873, 398), -1, "", kNoParameter},
    {2, IRECT(2, 242, 123, 282), kCtrlTagScopeTheme, "", kScopeTheme},
    {3, cell(0), kCtrlTagSidechainMode, "CompressorControls", kSidechainMode},
    {4, cell(1), -1, "CompressorControls", kAttack},
    {5, cell(2), -1, "CompressorControls", kRelease},
    {6, cell(3), -1, "CompressorControls", kThreshold},
    {7, cell(4), -1, "CompressorControls", kRatio},
    {8, cell(5), -1, "CompressorControls", kSidechainModeMix},
    {9, IRECT(129 + 5 * c, 366, 159 + 5 * c, 396), -1, "CompressorControls", kNoParameter},
    {10, IRECT(197.25f + 5 * c, 366, 218.25f + 5 * c, 396), -1, "CompressorControls", kNoParameter},
    {11, cell(6), -1, "PwveControls", kPressweaveAmount},
    {12, IRECT(131 + 6 * c, 372, 216.25f + 6 * c, 394), -1, "", kPressweaveOn},
    {13, cell(7), -1, "MixControl", kDryWet},
    {14, IRECT(875, 0, 1000, 240), -1, "", kNoParameter},
    {18, IRECT(0, 0, 873, 240), -1, "", kNoParameter},
    {19, IRECT(0, 0, 873, 240), -1, "", kNoParameter},
    {20, IRECT(811.32f, 12, 855.32f, 56), -1, "", kScopeSync},
    {21, IRECT(875, 242, 1000, 398), -1, "", kNoParameter},
    {22, IRECT(875, 281, 1000, 398), kCtrlTagGoniometer, "", kNoParameter},
    {23, IRECT(877, 244, 998, 279.2f), -1, "StereoControls", kStereoWidth},
    {24, IRECT(220.25f, 242, 686.5f, 398), kCtrlTagSidechainWarning, "SideChainTextWarnings", kNoParameter},
    {25, IRECT(220.25f, 242, 686.5f, 398), -1, "RingModText", kNoParameter},
    {26, IRECT(220.25f, 242, 686.5f, 398), kCtrlTagRingmodText, "RingModText", kNoParameter},
    {27, IRECT(12, 303.48f, 113, 439.48f), -1, "", kNoParameter},
    {28, IRECT(12, 303.48f, 113, 366.16f), -1, "", kNoParameter},
    {29, IRECT(0, 0, 1000, 400), kCtrlTagAboutBox, "", kNoParameter},
  };
  for (const Row& row : rows)
  {
    SCOPED_TRACE(row.idx);
    const IRECT& r = C(row.idx)->GetRECT();
    EXPECT_NEAR(r.L, row.r.L, 5e-3f);
    EXPECT_NEAR(r.T, row.r.T, 5e-3f);
    EXPECT_NEAR(r.R, row.r.R, 5e-3f);
    EXPECT_NEAR(r.B, row.r.B, 5e-3f);
    EXPECT_EQ(C(row.idx)->GetTag(), row.tag);
    EXPECT_STREQ(C(row.idx)->GetGroup(), row.group);
    EXPECT_EQ(C(row.idx)->GetParamIdx(), row.param);
  }
  for (int i = 15; i <= 17; ++i)
    EXPECT_NEAR(C(i)->GetRECT().W(), 125.0f / 3.0f, 1e-3f);

  // Parameters 0 and 12 have no control, every other one has.
  std::set<int> bound;
  for (int i = 0; i < g->NControls(); ++i)
    bound.insert(C(i)->GetParamIdx());
  for (int p = 0; p < kNumParams; ++p)
    EXPECT_EQ(bound.count(p), p == kInputGain || p == kViewMode ? 0u : 1u) << p;

  EXPECT_EQ(KnobProbe::Anchor(C(6)), 135.0f);
  EXPECT_EQ(KnobProbe::Anchor(C(8)), 0.0f);
  for (int i : {4, 5, 7, 11, 13, 20})
    EXPECT_EQ(KnobProbe::Anchor(C(i)), -135.0f) << i;

  // Both scopes in the theme "Scope Theme" holds, before their first draw.
  WaveformControl themed(IRECT(), COLOR_RED, COLOR_RED, COLOR_RED, nullptr);
  themed.SetColorTheme(3);
  for (int s : {0, 1})
  {
    EXPECT_EQ(rig->plug->GetScopeControl(s), C(18 + s));
    EXPECT_EQ(rig->plug->GetScopeControl(s)->GetColorOutput(), themed.GetColorOutput());
  }
  EXPECT_EQ(static_cast<void*>(rig->plug->GetGoniometerControl()), static_cast<void*>(C(22)));

  // The about box and its ten children, hidden, in bands of 15.64 from 139.
  auto* box = C(29)->As<IAboutBoxControl>();
  ASSERT_NE(box, nullptr);
  ASSERT_EQ(box->NChildren(), 10);
  EXPECT_TRUE(box->IsHidden());
  EXPECT_EQ(box->GetChild(0)->GetRECT(), IRECT(0, 75, 1000, 175));
  const int bandOf[] = {0, 0, 1, 2, 3, 4, 6, 7, 9, 10};
  for (int i = 1; i < 10; ++i)
  {
    EXPECT_TRUE(box->GetChild(i)->IsHidden()) << i;
    EXPECT_NEAR(box->GetChild(i)->GetRECT().T, 139 + 172.0f / 11 * bandOf[i], 1e-3f) << i;
    EXPECT_EQ(box->GetChild(i)->GetRECT().W(), 1072.0f);
  }

  // Tags are unique.
  for (int tag : {2, 4, 5, 6, 10, 12})
  {
#ifdef NDEBUG
    IControl* dup = new IVKnobControl(IRECT(), kNoParameter);
    EXPECT_EQ(g->AttachControl(dup, tag), nullptr) << tag;
    delete dup;
#else
    EXPECT_DEATH(g->AttachControl(new IVKnobControl(IRECT(), kNoParameter), tag), "unique") << tag;
#endif
  }
}

TEST_F(PressweaveEditor, IdleEnablesTheKnobsAndShowsTheBannersByModeAndSidechain)
{
  struct Case { int mode; int nSidechain; std::set<int> disabled; bool ringmod, warning; };
  const std::set<int> five = {kSidechainModeMix, kAttack, kRelease, kThreshold, kRatio};
  const Case cases[] = {
    {kSidechainRingmod, 0, five, false, true},
    {kSidechainRingmod, 2, five, true, false},
    {kSidechainCompressor, 0, five, false, true},
    {kSidechainCompressor, 2, {kSidechainModeMix}, false, false},
    {kSidechainCombined, 0, five, false, true},
    {kSidechainCombined, 2, {}, false, false},
  };
  for (const Case& k : cases)
  {
    SCOPED_TRACE(testing::Message() << "mode " << k.mode << " sidechain " << k.nSidechain);
    Make(k.nSidechain);
    SetParam(*rig->plug, kSidechainMode, k.mode);
    pwtest::RecordingCanvas* g = Open();
    rig->plug->OnIdle();
    ASSERT_EQ(rig->plug->IsSidechainPresent(), k.nSidechain > 0);
    for (int i = 0; i < g->NControls(); ++i)
    {
      const int p = C(i)->GetParamIdx();
      const bool off = k.disabled.count(p) > 0;
      EXPECT_EQ(C(i)->IsDisabled(), off) << i;
      EXPECT_EQ(C(i)->GetBlend().mWeight, off ? 0.25f : 1.0f) << i;
      EXPECT_FALSE(C(i)->IsHidden() && p > kNoParameter) << i;
    }
    EXPECT_FALSE(C(9)->IsDisabled()); // the captions never grey
    EXPECT_EQ(!C(25)->IsHidden(), k.ringmod);
    EXPECT_EQ(!C(26)->IsHidden(), k.ringmod);
    EXPECT_EQ(!C(24)->IsHidden(), k.warning);
    // The scopes' input is grey while no sidechain is present.
    EXPECT_EQ(rig->plug->GetScopeControl(0)->GetColorInput() == COLOR_DARK_GRAY, k.nSidechain == 0);
  }
}

TEST_F(PressweaveEditor, IdleRedrawsAfterARefreshAndAppliesTheThemeOnlyToAnOpenEditor)
{
  Make(2);
  rig->plug->OnActivate(true); // raises the refresh flag
  rig->plug->OnIdle(); // closed: the flag is cleared, nothing else
  EXPECT_FALSE(rig->plug->IsEditorRefreshPending());
  pwtest::RecordingCanvas* g = Open();
  rig->plug->OnIdle();
  EXPECT_GT(g->Tick().Size(), 0);

  // "Scope Theme" set from another thread reaches the scopes at idle.
  std::thread([this] {
    SetParam(*rig->plug, kScopeTheme, 2);
    rig->plug->OnParamChange(kScopeTheme);
  }).join();
  WaveformControl themed(IRECT(), COLOR_RED, COLOR_RED, COLOR_RED, nullptr);
  themed.SetColorTheme(2);
  EXPECT_NE(rig->plug->GetScopeControl(1)->GetColorOutput(), themed.GetColorOutput());
  rig->plug->OnIdle();
  EXPECT_EQ(rig->plug->GetScopeControl(1)->GetColorOutput(), themed.GetColorOutput());

  // Closing with a theme pending, idling closed, reopening, and destroying
  // the plug-in with its editor open.
  std::thread([this] { rig->plug->OnParamChange(kScopeTheme); }).join();
  rig->plug->CloseWindow();
  rig->plug->OnIdle();
  Open();
  rig->plug->OnIdle();
  EXPECT_EQ(rig->plug->GetScopeTheme(), 2);
  rig.reset();
}

TEST_F(PressweaveEditor, PluginDoctorScaleFixRunsOnceAtAScreenScaleOtherThanNormal)
{
  Make(0);
  rig->plug->SetHostForTest(static_cast<weft::EHost>(kHostIDPluginDoctor));
  pwtest::RecordingCanvas* g = Open();
  rig->plug->OnIdle();
  EXPECT_FALSE(rig->plug->IsPluginDoctorFixDone()); // at 1.0: keeps checking
  g->SetScreenScale(2.0f);
  g->log.clear();
  rig->plug->OnIdle();
  EXPECT_TRUE(rig->plug->IsPluginDoctorFixDone());
  EXPECT_EQ(g->GetScreenScale(), 1.0f);
  EXPECT_EQ(g->Only("DrawResize").size(), 1u);
  g->SetScreenScale(2.0f);
  rig->plug->OnIdle();
  EXPECT_EQ(g->GetScreenScale(), 2.0f); // once per opening
}

TEST_F(PressweaveEditor, InfoClickShowsTheAboutBoxAfterTheSplashAndEscapeOrAClickHidesIt)
{
  Make(0);
  pwtest::RecordingCanvas* g = Open();
  IControl* box = C(29);
  g->OnMouseDown(pwtest::At(60, 320));
  g->OnMouseUp(pwtest::At(60, 320));
  g->Tick();
  EXPECT_TRUE(box->IsHidden()); // the splash runs first
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  g->Tick();
  ASSERT_FALSE(box->IsHidden());
  EXPECT_FALSE(box->As<IAboutBoxControl>()->GetChild(4)->IsHidden());
  EXPECT_LT(box->GetBlend().mWeight, 0.5f); // fading in over 200 ms
  std::this_thread::sleep_for(std::chrono::milliseconds(220));
  g->Tick();
  EXPECT_EQ(box->GetBlend().mWeight, 1.0f);

  weft::IKeyPress escape("", 27);
  EXPECT_TRUE(g->OnKeyDown(500, 200, escape));
  EXPECT_TRUE(box->IsHidden());
  EXPECT_TRUE(box->As<IAboutBoxControl>()->GetChild(4)->IsHidden());

  box->As<IAboutBoxControl>()->Show();
  g->OnMouseDown(pwtest::At(60, 320)); // over the info button: the box is hit first
  EXPECT_TRUE(box->IsHidden());
}

} // namespace
