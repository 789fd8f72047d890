#include "ISender.h"

#include "AllocationCounter.h"
#include "RecordingDelegate.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

using GonioSender = weft::IBufferSender<2, 64, 128>;
using GonioData = GonioSender::TDataPacket;
using pw::test::RecordingDelegate;

GonioData Record(int ctrlTag, float firstValue)
{
  GonioData d;
  d.ctrlTag = ctrlTag;
  d.vals[0][0] = firstValue;
  return d;
}

// Two channels of nFrames samples, left and right at a constant level.
struct StereoFeed
{
  explicit StereoFeed(int nFrames, double left = 0.0, double right = 0.0)
  : left(static_cast<size_t>(nFrames), left), right(static_cast<size_t>(nFrames), right)
  {}
  const double* const* Channels()
  {
    ptrs[0] = left.data();
    ptrs[1] = right.data();
    return ptrs;
  }

  std::vector<double> left, right;
  const double* ptrs[2] = {nullptr, nullptr};
};

// Transmits everything queued.
std::vector<RecordingDelegate::Message> Transmit(weft::ISender<>& sender)
{
  RecordingDelegate dlg;
  sender.TransmitData(dlg);
  return dlg.messages;
}

} // namespace

TEST(SenderDataTest, TheGoniometerRecordIs1036BytesWithTheTagAndCountsFirst)
{
  EXPECT_EQ(sizeof(GonioData), 1036u);
  EXPECT_EQ(offsetof(GonioData, nChans), 4u);
  EXPECT_EQ(offsetof(GonioData, chanOffset), 8u);
  EXPECT_EQ(offsetof(GonioData, vals), 12u);
  const GonioData d;
  EXPECT_EQ(std::vector<int>({d.ctrlTag, d.nChans, d.chanOffset}), std::vector<int>({weft::kNoTag, 2, 0}));
}

TEST(SenderTest, RecordsReachTheDelegateInOrderWithTheirTagAndMessageTag0UpTo64)
{
  weft::ISender<> sender;
  for (int i = 0; i < 70; ++i)
    sender.PushData(Record(100 + i, static_cast<float>(i)));
  EXPECT_EQ(sender.GetDroppedCount(), 6u);
  const auto messages = Transmit(sender);
  ASSERT_EQ(messages.size(), 64u);
  for (int i = 0; i < 64; ++i)
  {
    const auto& m = messages[i];
    ASSERT_EQ(std::vector<int>({m.ctrlTag, m.msgTag, m.dataSize}), std::vector<int>({100 + i, 0, 1036}));
    ASSERT_EQ(m.As<GonioData>().vals[0][0], static_cast<float>(i));
  }
  EXPECT_TRUE(Transmit(sender).empty());
}

TEST(SenderTest, EachRecordIsPreparedForTheEditorAndOneWithoutAControlTagIsSkipped)
{
  struct DoublingSender : weft::ISender<>
  {
    void PrepareDataForUI(TDataPacket& d) override { d.vals[0][0] *= 2.0f; }
  } sender;
  RecordingDelegate dlg;
  sender.PushData(Record(5, 1.5f));
  sender.TransmitData(dlg);
  ASSERT_EQ(dlg.messages.size(), 1u);
  EXPECT_EQ(dlg.messages[0].As<GonioData>().vals[0][0], 3.0f);

  sender.PushData(Record(weft::kNoTag, 2.0f));
  sender.PushData(Record(6, 3.0f));
  EXPECT_DEBUG_DEATH(sender.TransmitData(dlg), "You must supply a control tag");
#ifdef NDEBUG
  ASSERT_EQ(dlg.messages.size(), 2u);
  EXPECT_EQ(dlg.messages[1].ctrlTag, 6);
#endif
}

TEST(BufferSenderTest, AFullBufferIsSentAboveTheThresholdOrJustAfterAndAlwaysAtMinus100DB)
{
  const struct
  {
    double thresholdDB;
    std::vector<double> levels; // one 128-frame buffer each
    std::vector<float> sent;    // the first sample of each buffer sent
  } cases[] = {
    {-100.0, {0.0, 0.0, 0.0, 0.5, 0.5}, {0.0f, 0.0f, 0.0f, 0.5f, 0.5f}},
    {-90.0, std::vector<double>(10, 0.0), {0.0f}}, // the previous total starts above any threshold
    {-90.0, {0.25, 0.25, 0.0, 0.0, 0.0, 0.5}, {0.25f, 0.25f, 0.0f, 0.5f}}, // one silent buffer, then wait
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(testing::Message() << c.thresholdDB << " dB, " << c.levels.size() << " buffers");
    GonioSender sender(c.thresholdDB);
    for (double level : c.levels)
      sender.ProcessBlock(StereoFeed(128, level, level).Channels(), 128, 5);
    sender.ProcessBlock(StereoFeed(1).Channels(), 1, 5); // pushes the last full buffer
    std::vector<float> sent;
    for (const auto& m : Transmit(sender))
      sent.push_back(m.As<GonioData>().vals[0][0]);
    EXPECT_EQ(sent, c.sent);
  }
}

TEST(BufferSenderTest, TheThresholdAppliesToTheSumOverAllChannelsInUse)
{
  GonioSender sender(-20.0); // an amplitude of 0.1
  StereoFeed silent(128), loud(128);
  loud.left[20] = 0.06;
  loud.right[30] = 0.06; // 0.12 together
  for (StereoFeed* feed : {&silent, &silent, &loud, &silent, &silent})
    sender.ProcessBlock(feed->Channels(), 128, 5);
  sender.ProcessBlock(silent.Channels(), 1, 5);
  // The first (the previous total starts high), the loud one and the one after it.
  const auto messages = Transmit(sender);
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[1].As<GonioData>().vals[1][30], 0.06f);
}

TEST(BufferSenderTest, ABufferOf128IsPushedAtTheFirstFrameOfTheThirdBlockOf64)
{
  GonioSender sender(-100.0, 128);
  StereoFeed feed(129, 0.5, -0.5);
  sender.ProcessBlock(feed.Channels(), 64, 5);
  sender.ProcessBlock(feed.Channels(), 64, 5);
  EXPECT_TRUE(Transmit(sender).empty());
  sender.ProcessBlock(feed.Channels(), 1, 5);
  EXPECT_EQ(Transmit(sender).size(), 1u);

  GonioSender small(-100.0, 32);
  small.ProcessBlock(feed.Channels(), 129, 5);
  EXPECT_EQ(Transmit(small).size(), 4u);
}

TEST(BufferSenderTest, ARecordHoldsTheFramesAsFloatsUnderEachChannelsOwnIndex)
{
  GonioSender sender(-100.0);
  sender.ProcessBlock(StereoFeed(129, 0.75, 0.1).Channels(), 129, 8, 1, 1); // the right channel only
  const GonioData d = Transmit(sender).at(0).As<GonioData>();
  EXPECT_EQ(std::vector<int>({d.ctrlTag, d.nChans, d.chanOffset}), std::vector<int>({8, 1, 1}));
  EXPECT_EQ(std::vector<float>(d.vals[1].begin(), d.vals[1].end()), std::vector<float>(128, 0.1f));
  EXPECT_EQ(d.vals[0][0], 0.0f) << "channel 0 is not in use";
}

TEST(BufferSenderTest, BadBufferSizesChannelRangesAndMissingChannelsAreRefused)
{
  GonioSender sender(-100.0, 64);
  EXPECT_DEBUG_DEATH(sender.SetBufferSize(0), "bufferSize > 0");
  EXPECT_DEBUG_DEATH(sender.SetBufferSize(129), "bufferSize <= MAXBUF");
  EXPECT_EQ(sender.GetBufferSize(), 64);

  StereoFeed feed(300, 0.5, 0.5);
  EXPECT_DEBUG_DEATH(sender.ProcessBlock(feed.Channels(), 300, 5, 2, 1), "chanOffset \\+ nChans <= MAXNC");
  const double* missing[2] = {feed.left.data(), nullptr};
  sender.ProcessBlock(missing, 300, 5);
  sender.ProcessBlock(nullptr, 300, 5);
  EXPECT_TRUE(Transmit(sender).empty());
}

TEST(BufferSenderTest, ProcessingAndPushingNeverAllocate)
{
  GonioSender sender(-100.0);
  StereoFeed feed(512, 0.5, -0.5);
  const double* const* channels = feed.Channels();

  pw::test::AllocationCounter allocs;
  for (int i = 0; i < 200; ++i) // 800 buffers: the queue fills and drops
    sender.ProcessBlock(channels, 512, 5);
  sender.PushData(Record(5, 1.0f));
  EXPECT_EQ(allocs.Count(), 0u);
  EXPECT_GT(sender.GetDroppedCount(), 0u);
}
