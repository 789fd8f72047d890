#include <AudioToolbox/AudioUnitUtilities.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>

namespace {

// Listener and registration tables. Create, add, remove and dispose change
// them under gMutex (main thread); notify reads them from any thread without
// the lock: listeners through their published ref, registrations through a
// sequence counter that is odd while a registration is being rewritten.

struct ListenerSlot
{
  // Bits of the live listener ref, 0 while free or being disposed. Stored
  // last at creation so that proc and refCon are visible with it.
  std::atomic<std::uint64_t> ref{0};
  std::atomic<AUEventListenerProc> proc{nullptr};
  std::atomic<void*> refCon{nullptr};
  // Notify calls that are about to call or are calling proc (any thread).
  std::atomic<int> deliveries{0};
  // Main thread, under gMutex.
  std::uint32_t generation = 0;
  bool inUse = false;  // stays true until dispose has waited out deliveries
};

struct Registration
{
  std::uint64_t listener = 0;  // listener ref bits; 0: an empty slot
  void* object = nullptr;
  AudioUnitEventType type = 0;
  AudioUnit unit = nullptr;
  UInt32 id = 0;
  UInt32 scope = 0;
  UInt32 element = 0;
};

struct RegistrationSlot
{
  std::atomic<std::uint32_t> sequence{0};
  std::atomic<std::uint64_t> listener{0};
  std::atomic<void*> object{nullptr};
  std::atomic<AudioUnitEventType> type{0};
  std::atomic<AudioUnit> unit{nullptr};
  std::atomic<UInt32> id{0};
  std::atomic<UInt32> scope{0};
  std::atomic<UInt32> element{0};

  // Under gMutex. The fields are stored with release and loaded with
  // acquire, so a reader that sees any field of this write also sees the odd
  // sequence stored before it, and discards what it read.
  void Write(const Registration& r) noexcept
  {
    const std::uint32_t before = sequence.load(std::memory_order_relaxed);
    sequence.store(before + 1, std::memory_order_relaxed);
    listener.store(r.listener, std::memory_order_release);
    object.store(r.object, std::memory_order_release);
    type.store(r.type, std::memory_order_release);
    unit.store(r.unit, std::memory_order_release);
    id.store(r.id, std::memory_order_release);
    scope.store(r.scope, std::memory_order_release);
    element.store(r.element, std::memory_order_release);
    sequence.store(before + 2, std::memory_order_release);
  }

  // Any thread. False for an empty slot or one being rewritten.
  bool Read(Registration* out) const noexcept
  {
    const std::uint32_t before = sequence.load(std::memory_order_acquire);
    if (before & 1u)
      return false;
    out->listener = listener.load(std::memory_order_acquire);
    out->object = object.load(std::memory_order_acquire);
    out->type = type.load(std::memory_order_acquire);
    out->unit = unit.load(std::memory_order_acquire);
    out->id = id.load(std::memory_order_acquire);
    out->scope = scope.load(std::memory_order_acquire);
    out->element = element.load(std::memory_order_acquire);
    // Relaxed: the acquire loads above keep this load after them.
    return out->listener != 0 && sequence.load(std::memory_order_relaxed) == before;
  }
};

ListenerSlot gListeners[kPWShimMaxEventListeners];
RegistrationSlot gRegistrations[kPWShimMaxEventRegistrations];
// One past the highest registration slot ever used; notify scans below it.
std::atomic<UInt32> gRegistrationEnd{0};
std::mutex gMutex;

// Deliveries to each listener running on this thread, so that a procedure
// that disposes its own listener does not wait for itself.
thread_local int tDeliveriesHere[kPWShimMaxEventListeners];

std::uint64_t BitsOf(AUEventListenerRef ref) noexcept
{
  return reinterpret_cast<std::uintptr_t>(ref);
}

// The slot of a live listener ref, else null.
ListenerSlot* LiveListener(AUEventListenerRef ref, UInt32* indexOut = nullptr) noexcept
{
  const std::uint64_t bits = BitsOf(ref);
  const std::uint64_t index = bits & 0xFFFFFFFFu;
  if (index == 0 || index > kPWShimMaxEventListeners)
    return nullptr;
  ListenerSlot& slot = gListeners[index - 1];
  if (slot.ref.load(std::memory_order_acquire) != bits)
    return nullptr;
  if (indexOut)
    *indexOut = static_cast<UInt32>(index - 1);
  return &slot;
}

Registration RegistrationFor(std::uint64_t listener, void* object, const AudioUnitEvent& event) noexcept
{
  Registration r;
  r.listener = listener;
  r.object = object;
  r.type = event.mEventType;
  if (event.mEventType == kAudioUnitEvent_PropertyChange)
  {
    r.unit = event.mArgument.mProperty.mAudioUnit;
    r.id = event.mArgument.mProperty.mPropertyID;
    r.scope = event.mArgument.mProperty.mScope;
    r.element = event.mArgument.mProperty.mElement;
  }
  else
  {
    r.unit = event.mArgument.mParameter.mAudioUnit;
    r.id = event.mArgument.mParameter.mParameterID;
    r.scope = event.mArgument.mParameter.mScope;
    r.element = event.mArgument.mParameter.mElement;
  }
  return r;
}

bool SameTarget(const Registration& a, const Registration& b) noexcept
{
  return a.type == b.type && a.unit == b.unit && a.id == b.id && a.scope == b.scope && a.element == b.element;
}

// Whether registration r hears notification n.
bool Hears(const Registration& r, const Registration& n) noexcept
{
  if (r.type != n.type || r.unit != n.unit)
    return false;
  if (n.type != kAudioUnitEvent_PropertyChange && n.id == kAUParameterListener_AnyParameter)
    return true;
  return r.id == n.id && r.scope == n.scope && r.element == n.element;
}

// Whether the sender asked not to hear its own notification through r.
bool IsSender(const Registration& r, std::uint64_t sendingListener, void* sendingObject) noexcept
{
  if (sendingListener != 0)
    return r.listener == sendingListener && (!sendingObject || r.object == sendingObject);
  return sendingObject && r.object == sendingObject;
}

// ---- property changes of the units themselves ---------------------------

void ForwardPropertyChange(void*, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope,
                           AudioUnitElement element)
{
  AudioUnitEvent event{};
  event.mEventType = kAudioUnitEvent_PropertyChange;
  event.mArgument.mProperty = {unit, id, scope, element};
  AUEventListenerNotify(nullptr, nullptr, &event);
}

// Under gMutex: whether any registration of any listener is a property
// change of unit and id.
bool AnyPropertyRegistration(AudioUnit unit, UInt32 id) noexcept
{
  const UInt32 end = gRegistrationEnd.load(std::memory_order_relaxed);
  for (UInt32 i = 0; i < end; ++i)
  {
    Registration r;
    if (gRegistrations[i].Read(&r) && r.type == kAudioUnitEvent_PropertyChange && r.unit == unit && r.id == id)
      return true;
  }
  return false;
}

// Under gMutex, after r was added. The unit answers its own property changes
// to one forwarder per (unit, property), installed by the first registration.
// A unit that is not open or refuses the listener is simply not forwarded.
void StartForwarding(const Registration& r, bool hadOne) noexcept
{
  if (r.type == kAudioUnitEvent_PropertyChange && !hadOne)
    AudioUnitAddPropertyListener(r.unit, r.id, &ForwardPropertyChange, nullptr);
}

// Under gMutex, after r was removed.
void StopForwarding(const Registration& r) noexcept
{
  if (r.type == kAudioUnitEvent_PropertyChange && !AnyPropertyRegistration(r.unit, r.id))
    AudioUnitRemovePropertyListenerWithUserData(r.unit, r.id, &ForwardPropertyChange, nullptr);
}

UInt64 HostTimeNanoseconds() noexcept
{
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<UInt64>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
}

bool ValidEvent(const AudioUnitEvent* event) noexcept
{
  return event && event->mEventType <= kAudioUnitEvent_PropertyChange;
}

} // namespace

OSStatus AUEventListenerCreate(AUEventListenerProc inProc, void* inCallbackRefCon, CFRunLoopRef, CFStringRef, Float32,
                               Float32, AUEventListenerRef* outListener)
{
  if (!outListener)
    return kAudio_ParamError;
  *outListener = nullptr;
  if (!inProc)
    return kAudio_ParamError;
  std::lock_guard<std::mutex> lock(gMutex);
  for (UInt32 index = 0; index < kPWShimMaxEventListeners; ++index)
  {
    ListenerSlot& slot = gListeners[index];
    if (slot.inUse)
      continue;
    if (++slot.generation == 0)
      slot.generation = 1;
    const std::uint64_t bits = (std::uint64_t(slot.generation) << 32) | (index + 1);
    slot.proc.store(inProc, std::memory_order_relaxed);
    slot.refCon.store(inCallbackRefCon, std::memory_order_relaxed);
    slot.ref.store(bits, std::memory_order_release);
    slot.inUse = true;
    *outListener = reinterpret_cast<AUEventListenerRef>(static_cast<std::uintptr_t>(bits));
    return noErr;
  }
  return kAudio_MemFullError;
}

OSStatus AUEventListenerAddEventType(AUEventListenerRef inListener, void* inObject, const AudioUnitEvent* inEvent)
{
  if (!ValidEvent(inEvent))
    return kAudio_ParamError;
  if (inEvent->mEventType != kAudioUnitEvent_PropertyChange &&
      inEvent->mArgument.mParameter.mParameterID == kAUParameterListener_AnyParameter)
    return kAudio_ParamError;
  std::lock_guard<std::mutex> lock(gMutex);
  if (!LiveListener(inListener))
    return kAudio_ParamError;
  const Registration wanted = RegistrationFor(BitsOf(inListener), inObject, *inEvent);
  const UInt32 end = gRegistrationEnd.load(std::memory_order_relaxed);
  UInt32 freeSlot = kPWShimMaxEventRegistrations;
  bool forwarded = false;
  for (UInt32 i = 0; i < end; ++i)
  {
    Registration r;
    if (!gRegistrations[i].Read(&r))
    {
      if (freeSlot == kPWShimMaxEventRegistrations)
        freeSlot = i;
      continue;
    }
    if (r.listener == wanted.listener && r.object == wanted.object && SameTarget(r, wanted))
      return noErr;
    forwarded = forwarded || (r.type == kAudioUnitEvent_PropertyChange && r.unit == wanted.unit && r.id == wanted.id);
  }
  if (freeSlot == kPWShimMaxEventRegistrations)
  {
    if (end == kPWShimMaxEventRegistrations)
      return kAudio_MemFullError;
    freeSlot = end;
  }
  gRegistrations[freeSlot].Write(wanted);
  if (freeSlot == end)
    gRegistrationEnd.store(end + 1, std::memory_order_release);
  StartForwarding(wanted, forwarded);
  return noErr;
}

OSStatus AUEventListenerRemoveEventType(AUEventListenerRef inListener, void* inObject, const AudioUnitEvent* inEvent)
{
  if (!ValidEvent(inEvent))
    return kAudio_ParamError;
  std::lock_guard<std::mutex> lock(gMutex);
  if (!LiveListener(inListener))
    return kAudio_ParamError;
  const Registration unwanted = RegistrationFor(BitsOf(inListener), inObject, *inEvent);
  const UInt32 end = gRegistrationEnd.load(std::memory_order_relaxed);
  for (UInt32 i = 0; i < end; ++i)
  {
    Registration r;
    if (gRegistrations[i].Read(&r) && r.listener == unwanted.listener && r.object == unwanted.object &&
        SameTarget(r, unwanted))
    {
      gRegistrations[i].Write(Registration{});
      StopForwarding(r);
      return noErr;
    }
  }
  return kAudio_ParamError;
}

OSStatus AUListenerDispose(AUParameterListenerRef inListener)
{
  UInt32 index = 0;
  ListenerSlot* slot = nullptr;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    slot = LiveListener(inListener, &index);
    if (!slot)
      return kAudio_ParamError;
    // From here on notify skips the listener; deliveries already past that
    // check are waited out below.
    slot->ref.store(0, std::memory_order_seq_cst);
    const std::uint64_t bits = BitsOf(inListener);
    const UInt32 end = gRegistrationEnd.load(std::memory_order_relaxed);
    for (UInt32 i = 0; i < end; ++i)
    {
      Registration r;
      if (gRegistrations[i].Read(&r) && r.listener == bits)
      {
        gRegistrations[i].Write(Registration{});
        StopForwarding(r);
      }
    }
  }
  while (slot->deliveries.load(std::memory_order_seq_cst) > tDeliveriesHere[index])
    std::this_thread::yield();
  std::lock_guard<std::mutex> lock(gMutex);
  slot->inUse = false;
  return noErr;
}

OSStatus AUEventListenerNotify(AUEventListenerRef inSendingListener, void* inSendingObject,
                               const AudioUnitEvent* inEvent)
{
  if (!ValidEvent(inEvent))
    return kAudio_ParamError;
  const Registration sent = RegistrationFor(0, nullptr, *inEvent);
  const std::uint64_t sendingListener = BitsOf(inSendingListener);
  const UInt64 hostTime = HostTimeNanoseconds();
  bool valueRead = false;
  AudioUnitParameterValue value = 0.0f;

  const UInt32 end = gRegistrationEnd.load(std::memory_order_acquire);
  for (UInt32 i = 0; i < end; ++i)
  {
    Registration r;
    if (!gRegistrations[i].Read(&r) || !Hears(r, sent) || IsSender(r, sendingListener, inSendingObject))
      continue;
    if (sent.type == kAudioUnitEvent_ParameterValueChange && !valueRead)
    {
      valueRead = true;
      AudioUnitParameterValue current = 0.0f;
      if (sent.id != kAUParameterListener_AnyParameter &&
          AudioUnitGetParameter(sent.unit, sent.id, sent.scope, sent.element, &current) == noErr)
        value = current;
    }
    const UInt32 index = static_cast<UInt32>((r.listener & 0xFFFFFFFFu) - 1);
    ListenerSlot& listener = gListeners[index];
    // Announce the delivery before checking that the listener still lives;
    // dispose clears the ref before it counts deliveries (both seq_cst).
    listener.deliveries.fetch_add(1, std::memory_order_seq_cst);
    if (listener.ref.load(std::memory_order_seq_cst) == r.listener)
    {
      const AUEventListenerProc proc = listener.proc.load(std::memory_order_relaxed);
      void* const refCon = listener.refCon.load(std::memory_order_relaxed);
      ++tDeliveriesHere[index];
      proc(refCon, r.object, inEvent, hostTime, value);
      --tDeliveriesHere[index];
    }
    listener.deliveries.fetch_sub(1, std::memory_order_release);
  }
  return noErr;
}
