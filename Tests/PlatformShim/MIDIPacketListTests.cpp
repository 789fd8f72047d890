#include <CoreMIDI/CoreMIDI.h>

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <vector>

namespace {

// A packet list in a 4-byte aligned buffer of a chosen size, with slack
// past the end so that an overrun shows in the words.
class PacketListBuffer
{
public:
  explicit PacketListBuffer(ByteCount size) : mWords((size + 3) / 4 + 1, 0xA5A5A5A5u), mSize(size) {}

  MIDIPacketList* List() { return reinterpret_cast<MIDIPacketList*>(mWords.data()); }
  MIDIPacket* Add(MIDIPacket* current, MIDITimeStamp time, ByteCount length, const Byte* data)
  {
    return MIDIPacketListAdd(List(), mSize, current, time, length, data);
  }
  const std::vector<UInt32>& Words() const { return mWords; }
  std::ptrdiff_t OffsetOf(const MIDIPacket* packet) const
  {
    return reinterpret_cast<const unsigned char*>(packet) - reinterpret_cast<const unsigned char*>(mWords.data());
  }

private:
  std::vector<UInt32> mWords;
  ByteCount mSize;
};

// Packets sit on 4-byte boundaries: copy the 8-byte time out before comparing.
MIDITimeStamp TimeOf(const MIDIPacket* packet)
{
  return packet->timeStamp;
}

const Byte kNoteOn[3] = {0x90, 60, 100};
const Byte kNoteOff[3] = {0x80, 60, 0};

} // namespace

TEST(MIDIPacketList, BytesAtOneTimeJoinAPacketAndANewTimeStartsOneOnTheNextFourByteBoundary)
{
  PacketListBuffer buffer(64);
  MIDIPacket* first = MIDIPacketListInit(buffer.List());
  EXPECT_EQ(buffer.List()->numPackets, 0u);
  EXPECT_EQ(buffer.OffsetOf(first), 4);
  for (Byte b : kNoteOn)
    first = buffer.Add(first, 7, 1, &b);
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(first->length, 3);
  EXPECT_EQ(std::memcmp(first->data, kNoteOn, 3), 0);

  MIDIPacket* second = buffer.Add(first, 10, 3, kNoteOff);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(buffer.List()->numPackets, 2u);
  // First packet: 4 + 10 header bytes + 3 data bytes = 17, rounded up to 20.
  EXPECT_EQ(buffer.OffsetOf(second), 20);
  EXPECT_EQ(MIDIPacketNext(first), second);
  EXPECT_EQ(TimeOf(first), 7u);
  EXPECT_EQ(TimeOf(second), 10u);
  EXPECT_EQ(std::memcmp(second->data, kNoteOff, 3), 0);
}

TEST(MIDIPacketList, SysExPiecesAtOneTimeStayInPacketsOfTheirOwn)
{
  std::vector<Byte> sysEx(300);
  std::iota(sysEx.begin(), sysEx.end(), Byte(0));
  sysEx.front() = 0xF0;
  sysEx.back() = 0xF7;
  PacketListBuffer buffer(1024);
  MIDIPacket* packet = buffer.Add(MIDIPacketListInit(buffer.List()), 3, 3, kNoteOn);
  const MIDIPacket* first = packet = buffer.Add(packet, 3, 256, sysEx.data());
  ASSERT_NE(first, nullptr);
  ASSERT_NE(buffer.Add(packet, 3, 44, sysEx.data() + 256), nullptr);

  ASSERT_EQ(buffer.List()->numPackets, 3u);
  const MIDIPacket* second = MIDIPacketNext(first);
  ASSERT_EQ(first->length, 256);
  ASSERT_EQ(second->length, 44);
  std::vector<Byte> joined(first->data, first->data + first->length);
  joined.insert(joined.end(), second->data, second->data + second->length);
  EXPECT_EQ(joined, sysEx);
}

TEST(MIDIPacketList, APacketFitsUpToTheLastByteAndPastItAnswersNullLeavingTheListAsItWas)
{
  // Packets of 3 bytes take 16 bytes each (13 rounded up) after the 4-byte
  // count: they start at 4, 20 and 36; the third ends at 49.
  PacketListBuffer buffer(49);
  MIDIPacket* packet = MIDIPacketListInit(buffer.List());
  for (MIDITimeStamp t = 0; t < 3; ++t)
  {
    packet = buffer.Add(packet, t, 3, kNoteOn);
    ASSERT_NE(packet, nullptr) << "packet " << t;
  }
  const std::vector<UInt32> before = buffer.Words();
  EXPECT_EQ(buffer.Add(packet, 3, 3, kNoteOff), nullptr);
  // Appending to the last packet would run past the end as well.
  EXPECT_EQ(buffer.Add(packet, 2, 1, kNoteOff), nullptr);
  EXPECT_EQ(buffer.Words(), before);

  PacketListBuffer tooShort(4 + 10 + 2);
  EXPECT_EQ(tooShort.Add(MIDIPacketListInit(tooShort.List()), 0, 3, kNoteOn), nullptr);
  EXPECT_EQ(tooShort.List()->numPackets, 0u);
}
