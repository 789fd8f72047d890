#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

#include "AllocationCounter.h"
#include "IWeftProcessor.h"
#include "IWeftProcessorTestUtils.h"

using pw::test::CaptureReport;
using pw::test::kProductIOStr;
using pw::test::TestProcessorBase;
using weft::IMidiMsg;
using weft::ITimeInfo;
using weft::kInput;
using weft::kOutput;

namespace {

constexpr int kBlock = 8;

// out[c] = 0.5 * in[c] + in[c + 2]: a main pair mixed with the sidechain pair,
// so that every input channel reaches an output. Keeps the pointers it saw.
class MixProcessor : public TestProcessorBase
{
public:
  using TestProcessorBase::TestProcessorBase;

  void ProcessBlock(double** inputs, double** outputs, int nFrames) override
  {
    ++mNCalls;
    ASSERT_TRUE(MaxNChannels(kInput) == 4 && MaxNChannels(kOutput) == 2) << "mixes four inputs into two outputs";
    std::copy(inputs, inputs + 4, mInputs);
    std::copy(outputs, outputs + 2, mOutputs);
    for (int c = 0; c < 2; ++c)
      for (int s = 0; s < nFrames; ++s)
        outputs[c][s] = 0.5 * inputs[c][s] + inputs[c + 2][s];
  }

  int mNCalls = 0;
  double* mInputs[4] = {};
  double* mOutputs[2] = {};
};

template <class P>
std::unique_ptr<P> Make(const char* text, int latency = 0, int plugType = 0, bool midiIn = false)
{
  std::unique_ptr<P> p;
  CaptureReport([&] { p = std::make_unique<P>(text, latency, plugType, midiIn); });
  return p;
}

// The host's side of one block: a float ramp on each of nIn inputs (channel
// c, frame s -> 100 c + s + 1 + base) and two float outputs holding fill.
// Attach hands the buffers over every channel of p; the host pointers go to
// the connected channels in order.
struct HostBlock
{
  explicit HostBlock(int nIn, float base = 0.f, float fill = -7.f)
  : in(nIn, std::vector<float>(kBlock)), out(2, std::vector<float>(kBlock, fill)), outPtrs{out[0].data(), out[1].data()}
  {
    for (int c = 0; c < nIn; ++c)
      for (int s = 0; s < kBlock; ++s)
        in[c][s] = 100.f * c + s + 1 + base;
    for (auto& channel : in)
      inPtrs.push_back(channel.data());
  }
  bool Attach(weft::IWeftProcessor& p)
  {
    return p.AttachBuffers(kInput, 0, p.MaxNChannels(kInput), inPtrs.data(), kBlock) &&
           p.AttachBuffers(kOutput, 0, 2, outPtrs.data(), kBlock);
  }

  std::vector<std::vector<float>> in, out;
  std::vector<float*> inPtrs, outPtrs;
};

// The product's four inputs and two outputs, with only the first nIn inputs
// and nOut outputs connected.
class ProcessorBlockTest : public ::testing::Test
{
protected:
  void SetUp() override { ASSERT_TRUE(mP->SetBlockSize(kBlock)); }

  void Connect(int nIn, int nOut)
  {
    mP->SetChannelConnections(kInput, 0, 4, false);
    mP->SetChannelConnections(kOutput, 0, 2, false);
    mP->SetChannelConnections(kInput, 0, nIn, true);
    mP->SetChannelConnections(kOutput, 0, nOut, true);
  }

  std::unique_ptr<MixProcessor> mP = Make<MixProcessor>(kProductIOStr);
};

} // namespace

TEST_F(ProcessorBlockTest, FloatBlockIsProcessedAsDoublesAndOnlyConnectedChannelsReachTheHostReplacedOrAccumulated)
{
  Connect(3, 1); // stereo main, mono sidechain; input 3 and output 1 unconnected
  HostBlock host(3, 0.25f);
  ASSERT_TRUE(host.Attach(*mP));
  ASSERT_TRUE(mP->ProcessBuffers(0.f, kBlock));
  ASSERT_EQ(mP->mNCalls, 1);
  for (int s = 0; s < kBlock; ++s)
  {
    EXPECT_EQ(mP->mInputs[3][s], 0.0); // its zeroed scratch buffer
    EXPECT_EQ(host.out[0][s], static_cast<float>(0.5 * host.in[0][s] + host.in[2][s]));
    EXPECT_EQ(host.out[1][s], -7.f);
  }
  // Accumulating adds the block onto what the host's buffers hold.
  ASSERT_TRUE(mP->ProcessBuffersAccumulating(kBlock));
  for (int s = 0; s < kBlock; ++s)
  {
    ASSERT_EQ(host.out[0][s], 2.f * static_cast<float>(0.5 * host.in[0][s] + host.in[2][s])) << s;
    ASSERT_EQ(host.out[1][s], -7.f) << s;
  }
}

TEST_F(ProcessorBlockTest, FrameCountsBeyondTheBlockSizeAreRefused)
{
  Connect(1, 0);
  std::vector<float> big(kBlock + 1, 1.f);
  float* ins[] = {big.data()};
  EXPECT_FALSE(mP->AttachBuffers(kInput, 0, 1, ins, kBlock + 1));
  EXPECT_FALSE(mP->AttachBuffers(kInput, 0, 1, ins, -1));
  EXPECT_FALSE(mP->AttachBuffers(kInput, 0, 1, static_cast<float**>(nullptr), kBlock));
  EXPECT_FALSE(mP->ProcessBuffers(0.0, kBlock + 1));
  EXPECT_FALSE(mP->ProcessBuffers(0.f, kBlock + 1));
  EXPECT_FALSE(mP->PassThroughBuffers(0.f, kBlock + 1));
  EXPECT_FALSE(mP->ProcessBuffersAccumulating(-1));
  EXPECT_EQ(mP->mNCalls, 0);
}

TEST_F(ProcessorBlockTest, ChannelRangesAreClippedBadIndicesRefusedAndLabelsNumberedAndCut)
{
  Connect(0, 0);
  mP->SetChannelConnections(kInput, 3, 5, true);
  EXPECT_EQ(mP->NInChansConnected(), 1);
  mP->SetChannelConnections(kInput, -1, 3, true);
  mP->SetChannelConnections(static_cast<weft::ERoute>(2), 0, 1, true);
  EXPECT_EQ(mP->NInChansConnected(), 1);
  EXPECT_FALSE(mP->AttachBuffers(kInput, -2, 2, static_cast<double**>(nullptr), 0));
  mP->SetChannelConnections(kInput, 0, INT_MAX, true);
  mP->LimitToStereoIO();
  EXPECT_EQ(mP->NInChansConnected(), 2);

  mP->SetChannelLabel(kOutput, 1, "Out %i", true);
  mP->SetChannelLabel(kInput, 0, "%i_123456789012345678901234567890123456789");
  EXPECT_STREQ(mP->GetChannelLabel(kOutput, 1), "Out 1");
  EXPECT_STREQ(mP->GetChannelLabel(kInput, 0), "1_123456789012345678901234567890");
  EXPECT_EQ(mP->GetChannelLabel(kInput, 4), nullptr);
}

TEST_F(ProcessorBlockTest, RefusedOrUnchangedBlockSizeKeepsTheBuffersAndANewSizeZeroesThem)
{
  Connect(1, 0);
  HostBlock host(1);
  ASSERT_TRUE(host.Attach(*mP));
  EXPECT_FALSE(mP->SetBlockSize(-1));
  EXPECT_FALSE(mP->SetBlockSize(INT_MAX / 8 + 1)); // byte count overflows int32
  EXPECT_FALSE(mP->SetBlockSize(INT_MAX / 8));     // fits int32, but no buffer that large
  ASSERT_TRUE(mP->SetBlockSize(kBlock));
  ASSERT_TRUE(mP->ProcessBuffers(0.0, kBlock));
  EXPECT_EQ(mP->mInputs[0][kBlock - 1], host.in[0][kBlock - 1]);

  constexpr int kLarge = 1 << 16; // unconnected channels follow their grown scratch buffers
  ASSERT_TRUE(mP->SetBlockSize(kLarge));
  ASSERT_TRUE(mP->ProcessBuffers(0.0, kLarge));
  EXPECT_EQ(mP->mInputs[0][kBlock - 1], 0.0);
  EXPECT_EQ(mP->mInputs[3][kLarge - 1], 0.0);
  EXPECT_EQ(mP->mOutputs[1][kLarge - 1], 0.0);
}

namespace {

// Bypass through the latency delay line of a processor of the given I/O.
template <class P>
std::unique_ptr<P> StartBypass(const char* io, int latency, int nIn, int nOut)
{
  auto p = Make<P>(io, latency);
  EXPECT_TRUE(p->SetBlockSize(kBlock));
  p->SetChannelConnections(kInput, 0, nIn, true);
  p->SetChannelConnections(kOutput, 0, nOut, true);
  EXPECT_TRUE(p->InitLatencyDelay());
  return p;
}

std::vector<std::vector<float>> Bypass(weft::IWeftProcessor& p, int nIn, float base)
{
  HostBlock host(nIn, base);
  EXPECT_TRUE(host.Attach(p));
  EXPECT_TRUE(p.PassThroughBuffers(0.f, kBlock));
  return host.out;
}

} // namespace

TEST(BypassTest, LatencyDelaysEveryChannelByExactlyThatManySamplesWithoutProcessingAndCanBeRetimed)
{
  auto p = StartBypass<MixProcessor>("2-2", 3, 2, 2);
  // Input sample n is 100 c + n + 1 on channel c; output n is input n - 3.
  EXPECT_EQ(Bypass(*p, 2, 0.f)[1], (std::vector<float>{0, 0, 0, 101, 102, 103, 104, 105}));
  EXPECT_EQ(Bypass(*p, 2, kBlock)[0], (std::vector<float>{6, 7, 8, 9, 10, 11, 12, 13}));
  EXPECT_EQ(p->mNCalls, 0);

  p->SetLatency(2); // retimes and clears the delay line
  EXPECT_EQ(Bypass(*p, 2, kBlock)[0], (std::vector<float>{0, 0, 9, 10, 11, 12, 13, 14}));
  p->SetLatency(-4);
  EXPECT_EQ(p->GetLatency(), 2);
  p->SetLatency(0);
  EXPECT_EQ(Bypass(*p, 2, 0.f)[1], (std::vector<float>{101, 102, 103, 104, 105, 106, 107, 108}));
}

TEST(BypassTest, OutputsWithoutAnInputAreSilentThroughTheDelayLine)
{
  // Processing leaves 5 in every output's scratch buffer before the bypass.
  struct FillProcessor : TestProcessorBase
  {
    using TestProcessorBase::TestProcessorBase;
    void ProcessBlock(double**, double** outputs, int nFrames) override
    {
      for (int c = 0; c < MaxNChannels(kOutput); ++c)
        std::fill(outputs[c], outputs[c] + nFrames, 5.0);
    }
  };
  auto p = StartBypass<FillProcessor>("1-2", 2, 1, 2);
  HostBlock host(1);
  ASSERT_TRUE(host.Attach(*p));
  ASSERT_TRUE(p->ProcessBuffers(0.f, kBlock));
  ASSERT_EQ(host.out[1][0], 5.f);
  const auto out = Bypass(*p, 1, 0.f);
  EXPECT_EQ(out[0][2], 1.f);
  EXPECT_EQ(out[1], std::vector<float>(kBlock, 0.f));
}

TEST(BypassTest, InputsWithoutAConnectionPassSilenceEvenAfterProcessingWroteIntoThem)
{
  // Processing in place leaves 5 in every input's scratch buffer, the
  // unconnected second input's included.
  struct InPlaceProcessor : TestProcessorBase
  {
    using TestProcessorBase::TestProcessorBase;
    void ProcessBlock(double** inputs, double**, int nFrames) override
    {
      for (int c = 0; c < MaxNChannels(kInput); ++c)
        std::fill(inputs[c], inputs[c] + nFrames, 5.0);
    }
  };
  for (const int latency : {0, 2})
  {
    auto p = StartBypass<InPlaceProcessor>("2-2", latency, 1, 2);
    HostBlock host(1);
    ASSERT_TRUE(host.Attach(*p));
    ASSERT_TRUE(p->ProcessBuffers(0.f, kBlock));
    for (int block = 0; block < 2; ++block)
      EXPECT_EQ(Bypass(*p, 1, 0.f)[1], std::vector<float>(kBlock, 0.f)) << "latency " << latency;
  }
}

TEST_F(ProcessorBlockTest, BlockProcessingBypassAndMidiNeverAllocate)
{
  ASSERT_TRUE(mP->InitLatencyDelay());
  mP->SetLatency(3);
  HostBlock host(4);
  ITimeInfo ti;
  ti.mTempo = 90.0;

  pw::test::AllocationCounter allocs;
  Connect(4, 2);
  mP->LimitToStereoIO();
  mP->SetTimeInfo(ti);
  for (int block = 0; block < 3; ++block)
  {
    ASSERT_TRUE(host.Attach(*mP));
    ASSERT_TRUE(mP->ProcessBuffers(0.f, kBlock));
    ASSERT_TRUE(mP->ProcessBuffersAccumulating(kBlock));
    ASSERT_TRUE(mP->PassThroughBuffers(0.f, kBlock));
    mP->ProcessMidiMsg(IMidiMsg(block, 0x90, 60, 100));
  }
  EXPECT_EQ(allocs.Count(), 0u);
  EXPECT_EQ(mP->mNSent, 3);
}

TEST(ProcessorSettingsTest, SamplesPerBeatTailAndAUPluginTypeFollowTheirSettings)
{
  auto p = Make<TestProcessorBase>("2-2");
  EXPECT_EQ(p->GetSamplesPerBeat(), 24000.0) << "48 kHz and 120 BPM until told otherwise";
  p->SetSampleRate(44100.0);
  EXPECT_EQ(p->GetSamplesPerBeat(), 22050.0);
  p->SetTailSize(INT_MAX);
  EXPECT_TRUE(p->GetTailIsInfinite());
  const struct { int plugType; bool midiIn; const char* code; } cases[] = {
    {0, false, "aufx"}, {0, true, "aumf"}, {1, false, "aumu"},
    {2, false, "aumi"}, {3, false, "augn"}, {9, false, "aufx"}};
  for (const auto& c : cases)
    EXPECT_EQ(Make<TestProcessorBase>("1-1", 0, c.plugType, c.midiIn)->GetAUPluginType(),
              c.code[0] << 24 | c.code[1] << 16 | c.code[2] << 8 | c.code[3]) << c.code;
}

TEST(ProcessorMidiTest, MessagesPassThroughAndABatchReportsAnyFailure)
{
  auto p = Make<TestProcessorBase>("1-1");
  p->ProcessMidiMsg(IMidiMsg(5, 0x93, 60, 100));
  EXPECT_EQ(std::vector<int>({p->mNSent, p->mSent[0].mOffset, p->mSent[0].mStatus, p->mSent[0].mData2}),
            std::vector<int>({1, 5, 0x93, 100}));
  LOOM_TypedBuf<IMidiMsg> batch;
  for (int i = 0; i < 3; ++i)
    batch.Add(IMidiMsg(i, 0xB0, 7, static_cast<uint8_t>(i)));
  p->mNSent = 0;
  p->mFailAt = 1; // the second send fails, the third is still made
  EXPECT_FALSE(p->SendMidiMsgs(batch));
  EXPECT_EQ(p->mNSent, 3);
  const uint8_t bytes[] = {0xF0, 0x7E, 0xF7};
  EXPECT_FALSE(p->SendSysEx(weft::ISysEx(0, bytes, 3)));
}
