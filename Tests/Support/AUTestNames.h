#pragma once
// Short names for the Audio Unit scopes and status codes that tests of the
// binding compare against, so table rows stay on one line.

#include <AudioToolbox/AudioToolbox.h>

namespace pw::test {

constexpr AudioUnitScope kGlobal = kAudioUnitScope_Global;
constexpr AudioUnitScope kIn = kAudioUnitScope_Input;
constexpr AudioUnitScope kOut = kAudioUnitScope_Output;
constexpr AudioUnitScope kGroup = kAudioUnitScope_Group;

constexpr OSStatus kInvalidProperty = kAudioUnitErr_InvalidProperty;
constexpr OSStatus kInvalidElement = kAudioUnitErr_InvalidElement;
constexpr OSStatus kInvalidParameter = kAudioUnitErr_InvalidParameter;
constexpr OSStatus kInvalidScope = kAudioUnitErr_InvalidScope;
constexpr OSStatus kInvalidValue = kAudioUnitErr_InvalidPropertyValue;
constexpr OSStatus kNotInUse = kAudioUnitErr_PropertyNotInUse;

} // namespace pw::test
