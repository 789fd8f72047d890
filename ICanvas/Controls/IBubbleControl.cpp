#include "IBubbleControl.h"

#include "ICanvas.h"

namespace weft::canvas {

IBubbleControl::IBubbleControl(const IText& text, const IColor& fillColor, const IColor& strokeColor, float roundness)
: IBubbleControlBase(IRECT())
, mRoundness(roundness)
, mFillColor(fillColor)
, mStrokeColor(strokeColor)
{
  mText = text;
  mHide = true;
  mIgnoreMouse = true;
  mBlend = IBlend(EBlend::SrcOver, 0.0f);
  SetActionFunction([](IControl* pCaller) { pCaller->SetAnimation(AnimationStep, 200); });
  SetAnimationEndActionFunction([](IControl* pCaller) {
    if (static_cast<IBubbleControl*>(pCaller)->mState == kShown)
      pCaller->SetAnimation(AnimationStep, 1000);
  });
}

void IBubbleControl::ShowBubble(IControl* pCaller, float x, float y, const char* str, EDirection dir,
                                const IRECT& minimumContentBounds, uint64_t touchID)
{
  if (mMaxBounds.W() == 0.0f && GetUI())
    mMaxBounds = GetUI()->GetBounds();
  mDirection = dir;
  mTouchId = touchID;
  mStr.Set(str ? str : "");

  IRECT content;
  MeasureText(mStr.Get(), content);
  if (!minimumContentBounds.Empty())
  {
    if (content.W() < minimumContentBounds.W())
      content.R = content.L + minimumContentBounds.W();
    if (content.H() < minimumContentBounds.H())
      content.B = content.T + minimumContentBounds.H();
  }
  content = content.GetHPadded(mHorizontalPadding).GetPadded(mMargin);
  const float w = content.W(), h = content.H();
  mBubbleBounds = IRECT(x, y - h / 2.0f, x + w, y + h / 2.0f);

  // Without a caller the point itself stands for it.
  const IRECT caller = pCaller ? pCaller->GetRECT() : IRECT(x, y, x, y);
  if (dir == EDirection::Horizontal)
  {
    if (mBubbleBounds.R > mMaxBounds.R - mHorizontalPadding - mMargin)
    {
      mBubbleBounds.Translate(-(mBubbleBounds.R - caller.L), 0.0f);
      mArrowDir = 1;
    }
    else
      mArrowDir = 3;
  }
  else
  {
    mBubbleBounds.Translate(-w / 2.0f, -h / 2.0f);
    if (mBubbleBounds.T < mMaxBounds.T)
    {
      mArrowDir = 0;
      mBubbleBounds.Translate(0.0f, h + caller.H());
    }
    else
      mArrowDir = 2;
  }

  SetRECT(GetRECT().Union(mBubbleBounds));
  if (mState == kHidden)
  {
    Hide(false);
    mState = kFadingIn;
    SetDirty(true);
  }
  if (pCaller != mCaller)
  {
    SetRECT(mBubbleBounds);
    if (GetUI())
      GetUI()->SetAllControlsDirty();
  }
  mCaller = pCaller;
}

void IBubbleControl::AnimationStep(IControl* pCaller)
{
  auto* b = static_cast<IBubbleControl*>(pCaller);
  const double p = b->GetAnimationProgress();
  if (p <= 1.0)
  {
    if (b->mState == kFadingIn)
      b->mBlend.mWeight = static_cast<float>(p) * b->mOpacity;
    else if (b->mState == kShown)
      b->mBlend.mWeight = b->mOpacity;
    else if (b->mState == kFadingOut)
      b->mBlend.mWeight = static_cast<float>(1.0 - p) * b->mOpacity;
    return;
  }
  switch (b->mState)
  {
    case kFadingIn:
      b->mBlend.mWeight = b->mOpacity;
      b->mState = kShown;
      b->OnEndAnimation(); // the hold starts
      break;
    case kShown:
      if (b->GetUI() && b->GetUI()->ControlIsCaptured(b->mCaller))
      {
        b->SetDirty(true); // check again in 200 ms
        break;
      }
      b->mBlend.mWeight = b->mOpacity;
      b->mState = kFadingOut;
      b->SetDirty(true);
      break;
    case kFadingOut:
      b->mBlend.mWeight = 0.0f;
      b->Hide(true);
      b->mState = kHidden;
      b->mTouchId = 0;
      b->SetDirty(false);
      b->OnEndAnimation();
      break;
    default:
      b->OnEndAnimation();
      break;
  }
}

void IBubbleControl::MeasureText(const char* str, IRECT& contentBounds) const
{
  if (GetUI())
    GetUI()->MeasureText(mText, str, contentBounds);
}

void IBubbleControl::Draw(ICanvas& g)
{
  const IRECT r = mBubbleBounds.GetPadded(-mMargin);
  DrawDropShadow(g, r);
  DrawBubble(g, r);
  DrawContent(g, r);
}

void IBubbleControl::DrawDropShadow(ICanvas& g, const IRECT& r)
{
  g.DrawFastDropShadow(r, mBubbleBounds, 2.0f, mRoundness, 10.0f, &mBlend);
}

void IBubbleControl::DrawContent(ICanvas& g, const IRECT& r) { g.DrawText(mText, mStr.Get(), r, &mBlend); }

void IBubbleControl::DrawBubble(ICanvas& g, const IRECT& r)
{
  const float c = mRoundness, a = mArrowSize, s = a / 2.0f, mw = r.MW(), mh = r.MH();
  auto topRight = [&] { g.PathArc(r.R - c, r.T + c, c, 0.0f, 90.0f); };
  auto bottomRight = [&] { g.PathArc(r.R - c, r.B - c, c, 90.0f, 180.0f); };
  auto bottomLeft = [&] { g.PathArc(r.L + c, r.B - c, c, 180.0f, 270.0f); };

  g.PathClear();
  g.PathMoveTo(r.L, r.T + c);
  g.PathArc(r.L + c, r.T + c, c, 270.0f, 360.0f);
  switch (mArrowDir)
  {
    case 0:
      g.PathLineTo(mw - s, r.T), g.PathLineTo(mw, r.T - a), g.PathLineTo(mw + s, r.T);
      topRight(), bottomRight(), bottomLeft();
      break;
    case 1:
      topRight();
      g.PathLineTo(r.R, mh - s), g.PathLineTo(r.R + a, mh), g.PathLineTo(r.R, mh + s);
      bottomRight(), bottomLeft();
      break;
    case 2:
      topRight(), bottomRight();
      g.PathLineTo(mw + s, r.B), g.PathLineTo(mw, r.B + a), g.PathLineTo(mw - s, r.B);
      bottomLeft();
      break;
    default:
      topRight(), bottomRight(), bottomLeft();
      g.PathLineTo(r.L, mh + s), g.PathLineTo(r.L - a, mh), g.PathLineTo(r.L, mh - s);
      break;
  }
  g.PathClose();
  g.PathFill(IPattern(mFillColor), IFillOptions(true), &mBlend);
  g.PathStroke(IPattern(mStrokeColor), mStrokeThickness, IStrokeOptions(), &mBlend);
}

} // namespace weft::canvas
