// The editor: start-up (graphics factory and layout), the control tree and
// its builders, the about box, and the rules that keep the open editor in
// step with the engine. Main thread.

#include "Pressweave.h"

#include "DynamicRangeMeterControl.h"
#include "Goniometer3.h"
#include "GridDrawer.h"
#include "IAboutBoxControl.h"
#include "ICanvas.h"
#include "ICanvasMac.h"
#include "ITextControl.h"
#include "IURLControl.h"
#include "IVButtonControl.h"
#include "IVKnobControl.h"
#include "IVLabelControl.h"
#include "IVPanelControl.h"
#include "IVRadioButtonControl.h"
#include "IVSliderControl.h"
#include "IVToggleControl.h"
#include "LogoControl.h"
#include "PressweaveColors.h"
#include "WaveformControl.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace pressweave {

using namespace weft::canvas;

namespace {

constexpr const char* kFontID = "Roboto-Regular";
constexpr const char* kFontFile = "Roboto-Regular.ttf";
constexpr const char* kEditorBundleID = "com.Corvantis x Lumidrake.audiounit.Pressweave";
constexpr const char* kEditorAppGroupID = "group.com.Corvantis x Lumidrake.Pressweave";
constexpr const char* kSharedResourcesSubPath = "Pressweave";
constexpr const char* kAboutVersion = "1.0.1";

constexpr float kKnobStart = -135.0f;
constexpr float kKnobEnd = 135.0f;
constexpr double kGearing = 4.0;

IVStyle MakeBaseStyle()
{
  return IVStyle(true, true,
                 {Colors::EQ_PANEL, Colors::EQ_FG, Colors::EQ_PR, Colors::EQ_SH, Colors::EQ_PR, Colors::EQ_SH,
                  Colors::EQ_PR, Colors::EQ_PR.WithContrast(0.8f), Colors::EQ_PR.WithContrast(0.4f)},
                 IText(12.0f, EAlign::Center, Colors::EQ_LABLE), IText(12.0f, EVAlign::Top, Colors::EQ_LABLE),
                 true /* hide cursor */, true /* frame */, false /* shadows */, false /* emboss */, 0.0f /* roundness */,
                 1.0f /* frame thickness */, 2.0f /* shadow offset */, 1.0f /* widget fraction */, 0.0f /* angle */);
}

IVStyle MakeAboutBoxStyle(float valueSize)
{
  IText valueText = DEFAULT_VALUE_TEXT;
  valueText.mSize = valueSize;
  valueText.mFGColor = COLOR_WHITE;
  return DEFAULT_STYLE.WithDrawFrame(false).WithColor(kSH, COLOR_BLACK).WithShadowOffset(1.0f).WithValueText(valueText);
}

IText CentredWhiteText(float size)
{
  return IText(size, COLOR_WHITE, nullptr, EAlign::Center, EVAlign::Middle, 0.0f);
}

// The info button's animation-end action: shows the about box.
void ShowAboutBox(IControl* pCaller)
{
  ICanvas* pUI = pCaller ? pCaller->GetUI() : nullptr;
  IControl* pControl = pUI ? pUI->GetControlWithTag(kCtrlTagAboutBox) : nullptr;
  if (IAboutBoxControl* pBox = pControl ? pControl->As<IAboutBoxControl>() : nullptr)
    pBox->Show();
}

// The about box's children, in the order the resize function places them.
void AddAboutBoxContent(IContainerBase* pBox, const char* apiStr, const char* archStr)
{
  const IVStyle aboutStyle = MakeAboutBoxStyle(15.0f);
  char buildLine[128];
  std::snprintf(buildLine, sizeof(buildLine), "%s | %s", apiStr ? apiStr : "", archStr ? archStr : "");
  const std::string version = std::string("Version ") + kAboutVersion;

  pBox->AddChildControl(new ITextControl(IRECT(), "PRESSWEAVE", CentredWhiteText(32.5f), DEFAULT_BGCOLOR, false));
  pBox->AddChildControl(new IVLabelControl(IRECT(), version.c_str(), aboutStyle));
  pBox->AddChildControl(new IVLabelControl(IRECT(), buildLine, aboutStyle));
  pBox->AddChildControl(new IVLabelControl(IRECT(), "", MakeAboutBoxStyle(20.0f)));
  pBox->AddChildControl(new IVLabelControl(IRECT(), "Corvantis", MakeAboutBoxStyle(20.0f)));
  pBox->AddChildControl(new IURLControl(IRECT(), "Contact Corvantis", "https://corvantis.example/contact",
                                        CentredWhiteText(19.6f), DEFAULT_BGCOLOR, COLOR_WHITE, COLOR_BLUE));
  pBox->AddChildControl(new IVLabelControl(IRECT(), "Developed by Lumidrake", MakeAboutBoxStyle(20.0f)));
  pBox->AddChildControl(new IVLabelControl(IRECT(), "hello@lumidrake.example", MakeAboutBoxStyle(20.0f)));
  pBox->AddChildControl(new IVLabelControl(IRECT(), "(c) 2026 Corvantis x Lumidrake", MakeAboutBoxStyle(20.0f)));
  pBox->AddChildControl(new IURLControl(IRECT(), "lumidrake.example", "https://lumidrake.example",
                                        CentredWhiteText(16.8f), DEFAULT_BGCOLOR, COLOR_WHITE, COLOR_BLUE));
}

// Title in the top quarter; the rest in eleven bands below it, 5 and 8
// left empty.
void ResizeAboutBox(IContainerBase* pBox, const IRECT& r)
{
  const IRECT title = r.GetFromTop(0.25f * r.W()).GetCentredInside(r.W(), 100.0f);
  const IRECT bands = title.GetVShifted(100.0f).GetPadded(36.0f);
  static constexpr int kBandOfChild[] = {0, 1, 2, 3, 4, 6, 7, 9, 10};
  if (IControl* pTitle = pBox->GetChild(0))
    pTitle->SetTargetAndDrawRECTs(title);
  for (int i = 0; i < 9; ++i)
  {
    if (IControl* pChild = pBox->GetChild(i + 1))
      pChild->SetTargetAndDrawRECTs(bands.SubRectVertical(11, kBandOfChild[i]));
  }
}

} // namespace

float GetScaleForScreen(int, int) { return 1.0f; }

ICanvas* MakeGraphics(weft::IGEditorDelegate& dlg, int w, int h, int fps, float scale)
{
  auto* pGraphics = new ICanvasMac(dlg, w, h, fps, scale);
  pGraphics->SetBundleID(kEditorBundleID);
  pGraphics->SetAppGroupID(kEditorAppGroupID);
  pGraphics->SetSharedResourcesSubPath(kSharedResourcesSubPath);
  return pGraphics;
}

ICanvas* Pressweave::MakePlatformGraphics(int w, int h, int fps, float scale)
{
  return MakeGraphics(*this, w, h, fps, scale);
}

ICanvas* Pressweave::MakeEditorGraphics()
{
  mPluginDoctorFixDone = false;
  const float scale =
    mDrawScale > 0.0f ? mDrawScale : GetScaleForScreen(kEditorGraphicsWidth, kEditorGraphicsHeight);
  return MakePlatformGraphics(kEditorGraphicsWidth, kEditorGraphicsHeight, kEditorFPS, scale);
}

void Pressweave::LayoutEditor(ICanvas* pGraphics)
{
  if (!pGraphics)
    return;
  pGraphics->AttachCornerResizer(EUIResizerMode::Scale, false, Colors::EQ_FG, Colors::EQ_FG.WithContrast(0.6f),
                                 Colors::EQ_FG.WithContrast(0.4f), 20.0f);
  pGraphics->LoadFont(kFontID, kFontFile);
  CreateControls(pGraphics);
}

void Pressweave::OnUIClose()
{
  // The controls die with the closing editor.
  mScopeControlLeft = nullptr;
  mScopeControlRight = nullptr;
  mGoniometerControl = nullptr;
}

void Pressweave::CreateControls(ICanvas* pGraphics)
{
  const IRECT b = pGraphics->GetBounds();
  const float H = b.H();
  const IRECT top = b.GetFromTop(0.6f * H);
  const IRECT bottom = b.GetFromBottom(0.4f * H);
  const IRECT scopeArea = top.GetGridCell(0, 1, 8, EDirection::Horizontal, 7).GetReducedFromRight(2.0f);
  const IRECT meterArea = top.GetGridCell(7, 1, 8);
  const IRECT compressorPanel = bottom.GetGridCell(1, 1, 8, EDirection::Horizontal, 6).GetPadded(-2.0f);
  const IRECT goniometerPanel = bottom.GetGridCell(7, 1, 8).GetVPadded(-2.0f);
  const IRECT goniometer = goniometerPanel.FracRectVertical(0.75f, false);
  const IRECT slider =
    goniometerPanel.GetFromTop(0.32f * bottom.H()).GetPadded(-2.0f).GetReducedFromBottom(12.0f);
  const IRECT warningArea = compressorPanel.GetGridCell(1, 1, 8, EDirection::Horizontal, 5);
  const IRECT logoCell = bottom.GetGridCell(0, 1, 8).GetPadded(-2.0f);
  const IRECT logo = logoCell.GetPadded(-10.0f).GetVShifted(0.33f * logoCell.H());
  const IRECT infoButton = logo.GetReducedFromBottom(0.47f * logoCell.H());

  const IVStyle baseStyle = MakeBaseStyle();
  const IVStyle panelStyle = baseStyle.WithShowLabel(false).WithColor(kFG, EQ_panel);
  const IVStyle goniometerPanelStyle = panelStyle.WithColor(kFG, Colors::EQ_PANEL);
  const IVStyle sliderStyle =
    baseStyle.WithColor(kBG, COLOR_TRANSPARENT).WithColor(kFG, Colors::EQ_PR.WithContrast(-0.4f));
  const IVStyle warningPanelStyle = baseStyle.WithShowLabel(false)
                                      .WithColor(kFG, Colors::EQ_PR.WithOpacity(0.05f))
                                      .WithColor(kBG, COLOR_TRANSPARENT)
                                      .WithDrawFrame(false);
  const IVStyle infoButtonStyle = sliderStyle.WithShowLabel(false)
                                    .WithColor(kFG, COLOR_TRANSPARENT)
                                    .WithColor(kPR, COLOR_TRANSPARENT)
                                    .WithDrawFrame(false)
                                    .WithDrawShadows(false)
                                    .WithRoundness(1.3f);

  pGraphics->AttachPanelBackground(IPattern(Colors::EQ_PANEL));
  pGraphics->AttachControl(new IVPanelControl(compressorPanel, "Compressor", panelStyle));
  CreateCompressorControls(pGraphics, compressorPanel, bottom, baseStyle);
  CreateMeterControls(pGraphics, meterArea);
  CreateWaveViewerControls(pGraphics, scopeArea, baseStyle);
  pGraphics->AttachControl(new IVPanelControl(goniometerPanel, "Goniometer", goniometerPanelStyle));

  mGoniometerControl =
    new PressweaveGoniometer(goniometer, Colors::EQ_PR, 1, GetBlockSize(), 44100.0f);
  pGraphics->AttachControl(mGoniometerControl, kCtrlTagGoniometer);

  pGraphics->AttachControl(new IVSliderControl(slider, kStereoWidth, "STEREO WIDTH", sliderStyle, true,
                                               EDirection::Horizontal, kGearing, 4.0f, 1.0f, true, 0.0f, 0.0f),
                           kNoTag, "StereoControls");
  pGraphics->AttachControl(new ITextControl(warningArea, "SIDECHAIN NOT CONNECTED",
                                            IText(32.0f, COLOR_RED, kFontID, EAlign::Center, EVAlign::Middle, 0.0f),
                                            DEFAULT_BGCOLOR, false),
                           kCtrlTagSidechainWarning, "SideChainTextWarnings");
  pGraphics->AttachControl(new IVPanelControl(warningArea, "", warningPanelStyle), kNoTag, "RingModText");
  pGraphics->AttachControl(new ITextControl(warningArea, "RINGMOD",
                                            IText(38.0f, Colors::EQ_PR, kFontID, EAlign::Center, EVAlign::Middle, 0.0f),
                                            DEFAULT_BGCOLOR, false),
                           kCtrlTagRingmodText, "RingModText");
  pGraphics->AttachControl(new LogoControl(logo));

  IControl* pInfo = new IVButtonControl(infoButton, SplashClickActionFunc, "I", infoButtonStyle, true, true,
                                        EVShape::Rectangle);
  pInfo->SetAnimationEndActionFunction(ShowAboutBox);
  pGraphics->AttachControl(pInfo);

  const char* apiStr = GetAPIStr();
  const char* archStr = GetArchStr();
  auto* pAboutBox = new IAboutBoxControl(
    b, IPattern(COLOR_BLACK.WithOpacity(0.75f)),
    [apiStr, archStr](IContainerBase* pBox, const IRECT&) { AddAboutBoxContent(pBox, apiStr, archStr); },
    ResizeAboutBox, 200);
  pGraphics->AttachControl(pAboutBox, kCtrlTagAboutBox);
  pAboutBox->Hide(true);
}

void Pressweave::CreateCompressorControls(ICanvas* pGraphics, const IRECT& panel, const IRECT& bottomStrip,
                                          IVStyle style)
{
  const IVStyle radioStyle = style.WithShowLabel(true);
  const IVStyle mixStyle = style.WithColor(kX1, Colors::MODMIX_KX1).WithColor(kPR, Colors::MODMIX_KX1);
  const IVStyle amountStyle = style.WithColor(kX1, Colors::PWVE_KX1).WithColor(kPR, Colors::PWVE_KX1);
  const IVStyle toggleStyle = amountStyle.WithShowLabel(false);
  const IText captionText(12.0f, COLOR_WHITE.WithOpacity(0.4f), kFontID, EAlign::Near, EVAlign::Middle, 0.0f);

  auto cell = [&panel](int c) { return panel.GetGridCell(c, 1, 8).GetPadded(-2.0f); };
  auto knob = [&](int c, int paramIdx, const char* label, float anchor, const IVStyle& knobStyle, const char* group) {
    auto* pKnob = new IVKnobControl(cell(c), paramIdx, label, knobStyle, true, false, kKnobStart, kKnobEnd, anchor,
                                    EDirection::Vertical, kGearing, 4.0f);
    pGraphics->AttachControl(pKnob, kNoTag, group);
    ConfigureKnob(pKnob, 0.7f, 0.9f, 3.0f);
  };

  const IRECT themeRect = bottomStrip.GetGridCell(0, 1, 8).GetPadded(-2.0f).GetFromTop(0.25f * bottomStrip.H());
  pGraphics->AttachControl(new IVRadioButtonControl(themeRect, kScopeTheme, {"1", "2", "3", "4"}, "SCOPE THEME",
                                                    radioStyle, EVShape::AllRounded, EDirection::Horizontal, 8.0f),
                           kCtrlTagScopeTheme);
  pGraphics->AttachControl(new IVRadioButtonControl(cell(0), kSidechainMode, {"RINGMOD", "COMPRESS", "COMBINED"},
                                                    "SIDECHAIN MODE", radioStyle, EVShape::AllRounded,
                                                    EDirection::Vertical, 8.0f),
                           kCtrlTagSidechainMode, "CompressorControls");
  knob(1, kAttack, "ATTACK", kKnobStart, style, "CompressorControls");
  knob(2, kRelease, "RELEASE", kKnobStart, style, "CompressorControls");
  knob(3, kThreshold, "THRESHOLD", kKnobEnd, style, "CompressorControls");
  knob(4, kRatio, "RATIO", kKnobStart, style, "CompressorControls");
  knob(5, kSidechainModeMix, "MIX", 0.0f, mixStyle, "CompressorControls");
  const IRECT captions = cell(5).GetFromBottom(30.0f);
  pGraphics->AttachControl(new ITextControl(captions.GetFromLeft(30.0f), "COMP", captionText, DEFAULT_BGCOLOR, false),
                           kNoTag, "CompressorControls");
  pGraphics->AttachControl(new ITextControl(captions.GetFromRight(21.0f), "RING", captionText, DEFAULT_BGCOLOR, false),
                           kNoTag, "CompressorControls");
  knob(6, kPressweaveAmount, "PRESSWEAVE", kKnobStart, amountStyle, "PwveControls");
  pGraphics->AttachControl(
    new IVToggleControl(cell(6).GetFromBottom(26.0f).GetPadded(-2.0f), kPressweaveOn, "", toggleStyle, "OFF", "ON"));
  knob(7, kDryWet, "DRY/WET", kKnobStart, style, "MixControl");
}

void Pressweave::CreateMeterControls(ICanvas* pGraphics, const IRECT& area)
{
  const IRECT sidechainCell = area.GetGridCell(0, 0, 1, 3);
  const IRECT inputCell = area.GetGridCell(0, 1, 1, 3);
  const IRECT outputCell = area.GetGridCell(0, 2, 1, 3);
  const IColor gridColors[] = {EQ_panel, freqGrid, decibelGrid, gridText};
  pGraphics->AttachControl(new GridDrawer(sidechainCell.Union(inputCell).Union(outputCell), gridColors, 10.0f,
                                          22000.0f, -66.0f, 6.0f, true, true));
  const IColor inHoldL = EQ_input_1.WithOpacity(0.88f), inHoldR = EQ_input_2.WithOpacity(0.88f);
  const IColor inBarL = meter_IN_1.WithOpacity(0.44f), inBarR = meter_IN_2.WithOpacity(0.44f);
  pGraphics->AttachControl(new DynamicRangeMeterControl(sidechainCell, "SIDECHAIN", false, mSidechainMeter, inHoldL,
                                                        inHoldR, inBarL, inBarR));
  pGraphics->AttachControl(
    new DynamicRangeMeterControl(inputCell, "INPUT", true, mInputMeter, inHoldL, inHoldR, inBarL, inBarR));
  pGraphics->AttachControl(new DynamicRangeMeterControl(outputCell, "OUTPUT", true, mOutputMeter,
                                                        EQ_output_1.WithOpacity(0.88f), EQ_output_2.WithOpacity(0.88f),
                                                        meter_OUT_1.WithOpacity(0.44f), meter_OUT_2.WithOpacity(0.44f)));
}

void Pressweave::CreateWaveViewerControls(ICanvas* pGraphics, const IRECT& area, const IVStyle& style)
{
  const IColor fill = Colors::EQ1_line.WithOpacity(0.1f);
  mScopeControlLeft = new WaveformControl(area, COLOR_ORANGE, Colors::EQ_FG, fill, &mScopeLeft);
  mScopeControlRight = new WaveformControl(area, COLOR_ORANGE, Colors::EQ_PR, fill, &mScopeRight);
  const weft::IParam* pTheme = GetParam(kScopeTheme);
  const int theme = pTheme ? pTheme->Int() : 0;
  mScopeControlLeft->SetColorTheme(theme);
  mScopeControlRight->SetColorTheme(theme);
  pGraphics->AttachControl(mScopeControlLeft);
  pGraphics->AttachControl(mScopeControlRight);

  const IVStyle syncStyle = style.WithShowLabel(false)
                              .WithColor(kBG, COLOR_BLACK.WithOpacity(0.0f))
                              .WithFrameThickness(0.0f)
                              .WithColor(kPR, COLOR_WHITE)
                              .WithColor(kHL, COLOR_WHITE);
  const IRECT syncRect = area.GetGridCell(0, 10, 5, 11).GetCentredInside(44.0f).GetVShifted(10.0f);
  pGraphics->AttachControl(new IVKnobControl(syncRect, kScopeSync, "", syncStyle, false, false, kKnobStart, kKnobEnd,
                                             kKnobStart, EDirection::Vertical, kGearing, 2.0f));
}

void Pressweave::ConfigureKnob(IVKnobControl* pKnob, float innerFrac, float outerFrac, float thickness)
{
  if (!pKnob)
    return;
  pKnob->SetInnerPointerFrac(innerFrac);
  pKnob->SetOuterPointerFrac(outerFrac);
  pKnob->SetPointerThickness(thickness);
}

void Pressweave::SetControlsState(ICanvas* pGraphics, const std::vector<int>& params, bool disable, bool hide)
{
  if (!pGraphics)
    return;
  for (int paramIdx : params)
  {
    pGraphics->DisableControl(paramIdx, disable);
    pGraphics->HideControl(paramIdx, hide);
  }
}

void Pressweave::UpdateControlsVisibilityAndState()
{
  ICanvas* pGraphics = GetUI();
  if (!pGraphics)
    return;
  const weft::IParam* pMode = GetParam(kSidechainMode);
  const int mode = pMode ? pMode->Int() : kSidechainRingmod;
  const bool sc = IsSidechainPresent();

  if (mode == kSidechainRingmod || !sc)
    SetControlsState(pGraphics, {kSidechainModeMix, kAttack, kRelease, kThreshold, kRatio}, true, false);
  else if (mode == kSidechainCombined)
    SetControlsState(pGraphics, {kSidechainModeMix, kAttack, kRelease, kThreshold, kRatio}, false, false);
  else if (mode == kSidechainCompressor)
  {
    SetControlsState(pGraphics, {kAttack, kRelease, kThreshold, kRatio}, false, false);
    SetControlsState(pGraphics, {kSidechainModeMix}, true, false);
  }

  const bool hideRingmod = !(mode == kSidechainRingmod && sc);
  pGraphics->ForControlInGroup("RingModText", [hideRingmod](IControl* pControl) { pControl->Hide(hideRingmod); });
  pGraphics->ForControlInGroup("SideChainTextWarnings", [sc](IControl* pControl) { pControl->Hide(sc); });
  pGraphics->SetAllControlsDirty();
}

void Pressweave::PluginDoctorFixUI()
{
  if (mPluginDoctorFixDone)
    return;
  if (static_cast<int>(GetHost()) != kHostIDPluginDoctor)
  {
    mPluginDoctorFixDone = true;
    return;
  }
  ICanvas* pGraphics = GetUI();
  if (!pGraphics)
    return;
  if (pGraphics->GetScreenScale() != pGraphics->GetNormalScale())
  {
    SetScreenScale(pGraphics->GetNormalScale());
    mPluginDoctorFixDone = true;
  }
}

} // namespace pressweave
