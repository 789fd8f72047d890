#include "FontTextFuzzEntry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

TEST(FontTextFuzzCorpus, EverySeedInputDecodesAsTheReferenceDoes)
{
  const char* root = std::getenv("PW_SOURCE_DIR");
  ASSERT_NE(root, nullptr);
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(root) + "/Tests/ICanvas/Drawing/VG/Fuzz/corpus"))
  {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    fuzz::FontTextOneInput(bytes.data(), bytes.size());
    inputs++;
  }
  EXPECT_GE(inputs, 7);
}

TEST(FontTextFuzzCorpus, EveryLeadingBytePairOfEverySequenceLengthDecodesAsTheReferenceDoes)
{
  for (int a = 0; a < 256; a++)
    for (int b = 0; b < 256; b++)
    {
      const uint8_t bytes[4] = {uint8_t(a), uint8_t(b), 0x80, 0xBF};
      for (size_t n = 2; n <= 4; n++)
        fuzz::FontTextOneInput(bytes, n);
    }
}

} // namespace
