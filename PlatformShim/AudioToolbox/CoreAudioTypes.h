#pragma once
// The audio records shared by every audio framework: time stamps, buffers,
// stream descriptions and channel layouts. Layouts are the platform's 64-bit
// ones; each record's size is asserted below it.

#include <CoreServices/MacTypes.h>

#include <cstddef>

enum : OSStatus
{
  kAudio_NoError = 0,
  kAudio_ParamError = -50,
  kAudio_MemFullError = -108
};

// ---- SMPTE time --------------------------------------------------------

typedef UInt32 SMPTETimeType;
enum : SMPTETimeType
{
  kSMPTETimeType24 = 0,
  kSMPTETimeType25 = 1,
  kSMPTETimeType30Drop = 2,
  kSMPTETimeType30 = 3,
  kSMPTETimeType2997 = 4,
  kSMPTETimeType2997Drop = 5,
  kSMPTETimeType60 = 6,
  kSMPTETimeType5994 = 7,
  kSMPTETimeType60Drop = 8,
  kSMPTETimeType5994Drop = 9,
  kSMPTETimeType50 = 10,
  kSMPTETimeType2398 = 11
};

typedef UInt32 SMPTETimeFlags;
enum : SMPTETimeFlags
{
  kSMPTETimeUnknown = 0,
  kSMPTETimeValid = 1u << 0,
  kSMPTETimeRunning = 1u << 1
};

typedef struct SMPTETime
{
  SInt16 mSubframes;
  SInt16 mSubframeDivisor;
  UInt32 mCounter;
  SMPTETimeType mType;
  SMPTETimeFlags mFlags;
  SInt16 mHours;
  SInt16 mMinutes;
  SInt16 mSeconds;
  SInt16 mFrames;
} SMPTETime;
static_assert(sizeof(SMPTETime) == 24, "SMPTETime is 24 bytes");

// ---- time stamps -------------------------------------------------------

typedef UInt32 AudioTimeStampFlags;
enum : AudioTimeStampFlags
{
  kAudioTimeStampNothingValid = 0,
  kAudioTimeStampSampleTimeValid = 1u << 0,
  kAudioTimeStampHostTimeValid = 1u << 1,
  kAudioTimeStampRateScalarValid = 1u << 2,
  kAudioTimeStampWordClockTimeValid = 1u << 3,
  kAudioTimeStampSMPTETimeValid = 1u << 4,
  kAudioTimeStampSampleHostTimeValid = kAudioTimeStampSampleTimeValid | kAudioTimeStampHostTimeValid
};

// One instant in several clocks; mFlags says which fields hold a value.
typedef struct AudioTimeStamp
{
  Float64 mSampleTime;  // samples since the host's timeline origin
  UInt64 mHostTime;     // host clock ticks
  Float64 mRateScalar;  // actual rate / nominal rate
  UInt64 mWordClockTime;
  SMPTETime mSMPTETime;
  AudioTimeStampFlags mFlags;
  UInt32 mReserved;
} AudioTimeStamp;
static_assert(sizeof(AudioTimeStamp) == 64, "AudioTimeStamp is 64 bytes");
static_assert(offsetof(AudioTimeStamp, mSMPTETime) == 32 && offsetof(AudioTimeStamp, mFlags) == 56,
              "AudioTimeStamp field offsets");

// ---- buffers -----------------------------------------------------------

typedef struct AudioBuffer
{
  UInt32 mNumberChannels;  // interleaved channels in mData
  UInt32 mDataByteSize;    // bytes at mData
  void* mData;
} AudioBuffer;
static_assert(sizeof(AudioBuffer) == 16, "AudioBuffer is 16 bytes");

// mNumberBuffers buffers follow the count; the record declares room for one.
typedef struct AudioBufferList
{
  UInt32 mNumberBuffers;
  AudioBuffer mBuffers[1];
} AudioBufferList;
static_assert(offsetof(AudioBufferList, mBuffers) == 8 && sizeof(AudioBufferList) == 24,
              "AudioBufferList: count, padding, then buffers");

// Bytes of an AudioBufferList with nBuffers buffers.
constexpr std::size_t AudioBufferListSize(UInt32 nBuffers)
{
  return offsetof(AudioBufferList, mBuffers) + std::size_t(nBuffers) * sizeof(AudioBuffer);
}

// ---- stream descriptions -----------------------------------------------

typedef UInt32 AudioFormatID;
enum : AudioFormatID
{
  kAudioFormatLinearPCM = 0x6C70636D,  // 'lpcm'
  kAudioFormatAC3 = 0x61632D33,        // 'ac-3'
  kAudioFormatMPEG4AAC = 0x61616320,   // 'aac '
  kAudioFormatAppleLossless = 0x616C6163,  // 'alac'
  kAudioFormatMIDIStream = 0x6D696469  // 'midi'
};

typedef UInt32 AudioFormatFlags;
enum : AudioFormatFlags
{
  kAudioFormatFlagIsFloat = 1u << 0,
  kAudioFormatFlagIsBigEndian = 1u << 1,
  kAudioFormatFlagIsSignedInteger = 1u << 2,
  kAudioFormatFlagIsPacked = 1u << 3,
  kAudioFormatFlagIsAlignedHigh = 1u << 4,
  kAudioFormatFlagIsNonInterleaved = 1u << 5,
  kAudioFormatFlagIsNonMixable = 1u << 6,
  kAudioFormatFlagsAreAllClear = 0x80000000u,

  kLinearPCMFormatFlagIsFloat = kAudioFormatFlagIsFloat,
  kLinearPCMFormatFlagIsBigEndian = kAudioFormatFlagIsBigEndian,
  kLinearPCMFormatFlagIsSignedInteger = kAudioFormatFlagIsSignedInteger,
  kLinearPCMFormatFlagIsPacked = kAudioFormatFlagIsPacked,
  kLinearPCMFormatFlagIsAlignedHigh = kAudioFormatFlagIsAlignedHigh,
  kLinearPCMFormatFlagIsNonInterleaved = kAudioFormatFlagIsNonInterleaved,
  kLinearPCMFormatFlagIsNonMixable = kAudioFormatFlagIsNonMixable,

  // Both targets are little-endian.
  kAudioFormatFlagsNativeEndian = 0,
  kAudioFormatFlagsNativeFloatPacked = kAudioFormatFlagIsFloat | kAudioFormatFlagsNativeEndian | kAudioFormatFlagIsPacked,
  // What an Audio Unit exchanges by default: 32-bit float, one buffer per channel.
  kAudioFormatFlagsAudioUnitCanonical = kAudioFormatFlagsNativeFloatPacked | kAudioFormatFlagIsNonInterleaved
};

typedef struct AudioStreamBasicDescription
{
  Float64 mSampleRate;  // frames per second
  AudioFormatID mFormatID;
  AudioFormatFlags mFormatFlags;
  UInt32 mBytesPerPacket;
  UInt32 mFramesPerPacket;
  UInt32 mBytesPerFrame;  // of one buffer: one channel when non-interleaved
  UInt32 mChannelsPerFrame;
  UInt32 mBitsPerChannel;
  UInt32 mReserved;
} AudioStreamBasicDescription;
static_assert(sizeof(AudioStreamBasicDescription) == 40, "AudioStreamBasicDescription is 40 bytes");
static_assert(offsetof(AudioStreamBasicDescription, mChannelsPerFrame) == 28, "ASBD channel count offset");

// ---- channel layouts ---------------------------------------------------

typedef UInt32 AudioChannelLabel;
enum : AudioChannelLabel
{
  kAudioChannelLabel_Unknown = 0xFFFFFFFFu,
  kAudioChannelLabel_Unused = 0,
  kAudioChannelLabel_UseCoordinates = 100,
  kAudioChannelLabel_Left = 1,
  kAudioChannelLabel_Right = 2,
  kAudioChannelLabel_Center = 3,
  kAudioChannelLabel_LFEScreen = 4,
  kAudioChannelLabel_LeftSurround = 5,
  kAudioChannelLabel_RightSurround = 6,
  kAudioChannelLabel_Mono = 42
};

typedef UInt32 AudioChannelBitmap;
enum : AudioChannelBitmap
{
  kAudioChannelBit_Left = 1u << 0,
  kAudioChannelBit_Right = 1u << 1,
  kAudioChannelBit_Center = 1u << 2,
  kAudioChannelBit_LFEScreen = 1u << 3
};

typedef UInt32 AudioChannelFlags;
enum : AudioChannelFlags
{
  kAudioChannelFlags_AllOff = 0,
  kAudioChannelFlags_RectangularCoordinates = 1u << 0,
  kAudioChannelFlags_SphericalCoordinates = 1u << 1,
  kAudioChannelFlags_Meters = 1u << 2
};

typedef struct AudioChannelDescription
{
  AudioChannelLabel mChannelLabel;
  AudioChannelFlags mChannelFlags;
  Float32 mCoordinates[3];
} AudioChannelDescription;
static_assert(sizeof(AudioChannelDescription) == 20, "AudioChannelDescription is 20 bytes");

// A tag names a layout in its high 16 bits and carries its channel count in
// its low 16 bits.
typedef UInt32 AudioChannelLayoutTag;

constexpr AudioChannelLayoutTag PWShimLayoutTag(UInt32 index, UInt32 channels)
{
  return (index << 16) | channels;
}

enum : AudioChannelLayoutTag
{
  kAudioChannelLayoutTag_UseChannelDescriptions = PWShimLayoutTag(0, 0),
  kAudioChannelLayoutTag_UseChannelBitmap = PWShimLayoutTag(1, 0),
  kAudioChannelLayoutTag_Mono = PWShimLayoutTag(100, 1),
  kAudioChannelLayoutTag_Stereo = PWShimLayoutTag(101, 2),
  kAudioChannelLayoutTag_StereoHeadphones = PWShimLayoutTag(102, 2),
  kAudioChannelLayoutTag_MatrixStereo = PWShimLayoutTag(103, 2),
  kAudioChannelLayoutTag_MidSide = PWShimLayoutTag(104, 2),
  kAudioChannelLayoutTag_XY = PWShimLayoutTag(105, 2),
  kAudioChannelLayoutTag_Binaural = PWShimLayoutTag(106, 2),
  kAudioChannelLayoutTag_Ambisonic_B_Format = PWShimLayoutTag(107, 4),
  kAudioChannelLayoutTag_Quadraphonic = PWShimLayoutTag(108, 4),
  kAudioChannelLayoutTag_Pentagonal = PWShimLayoutTag(109, 5),
  kAudioChannelLayoutTag_Hexagonal = PWShimLayoutTag(110, 6),
  kAudioChannelLayoutTag_Octagonal = PWShimLayoutTag(111, 8),
  kAudioChannelLayoutTag_Cube = PWShimLayoutTag(112, 8),
  kAudioChannelLayoutTag_MPEG_1_0 = kAudioChannelLayoutTag_Mono,
  kAudioChannelLayoutTag_MPEG_2_0 = kAudioChannelLayoutTag_Stereo,
  kAudioChannelLayoutTag_MPEG_3_0_A = PWShimLayoutTag(113, 3),
  kAudioChannelLayoutTag_MPEG_3_0_B = PWShimLayoutTag(114, 3),
  kAudioChannelLayoutTag_MPEG_4_0_A = PWShimLayoutTag(115, 4),
  kAudioChannelLayoutTag_MPEG_4_0_B = PWShimLayoutTag(116, 4),
  kAudioChannelLayoutTag_MPEG_5_0_A = PWShimLayoutTag(117, 5),
  kAudioChannelLayoutTag_MPEG_5_0_B = PWShimLayoutTag(118, 5),
  kAudioChannelLayoutTag_MPEG_5_0_C = PWShimLayoutTag(119, 5),
  kAudioChannelLayoutTag_MPEG_5_0_D = PWShimLayoutTag(120, 5),
  kAudioChannelLayoutTag_MPEG_5_1_A = PWShimLayoutTag(121, 6),
  kAudioChannelLayoutTag_MPEG_5_1_B = PWShimLayoutTag(122, 6),
  kAudioChannelLayoutTag_MPEG_5_1_C = PWShimLayoutTag(123, 6),
  kAudioChannelLayoutTag_MPEG_5_1_D = PWShimLayoutTag(124, 6),
  kAudioChannelLayoutTag_MPEG_6_1_A = PWShimLayoutTag(125, 7),
  kAudioChannelLayoutTag_MPEG_7_1_A = PWShimLayoutTag(126, 8),
  kAudioChannelLayoutTag_MPEG_7_1_B = PWShimLayoutTag(127, 8),
  kAudioChannelLayoutTag_MPEG_7_1_C = PWShimLayoutTag(128, 8),
  kAudioChannelLayoutTag_AudioUnit_6_0 = PWShimLayoutTag(139, 6),
  kAudioChannelLayoutTag_AudioUnit_7_0 = PWShimLayoutTag(140, 7),
  // Channels in order, no labels: OR the channel count in.
  kAudioChannelLayoutTag_DiscreteInOrder = PWShimLayoutTag(147, 0),
  // Higher-order ambisonics, ACN order, SN3D normalisation: OR the channel
  // count in.
  kAudioChannelLayoutTag_HOA_ACN_SN3D = PWShimLayoutTag(190, 0),
  kAudioChannelLayoutTag_Atmos_7_1_4 = PWShimLayoutTag(192, 12),
  kAudioChannelLayoutTag_Atmos_7_1_2 = PWShimLayoutTag(196, 10),
  kAudioChannelLayoutTag_Unknown = 0xFFFF0000u
};

constexpr UInt32 AudioChannelLayoutTag_GetNumberOfChannels(AudioChannelLayoutTag tag)
{
  return tag & 0x0000FFFFu;
}

// mNumberChannelDescriptions descriptions follow; the record declares room
// for one. The descriptions are used only with the UseChannelDescriptions tag.
typedef struct AudioChannelLayout
{
  AudioChannelLayoutTag mChannelLayoutTag;
  AudioChannelBitmap mChannelBitmap;
  UInt32 mNumberChannelDescriptions;
  AudioChannelDescription mChannelDescriptions[1];
} AudioChannelLayout;
static_assert(offsetof(AudioChannelLayout, mChannelDescriptions) == 12 && sizeof(AudioChannelLayout) == 32,
              "AudioChannelLayout: three words, then descriptions");
