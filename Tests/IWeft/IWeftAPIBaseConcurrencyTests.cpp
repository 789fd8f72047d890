// The API base's queues with real threads: a host thread setting parameters,
// an "audio" thread consuming the editor's MIDI and producing MIDI for the
// editor, and the main thread pumping the 20 ms timer on the virtual clock.
// Run under ThreadSanitizer too (CI label "concurrency"); bounded to about a
// second.

#include "IWeftAPIBase.h"

#include "TestAPIPlugin.h"

#include <CoreFoundation/PWShimRunLoop.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

using pw::test::TestAPIPlugin;
using weft::IMidiMsg;

namespace {

constexpr int kNParams = 8;

// A parameter change that carries its own sequence number: parameter
// seq % kNParams gets the value seq, so a torn or misrouted tuple shows.
void HostSetsParameter(TestAPIPlugin& plugin, int64_t seq)
{
  const int idx = static_cast<int>(seq % kNParams);
  const double value = static_cast<double>(seq);
  plugin.GetParam(idx)->Set(value);
  plugin.SendParameterValueFromAPI(idx, value, false);
}

// A MIDI message that carries its sequence number in the offset and again,
// seven bits at a time, in its data bytes.
IMidiMsg SequencedMsg(int seq)
{
  return IMidiMsg(seq, 0x90, static_cast<uint8_t>(seq & 0x7F), static_cast<uint8_t>((seq >> 7) & 0x7F));
}

bool IsIntact(const IMidiMsg& msg)
{
  return msg.mStatus == 0x90 && msg.mData1 == (msg.mOffset & 0x7F) && msg.mData2 == ((msg.mOffset >> 7) & 0x7F);
}

class APIBaseConcurrencyTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(PWShimRunLoopSetVirtualClock(true));
    // Wide enough for every sequence number the host sends.
    for (int i = 0; i < kNParams; ++i)
      mPlugin.GetParam(i)->InitDouble("Sequence", 0.0, 0.0, 1e9, 1.0);
    mPlugin.CreateTimer();
    ASSERT_EQ(PWShimRunLoopFireDue(), 1);
  }

  void TearDown() override { PWShimRunLoopSetVirtualClock(false); }

  static void Tick() { ASSERT_EQ(PWShimRunLoopAdvance(0.020), 1); }

  // Checks the values the editor received since index from: increasing
  // sequence numbers, intact tuples, and the parameter already holding at
  // least the delivered value (it was set before it was queued). Returns the
  // last sequence number seen, or last when there was none.
  int64_t CheckDelivered(size_t from, int64_t last)
  {
    for (size_t i = from; i < mPlugin.editorParams.size(); ++i)
    {
      const auto& p = mPlugin.editorParams[i];
      const auto seq = static_cast<int64_t>(p.value);
      EXPECT_EQ(static_cast<double>(seq), p.value) << "torn value at delivery " << i;
      EXPECT_EQ(p.idx, static_cast<int>(seq % kNParams)) << "torn tuple at delivery " << i;
      EXPECT_GT(seq, last) << "out of order at delivery " << i;
      EXPECT_GE(mPlugin.GetParam(p.idx)->Value(), p.value) << "value queued before it was set, delivery " << i;
      if (::testing::Test::HasFailure())
        return seq;
      last = seq;
    }
    return last;
  }

  TestAPIPlugin mPlugin{kNParams, true};
};

} // namespace

TEST_F(APIBaseConcurrencyTest, HostValuesQueuedBetweenTwoTicksAllReachTheEditorOnTheNextTickInOrder)
{
  constexpr int kRounds = 40;
  constexpr int kBatch = 512; // exactly what the queue holds
  std::atomic<int> published{0};
  std::atomic<int> consumed{0};
  std::atomic<bool> stopAudio{false};

  // The audio thread reads the parameters as a block would while the host
  // thread writes them.
  std::thread audio([&] {
    volatile double sink = 0.0;
    while (!stopAudio.load(std::memory_order_acquire))
    {
      for (int i = 0; i < kNParams; ++i)
        sink = sink + mPlugin.GetParam(i)->Value();
      std::this_thread::yield();
    }
  });

  std::thread host([&] {
    int64_t seq = 0;
    for (int round = 0; round < kRounds; ++round)
    {
      while (consumed.load(std::memory_order_acquire) < round)
        std::this_thread::yield();
      for (int i = 0; i < kBatch; ++i)
        HostSetsParameter(mPlugin, seq++);
      published.store(round + 1, std::memory_order_release);
    }
  });

  int64_t last = -1;
  for (int round = 0; round < kRounds && !HasFailure(); ++round)
  {
    while (published.load(std::memory_order_acquire) < round + 1)
      std::this_thread::yield();
    const size_t before = mPlugin.editorParams.size();
    Tick();
    EXPECT_EQ(mPlugin.editorParams.size() - before, static_cast<size_t>(kBatch)) << "round " << round;
    last = CheckDelivered(before, last);
    consumed.store(round + 1, std::memory_order_release);
  }
  consumed.store(kRounds, std::memory_order_release);

  host.join();
  stopAudio.store(true, std::memory_order_release);
  audio.join();

  EXPECT_EQ(last, int64_t{kRounds} * kBatch - 1);
  EXPECT_EQ(mPlugin.ParamQueue().GetDroppedCount(), 0u);
}

TEST_F(APIBaseConcurrencyTest, UnderContinuousTrafficEveryQueueStaysInOrderAndCountsWhatItDrops)
{
  constexpr int64_t kMaxHostChanges = 200000;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
  std::atomic<bool> hostDone{false};
  std::atomic<bool> audioDone{false};
  std::atomic<bool> stopAudio{false};
  int64_t hostPushed = 0;
  int audioPushed = 0;
  int audioReceived = 0;
  int audioOutOfOrder = 0;
  int audioTorn = 0;

  std::thread host([&] {
    int64_t seq = 0;
    while (seq < kMaxHostChanges && std::chrono::steady_clock::now() < deadline)
    {
      for (int i = 0; i < 64; ++i)
        HostSetsParameter(mPlugin, seq++);
      std::this_thread::yield();
    }
    hostPushed = seq;
    hostDone.store(true, std::memory_order_release);
  });

  // Producer of the MIDI queue towards the editor, consumer of the one from
  // the editor, as the binding's render thread is.
  std::thread audio([&] {
    int nextOut = 0;
    int lastIn = -1;
    IMidiMsg msg;
    while (!stopAudio.load(std::memory_order_acquire))
    {
      if (std::chrono::steady_clock::now() < deadline)
      {
        mPlugin.MidiToEditor().Push(SequencedMsg(nextOut));
        ++nextOut;
      }
      else if (!audioDone.load(std::memory_order_relaxed))
      {
        audioPushed = nextOut;
        audioDone.store(true, std::memory_order_release);
      }
      while (mPlugin.MidiFromEditor().Pop(msg))
      {
        ++audioReceived;
        audioTorn += IsIntact(msg) ? 0 : 1;
        audioOutOfOrder += msg.mOffset > lastIn ? 0 : 1;
        lastIn = msg.mOffset;
      }
      std::this_thread::yield();
    }
  });

  int64_t lastParam = -1;
  int lastMidi = -1;
  int deferred = 0;
  size_t paramsSeen = 0;
  size_t midiSeen = 0;
  auto checkMidi = [&] {
    for (; midiSeen < mPlugin.editorMidi.size(); ++midiSeen)
    {
      const IMidiMsg& msg = mPlugin.editorMidi[midiSeen];
      EXPECT_TRUE(IsIntact(msg)) << "torn MIDI message " << midiSeen;
      EXPECT_GT(msg.mOffset, lastMidi) << "MIDI out of order at " << midiSeen;
      lastMidi = msg.mOffset;
    }
  };

  while (!(hostDone.load(std::memory_order_acquire) && audioDone.load(std::memory_order_acquire)) && !HasFailure())
  {
    for (int i = 0; i < 8; ++i)
      mPlugin.SendMidiMsgFromUI(SequencedMsg(deferred++));
    Tick();
    lastParam = CheckDelivered(paramsSeen, lastParam);
    paramsSeen = mPlugin.editorParams.size();
    checkMidi();
    mPlugin.events.clear();
  }

  // Both producers have finished: one more tick delivers whatever is left.
  Tick();
  lastParam = CheckDelivered(paramsSeen, lastParam);
  checkMidi();
  EXPECT_EQ(mPlugin.ParamQueue().ElementsAvailable(), 0);
  EXPECT_EQ(mPlugin.MidiToEditor().ElementsAvailable(), 0);

  stopAudio.store(true, std::memory_order_release);
  host.join();
  audio.join();
  // The audio thread has ended: what it left in its queue is counted here.
  IMidiMsg msg;
  while (mPlugin.MidiFromEditor().Pop(msg))
    ++audioReceived;

  EXPECT_GT(hostPushed, 0);
  EXPECT_LE(lastParam, hostPushed - 1);
  EXPECT_EQ(static_cast<uint64_t>(mPlugin.editorParams.size()) + mPlugin.ParamQueue().GetDroppedCount(),
            static_cast<uint64_t>(hostPushed));
  EXPECT_EQ(static_cast<uint64_t>(mPlugin.editorMidi.size()) + mPlugin.MidiToEditor().GetDroppedCount(),
            static_cast<uint64_t>(audioPushed));
  EXPECT_EQ(static_cast<uint64_t>(audioReceived) + mPlugin.MidiFromEditor().GetDroppedCount(),
            static_cast<uint64_t>(deferred));
  EXPECT_EQ(audioOutOfOrder, 0);
  EXPECT_EQ(audioTorn, 0);
}
