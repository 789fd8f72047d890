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

// The shared pass's state in plain doubles, lane by lane: left and right of
// meter 0, of meter 1 and of meter 2 (lanes 6 and 7 idle). Order of rows:
// shelf x1, x2, y1, y2, high-pass x1, x2, y1, y2, block peak, sum of squares.
struct QuadState
{
  enum { kShelfX1, kShelfX2, kShelfY1, kShelfY2, kHpX1, kHpX2, kHpY1, kHpY2, kPeak, kSquares, kRows };
  static constexpr int kLanes = 2 * DynamicRangeMeter::kMaxShared + 2;
  double rows[kRows][kLanes];
  double energy[DynamicRangeMeter::kMaxShared]; // per meter
};

typedef double Quad __attribute__((vector_size(32)));
typedef long long QuadBits __attribute__((vector_size(32)));
typedef double Oct __attribute__((vector_size(64)));
typedef long long OctBits __attribute__((vector_size(64)));

// The integer vector of a double vector's bits.
template <class V>
struct BitsOf;
template <>
struct BitsOf<Quad>
{
  typedef QuadBits Type;
};
template <>
struct BitsOf<Oct>
{
  typedef OctBits Type;
};

// Samples from..to of the channels of the meters in V's lanes (in[lane]; an
// idle lane repeats a busy one and its results go unused) that are known to
// stay finite, with coefficients shelf b0, b1, b2, a1, a2, high-pass b1, a1,
// a2: each lane does AnalyseBlock's arithmetic on its channel. Inlined into
// RunQuads (AVX2) and RunOcts (AVX-512) below.
template <class V>
inline __attribute__((always_inline)) void RunLanes(QuadState& st, const double* c, const double* const* in, int from,
                                                    int to) noexcept
{
  constexpr int kLanes = static_cast<int>(sizeof(V) / sizeof(double));
  constexpr int kMeters = std::min(kLanes / 2, static_cast<int>(DynamicRangeMeter::kMaxShared));
  typedef typename BitsOf<V>::Type Bits;
  V r[QuadState::kRows];
  for (int row = 0; row < QuadState::kRows; ++row)
    std::memcpy(&r[row], st.rows[row], sizeof(V));
  V k[8];
  Bits magnitude;
  for (int lane = 0; lane < kLanes; ++lane)
  {
    for (int i = 0; i < 8; ++i)
      k[i][lane] = c[i];
    magnitude[lane] = 0x7fffffffffffffffLL;
  }
  V sx1 = r[0], sx2 = r[1], sy1 = r[2], sy2 = r[3], hx1 = r[4], hx2 = r[5], hy1 = r[6], hy2 = r[7];
  V peak = r[8], squares = r[9];
  double energy[kMeters];
  for (int m = 0; m < kMeters; ++m)
    energy[m] = st.energy[m];
  for (int i = from; i < to; ++i)
  {
    V x;
    for (int lane = 0; lane < kLanes; ++lane)
      x[lane] = in[lane][i];
    const V a = reinterpret_cast<V>(reinterpret_cast<Bits>(x) & magnitude);
    peak = a > peak ? a : peak;
    squares += x * x;
    const V y = k[0] * x + k[1] * sx1 + k[2] * sx2 - k[3] * sy1 - k[4] * sy2;
    sx2 = sx1;
    sx1 = x;
    sy2 = sy1;
    sy1 = y;
    const V z = y + k[5] * hx1 + hx2 - k[6] * hy1 - k[7] * hy2;
    hx2 = hx1;
    hx1 = y;
    hy2 = hy1;
    hy1 = z;
    const V z2 = z * z;
    for (int m = 0; m < kMeters; ++m)
      energy[m] += z2[2 * m] + z2[2 * m + 1];
  }
  const V out[QuadState::kRows] = {sx1, sx2, sy1, sy2, hx1, hx2, hy1, hy2, peak, squares};
  for (int row = 0; row < QuadState::kRows; ++row)
    std::memcpy(st.rows[row], &out[row], sizeof(V));
  for (int m = 0; m < kMeters; ++m)
    st.energy[m] = energy[m];
}

__attribute__((target("avx512f"))) void RunOcts(QuadState& st, const double* c, const double* const* in, int from,
                                                int to) noexcept
{
  RunLanes<Oct>(st, c, in, from, to);
}

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
void RunQuads(QuadState& st, const double* c, const double* const* in, int from, int to) noexcept
{
  RunLanes<Quad>(st, c, in, from, to);
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

bool DynamicRangeMeter::AnalyseShared(DynamicRangeMeter* const* meters, const double* const (*in)[2],
                                      const double* nows, int count, int n, double* blockPeak,
                                      double* sumOfSquares) noexcept
{
#ifdef PW_METER_QUADS
  // Two meters fill four lanes (AVX2), three six of eight (AVX-512).
  const bool octs = count > 2;
  if (count < 2 || count > kMaxShared || !(octs ? __builtin_cpu_supports("avx512f") : __builtin_cpu_supports("avx2")))
    return false;
  const double* lanes[QuadState::kLanes];
  for (int lane = 0; lane < QuadState::kLanes; ++lane)
    lanes[lane] = in[std::min(lane / 2, count - 1)][lane % 2];
  double coefficients[kMaxShared][8];
  for (int k = 0; k < count; ++k)
  {
    const DynamicRangeMeter& m = *meters[k];
    if (!m.mLoudnessEnabled)
      return false;
    const double own[8] = {m.mShelfB0, m.mShelfB1, m.mShelfB2, m.mShelfA1, m.mShelfA2, m.mHpB1, m.mHpA1, m.mHpA2};
    std::memcpy(coefficients[k], own, sizeof own);
    if (std::memcmp(coefficients[k], coefficients[0], sizeof own) != 0)
      return false;
    for (const double* x : in[k])
    {
      if (!AllModerate(x, n))
        return false;
    }
    for (const FilterMemory& f : m.mFilter)
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
    for (int lane = 0; lane < 2 * count; ++lane)
      st.rows[row][lane] = meters[lane / 2]->mFilter[lane % 2].*fields[row];
  }
  for (int k = 0; k < count; ++k)
    st.energy[k] = meters[k]->mLoudnessEnergy;

  // Each meter's loudness values fall due as in AnalyseBlock; the pass stops
  // wherever one of them is due.
  int due[kMaxShared];
  for (int k = 0; k < count; ++k)
  {
    const DynamicRangeMeter& m = *meters[k];
    due[k] = nows[k] - m.mLastLoudnessUpdate > kLoudnessInterval ? m.mLoudnessBlockLength / 8
                                                                 : m.mLoudnessBlockLength;
  }
  for (int s = 0; s < n;)
  {
    int stop = n;
    for (int k = 0; k < count; ++k)
    {
      const int untilDue = due[k] - meters[k]->mLoudnessCount;
      stop = std::min(stop, untilDue < 1 ? s + 1 : (untilDue < n - s ? s + untilDue : n));
    }
    if (octs)
      RunOcts(st, coefficients[0], lanes, s, stop);
    else
      RunQuads(st, coefficients[0], lanes, s, stop);
    for (int k = 0; k < count; ++k)
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

  for (int lane = 0; lane < 2 * count; ++lane)
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
  (void)meters, (void)in, (void)nows, (void)count, (void)n, (void)blockPeak, (void)sumOfSquares;
  return false;
#endif
}

void DynamicRangeMeter::ProcessShared(DynamicRangeMeter* const* meters, const double* const (*in)[2], int count,
                                      int n) noexcept
{
  count = std::clamp(count, 0, kMaxShared);
#ifdef PW_METER_QUADS
  if (count > 2 && !__builtin_cpu_supports("avx512f"))
  {
    // No eight lanes: two meters in four, the third alone.
    ProcessShared(meters, in, 2, n);
    meters[2]->Process(in[2][0], in[2][1], n);
    return;
  }
#endif
  double nows[kMaxShared] = {}, dts[kMaxShared] = {};
  bool goes[kMaxShared] = {};
  bool all = count > 0;
  for (int k = 0; k < count; ++k)
  {
    goes[k] = meters[k]->BeginAnalysis(in[k][0], in[k][1], n, nows[k], dts[k]);
    all = all && goes[k];
  }
  double peaks[2 * kMaxShared];
  double sums[2 * kMaxShared];
  if (all && AnalyseShared(meters, in, nows, count, n, peaks, sums))
  {
    for (int k = 0; k < count; ++k)
      meters[k]->FinishAnalysis(in[k][0], in[k][1], n, dts[k], peaks + 2 * k, sums + 2 * k);
    return;
  }
  for (int k = 0; k < count; ++k)
  {
    DynamicRangeMeter& m = *meters[k];
    if (!goes[k])
      continue;
    if (m.mLoudnessEnabled)
      m.AnalyseBlock<true>(in[k][0], in[k][1], n, nows[k], peaks, sums);
    else
      m.AnalyseBlock<false>(in[k][0], in[k][1], n, nows[k], peaks, sums);
    m.FinishAnalysis(in[k][0], in[k][1], n, dts[k], peaks, sums);
  }
}

void DynamicRangeMeter::ProcessTwo(DynamicRangeMeter& a, const double* aLeft, const double* aRight,
                                   DynamicRangeMeter& b, const double* bLeft, const double* bRight, int n) noexcept
{
  DynamicRangeMeter* const meters[2] = {&a, &b};
  const double* const in[2][2] = {{aLeft, aRight}, {bLeft, bRight}};
  ProcessShared(meters, in, 2, n);
}

void ProcessHandOff(DynamicRangeMeter& meter, const BufferManager& handOff, int leftIndex, int rightIndex) noexcept
{
  meter.Process(handOff.GetBuffer(leftIndex), handOff.GetBuffer(rightIndex),
                handOff.GetPairFrameCount(leftIndex, rightIndex));
}

} // namespace pressweave
