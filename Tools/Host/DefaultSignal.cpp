#include "DefaultSignal.h"

#include <algorithm>
#include <cmath>

namespace pw::host {

namespace {

constexpr double kBeatSeconds = 60.0 / DefaultProgramSignal::kTempo;
constexpr double kEighthSeconds = kBeatSeconds / 2.0;
constexpr double kBarSeconds = 4.0 * kBeatSeconds;

// Per bar: bass root and a triad (Hz), a minor, F, C, G.
constexpr double kBassRoots[4] = {55.0, 43.654, 65.406, 48.999};
constexpr double kChords[4][3] = {{220.0, 261.626, 329.628},
                                  {174.614, 220.0, 261.626},
                                  {261.626, 329.628, 391.995},
                                  {195.998, 246.942, 293.665}};

double Frac(double x) noexcept
{
  return x - std::floor(x);
}

double Square(double x) noexcept
{
  return x * x;
}

// A white-noise sample in [-1, 1) from the frame index alone.
double Noise(std::int64_t frame) noexcept
{
  std::uint32_t h = static_cast<std::uint32_t>(frame) * 0x9E3779B1u;
  h ^= h >> 15;
  h *= 0x85EBCA77u;
  h ^= h >> 13;
  h *= 0xC2B2AE3Du;
  h ^= h >> 16;
  return static_cast<double>(h >> 8) * (1.0 / 8388608.0) - 1.0;
}

// Linear fades of fadeIn seconds at the start and fadeOut seconds at the
// end of a span of length seconds, at time t within it.
double Fades(double t, double length, double fadeIn, double fadeOut) noexcept
{
  return std::clamp(t / fadeIn, 0.0, 1.0) * std::clamp((length - t) / fadeOut, 0.0, 1.0);
}

std::int64_t FramesFor(double seconds, double rate) noexcept
{
  return static_cast<std::int64_t>(std::floor(seconds * rate + 0.5));
}

} // namespace

double DeterministicSine(double cycles) noexcept
{
  // Fold to [-1/4, 1/4] of a cycle, where the series converges fast.
  double x = Frac(cycles);
  if (x > 0.75)
    x -= 1.0;
  else if (x > 0.25)
    x = 0.5 - x;
  const double t = x * 6.283185307179586;
  const double t2 = t * t;
  // Taylor series of sin to t^19 (|t| <= pi/2: error below 1e-15).
  double sum = 1.0 / 121645100408832000.0;
  sum = sum * -t2 + 1.0 / 355687428096000.0;
  sum = sum * -t2 + 1.0 / 1307674368000.0;
  sum = sum * -t2 + 1.0 / 6227020800.0;
  sum = sum * -t2 + 1.0 / 39916800.0;
  sum = sum * -t2 + 1.0 / 362880.0;
  sum = sum * -t2 + 1.0 / 5040.0;
  sum = sum * -t2 + 1.0 / 120.0;
  sum = sum * -t2 + 1.0 / 6.0;
  sum = sum * -t2 + 1.0;
  return t * sum;
}

void DeterministicSines(const double* cycles, double* out, int n) noexcept
{
  // Two values per vector (GCC and Clang vector extension), four vectors at
  // a time: DeterministicSine's operations lane by lane, selects for its
  // branches.
  typedef double V __attribute__((vector_size(16)));
  constexpr int kLanes = 8;
  constexpr double kTerms[] = {1.0 / 121645100408832000.0, 1.0 / 355687428096000.0, 1.0 / 1307674368000.0,
                               1.0 / 6227020800.0,         1.0 / 39916800.0,        1.0 / 362880.0,
                               1.0 / 5040.0,               1.0 / 120.0,             1.0 / 6.0,
                               1.0};
  int i = 0;
  for (; i + kLanes <= n; i += kLanes)
  {
    V t[kLanes / 2], t2[kLanes / 2], sum[kLanes / 2];
    for (int v = 0; v < kLanes / 2; ++v)
    {
      V x = {Frac(cycles[i + 2 * v]), Frac(cycles[i + 2 * v + 1])};
      const V one = {1.0, 1.0}, half = {0.5, 0.5}, quarter = {0.25, 0.25}, threeQuarters = {0.75, 0.75};
      x = x > threeQuarters ? x - one : (x > quarter ? half - x : x);
      t[v] = x * 6.283185307179586;
      t2[v] = t[v] * t[v];
      sum[v] = V{kTerms[0], kTerms[0]};
    }
    for (int k = 1; k < 10; ++k)
    {
      for (int v = 0; v < kLanes / 2; ++v)
        sum[v] = sum[v] * -t2[v] + kTerms[k];
    }
    for (int v = 0; v < kLanes / 2; ++v)
    {
      const V y = t[v] * sum[v];
      out[i + 2 * v] = y[0];
      out[i + 2 * v + 1] = y[1];
    }
  }
  for (; i < n; ++i)
    out[i] = DeterministicSine(cycles[i]);
}

// ---- program -------------------------------------------------------------

DefaultProgramSignal::DefaultProgramSignal(double sampleRate) noexcept
: mSampleRate(sampleRate)
, mFrames(FramesFor(kSeconds, sampleRate))
{}

void DefaultProgramSignal::FrameAt(std::int64_t frame, float& left, float& right) const noexcept
{
  left = right = 0.0f;
  if (frame < 0 || frame >= mFrames)
    return;
  const double rate = mSampleRate;
  const double t = static_cast<double>(frame) / rate;
  const int bar = static_cast<int>(std::floor(t / kBarSeconds)) % 4;
  const double inBar = t - std::floor(t / kBarSeconds) * kBarSeconds;
  const double eighthIndex = std::floor(t / kEighthSeconds);
  const double inEighth = t - eighthIndex * kEighthSeconds;

  // The eight tones of the frame at once: bass root and octave, then the
  // chord on the left and, slightly detuned, on the right.
  const double root = kBassRoots[bar];
  double cycles[8];
  cycles[0] = Frac(static_cast<double>(frame) * root / rate);
  cycles[1] = Frac(static_cast<double>(frame) * (2.0 * root) / rate);
  for (int k = 0; k < 3; ++k)
  {
    cycles[2 + k] = Frac(static_cast<double>(frame) * kChords[bar][k] / rate);
    cycles[5 + k] = Frac(static_cast<double>(frame) * (kChords[bar][k] * 1.003) / rate);
  }
  double tones[8];
  DeterministicSines(cycles, tones, 8);

  // Bass: a plucked root on every eighth, with its octave.
  const double pluck = 1.0 / Square(1.0 + 6.0 * inEighth);
  const double bass = 0.30 * pluck * (tones[0] + 0.3 * tones[1]);

  // Chords: the right side slightly detuned against the left for width.
  const double chordGain = 0.06 * Fades(inBar, kBarSeconds, 0.02, 0.05);
  double padLeft = 0.0;
  double padRight = 0.0;
  for (int k = 0; k < 3; ++k)
  {
    padLeft += tones[2 + k];
    padRight += tones[5 + k];
  }

  // Hats on the off-beat eighths: differentiated noise, panned right.
  double hat = 0.0;
  if (static_cast<std::int64_t>(eighthIndex) % 2 == 1)
    hat = 0.12 * (Noise(frame) - Noise(frame - 1)) / Square(1.0 + 120.0 * inEighth);

  const double master = Fades(t, kSeconds, 0.005, 0.02);
  left = static_cast<float>(master * (bass + chordGain * padLeft + 0.6 * hat));
  right = static_cast<float>(master * (bass + chordGain * padRight + hat));
}

long DefaultProgramSignal::Read(float* const* channels, long frames)
{
  const long n = static_cast<long>(std::clamp<std::int64_t>(mFrames - mPosition, 0, frames));
  for (long i = 0; i < n; ++i)
    FrameAt(mPosition + i, channels[0][i], channels[1][i]);
  mPosition += n;
  return n;
}

// ---- kick ----------------------------------------------------------------

DefaultKickSignal::DefaultKickSignal(double sampleRate) noexcept
: mSampleRate(sampleRate)
, mFrames(FramesFor(DefaultProgramSignal::kSeconds, sampleRate))
{}

float DefaultKickSignal::SampleAt(std::int64_t frame) const noexcept
{
  if (frame < 0 || frame >= mFrames)
    return 0.0f;
  const double t = static_cast<double>(frame) / mSampleRate;
  const double tau = t - std::floor(t / kBeatSeconds) * kBeatSeconds;
  // The pitch falls from 160 Hz towards 48 Hz as 1 / (1 + 30 tau)^2, whose
  // integral gives the phase without a logarithm.
  constexpr double kStartHz = 160.0;
  constexpr double kEndHz = 48.0;
  constexpr double kSweep = 30.0;
  const double phase = tau * (kEndHz + (kStartHz - kEndHz) / (1.0 + kSweep * tau));
  const double body = 0.9 / Square(1.0 + 8.0 * tau) * std::max(0.0, 1.0 - tau / 0.45);
  return static_cast<float>(body * DeterministicSine(phase));
}

long DefaultKickSignal::Read(float* const* channels, long frames)
{
  const long n = static_cast<long>(std::clamp<std::int64_t>(mFrames - mPosition, 0, frames));
  for (long i = 0; i < n; ++i)
    channels[0][i] = SampleAt(mPosition + i);
  mPosition += n;
  return n;
}

} // namespace pw::host
