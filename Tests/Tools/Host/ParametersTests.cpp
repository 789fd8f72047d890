#include "FakeHostedUnit.h"
#include "Parameters.h"

#include <CoreFoundation/PWShimCFBase.h>

#include <gtest/gtest.h>

using pw::host::ParameterDescription;
using pw::host::ParameterSetting;
using pw::host::ResolveParameter;
using pw::host::Status;

namespace {

ParameterDescription Parameter(AudioUnitParameterID id, const char* name, float lo, float hi,
                               AudioUnitParameterUnit unit = kAudioUnitParameterUnit_Generic,
                               std::vector<std::string> strings = {})
{
  ParameterDescription p;
  p.id = id;
  p.name = name;
  p.minValue = lo;
  p.maxValue = hi;
  p.unit = unit;
  p.valueStrings = std::move(strings);
  return p;
}

const std::vector<ParameterDescription> kParameters = {
  Parameter(0, "Dry/Wet", 0.0f, 100.0f, kAudioUnitParameterUnit_Percent),
  Parameter(5, "Sidechain Mode", 0.0f, 2.0f, kAudioUnitParameterUnit_Indexed, {"Ringmod", "Compressor", "Combined"}),
  Parameter(8, "Pressweave on/off", 0.0f, 1.0f, kAudioUnitParameterUnit_Boolean),
  Parameter(2, "Threshold", -60.0f, 0.0f, kAudioUnitParameterUnit_Decibels),
};

ParameterSetting Resolved(const std::string& name, const std::string& value)
{
  ParameterSetting setting;
  const Status status = ResolveParameter(kParameters, name, value, setting);
  EXPECT_TRUE(status) << status.Message();
  return setting;
}

std::string Refused(const std::vector<ParameterDescription>& parameters, const std::string& name,
                    const std::string& value)
{
  ParameterSetting setting;
  setting.name = "untouched";
  const Status status = ResolveParameter(parameters, name, value, setting);
  EXPECT_FALSE(status);
  EXPECT_EQ(setting.name, "untouched");
  return status.Message();
}

} // namespace

TEST(ParameterLookup, FindsByExactNameThenIgnoringCase)
{
  const ParameterSetting exact = Resolved("Dry/Wet", "50");
  EXPECT_EQ(exact.id, 0u);
  EXPECT_EQ(exact.value, 50.0f);
  EXPECT_EQ(exact.name, "Dry/Wet");
  const ParameterSetting loose = Resolved("threshold", "-12.5");
  EXPECT_EQ(loose.id, 2u);
  EXPECT_EQ(loose.value, -12.5f);
}

TEST(ParameterLookup, AnUnknownNameIsAnUnknownParameter)
{
  EXPECT_EQ(Refused(kParameters, "Wet", "1"), "unknown parameter 'Wet'");
  EXPECT_EQ(Refused({}, "Gain", "1"), "unknown parameter 'Gain'");
}

TEST(ParameterLookup, NamesDifferingOnlyInCaseNeedTheExactCase)
{
  const std::vector<ParameterDescription> twins = {Parameter(0, "Mix", 0, 1), Parameter(1, "MIX", 0, 1)};
  EXPECT_NE(Refused(twins, "mix", "1").find("is ambiguous"), std::string::npos);
  ParameterSetting setting;
  ASSERT_TRUE(ResolveParameter(twins, "MIX", "1", setting));
  EXPECT_EQ(setting.id, 1u);
}

TEST(ParameterLookup, ValueStringsSelectTheirIndexIgnoringCase)
{
  EXPECT_EQ(Resolved("Sidechain Mode", "Compressor").value, 1.0f);
  EXPECT_EQ(Resolved("Sidechain Mode", "combined").value, 2.0f);
  EXPECT_EQ(Resolved("Sidechain Mode", "0").value, 0.0f);
  EXPECT_EQ(Refused(kParameters, "Sidechain Mode", "Limiter"),
            "'Limiter' is not a value of parameter 'Sidechain Mode' (one of: Ringmod Compressor Combined)");
}

TEST(ParameterLookup, BooleansTakeOnOffWords)
{
  EXPECT_EQ(Resolved("Pressweave on/off", "on").value, 1.0f);
  EXPECT_EQ(Resolved("Pressweave on/off", "FALSE").value, 0.0f);
  EXPECT_EQ(Resolved("Pressweave on/off", "yes").value, 1.0f);
  EXPECT_EQ(Resolved("Pressweave on/off", "1").value, 1.0f);
  EXPECT_FALSE(Refused(kParameters, "Dry/Wet", "on").empty()) << "on/off words are for booleans only";
}

TEST(ParameterLookup, ValuesOutsideTheRangeOrNotNumbersAreRefused)
{
  EXPECT_EQ(Refused(kParameters, "Dry/Wet", "100.5"), "value 100.5 of parameter 'Dry/Wet' is outside its range 0 to 100");
  EXPECT_EQ(Refused(kParameters, "Threshold", "-61"), "value -61 of parameter 'Threshold' is outside its range -60 to 0");
  EXPECT_EQ(Refused(kParameters, "Dry/Wet", "fifty"), "'fifty' is not a value of parameter 'Dry/Wet'");
  EXPECT_FALSE(Refused(kParameters, "Dry/Wet", "50%").empty());
  EXPECT_FALSE(Refused(kParameters, "Dry/Wet", "nan").empty());
  EXPECT_FALSE(Refused(kParameters, "Dry/Wet", "1e999").empty());
  EXPECT_EQ(Resolved("Dry/Wet", "0").value, 0.0f);
  EXPECT_EQ(Resolved("Dry/Wet", "100").value, 100.0f);
}

TEST(ParameterLookup, UnitSuffixesForDisplay)
{
  EXPECT_EQ(pw::host::UnitSuffix(kParameters[0]), "%");
  EXPECT_EQ(pw::host::UnitSuffix(kParameters[3]), "dB");
  EXPECT_EQ(pw::host::UnitSuffix(kParameters[1]), "");
}

// ---- from a unit ------------------------------------------------------------

TEST(ParameterList, ReadsNamesRangesUnitsAndValueStringsAndReleasesWhatItGot)
{
  const CFIndex liveAtStart = PWShimCFLiveObjectCount();
  {
    pw::test::FakeHostedUnit fake;
    pw::test::OpenHostedUnit open(fake);
    ASSERT_EQ(open.Status(), noErr);
    std::vector<ParameterDescription> parameters;
    const Status status = pw::host::ListParameters(open.Handle(), parameters);
    ASSERT_TRUE(status) << status.Message();
    ASSERT_EQ(parameters.size(), 3u);
    EXPECT_EQ(parameters[0].name, "Gain");
    EXPECT_EQ(parameters[0].unit, kAudioUnitParameterUnit_LinearGain);
    EXPECT_EQ(parameters[0].maxValue, 4.0f);
    EXPECT_EQ(parameters[0].defaultValue, 1.0f);
    EXPECT_TRUE(parameters[0].valueStrings.empty());
    EXPECT_EQ(parameters[1].name, "Mode");
    EXPECT_EQ(parameters[1].valueStrings, (std::vector<std::string>{"Ringmod", "Compressor", "Combined"}));
    EXPECT_EQ(parameters[2].unit, kAudioUnitParameterUnit_Boolean);
  }
  EXPECT_EQ(PWShimCFLiveObjectCount(), liveAtStart) << "names and value-string arrays must be released";
}

TEST(ParameterList, AUnitThatCannotDescribeItsParametersIsAnError)
{
  pw::test::FakeHostedUnit fake;
  fake.describesParameters = false;
  pw::test::OpenHostedUnit open(fake);
  std::vector<ParameterDescription> parameters(1);
  const Status status = pw::host::ListParameters(open.Handle(), parameters);
  ASSERT_FALSE(status);
  EXPECT_EQ(status.Message(), "the component cannot describe its parameter 0 (status -10879)");
  EXPECT_TRUE(parameters.empty());
}
