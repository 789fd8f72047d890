// SVG images replayed through the context's path operations.

#include "ICanvas.h"

#include "SVGHoleIndex.h"
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

} // namespace

IPattern ICanvas::GetSVGPattern(const SVGPaint& paint, float opacity)
{
  const int alpha = std::clamp(static_cast<int>(std::round(opacity * 255.0f)), 0, 255);
  switch (paint.type)
  {
    case svg::kPaintColor:
    {
      // The colour's own alpha carries fill-opacity or stroke-opacity; at 255
      // the result is the shape's opacity alone.
      const float combined = opacity * static_cast<float>(paint.color >> 24);
      return IPattern(PaintColor(paint.color, std::clamp(static_cast<int>(std::round(combined)), 0, 255)));
    }
    case svg::kPaintLinearGradient:
    case svg::kPaintRadialGradient:
    {
      if (!paint.gradient || !paint.gradient->stops)
        break;
      IPattern pattern(paint.type == svg::kPaintLinearGradient ? EPatternType::Linear : EPatternType::Radial);
      const svg::ESpread spread = paint.gradient->spread;
      pattern.mExtend = spread == svg::kSpreadReflect  ? EPatternSpread::Reflect
                        : spread == svg::kSpreadRepeat ? EPatternSpread::Repeat
                                                       : EPatternSpread::Pad;
      // A file may repeat an offset or give more than 16 stops: only the
      // stops a pattern takes are added (the first of equal offsets, the
      // first 16); the rest of a long list cannot change it.
      for (const auto& stop : *paint.gradient->stops)
      {
        const int n = pattern.NStops();
        if (n >= MAX_PATTERN_STOPS)
          break;
        if (!n || pattern.GetStop(n - 1).mOffset < stop.offset)
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
  if (!mSVGHoles)
    mSVGHoles = std::make_unique<SVGHoleIndex>();
  for (const SVGShape& shape : svg.mImage->shapes)
  {
    if (!shape.visible)
      continue;
    PathClear();
    mSVGHoles->Build(shape);
    for (size_t p = 0; p < shape.paths.size(); p++)
    {
      const SVGPath& path = shape.paths[p];
      PathMoveTo(path.X(0), path.Y(0));
      for (int i = 1; i + 2 < path.NPts(); i += 3)
        PathCubicBezierTo(path.X(i), path.Y(i), path.X(i + 1), path.Y(i + 1), path.X(i + 2), path.Y(i + 2));
      if (path.closed)
        PathClose();
      // Inside an odd number of the shape's other outlines: drawn as a hole.
      PathSetWinding(mSVGHoles->IsHole(p));
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
