#pragma once
// Seeded test signals for the engine's tests. The seed comes from
// PW_TEST_SEED when set, so a failure printed with its seed can be replayed.

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace pw::test {

inline uint64_t TestSeed(uint64_t fallback = 20240611u)
{
  if (const char* env = std::getenv("PW_TEST_SEED"))
    return std::strtoull(env, nullptr, 10);
  return fallback;
}

inline std::string SeedText(uint64_t seed)
{
  return "seed " + std::to_string(seed) + " (replay with PW_TEST_SEED=" + std::to_string(seed) + ")";
}

// n uniform samples in lo..hi.
inline std::vector<double> RandomSignal(std::mt19937_64& rng, int n, double lo = -1.0, double hi = 1.0)
{
  std::uniform_real_distribution<double> dist(lo, hi);
  std::vector<double> v(static_cast<size_t>(n));
  for (double& x : v)
    x = dist(rng);
  return v;
}

} // namespace pw::test
