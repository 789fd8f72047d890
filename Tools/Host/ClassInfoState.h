#pragma once
// A component's state as the host saves and restores it through the
// ClassInfo property (0): the class-info dictionary the unit hands out,
// turned into a ComponentState, and a ComponentState turned back into a
// dictionary the unit restores. Main thread; every dictionary made here is
// released here.

#include "BundleInfo.h"
#include "HostStatus.h"
#include "StateFile.h"

#include <AudioToolbox/AUComponent.h>
#include <CoreFoundation/CFDictionary.h>

namespace pw::host {

// The six values of a class-info dictionary. Refuses anything that is not
// a dictionary, a missing key, a value of the wrong type and a number that
// does not fit 32 bits; other keys are ignored. out is left as it was on
// failure.
Status StateFromClassInfo(CFTypeRef classInfo, ComponentState& out);

// A new dictionary with the six values (+1 for the caller); null when the
// name is not UTF-8 or CoreFoundation cannot make an object.
CFMutableDictionaryRef NewClassInfo(const ComponentState& state);

// Asks the unit for its class-info dictionary.
Status SaveUnitState(AudioUnit unit, ComponentState& out);

// Hands state to the unit as its class-info dictionary. Refuses, without
// calling the unit, a state whose type, subtype or manufacturer are not the
// component's (from its bundle); the unit's refusal is reported with its
// status. source names the state in messages ("'song.state'").
Status RestoreUnitState(AudioUnit unit, const BundleInfo& component, const ComponentState& state,
                        const std::string& source);

} // namespace pw::host
