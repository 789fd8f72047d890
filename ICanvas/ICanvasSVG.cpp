// SVG images replayed through the context's path operations.

#include "ICanvas.h"

#include "IVec2.h"
#include "SVGImage.h"

#include <algorithm>
#include <cmath>

namespace weft::canvas {

using svg::SVGPaint;
using svg::SVGPath;
using svg::SVGShape;

float ISVG::W() const
{
  LOOM_ASSERT_MSG(mImage, "mImage");
  return mImage ? mImage->width : 0.0f;
}

float ISVG::H() const
{
  LOOM_ASSERT_MSG(mImage, "mImage");
  return mImage ? mImage->height : 0.0f;
}

namespace {

IColor PaintColor(uint32_t color, int alpha)
{
  return IColor(alpha, int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

// Whether a ray from the path's first point to just beyond its bounds'
// top-left corner crosses the shape's other outlines an odd number of times.
bool IsHole(const SVGShape& shape, size_t pathIdx)
{
  const SVGPath& path = shape.paths[pathIdx];
  const IVec2 p0(path.X(0), path.Y(0));
  const IVec2 p1(path.bounds[0] - 1.0f, path.bounds[1] - 1.0f);
  int crossings = 0;
  for (size_t other = 0; other < shape.paths.size(); other++)
  {
    const SVGPath& o = shape.paths[other];
    if (other == pathIdx || o.NPts() <= 3)
      continue;
    // The chords of its segments, the closing chord last.
    for (int i = 1; i < o.NPts() + 3; i += 3)
    {
      const IVec2 a(o.X(i - 1), o.Y(i - 1));
      const IVec2 b = i < o.NPts() ? IVec2(o.X(i + 2), o.Y(i + 2)) : IVec2(o.X(0), o.Y(0));
      const float t1 = GetLineCrossing(p0, p1, a, b);
      const float t2 = GetLineCrossing(a, b, p0, p1);
      if (t1 >= 0.0f && t1 < 1.0f && t2 >= 0.0f)
        crossings++;
    }
  }
  return crossings % 2 == 1;
}

} // namespace

IPattern ICanvas::GetSVGPattern(const SVGPaint& paint, float opacity)
{
  const int alpha = std::clamp(static_cast<int>(std::round(opacity * 255.0f)), 0, 255);
  switch (paint.type)
  {
    case svg::kPaintColor: return IPattern(PaintColor(paint.color, alpha));
    case svg::kPaintLinearGradient:
    case svg::kPaintRadialGradient:
    {
      if (!paint.gradient)
        break;
      IPattern pattern(paint.type == svg::kPaintLinearGradient ? EPatternType::Linear : EPatternType::Radial);
      const svg::ESpread spread = paint.gradient->spread;
      pattern.mExtend = spread == svg::kSpreadReflect  ? EPatternSpread::Reflect
                        : spread == svg::kSpreadRepeat ? EPatternSpread::Repeat
                                                       : EPatternSpread::Pad;
      // A file may repeat an offset or give more than 16 stops: only the
      // stops a pattern takes are added (the first of equal offsets, the
      // first 16).
      for (const auto& stop : paint.gradient->stops)
      {
        const int n = pattern.NStops();
        if (n < MAX_PATTERN_STOPS && (!n || pattern.GetStop(n - 1).mOffset < stop.offset))
          pattern.AddStop(PaintColor(stop.color, 255), stop.offset);
      }
      const float* t = paint.gradient->xform;
      pattern.SetTransform(t[0], t[1], t[2], t[3], t[4], t[5]);
      return pattern;
    }
    default: break;
  }
  return IPattern(IColor(alpha, 0, 0, 0));
}

void ICanvas::DrawSVG(const ISVG& svg, const IRECT& bounds, const IBlend* pBlend, const IColor* pStrokeColor,
                      const IColor* pFillColor)
{
  // An image that failed to load, or has no size to fit, draws nothing.
  if (!svg.IsValid() || !(svg.W() > 0.0f) || !(svg.H() > 0.0f))
    return;
  const float s = std::min(bounds.W() / svg.W(), bounds.H() / svg.H());
  PathTransformSave();
  PathTransformTranslate(bounds.L, bounds.T);
  PathTransformScale(s);
  DoDrawSVG(svg, pBlend, pStrokeColor, pFillColor);
  PathTransformRestore();
}

void ICanvas::DrawRotatedSVG(const ISVG& svg, float destCentreX, float destCentreY, float width, float height,
                             double angle, const IBlend* pBlend)
{
  PathTransformSave();
  PathTransformTranslate(destCentreX, destCentreY);
  PathTransformRotate(static_cast<float>(angle));
  DrawSVG(svg, IRECT(-width / 2.0f, -height / 2.0f, width / 2.0f, height / 2.0f), pBlend);
  PathTransformRestore();
}

void ICanvas::DoDrawSVG(const ISVG& svg, const IBlend* pBlend, const IColor* pStrokeColor, const IColor* pFillColor)
{
  LOOM_ASSERT_MSG(svg.mImage != nullptr, "pImage != nullptr");
  if (!svg.mImage)
    return;
  for (const SVGShape& shape : svg.mImage->shapes)
  {
    if (!shape.visible)
      continue;
    PathClear();
    for (size_t p = 0; p < shape.paths.size(); p++)
    {
      const SVGPath& path = shape.paths[p];
      PathMoveTo(path.X(0), path.Y(0));
      for (int i = 1; i + 2 < path.NPts(); i += 3)
        PathCubicBezierTo(path.X(i), path.Y(i), path.X(i + 1), path.Y(i + 1), path.X(i + 2), path.Y(i + 2));
      if (path.closed)
        PathClose();
      PathSetWinding(IsHole(shape, p));
    }
    if (shape.fill.type != svg::kPaintNone)
    {
      const IFillOptions options(shape.stroke.type != svg::kPaintNone, EFillRule::Preserve);
      PathFill(pFillColor ? IPattern(*pFillColor) : GetSVGPattern(shape.fill, shape.opacity), options, pBlend);
    }
    if (shape.stroke.type != svg::kPaintNone)
    {
      IStrokeOptions options;
      options.mMiterLimit = shape.miterLimit;
      options.mCapOption = static_cast<EStrokeCap>(shape.strokeLineCap);
      options.mJoinOption = static_cast<EStrokeJoin>(shape.strokeLineJoin);
      options.mDash.SetDash(shape.strokeDashArray, shape.strokeDashOffset, shape.strokeDashCount);
      PathStroke(pStrokeColor ? IPattern(*pStrokeColor) : GetSVGPattern(shape.stroke, shape.opacity),
                 shape.strokeWidth, options, pBlend);
    }
  }
}

} // namespace weft::canvas
