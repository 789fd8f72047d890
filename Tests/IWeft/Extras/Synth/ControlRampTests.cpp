#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "ControlRamp.h"
#include "VoiceInputEvent.h"

using namespace weft;

namespace {

// The ramp after each of n sub-blocks of blockSize, as
// {start value, end value, start sample, end sample}.
std::vector<std::vector<double>> RunBlocks(ControlRamp& ramp, ControlRampProcessor& glide, int blockSize, int n)
{
  std::vector<std::vector<double>> out;
  for (int i = 0; i < n; ++i)
  {
    glide.Process(blockSize);
    out.push_back({ramp.mStartValue, ramp.mEndValue, double(ramp.mStartSample), double(ramp.mEndSample)});
  }
  return out;
}

using Rows = std::vector<std::vector<double>>;

} // namespace

TEST(ControlRampProcessorTest, GlidesAcrossSubBlocksFromTheirOffsetAndThenStayFlat)
{
  const struct { int offset, glide, block; Rows expected; } cases[] = {
    {10, 0, 64, {{0, 1, 10, 11}, {1, 1, 10, 11}}},                      // no glide: one sample
    {10, -5, 64, {{0, 1, 10, 11}, {1, 1, 10, 11}}},
    {10, 1, 64, {{0, 1, 10, 11}, {1, 1, 10, 11}}},
    {0, 100, 64, {{0, 0.64, 0, 64}, {0.64, 1, 0, 36}, {1, 1, 0, 36}}},
    {28, 10, 32, {{0, 0.4, 28, 32}, {0.4, 1, 0, 6}, {1, 1, 0, 6}}},     // no jump at the boundary
    {32, 4, 32, {{0, 0, 0, 0}, {0, 1, 0, 4}, {1, 1, 0, 4}}},            // at the end: carried over
    {70, 30, 32, {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 26.0 / 30, 6, 32}, {26.0 / 30, 1, 0, 4}}},
  };
  for (const auto& c : cases)
  {
    ControlRamp ramp{};
    ControlRampProcessor glide(ramp);
    glide.SetTarget(1.0, c.offset, c.glide, c.block);
    const Rows got = RunBlocks(ramp, glide, c.block, static_cast<int>(c.expected.size()));
    for (size_t i = 0; i < got.size(); ++i)
      for (size_t j = 0; j < 4; ++j)
        EXPECT_NEAR(got[i][j], c.expected[i][j], 1e-12)
          << "offset " << c.offset << " glide " << c.glide << " block " << i << " field " << j;
  }
}

TEST(ControlRampProcessorTest, NewTargetGlidesFromWhereTheRampStands)
{
  ControlRamp ramp{1.0, 1.0, 0, 0};
  ControlRampProcessor glide(ramp);
  glide.SetTarget(0.0, 0, 4, 16); // from 1 down to 0 over four samples
  glide.Process(2);
  EXPECT_DOUBLE_EQ(ramp.mEndValue, 0.5);
}

TEST(VoiceInputEventTest, PrintsAddressAndFields)
{
  std::ostringstream out;
  out << VoiceInputEvent{{0, 1, 60, 0}, kNoteOnAction, 0, 0.5f, 12};
  EXPECT_EQ(out.str(), "[z0 c1 k60 f0][action:1 ctl:0 val:0.5 off:12]");
}
