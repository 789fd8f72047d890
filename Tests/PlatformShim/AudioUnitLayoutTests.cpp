// Field offsets and numbers that a component and a host built separately
// must agree on. Record sizes are asserted in the headers; these check where
// each field sits.

#include <AudioToolbox/AudioToolbox.h>
#include <CoreMIDI/CoreMIDI.h>
#include <CoreServices/CoreServices.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

TEST(AudioRecordLayout, TimeStampFieldsSitAtTheirOffsets)
{
  EXPECT_EQ(offsetof(AudioTimeStamp, mSampleTime), 0u);
  EXPECT_EQ(offsetof(AudioTimeStamp, mHostTime), 8u);
  EXPECT_EQ(offsetof(AudioTimeStamp, mRateScalar), 16u);
  EXPECT_EQ(offsetof(AudioTimeStamp, mWordClockTime), 24u);
  EXPECT_EQ(offsetof(AudioTimeStamp, mSMPTETime), 32u);
  EXPECT_EQ(offsetof(AudioTimeStamp, mFlags), 56u);
  EXPECT_EQ(offsetof(AudioTimeStamp, mReserved), 60u);
  EXPECT_EQ(offsetof(SMPTETime, mCounter), 4u);
  EXPECT_EQ(offsetof(SMPTETime, mType), 8u);
  EXPECT_EQ(offsetof(SMPTETime, mFlags), 12u);
  EXPECT_EQ(offsetof(SMPTETime, mHours), 16u);
  EXPECT_EQ(offsetof(SMPTETime, mFrames), 22u);
}

TEST(AudioRecordLayout, BuffersAndStreamDescriptionFieldsSitAtTheirOffsets)
{
  EXPECT_EQ(offsetof(AudioBuffer, mDataByteSize), 4u);
  EXPECT_EQ(offsetof(AudioBuffer, mData), 8u);
  EXPECT_EQ(AudioBufferListSize(2), 40u);
  EXPECT_EQ(offsetof(AudioStreamBasicDescription, mFormatID), 8u);
  EXPECT_EQ(offsetof(AudioStreamBasicDescription, mFormatFlags), 12u);
  EXPECT_EQ(offsetof(AudioStreamBasicDescription, mBytesPerPacket), 16u);
  EXPECT_EQ(offsetof(AudioStreamBasicDescription, mFramesPerPacket), 20u);
  EXPECT_EQ(offsetof(AudioStreamBasicDescription, mBytesPerFrame), 24u);
  EXPECT_EQ(offsetof(AudioStreamBasicDescription, mBitsPerChannel), 32u);
  EXPECT_EQ(offsetof(AudioChannelLayout, mNumberChannelDescriptions), 8u);
  EXPECT_EQ(offsetof(AudioChannelDescription, mCoordinates), 8u);
}

TEST(AudioRecordLayout, ParameterEventValuesOverlayAfterTheFourHeadWords)
{
  EXPECT_EQ(offsetof(AudioUnitParameterEvent, parameter), 8u);
  EXPECT_EQ(offsetof(AudioUnitParameterEvent, eventType), 12u);
  EXPECT_EQ(offsetof(AudioUnitParameterEvent, eventValues.immediate.bufferOffset), 16u);
  EXPECT_EQ(offsetof(AudioUnitParameterEvent, eventValues.immediate.value), 20u);
  EXPECT_EQ(offsetof(AudioUnitParameterEvent, eventValues.ramp.durationInFrames), 20u);
  EXPECT_EQ(offsetof(AudioUnitParameterEvent, eventValues.ramp.startValue), 24u);
  EXPECT_EQ(offsetof(AudioUnitParameterEvent, eventValues.ramp.endValue), 28u);
}

TEST(AudioRecordLayout, PropertyRecordsPutTheirPointersOnEightByteBoundaries)
{
  EXPECT_EQ(offsetof(AudioUnitConnection, sourceOutputNumber), 8u);
  EXPECT_EQ(offsetof(AudioUnitConnection, destInputNumber), 12u);
  EXPECT_EQ(offsetof(AURenderCallbackStruct, inputProcRefCon), 8u);
  EXPECT_EQ(offsetof(HostCallbackInfo, beatAndTempoProc), 8u);
  EXPECT_EQ(offsetof(HostCallbackInfo, musicalTimeLocationProc), 16u);
  EXPECT_EQ(offsetof(HostCallbackInfo, transportStateProc), 24u);
  EXPECT_EQ(offsetof(HostCallbackInfo, transportStateProc2), 32u);
  EXPECT_EQ(offsetof(AUChannelInfo, outChannels), 2u);
  EXPECT_EQ(offsetof(AudioUnitParameterInfo, minValue), 84u);
  EXPECT_EQ(offsetof(AudioUnitParameterInfo, maxValue), 88u);
  EXPECT_EQ(offsetof(AudioUnitParameterInfo, defaultValue), 92u);
  EXPECT_EQ(offsetof(AudioUnitParameterStringFromValue, inValue), 8u);
  EXPECT_EQ(offsetof(AudioUnitParameterStringFromValue, outString), 16u);
  EXPECT_EQ(offsetof(AudioUnitParameterValueFromString, inString), 8u);
  EXPECT_EQ(offsetof(AudioUnitParameterValueFromString, outValue), 16u);
  EXPECT_EQ(offsetof(AudioUnitParameterNameInfo, inDesiredLength), 4u);
  EXPECT_EQ(offsetof(AudioUnitParameterNameInfo, outName), 8u);
  EXPECT_EQ(offsetof(AudioUnitCocoaViewInfo, mCocoaAUViewClass), 8u);
  EXPECT_EQ(offsetof(AUMIDIOutputCallbackStruct, userData), 8u);
  EXPECT_EQ(offsetof(AudioUnitExternalBuffer, size), 8u);
  EXPECT_EQ(offsetof(AUHostVersionIdentifier, hostVersion), 8u);
}

TEST(AudioRecordLayout, EventsAndInterfacesSitAtTheirOffsets)
{
  EXPECT_EQ(offsetof(AudioUnitEvent, mArgument.mParameter.mParameterID), 16u);
  EXPECT_EQ(offsetof(AudioUnitEvent, mArgument.mProperty.mElement), 24u);
  EXPECT_EQ(offsetof(AudioComponentPlugInInterface, Open), 0u);
  EXPECT_EQ(offsetof(AudioComponentPlugInInterface, Close), 8u);
  EXPECT_EQ(offsetof(AudioComponentPlugInInterface, Lookup), 16u);
  EXPECT_EQ(offsetof(AudioComponentPlugInInterface, reserved), 24u);
  EXPECT_EQ(offsetof(AudioComponentDescription, componentFlagsMask), 16u);
  EXPECT_EQ(offsetof(MusicDeviceNoteParams, mControls), 12u);
}

TEST(AudioRecordLayout, APackedVersionReadsMajorFromTheMostSignificantByte)
{
  const NumVersion version{0, 0x80, 0x23, 0x01};  // 1.2.3, final stage
  UInt32 word = 0;
  static_assert(sizeof word == sizeof version, "one word");
  std::memcpy(&word, &version, sizeof word);
  EXPECT_EQ(word >> 24, 1u);
  EXPECT_EQ((word >> 16) & 0xFFu, 0x23u);
}

TEST(AudioNumbers, ChannelLayoutTagsCarryTheirChannelCountInTheLowHalf)
{
  EXPECT_EQ(kAudioChannelLayoutTag_Mono, 0x00640001u);
  EXPECT_EQ(kAudioChannelLayoutTag_Stereo, 0x00650002u);
  EXPECT_EQ(kAudioChannelLayoutTag_MPEG_3_0_A, 0x00710003u);
  EXPECT_EQ(kAudioChannelLayoutTag_Quadraphonic, 0x006C0004u);
  EXPECT_EQ(kAudioChannelLayoutTag_Ambisonic_B_Format, 0x006B0004u);
  EXPECT_EQ(kAudioChannelLayoutTag_MPEG_5_0_B, 0x00760005u);
  EXPECT_EQ(kAudioChannelLayoutTag_MPEG_5_1_A, 0x00790006u);
  EXPECT_EQ(kAudioChannelLayoutTag_AudioUnit_6_0, 0x008B0006u);
  EXPECT_EQ(kAudioChannelLayoutTag_MPEG_6_1_A, 0x007D0007u);
  EXPECT_EQ(kAudioChannelLayoutTag_AudioUnit_7_0, 0x008C0007u);
  EXPECT_EQ(kAudioChannelLayoutTag_MPEG_7_1_C, 0x00800008u);
  EXPECT_EQ(kAudioChannelLayoutTag_MPEG_7_1_A, 0x007E0008u);
  EXPECT_EQ(kAudioChannelLayoutTag_HOA_ACN_SN3D | 9, 0x00BE0009u);
  EXPECT_EQ(kAudioChannelLayoutTag_Atmos_7_1_2, 0x00C4000Au);
  EXPECT_EQ(kAudioChannelLayoutTag_Atmos_7_1_4, 0x00C0000Cu);
  EXPECT_EQ(kAudioChannelLayoutTag_DiscreteInOrder | 11, 0x0093000Bu);
  EXPECT_EQ(AudioChannelLayoutTag_GetNumberOfChannels(kAudioChannelLayoutTag_Atmos_7_1_4), 12u);
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
  EXPECT_EQ(gestaltSystemVersion, code("sysv"));
}
