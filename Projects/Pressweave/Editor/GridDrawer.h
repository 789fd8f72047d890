#pragma once
// The background grid of the meter column: in the meter-decibel mode the
// meters' dB scale, otherwise a log-frequency grid with labels and a 6 dB
// grid. With a layer, the content is drawn once and the layer reused until
// the drawing context invalidates it (resize, move, scale change).
// Threads: main thread.

#include <vector>

#include "ICanvas.h"
#include "IControl.h"

namespace pressweave {

class GridDrawer : public weft::canvas::IControl
{
public:
  using ICanvas = weft::canvas::ICanvas;
  using IColor = weft::canvas::IColor;
  using IRECT = weft::canvas::IRECT;

  // colors: background (kept, not drawn), frequency lines, dB lines, text.
  GridDrawer(const IRECT& bounds, const IColor* colors, float minFreq, float maxFreq, float minDB, float maxDB,
             bool useLayer, bool meterDBMode);
  ~GridDrawer() override = default;

  void Draw(ICanvas& g) override;

  void DrawBackGround(ICanvas& g, const IRECT& r);
  void DrawMeterDBGrid(ICanvas& g, const IRECT& r);
  void DrawFreqGrid(ICanvas& g, const IRECT& r);
  void DrawGridFreqs(ICanvas& g, const IRECT& r);
  void DrawGridDecibels(ICanvas& g, const IRECT& r);

  // Frequencies to mark between the bounds, at most about width / minSpacing
  // of them plus the bounds. Empty for width < 1, minSpacing < 1, minFreq
  // not above 0, non-finite bounds or minFreq >= maxFreq.
  static std::vector<float> GenerateDynamicFrequencies(float minFreq, float maxFreq, int width, int minSpacing);

private:
  void DrawContent(ICanvas& g);

  IRECT mGridRect;
  float mMinFreq;
  float mMaxFreq;
  float mMinDB;
  float mMaxDB;
  bool mUseLayer;
  bool mMeterDBMode;
  weft::canvas::ILayerPtr mLayer; // the cached content; empty until drawn
  IColor mColors[4];
};

} // namespace pressweave
