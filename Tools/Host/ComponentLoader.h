#pragma once
// Loads a component bundle the way a host does and opens one instance of
// it: reads the bundle's Info.plist, loads its executable with dlopen,
// registers the bundle folder with the CoreFoundation stand-in, makes the
// host's own identity the main bundle, calls the exported factory and turns
// the interface it returns into an Audio Unit handle. From then on the unit
// is driven only through the AudioUnit* calls.
//
// Main thread. One LoadedComponent at a time per process: the main bundle
// is process-wide.

#include "BundleInfo.h"
#include "HostStatus.h"

#include <AudioToolbox/AUComponent.h>
#include <AudioToolbox/AudioComponent.h>

#include <string>

namespace pw::host {

// Who the host says it is: the main bundle's identifier and "CFBundleVersion".
struct HostIdentity
{
  std::string bundleIdentifier = "com.pressweave.host";
  std::string version = "1.0.0";
};

class LoadedComponent
{
public:
  LoadedComponent() = default;
  ~LoadedComponent();
  LoadedComponent(const LoadedComponent&) = delete;
  LoadedComponent& operator=(const LoadedComponent&) = delete;

  // Opens the bundle folder at bundlePath. On failure everything done so far
  // is undone and the message says which step failed.
  Status Open(const std::string& bundlePath, const HostIdentity& host);
  // Disposes of the instance (its Close runs), forgets the bundle and the
  // main bundle and drops the executable's handle (it stays loaded: its
  // Objective-C classes cannot be unloaded). Safe to call twice. Instances
  // made by NewInstance must be disposed of before.
  void Close() noexcept;
  // Opens another instance of the open component from its loaded executable
  // (a warm open). The caller disposes of it with
  // PWShimAudioComponentInstanceDispose before Close.
  Status NewInstance(AudioUnit& out) const;

  bool IsOpen() const noexcept { return mUnit != nullptr; }
  // Whether the component answers MusicDeviceMIDIEvent.
  bool TakesMidi() const noexcept { return mTakesMidi; }
  AudioUnit Unit() const noexcept { return mUnit; }
  const BundleInfo& Info() const noexcept { return mInfo; }
  // The bundle folder, absolute.
  const std::string& BundlePath() const noexcept { return mBundlePath; }

private:
  BundleInfo mInfo;
  std::string mBundlePath;
  void* mLibrary = nullptr;
  // The factory as components define it (void* result, IWEFT_AU_ENTRY_POINTS):
  // called through a pointer of exactly its own type, as a sanitizer's
  // function-type check demands, and its result converted afterwards.
  using FactoryFunction = void* (*)(const AudioComponentDescription*);
  FactoryFunction mFactory = nullptr;
  bool mBundleRegistered = false;
  bool mMainBundleSet = false;
  AudioUnit mUnit = nullptr;
  bool mTakesMidi = false;
};

} // namespace pw::host
