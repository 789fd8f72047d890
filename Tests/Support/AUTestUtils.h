#pragma once
// What tests need of an Audio Unit host, for any unit: time stamps, buffer
// lists, property reads and writes, stream formats and renders. Main thread.

#include "IWeftAU.h"

#include <AudioToolbox/AudioToolbox.h>

#include <gtest/gtest.h>

#include <vector>

namespace pw::test {

inline AudioTimeStamp MakeTimeStamp(double sampleTime, bool valid = true)
{
  AudioTimeStamp ts{};
  ts.mSampleTime = sampleTime;
  ts.mFlags = valid ? kAudioTimeStampSampleTimeValid : kAudioTimeStampHostTimeValid;
  return ts;
}

// A buffer list of nBuffers mono buffers; with data, each points at its own
// frames, else each data pointer is null.
class BufferList
{
public:
  BufferList(int nBuffers, int nFrames, bool withData = true)
  : mStorage(AudioBufferListSize(static_cast<UInt32>(nBuffers)) / sizeof(AudioBuffer) + 1)
  , mData(static_cast<size_t>(nBuffers), std::vector<float>(static_cast<size_t>(nFrames), -99.0f))
  {
    List()->mNumberBuffers = static_cast<UInt32>(nBuffers);
    for (int c = 0; c < nBuffers; ++c)
    {
      AudioBuffer& buffer = List()->mBuffers[c];
      buffer.mNumberChannels = 1;
      buffer.mDataByteSize = static_cast<UInt32>(nFrames) * sizeof(float);
      buffer.mData = withData ? mData[static_cast<size_t>(c)].data() : nullptr;
    }
  }

  AudioBufferList* List() { return reinterpret_cast<AudioBufferList*>(mStorage.data()); }
  // The samples the list's buffer c points at now.
  const float* Channel(int c) { return static_cast<const float*>(List()->mBuffers[c].mData); }

private:
  std::vector<AudioBuffer> mStorage; // aligned room for the list
  std::vector<std::vector<float>> mData;
};

// A property value of type T, read or written whole.
template <class T>
OSStatus GetProp(AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element, T& value)
{
  UInt32 size = sizeof(T);
  return AudioUnitGetProperty(unit, id, scope, element, &value, &size);
}

template <class T>
OSStatus SetProp(AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                 const T& value, UInt32 size = sizeof(T))
{
  return AudioUnitSetProperty(unit, id, scope, element, &value, size);
}

// The value of a property that must be answered (the failure is reported).
template <class T>
T PropValue(AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element, T value = T{})
{
  EXPECT_EQ(GetProp(unit, id, scope, element, value), noErr) << "property " << id;
  return value;
}

// The size and writability GetPropertyInfo answers, with its status.
struct PropInfo
{
  OSStatus status;
  UInt32 size;
  bool writable;
};

inline PropInfo GetPropInfo(AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element)
{
  UInt32 size = 0xDEAD;
  Boolean writable = true; // the wrapper clears it first
  const OSStatus status = AudioUnitGetPropertyInfo(unit, id, scope, element, &size, &writable);
  return {status, size, writable != 0};
}

// Renders nFrames of output bus into out at sampleTime.
inline OSStatus RenderAt(AudioUnit unit, BufferList& out, double sampleTime, UInt32 nFrames, UInt32 bus = 0)
{
  const AudioTimeStamp ts = MakeTimeStamp(sampleTime);
  AudioUnitRenderActionFlags flags = 0;
  return AudioUnitRender(unit, &flags, &ts, bus, nFrames, out.List());
}

inline OSStatus SetStreamChannels(AudioUnit unit, AudioUnitScope scope, UInt32 bus, int nChannels,
                                  double sampleRate = 48000.0)
{
  AudioStreamBasicDescription asbd;
  weft::IWeftAU::MakeDefaultASBD(&asbd, sampleRate, nChannels, false);
  return AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, scope, bus, &asbd, sizeof asbd);
}

inline OSStatus SetMaxFrames(AudioUnit unit, UInt32 frames)
{
  return AudioUnitSetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, &frames,
                              sizeof frames);
}

} // namespace pw::test
