#pragma once
// The stream format the host gives every bus it negotiates: the Audio Unit
// canonical format, 32-bit native float, non-interleaved (one buffer of
// 4-byte samples per channel), at sampleRate frames per second.

#include <AudioToolbox/AudioUnitProperties.h>

namespace pw::host {

inline AudioStreamBasicDescription CanonicalFormat(double sampleRate, int channels) noexcept
{
  AudioStreamBasicDescription asbd{};
  asbd.mSampleRate = sampleRate;
  asbd.mFormatID = kAudioFormatLinearPCM;
  asbd.mFormatFlags = kAudioFormatFlagsAudioUnitCanonical;
  asbd.mBytesPerPacket = sizeof(float);
  asbd.mFramesPerPacket = 1;
  asbd.mBytesPerFrame = sizeof(float);
  asbd.mChannelsPerFrame = static_cast<UInt32>(channels);
  asbd.mBitsPerChannel = 32;
  return asbd;
}

} // namespace pw::host
