#pragma once
// Internal to the stand-in: sending one Audio Unit call to the instance
// behind a handle, on whichever road it was opened.

#include <AudioToolbox/AUComponent.h>

#include "../CoreServices/ComponentInstanceRegistry.h"

namespace pwshim {

// Args must be exactly the call's declared argument types (after the unit):
// they become the method's parameter types. Any thread; lock-free, no
// allocation.
template <class... Args>
OSStatus DispatchAudioUnitCall(AudioComponentInstance unit, SInt16 selector, Args... args) noexcept
{
  ResolvedInstance resolved;
  if (!ResolveInstance(unit, &resolved))
    return badComponentInstance;
  if (resolved.road == InstanceRoad::Entry)
    return CallEntry(resolved.entry, resolved.storage, unit, selector, args...);
  const AudioComponentMethod method = resolved.plugIn->Lookup(selector);
  if (!method)
    return badComponentSelector;
  // The component defined the method with exactly this type and handed it
  // out as AudioComponentMethod; the detour through void (*)() is the cast
  // the language blesses between unrelated function types.
  using Method = OSStatus (*)(void*, Args...);
  const auto call = reinterpret_cast<Method>(reinterpret_cast<void (*)()>(method));
  return call(resolved.plugIn, args...);
}

} // namespace pwshim
