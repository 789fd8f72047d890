#include "TestPlugin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace weft;
using pw::test::BytesOf;
using pw::test::SetValues;
using pw::test::TestPlugin;
using pw::test::ValuesOf;

namespace {

enum EParams
{
  kGain = 0, // double -12..12 dB, step 0.1
  kMode,     // int 0..4
  kBypass,   // bool
  kMix,      // double 0..100 %, step 1
  kNumParams
};

using Values = std::vector<double>;
using Bytes = std::vector<uint8_t>;

void InitTestParams(TestPlugin& plug)
{
  plug.GetParam(kGain)->InitDouble("Gain", 0.0, -12.0, 12.0, 0.1, "dB");
  plug.GetParam(kMode)->InitInt("Mode", 1, 0, 4);
  plug.GetParam(kBypass)->InitBool("Bypass", false);
  plug.GetParam(kMix)->InitDouble("Mix", 50.0, 0.0, 100.0, 1.0, "%");
}


// Each preset's name, with "*" for an initialised one, joined by "|".
std::string Presets(const TestPlugin& plug)
{
  std::string out;
  for (int i = 0; i < plug.NPresets(); ++i)
    out += (i ? "|" : "") + std::string(plug.GetPresetName(i)) + (plug.GetPreset(i)->mInitialized ? "*" : "");
  return out;
}

IByteChunk BlockOf(const Values& values)
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

  Bytes PresetState(int idx) const { return BytesOf(plug.GetPreset(idx)->mChunk); }

  TestPlugin plug{kNumParams, 3};
};

} // namespace

// --- Identity and parameters

TEST(PluginIdentity, VersionBuildAndAPITextsNameMajorMinorBugfixWithDOnlyForThePlugin)
{
  TestPlugin plug(0, 0, 0x1234, 0x010203);
  plug.SetHostVersion(0x0B0001);
  LOOM_String plugin, host;
  plug.GetPluginVersionStr(plugin);
  plug.GetHostVersionStr(host);
  EXPECT_STREQ(plugin.Get(), "v1.2.3D");
  EXPECT_STREQ(host.Get(), "v11.0.1");
  EXPECT_EQ(plug.GetPluginVersion(true), 10203);
  plug.SetAPI(static_cast<EAPI>(9));
  EXPECT_STREQ(plug.GetAPIStr(), "") << "no name outside the known kinds";
}

// --- Parameter block of the saved state

TEST_F(PluginBaseTest, ParamBlockIsOneDoublePerParameterAndRoundTripsAsOnePresetRecall)
{
  SetValues(plug, {-3.5, 2.0, 1.0, 75.0});
  IByteChunk chunk;
  const int prefix = 7;
  chunk.Put(&prefix);
  ASSERT_TRUE(plug.SerializeParams(chunk));
  const double expected[kNumParams] = {-3.5, 2.0, 1.0, 75.0};
  ASSERT_EQ(chunk.Size(), 4 + static_cast<int>(sizeof(expected)));
  EXPECT_EQ(std::memcmp(chunk.GetData() + 4, expected, sizeof(expected)), 0);

  plug.DefaultParamValues();
  plug.ClearNotes();
  EXPECT_EQ(plug.UnserializeParams(chunk, 4), chunk.Size());
  EXPECT_EQ(ValuesOf(plug), (Values{-3.5, 2.0, 1.0, 75.0}));
  EXPECT_EQ(plug.Notes().resets, std::vector<EParamSource>{kPresetRecall});
}

TEST_F(PluginBaseTest, UnserializeParamsConstrainsValuesSkipsNonFiniteOnesStopsAtAnIncompleteValueAndAlwaysResets)
{
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  IByteChunk twoAndAHalf = BlockOf({-4.0, 4.0});
  const uint8_t partial[5] = {1, 2, 3, 4, 5};
  twoAndAHalf.PutBytes(partial, 5);
  const struct { IByteChunk block; int start; int result; Values after; } cases[] = {
    {BlockOf({100.0, 2.6, 0.7, -5.0}), 0, 32, {12.0, 3.0, 1.0, 0.0}},
    {BlockOf({nan, 3.0, inf, 40.0}), 0, 32, {1.0, 3.0, 0.0, 40.0}},
    {twoAndAHalf, 0, -1, {-4.0, 4.0, 0.0, 30.0}},
    {BlockOf({5.0, 1.0, 1.0, 5.0}), -1, -1, {1.0, 2.0, 0.0, 30.0}},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.after[0]);
    SetValues(plug, {1.0, 2.0, 0.0, 30.0});
    plug.ClearNotes();
    EXPECT_EQ(plug.UnserializeParams(c.block, c.start), c.result);
    EXPECT_EQ(ValuesOf(plug), c.after);
    EXPECT_EQ(plug.Notes().resets, std::vector<EParamSource>{kPresetRecall}) << "refused or not, a reset follows";
  }
}

// --- Presets in memory

TEST_F(PluginBaseTest, RestoringAnEmptyPresetMakesANumberedUserPresetAndAnInitialisedOneAppliesItsState)
{
  EXPECT_EQ(Presets(plug), "empty|empty|empty");
  plug.MakePreset("Loud", 9.0, 4, 0, 80.0);
  plug.MakePreset("Loud", 5.0, 2, 1, 40.0);
  SetValues(plug, {1.0, 2.0, 1.0, 60.0});
  ASSERT_TRUE(plug.RestorePreset(2));
  EXPECT_EQ(Presets(plug), "Loud*|Loud*|user preset 1*");
  EXPECT_EQ(PresetState(2), BytesOf(BlockOf({1.0, 2.0, 1.0, 60.0})));
  EXPECT_EQ(plug.Notes().presetsModified, 1);

  for (const char* refused : {"", static_cast<const char*>(nullptr), "loud"})
    EXPECT_FALSE(plug.RestorePreset(refused));
  plug.ClearNotes();
  ASSERT_TRUE(plug.RestorePreset("Loud")); // the first of that exact name
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 0);
  EXPECT_EQ(ValuesOf(plug), (Values{9.0, 4.0, 0.0, 80.0}));
  EXPECT_EQ(plug.Notes().resets, std::vector<EParamSource>{kPresetRecall});
  EXPECT_EQ(plug.Notes().restoreStates, 1);
}

TEST_F(PluginBaseTest, RestorePresetOutOfRangeOrWithADamagedStateChangesNothing)
{
  plug.MakePresetFromChunk("Short", BlockOf({9.0, 4.0})); // two of four values
  plug.RestorePreset(2);
  SetValues(plug, {1.0, 2.0, 1.0, 60.0});
  plug.ClearNotes();
  for (int idx : {-1, 3, 0})
    EXPECT_FALSE(plug.RestorePreset(idx)) << idx;
  EXPECT_EQ(ValuesOf(plug), (Values{1.0, 2.0, 1.0, 60.0}));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 2);
  EXPECT_EQ(plug.Notes().presetsModified + plug.Notes().restoreStates, 0);
}

TEST(PluginBasePresets, AUnitWithoutParametersRestoresItsEmptyPresetAndRefusesOneWithBytes)
{
  TestPlugin plug(0, 2);
  plug.MakePresetFromChunk("Empty", IByteChunk());
  plug.MakePresetFromChunk("Bytes", BlockOf({1.0}));
  EXPECT_TRUE(plug.RestorePreset(0));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 0);
  EXPECT_FALSE(plug.RestorePreset(1)) << "bytes no parameter reads";
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 0);
}

TEST_F(PluginBaseTest, MakePresetFormsFillTheFirstUninitialisedPresetsUntilNoneIsLeftOrAsManyAsAsked)
{
  SetValues(plug, {1.5, 2.0, 1.0, 60.0});
  plug.MakePresetFromNamedParams("Marker", 2, kGain, 9.999e-8, kMix, 20.0); // the marker value names nothing
  plug.MakePreset("Mid", -2.5, 3, 1, 25.0);
  plug.MakePresetFromBlob("Blob", "AAAAAAAA8D8=", 8); // the block {1.0}
  plug.MakePreset("D", 4.0, 4, 1, 4.0);
  EXPECT_EQ(Presets(plug), "Marker*|Mid*|Blob*") << "no preset is left for D";
  EXPECT_EQ(PresetState(0), BytesOf(BlockOf({1.5, 2.0, 1.0, 20.0})));
  EXPECT_EQ(PresetState(2), BytesOf(BlockOf({1.0})));

  TestPlugin defaults(kNumParams, 3);
  InitTestParams(defaults);
  defaults.MakeDefaultPreset(nullptr, 2);
  EXPECT_EQ(Presets(defaults), "Empty*|Empty*|empty") << "only as many as asked";
  EXPECT_EQ(BytesOf(defaults.GetPreset(1)->mChunk), BytesOf(BlockOf({0.0, 1.0, 0.0, 50.0})));
}

TEST_F(PluginBaseTest, ModifyCurrentPresetStoresTheStateRenamesAndCutsNamesAt255Characters)
{
  plug.MakePreset(std::string(300, 'n').c_str(), 1.0, 0, 0, 10.0);
  EXPECT_EQ(std::string(plug.GetPresetName(0)), std::string(255, 'n'));
  SetValues(plug, {4.0, 4.0, 1.0, 90.0});
  plug.ModifyCurrentPreset(std::string(260, 'm').c_str());
  EXPECT_EQ(std::string(plug.GetPresetName(0)), std::string(255, 'm'));
  EXPECT_EQ(PresetState(0), BytesOf(BlockOf({4.0, 4.0, 1.0, 90.0})));

  plug.SetCurrentPresetIdx(1);
  plug.ModifyCurrentPreset("Named"); // an uninitialised preset stays uninitialised
  plug.PruneUninitializedPresets();
  EXPECT_EQ(Presets(plug), std::string(255, 'm') + "*");
}

// --- Presets as a chunk

class PresetChunkTest : public PluginBaseTest
{
protected:
  PresetChunkTest()
  {
    plug.MakePreset("Soft", 0.5, 1, 0, 50.0);
    plug.MakePreset("Loud", 9.0, 4, 0, 80.0);
    plug.SerializePresets(chunk); // preset 2 stays uninitialised
    InitTestParams(other);
  }

  IByteChunk chunk;
  TestPlugin other{kNumParams, 3};
};

TEST_F(PresetChunkTest, PresetsAreWrittenAsNameFlagAndStateAndReadIntoAnotherInstanceRestoringItsCurrentPreset)
{
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
  EXPECT_EQ(BytesOf(chunk), BytesOf(expected));

  other.SetCurrentPresetIdx(1);
  EXPECT_EQ(other.UnserializePresets(chunk, 0), chunk.Size());
  EXPECT_EQ(Presets(other), "Soft*|Loud*|empty");
  EXPECT_EQ(ValuesOf(other), (Values{9.0, 4.0, 0.0, 80.0}));
}

TEST_F(PresetChunkTest, UnserializePresetsOfATruncatedOrForeignChunkChangesNothing)
{
  SetValues(other, {-1.0, 3.0, 1.0, 33.0});
  for (int cut : {0, 9, 20, chunk.Size() - 1})
  {
    IByteChunk truncated;
    truncated.PutBytes(chunk.GetData(), cut);
    EXPECT_EQ(other.UnserializePresets(truncated, 0), -1) << cut;
    EXPECT_EQ(ValuesOf(other), (Values{-1.0, 3.0, 1.0, 33.0})) << cut;
    EXPECT_EQ(Presets(other), "empty|empty|empty") << cut;
  }

  other.SetStateHeader(true); // the stored states lack the header
  EXPECT_EQ(other.UnserializePresets(chunk, 0), -1);
  EXPECT_EQ(ValuesOf(other), (Values{-1.0, 3.0, 1.0, 33.0}));
  EXPECT_EQ(Presets(other), "empty|empty|empty");
}

// --- Developer dumps

