#pragma once
// Which channel counts a host may give a unit's buses, as the validator
// derives them from what the unit reports: its SupportedNumChannels pairs
// (main input channels to main output channels, -1 for any) and the
// channels each bus reports before anything is negotiated (its largest
// count). A layout is legal when no bus gets more than its largest count,
// the main input and the output get at least one channel, and they match a
// pair; the sidechain is negotiated on its own. Main thread.

#include "HostStatus.h"

#include <AudioToolbox/AudioUnitProperties.h>

#include <string>
#include <vector>

namespace pw::host {

struct BusLayout
{
  int main = 0;
  int sidechain = 0; // 0: the sidechain bus stays unconnected
  int output = 0;

  int Inputs() const noexcept { return main + sidechain; }
  // "2 + 1 sidechain -> 2".
  std::string Text() const;
};

struct ChannelCapabilities
{
  std::vector<AUChannelInfo> pairs;
  int mainChannels = 0;
  int sidechainChannels = 0; // 0: no sidechain bus
  int outputChannels = 0;

  bool IsLegal(const BusLayout& layout) const noexcept;
  // Every layout with the main input and the output from 1, the sidechain
  // (when there is one) from 0, each to one above its largest count (at
  // most kMaxFileChannels).
  std::vector<BusLayout> Candidates() const;
  // The legal layout with the most input channels, then output channels;
  // false when no layout is legal.
  bool Fullest(BusLayout& out) const;
};

// Reads the pairs and the default stream formats of input 0, input 1 (when
// there is one) and output 0.
Status ReadChannelCapabilities(AudioUnit unit, ChannelCapabilities& out);

} // namespace pw::host
