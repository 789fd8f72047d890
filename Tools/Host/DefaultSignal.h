#pragma once
// The built-in signal the host renders when it is given no input file: a
// few bars of program material on the main bus (stereo bass, chords and
// off-beat hats at 120 beats per minute) and a steady kick on every beat on
// the sidechain (mono). Every sample is a function of its frame index alone,
// computed with additions, multiplications, divisions and floor only, so
// the signal has the same bits on every machine, for any block size.

#include "SignalSource.h"

#include <cstdint>

namespace pw::host {

// sin(2 pi cycles) to about 1e-15, from a polynomial: no libm, so it rounds
// the same everywhere.
double DeterministicSine(double cycles) noexcept;

// DeterministicSine of cycles[i] into out[i] for i < n, the same bits, with
// the polynomials of neighbouring values interleaved so they overlap.
void DeterministicSines(const double* cycles, double* out, int n) noexcept;

class DefaultProgramSignal final : public SignalSource
{
public:
  // Length: four bars at kTempo.
  static constexpr double kSeconds = 8.0;
  static constexpr double kTempo = 120.0;

  explicit DefaultProgramSignal(double sampleRate) noexcept;

  int Channels() const noexcept override { return 2; }
  double SampleRate() const noexcept override { return mSampleRate; }
  std::int64_t Frames() const noexcept override { return mFrames; }
  long Read(float* const* channels, long frames) override;
  std::string Describe() const override { return "built-in program"; }

  // The stereo frame at index frame (0 outside the signal).
  void FrameAt(std::int64_t frame, float& left, float& right) const noexcept;

private:
  double mSampleRate;
  std::int64_t mFrames;
  std::int64_t mPosition = 0;
};

class DefaultKickSignal final : public SignalSource
{
public:
  explicit DefaultKickSignal(double sampleRate) noexcept;

  int Channels() const noexcept override { return 1; }
  double SampleRate() const noexcept override { return mSampleRate; }
  std::int64_t Frames() const noexcept override { return mFrames; }
  long Read(float* const* channels, long frames) override;
  std::string Describe() const override { return "built-in kick"; }

  // The sample at index frame (0 outside the signal).
  float SampleAt(std::int64_t frame) const noexcept;

private:
  double mSampleRate;
  std::int64_t mFrames;
  std::int64_t mPosition = 0;
};

} // namespace pw::host
