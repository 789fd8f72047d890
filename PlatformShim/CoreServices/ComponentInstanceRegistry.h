#pragma once
// Internal to the stand-in: the process-wide table of open component
// instances of both roads, and calling an entry function with a parameter
// block built on the stack.
//
// A handle is not an address: it packs a slot index (low 32 bits, plus one)
// and the slot's generation at registration (high 32 bits), so a handle kept
// after its instance closed never resolves to a later instance in the same
// slot.

#include <CoreServices/PWShimComponents.h>

struct AudioComponentPlugInInterface;

namespace pwshim {

enum class InstanceRoad : std::uint32_t
{
  Factory = 1,  // opened from a factory's AudioComponentPlugInInterface
  Entry = 2     // opened from a Component Manager entry function
};

struct ResolvedInstance
{
  InstanceRoad road = InstanceRoad::Factory;
  AudioComponentPlugInInterface* plugIn = nullptr;  // Factory road
  ComponentRoutineUPP entry = nullptr;              // Entry road
  Handle storage = nullptr;
};

// What instance names, when it is open. Any thread; lock-free, no allocation.
bool ResolveInstance(ComponentInstance instance, ResolvedInstance* out) noexcept;

// A new handle resolving to the given road and targets. paramErr for a null
// out; memFullErr when the table is full. Main thread.
OSStatus RegisterInstance(const ResolvedInstance& target, ComponentInstance* out) noexcept;

// Stops instance from resolving and answers what it named. False when it
// was not open. Main thread.
bool UnregisterInstance(ComponentInstance instance, ResolvedInstance* last) noexcept;

// False when instance is not open. Main thread.
bool SetInstanceStorage(ComponentInstance instance, Handle storage) noexcept;

UInt32 LiveInstanceCount() noexcept;

// Fills a parameter block for instance at memory (layout in Components.h).
ComponentParameters* InitParameters(void* memory, ByteCount capacity, ComponentInstance instance, SInt16 what,
                                    UInt32 nArgs, const long* argsInCallOrder) noexcept;

// Calls entry with a block of the arguments, built on this stack. Any
// thread; no allocation.
template <class... Args>
ComponentResult CallEntry(ComponentRoutineUPP entry, Handle storage, ComponentInstance instance, SInt16 what,
                          Args... args) noexcept
{
  constexpr UInt32 kCount = sizeof...(Args);
  static_assert(kCount <= kPWShimComponentMaxArguments, "too many arguments for one block");
  // One spare word keeps the array non-empty for calls without arguments.
  const long words[kCount + 1] = {PWShimComponentArgWord(args)..., 0};
  alignas(ComponentParameters) unsigned char memory[PWShimComponentParametersSize(kCount)];
  ComponentParameters* cp = InitParameters(memory, sizeof memory, instance, what, kCount, words);
  return entry(cp, storage);
}

} // namespace pwshim
