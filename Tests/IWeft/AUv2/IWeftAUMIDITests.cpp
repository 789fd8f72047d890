// MIDI and SysEx towards the host's MIDI output callback.

#include "AUTestHost.h"

#include <numeric>
#include <vector>

using namespace pw::test;

namespace {

// A packet as sent: its time stamp and bytes; a list of them per call.
using Packet = std::pair<MIDITimeStamp, std::vector<Byte>>;
using PacketList = std::vector<Packet>;

// Records every packet list the unit sends.
struct MidiOutput
{
  std::vector<PacketList> lists;
  std::vector<double> sampleTimes;
  OSStatus answer = noErr;

  static OSStatus Callback(void* userData, const AudioTimeStamp* ts, UInt32 midiOutNum, const MIDIPacketList* pList)
  {
    auto* self = static_cast<MidiOutput*>(userData);
    EXPECT_EQ(midiOutNum, 0u);
    self->sampleTimes.push_back(ts->mSampleTime);
    PacketList& packets = self->lists.emplace_back();
    const MIDIPacket* pPkt = &pList->packet[0];
    for (UInt32 i = 0; i < pList->numPackets; ++i, pPkt = MIDIPacketNext(pPkt))
    {
      const MIDITimeStamp time = pPkt->timeStamp; // a copy: the packed field may be misaligned
      const Byte* data = &pPkt->data[0]; // a SysEx packet runs past the declared 256 bytes
      packets.emplace_back(time, std::vector<Byte>(data, data + pPkt->length));
    }
    return self->answer;
  }

  // Every packet sent, in order, over all lists, and all their bytes.
  PacketList AllPackets() const
  {
    PacketList all;
    for (const auto& list : lists)
      all.insert(all.end(), list.begin(), list.end());
    return all;
  }
  std::vector<Byte> AllBytes() const
  {
    std::vector<Byte> all;
    for (const auto& packet : AllPackets())
      all.insert(all.end(), packet.second.begin(), packet.second.end());
    return all;
  }
};

class MidiOut : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_EQ(unit.Status(), noErr);
    plug = unit.Object();
    ASSERT_NE(plug, nullptr);
  }

  void Connect()
  {
    ASSERT_EQ(SetProp(unit, kAudioUnitProperty_MIDIOutputCallback, kAudioUnitScope_Global, 0,
                      AUMIDIOutputCallbackStruct{MidiOutput::Callback, &output}),
              noErr);
  }

  static std::vector<Byte> SysExOf(int size)
  {
    std::vector<Byte> bytes(static_cast<size_t>(size));
    std::iota(bytes.begin(), bytes.end(), Byte{0});
    bytes.front() = 0xF0;
    bytes.back() = 0xF7;
    return bytes;
  }

  OpenUnit unit{Road::Entry};
  TestAUPlugin* plug = nullptr;
  MidiOutput output;
};

TEST_F(MidiOut, WithoutACallbackNothingIsSent)
{
  const std::vector<Byte> bytes = SysExOf(10);
  LOOM_TypedBuf<weft::IMidiMsg> msgs;
  msgs.Add(weft::IMidiMsg(0, 0x90, 60, 100));
  EXPECT_FALSE(plug->SendMidiMsg(weft::IMidiMsg(0, 0x90, 60, 100)));
  EXPECT_FALSE(plug->SendMidiMsgs(msgs));
  EXPECT_FALSE(plug->SendSysEx(weft::ISysEx(0, bytes.data(), 10)));
}

TEST_F(MidiOut, MessagesGoOutInOneListWithAPacketPerOffsetAndTheCallbacksStatusDecides)
{
  Connect();
  EXPECT_TRUE(plug->SendMidiMsg(weft::IMidiMsg(12, 0xB0, 7, 64)));
  LOOM_TypedBuf<weft::IMidiMsg> msgs;
  msgs.Add(weft::IMidiMsg(0, 0x90, 60, 100));
  msgs.Add(weft::IMidiMsg(5, 0x80, 60, 0));
  EXPECT_TRUE(plug->SendMidiMsgs(msgs));
  EXPECT_EQ(output.lists, (std::vector<PacketList>{{{12, {0xB0, 7, 64}}}, {{0, {0x90, 60, 100}}, {5, {0x80, 60, 0}}}}));

  output.answer = -1;
  EXPECT_FALSE(plug->SendMidiMsg(weft::IMidiMsg(0, 0x80, 60, 0)));
  EXPECT_EQ(output.lists.size(), 3u);
}

TEST_F(MidiOut, MoreMessagesThanOneListHoldsGoOutWholeInSeveralLists)
{
  Connect();
  LOOM_TypedBuf<weft::IMidiMsg> msgs;
  constexpr int kCount = 6000; // one 16-byte packet each: more than one list holds
  for (int i = 0; i < kCount; ++i)
    msgs.Add(weft::IMidiMsg(i, 0x90, static_cast<uint8_t>(i % 128), 1));
  EXPECT_TRUE(plug->SendMidiMsgs(msgs));
  ASSERT_GE(output.lists.size(), 2u);
  const PacketList packets = output.AllPackets();
  ASSERT_EQ(packets.size(), static_cast<size_t>(kCount));
  for (int i = 0; i < kCount; ++i)
    ASSERT_EQ(packets[i], Packet(i, {0x90, static_cast<Byte>(i % 128), 1})) << "message " << i << " was split or moved";
}

TEST_F(MidiOut, ASysExGoesOutWholeInOneListInPiecesOf256BytesAtItsOffset)
{
  Connect();
  const std::pair<int, std::vector<size_t>> cases[] = {{256, {256}}, {300, {256, 44}}};
  for (const auto& [size, pieces] : cases)
  {
    output.lists.clear();
    const std::vector<Byte> bytes = SysExOf(size);
    EXPECT_TRUE(plug->SendSysEx(weft::ISysEx(3, bytes.data(), size)));
    ASSERT_EQ(output.lists.size(), 1u);
    ASSERT_EQ(output.lists[0].size(), pieces.size()) << size;
    for (size_t i = 0; i < pieces.size(); ++i)
    {
      const Packet& packet = output.lists[0][i];
      EXPECT_EQ(std::make_pair(packet.first, packet.second.size()), std::make_pair(MIDITimeStamp(3), pieces[i]));
    }
    EXPECT_EQ(output.AllBytes(), bytes);
  }

  // The largest fits one list and arrives whole.
  output.lists.clear();
  const std::vector<Byte> largest = SysExOf(weft::IWeftAU::kMaxSysExBytes);
  EXPECT_TRUE(plug->SendSysEx(weft::ISysEx(0, largest.data(), weft::IWeftAU::kMaxSysExBytes)));
  EXPECT_EQ(output.lists.size(), 1u);
  EXPECT_EQ(output.AllBytes(), largest);

  output.lists.clear();
  EXPECT_FALSE(plug->SendSysEx(weft::ISysEx(0, nullptr, 4)));
  EXPECT_FALSE(plug->SendSysEx(weft::ISysEx(0, nullptr, -1)));
  EXPECT_TRUE(output.lists.empty());
}

TEST_F(MidiOut, SysExQueuedByTheEditorLeavesAtTheEndOfTheRenderWithItsTimeStamp)
{
  Connect();
  ToneSource source;
  ASSERT_EQ(SetRenderCallback(unit, 0, source), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  const std::vector<Byte> first = SysExOf(20), second = SysExOf(300);
  ASSERT_TRUE(plug->DeferSysexMsg(weft::ISysEx(1, first.data(), 20)));
  ASSERT_TRUE(plug->DeferSysexMsg(weft::ISysEx(2, second.data(), 300)));

  BufferList out(2, 32);
  ASSERT_EQ(RenderAt(unit, out, 4096.0, 32), noErr);
  ASSERT_EQ(output.lists.size(), 2u);
  EXPECT_EQ(output.sampleTimes, (std::vector<double>{4096.0, 4096.0}));
  EXPECT_EQ(output.lists[0][0].first, 1u);
  EXPECT_EQ(output.lists[1][0].first, 2u);
  std::vector<Byte> both = first;
  both.insert(both.end(), second.begin(), second.end());
  EXPECT_EQ(output.AllBytes(), both);
}

} // namespace
