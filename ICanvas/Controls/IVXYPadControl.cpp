#include "IVXYPadControl.h"

#include "ICanvas.h"

namespace weft::canvas {

IVXYPadControl::IVXYPadControl(const IRECT& bounds, const std::vector<int>& params, const char* label,
                               const IVStyle& style, float handleRadius, bool trackClipsHandle, bool drawCross)
: IControl(bounds)
, IVectorBase(style, false, false)
, mHandleRadius(handleRadius)
, mTrackClipsHandle(trackClipsHandle)
, mDrawCross(drawCross)
{
  // The pad reads and writes two values whatever the list holds.
  SetNVals(2);
  for (int i = 0; i < 2 && i < static_cast<int>(params.size()); ++i)
    SetParamIdx(params[static_cast<size_t>(i)], i);
  mShape = EVShape::Ellipse;
  AttachIControl(this, label);
}

void IVXYPadControl::Draw(ICanvas& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  if (mStyle.drawFrame)
    g.DrawRect(GetColor(kFR), mWidgetBounds, &mBlend, mStyle.frameThickness);
  DrawWidget(g);
}

void IVXYPadControl::DrawWidget(ICanvas& g)
{
  DrawTrack(g);
  const float r = mHandleRadius;
  const IRECT area = mTrackClipsHandle ? mWidgetBounds : mWidgetBounds.GetPadded(-r);
  const float x = area.L + static_cast<float>(GetValue(0)) * area.W();
  const float y = area.B - static_cast<float>(GetValue(1)) * area.H();
  DrawHandle(g, area, IRECT(x - r, y - r, x + r, y + r));
}

void IVXYPadControl::DrawHandle(ICanvas& g, const IRECT& trackBounds, const IRECT& handleBounds)
{
  if (mTrackClipsHandle)
    g.PathClipRegion(trackBounds.GetPadded(-0.5f * mStyle.frameThickness));
  DrawPressableShape(g, mShape, handleBounds, mMouseDown, mMouseIsOver, IsDisabled());
}

void IVXYPadControl::DrawTrack(ICanvas& g)
{
  if (!mDrawCross)
    return;
  g.DrawVerticalLine(GetColor(kSH), mWidgetBounds, 0.5f, nullptr, 1.0f);
  g.DrawHorizontalLine(GetColor(kSH), mWidgetBounds, 0.5f, nullptr, 1.0f);
}

void IVXYPadControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMouseDown = true;
  if (mStyle.hideCursor && GetUI())
    GetUI()->HideMouseCursor(true, false);
  OnMouseDrag(x, y, 0.0f, 0.0f, mod);
}

void IVXYPadControl::OnMouseUp(float, float, const IMouseMod&)
{
  if (mStyle.hideCursor && GetUI())
    GetUI()->HideMouseCursor(false, true);
  mMouseDown = false;
  SetDirty(true);
}

void IVXYPadControl::OnMouseDrag(float x, float y, float, float, const IMouseMod&)
{
  if (!(mRECT.W() > 0.0f) || !(mRECT.H() > 0.0f))
    return; // an empty pad maps no point to a value
  mRECT.Constrain(x, y);
  SetValue((x - mRECT.L) / mRECT.W(), 0);
  SetValue(1.0 - (y - mRECT.T) / mRECT.H(), 1);
  SetDirty(true);
}

void IVXYPadControl::OnResize()
{
  mTargetRECT = MakeRects(mRECT);
  SetDirty(false);
}

} // namespace weft::canvas
