#pragma once
// IVPlotControl: a read-only graph that samples functions of x over [0, 1]
// at a fixed number of points and draws them over a grid, optionally cached
// in an offscreen layer (sampled again only when the layer is invalid or a
// function is added). The minimum is drawn one row above the widget's
// bottom, the maximum one row below its top. With fewer than 2 points or
// maximum = minimum only the grid and frame are drawn.

#include "ICanvas.h"
#include "IControl.h"
#include "IVectorBase.h"

#include <functional>
#include <vector>

namespace weft::canvas {

class IVPlotControl : public IControl, public IVectorBase
{
public:
  struct Plot
  {
    IColor color;
    std::function<double(double)> func;
  };

  IVPlotControl(const IRECT& bounds, const std::vector<Plot>& plots = {}, int numPoints = 256, const char* label = "",
                const IVStyle& style = DEFAULT_STYLE, float min = -1.0f, float max = 1.0f, bool useLayer = false);

  void Draw(ICanvas& g) override;
  void OnResize() override;

  // Appends a plot, invalidates the layer and redraws.
  void AddPlotFunc(const IColor& color, const std::function<double(double)>& func);

private:
  void DrawPlots(ICanvas& g, float gridW, float gridH, const IRECT& plotBounds);

  ILayerPtr mLayer;
  std::vector<Plot> mPlots;
  float mMin;
  float mMax;
  bool mUseLayer;
  int mHorizontalDivisions = 10;
  int mVerticalDivisions = 10;
  std::vector<float> mPoints;
};

} // namespace weft::canvas
