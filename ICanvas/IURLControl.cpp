#include "IURLControl.h"

#include "ICanvas.h"

namespace weft::canvas {

IURLControl::IURLControl(const IRECT& bounds, const char* str, const char* url, const IText& text,
                         const IColor& bgColor, const IColor& mouseOverColor, const IColor& clickedColor)
: ITextControl(bounds, str, text, bgColor)
, mURL(url)
, mOriginalColor(text.mFGColor)
, mMouseOverColor(mouseOverColor)
, mClickedColor(clickedColor)
{
  mIgnoreMouse = false;
}

void IURLControl::Draw(ICanvas& g)
{
  g.FillRect(mBGColor, mRECT, &mBlend);
  if (mMouseIsOver)
    mText.mFGColor = mMouseOverColor;
  else
    mText.mFGColor = mClicked ? mClickedColor : mOriginalColor;
  if (mStr.GetLength() == 0)
    return;

  IRECT m;
  g.MeasureText(mText, mStr.Get(), m);
  // Under the text's bottom edge; with top alignment the text starts at the
  // rectangle's top.
  float y = mRECT.T + m.H();
  if (mText.mVAlign == EVAlign::Middle)
    y = mRECT.MH() + m.B;
  else if (mText.mVAlign == EVAlign::Bottom)
    y = mRECT.B;

  float x1 = mRECT.L, x2 = mRECT.L + m.W();
  if (mText.mAlign == EAlign::Center)
  {
    x1 = mRECT.MW() + m.L;
    x2 = mRECT.MW() + m.R;
  }
  else if (mText.mAlign == EAlign::Far)
  {
    x1 = mRECT.R - m.W();
    x2 = mRECT.R;
  }

  g.DrawLine(mText.mFGColor, x1, y, x2, y, &mBlend, 1.0f);
  g.DrawText(mText, mStr.Get(), mRECT, &mBlend);
}

void IURLControl::OnMouseDown(float, float, const IMouseMod&)
{
  if (GetUI())
  {
    GetUI()->OpenURL(mURL.Get());
    GetUI()->ReleaseMouseCapture();
  }
  mClicked = true;
}

void IURLControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  if (GetUI())
    GetUI()->SetMouseCursor(ECursor::HAND);
  IControl::OnMouseOver(x, y, mod);
}

void IURLControl::OnMouseOut()
{
  if (GetUI())
    GetUI()->SetMouseCursor(ECursor::ARROW);
  IControl::OnMouseOut();
}

void IURLControl::SetText(const IText& text)
{
  mText = text;
  mOriginalColor = text.mFGColor;
}

} // namespace weft::canvas
