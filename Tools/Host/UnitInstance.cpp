#include "UnitInstance.h"

#include <AudioToolbox/PWShimAudioComponent.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace pw::host {

QuietStandardOutput::QuietStandardOutput() noexcept
{
  std::fflush(stdout);
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null < 0)
    return;
  mSaved = dup(STDOUT_FILENO);
  if (mSaved >= 0 && dup2(null, STDOUT_FILENO) < 0)
  {
    close(mSaved);
    mSaved = -1;
  }
  close(null);
}

QuietStandardOutput::~QuietStandardOutput()
{
  if (mSaved < 0)
    return;
  std::fflush(stdout);
  dup2(mSaved, STDOUT_FILENO);
  close(mSaved);
}

Status UnitInstance::Open(const LoadedComponent& component)
{
  Dispose();
  QuietStandardOutput quiet;
  return component.NewInstance(mUnit);
}

OSStatus UnitInstance::Dispose() noexcept
{
  if (!mUnit)
    return noErr;
  const OSStatus status = PWShimAudioComponentInstanceDispose(mUnit);
  mUnit = nullptr;
  return status;
}

bool OpenInstance(const LoadedComponent& component, UnitInstance& instance, PhaseResult& result)
{
  const Status opened = instance.Open(component);
  if (!opened)
    result.Fail("cannot open an instance: " + opened.Message());
  return static_cast<bool>(opened);
}

} // namespace pw::host
