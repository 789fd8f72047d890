#include "DynamicRangeMeter.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "IWeftUtilities.h"

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

double DynamicRangeMeter::ApplyLUFSFilter(int channel, double x) noexcept
{
  if (channel != 0 && channel != 1)
    return 0.0;
  FilterMemory& m = mFilter[channel];

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

void DynamicRangeMeter::CalculateLUFSAbsolute(double left, double right, double now) noexcept
{
  const double fl = ApplyLUFSFilter(0, left);
  const double fr = ApplyLUFSFilter(1, right);
  mLoudnessEnergy += fl * fl + fr * fr;
  ++mLoudnessCount;

  bool time = false;
  if (mLoudnessCount >= mLoudnessBlockLength / 8)
    time = now - mLastLoudnessUpdate > kLoudnessInterval;
  const bool fullBlock = mLoudnessCount >= mLoudnessBlockLength;
  if (!fullBlock && !time)
    return;

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

void DynamicRangeMeter::UpdateChannel(Channel& ch, const double* x, int n, double dt) noexcept
{
  const int length = RingLength();
  if (ch.ring.size() != length)
    ch.ring.resize(length);

  const double peakDecay = std::exp(-dt / kPeakDecayTime);
  const double holdDecay = std::exp(-dt / mHoldDecayTime);
  const double windowSeconds = mRmsWindowMs / 1000.0;
  const double rmsCoef = windowSeconds > 0.0 ? 1.0 - std::exp(-dt / windowSeconds) : 1.0;

  double blockPeak = 0.0;
  double sum = 0.0;
  const bool hasRing = ch.ring.size() > 0;
  for (int s = 0; s < n; ++s)
  {
    const double a = std::fabs(x[s]);
    if (a > blockPeak)
      blockPeak = a;
    sum += x[s] * x[s];
    if (hasRing)
      ch.ring.push(a);
  }

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

void DynamicRangeMeter::Process(const double* left, const double* right, int n) noexcept
{
  if (n < 1 || !left || !right)
    return;

  const double now = mClock();
  const double dt = now - mLastAnalysisTime;
  mLastAnalysisTime = now;
  if (!(dt > 0.0))
    return;

  if (mLoudnessEnabled)
  {
    for (int s = 0; s < n; ++s)
      CalculateLUFSAbsolute(left[s], right[s], now);
  }

  UpdateChannel(mChannels[0], left, n, dt);
  UpdateChannel(mChannels[1], right, n, dt);

  for (Channel& ch : mChannels)
    ch.rmsDB = ch.meanSquare > 0.0 ? 10.0 * std::log10(ch.meanSquare) : kDisplayBottom;
}

void ProcessHandOff(DynamicRangeMeter& meter, const BufferManager& handOff, int leftIndex, int rightIndex) noexcept
{
  meter.Process(handOff.GetBuffer(leftIndex), handOff.GetBuffer(rightIndex),
                handOff.GetPairFrameCount(leftIndex, rightIndex));
}

} // namespace pressweave
