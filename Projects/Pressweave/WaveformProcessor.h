#pragma once
// Capture for one channel's beat-synchronised scope: two rectified traces
// (input or sidechain, and output) indexed by the phase of the host's beat
// position within a window of "Scope Sync" length.
//
// Threads: the main thread sets the window and the transport snapshot and
// re-derives the beat position at each idle tick; the render thread advances
// the beat position and writes one slot pair per sample; the editor reads on
// the main thread. Fields that cross threads are relaxed atomics: a late value
// only shifts the picture for one frame. Only construction allocates.

#include <atomic>
#include <cstdint>
#include <memory>

#include "IWeftStructs.h"

namespace pressweave {

class WaveformProcessor
{
public:
  static constexpr int kDefaultSize = 1000;

  // size: slots per trace; a size below 1 counts as 1. When the traces cannot
  // be allocated the processor has size 0 and captures nothing.
  explicit WaveformProcessor(int size = kDefaultSize) noexcept;
  WaveformProcessor(const WaveformProcessor&) = delete;
  WaveformProcessor& operator=(const WaveformProcessor&) = delete;

  // Main thread. "Scope Sync" index 0..6 to a window of 0.25, 0.5, 1, 2, 4,
  // 8 or 16 quarter notes; other values are refused (false, window kept).
  bool SetWindowFromScopeSync(double scopeSync) noexcept;
  void SetWindowLength(double quarterNotes) noexcept { mWindowLength.store(quarterNotes, std::memory_order_relaxed); }

  // Main thread: copies the host's transport snapshot (running, tempo, PPQ
  // position, time signature), the samples per beat (truncated) and the
  // processing frame's sample rate and block size.
  void SetTransport(const weft::ITimeInfo& info, double sampleRate, int blockSize) noexcept;

  // 4 / time-signature denominator; a denominator of 0 counts as one quarter
  // note per beat.
  double GetQuarterNotesPerBeat() const noexcept;
  // PPQ position / quarter notes per beat.
  double GetBeatPosition() const noexcept;

  // Main thread: re-derives beat position and phase from the snapshot. A jump
  // back (a loop or relocation) first resets both to 0.
  void UpdateBeatPosition() noexcept;

  // Render thread: while the transport runs, advances the beat position by
  // increment quarter notes and recomputes the phase. A non-finite increment
  // is ignored.
  void UpdateBeatPositionInRealTime(double increment) noexcept;

  // Render thread: writes |a| and |b| into the slot of the current phase.
  void UpdateSamples(double a, double b) noexcept;

  // Render thread: one block at once, with exactly the phases and slots of
  // UpdateBeatPositionInRealTime (increment) followed by UpdateSamples (a[s],
  // b[s]) for each sample s. A null a or b feeds 0. The transport snapshot and
  // the window are read once per block, the beat position and phase stored
  // once at its end.
  // With a twin that SharesTimelineWith this one, the twin captures twinA
  // and twinB in the same pass from the same slots, as its own CaptureBlock
  // would.
  void CaptureBlock(const double* a, const double* b, int nFrames, double increment,
                    WaveformProcessor* twin = nullptr, const double* twinA = nullptr,
                    const double* twinB = nullptr) noexcept;
  // Same size, transport state, window, denominator, beat position and
  // phase: every slot of a block falls alike in both.
  bool SharesTimelineWith(const WaveformProcessor& other) const noexcept;

  // Zeroes both traces.
  void ClearBuffers() noexcept;

  // Slot the current phase falls in: floor(phase * size) taken into
  // 0..size-1; a phase that is not a finite number counts as 0.
  int GetSlotIndex() const noexcept;

  int GetSize() const noexcept { return mSize; }
  double GetInputLevel(int slot) const noexcept;  // trace A; 0 outside 0..size-1
  double GetOutputLevel(int slot) const noexcept; // trace B; 0 outside 0..size-1

  double GetTempo() const noexcept { return mTempo; }
  bool IsTransportRunning() const noexcept { return mTransportIsRunning.load(std::memory_order_relaxed); }
  double GetPPQPos() const noexcept { return mPPQPos; }
  double GetLastPPQPos() const noexcept { return mLastPPQPos; }
  double GetBeatPos() const noexcept { return mBeatPos.load(std::memory_order_relaxed); }
  double GetBlockSize() const noexcept { return mBlockSize; }
  double GetSampleRate() const noexcept { return mSampleRate; }
  int64_t GetSamplesPerBeat() const noexcept { return mSamplesPerBeat; }
  double GetWindowLength() const noexcept { return mWindowLength.load(std::memory_order_relaxed); }
  double GetPhase() const noexcept { return mPhase.load(std::memory_order_relaxed); }
  int GetNumerator() const noexcept { return mNumerator; }
  int GetDenominator() const noexcept { return mDenominator.load(std::memory_order_relaxed); }

private:
  double PhaseOf(double beatPos) const noexcept;
  int SlotOf(double phase) const noexcept;
  // The slot of sample s of the block: the phases of up to kChunk samples are
  // computed first, then the slots written, so no store waits on a phase.
  void WriteSlots(const int* slots, const double* a, const double* b, int nFrames) noexcept;

  std::unique_ptr<std::atomic<double>[]> mTraceA; // |input or sidechain| per slot
  std::unique_ptr<std::atomic<double>[]> mTraceB; // |output| per slot
  int mSize = 0;

  double mTempo = 120.0; // beats per minute
  std::atomic<bool> mTransportIsRunning{false};
  double mPPQPos = 0.0;     // quarter notes
  double mLastPPQPos = 0.0; // quarter notes
  std::atomic<double> mBeatPos{0.0};
  double mBlockSize = 512.0;
  double mSampleRate = 44100.0;
  int64_t mSamplesPerBeat = 0;
  std::atomic<double> mWindowLength{0.5}; // quarter notes
  std::atomic<double> mPhase{0.0};        // 0..1 within the window
  int mNumerator = 4;
  std::atomic<int> mDenominator{4};

  static_assert(std::atomic<double>::is_always_lock_free, "the scope's fields are shared with the render thread");
};

// Quarter notes per sample at tempo (BPM) and sampleRate (Hz): tempo / (60 *
// sampleRate); 0 when the sample rate is not positive or the result is not a
// finite number.
double BeatIncrementPerSample(double tempo, double sampleRate) noexcept;

// Feeds sample s of one block into both scopes: left gets sources[0][s] and
// outputs[0][s], right gets sources[1][s] and outputs[1][s]. A null list or a
// null channel in it feeds 0.
void UpdateSamplesForWaveViewers(WaveformProcessor& left, WaveformProcessor& right, int s,
                                 const double* const* sources, const double* const* outputs) noexcept;

// The scope pass of one block: the same traces and positions as advancing both
// beat positions by increment and writing the slot pair (as above) sample by
// sample, through CaptureBlock. Render thread.
void CaptureScopeBlock(WaveformProcessor& left, WaveformProcessor& right, const double* const* sources,
                       const double* const* outputs, int nFrames, double increment) noexcept;

} // namespace pressweave
