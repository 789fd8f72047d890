#pragma once
// The audio-side base of every plug-in: the legal channel I/O configurations,
// one channel record per possible input and output channel, the latency
// delay line for bypass and the host's transport snapshot.
//
// Threads:
// - Set-up thread (the thread the host initialises and sets properties on,
//   "main" below): construction, SetBlockSize, InitLatencyDelay, SetLatency,
//   SetSampleRate, SetTailSize. Never concurrently with a render, except
//   SetLatency, which may come at any time (see SetLatency).
// - Render thread: the connection, attachment and process operations,
//   SetTimeInfo and the MIDI and SysEx operations. None of them allocates,
//   locks or blocks.
// - Any thread: the channel I/O queries (the configurations never change
//   after construction), the bypass, offline and latency flags.

#include "IWeftChannelData.h"
#include "IWeftConfig.h"
#include "IWeftDelayLine.h"
#include "IWeftIOConfig.h"
#include "IWeftMidi.h"
#include "IWeftStructs.h"
#include "LOOM_HeapBuf.h"
#include "LOOM_PtrList.h"
#include "LOOM_String.h"

#include <atomic>
#include <climits>
#include <cstdint>
#include <vector>

namespace weft {

// Copies n samples converting each with a plain numeric conversion.
template <typename TDest, typename TSrc>
inline void CastCopy(TDest* pDest, const TSrc* pSrc, int n) noexcept
{
  for (int i = 0; i < n; ++i)
    pDest[i] = static_cast<TDest>(pSrc[i]);
}

class IWeftProcessor
{
public:
  // A tail size of this value means the tail never ends.
  static constexpr int kTailInfinite = INT_MAX;

  // Plug-in types of Config::plugType.
  static constexpr int kPlugTypeEffect = 0;
  static constexpr int kPlugTypeInstrument = 1;
  static constexpr int kPlugTypeMIDIEffect = 2;
  static constexpr int kPlugTypeGenerator = 3;

  // Parses config.channelIOStr (printing the parser's report to standard
  // output) and creates the channel records. The API does not change the
  // processing frame.
  IWeftProcessor(const Config& config, EAPI plugAPI);
  virtual ~IWeftProcessor();

  IWeftProcessor(const IWeftProcessor&) = delete;
  IWeftProcessor& operator=(const IWeftProcessor&) = delete;

  // --- Overridable operations ----------------------------------------------

  // Render thread. One pointer per channel record of each direction
  // (MaxNChannels), connected or not, each to nFrames samples; an input and
  // an output pointer may be the same buffer. The default copies input i to
  // output i below both counts and zeroes the remaining outputs.
  virtual void ProcessBlock(double** inputs, double** outputs, int nFrames);

  // Render thread. The default passes the message on through SendMidiMsg.
  virtual void ProcessMidiMsg(const IMidiMsg& msg);
  // Render thread. The default ignores the message.
  virtual void ProcessSysEx(const ISysEx& msg);
  // Set-up thread, when the host resets or (de)activates the plug-in.
  virtual void OnReset() {}
  virtual void OnActivate(bool active);
  // Render thread; implemented by the API binding. True when sent.
  virtual bool SendMidiMsg(const IMidiMsg& msg) = 0;
  // Sends every message in order; true only when every one was sent.
  virtual bool SendMidiMsgs(const LOOM_TypedBuf<IMidiMsg>& msgs);
  // The default sends nothing and returns false.
  virtual bool SendSysEx(const ISysEx& msg);
  // Names bus busIdx (from 0) of nBuses in a direction, at most 32
  // characters; an invalid direction gives an empty name.
  virtual void GetBusName(ERoute direction, int busIdx, int nBuses, LOOM_String& name) const;
  // Main thread, at any time, also while rendering. Stores the latency and
  // re-times (clearing) an existing delay line: a new line is built here and
  // swapped in; the old one is deleted once no bypass render can still be
  // using it (this thread waits for at most one block). A negative latency
  // is refused; when the new line cannot be allocated the old one stays.
  virtual void SetLatency(int samples);
  virtual void SetTailSize(int samples);

  // --- Plain getters and setters -------------------------------------------

  double GetSampleRate() const noexcept { return mSampleRate; }
  void SetSampleRate(double sampleRate) noexcept { mSampleRate = sampleRate; }
  int GetBlockSize() const noexcept { return mBlockSize; }
  int GetLatency() const noexcept { return mLatency.load(std::memory_order_relaxed); }
  int GetTailSize() const noexcept { return mTailSize; }
  bool GetTailIsInfinite() const noexcept { return mTailSize == kTailInfinite; }
  bool GetBypassed() const noexcept { return mBypassed.load(std::memory_order_relaxed); }
  void SetBypassed(bool bypassed) noexcept { mBypassed.store(bypassed, std::memory_order_relaxed); }
  bool GetRenderingOffline() const noexcept { return mRenderingOffline.load(std::memory_order_relaxed); }
  void SetRenderingOffline(bool offline) noexcept { mRenderingOffline.store(offline, std::memory_order_relaxed); }
  bool IsInstrument() const noexcept { return mPlugType == kPlugTypeInstrument; }
  bool IsMidiEffect() const noexcept { return mPlugType == kPlugTypeMIDIEffect; }
  bool DoesMIDIIn() const noexcept { return mDoesMIDIIn; }
  bool DoesMIDIOut() const noexcept { return mDoesMIDIOut; }
  bool DoesMPE() const noexcept { return mDoesMPE; }

  // The Audio Unit component type as a four-character code: "aufx" (or
  // "aumf" with MIDI in) for an effect, "aumu" instrument, "aumi" MIDI
  // effect, "augn" generator, "aufx" for any other type.
  int GetAUPluginType() const noexcept;

  // --- Transport (render thread) -------------------------------------------

  // Replaces the whole snapshot; the binding calls it before each block.
  void SetTimeInfo(const ITimeInfo& timeInfo) noexcept { mTimeInfo = timeInfo; }
  double GetTempo() const noexcept { return mTimeInfo.mTempo; }
  double GetPPQPos() const noexcept { return mTimeInfo.mPPQPos; }
  void GetTimeSig(int& numerator, int& denominator) const noexcept
  {
    numerator = mTimeInfo.mNumerator;
    denominator = mTimeInfo.mDenominator;
  }
  bool GetTransportIsRunning() const noexcept { return mTimeInfo.mTransportIsRunning; }
  // sample rate x 60 / tempo; 0 when the tempo is not above 0.
  double GetSamplesPerBeat() const noexcept { return mTimeInfo.GetSamplesPerBeat(mSampleRate); }

  // --- Channel I/O configurations (any thread) -----------------------------

  int NIOConfigs() const noexcept { return mIOConfigs.GetSize(); }
  // Null for an index out of range.
  const IOConfig* GetIOConfig(int idx) const noexcept { return mIOConfigs.Get(idx); }
  // Number of channel records of the direction: the largest total channel
  // count of any configuration. 0 for an invalid direction.
  int MaxNChannels(ERoute direction) const noexcept;

  // True when some configuration has exactly nIn input and nOut output
  // channels in total; a negative count matches any total.
  bool LegalIO(int nIn, int nOut) const noexcept;
  // Largest bus count of the direction over all configurations; the index of
  // the last configuration with that count goes to configIdxWithMostBuses.
  // 0 and index 0 without configurations.
  int MaxNBuses(ERoute direction, int* configIdxWithMostBuses = nullptr) const noexcept;
  // Whether configuration 0 has a wildcard bus in the direction; false
  // without configurations.
  bool HasWildcardBus(ERoute direction) const noexcept;
  // -1 when the direction has a wildcard bus; else the largest channel count
  // of bus busIdx over all configurations (0 where no configuration has it).
  int MaxNChannelsForBus(ERoute direction, int busIdx) const noexcept;
  // Index of the first configuration whose buses have exactly these channel
  // counts, -1 when none has.
  int GetIOConfigWithChanCounts(const std::vector<int>& inputBuses, const std::vector<int>& outputBuses) const;

  // --- Channel connection and buffers (render thread unless noted) ---------
  //
  // Ranges [chIdx, chIdx + n) are clipped to the record count; a negative
  // chIdx, a negative n or an invalid direction is refused (nothing happens,
  // false where there is a result).

  // False for an index out of range.
  bool IsChannelConnected(ERoute direction, int chIdx) const noexcept;
  int NChannelsConnected(ERoute direction) const noexcept;
  int NInChansConnected() const noexcept { return NChannelsConnected(kInput); }
  int NOutChansConnected() const noexcept { return NChannelsConnected(kOutput); }

  // An unconnected channel's pointer is its own scratch buffer.
  void SetChannelConnections(ERoute direction, int chIdx, int n, bool connected) noexcept;
  // Disconnects every channel from 2 on in both directions.
  void LimitToStereoIO() noexcept;
  // Main thread. Formats the label from format and the channel number (chIdx,
  // or chIdx + 1 unless zeroBased), at most 32 characters. format takes one
  // int.
  void SetChannelLabel(ERoute direction, int chIdx, const char* format, bool zeroBased = false);
  // Null for an index out of range.
  const char* GetChannelLabel(ERoute direction, int chIdx) const noexcept;

  // Points each connected channel of the range at the next of ppData; the
  // pointers advance only over connected channels. A null host pointer gives
  // the channel its scratch buffer (silence for an input). Refused when
  // ppData is null or nFrames is outside 0..GetBlockSize().
  bool AttachBuffers(ERoute direction, int chIdx, int n, double** ppData, int nFrames) noexcept;
  // 32-bit host buffers: an input's nFrames samples are converted into its
  // scratch buffer; an output processes in its scratch buffer and remembers
  // the host buffer, written back by the float process entry points.
  bool AttachBuffers(ERoute direction, int chIdx, int n, float** ppData, int nFrames) noexcept;

  // Set-up thread, not while rendering. Resizes every scratch buffer to
  // blockSize samples (frames) and zeroes it. False when blockSize is
  // negative, its byte count overflows int32 or a buffer cannot grow: then
  // the old size and buffers stay. The same size again changes nothing.
  // Unconnected channels are re-pointed at their resized scratch buffers.
  bool SetBlockSize(int blockSize);
  // Zeroes GetBlockSize() samples of every scratch buffer.
  void ZeroScratchBuffers() noexcept;
  // Set-up thread. With at least one input channel, replaces the delay line
  // by one for (input, output) channel records timed to the latency. False
  // when there are no input channels or the line cannot be allocated (the
  // old line then stays).
  bool InitLatencyDelay();

  // --- Process entry points (render thread) --------------------------------
  //
  // nFrames must be within 0..GetBlockSize(); otherwise the call is refused
  // (false) and nothing is processed or written.

  // ProcessBlock over the channel pointers.
  bool ProcessBuffers(double, int nFrames) noexcept;
  // As above, then every connected output is converted into its host buffer.
  bool ProcessBuffers(float, int nFrames) noexcept;
  // As above, but adding onto the host buffers (each sample converted to
  // float first).
  bool ProcessBuffersAccumulating(int nFrames) noexcept;
  // Bypass: with a latency and a delay line, inputs reach the outputs
  // through the delay line and outputs without an input are zeroed;
  // otherwise the base ProcessBlock (never an override) copies them.
  bool PassThroughBuffers(double, int nFrames) noexcept;
  // As above, then every connected output is converted into its host buffer.
  bool PassThroughBuffers(float, int nFrames) noexcept;

  // Parses a channel I/O text such as "1-1 1.2-2 2-2" into configurations
  // appended to channelIOList, printing a report to standard output. The
  // four totals receive the largest total input and output channel counts
  // and the largest input and output bus counts (never below 0). Returns
  // the number of configurations in the list. A malformed configuration
  // prints an error and asserts; release builds leave it out.
  static int ParseChannelIOStr(const char* IOStr, LOOM_PtrList<IOConfig>& channelIOList, int& totalNInChans,
                               int& totalNOutChans, int& totalNInBuses, int& totalNOutBuses);

private:
  using ChannelData = IChannelData<float, double>;

  ChannelData* GetChannelData(ERoute direction, int chIdx) const noexcept;
  // Clips [chIdx, chIdx + n) to the records of the direction; false for an
  // invalid direction, a negative chIdx or n.
  bool ClipChannelRange(ERoute direction, int chIdx, int n, int& end) const noexcept;
  bool FrameCountFits(int nFrames) const noexcept { return nFrames >= 0 && nFrames <= mBlockSize; }
  void CreateChannelData(ERoute direction, int nChans);
  void ProcessBlockThroughDelay(int nFrames) noexcept;
  void WriteOutputsToHost(int nFrames, bool accumulate) noexcept;
  // Main thread: publishes newLine (may be null) and deletes the previous line
  // once no bypass render is using it.
  void SwapLatencyDelay(NChanDelayLine<double>* newLine);
  NChanDelayLine<double>* MakeLatencyDelay(int nInChans, int nOutChans, int delaySamples) const;

  int mPlugType;
  bool mDoesMIDIIn;
  bool mDoesMIDIOut;
  bool mDoesMPE;
  std::atomic<int> mLatency;       // samples; written on the main thread, read by the render thread
  double mSampleRate = 48000.0;    // Hz
  int mBlockSize = 0;              // frames; set-up thread only
  int mTailSize = 0;               // samples
  std::atomic<bool> mBypassed{false};         // written by the binding, read by the render thread
  std::atomic<bool> mRenderingOffline{false}; // written by the binding, read by the render thread
  LOOM_PtrList<IOConfig> mIOConfigs;          // owned; fixed after construction
  // Entry i is channel i's current sample pointer. Sized once at
  // construction and never moved: the channel records point into them.
  LOOM_TypedBuf<double*> mScratchData[kNumRoutes];
  LOOM_PtrList<ChannelData> mChannelData[kNumRoutes]; // owned; record i's slot is entry i
  // Owned. Replaced only by SwapLatencyDelay on the main thread; the render
  // thread reads it inside an odd mLatencyDelayEpoch.
  std::atomic<NChanDelayLine<double>*> mLatencyDelay{nullptr};
  // Incremented by the render thread when it starts and when it stops using
  // the delay line (odd while in use); the main thread waits on it before
  // deleting a replaced line.
  std::atomic<uint32_t> mLatencyDelayEpoch{0};
  ITimeInfo mTimeInfo; // render thread: written by the binding, read by ProcessBlock
};

} // namespace weft
