#pragma once
// Where the host's audio comes from and goes to, one block at a time, as
// non-interleaved 32-bit float channels. Read and Write run on the host's
// render loop between slices, not inside the unit's render call.

#include "HostStatus.h"

#include <cstdint>
#include <string>

namespace pw::host {

class SignalSource
{
public:
  virtual ~SignalSource() = default;

  virtual int Channels() const noexcept = 0;
  // Frames per second.
  virtual double SampleRate() const noexcept = 0;
  // Total frames the source holds.
  virtual std::int64_t Frames() const noexcept = 0;
  // Reads the next frames (at most kMaxReadFrames) into channels[0 ..
  // Channels()), each with room for frames floats. Answers the frames read:
  // fewer than asked only at the end of the source; -1 on a read failure.
  virtual long Read(float* const* channels, long frames) = 0;
  // For messages and the summary: the file name or "built-in ...".
  virtual std::string Describe() const = 0;

  static constexpr long kMaxReadFrames = 65536;
};

class SignalSink
{
public:
  virtual ~SignalSink() = default;
  // Appends frames frames of channels[0 .. the sink's channel count).
  virtual Status Write(const float* const* channels, long frames) = 0;
};

} // namespace pw::host
