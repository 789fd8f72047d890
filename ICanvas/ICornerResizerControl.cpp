#include "ICornerResizerControl.h"

#include "ICanvas.h"

namespace weft::canvas {

ICornerResizerControl::ICornerResizerControl(const IRECT& graphicsBounds, float size, const IColor& color,
                                             const IColor& mouseOverColor, const IColor& dragColor)
: IControl(graphicsBounds.GetFromBRHC(size, size).GetPadded(-1.0f))
, mSize(size)
, mInitialGraphicsBounds(graphicsBounds)
, mColor(color)
, mMouseOverColor(mouseOverColor)
, mDragColor(dragColor)
{}

void ICornerResizerControl::OnMouseDown(float, float, const IMouseMod&)
{
  if (GetUI())
    GetUI()->StartDragResize();
}

void ICornerResizerControl::OnMouseDblClick(float, float, const IMouseMod&)
{
  if (GetUI())
    GetUI()->Resize(static_cast<int>(mInitialGraphicsBounds.W()), static_cast<int>(mInitialGraphicsBounds.H()), 1.0f,
                    true);
}

void ICornerResizerControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  if (!mMouseOver && GetUI())
    mPrevCursor = GetUI()->SetMouseCursor(ECursor::SIZENWSE);
  mMouseOver = true;
  IControl::OnMouseOver(x, y, mod);
}

void ICornerResizerControl::OnMouseOut()
{
  if (mMouseOver && GetUI())
    GetUI()->SetMouseCursor(mPrevCursor);
  mMouseOver = false;
  IControl::OnMouseOut();
}

void ICornerResizerControl::OnRescale()
{
  if (!GetUI())
    return;
  const float s = mSize * (1.0f / GetUI()->GetDrawScale());
  SetTargetAndDrawRECTs(GetUI()->GetBounds().GetFromBRHC(s, s));
}

void ICornerResizerControl::Draw(ICanvas& g)
{
  const IColor& color = g.IsDragResizing() ? mDragColor : (GetMouseIsOver() ? mMouseOverColor : mColor);
  g.FillTriangle(color, mRECT.L, mRECT.B, mRECT.R, mRECT.T, mRECT.R, mRECT.B);
}

} // namespace weft::canvas
