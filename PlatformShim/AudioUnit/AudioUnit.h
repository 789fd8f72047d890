#pragma once
// The Audio Unit framework: components, Audio Unit calls and properties,
// and MIDI into units (all declared by AudioToolbox).

#include <AudioToolbox/AUComponent.h>
#include <AudioToolbox/AudioComponent.h>
#include <AudioToolbox/AudioUnitProperties.h>
#include <AudioToolbox/MusicDevice.h>
