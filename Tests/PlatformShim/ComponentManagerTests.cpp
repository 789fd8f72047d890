#include <AudioToolbox/AudioToolbox.h>
#include <CoreServices/CoreServices.h>
#include <CoreServices/PWShimComponents.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// What the entry saw in its last call: the block's head and every word,
// copied while the block was alive.
struct EntryCall { SInt16 what = 0; UInt8 paramSize = 0; std::vector<long> words; Handle storage = nullptr; };

struct ComponentObject { AudioUnitParameterValue lastValue = 0.0f; };

std::vector<EntryCall> gCalls;
ComponentResult gOpenStatus = noErr;
ComponentObject* gOpened = nullptr;
int gDeleted = 0;

ComponentResult FakeEntry(ComponentParameters* cp, Handle storage)
{
  const long* words = cp->params;
  gCalls.push_back({cp->what, cp->paramSize, std::vector<long>(words, words + cp->paramSize / sizeof(long) + 1), storage});
  auto* object = reinterpret_cast<ComponentObject*>(storage);
  switch (cp->what)
  {
    case kComponentOpenSelect:
      if (gOpenStatus != noErr)
        return gOpenStatus;
      gOpened = new ComponentObject;
      SetComponentInstanceStorage(PWShimComponentArgument<ComponentInstance>(cp, 0), reinterpret_cast<Handle>(gOpened));
      return noErr;
    case kComponentCloseSelect:
      delete object;
      ++gDeleted;
      return noErr;
    case kComponentCanDoSelect: return PWShimComponentArgument<SInt16>(cp, 0) == kAudioUnitRenderSelect ? 1 : 0;
    case kAudioUnitSetParameterSelect:
      object->lastValue = PWShimComponentArgument<AudioUnitParameterValue>(cp, 3);
      return noErr;
    case kAudioUnitSetPropertySelect:
    case kAudioUnitRenderSelect: return noErr;
    default: return badComponentSelector;
  }
}

class ComponentManagerRoad : public ::testing::Test
{
protected:
  void SetUp() override
  {
    gCalls.clear();
    gOpenStatus = noErr;
    gOpened = nullptr;
    gDeleted = 0;
    ASSERT_EQ(PWShimComponentInstanceNew(&FakeEntry, &mInstance), noErr);
  }

  void TearDown() override
  {
    if (mInstance)
      PWShimComponentInstanceDispose(mInstance);
  }

  long InstanceWord() const { return PWShimComponentArgWord(mInstance); }

  ComponentInstance mInstance = nullptr;
};

} // namespace

TEST_F(ComponentManagerRoad, OpenPassesTheNewInstanceAsItsOnlyArgumentAndNoStorage)
{
  ASSERT_EQ(gCalls.size(), 1u);
  const EntryCall& open = gCalls[0];
  EXPECT_EQ(open.what, kComponentOpenSelect);
  EXPECT_EQ(open.paramSize, sizeof(long));
  EXPECT_EQ(open.words, (std::vector<long>{InstanceWord(), InstanceWord()})); // the argument, then the instance
  EXPECT_EQ(open.storage, nullptr);
  EXPECT_EQ(GetComponentInstanceStorage(mInstance), reinterpret_cast<Handle>(gOpened));
}

TEST_F(ComponentManagerRoad, AudioUnitCallsArriveAsBlocksWithTheLastArgumentFirst)
{
  const AudioStreamBasicDescription format{};
  ASSERT_EQ(AudioUnitSetProperty(mInstance, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 1, &format,
                                 sizeof format),
            noErr);
  const EntryCall& call = gCalls.back();
  EXPECT_EQ(call.what, kAudioUnitSetPropertySelect);
  EXPECT_EQ(call.storage, reinterpret_cast<Handle>(gOpened));
  const std::vector<long> words{long(sizeof format), PWShimComponentArgWord(&format), 1, long(kAudioUnitScope_Input),
                                long(kAudioUnitProperty_StreamFormat), InstanceWord()};
  EXPECT_EQ(call.words, words);
}

TEST_F(ComponentManagerRoad, AFloatTravelsAsItsBitsInTheLowHalfOfItsWordAndAMissingFlagsWordIsZero)
{
  ASSERT_EQ(AudioUnitSetParameter(mInstance, 4, kAudioUnitScope_Global, 0, 0.375f, 12), noErr);
  EXPECT_EQ(gOpened->lastValue, 0.375f);
  // Arguments: id, scope, element, value, offset -> value is word 1.
  const float expected = 0.375f;
  UInt32 expectedBits = 0;
  std::memcpy(&expectedBits, &expected, sizeof expected);
  EXPECT_EQ(static_cast<unsigned long>(gCalls.back().words[1]), static_cast<unsigned long>(expectedBits));

  AudioTimeStamp ts{};
  alignas(AudioBufferList) unsigned char storage[AudioBufferListSize(1)] = {};
  ASSERT_EQ(AudioUnitRender(mInstance, nullptr, &ts, 3, 16, reinterpret_cast<AudioBufferList*>(storage)), noErr);
  ASSERT_EQ(gCalls.back().paramSize, 5 * sizeof(long));
  EXPECT_EQ(gCalls.back().words[3], PWShimComponentArgWord(&ts));
  EXPECT_NE(gCalls.back().words[4], 0); // the flags pointer (its word ended with the call)
}

TEST_F(ComponentManagerRoad, CallComponentDispatchSendsABuiltBlockAndReturnsTheEntrysStatus)
{
  alignas(ComponentParameters) unsigned char memory[PWShimComponentParametersSize(1)];
  const long canDoRender = PWShimComponentArgWord<SInt16>(kAudioUnitRenderSelect);
  ComponentParameters* cp =
    PWShimComponentParametersInit(memory, sizeof memory, mInstance, kComponentCanDoSelect, 1, &canDoRender);
  ASSERT_NE(cp, nullptr);
  EXPECT_EQ(CallComponentDispatch(cp), 1);
  EXPECT_EQ(gCalls.back().words, (std::vector<long>{canDoRender, InstanceWord()}));
  const long canDoMIDI = PWShimComponentArgWord<SInt16>(kMusicDeviceMIDIEventSelect);
  cp = PWShimComponentParametersInit(memory, sizeof memory, mInstance, kComponentCanDoSelect, 1, &canDoMIDI);
  EXPECT_EQ(CallComponentDispatch(cp), 0);
  EXPECT_EQ(MusicDeviceMIDIEvent(mInstance, 0x90, 60, 100, 0), badComponentSelector);
}

TEST_F(ComponentManagerRoad, CloseRunsWithTheInstancesStorageAndTheHandleStopsResolving)
{
  const Handle storage = GetComponentInstanceStorage(mInstance);
  ASSERT_EQ(PWShimComponentInstanceDispose(mInstance), noErr);
  EXPECT_EQ(gCalls.back().what, kComponentCloseSelect);
  EXPECT_EQ(gCalls.back().storage, storage);
  EXPECT_EQ(gDeleted, 1);
  EXPECT_EQ(GetComponentInstanceStorage(mInstance), nullptr);
  EXPECT_EQ(AudioUnitInitialize(mInstance), badComponentInstance);
  mInstance = nullptr;
}

TEST(ComponentManager, AFailedOpenLeavesNoInstance)
{
  gCalls.clear();
  gOpenStatus = badComponentSelector;
  const UInt32 before = PWShimComponentInstanceCount();
  ComponentInstance instance = reinterpret_cast<ComponentInstance>(&gCalls);
  EXPECT_EQ(PWShimComponentInstanceNew(&FakeEntry, &instance), badComponentSelector);
  gOpenStatus = noErr;
  EXPECT_EQ(instance, nullptr);
  EXPECT_EQ(PWShimComponentInstanceCount(), before);
  ASSERT_EQ(gCalls.size(), 1u);
  EXPECT_EQ(GetComponentInstanceStorage(reinterpret_cast<ComponentInstance>(gCalls[0].words[0])), nullptr);
}
