// Parameters changing on one thread while the unit renders on another: the
// host's automation through SetParameter and ScheduleParameters, and editor
// gestures reported to AU event listeners. Run under ThreadSanitizer too.

#include "AUTestNames.h"
#include "AUTestHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

namespace pw::test {
namespace {

constexpr UInt32 kFrames = 64;
constexpr int kBlocks = 3000;

// Values the automation uses: multiples of 0.25 from 0 to 4.
float AutomationValue(int i)
{
  return static_cast<float>(i % 17) * 0.25f;
}

bool IsAutomationValue(float value)
{
  const float steps = value / 0.25f;
  return value >= 0.0f && value <= 4.0f && steps == std::floor(steps);
}

// A unit whose output is exactly the gain: main input 1.0 on both
// channels, sidechain 0.
class RenderingUnit
{
public:
  RenderingUnit()
  {
    main.base = {1.0f, 1.0f};
    side.base = {0.0f, 0.0f};
    EXPECT_EQ(unit.Status(), noErr);
    EXPECT_EQ(SetMaxFrames(unit, kFrames), noErr);
    EXPECT_EQ(SetStreamChannels(unit, kAudioUnitScope_Input, 0, 2), noErr);
    EXPECT_EQ(SetStreamChannels(unit, kAudioUnitScope_Input, 1, 2), noErr);
    EXPECT_EQ(SetStreamChannels(unit, kAudioUnitScope_Output, 0, 2), noErr);
    EXPECT_EQ(SetRenderCallback(unit, 0, main), noErr);
    EXPECT_EQ(SetRenderCallback(unit, 1, side), noErr);
    EXPECT_EQ(AudioUnitInitialize(unit), noErr);
  }

  // Renders kBlocks blocks; counts those whose samples are not one
  // automation value throughout.
  int RenderAndCountTornBlocks()
  {
    BufferList out(2, kFrames);
    int torn = 0;
    for (int block = 0; block < kBlocks; ++block)
    {
      const AudioTimeStamp ts = MakeTimeStamp(static_cast<double>(block) * kFrames);
      AudioUnitRenderActionFlags flags = 0;
      if (AudioUnitRender(unit, &flags, &ts, 0, kFrames, out.List()) != noErr)
      {
        ++torn;
        continue;
      }
      const float first = out.Channel(0)[0];
      bool whole = IsAutomationValue(first);
      for (int c = 0; c < 2; ++c)
        for (UInt32 s = 0; s < kFrames; ++s)
          whole = whole && out.Channel(c)[s] == first;
      torn += whole ? 0 : 1;
    }
    return torn;
  }

  OpenUnit unit{Road::Factory};
  ToneSource main;
  ToneSource side;
};

TEST(AUParameterConcurrency, HostAutomationFromAnotherThreadReachesEveryBlockWhole)
{
  RenderingUnit r;
  std::atomic<bool> rendering{true};
  std::atomic<int> refused{0};
  std::atomic<int> oddReads{0};

  // The host's automation thread: plain sets, scheduled immediate events
  // and reads, until the render loop is done.
  std::thread automation([&] {
    for (int i = 0; rendering.load() && i < 2000000; ++i)
    {
      OSStatus status = noErr;
      if (i % 3 == 0)
      {
        status = AudioUnitSetParameter(r.unit, 0, kGlobal, 0, AutomationValue(i), static_cast<UInt32>(i % kFrames));
      }
      else if (i % 3 == 1)
      {
        AudioUnitParameterEvent events[2]{};
        for (int e = 0; e < 2; ++e)
        {
          events[e].scope = kGlobal;
          events[e].parameter = 0;
          events[e].eventType = kParameterEvent_Immediate;
          events[e].eventValues.immediate.bufferOffset = static_cast<UInt32>(e * 16);
          events[e].eventValues.immediate.value = AutomationValue(i + e);
        }
        status = AudioUnitScheduleParameters(r.unit, events, 2);
      }
      else
      {
        AudioUnitParameterValue value = -1.0f;
        status = AudioUnitGetParameter(r.unit, 0, kGlobal, 0, &value);
        if (!IsAutomationValue(value))
          oddReads.fetch_add(1);
      }
      if (status != noErr)
        refused.fetch_add(1);
    }
  });

  const int torn = r.RenderAndCountTornBlocks();
  rendering.store(false);
  automation.join();

  EXPECT_EQ(torn, 0) << "each block reads one gain, one the automation set";
  EXPECT_EQ(refused.load(), 0);
  EXPECT_EQ(oddReads.load(), 0);

  // After the automation stopped, its last word holds.
  ASSERT_EQ(AudioUnitSetParameter(r.unit, 0, kGlobal, 0, 2.75f, 0), noErr);
  BufferList out(2, kFrames);
  const AudioTimeStamp ts = MakeTimeStamp(static_cast<double>(kBlocks) * kFrames);
  ASSERT_EQ(AudioUnitRender(r.unit, nullptr, &ts, 0, kFrames, out.List()), noErr);
  EXPECT_EQ(out.Channel(1)[kFrames - 1], 2.75f);
}

struct GestureLog
{
  std::vector<AudioUnitEventType> types;
  int oddValues = 0;

  static void Listen(void* refCon, void*, const AudioUnitEvent* event, UInt64, AudioUnitParameterValue value)
  {
    auto* self = static_cast<GestureLog*>(refCon);
    self->types.push_back(event->mEventType);
    if (event->mEventType == kAudioUnitEvent_ParameterValueChange && !IsAutomationValue(value))
      ++self->oddValues;
  }
};

TEST(AUParameterConcurrency, EditorGesturesReachListenersInOrderWhileTheUnitRendersElsewhere)
{
  RenderingUnit r;
  TestAUPlugin* plug = r.unit.Object();
  ASSERT_NE(plug, nullptr);

  GestureLog log;
  AUEventListenerRef listener = nullptr;
  ASSERT_EQ(AUEventListenerCreate(GestureLog::Listen, &log, nullptr, nullptr, 0.0f, 0.0f, &listener), noErr);
  for (AudioUnitEventType type : {kAudioUnitEvent_BeginParameterChangeGesture, kAudioUnitEvent_ParameterValueChange,
                                  kAudioUnitEvent_EndParameterChangeGesture})
  {
    AudioUnitEvent event{};
    event.mEventType = type;
    event.mArgument.mParameter = {r.unit.Get(), 0, kGlobal, 0};
    ASSERT_EQ(AUEventListenerAddEventType(listener, nullptr, &event), noErr);
  }

  int torn = -1;
  std::thread renderThread([&] { torn = r.RenderAndCountTornBlocks(); });

  // The editor (this thread): gestures of four value steps each.
  constexpr int kGestures = 200;
  for (int g = 0; g < kGestures; ++g)
  {
    plug->BeginInformHostOfParamChangeFromUI(0);
    for (int step = 0; step < 4; ++step)
      plug->SendParameterValueFromUI(0, AutomationValue(g + step) / 4.0);
    plug->EndInformHostOfParamChangeFromUI(0);
  }
  renderThread.join();
  ASSERT_EQ(AUListenerDispose(listener), noErr);

  EXPECT_EQ(torn, 0);
  ASSERT_EQ(log.types.size(), static_cast<size_t>(kGestures * 6));
  for (int g = 0; g < kGestures; ++g)
  {
    const size_t at = static_cast<size_t>(g) * 6;
    EXPECT_EQ(log.types[at], kAudioUnitEvent_BeginParameterChangeGesture);
    for (size_t k = 1; k <= 4; ++k)
      EXPECT_EQ(log.types[at + k], kAudioUnitEvent_ParameterValueChange);
    EXPECT_EQ(log.types[at + 5], kAudioUnitEvent_EndParameterChangeGesture);
  }
  EXPECT_EQ(log.oddValues, 0);
}

} // namespace
} // namespace pw::test
