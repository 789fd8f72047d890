#pragma once
// What the binding's tests need of a host: opening a unit on either road,
// time stamps, buffer lists and a render-callback source of audio. Main
// thread except where said.

#include "AUTestUtils.h"
#include "CFTestUtils.h"
#include "TestAUPlugin.h"

#include <AudioToolbox/PWShimAudioComponent.h>
#include <CoreFoundation/PWShimCFBase.h>
#include <CoreServices/PWShimComponents.h>

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace pw::test {

enum class Road
{
  Factory,
  Entry
};

inline const char* RoadName(Road road)
{
  return road == Road::Factory ? "Factory" : "Entry";
}

inline void PrintTo(Road road, std::ostream* os)
{
  *os << RoadName(road);
}

// Owns CoreFoundation objects made for a test and releases them with itself.
class CFOwner
{
public:
  CFOwner() = default;
  CFOwner(const CFOwner&) = delete;
  CFOwner& operator=(const CFOwner&) = delete;
  ~CFOwner()
  {
    for (CFTypeRef object : mObjects)
      CFRelease(object);
  }

  template <class T>
  T operator()(T object)
  {
    mObjects.push_back(object);
    return object;
  }
  CFNumberRef Number(SInt32 value) { return (*this)(CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &value)); }
  CFStringRef String(const char* text)
  {
    return (*this)(CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingUTF8));
  }

private:
  std::vector<CFTypeRef> mObjects;
};

// Runs the tests of a TestWithParam<Road> suite on both roads.
#define PW_INSTANTIATE_BOTH_ROADS(Suite)                                                                               \
  INSTANTIATE_TEST_SUITE_P(BothRoads, Suite, ::testing::Values(Road::Factory, Road::Entry),                            \
                           [](const ::testing::TestParamInfo<Road>& info) { return RoadName(info.param); })


// An open unit of one of the test plug-ins, disposed at scope end.
class OpenUnit
{
public:
  using FactoryFn = void* (*)(const AudioComponentDescription*);

  explicit OpenUnit(Road road, FactoryFn factory = TestAUPlugin_Factory,
                    ComponentRoutineUPP entry = TestAUPlugin_Entry)
  {
    if (road == Road::Factory)
    {
      const AudioComponentDescription desc{kAudioUnitType_Effect, 0x54737441, 0x41636d65, 0, 0};
      auto* pInterface = static_cast<AudioComponentPlugInInterface*>(factory(&desc));
      mStatus = pInterface ? PWShimAudioComponentInstanceNew(pInterface, &mUnit) : kAudio_MemFullError;
      if (mStatus != noErr)
        std::free(pInterface);
    }
    else
    {
      mStatus = PWShimComponentInstanceNew(entry, &mUnit);
    }
  }
  ~OpenUnit()
  {
    if (mUnit)
      PWShimComponentInstanceDispose(mUnit);
  }
  OpenUnit(const OpenUnit&) = delete;
  OpenUnit& operator=(const OpenUnit&) = delete;

  OSStatus Status() const { return mStatus; }
  AudioUnit Get() const { return mUnit; }
  operator AudioUnit() const { return mUnit; }

  // The plug-in object behind the unit, fetched the way the view factory
  // does (property -101).
  template <class Plug = TestAUPlugin>
  Plug* Object() const
  {
    void* pObject = nullptr;
    UInt32 size = sizeof pObject;
    if (AudioUnitGetProperty(mUnit, weft::IWeftAU::kIWeftAUProperty_PlugInObject, kAudioUnitScope_Global, 0,
                             &pObject, &size) != noErr)
      return nullptr;
    return static_cast<Plug*>(static_cast<weft::IWeftAU*>(pObject));
  }

  // Closes now (for tests that check what closing leaves behind).
  OSStatus Close()
  {
    const OSStatus status = PWShimComponentInstanceDispose(mUnit);
    mUnit = nullptr;
    return status;
  }

private:
  AudioUnit mUnit = nullptr;
  OSStatus mStatus = noErr;
};

// A render-callback source: fills each requested buffer c with
// base[c] + frame index x step, and counts its calls. Render thread.
struct ToneSource
{
  std::vector<float> base;
  float step = 0.0f;
  int calls = 0;
  UInt32 lastBus = 0xFFFFFFFF;
  OSStatus answer = noErr;

  static OSStatus Render(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32 bus,
                         UInt32 nFrames, AudioBufferList* ioData)
  {
    auto* self = static_cast<ToneSource*>(refCon);
    ++self->calls;
    self->lastBus = bus;
    if (self->answer != noErr)
      return self->answer;
    for (UInt32 c = 0; c < ioData->mNumberBuffers; ++c)
    {
      auto* pData = static_cast<float*>(ioData->mBuffers[c].mData);
      if (!pData)
        continue;
      const float b = c < self->base.size() ? self->base[c] : 0.0f;
      for (UInt32 s = 0; s < nFrames; ++s)
        pData[s] = b + static_cast<float>(s) * self->step;
    }
    return noErr;
  }

  AURenderCallbackStruct Callback() { return AURenderCallbackStruct{Render, this}; }
};

inline OSStatus SetRenderCallback(AudioUnit unit, UInt32 bus, ToneSource& source)
{
  const AURenderCallbackStruct callback = source.Callback();
  return AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, bus, &callback,
                              sizeof callback);
}

} // namespace pw::test
