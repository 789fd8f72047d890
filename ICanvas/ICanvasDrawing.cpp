// Base bodies of the context's shape and path drawing over the back end's
// path primitives. Every stroke or fill operation clears the current path,
// builds its own and paints it with one call; the builders only add to the
// current path. Patterns and options live on the stack: nothing allocates.

#include "ICanvas.h"
#include "IWeftUtilities.h"

#include <cmath>

namespace weft::canvas {

namespace {

IStrokeOptions DashedStroke(float dashLen)
{
  IStrokeOptions options;
  options.mDash.SetDash(&dashLen, 0.0f, 1);
  return options;
}

} // namespace

void RadialPoints(float angleDegrees, float cx, float cy, float rMin, float rMax, int nPoints, float (*points)[2])
{
  const float a = DegToRad(angleDegrees - 90.0f);
  const float cosA = std::cos(a);
  const float sinA = std::sin(a);
  for (int i = 0; i < nPoints; ++i)
  {
    // a single point lies at rMin
    const float r = nPoints > 1 ? rMin + (rMax - rMin) * static_cast<float>(i) / static_cast<float>(nPoints - 1)
                                : rMin;
    points[i][0] = cx + r * cosA;
    points[i][1] = cy + r * sinA;
  }
}

// --- Strokes

void ICanvas::DrawLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* pBlend,
                       float thickness)
{
  PathClear();
  PathLine(x1, y1, x2, y2);
  PathStroke(IPattern(color), thickness, IStrokeOptions(), pBlend);
}

void ICanvas::DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* pBlend,
                             float thickness, float dashLen)
{
  PathClear();
  PathLine(x1, y1, x2, y2);
  PathStroke(IPattern(color), thickness, DashedStroke(dashLen), pBlend);
}

void ICanvas::DrawTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                           const IBlend* pBlend, float thickness)
{
  PathClear();
  PathTriangle(x1, y1, x2, y2, x3, y3);
  PathStroke(IPattern(color), thickness, IStrokeOptions(), pBlend);
}

void ICanvas::DrawRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend, float thickness)
{
  PathClear();
  PathRect(bounds);
  PathStroke(IPattern(color), thickness, IStrokeOptions(), pBlend);
}

void ICanvas::DrawRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius, const IBlend* pBlend,
                            float thickness)
{
  PathClear();
  PathRoundRect(bounds, cornerRadius);
  PathStroke(IPattern(color), thickness, IStrokeOptions(), pBlend);
}

void ICanvas::DrawRoundRect(const IColor& color, const IRECT& bounds, float cRTL, float cRTR, float cRBL, float cRBR,
                            const IBlend* pBlend, float thickness)
{
  PathClear();
  PathRoundRect(bounds, cRTL, cRTR, cRBL, cRBR);
  PathStroke(IPattern(color), thickness, IStrokeOptions(), pBlend);
}

void ICanvas::DrawArc(const IColor& color, float cx, float cy, float r, float a1, float a2, const IBlend* pBlend,
                      float thickness)
{
  PathClear();
  PathArc(cx, cy, r, a1, a2);
  PathStroke(IPattern(color), thickness, IStrokeOptions(), pBlend);
}

void ICanvas::DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* pBlend, float thickness)
{
  PathClear();
  PathCircle(cx, cy, r);
  PathStroke(IPattern(color), thickness, IStrokeOptions(), pBlend);
}

void ICanvas::DrawEllipse(const IColor& color, const IRECT& bounds, const IBlend* pBlend, float thickness)
{
  PathClear();
  PathEllipse(bounds);
  PathStroke(IPattern(color), thickness, IStrokeOptions(), pBlend);
}

void ICanvas::DrawEllipse(const IColor& color, float x, float y, float r1, float r2, float angle,
                          const IBlend* pBlend, float thickness)
{
  PathClear();
  PathEllipse(x, y, r1, r2, angle);
  PathStroke(IPattern(color), thickness, IStrokeOptions(), pBlend);
}

void ICanvas::DrawConvexPolygon(const IColor& color, float* x, float* y, int nPoints, const IBlend* pBlend,
                                float thickness)
{
  if (nPoints < 1 || !x || !y)
    return;
  PathClear();
  PathConvexPolygon(x, y, nPoints);
  PathStroke(IPattern(color), thickness, IStrokeOptions(), pBlend);
}

void ICanvas::DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend, float thickness,
                             float dashLen)
{
  PathClear();
  PathRect(bounds);
  PathStroke(IPattern(color), thickness, DashedStroke(dashLen), pBlend);
}

void ICanvas::DrawGrid(const IColor& color, const IRECT& bounds, float gridSizeH, float gridSizeV,
                       const IBlend* pBlend, float thickness)
{
  PathClear();
  // Positions are L + i x spacing rather than a running sum, so a far-off
  // rectangle cannot stall the loop on float rounding.
  if (gridSizeH > 1.0f)
  {
    for (int i = 1;; ++i)
    {
      const float x = bounds.L + gridSizeH * static_cast<float>(i);
      if (!(x < bounds.R))
        break;
      PathMoveTo(x, bounds.T);
      PathLineTo(x, bounds.B);
    }
  }
  if (gridSizeV > 1.0f)
  {
    for (int i = 1;; ++i)
    {
      const float y = bounds.T + gridSizeV * static_cast<float>(i);
      if (!(y < bounds.B))
        break;
      PathMoveTo(bounds.L, y);
      PathLineTo(bounds.R, y);
    }
  }
  PathStroke(IPattern(color), thickness, IStrokeOptions(), pBlend);
}

void ICanvas::DrawData(const IColor& color, const IRECT& bounds, float* normYPoints, int nPoints, float* normXPoints,
                       const IBlend* pBlend, float thickness, const IColor* pFillColor)
{
  if (nPoints < 1 || !normYPoints)
    return;
  const float w = bounds.W();
  const float h = bounds.H();
  PathClear();
  PathMoveTo(bounds.L, bounds.B - h * normYPoints[0]);
  for (int i = 1; i < nPoints; ++i)
  {
    const float x = normXPoints ? bounds.L + w * normXPoints[i]
                                : bounds.L + (w / static_cast<float>(nPoints - 1)) * static_cast<float>(i);
    PathLineTo(x, bounds.B - h * normYPoints[i]);
  }
  if (pFillColor)
    PathFill(IPattern(*pFillColor), IFillOptions(true), pBlend);
  PathStroke(IPattern(color), thickness, IStrokeOptions(), pBlend);
}

// --- Fills

void ICanvas::FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                           const IBlend* pBlend)
{
  PathClear();
  PathTriangle(x1, y1, x2, y2, x3, y3);
  PathFill(IPattern(color), IFillOptions(), pBlend);
}

void ICanvas::FillRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend)
{
  PathClear();
  PathRect(bounds);
  PathFill(IPattern(color), IFillOptions(), pBlend);
}

void ICanvas::FillRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius, const IBlend* pBlend)
{
  PathClear();
  PathRoundRect(bounds, cornerRadius);
  PathFill(IPattern(color), IFillOptions(), pBlend);
}

void ICanvas::FillRoundRect(const IColor& color, const IRECT& bounds, float cRTL, float cRTR, float cRBL, float cRBR,
                            const IBlend* pBlend)
{
  PathClear();
  PathRoundRect(bounds, cRTL, cRTR, cRBL, cRBR);
  PathFill(IPattern(color), IFillOptions(), pBlend);
}

void ICanvas::FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* pBlend)
{
  PathClear();
  PathCircle(cx, cy, r);
  PathFill(IPattern(color), IFillOptions(), pBlend);
}

void ICanvas::FillEllipse(const IColor& color, const IRECT& bounds, const IBlend* pBlend)
{
  PathClear();
  PathEllipse(bounds);
  PathFill(IPattern(color), IFillOptions(), pBlend);
}

void ICanvas::FillEllipse(const IColor& color, float x, float y, float r1, float r2, float angle,
                          const IBlend* pBlend)
{
  PathClear();
  PathEllipse(x, y, r1, r2, angle);
  PathFill(IPattern(color), IFillOptions(), pBlend);
}

void ICanvas::FillArc(const IColor& color, float cx, float cy, float r, float a1, float a2, const IBlend* pBlend)
{
  PathClear();
  PathMoveTo(cx, cy);
  PathArc(cx, cy, r, a1, a2);
  PathClose();
  PathFill(IPattern(color), IFillOptions(), pBlend);
}

void ICanvas::FillConvexPolygon(const IColor& color, float* x, float* y, int nPoints, const IBlend* pBlend)
{
  if (nPoints < 1 || !x || !y)
    return;
  PathClear();
  PathConvexPolygon(x, y, nPoints);
  PathFill(IPattern(color), IFillOptions(), pBlend);
}

void ICanvas::DrawFastDropShadow(const IRECT&, const IRECT&, float, float, float, const IBlend*) {}

// --- Derived lines

void ICanvas::DrawPoint(const IColor& color, float x, float y, const IBlend* pBlend)
{
  FillRect(color, IRECT(x, y, x + 1.0f, y + 1.0f), pBlend);
}

void ICanvas::DrawVerticalLine(const IColor& color, float xi, float yLo, float yHi, const IBlend* pBlend,
                               float thickness)
{
  DrawLine(color, xi, yLo, xi, yHi, pBlend, thickness);
}

void ICanvas::DrawHorizontalLine(const IColor& color, float yi, float xLo, float xHi, const IBlend* pBlend,
                                 float thickness)
{
  DrawLine(color, xLo, yi, xHi, yi, pBlend, thickness);
}

void ICanvas::DrawVerticalLine(const IColor& color, const IRECT& bounds, float x, const IBlend* pBlend,
                               float thickness)
{
  x = Clip(x, 0.0f, 1.0f);
  const float xi = bounds.L + std::trunc(x * bounds.W());
  DrawVerticalLine(color, xi, bounds.T, bounds.B, pBlend, thickness);
}

void ICanvas::DrawHorizontalLine(const IColor& color, const IRECT& bounds, float y, const IBlend* pBlend,
                                 float thickness)
{
  y = Clip(y, 0.0f, 1.0f);
  DrawHorizontalLine(color, bounds.B - y * bounds.H(), bounds.L, bounds.R, pBlend, thickness);
}

void ICanvas::DrawLineAcross(const IColor& color, const IRECT& bounds, EDirection dir, float pos,
                             const IBlend* pBlend, float thickness)
{
  if (dir == EDirection::Horizontal)
    DrawHorizontalLine(color, bounds, pos, pBlend, thickness);
  else
    DrawVerticalLine(color, bounds, pos, pBlend, thickness);
}

void ICanvas::DrawRadialLine(const IColor& color, float cx, float cy, float angle, float rMin, float rMax,
                             const IBlend* pBlend, float thickness)
{
  float points[2][2];
  RadialPoints(angle, cx, cy, rMin, rMax, 2, points);
  DrawLine(color, points[0][0], points[0][1], points[1][0], points[1][1], pBlend, thickness);
}

// --- Path builders

void ICanvas::PathLine(float x1, float y1, float x2, float y2)
{
  PathMoveTo(x1, y1);
  PathLineTo(x2, y2);
}

void ICanvas::PathRadialLine(float cx, float cy, float angle, float rMin, float rMax)
{
  float points[2][2];
  RadialPoints(angle, cx, cy, rMin, rMax, 2, points);
  PathLine(points[0][0], points[0][1], points[1][0], points[1][1]);
}

void ICanvas::PathTriangle(float x1, float y1, float x2, float y2, float x3, float y3)
{
  PathMoveTo(x1, y1);
  PathLineTo(x2, y2);
  PathLineTo(x3, y3);
  PathClose();
}

void ICanvas::PathRect(const IRECT& bounds)
{
  PathMoveTo(bounds.L, bounds.T);
  PathLineTo(bounds.R, bounds.T);
  PathLineTo(bounds.R, bounds.B);
  PathLineTo(bounds.L, bounds.B);
  PathClose();
}

void ICanvas::PathRoundRect(const IRECT& bounds, float cornerRadius)
{
  PathRoundRect(bounds, cornerRadius, cornerRadius, cornerRadius, cornerRadius);
}

void ICanvas::PathRoundRect(const IRECT& bounds, float cRTL, float cRTR, float cRBL, float cRBR)
{
  if (!(cRTL > 0.0f) && !(cRTR > 0.0f) && !(cRBL > 0.0f) && !(cRBR > 0.0f))
  {
    PathRect(bounds);
    return;
  }
  const float l = bounds.L;
  const float w = bounds.W();
  const float h = bounds.H();
  const float t = bounds.B - h;
  // The straight sides join each arc's start to the previous arc's end.
  PathMoveTo(l, t + cRTL);
  PathArc(l + cRTL, t + cRTL, cRTL, 270.0f, 360.0f);
  PathArc(l + w - cRTR, t + cRTR, cRTR, 0.0f, 90.0f);
  PathArc(l + w - cRBR, t + h - cRBR, cRBR, 90.0f, 180.0f);
  PathArc(l + cRBL, t + h - cRBL, cRBL, 180.0f, 270.0f);
  PathClose();
}

void ICanvas::PathConvexPolygon(float* x, float* y, int nPoints)
{
  if (nPoints < 1 || !x || !y)
    return;
  PathMoveTo(x[0], y[0]);
  for (int i = 1; i < nPoints; ++i)
    PathLineTo(x[i], y[i]);
  PathClose();
}

void ICanvas::PathCircle(float cx, float cy, float r)
{
  PathMoveTo(cx, cy - r);
  PathArc(cx, cy, r, 0.0f, 360.0f);
  PathClose();
}

void ICanvas::PathEllipse(const IRECT& bounds)
{
  PathEllipse(bounds.MW(), bounds.MH(), bounds.W() / 2.0f, bounds.H() / 2.0f, 0.0f);
}

void ICanvas::PathEllipse(float x, float y, float r1, float r2, float angle)
{
  if (!(r1 > 0.0f) || !(r2 > 0.0f))
    return;
  // The back end transforms points as they are added, so the unit circle
  // keeps the ellipse's shape after the transform is restored.
  PathTransformSave();
  PathTransformTranslate(x, y);
  PathTransformRotate(angle);
  PathTransformScale(r1, r2);
  PathCircle(0.0f, 0.0f, 1.0f);
  PathTransformRestore();
}

} // namespace weft::canvas
