#include "Parameters.h"

#include <gtest/gtest.h>

using pw::host::ParameterDescription;
using pw::host::ParameterSetting;
using pw::host::ResolveParameter;
using pw::host::Status;

namespace {

ParameterDescription Parameter(AudioUnitParameterID id, const char* name, AudioUnitParameterUnit unit, float lo,
                               float hi, std::vector<std::string> strings = {})
{
  return {id, name, unit, lo, hi, 0.0f, 0, "", std::move(strings)};
}

const std::vector<ParameterDescription> kParameters = {
  Parameter(0, "Dry/Wet", kAudioUnitParameterUnit_Percent, 0.0f, 100.0f),
  Parameter(5, "Sidechain Mode", kAudioUnitParameterUnit_Indexed, 0.0f, 2.0f, {"Ringmod", "Compressor", "Combined"}),
  Parameter(8, "Pressweave on/off", kAudioUnitParameterUnit_Boolean, 0.0f, 1.0f),
  Parameter(2, "Threshold", kAudioUnitParameterUnit_Decibels, -60.0f, 0.0f),
  Parameter(3, "Mix", kAudioUnitParameterUnit_Generic, 0.0f, 1.0f),
  Parameter(4, "MIX", kAudioUnitParameterUnit_Generic, 0.0f, 1.0f),
  Parameter(9, "Scope Theme", kAudioUnitParameterUnit_Indexed, 0.0f, 3.0f, {"1", "2", "3", "4"}),
};

} // namespace

TEST(ParameterLookup, ResolvesNamesAndValuesInTheParametersDisplayUnits)
{
  const struct { const char* name; const char* value; AudioUnitParameterID id; float expected; } cases[] = {
    {"Dry/Wet", "100", 0, 100.0f},          {"threshold", "-12.5", 2, -12.5f},   // any case
    {"Sidechain Mode", "combined", 5, 2.0f}, {"Sidechain Mode", "0", 5, 0.0f},    // value strings or index
    {"Pressweave on/off", "on", 8, 1.0f},    {"Pressweave on/off", "FALSE", 8, 0.0f},
    {"MIX", "1", 4, 1.0f},                                                        // the exact case decides twins
    {"Threshold", "-24 dB", 2, -24.0f},      {"Threshold", "-24db", 2, -24.0f},   // the unit may follow
    {"Dry/Wet", "80%", 0, 80.0f},            {"Dry/Wet", " 80 \t% ", 0, 80.0f},
    {"Sidechain Mode", " Compressor\t", 5, 1.0f}, {"Pressweave on/off", " on ", 8, 1.0f}, // blanks around names
    // A number equal to a value name is that name, in any spelling; another
    // number is the value itself, which the unit rounds.
    {"Scope Theme", "3", 9, 2.0f},  {"Scope Theme", "3.0", 9, 2.0f}, {"Scope Theme", " 3", 9, 2.0f},
    {"Scope Theme", "3 ", 9, 2.0f}, {"Scope Theme", "03", 9, 2.0f},  {"Scope Theme", "4", 9, 3.0f},
    {"Scope Theme", "0", 9, 0.0f},  {"Scope Theme", "2.5", 9, 2.5f}, {"Sidechain Mode", "1.5", 5, 1.5f},
  };
  for (const auto& c : cases)
  {
    ParameterSetting setting;
    const Status status = ResolveParameter(kParameters, c.name, c.value, setting);
    ASSERT_TRUE(status) << c.name << "=" << c.value << ": " << status.Message();
    EXPECT_EQ(setting.id, c.id) << c.name;
    EXPECT_EQ(setting.value, c.expected) << c.name << "=" << c.value;
  }
}

TEST(ParameterLookup, RefusesUnknownAmbiguousAndOutOfRangeSettingsChangingNothing)
{
  const std::string longName = std::string(61, 'x') + "\xF0\x9F\x98\x80" + std::string(100000, 'x');
  const struct { std::string name; std::string value; std::string message; } cases[] = {
    {"Wet", "1", "unknown parameter 'Wet'"},
    {"mix", "1", "parameter name 'mix' is ambiguous"},
    {"Sidechain Mode", "Limiter",
     "'Limiter' is not a value of parameter 'Sidechain Mode' (one of: Ringmod Compressor Combined)"},
    {"Dry/Wet", "on", "'on' is not a value of parameter 'Dry/Wet'"},
    {"Dry/Wet", "100.5", "value 100.5 of parameter 'Dry/Wet' is outside its range 0 to 100"},
    {"Dry/Wet", "nan", "'nan' is not a value of parameter 'Dry/Wet'"},
    // Only the parameter's own unit, and what it takes is named.
    {"Threshold", "-24 Hz", "'-24 Hz' is not a value of parameter 'Threshold' (a number in dB from -60 to 0, the unit optional)"},
    {"Threshold", "dB", "'dB' is not a value of parameter 'Threshold'"},
    {"Threshold", "-24 dB dB", "is not a value"},
    {"Mix", "0.5 %", "'0.5 %' is not a value of parameter 'Mix' (a number from 0 to 1)"},
    {"Pressweave on/off", "maybe", "(on or off)"},
    {"Threshold", "-70 dB", "value -70 dB of parameter 'Threshold' is outside its range -60 to 0 dB"},
    {"Scope Theme", "5", "value 5 of parameter 'Scope Theme' is outside its range 0 to 3"},
    {"Scope Theme", "3x", "'3x' is not a value of parameter 'Scope Theme' (one of: 1 2 3 4)"},
    // Long text is quoted cut, at a character's start.
    {longName, "1", "unknown parameter '" + std::string(61, 'x') + "...'"},
    {"Mix", longName, "'" + std::string(61, 'x') + "...' is not a value of parameter 'Mix' (a number from 0 to 1)"},
    {std::string(64, 'z'), "1", "unknown parameter '" + std::string(64, 'z') + "'"},
    {"Dry/Wet", "1e-400", "is not a value"}, // below the smallest double
  };
  for (const auto& c : cases)
  {
    ParameterSetting setting;
    setting.name = "untouched";
    const Status status = ResolveParameter(kParameters, c.name, c.value, setting);
    ASSERT_FALSE(status) << c.name << "=" << c.value;
    EXPECT_NE(status.Message().find(c.message), std::string::npos) << status.Message().substr(0, 200);
    EXPECT_EQ(setting.name, "untouched");
  }
}

TEST(ParameterLookup, UnitSuffixesForDisplay)
{
  EXPECT_EQ(pw::host::UnitSuffix(kParameters[0]), "%");
  EXPECT_EQ(pw::host::UnitSuffix(kParameters[3]), "dB");
  EXPECT_EQ(pw::host::UnitSuffix(kParameters[1]), "");
}
