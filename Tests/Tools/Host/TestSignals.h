#pragma once
// In-memory sources and sinks for the host's tests.

#include "SignalSource.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace pw::test {

// Channels given sample by sample; reads may be split anywhere.
class BufferSource final : public pw::host::SignalSource
{
public:
  BufferSource(std::vector<std::vector<float>> channels, double sampleRate)
  : mChannels(std::move(channels))
  , mSampleRate(sampleRate)
  {}

  // channels x frames of f(channel, frame).
  template <class F>
  static BufferSource Make(int channels, long frames, double sampleRate, F f)
  {
    std::vector<std::vector<float>> data(static_cast<std::size_t>(channels), std::vector<float>(frames));
    for (int c = 0; c < channels; ++c)
      for (long i = 0; i < frames; ++i)
        data[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] = f(c, i);
    return BufferSource(std::move(data), sampleRate);
  }

  int Channels() const noexcept override { return static_cast<int>(mChannels.size()); }
  double SampleRate() const noexcept override { return mSampleRate; }
  std::int64_t Frames() const noexcept override
  {
    return mChannels.empty() ? 0 : static_cast<std::int64_t>(mChannels[0].size());
  }
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

  const std::vector<float>& Channel(int c) const { return mChannels[static_cast<std::size_t>(c)]; }

  std::int64_t failAt = -1; // a read reaching this frame fails

private:
  std::vector<std::vector<float>> mChannels;
  double mSampleRate;
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
