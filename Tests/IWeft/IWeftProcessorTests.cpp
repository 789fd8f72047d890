#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

#include "AllocationCounter.h"
#include "IWeftProcessor.h"
#include "IWeftProcessorTestUtils.h"

using pw::test::AllocationCounter;
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
    const int nIn = MaxNChannels(kInput);
    const int nOut = MaxNChannels(kOutput);
    ASSERT_TRUE(nIn == 4 && nOut == 2) << "mixes the product's four inputs into two outputs";
    for (int c = 0; c < 4; ++c)
      mInputs[c] = inputs[c];
    for (int c = 0; c < 2; ++c)
    {
      mOutputs[c] = outputs[c];
      for (int s = 0; s < nFrames; ++s)
        outputs[c][s] = 0.5 * inputs[c][s] + inputs[c + 2][s];
    }
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

// Ramp input on every input channel: channel c, frame s -> 100 c + s + 1 + base.
struct FloatBlock
{
  explicit FloatBlock(int nChans, float base = 0.f) : data(nChans, std::vector<float>(kBlock))
  {
    for (int c = 0; c < nChans; ++c)
    {
      for (int s = 0; s < kBlock; ++s)
        data[c][s] = 100.f * c + s + 1 + base;
      ptrs.push_back(data[c].data());
    }
  }
  std::vector<std::vector<float>> data;
  std::vector<float*> ptrs;
};

class ProcessorBlockTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(mP->SetBlockSize(kBlock));
    mP->SetChannelConnections(kInput, 0, 4, false);
    mP->SetChannelConnections(kOutput, 0, 2, false);
  }

  std::unique_ptr<MixProcessor> mP = Make<MixProcessor>(kProductIOStr);
};

} // namespace

TEST_F(ProcessorBlockTest, FloatBlockIsProcessedAsDoublesAndConvertedBack)
{
  mP->SetChannelConnections(kInput, 0, 3, true); // stereo main, mono sidechain; input 3 unconnected
  mP->SetChannelConnections(kOutput, 0, 2, true);
  FloatBlock in(3, 0.25f);
  std::vector<float> out0(kBlock, -7.f), out1(kBlock, -7.f);
  float* outs[] = {out0.data(), out1.data()};

  ASSERT_TRUE(mP->AttachBuffers(kInput, 0, 4, in.ptrs.data(), kBlock));
  ASSERT_TRUE(mP->AttachBuffers(kOutput, 0, 2, outs, kBlock));
  ASSERT_TRUE(mP->ProcessBuffers(0.f, kBlock));

  ASSERT_EQ(mP->mNCalls, 1);
  for (int s = 0; s < kBlock; ++s)
  {
    EXPECT_EQ(mP->mInputs[0][s], static_cast<double>(in.data[0][s]));
    EXPECT_EQ(mP->mInputs[3][s], 0.0); // unconnected: its zeroed scratch buffer
    EXPECT_EQ(out0[s], static_cast<float>(0.5 * in.data[0][s] + in.data[2][s]));
    EXPECT_EQ(out1[s], static_cast<float>(0.5 * in.data[1][s]));
  }
}

TEST_F(ProcessorBlockTest, UnconnectedOutputIsWrittenButNeverReachesTheHost)
{
  mP->SetChannelConnections(kInput, 0, 2, true);
  mP->SetChannelConnections(kOutput, 0, 1, true);
  FloatBlock in(2);
  std::vector<float> out0(kBlock, -7.f), out1(kBlock, -7.f);
  float* outs[] = {out0.data(), out1.data()};

  ASSERT_TRUE(mP->AttachBuffers(kInput, 0, 4, in.ptrs.data(), kBlock));
  ASSERT_TRUE(mP->AttachBuffers(kOutput, 0, 2, outs, kBlock));
  ASSERT_TRUE(mP->ProcessBuffers(0.f, kBlock));

  for (int s = 0; s < kBlock; ++s)
  {
    EXPECT_EQ(out0[s], 0.5f * in.data[0][s]);
    EXPECT_EQ(mP->mOutputs[1][s], 0.5 * in.data[1][s]);
    EXPECT_EQ(out1[s], -7.f);
  }
}

TEST_F(ProcessorBlockTest, DoubleBuffersArePassedThroughWithoutCopying)
{
  mP->SetChannelConnections(kInput, 0, 1, true);
  mP->SetChannelConnections(kInput, 2, 1, true);
  mP->SetChannelConnections(kOutput, 0, 2, true);
  std::vector<double> a(kBlock, 1.0), b(kBlock, 2.0), o0(kBlock), o1(kBlock);
  double* ins[] = {a.data(), b.data()};
  double* outs[] = {o0.data(), o1.data()};

  ASSERT_TRUE(mP->AttachBuffers(kInput, 0, 4, ins, kBlock));
  ASSERT_TRUE(mP->AttachBuffers(kOutput, 0, 2, outs, kBlock));
  ASSERT_TRUE(mP->ProcessBuffers(0.0, kBlock));

  EXPECT_EQ(mP->mInputs[0], a.data());
  EXPECT_EQ(mP->mInputs[2], b.data()); // host pointers advance over connected channels only
  EXPECT_NE(mP->mInputs[1], nullptr);
  EXPECT_EQ(mP->mOutputs[0], o0.data());
  EXPECT_EQ(o0[0], 2.5);
  EXPECT_EQ(o1[0], 0.0);
}

TEST_F(ProcessorBlockTest, AccumulatingAddsOntoTheHostBuffers)
{
  mP->SetChannelConnections(kInput, 0, 2, true);
  mP->SetChannelConnections(kOutput, 0, 2, true);
  FloatBlock in(2);
  std::vector<float> out0(kBlock, 1.f), out1(kBlock, -1.f);
  float* outs[] = {out0.data(), out1.data()};
  ASSERT_TRUE(mP->AttachBuffers(kInput, 0, 2, in.ptrs.data(), kBlock));
  ASSERT_TRUE(mP->AttachBuffers(kOutput, 0, 2, outs, kBlock));
  ASSERT_TRUE(mP->ProcessBuffersAccumulating(kBlock));
  for (int s = 0; s < kBlock; ++s)
  {
    EXPECT_EQ(out0[s], 1.f + 0.5f * in.data[0][s]);
    EXPECT_EQ(out1[s], -1.f + 0.5f * in.data[1][s]);
  }
}

TEST_F(ProcessorBlockTest, FrameCountsBeyondTheBlockSizeAreRefused)
{
  mP->SetChannelConnections(kInput, 0, 1, true);
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
  EXPECT_TRUE(mP->ProcessBuffers(0.0, 0));
}

TEST_F(ProcessorBlockTest, ChannelRangesAreClippedAndBadIndicesRefused)
{
  mP->SetChannelConnections(kInput, 3, 5, true);
  EXPECT_EQ(mP->NInChansConnected(), 1);
  EXPECT_TRUE(mP->IsChannelConnected(kInput, 3));
  EXPECT_FALSE(mP->IsChannelConnected(kInput, 4));
  EXPECT_FALSE(mP->IsChannelConnected(kInput, -1));
  mP->SetChannelConnections(kInput, -1, 3, true);
  mP->SetChannelConnections(kInput, 0, INT_MAX, true);
  EXPECT_EQ(mP->NInChansConnected(), 4);
  mP->SetChannelConnections(static_cast<weft::ERoute>(2), 0, 1, true);
  EXPECT_FALSE(mP->IsChannelConnected(static_cast<weft::ERoute>(2), 0));
  EXPECT_EQ(mP->NChannelsConnected(static_cast<weft::ERoute>(2)), 0);
  EXPECT_FALSE(mP->AttachBuffers(kInput, -2, 2, static_cast<double**>(nullptr), 0));

  mP->SetChannelConnections(kOutput, 0, 2, true);
  mP->LimitToStereoIO();
  EXPECT_EQ(mP->NInChansConnected(), 2);
  EXPECT_FALSE(mP->IsChannelConnected(kInput, 2));
  EXPECT_EQ(mP->NOutChansConnected(), 2);
}

TEST_F(ProcessorBlockTest, ChannelLabelsAreNumberedAndCut)
{
  mP->SetChannelLabel(kInput, 2, "SC %i");
  mP->SetChannelLabel(kOutput, 1, "Out %i", true);
  mP->SetChannelLabel(kInput, 0, "%i_123456789012345678901234567890123456789");
  mP->SetChannelLabel(kInput, 4, "never %i");
  EXPECT_STREQ(mP->GetChannelLabel(kInput, 2), "SC 3");
  EXPECT_STREQ(mP->GetChannelLabel(kOutput, 1), "Out 1");
  EXPECT_STREQ(mP->GetChannelLabel(kInput, 0), "1_123456789012345678901234567890");
  EXPECT_EQ(mP->GetChannelLabel(kInput, 4), nullptr);
}

TEST_F(ProcessorBlockTest, SameBlockSizeKeepsScratchContents)
{
  mP->SetChannelConnections(kInput, 0, 1, true);
  FloatBlock in(1);
  ASSERT_TRUE(mP->AttachBuffers(kInput, 0, 1, in.ptrs.data(), kBlock));
  ASSERT_TRUE(mP->SetBlockSize(kBlock));
  ASSERT_TRUE(mP->ProcessBuffers(0.0, kBlock));
  EXPECT_EQ(mP->mInputs[0][kBlock - 1], in.data[0][kBlock - 1]);

  ASSERT_TRUE(mP->SetBlockSize(kBlock + 1));
  ASSERT_TRUE(mP->ProcessBuffers(0.0, kBlock + 1));
  EXPECT_EQ(mP->mInputs[0][kBlock - 1], 0.0); // a new size zeroes
}

TEST_F(ProcessorBlockTest, RefusedBlockSizeKeepsTheOldSizeAndBuffers)
{
  mP->SetChannelConnections(kInput, 0, 1, true);
  FloatBlock in(1);
  ASSERT_TRUE(mP->AttachBuffers(kInput, 0, 1, in.ptrs.data(), kBlock));

  EXPECT_FALSE(mP->SetBlockSize(-1));
  EXPECT_FALSE(mP->SetBlockSize(INT_MAX / 8 + 1)); // byte count overflows int32
  EXPECT_FALSE(mP->SetBlockSize(INT_MAX / 8));     // fits int32, but no buffer that large
  EXPECT_EQ(mP->GetBlockSize(), kBlock);

  ASSERT_TRUE(mP->ProcessBuffers(0.0, kBlock));
  EXPECT_EQ(mP->mInputs[0][kBlock - 1], in.data[0][kBlock - 1]);
}

TEST_F(ProcessorBlockTest, UnconnectedChannelsFollowTheirGrownScratchBuffers)
{
  constexpr int kLarge = 1 << 16;
  ASSERT_TRUE(mP->SetBlockSize(kLarge));
  ASSERT_TRUE(mP->ProcessBuffers(0.0, kLarge)); // every pointer must hold kLarge samples
  for (int c = 0; c < 4; ++c)
    EXPECT_EQ(mP->mInputs[c][kLarge - 1], 0.0);
  EXPECT_EQ(mP->mOutputs[1][kLarge - 1], 0.0);
}

TEST(DefaultProcessBlockTest, CopiesInputsBelowBothCountsAndZeroesTheRest)
{
  auto wide = Make<TestProcessorBase>(kProductIOStr);
  std::vector<double> i0(4, 1.0), i1(4, 2.0), i2(4, 3.0), i3(4, 4.0), o0(4, 9.0), o1(4, 9.0);
  double* ins[] = {i0.data(), i1.data(), i2.data(), i3.data()};
  double* outs[] = {o0.data(), o1.data()};
  wide->ProcessBlock(ins, outs, 4);
  EXPECT_EQ(o0, i0);
  EXPECT_EQ(o1, i1);

  auto monoIn = Make<TestProcessorBase>("1-2");
  o0.assign(4, 9.0);
  o1.assign(4, 9.0);
  monoIn->ProcessBlock(ins, outs, 4);
  EXPECT_EQ(o0, i0);
  EXPECT_EQ(o1, std::vector<double>(4, 0.0));
}

class BypassTest : public ::testing::Test
{
protected:
  // Stereo in, stereo out; bypass through the latency delay line.
  void Start(int latency)
  {
    mP = Make<MixProcessor>("2-2", latency);
    ASSERT_TRUE(mP->SetBlockSize(kBlock));
    mP->SetChannelConnections(kInput, 0, 2, true);
    mP->SetChannelConnections(kOutput, 0, 2, true);
    ASSERT_TRUE(mP->InitLatencyDelay());
  }

  // One bypassed block of ramp input starting at base; returns both outputs.
  std::vector<std::vector<float>> Bypass(float base)
  {
    FloatBlock in(2, base);
    std::vector<std::vector<float>> out(2, std::vector<float>(kBlock, -7.f));
    float* outs[] = {out[0].data(), out[1].data()};
    EXPECT_TRUE(mP->AttachBuffers(kInput, 0, 2, in.ptrs.data(), kBlock));
    EXPECT_TRUE(mP->AttachBuffers(kOutput, 0, 2, outs, kBlock));
    EXPECT_TRUE(mP->PassThroughBuffers(0.f, kBlock));
    return out;
  }

  std::unique_ptr<MixProcessor> mP;
};

TEST_F(BypassTest, LatencyDelaysEveryChannelByExactlyThatManySamples)
{
  Start(3);
  const auto first = Bypass(0.f);
  const auto second = Bypass(kBlock);
  for (int c = 0; c < 2; ++c)
  {
    // Input sample n (over both blocks) is 100 c + n + 1; output n is input n - 3.
    for (int n = 0; n < 2 * kBlock; ++n)
    {
      const float out = n < kBlock ? first[c][n] : second[c][n - kBlock];
      EXPECT_EQ(out, n < 3 ? 0.f : 100.f * c + (n - 3) + 1) << "channel " << c << " sample " << n;
    }
  }
  EXPECT_EQ(mP->mNCalls, 0); // bypass never reaches the plug-in's ProcessBlock
}

TEST_F(BypassTest, ZeroLatencyCopiesInputToOutput)
{
  Start(0);
  const auto out = Bypass(0.f);
  EXPECT_EQ(out[1][0], 101.f);
  EXPECT_EQ(out[1][kBlock - 1], 100.f + kBlock);
}

TEST_F(BypassTest, SetLatencyRetimesAndClearsTheDelayLine)
{
  Start(3);
  Bypass(0.f);
  mP->SetLatency(2);
  EXPECT_EQ(mP->GetLatency(), 2);
  const auto out = Bypass(kBlock);
  EXPECT_EQ(out[0][0], 0.f);
  EXPECT_EQ(out[0][1], 0.f);
  EXPECT_EQ(out[0][2], kBlock + 1.f);

  mP->SetLatency(-4);
  EXPECT_EQ(mP->GetLatency(), 2);
  mP->SetLatency(0);
  EXPECT_EQ(Bypass(0.f)[0][0], 1.f);
}

TEST(BypassOutputsTest, OutputsWithoutAnInputAreSilentThroughTheDelayLine)
{
  // Processing leaves 5 in every output's scratch buffer before the bypass.
  class FillProcessor : public TestProcessorBase
  {
  public:
    using TestProcessorBase::TestProcessorBase;
    void ProcessBlock(double**, double** outputs, int nFrames) override
    {
      for (int c = 0; c < MaxNChannels(kOutput); ++c)
        std::fill(outputs[c], outputs[c] + nFrames, 5.0);
    }
  };
  auto p = Make<FillProcessor>("1-2", 2);
  ASSERT_TRUE(p->SetBlockSize(kBlock));
  p->SetChannelConnections(kInput, 0, 1, true);
  p->SetChannelConnections(kOutput, 0, 2, true);
  ASSERT_TRUE(p->InitLatencyDelay());

  FloatBlock in(1);
  std::vector<float> o0(kBlock), o1(kBlock);
  float* outs[] = {o0.data(), o1.data()};
  ASSERT_TRUE(p->AttachBuffers(kInput, 0, 1, in.ptrs.data(), kBlock));
  ASSERT_TRUE(p->AttachBuffers(kOutput, 0, 2, outs, kBlock));
  ASSERT_TRUE(p->ProcessBuffers(0.f, kBlock));
  ASSERT_EQ(o1[0], 5.f);

  ASSERT_TRUE(p->AttachBuffers(kInput, 0, 1, in.ptrs.data(), kBlock));
  ASSERT_TRUE(p->AttachBuffers(kOutput, 0, 2, outs, kBlock));
  ASSERT_TRUE(p->PassThroughBuffers(0.f, kBlock));
  EXPECT_EQ(o0[2], 1.f);
  EXPECT_EQ(o1, std::vector<float>(kBlock, 0.f));
}

TEST_F(ProcessorBlockTest, BlockProcessingAndBypassNeverAllocate)
{
  ASSERT_TRUE(mP->InitLatencyDelay());
  mP->SetLatency(3);
  FloatBlock in(4);
  std::vector<float> o0(kBlock), o1(kBlock);
  float* outs[] = {o0.data(), o1.data()};
  ITimeInfo ti;
  ti.mTempo = 90.0;

  AllocationCounter allocs;
  mP->SetChannelConnections(kInput, 0, 4, true);
  mP->SetChannelConnections(kOutput, 0, 2, true);
  mP->LimitToStereoIO();
  mP->SetTimeInfo(ti);
  for (int block = 0; block < 3; ++block)
  {
    ASSERT_TRUE(mP->AttachBuffers(kInput, 0, 4, in.ptrs.data(), kBlock));
    ASSERT_TRUE(mP->AttachBuffers(kOutput, 0, 2, outs, kBlock));
    ASSERT_TRUE(mP->ProcessBuffers(0.f, kBlock));
    ASSERT_TRUE(mP->ProcessBuffersAccumulating(kBlock));
    ASSERT_TRUE(mP->PassThroughBuffers(0.f, kBlock));
    mP->ProcessMidiMsg(IMidiMsg(block, 0x90, 60, 100));
  }
  EXPECT_EQ(allocs.Count(), 0u);
  EXPECT_EQ(mP->mNSent, 3);
}

TEST(ProcessorSettingsTest, ConstructionTakesTheConfigAndDefaults)
{
  auto p = Make<TestProcessorBase>("2-2", 5, 0, true);
  EXPECT_EQ(p->GetLatency(), 5);
  EXPECT_EQ(p->GetSampleRate(), 48000.0);
  EXPECT_EQ(p->GetBlockSize(), 0);
  EXPECT_EQ(p->GetTailSize(), 0);
  EXPECT_FALSE(p->GetBypassed());
  EXPECT_FALSE(p->GetRenderingOffline());
  EXPECT_TRUE(p->DoesMIDIIn());
  EXPECT_FALSE(p->IsInstrument());

  p->SetTailSize(INT_MAX);
  EXPECT_TRUE(p->GetTailIsInfinite());
  p->SetBypassed(true);
  EXPECT_TRUE(p->GetBypassed());
}

TEST(ProcessorSettingsTest, AUPluginTypeFollowsTypeAndMidiInput)
{
  const auto code = [](const char* c) {
    return static_cast<int>(static_cast<unsigned>(c[0]) << 24 | static_cast<unsigned>(c[1]) << 16 |
                            static_cast<unsigned>(c[2]) << 8 | static_cast<unsigned>(c[3]));
  };
  EXPECT_EQ(code("aufx"), 0x61756678);
  EXPECT_EQ(Make<TestProcessorBase>("1-1", 0, 0)->GetAUPluginType(), code("aufx"));
  EXPECT_EQ(Make<TestProcessorBase>("1-1", 0, 0, true)->GetAUPluginType(), code("aumf"));
  EXPECT_EQ(Make<TestProcessorBase>("1-1", 0, 1)->GetAUPluginType(), code("aumu"));
  EXPECT_EQ(Make<TestProcessorBase>("1-1", 0, 2)->GetAUPluginType(), code("aumi"));
  EXPECT_EQ(Make<TestProcessorBase>("1-1", 0, 3)->GetAUPluginType(), code("augn"));
  EXPECT_EQ(Make<TestProcessorBase>("1-1", 0, 9)->GetAUPluginType(), code("aufx"));
  EXPECT_TRUE(Make<TestProcessorBase>("1-1", 0, 1)->IsInstrument());
  EXPECT_TRUE(Make<TestProcessorBase>("1-1", 0, 2)->IsMidiEffect());
}

TEST(ProcessorTransportTest, GettersReadTheLastTimeInfo)
{
  auto p = Make<TestProcessorBase>("1-1");
  EXPECT_EQ(p->GetSamplesPerBeat(), 24000.0);

  ITimeInfo ti;
  ti.mTempo = 90.0;
  ti.mPPQPos = 12.5;
  ti.mNumerator = 7;
  ti.mDenominator = 8;
  ti.mTransportIsRunning = true;
  p->SetTimeInfo(ti);
  p->SetSampleRate(44100.0);
  int num = 0, denom = 0;
  p->GetTimeSig(num, denom);
  EXPECT_EQ(num, 7);
  EXPECT_EQ(denom, 8);
  EXPECT_EQ(p->GetTempo(), 90.0);
  EXPECT_EQ(p->GetPPQPos(), 12.5);
  EXPECT_TRUE(p->GetTransportIsRunning());
  EXPECT_EQ(p->GetSamplesPerBeat(), 29400.0);

  ti.mTempo = 0.0;
  p->SetTimeInfo(ti);
  EXPECT_EQ(p->GetSamplesPerBeat(), 0.0);
}

TEST(ProcessorMidiTest, MessagesPassThroughAndBatchReportsAnyFailure)
{
  auto p = Make<TestProcessorBase>("1-1");
  p->ProcessMidiMsg(IMidiMsg(5, 0x93, 60, 100));
  ASSERT_EQ(p->mNSent, 1);
  EXPECT_EQ(p->mSent[0].mOffset, 5);
  EXPECT_EQ(p->mSent[0].mStatus, 0x93);
  EXPECT_EQ(p->mSent[0].mData2, 100);

  LOOM_TypedBuf<IMidiMsg> batch;
  for (int i = 0; i < 3; ++i)
    batch.Add(IMidiMsg(i, 0xB0, 7, static_cast<uint8_t>(i)));
  p->mNSent = 0;
  EXPECT_TRUE(p->SendMidiMsgs(batch));
  p->mNSent = 0;
  p->mFailAt = 1; // the second send fails, the third is still made
  EXPECT_FALSE(p->SendMidiMsgs(batch));
  EXPECT_EQ(p->mNSent, 3);
  EXPECT_EQ(p->mSent[2].mData2, 2);

  const uint8_t bytes[] = {0xF0, 0x7E, 0xF7};
  EXPECT_FALSE(p->SendSysEx(weft::ISysEx(0, bytes, 3)));
}
