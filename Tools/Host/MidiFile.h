#pragma once
// Standard MIDI Files (formats 0 and 1, tempo changes included) read into
// channel messages stamped with the frame at which they sound, and sent to
// a unit slice by slice. Main thread.

#include "HostStatus.h"
#include "MidiFileReader.h"

#include <AudioToolbox/AUComponent.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pw::host {

// Larger files are refused unread.
inline constexpr std::size_t kMaxMidiFileBytes = std::size_t(16) << 20;

struct TimedMidiEvent
{
  std::int64_t frame = 0; // from the start of the render
  std::uint8_t status = 0;
  std::uint8_t data1 = 0;
  std::uint8_t data2 = 0;
};

struct MidiSequence
{
  std::vector<TimedMidiEvent> events; // in time order; ties keep the file's order
  double lengthSeconds = 0.0;         // the end of the file's last track
};

// Reads the channel messages of the file at path (meta events and SysEx are
// skipped) at sampleRate frames per second. A missing, damaged, unsupported
// (see MidiFileReader) or too large file is one error naming the file; out
// is left as it was.
Status ReadMidiFile(const std::string& path, double sampleRate, MidiSequence& out);

// Sends the events that fall in the slice of frames frames starting at
// sliceStart with MusicDeviceMIDIEvent at their offsets in it; next is the
// index of the first event not sent yet and moves past those sent.
Status SendMidiForSlice(AudioUnit unit, const MidiSequence& sequence, std::size_t& next, std::int64_t sliceStart,
                        UInt32 frames);

} // namespace pw::host
