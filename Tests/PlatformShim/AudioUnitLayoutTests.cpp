// Field offsets and numbers that a component and a host built separately
// must agree on. Record sizes, and the offsets the headers already assert, are
// checked at compile time; these check where every other field sits.

#include <AudioToolbox/AudioToolbox.h>
#include <CoreMIDI/CoreMIDI.h>
#include <CoreServices/CoreServices.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <utility>

namespace
{
struct FieldOffset { const char* field; size_t actual, expected; };

#define PW_FIELD(Record, field, at) {#Record "." #field, offsetof(Record, field), at}

const FieldOffset kFieldOffsets[] = {
  PW_FIELD(AudioTimeStamp, mHostTime, 8), PW_FIELD(AudioTimeStamp, mRateScalar, 16),
  PW_FIELD(AudioTimeStamp, mWordClockTime, 24), PW_FIELD(SMPTETime, mCounter, 4), PW_FIELD(SMPTETime, mType, 8),
  PW_FIELD(SMPTETime, mFlags, 12), PW_FIELD(SMPTETime, mHours, 16), PW_FIELD(SMPTETime, mFrames, 22),
  PW_FIELD(AudioBuffer, mDataByteSize, 4), PW_FIELD(AudioStreamBasicDescription, mFormatID, 8),
  PW_FIELD(AudioStreamBasicDescription, mFormatFlags, 12), PW_FIELD(AudioStreamBasicDescription, mBytesPerPacket, 16),
  PW_FIELD(AudioStreamBasicDescription, mFramesPerPacket, 20),
  PW_FIELD(AudioStreamBasicDescription, mBytesPerFrame, 24), PW_FIELD(AudioStreamBasicDescription, mBitsPerChannel, 32),
  PW_FIELD(AudioChannelLayout, mNumberChannelDescriptions, 8),
  PW_FIELD(AudioChannelDescription, mCoordinates, 8),
  // Parameter event values overlay each other after the four head words.
  PW_FIELD(AudioUnitParameterEvent, parameter, 8), PW_FIELD(AudioUnitParameterEvent, eventType, 12),
  PW_FIELD(AudioUnitParameterEvent, eventValues.immediate.value, 20),
  PW_FIELD(AudioUnitParameterEvent, eventValues.ramp.durationInFrames, 20),
  PW_FIELD(AudioUnitParameterEvent, eventValues.ramp.startValue, 24),
  PW_FIELD(AudioUnitParameterEvent, eventValues.ramp.endValue, 28),
  // Property records put their pointers on eight-byte boundaries.
  PW_FIELD(AudioUnitConnection, sourceOutputNumber, 8), PW_FIELD(AudioUnitConnection, destInputNumber, 12),
  PW_FIELD(AURenderCallbackStruct, inputProcRefCon, 8), PW_FIELD(HostCallbackInfo, beatAndTempoProc, 8),
  PW_FIELD(HostCallbackInfo, musicalTimeLocationProc, 16), PW_FIELD(HostCallbackInfo, transportStateProc, 24),
  PW_FIELD(HostCallbackInfo, transportStateProc2, 32), PW_FIELD(AUChannelInfo, outChannels, 2),
  PW_FIELD(AudioUnitParameterInfo, minValue, 84), PW_FIELD(AudioUnitParameterInfo, maxValue, 88),
  PW_FIELD(AudioUnitParameterInfo, defaultValue, 92), PW_FIELD(AudioUnitParameterStringFromValue, inValue, 8),
  PW_FIELD(AudioUnitParameterStringFromValue, outString, 16), PW_FIELD(AudioUnitParameterValueFromString, inString, 8),
  PW_FIELD(AudioUnitParameterValueFromString, outValue, 16), PW_FIELD(AudioUnitParameterNameInfo, inDesiredLength, 4),
  PW_FIELD(AudioUnitParameterNameInfo, outName, 8), PW_FIELD(AudioUnitCocoaViewInfo, mCocoaAUViewClass, 8),
  PW_FIELD(AUMIDIOutputCallbackStruct, userData, 8), PW_FIELD(AudioUnitExternalBuffer, size, 8),
  PW_FIELD(AUHostVersionIdentifier, hostVersion, 8),
  PW_FIELD(AudioUnitEvent, mArgument.mParameter.mParameterID, 16),
  PW_FIELD(AudioUnitEvent, mArgument.mProperty.mElement, 24), PW_FIELD(AudioComponentPlugInInterface, Close, 8),
  PW_FIELD(AudioComponentPlugInInterface, Lookup, 16), PW_FIELD(AudioComponentPlugInInterface, reserved, 24),
  PW_FIELD(AudioComponentDescription, componentFlagsMask, 16), PW_FIELD(MusicDeviceNoteParams, mControls, 12),
};

#undef PW_FIELD

TEST(AudioRecordLayout, EveryFieldSitsAtItsOffset)
{
  for (const FieldOffset& f : kFieldOffsets)
    EXPECT_EQ(f.actual, f.expected) << f.field;
  EXPECT_EQ(AudioBufferListSize(2), 40u);
}

TEST(AudioRecordLayout, APackedVersionReadsMajorFromTheMostSignificantByte)
{
  const NumVersion version{0, 0x80, 0x23, 0x01}; // 1.2.3, final stage
  UInt32 word = 0;
  static_assert(sizeof word == sizeof version, "one word");
  std::memcpy(&word, &version, sizeof word);
  EXPECT_EQ(word >> 24, 1u);
  EXPECT_EQ((word >> 16) & 0xFFu, 0x23u);
}

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

TEST(AudioNumbers, FourCharacterCodesSpellTheirCharactersBigEndFirst)
{
  auto code = [](const char (&text)[5]) {
    return (UInt32(Byte(text[0])) << 24) | (UInt32(Byte(text[1])) << 16) | (UInt32(Byte(text[2])) << 8) |
           UInt32(Byte(text[3]));
  };
  EXPECT_EQ(kAudioUnitType_Effect, code("aufx"));
  EXPECT_EQ(kAudioUnitType_MusicDevice, code("aumu"));
  EXPECT_EQ(kAudioUnitType_MusicEffect, code("aumf"));
  EXPECT_EQ(kAudioUnitType_MIDIProcessor, code("aumi"));
  EXPECT_EQ(kAudioFormatLinearPCM, code("lpcm"));
}
} // namespace
