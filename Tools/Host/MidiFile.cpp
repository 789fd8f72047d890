#include "MidiFile.h"

#include <AudioToolbox/MusicDevice.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

namespace pw::host {

namespace {

// Far past any render (frames are clamped here before they are rounded to
// an integer).
constexpr double kLastFrame = 4.0e18;

} // namespace

Status ReadMidiFile(const std::string& path, double sampleRate, MidiSequence& out)
{
  const std::string name = "'" + path + "'";
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file)
    return Status::Error("cannot open the MIDI file " + name);
  const std::streamoff size = file.tellg();
  if (size > static_cast<std::streamoff>(kMaxMidiFileBytes))
    return Status::Error(name + " is larger than " + std::to_string(kMaxMidiFileBytes >> 20) +
                         " MiB: not a MIDI file the host plays");
  file.seekg(0);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (size < 0 || file.bad() || bytes.size() != static_cast<std::size_t>(size))
    return Status::Error("cannot read the MIDI file " + name);

  MidiFileContents contents;
  const std::string problem = MidiFileReader::Read(bytes.data(), bytes.size(), contents);
  if (!problem.empty())
    return Status::Error(name + " is not a readable Standard MIDI File: " + problem);

  MidiSequence sequence;
  sequence.events.reserve(contents.events.size());
  for (const MidiFileEvent& e : contents.events)
    sequence.events.push_back(
      {std::llround(std::min(e.seconds * sampleRate, kLastFrame)), e.status, e.data1, e.data2});
  sequence.lengthSeconds = contents.lengthSeconds;
  out = std::move(sequence);
  return Status::Ok();
}

Status SendMidiForSlice(AudioUnit unit, const MidiSequence& sequence, std::size_t& next, std::int64_t sliceStart,
                        UInt32 frames)
{
  const std::int64_t sliceEnd = sliceStart + frames;
  for (; next < sequence.events.size() && sequence.events[next].frame < sliceEnd; ++next)
  {
    const TimedMidiEvent& e = sequence.events[next];
    const auto offset = static_cast<UInt32>(e.frame > sliceStart ? e.frame - sliceStart : 0);
    const OSStatus status = MusicDeviceMIDIEvent(unit, e.status, e.data1, e.data2, offset);
    if (status == static_cast<OSStatus>(badComponentSelector))
      return Status::Error("the component takes no MIDI input");
    if (status != noErr)
      return Status::Error("the component refused a MIDI event at frame " + std::to_string(e.frame) + " (status " +
                           std::to_string(status) + ")");
  }
  return Status::Ok();
}

} // namespace pw::host
