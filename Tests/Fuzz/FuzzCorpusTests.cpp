// Runs the fuzz entries over the seed corpus and seeded mutations of it, so
// the ordinary and sanitizer builds cover what the fuzzers start from.

#include "FuzzEntries.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

std::string Source(const char* path)
{
  const char* root = std::getenv("PW_SOURCE_DIR");
  return std::string(root ? root : ".") + "/" + path;
}

Bytes ReadFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// The seed, then copies with bytes overwritten, cut short, or a slice
// repeated; each copy exactly sized so overreads are seen.
void RunMutations(bool (*entry)(const uint8_t*, size_t), const Bytes& seed, const std::string& name, int count)
{
  ASSERT_FALSE(seed.empty()) << name;
  ASSERT_TRUE(entry(seed.data(), seed.size())) << name;
  const unsigned rngSeed = 99;
  std::mt19937 rng(rngSeed);
  for (int m = 0; m < count; m++)
  {
    Bytes b = seed;
    switch (m % 3)
    {
      case 0:
        for (int k = 0; k < 1 + int(rng() % 8); k++)
          b[rng() % b.size()] = static_cast<uint8_t>(rng() % 4 == 0 ? 0xFF : rng());
        break;
      case 1: b.resize(rng() % b.size()); break;
      case 2:
      {
        const size_t from = rng() % b.size(), len = 1 + rng() % 64;
        b.insert(b.begin() + long(rng() % b.size()), b.begin() + long(from),
                 b.begin() + long(std::min(b.size(), from + len)));
        break;
      }
    }
    ASSERT_TRUE(entry(b.data(), b.size())) << name << " mutation " << m << " (seed " << rngSeed << ")";
  }
}

} // namespace

TEST(FuzzCorpus, FontReaderKeepsItsPromisesOverSeedsAndMutations)
{
  for (const std::string& path : {Source("Tests/Fuzz/Corpus/font/two-faces.ttc"),
                                  std::string("/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf")})
    RunMutations(pw::fuzz::FuzzFontReader, ReadFile(path), path, 300);
}

TEST(FuzzCorpus, SVGReaderKeepsItsPromisesOverSeedsAndMutations)
{
  for (const char* file : {"shapes.svg", "paths.svg", "groups.svg", "gradients.svg", "ring.svg"})
  {
    const std::string path = Source("Tests/ICanvas/SVG/Data/") + file;
    RunMutations(pw::fuzz::FuzzSVGReader, ReadFile(path), path, 300);
  }
}
