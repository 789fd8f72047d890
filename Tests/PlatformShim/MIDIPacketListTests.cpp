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
  ByteCount Size() const { return mSize; }
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
  EXPECT_EQ(MIDIPacketListInit(nullptr), nullptr);
  for (Byte b : kNoteOn)
    first = MIDIPacketListAdd(buffer.List(), buffer.Size(), first, 7, 1, &b);
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(first->length, 3);
  EXPECT_EQ(std::memcmp(first->data, kNoteOn, 3), 0);

  MIDIPacket* second = MIDIPacketListAdd(buffer.List(), buffer.Size(), first, 10, 3, kNoteOff);
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
  MIDIPacket* packet = MIDIPacketListInit(buffer.List());
  packet = MIDIPacketListAdd(buffer.List(), buffer.Size(), packet, 3, 3, kNoteOn);
  packet = MIDIPacketListAdd(buffer.List(), buffer.Size(), packet, 3, 256, sysEx.data());
  ASSERT_NE(packet, nullptr);
  const MIDIPacket* first = packet;
  packet = MIDIPacketListAdd(buffer.List(), buffer.Size(), packet, 3, 44, sysEx.data() + 256);
  ASSERT_NE(packet, nullptr);

  ASSERT_EQ(buffer.List()->numPackets, 3u);
  const MIDIPacket* second = MIDIPacketNext(first);
  ASSERT_EQ(first->length, 256);
  ASSERT_EQ(second->length, 44);
  std::vector<Byte> joined(first->data, first->data + first->length);
  joined.insert(joined.end(), second->data, second->data + second->length);
  EXPECT_EQ(joined, sysEx);
}

TEST(MIDIPacketList, APacketHoldsMoreThan256BytesWhenTheListHasRoom)
{
  std::vector<Byte> data(1000, 0x42);
  PacketListBuffer buffer(4 + 10 + 1000);
  MIDIPacket* packet = MIDIPacketListInit(buffer.List());
  packet = MIDIPacketListAdd(buffer.List(), buffer.Size(), packet, 0, data.size(), data.data());
  ASSERT_NE(packet, nullptr);
  EXPECT_EQ(packet->length, 1000);
  // The packet's bytes run past the declared array, as packets do.
  Byte last = 0;
  std::memcpy(&last, reinterpret_cast<const Byte*>(packet->data) + 999, 1);
  EXPECT_EQ(last, 0x42);
}

TEST(MIDIPacketList, APacketFitsUpToTheLastByteAndPastItAnswersNullLeavingTheListAsItWas)
{
  // Packets of 3 bytes take 16 bytes each (13 rounded up) after the 4-byte
  // count: they start at 4, 20 and 36; the third ends at 49.
  PacketListBuffer buffer(49);
  MIDIPacket* packet = MIDIPacketListInit(buffer.List());
  for (MIDITimeStamp t = 0; t < 3; ++t)
  {
    packet = MIDIPacketListAdd(buffer.List(), buffer.Size(), packet, t, 3, kNoteOn);
    ASSERT_NE(packet, nullptr) << "packet " << t;
  }
  const std::vector<UInt32> before = buffer.Words();
  EXPECT_EQ(MIDIPacketListAdd(buffer.List(), buffer.Size(), packet, 3, 3, kNoteOff), nullptr);
  // Appending to the last packet would run past the end as well.
  EXPECT_EQ(MIDIPacketListAdd(buffer.List(), buffer.Size(), packet, 2, 1, kNoteOff), nullptr);
  EXPECT_EQ(buffer.Words(), before);

  PacketListBuffer tooShort(4 + 10 + 2);
  packet = MIDIPacketListInit(tooShort.List());
  EXPECT_EQ(MIDIPacketListAdd(tooShort.List(), tooShort.Size(), packet, 0, 3, kNoteOn), nullptr);
  EXPECT_EQ(tooShort.List()->numPackets, 0u);
}

TEST(MIDIPacketList, AJoinThatWouldPassThe16BitLengthStartsANewPacket)
{
  std::vector<Byte> data(65535, 0x01);
  PacketListBuffer buffer(4 + 2 * (10 + 65535) + 8);
  MIDIPacket* packet = MIDIPacketListInit(buffer.List());
  packet = MIDIPacketListAdd(buffer.List(), buffer.Size(), packet, 0, 65535, data.data());
  ASSERT_NE(packet, nullptr);
  MIDIPacket* next = MIDIPacketListAdd(buffer.List(), buffer.Size(), packet, 0, 1, data.data());
  ASSERT_NE(next, nullptr);
  EXPECT_NE(next, packet);
  EXPECT_EQ(packet->length, 65535);
  EXPECT_EQ(next->length, 1);
  EXPECT_EQ(buffer.List()->numPackets, 2u);
}

TEST(MIDIPacketList, MalformedAdditionsAreRefusedWithoutTouchingTheList)
{
  PacketListBuffer buffer(256);
  MIDIPacketList* list = buffer.List();
  MIDIPacket* first = MIDIPacketListInit(list);
  std::vector<Byte> tooMany(65536, 0);
  EXPECT_EQ(MIDIPacketListAdd(nullptr, 256, first, 0, 3, kNoteOn), nullptr);
  EXPECT_EQ(MIDIPacketListAdd(list, 256, nullptr, 0, 3, kNoteOn), nullptr);
  EXPECT_EQ(MIDIPacketListAdd(list, 256, first, 0, 3, nullptr), nullptr);
  EXPECT_EQ(MIDIPacketListAdd(list, 256, first, 0, 0, kNoteOn), nullptr);
  EXPECT_EQ(MIDIPacketListAdd(list, 256, first, 0, tooMany.size(), tooMany.data()), nullptr);
  EXPECT_EQ(MIDIPacketListAdd(list, 3, first, 0, 3, kNoteOn), nullptr);  // smaller than the count
  // An empty list accepts only its first packet as the current one.
  MIDIPacket* inside = reinterpret_cast<MIDIPacket*>(reinterpret_cast<unsigned char*>(first) + 16);
  EXPECT_EQ(MIDIPacketListAdd(list, 256, inside, 0, 3, kNoteOn), nullptr);
  // A current packet outside the list's bytes.
  MIDIPacket* outside = reinterpret_cast<MIDIPacket*>(reinterpret_cast<unsigned char*>(list) + 256);
  EXPECT_EQ(MIDIPacketListAdd(list, 256, outside, 0, 3, kNoteOn), nullptr);
  EXPECT_EQ(list->numPackets, 0u);
}
