#include "Pressweave.h"

#include "IWeftAUFactory.h"
#include "config.h"

#include <QuartzCore/CABase.h>

#include <algorithm>

namespace pressweave {

double Pressweave::MeterClock() noexcept
{
  return CACurrentMediaTime();
}

weft::Config MakeConfig(int nParams, int nPresets)
{
  return weft::Config(nParams, nPresets, kChannelIOStr, kPluginName, kProductName, kMfrName, kVendorVersion,
                      kUniqueID, kMfrID, 0 /* latency */, false /* MIDI in */, false /* MIDI out */, false /* MPE */,
                      false /* state chunks */, 0 /* effect */, true /* editor */, kEditorWidth, kEditorHeight,
                      false /* host resize */, kEditorMinWidth, kEditorMaxWidth, kEditorMinHeight, kEditorMaxHeight,
                      kBundleID, kAppGroupID);
}

Pressweave::Pressweave(const weft::InstanceInfo& info)
: weft::IWeftAU(info, MakeConfig(kNumParams, 1))
, mBufferManager(GetBlockSize())
{
  using weft::IParam;

  // The amount before its switch, View Mode before Scope Sync.
  GetParam(kInputGain)->InitDouble("Input Gain", 100.0, 0.0, 100.0, 0.01, "%");
  GetParam(kThreshold)->InitDouble("Threshold", -60.0, -60.0, 0.0, 0.1, "dB", 0, "", IParam::ShapePowCurve(1.0));
  GetParam(kRatio)->InitDouble("Ratio", 20.0, 1.0, 36.0, 0.1, "");
  GetParam(kAttack)->InitDouble("Attack", 0.0, 0.0, 100.0, 0.1, "ms");
  GetParam(kRelease)->InitDouble("Release", 4.0, 0.0, 350.0, 0.1, "ms");
  GetParam(kSidechainMode)->InitEnum("Sidechain Mode", kSidechainRingmod, {"Ringmod", "Compressor", "Combined"});
  GetParam(kSidechainModeMix)->InitDouble("Sidechain Mode Mix", 60.0, -100.0, 100.0, 0.1, "%");
  GetParam(kPressweaveAmount)->InitDouble("Pressweave", 24.0, 0.0, 100.0, 0.1, "");
  GetParam(kPressweaveOn)->InitBool("Pressweave on/off", false);
  GetParam(kStereoWidth)->InitDouble("Stereo Width", 100.0, 0.0, 200.0, 0.1, "%");
  GetParam(kDryWet)->InitDouble("Dry/Wet", 100.0, 0.0, 100.0, 0.1, "%");
  GetParam(kViewMode)->InitEnum("View Mode", 0, {"Simple", "Full"});
  GetParam(kScopeSync)->InitEnum("Scope Sync", 3, 7, "", 0, "", "1/16", "1/8", "1/4", "1/2", "1/1", "2/1", "4/1");
  GetParam(kScopeTheme)->InitEnum("Scope Theme", 0, {"1", "2", "3", "4"});

  SetMakeGraphicsFunc([this]() { return MakeEditorGraphics(); });
  SetLayoutFunc([this](weft::canvas::ICanvas* pGraphics) { LayoutEditor(pGraphics); });

  PrepareBuffers();
}

Pressweave::~Pressweave()
{
  // An open editor goes first, while the meters and scopes it draws exist.
  CloseWindow();
}

void Pressweave::PrepareBuffers()
{
  const int blockSize = std::max(GetBlockSize(), 0);
  mBufferManager.Reset(blockSize);

  // The compressor's pair holds at least 1024 samples from the start.
  const int compressorSize = std::max(blockSize, 1024);
  LOOM_TypedBuf<double>* const buffers[] = {&mWetLeft,  &mWetRight, &mCompressorLeft,
                                            &mCompressorRight, &mDryLeft, &mDryRight};
  int prepared = mBufferManager.GetBufferSize();
  for (LOOM_TypedBuf<double>* buf : buffers)
  {
    const bool compressor = buf == &mCompressorLeft || buf == &mCompressorRight;
    const int wanted = compressor ? compressorSize : blockSize;
    if (static_cast<int>(buf->GetSize()) < wanted)
      buf->ResizeOK(wanted);
    prepared = std::min(prepared, static_cast<int>(buf->GetSize()));
  }
  mPreparedFrames = prepared;
}

bool Pressweave::GetSidechainConnectionFlag(int channel) const noexcept
{
  return channel >= 0 && channel < 4 && mSidechainConnectionFlags[channel];
}

double Pressweave::ParamValue(int paramIdx) const noexcept
{
  const weft::IParam* param = GetParam(paramIdx);
  return param ? param->Value() : 0.0;
}

void Pressweave::OnActivate(bool active)
{
  initMeters();

  if (active)
    mEditorRefresh.store(true, std::memory_order_relaxed);

  for (int side = 0; side < 2; ++side)
  {
    if (!mSidechainConnectionFlags[side + 2])
      continue;
    SidechainChannel& sc = mSidechain[side];
    const bool wasConnected = sc.mConnected;
    sc.mConnected = active;
    if (active)
    {
      sc.mSilentSamples = 0;
      sc.mSecondCounter = 0;
    }
    else
    {
      sc.mState.store(kSidechainNotConnected, std::memory_order_relaxed);
    }
    if (sc.mConnected != wasConnected)
      mEditorRefresh.store(true, std::memory_order_relaxed);
  }
}

void Pressweave::OnReset()
{
  UpdateCompressorCoefficients(mCompressor, GetSampleRate());
  mScopeLeft.ClearBuffers();
  mScopeRight.ClearBuffers();
  // A new block size reaches the buffers here, before the next render.
  if (mBufferManager.GetBufferSize() != GetBlockSize())
    initMeters();
  else
    PrepareBuffers();
}

void Pressweave::OnParamChange(int paramIdx)
{
  if (paramIdx != kScopeTheme)
    return;
  const weft::IParam* param = GetParam(kScopeTheme);
  if (param)
    mPendingScopeTheme.store(std::clamp(param->Int(), 0, 3), std::memory_order_relaxed);
}

} // namespace pressweave

IWEFT_AU_EXPORTS_FOR(Pressweave, pressweave::Pressweave, false)
