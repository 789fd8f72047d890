#pragma once
// Stroke and fill options of the path operations.

#include "ICanvasConstants.h"
#include "LOOM_Assert.h"

#include <algorithm>

namespace weft::canvas {

struct IStrokeOptions
{
  struct DashOptions
  {
    float mArray[MAX_DASH_COUNT] = {};
    float mOffset = 0.0f;
    int mCount = 0; // 0: no dashing

    int GetCount() const noexcept { return mCount; }
    float GetOffset() const noexcept { return mOffset; }
    const float* GetArray() const noexcept { return mArray; }

    // Copies the first count lengths of array. count must lie in 0..8 (release
    // builds clamp it); a null array gives no dashing.
    void SetDash(const float* array, float offset, int count)
    {
      LOOM_ASSERT_MSG(count >= 0 && count <= 8, "count >= 0 && count <= 8");
      count = array ? std::min(std::max(count, 0), MAX_DASH_COUNT) : 0;
      mCount = count;
      mOffset = offset;
      std::copy(array, array + count, mArray);
    }
  };

  float mMiterLimit = 10.0f;
  bool mPreserve = false;
  EStrokeCap mCapOption = EStrokeCap::Butt;
  EStrokeJoin mJoinOption = EStrokeJoin::Miter;
  DashOptions mDash;
};

struct IFillOptions
{
  EFillRule mFillRule = EFillRule::Winding;
  bool mPreserve = false;

  IFillOptions(bool preserve = false, EFillRule fillRule = EFillRule::Winding)
  : mFillRule(fillRule)
  , mPreserve(preserve)
  {}
};

} // namespace weft::canvas
