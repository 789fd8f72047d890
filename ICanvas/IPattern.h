#pragma once
// IPattern: a solid colour or a linear or radial gradient with up to 16
// colour stops at increasing offsets; its transform maps pattern space to
// user space (the renderer places the gradient with the inverse).

#include "IColor.h"
#include "ICanvasConstants.h"
#include "IMatrix.h"
#include "LOOM_Assert.h"

namespace weft::canvas {

struct IColorStop
{
  IColor mColor;
  float mOffset = 0.0f;

  constexpr IColorStop() = default;
  // offset must lie in 0..1.
  IColorStop(const IColor& color, float offset) : mColor(color), mOffset(offset)
  {
    LOOM_ASSERT_MSG(offset >= 0.0 && offset <= 1.0, "offset >= 0.0 && offset <= 1.0");
  }
};

struct IPattern
{
  EPatternType mType = EPatternType::Solid;
  EPatternSpread mExtend = EPatternSpread::Pad;
  IColorStop mStops[MAX_PATTERN_STOPS];
  int mNStops = 0;
  IMatrix mTransform;

  // No stops in use yet.
  IPattern(EPatternType type) : mType(type) {}
  // A solid colour: one stop at offset 0.
  IPattern(const IColor& color) : mType(EPatternType::Solid), mNStops(1) { mStops[0] = IColorStop(color, 0.0f); }

  int NStops() const noexcept { return mNStops; }
  // i must lie in 0..NStops()-1.
  const IColorStop& GetStop(int i) const { return mStops[i]; }

  // Appends a stop. A solid pattern, a 17th stop and an offset not greater
  // than the last stop's (or NaN) are callers' errors (asserted); release
  // builds ignore such a call, and any call with an offset outside 0..1.
  void AddStop(const IColor& color, float offset)
  {
    LOOM_ASSERT_MSG(mType != EPatternType::Solid && mNStops < 16, "mType != EPatternType::Solid && mNStops < 16");
    if (mType == EPatternType::Solid || mNStops >= MAX_PATTERN_STOPS)
      return;
    LOOM_ASSERT_MSG(!mNStops || GetStop(mNStops - 1).mOffset < offset,
                    "!mNStops || GetStop(mNStops - 1).mOffset < offset");
    if (mNStops > 0 && !(GetStop(mNStops - 1).mOffset < offset))
      return;
    if (!(offset >= 0.0f && offset <= 1.0f))
      return;
    mStops[mNStops++] = IColorStop(color, offset);
  }

  void SetTransform(float xx, float yx, float xy, float yy, float tx, float ty)
  {
    mTransform = IMatrix(xx, yx, xy, yy, tx, ty);
  }
  void SetTransform(const IMatrix& m) { mTransform = m; }
};

} // namespace weft::canvas
