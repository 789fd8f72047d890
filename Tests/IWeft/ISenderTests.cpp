#include "ISender.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstring>
#include <vector>

using pw::test::AllocationCounter;

namespace {

using GonioSender = weft::IBufferSender<2, 64, 128>;
using GonioData = GonioSender::TDataPacket;

// The one-channel meter record: a pair of floats per channel.
struct FloatPair
{
  float first;
  float second;
};

// An editor delegate that keeps a copy of every control message.
class RecordingDelegate : public weft::IEditorDelegate
{
public:
  struct Message
  {
    int ctrlTag;
    int msgTag;
    int dataSize;
    GonioData data;
  };

  RecordingDelegate()
  : IEditorDelegate(0)
  {}

  void BeginInformHostOfParamChangeFromUI(int) override {}
  void EndInformHostOfParamChangeFromUI(int) override {}

  void SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* pData) override
  {
    Message m{ctrlTag, msgTag, dataSize, {}};
    if (dataSize == static_cast<int>(sizeof(GonioData)))
      std::memcpy(&m.data, pData, sizeof(GonioData));
    messages.push_back(m);
  }

  std::vector<Message> messages;
};

GonioData Record(int ctrlTag, float firstValue)
{
  GonioData d;
  d.ctrlTag = ctrlTag;
  d.vals[0][0] = firstValue;
  d.vals[1][127] = -firstValue;
  return d;
}

// Two channels of samples fed to a buffer sender block by block.
class StereoFeed
{
public:
  explicit StereoFeed(int nFrames, double left = 0.0, double right = 0.0)
  : mLeft(static_cast<size_t>(nFrames), left), mRight(static_cast<size_t>(nFrames), right)
  {}

  double* Left() { return mLeft.data(); }
  double* Right() { return mRight.data(); }
  const double* const* Channels()
  {
    mChannels[0] = mLeft.data();
    mChannels[1] = mRight.data();
    return mChannels;
  }

private:
  std::vector<double> mLeft;
  std::vector<double> mRight;
  const double* mChannels[2] = {nullptr, nullptr};
};

// Feeds n full buffers of a constant level, then one frame so that the last
// one is pushed.
void FeedBuffers(GonioSender& sender, int nBuffers, double level, int ctrlTag = 5)
{
  StereoFeed feed(128, level, level);
  for (int i = 0; i < nBuffers; ++i)
    sender.ProcessBlock(feed.Channels(), 128, ctrlTag);
}

void FeedOneFrame(GonioSender& sender, int ctrlTag = 5)
{
  StereoFeed feed(1);
  sender.ProcessBlock(feed.Channels(), 1, ctrlTag);
}

} // namespace

// --- The record

TEST(SenderDataTest, TheGoniometerRecordIs1036BytesWithTheTagAndCountsFirst)
{
  EXPECT_EQ(sizeof(GonioData), 1036u);
  EXPECT_EQ(offsetof(GonioData, ctrlTag), 0u);
  EXPECT_EQ(offsetof(GonioData, nChans), 4u);
  EXPECT_EQ(offsetof(GonioData, chanOffset), 8u);
  EXPECT_EQ(offsetof(GonioData, vals), 12u);
  EXPECT_EQ((sizeof(weft::ISenderData<1, FloatPair>)), 20u);
}

TEST(SenderDataTest, ADefaultRecordHasNoTagAllChannelsAndZeroValues)
{
  const GonioData d;
  EXPECT_EQ(d.ctrlTag, weft::kNoTag);
  EXPECT_EQ(d.nChans, 2);
  EXPECT_EQ(d.chanOffset, 0);
  for (const auto& channel : d.vals)
    for (float v : channel)
      ASSERT_EQ(v, 0.0f);
}

// --- ISender

TEST(SenderTest, RecordsReachTheDelegateInOrderWithTheirTagAndMessageTag0)
{
  weft::ISender<> sender;
  RecordingDelegate dlg;
  for (int i = 0; i < 10; ++i)
    sender.PushData(Record(100 + i, static_cast<float>(i) + 0.5f));
  sender.TransmitData(dlg);

  ASSERT_EQ(dlg.messages.size(), 10u);
  for (int i = 0; i < 10; ++i)
  {
    const auto& m = dlg.messages[i];
    EXPECT_EQ(m.ctrlTag, 100 + i);
    EXPECT_EQ(m.msgTag, 0);
    EXPECT_EQ(m.dataSize, 1036);
    EXPECT_EQ(m.data.ctrlTag, 100 + i);
    EXPECT_EQ(m.data.vals[0][0], static_cast<float>(i) + 0.5f);
    EXPECT_EQ(m.data.vals[1][127], -(static_cast<float>(i) + 0.5f));
  }

  // Drained: a second transmission sends nothing.
  sender.TransmitData(dlg);
  EXPECT_EQ(dlg.messages.size(), 10u);
}

TEST(SenderTest, AFullQueueOf64DropsFurtherRecords)
{
  weft::ISender<> sender;
  RecordingDelegate dlg;
  for (int i = 0; i < 70; ++i)
    sender.PushData(Record(i, 0.0f));
  EXPECT_EQ(sender.GetDroppedCount(), 6u);

  sender.TransmitData(dlg);
  ASSERT_EQ(dlg.messages.size(), 64u);
  EXPECT_EQ(dlg.messages.front().ctrlTag, 0);
  EXPECT_EQ(dlg.messages.back().ctrlTag, 63);
}

namespace {

class DoublingSender : public weft::ISender<>
{
public:
  void PrepareDataForUI(TDataPacket& d) override { d.vals[0][0] *= 2.0f; }
};

} // namespace

TEST(SenderTest, EachRecordIsPreparedForTheEditorBeforeItIsSent)
{
  DoublingSender sender;
  RecordingDelegate dlg;
  sender.PushData(Record(5, 1.5f));
  sender.TransmitData(dlg);

  ASSERT_EQ(dlg.messages.size(), 1u);
  EXPECT_EQ(dlg.messages[0].data.vals[0][0], 3.0f);
}

TEST(SenderTest, ARecordWithoutAControlTagIsSkippedAndTheDrainGoesOn)
{
  weft::ISender<> sender;
  RecordingDelegate dlg;
  sender.PushData(Record(5, 1.0f));
  sender.PushData(Record(weft::kNoTag, 2.0f));
  sender.PushData(Record(6, 3.0f));

  EXPECT_DEBUG_DEATH(sender.TransmitData(dlg), "You must supply a control tag");
#ifdef NDEBUG
  ASSERT_EQ(dlg.messages.size(), 2u);
  EXPECT_EQ(dlg.messages[0].ctrlTag, 5);
  EXPECT_EQ(dlg.messages[1].ctrlTag, 6);
  EXPECT_EQ(dlg.messages[1].data.vals[0][0], 3.0f);
#endif
}

TEST(SenderTest, PushingNeverAllocates)
{
  weft::ISender<> sender;
  const GonioData d = Record(5, 1.0f);
  AllocationCounter allocs;
  for (int i = 0; i < 100; ++i)
    sender.PushData(d);
  EXPECT_EQ(allocs.Count(), 0u);
}

// --- IBufferSender

TEST(BufferSenderTest, AtMinus100DBEveryFullBufferIsSentSilentOrNot)
{
  GonioSender sender(-100.0);
  RecordingDelegate dlg;
  FeedBuffers(sender, 3, 0.0);
  FeedBuffers(sender, 2, 0.5);
  FeedOneFrame(sender);
  sender.TransmitData(dlg);

  EXPECT_EQ(dlg.messages.size(), 5u);
}

TEST(BufferSenderTest, AtMinus90DBAStreamOfZerosSendsOnlyTheFirstBuffer)
{
  GonioSender sender(-90.0);
  RecordingDelegate dlg;
  FeedBuffers(sender, 10, 0.0);
  FeedOneFrame(sender);
  sender.TransmitData(dlg);

  EXPECT_EQ(dlg.messages.size(), 1u);
}

TEST(BufferSenderTest, ASignalFallingSilentSendsOneSilentBufferThenWaitsForTheNextSignal)
{
  GonioSender sender(-90.0);
  RecordingDelegate dlg;
  FeedBuffers(sender, 2, 0.25);
  FeedBuffers(sender, 3, 0.0);
  FeedBuffers(sender, 1, 0.5);
  FeedOneFrame(sender);
  sender.TransmitData(dlg);

  const float expectedFirst[] = {0.25f, 0.25f, 0.0f, 0.5f};
  ASSERT_EQ(dlg.messages.size(), 4u);
  for (int i = 0; i < 4; ++i)
  {
    EXPECT_EQ(dlg.messages[i].data.vals[0][0], expectedFirst[i]) << i;
    EXPECT_EQ(dlg.messages[i].data.vals[1][127], expectedFirst[i]) << i;
  }
}

TEST(BufferSenderTest, TheThresholdAppliesToTheSumOverAllChannelsInUse)
{
  // -20 dB is an amplitude of 0.1.
  GonioSender sender(-20.0);
  RecordingDelegate dlg;
  StereoFeed quiet(128);
  quiet.Left()[10] = 0.05;
  StereoFeed loud(128);
  loud.Left()[20] = 0.06;
  loud.Right()[30] = 0.06;

  FeedBuffers(sender, 2, 0.0);                  // the first is sent (the previous total starts at 1)
  sender.ProcessBlock(quiet.Channels(), 128, 5); // 0.05: not sent
  sender.ProcessBlock(loud.Channels(), 128, 5);  // 0.12: sent
  FeedBuffers(sender, 1, 0.0);                  // after a loud one: sent
  FeedOneFrame(sender);
  sender.TransmitData(dlg);

  ASSERT_EQ(dlg.messages.size(), 3u);
  EXPECT_EQ(dlg.messages[1].data.vals[0][20], 0.06f);
  EXPECT_EQ(dlg.messages[1].data.vals[1][30], 0.06f);
  EXPECT_EQ(dlg.messages[2].data.vals[0][20], 0.0f);
}

TEST(BufferSenderTest, With64FrameBlocksTheFirstBufferIsPushedAtTheFirstFrameOfTheThirdBlock)
{
  GonioSender sender(-100.0, 128);
  RecordingDelegate dlg;
  StereoFeed feed(64, 0.5, -0.5);

  sender.ProcessBlock(feed.Channels(), 64, 5);
  sender.ProcessBlock(feed.Channels(), 64, 5);
  sender.TransmitData(dlg);
  EXPECT_TRUE(dlg.messages.empty());

  sender.ProcessBlock(feed.Channels(), 1, 5);
  sender.TransmitData(dlg);
  EXPECT_EQ(dlg.messages.size(), 1u);

  sender.ProcessBlock(feed.Channels(), 63, 5);
  sender.TransmitData(dlg);
  EXPECT_EQ(dlg.messages.size(), 1u);
}

TEST(BufferSenderTest, ARecordHoldsTheFramesAsFloatsWithTheTagAndChannelsGiven)
{
  GonioSender sender(-100.0);
  RecordingDelegate dlg;
  StereoFeed feed(129);
  for (int s = 0; s < 129; ++s)
  {
    feed.Left()[s] = s / 128.0;
    feed.Right()[s] = -s / 256.0;
  }
  sender.ProcessBlock(feed.Channels(), 129, 5, 2, 0);
  sender.TransmitData(dlg);

  ASSERT_EQ(dlg.messages.size(), 1u);
  const GonioData& d = dlg.messages[0].data;
  EXPECT_EQ(d.ctrlTag, 5);
  EXPECT_EQ(d.nChans, 2);
  EXPECT_EQ(d.chanOffset, 0);
  for (int s = 0; s < 128; ++s)
  {
    ASSERT_EQ(d.vals[0][s], static_cast<float>(s / 128.0)) << s;
    ASSERT_EQ(d.vals[1][s], static_cast<float>(-s / 256.0)) << s;
  }
}

TEST(BufferSenderTest, AChannelOffsetStoresValuesUnderTheChannelsOwnIndex)
{
  GonioSender sender(-100.0);
  RecordingDelegate dlg;
  StereoFeed feed(129, 0.75, 0.25);
  sender.ProcessBlock(feed.Channels(), 129, 8, 1, 1);
  sender.TransmitData(dlg);

  ASSERT_EQ(dlg.messages.size(), 1u);
  const GonioData& d = dlg.messages[0].data;
  EXPECT_EQ(d.ctrlTag, 8);
  EXPECT_EQ(d.nChans, 1);
  EXPECT_EQ(d.chanOffset, 1);
  EXPECT_EQ(d.vals[1][0], 0.25f);
  EXPECT_EQ(d.vals[1][127], 0.25f);
  EXPECT_EQ(d.vals[0][0], 0.0f); // channel 0 is not in use
}

TEST(BufferSenderTest, ASmallerBufferSizeSendsEverySoManyFrames)
{
  GonioSender sender(-100.0, 32);
  RecordingDelegate dlg;
  EXPECT_EQ(sender.GetBufferSize(), 32);
  StereoFeed feed(128 + 1, 0.5, 0.5);
  sender.ProcessBlock(feed.Channels(), 129, 5);
  sender.TransmitData(dlg);

  EXPECT_EQ(dlg.messages.size(), 4u);
}

TEST(BufferSenderTest, ABufferSizeOutside1To128IsRefused)
{
  GonioSender sender(-100.0, 64);
  EXPECT_DEBUG_DEATH(sender.SetBufferSize(0), "bufferSize > 0");
  EXPECT_DEBUG_DEATH(sender.SetBufferSize(129), "bufferSize <= MAXBUF");
  EXPECT_EQ(sender.GetBufferSize(), 64);
}

TEST(BufferSenderTest, AChannelRangeBeyondTheRecordIsIgnored)
{
  GonioSender sender(-100.0);
  RecordingDelegate dlg;
  StereoFeed feed(300, 0.5, 0.5);
  EXPECT_DEBUG_DEATH(sender.ProcessBlock(feed.Channels(), 300, 5, 2, 1), "chanOffset \\+ nChans <= MAXNC");
  EXPECT_DEBUG_DEATH(sender.ProcessBlock(feed.Channels(), 300, 5, 3, 0), "chanOffset \\+ nChans <= MAXNC");
#ifdef NDEBUG
  sender.TransmitData(dlg);
  EXPECT_TRUE(dlg.messages.empty());
#endif
}

TEST(BufferSenderTest, ABlockWithAMissingChannelIsIgnored)
{
  GonioSender sender(-100.0);
  RecordingDelegate dlg;
  StereoFeed feed(300, 0.5, 0.5);
  const double* channels[2] = {feed.Left(), nullptr};
  sender.ProcessBlock(channels, 300, 5);
  sender.ProcessBlock(nullptr, 300, 5);
  sender.TransmitData(dlg);
  EXPECT_TRUE(dlg.messages.empty());
}

TEST(BufferSenderTest, ProcessingAndPushingNeverAllocate)
{
  GonioSender sender(-100.0);
  StereoFeed feed(512, 0.5, -0.5);
  const double* const* channels = feed.Channels();

  AllocationCounter allocs;
  for (int i = 0; i < 200; ++i) // 800 buffers: the queue fills and drops
    sender.ProcessBlock(channels, 512, 5);
  EXPECT_EQ(allocs.Count(), 0u);
  EXPECT_GT(sender.GetDroppedCount(), 0u);
}
