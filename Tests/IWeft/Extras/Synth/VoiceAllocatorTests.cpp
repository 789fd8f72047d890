#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "RecordingVoice.h"
#include "VoiceAllocator.h"

using namespace weft;
using pw::test::RecordingVoice;

namespace {

class VoiceAllocatorTest : public ::testing::Test
{
protected:
  void AddVoices(int n)
  {
    voices.resize(static_cast<size_t>(n));
    for (RecordingVoice& v : voices)
      alloc.AddVoice(&v, 0);
  }

  // Queues one event and applies it in a sub-block of 64 at sample time t.
  void Send(int action, int key, float value, int64_t t = 0, uint8_t flags = 0, int offset = 0)
  {
    alloc.AddEvent(VoiceInputEvent{{0, 0, static_cast<uint8_t>(key), flags}, action, 0, value, offset});
    alloc.ProcessEvents(64, t);
  }

  std::vector<int> Keys() const { return Each([](const RecordingVoice& v) { return int(v.mKey); }); }
  std::vector<int> Busy() const { return Each([](const RecordingVoice& v) { return int(v.busy); }); }
  template <class F>
  std::vector<int> Each(F f) const { std::vector<int> out; for (const auto& v : voices) out.push_back(f(v)); return out; }

  VoiceAllocator alloc;
  std::vector<RecordingVoice> voices;
};

constexpr int A = 255; // no key

} // namespace

TEST_F(VoiceAllocatorTest, AnAddedVoiceStartsWithClearedInputsNoKeyAndItsZone)
{
  RecordingVoice used;
  std::fill(std::begin(used.mInputs), std::end(used.mInputs), ControlRamp{0.5, 1.0, 3, 9});
  used.mKey = 60;
  alloc.AddVoice(&used, 2);
  for (const ControlRamp& ramp : used.mInputs)
    EXPECT_TRUE(ramp.mStartValue == 0.0 && ramp.mEndValue == 0.0 && ramp.mStartSample == 0 && ramp.mEndSample == 0);
  EXPECT_TRUE(used.mKey == A && used.mZone == 2);
}

TEST_F(VoiceAllocatorTest, NoteOnsRotateThroughFreeVoicesThenStealTheOldest)
{
  AddVoices(8);
  for (int k = 0; k < 8; ++k)
    Send(kNoteOnAction, 60 + k, 0.5f, 10 * k);
  EXPECT_EQ(Keys(), std::vector<int>({60, 61, 62, 63, 64, 65, 66, 67}));
  Send(kNoteOnAction, 72, 0.5f, 100);
  EXPECT_EQ(Keys(), std::vector<int>({72, 61, 62, 63, 64, 65, 66, 67}));
  EXPECT_EQ(voices[0].mLastTriggeredTime, 100);
  EXPECT_EQ(voices[0].mInputs[kVoicePitch].mEndValue, 0.25f); // three semitones over A 440, in octaves
}

TEST_F(VoiceAllocatorTest, RepeatedHeldKeyIsListedOnceAndKeepsTheMinimumVelocity)
{
  AddVoices(4);
  Send(kNoteOnAction, 60, 0.5f);
  Send(kNoteOnAction, 60, 0.25f);
  EXPECT_EQ(alloc.HeldKeys(), std::vector<int>({60}));
  EXPECT_EQ(alloc.MinHeldVelocity(), 0.5f);
  Send(kNoteOffAction, 60, 0.f);
  EXPECT_TRUE(alloc.HeldKeys().empty());
  EXPECT_EQ(alloc.MinHeldVelocity(), 1.0f);
}

TEST_F(VoiceAllocatorTest, SustainPedalHoldsReleasedKeysUntilLiftedUnlessPressedAgain)
{
  AddVoices(4);
  Send(kNoteOnAction, 60, 0.5f);
  Send(kNoteOnAction, 62, 0.5f);
  Send(kSustainPedalAction, A, 1.f);
  Send(kNoteOffAction, 60, 0.f);
  Send(kNoteOffAction, 62, 0.f);
  EXPECT_EQ(Busy(), std::vector<int>({1, 1, 0, 0}));
  Send(kNoteOnAction, 62, 0.5f); // pressed again under the pedal: a new voice, still held
  Send(kSustainPedalAction, A, 0.f, 0, 0, 20);
  EXPECT_EQ(Busy(), std::vector<int>({0, 1, 1, 0}));
  EXPECT_EQ(voices[0].log.back(), "release");
  EXPECT_EQ(voices[0].mInputs[kVoiceLevel].mStartSample, 20); // the gate closes at the pedal's offset
  EXPECT_EQ(alloc.SustainedKeys(), std::vector<int>({62}));
  Send(kNoteOffAction, 62, 0.f); // pedal up: both voices of key 62 stop
  EXPECT_EQ(Busy(), std::vector<int>({0, 0, 0, 0}));
  EXPECT_TRUE(alloc.SustainedKeys().empty());
}

TEST_F(VoiceAllocatorTest, MonoModeFallsBackToTheHeldKeyAtTheMinimumVelocityAndStopsWhenNoneIsLeft)
{
  AddVoices(2);
  alloc.SetPolyMode(VoiceAllocator::kPolyModeMono);
  Send(kNoteOnAction, 60, 0.25f);
  Send(kNoteOnAction, 64, 0.75f);
  EXPECT_EQ(Keys(), std::vector<int>({64, 64}));
  voices[0].log.clear();
  Send(kNoteOffAction, 64, 0.f);
  EXPECT_EQ(Keys(), std::vector<int>({60, 60}));
  EXPECT_EQ(voices[0].log, std::vector<std::string>({"trigger 0.250000"}));
  Send(kNoteOffAction, 60, 0.f);
  EXPECT_EQ(Keys(), std::vector<int>({A, A}));
  EXPECT_EQ(Busy(), std::vector<int>({0, 0}));
}

TEST_F(VoiceAllocatorTest, AllNotesOffKillsEveryVoiceAndEmptiesBothKeyLists)
{
  AddVoices(3);
  Send(kNoteOnAction, 60, 0.5f);
  Send(kNoteOnAction, 61, 0.5f);
  Send(kSustainPedalAction, A, 1.f);
  Send(kNoteOffAction, A, 0.f, 0, VoiceAddress::kWholeZone);
  EXPECT_EQ(Busy(), std::vector<int>({0, 0, 0}));
  EXPECT_TRUE(alloc.HeldKeys().empty());
  EXPECT_TRUE(alloc.SustainedKeys().empty());
  EXPECT_FALSE(alloc.SustainPedalDown());
}

TEST_F(VoiceAllocatorTest, AddressMatchingSelectsAllOrTheMostRecentAndControlsReachOnlyThoseVoices)
{
  AddVoices(3);
  Send(kNoteOnAction, 60, 0.5f, 5);
  Send(kNoteOnAction, 61, 0.5f, 9);
  Send(kNoteOnAction, 62, 0.5f, 9);
  EXPECT_EQ(alloc.VoicesMatchingAddress({A, A, A, 0}).count(), 3u);
  EXPECT_EQ(alloc.VoicesMatchingAddress({A, A, A, VoiceAddress::kMostRecent}).to_ulong(), 2ul); // first of equal times
  EXPECT_EQ(alloc.VoicesMatchingAddress({1, A, A, VoiceAddress::kMostRecent}).count(), 0u);

  alloc.AddEvent({{A, A, 61, 0}, kControlChangeAction, 7, 0.5f, 0});
  alloc.AddEvent({{A, A, 61, 0}, kProgramChangeAction, 3, 0.f, 0});
  alloc.AddEvent({{A, A, 62, 0}, kPitchBendAction, 0, 0.5f, 0}); // glides over the 0-sample control glide
  alloc.ProcessEvents(64, 10);
  EXPECT_EQ(std::vector<std::string>(voices[1].log.end() - 2, voices[1].log.end()),
            std::vector<std::string>({"control 7 0.500000", "program 3"}));
  EXPECT_EQ(voices[0].log.size(), 1u);
  EXPECT_EQ(voices[2].mInputs[kVoicePitchBend].mEndValue, 0.5);
  EXPECT_EQ(voices[1].mInputs[kVoicePitchBend].mEndValue, 0.0);
}

TEST_F(VoiceAllocatorTest, RefusesThe255thVoiceAndDropsEventsBeyondTheQueue)
{
  AddVoices(VoiceAllocator::kMaxVoices);
  RecordingVoice extra;
  EXPECT_THROW(alloc.AddVoice(&extra, 0), std::runtime_error);
  EXPECT_EQ(alloc.GetNVoices(), VoiceAllocator::kMaxVoices);

  for (int i = 0; i < VoiceAllocator::kEventQueueSize; ++i)
    EXPECT_TRUE(alloc.AddEvent({{0, 0, 60, 0}, kVoiceActionNone, 0, 0.f, 0}));
  EXPECT_FALSE(alloc.AddEvent({{0, 0, 60, 0}, kNoteOnAction, 0, 1.f, 0}));
  alloc.ProcessEvents(64, 0);
  EXPECT_EQ(Busy(), std::vector<int>(VoiceAllocator::kMaxVoices, 0));
}

TEST_F(VoiceAllocatorTest, PressureAndTimbreGlideInputsThreeAndFourOfTheAddressedVoiceOnly)
{
  AddVoices(2);
  Send(kNoteOnAction, 60, 0.5f);
  Send(kNoteOnAction, 62, 0.5f);
  alloc.AddEvent({{0, 0, 60, 0}, kPressureAction, 0, 0.75f, 0});
  alloc.AddEvent({{0, 0, 62, 0}, kTimbreAction, 0, 0.25f, 0});
  alloc.ProcessEvents(64, 0);
  // Bend, pressure and timbre of each voice.
  std::vector<double> ends;
  for (const RecordingVoice& v : voices)
    for (int i = kVoicePitchBend; i < kNumVoiceInputs; ++i)
      ends.push_back(v.mInputs[i].mEndValue);
  EXPECT_EQ(ends, std::vector<double>({0.0, 0.75, 0.0, 0.0, 0.0, 0.25}));
}

TEST_F(VoiceAllocatorTest, PitchAndControlsGlideOverTheirOwnTimesAtTheSampleRate)
{
  AddVoices(1);
  alloc.SetSampleRateAndBlockSize(48000, 64);
  alloc.SetPitchGlideTime(0.005);   // 240 samples
  alloc.SetControlGlideTime(0.02);  // 960 samples
  EXPECT_EQ(std::vector<int>({alloc.PitchGlideSamples(), alloc.ControlGlideSamples()}), std::vector<int>({240, 960}));
  Send(kNoteOnAction, 81, 1.f); // pitch 1 octave
  alloc.AddEvent({{0, 0, 81, 0}, kPitchBendAction, 0, 0.5f, 0});
  alloc.ProcessEvents(64, 64);
  // The note on's sub-block and this one: 128 samples into each glide.
  const ControlRamp &pitch = voices[0].mInputs[kVoicePitch], &bend = voices[0].mInputs[kVoicePitchBend];
  EXPECT_EQ(std::vector<double>({pitch.mEndValue, bend.mEndValue}), std::vector<double>({128.0 / 240, 0.5 * 64 / 960}));
  for (int b = 0; b < 15; ++b)
    alloc.ProcessEvents(64, 128 + 64 * b);
  EXPECT_EQ(std::vector<double>({pitch.mEndValue, bend.mEndValue}), std::vector<double>({1.0, 0.5}));
}

TEST_F(VoiceAllocatorTest, ThePitchOffsetAddsWholeSemitonesBeforeTheKeyToPitchFunction)
{
  AddVoices(2);
  alloc.SetPitchOffset(12.9); // truncated to 12
  Send(kNoteOnAction, 57, 1.f);
  alloc.SetPitchOffset(-2.5); // truncated to -2
  Send(kNoteOnAction, 73, 1.f);
  EXPECT_EQ(voices[0].mInputs[kVoicePitch].mEndValue, 0.0);
  EXPECT_FLOAT_EQ(static_cast<float>(voices[1].mInputs[kVoicePitch].mEndValue), 2.0f / 12);
}

TEST_F(VoiceAllocatorTest, WithoutRotationEveryNoteOnSearchesFromTheFirstVoice)
{
  AddVoices(3);
  alloc.SetRotateVoices(false);
  for (int key : {60, 62})
  {
    Send(kNoteOnAction, key, 1.f);
    Send(kNoteOffAction, key, 0.f);
  }
  EXPECT_EQ(voices[0].log.size(), 4u);
  EXPECT_TRUE(voices[1].log.empty());
}

TEST_F(VoiceAllocatorTest, TheBusyFlagKeepsOnlySoundingVoices)
{
  AddVoices(3);
  Send(kNoteOnAction, 60, 0.5f);
  Send(kNoteOnAction, 62, 0.5f);
  Send(kNoteOffAction, 60, 0.f);
  EXPECT_EQ(alloc.VoicesMatchingAddress({0, A, A, VoiceAddress::kBusyOnly}).to_ulong(), 0b010ul);
  EXPECT_EQ(alloc.VoicesMatchingAddress({0, A, A, 0}).to_ulong(), 0b111ul);
  EXPECT_EQ(alloc.VoicesMatchingAddress({0, A, A, VoiceAddress::kBusyOnly | VoiceAddress::kMostRecent}).to_ulong(),
            0b010ul);
}

TEST_F(VoiceAllocatorTest, AHardKillSilencesEveryVoicesGainAndASoftKillLeavesIt)
{
  AddVoices(2);
  Send(kNoteOnAction, 60, 0.5f);
  alloc.SoftKillAllVoices();
  EXPECT_TRUE(Busy() == std::vector<int>({0, 0}) && voices[0].mGain == 1.0);
  Send(kNoteOnAction, 60, 0.5f);
  alloc.HardKillAllVoices();
  EXPECT_EQ(Busy(), std::vector<int>({0, 0}));
  EXPECT_EQ(Each([](const RecordingVoice& v) { return int(v.mGain * 2); }), std::vector<int>({0, 0}));
  Send(kNoteOnAction, 60, 0.5f);
  alloc.Clear();
  EXPECT_EQ(voices[0].mGain, 0.0);
  EXPECT_TRUE(alloc.HeldKeys().empty());
}

TEST_F(VoiceAllocatorTest, MonoModeUnderThePedalFallsBackToTheHeldKeyAndSustainsItAfterItsRelease)
{
  AddVoices(2);
  alloc.SetPolyMode(VoiceAllocator::kPolyModeMono);
  Send(kNoteOnAction, 60, 0.5f);
  Send(kSustainPedalAction, A, 1.f);
  Send(kNoteOnAction, 64, 0.5f);
  Send(kNoteOffAction, 64, 0.f); // back to the held 60, which the pedal now keeps
  EXPECT_EQ(Keys(), std::vector<int>({60, 60}));
  EXPECT_EQ(alloc.SustainedKeys(), std::vector<int>({60}));
  voices[0].log.clear();
  Send(kNoteOffAction, 60, 0.f); // nothing held: the sustained key plays on, not restarted
  EXPECT_EQ(Keys(), std::vector<int>({60, 60}));
  EXPECT_EQ(Busy(), std::vector<int>({1, 1}));
  EXPECT_TRUE(voices[0].log.empty());
  Send(kSustainPedalAction, A, 0.f);
  EXPECT_EQ(Busy(), std::vector<int>({0, 0}));
}
