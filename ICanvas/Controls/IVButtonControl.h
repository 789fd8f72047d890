#pragma once
// IVButtonControl: a momentary vector push button without a parameter. A
// click sets the value to 1 and runs the action (by default the splash); it
// is drawn pressed until the click animation ends and resets it to 0.

#include "IButtonControlBase.h"
#include "IVectorBase.h"

namespace weft::canvas {

class IVButtonControl : public IButtonControlBase, public IVectorBase
{
public:
  IVButtonControl(const IRECT& bounds, IActionFunction actionFunc, const char* label = "",
                  const IVStyle& style = DEFAULT_STYLE, bool labelInButton = true, bool valueInButton = true,
                  EVShape shape = EVShape::Rectangle);

  void Draw(ICanvas& g) override;
  void OnResize() override;
  bool IsHit(float x, float y) const override;
  void DrawWidget(ICanvas& g) override;
};

} // namespace weft::canvas
