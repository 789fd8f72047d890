#pragma once
// ICornerResizerControl: the triangle in the editor's bottom-right corner
// that resizes (or rescales) the editor by dragging. The drawing context
// owns it outside its control list and keeps it in the corner on every
// resize.

#include "IControl.h"

namespace weft::canvas {

class ICornerResizerControl : public IControl
{
public:
  // size: side of the corner square in window units at draw scale 1.
  ICornerResizerControl(const IRECT& graphicsBounds, float size, const IColor& color = COLOR_TRANSLUCENT,
                        const IColor& mouseOverColor = COLOR_BLACK, const IColor& dragColor = COLOR_BLACK);

  // Starts a drag-resize.
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  // Back to the editor's first size at scale 1.
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  // Shows the resize cursor while the pointer is over it.
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  // Keeps the same size in window units at any draw scale.
  void OnRescale() override;
  void Draw(ICanvas& g) override;

private:
  float mSize;
  bool mMouseOver = false;
  ECursor mPrevCursor = ECursor::ARROW;
  IRECT mInitialGraphicsBounds;
  IColor mColor;
  IColor mMouseOverColor;
  IColor mDragColor;
};

} // namespace weft::canvas
