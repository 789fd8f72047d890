#include "IFPSDisplayControl.h"

#include "ICanvas.h"

#include <algorithm>

namespace weft::canvas {

IFPSDisplayControl::IFPSDisplayControl(const IRECT& bounds, EStyle style, const char* label)
: IControl(bounds)
, mStyle(style)
, mName(label)
, mAPIText(14.0f, DEFAULT_FRCOLOR, DEFAULT_FONT, EAlign::Near, EVAlign::Top)
, mReadingText(18.0f, DEFAULT_FRCOLOR, DEFAULT_FONT, EAlign::Far, EVAlign::Top)
, mSecondReadingText(15.0f, DEFAULT_FRCOLOR, DEFAULT_FONT, EAlign::Far, EVAlign::Bottom)
{
  mText = IText(14.0f, DEFAULT_FRCOLOR, DEFAULT_FONT, EAlign::Near, EVAlign::Bottom);
}

void IFPSDisplayControl::Update(float sample)
{
  mWritePos = (mWritePos + 1) % kNumSamples;
  mSamples[mWritePos] = sample;
}

void IFPSDisplayControl::OnMouseDown(float, float, const IMouseMod&)
{
  mStyle = static_cast<EStyle>((mStyle + 1) % 3);
}

void IFPSDisplayControl::Draw(ICanvas& g)
{
  // The graph and readings in the vector controls' style come with the
  // vector base; here the panel and its frame.
  g.FillRect(COLOR_WHITE, mRECT);
  g.DrawRect(COLOR_BLACK, mRECT);
}

} // namespace weft::canvas
