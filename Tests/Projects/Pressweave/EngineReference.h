#pragma once
// The engine's kernels as first written, one sample at a time: the oracles the
// block versions are held to. Kept plain on purpose.

#include "DynamicRangeMeter.h"
#include "SidechainProcessor.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace pw::test {

// The compressor's per-sample loop for a stereo pair with a key of keyFrames
// samples (silence after), from the coefficients already in state.
inline void ReferenceCompressor(pressweave::SidechainCompressorState& st, const double* const* in, double* const* out,
                                int n, double gain, double mix, const pressweave::CompressorSettings& cs,
                                const double* keyL, const double* keyR, int keyFrames)
{
  using pressweave::kCompressorWindowSize;
  auto prime = [&st](double x) {
    std::fill(std::begin(st.mWindow), std::end(st.mWindow), x);
    st.mWindowSum = kCompressorWindowSize * x;
    st.mWindowUnprimed = false;
  };
  const double threshold = std::pow(10.0, cs.thresholdDB / 20.0), exponent = -(cs.ratio - 1.0) / cs.ratio;
  double g = st.mCurrentGain;
  for (int s = 0; s < n; ++s)
  {
    const double kl = s < keyFrames ? keyL[s] : 0.0, kr = s < keyFrames ? keyR[s] : 0.0;
    const double x = (kl * kl + kr * kr) / 2.0;
    st.mWindowUnprimed = st.mWindowUnprimed || !std::isfinite(x);
    if (std::isfinite(x))
    {
      if (st.mWindowUnprimed)
        prime(x);
      st.mWindowSum = st.mWindowSum - st.mWindow[st.mWindowIndex] + x;
      st.mWindow[st.mWindowIndex] = x;
      if (++st.mWindowIndex >= kCompressorWindowSize)
        st.mWindowIndex = 0, st.mWindowSum = std::accumulate(std::begin(st.mWindow), std::end(st.mWindow), 0.0);
      if (!(st.mWindowSum >= 0.0) || !std::isfinite(st.mWindowSum))
        prime(x);
      const double rms = std::sqrt(st.mWindowSum / kCompressorWindowSize);
      const double target = rms > threshold ? std::pow(rms / threshold, exponent) : 1.0;
      const double c = g > target ? st.mAttackCoef : st.mReleaseCoef;
      g = c * g + (1.0 - c) * target;
    }
    for (int k = 0; k < 2; ++k)
      out[k][s] = in[k][s] * (1.0 - mix) + in[k][s] * gain * g * mix;
  }
  st.mCurrentGain = g;
}

// A meter's analysis step sample by sample; the K-weighting comes from a
// meter of the same sample rate used as a plain filter (ApplyLUFSFilter).
struct ReferenceMeter
{
  explicit ReferenceMeter(double rate) : filter(rate, 2.0), blockLength(static_cast<int>(0.4 * rate)) {}

  void Process(const double* const* x, int n, double now)
  {
    const double dt = now - lastAnalysis;
    lastAnalysis = now;
    if (!(dt > 0.0))
      return;
    for (int s = 0; s < n; ++s)
    {
      const double fl = filter.ApplyLUFSFilter(0, x[0][s]), fr = filter.ApplyLUFSFilter(1, x[1][s]);
      energy += fl * fl + fr * fr;
      const bool full = ++count >= blockLength;
      if (!full && !(count >= blockLength / 8 && now - lastLoudness > 0.1))
        continue;
      const double rms = std::max(std::sqrt(energy / std::max(count, 1)), 1e-10);
      loudness = (full ? 0.2 : 0.5) * (std::log(rms) * 8.6562 - 0.8) + (full ? 0.8 : 0.5) * loudness;
      energy = full ? 0.0 : energy * 0.5;
      count = full ? 0 : count / 2;
      lastLoudness = now;
    }
    for (int c = 0; c < 2; ++c)
    {
      double blockPeak = 0.0, sum = 0.0;
      for (int s = 0; s < n; ++s)
        blockPeak = std::max(blockPeak, std::fabs(x[c][s])), sum += x[c][s] * x[c][s];
      const double coef = 1.0 - std::exp(-dt / 0.3);
      meanSquare[c] = std::isfinite(meanSquare[c]) ? coef * (sum / n) + (1.0 - coef) * meanSquare[c] : sum / n;
      peak[c] = std::max(blockPeak, peak[c] * std::exp(-dt / 0.2));
      if (blockPeak > hold[c])
        hold[c] = blockPeak, holdTimer[c] = 2.0;
      else if (holdTimer[c] > 0.0)
        holdTimer[c] -= dt;
      else
        hold[c] = std::max(blockPeak, hold[c] * std::exp(-dt / 0.1));
    }
  }

  pressweave::DynamicRangeMeter filter;
  int blockLength, count = 0;
  double lastAnalysis = 0.0, lastLoudness = 0.0, energy = 0.0, loudness = -120.0;
  double meanSquare[2] = {0.0, 0.0}, peak[2] = {-120.0, -120.0}, hold[2] = {-120.0, -120.0}, holdTimer[2] = {};
};

} // namespace pw::test
