#pragma once
// A reader of Standard MIDI Files held in memory: format 0 (one track) and
// format 1, timed in ticks per quarter note, with running status, tempo
// changes from any track, and system-exclusive (F0, F7) and meta events
// read past. Chunks other than tracks are skipped. Format 2, SMPTE timing
// and a format 0 file of more than one track are refused. Everything is
// read within the given bytes; nothing is kept of them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pw::host {

// A channel message at the time it sounds.
struct MidiFileEvent
{
  double seconds = 0.0;    // from the start of the file
  std::uint8_t status = 0; // 0x80 to 0xEF
  std::uint8_t data1 = 0;  // 0 to 127
  std::uint8_t data2 = 0;  // 0 to 127; 0 for program change and channel pressure
};

struct MidiFileContents
{
  std::vector<MidiFileEvent> events; // in time order; ties keep the file's order, track after track
  double lengthSeconds = 0.0;        // the end of the track that ends last
};

class MidiFileReader
{
public:
  // Reads the file in bytes. Answers an empty text and fills out, or what
  // is wrong in a few words ("track 2 is damaged: ...") and leaves out as
  // it was.
  static std::string Read(const std::uint8_t* bytes, std::size_t size, MidiFileContents& out);

private:
  // A channel message, or a tempo change (status 0), at its tick.
  struct TickEvent
  {
    std::uint64_t tick;
    std::uint32_t tempoMicroseconds; // per quarter note; tempo changes only
    std::uint8_t status, data1, data2;
  };

  MidiFileReader(const std::uint8_t* bytes, std::size_t size) noexcept
  : mBytes(bytes)
  , mSize(size)
  {}

  std::string ReadChunks();
  // The events of the track in [at, end); answers the problem, empty when whole.
  std::string ReadTrack(std::size_t at, std::size_t end);
  std::uint32_t BigEndian(std::size_t at, int n) const noexcept;
  bool VariableLength(std::size_t& at, std::size_t end, std::uint32_t& value) const noexcept;
  // The channel messages in time order, in seconds through the tempo changes.
  MidiFileContents Timed();

  const std::uint8_t* mBytes;
  std::size_t mSize;
  std::uint32_t mTicksPerQuarter = 0;
  std::vector<TickEvent> mEvents; // track after track, each in its order
  std::uint64_t mEndTick = 0;     // of the track that ends last
};

} // namespace pw::host
