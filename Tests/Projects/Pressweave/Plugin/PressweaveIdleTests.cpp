// The engine's part of the idle handler: the meters' analysis, the scopes'
// window and transport, and the goniometer's drain.

#include "PressweaveTestRig.h"

#include <chrono>
#include <thread>

using namespace pressweave;
using pw::test::DirectRig;
using pw::test::SetParam;

namespace {

constexpr int kBlock = 512;

class PressweaveIdle : public ::testing::Test
{
protected:
  // Processes a block of n frames, then lets clock time pass (the meters
  // measure it between analyses) and idles.
  void ProcessAndIdle(int n = kBlock)
  {
    rig.Process(n);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    rig.plug->OnIdle();
  }

  DirectRig rig{2, 2, 2};
};

TEST_F(PressweaveIdle, TheMetersAnalyseOnlyTheFramesOfTheLastBlock)
{
  rig.plug->OnIdle(); // the meters' first analysis only takes the time
  rig.Fill(0, 0.9);
  rig.Fill(1, 0.9);
  rig.Process(kBlock);
  rig.Fill(0, 0.1);
  rig.Fill(1, 0.1);
  ProcessAndIdle(64); // a short block: frames 64..511 of the hand-off are stale
  EXPECT_DOUBLE_EQ(rig.plug->GetInputMeter().GetPeak(0), 0.1);
  EXPECT_DOUBLE_EQ(rig.plug->GetInputMeter().GetPeakHold(1), 0.1);
  EXPECT_NEAR(rig.plug->GetOutputMeter().GetPeak(0), 0.1, 1e-15);
}

TEST_F(PressweaveIdle, TheSidechainMeterReadsTheSidechainWhilePresentAtTheSessionRate)
{
  EXPECT_EQ(rig.plug->GetSidechainMeter().GetRingSize(1), 14400); // 300 ms at 48 kHz
  rig.plug->SetHostForTest(weft::kHostLogic);
  rig.plug->OnIdle();
  rig.Fill(2, 0.5);
  rig.Fill(3, 0.25);
  ProcessAndIdle();
  ASSERT_TRUE(rig.plug->IsSidechainPresent());
  EXPECT_DOUBLE_EQ(rig.plug->GetSidechainMeter().GetPeak(0), 0.5);
  EXPECT_DOUBLE_EQ(rig.plug->GetSidechainMeter().GetPeak(1), 0.25);
}

TEST_F(PressweaveIdle, ResetClearsTheScopesWhichTakeScopeSyncAndTheHostTransport)
{
  rig.Fill(0, 0.7);
  rig.Process(kBlock); // the transport is stopped: slot 0
  ASSERT_GT(rig.plug->GetScopeLeft().GetInputLevel(0), 0.0);
  rig.plug->OnReset();
  EXPECT_EQ(rig.plug->GetScopeLeft().GetInputLevel(0), 0.0);

  SetParam(*rig.plug, kScopeSync, 6);
  weft::ITimeInfo info;
  info.mTempo = 97.0;
  info.mPPQPos = 3.0;
  info.mNumerator = 6;
  info.mDenominator = 8;
  info.mTransportIsRunning = true;
  rig.SetTransport(info);
  rig.plug->OnIdle();
  for (const WaveformProcessor* scope : {&rig.plug->GetScopeLeft(), &rig.plug->GetScopeRight()})
  {
    EXPECT_EQ(scope->GetWindowLength(), 16.0);
    EXPECT_EQ(scope->GetSamplesPerBeat(), 29690); // 48000 * 60 / 97 = 29690.7, truncated
    EXPECT_DOUBLE_EQ(scope->GetBeatPos(), 6.0);   // in 6/8 the beat is an eighth note
  }
}

TEST_F(PressweaveIdle, TheGoniometerDataGoesToItsControlTagAtIdle)
{
  rig.Fill(0, 0.5);
  rig.Fill(1, -0.5);
  for (int b = 0; b < 3; ++b)
    rig.Process(kBlock);
  EXPECT_TRUE(rig.plug->controlMessages.empty());

  rig.plug->OnIdle();
  // 1536 frames fill twelve 128-frame buffers; a full buffer is queued when
  // the next frame arrives, so eleven have gone.
  ASSERT_EQ(rig.plug->controlMessages.size(), 11u);
  EXPECT_EQ(rig.plug->controlMessages[10].ctrlTag, kCtrlTagGoniometer);
  EXPECT_EQ(rig.plug->controlMessages[10].dataSize,
            static_cast<int>(sizeof(weft::ISenderData<2, std::array<float, 128>>)));
  rig.plug->controlMessages.clear();
  rig.plug->OnIdle();
  EXPECT_TRUE(rig.plug->controlMessages.empty());
}

} // namespace
