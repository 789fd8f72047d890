#include "ICaptionControl.h"

#include "ICanvas.h"
#include "IParam.h"

namespace weft::canvas {

ICaptionControl::ICaptionControl(const IRECT& bounds, int paramIdx, const IText& text, const IColor& bgColor,
                                 bool showParamLabel)
: ITextControl(bounds, "", text, bgColor)
, mShowParamLabel(showParamLabel)
{
  SetParamIdx(paramIdx);
  mDisablePrompt = false;
  mIgnoreMouse = false;
  mDblAsSingleClick = true;
}

void ICaptionControl::OnMouseDown(float, float, const IMouseMod& mod)
{
  if (mod.L || mod.R)
    PromptUserInput(mRECT, 0);
}

void ICaptionControl::Draw(ICanvas& g)
{
  if (const IParam* pParam = GetParam(0))
  {
    pParam->GetDisplay(mStr, true);
    // Named values carry no label: no trailing space for them.
    if (mShowParamLabel && pParam->GetLabel()[0] != '\0')
    {
      mStr.Append(" ");
      mStr.Append(pParam->GetLabel());
    }
  }

  ITextControl::Draw(g);

  if (mTri.W() > 0.0f)
  {
    if (mMouseIsOver)
      g.FillTriangle(mTriangleMouseOverColor, mTri.L, mTri.T, mTri.R, mTri.T, mTri.MW(), mTri.B);
    else
      g.FillTriangle(mTriangleColor, mTri.L, mTri.T, mTri.R, mTri.T, mTri.MW(), mTri.B, &BLEND_50);
  }
}

void ICaptionControl::OnResize()
{
  const IParam* pParam = GetParam(0);
  if (!pParam || pParam->Type() != IParam::kTypeEnum)
    return;
  const float w = mText.mSize;
  const IRECT strip = mText.mAlign == EAlign::Far ? mRECT.GetFromLeft(w) : mRECT.GetFromRight(w);
  mTri = strip.GetCentredInside(w * 0.5f, w * 0.33f);
}

} // namespace weft::canvas
