#include "DynamicRangeMeter.h"

#include <algorithm>
#include <chrono>
#include <type_traits>
#include <cmath>
#include <cstring>

#include "IWeftUtilities.h"
#include "VectorMath.h"

namespace pressweave {

namespace {

constexpr double kDefaultSampleRate = 44100.0;
constexpr double kDBPerNeper = 8.6562;   // the meter's dB scale: 8.6562 * ln(x)
constexpr double kPeakDecayTime = 0.2;   // seconds
constexpr double kLoudnessInterval = 0.1; // seconds between loudness updates
constexpr double kLoudnessOffset = 0.8;  // dB subtracted from the loudness
constexpr double kMinLoudnessRMS = 1e-10;
// The rings are only written; this bounds their memory at absurd sample rates.
constexpr int kMaxRingLength = 1 << 21;

bool ValidSampleRate(double sampleRate) noexcept
{
  return sampleRate > 0.0 && std::isfinite(sampleRate);
}

// Filter memories this small hold nothing audible; in silence they would
// otherwise decay through the subnormals, which are slow on every step.
constexpr double kFlushBelow = 1e-30;

double Flushed(double v) noexcept
{
  return std::fabs(v) < kFlushBelow ? 0.0 : v;
}

double LevelDB(double linear) noexcept
{
  return linear > 0.0 ? kDBPerNeper * std::log(linear) : DynamicRangeMeter::kLevelFloor;
}

} // namespace

double MeterTimestamp() noexcept
{
  using Clock = std::chrono::steady_clock;
  static const Clock::time_point start = Clock::now();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

DynamicRangeMeter::DynamicRangeMeter(double sampleRate, double holdTime, Clock clock) noexcept
: mClock(clock ? clock : &MeterTimestamp)
, mSampleRate(ValidSampleRate(sampleRate) ? sampleRate : kDefaultSampleRate)
, mHoldTime(holdTime)
, mLoudnessBlockLength(weft::ToInt32Saturated(0.4 * mSampleRate))
{
  init_lufs_filters();
}

int DynamicRangeMeter::RingLength() const noexcept
{
  const double length = std::floor(mRmsWindowMs * mSampleRate / 1000.0);
  if (!(length >= 1.0))
    return 1;
  return length >= kMaxRingLength ? kMaxRingLength : static_cast<int>(length);
}

bool DynamicRangeMeter::SetRMS_MS(double ms, double sampleRate) noexcept
{
  if (!ValidSampleRate(sampleRate) || !(ms >= 0.0) || !std::isfinite(ms))
    return false;

  mRmsWindowMs = ms;
  mSampleRate = sampleRate;
  const int length = RingLength();
  for (Channel& ch : mChannels)
  {
    ch.ring.resize(length);
    ch.peak = kLevelFloor;
    ch.peakDB = kLevelFloor;
    ch.peakHold = kLevelFloor;
    ch.peakHoldDB = kLevelFloor;
    ch.rmsDB = kLevelFloor;
    ch.holdTimer = 0.0;
  }
  init_lufs_filters();
  return true;
}

void DynamicRangeMeter::init_lufs_filters() noexcept
{
  const double fs = mSampleRate;

  // High shelf: f0 1681.974450955533 Hz, gain 4.05 dB.
  {
    const double q = 0.7071752369554196;
    const double k = std::tan(5284.078578647628 / fs);
    const double vh = std::pow(10.0, 0.2025);
    const double vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1.0 + k / q + k * k;
    mShelfB0 = (vh + vb * k / q + k * k) / a0;
    mShelfB1 = 2.0 * (k * k - vh) / a0;
    mShelfB2 = (vh - vb * k / q + k * k) / a0;
    mShelfA1 = 2.0 * (k * k - 1.0) / a0;
    mShelfA2 = (1.0 - k / q + k * k) / a0;
  }
  // High-pass: f0 50 Hz.
  {
    const double q = 0.5003270373238773;
    const double k = std::tan(157.07963267948966 / fs);
    const double a0 = 1.0 + k / q + k * k;
    mHpA1 = 2.0 * (k * k - 1.0) / a0;
    mHpA2 = (1.0 - k / q + k * k) / a0;
    mHpB0 = 1.0;
    mHpB1 = -2.0;
    mHpB2 = 1.0;
  }
  mFilter[0] = FilterMemory{};
  mFilter[1] = FilterMemory{};
}

double DynamicRangeMeter::KWeight(FilterMemory& m, double x) const noexcept
{
  const double y = mShelfB0 * x + mShelfB1 * m.shelfX1 + mShelfB2 * m.shelfX2 - mShelfA1 * m.shelfY1 - mShelfA2 * m.shelfY2;
  m.shelfX2 = m.shelfX1;
  m.shelfX1 = x;
  m.shelfY2 = m.shelfY1;
  m.shelfY1 = y;

  const double z = mHpB0 * y + mHpB1 * m.hpX1 + mHpB2 * m.hpX2 - mHpA1 * m.hpY1 - mHpA2 * m.hpY2;
  m.hpX2 = m.hpX1;
  m.hpX1 = y;
  m.hpY2 = m.hpY1;
  m.hpY1 = z;

  if (!std::isfinite(z))
  {
    m = FilterMemory{};
    return 0.0;
  }
  return z;
}

double DynamicRangeMeter::ApplyLUFSFilter(int channel, double x) noexcept
{
  if (channel != 0 && channel != 1)
    return 0.0;
  return KWeight(mFilter[channel], x);
}

void DynamicRangeMeter::UpdateLoudness(double now) noexcept
{
  const bool fullBlock = mLoudnessCount >= mLoudnessBlockLength;
  double rms = std::sqrt(mLoudnessEnergy / std::max(mLoudnessCount, 1));
  if (!std::isfinite(rms) || rms < kMinLoudnessRMS)
    rms = kMinLoudnessRMS;

  const double value = std::log(rms) * kDBPerNeper - kLoudnessOffset;
  const double alpha = fullBlock ? 0.2 : 0.5;
  if (std::isfinite(value))
    mLoudness = alpha * value + (1.0 - alpha) * mLoudness;

  if (fullBlock)
  {
    mLoudnessEnergy = 0.0;
    mLoudnessCount = 0;
  }
  else
  {
    mLoudnessEnergy *= 0.5;
    mLoudnessCount /= 2;
  }
  mLastLoudnessUpdate = now;
}

template <bool kLoudness>
void DynamicRangeMeter::AnalyseBlock(const double* left, const double* right, int n, double now,
                                     double blockPeak[2], double sumOfSquares[2]) noexcept
{
  // Coefficients and memories live in registers through the loop; the
  // per-sample work is one direct-form-I step of each filter for both
  // channels at once, the loudness energy, and each channel's peak and sum
  // of squares. The high-pass numerator is (1, -2, 1) by construction, so
  // its products by 1 are left out (exact).
  const Pair sb0 = Splat(mShelfB0), sb1 = Splat(mShelfB1), sb2 = Splat(mShelfB2);
  const Pair sa1 = Splat(mShelfA1), sa2 = Splat(mShelfA2);
  const Pair hb1 = Splat(mHpB1), ha1 = Splat(mHpA1), ha2 = Splat(mHpA2);
  const FilterMemory& ml = mFilter[0];
  const FilterMemory& mr = mFilter[1];
  struct State
  {
    Pair sx1, sx2, sy1, sy2, hx1, hx2, hy1, hy2, peak, squares;
    double energy;
  };
  State st{{ml.shelfX1, mr.shelfX1}, {ml.shelfX2, mr.shelfX2}, {ml.shelfY1, mr.shelfY1}, {ml.shelfY2, mr.shelfY2},
           {ml.hpX1, mr.hpX1},       {ml.hpX2, mr.hpX2},       {ml.hpY1, mr.hpY1},       {ml.hpY2, mr.hpY2},
           {0.0, 0.0},               {0.0, 0.0},               mLoudnessEnergy};

  // Samples from..to of the block. Unchecked, a filter output that is not a
  // finite number only marks the returned Pair (NaN); checked, that channel's
  // filter starts afresh at once and gives 0, as ApplyLUFSFilter does.
  auto run = [&](State& t, int from, int to, auto checked) {
    Pair poison{0.0, 0.0};
    for (int i = from; i < to; ++i)
    {
      const Pair x{left[i], right[i]};
      const Pair a = Abs(x);
      t.peak = a > t.peak ? a : t.peak;
      t.squares += x * x;
      if (!kLoudness)
        continue;
      const Pair y = sb0 * x + sb1 * t.sx1 + sb2 * t.sx2 - sa1 * t.sy1 - sa2 * t.sy2;
      t.sx2 = t.sx1;
      t.sx1 = x;
      t.sy2 = t.sy1;
      t.sy1 = y;
      Pair z = y + hb1 * t.hx1 + t.hx2 - ha1 * t.hy1 - ha2 * t.hy2;
      t.hx2 = t.hx1;
      t.hx1 = y;
      t.hy2 = t.hy1;
      t.hy1 = z;
      const Pair finite = z - z; // 0 where z is finite, NaN elsewhere
      if (decltype(checked)::value)
      {
        for (int c = 0; c < 2; ++c)
        {
          if (finite[c] == 0.0)
            continue;
          for (Pair* m : {&t.sx1, &t.sx2, &t.sy1, &t.sy2, &t.hx1, &t.hx2, &t.hy1, &t.hy2})
            (*m)[c] = 0.0;
          z[c] = 0.0;
        }
      }
      else
      {
        poison += finite;
      }
      const Pair z2 = z * z;
      t.energy += z2[0] + z2[1];
    }
    return poison;
  };

  // A loudness value is due at a full block, or once an eighth of one has
  // gathered when the last value is older than the interval; after a value
  // in this block (at this same clock instant) only a full block is.
  const int full = mLoudnessBlockLength;
  int due = now - mLastLoudnessUpdate > kLoudnessInterval ? full / 8 : full;

  for (int s = 0; s < n;)
  {
    int stop = n;
    if (kLoudness)
    {
      const int untilDue = due - mLoudnessCount;
      stop = untilDue < 1 ? s + 1 : (untilDue < n - s ? s + untilDue : n);
    }
    const State before = st;
    const Pair poison = run(st, s, stop, std::false_type{});
    if (poison[0] != 0.0 || poison[1] != 0.0)
    {
      // Rare: an input that is not finite (or absurdly large). Again, the
      // careful way.
      st = before;
      run(st, s, stop, std::true_type{});
    }
    if (kLoudness)
    {
      mLoudnessCount += stop - s;
      if (mLoudnessCount >= due)
      {
        mLoudnessEnergy = st.energy;
        UpdateLoudness(now);
        st.energy = mLoudnessEnergy;
        due = full;
      }
    }
    s = stop;
  }

  if (kLoudness)
  {
    mLoudnessEnergy = st.energy;
    FilterMemory* const memories[2] = {&mFilter[0], &mFilter[1]};
    for (int c = 0; c < 2; ++c)
    {
      FilterMemory& m = *memories[c];
      m.shelfX1 = Flushed(st.sx1[c]);
      m.shelfX2 = Flushed(st.sx2[c]);
      m.shelfY1 = Flushed(st.sy1[c]);
      m.shelfY2 = Flushed(st.sy2[c]);
      m.hpX1 = Flushed(st.hx1[c]);
      m.hpX2 = Flushed(st.hx2[c]);
      m.hpY1 = Flushed(st.hy1[c]);
      m.hpY2 = Flushed(st.hy2[c]);
    }
  }
  for (int c = 0; c < 2; ++c)
  {
    blockPeak[c] = st.peak[c];
    sumOfSquares[c] = st.squares[c];
  }
}

void DynamicRangeMeter::UpdateChannel(Channel& ch, const double* x, int n, double dt, double blockPeak,
                                      double sum) noexcept
{
  const int length = RingLength();
  if (ch.ring.size() != length)
    ch.ring.resize(length);

  const double peakDecay = std::exp(-dt / kPeakDecayTime);
  const double holdDecay = std::exp(-dt / mHoldDecayTime);
  const double windowSeconds = mRmsWindowMs / 1000.0;
  const double rmsCoef = windowSeconds > 0.0 ? 1.0 - std::exp(-dt / windowSeconds) : 1.0;

  if (ch.ring.size() > 0)
    ch.ring.pushMagnitudes(x, n);

  const double blockMeanSquare = sum / n;
  ch.meanSquare = std::isfinite(ch.meanSquare) ? rmsCoef * blockMeanSquare + (1.0 - rmsCoef) * ch.meanSquare
                                               : blockMeanSquare;

  ch.peak = std::max(blockPeak, ch.peak * peakDecay);

  if (blockPeak <= ch.peakHold)
  {
    if (ch.holdTimer > 0.0)
      ch.holdTimer -= dt;
    else
      ch.peakHold = std::max(blockPeak, ch.peakHold * holdDecay);
  }
  else
  {
    ch.peakHold = blockPeak;
    ch.holdTimer = mHoldTime;
  }

  ch.peakDB = LevelDB(ch.peak);
  ch.peakHoldDB = LevelDB(ch.peakHold);
}

bool DynamicRangeMeter::BeginAnalysis(const double* left, const double* right, int n, double& now,
                                      double& dt) noexcept
{
  if (n < 1 || !left || !right)
    return false;
  now = mClock();
  dt = now - mLastAnalysisTime;
  mLastAnalysisTime = now;
  return dt > 0.0;
}

void DynamicRangeMeter::FinishAnalysis(const double* left, const double* right, int n, double dt,
                                       const double blockPeak[2], const double sumOfSquares[2]) noexcept
{
  UpdateChannel(mChannels[0], left, n, dt, blockPeak[0], sumOfSquares[0]);
  UpdateChannel(mChannels[1], right, n, dt, blockPeak[1], sumOfSquares[1]);
  for (Channel& ch : mChannels)
    ch.rmsDB = ch.meanSquare > 0.0 ? 10.0 * std::log10(ch.meanSquare) : kDisplayBottom;
}

void DynamicRangeMeter::Process(const double* left, const double* right, int n) noexcept
{
  double now = 0.0;
  double dt = 0.0;
  if (!BeginAnalysis(left, right, n, now, dt))
    return;

  double blockPeak[2];
  double sumOfSquares[2];
  if (mLoudnessEnabled)
    AnalyseBlock<true>(left, right, n, now, blockPeak, sumOfSquares);
  else
    AnalyseBlock<false>(left, right, n, now, blockPeak, sumOfSquares);
  FinishAnalysis(left, right, n, dt, blockPeak, sumOfSquares);
}

#if defined(__x86_64__) && defined(__GNUC__)
#define PW_METER_QUADS 1
namespace {

// The four-lane pass's state in plain doubles, lane by lane: left and right
// of meter a, then of meter b. Order of rows: shelf x1, x2, y1, y2, high-pass
// x1, x2, y1, y2, block peak, sum of squares.
struct QuadState
{
  enum { kShelfX1, kShelfX2, kShelfY1, kShelfY2, kHpX1, kHpX2, kHpY1, kHpY2, kPeak, kSquares, kRows };
  double rows[kRows][4];
  double energy[2]; // per meter
};

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
typedef double Quad __attribute__((vector_size(32)));
typedef long long QuadBits __attribute__((vector_size(32)));

// Samples from..to of four channels that are known to stay finite, with
// coefficients shelf b0, b1, b2, a1, a2, high-pass b1, a1, a2: each lane does
// AnalyseBlock's arithmetic on its channel.
void RunQuads(QuadState& st, const double* c, const double* const* in, int from, int to) noexcept
{
  Quad r[QuadState::kRows];
  std::memcpy(r, st.rows, sizeof r);
  Quad k[8];
  for (int i = 0; i < 8; ++i)
    k[i] = Quad{c[i], c[i], c[i], c[i]};
  Quad sx1 = r[0], sx2 = r[1], sy1 = r[2], sy2 = r[3], hx1 = r[4], hx2 = r[5], hy1 = r[6], hy2 = r[7];
  Quad peak = r[8], squares = r[9];
  double energyA = st.energy[0], energyB = st.energy[1];
  const QuadBits magnitude = {0x7fffffffffffffffLL, 0x7fffffffffffffffLL, 0x7fffffffffffffffLL,
                              0x7fffffffffffffffLL};
  for (int i = from; i < to; ++i)
  {
    const Quad x = {in[0][i], in[1][i], in[2][i], in[3][i]};
    const Quad a = reinterpret_cast<Quad>(reinterpret_cast<QuadBits>(x) & magnitude);
    peak = a > peak ? a : peak;
    squares += x * x;
    const Quad y = k[0] * x + k[1] * sx1 + k[2] * sx2 - k[3] * sy1 - k[4] * sy2;
    sx2 = sx1;
    sx1 = x;
    sy2 = sy1;
    sy1 = y;
    const Quad z = y + k[5] * hx1 + hx2 - k[6] * hy1 - k[7] * hy2;
    hx2 = hx1;
    hx1 = y;
    hy2 = hy1;
    hy1 = z;
    const Quad z2 = z * z;
    energyA += z2[0] + z2[1];
    energyB += z2[2] + z2[3];
  }
  const Quad out[QuadState::kRows] = {sx1, sx2, sy1, sy2, hx1, hx2, hy1, hy2, peak, squares};
  std::memcpy(st.rows, out, sizeof out);
  st.energy[0] = energyA;
  st.energy[1] = energyB;
}
// Below this every filter value stays far from overflowing, so no output can
// stop being a finite number and the per-sample check can go.
constexpr double kSafeMagnitude = 1e100;

// Every |x[i]| below kSafeMagnitude (so no NaN either), four at a time.
bool AllModerate(const double* x, int n) noexcept
{
  const QuadBits magnitude = {0x7fffffffffffffffLL, 0x7fffffffffffffffLL, 0x7fffffffffffffffLL,
                              0x7fffffffffffffffLL};
  const Quad limit = {kSafeMagnitude, kSafeMagnitude, kSafeMagnitude, kSafeMagnitude};
  QuadBits ok = {-1, -1, -1, -1};
  int i = 0;
  for (; i + 4 <= n; i += 4)
  {
    Quad v;
    std::memcpy(&v, x + i, sizeof v);
    ok &= reinterpret_cast<Quad>(reinterpret_cast<QuadBits>(v) & magnitude) < limit;
  }
  bool all = ok[0] && ok[1] && ok[2] && ok[3];
  for (; i < n; ++i)
    all = all && std::fabs(x[i]) < kSafeMagnitude;
  return all;
}
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

} // namespace
#endif

bool DynamicRangeMeter::AnalyseTwo(DynamicRangeMeter& a, const double* const* aIn, double aNow, DynamicRangeMeter& b,
                                   const double* const* bIn, double bNow, int n, double blockPeak[4],
                                   double sumOfSquares[4]) noexcept
{
#ifdef PW_METER_QUADS
  DynamicRangeMeter* const meters[2] = {&a, &b};
  const double nows[2] = {aNow, bNow};
  const double* const in[4] = {aIn[0], aIn[1], bIn[0], bIn[1]};
  if (!__builtin_cpu_supports("avx2") || !a.mLoudnessEnabled || !b.mLoudnessEnabled)
    return false;
  const double coefficients[2][8] = {
    {a.mShelfB0, a.mShelfB1, a.mShelfB2, a.mShelfA1, a.mShelfA2, a.mHpB1, a.mHpA1, a.mHpA2},
    {b.mShelfB0, b.mShelfB1, b.mShelfB2, b.mShelfA1, b.mShelfA2, b.mHpB1, b.mHpA1, b.mHpA2}};
  if (std::memcmp(coefficients[0], coefficients[1], sizeof coefficients[0]) != 0)
    return false;
  for (const double* x : in)
  {
    if (!AllModerate(x, n))
      return false;
  }
  for (const DynamicRangeMeter* m : meters)
  {
    for (const FilterMemory& f : m->mFilter)
    {
      for (double v : {f.shelfX1, f.shelfX2, f.shelfY1, f.shelfY2, f.hpX1, f.hpX2, f.hpY1, f.hpY2})
      {
        if (!(std::fabs(v) < kSafeMagnitude))
          return false;
      }
    }
  }

  QuadState st{};
  double FilterMemory::*const fields[8] = {&FilterMemory::shelfX1, &FilterMemory::shelfX2, &FilterMemory::shelfY1,
                                           &FilterMemory::shelfY2, &FilterMemory::hpX1,    &FilterMemory::hpX2,
                                           &FilterMemory::hpY1,    &FilterMemory::hpY2};
  for (int row = 0; row < 8; ++row)
  {
    for (int lane = 0; lane < 4; ++lane)
      st.rows[row][lane] = meters[lane / 2]->mFilter[lane % 2].*fields[row];
  }
  st.energy[0] = a.mLoudnessEnergy;
  st.energy[1] = b.mLoudnessEnergy;

  // Each meter's loudness values fall due as in AnalyseBlock; the pass stops
  // wherever one of the two is due.
  int due[2];
  for (int k = 0; k < 2; ++k)
  {
    const DynamicRangeMeter& m = *meters[k];
    due[k] = nows[k] - m.mLastLoudnessUpdate > kLoudnessInterval ? m.mLoudnessBlockLength / 8
                                                                 : m.mLoudnessBlockLength;
  }
  for (int s = 0; s < n;)
  {
    int stop = n;
    for (const int k : {0, 1})
    {
      const int untilDue = due[k] - meters[k]->mLoudnessCount;
      stop = std::min(stop, untilDue < 1 ? s + 1 : (untilDue < n - s ? s + untilDue : n));
    }
    RunQuads(st, coefficients[0], in, s, stop);
    for (const int k : {0, 1})
    {
      DynamicRangeMeter& m = *meters[k];
      m.mLoudnessCount += stop - s;
      if (m.mLoudnessCount >= due[k])
      {
        m.mLoudnessEnergy = st.energy[k];
        m.UpdateLoudness(nows[k]);
        st.energy[k] = m.mLoudnessEnergy;
        due[k] = m.mLoudnessBlockLength;
      }
    }
    s = stop;
  }

  for (int lane = 0; lane < 4; ++lane)
  {
    DynamicRangeMeter& m = *meters[lane / 2];
    m.mLoudnessEnergy = st.energy[lane / 2];
    for (int row = 0; row < 8; ++row)
      m.mFilter[lane % 2].*fields[row] = Flushed(st.rows[row][lane]);
    blockPeak[lane] = st.rows[QuadState::kPeak][lane];
    sumOfSquares[lane] = st.rows[QuadState::kSquares][lane];
  }
  return true;
#else
  (void)a, (void)aIn, (void)aNow, (void)b, (void)bIn, (void)bNow, (void)n, (void)blockPeak, (void)sumOfSquares;
  return false;
#endif
}

void DynamicRangeMeter::ProcessTwo(DynamicRangeMeter& a, const double* aLeft, const double* aRight,
                                   DynamicRangeMeter& b, const double* bLeft, const double* bRight, int n) noexcept
{
  double aNow = 0.0, aDt = 0.0, bNow = 0.0, bDt = 0.0;
  const bool aGoes = a.BeginAnalysis(aLeft, aRight, n, aNow, aDt);
  const bool bGoes = b.BeginAnalysis(bLeft, bRight, n, bNow, bDt);
  const double* const aIn[2] = {aLeft, aRight};
  const double* const bIn[2] = {bLeft, bRight};
  double peaks[4];
  double sums[4];
  if (aGoes && bGoes && AnalyseTwo(a, aIn, aNow, b, bIn, bNow, n, peaks, sums))
  {
    a.FinishAnalysis(aLeft, aRight, n, aDt, peaks, sums);
    b.FinishAnalysis(bLeft, bRight, n, bDt, peaks + 2, sums + 2);
    return;
  }
  for (const int k : {0, 1})
  {
    DynamicRangeMeter& m = k == 0 ? a : b;
    const double* const* x = k == 0 ? aIn : bIn;
    const double now = k == 0 ? aNow : bNow;
    if (!(k == 0 ? aGoes : bGoes))
      continue;
    if (m.mLoudnessEnabled)
      m.AnalyseBlock<true>(x[0], x[1], n, now, peaks, sums);
    else
      m.AnalyseBlock<false>(x[0], x[1], n, now, peaks, sums);
    m.FinishAnalysis(x[0], x[1], n, k == 0 ? aDt : bDt, peaks, sums);
  }
}

void ProcessHandOff(DynamicRangeMeter& meter, const BufferManager& handOff, int leftIndex, int rightIndex) noexcept
{
  meter.Process(handOff.GetBuffer(leftIndex), handOff.GetBuffer(rightIndex),
                handOff.GetPairFrameCount(leftIndex, rightIndex));
}

} // namespace pressweave
