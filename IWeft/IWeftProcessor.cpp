#include "IWeftProcessor.h"

#include "LOOM_Assert.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>

namespace weft {

namespace {

// Hands the next of ppData to attach(record, pointer) for each connected
// record in [begin, end): the host's pointers skip unconnected channels.
// Render thread; no allocation.
template <class Records, class Sample, class Attach>
void AttachConnected(Records& records, int begin, int end, Sample** ppData, Attach&& attach) noexcept
{
  for (int i = begin; i < end; ++i)
  {
    auto* record = records.Get(i);
    if (record->mConnected)
      attach(*record, *ppData++);
  }
}

// Silence in the first nFrames samples of samples (none for nFrames <= 0).
void ZeroFrames(double* samples, int nFrames) noexcept
{
  if (nFrames > 0)
    std::memset(samples, 0, static_cast<size_t>(nFrames) * sizeof(double));
}

constexpr int FourCharCode(const char (&code)[5]) noexcept
{
  return static_cast<int>(static_cast<uint32_t>(static_cast<unsigned char>(code[0])) << 24 |
                          static_cast<uint32_t>(static_cast<unsigned char>(code[1])) << 16 |
                          static_cast<uint32_t>(static_cast<unsigned char>(code[2])) << 8 |
                          static_cast<uint32_t>(static_cast<unsigned char>(code[3])));
}

// Parses one side of a configuration ("2.1", "*", "0") into config. Adds the
// side's channel counts to nChansTotal and raises foundWildcard on "*".
// False (after printing the error) for a malformed side.
bool ParseIOSide(char* part, ERoute direction, IOConfig& config, int& nChansTotal, bool& foundWildcard)
{
  if (!part)
    return true;

  long long total = 0;
  int nBuses = 0;
  char* save = nullptr;
  for (char* token = strtok_r(part, ".", &save); token; token = strtok_r(nullptr, ".", &save))
  {
    int nChans = 0;
    if (std::strcmp(token, "*") == 0)
    {
      nChans = kWildcardNChans;
      foundWildcard = true;
    }
    else
    {
      // A whole non-negative number: digits only, nothing before or after
      // ("2x", "-2" and "2-2" are not channel counts).
      char* end = nullptr;
      errno = 0;
      const long value = std::isdigit(static_cast<unsigned char>(token[0])) ? std::strtol(token, &end, 10) : -1;
      if (value < 0 || *end != '\0' || errno == ERANGE || value > INT_MAX)
      {
        std::printf("Error: something wrong in the %s part of this io string: %s.\n", RoutingDirStrs[direction], token);
        LOOM_ASSERT_MSG(false, "malformed bus token in the channel I/O string");
        return false;
      }
      nChans = static_cast<int>(value);
    }

    total += nChans;
    if (total > INT_MAX || total < INT_MIN)
    {
      std::printf("Error: something wrong in the %s part of this io string: %s.\n", RoutingDirStrs[direction], token);
      LOOM_ASSERT_MSG(false, "channel count of the channel I/O string overflows");
      return false;
    }

    if (nChans != 0)
    {
      if (!config.AddBusInfo(direction, nChans))
        return false;
      ++nBuses;
    }
    else if (nBuses > 0)
    {
      std::printf("Error: with multiple %s buses you can't define one with no channels!\n", RoutingDirStrs[direction]);
      LOOM_ASSERT_MSG(false, "NChanOnBus > 0");
      return false;
    }
  }
  nChansTotal = static_cast<int>(total);
  return true;
}

void PrintIOConfig(int configNumber, const char* text, const IOConfig& config, int nInChans, int nOutChans)
{
  std::printf("Channel I/O #%i - %s\n", configNumber, text);
  std::printf("               - input bus count: %i, output bus count %i\n", config.NBuses(kInput),
              config.NBuses(kOutput));
  for (int bus = 0; bus < config.NBuses(kInput); ++bus)
    std::printf("               - channel count on input bus %i: %i\n", bus + 1, config.NChansOnBusSAFE(kInput, bus));
  for (int bus = 0; bus < config.NBuses(kOutput); ++bus)
    std::printf("               - channel count on output bus %i: %i\n", bus + 1,
                config.NChansOnBusSAFE(kOutput, bus));
  std::printf("               - input channel count across all buses: %i, output channel count across all buses %i\n\n",
              nInChans, nOutChans);
}

} // namespace

// --- Parser --------------------------------------------------------------------

int IWeftProcessor::ParseChannelIOStr(const char* IOStr, LOOM_PtrList<IOConfig>& channelIOList, int& totalNInChans,
                                      int& totalNOutChans, int& totalNInBuses, int& totalNOutBuses)
{
  totalNInChans = totalNOutChans = totalNInBuses = totalNOutBuses = 0;

  std::printf("\nBEGIN IWEFT CHANNEL IO PARSER --------------------------------------------------\n");

  char* copy = strdup(IOStr ? IOStr : "");
  LOOM_PtrList<LOOM_String> texts; // "%s-%s" of every configuration added so far
  bool foundWildcard = false;
  int tokenIdx = 0;

  char* save = nullptr;
  for (char* token = copy ? strtok_r(copy, " ", &save) : nullptr; token;
       token = strtok_r(nullptr, " ", &save), ++tokenIdx)
  {
    char* inPart = token;
    char* outPart = std::strchr(token, '-');
    if (outPart)
      *outPart++ = '\0';

    LOOM_String* text = new (std::nothrow) LOOM_String();
    if (!text)
      break;
    text->SetFormatted(0, "%s-%s", inPart, outPart ? outPart : "");

    bool duplicate = false;
    for (int i = 0; i < texts.GetSize(); ++i)
      duplicate = duplicate || std::strcmp(texts.Get(i)->Get(), text->Get()) == 0;
    if (duplicate)
    {
      std::printf("Error: Duplicate IO string. %s\n", text->Get());
      LOOM_ASSERT_MSG(false, "duplicate configuration in the channel I/O string");
      delete text;
      continue;
    }

    IOConfig* config = new (std::nothrow) IOConfig();
    int nInChans = 0;
    int nOutChans = 0;
    bool ok = config && ParseIOSide(inPart, kInput, *config, nInChans, foundWildcard) &&
              ParseIOSide(outPart, kOutput, *config, nOutChans, foundWildcard);

    if (ok && foundWildcard && tokenIdx > 0)
    {
      std::printf("Error: You can only have a single IO config when using wild cards.\n");
      LOOM_ASSERT_MSG(false, "a wildcard needs a single channel I/O configuration");
      ok = false;
    }

    if (!ok)
    {
      delete config;
      delete text;
      continue;
    }

    PrintIOConfig(channelIOList.GetSize() + 1, text->Get(), *config, nInChans, nOutChans);

    if (!channelIOList.Add(config))
    {
      delete config;
      delete text;
      continue;
    }
    if (!texts.Add(text))
      delete text;

    totalNInChans = std::max(totalNInChans, nInChans);
    totalNOutChans = std::max(totalNOutChans, nOutChans);
    totalNInBuses = std::max(totalNInBuses, config->NBuses(kInput));
    totalNOutBuses = std::max(totalNOutBuses, config->NBuses(kOutput));
  }

  texts.Empty(true);
  std::free(copy);

  std::printf("%i I/O configs detected\n", channelIOList.GetSize());
  std::printf("Total # in chans: %i, Total # out chans: %i \n\n", totalNInChans, totalNOutChans);
  std::printf("END IWEFT CHANNEL IO PARSER --------------------------------------------------\n");

  return channelIOList.GetSize();
}

// --- Construction ----------------------------------------------------------------

IWeftProcessor::IWeftProcessor(const Config& config, EAPI)
: mPlugType(config.plugType)
, mDoesMIDIIn(config.plugDoesMidiIn)
, mDoesMIDIOut(config.plugDoesMidiOut)
, mDoesMPE(config.plugDoesMPE)
, mLatency(config.latency)
{
  int totalNInChans = 0;
  int totalNOutChans = 0;
  int totalNInBuses = 0;
  int totalNOutBuses = 0;
  ParseChannelIOStr(config.channelIOStr, mIOConfigs, totalNInChans, totalNOutChans, totalNInBuses, totalNOutBuses);

  CreateChannelData(kInput, totalNInChans);
  CreateChannelData(kOutput, totalNOutChans);
}

void IWeftProcessor::CreateChannelData(ERoute direction, int nChans)
{
  double** entries = mScratchData[direction].ResizeOK(nChans);
  if (!entries)
    return;
  for (int i = 0; i < nChans; ++i)
  {
    entries[i] = nullptr;
    ChannelData* record = new (std::nothrow) ChannelData();
    if (!record)
      return;
    record->mData = &entries[i];
    if (!mChannelData[direction].Add(record))
    {
      delete record;
      return;
    }
  }
}

IWeftProcessor::~IWeftProcessor()
{
  mChannelData[kInput].Empty(true);
  mChannelData[kOutput].Empty(true);
  mIOConfigs.Empty(true);
  delete mLatencyDelay.exchange(nullptr);
}

// --- Overridable defaults ------------------------------------------------------

void IWeftProcessor::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
  if (nFrames <= 0)
    return;
  const int nIn = mChannelData[kInput].GetSize();
  const int nOut = mChannelData[kOutput].GetSize();
  const size_t bytes = static_cast<size_t>(nFrames) * sizeof(double);
  for (int i = 0; i < nOut; ++i)
  {
    if (i < nIn)
    {
      if (inputs[i] != outputs[i])
        std::memmove(outputs[i], inputs[i], bytes);
    }
    else
    {
      std::memset(outputs[i], 0, bytes);
    }
  }
}

void IWeftProcessor::ProcessMidiMsg(const IMidiMsg& msg) { SendMidiMsg(msg); }

void IWeftProcessor::ProcessSysEx(const ISysEx&) {}

void IWeftProcessor::OnActivate(bool) {}

bool IWeftProcessor::SendMidiMsgs(const LOOM_TypedBuf<IMidiMsg>& msgs)
{
  bool allSent = true;
  const IMidiMsg* list = msgs.Get();
  const int n = static_cast<int>(msgs.GetSize());
  for (int i = 0; i < n; ++i)
    allSent = SendMidiMsg(list[i]) && allSent;
  return allSent;
}

bool IWeftProcessor::SendSysEx(const ISysEx&) { return false; }

void IWeftProcessor::GetBusName(ERoute direction, int busIdx, int nBuses, LOOM_String& name) const
{
  if (direction == kInput)
  {
    if (nBuses == 1)
      name.Set("Input");
    else if (nBuses == 2)
      name.Set(busIdx == 0 ? "Main" : "Aux");
    else
      name.SetFormatted(kMaxChannelLabelLen, "Input %i", busIdx);
  }
  else if (direction == kOutput)
  {
    if (nBuses == 1)
      name.Set("Output");
    else
      name.SetFormatted(kMaxChannelLabelLen, "Output %i", busIdx);
  }
  else
  {
    name.Set("");
  }
}

void IWeftProcessor::SetLatency(int samples)
{
  if (samples < 0)
    return;
  mLatency.store(samples, std::memory_order_relaxed);

  const NChanDelayLine<double>* current = mLatencyDelay.load(std::memory_order_relaxed);
  if (!current)
    return;
  if (NChanDelayLine<double>* line = MakeLatencyDelay(current->NInChans(), current->NOutChans(), samples))
    SwapLatencyDelay(line);
}

void IWeftProcessor::SetTailSize(int samples) { mTailSize = samples; }

int IWeftProcessor::GetAUPluginType() const noexcept
{
  switch (mPlugType)
  {
    case kPlugTypeEffect:
      return mDoesMIDIIn ? FourCharCode("aumf") : FourCharCode("aufx");
    case kPlugTypeInstrument:
      return FourCharCode("aumu");
    case kPlugTypeMIDIEffect:
      return FourCharCode("aumi");
    case kPlugTypeGenerator:
      return FourCharCode("augn");
    default:
      return FourCharCode("aufx");
  }
}

// --- Channel I/O queries -------------------------------------------------------

int IWeftProcessor::MaxNChannels(ERoute direction) const noexcept
{
  return IsValidRoute(direction) ? mChannelData[direction].GetSize() : 0;
}

bool IWeftProcessor::LegalIO(int nIn, int nOut) const noexcept
{
  for (int i = 0; i < NIOConfigs(); ++i)
  {
    const IOConfig* config = mIOConfigs.Get(i);
    const bool inMatches = nIn < 0 || config->GetTotalNChannels(kInput) == nIn;
    const bool outMatches = nOut < 0 || config->GetTotalNChannels(kOutput) == nOut;
    if (inMatches && outMatches)
      return true;
  }
  return false;
}

int IWeftProcessor::MaxNBuses(ERoute direction, int* configIdxWithMostBuses) const noexcept
{
  int maxNBuses = 0;
  int configIdx = 0;
  for (int i = 0; i < NIOConfigs(); ++i)
  {
    const int nBuses = mIOConfigs.Get(i)->NBuses(direction);
    if (nBuses >= maxNBuses)
    {
      maxNBuses = nBuses;
      configIdx = i;
    }
  }
  if (configIdxWithMostBuses)
    *configIdxWithMostBuses = configIdx;
  return maxNBuses;
}

bool IWeftProcessor::HasWildcardBus(ERoute direction) const noexcept
{
  const IOConfig* first = mIOConfigs.Get(0);
  return first && first->ContainsWildcard(direction);
}

int IWeftProcessor::MaxNChannelsForBus(ERoute direction, int busIdx) const noexcept
{
  if (HasWildcardBus(direction))
    return -1;
  int maxNChans = 0;
  for (int i = 0; i < NIOConfigs(); ++i)
    maxNChans = std::max(maxNChans, mIOConfigs.Get(i)->NChansOnBusSAFE(direction, busIdx));
  return maxNChans;
}

int IWeftProcessor::GetIOConfigWithChanCounts(const std::vector<int>& inputBuses,
                                              const std::vector<int>& outputBuses) const
{
  const auto matches = [](const IOConfig& config, ERoute direction, const std::vector<int>& counts) {
    if (static_cast<size_t>(config.NBuses(direction)) != counts.size())
      return false;
    for (size_t bus = 0; bus < counts.size(); ++bus)
    {
      if (config.NChansOnBusSAFE(direction, static_cast<int>(bus)) != counts[bus])
        return false;
    }
    return true;
  };

  for (int i = 0; i < NIOConfigs(); ++i)
  {
    const IOConfig& config = *mIOConfigs.Get(i);
    if (matches(config, kInput, inputBuses) && matches(config, kOutput, outputBuses))
      return i;
  }
  return -1;
}

// --- Channel connection and buffers ------------------------------------------

IWeftProcessor::ChannelData* IWeftProcessor::GetChannelData(ERoute direction, int chIdx) const noexcept
{
  return IsValidRoute(direction) ? mChannelData[direction].Get(chIdx) : nullptr;
}

bool IWeftProcessor::ClipChannelRange(ERoute direction, int chIdx, int n, int& end) const noexcept
{
  if (!IsValidRoute(direction) || chIdx < 0 || n < 0)
    return false;
  const long long last = static_cast<long long>(chIdx) + n;
  const int nRecords = mChannelData[direction].GetSize();
  end = last < nRecords ? static_cast<int>(last) : nRecords;
  return true;
}

bool IWeftProcessor::IsChannelConnected(ERoute direction, int chIdx) const noexcept
{
  const ChannelData* record = GetChannelData(direction, chIdx);
  return record && record->mConnected;
}

int IWeftProcessor::NChannelsConnected(ERoute direction) const noexcept
{
  int count = 0;
  for (int i = 0; i < MaxNChannels(direction); ++i)
    count += mChannelData[direction].Get(i)->mConnected ? 1 : 0;
  return count;
}

void IWeftProcessor::SetChannelConnections(ERoute direction, int chIdx, int n, bool connected) noexcept
{
  int end = 0;
  if (!ClipChannelRange(direction, chIdx, n, end))
    return;
  for (int i = chIdx; i < end; ++i)
  {
    ChannelData* record = mChannelData[direction].Get(i);
    record->mConnected = connected;
    if (!connected)
      *record->mData = record->mScratchBuf.Get();
  }
}

void IWeftProcessor::LimitToStereoIO() noexcept
{
  for (ERoute direction : {kInput, kOutput})
  {
    const int nRecords = MaxNChannels(direction);
    if (nRecords > 2)
      SetChannelConnections(direction, 2, nRecords - 2, false);
  }
}

void IWeftProcessor::SetChannelLabel(ERoute direction, int chIdx, const char* format, bool zeroBased)
{
  ChannelData* record = GetChannelData(direction, chIdx);
  if (!record || !format)
    return;
  record->mLabel.SetFormatted(kMaxChannelLabelLen, format, zeroBased ? chIdx : chIdx + 1);
}

const char* IWeftProcessor::GetChannelLabel(ERoute direction, int chIdx) const noexcept
{
  const ChannelData* record = GetChannelData(direction, chIdx);
  return record ? record->mLabel.Get() : nullptr;
}

bool IWeftProcessor::AttachBuffers(ERoute direction, int chIdx, int n, double** ppData, int nFrames) noexcept
{
  int end = 0;
  if (!ppData || !FrameCountFits(nFrames) || !ClipChannelRange(direction, chIdx, n, end))
    return false;
  AttachConnected(mChannelData[direction], chIdx, end, ppData, [direction, nFrames](auto& record, double* host) {
    record.mIncomingData = nullptr;
    if (host)
    {
      *record.mData = host;
    }
    else
    {
      double* scratch = record.mScratchBuf.Get();
      if (direction == kInput)
        ZeroFrames(scratch, nFrames);
      *record.mData = scratch;
    }
  });
  return true;
}

bool IWeftProcessor::AttachBuffers(ERoute direction, int chIdx, int n, float** ppData, int nFrames) noexcept
{
  int end = 0;
  if (!ppData || !FrameCountFits(nFrames) || !ClipChannelRange(direction, chIdx, n, end))
    return false;
  AttachConnected(mChannelData[direction], chIdx, end, ppData, [direction, nFrames](auto& record, float* host) {
    double* scratch = record.mScratchBuf.Get();
    if (direction == kInput)
    {
      if (host)
        CastCopy(scratch, host, nFrames);
      else
        ZeroFrames(scratch, nFrames);
    }
    else
    {
      record.mIncomingData = host;
    }
    *record.mData = scratch;
  });
  return true;
}

bool IWeftProcessor::SetBlockSize(int blockSize)
{
  if (blockSize < 0 || static_cast<long long>(blockSize) * static_cast<long long>(sizeof(double)) > INT_MAX)
    return false;
  if (blockSize == mBlockSize)
    return true;

  // Grow (or shorten) every buffer without ever shrinking an allocation, so
  // that going back to the old size after a failure cannot fail itself.
  // Slots that pointed at a buffer follow it when it moves.
  const auto resize = [](ChannelData& record, int size) {
    double* before = record.mScratchBuf.GetFast();
    record.mScratchBuf.Resize(size, false);
    if (!record.mConnected || *record.mData == before)
      *record.mData = record.mScratchBuf.Get();
    return static_cast<int>(record.mScratchBuf.GetSize()) == size;
  };

  for (ERoute direction : {kInput, kOutput})
  {
    for (int i = 0; i < MaxNChannels(direction); ++i)
    {
      if (resize(*mChannelData[direction].Get(i), blockSize))
        continue;

      for (ERoute undoDirection : {kInput, kOutput})
      {
        for (int j = 0; j < MaxNChannels(undoDirection); ++j)
          resize(*mChannelData[undoDirection].Get(j), mBlockSize);
      }
      return false;
    }
  }

  mBlockSize = blockSize;
  ZeroScratchBuffers();
  return true;
}

void IWeftProcessor::ZeroScratchBuffers() noexcept
{
  if (mBlockSize <= 0)
    return;
  for (ERoute direction : {kInput, kOutput})
  {
    for (int i = 0; i < MaxNChannels(direction); ++i)
      ZeroFrames(mChannelData[direction].Get(i)->mScratchBuf.Get(), mBlockSize);
  }
}

// --- Latency delay line ------------------------------------------------------

NChanDelayLine<double>* IWeftProcessor::MakeLatencyDelay(int nInChans, int nOutChans, int delaySamples) const
{
  NChanDelayLine<double>* line = new (std::nothrow) NChanDelayLine<double>(nInChans, nOutChans);
  if (line && !line->SetDelayTime(delaySamples))
  {
    delete line;
    return nullptr;
  }
  return line;
}

bool IWeftProcessor::InitLatencyDelay()
{
  const int nIn = MaxNChannels(kInput);
  if (nIn == 0)
    return false;
  NChanDelayLine<double>* line = MakeLatencyDelay(nIn, MaxNChannels(kOutput), GetLatency());
  if (!line)
    return false;
  SwapLatencyDelay(line);
  return true;
}

void IWeftProcessor::SwapLatencyDelay(NChanDelayLine<double>* newLine)
{
  // Sequentially consistent exchange and load pair with the render thread's
  // epoch increment and load (see ProcessBlockThroughDelay): either the
  // render sees the new line, or this thread sees its odd epoch and waits for
  // the increment that ends its use of the old line.
  NChanDelayLine<double>* old = mLatencyDelay.exchange(newLine);
  if (!old)
    return;
  const uint32_t epoch = mLatencyDelayEpoch.load();
  if (epoch & 1u)
  {
    while (mLatencyDelayEpoch.load() == epoch)
      std::this_thread::yield();
  }
  delete old;
}

void IWeftProcessor::ProcessBlockThroughDelay(int nFrames) noexcept
{
  double** inputs = mScratchData[kInput].Get();
  double** outputs = mScratchData[kOutput].Get();

  mLatencyDelayEpoch.fetch_add(1); // odd: the line below may be in use
  NChanDelayLine<double>* line = GetLatency() != 0 ? mLatencyDelay.load() : nullptr;
  if (line && line->GetDelayTime() > 0)
  {
    line->ProcessBlock(inputs, outputs, nFrames);
    // Outputs without an input would otherwise repeat stale scratch samples.
    const int nOut = MaxNChannels(kOutput);
    for (int c = std::min(line->NInChans(), nOut); c < nOut; ++c)
      ZeroFrames(outputs[c], nFrames);
  }
  else
  {
    IWeftProcessor::ProcessBlock(inputs, outputs, nFrames);
  }
  mLatencyDelayEpoch.fetch_add(1, std::memory_order_release); // even: done with it
}

// --- Process entry points ----------------------------------------------------

void IWeftProcessor::WriteOutputsToHost(int nFrames, bool accumulate) noexcept
{
  for (int i = 0; i < MaxNChannels(kOutput); ++i)
  {
    ChannelData* record = mChannelData[kOutput].Get(i);
    float* host = record->mIncomingData;
    if (!record->mConnected || !host)
      continue;
    const double* samples = *record->mData;
    if (accumulate)
    {
      for (int s = 0; s < nFrames; ++s)
        host[s] += static_cast<float>(samples[s]);
    }
    else
    {
      CastCopy(host, samples, nFrames);
    }
  }
}

bool IWeftProcessor::ProcessBuffers(double, int nFrames) noexcept
{
  if (!FrameCountFits(nFrames))
    return false;
  ProcessBlock(mScratchData[kInput].Get(), mScratchData[kOutput].Get(), nFrames);
  return true;
}

bool IWeftProcessor::ProcessBuffers(float, int nFrames) noexcept
{
  if (!ProcessBuffers(0.0, nFrames))
    return false;
  WriteOutputsToHost(nFrames, false);
  return true;
}

bool IWeftProcessor::ProcessBuffersAccumulating(int nFrames) noexcept
{
  if (!ProcessBuffers(0.0, nFrames))
    return false;
  WriteOutputsToHost(nFrames, true);
  return true;
}

bool IWeftProcessor::PassThroughBuffers(double, int nFrames) noexcept
{
  if (!FrameCountFits(nFrames))
    return false;
  // A ProcessBlock that worked in place may have left samples in the scratch
  // buffer of an input without a connection; passed through, they would
  // repeat on every bypassed block.
  for (int i = 0; i < MaxNChannels(kInput); ++i)
  {
    ChannelData* record = mChannelData[kInput].Get(i);
    if (!record->mConnected)
      ZeroFrames(*record->mData, nFrames);
  }
  ProcessBlockThroughDelay(nFrames);
  return true;
}

bool IWeftProcessor::PassThroughBuffers(float, int nFrames) noexcept
{
  if (!PassThroughBuffers(0.0, nFrames))
    return false;
  WriteOutputsToHost(nFrames, false);
  return true;
}

} // namespace weft
