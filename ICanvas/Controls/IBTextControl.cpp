#include "IBTextControl.h"

#include "ICanvas.h"

namespace weft::canvas {

IBTextControl::IBTextControl(const IRECT& bounds, const IBitmap& bitmap, const IText& text, const char* str,
                             int charWidth, int charHeight, int charOffset, bool multiLine, bool vCenter,
                             EBlend blend)
: ITextControl(bounds, str, text, DEFAULT_BGCOLOR)
, IBitmapBase(bitmap)
, mCharWidth(charWidth)
, mCharHeight(charHeight)
, mCharOffset(charOffset)
, mMultiLine(multiLine)
, mVCentre(vCenter)
{
  mBlend = IBlend(blend, 1.0f);
  AttachIControl(this);
}

void IBTextControl::Draw(ICanvas& g)
{
  g.DrawBitmapedText(mBitmap, mRECT, mText, &mBlend, mStr.Get(), mVCentre, mMultiLine, mCharWidth, mCharHeight,
                     mCharOffset);
}

void IBTextControl::OnRescale()
{
  if (!GetUI() || !mBitmap.IsValid())
    return;
  const IBitmap scaled = GetUI()->GetScaledBitmap(mBitmap);
  if (scaled.IsValid())
    mBitmap = scaled;
}

} // namespace weft::canvas
