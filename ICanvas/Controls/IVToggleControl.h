#pragma once
// IVToggleControl: a two-state vector switch that shows its off text at
// values up to 0.5 and its on text above, centred in the button, and is
// drawn pressed while on.

#include "IVSwitchControl.h"

namespace weft::canvas {

class IVToggleControl : public IVSwitchControl
{
public:
  IVToggleControl(const IRECT& bounds, int paramIdx = kNoParameter, const char* label = "",
                  const IVStyle& style = DEFAULT_STYLE, const char* offText = "OFF", const char* onText = "ON");
  IVToggleControl(const IRECT& bounds, IActionFunction actionFunc, const char* label = "",
                  const IVStyle& style = DEFAULT_STYLE, const char* offText = "OFF", const char* onText = "ON",
                  bool initialState = false);

  void DrawWidget(ICanvas& g) override;
  // With mouseOver the value area is first filled in kHL.
  void DrawValue(ICanvas& g, bool mouseOver) override;

protected:
  LOOM_String mOffText;
  LOOM_String mOnText;
};

} // namespace weft::canvas
