// Base bodies of the context's drawing operations over the back end's path
// primitives.

#include "ICanvas.h"

#include <cmath>

namespace weft::canvas {

// --- Shapes

void ICanvas::DrawFittedBitmap(const IBitmap&, const IRECT&, const IBlend*) {}
void ICanvas::DrawRotatedBitmap(const IBitmap&, float, float, double, const IBlend*) {}

void ICanvas::DrawPoint(const IColor& color, float x, float y, const IBlend* pBlend)
{
  FillRect(color, IRECT(x, y, x + 1.0f, y + 1.0f), pBlend);
}

void ICanvas::DrawLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* pBlend,
                       float thickness)
{
  PathClear();
  PathMoveTo(x1, y1);
  PathLineTo(x2, y2);
  PathStroke(IPattern(color), thickness, IStrokeOptions(), pBlend);
}

void ICanvas::DrawDottedLine(const IColor&, float, float, float, float, const IBlend*, float, float) {}

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

void ICanvas::DrawRoundRect(const IColor&, const IRECT&, float, const IBlend*, float) {}
void ICanvas::DrawRoundRect(const IColor&, const IRECT&, float, float, float, float, const IBlend*, float) {}
void ICanvas::DrawArc(const IColor&, float, float, float, float, float, const IBlend*, float) {}
void ICanvas::DrawCircle(const IColor&, float, float, float, const IBlend*, float) {}
void ICanvas::DrawEllipse(const IColor&, const IRECT&, const IBlend*, float) {}
void ICanvas::DrawEllipse(const IColor&, float, float, float, float, float, const IBlend*, float) {}
void ICanvas::DrawConvexPolygon(const IColor&, float*, float*, int, const IBlend*, float) {}
void ICanvas::DrawDottedRect(const IColor&, const IRECT&, const IBlend*, float, float) {}

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

void ICanvas::FillRoundRect(const IColor&, const IRECT&, float, const IBlend*) {}
void ICanvas::FillRoundRect(const IColor&, const IRECT&, float, float, float, float, const IBlend*) {}
void ICanvas::FillCircle(const IColor&, float, float, float, const IBlend*) {}
void ICanvas::FillEllipse(const IColor&, const IRECT&, const IBlend*) {}
void ICanvas::FillEllipse(const IColor&, float, float, float, float, float, const IBlend*) {}
void ICanvas::FillArc(const IColor&, float, float, float, float, float, const IBlend*) {}
void ICanvas::FillConvexPolygon(const IColor&, float*, float*, int, const IBlend*) {}
void ICanvas::DrawFastDropShadow(const IRECT&, const IRECT&, float, float, float, const IBlend*) {}
void ICanvas::DrawGrid(const IColor&, const IRECT&, float, float, const IBlend*, float) {}
void ICanvas::DrawData(const IColor&, const IRECT&, float*, int, float*, const IBlend*, float, const IColor*) {}

// --- Path builders

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

// --- Text

float ICanvas::MeasureText(const IText& text, const char* str, IRECT& bounds) const
{
  if (!str || str[0] == '\0')
    return 0.0f;
  return DoMeasureText(text, str, bounds);
}

void ICanvas::DrawMultiLineText(const IText& text, const char*, const IRECT& bounds, const IBlend* pBlend)
{
  DrawText(text, "Unsupported", bounds, pBlend);
}

void ICanvas::DrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* pBlend)
{
  if (!str || str[0] == '\0')
    return;
  DoDrawText(text, str, bounds, pBlend);
}

void ICanvas::DrawText(const IText& text, const char* str, float x, float y, const IBlend* pBlend)
{
  DrawText(text, str, IRECT(x, y, x, y), pBlend);
}

} // namespace weft::canvas

namespace weft::canvas {

void RadialPoints(float angleDegrees, float cx, float cy, float rMin, float rMax, int nPoints, float (*points)[2])
{
  const float a = DegToRad(angleDegrees - 90.0f);
  const float sinA = std::sin(a);
  const float cosA = std::cos(a);
  for (int i = 0; i < nPoints; ++i)
  {
    const float r = nPoints > 1 ? rMin + (rMax - rMin) * static_cast<float>(i) / static_cast<float>(nPoints - 1) : rMin;
    points[i][0] = cx + r * cosA;
    points[i][1] = cy + r * sinA;
  }
}

} // namespace weft::canvas
