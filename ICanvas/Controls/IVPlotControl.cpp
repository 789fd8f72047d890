#include "IVPlotControl.h"

#include "ILayer.h"

#include <algorithm>

namespace weft::canvas {

IVPlotControl::IVPlotControl(const IRECT& bounds, const std::vector<Plot>& plots, int numPoints, const char* label,
                             const IVStyle& style, float min, float max, bool useLayer)
: IControl(bounds)
, IVectorBase(style, false, false)
, mMin(min)
, mMax(max)
, mUseLayer(useLayer)
, mPoints(static_cast<size_t>(std::max(numPoints, 0)))
{
  AttachIControl(this, label);
  for (const Plot& plot : plots)
    AddPlotFunc(plot.color, plot.func);
}

void IVPlotControl::AddPlotFunc(const IColor& color, const std::function<double(double)>& func)
{
  mPlots.push_back({color, func});
  if (mLayer)
    mLayer->Invalidate();
  SetDirty(false);
}

void IVPlotControl::OnResize()
{
  mTargetRECT = MakeRects(mRECT);
  SetDirty(false);
}

void IVPlotControl::Draw(ICanvas& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  const float gridW = mWidgetBounds.W() / static_cast<float>(mHorizontalDivisions);
  const float gridH = mWidgetBounds.H() / static_cast<float>(mVerticalDivisions + 2);
  const IRECT plotBounds = mWidgetBounds.GetVPadded(-gridH);

  if (!mUseLayer)
  {
    DrawPlots(g, gridW, gridH, plotBounds);
    return;
  }
  if (!g.CheckLayer(mLayer))
  {
    g.StartLayer(this, mRECT, false);
    DrawPlots(g, gridW, gridH, plotBounds);
    mLayer = g.EndLayer();
  }
  g.DrawLayer(mLayer, &mBlend);
}

void IVPlotControl::DrawPlots(ICanvas& g, float gridW, float gridH, const IRECT& plotBounds)
{
  g.DrawGrid(GetColor(kSH), mWidgetBounds, gridW, gridH, &mBlend, 1.0f);
  const int n = static_cast<int>(mPoints.size());
  // Too few points or a flat range would put NaN or infinity in the data.
  if (n >= 2 && mMax != mMin)
  {
    for (const Plot& plot : mPlots)
    {
      for (int j = 0; j < n; ++j)
      {
        const double x = static_cast<double>(static_cast<float>(j) / static_cast<float>(n - 1));
        const double y = plot.func ? plot.func(x) : static_cast<double>(mMin);
        mPoints[static_cast<size_t>(j)] = static_cast<float>((y - mMin) / (mMax - mMin));
      }
      g.DrawData(plot.color, plotBounds, mPoints.data(), n, nullptr, &mBlend, mTrackSize, nullptr);
    }
  }
  if (mStyle.drawFrame)
    g.DrawRect(GetColor(kFR), mWidgetBounds, &mBlend, mStyle.frameThickness);
}

} // namespace weft::canvas
