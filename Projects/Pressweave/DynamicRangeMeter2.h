#pragma once
// A second stereo meter's display: per channel a peak, a peak hold and an
// RMS level, and three loudness values (momentary, short-term, integrated)
// with the smoothed values last drawn. The product never constructs it (its
// meters are DynamicRangeMeter) and nothing here measures: the values are
// what an analysis would leave for the drawing. dB throughout.
//
// Threads: main thread only.

#include "DynamicRangeMeter.h"

namespace pressweave {

class DynamicRangeMeter2
{
public:
  // The loudness values, in drawing order.
  enum ELoudness
  {
    kMomentary = 0,
    kShortTerm,
    kIntegrated,
    kNumLoudness
  };

  // The smoothed value DrawLUFS drew last and smooths from next.
  double GetDisplayLoudness(ELoudness which) const noexcept { return mPrevLoudness[which]; }

  // Drawing, defined by the editor with DynamicRangeMeter's. The colours are
  // given as to DynamicRangeMeter's drawings; each part reads those it needs.
  using ICanvas = weft::canvas::ICanvas;
  using IRECT = weft::canvas::IRECT;
  using IColor = weft::canvas::IColor;
  // The same peak lines and hold marks as DynamicRangeMeter's, on this
  // meter's scale.
  void DrawPeaks(ICanvas& g, const IRECT& r, const IColor& holdLeft, const IColor& holdRight,
                 const IColor& barLeft, const IColor& barRight);
  void DrawPeaksHold(ICanvas& g, const IRECT& r, const IColor& holdLeft, const IColor& holdRight,
                     const IColor& barLeft, const IColor& barRight);
  // RMS bars, unclamped; the band from the RMS down to -3 dB lights at
  // -3 dB and above, the part above 0 dB turns red at 0 dB and above.
  void DrawRMS(ICanvas& g, const IRECT& r, const IColor& holdLeft, const IColor& holdRight, const IColor& barLeft,
               const IColor& barRight);
  // Smooths each loudness value (0.1 new, 0.9 previous) and marks it with a
  // dot in its zone colour and "M: ", "S: " or "I: " and its value.
  void DrawLUFS(ICanvas& g, const IRECT& r, const IColor& holdLeft, const IColor& holdRight,
                const IColor& barLeft, const IColor& barRight);

  // Tests of the drawing set the drawn values exactly through this.
  friend struct DynamicRangeMeterProbe;

private:
  struct Channel
  {
    double peakDB = DynamicRangeMeter::kLevelFloor;
    double peakHoldDB = DynamicRangeMeter::kLevelFloor;
    double rmsDB = DynamicRangeMeter::kLevelFloor;
  };

  double mScaleTop = DynamicRangeMeter::kDisplayTop;
  double mScaleBottom = DynamicRangeMeter::kDisplayBottom;
  Channel mChannels[2];
  double mLoudness[kNumLoudness] = {DynamicRangeMeter::kLevelFloor, DynamicRangeMeter::kLevelFloor,
                                    DynamicRangeMeter::kLevelFloor};
  double mPrevLoudness[kNumLoudness] = {DynamicRangeMeter::kLevelFloor, DynamicRangeMeter::kLevelFloor,
                                        DynamicRangeMeter::kLevelFloor};
};

} // namespace pressweave
