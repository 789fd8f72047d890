#pragma once
// The parts of CoreMIDI the system uses: packet lists.

#include <CoreMIDI/MIDIServices.h>
