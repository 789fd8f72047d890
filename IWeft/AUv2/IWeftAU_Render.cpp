// The render road: pulling the input buses, handing the host's buffers to
// the processor, the block's transport information, and the scratch buffers
// the road relies on. RenderProc and PreProcess run on the render thread and
// never allocate, lock or print; the rest runs on the main thread.

#include "IWeftAU.h"

#include "LOOM_Assert.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace weft {

namespace {

constexpr UInt32 kBytesPerSample = sizeof(float);

// Channels a scratch array of the direction holds per frame: enough for
// every channel of every bus, and for every channel record.
int ScratchChannels(const LOOM_PtrList<IWeftAU::BusChannels>& buses, int nRecords) noexcept
{
  int sum = 0;
  for (int i = 0; i < buses.GetSize(); ++i)
    sum += buses.Get(i)->mPlugChannels;
  return std::max(sum, nRecords);
}

bool ResizeAndZero(LOOM_TypedBuf<float>& buf, long long count)
{
  if (count < 0 || count * static_cast<long long>(sizeof(float)) > INT_MAX)
    return false;
  const int n = static_cast<int>(count);
  buf.Resize(n);
  if (static_cast<int>(buf.GetSize()) != n)
    return false;
  if (n > 0)
    std::memset(buf.Get(), 0, static_cast<size_t>(n) * sizeof(float));
  return true;
}

} // namespace

OSStatus IWeftAU::RenderCallback(const AURenderCallbackStruct* pCallback, AudioUnitRenderActionFlags* ioActionFlags,
                                 const AudioTimeStamp* inTimeStamp, UInt32 bus, UInt32 nFrames,
                                 AudioBufferList* ioData)
{
  return pCallback->inputProc(pCallback->inputProcRefCon, ioActionFlags, inTimeStamp, bus, nFrames, ioData);
}

OSStatus IWeftAU::RenderProc(void* pPlug, AudioUnitRenderActionFlags* /* ioActionFlags */,
                             const AudioTimeStamp* inTimeStamp, UInt32 outputBus, UInt32 nFrames,
                             AudioBufferList* ioData)
{
  auto* _this = static_cast<IWeftAU*>(pPlug);
  if (!inTimeStamp || !ioData)
    return _this->RenderFailed(kAudioUnitErr_InvalidPropertyValue);
  // Nothing is sized or reset for a render before Initialize.
  if (!_this->IsActive())
    return _this->RenderFailed(kAudioUnitErr_Uninitialized);

  _this->mLastRenderTimeStamp = *inTimeStamp;

  if (!(inTimeStamp->mFlags & kAudioTimeStampSampleTimeValid))
    return _this->RenderFailed(kAudioUnitErr_InvalidPropertyValue);
  if (nFrames > static_cast<UInt32>(_this->GetBlockSize()))
    return _this->RenderFailed(kAudioUnitErr_InvalidPropertyValue);

  const bool midiEffect = _this->IsMidiEffect();
  BusChannels* pOutBus = _this->mOutBuses.Get(static_cast<int>(std::min<UInt32>(outputBus, INT_MAX)));
  if (!pOutBus && !midiEffect)
    return _this->RenderFailed(kAudioUnitErr_InvalidElement);

  const int frames = static_cast<int>(nFrames);
  const UInt32 bufferBytes = nFrames * kBytesPerSample;
  const int nOutBuffers =
    pOutBus ? std::min(static_cast<int>(std::min<UInt32>(ioData->mNumberBuffers, INT_MAX)), pOutBus->mPlugChannels)
            : 0;

  // A host buffer shorter than the block would be written past its end.
  for (int c = 0; c < nOutBuffers; ++c)
  {
    const AudioBuffer& buffer = ioData->mBuffers[c];
    if (buffer.mData && buffer.mDataByteSize < bufferBytes)
      return _this->RenderFailed(kAudio_ParamError);
  }

  const int nNotifies = _this->mRenderNotifies.Size();
  auto notifyAll = [&](AudioUnitRenderActionFlags flagsToSend) {
    for (int i = 0; i < nNotifies; ++i)
    {
      const RenderNotify& notify = _this->mRenderNotifies.Get(i);
      AudioUnitRenderActionFlags flags = flagsToSend;
      notify.mProc(notify.mUserData, &flags, inTimeStamp, outputBus, nFrames, ioData);
    }
  };
  notifyAll(kAudioUnitRenderAction_PreRender);

  const bool newSlice = inTimeStamp->mSampleTime != _this->mLastRenderSampleTime.load(std::memory_order_relaxed);
  const bool severalOutBuses = _this->mOutBuses.GetSize() > 1;
  bool process = midiEffect;

  if (!midiEffect)
  {
    if (newSlice)
    {
      const OSStatus status = _this->PullInputs(inTimeStamp, nFrames);
      if (status != noErr)
      {
        notifyAll(kAudioUnitRenderAction_PostRender | kAudioUnitRenderAction_PostRenderError);
        return _this->RenderFailed(status);
      }
      _this->mLastRenderSampleTime.store(inTimeStamp->mSampleTime, std::memory_order_relaxed);
    }

    // The host reads buffers it left null from the unit's own.
    float* pOutScratch = _this->mOutScratchBuf.Get();
    for (int c = 0; c < nOutBuffers; ++c)
    {
      AudioBuffer& buffer = ioData->mBuffers[c];
      if (!buffer.mData)
      {
        buffer.mData = pOutScratch + static_cast<size_t>(pOutBus->mFirstPlugChannel + c) * nFrames;
        buffer.mDataByteSize = bufferBytes;
      }
    }
    pOutBus->mConnected = true;

    if (!severalOutBuses)
    {
      _this->ConnectOutputBus(*pOutBus, nOutBuffers, ioData, frames);
      process = true;
    }
    else if (newSlice)
    {
      // Every bus is processed now into the unit's own buffers: a host buffer
      // of an earlier call of this slice may no longer exist.
      for (int b = 0; b < _this->mOutBuses.GetSize(); ++b)
      {
        BusChannels& bus = *_this->mOutBuses.Get(b);
        const int n = &bus == pOutBus ? nOutBuffers
                                      : std::min(bus.mHostChannels < 0 ? bus.mPlugChannels : bus.mHostChannels,
                                                 bus.mPlugChannels);
        _this->ConnectOutputBus(bus, n, nullptr, frames);
      }
      process = true;
    }
  }

  if (process)
  {
    // acquire/release: pairs with ExcludingRender on the main thread.
    if (!_this->mProcessingGuard.exchange(true, std::memory_order_acquire))
    {
      if (_this->GetBypassed())
      {
        _this->PassThroughBuffers(0.0f, frames);
      }
      else
      {
        IMidiMsg msg;
        while (_this->mMidiMsgsFromEditor.Pop(msg))
          _this->ProcessMidiMsg(msg);
        _this->PreProcess();
        _this->ProcessBuffers(0.0f, frames);
      }
      _this->mProcessingGuard.store(false, std::memory_order_release);
    }
    else
    {
      // The main thread is resetting the plug-in's state: this one slice
      // passes the inputs through rather than wait for it.
      _this->PassThroughBuffers(0.0f, frames);
    }
  }

  if (severalOutBuses && pOutBus)
  {
    const float* pOutScratch = _this->mOutScratchBuf.Get();
    for (int c = 0; c < nOutBuffers; ++c)
    {
      const float* pSource = pOutScratch + static_cast<size_t>(pOutBus->mFirstPlugChannel + c) * nFrames;
      auto* pDest = static_cast<float*>(ioData->mBuffers[c].mData);
      if (pDest != pSource)
        std::memcpy(pDest, pSource, bufferBytes);
    }
  }

  if (nNotifies > 0)
    notifyAll(kAudioUnitRenderAction_PostRender);

  _this->OutputSysexFromEditor();
  return noErr;
}

OSStatus IWeftAU::PullInputs(const AudioTimeStamp* inTimeStamp, UInt32 nFrames)
{
  const int frames = static_cast<int>(nFrames);
  const UInt32 bufferBytes = nFrames * kBytesPerSample;
  for (int i = 0; i < mInBuses.GetSize(); ++i)
  {
    BusChannels* pInBus = mInBuses.Get(i);
    InputBusConnection* pConnection = mInBusConnections.Get(i);
    if (!pInBus->mConnected || !pConnection)
      continue;

    const int nBuffers = std::max(0, std::min({pInBus->mHostChannels, pInBus->mPlugChannels, kMaxBusChannels}));
    alignas(AudioBufferList) Byte listStorage[AudioBufferListSize(kMaxBusChannels)];
    auto* pList = reinterpret_cast<AudioBufferList*>(listStorage);
    pList->mNumberBuffers = static_cast<UInt32>(nBuffers);
    for (int c = 0; c < nBuffers; ++c)
    {
      pList->mBuffers[c].mNumberChannels = 1;
      pList->mBuffers[c].mDataByteSize = bufferBytes;
      pList->mBuffers[c].mData = nullptr;
    }

    AudioUnitRenderActionFlags flags = 0;
    OSStatus status = noErr;
    switch (pConnection->mInputType)
    {
      case eDirectFastProc:
        status = pConnection->mUpstreamRenderProc(pConnection->mUpstreamObject, &flags, inTimeStamp,
                                                  pConnection->mUpstreamBus, nFrames, pList);
        break;
      case eDirectNoFastProc:
        status = AudioUnitRender(pConnection->mUpstreamUnit, &flags, inTimeStamp, pConnection->mUpstreamBus,
                                 nFrames, pList);
        break;
      case eRenderCallback:
      {
        float* pScratch = mInScratchBuf.Get();
        for (int c = 0; c < nBuffers; ++c)
          pList->mBuffers[c].mData = pScratch + static_cast<size_t>(pInBus->mFirstPlugChannel + c) * nFrames;
        status = RenderCallback(&pConnection->mRenderCallback, &flags, inTimeStamp, static_cast<UInt32>(i),
                                nFrames, pList);
        break;
      }
      default:
        continue;
    }
    if (status != noErr)
      return status;

    // Buffers the upstream side left out, null or short read as silence.
    const int nReturned = std::min(nBuffers, static_cast<int>(std::min<UInt32>(pList->mNumberBuffers, INT_MAX)));
    float* pFirst = nullptr;
    for (int c = 0; c < nBuffers; ++c)
    {
      float* pData = nullptr;
      if (c < nReturned && pList->mBuffers[c].mDataByteSize >= bufferBytes)
        pData = static_cast<float*>(pList->mBuffers[c].mData);
      if (c == 0)
        pFirst = pData;
      AttachBuffers(kInput, pInBus->mFirstPlugChannel + c, 1, &pData, frames);
    }

    // A mono main input under a main output of two or more channels feeds
    // its one channel to the bus's second channel as well, so that both
    // output channels carry it (bypassed too).
    if (i == 0 && nBuffers == 1 && pInBus->mPlugChannels >= 2)
    {
      const BusChannels* pMainOut = mOutBuses.Get(0);
      const int nMainOut = pMainOut ? (pMainOut->mHostChannels < 0 ? pMainOut->mPlugChannels
                                                                    : std::min(pMainOut->mHostChannels,
                                                                               pMainOut->mPlugChannels))
                                    : 0;
      const bool upmix = nMainOut >= 2;
      SetChannelConnections(kInput, pInBus->mFirstPlugChannel + 1, 1, upmix);
      if (upmix)
        AttachBuffers(kInput, pInBus->mFirstPlugChannel + 1, 1, &pFirst, frames);
    }
  }
  return noErr;
}

void IWeftAU::ConnectOutputBus(BusChannels& bus, int nBuffers, AudioBufferList* ioData, int nFrames)
{
  // Only channels that receive a buffer are connected; the rest of the bus
  // processes in the processor's own scratch.
  nBuffers = std::max(0, std::min(nBuffers, bus.mPlugChannels));
  SetChannelConnections(kOutput, bus.mFirstPlugChannel, nBuffers, true);
  SetChannelConnections(kOutput, bus.mFirstPlugChannel + nBuffers, bus.mPlugChannels - nBuffers, false);
  float* pOutScratch = mOutScratchBuf.Get();
  for (int c = 0; c < nBuffers; ++c)
  {
    float* pData = ioData ? static_cast<float*>(ioData->mBuffers[c].mData)
                          : pOutScratch + static_cast<size_t>(bus.mFirstPlugChannel + c) * nFrames;
    AttachBuffers(kOutput, bus.mFirstPlugChannel + c, 1, &pData, nFrames);
  }
}

OSStatus IWeftAU::RenderFailed(OSStatus status) noexcept
{
  OSStatus expected = noErr;
  if (status != noErr &&
      mLastRenderError.compare_exchange_strong(expected, status, std::memory_order_relaxed))
    InformListeners(kAudioUnitProperty_LastRenderError, kAudioUnitScope_Global);
  return status;
}

void IWeftAU::PreProcess()
{
  ITimeInfo timeInfo;
  void* const hostUserData = mHostCallbacks.hostUserData;

  if (mHostCallbacks.beatAndTempoProc)
  {
    Float64 currentBeat = 0.0, tempo = 0.0;
    if (mHostCallbacks.beatAndTempoProc(hostUserData, &currentBeat, &tempo) == noErr)
    {
      if (tempo > 0.0 && std::isfinite(tempo))
        timeInfo.mTempo = tempo;
      if (std::isfinite(currentBeat))
        timeInfo.mPPQPos = currentBeat;
    }
  }

  if (mHostCallbacks.transportStateProc)
  {
    Boolean playing = false, changed = false, cycling = false;
    Float64 samplePos = 0.0, cycleStart = 0.0, cycleEnd = 0.0;
    if (mHostCallbacks.transportStateProc(hostUserData, &playing, &changed, &samplePos, &cycling, &cycleStart,
                                          &cycleEnd) == noErr)
    {
      if (samplePos > 0.0 && std::isfinite(samplePos))
        timeInfo.mSamplePos = samplePos;
      if (cycleStart > 0.0 && std::isfinite(cycleStart))
        timeInfo.mCycleStart = cycleStart;
      if (cycleEnd > 0.0 && std::isfinite(cycleEnd))
        timeInfo.mCycleEnd = cycleEnd;
      timeInfo.mTransportIsRunning = playing;
      timeInfo.mTransportLoopEnabled = cycling;
    }
  }

  if (mHostCallbacks.musicalTimeLocationProc)
  {
    UInt32 deltaSamples = 0, denominator = 0;
    Float32 numerator = 0.0f;
    Float64 downBeat = 0.0;
    if (mHostCallbacks.musicalTimeLocationProc(hostUserData, &deltaSamples, &numerator, &denominator, &downBeat) ==
        noErr)
    {
      // A time signature is taken only whole and meaningful.
      if (numerator >= 1.0f && numerator < 2147483648.0f && denominator > 0 && denominator <= INT_MAX)
      {
        timeInfo.mNumerator = static_cast<int>(numerator);
        timeInfo.mDenominator = static_cast<int>(denominator);
      }
      if (downBeat > 0.0 && std::isfinite(downBeat))
        timeInfo.mLastBar = downBeat;
    }
  }

  SetTimeInfo(timeInfo);
}

void IWeftAU::AssessInputConnections()
{
  SetChannelConnections(kInput, 0, MaxNChannels(kInput), false);
  // A channel that was connected before must not replay its last block.
  ZeroScratchBuffers();

  for (int i = 0; i < mInBuses.GetSize(); ++i)
  {
    BusChannels* pBus = mInBuses.Get(i);
    InputBusConnection* pConnection = mInBusConnections.Get(i);
    if (!pConnection)
      continue;

    if (pConnection->mUpstreamRenderProc && pConnection->mUpstreamObject)
      pConnection->mInputType = eDirectFastProc;
    else if (pConnection->mUpstreamUnit)
      pConnection->mInputType = eDirectNoFastProc;
    else if (pConnection->mRenderCallback.inputProc)
      pConnection->mInputType = eRenderCallback;
    else
      pConnection->mInputType = eNotConnected;

    pBus->mConnected = pConnection->mInputType != eNotConnected;
    if (pBus->mConnected)
    {
      // A bus connected without a negotiated format carries all its channels.
      if (pBus->mHostChannels < 0)
        pBus->mHostChannels = pBus->mPlugChannels;
      const int nConnected = std::min(pBus->mHostChannels, pBus->mPlugChannels);
      SetChannelConnections(kInput, pBus->mFirstPlugChannel, nConnected, true);
      SetChannelConnections(kInput, pBus->mFirstPlugChannel + nConnected,
                            std::max(pBus->mPlugChannels - nConnected, 0), false);
    }
  }
}

bool IWeftAU::ResizeScratchBuffers()
{
  const long long blockSize = GetBlockSize();
  const long long nIn = ScratchChannels(mInBuses, MaxNChannels(kInput)) * blockSize;
  const long long nOut = ScratchChannels(mOutBuses, MaxNChannels(kOutput)) * blockSize;
  return ResizeAndZero(mInScratchBuf, nIn) && ResizeAndZero(mOutScratchBuf, nOut);
}

bool IWeftAU::SetMaxFramesPerSlice(int nFrames)
{
  if (nFrames < kMinFramesPerSlice || nFrames > kMaxFramesPerSlice)
    return false;
  const int oldBlockSize = GetBlockSize();
  if (!SetBlockSize(nFrames))
    return false;
  if (!ResizeScratchBuffers())
  {
    // Back to the old size: the buffers must never be smaller than a block.
    SetBlockSize(oldBlockSize);
    ResizeScratchBuffers();
    return false;
  }
  return true;
}

} // namespace weft
