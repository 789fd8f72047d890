#include <AudioToolbox/CoreAudioTypes.h>
#include <AudioToolbox/PWShimAudioComponent.h>

#include "../CoreServices/ComponentInstanceRegistry.h"

OSStatus PWShimAudioComponentInstanceNew(AudioComponentPlugInInterface* plugIn, AudioComponentInstance* outInstance)
{
  if (!outInstance)
    return kAudio_ParamError;
  *outInstance = nullptr;
  if (!plugIn || !plugIn->Open || !plugIn->Close || !plugIn->Lookup)
    return kAudio_ParamError;
  pwshim::ResolvedInstance target;
  target.road = pwshim::InstanceRoad::Factory;
  target.plugIn = plugIn;
  // The object the interface's methods take first, which is what a fast
  // dispatch procedure of this unit would be called with.
  target.storage = reinterpret_cast<Handle>(plugIn);
  AudioComponentInstance instance = nullptr;
  const OSStatus registered = pwshim::RegisterInstance(target, &instance);
  if (registered != noErr)
    return registered;
  const OSStatus opened = plugIn->Open(plugIn, instance);
  if (opened != noErr)
  {
    pwshim::UnregisterInstance(instance, nullptr);
    return opened;
  }
  *outInstance = instance;
  return noErr;
}

OSStatus PWShimComponentInstanceDispose(ComponentInstance instance)
{
  pwshim::ResolvedInstance last;
  if (!pwshim::UnregisterInstance(instance, &last))
    return badComponentInstance;
  if (last.road == pwshim::InstanceRoad::Factory)
    return last.plugIn->Close(last.plugIn);
  return pwshim::CallEntry(last.entry, last.storage, instance, kComponentCloseSelect, instance);
}

OSStatus PWShimAudioComponentInstanceDispose(AudioComponentInstance instance)
{
  return PWShimComponentInstanceDispose(instance);
}
