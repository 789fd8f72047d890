#pragma once
// A small instrument of our own that plays through the synthesiser frame: a
// sine voice whose gate and pitch come from its control ramps.
//
// The voice follows input 0 (gate) with a linear attack and release of
// kEnvelopeSeconds, and sounds a sine of 440 x 2^(input 1 + input 2) Hz.
// Rendering never allocates.

#include "MidiSynth.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace pw::test {

// The value of a ramp at frame s of its sub-block.
inline double RampValueAt(const weft::ControlRamp& r, int s)
{
  if (s <= r.mStartSample)
    return r.mStartValue;
  if (s >= r.mEndSample)
    return r.mEndValue;
  return r.mStartValue + (r.mEndValue - r.mStartValue) * (s - r.mStartSample) / (r.mEndSample - r.mStartSample);
}

class TestInstrumentVoice final : public weft::SynthVoice
{
public:
  static constexpr double kEnvelopeSeconds = 0.002;

  bool IsBusy() const override { return mBusy; }
  void Trigger(double, bool) override { mBusy = true, mReleased = false; }
  void Release() override { mReleased = true; }

  void RenderAccumulating(double**, double** outputs, int, int nOutputs, int startIdx, int nFrames) override
  {
    const double step = 1.0 / std::max(1.0, kEnvelopeSeconds * mSampleRate);
    for (int s = 0; s < nFrames; ++s)
    {
      const double gate = RampValueAt(mInputs[weft::kVoiceLevel], s);
      const double pitch = RampValueAt(mInputs[weft::kVoicePitch], s) + RampValueAt(mInputs[weft::kVoicePitchBend], s);
      mEnvelope = gate > mEnvelope ? std::min(gate, mEnvelope + step) : std::max(gate, mEnvelope - step);
      const double out = std::sin(2.0 * M_PI * mPhase) * mEnvelope * mGain;
      mPhase += 440.0 * std::exp2(pitch) / mSampleRate;
      mPhase -= std::floor(mPhase);
      for (int c = 0; c < nOutputs; ++c)
        outputs[c][startIdx + s] += out;
    }
    // Silent once released and faded out. A triggered voice whose gate opens
    // only in a later sub-block stays busy meanwhile.
    if (mReleased && mEnvelope <= 0.0)
      mBusy = false;
  }

  void SetSampleRateAndBlockSize(double sampleRate, int) override { mSampleRate = sampleRate > 0 ? sampleRate : 48000; }

private:
  double mSampleRate = 48000.0;
  double mPhase = 0.0;
  double mEnvelope = 0.0;
  bool mBusy = false;
  bool mReleased = false;
};

class TestInstrument
{
public:
  static constexpr int kVoices = 8;
  static constexpr int kSubBlock = 16;

  TestInstrument()
  : mSynth(weft::VoiceAllocator::kPolyModePoly, kSubBlock)
  {
    for (auto& v : mVoices)
      mSynth.AddVoice(&v, 0);
  }

  // Set-up: sample rate, most frames per block.
  void Prepare(double sampleRate, int maxFrames) { mSynth.SetSampleRateAndBlockSize(sampleRate, maxFrames); }

  // Audio thread: queue a message for the current block (false: dropped).
  bool AddMidi(const weft::IMidiMsg& msg) { return mSynth.AddMidiMsgToQueue(msg); }

  // Audio thread: clears the outputs and lets the voices play into them.
  void Process(double** outputs, int nOutputs, int nFrames)
  {
    for (int c = 0; c < nOutputs; ++c)
      std::fill(outputs[c], outputs[c] + nFrames, 0.0);
    mSynth.ProcessBlock(nullptr, outputs, 0, nOutputs, nFrames);
  }

  weft::MidiSynth& Synth() { return mSynth; }

private:
  TestInstrumentVoice mVoices[kVoices];
  weft::MidiSynth mSynth;
};

} // namespace pw::test
