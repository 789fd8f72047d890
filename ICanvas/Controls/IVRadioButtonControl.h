#pragma once
// IVRadioButtonControl: a tab switch drawn as a list of small buttons, each
// with its state's text to its right (kPR when selected, else kX1).

#include "IVTabSwitchControl.h"

namespace weft::canvas {

class IVRadioButtonControl : public IVTabSwitchControl
{
public:
  IVRadioButtonControl(const IRECT& bounds, int paramIdx = kNoParameter,
                       const std::initializer_list<const char*>& options = {}, const char* label = "",
                       const IVStyle& style = DEFAULT_STYLE, EVShape shape = EVShape::Ellipse,
                       EDirection direction = EDirection::Vertical, float buttonSize = 10.0f);
  IVRadioButtonControl(const IRECT& bounds, IActionFunction actionFunc,
                       const std::initializer_list<const char*>& options, const char* label = "",
                       const IVStyle& style = DEFAULT_STYLE, EVShape shape = EVShape::Ellipse,
                       EDirection direction = EDirection::Vertical, float buttonSize = 10.0f);

  void DrawWidget(ICanvas& g) override;
  // With only-buttons-respond set, only each cell's button column is a hit.
  int GetButtonForPoint(float x, float y) const override;
  void SetOnlyButtonsRespondToMouse(bool only) { mOnlyButtonsRespondToMouse = only; }

protected:
  float mButtonSize;
  float mButtonAreaWidth;
  bool mOnlyButtonsRespondToMouse = false;

private:
  void Init();
};

} // namespace weft::canvas
