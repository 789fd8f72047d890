#include "ISender.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

using GonioSender = weft::IBufferSender<2, 64, 128>;
using GonioData = GonioSender::TDataPacket;

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

  RecordingDelegate() : IEditorDelegate(0) {}
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

// Feeds one 128-frame buffer per level.
void Feed(GonioSender& sender, const std::vector<double>& levels)
{
  for (double level : levels)
    sender.ProcessBlock(StereoFeed(128, level, level).Channels(), 128, 5);
}

// Feeds one frame, so that a full last buffer is pushed, and transmits
// everything queued.
std::vector<RecordingDelegate::Message> Flush(GonioSender& sender)
{
  sender.ProcessBlock(StereoFeed(1).Channels(), 1, 5);
  RecordingDelegate dlg;
  sender.TransmitData(dlg);
  return dlg.messages;
}

} // namespace

TEST(SenderDataTest, TheGoniometerRecordIs1036BytesWithTheTagAndCountsFirstAndStartsEmpty)
{
  EXPECT_EQ(sizeof(GonioData), 1036u);
  EXPECT_EQ(offsetof(GonioData, ctrlTag), 0u);
  EXPECT_EQ(offsetof(GonioData, nChans), 4u);
  EXPECT_EQ(offsetof(GonioData, chanOffset), 8u);
  EXPECT_EQ(offsetof(GonioData, vals), 12u);
  EXPECT_EQ((sizeof(weft::ISenderData<1, std::array<float, 2>>)), 20u);

  const GonioData d;
  EXPECT_EQ(d.ctrlTag, weft::kNoTag);
  EXPECT_EQ(d.nChans, 2);
  EXPECT_EQ(d.chanOffset, 0);
  for (const auto& channel : d.vals)
    for (float v : channel)
      ASSERT_EQ(v, 0.0f);
}

// --- ISender

TEST(SenderTest, RecordsReachTheDelegateInOrderWithTheirTagAndMessageTag0UpTo64)
{
  weft::ISender<> sender;
  RecordingDelegate dlg;
  for (int i = 0; i < 70; ++i)
    sender.PushData(Record(100 + i, static_cast<float>(i) + 0.5f));
  EXPECT_EQ(sender.GetDroppedCount(), 6u);
  sender.TransmitData(dlg);
  sender.TransmitData(dlg); // drained: sends nothing more

  ASSERT_EQ(dlg.messages.size(), 64u);
  for (int i = 0; i < 64; ++i)
  {
    const auto& m = dlg.messages[i];
    ASSERT_EQ(std::vector<int>({m.ctrlTag, m.msgTag, m.dataSize, m.data.ctrlTag}),
              std::vector<int>({100 + i, 0, 1036, 100 + i}));
    ASSERT_EQ(m.data.vals[0][0], static_cast<float>(i) + 0.5f);
    ASSERT_EQ(m.data.vals[1][127], -(static_cast<float>(i) + 0.5f));
  }
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
  EXPECT_EQ(dlg.messages[0].data.vals[0][0], 3.0f);

  sender.PushData(Record(weft::kNoTag, 2.0f));
  sender.PushData(Record(6, 3.0f));
  EXPECT_DEBUG_DEATH(sender.TransmitData(dlg), "You must supply a control tag");
#ifdef NDEBUG
  ASSERT_EQ(dlg.messages.size(), 2u);
  EXPECT_EQ(dlg.messages[1].ctrlTag, 6);
#endif
}

// --- IBufferSender

TEST(BufferSenderTest, AFullBufferIsSentAboveTheThresholdOrJustAfterAndAlwaysAtMinus100DB)
{
  const struct
  {
    double thresholdDB;
    std::vector<double> levels;
    std::vector<float> sent; // the first sample of each buffer sent
  } cases[] = {
    {-100.0, {0.0, 0.0, 0.0, 0.5, 0.5}, {0.0f, 0.0f, 0.0f, 0.5f, 0.5f}},
    {-90.0, std::vector<double>(10, 0.0), {0.0f}}, // the previous total starts above any threshold
    {-90.0, {0.25, 0.25, 0.0, 0.0, 0.0, 0.5}, {0.25f, 0.25f, 0.0f, 0.5f}}, // one silent buffer, then wait
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(testing::Message() << c.thresholdDB << " dB, " << c.levels.size() << " buffers");
    GonioSender sender(c.thresholdDB);
    Feed(sender, c.levels);
    std::vector<float> sent;
    for (const auto& m : Flush(sender))
    {
      sent.push_back(m.data.vals[0][0]);
      EXPECT_EQ(m.data.vals[1][127], m.data.vals[0][0]);
    }
    EXPECT_EQ(sent, c.sent);
  }
}

TEST(BufferSenderTest, TheThresholdAppliesToTheSumOverAllChannelsInUse)
{
  GonioSender sender(-20.0); // an amplitude of 0.1
  StereoFeed quiet(128), loud(128);
  quiet.left[10] = 0.05;
  loud.left[20] = 0.06;
  loud.right[30] = 0.06;
  Feed(sender, {0.0, 0.0});                      // the first is sent, the second not
  sender.ProcessBlock(quiet.Channels(), 128, 5); // 0.05: not sent
  sender.ProcessBlock(loud.Channels(), 128, 5);  // 0.12: sent
  Feed(sender, {0.0});                           // after a loud one: sent
  const auto messages = Flush(sender);

  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[1].data.vals[0][20], 0.06f);
  EXPECT_EQ(messages[1].data.vals[1][30], 0.06f);
  EXPECT_EQ(messages[2].data.vals[0][20], 0.0f);
}

TEST(BufferSenderTest, ABufferIsPushedAtTheFirstFrameAfterItIsFullAcrossBlocksAndBufferSizes)
{
  GonioSender sender(-100.0, 128);
  RecordingDelegate dlg;
  StereoFeed feed(129, 0.5, -0.5);
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

  GonioSender small(-100.0, 32);
  EXPECT_EQ(small.GetBufferSize(), 32);
  small.ProcessBlock(feed.Channels(), 129, 5);
  RecordingDelegate smallDlg;
  small.TransmitData(smallDlg);
  EXPECT_EQ(smallDlg.messages.size(), 4u);
}

TEST(BufferSenderTest, ARecordHoldsTheFramesAsFloatsUnderEachChannelsOwnIndex)
{
  GonioSender sender(-100.0);
  RecordingDelegate dlg;
  StereoFeed ramp(129);
  for (int s = 0; s < 129; ++s)
  {
    ramp.left[s] = s / 128.0;
    ramp.right[s] = -s / 256.0;
  }
  sender.ProcessBlock(ramp.Channels(), 129, 5, 2, 0);
  GonioSender offsetSender(-100.0);
  offsetSender.ProcessBlock(StereoFeed(129, 0.75, 0.25).Channels(), 129, 8, 1, 1);
  sender.TransmitData(dlg);
  offsetSender.TransmitData(dlg);

  ASSERT_EQ(dlg.messages.size(), 2u);
  const GonioData& d = dlg.messages[0].data;
  EXPECT_EQ(std::vector<int>({d.ctrlTag, d.nChans, d.chanOffset}), std::vector<int>({5, 2, 0}));
  for (int c = 0; c < 2; ++c)
  {
    const std::vector<double>& fed = c == 0 ? ramp.left : ramp.right;
    EXPECT_EQ(std::vector<float>(d.vals[c].begin(), d.vals[c].end()), std::vector<float>(fed.begin(), fed.end() - 1));
  }
  const GonioData& offset = dlg.messages[1].data;
  EXPECT_EQ(std::vector<int>({offset.ctrlTag, offset.nChans, offset.chanOffset}), std::vector<int>({8, 1, 1}));
  EXPECT_EQ(offset.vals[1][0], 0.25f);
  EXPECT_EQ(offset.vals[1][127], 0.25f);
  EXPECT_EQ(offset.vals[0][0], 0.0f) << "channel 0 is not in use";
}

TEST(BufferSenderTest, BadBufferSizesChannelRangesAndMissingChannelsAreRefused)
{
  GonioSender sender(-100.0, 64);
  EXPECT_DEBUG_DEATH(sender.SetBufferSize(0), "bufferSize > 0");
  EXPECT_DEBUG_DEATH(sender.SetBufferSize(129), "bufferSize <= MAXBUF");
  EXPECT_EQ(sender.GetBufferSize(), 64);

  StereoFeed feed(300, 0.5, 0.5);
  EXPECT_DEBUG_DEATH(sender.ProcessBlock(feed.Channels(), 300, 5, 2, 1), "chanOffset \\+ nChans <= MAXNC");
  EXPECT_DEBUG_DEATH(sender.ProcessBlock(feed.Channels(), 300, 5, 3, 0), "chanOffset \\+ nChans <= MAXNC");
  const double* missing[2] = {feed.left.data(), nullptr};
  sender.ProcessBlock(missing, 300, 5);
  sender.ProcessBlock(nullptr, 300, 5);
  RecordingDelegate dlg;
  sender.TransmitData(dlg);
  EXPECT_TRUE(dlg.messages.empty());
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
