#include "MidiFile.h"

#include <AudioToolbox/MusicDevice.h>

#include <glib.h>
#include <smf.h>

#include <cmath>
#include <cstdio>
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

} // namespace

Status ReadMidiFile(const std::string& path, double sampleRate, MidiSequence& out)
{
  const std::string name = "'" + path + "'";
  std::FILE* probe = std::fopen(path.c_str(), "rb");
  if (!probe)
    return Status::Error("cannot open the MIDI file " + name);
  std::fclose(probe);

  std::unique_ptr<smf_t, SmfDeleter> smf;
  std::string problem;
  {
    GLibLogCapture capture;
    smf.reset(smf_load(path.c_str()));
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
