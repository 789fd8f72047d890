#pragma once
// Stand-in only: turning the interface that a component's factory returned
// into an instance handle, as the platform's AudioComponentInstanceNew does
// after it has called the factory. A host opens a component like this:
//
//   AudioComponentPlugInInterface* plugIn = factory(&description);
//   AudioUnit unit = nullptr;
//   if (plugIn && PWShimAudioComponentInstanceNew(plugIn, &unit) == noErr)
//   {
//     AudioUnitInitialize(unit);
//     ...
//     PWShimAudioComponentInstanceDispose(unit);  // calls the interface's Close
//   }
//
// The handle resolves back to the interface in every Audio Unit call, also
// when another unit receives it (an upstream unit given through
// MakeConnection and pulled with AudioUnitRender). Product code never calls
// these. Main thread.

#include <AudioToolbox/AudioComponent.h>
#include <CoreServices/PWShimComponents.h>

// Registers a new handle for plugIn (its storage starts as plugIn), then
// calls plugIn->Open (plugIn, handle). On success *outInstance is the handle
// and the answer 0; when Open answers non-zero the handle is released, Close
// is not called (the interface stays the caller's), *outInstance is null and
// Open's status is answered. kAudio_ParamError for a null plugIn,
// outInstance, Open, Close or Lookup; kAudio_MemFullError when
// kPWShimComponentMaxInstances instances are open.
CF_EXPORT OSStatus PWShimAudioComponentInstanceNew(AudioComponentPlugInInterface* plugIn,
                                                   AudioComponentInstance* outInstance);

// PWShimComponentInstanceDispose: the handle stops resolving, then the
// interface's Close (plugIn) runs; its status is answered.
// badComponentInstance when the handle is not open.
CF_EXPORT OSStatus PWShimAudioComponentInstanceDispose(AudioComponentInstance instance);
