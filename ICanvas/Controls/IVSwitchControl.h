#pragma once
// IVSwitchControl: a vector multi-state switch. Each click advances one
// state (two states toggle) and wraps; the value text shows the bound
// parameter's display text.

#include "ISwitchControlBase.h"
#include "IVectorBase.h"

namespace weft::canvas {

class IVSwitchControl : public ISwitchControlBase, public IVectorBase
{
public:
  // Two states until OnInit reads the parameter; the action is the splash.
  IVSwitchControl(const IRECT& bounds, int paramIdx = kNoParameter, const char* label = "",
                  const IVStyle& style = DEFAULT_STYLE, bool valueInButton = true);
  IVSwitchControl(const IRECT& bounds, IActionFunction actionFunc, const char* label = "",
                  const IVStyle& style = DEFAULT_STYLE, int numStates = 2, bool valueInButton = true);

  void Draw(ICanvas& g) override;
  void OnResize() override;
  bool IsHit(float x, float y) const override;
  // Also refreshes the value text (without the parameter's label).
  void SetDirty(bool push = true, int valIdx = kNoValIdx) override;
  void OnInit() override;
  void OnMouseOut() override;
  void DrawWidget(ICanvas& g) override;

private:
  void Init(const IVStyle& style, bool valueInButton, const char* label);
};

} // namespace weft::canvas
