#include "IAboutBoxControl.h"

#include "ICanvas.h"

namespace weft::canvas {

namespace {
constexpr int kVKEscape = 27;
} // namespace

IAboutBoxControl::IAboutBoxControl(const IRECT& bounds, const IPattern& pattern, AttachFunc attachFunc,
                                   ResizeFunc resizeFunc, int fadeInTimeMs)
: IPanelControl(bounds, pattern, false, std::move(attachFunc), std::move(resizeFunc))
, mFadeInTimeMs(fadeInTimeMs)
{
  mIgnoreMouse = false;
}

void IAboutBoxControl::Show()
{
  IContainerBase::Hide(false);
  SetAnimation(FadeStep, mFadeInTimeMs);
  SetDirty(true);
}

void IAboutBoxControl::FadeStep(IControl* pCaller)
{
  auto* pBox = static_cast<IAboutBoxControl*>(pCaller);
  const float progress = static_cast<float>(pBox->GetAnimationProgress());
  const IBlend blend(EBlend::SrcOver, progress);
  pBox->SetBlend(blend);
  pBox->ForAllChildrenFunc([&blend](int, IControl* pChild) { pChild->SetBlend(blend); });
  if (progress > 1.0f)
  {
    pBox->OnEndAnimation();
    if (ICanvas* pUI = pBox->GetUI())
      pUI->SetAllControlsDirty();
  }
}

void IAboutBoxControl::Dismiss() { Hide(true); }

void IAboutBoxControl::OnMouseDown(float, float, const IMouseMod&) { Dismiss(); }

bool IAboutBoxControl::OnKeyDown(float, float, const IKeyPress& key)
{
  if (key.mVK != kVKEscape)
    return false;
  Dismiss();
  return true;
}

} // namespace weft::canvas
