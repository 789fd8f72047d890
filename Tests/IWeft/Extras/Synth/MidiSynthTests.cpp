#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "AllocationCounter.h"
#include "MidiSynth.h"
#include "RecordingVoice.h"
#include "TestInstrument.h"
#include "ToneMeasure.h"

using namespace weft;
using pw::test::MeasureHz;
using pw::test::RecordingVoice;

namespace {

IMidiMsg Msg(int offset, int status, int d1, int d2 = 0)
{
  return IMidiMsg(offset, static_cast<uint8_t>(status), static_cast<uint8_t>(d1), static_cast<uint8_t>(d2));
}

std::string DrainReports(MidiSynth& synth)
{
  std::FILE* f = std::tmpfile();
  synth.WriteReports(f);
  std::string text(static_cast<size_t>(std::ftell(f)), '\0');
  std::rewind(f);
  text.resize(std::fread(text.data(), 1, text.size(), f));
  std::fclose(f);
  return text;
}

// A voice that logs the sub-blocks it renders and the gate's start sample.
class SubBlockVoice : public RecordingVoice
{
public:
  void RenderAccumulating(double** in, double** out, int nIn, int nOut, int startIdx, int nFrames) override
  {
    blocks.push_back({startIdx, nFrames, mInputs[kVoiceLevel].mStartSample, mInputs[kVoiceLevel].mEndSample});
    RecordingVoice::RenderAccumulating(in, out, nIn, nOut, startIdx, nFrames);
  }
  std::vector<std::vector<int>> blocks;
};

} // namespace

TEST(MidiSynthTest, CutsBlocksIntoSubBlocksAndAppliesMessagesAtTheirRelativeOffsets)
{
  const struct { int offset; std::vector<std::vector<int>> expected; } cases[] = {
    {40, {{32, 32, 8, 9}, {64, 32, 8, 9}, {96, 4, 8, 9}}},                   // second sub-block, frame 8
    {32, {{0, 32, 0, 0}, {32, 32, 0, 1}, {64, 32, 0, 1}, {96, 4, 0, 1}}},   // end of the first: the gate opens next
  };
  for (const auto& c : cases)
  {
    MidiSynth synth(VoiceAllocator::kPolyModePoly, 32);
    SubBlockVoice voice;
    synth.AddVoice(&voice, 0);
    synth.SetSampleRateAndBlockSize(48000, 100);
    ASSERT_TRUE(synth.AddMidiMsgToQueue(Msg(c.offset, 0x90, 60, 100)));
    std::vector<double> out(100, 0.0);
    double* outs[] = {out.data()};
    EXPECT_FALSE(synth.ProcessBlock(nullptr, outs, 0, 1, 100));
    EXPECT_EQ(voice.blocks, c.expected) << c.offset;
    EXPECT_EQ(synth.SampleTime(), 100);
  }
}

TEST(MidiSynthTest, IdleWithNothingQueuedWritesNothingAndKeepsTheTimeAndLaterMessagesWait)
{
  MidiSynth synth(VoiceAllocator::kPolyModePoly, 0); // taken as 1
  RecordingVoice voice;
  synth.AddVoice(&voice, 0);
  std::vector<double> out(8, 0.0);
  double* outs[] = {out.data()};
  EXPECT_TRUE(synth.ProcessBlock(nullptr, outs, 0, 1, 8));
  EXPECT_EQ(synth.SampleTime(), 0);

  synth.AddMidiMsgToQueue(Msg(12, 0x90, 60, 100)); // in the next block, at frame 4
  EXPECT_FALSE(synth.ProcessBlock(nullptr, outs, 0, 1, 8));
  EXPECT_EQ(out, std::vector<double>(8, 0.0));
  EXPECT_FALSE(synth.ProcessBlock(nullptr, outs, 0, 1, 8));
  EXPECT_EQ(out, std::vector<double>({0, 0, 0, 1, 1, 1, 1, 1})); // triggered at the end of frame 3
  EXPECT_EQ(synth.SampleTime(), 16);
}

TEST(MidiSynthTest, ConvertsChannelMessagesToVoiceEventsMaskingStrayBytes)
{
  MidiSynth synth(VoiceAllocator::kPolyModePoly, 32);
  const struct { IMidiMsg msg; int action, key, ctl, flags; float value; } cases[] = {
    {Msg(3, 0x92, 60, 127), kNoteOnAction, 60, 0, 0, 1.f},
    {Msg(3, 0x92, 60, 0), kNoteOffAction, 60, 0, 0, 0.f},
    {Msg(0, 0x82, 0xBC, 0xFF), kNoteOffAction, 60, 0, 0, 1.f},     // bytes above 127 masked
    {Msg(0, 0xA0, 61, 127), kPressureAction, 61, 0, 0, 1.f},
    {Msg(0, 0xD0, 127), kPressureAction, 255, 0, 0, 1.f},
    {Msg(0, 0xB0, 64, 127), kSustainPedalAction, 255, 64, 0, 1.f},
    {Msg(0, 0xB0, 74, 0), kTimbreAction, 255, 74, 0, 0.f},
    {Msg(0, 0xB0, 123, 0), kNoteOffAction, 255, 123, 4, 0.f},
    {Msg(0, 0xB0, 7, 127), kControlChangeAction, 255, 7, 0, 1.f},
    {Msg(0, 0xC0, 5), kProgramChangeAction, 255, 5, 0, 0.f},
    {Msg(0, 0xE0, 127, 127), kPitchBendAction, 255, 0, 0, 8191.f / 8192},
    {Msg(0, 0xF0, 1, 2), kVoiceActionNone, 255, 0, 0, 0.f},
  };
  for (const auto& c : cases)
  {
    const VoiceInputEvent e = synth.MidiMessageToEvent(c.msg);
    EXPECT_EQ(std::vector<int>({e.mAction, e.mAddress.mKey, e.mControllerNumber, e.mAddress.mFlags,
                                e.mSampleOffset, e.mAddress.mChannel}),
              std::vector<int>({c.action, c.key, c.ctl, c.flags, c.msg.mOffset, c.msg.Channel()}))
      << std::hex << int(c.msg.mStatus);
    EXPECT_FLOAT_EQ(e.mValue, c.value) << std::hex << int(c.msg.mStatus);
  }
}

TEST(MidiSynthTest, RpnsSetBendRangesAndMpeZonesAndReportThem)
{
  MidiSynth synth(VoiceAllocator::kPolyModePoly, 32);
  synth.HandleRPN(Msg(0, 0xB3, 101, 0));
  synth.HandleRPN(Msg(0, 0xB3, 100, 0));
  synth.HandleRPN(Msg(0, 0xB3, 6, 24));
  EXPECT_EQ(synth.ChannelPitchBendRange(3), 24);
  synth.HandleRPN(Msg(0, 0xB5, 6, 2)); // fresh channel: 2 * 128 + LSB 0, clipped
  EXPECT_EQ(synth.ChannelPitchBendRange(5), 96);
  EXPECT_EQ(DrainReports(synth), "RPN received: channel 3, param 0, value 24\n"
                                 "RPN received: channel 5, param 0, value 256\n");

  for (int ch : {0, 15})
  {
    synth.HandleRPN(Msg(0, 0xB0 | ch, 101, 0));
    synth.HandleRPN(Msg(0, 0xB0 | ch, 100, 6));
    synth.HandleRPN(Msg(0, 0xB0 | ch, 6, ch == 0 ? 7 : 3));
  }
  EXPECT_TRUE(synth.MPEMode());
  EXPECT_EQ(std::vector<int>({synth.LowerZoneSize(), synth.UpperZoneSize()}), std::vector<int>({8, 4}));
  std::vector<int> ranges;
  for (int ch = 0; ch < 16; ++ch)
    ranges.push_back(synth.ChannelPitchBendRange(ch));
  EXPECT_EQ(ranges, std::vector<int>({2, 48, 48, 48, 48, 48, 48, 48, 12, 12, 12, 12, 48, 48, 48, 2}));
  EXPECT_EQ(DrainReports(synth), "RPN received: channel 0, param 6, value 7\n"
                                 "MPE mode: ON\nMPE channels: \n    lo: 8 hi 0\n"
                                 "RPN received: channel 15, param 6, value 3\n"
                                 "MPE mode: ON\nMPE channels: \n    lo: 8 hi 4\n");
}

TEST(MidiSynthTest, MpeMasterExpressionIsRememberedAndAddedToMembers)
{
  MidiSynth synth(VoiceAllocator::kPolyModePoly, 32);
  synth.SetMPEZones(0, 7);
  const VoiceInputEvent master = synth.MidiMessageToEvent(Msg(0, 0xE0, 0, 96)); // +0.5 of 2 semitones
  EXPECT_EQ(master.mAction, kVoiceActionNone);
  const VoiceInputEvent member = synth.MidiMessageToEvent(Msg(0, 0xE2, 0, 96)); // +0.5 of 48 semitones
  EXPECT_EQ(member.mAction, kPitchBendAction);
  EXPECT_FLOAT_EQ(member.mValue, 0.5f * 48 / 12 + 0.5f * 2 / 12);
  EXPECT_EQ(synth.MidiMessageToEvent(Msg(0, 0xC2, 5)).mAction, kVoiceActionNone);
  EXPECT_EQ(synth.MidiMessageToEvent(Msg(0, 0xB2, 64, 127)).mAction, kControlChangeAction);
  synth.SetMPEZones(0, 0);
  EXPECT_FALSE(synth.MPEMode());
  EXPECT_EQ(synth.ChannelPitchBendRange(2), 12);
}

TEST(MidiSynthTest, FullMidiQueueDropsAndReportQueueDropsWhenNobodyReads)
{
  MidiSynth synth(VoiceAllocator::kPolyModePoly, 32);
  int accepted = 0;
  while (synth.AddMidiMsgToQueue(Msg(0, 0x90, 60, 1)) && accepted <= MidiSynth::kMidiQueueSize)
    ++accepted;
  EXPECT_EQ(accepted, MidiSynth::kMidiQueueSize);
  for (int i = 0; i <= MidiSynth::kReportQueueSize; ++i)
    synth.HandleRPN(Msg(0, 0xB1, 6, 1));
  EXPECT_EQ(synth.DroppedReports(), 1u);
}

TEST(TestInstrumentTest, PlaysNotesAtTheirPitchFromTheirOffsetReleasesAndHoldsWithThePedal)
{
  constexpr double kRate = 48000;
  constexpr int kBlock = 512;
  pw::test::TestInstrument inst;
  inst.Prepare(kRate, kBlock);
  std::vector<double> out(48000, 0.0);
  // A4 from 1000 to 9000, E5 from 10000 to 20000, C4 at 24000 held by the
  // pedal past its note off at 30000 until 40000.
  const IMidiMsg msgs[] = {Msg(1000, 0x90, 69, 100),  Msg(9000, 0x80, 69, 0),    Msg(10000, 0x90, 76, 100),
                           Msg(20000, 0x80, 76, 0),   Msg(24000, 0xB0, 64, 127), Msg(24000, 0x90, 60, 100),
                           Msg(30000, 0x80, 60, 0),   Msg(40000, 0xB0, 64, 0)};
  size_t next = 0;
  pw::test::AllocationCounter allocs;
  for (int start = 0; start < 48000; start += kBlock)
  {
    for (; next < std::size(msgs) && msgs[next].mOffset < start + kBlock; ++next)
    {
      IMidiMsg m = msgs[next];
      m.mOffset -= start;
      inst.AddMidi(m);
    }
    double* outs[] = {out.data() + start};
    inst.Process(outs, 1, std::min(kBlock, 48000 - start));
  }
  EXPECT_EQ(allocs.Count(), 0u);

  auto silentUntil = [&](int from, int to) {
    for (int i = from; i < to; ++i)
      if (out[i] != 0.0)
        return i;
    return to;
  };
  EXPECT_EQ(silentUntil(0, 1002), 1001); // the gate opens one frame after the note on
  EXPECT_NEAR(MeasureHz(out, 2000, 9000, kRate), 440.0, 0.1);
  EXPECT_EQ(silentUntil(9000 + 200, 10001), 10001);   // released within the release time
  EXPECT_NEAR(MeasureHz(out, 11000, 19000, kRate), 440.0 * std::exp2(7 / 12.0), 0.1);
  EXPECT_EQ(silentUntil(20000 + 200, 24001), 24001);
  EXPECT_NEAR(MeasureHz(out, 25000, 39000, kRate), 440.0 * std::exp2(-9 / 12.0), 0.1); // held by the pedal
  EXPECT_EQ(silentUntil(40000 + 200, 48000), 48000);
}
