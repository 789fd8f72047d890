#include "MidiSynth.h"

#include <algorithm>
#include <cstdarg>

namespace weft {

bool IsRPNMessage(const IMidiMsg& msg) noexcept
{
  if (msg.StatusMsg() != IMidiMsg::kControlChange)
    return false;
  switch (msg.mData1)
  {
    case IMidiMsg::kRPNMSB:
    case IMidiMsg::kRPNLSB:
    case IMidiMsg::kDataEntryLSB:
    case IMidiMsg::kDataEntryMSB:
      return true;
    default:
      return false;
  }
}

MidiSynth::MidiSynth(VoiceAllocator::EPolyMode mode, int blockSize)
: mBlockSize(std::max(blockSize, 1))
{
  for (int i = 0; i < 128; ++i)
    mVelocityLUT[i] = mAfterTouchLUT[i] = static_cast<float>(i / 127.0);
  SetPolyMode(mode);
}

void MidiSynth::SetSampleRateAndBlockSize(double sampleRate, int blockSize)
{
  Reset();
  mSampleRate = sampleRate;
  mMidiQueue.Resize(blockSize);
  mVoiceAllocator.SetSampleRateAndBlockSize(sampleRate, blockSize);
  for (int i = 0; i < NVoices(); ++i)
    GetVoice(i)->SetSampleRateAndBlockSize(sampleRate, blockSize);
}

void MidiSynth::Reset() noexcept
{
  mSampleTime = 0;
  mVoiceAllocator.Clear();
}

int MidiSynth::ChannelPitchBendRange(int channel) const noexcept
{
  return mChannelStates[std::clamp(channel, 0, kNumChannels - 1)].mPitchBendRange;
}

bool MidiSynth::ProcessBlock(double** inputs, double** outputs, int nInputs, int nOutputs, int nFrames) noexcept
{
  if (!mVoicesAreActive && mMidiQueue.Empty())
    return true;

  int size = mBlockSize;
  int remaining = nFrames;
  int start = 0;
  while (remaining > 0)
  {
    size = std::min(size, remaining);
    while (!mMidiQueue.Empty())
    {
      IMidiMsg msg = mMidiQueue.Peek();
      if (msg.mOffset > start + size)
        break;
      if (IsRPNMessage(msg))
        HandleRPN(msg);
      else
      {
        msg.mOffset = std::clamp(msg.mOffset - start, 0, size);
        mVoiceAllocator.AddEvent(MidiMessageToEvent(msg));
      }
      mMidiQueue.Remove();
    }
    mVoiceAllocator.ProcessEvents(size, mSampleTime);
    mVoiceAllocator.ProcessVoices(inputs, outputs, nInputs, nOutputs, start, size);
    remaining -= size;
    start += size;
    mSampleTime += size;
  }

  mVoicesAreActive = false;
  for (int i = 0; i < NVoices(); ++i)
    mVoicesAreActive = mVoicesAreActive || GetVoice(i)->IsBusy();

  mMidiQueue.Flush(std::max(nFrames, 0));
  return false;
}

VoiceInputEvent MidiSynth::MidiMessageToEvent(const IMidiMsg& msg) noexcept
{
  return mMPEMode ? MidiMessageToEventMPE(msg) : MidiMessageToEventBasic(msg);
}

VoiceInputEvent MidiSynth::BaseEvent(const IMidiMsg& msg) noexcept
{
  VoiceInputEvent event{};
  event.mSampleOffset = msg.mOffset;
  event.mAddress.mChannel = static_cast<uint8_t>(msg.Channel());
  const int key = msg.NoteNumber();
  event.mAddress.mKey = key < 0 ? VoiceAddress::kAny : static_cast<uint8_t>(key & 0x7F);
  event.mAddress.mZone = 0;
  return event;
}

float MidiSynth::WheelValue(const IMidiMsg& msg) const noexcept
{
  return static_cast<float>(msg.PitchWheel() * mChannelStates[msg.Channel()].mPitchBendRange / 12.0);
}

VoiceInputEvent MidiSynth::MidiMessageToEventBasic(const IMidiMsg& msg) noexcept
{
  VoiceInputEvent event = BaseEvent(msg);
  const int data1 = msg.mData1 & 0x7F;
  const int data2 = msg.mData2 & 0x7F;
  switch (msg.StatusMsg())
  {
    case IMidiMsg::kNoteOff:
      event.mAction = kNoteOffAction;
      event.mValue = mVelocityLUT[data2];
      break;
    case IMidiMsg::kNoteOn:
      event.mAction = data2 == 0 ? kNoteOffAction : kNoteOnAction;
      event.mValue = mVelocityLUT[data2];
      break;
    case IMidiMsg::kPolyAftertouch:
      event.mAction = kPressureAction;
      event.mValue = mAfterTouchLUT[data2];
      break;
    case IMidiMsg::kControlChange:
      event.mControllerNumber = data1;
      event.mValue = static_cast<float>(data2 / 127.0);
      if (data1 == IMidiMsg::kSustainOnOff)
        event.mAction = kSustainPedalAction;
      else if (data1 == IMidiMsg::kCutoffFrequency)
        event.mAction = kTimbreAction;
      else if (data1 == IMidiMsg::kAllNotesOff)
      {
        event.mAction = kNoteOffAction;
        event.mAddress.mFlags = VoiceAddress::kWholeZone;
        event.mValue = 0.f;
      }
      else
        event.mAction = kControlChangeAction;
      break;
    case IMidiMsg::kProgramChange:
      event.mAction = kProgramChangeAction;
      event.mControllerNumber = data1;
      break;
    case IMidiMsg::kChannelAftertouch:
      event.mAction = kPressureAction;
      event.mValue = mAfterTouchLUT[data1];
      break;
    case IMidiMsg::kPitchWheel:
      event.mAction = kPitchBendAction;
      event.mValue = WheelValue(msg);
      break;
    default:
      event.mAction = kVoiceActionNone;
      break;
  }
  return event;
}

VoiceInputEvent MidiSynth::MidiMessageToEventMPE(const IMidiMsg& msg) noexcept
{
  VoiceInputEvent event = BaseEvent(msg);
  const int channel = msg.Channel();
  event.mAddress.mZone = static_cast<uint8_t>(MasterZoneFor(channel));
  const int data1 = msg.mData1 & 0x7F;
  const int data2 = msg.mData2 & 0x7F;

  float ChannelState::*stored = nullptr; // the expression value this message carries, if any
  switch (msg.StatusMsg())
  {
    case IMidiMsg::kNoteOff:
      event.mAction = kNoteOffAction;
      event.mValue = mVelocityLUT[data2];
      break;
    case IMidiMsg::kNoteOn:
      event.mAction = data2 == 0 ? kNoteOffAction : kNoteOnAction;
      event.mValue = mVelocityLUT[data2];
      break;
    case IMidiMsg::kControlChange:
      event.mControllerNumber = data1;
      event.mValue = static_cast<float>(data2 / 127.0);
      if (data1 == IMidiMsg::kCutoffFrequency)
      {
        event.mAction = kTimbreAction;
        stored = &ChannelState::mTimbre;
      }
      else if (data1 == IMidiMsg::kAllNotesOff)
      {
        event.mAction = kNoteOffAction;
        event.mAddress.mFlags = VoiceAddress::kWholeZone;
      }
      else
        event.mAction = kControlChangeAction;
      break;
    case IMidiMsg::kProgramChange:
      event.mControllerNumber = data1;
      event.mAction = IsMasterChannel(channel) ? kProgramChangeAction : kVoiceActionNone;
      break;
    case IMidiMsg::kChannelAftertouch:
      event.mAction = kPressureAction;
      event.mValue = mAfterTouchLUT[data1];
      stored = &ChannelState::mPressure;
      break;
    case IMidiMsg::kPitchWheel:
      event.mAction = kPitchBendAction;
      event.mValue = WheelValue(msg);
      stored = &ChannelState::mPitchBend;
      break;
    default:
      event.mAction = kVoiceActionNone;
      break;
  }

  if (stored)
  {
    if (IsMasterChannel(channel))
    {
      // A master channel's expression is only remembered; members add it.
      mChannelStates[channel].*stored = event.mValue;
      event.mAction = kVoiceActionNone;
    }
    else
    {
      event.mValue += mChannelStates[MasterChannelFor(channel)].*stored;
      mChannelStates[channel].*stored = event.mValue;
    }
  }
  return event;
}

void MidiSynth::HandleRPN(const IMidiMsg& msg) noexcept
{
  const int channel = msg.Channel();
  ChannelState& state = mChannelStates[channel];
  const uint8_t value = msg.mData2 & 0x7F;
  switch (msg.mData1)
  {
    case IMidiMsg::kRPNMSB:
      state.mParamMSB = value;
      state.mValueMSB = state.mValueLSB = kNotReceived;
      break;
    case IMidiMsg::kRPNLSB:
      state.mParamLSB = value;
      state.mValueMSB = state.mValueLSB = kNotReceived;
      break;
    case IMidiMsg::kDataEntryLSB:
      state.mValueLSB = value;
      break;
    case IMidiMsg::kDataEntryMSB:
    {
      state.mValueMSB = value;
      const int param = state.mParamMSB * 128 + state.mParamLSB;
      const int data = state.mValueLSB != kNotReceived ? state.mValueMSB * 128 + state.mValueLSB : state.mValueMSB;
      Report("RPN received: channel %d, param %d, value %d\n", channel, param, data);
      if (param == 0)
        SetChannelPitchBendRange(channel, data);
      else if (param == 6 && IsMasterChannel(channel))
        SetMPEZones(channel, data);
      break;
    }
    default:
      break;
  }
}

void MidiSynth::SetMPEZones(int channel, int nChans) noexcept
{
  const int n = std::clamp(nChans, 0, 15);
  if (channel == 0)
  {
    mLowerZoneSize = n > 0 ? n + 1 : 0;
    mUpperZoneSize = std::clamp(mUpperZoneSize, 0, 16 - mLowerZoneSize);
  }
  else if (channel == 15)
  {
    mUpperZoneSize = n > 0 ? n + 1 : 0;
    mLowerZoneSize = std::clamp(mLowerZoneSize, 0, 16 - mUpperZoneSize);
  }
  mMPEMode = mLowerZoneSize != 0 || mUpperZoneSize != 0;

  if (!mMPEMode)
    SetPitchBendRange(mPitchBendRange);
  else if (channel == 0)
  {
    SetChannelPitchBendRange(0, 2);
    SetChannelPitchBendRange(1, 48);
  }
  else if (channel == 15)
  {
    SetChannelPitchBendRange(15, 2);
    SetChannelPitchBendRange(14, 48);
  }

  Report("MPE mode: %s\nMPE channels: \n    lo: %d hi %d\n", mMPEMode ? "ON" : "OFF", mLowerZoneSize,
         mUpperZoneSize);
}

void MidiSynth::SetChannelPitchBendRange(int channel, int range) noexcept
{
  int first, last;
  if (IsInLowerZone(channel))
  {
    first = LowerZoneStart();
    last = LowerZoneEnd();
  }
  else if (IsInUpperZone(channel))
  {
    first = UpperZoneStart();
    last = UpperZoneEnd();
  }
  else
    first = last = std::clamp(channel, 0, kNumChannels - 1);

  const auto clipped = static_cast<uint8_t>(std::clamp(range, 0, kMaxPitchBendRange));
  for (int c = first; c <= last; ++c)
    mChannelStates[c].mPitchBendRange = clipped;
}

void MidiSynth::SetPitchBendRange(int range) noexcept
{
  mPitchBendRange = range;
  if (!mMPEMode)
    for (ChannelState& state : mChannelStates)
      state.mPitchBendRange = static_cast<uint8_t>(std::clamp(range, 0, kMaxPitchBendRange));
}

void MidiSynth::Report(const char* format, ...) noexcept
{
  ReportText text;
  va_list args;
  va_start(args, format);
  std::vsnprintf(text.mText, sizeof text.mText, format, args);
  va_end(args);
  mReports.Push(text);
}

int MidiSynth::WriteReports(std::FILE* out) noexcept
{
  int written = 0;
  ReportText text;
  while (mReports.Pop(text))
  {
    std::fputs(text.mText, out);
    ++written;
  }
  if (written)
    std::fflush(out);
  return written;
}

} // namespace weft
