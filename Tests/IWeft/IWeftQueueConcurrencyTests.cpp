// Two-thread stress of the single-producer, single-consumer ring, and four
// producers on the multi-producer one. Run under
// ThreadSanitizer too (CI label "concurrency"). Set PW_SEED to replay a run.

#include "IWeftMultiProducerQueue.h"
#include "IWeftQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

using weft::IWeftQueue;

namespace {

uint64_t SplitMix64(uint64_t& state)
{
  uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// A sequence number and a payload that follows from it and the seed, so the
// consumer can check every element without sharing state with the producer.
template <int kWords>
struct Packet
{
  Packet() = default;
  Packet(uint64_t sequence, uint64_t seed) noexcept : seq(sequence)
  {
    uint64_t state = seed ^ (sequence * 0xD6E8FEB86659FD93ull);
    for (uint32_t& w : words)
      w = static_cast<uint32_t>(SplitMix64(state));
  }

  bool IsIntact(uint64_t seed) const noexcept
  {
    const Packet expected(seq, seed);
    for (int i = 0; i < kWords; ++i)
    {
      if (words[i] != expected.words[i])
        return false;
    }
    return true;
  }

  uint64_t seq;
  uint32_t words[kWords];
};

uint64_t TestSeed()
{
  if (const char* env = std::getenv("PW_SEED"))
    return std::strtoull(env, nullptr, 10);
  return (static_cast<uint64_t>(std::random_device{}()) << 32) | std::random_device{}();
}

// Spins for a random short while now and then, so both "full" and "empty"
// are hit often.
void MaybePause(std::mt19937_64& rng)
{
  const uint64_t r = rng();
  if (r % 8 != 0)
    return;
  if (r % 64 == 0)
    std::this_thread::yield();
  const int spins = static_cast<int>((r >> 8) % 200);
  for (volatile int i = 0; i < spins; ++i)
  {
  }
}

struct StressOutcome
{
  uint64_t produced = 0;
  uint64_t refusedPushes = 0;
  uint64_t received = 0;
  uint64_t outOfOrder = 0;
  uint64_t torn = 0;
  int64_t firstBadSeq = -1;
  uint64_t droppedCount = 0;
};

template <int kWords, bool kInPlace>
StressOutcome RunStress(uint64_t seed, int capacity, std::chrono::milliseconds duration)
{
  using Item = Packet<kWords>;
  IWeftQueue<Item> queue(capacity);
  std::atomic<bool> producerDone{false};
  StressOutcome outcome;

  std::thread producer([&] {
    std::mt19937_64 rng(seed + 1);
    const auto deadline = std::chrono::steady_clock::now() + duration;
    uint64_t seq = 0;
    while (std::chrono::steady_clock::now() < deadline)
    {
      for (;;)
      {
        const bool pushed = kInPlace ? queue.PushFromArgs(seq, seed) : queue.Push(Item(seq, seed));
        if (pushed)
          break;
        ++outcome.refusedPushes;
        std::this_thread::yield();
      }
      ++seq;
      MaybePause(rng);
    }
    outcome.produced = seq;
    producerDone.store(true, std::memory_order_release);
  });

  std::thread consumer([&] {
    std::mt19937_64 rng(seed + 2);
    uint64_t expected = 0;
    for (;;)
    {
      // Read before draining: once done is seen, every push is visible.
      const bool finished = producerDone.load(std::memory_order_acquire);
      Item item;
      bool gotAny = false;
      while (queue.Pop(item))
      {
        gotAny = true;
        const bool inOrder = item.seq == expected;
        const bool intact = item.IsIntact(seed);
        if ((!inOrder || !intact) && outcome.firstBadSeq < 0)
          outcome.firstBadSeq = static_cast<int64_t>(expected);
        outcome.outOfOrder += inOrder ? 0 : 1;
        outcome.torn += intact ? 0 : 1;
        expected = item.seq + 1;
        ++outcome.received;
        MaybePause(rng);
      }
      if (finished)
        break;
      if (!gotAny)
        std::this_thread::yield();
    }
    outcome.droppedCount = queue.GetDroppedCount();
  });

  producer.join();
  consumer.join();
  return outcome;
}

void ExpectClean(const StressOutcome& o, uint64_t seed)
{
  SCOPED_TRACE(::testing::Message() << "seed " << seed << " (replay with PW_SEED=" << seed << ")");
  EXPECT_GT(o.produced, 0u);
  EXPECT_EQ(o.received, o.produced);
  EXPECT_EQ(o.outOfOrder, 0u) << "first bad sequence number " << o.firstBadSeq;
  EXPECT_EQ(o.torn, 0u) << "first bad sequence number " << o.firstBadSeq;
  EXPECT_EQ(o.droppedCount, o.refusedPushes);
}

} // namespace

TEST(IWeftQueueConcurrency, SmallRingDeliversEveryElementInOrderAndIntact)
{
  const uint64_t seed = TestSeed();
  ExpectClean(RunStress<3, false>(seed, 3, std::chrono::milliseconds(500)), seed);
}

TEST(IWeftQueueConcurrency, ElementsBuiltInPlaceAreNeverSeenHalfWritten)
{
  // 520 bytes, the size of a SysEx record: a torn copy would show.
  const uint64_t seed = TestSeed();
  ExpectClean(RunStress<128, true>(seed, 4, std::chrono::milliseconds(500)), seed);
}

// Four producers push tagged packets, retrying when full; the consumer
// receives each once, intact and in its producer's order.
TEST(IWeftMultiProducerQueueStress, FourProducersLoseNothingAndTearNothing)
{
  const uint64_t seed = TestSeed();
  SCOPED_TRACE(testing::Message() << "PW_SEED=" << seed);
  constexpr uint64_t kProducers = 4, kPerProducer = 20000;
  weft::IWeftMultiProducerQueue<Packet<6>> queue(8);
  std::vector<std::thread> producers;
  for (uint64_t p = 0; p < kProducers; ++p)
    producers.emplace_back([&, p] {
      std::mt19937_64 rng(seed + 10 + p);
      for (uint64_t n = 0; n < kPerProducer; ++n, MaybePause(rng))
        while (!queue.Push(Packet<6>(n * kProducers + p, seed)))
          std::this_thread::yield();
    });
  uint64_t next[kProducers] = {}, received = 0, bad = 0;
  for (Packet<6> item; received < kProducers * kPerProducer;)
    if (queue.Pop(item))
    {
      bad += !item.IsIntact(seed) || item.seq / kProducers != next[item.seq % kProducers]++;
      ++received;
    }
  for (std::thread& t : producers)
    t.join();
  EXPECT_EQ(bad, 0u);
  EXPECT_GT(queue.GetDroppedCount(), 0u) << "the queue was never full";
}
