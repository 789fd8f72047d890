#include "TestFiles.h"
#include "TestPlugin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace weft;
using pw::test::ReadFileText;
using pw::test::TempFile;
using pw::test::TestPlugin;

namespace {

enum EParams
{
  kGain = 0, // double -12..12 dB, step 0.1, group "Level"
  kMode,     // int 0..4, group "Shape"
  kBypass,   // bool, group "Level"
  kMix,      // double 0..100 %, step 1, group "Shape"
  kNumParams
};

using Values = std::vector<double>;

void InitTestParams(TestPlugin& plug)
{
  plug.GetParam(kGain)->InitDouble("Gain", 0.0, -12.0, 12.0, 0.1, "dB", 0, "Level");
  plug.GetParam(kMode)->InitInt("Mode", 1, 0, 4, "", 0, "Shape");
  plug.GetParam(kBypass)->InitBool("Bypass", false, "", 0, "Level");
  plug.GetParam(kMix)->InitDouble("Mix", 50.0, 0.0, 100.0, 1.0, "%", 0, "Shape");
}

Values ValuesOf(const TestPlugin& plug)
{
  Values values;
  for (int i = 0; i < plug.NParams(); ++i)
    values.push_back(plug.GetParam(i)->Value());
  return values;
}

void SetValues(TestPlugin& plug, const Values& values)
{
  for (int i = 0; i < plug.NParams(); ++i)
    plug.GetParam(i)->Set(values[static_cast<size_t>(i)]);
}

std::vector<uint8_t> Bytes(const IByteChunk& chunk)
{
  return std::vector<uint8_t>(chunk.GetData(), chunk.GetData() + chunk.Size());
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

  std::vector<uint8_t> PresetState(int idx) const { return Bytes(plug.GetPreset(idx)->mChunk); }
  std::string PresetName(int idx) const { return plug.GetPresetName(idx); }

  TestPlugin plug{kNumParams, 3};
};

} // namespace

// --- Identity and version texts

TEST(PluginIdentity, VersionBuildAndAPITextsNameMajorMinorBugfixWithDOnlyForThePlugin)
{
  TestPlugin plug(0, 0, 0x1234, 0x010203);
  plug.SetHostVersion(0x0B0001);
  LOOM_String plugin, host, build;
  plug.GetPluginVersionStr(plugin);
  plug.GetHostVersionStr(host);
  EXPECT_STREQ(plugin.Get(), "v1.2.3D");
  EXPECT_STREQ(host.Get(), "v11.0.1");
  EXPECT_EQ(plug.GetPluginVersion(true), 10203);
  EXPECT_EQ(plug.GetHostVersion(true), 110001);
  int maj = 0, min = 0, bug = 0;
  IPluginBase::GetVersionParts(0x0A0B0C, maj, min, bug);
  EXPECT_EQ(std::vector<int>({maj, min, bug}), std::vector<int>({10, 11, 12}));

  plug.GetBuildInfoStr(build, "Mar  4 2025", "13:45:59");
  EXPECT_EQ(std::string(build.Get()),
            std::string("v1.2.3D AU (") + plug.GetArchStr() + "), built on Mar  4 2025 at 13:45 ");
  plug.GetBuildInfoStr(build, std::string(400, 'x').c_str(), "00:00");
  EXPECT_EQ(build.GetLength(), 256);
  plug.SetAPI(weft::kAPIVST3);
  EXPECT_STREQ(plug.GetAPIStr(), "VST3");
  plug.SetAPI(static_cast<EAPI>(9));
  EXPECT_STREQ(plug.GetAPIStr(), "") << "no name outside the known kinds";
}

// --- Ranges and groups of parameters

TEST(ParamRanges, InitAndCloneParamRangeNumberOrRenameNamesCutTo31CharactersAndCloneTakesTheValue)
{
  TestPlugin plug(7, 0);
  plug.InitParamRange(1, 3, 7, "Band %d Gain", 0.5, 0.0, 1.0, 0.01, "", 0, "EQ");
  plug.InitParamRange(4, 4, 123, "A very long parameter name number %d", 0.0, 0.0, 1.0, 0.1);
  plug.GetParam(0)->InitInt("Left Mode", 0, 0, 3, "", 0, "Left");
  plug.GetParam(0)->Set(3);
  plug.CloneParamRange(0, 0, 5, "Left", "Right", "Right");
  plug.CloneParamRange(2, 2, 6, "Band", "Tilt");
  const char* names[] = {"Left Mode",   "Band 7 Gain", "Band 8 Gain", "Band 9 Gain", "A very long parameter name numb",
                         "Right Mode", "Tilt 8 Gain"};
  for (int i = 0; i < 7; ++i)
    EXPECT_STREQ(plug.GetParam(i)->GetName(), names[i]);
  EXPECT_STREQ(plug.GetParam(2)->GetGroup(), "EQ");
  EXPECT_STREQ(plug.GetParam(5)->GetGroup(), "Right");
  EXPECT_EQ(plug.GetParam(5)->Type(), IParam::kTypeInt);
  EXPECT_DOUBLE_EQ(plug.GetParam(5)->Value(), 3.0);
  EXPECT_DOUBLE_EQ(plug.GetParam(6)->GetMax(), 1.0);
  EXPECT_DOUBLE_EQ(plug.GetParam(6)->Value(), 0.5);

  EXPECT_EQ(plug.AddParamGroup("Input"), 1);
  EXPECT_EQ(plug.AddParamGroup("Output"), 2);
  EXPECT_STREQ(plug.GetParamGroupName(1), "Output");
  EXPECT_EQ(plug.GetParamGroupName(2), nullptr);
  EXPECT_EQ(plug.GetParamGroupName(-1), nullptr);
}

TEST_F(PluginBaseTest, CopyDefaultAndRandomiseParamValuesWorkOnARangeOrAGroupInIndexOrder)
{
  TestPlugin six(6, 0);
  six.InitParamRange(0, 5, 0, "P%d", 0.0, 0.0, 10.0, 1.0);
  six.GetParam(0)->Set(4);
  six.GetParam(1)->Set(7);
  six.CopyParamValues(0, 3, 2);
  EXPECT_EQ(ValuesOf(six), (Values{4.0, 7.0, 0.0, 4.0, 7.0, 0.0}));

  SetValues(plug, {3.0, 1.0, 1.0, 50.0});
  plug.CopyParamValues("Level", "Shape");
  EXPECT_EQ(ValuesOf(plug), (Values{3.0, 3.0, 1.0, 1.0}));

  SetValues(plug, {5.0, 3.0, 1.0, 10.0});
  plug.DefaultParamValues("Shape");
  EXPECT_EQ(ValuesOf(plug), (Values{5.0, 1.0, 1.0, 50.0}));
  plug.DefaultParamValues();
  EXPECT_EQ(ValuesOf(plug), (Values{0.0, 1.0, 0.0, 50.0}));

  std::srand(12345);
  for (int round = 0; round < 50; ++round)
  {
    plug.RandomiseParamValues(kGain, kMode);
    const Values v = ValuesOf(plug);
    EXPECT_TRUE(std::abs(v[kGain]) <= 12.0 && v[kMode] >= 0.0 && v[kMode] <= 4.0 && v[kMode] == std::round(v[kMode]));
    EXPECT_EQ(Values(v.begin() + kBypass, v.end()), (Values{0.0, 50.0})) << "randomising leaves the rest alone";
  }
}

// --- Parameter block of the saved state

TEST_F(PluginBaseTest, ParamBlockIsOneDoublePerParameterAndRoundTripsAsOnePresetRecall)
{
  SetValues(plug, {-3.5, 2.0, 1.0, 75.0});
  IByteChunk chunk;
  const int prefix = 7;
  chunk.Put(&prefix);
  ASSERT_TRUE(plug.SerializeParams(chunk));
  ASSERT_EQ(chunk.Size(), 4 + 8 * kNumParams);
  const double expected[kNumParams] = {-3.5, 2.0, 1.0, 75.0};
  EXPECT_EQ(std::memcmp(chunk.GetData() + 4, expected, sizeof(expected)), 0);

  plug.DefaultParamValues();
  plug.ClearNotes();
  EXPECT_EQ(plug.UnserializeParams(chunk, 4), 4 + 8 * kNumParams);
  EXPECT_EQ(ValuesOf(plug), (Values{-3.5, 2.0, 1.0, 75.0}));
  EXPECT_EQ(plug.Notes().resets, std::vector<EParamSource>{kPresetRecall});
}

TEST_F(PluginBaseTest, UnserializeParamsConstrainsValuesSkipsNonFiniteOnesAndStopsAtAnIncompleteValue)
{
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  IByteChunk twoAndAHalf = BlockOf({-4.0, 4.0});
  const uint8_t partial[5] = {1, 2, 3, 4, 5};
  twoAndAHalf.PutBytes(partial, 5);
  const struct
  {
    IByteChunk block;
    int start;
    int result;
    Values after; // from {1, 2, 0, 30}
  } cases[] = {
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
    EXPECT_EQ(plug.Notes().resets, std::vector<EParamSource>{kPresetRecall});
  }
}

// --- Presets in memory

TEST_F(PluginBaseTest, PresetsStartUninitialisedNamedEmptyAndRestoringOneMakesANumberedUserPreset)
{
  EXPECT_EQ(Presets(plug), "empty|empty|empty");
  EXPECT_STREQ(plug.GetPresetName(-1), "");
  EXPECT_STREQ(plug.GetPresetName(3), "");

  SetValues(plug, {1.0, 2.0, 1.0, 60.0});
  plug.ClearNotes();
  ASSERT_TRUE(plug.RestorePreset(1));
  ASSERT_TRUE(plug.RestorePreset(2));
  EXPECT_EQ(Presets(plug), "empty|user preset 1*|user preset 2*");
  EXPECT_EQ(PresetState(1), Bytes(BlockOf({1.0, 2.0, 1.0, 60.0})));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 2);
  EXPECT_EQ(plug.Notes().presetsModified, 2);
  EXPECT_EQ(plug.Notes().restoreStates, 2);
}

TEST_F(PluginBaseTest, RestoringAnInitialisedPresetAppliesItsStateByIndexOrFirstExactName)
{
  plug.MakePreset("Soft", 1.0, 0, 0, 10.0);
  plug.MakePreset("Loud", 9.0, 4, 0, 80.0);
  plug.MakePreset("Loud", 5.0, 2, 1, 40.0);
  for (const char* refused : {"", static_cast<const char*>(nullptr), "loud"})
    EXPECT_FALSE(plug.RestorePreset(refused));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 0);
  plug.ClearNotes();
  ASSERT_TRUE(plug.RestorePreset("Loud"));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 1);
  EXPECT_EQ(ValuesOf(plug), (Values{9.0, 4.0, 0.0, 80.0}));
  EXPECT_EQ(plug.Notes().resets, std::vector<EParamSource>{kPresetRecall});
  EXPECT_EQ(plug.Notes().restoreStates, 1);
}

TEST_F(PluginBaseTest, RestorePresetOutOfRangeOrWithADamagedStateChangesNothing)
{
  plug.MakePresetFromChunk("Short", BlockOf({9.0, 4.0})); // two of four values
  plug.RestorePreset(2);                                   // current index 2
  SetValues(plug, {1.0, 2.0, 1.0, 60.0});
  plug.ClearNotes();
  for (int idx : {-1, 3, 0})
    EXPECT_FALSE(plug.RestorePreset(idx)) << idx;
  EXPECT_EQ(ValuesOf(plug), (Values{1.0, 2.0, 1.0, 60.0}));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 2);
  EXPECT_EQ(plug.Notes().presetsModified, 0);
  EXPECT_EQ(plug.Notes().restoreStates, 0);
}

TEST_F(PluginBaseTest, MakePresetFormsFillTheFirstUninitialisedPresetsUntilNoneIsLeftOrAsManyAsAsked)
{
  SetValues(plug, {1.5, 2.0, 1.0, 60.0});
  plug.MakePresetFromNamedParams("Bypassed", 1, kBypass, 0);
  plug.MakePresetFromNamedParams("Marker", 2, kGain, 9.999e-8, kMix, 20.0); // the marker value names nothing
  plug.MakePreset("Mid", -2.5, 3, 1, 25.0);
  plug.MakePreset("D", 4.0, 4, 1, 4.0);
  EXPECT_EQ(Presets(plug), "Bypassed*|Marker*|Mid*");
  EXPECT_EQ(PresetState(0), Bytes(BlockOf({1.5, 2.0, 0.0, 60.0})));
  EXPECT_EQ(PresetState(1), Bytes(BlockOf({1.5, 2.0, 1.0, 20.0})));
  EXPECT_EQ(PresetState(2), Bytes(BlockOf({-2.5, 3.0, 1.0, 25.0})));

  TestPlugin defaults(kNumParams, 3);
  InitTestParams(defaults);
  defaults.MakeDefaultPreset(nullptr, 2);
  EXPECT_EQ(Presets(defaults), "Empty*|Empty*|empty") << "only as many as asked";
  EXPECT_EQ(Bytes(defaults.GetPreset(1)->mChunk), Bytes(BlockOf({0.0, 1.0, 0.0, 50.0})));
  defaults.EnsureDefaultPreset();
  EXPECT_EQ(Presets(defaults), "Empty*|Empty*|Empty*");
}

TEST(PresetBlob, ABlobPresetStoresTheDecodedBytesAndDumpsBackAsTheSameBase64)
{
  // The block {1.0} is the bytes 00 00 00 00 00 00 F0 3F.
  TestPlugin one(1, 1);
  one.GetParam(0)->InitDouble("X", 0.0, 0.0, 2.0, 0.5);
  one.MakePresetFromBlob("Blob", "AAAAAAAA8D8=", 8);
  EXPECT_EQ(Bytes(one.GetPreset(0)->mChunk), Bytes(BlockOf({1.0})));
  ASSERT_TRUE(one.RestorePreset(0));
  EXPECT_DOUBLE_EQ(one.GetParam(0)->Value(), 1.0);
  TempFile file(".txt");
  one.DumpPresetBlob(file.Path());
  EXPECT_EQ(ReadFileText(file.Path()), "MakePresetFromBlob(\"Blob\", \"AAAAAAAA8D8=\", 8);\n");
}

TEST_F(PluginBaseTest, ModifyCurrentPresetStoresTheStateRenamesAndCutsNamesAt255Characters)
{
  plug.MakePreset(std::string(300, 'n').c_str(), 1.0, 0, 0, 10.0);
  EXPECT_EQ(PresetName(0), std::string(255, 'n'));
  SetValues(plug, {4.0, 4.0, 1.0, 90.0});
  plug.ModifyCurrentPreset();
  EXPECT_EQ(PresetName(0), std::string(255, 'n'));
  EXPECT_EQ(PresetState(0), Bytes(BlockOf({4.0, 4.0, 1.0, 90.0})));
  plug.ModifyCurrentPreset(std::string(260, 'm').c_str());
  EXPECT_EQ(PresetName(0), std::string(255, 'm'));

  plug.SetCurrentPresetIdx(1);
  plug.ModifyCurrentPreset("Named"); // an uninitialised preset stays uninitialised
  EXPECT_EQ(PresetName(1), "Named");
  EXPECT_FALSE(plug.GetPreset(1)->mInitialized);
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
  EXPECT_EQ(Presets(plug), "user preset 1*|user preset 2*|C*");

  TestPlugin none(1, 0);
  none.ModifyCurrentPreset("X");
  EXPECT_EQ(none.NPresets(), 0);
  EXPECT_FALSE(none.RestorePreset(0));
}

// --- Presets as a chunk

class PresetChunkTest : public PluginBaseTest
{
protected:
  PresetChunkTest()
  {
    SetValues(plug, {0.5, 1.0, 0.0, 50.0});
    plug.MakePreset("Soft", 1.0, 0, 0, 10.0);
    plug.ModifyCurrentPreset(); // keeps "Soft" with the current values
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
  EXPECT_EQ(Bytes(chunk), Bytes(expected));

  other.SetCurrentPresetIdx(1);
  EXPECT_EQ(other.UnserializePresets(chunk, 0), chunk.Size());
  EXPECT_EQ(Presets(other), "Soft*|Loud*|empty");
  EXPECT_EQ(Bytes(other.GetPreset(1)->mChunk), PresetState(1));
  EXPECT_EQ(ValuesOf(other), (Values{9.0, 4.0, 0.0, 80.0}));
}

TEST_F(PresetChunkTest, UnserializePresetsOfATruncatedChunkChangesNothing)
{
  SetValues(other, {-1.0, 3.0, 1.0, 33.0});
  for (int cut : {0, 3, 9, 20, chunk.Size() - 1})
  {
    IByteChunk truncated;
    truncated.PutBytes(chunk.GetData(), cut);
    EXPECT_EQ(other.UnserializePresets(truncated, 0), -1) << cut;
    EXPECT_EQ(ValuesOf(other), (Values{-1.0, 3.0, 1.0, 33.0})) << cut;
    EXPECT_EQ(Presets(other), "empty|empty|empty") << cut;
  }
}

TEST_F(PresetChunkTest, UnserializePresetsWithAStateThatDoesNotApplyChangesNothing)
{
  TestPlugin headered(kNumParams, 1);
  InitTestParams(headered);
  headered.SetStateHeader(true);
  IByteChunk foreign;
  const bool yes = true;
  const int wrongMagic = 1;
  foreign.PutStr("Foreign");
  foreign.Put(&yes);
  foreign.Put(&wrongMagic);
  foreign.PutChunk(BlockOf({5.0, 2.0, 1.0, 20.0}));
  EXPECT_EQ(headered.UnserializePresets(foreign, 0), -1);
  EXPECT_STREQ(headered.GetPresetName(0), "empty");
  EXPECT_EQ(ValuesOf(headered), (Values{0.0, 1.0, 0.0, 50.0}));
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

TEST_F(PresetDumpTest, SourceDumpsListCurrentValuesByTypeAndAppend)
{
  const char* names[kNumParams] = {"kGain", "kMode", "kBypass", "kMix"};
  plug.DumpMakePresetSrc(file.Path());
  plug.GetParam(kGain)->Set(-0.25);
  plug.GetParam(kBypass)->Set(0.0);
  plug.DumpMakePresetSrc(file.Path());
  plug.DumpMakePresetFromNamedParamsSrc(file.Path(), names);
  EXPECT_EQ(ReadFileText(file.Path()), "MakePreset(\"Init\", 1.500000, 3, true, 25.000000);\n"
                                       "MakePreset(\"Init\", -0.250000, 3, false, 25.000000);\n"
                                       "  MakePresetFromNamedParams(\"Init\", 4,\n"
                                       "    kGain, -0.250000,\n"
                                       "    kMode, 3,\n"
                                       "    kBypass, false,\n"
                                       "    kMix, 25.000000);\n");
}

TEST_F(PresetDumpTest, DumpsWithoutACurrentPresetOrToAnUnopenableFileWriteNothing)
{
  const std::string badPath = std::string(file.Path()) + "/no/such/dir.txt";
  plug.DumpPresetBlob(badPath.c_str());
  plug.DumpMakePresetSrc("");
  plug.DumpMakePresetSrc(nullptr);
  EXPECT_FALSE(pw::test::FileExists(badPath.c_str()));

  const char* names[1] = {"kX"};
  TestPlugin none(1, 0), outOfRange(1, 2);
  outOfRange.SetCurrentPresetIdx(5);
  for (TestPlugin* p : {&none, &outOfRange})
  {
    p->DumpPresetBlob(file.Path());
    p->DumpMakePresetSrc(file.Path());
    p->DumpMakePresetFromNamedParamsSrc(file.Path(), names);
  }
  EXPECT_FALSE(pw::test::FileExists(file.Path()));
}
