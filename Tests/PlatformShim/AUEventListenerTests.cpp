#include "AllocationCounter.h"
#include "FakeAudioUnit.h"

#include <AudioToolbox/AudioUnitUtilities.h>

#include <gtest/gtest.h>

#include <vector>

using pwtest::FakeAudioUnit;
using pwtest::OpenFakeUnit;

namespace {

struct Heard { void* object; AudioUnitEvent event; UInt64 hostTime; AudioUnitParameterValue value; };

struct Recorder
{
  std::vector<Heard> heard;

  static void Proc(void* refCon, void* object, const AudioUnitEvent* event, UInt64 hostTime,
                   AudioUnitParameterValue value)
  {
    static_cast<Recorder*>(refCon)->heard.push_back({object, *event, hostTime, value});
  }
};

AudioUnitEvent ParameterEvent(AudioUnitEventType type, AudioUnit unit, AudioUnitParameterID id,
                              AudioUnitScope scope = kAudioUnitScope_Global, AudioUnitElement element = 0)
{
  AudioUnitEvent event{};
  event.mEventType = type;
  event.mArgument.mParameter = {unit, id, scope, element};
  return event;
}

AudioUnitEvent PropertyEvent(AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope = kAudioUnitScope_Global)
{
  AudioUnitEvent event{};
  event.mEventType = kAudioUnitEvent_PropertyChange;
  event.mArgument.mProperty = {unit, id, scope, 0};
  return event;
}

// A listener that records what it hears, disposed at scope end.
class Listener
{
public:
  Listener() { EXPECT_EQ(AUEventListenerCreate(&Recorder::Proc, &mRecorder, nullptr, nullptr, 0.1f, 0.0f, &mRef), noErr); }
  ~Listener()
  {
    if (mRef)
      AUListenerDispose(mRef);
  }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  AUEventListenerRef Ref() const { return mRef; }
  const std::vector<Heard>& HeardEvents() const { return mRecorder.heard; }
  OSStatus Add(const AudioUnitEvent& event, void* object = nullptr)
  {
    return AUEventListenerAddEventType(mRef, object, &event);
  }
  void Dispose()
  {
    EXPECT_EQ(AUListenerDispose(mRef), noErr);
    mRef = nullptr;
  }

private:
  Recorder mRecorder;
  AUEventListenerRef mRef = nullptr;
};

class AUEventListenerDelivery : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_EQ(mOpenA.Status(), noErr);
    ASSERT_EQ(mOpenB.Status(), noErr);
  }

  OSStatus Notify(const AudioUnitEvent& event, AUEventListenerRef sender = nullptr, void* sendingObject = nullptr)
  {
    return AUEventListenerNotify(sender, sendingObject, &event);
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
    EXPECT_EQ(Notify(ParameterEvent(type, mUnitA, 2)), noErr);

  const auto& heard = listener.HeardEvents();
  ASSERT_EQ(heard.size(), 3u);
  for (size_t i = 0; i < 3; ++i)
  {
    EXPECT_EQ(heard[i].event.mEventType, types[i]);
    EXPECT_EQ(heard[i].object, &object);
    EXPECT_EQ(heard[i].event.mArgument.mParameter.mParameterID, 2u);
  }
  EXPECT_EQ(heard[1].value, 0.75f); // read from the unit when sent
  EXPECT_LE(heard[0].hostTime, heard[1].hostTime);
  EXPECT_LE(heard[1].hostTime, heard[2].hostTime);
}

TEST_F(AUEventListenerDelivery, OnlyTheEventTypeUnitParameterScopeAndElementAListenerAddedReachIt)
{
  Listener listener;
  ASSERT_EQ(listener.Add(ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnitA, 1)), noErr);
  Notify(ParameterEvent(kAudioUnitEvent_BeginParameterChangeGesture, mUnitA, 1));
  Notify(ParameterEvent(kAudioUnitEvent_EndParameterChangeGesture, mUnitA, 1));
  Notify(PropertyEvent(mUnitA, 1));
  Notify(ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnitB, 1));
  Notify(ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnitA, 3));
  Notify(ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnitA, 1, kAudioUnitScope_Input));
  Notify(ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnitA, 1, kAudioUnitScope_Global, 1));
  EXPECT_TRUE(listener.HeardEvents().empty());
  Notify(ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnitA, 1));
  EXPECT_EQ(listener.HeardEvents().size(), 1u);
}

TEST_F(AUEventListenerDelivery, EveryListenerOfAnEventHearsItOnce)
{
  Listener first;
  Listener second;
  const AudioUnitEvent begin = ParameterEvent(kAudioUnitEvent_BeginParameterChangeGesture, mUnitA, 5);
  ASSERT_EQ(first.Add(begin), noErr);
  ASSERT_EQ(first.Add(begin), noErr);  // the same registration again
  ASSERT_EQ(second.Add(begin), noErr);
  Notify(begin);
  EXPECT_EQ(first.HeardEvents().size(), 1u);
  EXPECT_EQ(second.HeardEvents().size(), 1u);
}

TEST_F(AUEventListenerDelivery, TheSendingListenerOrObjectDoesNotHearItsOwnNotification)
{
  Listener sender;
  Listener other;
  int knob = 0;
  int meter = 0;
  const AudioUnitEvent value = ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnitA, 0);
  ASSERT_EQ(sender.Add(value), noErr);
  ASSERT_EQ(other.Add(value, &knob), noErr);
  ASSERT_EQ(other.Add(value, &meter), noErr);
  Notify(value, sender.Ref());
  EXPECT_TRUE(sender.HeardEvents().empty());
  EXPECT_EQ(other.HeardEvents().size(), 2u);

  Notify(value, other.Ref(), &knob); // skips only the registrations with that object
  ASSERT_EQ(other.HeardEvents().size(), 3u);
  EXPECT_EQ(other.HeardEvents()[2].object, &meter);
  Notify(value, nullptr, &meter);
  ASSERT_EQ(other.HeardEvents().size(), 4u);
  EXPECT_EQ(other.HeardEvents()[3].object, &knob);
}

TEST_F(AUEventListenerDelivery, TheAnyParameterIDReachesEveryParameterRegistrationOfTheUnit)
{
  Listener listener;
  ASSERT_EQ(listener.Add(ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnitA, 0)), noErr);
  ASSERT_EQ(listener.Add(ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnitA, 7, kAudioUnitScope_Input)), noErr);
  ASSERT_EQ(listener.Add(ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnitB, 0)), noErr);
  Notify(ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnitA, kAUParameterListener_AnyParameter));
  EXPECT_EQ(listener.HeardEvents().size(), 2u);
}

TEST_F(AUEventListenerDelivery, RemovingAnEventTypeStopsItsDeliveryOnly)
{
  Listener listener;
  const AudioUnitEvent begin = ParameterEvent(kAudioUnitEvent_BeginParameterChangeGesture, mUnitA, 0);
  const AudioUnitEvent end = ParameterEvent(kAudioUnitEvent_EndParameterChangeGesture, mUnitA, 0);
  ASSERT_EQ(listener.Add(begin), noErr);
  ASSERT_EQ(listener.Add(end), noErr);
  EXPECT_EQ(AUEventListenerRemoveEventType(listener.Ref(), nullptr, &begin), noErr);
  EXPECT_EQ(AUEventListenerRemoveEventType(listener.Ref(), nullptr, &begin), kAudio_ParamError);
  Notify(begin);
  Notify(end);
  ASSERT_EQ(listener.HeardEvents().size(), 1u);
  EXPECT_EQ(listener.HeardEvents()[0].event.mEventType, kAudioUnitEvent_EndParameterChangeGesture);
}

TEST_F(AUEventListenerDelivery, ADisposedListenerHearsNothingAndItsRefIsRefused)
{
  Listener listener;
  const AUEventListenerRef ref = listener.Ref();
  const AudioUnitEvent value = ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnitA, 0);
  ASSERT_EQ(listener.Add(value), noErr);
  listener.Dispose();
  Notify(value);
  EXPECT_TRUE(listener.HeardEvents().empty());
  EXPECT_EQ(AUEventListenerAddEventType(ref, nullptr, &value), kAudio_ParamError);
  EXPECT_EQ(AUListenerDispose(ref), kAudio_ParamError);

  // A listener made later in the same slot does not inherit the old
  // registrations, and the old ref does not name it.
  Listener later;
  Notify(value);
  EXPECT_TRUE(later.HeardEvents().empty());
  EXPECT_EQ(AUEventListenerAddEventType(ref, nullptr, &value), kAudio_ParamError);
}

namespace {
struct SelfDisposer
{
  AUEventListenerRef ref = nullptr;
  int calls = 0;
  OSStatus disposeStatus = -1;

  static void Proc(void* refCon, void*, const AudioUnitEvent*, UInt64, AudioUnitParameterValue)
  {
    auto* self = static_cast<SelfDisposer*>(refCon);
    ++self->calls;
    self->disposeStatus = AUListenerDispose(self->ref);
  }
};
} // namespace

TEST_F(AUEventListenerDelivery, AListenerMayDisposeItselfFromItsOwnProcedure)
{
  SelfDisposer disposer;
  ASSERT_EQ(AUEventListenerCreate(&SelfDisposer::Proc, &disposer, nullptr, nullptr, 0.0f, 0.0f, &disposer.ref), noErr);
  const AudioUnitEvent value = ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnitA, 0);
  ASSERT_EQ(AUEventListenerAddEventType(disposer.ref, nullptr, &value), noErr);
  Notify(value);
  Notify(value);
  EXPECT_EQ(disposer.calls, 1);
  EXPECT_EQ(disposer.disposeStatus, noErr);
}

TEST_F(AUEventListenerDelivery, TheUnitsPropertyListenerCarriesChangesWhileAnyRegistrationNeedsIt)
{
  Listener first;
  Listener second;
  const AudioUnitEvent latency = PropertyEvent(mUnitA, kAudioUnitProperty_Latency);
  ASSERT_EQ(first.Add(latency), noErr);
  ASSERT_EQ(second.Add(latency), noErr);
  EXPECT_EQ(mFakeA.calls[kAudioUnitAddPropertyListenerSelect], 1);
  EXPECT_EQ(mFakeA.listenerID, kAudioUnitProperty_Latency);

  first.Dispose();
  ASSERT_NE(mFakeA.listenerProc, nullptr);
  mFakeA.InformListener(kAudioUnitProperty_Latency, kAudioUnitScope_Global);
  ASSERT_EQ(second.HeardEvents().size(), 1u);
  const AudioUnitProperty& heard = second.HeardEvents()[0].event.mArgument.mProperty;
  EXPECT_EQ(second.HeardEvents()[0].event.mEventType, kAudioUnitEvent_PropertyChange);
  EXPECT_EQ(heard.mAudioUnit, mUnitA);
  EXPECT_EQ(heard.mPropertyID, kAudioUnitProperty_Latency);

  ASSERT_EQ(AUEventListenerRemoveEventType(second.Ref(), nullptr, &latency), noErr);
  EXPECT_EQ(mFakeA.listenerProc, nullptr); // the last registration took it away
  ASSERT_EQ(second.Add(latency), noErr);
  second.Dispose();
  EXPECT_EQ(mFakeA.listenerProc, nullptr);
}

namespace {
struct Counter
{
  int count = 0;
  static void Proc(void* refCon, void*, const AudioUnitEvent*, UInt64, AudioUnitParameterValue)
  {
    ++static_cast<Counter*>(refCon)->count;
  }
};
} // namespace

TEST_F(AUEventListenerDelivery, NotifyingAllocatesNothing)
{
  Counter counter;
  AUEventListenerRef ref = nullptr;
  ASSERT_EQ(AUEventListenerCreate(&Counter::Proc, &counter, nullptr, nullptr, 0.0f, 0.0f, &ref), noErr);
  const AudioUnitEvent value = ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnitA, 0);
  ASSERT_EQ(AUEventListenerAddEventType(ref, nullptr, &value), noErr);
  {
    pw::test::AllocationCounter allocations;
    for (int i = 0; i < 16; ++i)
      AUEventListenerNotify(nullptr, nullptr, &value);
    EXPECT_EQ(allocations.Count(), 0u);
  }
  EXPECT_EQ(counter.count, 16);
  EXPECT_EQ(AUListenerDispose(ref), noErr);
}

TEST(AUEventListenerArguments, MalformedCallsAreRefused)
{
  Counter counter;
  AUEventListenerRef ref = reinterpret_cast<AUEventListenerRef>(&counter);
  EXPECT_EQ(AUEventListenerCreate(nullptr, &counter, nullptr, nullptr, 0.0f, 0.0f, &ref), kAudio_ParamError);
  EXPECT_EQ(ref, nullptr);
  EXPECT_EQ(AUEventListenerCreate(&Counter::Proc, &counter, nullptr, nullptr, 0.0f, 0.0f, nullptr), kAudio_ParamError);
  ASSERT_EQ(AUEventListenerCreate(&Counter::Proc, &counter, nullptr, nullptr, 0.0f, 0.0f, &ref), noErr);

  AudioUnitEvent unknownType = ParameterEvent(kAudioUnitEvent_ParameterValueChange, nullptr, 0);
  unknownType.mEventType = 4;
  const AudioUnitEvent anyParameter =
    ParameterEvent(kAudioUnitEvent_ParameterValueChange, nullptr, kAUParameterListener_AnyParameter);
  EXPECT_EQ(AUEventListenerAddEventType(ref, nullptr, nullptr), kAudio_ParamError);
  EXPECT_EQ(AUEventListenerAddEventType(ref, nullptr, &unknownType), kAudio_ParamError);
  EXPECT_EQ(AUEventListenerAddEventType(ref, nullptr, &anyParameter), kAudio_ParamError);
  EXPECT_EQ(AUEventListenerAddEventType(reinterpret_cast<AUEventListenerRef>(&counter), nullptr, &anyParameter),
            kAudio_ParamError);
  EXPECT_EQ(AUEventListenerNotify(nullptr, nullptr, nullptr), kAudio_ParamError);
  EXPECT_EQ(AUEventListenerNotify(nullptr, nullptr, &unknownType), kAudio_ParamError);
  EXPECT_EQ(AUListenerDispose(nullptr), kAudio_ParamError);
  EXPECT_EQ(counter.count, 0);
  EXPECT_EQ(AUListenerDispose(ref), noErr);
}

TEST(AUEventListenerArguments, ListenersOrRegistrationsBeyondTheirTablesAnswerMemFull)
{
  Counter counter;
  std::vector<AUEventListenerRef> refs;
  AUEventListenerRef ref = nullptr;
  while (refs.size() <= kPWShimMaxEventListeners &&
         AUEventListenerCreate(&Counter::Proc, &counter, nullptr, nullptr, 0.0f, 0.0f, &ref) == noErr)
    refs.push_back(ref);
  EXPECT_EQ(AUEventListenerCreate(&Counter::Proc, &counter, nullptr, nullptr, 0.0f, 0.0f, &ref), kAudio_MemFullError);
  EXPECT_EQ(refs.size(), kPWShimMaxEventListeners);
  for (size_t i = 1; i < refs.size(); ++i)
    EXPECT_EQ(AUListenerDispose(refs[i]), noErr);

  OSStatus status = noErr;
  UInt32 added = 0;
  for (; added <= kPWShimMaxEventRegistrations; ++added)
  {
    const AudioUnitEvent event = ParameterEvent(kAudioUnitEvent_ParameterValueChange, nullptr, added);
    if ((status = AUEventListenerAddEventType(refs[0], nullptr, &event)) != noErr)
      break;
  }
  EXPECT_EQ(status, kAudio_MemFullError);
  EXPECT_EQ(added, kPWShimMaxEventRegistrations);
  // Disposing frees every slot for the next listener.
  EXPECT_EQ(AUListenerDispose(refs[0]), noErr);
  ASSERT_EQ(AUEventListenerCreate(&Counter::Proc, &counter, nullptr, nullptr, 0.0f, 0.0f, &ref), noErr);
  const AudioUnitEvent event = ParameterEvent(kAudioUnitEvent_ParameterValueChange, nullptr, 0);
  EXPECT_EQ(AUEventListenerAddEventType(ref, nullptr, &event), noErr);
  AUEventListenerNotify(nullptr, nullptr, &event);
  EXPECT_EQ(counter.count, 1);
  EXPECT_EQ(AUListenerDispose(ref), noErr);
}
