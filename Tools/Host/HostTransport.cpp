#include "HostTransport.h"

#include <cmath>

namespace pw::host {

HostTransport::HostTransport(double sampleRate, double tempo, int numerator, int denominator) noexcept
: mSampleRate(sampleRate)
, mTempo(tempo)
, mNumerator(numerator)
, mDenominator(denominator)
{}

double HostTransport::SamplesPerBeat() const noexcept
{
  return mSampleRate * 60.0 / mTempo;
}

double HostTransport::Beat() const noexcept
{
  return mSampleTime / SamplesPerBeat();
}

double HostTransport::MeasureDownBeat() const noexcept
{
  const double quartersPerBar = 4.0 * mNumerator / mDenominator;
  return std::floor(Beat() / quartersPerBar) * quartersPerBar;
}

UInt32 HostTransport::SamplesToNextBeat() const noexcept
{
  const double samplesPerBeat = SamplesPerBeat();
  const double nextBeat = std::ceil(mSampleTime / samplesPerBeat);
  return static_cast<UInt32>(std::floor(nextBeat * samplesPerBeat - mSampleTime + 0.5));
}

HostCallbackInfo HostTransport::Callbacks() noexcept
{
  HostCallbackInfo info{};
  info.hostUserData = this;
  info.beatAndTempoProc = &GetBeatAndTempo;
  info.musicalTimeLocationProc = &GetMusicalTimeLocation;
  info.transportStateProc = &GetTransportState;
  info.transportStateProc2 = &GetTransportState2;
  return info;
}

OSStatus HostTransport::GetBeatAndTempo(void* userData, Float64* outCurrentBeat, Float64* outCurrentTempo)
{
  const auto* self = static_cast<const HostTransport*>(userData);
  if (!self)
    return kAudio_ParamError;
  if (outCurrentBeat)
    *outCurrentBeat = self->Beat();
  if (outCurrentTempo)
    *outCurrentTempo = self->mTempo;
  return noErr;
}

OSStatus HostTransport::GetMusicalTimeLocation(void* userData, UInt32* outDeltaSampleOffsetToNextBeat,
                                               Float32* outTimeSigNumerator, UInt32* outTimeSigDenominator,
                                               Float64* outCurrentMeasureDownBeat)
{
  const auto* self = static_cast<const HostTransport*>(userData);
  if (!self)
    return kAudio_ParamError;
  if (outDeltaSampleOffsetToNextBeat)
    *outDeltaSampleOffsetToNextBeat = self->SamplesToNextBeat();
  if (outTimeSigNumerator)
    *outTimeSigNumerator = static_cast<Float32>(self->mNumerator);
  if (outTimeSigDenominator)
    *outTimeSigDenominator = static_cast<UInt32>(self->mDenominator);
  if (outCurrentMeasureDownBeat)
    *outCurrentMeasureDownBeat = self->MeasureDownBeat();
  return noErr;
}

OSStatus HostTransport::GetTransportState(void* userData, Boolean* outIsPlaying, Boolean* outTransportStateChanged,
                                          Float64* outCurrentSampleInTimeLine, Boolean* outIsCycling,
                                          Float64* outCycleStartBeat, Float64* outCycleEndBeat)
{
  return GetTransportState2(userData, outIsPlaying, nullptr, outTransportStateChanged, outCurrentSampleInTimeLine,
                            outIsCycling, outCycleStartBeat, outCycleEndBeat);
}

OSStatus HostTransport::GetTransportState2(void* userData, Boolean* outIsPlaying, Boolean* outIsRecording,
                                           Boolean* outTransportStateChanged, Float64* outCurrentSampleInTimeLine,
                                           Boolean* outIsCycling, Float64* outCycleStartBeat,
                                           Float64* outCycleEndBeat)
{
  const auto* self = static_cast<const HostTransport*>(userData);
  if (!self)
    return kAudio_ParamError;
  if (outIsPlaying)
    *outIsPlaying = true;
  if (outIsRecording)
    *outIsRecording = false;
  if (outTransportStateChanged)
    *outTransportStateChanged = self->mSampleTime == 0.0;
  if (outCurrentSampleInTimeLine)
    *outCurrentSampleInTimeLine = self->mSampleTime;
  if (outIsCycling)
    *outIsCycling = false;
  if (outCycleStartBeat)
    *outCycleStartBeat = 0.0;
  if (outCycleEndBeat)
    *outCycleEndBeat = 0.0;
  return noErr;
}

} // namespace pw::host
