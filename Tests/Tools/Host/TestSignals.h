#pragma once
// In-memory sources and sinks for the host's tests.

#include "SignalSource.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace pw::test {

// channels x frames of f(channel, frame) at 48 kHz; reads may be split anywhere.
class BufferSource final : public pw::host::SignalSource
{
public:
  template <class F>
  BufferSource(int channels, long frames, F f)
  : mChannels(static_cast<std::size_t>(channels), std::vector<float>(static_cast<std::size_t>(frames)))
  {
    for (int c = 0; c < channels; ++c)
      for (long i = 0; i < frames; ++i)
        mChannels[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] = f(c, i);
  }

  int Channels() const noexcept override { return static_cast<int>(mChannels.size()); }
  double SampleRate() const noexcept override { return 48000.0; }
  std::int64_t Frames() const noexcept override { return static_cast<std::int64_t>(mChannels[0].size()); }
  long Read(float* const* channels, long frames) override
  {
    if (failAt >= 0 && mPosition + frames > failAt)
      return -1;
    const long n = static_cast<long>(std::min<std::int64_t>(frames, Frames() - mPosition));
    for (std::size_t c = 0; c < mChannels.size(); ++c)
      std::copy_n(mChannels[c].begin() + mPosition, n, channels[c]);
    mPosition += n;
    return n;
  }
  std::string Describe() const override { return "test buffer"; }

  std::int64_t failAt = -1; // a read reaching this frame fails

private:
  std::vector<std::vector<float>> mChannels;
  std::int64_t mPosition = 0;
};

class BufferSink final : public pw::host::SignalSink
{
public:
  explicit BufferSink(int channels)
  : channels(static_cast<std::size_t>(channels))
  {}

  pw::host::Status Write(const float* const* data, long frames) override
  {
    for (std::size_t c = 0; c < channels.size(); ++c)
      channels[c].insert(channels[c].end(), data[c], data[c] + frames);
    return pw::host::Status::Ok();
  }

  std::vector<std::vector<float>> channels;
};

} // namespace pw::test
