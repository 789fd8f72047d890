#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "AllocationCounter.h"
#include "IWeftMidi.h"

#if defined(__SANITIZE_ADDRESS__)
// The failure tests ask for impossible allocations; let them return null
// instead of aborting the run.
extern "C" const char* __asan_default_options()
{
  return "allocator_may_return_null=1";
}
#endif

using weft::IMidiMsg;
using weft::IMidiQueue;
using weft::IMidiQueueBase;
using weft::ISysEx;
using weft::MAX_SYSEX_SIZE;
using weft::SysExData;

// ---------------------------------------------------------------- IMidiMsg

TEST(IMidiMsgTest, NoteOnBuilderSetsStatusDataAndOffset)
{
  IMidiMsg msg{99, 0xFF, 1, 2};
  msg.MakeNoteOnMsg(60, 100, 5, 3);
  EXPECT_EQ(msg.mStatus, 0x93);
  EXPECT_EQ(msg.mData1, 60);
  EXPECT_EQ(msg.mData2, 100);
  EXPECT_EQ(msg.mOffset, 5);
  EXPECT_EQ(msg.StatusMsg(), IMidiMsg::kNoteOn);
  EXPECT_EQ(msg.Channel(), 3);
  EXPECT_EQ(msg.NoteNumber(), 60);
  EXPECT_EQ(msg.Velocity(), 100);
}

TEST(IMidiMsgTest, NoteOffBuilderClearsVelocity)
{
  IMidiMsg msg{7, 0x90, 64, 127};
  msg.MakeNoteOffMsg(64, 12, 15);
  EXPECT_EQ(msg.mStatus, 0x8F);
  EXPECT_EQ(msg.mData1, 64);
  EXPECT_EQ(msg.mData2, 0);
  EXPECT_EQ(msg.mOffset, 12);
  EXPECT_EQ(msg.StatusMsg(), IMidiMsg::kNoteOff);
  EXPECT_EQ(msg.Velocity(), 0);
}

TEST(IMidiMsgTest, ChannelOutsideSixteenCannotChangeTheKind)
{
  IMidiMsg msg;
  msg.MakeNoteOnMsg(60, 100, 0, 16 + 2);
  EXPECT_EQ(msg.StatusMsg(), IMidiMsg::kNoteOn);
  EXPECT_EQ(msg.Channel(), 2);
}

TEST(IMidiMsgTest, ClearZeroesEveryField)
{
  IMidiMsg msg{42, 0xB1, 7, 99};
  msg.Clear();
  EXPECT_EQ(msg.mOffset, 0);
  EXPECT_EQ(msg.mStatus, 0);
  EXPECT_EQ(msg.mData1, 0);
  EXPECT_EQ(msg.mData2, 0);
}

TEST(IMidiMsgTest, HighNibblesOutsideChannelKindsReportNone)
{
  for (int nibble : {0, 1, 7, 15})
  {
    IMidiMsg msg{0, static_cast<uint8_t>(nibble << 4 | 5), 60, 100};
    EXPECT_EQ(msg.StatusMsg(), IMidiMsg::kNone) << "nibble " << nibble;
  }
  for (int nibble = 8; nibble <= 14; ++nibble)
  {
    IMidiMsg msg{0, static_cast<uint8_t>(nibble << 4), 0, 0};
    EXPECT_EQ(msg.StatusMsg(), nibble);
  }
}

TEST(IMidiMsgTest, SystemStatusHasNoNoteNumber)
{
  IMidiMsg msg{0, 0xF0, 60, 100};
  EXPECT_EQ(msg.StatusMsg(), IMidiMsg::kNone);
  EXPECT_EQ(msg.NoteNumber(), -1);
  EXPECT_EQ(msg.Velocity(), -1);
}

TEST(IMidiMsgTest, AccessorsAnswerOnlyForTheirKinds)
{
  const IMidiMsg polyAT{0, 0xA2, 61, 33};
  EXPECT_EQ(polyAT.NoteNumber(), 61);
  EXPECT_EQ(polyAT.PolyAfterTouch(), 33);
  EXPECT_EQ(polyAT.Velocity(), -1);

  const IMidiMsg chanAT{0, 0xD0, 77, 0};
  EXPECT_EQ(chanAT.ChannelAfterTouch(), 77);
  EXPECT_EQ(chanAT.NoteNumber(), -1);
  EXPECT_EQ(chanAT.PolyAfterTouch(), -1);

  const IMidiMsg program{0, 0xC4, 12, 0};
  EXPECT_EQ(program.Program(), 12);
  EXPECT_EQ(program.ChannelAfterTouch(), -1);

  const IMidiMsg noteOn{0, 0x90, 60, 100};
  EXPECT_EQ(noteOn.Program(), -1);
  EXPECT_EQ(noteOn.ChannelAfterTouch(), -1);
  EXPECT_EQ(noteOn.PolyAfterTouch(), -1);
  EXPECT_DOUBLE_EQ(noteOn.PitchWheel(), 0.0);
}

TEST(IMidiMsgTest, PitchWheelMapsFourteenBitsToMinusOneToJustBelowOne)
{
  EXPECT_DOUBLE_EQ((IMidiMsg{0, 0xE0, 0, 64}).PitchWheel(), 0.0);
  EXPECT_DOUBLE_EQ((IMidiMsg{0, 0xE0, 0, 0}).PitchWheel(), -1.0);
  EXPECT_DOUBLE_EQ((IMidiMsg{0, 0xE0, 127, 127}).PitchWheel(), 8191.0 / 8192.0);
  EXPECT_DOUBLE_EQ((IMidiMsg{0, 0xE0, 1, 64}).PitchWheel(), 1.0 / 8192.0);
}

TEST(IMidiMsgTest, PitchWheelIgnoresStrayHighBitsInDataBytes)
{
  EXPECT_DOUBLE_EQ((IMidiMsg{0, 0xE0, 0xFF, 0xFF}).PitchWheel(), 8191.0 / 8192.0);
  EXPECT_DOUBLE_EQ((IMidiMsg{0, 0xE0, 0x80, 0xC0}).PitchWheel(), 0.0);
}

TEST(IMidiMsgTest, ControlChangeAnswersOnlyForItsController)
{
  const IMidiMsg volume{0, 0xB0, IMidiMsg::kChannelVolume, 127};
  EXPECT_EQ(volume.ControlChangeIdx(), IMidiMsg::kChannelVolume);
  EXPECT_DOUBLE_EQ(volume.ControlChange(IMidiMsg::kModWheel), -1.0);
  EXPECT_DOUBLE_EQ(volume.ControlChange(IMidiMsg::kChannelVolume), 1.0);

  const IMidiMsg half{0, 0xB0, IMidiMsg::kModWheel, 0};
  EXPECT_DOUBLE_EQ(half.ControlChange(IMidiMsg::kModWheel), 0.0);

  const IMidiMsg notCC{0, 0x90, IMidiMsg::kChannelVolume, 127};
  EXPECT_DOUBLE_EQ(notCC.ControlChange(IMidiMsg::kChannelVolume), -1.0);
}

TEST(IMidiMsgTest, ControlChangeValueStaysWithinZeroToOne)
{
  const IMidiMsg msg{0, 0xB0, IMidiMsg::kPan, 0xFF};
  EXPECT_DOUBLE_EQ(msg.ControlChange(IMidiMsg::kPan), 1.0);
}

// ---------------------------------------------------------------- SysEx

TEST(SysExTest, ViewRefersToTheCallersBytes)
{
  const uint8_t bytes[] = {0xF0, 0x7E, 0xF7};
  const ISysEx view{9, bytes, 3};
  EXPECT_EQ(view.mOffset, 9);
  EXPECT_EQ(view.mSize, 3);
  EXPECT_EQ(view.mData, bytes);
}

TEST(SysExTest, RecordCopiesTheGivenBytesAndZeroesTheRest)
{
  const uint8_t bytes[] = {0xF0, 0x43, 0x10, 0xF7};
  SysExData rec{3, 4, bytes};
  EXPECT_EQ(rec.mOffset, 3);
  EXPECT_EQ(rec.mSize, 4);
  EXPECT_EQ(std::memcmp(rec.mData, bytes, 4), 0);
  for (int i = 4; i < MAX_SYSEX_SIZE; ++i)
    ASSERT_EQ(rec.mData[i], 0) << "byte " << i;
}

TEST(SysExTest, RecordWithoutDataKeepsSizeAndZeroBytes)
{
  SysExData rec{0, 17, nullptr};
  EXPECT_EQ(rec.mSize, 17);
  for (int i = 0; i < MAX_SYSEX_SIZE; ++i)
    ASSERT_EQ(rec.mData[i], 0) << "byte " << i;
}

TEST(SysExTest, RecordAcceptsAFullBuffer)
{
  std::vector<uint8_t> bytes(MAX_SYSEX_SIZE);
  for (int i = 0; i < MAX_SYSEX_SIZE; ++i)
    bytes[i] = static_cast<uint8_t>(i * 7 + 1);
  SysExData rec{0, MAX_SYSEX_SIZE, bytes.data()};
  EXPECT_EQ(rec.mSize, MAX_SYSEX_SIZE);
  EXPECT_EQ(std::memcmp(rec.mData, bytes.data(), MAX_SYSEX_SIZE), 0);
}

TEST(SysExTest, RecordRefusesSizesOutsideItsBuffer)
{
  // One byte too many: a copy would read past the source and write past mData.
  std::vector<uint8_t> bytes(MAX_SYSEX_SIZE + 1, 0xAB);
  SysExData tooBig{4, MAX_SYSEX_SIZE + 1, bytes.data()};
  EXPECT_EQ(tooBig.mOffset, 4);
  EXPECT_EQ(tooBig.mSize, 0);
  EXPECT_EQ(tooBig.mData[0], 0);

  SysExData negative{4, -1, bytes.data()};
  EXPECT_EQ(negative.mSize, 0);
  EXPECT_EQ(negative.mData[0], 0);
}

// ---------------------------------------------------------------- queue

TEST(IMidiQueueGranulizeTest, RoundsUpToWholePages)
{
  EXPECT_EQ(IMidiQueue::Granulize(100), 512);
  EXPECT_EQ(IMidiQueue::Granulize(600), 1024);
  EXPECT_EQ(IMidiQueue::Granulize(512), 512);
  EXPECT_EQ(IMidiQueue::Granulize(1), 512);
  EXPECT_EQ(IMidiQueue::Granulize(0), 0);
  EXPECT_EQ(IMidiQueue::Granulize(-5), 0);
}

TEST(IMidiQueueGranulizeTest, FollowsTheElementSize)
{
  struct Event12 { int mOffset; int a; int b; };  // 4096 / gcd(12, 4096) = 1024
  struct Event520 { int mOffset; char pad[516]; }; // 4096 / gcd(520, 4096) = 512
  EXPECT_EQ(IMidiQueueBase<Event12>::Granulize(1), 1024);
  EXPECT_EQ(IMidiQueueBase<Event12>::Granulize(1025), 2048);
  EXPECT_EQ(IMidiQueueBase<Event520>::Granulize(3), 512);
}

TEST(IMidiQueueGranulizeTest, SaturatesInsteadOfOverflowing)
{
  const int g = IMidiQueue::Granulize(INT_MAX);
  EXPECT_GT(g, 0);
  EXPECT_EQ(g % 512, 0);
  EXPECT_GT(static_cast<long long>(g) + 512, static_cast<long long>(INT_MAX));
}

class IMidiQueueTest : public ::testing::Test
{
protected:
  static IMidiMsg Note(int offset, int note)
  {
    IMidiMsg msg;
    msg.MakeNoteOnMsg(note, 100, offset);
    return msg;
  }

  static std::vector<int> DrainNotes(IMidiQueue& q)
  {
    std::vector<int> notes;
    while (!q.Empty())
    {
      notes.push_back(q.Peek().NoteNumber());
      q.Remove();
    }
    return notes;
  }
};

TEST_F(IMidiQueueTest, ConstructionExpandsOnceToTheGrowthStep)
{
  IMidiQueue q{100};
  EXPECT_EQ(q.GetSize(), 512);
  EXPECT_TRUE(q.Empty());
}

TEST_F(IMidiQueueTest, EachExpandAddsOneGrowthStep)
{
  IMidiQueue q{600};
  EXPECT_EQ(q.GetSize(), 1024);
  EXPECT_TRUE(q.Expand());
  EXPECT_EQ(q.GetSize(), 2048);
  EXPECT_TRUE(q.Expand());
  EXPECT_EQ(q.GetSize(), 3072);
}

TEST_F(IMidiQueueTest, ZeroSizeQueueCannotExpand)
{
  IMidiQueue q{0};
  EXPECT_EQ(q.GetSize(), 0);
  EXPECT_FALSE(q.Expand());
  EXPECT_FALSE(q.Add(Note(0, 60)));
  EXPECT_TRUE(q.Empty());
}

TEST_F(IMidiQueueTest, AddKeepsMessagesOrderedByOffset)
{
  IMidiQueue q{16};
  ASSERT_TRUE(q.Add(Note(30, 1)));
  ASSERT_TRUE(q.Add(Note(10, 2)));
  ASSERT_TRUE(q.Add(Note(20, 3)));
  ASSERT_TRUE(q.Add(Note(10, 4))); // same offset: after the earlier one
  EXPECT_EQ(q.ToDo(), 4);
  EXPECT_EQ(DrainNotes(q), (std::vector<int>{2, 4, 3, 1}));
}

TEST_F(IMidiQueueTest, PeekAndRemoveOnEmptyQueueStayInBounds)
{
  IMidiQueue q{16};
  const IMidiMsg msg = q.Peek();
  EXPECT_EQ(msg.mStatus, 0);
  q.Remove();
  EXPECT_TRUE(q.Empty());
  EXPECT_EQ(q.ToDo(), 0);

  // A later message is still read normally.
  ASSERT_TRUE(q.Add(Note(0, 61)));
  EXPECT_EQ(q.Peek().NoteNumber(), 61);
}

TEST_F(IMidiQueueTest, FlushCarriesUnreadMessagesIntoTheNextBlock)
{
  IMidiQueue q{16};
  q.Add(Note(5, 60));
  q.Add(Note(70, 62));
  q.Add(Note(130, 64));

  q.Remove(); // the message inside the 64-frame block was handled
  q.Flush(64);

  ASSERT_EQ(q.ToDo(), 2);
  EXPECT_EQ(q.Peek().mOffset, 6);
  EXPECT_EQ(q.Peek().NoteNumber(), 62);
  q.Remove();
  EXPECT_EQ(q.Peek().mOffset, 66);
  EXPECT_EQ(q.Peek().NoteNumber(), 64);
}

TEST_F(IMidiQueueTest, AddCompactsAFullBufferWithReadMessagesInFront)
{
  IMidiQueue q{1};
  const int cap = q.GetSize();
  for (int i = 0; i < cap; ++i)
    ASSERT_TRUE(q.Add(Note(i, i % 128)));
  EXPECT_FALSE(q.Add(Note(cap, 1))) << "full and nothing read";

  q.Remove();
  q.Remove();
  EXPECT_TRUE(q.Add(Note(cap, 1)));
  EXPECT_EQ(q.ToDo(), cap - 1);
  EXPECT_EQ(q.GetSize(), cap);
  EXPECT_EQ(q.Peek().mOffset, 2);
}

TEST_F(IMidiQueueTest, AddPeekRemoveAndFlushDoNotAllocate)
{
  IMidiQueue q{64};
  pw::test::AllocationCounter allocs;
  for (int i = 0; i < 40; ++i)
    q.Add(Note(40 - i, i));
  q.Remove();
  q.Flush(16);
  (void)q.Peek();
  EXPECT_EQ(allocs.Count(), 0u);
}

TEST_F(IMidiQueueTest, ResizeSetsCapacityToTheNewGrowthStep)
{
  IMidiQueue q{100};
  EXPECT_EQ(q.Resize(600), 1024);
  EXPECT_EQ(q.GetSize(), 1024);
  EXPECT_TRUE(q.Expand());
  EXPECT_EQ(q.GetSize(), 2048) << "growth step follows the resize";
  EXPECT_EQ(q.Resize(1), 512);
}

TEST_F(IMidiQueueTest, ResizeKeepsEveryHeldMessage)
{
  IMidiQueue q{600};
  for (int i = 0; i < 700; ++i)
    ASSERT_TRUE(q.Add(Note(i, i % 128)));
  q.Remove();

  // 699 unread messages need two pages' worth of 512 messages.
  EXPECT_EQ(q.Resize(10), 1024);
  ASSERT_EQ(q.ToDo(), 699);
  for (int i = 1; i < 700; ++i)
  {
    ASSERT_EQ(q.Peek().mOffset, i);
    ASSERT_EQ(q.Peek().NoteNumber(), i % 128);
    q.Remove();
  }
  EXPECT_TRUE(q.Empty());

  // The growth step is the requested size's, not the held count's.
  EXPECT_TRUE(q.Expand());
  EXPECT_EQ(q.GetSize(), 1536);
}

TEST_F(IMidiQueueTest, ResizeToZeroReleasesAnEmptyBuffer)
{
  IMidiQueue q{100};
  EXPECT_EQ(q.Resize(0), 0);
  EXPECT_FALSE(q.Expand());
  EXPECT_FALSE(q.Add(Note(0, 60)));
}

// Elements of 1 MiB make a request for 2^30 of them (2^50 bytes) fail on
// every 64-bit system, so the failure paths run for real.
struct HugeEvent
{
  int mOffset;
  char mPayload[(1 << 20) - sizeof(int)];
};

TEST(IMidiQueueFailureTest, FailedResizeKeepsBufferMessagesAndGrowthStep)
{
  IMidiQueueBase<HugeEvent> q{2};
  ASSERT_EQ(q.GetSize(), 2);
  HugeEvent* a = new HugeEvent{};
  a->mOffset = 7;
  a->mPayload[0] = 'a';
  ASSERT_TRUE(q.Add(*a));
  a->mOffset = 3;
  a->mPayload[0] = 'b';
  ASSERT_TRUE(q.Add(*a));
  delete a;

  EXPECT_EQ(q.Resize(1 << 30), 2);
  EXPECT_EQ(q.GetSize(), 2);
  ASSERT_EQ(q.ToDo(), 2);
  EXPECT_EQ(q.Peek().mOffset, 3);
  EXPECT_EQ(q.Peek().mPayload[0], 'b');

  ASSERT_TRUE(q.Expand());
  EXPECT_EQ(q.GetSize(), 4) << "growth step unchanged by the failed resize";
  q.Remove();
  EXPECT_EQ(q.Peek().mPayload[0], 'a');
}

TEST(IMidiQueueFailureTest, FailedExpandLeavesAnEmptyQueueUsable)
{
  IMidiQueueBase<HugeEvent> q{1 << 30};
  EXPECT_EQ(q.GetSize(), 0);
  EXPECT_FALSE(q.Expand());
  EXPECT_TRUE(q.Empty());
  EXPECT_EQ(q.Resize(1), 1);
}
