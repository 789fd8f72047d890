#pragma once
// MIDI into an Audio Unit. Dispatched like the calls of AUComponent.h; a
// unit without MIDI input answers badComponentSelector.

#include <AudioToolbox/AUComponent.h>

typedef AudioComponentInstance MusicDeviceComponent;
typedef UInt32 MusicDeviceInstrumentID;
typedef UInt32 MusicDeviceGroupID;
typedef UInt32 NoteInstanceID;

enum : SInt16
{
  kMusicDeviceRange = 0x0100,
  kMusicDeviceMIDIEventSelect = 0x0101,
  kMusicDeviceSysExSelect = 0x0102,
  kMusicDevicePrepareInstrumentSelect = 0x0103,
  kMusicDeviceReleaseInstrumentSelect = 0x0104,
  kMusicDeviceStartNoteSelect = 0x0105,
  kMusicDeviceStopNoteSelect = 0x0106
};

typedef struct NoteParamsControlValue
{
  AudioUnitParameterID mID;
  AudioUnitParameterValue mValue;
} NoteParamsControlValue;

// argCount counts mPitch, mVelocity and the controls that follow.
typedef struct MusicDeviceNoteParams
{
  UInt32 argCount;
  Float32 mPitch;     // MIDI note number, fractional for microtuning
  Float32 mVelocity;  // 0 to 127
  NoteParamsControlValue mControls[1];
} MusicDeviceNoteParams;
static_assert(sizeof(MusicDeviceNoteParams) == 20, "MusicDeviceNoteParams with one control");

// One MIDI message; inOffsetSampleFrame is its position in the next render.
CF_EXPORT OSStatus MusicDeviceMIDIEvent(MusicDeviceComponent inUnit, UInt32 inStatus, UInt32 inData1, UInt32 inData2,
                                        UInt32 inOffsetSampleFrame);
// A whole SysEx message, F0 through F7.
CF_EXPORT OSStatus MusicDeviceSysEx(MusicDeviceComponent inUnit, const UInt8* inData, UInt32 inLength);

CF_EXPORT OSStatus MusicDeviceStartNote(MusicDeviceComponent inUnit, MusicDeviceInstrumentID inInstrument,
                                        MusicDeviceGroupID inGroupID, NoteInstanceID* outNoteInstanceID,
                                        UInt32 inOffsetSampleFrame, const MusicDeviceNoteParams* inParams);
CF_EXPORT OSStatus MusicDeviceStopNote(MusicDeviceComponent inUnit, MusicDeviceGroupID inGroupID,
                                       NoteInstanceID inNoteInstanceID, UInt32 inOffsetSampleFrame);
