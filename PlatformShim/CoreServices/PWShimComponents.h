#pragma once
// Stand-in only: what a host needs to open a component through its entry
// function and to build parameter blocks (layout in Components.h). The
// platform does this inside its Component Manager; product code never calls
// these.

#include <CoreServices/Components.h>

#include <cstring>
#include <type_traits>

// At most this many arguments fit a block (paramSize is one byte).
constexpr UInt32 kPWShimComponentMaxArguments = 31;
// Open instances of both roads (entry functions and Audio Unit factories)
// at most at the same time.
constexpr UInt32 kPWShimComponentMaxInstances = 256;

// Bytes a block with nArgs arguments needs: head, argument words, instance word.
constexpr ByteCount PWShimComponentParametersSize(UInt32 nArgs)
{
  return offsetof(ComponentParameters, params) + (ByteCount(nArgs) + 1) * sizeof(long);
}

// The word that carries value as an argument: its bytes first, zeros after.
template <class T>
inline long PWShimComponentArgWord(T value) noexcept
{
  static_assert(sizeof(T) <= sizeof(long) && std::is_trivially_copyable<T>::value, "one word per argument");
  long word = 0;
  std::memcpy(&word, &value, sizeof value);
  return word;
}

// Argument index (call order, 0 first) of the block as a T. T{} when index is
// not below the block's argument count.
template <class T>
inline T PWShimComponentArgument(const ComponentParameters* cp, UInt32 index) noexcept
{
  static_assert(sizeof(T) <= sizeof(long) && std::is_trivially_copyable<T>::value, "one word per argument");
  const UInt32 count = cp->paramSize / sizeof(long);
  T value{};
  if (index < count)
    std::memcpy(&value, &cp->params[count - 1 - index], sizeof value);
  return value;
}

// Writes a block for a call of selector what on instance with nArgs
// argument words given in call order (argsInCallOrder[0] is the first
// argument; build them with PWShimComponentArgWord) into memory of capacity
// bytes, which must be aligned for a long. Answers the block (at memory), or
// null when memory is null, capacity is below
// PWShimComponentParametersSize(nArgs), nArgs is above
// kPWShimComponentMaxArguments or argsInCallOrder is null with nArgs > 0.
// Any thread; allocates nothing.
CF_EXPORT ComponentParameters* PWShimComponentParametersInit(void* memory, ByteCount capacity, ComponentInstance instance,
                                                             SInt16 what, UInt32 nArgs, const long* argsInCallOrder);

// Opens a component instance on entry: registers a new instance handle,
// then calls the entry with the open selector (argument: the handle). On
// success *outInstance is the handle and the answer 0; when the entry's open
// answers non-zero the handle is released again, *outInstance is null and
// the entry's status is answered. paramErr for a null entry or outInstance;
// memFullErr when kPWShimComponentMaxInstances instances are open. Main
// thread.
CF_EXPORT OSStatus PWShimComponentInstanceNew(ComponentRoutineUPP entry, ComponentInstance* outInstance);

// Closes an instance of either road: the handle stops resolving first, then
// the component's close runs (the close selector with the instance's
// storage, or the factory's Close). Answers the close's status, or
// badComponentInstance when the handle is not open. Main thread; the host
// must not call the instance from another thread meanwhile.
CF_EXPORT OSStatus PWShimComponentInstanceDispose(ComponentInstance instance);

// Instances of both roads open now.
CF_EXPORT UInt32 PWShimComponentInstanceCount(void);
