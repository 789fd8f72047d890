#pragma once
// The unit's parameters as the host learns them through the ParameterList
// (3), ParameterInfo (4) and ParameterValueStrings (16) properties, and the
// host's --param NAME=VALUE: the parameter found by name, the value read as
// a number in the parameter's display units, the unit after it optional
// ("-24", "-24 dB"), or, for a parameter with value strings, one of those
// strings (a number equal to a name that is a number is that name). Main
// thread.

#include "HostStatus.h"

#include <AudioToolbox/AudioUnitProperties.h>

#include <string>
#include <vector>

namespace pw::host {

struct ParameterDescription
{
  AudioUnitParameterID id = 0;
  std::string name;
  AudioUnitParameterUnit unit = kAudioUnitParameterUnit_Generic;
  float minValue = 0.0f;
  float maxValue = 0.0f;
  float defaultValue = 0.0f;
  AudioUnitParameterOptions flags = 0;
  std::string unitName;                  // a custom unit's name ("%", "dB", ...)
  std::vector<std::string> valueStrings; // the text of value 0, 1, ... when the unit gives them
};

struct ParameterSetting
{
  AudioUnitParameterID id = 0;
  std::string name;
  float value = 0.0f;
};

// Every parameter of the unit in list order. Fails when the unit answers the
// list but cannot describe one of its parameters; a unit that answers no
// list has no parameters.
Status ListParameters(AudioUnit unit, std::vector<ParameterDescription>& out);

// Finds name (exactly, else the one parameter whose name matches ignoring
// case) and reads valueText, blanks around it ignored: one of the
// parameter's value strings (any case), or a number equal to a value string
// that is a number (for the names "1" to "4", "3.0" and "03" are the name
// "3"); else a number in [min, max], optionally followed by the parameter's
// unit (UnitSuffix, any case), passed on as it is (a value-string
// parameter's index, the unit rounds it); or for a boolean parameter on/off,
// true/false or yes/no. "unknown parameter 'NAME'" when there is no such
// parameter; a value it cannot read is refused with what the parameter
// takes (its value strings, or a number of its unit from min to max). A
// refusal quotes the user's text cut to its start (Excerpt).
Status ResolveParameter(const std::vector<ParameterDescription>& parameters, const std::string& name,
                        const std::string& valueText, ParameterSetting& out);

// A short unit suffix for display: "dB", "%", "ms", "Hz"..., a custom unit's
// own name; empty when none.
std::string UnitSuffix(const ParameterDescription& parameter);

} // namespace pw::host
