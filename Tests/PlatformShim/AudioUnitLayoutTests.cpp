// A channel layout tag's channel count, read from its low half.

#include <AudioToolbox/AudioToolbox.h>

#include <gtest/gtest.h>

#include <utility>

namespace
{
TEST(AudioNumbers, ChannelLayoutTagsCarryTheirChannelCountInTheLowHalf)
{
  const std::pair<AudioChannelLayoutTag, UInt32> tags[] = {
    {kAudioChannelLayoutTag_Mono, 0x00640001u}, {kAudioChannelLayoutTag_Stereo, 0x00650002u},
    {kAudioChannelLayoutTag_MPEG_3_0_A, 0x00710003u}, {kAudioChannelLayoutTag_Quadraphonic, 0x006C0004u},
    {kAudioChannelLayoutTag_Ambisonic_B_Format, 0x006B0004u}, {kAudioChannelLayoutTag_MPEG_5_0_B, 0x00760005u},
    {kAudioChannelLayoutTag_MPEG_5_1_A, 0x00790006u}, {kAudioChannelLayoutTag_AudioUnit_6_0, 0x008B0006u},
    {kAudioChannelLayoutTag_MPEG_6_1_A, 0x007D0007u}, {kAudioChannelLayoutTag_AudioUnit_7_0, 0x008C0007u},
    {kAudioChannelLayoutTag_MPEG_7_1_C, 0x00800008u}, {kAudioChannelLayoutTag_MPEG_7_1_A, 0x007E0008u},
    {kAudioChannelLayoutTag_HOA_ACN_SN3D | 9, 0x00BE0009u}, {kAudioChannelLayoutTag_Atmos_7_1_2, 0x00C4000Au},
    {kAudioChannelLayoutTag_Atmos_7_1_4, 0x00C0000Cu}, {kAudioChannelLayoutTag_DiscreteInOrder | 11, 0x0093000Bu}};
  for (const auto& t : tags)
  {
    EXPECT_EQ(t.first, t.second);
    EXPECT_EQ(AudioChannelLayoutTag_GetNumberOfChannels(t.first), t.second & 0xFFFFu);
  }
}
} // namespace
