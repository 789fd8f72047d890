#include "MidiFileReader.h"

#include <algorithm>
#include <cstring>

namespace pw::host {

namespace {

constexpr std::uint32_t kDefaultTempoMicroseconds = 500000; // 120 quarter notes a minute
constexpr std::uint8_t kMeta = 0xFF, kMetaEndOfTrack = 0x2F, kMetaTempo = 0x51;

// Data bytes after a channel status byte; 0 for other status bytes.
std::size_t ChannelDataBytes(std::uint8_t status) noexcept
{
  switch (status & 0xF0)
  {
    case 0x80: case 0x90: case 0xA0: case 0xB0: case 0xE0: return 2;
    case 0xC0: case 0xD0: return 1;
    default: return 0;
  }
}

} // namespace

std::string MidiFileReader::Read(const std::uint8_t* bytes, std::size_t size, MidiFileContents& out)
{
  MidiFileReader reader(bytes, size);
  std::string problem = reader.ReadChunks();
  if (problem.empty())
    out = reader.Timed();
  return problem;
}

std::uint32_t MidiFileReader::BigEndian(std::size_t at, int n) const noexcept
{
  std::uint32_t value = 0;
  for (int i = 0; i < n; ++i)
    value = value << 8 | mBytes[at + i];
  return value;
}

// At most four bytes, all inside [at, end).
bool MidiFileReader::VariableLength(std::size_t& at, std::size_t end, std::uint32_t& value) const noexcept
{
  value = 0;
  for (int i = 0; i < 4 && at < end; ++i)
  {
    const std::uint8_t b = mBytes[at++];
    value = value << 7 | (b & 0x7F);
    if (!(b & 0x80))
      return true;
  }
  return false;
}

std::string MidiFileReader::ReadChunks()
{
  if (mSize < 14 || std::memcmp(mBytes, "MThd", 4) != 0 || BigEndian(4, 4) < 6 || BigEndian(4, 4) > mSize - 8)
    return "no MIDI file header";
  const std::uint32_t format = BigEndian(8, 2), tracks = BigEndian(10, 2), division = BigEndian(12, 2);
  if (format > 1 || (format == 0 && tracks != 1))
    return "format " + std::to_string(format) + " with " + std::to_string(tracks) +
           " tracks (formats 0 with one track and 1 are read)";
  if (division == 0 || division >= 0x8000)
    return "its time division is not in ticks per quarter note";
  mTicksPerQuarter = division;

  std::uint32_t found = 0;
  for (std::size_t at = 8 + BigEndian(4, 4); at < mSize;)
  {
    if (mSize - at < 8 || BigEndian(at + 4, 4) > mSize - at - 8)
      return "a chunk runs past the end of the file";
    const std::size_t end = at + 8 + BigEndian(at + 4, 4);
    if (std::memcmp(mBytes + at, "MTrk", 4) == 0)
    {
      ++found;
      const std::string problem = ReadTrack(at + 8, end);
      if (!problem.empty())
        return "track " + std::to_string(found) + " is damaged: " + problem;
    }
    at = end;
  }
  if (found != tracks)
    return "the header names " + std::to_string(tracks) + " tracks, the file holds " + std::to_string(found);
  return {};
}

// System-exclusive and meta events end a running status.
std::string MidiFileReader::ReadTrack(std::size_t at, std::size_t end)
{
  std::uint64_t tick = 0;
  std::uint8_t running = 0;
  while (at < end)
  {
    std::uint32_t delta = 0;
    if (!VariableLength(at, end, delta) || at >= end)
      return "an event is cut short";
    tick += delta;
    std::uint8_t status = mBytes[at];
    if (status >= 0x80)
      ++at;
    else if (running == 0)
      return "a data byte without a status";
    else
      status = running;

    if (status == kMeta || status == 0xF0 || status == 0xF7)
    {
      std::uint8_t type = 0;
      if (status == kMeta && at < end)
        type = mBytes[at++];
      else if (status == kMeta)
        return "an event is cut short";
      std::uint32_t length = 0;
      if (!VariableLength(at, end, length) || length > end - at)
        return "an event is cut short";
      if (status == kMeta && type == kMetaTempo)
      {
        if (length != 3)
          return "a tempo change of " + std::to_string(length) + " bytes (3 expected)";
        mEvents.push_back({tick, BigEndian(at, 3), 0, 0, 0});
      }
      at += length;
      running = 0;
      if (status == kMeta && type == kMetaEndOfTrack)
      {
        mEndTick = std::max(mEndTick, tick);
        return {};
      }
      continue;
    }
    const std::size_t data = ChannelDataBytes(status);
    if (data == 0)
    {
      static const char kHex[] = "0123456789ABCDEF";
      return std::string("status byte ") + kHex[status >> 4] + kHex[status & 0x0F] + " is not an event of a MIDI file";
    }
    if (data > end - at)
      return "an event is cut short";
    if (mBytes[at] >= 0x80 || (data == 2 && mBytes[at + 1] >= 0x80))
      return "a channel message with a status byte as data";
    running = status;
    mEvents.push_back({tick, 0, status, mBytes[at], data == 2 ? mBytes[at + 1] : std::uint8_t(0)});
    at += data;
  }
  return "it has no end-of-track event";
}

MidiFileContents MidiFileReader::Timed()
{
  std::stable_sort(mEvents.begin(), mEvents.end(),
                   [](const TickEvent& a, const TickEvent& b) { return a.tick < b.tick; });
  MidiFileContents contents;
  contents.events.reserve(mEvents.size());
  // Seconds at the latest tempo change, and the tempo from there on. The
  // ticks are multiplied before they are divided, so that whole numbers of
  // quarters come out exact.
  std::uint64_t fromTick = 0;
  double fromSeconds = 0.0;
  double tempoMicroseconds = kDefaultTempoMicroseconds;
  const double divisor = 1.0e6 * mTicksPerQuarter;
  const auto secondsAt = [&](std::uint64_t tick) {
    return fromSeconds + static_cast<double>(tick - fromTick) * tempoMicroseconds / divisor;
  };
  for (const TickEvent& e : mEvents)
  {
    if (e.status != 0)
    {
      contents.events.push_back({secondsAt(e.tick), e.status, e.data1, e.data2});
      continue;
    }
    fromSeconds = secondsAt(e.tick);
    fromTick = e.tick;
    tempoMicroseconds = e.tempoMicroseconds;
  }
  contents.lengthSeconds = secondsAt(mEndTick); // every event of a track comes before its end
  return contents;
}

} // namespace pw::host
