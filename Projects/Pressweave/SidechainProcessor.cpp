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
  if (thresholdDB != state.mThresholdDB)
  {
    state.mThreshold = std::pow(10.0, thresholdDB / 20.0);
    state.mThresholdDB = thresholdDB;
  }
  const double threshold = state.mThreshold;
  const double exponent = -(ratio - 1.0) / ratio;
  const int keyFrames = std::clamp(key.nFrames, 0, n);

  // The state lives in locals for the block. Each chunk of samples goes
  // through five passes: the key energies; the detector's running sum (a
  // recurrence); the targets (pow, independent per sample); the gain (a
  // recurrence); the outputs. The two recurrences run in one loop, the
  // detector on chunk c and the gain on chunk c - 1, so neither waits for
  // the other.
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
  double energy[kCompressorChunk + 1] = {};
  double rms[kCompressorChunk + 1] = {};
  double targets[2][kCompressorChunk + 1] = {};
  double gains[kCompressorChunk] = {};

  auto detect = [&](int s) {
    const double x = energy[s];
    if (!std::isfinite(x))
    {
      // No usable level this sample: hold the gain, start the window afresh.
      unprimed = true;
      energy[s] = kHold;
      return;
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
  };
  auto follow = [&](const double* target, int s) {
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
  };
  auto write = [&](int offset, int m) {
    for (int k = 0; k < nOut; ++k)
    {
      const double* in = inputs[k] + offset;
      double* out = outputs[k] + offset;
      for (int s = 0; s < m; ++s)
        out[s] = in[s] * (1.0 - mix) + in[s] * gain * gains[s] * mix;
    }
  };

  // Selects on lane pairs: a compiler does not turn these branches into
  // selects by itself while comparisons may trap.
  const Pair threshold2 = Splat(threshold);
  const Pair one = Splat(1.0);
  const Pair hold = Splat(kHold);

  int previousOffset = 0;
  int previousCount = 0; // samples of chunk c - 1 still to follow and write
  int current = 0;       // which of targets[] chunk c fills
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

    const double* const previousTargets = targets[1 - current];
    int s = 0;
    for (; s < m && s < previousCount; ++s)
    {
      detect(s);
      follow(previousTargets, s);
    }
    for (int r = s; r < m; ++r)
      detect(r);
    for (int r = s; r < previousCount; ++r)
      follow(previousTargets, r);

    double* const target = targets[current];
    for (int r = 0; r < m; ++r)
      rms[r] = std::sqrt(energy[r] / kCompressorWindowSize);
    rms[m] = 0.0;
    for (int r = 0; r < m; r += 2)
      StorePair(target + r, LoadPair(rms + r) > threshold2 ? LoadPair(rms + r) / threshold2 : one);
    PowBlock(target, exponent, target, m);
    for (int r = 0; r < m; r += 2)
    {
      const Pair level = LoadPair(rms + r);
      StorePair(target + r, level != level ? hold : (level > threshold2 ? LoadPair(target + r) : one));
    }

    write(previousOffset, previousCount);
    previousOffset = offset;
    previousCount = m;
    current = 1 - current;
  }
  for (int s = 0; s < previousCount; ++s)
    follow(targets[1 - current], s);
  write(previousOffset, previousCount);

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
