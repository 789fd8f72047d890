#pragma once
// The host's commands. Each loads the component bundle, works with it
// only through the Audio Unit calls and reports failure as a Status with a
// one-line message; a failed render leaves no output file behind.
//
// Main thread; one command at a time per process (the run loop's clock and
// the main bundle are process-wide).

#include "CommandLine.h"
#include "HostStatus.h"
#include "RenderSession.h"

#include <atomic>
#include <cstdio>
#include <string>

namespace pw::host {

struct CommandContext
{
  std::string defaultBundlePath;            // used when the command names no bundle
  std::FILE* out = stdout;                  // info and the render summary
  std::FILE* progress = nullptr;            // progress bar; null for none
  const std::atomic<bool>* cancel = nullptr; // set by a signal handler to stop a render
};

// Renders with a progress bar only from this length of audio on (seconds).
inline constexpr double kProgressMinSeconds = 10.0;

Status RunInfo(const CommandLine& line, const CommandContext& context);
Status RunRender(const CommandLine& line, const CommandContext& context);
// Opens the editor in a host window, renders line.lengthSeconds of audio
// with the script's steps and writes the window to line.pngPath; a failure
// leaves no picture behind.
Status RunEditor(const CommandLine& line, const CommandContext& context);
// Prints a line per validation phase; fails when any phase failed.
Status RunValidate(const CommandLine& line, const CommandContext& context);

// "-6.02" or "-inf" for a linear level.
std::string DecibelText(double linear);

} // namespace pw::host
