#pragma once
// The integer Gaussian blur behind layer drop shadows: two passes of a
// one-dimensional kernel over one byte channel of a 4-byte-per-pixel mask,
// in place, with one scratch buffer of the mask's size.
//
// Near the ends of a row the kernel is cut (never renormalised), so the
// blurred mask fades towards the edges. Runs of equal samples longer than
// the kernel are copied through without summing.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace weft::canvas {

class IGaussianBlur
{
public:
  // Kernels are limited to this many taps: a radius beyond it (or not a
  // number) is clamped.
  static constexpr int kMaxSize = 1 << 16;

  // radius in pixels; below 1 acts as 1 (a one-tap kernel: no blur).
  explicit IGaussianBlur(double radius);

  int Size() const noexcept { return static_cast<int>(mKernel.size()); }
  const std::vector<uint8_t>& Kernel() const noexcept { return mKernel; }
  // k[0] + 2 (k[1] + ... + k[size - 1]).
  int Norm() const noexcept { return mNorm; }

  // Blurs byte channel `channel` (0..3) of a w x h mask of 4-byte pixels,
  // rows one after another; flipped: the rows are stored bottom-up. The
  // result is written back top-down from the start of data. scratch is
  // resized to the mask's size. False, with data untouched, unless
  // dataSize is exactly w x h x 4 and w, h > 0.
  bool Apply(uint8_t* data, size_t dataSize, int w, int h, int channel, bool flipped,
             std::vector<uint8_t>& scratch) const;

  // One pass: `rows` rows of `count` samples 4 bytes apart, row r starting
  // at src + r x srcRowStride; sample i of row r goes to
  // dst[i x dstSampleStride + r x 4].
  void BlurRows(const uint8_t* src, ptrdiff_t srcRowStride, int rows, int count, uint8_t* dst,
                ptrdiff_t dstSampleStride) const;

private:
  // The cut kernel at sample i of a row of count samples.
  uint8_t Clamped(const uint8_t* src, int i, int count) const;

  std::vector<uint8_t> mKernel;
  int mNorm = 0;
};

} // namespace weft::canvas
