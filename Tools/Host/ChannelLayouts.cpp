#include "ChannelLayouts.h"

#include "AudioFile.h"

#include <algorithm>

namespace pw::host {

namespace {

bool Matches(SInt16 reported, int total) noexcept
{
  return reported < 0 || reported == total;
}

Status DefaultChannels(AudioUnit unit, AudioUnitScope scope, AudioUnitElement element, int& out)
{
  AudioStreamBasicDescription asbd{};
  UInt32 size = sizeof asbd;
  const OSStatus status = AudioUnitGetProperty(unit, kAudioUnitProperty_StreamFormat, scope, element, &asbd, &size);
  if (status != noErr)
    return Status::Error(std::string(scope == kAudioUnitScope_Input ? "input " : "output ") +
                         std::to_string(element) + " reports no stream format (status " + std::to_string(status) +
                         ")");
  out = static_cast<int>(std::min<UInt32>(asbd.mChannelsPerFrame, kMaxFileChannels));
  return Status::Ok();
}

} // namespace

std::string BusLayout::Text() const
{
  return std::to_string(main) + (sidechain > 0 ? " + " + std::to_string(sidechain) + " sidechain" : std::string()) +
         " -> " + std::to_string(output);
}

bool ChannelCapabilities::IsLegal(const BusLayout& layout) const noexcept
{
  if (layout.main < 1 || layout.main > mainChannels || layout.sidechain < 0 ||
      layout.sidechain > sidechainChannels || layout.output < 1 || layout.output > outputChannels)
    return false;
  for (const AUChannelInfo& pair : pairs)
    if (Matches(pair.inChannels, layout.main) && Matches(pair.outChannels, layout.output))
      return true;
  return false;
}

std::vector<BusLayout> ChannelCapabilities::Candidates() const
{
  // The host handles at most kMaxFileChannels on a bus.
  const auto most = [](int channels) { return std::min(channels + 1, kMaxFileChannels); };
  std::vector<BusLayout> layouts;
  const int sidechainMost = sidechainChannels > 0 ? most(sidechainChannels) : 0;
  for (int main = 1; main <= most(mainChannels); ++main)
    for (int sidechain = 0; sidechain <= sidechainMost; ++sidechain)
      for (int output = 1; output <= most(outputChannels); ++output)
        layouts.push_back({main, sidechain, output});
  return layouts;
}

bool ChannelCapabilities::Fullest(BusLayout& out) const
{
  bool found = false;
  for (const BusLayout& layout : Candidates())
    if (IsLegal(layout) && (!found || layout.Inputs() > out.Inputs() ||
                            (layout.Inputs() == out.Inputs() && layout.output > out.output)))
    {
      out = layout;
      found = true;
    }
  return found;
}

Status ReadChannelCapabilities(AudioUnit unit, ChannelCapabilities& out)
{
  ChannelCapabilities caps;
  UInt32 size = 0;
  Boolean writable = false;
  OSStatus status = AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, 0,
                                             &size, &writable);
  if (status != noErr || size == 0 || size % sizeof(AUChannelInfo) != 0)
    return Status::Error("SupportedNumChannels answers " + std::to_string(size) + " bytes (status " +
                         std::to_string(status) + ")");
  caps.pairs.resize(size / sizeof(AUChannelInfo));
  status = AudioUnitGetProperty(unit, kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, 0,
                                caps.pairs.data(), &size);
  if (status != noErr || size != caps.pairs.size() * sizeof(AUChannelInfo))
    return Status::Error("SupportedNumChannels cannot be read (status " + std::to_string(status) + ")");

  UInt32 inputs = 0;
  size = sizeof inputs;
  if (AudioUnitGetProperty(unit, kAudioUnitProperty_ElementCount, kAudioUnitScope_Input, 0, &inputs, &size) != noErr ||
      inputs < 1)
    return Status::Error("the component has no audio input");
  Status result = DefaultChannels(unit, kAudioUnitScope_Input, 0, caps.mainChannels);
  if (result && inputs > 1)
    result = DefaultChannels(unit, kAudioUnitScope_Input, 1, caps.sidechainChannels);
  if (result)
    result = DefaultChannels(unit, kAudioUnitScope_Output, 0, caps.outputChannels);
  if (!result)
    return result;
  out = std::move(caps);
  return Status::Ok();
}

} // namespace pw::host
