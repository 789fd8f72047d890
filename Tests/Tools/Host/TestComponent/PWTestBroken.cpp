// A deliberately broken component for the host's validator tests: the
// binding's test plug-in (subtype TBrk, manufacturer PWts, as its bundle
// declares) with one fault, chosen when the factory first runs by the
// environment variable PW_TEST_BROKEN_FAULT:
//
//   (unset)   its render ignores the maximum frames per slice: a longer
//             slice is answered with silence and success
//   bypass    its render halves everything it outputs, so that bypassed
//             it does not give its input back
//   nan       SetParameter answers success for non-finite values
//   restore   a class-info restore moves parameter 0 before the binding
//             checks the dictionary, so a refused one changes the instance
//   leak      every ClassInfo get leaves a CoreFoundation string behind
//   lasterror LastRenderError always answers 0
//
// Everything else is the test plug-in's own behaviour.

#include "TestAUPlugin.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace pw::test {

class PWTestBrokenPlugin final : public TestAUPlugin
{
public:
  explicit PWTestBrokenPlugin(const weft::InstanceInfo& info)
  : TestAUPlugin(info, Config())
  {}

private:
  static weft::Config Config()
  {
    weft::Config config = MakeTestAUConfig();
    config.uniqueID = 'T' << 24 | 'B' << 16 | 'r' << 8 | 'k';
    config.mfrID = 'P' << 24 | 'W' << 16 | 't' << 8 | 's';
    return config;
  }
};

} // namespace pw::test

IWEFT_AU_VIEW_CLASS(PWTestBroken, pw::test::PWTestBrokenPlugin)

namespace {

using Factory = weft::IWeftAUFactory<pw::test::PWTestBrokenPlugin, false>;

enum class Fault { MaxFrames, Bypass, NonFinite, Restore, Leak, LastError };

Fault sFault = Fault::MaxFrames;

Fault FaultFromEnvironment()
{
  const char* name = std::getenv("PW_TEST_BROKEN_FAULT");
  const char* const names[] = {"bypass", "nan", "restore", "leak", "lasterror"}; // Fault after MaxFrames, in order
  for (int i = 0; name && i < 5; ++i)
    if (std::strcmp(name, names[i]) == 0)
      return static_cast<Fault>(i + 1);
  return Fault::MaxFrames;
}

OSStatus Render(void* self, AudioUnitRenderActionFlags* ioActionFlags, const AudioTimeStamp* inTimeStamp,
                UInt32 inOutputBusNumber, UInt32 inNumberFrames, AudioBufferList* ioData)
{
  const weft::IWeftAU* plug = Factory::GetPlug(self);
  if (sFault == Fault::MaxFrames && ioData && inNumberFrames > static_cast<UInt32>(plug->GetBlockSize()))
  {
    for (UInt32 b = 0; b < ioData->mNumberBuffers; ++b)
      if (ioData->mBuffers[b].mData)
        std::memset(ioData->mBuffers[b].mData, 0, ioData->mBuffers[b].mDataByteSize);
    return noErr;
  }
  const OSStatus status =
    Factory::AUMethodRender(self, ioActionFlags, inTimeStamp, inOutputBusNumber, inNumberFrames, ioData);
  if (sFault == Fault::Bypass && status == noErr)
    for (UInt32 b = 0; b < ioData->mNumberBuffers; ++b)
    {
      auto* samples = static_cast<float*>(ioData->mBuffers[b].mData);
      for (UInt32 i = 0; samples && i < ioData->mBuffers[b].mDataByteSize / sizeof(float); ++i)
        samples[i] *= 0.5f;
    }
  return status;
}

OSStatus SetProperty(void* self, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                     const void* inData, UInt32 inDataSize)
{
  if (sFault == Fault::Restore && id == kAudioUnitProperty_ClassInfo)
    Factory::AUMethodSetParameter(self, 0, kAudioUnitScope_Global, 0, 3.0f, 0);
  return Factory::AUMethodSetProperty(self, id, scope, element, inData, inDataSize);
}

OSStatus GetProperty(void* self, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                     void* outData, UInt32* ioDataSize)
{
  if (sFault == Fault::Leak && id == kAudioUnitProperty_ClassInfo && outData)
    CFStringCreateWithCString(kCFAllocatorDefault, "never released", kCFStringEncodingUTF8);
  const OSStatus status = Factory::AUMethodGetProperty(self, id, scope, element, outData, ioDataSize);
  // Forgets every render error.
  if (sFault == Fault::LastError && id == kAudioUnitProperty_LastRenderError && outData && status == noErr)
    *static_cast<OSStatus*>(outData) = noErr;
  return status;
}

OSStatus SetParameter(void* self, AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement element,
                      AudioUnitParameterValue value, UInt32 bufferOffset)
{
  if (sFault == Fault::NonFinite && !std::isfinite(value))
    return noErr;
  return Factory::AUMethodSetParameter(self, id, scope, element, value, bufferOffset);
}

template <class F>
AudioComponentMethod AsMethod(F f)
{
  return reinterpret_cast<AudioComponentMethod>(reinterpret_cast<void (*)()>(f));
}

AudioComponentMethod Lookup(SInt16 selector)
{
  switch (selector)
  {
    case kAudioUnitRenderSelect: return AsMethod(&Render);
    case kAudioUnitSetPropertySelect: return AsMethod(&SetProperty);
    case kAudioUnitGetPropertySelect: return AsMethod(&GetProperty);
    case kAudioUnitSetParameterSelect: return AsMethod(&SetParameter);
    default: return Factory::Lookup(selector);
  }
}

} // namespace

extern "C" __attribute__((visibility("default"))) void* PWTestBroken_Factory(const AudioComponentDescription* desc)
{
  sFault = FaultFromEnvironment();
  void* block = Factory::Factory(desc);
  if (block)
    static_cast<AudioComponentPlugInInstance*>(block)->mPlugInInterface.Lookup = &Lookup;
  return block;
}

extern "C" __attribute__((visibility("default"))) ComponentResult PWTestBroken_Entry(ComponentParameters* params,
                                                                                    Handle storage)
{
  return weft::IWeftAU::IWeftAUEntry(params, storage, &weft::MakePlug<pw::test::PWTestBrokenPlugin>);
}
