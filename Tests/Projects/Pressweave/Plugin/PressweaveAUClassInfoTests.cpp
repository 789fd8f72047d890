// Pressweave's class-info dictionary as a host saves and restores it: the
// identity keys, "data" laid out as the product's state (width, height,
// draw scale, then the 14 parameter values), a round trip between two
// units, and damaged dictionaries refused with every parameter and the
// stored draw scale as they were.

#include "PressweaveTestRig.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using namespace pressweave;
using pw::test::Values;

constexpr int kDataBytes = 12 + 8 * kNumParams; // 124

SInt32 NumberIn(CFDictionaryRef dict, CFStringRef key)
{
  const auto number = static_cast<CFNumberRef>(CFDictionaryGetValue(dict, key));
  SInt32 value = -1;
  EXPECT_NE(number, nullptr);
  EXPECT_TRUE(CFNumberGetValue(number, kCFNumberSInt32Type, &value));
  return value;
}

std::vector<uint8_t> DataOf(CFDictionaryRef dict)
{
  const auto data = static_cast<CFDataRef>(CFDictionaryGetValue(dict, CFSTR("data")));
  const uint8_t* bytes = CFDataGetBytePtr(data);
  return std::vector<uint8_t>(bytes, bytes + CFDataGetLength(data));
}

// A copy of dict whose "data" holds bytes, with the draw scale at bytes 8..11
// set to scale unless it is 0.
CFMutableDictionaryRef WithData(CFDictionaryRef dict, std::vector<uint8_t> bytes, float scale = 0.0f)
{
  if (scale != 0.0f)
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
  // A's parameters away from their defaults.
  void SetUp() override
  {
    const std::pair<int, double> automated[] = {
      {kInputGain, 12.5}, {kThreshold, -21.5}, {kRatio, 7.5},       {kSidechainMode, kSidechainCombined},
      {kPressweaveOn, 1}, {kStereoWidth, 150}, {kScopeSync, 5},     {kScopeTheme, 2}};
    for (const auto& [idx, value] : automated)
      a.SetParameter(idx, value);
  }

  pw::test::CFLeakCheck mLeakCheck;
  pw::test::AUHost a;
  pw::test::AUHost b;
};

TEST_F(PressweaveClassInfo, TheDictionaryNamesThePlugInAndCarriesItsStateLayoutAndNoPresets)
{
  CFDictionaryRef state = a.State();
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(NumberIn(state, CFSTR("version")), 0x10000);
  EXPECT_EQ(NumberIn(state, CFSTR("type")), 0x61756678) << "'aufx'";
  EXPECT_EQ(NumberIn(state, CFSTR("subtype")), 0x56726b71) << "'Vrkq'";
  EXPECT_EQ(NumberIn(state, CFSTR("manufacturer")), 0x4c6d646b) << "'Lmdk'";
  const auto name = static_cast<CFStringRef>(CFDictionaryGetValue(state, CFSTR("name")));
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(CFStringGetLength(name), 0) << "the product keeps no presets";

  const std::vector<uint8_t> data = DataOf(state);
  ASSERT_EQ(data.size(), static_cast<size_t>(kDataBytes));
  int32_t size[2] = {};
  float scale = 0.0f;
  std::memcpy(size, &data[0], 8);
  std::memcpy(&scale, &data[8], 4);
  EXPECT_EQ(size[0], 1000);
  EXPECT_EQ(size[1], 400);
  EXPECT_EQ(scale, 1.0f);
  for (int i = 0; i < kNumParams; ++i)
  {
    double value = 0.0;
    std::memcpy(&value, &data[static_cast<size_t>(12 + 8 * i)], 8);
    EXPECT_EQ(value, a.plug->GetParam(i)->Value()) << "parameter " << i;
  }
  CFRelease(state);

  EXPECT_EQ(a.plug->NPresets(), 0);
  CFArrayRef presets = nullptr;
  UInt32 presetsSize = sizeof presets;
  ASSERT_EQ(AudioUnitGetProperty(a.unit, kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 0, &presets,
                                 &presetsSize),
            noErr);
  ASSERT_NE(presets, nullptr);
  EXPECT_EQ(CFArrayGetCount(presets), 0);
  CFRelease(presets);
}

TEST_F(PressweaveClassInfo, TheDictionaryRestoresEveryParameterAndTheScaleInAnotherUnit)
{
  CFDictionaryRef state = a.State();
  CFMutableDictionaryRef scaled = WithData(state, DataOf(state), 1.5f);
  CFRelease(state);
  ASSERT_EQ(b.Restore(scaled), noErr);
  CFRelease(scaled);
  EXPECT_EQ(Values(*b.plug), Values(*a.plug));
  EXPECT_EQ(b.plug->GetStoredDrawScale(), 1.5f);
}

TEST_F(PressweaveClassInfo, DamagedDictionariesAreRefusedWithEveryParameterAndTheScaleKept)
{
  CFDictionaryRef good = a.State();
  const std::vector<uint8_t> data = DataOf(good);

  // B holds a state of its own: A's with another Dry/Wet and a scale of 0.75.
  std::vector<uint8_t> own = data;
  const double dryWet = 33.3;
  std::memcpy(&own[12 + 8 * kDryWet], &dryWet, 8);
  CFMutableDictionaryRef ownState = WithData(good, own, 0.75f);
  ASSERT_EQ(b.Restore(ownState), noErr);
  CFRelease(ownState);
  const std::vector<double> valuesBefore = Values(*b.plug);
  ASSERT_EQ(b.plug->GetStoredDrawScale(), 0.75f);

  // Each damaged copy carries a draw scale of 2.
  std::vector<CFMutableDictionaryRef> damaged;
  for (size_t keep : {size_t(kDataBytes - 1), size_t(12 + 8 * 5), size_t(12)})
    damaged.push_back(WithData(good, std::vector<uint8_t>(data.begin(), data.begin() + long(keep)), 2.0f));
  damaged.push_back(WithData(good, std::vector<uint8_t>(data.begin(), data.begin() + 11)));
  damaged.push_back(WithData(good, {}));
  const SInt32 otherSubtype = 0x54737441;
  CFNumberRef number = CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &otherSubtype);
  damaged.push_back(WithData(good, data, 2.0f));
  CFDictionarySetValue(damaged.back(), CFSTR("subtype"), number);
  CFRelease(number);
  damaged.push_back(WithData(good, data, 2.0f));
  CFDictionaryRemoveValue(damaged.back(), CFSTR("name"));
  damaged.push_back(WithData(good, data, 2.0f));
  CFDictionarySetValue(damaged.back(), CFSTR("data"), CFSTR("124 bytes"));

  for (size_t i = 0; i < damaged.size(); ++i)
  {
    EXPECT_EQ(b.Restore(damaged[i]), kAudioUnitErr_InvalidPropertyValue) << "damage " << i;
    EXPECT_EQ(Values(*b.plug), valuesBefore) << "damage " << i;
    EXPECT_EQ(b.plug->GetStoredDrawScale(), 0.75f) << "damage " << i;
    CFRelease(damaged[i]);
  }
  CFRelease(good);
}

} // namespace
