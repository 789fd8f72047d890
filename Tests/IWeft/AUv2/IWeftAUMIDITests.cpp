// MIDI and SysEx towards the host's MIDI output callback, and the CocoaUI
// property that names the editor-view factory.

#include "AUTestHost.h"

#include <CoreFoundation/PWShimCFBase.h>
#include <CoreFoundation/PWShimCFBundle.h>

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

using namespace pw::test;

namespace {

// Records every packet list the unit sends. Storage is reserved up front so
// that recording allocates nothing for small lists.
struct MidiOutput
{
  struct Packet
  {
    MIDITimeStamp time;
    std::vector<Byte> bytes;
  };

  std::vector<std::vector<Packet>> lists;
  std::vector<double> sampleTimes;
  OSStatus answer = noErr;

  static OSStatus Callback(void* userData, const AudioTimeStamp* ts, UInt32 midiOutNum, const MIDIPacketList* pList)
  {
    auto* self = static_cast<MidiOutput*>(userData);
    EXPECT_EQ(midiOutNum, 0u);
    self->sampleTimes.push_back(ts->mSampleTime);
    std::vector<Packet> packets;
    const MIDIPacket* pPkt = &pList->packet[0];
    for (UInt32 i = 0; i < pList->numPackets; ++i)
    {
      packets.push_back({pPkt->timeStamp, std::vector<Byte>(pPkt->data, pPkt->data + pPkt->length)});
      pPkt = MIDIPacketNext(pPkt);
    }
    self->lists.push_back(std::move(packets));
    return self->answer;
  }

  // Every byte sent, in order, over all lists.
  std::vector<Byte> AllBytes() const
  {
    std::vector<Byte> all;
    for (const auto& list : lists)
      for (const auto& packet : list)
        all.insert(all.end(), packet.bytes.begin(), packet.bytes.end());
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
    const AUMIDIOutputCallbackStruct callback{MidiOutput::Callback, &output};
    ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_MIDIOutputCallback, kAudioUnitScope_Global, 0, &callback,
                                   sizeof callback),
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

TEST_F(MidiOut, OneMessageIsOnePacketAtItsOffset)
{
  Connect();
  EXPECT_TRUE(plug->SendMidiMsg(weft::IMidiMsg(12, 0xB0, 7, 64)));
  ASSERT_EQ(output.lists.size(), 1u);
  ASSERT_EQ(output.lists[0].size(), 1u);
  EXPECT_EQ(output.lists[0][0].time, 12u);
  EXPECT_EQ(output.lists[0][0].bytes, (std::vector<Byte>{0xB0, 7, 64}));
}

TEST_F(MidiOut, TheCallbacksStatusDecidesTheResult)
{
  Connect();
  output.answer = -1;
  EXPECT_FALSE(plug->SendMidiMsg(weft::IMidiMsg(0, 0x80, 60, 0)));
  EXPECT_EQ(output.lists.size(), 1u);
}

TEST_F(MidiOut, SeveralMessagesGoOutInOneListWithAPacketPerOffset)
{
  Connect();
  LOOM_TypedBuf<weft::IMidiMsg> msgs;
  msgs.Add(weft::IMidiMsg(0, 0x90, 60, 100));
  msgs.Add(weft::IMidiMsg(5, 0x80, 60, 0));
  EXPECT_TRUE(plug->SendMidiMsgs(msgs));
  ASSERT_EQ(output.lists.size(), 1u);
  ASSERT_EQ(output.lists[0].size(), 2u);
  EXPECT_EQ(output.lists[0][0].time, 0u);
  EXPECT_EQ(output.lists[0][0].bytes, (std::vector<Byte>{0x90, 60, 100}));
  EXPECT_EQ(output.lists[0][1].time, 5u);
  EXPECT_EQ(output.lists[0][1].bytes, (std::vector<Byte>{0x80, 60, 0}));
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
  int seen = 0;
  for (const auto& list : output.lists)
    for (const auto& packet : list)
    {
      ASSERT_EQ(packet.bytes.size(), 3u) << "message " << seen << " was split";
      EXPECT_EQ(packet.time, static_cast<MIDITimeStamp>(seen));
      EXPECT_EQ(packet.bytes[1], seen % 128);
      ++seen;
    }
  EXPECT_EQ(seen, kCount);
}

TEST_F(MidiOut, ASysExOfThreeHundredBytesGoesOutAsPiecesOf256And44)
{
  Connect();
  const std::vector<Byte> bytes = SysExOf(300);
  EXPECT_TRUE(plug->SendSysEx(weft::ISysEx(3, bytes.data(), 300)));
  ASSERT_EQ(output.lists.size(), 1u);
  ASSERT_EQ(output.lists[0].size(), 2u);
  EXPECT_EQ(output.lists[0][0].bytes.size(), 256u);
  EXPECT_EQ(output.lists[0][1].bytes.size(), 44u);
  EXPECT_EQ(output.lists[0][0].time, 3u);
  EXPECT_EQ(output.lists[0][1].time, 3u);
  EXPECT_EQ(output.AllBytes(), bytes);
}

TEST_F(MidiOut, ASysExOf256BytesIsOnePiece)
{
  Connect();
  const std::vector<Byte> bytes = SysExOf(256);
  EXPECT_TRUE(plug->SendSysEx(weft::ISysEx(0, bytes.data(), 256)));
  ASSERT_EQ(output.lists.size(), 1u);
  ASSERT_EQ(output.lists[0].size(), 1u);
  EXPECT_EQ(output.AllBytes(), bytes);
}

TEST_F(MidiOut, TheLargestSysExFitsTheListAndArrivesWhole)
{
  Connect();
  const std::vector<Byte> bytes = SysExOf(weft::IWeftAU::kMaxSysExBytes);
  EXPECT_TRUE(plug->SendSysEx(weft::ISysEx(0, bytes.data(), weft::IWeftAU::kMaxSysExBytes)));
  EXPECT_EQ(output.AllBytes(), bytes);
}

TEST_F(MidiOut, AMalformedSysExIsRefused)
{
  Connect();
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
  const AudioTimeStamp ts = MakeTimeStamp(4096.0);
  const OSStatus status = AudioUnitRender(unit, nullptr, &ts, 0, 32, out.List());
  ASSERT_EQ(status, noErr);
  ASSERT_EQ(output.lists.size(), 2u);
  EXPECT_EQ(output.sampleTimes, (std::vector<double>{4096.0, 4096.0}));
  EXPECT_EQ(output.lists[0][0].time, 1u);
  EXPECT_EQ(output.lists[1][0].time, 2u);
  std::vector<Byte> both = first;
  both.insert(both.end(), second.begin(), second.end());
  EXPECT_EQ(output.AllBytes(), both);
}

TEST_F(MidiOut, TheMidiOutputCallbackCanBeSizedButNotRead)
{
  UInt32 size = 0;
  Boolean writable = false;
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_MIDIOutputCallback, kAudioUnitScope_Global, 0, &size,
                                     &writable),
            noErr);
  EXPECT_EQ(size, sizeof(AUMIDIOutputCallbackStruct));
  EXPECT_TRUE(writable);
  AUMIDIOutputCallbackStruct callback{};
  size = sizeof callback;
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_MIDIOutputCallback, kAudioUnitScope_Global, 0, &callback,
                                 &size),
            kAudioUnitErr_InvalidProperty);
}

// --- The editor view ----------------------------------------------------------

class CocoaUI : public ::testing::Test
{
protected:
  void TearDown() override { PWShimCFBundleUnregister(kTestAUBundleID); }

  OpenUnit unit{Road::Factory};
};

TEST_F(CocoaUI, NamesTheBundleWithThePluginsIdentifierAndTheViewClass)
{
  ASSERT_TRUE(PWShimCFBundleRegister(kTestAUBundleID, "/tmp/TestAU.component", nullptr));
  UInt32 size = 0;
  Boolean writable = true;
  ASSERT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, &size, &writable),
            noErr);
  EXPECT_EQ(size, sizeof(AudioUnitCocoaViewInfo));
  EXPECT_FALSE(writable);

  AudioUnitCocoaViewInfo info{};
  size = sizeof info;
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, &info, &size), noErr);
  ASSERT_NE(info.mCocoaAUViewBundleLocation, nullptr);
  ASSERT_NE(info.mCocoaAUViewClass[0], nullptr);

  char path[256] = {};
  EXPECT_TRUE(CFURLGetFileSystemRepresentation(info.mCocoaAUViewBundleLocation, true,
                                               reinterpret_cast<UInt8*>(path), sizeof path));
  EXPECT_EQ(std::string(path).rfind("/tmp/TestAU.component", 0), 0u) << path;
  const weft::CStrLocal className(info.mCocoaAUViewClass[0]);
  EXPECT_STREQ(className.Get(), "TestAUPlugin_View");
  CFRelease(info.mCocoaAUViewBundleLocation);
  CFRelease(info.mCocoaAUViewClass[0]);
}

TEST_F(CocoaUI, WithoutTheBundleThereIsNoView)
{
  const CFIndex before = PWShimCFLiveObjectCount();
  AudioUnitCocoaViewInfo info{};
  UInt32 size = sizeof info;
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, &info, &size),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(info.mCocoaAUViewBundleLocation, nullptr);
  EXPECT_EQ(PWShimCFLiveObjectCount(), before);
}

} // namespace
