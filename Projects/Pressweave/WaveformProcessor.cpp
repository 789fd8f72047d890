#include "WaveformProcessor.h"

#include <cmath>
#include <new>

namespace pressweave {

namespace {

constexpr double kScopeSyncQuarterNotes[] = {0.25, 0.5, 1.0, 2.0, 4.0, 8.0, 16.0};

double Level(const std::atomic<double>* trace, int size, int slot) noexcept
{
  if (!trace || slot < 0 || slot >= size)
    return 0.0;
  return trace[slot].load(std::memory_order_relaxed);
}

double Sample(const double* const* list, int channel, int s) noexcept
{
  if (!list || !list[channel])
    return 0.0;
  return list[channel][s];
}

} // namespace

WaveformProcessor::WaveformProcessor(int size) noexcept
{
  const int n = size < 1 ? 1 : size;
  mTraceA.reset(new (std::nothrow) std::atomic<double>[static_cast<size_t>(n)]);
  mTraceB.reset(new (std::nothrow) std::atomic<double>[static_cast<size_t>(n)]);
  if (!mTraceA || !mTraceB)
  {
    mTraceA.reset();
    mTraceB.reset();
    return;
  }
  mSize = n;
  ClearBuffers();
}

bool WaveformProcessor::SetWindowFromScopeSync(double scopeSync) noexcept
{
  for (int i = 0; i < 7; ++i)
  {
    if (scopeSync == static_cast<double>(i))
    {
      SetWindowLength(kScopeSyncQuarterNotes[i]);
      return true;
    }
  }
  return false;
}

void WaveformProcessor::SetTransport(const weft::ITimeInfo& info, double sampleRate, int blockSize) noexcept
{
  mTransportIsRunning.store(info.mTransportIsRunning, std::memory_order_relaxed);
  mTempo = info.mTempo;
  mPPQPos = info.mPPQPos;
  const double samplesPerBeat = std::trunc(info.GetSamplesPerBeat(sampleRate));
  // Out-of-range values (a tempo near 0) are pinned rather than converted.
  mSamplesPerBeat = std::isfinite(samplesPerBeat) && std::fabs(samplesPerBeat) < 9.0e18
                      ? static_cast<int64_t>(samplesPerBeat)
                      : 0;
  mSampleRate = sampleRate;
  mBlockSize = static_cast<double>(blockSize);
  mNumerator = info.mNumerator;
  mDenominator.store(info.mDenominator, std::memory_order_relaxed);
}

double WaveformProcessor::GetQuarterNotesPerBeat() const noexcept
{
  const int denominator = mDenominator.load(std::memory_order_relaxed);
  return denominator == 0 ? 1.0 : 4.0 / denominator;
}

double WaveformProcessor::GetBeatPosition() const noexcept
{
  return mPPQPos / GetQuarterNotesPerBeat();
}

double WaveformProcessor::PhaseOf(double beatPos) const noexcept
{
  const double windowLength = mWindowLength.load(std::memory_order_relaxed);
  if (!(windowLength > 0.0))
    return 0.0;
  const double w = windowLength / GetQuarterNotesPerBeat();
  const double phase = std::fmod(beatPos, w) / w;
  return std::isfinite(phase) ? phase : 0.0;
}

void WaveformProcessor::UpdateBeatPosition() noexcept
{
  if (mLastPPQPos > mPPQPos)
  {
    mPhase.store(0.0, std::memory_order_relaxed);
    mBeatPos.store(0.0, std::memory_order_relaxed);
  }
  mLastPPQPos = mPPQPos;
  const double beatPos = GetBeatPosition();
  mBeatPos.store(beatPos, std::memory_order_relaxed);
  mPhase.store(PhaseOf(beatPos), std::memory_order_relaxed);
}

void WaveformProcessor::UpdateBeatPositionInRealTime(double increment) noexcept
{
  if (!mTransportIsRunning.load(std::memory_order_relaxed) || !std::isfinite(increment))
    return;
  const double beatPos = mBeatPos.load(std::memory_order_relaxed) + increment / GetQuarterNotesPerBeat();
  mBeatPos.store(beatPos, std::memory_order_relaxed);
  if (mWindowLength.load(std::memory_order_relaxed) > 0.0)
    mPhase.store(PhaseOf(beatPos), std::memory_order_relaxed);
}

int WaveformProcessor::GetSlotIndex() const noexcept
{
  if (mSize < 1)
    return 0;
  double phase = mPhase.load(std::memory_order_relaxed);
  if (!std::isfinite(phase))
    phase = 0.0;
  double slot = std::fmod(std::floor(phase * mSize), static_cast<double>(mSize));
  if (slot < 0.0)
    slot += mSize;
  const int index = static_cast<int>(slot);
  return index < mSize ? index : mSize - 1;
}

void WaveformProcessor::UpdateSamples(double a, double b) noexcept
{
  if (mSize < 1)
    return;
  const int index = GetSlotIndex();
  mTraceA[index].store(std::fabs(a), std::memory_order_relaxed);
  mTraceB[index].store(std::fabs(b), std::memory_order_relaxed);
}

void WaveformProcessor::ClearBuffers() noexcept
{
  for (int i = 0; i < mSize; ++i)
  {
    mTraceA[i].store(0.0, std::memory_order_relaxed);
    mTraceB[i].store(0.0, std::memory_order_relaxed);
  }
}

double WaveformProcessor::GetInputLevel(int slot) const noexcept
{
  return Level(mTraceA.get(), mSize, slot);
}

double WaveformProcessor::GetOutputLevel(int slot) const noexcept
{
  return Level(mTraceB.get(), mSize, slot);
}

double BeatIncrementPerSample(double tempo, double sampleRate) noexcept
{
  if (!(sampleRate > 0.0))
    return 0.0;
  const double increment = tempo / (60.0 * sampleRate);
  return std::isfinite(increment) ? increment : 0.0;
}

void UpdateSamplesForWaveViewers(WaveformProcessor& left, WaveformProcessor& right, int s,
                                 const double* const* sources, const double* const* outputs) noexcept
{
  left.UpdateSamples(Sample(sources, 0, s), Sample(outputs, 0, s));
  right.UpdateSamples(Sample(sources, 1, s), Sample(outputs, 1, s));
}

void CaptureScopeBlock(WaveformProcessor& left, WaveformProcessor& right, const double* const* sources,
                       const double* const* outputs, int nFrames, double increment) noexcept
{
  for (int s = 0; s < nFrames; ++s)
  {
    left.UpdateBeatPositionInRealTime(increment);
    right.UpdateBeatPositionInRealTime(increment);
    UpdateSamplesForWaveViewers(left, right, s, sources, outputs);
  }
}

} // namespace pressweave
