#include "IVSliderControl.h"

#include "ICanvas.h"
#include "IParam.h"

namespace weft::canvas {

IVSliderControl::IVSliderControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                 bool valueIsEditable, EDirection dir, double gearing, float handleSize,
                                 float trackSize, bool handleInsideTrack, float handleXOffset, float handleYOffset)
: ISliderControlBase(bounds, paramIdx, dir, gearing, handleSize)
, IVectorBase(style)
, mHandleInsideTrack(handleInsideTrack)
, mHandleXOffset(handleXOffset)
, mHandleYOffset(handleYOffset)
{
  Init(style, valueIsEditable, trackSize);
  AttachIControl(this, label);
}

IVSliderControl::IVSliderControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                                 const IVStyle& style, bool valueIsEditable, EDirection dir, double gearing,
                                 float handleSize, float trackSize, bool handleInsideTrack, float handleXOffset,
                                 float handleYOffset)
: ISliderControlBase(bounds, kNoParameter, dir, gearing, handleSize)
, IVectorBase(style)
, mHandleInsideTrack(handleInsideTrack)
, mHandleXOffset(handleXOffset)
, mHandleYOffset(handleYOffset)
{
  Init(style, valueIsEditable, trackSize);
  SetActionFunction(std::move(actionFunc));
  AttachIControl(this, label);
}

void IVSliderControl::Init(const IVStyle& style, bool valueIsEditable, float trackSize)
{
  DisablePrompt(!valueIsEditable);
  mText = style.valueText;
  mHideCursorOnDrag = style.hideCursor;
  mShape = EVShape::Ellipse;
  mTrackSize = trackSize;
}

void IVSliderControl::Draw(ICanvas& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
  DrawValue(g, mValueMouseOver);
}

void IVSliderControl::OnResize()
{
  mTargetRECT = MakeRects(mRECT);
  const IRECT inner = mWidgetBounds.GetPadded(-mHandleSize);
  mTrack = mDirection == EDirection::Vertical ? inner.GetMidHPadded(mTrackSize) : inner.GetMidVPadded(mTrackSize);
  SetDirty(false);
}

void IVSliderControl::DrawWidget(ICanvas& g)
{
  const IRECT filled = mTrack.FracRect(mDirection, static_cast<float>(GetValue(0)));
  if (mTrackSize > 0.0f)
    DrawTrack(g, filled);
  const float shift = mStyle.drawShadows && mShape != EVShape::Ellipse ? mStyle.shadowOffset / 2.0f : 0.0f;
  float x, y;
  if (mDirection == EDirection::Vertical)
    x = filled.MW() + shift, y = filled.T;
  else
    x = filled.R, y = filled.MH() + shift;
  if (mHandleSize > 0.0f)
  {
    x += mHandleXOffset;
    y += mHandleYOffset;
    DrawHandle(g, IRECT(x - mHandleSize, y - mHandleSize, x + mHandleSize, y + mHandleSize));
  }
}

void IVSliderControl::DrawTrack(ICanvas& g, const IRECT& filledArea)
{
  const float extra = mHandleInsideTrack ? mHandleSize : 0.0f;
  const bool vertical = mDirection == EDirection::Vertical;
  const IRECT track = vertical ? mTrack.GetVPadded(extra) : mTrack.GetHPadded(extra);
  const IRECT filled = vertical ? filledArea.GetVPadded(extra) : filledArea.GetHPadded(extra);
  const float cr = GetRoundedCornerRadius(mTrack);
  g.FillRoundRect(GetColor(kSH), track, cr, &mBlend);
  g.FillRoundRect(GetColor(kX1), filled, cr, &mBlend);
  if (mStyle.drawFrame)
    g.DrawRoundRect(GetColor(kFR), track, cr, &mBlend, mStyle.frameThickness);
}

void IVSliderControl::DrawHandle(ICanvas& g, const IRECT& bounds)
{
  DrawPressableShape(g, mShape, bounds, mMouseDown, mMouseIsOver, IsDisabled());
}

void IVSliderControl::OnInit()
{
  if (const IParam* pParam = GetParam())
  {
    if (mLabelStr.GetLength() == 0)
      mLabelStr.Set(pParam->GetName());
    pParam->GetDisplayWithLabel(mValueStr);
  }
}

void IVSliderControl::SetDirty(bool push, int)
{
  ISliderControlBase::SetDirty(push);
  if (const IParam* pParam = GetParam())
    pParam->GetDisplayWithLabel(mValueStr);
}

void IVSliderControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (mStyle.showValue && mValueBounds.Contains(x, y))
    PromptUserInput(mValueBounds, 0);
  else
    ISliderControlBase::OnMouseDown(x, y, mod);
}

void IVSliderControl::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  ISliderControlBase::OnMouseUp(x, y, mod);
  SetDirty(true);
}

void IVSliderControl::OnMouseDblClick(float x, float y, const IMouseMod&) { SetValueToDefault(GetValIdxForPos(x, y)); }

void IVSliderControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  if (mStyle.showValue && !IsPromptDisabled())
    mValueMouseOver = mValueBounds.Contains(x, y);
  ISliderControlBase::OnMouseOver(x, y, mod);
  SetDirty(false);
}

void IVSliderControl::OnMouseOut()
{
  mValueMouseOver = false;
  ISliderControlBase::OnMouseOut();
}

bool IVSliderControl::IsHit(float x, float y) const
{
  if (!IsPromptDisabled() && mValueBounds.Contains(x, y))
    return true;
  return mWidgetBounds.Contains(x, y);
}

} // namespace weft::canvas
