// Pressweave's class-info dictionary as a host saves it: the identity keys
// and "data" holding the product's state. (The state's layout and round trip
// are pinned in PressweaveStateTests; the dictionary's round trip and damaged
// dictionaries are the Audio Unit binding's and tested with it.)

#include "PressweaveTestRig.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using namespace pressweave;
using pw::test::NumberIn;

std::vector<uint8_t> DataOf(CFDictionaryRef dict)
{
  const auto data = static_cast<CFDataRef>(CFDictionaryGetValue(dict, CFSTR("data")));
  return std::vector<uint8_t>(CFDataGetBytePtr(data), CFDataGetBytePtr(data) + CFDataGetLength(data));
}

class PressweaveClassInfo : public ::testing::Test
{
protected:
  void SetUp() override
  {
    const std::pair<int, double> automated[] = {
      {kInputGain, 12.5}, {kRatio, 7.5}, {kSidechainMode, kSidechainCombined}, {kStereoWidth, 150}, {kScopeTheme, 2}};
    for (const auto& [idx, value] : automated)
      a.SetParameter(idx, value);
    state = a.State();
    ASSERT_NE(state, nullptr);
  }
  void TearDown() override { CFRelease(state); }

  pw::test::CFLeakCheck mLeakCheck;
  pw::test::AUHost a;
  CFDictionaryRef state = nullptr;
};

TEST_F(PressweaveClassInfo, TheDictionaryNamesThePlugInAndCarriesItsStateAndNoPresets)
{
  EXPECT_EQ(NumberIn(state, CFSTR("version")), 0x10000);
  EXPECT_EQ(NumberIn(state, CFSTR("type")), 0x61756678) << "'aufx'";
  EXPECT_EQ(NumberIn(state, CFSTR("subtype")), 0x56726b71) << "'Vrkq'";
  EXPECT_EQ(NumberIn(state, CFSTR("manufacturer")), 0x4c6d646b) << "'Lmdk'";
  const auto name = static_cast<CFStringRef>(CFDictionaryGetValue(state, CFSTR("name")));
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(CFStringGetLength(name), 0) << "the product keeps no presets";

  weft::IByteChunk chunk;
  ASSERT_TRUE(a.plug->SerializeState(chunk));
  const std::vector<uint8_t> data = DataOf(state);
  ASSERT_EQ(data.size(), 124u);
  EXPECT_EQ(std::memcmp(data.data(), chunk.GetData(), 124), 0);
  EXPECT_EQ(a.plug->NPresets(), 0);
}

} // namespace
