#include "FakeHostedUnit.h"
#include "HostTransport.h"
#include "RenderSession.h"
#include "TestSignals.h"

#include <CoreFoundation/PWShimCFBase.h>
#include <CoreFoundation/PWShimRunLoop.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <memory>

using pw::host::HostTransport;
using pw::host::RenderSession;
using pw::host::RenderSummary;
using pw::host::SessionSettings;
using pw::host::Status;
using pw::test::BufferSink;
using pw::test::BufferSource;
using pw::test::FakeHostedUnit;

namespace {

SessionSettings Settings(UInt32 block, int main, int sidechain, int output, double rate = 48000.0)
{
  return {rate, block, main, sidechain, output, false};
}

float MainSample(int channel, long frame)
{
  return 0.001f * static_cast<float>(frame % 500) - 0.25f * static_cast<float>(channel);
}

float SideSample(int, long frame)
{
  return frame % 100 < 50 ? 0.5f : -0.5f;
}

BufferSource Main(int channels, long frames)
{
  return BufferSource(channels, frames, MainSample);
}

// The unit is opened with the virtual clock on, as the host does, so its
// timer is scheduled on that clock.
class RenderSessionTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    mLiveAtStart = PWShimCFLiveObjectCount();
    ASSERT_TRUE(PWShimRunLoopSetVirtualClock(true));
    mOpen = pw::test::Open(*mUnit);
    ASSERT_NE(mOpen, nullptr);
  }
  void TearDown() override
  {
    mOpen.reset();
    PWShimRunLoopSetVirtualClock(false);
    EXPECT_EQ(PWShimCFLiveObjectCount(), mLiveAtStart) << "CoreFoundation objects left behind";
  }

  // Configures a session and renders main (and side) through it.
  Status Run(const SessionSettings& settings, BufferSource& main, BufferSource* side = nullptr,
             BufferSink* sink = nullptr, const RenderSession::ProgressFn& progress = {},
             const std::atomic<bool>* cancel = nullptr)
  {
    RenderSession session(mOpen.get());
    const Status configured = session.Configure(settings);
    EXPECT_TRUE(configured) << configured.Message();
    return session.Render(main, side, sink, mSummary, progress, cancel);
  }

  std::unique_ptr<FakeHostedUnit> mUnit = std::make_unique<FakeHostedUnit>();
  pw::test::OpenUnit mOpen;
  RenderSummary mSummary;
  CFIndex mLiveAtStart = 0;
};

} // namespace

TEST_F(RenderSessionTest, ConfigureNegotiatesEverythingAndTheEndDetachesIt)
{
  {
    RenderSession session(mOpen.get());
    SessionSettings settings = Settings(256, 2, 1, 2, 44100.0);
    settings.bypass = true;
    ASSERT_TRUE(session.Configure(settings));
    EXPECT_EQ(mUnit->sampleRate, 44100.0);
    EXPECT_EQ(mUnit->maxFrames, 256u);
    EXPECT_EQ(std::vector<int>(mUnit->formatChannels, mUnit->formatChannels + 3), (std::vector<int>{2, 1, 2}));
    EXPECT_NE(mUnit->callbacks[1].inputProc, nullptr);
    EXPECT_NE(mUnit->hostCallbacks.musicalTimeLocationProc, nullptr);
    EXPECT_TRUE(mUnit->initialized);
    EXPECT_EQ(mUnit->bypass, 1u);
  }
  EXPECT_FALSE(mUnit->initialized);
  EXPECT_EQ(mUnit->callbacks[0].inputProc, nullptr);
  EXPECT_EQ(mUnit->callbacks[1].inputProc, nullptr);
  EXPECT_EQ(mUnit->hostCallbacks.beatAndTempoProc, nullptr);
}

TEST_F(RenderSessionTest, ConfigureRefusesWhatTheSettingsOrTheUnitDoNotAllow)
{
  const struct { std::function<void(FakeHostedUnit&)> set; SessionSettings settings; const char* message; } cases[] = {
    {{}, Settings(0, 2, 0, 2), "the block size must be 1 to 65536 frames"},
    {{}, Settings(64, 2, 0, 2, NAN), "the sample rate must be above 0 Hz"},
    {{}, Settings(64, 9, 0, 2), "illegal channel count: each bus takes 1 to 8 channels"},
    {{}, Settings(FakeHostedUnit::kMaxFrames + 1, 2, 0, 2), "the component refuses slices of 4097 frames"},
    {[](FakeHostedUnit& u) { u.inputBuses = 1; }, Settings(64, 2, 1, 2), "the component has no sidechain input"},
    {[](FakeHostedUnit& u) { u.initializeStatus = static_cast<OSStatus>(badComponentSelector); }, Settings(64, 2, 2, 2),
     "illegal channel count: the component has no configuration for 2 main + 2 sidechain in, 2 out"},
    {[](FakeHostedUnit& u) { u.initializeStatus = -10875; }, Settings(64, 1, 0, 1),
     "initialising the component failed (status -10875)"},
  };
  for (const auto& c : cases)
  {
    auto unit = std::make_unique<FakeHostedUnit>();
    if (c.set)
      c.set(*unit);
    const pw::test::OpenUnit open = pw::test::Open(*unit);
    RenderSession session(open.get());
    const Status status = session.Configure(c.settings);
    ASSERT_FALSE(status) << c.message;
    EXPECT_EQ(status.Message().rfind(c.message, 0), 0u) << status.Message();
    EXPECT_FALSE(unit->initialized);
  }
}

TEST_F(RenderSessionTest, RendersEverySliceAtItsSampleTimeReportingProgress)
{
  BufferSource main = Main(1, 1000);
  std::vector<std::int64_t> reports;
  ASSERT_TRUE(Run(Settings(256, 1, 0, 1), main, nullptr, nullptr, [&reports](std::int64_t done, std::int64_t total) {
    EXPECT_EQ(total, 1000);
    reports.push_back(done);
  }));
  EXPECT_EQ(mUnit->renderSampleTimes, (std::vector<Float64>{0.0, 256.0, 512.0, 768.0}));
  EXPECT_EQ(mUnit->renderFrames, (std::vector<UInt32>{256, 256, 256, 232}));
  EXPECT_EQ(reports, (std::vector<std::int64_t>{256, 512, 768, 1000}));
  EXPECT_EQ(mSummary.frames, 1000);
}

TEST_F(RenderSessionTest, OutputIsTheUnitsMixWithASidechainSilentPastItsEndAndTheCallbacksAllocateNothing)
{
  RenderSession session(mOpen.get());
  ASSERT_TRUE(session.Configure(Settings(100, 2, 1, 2)));
  ASSERT_TRUE(session.ApplyParameters({{0, "Gain", 2.0f}}));
  EXPECT_EQ(session.ApplyParameters({{7, "Nope", 1.0f}}).Message(),
            "the component refuses the value of parameter 'Nope' (status -10878)");
  BufferSource main = Main(2, 1050);
  BufferSource side(1, 1000, SideSample);
  BufferSink sink(2);
  ASSERT_TRUE(session.Render(main, &side, &sink, mSummary));
  ASSERT_EQ(sink.channels[0].size(), 1050u);
  for (int c = 0; c < 2; ++c)
    for (long i = 0; i < 1050; ++i)
      ASSERT_EQ(sink.channels[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)],
                MainSample(c, i) * 2.0f + (i < 1000 ? SideSample(0, i) * FakeHostedUnit::kSidechainWeight : 0.0f))
        << "channel " << c << " frame " << i;
  EXPECT_EQ(mUnit->allocationsInCallbacks, 0u);
}

TEST_F(RenderSessionTest, TheSummaryHoldsPeakAndRmsOfEachBus)
{
  BufferSource main(1, 200, [](int, long i) { return i % 2 ? 0.5f : -0.5f; });
  BufferSource side(1, 200, [](int, long i) { return i == 7 ? -0.8f : 0.0f; });
  ASSERT_TRUE(Run(Settings(64, 1, 1, 1), main, &side));
  EXPECT_DOUBLE_EQ(mSummary.main.Rms(), 0.5);
  EXPECT_FLOAT_EQ(mSummary.sidechain.peak, 0.8f);
  EXPECT_NEAR(mSummary.sidechain.Rms(), std::sqrt(0.64 / 200.0), 1e-9);
  // Output = main + 0.25 x sidechain: frame 7 becomes 0.5 - 0.2.
  EXPECT_NEAR(mSummary.output.Rms(), std::sqrt((199 * 0.25 + 0.09) / 200.0), 1e-7);
}

TEST_F(RenderSessionTest, AFailingRenderStopsAtItsSliceKeepingWhatWasWritten)
{
  mUnit->renderStatus = -10851;
  mUnit->renderFailsAtSampleTime = 512.0;
  BufferSource main = Main(2, 2000);
  BufferSink sink(2);
  EXPECT_EQ(Run(Settings(256, 2, 0, 2), main, nullptr, &sink).Message(),
            "the component failed to render frames 512 to 768 (status -10851)");
  EXPECT_EQ(sink.channels[0].size(), 512u);
  EXPECT_EQ(mSummary.frames, 0) << "the summary is only filled by a finished render";
}

TEST_F(RenderSessionTest, AMismatchedOrFailingSourceOrACancelStopsTheRenderBeforeTheNextSlice)
{
  BufferSource stereo = Main(2, 64);
  EXPECT_EQ(Run(Settings(64, 1, 0, 1), stereo).Message(), "the sources do not match the negotiated channel counts");
  EXPECT_TRUE(mUnit->renderSampleTimes.empty());

  BufferSource failing = Main(1, 1000);
  failing.failAt = 250;
  EXPECT_EQ(Run(Settings(100, 1, 0, 1), failing).Message(), "reading 'test buffer' failed at frame 200");
  EXPECT_EQ(mUnit->renderSampleTimes.size(), 2u);

  mUnit->renderSampleTimes.clear();
  BufferSource main = Main(1, 1000);
  std::atomic<bool> cancel{false};
  EXPECT_EQ(Run(Settings(100, 1, 0, 1), main, nullptr, nullptr,
                [&cancel](std::int64_t done, std::int64_t) { cancel = done >= 300; }, &cancel)
              .Message(),
            "interrupted");
  EXPECT_EQ(mUnit->renderSampleTimes.size(), 3u);
}

// ---- time: the virtual clock and the transport ------------------------------

TEST_F(RenderSessionTest, TheTwentyMillisecondTimerFiresAsInRealTimeAndTheBeatFollowsEachSlice)
{
  // 10 ms slices over one second: before slice k, k x 10 ms have passed, and
  // at 120 quarter notes a minute beat k / 50.
  BufferSource main = Main(1, 48000);
  ASSERT_TRUE(Run(Settings(480, 1, 0, 1), main));
  ASSERT_EQ(mUnit->timerFiresAtRender.size(), 100u);
  for (std::size_t k = 0; k < 100; ++k)
  {
    ASSERT_EQ(mUnit->timerFiresAtRender[k], static_cast<int>(k / 2)) << "before slice " << k;
    ASSERT_DOUBLE_EQ(mUnit->beats[k], k / 50.0) << "slice " << k;
  }
  EXPECT_EQ(mUnit->timerFires, 50);
}

TEST(HostTransport, BeatDownbeatAndTimeSignatureFollowTheSampleTime)
{
  HostTransport transport(48000.0); // 120 quarter notes a minute: 24000 samples a beat, 4/4
  transport.SetSampleTime(36000.0);
  EXPECT_DOUBLE_EQ(transport.Beat(), 1.5);
  EXPECT_EQ(transport.SamplesToNextBeat(), 12000u);
  transport.SetSampleTime(5.25 * 24000.0);
  EXPECT_EQ(transport.MeasureDownBeat(), 4.0);

  HostTransport sixEight(44100.0, 90.0, 6, 8);
  sixEight.SetSampleTime(44100.0 * 60.0 / 90.0 * 4.0); // quarter note 4, in the second bar of 3 quarter notes
  Float32 numerator = 0.0f;
  UInt32 denominator = 0;
  Float64 downbeat = -1.0;
  UInt32 delta = 99;
  ASSERT_EQ(HostTransport::GetMusicalTimeLocation(&sixEight, &delta, &numerator, &denominator, &downbeat), noErr);
  EXPECT_EQ(numerator, 6.0f);
  EXPECT_EQ(denominator, 8u);
  EXPECT_EQ(downbeat, 3.0);
  EXPECT_EQ(delta, 0u);
}

TEST(HostTransport, TheTransportPlaysChangesOnlyAtTheStartAndNeverCycles)
{
  HostTransport transport(48000.0);
  Boolean playing = false;
  Boolean changed = false;
  Boolean cycling = true;
  Float64 sample = -1.0;
  ASSERT_EQ(HostTransport::GetTransportState(&transport, &playing, &changed, &sample, &cycling, nullptr, nullptr), noErr);
  EXPECT_TRUE(playing && changed && !cycling);
  transport.SetSampleTime(512.0);
  ASSERT_EQ(HostTransport::GetTransportState(&transport, &playing, &changed, &sample, &cycling, nullptr, nullptr), noErr);
  EXPECT_FALSE(changed);
  EXPECT_EQ(sample, 512.0);
  EXPECT_EQ(HostTransport::GetBeatAndTempo(nullptr, nullptr, nullptr), kAudio_ParamError);
}
