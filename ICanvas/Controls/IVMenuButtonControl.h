#pragma once
// IVMenuButtonControl: a container holding one IVButtonControl (built when
// attached) that shows the bound parameter's display text with its label;
// a click plays the button's splash and then opens the parameter's menu
// under the button. Without a parameter the button shows no value and no
// menu opens.

#include "IContainerBase.h"
#include "IVectorBase.h"

namespace weft::canvas {

class IVButtonControl;

class IVMenuButtonControl : public IContainerBase, public IVectorBase
{
public:
  IVMenuButtonControl(const IRECT& bounds, int paramIdx, const char* label = "",
                      const IVStyle& style = DEFAULT_STYLE, EVShape shape = EVShape::Rectangle);

  void OnPopupMenuSelection(IPopupMenu* pSelectedMenu, int valIdx) override;
  void SetValueFromDelegate(double value, int valIdx = 0) override;
  void SetValueFromUserInput(double value, int valIdx = 0) override;
  // Before attachment the style is kept and given to the button when it is
  // built.
  void SetStyle(const IVStyle& style) override;

  // Null until attached.
  IVButtonControl* GetButton() const { return mButton; }

private:
  void BuildButton(const IRECT& bounds);
  void UpdateButtonValueStr();

  IVButtonControl* mButton = nullptr; // owned by the drawing context
  LOOM_String mButtonLabel;
  EVShape mButtonShape;
};

} // namespace weft::canvas
