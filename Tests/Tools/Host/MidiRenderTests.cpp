// Standard MIDI Files read with their tempo map, and the host playing one
// into the test instrument.

#include "CommandLine.h"
#include "FakeHostedUnit.h"
#include "HostRunner.h"
#include "MidiFile.h"
#include "RenderSession.h"
#include "ToneMeasure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#ifndef PW_PWTESTSYNTHCOMPONENT_BUNDLE
#define PW_PWTESTSYNTHCOMPONENT_BUNDLE ""
#endif

using namespace pw::test;
using pw::host::MidiSequence;
using pw::host::ReadMidiFile;

namespace {

const std::string kSynthBundle = PW_PWTESTSYNTHCOMPONENT_BUNDLE;

std::string Be(unsigned value, int n) // big-endian, n bytes
{
  std::string b;
  for (int i = n - 1; i >= 0; --i)
    b += static_cast<char>((value >> (8 * i)) & 0xFF);
  return b;
}

// A track chunk: delta times and events, closed by an end-of-track event.
std::string Chunk(const std::string& body)
{
  return "MTrk" + Be(static_cast<unsigned>(body.size() + 4), 4) + body + std::string("\x00\xFF\x2F\x00", 4);
}

// A4 for a quarter at 120 BPM (0 to 0.5 s); at 1 s the tempo halves and E5
// sounds for a quarter (1 to 2 s). Format 1 keeps the tempo map in a track
// of its own. Deltas: 0, a quarter of 480 ticks (0x83 0x60), a half (0x87 0x40).
std::string TwoNotes(int format)
{
  const std::string z(1, '\0'), q("\x83\x60", 2), half("\x87\x40", 2);
  auto tempo = [](unsigned us) { return std::string("\xFF\x51\x03", 3) + Be(us, 3); };
  const std::string a4 = "\x90\x45\x64" + q + "\x80\x45\x64", e5 = "\x90\x4C\x64" + q + "\x80\x4C\x64";
  const std::string header = "MThd" + Be(6, 4) + Be(format, 2) + Be(format + 1, 2) + Be(480, 2);
  if (format == 0)
    return header + Chunk(z + tempo(500000) + z + a4 + q + tempo(1000000) + z + e5);
  return header + Chunk(z + tempo(500000) + half + tempo(1000000)) + Chunk(z + a4 + q + e5);
}

// A seed of the MIDI reader's fuzz corpus.
std::string Seed(const std::string& name)
{
  const char* root = std::getenv("PW_SOURCE_DIR");
  return std::string(root ? root : ".") + "/Tests/Fuzz/Corpus/midi/" + name;
}

class MidiRenderTest : public ::testing::Test
{
protected:
  std::string File(const std::string& name, const std::string& bytes)
  {
    std::ofstream(mFolder.Path(name), std::ios::binary) << bytes;
    return mFolder.Path(name);
  }
  HostRun Host(std::vector<std::string> args) { return RunProgram(kHost, args, mFolder); }
  // The instrument's output for A4 from 0 to 0.5 s and E5 from 1 to 2 s,
  // with the 1 s tail.
  void ExpectTwoNotes(const std::string& wav)
  {
    const Channels out = ReadAudio(wav);
    ASSERT_EQ(out.size(), 2u);
    ASSERT_EQ(out[0].size(), 144000u); // the file's 2 s and the 1 s tail
    auto silent = [&](long from, long to) {
      return std::all_of(out[0].begin() + from, out[0].begin() + to, [](float x) { return x == 0; }) &&
             std::all_of(out[1].begin() + from, out[1].begin() + to, [](float x) { return x == 0; });
    };
    EXPECT_NEAR(MeasureHz(out[0], 1000, 23000, 48000), 440.0, 0.1);
    EXPECT_TRUE(silent(24000 + 200, 48001)); // released at 0.5 s; E5's gate opens one frame after 1 s
    EXPECT_NE(out[0][48002], 0.0f);
    EXPECT_NEAR(MeasureHz(out[1], 49000, 95000, 48000), 440.0 * std::exp2(7 / 12.0), 0.1);
    EXPECT_TRUE(silent(96000 + 200, 144000));
  }
  TempFolder mFolder;
};

} // namespace

TEST_F(MidiRenderTest, ReadsFormatsZeroAndOneWithTheirTempoChangesInFramesAndRefusesDamagedFiles)
{
  for (int format : {0, 1})
  {
    MidiSequence seq;
    ASSERT_TRUE(ReadMidiFile(File("two.mid", TwoNotes(format)), 48000, seq)) << format;
    std::vector<std::vector<int>> got;
    for (const auto& e : seq.events)
      got.push_back({static_cast<int>(e.frame), e.status, e.data1});
    EXPECT_EQ(got, (std::vector<std::vector<int>>{{0, 0x90, 69}, {24000, 0x80, 69}, {48000, 0x90, 76},
                                                  {96000, 0x80, 76}}))
      << format;
    EXPECT_DOUBLE_EQ(seq.lengthSeconds, 2.0);
  }
  const std::string good = TwoNotes(1);
  const std::string paths[] = {File("cut-event.mid", good.substr(0, good.size() - 6)), File("text.mid", "no MIDI"),
                               File("format2.mid", "MThd" + Be(6, 4) + Be(2, 2) + Be(1, 2) + Be(480, 2) + Chunk("")),
                               mFolder.Path("none.mid"),
                               File("large.mid", good + std::string(pw::host::kMaxMidiFileBytes, '\0'))};
  for (const std::string& path : paths)
  {
    MidiSequence seq;
    seq.lengthSeconds = 7;
    const auto status = ReadMidiFile(path, 48000, seq);
    EXPECT_NE(status.Message().find("'" + path + "'"), std::string::npos) << status.Message();
    EXPECT_EQ(seq.lengthSeconds, 7);
  }
}

TEST_F(MidiRenderTest, HostPlaysTheFileIntoTheInstrumentAtTheFilesTimes)
{
  if (kHost.empty() || kSynthBundle.empty())
    GTEST_SKIP() << "the host or the test instrument is not built";
  const HostRun info = Host({"info", kSynthBundle});
  for (const char* line : {"type aumu", "MIDI input    yes", "no input bus"})
    EXPECT_NE(info.out.find(line), std::string::npos) << info.out;

  const std::string two = File("two.mid", TwoNotes(1));
  // Slices of 448 frames: the notes fall inside slices.
  const HostRun run = Host({"render", "--bundle", kSynthBundle, "--midi", two, "--out", mFolder.Path("o.wav"),
                            "--block", "448"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ExpectTwoNotes(mFolder.Path("o.wav"));

  const std::vector<std::string> kept = {"o.wav", "two.mid"};
  const struct { std::vector<std::string> args; const char* fragment; } refused[] = {
    {{"--bundle", kTestBundle, "--midi", two}, "takes no MIDI input"},
    {{"--bundle", kSynthBundle}, "give --length or --midi"},
    {{"--bundle", kSynthBundle, "--length", "1", "--in", mFolder.Path("o.wav")}, "--in and --sidechain do not apply"},
    {{"--bundle", kTestBundle, "--length", "1"}, "--length applies only"},
  };
  for (const auto& c : refused)
  {
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), "render");
    args.insert(args.end(), {"--out", mFolder.Path("x.wav")});
    ExpectRefused(Host(args), c.fragment, mFolder, kept);
  }
  File("cut.mid", TwoNotes(1).substr(0, 40));
  ExpectRefused(Host({"render", "--bundle", kSynthBundle, "--midi", mFolder.Path("cut.mid"), "--out",
                      mFolder.Path("x.wav")}),
                "' is not a readable Standard MIDI File: ", mFolder, {"cut.mid", "o.wav", "two.mid"});
  pw::host::CommandLine line;
  EXPECT_EQ(pw::host::ParseCommandLine({"render", "--length", "2x"}, line).Message(),
            "--length needs a number of seconds above 0 and up to 3600, got '2x'");
}

TEST_F(MidiRenderTest, ASessionWithoutMainChannelsIsRefusedForAUnitWithInputs)
{
  FakeHostedUnit fake;
  const OpenUnit open = Open(fake);
  pw::host::RenderSession session(open.get());
  const pw::host::SessionSettings settings{48000.0, 64, 0, 0, 2, false};
  EXPECT_EQ(session.Configure(settings).Message(), "illegal channel count: the main input takes 1 to 8 channels");
  EXPECT_FALSE(fake.initialized);
}

TEST_F(MidiRenderTest, AnUpperZoneNoteTakesItsBendAndEndsOnItsNoteOff)
{
  if (kHost.empty() || kSynthBundle.empty())
    GTEST_SKIP() << "the host or the test instrument is not built";
  // RPN 6 = 3 on channel 15: an upper MPE zone with members 12 to 14 (bend
  // range 48). A4 on member 13 at 0 s, bent up a quarter of the range (an
  // octave) at 0.5 s, released at 1 s. The instrument's voices all start in
  // the lower zone.
  const std::string z(1, '\0'), q("\x83\x60", 2);
  const std::string events = z + std::string("\xFF\x51\x03\x07\xA1\x20", 6) + z + std::string("\xBF\x65\x00", 3) + z +
                             "\xBF\x64\x06" + z + "\xBF\x06\x03" + z + "\x9D\x45\x64" + q + std::string("\xED\x00\x50", 3) +
                             q + "\x8D\x45\x40";
  const std::string mpe = File("mpe.mid", "MThd" + Be(6, 4) + Be(0, 2) + Be(1, 2) + Be(480, 2) + Chunk(events));
  const HostRun run = Host({"render", "--bundle", kSynthBundle, "--midi", mpe, "--out", mFolder.Path("o.wav")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const Channels out = ReadAudio(mFolder.Path("o.wav"));
  ASSERT_EQ(out.size(), 2u);
  ASSERT_EQ(out[0].size(), 96000u);
  EXPECT_NEAR(MeasureHz(out[0], 1000, 23000, 48000), 440.0, 0.1);
  EXPECT_NEAR(MeasureHz(out[0], 26000, 47000, 48000), 880.0, 0.1);
  EXPECT_TRUE(std::all_of(out[0].begin() + 48000 + 200, out[0].end(), [](float x) { return x == 0; }))
    << "the note off reaches the voice";
}

TEST_F(MidiRenderTest, HostPlaysBothFormatsWithRunningStatusSystemExclusiveEventsAndUnknownChunks)
{
  if (kHost.empty() || kSynthBundle.empty())
    GTEST_SKIP() << "the host or the test instrument is not built";
  // The notes of TwoNotes among the events and chunks MidiFileReaderTests
  // describe.
  for (const char* seed : {"format0-running-status.mid", "format1-tempo-sysex.mid"})
  {
    const HostRun run = Host({"render", "--bundle", kSynthBundle, "--midi", Seed(seed), "--out", mFolder.Path("o.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    ExpectTwoNotes(mFolder.Path("o.wav"));
  }
}

// A damaged file is refused before a state is saved.
TEST_F(MidiRenderTest, HostRefusesADamagedFileInOneLineAndWritesNothing)
{
  if (kHost.empty() || kSynthBundle.empty())
    GTEST_SKIP() << "the host or the test instrument is not built";
  const std::string path = File("bad.mid", "MThd" + Be(6, 4) + Be(0, 2) + Be(1, 2) + Be(480, 2) + "XFIH" + Be(400, 4));
  ExpectRefused(Host({"render", "--bundle", kSynthBundle, "--midi", path, "--out", mFolder.Path("x.wav"),
                      "--save-state", mFolder.Path("x.state")}),
                "'" + path + "' is not a readable Standard MIDI File: a chunk runs past the end of the file", mFolder,
                {"bad.mid"});
}

TEST_F(MidiRenderTest, AFileLongerThanAnHourRendersOnlyForTheLengthAskedFor)
{
  if (kHost.empty() || kSynthBundle.empty())
    GTEST_SKIP() << "the host or the test instrument is not built";
  // 47 bytes whose one note ends after about 142 years.
  const std::string endless = Seed("long-deltas.mid");
  ExpectRefused(Host({"render", "--bundle", kSynthBundle, "--midi", endless, "--out", mFolder.Path("x.wav")}),
                "' plays for 9007198684 s: a render longer than an hour needs --length SECONDS", mFolder, {});
  const HostRun run = Host({"render", "--bundle", kSynthBundle, "--midi", endless, "--length", "0.25", "--out",
                            mFolder.Path("x.wav")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadAudio(mFolder.Path("x.wav")).at(0).size(), 12000u);
}

TEST(MidiSlices, EachEventIsSentInTheSliceItFallsInAtItsOffsetTheFirstFrameAtZero)
{
  FakeHostedUnit fake;
  const OpenUnit open = Open(fake);
  MidiSequence sequence;
  sequence.events = {{0, 0x90, 1, 9}, {63, 0x90, 2, 9}, {64, 0x90, 3, 9}, {64, 0x80, 3, 0}, {130, 0xB0, 7, 5}};
  std::size_t next = 0;
  const std::vector<std::vector<std::vector<UInt32>>> expected = {
    {{0x90, 1, 9, 0}, {0x90, 2, 9, 63}}, {{0x90, 3, 9, 0}, {0x80, 3, 0, 0}}, {{0xB0, 7, 5, 2}}, {}};
  for (std::size_t slice = 0; slice < expected.size(); ++slice)
  {
    fake.midiEvents.clear();
    ASSERT_TRUE(pw::host::SendMidiForSlice(open.get(), sequence, next, 64 * static_cast<std::int64_t>(slice), 64));
    EXPECT_EQ(fake.midiEvents, expected[slice]) << "slice " << slice;
  }
  EXPECT_EQ(next, sequence.events.size());
}
