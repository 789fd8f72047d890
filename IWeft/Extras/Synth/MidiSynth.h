#pragma once
// The MIDI front end of a note-playing plug-in. It keeps time-stamped MIDI
// messages, cuts each audio block into sub-blocks of a fixed size, turns the
// messages due in each sub-block into voice events (MPE aware when MPE is
// on), handles the pitch-bend-range and MPE-configuration RPNs itself, and
// lets the voice allocator apply the events and render the busy voices.
//
// Threads: the constructor, SetSampleRateAndBlockSize, AddVoice and
// WriteReports run off the audio thread; AddMidiMsgToQueue, ProcessBlock and
// the rest run on it and never allocate, lock, print or block. The RPN and
// MPE report lines are queued for WriteReports instead of printed.

#include "IWeftMidi.h"
#include "IWeftQueue.h"
#include "VoiceAllocator.h"

#include <cstdint>
#include <cstdio>

namespace weft {

// A control change of controller 101, 100, 38 or 6.
bool IsRPNMessage(const IMidiMsg& msg) noexcept;

class MidiSynth
{
public:
  static constexpr int kNumChannels = 16;
  static constexpr int kMidiQueueSize = 512;
  static constexpr int kDefaultPitchBendRange = 12; // semitones
  static constexpr int kMaxPitchBendRange = 96;     // semitones
  static constexpr int kReportQueueSize = 64;       // report texts waiting for WriteReports
  static constexpr int kReportChars = 96;

  // A queued report text, possibly several lines.
  struct ReportText
  {
    char mText[kReportChars];
  };

  // blockSize: the sub-block size in frames (below 1 counts as 1).
  MidiSynth(VoiceAllocator::EPolyMode mode, int blockSize);

  MidiSynth(const MidiSynth&) = delete;
  MidiSynth& operator=(const MidiSynth&) = delete;

  // Set-up: adds a voice of the given MPE zone (see VoiceAllocator::AddVoice).
  void AddVoice(SynthVoice* voice, uint8_t zone) { mVoiceAllocator.AddVoice(voice, zone); }

  void SetPolyMode(VoiceAllocator::EPolyMode mode) noexcept { mVoiceAllocator.SetPolyMode(mode); }

  // Audio thread. Queues msg after every queued message whose offset (frames
  // from the start of the next block) is not later than its own. The queue
  // never grows here: when it is full the message is dropped (false).
  bool AddMidiMsgToQueue(const IMidiMsg& msg) noexcept { return mMidiQueue.Add(msg); }

  // Audio thread. Renders one block of nFrames frames, the voices adding
  // into outputs (the caller clears them first). Returns true when no voice
  // sounds and no message waits: then the outputs are untouched and the
  // sample time stays.
  bool ProcessBlock(double** inputs, double** outputs, int nInputs, int nOutputs, int nFrames) noexcept;

  // Set-up: resets, stores the sample rate, sizes the MIDI queue for
  // blockSize messages and hands both values to the allocator and voices.
  void SetSampleRateAndBlockSize(double sampleRate, int blockSize);

  // Sample time := 0, every voice silenced, the key lists emptied.
  void Reset() noexcept;

  int NVoices() const noexcept { return mVoiceAllocator.GetNVoices(); }
  SynthVoice* GetVoice(int index) const noexcept { return mVoiceAllocator.GetVoice(index); }
  VoiceAllocator& GetVoiceAllocator() noexcept { return mVoiceAllocator; }

  VoiceInputEvent MidiMessageToEvent(const IMidiMsg& msg) noexcept;
  VoiceInputEvent MidiMessageToEventBasic(const IMidiMsg& msg) noexcept;
  VoiceInputEvent MidiMessageToEventMPE(const IMidiMsg& msg) noexcept;
  void HandleRPN(const IMidiMsg& msg) noexcept;

  void SetMPEZones(int channel, int nChans) noexcept;
  void SetChannelPitchBendRange(int channel, int range) noexcept;
  void SetPitchBendRange(int range) noexcept;

  bool MPEMode() const noexcept { return mMPEMode; }
  int LowerZoneSize() const noexcept { return mLowerZoneSize; }
  int UpperZoneSize() const noexcept { return mUpperZoneSize; }
  int ChannelPitchBendRange(int channel) const noexcept;
  int64_t SampleTime() const noexcept { return mSampleTime; }
  double SampleRate() const noexcept { return mSampleRate; }

  int MasterZoneFor(int channel) const noexcept { return IsInUpperZone(channel) ? 1 : 0; }
  int MasterChannelFor(int channel) const noexcept { return IsInUpperZone(channel) ? mUpperZoneMaster : mLowerZoneMaster; }
  static bool IsMasterChannel(int channel) noexcept { return channel == 0 || channel == 15; }
  bool IsInLowerZone(int channel) const noexcept { return channel >= 1 && channel < mLowerZoneSize; }
  bool IsInUpperZone(int channel) const noexcept { return channel > 15 - mUpperZoneSize && channel < 15; }
  int LowerZoneStart() const noexcept { return 1; }
  int LowerZoneEnd() const noexcept { return mLowerZoneSize - 1; }
  int UpperZoneStart() const noexcept { return 16 - mUpperZoneSize; }
  int UpperZoneEnd() const noexcept { return 14; }

  // Off the audio thread (the owner's idle): writes the queued report texts
  // to out in order and empties the queue. Returns how many were written.
  int WriteReports(std::FILE* out) noexcept;
  // Reports dropped because the queue was full.
  uint64_t DroppedReports() const noexcept { return mReports.GetDroppedCount(); }

private:
  struct ChannelState
  {
    uint8_t mParamMSB = 0;
    uint8_t mParamLSB = 0;
    uint8_t mValueMSB = 0;
    uint8_t mValueLSB = 0; // 255: not received since the parameter number
    uint8_t mPitchBendRange = kDefaultPitchBendRange;
    float mPitchBend = 0.f;
    float mPressure = 0.f;
    float mTimbre = 0.f;
  };

  static constexpr uint8_t kNotReceived = 255;

  // Formats into a queued report; a full queue drops it.
  void Report(const char* format, ...) noexcept __attribute__((format(printf, 2, 3)));
  static VoiceInputEvent BaseEvent(const IMidiMsg& msg) noexcept;
  float WheelValue(const IMidiMsg& msg) const noexcept;

  int mLowerZoneMaster = 0;
  int mUpperZoneMaster = 15;
  VoiceAllocator mVoiceAllocator;
  IMidiQueueBase<IMidiMsg> mMidiQueue{kMidiQueueSize};
  float mVelocityLUT[128];
  float mAfterTouchLUT[128];
  ChannelState mChannelStates[kNumChannels];
  int mBlockSize;
  int64_t mSampleTime = 0;
  double mSampleRate = 48000.0;
  bool mVoicesAreActive = false;
  int mPitchBendRange = kDefaultPitchBendRange;
  bool mMPEMode = false;
  int mLowerZoneSize = 0;
  int mUpperZoneSize = 0;
  IWeftQueue<ReportText> mReports{kReportQueueSize}; // audio thread writes, the owner's idle reads
};

} // namespace weft
