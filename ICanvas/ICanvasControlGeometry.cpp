// Moving and sizing one control of the drawing context.

#include "ICanvas.h"

namespace weft::canvas {

namespace {

// The old place of a visible control must be redrawn as well as the new.
void RedrawUnlessHidden(ICanvas& g, const IControl& control)
{
  if (!control.IsHidden())
    g.SetAllControlsDirty();
}

} // namespace

void ICanvas::SetControlPosition(IControl* pControl, float x, float y)
{
  if (!pControl)
    return;
  pControl->SetPosition(x, y);
  RedrawUnlessHidden(*this, *pControl);
}

void ICanvas::SetControlSize(IControl* pControl, float w, float h)
{
  if (!pControl)
    return;
  pControl->SetSize(w, h);
  RedrawUnlessHidden(*this, *pControl);
}

void ICanvas::SetControlBounds(IControl* pControl, const IRECT& r)
{
  if (!pControl)
    return;
  pControl->SetTargetAndDrawRECTs(r);
  RedrawUnlessHidden(*this, *pControl);
}

} // namespace weft::canvas
