#include "IControl.h"

#include "ICanvas.h"
#include "IContainerBase.h"
#include "IGEditorDelegate.h"
#include "IPopupMenu.h"
#include "IParam.h"
#include "IVectorBase.h"
#include "IWeftUtilities.h"
#include "LOOM_Assert.h"

#include <chrono>
#include <cmath>

namespace weft::canvas {

namespace {

constexpr int kClickAnimationMs = 100;

double SteadyClockMs()
{
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

IControl::ClockFunc sAnimationClock = SteadyClockMs;

} // namespace

// --- Construction

IControl::IControl(const IRECT& bounds, int paramIdx, IActionFunction actionFunc)
: mRECT(bounds)
, mTargetRECT(bounds)
, mActionFunc(std::move(actionFunc))
{
  mVals.emplace_back(paramIdx, 0.0);
}

IControl::IControl(const IRECT& bounds, std::initializer_list<int> params, IActionFunction actionFunc)
: mRECT(bounds)
, mTargetRECT(bounds)
, mActionFunc(std::move(actionFunc))
{
  for (int paramIdx : params)
    mVals.emplace_back(paramIdx, 0.0);
  if (mVals.empty())
    mVals.emplace_back(kNoParameter, 0.0); // a control always has a value
}

IControl::IControl(const IRECT& bounds, IActionFunction actionFunc)
: IControl(bounds, kNoParameter, std::move(actionFunc))
{}

IControl::~IControl() = default;

// --- Pointer and keys

void IControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (mod.R)
    PromptUserInput(GetValIdxForPos(x, y));
}

void IControl::OnMouseUp(float, float, const IMouseMod&) {}
void IControl::OnMouseDrag(float, float, float, float, const IMouseMod&) {}

void IControl::OnMouseDblClick(float x, float y, const IMouseMod&)
{
  SetValueToDefault(GetValIdxForPos(x, y));
}

void IControl::OnMouseWheel(float, float, const IMouseMod&, float) {}
bool IControl::OnKeyDown(float, float, const IKeyPress&) { return false; }
bool IControl::OnKeyUp(float, float, const IKeyPress&) { return false; }

void IControl::OnMouseOver(float, float, const IMouseMod&)
{
  const bool was = mMouseIsOver;
  mMouseIsOver = true;
  if (!was)
    SetDirty(false);
}

void IControl::OnMouseOut()
{
  const bool was = mMouseIsOver;
  mMouseIsOver = false;
  if (was)
    SetDirty(false);
}

void IControl::OnTouchCancelled(float, float, const IMouseMod&) {}
void IControl::OnDrop(const char*) {}

void IControl::OnDropMultiple(const std::vector<const char*>& paths)
{
  if (!paths.empty())
    OnDrop(paths.front());
}

// --- Lifecycle and messages

void IControl::OnRescale() {}
void IControl::OnResize() {}
void IControl::OnInit() {}
void IControl::OnAttached() {}
void IControl::OnMsgFromDelegate(int, int, const void*) {}
void IControl::OnMidi(const IMidiMsg&) {}

bool IControl::OnGesture(const IGestureInfo& info)
{
  const auto it = mGestureFuncs.find(info.type);
  if (it == mGestureFuncs.end())
    return false;
  mLastGesture = info.type;
  it->second(this, info);
  return true;
}

void IControl::CreateContextMenu(IPopupMenu&) {}

void IControl::OnPopupMenuSelection(IPopupMenu* pSelectedMenu, int valIdx)
{
  // A menu closed without a choice (null, or chosen index -1) changes nothing.
  if (!pSelectedMenu || pSelectedMenu->GetChosenItemIdx() < 0 || valIdx < 0 || valIdx >= NVals() ||
      mDisablePrompt)
    return;
  if (const IParam* pParam = GetParam(valIdx))
    SetValueFromUserInput(pParam->ToNormalized(static_cast<double>(pSelectedMenu->GetChosenItemIdx())), valIdx);
}

void IControl::OnDeleteFromPopupMenu(IPopupMenu*, int) {}
void IControl::OnTextEntryCompletion(const char*, int) {}
void IControl::OnContextSelection(int) {}

void IControl::DrawPTHighlight(ICanvas& g)
{
  if (mPTisHighlighted)
    g.FillCircle(mPTHighlightColor, mTargetRECT.R - 5.0f, mTargetRECT.T + 5.0f, 2.0f);
}

// --- Values

void IControl::SetParamIdx(int paramIdx, int valIdx)
{
  LOOM_ASSERT_MSG(valIdx > kNoValIdx && valIdx < NVals(), "valIdx > kNoValIdx && valIdx < NVals()");
  if (valIdx < 0 || valIdx >= NVals())
    return;
  mVals[static_cast<size_t>(valIdx)].mIdx = paramIdx;
  SetDirty(false);
}

int IControl::GetValIdxForPos(float, float) const { return NVals() == 1 ? 0 : kNoValIdx; }

void IControl::SetValueFromDelegate(double value, int valIdx)
{
  if (mGraphics && mGraphics->ControlIsCaptured(this))
    return;
  if (GetValue(valIdx) != value)
  {
    SetValue(value, valIdx);
    SetDirty(false, kNoValIdx);
  }
}

void IControl::SetValueFromUserInput(double value, int valIdx)
{
  if (GetValue(valIdx) == value)
    return;
  SetValue(value, valIdx);
  SetDirty(true, valIdx);
}

void IControl::SetValueToDefault(int valIdx)
{
  if (NVals() == 1)
    valIdx = 0;
  for (int v = 0; v < NVals(); ++v)
  {
    if (valIdx != kNoValIdx && v != valIdx)
      continue;
    if (const IParam* pParam = GetParam(v))
      SetValue(pParam->GetDefault(true), v);
  }
  SetDirty(true, valIdx);
}

void IControl::SetValue(double value, int valIdx)
{
  LOOM_ASSERT_MSG(valIdx > kNoValIdx && valIdx < NVals(), "valIdx > kNoValIdx && valIdx < NVals()");
  if (valIdx >= 0 && valIdx < NVals())
    mVals[static_cast<size_t>(valIdx)].mValue = value;
}

// --- Geometry and state

void IControl::SetPosition(float x, float y)
{
  x = std::max(x, 0.0f);
  y = std::max(y, 0.0f);
  const float dx = mTargetRECT.L - mRECT.L;
  const float dy = mTargetRECT.T - mRECT.T;
  SetRECT(IRECT::MakeXYWH(x, y, mRECT.W(), mRECT.H()));
  SetTargetRECT(IRECT::MakeXYWH(x + dx, y + dy, mTargetRECT.W(), mTargetRECT.H()));
}

void IControl::SetSize(float w, float h)
{
  w = std::max(w, 0.0f);
  h = std::max(h, 0.0f);
  SetTargetAndDrawRECTs(IRECT::MakeXYWH(mRECT.L, mRECT.T, w, h));
}

void IControl::Hide(bool hide)
{
  mHide = hide;
  SetDirty(false);
}

void IControl::SetDisabled(bool disable)
{
  mBlend.mWeight = disable ? 0.25f : 1.0f;
  mDisabled = disable;
  SetDirty(false);
}

void IControl::SetDirty(bool triggerAction, int valIdx)
{
  if (NVals() == 1)
    valIdx = 0;
  for (int v = 0; v < NVals(); ++v)
  {
    if (valIdx == kNoValIdx || v == valIdx)
      SetValue(Clip(GetValue(v), 0.0, 1.0), v);
  }
  mDirty = true;

  if (!triggerAction)
    return;
  for (int v = 0; v < NVals(); ++v)
  {
    if (valIdx != kNoValIdx && v != valIdx)
      continue;
    const int paramIdx = GetParamIdx(v);
    if (paramIdx > kNoParameter)
    {
      if (mDelegate)
        mDelegate->SendParameterValueFromUI(paramIdx, GetValue(v));
      if (mGraphics)
        mGraphics->UpdatePeers(this, v);
    }
  }
  if (mActionFunc)
    mActionFunc(this);
}

bool IControl::IsDirty() { return mAnimationFunc ? true : mDirty; }

void IControl::OnGUIIdle() {}

bool IControl::GetWantsGestures() const { return !mGestureFuncs.empty() && !mAnimationFunc; }

void IControl::SnapToMouse(float x, float y, EDirection direction, const IRECT& bounds, int valIdx, double minClip,
                           double maxClip)
{
  const float extent = direction == EDirection::Vertical ? bounds.H() : bounds.W();
  if (!(extent > 0.0f))
    return; // a track without length maps no position to a value
  bounds.Constrain(x, y);
  double v = direction == EDirection::Vertical ? 1.0 - (y - bounds.T) / bounds.H() : (x - bounds.L) / bounds.W();
  v = std::round(v * 1000.0) / 1000.0;
  v = Clip(v, minClip, maxClip);
  for (int i = 0; i < NVals(); ++i)
  {
    if (valIdx < 0 || i == valIdx)
      SetValue(v, i);
  }
  SetDirty(true, valIdx);
}

void IControl::OnEndAnimation()
{
  mAnimationFunc = nullptr;
  SetDirty(false);
  if (mAnimationEndActionFunc)
    mAnimationEndActionFunc(this);
}

// --- Values and parameters

void IControl::SetNVals(int nVals)
{
  LOOM_ASSERT_MSG(nVals > 0, "nVals > 0");
  if (nVals > 0)
    mVals.resize(static_cast<size_t>(nVals));
}

int IControl::GetParamIdx(int valIdx) const
{
  LOOM_ASSERT_MSG(valIdx > kNoValIdx && valIdx < NVals(), "valIdx > kNoValIdx && valIdx < NVals()");
  if (valIdx < 0 || valIdx >= NVals())
    return kNoParameter;
  return mVals[static_cast<size_t>(valIdx)].mIdx;
}

IParam* IControl::GetParam(int valIdx) const
{
  const int paramIdx = GetParamIdx(valIdx);
  return paramIdx > kNoParameter && mDelegate ? mDelegate->GetParam(paramIdx) : nullptr;
}

int IControl::LinkedToParam(int paramIdx) const
{
  for (int v = 0; v < NVals(); ++v)
  {
    if (mVals[static_cast<size_t>(v)].mIdx == paramIdx)
      return v;
  }
  return kNoValIdx;
}

double IControl::GetValue(int valIdx) const
{
  LOOM_ASSERT_MSG(valIdx > kNoValIdx && valIdx < NVals(), "valIdx > kNoValIdx && valIdx < NVals()");
  if (valIdx < 0 || valIdx >= NVals())
    return 0.0;
  return mVals[static_cast<size_t>(valIdx)].mValue;
}

// --- Owners and identity

void IControl::SetDelegate(IGEditorDelegate& dlg)
{
  mDelegate = &dlg;
  if (!mGraphics)
    mGraphics = dlg.GetUI();
  OnInit();
  OnResize();
  OnRescale();
}

int IControl::GetTag() const { return mGraphics ? mGraphics->GetControlTag(this) : kNoTag; }

void IControl::SetRECT(const IRECT& bounds)
{
  mRECT = bounds;
  mMouseIsOver = false;
  OnResize();
}

void IControl::SetTargetRECT(const IRECT& bounds)
{
  mTargetRECT = bounds;
  mMouseIsOver = false;
}

void IControl::SetTargetAndDrawRECTs(const IRECT& bounds)
{
  mRECT = mTargetRECT = bounds;
  mMouseIsOver = false;
  OnResize();
}

// --- Prompts, highlight, gestures

void IControl::PromptUserInput(int valIdx)
{
  if (valIdx < 0 || valIdx >= NVals() || GetParamIdx(valIdx) <= kNoParameter || mDisablePrompt)
    return;
  const IParam* pParam = GetParam(valIdx);
  // A list of named values is picked over the whole control; a number is
  // typed into a 40 x 16 box in its middle.
  const IRECT bounds = pParam && pParam->NDisplayTexts()
                         ? mRECT
                         : IRECT(mRECT.MW() - 20.0f, mRECT.MH() - 8.0f, mRECT.MW() + 20.0f, mRECT.MH() + 8.0f);
  PromptUserInput(bounds, valIdx);
  SetDirty(false);
}

void IControl::PromptUserInput(const IRECT& bounds, int valIdx)
{
  if (valIdx < 0 || valIdx >= NVals() || GetParamIdx(valIdx) <= kNoParameter || mDisablePrompt)
    return;
  if (mGraphics)
    mGraphics->PromptUserInput(*this, bounds, valIdx);
}

void IControl::SetPTParameterHighlight(bool isHighlighted, int colorIdx)
{
  switch (colorIdx)
  {
    case 0: mPTHighlightColor = COLOR_RED; break;
    case 1: mPTHighlightColor = COLOR_BLUE; break;
    case 2: mPTHighlightColor = COLOR_GREEN; break;
    case 3: mPTHighlightColor = COLOR_YELLOW; break;
    default: break;
  }
  mPTisHighlighted = isHighlighted;
  SetDirty(false);
}

IControl* IControl::AttachGestureRecognizer(EGestureType type, IGestureFunc func)
{
  mGestureFuncs.emplace(type, std::move(func));
  if (mGraphics)
    mGraphics->AttachGestureRecognizer(type);
  return this;
}

// --- Animation

void IControl::SetAnimation(IAnimationFunction func, int durationMs)
{
  mAnimationFunc = std::move(func);
  StartAnimation(durationMs);
}

void IControl::StartAnimation(int durationMs)
{
  mAnimationStartTimeMs = AnimationClockMs();
  mAnimationDurationMs = durationMs;
}

double IControl::GetAnimationProgress() const
{
  if (!mAnimationFunc)
    return 0.0;
  return (AnimationClockMs() - mAnimationStartTimeMs) / mAnimationDurationMs;
}

void IControl::Animate()
{
  if (mAnimationFunc)
    mAnimationFunc(this);
}

void IControl::SetAnimationClock(ClockFunc func) { sAnimationClock = func ? func : SteadyClockMs; }

double IControl::AnimationClockMs() { return sAnimationClock(); }

// --- Stock animation and action functions

void DefaultAnimationFunc(IControl* pCaller)
{
  if (pCaller->GetAnimationProgress() > 1.0)
    pCaller->OnEndAnimation();
}

void SplashAnimationFunc(IControl* pCaller)
{
  // Only vector controls carry a splash; on any other control the animation
  // just runs out like the default one.
  const double progress = pCaller->GetAnimationProgress();
  if (progress > 1.0)
  {
    pCaller->OnEndAnimation();
    return;
  }
  if (IVectorBase* pVector = pCaller->As<IVectorBase>())
  {
    pVector->SetSplashRadius(static_cast<float>(progress));
    pCaller->SetDirty(false);
  }
}

void EmptyClickActionFunc(IControl*) {}

void DefaultClickActionFunc(IControl* pCaller) { pCaller->SetAnimation(DefaultAnimationFunc, kClickAnimationMs); }

void SplashClickActionFunc(IControl* pCaller)
{
  // A splash needs the vector mix-in's splash point and radius; a control
  // without it gets no splash animation.
  IVectorBase* pVector = pCaller->As<IVectorBase>();
  if (!pVector)
    return;
  float x = 0.0f, y = 0.0f;
  if (pCaller->GetUI())
    pCaller->GetUI()->GetMouseDownPoint(x, y);
  pVector->SetSplashPoint(x, y);
  pCaller->SetAnimation(SplashAnimationFunc, kClickAnimationMs);
}

namespace {

// The bound parameter's display with its label in a bubble at (x, y). A
// control whose value 0 is bound to no parameter is the caller's error
// (asserted with message); release builds show no bubble.
void ShowValueBubble(IControl* pCaller, float x, float y, EDirection dir, [[maybe_unused]] const char* message)
{
  LOOM_ASSERT_MSG(pCaller->GetParamIdx(0) > kNoParameter, message);
  const IParam* pParam = pCaller->GetParam(0);
  ICanvas* pUI = pCaller->GetUI();
  if (!pParam || !pUI)
    return;
  LOOM_String display;
  pParam->GetDisplayWithLabel(display);
  pUI->ShowBubbleControl(pCaller, x, y, display.Get(), dir, IRECT(0.0f, 0.0f, 50.0f, 30.0f));
}

} // namespace

void ShowBubbleHorizontalActionFunc(IControl* pCaller)
{
  const IRECT& r = pCaller->GetRECT();
  ShowValueBubble(pCaller, r.R, r.MH(), EDirection::Horizontal, "ShowBubbleHorizontalActionFunc requires a parameter");
}

void ShowBubbleVerticalActionFunc(IControl* pCaller)
{
  const IRECT& r = pCaller->GetRECT();
  ShowValueBubble(pCaller, r.MW(), r.T, EDirection::Vertical, "ShowBubbleVerticalActionFunc requires a parameter");
}

} // namespace weft::canvas
