#include "FakeAudioUnit.h"

#include <AudioToolbox/AudioUnitUtilities.h>

#include <gtest/gtest.h>

#include <vector>

using pwtest::FakeAudioUnit;
using pwtest::OpenFakeUnit;

namespace {

struct Heard { void* object; AudioUnitEvent event; UInt64 hostTime; AudioUnitParameterValue value; };

AudioUnitEvent ParameterEvent(AudioUnitEventType type, AudioUnit unit, AudioUnitParameterID id,
                              AudioUnitScope scope = kAudioUnitScope_Global)
{
  AudioUnitEvent event{};
  event.mEventType = type;
  event.mArgument.mParameter = {unit, id, scope, 0};
  return event;
}

// A listener that records what it hears, disposed at scope end unless its
// procedure disposed it.
class Listener
{
public:
  explicit Listener(bool disposeOnFirstEvent = false) : mDisposeOnFirstEvent(disposeOnFirstEvent)
  {
    EXPECT_EQ(AUEventListenerCreate(&Proc, this, nullptr, nullptr, 0.1f, 0.0f, &mRef), noErr);
  }
  ~Listener()
  {
    if (mRef)
      AUListenerDispose(mRef);
  }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  AUEventListenerRef Ref() const { return mRef; }
  OSStatus Add(const AudioUnitEvent& event, void* object = nullptr)
  {
    return AUEventListenerAddEventType(mRef, object, &event);
  }
  void Dispose()
  {
    EXPECT_EQ(AUListenerDispose(mRef), noErr);
    mRef = nullptr;
  }

  std::vector<Heard> heard;
  OSStatus selfDisposeStatus = -1;

private:
  static void Proc(void* refCon, void* object, const AudioUnitEvent* event, UInt64 hostTime,
                   AudioUnitParameterValue value)
  {
    auto* self = static_cast<Listener*>(refCon);
    self->heard.push_back({object, *event, hostTime, value});
    if (self->mDisposeOnFirstEvent && self->mRef)
    {
      self->selfDisposeStatus = AUListenerDispose(self->mRef);
      self->mRef = nullptr;
    }
  }

  bool mDisposeOnFirstEvent;
  AUEventListenerRef mRef = nullptr;
};

void Notify(const AudioUnitEvent& event) { EXPECT_EQ(AUEventListenerNotify(nullptr, nullptr, &event), noErr); }

class AUEventListenerDelivery : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_EQ(mOpenA.Status(), noErr);
    ASSERT_EQ(mOpenB.Status(), noErr);
  }

  FakeAudioUnit mFakeA;
  FakeAudioUnit mFakeB;
  OpenFakeUnit mOpenA{mFakeA};
  OpenFakeUnit mOpenB{mFakeB};
  AudioUnit mUnitA = mOpenA.Handle();
  AudioUnit mUnitB = mOpenB.Handle();
};

} // namespace

TEST_F(AUEventListenerDelivery, BeginValueAndEndArriveInTheOrderTheyWereSent)
{
  Listener listener;
  int object = 0;
  const AudioUnitEventType types[] = {kAudioUnitEvent_BeginParameterChangeGesture, kAudioUnitEvent_ParameterValueChange,
                                      kAudioUnitEvent_EndParameterChangeGesture};
  for (AudioUnitEventType type : types)
    ASSERT_EQ(listener.Add(ParameterEvent(type, mUnitA, 2), &object), noErr);
  ASSERT_EQ(AudioUnitSetParameter(mUnitA, 2, kAudioUnitScope_Global, 0, 0.75f, 0), noErr);
  for (AudioUnitEventType type : types)
    Notify(ParameterEvent(type, mUnitA, 2));

  ASSERT_EQ(listener.heard.size(), 3u);
  for (size_t i = 0; i < 3; ++i)
  {
    EXPECT_EQ(listener.heard[i].event.mEventType, types[i]);
    EXPECT_EQ(listener.heard[i].object, &object);
    EXPECT_EQ(listener.heard[i].event.mArgument.mParameter.mParameterID, 2u);
  }
  EXPECT_EQ(listener.heard[1].value, 0.75f); // read from the unit when sent
  EXPECT_LE(listener.heard[0].hostTime, listener.heard[2].hostTime);
}

TEST_F(AUEventListenerDelivery, OnlyTheEventTypeUnitParameterAndScopeAListenerAddedReachIt)
{
  Listener listener;
  ASSERT_EQ(listener.Add(ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnitA, 1)), noErr);
  Notify(ParameterEvent(kAudioUnitEvent_BeginParameterChangeGesture, mUnitA, 1));
  Notify(ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnitB, 1));
  Notify(ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnitA, 3));
  Notify(ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnitA, 1, kAudioUnitScope_Input));
  EXPECT_TRUE(listener.heard.empty());
  Notify(ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnitA, 1));
  EXPECT_EQ(listener.heard.size(), 1u);
}

TEST_F(AUEventListenerDelivery, ADisposedListenerHearsNothingAndItsRefNamesNoLaterListener)
{
  Listener listener;
  const AUEventListenerRef ref = listener.Ref();
  const AudioUnitEvent value = ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnitA, 0);
  ASSERT_EQ(listener.Add(value), noErr);
  listener.Dispose();
  Notify(value);
  EXPECT_TRUE(listener.heard.empty());
  EXPECT_EQ(AUListenerDispose(ref), kAudio_ParamError);

  // A listener made later in the same slot does not inherit the old
  // registrations, and the old ref does not name it.
  Listener later;
  Notify(value);
  EXPECT_TRUE(later.heard.empty());
  EXPECT_EQ(AUEventListenerAddEventType(ref, nullptr, &value), kAudio_ParamError);
}

TEST_F(AUEventListenerDelivery, AListenerMayDisposeItselfFromItsOwnProcedure)
{
  Listener listener(true);
  const AudioUnitEvent value = ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnitA, 0);
  ASSERT_EQ(listener.Add(value), noErr);
  Notify(value);
  Notify(value);
  EXPECT_EQ(listener.heard.size(), 1u);
  EXPECT_EQ(listener.selfDisposeStatus, noErr);
}
