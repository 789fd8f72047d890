#pragma once
// ITextToggleControl: a text that flips value 0 between 0 and 1 on a click
// and shows its on string above 0.5, else its off string.

#include "ITextControl.h"

namespace weft::canvas {

class ITextToggleControl : public ITextControl
{
public:
  ITextToggleControl(const IRECT& bounds, int paramIdx = kNoParameter, const char* offText = "OFF",
                     const char* onText = "ON", const IText& text = DEFAULT_TEXT,
                     const IColor& bgColor = DEFAULT_BGCOLOR);
  ITextToggleControl(const IRECT& bounds, IActionFunction actionFunc, const char* offText = "OFF",
                     const char* onText = "ON", const IText& text = DEFAULT_TEXT,
                     const IColor& bgColor = DEFAULT_BGCOLOR);

  // Below 0.5 becomes 1, anything else 0; then redraw with action.
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  // Shows the string for the value, then marks every value. SetStr marks
  // the control again through here; its unchanged-string return ends that.
  void SetDirty(bool triggerAction = true, int valIdx = kNoValIdx) override;

private:
  LOOM_String mOffText;
  LOOM_String mOnText;
};

} // namespace weft::canvas
