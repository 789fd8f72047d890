// Parameter ranges and groups, build texts and the developer dumps of the
// plug-in base: the operations a developer uses while making presets.

#include "TempFolder.h"
#include "TestPlugin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

using namespace weft;
using pw::test::TestPlugin;
using pw::test::ValuesOf;

namespace {

using Values = std::vector<double>;

// Gain (double, "Level"), Mode (int, "Shape"), Bypass (bool, "Level"),
// Mix (double, "Shape").
class ToolsTest : public testing::Test
{
protected:
  ToolsTest()
  {
    plug.GetParam(0)->InitDouble("Gain", 0.0, -12.0, 12.0, 0.1, "dB", 0, "Level");
    plug.GetParam(1)->InitInt("Mode", 1, 0, 4, "", 0, "Shape");
    plug.GetParam(2)->InitBool("Bypass", false, "", 0, "Level");
    plug.GetParam(3)->InitDouble("Mix", 50.0, 0.0, 100.0, 1.0, "%", 0, "Shape");
  }

  TestPlugin plug{4, 1};
  pw::test::TempFolder folder;
  const std::string file = folder.Path("dump.txt");
};

} // namespace

TEST(PluginBuildInfo, NamesVersionAPIArchitectureDateAndTimeCutTo256Characters)
{
  TestPlugin plug(0, 0, 0x1234, 0x010203);
  LOOM_String build;
  plug.GetBuildInfoStr(build, "Mar  4 2025", "13:45:59");
  EXPECT_EQ(std::string(build.Get()),
            std::string("v1.2.3D AU (") + plug.GetArchStr() + "), built on Mar  4 2025 at 13:45 ");
  plug.GetBuildInfoStr(build, std::string(400, 'x').c_str(), "00:00");
  EXPECT_EQ(build.GetLength(), 256);
}

TEST(ParamRanges, InitAndCloneParamRangeNumberOrRenameNamesAndCloneTakesTheValue)
{
  TestPlugin plug(7, 0);
  plug.InitParamRange(1, 3, 7, "Band %d Gain", 0.5, 0.0, 1.0, 0.01, "", 0, "EQ");
  plug.InitParamRange(4, 4, 123, "A very long parameter name number %d", 0.0, 0.0, 1.0, 0.1);
  plug.GetParam(0)->InitInt("Left Mode", 0, 0, 3, "", 0, "Left");
  plug.GetParam(0)->Set(3);
  plug.CloneParamRange(0, 0, 5, "Left", "Right", "Right");
  plug.CloneParamRange(2, 2, 6, "Band", "Tilt");
  const char* names[] = {"Left Mode",  "Band 7 Gain", "Band 8 Gain", "Band 9 Gain", "A very long parameter name numb",
                         "Right Mode", "Tilt 8 Gain"};
  for (int i = 0; i < 7; ++i)
    EXPECT_STREQ(plug.GetParam(i)->GetName(), names[i]);
  EXPECT_STREQ(plug.GetParam(5)->GetGroup(), "Right");
  EXPECT_EQ(plug.GetParam(5)->Type(), IParam::kTypeInt);
  EXPECT_DOUBLE_EQ(plug.GetParam(5)->Value(), 3.0);
  EXPECT_DOUBLE_EQ(plug.GetParam(6)->Value(), 0.5);

  EXPECT_EQ(plug.AddParamGroup("Input"), 1);
  EXPECT_EQ(plug.AddParamGroup("Output"), 2);
  EXPECT_STREQ(plug.GetParamGroupName(1), "Output");
  EXPECT_EQ(plug.GetParamGroupName(2), nullptr);
}

TEST_F(ToolsTest, CopyDefaultAndRandomiseWorkOnARangeOrAGroupInIndexOrder)
{
  for (int i = 0; i < 4; ++i)
    plug.GetParam(i)->Set(Values{3.0, 1.0, 1.0, 50.0}[i]);
  plug.CopyParamValues("Level", "Shape");
  EXPECT_EQ(ValuesOf(plug), (Values{3.0, 3.0, 1.0, 1.0}));

  plug.DefaultParamValues("Shape");
  EXPECT_EQ(ValuesOf(plug), (Values{3.0, 1.0, 1.0, 50.0}));
  plug.DefaultParamValues();
  EXPECT_EQ(ValuesOf(plug), (Values{0.0, 1.0, 0.0, 50.0}));

  std::srand(12345);
  std::set<double> gains, modes;
  for (int round = 0; round < 20; ++round)
  {
    plug.RandomiseParamValues(0, 1);
    const Values v = ValuesOf(plug);
    EXPECT_TRUE(std::abs(v[0]) <= 12.0 && v[1] >= 0.0 && v[1] <= 4.0 && v[1] == std::round(v[1]));
    EXPECT_EQ(Values(v.begin() + 2, v.end()), (Values{0.0, 50.0})) << "randomising leaves the rest alone";
    gains.insert(v[0]);
    modes.insert(v[1]);
  }
  EXPECT_GE(gains.size(), 15u) << "the gain was not randomised";
  EXPECT_GE(modes.size(), 3u) << "the mode was not randomised";
}

TEST_F(ToolsTest, SourceDumpsListCurrentValuesByTypeAndAppend)
{
  plug.MakePreset("Init", 1.5, 3, 1, 25.0);
  ASSERT_TRUE(plug.RestorePreset(0));
  const char* names[4] = {"kGain", "kMode", "kBypass", "kMix"};
  plug.DumpMakePresetSrc(file.c_str());
  plug.GetParam(0)->Set(-0.25);
  plug.GetParam(2)->Set(0.0);
  plug.DumpMakePresetFromNamedParamsSrc(file.c_str(), names);
  EXPECT_EQ(folder.ReadText("dump.txt"), "MakePreset(\"Init\", 1.500000, 3, true, 25.000000);\n"
                                   "  MakePresetFromNamedParams(\"Init\", 4,\n"
                                   "    kGain, -0.250000,\n"
                                   "    kMode, 3,\n"
                                   "    kBypass, false,\n"
                                   "    kMix, 25.000000);\n");
}

TEST(PresetBlob, ABlobPresetStoresTheDecodedBytesAndDumpsBackAsTheSameBase64)
{
  // The block {1.0} is the bytes 00 00 00 00 00 00 F0 3F.
  TestPlugin one(1, 1);
  one.GetParam(0)->InitDouble("X", 0.0, 0.0, 2.0, 0.5);
  one.MakePresetFromBlob("Blob", "AAAAAAAA8D8=", 8);
  ASSERT_TRUE(one.RestorePreset(0));
  EXPECT_DOUBLE_EQ(one.GetParam(0)->Value(), 1.0);
  pw::test::TempFolder folder;
  one.DumpPresetBlob(folder.Path("dump.txt").c_str());
  EXPECT_EQ(folder.ReadText("dump.txt"), "MakePresetFromBlob(\"Blob\", \"AAAAAAAA8D8=\", 8);\n");
}

TEST_F(ToolsTest, DumpsWithoutACurrentPresetOrToAnUnopenableFileWriteNothing)
{
  plug.MakePreset("Init", 1.5, 3, 1, 25.0);
  const std::string badPath = folder.Path("no/such/dir.txt");
  plug.DumpPresetBlob(badPath.c_str());
  plug.DumpMakePresetSrc("");
  plug.DumpMakePresetSrc(nullptr);

  const char* names[1] = {"kX"};
  TestPlugin none(1, 0), outOfRange(1, 2);
  outOfRange.SetCurrentPresetIdx(5);
  for (TestPlugin* p : {&none, &outOfRange})
  {
    p->DumpPresetBlob(file.c_str());
    p->DumpMakePresetSrc(file.c_str());
    p->DumpMakePresetFromNamedParamsSrc(file.c_str(), names);
  }
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{}) << "no file was written";
}
