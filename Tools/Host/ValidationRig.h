#pragma once
// One unit set up for the validator the way a host sets it up: sample
// rate, maximum frames per slice, the stream formats of a BusLayout, a
// render callback on each connected input, then Initialize. Unlike a
// RenderSession it renders single slices of any length and reports the
// unit's raw status, and it checks what the unit did with the host's
// buffers: every output buffer is filled with a marker value beyond what the
// unit may write, so writes past the slice (or any write at all, for a
// refused slice) show.
//
// The inputs are deterministic functions of the sample time the unit passes
// to the callback (MainSample, SidechainSample), so an output can be
// compared with its input after the fact. Everything runs on the calling
// thread; the callbacks only compute and copy samples.

#include "ChannelLayouts.h"
#include "HostStatus.h"

#include <AudioToolbox/AUComponent.h>

#include <cstdint>
#include <vector>

namespace pw::host {

class ValidationRig
{
public:
  static constexpr double kSampleRate = 48000.0;
  // Floats after the largest slice in every output buffer, all markers.
  static constexpr UInt32 kGuardFrames = 64;

  explicit ValidationRig(AudioUnit unit) noexcept;
  // Removes the callbacks; uninitialises the unit when it is initialised.
  ~ValidationRig();
  ValidationRig(const ValidationRig&) = delete;
  ValidationRig& operator=(const ValidationRig&) = delete;

  // Negotiates layout at sampleRate with slices of up to maxFrames frames
  // and initialises the unit. The message names the step that the unit
  // refused. Once.
  Status Configure(const BusLayout& layout, UInt32 maxFrames, double sampleRate = kSampleRate);
  // Every input pull from now on answers status (noErr: the inputs again).
  void FailInputs(OSStatus status) noexcept { mInputStatus = status; }

  OSStatus Initialize();
  OSStatus Uninitialize();
  // Sets the maximum frames per slice; at most the maxFrames of Configure
  // (the rig's buffers are sized for that).
  OSStatus SetMaximumFrames(UInt32 frames);

  // Renders one slice of frames frames of output bus 0 at the next sample
  // time, which advances when the unit answers 0. lendBuffers false hands
  // the unit null data pointers, which it must replace with its own.
  // validTimeStamp false leaves the sample-time-valid flag off. frames is at
  // most maxFrames + 1.
  OSStatus Render(UInt32 frames, bool lendBuffers = true, bool validTimeStamp = true);

  const BusLayout& Layout() const noexcept { return mLayout; }
  // The sample time of the next slice.
  std::int64_t SampleTime() const noexcept { return mSampleTime; }

  // After Render: the buffer the unit left for output channel c and its
  // byte size, as the list holds them.
  const float* Output(int channel) const noexcept;
  UInt32 OutputBytes(int channel) const noexcept;
  UInt32 OutputBuffers() const noexcept;
  // Whether the host's own output buffers hold the marker from frame on.
  bool MarkersIntactFrom(UInt32 frame) const noexcept;
  // Input slices the unit pulled through the callbacks, over all buses.
  int Pulls() const noexcept { return mPulls; }

  static float MainSample(int channel, std::int64_t frame) noexcept;
  static float SidechainSample(int channel, std::int64_t frame) noexcept;

private:
  struct Feed
  {
    ValidationRig* rig = nullptr;
    bool sidechain = false;
    int channels = 0;
    std::vector<std::vector<float>> lent; // buffers lent to a unit that offers none
  };

  static OSStatus RenderCallback(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp* timeStamp,
                                 UInt32 bus, UInt32 frames, AudioBufferList* list);
  Status SetFormat(AudioUnitScope scope, AudioUnitElement element, int channels, const char* bus);

  AudioUnit mUnit;
  BusLayout mLayout;
  UInt32 mMaxFrames = 0;
  double mSampleRate = kSampleRate;
  OSStatus mInputStatus = 0;
  bool mConfigured = false;
  bool mInitialized = false;
  std::int64_t mSampleTime = 0;
  int mPulls = 0;
  Feed mMain;
  Feed mSidechain;
  std::vector<std::vector<float>> mOutput; // per channel, maxFrames + 1 + kGuardFrames floats
  std::vector<std::uint64_t> mList;        // the output AudioBufferList, 8-byte aligned
};

} // namespace pw::host
