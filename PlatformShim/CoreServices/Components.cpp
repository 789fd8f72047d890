#include <CoreServices/Components.h>
#include <CoreServices/PWShimComponents.h>

#include "ComponentInstanceRegistry.h"

Handle GetComponentInstanceStorage(ComponentInstance aComponentInstance)
{
  pwshim::ResolvedInstance resolved;
  return pwshim::ResolveInstance(aComponentInstance, &resolved) ? resolved.storage : nullptr;
}

void SetComponentInstanceStorage(ComponentInstance aComponentInstance, Handle theStorage)
{
  pwshim::SetInstanceStorage(aComponentInstance, theStorage);
}

ComponentResult CallComponentDispatch(ComponentParameters* cp)
{
  if (!cp || cp->paramSize % sizeof(long) != 0)
    return paramErr;
  const long* words = cp->params;
  const ComponentInstance instance =
    reinterpret_cast<ComponentInstance>(static_cast<std::uintptr_t>(words[cp->paramSize / sizeof(long)]));
  pwshim::ResolvedInstance resolved;
  if (!pwshim::ResolveInstance(instance, &resolved) || resolved.road != pwshim::InstanceRoad::Entry)
    return badComponentInstance;
  return resolved.entry(cp, resolved.storage);
}

ComponentParameters* PWShimComponentParametersInit(void* memory, ByteCount capacity, ComponentInstance instance,
                                                   SInt16 what, UInt32 nArgs, const long* argsInCallOrder)
{
  return pwshim::InitParameters(memory, capacity, instance, what, nArgs, argsInCallOrder);
}

OSStatus PWShimComponentInstanceNew(ComponentRoutineUPP entry, ComponentInstance* outInstance)
{
  if (!outInstance)
    return paramErr;
  *outInstance = nullptr;
  if (!entry)
    return paramErr;
  pwshim::ResolvedInstance target;
  target.road = pwshim::InstanceRoad::Entry;
  target.entry = entry;
  ComponentInstance instance = nullptr;
  const OSStatus registered = pwshim::RegisterInstance(target, &instance);
  if (registered != noErr)
    return registered;
  // The entry stores its object with SetComponentInstanceStorage from here.
  const ComponentResult opened = pwshim::CallEntry(entry, nullptr, instance, kComponentOpenSelect, instance);
  if (opened != noErr)
  {
    pwshim::UnregisterInstance(instance, nullptr);
    return opened;
  }
  *outInstance = instance;
  return noErr;
}

UInt32 PWShimComponentInstanceCount(void)
{
  return pwshim::LiveInstanceCount();
}
