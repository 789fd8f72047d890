#include "HostCommands.h"

#include "AudioFile.h"
#include "ClassInfoState.h"
#include "ComponentLoader.h"
#include "DefaultSignal.h"
#include "EditorScript.h"
#include "HostEditor.h"
#include "NoInputSource.h"
#include "Parameters.h"
#include "ProgressBar.h"
#include "StateFile.h"
#include "UnitInstance.h"
#include "Validator.h"

#include <AudioToolbox/AudioUnitProperties.h>
#include <CoreFoundation/CFString.h>
#include <CoreFoundation/PWShimRunLoop.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace pw::host {

namespace {

std::string VersionText(std::uint32_t packed)
{
  return std::to_string(packed >> 16) + "." + std::to_string((packed >> 8) & 0xFF) + "." +
         std::to_string(packed & 0xFF);
}

std::string NumberText(double value)
{
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

// The user's text (a file name) as the host prints it: control bytes
// escaped, so that it cannot break a line or drive the terminal.
std::string Printable(const std::string& text)
{
  return Status::EscapeControlBytes(text);
}

const std::string& BundleOf(const CommandLine& line, const CommandContext& context)
{
  return line.bundlePath.empty() ? context.defaultBundlePath : line.bundlePath;
}

// The virtual clock runs from before the component is opened, so the timers
// it creates are scheduled on it.
class VirtualClockOn
{
public:
  VirtualClockOn() noexcept
  : mWasOn(PWShimRunLoopIsVirtualClock())
  {
    PWShimRunLoopSetVirtualClock(true);
  }
  ~VirtualClockOn()
  {
    if (!mWasOn)
      PWShimRunLoopSetVirtualClock(false);
  }
  VirtualClockOn(const VirtualClockOn&) = delete;
  VirtualClockOn& operator=(const VirtualClockOn&) = delete;

private:
  bool mWasOn;
};

UInt32 ElementCount(AudioUnit unit, AudioUnitScope scope)
{
  UInt32 count = 0;
  UInt32 size = sizeof count;
  if (AudioUnitGetProperty(unit, kAudioUnitProperty_ElementCount, scope, 0, &count, &size) != noErr)
    return 0;
  return count;
}

// ---- info --------------------------------------------------------------------

std::string BusName(AudioUnit unit, AudioUnitScope scope, UInt32 element)
{
  CFStringRef name = nullptr;
  UInt32 size = sizeof name;
  if (AudioUnitGetProperty(unit, kAudioUnitProperty_ElementName, scope, element, &name, &size) != noErr || !name)
    return "(unnamed)";
  std::string text = "(unnamed)";
  if (CFGetTypeID(name) == CFStringGetTypeID())
  {
    std::vector<char> buffer(
      static_cast<std::size_t>(CFStringGetMaximumSizeForEncoding(CFStringGetLength(name), kCFStringEncodingUTF8)) +
      1);
    if (CFStringGetCString(name, buffer.data(), static_cast<CFIndex>(buffer.size()), kCFStringEncodingUTF8) &&
        buffer[0] != '\0')
      text = buffer.data();
  }
  CFRelease(name);
  return text;
}

void PrintBuses(AudioUnit unit, std::FILE* out)
{
  std::fprintf(out, "buses\n");
  const struct
  {
    AudioUnitScope scope;
    const char* label;
  } directions[] = {{kAudioUnitScope_Input, "input"}, {kAudioUnitScope_Output, "output"}};
  for (const auto& direction : directions)
  {
    const UInt32 count = ElementCount(unit, direction.scope);
    if (count == 0)
      std::fprintf(out, "  no %s bus\n", direction.label);
    for (UInt32 e = 0; e < count; ++e)
    {
      AudioStreamBasicDescription asbd{};
      UInt32 size = sizeof asbd;
      const bool known =
        AudioUnitGetProperty(unit, kAudioUnitProperty_StreamFormat, direction.scope, e, &asbd, &size) == noErr;
      const std::string label = std::string(direction.label) + " " + std::to_string(e);
      std::fprintf(out, "  %-10s %s, %s\n", label.c_str(), BusName(unit, direction.scope, e).c_str(),
                   known ? (std::to_string(asbd.mChannelsPerFrame) + " channels").c_str() : "format unknown");
    }
  }
}

void PrintChannelConfigurations(AudioUnit unit, std::FILE* out)
{
  UInt32 size = 0;
  Boolean writable = false;
  std::vector<AUChannelInfo> pairs;
  if (AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, 0, &size,
                               &writable) == noErr &&
      size >= sizeof(AUChannelInfo))
  {
    pairs.resize(size / sizeof(AUChannelInfo));
    size = static_cast<UInt32>(pairs.size() * sizeof(AUChannelInfo));
    if (AudioUnitGetProperty(unit, kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, 0, pairs.data(),
                             &size) != noErr)
      pairs.clear();
    pairs.resize(std::min<std::size_t>(pairs.size(), size / sizeof(AUChannelInfo)));
  }
  std::fprintf(out, "channel configurations (main input-main output)\n ");
  if (pairs.empty())
    std::fprintf(out, " not reported");
  for (const AUChannelInfo& pair : pairs)
  {
    const auto count = [](SInt16 n) { return n < 0 ? std::string("any") : std::to_string(n); };
    std::fprintf(out, " %s-%s", count(pair.inChannels).c_str(), count(pair.outChannels).c_str());
  }
  std::fprintf(out, "\n");
}

void PrintTimes(AudioUnit unit, std::FILE* out)
{
  const auto seconds = [unit](AudioUnitPropertyID id) {
    Float64 value = 0.0;
    UInt32 size = sizeof value;
    if (AudioUnitGetProperty(unit, id, kAudioUnitScope_Global, 0, &value, &size) != noErr)
      return std::string("unknown");
    if (std::isinf(value))
      return std::string("infinite");
    return NumberText(value * 1000.0) + " ms";
  };
  std::fprintf(out, "latency %s, tail %s\n", seconds(kAudioUnitProperty_Latency).c_str(),
               seconds(kAudioUnitProperty_TailTime).c_str());
}

void PrintParameters(AudioUnit unit, std::FILE* out)
{
  std::vector<ParameterDescription> parameters;
  const Status listed = ListParameters(unit, parameters);
  if (!listed)
  {
    std::fprintf(out, "parameters: not described (%s)\n", listed.Message().c_str());
    return;
  }
  std::fprintf(out, "parameters (%zu)\n", parameters.size());
  for (const ParameterDescription& p : parameters)
  {
    const std::string unitText = UnitSuffix(p);
    const std::string suffix = unitText.empty() ? std::string() : " " + unitText;
    std::string values;
    std::string defaultText = NumberText(p.defaultValue) + suffix;
    if (!p.valueStrings.empty())
    {
      for (std::size_t i = 0; i < p.valueStrings.size(); ++i)
        values += (i ? " | " : "") + p.valueStrings[i];
      const auto index = static_cast<std::size_t>(std::lround(p.defaultValue));
      if (index < p.valueStrings.size())
        defaultText = p.valueStrings[index];
    }
    else
      values = NumberText(p.minValue) + " to " + NumberText(p.maxValue) + suffix;
    std::fprintf(out, "  %3u  %-20s %s (default %s)\n", static_cast<unsigned>(p.id), p.name.c_str(), values.c_str(),
                 defaultText.c_str());
  }
}

// ---- render ------------------------------------------------------------------

void PrintLevels(std::FILE* out, const char* bus, const BusLevels& levels, const std::string& source)
{
  std::fprintf(out, "  %-13s %8d %10s %10s  %s\n", bus, levels.channels, DecibelText(levels.peak).c_str(),
               DecibelText(levels.Rms()).c_str(), source.c_str());
}

// The component's name, then each step in the order it happened: the state
// restored, the render with its levels, the audio written (the state saved
// after it is the caller's line).
void PrintSummary(std::FILE* out, const BundleInfo& info, const SessionSettings& settings,
                  const RenderSummary& summary, const std::string& mainSource, const std::string& sidechainSource,
                  const std::string& statePath, const std::string& outPath)
{
  std::fprintf(out, "%s %s%s\n", info.name.c_str(), VersionText(info.version).c_str(),
               settings.bypass ? " (bypassed)" : "");
  if (!statePath.empty())
    std::fprintf(out, "restored state from %s\n", Printable(statePath).c_str());
  const double speed = summary.SpeedFactor();
  char speedText[48] = "too fast to time";
  if (speed > 0.0)
    std::snprintf(speedText, sizeof speedText, "%.1fx real time", speed);
  std::fprintf(out, "rendered %.3f s (%lld frames at %s Hz, slices of %u) in %.3f s: %s\n", summary.AudioSeconds(),
               static_cast<long long>(summary.frames), NumberText(summary.sampleRate).c_str(),
               static_cast<unsigned>(settings.blockSize), summary.wallSeconds, speedText);
  std::fprintf(out, "  %-13s %8s %10s %10s  %s\n", "bus", "channels", "peak dBFS", "RMS dBFS", "signal");
  if (summary.main.channels > 0)
    PrintLevels(out, "main in", summary.main, Printable(mainSource));
  else
    std::fprintf(out, "  %-13s %8s\n", "main in", "-");
  if (summary.sidechain.channels > 0)
    PrintLevels(out, "sidechain in", summary.sidechain, Printable(sidechainSource));
  else
    std::fprintf(out, "  %-13s %8s\n", "sidechain in", "-");
  PrintLevels(out, "output", summary.output, outPath.empty() ? "(not written)" : Printable(outPath));
  if (!outPath.empty())
    std::fprintf(out, "wrote %s\n", Printable(outPath).c_str());
}

// Opens the component for a render or editor run. Only the run's summary
// reaches the terminal: what the component prints (its channel I/O report on
// every instance) shows only with --verbose.
Status OpenQuietly(const CommandLine& line, const CommandContext& context,
                   std::unique_ptr<QuietStandardOutput>& quiet, LoadedComponent& component)
{
  if (!line.verbose)
    quiet = std::make_unique<QuietStandardOutput>();
  return component.Open(BundleOf(line, context), HostIdentity{line.hostBundleId, "1.0.0"});
}

Status OpenInputs(const CommandLine& line, int& sampleRate, std::unique_ptr<SignalSource>& main,
                  std::unique_ptr<SignalSource>& sidechain, bool& builtInKick)
{
  builtInKick = false;
  if (!line.inPath.empty())
  {
    std::unique_ptr<AudioFileReader> reader;
    Status status = AudioFileReader::Open(line.inPath, reader);
    if (!status)
      return status;
    const int fileRate = static_cast<int>(reader->SampleRate());
    if (line.sampleRate != 0 && line.sampleRate != fileRate)
      return Status::Error("'" + line.inPath + "' is at " + std::to_string(fileRate) + " Hz, not the " +
                           std::to_string(line.sampleRate) + " Hz of --rate");
    sampleRate = fileRate;
    main = std::move(reader);
  }
  else
  {
    sampleRate = line.sampleRate != 0 ? line.sampleRate : kDefaultSampleRate;
    main = std::make_unique<DefaultProgramSignal>(sampleRate);
  }

  if (!line.sidechainPath.empty())
  {
    std::unique_ptr<AudioFileReader> reader;
    Status status = AudioFileReader::Open(line.sidechainPath, reader);
    if (!status)
      return status;
    if (static_cast<int>(reader->SampleRate()) != sampleRate)
      return Status::Error("'" + line.sidechainPath + "' is at " + std::to_string(static_cast<int>(reader->SampleRate())) +
                           " Hz, the main input at " + std::to_string(sampleRate) + " Hz");
    sidechain = std::move(reader);
  }
  else if (line.inPath.empty())
  {
    sidechain = std::make_unique<DefaultKickSignal>(sampleRate);
    builtInKick = true;
  }
  return Status::Ok();
}

Status ResolveParameters(AudioUnit unit, const std::vector<ParamArgument>& arguments,
                         std::vector<ParameterSetting>& settings)
{
  settings.clear();
  if (arguments.empty())
    return Status::Ok();
  std::vector<ParameterDescription> parameters;
  const Status listed = ListParameters(unit, parameters);
  if (!listed)
    return Status::Error("unknown parameter '" + Excerpt(arguments.front().name) + "': " + listed.Message());
  for (const ParamArgument& argument : arguments)
  {
    ParameterSetting setting;
    Status status = ResolveParameter(parameters, argument.name, argument.value, setting);
    if (!status)
      return status;
    settings.push_back(setting);
  }
  return Status::Ok();
}

// Another source cut or padded with silence to a number of frames.
class FixedLengthSource : public SignalSource
{
public:
  FixedLengthSource(std::unique_ptr<SignalSource> inner, std::int64_t frames)
  : mInner(std::move(inner))
  , mFrames(frames)
  {}
  int Channels() const noexcept override { return mInner->Channels(); }
  double SampleRate() const noexcept override { return mInner->SampleRate(); }
  std::int64_t Frames() const noexcept override { return mFrames; }
  long Read(float* const* channels, long frames) override
  {
    const long wanted = static_cast<long>(std::min<std::int64_t>(frames, mFrames - mRead));
    long got = mInnerDone ? 0 : mInner->Read(channels, wanted);
    if (got < 0)
      return -1;
    mInnerDone = mInnerDone || got < wanted;
    for (int c = 0; c < Channels(); ++c)
      std::fill(channels[c] + got, channels[c] + wanted, 0.0f);
    mRead += wanted;
    return wanted;
  }
  std::string Describe() const override { return mInner->Describe(); }

private:
  std::unique_ptr<SignalSource> mInner;
  std::int64_t mFrames;
  std::int64_t mRead = 0;
  bool mInnerDone = false;
};

// The script's parameter steps resolved against the unit: a bad name or
// value fails as the script's line.
Status ResolveScriptParameters(AudioUnit unit, const std::string& scriptPath, const std::vector<ScriptStep>& steps,
                               std::vector<ParameterSetting>& settings)
{
  std::vector<ParameterDescription> parameters;
  settings.assign(steps.size(), ParameterSetting{});
  bool listed = false;
  for (std::size_t i = 0; i < steps.size(); ++i)
  {
    if (steps[i].action != ScriptAction::Param)
      continue;
    Status status = listed ? Status::Ok() : ListParameters(unit, parameters);
    listed = true;
    if (status)
      status = ResolveParameter(parameters, steps[i].text, steps[i].value, settings[i]);
    if (!status)
      return Status::Error("'" + scriptPath + "' line " + std::to_string(steps[i].line) + ": " + status.Message());
  }
  return Status::Ok();
}

} // namespace

std::string DecibelText(double linear)
{
  if (!(linear > 0.0))
    return "-inf";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", 20.0 * std::log10(linear));
  return text;
}

Status RunInfo(const CommandLine& line, const CommandContext& context)
{
  std::unique_ptr<QuietStandardOutput> quiet; // outlives the component, so its closing is quiet too
  LoadedComponent component;
  Status status = OpenQuietly(line, context, quiet, component);
  if (!status)
    return status;
  // The report is written once the component is closed and standard
  // output is back.
  char* report = nullptr;
  std::size_t reportSize = 0;
  std::FILE* out = open_memstream(&report, &reportSize);
  if (!out)
    return Status::Error("cannot make the report: out of memory");
  const BundleInfo& info = component.Info();
  std::fprintf(out, "%s\n", info.name.c_str());
  std::fprintf(out, "  bundle        %s\n", Printable(component.BundlePath()).c_str());
  std::fprintf(out, "  identifier    %s\n", info.identifier.c_str());
  std::fprintf(out, "  version       %s (bundle %s)\n", VersionText(info.version).c_str(), info.bundleVersion.c_str());
  std::fprintf(out, "  component     type %s, subtype %s, manufacturer %s\n", FourCharCodeText(info.type).c_str(),
               FourCharCodeText(info.subtype).c_str(), FourCharCodeText(info.manufacturer).c_str());
  std::fprintf(out, "  factory       %s\n", info.factoryFunction.c_str());
  std::fprintf(out, "  MIDI input    %s\n", component.TakesMidi() ? "yes" : "no");
  PrintBuses(component.Unit(), out);
  PrintChannelConfigurations(component.Unit(), out);
  PrintTimes(component.Unit(), out);
  PrintParameters(component.Unit(), out);
  const bool written = std::fclose(out) == 0;
  const std::string text(report ? report : "", report ? reportSize : 0);
  std::free(report);
  component.Close();
  quiet.reset();
  if (!written)
    return Status::Error("cannot make the report: out of memory");
  std::fputs(text.c_str(), context.out);
  return Status::Ok();
}

Status RunRender(const CommandLine& line, const CommandContext& context)
{
  if (!line.outPath.empty())
  {
    int format = 0;
    Status status = AudioFileWriter::FormatForPath(line.outPath, format);
    if (!status)
      return status;
  }
  // A state file is read, and the place to save one checked, before
  // anything else: a bad one stops the command before it renders.
  ComponentState restoredState;
  if (!line.statePath.empty())
  {
    Status status = ReadStateFile(line.statePath, restoredState);
    if (!status)
      return status;
  }
  if (!line.saveStatePath.empty())
  {
    Status status = CheckStateDestination(line.saveStatePath);
    if (!status)
      return status;
  }
  int sampleRate = 0;
  std::unique_ptr<SignalSource> main;
  std::unique_ptr<SignalSource> sidechain;
  bool builtInKick = false;
  Status status = OpenInputs(line, sampleRate, main, sidechain, builtInKick);
  if (!status)
    return status;
  MidiSequence midi;
  if (!line.midiPath.empty() && !(status = ReadMidiFile(line.midiPath, sampleRate, midi)))
    return status;

  VirtualClockOn virtualClock;
  std::unique_ptr<QuietStandardOutput> quiet; // outlives the component, so its closing is quiet too
  LoadedComponent component;
  if (!(status = OpenQuietly(line, context, quiet, component)))
    return status;
  const AudioUnit unit = component.Unit();
  // The built-in kick goes only to a component that has a sidechain bus.
  if (builtInKick && ElementCount(unit, kAudioUnitScope_Input) < 2)
    sidechain.reset();
  int ownOutputs = 0;
  if (!(status = PrepareInputs(line, unit, ElementCount(unit, kAudioUnitScope_Input) > 0, sampleRate, midi, main,
                               sidechain, ownOutputs)))
    return status;

  std::vector<ParameterSetting> parameters;
  if (!(status = ResolveParameters(unit, line.params, parameters)))
    return status;

  SessionSettings settings;
  settings.sampleRate = sampleRate;
  settings.blockSize = line.blockSize;
  settings.mainChannels = main->Channels();
  settings.sidechainChannels = sidechain ? sidechain->Channels() : 0;
  settings.outputChannels = line.outputChannels != 0 ? line.outputChannels : main->Channels();
  settings.bypass = line.bypass;
  if (ownOutputs > 0)
    settings.outputChannels = ownOutputs;

  std::unique_ptr<AudioFileWriter> writer;
  if (!line.outPath.empty() &&
      !(status = AudioFileWriter::Create(line.outPath, settings.outputChannels, sampleRate, writer)))
    return status;

  RenderSummary summary;
  {
    RenderSession session(unit);
    if (!(status = session.Configure(settings)))
      return status;
    // The saved state first, so that --param values apply over it.
    if (!line.statePath.empty() &&
        !(status = RestoreUnitState(unit, component.Info(), restoredState, "'" + line.statePath + "'")))
      return status;
    if (!(status = session.ApplyParameters(parameters)))
      return status;
    std::size_t nextMidi = 0;
    if (!line.midiPath.empty())
      session.SetBeforeSlice([&](std::int64_t start, UInt32 frames) {
        return SendMidiForSlice(unit, midi, nextMidi, start, frames);
      });
    const bool longRender = static_cast<double>(main->Frames()) >= kProgressMinSeconds * sampleRate;
    ProgressBar bar(longRender ? context.progress : nullptr);
    status = session.Render(*main, sidechain.get(), writer.get(), summary,
                            [&bar](std::int64_t done, std::int64_t total) { bar.Update(done, total); },
                            context.cancel);
    bar.Finish();
    if (!status)
      return status;
  }
  // The state is written in full before the audio is committed, and
  // renamed into place after it: a failure leaves neither file behind.
  std::unique_ptr<PendingStateFile> stateFile;
  if (!line.saveStatePath.empty())
  {
    ComponentState saved;
    if (!(status = SaveUnitState(unit, saved)) ||
        !(status = PendingStateFile::Create(line.saveStatePath, saved, stateFile)))
      return status;
  }
  if (writer && !(status = writer->Commit()))
    return status;
  if (stateFile && !(status = stateFile->Commit()))
    return status;
  quiet.reset();
  PrintSummary(context.out, component.Info(), settings, summary, main->Describe(),
               sidechain ? sidechain->Describe() : std::string(), line.statePath, line.outPath);
  if (stateFile)
    std::fprintf(context.out, "saved state to %s\n", Printable(line.saveStatePath).c_str());
  return Status::Ok();
}

Status RunEditor(const CommandLine& line, const CommandContext& context)
{
  ComponentState restoredState;
  Status status = Status::Ok();
  if (!line.statePath.empty() && !(status = ReadStateFile(line.statePath, restoredState)))
    return status;
  const double lengthMs = line.lengthSeconds * 1000.0;
  std::vector<ScriptStep> steps;
  if (!line.scriptPath.empty() && !(status = ReadEditorScript(line.scriptPath, lengthMs, steps)))
    return status;
  int sampleRate = 0;
  std::unique_ptr<SignalSource> main;
  std::unique_ptr<SignalSource> sidechain;
  bool builtInKick = false;
  if (!(status = OpenInputs(line, sampleRate, main, sidechain, builtInKick)))
    return status;

  VirtualClockOn virtualClock;
  std::unique_ptr<QuietStandardOutput> quiet; // outlives the component, so its closing is quiet too
  LoadedComponent component;
  if (!(status = OpenQuietly(line, context, quiet, component)))
    return status;
  const AudioUnit unit = component.Unit();
  const auto frames = static_cast<std::int64_t>(std::llround(line.lengthSeconds * sampleRate));
  if (ElementCount(unit, kAudioUnitScope_Input) == 0)
  {
    if (!line.inPath.empty() || !line.sidechainPath.empty())
      return Status::Error("the component has no audio input: --in and --sidechain do not apply");
    main = std::make_unique<NoInputSource>(sampleRate, frames);
    sidechain.reset();
  }
  else
    main = std::make_unique<FixedLengthSource>(std::move(main), frames);
  if (builtInKick && ElementCount(unit, kAudioUnitScope_Input) < 2)
    sidechain.reset();

  std::vector<ParameterSetting> parameters;
  std::vector<ParameterSetting> scriptParameters;
  if (!(status = ResolveParameters(unit, line.params, parameters)) ||
      !(status = ResolveScriptParameters(unit, line.scriptPath, steps, scriptParameters)))
    return status;

  SessionSettings settings;
  settings.sampleRate = sampleRate;
  settings.blockSize = line.blockSize;
  settings.mainChannels = ElementCount(unit, kAudioUnitScope_Input) == 0 ? 0 : main->Channels();
  settings.sidechainChannels = sidechain ? sidechain->Channels() : 0;
  settings.outputChannels = main->Channels();
  if (settings.mainChannels == 0)
  {
    AudioStreamBasicDescription asbd{};
    UInt32 size = sizeof asbd;
    if (AudioUnitGetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &asbd, &size) != noErr ||
        asbd.mChannelsPerFrame < 1)
      return Status::Error("the component does not report its output channels");
    settings.outputChannels = static_cast<int>(asbd.mChannelsPerFrame);
  }

  int pixelsWide = 0, pixelsHigh = 0;
  {
    RenderSession session(unit);
    if (!(status = session.Configure(settings)))
      return status;
    if (!line.statePath.empty() &&
        !(status = RestoreUnitState(unit, component.Info(), restoredState, "'" + line.statePath + "'")))
      return status;
    if (!(status = session.ApplyParameters(parameters)))
      return status;

    HostEditor editor;
    if (!(status = editor.Open(unit, line.backingScale)))
      return status;
    // Between slices: the steps that are due, as the host or the user makes
    // them, then the slice renders; after it the unit's 20 ms idle runs on
    // the virtual clock and then the window's frame timer.
    std::size_t next = 0;
    auto applyDue = [&](double nowMs) -> Status {
      for (; next < steps.size() && steps[next].timeMs <= nowMs; ++next)
      {
        const ScriptStep& step = steps[next];
        if (step.action != ScriptAction::Param)
        {
          if (Status delivered = editor.Deliver(step); !delivered)
            return delivered;
          continue;
        }
        const ParameterSetting& setting = scriptParameters[next];
        OSStatus set = noErr;
        editor.RunEvent(
          [&] { set = AudioUnitSetParameter(unit, setting.id, kAudioUnitScope_Global, 0, setting.value, 0); });
        if (set != noErr)
          return Status::Error("'" + line.scriptPath + "' line " + std::to_string(step.line) + ": setting '" +
                               setting.name + "' failed (status " + std::to_string(set) + ")");
      }
      return Status::Ok();
    };
    session.SetBeforeSlice([&](std::int64_t start, UInt32) { return applyDue(1000.0 * start / sampleRate); });
    std::int64_t previous = 0;
    RenderSummary summary;
    status = session.Render(*main, sidechain.get(), nullptr, summary,
                            [&](std::int64_t done, std::int64_t) {
                              editor.Advance(1000.0 * (done - previous) / sampleRate);
                              previous = done;
                            },
                            context.cancel);
    if (status)
      status = applyDue(lengthMs);
    if (status)
      status = editor.WritePng(line.pngPath);
    pixelsWide = static_cast<int>(std::lround(editor.Width() * line.backingScale));
    pixelsHigh = static_cast<int>(std::lround(editor.Height() * line.backingScale));
    editor.Close();
    if (!status)
      return status;
  }
  quiet.reset();
  std::fprintf(context.out, "%s: editor %dx%d at backing scale %g, %g s of %s%s\n", component.Info().name.c_str(),
               pixelsWide, pixelsHigh, line.backingScale, line.lengthSeconds, Printable(main->Describe()).c_str(),
               steps.empty() ? "" : (", " + std::to_string(steps.size()) + " script steps").c_str());
  std::fprintf(context.out, "wrote %s\n", Printable(line.pngPath).c_str());
  return Status::Ok();
}

Status RunValidate(const CommandLine& line, const CommandContext& context)
{
  const ValidationReport report =
    ValidateComponent(BundleOf(line, context), HostIdentity{line.hostBundleId, "1.0.0"}, context.out);
  const int failed = report.FailedPhases();
  if (failed > 0)
    return Status::Error("validation failed: " + std::to_string(failed) + " of " +
                         std::to_string(report.phases.size()) + " phases failed");
  return Status::Ok();
}

} // namespace pw::host
