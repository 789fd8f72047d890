#include "WaveformProcessor.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using pressweave::BeatIncrementPerSample;
using pressweave::CaptureScopeBlock;
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
    EXPECT_FALSE(wp.SetWindowFromScopeSync(bad)) << bad;
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
  Snapshot(wp, Transport(2.0, true, 6, 8));
  wp.UpdateBeatPositionInRealTime(1.0);
  EXPECT_EQ(wp.GetPhase(), 0.75);
  Snapshot(wp, Transport(1.0, true)); // looping back takes the new position
  EXPECT_EQ(wp.GetBeatPos(), 1.0);
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
  for (int k : {1, 500, 998})
  {
    EXPECT_NEAR(left.GetInputLevel(k), 96.0 * k + 94.0, 1.0) << k;
    EXPECT_EQ(right.GetOutputLevel(k), left.GetInputLevel(k)) << k;
  }
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
  wp.UpdateBeatPositionInRealTime(std::nan(""));
  EXPECT_EQ(wp.GetBeatPos(), 1.7);
}
