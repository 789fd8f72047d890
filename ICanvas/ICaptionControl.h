#pragma once
// ICaptionControl: shows the display text of the parameter bound to value 0
// (with its label when asked) and prompts for a new value on a click. An
// enumerated parameter gets a small downward triangle beside the text.

#include "ITextControl.h"

namespace weft::canvas {

class ICaptionControl : public ITextControl
{
public:
  ICaptionControl(const IRECT& bounds, int paramIdx, const IText& text = DEFAULT_TEXT,
                  const IColor& bgColor = DEFAULT_BGCOLOR, bool showParamLabel = true);

  // Left or right button: the value prompt over the drawing rectangle.
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  // Refreshes the string from the parameter, draws the text, then the
  // triangle: opaque mouse-over colour while hovered, else half weight.
  void Draw(ICanvas& g) override;
  // For an enumerated parameter: the triangle at the left edge of
  // right-aligned text, else at the right edge.
  void OnResize() override;

  const IRECT& GetTriangleRECT() const { return mTri; }

private:
  bool mShowParamLabel;
  IColor mTriangleColor = COLOR_BLACK;
  IColor mTriangleMouseOverColor = COLOR_WHITE;
  IRECT mTri;
};

} // namespace weft::canvas
