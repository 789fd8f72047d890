#include "WaveformProcessor.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using pressweave::BeatIncrementPerSample;
using pressweave::CaptureScopeBlock;
using pressweave::UpdateSamplesForWaveViewers;
using pressweave::WaveformProcessor;

namespace {

weft::ITimeInfo Transport(double ppq, bool running, int num = 4, int den = 4, double tempo = 120.0)
{
  weft::ITimeInfo info;
  info.mPPQPos = ppq;
  info.mTransportIsRunning = running;
  info.mNumerator = num;
  info.mDenominator = den;
  info.mTempo = tempo;
  return info;
}

void Snapshot(WaveformProcessor& wp, const weft::ITimeInfo& info, double sampleRate = 48000.0)
{
  wp.SetTransport(info, sampleRate, 256);
  wp.UpdateBeatPosition();
}

} // namespace

TEST(ScopeCapture, SizeBelowOneCountsAsOneSlotAndClearBuffersZeroesBothTraces)
{
  WaveformProcessor wp(0);
  EXPECT_EQ(wp.GetSize(), 1);
  wp.UpdateSamples(0.5, -1.0);
  EXPECT_EQ(wp.GetInputLevel(0), 0.5);
  wp.ClearBuffers();
  EXPECT_EQ(wp.GetInputLevel(0), 0.0);
  EXPECT_EQ(wp.GetOutputLevel(0), 0.0);
}

TEST(ScopeCapture, ScopeSyncSelectsTheWindowLengthAndRefusesOtherValues)
{
  WaveformProcessor wp;
  const double lengths[] = {0.25, 0.5, 1, 2, 4, 8, 16};
  for (int i = 0; i < 7; ++i)
  {
    EXPECT_TRUE(wp.SetWindowFromScopeSync(i));
    EXPECT_EQ(wp.GetWindowLength(), lengths[i]);
  }
  for (double bad : {-1.0, 7.0, 2.5, std::nan("")})
    EXPECT_FALSE(wp.SetWindowFromScopeSync(bad));
  EXPECT_EQ(wp.GetWindowLength(), 16.0);
}

TEST(ScopeCapture, PhaseAndSlotFollowThePositionInBeatsOfTheDenominator)
{
  struct Row { int scopeSync; double ppq; int denominator; double phase; int slot; };
  // Whole-note window: four quarter notes, eight beats of 6/8; a zero
  // denominator counts one quarter note per beat; negative positions wrap.
  const Row rows[] = {{4, 2.0, 8, 0.5, 500}, {3, 10.5, 4, 0.25, 250}, {3, 3.0, 0, 0.5, 500}, {3, -1.0, 4, -0.5, 500}};
  for (const Row& r : rows)
  {
    SCOPED_TRACE(testing::Message() << "ppq " << r.ppq << ", denominator " << r.denominator);
    WaveformProcessor wp;
    wp.SetWindowFromScopeSync(r.scopeSync);
    Snapshot(wp, Transport(r.ppq, true, 6, r.denominator));
    EXPECT_EQ(wp.GetPhase(), r.phase);
    EXPECT_EQ(wp.GetSlotIndex(), r.slot);
  }

  WaveformProcessor wp;
  wp.SetWindowFromScopeSync(4);
  wp.SetTransport(Transport(2.0, true, 6, 8, 97.0), 44100.0, 128);
  EXPECT_EQ(wp.GetSamplesPerBeat(), 27278); // 44100 * 60 / 97 = 27278.35, truncated
  wp.UpdateBeatPosition();
  wp.UpdateBeatPositionInRealTime(1.0);
  EXPECT_EQ(wp.GetBeatPos(), 6.0);
  EXPECT_EQ(wp.GetPhase(), 0.75);
  Snapshot(wp, Transport(1.0, true)); // looping back takes the new position
  EXPECT_EQ(wp.GetBeatPos(), 1.0);
  EXPECT_EQ(wp.GetPhase(), 0.25);
}

TEST(ScopeCapture, WholeNoteWindowAt120BpmSpansNinetySixSamplesPerSlot)
{
  WaveformProcessor left, right;
  left.SetWindowFromScopeSync(4);
  right.SetWindowFromScopeSync(4);
  Snapshot(left, Transport(0.0, true));
  Snapshot(right, Transport(0.0, true));
  const double inc = BeatIncrementPerSample(120.0, 48000.0);
  EXPECT_DOUBLE_EQ(inc, 120.0 / 2880000.0);

  // Sample s is written after s + 1 advances: slot floor((s + 1) / 96).
  std::vector<double> ramp(96000);
  for (int s = 0; s < 96000; ++s)
    ramp[s] = s;
  const double* src[2] = {ramp.data(), ramp.data()};
  {
    pw::test::AllocationCounter allocs;
    CaptureScopeBlock(left, right, src, src, 96000 - 1, inc);
    EXPECT_EQ(allocs.Count(), 0u);
  }
  EXPECT_NEAR(left.GetPhase(), 95999.0 / 96000.0, 1e-9);
  for (int k = 1; k < 999; ++k)
  {
    ASSERT_NEAR(left.GetInputLevel(k), 96.0 * k + 94.0, 1.0) << k;
    ASSERT_EQ(right.GetOutputLevel(k), left.GetInputLevel(k)) << k;
  }
}

TEST(ScopeCapture, StoppedTransportOverwritesTheSameSlotPair)
{
  WaveformProcessor left, right;
  Snapshot(left, Transport(0.3, false));
  Snapshot(right, Transport(0.3, false));
  const int slot = left.GetSlotIndex();
  EXPECT_EQ(slot, 600);
  const std::vector<double> a{-0.5, 0.25}, b{0.75, -0.125};
  const double* src[2] = {a.data(), a.data()};
  const double* out[2] = {b.data(), b.data()};
  CaptureScopeBlock(left, right, src, out, 2, BeatIncrementPerSample(120.0, 48000.0));
  EXPECT_EQ(left.GetBeatPos(), 0.3);
  EXPECT_EQ(left.GetInputLevel(slot), 0.25);
  EXPECT_EQ(left.GetOutputLevel(slot), 0.125);
  EXPECT_EQ(left.GetInputLevel(slot + 1), 0.0);
}

TEST(ScopeCapture, NonFiniteOrDegeneratePositionsAndIncrementsStayInsideTheTrace)
{
  for (double ppq : {std::nan(""), std::numeric_limits<double>::infinity()})
  {
    WaveformProcessor wp;
    Snapshot(wp, Transport(ppq, true));
    EXPECT_EQ(wp.GetPhase(), 0.0) << ppq;
  }
  WaveformProcessor wp;
  Snapshot(wp, Transport(-1e-17, true));
  EXPECT_GE(wp.GetSlotIndex(), 0);
  EXPECT_LT(wp.GetSlotIndex(), 1000);
  wp.SetWindowLength(0.0);
  Snapshot(wp, Transport(1.7, true));
  EXPECT_EQ(wp.GetPhase(), 0.0);

  EXPECT_EQ(BeatIncrementPerSample(120.0, 0.0), 0.0);
  EXPECT_EQ(BeatIncrementPerSample(std::numeric_limits<double>::infinity(), 48000.0), 0.0);
  Snapshot(wp, Transport(0.2, true));
  wp.UpdateBeatPositionInRealTime(std::nan(""));
  EXPECT_EQ(wp.GetBeatPos(), 0.2);
}

TEST(ScopeCapture, MissingSourcesFeedZero)
{
  WaveformProcessor left, right;
  const std::vector<double> l{-0.5}, o{0.75};
  const double* mono[2] = {l.data(), nullptr};
  const double* outs[2] = {o.data(), o.data()};
  UpdateSamplesForWaveViewers(left, right, 0, mono, outs);
  EXPECT_EQ(left.GetInputLevel(0), 0.5);
  EXPECT_EQ(right.GetInputLevel(0), 0.0);
  EXPECT_EQ(right.GetOutputLevel(0), 0.75);
  UpdateSamplesForWaveViewers(left, right, 0, nullptr, nullptr);
  EXPECT_EQ(left.GetInputLevel(0), 0.0);
  EXPECT_EQ(left.GetOutputLevel(0), 0.0);
}
