// Stream formats, channel I/O legality and channel-layout tags. Main thread.

#include "IWeftAU.h"

#include "LOOM_Assert.h"

#include <cmath>

namespace weft {

namespace {

constexpr UInt32 kFloatBits = 32;
constexpr UInt32 kBytesPerSample = 4;

} // namespace

void IWeftAU::MakeDefaultASBD(AudioStreamBasicDescription* pASBD, double sampleRate, int nChannels,
                              bool interleaved)
{
  *pASBD = AudioStreamBasicDescription{};
  pASBD->mSampleRate = sampleRate;
  pASBD->mFormatID = kAudioFormatLinearPCM;
  pASBD->mFormatFlags = kAudioFormatFlagsNativeFloatPacked | (interleaved ? 0u : kAudioFormatFlagIsNonInterleaved);
  pASBD->mBytesPerPacket = interleaved ? kBytesPerSample * static_cast<UInt32>(nChannels) : kBytesPerSample;
  pASBD->mFramesPerPacket = 1;
  pASBD->mBytesPerFrame = pASBD->mBytesPerPacket;
  pASBD->mChannelsPerFrame = static_cast<UInt32>(nChannels);
  pASBD->mBitsPerChannel = kFloatBits;
  pASBD->mReserved = 0;
}

OSStatus IWeftAU::GetStreamFormat(AudioUnitScope scope, AudioUnitElement element, AudioStreamBasicDescription* pASBD)
{
  const BusChannels* pBus = GetBus(scope, element);
  if (!pBus)
    return kAudioUnitErr_InvalidProperty;
  if (pASBD)
  {
    const int nChannels = pBus->mHostChannels >= 0 ? pBus->mHostChannels : pBus->mPlugChannels;
    MakeDefaultASBD(pASBD, GetSampleRate(), nChannels, false);
  }
  return noErr;
}

OSStatus IWeftAU::SetStreamFormat(AudioUnitScope scope, AudioUnitElement element,
                                  const AudioStreamBasicDescription& asbd)
{
  BusChannels* pBus = GetBus(scope, element);
  if (!pBus)
    return kAudioUnitErr_InvalidProperty;

  const UInt32 n = asbd.mChannelsPerFrame;
  const bool nonInterleaved = (asbd.mFormatFlags & kAudioFormatFlagIsNonInterleaved) != 0;
  const bool formatOK = asbd.mFormatID == kAudioFormatLinearPCM && (asbd.mFormatFlags & kAudioFormatFlagIsFloat) &&
                        !(asbd.mFormatFlags & kAudioFormatFlagIsBigEndian) && asbd.mBitsPerChannel == kFloatBits &&
                        asbd.mBytesPerFrame == kBytesPerSample && (nonInterleaved || n == 1);
  // A bus takes at most the channels it was built with.
  const bool countOK = n > 0 && n <= static_cast<UInt32>(pBus->mPlugChannels);
  // A rate of 0 leaves the sample rate alone; anything else must be usable.
  const bool rateOK = asbd.mSampleRate == 0.0 || (asbd.mSampleRate > 0.0 && std::isfinite(asbd.mSampleRate));

  if (!formatOK || !countOK || !rateOK || !CheckLegalIO(scope, static_cast<int>(element), static_cast<int>(n)))
    return kAudioUnitErr_InvalidProperty;

  pBus->mHostChannels = static_cast<int>(n);
  if (asbd.mSampleRate > 0.0)
    SetSampleRate(asbd.mSampleRate);
  AssessInputConnections();
  return noErr;
}

int IWeftAU::NHostChannelsConnected(const LOOM_PtrList<BusChannels>* pBuses, int excludeIdx)
{
  int total = 0;
  bool any = false;
  for (int i = 0; i < pBuses->GetSize(); ++i)
  {
    const BusChannels* pBus = pBuses->Get(i);
    if (i == excludeIdx || pBus->mHostChannels < 0)
      continue;
    total += pBus->mHostChannels;
    any = true;
  }
  return any ? total : -1;
}

bool IWeftAU::IsLegalLayout(const int* inCounts, const int* outCounts) const
{
  // The main pair must be one a configuration has (SupportedNumChannels);
  // every further bus is negotiated on its own and must take its count in
  // some configuration. -1 stands for a bus not negotiated (yet).
  auto busTakes = [this](ERoute direction, int busIdx, int n) {
    if (n < 0)
      return true;
    for (int i = 0; i < NIOConfigs(); ++i)
    {
      const IOConfig* pConfig = GetIOConfig(i);
      if (busIdx >= pConfig->NBuses(direction))
        continue;
      const int busChannels = pConfig->NChansOnBusSAFE(direction, busIdx);
      if (busChannels < 0 || busChannels == n)
        return true;
    }
    return false;
  };
  const int mainIn = mInBuses.GetSize() > 0 ? inCounts[0] : 0;
  const int mainOut = mOutBuses.GetSize() > 0 ? outCounts[0] : 0;
  bool pairFound = false;
  for (int i = 0; i < NIOConfigs() && !pairFound; ++i)
  {
    const IOConfig* pConfig = GetIOConfig(i);
    const int in = pConfig->NBuses(kInput) > 0 ? pConfig->NChansOnBusSAFE(kInput, 0) : 0;
    const int out = pConfig->NBuses(kOutput) > 0 ? pConfig->NChansOnBusSAFE(kOutput, 0) : 0;
    pairFound = (mainIn < 0 || in < 0 || in == mainIn) && (mainOut < 0 || out < 0 || out == mainOut);
  }
  if (!pairFound)
    return false;
  for (int b = 1; b < mInBuses.GetSize(); ++b)
    if (!busTakes(kInput, b, inCounts[b]))
      return false;
  for (int b = 1; b < mOutBuses.GetSize(); ++b)
    if (!busTakes(kOutput, b, outCounts[b]))
      return false;
  return true;
}

bool IWeftAU::CheckLegalIO(AudioUnitScope scope, int busIdx, int nChannels)
{
  const ERoute direction = scope == kAudioUnitScope_Input ? kInput : kOutput;
  const LOOM_PtrList<BusChannels>& changed = direction == kInput ? mInBuses : mOutBuses;
  if (busIdx < 0 || busIdx >= changed.GetSize() || mInBuses.GetSize() > kMaxBuses ||
      mOutBuses.GetSize() > kMaxBuses)
    return false;
  int counts[kNumRoutes][kMaxBuses];
  for (ERoute route : {kInput, kOutput})
  {
    const LOOM_PtrList<BusChannels>& buses = route == kInput ? mInBuses : mOutBuses;
    for (int b = 0; b < buses.GetSize(); ++b)
      // Before Initialize the other direction may still change: it is not
      // held against this one.
      counts[route][b] = route == direction || mActive ? buses.Get(b)->mHostChannels : -1;
  }
  counts[direction][busIdx] = nChannels;
  return IsLegalLayout(counts[kInput], counts[kOutput]);
}

bool IWeftAU::CheckLegalIO()
{
  if (mInBuses.GetSize() > kMaxBuses || mOutBuses.GetSize() > kMaxBuses)
    return false;
  int counts[kNumRoutes][kMaxBuses];
  bool any = false;
  for (ERoute route : {kInput, kOutput})
  {
    const LOOM_PtrList<BusChannels>& buses = route == kInput ? mInBuses : mOutBuses;
    for (int b = 0; b < buses.GetSize(); ++b)
    {
      counts[route][b] = buses.Get(b)->mHostChannels;
      any = any || counts[route][b] > 0;
    }
  }
  return !any || IsLegalLayout(counts[kInput], counts[kOutput]);
}

int IWeftAU::GetSupportedNumChannels(AUChannelInfo* pChannelInfo) const
{
  // What a pair means to a host: channels of the main input to channels of
  // the main output. Further buses (a sidechain) are negotiated on their own,
  // so configurations that differ only there give one pair.
  auto mainChannels = [](const IOConfig* pConfig, ERoute direction) {
    if (pConfig->NBuses(direction) == 0)
      return 0;
    const int n = pConfig->NChansOnBusSAFE(direction, 0);
    return n < 0 ? -1 : n;
  };
  int nPairs = 0;
  for (int i = 0; i < NIOConfigs(); ++i)
  {
    const IOConfig* pConfig = GetIOConfig(i);
    const int in = mainChannels(pConfig, kInput);
    const int out = mainChannels(pConfig, kOutput);
    bool seen = false;
    for (int j = 0; j < i && !seen; ++j)
      seen = mainChannels(GetIOConfig(j), kInput) == in && mainChannels(GetIOConfig(j), kOutput) == out;
    if (seen)
      continue;
    if (pChannelInfo)
    {
      pChannelInfo[nPairs].inChannels = static_cast<SInt16>(in);
      pChannelInfo[nPairs].outChannels = static_cast<SInt16>(out);
    }
    ++nPairs;
  }
  return nPairs;
}

int IWeftAU::GetChannelLayoutTags(AudioUnitScope scope, AudioUnitElement element, AudioChannelLayoutTag* pTags)
{
  ERoute direction;
  if (!ScopeToRoute(scope, direction))
    return 0;

  LOOM_TypedBuf<AudioChannelLayoutTag> all;
  for (int i = 0; i < NIOConfigs(); ++i)
  {
    const IOConfig* pConfig = GetIOConfig(i);
    if (element < static_cast<AudioUnitElement>(pConfig->NBuses(direction)))
      GetAPIBusTypeForChannelIOConfig(i, direction, static_cast<int>(element), pConfig, &all);
  }

  // Each tag once, in the order first met.
  LOOM_TypedBuf<AudioChannelLayoutTag> unique;
  for (unsigned i = 0; i < all.GetSize(); ++i)
  {
    const AudioChannelLayoutTag tag = all.Get()[i];
    if (unique.Find(tag) < 0)
      unique.Add(tag);
  }

  const int n = static_cast<int>(unique.GetSize());
  if (!pTags)
    return n;
  if (n == 0)
    return 0;
  for (int i = 0; i < n; ++i)
    pTags[i] = unique.Get()[i];
  return 1;
}

void IWeftAU::GetAPIBusTypeForChannelIOConfig(int configIdx, ERoute direction, int busIdx, const IOConfig* pConfig,
                                              LOOM_TypedBuf<AudioChannelLayoutTag>* pTags) const
{
  (void)configIdx;
  LOOM_ASSERT_MSG(pConfig != nullptr, "pConfig != nullptr");
  if (!pConfig)
    return;
  LOOM_ASSERT_MSG(busIdx >= 0 && busIdx < pConfig->NBuses(direction),
                  "busIdx >= 0 && busIdx < pConfig->NBuses(dir)");
  if (busIdx < 0 || busIdx >= pConfig->NBuses(direction))
    return;

  const int nChannels = pConfig->NChansOnBusSAFE(direction, busIdx);
  // A wildcard bus names no layout.
  if (nChannels < 0)
    return;

  const auto add = [pTags](AudioChannelLayoutTag tag) { pTags->Add(tag); };
  switch (nChannels)
  {
    case 0: add(kAudioChannelLayoutTag_UseChannelDescriptions); break;
    case 1: add(kAudioChannelLayoutTag_Mono); break;
    case 2: add(kAudioChannelLayoutTag_Stereo); break;
    case 3: add(kAudioChannelLayoutTag_MPEG_3_0_A); break;
    case 4:
      add(kAudioChannelLayoutTag_Quadraphonic);
      add(kAudioChannelLayoutTag_Ambisonic_B_Format);
      add(kAudioChannelLayoutTag_HOA_ACN_SN3D | 4u);
      break;
    case 5: add(kAudioChannelLayoutTag_MPEG_5_0_B); break;
    case 6:
      add(kAudioChannelLayoutTag_MPEG_5_1_A);
      add(kAudioChannelLayoutTag_AudioUnit_6_0);
      break;
    case 7:
      add(kAudioChannelLayoutTag_MPEG_6_1_A);
      add(kAudioChannelLayoutTag_AudioUnit_7_0);
      break;
    case 8:
      add(kAudioChannelLayoutTag_MPEG_7_1_C);
      add(kAudioChannelLayoutTag_MPEG_7_1_A);
      break;
    case 9:
    case 16: add(kAudioChannelLayoutTag_HOA_ACN_SN3D | static_cast<UInt32>(nChannels)); break;
    case 10: add(kAudioChannelLayoutTag_Atmos_7_1_2); break;
    case 12: add(kAudioChannelLayoutTag_Atmos_7_1_4); break;
    default: add(kAudioChannelLayoutTag_DiscreteInOrder | static_cast<UInt32>(nChannels)); break;
  }
}

} // namespace weft
