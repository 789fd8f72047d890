#pragma once
// The Component Manager road: a component is one entry function that takes
// every call as a parameter block with a selector, plus a word of storage
// per open instance (the component's own object, set when it opens).
//
// Parameter block layout (LP64; 8 bytes of head, then 8-byte words):
//
//   offset 0   flags      UInt8    0
//   offset 1   paramSize  UInt8    bytes of argument words: 8 x argument count
//   offset 2   what       SInt16   the selector
//   offset 4   padding    UInt32   0
//   offset 8   params[]   long     one word per argument, the LAST argument
//                                  first: for a call (a0, a1, ..., a(n-1)),
//                                  params[0] holds a(n-1) and params[n-1]
//                                  holds a0
//              params[n]           the ComponentInstance the call is for
//
// Each argument is stored at the start (lowest addresses) of its word and
// the rest of the word is zero, so argument k of type T is
// *(T*)&params[n - 1 - k]; on this little-endian ABI an integer argument
// is also the value of its whole word. A Float32 argument is its 4 bytes of
// IEEE bits, not a converted integer.
//
// The generic selectors and their arguments: open (-1): the new instance;
// close (-2): the instance; can-do (-3): the queried selector (SInt16);
// version (-4): none. For open the storage passed to the entry is null and
// the component stores its object with SetComponentInstanceStorage.
//
// Threads: storage lookups and CallComponentDispatch are lock-free and may
// run on any thread (the render thread included); opening and closing
// instances belong to the host's main thread.

#include <CoreServices/MacTypes.h>

#include <cstddef>

typedef struct ComponentInstanceRecord* ComponentInstance;
typedef SInt32 ComponentResult;

typedef struct ComponentParameters
{
  UInt8 flags;
  UInt8 paramSize;
  SInt16 what;
  UInt32 padding;
  // Really paramSize / 8 + 1 words; see the layout above.
  long params[1];
} ComponentParameters;

static_assert(offsetof(ComponentParameters, paramSize) == 1, "ComponentParameters.paramSize");
static_assert(offsetof(ComponentParameters, what) == 2, "ComponentParameters.what");
static_assert(offsetof(ComponentParameters, params) == 8, "ComponentParameters.params");
static_assert(sizeof(ComponentParameters) == 16, "ComponentParameters head plus one word");

// The entry of a component. storage is the instance's storage (null for
// open); the answer is the call's status or, for can-do and version, its
// value.
typedef ComponentResult (*ComponentRoutineProcPtr)(ComponentParameters* cp, Handle componentStorage);
typedef ComponentRoutineProcPtr ComponentRoutineUPP;

enum : SInt16
{
  kComponentOpenSelect = -1,
  kComponentCloseSelect = -2,
  kComponentCanDoSelect = -3,
  kComponentVersionSelect = -4,
  kComponentRegisterSelect = -5,
  kComponentTargetSelect = -6,
  kComponentUnregisterSelect = -7
};

enum : ComponentResult
{
  // The handle is null or not an open instance.
  badComponentInstance = (ComponentResult)0x80008001,
  // The component has no handler for the selector.
  badComponentSelector = (ComponentResult)0x80008002
};

// The storage last set for the instance; null when none was set or the
// instance is not open. For an instance opened from an Audio Unit factory
// it starts as the factory's AudioComponentPlugInInterface pointer (the
// object its methods take first). Any thread, lock-free.
CF_EXPORT Handle GetComponentInstanceStorage(ComponentInstance aComponentInstance);

// Replaces the instance's storage. Ignored when the instance is not open.
// Main thread (the component's open handler).
CF_EXPORT void SetComponentInstanceStorage(ComponentInstance aComponentInstance, Handle theStorage);

// Sends the block to the instance named in the word after its arguments:
// calls that instance's entry with the block and the instance's storage and
// answers what the entry answers. paramErr for a null block;
// badComponentInstance when the word is not an open instance opened from an
// entry function. Any thread; allocates nothing.
CF_EXPORT ComponentResult CallComponentDispatch(ComponentParameters* cp);
