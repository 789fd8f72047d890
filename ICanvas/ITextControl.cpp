#include "ITextControl.h"

#include "ICanvas.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace weft::canvas {

ITextControl::ITextControl(const IRECT& bounds, const char* str, const IText& text, const IColor& bgColor,
                           bool setBoundsBasedOnStr)
: IControl(bounds)
, mStr(str)
, mBGColor(bgColor)
, mSetBoundsBasedOnStr(setBoundsBasedOnStr)
{
  mIgnoreMouse = true;
  mText = text;
}

void ITextControl::OnInit()
{
  if (mSetBoundsBasedOnStr)
    SetBoundsBasedOnStr();
}

void ITextControl::SetBoundsBasedOnStr()
{
  if (!GetUI())
    return;
  IRECT measured;
  GetUI()->MeasureText(mText, mStr.Get(), measured);
  SetTargetAndDrawRECTs(mRECT.GetCentredInside(IRECT(0.0f, 0.0f, measured.W(), measured.H())));
}

void ITextControl::SetStr(const char* str)
{
  if (!str)
    str = "";
  if (std::strcmp(str, mStr.Get()) == 0)
    return;
  mStr.Set(str);
  if (mSetBoundsBasedOnStr)
    SetBoundsBasedOnStr();
  SetDirty(false);
}

void ITextControl::SetStrFmt(int maxLength, const char* fmt, ...)
{
  va_list args;
  va_start(args, fmt);
  va_list measureArgs;
  va_copy(measureArgs, args);
  const int needed = std::vsnprintf(nullptr, 0, fmt, measureArgs);
  va_end(measureArgs);
  if (needed >= 0)
  {
    // Formatted into a buffer of its own: the arguments may be this string.
    const int length = maxLength > 0 && maxLength < needed ? maxLength : needed;
    std::vector<char> buf(static_cast<size_t>(length) + 1);
    std::vsnprintf(buf.data(), buf.size(), fmt, args);
    mStr.Set(buf.data());
  }
  va_end(args);
  SetDirty(false);
}

void ITextControl::Draw(ICanvas& g)
{
  g.FillRect(mBGColor, mRECT, &mBlend);
  if (mStr.GetLength() > 0 && g.GetControlInTextEntry() != this)
    g.DrawText(mText, mStr.Get(), mRECT, &mBlend);
}

} // namespace weft::canvas
