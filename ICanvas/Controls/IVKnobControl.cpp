#include "IVKnobControl.h"

#include "ICanvas.h"
#include "IParam.h"

#include <algorithm>

namespace weft::canvas {

IVKnobControl::IVKnobControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                             bool valueIsEditable, bool valueInWidget, float a1, float a2, float aAnchor,
                             EDirection direction, double gearing, float trackSize)
: IKnobControlBase(bounds, paramIdx, direction, gearing)
, IVectorBase(style, false, valueInWidget)
, mAngle1(a1)
, mAngle2(a2)
, mAnchorAngle(aAnchor)
{
  Init(style, valueIsEditable, trackSize);
  AttachIControl(this, label);
}

IVKnobControl::IVKnobControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                             const IVStyle& style, bool valueIsEditable, bool valueInWidget, float a1, float a2,
                             float aAnchor, EDirection direction, double gearing, float trackSize)
: IKnobControlBase(bounds, kNoParameter, direction, gearing)
, IVectorBase(style, false, valueInWidget)
, mAngle1(a1)
, mAngle2(a2)
, mAnchorAngle(aAnchor)
{
  Init(style, valueIsEditable, trackSize);
  SetActionFunction(std::move(actionFunc));
  AttachIControl(this, label);
}

void IVKnobControl::Init(const IVStyle& style, bool valueIsEditable, float trackSize)
{
  DisablePrompt(!valueIsEditable);
  mText = style.valueText;
  mHideCursorOnDrag = style.hideCursor;
  mShape = EVShape::Ellipse;
  mTrackSize = trackSize;
}

void IVKnobControl::Draw(ICanvas& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
  DrawValue(g, mValueMouseOver);
}

void IVKnobControl::OnResize()
{
  mTargetRECT = MakeRects(mRECT);
  SetDirty(false);
}

float IVKnobControl::GetRadius() const
{
  return std::min(mWidgetBounds.W(), mWidgetBounds.H()) / 2.0f - mTrackSize / 2.0f;
}

IRECT IVKnobControl::GetTrackBounds() const
{
  return mWidgetBounds.GetCentredInside(2.0f * (GetRadius() + mTrackSize));
}

IRECT IVKnobControl::GetKnobDragBounds()
{
  const float w = mWidgetBounds.W(), h = mWidgetBounds.H();
  return w > h ? mWidgetBounds.GetCentredInside(h / 2.0f, h) : mWidgetBounds.GetCentredInside(w, w / 2.0f);
}

void IVKnobControl::DrawWidget(ICanvas& g)
{
  const float r = GetRadius();
  const float cx = mWidgetBounds.MW(), cy = mWidgetBounds.MH();
  const IRECT handle = mWidgetBounds.GetCentredInside(2.0f * (r - mTrackToHandleDistance));
  const float angle = mAngle1 + static_cast<float>(GetValue(0)) * (mAngle2 - mAngle1);
  DrawIndicatorTrack(g, angle, cx, cy, r);
  DrawHandle(g, handle);
  DrawPointer(g, angle, cx, cy, handle.W() / 2.0f);
}

void IVKnobControl::DrawIndicatorTrack(ICanvas& g, float angle, float cx, float cy, float radius)
{
  if (mTrackSize > 0.0f)
    g.DrawArc(GetColor(kX1), cx, cy, radius, std::min(angle, mAnchorAngle), std::max(angle, mAnchorAngle),
              &mBlend, mTrackSize);
}

void IVKnobControl::DrawHandle(ICanvas& g, const IRECT& bounds)
{
  DrawPressableShape(g, EVShape::Ellipse, bounds, mMouseDown, mMouseIsOver, IsDisabled());
}

void IVKnobControl::DrawPointer(ICanvas& g, float angle, float cx, float cy, float radius)
{
  g.DrawRadialLine(GetColor(kFR), cx, cy, angle, mInnerPointerFrac * radius, mOuterPointerFrac * radius, &mBlend,
                   mPointerThickness);
}

void IVKnobControl::OnInit()
{
  if (const IParam* pParam = GetParam())
  {
    pParam->GetDisplayWithLabel(mValueStr);
    if (mLabelStr.GetLength() == 0)
      mLabelStr.Set(pParam->GetName());
  }
}

void IVKnobControl::SetDirty(bool push, int)
{
  IKnobControlBase::SetDirty(push);
  // Written directly: SetValueStr would ask for another redraw.
  if (const IParam* pParam = GetParam())
    pParam->GetDisplayWithLabel(mValueStr);
}

void IVKnobControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  // Only an editable value takes the click: with the value inside the
  // widget a non-editable knob would otherwise never drag.
  if (mStyle.showValue && !IsPromptDisabled() && mValueBounds.Contains(x, y))
    PromptUserInput(mValueBounds, 0);
  else
    IKnobControlBase::OnMouseDown(x, y, mod);
  SetDirty(false);
}

void IVKnobControl::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  IKnobControlBase::OnMouseUp(x, y, mod);
  SetDirty(true);
}

void IVKnobControl::OnMouseDblClick(float x, float y, const IMouseMod&) { SetValueToDefault(GetValIdxForPos(x, y)); }

void IVKnobControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  if (mStyle.showValue && !IsPromptDisabled())
    mValueMouseOver = mValueBounds.Contains(x, y);
  IKnobControlBase::OnMouseOver(x, y, mod);
  SetDirty(false);
}

void IVKnobControl::OnMouseOut()
{
  mValueMouseOver = false;
  IKnobControlBase::OnMouseOut();
}

bool IVKnobControl::IsHit(float x, float y) const
{
  if (!IsPromptDisabled() && mValueBounds.Contains(x, y))
    return true;
  return mWidgetBounds.Contains(x, y);
}

} // namespace weft::canvas
