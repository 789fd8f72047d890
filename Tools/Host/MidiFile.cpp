#include "MidiFile.h"

#include <AudioToolbox/MusicDevice.h>

#include <glib.h>
#include <smf.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

namespace pw::host {

namespace {

// The MIDI library reports parse problems through GLib's log and reads on
// past a damaged part. While it reads, the first problem is kept here
// instead of printed: the host turns it into its own one-line error.
class GLibLogCapture
{
public:
  GLibLogCapture() noexcept
  : mPrevious(g_log_set_default_handler(&Keep, this))
  {}
  ~GLibLogCapture() { g_log_set_default_handler(mPrevious, nullptr); }
  GLibLogCapture(const GLibLogCapture&) = delete;
  GLibLogCapture& operator=(const GLibLogCapture&) = delete;

  // The first warning or error, empty when there was none.
  const std::string& FirstProblem() const noexcept { return mFirst; }

private:
  static void Keep(const gchar*, GLogLevelFlags level, const gchar* message, gpointer self)
  {
    auto* capture = static_cast<GLibLogCapture*>(self);
    if ((level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING)) && capture->mFirst.empty())
      capture->mFirst = message && *message ? message : "unknown problem";
  }
  GLogFunc mPrevious;
  std::string mFirst;
};

struct SmfDeleter
{
  void operator()(smf_t* smf) const noexcept { smf_delete(smf); }
};

// Bytes of a channel message with the given status byte, 0 for others.
int ChannelMessageLength(unsigned char status) noexcept
{
  switch (status & 0xF0)
  {
    case 0x80: case 0x90: case 0xA0: case 0xB0: case 0xE0: return 3;
    case 0xC0: case 0xD0: return 2;
    default: return 0;
  }
}

// Walks the file's chunks and every track's events within their bounds, and
// checks the header's format and time division: the MIDI library reads past
// the end of a damaged file and leaks on the files it refuses. Answers the
// first problem, empty for a file the library reads. Unknown chunks are
// skipped.
class StructureCheck
{
public:
  explicit StructureCheck(const std::vector<unsigned char>& bytes) noexcept
  : mBytes(bytes)
  {}

  std::string Problem()
  {
    if (mBytes.size() < 14 || std::string(mBytes.begin(), mBytes.begin() + 4) != "MThd" || Be(4, 4) < 6)
      return "no MIDI file header";
    const std::size_t format = Be(8, 2), tracks = Be(10, 2), division = Be(12, 2);
    if (format > 1 || (format == 0 && tracks != 1))
      return "format " + std::to_string(format) + " with " + std::to_string(tracks) +
             " tracks (formats 0 with one track and 1 are read)";
    if (division == 0 || division >= 0x8000)
      return "its time division is not in ticks per quarter note";
    std::size_t found = 0;
    for (std::size_t at = 8 + Be(4, 4); at < mBytes.size();)
    {
      if (mBytes.size() - at < 8 || Be(at + 4, 4) > mBytes.size() - at - 8)
        return "a chunk runs past the end of the file";
      const std::size_t end = at + 8 + Be(at + 4, 4);
      if (std::string(mBytes.begin() + at, mBytes.begin() + at + 4) == "MTrk")
      {
        ++found;
        if (!TrackIsWhole(at + 8, end))
          return "track " + std::to_string(found) + " is damaged";
      }
      at = end;
    }
    if (found != tracks)
      return "the header names " + std::to_string(tracks) + " tracks, the file holds " + std::to_string(found);
    return {};
  }

private:
  std::size_t Be(std::size_t at, int n) const noexcept
  {
    std::size_t v = 0;
    for (int i = 0; i < n; ++i)
      v = v << 8 | mBytes[at + i];
    return v;
  }

  // A variable-length quantity of at most four bytes inside [at, end).
  bool Vlq(std::size_t& at, std::size_t end, std::size_t& value) const noexcept
  {
    value = 0;
    for (int i = 0; i < 4 && at < end; ++i)
    {
      const unsigned char b = mBytes[at++];
      value = value << 7 | (b & 0x7F);
      if (!(b & 0x80))
        return true;
    }
    return false;
  }

  // Every event inside [at, end), the last one the end-of-track event.
  bool TrackIsWhole(std::size_t at, std::size_t end) const noexcept
  {
    unsigned char running = 0;
    bool ended = false;
    std::size_t n = 0;
    while (at < end && !ended)
    {
      if (!Vlq(at, end, n) || at >= end)
        return false;
      unsigned char status = mBytes[at];
      if (status >= 0x80)
        ++at;
      else if (running == 0)
        return false;
      else
        status = running;
      if (status == 0xFF || status == 0xF0 || status == 0xF7)
      {
        const bool endOfTrack = status == 0xFF && at < end && mBytes[at] == 0x2F;
        if (status == 0xFF && at++ >= end)
          return false;
        if (!Vlq(at, end, n) || n > end - at)
          return false;
        at += n;
        ended = endOfTrack;
        running = 0;
        continue;
      }
      if (status >= 0xF0)
        return false;
      running = status;
      const std::size_t data = ChannelMessageLength(status) - 1;
      if (data > end - at)
        return false;
      at += data;
    }
    return ended;
  }

  const std::vector<unsigned char>& mBytes;
};

} // namespace

Status ReadMidiFile(const std::string& path, double sampleRate, MidiSequence& out)
{
  const std::string name = "'" + path + "'";
  std::ifstream file(path, std::ios::binary);
  if (!file)
    return Status::Error("cannot open the MIDI file " + name);
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad() || bytes.size() > static_cast<std::size_t>(INT_MAX))
    return Status::Error("cannot read the MIDI file " + name);

  std::string problem = StructureCheck(bytes).Problem();
  std::unique_ptr<smf_t, SmfDeleter> smf;
  if (problem.empty())
  {
    GLibLogCapture capture;
    smf.reset(smf_load_from_memory(bytes.data(), static_cast<int>(bytes.size())));
    problem = capture.FirstProblem();
  }
  if (!smf || !problem.empty())
    return Status::Error(name + " is not a readable Standard MIDI File" + (problem.empty() ? "" : ": " + problem));

  MidiSequence sequence;
  smf_rewind(smf.get());
  for (smf_event_t* event; (event = smf_get_next_event(smf.get())) != nullptr;)
  {
    if (event->midi_buffer_length < 1)
      continue;
    const int length = ChannelMessageLength(event->midi_buffer[0]);
    if (length == 0 || event->midi_buffer_length < length)
      continue;
    TimedMidiEvent timed;
    timed.frame = std::llround(event->time_seconds * sampleRate);
    timed.status = event->midi_buffer[0];
    timed.data1 = event->midi_buffer[1] & 0x7F;
    timed.data2 = length == 3 ? event->midi_buffer[2] & 0x7F : 0;
    sequence.events.push_back(timed);
  }
  sequence.lengthSeconds = smf_get_length_seconds(smf.get());
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
