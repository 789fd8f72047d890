// Standard MIDI Files read with their tempo map, and the host playing one
// into the test instrument.

#include "CommandLine.h"
#include "HostRunner.h"
#include "MidiFile.h"
#include "ToneMeasure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#ifndef PW_PWTESTSYNTHCOMPONENT_BUNDLE
#define PW_PWTESTSYNTHCOMPONENT_BUNDLE ""
#endif

using namespace pw::test;
using pw::host::MidiSequence;
using pw::host::ReadMidiFile;

namespace {

const std::string kSynthBundle = PW_PWTESTSYNTHCOMPONENT_BUNDLE;

using Bytes = std::string;

Bytes Be(unsigned value, int n)
{
  Bytes b;
  for (int i = n - 1; i >= 0; --i)
    b += static_cast<char>((value >> (8 * i)) & 0xFF);
  return b;
}

// A track chunk: body (delta-time and event bytes) closed by an end-of-track event.
Bytes Chunk(const Bytes& body)
{
  return "MTrk" + Be(static_cast<unsigned>(body.size() + 4), 4) + body + Bytes("\x00\xFF\x2F\x00", 4);
}

// 480 ticks per quarter written as 0x83 0x60; tempo events in microseconds per quarter.
const Bytes kQuarter("\x83\x60", 2);
Bytes Tempo(unsigned us) { return Bytes("\xFF\x51\x03", 3) + Be(us, 3); }
Bytes Note(int status, int key) { return Bytes{static_cast<char>(status), static_cast<char>(key), 100}; }

// A4 for a quarter at 120 BPM (0 to 0.5 s); at 1 s the tempo halves and
// E5 sounds for a quarter (1 to 2 s). Format 1 keeps the tempo map in its
// own track; format 0 merges both into one.
Bytes TwoNotes(int format)
{
  const Bytes a4On = Note(0x90, 69), a4Off = Note(0x80, 69), e5On = Note(0x90, 76), e5Off = Note(0x80, 76);
  const Bytes header = "MThd" + Be(6, 4) + Be(format, 2) + Be(format == 0 ? 1 : 2, 2) + Be(480, 2);
  if (format == 0)
    return header + Chunk(Bytes(1, 0) + Tempo(500000) + Bytes(1, 0) + a4On + kQuarter + a4Off + kQuarter +
                          Tempo(1000000) + Bytes(1, 0) + e5On + kQuarter + e5Off);
  return header + Chunk(Bytes(1, 0) + Tempo(500000) + Bytes("\x87\x40", 2) + Tempo(1000000)) +
         Chunk(Bytes(1, 0) + a4On + kQuarter + a4Off + kQuarter + e5On + kQuarter + e5Off);
}

void WriteFile(const std::string& path, const Bytes& bytes)
{
  std::ofstream(path, std::ios::binary) << bytes;
}

class MidiRenderTest : public ::testing::Test
{
protected:
  TempFolder mFolder;
};

} // namespace

TEST_F(MidiRenderTest, ReadsFormatsZeroAndOneWithTheirTempoChangesInFrames)
{
  for (int format : {0, 1})
  {
    WriteFile(mFolder.Path("two.mid"), TwoNotes(format));
    MidiSequence seq;
    ASSERT_TRUE(ReadMidiFile(mFolder.Path("two.mid"), 48000, seq)) << format;
    std::vector<std::vector<int>> got;
    for (const auto& e : seq.events)
      got.push_back({static_cast<int>(e.frame), e.status, e.data1});
    EXPECT_EQ(got, (std::vector<std::vector<int>>{{0, 0x90, 69}, {24000, 0x80, 69}, {48000, 0x90, 76},
                                                  {96000, 0x80, 76}}))
      << format;
    EXPECT_DOUBLE_EQ(seq.lengthSeconds, 2.0);
  }
}

TEST_F(MidiRenderTest, RefusesMissingDamagedAndForeignFilesLeavingTheSequenceAlone)
{
  const Bytes good = TwoNotes(1);
  const struct { const char* name; Bytes bytes; } cases[] = {
    {"cut.mid", good.substr(0, 40)},
    {"cut-event.mid", good.substr(0, good.size() - 6)},
    {"text.mid", "not a MIDI file at all"},
    {"format2.mid", "MThd" + Be(6, 4) + Be(2, 2) + Be(1, 2) + Be(480, 2) + Chunk("")},
  };
  for (const auto& c : cases)
  {
    WriteFile(mFolder.Path(c.name), c.bytes);
    MidiSequence seq;
    seq.lengthSeconds = 7;
    const auto status = ReadMidiFile(mFolder.Path(c.name), 48000, seq);
    EXPECT_FALSE(status) << c.name;
    EXPECT_NE(status.Message().find("is not a readable Standard MIDI File: "), std::string::npos) << status.Message();
    EXPECT_NE(status.Message().find(c.name), std::string::npos) << status.Message();
    EXPECT_EQ(seq.lengthSeconds, 7);
  }
  EXPECT_FALSE(ReadMidiFile(mFolder.Path("none.mid"), 48000, *std::make_unique<MidiSequence>()));
}

TEST_F(MidiRenderTest, HostPlaysTheFileIntoTheInstrumentAtTheFilesTimes)
{
  if (kHost.empty() || kSynthBundle.empty())
    GTEST_SKIP() << "the host or the test instrument is not built";
  const HostRun info = RunProgram(kHost, {"info", kSynthBundle}, mFolder);
  EXPECT_NE(info.out.find("type aumu"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("MIDI input    yes"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("no input bus"), std::string::npos) << info.out;

  WriteFile(mFolder.Path("two.mid"), TwoNotes(1));
  const HostRun run = RunProgram(
    kHost, {"render", "--bundle", kSynthBundle, "--midi", mFolder.Path("two.mid"), "--out", mFolder.Path("o.wav"),
            "--block", "448"}, // the notes fall inside slices
    mFolder);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const Channels out = ReadAudio(mFolder.Path("o.wav"));
  ASSERT_EQ(out.size(), 2u);
  ASSERT_EQ(out[0].size(), 144000u); // the file's 2 s and the 1 s tail
  auto silent = [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
      if (out[0][i] != 0.0f || out[1][i] != 0.0f)
        return false;
    return true;
  };
  EXPECT_NEAR(MeasureHz(out[0], 1000, 23000, 48000), 440.0, 0.1);
  EXPECT_TRUE(silent(24000 + 200, 48001)); // released at 0.5 s; E5 opens one frame after 1 s
  EXPECT_NE(out[0][48002], 0.0f);
  EXPECT_NEAR(MeasureHz(out[1], 49000, 95000, 48000), 440.0 * std::exp2(7 / 12.0), 0.1);
  EXPECT_TRUE(silent(96000 + 200, 144000));

  WriteFile(mFolder.Path("cut.mid"), TwoNotes(1).substr(0, 40));
  ExpectRefused(RunProgram(kHost, {"render", "--bundle", kSynthBundle, "--midi", mFolder.Path("cut.mid"), "--out",
                                   mFolder.Path("cut.wav")},
                           mFolder),
                "not a readable Standard MIDI File", mFolder, {"cut.mid", "o.wav", "two.mid"});
  ExpectRefused(RunProgram(kHost, {"render", "--bundle", kTestBundle, "--midi", mFolder.Path("two.mid")}, mFolder),
                "takes no MIDI input", mFolder, {"cut.mid", "o.wav", "two.mid"});
}

TEST_F(MidiRenderTest, RefusesLengthsAndInputsThatDoNotFitTheUnit)
{
  if (kHost.empty() || kSynthBundle.empty())
    GTEST_SKIP() << "the host or the test instrument is not built";
  WriteWav(mFolder.Path("in.wav"), Channels(2, std::vector<float>(100, 0.f)));
  const struct { std::vector<std::string> args; const char* fragment; } cases[] = {
    {{"--bundle", kSynthBundle}, "give --length or --midi"},
    {{"--bundle", kSynthBundle, "--length", "1", "--in", mFolder.Path("in.wav")}, "--in and --sidechain do not apply"},
    {{"--bundle", kTestBundle, "--length", "1", "--in", mFolder.Path("in.wav")}, "--length applies only"},
  };
  for (const auto& c : cases)
  {
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), "render");
    args.insert(args.end(), {"--out", mFolder.Path("x.wav")});
    ExpectRefused(RunProgram(kHost, args, mFolder), c.fragment, mFolder, {"in.wav"});
  }
  const HostRun run = RunProgram(kHost, {"render", "--bundle", kSynthBundle, "--length", "0.25"}, mFolder);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("rendered 0.250 s"), std::string::npos) << run.out;

  const struct { std::vector<std::string> args; const char* message; } usage[] = {
    {{"--length", "0"}, "--length needs a number of seconds above 0 and up to 3600, got '0'"},
    {{"--length", "2x"}, "--length needs a number of seconds above 0 and up to 3600, got '2x'"},
    {{"--length=1", "--length", "2"}, "--length given twice"},
    {{"--midi", "a.mid", "--midi=b.mid"}, "--midi given twice"},
  };
  for (const auto& c : usage)
  {
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), "render");
    pw::host::CommandLine line;
    EXPECT_EQ(pw::host::ParseCommandLine(args, line).Message(), c.message);
  }
  pw::host::CommandLine line;
  ASSERT_TRUE(pw::host::ParseCommandLine({"render", "--midi=a.mid", "--length", "1.5"}, line));
  EXPECT_EQ(line.midiPath, "a.mid");
  EXPECT_EQ(line.lengthSeconds, 1.5);
}
