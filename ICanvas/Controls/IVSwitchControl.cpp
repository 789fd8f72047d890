#include "IVSwitchControl.h"

#include "ICanvas.h"
#include "IParam.h"

namespace weft::canvas {

IVSwitchControl::IVSwitchControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                 bool valueInButton)
: ISwitchControlBase(bounds, paramIdx, SplashClickActionFunc, 2)
, IVectorBase(style, false, valueInButton)
{
  Init(style, valueInButton, label);
}

IVSwitchControl::IVSwitchControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                                 const IVStyle& style, int numStates, bool valueInButton)
: ISwitchControlBase(bounds, kNoParameter, std::move(actionFunc), numStates)
, IVectorBase(style, false, valueInButton)
{
  Init(style, valueInButton, label);
}

void IVSwitchControl::Init(const IVStyle& style, bool valueInButton, const char* label)
{
  AttachIControl(this, label);
  mText = style.valueText;
  if (valueInButton)
  {
    mStyle.valueText.mVAlign = EVAlign::Middle;
    mText.mVAlign = EVAlign::Middle;
  }
}

void IVSwitchControl::Draw(ICanvas& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
  DrawValue(g, false);
}

void IVSwitchControl::DrawWidget(ICanvas& g)
{
  DrawPressableShape(g, mShape, mWidgetBounds, mMouseDown, mMouseIsOver, IsDisabled());
}

void IVSwitchControl::OnResize()
{
  mTargetRECT = MakeRects(mRECT, true);
  SetDirty(false);
}

bool IVSwitchControl::IsHit(float x, float y) const { return mWidgetBounds.Contains(x, y); }

void IVSwitchControl::SetDirty(bool push, int)
{
  ISwitchControlBase::SetDirty(push);
  if (const IParam* pParam = GetParam())
    pParam->GetDisplay(mValueStr);
}

void IVSwitchControl::OnInit()
{
  ISwitchControlBase::OnInit();
  if (const IParam* pParam = GetParam())
  {
    pParam->GetDisplayWithLabel(mValueStr);
    if (mLabelStr.GetLength() == 0)
      mLabelStr.Set(pParam->GetName());
  }
}

void IVSwitchControl::OnMouseOut()
{
  ISwitchControlBase::OnMouseOut();
  SetDirty(false);
}

} // namespace weft::canvas
