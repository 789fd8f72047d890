// The engine's part of the idle handler and the meters' set-up. Main thread.

#include "Pressweave.h"

#include "ICanvas.h"
#include "WaveformControl.h"

namespace pressweave {

namespace {

constexpr double kMeterRMSWindowMs = 300.0;

} // namespace

void Pressweave::OnIdle()
{
  UpdateControlsVisibilityAndState();

  const int theme = mPendingScopeTheme.exchange(kNoPendingTheme, std::memory_order_relaxed);
  if (theme != kNoPendingTheme)
    mScopeTheme = theme;
  // The scopes show the input in grey while no sidechain is present, else
  // in their theme's colours.
  if (GetUI() && mScopeControlLeft && mScopeControlRight)
  {
    if (!IsSidechainPresent())
    {
      mScopeControlLeft->SetColorInput(weft::canvas::COLOR_DARK_GRAY);
      mScopeControlRight->SetColorInput(weft::canvas::COLOR_DARK_GRAY);
    }
    else
    {
      mScopeControlLeft->SetColorTheme(mScopeTheme);
      mScopeControlRight->SetColorTheme(mScopeTheme);
    }
  }

  UpdateWaveViewerParams();
  UpdateBeatPosition();
  DynamicRangeProcess();
  mGoniometerSender.TransmitData(*this);

  // Every block settles the sidechain-present flag itself; the refresh flag
  // only tells an open editor to redraw.
  if (mEditorRefresh.exchange(false, std::memory_order_relaxed))
  {
    if (weft::canvas::ICanvas* pGraphics = GetUI())
      pGraphics->SetAllControlsDirty();
  }

  PluginDoctorFixUI();
}

void Pressweave::SettleSidechainPresent() noexcept
{
  // A side counts as soon as it is connected at all, so a mono sidechain
  // (left side only) works.
  const bool present = mSidechain[0].mState.load(std::memory_order_relaxed) != kSidechainNotConnected ||
                       mSidechain[1].mState.load(std::memory_order_relaxed) != kSidechainNotConnected;
  mSidechainPresent.store(present, std::memory_order_relaxed);
}

void Pressweave::initMeters()
{
  PrepareBuffers();
  const double sampleRate = GetSampleRate();
  for (DynamicRangeMeter* meter : {&mInputMeter, &mOutputMeter, &mSidechainMeter})
  {
    // A rate the meter cannot use (0, say) is refused; it is then set up
    // at the rate it had, so its rings always hold at least one sample.
    if (!meter->SetRMS_MS(kMeterRMSWindowMs, sampleRate))
      meter->SetRMS_MS(kMeterRMSWindowMs, meter->GetSampleRate());
  }
}

void Pressweave::DynamicRangeProcess() noexcept
{
  // The hand-off buffers are resized only by OnActivate and OnReset, while
  // no render can be writing them; each analysis reads just the frames of the
  // latest published block (the one before when none came since).
  mBufferManager.Acquire();
  const BufferManager& handOff = mBufferManager;
  const int n = handOff.GetPairFrameCount(BufferManager::kDryLeft, BufferManager::kDryRight);
  if (n == handOff.GetPairFrameCount(BufferManager::kOutputLeft, BufferManager::kOutputRight))
  {
    // The input and output meters' filters in one pass.
    DynamicRangeMeter::ProcessTwo(mInputMeter, handOff.GetBuffer(BufferManager::kDryLeft),
                                  handOff.GetBuffer(BufferManager::kDryRight), mOutputMeter,
                                  handOff.GetBuffer(BufferManager::kOutputLeft),
                                  handOff.GetBuffer(BufferManager::kOutputRight), n);
  }
  else
  {
    ProcessHandOff(mInputMeter, handOff, BufferManager::kDryLeft, BufferManager::kDryRight);
    ProcessHandOff(mOutputMeter, handOff, BufferManager::kOutputLeft, BufferManager::kOutputRight);
  }
  ProcessHandOff(mSidechainMeter, mBufferManager, BufferManager::kSidechainLeft, BufferManager::kSidechainRight);
}

void Pressweave::UpdateWaveViewerParams() noexcept
{
  const double scopeSync = ParamValue(kScopeSync);
  mScopeLeft.SetWindowFromScopeSync(scopeSync);
  mScopeRight.SetWindowFromScopeSync(scopeSync);
}

void Pressweave::UpdateBeatPosition() noexcept
{
  // The processing frame's own transport belongs to the render thread; the
  // copy the last block published is read instead.
  weft::ITimeInfo info;
  info.mTransportIsRunning = mTransport.running.load(std::memory_order_relaxed);
  info.mTempo = mTransport.tempo.load(std::memory_order_relaxed);
  info.mPPQPos = mTransport.ppqPos.load(std::memory_order_relaxed);
  info.mNumerator = mTransport.numerator.load(std::memory_order_relaxed);
  info.mDenominator = mTransport.denominator.load(std::memory_order_relaxed);

  const double sampleRate = GetSampleRate();
  const int blockSize = GetBlockSize();
  for (WaveformProcessor* scope : {&mScopeLeft, &mScopeRight})
  {
    scope->SetTransport(info, sampleRate, blockSize);
    scope->UpdateBeatPosition();
  }
}

} // namespace pressweave
