#pragma once
// Pressweave: a stereo dynamics effect with a sidechain input, loaded as an
// Audio Unit. Per block it applies the stereo width, the "Pressweave" amount
// stage, one of three sidechain modes (or the input gain alone) and the
// dry/wet mix, and hands each block to the meters, the scopes and the
// goniometer.
//
// Threads:
// - main thread: construction, destruction, OnActivate, OnReset (never while
//   the binding processes a slice), the saved state and OnIdle (meters'
//   analysis, scope transport, goniometer drain).
// - render thread: ProcessBlock and everything it calls. It never allocates,
//   locks or blocks; every buffer it writes is sized on the main thread by
//   OnActivate or OnReset.
// - any thread: OnParamChange (the host's parameter thread, the editor,
//   a restore). It only records what the idle handler applies.
// Flags and sidechain states shared between the render thread and the idle
// handler are atomics; the meters' hand-off passes whole blocks through a
// triple buffer (BufferManager); the scopes' slots are relaxed atomics (a late
// value shifts one scope frame).

#include "BufferManager.h"
#include "DynamicRangeMeter.h"
#include "ISender.h"
#include "IWeftAU.h"
#include "LOOM_HeapBuf.h"
#include "PressweaveDSP.h"
#include "SidechainProcessor.h"
#include "StereoProcessor.h"
#include "WaveformProcessor.h"

#include <atomic>
#include <vector>

namespace weft {
class IGEditorDelegate;
namespace canvas {
class ICanvas;
class IVKnobControl;
struct IRECT;
struct IVStyle;
} // namespace canvas
} // namespace weft

namespace pressweave {

// Editor controls the engine points at while an editor exists; the editor
// owns them.
class WaveformControl;
template <int MAXNC, int QUEUE_SIZE, int MAXBUF>
class Goniometer3;
using PressweaveGoniometer = Goniometer3<2, 64, 128>;

enum EParams
{
  kInputGain = 0,
  kThreshold,
  kRatio,
  kAttack,
  kRelease,
  kSidechainMode,
  kSidechainModeMix,
  kPressweaveOn,
  kPressweaveAmount,
  kStereoWidth,
  kDryWet,
  kScopeSync,
  kViewMode,
  kScopeTheme,
  kNumParams
};

enum ESidechainMode
{
  kSidechainRingmod = 0,
  kSidechainCompressor,
  kSidechainCombined
};

enum ESidechainState
{
  kSidechainNotConnected = 0,
  kSidechainConnected,
  kSidechainActive
};

// Control tag of the goniometer, the address of the goniometer feed.
constexpr int kCtrlTagGoniometer = 5;
// Slots of each scope trace.
constexpr int kScopeSlots = 1000;
// Silent samples after which an active sidechain counts as merely connected.
constexpr int kSidechainSilenceTimeout = 44100;
// Frames per side and block that the Logic path compares.
constexpr int kLogicCompareFrames = 256;
// Bytes of the saved state: width, height and draw scale, then one double
// per parameter.
constexpr int kStateHeaderBytes = 12;
constexpr int kStateBytes = kStateHeaderBytes + 8 * kNumParams;

// The configuration record of Pressweave with the given counts.
weft::Config MakeConfig(int nParams, int nPresets);

// The editor's size, frame rate and the host whose scale it corrects once.
constexpr int kEditorGraphicsWidth = 1000;
constexpr int kEditorGraphicsHeight = 400;
constexpr int kEditorFPS = 60;
constexpr int kHostIDPluginDoctor = 41;
// Tags by which the editor finds its controls again.
constexpr int kCtrlTagSidechainMode = 2;
constexpr int kCtrlTagScopeTheme = 4;
constexpr int kCtrlTagSidechainWarning = 6;
constexpr int kCtrlTagRingmodText = 10;
constexpr int kCtrlTagAboutBox = 12;

// The draw scale the editor opens at on a screen of this size: 1.0.
float GetScaleForScreen(int width, int height);
// The macOS drawing context for the delegate, with the component's bundle,
// app group and shared-resources folder; the caller owns it.
weft::canvas::ICanvas* MakeGraphics(weft::IGEditorDelegate& dlg, int w, int h, int fps, float scale);

class Pressweave : public weft::IWeftAU
{
public:
  // One side of the sidechain (left: input channel 2, right: channel 3).
  struct SidechainChannel
  {
    // ESidechainState. Written by the render thread and OnActivate, read by
    // the idle handler and the editor.
    std::atomic<int> mState{kSidechainNotConnected};
    // The rest belongs to the render thread (and OnActivate while no render
    // runs).
    bool mConnected = false;
    int mSilentSamples = 0; // saturates at INT32_MAX
    int mSecondCounter = 0; // cleared with the silent count; nothing reads it
  };

  explicit Pressweave(const weft::InstanceInfo& info);
  ~Pressweave() override;

  using weft::IWeftAU::OnParamChange;
  // Any thread. Only "Scope Theme" does anything: its value is recorded for
  // the idle handler to apply on the main thread.
  void OnParamChange(int paramIdx) override;
  // Main thread. int32 1000, int32 400, float32 draw scale, then the
  // parameter block: kStateBytes bytes. False, and the chunk as it was, when
  // the chunk cannot grow.
  bool SerializeState(weft::IByteChunk& chunk) const override;
  // Main thread. Returns startPos + kStateBytes, or -1 without changing
  // anything when fewer than kStateBytes bytes follow startPos. A stored draw
  // scale that is not finite or lies outside kMinDrawScale..kMaxDrawScale is
  // not taken over (the current one stays).
  int UnserializeState(const weft::IByteChunk& chunk, int startPos) override;
  // Main thread, every timer tick: the open editor's controls follow the
  // sidechain mode and presence, then the engine's idle work, then the
  // editor's redraw and its one-time Plugin Doctor scale fix.
  void OnIdle() override;
  // Main thread: forgets the closing editor's controls.
  void OnUIClose() override;
  // Render thread. inputs: four channels (0, 1 main; 2, 3 sidechain);
  // outputs: two. nFrames above the prepared size is processed in slices of
  // the prepared size.
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override;
  // Main thread, the unit (un)initialising: sizes the buffers, re-initialises
  // the meters and updates the sidechain sides.
  void OnActivate(bool active) override;
  // Main thread, the unit resetting: compressor coefficients at the current
  // sample rate, cleared scopes, buffers sized for the current block size.
  void OnReset() override;

  // --- Block processing (render thread) ------------------------------------

  // Sidechain detection for Logic and GarageBand: a side that carries a copy
  // of the main input is not a sidechain. The sidechain-present flag starts
  // each block from the two sides' states, then a side that changes state
  // writes it: a side that turns into a copy clears it for its own block,
  // and the next block takes it back from the other side if that one is
  // still connected.
  void ProcessBlockForLogic(double** inputs, double** outputs, int nFrames) noexcept;
  // Sidechain detection for other Audio Unit hosts (UpdateSidechainState),
  // then the sidechain-present flag from the two sides' states.
  void ProcessBlockForAU(double** inputs, double** outputs, int nFrames) noexcept;
  // Sidechain detection under other plug-in APIs: from the connections alone.
  void ProcessBlockForVST3(double** inputs, double** outputs, int nFrames) noexcept;
  // The per-side state machine of the generic Audio Unit path; changed is set
  // when a side's state or connection changed.
  void UpdateSidechainState(double** inputs, int nFrames, bool& changed) noexcept;
  // The processing stages over a whole block.
  void MainAudioProcessing(double** inputs, double** outputs, int nFrames) noexcept;

  // --- Idle-time steps (main thread) ---------------------------------------

  // Hand-off buffers and scratch sized for the block size, meters reset for
  // the sample rate.
  void initMeters();
  // The three meters' analysis over the frames last rendered.
  void DynamicRangeProcess() noexcept;
  // Both scopes' window from "Scope Sync".
  void UpdateWaveViewerParams() noexcept;
  // Both scopes' transport snapshot and beat position from the host's.
  void UpdateBeatPosition() noexcept;

  // --- The editor (main thread) -------------------------------------------

  // The graphics factory: clears the Plugin Doctor flag and makes the
  // context at the stored draw scale (the screen's when none is stored).
  weft::canvas::ICanvas* MakeEditorGraphics();
  // The layout function: corner resizer, font, then CreateControls.
  void LayoutEditor(weft::canvas::ICanvas* pGraphics);
  // The whole control tree of a freshly opened editor.
  void CreateControls(weft::canvas::ICanvas* pGraphics);
  void CreateCompressorControls(weft::canvas::ICanvas* pGraphics, const weft::canvas::IRECT& panel,
                                const weft::canvas::IRECT& bottomStrip, weft::canvas::IVStyle style);
  void CreateMeterControls(weft::canvas::ICanvas* pGraphics, const weft::canvas::IRECT& area);
  void CreateWaveViewerControls(weft::canvas::ICanvas* pGraphics, const weft::canvas::IRECT& area,
                                const weft::canvas::IVStyle& style);
  // Pointer fractions and thickness of a knob; nothing for a null knob.
  static void ConfigureKnob(weft::canvas::IVKnobControl* pKnob, float innerFrac, float outerFrac, float thickness);
  // Enables the compressor knobs by sidechain mode and presence, shows the
  // warning or the "RINGMOD" banner; nothing while the editor is closed.
  void UpdateControlsVisibilityAndState();
  // Disables, then hides, every control bound to each listed parameter.
  static void SetControlsState(weft::canvas::ICanvas* pGraphics, const std::vector<int>& params, bool disable,
                               bool hide);
  // Under Plugin Doctor, once per opening: back to the normal screen scale.
  void PluginDoctorFixUI();
  bool IsPluginDoctorFixDone() const noexcept { return mPluginDoctorFixDone; }
  WaveformControl* GetScopeControl(int idx) const noexcept { return idx == 0 ? mScopeControlLeft : mScopeControlRight; }
  PressweaveGoniometer* GetGoniometerControl() const noexcept { return mGoniometerControl; }

  // --- What the editor and the tests read ----------------------------------

  float GetStoredDrawScale() const noexcept { return mDrawScale; }
  bool IsSidechainPresent() const noexcept { return mSidechainPresent.load(std::memory_order_relaxed); }
  bool IsEditorRefreshPending() const noexcept { return mEditorRefresh.load(std::memory_order_relaxed); }
  // side 0 left, 1 right.
  const SidechainChannel& GetSidechainChannel(int side) const noexcept { return mSidechain[side == 0 ? 0 : 1]; }
  // The connection flag of input channel 0..3 (2 and 3 are used).
  bool GetSidechainConnectionFlag(int channel) const noexcept;
  // Main thread: the scope colour theme (0..3) last applied by the idle
  // handler.
  int GetScopeTheme() const noexcept { return mScopeTheme; }
  // Frames one pass of the processing can take without touching memory
  // beyond the prepared buffers.
  int GetPreparedFrames() const noexcept { return mPreparedFrames; }

  const DynamicRangeMeter& GetInputMeter() const noexcept { return mInputMeter; }
  const DynamicRangeMeter& GetOutputMeter() const noexcept { return mOutputMeter; }
  const DynamicRangeMeter& GetSidechainMeter() const noexcept { return mSidechainMeter; }
  DynamicRangeMeter& GetInputMeter() noexcept { return mInputMeter; }
  DynamicRangeMeter& GetOutputMeter() noexcept { return mOutputMeter; }
  DynamicRangeMeter& GetSidechainMeter() noexcept { return mSidechainMeter; }
  const WaveformProcessor& GetScopeLeft() const noexcept { return mScopeLeft; }
  const WaveformProcessor& GetScopeRight() const noexcept { return mScopeRight; }
  const BufferManager& GetBufferManager() const noexcept { return mBufferManager; }
  // Main thread (Acquire and the reads of the acquired bank).
  BufferManager& GetBufferManager() noexcept { return mBufferManager; }
  const SidechainCompressorState& GetCompressorState() const noexcept { return mCompressor; }

private:
  static constexpr int kNoPendingTheme = -1;

  // Sizes the hand-off and the six scratch buffers for the current block
  // size (main thread, no render running).
  void PrepareBuffers();
  // One slice of at most mPreparedFrames frames through every stage.
  void ProcessSlice(double* const* inputs, double* const* outputs, int nFrames) noexcept;
  // Unconnected main channels hold the frame's scratch, which the stages
  // process in place: silence them so no block hears the one before.
  void SilenceUnconnectedMainInputs(double** inputs, int nFrames) noexcept;
  // Render thread: puts the sidechain-present flag where the two sides'
  // states say.
  void SettleSidechainPresent() noexcept;
  // Render thread: the block's transport, for the idle handler.
  void PublishTransport() noexcept;
  double ParamValue(int paramIdx) const noexcept;

protected:
  // The platform's drawing context; tests put their own in its place.
  virtual weft::canvas::ICanvas* MakePlatformGraphics(int w, int h, int fps, float scale);

private:
  // Main thread: set once the Plugin Doctor check is settled for this
  // opening; the graphics factory clears it.
  bool mPluginDoctorFixDone = false;

  // Main thread: the editor's draw scale as last restored; 1.0 at first.
  float mDrawScale = 1.0f;

  // Render thread.
  SidechainCompressorState mCompressor;
  LOOM_TypedBuf<double> mWetLeft;
  LOOM_TypedBuf<double> mWetRight;
  LOOM_TypedBuf<double> mCompressorLeft;
  LOOM_TypedBuf<double> mCompressorRight;
  LOOM_TypedBuf<double> mDryLeft;
  LOOM_TypedBuf<double> mDryRight;
  PressweaveDSP mDSP;

  // Set by the editor's layout; not owned.
  WaveformControl* mScopeControlLeft = nullptr;
  WaveformControl* mScopeControlRight = nullptr;

  WaveformProcessor mScopeLeft{kScopeSlots};
  WaveformProcessor mScopeRight{kScopeSlots};

  // Main thread (analysis in the idle handler, drawing in the editor).
  // The meters' holds run on the main run loop's clock (a host's virtual
  // clock too).
  static double MeterClock() noexcept;
  DynamicRangeMeter mInputMeter{44100.0, 2.0, &MeterClock};
  DynamicRangeMeter mOutputMeter{44100.0, 2.0, &MeterClock};
  DynamicRangeMeter mSidechainMeter{44100.0, 2.0, &MeterClock};

  BufferManager mBufferManager;

  // Set by the editor's layout; not owned.
  PressweaveGoniometer* mGoniometerControl = nullptr;
  weft::IBufferSender<2, 64, 128> mGoniometerSender{-90.0, 128};

  // The block processing makes a fresh one per block instead.
  StereoProcessor mStereoProcessor;

  // Render thread (and OnActivate): connection of input channels 0..3.
  bool mSidechainConnectionFlags[4] = {false, false, false, false};
  // Raised by the render thread and OnActivate, cleared by the idle handler.
  std::atomic<bool> mEditorRefresh{false};
  // Written and read by the render thread, read by the editor.
  std::atomic<bool> mSidechainPresent{false};
  SidechainChannel mSidechain[2];

  // "Scope Theme" recorded by OnParamChange on any thread, applied at idle.
  std::atomic<int> mPendingScopeTheme{kNoPendingTheme};
  int mScopeTheme = 0; // main thread

  // Frames the scratch and hand-off buffers hold; main thread writes while
  // no render runs.
  int mPreparedFrames = 0;

  // The host transport as the last block received it: written by the render
  // thread, read by the idle handler. Fields may come from neighbouring
  // blocks, which shifts the scopes for one tick at most.
  struct TransportSnapshot
  {
    std::atomic<double> tempo{weft::ITimeInfo().mTempo};   // beats per minute
    std::atomic<double> ppqPos{weft::ITimeInfo().mPPQPos}; // quarter notes
    std::atomic<int> numerator{weft::ITimeInfo().mNumerator};
    std::atomic<int> denominator{weft::ITimeInfo().mDenominator};
    std::atomic<bool> running{false};
  };
  TransportSnapshot mTransport;
};

} // namespace pressweave

// The component's exported entry points (defined in Pressweave.cpp).
extern "C" __attribute__((visibility("default"))) void* Pressweave_Factory(const AudioComponentDescription* desc);
extern "C" __attribute__((visibility("default"))) ComponentResult Pressweave_Entry(ComponentParameters* params,
                                                                                  Handle storage);
