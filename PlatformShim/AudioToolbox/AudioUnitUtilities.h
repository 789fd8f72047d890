#pragma once
// Audio Unit events: parameter value changes, gesture begin and end, and
// property changes, delivered to listeners that registered for them.
//
// Delivery is synchronous: AUEventListenerNotify calls every matching
// listener on the calling thread before it returns, in registration order.
// There is no queue, no run loop and no coalescing; the run-loop and
// interval arguments of AUEventListenerCreate are accepted and not used.
//
// Threads: create, add, remove and dispose belong to the main thread (they
// take a lock among themselves). Notify may be called from any thread, the
// render thread included: it takes no lock and allocates nothing; it calls
// the listeners' procedures, which must be as careful as their caller.
// After AUListenerDispose returns, the listener's procedure is not running
// on any other thread and will not be called again.

#include <AudioToolbox/AUComponent.h>
#include <CoreFoundation/CFRunLoop.h>

#include <cstddef>

typedef UInt32 AudioUnitEventType;
enum : AudioUnitEventType
{
  kAudioUnitEvent_ParameterValueChange = 0,
  kAudioUnitEvent_BeginParameterChangeGesture = 1,
  kAudioUnitEvent_EndParameterChangeGesture = 2,
  kAudioUnitEvent_PropertyChange = 3
};

// In a notification's parameter ID: every parameter of the unit (any scope
// and element). Not valid in a registration.
enum : AudioUnitParameterID
{
  kAUParameterListener_AnyParameter = 0xFFFFFFFFu
};

typedef struct AudioUnitParameter
{
  AudioUnit mAudioUnit;
  AudioUnitParameterID mParameterID;
  AudioUnitScope mScope;
  AudioUnitElement mElement;
} AudioUnitParameter;
static_assert(sizeof(AudioUnitParameter) == 24, "AudioUnitParameter is 24 bytes");

typedef struct AudioUnitProperty
{
  AudioUnit mAudioUnit;
  AudioUnitPropertyID mPropertyID;
  AudioUnitScope mScope;
  AudioUnitElement mElement;
} AudioUnitProperty;
static_assert(sizeof(AudioUnitProperty) == 24, "AudioUnitProperty is 24 bytes");

// mArgument.mProperty for kAudioUnitEvent_PropertyChange, else mParameter.
typedef struct AudioUnitEvent
{
  AudioUnitEventType mEventType;
  union
  {
    AudioUnitParameter mParameter;
    AudioUnitProperty mProperty;
  } mArgument;
} AudioUnitEvent;
static_assert(sizeof(AudioUnitEvent) == 32 && offsetof(AudioUnitEvent, mArgument) == 8, "AudioUnitEvent is 32 bytes");

typedef struct AUListenerBase* AUParameterListenerRef;
typedef AUParameterListenerRef AUEventListenerRef;

// inObject: the object given when the event type was added.
// inEventHostTime: nanoseconds of a monotonic clock at the notification.
// inParameterValue: for a value change, the parameter's value read from the
// unit (AudioUnitGetParameter) when the notification went out, 0 when the
// unit did not answer; 0 for the other event types.
typedef void (*AUEventListenerProc)(void* inCallbackRefCon, void* inObject, const AudioUnitEvent* inEvent,
                                    UInt64 inEventHostTime, AudioUnitParameterValue inParameterValue);

// At most this many listeners exist at once, and this many registrations
// (listener, object, event) over all listeners.
constexpr UInt32 kPWShimMaxEventListeners = 64;
constexpr UInt32 kPWShimMaxEventRegistrations = 1024;

// A new listener calling inProc with inCallbackRefCon. kAudio_ParamError
// for a null inProc or outListener; kAudio_MemFullError when
// kPWShimMaxEventListeners exist.
CF_EXPORT OSStatus AUEventListenerCreate(AUEventListenerProc inProc, void* inCallbackRefCon, CFRunLoopRef inRunLoop,
                                         CFStringRef inRunLoopMode, Float32 inNotificationInterval,
                                         Float32 inValueChangeGranularity, AUEventListenerRef* outListener);

// Registers inListener for events equal to *inEvent: same type, unit, ID,
// scope and element. inObject is handed back to the procedure. Adding the
// same (object, event) twice keeps one registration. For a property change
// on an open unit, the listener also hears the unit's own property
// notifications (a property listener is installed on the unit while any
// registration for that unit and property exists).
// kAudio_ParamError for an unknown listener, a null event, an event type
// above kAudioUnitEvent_PropertyChange or the any-parameter ID;
// kAudio_MemFullError when kPWShimMaxEventRegistrations exist.
CF_EXPORT OSStatus AUEventListenerAddEventType(AUEventListenerRef inListener, void* inObject,
                                               const AudioUnitEvent* inEvent);

// Removes the registration of (inObject, *inEvent). kAudio_ParamError when
// the listener or the registration does not exist.
CF_EXPORT OSStatus AUEventListenerRemoveEventType(AUEventListenerRef inListener, void* inObject,
                                                  const AudioUnitEvent* inEvent);

// Removes every registration of the listener and the listener. Waits for
// deliveries to it running on other threads (not for one running on this
// thread: a procedure may dispose its own listener). kAudio_ParamError for
// an unknown listener.
CF_EXPORT OSStatus AUListenerDispose(AUParameterListenerRef inListener);

// Delivers *inEvent to every registration that matches it (see AddEventType;
// a parameter ID of kAUParameterListener_AnyParameter matches every
// parameter registration of that type and unit), except the sender's: when
// inSendingListener is given, its registrations for inSendingObject (all of
// them when inSendingObject is null) are skipped; when only
// inSendingObject is given, registrations with that object are skipped.
// kAudio_ParamError for a null event or an unknown event type.
CF_EXPORT OSStatus AUEventListenerNotify(AUEventListenerRef inSendingListener, void* inSendingObject,
                                         const AudioUnitEvent* inEvent);
