// The fuzz entries over the seeds and seeded mutations, in every build.

#include "FuzzEntries.h"

#include "CffTestFonts.h"
#include "DamagedFonts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// The seed, then exactly sized copies (so overreads are seen) with bytes
// overwritten or cut short.
void RunMutations(bool (*entry)(const uint8_t*, size_t), const std::string& path, int mutations = 300)
{
  std::ifstream in(path, std::ios::binary);
  const Bytes seed{std::istreambuf_iterator<char>(in), {}};
  ASSERT_FALSE(seed.empty()) << path;
  ASSERT_TRUE(entry(seed.data(), seed.size())) << path;
  const unsigned rngSeed = 99;
  std::mt19937 rng(rngSeed);
  for (int m = 0; m < mutations; m++)
  {
    Bytes b = seed;
    if (m % 2 == 0)
      for (int k = 0; k < 1 + int(rng() % 8); k++)
        b[rng() % b.size()] = static_cast<uint8_t>(rng() % 4 == 0 ? 0xFF : rng());
    else
      b.resize(rng() % b.size());
    ASSERT_TRUE(entry(b.data(), b.size())) << path << " mutation " << m << " (seed " << rngSeed << ")";
  }
}

std::string Source(const std::string& path)
{
  const char* root = std::getenv("PW_SOURCE_DIR");
  return std::string(root ? root : ".") + "/" + path;
}

} // namespace

TEST(FuzzCorpus, FontReaderKeepsItsPromisesOverSeedsAndMutations)
{
  for (const std::string& path : {Source("Tests/Fuzz/Corpus/font/two-faces.ttc"),
                                  Source("Tests/Fuzz/Corpus/font/mac-names.ttf"),
                                  std::string("/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf")})
    RunMutations(pw::fuzz::FuzzFontReader, path);
}

TEST(FuzzCorpus, FontDrawingSurvivesDamagedFontsSeedsAndMutations)
{
  // The damaged fonts the entry found: byte patches of Roboto.
  for (const damaged::Damage& d : damaged::All())
  {
    damaged::Bytes font = damaged::ReadFile(kRobotoPath);
    d.apply(font);
    EXPECT_TRUE(pw::fuzz::FuzzFontDrawing(font.data(), font.size())) << d.name;
    const damaged::Bytes ttc = damaged::AsCollection(font);
    EXPECT_TRUE(pw::fuzz::FuzzFontDrawing(ttc.data(), ttc.size())) << d.name << " in a collection";
  }
  for (const std::string& path : {Source("Tests/Fuzz/Corpus/font/two-faces.ttc"), std::string(kRobotoPath)})
    RunMutations(pw::fuzz::FuzzFontDrawing, path, 60);
}

// The corpus's OpenType fonts are the ones the CFF checks' tests make, the
// damaged ones each failing without the checks; they survive drawing, and
// so do mutations of a TeX Gyre face (the made ones' mutations are run
// with every other font seed's below).
TEST(FuzzCorpus, TheMadeCffFontsAreTheCorpusFilesAndSurviveDrawingAsATexGyreFaceMutatedDoes)
{
  cfftest::Recipe cid;
  cid.cid = true;
  std::vector<std::pair<std::string, Bytes>> made = {{"plain", cfftest::Font({})}, {"cid-keyed", cfftest::Font(cid)}};
  for (const cfftest::Damage& d : cfftest::All()) made.push_back({std::string("damaged-") + d.name, d.Make()});
  for (const auto& [name, bytes] : made)
  {
    EXPECT_EQ(cfftest::Read(Source("Tests/Fuzz/Corpus/font/cff-" + name + ".otf")), bytes) << name;
    EXPECT_TRUE(pw::fuzz::FuzzFontDrawing(bytes.data(), bytes.size()) && pw::fuzz::FuzzFontReader(bytes.data(), bytes.size())) << name;
  }
  RunMutations(pw::fuzz::FuzzFontDrawing, std::string(cfftest::kTexGyreDir) + "/texgyrecursor-regular.otf", 40);
}

// Among the font seeds: small fonts with whole and damaged kerning tables,
// an outline above its box, an hmtx short of the glyph count.
TEST(FuzzCorpus, FontEntriesKeepTheirPromisesOverEveryFontSeedAndItsMutations)
{
  int seeds = 0;
  for (const auto& file : std::filesystem::directory_iterator(Source("Tests/Fuzz/Corpus/font")))
  {
    for (auto entry : {pw::fuzz::FuzzFontReader, pw::fuzz::FuzzFontDrawing})
      RunMutations(entry, file.path().string(), 100);
    seeds++;
  }
  EXPECT_GE(seeds, 8);
}

TEST(FuzzCorpus, SVGReaderKeepsItsPromisesOverSeedsAndMutations)
{
  for (const char* file : {"shapes.svg", "paths.svg", "groups.svg", "gradients.svg", "ring.svg"})
    RunMutations(pw::fuzz::FuzzSVGReader, Source("Tests/ICanvas/SVG/Data/") + file);
  // Outlines whose rays run through other outlines' corners and along their edges.
  RunMutations(pw::fuzz::FuzzSVGReader, Source("Tests/Fuzz/Corpus/svg/grazed-corners.svg"));
  // Outlines touching others, turned and on decimal coordinates.
  RunMutations(pw::fuzz::FuzzSVGReader, Source("Tests/Fuzz/Corpus/svg/touching-outlines.svg"));
}

TEST(FuzzCorpus, MidiFileReaderKeepsItsPromisesOverSeedsAndMutations)
{
  for (const char* file : {"format0-running-status.mid", "format1-tempo-sysex.mid", "long-deltas.mid"})
    RunMutations(pw::fuzz::FuzzMidiFileReader, Source("Tests/Fuzz/Corpus/midi/") + file);
}
