#pragma once
// The phases of `pressweave-host validate` after the component is open.
// Each opens fresh instances of the component (UnitInstance), so a phase
// that fails leaves nothing behind for the next, and disposes of them
// before it returns. A phase whose property the unit does not answer fails
// and says which property; nothing is skipped. Main thread.

#include "ComponentLoader.h"
#include "ValidationPhase.h"

#include <AudioToolbox/AUComponent.h>

namespace pw::host {

// Slices of up to this many frames in the render phases (a common host
// maximum, so the slices 1, 64 and 512 all lie below it).
inline constexpr UInt32 kValidationMaxFrames = 4096;

// The stream format of every bus before anything is negotiated.
PhaseResult ValidateDefaultFormats(const LoadedComponent& component);
// The properties every host reads, with their sizes and writability.
PhaseResult ValidateRequiredProperties(const LoadedComponent& component);
// Every parameter's information record, value strings, names and set/get
// round trips.
PhaseResult ValidateParameters(const LoadedComponent& component);
// Every legal layout initialises and renders; every illegal one is refused.
PhaseResult ValidateChannelConfigurations(const LoadedComponent& component);
// Slices of 1, 64, 512 and the maximum frames render; one frame more is
// refused.
PhaseResult ValidateRenderSlices(const LoadedComponent& component);
// Bypassed, the output is the main input bit for bit.
PhaseResult ValidateBypass(const LoadedComponent& component);
// The class-info state restores into a fresh instance; damaged
// dictionaries are refused with nothing changed.
PhaseResult ValidateClassInfo(const LoadedComponent& component);
// Uninitialize and Initialize again, also with a smaller maximum slice.
PhaseResult ValidateReinitialization(const LoadedComponent& component);
// A render before Initialize and after Uninitialize answers -10867 and pulls
// nothing.
PhaseResult ValidateUninitializedRender(const LoadedComponent& component);
// Each SupportedNumChannels pair is listed once, and set on the main input
// and the output it initialises and renders.
PhaseResult ValidateChannelPairs(const LoadedComponent& component);
// A failing input is answered by the render, kept by LastRenderError (and
// its listeners told) until read.
PhaseResult ValidateLastRenderError(const LoadedComponent& component);
// Slice lengths at sample rates from 11025 to 192000 Hz, odd ones included,
// render finite audio without subnormals.
PhaseResult ValidateRenderMatrix(const LoadedComponent& component);
// Eight slices of 64 frames give the same audio as one slice of 512.
PhaseResult ValidateSlicing(const LoadedComponent& component);

} // namespace pw::host
