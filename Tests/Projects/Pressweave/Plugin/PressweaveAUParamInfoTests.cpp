// Pressweave's 14 parameters as a host sees them through the Audio Unit
// properties: the information records byte for byte with unit-name strings
// that stay with the unit, the value strings of the enum and bool
// parameters, and values shown as text. (Parsing text is the binding's.)

#include "PressweaveTestRig.h"

#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace pressweave;

// Every record: name released by the host, has a name string, readable,
// writable, high resolution; plus "values have strings" for the lists.
constexpr UInt32 kBase = 0xC8800010u;
constexpr UInt32 kListed = kBase | 0x00200000u;

// Index order. Double parameters with a label report it as a custom unit,
// without one the generic unit; enums are indexed, the switch boolean.
const pw::test::ParameterRecord kRecords[kNumParams] = {
  {"Input Gain", kAudioUnitParameterUnit_CustomUnit, "%", 0, 100, 100, kBase},
  {"Threshold", kAudioUnitParameterUnit_CustomUnit, "dB", -60, 0, -60, kBase},
  {"Ratio", kAudioUnitParameterUnit_Generic, nullptr, 1, 36, 20, kBase},
  {"Attack", kAudioUnitParameterUnit_CustomUnit, "ms", 0, 100, 0, kBase},
  {"Release", kAudioUnitParameterUnit_CustomUnit, "ms", 0, 350, 4, kBase},
  {"Sidechain Mode", kAudioUnitParameterUnit_Indexed, nullptr, 0, 2, 0, kListed},
  {"Sidechain Mode Mix", kAudioUnitParameterUnit_CustomUnit, "%", -100, 100, 60, kBase},
  {"Pressweave on/off", kAudioUnitParameterUnit_Boolean, nullptr, 0, 1, 0, kListed},
  {"Pressweave", kAudioUnitParameterUnit_Generic, nullptr, 0, 100, 24, kBase},
  {"Stereo Width", kAudioUnitParameterUnit_CustomUnit, "%", 0, 200, 100, kBase},
  {"Dry/Wet", kAudioUnitParameterUnit_CustomUnit, "%", 0, 100, 100, kBase},
  {"Scope Sync", kAudioUnitParameterUnit_Indexed, nullptr, 0, 6, 3, kListed},
  {"View Mode", kAudioUnitParameterUnit_Indexed, nullptr, 0, 1, 0, kListed},
  {"Scope Theme", kAudioUnitParameterUnit_Indexed, nullptr, 0, 3, 0, kListed},
};

class PressweaveAUParams : public ::testing::Test
{
protected:
  pw::test::CFLeakCheck mLeakCheck; // closing the unit releases its unit names
  pw::test::AUHost mHost;
};

TEST_F(PressweaveAUParams, EveryInformationRecordMatchesByteForByteWithUnitNamesMadeOncePerText)
{
  const CFIndex before = PWShimCFLiveObjectCount();
  for (int idx = 0; idx < kNumParams; ++idx)
    pw::test::ExpectParameterRecord(mHost.unit, static_cast<AudioUnitElement>(idx), kRecords[idx]);
  EXPECT_EQ(PWShimCFLiveObjectCount(), before + 3) << "\"%\", \"dB\" and \"ms\", owned by the unit";
}

TEST_F(PressweaveAUParams, EnumAndBoolParametersListTheirValueStrings)
{
  const std::pair<int, std::vector<std::string>> listed[] = {
    {kSidechainMode, {"Ringmod", "Compressor", "Combined"}},
    {kPressweaveOn, {"off", "on"}},
    {kScopeSync, {"1/16", "1/8", "1/4", "1/2", "1/1", "2/1", "4/1"}},
    {kViewMode, {"Simple", "Full"}},
    {kScopeTheme, {"1", "2", "3", "4"}},
  };
  for (const auto& [idx, expected] : listed)
    EXPECT_EQ(pw::test::ParameterValueStrings(mHost.unit, static_cast<AudioUnitElement>(idx)), expected)
      << kRecords[idx].name;
}

TEST_F(PressweaveAUParams, ValuesShowAsTheEditorShowsThemWithTheStepsPrecision)
{
  const std::tuple<int, float, const char*> cases[] = {
    {kSidechainMode, 2, "Combined"}, {kInputGain, 12.34f, "12.34"}, {kThreshold, -12.5f, "-12.5"},
    {kRelease, 350, "350.0"}};
  for (const auto& [idx, value, text] : cases)
  {
    OSStatus status = -1;
    EXPECT_EQ(pw::test::ParameterStringFromValue(mHost.unit, static_cast<AudioUnitParameterID>(idx), &value, status),
              text)
      << kRecords[idx].name;
    EXPECT_EQ(status, noErr);
  }
}

} // namespace
