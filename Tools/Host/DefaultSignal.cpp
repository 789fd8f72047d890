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

// std::floor(x), every bit of it (-0 and NaN included), from additions,
// comparisons and sign copies only, so that a loop of it vectorises.
inline double ExactFloor(double x) noexcept
{
  constexpr double kTwo52 = 4503599627370496.0; // from here on every double is whole
  const double magic = std::copysign(kTwo52, x);
  double r = (x + magic) - magic; // x rounded to the nearest whole number
  r = r > x ? r - 1.0 : r;
  r = std::copysign(r, x); // a floor has its argument's sign, -0 too
  return std::fabs(x) < kTwo52 ? r : x;
}

inline double ExactFrac(double x) noexcept
{
  return x - ExactFloor(x);
}

// DeterministicSine's arithmetic, without a call: loops of it vectorise.
inline __attribute__((always_inline)) double SineOfCycles(double cycles) noexcept
{
  // Fold to [-1/4, 1/4] of a cycle, where the series converges fast.
  double x = ExactFrac(cycles);
  x = x > 0.75 ? x - 1.0 : (x > 0.25 ? 0.5 - x : x);
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

// ---- block forms -----------------------------------------------------------
// Read computes kChunk frames at a time, stage by stage over arrays, so each
// stage is a loop across frames that the compiler vectorises; every value is
// the same operation on the same operands as in FrameAt and SampleAt (no
// fused multiply-add: see CMakeLists.txt), so the bits are theirs.

constexpr int kChunk = 64;

// The sine's series is one long chain of dependent steps: four vectors in
// flight at once keep the multiplier busy.
#if defined(__clang__)
#define PW_INTERLEAVE_FOUR _Pragma("clang loop interleave_count(4)")
#else
#define PW_INTERLEAVE_FOUR
#endif

// frames first..first+n-1 (n <= kChunk), all inside the signal.
inline __attribute__((always_inline)) void ProgramChunk(std::int64_t first, int n, double rate, float* left,
                                                        float* right) noexcept
{
  double t[kChunk], inBar[kChunk], inEighth[kChunk], odd[kChunk], hz[8][kChunk], tones[8][kChunk];
  for (int j = 0; j < n; ++j)
  {
    t[j] = static_cast<double>(first + j) / rate;
    const double bars = ExactFloor(t[j] / kBarSeconds);
    inBar[j] = t[j] - bars * kBarSeconds;
    const double eighths = ExactFloor(t[j] / kEighthSeconds);
    inEighth[j] = t[j] - eighths * kEighthSeconds;
    odd[j] = static_cast<double>(static_cast<std::int64_t>(eighths) % 2);
    // The eight tones: bass root and octave, then the chord on the left and,
    // slightly detuned, on the right.
    const int bar = static_cast<int>(bars) % 4;
    hz[0][j] = kBassRoots[bar];
    hz[1][j] = 2.0 * kBassRoots[bar];
    for (int k = 0; k < 3; ++k)
    {
      hz[2 + k][j] = kChords[bar][k];
      hz[5 + k][j] = kChords[bar][k] * 1.003;
    }
  }
  // FrameAt takes the fraction of each tone's cycles before the sine folds
  // them again: on these non-negative values a second fraction changes no
  // bit, so one is enough.
  for (int k = 0; k < 8; ++k)
  {
    PW_INTERLEAVE_FOUR
    for (int j = 0; j < n; ++j)
      tones[k][j] = SineOfCycles(static_cast<double>(first + j) * hz[k][j] / rate);
  }
  for (int j = 0; j < n; ++j)
  {
    const double pluck = 1.0 / Square(1.0 + 6.0 * inEighth[j]);
    const double bass = 0.30 * pluck * (tones[0][j] + 0.3 * tones[1][j]);
    const double chordGain = 0.06 * Fades(inBar[j], kBarSeconds, 0.02, 0.05);
    double padLeft = 0.0;
    double padRight = 0.0;
    for (int k = 0; k < 3; ++k)
    {
      padLeft += tones[2 + k][j];
      padRight += tones[5 + k][j];
    }
    const std::int64_t frame = first + j;
    const double hatOn = 0.12 * (Noise(frame) - Noise(frame - 1)) / Square(1.0 + 120.0 * inEighth[j]);
    const double hat = odd[j] == 1.0 ? hatOn : 0.0;
    const double master = Fades(t[j], DefaultProgramSignal::kSeconds, 0.005, 0.02);
    left[j] = static_cast<float>(master * (bass + chordGain * padLeft + 0.6 * hat));
    right[j] = static_cast<float>(master * (bass + chordGain * padRight + hat));
  }
}

// The kick's pitch falls from 160 Hz towards 48 Hz as 1 / (1 + 30 tau)^2,
// whose integral gives the phase without a logarithm.
constexpr double kKickStartHz = 160.0;
constexpr double kKickEndHz = 48.0;
constexpr double kKickSweep = 30.0;

inline __attribute__((always_inline)) void KickChunk(std::int64_t first, int n, double rate, float* out) noexcept
{
  double phase[kChunk], body[kChunk];
  for (int j = 0; j < n; ++j)
  {
    const double t = static_cast<double>(first + j) / rate;
    const double tau = t - ExactFloor(t / kBeatSeconds) * kBeatSeconds;
    phase[j] = tau * (kKickEndHz + (kKickStartHz - kKickEndHz) / (1.0 + kKickSweep * tau));
    body[j] = 0.9 / Square(1.0 + 8.0 * tau) * std::max(0.0, 1.0 - tau / 0.45);
  }
  PW_INTERLEAVE_FOUR
  for (int j = 0; j < n; ++j)
    out[j] = static_cast<float>(body[j] * SineOfCycles(phase[j]));
}

// One copy of each for any x86-64, one for AVX2 and one for AVX-512 (two,
// four or eight lanes), chosen once per read.
#define PW_SIGNAL_KERNELS(Suffix, ...)                                                                    \
  __VA_ARGS__ void Program##Suffix(std::int64_t first, long n, double rate, float* l, float* r) noexcept \
  {                                                                                                       \
    for (long at = 0; at < n; at += kChunk)                                                               \
      ProgramChunk(first + at, static_cast<int>(std::min<long>(kChunk, n - at)), rate, l + at, r + at);   \
  }                                                                                                       \
  __VA_ARGS__ void Kick##Suffix(std::int64_t first, long n, double rate, float* out) noexcept             \
  {                                                                                                       \
    for (long at = 0; at < n; at += kChunk)                                                               \
      KickChunk(first + at, static_cast<int>(std::min<long>(kChunk, n - at)), rate, out + at);            \
  }

PW_SIGNAL_KERNELS(Baseline)
#if defined(__x86_64__) && defined(__GNUC__)
#define PW_SIGNAL_WIDE 1
PW_SIGNAL_KERNELS(AVX2, __attribute__((target("avx2"))))
PW_SIGNAL_KERNELS(AVX512, __attribute__((target("avx512f"))))
#endif

void ProgramBlock(std::int64_t first, long n, double rate, float* l, float* r) noexcept
{
#ifdef PW_SIGNAL_WIDE
  if (__builtin_cpu_supports("avx512f"))
    return ProgramAVX512(first, n, rate, l, r);
  if (__builtin_cpu_supports("avx2"))
    return ProgramAVX2(first, n, rate, l, r);
#endif
  ProgramBaseline(first, n, rate, l, r);
}

void KickBlock(std::int64_t first, long n, double rate, float* out) noexcept
{
#ifdef PW_SIGNAL_WIDE
  if (__builtin_cpu_supports("avx512f"))
    return KickAVX512(first, n, rate, out);
  if (__builtin_cpu_supports("avx2"))
    return KickAVX2(first, n, rate, out);
#endif
  KickBaseline(first, n, rate, out);
}

} // namespace

double DeterministicSine(double cycles) noexcept
{
  return SineOfCycles(cycles);
}

void DeterministicSines(const double* cycles, double* out, int n) noexcept
{
  PW_INTERLEAVE_FOUR
  for (int i = 0; i < n; ++i)
    out[i] = SineOfCycles(cycles[i]);
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
  ProgramBlock(mPosition, n, mSampleRate, channels[0], channels[1]);
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
  const double phase = tau * (kKickEndHz + (kKickStartHz - kKickEndHz) / (1.0 + kKickSweep * tau));
  const double body = 0.9 / Square(1.0 + 8.0 * tau) * std::max(0.0, 1.0 - tau / 0.45);
  return static_cast<float>(body * DeterministicSine(phase));
}

long DefaultKickSignal::Read(float* const* channels, long frames)
{
  const long n = static_cast<long>(std::clamp<std::int64_t>(mFrames - mPosition, 0, frames));
  KickBlock(mPosition, n, mSampleRate, channels[0]);
  mPosition += n;
  return n;
}

} // namespace pw::host
