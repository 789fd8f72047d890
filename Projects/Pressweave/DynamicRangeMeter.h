#pragma once
// One stereo level and loudness meter: per channel a decaying peak, a peak
// hold and a smoothed RMS level, and per pair a K-weighted momentary loudness.
// dB values are the meter's own scale, 8.6562 * ln of a linear value.
//
// Threads: main thread only. The analysis (Process) runs in the idle handler
// over the hand-off buffers the render thread filled; the editor's meter
// control draws the fields on the same thread.

#include <functional>

#include "BufferManager.h"
#include "RingBuffer.h"

namespace weft::canvas {
class ICanvas;
struct IRECT;
struct IColor;
} // namespace weft::canvas

namespace pressweave {

// Seconds since the first call in the process, from a steady clock.
double MeterTimestamp() noexcept;

class DynamicRangeMeter
{
public:
  // Source of the current time in seconds; only differences are used.
  using Clock = double (*)() noexcept;

  static constexpr double kDisplayTop = 6.0;      // dB
  static constexpr double kDisplayBottom = -66.0; // dB; also the RMS floor
  static constexpr double kLevelFloor = -120.0;   // dB, the value of silence

  // sampleRate in Hz (a value that is not positive and finite counts as
  // 44100); holdTime in seconds.
  DynamicRangeMeter(double sampleRate, double holdTime, Clock clock = &MeterTimestamp) noexcept;
  DynamicRangeMeter(const DynamicRangeMeter&) = delete;
  DynamicRangeMeter& operator=(const DynamicRangeMeter&) = delete;

  // Sets the RMS window (ms >= 0) and the sample rate (> 0): resizes both
  // rings to the window (at least one sample), sets the peaks, holds and RMS
  // dB to the level floor, clears the hold timers and redesigns the filter
  // (clearing its memories). Mean squares and loudness are kept. Arguments
  // that are out of range or not finite are refused: false, nothing changes.
  // Allocates.
  bool SetRMS_MS(double ms, double sampleRate) noexcept;

  // One analysis step over n sample pairs, timed by the clock: nothing for
  // n < 1, a null channel, or no time elapsed since the previous step (the
  // very first step only takes the time). May allocate when the ring length
  // changes.
  void Process(const double* left, const double* right, int n) noexcept;

  // a.Process (aLeft, aRight, n) and b.Process (bLeft, bRight, n), with the
  // same results; where AVX2 is there and both meters measure loudness at one
  // sample rate, the two filter passes run as one four-lane pass.
  static void ProcessTwo(DynamicRangeMeter& a, const double* aLeft, const double* aRight, DynamicRangeMeter& b,
                         const double* bLeft, const double* bRight, int n) noexcept;
  // meters[k]->Process(in[k][0], in[k][1], n) for k < count (at most
  // kMaxShared), with the same results; the filter passes run as one as in
  // ProcessTwo, three meters' in eight lanes where AVX-512 is there.
  static constexpr int kMaxShared = 3;
  static void ProcessShared(DynamicRangeMeter* const* meters, const double* const (*in)[2], int count,
                            int n) noexcept;

  // One K-weighting step (high shelf, then high-pass) for channel 0 or 1.
  // A result that is not a finite number clears that channel's filter
  // memories and gives 0, so one bad sample cannot silence the loudness for
  // good. Other channels give 0.
  double ApplyLUFSFilter(int channel, double x) noexcept;

  // Channel 0 (left) or 1 (right); other indices read channel 1.
  double GetPeak(int channel) const noexcept { return Ch(channel).peak; }
  double GetPeakDB(int channel) const noexcept { return Ch(channel).peakDB; }
  double GetPeakHold(int channel) const noexcept { return Ch(channel).peakHold; }
  double GetPeakHoldDB(int channel) const noexcept { return Ch(channel).peakHoldDB; }
  double GetRMSDB(int channel) const noexcept { return Ch(channel).rmsDB; }
  double GetMeanSquare(int channel) const noexcept { return Ch(channel).meanSquare; }
  double GetHoldTimer(int channel) const noexcept { return Ch(channel).holdTimer; }
  int GetRingSize(int channel) const noexcept { return Ch(channel).ring.size(); }

  double GetLoudness() const noexcept { return mLoudness; }          // momentary, dB
  double GetDisplayLoudness() const noexcept { return mDisplayLoudness; }
  int GetLoudnessBlockLength() const noexcept { return mLoudnessBlockLength; }
  double GetSampleRate() const noexcept { return mSampleRate; }
  double GetRMSWindowMS() const noexcept { return mRmsWindowMs; }
  double GetHoldTime() const noexcept { return mHoldTime; }

  // Loudness is measured only while enabled (from construction). The meter
  // control writes it on every draw.
  bool IsLoudnessEnabled() const noexcept { return mLoudnessEnabled; }
  void SetLoudnessEnabled(bool enabled) noexcept { mLoudnessEnabled = enabled; }

  // Drawing, defined by the editor.
  using ICanvas = weft::canvas::ICanvas;
  using IRECT = weft::canvas::IRECT;
  using IColor = weft::canvas::IColor;
  void Draw(ICanvas& g, const IRECT& r, const IColor& holdLeft, const IColor& holdRight, const IColor& barLeft,
            const IColor& barRight, bool showLUFS);
  void DrawPeaks(ICanvas& g, const IRECT& r, const IColor& holdLeft, const IColor& holdRight,
                 const IColor& barLeft, const IColor& barRight);
  void DrawPeaksHold(ICanvas& g, const IRECT& r, const IColor& holdLeft, const IColor& holdRight,
                     const IColor& barLeft, const IColor& barRight);
  void DrawRMS(ICanvas& g, const IRECT& r, const IColor& holdLeft, const IColor& holdRight, const IColor& barLeft,
               const IColor& barRight);
  void DrawLUFS(ICanvas& g, const IRECT& r, const IColor& holdLeft, const IColor& holdRight,
                const IColor& barLeft, const IColor& barRight);
  void DrawLUFS2(ICanvas& g, const IRECT& r, const IColor& holdLeft, const IColor& holdRight,
                 const IColor& barLeft, const IColor& barRight);
  void DrawLUFSZones(ICanvas& g, const IRECT& r, const std::function<float(double)>& dBToHeight);

  // Tests of the drawing set the drawn values exactly through this.
  friend struct DynamicRangeMeterProbe;

private:
  struct Channel
  {
    double peak = kLevelFloor; // linear
    double peakDB = kLevelFloor;
    double peakHold = kLevelFloor; // linear
    double peakHoldDB = kLevelFloor;
    double rmsDB = kLevelFloor;
    double holdTimer = 0.0; // seconds
    double meanSquare = 0.0;
    RingBuffer ring;
  };

  struct FilterMemory
  {
    double shelfX1 = 0.0, shelfX2 = 0.0, shelfY1 = 0.0, shelfY2 = 0.0;
    double hpX1 = 0.0, hpX2 = 0.0, hpY1 = 0.0, hpY2 = 0.0;
  };

  const Channel& Ch(int channel) const noexcept { return mChannels[channel == 0 ? 0 : 1]; }
  int RingLength() const noexcept;
  void init_lufs_filters() noexcept;
  // One K-weighting step of the filter with memories m.
  double KWeight(FilterMemory& m, double x) const noexcept;
  // One pass over a block: each channel's largest |x| and sum of x^2, and
  // with kLoudness the loudness step (the K-weighted energy per sample pair,
  // a new smoothed value whenever one is due; filter memories below 1e-30
  // flushed to 0 at the end).
  template <bool kLoudness>
  void AnalyseBlock(const double* left, const double* right, int n, double now, double blockPeak[2],
                    double sumOfSquares[2]) noexcept;
  // The first steps of Process: false when there is nothing to analyse;
  // else the clock's time and the time since the last analysis.
  bool BeginAnalysis(const double* left, const double* right, int n, double& now, double& dt) noexcept;
  // The last steps of Process, from each channel's block peak and sum of squares.
  void FinishAnalysis(const double* left, const double* right, int n, double dt, const double blockPeak[2],
                      const double sumOfSquares[2]) noexcept;
  // ProcessShared's filter pass over count (2 or 3) meters; false (nothing
  // changed) when they cannot share it. blockPeak and sumOfSquares take two
  // values per meter.
  static bool AnalyseShared(DynamicRangeMeter* const* meters, const double* const (*in)[2], const double* nows,
                            int count, int n, double* blockPeak, double* sumOfSquares) noexcept;
  // A new smoothed loudness from the energy gathered so far.
  void UpdateLoudness(double now) noexcept;
  // Peaks, hold, smoothed mean square and ring of one channel from the block
  // x[0..n) whose largest |x| and sum of squares are given.
  void UpdateChannel(Channel& ch, const double* x, int n, double dt, double blockPeak, double sum) noexcept;

  Clock mClock;
  double mSampleRate;
  double mRmsWindowMs = 300.0;
  Channel mChannels[2];
  double mHoldTime;
  double mHoldDecayTime = 0.1; // seconds

  // Momentary loudness.
  double mLoudness = kLevelFloor;        // smoothed
  double mDisplayLoudness = kLevelFloor; // the drawing's own smoothing
  float mGatedLoudness = -120.0f;        // the gated measurement's value, read by DrawLUFS2; not computed here
  int mLoudnessBlockLength;              // samples, fixed at construction
  int mLoudnessCount = 0;
  double mLoudnessEnergy = 0.0;
  double mLastLoudnessUpdate = 0.0; // clock seconds

  double mLastAnalysisTime = 0.0; // clock seconds

  // K-weighting: high shelf, then high-pass (b = 1, -2, 1).
  double mShelfB0 = 1.0, mShelfB1 = 0.0, mShelfB2 = 0.0, mShelfA1 = 0.0, mShelfA2 = 0.0;
  double mHpB0 = 1.0, mHpB1 = -2.0, mHpB2 = 1.0, mHpA1 = 0.0, mHpA2 = 0.0;
  FilterMemory mFilter[2];

  bool mLoudnessEnabled = true;
};

// The analysis of one idle tick for one meter: buffers leftIndex and
// rightIndex of the hand-off's acquired bank over the frames written into it.
void ProcessHandOff(DynamicRangeMeter& meter, const BufferManager& handOff, int leftIndex, int rightIndex) noexcept;

} // namespace pressweave
