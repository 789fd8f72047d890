// The phases that render: "channel configurations", "render slices",
// "bypass", "uninitialize and initialize", "uninitialized render", "channel
// pairs", "last render error", "render matrix" and "slicing".

#include "CanonicalFormat.h"
#include "ChannelLayouts.h"
#include "UnitInstance.h"
#include "ValidationRig.h"
#include "ValidatorPhases.h"

#include <AudioToolbox/AudioUnitProperties.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace pw::host {

namespace {

constexpr UInt32 kSlices[] = {1, 64, 512, kValidationMaxFrames};
// Frames per slice where the length does not matter.
constexpr UInt32 kSliceFrames = 512;
// Slices rendered for each legal layout and with bypass on.
constexpr int kLayoutSlices = 2;
constexpr int kBypassSlices = 8;
// The smaller maximum a host sets between Uninitialize and Initialize.
constexpr UInt32 kSmallerMaxFrames = 256;

// Reads the capabilities through an instance of their own, disposed of
// before this returns; failures go to result.
bool ReadCapabilities(const LoadedComponent& component, ChannelCapabilities& caps, PhaseResult& result)
{
  UnitInstance probe;
  if (!OpenInstance(component, probe, result))
    return false;
  const Status read = ReadChannelCapabilities(probe.Unit(), caps);
  if (!read)
    result.Fail(read.Message());
  return static_cast<bool>(read);
}

// Opens an instance and configures a rig on it with the fullest legal layout
// (rig->Layout()) for slices of up to maxFrames frames; failures go to
// result.
bool OpenFullestRig(const LoadedComponent& component, UInt32 maxFrames, UnitInstance& instance,
                    std::unique_ptr<ValidationRig>& rig, PhaseResult& result,
                    double sampleRate = ValidationRig::kSampleRate)
{
  ChannelCapabilities caps;
  if (!ReadCapabilities(component, caps, result))
    return false;
  BusLayout layout;
  if (!caps.Fullest(layout))
  {
    result.Fail("no channel layout is legal by SupportedNumChannels");
    return false;
  }
  if (!OpenInstance(component, instance, result))
    return false;
  rig = std::make_unique<ValidationRig>(instance.Unit());
  const Status configured = rig->Configure(layout, maxFrames, sampleRate);
  if (!configured)
  {
    result.Fail(layout.Text() + " cannot be set up: " + configured.Message());
    return false;
  }
  return true;
}

// Renders one slice and checks what came out; lendBuffers false hands the
// unit null buffer pointers. Answers whether the slice rendered.
bool CheckSlice(ValidationRig& rig, UInt32 frames, bool lendBuffers, PhaseResult& result)
{
  const std::string slice = "a slice of " + std::to_string(frames) + " frames" +
                            (lendBuffers ? std::string() : " into the unit's own buffers");
  const int pulls = rig.Pulls();
  const OSStatus status = rig.Render(frames, lendBuffers);
  if (status != noErr)
  {
    result.Fail(slice + " answers " + StatusText(status));
    return false;
  }
  if (rig.OutputBuffers() != static_cast<UInt32>(rig.Layout().output))
  {
    result.Fail(slice + " changes the number of output buffers to " + std::to_string(rig.OutputBuffers()));
    return false;
  }
  bool good = true;
  for (int c = 0; c < rig.Layout().output && good; ++c)
  {
    const float* out = rig.Output(c);
    if (!out || rig.OutputBytes(c) < frames * sizeof(float))
    {
      result.Fail(slice + " leaves no audio for output channel " + std::to_string(c));
      good = false;
      continue;
    }
    for (UInt32 i = 0; i < frames && good; ++i)
      if (!std::isfinite(out[i]) || std::fpclassify(out[i]) == FP_SUBNORMAL)
      {
        result.Fail(slice + " gives " + ValueText(out[i]) + " at frame " + std::to_string(i) + " of channel " +
                    std::to_string(c));
        good = false;
      }
  }
  if (lendBuffers && !rig.MarkersIntactFrom(frames))
  {
    result.Fail(slice + " writes past its end");
    good = false;
  }
  if (rig.Pulls() == pulls)
  {
    result.Fail(slice + " pulls no input");
    good = false;
  }
  return good;
}

// A slice of frames frames that the unit must refuse with -10851, writing
// nothing.
void ExpectRefusedSlice(ValidationRig& rig, UInt32 frames, bool validTimeStamp, const std::string& what,
                        PhaseResult& result)
{
  const OSStatus status = rig.Render(frames, true, validTimeStamp);
  if (status != kAudioUnitErr_InvalidPropertyValue)
    result.Fail(what + " answers " + StatusText(status) + ", expected -10851");
  else if (!rig.MarkersIntactFrom(0))
    result.Fail(what + " is refused but writes into the output");
}

OSStatus SetBypass(AudioUnit unit, UInt32 on)
{
  return AudioUnitSetProperty(unit, kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, &on, sizeof on);
}

UInt32 Bypass(AudioUnit unit)
{
  UInt32 on = 0xFFFFFFFFu;
  UInt32 size = sizeof on;
  AudioUnitGetProperty(unit, kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, &on, &size);
  return on;
}

bool SameBits(float a, float b) noexcept
{
  return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

PhaseResult ValidateChannelConfigurations(const LoadedComponent& component)
{
  PhaseResult result("channel configurations");
  ChannelCapabilities caps;
  if (!ReadCapabilities(component, caps, result))
    return result;

  // No bus takes 0 channels.
  {
    // Without an instance the failure is recorded and the buses are skipped.
    UnitInstance instance;
    OpenInstance(component, instance, result);
    const struct
    {
      AudioUnitScope scope;
      AudioUnitElement element;
      const char* bus;
    } buses[] = {{kAudioUnitScope_Input, 0, "the main input"},
                 {kAudioUnitScope_Input, 1, "the sidechain"},
                 {kAudioUnitScope_Output, 0, "the output"}};
    for (const auto& bus : buses)
    {
      if (!instance.Unit() || (bus.element == 1 && caps.sidechainChannels == 0))
        continue;
      const AudioStreamBasicDescription asbd = CanonicalFormat(ValidationRig::kSampleRate, 0);
      const OSStatus status = AudioUnitSetProperty(instance.Unit(), kAudioUnitProperty_StreamFormat, bus.scope,
                                                   bus.element, &asbd, sizeof asbd);
      result.Expect(status != noErr, std::string("0 channels on ") + bus.bus + " are accepted");
    }
  }

  int legal = 0;
  int illegal = 0;
  for (const BusLayout& layout : caps.Candidates())
  {
    UnitInstance instance;
    if (!OpenInstance(component, instance, result))
      break;
    ValidationRig rig(instance.Unit());
    const Status configured = rig.Configure(layout, kSliceFrames);
    if (!caps.IsLegal(layout))
    {
      ++illegal;
      if (configured)
        result.Fail(layout.Text() + " initialises, though no configuration allows it");
      continue;
    }
    ++legal;
    if (!configured)
    {
      result.Fail(layout.Text() + " is refused: " + configured.Message());
      continue;
    }
    for (int slice = 0; slice < kLayoutSlices; ++slice)
      if (!CheckSlice(rig, kSliceFrames, true, result))
      {
        result.Fail("with " + layout.Text());
        break;
      }
  }
  result.SetSummary(std::to_string(legal) + " legal layouts initialise and render, " + std::to_string(illegal) +
                    " illegal ones and 0 channels are refused");
  return result;
}

PhaseResult ValidateRenderSlices(const LoadedComponent& component)
{
  PhaseResult result("render slices");
  UnitInstance instance;
  std::unique_ptr<ValidationRig> rig;
  if (!OpenFullestRig(component, kValidationMaxFrames, instance, rig, result))
    return result;

  for (UInt32 frames : kSlices)
    CheckSlice(*rig, frames, true, result);
  CheckSlice(*rig, kSlices[2], false, result);
  ExpectRefusedSlice(*rig, kValidationMaxFrames + 1, true,
                     "a slice of " + std::to_string(kValidationMaxFrames + 1) + " frames (one above the maximum)",
                     result);
  ExpectRefusedSlice(*rig, kSlices[1], false, "a slice without a valid sample time", result);
  CheckSlice(*rig, kSlices[1], true, result);
  result.SetSummary("slices of 1, 64, 512 and " + std::to_string(kValidationMaxFrames) + " frames render (" +
                    rig->Layout().Text() + "), also into the unit's own buffers; " +
                    std::to_string(kValidationMaxFrames + 1) +
                    " frames and a slice without a sample time are refused with -10851");
  return result;
}

PhaseResult ValidateBypass(const LoadedComponent& component)
{
  PhaseResult result("bypass");
  UnitInstance instance;
  std::unique_ptr<ValidationRig> rig;
  if (!OpenFullestRig(component, kSliceFrames, instance, rig, result))
    return result;
  const AudioUnit unit = instance.Unit();

  Float64 latencySeconds = 0.0;
  UInt32 size = sizeof latencySeconds;
  AudioUnitGetProperty(unit, kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, &latencySeconds, &size);
  const auto latency = static_cast<std::int64_t>(std::llround(latencySeconds * ValidationRig::kSampleRate));

  OSStatus status = SetBypass(unit, 1);
  if (status != noErr)
  {
    result.Fail("BypassEffect cannot be switched on (" + StatusText(status) + ")");
    return result;
  }
  result.Expect(Bypass(unit) == 1, "BypassEffect reads " + std::to_string(Bypass(unit)) + " after it was switched on");

  const int channels = std::min(rig->Layout().main, rig->Layout().output);
  for (int slice = 0; slice < kBypassSlices && result.Passed(); ++slice)
  {
    const std::int64_t start = rig->SampleTime();
    if (!CheckSlice(*rig, kSliceFrames, true, result))
      break;
    for (int c = 0; c < channels && result.Passed(); ++c)
    {
      const float* out = rig->Output(c);
      for (UInt32 i = 0; i < kSliceFrames; ++i)
      {
        const std::int64_t source = start + i - latency;
        const float expected = source >= 0 ? ValidationRig::MainSample(c, source) : 0.0f;
        if (!SameBits(out[i], expected))
        {
          result.Fail("bypassed, frame " + std::to_string(start + i) + " of channel " + std::to_string(c) + " is " +
                      ValueText(out[i]) + ", the input was " + ValueText(expected));
          break;
        }
      }
    }
  }

  status = SetBypass(unit, 0);
  result.Expect(status == noErr && Bypass(unit) == 0,
                "BypassEffect cannot be switched off (" + StatusText(status) + ")");
  CheckSlice(*rig, kSliceFrames, true, result);
  result.SetSummary("bypassed, " + std::to_string(kBypassSlices * kSliceFrames) + " frames on " +
                    std::to_string(channels) + " channels equal the main input bit for bit (latency " +
                    std::to_string(latency) + " samples); off again, it renders");
  return result;
}

PhaseResult ValidateReinitialization(const LoadedComponent& component)
{
  PhaseResult result("uninitialize and initialize");
  UnitInstance instance;
  std::unique_ptr<ValidationRig> rig;
  if (!OpenFullestRig(component, kValidationMaxFrames, instance, rig, result))
    return result;
  const AudioUnit unit = instance.Unit();

  const auto step = [&result](OSStatus status, const std::string& what) {
    return result.Expect(status == noErr, what + " answers " + StatusText(status));
  };
  CheckSlice(*rig, kSliceFrames, true, result);
  if (step(rig->Uninitialize(), "Uninitialize") && step(rig->Initialize(), "Initialize after Uninitialize"))
    CheckSlice(*rig, kSliceFrames, true, result);
  if (step(rig->Initialize(), "a second Initialize"))
    CheckSlice(*rig, kSliceFrames, true, result);

  if (step(rig->Uninitialize(), "Uninitialize") &&
      step(rig->SetMaximumFrames(kSmallerMaxFrames), "MaximumFramesPerSlice " + std::to_string(kSmallerMaxFrames)) &&
      step(rig->Initialize(), "Initialize with a smaller maximum"))
  {
    UInt32 maxFrames = 0;
    UInt32 size = sizeof maxFrames;
    AudioUnitGetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, &maxFrames, &size);
    result.Expect(maxFrames == kSmallerMaxFrames, "MaximumFramesPerSlice reads " + std::to_string(maxFrames) +
                                                    " after it was set to " + std::to_string(kSmallerMaxFrames));
    CheckSlice(*rig, kSmallerMaxFrames, true, result);
    ExpectRefusedSlice(*rig, kSmallerMaxFrames + 1, true,
                       "a slice of " + std::to_string(kSmallerMaxFrames + 1) + " frames after the maximum became " +
                         std::to_string(kSmallerMaxFrames),
                       result);
  }
  result.SetSummary("renders after Uninitialize and Initialize, after a repeated Initialize, and with a maximum of " +
                    std::to_string(kSmallerMaxFrames) + " frames set in between (one frame more refused)");
  return result;
}

namespace {

// Counts the listener calls of one property.
void CountCall(void* refCon, AudioUnit, AudioUnitPropertyID, AudioUnitScope, AudioUnitElement)
{
  ++*static_cast<int*>(refCon);
}

OSStatus LastRenderError(AudioUnit unit)
{
  OSStatus error = 1;
  UInt32 size = sizeof error;
  const OSStatus status =
    AudioUnitGetProperty(unit, kAudioUnitProperty_LastRenderError, kAudioUnitScope_Global, 0, &error, &size);
  return status == noErr ? error : status;
}

std::string RateText(double rate)
{
  char text[32];
  std::snprintf(text, sizeof text, "%g Hz", rate);
  return text;
}

} // namespace

PhaseResult ValidateUninitializedRender(const LoadedComponent& component)
{
  PhaseResult result("uninitialized render");
  UnitInstance instance;
  std::unique_ptr<ValidationRig> rig;
  if (!OpenFullestRig(component, kSliceFrames, instance, rig, result))
    return result;
  const auto expectRefused = [&](const std::string& when) {
    const int pulls = rig->Pulls();
    const OSStatus status = rig->Render(kSliceFrames);
    result.Expect(status == kAudioUnitErr_Uninitialized, "a slice " + when + " answers " + StatusText(status) +
                                                           ", expected -10867");
    result.Expect(rig->Pulls() == pulls, "a slice " + when + " pulls the inputs");
    result.Expect(rig->MarkersIntactFrom(0), "a slice " + when + " writes into the output");
  };
  result.Expect(rig->Uninitialize() == noErr, "Uninitialize fails");
  expectRefused("after Uninitialize");
  if (result.Expect(rig->Initialize() == noErr, "Initialize after Uninitialize fails"))
    CheckSlice(*rig, kSliceFrames, true, result);

  // A unit never initialised at all.
  UnitInstance fresh;
  if (OpenInstance(component, fresh, result))
  {
    AudioBufferList none{};
    AudioTimeStamp ts{};
    ts.mFlags = kAudioTimeStampSampleTimeValid;
    AudioUnitRenderActionFlags flags = 0;
    const OSStatus status = AudioUnitRender(fresh.Unit(), &flags, &ts, 0, 0, &none);
    result.Expect(status == kAudioUnitErr_Uninitialized,
                  "a slice before Initialize answers " + StatusText(status) + ", expected -10867");
  }
  result.SetSummary("a slice after Uninitialize and before any Initialize is refused with -10867, pulling and "
                    "writing nothing; it renders once initialised again");
  return result;
}

PhaseResult ValidateChannelPairs(const LoadedComponent& component)
{
  PhaseResult result("channel pairs");
  ChannelCapabilities caps;
  if (!ReadCapabilities(component, caps, result))
    return result;
  std::string listed;
  for (std::size_t i = 0; i < caps.pairs.size(); ++i)
  {
    const AUChannelInfo& pair = caps.pairs[i];
    const std::string text = std::to_string(pair.inChannels) + "-" + std::to_string(pair.outChannels);
    listed += (listed.empty() ? "" : " ") + text;
    for (std::size_t j = 0; j < i; ++j)
      result.Expect(caps.pairs[j].inChannels != pair.inChannels || caps.pairs[j].outChannels != pair.outChannels,
                    "the pair " + text + " is listed twice");
    // A wildcard takes the bus's own count.
    const BusLayout layout{pair.inChannels < 0 ? caps.mainChannels : pair.inChannels, 0,
                           pair.outChannels < 0 ? caps.outputChannels : pair.outChannels};
    if (layout.main < 1 || layout.output < 1)
      continue;
    UnitInstance instance;
    if (!OpenInstance(component, instance, result))
      break;
    ValidationRig rig(instance.Unit());
    const Status configured = rig.Configure(layout, kSliceFrames);
    if (!configured)
      result.Fail("the pair " + text + " is refused: " + configured.Message());
    else if (!CheckSlice(rig, kSliceFrames, true, result))
      result.Fail("with the pair " + text);
  }
  result.SetSummary("main input to main output, each once: " + listed + "; each set alone initialises and renders");
  return result;
}

PhaseResult ValidateLastRenderError(const LoadedComponent& component)
{
  PhaseResult result("last render error");
  UnitInstance instance;
  std::unique_ptr<ValidationRig> rig;
  if (!OpenFullestRig(component, kSliceFrames, instance, rig, result))
    return result;
  const AudioUnit unit = instance.Unit();
  int told = 0;
  result.Expect(AudioUnitAddPropertyListener(unit, kAudioUnitProperty_LastRenderError, CountCall, &told) == noErr,
                "a LastRenderError listener is refused");

  constexpr OSStatus kInputError = -6789;
  rig->FailInputs(kInputError);
  OSStatus status = rig->Render(kSliceFrames);
  result.Expect(status == kInputError, "a slice whose input fails answers " + StatusText(status) + ", expected " +
                                         StatusText(kInputError));
  rig->FailInputs(noErr);
  CheckSlice(*rig, kSliceFrames, true, result);
  status = LastRenderError(unit);
  result.Expect(status == kInputError, "LastRenderError after the failure and a good slice answers " +
                                         StatusText(status) + ", expected " + StatusText(kInputError));
  status = LastRenderError(unit);
  result.Expect(status == noErr, "LastRenderError read a second time answers " + StatusText(status));
  result.Expect(told == 1, "its listeners were told " + std::to_string(told) + " times, expected once");
  AudioUnitRemovePropertyListenerWithUserData(unit, kAudioUnitProperty_LastRenderError, CountCall, &told);
  result.SetSummary("a failing input's status is answered, kept through a good slice until read, and told to the "
                    "listeners once");
  return result;
}

PhaseResult ValidateRenderMatrix(const LoadedComponent& component)
{
  PhaseResult result("render matrix");
  const struct { UInt32 frames; double rate; } cases[] = {
    {64, 22050.0}, {137, 96000.0}, {4096, 48000.0}, {512, 192000.0}, {512, 11025.0}, {333, 44123.45},
  };
  for (const auto& c : cases)
  {
    UnitInstance instance;
    std::unique_ptr<ValidationRig> rig;
    if (!OpenFullestRig(component, c.frames, instance, rig, result, c.rate))
      break;
    // A second of audio in slices of the case's length.
    const int slices = static_cast<int>(c.rate / c.frames) + 1;
    for (int s = 0; s < slices; ++s)
      if (!CheckSlice(*rig, c.frames, true, result))
      {
        result.Fail("at " + RateText(c.rate));
        break;
      }
  }
  result.SetSummary("a second of slices of 64 frames at 22050 Hz, 137 at 96000, 4096 at 48000, 512 at 192000 and "
                    "11025, 333 at 44123.45: finite audio without subnormals");
  return result;
}

PhaseResult ValidateSlicing(const LoadedComponent& component)
{
  PhaseResult result("slicing");
  constexpr UInt32 kWhole = 512;
  constexpr UInt32 kPiece = 64;
  UnitInstance wholeInstance, piecesInstance;
  std::unique_ptr<ValidationRig> whole, pieces;
  if (!OpenFullestRig(component, kWhole, wholeInstance, whole, result) ||
      !OpenFullestRig(component, kWhole, piecesInstance, pieces, result))
    return result;
  const int channels = whole->Layout().output;
  // A few blocks in, so that any settling at the start is behind both.
  for (int round = 0; round < 4 && result.Passed(); ++round)
  {
    if (!CheckSlice(*whole, kWhole, true, result))
      break;
    std::vector<std::vector<float>> expected;
    for (int c = 0; c < channels; ++c)
      expected.emplace_back(whole->Output(c), whole->Output(c) + kWhole);
    for (UInt32 at = 0; at < kWhole && result.Passed(); at += kPiece)
    {
      if (!CheckSlice(*pieces, kPiece, true, result))
        break;
      for (int c = 0; c < channels; ++c)
        for (UInt32 i = 0; i < kPiece; ++i)
          if (!SameBits(pieces->Output(c)[i], expected[static_cast<std::size_t>(c)][at + i]))
          {
            result.Fail("frame " + std::to_string(round * kWhole + at + i) + " of channel " + std::to_string(c) +
                        " is " + ValueText(pieces->Output(c)[i]) + " in slices of 64, " +
                        ValueText(expected[static_cast<std::size_t>(c)][at + i]) + " in slices of 512");
            c = channels;
            break;
          }
    }
  }
  result.SetSummary("8 slices of 64 frames equal 1 slice of 512 bit for bit, over 2048 frames");
  return result;
}

} // namespace pw::host
