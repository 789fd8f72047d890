#include <AudioToolbox/MusicDevice.h>

#include "AUDispatch.h"

using pwshim::DispatchAudioUnitCall;

OSStatus MusicDeviceMIDIEvent(MusicDeviceComponent inUnit, UInt32 inStatus, UInt32 inData1, UInt32 inData2,
                              UInt32 inOffsetSampleFrame)
{
  return DispatchAudioUnitCall(inUnit, kMusicDeviceMIDIEventSelect, inStatus, inData1, inData2, inOffsetSampleFrame);
}

OSStatus MusicDeviceSysEx(MusicDeviceComponent inUnit, const UInt8* inData, UInt32 inLength)
{
  return DispatchAudioUnitCall(inUnit, kMusicDeviceSysExSelect, inData, inLength);
}

OSStatus MusicDeviceStartNote(MusicDeviceComponent inUnit, MusicDeviceInstrumentID inInstrument,
                              MusicDeviceGroupID inGroupID, NoteInstanceID* outNoteInstanceID,
                              UInt32 inOffsetSampleFrame, const MusicDeviceNoteParams* inParams)
{
  return DispatchAudioUnitCall(inUnit, kMusicDeviceStartNoteSelect, inInstrument, inGroupID, outNoteInstanceID,
                               inOffsetSampleFrame, inParams);
}

OSStatus MusicDeviceStopNote(MusicDeviceComponent inUnit, MusicDeviceGroupID inGroupID,
                             NoteInstanceID inNoteInstanceID, UInt32 inOffsetSampleFrame)
{
  return DispatchAudioUnitCall(inUnit, kMusicDeviceStopNoteSelect, inGroupID, inNoteInstanceID, inOffsetSampleFrame);
}
