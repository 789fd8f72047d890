// Stream formats and channel I/O legality through the unit's properties,
// and the channel-layout tags of wider buses.

#include "AUTestHost.h"

#include <limits>
#include <map>
#include <utility>
#include <vector>

using namespace pw::test;

namespace {

constexpr AudioUnitScope kIn = kAudioUnitScope_Input;
constexpr AudioUnitScope kOut = kAudioUnitScope_Output;

AudioStreamBasicDescription Float32Format(int nChannels, double rate = 48000.0)
{
  AudioStreamBasicDescription asbd;
  weft::IWeftAU::MakeDefaultASBD(&asbd, rate, nChannels, false);
  return asbd;
}

class Formats : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_EQ(unit.Status(), noErr);
    plug = unit.Object();
    ASSERT_NE(plug, nullptr);
  }

  OSStatus SetFormat(AudioUnitScope scope, UInt32 bus, const AudioStreamBasicDescription& asbd)
  {
    return SetProp(unit, kAudioUnitProperty_StreamFormat, scope, bus, asbd);
  }

  OpenUnit unit{Road::Factory};
  TestAUPlugin* plug = nullptr;
};

// One step of a negotiation: a format of `channels` for a bus (scope input
// or output), or Initialize / Uninitialize (scope global).
struct Step
{
  AudioUnitScope scope;
  UInt32 bus;
  int channels;
  OSStatus status;
};

constexpr int kInitialize = 1;
constexpr int kUninitialize = 0;
constexpr OSStatus kRefused = kAudioUnitErr_InvalidProperty;

struct Negotiation
{
  const char* what;
  std::vector<Step> steps;
};

// The configurations are "1-1 1.1-1 1.2-1 1.2-2 2.1-1 2.1-2 2-2 2.2-2".
const Negotiation kNegotiations[] = {
  {"main and sidechain within the configurations",
   {{kIn, 0, 2, noErr}, {kIn, 1, 2, noErr}, {kIn, 1, 3, kRefused}, {kIn, 1, 1, noErr}}},
  // Three main channels would make a legal total of three (as 1.2-1), but
  // the main bus never has more than two.
  {"a bus takes no more channels than it has even when the total is legal",
   {{kIn, 0, 3, kRefused}, {kOut, 0, 3, kRefused}}},
  {"once initialised each direction is checked against the other",
   {{kIn, 0, 2, noErr},
    {kOut, 0, 2, noErr},
    {kAudioUnitScope_Global, 0, kInitialize, noErr},
    {kIn, 0, 1, noErr},    // a mono main input under two outputs is a pair (1.2-2)
    {kIn, 1, 3, kRefused}, // no configuration gives the sidechain three
    {kIn, 1, 2, noErr},
    {kAudioUnitScope_Global, 0, kUninitialize, noErr},
    {kIn, 0, 1, noErr}}}, // before Initialize alone is enough
  // A mono sidechain alone totals one input (as 1-1) and takes one channel
  // in 1.1-1; then a stereo main bus makes three inputs, as 2.1-1 and 2.1-2.
  {"a sidechain may be negotiated before the main bus",
   {{kIn, 1, 1, noErr}, {kIn, 0, 2, noErr}, {kOut, 0, 2, noErr}, {kAudioUnitScope_Global, 0, kInitialize, noErr}}},
};

TEST(FormatNegotiation, EachBusTakesTheChannelsOfSomeConfigurationAndARefusalLeavesItAsItWas)
{
  for (const Negotiation& negotiation : kNegotiations)
  {
    SCOPED_TRACE(negotiation.what);
    OpenUnit unit(Road::Factory);
    TestAUPlugin* plug = unit.Object();
    ASSERT_NE(plug, nullptr);
    std::map<std::pair<AudioUnitScope, UInt32>, int> channels; // what each bus should hold; -1 unnegotiated
    for (size_t i = 0; i < negotiation.steps.size(); ++i)
    {
      const Step& step = negotiation.steps[i];
      SCOPED_TRACE(testing::Message() << "step " << i);
      if (step.scope == kAudioUnitScope_Global)
      {
        EXPECT_EQ(step.channels == kInitialize ? AudioUnitInitialize(unit) : AudioUnitUninitialize(unit), step.status);
        continue;
      }
      EXPECT_EQ(SetProp(unit, kAudioUnitProperty_StreamFormat, step.scope, step.bus, Float32Format(step.channels)),
                step.status);
      const auto key = std::make_pair(step.scope, step.bus);
      if (!channels.count(key))
        channels[key] = -1;
      if (step.status == noErr)
        channels[key] = step.channels;
      EXPECT_EQ(plug->HostChannels(step.scope == kIn ? weft::kInput : weft::kOutput, static_cast<int>(step.bus)),
                channels[key]);
      AudioStreamBasicDescription reported{};
      ASSERT_EQ(GetProp(unit, kAudioUnitProperty_StreamFormat, step.scope, step.bus, reported), noErr);
      if (channels[key] > 0)
      {
        EXPECT_EQ(reported.mChannelsPerFrame, static_cast<UInt32>(channels[key]));
      }
    }
  }
}

TEST_F(Formats, OnlyThirtyTwoBitFloatNonInterleavedUnlessMonoIsAccepted)
{
  ASSERT_EQ(SetFormat(kIn, 0, Float32Format(2, 44100.0)), noErr);

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
  refused.push_back({"infinite rate", Float32Format(1, std::numeric_limits<double>::infinity())});
  refused.push_back({"negative rate", Float32Format(1, -48000.0)});

  for (const auto& [what, description] : refused)
  {
    EXPECT_EQ(SetFormat(kIn, 0, description), kRefused) << what;
    EXPECT_EQ(plug->HostChannels(weft::kInput, 0), 2) << what;
    EXPECT_EQ(plug->GetSampleRate(), 44100.0) << what;
  }

  weft::IWeftAU::MakeDefaultASBD(&asbd, 96000.0, 1, true);
  EXPECT_EQ(SetFormat(kIn, 0, asbd), noErr) << "interleaved mono is one buffer all the same";
  EXPECT_EQ(plug->GetSampleRate(), 96000.0);
  EXPECT_EQ(SetFormat(kOut, 0, Float32Format(2, 0.0)), noErr) << "a format without rate";
  EXPECT_EQ(plug->GetSampleRate(), 96000.0) << "keeps the sample rate";
}

TEST_F(Formats, AcceptingAnInputFormatReassessesItsConnection)
{
  ToneSource source;
  ASSERT_EQ(SetRenderCallback(unit, 0, source), noErr);
  EXPECT_TRUE(plug->IsChannelConnected(weft::kInput, 1));
  ASSERT_EQ(SetFormat(kIn, 0, Float32Format(1)), noErr);
  EXPECT_TRUE(plug->IsChannelConnected(weft::kInput, 0));
  EXPECT_FALSE(plug->IsChannelConnected(weft::kInput, 1));
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

TEST(LayoutTags, WiderBusesGetEveryLayoutOfTheirChannelCountOnce)
{
  weft::InstanceInfo info;
  TestAUPlugin plug(info, MakeTestAUConfig("4-4 4-6 6-11 16-12"));
  const auto tagsOf = [&](AudioUnitScope scope) {
    std::vector<AudioChannelLayoutTag> tags(static_cast<size_t>(plug.GetChannelLayoutTags(scope, 0, nullptr)));
    if (!tags.empty())
    {
      EXPECT_EQ(plug.GetChannelLayoutTags(scope, 0, tags.data()), 1);
    }
    return tags;
  };
  EXPECT_EQ(tagsOf(kIn), (std::vector<AudioChannelLayoutTag>{0x006C0004, 0x006B0004, 0x00BE0004, 0x00790006,
                                                             0x008B0006, 0x00BE0010}));
  EXPECT_EQ(tagsOf(kOut), (std::vector<AudioChannelLayoutTag>{0x006C0004, 0x006B0004, 0x00BE0004, 0x00790006,
                                                              0x008B0006, 0x0093000B, 0x00C0000C}));
  EXPECT_EQ(plug.GetChannelLayoutTags(kAudioUnitScope_Global, 0, nullptr), 0);
}

} // namespace
