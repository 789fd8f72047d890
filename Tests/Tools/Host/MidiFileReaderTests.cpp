// Standard MIDI Files read from memory: running status, tempo changes from
// any track, system-exclusive and meta events read past, unknown chunks
// skipped, and damaged or unsupported files refused with a reason.

#include "MidiFileReader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

using pw::host::MidiFileContents;
using pw::host::MidiFileReader;

namespace {

std::string Be(unsigned value, int n) // big-endian, n bytes
{
  std::string b;
  for (int i = n - 1; i >= 0; --i)
    b += static_cast<char>((value >> (8 * i)) & 0xFF);
  return b;
}

std::string Bytes(std::initializer_list<int> bytes)
{
  std::string b;
  for (int x : bytes)
    b += static_cast<char>(x);
  return b;
}

std::string Chunk(const std::string& tag, const std::string& body)
{
  return tag + Be(static_cast<unsigned>(body.size()), 4) + body;
}

std::string Header(int format, int tracks, int division = 480)
{
  return Chunk("MThd", Be(format, 2) + Be(tracks, 2) + Be(division, 2));
}

// A track of events closed by an end-of-track event.
std::string Track(const std::string& events)
{
  return Chunk("MTrk", events + Bytes({0x00, 0xFF, 0x2F, 0x00}));
}

std::string Seed(const std::string& name)
{
  const char* root = std::getenv("PW_SOURCE_DIR");
  std::ifstream in(std::string(root ? root : ".") + "/Tests/Fuzz/Corpus/midi/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

using Event = std::tuple<double, int, int, int>;

std::vector<Event> Events(const MidiFileContents& contents)
{
  std::vector<Event> events;
  for (const auto& e : contents.events)
    events.emplace_back(e.seconds, e.status, e.data1, e.data2);
  return events;
}

std::string Read(const std::string& file, MidiFileContents& contents)
{
  return MidiFileReader::Read(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), contents);
}

} // namespace

// The fuzz seeds: format 0 with an unknown chunk before its track, F0 and
// escaped F7 events, a text event, a program change, a pitch bend and
// running status (a note-off as a note-on of velocity 0); format 1 with the
// tempo map in its first track, a divided F0/F7 message and unknown chunks
// between and after the tracks. Both halve the tempo at 1 s.
TEST(MidiFileReader, ReadsBothFormatsWithRunningStatusTempoChangesAndSystemExclusiveAndMetaEvents)
{
  MidiFileContents contents;
  ASSERT_EQ(Read(Seed("format0-running-status.mid"), contents), "");
  EXPECT_EQ(Events(contents), (std::vector<Event>{{0.0, 0xC0, 5, 0},
                                                  {0.0, 0x90, 0x45, 0x64},
                                                  {0.5, 0x90, 0x45, 0},
                                                  {1.0, 0x90, 0x4C, 0x64},
                                                  {1.0, 0xE0, 0, 0x40},
                                                  {2.0, 0x90, 0x4C, 0}}));
  EXPECT_EQ(contents.lengthSeconds, 2.0);
  // Three messages at tick 0 in the third track come after the second's.
  ASSERT_EQ(Read(Seed("format1-tempo-sysex.mid"), contents), "");
  EXPECT_EQ(Events(contents), (std::vector<Event>{{0.0, 0x90, 0x45, 0x64},
                                                  {0.0, 0xB0, 7, 0x64},
                                                  {0.0, 0xB0, 10, 0x40},
                                                  {0.0, 0xD0, 0x30, 0},
                                                  {0.5, 0x90, 0x45, 0},
                                                  {1.0, 0x91, 0x4C, 0x64},
                                                  {2.0, 0x91, 0x4C, 0}}));
  EXPECT_EQ(contents.lengthSeconds, 2.0);
}

TEST(MidiFileReader, TimesEveryTrackByTheTempoChangesOfAllTracks)
{
  // 480 ticks at 0.5 s a quarter, then 480 at 0.25 s.
  const std::string file = Header(1, 2) + Track(Bytes({0x00, 0x90, 0x3C, 0x64, 0x87, 0x40, 0x80, 0x3C, 0x40})) +
                           Track(Bytes({0x83, 0x60, 0xFF, 0x51, 0x03}) + Be(250000, 3));
  MidiFileContents contents;
  ASSERT_EQ(Read(file, contents), "");
  EXPECT_EQ(Events(contents), (std::vector<Event>{{0.0, 0x90, 0x3C, 0x64}, {0.75, 0x80, 0x3C, 0x40}}));
  EXPECT_EQ(contents.lengthSeconds, 0.75);
}

TEST(MidiFileReader, TimesEventsYearsAwayWithoutOverflow)
{
  // The slowest tempo at one tick a quarter and the longest deltas, in 47
  // bytes: the note ends about 142 years in.
  MidiFileContents contents;
  ASSERT_EQ(Read(Seed("long-deltas.mid"), contents), "");
  const double delta = ((1 << 28) - 1) * (0xFFFFFF / 1.0e6);
  ASSERT_EQ(contents.events.size(), 2u);
  EXPECT_DOUBLE_EQ(contents.events[1].seconds, delta);
  EXPECT_DOUBLE_EQ(contents.lengthSeconds, 2 * delta);
}

TEST(MidiFileReader, RefusesDamagedAndUnsupportedFilesWithAReasonLeavingTheContentsAsTheyWere)
{
  const std::string note = Bytes({0x00, 0x90, 0x45, 0x64});
  const struct
  {
    std::string file;
    std::string problem;
  } cases[] = {
    {"no MIDI", "no MIDI file header"},
    {"MThd" + Be(5, 4) + Be(0, 2) + Be(1, 2) + Be(480, 2), "no MIDI file header"},
    {"MThd" + Be(60, 4) + Be(0, 2) + Be(1, 2) + Be(480, 2), "no MIDI file header"},
    {Header(2, 1) + Track(note), "format 2 with 1 tracks (formats 0 with one track and 1 are read)"},
    {Header(0, 2) + Track(note) + Track(note), "format 0 with 2 tracks"},
    {Header(0, 1, 0xE728) + Track(note), "its time division is not in ticks per quarter note"},
    {Header(0, 1) + "XFIH" + Be(100, 4) + "ab", "a chunk runs past the end of the file"},
    {Header(0, 1) + Track(note) + "MTr", "a chunk runs past the end of the file"},
    {Header(1, 2) + Track(note), "the header names 2 tracks, the file holds 1"},
    {Header(0, 1) + Track(Bytes({0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1})),
     "track 1 is damaged: a tempo change of 2 bytes (3 expected)"},
    {Header(0, 1) + Track(Bytes({0x00, 0x45, 0x64})), "track 1 is damaged: a data byte without a status"},
    {Header(0, 1) + Track(note + Bytes({0x00, 0xF0, 0x01, 0xF7, 0x00, 0x45, 0x00})),
     "track 1 is damaged: a data byte without a status"},
    {Header(0, 1) + Track(Bytes({0x00, 0xF4})), "track 1 is damaged: status byte F4 is not an event of a MIDI file"},
    {Header(0, 1) + Track(Bytes({0x00, 0x90, 0x45, 0xE4})),
     "track 1 is damaged: a channel message with a status byte as data"},
    {Header(0, 1) + Chunk("MTrk", note), "track 1 is damaged: it has no end-of-track event"},
    {Header(0, 1) + Chunk("MTrk", Bytes({0x00, 0x90, 0x45})), "track 1 is damaged: an event is cut short"},
    {Header(0, 1) + Chunk("MTrk", Bytes({0x00, 0xF0, 0x05, 0x7E})), "track 1 is damaged: an event is cut short"},
    {Header(0, 1) + Track(Bytes({0x80, 0x80, 0x80, 0x80, 0x00, 0x90, 0x45, 0x64})),
     "track 1 is damaged: an event is cut short"},
    {Header(1, 2) + Track(note) + Chunk("MTrk", ""), "track 2 is damaged: it has no end-of-track event"},
  };
  for (const auto& c : cases)
  {
    MidiFileContents contents;
    contents.events.push_back({9.0, 0x90, 1, 2});
    contents.lengthSeconds = 9.0;
    EXPECT_EQ(Read(c.file, contents).rfind(c.problem, 0), 0u) << c.problem << ": " << Read(c.file, contents);
    EXPECT_TRUE(contents.events.size() == 1 && contents.lengthSeconds == 9.0) << c.problem;
  }
}
