#include "NoInputSource.h"

#include <AudioToolbox/AudioUnitProperties.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pw::host {

long NoInputSource::Read(float* const*, long frames)
{
  const long n = static_cast<long>(std::clamp<std::int64_t>(mFrames - mRead, 0, std::max(frames, 0L)));
  mRead += n;
  return n;
}

Status PrepareInputs(const CommandLine& line, AudioUnit unit, bool unitHasInputs, double sampleRate,
                     const MidiSequence& midi, std::unique_ptr<SignalSource>& main,
                     std::unique_ptr<SignalSource>& sidechain, int& ownOutputs)
{
  ownOutputs = 0;
  if (unitHasInputs)
    return line.lengthSeconds > 0 ? Status::Error("--length applies only to a component without inputs")
                                  : Status::Ok();
  if (!line.inPath.empty() || !line.sidechainPath.empty())
    return Status::Error("the component has no audio input: --in and --sidechain do not apply");
  if (line.lengthSeconds <= 0 && line.midiPath.empty())
    return Status::Error("the component has no audio input: give --length or --midi");

  AudioStreamBasicDescription asbd{};
  UInt32 size = sizeof asbd;
  if (AudioUnitGetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &asbd, &size) != noErr ||
      asbd.mChannelsPerFrame < 1)
    return Status::Error("the component does not report its output channels");
  ownOutputs = static_cast<int>(asbd.mChannelsPerFrame);

  const double seconds = line.lengthSeconds > 0 ? line.lengthSeconds : midi.lengthSeconds + kMidiTailSeconds;
  if (!(seconds <= kMaxLengthSeconds))
  {
    char played[32];
    std::snprintf(played, sizeof played, "%.0f", midi.lengthSeconds);
    return Status::Error("'" + line.midiPath + "' plays for " + played +
                         " s: a render longer than an hour needs --length SECONDS");
  }
  main = std::make_unique<NoInputSource>(sampleRate, std::llround(seconds * sampleRate));
  sidechain.reset();
  return Status::Ok();
}

} // namespace pw::host
