// The meters' hand-off with the render thread and the idle handler running
// together (run under ThreadSanitizer by scripts/test --tsan).

#include "BufferManager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

using pressweave::BufferManager;

// Every block writes its number into all six buffers over a seeded number of
// frames. Each acquired bank must hold one block whole, never older than the
// bank before, and the last block must arrive.
TEST(BufferManagerConcurrency, EveryAcquiredBankHoldsOneWholeBlockAndTheyNeverGoBack)
{
  constexpr int kSize = 256, kBlocks = 20000;
  const unsigned seed = std::random_device{}();
  BufferManager bm(kSize);
  std::atomic<bool> started{false}, done{false};
  std::thread render([&] {
    std::mt19937 rng(seed);
    std::vector<double> block(kSize);
    while (!started.load())
      std::this_thread::yield();
    for (int b = 1; b <= kBlocks; ++b)
    {
      const int n = 1 + static_cast<int>(rng() % kSize);
      std::fill(block.begin(), block.begin() + n, static_cast<double>(b));
      for (int i = 0; i < BufferManager::kNumBuffers; ++i)
        bm.Write(i, block.data(), n);
      bm.Publish();
    }
    done.store(true);
  });

  double last = 0.0;
  for (bool finished = false; !finished && !HasFailure();)
  {
    started.store(true);
    finished = done.load(); // one more look after the last block
    if (!bm.Acquire())
      continue;
    const int n = bm.GetFrameCount(0);
    const double b = bm.GetBuffer(0)[0];
    ASSERT_GE(b, last) << "seed " << seed;
    for (int i = 0; i < BufferManager::kNumBuffers; ++i)
    {
      ASSERT_EQ(bm.GetFrameCount(i), n) << "seed " << seed << " buffer " << i;
      for (int s = 0; s < n; ++s)
        ASSERT_EQ(bm.GetBuffer(i)[s], b) << "seed " << seed << " buffer " << i << " frame " << s;
    }
    last = b;
  }
  render.join();
  EXPECT_EQ(last, kBlocks);
}
