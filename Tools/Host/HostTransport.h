#pragma once
// The host's transport as the unit sees it through the host callbacks: the
// timeline plays from sample 0 at a fixed tempo and time signature, never
// loops, and moves only when the render loop sets the next slice's sample
// time. Every answer is a function of that sample time, so a render is
// deterministic.
//
// The callbacks run on the render thread inside the unit's render call; the
// render loop, on the same thread, sets the sample time between calls. They
// only read members and write their outputs.

#include <AudioToolbox/AudioUnitProperties.h>

namespace pw::host {

class HostTransport
{
public:
  HostTransport(double sampleRate, double tempo = 120.0, int numerator = 4, int denominator = 4) noexcept;

  // The sample time of the slice about to be rendered.
  void SetSampleTime(double sampleTime) noexcept { mSampleTime = sampleTime; }
  double SampleTime() const noexcept { return mSampleTime; }

  // Quarter notes since sample 0.
  double Beat() const noexcept;
  // The quarter-note position of the current bar's downbeat.
  double MeasureDownBeat() const noexcept;
  // Samples until the next whole beat (0 on a beat), rounded to the nearest sample.
  UInt32 SamplesToNextBeat() const noexcept;

  // The record for the HostCallbacks property; the user data is this object.
  HostCallbackInfo Callbacks() noexcept;

  static OSStatus GetBeatAndTempo(void* userData, Float64* outCurrentBeat, Float64* outCurrentTempo);
  static OSStatus GetMusicalTimeLocation(void* userData, UInt32* outDeltaSampleOffsetToNextBeat,
                                         Float32* outTimeSigNumerator, UInt32* outTimeSigDenominator,
                                         Float64* outCurrentMeasureDownBeat);
  // Playing from the first slice on; "changed" only at the first slice.
  static OSStatus GetTransportState(void* userData, Boolean* outIsPlaying, Boolean* outTransportStateChanged,
                                    Float64* outCurrentSampleInTimeLine, Boolean* outIsCycling,
                                    Float64* outCycleStartBeat, Float64* outCycleEndBeat);
  static OSStatus GetTransportState2(void* userData, Boolean* outIsPlaying, Boolean* outIsRecording,
                                     Boolean* outTransportStateChanged, Float64* outCurrentSampleInTimeLine,
                                     Boolean* outIsCycling, Float64* outCycleStartBeat, Float64* outCycleEndBeat);

private:
  double SamplesPerBeat() const noexcept;

  double mSampleRate;
  double mTempo;   // quarter notes per minute
  int mNumerator;
  int mDenominator;
  double mSampleTime = 0.0;
};

} // namespace pw::host
