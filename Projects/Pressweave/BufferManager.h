#pragma once
// The six hand-off buffers between the render thread and the meters' analysis
// on the main thread: 0/1 dry left/right (input meter), 2/3 output left/right
// (output meter), 4/5 sidechain left/right (sidechain meter and the
// compressor's key).
//
// A triple buffer of banks of six: the render thread fills its own bank (Write),
// reads it back while the block runs (GetPending...) and publishes it whole
// (Publish); the main thread takes the latest published bank (Acquire) and
// reads it (GetBuffer, GetFrameCount) until its next Acquire. Each bank belongs
// to one thread at a time, and the one index word that passes banks between
// them is atomic, so neither side ever reads memory the other is writing, and
// an analysis always sees six buffers of one and the same block. Neither side
// waits for the other.
//
// Construction and Reset allocate and run on the main thread while the render
// thread is not processing (activation or reset).

#include <atomic>
#include <memory>

namespace pressweave {

class BufferManager
{
public:
  static constexpr int kNumBuffers = 6;
  enum EBuffer
  {
    kDryLeft = 0,
    kDryRight,
    kOutputLeft,
    kOutputRight,
    kSidechainLeft,
    kSidechainRight
  };

  // blockSize in samples; a negative size counts as 0 (no buffers).
  explicit BufferManager(int blockSize) noexcept;
  BufferManager(const BufferManager&) = delete;
  BufferManager& operator=(const BufferManager&) = delete;

  // A different size replaces every bank with zero-filled buffers and forgets
  // the frame counts; an equal size keeps everything. False when the memory
  // could not be had: buffers and size then stay as they were.
  bool Reset(int blockSize) noexcept;
  int GetBufferSize() const noexcept { return mBlockSize; }

  // --- Render thread --------------------------------------------------------

  // Copies nFrames samples of src into buffer index of the bank being filled,
  // or zeros when src is null (a channel that is not there), and records
  // min(nFrames, size) as its frame count. Invalid indices are ignored.
  void Write(int index, const double* src, int nFrames) noexcept;
  // The bank being filled: buffer index (null for invalid indices or size 0)
  // and the frames last written into it.
  const double* GetPendingBuffer(int index) const noexcept;
  int GetPendingFrameCount(int index) const noexcept;
  // Hands the bank being filled to the main thread and takes a free one. The
  // new bank's contents are stale: every buffer is written before it is read.
  void Publish() noexcept;

  // --- Main thread ----------------------------------------------------------

  // Takes the latest published bank, if one was published since the last
  // Acquire; true when it did. Otherwise the bank taken before stays.
  bool Acquire() noexcept;
  // The acquired bank: buffer 0..5 of GetBufferSize() samples (null for other
  // indices and while the size is 0) and the frames the render thread wrote
  // into it (0 for none or an invalid index).
  const double* GetBuffer(int index) const noexcept;
  int GetFrameCount(int index) const noexcept;
  // Frames of a stereo pair of the acquired bank: the smaller count.
  int GetPairFrameCount(int leftIndex, int rightIndex) const noexcept;
  // Zeroes buffer 0..3 of the acquired bank; other indices are ignored.
  void ClearBuffer(int index) noexcept;

private:
  static constexpr int kNumBanks = 3;
  // Set in mShared when the bank there was published and not yet acquired.
  static constexpr int kFresh = 4;

  struct Bank
  {
    std::unique_ptr<double[]> buffers[kNumBuffers];
    int frames[kNumBuffers] = {};
  };

  static bool ValidIndex(int index) noexcept { return index >= 0 && index < kNumBuffers; }

  int mBlockSize = 0;
  Bank mBanks[kNumBanks];
  int mWriteBank = 0; // render thread
  int mReadBank = 1;  // main thread
  // The bank between the two threads, with kFresh. Exchanged by both; the
  // acquire-release exchange hands over the bank's buffers and frame counts.
  std::atomic<int> mShared{2};
};

} // namespace pressweave
