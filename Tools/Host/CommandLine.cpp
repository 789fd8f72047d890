#include "CommandLine.h"

#include <cerrno>
#include <cstdlib>

namespace pw::host {

namespace {

// A whole decimal number in [lowest, highest].
bool ParseWholeNumber(const std::string& text, long long lowest, long long highest, long long& out) noexcept
{
  if (text.empty() || text.size() > 18)
    return false;
  for (char c : text)
    if (c < '0' || c > '9')
      return false;
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (value < lowest || value > highest)
    return false;
  out = value;
  return true;
}

class ArgumentReader
{
public:
  explicit ArgumentReader(const std::vector<std::string>& args) noexcept
  : mArgs(args)
  {}

  bool Done() const noexcept { return mNext >= mArgs.size(); }
  const std::string& Take() { return mArgs[mNext++]; }

  // The value of option name: the text after '=' when the argument had
  // one, else the next argument.
  Status Value(const std::string& name, const std::string* inlineValue, std::string& out)
  {
    if (inlineValue)
    {
      out = *inlineValue;
      return Status::Ok();
    }
    if (Done())
      return Status::Error(name + " needs a value");
    out = Take();
    return Status::Ok();
  }

private:
  const std::vector<std::string>& mArgs;
  std::size_t mNext = 0;
};

// A length in seconds above 0 and at most kMaxLengthSeconds, given once.
Status ParseLength(const std::string& text, double& seconds)
{
  if (seconds != 0)
    return Status::Error("--length given twice");
  char* end = nullptr;
  const double value = text.empty() || text[0] == '-' ? 0.0 : std::strtod(text.c_str(), &end);
  if (!end || *end != '\0' || !(value > 0.0 && value <= kMaxLengthSeconds))
    return Status::Error("--length needs a number of seconds above 0 and up to " +
                         std::to_string(static_cast<int>(kMaxLengthSeconds)) + ", got '" + Excerpt(text) + "'");
  seconds = value;
  return Status::Ok();
}

Status SetOnce(const std::string& option, const std::string& value, std::string& field)
{
  if (!field.empty())
    return Status::Error(option + " given twice");
  if (value.empty())
    return Status::Error(option + " needs a value");
  field = value;
  return Status::Ok();
}

// A backing scale from kMinBackingScale to kMaxBackingScale, given once.
Status ParseScale(const std::string& text, bool& given, double& scale)
{
  if (given)
    return Status::Error("--scale given twice");
  char* end = nullptr;
  const double value = text.empty() ? 0.0 : std::strtod(text.c_str(), &end);
  if (!end || *end != '\0' || !(value >= kMinBackingScale && value <= kMaxBackingScale))
    return Status::Error("--scale needs a backing scale from 1 to 4, got '" + Excerpt(text) + "'");
  scale = value;
  given = true;
  return Status::Ok();
}

bool IsRenderOnly(const std::string& name)
{
  return name == "--out" || name == "--midi" || name == "--save-state" || name == "--bypass" || name == "--outputs";
}

// The options of render, or with editor those of the editor command.
Status ParseRenderOptions(ArgumentReader& reader, CommandLine& line, bool editor)
{
  bool blockGiven = false;
  bool hostGiven = false;
  bool pngGiven = false;
  bool scaleGiven = false;
  while (!reader.Done())
  {
    const std::string arg = reader.Take();
    if (arg.size() < 3 || arg.compare(0, 2, "--") != 0)
      return Status::Error("unexpected argument '" + Excerpt(arg) + "'");
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const std::string inlineText = equals == std::string::npos ? std::string() : arg.substr(equals + 1);
    const std::string* inlineValue = equals == std::string::npos ? nullptr : &inlineText;
    if (editor && IsRenderOnly(name))
      return Status::Error("'" + Excerpt(name) + "' is not an option of editor");
    if (editor && (name == "--png" || name == "--scale" || name == "--script"))
    {
      std::string value;
      Status status = reader.Value(name, inlineValue, value);
      if (status && name == "--png")
      {
        status = pngGiven ? Status::Error("--png given twice")
                          : value.empty() ? Status::Error("--png needs a value") : Status::Ok();
        line.pngPath = value;
        pngGiven = true;
      }
      else if (status && name == "--scale")
        status = ParseScale(value, scaleGiven, line.backingScale);
      else if (status)
        status = SetOnce(name, value, line.scriptPath);
      if (!status)
        return status;
      continue;
    }
    if (name == "--midi" || name == "--length")
    {
      std::string value;
      Status status = reader.Value(name, inlineValue, value);
      if (status)
        status = name == "--midi" ? SetOnce(name, value, line.midiPath) : ParseLength(value, line.lengthSeconds);
      if (!status)
        return status;
      continue;
    }

    if (name == "--bypass" || name == "--verbose")
    {
      if (inlineValue)
        return Status::Error(name + " takes no value");
      (name == "--bypass" ? line.bypass : line.verbose) = true;
      continue;
    }
    std::string value;
    if (name != "--in" && name != "--sidechain" && name != "--out" && name != "--param" && name != "--block" &&
        name != "--rate" && name != "--host" && name != "--bundle" && name != "--state" && name != "--save-state" &&
        name != "--outputs")
      return Status::Error("unknown option '" + Excerpt(name) + "'");
    Status status = reader.Value(name, inlineValue, value);
    if (!status)
      return status;

    if (name == "--in")
      status = SetOnce(name, value, line.inPath);
    else if (name == "--sidechain")
      status = SetOnce(name, value, line.sidechainPath);
    else if (name == "--out")
      status = SetOnce(name, value, line.outPath);
    else if (name == "--bundle")
      status = SetOnce(name, value, line.bundlePath);
    else if (name == "--state")
      status = SetOnce(name, value, line.statePath);
    else if (name == "--save-state")
      status = SetOnce(name, value, line.saveStatePath);
    else if (name == "--param")
    {
      const std::size_t split = value.find('=');
      if (split == std::string::npos || split == 0 || split + 1 == value.size())
        return Status::Error("--param needs NAME=VALUE, got '" + Excerpt(value) + "'");
      line.params.push_back({value.substr(0, split), value.substr(split + 1)});
    }
    else if (name == "--block")
    {
      long long n = 0;
      if (blockGiven)
        return Status::Error("--block given twice");
      if (!ParseWholeNumber(value, 1, kMaxBlockSize, n))
        return Status::Error("--block needs a whole number of frames from 1 to " + std::to_string(kMaxBlockSize) +
                             ", got '" + Excerpt(value) + "'");
      line.blockSize = static_cast<std::uint32_t>(n);
      blockGiven = true;
    }
    else if (name == "--rate")
    {
      long long hz = 0;
      if (line.sampleRate != 0)
        return Status::Error("--rate given twice");
      if (!ParseWholeNumber(value, kMinSampleRate, kMaxSampleRate, hz))
        return Status::Error("--rate needs a whole number of Hz from " + std::to_string(kMinSampleRate) + " to " +
                             std::to_string(kMaxSampleRate) + ", got '" + Excerpt(value) + "'");
      line.sampleRate = static_cast<int>(hz);
    }
    else if (name == "--outputs")
    {
      long long n = 0;
      if (line.outputChannels != 0)
        return Status::Error("--outputs given twice");
      if (!ParseWholeNumber(value, 1, kMaxOutputChannels, n))
        return Status::Error("--outputs needs a whole number of channels from 1 to " +
                             std::to_string(kMaxOutputChannels) + ", got '" + Excerpt(value) + "'");
      line.outputChannels = static_cast<int>(n);
    }
    else if (name == "--host")
    {
      if (hostGiven)
        return Status::Error("--host given twice");
      if (value.empty())
        return Status::Error("--host needs a bundle identifier");
      line.hostBundleId = value;
      hostGiven = true;
    }
    if (!status)
      return status;
  }
  // Both would be renamed into place: the state would replace the audio.
  if (!line.saveStatePath.empty() && line.saveStatePath == line.outPath)
    return Status::Error("--save-state and --out name the same file");
  return Status::Ok();
}

// [BUNDLE] or --bundle BUNDLE, at most once; --verbose where it is taken.
Status ParseBundleArgument(ArgumentReader& reader, CommandLine& line, bool takesVerbose)
{
  while (!reader.Done())
  {
    const std::string arg = reader.Take();
    std::string value;
    if (takesVerbose && arg == "--verbose")
      line.verbose = true;
    else if (arg == "--bundle" || arg.compare(0, 9, "--bundle=") == 0)
    {
      const bool hasInline = arg.size() > 8;
      const std::string inlineText = hasInline ? arg.substr(9) : std::string();
      Status status = reader.Value("--bundle", hasInline ? &inlineText : nullptr, value);
      if (status)
        status = SetOnce("the bundle", value, line.bundlePath);
      if (!status)
        return status;
    }
    else if (arg.compare(0, 1, "-") == 0)
      return Status::Error("unknown option '" + Excerpt(arg) + "'");
    else
    {
      Status status = SetOnce("the bundle", arg, line.bundlePath);
      if (!status)
        return status;
    }
  }
  return Status::Ok();
}

} // namespace

Status ParseCommandLine(const std::vector<std::string>& args, CommandLine& out)
{
  if (args.empty())
    return Status::Error("no command given");
  CommandLine line;
  ArgumentReader reader(args);
  const std::string command = reader.Take();
  if (command == "help" || command == "--help" || command == "-h")
  {
    if (!reader.Done())
      return Status::Error("help takes no arguments");
    line.kind = CommandKind::Help;
  }
  else if (command == "info" || command == "validate")
  {
    line.kind = command == "info" ? CommandKind::Info : CommandKind::Validate;
    Status status = ParseBundleArgument(reader, line, line.kind == CommandKind::Info);
    if (!status)
      return status;
  }
  else if (command == "render" || command == "editor")
  {
    const bool editor = command == "editor";
    line.kind = editor ? CommandKind::Editor : CommandKind::Render;
    Status status = ParseRenderOptions(reader, line, editor);
    if (!status)
      return status;
    if (editor && line.lengthSeconds == 0)
      line.lengthSeconds = kDefaultEditorSeconds;
  }
  else
    return Status::Error("unknown command '" + Excerpt(command) + "'");
  out = std::move(line);
  return Status::Ok();
}

const char* UsageText() noexcept
{
  return "usage: pressweave-host <command> [options]\n"
         "\n"
         "  info [BUNDLE] [--verbose]\n"
         "                      the component's identity, buses, channel configurations\n"
         "                      and parameters (--verbose: and its own output)\n"
         "  validate [BUNDLE]   check the component as a host would, phase by phase;\n"
         "                      exits with 1 when any phase fails\n"
         "  render [options]    render audio through the component\n"
         "    --in FILE           main input (WAV, AIFF, FLAC); without it a built-in\n"
         "                        program with a kick on the sidechain is rendered\n"
         "    --sidechain FILE    sidechain input\n"
         "    --midi FILE         play a Standard MIDI File (format 0 or 1) into the\n"
         "                        component\n"
         "    --length SECONDS    how long to render a component without inputs\n"
         "                        (default: the MIDI file's length plus 1 s)\n"
         "    --out FILE          output file, format from the extension (.wav float,\n"
         "                        .aiff float, .flac 24-bit); without it only the\n"
         "                        summary is printed\n"
         "    --param NAME=VALUE  set a parameter (repeatable): a number in the units\n"
         "                        'info' shows, the unit after it optional\n"
         "                        (\"Threshold=-24 dB\" or Threshold=-24), or one of\n"
         "                        its value names (\"Sidechain Mode=Compressor\"),\n"
         "                        blanks around it ignored. A number equal to a\n"
         "                        value name is that name (3, 3.0 and 03 are the\n"
         "                        name \"3\"); any other number is the value as a\n"
         "                        host sends it, the first name 0, the component\n"
         "                        rounding (\"Sidechain Mode=1.5\" is Combined)\n"
         "    --block N           frames per render slice (default 512)\n"
         "    --rate HZ           sample rate of the built-in signal (default 48000);\n"
         "                        must match the input file's rate when given with --in\n"
         "    --host BUNDLE_ID    the host identity the component sees\n"
         "                        (default com.pressweave.host)\n"
         "    --bypass            render with the effect bypassed\n"
         "    --bundle BUNDLE     the component bundle to load\n"
         "    --state FILE        restore a state saved with --save-state before\n"
         "                        rendering (--param values apply over it)\n"
         "    --save-state FILE   save the component's state after rendering\n"
         "                        (a property list)\n"
         "    --outputs N         output channels (default: the main input's); a mono\n"
         "                        input into --outputs 2 is a mono track with a\n"
         "                        stereo insert\n"
         "    --verbose           let the component's own diagnostic output through\n"
         "  editor [options]    open the component's editor in a host window, play\n"
         "                      audio through it and write the window as a PNG\n"
         "    --png FILE          the picture (default pressweave-editor.png)\n"
         "    --scale S           the window's backing scale, 1 to 4 (default 1)\n"
         "    --length SECONDS    how long the editor runs (default 2)\n"
         "    --script FILE       timed interactions, one a line, MS from the start:\n"
         "                          MS click X Y | MS drag X0 Y0 X1 Y1 |\n"
         "                          MS wheel X Y DELTA | MS key CHAR or NAME |\n"
         "                          MS param NAME=VALUE   (X, Y in editor points)\n"
         "    --in, --sidechain, --param, --state, --block, --rate, --host,\n"
         "    --bundle, --verbose   as for render\n"
         "  help                this text\n"
         "\n"
         "BUNDLE defaults to the Pressweave.component of the build.\n";
}

} // namespace pw::host
