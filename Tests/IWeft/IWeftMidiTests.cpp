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
using weft::MAX_SYSEX_SIZE;
using weft::SysExData;

// --- IMidiMsg

TEST(IMidiMsgTest, BuildersSetStatusDataAndOffsetAndKeepTheChannelToFourBits)
{
  IMidiMsg msg{99, 0xFF, 1, 2};
  msg.MakeNoteOnMsg(60, 100, 5, 16 + 3);
  EXPECT_EQ(std::vector<int>({msg.mOffset, msg.mStatus, msg.mData1, msg.mData2}), std::vector<int>({5, 0x93, 60, 100}));
  EXPECT_EQ(msg.Channel(), 3);
  msg.MakeNoteOffMsg(64, 12, 15);
  EXPECT_EQ(std::vector<int>({msg.mOffset, msg.mStatus, msg.mData1, msg.mData2}), std::vector<int>({12, 0x8F, 64, 0}));
  for (int nibble = 0; nibble < 16; ++nibble)
  {
    const IMidiMsg any{0, static_cast<uint8_t>(nibble << 4 | 5), 60, 100};
    EXPECT_EQ(any.StatusMsg(), nibble >= 8 && nibble <= 14 ? nibble : IMidiMsg::kNone) << "nibble " << nibble;
  }
}

TEST(IMidiMsgTest, AccessorsAnswerOnlyForTheirKindsAndMinusOneOtherwise)
{
  const struct { uint8_t status, data1, data2; int note, velocity, polyAT, chanAT, program; } cases[] = {
    {0x93, 60, 100, 60, 100, -1, -1, -1}, // note on
    {0x80, 64, 0, 64, 0, -1, -1, -1},     // note off
    {0xA2, 61, 33, 61, -1, 33, -1, -1},   // poly aftertouch
    {0xD0, 77, 0, -1, -1, -1, 77, -1},    // channel aftertouch
    {0xC4, 12, 0, -1, -1, -1, -1, 12},    // program change
    {0xF0, 60, 100, -1, -1, -1, -1, -1},  // system
  };
  for (const auto& c : cases)
  {
    const IMidiMsg msg{0, c.status, c.data1, c.data2};
    EXPECT_EQ(std::vector<int>({msg.NoteNumber(), msg.Velocity(), msg.PolyAfterTouch(), msg.ChannelAfterTouch(),
                                msg.Program()}),
              std::vector<int>({c.note, c.velocity, c.polyAT, c.chanAT, c.program}))
      << std::hex << int(c.status);
  }
  const IMidiMsg volume{0, 0xB0, IMidiMsg::kChannelVolume, 0xFF};
  EXPECT_EQ(volume.ControlChangeIdx(), IMidiMsg::kChannelVolume);
  const IMidiMsg noteOn{0, 0x90, IMidiMsg::kChannelVolume, 127};
  EXPECT_EQ(std::vector<double>({volume.ControlChange(IMidiMsg::kModWheel),
                                 volume.ControlChange(IMidiMsg::kChannelVolume),
                                 noteOn.ControlChange(IMidiMsg::kChannelVolume)}),
            std::vector<double>({-1.0, 1.0, -1.0}));
}

TEST(IMidiMsgTest, PitchWheelMapsFourteenBitsToMinusOneToJustBelowOneIgnoringStrayHighBits)
{
  const struct { uint8_t status, lsb, msb; double expected; } cases[] = {
    {0xE0, 0, 64, 0.0},        {0xE0, 0, 0, -1.0},     {0xE0, 127, 127, 8191.0 / 8192.0}, {0xE0, 1, 64, 1.0 / 8192},
    {0xE0, 0xFF, 0xFF, 8191.0 / 8192.0}, {0xE0, 0x80, 0xC0, 0.0}, {0x90, 60, 100, 0.0}};
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ((IMidiMsg{0, c.status, c.lsb, c.msb}).PitchWheel(), c.expected) << int(c.lsb) << " " << int(c.msb);
}

TEST(SysExTest, RecordCopiesSizesThatFitItsBufferZeroesTheRestAndRefusesOthers)
{
  std::vector<uint8_t> bytes(MAX_SYSEX_SIZE + 1);
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<uint8_t>(i * 7 + 1);
  const struct { int size; const uint8_t* data; int kept; int copied; } cases[] = {
    {4, bytes.data(), 4, 4},
    {MAX_SYSEX_SIZE, bytes.data(), MAX_SYSEX_SIZE, MAX_SYSEX_SIZE},
    {17, nullptr, 17, 0},
    {MAX_SYSEX_SIZE + 1, bytes.data(), 0, 0}, // would read past the source and write past mData
    {-1, bytes.data(), 0, 0}};
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.size);
    const SysExData rec{3, c.size, c.data};
    EXPECT_EQ(rec.mSize, c.kept);
    std::vector<uint8_t> expected(MAX_SYSEX_SIZE, 0);
    std::memcpy(expected.data(), bytes.data(), static_cast<size_t>(c.copied));
    EXPECT_EQ(std::vector<uint8_t>(rec.mData, rec.mData + MAX_SYSEX_SIZE), expected);
  }
}

// --- Queue

TEST(IMidiQueueGranulizeTest, RoundsUpToWholePagesOfTheElementSizeAndSaturates)
{
  struct Event12 { int mOffset; int a; int b; }; // 4096 / gcd(12, 4096) = 1024
  const int cases[][2] = {{100, 512}, {600, 1024}, {512, 512}, {0, 0}, {-5, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(IMidiQueue::Granulize(c[0]), c[1]) << c[0];
  EXPECT_EQ(IMidiQueueBase<Event12>::Granulize(1025), 2048);
  const int g = IMidiQueue::Granulize(INT_MAX);
  EXPECT_TRUE(g > 0 && g % 512 == 0 && static_cast<long long>(g) + 512 > INT_MAX) << g;
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

  // {offset, note} of each message, read until the queue is empty.
  static std::vector<std::vector<int>> Drain(IMidiQueue& q)
  {
    std::vector<std::vector<int>> out;
    for (; !q.Empty(); q.Remove())
      out.push_back({q.Peek().mOffset, q.Peek().NoteNumber()});
    return out;
  }
};

TEST_F(IMidiQueueTest, AddKeepsMessagesOrderedByOffsetAndFlushCarriesUnreadOnesIntoTheNextBlock)
{
  IMidiQueue q{16};
  EXPECT_EQ(q.Peek().mStatus, 0) << "peeking an empty queue stays in bounds";
  q.Remove();
  for (const auto& m : {Note(30, 1), Note(10, 2), Note(20, 3), Note(10, 4)}) // same offset: after the earlier one
    ASSERT_TRUE(q.Add(m));
  EXPECT_EQ(Drain(q), (std::vector<std::vector<int>>{{10, 2}, {10, 4}, {20, 3}, {30, 1}}));

  q.Add(Note(5, 60));
  q.Add(Note(70, 62));
  q.Add(Note(130, 64));
  q.Remove(); // the message inside the 64-frame block was handled
  q.Flush(64);
  EXPECT_EQ(Drain(q), (std::vector<std::vector<int>>{{6, 62}, {66, 64}}));
}

TEST_F(IMidiQueueTest, AddCompactsAFullBufferWithReadMessagesInFrontWithoutAllocating)
{
  IMidiQueue q{1};
  const int cap = q.GetSize();
  pw::test::AllocationCounter allocs;
  for (int i = 0; i < cap; ++i)
    ASSERT_TRUE(q.Add(Note(cap - i, i % 128)));
  EXPECT_FALSE(q.Add(Note(cap, 1))) << "full and nothing read";
  q.Remove();
  q.Remove();
  EXPECT_TRUE(q.Add(Note(cap, 1)));
  q.Flush(1);
  EXPECT_EQ(allocs.Count(), 0u);
  EXPECT_EQ(q.ToDo(), cap - 1);
  EXPECT_EQ(q.GetSize(), cap);
  EXPECT_EQ(q.Peek().mOffset, 2);
}

TEST_F(IMidiQueueTest, ResizeKeepsEveryHeldMessageAndSetsTheGrowthStep)
{
  IMidiQueue q{600};
  EXPECT_EQ(q.GetSize(), 1024);
  for (int i = 0; i < 700; ++i)
    ASSERT_TRUE(q.Add(Note(i, i % 128)));
  q.Remove();
  EXPECT_EQ(q.Resize(10), 1024) << "699 unread messages need two pages' worth of 512";
  std::vector<std::vector<int>> expected;
  for (int i = 1; i < 700; ++i)
    expected.push_back({i, i % 128});
  EXPECT_EQ(Drain(q), expected);
  EXPECT_TRUE(q.Expand());
  EXPECT_EQ(q.GetSize(), 1536) << "the growth step follows the resize";
}
