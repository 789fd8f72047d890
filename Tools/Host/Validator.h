#pragma once
// `pressweave-host validate`: checks a component bundle the way a platform
// validator checks an Audio Unit, in phases, each reported as PASS or FAIL
// with its reason:
//
//   open and close               cold open and close (load, first instance),
//                                warm open and close (more instances)
//   default formats              every bus's stream format
//   required properties          sizes and writability of what hosts read
//   parameters                   information records, value strings, names,
//                                set/get round trips, refusals
//   channel configurations       legal layouts work, illegal ones are refused
//   render slices                1, 64, 512 and the maximum frames; one more
//                                is refused
//   bypass                       the output is the input bit for bit
//   class-info state             save, restore into a fresh instance, damaged
//                                dictionaries refused with nothing changed
//   uninitialize and initialize  the unit works again afterwards
//   CoreFoundation objects       every object made is released again
//
// When the component cannot be opened the later phases fail as not run.
// Main thread; it loads the component itself (one component at a time per
// process).

#include "ComponentLoader.h"
#include "ValidationPhase.h"

#include <cstdio>
#include <string>
#include <vector>

namespace pw::host {

// Limits of the open and close times, seconds. Generous: they catch a unit
// that blocks, not a slow machine.
inline constexpr double kMaxColdOpenSeconds = 10.0;
inline constexpr double kMaxWarmOpenSeconds = 2.0;
inline constexpr double kMaxCloseSeconds = 2.0;
// Warm opens timed; the slowest counts.
inline constexpr int kWarmOpens = 3;

struct ValidationReport
{
  std::string componentName; // empty when the bundle could not be read
  std::vector<PhaseResult> phases;

  int FailedPhases() const noexcept;
};

// Validates the bundle at bundlePath. Prints a heading, then each phase's
// line as the phase ends, then a closing line, to out (null: prints
// nothing).
ValidationReport ValidateComponent(const std::string& bundlePath, const HostIdentity& host, std::FILE* out);

} // namespace pw::host
