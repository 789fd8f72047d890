// The block processing road: host-specific sidechain detection, then the
// stages of MainAudioProcessing. Render thread only: nothing here allocates,
// locks or blocks.

#include "Pressweave.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace pressweave {

namespace {

constexpr int kMaxInputs = 4;  // main left/right, sidechain left/right
constexpr int kMaxOutputs = 2; // left/right
constexpr float kLogicSignalLevel = 1e-6f;
constexpr double kAUSignalLevel = 1e-5;

void CopySamples(double* dest, const double* src, int n) noexcept
{
  if (dest && src && dest != src)
    std::memmove(dest, src, static_cast<size_t>(n) * sizeof(double));
}

bool HasSignal(const double* x, int n) noexcept
{
  for (int s = 0; s < n; ++s)
  {
    if (std::fabs(x[s]) > kAUSignalLevel)
      return true;
  }
  return false;
}

int SaturatingAdd(int a, int b) noexcept
{
  return b > 0 && a > INT_MAX - b ? INT_MAX : a + b;
}

} // namespace

void Pressweave::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
  LOOM_ASSERT_MSG(MaxNChannels(weft::kInput) >= kMaxInputs && MaxNChannels(weft::kOutput) >= kMaxOutputs,
                  "Pressweave processes four input and two output channels");
  if (!inputs || !outputs || MaxNChannels(weft::kInput) < kMaxInputs || MaxNChannels(weft::kOutput) < kMaxOutputs)
    return;

  // Even an empty block carries the host's transport.
  PublishTransport();
  if (nFrames < 1)
    return;

  SilenceUnconnectedMainInputs(inputs, nFrames);

  if (GetAPI() == weft::kAPIAUv2)
  {
    const weft::EHost host = GetHost();
    if (host == weft::kHostLogic || host == weft::kHostGarageBand)
      ProcessBlockForLogic(inputs, outputs, nFrames);
    else
      ProcessBlockForAU(inputs, outputs, nFrames);
  }
  else
  {
    ProcessBlockForVST3(inputs, outputs, nFrames);
  }
}

void Pressweave::PublishTransport() noexcept
{
  int numerator = 0;
  int denominator = 0;
  GetTimeSig(numerator, denominator);
  mTransport.tempo.store(GetTempo(), std::memory_order_relaxed);
  mTransport.ppqPos.store(GetPPQPos(), std::memory_order_relaxed);
  mTransport.numerator.store(numerator, std::memory_order_relaxed);
  mTransport.denominator.store(denominator, std::memory_order_relaxed);
  mTransport.running.store(GetTransportIsRunning(), std::memory_order_relaxed);
}

void Pressweave::SilenceUnconnectedMainInputs(double** inputs, int nFrames) noexcept
{
  for (int c = 0; c < 2; ++c)
  {
    if (!IsChannelConnected(weft::kInput, c) && inputs[c])
      std::memset(inputs[c], 0, static_cast<size_t>(nFrames) * sizeof(double));
  }
}

void Pressweave::ProcessBlockForLogic(double** inputs, double** outputs, int nFrames) noexcept
{
  const int n = std::min(kLogicCompareFrames, nFrames);
  // 1 - 0.99 in single precision (0.0099999905): below it, the sidechain is
  // the main input over again.
  const float copyRatio = 1.0f - 0.99f;

  // The signal test below writes the flag only when a side changes; without
  // this, a side turning into a copy would clear it for good while the other
  // side still carries its own key.
  SettleSidechainPresent();

  for (int side = 0; side < 2; ++side)
  {
    const double* mainIn = inputs[side];
    const double* sc = inputs[side + 2];
    if (!mainIn || !sc)
      continue;

    bool signal = false;
    float diffSum = 0.0f;
    float scSum = 0.0f;
    for (int s = 0; s < n; ++s)
    {
      const float x = static_cast<float>(sc[s]);
      const float m = static_cast<float>(mainIn[s]);
      // A sample that is not a number would make the sums NaN, and a NaN
      // energy reads as a perfect copy: such samples take no part.
      if (!std::isfinite(x) || !std::isfinite(m))
        continue;
      if (std::fabs(x) > kLogicSignalLevel)
        signal = true;
      diffSum += (x - m) * (x - m);
      scSum += x * x;
    }
    const float ratio = scSum > 0.0f ? diffSum / scSum : 0.0f;

    SidechainChannel& channel = mSidechain[side];
    if (signal && copyRatio > ratio)
    {
      if (channel.mState.load(std::memory_order_relaxed) != kSidechainNotConnected)
      {
        channel.mState.store(kSidechainNotConnected, std::memory_order_relaxed);
        channel.mConnected = false;
        mSidechainConnectionFlags[side + 2] = false;
        mEditorRefresh.store(true, std::memory_order_relaxed);
        mSidechainPresent.store(false, std::memory_order_relaxed);
      }
    }
    else if (signal && channel.mState.load(std::memory_order_relaxed) == kSidechainNotConnected)
    {
      channel.mState.store(kSidechainActive, std::memory_order_relaxed);
      channel.mConnected = true;
      mSidechainConnectionFlags[side + 2] = true;
      mEditorRefresh.store(true, std::memory_order_relaxed);
      mSidechainPresent.store(true, std::memory_order_relaxed);
    }
  }

  MainAudioProcessing(inputs, outputs, nFrames);
}

void Pressweave::ProcessBlockForAU(double** inputs, double** outputs, int nFrames) noexcept
{
  bool changed = false;
  UpdateSidechainState(inputs, nFrames, changed);
  if (changed)
    mEditorRefresh.store(true, std::memory_order_relaxed);
  // Settled here, before the block is processed, so that no block depends on
  // when the main thread's idle timer last ran (an offline bounce, a busy
  // main thread).
  SettleSidechainPresent();
  MainAudioProcessing(inputs, outputs, nFrames);
}

void Pressweave::ProcessBlockForVST3(double** inputs, double** outputs, int nFrames) noexcept
{
  const bool present = NInChansConnected() >= 4 &&
                       (IsChannelConnected(weft::kInput, 2) || IsChannelConnected(weft::kInput, 3));
  mSidechainPresent.store(present, std::memory_order_relaxed);
  MainAudioProcessing(inputs, outputs, nFrames);
}

void Pressweave::UpdateSidechainState(double** inputs, int nFrames, bool& changed) noexcept
{
  changed = false;
  for (int side = 0; side < 2; ++side)
  {
    const int c = side + 2;
    SidechainChannel& channel = mSidechain[side];

    const bool connectedNow = IsChannelConnected(weft::kInput, c);
    if (connectedNow != mSidechainConnectionFlags[c])
    {
      mSidechainConnectionFlags[c] = connectedNow;
      channel.mConnected = connectedNow;
      channel.mSilentSamples = 0;
      channel.mSecondCounter = 0;
      changed = true;
      if (!connectedNow)
      {
        channel.mState.store(kSidechainNotConnected, std::memory_order_relaxed);
        continue;
      }
    }

    const int state = channel.mState.load(std::memory_order_relaxed);
    if (channel.mConnected)
    {
      if (!inputs[c] || !HasSignal(inputs[c], nFrames))
      {
        channel.mSilentSamples = SaturatingAdd(channel.mSilentSamples, nFrames);
        if (state == kSidechainActive && channel.mSilentSamples >= kSidechainSilenceTimeout)
        {
          channel.mState.store(kSidechainConnected, std::memory_order_relaxed);
          changed = true;
        }
      }
      else if (state != kSidechainActive)
      {
        channel.mState.store(kSidechainActive, std::memory_order_relaxed);
        channel.mSilentSamples = 0;
        channel.mSecondCounter = 0;
        changed = true;
      }
    }
    else if (state != kSidechainNotConnected)
    {
      channel.mState.store(kSidechainNotConnected, std::memory_order_relaxed);
      changed = true;
    }
  }
}

void Pressweave::MainAudioProcessing(double** inputs, double** outputs, int nFrames) noexcept
{
  if (!inputs || !outputs || nFrames < 1)
    return;

  const int slice = mPreparedFrames;
  if (slice < 1)
  {
    // Nothing was prepared to process into: silence rather than stale data.
    for (int k = 0; k < kMaxOutputs; ++k)
    {
      if (outputs[k])
        std::memset(outputs[k], 0, static_cast<size_t>(nFrames) * sizeof(double));
    }
    return;
  }

  for (int offset = 0; offset < nFrames; offset += slice)
  {
    const int n = std::min(slice, nFrames - offset);
    double* in[kMaxInputs];
    double* out[kMaxOutputs];
    for (int c = 0; c < kMaxInputs; ++c)
      in[c] = inputs[c] ? inputs[c] + offset : nullptr;
    for (int k = 0; k < kMaxOutputs; ++k)
      out[k] = outputs[k] ? outputs[k] + offset : nullptr;
    ProcessSlice(in, out, n);
  }
}

void Pressweave::ProcessSlice(double* const* inputs, double* const* outputs, int n) noexcept
{
  double* const wet[2] = {mWetLeft.Get(), mWetRight.Get()};
  double* const compressed[2] = {mCompressorLeft.Get(), mCompressorRight.Get()};
  double* const dry[2] = {mDryLeft.Get(), mDryRight.Get()};
  const int nOut = NOutChansConnected();

  // Dry copy, taken before any stage.
  for (int k = 0; k < 2; ++k)
    CopySamples(dry[k], inputs[k], n);

  // Sidechain gather: every connected sidechain record, in channel order.
  const double* sidechain[2] = {nullptr, nullptr};
  int nSidechain = 0;
  for (int c = 2; c < kMaxInputs; ++c)
  {
    if (IsChannelConnected(weft::kInput, c) && inputs[c])
      sidechain[nSidechain++] = inputs[c];
  }
  mBufferManager.Write(BufferManager::kSidechainLeft, sidechain[0], n);
  mBufferManager.Write(BufferManager::kSidechainRight, sidechain[1], n);

  const double gain = ParamValue(kInputGain) / 100.0;
  const int mode = static_cast<int>(ParamValue(kSidechainMode));
  const double mix = ParamValue(kDryWet) / 100.0;

  if (nOut >= 2)
    StereoProcess(inputs, inputs, n, ParamValue(kStereoWidth));

  const bool shaperOn = ParamValue(kPressweaveOn) >= 0.5;
  const double amount = ParamValue(kPressweaveAmount);
  if (shaperOn && amount > 0.0)
  {
    PressweaveSetup(mDSP, amount, shaperOn, nOut);
    PressweaveProcess(mDSP, inputs, inputs, n, nOut, amount, shaperOn, ParamValue(kDryWet));
  }

  for (int k = 0; k < 2; ++k)
    CopySamples(wet[k], inputs[k], n);

  if (mSidechainPresent.load(std::memory_order_relaxed))
  {
    // Every input record that is connected, null where not: a mono main
    // input or a missing sidechain side leaves its entry empty.
    const double* ringInputs[kSidechainInputListSize];
    for (int c = 0; c < kSidechainInputListSize; ++c)
      ringInputs[c] = IsChannelConnected(weft::kInput, c) ? inputs[c] : nullptr;

    CompressorSettings settings;
    settings.thresholdDB = ParamValue(kThreshold);
    settings.ratio = ParamValue(kRatio);
    settings.attackMs = ParamValue(kAttack);
    settings.releaseMs = ParamValue(kRelease);
    const SidechainKey key = MakeSidechainKey(mBufferManager);

    switch (mode)
    {
      case kSidechainRingmod:
        ProcessRingMod(ringInputs, wet, n, gain, 1.0, kSidechainInputListSize, nOut);
        break;
      case kSidechainCompressor:
        ProcessClassicCompressor(mCompressor, wet, wet, n, gain, 1.0, settings, key, nOut, GetSampleRate());
        break;
      case kSidechainCombined:
        ProcessCombined(mCompressor, ringInputs, wet, compressed, n, gain, settings, key, kSidechainInputListSize,
                        nOut, GetSampleRate(), ParamValue(kSidechainModeMix));
        break;
      default:
        break;
    }
  }
  else
  {
    for (int k = 0; k < 2; ++k)
    {
      for (int s = 0; s < n; ++s)
        wet[k][s] *= gain;
    }
    mBufferManager.Write(BufferManager::kSidechainLeft, nullptr, n);
    mBufferManager.Write(BufferManager::kSidechainRight, nullptr, n);
  }

  for (int k = 0; k < 2; ++k)
  {
    double* out = outputs[k];
    if (!out)
      continue;
    for (int s = 0; s < n; ++s)
      out[s] = dry[k][s] * (1.0 - mix) + wet[k][s] * mix;
  }

  // The sidechain feeds the scopes only while it is really there on both
  // sides; a missing source channel feeds 0.
  bool sidechainFeedsScopes = false;
  if (nSidechain > 0)
  {
    if (GetAPI() == weft::kAPIAUv2)
      sidechainFeedsScopes = mSidechain[0].mState.load(std::memory_order_relaxed) == kSidechainActive &&
                             mSidechain[1].mState.load(std::memory_order_relaxed) == kSidechainActive;
    else
      sidechainFeedsScopes = sidechain[0] && sidechain[1];
  }
  const double* const* drySources = dry;
  const double* const* scopeSources = sidechainFeedsScopes ? sidechain : drySources;
  CaptureScopeBlock(mScopeLeft, mScopeRight, scopeSources, outputs, n,
                    BeatIncrementPerSample(GetTempo(), GetSampleRate()));

  mBufferManager.Write(BufferManager::kOutputLeft, outputs[0], n);
  mBufferManager.Write(BufferManager::kOutputRight, outputs[1], n);
  mBufferManager.Write(BufferManager::kDryLeft, dry[0], n);
  mBufferManager.Write(BufferManager::kDryRight, dry[1], n);
  mBufferManager.Publish();

  mGoniometerSender.ProcessBlock(outputs, n, kCtrlTagGoniometer, 2, 0);
}

} // namespace pressweave
