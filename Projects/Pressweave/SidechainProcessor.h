#pragma once
// The three sidechain treatments of the processed main signal: ring-modulation
// ducking (Ringmod), an RMS compressor keyed by the sidechain (Compressor),
// and both blended (Combined). The plug-in owns one SidechainCompressorState
// and calls these on the render thread; none of them allocates, locks or
// blocks.
//
// Channel lists: the ring modulation takes the frame's input list of four
// entries (0, 1 main; 2, 3 sidechain) in which a channel that is not
// connected is null; output lists have two entries (left, right). Output
// channel counts above 2 count as 2.

#include "BufferManager.h"

namespace pressweave {

constexpr int kCompressorWindowSize = 441;     // samples, whatever the sample rate
constexpr int kSidechainInputListSize = 4;     // entries of the ring modulation's input list

// The compressor's state, kept across blocks and mode changes.
struct SidechainCompressorState
{
  double mCurrentGain = 1.0;        // linear gain reduction g, 0..1
  double mAttackCoef = 0.0;
  double mReleaseCoef = 0.0;
  double mAttackTime = 0.0;         // seconds
  double mReleaseTime = 0.0;        // seconds
  double mCachedAttackTime = -1.0;  // seconds; -1 forces the first computation
  double mCachedReleaseTime = -1.0; // seconds
  bool mWindowUnprimed = true;      // the next key sample fills the whole window
  double mWindow[kCompressorWindowSize] = {}; // key energies (L^2 + R^2) / 2
  int mWindowIndex = 0;
  double mWindowSum = 0.0;          // sum of mWindow
  double mThresholdDB = 0.0;        // the threshold mThreshold was computed for
  double mThreshold = 1.0;          // 10^(mThresholdDB / 20)
};

// Parameter values that the compressor reads each block.
struct CompressorSettings
{
  double thresholdDB = -60.0; // "Threshold", dB
  double ratio = 20.0;        // "Ratio", 1..36 (below 1 or NaN counts as 1)
  double attackMs = 0.0;      // "Attack", ms
  double releaseMs = 4.0;     // "Release", ms
};

// The compressor's key: the sidechain pair as the render thread copied it into
// the hand-off buffers. Samples at or beyond nFrames count as silence.
struct SidechainKey
{
  const double* left = nullptr;
  const double* right = nullptr;
  int nFrames = 0;
};

// Buffers 4 and 5 of the bank the render thread is filling, with the frames
// this block wrote. Render thread.
SidechainKey MakeSidechainKey(const BufferManager& handOff) noexcept;

// exp(-1 / (sampleRate * timeSeconds)): the one-pole coefficient for a time
// constant in seconds. 0 (instant) when sampleRate * timeSeconds is 0,
// negative or not a finite number.
double CompressorCoefficient(double sampleRate, double timeSeconds) noexcept;

// Recomputes both coefficients from the stored attack and release times
// (used on reset, when the sample rate may have changed). The cached times are
// left alone.
void UpdateCompressorCoefficients(SidechainCompressorState& state, double sampleRate) noexcept;

// Ring-modulation ducking: for each output channel k < nOutChansConnected,
// outputs[k] = inputs[k] * (1 - mix) + (inputs[k] - inputs[k] * |key|) * gain * mix,
// the key being the first connected sidechain channel (2 or 3, below
// nInChansConnected) for k = 0 and the second for k = 1; a missing key is
// silence. A null source or destination channel is skipped. In place allowed.
void ProcessRingMod(const double* const* inputs, double* const* outputs, int nFrames, double gain, double mix,
                    int nInChansConnected, int nOutChansConnected) noexcept;

// RMS compressor keyed by key (energy (L^2 + R^2) / 2 over a 441-sample
// window), one gain for all channels: outputs[k] = inputs[k] * (1 - mix) +
// inputs[k] * gain * g * mix. Returns without writing when a list or any of
// inputs[0..1], outputs[0..1] is null; copies inputs to outputs unchanged when
// the key has no left or right buffer. In place allowed.
//
// A key sample whose energy is not a finite number leaves g as it is and
// makes the next finite sample prime the window again. The window sum is
// recomputed from the window each time the window index wraps, and the window
// is primed afresh when the running sum goes negative or non-finite, so
// rounding after very large key values cannot leave a residue behind.
void ProcessClassicCompressor(SidechainCompressorState& state, const double* const* inputs, double* const* outputs,
                              int nFrames, double gain, double mix, const CompressorSettings& settings,
                              const SidechainKey& key, int nOutChansConnected, double sampleRate) noexcept;

// ("Sidechain Mode Mix" + 100) / 200: -100 only the compressor, +100 only the
// ring modulation.
double CombinedMixWeight(double sidechainModeMixPercent) noexcept;

// wet[k] = (1 - weight) * compressed[k] + weight * wet[k] for k <
// nOutChansConnected; null channels are skipped.
void BlendCombined(double* const* wet, const double* const* compressed, int nFrames, int nOutChansConnected,
                   double weight) noexcept;

// Combined mode: the compressor from wet into compressed, the ring modulation
// from inputs into wet (both at mix 1), then the blend by "Sidechain Mode
// Mix". Does nothing unless both wet and both compressed buffers exist.
void ProcessCombined(SidechainCompressorState& state, const double* const* inputs, double* const* wet,
                     double* const* compressed, int nFrames, double gain, const CompressorSettings& settings,
                     const SidechainKey& key, int nInChansConnected, int nOutChansConnected, double sampleRate,
                     double sidechainModeMixPercent) noexcept;

} // namespace pressweave
