// The vector mix-in's pressable faces and click splash. Every face draws,
// in order: the shadow (unpressed), the face in its state, the mouse-over
// highlight, the splash (pressed while the click animation runs) and the
// frame last. "Darkened" colours are WithContrast(-0.25) when disabled.

#include "IVectorBase.h"

#include "ICanvas.h"
#include "IControl.h"

#include <cmath>

namespace weft::canvas {

namespace {

// The rectangles every face derives from the rectangle b it works in.
struct FaceRects
{
  IRECT centre;        // b shrunk by the shadow offset on every side
  IRECT shadow;        // b moved right and down by the shadow offset
  IRECT pressedShadow; // the shadow less the offset at its right and bottom
};

FaceRects MakeFaceRects(const IRECT& b, float so)
{
  return {b.GetPadded(-so), b.GetTranslated(so, so), IRECT(b.L + so, b.T + so, b.R, b.B)};
}

} // namespace

void IVectorBase::DrawPressableShape(ICanvas& g, EVShape shape, const IRECT& bounds, bool pressed, bool mouseOver,
                                     bool disabled)
{
  switch (shape)
  {
    case EVShape::Rectangle:
    case EVShape::AllRounded: DrawPressableRectangle(g, bounds, pressed, mouseOver, disabled); break;
    case EVShape::Ellipse: DrawPressableEllipse(g, bounds, pressed, mouseOver, disabled); break;
    case EVShape::Triangle: DrawPressableTriangle(g, bounds, pressed, mouseOver, mStyle.angle, disabled); break;
    case EVShape::TopRounded:
      DrawPressableRectangle(g, bounds, pressed, mouseOver, disabled, true, true, false, false);
      break;
    default: break;
  }
}

IRECT IVectorBase::DrawPressableRectangle(ICanvas& g, const IRECT& bounds, bool pressed, bool mouseOver,
                                          bool disabled, bool rTL, bool rTR, bool rBL, bool rBR)
{
  const IRECT handle = GetAdjustedHandleBounds(bounds);
  const float cR = GetRoundedCornerRadius(handle);
  const float tl = rTL ? cR : 0.0f, tr = rTR ? cR : 0.0f, bl = rBL ? cR : 0.0f, br = rBR ? cR : 0.0f;
  const FaceRects f = MakeFaceRects(handle, mStyle.shadowOffset);
  const float c = disabled ? -0.25f : 0.0f;
  const IBlend* pBlend = ControlBlend();
  auto fill = [&](EVColor color, const IRECT& r, bool darken, const IBlend* pB) {
    g.FillRoundRect(darken ? GetColor(color).WithContrast(c) : GetColor(color), r, tl, tr, bl, br, pB);
  };

  if (pressed)
  {
    if (mStyle.emboss)
    {
      fill(kPR, handle, false, pBlend);
      fill(kSH, handle, false, pBlend);
      fill(kFG, f.pressedShadow, true, nullptr);
      fill(kPR, f.centre, false, pBlend);
    }
    else
    {
      fill(kPR, handle, true, nullptr);
    }
  }
  else
  {
    if (mStyle.drawShadows)
      fill(kSH, f.shadow, false, pBlend);
    if (mStyle.emboss)
    {
      fill(kPR, handle, true, nullptr);
      fill(kSH, f.shadow, true, nullptr);
      fill(kFG, f.centre, true, nullptr);
      if (mouseOver)
        fill(kHL, f.centre, false, pBlend);
    }
    else
    {
      fill(kFG, handle, true, nullptr);
      if (mouseOver)
        fill(kHL, handle, false, pBlend);
    }
  }

  if (pressed && ControlIsAnimating())
    DrawSplash(g, handle);
  if (mStyle.drawFrame)
    g.DrawRoundRect(GetColor(kFR), handle, tl, tr, bl, br, pBlend, mStyle.frameThickness);
  return handle;
}

void IVectorBase::DrawPressableEllipse(ICanvas& g, const IRECT& bounds, bool pressed, bool mouseOver, bool disabled)
{
  const FaceRects f = MakeFaceRects(bounds, mStyle.shadowOffset);
  const float c = disabled ? -0.25f : 0.0f;
  const IBlend* pBlend = ControlBlend();
  auto fill = [&](EVColor color, const IRECT& r, bool darken, const IBlend* pB) {
    g.FillEllipse(darken ? GetColor(color).WithContrast(c) : GetColor(color), r, pB);
  };

  if (!pressed && !disabled && mStyle.drawShadows)
    fill(kSH, f.shadow, false, nullptr);

  if (pressed)
  {
    if (mStyle.emboss)
    {
      fill(kPR, bounds, false, pBlend);
      fill(kSH, bounds, false, pBlend);
      fill(kFG, f.pressedShadow, true, nullptr);
      fill(kPR, f.centre, true, nullptr);
    }
    else
    {
      fill(kPR, bounds, true, nullptr);
    }
  }
  else if (mStyle.emboss)
  {
    fill(kPR, bounds, true, nullptr);
    fill(kSH, f.shadow, true, nullptr);
    fill(kFG, f.centre, true, nullptr);
    if (mouseOver)
      fill(kHL, f.centre, false, pBlend);
  }
  else
  {
    fill(kFG, bounds, true, nullptr);
    if (mouseOver)
      fill(kHL, bounds, false, pBlend);
  }

  if (pressed && ControlIsAnimating())
    DrawSplash(g, bounds);
  if (mStyle.drawFrame)
    g.DrawEllipse(GetColor(kFR), bounds, pBlend, mStyle.frameThickness);
}

IRECT IVectorBase::DrawPressableTriangle(ICanvas& g, const IRECT& bounds, bool pressed, bool mouseOver, float angle,
                                         bool disabled)
{
  const IRECT handle = GetAdjustedHandleBounds(bounds);
  const float cx = handle.L + 0.5f * handle.W();
  const float cy = handle.T + 0.5f * handle.H();
  const IRECT q = handle.GetTranslated(-cx, -cy);
  const float theta = DegToRad(angle);
  const float cosT = std::cos(theta), sinT = std::sin(theta);

  // Apex at the top centre; a positive angle turns it clockwise on screen.
  const float corners[3][2] = {{q.L, q.B}, {q.MW(), q.T}, {q.R, q.B}};
  float x[3], y[3];
  for (int i = 0; i < 3; ++i)
  {
    x[i] = corners[i][0] * cosT - corners[i][1] * sinT + cx;
    y[i] = corners[i][0] * sinT + corners[i][1] * cosT + cy;
  }

  const float c = disabled ? -0.25f : 0.0f;
  const float so = mStyle.shadowOffset;
  const IBlend* pBlend = ControlBlend();

  if (pressed)
  {
    g.FillTriangle(GetColor(kPR).WithContrast(c), x[0], y[0], x[1], y[1], x[2], y[2]);
  }
  else
  {
    if (mStyle.drawShadows)
      g.FillTriangle(GetColor(kSH), x[0] + so, y[0] + so, x[1] + so, y[1] + so, x[2] + so, y[2] + so, pBlend);
    g.FillTriangle(GetColor(kFG).WithContrast(c), x[0], y[0], x[1], y[1], x[2], y[2]);
  }
  if (mouseOver)
    g.FillTriangle(GetColor(kHL), x[0], y[0], x[1], y[1], x[2], y[2], pBlend);

  if (pressed && ControlIsAnimating())
    DrawSplash(g);
  if (mStyle.drawFrame)
    g.DrawTriangle(GetColor(kFR), x[0], y[0], x[1], y[1], x[2], y[2], pBlend, mStyle.frameThickness);
  return handle;
}

void IVectorBase::DrawSplash(ICanvas& g, const IRECT& clip)
{
  g.PathClipRegion(clip);
  g.FillCircle(GetColor(kHL), mSplashPoint.x, mSplashPoint.y, mSplashRadius);
  g.PathClipRegion(IRECT());
}

} // namespace weft::canvas
