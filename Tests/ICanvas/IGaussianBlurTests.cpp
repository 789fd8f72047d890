#include "IGaussianBlur.h"

#include <gtest/gtest.h>

#include <random>

using namespace weft::canvas;

namespace {

// Slow reference: every output from the cut kernel, no run shortcut.
std::vector<uint8_t> Reference(const IGaussianBlur& blur, const std::vector<uint8_t>& alpha, int w, int h)
{
  auto pass = [&](const std::vector<uint8_t>& in, int rows, int count) {
    std::vector<uint8_t> out(in.size()); // transposed
    for (int r = 0; r < rows; r++)
      for (int i = 0; i < count; i++)
      {
        long sum = 0;
        for (int j = std::max(-i, 1 - blur.Size()); j < blur.Size() && i + j < count; j++)
          sum += long(blur.Kernel()[size_t(std::abs(j))]) * in[size_t(r * count + i + j)];
        out[size_t(i * rows + r)] = uint8_t(std::min(255L, sum / blur.Norm()));
      }
    return out;
  };
  return pass(pass(alpha, h, w), w, h);
}

std::vector<uint8_t> Mask(const std::vector<uint8_t>& alpha, int channel)
{
  std::vector<uint8_t> mask(alpha.size() * 4, 7);
  for (size_t i = 0; i < alpha.size(); i++)
    mask[4 * i + size_t(channel)] = alpha[i];
  return mask;
}

} // namespace

TEST(IGaussianBlur, KernelFollowsTheGaussianOfTheRadius)
{
  const IGaussianBlur blur(3.0);
  EXPECT_EQ(blur.Kernel(), (std::vector<uint8_t>{255, 155, 35})); // 255 exp(-4.5 i^2 / 9)
  EXPECT_EQ(blur.Norm(), 635);
  for (double r : {0.0, -5.0, std::nan("")})
    EXPECT_EQ(IGaussianBlur(r).Kernel(), std::vector<uint8_t>{255}) << r;
  EXPECT_EQ(IGaussianBlur(1e300).Size(), IGaussianBlur::kMaxSize);
}

TEST(IGaussianBlur, ImpulseSpreadsAsTheProductOfTheTwoPasses)
{
  const int w = 21, h = 21;
  std::vector<uint8_t> alpha(size_t(w * h), 0);
  alpha[size_t(10 * w + 10)] = 255;
  std::vector<uint8_t> mask = Mask(alpha, 3), scratch;
  const IGaussianBlur blur(3.0);
  ASSERT_TRUE(blur.Apply(mask.data(), mask.size(), w, h, 3, false, scratch));
  const int k[] = {255, 155, 35};
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++)
    {
      const int dx = std::abs(x - 10), dy = std::abs(y - 10);
      const int expected = dx < 3 && dy < 3 ? k[dy] * (255 * k[dx] / 635) / 635 : 0;
      ASSERT_EQ(mask[size_t(4 * (y * w + x) + 3)], expected) << x << "," << y;
    }
}

TEST(IGaussianBlur, MatchesTheSlowReferenceOnSeededMasksWithRuns)
{
  const unsigned seed = 1234;
  std::mt19937 rng(seed);
  for (int trial = 0; trial < 60; trial++)
  {
    const int w = 1 + int(rng() % 40), h = 1 + int(rng() % 40);
    const IGaussianBlur blur(1.0 + (rng() % 80) / 10.0);
    std::vector<uint8_t> alpha(size_t(w * h));
    for (size_t i = 0; i < alpha.size();) // runs of random length and value
    {
      const uint8_t v = rng() % 3 == 0 ? uint8_t(rng()) : (rng() % 2 ? 255 : 0);
      for (size_t n = 1 + rng() % 30; n-- && i < alpha.size();)
        alpha[i++] = v;
    }
    std::vector<uint8_t> mask = Mask(alpha, 1), scratch;
    ASSERT_TRUE(blur.Apply(mask.data(), mask.size(), w, h, 1, false, scratch));
    const std::vector<uint8_t> expected = Reference(blur, alpha, w, h);
    for (size_t i = 0; i < alpha.size(); i++)
      ASSERT_EQ(mask[4 * i + 1], expected[i]) << "seed " << seed << " trial " << trial << " " << w << "x" << h
                                              << " size " << blur.Size() << " pixel " << i;
  }
}

TEST(IGaussianBlur, FlippedMasksAreReadBottomUpAndWrittenTopDown)
{
  const int w = 9, h = 7;
  std::vector<uint8_t> alpha(size_t(w * h), 0), mirrored(alpha.size(), 0);
  std::fill_n(alpha.begin(), w, 200); // the top row
  std::fill_n(mirrored.end() - w, w, 200); // the same, stored bottom-up
  std::vector<uint8_t> a = Mask(alpha, 0), b = Mask(mirrored, 0), scratch;
  const IGaussianBlur blur(2.0);
  ASSERT_TRUE(blur.Apply(a.data(), a.size(), w, h, 0, false, scratch));
  ASSERT_TRUE(blur.Apply(b.data(), b.size(), w, h, 0, true, scratch));
  EXPECT_EQ(a, b);
  EXPECT_GT(a[0], 0);
}

TEST(IGaussianBlur, RefusesAMaskOfTheWrongSize)
{
  std::vector<uint8_t> mask(4 * 4 * 4, 9), scratch;
  const IGaussianBlur blur(2.0);
  for (auto [size, w, h] : {std::tuple<size_t, int, int>{63, 4, 4}, {64, 4, 5}, {64, 0, 4}, {64, -4, -4}})
    EXPECT_FALSE(blur.Apply(mask.data(), size, w, h, 3, false, scratch)) << size << " " << w << "x" << h;
  EXPECT_FALSE(blur.Apply(mask.data(), 64, 4, 4, 4, false, scratch)) << "channel out of range";
  EXPECT_EQ(mask, std::vector<uint8_t>(64, 9));
}
