#include "ComponentLoader.h"

#include <AudioToolbox/AudioComponent.h>
#include <AudioToolbox/MusicDevice.h>
#include <AudioToolbox/PWShimAudioComponent.h>
#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFString.h>
#include <CoreFoundation/PWShimCFBundle.h>

#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <sys/stat.h>

namespace pw::host {

namespace {

bool IsDirectory(const std::string& path) noexcept
{
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) noexcept
{
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Registers the bundle folder under its identifier, with the Info.plist's
// strings as its information dictionary.
Boolean RegisterBundle(const BundleInfo& info, const std::string& folder)
{
  CFMutableDictionaryRef dict = CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks,
                                                          &kCFTypeDictionaryValueCallBacks);
  bool made = dict != nullptr;
  for (const auto& [keyText, valueText] : info.infoStrings)
  {
    if (!made)
      break;
    CFStringRef key = CFStringCreateWithCString(kCFAllocatorDefault, keyText.c_str(), kCFStringEncodingUTF8);
    CFStringRef value = CFStringCreateWithCString(kCFAllocatorDefault, valueText.c_str(), kCFStringEncodingUTF8);
    made = key && value;
    if (made)
      CFDictionarySetValue(dict, key, value);
    if (key)
      CFRelease(key);
    if (value)
      CFRelease(value);
  }
  const Boolean registered = made && PWShimCFBundleRegister(info.identifier.c_str(), folder.c_str(), dict);
  if (dict)
    CFRelease(dict);
  return registered;
}

} // namespace

LoadedComponent::~LoadedComponent()
{
  Close();
}

Status LoadedComponent::Open(const std::string& bundlePath, const HostIdentity& host)
{
  Close();
  if (!IsDirectory(bundlePath))
    return Status::Error("no component bundle at '" + bundlePath + "'");
  char resolved[PATH_MAX];
  if (!realpath(bundlePath.c_str(), resolved))
    return Status::Error("no component bundle at '" + bundlePath + "'");
  mBundlePath = resolved;

  Status status = LoadBundleInfo(mBundlePath, mInfo);
  if (!status)
    return status;

  const std::string executable = mBundlePath + "/Contents/MacOS/" + mInfo.executable;
  if (!IsRegularFile(executable))
    return Status::Error("the bundle '" + bundlePath + "' has no executable Contents/MacOS/" + mInfo.executable);
  dlerror();
  // Never unloaded: a component may define Objective-C classes, which stay
  // registered with the process-wide runtime; dlclose only drops the handle.
  mLibrary = dlopen(executable.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!mLibrary)
  {
    const char* why = dlerror();
    return Status::Error("cannot load " + executable + ": " + (why ? why : "unknown reason"));
  }
  void* symbol = dlsym(mLibrary, mInfo.factoryFunction.c_str());
  if (!symbol)
  {
    Close();
    return Status::Error("the component does not export its factory " + mInfo.factoryFunction);
  }
  FactoryFunction factory = nullptr;
  static_assert(sizeof(factory) == sizeof(symbol), "function and data pointers have one size");
  factory = reinterpret_cast<FactoryFunction>(reinterpret_cast<void (*)()>(symbol));

  if (!RegisterBundle(mInfo, mBundlePath))
  {
    Close();
    return Status::Error("cannot register the bundle '" + mInfo.identifier + "'");
  }
  mBundleRegistered = true;
  if (!PWShimCFBundleSetMainBundle(nullptr, host.bundleIdentifier.c_str(), host.version.c_str()))
  {
    Close();
    return Status::Error("'" + host.bundleIdentifier + "' is not a usable host bundle identifier");
  }
  mMainBundleSet = true;

  mFactory = factory;
  status = NewInstance(mUnit);
  if (!status)
  {
    mUnit = nullptr;
    Close();
    return status;
  }
  // Whether the interface hands out the MIDI call. Asked of a block that is
  // never opened, so it holds no object and is only freed.
  AudioComponentDescription description{mInfo.type, mInfo.subtype, mInfo.manufacturer, 0, 0};
  if (auto* probe = static_cast<AudioComponentPlugInInterface*>(mFactory(&description)))
  {
    mTakesMidi = probe->Lookup && probe->Lookup(kMusicDeviceMIDIEventSelect) != nullptr;
    std::free(probe);
  }
  return Status::Ok();
}

Status LoadedComponent::NewInstance(AudioUnit& out) const
{
  out = nullptr;
  if (!mFactory)
    return Status::Error("no component is open");
  AudioComponentDescription description{};
  description.componentType = mInfo.type;
  description.componentSubType = mInfo.subtype;
  description.componentManufacturer = mInfo.manufacturer;
  auto* plugIn = static_cast<AudioComponentPlugInInterface*>(mFactory(&description));
  if (!plugIn)
    return Status::Error(mInfo.factoryFunction + " made no instance");
  // When the interface's Open fails, the block stays ours and holds no
  // object: its Close would destroy one, so the block is only freed (the
  // factory allocated it with malloc).
  AudioUnit unit = nullptr;
  const OSStatus opened = PWShimAudioComponentInstanceNew(plugIn, &unit);
  if (opened != noErr)
  {
    std::free(plugIn);
    return Status::Error("opening the component failed (status " + std::to_string(opened) + ")");
  }
  out = unit;
  return Status::Ok();
}

void LoadedComponent::Close() noexcept
{
  if (mUnit)
  {
    PWShimAudioComponentInstanceDispose(mUnit);
    mUnit = nullptr;
  }
  if (mMainBundleSet)
  {
    PWShimCFBundleClearMainBundle();
    mMainBundleSet = false;
  }
  if (mBundleRegistered)
  {
    PWShimCFBundleUnregister(mInfo.identifier.c_str());
    mBundleRegistered = false;
  }
  mFactory = nullptr;
  if (mLibrary)
  {
    dlclose(mLibrary);
    mLibrary = nullptr;
  }
}

} // namespace pw::host
