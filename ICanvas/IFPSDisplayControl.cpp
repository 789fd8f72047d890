#include "IFPSDisplayControl.h"

#include "ICanvas.h"

#include <cstdio>

namespace weft::canvas {

IFPSDisplayControl::IFPSDisplayControl(const IRECT& bounds, EStyle style, const char* label)
: IControl(bounds)
, IVectorBase(DEFAULT_STYLE)
, mDisplayStyle(style)
, mName(label)
{
  const IColor textColor = GetColor(kFR);
  mAPIText = IText(14.0f, textColor, DEFAULT_FONT, EAlign::Near, EVAlign::Top);
  mReadingText = IText(18.0f, textColor, DEFAULT_FONT, EAlign::Far, EVAlign::Top);
  mSecondReadingText = IText(15.0f, textColor, DEFAULT_FONT, EAlign::Far, EVAlign::Bottom);
  AttachIControl(this, label);
  SetColor(kBG, COLOR_WHITE);
  mText = IText(14.0f, textColor, DEFAULT_FONT, EAlign::Near, EVAlign::Bottom);
}

void IFPSDisplayControl::Update(float sample)
{
  mWritePos = (mWritePos + 1) % kNumSamples;
  mSamples[mWritePos] = sample;
}

void IFPSDisplayControl::OnMouseDown(float, float, const IMouseMod&)
{
  mDisplayStyle = static_cast<EStyle>((mDisplayStyle + 1) % 3);
}

void IFPSDisplayControl::Draw(ICanvas& g)
{
  float sum = 0.0f;
  for (float s : mSamples)
    sum += s;
  const float avg = sum / static_cast<float>(kNumSamples);

  g.FillRect(GetColor(kBG), mRECT);
  g.DrawRect(COLOR_BLACK, mRECT);

  const IRECT graph = mRECT.GetPadded(-2.0f);
  const float x0 = graph.L, y0 = graph.T, w = graph.W(), h = graph.H();
  g.PathMoveTo(x0, y0 + h);
  for (int i = 0; i < kNumSamples; ++i)
  {
    const float s = mSamples[(mWritePos + i) % kNumSamples];
    float v, fullScale;
    switch (mDisplayStyle)
    {
      case kFPS: v = 1.0f / (s + 0.00001f); fullScale = 80.0f; break;
      case kPercentage: v = s; fullScale = 100.0f; break;
      default: v = s * 1000.0f; fullScale = 20.0f; break;
    }
    if (v > fullScale)
      v = fullScale;
    g.PathLineTo(x0 + (static_cast<float>(i) / 99.0f) * w, y0 + h - (v / fullScale) * h);
  }
  g.PathLineTo(mRECT.R, mRECT.B);
  g.PathFill(IPattern(GetColor(kFG)));

  g.DrawText(mAPIText, g.GetDrawingAPIStr(), graph);
  if (mName.GetLength() > 0)
    g.DrawText(mText, mName.Get(), graph);

  // 32 characters and the terminator: formatting never allocates.
  char reading[33];
  switch (mDisplayStyle)
  {
    case kFPS:
      std::snprintf(reading, sizeof(reading), "%.2f FPS", 1.0f / avg);
      g.DrawText(mReadingText, reading, graph);
      std::snprintf(reading, sizeof(reading), "%.2f ms", avg * 1000.0f);
      g.DrawText(mSecondReadingText, reading, graph);
      break;
    case kPercentage:
      std::snprintf(reading, sizeof(reading), "%.1f %%", avg);
      g.DrawText(mReadingText, reading, graph);
      break;
    default:
      std::snprintf(reading, sizeof(reading), "%.2f ms", avg * 1000.0f);
      g.DrawText(mReadingText, reading, graph);
      break;
  }
}

} // namespace weft::canvas
