#pragma once
// One more instance of an open component for the validator: opened from the
// loaded executable with the component's standard output silenced (a
// component may print when it is built, and the validator builds dozens),
// disposed of when the holder ends. Main thread.

#include "ComponentLoader.h"
#include "HostStatus.h"
#include "ValidationPhase.h"

#include <AudioToolbox/AUComponent.h>

namespace pw::host {

// Sends standard output to /dev/null for its lifetime (flushing before and
// after), so that what the process prints meanwhile is dropped.
class QuietStandardOutput
{
public:
  QuietStandardOutput() noexcept;
  ~QuietStandardOutput();
  QuietStandardOutput(const QuietStandardOutput&) = delete;
  QuietStandardOutput& operator=(const QuietStandardOutput&) = delete;

private:
  int mSaved = -1;
};

class UnitInstance
{
public:
  UnitInstance() = default;
  ~UnitInstance() { Dispose(); }
  UnitInstance(const UnitInstance&) = delete;
  UnitInstance& operator=(const UnitInstance&) = delete;

  Status Open(const LoadedComponent& component);
  // The interface's Close status; 0 when nothing was open.
  OSStatus Dispose() noexcept;

  AudioUnit Unit() const noexcept { return mUnit; }

private:
  AudioUnit mUnit = nullptr;
};

// Opens instance on component for a phase; a failure goes to result as
// "cannot open an instance: <reason>". Answers whether it opened.
bool OpenInstance(const LoadedComponent& component, UnitInstance& instance, PhaseResult& result);

} // namespace pw::host
