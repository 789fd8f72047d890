#pragma once
// Audio Unit calls. Each call resolves the unit handle (an instance opened
// through PWShimAudioComponent.h or PWShimComponents.h) and hands its
// arguments unchanged to the unit:
// - an instance from a factory: the method that the interface's Lookup
//   answers for the call's selector, called with the interface pointer
//   followed by the call's arguments;
// - an instance from an entry function: the entry, with a parameter block
//   (layout in Components.h) holding the arguments in reverse order and the
//   unit handle, and the instance's storage.
// A unit that is null or not open answers badComponentInstance; a Lookup
// that answers null, badComponentSelector.
//
// Threads: resolving a handle is lock-free and allocates nothing, so every
// call may be made from any thread; which thread the unit expects for which
// call is the unit's contract (render on the render thread, properties on
// the main thread).

#include <AudioToolbox/AudioComponent.h>
#include <AudioToolbox/CoreAudioTypes.h>

typedef AudioComponentInstance AudioUnit;

typedef UInt32 AudioUnitPropertyID;
typedef UInt32 AudioUnitScope;
typedef UInt32 AudioUnitElement;
typedef UInt32 AudioUnitParameterID;
typedef Float32 AudioUnitParameterValue;

enum : AudioUnitScope
{
  kAudioUnitScope_Global = 0,
  kAudioUnitScope_Input = 1,
  kAudioUnitScope_Output = 2,
  kAudioUnitScope_Group = 3,
  kAudioUnitScope_Part = 4,
  kAudioUnitScope_Note = 5,
  kAudioUnitScope_Layer = 6,
  kAudioUnitScope_LayerItem = 7
};

// Component types (AudioComponentDescription.componentType).
enum : OSType
{
  kAudioUnitType_Output = 0x61756F75,           // 'auou'
  kAudioUnitType_MusicDevice = 0x61756D75,      // 'aumu'
  kAudioUnitType_MusicEffect = 0x61756D66,      // 'aumf'
  kAudioUnitType_FormatConverter = 0x61756663,  // 'aufc'
  kAudioUnitType_Effect = 0x61756678,           // 'aufx'
  kAudioUnitType_Mixer = 0x61756D78,            // 'aumx'
  kAudioUnitType_Panner = 0x6175706E,           // 'aupn'
  kAudioUnitType_Generator = 0x6175676E,        // 'augn'
  kAudioUnitType_OfflineEffect = 0x61756F6C,    // 'auol'
  kAudioUnitType_MIDIProcessor = 0x61756D69     // 'aumi'
};

// Selectors of the Audio Unit calls (Lookup and the Component Manager's
// what). 8, 12 and 13 belong to retired calls.
enum : SInt16
{
  kAudioUnitRange = 0x0000,
  kAudioUnitInitializeSelect = 1,
  kAudioUnitUninitializeSelect = 2,
  kAudioUnitGetPropertyInfoSelect = 3,
  kAudioUnitGetPropertySelect = 4,
  kAudioUnitSetPropertySelect = 5,
  kAudioUnitGetParameterSelect = 6,
  kAudioUnitSetParameterSelect = 7,
  kAudioUnitResetSelect = 9,
  kAudioUnitAddPropertyListenerSelect = 10,
  kAudioUnitRemovePropertyListenerSelect = 11,
  kAudioUnitRenderSelect = 14,
  kAudioUnitAddRenderNotifySelect = 15,
  kAudioUnitRemoveRenderNotifySelect = 16,
  kAudioUnitScheduleParametersSelect = 17,
  kAudioUnitRemovePropertyListenerWithUserDataSelect = 18
};

enum : OSStatus
{
  kAudioUnitErr_InvalidProperty = -10879,
  kAudioUnitErr_InvalidParameter = -10878,
  kAudioUnitErr_InvalidElement = -10877,
  kAudioUnitErr_NoConnection = -10876,
  kAudioUnitErr_FailedInitialization = -10875,
  kAudioUnitErr_TooManyFramesToProcess = -10874,
  kAudioUnitErr_InvalidFile = -10871,
  kAudioUnitErr_UnknownFileType = -10870,
  kAudioUnitErr_FileNotSpecified = -10869,
  kAudioUnitErr_FormatNotSupported = -10868,
  kAudioUnitErr_Uninitialized = -10867,
  kAudioUnitErr_InvalidScope = -10866,
  kAudioUnitErr_PropertyNotWritable = -10865,
  kAudioUnitErr_CannotDoInCurrentContext = -10863,
  kAudioUnitErr_InvalidPropertyValue = -10851,
  kAudioUnitErr_PropertyNotInUse = -10850,
  kAudioUnitErr_Initialized = -10849,
  kAudioUnitErr_InvalidOfflineRender = -10848,
  kAudioUnitErr_Unauthorized = -10847,
  kAudioUnitErr_MIDIOutputBufferFull = -66753,
  kAudioComponentErr_InstanceInvalidated = -66749,
  // A CoreFoundation object could not be created.
  coreFoundationUnknownErr = -4960
};

typedef UInt32 AudioUnitRenderActionFlags;
enum : AudioUnitRenderActionFlags
{
  kAudioUnitRenderAction_PreRender = 1u << 2,
  kAudioUnitRenderAction_PostRender = 1u << 3,
  kAudioUnitRenderAction_OutputIsSilence = 1u << 4,
  kAudioOfflineUnitRenderAction_Preflight = 1u << 5,
  kAudioOfflineUnitRenderAction_Render = 1u << 6,
  kAudioOfflineUnitRenderAction_Complete = 1u << 7,
  kAudioUnitRenderAction_PostRenderError = 1u << 8,
  kAudioUnitRenderAction_DoNotCheckRenderArgs = 1u << 9
};

// Fills ioData with inNumberFrames frames of bus inBusNumber at inTimeStamp
// (render callbacks and render notifications share this shape).
typedef OSStatus (*AURenderCallback)(void* inRefCon, AudioUnitRenderActionFlags* ioActionFlags,
                                     const AudioTimeStamp* inTimeStamp, UInt32 inBusNumber, UInt32 inNumberFrames,
                                     AudioBufferList* ioData);

typedef void (*AudioUnitPropertyListenerProc)(void* inRefCon, AudioUnit inUnit, AudioUnitPropertyID inID,
                                              AudioUnitScope inScope, AudioUnitElement inElement);

// ---- scheduled parameter events ----------------------------------------

typedef UInt32 AUParameterEventType;
enum : AUParameterEventType
{
  kParameterEvent_Immediate = 1,
  kParameterEvent_Ramped = 2
};

typedef struct AudioUnitParameterEvent
{
  AudioUnitScope scope;
  AudioUnitElement element;
  AudioUnitParameterID parameter;
  AUParameterEventType eventType;
  union
  {
    struct
    {
      SInt32 startBufferOffset;  // frames into the buffer
      UInt32 durationInFrames;
      AudioUnitParameterValue startValue;
      AudioUnitParameterValue endValue;
    } ramp;
    struct
    {
      UInt32 bufferOffset;  // frames into the buffer
      AudioUnitParameterValue value;
    } immediate;
  } eventValues;
} AudioUnitParameterEvent;
static_assert(sizeof(AudioUnitParameterEvent) == 32, "AudioUnitParameterEvent is 32 bytes");
static_assert(offsetof(AudioUnitParameterEvent, eventValues) == 16, "event values follow four words");

// ---- calls -------------------------------------------------------------

CF_EXPORT OSStatus AudioUnitInitialize(AudioUnit inUnit);
CF_EXPORT OSStatus AudioUnitUninitialize(AudioUnit inUnit);

// outDataSize and outWritable are passed on as given (null included).
CF_EXPORT OSStatus AudioUnitGetPropertyInfo(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                                            AudioUnitElement inElement, UInt32* outDataSize, Boolean* outWritable);
// *ioDataSize: bytes at outData on the way in, bytes written on the way out.
CF_EXPORT OSStatus AudioUnitGetProperty(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                                        AudioUnitElement inElement, void* outData, UInt32* ioDataSize);
CF_EXPORT OSStatus AudioUnitSetProperty(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                                        AudioUnitElement inElement, const void* inData, UInt32 inDataSize);

CF_EXPORT OSStatus AudioUnitAddPropertyListener(AudioUnit inUnit, AudioUnitPropertyID inID,
                                                AudioUnitPropertyListenerProc inProc, void* inProcUserData);
CF_EXPORT OSStatus AudioUnitRemovePropertyListener(AudioUnit inUnit, AudioUnitPropertyID inID,
                                                   AudioUnitPropertyListenerProc inProc);
CF_EXPORT OSStatus AudioUnitRemovePropertyListenerWithUserData(AudioUnit inUnit, AudioUnitPropertyID inID,
                                                               AudioUnitPropertyListenerProc inProc,
                                                               void* inProcUserData);

CF_EXPORT OSStatus AudioUnitAddRenderNotify(AudioUnit inUnit, AURenderCallback inProc, void* inProcUserData);
CF_EXPORT OSStatus AudioUnitRemoveRenderNotify(AudioUnit inUnit, AURenderCallback inProc, void* inProcUserData);

CF_EXPORT OSStatus AudioUnitGetParameter(AudioUnit inUnit, AudioUnitParameterID inID, AudioUnitScope inScope,
                                         AudioUnitElement inElement, AudioUnitParameterValue* outValue);
// inBufferOffsetInFrames: where in the next rendered buffer the value applies.
CF_EXPORT OSStatus AudioUnitSetParameter(AudioUnit inUnit, AudioUnitParameterID inID, AudioUnitScope inScope,
                                         AudioUnitElement inElement, AudioUnitParameterValue inValue,
                                         UInt32 inBufferOffsetInFrames);
CF_EXPORT OSStatus AudioUnitScheduleParameters(AudioUnit inUnit, const AudioUnitParameterEvent* inParameterEvent,
                                               UInt32 inNumParamEvents);

// Render thread. kAudio_ParamError, without calling the unit, for a null
// inTimeStamp or ioData. A null ioActionFlags reaches the unit as a pointer
// to a zero word of this call. Allocates nothing.
CF_EXPORT OSStatus AudioUnitRender(AudioUnit inUnit, AudioUnitRenderActionFlags* ioActionFlags,
                                   const AudioTimeStamp* inTimeStamp, UInt32 inOutputBusNumber,
                                   UInt32 inNumberFrames, AudioBufferList* ioData);

CF_EXPORT OSStatus AudioUnitReset(AudioUnit inUnit, AudioUnitScope inScope, AudioUnitElement inElement);
