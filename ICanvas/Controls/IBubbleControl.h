#pragma once
// IBubbleControl: a small rounded box with an arrow showing a text (usually a
// value) beside the control being operated. It fades in over 200 ms, holds
// for a second, stays while the pointer still holds its caller (checked every
// 200 ms), then fades out over 200 ms and hides. It never takes the mouse.
//
// Threads: main (UI) thread only.

#include "IOverlayControlBases.h"

namespace weft::canvas {

class IBubbleControl : public IBubbleControlBase
{
public:
  IBubbleControl(const IText& text = DEFAULT_TEXT, const IColor& fillColor = COLOR_WHITE,
                 const IColor& strokeColor = COLOR_BLACK, float roundness = 5.0f);

  // --- Added virtual operations, in slot order.
  virtual void DrawContent(ICanvas& g, const IRECT& r);
  virtual void DrawBubble(ICanvas& g, const IRECT& r);
  virtual void MeasureText(const char* str, IRECT& contentBounds) const;

  void Draw(ICanvas& g) override;

  // Arrow 1 (bubble left of the caller) when a horizontal bubble would pass
  // the right edge; arrow 0 (below the caller) when a vertical one would
  // pass the top.
  void ShowBubble(IControl* pCaller, float x, float y, const char* str, EDirection dir,
                  const IRECT& minimumContentBounds, uint64_t touchID) override;
  uint64_t GetTouchID() const override { return mTouchId; }

  void SetMaxBounds(const IRECT& bounds) { mMaxBounds = bounds; }
  int GetState() const { return mState; }
  int GetArrowDir() const { return mArrowDir; }
  const IRECT& GetBubbleBounds() const { return mBubbleBounds; }

  enum EState
  {
    kHidden = 0,
    kFadingIn,
    kShown,
    kFadingOut
  };

protected:
  void DrawDropShadow(ICanvas& g, const IRECT& r);
  static void AnimationStep(IControl* pCaller);

  // The fade is carried by the control's own blend (weight 0 while hidden).
  uint64_t mTouchId = 0;
  EDirection mDirection = EDirection::Horizontal;
  IRECT mMaxBounds;
  IRECT mBubbleBounds;
  IControl* mCaller = nullptr;
  int mArrowDir = 3;
  LOOM_String mStr;
  float mRoundness;
  float mMargin = 10.0f;
  float mArrowSize = 10.0f;
  float mOpacity = 0.95f;
  float mStrokeThickness = 2.0f;
  float mHorizontalPadding = 5.0f;
  IColor mFillColor;
  IColor mStrokeColor;
  int mState = kHidden;
};

} // namespace weft::canvas
