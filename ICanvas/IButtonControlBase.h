#pragma once
// IButtonControlBase: a momentary control without a parameter. A click sets
// value 0 to 1 and runs the action, which normally starts a click animation;
// the end of that animation sets it back to 0. Subclasses draw it.

#include "IControl.h"

namespace weft::canvas {

class IButtonControlBase : public IControl
{
public:
  IButtonControlBase(const IRECT& bounds, IActionFunction actionFunc);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnEndAnimation() override;
};

} // namespace weft::canvas
