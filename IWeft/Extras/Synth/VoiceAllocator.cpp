#include "VoiceAllocator.h"

#include <algorithm>
#include <stdexcept>

namespace weft {

VoiceAllocator::VoiceAllocator()
: mKeyToPitchFn([](int key) { return static_cast<float>((key - 69) / 12.0); })
{
  mHeldKeys.reserve(kMaxHeldKeys);
  mSustainedKeys.reserve(kMaxHeldKeys);
  mVoices.reserve(kMaxVoices);
  mVoiceGlides.reserve(kMaxVoices);
}

VoiceAllocator::~VoiceAllocator() = default;

void VoiceAllocator::AddVoice(SynthVoice* voice, uint8_t zone)
{
  if (!voice)
    throw std::invalid_argument("VoiceAllocator: null voice");
  if (GetNVoices() + 1 >= kMaxVoices + 1)
    throw std::runtime_error("VoiceAllocator: max voices exceeded!");
  auto glides = ControlRampProcessor::Create(voice->mInputs);
  mVoices.push_back(voice);
  mVoiceGlides.push_back(std::move(glides));
  ClearVoiceInputs(voice);
  voice->mKey = VoiceAddress::kAny;
  voice->mZone = zone;
}

void VoiceAllocator::ClearVoiceInputs(SynthVoice* voice) noexcept
{
  for (ControlRamp& ramp : voice->mInputs)
    ramp.Clear();
}

bool VoiceAllocator::AddEvent(const VoiceInputEvent& event) noexcept
{
  return mInputQueue.Push(event);
}

SynthVoice* VoiceAllocator::GetVoice(int index) const noexcept
{
  return ValidVoice(index) ? mVoices[static_cast<size_t>(index)] : nullptr;
}

void VoiceAllocator::SetSampleRateAndBlockSize(double sampleRate, int blockSize) noexcept
{
  (void)blockSize;
  mSampleRate = sampleRate;
  CalcGlideTimesInSamples();
}

void VoiceAllocator::SetPitchGlideTime(double seconds) noexcept
{
  mPitchGlideTime = std::max(seconds, 0.0);
  CalcGlideTimesInSamples();
}

void VoiceAllocator::SetControlGlideTime(double seconds) noexcept
{
  mControlGlideTime = std::max(seconds, 0.0);
  CalcGlideTimesInSamples();
}

void VoiceAllocator::CalcGlideTimesInSamples() noexcept
{
  mPitchGlideSamples = static_cast<int>(mPitchGlideTime * mSampleRate);
  mControlGlideSamples = static_cast<int>(mControlGlideTime * mSampleRate);
}

float VoiceAllocator::KeyToPitch(int key) const noexcept
{
  return mKeyToPitchFn(key + static_cast<int>(mPitchOffset));
}

bool VoiceAllocator::Contains(const std::vector<int>& list, int key) noexcept
{
  return std::find(list.begin(), list.end(), key) != list.end();
}

void VoiceAllocator::RemoveAll(std::vector<int>& list, int key) noexcept
{
  list.erase(std::remove(list.begin(), list.end(), key), list.end());
}

void VoiceAllocator::AppendKey(std::vector<int>& list, int key) noexcept
{
  // Within the reserved entries, so the list never reallocates here.
  if (static_cast<int>(list.size()) < kMaxHeldKeys)
    list.push_back(key);
}

VoiceAllocator::VoiceBitsArray VoiceAllocator::VoicesMatchingAddress(VoiceAddress address) const noexcept
{
  VoiceBitsArray v;
  const int n = GetNVoices();
  for (int i = 0; i < n; ++i)
    v.set(static_cast<size_t>(i));

  auto keepIf = [&](auto&& pred) {
    for (int i = 0; i < n; ++i)
      if (v.test(static_cast<size_t>(i)) && !pred(*mVoices[static_cast<size_t>(i)]))
        v.reset(static_cast<size_t>(i));
  };

  if (address.mZone != VoiceAddress::kAny)
    keepIf([&](const SynthVoice& voice) { return voice.mZone == address.mZone; });

  if (address.mFlags & VoiceAddress::kWholeZone)
    return v;

  if (address.mChannel != VoiceAddress::kAny)
    keepIf([&](const SynthVoice& voice) { return voice.mChannel == address.mChannel; });
  if (address.mKey != VoiceAddress::kAny)
    keepIf([&](const SynthVoice& voice) { return voice.mKey == address.mKey; });
  if (address.mFlags & VoiceAddress::kBusyOnly)
    keepIf([&](const SynthVoice& voice) { return voice.IsBusy(); });
  if (address.mFlags & VoiceAddress::kMostRecent)
  {
    int newest = -1;
    for (int i = 0; i < n; ++i)
      if (v.test(static_cast<size_t>(i)) &&
          (newest < 0 || mVoices[static_cast<size_t>(i)]->mLastTriggeredTime >
                           mVoices[static_cast<size_t>(newest)]->mLastTriggeredTime))
        newest = i;
    v.reset();
    if (newest >= 0)
      v.set(static_cast<size_t>(newest));
  }
  return v;
}

void VoiceAllocator::SendControlToVoiceInputs(VoiceBitsArray voices, int inputIdx, float value,
                                              int glideSamples) noexcept
{
  if (inputIdx < 0 || inputIdx >= kNumVoiceInputs)
    return;
  for (int i = 0; i < GetNVoices(); ++i)
    if (voices.test(static_cast<size_t>(i)))
      (*mVoiceGlides[static_cast<size_t>(i)])[static_cast<size_t>(inputIdx)].SetTarget(value, 0, glideSamples, 0);
}

void VoiceAllocator::SendControlToVoicesDirect(VoiceBitsArray voices, int controllerNumber, float value) noexcept
{
  for (int i = 0; i < GetNVoices(); ++i)
    if (voices.test(static_cast<size_t>(i)))
      mVoices[static_cast<size_t>(i)]->SetControl(controllerNumber, value);
}

void VoiceAllocator::SendProgramChangeToVoices(VoiceBitsArray voices, int program) noexcept
{
  for (int i = 0; i < GetNVoices(); ++i)
    if (voices.test(static_cast<size_t>(i)))
      mVoices[static_cast<size_t>(i)]->SetProgramNumber(program);
}

void VoiceAllocator::ProcessEvents(int blockSize, int64_t sampleTime) noexcept
{
  VoiceInputEvent event;
  while (mInputQueue.Pop(event))
  {
    const VoiceBitsArray v = VoicesMatchingAddress(event.mAddress);
    switch (event.mAction)
    {
      case kNoteOnAction:
        NoteOn(event, sampleTime);
        break;
      case kNoteOffAction:
        if (event.mAddress.mFlags == VoiceAddress::kWholeZone)
          SoftKillAllVoices();
        else
          NoteOff(event, sampleTime);
        break;
      case kPitchBendAction:
      case kPressureAction:
      case kTimbreAction:
        SendControlToVoiceInputs(v, kVoicePitchBend + (event.mAction - kPitchBendAction), event.mValue,
                                 mControlGlideSamples);
        break;
      case kSustainPedalAction:
        mSustainPedalDown = event.mValue >= 0.5f;
        if (!mSustainPedalDown)
        {
          // Stop the sustained keys that are no longer held; keys still held
          // stay in the list.
          auto keep = mSustainedKeys.begin();
          for (int key : mSustainedKeys)
          {
            if (Contains(mHeldKeys, key))
              *keep++ = key;
            else
              StopVoices(VoicesMatchingAddress(ZoneAddress(event.mAddress.mZone, static_cast<uint8_t>(key))),
                         event.mSampleOffset);
          }
          mSustainedKeys.erase(keep, mSustainedKeys.end());
        }
        break;
      case kControlChangeAction:
        SendControlToVoicesDirect(v, event.mControllerNumber, event.mValue);
        break;
      case kProgramChangeAction:
        SendProgramChangeToVoices(v, event.mControllerNumber);
        break;
      default:
        break;
    }
  }

  for (auto& glides : mVoiceGlides)
    for (ControlRampProcessor& glide : *glides)
      glide.Process(blockSize);
}

void VoiceAllocator::ProcessVoices(double** inputs, double** outputs, int nInputs, int nOutputs, int startIdx,
                                   int nFrames) noexcept
{
  for (SynthVoice* voice : mVoices)
    if (voice->IsBusy())
      voice->RenderAccumulating(inputs, outputs, nInputs, nOutputs, startIdx, nFrames);
}

void VoiceAllocator::Clear() noexcept
{
  mHeldKeys.clear();
  mSustainedKeys.clear();
  HardKillAllVoices();
}

void VoiceAllocator::SoftKillAllVoices() noexcept
{
  mHeldKeys.clear();
  mSustainedKeys.clear();
  mSustainPedalDown = false;
  for (int i = 0; i < GetNVoices(); ++i)
    StopVoice(i, 0);
}

void VoiceAllocator::HardKillAllVoices() noexcept
{
  SoftKillAllVoices();
  for (SynthVoice* voice : mVoices)
    voice->mGain = 0.0;
}

void VoiceAllocator::StartVoice(int voiceIdx, int channel, int key, float pitch, float velocity, int sampleOffset,
                                int64_t sampleTime, bool isRetrigger) noexcept
{
  if (!ValidVoice(voiceIdx))
    return;
  auto& glides = *mVoiceGlides[static_cast<size_t>(voiceIdx)];
  if (!isRetrigger)
    glides[kVoiceLevel].SetTarget(velocity, sampleOffset, 1, 0);
  glides[kVoicePitch].SetTarget(pitch, sampleOffset, std::max(mPitchGlideSamples, 1), 0);

  SynthVoice* voice = mVoices[static_cast<size_t>(voiceIdx)];
  voice->mLastTriggeredTime = sampleTime;
  voice->mChannel = static_cast<uint8_t>(channel);
  voice->mKey = static_cast<uint8_t>(key);
  voice->mGain = 1.0;
  voice->Trigger(velocity, isRetrigger);
}

void VoiceAllocator::StartVoices(VoiceBitsArray voices, int channel, int key, float pitch, float velocity,
                                 int sampleOffset, int64_t sampleTime, bool isRetrigger) noexcept
{
  for (int i = 0; i < GetNVoices(); ++i)
    if (voices.test(static_cast<size_t>(i)))
      StartVoice(i, channel, key, pitch, velocity, sampleOffset, sampleTime, isRetrigger);
}

void VoiceAllocator::StopVoice(int voiceIdx, int sampleOffset) noexcept
{
  if (!ValidVoice(voiceIdx))
    return;
  (*mVoiceGlides[static_cast<size_t>(voiceIdx)])[kVoiceLevel].SetTarget(0.0, sampleOffset, 1, 0);
  SynthVoice* voice = mVoices[static_cast<size_t>(voiceIdx)];
  voice->mKey = VoiceAddress::kAny;
  voice->Release();
}

void VoiceAllocator::StopVoices(VoiceBitsArray voices, int sampleOffset) noexcept
{
  for (int i = 0; i < GetNVoices(); ++i)
    if (voices.test(static_cast<size_t>(i)))
      StopVoice(i, sampleOffset);
}

int VoiceAllocator::FindFreeVoiceIndex(int startIndex) const noexcept
{
  const int n = GetNVoices();
  if (n == 0)
    return -1;
  const int start = ((startIndex % n) + n) % n;
  for (int k = 0; k < n; ++k)
  {
    const int i = (start + k) % n;
    if (!mVoices[static_cast<size_t>(i)]->IsBusy())
      return i;
  }
  return -1;
}

int VoiceAllocator::FindVoiceIndexToSteal(int64_t sampleTime) const noexcept
{
  int oldest = 0;
  int64_t oldestTime = sampleTime;
  for (int i = 0; i < GetNVoices(); ++i)
  {
    const int64_t t = mVoices[static_cast<size_t>(i)]->mLastTriggeredTime;
    if (t < oldestTime)
    {
      oldestTime = t;
      oldest = i;
    }
  }
  return oldest;
}

void VoiceAllocator::NoteOn(const VoiceInputEvent& event, int64_t sampleTime) noexcept
{
  const int key = event.mAddress.mKey;
  const int channel = event.mAddress.mChannel;
  const float pitch = KeyToPitch(key);

  if (mPolyMode == kPolyModePoly)
  {
    int i = FindFreeVoiceIndex(mRotationStart);
    if (i < 0)
      i = FindVoiceIndexToSteal(sampleTime);
    if (mRotateVoices)
      mRotationStart = i + 1;
    // Without voices there is none to steal either.
    if (ValidVoice(i))
    {
      // Any free voice may take the note, whatever zone it played in before:
      // it joins the note's zone, where the note's own note off, bends and
      // expression are addressed.
      if (event.mAddress.mZone != VoiceAddress::kAny)
        mVoices[static_cast<size_t>(i)]->mZone = event.mAddress.mZone;
      StartVoice(i, channel, key, pitch, event.mValue, event.mSampleOffset, sampleTime, false);
    }
  }
  else
  {
    StartVoices(VoicesMatchingAddress(ZoneAddress(event.mAddress.mZone)), channel, key, pitch, event.mValue,
                event.mSampleOffset, sampleTime, false);
    mSustainedKeys.clear();
  }

  if (!Contains(mHeldKeys, key))
  {
    AppendKey(mHeldKeys, key);
    mMinHeldVelocity = std::min(event.mValue, mMinHeldVelocity);
  }
  if (!Contains(mSustainedKeys, key))
    AppendKey(mSustainedKeys, key);
}

void VoiceAllocator::NoteOff(const VoiceInputEvent& event, int64_t sampleTime) noexcept
{
  const int key = event.mAddress.mKey;
  RemoveAll(mHeldKeys, key);
  if (mHeldKeys.empty())
    mMinHeldVelocity = 1.0f;

  if (mPolyMode == kPolyModeMono)
  {
    if (mVoices.empty())
      return;
    const int voice0Key = mVoices.front()->mKey;
    bool restart = false;
    int newKey = 0;
    if (!mHeldKeys.empty())
    {
      newKey = mHeldKeys.back();
      if (newKey != voice0Key)
      {
        restart = true;
        if (mSustainPedalDown)
        {
          mSustainedKeys.clear();
          mSustainedKeys.push_back(newKey);
        }
      }
    }
    else if (mSustainPedalDown)
    {
      if (!mSustainedKeys.empty())
      {
        newKey = mSustainedKeys.back();
        restart = newKey != voice0Key;
      }
    }
    else
    {
      StopVoices(VoicesMatchingAddress(ZoneAddress(event.mAddress.mZone)), event.mSampleOffset);
    }

    if (restart)
      StartVoices(VoicesMatchingAddress(ZoneAddress(event.mAddress.mZone)), event.mAddress.mChannel, newKey,
                  KeyToPitch(newKey), mMinHeldVelocity, event.mSampleOffset, sampleTime, false);
  }
  else if (!mSustainPedalDown)
  {
    StopVoices(VoicesMatchingAddress(event.mAddress), event.mSampleOffset);
    RemoveAll(mSustainedKeys, key);
  }
}

} // namespace weft
