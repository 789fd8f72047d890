#include <cstddef>
#include <cstdint>

namespace pwtest { bool FuzzTextEntry(const uint8_t* data, size_t size); } // TextEntryFuzz.cpp

#include <gtest/gtest.h>

#include <random>
#include <vector>

TEST(TextEntryFuzz, SeededRandomKeysClicksAndPastesKeepTheTextSound)
{
  std::mt19937 rng(20261207);
  std::vector<uint8_t> bytes(96);
  for (int run = 0; run < 1000; ++run)
  {
    bytes[0] = 7; // open an edit first
    for (size_t i = 1; i < bytes.size(); ++i)
      bytes[i] = static_cast<uint8_t>(rng());
    ASSERT_TRUE(pwtest::FuzzTextEntry(bytes.data(), bytes.size())) << "run " << run;
  }
}
