#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "IWeftProcessor.h"
#include "IWeftProcessorTestUtils.h"

using pw::test::CaptureReport;
using pw::test::TestProcessorBase;
using weft::kInput;
using weft::kOutput;

// The main thread re-times the delay line while the render thread bypasses
// through it. Every output sample must be silence or an input sample that
// came at most the largest latency earlier; the sanitizer builds catch any
// use of a line after it was replaced.
TEST(ProcessorLatencyConcurrencyTest, SetLatencyDuringBypassRenderIsSafe)
{
  constexpr int kBlock = 32;
  constexpr int kMaxLatency = 64;
  constexpr int kBlocks = 4000;

  std::unique_ptr<TestProcessorBase> p;
  CaptureReport([&] { p = std::make_unique<TestProcessorBase>("2-2", 5); });
  ASSERT_TRUE(p->SetBlockSize(kBlock));
  p->SetChannelConnections(kInput, 0, 2, true);
  p->SetChannelConnections(kOutput, 0, 2, true);
  ASSERT_TRUE(p->InitLatencyDelay());

  std::atomic<bool> done{false};
  std::atomic<int> badSample{-1};
  std::thread render([&] {
    std::vector<double> in(kBlock), out0(kBlock), out1(kBlock);
    double* ins[] = {in.data(), in.data()};
    double* outs[] = {out0.data(), out1.data()};
    for (int block = 0; block < kBlocks; ++block)
    {
      for (int s = 0; s < kBlock; ++s)
        in[s] = block * kBlock + s + 1; // sample n carries n + 1
      p->AttachBuffers(kInput, 0, 2, ins, kBlock);
      p->AttachBuffers(kOutput, 0, 2, outs, kBlock);
      p->PassThroughBuffers(0.0, kBlock);
      for (int s = 0; s < kBlock; ++s)
      {
        const double n = block * kBlock + s + 1;
        const double y = out0[s];
        if (y != out1[s] || !(y == 0.0 || (y <= n && y >= n - kMaxLatency)))
          badSample.store(block * kBlock + s);
      }
    }
    done.store(true);
  });

  const unsigned seed = std::random_device{}();
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> latency(0, kMaxLatency);
  while (!done.load())
    p->SetLatency(latency(rng));
  render.join();

  EXPECT_EQ(badSample.load(), -1) << "seed " << seed;
}
