// Pressweave's class-info dictionary as a host saves and restores it: the
// identity keys, "data" holding the product's state (its layout is pinned in
// PressweaveStateTests) and a round trip between two units. (Damaged
// dictionaries are the Audio Unit binding's and tested with it; short states
// are refused by the state itself.)

#include "PressweaveTestRig.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using namespace pressweave;
using pw::test::ValuesOf;

SInt32 NumberIn(CFDictionaryRef dict, CFStringRef key)
{
  SInt32 value = -1;
  EXPECT_TRUE(CFNumberGetValue(static_cast<CFNumberRef>(CFDictionaryGetValue(dict, key)), kCFNumberSInt32Type, &value));
  return value;
}

std::vector<uint8_t> DataOf(CFDictionaryRef dict)
{
  const auto data = static_cast<CFDataRef>(CFDictionaryGetValue(dict, CFSTR("data")));
  return std::vector<uint8_t>(CFDataGetBytePtr(data), CFDataGetBytePtr(data) + CFDataGetLength(data));
}

// A copy of dict whose "data" holds bytes with the draw scale at bytes 8..11.
CFMutableDictionaryRef WithData(CFDictionaryRef dict, std::vector<uint8_t> bytes, float scale)
{
  std::memcpy(&bytes[8], &scale, 4);
  CFMutableDictionaryRef copy = CFDictionaryCreateMutableCopy(kCFAllocatorDefault, 0, dict);
  CFDataRef data = CFDataCreate(kCFAllocatorDefault, bytes.data(), static_cast<CFIndex>(bytes.size()));
  CFDictionarySetValue(copy, CFSTR("data"), data);
  CFRelease(data);
  return copy;
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
  pw::test::AUHost b;
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

TEST_F(PressweaveClassInfo, TheDictionaryRestoresEveryParameterAndTheScaleInAnotherUnit)
{
  CFMutableDictionaryRef scaled = WithData(state, DataOf(state), 1.5f);
  EXPECT_EQ(b.Restore(scaled), noErr);
  CFRelease(scaled);
  EXPECT_EQ(ValuesOf(*b.plug), ValuesOf(*a.plug));
  EXPECT_EQ(b.plug->GetStoredDrawScale(), 1.5f);
}

} // namespace
