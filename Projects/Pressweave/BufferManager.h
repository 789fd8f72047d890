#pragma once
// The six hand-off buffers between the render thread and the meters' analysis
// on the main thread: 0/1 dry left/right (input meter), 2/3 output left/right
// (output meter), 4/5 sidechain left/right (sidechain meter and the
// compressor's key).
//
// Threads: the render thread writes with Write; the main thread reads with
// GetBuffer and GetFrameCount without a lock, so an analysis may see a block
// that is partly old and partly new. Construction and Reset allocate and run
// on the main thread while the render thread is not processing (activation,
// or an idle tick after the block size changed).

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

  // A different size replaces all six buffers with zero-filled ones and
  // forgets the frame counts; an equal size keeps everything. False when the
  // memory could not be had: buffers and size then stay as they were.
  bool Reset(int blockSize) noexcept;

  // Buffer 0..5 of GetBufferSize() samples, or null for other indices and
  // while the size is 0.
  const double* GetBuffer(int index) const noexcept;
  int GetBufferSize() const noexcept { return mBlockSize; }

  // Zeroes buffer 0..3; other indices are ignored.
  void ClearBuffer(int index) noexcept;

  // Render thread: copies nFrames samples of src into buffer index, or zeros
  // when src is null (a channel that is not there), and records how many
  // samples the buffer now holds: min(nFrames, size). Invalid indices are
  // ignored. Never allocates.
  void Write(int index, const double* src, int nFrames) noexcept;

  // Samples of the last Write into buffer index (0 for none or an invalid
  // index): what the analysis should read, not the whole block size.
  int GetFrameCount(int index) const noexcept;
  // Frames of a stereo pair: the smaller count of the two buffers.
  int GetPairFrameCount(int leftIndex, int rightIndex) const noexcept;

private:
  static bool ValidIndex(int index) noexcept { return index >= 0 && index < kNumBuffers; }

  int mBlockSize = 0;
  std::unique_ptr<double[]> mBuffers[kNumBuffers];
  std::atomic<int> mFrames[kNumBuffers];
};

} // namespace pressweave
