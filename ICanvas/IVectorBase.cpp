// The vector mix-in's style, strings, layout and label, value and
// background drawing. The pressable faces are in IVectorBaseShapes.cpp.

#include "IVectorBase.h"

#include "ICanvas.h"
#include "IControl.h"

namespace weft::canvas {

IVectorBase::IVectorBase(const IVStyle& style, bool labelInWidget, bool valueInWidget)
: mLabelInWidget(labelInWidget)
, mValueInWidget(valueInWidget)
{
  SetStyle(style);
}

void IVectorBase::SetStyle(const IVStyle& style)
{
  mStyle = style;
  SetColors(style.colorSpec);
  OnStyleChanged();
}

void IVectorBase::AttachIControl(IControl* pControl, const char* label)
{
  mControl = pControl;
  mLabelStr.Set(label);
}

void IVectorBase::SetColor(EVColor color, const IColor& c)
{
  mStyle.colorSpec.mColors[color] = c;
  if (mControl)
    mControl->SetDirty(false);
}

void IVectorBase::SetColors(const IVColorSpec& spec)
{
  for (int i = 0; i < kNumVColors; ++i)
    mStyle.colorSpec.mColors[i] = spec.mColors[i];
}

void IVectorBase::SetValueStr(const char* str)
{
  mValueStr.Set(str);
  if (mControl)
    mControl->SetDirty(false);
  OnStyleChanged();
}

void IVectorBase::SetSplashPoint(float x, float y)
{
  mSplashPoint = IVec2(x, y);
  OnStyleChanged();
}

void IVectorBase::SetSplashRadius(float fraction)
{
  mSplashRadius = fraction * mMaxSplashRadius;
  OnStyleChanged();
}

const IBlend* IVectorBase::ControlBlend() const { return mControl ? &mControl->GetBlend() : nullptr; }

bool IVectorBase::ControlIsAnimating() const { return mControl && mControl->GetAnimationFunction() != nullptr; }

// --- Layout

IRECT IVectorBase::MakeRects(const IRECT& parent, bool hasHandle)
{
  const ICanvas* pUI = mControl ? mControl->GetUI() : nullptr;
  auto measure = [pUI](const IText& text, const char* str) {
    IRECT m;
    if (pUI)
      pUI->MeasureText(text, str, m);
    return m;
  };

  IRECT r = parent;

  if (!mLabelInWidget)
  {
    if (mStyle.showLabel && mLabelStr.GetLength() > 0)
    {
      const IRECT m = measure(mStyle.labelText, mLabelStr.Get());
      IRECT strip;
      switch (mStyle.labelOrientation)
      {
        case EOrientation::North: strip = r.GetFromTop(m.H()); break;
        case EOrientation::East: strip = r.GetFromRight(m.W()); break;
        case EOrientation::South: strip = r.GetFromBottom(m.H()); break;
        case EOrientation::West: strip = r.GetFromLeft(m.W()); break;
      }
      mLabelBounds = strip.GetCentredInside(m.W(), m.H());
    }
    else
    {
      mLabelBounds = IRECT();
    }

    if (!mLabelBounds.Empty())
    {
      switch (mStyle.labelOrientation)
      {
        case EOrientation::North: r = r.GetReducedFromTop(mLabelBounds.H()); break;
        case EOrientation::East: r = r.GetReducedFromRight(mLabelBounds.W()); break;
        case EOrientation::South: r = r.GetReducedFromBottom(mLabelBounds.H()); break;
        case EOrientation::West: r = r.GetReducedFromLeft(mLabelBounds.W()); break;
      }
    }
  }

  const float frac = mStyle.widgetFrac;
  if (!mStyle.showValue || mValueInWidget)
  {
    mWidgetBounds = r.GetScaledAboutCentre(frac);
  }
  else
  {
    const IRECT m = measure(mStyle.valueText, mValueStr.Get());
    const float w = m.W() * mValueWidthFrac;
    switch (mStyle.valueText.mVAlign)
    {
      case EVAlign::Top:
        mValueBounds = r.GetFromTop(m.H()).GetMidHPadded(w);
        mWidgetBounds = r.GetReducedFromTop(m.H()).GetScaledAboutCentre(frac);
        break;
      case EVAlign::Middle:
        mValueBounds = r.GetMidVPadded(0.5f * m.H()).GetMidHPadded(w);
        mWidgetBounds = r.GetScaledAboutCentre(frac);
        break;
      case EVAlign::Bottom:
        mValueBounds = r.GetFromBottom(m.H()).GetMidHPadded(w);
        mWidgetBounds = r.GetReducedFromBottom(m.H()).GetScaledAboutCentre(frac);
        break;
      default: break;
    }
  }

  if (hasHandle)
    mWidgetBounds = GetAdjustedHandleBounds(r).GetScaledAboutCentre(frac);

  if (mLabelInWidget)
    mLabelBounds = mWidgetBounds;
  if (mValueInWidget)
    mValueBounds = mWidgetBounds;

  return r;
}

IRECT IVectorBase::GetAdjustedHandleBounds(IRECT r) const
{
  if (mStyle.drawFrame)
    r.Pad(-0.5f * mStyle.frameThickness);
  if (mStyle.drawShadows)
    r.Offset(mStyle.shadowOffset, 0.0f, -mStyle.shadowOffset, -mStyle.shadowOffset);
  return r;
}

float IVectorBase::GetRoundedCornerRadius(const IRECT& r) const
{
  return r.H() > r.W() ? mStyle.roundness * r.W() / 2.0f : mStyle.roundness * r.H() / 2.0f;
}

// --- Background, label and value

void IVectorBase::DrawBackground(ICanvas& g, const IRECT& r) { g.FillRect(GetColor(kBG), r, ControlBlend()); }

void IVectorBase::DrawLabel(ICanvas& g)
{
  if (mLabelBounds.H() != 0.0f && mStyle.showLabel)
    g.DrawText(mStyle.labelText, mLabelStr.Get(), mLabelBounds, ControlBlend());
}

void IVectorBase::DrawValue(ICanvas& g, bool mouseOver)
{
  if (mouseOver)
    g.FillRect(COLOR_TRANSLUCENT, mValueBounds);
  if (mStyle.showValue)
    g.DrawText(mStyle.valueText, mValueStr.Get(), mValueBounds, ControlBlend());
}

} // namespace weft::canvas
