#include "ComponentInstanceRegistry.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <new>

namespace pwshim {
namespace {

// One table entry. Registration and removal happen under gMutex on the main
// thread; resolvers on any thread read the atomics without the lock and
// trust what they read only when the handle is still the same afterwards.
// The fields are stored with release and loaded with acquire: a resolver
// that reads a field of a later registration then also sees the handle
// change that preceded it, and rejects what it read.
struct Slot
{
  // Bits of the open handle, 0 while free. Published last (release) after
  // the fields below are written.
  std::atomic<std::uint64_t> handle{0};
  std::atomic<InstanceRoad> road{InstanceRoad::Factory};
  std::atomic<AudioComponentPlugInInterface*> plugIn{nullptr};
  std::atomic<ComponentRoutineUPP> entry{nullptr};
  std::atomic<Handle> storage{nullptr};
  // Main thread, under gMutex.
  std::uint32_t generation = 0;
};

Slot gSlots[kPWShimComponentMaxInstances];
std::mutex gMutex;
// Main thread, under gMutex: where the search for a free slot starts, so a
// closed slot is the last to be reused.
UInt32 gNextSlot = 0;
std::atomic<UInt32> gLiveCount{0};

Slot* SlotFor(ComponentInstance instance, std::uint64_t* bits) noexcept
{
  const std::uint64_t value = reinterpret_cast<std::uintptr_t>(instance);
  const std::uint64_t index = value & 0xFFFFFFFFu;
  if (index == 0 || index > kPWShimComponentMaxInstances)
    return nullptr;
  *bits = value;
  return &gSlots[index - 1];
}

} // namespace

bool ResolveInstance(ComponentInstance instance, ResolvedInstance* out) noexcept
{
  std::uint64_t bits = 0;
  Slot* slot = SlotFor(instance, &bits);
  if (!slot || slot->handle.load(std::memory_order_acquire) != bits)
    return false;
  ResolvedInstance found;
  found.road = slot->road.load(std::memory_order_acquire);
  found.plugIn = slot->plugIn.load(std::memory_order_acquire);
  found.entry = slot->entry.load(std::memory_order_acquire);
  found.storage = slot->storage.load(std::memory_order_acquire);
  // The slot may have been closed and reused while we read it. Relaxed: the
  // acquire loads above keep this load after them.
  if (slot->handle.load(std::memory_order_relaxed) != bits)
    return false;
  *out = found;
  return true;
}

OSStatus RegisterInstance(const ResolvedInstance& target, ComponentInstance* out) noexcept
{
  if (!out)
    return paramErr;
  std::lock_guard<std::mutex> lock(gMutex);
  for (UInt32 tried = 0; tried < kPWShimComponentMaxInstances; ++tried)
  {
    const UInt32 index = (gNextSlot + tried) % kPWShimComponentMaxInstances;
    Slot& slot = gSlots[index];
    if (slot.handle.load(std::memory_order_relaxed) != 0)
      continue;
    if (++slot.generation == 0)
      slot.generation = 1;
    const std::uint64_t bits = (std::uint64_t(slot.generation) << 32) | (index + 1);
    slot.road.store(target.road, std::memory_order_release);
    slot.plugIn.store(target.plugIn, std::memory_order_release);
    slot.entry.store(target.entry, std::memory_order_release);
    slot.storage.store(target.storage, std::memory_order_release);
    slot.handle.store(bits, std::memory_order_release);
    gNextSlot = (index + 1) % kPWShimComponentMaxInstances;
    gLiveCount.fetch_add(1, std::memory_order_relaxed);
    *out = reinterpret_cast<ComponentInstance>(static_cast<std::uintptr_t>(bits));
    return noErr;
  }
  *out = nullptr;
  return memFullErr;
}

bool UnregisterInstance(ComponentInstance instance, ResolvedInstance* last) noexcept
{
  std::uint64_t bits = 0;
  Slot* slot = SlotFor(instance, &bits);
  std::lock_guard<std::mutex> lock(gMutex);
  if (!slot || slot->handle.load(std::memory_order_relaxed) != bits)
    return false;
  if (last)
  {
    last->road = slot->road.load(std::memory_order_relaxed);
    last->plugIn = slot->plugIn.load(std::memory_order_relaxed);
    last->entry = slot->entry.load(std::memory_order_relaxed);
    last->storage = slot->storage.load(std::memory_order_relaxed);
  }
  slot->handle.store(0, std::memory_order_release);
  gLiveCount.fetch_sub(1, std::memory_order_relaxed);
  return true;
}

bool SetInstanceStorage(ComponentInstance instance, Handle storage) noexcept
{
  std::uint64_t bits = 0;
  Slot* slot = SlotFor(instance, &bits);
  std::lock_guard<std::mutex> lock(gMutex);
  if (!slot || slot->handle.load(std::memory_order_relaxed) != bits)
    return false;
  slot->storage.store(storage, std::memory_order_release);
  return true;
}

UInt32 LiveInstanceCount() noexcept
{
  return gLiveCount.load(std::memory_order_relaxed);
}

ComponentParameters* InitParameters(void* memory, ByteCount capacity, ComponentInstance instance, SInt16 what,
                                    UInt32 nArgs, const long* argsInCallOrder) noexcept
{
  if (!memory || nArgs > kPWShimComponentMaxArguments || capacity < PWShimComponentParametersSize(nArgs) ||
      (nArgs > 0 && !argsInCallOrder) || reinterpret_cast<std::uintptr_t>(memory) % alignof(ComponentParameters) != 0)
    return nullptr;
  ComponentParameters* cp = new (memory) ComponentParameters;
  cp->flags = 0;
  cp->paramSize = static_cast<UInt8>(nArgs * sizeof(long));
  cp->what = what;
  cp->padding = 0;
  // The words run past the one the record declares, inside memory.
  long* words = cp->params;
  for (UInt32 i = 0; i < nArgs; ++i)
    words[nArgs - 1 - i] = argsInCallOrder[i];
  words[nArgs] = PWShimComponentArgWord(instance);
  return cp;
}

} // namespace pwshim
