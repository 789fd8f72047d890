#include "IVSlideSwitchControl.h"

#include "ICanvas.h"

namespace weft::canvas {

namespace {
constexpr int kSlideMs = 100;
} // namespace

IVSlideSwitchControl::IVSlideSwitchControl(const IRECT& bounds, int paramIdx, const char* label,
                                           const IVStyle& style, bool valueInButton, EDirection direction)
: IVSwitchControl(bounds, paramIdx, label, style, valueInButton)
, mDirection(direction)
{
  SetActionFunction(StartSlide);
}

IVSlideSwitchControl::IVSlideSwitchControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                                           const IVStyle& style, bool valueInButton, EDirection direction,
                                           int numStates, int initialState)
: IVSwitchControl(bounds, IActionFunction(), label, style, numStates, valueInButton)
, mDirection(direction)
{
  // Normalised: the state index itself would put the handle off the track.
  const double v = numStates > 1 ? static_cast<double>(initialState) / static_cast<double>(numStates - 1) : 0.0;
  SetValue(v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v), 0);
  SetActionFunction(StartSlide);
  SetAnimationEndActionFunction(std::move(actionFunc));
}

void IVSlideSwitchControl::StartSlide(IControl* pCaller) { pCaller->SetAnimation(SlideStep, kSlideMs); }

void IVSlideSwitchControl::SlideStep(IControl* pCaller)
{
  auto* pSwitch = pCaller->As<IVSlideSwitchControl>();
  if (!pSwitch)
    return;
  const float progress = static_cast<float>(pCaller->GetAnimationProgress());
  pSwitch->mHandleBounds = IRECT::LinearInterpolateBetween(pSwitch->mStartRect, pSwitch->mEndRect, progress);
  if (pSwitch->mValueInWidget)
    pSwitch->mValueBounds = pSwitch->mHandleBounds;
  if (progress > 1.0f)
    pCaller->OnEndAnimation();
}

void IVSlideSwitchControl::UpdateRects()
{
  const int n = mNumStates > 0 ? mNumStates : 1;
  const int idx = GetSelectedIdx();
  mStartRect = mWidgetBounds.SubRect(mDirection, n, idx);
  mHandleBounds = mStartRect;
  mEndRect = mWidgetBounds.SubRect(mDirection, n, (idx + 1) % n);
  if (mValueInWidget)
    mValueBounds = mHandleBounds;
}

void IVSlideSwitchControl::OnEndAnimation()
{
  UpdateRects();
  IVSwitchControl::OnEndAnimation();
}

void IVSlideSwitchControl::OnResize()
{
  IVSwitchControl::OnResize();
  UpdateRects();
}

void IVSlideSwitchControl::SetDirty(bool push, int valIdx)
{
  IVSwitchControl::SetDirty(push, valIdx);
  if (!GetAnimationFunction())
    UpdateRects();
}

void IVSlideSwitchControl::Draw(ICanvas& g)
{
  DrawBackground(g, mRECT);
  DrawWidget(g);
  DrawLabel(g);
  if (!GetAnimationFunction())
    DrawValue(g, false);
}

void IVSlideSwitchControl::DrawWidget(ICanvas& g)
{
  DrawTrack(g, mWidgetBounds);
  DrawHandle(g, mHandleBounds);
}

void IVSlideSwitchControl::DrawTrack(ICanvas& g, const IRECT& bounds)
{
  g.FillRoundRect(GetColor(kSH), bounds, GetRoundedCornerRadius(mHandleBounds), nullptr);
}

void IVSlideSwitchControl::DrawHandle(ICanvas& g, const IRECT& bounds)
{
  DrawPressableShape(g, mShape, bounds, mMouseDown, mMouseIsOver, IsDisabled());
}

} // namespace weft::canvas
