// Stream formats, channel I/O legality and channel-layout tags, through the
// unit's properties.

#include "AUTestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace pw::test;

namespace {

class Formats : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_EQ(unit.Status(), noErr);
    plug = unit.Object();
    ASSERT_NE(plug, nullptr);
  }

  AudioStreamBasicDescription GetFormat(AudioUnitScope scope, UInt32 bus, OSStatus* pStatus = nullptr)
  {
    AudioStreamBasicDescription asbd{};
    UInt32 size = sizeof asbd;
    const OSStatus status = AudioUnitGetProperty(unit, kAudioUnitProperty_StreamFormat, scope, bus, &asbd, &size);
    if (pStatus)
      *pStatus = status;
    return asbd;
  }

  OSStatus SetFormat(AudioUnitScope scope, UInt32 bus, const AudioStreamBasicDescription& asbd)
  {
    return AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, scope, bus, &asbd, sizeof asbd);
  }

  static AudioStreamBasicDescription Float32Format(int nChannels, double rate = 48000.0)
  {
    AudioStreamBasicDescription asbd;
    weft::IWeftAU::MakeDefaultASBD(&asbd, rate, nChannels, false);
    return asbd;
  }

  std::vector<AudioChannelLayoutTag> LayoutTags(AudioUnitScope scope, UInt32 element, OSStatus* pStatus = nullptr,
                                                Boolean* pWritable = nullptr)
  {
    UInt32 size = 0;
    Boolean writable = false;
    OSStatus status =
      AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_SupportedChannelLayoutTags, scope, element, &size, &writable);
    if (pWritable)
      *pWritable = writable;
    std::vector<AudioChannelLayoutTag> tags(size / sizeof(AudioChannelLayoutTag));
    if (status == noErr && !tags.empty())
      status = AudioUnitGetProperty(unit, kAudioUnitProperty_SupportedChannelLayoutTags, scope, element, tags.data(),
                                    &size);
    if (pStatus)
      *pStatus = status;
    return tags;
  }

  OpenUnit unit{Road::Factory};
  TestAUPlugin* plug = nullptr;
};

TEST_F(Formats, SupportedNumChannelsSumsTheBusesOfEachConfiguration)
{
  UInt32 size = 0;
  Boolean writable = true;
  ASSERT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, 0, &size,
                                     &writable),
            noErr);
  ASSERT_EQ(size, 8 * sizeof(AUChannelInfo));
  EXPECT_FALSE(writable);

  std::vector<AUChannelInfo> pairs(8);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, 0,
                                 pairs.data(), &size),
            noErr);
  const int expected[8][2] = {{1, 1}, {2, 1}, {3, 1}, {3, 2}, {3, 1}, {3, 2}, {2, 2}, {4, 2}};
  for (int i = 0; i < 8; ++i)
  {
    EXPECT_EQ(pairs[static_cast<size_t>(i)].inChannels, expected[i][0]) << "configuration " << i;
    EXPECT_EQ(pairs[static_cast<size_t>(i)].outChannels, expected[i][1]) << "configuration " << i;
  }
}

TEST_F(Formats, EachBusSupportsMonoThenStereo)
{
  const std::vector<AudioChannelLayoutTag> monoStereo{kAudioChannelLayoutTag_Mono, kAudioChannelLayoutTag_Stereo};
  OSStatus status = -1;
  Boolean writable = false;
  EXPECT_EQ(LayoutTags(kAudioUnitScope_Input, 0, &status, &writable), monoStereo);
  EXPECT_EQ(status, noErr);
  EXPECT_TRUE(writable);
  EXPECT_EQ(LayoutTags(kAudioUnitScope_Input, 1, &status), monoStereo);
  EXPECT_EQ(LayoutTags(kAudioUnitScope_Output, 0, &status), monoStereo);
  EXPECT_EQ(status, noErr);
}

TEST_F(Formats, ABusNoConfigurationHasGetsNoLayoutTags)
{
  OSStatus status = -1;
  Boolean writable = true;
  EXPECT_TRUE(LayoutTags(kAudioUnitScope_Input, 2, &status, &writable).empty());
  EXPECT_EQ(status, noErr);
  EXPECT_FALSE(writable);
  AudioChannelLayoutTag tag = 0;
  UInt32 size = sizeof tag;
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_SupportedChannelLayoutTags, kAudioUnitScope_Global, 0, &tag,
                                 &size),
            kAudioUnitErr_InvalidProperty);
}

TEST(LayoutTags, WiderBusesGetEveryLayoutOfTheirChannelCountOnce)
{
  const weft::Config config = MakeTestAUConfig("4-4 4-6 6-11 16-12");
  weft::InstanceInfo info;
  TestAUPlugin plug(info, config);
  const auto tagsOf = [&](AudioUnitScope scope) {
    std::vector<AudioChannelLayoutTag> tags(static_cast<size_t>(plug.GetChannelLayoutTags(scope, 0, nullptr)));
    if (!tags.empty())
    {
      EXPECT_EQ(plug.GetChannelLayoutTags(scope, 0, tags.data()), 1);
    }
    return tags;
  };
  EXPECT_EQ(tagsOf(kAudioUnitScope_Input),
            (std::vector<AudioChannelLayoutTag>{0x006C0004, 0x006B0004, 0x00BE0004, 0x00790006, 0x008B0006,
                                                0x00BE0010}));
  EXPECT_EQ(tagsOf(kAudioUnitScope_Output),
            (std::vector<AudioChannelLayoutTag>{0x006C0004, 0x006B0004, 0x00BE0004, 0x00790006, 0x008B0006,
                                                0x0093000B, 0x00C0000C}));
  EXPECT_EQ(plug.GetChannelLayoutTags(kAudioUnitScope_Global, 0, nullptr), 0);
}

TEST_F(Formats, AnUnnegotiatedBusReportsItsPlugChannelsAsNonInterleavedFloat)
{
  OSStatus status = -1;
  const AudioStreamBasicDescription asbd = GetFormat(kAudioUnitScope_Input, 1, &status);
  ASSERT_EQ(status, noErr);
  EXPECT_EQ(asbd.mSampleRate, 48000.0);
  EXPECT_EQ(asbd.mFormatID, kAudioFormatLinearPCM);
  EXPECT_EQ(asbd.mFormatFlags, 0x29u);
  EXPECT_EQ(asbd.mBytesPerPacket, 4u);
  EXPECT_EQ(asbd.mFramesPerPacket, 1u);
  EXPECT_EQ(asbd.mBytesPerFrame, 4u);
  EXPECT_EQ(asbd.mChannelsPerFrame, 2u);
  EXPECT_EQ(asbd.mBitsPerChannel, 32u);

  GetFormat(kAudioUnitScope_Input, 2, &status);
  EXPECT_EQ(status, kAudioUnitErr_InvalidProperty);
}

TEST(DefaultASBD, AnInterleavedDescriptionCountsEveryChannelInItsFrame)
{
  AudioStreamBasicDescription asbd;
  weft::IWeftAU::MakeDefaultASBD(&asbd, 44100.0, 3, true);
  EXPECT_EQ(asbd.mFormatFlags, 9u);
  EXPECT_EQ(asbd.mBytesPerPacket, 12u);
  EXPECT_EQ(asbd.mBytesPerFrame, 12u);
  EXPECT_EQ(asbd.mChannelsPerFrame, 3u);
}

TEST_F(Formats, MainAndSidechainNegotiateWithinTheConfigurations)
{
  EXPECT_EQ(SetFormat(kAudioUnitScope_Input, 0, Float32Format(2)), noErr);
  EXPECT_EQ(SetFormat(kAudioUnitScope_Input, 1, Float32Format(2)), noErr);
  EXPECT_EQ(GetFormat(kAudioUnitScope_Input, 1).mChannelsPerFrame, 2u);

  EXPECT_EQ(SetFormat(kAudioUnitScope_Input, 1, Float32Format(3)), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(plug->HostChannels(weft::kInput, 1), 2) << "a refused format leaves the bus as it was";

  EXPECT_EQ(SetFormat(kAudioUnitScope_Input, 1, Float32Format(1)), noErr);
  EXPECT_EQ(plug->HostChannels(weft::kInput, 1), 1);
}

TEST_F(Formats, ABusTakesNoMoreChannelsThanItHasEvenWhenTheTotalIsLegal)
{
  // Three main channels would make a legal total of three (as 1.2-1), but the
  // main bus never has more than two.
  EXPECT_EQ(SetFormat(kAudioUnitScope_Input, 0, Float32Format(3)), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(plug->HostChannels(weft::kInput, 0), -1);
  EXPECT_EQ(SetFormat(kAudioUnitScope_Output, 0, Float32Format(3)), kAudioUnitErr_InvalidProperty);
}

TEST_F(Formats, OnlyThirtyTwoBitFloatNonInterleavedUnlessMonoIsAccepted)
{
  ASSERT_EQ(SetFormat(kAudioUnitScope_Input, 0, Float32Format(2, 44100.0)), noErr);

  std::vector<std::pair<const char*, AudioStreamBasicDescription>> refused;
  AudioStreamBasicDescription asbd = Float32Format(1, 96000.0);
  asbd.mFormatID = kAudioFormatAppleLossless;
  refused.push_back({"not linear PCM", asbd});
  asbd = Float32Format(1, 96000.0);
  asbd.mFormatFlags = kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved;
  asbd.mBitsPerChannel = 16;
  asbd.mBytesPerFrame = asbd.mBytesPerPacket = 2;
  refused.push_back({"16-bit integer", asbd});
  asbd = Float32Format(1, 96000.0);
  asbd.mBitsPerChannel = 64;
  asbd.mBytesPerFrame = asbd.mBytesPerPacket = 8;
  refused.push_back({"64-bit float", asbd});
  weft::IWeftAU::MakeDefaultASBD(&asbd, 96000.0, 2, true);
  refused.push_back({"interleaved stereo", asbd});
  asbd = Float32Format(1, 96000.0);
  asbd.mChannelsPerFrame = 0;
  refused.push_back({"no channels", asbd});
  asbd = Float32Format(1, std::numeric_limits<double>::infinity());
  refused.push_back({"infinite rate", asbd});
  asbd = Float32Format(1, -48000.0);
  refused.push_back({"negative rate", asbd});

  for (const auto& [what, description] : refused)
  {
    EXPECT_EQ(SetFormat(kAudioUnitScope_Input, 0, description), kAudioUnitErr_InvalidProperty) << what;
    EXPECT_EQ(plug->HostChannels(weft::kInput, 0), 2) << what;
    EXPECT_EQ(plug->GetSampleRate(), 44100.0) << what;
  }

  weft::IWeftAU::MakeDefaultASBD(&asbd, 96000.0, 1, true);
  EXPECT_EQ(SetFormat(kAudioUnitScope_Input, 0, asbd), noErr) << "interleaved mono is one buffer all the same";
  EXPECT_EQ(plug->GetSampleRate(), 96000.0);
}

TEST_F(Formats, AFormatWithoutRateKeepsTheSampleRate)
{
  ASSERT_EQ(SetFormat(kAudioUnitScope_Output, 0, Float32Format(2, 0.0)), noErr);
  EXPECT_EQ(plug->GetSampleRate(), 48000.0);
}

TEST_F(Formats, OnceInitializedEachDirectionIsCheckedAgainstTheOther)
{
  ASSERT_EQ(SetFormat(kAudioUnitScope_Input, 0, Float32Format(2)), noErr);
  ASSERT_EQ(SetFormat(kAudioUnitScope_Output, 0, Float32Format(2)), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);

  // One main channel with two outputs is no configuration.
  EXPECT_EQ(SetFormat(kAudioUnitScope_Input, 0, Float32Format(1)), kAudioUnitErr_InvalidProperty);
  // A stereo sidechain next to them is (2.2-2).
  EXPECT_EQ(SetFormat(kAudioUnitScope_Input, 1, Float32Format(2)), noErr);

  ASSERT_EQ(AudioUnitUninitialize(unit), noErr);
  EXPECT_EQ(SetFormat(kAudioUnitScope_Input, 0, Float32Format(1)), noErr) << "before Initialize alone is enough";
}

TEST_F(Formats, ASidechainMayBeNegotiatedBeforeTheMainBus)
{
  // A mono sidechain alone totals one input (as 1-1), and the sidechain bus
  // takes one channel in 1.1-1.
  EXPECT_EQ(SetFormat(kAudioUnitScope_Input, 1, Float32Format(1)), noErr);
  // Then a stereo main bus: three inputs in total, as 2.1-1 and 2.1-2.
  EXPECT_EQ(SetFormat(kAudioUnitScope_Input, 0, Float32Format(2)), noErr);
  EXPECT_EQ(SetFormat(kAudioUnitScope_Output, 0, Float32Format(2)), noErr);
  EXPECT_EQ(AudioUnitInitialize(unit), noErr);
}

TEST_F(Formats, AcceptingAnInputFormatReassessesItsConnection)
{
  ToneSource source;
  ASSERT_EQ(SetRenderCallback(unit, 0, source), noErr);
  EXPECT_TRUE(plug->IsChannelConnected(weft::kInput, 1));
  ASSERT_EQ(SetFormat(kAudioUnitScope_Input, 0, Float32Format(1)), noErr);
  EXPECT_TRUE(plug->IsChannelConnected(weft::kInput, 0));
  EXPECT_FALSE(plug->IsChannelConnected(weft::kInput, 1));
}

} // namespace
