#include "SidechainProcessor.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "VectorMath.h"

namespace pressweave {

namespace {

int OutputChannels(int nOutChansConnected) noexcept
{
  return std::clamp(nOutChansConnected, 0, 2);
}

constexpr int kCompressorChunk = 64; // samples per pass of the compressor

// Every slot holds x: the detector starts at x's level instead of at silence.
// Returns the window's running sum.
double PrimeWindow(double* window, double x) noexcept
{
  std::fill(window, window + kCompressorWindowSize, x);
  return kCompressorWindowSize * x;
}

double SumWindow(const double* window) noexcept
{
  double sum = 0.0;
  for (int i = 0; i < kCompressorWindowSize; ++i)
    sum += window[i];
  return sum;
}

} // namespace

SidechainKey MakeSidechainKey(const BufferManager& handOff) noexcept
{
  SidechainKey key;
  key.left = handOff.GetPendingBuffer(BufferManager::kSidechainLeft);
  key.right = handOff.GetPendingBuffer(BufferManager::kSidechainRight);
  key.nFrames = std::min(handOff.GetPendingFrameCount(BufferManager::kSidechainLeft),
                         handOff.GetPendingFrameCount(BufferManager::kSidechainRight));
  return key;
}

double CompressorCoefficient(double sampleRate, double timeSeconds) noexcept
{
  const double samples = sampleRate * timeSeconds;
  if (!(samples > 0.0) || !std::isfinite(samples))
    return 0.0;
  return std::exp(-1.0 / samples);
}

void UpdateCompressorCoefficients(SidechainCompressorState& state, double sampleRate) noexcept
{
  state.mAttackCoef = CompressorCoefficient(sampleRate, state.mAttackTime);
  state.mReleaseCoef = CompressorCoefficient(sampleRate, state.mReleaseTime);
}

void ProcessRingMod(const double* const* inputs, double* const* outputs, int nFrames, double gain, double mix,
                    int nInChansConnected, int nOutChansConnected) noexcept
{
  if (!inputs || !outputs || nFrames < 1)
    return;

  const double* keys[2] = {nullptr, nullptr};
  int nKeys = 0;
  for (int c = 2; c < kSidechainInputListSize && c < nInChansConnected; ++c)
  {
    if (inputs[c])
      keys[nKeys++] = inputs[c];
  }

  const int nOut = OutputChannels(nOutChansConnected);
  for (int k = 0; k < nOut; ++k)
  {
    const double* src = inputs[k];
    double* dst = outputs[k];
    if (!src || !dst)
      continue;
    const double* key = keys[k == 0 ? 0 : 1];
    for (int s = 0; s < nFrames; ++s)
    {
      const double x = src[s];
      const double a = key ? std::fabs(key[s]) : 0.0;
      const double ring = (x - x * a) * gain;
      dst[s] = x * (1.0 - mix) + ring * mix;
    }
  }
}

void ProcessClassicCompressor(SidechainCompressorState& state, const double* const* inputs, double* const* outputs,
                              int nFrames, double gain, double mix, const CompressorSettings& settings,
                              const SidechainKey& key, int nOutChansConnected, double sampleRate) noexcept
{
  if (!inputs || !outputs || !inputs[0] || !inputs[1] || !outputs[0] || !outputs[1])
    return;

  const double thresholdDB = settings.thresholdDB;
  const double ratio = settings.ratio >= 1.0 ? settings.ratio : 1.0;
  state.mAttackTime = settings.attackMs / 1000.0;
  state.mReleaseTime = settings.releaseMs / 1000.0;

  const int nOut = OutputChannels(nOutChansConnected);
  const int n = std::max(nFrames, 0);

  if (!key.left || !key.right)
  {
    for (int k = 0; k < nOut; ++k)
    {
      if (n > 0 && inputs[k] != outputs[k])
        std::memmove(outputs[k], inputs[k], static_cast<size_t>(n) * sizeof(double));
    }
    return;
  }

  if (state.mAttackTime != state.mCachedAttackTime || state.mReleaseTime != state.mCachedReleaseTime)
  {
    UpdateCompressorCoefficients(state, sampleRate);
    state.mCachedAttackTime = state.mAttackTime;
    state.mCachedReleaseTime = state.mReleaseTime;
  }

  const double attack = state.mAttackCoef;
  const double release = state.mReleaseCoef;
  const double attackRest = 1.0 - attack;
  const double releaseRest = 1.0 - release;
  const double threshold = std::pow(10.0, thresholdDB / 20.0);
  const double exponent = -(ratio - 1.0) / ratio;
  const int keyFrames = std::clamp(key.nFrames, 0, n);

  // The state lives in locals for the block. Each chunk goes through four
  // passes: the detector's running sum (a recurrence), then the targets (pow,
  // independent per sample), then the gain (a recurrence), then the outputs.
  double* const window = state.mWindow;
  int index = state.mWindowIndex;
  double sum = state.mWindowSum;
  bool unprimed = state.mWindowUnprimed;
  double g = state.mCurrentGain;

  // A NaN target marks a sample whose key energy was not a finite number:
  // the gain holds there.
  constexpr double kHold = std::numeric_limits<double>::quiet_NaN();
  // Zeroed once: the pair loops may read one slot past an odd chunk's end,
  // and only ever from these.
  double energy[kCompressorChunk];
  double target[kCompressorChunk] = {};
  double gains[kCompressorChunk] = {};

  for (int offset = 0; offset < n; offset += kCompressorChunk)
  {
    const int m = std::min(kCompressorChunk, n - offset);
    const int keyed = std::clamp(keyFrames - offset, 0, m);
    for (int s = 0; s < keyed; ++s)
    {
      const double kl = key.left[offset + s];
      const double kr = key.right[offset + s];
      energy[s] = (kl * kl + kr * kr) / 2.0;
    }
    for (int s = keyed; s < m; ++s)
      energy[s] = 0.0;

    for (int s = 0; s < m; ++s)
    {
      const double x = energy[s];
      if (!std::isfinite(x))
      {
        // No usable level this sample: hold the gain, start the window afresh.
        unprimed = true;
        energy[s] = kHold;
        continue;
      }
      if (unprimed)
      {
        sum = PrimeWindow(window, x);
        unprimed = false;
      }
      sum = sum - window[index] + x;
      window[index] = x;
      if (++index >= kCompressorWindowSize)
      {
        index = 0;
        // Subtracting large values that have left the window leaves rounding
        // behind; once per lap the sum starts again from what the window holds.
        sum = SumWindow(window);
      }
      if (!(sum >= 0.0) || !std::isfinite(sum))
        sum = PrimeWindow(window, x);
      energy[s] = sum;
    }

    double* const rms = gains; // free until the gain pass
    for (int s = 0; s < m; ++s)
      rms[s] = std::sqrt(energy[s] / kCompressorWindowSize);
    if (m % 2 != 0)
      rms[m] = 0.0;
    // Selects on lane pairs: a compiler does not turn these branches into
    // selects by itself while comparisons may trap.
    const Pair threshold2 = Splat(threshold);
    const Pair one = Splat(1.0);
    const Pair hold = Splat(kHold);
    for (int s = 0; s < m; s += 2)
      StorePair(target + s, LoadPair(rms + s) > threshold2 ? LoadPair(rms + s) / threshold2 : one);
    PowBlock(target, exponent, target, m);
    for (int s = 0; s < m; s += 2)
    {
      const Pair r = LoadPair(rms + s);
      StorePair(target + s, r != r ? hold : (r > threshold2 ? LoadPair(target + s) : one));
    }

    for (int s = 0; s < m; ++s)
    {
      const double t = target[s];
      if (t == t)
      {
        // Both candidates start before the comparison is known, which keeps
        // the comparison off the recurrence's critical path.
        const double attacked = attack * g + attackRest * t;
        const double released = release * g + releaseRest * t;
        g = g > t ? attacked : released;
      }
      gains[s] = g;
    }

    for (int k = 0; k < nOut; ++k)
    {
      const double* in = inputs[k] + offset;
      double* out = outputs[k] + offset;
      for (int s = 0; s < m; ++s)
        out[s] = in[s] * (1.0 - mix) + in[s] * gain * gains[s] * mix;
    }
  }

  state.mWindowIndex = index;
  state.mWindowSum = sum;
  state.mWindowUnprimed = unprimed;
  state.mCurrentGain = g;
}

double CombinedMixWeight(double sidechainModeMixPercent) noexcept
{
  return (sidechainModeMixPercent + 100.0) / 200.0;
}

void BlendCombined(double* const* wet, const double* const* compressed, int nFrames, int nOutChansConnected,
                   double weight) noexcept
{
  if (!wet || !compressed)
    return;
  const int nOut = OutputChannels(nOutChansConnected);
  for (int k = 0; k < nOut; ++k)
  {
    double* w = wet[k];
    const double* c = compressed[k];
    if (!w || !c)
      continue;
    for (int s = 0; s < nFrames; ++s)
      w[s] = (1.0 - weight) * c[s] + weight * w[s];
  }
}

void ProcessCombined(SidechainCompressorState& state, const double* const* inputs, double* const* wet,
                     double* const* compressed, int nFrames, double gain, const CompressorSettings& settings,
                     const SidechainKey& key, int nInChansConnected, int nOutChansConnected, double sampleRate,
                     double sidechainModeMixPercent) noexcept
{
  if (!wet || !compressed || !wet[0] || !wet[1] || !compressed[0] || !compressed[1])
    return;

  const double* const wetIn[2] = {wet[0], wet[1]};
  ProcessClassicCompressor(state, wetIn, compressed, nFrames, gain, 1.0, settings, key, nOutChansConnected,
                           sampleRate);
  ProcessRingMod(inputs, wet, nFrames, gain, 1.0, nInChansConnected, nOutChansConnected);
  BlendCombined(wet, compressed, nFrames, nOutChansConnected, CombinedMixWeight(sidechainModeMixPercent));
}

} // namespace pressweave
