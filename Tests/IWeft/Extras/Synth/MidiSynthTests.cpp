#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

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
  char text[1024] = {};
  std::FILE* f = fmemopen(text, sizeof text - 1, "w");
  synth.WriteReports(f);
  std::fclose(f);
  return text;
}

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
    RecordingVoice voice;
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
  std::vector<double> out(8, 7.0);
  double* outs[] = {out.data()};
  EXPECT_TRUE(synth.ProcessBlock(nullptr, outs, 0, 1, 8));
  EXPECT_EQ(out, std::vector<double>(8, 7.0));
  EXPECT_EQ(synth.SampleTime(), 0);

  synth.AddMidiMsgToQueue(Msg(12, 0x90, 60, 100)); // in the next block, at frame 4
  EXPECT_FALSE(synth.ProcessBlock(nullptr, outs, 0, 1, 8));
  EXPECT_FALSE(synth.ProcessBlock(nullptr, outs, 0, 1, 8));
  EXPECT_EQ(out, std::vector<double>({7, 7, 7, 8, 8, 8, 8, 8})); // triggered at the end of frame 3
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

TEST(MidiSynthTest, FullQueuesDropAndWithoutVoicesMessagesChangeNothing)
{
  MidiSynth synth(VoiceAllocator::kPolyModeMono, 32);
  int accepted = 0;
  while (synth.AddMidiMsgToQueue(Msg(0, accepted % 2 ? 0x80 : 0x90, 60, 1)) && accepted <= MidiSynth::kMidiQueueSize)
    ++accepted;
  EXPECT_EQ(accepted, MidiSynth::kMidiQueueSize);
  EXPECT_FALSE(synth.ProcessBlock(nullptr, nullptr, 0, 0, 32)); // note ons and offs reach no voice
  synth.SetPolyMode(VoiceAllocator::kPolyModePoly);
  synth.AddMidiMsgToQueue(Msg(0, 0x90, 60, 1));
  EXPECT_FALSE(synth.ProcessBlock(nullptr, nullptr, 0, 0, 32));
  EXPECT_EQ(synth.GetVoice(0), nullptr);
  for (int i = 0; i <= MidiSynth::kReportQueueSize; ++i)
    synth.HandleRPN(Msg(0, 0xB1, 6, 1));
  EXPECT_EQ(synth.DroppedReports(), 1u);
}

TEST(TestInstrumentTest, PlaysItsNotesPitchFromTheOffsetAndHoldsItWithThePedalWithoutAllocating)
{
  pw::test::TestInstrument inst;
  inst.Prepare(48000, 512);
  std::vector<double> out(48000, 0.0);
  // C4 at 1000, its note off at 20000 held by the pedal until 30000.
  const IMidiMsg msgs[] = {Msg(1000, 0xB0, 64, 127), Msg(1000, 0x90, 60, 100), Msg(20000, 0x80, 60, 0),
                           Msg(30000, 0xB0, 64, 0)};
  pw::test::AllocationCounter allocs;
  for (int start = 0, next = 0; start < 48000; start += 512)
  {
    for (; next < 4 && msgs[next].mOffset < start + 512; ++next)
      inst.AddMidi(IMidiMsg(msgs[next].mOffset - start, msgs[next].mStatus, msgs[next].mData1, msgs[next].mData2));
    double* outs[] = {out.data() + start};
    inst.Process(outs, 1, std::min(512, 48000 - start));
  }
  EXPECT_EQ(allocs.Count(), 0u);
  auto firstSound = [&](int from) {
    return std::find_if(out.begin() + from, out.end(), [](double x) { return x != 0; }) - out.begin();
  };
  EXPECT_EQ(firstSound(0), 1001); // the gate opens one frame after the note on
  EXPECT_NEAR(MeasureHz(out, 2000, 29000, 48000), 440.0 * std::exp2(-9 / 12.0), 0.1);
  EXPECT_EQ(firstSound(30000 + 200), 48000); // released within the release time once the pedal lifts
}

TEST(MidiSynthTest, UpperZoneMembersAddTheUpperMastersExpressionAndLowerOnesDoNot)
{
  MidiSynth synth(VoiceAllocator::kPolyModePoly, 32);
  synth.SetMPEZones(15, 3); // members 12 to 14, range 48; master range 2
  EXPECT_EQ(synth.MidiMessageToEvent(Msg(0, 0x9D, 60, 127)).mAddress.mZone, 1);
  EXPECT_EQ(synth.MidiMessageToEvent(Msg(0, 0x9B, 60, 127)).mAddress.mZone, 0); // channel 11: no zone's member
  EXPECT_EQ(synth.MidiMessageToEvent(Msg(0, 0xEF, 0, 96)).mAction, kVoiceActionNone); // master: +0.5 of 2
  EXPECT_EQ(synth.MidiMessageToEvent(Msg(0, 0xDF, 64)).mAction, kVoiceActionNone);
  EXPECT_EQ(synth.MidiMessageToEvent(Msg(0, 0xBF, 74, 32)).mAction, kVoiceActionNone);

  const VoiceInputEvent bend = synth.MidiMessageToEvent(Msg(0, 0xED, 0, 32)); // -0.5 of 48
  EXPECT_EQ(std::vector<int>({bend.mAction, bend.mAddress.mZone, bend.mAddress.mChannel}),
            std::vector<int>({kPitchBendAction, 1, 13}));
  EXPECT_FLOAT_EQ(bend.mValue, -0.5f * 48 / 12 + 0.5f * 2 / 12);
  const VoiceInputEvent pressure = synth.MidiMessageToEvent(Msg(0, 0xDC, 32));
  EXPECT_FLOAT_EQ(pressure.mValue, (32 + 64) / 127.f);
  const VoiceInputEvent timbre = synth.MidiMessageToEvent(Msg(0, 0xBE, 74, 16));
  EXPECT_EQ(timbre.mAction, kTimbreAction);
  EXPECT_FLOAT_EQ(timbre.mValue, (16 + 32) / 127.f);

  // A lower-zone member adds its own master's expression (none here).
  synth.SetMPEZones(0, 3);
  const VoiceInputEvent lower = synth.MidiMessageToEvent(Msg(0, 0xE2, 0, 96));
  EXPECT_EQ(lower.mAddress.mZone, 0);
  EXPECT_FLOAT_EQ(lower.mValue, 0.5f * 48 / 12);
}

TEST(MidiSynthTest, ANoteTakesTheZoneOfItsChannelSoItsBendAndNoteOffFindItWhateverVoiceItGot)
{
  MidiSynth synth(VoiceAllocator::kPolyModePoly, 32);
  RecordingVoice voices[4]; // two of each zone, the lower zone's first
  for (int i = 0; i < 4; ++i)
    synth.AddVoice(&voices[i], i < 2 ? 0 : 1);
  synth.SetSampleRateAndBlockSize(48000, 64);
  std::vector<double> out(64, 0.0);
  double* outs[] = {out.data()};
  const auto play = [&](std::initializer_list<IMidiMsg> msgs) {
    for (const IMidiMsg& m : msgs)
      synth.AddMidiMsgToQueue(m);
    synth.ProcessBlock(nullptr, outs, 0, 1, 64);
  };
  // RPN 6 = 3 on channel 15, then a note on member 13: the first free voice
  // is a lower-zone one.
  play({Msg(0, 0xBF, 101, 0), Msg(0, 0xBF, 100, 6), Msg(0, 0xBF, 6, 3), Msg(0, 0x9D, 69, 100)});
  ASSERT_TRUE(voices[0].busy);
  EXPECT_EQ(voices[0].mZone, 1);
  play({Msg(0, 0xED, 0, 96)}); // +0.5 of 48 semitones
  for (int b = 0; b < 10; ++b)
    play({});
  EXPECT_DOUBLE_EQ(voices[0].mInputs[kVoicePitchBend].mEndValue, 2.0);
  play({Msg(0, 0x8D, 69, 0)});
  EXPECT_FALSE(voices[0].busy);
  EXPECT_EQ(voices[0].log.back(), "release");

  // The other way round: a note outside the upper zone on an upper-zone voice.
  play({Msg(0, 0x90, 60, 100), Msg(0, 0x9E, 62, 100), Msg(0, 0x91, 64, 100)}); // voices 1, 2, 3
  EXPECT_EQ(std::vector<int>({voices[1].mZone, voices[2].mZone, voices[3].mZone}), std::vector<int>({0, 1, 0}));
  play({Msg(0, 0x81, 64, 0)});
  EXPECT_FALSE(voices[3].busy);
  EXPECT_TRUE(voices[1].busy && voices[2].busy);
}

TEST(TestInstrumentTest, AtAnotherSampleRateTheVoicesStillPlayInTune)
{
  for (double rate : {44100.0, 96000.0})
  {
    SCOPED_TRACE(rate);
    pw::test::TestInstrument inst;
    inst.Prepare(rate, 512);
    EXPECT_EQ(inst.Synth().GetVoiceAllocator().ControlGlideSamples(), static_cast<int>(0.01 * rate));
    const int n = static_cast<int>(rate) / 2;
    std::vector<double> out(static_cast<size_t>(n), 0.0);
    inst.AddMidi(Msg(0, 0x90, 69, 100));
    for (int start = 0; start < n; start += 512)
    {
      double* outs[] = {out.data() + start};
      inst.Process(outs, 1, std::min(512, n - start));
    }
    EXPECT_NEAR(MeasureHz(out, 1000, out.size(), rate), 440.0, 0.1);
  }
}
