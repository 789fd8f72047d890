#pragma once
// IAboutBoxControl: an overlay panel that fades in with its children when
// shown and hides on any click it receives or on Escape. Children that take
// the mouse receive their own clicks.

#include "IPanelControl.h"

namespace weft::canvas {

class IAboutBoxControl : public IPanelControl
{
public:
  IAboutBoxControl(const IRECT& bounds, const IPattern& pattern, AttachFunc attachFunc = nullptr,
                   ResizeFunc resizeFunc = nullptr, int fadeInTimeMs = 200);

  // Shows the box and its children and fades them in from transparent.
  void Show();
  // Hides the box and its children.
  void Dismiss();
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  // Escape (27) dismisses and is handled; other keys are not.
  bool OnKeyDown(float x, float y, const IKeyPress& key) override;

  int GetFadeInTime() const { return mFadeInTimeMs; }

private:
  static void FadeStep(IControl* pCaller);

  int mFadeInTimeMs;
};

} // namespace weft::canvas
