#include "SidechainProcessor.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

namespace pressweave {

namespace {

int OutputChannels(int nOutChansConnected) noexcept
{
  return std::clamp(nOutChansConnected, 0, 2);
}

// Every slot holds x: the detector starts at x's level instead of at silence.
void PrimeWindow(SidechainCompressorState& state, double x) noexcept
{
  std::fill(std::begin(state.mWindow), std::end(state.mWindow), x);
  state.mWindowSum = kCompressorWindowSize * x;
  state.mWindowUnprimed = false;
}

// Pushes one finite key energy into the window and returns the running sum.
double PushKeyEnergy(SidechainCompressorState& state, double x) noexcept
{
  if (state.mWindowUnprimed)
    PrimeWindow(state, x);

  state.mWindowSum = state.mWindowSum - state.mWindow[state.mWindowIndex] + x;
  state.mWindow[state.mWindowIndex] = x;
  if (++state.mWindowIndex >= kCompressorWindowSize)
  {
    state.mWindowIndex = 0;
    // Subtracting large values that have left the window leaves rounding
    // behind; once per lap the sum starts again from what the window holds.
    double sum = 0.0;
    for (double v : state.mWindow)
      sum += v;
    state.mWindowSum = sum;
  }

  if (!(state.mWindowSum >= 0.0) || !std::isfinite(state.mWindowSum))
    PrimeWindow(state, x);
  return state.mWindowSum;
}

} // namespace

SidechainKey MakeSidechainKey(const BufferManager& handOff) noexcept
{
  SidechainKey key;
  key.left = handOff.GetBuffer(BufferManager::kSidechainLeft);
  key.right = handOff.GetBuffer(BufferManager::kSidechainRight);
  key.nFrames = handOff.GetPairFrameCount(BufferManager::kSidechainLeft, BufferManager::kSidechainRight);
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
  const double threshold = std::pow(10.0, thresholdDB / 20.0);
  const double exponent = -(ratio - 1.0) / ratio;
  const int keyFrames = std::clamp(key.nFrames, 0, n);

  double g = state.mCurrentGain;
  for (int s = 0; s < n; ++s)
  {
    const double kl = s < keyFrames ? key.left[s] : 0.0;
    const double kr = s < keyFrames ? key.right[s] : 0.0;
    const double x = (kl * kl + kr * kr) / 2.0;

    if (std::isfinite(x))
    {
      const double sum = PushKeyEnergy(state, x);
      const double rms = std::sqrt(sum / kCompressorWindowSize);
      const double target = rms > threshold ? std::pow(rms / threshold, exponent) : 1.0;
      if (g > target)
        g = attack * g + (1.0 - attack) * target;
      else
        g = release * g + (1.0 - release) * target;
    }
    else
    {
      // No usable level this sample: hold the gain, start the window afresh.
      state.mWindowUnprimed = true;
    }

    for (int k = 0; k < nOut; ++k)
    {
      const double in = inputs[k][s];
      outputs[k][s] = in * (1.0 - mix) + in * gain * g * mix;
    }
  }
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
