#pragma once
// Everything of AudioToolbox the system uses: components, Audio Unit calls
// and properties, MIDI into units, and Audio Unit events.

#include <AudioToolbox/AUComponent.h>
#include <AudioToolbox/AudioComponent.h>
#include <AudioToolbox/AudioUnitProperties.h>
#include <AudioToolbox/AudioUnitUtilities.h>
#include <AudioToolbox/CoreAudioTypes.h>
#include <AudioToolbox/MusicDevice.h>
