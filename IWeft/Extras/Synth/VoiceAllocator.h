#pragma once
// Routes voice events to a pool of up to 254 voices: polyphonic allocation
// with round-robin search and stealing of the oldest voice, a monophonic mode
// in which all voices of a zone play the last held key, the sustain pedal and
// glides of pitch and of the expressive controls.
//
// Threads: AddVoice, SetSampleRateAndBlockSize and the glide settings belong
// to set-up; everything else runs on the audio thread and never allocates,
// locks or blocks.

#include "ControlRamp.h"
#include "IWeftQueue.h"
#include "SynthVoice.h"
#include "VoiceInputEvent.h"

#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace weft {

class VoiceAllocator
{
public:
  static constexpr int kMaxVoices = 254;
  static constexpr int kEventQueueSize = 1024;
  static constexpr int kMaxHeldKeys = 128;

  using VoiceBitsArray = std::bitset<kMaxVoices + 1>;
  using KeyToPitchFunction = std::function<float(int)>;

  enum EPolyMode
  {
    kPolyModePoly = 0,
    kPolyModeMono
  };

  VoiceAllocator();
  ~VoiceAllocator();

  VoiceAllocator(const VoiceAllocator&) = delete;
  VoiceAllocator& operator=(const VoiceAllocator&) = delete;

  // Set-up only (may allocate). The allocator does not own the voice. Throws
  // std::runtime_error "VoiceAllocator: max voices exceeded!" on the 255th
  // voice, adding nothing.
  void AddVoice(SynthVoice* voice, uint8_t zone);

  // Queues an event for the next ProcessEvents; a full queue drops it.
  // Returns whether it was queued.
  bool AddEvent(const VoiceInputEvent& event) noexcept;

  // Applies every queued event, then advances every voice's control ramps by
  // a sub-block of blockSize frames. sampleTime: the sub-block's first frame.
  void ProcessEvents(int blockSize, int64_t sampleTime) noexcept;

  // Lets every busy voice add its output for frames startIdx to
  // startIdx + nFrames - 1.
  void ProcessVoices(double** inputs, double** outputs, int nInputs, int nOutputs, int startIdx, int nFrames) noexcept;

  // Set-up: stores the sample rate and recomputes the glides in samples.
  void SetSampleRateAndBlockSize(double sampleRate, int blockSize) noexcept;

  // Set-up: glide times in seconds; negative times count as 0.
  void SetPitchGlideTime(double seconds) noexcept;
  void SetControlGlideTime(double seconds) noexcept;
  void SetPolyMode(EPolyMode mode) noexcept { mPolyMode = mode; }
  EPolyMode GetPolyMode() const noexcept { return mPolyMode; }
  void SetPitchOffset(double semitones) noexcept { mPitchOffset = semitones; }
  void SetRotateVoices(bool rotate) noexcept { mRotateVoices = rotate; }
  void SetKeyToPitchFunction(KeyToPitchFunction fn) { mKeyToPitchFn = std::move(fn); }

  void Clear() noexcept;
  void SoftKillAllVoices() noexcept;
  void HardKillAllVoices() noexcept;

  int GetNVoices() const noexcept { return static_cast<int>(mVoices.size()); }
  SynthVoice* GetVoice(int index) const noexcept;

  VoiceBitsArray VoicesMatchingAddress(VoiceAddress address) const noexcept;
  void SendControlToVoiceInputs(VoiceBitsArray voices, int inputIdx, float value, int glideSamples) noexcept;
  void SendControlToVoicesDirect(VoiceBitsArray voices, int controllerNumber, float value) noexcept;
  void SendProgramChangeToVoices(VoiceBitsArray voices, int program) noexcept;

  void StartVoice(int voiceIdx, int channel, int key, float pitch, float velocity, int sampleOffset, int64_t sampleTime,
                  bool isRetrigger) noexcept;
  void StartVoices(VoiceBitsArray voices, int channel, int key, float pitch, float velocity, int sampleOffset,
                   int64_t sampleTime, bool isRetrigger) noexcept;
  void StopVoice(int voiceIdx, int sampleOffset) noexcept;
  void StopVoices(VoiceBitsArray voices, int sampleOffset) noexcept;

  // -1 when every voice is busy (or there are none).
  int FindFreeVoiceIndex(int startIndex) const noexcept;
  // The voice triggered longest before sampleTime; 0 when none was.
  int FindVoiceIndexToSteal(int64_t sampleTime) const noexcept;

  void NoteOn(const VoiceInputEvent& event, int64_t sampleTime) noexcept;
  void NoteOff(const VoiceInputEvent& event, int64_t sampleTime) noexcept;

  // State, for owners and tests.
  const std::vector<int>& HeldKeys() const noexcept { return mHeldKeys; }
  const std::vector<int>& SustainedKeys() const noexcept { return mSustainedKeys; }
  bool SustainPedalDown() const noexcept { return mSustainPedalDown; }
  float MinHeldVelocity() const noexcept { return mMinHeldVelocity; }
  int PitchGlideSamples() const noexcept { return mPitchGlideSamples; }
  int ControlGlideSamples() const noexcept { return mControlGlideSamples; }

private:
  void CalcGlideTimesInSamples() noexcept;
  // Every input ramp of voice back to its cleared state.
  static void ClearVoiceInputs(SynthVoice* voice) noexcept;
  float KeyToPitch(int key) const noexcept;
  bool ValidVoice(int index) const noexcept { return index >= 0 && index < GetNVoices(); }
  static bool Contains(const std::vector<int>& list, int key) noexcept;
  static void RemoveAll(std::vector<int>& list, int key) noexcept;
  static void AppendKey(std::vector<int>& list, int key) noexcept;
  static VoiceAddress ZoneAddress(uint8_t zone, uint8_t key = VoiceAddress::kAny) noexcept
  {
    return VoiceAddress{zone, VoiceAddress::kAny, key, 0};
  }

  IWeftQueue<VoiceInputEvent> mInputQueue{kEventQueueSize};
  std::vector<SynthVoice*> mVoices;
  std::vector<std::unique_ptr<ControlRampProcessor::Array>> mVoiceGlides;
  std::vector<int> mHeldKeys;      // in the order pressed, each key once
  std::vector<int> mSustainedKeys; // poly: released under the pedal; mono: the key to fall back to
  KeyToPitchFunction mKeyToPitchFn;
  double mPitchOffset = 0.0;       // semitones, truncated
  double mPitchGlideTime = 0.0;    // seconds
  double mControlGlideTime = 0.01; // seconds
  int mPitchGlideSamples = 0;
  int mControlGlideSamples = 0;
  double mSampleRate = 0.0;
  bool mRotateVoices = true;
  int mRotationStart = 0;
  bool mSustainPedalDown = false;
  float mMinHeldVelocity = 1.0f;
  EPolyMode mPolyMode = kPolyModePoly;
};

} // namespace weft
