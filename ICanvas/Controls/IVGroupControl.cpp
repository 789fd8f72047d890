#include "IVGroupControl.h"

#include "ICanvas.h"

namespace weft::canvas {

IVGroupControl::IVGroupControl(const IRECT& bounds, const char* label, float labelOffset, const IVStyle& style,
                               AttachFunc attachFunc, ResizeFunc resizeFunc)
: IContainerBase(bounds, std::move(attachFunc), std::move(resizeFunc))
, IVectorBase(style)
, mLabelOffset(labelOffset)
{
  AttachIControl(this, label);
  mIgnoreMouse = true;
}

IVGroupControl::IVGroupControl(const char* label, const char* groupName, float padL, float padT, float padR,
                               float padB, const IVStyle& style)
: IContainerBase(IRECT(), kNoParameter)
, IVectorBase(style)
, mGroupName(groupName ? groupName : "")
, mPadL(padL)
, mPadT(padT)
, mPadR(padR)
, mPadB(padB)
{
  AttachIControl(this, label);
  mIgnoreMouse = true;
}

void IVGroupControl::OnInit()
{
  if (mGroupName.GetLength())
    SetBoundsBasedOnGroup(mGroupName.Get(), mPadL, mPadT, mPadR, mPadB);
}

void IVGroupControl::SetBoundsBasedOnGroup(const char* groupName, float padL, float padT, float padR, float padB)
{
  mGroupName.Set(groupName ? groupName : "");
  mPadL = padL, mPadT = padT, mPadR = padR, mPadB = padB;
  IRECT unionRect;
  if (ICanvas* pUI = GetUI())
    pUI->ForControlInGroup(mGroupName.Get(), [&](IControl* pControl) { unionRect = unionRect.Union(pControl->GetRECT()); });
  mRECT = unionRect.GetPadded(padL, padT, padR, padB);
  OnResize();
}

void IVGroupControl::OnResize()
{
  mTargetRECT = MakeRects(mRECT);
  // Without a label there is no gap to widen or place: the frame closes.
  const bool hasLabel = !mLabelBounds.Empty();
  if (hasLabel)
    mLabelBounds.L -= mLabelPadding, mLabelBounds.R += mLabelPadding;
  mWidgetBounds.T -= mLabelBounds.H() / 2.0f + mStyle.frameThickness / 2.0f;
  const float cr = GetRoundedCornerRadius(mWidgetBounds);
  if (hasLabel)
    mLabelBounds = mLabelBounds.GetHShifted(mRECT.L + mStyle.frameThickness + mLabelOffset + cr - mLabelBounds.L);
  SetDirty(false);
}

void IVGroupControl::Draw(ICanvas& g)
{
  DrawLabel(g);
  DrawWidget(g);
}

void IVGroupControl::DrawWidget(ICanvas& g)
{
  const IRECT& r = mWidgetBounds;
  const float cr = GetRoundedCornerRadius(r), ft = mStyle.frameThickness, h = ft / 2.0f;
  const bool noLabel = mLabelBounds.Empty();
  const float gapL = noLabel ? mRECT.MW() : mLabelBounds.L, gapR = noLabel ? mRECT.MW() : mLabelBounds.R;
  g.PathClear();
  g.PathMoveTo(gapR, r.T + h);
  g.PathArc(r.R - cr - h, r.T + cr + h, cr, 0.0f, 90.0f);
  g.PathArc(r.R - cr - h, r.B - cr - h, cr, 90.0f, 180.0f);
  g.PathArc(r.L + cr + h, r.B - cr - h, cr, 180.0f, 270.0f);
  g.PathArc(r.L + cr + h, r.T + cr + h, cr, 270.0f, 360.0f);
  g.PathLineTo(gapL, r.T + h);
  g.PathStroke(IPattern(mStyle.drawShadows ? GetColor(kSH) : GetColor(kFR)), ft);
}

} // namespace weft::canvas
