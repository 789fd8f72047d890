#pragma once
// One offline render through an open Audio Unit, driven as a host drives
// it: the session sets the sample rate, the slice size, the stream formats
// of the main input, the sidechain input and the output, installs a render
// callback on each input bus and its transport callbacks, initialises the
// unit and sets parameters and bypass. Render then pulls the whole source
// through the unit slice by slice: the sample time advances by each slice,
// and between slices the main run loop's virtual clock advances by the
// slice's duration, so the unit's timers fire as often as in real time and
// every run gives the same output.
//
// Everything runs on the calling thread, which is both the host's main and
// render thread here. Inside the unit's render call only the callbacks run;
// they copy prepared blocks and neither allocate nor block.

#include "HostStatus.h"
#include "HostTransport.h"
#include "Parameters.h"
#include "SignalSource.h"

#include <AudioToolbox/AUComponent.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace pw::host {

struct SessionSettings
{
  double sampleRate = 48000.0; // frames per second
  UInt32 blockSize = 512;      // frames per slice, 1 to 65536
  int mainChannels = 2;        // 0: a unit without inputs (the main source only sets the length)
  int sidechainChannels = 0;   // 0: the sidechain bus stays unconnected
  int outputChannels = 2;
  bool bypass = false;
};

// Peak and RMS of everything that passed one bus.
struct BusLevels
{
  int channels = 0;
  float peak = 0.0f;        // largest magnitude, linear
  double sumSquares = 0.0;
  std::int64_t samples = 0; // over all channels

  void Add(const float* const* data, int nChannels, long frames) noexcept;
  double Rms() const noexcept;
};

struct RenderSummary
{
  std::int64_t frames = 0;
  double sampleRate = 0.0;
  double wallSeconds = 0.0; // time the render loop took
  BusLevels main;
  BusLevels sidechain;      // channels 0 when no sidechain was connected
  BusLevels output;

  double AudioSeconds() const noexcept { return sampleRate > 0.0 ? frames / sampleRate : 0.0; }
  // Audio seconds per wall-clock second; 0 when nothing was timed.
  double SpeedFactor() const noexcept { return wallSeconds > 0.0 ? AudioSeconds() / wallSeconds : 0.0; }
};

class RenderSession
{
public:
  // (frames rendered, frames in total), after every slice.
  using ProgressFn = std::function<void(std::int64_t, std::int64_t)>;

  explicit RenderSession(AudioUnit unit) noexcept;
  // Uninitialises the unit when Configure initialised it.
  ~RenderSession();
  RenderSession(const RenderSession&) = delete;
  RenderSession& operator=(const RenderSession&) = delete;

  // Negotiates everything and initialises the unit. A refused channel count
  // gives an "illegal channel count" message.
  Status Configure(const SessionSettings& settings);
  // Sets each parameter (global scope) in order. After Configure.
  Status ApplyParameters(const std::vector<ParameterSetting>& settings);
  // Renders main.Frames() frames. The sidechain (may be null) must have the
  // configured channel count; past its end it reads as silence. output may
  // be null (levels only). cancel, when given and set, stops the render with
  // an "interrupted" failure. After Configure; once.
  Status Render(SignalSource& main, SignalSource* sidechain, SignalSink* output, RenderSummary& summary,
                const ProgressFn& progress = {}, const std::atomic<bool>* cancel = nullptr);

  const HostTransport& Transport() const noexcept { return mTransport; }

  // Called before each slice is rendered with the slice's first frame and
  // length, e.g. to send the slice's MIDI; a failure stops the render.
  using SliceFn = std::function<Status(std::int64_t, UInt32)>;
  void SetBeforeSlice(SliceFn fn) { mBeforeSlice = std::move(fn); }

private:
  // One input bus's audio for the current slice, handed to the unit by the
  // render callback.
  struct BusFeed
  {
    std::vector<std::vector<float>> channels; // blockSize floats each
    std::vector<float*> pointers;
    std::vector<float> silence;               // for buffers beyond the feed's channels
    UInt32 framesReady = 0;                   // valid frames of this slice

    void Resize(int nChannels, UInt32 blockSize);
    // Reads the next slice from source (silence past its end); -1 on a read failure.
    long Fill(SignalSource* source, UInt32 frames);
    static OSStatus RenderCallback(void* refCon, AudioUnitRenderActionFlags* ioActionFlags,
                                   const AudioTimeStamp* inTimeStamp, UInt32 inBusNumber, UInt32 inNumberFrames,
                                   AudioBufferList* ioData);
  };

  Status SetStreamFormat(AudioUnitScope scope, AudioUnitElement element, int channels, const char* busName);
  Status InstallRenderCallback(AudioUnitElement element, BusFeed& feed);

  AudioUnit mUnit;
  SessionSettings mSettings;
  HostTransport mTransport;
  bool mConfigured = false;
  bool mInitialized = false;
  bool mRendered = false;
  BusFeed mMainFeed;
  BusFeed mSidechainFeed;
  std::vector<std::vector<float>> mOutput;     // blockSize floats per output channel
  std::vector<std::uint64_t> mOutputList;      // the output AudioBufferList, 8-byte aligned
  SliceFn mBeforeSlice;
};

} // namespace pw::host
