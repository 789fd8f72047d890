#pragma once
// The host's command line:
//
//   pressweave-host info [BUNDLE] [--verbose]
//   pressweave-host validate [BUNDLE]
//   pressweave-host render [--in FILE] [--sidechain FILE] [--out FILE]
//                          [--midi FILE] [--length SECONDS]
//                          [--param NAME=VALUE]... [--block N] [--rate HZ]
//                          [--host BUNDLE_ID] [--bypass] [--bundle BUNDLE]
//                          [--state FILE] [--save-state FILE]
//                          [--outputs N] [--verbose]
//   pressweave-host editor [--png FILE] [--scale S] [--length SECONDS]
//                          [--script FILE] [--in FILE] [--sidechain FILE]
//                          [--param NAME=VALUE]... [--state FILE]
//                          [--block N] [--rate HZ] [--host BUNDLE_ID]
//                          [--bundle BUNDLE] [--verbose]
//   pressweave-host help
//
// Options also take the form --option=value. Parsing only checks the form;
// files and parameters are checked when they are used.

#include "HostStatus.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pw::host {

inline constexpr double kMaxLengthSeconds = 3600.0;
inline constexpr double kMidiTailSeconds = 1.0; // rendered past a MIDI file's end

enum class CommandKind
{
  Help,
  Info,
  Validate,
  Render,
  Editor
};

struct ParamArgument
{
  std::string name;
  std::string value; // as typed, in the parameter's display units
};

struct CommandLine
{
  CommandKind kind = CommandKind::Help;
  std::string bundlePath;    // empty: the Pressweave component of the build
  std::string inPath;        // empty: the built-in program and kick
  std::string sidechainPath;
  std::string outPath;       // empty: render for the summary only
  std::string midiPath;      // a Standard MIDI File played into the unit
  double lengthSeconds = 0;  // 0: the MIDI file's length plus kMidiTailSeconds (units without inputs)
  std::vector<ParamArgument> params;
  std::uint32_t blockSize = 512;
  int sampleRate = 0;        // 0: the input's rate, or 48000 for the built-in signal
  std::string hostBundleId = "com.pressweave.host";
  bool bypass = false;
  std::string statePath;     // a saved state restored before rendering
  std::string saveStatePath; // where the state after rendering is saved
  int outputChannels = 0;    // 0: as many as the main input has
  bool verbose = false;      // let the component's own output through
  // editor only
  std::string pngPath = "pressweave-editor.png";
  double backingScale = 1.0;  // the host window's pixels per point
  std::string scriptPath;     // timed interactions; empty: none
};

inline constexpr double kDefaultEditorSeconds = 2.0;
inline constexpr double kMinBackingScale = 1.0;
inline constexpr double kMaxBackingScale = 4.0;

inline constexpr int kDefaultSampleRate = 48000;
inline constexpr int kMinSampleRate = 1000;
inline constexpr int kMaxSampleRate = 768000;
inline constexpr std::uint32_t kMaxBlockSize = 65536;
inline constexpr int kMaxOutputChannels = 8;

// args are the arguments after the program name. out is left as it was on
// failure.
Status ParseCommandLine(const std::vector<std::string>& args, CommandLine& out);

// The usage text, ending in a newline.
const char* UsageText() noexcept;

} // namespace pw::host
