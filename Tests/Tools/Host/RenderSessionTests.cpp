#include "FakeHostedUnit.h"
#include "HostTransport.h"
#include "RenderSession.h"
#include "TestSignals.h"

#include <CoreFoundation/PWShimCFBase.h>
#include <CoreFoundation/PWShimRunLoop.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

using pw::host::BusLevels;
using pw::host::HostTransport;
using pw::host::ParameterSetting;
using pw::host::RenderSession;
using pw::host::RenderSummary;
using pw::host::SessionSettings;
using pw::test::BufferSink;
using pw::test::BufferSource;
using pw::test::FakeHostedUnit;

namespace {

SessionSettings Settings(double rate, UInt32 block, int main, int sidechain, int output)
{
  SessionSettings settings;
  settings.sampleRate = rate;
  settings.blockSize = block;
  settings.mainChannels = main;
  settings.sidechainChannels = sidechain;
  settings.outputChannels = output;
  return settings;
}

float MainSample(int channel, long frame)
{
  return 0.001f * static_cast<float>(frame % 500) - 0.25f * static_cast<float>(channel);
}

float SideSample(int, long frame)
{
  return frame % 100 < 50 ? 0.5f : -0.5f;
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
    mOpen = std::make_unique<pw::test::OpenHostedUnit>(mUnit);
    ASSERT_EQ(mOpen->Status(), noErr);
  }
  void TearDown() override
  {
    mOpen.reset();
    PWShimRunLoopSetVirtualClock(false);
    EXPECT_EQ(PWShimCFLiveObjectCount(), mLiveAtStart) << "CoreFoundation objects left behind";
  }

  AudioUnit Unit() const { return mOpen->Handle(); }

  FakeHostedUnit mUnit;
  std::unique_ptr<pw::test::OpenHostedUnit> mOpen;
  CFIndex mLiveAtStart = 0;
};

} // namespace

// ---- negotiation -----------------------------------------------------------

TEST_F(RenderSessionTest, ConfigureNegotiatesRateSliceFormatsCallbacksAndInitialises)
{
  RenderSession session(Unit());
  ASSERT_TRUE(session.Configure(Settings(44100.0, 256, 2, 1, 2)));
  EXPECT_EQ(mUnit.sampleRate, 44100.0);
  EXPECT_EQ(mUnit.maxFrames, 256u);
  EXPECT_EQ(mUnit.formatChannels[0], 2);
  EXPECT_EQ(mUnit.formatChannels[1], 1);
  EXPECT_EQ(mUnit.formatChannels[2], 2);
  EXPECT_NE(mUnit.callbacks[0].inputProc, nullptr);
  EXPECT_NE(mUnit.callbacks[1].inputProc, nullptr);
  EXPECT_NE(mUnit.hostCallbacks.beatAndTempoProc, nullptr);
  EXPECT_NE(mUnit.hostCallbacks.transportStateProc, nullptr);
  EXPECT_NE(mUnit.hostCallbacks.musicalTimeLocationProc, nullptr);
  EXPECT_TRUE(mUnit.initialized);
  EXPECT_EQ(mUnit.bypass, 0u);
}

TEST_F(RenderSessionTest, WithoutSidechainTheSecondBusGetsNoCallback)
{
  RenderSession session(Unit());
  ASSERT_TRUE(session.Configure(Settings(48000.0, 64, 1, 0, 1)));
  EXPECT_EQ(mUnit.callbacks[1].inputProc, nullptr);
  EXPECT_EQ(mUnit.formatChannels[1], 0);
}

TEST_F(RenderSessionTest, EndingTheSessionUninitialisesAndDetachesTheCallbacks)
{
  {
    RenderSession session(Unit());
    ASSERT_TRUE(session.Configure(Settings(48000.0, 64, 2, 2, 2)));
  }
  EXPECT_FALSE(mUnit.initialized);
  EXPECT_EQ(mUnit.callbacks[0].inputProc, nullptr);
  EXPECT_EQ(mUnit.callbacks[1].inputProc, nullptr);
  EXPECT_EQ(mUnit.hostCallbacks.hostUserData, nullptr);
  EXPECT_EQ(mUnit.hostCallbacks.beatAndTempoProc, nullptr);
}

TEST_F(RenderSessionTest, RefusedMainChannelCountIsAnIllegalChannelCount)
{
  mUnit.legalMainChannels = 0b10; // mono only
  RenderSession session(Unit());
  const pw::host::Status status = session.Configure(Settings(48000.0, 64, 2, 0, 2));
  ASSERT_FALSE(status);
  EXPECT_NE(status.Message().find("illegal channel count"), std::string::npos) << status.Message();
  EXPECT_NE(status.Message().find("main input"), std::string::npos) << status.Message();
  EXPECT_EQ(mUnit.initializeCalls, 0);
}

TEST_F(RenderSessionTest, InitializeAnsweringBadSelectorIsAnIllegalChannelCount)
{
  mUnit.initializeStatus = static_cast<OSStatus>(badComponentSelector);
  RenderSession session(Unit());
  const pw::host::Status status = session.Configure(Settings(48000.0, 64, 2, 2, 2));
  ASSERT_FALSE(status);
  EXPECT_EQ(status.Message(), "illegal channel count: the component has no configuration for 2 main + 2 sidechain "
                              "in, 2 out");
  EXPECT_FALSE(mUnit.initialized);
}

TEST_F(RenderSessionTest, OtherInitializeFailuresNameTheStatus)
{
  mUnit.initializeStatus = -10875;
  RenderSession session(Unit());
  const pw::host::Status status = session.Configure(Settings(48000.0, 64, 1, 0, 1));
  ASSERT_FALSE(status);
  EXPECT_EQ(status.Message(), "initialising the component failed (status -10875)");
}

TEST_F(RenderSessionTest, SidechainForAUnitWithoutASecondInputIsRefused)
{
  mUnit.inputBuses = 1;
  RenderSession session(Unit());
  const pw::host::Status status = session.Configure(Settings(48000.0, 64, 2, 1, 2));
  ASSERT_FALSE(status);
  EXPECT_EQ(status.Message(), "the component has no sidechain input");
}

TEST_F(RenderSessionTest, ConfigureRefusesSettingsOutsideTheLimits)
{
  RenderSession session(Unit());
  EXPECT_FALSE(session.Configure(Settings(48000.0, 0, 2, 0, 2)));
  EXPECT_FALSE(session.Configure(Settings(48000.0, 65537, 2, 0, 2)));
  EXPECT_FALSE(session.Configure(Settings(0.0, 64, 2, 0, 2)));
  EXPECT_FALSE(session.Configure(Settings(NAN, 64, 2, 0, 2)));
  EXPECT_FALSE(session.Configure(Settings(48000.0, 64, 0, 0, 2)));
  EXPECT_FALSE(session.Configure(Settings(48000.0, 64, 9, 0, 2)));
  EXPECT_EQ(mUnit.initializeCalls, 0);
  EXPECT_EQ(mUnit.sampleRate, 0.0) << "nothing reaches the unit before the settings are checked";
}

TEST_F(RenderSessionTest, BlockTheUnitRefusesIsReported)
{
  RenderSession session(Unit());
  const pw::host::Status status = session.Configure(Settings(48000.0, FakeHostedUnit::kMaxFrames + 1, 2, 0, 2));
  ASSERT_FALSE(status);
  EXPECT_NE(status.Message().find("refuses slices of 4097 frames"), std::string::npos) << status.Message();
}

// ---- rendering -------------------------------------------------------------

TEST_F(RenderSessionTest, RendersEverySliceWithTheSampleTimeAdvancingByTheSlice)
{
  RenderSession session(Unit());
  ASSERT_TRUE(session.Configure(Settings(48000.0, 256, 2, 0, 2)));
  BufferSource main = BufferSource::Make(2, 1000, 48000.0, MainSample);
  RenderSummary summary;
  ASSERT_TRUE(session.Render(main, nullptr, nullptr, summary));
  EXPECT_EQ(mUnit.renderSampleTimes, (std::vector<Float64>{0.0, 256.0, 512.0, 768.0}));
  EXPECT_EQ(mUnit.renderFrames, (std::vector<UInt32>{256, 256, 256, 232}));
  EXPECT_EQ(summary.frames, 1000);
  EXPECT_EQ(summary.sampleRate, 48000.0);
}

TEST_F(RenderSessionTest, OutputIsTheUnitsMixOfMainAndSidechainSampleForSample)
{
  RenderSession session(Unit());
  ASSERT_TRUE(session.Configure(Settings(48000.0, 100, 2, 1, 2)));
  ASSERT_TRUE(session.ApplyParameters({ParameterSetting{0, "Gain", 2.0f}}));
  BufferSource main = BufferSource::Make(2, 1050, 48000.0, MainSample);
  BufferSource side = BufferSource::Make(1, 1050, 48000.0, SideSample);
  BufferSink sink(2);
  RenderSummary summary;
  ASSERT_TRUE(session.Render(main, &side, &sink, summary));
  ASSERT_EQ(sink.channels[0].size(), 1050u);
  for (int c = 0; c < 2; ++c)
    for (long i = 0; i < 1050; ++i)
      ASSERT_EQ(sink.channels[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)],
                MainSample(c, i) * 2.0f + SideSample(0, i) * FakeHostedUnit::kSidechainWeight)
        << "channel " << c << " frame " << i;
}

TEST_F(RenderSessionTest, ASidechainShorterThanTheMainInputReadsAsSilenceAfterItsEnd)
{
  RenderSession session(Unit());
  ASSERT_TRUE(session.Configure(Settings(48000.0, 64, 1, 1, 1)));
  BufferSource main = BufferSource::Make(1, 300, 48000.0, [](int, long) { return 0.0f; });
  BufferSource side = BufferSource::Make(1, 100, 48000.0, [](int, long) { return 1.0f; });
  BufferSink sink(1);
  RenderSummary summary;
  ASSERT_TRUE(session.Render(main, &side, &sink, summary));
  ASSERT_EQ(sink.channels[0].size(), 300u);
  EXPECT_EQ(sink.channels[0][99], FakeHostedUnit::kSidechainWeight);
  EXPECT_EQ(sink.channels[0][100], 0.0f);
  EXPECT_EQ(sink.channels[0][299], 0.0f);
}

TEST_F(RenderSessionTest, BypassAndParametersReachTheUnit)
{
  RenderSession session(Unit());
  SessionSettings settings = Settings(48000.0, 64, 2, 0, 2);
  settings.bypass = true;
  ASSERT_TRUE(session.Configure(settings));
  ASSERT_TRUE(session.ApplyParameters({{0, "Gain", 3.0f}, {1, "Mode", 2.0f}}));
  EXPECT_EQ(mUnit.bypass, 1u);
  EXPECT_EQ(mUnit.parameters[0], 3.0f);
  EXPECT_EQ(mUnit.parameters[1], 2.0f);
  BufferSource main = BufferSource::Make(2, 128, 48000.0, MainSample);
  BufferSink sink(2);
  RenderSummary summary;
  ASSERT_TRUE(session.Render(main, nullptr, &sink, summary));
  EXPECT_EQ(sink.channels[0], main.Channel(0));
  EXPECT_EQ(sink.channels[1], main.Channel(1));
}

TEST_F(RenderSessionTest, AParameterTheUnitRefusesIsReportedByName)
{
  RenderSession session(Unit());
  ASSERT_TRUE(session.Configure(Settings(48000.0, 64, 2, 0, 2)));
  const pw::host::Status status = session.ApplyParameters({{7, "Nope", 1.0f}});
  ASSERT_FALSE(status);
  EXPECT_NE(status.Message().find("'Nope'"), std::string::npos) << status.Message();
}

TEST_F(RenderSessionTest, SummaryHoldsPeakAndRmsOfEachBus)
{
  RenderSession session(Unit());
  ASSERT_TRUE(session.Configure(Settings(48000.0, 64, 1, 1, 1)));
  BufferSource main = BufferSource::Make(1, 200, 48000.0, [](int, long i) { return i % 2 ? 0.5f : -0.5f; });
  BufferSource side = BufferSource::Make(1, 200, 48000.0, [](int, long i) { return i == 7 ? -0.8f : 0.0f; });
  RenderSummary summary;
  ASSERT_TRUE(session.Render(main, &side, nullptr, summary));
  EXPECT_EQ(summary.main.channels, 1);
  EXPECT_FLOAT_EQ(summary.main.peak, 0.5f);
  EXPECT_DOUBLE_EQ(summary.main.Rms(), 0.5);
  EXPECT_FLOAT_EQ(summary.sidechain.peak, 0.8f);
  EXPECT_NEAR(summary.sidechain.Rms(), std::sqrt(0.64 / 200.0), 1e-9);
  // Output = main + 0.25 x sidechain: frame 7 becomes 0.5 - 0.2, the rest
  // keeps magnitude 0.5.
  EXPECT_FLOAT_EQ(summary.output.peak, 0.5f);
  EXPECT_NEAR(summary.output.Rms(), std::sqrt((199 * 0.25 + 0.09) / 200.0), 1e-7);
  EXPECT_EQ(summary.output.samples, 200);
}

TEST_F(RenderSessionTest, AFailingRenderStopsAtItsSliceAndKeepsWhatWasWritten)
{
  mUnit.renderStatus = -10851;
  mUnit.renderFailsAtSampleTime = 512.0;
  RenderSession session(Unit());
  ASSERT_TRUE(session.Configure(Settings(48000.0, 256, 2, 0, 2)));
  BufferSource main = BufferSource::Make(2, 2000, 48000.0, MainSample);
  BufferSink sink(2);
  RenderSummary summary;
  const pw::host::Status status = session.Render(main, nullptr, &sink, summary);
  ASSERT_FALSE(status);
  EXPECT_EQ(status.Message(), "the component failed to render frames 512 to 768 (status -10851)");
  EXPECT_EQ(sink.channels[0].size(), 512u);
  EXPECT_EQ(summary.frames, 0) << "the summary is only filled by a finished render";
}

TEST_F(RenderSessionTest, AFailingSourceStopsTheRender)
{
  RenderSession session(Unit());
  ASSERT_TRUE(session.Configure(Settings(48000.0, 100, 1, 0, 1)));
  BufferSource main = BufferSource::Make(1, 1000, 48000.0, MainSample);
  main.failAt = 250;
  RenderSummary summary;
  const pw::host::Status status = session.Render(main, nullptr, nullptr, summary);
  ASSERT_FALSE(status);
  EXPECT_EQ(status.Message(), "reading 'test buffer' failed at frame 200");
  EXPECT_EQ(mUnit.renderSampleTimes.size(), 2u);
}

TEST_F(RenderSessionTest, ACancelledRenderIsInterruptedBeforeTheNextSlice)
{
  RenderSession session(Unit());
  ASSERT_TRUE(session.Configure(Settings(48000.0, 100, 1, 0, 1)));
  BufferSource main = BufferSource::Make(1, 1000, 48000.0, MainSample);
  std::atomic<bool> cancel{false};
  RenderSummary summary;
  const pw::host::Status status = session.Render(
    main, nullptr, nullptr, summary, [&cancel](std::int64_t done, std::int64_t) { cancel = done >= 300; }, &cancel);
  ASSERT_FALSE(status);
  EXPECT_EQ(status.Message(), "interrupted");
  EXPECT_EQ(mUnit.renderSampleTimes.size(), 3u);
}

TEST_F(RenderSessionTest, SourcesThatDoNotMatchTheNegotiationAreRefused)
{
  RenderSession session(Unit());
  ASSERT_TRUE(session.Configure(Settings(48000.0, 64, 2, 1, 2)));
  BufferSource mono = BufferSource::Make(1, 64, 48000.0, MainSample);
  BufferSource side = BufferSource::Make(1, 64, 48000.0, SideSample);
  RenderSummary summary;
  EXPECT_FALSE(session.Render(mono, &side, nullptr, summary));
  EXPECT_TRUE(mUnit.renderSampleTimes.empty());
}

TEST_F(RenderSessionTest, ProgressIsReportedAfterEverySlice)
{
  RenderSession session(Unit());
  ASSERT_TRUE(session.Configure(Settings(48000.0, 400, 1, 0, 1)));
  BufferSource main = BufferSource::Make(1, 1000, 48000.0, MainSample);
  std::vector<std::int64_t> reports;
  RenderSummary summary;
  ASSERT_TRUE(session.Render(main, nullptr, nullptr, summary,
                             [&reports](std::int64_t done, std::int64_t total) {
                               EXPECT_EQ(total, 1000);
                               reports.push_back(done);
                             }));
  EXPECT_EQ(reports, (std::vector<std::int64_t>{400, 800, 1000}));
}

TEST_F(RenderSessionTest, RenderCallbacksAllocateNothing)
{
  RenderSession session(Unit());
  ASSERT_TRUE(session.Configure(Settings(48000.0, 128, 2, 2, 2)));
  BufferSource main = BufferSource::Make(2, 1024, 48000.0, MainSample);
  BufferSource side = BufferSource::Make(2, 1024, 48000.0, SideSample);
  RenderSummary summary;
  ASSERT_TRUE(session.Render(main, &side, nullptr, summary));
  ASSERT_EQ(mUnit.renderSampleTimes.size(), 8u);
  EXPECT_EQ(mUnit.allocationsInCallbacks, 0u);
}

// ---- time: the virtual clock and the transport ------------------------------

TEST_F(RenderSessionTest, TheTwentyMillisecondTimerFiresAsOftenAsInRealTime)
{
  // 10 ms slices over one second: before slice k, k x 10 ms have passed.
  RenderSession session(Unit());
  ASSERT_TRUE(session.Configure(Settings(48000.0, 480, 1, 0, 1)));
  BufferSource main = BufferSource::Make(1, 48000, 48000.0, MainSample);
  RenderSummary summary;
  ASSERT_TRUE(session.Render(main, nullptr, nullptr, summary));
  ASSERT_EQ(mUnit.timerFiresAtRender.size(), 100u);
  for (std::size_t k = 0; k < 100; ++k)
    ASSERT_EQ(mUnit.timerFiresAtRender[k], static_cast<int>(k / 2)) << "before slice " << k;
  EXPECT_EQ(mUnit.timerFires, 50);
}

TEST_F(RenderSessionTest, TheUnitSeesAPlayingTransportAtTheSlicesSampleTime)
{
  RenderSession session(Unit());
  ASSERT_TRUE(session.Configure(Settings(48000.0, 3000, 1, 0, 1)));
  BufferSource main = BufferSource::Make(1, 15000, 48000.0, MainSample);
  RenderSummary summary;
  ASSERT_TRUE(session.Render(main, nullptr, nullptr, summary));
  ASSERT_EQ(mUnit.beats.size(), 5u);
  for (std::size_t k = 0; k < 5; ++k)
  {
    // 120 quarter notes a minute at 48 kHz: 24000 samples a beat.
    EXPECT_DOUBLE_EQ(mUnit.beats[k], 3000.0 * k / 24000.0);
    EXPECT_EQ(mUnit.tempos[k], 120.0);
    EXPECT_TRUE(mUnit.playing[k]);
    EXPECT_EQ(mUnit.timelineSamples[k], 3000.0 * k);
  }
}

TEST(HostTransport, BeatDownbeatAndDistanceToTheNextBeatFollowTheSampleTime)
{
  HostTransport transport(48000.0);
  transport.SetSampleTime(0.0);
  EXPECT_EQ(transport.Beat(), 0.0);
  EXPECT_EQ(transport.SamplesToNextBeat(), 0u);
  EXPECT_EQ(transport.MeasureDownBeat(), 0.0);

  transport.SetSampleTime(36000.0); // beat 1.5
  EXPECT_DOUBLE_EQ(transport.Beat(), 1.5);
  EXPECT_EQ(transport.SamplesToNextBeat(), 12000u);
  EXPECT_EQ(transport.MeasureDownBeat(), 0.0);

  transport.SetSampleTime(5.25 * 24000.0); // in the second bar
  EXPECT_EQ(transport.MeasureDownBeat(), 4.0);
  EXPECT_EQ(transport.SamplesToNextBeat(), 18000u);
}

TEST(HostTransport, SixEightBarsAreThreeQuarterNotesLong)
{
  HostTransport transport(44100.0, 90.0, 6, 8);
  transport.SetSampleTime(44100.0 * 60.0 / 90.0 * 4.0); // quarter note 4
  EXPECT_DOUBLE_EQ(transport.Beat(), 4.0);
  EXPECT_EQ(transport.MeasureDownBeat(), 3.0);
  Float32 numerator = 0.0f;
  UInt32 denominator = 0;
  Float64 downbeat = -1.0;
  UInt32 delta = 99;
  ASSERT_EQ(HostTransport::GetMusicalTimeLocation(&transport, &delta, &numerator, &denominator, &downbeat), noErr);
  EXPECT_EQ(numerator, 6.0f);
  EXPECT_EQ(denominator, 8u);
  EXPECT_EQ(downbeat, 3.0);
  EXPECT_EQ(delta, 0u);
}

TEST(HostTransport, TheTransportChangesOnlyAtTheStartAndNeverCycles)
{
  HostTransport transport(48000.0);
  Boolean playing = false;
  Boolean changed = false;
  Boolean cycling = true;
  Float64 sample = -1.0;
  ASSERT_EQ(HostTransport::GetTransportState(&transport, &playing, &changed, &sample, &cycling, nullptr, nullptr),
            noErr);
  EXPECT_TRUE(playing);
  EXPECT_TRUE(changed);
  EXPECT_FALSE(cycling);
  EXPECT_EQ(sample, 0.0);
  transport.SetSampleTime(512.0);
  ASSERT_EQ(HostTransport::GetTransportState(&transport, &playing, &changed, &sample, &cycling, nullptr, nullptr),
            noErr);
  EXPECT_FALSE(changed);
  EXPECT_EQ(sample, 512.0);
  EXPECT_EQ(HostTransport::GetBeatAndTempo(nullptr, nullptr, nullptr), kAudio_ParamError);
}

TEST(BusLevels, PeakIsTheLargestMagnitudeAndRmsCoversEveryChannel)
{
  const float left[] = {0.0f, -1.0f, 0.0f, 0.0f};
  const float right[] = {0.5f, 0.5f, 0.5f, 0.5f};
  const float* channels[] = {left, right};
  BusLevels levels;
  levels.Add(channels, 2, 4);
  EXPECT_EQ(levels.peak, 1.0f);
  EXPECT_DOUBLE_EQ(levels.Rms(), std::sqrt((1.0 + 4 * 0.25) / 8.0));
  EXPECT_EQ(BusLevels().Rms(), 0.0);
}
