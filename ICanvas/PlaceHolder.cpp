#include "PlaceHolder.h"

#include "ICanvas.h"

namespace weft::canvas {

PlaceHolder::PlaceHolder(const IRECT& bounds, const char* str)
: ITextControl(bounds, str, IText(20.0f, DEFAULT_TEXT_FGCOLOR, DEFAULT_FONT, EAlign::Center, EVAlign::Middle),
               DEFAULT_BGCOLOR)
, mTLHCText(DEFAULT_TEXT.WithAlign(EAlign::Near))
, mWidthText(DEFAULT_TEXT)
, mHeightText(DEFAULT_TEXT.WithAngle(270.0f))
{
  mBGColor = COLOR_WHITE;
  mDisablePrompt = false;
  mIgnoreMouse = false;
  mDblAsSingleClick = false;
}

void PlaceHolder::OnResize()
{
  mTLHCStr.SetFormatted(32, "%0.1f, %0.1f", mRECT.L, mRECT.T);
  mWidthStr.SetFormatted(32, "%0.1f", mRECT.W());
  mHeightStr.SetFormatted(32, "%0.1f", mRECT.H());
}

void PlaceHolder::Draw(ICanvas& g)
{
  g.FillRect(mBGColor, mRECT);
  g.DrawLine(COLOR_RED, mRECT.L, mRECT.T, mRECT.R, mRECT.B, nullptr, 2.0f);
  g.DrawLine(COLOR_RED, mRECT.L, mRECT.B, mRECT.R, mRECT.T, nullptr, 2.0f);

  g.DrawText(mHeightText, mHeightStr.Get(), mRECT.L + 10.0f, mRECT.MH());
  g.DrawText(mWidthText, mWidthStr.Get(), mRECT.MW(), mRECT.T + 10.0f);
  g.DrawText(mTLHCText, mTLHCStr.Get(), mRECT.L + 10.0f, mRECT.T + 10.0f);

  if (mStr.GetLength() > 0)
  {
    IRECT textRect = mRECT;
    g.MeasureText(mText, mStr.Get(), textRect);
    g.FillRect(mBGColor, textRect, &BLEND_75);
    g.DrawText(mText, mStr.Get(), textRect);
  }
}

void PlaceHolder::OnMouseDblClick(float, float, const IMouseMod&)
{
  if (GetUI())
    GetUI()->CreateTextEntry(*this, mText, mRECT, mStr.Get(), 0);
}

void PlaceHolder::OnTextEntryCompletion(const char* str, int) { SetStr(str); }

} // namespace weft::canvas
