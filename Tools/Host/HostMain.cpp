// pressweave-host: loads an Audio Unit component bundle and drives it as a
// host would. See CommandLine.h for the commands.

#include "CommandLine.h"
#include "HostCommands.h"

#include <atomic>
#include <climits>
#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::atomic<bool> sInterrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

extern "C" void OnInterrupt(int)
{
  sInterrupted.store(true);
}

// The Pressweave component of the build this host belongs to: found from
// the executable's own folder, so a moved build tree still works.
std::string DefaultBundlePath()
{
  char self[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0)
    return PW_HOST_DEFAULT_BUNDLE;
  std::string path(self, static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1) + PW_HOST_DEFAULT_BUNDLE_RELATIVE;
}

} // namespace

int main(int argc, char** argv)
{
  using namespace pw::host;
  const std::vector<std::string> args(argv + 1, argv + argc);
  CommandLine line;
  const Status parsed = ParseCommandLine(args, line);
  if (!parsed)
  {
    std::fprintf(stderr, "pressweave-host: %s (see 'pressweave-host help')\n", parsed.Message().c_str());
    return 2;
  }
  if (line.kind == CommandKind::Help)
  {
    std::fputs(UsageText(), stdout);
    return 0;
  }

  struct sigaction action{};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);

  CommandContext context;
  context.defaultBundlePath = DefaultBundlePath();
  context.out = stdout;
  context.progress = isatty(STDERR_FILENO) ? stderr : nullptr;
  context.cancel = &sInterrupted;
  Status status = Status::Ok();
  if (line.kind == CommandKind::Info)
    status = RunInfo(line, context);
  else if (line.kind == CommandKind::Validate)
    status = RunValidate(line, context);
  else if (line.kind == CommandKind::Editor)
    status = RunEditor(line, context);
  else
    status = RunRender(line, context);
  if (!status)
  {
    std::fflush(stdout);
    std::fprintf(stderr, "pressweave-host: %s\n", status.Message().c_str());
    return 1;
  }
  return 0;
}
