#pragma once
// The beat-synchronised scope: two rectified traces of a WaveformProcessor
// (input or sidechain, and output) over a bar and beat grid that follows the
// host's time signature, with tempo, bar, beat and song-time readouts.
//
// Threads: main thread. The processor's traces and beat position are written
// by the render thread while this reads them without a lock; a frame may mix
// two blocks.

#include "IControl.h"
#include "WaveformProcessor.h"

namespace pressweave {

using weft::canvas::ICanvas;
using weft::canvas::IColor;
using weft::canvas::IControl;
using weft::canvas::IMouseMod;
using weft::canvas::IRECT;

class WaveformControl : public IControl
{
public:
  static constexpr int kNumPoints = 1000;

  // The colours are replaced at once by theme 0. pProcessor is not owned and
  // may be null: then nothing is drawn.
  WaveformControl(const IRECT& bounds, const IColor& colorInput, const IColor& colorOutput, const IColor& colorFill,
                  WaveformProcessor* pProcessor);
  ~WaveformControl() override = default;

  void OnMouseDown(float, float, const IMouseMod&) override {}
  void Draw(ICanvas& g) override;

  // 0..3; any other value draws as 3. Restores the theme's input colour.
  void SetColorTheme(int theme);
  // Replaces the input-trace colour until the next SetColorTheme.
  void SetColorInput(const IColor& color);
  void UpdateColorsFromTheme();

  const IColor& GetColorInput() const { return mColorInput; }
  const IColor& GetColorOutput() const { return mColorOutput; }
  const IColor& GetColorFill() const { return mColorFill; }

  // out[i] = a prev + (1 - a) in[i] with a = smoothing / (1 + |in[i] - prev|),
  // out[0] = in[0]; then everything times compensation when it is above 0.
  static void AdaptiveSmoothingWithManualCompensation(const double* in, double* out, int count, double smoothing,
                                                      double compensation);
  // The traces' shift against the grid by one block, as a fraction of the
  // window (<= 0); 0 without a processor or with a rate, tempo or window
  // that is not above 0 or not finite.
  double CalculateAdaptiveOffset() const;
  // The colour with its HSL lightness times factor, clamped to 0..1.
  static IColor AdjustLuminance(const IColor& color, float factor);

private:
  // The time signature drawn: 4/4 when either part is not above 0.
  void GetSignature(int& num, int& den) const;
  void DrawWaveUniPolarSmoothing5(ICanvas& g, const double* levels, const IColor& color);
  void DrawFill(ICanvas& g, const double* smoothed, const IColor& color);
  void DrawOutline(ICanvas& g, const double* smoothed, const IColor& color);
  // The closed trace of the levels along the bottom edge: each point rises
  // by level * heightScale of the height, then moves down by drop pixels.
  void PathTrace(ICanvas& g, const double* smoothed, double heightScale, double drop);
  // Level at screen point i, read with the offset between two slots, at most 1.
  static double LevelAt(const double* data, double offset, int i);
  void DrawGrid(ICanvas& g);
  void DrawIndicatorBackGround(ICanvas& g);
  void DrawTempoIndicator(ICanvas& g);
  void DrawTimeDisplay(ICanvas& g);
  void DrawBeatNumbers(ICanvas& g);
  // Readout row 0..3 of the right-hand column.
  IRECT ReadoutCell(int row) const;

  WaveformProcessor* mProcessor;
  IColor mColorOutput;
  IColor mColorFill;
  IColor mColorInput;
  float mTraceScale;
  int mColorTheme;
};

} // namespace pressweave
