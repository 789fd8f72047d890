#include "IVPanelControl.h"

#include "ICanvas.h"

namespace weft::canvas {

IVPanelControl::IVPanelControl(const IRECT& bounds, const char* label, const IVStyle& style)
: IContainerBase(bounds)
, IVectorBase(style)
{
  mIgnoreMouse = true;
  AttachIControl(this, label);
}

void IVPanelControl::Draw(ICanvas& g)
{
  DrawBackground(g, mRECT);
  DrawWidget(g);
  DrawLabel(g);
  DrawValue(g, mMouseIsOver);
}

void IVPanelControl::DrawWidget(ICanvas& g)
{
  DrawPressableRectangle(g, mWidgetBounds, false, false, false, true, true, true, true);
}

void IVPanelControl::OnResize()
{
  mTargetRECT = MakeRects(mRECT);
  if (mResizeFunc && NChildren() > 0)
    mResizeFunc(this, mWidgetBounds);
}

void IVPanelControl::OnAttached()
{
  if (mAttachFunc)
    mAttachFunc(this, mWidgetBounds);
}

} // namespace weft::canvas
