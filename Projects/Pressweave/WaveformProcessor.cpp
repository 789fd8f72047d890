#include "WaveformProcessor.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "VectorMath.h"

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
  return SlotOf(mPhase.load(std::memory_order_relaxed));
}

int WaveformProcessor::SlotOf(double phase) const noexcept
{
  if (mSize < 1)
    return 0;
  if (!std::isfinite(phase))
    phase = 0.0;
  double slot = std::fmod(std::floor(phase * mSize), static_cast<double>(mSize));
  if (slot < 0.0)
    slot += mSize;
  const int index = static_cast<int>(slot);
  return index < mSize ? index : mSize - 1;
}

namespace {

constexpr int kChunk = 256;

// floor(phase * size) taken into 0..size-1 for |phase| < 1, where SlotOf's
// fmod by the size only ever maps size itself to 0: the same slot, in
// integer arithmetic.
inline int SlotInRange(double phase, int size) noexcept
{
  const double v = phase * size;
  int slot = static_cast<int>(v);
  slot -= static_cast<double>(slot) > v ? 1 : 0;
  slot -= slot >= size ? size : 0;
  slot += slot < 0 ? size : 0;
  return slot;
}

} // namespace

void WaveformProcessor::WriteSlots(const int* slots, const double* a, const double* b, int nFrames) noexcept
{
  static const double kSilence[kChunk] = {};
  std::atomic<double>* traceA = mTraceA.get();
  std::atomic<double>* traceB = mTraceB.get();
  const double* const x = a ? a : kSilence; // a missing channel feeds 0
  const double* const y = b ? b : kSilence;
  for (int s = 0; s < nFrames; ++s)
  {
    traceA[slots[s]].store(std::fabs(x[s]), std::memory_order_relaxed);
    traceB[slots[s]].store(std::fabs(y[s]), std::memory_order_relaxed);
  }
}

bool WaveformProcessor::SharesTimelineWith(const WaveformProcessor& other) const noexcept
{
  return mSize == other.mSize && IsTransportRunning() == other.IsTransportRunning() &&
         GetWindowLength() == other.GetWindowLength() && GetDenominator() == other.GetDenominator() &&
         GetBeatPos() == other.GetBeatPos() && GetPhase() == other.GetPhase();
}

void WaveformProcessor::CaptureBlock(const double* a, const double* b, int nFrames, double increment,
                                     WaveformProcessor* twin, const double* twinA, const double* twinB) noexcept
{
  if (mSize < 1 || nFrames < 1)
    return;

  const double windowLength = mWindowLength.load(std::memory_order_relaxed);
  const bool advances = mTransportIsRunning.load(std::memory_order_relaxed) && std::isfinite(increment);
  if (!advances || !(windowLength > 0.0))
  {
    // The phase stands still: every sample goes to one slot, and the last
    // one is what stays there.
    if (advances)
    {
      const double step = increment / GetQuarterNotesPerBeat();
      double beatPos = mBeatPos.load(std::memory_order_relaxed);
      for (int s = 0; s < nFrames; ++s)
        beatPos += step;
      mBeatPos.store(beatPos, std::memory_order_relaxed);
    }
    const int slot = GetSlotIndex();
    WriteSlots(&slot, a ? a + nFrames - 1 : nullptr, b ? b + nFrames - 1 : nullptr, 1);
    if (twin)
    {
      twin->mBeatPos.store(GetBeatPos(), std::memory_order_relaxed);
      twin->WriteSlots(&slot, twinA ? twinA + nFrames - 1 : nullptr, twinB ? twinB + nFrames - 1 : nullptr, 1);
    }
    return;
  }

  const double quarterNotesPerBeat = GetQuarterNotesPerBeat();
  const double step = increment / quarterNotesPerBeat;
  const double w = windowLength / quarterNotesPerBeat;
  double beatPos = mBeatPos.load(std::memory_order_relaxed);

  // For a window of a power of two beats, beatPos / w is exact and so is
  // q - trunc(q): it equals fmod(beatPos, w) / w bit for bit. The positions
  // must stay where trunc fits an int32 (a billion windows: always, in
  // practice); two samples go through at once.
  // A positive power of two 2^k has no mantissa bits; k within +-59.
  uint64_t bits = 0;
  std::memcpy(&bits, &w, sizeof bits);
  const int k = static_cast<int>(bits >> 52) - 1023; // the sign bit makes k huge
  const bool powerOfTwo = (bits & 0x000FFFFFFFFFFFFFull) == 0 && k > -60 && k < 60;
  const double end = beatPos + step * nFrames;
  const double limit = 1e9 * w;
  const bool exact = powerOfTwo && std::fabs(beatPos) < limit && std::fabs(end) < limit;
  const Pair perWindow = Splat(1.0 / w); // exact for a power of two
  const Pair size = Splat(mSize);
  const Pair zero = Splat(0.0);
  const Pair one = Splat(1.0);

  int slots[kChunk];
  double phase = 0.0;
  for (int offset = 0; offset < nFrames; offset += kChunk)
  {
    const int n = std::min(kChunk, nFrames - offset);
    int s = 0;
    if (exact)
    {
      typedef int Ints __attribute__((vector_size(8)));
      for (; s + 2 <= n; s += 2)
      {
        const double first = beatPos + step;
        beatPos = first + step;
        const Pair q = Pair{first, beatPos} * perWindow;
        const Pair fraction = q - __builtin_convertvector(__builtin_convertvector(q, Ints), Pair);
        // floor(fraction * size) wrapped into 0..size-1, as SlotInRange.
        const Pair v = fraction * size;
        Pair slot = __builtin_convertvector(__builtin_convertvector(v, Ints), Pair);
        slot = slot > v ? slot - one : slot;
        slot = slot >= size ? slot - size : slot;
        slot = slot < zero ? slot + size : slot;
        const Ints index = __builtin_convertvector(slot, Ints);
        slots[s] = index[0];
        slots[s + 1] = index[1];
        phase = fraction[1];
      }
    }
    for (; s < n; ++s)
    {
      beatPos += step;
      phase = std::fmod(beatPos, w) / w;
      if (!std::isfinite(phase))
        phase = 0.0;
      slots[s] = SlotInRange(phase, mSize);
    }
    WriteSlots(slots, a ? a + offset : nullptr, b ? b + offset : nullptr, n);
    if (twin)
      twin->WriteSlots(slots, twinA ? twinA + offset : nullptr, twinB ? twinB + offset : nullptr, n);
  }
  for (WaveformProcessor* wp : {this, twin})
  {
    if (!wp)
      continue;
    wp->mBeatPos.store(beatPos, std::memory_order_relaxed);
    wp->mPhase.store(phase, std::memory_order_relaxed);
  }
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
  const double* const none[2] = {nullptr, nullptr};
  const double* const* src = sources ? sources : none;
  const double* const* out = outputs ? outputs : none;
  // Both scopes normally follow one timeline: their slots are computed once.
  if (left.SharesTimelineWith(right))
  {
    left.CaptureBlock(src[0], out[0], nFrames, increment, &right, src[1], out[1]);
    return;
  }
  left.CaptureBlock(src[0], out[0], nFrames, increment);
  right.CaptureBlock(src[1], out[1], nFrames, increment);
}

} // namespace pressweave
