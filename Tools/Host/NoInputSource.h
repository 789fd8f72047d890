#pragma once
// Rendering a unit that has no input bus (an instrument): a source without
// channels that only sets how many frames are rendered, and the checks and
// choices the render command makes for such a unit. Main thread.

#include "CommandLine.h"
#include "HostStatus.h"
#include "MidiFile.h"
#include "SignalSource.h"

#include <AudioToolbox/AUComponent.h>

#include <memory>

namespace pw::host {

class NoInputSource final : public SignalSource
{
public:
  NoInputSource(double sampleRate, std::int64_t frames) noexcept
  : mSampleRate(sampleRate), mFrames(frames)
  {}

  int Channels() const noexcept override { return 0; }
  double SampleRate() const noexcept override { return mSampleRate; }
  std::int64_t Frames() const noexcept override { return mFrames; }
  long Read(float* const*, long frames) override;
  std::string Describe() const override { return "(no input)"; }

private:
  double mSampleRate;
  std::int64_t mFrames;
  std::int64_t mRead = 0;
};

// For a unit with input buses: refuses --length, which only applies to a
// unit without inputs.
// For a unit without: refuses --in and --sidechain, replaces main with a
// NoInputSource of --length (or the MIDI file's length plus
// kMidiTailSeconds, refused when that is longer than kMaxLengthSeconds;
// one of both is needed), drops sidechain and answers
// the unit's output channel count in ownOutputs (0 for a unit with inputs).
Status PrepareInputs(const CommandLine& line, AudioUnit unit, bool unitHasInputs, double sampleRate,
                     const MidiSequence& midi, std::unique_ptr<SignalSource>& main,
                     std::unique_ptr<SignalSource>& sidechain, int& ownOutputs);

} // namespace pw::host
