#pragma once
// Audio Unit property numbers and the records their values use. Each
// property is addressed by ID, scope and element; the size asserted under a
// record is the data size a host passes for it.

#include <AudioToolbox/AUComponent.h>
#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFURL.h>

#include <cstddef>

struct MIDIPacketList;

enum : AudioUnitPropertyID
{
  kAudioUnitProperty_ClassInfo = 0,
  kAudioUnitProperty_MakeConnection = 1,
  kAudioUnitProperty_SampleRate = 2,
  kAudioUnitProperty_ParameterList = 3,
  kAudioUnitProperty_ParameterInfo = 4,
  kAudioUnitProperty_FastDispatch = 5,
  kAudioUnitProperty_CPULoad = 6,
  kAudioUnitProperty_StreamFormat = 8,
  kAudioUnitProperty_ElementCount = 11,
  kAudioUnitProperty_Latency = 12,
  kAudioUnitProperty_SupportedNumChannels = 13,
  kAudioUnitProperty_MaximumFramesPerSlice = 14,
  kAudioUnitProperty_SetExternalBuffer = 15,
  kAudioUnitProperty_ParameterValueStrings = 16,
  kAudioUnitProperty_GetUIComponentList = 18,
  kAudioUnitProperty_AudioChannelLayout = 19,
  kAudioUnitProperty_TailTime = 20,
  kAudioUnitProperty_BypassEffect = 21,
  kAudioUnitProperty_LastRenderError = 22,
  kAudioUnitProperty_SetRenderCallback = 23,
  kAudioUnitProperty_FactoryPresets = 24,
  kAudioUnitProperty_ContextName = 25,
  kAudioUnitProperty_RenderQuality = 26,
  kAudioUnitProperty_HostCallbacks = 27,
  kAudioUnitProperty_CurrentPreset = 28,
  kAudioUnitProperty_InPlaceProcessing = 29,
  kAudioUnitProperty_ElementName = 30,
  kAudioUnitProperty_CocoaUI = 31,
  kAudioUnitProperty_SupportedChannelLayoutTags = 32,
  kAudioUnitProperty_ParameterStringFromValue = 33,
  kAudioUnitProperty_ParameterIDName = 34,
  kAudioUnitProperty_ParameterClumpName = 35,
  kAudioUnitProperty_PresentPreset = 36,
  kAudioUnitProperty_OfflineRender = 37,
  kAudioUnitProperty_ParameterValueFromString = 38,
  kAudioUnitProperty_IconLocation = 39,
  kAudioUnitProperty_PresentationLatency = 40,
  kAudioUnitProperty_DependentParameters = 45,
  kAudioUnitProperty_AUHostIdentifier = 46,
  kAudioUnitProperty_MIDIOutputCallbackInfo = 47,
  kAudioUnitProperty_MIDIOutputCallback = 48,
  kAudioUnitProperty_InputSamplesInOutput = 49,
  kAudioUnitProperty_ClassInfoFromDocument = 50,
  kAudioUnitProperty_SupportsMPE = 58,
  kMusicDeviceProperty_InstrumentCount = 1000
};

// ---- connections and callbacks -----------------------------------------

// MakeConnection (1), input scope, element = destInputNumber. A null source
// closes the connection.
typedef struct AudioUnitConnection
{
  AudioUnit sourceAudioUnit;
  UInt32 sourceOutputNumber;
  UInt32 destInputNumber;
} AudioUnitConnection;
static_assert(sizeof(AudioUnitConnection) == 16, "AudioUnitConnection is 16 bytes");

// SetRenderCallback (23), input scope, element = the input bus.
typedef struct AURenderCallbackStruct
{
  AURenderCallback inputProc;
  void* inputProcRefCon;
} AURenderCallbackStruct;
static_assert(sizeof(AURenderCallbackStruct) == 16, "AURenderCallbackStruct is 16 bytes");

// The host's transport callbacks (HostCallbacks, 27). Each answers 0 when
// it filled its outputs; any output pointer may be null.
typedef OSStatus (*HostCallback_GetBeatAndTempo)(void* inHostUserData, Float64* outCurrentBeat,
                                                 Float64* outCurrentTempo);
typedef OSStatus (*HostCallback_GetMusicalTimeLocation)(void* inHostUserData, UInt32* outDeltaSampleOffsetToNextBeat,
                                                        Float32* outTimeSig_Numerator,
                                                        UInt32* outTimeSig_Denominator,
                                                        Float64* outCurrentMeasureDownBeat);
typedef OSStatus (*HostCallback_GetTransportState)(void* inHostUserData, Boolean* outIsPlaying,
                                                   Boolean* outTransportStateChanged,
                                                   Float64* outCurrentSampleInTimeLine, Boolean* outIsCycling,
                                                   Float64* outCycleStartBeat, Float64* outCycleEndBeat);
typedef OSStatus (*HostCallback_GetTransportState2)(void* inHostUserData, Boolean* outIsPlaying,
                                                    Boolean* outIsRecording, Boolean* outTransportStateChanged,
                                                    Float64* outCurrentSampleInTimeLine, Boolean* outIsCycling,
                                                    Float64* outCycleStartBeat, Float64* outCycleEndBeat);

typedef struct HostCallbackInfo
{
  void* hostUserData;
  HostCallback_GetBeatAndTempo beatAndTempoProc;
  HostCallback_GetMusicalTimeLocation musicalTimeLocationProc;
  HostCallback_GetTransportState transportStateProc;
  HostCallback_GetTransportState2 transportStateProc2;
} HostCallbackInfo;
static_assert(sizeof(HostCallbackInfo) == 40, "HostCallbackInfo is five words");

// SupportedNumChannels (13): one pair per configuration; -1 is any count.
typedef struct AUChannelInfo
{
  SInt16 inChannels;
  SInt16 outChannels;
} AUChannelInfo;
static_assert(sizeof(AUChannelInfo) == 4, "AUChannelInfo is two 16-bit numbers");

// SetExternalBuffer (15).
typedef struct AudioUnitExternalBuffer
{
  Byte* buffer;
  UInt32 size;
} AudioUnitExternalBuffer;
static_assert(sizeof(AudioUnitExternalBuffer) == 16, "AudioUnitExternalBuffer is 16 bytes");

// MIDIOutputCallback (48): the unit calls midiOutputCallback from its render
// with the render's time stamp.
typedef OSStatus (*AUMIDIOutputCallback)(void* userData, const AudioTimeStamp* timeStamp, UInt32 midiOutNum,
                                         const struct MIDIPacketList* pktlist);
typedef struct AUMIDIOutputCallbackStruct
{
  AUMIDIOutputCallback midiOutputCallback;
  void* userData;
} AUMIDIOutputCallbackStruct;
static_assert(sizeof(AUMIDIOutputCallbackStruct) == 16, "AUMIDIOutputCallbackStruct is 16 bytes");

// AUHostIdentifier (46).
typedef struct AUHostVersionIdentifier
{
  CFStringRef hostName;
  NumVersion hostVersion;
} AUHostVersionIdentifier;
static_assert(sizeof(AUHostVersionIdentifier) == 16, "AUHostVersionIdentifier is 16 bytes");

// ---- parameters --------------------------------------------------------

typedef UInt32 AudioUnitParameterUnit;
enum : AudioUnitParameterUnit
{
  kAudioUnitParameterUnit_Generic = 0,
  kAudioUnitParameterUnit_Indexed = 1,
  kAudioUnitParameterUnit_Boolean = 2,
  kAudioUnitParameterUnit_Percent = 3,
  kAudioUnitParameterUnit_Seconds = 4,
  kAudioUnitParameterUnit_SampleFrames = 5,
  kAudioUnitParameterUnit_Phase = 6,
  kAudioUnitParameterUnit_Rate = 7,
  kAudioUnitParameterUnit_Hertz = 8,
  kAudioUnitParameterUnit_Cents = 9,
  kAudioUnitParameterUnit_RelativeSemiTones = 10,
  kAudioUnitParameterUnit_MIDINoteNumber = 11,
  kAudioUnitParameterUnit_MIDIController = 12,
  kAudioUnitParameterUnit_Decibels = 13,
  kAudioUnitParameterUnit_LinearGain = 14,
  kAudioUnitParameterUnit_Degrees = 15,
  kAudioUnitParameterUnit_EqualPowerCrossfade = 16,
  kAudioUnitParameterUnit_MixerFaderCurve1 = 17,
  kAudioUnitParameterUnit_Pan = 18,
  kAudioUnitParameterUnit_Meters = 19,
  kAudioUnitParameterUnit_AbsoluteCents = 20,
  kAudioUnitParameterUnit_Octaves = 21,
  kAudioUnitParameterUnit_BPM = 22,
  kAudioUnitParameterUnit_Beats = 23,
  kAudioUnitParameterUnit_Milliseconds = 24,
  kAudioUnitParameterUnit_Ratio = 25,
  // Named by AudioUnitParameterInfo.unitName.
  kAudioUnitParameterUnit_CustomUnit = 26,
  kAudioUnitParameterUnit_MIDI2Controller = 27
};

typedef UInt32 AudioUnitParameterOptions;
enum : AudioUnitParameterOptions
{
  // The host releases cfNameString when done with it.
  kAudioUnitParameterFlag_CFNameRelease = 1u << 4,
  kAudioUnitParameterFlag_OmitFromPresets = 1u << 13,
  kAudioUnitParameterFlag_PlotHistory = 1u << 14,
  kAudioUnitParameterFlag_MeterReadOnly = 1u << 15,

  // How a control should map its travel to the value: bits 16-18 and 22.
  kAudioUnitParameterFlag_DisplayMask = (7u << 16) | (1u << 22),
  kAudioUnitParameterFlag_DisplaySquareRoot = 1u << 16,
  kAudioUnitParameterFlag_DisplaySquared = 2u << 16,
  kAudioUnitParameterFlag_DisplayCubed = 3u << 16,
  kAudioUnitParameterFlag_DisplayCubeRoot = 4u << 16,
  kAudioUnitParameterFlag_DisplayExponential = 5u << 16,

  kAudioUnitParameterFlag_HasClump = 1u << 20,
  kAudioUnitParameterFlag_ValuesHaveStrings = 1u << 21,
  kAudioUnitParameterFlag_DisplayLogarithmic = 1u << 22,
  kAudioUnitParameterFlag_IsHighResolution = 1u << 23,
  kAudioUnitParameterFlag_NonRealTime = 1u << 24,
  kAudioUnitParameterFlag_CanRamp = 1u << 25,
  kAudioUnitParameterFlag_ExpertMode = 1u << 26,
  kAudioUnitParameterFlag_HasCFNameString = 1u << 27,
  kAudioUnitParameterFlag_IsGlobalMeta = 1u << 28,
  kAudioUnitParameterFlag_IsElementMeta = 1u << 29,
  kAudioUnitParameterFlag_IsReadable = 1u << 30,
  kAudioUnitParameterFlag_IsWritable = 1u << 31
};

// ParameterInfo (4), global scope, element = the parameter ID.
typedef struct AudioUnitParameterInfo
{
  char name[52];           // null-terminated; cfNameString is the full name
  CFStringRef unitName;    // for kAudioUnitParameterUnit_CustomUnit
  UInt32 clumpID;          // 0: no clump
  CFStringRef cfNameString;
  AudioUnitParameterUnit unit;
  AudioUnitParameterValue minValue;
  AudioUnitParameterValue maxValue;
  AudioUnitParameterValue defaultValue;
  AudioUnitParameterOptions flags;
} AudioUnitParameterInfo;
static_assert(sizeof(AudioUnitParameterInfo) == 104, "AudioUnitParameterInfo is 104 bytes");
static_assert(offsetof(AudioUnitParameterInfo, unitName) == 56 && offsetof(AudioUnitParameterInfo, clumpID) == 64 &&
                offsetof(AudioUnitParameterInfo, cfNameString) == 72 && offsetof(AudioUnitParameterInfo, unit) == 80 &&
                offsetof(AudioUnitParameterInfo, flags) == 96,
              "AudioUnitParameterInfo field offsets");

enum : UInt32
{
  kAudioUnitClumpID_System = 0
};

// ParameterStringFromValue (33): outString is a new string the caller
// releases; a null inValue asks for the parameter's current value.
typedef struct AudioUnitParameterStringFromValue
{
  AudioUnitParameterID inParamID;
  const AudioUnitParameterValue* inValue;
  CFStringRef outString;
} AudioUnitParameterStringFromValue;
static_assert(sizeof(AudioUnitParameterStringFromValue) == 24, "AudioUnitParameterStringFromValue is 24 bytes");

// ParameterValueFromString (38).
typedef struct AudioUnitParameterValueFromString
{
  AudioUnitParameterID inParamID;
  CFStringRef inString;
  AudioUnitParameterValue outValue;
} AudioUnitParameterValueFromString;
static_assert(sizeof(AudioUnitParameterValueFromString) == 24, "AudioUnitParameterValueFromString is 24 bytes");

// ParameterIDName (34, inID a parameter) and ParameterClumpName (35, inID a
// clump): outName is a new string the caller releases, cut to
// inDesiredLength characters unless that is kAudioUnitParameterName_Full.
typedef struct AudioUnitParameterNameInfo
{
  AudioUnitParameterID inID;
  SInt32 inDesiredLength;
  CFStringRef outName;
} AudioUnitParameterNameInfo;
typedef AudioUnitParameterNameInfo AudioUnitParameterIDName;
static_assert(sizeof(AudioUnitParameterNameInfo) == 16, "AudioUnitParameterNameInfo is 16 bytes");

enum : SInt32
{
  kAudioUnitParameterName_Full = -1
};

// ---- presets and the editor --------------------------------------------

// CurrentPreset (28), PresentPreset (36); FactoryPresets (24) is an array of
// these.
typedef struct AUPreset
{
  SInt32 presetNumber;
  CFStringRef presetName;
} AUPreset;
static_assert(sizeof(AUPreset) == 16 && offsetof(AUPreset, presetName) == 8, "AUPreset is 16 bytes");

// CocoaUI (31): the bundle holding the view factory class, and its name.
// Both are new objects the caller releases.
typedef struct AudioUnitCocoaViewInfo
{
  CFURLRef mCocoaAUViewBundleLocation;
  CFStringRef mCocoaAUViewClass[1];
} AudioUnitCocoaViewInfo;
static_assert(sizeof(AudioUnitCocoaViewInfo) == 16, "AudioUnitCocoaViewInfo is 16 bytes");
