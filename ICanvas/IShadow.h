#pragma once
// IShadow: a drop shadow made from a layer's alpha: its paint, blur size and
// offset in points, opacity (0..1), and whether the layer's own drawing is
// composited over it.

#include "IPattern.h"

namespace weft::canvas {

struct IShadow
{
  IPattern mPattern = IPattern(COLOR_BLACK_DROP_SHADOW);
  float mBlurSize = 0.0f;
  float mXOffset = 0.0f;
  float mYOffset = 0.0f;
  float mOpacity = 1.0f;
  bool mDrawForeground = true;

  IShadow(const IPattern& pattern, float blurSize, float xOffset, float yOffset, float opacity,
          bool drawForeground = true)
  : mPattern(pattern)
  , mBlurSize(blurSize)
  , mXOffset(xOffset)
  , mYOffset(yOffset)
  , mOpacity(opacity)
  , mDrawForeground(drawForeground)
  {}
};

} // namespace weft::canvas
