#include "IGaussianBlur.h"

#include <algorithm>
#include <cmath>

namespace weft::canvas {

IGaussianBlur::IGaussianBlur(double radius)
{
  radius = std::clamp(std::isnan(radius) ? 1.0 : radius, 1.0, static_cast<double>(kMaxSize));
  const int size = static_cast<int>(std::ceil(radius));
  const double r2 = radius * radius;
  mKernel.resize(static_cast<size_t>(size));
  for (int i = 0; i < size; i++)
    mKernel[static_cast<size_t>(i)] = static_cast<uint8_t>(std::lround(255.0 * std::exp(-double(i) * i * 4.5 / r2)));
  mNorm = mKernel[0];
  for (int i = 1; i < size; i++)
    mNorm += 2 * mKernel[static_cast<size_t>(i)];
}

uint8_t IGaussianBlur::Clamped(const uint8_t* src, int i, int count) const
{
  const int size = Size();
  uint64_t sum = uint64_t(mKernel[0]) * src[4 * i];
  for (int j = 1; j < size && j <= i; j++)
    sum += uint64_t(mKernel[static_cast<size_t>(j)]) * src[4 * (i - j)];
  for (int j = 1; j < size && i + j < count; j++)
    sum += uint64_t(mKernel[static_cast<size_t>(j)]) * src[4 * (i + j)];
  return static_cast<uint8_t>(std::min<uint64_t>(255, sum / static_cast<uint64_t>(mNorm)));
}

void IGaussianBlur::BlurRows(const uint8_t* src, ptrdiff_t srcRowStride, int rows, int count, uint8_t* dst,
                             ptrdiff_t dstSampleStride) const
{
  const int size = Size();
  const int cap = 2 * size + 1;
  const uint8_t* k = mKernel.data();
  for (int r = 0; r < rows; r++, src += srcRowStride)
  {
    uint8_t* out = dst + 4 * static_cast<ptrdiff_t>(r);
    auto put = [&](int i, uint8_t v) { out[i * dstSampleStride] = v; };
    // Rows too short for a full window get the cut kernel everywhere.
    const int middleEnd = count >= 2 * size - 1 ? count - size : -1;
    const int leftEnd = middleEnd < 0 ? count : size - 1;
    for (int i = 0; i < leftEnd; i++)
      put(i, Clamped(src, i, count));
    if (middleEnd < 0)
      continue;

    int run = 0;
    int seen = -1; // the last sample the run counter has taken in
    auto advance = [&](int upTo) {
      for (; seen < upTo; seen++)
      {
        const int s = seen + 1;
        run = (s == 0 || src[4 * s] != src[4 * (s - 1)]) ? 1 : std::min(run + 1, cap);
      }
    };
    advance(2 * size - 3);
    for (int i = size - 1; i <= middleEnd; i++)
    {
      advance(i + size - 1);
      if (run >= cap)
      {
        put(i, src[4 * i]);
        continue;
      }
      uint64_t sum = uint64_t(k[0]) * src[4 * i];
      for (int j = 1; j < size; j++)
        sum += uint64_t(k[j]) * (uint32_t(src[4 * (i - j)]) + src[4 * (i + j)]);
      put(i, static_cast<uint8_t>(std::min<uint64_t>(255, sum / static_cast<uint64_t>(mNorm))));
    }
    for (int i = middleEnd + 1; i < count; i++)
      put(i, Clamped(src, i, count));
  }
}

bool IGaussianBlur::Apply(uint8_t* data, size_t dataSize, int w, int h, int channel, bool flipped,
                          std::vector<uint8_t>& scratch) const
{
  if (!data || w <= 0 || h <= 0 || channel < 0 || channel > 3 ||
      dataSize != size_t(w) * size_t(h) * 4)
    return false;
  scratch.assign(dataSize, 0);
  const ptrdiff_t rowBytes = static_cast<ptrdiff_t>(dataSize / size_t(h));
  const ptrdiff_t columnBytes = static_cast<ptrdiff_t>(dataSize / size_t(w));
  const uint8_t* first = data + channel + (flipped ? rowBytes * (h - 1) : 0);
  // Horizontal, transposing into the scratch buffer; then vertical, back.
  BlurRows(first, flipped ? -rowBytes : rowBytes, h, w, scratch.data() + channel, columnBytes);
  BlurRows(scratch.data() + channel, columnBytes, w, h, data + channel, rowBytes);
  return true;
}

} // namespace weft::canvas
