#pragma once
// What tests need of an Audio Unit host, for any unit: time stamps, buffer
// lists, property reads and writes, stream formats, renders and parameter
// descriptions. Main thread.

#include "CFTestUtils.h"
#include "IWeftAU.h"

#include <AudioToolbox/AudioToolbox.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
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

// The fields of a parameter's information record; unitName null: none.
struct ParameterRecord
{
  const char* name;
  AudioUnitParameterUnit unit;
  const char* unitName;
  float minValue, maxValue, defaultValue;
  UInt32 flags;
  UInt32 clumpID = 0;
};

// Checks the record of parameter idx byte for byte (padding zero), releasing
// the name string as a host does.
inline void ExpectParameterRecord(AudioUnit unit, AudioUnitElement idx, const ParameterRecord& r)
{
  SCOPED_TRACE(testing::Message() << "parameter " << idx << " " << r.name);
  AudioUnitParameterInfo actual;
  std::memset(&actual, 0xAB, sizeof actual);
  UInt32 size = sizeof actual;
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, idx, &actual, &size),
            noErr);
  ASSERT_NE(actual.cfNameString, nullptr);
  EXPECT_EQ(Utf8(actual.cfNameString), r.name);
  if (r.unitName)
    EXPECT_EQ(Utf8(actual.unitName), r.unitName);
  else
    EXPECT_EQ(actual.unitName, nullptr);

  AudioUnitParameterInfo expected;
  std::memset(&expected, 0, sizeof expected);
  std::strncpy(expected.name, r.name, sizeof expected.name - 1);
  expected.unitName = actual.unitName;
  expected.clumpID = r.clumpID;
  expected.cfNameString = actual.cfNameString;
  expected.unit = r.unit;
  expected.minValue = r.minValue;
  expected.maxValue = r.maxValue;
  expected.defaultValue = r.defaultValue;
  expected.flags = r.flags;
  EXPECT_EQ(std::memcmp(&actual, &expected, sizeof actual), 0)
    << "unit " << actual.unit << " flags 0x" << std::hex << actual.flags << " clump " << std::dec << actual.clumpID
    << " min " << actual.minValue << " max " << actual.maxValue << " default " << actual.defaultValue;
  CFRelease(actual.cfNameString);
}

// The texts of ParameterValueStrings, empty on failure (status in pStatus).
inline std::vector<std::string> ParameterValueStrings(AudioUnit unit, AudioUnitElement idx,
                                                      OSStatus* pStatus = nullptr)
{
  CFArrayRef strings = nullptr;
  UInt32 size = sizeof strings;
  const OSStatus status =
    AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterValueStrings, kAudioUnitScope_Global, idx, &strings, &size);
  if (pStatus)
    *pStatus = status;
  std::vector<std::string> texts;
  for (CFIndex i = 0; status == noErr && i < CFArrayGetCount(strings); ++i)
    texts.push_back(Utf8(static_cast<CFStringRef>(CFArrayGetValueAtIndex(strings, i))));
  if (status == noErr)
    CFRelease(strings);
  return texts;
}

// ParameterStringFromValue; "" on failure, with the status.
inline std::string ParameterStringFromValue(AudioUnit unit, AudioUnitParameterID id, const float* pValue,
                                            OSStatus& status, AudioUnitScope scope = kAudioUnitScope_Global)
{
  AudioUnitParameterStringFromValue record{id, pValue, nullptr};
  UInt32 size = sizeof record;
  status = AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterStringFromValue, scope, 0, &record, &size);
  if (!record.outString)
    return "";
  const std::string text = Utf8(record.outString);
  CFRelease(record.outString);
  return text;
}

} // namespace pw::test
