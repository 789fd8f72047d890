#include "TestFiles.h"
#include "TestPlugin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace weft;
using pw::test::TempFile;
using pw::test::TestPlugin;

namespace {

enum EParams
{
  kGain = 0, // double -12..12 dB, step 0.1
  kMode,     // int 0..4
  kBypass,   // bool
  kMix,      // double 0..100 %, step 1
  kNumParams
};

void InitTestParams(TestPlugin& plug)
{
  plug.GetParam(kGain)->InitDouble("Gain", 0.0, -12.0, 12.0, 0.1, "dB", 0, "Level");
  plug.GetParam(kMode)->InitInt("Mode", 1, 0, 4, "", 0, "Shape");
  plug.GetParam(kBypass)->InitBool("Bypass", false, "", 0, "Level");
  plug.GetParam(kMix)->InitDouble("Mix", 50.0, 0.0, 100.0, 1.0, "%", 0, "Shape");
}

std::vector<double> Values(const TestPlugin& plug)
{
  std::vector<double> values;
  for (int i = 0; i < plug.NParams(); ++i)
    values.push_back(plug.GetParam(i)->Value());
  return values;
}

void SetValues(TestPlugin& plug, const std::vector<double>& values)
{
  for (int i = 0; i < plug.NParams(); ++i)
    plug.GetParam(i)->Set(values[static_cast<size_t>(i)]);
}

std::vector<uint8_t> Bytes(const IByteChunk& chunk)
{
  return std::vector<uint8_t>(chunk.GetData(), chunk.GetData() + chunk.Size());
}

IByteChunk BlockOf(const std::vector<double>& values)
{
  IByteChunk chunk;
  for (double v : values)
    chunk.Put(&v);
  return chunk;
}

class PluginBaseTest : public testing::Test
{
protected:
  PluginBaseTest() { InitTestParams(plug); }

  TestPlugin plug{kNumParams, 3};
};

} // namespace

// --- Identity and version texts

TEST(PluginIdentity, VersionTextAppendsDAndDecimalFormIsMajorMinorBugfix)
{
  TestPlugin plug(0, 0, 0x1234, 0x010203);
  LOOM_String str;
  plug.GetPluginVersionStr(str);
  EXPECT_STREQ(str.Get(), "v1.2.3D");
  EXPECT_EQ(plug.GetPluginVersion(false), 0x010203);
  EXPECT_EQ(plug.GetPluginVersion(true), 10203);

  int maj = 0, min = 0, bug = 0;
  IPluginBase::GetVersionParts(0x0A0B0C, maj, min, bug);
  EXPECT_EQ(maj, 10);
  EXPECT_EQ(min, 11);
  EXPECT_EQ(bug, 12);
  EXPECT_EQ(IPluginBase::GetDecimalVersion(0x0A0B0C), 101112);
}

TEST(PluginIdentity, HostVersionTextHasNoSuffix)
{
  TestPlugin plug(0, 0);
  plug.SetHostVersion(0x0B0001);
  LOOM_String str;
  plug.GetHostVersionStr(str);
  EXPECT_STREQ(str.Get(), "v11.0.1");
  EXPECT_EQ(plug.GetHostVersion(true), 110001);
  EXPECT_EQ(plug.GetHost(), kHostUninit);
  plug.GetHostStr(str);
  EXPECT_STREQ(str.Get(), "Unknown");
}

TEST(PluginIdentity, APINamesCoverTheKnownKindsAndNothingElse)
{
  TestPlugin plug(0, 0);
  const char* expected[] = {"VST2", "VST3", "AU", "AUv3", "AAX", "APP", "WAM", "WEB", "CLAP"};
  for (int api = 0; api < 9; ++api)
  {
    plug.SetAPI(static_cast<EAPI>(api));
    EXPECT_STREQ(plug.GetAPIStr(), expected[api]) << api;
  }
  plug.SetAPI(static_cast<EAPI>(9));
  EXPECT_STREQ(plug.GetAPIStr(), "");
}

TEST(PluginIdentity, BuildInfoJoinsVersionApiArchDateAndFiveCharactersOfTime)
{
  TestPlugin plug(0, 0);
  LOOM_String str;
  plug.GetBuildInfoStr(str, "Mar  4 2025", "13:45:59");
  const std::string expected = std::string("v1.2.3D AU (") + plug.GetArchStr() + "), built on Mar  4 2025 at 13:45 ";
  EXPECT_EQ(std::string(str.Get()), expected);
}

TEST(PluginIdentity, BuildInfoIsCutAt256Characters)
{
  TestPlugin plug(0, 0);
  const std::string longDate(400, 'x');
  LOOM_String str;
  plug.GetBuildInfoStr(str, longDate.c_str(), "00:00");
  EXPECT_EQ(str.GetLength(), 256);
}

TEST(PluginIdentity, ParamGroupsAreListedInOrderAndOutOfRangeIsNull)
{
  TestPlugin plug(0, 0);
  EXPECT_EQ(plug.AddParamGroup("Input"), 1);
  EXPECT_EQ(plug.AddParamGroup("Output"), 2);
  EXPECT_EQ(plug.NParamGroups(), 2);
  EXPECT_STREQ(plug.GetParamGroupName(1), "Output");
  EXPECT_EQ(plug.GetParamGroupName(2), nullptr);
  EXPECT_EQ(plug.GetParamGroupName(-1), nullptr);
}

// --- Ranges and groups of parameters

TEST(ParamRanges, InitParamRangeNumbersNamesFromTheCountStart)
{
  TestPlugin plug(5, 0);
  plug.InitParamRange(1, 3, 7, "Band %d Gain", 0.5, 0.0, 1.0, 0.01, "", 0, "EQ");
  EXPECT_STREQ(plug.GetParam(0)->GetName(), "");
  EXPECT_STREQ(plug.GetParam(1)->GetName(), "Band 7 Gain");
  EXPECT_STREQ(plug.GetParam(3)->GetName(), "Band 9 Gain");
  EXPECT_STREQ(plug.GetParam(4)->GetName(), "");
  EXPECT_STREQ(plug.GetParam(2)->GetGroup(), "EQ");
  EXPECT_DOUBLE_EQ(plug.GetParam(2)->Value(), 0.5);
  EXPECT_EQ(plug.GetParam(2)->Type(), IParam::kTypeDouble);
}

TEST(ParamRanges, InitParamRangeCutsLongNamesTo31Characters)
{
  TestPlugin plug(1, 0);
  plug.InitParamRange(0, 0, 123, "A very long parameter name number %d", 0.0, 0.0, 1.0, 0.1);
  EXPECT_EQ(std::string(plug.GetParam(0)->GetName()), std::string("A very long parameter name numb"));
}

TEST(ParamRanges, CloneParamRangeCopiesDefinitionRenamesAndTakesTheValue)
{
  TestPlugin plug(4, 0);
  plug.GetParam(0)->InitDouble("Left Gain", 0.0, -6.0, 6.0, 0.5, "dB", 0, "Left");
  plug.GetParam(1)->InitInt("Left Mode", 0, 0, 3, "", 0, "Left");
  plug.GetParam(0)->Set(2.5);
  plug.GetParam(1)->Set(3);
  plug.CloneParamRange(0, 1, 2, "Left", "Right", "Right");
  EXPECT_STREQ(plug.GetParam(2)->GetName(), "Right Gain");
  EXPECT_STREQ(plug.GetParam(3)->GetName(), "Right Mode");
  EXPECT_STREQ(plug.GetParam(3)->GetGroup(), "Right");
  EXPECT_EQ(plug.GetParam(3)->Type(), IParam::kTypeInt);
  EXPECT_DOUBLE_EQ(plug.GetParam(2)->GetMax(), 6.0);
  EXPECT_DOUBLE_EQ(plug.GetParam(2)->Value(), 2.5);
  EXPECT_DOUBLE_EQ(plug.GetParam(3)->Value(), 3.0);
}

TEST(ParamRanges, CopyParamValuesByIndexCopiesEachValueOfTheRange)
{
  TestPlugin plug(6, 0);
  plug.InitParamRange(0, 5, 0, "P%d", 0.0, 0.0, 10.0, 1.0);
  plug.GetParam(0)->Set(4);
  plug.GetParam(1)->Set(7);
  plug.CopyParamValues(0, 3, 2);
  EXPECT_DOUBLE_EQ(plug.GetParam(3)->Value(), 4.0);
  EXPECT_DOUBLE_EQ(plug.GetParam(4)->Value(), 7.0);
  EXPECT_DOUBLE_EQ(plug.GetParam(5)->Value(), 0.0);
}

TEST_F(PluginBaseTest, CopyParamValuesByGroupPairsParametersInIndexOrder)
{
  plug.GetParam(kGain)->Set(3.0);   // Level #0
  plug.GetParam(kBypass)->Set(1.0); // Level #1
  plug.CopyParamValues("Level", "Shape");
  EXPECT_DOUBLE_EQ(plug.GetParam(kMode)->Value(), 3.0);
  EXPECT_DOUBLE_EQ(plug.GetParam(kMix)->Value(), 1.0);
}

TEST_F(PluginBaseTest, ForParamInGroupVisitsOnlyThatGroupInIndexOrder)
{
  std::vector<int> visited;
  plug.ForParamInGroup("Shape", [&](int idx, IParam& param) {
    EXPECT_EQ(&param, plug.GetParam(idx));
    visited.push_back(idx);
  });
  EXPECT_EQ(visited, (std::vector<int>{kMode, kMix}));
}

TEST_F(PluginBaseTest, DefaultParamValuesOfAGroupLeavesOtherGroupsAlone)
{
  SetValues(plug, {5.0, 3.0, 1.0, 10.0});
  plug.DefaultParamValues("Shape");
  EXPECT_EQ(Values(plug), (std::vector<double>{5.0, 1.0, 1.0, 50.0}));
  plug.DefaultParamValues();
  EXPECT_EQ(Values(plug), (std::vector<double>{0.0, 1.0, 0.0, 50.0}));
}

TEST_F(PluginBaseTest, RandomiseParamValuesOfARangeStaysInRangeAndLeavesTheRestAlone)
{
  SetValues(plug, {5.0, 3.0, 1.0, 10.0});
  std::srand(12345);
  for (int round = 0; round < 50; ++round)
  {
    plug.RandomiseParamValues(kGain, kMode);
    const std::vector<double> v = Values(plug);
    EXPECT_GE(v[kGain], -12.0);
    EXPECT_LE(v[kGain], 12.0);
    EXPECT_GE(v[kMode], 0.0);
    EXPECT_LE(v[kMode], 4.0);
    EXPECT_EQ(v[kMode], std::round(v[kMode]));
    EXPECT_EQ(v[kBypass], 1.0);
    EXPECT_EQ(v[kMix], 10.0);
  }
}

// --- Parameter block of the saved state

TEST_F(PluginBaseTest, SerializeParamsAppendsOneDoublePerParameterInIndexOrder)
{
  SetValues(plug, {-3.5, 2.0, 1.0, 75.0});
  IByteChunk chunk;
  const int prefix = 7;
  chunk.Put(&prefix);
  ASSERT_TRUE(plug.SerializeParams(chunk));
  ASSERT_EQ(chunk.Size(), 4 + 8 * kNumParams);
  const double expected[kNumParams] = {-3.5, 2.0, 1.0, 75.0};
  EXPECT_EQ(std::memcmp(chunk.GetData() + 4, expected, sizeof(expected)), 0);
}

TEST_F(PluginBaseTest, UnserializeParamsRoundTripsAndReportsOneResetAsPresetRecall)
{
  SetValues(plug, {-3.5, 2.0, 1.0, 75.0});
  IByteChunk chunk;
  const int prefix = 7;
  chunk.Put(&prefix);
  plug.SerializeParams(chunk);

  plug.DefaultParamValues();
  plug.ClearNotes();
  EXPECT_EQ(plug.UnserializeParams(chunk, 4), 4 + 8 * kNumParams);
  EXPECT_EQ(Values(plug), (std::vector<double>{-3.5, 2.0, 1.0, 75.0}));
  EXPECT_EQ(plug.Notes().resets, std::vector<EParamSource>{kPresetRecall});
}

TEST_F(PluginBaseTest, UnserializeParamsConstrainsStoredValuesToRangeAndStep)
{
  const IByteChunk chunk = BlockOf({100.0, 2.6, 0.7, -5.0});
  EXPECT_EQ(plug.UnserializeParams(chunk, 0), chunk.Size());
  EXPECT_EQ(Values(plug), (std::vector<double>{12.0, 3.0, 1.0, 0.0}));
}

TEST_F(PluginBaseTest, UnserializeParamsTwoValuesShortSetsTheCompleteOnesAndReturnsMinusOne)
{
  SetValues(plug, {1.0, 2.0, 0.0, 30.0});
  IByteChunk chunk = BlockOf({-4.0, 4.0});
  const uint8_t partial[5] = {1, 2, 3, 4, 5}; // an incomplete third value
  chunk.PutBytes(partial, 5);
  plug.ClearNotes();
  EXPECT_EQ(plug.UnserializeParams(chunk, 0), -1);
  EXPECT_EQ(Values(plug), (std::vector<double>{-4.0, 4.0, 0.0, 30.0}));
  EXPECT_EQ(plug.Notes().resets, std::vector<EParamSource>{kPresetRecall});
}

TEST_F(PluginBaseTest, UnserializeParamsSkipsNonFiniteStoredValues)
{
  SetValues(plug, {1.0, 2.0, 0.0, 30.0});
  const IByteChunk chunk = BlockOf({std::numeric_limits<double>::quiet_NaN(), 3.0,
                                    std::numeric_limits<double>::infinity(), 40.0});
  EXPECT_EQ(plug.UnserializeParams(chunk, 0), chunk.Size());
  EXPECT_EQ(Values(plug), (std::vector<double>{1.0, 3.0, 0.0, 40.0}));
}

TEST_F(PluginBaseTest, UnserializeParamsFromANegativePositionChangesNothing)
{
  SetValues(plug, {1.0, 2.0, 0.0, 30.0});
  const IByteChunk chunk = BlockOf({5.0, 1.0, 1.0, 5.0});
  EXPECT_EQ(plug.UnserializeParams(chunk, -1), -1);
  EXPECT_EQ(Values(plug), (std::vector<double>{1.0, 2.0, 0.0, 30.0}));
}

// --- Presets in memory

TEST_F(PluginBaseTest, ConstructionMakesUninitialisedPresetsNamedEmpty)
{
  ASSERT_EQ(plug.NPresets(), 3);
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 0);
  for (int i = 0; i < 3; ++i)
  {
    EXPECT_STREQ(plug.GetPresetName(i), "empty");
    EXPECT_FALSE(plug.GetPreset(i)->mInitialized);
    EXPECT_EQ(plug.GetPreset(i)->mChunk.Size(), 0);
  }
}

TEST_F(PluginBaseTest, GetPresetNameOutOfRangeIsEmpty)
{
  EXPECT_STREQ(plug.GetPresetName(-1), "");
  EXPECT_STREQ(plug.GetPresetName(plug.NPresets()), "");
}

TEST_F(PluginBaseTest, RestoringUninitialisedPresetsMakesNumberedUserPresets)
{
  SetValues(plug, {1.0, 2.0, 1.0, 60.0});
  plug.ClearNotes();
  ASSERT_TRUE(plug.RestorePreset(1));
  EXPECT_STREQ(plug.GetPresetName(1), "user preset 1");
  EXPECT_TRUE(plug.GetPreset(1)->mInitialized);
  EXPECT_EQ(Bytes(plug.GetPreset(1)->mChunk), Bytes(BlockOf({1.0, 2.0, 1.0, 60.0})));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 1);
  EXPECT_EQ(plug.Notes().presetsModified, 1);
  EXPECT_EQ(plug.Notes().restoreStates, 1);

  ASSERT_TRUE(plug.RestorePreset(2));
  EXPECT_STREQ(plug.GetPresetName(2), "user preset 2");
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 2);
}

TEST_F(PluginBaseTest, RestoringAnInitialisedPresetAppliesItsState)
{
  plug.MakePreset("Loud", 9.0, 4, 0, 80.0);
  plug.ClearNotes();
  ASSERT_TRUE(plug.RestorePreset(0));
  EXPECT_EQ(Values(plug), (std::vector<double>{9.0, 4.0, 0.0, 80.0}));
  EXPECT_EQ(plug.Notes().resets, std::vector<EParamSource>{kPresetRecall});
  EXPECT_EQ(plug.Notes().restoreStates, 1);
}

TEST_F(PluginBaseTest, RestorePresetOutOfRangeFailsWithoutNotifying)
{
  plug.ClearNotes();
  EXPECT_FALSE(plug.RestorePreset(-1));
  EXPECT_FALSE(plug.RestorePreset(3));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 0);
  EXPECT_EQ(plug.Notes().presetsModified, 0);
  EXPECT_EQ(plug.Notes().restoreStates, 0);
}

TEST_F(PluginBaseTest, RestorePresetWithADamagedStateChangesNothing)
{
  plug.MakePresetFromChunk("Short", BlockOf({9.0, 4.0})); // two of four values
  plug.RestorePreset(2);                                   // current index 2
  SetValues(plug, {1.0, 2.0, 1.0, 60.0});
  plug.ClearNotes();

  EXPECT_FALSE(plug.RestorePreset(0));
  EXPECT_EQ(Values(plug), (std::vector<double>{1.0, 2.0, 1.0, 60.0}));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 2);
  EXPECT_EQ(plug.Notes().presetsModified, 0);
  EXPECT_EQ(plug.Notes().restoreStates, 0);
}

TEST_F(PluginBaseTest, RestorePresetByNameTakesTheFirstExactMatch)
{
  plug.MakePreset("Soft", 1.0, 0, 0, 10.0);
  plug.MakePreset("Loud", 9.0, 4, 0, 80.0);
  plug.MakePreset("Loud", 5.0, 2, 1, 40.0);
  EXPECT_FALSE(plug.RestorePreset(""));
  EXPECT_FALSE(plug.RestorePreset(static_cast<const char*>(nullptr)));
  EXPECT_FALSE(plug.RestorePreset("loud"));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 0);
  ASSERT_TRUE(plug.RestorePreset("Loud"));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 1);
  EXPECT_EQ(Values(plug), (std::vector<double>{9.0, 4.0, 0.0, 80.0}));
}

TEST_F(PluginBaseTest, MakePresetFillsTheFirstUninitialisedPresetWithIntsAndDoubles)
{
  plug.RestorePreset(0); // preset 0 becomes "user preset 1"
  plug.MakePreset("Mid", -2.5, 3, 1, 25.0);
  EXPECT_STREQ(plug.GetPresetName(1), "Mid");
  EXPECT_TRUE(plug.GetPreset(1)->mInitialized);
  EXPECT_EQ(Bytes(plug.GetPreset(1)->mChunk), Bytes(BlockOf({-2.5, 3.0, 1.0, 25.0})));
  EXPECT_FALSE(plug.GetPreset(2)->mInitialized);
}

TEST_F(PluginBaseTest, MakePresetWithNoUninitialisedPresetLeftChangesNothing)
{
  plug.MakePreset("A", 1.0, 1, 0, 1.0);
  plug.MakePreset("B", 2.0, 2, 0, 2.0);
  plug.MakePreset("C", 3.0, 3, 0, 3.0);
  plug.MakePreset("D", 4.0, 4, 1, 4.0);
  EXPECT_STREQ(plug.GetPresetName(0), "A");
  EXPECT_STREQ(plug.GetPresetName(1), "B");
  EXPECT_STREQ(plug.GetPresetName(2), "C");
  EXPECT_EQ(Bytes(plug.GetPreset(2)->mChunk), Bytes(BlockOf({3.0, 3.0, 0.0, 3.0})));
}

TEST_F(PluginBaseTest, MakePresetFromNamedParamsKeepsCurrentValuesOfUnnamedParameters)
{
  SetValues(plug, {1.5, 2.0, 1.0, 60.0});
  plug.MakePresetFromNamedParams("Bypassed", 1, kBypass, 0);
  EXPECT_STREQ(plug.GetPresetName(0), "Bypassed");
  EXPECT_EQ(Bytes(plug.GetPreset(0)->mChunk), Bytes(BlockOf({1.5, 2.0, 0.0, 60.0})));
}

TEST_F(PluginBaseTest, MakePresetFromNamedParamsTreatsTheMarkerValueAsUnnamed)
{
  SetValues(plug, {1.5, 2.0, 1.0, 60.0});
  plug.MakePresetFromNamedParams("Marker", 2, kGain, 9.999e-8, kMix, 20.0);
  EXPECT_EQ(Bytes(plug.GetPreset(0)->mChunk), Bytes(BlockOf({1.5, 2.0, 1.0, 20.0})));
}

TEST_F(PluginBaseTest, MakeDefaultPresetFillsOnlyAsManyAsAsked)
{
  SetValues(plug, {1.0, 2.0, 1.0, 60.0});
  plug.MakeDefaultPreset(nullptr, 2);
  EXPECT_STREQ(plug.GetPresetName(0), "Empty");
  EXPECT_STREQ(plug.GetPresetName(1), "Empty");
  EXPECT_TRUE(plug.GetPreset(1)->mInitialized);
  EXPECT_EQ(Bytes(plug.GetPreset(1)->mChunk), Bytes(BlockOf({1.0, 2.0, 1.0, 60.0})));
  EXPECT_FALSE(plug.GetPreset(2)->mInitialized);

  plug.EnsureDefaultPreset();
  EXPECT_TRUE(plug.GetPreset(2)->mInitialized);
  EXPECT_STREQ(plug.GetPresetName(2), "Empty");
}

TEST_F(PluginBaseTest, MakePresetFromBlobStoresTheDecodedBytes)
{
  // The block {1.0} is the bytes 00 00 00 00 00 00 F0 3F.
  TestPlugin one(1, 1);
  one.GetParam(0)->InitDouble("X", 0.0, 0.0, 2.0, 0.5);
  one.MakePresetFromBlob("Blob", "AAAAAAAA8D8=", 8);
  EXPECT_STREQ(one.GetPresetName(0), "Blob");
  EXPECT_EQ(Bytes(one.GetPreset(0)->mChunk), Bytes(BlockOf({1.0})));
  ASSERT_TRUE(one.RestorePreset(0));
  EXPECT_DOUBLE_EQ(one.GetParam(0)->Value(), 1.0);
}

TEST_F(PluginBaseTest, PresetNamesAreCutAt255Characters)
{
  const std::string longName(300, 'n');
  plug.MakePreset(longName.c_str(), 0.0, 0, 0, 0.0);
  EXPECT_EQ(std::string(plug.GetPresetName(0)), std::string(255, 'n'));
  plug.ModifyCurrentPreset(std::string(260, 'm').c_str());
  EXPECT_EQ(std::string(plug.GetPresetName(0)), std::string(255, 'm'));
}

TEST(PresetPruning, PruneUninitializedPresetsKeepsTheOrderOfTheOthers)
{
  TestPlugin plug(1, 5);
  plug.GetParam(0)->InitDouble("X", 0.0, 0.0, 10.0, 1.0);
  plug.RestorePreset(0);
  plug.RestorePreset(2);
  plug.RestorePreset(4);
  plug.ModifyCurrentPreset("C");
  plug.PruneUninitializedPresets();
  ASSERT_EQ(plug.NPresets(), 3);
  EXPECT_STREQ(plug.GetPresetName(0), "user preset 1");
  EXPECT_STREQ(plug.GetPresetName(1), "user preset 2");
  EXPECT_STREQ(plug.GetPresetName(2), "C");
}

TEST_F(PluginBaseTest, ModifyCurrentPresetStoresTheStateAndKeepsTheNameWhenNoneIsGiven)
{
  plug.MakePreset("Soft", 1.0, 0, 0, 10.0);
  SetValues(plug, {4.0, 4.0, 1.0, 90.0});
  plug.ModifyCurrentPreset();
  EXPECT_STREQ(plug.GetPresetName(0), "Soft");
  EXPECT_EQ(Bytes(plug.GetPreset(0)->mChunk), Bytes(BlockOf({4.0, 4.0, 1.0, 90.0})));
  plug.ModifyCurrentPreset("Hard");
  EXPECT_STREQ(plug.GetPresetName(0), "Hard");
}

TEST_F(PluginBaseTest, ModifyCurrentPresetDoesNotInitialiseAPreset)
{
  plug.ModifyCurrentPreset("Named");
  EXPECT_STREQ(plug.GetPresetName(0), "Named");
  EXPECT_FALSE(plug.GetPreset(0)->mInitialized);
}

TEST(PresetPruning, ModifyCurrentPresetWithoutPresetsDoesNothing)
{
  TestPlugin plug(1, 0);
  plug.ModifyCurrentPreset("X");
  EXPECT_EQ(plug.NPresets(), 0);
  EXPECT_FALSE(plug.RestorePreset(0));
}

// --- Presets as a chunk

class PresetChunkTest : public PluginBaseTest
{
protected:
  void MakeThreePresets()
  {
    plug.MakePreset("Soft", 1.0, 0, 0, 10.0);
    plug.ModifyCurrentPreset(); // keeps "Soft" with the current values
    plug.MakePreset("Loud", 9.0, 4, 0, 80.0);
    // preset 2 stays uninitialised
  }
};

TEST_F(PresetChunkTest, SerializePresetsWritesNameFlagAndStateOfEachPreset)
{
  SetValues(plug, {0.5, 1.0, 0.0, 50.0});
  MakeThreePresets();
  IByteChunk chunk;
  ASSERT_TRUE(plug.SerializePresets(chunk));

  IByteChunk expected;
  const bool yes = true, no = false;
  expected.PutStr("Soft");
  expected.Put(&yes);
  expected.PutChunk(BlockOf({0.5, 1.0, 0.0, 50.0}));
  expected.PutStr("Loud");
  expected.Put(&yes);
  expected.PutChunk(BlockOf({9.0, 4.0, 0.0, 80.0}));
  expected.PutStr("empty");
  expected.Put(&no);
  EXPECT_EQ(Bytes(chunk), Bytes(expected));
}

TEST_F(PresetChunkTest, UnserializePresetsRoundTripsIntoAnotherInstanceAndRestoresTheCurrentPreset)
{
  MakeThreePresets();
  IByteChunk chunk;
  plug.SerializePresets(chunk);

  TestPlugin other(kNumParams, 3);
  InitTestParams(other);
  other.SetCurrentPresetIdx(1);
  EXPECT_EQ(other.UnserializePresets(chunk, 0), chunk.Size());
  EXPECT_STREQ(other.GetPresetName(0), "Soft");
  EXPECT_STREQ(other.GetPresetName(1), "Loud");
  EXPECT_STREQ(other.GetPresetName(2), "empty");
  EXPECT_FALSE(other.GetPreset(2)->mInitialized);
  EXPECT_EQ(Bytes(other.GetPreset(1)->mChunk), Bytes(plug.GetPreset(1)->mChunk));
  EXPECT_EQ(Values(other), (std::vector<double>{9.0, 4.0, 0.0, 80.0}));
}

TEST_F(PresetChunkTest, UnserializePresetsOfATruncatedChunkChangesNothing)
{
  MakeThreePresets();
  IByteChunk chunk;
  plug.SerializePresets(chunk);

  TestPlugin other(kNumParams, 3);
  InitTestParams(other);
  SetValues(other, {-1.0, 3.0, 1.0, 33.0});
  for (int cut : {0, 3, 9, 20, chunk.Size() - 1})
  {
    IByteChunk truncated;
    truncated.PutBytes(chunk.GetData(), cut);
    EXPECT_EQ(other.UnserializePresets(truncated, 0), -1) << cut;
    EXPECT_EQ(Values(other), (std::vector<double>{-1.0, 3.0, 1.0, 33.0})) << cut;
    for (int i = 0; i < 3; ++i)
    {
      EXPECT_STREQ(other.GetPresetName(i), "empty") << cut;
      EXPECT_FALSE(other.GetPreset(i)->mInitialized) << cut;
    }
  }
}

TEST_F(PresetChunkTest, UnserializePresetsWithAStateThatDoesNotApplyChangesNothing)
{
  TestPlugin headered(kNumParams, 1);
  InitTestParams(headered);
  headered.SetStateHeader(true);
  IByteChunk chunk;
  const bool yes = true;
  chunk.PutStr("Foreign");
  chunk.Put(&yes);
  const int wrongMagic = 1;
  chunk.Put(&wrongMagic);
  chunk.PutChunk(BlockOf({5.0, 2.0, 1.0, 20.0}));

  EXPECT_EQ(headered.UnserializePresets(chunk, 0), -1);
  EXPECT_STREQ(headered.GetPresetName(0), "empty");
  EXPECT_EQ(Values(headered), (std::vector<double>{0.0, 1.0, 0.0, 50.0}));
}

// --- Developer dumps

class PresetDumpTest : public PluginBaseTest
{
protected:
  PresetDumpTest()
  {
    plug.MakePreset("Init", 1.5, 3, 1, 25.0);
    plug.RestorePreset(0);
  }

  TempFile file{".txt"};
};

TEST_F(PresetDumpTest, MakePresetSourceListsCurrentValuesByType)
{
  plug.GetParam(kGain)->Set(-0.25);
  plug.DumpMakePresetSrc(file.Path());
  EXPECT_EQ(pw::test::ReadFileText(file.Path()), "MakePreset(\"Init\", -0.250000, 3, true, 25.000000);\n");
}

TEST_F(PresetDumpTest, DumpsAppendToTheFile)
{
  plug.DumpMakePresetSrc(file.Path());
  plug.GetParam(kBypass)->Set(0.0);
  plug.DumpMakePresetSrc(file.Path());
  EXPECT_EQ(pw::test::ReadFileText(file.Path()),
            "MakePreset(\"Init\", 1.500000, 3, true, 25.000000);\n"
            "MakePreset(\"Init\", 1.500000, 3, false, 25.000000);\n");
}

TEST_F(PresetDumpTest, NamedParamsSourcePutsEachParameterOnItsOwnLine)
{
  const char* names[kNumParams] = {"kGain", "kMode", "kBypass", "kMix"};
  plug.DumpMakePresetFromNamedParamsSrc(file.Path(), names);
  EXPECT_EQ(pw::test::ReadFileText(file.Path()), "  MakePresetFromNamedParams(\"Init\", 4,\n"
                                                 "    kGain, 1.500000,\n"
                                                 "    kMode, 3,\n"
                                                 "    kBypass, true,\n"
                                                 "    kMix, 25.000000);\n");
}

TEST(PresetBlobDump, BlobHoldsTheBase64OfTheCurrentPresetStateAndItsSize)
{
  TestPlugin plug(1, 1);
  plug.GetParam(0)->InitDouble("X", 0.0, 0.0, 2.0, 0.5);
  plug.GetParam(0)->Set(1.0);
  plug.MakeDefaultPreset("One");
  TempFile file(".txt");
  plug.DumpPresetBlob(file.Path());
  EXPECT_EQ(pw::test::ReadFileText(file.Path()), "MakePresetFromBlob(\"One\", \"AAAAAAAA8D8=\", 8);\n");
}

TEST(PresetBlobDump, DumpsWithoutACurrentPresetWriteNothing)
{
  TestPlugin plug(1, 0);
  TempFile file(".txt");
  const char* names[1] = {"kX"};
  plug.DumpPresetBlob(file.Path());
  plug.DumpMakePresetSrc(file.Path());
  plug.DumpMakePresetFromNamedParamsSrc(file.Path(), names);
  EXPECT_FALSE(pw::test::FileExists(file.Path()));

  TestPlugin two(1, 2);
  two.SetCurrentPresetIdx(5);
  two.DumpPresetBlob(file.Path());
  two.DumpMakePresetSrc(file.Path());
  EXPECT_FALSE(pw::test::FileExists(file.Path()));
}

TEST_F(PresetDumpTest, DumpsToAnUnopenableFileDoNothing)
{
  const std::string path = std::string(file.Path()) + "/no/such/dir.txt";
  plug.DumpPresetBlob(path.c_str());
  plug.DumpMakePresetSrc("");
  plug.DumpMakePresetSrc(nullptr);
  EXPECT_FALSE(pw::test::FileExists(path.c_str()));
}
